// Timers on the virtual clock: periods, order, killing from inside, windowless timers made by a
// static constructor before any window exists.
#include "core_test_util.h"
#include "platform/core/state.h"
#include "tests/support/fresh_process.h"

using namespace coretest;

namespace {

using Strings = std::vector<std::string>;

int g_staticTicks = 0;
UINT_PTR g_staticId = 0;
void CALLBACK StaticTick(HWND, UINT, UINT_PTR, DWORD) { ++g_staticTicks; }

// Runs before main, as the program's global objects do.
struct EarlyTimer {
  EarlyTimer() { g_staticId = SetTimer(nullptr, 0, 100, StaticTick); }
} g_earlyTimer;

TEST_F(CoreTest, WindowlessTimerSetFromAStaticConstructorFires) {
  // The timer runs from before main; the harness's Stop kills it for every later case.
  if (fresh_process::RanInChild()) return;
  ASSERT_NE(0u, g_staticId);
  harness::Advance(100);
  int first = g_staticTicks;
  EXPECT_GE(first, 1);
  harness::Advance(1000);
  EXPECT_EQ(first + 10, g_staticTicks);
  EXPECT_TRUE(KillTimer(nullptr, g_staticId));
  harness::Advance(1000);
  EXPECT_EQ(first + 10, g_staticTicks);
}

TEST_F(CoreTest, PeriodsAndDueOrderOnTheVirtualClock) {
  KillTimer(nullptr, g_staticId);
  HWND h = Make("W", 0, 0, 0, 10, 10);
  std::vector<std::pair<uint64_t, WPARAM>> fired;
  uint64_t t0 = harness::Now();
  OnMessage() = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m == WM_TIMER) fired.push_back({harness::Now() - t0, wp});
    return false;
  };
  SetTimer(h, 1, 300, nullptr);
  SetTimer(h, 2, 200, nullptr);
  harness::Advance(99);
  EXPECT_TRUE(fired.empty());
  harness::Advance(601);
  std::vector<std::pair<uint64_t, WPARAM>> want{{200, 2}, {300, 1}, {400, 2}, {600, 1}, {600, 2}};
  // At 600 both are due: the one rescheduled earlier goes first.
  EXPECT_EQ(want, fired);
  // Setting an id again restarts it.
  fired.clear();
  t0 = harness::Now();
  SetTimer(h, 1, 50, nullptr);
  KillTimer(h, 2);
  harness::Advance(120);
  EXPECT_EQ((std::vector<std::pair<uint64_t, WPARAM>>{{50, 1}, {100, 1}}), fired);
}

int g_procTicks = 0;
void CALLBACK KillSelf(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  ++g_procTicks;
  EXPECT_TRUE(KillTimer(hwnd, id));
}

TEST_F(CoreTest, TimerKilledInsideItsOwnProcedureStops) {
  KillTimer(nullptr, g_staticId);
  g_procTicks = 0;
  HWND h = Make("W", 0, 0, 0, 10, 10);
  SetTimer(h, 9, 10, KillSelf);
  UINT_PTR free = SetTimer(nullptr, 0, 10, KillSelf);
  harness::Advance(100);
  EXPECT_EQ(2, g_procTicks);
  EXPECT_TRUE(Filter(":TIMER").empty());  // a TIMERPROC takes the place of the window
  EXPECT_FALSE(KillTimer(nullptr, free));
}

TEST_F(CoreTest, TimerTakenButKilledBeforeDispatchDoesNotRunItsProcedure) {
  KillTimer(nullptr, g_staticId);
  g_procTicks = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 10, KillSelf);
  harness::Advance(10);
  EXPECT_EQ(1, g_procTicks);
  MSG msg{nullptr, WM_TIMER, id, (LPARAM)KillSelf, 0, {}};
  DispatchMessageW(&msg);  // a stale message
  EXPECT_EQ(1, g_procTicks);
}

TEST_F(CoreTest, PaintAndPostedMessagesGoBeforeTimers) {
  KillTimer(nullptr, g_staticId);
  HWND h = Make("W", WS_VISIBLE, 0, 26, 100, 100);
  harness::PumpUntilIdle();
  Log().clear();
  SetTimer(h, 1, 10, nullptr);
  harness::Advance(10);
  Log().clear();
  SetTimer(h, 1, 10, nullptr);
  vplat::core::SetVirtualNow(harness::Now() + 10);
  InvalidateRect(h, nullptr, FALSE);
  PostMessageW(h, WM_USER, 0, 0);
  harness::PumpUntilIdle();
  EXPECT_EQ((Strings{"W:USER", "W:PAINT", "W:TIMER"}), Log());
}

TEST_F(CoreTest, SetTimerOnAWindowThatIsGoneFails) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  DestroyWindow(h);
  EXPECT_EQ(0u, SetTimer(h, 1, 10, nullptr));
  EXPECT_FALSE(KillTimer(h, 1));
}

void CALLBACK OpenerTick(HWND, UINT, UINT_PTR id, DWORD) { KillTimer(nullptr, id); }

// What the window reports as a finished frame: nothing queued or to paint, and every delay that
// a message armed run out. The scale menu's opener (100 ms, once) and a fix timer's first tick
// (500 ms) hold it; a periodic timer that has ticked and a ten-minute autosave do not.
TEST_F(CoreTest, AFrameIsDoneOnlyOnceTheDelaysItsMessagesArmedHaveRun) {
  KillTimer(nullptr, g_staticId);
  HWND h = Make("W", WS_VISIBLE, 0, 0, 10, 10);
  harness::PumpUntilIdle();
  EXPECT_TRUE(vplat::FrameSettled());
  PostMessageW(h, WM_USER, 0, 0);
  EXPECT_FALSE(vplat::FrameSettled()) << "a posted message";
  harness::PumpUntilIdle();
  EXPECT_TRUE(vplat::FrameSettled());
  InvalidateRect(h, nullptr, FALSE);
  EXPECT_FALSE(vplat::FrameSettled()) << "a paint";
  harness::PumpUntilIdle();
  EXPECT_TRUE(vplat::FrameSettled());

  ASSERT_NE(SetTimer(nullptr, 0, 600000, nullptr), 0u);
  EXPECT_TRUE(vplat::FrameSettled()) << "the autosave is no part of the frame";
  ASSERT_NE(SetTimer(nullptr, 0, 100, OpenerTick), 0u);
  ASSERT_NE(SetTimer(h, 7, 500, nullptr), 0u);
  EXPECT_FALSE(vplat::FrameSettled());
  harness::Advance(100);
  EXPECT_FALSE(vplat::FrameSettled()) << "the fix timer has not ticked yet";
  harness::Advance(400);
  EXPECT_TRUE(vplat::FrameSettled()) << "both delays ran out";
  harness::Advance(250);
  EXPECT_TRUE(vplat::FrameSettled()) << "between the ticks of a periodic timer";
  // Set again, a timer waits for its first tick once more.
  ASSERT_NE(SetTimer(h, 7, 500, nullptr), 0u);
  EXPECT_FALSE(vplat::FrameSettled());
  DestroyWindow(h);
}

}  // namespace
