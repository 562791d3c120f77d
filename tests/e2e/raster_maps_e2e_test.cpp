// Raster and vector maps of the demo device's project over the started program, as a user meets
// them: two calibrated pictures reordered in the project editor and then calibrated, a picture of
// the neighbouring zone calibrated, a picture cut short by an interrupted copy, and a map whose
// storage card is away for a moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "base/ini_file.h"
#include "edit/method_picker.h"
#include "edit/tool_panel.h"
#include "geodesy/gauss_kruger.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tests/support/tool_panel_taps.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/image_writer.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/render_fixture.h"
#include "view/map_view.h"
#include "view/picture_map.h"
#include "view/point_lists.h"
#include "view/project_maps_dlg.h"

namespace {

using tool_taps::TapButton;
using tool_taps::TapPanel;

std::string Host(const std::string& device) { return harness::HostPath(std::wstring(device.begin(), device.end())); }

// A 200 x 200 JPEG over the demo town, north up, its top-left corner `north` metres north of the
// town's north-west corner; the calibration through the program's own writer.
void WriteTownPicture(const std::string& device, double north) {
  double x1, y1, x2, y2;
  sample::DemoTownExtent(&x1, &y1, &x2, &y2);
  const double size = std::max(x2 - x1, y2 - y1) / 200;
  sample::JpegSpec plan;
  plan.width = plan.height = 200;
  ASSERT_TRUE(sample::WriteJpeg(Host(device), plan));
  TPointList points;
  points.Append(TListPoint{x2 + north, y1, 0, 0, 0});
  points.Append(TListPoint{x2 + north - 200 * size, y1 + 200 * size, 0, 200, 200});
  std::string calibration = device.substr(0, device.size() - 4) + ".@@@";
  ASSERT_EQ(WriteCalibrationFile(calibration.c_str(), points), 0);
}

// The demo project with extra lines after its corners (raster lines may stand anywhere).
void WriteProject(const std::string& extraLines) {
  std::string text = sample::DemoProjectText();
  const size_t second = text.find('\n', text.find('\n') + 1);
  text.insert(second, extraLines);
  startup_test::WriteHostFile(Host(sample::kDemoProjectPath), text);
}

// The points of a ".@@@" calibration: its lines after the two header lines.
std::vector<TListPoint> ReadPlaneCalibration(const std::string& device) {
  std::istringstream in(startup_test::ReadHostFile(Host(device)));
  std::vector<TListPoint> points;
  std::string line;
  for (int n = 0; std::getline(in, line); ++n) {
    TListPoint p;
    if (n >= 2 && std::istringstream(line) >> p.px >> p.py >> p.x >> p.y) points.push_back(p);
  }
  return points;
}

void TapControl(HWND dialog, int id) {
  RECT rc{};
  ASSERT_TRUE(GetWindowRect(GetDlgItem(dialog, id), &rc)) << id;
  harness::Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

class RasterMapsE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::PlentyOfMemory();
  }
  void Start() {
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
  }
  void TearDown() override {
    g_ToolPanel.Show(0);
    g_UserLayer.Close();
    if (main) DestroyWindow(main);
    harness::Stop();
  }
  // The screen point of the map area's centre pixel.
  POINT Centre() const {
    const RECT& v = g_MapView.viewRect;
    POINT p{(v.left + v.right) / 2, (v.top + v.bottom) / 2};
    ClientToScreen(main, &p);
    return p;
  }
  // Opens the construction tools on the working map (vector map `work`) and picks method 5.
  void OpenCalibrationTool(int work) {
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
    harness::PumpUntilIdle();
    harness::OnDialog(TMethodPicker::kTemplate, [](HWND dialog) {
      POINT p{4 + 44 * (5 % 5) + 21, 4 + 44 * (5 / 5) + 21};
      ClientToScreen(dialog, &p);
      harness::Tap(p.x, p.y);
    });
    TapPanel(20, 20);
    ASSERT_EQ(g_ToolPanel.method, 5);
  }
  HWND main = nullptr;
};

}  // namespace

// Moving a raster line in the project editor changes which picture lies on top; the one the view
// then draws through is the one the calibration tool edits, without a pan or zoom in between.
TEST_F(RasterMapsE2e, UpInTheProjectEditorThenTheCalibrationToolWorkOnOnePicture) {
  WriteTownPicture("\\Vorna\\Maps\\pa.jpg", 0);
  WriteTownPicture("\\Vorna\\Maps\\pb.jpg", 50);
  WriteProject("\n0\t0\tpa.jpg\n0\t0\tpb.jpg");
  Start();
  ASSERT_EQ(g_MapView.GetRasterMapCount(), 2);
  ASSERT_EQ(g_MapView.activeRaster, 1);  // pb, the last
  harness::OnDialog(TProjectMapsDlg::kTemplate, [](HWND d) {
    SendDlgItemMessageW(d, TProjectMapsDlg::kList, LB_SETCURSEL, 1, 0);  // pb
    TapControl(d, TProjectMapsDlg::kUp);
    TapControl(d, IDOK);
  });
  SendMessageW(main, WM_COMMAND, kCmdProjectEditor, 0);
  harness::PumpUntilIdle();
  ASSERT_STREQ(g_MapView.GetRasterMap(1)->path, "\\Vorna\\Maps\\pa.jpg");
  ASSERT_EQ(g_MapView.activeRaster, 1);
  auto* pa = dynamic_cast<TPictureMap*>(g_MapView.GetRasterMap(1));
  ASSERT_NE(pa, nullptr);
  // The view draws and taps through pa.
  for (int32_t sx : {30, 120, 200}) {
    double x = 0, y = 0, ax = 0, ay = 0;
    g_MapView.ScreenToPlane(sx, 150, &x, &y, 1);
    pa->ScreenToPlane(sx, 150, &ax, &ay);
    EXPECT_EQ(x, ax) << sx;
    EXPECT_EQ(y, ay) << sx;
  }

  // The calibration tool (method 5 from the picker) takes pa's points.
  OpenCalibrationTool(g_MapView.GetVectorMapCount() - 1);
  const TPointList& list = ViewLists(g_MapView).calibrationPoints;
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0)->x, pa->points.At(0)->x);
  EXPECT_EQ(list.At(0)->y, pa->points.At(0)->y);
}

// A zone-8 picture of the ground at 55.7 N 42.3 E beside a zone-7 map of it: the view shows zone 7.
// The calibration tool shows the picture's points on their own pixels; applied unchanged it
// writes back the old coordinates; a point moved by a stroke (from the ground, to the pixel) is
// written in zone 8 at the ground where the stroke began.
TEST_F(RasterMapsE2e, TheCalibrationToolOnAPictureOfTheNeighbouringZoneKeepsItsZone) {
  constexpr double kDeg = 3.14159265358979323846 / 180.0, lat = 55.7 * kDeg, lon = 42.3 * kDeg;
  double x7, y7, x8, y8;  // the ground's centre in either zone
  ASSERT_TRUE(GeoToGkSameDatum(lat, lon, x7, y7, 39.0));
  ASSERT_TRUE(GeoToGkSameDatum(lat, lon, x8, y8, 45.0));
  // A small zone-7 map at the centre (the points lie outside it, on the picture alone).
  sample::MdmSpec ground = sample::RenderMap();
  ground.x1 = x7 - 50, ground.x2 = x7 + 50, ground.y1 = y7 - 40, ground.y2 = y7 + 40;
  ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\Maps\\Ground.mdm", ground));
  // A 400 x 400 picture, a metre a pixel, north up, in zone 8, calibrated by two inner pixels.
  sample::JpegSpec plan;
  plan.width = plan.height = 400;
  plan.quality = 100;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\Maps\\Ground.jpg"), plan));
  const double top = x8 + 200, left = y8 - 200;
  TPointList written;
  written.Append(TListPoint{top - 120, left + 110, 0, 110, 120});
  written.Append(TListPoint{top - 290, left + 300, 0, 300, 290});
  ASSERT_EQ(WriteCalibrationFile("\\Vorna\\Maps\\Ground.@@@", written), 0);
  char corners[160];
  std::snprintf(corners, sizeof corners, "%f\t%f\n%f\t%f", x7 - 200, y7 - 200, x7 + 200, y7 + 200);
  startup_test::WriteHostFile(Host(sample::kDemoProjectPath),
                              std::string(corners) + "\n0\t0\tGround.mdm\n0\t0\tGround.jpg");
  Start();
  ASSERT_EQ(g_MapView.zone, 7);
  ASSERT_EQ(g_MapView.activeRaster, 0);
  auto* picture = dynamic_cast<TPictureMap*>(g_MapView.GetRasterMap(0));
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->ownZone, 8);

  OpenCalibrationTool(0);
  harness::PumpUntilIdle();
  const TPointList& list = ViewLists(g_MapView).calibrationPoints;
  ASSERT_EQ(list.Count(), 2);
  for (int32_t i = 0; i < 2; ++i) {
    // Drawn through the view where the picture shows its pixel, the red centre on the screen.
    const TListPoint& p = *list.At(i);
    EXPECT_EQ(GkZoneOfEasting(p.y), 7) << i;
    int32_t sx, sy, px, py;
    g_MapView.PlaneToScreen(p.x, p.y, &sx, &sy, 1);
    picture->PixelToScreen(p.px, p.py, &px, &py);
    EXPECT_NEAR(sx, px, 1) << i;
    EXPECT_NEAR(sy, py, 1) << i;
    POINT at{px, py};
    ClientToScreen(main, &at);
    ASSERT_TRUE(at.x > 0 && at.x < 240 && at.y > 0 && at.y < 320) << i;
    EXPECT_EQ(harness::ScreenPixel(at.x, at.y), RGB(255, 0, 0)) << i;
  }

  // Applied unchanged: the file holds the old coordinates, in zone 8.
  const std::string file = "\\Vorna\\Maps\\Ground.@@@";
  TapButton(TToolPanel::kFinish);
  std::vector<TListPoint> read = ReadPlaneCalibration(file);
  ASSERT_EQ(read.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(read[i].px, written.At(int32_t(i))->px);
    EXPECT_EQ(read[i].py, written.At(int32_t(i))->py);
    EXPECT_NEAR(read[i].x, written.At(int32_t(i))->x, 0.001) << i;
    EXPECT_NEAR(read[i].y, written.At(int32_t(i))->y, 0.001) << i;
  }
  ASSERT_EQ(picture->ownZone, 8);
  ASSERT_EQ(list.Count(), 2);

  // The first point moved: a stroke with both maps from a ground 24 px off to the point's own
  // pixel. Its plane point is the ground where the stroke began.
  TapButton(TToolPanel::kViewBoth);
  int32_t px, py;
  picture->PixelToScreen(list.At(0)->px, list.At(0)->py, &px, &py);
  const POINT from{px + 24, py + 16};
  double gx7, gy7;  // the ground there as the view reads it (zone 7)
  g_MapView.ScreenToPlane(from.x, from.y, &gx7, &gy7, 1);
  POINT a = from, b{px, py};
  ClientToScreen(main, &a);
  ClientToScreen(main, &b);
  harness::Drag(a.x, a.y, b.x, b.y);
  TapButton(TToolPanel::kFinish);
  read = ReadPlaneCalibration(file);
  ASSERT_EQ(read.size(), 2u);
  double glat, glon, gx8, gy8;
  ASSERT_TRUE(GkToGeoSameDatum(gx7, gy7, glat, glon));
  ASSERT_TRUE(GeoToGkSameDatum(glat, glon, gx8, gy8, 45.0));
  EXPECT_NEAR(read[0].x, gx8, 0.001);
  EXPECT_NEAR(read[0].y, gy8, 0.001);
  // The pixel where it ends, within a screen pixel (a metre a picture pixel).
  const double metres = 1.0 / g_MapView.pixelsPerMetre;
  EXPECT_NEAR(read[0].px, 110, 1 + metres);
  EXPECT_NEAR(read[0].py, 120, 1 + metres);
  // The ground the picture shows under the stroke's start: 24 and 16 screen pixels from the
  // point, at the view's metres per pixel (the zones' turn of about 5 degrees aside).
  EXPECT_NEAR(read[0].y - written.At(0)->y, 24 * metres, 0.15 * 30 * metres);
  EXPECT_NEAR(written.At(0)->x - read[0].x, 16 * metres, 0.15 * 30 * metres);
  EXPECT_NEAR(read[1].x, written.At(1)->x, 0.001);
  EXPECT_NEAR(read[1].y, written.At(1)->y, 0.001);
  EXPECT_EQ(picture->ownZone, 8);
}

// A picture of the demo town calibrated by a ".map" file as that format writes it: thirty "Point"
// lines, the unused ones with blank fields. The blank lines are no points: the picture opens on
// its ground from its three filled lines, in the town's zone, and the view stays in that zone,
// so the town's maps are drawn upright. The same file with the three lines only is the control.
namespace {
class MapFileE2e : public RasterMapsE2e {
 protected:
  void OpenTownPicture(bool full);
};
}  // namespace

void MapFileE2e::OpenTownPicture(bool full) {
  constexpr double kDeg = 3.14159265358979323846 / 180.0;
  double x1, y1, x2, y2;
  sample::DemoTownExtent(&x1, &y1, &x2, &y2);
  const int townZone = GkZoneOfEasting(y1);
  const double meridian = townZone * 6.0 - 3.0;
  // A 200 x 200 picture, north up, over the town; three corners given in degrees and minutes.
  const double size = std::max(x2 - x1, y2 - y1) / 200;
  sample::JpegSpec plan;
  plan.width = plan.height = 200;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\Maps\\Town.jpg"), plan));
  struct Corner {
    int px, py;
    double x, y, lat, lon;  // plane in the town's zone; degrees
  };
  std::vector<Corner> corners = {{0, 0, x2, y1}, {200, 0, x2, y1 + 200 * size}, {0, 200, x2 - 200 * size, y1}};
  std::string filled;
  for (size_t i = 0; i < corners.size(); ++i) {
    Corner& c = corners[i];
    ASSERT_TRUE(GkToGeoSameDatum(c.x, c.y, c.lat, c.lon));
    c.lat /= kDeg, c.lon /= kDeg;
    const double latDeg = std::floor(c.lat), lonDeg = std::floor(c.lon);
    char line[200];
    std::snprintf(line, sizeof line, "Point%02zu,xy, %4d, %4d,in, deg, %3.0f, %.6f,N, %3.0f, %.6f,E, grid,   ,           ,           ,N\n",
                  i + 1, c.px, c.py, latDeg, (c.lat - latDeg) * 60, lonDeg, (c.lon - lonDeg) * 60);
    filled += line;
  }
  std::string blank;
  for (int i = 4; i <= 30; ++i) {
    char line[200];
    std::snprintf(line, sizeof line, "Point%02d,xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, grid,   ,           ,           ,N\n", i);
    blank += line;
  }
  const std::string head = "Map Data File\nTown\nTown.jpg\n1 ,Map Code,\nPulkovo 1942,WGS 84,0.0000,0.0000,WGS 84\n"
                           "Reserved 1\nReserved 2\n";
  WriteProject("\n0\t0\tTown.jpg");

  startup_test::WriteHostFile(Host("\\Vorna\\Maps\\Town.map"), head + filled + (full ? blank : ""));
  {
    harness::ClearMessageBoxes();
    Start();
    EXPECT_TRUE(harness::MessageBoxes().empty());
    EXPECT_EQ(g_MapView.zone, townZone);
    auto* picture = dynamic_cast<TPictureMap*>(g_MapView.GetRasterMap(0));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->open, 1);
    EXPECT_EQ(picture->ownZone, townZone);
    ASSERT_EQ(picture->points.Count(), 3);
    // Each pixel given lies on its ground: the degrees projected at the zone's meridian apart.
    for (const Corner& c : corners) {
      double gx = 0, gy = 0;
      ASSERT_TRUE(GeoToGkSameDatum(c.lat * kDeg, c.lon * kDeg, gx, gy, meridian));
      double px = 0, py = 0;
      picture->PixelToPlane(c.px, c.py, &px, &py);
      EXPECT_NEAR(px, gx, 1.0) << c.px << " " << c.py;
      EXPECT_NEAR(py, gy, 1.0) << c.px << " " << c.py;
      EXPECT_NEAR(gx, c.x, 0.01);  // the oracle's own check: the degrees were written finely
      EXPECT_NEAR(gy, c.y, 0.01);
    }
  }
}

TEST_F(MapFileE2e, AMapFileWithBlankPointLinesOpensOnItsGroundInTheTownsZone) { OpenTownPicture(true); }
TEST_F(MapFileE2e, AMapFileOfItsFilledPointLinesOnlyOpensTheSame) { OpenTownPicture(false); }

// The calibration tool finished on a full card: the user is told the calibration was not saved,
// the points stay as set (the next object does not take the picture's old ones back), the old
// file stands, and Finish once there is room writes the points as set.
TEST_F(RasterMapsE2e, TheCalibrationToolOnAFullCardTellsAndKeepsThePointsForTheNextFinish) {
  WriteTownPicture("\\Vorna\\Maps\\Town.jpg", 0);
  WriteProject("\n0\t0\tTown.jpg");
  Start();
  auto* picture = dynamic_cast<TPictureMap*>(g_MapView.GetRasterMap(0));
  ASSERT_NE(picture, nullptr);
  OpenCalibrationTool(g_MapView.GetVectorMapCount() - 1);
  harness::PumpUntilIdle();
  const TPointList& list = ViewLists(g_MapView).calibrationPoints;
  ASSERT_EQ(list.Count(), 2);
  const std::string file = "\\Vorna\\Maps\\Town.@@@";
  const std::string before = startup_test::ReadHostFile(Host(file));

  // The first point moved by a stroke from a ground 24 px off to its own pixel (the picture's
  // corner, brought to the view's centre).
  TapButton(TToolPanel::kViewBoth);
  g_MapView.CenterOn(list.At(0)->x, list.At(0)->y, 0);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  int32_t px, py;
  picture->PixelToScreen(list.At(0)->px, list.At(0)->py, &px, &py);
  const TListPoint old = *list.At(0);
  POINT a{px + 24, py + 16}, b{px, py};
  ClientToScreen(main, &a);
  ClientToScreen(main, &b);
  harness::Drag(a.x, a.y, b.x, b.y);
  harness::PumpUntilIdle();
  const TListPoint moved = *list.At(0);
  ASSERT_GT(std::hypot(moved.x - old.x, moved.y - old.y), 1.0);

  harness::ClearMessageBoxes();
  harness::LimitFileWrites(0);
  TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  int told = 0;
  for (const auto& box : harness::MessageBoxes()) told += box.text.find(L"\\Vorna\\Maps\\Town.@@@") != std::wstring::npos;
  EXPECT_EQ(told, 1);
  EXPECT_EQ(startup_test::ReadHostFile(Host(file)), before);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_NEAR(list.At(0)->x, moved.x, 1e-6);
  EXPECT_NEAR(list.At(0)->y, moved.y, 1e-6);

  harness::LimitFileWrites(-1);
  TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  const std::vector<TListPoint> read = ReadPlaneCalibration(file);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_NEAR(read[0].x, moved.x, 0.001);
  EXPECT_NEAR(read[0].y, moved.y, 0.001);
  EXPECT_EQ(read[0].px, moved.px);
  EXPECT_EQ(read[0].py, moved.py);

  // Failed again and the panel put away: opened anew, it shows the picture's points.
  harness::LimitFileWrites(0);
  TapButton(TToolPanel::kFinish);
  harness::LimitFileWrites(-1);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  ASSERT_FALSE(g_ToolPanel.IsShown());
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_ToolPanel.method, 5);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_NEAR(list.At(0)->x, moved.x, 0.001);
}

// A calibrated picture cut short by an interrupted copy, in the project opened at start: it is
// not made active and the user is told once; the vector maps show and a tap reads the view's own
// chain, before any pan and after.
TEST_F(RasterMapsE2e, APictureCutShortIsToldOnceAndTheMapsShowWithoutIt) {
  WriteTownPicture("\\Vorna\\Maps\\cut.jpg", 0);
  const std::string host = Host("\\Vorna\\Maps\\cut.jpg");
  std::filesystem::resize_file(host, std::filesystem::file_size(host) / 2);
  WriteProject("\n0\t0\tcut.jpg");
  harness::AnswerMessageBox(L"", IDOK);
  Start();
  ASSERT_EQ(g_MapView.GetRasterMapCount(), 1);
  EXPECT_EQ(g_MapView.GetRasterMap(0)->active, 0);
  EXPECT_EQ(g_MapView.activeRaster, -1);
  EXPECT_EQ(g_MapView.planeToScreenOverride, nullptr);
  int objects = 0;
  for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i) {
    TVectorMapSlot* slot = g_MapView.GetVectorSlot(i);
    if (!slot->inScale) continue;
    for (int k = 1; k < slot->map->count; ++k) objects += (slot->map->objects[k].flags & 0x0C) == 0x0C;
  }
  EXPECT_GT(objects, 0);
  const POINT c = Centre();
  int nonWhite = 0;
  for (int dy = -60; dy <= 60; dy += 5)
    for (int dx = -100; dx <= 100; dx += 5) nonWhite += harness::ScreenPixel(c.x + dx, c.y + dy) != RGB(255, 255, 255);
  EXPECT_GT(nonWhite, 50) << "the town is drawn";
  double x = 0, y = 0, px = 0, py = 0;
  g_MapView.ScreenToPlane(120, 150, &x, &y, 1);
  g_MapView.ScreenToPlane(120, 150, &px, &py, 0);
  EXPECT_EQ(x, px);
  EXPECT_EQ(y, py);
  EXPECT_GT(x, 6000000.0);
  harness::Key(VK_RIGHT);
  harness::PumpUntilIdle();
  harness::Key(VK_LEFT);
  harness::PumpUntilIdle();
  size_t told = 0;
  for (const auto& box : harness::MessageBoxes()) told += box.text.find(L"cut.jpg") != std::wstring::npos;
  EXPECT_EQ(told, 1u);
}

// A map out of view at start whose file is away (a storage card out) when the user pans onto it:
// told once however long it stays in view, and drawn on the next pan once the file is back.
TEST_F(RasterMapsE2e, AMapAwayWhenPannedOntoIsToldOnceAndReadOnceBack) {
  double x1, y1, x2, y2;
  sample::DemoTownExtent(&x1, &y1, &x2, &y2);
  sample::MdmSpec east = sample::DemoMdm();
  east.library = "Town";
  east.x1 = x1;
  east.x2 = x1 + 10000;
  east.y1 = y2 + 3000;
  east.y2 = east.y1 + 10000;
  ASSERT_TRUE(sample::WriteMdm(Host("\\Vorna\\Maps\\east.mdm"), east));
  std::string text = sample::DemoProjectText();
  startup_test::WriteHostFile(Host(sample::kDemoProjectPath), text + "\n0\t0\teast.mdm");
  Start();
  const int index = g_MapView.FindVectorMapIndex("\\Vorna\\Maps\\east.mdm");
  ASSERT_GE(index, 0);
  TVectorMapSlot* slot = g_MapView.GetVectorSlot(index);
  ASSERT_EQ(slot->inScale, 0);
  const std::string host = Host("\\Vorna\\Maps\\east.mdm");
  ASSERT_EQ(std::rename(host.c_str(), (host + ".away").c_str()), 0);
  harness::ClearMessageBoxes();
  int presses = 0;
  while (!slot->inScale && presses < 60) {
    harness::Key(VK_RIGHT);
    harness::PumpUntilIdle();
    ++presses;
  }
  ASSERT_EQ(slot->inScale, 1) << presses;
  EXPECT_EQ(slot->map->loaded, 0u);
  harness::Key(VK_RIGHT);  // still in view, still away
  harness::PumpUntilIdle();
  ASSERT_EQ(slot->inScale, 1);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"east.mdm"), std::wstring::npos);
  ASSERT_EQ(std::rename((host + ".away").c_str(), host.c_str()), 0);
  harness::Key(VK_DOWN);
  harness::PumpUntilIdle();
  EXPECT_NE(slot->map->loaded, 0u);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
}
