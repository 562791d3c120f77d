#include <gtest/gtest.h>

#include <filesystem>
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

TEST_F(RouteFile, OtherFilesAreRefusedFromTheirHeader) {
  // Large sparse files (no room taken on the disk): one of another kind, one in a later version,
  // one whose node count does not fit its length. Each is refused from its first 32 bytes.
  TRouteGraph g;
  Bytes head = sample::BuildMvw(MvwSpec{});
  auto refuse = [&](const Bytes& b) {
    PutFile("\\Maps\\Big.mvw", b);
    std::filesystem::resize_file(harness::HostPath(L"\\Maps\\Big.mvw"), uintmax_t(512) << 20);
    return g.Open("\\Maps\\Big.mvw");
  };
  EXPECT_EQ(refuse({'P', 'K', 3, 4}), kRouteBadMagic);
  head[3] = 2;
  EXPECT_EQ(refuse(head), kRouteBadVersion);
  head[3] = 1;
  head[28] = head[29] = head[30] = head[31] = 0xFF;
  EXPECT_EQ(refuse(head), kRouteDamaged);
  EXPECT_EQ(g.NodeCount(), 0u);
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

TEST_F(RouteSearch, EachWaveIsTracedAndTheCheapestTraceWins) {
  // A wave's trace takes the cheapest road at each wave going back, so a costly road early in
  // the path is kept when another path of the same length is cheaper overall.
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

  // A later wave's trace with more roads replaces the first when its sum of cost x factor is
  // smaller: 0-1-2 weighs 102, 0-3-4-2 weighs 4.
  MvwSpec c = Nodes({1, 100, 1, 1, 1});
  for (auto [x, y] : {std::pair{0, 1}, {1, 2}, {0, 3}, {3, 4}, {4, 2}}) {
    sample::MvwEdge(c, uint32_t(x), uint32_t(y));
  }
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 3, 4, 2}));
  c.nodes[3].factor = 50;  // 0-3-4-2 now weighs 53: still cheaper
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 3, 4, 2}));
  c.nodes[3].factor = 255;  // 258: the first stays
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 1, 2}));
  // A sum of 0 on either side replaces nothing, however small the other.
  c.nodes[3].factor = 1;
  c.nodes[3].cost = -1;
  c.nodes[4].cost = -1;
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 1, 2}));  // 1 - 1 - 1 + 1 = 0
  c.nodes[0].cost = c.nodes[1].cost = c.nodes[2].cost = 0;  // the first weighs 0, the later -2
  EXPECT_EQ(Find(c, 0, 2), (Path{0, 1, 2}));
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

  // The target reached in the wrong state is a road like any other: the way round through 2
  // brings it back in the right state.
  MvwSpec wrong = Nodes({1, 1, 1});
  wrong.nodes[1].flags = 0x40;
  wrong.nodes[0].out = {{1, 128}};
  wrong.nodes[1].in = {{2, 1}};
  wrong.nodes[2].out = {{1, 1}};
  EXPECT_EQ(Find(wrong, 0, 1), (Path{0, 1, 2, 1}));
  // A target that links to itself in the wrong state does not re-arm itself forever.
  wrong.nodes[1].in.clear();
  wrong.nodes[1].out = {{1, 128}};
  EXPECT_EQ(Find(wrong, 0, 1), Path{});
}

TEST_F(RouteSearch, AnArrivalInTheWantedStateIsNotUndoneByALaterLink) {
  // Road 1 reaches the target (B: wanted state 1) through its first link; its second link
  // arrives in state 128 in the same wave.
  MvwSpec plan = Nodes({1, 1, 1});
  plan.nodes[2].flags = 0x40;
  plan.nodes[0].out = {{1, 1}};
  plan.nodes[1].out = {{2, 1}, {2, 128}};
  EXPECT_EQ(Find(plan, 0, 2), (Path{0, 1, 2}));
  // The same from two roads, the one holding the good link cheaper or dearer.
  MvwSpec two = Nodes({1, 1, 1, 1});
  two.nodes[3].flags = 0x40;
  two.nodes[0].out = {{1, 1}, {2, 1}};
  two.nodes[1].out = {{3, 128}};
  two.nodes[2].out = {{3, 1}};
  EXPECT_EQ(Find(two, 0, 3), (Path{0, 2, 3}));
  two.nodes[1].out = {{3, 1}};
  two.nodes[2].out = {{3, 128}};
  EXPECT_EQ(Find(two, 0, 3), (Path{0, 1, 3}));
}

TEST_F(RouteSearch, ALinkInAnotherStateMarksNothing) {
  // 0 reaches 1 in state 7 (which walks nowhere) and 2 in state 1; 2 then reaches 1 in state 1.
  MvwSpec plan = Nodes({1, 1, 1, 1});
  plan.nodes[0].out = {{1, 7}, {2, 1}};
  plan.nodes[2].out = {{1, 1}};
  plan.nodes[1].out = {{3, 1}};
  EXPECT_EQ(Find(plan, 0, 3), (Path{0, 2, 1, 3}));
  plan.nodes[2].out = {{1, 0}};  // no other way: nothing to find
  EXPECT_EQ(Find(plan, 0, 3), Path{});
}

TEST_F(RouteSearch, AOneWayRoadReachedInTheBlockedStateIsTriedInTheOther) {
  // Road 1 (A: state 128 walks only the outgoing links, which lead nowhere) is reached first in
  // 128, then through 2 in state 1, which walks its incoming links to the target.
  MvwSpec plan = Nodes({1, 1, 1, 1});
  plan.nodes[1].flags = 0x80;
  plan.nodes[0].out = {{1, 128}, {2, 1}};
  plan.nodes[2].out = {{1, 1}};
  plan.nodes[1].in = {{3, 1}};
  EXPECT_EQ(Find(plan, 0, 3), (Path{0, 2, 1, 3}));
  // Flag B mirrors it: state 1 walks only the incoming list, state 128 both.
  plan.nodes[1].flags = 0x40;
  plan.nodes[0].out = {{1, 1}, {2, 1}};
  plan.nodes[2].out = {{1, 128}};
  plan.nodes[1].in.clear();
  plan.nodes[1].out = {{3, 1}};
  EXPECT_EQ(Find(plan, 0, 3), (Path{0, 2, 1, 3}));
  // The start too: 0 (B) starts in state 1, which walks only its incoming link to 2; 2 leads
  // back to 0 in state 128, which walks the outgoing link to the target.
  MvwSpec back = Nodes({1, 1, 1});
  back.nodes[0].flags = 0x40;
  back.nodes[0].in = {{1, 1}};
  back.nodes[0].out = {{2, 1}};
  back.nodes[1].out = {{0, 128}};
  EXPECT_EQ(Find(back, 0, 2), (Path{0, 1, 0, 2}));
  EXPECT_EQ(Find(back, 0, 2, 0), (Path{0, 2}));  // starting in 128 goes straight on
}

TEST_F(RouteSearch, ManyRoadsLinkingToTheTarget) {
  // A chain of 80,000 roads, each linking to the target in the wrong state but the last.
  const uint32_t chain = 80000, target = chain;
  MvwSpec plan;
  plan.nodes.resize(chain + 1);
  plan.nodes[target].flags = 0x40;
  for (uint32_t k = 0; k < chain; ++k) {
    if (k + 1 < chain) sample::MvwEdge(plan, k, k + 1);
    plan.nodes[k].out.push_back({target, uint8_t(k + 1 < chain ? 128 : 1)});
  }
  Path path = Find(plan, 0, int32_t(target));
  ASSERT_EQ(path.size(), size_t(chain) + 1);
  for (uint32_t k = 0; k < chain; ++k) ASSERT_EQ(path[k], int32_t(k));
  EXPECT_EQ(path.back(), int32_t(target));
  // Without B every road arrives as wanted: one link.
  plan.nodes[target].flags = 0;
  EXPECT_EQ(Find(plan, 5, int32_t(target)), (Path{5, int32_t(target)}));
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
