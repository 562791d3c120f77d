// The painted buttons, strip image and symbol cell in a real window of the device, driven by pen
// taps through the harness: hits, clicks, groups and the frame each state shows on the screen.
#include <gtest/gtest.h>

#include <vector>

#include "base/ui/owner_draw_list.h"
#include "base/ui/soft_button.h"
#include "platform/harness.h"
#include "platform/win.h"

namespace {

constexpr COLORREF kUpColour = RGB(255, 0, 0), kDownColour = RGB(0, 160, 0),
                   kOffColour = RGB(0, 0, 255);
constexpr int kSize = 20;

// A strip of `frames` frames of kSize x kSize, one solid colour each.
HBITMAP MakeStrip(const std::vector<COLORREF>& colours) {
  HDC screen = GetDC(nullptr);
  HBITMAP strip = CreateCompatibleBitmap(screen, kSize * int(colours.size()), kSize);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, strip);
  for (size_t i = 0; i < colours.size(); ++i) {
    RECT rc{int(i) * kSize, 0, int(i + 1) * kSize, kSize};
    HBRUSH brush = CreateSolidBrush(colours[i]);
    FillRect(memory, &rc, brush);
    DeleteObject(brush);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return strip;
}

// The owner: three buttons in a row at y = 40, x = 20, 60, 100; each click is recorded.
struct Host {
  static Host* current;
  HWND window = nullptr;
  HBITMAP strip = nullptr;
  TSoftButton buttons[3];
  std::vector<int> clicks;

  explicit Host(int type) {
    harness::Start();
    current = this;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = L"ButtonHost";
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
    window = CreateWindowExW(0, L"ButtonHost", L"", WS_VISIBLE | WS_POPUP, 0, 0, 240, 200, nullptr,
                             nullptr, nullptr, nullptr);
    strip = MakeStrip({kUpColour, kDownColour, kOffColour});
    TSoftButton* group[3] = {&buttons[0], &buttons[1], &buttons[2]};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(buttons[i].Setup(window, strip, type, group, 3), 1);
      buttons[i].SetRect(20 + 40 * i, 40, kSize, kSize);
    }
    InvalidateRect(window, nullptr, TRUE);
    harness::PumpUntilIdle();
  }
  ~Host() {
    DestroyWindow(window);
    DeleteObject(strip);
    current = nullptr;
    harness::Stop();
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Host* host = current;
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
      case WM_LBUTTONDOWN:
        for (auto& b : host->buttons) b.OnPenDown(x, y);
        return 0;
      case WM_LBUTTONUP:
        for (int i = 0; i < 3; ++i)
          if (host->buttons[i].OnPenUp(x, y)) host->clicks.push_back(i);
        return 0;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        for (auto& b : host->buttons) b.Draw(dc);
        EndPaint(hwnd, &ps);
        return 0;
      }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  // The colour shown in the middle of button i.
  COLORREF Shown(int i) { return harness::ScreenPixel(30 + 40 * i, 50); }
  std::vector<int> States() {
    return {buttons[0].GetState(), buttons[1].GetState(), buttons[2].GetState()};
  }
};
Host* Host::current = nullptr;

TEST(SoftButtonTest, PushClicksOnceWhereverThePenLifts) {
  Host host(TSoftButton::kPush);
  EXPECT_EQ(host.Shown(0), kUpColour);
  harness::PenDown(30, 50);
  EXPECT_EQ(host.Shown(0), kDownColour);
  EXPECT_TRUE(host.buttons[0].IsDown());
  harness::PenUp(200, 150);  // far outside: still the click
  EXPECT_EQ(host.clicks, std::vector<int>{0});
  EXPECT_EQ(host.Shown(0), kUpColour);
  // The edges are no hit: left edge x = 20, top edge y = 40, right edge x = 40.
  harness::Tap(20, 50);
  harness::Tap(30, 40);
  harness::Tap(40, 50);
  EXPECT_EQ(host.clicks.size(), 1u);
  harness::Tap(21, 41);
  EXPECT_EQ(host.clicks.size(), 2u);
}

TEST(SoftButtonTest, DisabledIgnoresThePenAndEnableReturnsItUp) {
  Host host(TSoftButton::kToggle);
  host.buttons[1].SetState(TSoftButton::kDisabled, true);
  harness::PumpUntilIdle();
  EXPECT_EQ(host.Shown(1), kOffColour);
  harness::Tap(70, 50);
  EXPECT_TRUE(host.clicks.empty());
  EXPECT_EQ(host.buttons[1].GetState(), TSoftButton::kDisabled);
  // State 3 enables a disabled button (up) and leaves others as they are.
  host.buttons[0].SetState(TSoftButton::kDown, false);
  host.buttons[0].SetState(TSoftButton::kEnable, false);
  host.buttons[1].SetState(TSoftButton::kEnable, true);
  EXPECT_EQ(host.States(), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(host.Shown(1), kUpColour);
  // Out-of-range states are ignored.
  host.buttons[2].SetState(7, true);
  host.buttons[2].SetState(-1, true);
  EXPECT_EQ(host.buttons[2].GetState(), TSoftButton::kUp);
  // Toggle: down, then up, a click each time.
  harness::Tap(70, 50);
  EXPECT_TRUE(host.buttons[1].IsDown());
  harness::Tap(70, 50);
  EXPECT_FALSE(host.buttons[1].IsDown());
  EXPECT_EQ(host.clicks, (std::vector<int>{1, 1}));
}

TEST(SoftButtonTest, DisablingOrHidingBetweenPenDownAndUpForgetsThePress) {
  Host host(TSoftButton::kPush);
  harness::PenDown(30, 50);
  host.buttons[0].SetState(TSoftButton::kDisabled, false);
  harness::PenUp(30, 50);
  host.buttons[0].SetState(TSoftButton::kEnable, false);
  // A pen-down elsewhere and its pen-up must not click the re-enabled button.
  harness::Tap(200, 150);
  EXPECT_TRUE(host.clicks.empty());

  harness::PenDown(70, 50);
  host.buttons[1].SetVisible(false);
  harness::PenUp(70, 50);
  host.buttons[1].ShowAt(60, 40);
  harness::Tap(200, 150);
  EXPECT_TRUE(host.clicks.empty());
  EXPECT_EQ(host.buttons[1].right - host.buttons[1].left, kSize);
}

TEST(SoftButtonTest, RadioGroupKeepsOneDown) {
  Host host(TSoftButton::kRadio);
  harness::Tap(30, 50);
  EXPECT_EQ(host.States(), (std::vector<int>{1, 0, 0}));
  harness::Tap(30, 50);  // already down: no click
  EXPECT_EQ(host.clicks, std::vector<int>{0});
  harness::Tap(110, 50);
  EXPECT_EQ(host.States(), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(host.clicks, (std::vector<int>{0, 2}));
  EXPECT_EQ(host.Shown(0), kUpColour);
  EXPECT_EQ(host.Shown(2), kDownColour);
  // Setting one down from the program releases the others too.
  host.buttons[1].SetState(TSoftButton::kDown, true);
  EXPECT_EQ(host.States(), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(host.Shown(2), kUpColour);
}

TEST(SoftButtonTest, GroupToggleAllowsNoneDown) {
  Host host(TSoftButton::kGroupToggle);
  harness::Tap(70, 50);
  harness::Tap(30, 50);
  EXPECT_EQ(host.States(), (std::vector<int>{1, 0, 0}));
  harness::Tap(30, 50);  // the down one goes up; the click is still reported
  EXPECT_EQ(host.States(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(host.clicks, (std::vector<int>{1, 0, 0}));
}

TEST(SoftButtonTest, SetupWithBadGroupsAndNoOwner) {
  harness::Start();
  TSoftButton a, b;
  EXPECT_EQ(a.Setup(nullptr, nullptr, TSoftButton::kRadio, nullptr, 3), 0);
  TSoftButton* one[1] = {&a};
  EXPECT_EQ(a.Setup(nullptr, nullptr, TSoftButton::kRadio, one, -2), 0);
  EXPECT_EQ(a.Setup(nullptr, nullptr, TSoftButton::kRadio, one, 0), 1);
  EXPECT_EQ(a.Setup(nullptr, nullptr, TSoftButton::kPush, nullptr, 0), 1);
  // A group of one: itself only, so going down releases nobody.
  EXPECT_EQ(b.Setup(nullptr, nullptr, TSoftButton::kRadio, one, 1), 1);
  // Without an owner everything is ignored.
  a.SetRect(0, 0, 10, 10);
  EXPECT_EQ(a.OnPenDown(5, 5), 0);
  a.SetState(TSoftButton::kDown, true);
  EXPECT_EQ(a.GetState(), TSoftButton::kUp);
  EXPECT_EQ(a.OnPenUp(5, 5), 0);
  a.Draw(nullptr);
  harness::Stop();
}

TEST(StripImageTest, ShowsTheChosenFrameAndNothingPastTheStrip) {
  Host host(TSoftButton::kPush);
  HBITMAP strip = MakeStrip({kUpColour, kDownColour, kOffColour});
  TStripImage image;
  image.Attach(host.window, strip);
  image.SetRect(150, 100, kSize, kSize);
  image.SetState(2, true);
  EXPECT_EQ(harness::ScreenPixel(160, 110), kOffColour);
  image.SetFrame(1);
  EXPECT_EQ(harness::ScreenPixel(160, 110), kDownColour);
  image.SetState(3, true);  // past the strip: the frame shown stays
  image.SetState(-1, true);
  EXPECT_EQ(harness::ScreenPixel(160, 110), kDownColour);
  image.SetState(0, false);  // stored only
  EXPECT_EQ(harness::ScreenPixel(160, 110), kDownColour);
  EXPECT_EQ(image.frame, 0);
  EXPECT_TRUE(image.HitTest(151, 101));
  EXPECT_FALSE(image.HitTest(150, 110));
  TStripImage none;
  none.Draw(nullptr);  // no bitmap, no owner
  DeleteObject(strip);
}

// Records what the cell asks for.
struct RecordingSymbols final : ISymbolPainter {
  bool bitmaps = false;
  std::vector<std::vector<int>> calls;
  bool HasBitmaps() const override { return bitmaps; }
  void DrawRowSymbol(HDC, uint16_t code, const RECT& rc) override {
    calls.push_back({0, code, rc.left, rc.top, rc.right, rc.bottom});
  }
  void DrawCellSymbol(HDC, uint16_t code, int x, int y, int cell, int frame) override {
    calls.push_back({1, code, x, y, cell, frame});
  }
};

TEST(IconCellTest, HitsWithExtraWidthAndDrawsTheSymbolInside) {
  Host host(TSoftButton::kPush);
  RecordingSymbols symbols;
  TIconCell cell;
  cell.Attach(host.window, &symbols);
  cell.SetRect(10, 100, 20, 20, 30);
  cell.SetCode(0x12345);  // low 16 bits count
  EXPECT_FALSE(cell.HitTest(10, 110));
  EXPECT_TRUE(cell.HitTest(29, 110));
  EXPECT_TRUE(cell.HitTest(59, 110));   // 29 pixels right of the frame
  EXPECT_FALSE(cell.HitTest(60, 110));  // the extra's edge
  EXPECT_FALSE(cell.HitTest(20, 120));

  HDC dc = GetDC(host.window);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  cell.Draw(dc);
  symbols.bitmaps = true;
  cell.Draw(dc);
  ReleaseDC(host.window, dc);
  ASSERT_EQ(symbols.calls.size(), 2u);
  EXPECT_EQ(symbols.calls[0], (std::vector<int>{0, 0x2345, 10, 100, 30, 120}));
  EXPECT_EQ(symbols.calls[1], (std::vector<int>{1, 0x2345, 11, 101, 18, 0}));
  EXPECT_EQ(harness::ScreenPixel(10, 110), RGB(0, 0, 0));  // the frame

  cell.SetVisible(false);
  EXPECT_FALSE(cell.HitTest(20, 110));
  cell.Draw(dc);
  EXPECT_EQ(symbols.calls.size(), 2u);
}

}  // namespace
