// The geodesy receiver page's live receiver values over the fake GREIS receiver: power, memory
// and the remaining recording time the geodesy bar would show for the log that is growing.
#include <stdlib.h>

#include <cstdio>

#include "gps/geodesy_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "platform/sys/winsys.h"
#include "tests/settings/settings_fixture.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_greis.h"

namespace {

DWORD WINAPI ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
void CALLBACK FixTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

class GeodesyPageReceiver : public settingstest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    ASSERT_TRUE(fake.Open());
    setenv("VORNA_COM6", fake.SlavePath().c_str(), 1);
    g_GpsPort.SetSourceType(TGpsPort::kGreis);
    g_GpsPort.Open(nullptr, L"COM6:", 115200, FixTimerProc, ReaderProc, FALSE);
    ASSERT_TRUE(g_GpsPort.IsOpen());
    g_GreisReceiver.Bind(&g_GpsPort, "\\Vorna\\Vorna.gbackup");
    ASSERT_TRUE(g_GreisReceiver.IsReady());
    ASSERT_TRUE(test_wait::Until([this] { return fake.NmeaOn(); }));
    fake.SetPower("7.42");
    fake.SetMemory(64 * 1048576LL, 16 * 1048576LL);
    fake.SetCurrentLog("log1210a", 1048576, 0);
    fake.SetReply("print,/par/pos/pdop", " 4.5");
    fake.SetElevationMask("10");
    fake.SetPeriod("1.00");
    fake.SetReply("print,/par/pos/sys", "{on,on}");
  }
  void TearDown() override {
    g_GpsPort.Close();
    g_GreisReceiver.Bind(nullptr, "");
    g_GeodesyBar.rate = 0;
    fake.HangUp();
    SettingsTest::TearDown();
  }
  // The page's power, memory and remaining-time boxes as the dialog shows them.
  void ReadValues(std::wstring* power, std::wstring* memory, std::wstring* remaining) {
    Run(1, [&](HWND d) {
      HWND page = TSettingsDialog::Page(1);
      *power = Text(page, 2513);
      *memory = Text(page, 2414);
      *remaining = Text(page, 2415);
      // A receiver that answers: its parameters are shown and can be edited.
      EXPECT_EQ(Text(page, 1035), L"4.5") << fake.Transcript();
      for (int id : {1035, 1029, 1039, 2320, 2421}) EXPECT_TRUE(Enabled(page, id)) << id;
      Press(d, IDCANCEL);
    });
  }
  sample::FakeGreis fake;
};

TEST_F(GeodesyPageReceiver, TheRemainingTimeFollowsTheBarsRecordingRateOrStaysEmpty) {
  std::wstring power, memory, remaining;
  // No log grows under the bar: no rate, no time (and the log's size is not asked for).
  ReadValues(&power, &memory, &remaining);
  EXPECT_EQ(power, L"7.42");
  EXPECT_EQ(memory, L"16.00/64.00");
  EXPECT_EQ(remaining, L"");

  // 2048 bytes a second into 16 MiB free with 1 MiB already logged: half of the 15 MiB left,
  // (16 - 1) * 1048576 / 2048 / 2 = 3840 s.
  g_GeodesyBar.rate = 2048;
  ReadValues(&power, &memory, &remaining);
  EXPECT_EQ(remaining, L"64:00") << fake.Transcript();
}

// The same receiver set up as a plain NMEA one: the page asks it nothing, and shows nothing of
// its power or memory.
TEST_F(GeodesyPageReceiver, APlainNmeaReceiverIsAskedNothing) {
  g_GpsPort.Close();
  g_GpsPort.SetSourceType(TGpsPort::kNmea);
  g_GpsPort.Open(nullptr, L"COM6:", 115200, FixTimerProc, ReaderProc, FALSE);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_FALSE(g_GreisReceiver.IsReady());
  fake.ClearTranscript();
  std::wstring power = L"?", memory = L"?";
  Run(1, [&](HWND d) {
    HWND page = TSettingsDialog::Page(1);
    power = Text(page, 2513);
    memory = Text(page, 2414);
    Press(d, IDCANCEL);
  });
  EXPECT_EQ(power, L"");
  EXPECT_EQ(memory, L"");
  EXPECT_EQ(fake.Transcript().find("print,"), std::string::npos) << fake.Transcript();
}

}  // namespace

namespace {

// The masks typed on the Russian keyboard: "12,5" goes to the receiver as 12.5 (its commands
// take the comma as their field separator, so "12,5" set 12) and the sky plot's mask follows; a
// PDOP mask with a unit after it is refused with a beep and not sent, the receiver keeping its own.
TEST_F(GeodesyPageReceiver, TypedMasksGoWithAPointAndTextThatIsNoNumberIsNotSent) {
  vplat::ClearRecordedBeeps();
  fake.ClearTranscript();
  Run(1, [&](HWND d) {
    HWND page = TSettingsDialog::Page(1);
    ASSERT_EQ(Text(page, 1035), L"4.5") << fake.Transcript();
    Type(page, 1029, L"12,5");
    Type(page, 1035, L"4 m");
    Press(d, IDOK);
  });
  ASSERT_TRUE(fake.WaitTranscript("set,/par/out/elm/cur/log,12.5", 5000)) << fake.Transcript();
  const std::string sent = fake.Transcript();
  EXPECT_NE(sent.find("set,/par/pos/elm,12.5\n"), std::string::npos) << sent;
  EXPECT_EQ(sent.find("set,/par/pos/pdop,"), std::string::npos) << sent;
  EXPECT_EQ(vplat::RecordedBeeps(), std::vector<UINT>{MB_ICONHAND});
}

}  // namespace
