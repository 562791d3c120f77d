// Raster and vector maps of the demo device's project over the started program, as a user meets
// them: two calibrated pictures reordered in the project editor and then calibrated, a picture
// cut short by an interrupted copy, and a map whose storage card is away for a moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/commands.h"
#include "app/main_window.h"
#include "base/ini_file.h"
#include "edit/method_picker.h"
#include "edit/tool_panel.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/image_writer.h"
#include "tools/sampledata/mdm_writer.h"
#include "view/map_view.h"
#include "view/picture_map.h"
#include "view/point_lists.h"
#include "view/project_maps_dlg.h"

namespace {

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
  const int work = g_MapView.GetVectorMapCount() - 1;
  ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  harness::OnDialog(TMethodPicker::kTemplate, [](HWND dialog) {
    POINT p{4 + 44 * (5 % 5) + 21, 4 + 44 * (5 / 5) + 21};
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
  });
  POINT tile{20, 20};
  ClientToScreen(g_ToolPanel.window, &tile);
  harness::Tap(tile.x, tile.y);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_ToolPanel.method, 5);
  const TPointList& list = ViewLists(g_MapView).calibrationPoints;
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0)->x, pa->points.At(0)->x);
  EXPECT_EQ(list.At(0)->y, pa->points.At(0)->y);
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
