// Input routing: pen to capture or to the enabled window under it, keys to the focus, hot keys
// and their repeat, accelerators, and the look-ahead of the gesture recogniser.
#include "core_test_util.h"
#include "platform/core/internal_input.h"

using namespace coretest;

namespace {

using Strings = std::vector<std::string>;

struct Screen {
  HWND top, left, right;
};

// A top-level window below the task bar with two children side by side.
Screen MakeScreen() {
  Screen s;
  s.top = Make("P", WS_VISIBLE, 0, 26, 240, 294);
  s.left = Make("L", WS_CHILD | WS_VISIBLE, 0, 0, 120, 100, s.top, 1);
  s.right = Make("R", WS_CHILD | WS_VISIBLE, 120, 0, 120, 100, s.top, 2);
  harness::PumpUntilIdle();
  Log().clear();
  return s;
}

TEST_F(CoreTest, PenGoesToTheWindowUnderItInClientCoordinates) {
  Screen s = MakeScreen();
  LPARAM where = 0;
  OnMessage() = [&](HWND h, UINT m, WPARAM, LPARAM lp, LRESULT*) {
    if (m == WM_LBUTTONDOWN && h == s.right) where = lp;
    return false;
  };
  harness::Tap(130, 40);
  EXPECT_EQ((Strings{"R:LDOWN", "R:LUP"}), Log());
  EXPECT_EQ(10, GET_X_LPARAM(where));
  EXPECT_EQ(14, GET_Y_LPARAM(where));
  Log().clear();
  harness::Tap(5, 200);  // below the children: the parent
  EXPECT_EQ((Strings{"P:LDOWN", "P:LUP"}), Log());
}

TEST_F(CoreTest, CaptureTakesThePenWhereverItGoes) {
  MakeScreen();
  OnMessage() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_LBUTTONDOWN) SetCapture(h);
    if (m == WM_LBUTTONUP) ReleaseCapture();
    return false;
  };
  // The whole drag is queued before the down is routed: the capture set by the down's handler
  // still decides where the rest goes.
  harness::Drag(10, 40, 200, 40, 2);
  EXPECT_EQ((Strings{"L:LDOWN", "L:MOVEPEN", "L:MOVEPEN", "L:LUP", "L:CAPTURECHANGED"}), Log());
  EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(CoreTest, DisabledWindowsAndTheirChildrenTakeNoPen) {
  Screen s = MakeScreen();
  HWND inner = Make("I", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, s.left, 3);
  harness::PumpUntilIdle();
  Log().clear();
  EXPECT_FALSE(EnableWindow(s.left, FALSE));
  EXPECT_FALSE(IsWindowEnabled(s.left));
  EXPECT_EQ((Strings{"L:ENABLE"}), Log());
  Log().clear();
  harness::Tap(5, 30);  // on the disabled window's child
  EXPECT_TRUE(Filter("I:").empty());
  EXPECT_TRUE(Filter("L:").empty());
  EXPECT_EQ((Strings{"P:LDOWN", "P:LUP"}), Log());  // the point belongs to the parent
  Log().clear();
  EnableWindow(s.top, FALSE);  // as a modal dialog does to its owner
  harness::Tap(200, 200);
  EXPECT_TRUE(Filter("DOWN").empty());
  EnableWindow(s.top, TRUE);
  EnableWindow(s.left, TRUE);
  Log().clear();
  harness::Tap(5, 30);
  EXPECT_EQ((Strings{"I:LDOWN", "I:LUP"}), Log());
  EXPECT_TRUE(IsWindow(inner));
}

TEST_F(CoreTest, FocusMovesWithKillThenSetAndKeysFollowIt) {
  Screen s = MakeScreen();
  SetFocus(s.left);
  Log().clear();
  EXPECT_EQ(s.left, SetFocus(s.right));
  EXPECT_EQ((Strings{"L:KILLFOCUS", "R:SETFOCUS"}), Log());
  Log().clear();
  harness::Key(VK_RETURN);
  // The control keys are translated to characters as well.
  EXPECT_EQ((Strings{"R:KEYDOWN", "R:CHAR", "R:KEYUP"}), Log());
  Log().clear();
  harness::Type(L"ab");
  EXPECT_EQ((Strings{"R:CHAR", "R:CHAR"}), Log());
  Log().clear();
  EnableWindow(s.right, FALSE);  // a disabled window loses the focus
  EXPECT_EQ(nullptr, GetFocus());
  harness::Key(VK_LEFT);
  EXPECT_EQ((Strings{"R:KILLFOCUS", "R:ENABLE", "P:KEYDOWN", "P:KEYUP"}), Log());
}

TEST_F(CoreTest, ActivationSendsInactiveThenActive) {
  HWND a = Make("A", WS_VISIBLE, 0, 26, 240, 294);
  Log().clear();
  HWND b = Make("B", WS_VISIBLE, 0, 26, 240, 294);
  EXPECT_EQ(b, GetActiveWindow());
  Strings act = Filter(":ACTIVATE");
  EXPECT_EQ((Strings{"A:ACTIVATE", "B:ACTIVATE"}), act);
  Log().clear();
  DestroyWindow(b);
  EXPECT_EQ(a, GetForegroundWindow());
  EXPECT_EQ(a, GetFocus());
}

TEST_F(CoreTest, HotKeyGoesToTheLaterRegistrationAndRepeatsWhileHeld) {
  Screen s = MakeScreen();
  std::vector<std::pair<HWND, LPARAM>> got;
  OnMessage() = [&](HWND h, UINT m, WPARAM wp, LPARAM lp, LRESULT*) {
    if (m == WM_HOTKEY) {
      EXPECT_EQ(0xC1u, wp);
      got.push_back({h, lp});
    }
    return false;
  };
  ASSERT_TRUE(RegisterHotKey(s.top, 0xC1, MOD_WIN, 0xC1));
  ASSERT_TRUE(RegisterHotKey(s.left, 0xC1, MOD_WIN, 0xC1));
  harness::HardwareButton(1);
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(s.left, got[0].first);
  EXPECT_EQ(MAKELPARAM(MOD_WIN, 0xC1), got[0].second);
  EXPECT_TRUE(Filter("KEYDOWN").empty());  // a hot key is not a key press
  // The main window takes the keys back as it does on activation.
  UnregisterFunc1(MOD_WIN, 0xC1);
  RegisterHotKey(s.top, 0xC1, MOD_WIN, 0xC1);
  got.clear();
  harness::KeyDown(0xC1);
  harness::Advance(499);
  EXPECT_EQ(1u, got.size());
  harness::Advance(601);  // repeats at 500, 600, ... 1100
  EXPECT_EQ(8u, got.size());
  harness::KeyUp(0xC1);
  harness::Advance(1000);
  EXPECT_EQ(8u, got.size());
  for (auto& g : got) EXPECT_EQ(s.top, g.first);
  // Gone with its window: the key is an ordinary key again.
  DestroyWindow(s.top);
  HWND other = Make("O", WS_VISIBLE, 0, 26, 240, 294);
  harness::PumpUntilIdle();
  Log().clear();
  harness::HardwareButton(1);
  EXPECT_EQ((Strings{"O:KEYDOWN", "O:KEYUP"}), Log());
  EXPECT_FALSE(UnregisterHotKey(other, 0xC1));
}

TEST_F(CoreTest, KeyUpHotKeyOnlyWhenAskedFor) {
  Screen s = MakeScreen();
  std::vector<LPARAM> got;
  OnMessage() = [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT*) {
    if (m == WM_HOTKEY) got.push_back(lp);
    return false;
  };
  RegisterHotKey(s.top, 5, MOD_WIN | MOD_KEYUP, 0xC5);
  harness::HardwareButton(5);
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(MAKELPARAM(MOD_WIN, 0xC5), got[0]);
  EXPECT_EQ(MAKELPARAM(MOD_WIN | MOD_KEYUP, 0xC5), got[1]);
}

TEST_F(CoreTest, AcceleratorsMatchKeyAndModifiers) {
  Screen s = MakeScreen();
  ACCEL table[] = {{FVIRTKEY | FCONTROL, 'O', 40001},
                   {FVIRTKEY, VK_F1, 40002},
                   {0x80, 'q', 40003}};  // a character entry, the last one
  HACCEL acc = CreateAcceleratorTableW(table, 3);
  ASSERT_TRUE(acc);
  std::vector<WPARAM> cmds;
  OnMessage() = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m == WM_COMMAND) cmds.push_back(wp);
    return false;
  };
  MSG msg{s.left, WM_KEYDOWN, 'O', 0, 0, {}};
  EXPECT_EQ(0, TranslateAcceleratorW(s.top, acc, &msg));  // Ctrl is not down
  harness::KeyDown(VK_CONTROL);
  EXPECT_EQ(1, TranslateAcceleratorW(s.top, acc, &msg));
  harness::KeyUp(VK_CONTROL);
  msg.wParam = VK_F1;
  EXPECT_EQ(1, TranslateAcceleratorW(s.top, acc, &msg));
  msg = MSG{s.left, WM_CHAR, 'q', 0, 0, {}};
  EXPECT_EQ(1, TranslateAcceleratorW(s.top, acc, &msg));
  msg.message = WM_KEYUP;
  EXPECT_EQ(0, TranslateAcceleratorW(s.top, acc, &msg));
  EXPECT_EQ((std::vector<WPARAM>{MAKEWPARAM(40001, 1), MAKEWPARAM(40002, 1),
                                 MAKEWPARAM(40003, 1)}),
            cmds);
  EXPECT_TRUE(DestroyAcceleratorTable(acc));
  EXPECT_EQ(0, TranslateAcceleratorW(s.top, acc, &msg));
}

TEST_F(CoreTest, GestureLookAheadSeesTheQueuedRestOfTheGesture) {
  MakeScreen();
  std::vector<bool> held;
  OnMessage() = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_LBUTTONDOWN) {
      DWORD pos = GetMessagePos();
      held.push_back(vplat::PenHeldUntil(GET_X_LPARAM(pos), GET_Y_LPARAM(pos), 5,
                                         harness::Now() + 500));
    }
    return false;
  };
  harness::Tap(50, 50);  // the up is already queued
  harness::Drag(50, 50, 50, 60, 1);  // a move beyond the tolerance
  harness::Drag(50, 50, 53, 53, 1);  // moves within it, then up
  harness::PenDown(50, 50);          // nothing after it: held
  harness::PenUp(50, 50);
  EXPECT_EQ((std::vector<bool>{false, false, false, true}), held);
  EXPECT_EQ(4u, Filter("L:LUP").size());  // the look-ahead consumed nothing
}

TEST_F(CoreTest, DoubleTapOnAClassThatAsksForIt) {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = LogProc;
  wc.lpszClassName = L"DblWnd";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, L"DblWnd", L"", WS_VISIBLE, 0, 26, 100, 100, nullptr, nullptr,
                           nullptr, nullptr);
  Names()[h] = "D";
  harness::PumpUntilIdle();
  Log().clear();
  harness::Tap(10, 40);
  harness::Tap(11, 41);
  harness::Tap(11, 41);
  EXPECT_EQ((Strings{"D:LDOWN", "D:LUP", "D:LDBL", "D:LUP", "D:LDOWN", "D:LUP"}), Log());
  harness::Advance(600);
  Log().clear();
  harness::Tap(10, 40);
  EXPECT_EQ((Strings{"D:LDOWN", "D:LUP"}), Log());
}

}  // namespace
