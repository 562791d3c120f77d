// The soft input panel switch and the tap-and-hold question, on the device's shell.
#include <gtest/gtest.h>

#include <vector>

#include "base/ui/shell_utils.h"
#include "base/ui/window.h"
#include "platform/harness.h"

namespace {

// A full-screen window that asks, on every pen-down, whether it becomes a tap-and-hold.
class PenWindow : public TWindow {
 public:
  explicit PenWindow(int longDelay = 0) : longDelay_(longDelay) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TWindow::WindowProcThunk;
    wc.lpszClassName = L"TPenWindow";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, L"TPenWindow", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  }
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_LBUTTONDOWN)
      holds.push_back(IsTapAndHold(hwnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), longDelay_));
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  std::vector<bool> holds;

 private:
  int longDelay_;
};

struct Device {
  Device() { harness::Start(); }
  ~Device() { harness::Stop(); }
};

}  // namespace

TEST(InputPanel, RepeatedStatesAreNotSentAgain) {
  Device device;
  PenWindow a, b;
  SetSipState(a.window, 1);
  HWND button = FindWindowW(L"MS_SIPBUTTON", L"MS_SIPBUTTON");  // the shell makes it on first use
  HWND panel = FindWindowW(L"SipWndClass", nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(IsWindowVisible(button));
  EXPECT_TRUE(panel && IsWindowVisible(panel));
  ShowWindow(button, SW_HIDE);
  SetSipState(a.window, 1);  // same window, same state: nothing is done
  EXPECT_FALSE(IsWindowVisible(button));
  SetSipState(b.window, 1);  // another window: done again
  EXPECT_TRUE(IsWindowVisible(button));

  SetSipState(b.window, 0);
  EXPECT_FALSE(IsWindowVisible(button));
  EXPECT_FALSE(IsWindowVisible(panel));
  ShowWindow(button, SW_SHOW);
  SetSipState(b.window, 0);
  EXPECT_TRUE(IsWindowVisible(button));
}

TEST(InputPanel, EditFocusRaisesAndLowers) {
  Device device;
  PenWindow dialog;
  CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, dialog.window,
                  reinterpret_cast<HMENU>(static_cast<intptr_t>(1047)), nullptr, nullptr);
  SipCommand(dialog.window, 1047, EN_SETFOCUS);
  HWND button = FindWindowW(L"MS_SIPBUTTON", L"MS_SIPBUTTON");
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(IsWindowVisible(button));
  SipCommand(dialog.window, 1047, EN_CHANGE);  // other notifications do nothing
  EXPECT_TRUE(IsWindowVisible(button));
  SipCommand(dialog.window, 1047, EN_KILLFOCUS);
  EXPECT_FALSE(IsWindowVisible(button));
}

TEST(Gestures, TapAndHoldOnTheVirtualClock) {
  Device device;
  PenWindow w;
  harness::Tap(100, 150);  // the pen comes up at once
  harness::PenDown(100, 150);  // the pen stays down
  harness::PenUp(100, 150);
  harness::Drag(100, 150, 160, 150);  // the pen moves away
  EXPECT_EQ(w.holds, (std::vector<bool>{false, true, false}));

  PenWindow slow(1);
  ShowWindow(w.window, SW_HIDE);
  harness::PenDown(50, 60);
  harness::PenUp(50, 60);
  EXPECT_EQ(slow.holds, (std::vector<bool>{true}));
}
