#include <gtest/gtest.h>

#include <vector>

#include "search/route_graph.h"
#include "tests/search/search_files.h"
#include "tools/sampledata/mvw_writer.h"

namespace {

using sample::Bytes;
using sample::MvwSpec;
using searchtest::DeviceTest;
using searchtest::PutFile;
using Path = std::vector<int32_t>;

int64_t Load(TRouteGraph& g, const MvwSpec& plan) {
  const Bytes b = sample::BuildMvw(plan);
  return g.OpenFromMemory(b.data(), b.size());
}

MvwSpec Nodes(std::vector<int16_t> costs) {
  MvwSpec plan;
  for (size_t i = 0; i < costs.size(); ++i) {
    sample::MvwNode node;
    node.cost = costs[i];
    node.id = uint32_t(100 + i);
    plan.nodes.push_back(node);
  }
  return plan;
}

class RouteFile : public DeviceTest {};

TEST_F(RouteFile, ReadsRecordsFromTheLastNodeDown) {
  // Node 1's record as the layout describes it, then node 0 (no links).
  const Bytes file = {'M', 'V', 'W', 1, 0, 0, 0, 7, 0, 0, 0, 9,
                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                      0, 0, 0, 2,
                      0x00, 0x05, 0x00, 0x00, 0x00, 0x2A, 0x02, 0x00, 0x10, 0x00, 0x00, 0x01, 0x01,
                      0xFF, 0xFF, 0x00, 0x00, 0x00, 0x07, 0x01, 0x80, 0x00};
  MvwSpec plan = Nodes({-1, 5});
  plan.header1 = 7;
  plan.header2 = 9;
  plan.nodes[0].id = 7;
  plan.nodes[0].flags = 0x80;
  plan.nodes[1].id = 42;
  plan.nodes[1].factor = 2;
  plan.nodes[1].out = {{1, 1}};
  EXPECT_EQ(sample::BuildMvw(plan), file);  // the writer follows the layout byte for byte

  PutFile("\\Maps\\Roads.mvw", file);
  TRouteGraph g;
  EXPECT_EQ(g.Open("\\Maps\\Roads.mvw"), 22);  // bytes of node records
  ASSERT_EQ(g.NodeCount(), 2u);
  EXPECT_EQ(g.HeaderValue1(), 7u);
  EXPECT_EQ(g.HeaderValue2(), 9u);
  EXPECT_EQ(g.Cost(1), 5);
  EXPECT_EQ(g.GetNodeId(1), 42);
  EXPECT_EQ(g.Factor(1), 2);
  ASSERT_EQ(g.OutLinks(1).size(), 1u);
  EXPECT_EQ(g.OutLinks(1)[0].node, 1u);
  EXPECT_EQ(g.OutLinks(1)[0].state, 1);
  EXPECT_TRUE(g.InLinks(1).empty());
  EXPECT_EQ(g.Cost(0), -1);  // 0xFFFF
  EXPECT_TRUE(g.FlagA(0));
  EXPECT_FALSE(g.FlagB(0));
  EXPECT_EQ(g.GetNodeId(0), 7);
  EXPECT_EQ(g.GetNodeId(2), -1);
  EXPECT_EQ(g.GetNodeId(-1), -1);
}

TEST_F(RouteFile, AscendingRecordsLoadReversedAndIdsSearchDownward) {
  MvwSpec plan = Nodes({1, 2, 3, 4});
  plan.nodes[0].id = plan.nodes[2].id = 55;
  plan.nodes[3].flags = 0x3F;  // bits other than 7 and 6 mean nothing
  plan.ascending = true;
  TRouteGraph g;
  ASSERT_EQ(Load(g, plan), 36);
  EXPECT_EQ(g.Cost(0), 4);
  EXPECT_EQ(g.Cost(3), 1);
  EXPECT_FALSE(g.FlagA(0));
  EXPECT_FALSE(g.FlagB(0));
  EXPECT_EQ(g.FindNode(55), 3);  // file order 55,101,55,103 reversed: the highest index wins
  EXPECT_EQ(g.FindNode(101), 2);
  EXPECT_EQ(g.FindNode(999), -1);
}

TEST_F(RouteFile, BadFilesGiveCodesAndAnEmptyGraph) {
  TRouteGraph g;
  MvwSpec plan = Nodes({1, 1, 1});
  sample::MvwEdge(plan, 0, 1);
  sample::MvwEdge(plan, 1, 2);
  const Bytes good = sample::BuildMvw(plan);
  auto code = [&](const Bytes& b) {
    EXPECT_GT(Load(g, plan), 4);  // loaded before, so a failure must empty it
    PutFile("\\Maps\\R.mvw", b);
    const int64_t r = g.Open("\\Maps\\R.mvw");
    if (r >= 1 && r <= 4) {
      EXPECT_EQ(g.NodeCount(), 0u);
    }
    return r;
  };
  EXPECT_EQ(g.Open("\\Maps\\None.mvw"), kRouteNotOpened);
  EXPECT_EQ(g.Open(nullptr), kRouteNotOpened);
  for (size_t i = 0; i < 3; ++i) {
    Bytes bad = good;
    bad[i] ^= 0x20;  // "mVW", "MvW", "MVw"
    EXPECT_EQ(code(bad), kRouteBadMagic) << i;
  }
  EXPECT_EQ(code({'M', 'V'}), kRouteBadMagic);
  EXPECT_EQ(code({'M', 'V', 'W'}), kRouteDamaged);
  Bytes v2 = good;
  v2[3] = 2;
  EXPECT_EQ(code(v2), kRouteBadVersion);
  // Every cut of a valid file is damaged, never a crash or a partial graph.
  for (size_t cut = 4; cut < good.size(); ++cut) {
    EXPECT_EQ(code(Bytes(good.begin(), good.begin() + long(cut))), kRouteDamaged) << cut;
  }
  // N beyond the file: each record takes at least 9 bytes.
  Bytes many = good;
  many[28] = 0x10;
  EXPECT_EQ(code(many), kRouteDamaged);
  many[28] = 0xFF;
  many[29] = many[30] = many[31] = 0xFF;
  EXPECT_EQ(code(many), kRouteDamaged);

  // An empty graph is a success of 0 bytes; trailing bytes are not node data.
  EXPECT_EQ(code(sample::BuildMvw(MvwSpec{})), 0);
  Path path;
  EXPECT_FALSE(g.FindPath(0, 1, 0, 1, &path));  // no nodes
  Bytes trailing = good;
  trailing.push_back(0);
  EXPECT_EQ(code(trailing), int64_t(good.size() - 32));
}

class RouteSearch : public ::testing::Test {
 protected:
  Path Find(const MvwSpec& plan, int32_t start, int32_t target, int startDir = 1,
            int targetDir = 1) {
    EXPECT_GE(Load(g, plan), 0);
    Path path = {-7};
    const bool found = g.FindPath(start, startDir, target, targetDir, &path);
    EXPECT_EQ(found, !path.empty());
    return path;
  }
  TRouteGraph g;
};

TEST_F(RouteSearch, StartTargetAndUnreachable) {
  MvwSpec plan = Nodes({1, 1, 1, 1});
  sample::MvwEdge(plan, 0, 1);
  sample::MvwEdge(plan, 2, 3);
  EXPECT_EQ(Find(plan, 2, 2), (Path{2}));
  EXPECT_EQ(Find(plan, 0, 1), (Path{0, 1}));
  EXPECT_EQ(Find(plan, 0, 3), Path{});
  EXPECT_EQ(Find(plan, 0, 4), Path{});
  EXPECT_EQ(Find(plan, -1, 0), Path{});
}

TEST_F(RouteSearch, LinksPastTheGraphAndSelfLinksAreNotFollowed) {
  MvwSpec plan = Nodes({1, 1, 1});
  plan.nodes[0].out = {{0, 1}, {77, 1}, {1, 1}};
  plan.nodes[1].out = {{1, 128}, {2, 1}};
  plan.nodes[2].out = {{2, 1}, {2, 128}, {500, 1}};
  EXPECT_EQ(Find(plan, 0, 2), (Path{0, 1, 2}));
  EXPECT_EQ(Find(plan, 2, 0), Path{});
}

TEST_F(RouteSearch, TargetDirectionWithoutItsOneWayFlagTakesAnyState) {
  MvwSpec plan = Nodes({1, 1});
  plan.nodes[0].out = {{1, 7}};  // arrives in a state that means nothing
  EXPECT_EQ(Find(plan, 0, 1, 1, 1), (Path{0, 1}));
  plan.nodes[1].flags = 0x40;  // B: the target must now arrive in state 1
  EXPECT_EQ(Find(plan, 0, 1, 1, 1), Path{});
  plan.nodes[0].out = {{1, 1}};
  EXPECT_EQ(Find(plan, 0, 1, 1, 1), (Path{0, 1}));
  // Direction clear asks for state 128 when A is set.
  plan.nodes[1].flags = 0x80;
  EXPECT_EQ(Find(plan, 0, 1, 1, 0), Path{});
  plan.nodes[1].flags = 0x40;
  EXPECT_EQ(Find(plan, 0, 1, 1, 0), (Path{0, 1}));
}

TEST_F(RouteSearch, WavesNotWeights) {
  // The first arrival's trace takes the cheapest road at each wave going back, so a costly road
  // early in the path is kept when another path of the same length is cheaper overall.
  MvwSpec a = Nodes({1, 100, 1, 1, 2, 1});
  for (auto [x, y] : {std::pair{0, 1}, {1, 2}, {2, 5}, {0, 3}, {3, 4}, {4, 5}}) {
    sample::MvwEdge(a, uint32_t(x), uint32_t(y));
  }
  EXPECT_EQ(Find(a, 0, 5), (Path{0, 1, 2, 5}));

  MvwSpec b = Nodes({1, 100, 1, 1, 1, 1});
  for (auto [x, y] : {std::pair{0, 1}, {1, 2}, {2, 3}, {0, 4}, {4, 5}, {5, 2}}) {
    sample::MvwEdge(b, uint32_t(x), uint32_t(y));
  }
  EXPECT_EQ(Find(b, 0, 3), (Path{0, 1, 2, 3}));

  // A longer path replaces the first only when its weighted sum is smaller.
  MvwSpec c = Nodes({1, 100, 1, 1, 1});
  for (auto [x, y] : {std::pair{0, 1}, {1, 2}, {0, 3}, {3, 4}, {4, 2}}) {
    sample::MvwEdge(c, uint32_t(x), uint32_t(y));
  }
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 3, 4, 2}));
  c.nodes[3].cost = 200;
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 1, 2}));
  // A sum of 0 never replaces nor is replaced.
  c.nodes[3].cost = 1;
  c.nodes[3].factor = 0;
  c.nodes[4].cost = 0;
  c.nodes[0].cost = 0;
  c.nodes[2].cost = 0;
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 1, 2}));
  c.nodes[1].cost = 0;
  c.nodes[3].factor = 1;
  c.nodes[3].cost = -5;
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 1, 2}));  // first sum 0: kept
}

TEST_F(RouteSearch, TraceFollowsOneWayRules) {
  // Node 1 (B) walks only its incoming links in state 1, so the arrival at 3 came through 2,
  // although 1 is cheaper and lists 3.
  MvwSpec plan = Nodes({1, 1, 5, 1});
  plan.nodes[1].flags = 0x40;
  plan.nodes[0].out = {{1, 1}, {2, 1}};
  plan.nodes[1].out = {{3, 1}};
  plan.nodes[1].in = {{0, 1}};
  plan.nodes[2].out = {{3, 1}};
  EXPECT_EQ(Find(plan, 0, 3), (Path{0, 2, 3}));

  // The target reached in the wrong state is walked on; the later arrival in the right state
  // has no road behind it at the wave before and is dropped.
  MvwSpec wrong = Nodes({1, 1, 1});
  wrong.nodes[1].flags = 0x40;
  wrong.nodes[0].out = {{1, 128}};
  wrong.nodes[1].in = {{2, 1}};
  wrong.nodes[2].out = {{1, 1}};
  EXPECT_EQ(Find(wrong, 0, 1), Path{});
  // A target that links to itself in the wrong state does not re-arm itself forever.
  wrong.nodes[1].in.clear();
  wrong.nodes[1].out = {{1, 128}};
  EXPECT_EQ(Find(wrong, 0, 1), Path{});
}

TEST_F(RouteSearch, WeightedSumsDoNotOverflow) {
  // A 300-road chain of cost 32767 x 255 (about 2.5e9 in all, past 32 bits) is found first;
  // a 310-road chain of cost 1 must replace it.
  const int shortLength = 300, longLength = 310;
  MvwSpec plan;
  plan.nodes.resize(size_t(shortLength + longLength - 2));
  auto node = [&](int chain, int k) -> uint32_t {  // k-th road of a chain, ends shared
    if (k == 0) return 0;
    if (chain == 0 ? k == shortLength - 1 : k == longLength - 1) return 1;
    return chain == 0 ? uint32_t(1 + k) : uint32_t(shortLength + k - 1);
  };
  for (int chain = 0; chain < 2; ++chain) {
    const int length = chain == 0 ? shortLength : longLength;
    for (int k = 0; k < length; ++k) {
      sample::MvwNode& n = plan.nodes[node(chain, k)];
      if (chain == 0 && k > 0 && k < length - 1) {
        n.cost = 32767;
        n.factor = 255;
      }
      if (k + 1 < length) sample::MvwEdge(plan, node(chain, k), node(chain, k + 1));
    }
  }
  const Path path = Find(plan, 0, 1);
  EXPECT_EQ(path.size(), size_t(longLength));
}

TEST_F(RouteSearch, SearchesRepeatOnOneGraph) {
  // Marks of one search must not leak into the next.
  const MvwSpec grid = sample::RoadGridMvw(12, 12, 3, 10, 10);
  ASSERT_GT(Load(g, grid), 4);
  std::vector<Path> first;
  for (int32_t s = 0; s < 40; ++s) {
    Path p;
    g.FindPath(s, s & 1, 200 - s, s & 2, &p);
    first.push_back(p);
  }
  for (int32_t s = 39; s >= 0; --s) {
    Path p;
    g.FindPath(s, s & 1, 200 - s, s & 2, &p);
    EXPECT_EQ(p, first[size_t(s)]) << s;
  }
  EXPECT_FALSE(first[5].empty());
}

}  // namespace
