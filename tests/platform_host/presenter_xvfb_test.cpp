// The SDL presenter in a real X window (under xvfb-run): real key presses from the X server
// reach the focus window as virtual keys, modifiers and characters, and the window's close
// request reaches the program's main window as WM_CLOSE. Each case re-runs this program under
// xvfb-run and skips where xvfb-run or xdotool is missing.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/internal.h"
#include "platform/host/presenter_sdl.h"
#include "platform/win.h"

namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

LRESULT CALLBACK LogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN: Log().push_back("down " + std::to_string(wp)); return 0;
    case WM_KEYUP: Log().push_back("up " + std::to_string(wp)); return 0;
    case WM_CHAR: Log().push_back("char " + std::to_string(wp)); return 0;
    case WM_CLOSE: Log().push_back("close"); DestroyWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(7); return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MainWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = LogProc;
  wc.lpszClassName = L"XvfbMain";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"XvfbMain", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                           nullptr, nullptr, nullptr);
  SetFocus(w);
  return w;
}

// Runs the message loop (the presenter feeds it) until WM_QUIT or `ms` pass; the quit code or -1.
int RunFor(int ms) {
  UINT_PTR t = SetTimer(nullptr, 0, UINT(ms), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.wParam == t) {
      KillTimer(nullptr, t);
      return -1;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return int(msg.wParam);
}

bool InChild() { return std::getenv("VORNA_XVFB_CHILD") != nullptr; }

// Re-runs this test under xvfb-run; false (the case skips) when the tools are not there.
bool RunUnderXvfb(const char* test, int* status) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1 && command -v xdotool > /dev/null 2>&1") != 0)
    return false;
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return false;
  exe[n] = 0;
  std::string cmd = std::string("VORNA_XVFB_CHILD=1 ASAN_OPTIONS=detect_leaks=0 xvfb-run -a '") + exe +
                    "' --gtest_filter=" + test + " > /dev/null 2>&1";
  *status = std::system(cmd.c_str());
  return true;
}

TEST(PresenterXvfb, RealKeysArriveAsVirtualKeysModifiersAndCharacters) {
  if (!InChild()) {
    int status = 0;
    if (!RunUnderXvfb("PresenterXvfb.RealKeysArriveAsVirtualKeysModifiersAndCharacters", &status))
      GTEST_SKIP() << "no xvfb-run or xdotool";
    EXPECT_EQ(status, 0);
    return;
  }
  vplat::Presenter* p = vplat::MakeSdlPresenter(2);
  ASSERT_NE(p, nullptr);
  vplat::SetPresenter(p);
  HWND w = MainWindow();
  RunFor(300);  // the window is mapped and shown
  ASSERT_EQ(std::system("xdotool search --name '^Vorna$' windowfocus --sync"), 0);
  ASSERT_EQ(std::system("xdotool key ctrl+q && xdotool type q1"), 0);
  for (int i = 0; i < 50 && Log().size() < 10; ++i) RunFor(100);  // up to 5 s for the X server
  // xdotool lets Ctrl go before Q; the order is the X server's.
  std::vector<std::string> want = {"down 17", "down 81", "up 17", "up 81",  // Ctrl+Q
                                   "down 81", "char 113", "up 81",          // q
                                   "down 49", "char 49", "up 49"};          // 1
  EXPECT_EQ(Log(), want);
  DestroyWindow(w);
  vplat::SetPresenter(nullptr);
  delete p;
}

// Presses sent with no delay between them (the X server stamps them with one time, and SDL takes
// such a release and press for its auto-repeat) each arrive as a press and a release; a key held
// past the server's repeat delay, which the server repeats, arrives as one.
TEST(PresenterXvfb, KeysSentWithNoDelayArriveEachAndAHeldKeyOnce) {
  if (!InChild()) {
    int status = 0;
    if (!RunUnderXvfb("PresenterXvfb.KeysSentWithNoDelayArriveEachAndAHeldKeyOnce", &status))
      GTEST_SKIP() << "no xvfb-run or xdotool";
    EXPECT_EQ(status, 0);
    return;
  }
  vplat::Presenter* p = vplat::MakeSdlPresenter(2);
  ASSERT_NE(p, nullptr);
  vplat::SetPresenter(p);
  HWND w = MainWindow();
  RunFor(300);
  ASSERT_EQ(std::system("xdotool search --name '^Vorna$' windowfocus --sync"), 0);
  ASSERT_EQ(std::system("xdotool key --delay 0 Down Down Down Down"), 0);
  for (int i = 0; i < 50 && Log().size() < 8; ++i) RunFor(100);
  std::vector<std::string> want;
  for (int i = 0; i < 4; ++i) want.insert(want.end(), {"down 40", "up 40"});
  EXPECT_EQ(Log(), want);
  // Held for 1.2 s: the server's repeats come after its delay (Xvfb: 660 ms).
  Log().clear();
  ASSERT_EQ(std::system("xdotool keydown Up sleep 1.2 keyup Up"), 0);
  for (int i = 0; i < 50 && Log().size() < 2; ++i) RunFor(100);
  EXPECT_EQ(Log(), (std::vector<std::string>{"down 38", "up 38"}));
  DestroyWindow(w);
  vplat::SetPresenter(nullptr);
  delete p;
}

TEST(PresenterXvfb, TheWindowsCloseRequestClosesTheMainWindow) {
  if (!InChild()) {
    int status = 0;
    if (!RunUnderXvfb("PresenterXvfb.TheWindowsCloseRequestClosesTheMainWindow", &status))
      GTEST_SKIP() << "no xvfb-run or xdotool";
    EXPECT_EQ(status, 0);
    return;
  }
  vplat::Presenter* p = vplat::MakeSdlPresenter(2);
  ASSERT_NE(p, nullptr);
  vplat::SetPresenter(p);
  HWND w = MainWindow();
  RunFor(200);
  // SDL turns a termination request into the same quit event as the close button.
  raise(SIGTERM);
  EXPECT_EQ(RunFor(2000), 7) << "the main window's shutdown did not run";
  EXPECT_EQ(Log(), std::vector<std::string>{"close"});
  EXPECT_FALSE(IsWindow(w));
  vplat::SetPresenter(nullptr);
  delete p;
}

}  // namespace
