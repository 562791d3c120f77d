// The route search against a plain transcription of the wave search: every node scanned in
// every wave, the trace scanning all nodes from index 0 up. The two share no code; the oracle
// reads the graph from the test's own description, not from the loaded graph.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <set>
#include <vector>

#include "search/route_graph.h"
#include "tools/sampledata/mvw_writer.h"

namespace {

using sample::MvwLink;
using sample::MvwNode;
using sample::MvwSpec;
using Path = std::vector<int32_t>;

enum TraceRule { kSound, kPlain };

bool FlagA(const MvwNode& n) { return n.flags & 0x80; }
bool FlagB(const MvwNode& n) { return n.flags & 0x40; }

// Lists walked in a state: bit 0 the outgoing, bit 1 the incoming list.
int Walks(const MvwNode& n, int state) {
  if (state == 1) return FlagB(n) ? 2 : 3;
  if (state == 128) return FlagA(n) ? 1 : 3;
  return 0;
}

const std::vector<MvwLink>& List(const MvwNode& n, int bit) { return bit == 1 ? n.out : n.in; }

Path Oracle(const MvwSpec& g, int start, int startDir, int target, int targetDir, TraceRule rule) {
  const int n = int(g.nodes.size());
  if (start == target) return {start};
  const MvwNode& t = g.nodes[size_t(target)];
  int d = targetDir ? 1 : 128;
  if ((targetDir && !FlagB(t)) || (!targetDir && !FlagA(t))) d = 0;

  std::vector<int> wave(size_t(n), -1), cur(size_t(n), -1), next(size_t(n), -1), arrived(size_t(n), -1);
  wave[size_t(start)] = 0;
  cur[size_t(start)] = arrived[size_t(start)] = startDir ? 1 : 128;
  Path best;
  int64_t bestSum = 0;
  bool found = false;
  for (int w = 0; w <= n; ++w) {
    std::fill(next.begin(), next.end(), -1);
    for (int j = n - 1; j >= 0; --j) {
      const int lists = Walks(g.nodes[size_t(j)], cur[size_t(j)]);
      for (int bit : {1, 2}) {
        if (!(lists & bit)) continue;
        for (const MvwLink& l : List(g.nodes[size_t(j)], bit)) {
          const int v = int(l.node);
          if (v >= n || (j == target && v == target) || wave[size_t(v)] != -1) continue;
          if (v != target) {
            wave[size_t(v)] = w + 1;
            arrived[size_t(v)] = l.state;
          }
          next[size_t(v)] = l.state;
        }
      }
    }
    bool any = false;
    for (int s : next) any |= s != -1;
    const int ts = next[size_t(target)];
    if (ts != -1 && (d == 0 || ts == d)) {
      Path trace = {target};
      int last = target, lastLists = 0;
      for (int level = w; level >= 0 && !trace.empty(); --level) {
        int pick = -1, pickLists = 0;
        for (int k = 0; k < n; ++k) {
          if (wave[size_t(k)] != level) continue;
          const MvwNode& node = g.nodes[size_t(k)];
          int q = 0;
          for (int bit : {1, 2}) {
            for (const MvwLink& l : List(node, bit)) {
              if (int(l.node) != last) continue;
              if (rule == kPlain) {
                q |= bit;
              } else if ((Walks(node, arrived[size_t(k)]) & bit) &&
                         (last == target ? (d == 0 || l.state == d)
                                         : (Walks(g.nodes[size_t(last)], l.state) & lastLists))) {
                q |= bit;
              }
            }
          }
          if (q && (pick < 0 || node.cost < g.nodes[size_t(pick)].cost)) {
            pick = k;
            pickLists = q;
          }
        }
        if (pick < 0) {
          trace.clear();
        } else {
          trace.push_back(pick);
          last = pick;
          lastLists = pickLists;
        }
      }
      if (!trace.empty()) {
        int64_t sum = 0;
        for (int k : trace) sum += int64_t(g.nodes[size_t(k)].cost) * g.nodes[size_t(k)].factor;
        if (!found || (sum < bestSum && sum != 0 && bestSum != 0)) {
          best.assign(trace.rbegin(), trace.rend());
          bestSum = sum;
        }
        found = true;
      }
      next[size_t(target)] = -1;
    }
    cur = next;
    if (!any) break;
  }
  return best;
}

// True when some choice of states walks the path: the start in its start state, each road
// walking a list that holds the next road with the state it arrives in, the target arriving as
// wanted.
bool Legal(const MvwSpec& g, const Path& p, int startDir, int targetDir) {
  if (p.size() < 2) return true;
  const MvwNode& t = g.nodes[size_t(p.back())];
  int d = targetDir ? 1 : 128;
  if ((targetDir && !FlagB(t)) || (!targetDir && !FlagA(t))) d = 0;
  std::set<int> states = {startDir ? 1 : 128};
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    std::set<int> reach;
    for (int s : states) {
      const MvwNode& node = g.nodes[size_t(p[i])];
      for (int bit : {1, 2}) {
        if (!(Walks(node, s) & bit)) continue;
        for (const MvwLink& l : List(node, bit)) {
          if (int(l.node) == p[i + 1]) reach.insert(l.state);
        }
      }
    }
    states = reach;
  }
  for (int s : states) {
    if (d == 0 || s == d) return true;
  }
  return false;
}

struct Shape {
  bool flags;       // random one-way flags and other flag bits
  bool anyStates;   // states other than 1 and 128
  bool onlyState1;  // every link in state 1
  bool equalWeights;
};

MvwSpec RandomGraph(std::mt19937& rng, const Shape& shape) {
  MvwSpec g;
  const int n = 1 + int(rng() % 30);
  g.nodes.resize(size_t(n));
  for (MvwNode& node : g.nodes) {
    if (shape.equalWeights) {
      node.cost = 3;
      node.factor = 2;
    } else {
      node.cost = int16_t(int(rng() % 14) - 3);  // 0 and negatives included
      if (rng() % 10 == 0) node.cost = int16_t(rng());
      node.factor = uint8_t(rng() % 4 == 0 ? rng() % 256 : rng() % 3);
    }
    if (shape.flags) node.flags = uint8_t(rng());
    for (auto* list : {&node.out, &node.in}) {
      const int count = int(rng() % 5);
      for (int k = 0; k < count; ++k) {
        MvwLink l;
        l.node = rng() % 12 == 0 ? uint32_t(n + int(rng() % 3)) : uint32_t(rng() % uint32_t(n));
        l.state = (rng() & 1) ? 1 : 128;
        if (shape.anyStates && rng() % 6 == 0) l.state = uint8_t(rng());
        if (shape.onlyState1) l.state = 1;
        list->push_back(l);
      }
    }
  }
  return g;
}

// Hops from start to target over every link (flags 0, all states walk both lists); -1 when
// unreachable.
int BfsDistance(const MvwSpec& g, int start, int target) {
  const int n = int(g.nodes.size());
  std::vector<int> dist(size_t(n), -1);
  std::deque<int> queue = {start};
  dist[size_t(start)] = 0;
  while (!queue.empty()) {
    const int j = queue.front();
    queue.pop_front();
    for (int bit : {1, 2}) {
      for (const MvwLink& l : List(g.nodes[size_t(j)], bit)) {
        if (int(l.node) < n && dist[l.node] < 0) {
          dist[l.node] = dist[size_t(j)] + 1;
          queue.push_back(int(l.node));
        }
      }
    }
  }
  return dist[size_t(target)];
}

Path Search(TRouteGraph& graph, const MvwSpec& g, int start, int startDir, int target, int targetDir) {
  const sample::Bytes bytes = sample::BuildMvw(g);
  EXPECT_GE(graph.OpenFromMemory(bytes.data(), bytes.size()), 0);
  Path path;
  const bool found = graph.FindPath(start, startDir, target, targetDir, &path);
  EXPECT_EQ(found, !path.empty());
  return path;
}

TEST(RouteOracle, AgreesOnRandomGraphs) {
  std::mt19937 rng(20240611);
  TRouteGraph graph;
  int found = 0, dropped = 0;
  for (int i = 0; i < 5000; ++i) {
    const MvwSpec g = RandomGraph(rng, {true, true, false, false});
    const int n = int(g.nodes.size());
    const int start = int(rng() % uint32_t(n)), target = int(rng() % uint32_t(n));
    const int sd = int(rng() & 1), td = int(rng() & 1);
    const Path expected = Oracle(g, start, sd, target, td, kSound);
    const Path path = Search(graph, g, start, sd, target, td);
    ASSERT_EQ(path, expected) << "graph " << i;
    if (!path.empty()) {
      ++found;
      ASSERT_EQ(path.front(), start);
      ASSERT_EQ(path.back(), target);
      ASSERT_TRUE(Legal(g, path, sd, td)) << "graph " << i;
    }
    // The plain rule ignores one-way flags in the trace and may return what the flags forbid.
    if (Oracle(g, start, sd, target, td, kPlain) != expected) ++dropped;
  }
  // Both outcomes must be common for the comparison to mean something.
  EXPECT_GT(found, 1000);
  EXPECT_LT(found, 4900);
  EXPECT_GT(dropped, 0);
}

TEST(RouteOracle, PlainTraceRuleAgreesWithoutFlags) {
  std::mt19937 rng(7);
  TRouteGraph graph;
  for (int i = 0; i < 5000; ++i) {
    const MvwSpec g = RandomGraph(rng, {false, false, false, false});
    const int n = int(g.nodes.size());
    const int start = int(rng() % uint32_t(n)), target = int(rng() % uint32_t(n));
    const int sd = int(rng() & 1), td = int(rng() & 1);
    ASSERT_EQ(Search(graph, g, start, sd, target, td), Oracle(g, start, sd, target, td, kPlain))
        << "graph " << i;
  }
}

TEST(RouteOracle, EqualWeightsGiveBreadthFirstHops) {
  std::mt19937 rng(11);
  TRouteGraph graph;
  int reachable = 0;
  for (int i = 0; i < 5000; ++i) {
    const MvwSpec g = RandomGraph(rng, {false, false, true, true});
    const int n = int(g.nodes.size());
    const int start = int(rng() % uint32_t(n)), target = int(rng() % uint32_t(n));
    const Path path = Search(graph, g, start, 1, target, 1);
    const int hops = BfsDistance(g, start, target);
    ASSERT_EQ(int(path.size()), hops + 1) << "graph " << i;
    reachable += hops > 0;
    for (size_t k = 0; k + 1 < path.size(); ++k) {
      const MvwNode& a = g.nodes[size_t(path[k])];
      bool linked = false;
      for (const auto* list : {&a.out, &a.in}) {
        for (const MvwLink& l : *list) linked |= int(l.node) == path[k + 1];
      }
      ASSERT_TRUE(linked) << "graph " << i << " step " << k;
    }
  }
  EXPECT_GT(reachable, 1000);
}

}  // namespace
