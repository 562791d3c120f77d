// Files that are not what their names claim, met through the program's own screens: a note or an
// empty file saved as a project, loaded in the project editor or named as the start-up file, and
// an empty colour table. Each is refused with a message; nothing open is lost for it.
#include <gtest/gtest.h>

#include <string>

#include "app/commands.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ini_file.h"
#include "base/ui/file_browser.h"
#include "demo_window_fixture.h"
#include "tests/support/browser_taps.h"
#include "view/project_maps_dlg.h"

namespace {

using demo_window::DemoWindow;
using test_taps::ChooseInBrowser;
using test_taps::TapControl;

TEST_F(DemoWindow, ANoteOrAnEmptyFileLoadedAsAProjectIsRefusedAndTheMapsStay) {
  startup_test::WriteHostFile(harness::HostPath(L"\\Notes\\note.mpj"),
                              "Film for the north quarter.\r\nCall the office at 6.\r\n");
  startup_test::WriteHostFile(harness::HostPath(L"\\Notes\\empty.mpj"), "");
  g_Ini.SetString("LastPathPrj", "\\Notes\\");
  const int maps = g_MapView.GetVectorMapCount();
  ASSERT_GT(maps, 0);
  const std::string firstMap = g_MapView.GetVectorMap(0)->path;

  for (const wchar_t* name : {L"note.mpj", L"empty.mpj"}) {
    harness::ClearMessageBoxes();
    harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND b) { ChooseInBrowser(b, name); });
    harness::OnDialog(TProjectMapsDlg::kTemplate, [](HWND d) {
      TapControl(d, TProjectMapsDlg::kLoad);
      TapControl(d, IDOK);
    });
    Command(kCmdProjectEditor);
    harness::PumpUntilIdle();
    EXPECT_EQ(g_MapView.GetVectorMapCount(), maps) << name;
    const std::wstring path = std::wstring(L"\\Notes\\") + name;
    ASSERT_EQ(harness::MessageBoxes().size(), 1u) << name;
    EXPECT_EQ(harness::MessageBoxes()[0].text,
              FormatLangText(lang_id::kMsgNotProjectErrS, path.c_str()));
    // The last project, written after OK, still lists the maps.
    const std::string last = startup_test::ReadHostFile(harness::HostPath(L"\\Vorna\\Vorna.mpj"));
    EXPECT_NE(last.find(firstMap), std::string::npos) << last;
  }
}

// The demo device started with one of its files replaced by `bytes`.
class BadStartFile : public ::testing::Test {
 protected:
  void Start(const wchar_t* devicePath, const std::string& bytes) {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::WriteHostFile(harness::HostPath(devicePath), bytes);
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    w = startup_test::MakeMainWindow("");
    ASSERT_NE(w, nullptr);
  }
  void TearDown() override {
    if (w && IsWindow(w)) DestroyWindow(w);
    harness::Stop();
  }
  int BoxesSaying(const std::wstring& text) const {
    int n = 0;
    for (const harness::ShownMessageBox& box : harness::MessageBoxes()) n += box.text == text;
    return n;
  }
  HWND w = nullptr;
};

TEST_F(BadStartFile, AnEmptyStartUpProjectIsNamedInAMessage) {
  Start(L"\\Vorna\\Maps\\Demo.mpj", "");
  EXPECT_EQ(BoxesSaying(FormatLangText(lang_id::kMsgNotProjectErrS, L"\\Vorna\\Maps\\Demo.mpj")), 1);
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 0);
}

TEST_F(BadStartFile, AnEmptyColourTableGetsTheMissingTablesMessage) {
  Start(L"\\Vorna\\Obj\\Vorna.rgb", "");
  EXPECT_EQ(BoxesSaying(g_Lang.GetText(lang_id::kMsgNoPalette)), 1);
}

}  // namespace
