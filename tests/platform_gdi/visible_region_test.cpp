// A window DC is the window's visible region: it neither draws over nor reads from a window
// stacked above it, and what a closing window uncovers is painted again. Minimising the program
// takes all its windows off the screen and restoring paints them back.
#include <map>
#include <vector>

#include "platform/core/internal.h"
#include "platform/harness.h"
#include "tests/platform_gdi/gdi_test_support.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::map<HWND, std::vector<RECT>>& Paints() {
  static std::map<HWND, std::vector<RECT>> p;
  return p;
}

// Paints its whole update area in the colour kept in GWLP_USERDATA and notes the rectangle.
LRESULT CALLBACK PaintSolid(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    Paints()[hwnd].push_back(ps.rcPaint);
    HBRUSH b = CreateSolidBrush(COLORREF(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    FillRect(dc, &ps.rcPaint, b);
    DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

class VisibleRegion : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    Paints().clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintSolid;
    wc.lpszClassName = L"Solid";
    RegisterClassW(&wc);
  }
  void TearDown() override { harness::Stop(); }

  HWND Make(COLORREF c, int x, int y, int w, int h, DWORD ex = 0, HWND owner = nullptr,
            DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND hwnd = CreateWindowExW(ex, L"Solid", L"", style, x, y, w, h, owner, nullptr, nullptr,
                                nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(c));
    InvalidateRect(hwnd, nullptr, FALSE);
    return hwnd;
  }
};

// The map window below, a menu-like popup above it at (50, 60)-(150, 140).
TEST_F(VisibleRegion, AWindowDcNeitherDrawsOverNorReadsFromAWindowAbove) {
  HWND map = Make(kRed, 0, 0, 240, 320);
  HWND popup = Make(kBlue, 50, 60, 100, 80, WS_EX_TOPMOST | WS_EX_NOACTIVATE, map);
  harness::PumpUntilIdle();
  ASSERT_EQ(harness::ScreenPixel(100, 100), kBlue);

  HDC dc = GetDC(map);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  PatBlt(dc, 0, 0, 240, 320, PATCOPY);
  EXPECT_EQ(harness::ScreenPixel(100, 100), kBlue);   // the popup keeps its picture
  EXPECT_EQ(harness::ScreenPixel(49, 100), kBlack);
  EXPECT_EQ(harness::ScreenPixel(150, 100), kBlack);
  EXPECT_EQ(GetPixel(dc, 100, 100), CLR_INVALID);

  // A copy of the window (as a back buffer takes it) has none of the popup's pixels: where the
  // popup lies the copy keeps what it held.
  Canvas copy(240, 320);
  copy.Clear(kGreen);
  BitBlt(copy.dc(), 0, 0, 240, 320, dc, 0, 0, SRCCOPY);
  EXPECT_EQ(copy.At(10, 10), kBlack);
  EXPECT_EQ(copy.At(49, 59), kBlack);
  EXPECT_EQ(copy.At(50, 60), kGreen);
  EXPECT_EQ(copy.At(149, 139), kGreen);
  EXPECT_EQ(copy.At(150, 139), kBlack);
  EXPECT_EQ(copy.At(149, 140), kBlack);
  // Offset source, stretched and keyed copies read the same region.
  copy.Clear(kGreen);
  BitBlt(copy.dc(), 0, 0, 100, 100, dc, 40, 50, SRCCOPY);
  EXPECT_EQ(copy.At(9, 9), kBlack);
  EXPECT_EQ(copy.At(10, 10), kGreen);
  copy.Clear(kGreen);
  StretchBlt(copy.dc(), 0, 0, 240, 320, dc, 0, 0, 120, 160, SRCCOPY);  // twice the size
  EXPECT_EQ(copy.At(98, 118), kBlack);
  EXPECT_EQ(copy.At(100, 120), kGreen);
  EXPECT_EQ(copy.At(20, 20), kBlack);
  copy.Clear(kGreen);
  TransparentBlt(copy.dc(), 0, 0, 240, 320, dc, 0, 0, 240, 320, RGB(1, 2, 3));
  EXPECT_EQ(copy.At(100, 100), kGreen);
  EXPECT_EQ(copy.At(10, 100), kBlack);
  // A copy within the window (a scroll) brings none of the popup into the window's own pixels.
  SetPixel(dc, 0, 0, kRed);
  BitBlt(dc, 0, 0, 20, 20, dc, 60, 70, SRCCOPY);
  EXPECT_EQ(harness::ScreenPixel(0, 0), kRed);
  EXPECT_EQ(harness::ScreenPixel(100, 100), kBlue);
  ReleaseDC(map, dc);

  // The screen DC reads what the screen shows, popup included.
  HDC screen = GetDC(nullptr);
  copy.Clear(kGreen);
  BitBlt(copy.dc(), 0, 0, 240, 320, screen, 0, 0, SRCCOPY);
  EXPECT_EQ(copy.At(100, 100), kBlue);
  ReleaseDC(nullptr, screen);
  DestroyWindow(popup);
  DestroyWindow(map);
}

TEST_F(VisibleRegion, WhatAClosingWindowUncoversIsPaintedAgain) {
  HWND map = Make(kRed, 0, 0, 240, 320);
  HWND bar = Make(kGreen, 0, 294, 240, 26, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  harness::PumpUntilIdle();
  for (bool destroy : {false, true}) {
    HWND popup = Make(kBlue, 50, 60, 100, 80, WS_EX_TOPMOST | WS_EX_NOACTIVATE, map);
    harness::PumpUntilIdle();
    ASSERT_EQ(harness::ScreenPixel(60, 70), kBlue);
    Paints().clear();
    if (destroy) DestroyWindow(popup);
    else ShowWindow(popup, SW_HIDE);
    harness::PumpUntilIdle();
    ASSERT_EQ(Paints()[map].size(), 1u) << destroy;
    const RECT& r = Paints()[map][0];
    EXPECT_TRUE(r.left <= 50 && r.top <= 60 && r.right >= 150 && r.bottom >= 140) << destroy;
    EXPECT_EQ(Paints().count(bar), 0u) << "a window the popup never covered is not repainted";
    for (POINT p : {POINT{50, 60}, POINT{100, 100}, POINT{149, 139}})
      EXPECT_EQ(harness::ScreenPixel(p.x, p.y), kRed) << destroy << " " << p.x << "," << p.y;
    if (!destroy) DestroyWindow(popup);
  }
  // A dialog moved away uncovers its old place too.
  HWND dialog = Make(kBlue, 20, 40, 200, 100, 0, map);
  harness::PumpUntilIdle();
  ASSERT_EQ(harness::ScreenPixel(30, 50), kBlue);
  SetWindowPos(dialog, nullptr, 20, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  harness::PumpUntilIdle();
  EXPECT_EQ(harness::ScreenPixel(30, 50), kRed);
  EXPECT_EQ(harness::ScreenPixel(30, 190), kBlue);
}

TEST_F(VisibleRegion, MinimiseHidesTheProgramsWindowsAndRestorePaintsThemBack) {
  HWND shellBar = Make(kGreen, 0, 0, 240, 26, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  HWND main = Make(kRed, 0, 26, 240, 268);
  HWND commandBar = Make(kBlue, 0, 294, 240, 26, WS_EX_NOACTIVATE, main);
  HWND hiddenPanel = Make(kBlack, 0, 200, 240, 60, WS_EX_TOPMOST | WS_EX_NOACTIVATE, nullptr,
                          WS_POPUP);
  harness::PumpUntilIdle();
  EXPECT_EQ(vplat::ProgramMainWindow(), main);  // the shell's bar cannot be activated
  EXPECT_FALSE(vplat::ProgramMinimized());
  EXPECT_FALSE(vplat::TakeMinimizeNotice());

  ShowWindow(main, SW_MINIMIZE);
  harness::PumpUntilIdle();
  EXPECT_TRUE(vplat::ProgramMinimized());
  EXPECT_TRUE(vplat::TakeMinimizeNotice());
  EXPECT_FALSE(vplat::TakeMinimizeNotice());  // told once
  for (HWND h : {shellBar, main, commandBar, hiddenPanel}) EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(GetForegroundWindow(), nullptr);

  // Something scribbles over the screen while the program is away.
  HDC screen = GetDC(nullptr);
  SelectObject(screen, GetStockObject(WHITE_BRUSH));
  PatBlt(screen, 0, 0, 240, 320, PATCOPY);
  ReleaseDC(nullptr, screen);
  Paints().clear();
  vplat::RestoreProgram();
  harness::PumpUntilIdle();
  EXPECT_FALSE(vplat::ProgramMinimized());
  for (HWND h : {shellBar, main, commandBar}) {
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ(Paints()[h].size(), 1u);
  }
  EXPECT_FALSE(IsWindowVisible(hiddenPanel)) << "what was hidden before stays hidden";
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_EQ(harness::ScreenPixel(5, 5), kGreen);
  EXPECT_EQ(harness::ScreenPixel(120, 160), kRed);
  EXPECT_EQ(harness::ScreenPixel(120, 300), kBlue);
  vplat::RestoreProgram();  // not minimised: nothing
  EXPECT_TRUE(IsWindowVisible(main));

  // The program may also bring itself back by showing its main window.
  ShowWindow(main, SW_MINIMIZE);
  ShowWindow(main, SW_SHOWNORMAL);
  EXPECT_FALSE(vplat::ProgramMinimized());
  EXPECT_TRUE(IsWindowVisible(commandBar));
  // Hiding (not minimising) the main window is no minimise.
  ShowWindow(main, SW_HIDE);
  EXPECT_FALSE(vplat::ProgramMinimized());
  EXPECT_TRUE(IsWindowVisible(commandBar));
}

TEST_F(VisibleRegion, TheHostCloseSendsWmCloseToTheMainWindow) {
  HWND shellBar = Make(kGreen, 0, 0, 240, 26, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  HWND main = Make(kRed, 0, 26, 240, 294);
  HWND dialog = Make(kBlue, 20, 40, 200, 100, 0, main);
  EXPECT_EQ(vplat::ProgramMainWindow(), main);
  vplat::RequestProgramClose();
  harness::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(main));   // DefWindowProc's WM_CLOSE destroys it,
  EXPECT_FALSE(IsWindow(dialog)); // and its owned windows with it
  EXPECT_TRUE(IsWindow(shellBar));
  EXPECT_EQ(vplat::ProgramMainWindow(), nullptr);
  // With no main window the close quits the loop.
  vplat::RequestProgramClose();
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit |= msg.message == WM_QUIT;
  EXPECT_TRUE(quit);
}

}  // namespace
