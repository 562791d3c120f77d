// The idle clock: which messages reset it, and the idle seconds across the tick's wrap.
#include <gtest/gtest.h>

#include "base/idle_clock.h"
#include "base/ui/window.h"
#include "platform/harness.h"

TEST(IdleClock, CommandAndPenDownResetOthersDoNot) {
  harness::Start();
  g_IdleClock.ResetIdleClock();
  harness::Advance(5500);
  EXPECT_EQ(g_IdleClock.IdleSeconds(), 5u);
  for (UINT m : {UINT(WM_MOUSEMOVE), UINT(WM_KEYDOWN), UINT(WM_LBUTTONUP), UINT(WM_TIMER)})
    g_IdleClock.OnUserInput(m);
  EXPECT_EQ(g_IdleClock.IdleSeconds(), 5u);
  g_IdleClock.OnUserInput(WM_COMMAND);
  EXPECT_EQ(g_IdleClock.IdleSeconds(), 0u);
  harness::Advance(2000);
  g_IdleClock.OnUserInput(WM_LBUTTONDOWN);
  EXPECT_EQ(g_IdleClock.IdleSeconds(), 0u);
  // Across the 32-bit wrap the count goes on.
  harness::Advance(0xFFFFFFFFu - uint32_t(harness::Now()) - 500u);
  g_IdleClock.ResetIdleClock();
  harness::Advance(3000);
  EXPECT_EQ(g_IdleClock.IdleSeconds(), 3u);
  harness::Stop();
}
