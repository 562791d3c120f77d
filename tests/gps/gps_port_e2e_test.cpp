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
#include <functional>
#include <string>
#include <thread>

#include "base/lang.h"
#include "gps/gps_port.h"
#include "platform/harness.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

using Clock = std::chrono::steady_clock;

DWORD ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
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

bool WaitFor(const std::function<bool()>& ready, int ms = 3000) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!ready()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

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
  bool WaitStatus(char status, int ms = 3000) {
    return WaitFor([&] { return Fix().status == status; }, ms);
  }
  bool WaitLatitudeSign(int sign) {
    return WaitFor([&] { return Fix().latitude * sign > 0; });
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

  // Bad checksum, truncated, over-long, 8-bit garbage with NULs: none of them is taken, and
  // the next good line parses.
  fake.WriteBadChecksum(kRmc2);
  fake.WriteTruncated(kRmc2, 40);
  fake.WriteLongLine(600);  // exactly 600 bytes before the LF: an empty line is passed on
  fake.WriteLongLine(1500);
  fake.WriteGarbage(300);
  fake.Write("\n");
  fake.Write(std::string("$GPRMC,0\0" "81836,A", 16) + "\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_GT(Fix().latitude, 0);
  std::string noCr = sample::NmeaLine(kRmc2);
  noCr.erase(noCr.size() - 2, 1);  // a line without its CR is still a line
  fake.Write(noCr);
  ASSERT_TRUE(WaitLatitudeSign(-1));
  EXPECT_LT(port.GetIdleTime(), 1000u);
  EXPECT_FALSE(port.HasIoError());
}

TEST_F(GpsPortLink, GreisOpenSetsUpOutputAndCloseStopsItFirst) {
  OpenPort(TGpsPort::kGreis);
  ASSERT_TRUE(port.IsOpen());
  EXPECT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", 2000));
  EXPECT_EQ(fake.Transcript(),
            "dm\nem,,nmea/RMC:0.2\nem,,nmea/GNS:0.2\nem,,nmea/GSA:1\nem,,nmea/GSV:1\n");
  fake.WriteSentence(kRmc);
  ASSERT_TRUE(WaitStatus('A'));
  fake.ClearTranscript();
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(ElapsedMs(t0), 500);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(fake.WaitTranscript("dm\n", 1000));
  EXPECT_EQ(fake.Transcript(), "dm\n");
  // The last fix stays readable after Close; sentences now go nowhere.
  fake.WriteSentence(kRmc2);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Fix().status, 'A');
  EXPECT_GT(Fix().latitude, 0);
}

TEST_F(GpsPortLink, NoSentenceIsParsedInsideACommandDialogue) {
  OpenPort();
  fake.WriteSentence(kRmc);
  ASSERT_TRUE(WaitStatus('A'));
  port.SetCommandMode(1);
  EXPECT_TRUE(fake.WaitTranscript("dm\n", 1000));
  fake.WriteSentence(kRmc2);  // a receiver still talking: the reader must keep off it
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_GT(Fix().latitude, 0);
  // The dialogue reads the bytes itself.
  char buf[200];
  DWORD n = port.ReadReply(buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n), sample::NmeaLine(kRmc2));
  fake.ClearTranscript();
  port.SetCommandMode(0);
  EXPECT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", 1000));  // output set up again
  EXPECT_LT(port.GetIdleTime(), 500u);
  fake.WriteSentence(kRmc2);
  EXPECT_TRUE(WaitLatitudeSign(-1));
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
    fake.WaitPlayed(2000);
  }
  // Capacity is respected: at most capacity - 1 bytes and the terminator.
  fake.Write("RE010 0123456789\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
  fake.WaitPlayed(1000);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    port.CancelRead();
  });
  const auto t0 = Clock::now();
  EXPECT_EQ(port.ReadBlock(buf, 10), 0u);
  EXPECT_LT(ElapsedMs(t0), 1000);
  canceller.join();
  port.SetCommandMode(0);
}

TEST_F(GpsPortLink, HangUpMarksTheErrorAndCloseIsPrompt) {
  OpenPort();
  fake.WriteSentence(kRmc);
  ASSERT_TRUE(WaitStatus('A'));
  fake.HangUp();
  EXPECT_TRUE(WaitFor([&] { return port.HasIoError() != 0; }));
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(ElapsedMs(t0), 500);
  EXPECT_EQ(Fix().status, 'A');
}

TEST_F(GpsPortLink, CloseIsPromptWhileTheReaderWaitsOnSilence) {
  OpenPort();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(ElapsedMs(t0), 500);
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
  fake.WriteSentence(kRmc);
  EXPECT_TRUE(WaitStatus('A'));
}

TEST_F(GpsPortLink, ReconnectAsksAgainUntilTheDeviceReturns) {
  OpenPort();
  fake.WriteSentence(kRmc);
  ASSERT_TRUE(WaitStatus('A'));
  fake.HangUp();
  std::filesystem::remove(link);  // the device is gone
  sample::FakeReceiver back;
  std::thread returner([&] {
    // The first reopen (after 1 s) fails; the device is back before the second.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    if (back.Open()) Point(back.SlavePath());
  });
  harness::AnswerMessageBox(L"", IDYES);
  EXPECT_EQ(port.Reconnect(), 1);
  returner.join();
  const auto& boxes = harness::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, g_Lang.GetText(100033));
  EXPECT_EQ(boxes[1].text, std::wstring(g_Lang.GetText(100006)) + L"COM5:");
  EXPECT_EQ(boxes[2].text, g_Lang.GetText(100033));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_FALSE(port.HasIoError());
  back.WriteSentence(kRmc2);
  EXPECT_TRUE(WaitLatitudeSign(-1));
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
  const auto end = Clock::now() + std::chrono::seconds(15);
  while (port.IsOpen() && Clock::now() < end) {
    harness::PumpUntilIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(port.IsOpen());
  const GpsFix fix = Fix();
  EXPECT_EQ(fix.status, 'A');
  EXPECT_EQ(fix.utc.wSecond, 1);  // the second epoch was the last
  EXPECT_EQ(fix.satellitesComplete, 1);
  EXPECT_EQ(fix.satellitesUsed, 8);
}

TEST_F(GpsPortLink, SatellitesCompleteResetReachesBothCopies) {
  OpenPort();
  for (const std::string& s : sample::EpochSentences(sample::DemoTownWalk(1)[0])) fake.Write(s);
  ASSERT_TRUE(WaitFor([&] { return Fix().satellitesComplete == 1; }));
  port.ResetSatellitesComplete();
  EXPECT_EQ(Fix().satellitesComplete, 0);
  fake.WriteSentence(kRmc);  // the reader applies the request before it publishes again
  ASSERT_TRUE(WaitFor([&] { return Fix().speed > 41; }));
  EXPECT_EQ(Fix().satellitesComplete, 0);
  port.Close();
  port.ResetSatellitesComplete();  // no reader: both copies directly
  EXPECT_EQ(Fix().satellitesComplete, 0);
}

}  // namespace
