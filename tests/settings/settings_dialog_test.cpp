// The settings dialog's shell: the backup's life, Apply and Cancel, the save order, the reopen
// after a language change.
#include <algorithm>
#include <vector>

#include "settings/settings_dialog.h"
#include "tests/settings/settings_fixture.h"

namespace {

using settingstest::ReadHost;
using settingstest::CurrentTab;
using settingstest::TabText;
using settingstest::WriteHost;

class SettingsShell : public settingstest::SettingsTest {};

TEST_F(SettingsShell, BackupLivesExactlyWhileTheDialogIsOpenAndOkSavesTheVisitedPage) {
  WriteIni("[Ini]\nMapViewFill=1\nPDBDisplay=2\nGPSTYPE=1\n");
  std::string backupAtOpening;
  bool applyAtOpening = true;
  const int result = Run(4, [&](HWND d) {
    backupAtOpening = ReadHost(BackupHost());
    applyAtOpening = ApplyEnabled(d);
    HWND map = TSettingsDialog::Page(4);
    Click(map, 2429);  // fill off
    EXPECT_TRUE(ApplyEnabled(d));
    Press(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(backupAtOpening, "[Ini]\nMapViewFill=1\nPDBDisplay=2\nGPSTYPE=1\n");
  EXPECT_FALSE(applyAtOpening);  // nothing changed yet
  EXPECT_FALSE(BackupExists());
  EXPECT_EQ(Value("MapViewFill"), "0");
  EXPECT_EQ(Value("GPSTYPE"), "1");  // the ports page was never made: its keys stay
  EXPECT_NE(IniText().find("MapViewFill=0\n"), std::string::npos);
  EXPECT_EQ(settingsHost.applied, 1);
  EXPECT_EQ(TSettingsDialog::Dialog(), nullptr);
}

TEST_F(SettingsShell, CancelAfterApplyReturnsToTheApplyAlsoForKeysWrittenAtOnce) {
  WriteIni("[Ini]\nMapViewGrid=0\n");
  std::string backupAfterApply, fileAfterApply;
  const int result = Run(4, [&](HWND d) {
    Click(TSettingsDialog::Page(4), 2431);  // grid on
    Press(d, 8);
    EXPECT_FALSE(ApplyEnabled(d));
    fileAfterApply = IniText();
    backupAfterApply = ReadHost(BackupHost());
    HWND ports = SelectTab(d, 2);
    Pick(ports, 1040, 4);  // stored at once under the NMEA key
    EXPECT_EQ(Value("GPSCOMNUM_NMEA"), "COM5:");
    g_Ini.SetString("Fresh", "x");  // a key made since the Apply goes too
    Click(SelectTab(d, 4), 2431);
    Press(d, 4);
  });
  EXPECT_EQ(result, 4);
  EXPECT_EQ(backupAfterApply, fileAfterApply);
  EXPECT_NE(fileAfterApply.find("MapViewGrid=1"), std::string::npos);
  EXPECT_EQ(IniText(), fileAfterApply);
  EXPECT_EQ(Value("MapViewGrid"), "1");
  EXPECT_EQ(Value("GPSCOMNUM_NMEA"), "<none>");
  EXPECT_EQ(Value("Fresh"), "<none>");
  EXPECT_FALSE(BackupExists());
}

// A settings file last edited on a PC (CR LF line ends, a comment, a blank line) is put back
// byte for byte by a Cancel, after pages were visited and a value changed in one of them.
TEST_F(SettingsShell, CancelLeavesAFileEditedOnAPcByteForByte) {
  const std::string edited = "[Ini]\r\n; set up in the office\r\nGPSTYPE=1\r\n\r\nMapViewGrid=0\r\n";
  WriteIni(edited);
  std::string backupAtOpening;
  const int result = Run(4, [&](HWND d) {
    backupAtOpening = ReadHost(BackupHost());
    Click(TSettingsDialog::Page(4), 2431);  // grid on, then Cancel
    SelectTab(d, 2);
    Press(d, 4);
  });
  EXPECT_EQ(result, 4);
  EXPECT_EQ(backupAtOpening, edited);
  EXPECT_EQ(IniText(), edited);
  EXPECT_EQ(Value("MapViewGrid"), "0");
  EXPECT_FALSE(BackupExists());
}

TEST_F(SettingsShell, EscapeCancelsAndAMissingBackupReloadsTheSettingsFile) {
  WriteIni("[Ini]\nA=1\n");
  const int result = Run(0, [&](HWND d) {
    ASSERT_TRUE(DeleteFileW(L"\\Vorna\\Vorna.ini.bak"));  // gone behind the dialog's back
    g_Ini.SetString("A", "2");
    Press(d, IDCANCEL);
  });
  EXPECT_EQ(result, 4);
  EXPECT_EQ(Value("A"), "1");
  EXPECT_EQ(IniText(), "[Ini]\nA=1\n");
}

// Values the program keeps in the store until exit (an offset dragged on the map, an antenna
// height from the geodesy bar) survive a Cancel that changed nothing, and the OK after it.
TEST_F(SettingsShell, CancelKeepsWhatTheProgramStoredSinceTheLastSave) {
  WriteIni("[Ini]\nGPSOffsX=0\nMapViewGrid=0\n");
  g_Ini.SetString("GPSOffsX", "198");
  g_Ini.SetString("GeoAntHeight", "1.85");
  EXPECT_EQ(Run(4, [&](HWND d) {
    Click(TSettingsDialog::Page(4), 2431);  // grid on, then Cancel
    Press(d, 4);
  }), 4);
  EXPECT_EQ(Value("GPSOffsX"), "198");
  EXPECT_EQ(Value("GeoAntHeight"), "1.85");
  EXPECT_EQ(Value("MapViewGrid"), "0");
  EXPECT_EQ(IniText(), "[Ini]\nGPSOffsX=0\nMapViewGrid=0\n");  // the file as it was
  EXPECT_EQ(Run(0, [&](HWND d) { Press(d, IDOK); }), IDOK);
  EXPECT_EQ(Value("GPSOffsX"), "198");
  EXPECT_NE(IniText().find("GeoAntHeight=1.85\n"), std::string::npos);
}

TEST_F(SettingsShell, ABackupThatCannotFollowAnApplyNeverUndoesIt) {
  WriteIni("[Ini]\nMapViewGrid=0\n");
  const int result = Run(4, [&](HWND d) {
    // The backup's name becomes a folder: the refresh after the Apply fails.
    ASSERT_TRUE(DeleteFileW(L"\\Vorna\\Vorna.ini.bak"));
    ASSERT_TRUE(CreateDirectoryW(L"\\Vorna\\Vorna.ini.bak", nullptr));
    Click(TSettingsDialog::Page(4), 2431);
    Press(d, 8);
    EXPECT_TRUE(harness::MessageBoxes().empty());  // not reported
    Press(d, 4);
  });
  EXPECT_EQ(result, 4);
  EXPECT_EQ(Value("MapViewGrid"), "1");  // the Apply holds
}

TEST_F(SettingsShell, AStaleBackupIsDeletedWhenTheRefreshFails) {
  WriteIni("[Ini]\nMapViewGrid=0\n");
  // A long settings path whose backup name would pass 255 characters cannot have a backup; the
  // dialog still saves, and Cancel reloads the saved file.
  std::wstring folder = L"\\" + std::wstring(240, L'd');
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring ini = folder + L"\\V.ini";
  ASSERT_TRUE(WriteHost(harness::HostPath(ini), "[Ini]\nMapViewGrid=0\n"));
  g_Ini.Load(("\\" + std::string(240, 'd') + "\\V.ini").c_str());
  const int result = Run(4, [&](HWND d) {
    Click(TSettingsDialog::Page(4), 2431);
    Press(d, 8);
    Click(TSettingsDialog::Page(4), 2431);
    Press(d, 4);
  });
  EXPECT_EQ(result, 4);
  EXPECT_EQ(Value("MapViewGrid"), "1");
  EXPECT_EQ(ReadHost(harness::HostPath(ini + L".bak")), "<missing>");
}

TEST_F(SettingsShell, ASettingsFileThatCannotBeWrittenIsReportedAndTheDialogStays) {
  WriteIni("[Ini]\nMapViewGrid=0\n");
  bool stillOpen = false, applyOn = false;
  const int result = Run(4, [&](HWND d) {
    ASSERT_TRUE(DeleteFileW(L"\\Vorna\\Vorna.ini"));
    ASSERT_TRUE(CreateDirectoryW(L"\\Vorna\\Vorna.ini", nullptr));
    Click(TSettingsDialog::Page(4), 2431);
    Press(d, IDOK);
    stillOpen = TSettingsDialog::Dialog() == d;
    applyOn = ApplyEnabled(d);
    Press(d, 4);
  });
  EXPECT_EQ(result, 4);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(applyOn);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"Ошибка открытия файла"), std::wstring::npos);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Vorna\\Vorna.ini"), std::wstring::npos);
  EXPECT_EQ(settingsHost.applied, 0);
}

// A page set that records its saves.
std::vector<int> g_saved;
INT_PTR CALLBACK PlainPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
template <int Tab>
void RecordSave(HWND page) {
  if (page) g_saved.push_back(Tab);
}
const TSettingsPage kRecordingPages[kSettingsPageCount] = {
    {220, PlainPage, RecordSave<0>}, {218, PlainPage, RecordSave<1>}, {216, PlainPage, RecordSave<2>},
    {148, PlainPage, RecordSave<3>}, {329, PlainPage, RecordSave<4>}, {150, PlainPage, RecordSave<5>},
    {323, PlainPage, RecordSave<6>}, {256, PlainPage, RecordSave<7>}, {337, PlainPage, RecordSave<8>}};

TEST_F(SettingsShell, PagesSaveInTheirOwnOrderAndOnlyWhenCreated) {
  SetSettingsPages(kRecordingPages);
  Run(6, [&](HWND d) {
    SelectTab(d, 1);
    SetSettingsModified(1);
    Press(d, 8);
    EXPECT_EQ(g_saved, (std::vector<int>{1, 6}));
    g_saved.clear();
    for (int tab = 0; tab < kSettingsPageCount; ++tab) SelectTab(d, tab);
    EXPECT_EQ(TSettingsDialog::Page(3) != nullptr, true);
    Press(d, IDOK);
  });
  SetSettingsPages(nullptr);
  EXPECT_EQ(g_saved, (std::vector<int>{2, 0, 1, 3, 4, 5, 6, 8, 7}));
}

class SettingsLanguage : public settingstest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    ASSERT_TRUE(WriteHost(harness::HostPath(L"\\Vorna\\English.lng"),
                          "[Lang]\nDlgSet_Lang=Language\nDlgSet_Navi=Navigation\n"));
    ASSERT_TRUE(WriteHost(harness::HostPath(L"\\Vorna\\Deutsch.lng"),
                          "[Lang]\nDlgSet_Lang=Sprache\nDlgSet_Navi=Navigation\n"));
    ASSERT_TRUE(CreateDirectoryW(L"\\Vorna\\Folder.lng", nullptr));  // not a language
    WriteIni("[Ini]\nLangFile=English\n");
    LoadLanguage();
  }
};

TEST_F(SettingsLanguage, TheSameLanguageReloadsNothing) {
  int count = 0;
  const int result = Run(7, [&](HWND d) {
    HWND page = TSettingsDialog::Page(7);
    count = static_cast<int>(SendDlgItemMessageW(page, 1213, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(ComboText(page, 1213), L"English");
    Pick(page, 1213, Selected(page, 1213));
    Press(d, 8);
    EXPECT_EQ(TSettingsDialog::Dialog(), d);  // no reopen
    Press(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(count, 3);  // the built-in language and the two files
  EXPECT_EQ(host.invalidations, 0);
  EXPECT_EQ(std::count(harness::DialogsOpened().begin(), harness::DialogsOpened().end(), 108), 1);
}

TEST_F(SettingsLanguage, AnotherLanguageReopensOnItsTabAfterApplyAndOnlyOnce) {
  int openings = 0;
  std::wstring secondTabText;
  int secondTab = -1;
  bool stayedAfterSecondApply = false;
  const int result = Run(7, [&](HWND d) {
    ++openings;
    if (openings == 1) {
      HWND page = TSettingsDialog::Page(7);
      const int deutsch = static_cast<int>(SendDlgItemMessageW(page, 1213, CB_FINDSTRINGEXACT,
                                                               static_cast<WPARAM>(-1),
                                                               reinterpret_cast<LPARAM>(L"Deutsch")));
      Pick(page, 1213, deutsch);
      Press(d, 8);  // ends this dialog; the next opens on tab 7
      return;
    }
    secondTab = CurrentTab(d);
    secondTabText = TabText(d, 7);
    EXPECT_FALSE(BackupExists() == false);
    Click(SelectTab(d, 4), 2431);
    Press(d, 8);
    stayedAfterSecondApply = TSettingsDialog::Dialog() == d;
    Press(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(openings, 2);
  EXPECT_EQ(secondTab, 7);
  EXPECT_EQ(secondTabText, L"Sprache");
  EXPECT_TRUE(stayedAfterSecondApply);
  EXPECT_EQ(Value("LangFile"), "Deutsch");
  EXPECT_EQ(host.invalidations, 1);
  EXPECT_FALSE(BackupExists());
}

TEST_F(SettingsLanguage, OkAfterAChangeClosesWithoutReopening) {
  int openings = 0;
  const int result = Run(7, [&](HWND d) {
    ++openings;
    HWND page = TSettingsDialog::Page(7);
    Pick(page, 1213, static_cast<int>(SendDlgItemMessageW(page, 1213, CB_FINDSTRINGEXACT,
                                                          static_cast<WPARAM>(-1),
                                                          reinterpret_cast<LPARAM>(L"Deutsch"))));
    Press(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(openings, 1);
  EXPECT_EQ(Value("LangFile"), "Deutsch");
  EXPECT_EQ(std::wstring(g_Lang.GetText(100076)), L"Sprache");
}

// The built-in language is offered first and stored as an empty name; choosing it again when it
// is already in force (the name missing or empty) reloads nothing.
TEST_F(SettingsLanguage, TheBuiltInLanguageComesBackAndIsStoredEmpty) {
  const int result = Run(7, [&](HWND d) {
    HWND page = TSettingsDialog::Page(7);
    wchar_t first[64] = {};
    SendDlgItemMessageW(page, 1213, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"Русский (встроенный)");
    Pick(page, 1213, 0);
    Press(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(Value("LangFile"), "");
  EXPECT_EQ(host.invalidations, 1);
  EXPECT_EQ(std::wstring(g_Lang.GetText(100076)), L"Язык");
  EXPECT_EQ(std::wstring(g_Lang.GetText(100058)), L"Навиг.");

  for (const char* ini : {"[Ini]\nLangFile=\n", "[Ini]\n"}) {
    WriteIni(ini);
    Run(7, [&](HWND d) {
      HWND page = TSettingsDialog::Page(7);
      EXPECT_EQ(Selected(page, 1213), 0) << ini;
      Pick(page, 1213, 0);
      Press(d, IDOK);
    });
  }
  EXPECT_EQ(host.invalidations, 1);  // neither reloaded
}

}  // namespace

namespace {

TEST_F(SettingsShell, WithoutLanguageFilesTheStoredLanguageStays) {
  WriteIni("[Ini]\nLangFile=Gone\n");
  Run(7, [&](HWND d) {
    HWND page = TSettingsDialog::Page(7);
    EXPECT_EQ(SendDlgItemMessageW(page, 1213, CB_GETCOUNT, 0, 0), 1);  // the built-in language
    EXPECT_EQ(Selected(page, 1213), -1);
    SetSettingsModified(1);
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("LangFile"), "Gone");
  EXPECT_EQ(host.invalidations, 0);  // nothing reloaded
}

}  // namespace
