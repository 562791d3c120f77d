// The GPS port end to end: a fake receiver on a pseudo-terminal, the port opened on its slave
// through VORNA_COM5, the reader thread, the command dialogue primitives and reconnecting.
// The device runs on the real clock here, since the reader and the fake run in real time.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <atomic>
#include <string>
#include <thread>

#include "base/lang.h"
#include "gps/gps_port.h"
#include "platform/harness.h"
#include "tests/support/gps_lines.h"
#include "tests/support/thread_asleep.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

using Clock = std::chrono::steady_clock;

// The reader thread's kernel id, for the test that waits until the reader sleeps in its wait.
std::atomic<pid_t> g_readerTid{0};

DWORD ReaderProc(LPVOID port) {
  g_readerTid = test_wait::ThisThreadId();
  return static_cast<TGpsPort*>(port)->ReadLoop();
}
void FixTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GPS_SOURCE_ENDED) {
    reinterpret_cast<TGpsPort*>(lParam)->OnSourceEnded();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

const char* kRmc = "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
const char* kRmc2 = "GPRMC,081836,A,3345.6789,S,15112.5000,W,000.0,360.0,130998,011.3,E";

// A Close that has to force its reader waits 50 slices of 20 ms first: a Close shorter than
// that has stopped the reader by asking. The bound is that floor, not a guess at a fast machine.
constexpr int kForcedCloseMs = 50 * 20;

int ElapsedMs(Clock::time_point since) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class GpsPortLink : public ::testing::Test {
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
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = L"GpsOwner";
    RegisterClassW(&wc);
    owner = CreateWindowExW(0, L"GpsOwner", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_TRUE(fake.Open());
    // The port is reached through a link we can re-point, so the device can go and come back.
    link = std::filesystem::temp_directory_path() / ("vorna-gps-" + std::to_string(getpid()));
    Point(fake.SlavePath());
    setenv("VORNA_COM5", link.c_str(), 1);
  }
  void TearDown() override {
    port.Close();
    fake.HangUp();
    std::filesystem::remove(link);
    harness::Stop();
  }

  void Point(const std::string& target) {
    const std::filesystem::path tmp = link.string() + ".new";
    std::filesystem::remove(tmp);
    std::filesystem::create_symlink(target, tmp);
    std::filesystem::rename(tmp, link);  // atomic: the port never sees a half-made link
  }

  void OpenPort(int type = TGpsPort::kNmea, BOOL keepAwake = FALSE) {
    port.SetSourceType(type);
    port.Open(owner, L"COM5:", 4800, FixTimerProc, ReaderProc, keepAwake);
  }

  GpsFix Fix() {
    GpsFix f;
    port.GetFix(&f);
    return f;
  }
  bool WaitStatus(char status) {
    return test_wait::Until([&] { return Fix().status == status; });
  }
  bool WaitLatitudeSign(int sign) {
    return test_wait::Until([&] { return Fix().latitude * sign > 0; });
  }
  bool WriteAndWaitRead(const std::vector<std::string>& lines) {
    return test_gps::WriteAndWaitRead(fake, lines, port);
  }
  // Idle time is real milliseconds since the last stamp. Once it has grown past 200 ms, a stamp
  // made after `since` shows as an idle time no longer than the time since `since`, however
  // slow the machine; a missing stamp would show 200 ms more.
  bool WaitIdleAtLeast200() {
    return test_wait::Until([&] { return port.GetIdleTime() >= 200; });
  }
  void ExpectStampedSince(Clock::time_point since) {
    const DWORD idle = port.GetIdleTime();
    EXPECT_LE(int(idle), ElapsedMs(since) + 2);  // 2: both clocks round to the millisecond
  }

  HWND owner = nullptr;
  sample::FakeReceiver fake;
  std::filesystem::path link;
  TGpsPort port;
};

TEST_F(GpsPortLink, SplitSentenceParsesOnceAndFaultsDoNotStopTheReader) {
  OpenPort();
  ASSERT_TRUE(port.IsOpen());
  const std::string line = sample::NmeaLine(kRmc);
  ASSERT_TRUE(fake.WriteSplit(line, {7, 30, line.size() - 1}, 30));  // LF arrives last, alone
  ASSERT_TRUE(WaitStatus('A'));
  EXPECT_NEAR(Fix().latitude, 0.83980531, 1e-8);
  EXPECT_EQ(port.GetLinesRead(), 1u);  // once, for all its pieces

  // Bad checksum, truncated, over-long, 8-bit garbage with NULs: none of them is taken, and
  // the next good line parses. Six lines end in them (the garbage has no LF of its own).
  const uint64_t before = port.GetLinesRead();
  fake.WriteBadChecksum(kRmc2);
  fake.WriteTruncated(kRmc2, 40);
  fake.WriteLongLine(600);  // exactly 600 bytes before the LF: an empty line is passed on
  fake.WriteLongLine(1500);
  fake.WriteGarbage(300);
  fake.Write("\n");
  fake.Write(std::string("$GPRMC,0\0" "81836,A", 16) + "\r\n");
  ASSERT_TRUE(test_wait::Until([&] { return port.GetLinesRead() >= before + 6; }));
  EXPECT_EQ(port.GetLinesRead(), before + 6);
  EXPECT_GT(Fix().latitude, 0);
  std::string noCr = sample::NmeaLine(kRmc2);
  noCr.erase(noCr.size() - 2, 1);  // a line without its CR is still a line
  ASSERT_TRUE(WaitIdleAtLeast200());
  const auto sent = Clock::now();
  ASSERT_TRUE(WriteAndWaitRead({noCr}));
  EXPECT_LT(Fix().latitude, 0);
  ExpectStampedSince(sent);  // the line stamped the time
  EXPECT_FALSE(port.HasIoError());
}

TEST_F(GpsPortLink, GreisOpenSetsUpOutputAndCloseStopsItFirst) {
  OpenPort(TGpsPort::kGreis);
  ASSERT_TRUE(port.IsOpen());
  EXPECT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", test_wait::kDefaultMs));
  EXPECT_EQ(fake.Transcript(),
            "dm\nem,,nmea/RMC:0.2\nem,,nmea/GNS:0.2\nem,,nmea/GSA:1\nem,,nmea/GSV:1\n");
  ASSERT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc)}));
  EXPECT_EQ(Fix().status, 'A');
  fake.ClearTranscript();
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(ElapsedMs(t0), kForcedCloseMs);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(fake.WaitTranscript("dm\n", test_wait::kDefaultMs));
  EXPECT_EQ(fake.Transcript(), "dm\n");
  // The last fix stays readable after Close; sentences now go nowhere. Close has joined the
  // reader, so nothing is left to take the line; the pause only gives a stray reader the time
  // to show itself, and for a sound port the checks hold however long it is.
  const uint64_t lines = port.GetLinesRead();
  fake.WriteSentence(kRmc2);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(port.GetLinesRead(), lines);
  EXPECT_EQ(Fix().status, 'A');
  EXPECT_GT(Fix().latitude, 0);
}

TEST_F(GpsPortLink, NoSentenceIsParsedInsideACommandDialogue) {
  OpenPort();
  ASSERT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc)}));
  EXPECT_EQ(Fix().status, 'A');
  port.SetCommandMode(1);
  EXPECT_TRUE(fake.WaitTranscript("dm\n", test_wait::kDefaultMs));
  const uint64_t lines = port.GetLinesRead();
  fake.WriteSentence(kRmc2);  // a receiver still talking: the reader must keep off it
  // The dialogue reads the bytes itself: every one of them, so the reader took none (the read
  // ends after its 2 s allowance of silence, the line having come in whole long before).
  char buf[200];
  DWORD n = port.ReadReply(buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n), sample::NmeaLine(kRmc2));
  EXPECT_EQ(port.GetLinesRead(), lines);
  EXPECT_GT(Fix().latitude, 0);
  fake.ClearTranscript();
  ASSERT_TRUE(WaitIdleAtLeast200());
  const auto ended = Clock::now();
  port.SetCommandMode(0);
  EXPECT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", test_wait::kDefaultMs));  // output again
  ExpectStampedSince(ended);  // the end of the dialogue counts as activity
  ASSERT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc2)}));
  EXPECT_LT(Fix().latitude, 0);
}

TEST_F(GpsPortLink, ReadReplyEndsOnEitherReplyFormOrAfterTheSilenceAllowance) {
  OpenPort();
  port.SetCommandMode(1);
  char buf[64];
  for (const std::string reply : {"RE006 hello\r\n", "RE00B{1,2,3,4}\r\n"}) {
    fake.Play({{reply, 0, true}});  // one byte at a time
    DWORD n = port.ReadReply(buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n), reply);
    EXPECT_EQ(buf[n], 0);
    EXPECT_LT(port.GetLastReplyEmptyReads(), 200);
    ASSERT_TRUE(fake.WaitPlayed(test_wait::kDefaultMs));
  }
  // Capacity is respected: at most capacity - 1 bytes and the terminator (the read waits for
  // the bytes itself).
  fake.Write("RE010 0123456789\r\n");
  char small[8];
  std::memset(small, 'z', sizeof small);
  EXPECT_EQ(port.ReadReply(small, sizeof small), 7u);
  EXPECT_STREQ(small, "RE010 0");
  char rest[64];
  port.ReadReply(rest, sizeof rest);
  // A silent peer costs exactly the allowance.
  EXPECT_EQ(port.ReadReply(buf, sizeof buf), 0u);
  EXPECT_EQ(port.GetLastReplyEmptyReads(), 200);
  EXPECT_STREQ(buf, "");
  // A hang-up fails the read and marks the port.
  fake.HangUp();
  EXPECT_EQ(port.ReadReply(buf, sizeof buf), TGpsPort::kIoFailed);
  EXPECT_TRUE(port.HasIoError());
  EXPECT_EQ(port.Send("dm\n"), TGpsPort::kIoFailed);
  port.SetCommandMode(0);
}

TEST_F(GpsPortLink, ReadBlockTakesExactCountsAndEndsOnCancel) {
  OpenPort();
  port.SetCommandMode(1);
  fake.Play({{"0123", 20, false}, {"456789", 0, false}});
  char buf[16] = {};
  EXPECT_NE(port.ReadBlock(buf, 10), 0u);
  EXPECT_EQ(std::string(buf, 10), "0123456789");
  ASSERT_TRUE(fake.WaitPlayed(test_wait::kDefaultMs));
  // Cancelled once this thread sleeps in the block's read. A read that ends on silence does so
  // 3 s after its start at the earliest: ending sooner, it ended on the cancel.
  const pid_t reading = test_wait::ThisThreadId();
  std::thread canceller([&] {
    EXPECT_TRUE(test_wait::UntilAsleep(reading));
    port.CancelRead();
  });
  const auto t0 = Clock::now();
  EXPECT_EQ(port.ReadBlock(buf, 10), 0u);
  EXPECT_LT(ElapsedMs(t0), 3000);
  canceller.join();
  port.SetCommandMode(0);
}

TEST_F(GpsPortLink, HangUpMarksTheErrorAndCloseIsPrompt) {
  OpenPort();
  ASSERT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc)}));
  fake.HangUp();
  EXPECT_TRUE(test_wait::Until([&] { return port.HasIoError() != 0; }));
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(ElapsedMs(t0), kForcedCloseMs);
  EXPECT_EQ(Fix().status, 'A');
}

TEST_F(GpsPortLink, CloseIsPromptWhileTheReaderWaitsOnSilence) {
  g_readerTid = 0;
  OpenPort();
  ASSERT_TRUE(test_wait::UntilAsleep(g_readerTid));  // in its wait on the silent port
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(ElapsedMs(t0), kForcedCloseMs);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(GpsPortLink, ReconnectDeclinedLeavesThePortAlone) {
  OpenPort();
  harness::AnswerMessageBox(L"", IDNO);
  EXPECT_EQ(port.Reconnect(), 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(100033));
  EXPECT_EQ(harness::MessageBoxes()[0].caption, g_Lang.GetText(100011));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc)}));
  EXPECT_EQ(Fix().status, 'A');
}

TEST_F(GpsPortLink, ReconnectAsksAgainUntilTheDeviceReturns) {
  OpenPort();
  ASSERT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc)}));
  fake.HangUp();
  std::filesystem::remove(link);  // the device is gone
  sample::FakeReceiver back;
  // The first reopen fails; the device is back while the user reads that failure, so the
  // second reopen finds it, however long each step takes.
  harness::AnswerMessageBox(L"", IDYES);
  bool returned = false;
  harness::AnswerMessageBoxAfter(std::wstring(g_Lang.GetText(100006)) + L"COM5:", [&] {
    if (!returned && back.Open()) Point(back.SlavePath());
    returned = true;
  }, IDOK);
  EXPECT_EQ(port.Reconnect(), 1);
  EXPECT_TRUE(returned);
  const auto& boxes = harness::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, g_Lang.GetText(100033));
  EXPECT_EQ(boxes[1].text, std::wstring(g_Lang.GetText(100006)) + L"COM5:");
  EXPECT_EQ(boxes[2].text, g_Lang.GetText(100033));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_FALSE(port.HasIoError());
  EXPECT_TRUE(test_gps::WriteAndWaitRead(back, {sample::NmeaLine(kRmc2)}, port));
  EXPECT_LT(Fix().latitude, 0);
  port.Close();
  back.HangUp();
}

TEST_F(GpsPortLink, KeepAwakeTimerIsNeverLeaked) {
  unsetenv("VORNA_COM5");
  OpenPort(TGpsPort::kNmea, TRUE);  // the device is missing
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.GetKeepAwakeTimerId(), 0u);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, std::wstring(g_Lang.GetText(100006)) + L"COM5:");

  setenv("VORNA_COM5", link.c_str(), 1);
  OpenPort(TGpsPort::kNmea, TRUE);
  ASSERT_TRUE(port.IsOpen());
  const UINT_PTR first = port.GetKeepAwakeTimerId();
  EXPECT_NE(first, 0u);
  OpenPort(TGpsPort::kNmea, TRUE);  // already open: one timer still
  EXPECT_EQ(port.GetKeepAwakeTimerId(), first);
  port.Close();
  EXPECT_EQ(port.GetKeepAwakeTimerId(), 0u);
  EXPECT_FALSE(KillTimer(nullptr, first));  // really gone
}

TEST_F(GpsPortLink, UnknownSourceTypeOpensNothing) {
  port.SetSourceType(7);
  port.Open(owner, L"", 0, FixTimerProc, ReaderProc, FALSE);
  EXPECT_FALSE(port.IsOpen());
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(100006));
}

TEST_F(GpsPortLink, PacedFileEndsThroughTheUiThread) {
  const auto walk = sample::DemoTownWalk(2);
  std::string text;
  for (const std::string& s : sample::EpochSentences(walk[0])) text += s;
  text += sample::EpochSentences(walk[1])[0];  // the RMC of the next second
  const std::string host = harness::Root() + "/walk.nmea";
  FILE* f = std::fopen(host.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);

  port.SetSourceType(TGpsPort::kPaced);
  port.Open(owner, L"\\walk.nmea", 0, FixTimerProc, ReaderProc, FALSE);
  ASSERT_TRUE(port.IsOpen());
  // 7 lines, 500 ms apart; the port closes itself only through the owner's message.
  EXPECT_TRUE(test_wait::Until([&] {
    harness::PumpUntilIdle();
    return !port.IsOpen();
  }));
  EXPECT_EQ(port.GetLinesRead(), 7u);
  const GpsFix fix = Fix();
  EXPECT_EQ(fix.status, 'A');
  EXPECT_EQ(fix.utc.wSecond, 1);  // the second epoch was the last
  EXPECT_EQ(fix.satellitesComplete, 1);
  EXPECT_EQ(fix.satellitesUsed, 8);
}

TEST_F(GpsPortLink, SatellitesCompleteResetReachesBothCopies) {
  OpenPort();
  ASSERT_TRUE(WriteAndWaitRead(sample::EpochSentences(sample::DemoTownWalk(1)[0])));
  ASSERT_EQ(Fix().satellitesComplete, 1);
  port.ResetSatellitesComplete();
  EXPECT_EQ(Fix().satellitesComplete, 0);
  // The reader applies the request before it publishes again.
  ASSERT_TRUE(WriteAndWaitRead({sample::NmeaLine(kRmc)}));
  EXPECT_GT(Fix().speed, 41);
  EXPECT_EQ(Fix().satellitesComplete, 0);
  port.Close();
  port.ResetSatellitesComplete();  // no reader: both copies directly
  EXPECT_EQ(Fix().satellitesComplete, 0);
}

}  // namespace
