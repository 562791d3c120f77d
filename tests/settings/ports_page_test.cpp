// The GPS port page and its presets file.
#include <string>

#include "settings/port_presets.h"
#include "tests/settings/settings_fixture.h"

namespace {

using settingstest::WriteHost;

struct LineCase {
  std::string line;
  bool ok;
  int type, port, baud;
  std::string name;
};

TEST(PortPresetLines, FieldsCommentsAndMalformedLines) {
  const std::string longName(300, 'n');
  const LineCase cases[] = {
      {"2\t3\t115200\tJavad base\r\n", true, 2, 3, 115200, "Javad base"},
      {"1\t15\t4800\tLast port\n", true, 1, 15, 4800, "Last port"},
      {"1\t1\t9600\tLone CR\r", true, 1, 1, 9600, "Lone CR"},
      {"1\t1\t9600\tTabs\tin\tname", true, 1, 1, 9600, "Tabs\tin\tname"},
      {"1\t1\t9600\t" + longName, true, 1, 1, 9600, std::string(254, 'n')},
      {std::string("1\t1\t9600\tNU\0L", 13), true, 1, 1, 9600, "NU"},
      {"#2\t3\t115200\tcomment", false, 0, 0, 0, ""},
      {"2\t3\t115200", false, 0, 0, 0, ""},  // two TABs
      {"3\t1\t4800\ttype 3", false, 0, 0, 0, ""},
      {"1\t0\t4800\tport 0", false, 0, 0, 0, ""},
      {"1\t16\t4800\tport 16", false, 0, 0, 0, ""},
      {"1\t1\t-1\tbaud -1", false, 0, 0, 0, ""},
      {"x\t1\t4800\ttext", false, 0, 0, 0, ""},
      {"1\t1\t48k\ttext", false, 0, 0, 0, ""},
      {"1\t1\t99999999999\toverflow", false, 0, 0, 0, ""},
      {"1\t1\t4800\t\r\n", false, 0, 0, 0, ""},  // no name
      {"", false, 0, 0, 0, ""},
  };
  for (const LineCase& c : cases) {
    PortPreset p{};
    EXPECT_EQ(TPortPresets::ParseLine(c.line.data(), c.line.size(), &p), c.ok) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(p.type, c.type) << c.line;
    EXPECT_EQ(p.port, c.port) << c.line;
    EXPECT_EQ(p.baud, c.baud) << c.line;
    EXPECT_EQ(std::string(p.name), c.name) << c.line;
  }
}

class PortsPage : public settingstest::SettingsTest {
 protected:
  void Presets(const std::string& text) {
    ASSERT_TRUE(WriteHost(harness::HostPath(L"\\Vorna\\PortsPresets.ini"), text));
  }
};

TEST_F(PortsPage, TheFileReadsWholeLinesWhateverTheirShape) {
  std::string text = "# presets\r\n2\t3\t115200\tJavad\r\n";
  text += std::string(1 << 20, 'x') + "\n";  // one 1 MB line
  text += std::string("\0\1\2\t\t\t\xff\n", 8);
  for (int i = 0; i < 10000; ++i) text += "1\t2\t4800\tP" + std::to_string(i) + "\n";
  text += "1\t1\t9600\tNo newline";
  Presets(text);
  TPortPresets presets;
  EXPECT_EQ(presets.Load("\\Vorna\\PortsPresets.ini"), 1);
  ASSERT_EQ(presets.Count(), 10002);
  EXPECT_EQ(std::string(presets.At(0).name), "Javad");
  EXPECT_EQ(std::string(presets.At(10001).name), "No newline");

  Presets("");
  EXPECT_EQ(presets.Load("\\Vorna\\PortsPresets.ini"), 1);
  EXPECT_EQ(presets.Count(), 0);
  EXPECT_EQ(presets.Load("\\Vorna\\Missing.ini"), 0);
  ASSERT_TRUE(CreateDirectoryW(L"\\Vorna\\Folder.ini", nullptr));
  presets.Load("\\Vorna\\Folder.ini");
  EXPECT_EQ(presets.Count(), 0);
}

TEST_F(PortsPage, APresetSelectsTypePortAndTheEqualBaudOnly) {
  Presets("2\t3\t115200\tJavad base\n1\t1\t11520\tOdd rate\n");
  WriteIni("[Ini]\nGPSTYPE=0\nGPSCOMNUM_NMEA=COM1:\nGPSCOMBR_NMEA=4800\n");
  Run(2, [&](HWND d) {
    HWND page = TSettingsDialog::Page(2);
    EXPECT_EQ(SendDlgItemMessageW(page, 2034, CB_GETCOUNT, 0, 0), 3);  // the empty item first
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 2499)));  // the camera group is hidden
    Pick(page, 2034, 1);
    EXPECT_EQ(Selected(page, 2031), 1);
    EXPECT_EQ(ComboText(page, 1040), L"COM3:");
    EXPECT_EQ(ComboText(page, 2033), L"115200");
    Press(d, 8);
    Pick(page, 2034, 2);  // the list outlives the Apply
    EXPECT_EQ(Selected(page, 2031), 0);
    EXPECT_EQ(Selected(page, 2033), -1);  // 11520 is no rate of the list
    Pick(page, 2034, 1);
    Pick(page, 1040, 4);  // a port of one's own: the preset goes
    EXPECT_EQ(Selected(page, 2034), -1);
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("GPSTYPE"), "1");
  EXPECT_EQ(Value("GPSCOMNUM_JAVAD"), "COM5:");
  EXPECT_EQ(Value("GPSCOMBR_JAVAD"), "115200");
  EXPECT_EQ(Value("GPSPreset"), "");
  EXPECT_EQ(Value("GPSCOMNUM_NMEA"), "COM1:");  // the other type keeps its own
}

TEST_F(PortsPage, EachTypeShowsItsOwnPortAndTheStoredPresetIsFollowedQuietly) {
  Presets("2\t3\t115200\tJavad base\n");
  WriteIni("[Ini]\nGPSTYPE=0\nGPSCOMNUM_NMEA=COM2:\nGPSCOMBR_NMEA=4800\nGPSCOMNUM_JAVAD=COM7:\n"
           "GPSCOMBR_JAVAD=57600\nECHOCOMBR=11520\nECHOCOMNUM=99\n");
  Run(2, [&](HWND d) {
    HWND page = TSettingsDialog::Page(2);
    EXPECT_EQ(ComboText(page, 1040), L"COM2:");
    Pick(page, 2031, 1);
    EXPECT_EQ(ComboText(page, 1040), L"COM7:");
    EXPECT_EQ(ComboText(page, 2033), L"57600");
    Pick(page, 2031, 0);
    EXPECT_EQ(ComboText(page, 2033), L"4800");
    EXPECT_EQ(Selected(page, 2039), -1);  // "11520" is not 115200
    EXPECT_EQ(Selected(page, 1043), -1);  // port 99 does not exist
    Press(d, 4);
  });
  g_Ini.SetString("GPSPreset", "Javad base");
  g_Ini.SetString("GPSTYPE", "7");
  Run(2, [&](HWND d) {
    HWND page = TSettingsDialog::Page(2);
    EXPECT_EQ(Selected(page, 2031), 1);  // the preset's type over a type out of range
    EXPECT_EQ(ComboText(page, 1040), L"COM3:");
    EXPECT_FALSE(ApplyEnabled(d));
    Press(d, 4);
  });
}

TEST_F(PortsPage, EchoOnWithAPortThatDoesNotOpenIsTurnedOffAgain) {
  WriteIni("[Ini]\nECHOCOMNUM=-3\n");
  settingsHost.echoOpens = 0;
  bool boxAfter = true;
  Run(2, [&](HWND d) {
    HWND page = TSettingsDialog::Page(2);
    Click(page, 2498);
    Press(d, 8);
    boxAfter = Checked(page, 2498);
    Press(d, IDOK);  // no change since: no second attempt
  });
  EXPECT_EQ(settingsHost.echoCalls, "1");
  EXPECT_FALSE(boxAfter);
  EXPECT_EQ(Value("ECHOACTIVE"), "0");
  EXPECT_EQ(Value("ECHOCOMNUM"), "0");

  settingsHost.echoOpens = 1;
  Run(2, [&](HWND d) {
    HWND page = TSettingsDialog::Page(2);
    Pick(page, 1043, 2);
    Click(page, 2498);
    Press(d, IDOK);
  });
  EXPECT_EQ(settingsHost.echoCalls, "11");
  EXPECT_EQ(Value("ECHOACTIVE"), "1");
  EXPECT_EQ(Value("ECHOCOMNUM"), "3");
}

}  // namespace
