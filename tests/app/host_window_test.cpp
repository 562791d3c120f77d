// The program in the host's window on the demo device: a redraw of the map while a popup is open
// leaves no picture of the popup behind; the host's close runs the shutdown and saves; minimise
// takes the program off the screen and restore paints it back as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/back_buffer.h"
#include "base/ini_file.h"
#include "app/main_window.h"
#include "demo_window_fixture.h"
#include "platform/core/internal.h"

namespace {

using demo_window::DemoWindow;

constexpr COLORREF kPopupColour = RGB(255, 0, 255);

LRESULT CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH b = CreateSolidBrush(kPopupColour);
    FillRect(dc, &ps.rcPaint, b);
    DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// A popup as the menus make one: topmost, never active, owned by the main window.
HWND OpenPopup(HWND owner, const RECT& r) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PopupProc;
  wc.lpszClassName = L"TestPopup";
  RegisterClassW(&wc);
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"TestPopup", L"", WS_POPUP | WS_VISIBLE,
                         r.left, r.top, r.right - r.left, r.bottom - r.top, owner, nullptr, nullptr,
                         nullptr);
}

std::vector<COLORREF> ScreenIn(const RECT& r) {
  std::vector<COLORREF> px;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) px.push_back(harness::ScreenPixel(x, y));
  return px;
}

std::vector<COLORREF> BackBufferIn(const RECT& r) {
  std::vector<COLORREF> px;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) px.push_back(GetPixel(g_BackBuffer.memDc, x, y));
  return px;
}

size_t Count(const std::vector<COLORREF>& px, COLORREF c) {
  size_t n = 0;
  for (COLORREF p : px) n += p == c;
  return n;
}

// The map as a full redraw with nothing above it paints it.
std::vector<COLORREF> FreshMap(HWND w, const RECT& view) {
  InvalidateMainView(1);
  UpdateWindow(w);
  return ScreenIn(view);
}

std::string ReadHostFile(const std::wstring& devicePath) {
  std::ifstream in(harness::HostPath(devicePath), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(DemoWindow, ARedrawUnderAnOpenPopupLeavesNoPictureOfItBehind) {
  harness::PumpUntilIdle();
  const RECT view = g_MapView.viewRect;
  ASSERT_GT(view.bottom - view.top, 100);
  ASSERT_EQ(Count(ScreenIn(view), kPopupColour), 0u) << "the map must not use the popup's colour";
  const RECT p{view.left + 40, view.top + 30, view.left + 160, view.top + 130};
  HWND popup = OpenPopup(w, p);
  harness::PumpUntilIdle();
  ASSERT_EQ(harness::ScreenPixel(p.left + 5, p.top + 5), kPopupColour);

  // The scale changes while the popup is open (a timer or a command can do so): the map is drawn
  // around the popup, and the back buffer copies none of the popup.
  Command(41108);
  UpdateWindow(w);
  EXPECT_EQ(Count(ScreenIn(p), kPopupColour), size_t(p.right - p.left) * (p.bottom - p.top))
      << "the map drew over the popup";
  EXPECT_EQ(Count(BackBufferIn(view), kPopupColour), 0u);
  // An ordinary repaint elsewhere in the view restores the back buffer, still without the popup.
  RECT corner{view.left, view.bottom - 20, view.left + 20, view.bottom};
  InvalidateRect(w, &corner, FALSE);
  harness::PumpUntilIdle();
  EXPECT_EQ(Count(BackBufferIn(view), kPopupColour), 0u);

  DestroyWindow(popup);
  harness::PumpUntilIdle();
  const std::vector<COLORREF> uncovered = ScreenIn(view);
  EXPECT_EQ(Count(uncovered, kPopupColour), 0u);
  EXPECT_EQ(Count(BackBufferIn(view), kPopupColour), 0u);
  // What the popup uncovered is the map at the new scale, as a redraw with no popup paints it.
  const std::vector<COLORREF> fresh = FreshMap(w, view);
  EXPECT_TRUE(uncovered == fresh) << "the area under the popup shows another picture";
  EXPECT_TRUE(BackBufferIn(view) == fresh);

  // A later partial repaint of that area copies the same picture back.
  InvalidateRect(w, &p, FALSE);
  harness::PumpUntilIdle();
  EXPECT_TRUE(ScreenIn(view) == fresh);
}

TEST_F(DemoWindow, TheHostWindowsCloseRunsTheShutdownAndSavesTheSettings) {
  harness::PumpUntilIdle();
  Command(41024);  // the grid switch, off by default
  ASSERT_EQ(g_Ini.GetInt("MapViewGrid"), 1);
  ASSERT_EQ(vplat::ProgramMainWindow(), w);
  vplat::RequestProgramClose();
  EXPECT_TRUE(IsWindow(w)) << "the close is posted, as the host's event arrives between messages";
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_TRUE(quit);
  EXPECT_FALSE(IsWindow(w));
  w = nullptr;
  const std::string ini = ReadHostFile(L"\\Vorna\\Vorna.ini");
  EXPECT_NE(ini.find("MapViewGrid=1"), std::string::npos) << ini;
}

TEST_F(DemoWindow, MinimiseTakesTheProgramOffTheScreenAndRestorePaintsItBack) {
  harness::PumpUntilIdle();
  const RECT screen{0, 0, 240, 320};
  const std::vector<COLORREF> before = ScreenIn(screen);
  const HWND focus = GetFocus();
  ASSERT_EQ(GetForegroundWindow(), w);
  Command(40181);  // File -> Minimise
  harness::PumpUntilIdle();
  EXPECT_TRUE(vplat::ProgramMinimized());
  EXPECT_TRUE(vplat::TakeMinimizeNotice());
  EXPECT_FALSE(IsWindowVisible(w));
  // No window of the program is left on the screen (its command bar included).
  for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    EXPECT_FALSE(IsWindowVisible(h));

  // Another program drew over the whole screen meanwhile.
  HDC dc = GetDC(nullptr);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  PatBlt(dc, 0, 0, 240, 320, PATCOPY);
  ReleaseDC(nullptr, dc);
  vplat::RestoreProgram();
  harness::PumpUntilIdle();
  EXPECT_FALSE(vplat::ProgramMinimized());
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(GetForegroundWindow(), w);
  EXPECT_TRUE(ScreenIn(screen) == before) << "the restored screen differs from the one minimised";
  // The program takes keys again: the key the focus gets is the main window's.
  EXPECT_EQ(GetFocus(), focus);
}

}  // namespace
