// The road-graph command opens the file browser on .mvw files; a chosen file is bound, a
// cancelled browse or a path too long to keep binds nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/ini_file.h"
#include "base/ui/file_browser.h"
#include "demo_window_fixture.h"
#include "search/route.h"

namespace {

using demo_window::DemoWindow;

constexpr UINT kCmdRoadGraph = 40151;

void Touch(const std::string& rel) {
  const std::filesystem::path p = std::filesystem::path(harness::Root()) / rel;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p) << "graph";
}

// Taps the row named `name` in the browser's list and then OK.
void Choose(HWND dialog, const std::wstring& name) {
  HWND list = GetDlgItem(dialog, 4);
  const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[300] = {};
    LVITEMW lv{};
    lv.pszText = text;
    lv.cchTextMax = 300;
    SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), LPARAM(&lv));
    if (name != text) continue;
    RECT rc{};
    rc.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, WPARAM(i), LPARAM(&rc));
    POINT p{rc.left + 30, (rc.top + rc.bottom) / 2};
    ClientToScreen(list, &p);
    harness::Tap(p.x, p.y);
    break;
  }
  RECT ok{};
  GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
  harness::Tap((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
}

TEST_F(DemoWindow, RoadGraphIsChosenInTheFileBrowser) {
  Touch("Graphs/town.mvw");
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

}  // namespace
