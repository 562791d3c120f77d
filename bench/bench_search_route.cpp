// Road graph: a generated road grid of 224 x 224 intersections (8% of roads removed, about 5.5
// links a road, costs 1-100, factors 1-3, 5% one-way; about 92,000 roads). Targets: Open
// <= 50 ms; FindPath over 50 seeded pairs mean <= 6 ms, worst <= 12 ms. A search goes on
// through later waves, keeping the cheapest trace, until every road that links to the target has
// been walked or no trace through the next wave can weigh less (the grid has no negative
// weights). BM_Dijkstra is a reference: a binary-heap shortest path on
// weights cost x factor over the same links. BM_FindPath1M repeats the search on a grid of
// about 1,000,000 roads.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <queue>
#include <random>
#include <vector>

#include "platform/harness.h"
#include "search/route_graph.h"
#include "tools/sampledata/mvw_writer.h"

namespace {

struct Grid {
  TRouteGraph graph;
  std::vector<std::pair<int32_t, int32_t>> pairs;
  Grid(uint32_t side, const char* name, int pairCount) {
    const std::filesystem::path dir = std::filesystem::path(harness::Root()) / "Maps";
    std::filesystem::create_directories(dir);
    sample::WriteMvw((dir / name).string(), sample::RoadGridMvw(side, side, 1));
    graph.Open((std::string("\\Maps\\") + name).c_str());
    std::mt19937 rng(99);
    for (int i = 0; i < pairCount; ++i) {
      pairs.emplace_back(int32_t(rng() % graph.NodeCount()), int32_t(rng() % graph.NodeCount()));
    }
  }
};

Grid& Small() {
  static Grid* grid = [] {
    harness::Start();
    return new Grid(224, "Grid.mvw", 50);
  }();
  return *grid;
}

Grid& Large() {
  Small();
  static Grid* grid = new Grid(740, "Grid1M.mvw", 10);
  return *grid;
}

void BM_Open(benchmark::State& state) {
  TRouteGraph g;
  const uint32_t n = Small().graph.NodeCount();
  for (auto _ : state) {
    if (g.Open("\\Maps\\Grid.mvw") < 0 || g.NodeCount() != n) state.SkipWithError("open failed");
  }
  state.counters["nodes"] = n;
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

// One iteration runs every pair; the counters give the mean and the worst single search.
void RunPairs(benchmark::State& state, Grid& grid) {
  std::vector<int32_t> path;
  double worst = 0, total = 0, length = 0;
  int64_t searches = 0, found = 0;
  for (auto _ : state) {
    for (auto [from, to] : grid.pairs) {
      const auto t0 = std::chrono::steady_clock::now();
      found += grid.graph.FindPath(from, 1, to, 1, &path);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      worst = std::max(worst, ms);
      total += ms;
      length += double(path.size());
      ++searches;
    }
  }
  state.counters["mean_ms"] = total / double(searches);
  state.counters["worst_ms"] = worst;
  state.counters["found"] = double(found) / double(searches);
  state.counters["path_nodes"] = length / double(searches);
  state.counters["nodes"] = grid.graph.NodeCount();
}

void BM_FindPath(benchmark::State& state) { RunPairs(state, Small()); }
BENCHMARK(BM_FindPath)->Unit(benchmark::kMillisecond);

void BM_FindPath1M(benchmark::State& state) { RunPairs(state, Large()); }
BENCHMARK(BM_FindPath1M)->Unit(benchmark::kMillisecond);

// The reference: node-weighted shortest path over all links, weights cost x factor.
void BM_Dijkstra(benchmark::State& state) {
  Grid& grid = Small();
  const TRouteGraph& g = grid.graph;
  const uint32_t n = g.NodeCount();
  std::vector<int64_t> dist(n);
  double worst = 0, total = 0;
  int64_t searches = 0;
  using Item = std::pair<int64_t, uint32_t>;
  for (auto _ : state) {
    for (auto [from, to] : grid.pairs) {
      const auto t0 = std::chrono::steady_clock::now();
      std::fill(dist.begin(), dist.end(), INT64_MAX);
      std::priority_queue<Item, std::vector<Item>, std::greater<Item>> heap;
      dist[uint32_t(from)] = int64_t(g.Cost(uint32_t(from))) * g.Factor(uint32_t(from));
      heap.push({dist[uint32_t(from)], uint32_t(from)});
      while (!heap.empty()) {
        const auto [d, j] = heap.top();
        heap.pop();
        if (d != dist[j]) continue;
        for (auto links : {g.OutLinks(j), g.InLinks(j)}) {
          for (const TRouteLink& l : links) {
            if (l.node >= n) continue;
            const int64_t nd = d + int64_t(g.Cost(l.node)) * g.Factor(l.node);
            if (nd < dist[l.node]) {
              dist[l.node] = nd;
              heap.push({nd, l.node});
            }
          }
        }
      }
      benchmark::DoNotOptimize(dist[uint32_t(to)]);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      worst = std::max(worst, ms);
      total += ms;
      ++searches;
    }
  }
  state.counters["mean_ms"] = total / double(searches);
  state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_Dijkstra)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
