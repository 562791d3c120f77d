// The route over a bound road graph: binding, the assembly of the roads of a path into one
// polyline, failures that keep the old route, and the red line on the screen.
#include "search/route.h"

#include <cmath>

#include "tests/search/search_fixture.h"

namespace {

using searchtest::SearchTest;
using Road = std::vector<std::pair<int32_t, int32_t>>;

class Route : public SearchTest {
 protected:
  // Roads as objects 1.. of "\Vorna\Maps\Roads.mdm", and a graph whose node i is road i + 1,
  // linked along `links` (node pairs).
  void Make(const std::vector<Road>& roads, const std::vector<std::pair<uint32_t, uint32_t>>& links,
            std::vector<int32_t> ids = {}) {
    map = AddRoadMap("\\Vorna\\Maps\\Roads.mdm", roads);
    sample::MvwSpec graph;
    for (size_t i = 0; i < (ids.empty() ? roads.size() : ids.size()); ++i) {
      sample::MvwNode n;
      n.id = ids.empty() ? uint32_t(i + 1) : uint32_t(ids[i]);
      graph.nodes.push_back(n);
    }
    for (auto [a, b] : links) sample::MvwEdge(graph, a, b);
    searchtest::PutFile("\\Graphs\\roads.mvw", sample::BuildMvw(graph));
    route.SetOwner(&g_MapView, nullptr);
    route.Bind("Roads", "\\Graphs\\roads.mvw");
  }
  // Plane point of a map-unit vertex (1-metre units from the frame origin).
  static TRoutePoint Plane(int32_t x, int32_t y) { return {kOriginX + x, kOriginY + y}; }
  int Compute(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const TRoutePoint a = Plane(x1, y1), b = Plane(x2, y2);
    return route.Compute(a.x, a.y, b.x, b.y, 0);
  }
  void ExpectRoute(const std::vector<std::pair<int32_t, int32_t>>& expected) {
    ASSERT_EQ(route.Points().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const TRoutePoint p = Plane(expected[i].first, expected[i].second);
      EXPECT_DOUBLE_EQ(route.Points()[i].x, p.x) << i;
      EXPECT_DOUBLE_EQ(route.Points()[i].y, p.y) << i;
    }
  }

  TRoute route;
  int map = -1;
};

TEST_F(Route, RoadsMeetingEndToEndJoinWithoutTheSharedVertex) {
  Make({{{0, 0}, {1000, 0}}, {{1000, 0}, {1000, 800}, {2000, 800}}}, {{0, 1}});
  EXPECT_EQ(route.IsBound(), 1);
  ASSERT_EQ(Compute(10, 20, 1900, 790), 1);
  ExpectRoute({{0, 0}, {1000, 0}, {1000, 800}, {2000, 800}});
  // From the other end the first road is the second one, run towards the junction.
  ASSERT_EQ(Compute(1900, 790, 10, 20), 1);
  ExpectRoute({{2000, 800}, {1000, 800}, {1000, 0}, {0, 0}});
}

TEST_F(Route, FirstRoadStartingAtTheJunctionRunsFromItsFarEnd) {
  Make({{{1000, 0}, {0, 0}}, {{1000, 0}, {2000, 0}}, {{2000, 0}, {2000, 900}}}, {{0, 1}, {1, 2}});
  ASSERT_EQ(Compute(50, 10, 1990, 850), 1);
  ExpectRoute({{0, 0}, {1000, 0}, {2000, 0}, {2000, 900}});
}

TEST_F(Route, OrientationByNearestEndsNotBySharedFirstCoordinate) {
  // The first road's first vertex shares X with the second road's start but lies 1000 away: a
  // comparison of X alone would run the first road backwards.
  Make({{{1000, 2000}, {1000, 1000}}, {{1000, 1000}, {2000, 1000}}}, {{0, 1}});
  ASSERT_EQ(Compute(1000, 1900, 1900, 1010), 1);
  ExpectRoute({{1000, 2000}, {1000, 1000}, {2000, 1000}});
}

TEST_F(Route, LaterRoadStoredFromItsFarEndRunsFromTheJoin) {
  // The second road's far end shares X with the join: it is still run from the join outward.
  Make({{{0, 0}, {1000, 0}}, {{1000, 800}, {500, 400}, {1000, 0}}}, {{0, 1}});
  ASSERT_EQ(Compute(10, 10, 1000, 790), 1);
  ExpectRoute({{0, 0}, {1000, 0}, {500, 400}, {1000, 800}});
}

TEST_F(Route, UnsnappedJunctionKeepsEveryVertex) {
  Make({{{0, 0}, {1000, 0}}, {{1003, 2}, {2000, 0}}}, {{0, 1}});
  ASSERT_EQ(Compute(10, 10, 1990, 10), 1);
  ExpectRoute({{0, 0}, {1000, 0}, {1003, 2}, {2000, 0}});
}

TEST_F(Route, BothPointsOnOneRoadGiveThatRoad) {
  Make({{{0, 0}, {500, 0}, {1000, 0}}, {{1000, 0}, {2000, 0}}}, {{0, 1}});
  ASSERT_EQ(Compute(100, 10, 900, 10), 1);
  ExpectRoute({{0, 0}, {500, 0}, {1000, 0}});
}

TEST_F(Route, RoadsWithoutVerticesAndIdsNamingNoObjectAddNothing) {
  // Node 1 is an object without vertices, node 2 names object 65535 (none), node 3 names
  // object 40 (past the map): the route is the two real roads.
  Make({{{0, 0}, {1000, 0}}, {}, {{1000, 0}, {2000, 0}}}, {{0, 1}, {1, 2}, {2, 3}, {3, 4}},
       {1, 2, 65535, 40, 3});
  ASSERT_EQ(Compute(10, 10, 1990, 10), 1);
  ExpectRoute({{0, 0}, {1000, 0}, {2000, 0}});
}

TEST_F(Route, LongRoadsDoNotOverflowTheRoute) {
  std::vector<Road> roads(3);
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 10000; ++k) roads[size_t(r)].push_back({r * 20000 + 2 * k, k % 2 ? 30 : 0});
  // Joined end to start: road r ends at (r * 20000 + 19998, 30); the next starts 2 further on.
  Make(roads, {{0, 1}, {1, 2}});
  ASSERT_EQ(Compute(5, 5, 40005, 5), 1);
  ASSERT_EQ(route.Points().size(), 30000u);
  EXPECT_DOUBLE_EQ(route.Points().back().x, kOriginX + 2 * 20000 + 19998);
}

TEST_F(Route, FailuresKeepTheRouteLaidBefore) {
  Make({{{0, 0}, {1000, 0}}, {{1000, 0}, {2000, 0}}, {{50000, 0}, {51000, 0}}}, {{0, 1}});
  ASSERT_EQ(Compute(10, 10, 1990, 10), 1);
  const auto before = route.Points();
  EXPECT_EQ(Compute(10, 10, 30000, 30000), 0) << "no road within 10000 units of the end";
  EXPECT_EQ(Compute(10, 10, 50500, 10), 0) << "no path to an unlinked road";
  EXPECT_EQ(route.Points().size(), before.size());
  // A damaged graph: empty, nothing found.
  searchtest::PutFile("\\Graphs\\bad.mvw", sample::Bytes{'M', 'V', 'W', 1, 0});
  route.Bind("Roads", "\\Graphs\\bad.mvw");
  EXPECT_EQ(route.Graph().NodeCount(), 0u);
  EXPECT_EQ(Compute(10, 10, 1990, 10), 0);
  EXPECT_EQ(route.Points().size(), before.size());
  route.Clear();
  EXPECT_TRUE(route.Points().empty());
}

TEST_F(Route, BindingFindsTheMapWithoutCaseFolderOrExtensionAndKeepsItsGeometry) {
  Make({{{0, 0}, {1000, 0}}}, {});
  TMdmMap* m = g_MapView.GetVectorMap(map);
  EXPECT_EQ(m->working, 1u);
  EXPECT_EQ(m->loadAll, 1u);
  EXPECT_EQ(g_MapView.IsWorkingMap(map), 0) << "the road map is no working map";
  EXPECT_GT(m->objects[1].vertexCount, 0);
  route.Bind("rOADs", "\\Graphs\\roads.mvw");
  EXPECT_EQ(route.IsBound(), 1);
  route.Bind("Streets", "\\Graphs\\roads.mvw");
  EXPECT_EQ(route.IsBound(), 0);
  EXPECT_EQ(Compute(10, 10, 900, 10), 0);

  // A route that was never bound computes nothing.
  TRoute fresh;
  EXPECT_EQ(fresh.Compute(kOriginX, kOriginY, kOriginX + 1, kOriginY, 0), 0);
  fresh.SetOwner(&g_MapView, nullptr);
  EXPECT_EQ(fresh.Compute(kOriginX, kOriginY, kOriginX + 1, kOriginY, 0), 0);
}

// The project opened again between the bind and the taps makes its maps anew: the route finds
// its road map by name again, and that map keeps all its geometry, so roads far out of view
// are found and the route laid.
TEST_F(Route, TheBindFollowsItsRoadMapThroughAProjectOpenedAgain) {
  std::vector<Road> roads;
  for (int r = 0; r < 6; ++r) roads.push_back({{r * 10000, 0}, {(r + 1) * 10000, 0}});
  std::vector<std::pair<uint32_t, uint32_t>> links;
  for (uint32_t r = 0; r + 1 < 6; ++r) links.push_back({r, r + 1});
  Make(roads, links);
  const std::string text = "6000000.0\t7000000.0\n6100000.0\t7100000.0\n0\t0\t\\Vorna\\Maps\\Roads.mdm";
  searchtest::PutFile("\\Vorna\\Maps\\Roads.mpj", sample::Bytes(text.begin(), text.end()));
  ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Roads.mpj", nullptr, 0), 0);
  ViewAt(kOriginX + 500, kOriginY + 10, 2000);  // the first road in view, the rest far off
  ASSERT_EQ(route.IsBound(), 1);
  ASSERT_EQ(Compute(500, 10, 55000, 10), 1);
  EXPECT_EQ(route.Points().size(), 7u);
  const TMdmMap* m = g_MapView.FindVectorMapByPath("Roads");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->loadAll, 1u);
  EXPECT_EQ(g_MapView.IsWorkingMap(g_MapView.FindVectorMapIndex("\\Vorna\\Maps\\Roads.mdm")), 0);
  EXPECT_GT(m->objects[6].vertexCount, 0) << "the far road's geometry is kept";
  // A project without that map: the route is no longer bound, and says why.
  const std::string bare = "6000000.0\t7000000.0\n6100000.0\t7100000.0";
  searchtest::PutFile("\\Vorna\\Maps\\Bare.mpj", sample::Bytes(bare.begin(), bare.end()));
  ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Bare.mpj", nullptr, 0), 0);
  EXPECT_EQ(route.IsBound(), 0);
  EXPECT_EQ(Compute(500, 10, 55000, 10), 0);
  EXPECT_EQ(route.LastFailure(), TRouteFailure::kNoRoadMap);
  // Its map back: bound again.
  ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Roads.mpj", nullptr, 0), 0);
  EXPECT_EQ(route.IsBound(), 1);
  EXPECT_EQ(Compute(55000, 10, 500, 10), 1);
}

// Without a graph, or with one that names no map of the project, the bind and the taps say so.
TEST_F(Route, NoGraphOrAGraphOfNoProjectMapIsTold) {
  LoadLanguage();
  TRoute fresh;
  fresh.SetOwner(&g_MapView, nullptr);
  int32_t node = -1;
  EXPECT_EQ(fresh.FindRoadNode(kOriginX, kOriginY, -1, &node), TRouteFailure::kNoGraph);
  EXPECT_EQ(fresh.FailureText(TRouteFailure::kNoGraph), L"Граф дорог не открыт.");
  EXPECT_EQ(fresh.IsBound(), 0);

  Make({{{0, 0}, {1000, 0}}, {{1000, 0}, {2000, 0}}}, {{0, 1}});
  harness::ClearMessageBoxes();
  EXPECT_EQ(route.Bind("Lanes", "\\Graphs\\roads.mvw"), 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Граф дорог Lanes не относится ни к одной карте проекта.");
  EXPECT_EQ(route.IsBound(), 0);
  EXPECT_EQ(route.FindRoadNode(kOriginX + 10, kOriginY + 10, -1, &node), TRouteFailure::kNoRoadMap);
  EXPECT_EQ(route.FailureText(TRouteFailure::kNoRoadMap), harness::MessageBoxes()[0].text);
  EXPECT_EQ(Compute(10, 10, 1990, 10), 0);
  // A map of its name opened later: bound, the route laid.
  AddRoadMap("\\Vorna\\Maps\\Lanes.mdm", {{{0, 0}, {1000, 0}}, {{1000, 0}, {2000, 0}}});
  EXPECT_EQ(route.IsBound(), 1);
  EXPECT_EQ(Compute(10, 10, 1990, 10), 1);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
}

TEST_F(Route, TheWorkingMapStaysTheWorkingMapWhenBound) {
  Make({{{0, 0}, {1000, 0}}}, {});
  TMdmMap* m = g_MapView.GetVectorMap(map);
  m->working = 1;
  m->loadAll = 0;
  route.Bind("Roads", "\\Graphs\\roads.mvw");
  EXPECT_EQ(m->loadAll, 0u);
  EXPECT_EQ(g_MapView.IsWorkingMap(map), 1);
}

TEST_F(Route, DrawsARedLineThreePixelsWideInsideTheViewOnly) {
  Make({{{0, 0}, {400, 0}}, {{400, 0}, {400, 400}}}, {{0, 1}});
  ASSERT_EQ(Compute(10, 10, 390, 390), 1);
  ViewAt(kOriginX + 300, kOriginY + 100, 5000);  // 0.8 px a metre
  const RECT view = {0, 0, 240, 150};
  HDC dc = GetDC(host.main);
  RECT all{0, 0, 240, 320};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  route.Draw(view, dc);
  ReleaseDC(host.main, dc);
  int red = 0, outside = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x)
      if (harness::ScreenPixel(x, y) == RGB(255, 0, 0)) {
        red++;
        if (y >= view.bottom) outside++;
      }
  EXPECT_EQ(outside, 0);
  // The first road runs up the screen (X is north) at x 40 from y 387 to 67, the second east
  // along y 67: only what lies above y 150 is inside the view.
  int32_t sx, sy;
  g_MapView.PlaneToScreen(kOriginX + 350, kOriginY, &sx, &sy, 1);
  ASSERT_LT(sy, view.bottom);
  EXPECT_EQ(harness::ScreenPixel(sx, sy), RGB(255, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(sx - 1, sy), RGB(255, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(sx + 1, sy), RGB(255, 0, 0));
  EXPECT_NE(harness::ScreenPixel(sx + 3, sy), RGB(255, 0, 0));
  EXPECT_GT(red, 3 * 100);
}

}  // namespace

namespace {

TEST_F(Route, TheRouteDialogComputesNothingAndClosesOnItsThreeIds) {
  for (int button : {1, 3, IDCANCEL}) {
    int controls = 0;
    harness::OnDialog(152, [&](HWND dialog) {
      for (int id : {2095, 2083, 2096, 2085, 2090}) controls += GetDlgItem(dialog, id) != nullptr;
      // The other controls do nothing: the dialog stays open after them.
      SendMessageW(dialog, WM_COMMAND, 2090, 0);
      SendMessageW(dialog, WM_COMMAND, 2083, 0);
      EXPECT_TRUE(IsWindow(dialog));
      PostMessageW(dialog, WM_COMMAND, WPARAM(button), 0);
    });
    EXPECT_EQ(RunRouteDialog(), button);
    EXPECT_EQ(controls, 5);
  }
  EXPECT_TRUE(g_Route.Points().empty());
}

}  // namespace
