// The navigation and geodesy receiver pages: their keys, enabled states and live values from a
// fake receiver on a pseudo-terminal.
#include <stdlib.h>

#include "base/input_mode.h"
#include "gps/gps_port.h"
#include "platform/sys/winsys.h"
#include "gps/greis_receiver.h"
#include "tests/settings/settings_fixture.h"
#include "tests/support/gps_lines.h"
#include "tools/sampledata/fake_receiver.h"
#include "view/map_view.h"

namespace {

DWORD ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
void FixTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

class GpsPages : public settingstest::SettingsTest {
 protected:
  void TearDown() override {
    g_GpsPort.Close();
    fake.HangUp();
    SettingsTest::TearDown();
  }
  // The port on the fake receiver, with a fix of Munich taken (RMC and GGA).
  void OpenFix(const char* status = "A") {
    ASSERT_TRUE(fake.Open());
    setenv("VORNA_COM5", fake.SlavePath().c_str(), 1);
    g_GpsPort.SetSourceType(TGpsPort::kNmea);
    g_GpsPort.Open(nullptr, L"COM5:", 4800, FixTimerProc, ReaderProc, FALSE);
    ASSERT_TRUE(g_GpsPort.IsOpen());
    ASSERT_TRUE(test_gps::WriteAndWaitRead(
        fake, {sample::NmeaLine(std::string("GPRMC,123519,") + status +
                                ",4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
               sample::NmeaLine("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")}));
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    ASSERT_NEAR(fix.altitude, 545.4, 1e-6);
  }
  sample::FakeReceiver fake;
};

TEST_F(GpsPages, NavigationShowsDegreesOrPlaneCoordinatesByTheDatum) {
  OpenFix();
  g_MapView.gpsX = 5334567.26;
  g_MapView.gpsY = 4467890.04;
  Run(0, [&](HWND d) {
    HWND page = TSettingsDialog::Page(0);
    // 22.4 knots is 41.48 km/h; 48 deg 7.038 min north, 11 deg 31 min east.
    EXPECT_EQ(Text(page, 2112), L"41.5");
    EXPECT_EQ(Text(page, 2413), L"545.4");
    EXPECT_EQ(Text(page, 2314), L"48\u00b07.04'N");
    EXPECT_EQ(Text(page, 2315), L"11\u00b031.00'E");
    EXPECT_EQ(Text(page, 2316), L"");  // nothing recorded
    EXPECT_EQ(Text(page, 2317), L"");
    Pick(page, 2318, 1);
    TSettingsDialog::RefreshPage(0);
    EXPECT_EQ(Text(page, 2314), L"5334567.3");
    EXPECT_EQ(Text(page, 2315), L"4467890.0");
    SelectTab(d, 4);
    g_MapView.gpsX = 1.0;
    TSettingsDialog::RefreshPage(0);  // not the current tab: left alone
    EXPECT_EQ(Text(page, 2314), L"5334567.3");
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("NaviDatum"), "1");
}

TEST_F(GpsPages, NavigationWithoutAFixEmptiesTheValuesButCountsSatellites) {
  OpenFix("V");
  Run(0, [&](HWND d) {
    HWND page = TSettingsDialog::Page(0);
    EXPECT_EQ(Text(page, 2311), L"0");
    for (int id : {2112, 2413, 2314, 2315}) EXPECT_EQ(Text(page, id), L"") << id;
    Press(d, 4);
  });
}

TEST_F(GpsPages, NavigationKeysOffersAndEnabledStates) {
  WriteIni("[Ini]\nNaviDatum=5\nNaviVector=1\nGPSOffsActive=0\nGPSOffsX=12\nNaviRuleSight=1\n"
           "NaviRuleSightList=50;100:255;\n");
  Run(0, [&](HWND d) {
    HWND page = TSettingsDialog::Page(0);
    EXPECT_EQ(Selected(page, 2318), -1);  // datum 5 is none of the two
    EXPECT_FALSE(Enabled(page, 2045));
    EXPECT_FALSE(Enabled(page, 2101));
    EXPECT_TRUE(Enabled(page, 3035));
    Click(page, 2100);
    EXPECT_TRUE(Enabled(page, 2045));
    EXPECT_TRUE(Enabled(page, 2102));
    Click(page, 2344);
    EXPECT_FALSE(Enabled(page, 3035));
    Click(page, 1193);  // the offset offer clears the second-point offer, and back
    EXPECT_FALSE(Checked(page, 2343));
    Click(page, 2343);
    EXPECT_FALSE(Checked(page, 1193));
    Click(page, 2399);
    Type(page, 2049, L"-7");
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("NaviDatum"), "-1");
  EXPECT_EQ(Value("NaviVector"), "1");
  EXPECT_EQ(Value("NaviPtDelta"), "0");
  EXPECT_EQ(Value("NaviRuleSight"), "0");
  EXPECT_EQ(Value("NaviRuleSightList"), "50;100:255;");
  EXPECT_EQ(Value("GPSOffsActive"), "1");
  EXPECT_EQ(Value("GPSOffsX"), "12");
  EXPECT_EQ(Value("GPSOffsY"), "-7");
  EXPECT_EQ(Value("NaviSaveLog"), "1");
  EXPECT_EQ(settingsHost.trackMenus, 1);
}

// The offset and the default distance are whole metres, read as integers: "1,5" would have been
// stored as typed and read as 1. It is refused with a beep and the stored value kept; a comma
// typed where a whole number is meant is no number either, a plain "-3" is stored as shown.
TEST_F(GpsPages, NumbersThatAreNoWholeMetresAreRefusedWithABeep) {
  WriteIni("[Ini]\nGPSOffsActive=1\nGPSOffsX=12\nGPSOffsY=4\nNaviPtDeltaDef=10\n");
  vplat::ClearRecordedBeeps();
  Run(0, [&](HWND d) {
    HWND page = TSettingsDialog::Page(0);
    Type(page, 2045, L"1,5");
    Type(page, 2049, L" -3 ");
    Type(page, 3037, L"10 m");
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("GPSOffsX"), "12");
  EXPECT_EQ(Value("GPSOffsY"), "-3");
  EXPECT_EQ(Value("NaviPtDeltaDef"), "10");
  EXPECT_EQ(vplat::RecordedBeeps().size(), 2u);
}

TEST_F(GpsPages, PickingTheOffsetOnTheMapLeavesAsCancelDoes) {
  WriteIni("[Ini]\nGPSOffsX=3\n");
  SetInputModeDirect(input_mode::kNormal);
  const int result = Run(0, [&](HWND) {
    HWND page = TSettingsDialog::Page(0);
    Type(page, 2045, L"99");
    Click(page, 2339);
  });
  EXPECT_EQ(result, 4);
  EXPECT_EQ(GetInputMode(), input_mode::kGpsOffset);
  EXPECT_EQ(Value("GPSOffsX"), "3");
  EXPECT_FALSE(BackupExists());
}

TEST_F(GpsPages, AReceiverThatIsNotReadyLeavesTheParametersEmptyAndSendsNothing) {
  OpenFix();
  WriteIni("[Ini]\nGeoAntType=TPS_CR4\n");
  Run(1, [&](HWND d) {
    HWND page = TSettingsDialog::Page(1);
    EXPECT_EQ(SendDlgItemMessageW(page, 2322, CB_GETCOUNT, 0, 0), 15);
    EXPECT_EQ(ComboText(page, 2322), L"TPS_CR4");
    for (int id : {1035, 1029, 1039}) {
      EXPECT_EQ(Text(page, id), L"") << id;
      EXPECT_FALSE(Enabled(page, id)) << id;
    }
    for (int id : {2320, 2421}) {
      EXPECT_FALSE(Checked(page, id));
      EXPECT_FALSE(Enabled(page, id));
    }
    EXPECT_EQ(Text(page, 2516), L"545.4");
    EXPECT_EQ(Text(page, 2513), L"");  // no receiver answers the power query
    Type(page, 1035, L"4.5");
    EXPECT_TRUE(ApplyEnabled(d));
    Pick(page, 2322, 6);
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("GeoAntType"), "JPSODYSSEY");
  EXPECT_EQ(g_GreisReceiver.antennaType, "JPSODYSSEY");
  EXPECT_EQ(settingsHost.mask, -1);  // nothing was written
  // Only the NMEA set-up the port itself sends came over the line: no "set," from the page.
  EXPECT_EQ(fake.Transcript().find("set,"), std::string::npos);
}

TEST_F(GpsPages, KeepAwakeStartsAndStopsAtOnceWhileThePortIsOpen) {
  OpenFix();
  UINT_PTR onTick = 0, offTick = 1;
  Run(5, [&](HWND d) {
    HWND page = TSettingsDialog::Page(5);
    Click(page, 2104);
    onTick = g_GpsPort.GetKeepAwakeTimerId();  // before any save
    Click(page, 2104);
    offTick = g_GpsPort.GetKeepAwakeTimerId();
    Press(d, 4);
  });
  EXPECT_NE(onTick, 0u);
  EXPECT_EQ(offTick, 0u);
}

}  // namespace
