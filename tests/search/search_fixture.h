// Fixtures of the route, bar and search-window tests: a device root with a line library, maps
// and graphs written by the sample writers, the program's view, and a host whose main window
// the bars dock in and whose redraw requests are counted.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/program_host.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/search/search_files.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "tools/sampledata/mvw_writer.h"
#include "tools/sampledata/ndb_writer.h"
#include "view/map_view.h"

namespace searchtest {

// Cells of the sample tables.
inline sample::NdbCell I(int64_t v) { return sample::NdbCell(v); }
inline sample::NdbCell D(double v) { return sample::NdbCell(v); }
inline sample::NdbCell T(const std::string& v) { return sample::NdbCell(v); }
inline constexpr double kDeg = 3.14159265358979323846 / 180.0;

// The entries of a combo box.
inline std::vector<std::wstring> Texts(HWND list) {
  std::vector<std::wstring> out;
  const int n = int(SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[300] = L"";
    SendMessageW(list, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
    out.push_back(text);
  }
  return out;
}

// Chooses the entry with that text as the user's confirmed choice.
inline void Pick(HWND window, int id, const std::wstring& text) {
  HWND list = GetDlgItem(window, id);
  const LRESULT at = SendMessageW(list, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text.c_str()));
  ASSERT_GE(at, 0) << std::string(text.begin(), text.end());
  SendMessageW(list, CB_SETCURSEL, WPARAM(at), 0);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), LPARAM(list));
}

// Writes a table into the program folder's "DB\".
inline void Table(const std::string& name, const sample::NdbSpec& plan) {
  PutFile("\\Vorna\\DB\\" + name + ".ndb", sample::BuildNdb(plan));
}

// Line type 1 of the test library "Roads".
inline constexpr uint16_t kRoadCode = (1 << 3) | 2;

class TTestHost final : public IProgramHost {
 public:
  void InvalidateMainView(int full) override { (full ? fullRedraws : partRedraws)++; }
  void InvalidateMainViewRect(const RECT&) override {}
  void FitDialogToMainWindow(RECT* out, HWND dialog) override {
    // As the program fits its dialogs: over the hidden task bar.
    if (dialog) {
      SHFullScreen(dialog, SHFS_HIDETASKBAR);
      MoveWindow(dialog, 0, 0, 240, 320, TRUE);
    }
    if (out) *out = RECT{0, 0, 240, 320};
  }
  void ReportUserInput() override { inputs++; }
  BOOL RestoreBackBuffer(HDC, const RECT&) override { return 0; }
  void CenterViewAt(int, int) override {}
  HWND MainWindow() override { return main; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }

  HWND main = nullptr;
  int fullRedraws = 0, partRedraws = 0, inputs = 0;
};

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"SearchTestMain";
    RegisterClassW(&wc);
    host.main = CreateWindowExW(0, L"SearchTestMain", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                nullptr, nullptr, nullptr);
    SHFullScreen(host.main, SHFS_HIDETASKBAR);  // the program runs full screen
    SetProgramHost(&host);
    g_MapView.viewRect = {0, 0, 240, 294};
    g_MapView.devicePixelsPerMetre = 4000.0;
  }
  void TearDown() override {
    g_MapView.CloseAllMaps();
    g_MapView.ClearHighlights();
    SetProgramHost(nullptr);
    if (host.main) DestroyWindow(host.main);
    g_Ini.Clear();
    harness::Stop();
  }

  // The library "Roads" with one line type, in the program folder.
  void WriteLibrary() {
    sample::MolLibrary lib = sample::DemoLibrary(2, 1);
    lib.styles = {{kRoadCode, sample::SimpleLineKind(0x40, 5, 1), "Road", 1, {}}};
    PutFile("\\Vorna\\Roads.mol", sample::WriteMol(lib));
    g_MapView.libraries.SetFolder("\\Vorna\\", &g_MapView.palette);
  }
  // A map of line objects (index i + 1 for roads[i]) in a 100 km frame of 1-metre units at
  // (6000000, 7000000); its index in the view.
  int AddRoadMap(const std::string& devicePath,
                 const std::vector<std::vector<std::pair<int32_t, int32_t>>>& roads) {
    WriteLibrary();
    sample::MdmSpec plan;
    plan.library = "Roads";
    plan.x1 = kOriginX;
    plan.y1 = kOriginY;
    plan.x2 = kOriginX + 100000;
    plan.y2 = kOriginY + 100000;
    for (const auto& r : roads) {
      sample::MdmObject o = sample::MdmShape(kRoadCode, r);
      plan.objects.push_back(o);
    }
    PutFile(devicePath, sample::BuildMdm(plan));
    const int index = g_MapView.AddVectorMap(devicePath.c_str(), 0);
    EXPECT_GE(index, 0);
    return index;
  }
  // Centres the view on a plane point at 1:`scale`.
  void ViewAt(double x, double y, int32_t scale) {
    g_MapView.SetScale(scale);
    g_MapView.CenterOn(x, y, 1);
  }

  static constexpr double kOriginX = 6000000, kOriginY = 7000000;
  TTestHost host;
};

}  // namespace searchtest
