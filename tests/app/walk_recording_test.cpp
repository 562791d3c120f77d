// A walk recorded into the working map as a user meets it in the field, the fake receiver on a
// pseudo-terminal: a save that comes before the first moving fix (the drawing tools opened and
// closed), the track deleted while it records, another working map assigned in the project editor
// mid-walk, and a working map too full to take a track. What counts is what lands in the map
// files, and that nothing is lost without a word.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/input.h"
#include "app/navigation.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "demo_window_fixture.h"
#include "gps/gps_port.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "tests/support/gps_lines.h"
#include "tests/support/project_editor_taps.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/fake_receiver.h"
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

// The demo project with two empty working-map files, each framed by a whole zone band so the
// walk lies inside: Spare.mdm (the working map) and Demo.mdm; the track's type a footpath.
class FieldWalk : public DemoWindow {
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

  sample::FakeReceiver fake;
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

}  // namespace
