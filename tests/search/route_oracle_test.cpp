// The route search against two descriptions written apart from it, from the rules:
// - Reachable: a plain breadth-first search over (road, state) pairs, which says whether a
//   route exists and how many links the shortest takes;
// - Oracle: the wave search transcribed plainly, every pair scanned in every wave until the
//   waves die out, each arriving wave traced by scanning all roads from index 0 up, and the
//   cheapest trace kept by the replacement rule: the exact path chosen.
// Neither shares code with the search; both read the graph from the test's own description.
// The rules: a road walks, in state 1, its incoming links only when flag B is set, else both
// lists; in state 128 its outgoing links only when flag A is set, else both; in other states
// nothing. A link to the road itself or past the graph is never followed. The target counts as
// reached by a link in the wanted state, or in any state when its flag for the wanted
// direction is clear.
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <map>
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

bool FlagA(const MvwNode& n) { return n.flags & 0x80; }
bool FlagB(const MvwNode& n) { return n.flags & 0x40; }

// Lists walked in a state: bit 0 the outgoing, bit 1 the incoming list.
int Walks(const MvwNode& n, int state) {
  if (state == 1) return FlagB(n) ? 2 : 3;
  if (state == 128) return FlagA(n) ? 1 : 3;
  return 0;
}

const std::vector<MvwLink>& List(const MvwNode& n, int bit) { return bit == 1 ? n.out : n.in; }

int Wanted(const MvwNode& t, int targetDir) {
  if (targetDir) return FlagB(t) ? 1 : 0;
  return FlagA(t) ? 128 : 0;
}

bool Counts(int wanted, int state) { return wanted == 0 || state == wanted; }

// Links on the fewest-links route, -1 when there is none.
int Reachable(const MvwSpec& g, int start, int startDir, int target, int targetDir) {
  if (start == target) return 0;
  const int n = int(g.nodes.size());
  const int d = Wanted(g.nodes[size_t(target)], targetDir);
  std::map<std::pair<int, int>, int> dist;
  std::deque<std::pair<int, int>> queue;
  queue.push_back({start, startDir ? 1 : 128});
  dist[queue.front()] = 0;
  while (!queue.empty()) {
    const auto [road, state] = queue.front();
    queue.pop_front();
    const MvwNode& node = g.nodes[size_t(road)];
    for (int bit : {1, 2}) {
      if (!(Walks(node, state) & bit)) continue;
      for (const MvwLink& l : List(node, bit)) {
        const int v = int(l.node);
        if (v >= n || v == road) continue;
        if (v == target && Counts(d, l.state)) return dist[{road, state}] + 1;
        if ((l.state == 1 || l.state == 128) && !dist.count({v, l.state})) {
          dist[{v, l.state}] = dist[{road, state}] + 1;
          queue.push_back({v, l.state});
        }
      }
    }
  }
  return -1;
}

// What the rules pick: the first wave's trace, and the cheapest trace of all the waves that
// arrive (a later one replaces the best only when its sum of cost x factor is smaller and
// neither sum is 0).
struct Picked {
  Path first, best;
};

int64_t WeightedSum(const MvwSpec& g, const Path& p) {
  int64_t sum = 0;
  for (int k : p) sum += int64_t(g.nodes[size_t(k)].cost) * g.nodes[size_t(k)].factor;
  return sum;
}

Picked Oracle(const MvwSpec& g, int start, int startDir, int target, int targetDir) {
  const int n = int(g.nodes.size());
  if (start == target) return {{start}, {start}};
  const int d = Wanted(g.nodes[size_t(target)], targetDir);
  // Wave numbers of the pairs, [road][0] for state 1 and [road][1] for 128; -1 not reached.
  std::vector<std::array<int, 2>> wave(size_t(n), {-1, -1});
  auto slot = [](int state) { return state == 128 ? 1 : 0; };
  wave[size_t(start)][size_t(slot(startDir ? 1 : 128))] = 0;
  Picked picked;
  for (int w = 0; w <= 2 * n + 1; ++w) {
    bool any = false, arrival = false;
    std::vector<std::array<int, 2>> next = wave;
    for (int j = 0; j < n; ++j) {
      for (int state : {1, 128}) {
        if (wave[size_t(j)][size_t(slot(state))] != w) continue;
        for (int bit : {1, 2}) {
          if (!(Walks(g.nodes[size_t(j)], state) & bit)) continue;
          for (const MvwLink& l : List(g.nodes[size_t(j)], bit)) {
            const int v = int(l.node);
            if (v >= n || v == j) continue;
            if (v == target && Counts(d, l.state)) {
              arrival = true;  // the target is not walked on from an arrival
              continue;
            }
            if ((l.state == 1 || l.state == 128) && next[size_t(v)][size_t(slot(l.state))] < 0) {
              next[size_t(v)][size_t(slot(l.state))] = w + 1;
              any = true;
            }
          }
        }
      }
    }
    if (arrival) {
      // Back from the target: at each wave the cheapest road (then the lowest index, then state
      // 1) of that wave holding, in a list it walks, a link to the last road in the state it
      // needs.
      Path trace = {target};
      int last = target, need = d;
      for (int level = w; level >= 0; --level) {
        int pick = -1, pickState = 0;
        for (int k = 0; k < n; ++k) {
          if (k == last) continue;
          const MvwNode& node = g.nodes[size_t(k)];
          for (int state : {1, 128}) {
            if (wave[size_t(k)][size_t(slot(state))] != level) continue;
            bool leads = false;
            for (int bit : {1, 2}) {
              if (!(Walks(node, state) & bit)) continue;
              for (const MvwLink& l : List(node, bit)) {
                leads |= int(l.node) == last && (need == 0 || l.state == need);
              }
            }
            if (leads && (pick < 0 || node.cost < g.nodes[size_t(pick)].cost)) {
              pick = k;
              pickState = state;
            }
            if (leads) break;
          }
        }
        if (pick < 0) return {{-1}, {-1}};  // cannot happen: every reached pair was reached from one
        trace.push_back(pick);
        last = pick;
        need = pickState;
      }
      const Path path(trace.rbegin(), trace.rend());
      if (picked.first.empty()) {
        picked.first = picked.best = path;
      } else {
        const int64_t sum = WeightedSum(g, path), bestSum = WeightedSum(g, picked.best);
        if (sum < bestSum && sum != 0 && bestSum != 0) picked.best = path;
      }
    }
    wave = next;
    if (!any) break;
  }
  return picked;
}

// True when some choice of states walks the path: the start in its start state, each road
// walking a list that holds the next road with the state it arrives in, the target arriving as
// wanted.
bool Legal(const MvwSpec& g, const Path& p, int startDir, int targetDir) {
  if (p.size() < 2) return true;
  const int d = Wanted(g.nodes[size_t(p.back())], targetDir);
  std::set<int> states = {startDir ? 1 : 128};
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    if (p[i] == p[i + 1]) return false;
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
    // Only states 1 and 128 walk on; the last step may arrive in any state the target takes.
    states.clear();
    for (int s : reach) {
      if (i + 2 == p.size() ? Counts(d, s) : (s == 1 || s == 128)) states.insert(s);
    }
  }
  return !states.empty();
}

struct Shape {
  bool flags;       // random one-way flags and other flag bits
  bool anyStates;   // states other than 1 and 128
  bool onlyState1;  // every link in state 1
  bool equalWeights;
  bool nonNegative = false;  // no cost below 0: the search may stop before the waves die out
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
      if (shape.nonNegative) node.cost = int16_t(node.cost < 0 ? -(node.cost + 1) : node.cost);
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

// Found exactly when a route exists, legal, never with fewer links than the fewest, and the path
// the rules pick; the first trace has the fewest links.
void CheckRandomGraphs(uint32_t seed, const Shape& shape, int minFound, int minReplaced) {
  std::mt19937 rng(seed);
  TRouteGraph graph;
  int found = 0, replaced = 0;
  for (int i = 0; i < 5000; ++i) {
    const MvwSpec g = RandomGraph(rng, shape);
    const int n = int(g.nodes.size());
    const int start = int(rng() % uint32_t(n)), target = int(rng() % uint32_t(n));
    const int sd = int(rng() & 1), td = int(rng() & 1);
    const Path path = Search(graph, g, start, sd, target, td);
    const int links = Reachable(g, start, sd, target, td);
    const Picked picked = Oracle(g, start, sd, target, td);
    ASSERT_EQ(int(picked.first.size()) - 1, links) << "graph " << i;
    ASSERT_EQ(path, picked.best) << "graph " << i;
    if (path.empty()) continue;
    ++found;
    replaced += path != picked.first;
    ASSERT_GE(int(path.size()) - 1, links) << "graph " << i;
    ASSERT_EQ(path.front(), start);
    ASSERT_EQ(path.back(), target);
    ASSERT_TRUE(Legal(g, path, sd, td)) << "graph " << i;
  }
  // Both outcomes, and later traces that win, must be common for the comparison to mean
  // something.
  EXPECT_GT(found, minFound);
  EXPECT_LT(found, 4900);
  EXPECT_GT(replaced, minReplaced);
}

TEST(RouteOracle, FindsEveryRouteOverOneWayRoadsAndOddStates) {
  CheckRandomGraphs(20240611, {true, true, false, false}, 1000, 100);
}

TEST(RouteOracle, FindsEveryRouteWithoutFlags) {
  CheckRandomGraphs(7, {false, false, false, false}, 2000, 200);
}

TEST(RouteOracle, WithoutNegativeWeightsTheEarlyEndPicksTheSamePath) {
  CheckRandomGraphs(31, {true, false, false, false, true}, 1000, 100);
  CheckRandomGraphs(32, {false, false, false, false, true}, 2000, 200);
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

// The demo town's graph (main streets factor 1, the others 2, cost the length in metres, two
// one-way segments): every pair of roads in every pair of directions as the rules pick, and the
// weights at work, since the fewest roads are often the dearer way round a block.
TEST(RouteOracle, DemoTownGraphPicksTheCheapestTrace) {
  const MvwSpec g = sample::DemoRoadGraph();
  const sample::Bytes bytes = sample::BuildMvw(g);
  TRouteGraph graph;
  ASSERT_GT(graph.OpenFromMemory(bytes.data(), bytes.size()), 4);
  const int n = int(g.nodes.size());
  int pairs = 0, cheaper = 0;
  for (int s = 0; s < n; ++s) {
    for (int t = 0; t < n; ++t) {
      for (int dirs = 0; dirs < 4; ++dirs) {
        const int sd = dirs & 1, td = dirs >> 1;
        Path path;
        graph.FindPath(s, sd, t, td, &path);
        const Picked picked = Oracle(g, s, sd, t, td);
        ASSERT_EQ(path, picked.best) << s << " " << t << " " << dirs;
        if (s == t || !sd || !td) continue;
        ++pairs;  // the route's own directions
        EXPECT_FALSE(path.empty()) << s << " " << t;
        cheaper += WeightedSum(g, path) < WeightedSum(g, picked.first);
      }
    }
  }
  EXPECT_EQ(pairs, 1560);
  EXPECT_GT(cheaper, 50);
}

}  // namespace
