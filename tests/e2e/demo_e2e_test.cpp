// The program started on the demo device under the harness, as a newcomer starts it: the
// settings file's DefaultFile opens the town's project and the first paint draws it, with no
// message box on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/main_window.h"
#include "tests/support/golden_png.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "view/map_view.h"

namespace {

int CountScreen(COLORREF colour) {
  int n = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) n += harness::ScreenPixel(x, y) == colour;
  return n;
}

int ObjectsDrawn() {
  int n = 0;
  for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i) {
    TVectorMapSlot* slot = g_MapView.GetVectorSlot(i);
    if (!slot->inScale) continue;
    for (int k = 1; k < slot->map->count; ++k)
      n += (slot->map->objects[k].flags & 0x0C) == 0x0C;
  }
  return n;
}

// Finds the popup menu's window once its loop runs (the pen-down on the bar opens it inside
// the tap on the bar) and picks the item with `g_pickCommand` by the arrow keys, as a user on the
// device does with the hardware pad. The popup's loop waits for input, so a second thread keeps
// sending the picker its message until one finds the popup open and picks.
UINT g_pickCommand = 0;
std::atomic<bool> g_picked{false};

LRESULT CALLBACK PickerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_APP) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (g_picked) return 0;  // a later ask, queued while the first one picked
  HWND popup = FindWindowW(L"MNU", L"");
  HMENU scale = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, kScaleMenuCommand));
  if (!popup) return 0;  // asked before the popup opened: the watcher asks again
  if (!scale) {
    ADD_FAILURE() << "no popup: " << popup << " " << scale;
    return 0;
  }
  for (int i = 0; i < GetMenuItemCount(scale); ++i) {
    if (GetMenuItemID(scale, i) != g_pickCommand) continue;
    // The popup opens on its first item.
    for (int k = 0; k < i; ++k) SendMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    g_picked = true;
    return 0;
  }
  SendMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  return 0;
}

std::vector<COLORREF> Screen() {
  std::vector<COLORREF> px;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) px.push_back(harness::ScreenPixel(x, y));
  return px;
}

TEST(DemoE2e, StartsOnTheTownWithoutAMessage) {
  harness::Start();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  startup_test::PlentyOfMemory();
  harness::AnswerMessageBox(L"", IDOK);  // no box is expected; none may hang the test
  HWND w = startup_test::MakeMainWindow("");
  ASSERT_NE(w, nullptr);
  harness::PumpUntilIdle();

  // The first full frame: the three maps, fitted, the town and its river on the screen.
  ASSERT_EQ(g_MapView.GetVectorMapCount(), 3);
  EXPECT_GT(g_MapView.scale, 0);
  EXPECT_GT(ObjectsDrawn(), 50);
  const std::vector<uint32_t> palette = sample::DemoTownPalette();
  EXPECT_GT(CountScreen(palette[16]), 240 * 320 / 5) << "town area";
  EXPECT_GT(CountScreen(palette[17]), 300) << "river";
  harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/demo_e2e_first.png");

  for (const auto& box : harness::MessageBoxes()) ADD_FAILURE() << "message box: " << std::string(box.text.begin(), box.text.end());
  DestroyWindow(w);
  harness::Stop();
}

// The newcomer's walk: the scale menu of the command bar, 1:10 000, a tap to pan, an arrow key,
// and the screen against tests/e2e/golden/demo.png. At most 0.5% of the pixels may differ by
// more than 32 in a channel (fonts may hint a little differently). VORNA_UPDATE_GOLDEN=1
// rewrites the picture; look at it before committing it.
TEST(DemoE2e, ScaleMenuPanAndArrowKeyMatchThePicture) {
  const std::string golden = VORNA_SOURCE_DIR "/tests/e2e/golden/demo.png";
  harness::Start();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  startup_test::PlentyOfMemory();
  harness::AnswerMessageBox(L"", IDOK);
  HWND w = startup_test::MakeMainWindow("");
  ASSERT_NE(w, nullptr);
  harness::PumpUntilIdle();
  ASSERT_GT(ObjectsDrawn(), 50);
  const int32_t fitted = g_MapView.GetScale();
  EXPECT_GT(fitted, 10000);
  EXPECT_TRUE(IsMainMenuItemChecked(kScaleMenuCommand, ScaleMenuCommand(fitted)));

  // The scale drop-down is the bar's seventh button.
  WNDCLASSW wc{};
  wc.lpfnWndProc = PickerProc;
  wc.lpszClassName = L"DemoPicker";
  RegisterClassW(&wc);
  HWND picker = CreateWindowExW(0, L"DemoPicker", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  RECT button{};
  ASSERT_TRUE(SendMessageW(g_MenuBar, TB_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&button)));
  POINT p{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ClientToScreen(g_MenuBar, &p);
  g_pickCommand = 41108;
  // Asks every 20 ms until the pick is done (at most 20 s): however late the popup opens on a
  // loaded machine, an ask then finds it.
  std::thread watcher([picker] {
    for (int i = 0; i < 1000 && !g_picked; ++i) {
      PostMessageW(picker, WM_APP, 0, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  // The drop-down opens on the pen-down; a pen-up queued with it would cancel the popup.
  harness::PenDown(p.x, p.y);
  watcher.join();
  harness::PenUp(p.x, p.y);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_picked) << "the scale popup never opened";
  EXPECT_EQ(g_MapView.GetScale(), 10000);
  EXPECT_TRUE(IsMainMenuItemChecked(kScaleMenuCommand, 41108));
  EXPECT_FALSE(IsMainMenuItemChecked(kScaleMenuCommand, ScaleMenuCommand(fitted)));
  const int atTenThousand = ObjectsDrawn();
  EXPECT_GT(atTenThousand, 0);

  // A tap pans: the tapped plane point becomes the centre.
  double wantX, wantY, x, y;
  g_MapView.ScreenToPlane(70, 90, &wantX, &wantY, 1);
  harness::Tap(70, 90);
  harness::PumpUntilIdle();
  const RECT& v = g_MapView.viewRect;
  g_MapView.ScreenToPlane((v.left + v.right) / 2, (v.top + v.bottom) / 2, &x, &y, 1);
  EXPECT_NEAR(x, wantX, 2.0);
  EXPECT_NEAR(y, wantY, 2.0);
  // The right arrow: half a view to the east.
  harness::Key(VK_RIGHT);
  harness::PumpUntilIdle();
  double x2, y2;
  g_MapView.ScreenToPlane((v.left + v.right) / 2, (v.top + v.bottom) / 2, &x2, &y2, 1);
  EXPECT_NEAR(y2 - y, (v.right - v.left) / 2 / g_MapView.pixelsPerMetre, 2.0);
  EXPECT_EQ(g_MapView.GetScale(), 10000);
  EXPECT_GT(ObjectsDrawn(), 0);
  EXPECT_EQ(GetInputMode(), 1);

  const std::vector<COLORREF> px = Screen();
  harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/demo_e2e_panned.png");
  for (const auto& box : harness::MessageBoxes()) ADD_FAILURE() << "message box: " << std::string(box.text.begin(), box.text.end());
  DestroyWindow(picker);
  DestroyWindow(w);
  harness::Stop();

  const char* update = std::getenv("VORNA_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    const std::vector<uint8_t> png = golden_png::EncodePng(px);
    std::ofstream out(golden, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    ASSERT_TRUE(bool(out)) << "cannot write " << golden;
    GTEST_SKIP() << "rewrote " << golden;
  }
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(bool(in)) << golden << " missing; run with VORNA_UPDATE_GOLDEN=1";
  const std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), {});
  std::vector<COLORREF> want;
  ASSERT_TRUE(golden_png::DecodePng(png, want)) << golden << " is not a picture this test wrote";
  const int differing = golden_png::CountDiffering(px, want);
  EXPECT_LE(differing, int(px.size()) / 200) << differing << " pixels differ";
}

}  // namespace
