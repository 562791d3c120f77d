// The entry: the message loop with its accelerator, one instance per device root, the command
// line's file, a fresh device, and the instance claim across processes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "base/ini_file.h"
#include "base/lang.h"
#include "app/commands.h"
#include "base/text_utils.h"
#include "platform/core/internal.h"
#include "platform/sys/instance_lock.h"
#include "startup_fixture.h"
#include "tests/support/browser_taps.h"
#include "tools/sampledata/demo_device.h"
#include "view/project_maps_dlg.h"
#include "view/map_view.h"

namespace {

using namespace startup_test;

// Runs inside WinMain's loop on the real clock: once start-up is over, `script` runs once.
std::function<void()> g_script;
bool g_scriptRan = false;

void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_StartupDone || g_scriptRan) return;
  g_scriptRan = true;
  KillTimer(nullptr, id);
  g_script();
}

int RunWinMain(const wchar_t* commandLine, std::function<void()> script) {
  g_script = std::move(script);
  g_scriptRan = false;
  SetTimer(nullptr, 0, 5, ScriptTimer);
  std::wstring line = commandLine;
  return WinMain(nullptr, nullptr, line.data(), SW_SHOW);
}

void PressCtrlQ() {
  vplat::InjectKey(VK_CONTROL, true);
  vplat::InjectKey('Q', true);
  vplat::InjectKey('Q', false);
  vplat::InjectKey(VK_CONTROL, false);
}

class Entry : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Options o;
    o.virtualClock = false;  // WinMain's own loop waits for real time
    harness::Start(o);
    PlentyOfMemory();
  }
  void TearDown() override { harness::Stop(); }
};

TEST_F(Entry, CtrlQLeavesTheLoopWithZeroAndSavesTheSettings) {
  SeedPalette();
  WriteHostFile(IniHostPath(), kSeedIni);
  int nested = 0;
  HWND seen = nullptr;
  int code = RunWinMain(L"", [&] {
    seen = FindWindowW(L"Vorna", nullptr);
    nested = WinMain(nullptr, nullptr, nullptr, SW_SHOW);  // a second start inside the first
    PressCtrlQ();
  });
  EXPECT_TRUE(g_scriptRan);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(nested, -1);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_TRUE(harness::MessageBoxes().empty());
  std::string ini = ReadHostFile(IniHostPath());
  EXPECT_EQ(ini.rfind(kSeedIni, 0), 0u) << ini;
  EXPECT_NE(ini.find("\nDBGlobal=DB\\Global.ndb\n"), std::string::npos);
  EXPECT_NE(ini.find("\nGPSROTMAP=0\n"), std::string::npos);
  // The claim is given back: the program can start again on this root.
  EXPECT_FALSE(vplat::IsInstanceClaimed(L"Vorna"));
}

TEST_F(Entry, EmptyDeviceWarnsOnceAboutThePaletteAndCreatesTheSettings) {
  int code = RunWinMain(L"", [] { PressCtrlQ(); });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(100008));
  std::string ini = ReadHostFile(IniHostPath());
  EXPECT_EQ(ini.rfind("[Ini]\n", 0), 0u);
  EXPECT_NE(ini.find("\nDefaultFile=\n"), std::string::npos);
}

TEST_F(Entry, AnotherHolderOfTheRootMakesTheEntryReturnMinusOne) {
  ASSERT_EQ(vplat::ClaimInstance(L"Vorna"), vplat::InstanceClaim::kClaimed);
  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOW), -1);
  EXPECT_EQ(FindWindowW(L"Vorna", nullptr), nullptr);
  EXPECT_FALSE(std::filesystem::exists(IniHostPath()));  // nothing read or written
  vplat::ReleaseInstance(L"Vorna");
}

TEST_F(Entry, ReadOnlySettingsStillExitZero) {
  SeedPalette();
  WriteHostFile(IniHostPath(), "[Ini]\n");
  std::filesystem::permissions(harness::Root() + "/Vorna/Vorna.ini",
                               std::filesystem::perms::owner_read);
  if (access((harness::Root() + "/Vorna/Vorna.ini").c_str(), W_OK) == 0)
    GTEST_SKIP() << "running with rights that ignore file permissions";
  int code = RunWinMain(L"", [] { PressCtrlQ(); });
  EXPECT_EQ(code, 0);
}

// ---- the file on the command line (in-process, on the virtual clock) ----

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    PlentyOfMemory();
    SeedPalette();
    WriteHostFile(IniHostPath(), "[Ini]\nDefaultFile=\\Vorna\\default.mpj\n");
  }
  void TearDown() override { harness::Stop(); }
};

TEST_F(CommandLine, QuotedPathAsksOnceAndCancelStartsAsWithoutAFile) {
  harness::AnswerMessageBox(L"", IDCANCEL);
  ASSERT_NE(MakeMainWindow("\"\\Vorna\\a b.mpj\""), nullptr);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Vorna\\a b.mpj?"), std::wstring::npos);
  EXPECT_EQ(harness::MessageBoxes()[0].caption, g_Lang.GetText(100011));
  EXPECT_EQ(harness::MessageBoxes()[0].type & MB_TYPEMASK, UINT(MB_OKCANCEL));
  EXPECT_EQ(g_StartupOpenResult, 7);  // default.mpj was tried, as a start without a file does
}

// A tap on a map in the file explorer starts the program with it. Cancel: the last project opens
// and the exit saves it as usual. OK: the map is open for this run, and the exit leaves the last
// project and "DefaultFile" as they were.
TEST(CommandLineFile, AStartFromAFileNeverCostsTheLastProject) {
  harness::Start();
  PlentyOfMemory();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  harness::AnswerMessageBox(L"", IDCANCEL);
  ASSERT_NE(MakeMainWindow("\\Vorna\\Maps\\Land.mdm"), nullptr);
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 3);
  SaveSessionSettings();
  const std::string project = ReadHostFile(harness::Root() + "/Vorna/Vorna.mpj");
  EXPECT_NE(project.find("Streets.mdm"), std::string::npos);
  const std::string ini = ReadHostFile(IniHostPath());
  EXPECT_NE(ini.find("DefaultFile=\\Vorna\\Vorna.mpj\n"), std::string::npos);
  harness::Stop();

  harness::Start();  // a fresh root: the device as the first run left it
  PlentyOfMemory();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  WriteHostFile(IniHostPath(), ini);
  WriteHostFile(harness::Root() + "/Vorna/Vorna.mpj", project);
  harness::AnswerMessageBox(L"", IDOK);
  ASSERT_NE(MakeMainWindow("\\Vorna\\Maps\\Land.mdm"), nullptr);
  EXPECT_EQ(g_StartupOpenResult, 0);
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 1);
  // The project editor looked at and closed with its OK (the title bar's "Done"): nothing in it
  // changed, the view is still the file of the command line.
  harness::OnDialog(TProjectMapsDlg::kTemplate, [](HWND d) { test_taps::TapControl(d, IDOK); });
  RunProjectEditor(g_MainWindow);
  SaveSessionSettings();
  EXPECT_EQ(ReadHostFile(harness::Root() + "/Vorna/Vorna.mpj"), project);
  EXPECT_NE(ReadHostFile(IniHostPath()).find("DefaultFile=\\Vorna\\Vorna.mpj\n"), std::string::npos);
  // A change accepted in the editor makes the view the user's project: the exit keeps it.
  harness::OnDialog(TProjectMapsDlg::kTemplate, [](HWND d) {
    SendDlgItemMessageW(d, TProjectMapsDlg::kList, LB_SETCURSEL, 0, 0);
    test_taps::TapControl(d, TProjectMapsDlg::kDelete);
    test_taps::TapControl(d, IDOK);
  });
  RunProjectEditor(g_MainWindow);
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 0);
  SaveSessionSettings();
  EXPECT_EQ(ReadHostFile(harness::Root() + "/Vorna/Vorna.mpj").find("Streets.mdm"), std::string::npos);
  harness::Stop();
}

TEST_F(CommandLine, OkOpensTheUnquotedPath) {
  harness::AnswerMessageBox(L"", IDOK);
  ASSERT_NE(MakeMainWindow("\"\\Vorna\\a b.mpj\""), nullptr);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(g_StartupOpenResult, 7);  // tried, and the project does not exist
}

TEST_F(CommandLine, BrokenQuotingAndOverlongLines) {
  // A lone quote names nothing: no question, and the default is not opened either.
  ASSERT_NE(MakeMainWindow("\""), nullptr);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  EXPECT_EQ(g_StartupOpenResult, 0);
  harness::Stop();

  // No closing quote: only the leading one goes; the last character stays.
  harness::Start();
  SeedPalette();
  harness::AnswerMessageBox(L"", IDCANCEL);
  ASSERT_NE(MakeMainWindow("\"\\Vorna\\x.mpj"), nullptr);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Vorna\\x.mpj?"), std::wstring::npos);
}

TEST_F(CommandLine, OverlongLineOpensNothingAndIsNotCut) {
  g_CommandLineTooLong = 1;  // what WinMain makes of 300 characters
  ASSERT_NE(MakeMainWindow(""), nullptr);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  EXPECT_EQ(g_StartupOpenResult, 7);
}

TEST_F(CommandLine, EmptyLineOpensTheDefaultWithoutAsking) {
  ASSERT_NE(MakeMainWindow(""), nullptr);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  EXPECT_EQ(g_StartupOpenResult, 7);  // default.mpj was tried
}

// ---- the language file named in the settings ----

TEST(StartUpLanguage, EnglishFileBesideTheProgramGivesEnglishMenusCaptionsAndItsCodePage) {
  harness::Start();
  PlentyOfMemory();
  SeedPalette();
  WriteHostFile(IniHostPath(), "[Ini]\nLangFile=English\n");
  WriteHostFile(harness::Root() + "/Vorna/English.lng",
                "[Lang]\nCodePageID=1252\nMMenu_FileExit=Exit\nMsg_Conf=Confirm\n"
                "Msg_OpenMapConf_S=Open %s?\n");
  harness::AnswerMessageBox(L"", IDCANCEL);
  ASSERT_NE(MakeMainWindow("\"\\Vorna\\a.mpj\""), nullptr);

  ASSERT_NE(g_MenuBar, nullptr);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETMENU, 0, 0));
  wchar_t exit[32] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_TYPE;
  info.dwTypeData = exit;
  info.cch = 32;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 40005, FALSE, &info));
  EXPECT_STREQ(exit, L"Exit");

  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].caption, L"Confirm");
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Open \\Vorna\\a.mpj?");
  EXPECT_EQ(GetProgramCodePage(), 1252u);
  harness::Stop();
}

// The demo device with its program folder named in Cyrillic ("Полевые", 1251 bytes in the
// settings) and an English language file made here in code page 1252: the palette, the library
// and the maps load, and the exit writes the settings and the project into that folder.
TEST(StartUpLanguage, ACyrillicProgramFolderWorksUnderAWesternLanguage) {
  harness::Start();
  PlentyOfMemory();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  const std::string hostFolder = harness::Root() + "/\xd0\x9f\xd0\xbe\xd0\xbb\xd0\xb5\xd0\xb2\xd1\x8b\xd0\xb5";
  ASSERT_EQ(std::rename((harness::Root() + "/Vorna").c_str(), hostFolder.c_str()), 0);
  const std::string folder = "\\\xCF\xEE\xEB\xE5\xE2\xFB\xE5\\";  // "\Полевые\" in 1251
  {
    TIniFile demo;
    ASSERT_EQ(demo.Load((folder + "Vorna.ini").c_str()), TIniFile::kOk);
    for (int i = 0; i < demo.GetCount(); ++i) {
      std::string value = demo.GetValueAt(i);
      if (value.rfind("\\Vorna\\", 0) != 0) continue;
      value = folder + value.substr(7);
      demo.SetString(demo.GetKeyAt(i), value.c_str());
    }
    demo.SetString("LangFile", "English");
    ASSERT_EQ(demo.Save(), TIniFile::kOk);
  }
  // "Schlie\xDF" is "Schließ" in 1252; in 1251 the last letter would be "Я".
  WriteHostFile(hostFolder + "/English.lng",
                "[Lang]\nCodePageID=1252\nMMenu_FileExit=Schlie\xDF" "en\n");
  vplat::SetModulePath(L"\\Полевые\\Vorna.exe");
  ASSERT_NE(MakeMainWindow(""), nullptr);
  EXPECT_EQ(GetProgramCodePage(), 1252u);
  EXPECT_EQ(g_StartupOpenResult, 0);
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 3);
  EXPECT_TRUE(harness::MessageBoxes().empty());  // no palette, library or map missing
  ASSERT_NE(g_MapView.GetVectorMap(0), nullptr);
  EXPECT_NE(g_MapView.GetVectorMap(0)->library, nullptr);
  SaveSessionSettings();
  TIniFile saved;
  ASSERT_EQ(saved.Load((folder + "Vorna.ini").c_str()), TIniFile::kOk);
  EXPECT_TRUE(saved.HasKey("GPSGO"));  // written by the exit
  std::string next;
  EXPECT_TRUE(saved.GetString("DefaultFile", next));
  EXPECT_EQ(next, folder + "Vorna.mpj");
  EXPECT_NE(ReadHostFile(hostFolder + "/Vorna.mpj"), "");
  harness::Stop();
}

// ---- the claim itself ----

TEST(InstanceClaim, OnePerRootAndClassFreedByTheKernel) {
  harness::Start();
  EXPECT_FALSE(vplat::IsInstanceClaimed(L"Vorna"));
  ASSERT_EQ(vplat::ClaimInstance(L"Vorna"), vplat::InstanceClaim::kClaimed);
  EXPECT_TRUE(vplat::IsInstanceClaimed(L"Vorna"));
  EXPECT_TRUE(vplat::IsInstanceClaimed(L"VORNA"));  // class names ignore case
  EXPECT_EQ(vplat::ClaimInstance(L"Vorna"), vplat::InstanceClaim::kHeldElsewhere);
  EXPECT_FALSE(vplat::IsInstanceClaimed(L"Other"));
  std::string first = vplat::InstanceSocketName(L"Vorna");
  std::string root = harness::Root();

  // Another root is another name.
  std::string second = root + "/elsewhere";
  std::filesystem::create_directories(second);
  vplat::SetDeviceRoot(second);
  EXPECT_NE(vplat::InstanceSocketName(L"Vorna"), first);
  EXPECT_FALSE(vplat::IsInstanceClaimed(L"Vorna"));
  vplat::SetDeviceRoot(root);

  vplat::ReleaseInstance(L"Vorna");
  EXPECT_FALSE(vplat::IsInstanceClaimed(L"Vorna"));

  // A child process holds it until it is killed.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    char ok = vplat::ClaimInstance(L"Vorna") == vplat::InstanceClaim::kClaimed ? 1 : 0;
    (void)!write(ready[1], &ok, 1);
    for (;;) pause();
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(vplat::ClaimInstance(L"Vorna"), vplat::InstanceClaim::kHeldElsewhere);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(vplat::ClaimInstance(L"Vorna"), vplat::InstanceClaim::kClaimed);
  vplat::ReleaseInstance(L"Vorna");
  close(ready[0]);
  close(ready[1]);
  harness::Stop();
}

}  // namespace
