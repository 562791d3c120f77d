// The road graph (".mvw"): a graph that opens answers searches between its roads, and every
// path found starts and ends where asked and steps only along links of the file.
#include <vector>

#include "fuzz_device.h"
#include "search/route_graph.h"

namespace {

bool Linked(const TRouteGraph& g, int32_t a, int32_t b) {
  for (const TRouteLink& l : g.OutLinks(uint32_t(a)))
    if (l.node == uint32_t(b)) return true;
  for (const TRouteLink& l : g.InLinks(uint32_t(a)))
    if (l.node == uint32_t(b)) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TRouteGraph graph;
  int64_t rc = graph.OpenFromMemory(data, size);
  if (rc >= 1 && rc <= 4) {
    FUZZ_CHECK(graph.NodeCount() == 0);
    return 0;
  }
  const int32_t n = int32_t(graph.NodeCount());
  if (n == 0) return 0;
  const int32_t pairs[][2] = {{0, n - 1}, {n - 1, 0}, {n / 2, 0}, {0, n / 3}, {n / 2, n / 2}};
  std::vector<int32_t> path;
  for (const auto& p : pairs) {
    for (int d = 0; d < 4; ++d) {
      if (graph.FindPath(p[0], d & 1, p[1], d & 2, &path)) {
        FUZZ_CHECK(!path.empty() && path.front() == p[0] && path.back() == p[1]);
        for (size_t i = 1; i < path.size(); ++i) {
          FUZZ_CHECK(path[i] >= 0 && path[i] < n);
          FUZZ_CHECK(Linked(graph, path[i - 1], path[i]));
        }
      } else {
        FUZZ_CHECK(path.empty());
      }
    }
  }
  FUZZ_CHECK(graph.FindNode(graph.GetNodeId(0)) >= 0);
  FUZZ_CHECK(!graph.FindPath(-1, 1, 0, 1, &path) && path.empty());
  FUZZ_CHECK(!graph.FindPath(0, 1, n, 1, &path) && path.empty());
  return 0;
}
