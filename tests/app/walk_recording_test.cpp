// A walk recorded into the working map as a user meets it in the field, the fake receiver on a
// pseudo-terminal: a save that comes before the first moving fix (the drawing tools opened and
// closed), the track deleted while it records, another working map assigned in the project editor
// mid-walk, and a working map too full to take a track. What counts is what lands in the map
// files, and that nothing is lost without a word.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/input.h"
#include "app/navigation.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/owner_draw_list.h"
#include "demo_window_fixture.h"
#include "geodesy/gauss_kruger.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/nav_points_dialog.h"
#include "gps/point_properties.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "tests/support/gps_lines.h"
#include "tests/support/project_editor_taps.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/fake_receiver.h"
#include "tools/sampledata/mdm_writer.h"
#include "view/new_work_map_dlg.h"
#include "view/project_maps_dlg.h"

namespace {

using demo_window::DemoWindow;

constexpr const char* kSparePath = "\\Vorna\\Maps\\Spare.mdm";
constexpr const char* kDemoMapPath = "\\Vorna\\Maps\\Demo.mdm";

// The line objects of the track's type in the map file at `path`, their vertices in file order.
std::vector<std::vector<TMapPoint>> TracksOnDisk(const char* path) {
  std::vector<std::vector<TMapPoint>> tracks;
  TMdmMap disk;
  if (disk.OpenHeader(path) != 0 || disk.Load() != 0) return tracks;
  disk.loadAll = 1;
  disk.LoadVisibleObjects();
  for (int32_t i = 1; i < disk.count; ++i) {
    if (disk.GetObjectCode(uint16_t(i)) != sample::kTownFootpath) continue;
    TPointBuf points;
    std::vector<TMapPoint> track;
    if (disk.GetObjectVertices(uint16_t(i), &points) > 0)
      track.assign(points.points, points.points + points.count);
    tracks.push_back(track);
  }
  return tracks;
}

int BoxesSaying(int32_t textId) {
  int n = 0;
  for (const harness::ShownMessageBox& box : harness::MessageBoxes())
    n += box.text == g_Lang.GetText(textId);
  return n;
}

// The demo window with the fake receiver on COM1, a walk's tracks recorded as footpaths, uncut.
class WalkWindow : public DemoWindow {
 protected:
  void StartReceiver() {
    ASSERT_TRUE(fake.Open());
    test_gps::UseFakeNmeaOnCom1(fake);
    g_Ini.SetInt("GPSDefCode", sample::kTownFootpath);
    g_Ini.SetInt("NaviSaveLog", 1);
    g_Ini.SetInt("GPSGO", 1);
    g_Ini.SetInt("WMCutLong", 0);
  }
  void TearDown() override {
    fake.HangUp();
    DemoWindow::TearDown();
  }

  sample::FakeReceiver fake;
};

// The demo project with two empty working-map files, each framed by a whole zone band so the
// walk lies inside: Spare.mdm (the working map) and Demo.mdm; the track's type a footpath.
class FieldWalk : public WalkWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    if (HasFatalFailure()) return;
    const std::string project = harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj");
    startup_test::WriteHostFile(project, sample::DemoProjectText() + "\nW");
    ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, &g_UserLayer, 0), 0);
    double cx, cy;
    PlaneAt(Centre(), &cx, &cy);
    ASSERT_EQ(g_UserLayer.CreateMap(10000, -2, cx, cy, g_MapView.zone), 1);
    std::filesystem::copy_file(harness::HostPath(L"\\Vorna\\Maps\\Demo.mdm"),
                               harness::HostPath(L"\\Vorna\\Maps\\Spare.mdm"));
    startup_test::WriteHostFile(project, sample::DemoProjectText() + "\nW\n0\t0\t" + kSparePath);
    ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, &g_UserLayer, 0), 0);
    ASSERT_TRUE(g_UserLayer.open);
    ASSERT_STREQ(g_UserLayer.map->path, kSparePath);

    StartReceiver();
  }
  void ToggleNavigation() {
    Command(kCmdNavigation);
    harness::PumpUntilIdle();
  }
  // The walk's epochs [from, to) one tick each; the map positions of the fixes that moved the
  // marker, which are the track's vertices (in `map`'s units).
  std::vector<TMapPoint> Walk(size_t from, size_t to, const TMdmMap& map) {
    std::vector<TMapPoint> moved;
    for (size_t i = from; i < to; ++i) {
      EXPECT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(walk[i])));
      const double x = g_MapView.gpsX, y = g_MapView.gpsY;
      harness::Advance(500);
      EXPECT_EQ(g_MapView.gpsState, 1) << i;
      if (g_MapView.gpsX == x && g_MapView.gpsY == y) continue;
      TMapPoint p{};
      map.PlaneToMap(g_MapView.gpsX, g_MapView.gpsY, &p.x, &p.y);
      moved.push_back(p);
    }
    return moved;
  }
  static void ExpectTrack(const std::vector<TMapPoint>& got, const std::vector<TMapPoint>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_NEAR(got[i].x, want[i].x, 1) << i;
      EXPECT_NEAR(got[i].y, want[i].y, 1) << i;
    }
  }

  const std::vector<sample::WalkEpoch> walk = sample::DemoTownWalk(18);
};

TEST_F(FieldWalk, ASaveBeforeTheFirstMovingFixAndADeletedTrackLoseNothing) {
  // A cold start under trees: the track begins before the receiver has a position.
  ToggleNavigation();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_EQ(g_UserLayer.recording, 1u);
  ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, {sample::NmeaLine("GPRMC,095959,V,,,,,,,150606,,")}));
  harness::Advance(500);
  ASSERT_EQ(g_MapView.gpsState, 2);
  // The drawing tools opened and closed write the working map while the track is still empty.
  Command(kCmdToolsPanel);
  harness::PumpUntilIdle();
  Command(kCmdToolsPanel);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_UserLayer.recording, 1u);

  TMdmMap& map = *g_UserLayer.map;
  const std::vector<TMapPoint> first = Walk(0, 5, map);
  ASSERT_GE(first.size(), 2u);
  ASSERT_EQ(map.GetVertexCount(g_UserLayer.current), int32_t(first.size()))
      << "the save before the first fix took the track";
  // The track that records is deleted (as the selection panel deletes): the walk goes on in a
  // new track.
  map.DeleteObject(g_UserLayer.current);
  g_UserLayer.SetModified();
  const std::vector<TMapPoint> second = Walk(5, 10, map);
  ASSERT_GE(second.size(), 2u);
  ToggleNavigation();
  ASSERT_FALSE(g_GpsPort.IsOpen());

  const auto tracks = TracksOnDisk(kSparePath);
  ASSERT_EQ(tracks.size(), 1u) << "the walk after the delete is one track, the deleted one gone";
  ExpectTrack(tracks[0], second);
}

TEST_F(FieldWalk, WorkingMapsAssignedAndMadeMidWalkTakeTheRestOfTheTrack) {
  ToggleNavigation();
  ASSERT_EQ(g_UserLayer.recording, 1u);
  const std::vector<TMapPoint> before = Walk(0, 5, *g_UserLayer.map);
  ASSERT_GE(before.size(), 2u);

  // The project editor: Demo.mdm chosen as the working map, OK.
  editor_taps::AssignWorkingMapOnOpen(L"Demo");
  Command(kCmdProjectEditor);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_UserLayer.open);
  ASSERT_STREQ(g_UserLayer.map->path, kDemoMapPath);

  const std::vector<TMapPoint> after = Walk(5, 11, *g_UserLayer.map);
  ASSERT_GE(after.size(), 2u);

  // A new working map made in the editor, as the rest of the walk goes on.
  g_Ini.SetString("NewWMapName", "\\Vorna\\Maps\\");
  g_Ini.SetInt("NewWMapScale", 7);  // 1:10 000
  g_Ini.SetString("NewWMapObjLib", "Town");
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [](HWND n) {
    SetDlgItemTextW(n, TNewWorkMapDlg::kName, L"Field");
    SendMessageW(n, WM_COMMAND, IDOK, 0);
  });
  harness::OnDialog(TProjectMapsDlg::kTemplate, [](HWND d) {
    SendMessageW(d, WM_COMMAND, TProjectMapsDlg::kNewWorkMap, 0);
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
  Command(kCmdProjectEditor);
  harness::PumpUntilIdle();
  ASSERT_STREQ(g_UserLayer.map->path, "\\Vorna\\Maps\\Field.mdm");
  const std::vector<TMapPoint> last = Walk(11, 18, *g_UserLayer.map);
  ASSERT_GE(last.size(), 2u);
  ToggleNavigation();

  const auto spare = TracksOnDisk(kSparePath);
  ASSERT_EQ(spare.size(), 1u);
  ExpectTrack(spare[0], before);
  const auto demo = TracksOnDisk(kDemoMapPath);
  ASSERT_EQ(demo.size(), 1u);
  ExpectTrack(demo[0], after);
  const auto field = TracksOnDisk("\\Vorna\\Maps\\Field.mdm");
  ASSERT_EQ(field.size(), 1u);
  ExpectTrack(field[0], last);
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

TEST_F(FieldWalk, AFullWorkingMapStopsRecordingWithOneMessage) {
  // About 18 hours of sounder points: the map holds as many objects as it can index.
  TMdmMap& map = *g_UserLayer.map;
  const int32_t x = map.extXMin + 100, y = map.extYMin + 100;  // far from the view
  while (map.AddPointObject(sample::kTownTree, x, y, 1) > 0) {
  }
  ASSERT_EQ(map.count, TMdmMap::kMaxRecords);
  g_UserLayer.SetModified();
  harness::ClearMessageBoxes();

  ToggleNavigation();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(g_UserLayer.recording, 0u);
  EXPECT_EQ(BoxesSaying(lang_id::kMsgWMFullErr), 1);
  Walk(0, 5, map);
  // The point key at the GPS position: no point either, and the user was told already.
  RunButtonAction(w, 5, 0xC1);
  harness::PumpUntilIdle();
  EXPECT_EQ(map.count, TMdmMap::kMaxRecords);
  EXPECT_EQ(BoxesSaying(lang_id::kMsgWMFullErr), 1);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  ToggleNavigation();
}

// A project whose first map lies in zone 6 (so the view counts in zone 6) and whose working map
// was made in zone 7, where the town lies: the map the user walks with is not in the view's zone.
class ZoneWalk : public WalkWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    if (HasFatalFailure()) return;
    const std::string project = harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj");
    for (const wchar_t* name : {L"\\Vorna\\Maps\\West.mdm", L"\\Vorna\\Maps\\Spare.mdm"})
      std::filesystem::copy_file(harness::HostPath(L"\\Vorna\\Maps\\Demo.mdm"),
                                 harness::HostPath(name));
    // Each made empty by the program in its zone, as the new-working-map dialog makes one.
    for (const auto& [path, zone] :
         {std::pair{"\\Vorna\\Maps\\West.mdm", 6}, std::pair{kSparePath, 7}}) {
      if (townFrame && zone == 7) continue;  // written below, framed round the walk
      startup_test::WriteHostFile(project, sample::DemoProjectText() + "\nW\n0\t0\t" + path);
      ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, &g_UserLayer, 0), 0);
      ASSERT_EQ(g_UserLayer.CreateMap(10000, -2, 0, 0, uint8_t(zone)), 1);
    }
    if (townFrame) {
      // 10 km square round the walk's start in zone 7, in centimetres, as a map of the town
      // from elsewhere comes.
      constexpr double kDeg = 3.14159265358979323846 / 180.0;
      double x = 0, y = 0;
      ASSERT_TRUE(GeoToGk(55.76 * kDeg, 37.43 * kDeg, x, y, 39));
      sample::MdmSpec plan;
      plan.library = sample::kTownLibraryName;
      plan.unitExponent = 1;
      plan.x1 = std::floor(x) - 5000;
      plan.y1 = std::floor(y) - 5000;
      plan.x2 = plan.x1 + 10000;
      plan.y2 = plan.y1 + 10000;
      ASSERT_TRUE(sample::WriteMdm(harness::HostPath(L"\\Vorna\\Maps\\Spare.mdm"), plan));
    }
    const std::string text = sample::DemoProjectText();
    const std::string corners = text.substr(0, text.find('\n', text.find('\n') + 1));
    startup_test::WriteHostFile(
        project, corners + "\n0\t0\t\\Vorna\\Maps\\West.mdm\nW\n0\t0\t" + kSparePath);
    ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, &g_UserLayer, 0), 0);
    ASSERT_TRUE(g_UserLayer.open);
    ASSERT_STREQ(g_UserLayer.map->path, kSparePath);
    ASSERT_EQ(g_UserLayer.map->zone, 7);
    ASSERT_EQ(g_MapView.zone, 6);

    StartReceiver();
  }
  // The map units of a fix's ground in the working map, worked out from its degrees in the
  // map's own zone (central meridian 39 E).
  static TMapPoint GroundOf(const sample::WalkEpoch& e, const TMdmMap& map) {
    constexpr double kDeg = 3.14159265358979323846 / 180.0;
    double x = 0, y = 0;
    EXPECT_TRUE(GeoToGk(e.latDeg * kDeg, e.lonDeg * kDeg, x, y, 39));
    TMapPoint p{};
    map.PlaneToMap(x, y, &p.x, &p.y);
    return p;
  }

  const std::vector<sample::WalkEpoch> walk = sample::DemoTownWalk(12);
  bool townFrame = false;  // the working map is the demo's own, its frame about the town
};

class ZoneWalkOnTheTownMap : public ZoneWalk {
 protected:
  ZoneWalkOnTheTownMap() { townFrame = true; }
};

// The walk records into the zone-7 map on the ground walked, within a metre (1 m is 100 of its
// units), with no message; the point key's point lies at the last fix, and "show on map" of that
// point in the points list puts the view's centre on it. Taken in the view's zone, the track lay
// 623 km west of the walk.
TEST_F(ZoneWalk, AWalkIntoAWorkingMapOfAnotherZoneLiesOnTheGroundWalked) {
  harness::ClearMessageBoxes();
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_EQ(g_UserLayer.recording, 1u);
  TMdmMap& map = *g_UserLayer.map;
  std::vector<TMapPoint> want;
  for (const sample::WalkEpoch& e : walk) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(e)));
    const double x = g_MapView.gpsX, y = g_MapView.gpsY;
    harness::Advance(500);
    ASSERT_EQ(g_MapView.gpsState, 1);
    if (g_MapView.gpsX != x || g_MapView.gpsY != y) want.push_back(GroundOf(e, map));
  }
  ASSERT_GE(want.size(), 5u);
  const uint16_t track = g_UserLayer.current;
  TPointBuf got;
  ASSERT_GT(map.GetObjectVertices(track, &got), 0);
  ASSERT_EQ(got.count, int32_t(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got.points[i].x, want[i].x, 100) << i;
    EXPECT_NEAR(got.points[i].y, want[i].y, 100) << i;
  }

  // The point key at the GPS position, its dialog taken as it opens.
  harness::OnDialog(TPointPropertiesDialog::kTemplate,
                    [](HWND d) { SendMessageW(d, WM_COMMAND, TPointPropertiesDialog::kOk, 0); });
  g_Ini.SetInt("NaviRotPt", 1);  // the point keeps the course's quarter as its direction
  const int32_t before = map.count;
  RunButtonAction(w, 5, 0xC1);
  harness::PumpUntilIdle();
  ASSERT_EQ(map.count, before + 1);
  const uint16_t point = uint16_t(map.count - 1);
  TMapPoint corner{}, direction{};
  map.GetObjectBounds(point, &corner, &direction);
  EXPECT_NEAR(corner.x, want.back().x, 100);
  EXPECT_NEAR(corner.y, want.back().y, 100);
  // The direction points along the course's quarter in the view, the map's grid being turned
  // about 5 degrees against the view's here.
  double ax, ay, bx, by;
  map.MapToViewPlane(corner.x, corner.y, &ax, &ay);
  map.MapToViewPlane(direction.x, direction.y, &bx, &by);
  int32_t qx = 0, qy = 0;
  ASSERT_TRUE(DirectionPointOffset(walk.back().courseDeg, 0, map.UnitMetres(), &qx, &qy));
  constexpr double kPi = 3.14159265358979323846;
  double turn = std::atan2(by - ay, bx - ax) - std::atan2(double(qy), double(qx));
  turn = std::remainder(turn, 2 * kPi) * 180 / kPi;
  EXPECT_NEAR(turn, 0.0, 1.0);

  // The points list gives its place in the view's plane, in whole metres, as the GPS bar does.
  bool listed = false;
  for (const TOwnerDrawRow& row : g_UserLayer.ListPointCoordinates()) {
    if (row.data != point) continue;
    double lx = 0, ly = 0;
    ASSERT_EQ(std::swscanf(row.texts.at(1).c_str(), L"x:%lf y:%lf", &lx, &ly), 2);
    EXPECT_NEAR(lx, g_MapView.gpsX, 1.5);
    EXPECT_NEAR(ly, g_MapView.gpsY, 1.5);
    listed = true;
  }
  EXPECT_TRUE(listed);
  // "Zoom to all" takes the working map's objects where they lie in the view.
  double all[6];
  g_MapView.GetExtents(all);
  EXPECT_LE(all[0], g_MapView.gpsX + 1);
  EXPECT_GE(all[3], g_MapView.gpsX - 1);
  EXPECT_LE(all[1], g_MapView.gpsY + 1);
  EXPECT_GE(all[4], g_MapView.gpsY - 1);

  g_GpsBar.ApplyPointsChoice(TNavPointsDialog::kShowOnMap, point);
  double cx = 0, cy = 0;
  g_MapView.GetCenter(&cx, &cy, 0);
  const double pixel = 1 / g_MapView.pixelsPerMetre;  // the centre is a whole pixel
  EXPECT_NEAR(cx, g_MapView.gpsX, 2 * pixel);
  EXPECT_NEAR(cy, g_MapView.gpsY, 2 * pixel);

  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  const auto tracks = TracksOnDisk(kSparePath);
  ASSERT_EQ(tracks.size(), 1u);
  ASSERT_EQ(tracks[0].size(), want.size());
  EXPECT_NEAR(tracks[0].back().x, want.back().x, 100);
  EXPECT_NEAR(tracks[0].back().y, want.back().y, 100);
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

// A lane of the town put into the zone-7 working map, the view counting in zone 6: the frame
// draws it where the view puts its ground (worked out from the degrees in zone 6), and a tap there
// finds it. Turned about the map's frame origin on the equator it was drawn 103 km away.
TEST_F(ZoneWalk, TheTownInAWorkingMapOfAnotherZoneDrawsOnItsGround) {
  constexpr double kDeg = 3.14159265358979323846 / 180.0;
  TMdmMap& map = *g_UserLayer.map;
  const double lat = 55.75, lon1 = 37.615, lon2 = 37.630;
  double a[2], b[2];  // zone-7 plane metres of the lane's ends
  ASSERT_TRUE(GeoToGk(lat * kDeg, lon1 * kDeg, a[0], a[1], 39));
  ASSERT_TRUE(GeoToGk(lat * kDeg, lon2 * kDeg, b[0], b[1], 39));
  const int32_t lane = map.AddObject(sample::kTownLane, mdm::kKindLine);
  ASSERT_GT(lane, 0);
  TPointBuf ends;
  ASSERT_TRUE(ends.Alloc(2));
  map.PlaneToMap(a[0], a[1], &ends.points[0].x, &ends.points[0].y);
  map.PlaneToMap(b[0], b[1], &ends.points[1].x, &ends.points[1].y);
  ends.count = 2;
  ASSERT_EQ(map.SetObjectVertices(uint16_t(lane), &ends), 1);
  g_UserLayer.SetModified();

  g_MapView.followGps = 0;
  g_MapView.centreOnGps = 0;
  g_MapView.SetScale(5000);
  double cx, cy;
  ASSERT_TRUE(GeoToGk(lat * kDeg, (lon1 + lon2) / 2 * kDeg, cx, cy, 33));
  g_MapView.CenterOn(cx, cy, 0);
  InvalidateMainView(1);
  harness::PumpUntilIdle();

  const COLORREF white = RGB(255, 255, 255);
  auto inked = [](POINT p) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (harness::ScreenPixel(p.x + dx, p.y + dy) != RGB(255, 255, 255)) return true;
    return false;
  };
  for (double t = 0.1; t < 1.0; t += 0.2) {
    // A ground point on the lane, its place in the view's zone-6 plane through its degrees.
    double plat, plon, vx, vy;
    ASSERT_TRUE(GkToGeo(a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), plat, plon, 39));
    ASSERT_TRUE(GeoToGk(plat, plon, vx, vy, 33));
    int32_t sx, sy;
    g_MapView.PlaneToScreen(vx, vy, &sx, &sy, 1);
    POINT on{sx, sy};
    ClientToScreen(w, &on);
    EXPECT_TRUE(inked(on)) << "t=" << t << " at " << sx << "," << sy;
    EXPECT_EQ(harness::ScreenPixel(on.x, on.y - 12), white) << "t=" << t;
    TObjectRef found[8];
    const int n =
        g_MapView.FindObjectsAt(g_MapView.GetVectorMapCount() - 1, sx, sy, found, 8, 4.0, 0);
    EXPECT_TRUE(
        std::any_of(found, found + n, [&](const TObjectRef& r) { return r.object == lane; }))
        << "t=" << t;
  }
}

// The same walk into a working map framed round the walk only: every fix is on its ground and
// inside, so each is taken and none is told "outside the working map" (taken in the view's zone,
// every fix fell 623 km west of the frame and was refused, with a box after each).
TEST_F(ZoneWalkOnTheTownMap, EveryFixOfTheWalkIsTakenWithoutAWord) {
  ASSERT_EQ(g_MapView.zone, 6);
  harness::ClearMessageBoxes();
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_UserLayer.recording, 1u);
  TMdmMap& map = *g_UserLayer.map;
  size_t moved = 0;
  TMapPoint last{};
  for (const sample::WalkEpoch& e : walk) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(e)));
    const double x = g_MapView.gpsX, y = g_MapView.gpsY;
    harness::Advance(500);
    if (g_MapView.gpsX == x && g_MapView.gpsY == y) continue;
    ++moved;
    last = GroundOf(e, map);
  }
  ASSERT_GE(moved, 5u);
  TPointBuf got;
  ASSERT_GT(map.GetObjectVertices(g_UserLayer.current, &got), 0);
  ASSERT_EQ(size_t(got.count), moved);
  const double unitsPerMetre = 1 / map.UnitMetres();
  EXPECT_NEAR(got.points[got.count - 1].x, last.x, unitsPerMetre);
  EXPECT_NEAR(got.points[got.count - 1].y, last.y, unitsPerMetre);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
}

}  // namespace
