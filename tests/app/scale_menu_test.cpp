// The scale menu of the command bar on the demo device, used with the pen as a person does: a tap
// on the magnifier shows the menu (the scale in force highlighted) and changes nothing; a tap on a
// row then picks that scale.
#include <gtest/gtest.h>

#include <functional>

#include "app/main_window.h"
#include "app/menu_opener.h"
#include "demo_window_fixture.h"

namespace {

using demo_window::DemoWindow;

constexpr int kRow = 18;  // pixels, a text row of a menu
constexpr UINT kScriptMessage = WM_APP + 0x3F0;
constexpr UINT kMagnifierButton = 6;  // the bar's seventh button: the scale drop-down
constexpr UINT kScale2000 = 41105;

WNDPROC g_mainProc = nullptr;
std::function<void()> g_script;

// The main window's procedure with one addition: when a popup is being prepared it has the
// test's script run inside the popup's loop (a posted message runs there once the popup shows).
LRESULT CALLBACK Watching(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kScriptMessage) {
    std::function<void()> script = std::move(g_script);
    g_script = nullptr;
    if (script) script();
    return 0;
  }
  if (msg == WM_INITMENUPOPUP && g_script) PostMessageW(hwnd, kScriptMessage, 0, 0);
  return CallWindowProcW(g_mainProc, hwnd, msg, wParam, lParam);
}

int PositionOf(HMENU menu, UINT command) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (GetMenuItemID(menu, i) == command) return i;
  return -1;
}

TEST_F(DemoWindow, ATapOnTheMagnifierShowsTheScaleMenuAndATapOnARowPicksIt) {
  harness::PumpUntilIdle();
  g_mainProc = reinterpret_cast<WNDPROC>(SetWindowLongW(w, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(Watching)));
  ASSERT_NE(g_mainProc, nullptr);
  HMENU scaleMenu = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, kScaleMenuCommand));
  ASSERT_NE(scaleMenu, nullptr);
  RECT button{};
  ASSERT_TRUE(SendMessageW(g_MenuBar, TB_GETITEMRECT, kMagnifierButton, reinterpret_cast<LPARAM>(&button)));
  POINT magnifier{(button.left + button.right) / 2, MENU_HEIGHT / 2};
  ClientToScreen(g_MenuBar, &magnifier);
  RECT bar{};
  GetWindowRect(g_MenuBar, &bar);
  const int before = g_MapView.GetScale();
  const int current = PositionOf(scaleMenu, ScaleMenuCommand(before));
  const int wanted = PositionOf(scaleMenu, kScale2000);
  ASSERT_GE(current, 0);
  ASSERT_GE(wanted, 0);

  bool shown = false;
  RECT popup{};
  POINT row{};
  g_script = [&] {
    harness::PumpUntilIdle();  // the tap's own pen-up: it must pick nothing
    HWND menu = FindWindowW(L"MNU", L"");
    shown = menu != nullptr;
    EXPECT_EQ(g_MapView.GetScale(), before);
    if (!menu) return;
    // The opener highlights the scale in force once its timer runs.
    harness::Advance(TMenuOpener::kDelayMs + 50);
    harness::PumpUntilIdle();
    harness::SaveScreen("/tmp/vorna_scale_menu.png");
    GetWindowRect(menu, &popup);
    // The highlighted row, found on the screen, is the scale in force; "1:2 000" lies whole rows
    // below it.
    COLORREF hi = GetSysColor(COLOR_HIGHLIGHT);
    int top = -1;
    for (int y = popup.top; y < popup.bottom && top < 0; ++y)
      if (harness::ScreenPixel(popup.left + 3, y) == hi) top = y;
    if (top < 0) {
      ADD_FAILURE() << "no highlighted row";
      EndMenu();
      return;
    }
    row = POINT{popup.left + 30, top + (wanted - current) * kRow + kRow / 2};
    if (row.y <= top || row.y >= popup.bottom - 16) {
      ADD_FAILURE() << "1:2 000 is not in sight at " << row.y;
      EndMenu();
      return;
    }
    harness::Tap(row.x, row.y);
  };
  harness::Tap(magnifier.x, magnifier.y);
  harness::PumpUntilIdle();
  SetWindowLongW(w, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));

  EXPECT_TRUE(shown);
  // The whole menu stays on the screen, above the bar that opened it.
  EXPECT_GE(popup.top, 0);
  EXPECT_EQ(popup.bottom, bar.top);
  EXPECT_EQ(g_MapView.GetScale(), 2000);
  EXPECT_TRUE(IsMainMenuItemChecked(kScaleMenuCommand, kScale2000));
  EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
}

// Keys pressed in the opening menu before the opener's delay has run out keep the row they
// moved to: three Downs from the first row and Return pick the third scale of the menu,
// 1:1 000 000, not a row the opener's walk would add to theirs.
TEST_F(DemoWindow, KeysPressedBeforeTheOpenerRunsKeepTheirRow) {
  harness::PumpUntilIdle();
  g_mainProc = reinterpret_cast<WNDPROC>(
      SetWindowLongW(w, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(Watching)));
  ASSERT_NE(g_mainProc, nullptr);
  RECT button{};
  ASSERT_TRUE(SendMessageW(g_MenuBar, TB_GETITEMRECT, kMagnifierButton,
                           reinterpret_cast<LPARAM>(&button)));
  POINT magnifier{(button.left + button.right) / 2, MENU_HEIGHT / 2};
  ClientToScreen(g_MenuBar, &magnifier);
  ASSERT_EQ(g_MapView.GetScale(), 30000);
  bool shown = false;
  g_script = [&] {
    harness::PumpUntilIdle();
    shown = FindWindowW(L"MNU", L"") != nullptr;
    for (int i = 0; i < 3; ++i) harness::Key(VK_DOWN);
    harness::Advance(TMenuOpener::kDelayMs + 50);  // the opener's tick finds the keys' row
    harness::Key(VK_RETURN);
  };
  harness::Tap(magnifier.x, magnifier.y);
  harness::PumpUntilIdle();
  SetWindowLongW(w, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
  EXPECT_TRUE(shown);
  EXPECT_EQ(g_MapView.GetScale(), 1000000);
  EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
}

}  // namespace
