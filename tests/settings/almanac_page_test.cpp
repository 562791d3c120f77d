// The almanac page: the almanac's period, over-long paths, the base point and ".base" files.
#include <string>

#include "base/input_mode.h"
#include "base/ui/file_browser.h"
#include "gps/almanac.h"
#include "platform/sys/winsys.h"
#include "tests/settings/settings_fixture.h"
#include "tests/support/browser_taps.h"
#include "tools/sampledata/jps_writer.h"

namespace {

using settingstest::ReadHost;
using settingstest::WriteHost;

class AlmanacPage : public settingstest::SettingsTest {
 protected:
  // A receiver file of one satellite's almanac recorded on the given day.
  static void WriteAlmanac(const wchar_t* path, int year, int month, int day) {
    sample::Bytes f;
    sample::Append(f, sample::JpsDate(uint16_t(year), uint8_t(month), uint8_t(day)));
    sample::Append(f, sample::JpsAlmanac(sample::PublishedPrn1Week748()));
    ASSERT_TRUE(sample::WriteJps(harness::HostPath(path), f));
  }
  // Loads the file named in the page's edit and answers the period shown after.
  static std::wstring LoadThrough(HWND page, const wchar_t* path) {
    SetDlgItemTextW(page, 1032, path);
    Click(page, 2336);
    return Text(page, 2152);
  }
  static void TapIn(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
};

TEST_F(AlmanacPage, ThePeriodRunsFromTheAlmanacDayToTheNext) {
  WriteAlmanac(L"\\Vorna\\leap.jps", 2024, 2, 28);
  WriteAlmanac(L"\\Vorna\\year.jps", 2024, 12, 31);
  WriteAlmanac(L"\\Vorna\\bad.jps", 2023, 2, 30);
  std::wstring before, leap, year, bad, missing;
  Run(6, [&](HWND d) {
    HWND page = TSettingsDialog::Page(6);
    before = Text(page, 2152);
    leap = LoadThrough(page, L"\\Vorna\\leap.jps");
    year = LoadThrough(page, L"\\Vorna\\year.jps");
    bad = LoadThrough(page, L"\\Vorna\\bad.jps");
    missing = LoadThrough(page, L"\\Vorna\\none.jps");
    Press(d, 4);
  });
  EXPECT_EQ(before, L"не загружен");
  EXPECT_EQ(leap, L"2024.02.28 - 2024.02.29");
  EXPECT_EQ(year, L"2024.12.31 - 2025.01.01");
  EXPECT_EQ(bad, L"не загружен");  // no calendar date
  EXPECT_EQ(missing, L"не загружен");
  ASSERT_EQ(harness::MessageBoxes().size(), 4u);  // a load report after each load
}

TEST_F(AlmanacPage, AnOverLongPathIsRefusedAndNeverCut) {
  WriteIni("[Ini]\nAlmFile=\\Vorna\\a.jps\nAlmBase=0\nAlmBaseX=nan\n");
  WriteAlmanac((L"\\Vorna\\" + std::wstring(240, L'a') + L".jps").c_str(), 2024, 2, 28);
  const std::wstring longPath = L"\\Vorna\\" + std::wstring(300, L'a') + L".jps";
  bool disabled = false;
  Run(6, [&](HWND d) {
    HWND page = TSettingsDialog::Page(6);
    EXPECT_EQ(Text(page, 2149), L"nan");  // the edit shows what is stored
    disabled = !Enabled(page, 2149) && !Enabled(page, 2386) && !Enabled(page, 2391);
    LoadThrough(page, longPath.c_str());
    Type(page, 1036, L"7000000");
    Press(d, IDOK);
  });
  EXPECT_TRUE(disabled);
  EXPECT_FALSE(g_Almanac.IsLoaded());
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(Value("AlmFile"), "\\Vorna\\a.jps");  // kept as it was
  EXPECT_EQ(Value("AlmBaseY"), "7000000");        // saved while disabled
}

TEST_F(AlmanacPage, BaseFilesRoundTripTheirFourEditsAndReportBadFiles) {
  WriteIni("[Ini]\nAlmBase=1\nAlmBaseH=5\nAlmBaseLastPath=\\Vorna\\\n");
  ASSERT_TRUE(WriteHost(harness::HostPath(L"\\Vorna\\part.base"), "[Ini]\nAlmBaseH=12\ngarbage\n"));
  ASSERT_TRUE(WriteHost(harness::HostPath(L"\\Vorna\\garbage.base"), std::string("\0\xff\x01=\n", 5)));
  std::wstring afterReload[4], afterPart[4], afterBad;
  int round = 0;
  std::wstring nameToSave = L"site";
  harness::OnDialog(TFileBrowser::kSaveTemplate, [&](HWND b) {
    SetWindowTextW(GetDlgItem(b, 5), nameToSave.c_str());
    TapIn(b, IDOK);
  });
  std::wstring toOpen;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND b) {
    // A tap on the file's row, then OK; a file that is not listed cancels.
    TapIn(b, test_taps::ChooseInBrowser(b, toOpen, false) ? IDOK : IDCANCEL);
  });
  bool applyAfterBad = true;
  std::wstring heightAfterBad;
  Run(6, [&](HWND d) {
    HWND page = TSettingsDialog::Page(6);
    // A file without a base point, first, while nothing is modified: refused with a message,
    // the edits and Apply as they were.
    EXPECT_FALSE(ApplyEnabled(d));
    toOpen = L"garbage.base";
    Click(page, 2151);
    applyAfterBad = ApplyEnabled(d);
    heightAfterBad = Text(page, 1041);
    const wchar_t* values[4] = {L"\\navi\\t", L"7000000.5", L"-3", L"15"};
    const int ids[4] = {2149, 1036, 1041, 1044};
    for (int i = 0; i < 4; ++i) SetDlgItemTextW(page, ids[i], values[i]);
    Click(page, 2391);
    for (int id : ids) SetDlgItemTextW(page, id, L"x");
    toOpen = L"site.base";
    Click(page, 2151);
    for (int i = 0; i < 4; ++i) afterReload[i] = Text(page, ids[i]);
    toOpen = L"part.base";
    Click(page, 2151);
    for (int i = 0; i < 4; ++i) afterPart[i] = Text(page, ids[i]);
    toOpen = L"garbage.base";
    Click(page, 2151);
    afterBad = Text(page, 1041);
    EXPECT_TRUE(ApplyEnabled(d));
    ++round;
    Press(d, 4);
  });
  EXPECT_EQ(afterReload[0], L"\\navi\\t");
  EXPECT_EQ(afterReload[1], L"7000000.5");
  EXPECT_EQ(afterReload[3], L"15");
  EXPECT_EQ(afterPart[0], L"\\navi\\t");  // a key the file lacks leaves its edit
  EXPECT_EQ(afterPart[2], L"12");
  EXPECT_EQ(afterBad, L"12");
  EXPECT_FALSE(applyAfterBad);
  EXPECT_EQ(heightAfterBad, L"5");
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  for (const auto& box : harness::MessageBoxes())
    EXPECT_EQ(box.text, L"Неверный формат файла\n\\Vorna\\garbage.base");
  const std::string saved = ReadHost(harness::HostPath(L"\\Vorna\\site.base"));
  EXPECT_EQ(saved.rfind("[Ini]\n", 0), 0u);
  EXPECT_NE(saved.find("AlmBaseHMask=15\n"), std::string::npos);
  EXPECT_EQ(round, 1);
}

// The base point typed on the Russian keyboard: "55,75" is stored as 55.75, which the sky plot
// reads back (it used to read 55); a height with a unit after it is refused with a beep.
TEST_F(AlmanacPage, ABasePointTypedWithADecimalCommaIsStoredAsShown) {
  WriteIni("[Ini]\nAlmBase=1\nAlmBaseH=100\n");
  vplat::ClearRecordedBeeps();
  Run(6, [&](HWND d) {
    HWND page = TSettingsDialog::Page(6);
    SetDlgItemTextW(page, 2149, L"55,75");
    SetDlgItemTextW(page, 1041, L"120 m");
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("AlmBaseX"), "55.75");
  EXPECT_DOUBLE_EQ(g_Ini.GetFloat("AlmBaseX"), 55.75);
  EXPECT_EQ(Value("AlmBaseH"), "100");
  EXPECT_EQ(vplat::RecordedBeeps().size(), 1u);
}

TEST_F(AlmanacPage, PickOnTheMapSavesClosesAndSetsTheBaseMode) {
  WriteIni("[Ini]\nAlmBase=1\n");
  SetInputModeDirect(input_mode::kNormal);
  const int result = Run(6, [&](HWND) {
    HWND page = TSettingsDialog::Page(6);
    // The port is closed: X, Y and H stay, the mask query finds no receiver.
    SetDlgItemTextW(page, 2149, L"1");
    SetDlgItemTextW(page, 1044, L"10");
    Click(page, 2150);
    EXPECT_EQ(Text(page, 2149), L"1");
    EXPECT_EQ(Text(page, 1044), L"10");
    Click(page, 2147);
    Click(page, 2386);
  });
  EXPECT_EQ(result, kSettingsPickAlmanacBase);
  EXPECT_EQ(GetInputMode(), input_mode::kAlmanacBase);
  EXPECT_EQ(Value("AlmAutoLoad"), "1");
  EXPECT_EQ(Value("AlmBaseX"), "1");
  EXPECT_NE(IniText().find("AlmAutoLoad=1"), std::string::npos);
  EXPECT_FALSE(BackupExists());
}

}  // namespace

namespace {

// A name the 8-bit paths cannot hold (Greek and a CJK sign, outside the Cyrillic page), chosen in
// the browser for a ".base" to save and for an almanac: the open-file error each time, nothing
// written, the edit as it was.
TEST_F(AlmanacPage, ANameThePathPageCannotHoldGetsTheOpenFileError) {
  WriteIni("[Ini]\nAlmBase=1\nAlmBaseLastPath=\\Vorna\\\nAlmFile=\\Vorna\\a.jps\n");
  ASSERT_TRUE(WriteHost(harness::HostPath(L"\\Vorna") + "/\xce\xb1\xe6\x97\xa5.jps", "x"));
  harness::OnDialog(TFileBrowser::kSaveTemplate, [&](HWND b) {
    SetWindowTextW(GetDlgItem(b, 5), L"\u03b1\u65e5");
    TapIn(b, IDOK);
  });
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND b) {
    TapIn(b, test_taps::ChooseInBrowser(b, L"\u03b1\u65e5.jps", false) ? IDOK : IDCANCEL);
  });
  std::wstring file;
  Run(6, [&](HWND d) {
    HWND page = TSettingsDialog::Page(6);
    Click(page, 2391);
    Click(page, 2146);
    file = Text(page, 1032);
    Press(d, 4);
  });
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Ошибка открытия файла\n\\Vorna\\\u03b1\u65e5.base");
  EXPECT_EQ(harness::MessageBoxes()[1].text, L"Ошибка открытия файла");
  EXPECT_EQ(ReadHost(harness::HostPath(L"\\Vorna") + "/\xce\xb1\xe6\x97\xa5.base"), "<missing>");
  EXPECT_EQ(file, L"\\Vorna\\a.jps");
}

}  // namespace
