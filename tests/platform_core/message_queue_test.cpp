// The queue: sent against posted, peeking, filters, posts from another thread, WM_PAINT from
// invalidation, and modal loops.
#include <atomic>
#include <thread>

#include "core_test_util.h"
#include "platform/core/internal.h"
#include "platform/core/state.h"
#include "tests/support/thread_asleep.h"
#include "tests/support/wait_until.h"

using namespace coretest;

namespace {

using Strings = std::vector<std::string>;

TEST_F(CoreTest, SendRunsAtOnceWhilePostWaitsForTheLoop) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  Log().clear();
  OnMessage() = [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m == WM_USER) {
      *r = (LRESULT)wp * 2;
      return true;
    }
    return false;
  };
  EXPECT_EQ(42, SendMessageW(h, WM_USER, 21, 0));
  EXPECT_EQ(1u, Log().size());
  EXPECT_TRUE(PostMessageW(h, WM_USER, 1, 0));
  EXPECT_EQ(1u, Log().size());
  MSG msg;
  // A look that removes nothing leaves the message for the next one.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ((UINT)WM_USER, msg.message);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(h, msg.hwnd);
  EXPECT_EQ(2, DispatchMessageW(&msg));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(CoreTest, PeekFiltersByRangeAndWindowAndKeepsOrder) {
  HWND a = Make("A", 0, 0, 0, 10, 10);
  HWND b = Make("B", 0, 0, 0, 10, 10);
  PostMessageW(a, WM_USER + 1, 0, 0);
  PostMessageW(b, WM_USER + 2, 0, 0);
  PostMessageW(a, WM_USER + 3, 0, 0);
  PostMessageW(nullptr, WM_USER + 4, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, b, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_USER + 2, msg.message);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 4, PM_REMOVE));
  EXPECT_EQ((UINT)WM_USER + 3, msg.message);
  ASSERT_TRUE(PeekMessageW(&msg, (HWND)(intptr_t)-1, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_USER + 4, msg.message);  // thread messages only
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_USER + 1, msg.message);
}

TEST_F(CoreTest, PostFromAnotherThreadWakesAWaitingGetMessage) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  // Posted once this thread sleeps inside GetMessageW: the post is what wakes it.
  const pid_t waiting = test_wait::ThisThreadId();
  std::thread poster([h, waiting] {
    EXPECT_TRUE(test_wait::UntilAsleep(waiting));
    PostMessageW(h, WM_USER, 7, 0);
  });
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ((UINT)WM_USER, msg.message);
  EXPECT_EQ(7u, msg.wParam);
  poster.join();
}

TEST_F(CoreTest, SendFromAnotherThreadRunsOnTheWindowsThread) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  std::thread::id ran;
  OnMessage() = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m == WM_USER) {
      ran = std::this_thread::get_id();
      *r = 99;
      PostQuitMessage(0);
      return true;
    }
    return false;
  };
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessageW(h, WM_USER, 0, 0); });
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  sender.join();
  EXPECT_EQ(99, answer.load());
  EXPECT_EQ(std::this_thread::get_id(), ran);
}

TEST_F(CoreTest, QuitComesAfterPostedMessagesAndCarriesItsCode) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  PostQuitMessage(5);
  PostMessageW(h, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ((UINT)WM_USER, msg.message);
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ((UINT)WM_QUIT, msg.message);
  EXPECT_EQ(5u, msg.wParam);
}

TEST_F(CoreTest, InvalidationBecomesOnePaintPerWindowParentsFirst) {
  HWND top = Make("P", WS_VISIBLE, 0, 26, 240, 294);
  Make("C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top, 1);
  harness::PumpUntilIdle();
  Log().clear();
  InvalidateRect(top, nullptr, TRUE);
  InvalidateRect(top, nullptr, TRUE);
  harness::PumpUntilIdle();
  // The parent has no WS_CLIPCHILDREN: its painting covers the child, so the child paints too.
  EXPECT_EQ((Strings{"P:PAINT", "C:PAINT"}), Filter(":PAINT"));
  Log().clear();
  RECT r{100, 100, 110, 110};  // away from the child
  InvalidateRect(top, &r, FALSE);
  RECT u;
  EXPECT_TRUE(GetUpdateRect(top, &u, FALSE));
  EXPECT_EQ(100, u.left);
  harness::PumpUntilIdle();
  EXPECT_EQ((Strings{"P:PAINT"}), Filter(":PAINT"));
  EXPECT_FALSE(GetUpdateRect(top, &u, FALSE));
}

TEST_F(CoreTest, HiddenWindowsWaitForPaintAndUpdateWindowPaintsAtOnce) {
  HWND top = Make("P", 0, 0, 26, 240, 294);
  InvalidateRect(top, nullptr, TRUE);
  harness::PumpUntilIdle();
  EXPECT_TRUE(Filter(":PAINT").empty());
  ShowWindow(top, SW_SHOW);
  EXPECT_TRUE(Filter(":PAINT").empty());
  UpdateWindow(top);
  EXPECT_EQ(1u, Filter(":PAINT").size());
  harness::PumpUntilIdle();
  EXPECT_EQ(1u, Filter(":PAINT").size());
  ValidateRect(top, nullptr);
}

TEST_F(CoreTest, HidingAWindowRepaintsWhatWasBeneath) {
  HWND top = Make("P", WS_VISIBLE, 0, 26, 240, 294);
  HWND panel = Make("C", WS_CHILD | WS_VISIBLE, 0, 200, 240, 94, top, 1);
  harness::PumpUntilIdle();
  Log().clear();
  ShowWindow(panel, SW_HIDE);
  harness::PumpUntilIdle();
  EXPECT_EQ((Strings{"P:PAINT"}), Filter(":PAINT"));
  std::vector<RECT> vis;
  vplat::VisibleScreenRects(panel, true, false, vis);
  EXPECT_TRUE(vis.empty());
}

TEST_F(CoreTest, VisibleRectsLeaveOutSiblingsAboveAndClippedChildren) {
  HWND top = Make("P", WS_VISIBLE | WS_CLIPCHILDREN, 0, 26, 240, 294);
  HWND low = Make("L", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, top, 1);
  Make("H", WS_CHILD | WS_VISIBLE, 50, 0, 100, 100, top, 2);  // made later: above
  std::vector<RECT> vis;
  vplat::VisibleScreenRects(low, true, false, vis);
  long area = 0;
  for (auto& r : vis) area += (r.right - r.left) * (r.bottom - r.top);
  EXPECT_EQ(50 * 100, area);
  vplat::VisibleScreenRects(top, true, false, vis);
  area = 0;
  for (auto& r : vis) area += (r.right - r.left) * (r.bottom - r.top);
  EXPECT_EQ(240 * 294 - 150 * 100, area);
}

TEST_F(CoreTest, ModalLoopKeepsDispatchingTimersAndPostedMessagesAndNests) {
  HWND h = Make("W", WS_VISIBLE, 0, 26, 240, 294);
  int ticks = 0, inner = 0;
  std::atomic<bool> outerDone{false};
  bool innerDone = false;
  OnMessage() = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m == WM_TIMER && wp == 1 && ++ticks == 2) {
      // A nested loop inside the outer one, ended by a posted message.
      PostMessageW(h, WM_USER, 0, 0);
      vplat::RunModalLoop([&] { return innerDone; });
      inner++;
      outerDone = true;
    }
    if (m == WM_USER) innerDone = true;
    return false;
  };
  SetTimer(h, 1, 100, nullptr);
  // The loop blocks on the virtual clock; a helper thread moves it, 10 ms at a time, until the
  // outer loop has ended (a fixed number of steps could all pass before the loop had taken its
  // second tick: the timer then fires once for them all and the loop waits for ever).
  std::thread clock([&] {
    EXPECT_TRUE(test_wait::Until([&] {
      if (outerDone.load()) return true;
      vplat::core::SetVirtualNow(vplat::NowMs() + 10);
      return false;
    }));
  });
  EXPECT_TRUE(vplat::RunModalLoop([&] { return outerDone.load(); }));
  clock.join();
  EXPECT_EQ(2, ticks);
  EXPECT_EQ(1, inner);
}

TEST_F(CoreTest, QuitInsideAModalLoopEndsItAndIsPostedAgain) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  OnMessage() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER) PostQuitMessage(3);
    return false;
  };
  PostMessageW(h, WM_USER, 0, 0);
  EXPECT_FALSE(vplat::RunModalLoop([] { return false; }));
  MSG msg;
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(3u, msg.wParam);
}

}  // namespace
