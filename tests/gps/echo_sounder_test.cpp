// The echo sounder end to end: a fake sounder on a pseudo-terminal, opened by the name the
// settings give ("com%i:" from ECHOCOMNUM).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "base/ini_file.h"
#include "base/lang.h"
#include "gps/echo_sounder.h"
#include "platform/harness.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

using Clock = std::chrono::steady_clock;

// A Close that has to force its reader waits 50 slices of 20 ms first: a Close shorter than
// that has stopped the reader by asking. The bound is that floor, not a guess at a fast machine.
constexpr int kForcedCloseMs = 50 * 20;

int ElapsedMs(Clock::time_point since) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

DWORD EchoReaderProc(LPVOID echo) { return static_cast<TEchoSounder*>(echo)->ReadLoop(); }
void EchoTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

class EchoLink : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Options options;
    options.virtualClock = false;
    harness::Start(options);
    harness::ClearMessageBoxes();
    g_Lang.Clear();
    int count = 0;
    const TLangKey* keys = GetLangKeys(&count);
    for (int i = 0; i < count; ++i) g_Lang.Add(keys[i].id, keys[i].key, keys[i].text);
    ASSERT_TRUE(fake.Open());
    setenv("VORNA_COM3", fake.SlavePath().c_str(), 1);
    g_Ini.SetInt("ECHOCOMNUM", 3);
  }
  void TearDown() override {
    echo.Close();
    fake.HangUp();
    harness::Stop();
  }

  float Depth() {
    EchoDepthRecord r;
    return echo.GetDepth(&r)->depth;
  }
  bool WaitDepth(float want) {
    return test_wait::Until([&] { return Depth() == want; });
  }

  sample::FakeReceiver fake;
  TEchoSounder echo;
};

TEST_F(EchoLink, DepthOnlySounderIsRecordedFromItsFirstLine) {
  const std::wstring name = EchoPortName(g_Ini.GetInt("ECHOCOMNUM"));
  EXPECT_EQ(name, L"com3:");  // lower case: the device maps it all the same
  echo.Open(nullptr, name.c_str(), 0, EchoTimerProc, EchoReaderProc);
  ASSERT_TRUE(echo.IsOpen());
  EchoDepthRecord r;
  echo.GetDepth(&r);
  EXPECT_EQ(r.depth, 0.0f);
  fake.Write("$SDDBT,12.3,f,3.7,M,2.0,F*30\r\n");
  ASSERT_TRUE(WaitDepth(3.7f));
  EXPECT_EQ(echo.GetDepth(&r)->status, 'V');
  EXPECT_EQ(r.fixMode, 1);
  // Lines that are not depths, or are broken, leave the depth as it was.
  fake.Write("$SDDBT,7.8,f,9.9,M*00\r\n$SDDPT,5.5,0.0*00\r\n");
  fake.Write(std::string(700, 'x') + "\n");
  fake.Write("$SDDBT,7.8,f,2.4,M,1.3,F*0D\r\n");
  ASSERT_TRUE(WaitDepth(2.4f));

  const auto t0 = Clock::now();
  echo.Close();
  EXPECT_LT(ElapsedMs(t0), kForcedCloseMs);
  EXPECT_FALSE(echo.IsOpen());
  EXPECT_EQ(Depth(), 2.4f);  // the last depth stays readable
}

TEST_F(EchoLink, MissingDeviceShowsTheOpenMessage) {
  unsetenv("VORNA_COM3");
  echo.Open(nullptr, L"com3:", EchoTimerProc, EchoReaderProc);
  EXPECT_FALSE(echo.IsOpen());
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, std::wstring(g_Lang.GetText(100006)) + L"com3:");
}

TEST_F(EchoLink, HungUpSounderDoesNotHoldUpClose) {
  echo.Open(nullptr, L"COM3:", EchoTimerProc, EchoReaderProc);
  ASSERT_TRUE(echo.IsOpen());
  fake.Write("$SDDBT,12.3,f,3.7,M,2.0,F*30\r\n");
  ASSERT_TRUE(WaitDepth(3.7f));
  fake.HangUp();
  // Time has to pass here with nothing to wait for: the sounder keeps no error flag, so the
  // pause lets its reader meet the hang-up and go into its 200 ms back-off. Whether it has got
  // there or is still on its way, a sound Close asks it to stop and ends before it would have
  // to be forced.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto t0 = Clock::now();
  echo.Close();
  EXPECT_LT(ElapsedMs(t0), kForcedCloseMs);
  EXPECT_FALSE(echo.IsOpen());
}

}  // namespace
