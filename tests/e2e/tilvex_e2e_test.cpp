// The program picks a point on a raster picture through Tilvex: command 40180 binds the library,
// its chooser and viewer run, and the program's buffers hold the answer.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/main_window.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "view/image_lib.h"
#include "view/map_view.h"

namespace {

constexpr UINT kCmdPicture = 40180;

// A 64 x 48 24-bit picture of one colour.
std::string SmallBmp() {
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i) & 0xFF));
  };
  std::string s = "BM";
  put32(s, 54 + 64 * 3 * 48);
  put32(s, 0);
  put32(s, 54);
  put32(s, 40);
  put32(s, 64);
  put32(s, 48);
  s += std::string("\x01\x00\x18\x00", 4);
  for (int i = 0; i < 6; ++i) put32(s, 0);
  for (int i = 0; i < 64 * 48; ++i) s += "\x40\x80\xC0";
  return s;
}

void WriteHost(const std::wstring& device, const std::string& bytes) {
  std::ofstream(harness::HostPath(device), std::ios::binary) << bytes;
}

void Command(HWND dlg, int id) { SendMessageW(dlg, WM_COMMAND, static_cast<WPARAM>(id), 0); }

}  // namespace

TEST(TilvexE2e, Command40180PicksTheNearestPicturesNamedPoint) {
  harness::Start();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  CreateDirectoryW(L"\\Maps", nullptr);
  // Two pictures; the one whose pair lies nearer the position is chosen by "Ближний".
  WriteHost(L"\\Maps\\north.bmp", SmallBmp());
  WriteHost(L"\\Maps\\north.ides", "5000 9000\n10:10:Mill;\n");
  WriteHost(L"\\Maps\\town.bmp", SmallBmp());
  WriteHost(L"\\Maps\\town.ides", "1000 2000\n20:30:Church;\n40:20:Bridge;\n");
  startup_test::PlentyOfMemory();
  harness::AnswerMessageBox(L"", IDOK);
  HWND w = startup_test::MakeMainWindow("");
  ASSERT_NE(w, nullptr);
  harness::PumpUntilIdle();

  harness::OnDialog(103, [](HWND dlg) {
    Command(dlg, 1004);  // "Ближний"
    Command(dlg, 1005);  // OK
  });
  bool onPoint = true;
  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    // "Church" at picture (20, 30) from the bottom row: client (20, H - 30) at "1:1".
    RECT rc;
    GetClientRect(dlg, &rc);
    POINT p{onPoint ? 20 : 55, onPoint ? rc.bottom - 30 : rc.bottom - 40};
    ClientToScreen(dlg, &p);
    harness::PenDown(p.x, p.y);
    harness::PenUp(p.x, p.y);
    if (!onPoint) {  // the first hold adds a point, the second selects it
      harness::PenDown(p.x, p.y);
      harness::PenUp(p.x, p.y);
    }
    Command(dlg, 1006);  // "X"
  });
  g_MapView.gpsX = 1010;
  g_MapView.gpsY = 1990;
  for (int run = 0; run < 3; ++run) {
    onPoint = run != 1;
    SendMessageW(w, WM_COMMAND, kCmdPicture, 0);
    harness::PumpUntilIdle();
    EXPECT_STREQ(g_RasterLib.path, "\\Maps\\town.bmp") << run;
    if (onPoint) {
      EXPECT_EQ(g_RasterLib.result, 1) << run;
      EXPECT_STREQ(g_RasterLib.name, "Church") << run;
    } else {
      // A hold on an empty spot adds a point in slot 2, named "2"; a second hold picks it.
      EXPECT_EQ(g_RasterLib.result, 1);
      EXPECT_STREQ(g_RasterLib.name, "2");
    }
    EXPECT_EQ(GetModuleHandleW(L"Tilvex"), nullptr) << "unloaded after each use";
  }
  for (const auto& box : harness::MessageBoxes())
    ADD_FAILURE() << "message box: " << std::string(box.text.begin(), box.text.end());
  DestroyWindow(w);
  harness::Stop();
}
