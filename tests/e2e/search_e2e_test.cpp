// The address search and the route through the program on the demo device: the search window
// from its menu command down to a house and to an object's details, the road graph chosen in
// the file browser and a route laid by two taps, and the street bar finding a typed house.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "base/input_mode.h"
#include "base/ini_file.h"
#include "base/ui/file_browser.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "search/route.h"
#include "search/search_pages.h"
#include "search/search_window.h"
#include "search/street_search.h"
#include "tests/app/startup_fixture.h"
#include "tests/support/browser_taps.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "view/map_view.h"
#include "view/project_maps_dlg.h"

namespace {

using namespace search_ids;

class SearchE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
  }
  void TearDown() override {
    for (const auto& box : harness::MessageBoxes())
      ADD_FAILURE() << "message box: " << std::string(box.text.begin(), box.text.end());
    if (main) DestroyWindow(main);
    harness::Stop();
  }
  void Command(UINT id) {
    SendMessageW(main, WM_COMMAND, id, 0);
    harness::PumpUntilIdle();
  }
  static void TapControl(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    harness::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    harness::PumpUntilIdle();
  }
  // Drops the list down with the pen and taps the entry with that text.
  static void PickByPen(HWND page, int id, const std::wstring& text) {
    HWND list = GetDlgItem(page, id);
    const LRESULT at = SendMessageW(list, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text.c_str()));
    ASSERT_GE(at, 0) << std::string(text.begin(), text.end());
    RECT r;
    GetWindowRect(list, &r);
    harness::Tap(r.right - 6, (r.top + r.bottom) / 2);  // the arrow button
    harness::PumpUntilIdle();
    ASSERT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0)) << id;
    // Rows of the open list, 8 at most on screen: step down with the arrow keys, then Enter.
    HWND drop = FindWindowW(L"ComboLBox", nullptr);
    ASSERT_NE(drop, nullptr);
    const int current = int(SendMessageW(list, CB_GETCURSEL, 0, 0));
    for (int k = current; k < at; ++k) SendMessageW(drop, WM_KEYDOWN, VK_DOWN, 0);
    for (int k = current; k > at; --k) SendMessageW(drop, WM_KEYDOWN, VK_UP, 0);
    SendMessageW(drop, WM_KEYDOWN, VK_RETURN, 0);
    harness::PumpUntilIdle();
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), at);
  }
  // The raised input panel covers the window's buttons: it is lowered first, as the shell's
  // input-panel button does (the full-screen window hides that button).
  static void LowerInputPanel(HWND window) {
    if (!SipIsShown()) return;
    SHSipPreference(window, SIP_DOWN);
    harness::PumpUntilIdle();
    EXPECT_FALSE(SipIsShown());
  }
  // The road graph command with "Streets.mvw" tapped in the file browser.
  void ChooseStreetsGraph() {
    harness::OnDialog(TFileBrowser::kOpenTemplate,
                      [](HWND dialog) { test_taps::ChooseInBrowser(dialog, L"Streets.mvw"); });
    Command(40151);
  }
  // Brings the plane point into view as the user scrolls to it, `shift` pixels off the centre,
  // and taps it with the pen.
  void TapPlane(double x, double y, POINT shift = {0, 0}) {
    const double metres = 1.0 / g_MapView.pixelsPerMetre;
    // Plane X runs north (up the screen), Y east.
    g_MapView.CenterOn(x + shift.y * metres, y - shift.x * metres, 0);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
    int32_t sx, sy;
    g_MapView.PlaneToScreen(x, y, &sx, &sy, 1);
    ASSERT_TRUE(sx > 0 && sx < 240 && sy > 30 && sy < 290) << sx << "," << sy;
    harness::Tap(sx, sy);
    harness::PumpUntilIdle();
  }
  // Distance from a plane point to the laid route, in metres (infinite without a route).
  static double FromRoute(double x, double y) {
    const std::vector<TRoutePoint>& r = g_Route.Points();
    double best = r.size() == 1 ? std::hypot(r[0].x - x, r[0].y - y) : INFINITY;
    for (size_t i = 0; i + 1 < r.size(); ++i) {
      const double dx = r[i + 1].x - r[i].x, dy = r[i + 1].y - r[i].y;
      const double length2 = dx * dx + dy * dy;
      const double t = length2 > 0 ? std::clamp(((x - r[i].x) * dx + (y - r[i].y) * dy) / length2, 0.0, 1.0) : 0;
      best = std::min(best, std::hypot(r[i].x + t * dx - x, r[i].y + t * dy - y));
    }
    return best;
  }

  static int Pixels(COLORREF colour) {
    int n = 0;
    for (int y = 0; y < 320; ++y)
      for (int x = 0; x < 240; ++x) n += harness::ScreenPixel(x, y) == colour;
    return n;
  }
  static int RedPixels() { return Pixels(RGB(255, 0, 0)); }

  HWND main = nullptr;
};

TEST_F(SearchE2e, AddressPageDownToAHouseCentresTheMapOnIt) {
  const sample::DemoTownHouse house = sample::DemoTownHouses()[5];
  std::wstring number(house.number.begin(), house.number.end());
  number.insert(0, 3 - number.size(), L' ');
  const std::string street = sample::kTownStreetNames[sample::kTownEastWestNames[house.street]];
  harness::OnDialog(kWindow, [&](HWND dialog) {
    [&] {
      HWND page = g_AddressPage.window;
      ASSERT_NE(page, nullptr);
      PickByPen(page, kState, L"Demo State");
      PickByPen(page, kRegion, L"Lake District");
      PickByPen(page, kCity, L"Vorna");
      PickByPen(page, kStreet, std::wstring(street.begin(), street.end()));
      PickByPen(page, kHouse, number);
      harness::SaveScreen(harness::Root() + "/search_address.png");
      LowerInputPanel(dialog);
      TapControl(GetDlgItem(dialog, kShow));
    }();
    if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, kClose, 0);  // after a failure
  });
  const int32_t before = g_MapView.GetScale();
  Command(40216);
  EXPECT_EQ(g_MapView.GetScale(), 5000);
  double lat, lon, hx, hy, cx, cy;
  sample::TownToGeo(house.u, house.v, &lat, &lon);
  ASSERT_TRUE(g_MapView.GeoToPlane(lat, lon, &hx, &hy));
  g_MapView.GetCenter(&cx, &cy, 0);
  // Centred, then zoomed in about the centre pixel: within a pixel of the scale before.
  const double pixel = before / g_MapView.devicePixelsPerMetre;
  EXPECT_NEAR(cx, hx, pixel);
  EXPECT_NEAR(cy, hy, pixel);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0) << "the window highlights nothing";
  harness::SaveScreen(harness::Root() + "/search_address_shown.png");
}

TEST_F(SearchE2e, ObjectPageByTypeAndDistanceShowsDetailsAndTheObject) {
  std::wstring details;
  harness::OnDialog(kWindow, [&](HWND dialog) {
    [&] {
      HWND page = g_ObjectPage.window;
      ASSERT_NE(page, nullptr);
      SetDlgItemTextW(page, kDistance, L"5");
      PickByPen(page, kType, L"School");
      PickByPen(page, kName, L"School No 1");
      wchar_t text[256] = L"";
      GetDlgItemTextW(page, kDetails, text, 256);
      details = text;
      LowerInputPanel(dialog);
      TapControl(GetDlgItem(dialog, kShow));
    }();
    if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, kClose, 0);
  });
  Command(40217);
  EXPECT_EQ(details, L"Open 8-17\r\n100-200\r\nMain Street 3");
  EXPECT_EQ(g_MapView.GetScale(), 5000);
}

TEST_F(SearchE2e, ARouteByTwoTapsRunsRedAcrossTheStreetsAndIsCleared) {
  g_Ini.SetString("LastPathMap", "\\Vorna\\Maps\\");
  // All maps in view: the bound road map keeps its geometry but gains no working-map frame.
  Command(40214);
  const int blackBefore = Pixels(RGB(0, 0, 0));
  ChooseStreetsGraph();
  ASSERT_EQ(g_Route.IsBound(), 1);
  EXPECT_EQ(g_Route.RoadMapName(), "Streets");
  EXPECT_EQ(g_MapView.IsWorkingMap(1), 0);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  EXPECT_EQ(Pixels(RGB(0, 0, 0)), blackBefore);
  const int redBefore = RedPixels();
  // From the southmost street just east of the first crossing to the third one just east of
  // the third crossing.
  double x1, y1, x2, y2;
  sample::TownToPlane(0.5, 0.6, &x1, &y1);
  sample::TownToPlane(2.5, 2.6, &x2, &y2);
  int32_t s1x, s1y, s2x, s2y;
  g_MapView.PlaneToScreen(x1, y1, &s1x, &s1y, 1);
  g_MapView.PlaneToScreen(x2, y2, &s2x, &s2y, 1);
  ASSERT_TRUE(s1y > 0 && s1y < 294 && s2y > 0 && s2y < 294 && s1x > 0 && s2x < 240);
  Command(40149);
  harness::Tap(s1x, s1y);
  harness::PumpUntilIdle();
  harness::Tap(s2x, s2y);
  harness::PumpUntilIdle();
  ASSERT_GE(g_Route.Points().size(), 4u);
  const int red = RedPixels() - redBefore;
  EXPECT_GT(red, 3 * 100) << "a 3-pixel line across the town";
  harness::SaveScreen(harness::Root() + "/search_route.png");
  Command(40147);
  EXPECT_TRUE(g_Route.Points().empty());
  harness::PumpUntilIdle();
  EXPECT_LE(RedPixels(), redBefore);
}

// The user's route taps at 1:10 000: the road graph chosen in the browser, route mode on once,
// then 50 pairs of taps on random points of the streets, the view scrolled to each point. A pair
// counts when the route laid runs through both tapped points; the mode stays on between pairs.
// A tap in the middle of the park, far from every street, says so and lays nothing.
TEST_F(SearchE2e, FiftyTapPairsOnTheStreetsLayRoutesAndATapInTheParkSaysThereIsNoRoad) {
  g_Ini.SetString("LastPathMap", "\\Vorna\\Maps\\");
  ChooseStreetsGraph();
  ASSERT_EQ(g_Route.IsBound(), 1);
  Command(kCmdScaleFirst + 7);
  ASSERT_EQ(g_MapView.GetScale(), 10000);
  const TMdmMap* streets = g_MapView.FindVectorMapByPath("Streets");
  ASSERT_NE(streets, nullptr);
  std::vector<int> roads;
  for (int i = 0; i < streets->count; ++i) {
    const uint16_t code = streets->objects[i].code;
    if ((code == sample::kTownMainStreet || code == sample::kTownStreet) &&
        streets->objects[i].vertexCount >= 2)
      roads.push_back(i);
  }
  ASSERT_EQ(roads.size(), 40u);
  std::mt19937 rng(5150);
  auto streetPoint = [&](double* x, double* y) {
    const TMapObject& o = streets->objects[roads[rng() % roads.size()]];
    const int32_t k = int32_t(rng() % uint32_t(o.vertexCount - 1));
    const double t = double(rng() % 1001) / 1000;
    const TMapPoint a = o.vertices[k], b = o.vertices[k + 1];
    streets->MapToPlane(int32_t(std::lround(a.x + t * (b.x - a.x))),
                        int32_t(std::lround(a.y + t * (b.y - a.y))), x, y);
  };
  auto shift = [&] { return POINT{int(rng() % 161) - 80, int(rng() % 161) - 80}; };

  Command(40149);
  int laid = 0;
  std::vector<std::wstring> said;
  for (int pair = 0; pair < 50; ++pair) {
    double x1, y1, x2, y2;
    streetPoint(&x1, &y1);
    streetPoint(&x2, &y2);
    Command(40147);  // the last route cleared, so a pair that lays nothing shows nothing
    const size_t boxes = harness::MessageBoxes().size();
    TapPlane(x1, y1, shift());
    TapPlane(x2, y2, shift());
    ASSERT_EQ(GetInputMode(), input_mode::kRoute) << pair;
    const double pixel = 1.0 / g_MapView.pixelsPerMetre;
    const bool refused = harness::MessageBoxes().size() > boxes;
    if (!refused && FromRoute(x1, y1) <= 2 * pixel && FromRoute(x2, y2) <= 2 * pixel) ++laid;
    for (size_t b = boxes; b < harness::MessageBoxes().size(); ++b)
      said.push_back(harness::MessageBoxes()[b].text);
    // A refused tap is taken again for the same end: the route is begun anew.
    if (refused) Command(40149);
  }
  EXPECT_GE(laid, 45);
  EXPECT_EQ(int(said.size()), 50 - laid) << "every pair that lays nothing says why";
  harness::ClearMessageBoxes();

  // The park's middle lies about 156 m from the nearest street, 78 pixels at this scale.
  double px, py;
  sample::TownToPlane(3.0, 3.0, &px, &py);
  const std::vector<TRoutePoint> before = g_Route.Points();
  TapPlane(px, py);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Рядом с точкой нет дороги.");
  harness::ClearMessageBoxes();
  EXPECT_EQ(g_Route.Points().size(), before.size());
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
}

// Route taps as the user meets them around a project opened again: route mode before any road
// graph, then a graph named for no map of the project ("Roads" beside the "Streets" map), are
// refused and told at the bind and at each tap; the town's graph bound, then the project opened
// again through the project dialog, two taps at 1:2000 on streets far apart lay the route.
TEST_F(SearchE2e, RouteTapsAreToldWithoutAGraphAndFollowTheRoadMapThroughAProjectOpenedAgain) {
  double a[2], c[2];
  sample::TownToPlane(0.5, 0.8, &a[0], &a[1]);  // along the southmost street
  sample::TownToPlane(3.5, 3.2, &c[0], &c[1]);  // the northmost street
  Command(kCmdScaleFirst + 4);
  ASSERT_EQ(g_MapView.GetScale(), 2000);
  Command(40149);
  TapPlane(a[0], a[1]);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Граф дорог не открыт.");
  harness::ClearMessageBoxes();

  std::filesystem::copy_file(harness::HostPath(L"\\Vorna\\Maps\\Streets.mvw"),
                             harness::HostPath(L"\\Vorna\\Maps\\Roads.mvw"));
  g_Ini.SetString("LastPathMap", "\\Vorna\\Maps\\");
  harness::OnDialog(TFileBrowser::kOpenTemplate,
                    [](HWND dialog) { test_taps::ChooseInBrowser(dialog, L"Roads.mvw"); });
  Command(40151);
  const std::wstring noMap = L"Граф дорог Roads не относится ни к одной карте проекта.";
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, noMap);
  EXPECT_EQ(g_Route.IsBound(), 0);
  Command(40149);
  TapPlane(a[0], a[1]);
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[1].text, noMap);
  harness::ClearMessageBoxes();
  EXPECT_TRUE(g_Route.Points().empty());

  ChooseStreetsGraph();
  ASSERT_EQ(g_Route.IsBound(), 1);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  ASSERT_EQ(g_MapView.FindVectorMapByPath("Streets")->loadAll, 1u);
  g_Ini.SetString("LastPathPrj", "\\Vorna\\Maps\\");
  harness::OnDialog(TFileBrowser::kOpenTemplate,
                    [](HWND dialog) { test_taps::ChooseInBrowser(dialog, L"Demo.mpj"); });
  harness::OnDialog(TProjectMapsDlg::kTemplate, [](HWND d) {
    TapControl(GetDlgItem(d, TProjectMapsDlg::kLoad));
    TapControl(GetDlgItem(d, IDOK));
  });
  Command(kCmdProjectEditor);
  const TMdmMap* after = g_MapView.FindVectorMapByPath("Streets");
  ASSERT_NE(after, nullptr);
  ASSERT_EQ(after->loadAll, 0u) << "the project's maps are made anew, without the bind's flags";
  Command(kCmdScaleFirst + 4);
  Command(40149);
  TapPlane(a[0], a[1]);
  TapPlane(c[0], c[1]);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  harness::ClearMessageBoxes();
  const double pixel = 1.0 / g_MapView.pixelsPerMetre;
  ASSERT_FALSE(g_Route.Points().empty());
  EXPECT_LE(FromRoute(a[0], a[1]), 2 * pixel);
  EXPECT_LE(FromRoute(c[0], c[1]), 2 * pixel);
  EXPECT_EQ(after->loadAll, 1u);
}

// Route mode stays on after a route: the next two taps lay a new route in place of the first.
TEST_F(SearchE2e, TwoRoutesInARowWithoutTheMenuBetween) {
  g_Ini.SetString("LastPathMap", "\\Vorna\\Maps\\");
  ChooseStreetsGraph();
  Command(kCmdScaleFirst + 7);
  double a[2], b[2], c[2], d[2];
  sample::TownToPlane(0.5, 0.8, &a[0], &a[1]);  // along the southmost street
  sample::TownToPlane(1.2, 1.5, &b[0], &b[1]);  // up the second north-south street
  sample::TownToPlane(3.5, 3.2, &c[0], &c[1]);  // the northmost street
  sample::TownToPlane(2.9, 2.5, &d[0], &d[1]);
  Command(40149);
  TapPlane(a[0], a[1]);
  TapPlane(b[0], b[1]);
  const double pixel = 1.0 / g_MapView.pixelsPerMetre;
  ASSERT_FALSE(g_Route.Points().empty());
  EXPECT_LE(FromRoute(a[0], a[1]), 2 * pixel);
  EXPECT_LE(FromRoute(b[0], b[1]), 2 * pixel);
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
  TapPlane(c[0], c[1]);
  TapPlane(d[0], d[1]);
  EXPECT_LE(FromRoute(c[0], c[1]), 2 * pixel);
  EXPECT_LE(FromRoute(d[0], d[1]), 2 * pixel);
  EXPECT_GT(FromRoute(a[0], a[1]), 100.0) << "the first route is replaced";
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
}

TEST_F(SearchE2e, TheStreetBarFindsATypedHouse) {
  Command(40102);
  ASSERT_EQ(IsStreetBarOpen(), 1);
  EXPECT_TRUE(IsMainMenuItemChecked(40110, 40102));
  HWND bar = nullptr;
  for (TSearchBar* b : g_SearchBars)
    if (b && b->window) bar = b->window;
  ASSERT_NE(bar, nullptr);
  HWND streets = GetDlgItem(bar, bar_ids::kStreets), houses = GetDlgItem(bar, bar_ids::kHouses);
  const LRESULT lake = SendMessageW(streets, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"Lake Road"));
  ASSERT_GE(lake, 0);
  SendMessageW(streets, CB_SETCURSEL, WPARAM(lake), 0);
  SendMessageW(bar, WM_COMMAND, MAKEWPARAM(bar_ids::kStreets, CBN_SELENDOK), LPARAM(streets));
  ASSERT_GT(SendMessageW(houses, CB_GETCOUNT, 0, 0), 3);
  TapControl(houses);
  SendMessageW(houses, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Char(L'7');
  harness::PumpUntilIdle();
  wchar_t text[16] = L"";
  SendMessageW(houses, CB_GETLBTEXT, SendMessageW(houses, CB_GETCURSEL, 0, 0), LPARAM(text));
  EXPECT_STREQ(text, L"  7");
  SendMessageW(houses, CB_SHOWDROPDOWN, FALSE, 0);
  TapControl(GetDlgItem(bar, bar_ids::kShowStreet));
  EXPECT_EQ(g_MapView.GetHighlightCount(), 1);
  harness::SaveScreen(harness::Root() + "/search_bar.png");
  Command(40103);
  EXPECT_EQ(IsStreetBarOpen(), 0);
  EXPECT_FALSE(IsMainMenuItemChecked(40110, 40102));
}

}  // namespace
