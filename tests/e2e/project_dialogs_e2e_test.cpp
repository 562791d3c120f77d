// The project editor over the started program on the demo device: command 40179, two maps added
// through the file browser, one moved down, a new working map made through dialog 214, OK; the
// map window then shows them and the saved last project lists them with its working map. Each
// state is saved as a PNG under test-artifacts/e2e/ for a person to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/main_window.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/ui/file_browser.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tests/support/browser_taps.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/mdm_writer.h"
#include "view/map_view.h"
#include "view/new_work_map_dlg.h"
#include "view/project_maps_dlg.h"

namespace {

void Shot(const char* name) {
  harness::PumpUntilIdle();  // the dialog paints first
  const std::string dir = std::string(VORNA_BINARY_DIR) + "/test-artifacts/e2e";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(harness::SaveScreen(dir + "/" + name + ".png")) << name;
}

using test_taps::ChooseInBrowser;
using test_taps::TapControl;

std::string ReadDevice(const std::wstring& path) {
  std::ifstream in(harness::HostPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ProjectDialogsE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    std::filesystem::create_directories(harness::Root() + "/Other");
    // Two more maps of the town's library inside the town's frame.
    for (const char* name : {"north", "south"}) {
      sample::MdmSpec plan = sample::DemoMdm();
      plan.library = "Town";
      plan.x1 = name[0] == 'n' ? 6183000 : 6181000;
      plan.y1 = 7402000;
      plan.x2 = plan.x1 + 1500;
      plan.y2 = plan.y1 + 1500;
      ASSERT_TRUE(sample::WriteMdm(harness::Root() + "/Other/" + name + ".mdm", plan));
    }
    startup_test::PlentyOfMemory();
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
  }
  void TearDown() override {
    g_UserLayer.Close();
    DestroyWindow(main);
    harness::Stop();
  }
  HWND main = nullptr;
};

}  // namespace

TEST_F(ProjectDialogsE2e, MapsAddedMovedAndANewWorkingMapLandInTheSavedProject) {
  const int before = g_MapView.GetVectorMapCount();
  ASSERT_GT(before, 0);
  g_Ini.SetString("LastPathMap", "\\Other\\");
  g_Ini.SetString("NewWMapName", "\\Other\\");
  g_Ini.SetInt("NewWMapScale", 7);  // 1:10 000
  g_Ini.SetString("NewWMapObjLib", "Town");
  int browsed = 0;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND b) {
    ChooseInBrowser(b, browsed++ == 0 ? L"north.mdm" : L"south.mdm");
  });
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) {
    SetDlgItemTextW(n, TNewWorkMapDlg::kName, L"field");
    Shot("project_new_working_map");
    TapControl(n, IDOK);
  });
  harness::OnDialog(TProjectMapsDlg::kTemplate, [&](HWND d) {
    Shot("project_maps_open");
    TapControl(d, TProjectMapsDlg::kAdd);
    TapControl(d, TProjectMapsDlg::kAdd);
    // north is the next to last line: down below south.
    const int lines = int(SendDlgItemMessageW(d, TProjectMapsDlg::kList, LB_GETCOUNT, 0, 0));
    SendDlgItemMessageW(d, TProjectMapsDlg::kList, LB_SETCURSEL, WPARAM(lines - 2), 0);
    TapControl(d, TProjectMapsDlg::kDown);
    TapControl(d, TProjectMapsDlg::kNewWorkMap);
    Shot("project_maps_edited");
    TapControl(d, IDOK);
  });
  SendMessageW(main, WM_COMMAND, 40179, 0);
  harness::PumpUntilIdle();
  Shot("project_map_after");

  ASSERT_EQ(g_MapView.GetVectorMapCount(), before + 3);
  auto nameOf = [](int i) { return std::filesystem::path(g_MapView.GetVectorMap(i)->path).string(); };
  EXPECT_EQ(nameOf(before), "\\Other\\south.mdm");
  EXPECT_EQ(nameOf(before + 1), "\\Other\\north.mdm");
  EXPECT_EQ(nameOf(before + 2), "\\Other\\field.mdm");
  ASSERT_TRUE(g_UserLayer.open);
  EXPECT_EQ(g_UserLayer.map, g_MapView.GetVectorMap(before + 2));
  const std::string project = ReadDevice(L"\\Vorna\\Vorna.mpj");
  EXPECT_NE(project.find("\nW\n"), std::string::npos) << project;
  for (const char* name : {"\\Other\\south.mdm", "\\Other\\north.mdm", "\\Other\\field.mdm"})
    EXPECT_NE(project.find(name), std::string::npos) << name;
  EXPECT_FALSE(ReadDevice(L"\\Other\\field.mdm").empty());

  // The working map's properties: its path shown, the name and the chooser locked.
  bool locked = false;
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) {
    locked = !IsWindowEnabled(GetDlgItem(n, TNewWorkMapDlg::kName));
    Shot("project_properties");
    TapControl(n, 4);  // "Отмена"
  });
  harness::OnDialog(TProjectMapsDlg::kTemplate, [&](HWND d) {
    TapControl(d, TProjectMapsDlg::kProperties);
    TapControl(d, TProjectMapsDlg::kCancel);
  });
  SendMessageW(main, WM_COMMAND, 40179, 0);
  harness::PumpUntilIdle();
  EXPECT_TRUE(locked);
}
