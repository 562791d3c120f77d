// The geodesy bar: its battery and remaining-time rules, the receiver poll against the fake
// receiver (what it asks, in which dialogue, what a silent receiver gets), and the panel driven
// by the pen.
#include <climits>
#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/wait_until.h"
#include "base/ini_file.h"
#include "gps/geodesy_bar.h"
#include "tests/gps/greis_fixture.h"

namespace {

using greistest::GreisLink;
using Fault = sample::FakeGreis::Fault;

std::wstring Remaining(int freeBytes, int logSize, double rate) {
  wchar_t text[32];
  FormatRemainingTime(text, 32, freeBytes, logSize, rate);
  return text;
}

std::wstring Height(double h) {
  wchar_t text[64];
  FormatHeight(text, 64, h);
  return text;
}

TEST(GeodesyBarRules, BatteryFramesFollowThePercentOfTheBoardVoltage) {
  // percent = (V x 100 - 650) / 150 x 100, rounded: 51..150 frame 1, 6..50 frame 2, at most 5
  // frame 3; none, not a number or above 150 percent frame 0.
  const struct {
    float volts;
    int frame;
  } cases[] = {{8.0f, 1}, {7.26f, 1}, {7.25f, 2}, {6.59f, 2}, {6.58f, 3}, {6.5f, 3},
               {5.0f, 3}, {0.0f, 0},  {9.0f, 0},  {8.75f, 1}, {8.76f, 0}, {NAN, 0}};
  for (const auto& c : cases) EXPECT_EQ(BatteryFrame(c.volts), c.frame) << c.volts;
}

TEST(GeodesyBarRules, RemainingTimeIsHalfTheFreeMemoryAtTheLogsRate) {
  // 100,000 to 110,000 bytes in 10 s, 7,300,000 free: (7,300,000 - 110,000) / 1000 / 2 s.
  EXPECT_EQ(Remaining(7300000, 110000, (110000 - 100000) / 10.0), L"59:55");
  EXPECT_EQ(Remaining(7300000, 110000, 0), L"--:--");   // not grown
  EXPECT_EQ(Remaining(-1, 110000, 1000), L"--:--");     // free memory unknown
  EXPECT_EQ(Remaining(7300000, 110000, NAN), L"--:--");
  EXPECT_EQ(Remaining(7300000, 110000, INFINITY), L"--:--");
  EXPECT_EQ(Remaining(100, 110000, 1000), L"--:--");    // negative
  EXPECT_EQ(Remaining(INT_MAX, 0, 1e-6), L"--:--");     // beyond an int of seconds
  EXPECT_EQ(Height(1.5), L"1.5");
  EXPECT_EQ(Height(2.0), L"2");
  EXPECT_EQ(Height(0.125), L"0.125");
  EXPECT_EQ(Height(0.0), L"0");
  EXPECT_EQ(Height(-1.25), L"-1.25");
}

int g_pageRefreshes = 0;
void CountRefresh(int page) {
  if (page == 1) ++g_pageRefreshes;
}

// The command lines of a transcript, without their "\n".
std::vector<std::string> Lines(const std::string& transcript) {
  std::vector<std::string> out;
  std::istringstream in(transcript);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::wstring Text(HWND dialog, int id) {
  wchar_t text[64] = {};
  GetDlgItemTextW(dialog, id, text, 64);
  return text;
}

class GeodesyBarLink : public GreisLink {
 protected:
  void SetUp() override {
    GreisLink::SetUp();
    g_pageRefreshes = 0;
    SetSettingsPageRefresh(CountRefresh);
    ASSERT_NE(bar.Create(owner, GetModuleHandleW(nullptr)), nullptr);
    bar.Move(274);
  }
  void TearDown() override {
    bar.Show(0);
    SetSettingsPageRefresh(nullptr);
    GreisLink::TearDown();
    bar.window = nullptr;
  }
  void TapBar(int x, int y) {
    POINT p{x, y};
    ClientToScreen(bar.window, &p);
    harness::Tap(p.x, p.y);
  }
  TGeodesyBar& bar = g_GeodesyBar;
};

TEST_F(GeodesyBarLink, ThePollAsksInOneDialogueAndSetsTheOutputUpAfter) {
  fake.SetCurrentLog("cur.jps", 100000);
  fake.ClearTranscript();
  bar.Show(1);
  const std::vector<std::string> first = {
      "dm",
      "print,/par/dev/blk/a/size", "print,/par/dev/blk/a/free",  // once more on the first poll
      "print,/par/dev/blk/a/size", "print,/par/dev/blk/a/free",
      "print,/par/pwr/board",      "print,/cur/log&size",
      "dm",                        "em,,nmea/RMC:0.2", "em,,nmea/GNS:0.2",
      "em,,nmea/GSA:1",            "em,,nmea/GSV:1"};
  ASSERT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", test_wait::kDefaultMs));
  EXPECT_EQ(Lines(fake.Transcript()), first);
  EXPECT_EQ(bar.GetBatteryFrame(), 1);  // 7.90 V
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kRemainingText), L"--:--");
  EXPECT_NE(bar.timer, 0u);
  EXPECT_EQ(g_pageRefreshes, 1);

  // Not grown: still no estimate. Then 10,000 bytes more: an estimate at the measured rate.
  fake.ClearTranscript();
  bar.Poll();
  ASSERT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", test_wait::kDefaultMs));
  EXPECT_EQ(Lines(fake.Transcript())[1], "print,/par/dev/blk/a/size");
  EXPECT_EQ(Lines(fake.Transcript())[3], "print,/par/pwr/board");
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kRemainingText), L"--:--");
  fake.SetCurrentLog("cur.jps", 110000);
  bar.Poll();
  const std::wstring estimate = Text(bar.window, TGeodesyBar::kRemainingText);
  EXPECT_TRUE(std::regex_match(std::string(estimate.begin(), estimate.end()),
                               std::regex("[0-9]+:[0-5][0-9]")))
      << std::string(estimate.begin(), estimate.end());
  EXPECT_NE(estimate, L"--:--");
  EXPECT_EQ(g_pageRefreshes, 3);

  fake.SetPower("nan");
  bar.Poll();
  EXPECT_EQ(bar.GetBatteryFrame(), 0);
  fake.SetPower("6.58");
  bar.Poll();
  EXPECT_EQ(bar.GetBatteryFrame(), 3);

  bar.Show(0);
  EXPECT_EQ(bar.timer, 0u);
}

TEST_F(GeodesyBarLink, ASilentReceiverDeclinedEndsNavigationAndThePolls) {
  fake.SetFault("print,", Fault::kSilence);
  harness::AnswerMessageBox(L"", IDNO);
  fake.ClearTranscript();
  bar.firstPoll = 0;
  bar.Poll();
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(host.stops, 1);
  EXPECT_EQ(bar.timer, 0u);
  EXPECT_TRUE(receiver.linkLost);
  EXPECT_FALSE(port.HoldsCommandMode());
  // The dialogue was over before the question: its set-up lines are the last the port wrote.
  ASSERT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", test_wait::kDefaultMs));
  const std::vector<std::string> lines = Lines(fake.Transcript());
  // The free size and the power follow unanswered queries: each carries its own identifier.
  EXPECT_EQ(lines[2], "%1%print,/par/dev/blk/a/free");
  EXPECT_EQ(lines[3], "%2%print,/par/pwr/board");  // the log is not asked of a silent receiver
  EXPECT_EQ(lines.back(), "em,,nmea/GSV:1");
  EXPECT_EQ(g_pageRefreshes, 0);
}

TEST_F(GeodesyBarLink, ASilentReceiverReconnectedIsPolledAgain) {
  fake.SetFault("print,", Fault::kSilence, 3);  // memory and power of the first round
  harness::AnswerMessageBox(L"", IDYES);
  bar.firstPoll = 0;
  bar.Poll();
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(host.stops, 0);
  EXPECT_EQ(bar.GetBatteryFrame(), 1);
  EXPECT_EQ(g_pageRefreshes, 1);
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(GeodesyBarLink, ThePenSwitchesTheStretchesAndTheDisplay) {
  g_Ini.SetInt("NJPCode", 25);
  g_Ini.SetFloat("NJPHeightNum", 1.5);
  g_Ini.SetInt("NJLCode", 18);
  g_Ini.SetFloat("NJLHeightNum", 2.125);
  bar.Show(1);
  ASSERT_GT(bar.GetHeight(), 0);
  EXPECT_EQ(bar.GetMode(), 2);
  EXPECT_TRUE(bar.IsButtonDown(TGeodesyBar::kAutoButton));
  fake.ClearTranscript();

  TapBar(216 + 10, 2 + 10);  // static
  EXPECT_EQ(bar.GetMode(), 1);
  EXPECT_EQ(bar.record, &bar.pointRecord);
  EXPECT_TRUE(bar.IsButtonDown(TGeodesyBar::kStaticButton));
  EXPECT_FALSE(bar.IsButtonDown(TGeodesyBar::kAutoButton));
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kHeightCombo), L"1.5");
  EXPECT_TRUE(fake.WaitTranscript("\"_DYM=STATIC\"", test_wait::kDefaultMs));

  TapBar(152 + 10, 2 + 10);  // kinematic
  EXPECT_EQ(bar.GetMode(), 0);
  EXPECT_EQ(bar.record, &bar.lineRecord);
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kHeightCombo), L"2.125");
  TapBar(71 + 10, 2 + 10);  // dynamic auto keeps the line record
  EXPECT_EQ(bar.GetMode(), 2);
  EXPECT_EQ(bar.record, &bar.lineRecord);
  EXPECT_EQ(bar.GetAntennaCode(2), 2);
  EXPECT_EQ(bar.GetAntennaHeight(2), 0.0f);

  // A typed height goes into the current record and is saved when the bar hides.
  bar.SetMode(1);
  const HWND combo = GetDlgItem(bar.window, TGeodesyBar::kHeightCombo);
  SetWindowTextW(combo, L"2.250");
  SendMessageW(bar.window, WM_COMMAND, MAKEWPARAM(TGeodesyBar::kHeightCombo, CBN_EDITCHANGE),
               LPARAM(combo));
  EXPECT_EQ(bar.GetAntennaHeight(1), 2.25f);
  SetWindowTextW(combo, L"1.500");
  SendMessageW(bar.window, WM_COMMAND, MAKEWPARAM(TGeodesyBar::kHeightCombo, CBN_EDITCHANGE),
               LPARAM(combo));
  bar.SetMode(0);
  bar.SetMode(1);
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kHeightCombo), L"1.5");
  SetWindowTextW(combo, L"2.250");
  SendMessageW(bar.window, WM_COMMAND, MAKEWPARAM(TGeodesyBar::kHeightCombo, CBN_EDITCHANGE),
               LPARAM(combo));

  // While a download holds the receiver a tap changes no stretch.
  receiver.SetDownloading(true);
  TapBar(152 + 10, 2 + 10);
  EXPECT_EQ(bar.GetMode(), 1);
  EXPECT_TRUE(bar.IsButtonDown(TGeodesyBar::kStaticButton));
  EXPECT_FALSE(bar.IsButtonDown(TGeodesyBar::kKinematicButton));
  receiver.SetDownloading(false);

  TapBar(2 + 10, 2 + 10);  // follow
  EXPECT_EQ(host.follow, 1);
  EXPECT_TRUE(bar.IsButtonDown(TGeodesyBar::kFollowButton));
  bar.followButton = 0;  // as the navigation start sets it
  EXPECT_FALSE(bar.IsButtonDown(TGeodesyBar::kFollowButton));

  // A tap on the satellites cycles satellites, PDOP, altitude.
  bar.UpdateStatus();
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kSatelliteText).rfind(L"S:", 0), 0u);
  TapBar(109 + 8, 4 + 8);
  EXPECT_EQ(bar.GetDisplayMode(), 1);
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kSatelliteText).rfind(L"P:", 0), 0u);
  TapBar(109 + 8, 4 + 8);
  EXPECT_EQ(bar.GetDisplayMode(), 2);
  TapBar(109 + 8, 4 + 8);
  EXPECT_EQ(bar.GetDisplayMode(), 0);
  EXPECT_EQ(Text(bar.window, TGeodesyBar::kTrackingText).rfind(L".", 0), 0u);  // static: occupation

  harness::PumpUntilIdle();
  EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/geodesy_bar.png"));
  bar.Show(0);
  EXPECT_DOUBLE_EQ(g_Ini.GetFloat("NJPHeightNum"), 2.25);
  EXPECT_EQ(g_Ini.GetInt("NJLCode"), 18);
  EXPECT_EQ(bar.GetHeight(), 0);
}

}  // namespace
