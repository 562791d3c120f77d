// Navigation mode on the demo device: the port opened on a fake receiver, the fix tick, the bars
// and buttons, GPS follow, the offset drag, the route taps and the direction point.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "base/ini_file.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "demo_window_fixture.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "search/route.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "tests/support/gps_lines.h"
#include "tools/sampledata/fake_receiver.h"
#include "view/project_maps_dlg.h"

namespace {

using demo_window::DemoWindow;

TEST(DirectionPoint, QuartersAreExactAndTheDistanceFollowsTheCourseAndUnit) {
  int32_t dx = 0, dy = 0;
  // Quarters of the course without a distance: 316..45, 46..135, 136..225, 226..315.
  const struct {
    double course;
    int32_t dx, dy;
  } quarters[] = {{0, 0, 100},     {45, 0, 100},    {46, -100, 0},  {135, -100, 0},
                  {136, 0, -100},  {225, 0, -100},  {226, 100, 0},  {315, 100, 0},
                  {316, 0, 100},   {359.9, 0, 100}, {-90, 100, 0},  {720 + 90, -100, 0}};
  for (const auto& q : quarters) {
    ASSERT_EQ(DirectionPointOffset(q.course, 0, 1.0, &dx, &dy), 1) << q.course;
    EXPECT_EQ(dx, q.dx) << q.course;
    EXPECT_EQ(dy, q.dy) << q.course;
  }
  // A course that is no number counts as 0.
  ASSERT_EQ(DirectionPointOffset(std::nan(""), 0, 1.0, &dx, &dy), 1);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 100);
  // 10 m along course 90 (angle 0) with 0.01 m units: 1000 units in x.
  ASSERT_EQ(DirectionPointOffset(90, 10, 0.01, &dx, &dy), 1);
  EXPECT_EQ(dx, 1000);
  EXPECT_EQ(dy, 0);
  // Course 0 (angle -pi/2): 5 m with 1 m units is -5 in y.
  ASSERT_EQ(DirectionPointOffset(0, 5, 1.0, &dx, &dy), 1);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, -5);
  // A map without a unit gets no direction point from a distance.
  EXPECT_EQ(DirectionPointOffset(90, 10, 0, &dx, &dy), 0);
}

TEST(ElevationMask, ReadsAPointInAnyLocaleAndZeroForNoNumber) {
  EXPECT_DOUBLE_EQ(ParseElevationMask("5.5\n"), 5.5);
  EXPECT_DOUBLE_EQ(ParseElevationMask("  12"), 12.0);
  EXPECT_DOUBLE_EQ(ParseElevationMask("ERROR"), 0.0);
  EXPECT_DOUBLE_EQ(ParseElevationMask(""), 0.0);
  EXPECT_DOUBLE_EQ(ParseElevationMask("nan"), 0.0);
  EXPECT_DOUBLE_EQ(ParseElevationMask("inf"), 0.0);
  EXPECT_DOUBLE_EQ(ParseElevationMask(nullptr), 0.0);
}

TEST_F(DemoWindow, OffsetDragAddsThePlaneDifferenceAndTheViewTakesItAtOnce) {
  Command(41108);
  harness::PumpUntilIdle();
  // Switched off, the stored numbers are not in force: a drag that does not move turns the
  // offset on at nothing, and one that moves puts the points exactly where the pen went.
  g_Ini.SetInt("GPSOffsX", 100);
  g_Ini.SetInt("GPSOffsY", -40);
  g_Ini.SetInt("GPSOffsActive", 0);
  EXPECT_EQ(SetGpsOffsetFromDrag(10, 10, 10, 10), 1);
  EXPECT_EQ(g_Ini.GetInt("GPSOffsX"), 0);
  EXPECT_EQ(g_Ini.GetInt("GPSOffsY"), 0);
  EXPECT_EQ(g_Ini.GetInt("GPSOffsActive"), 1);
  double ax, ay, bx, by;
  PlaneAt(POINT{50, 200}, &ax, &ay);
  PlaneAt(POINT{90, 150}, &bx, &by);
  g_Ini.SetInt("GPSOffsX", 100);
  g_Ini.SetInt("GPSOffsY", -40);
  g_Ini.SetInt("GPSOffsActive", 0);
  SetInputModeDirect(input_mode::kGpsOffset);
  harness::Drag(50, 200, 90, 150);
  harness::PumpUntilIdle();
  EXPECT_EQ(g_Ini.GetInt("GPSOffsX"), int(bx - ax));
  EXPECT_EQ(g_Ini.GetInt("GPSOffsY"), int(by - ay));
  EXPECT_EQ(g_MapView.gpsOffsetX, int(bx - ax));
  // In force, the drag adds to it.
  g_Ini.SetInt("GPSOffsX", 7);
  g_Ini.SetInt("GPSOffsY", -3);
  g_MapView.lastFixLatitude = 1;
  SetInputModeDirect(input_mode::kGpsOffset);
  harness::Drag(50, 200, 90, 150);
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_EQ(g_Ini.GetInt("GPSOffsX"), 7 + int(bx - ax));
  EXPECT_EQ(g_Ini.GetInt("GPSOffsY"), -3 + int(by - ay));
  EXPECT_EQ(g_MapView.gpsOffsetX, g_Ini.GetInt("GPSOffsX"));
  EXPECT_EQ(g_MapView.gpsOffsetY, g_Ini.GetInt("GPSOffsY"));
  EXPECT_EQ(g_MapView.lastFixLatitude, 0);
  // Near the int32 limits the sum is stored saturated, not wrapped.
  // (Plane X runs north, Y east.)
  g_Ini.SetInt("GPSOffsX", INT_MIN + 1);
  g_Ini.SetInt("GPSOffsY", INT_MAX - 1);
  SetGpsOffsetFromDrag(0, 0, 200, 0);  // east
  EXPECT_EQ(g_Ini.GetInt("GPSOffsY"), INT_MAX);
  SetGpsOffsetFromDrag(0, 0, 0, 300);  // south
  EXPECT_EQ(g_Ini.GetInt("GPSOffsX"), INT_MIN);
  EXPECT_EQ(g_MapView.gpsOffsetX, INT_MIN);
}

// Screen pixels on the demo town's streets that lie in the view, one a street.
std::vector<POINT> StreetPixels() {
  std::vector<POINT> out;
  const TMdmMap* streets = g_MapView.FindVectorMapByPath("Streets");
  if (!streets) return out;
  const RECT& v = g_MapView.viewRect;
  for (int i = 0; i < streets->count; ++i) {
    const TMapObject& o = streets->objects[i];
    if ((o.code != sample::kTownMainStreet && o.code != sample::kTownStreet) || o.vertexCount < 2 || !o.vertices) continue;
    double x, y;
    streets->MapToPlane((o.vertices[0].x + o.vertices[1].x) / 2, (o.vertices[0].y + o.vertices[1].y) / 2, &x, &y);
    int32_t sx, sy;
    g_MapView.PlaneToScreen(x, y, &sx, &sy, 1);
    if (sx > v.left + 5 && sx < v.right - 5 && sy > v.top + 30 && sy < v.bottom - 5) out.push_back(POINT{sx, sy});
  }
  return out;
}

TEST_F(DemoWindow, RouteTapsAlternateAndTheRouteCommandStartsOver) {
  g_Route.Bind("Streets", sample::kDemoGraphPath);
  const std::vector<POINT> on = StreetPixels();
  ASSERT_GE(on.size(), 4u);
  Command(kCmdRouteByTaps);
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
  EXPECT_EQ(RoutePointTap(on[0].x, on[0].y), 1);  // start
  // The command again: the next tap is a start, not an end.
  Command(kCmdRouteByTaps);
  EXPECT_EQ(RoutePointTap(on[1].x, on[1].y), 1);
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
  harness::Tap(on[2].x, on[2].y);  // end: the route is computed and the mode stays
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
  EXPECT_EQ(RoutePointTap(on[3].x, on[3].y), 1);  // a third tap starts again
}

// Route taps before any road graph is read: each is refused and says why.
TEST_F(DemoWindow, RouteTapsWithoutAGraphAreRefusedAndSaySo) {
  Command(kCmdRouteByTaps);
  harness::ClearMessageBoxes();
  EXPECT_EQ(RoutePointTap(100, 120), 0);
  EXPECT_EQ(RoutePointTap(100, 120), 0) << "taken again for the start";
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Граф дорог не открыт.");
  EXPECT_EQ(GetInputMode(), input_mode::kRoute);
  EXPECT_TRUE(g_Route.Points().empty());
}

TEST_F(DemoWindow, FollowSetsTheBarButtonAndMakesTheNextFixAMove) {
  g_MapView.lastFixLatitude = 0.5;
  SetGpsFollow(1);
  EXPECT_EQ(g_MapView.followGps, 1);
  EXPECT_EQ(g_GpsBar.followButton.GetState(), TSoftButton::kDown);
  EXPECT_EQ(g_MapView.lastFixLatitude, 0);
  RunButtonAction(w, 3, 0xC1);
  EXPECT_EQ(GetGpsFollow(), 0);
  EXPECT_EQ(g_GpsBar.followButton.GetState(), TSoftButton::kUp);
}

TEST_F(DemoWindow, NoWorkingMapAndCancelStartsNothing) {
  g_Ini.SetInt("GPSTYPE", 0);
  g_Ini.SetString("GPSCOMNUM_NMEA", "COM1:");
  int asked = 0;
  harness::OnDialog(313, [&](HWND dialog) {
    ++asked;
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // Escape
  });
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
}

TEST_F(DemoWindow, APortThatCannotOpenLeavesTheModeOffWithButtonsUp) {
  unsetenv("VORNA_COM1");
  g_Ini.SetInt("GPSTYPE", 0);
  g_Ini.SetString("GPSCOMNUM_NMEA", "COM1:");
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  CheckBarButton(kCmdNavigation, 1);
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
  EXPECT_FALSE(g_GpsBar.window && IsWindowVisible(g_GpsBar.window));
}

// Whether the port has published `status` (and for a valid fix, `latitude` in radians).
bool HasStatus(char status, double latitude) {
  GpsFix fix{};
  g_GpsPort.GetFix(&fix);
  return fix.status == status && (status != 'A' || std::fabs(fix.latitude - latitude) < 1e-7);
}

TEST_F(DemoWindow, NavigationRunOnTheFakeReceiverMovesTheMarkerAndFollowsThePort) {
  sample::FakeReceiver fake;
  ASSERT_TRUE(fake.Open());
  test_gps::UseFakeNmeaOnCom1(fake);
  g_Ini.SetInt("GPSGO", 1);
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 1);
  EXPECT_EQ(g_GpsBar.followButton.GetState(), TSoftButton::kDown);

  const auto walk = sample::DemoTownWalk(3);
  double lastX = 0, lastY = 0;
  for (const auto& epoch : walk) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(epoch)));
    ASSERT_TRUE(HasStatus('A', epoch.latDeg * M_PI / 180.0)) << [] {
      GpsFix fix{};
      g_GpsPort.GetFix(&fix);
      return std::string(1, fix.status ? fix.status : '0') + " " + std::to_string(fix.latitude);
    }() << " open " << g_GpsPort.IsOpen() << " io " << g_GpsPort.HasIoError();
    harness::Advance(500);
    EXPECT_EQ(g_MapView.gpsState, 1);
    lastX = g_MapView.gpsX;
    lastY = g_MapView.gpsY;
  }
  EXPECT_NE(lastX, 0);
  EXPECT_NE(lastY, 0);
  // A fix without validity keeps the last position and shows no fix.
  ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, {sample::NmeaLine("GPRMC,100005,V,,,,,,,150606,,")}));
  ASSERT_TRUE(HasStatus('V', 0));
  harness::Advance(500);
  EXPECT_EQ(g_MapView.gpsState, 2);
  EXPECT_EQ(g_MapView.gpsX, lastX);
  EXPECT_EQ(g_MapView.gpsY, lastY);

  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(g_MapView.gpsState, 0);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
  fake.HangUp();
}

}  // namespace

namespace {

TEST_F(DemoWindow, GeodesyStartCancelledAtTheQuestionLeavesThePortClosed) {
  sample::FakeReceiver fake;
  ASSERT_TRUE(fake.Open());
  setenv("VORNA_COM1", fake.SlavePath().c_str(), 1);
  g_Ini.SetInt("GPSTYPE", 1);
  g_Ini.SetString("GPSCOMNUM_JAVAD", "COM1:");
  g_Ini.SetInt("GPSCOMBR_JAVAD", 115200);
  g_Ini.SetInt("ECHOACTIVE", 0);
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  harness::AnswerMessageBox(L"", IDCANCEL);
  Command(kCmdGeodesy);
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
  fake.HangUp();
}

TEST_F(DemoWindow, TrackKeyChangesRecordingOnlyWhileNavigationRuns) {
  g_Ini.SetInt("NaviSaveLog", 0);
  // Port closed: only the setting changes.
  RunButtonAction(w, 4, 0xC2);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), 1);
  EXPECT_EQ(ApplyTrackRecording(1), 0);
  RunButtonAction(w, 4, 0xC2);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), 0);
}

// A working map chosen at the navigation start runs the project editor as command 40179 does:
// the selected-objects panel, the found-objects panel and the vertex bar go first, so none holds
// an index of a map the editor removes or reorders.
TEST_F(DemoWindow, AWorkingMapChosenAtTheNavigationStartHidesThePanelsFirst) {
  g_UserLayer.Close();
  g_SelectionPanel.Show(1);
  ASSERT_EQ(g_SelectionPanel.visible, 1);
  int asked = 0, editors = 0;
  bool panelInEditor = true, listInEditor = true;
  harness::OnDialog(313, [&](HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, ++asked == 1 ? 1202 : 1201, 0);  // choose, then cancel
  });
  harness::OnDialog(TProjectMapsDlg::kTemplate, [&](HWND dialog) {
    ++editors;
    panelInEditor = g_SelectionPanel.visible != 0;
    listInEditor = g_ObjectListPanel.visible != 0;
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_FALSE(EnsureWorkMapForGps());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(editors, 1);
  EXPECT_FALSE(panelInEditor) << "the panel's delete would act on another map's object";
  EXPECT_FALSE(listInEditor);
}

TEST_F(DemoWindow, NeedWorkMapDialogCountsAnyOtherEndAsCancel) {
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 1201, 0); });
  EXPECT_EQ(RunNeedWorkMapDialog(w), kNeedWorkMapCancel);
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 1202, 0); });
  EXPECT_EQ(RunNeedWorkMapDialog(w), kNeedWorkMapChoose);
  harness::OnDialog(227, [](HWND dialog) {
    wchar_t text[64] = L"";
    GetDlgItemTextW(dialog, 2334, text, 64);
    EXPECT_STREQ(text, L"log7");
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(RunStartGpsDialog(w, L"log7"), kStartGpsCancel);
  harness::OnDialog(227, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 1206, 0); });
  EXPECT_EQ(RunStartGpsDialog(w, L"log7"), kStartGpsHot);
}

}  // namespace

namespace {

TEST_F(DemoWindow, RecordedTrackOnDiskHoldsTheMovedFixes) {
  // The demo project again with its last map as the working map.
  startup_test::WriteHostFile(harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj"),
                              sample::DemoProjectText() + "\nW");
  ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Demo.mpj", &g_UserLayer, 0), 0);
  ASSERT_TRUE(g_UserLayer.open);
  // Made afresh as an empty working map whose frame (a whole zone band) holds the walk, which
  // leaves the demo map's own extent.
  double cx, cy;
  PlaneAt(Centre(), &cx, &cy);
  ASSERT_EQ(g_UserLayer.CreateMap(10000, -2, cx, cy, g_MapView.zone), 1);
  TMdmMap* map = g_UserLayer.map;
  const std::string path = map->path;
  const int32_t before = map->count;
  int32_t onDiskBefore = 0;
  {
    TMdmMap disk;
    ASSERT_EQ(disk.OpenHeader(path.c_str()), 0);
    ASSERT_EQ(disk.Load(), 0);
    onDiskBefore = disk.count;
  }

  g_Ini.SetInt("GPSDefCode", 1201);  // any code but 0, which marks a deleted object

  sample::FakeReceiver fake;
  ASSERT_TRUE(fake.Open());
  test_gps::UseFakeNmeaOnCom1(fake);
  g_Ini.SetInt("NaviSaveLog", 1);
  g_Ini.SetInt("GPSGO", 1);
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_EQ(g_UserLayer.recording, 1u);

  std::vector<TMapPoint> want;
  const auto walk = sample::DemoTownWalk(6);
  for (size_t i = 0; i < walk.size(); ++i) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(walk[i])));
    ASSERT_TRUE(HasStatus('A', walk[i].latDeg * M_PI / 180.0));
    const double oldX = g_MapView.gpsX, oldY = g_MapView.gpsY;
    harness::Advance(500);
    // Only a fix that moved the marker (more than about 2 m) is a vertex.
    if (g_MapView.gpsX != oldX || g_MapView.gpsY != oldY) {
      TMapPoint p{};
      map->PlaneToMap(g_MapView.gpsX, g_MapView.gpsY, &p.x, &p.y);
      want.push_back(p);
    }
    // The same fix again does not move: no vertex is added.
    if (i == 1) harness::Advance(500);
  }
  ASSERT_GE(want.size(), 2u);
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  ASSERT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(map->count, before + 1);
  EXPECT_EQ(g_UserLayer.saved, 1u);

  TMdmMap disk;
  ASSERT_EQ(disk.OpenHeader(path.c_str()), 0);
  ASSERT_EQ(disk.Load(), 0);
  ASSERT_EQ(disk.count, onDiskBefore + 1);
  disk.loadAll = 1;
  disk.LoadVisibleObjects();  // the geometry is read on demand
  TPointBuf points;
  ASSERT_GT(disk.GetObjectVertices(uint16_t(disk.count - 1), &points), 0);
  ASSERT_EQ(points.count, int32_t(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(points.points[i].x, want[i].x, 1) << i;
    EXPECT_NEAR(points.points[i].y, want[i].y, 1) << i;
  }
  fake.HangUp();
}

}  // namespace
