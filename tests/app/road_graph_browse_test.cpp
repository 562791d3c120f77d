// The road-graph command opens the file browser on .mvw files; a chosen file is bound, a
// cancelled browse, a path too long to keep or a graph file that does not read binds nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/file_browser.h"
#include "demo_window_fixture.h"
#include "search/route.h"
#include "tests/support/browser_taps.h"

namespace {

using demo_window::DemoWindow;

constexpr UINT kCmdRoadGraph = 40151;

void Touch(const std::string& rel, const std::string& bytes = "graph") {
  const std::filesystem::path p = std::filesystem::path(harness::Root()) / rel;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// The demo town's road graph as it lies on the device.
std::string DemoGraphBytes() {
  return startup_test::ReadHostFile(harness::Root() + "/Vorna/Maps/Streets.mvw");
}

void Choose(HWND dialog, const std::wstring& name) { test_taps::ChooseInBrowser(dialog, name); }

TEST_F(DemoWindow, RoadGraphIsChosenInTheFileBrowser) {
  Touch("Graphs/town.mvw", DemoGraphBytes());
  Touch("Graphs/notes.txt");
  Touch("Graphs/" + std::string(200, 'g') + "/" + std::string(60, 'h') + ".mvw");
  g_Ini.SetString("LastPathMap", "\\Graphs\\");
  std::vector<std::wstring> listed;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    HWND list = GetDlgItem(dialog, 4);
    for (int i = 0; i < int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++i) {
      wchar_t text[300] = {};
      LVITEMW lv{};
      lv.pszText = text;
      lv.cchTextMax = 300;
      SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), LPARAM(&lv));
      listed.push_back(text);
    }
    Choose(dialog, L"town.mvw");
  });
  Command(kCmdRoadGraph);
  EXPECT_EQ(listed, (std::vector<std::wstring>{L"..", std::wstring(200, L'g'), L"town.mvw"}));
  EXPECT_EQ(g_Route.RoadMapName(), "town");

  // A path over 255 characters is not bound, and nothing is cut into another file's name.
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    Choose(dialog, std::wstring(200, L'g'));
    Choose(dialog, std::wstring(60, L'h') + L".mvw");
  });
  Command(kCmdRoadGraph);
  EXPECT_EQ(g_Route.RoadMapName(), "town");
}

TEST_F(DemoWindow, ARoadGraphThatDoesNotReadIsNotBoundAndSaysSo) {
  // The town's graph binds to its Streets map; the same file cut short, chosen next, does not
  // read: nothing stays bound (a route tap would draw nothing) and the user is told.
  const std::string graph = DemoGraphBytes();
  ASSERT_GT(graph.size(), 40u);
  Touch("Graphs/Good/Streets.mvw", graph);
  Touch("Graphs/Cut/Streets.mvw", graph.substr(0, graph.size() - 7));
  Touch("Graphs/Empty/Streets.mvw", "");
  harness::ClearMessageBoxes();
  g_Ini.SetString("LastPathMap", "\\Graphs\\Good\\");
  harness::OnDialog(TFileBrowser::kOpenTemplate, [](HWND dialog) { Choose(dialog, L"Streets.mvw"); });
  Command(kCmdRoadGraph);
  ASSERT_EQ(g_Route.IsBound(), 1);
  EXPECT_TRUE(harness::MessageBoxes().empty());

  for (const char* folder : {"\\Graphs\\Cut\\", "\\Graphs\\Empty\\"}) {
    harness::ClearMessageBoxes();
    g_Ini.SetString("LastPathMap", folder);
    Command(kCmdRoadGraph);
    EXPECT_EQ(g_Route.IsBound(), 0) << folder;
    EXPECT_EQ(g_Route.Graph().NodeCount(), 0u) << folder;
    ASSERT_EQ(harness::MessageBoxes().size(), 1u) << folder;
    EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(lang_id::kMsgBadFileFormat)) << folder;
  }
}

}  // namespace
