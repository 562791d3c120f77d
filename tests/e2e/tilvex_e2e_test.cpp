// The program picks a point on a raster picture of the demo device through Tilvex: command 40180
// binds the library, its chooser and viewer run, and the program's buffers hold the answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "view/image_lib.h"
#include "view/map_view.h"

namespace {

constexpr UINT kCmdPicture = 40180;

struct NamedPoint {
  int x = 0, y = 0;
  std::string name;
};

// A ".ides" file as its layout reads: "X Y" then "x:y:name;" lines.
struct Ides {
  double centreX = 0, centreY = 0;
  std::vector<NamedPoint> points;
};

Ides ReadIdes(const std::wstring& device) {
  std::ifstream in(harness::HostPath(device), std::ios::binary);
  Ides f;
  std::string line;
  if (std::getline(in, line)) std::istringstream(line) >> f.centreX >> f.centreY;
  while (std::getline(in, line)) {
    NamedPoint p;
    const size_t a = line.find(':'), b = line.find(':', a + 1), end = line.find(';');
    if (a == std::string::npos || b == std::string::npos || end == std::string::npos) continue;
    p.x = std::stoi(line.substr(0, a));
    p.y = std::stoi(line.substr(a + 1, b - a - 1));
    p.name = line.substr(b + 1, end - b - 1);
    f.points.push_back(p);
  }
  return f;
}

void Command(HWND dlg, int id) { SendMessageW(dlg, WM_COMMAND, static_cast<WPARAM>(id), 0); }

void Tap(HWND dlg, int x, int y) {
  POINT p{x, y};
  ClientToScreen(dlg, &p);
  harness::PenDown(p.x, p.y);
  harness::PenUp(p.x, p.y);
}

HWND StartDemo() {
  harness::Start();
  EXPECT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  startup_test::PlentyOfMemory();
  harness::AnswerMessageBox(L"", IDOK);
  HWND w = startup_test::MakeMainWindow("");
  harness::PumpUntilIdle();
  return w;
}

}  // namespace

TEST(TilvexE2e, DemoPicturesGiveTheirNamedPointsThroughCommand40180) {
  HWND w = StartDemo();
  ASSERT_NE(w, nullptr);
  const Ides town = ReadIdes(L"\\Maps\\town.ides");
  const Ides overview = ReadIdes(L"\\Maps\\overview.ides");
  ASSERT_EQ(town.points.size(), 2u);
  ASSERT_EQ(overview.points.size(), 2u);
  ASSERT_NE(town.centreY, overview.centreY) << "\"Ближний\" must tell the pictures apart";

  harness::OnDialog(103, [](HWND dlg) {
    Command(dlg, 1004);  // "Ближний"
    Command(dlg, 1005);  // OK
  });
  // Each run: which picture is nearest, where the pen goes (picture pixels), and what comes back.
  struct Run {
    const Ides* near;
    bool bottomUp;  // a bitmap's Y counts from its bottom row, a JPEG's from the top
    int px, py;
    bool twice;     // a hold on an empty spot adds a point; a second hold picks it
    const char* path;
    std::string name;
    const char* shot;
  };
  const std::vector<Run> runs = {
      {&town, true, town.points[0].x, town.points[0].y, false, "\\Maps\\town.bmp",
       town.points[0].name, "tilvex_demo_bmp.png"},
      {&town, true, 55, 40, true, "\\Maps\\town.bmp", "2", nullptr},
      {&overview, false, overview.points[1].x, overview.points[1].y, false, "\\Maps\\overview.jpg",
       overview.points[1].name, "tilvex_demo_jpg.png"},
  };
  const Run* run = nullptr;
  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    RECT rc;
    GetClientRect(dlg, &rc);
    if (run->shot) harness::SaveScreen(::testing::TempDir() + run->shot);
    // At "1:1" the picture's first pixels fill the screen from the bottom-left (bitmap) or the
    // top-left (JPEG) corner.
    const int y = run->bottomUp ? rc.bottom - run->py : run->py;
    Tap(dlg, run->px, y);
    if (run->twice) Tap(dlg, run->px, y);
    Command(dlg, 1006);  // "X"
  });
  for (const Run& r : runs) {
    run = &r;
    g_MapView.gpsX = r.near->centreX + 40;
    g_MapView.gpsY = r.near->centreY - 25;
    SendMessageW(w, WM_COMMAND, kCmdPicture, 0);
    harness::PumpUntilIdle();
    EXPECT_STREQ(g_RasterLib.path, r.path);
    EXPECT_EQ(g_RasterLib.result, 1) << r.path;
    EXPECT_EQ(std::string(g_RasterLib.name), r.name);
    EXPECT_EQ(GetModuleHandleW(L"Tilvex"), nullptr) << "unloaded after each use";
  }
  // The point added on the bitmap was written back beside it, after the two named ones.
  const Ides after = ReadIdes(L"\\Maps\\town.ides");
  ASSERT_EQ(after.points.size(), 3u);
  EXPECT_EQ(after.points[2].name, "2");
  EXPECT_EQ(after.points[0].name, town.points[0].name);
  for (const auto& box : harness::MessageBoxes())
    ADD_FAILURE() << "message box: " << std::string(box.text.begin(), box.text.end());
  DestroyWindow(w);
  harness::Stop();
}

TEST(TilvexE2e, MissingLibraryStopsTheCommandWithItsMessage) {
  HWND w = StartDemo();
  ASSERT_NE(w, nullptr);
  // A folder searched first whose Tilvex cannot be loaded stands for a device without one.
  const std::string dir = harness::Root() + "/nomodules";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/Tilvex.so") << "not a module";
  setenv("VORNA_MODULE_DIR", dir.c_str(), 1);
  harness::ClearMessageBoxes();
  const size_t dialogs = harness::DialogsOpened().size();
  SendMessageW(w, WM_COMMAND, kCmdPicture, 0);
  harness::PumpUntilIdle();
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Не найдена DLL Tilvex");
  EXPECT_EQ(harness::MessageBoxes()[0].type & 0xF0, UINT(MB_ICONSTOP));
  EXPECT_EQ(harness::DialogsOpened().size(), dialogs) << "no chooser without the library";
  EXPECT_EQ(g_RasterLib.result, 0);
  EXPECT_STREQ(g_RasterLib.path, "");
  // With the library back the same command opens the chooser.
  unsetenv("VORNA_MODULE_DIR");
  bool chooser = false;
  harness::OnDialog(103, [&](HWND dlg) {
    chooser = true;
    Command(dlg, 1001);  // "Выход"
  });
  SendMessageW(w, WM_COMMAND, kCmdPicture, 0);
  harness::PumpUntilIdle();
  EXPECT_TRUE(chooser);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  DestroyWindow(w);
  harness::Stop();
}
