// The project editor and the new-working-map dialog, run in-process: buttons pressed by pen taps,
// lists set through their messages, the file browser, dialog 214 and message boxes answered by
// script, the program's top faked.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/file_browser.h"
#include "geodesy/gauss_kruger.h"
#include "maps/mdm_format.h"
#include "maps/user_layer.h"
#include "view/new_work_map_dlg.h"
#include "view/project_dialog_host.h"
#include "view/project_maps_dlg.h"
#include "view_test_util.h"

using namespace viewtest;

namespace {

class FakeProgram final : public IProgramHost {
 public:
  void InvalidateMainView(int full) override { full ? ++fullRedraws : ++partialRedraws; }
  void InvalidateMainViewRect(const RECT&) override {}
  void FitDialogToMainWindow(RECT* out, HWND dialog) override {
    if (out) *out = {0, 0, 240, 320};
    MoveWindow(dialog, 0, 26, 240, 294, TRUE);
  }
  void ReportUserInput() override {}
  BOOL RestoreBackBuffer(HDC, const RECT&) override { return FALSE; }
  void CenterViewAt(int, int) override {}
  HWND MainWindow() override { return nullptr; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }
  int fullRedraws = 0, partialRedraws = 0;
};

class FakeProjectHost final : public TProjectDialogHost {
 public:
  bool IsGpsPortOpen() override { return gps; }
  bool HasValidFix() override { return fix; }
  bool IsToolPanelShown() override { return panel; }
  bool IsVertexBarShown() override { return bar; }
  bool gps = false, fix = false, panel = false, bar = false;
};

// A whole-frame line of texts of the list.
std::vector<std::string> Lines(HWND dialog) {
  std::vector<std::string> out;
  HWND list = GetDlgItem(dialog, TProjectMapsDlg::kList);
  const int n = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[300] = {};
    SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(text));
    out.push_back(WideToAnsiString(text));
  }
  return out;
}

int Selected(HWND dialog) {
  return int(SendDlgItemMessageW(dialog, TProjectMapsDlg::kList, LB_GETCURSEL, 0, 0));
}

void Select(HWND dialog, int line) {
  SendDlgItemMessageW(dialog, TProjectMapsDlg::kList, LB_SETCURSEL, WPARAM(line), 0);
}

// A pen tap in the middle of the dialog's item.
void Press(HWND dialog, int id) {
  RECT r{};
  ASSERT_TRUE(GetWindowRect(GetDlgItem(dialog, id), &r)) << id;
  harness::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::string ItemText(HWND dialog, int id) {
  wchar_t text[300] = {};
  GetDlgItemTextW(dialog, id, text, 300);
  return WideToAnsiString(text);
}

// Selects the browser's rows of these names (the open list takes several) and presses OK.
void ChooseFiles(HWND browser, const std::vector<std::wstring>& names) {
  HWND list = GetDlgItem(browser, 4);
  const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[300] = {};
    LVITEMW lv{};
    lv.pszText = text;
    lv.cchTextMax = 300;
    SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), LPARAM(&lv));
    for (const std::wstring& name : names) {
      if (name != text) continue;
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED;
      state.state = LVIS_SELECTED;
      SendMessageW(list, LVM_SETITEMSTATE, WPARAM(i), LPARAM(&state));
    }
  }
  Press(browser, IDOK);
}

class ProjectDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 4;
    t.wDay = 10;
    t.wHour = 15;
    t.wMinute = 32;
    SetLocalTime(&t);
    LoadLanguage();
    SetProgramHost(&program);
    SetProjectDialogHost(&project);
    for (const char* f : {"\\Vorna", "\\Vorna\\Obj", "\\Maps", "\\Other"}) MakeFolder(f);
    ASSERT_TRUE(sample::SaveBytes(Host("\\Vorna\\Obj\\Vorna.rgb"),
                                  sample::PaletteBytes(sample::DemoPalette())));
    ASSERT_TRUE(sample::SaveBytes(Host("\\Vorna\\Obj\\Demo.mol"), sample::WriteMol(sample::DemoLibrary())));
    ASSERT_TRUE(sample::SaveBytes(Host("\\Vorna\\Obj\\Topo.mol"), sample::WriteMol(sample::DemoLibrary())));
    WriteMap("\\Maps\\roads.mdm", MapAt(6180000, 7400000));
    sample::MdmSpec lakes = MapAt(6185000, 7405000);
    lakes.wideEntries = false;
    lakes.writtenFlag = false;
    WriteMap("\\Maps\\lakes.mdm", lakes);
    WriteMap("\\Other\\roads.mdm", MapAt(6190000, 7410000));
    WriteMap("\\Maps\\work.mdm", MapAt(6180000, 7400000));
    SetRasterMapFactory(MakeFakeRaster);
    view.libraries.SetFolder("\\Vorna\\Obj\\", &view.palette);
    view.devicePixelsPerMetre = 4000.0;
    view.viewRect = {0, 0, 240, 294};
  }
  void TearDown() override {
    g_UserLayer.Close();
    view.CloseAllMaps();
    SetProjectDialogHost(nullptr);
    SetProgramHost(nullptr);
    SetRasterMapFactory(nullptr);
    harness::Stop();
  }
  // A project of raster maps `rasters` and the vector maps, the last one the working map.
  void OpenProject(const std::string& rasters, const std::vector<std::string>& vectors, bool w) {
    std::string text = "6180000.0\t7400000.0\n6190000.0\t7410000.0";
    if (w) text += "\nW";
    for (char r : rasters) text += std::string("\n0\t0\t\\Maps\\r") + r + ".jpg";
    for (const std::string& v : vectors) text += "\n0\t0\t" + v;
    ASSERT_TRUE(WriteText("\\Vorna\\start.mpj", text));
    ASSERT_EQ(view.OpenProject("\\Vorna\\start.mpj", &g_UserLayer, 0), 0);
  }
  int Run(std::function<void(HWND)> script) {
    harness::OnDialog(TProjectMapsDlg::kTemplate, std::move(script));
    return g_ProjectMapsDlg.Run(nullptr, nullptr, &view);
  }
  static bool BackupExists() { return FileExists(TProjectMapsDlg::BackupPath().c_str()); }

  FakeProgram program;
  FakeProjectHost project;
  TMapView view;
};

}  // namespace

TEST_F(ProjectDialogs, ListOrderMovesAndTheWorkingMapStaysLast) {
  OpenProject("12", {"\\Maps\\roads.mdm", "\\Maps\\lakes.mdm", "\\Maps\\work.mdm"}, true);
  ASSERT_TRUE(g_UserLayer.open);
  Run([&](HWND d) {
    EXPECT_TRUE(BackupExists());
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"r1.jpg", "r2.jpg", "roads.mdm (L)", "lakes.mdm",
                                                  "work.mdm (L)"}));
    EXPECT_EQ(ItemText(d, TProjectMapsDlg::kWorkMapName), "work.mdm");
    // No selection: nothing moves, nothing is marked.
    Press(d, TProjectMapsDlg::kDown);
    Press(d, TProjectMapsDlg::kDelete);
    EXPECT_EQ(g_ProjectMapsDlg.modified, 0);
    // The first raster map and the first vector map go no higher.
    Select(d, 0);
    Press(d, TProjectMapsDlg::kUp);
    Select(d, 2);
    Press(d, TProjectMapsDlg::kUp);
    EXPECT_EQ(Lines(d)[2], "roads.mdm (L)");
    // Nothing moves below the working map, and it moves neither way.
    Select(d, 3);
    Press(d, TProjectMapsDlg::kDown);
    Select(d, 4);
    Press(d, TProjectMapsDlg::kUp);
    Press(d, TProjectMapsDlg::kDown);
    EXPECT_EQ(Lines(d)[3], "lakes.mdm");
    EXPECT_EQ(Lines(d)[4], "work.mdm (L)");
    // A move keeps the moved line selected by its new place.
    Select(d, 2);
    Press(d, TProjectMapsDlg::kDown);
    EXPECT_EQ(Lines(d)[3], "roads.mdm (L)");
    EXPECT_EQ(Selected(d), 3);
    Select(d, 1);
    Press(d, TProjectMapsDlg::kUp);
    EXPECT_EQ(Lines(d)[0], "r2.jpg");
    EXPECT_EQ(Selected(d), 0);
    Press(d, IDOK);
  });
  EXPECT_FALSE(BackupExists());
  EXPECT_EQ(std::string(view.GetVectorMap(1)->path), "\\Maps\\roads.mdm");
  EXPECT_EQ(std::string(view.GetRasterMap(0)->path), "\\Maps\\r2.jpg");
  EXPECT_EQ(g_UserLayer.map, view.GetVectorMap(2));
}

TEST_F(ProjectDialogs, CancelBringsBackTheBackupOrderAndTheWorkingMap) {
  OpenProject("123", {"\\Maps\\roads.mdm", "\\Maps\\work.mdm"}, true);
  // Cancel right after opening restores nothing and asks for no redraw of its own.
  EXPECT_EQ(Run([&](HWND d) { Press(d, TProjectMapsDlg::kCancel); }), 4);
  EXPECT_EQ(program.fullRedraws, 1);  // Run's own, after every run
  EXPECT_FALSE(BackupExists());

  Run([&](HWND d) {
    Select(d, 0);
    Press(d, TProjectMapsDlg::kDelete);  // r2 r3
    Select(d, 1);
    Press(d, TProjectMapsDlg::kUp);  // r3 r2
    // The working map with the port closed: the layer lets it go.
    Select(d, 3);
    Press(d, TProjectMapsDlg::kDelete);
    EXPECT_FALSE(g_UserLayer.open);
    EXPECT_EQ(ItemText(d, TProjectMapsDlg::kWorkMapName), "");
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"r3.jpg", "r2.jpg", "roads.mdm (L)"}));
    Press(d, TProjectMapsDlg::kCancel);
  });
  EXPECT_FALSE(BackupExists());
  ASSERT_EQ(view.GetRasterMapCount(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::string(view.GetRasterMap(i)->path), "\\Maps\\r" + std::to_string(i + 1) + ".jpg");
  ASSERT_EQ(view.GetVectorMapCount(), 2);
  EXPECT_TRUE(g_UserLayer.open);
  EXPECT_EQ(g_UserLayer.map, view.GetVectorMap(1));

  // With the working map held, an edited raster order comes back too.
  Run([&](HWND d) {
    Select(d, 2);
    Press(d, TProjectMapsDlg::kUp);
    Press(d, TProjectMapsDlg::kUp);
    EXPECT_EQ(Lines(d)[0], "r3.jpg");
    Press(d, TProjectMapsDlg::kCancel);
  });
  EXPECT_EQ(std::string(view.GetRasterMap(0)->path), "\\Maps\\r1.jpg");
  EXPECT_EQ(std::string(view.GetRasterMap(2)->path), "\\Maps\\r3.jpg");
}

TEST_F(ProjectDialogs, CancelWithoutABackupKeepsTheEditedProject) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\lakes.mdm"}, false);
  // The backup's place is taken by a folder: it cannot be written.
  MakeFolder(TProjectMapsDlg::BackupPath());
  Run([&](HWND d) {
    Select(d, 0);
    Press(d, TProjectMapsDlg::kDelete);
    Press(d, TProjectMapsDlg::kCancel);
  });
  ASSERT_EQ(view.GetVectorMapCount(), 1);
  EXPECT_EQ(std::string(view.GetVectorMap(0)->path), "\\Maps\\lakes.mdm");
}

TEST_F(ProjectDialogs, TheWorkingMapStaysWhileThePortIsOpen) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\work.mdm"}, true);
  project.gps = true;
  harness::AnswerMessageBox(L"", IDYES);
  Run([&](HWND d) {
    Select(d, 1);
    Press(d, TProjectMapsDlg::kDelete);
    EXPECT_EQ(Lines(d).size(), 2u);
    EXPECT_EQ(g_ProjectMapsDlg.modified, 0);
    // Another map goes; the working map and its "W" stay.
    Select(d, 0);
    Press(d, TProjectMapsDlg::kDelete);
    EXPECT_TRUE(g_UserLayer.open);
    Press(d, TProjectMapsDlg::kDeleteAll);
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"work.mdm (L)"}));
    Press(d, IDOK);
  });
  EXPECT_TRUE(g_UserLayer.open);
  view.SaveProject("\\Vorna\\after.mpj");
  EXPECT_NE(ReadText("\\Vorna\\after.mpj").find("\nW\n"), std::string::npos);
}

// Highlights (a house the search showed, say) stay on their objects while the project editor
// adds a map before the working map, moves one and removes another.
TEST_F(ProjectDialogs, HighlightsStayOnTheirObjectsAsMapsAreAddedMovedAndRemoved) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\lakes.mdm", "\\Maps\\work.mdm"}, true);
  TMdmMap* const lakes = view.GetVectorMap(1);
  TMdmMap* const work = view.GetVectorMap(2);
  TObjectRef onLakes, onWork;
  onLakes.map = 1;
  onLakes.object = 3;
  onWork.map = 2;
  onWork.object = 1;
  view.AddHighlight(onLakes);
  view.AddHighlight(onWork);
  g_Ini.SetString("LastPathMap", "\\Other\\");
  harness::OnDialog(TFileBrowser::kOpenTemplate, [](HWND b) { ChooseFiles(b, {L"roads.mdm"}); });
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kAdd);  // joins before the working map
    ASSERT_EQ(Lines(d).size(), 4u);
    Select(d, 0);
    Press(d, TProjectMapsDlg::kDown);  // the first roads below lakes
    Select(d, 2);
    Press(d, TProjectMapsDlg::kDelete);  // the roads just added
    Press(d, IDOK);
  });
  ASSERT_EQ(view.GetVectorMapCount(), 3);
  ASSERT_EQ(view.GetHighlightCount(), 2);
  EXPECT_EQ(view.GetVectorMap(view.highlights[0].map), lakes);
  EXPECT_EQ(view.highlights[0].object, 3);
  EXPECT_EQ(view.GetVectorMap(view.highlights[1].map), work);
  EXPECT_EQ(view.highlights[1].object, 1);
}

TEST_F(ProjectDialogs, AddOpensEachChosenFileAndSaysWhatFailed) {
  WriteText("\\Maps\\notes.txt", "text");
  WriteText("\\Maps\\broken.mdm", "not a map");
  g_Ini.SetString("LastPathMap", "\\Maps\\");
  g_Ini.SetInt("LastFilterMap", 2);  // "All Documents"
  harness::OnDialog(TFileBrowser::kOpenTemplate, [](HWND b) {
    ChooseFiles(b, {L"broken.mdm", L"lakes.mdm", L"notes.txt", L"roads.mdm"});
  });
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kAdd);
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"lakes.mdm", "roads.mdm (L)"}));
    Press(d, IDOK);
  });
  // One box per failure: the damaged map and the text file.
  std::vector<std::wstring> texts;
  for (const auto& box : harness::MessageBoxes()) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{g_Lang.GetText(100004), g_Lang.GetText(100004)}));
  EXPECT_EQ(ReadText("\\Vorna\\Vorna.prj.bak"), "");
  std::string folder;
  g_Ini.GetString("LastPathMap", folder);
  EXPECT_EQ(folder, "\\Maps\\");
  EXPECT_EQ(g_Ini.GetInt("LastFilterMap"), 2);
  // The first map of an empty project is shown.
  EXPECT_EQ(view.extent[0], 6185000.0);
}

TEST_F(ProjectDialogs, SaveThatFailsIsSaidAndLoadKeepsTheWorkingMapWhileThePortIsOpen) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\work.mdm"}, true);
  ASSERT_TRUE(WriteText("\\Vorna\\other.mpj",
                        "6180000.0\t7400000.0\n6190000.0\t7410000.0\n0\t0\t\\Maps\\lakes.mdm"));
  g_Ini.SetString("LastPathPrj", "\\Vorna\\");
  project.gps = true;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [](HWND b) { ChooseFiles(b, {L"other.mpj"}); });
  // A project name that has become a folder while the browser asked whether to replace the
  // file (the browser itself refuses a folder's name) cannot be written.
  ASSERT_TRUE(WriteText("\\Vorna\\taken.mpj", "old"));
  harness::OnDialog(TFileBrowser::kSaveTemplate, [](HWND b) {
    SetDlgItemTextW(b, 5, L"taken.mpj");
    Press(b, IDOK);
  });
  harness::AnswerMessageBox(L"", IDYES);
  harness::AnswerMessageBoxAfter(L"File exists", [] {
    DeleteFileW(L"\\Vorna\\taken.mpj");
    MakeFolder("\\Vorna\\taken.mpj");
  }, IDYES);
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kLoad);
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"lakes.mdm", "work.mdm (L)"}));
    EXPECT_TRUE(g_UserLayer.open);
    harness::ClearMessageBoxes();
    Press(d, TProjectMapsDlg::kSave);
    // The browser's own replace question, then the failure.
    EXPECT_EQ(harness::MessageBoxes().size(), 2u);
    if (!harness::MessageBoxes().empty()) {
      EXPECT_EQ(harness::MessageBoxes().back().text, g_Lang.GetText(100003));
    }
    Press(d, IDOK);
  });
}

TEST_F(ProjectDialogs, NewWorkingMapInAnEmptyProjectAsksFirstWithoutAFix) {
  g_Ini.SetString("NewWMapName", "\\Maps\\");
  g_Ini.SetInt("NewWMapScale", 8);  // 1:20 000
  view.pixelsPerMetre = 0.1;  // the view's centre: 6181470, 7401200 in zone 7
  view.originX = 6180000;
  view.originY = 7400000;
  g_Ini.SetString("NewWMapObjLib", "Topo");
  project.gps = true;
  project.fix = true;  // the port says "A", but the view holds no fix yet
  std::string name;
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) {
    name = ItemText(n, TNewWorkMapDlg::kName);
    Press(n, IDOK);
  });
  harness::AnswerMessageBox(g_Lang.GetText(100081), IDCANCEL);
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kNewWorkMap);
    EXPECT_TRUE(Lines(d).empty());
    harness::AnswerMessageBox(g_Lang.GetText(100081), IDOK);
    Press(d, TProjectMapsDlg::kNewWorkMap);
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"wm_0410_1532.mdm (L)"}));
    Press(d, IDOK);
  });
  EXPECT_EQ(name, "wm_0410_1532");
  ASSERT_TRUE(g_UserLayer.open);
  TMdmMap* map = g_UserLayer.map;
  EXPECT_EQ(std::string(map->path), "\\Maps\\wm_0410_1532.mdm");
  EXPECT_EQ(std::string(map->libraryName), "Topo");
  EXPECT_EQ(map->HeaderScale(), 20000u);
  EXPECT_TRUE(FileExists("\\Maps\\wm_0410_1532.mdm"));
}

// Near a zone edge the view's centre can carry the neighbouring zone's easting (the maps were
// drawn in zone 8 west of 42 E): the new working map takes the zone the coordinates are written
// in, not the one the longitude falls in, or it would lie some 600 km away.
TEST_F(ProjectDialogs, ANewWorkingMapInTheZoneOverlapKeepsTheZoneOfItsCoordinates) {
  double x = 0, y = 0;
  const double rad = 3.14159265358979323846 / 180;
  ASSERT_TRUE(GeoToGkSameDatum(55.7 * rad, 41.95 * rad, x, y, 45));  // zone 8's meridian, degrees
  ASSERT_EQ(GkZoneOfEasting(y), 8);
  ASSERT_EQ(GkZoneOfPoint(x, y), 7);
  g_Ini.SetString("NewWMapName", "\\Maps\\");
  g_Ini.SetInt("NewWMapScale", 8);
  g_Ini.SetString("NewWMapObjLib", "Topo");
  view.pixelsPerMetre = 0.1;
  view.originX = x - 1470;
  view.originY = y - 1200;
  view.zone = 8;
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) { Press(n, IDOK); });
  harness::AnswerMessageBox(g_Lang.GetText(100081), IDOK);
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kNewWorkMap);
    Press(d, IDOK);
  });
  ASSERT_TRUE(g_UserLayer.open);
  EXPECT_EQ(view.zone, 8);
  EXPECT_EQ(g_UserLayer.map->zone, 8);
}

// A fresh device has no "NewWMapObjLib": OK is refused with the library message and the dialog
// stays. A library that does not read makes no map: the project and its working map stay.
TEST_F(ProjectDialogs, ANewWorkingMapIsMadeOnlyWithALibraryThatReads) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\work.mdm"}, true);
  TMdmMap* const working = g_UserLayer.map;
  ASSERT_NE(working, nullptr);
  ASSERT_TRUE(WriteText("\\Vorna\\Obj\\Bad.mol", "not a library"));
  g_Ini.SetString("NewWMapName", "\\Maps\\");
  g_Ini.SetInt("NewWMapScale", 5);
  g_Ini.SetString("NewWMapObjLib", "");  // as on a fresh device: no line chosen
  int opened = 0;
  bool stayedOpen = false;
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) {
    Press(n, IDOK);  // no library chosen
    stayedOpen = harness::MessageBoxes().size() == 1;
    const HWND list = GetDlgItem(n, TNewWorkMapDlg::kLibrary);
    const LRESULT bad = SendMessageW(list, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"Bad"));
    ASSERT_NE(bad, CB_ERR);
    SendMessageW(list, CB_SETCURSEL, WPARAM(bad), 0);
    ++opened;
    Press(n, IDOK);
  });
  harness::AnswerMessageBox(L"", IDOK);
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kNewWorkMap);
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"roads.mdm (L)", "work.mdm (L)"}));
    Press(d, IDOK);
  });
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(stayedOpen);
  const auto& boxes = harness::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, g_Lang.GetText(100005));
  EXPECT_NE(boxes[1].text.find(L"(код "), std::wstring::npos);  // the library's own error
  ASSERT_EQ(view.GetVectorMapCount(), 2);
  EXPECT_EQ(g_UserLayer.map, working);
  EXPECT_FALSE(FileExists("\\Maps\\wm_0410_1532.mdm"));
}

TEST_F(ProjectDialogs, ANewMapOverTheWorkingMapsOwnPathReplacesIt) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\work.mdm"}, true);
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) {
    SetDlgItemTextW(n, TNewWorkMapDlg::kFolder, L"\\Maps");
    SetDlgItemTextW(n, TNewWorkMapDlg::kName, L"work.txt");
    SendDlgItemMessageW(n, TNewWorkMapDlg::kScale, CB_SETCURSEL, 5, 0);
    SendDlgItemMessageW(n, TNewWorkMapDlg::kLibrary, CB_SETCURSEL, 0, 0);
    Press(n, IDOK);
  });
  harness::AnswerMessageBox(L"work.mdm", IDYES);
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kNewWorkMap);
    EXPECT_EQ(Lines(d), (std::vector<std::string>{"roads.mdm (L)", "work.mdm (L)"}));
    Press(d, IDOK);
  });
  ASSERT_EQ(view.GetVectorMapCount(), 2);
  ASSERT_TRUE(g_UserLayer.open);
  EXPECT_EQ(g_UserLayer.map, view.GetVectorMap(1));
  // The new file: version 3, flags wide entries and written (0x26 with the unit bit).
  const std::string bytes = ReadText("\\Maps\\work.mdm");
  ASSERT_GT(bytes.size(), size_t(mdm::kHeaderSize));
  EXPECT_EQ(uint8_t(bytes[mdm::kOffVersion]), 3);
  EXPECT_EQ(uint8_t(bytes[mdm::kOffFlags]), 0x26);
  EXPECT_EQ(g_Ini.GetInt("NewWMapScale"), 5);
}

TEST_F(ProjectDialogs, AssignAsksForAForeignMapAndPropertiesChangeScaleAndLibrary) {
  OpenProject("", {"\\Maps\\lakes.mdm", "\\Maps\\roads.mdm"}, false);
  harness::AnswerMessageBox(g_Lang.GetText(100040), IDOK);
  Run([&](HWND d) {
    Select(d, 0);
    Press(d, TProjectMapsDlg::kAssign);
    EXPECT_EQ(Lines(d)[1], "lakes.mdm");
    EXPECT_EQ(ItemText(d, TProjectMapsDlg::kWorkMapName), "lakes.mdm");
    Press(d, IDOK);
  });
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  ASSERT_TRUE(g_UserLayer.open);
  TMdmMap* map = g_UserLayer.map;

  // Properties: exact lines chosen, nothing asked, no key written; a library that cannot be bound
  // leaves the map with the one it had.
  harness::ClearMessageBoxes();
  std::string scaleShown, folderShown;
  harness::OnDialog(TNewWorkMapDlg::kTemplate, [&](HWND n) {
    folderShown = ItemText(n, TNewWorkMapDlg::kFolder);
    wchar_t text[32] = {};
    const int sel = int(SendDlgItemMessageW(n, TNewWorkMapDlg::kScale, CB_GETCURSEL, 0, 0));
    SendDlgItemMessageW(n, TNewWorkMapDlg::kScale, CB_GETLBTEXT, WPARAM(sel), LPARAM(text));
    scaleShown = WideToAnsiString(text);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(n, TNewWorkMapDlg::kName)));
    SendDlgItemMessageW(n, TNewWorkMapDlg::kScale, CB_SETCURSEL, 8, 0);  // 20000
    Press(n, IDOK);
  });
  Run([&](HWND d) {
    Press(d, TProjectMapsDlg::kProperties);
    Press(d, IDOK);
  });
  EXPECT_EQ(folderShown, "\\Maps\\");
  EXPECT_EQ(scaleShown, "10000");
  EXPECT_EQ(map->HeaderScale(), 20000u);
  EXPECT_EQ(map->nominalScale, 20000u);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  EXPECT_FALSE(g_Ini.HasKey("NewWMapScale"));

  TObjectLibrary* before = map->library;
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(view.SetMapLibrary(1, "Nope"), 0);
  EXPECT_EQ(std::string(map->libraryName), "Demo");
  EXPECT_EQ(map->library, before);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);  // the library's own box, no other
}

TEST(NewWorkMapPath, TheNameTakesTheMapExtensionAndBadNamesGiveNoPath) {
  EXPECT_EQ(TNewWorkMapDlg::MakeMapPath(L"\\My.Maps\\", L"plan"), "\\My.Maps\\plan.mdm");
  EXPECT_EQ(TNewWorkMapDlg::MakeMapPath(L"\\Maps", L"plan.txt"), "\\Maps\\plan.mdm");
  EXPECT_EQ(AnsiToWideString(TNewWorkMapDlg::MakeMapPath(L"\\Карты/", L"план")), L"\\Карты/план.mdm");
  for (const wchar_t* bad : {L"", L".mdm", L"a\\b", L"a/b", L"c:x", L"\u4e2d"})
    EXPECT_EQ(TNewWorkMapDlg::MakeMapPath(L"\\", bad), "") << WideToAnsiString(bad);
  EXPECT_EQ(TNewWorkMapDlg::MakeMapPath(L"\\" + std::wstring(249, L'f') + L"\\", L"n"), "");
  EXPECT_EQ(TNewWorkMapDlg::MakeMapPath(L"\\" + std::wstring(248, L'f') + L"\\", L"n").size(), 255u);
}

// The card was out at start: the working map and another map kept their lines. The working map
// added back and assigned is held once, and still the working map; the map gone for good is
// listed as not found and can be removed; the file then names neither twice.
TEST_F(ProjectDialogs, AKeptLineGoesWhenItsMapIsAddedBackAndCanBeRemoved) {
  ASSERT_TRUE(MoveFileW(L"\\Maps\\work.mdm", L"\\Maps\\work.away"));
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\gone.mdm", "\\Maps\\work.mdm"}, true);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);  // the maps not opened, named once
  ASSERT_TRUE(MoveFileW(L"\\Maps\\work.away", L"\\Maps\\work.mdm"));
  const std::string notFound = WideToAnsiString(std::wstring(L" (") + g_Lang.GetText(100001) + L")");
  g_Ini.SetString("LastPathMap", "\\Maps\\");
  harness::OnDialog(TFileBrowser::kOpenTemplate, [](HWND b) { ChooseFiles(b, {L"work.mdm"}); });
  harness::AnswerMessageBox(g_Lang.GetText(100040), IDOK);
  std::vector<std::string> atOpening, afterAdd, afterRemove;
  Run([&](HWND d) {
    atOpening = Lines(d);
    Press(d, TProjectMapsDlg::kAdd);
    afterAdd = Lines(d);
    Select(d, 1);
    Press(d, TProjectMapsDlg::kAssign);
    Select(d, 2);
    Press(d, TProjectMapsDlg::kUp);  // a kept row does not move
    Press(d, TProjectMapsDlg::kDelete);
    afterRemove = Lines(d);
    Press(d, IDOK);
  });
  EXPECT_EQ(atOpening, (std::vector<std::string>{"roads.mdm (L)", "gone.mdm" + notFound, "work.mdm" + notFound}));
  EXPECT_EQ(afterAdd, (std::vector<std::string>{"roads.mdm (L)", "work.mdm (L)", "gone.mdm" + notFound}));
  EXPECT_EQ(afterRemove, (std::vector<std::string>{"roads.mdm (L)", "work.mdm (L)"}));
  ASSERT_TRUE(g_UserLayer.open);
  ASSERT_EQ(view.SaveProject("\\Vorna\\next.mpj"), 0);
  const std::string saved = ReadText("\\Vorna\\next.mpj");
  EXPECT_EQ(saved.find("gone.mdm"), std::string::npos);
  EXPECT_EQ(saved.find("work.mdm"), saved.rfind("work.mdm"));  // once
  EXPECT_NE(saved.find("\nW\n"), std::string::npos);
  // Last: the working map.
  EXPECT_EQ(saved.substr(saved.rfind('\n') + 1).rfind("0\t0\t\\Maps\\work.mdm", 0), 0u);
}

// A map gone from the card kept its line; "Delete all" then Cancel gives the project back as the
// editor found it: the kept line listed once, written once, and no box naming it again.
TEST_F(ProjectDialogs, DeleteAllThenCancelKeepsTheKeptLineOnce) {
  OpenProject("", {"\\Maps\\roads.mdm", "\\Maps\\gone.mdm", "\\Maps\\work.mdm"}, true);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);  // gone.mdm not opened
  const std::string notFound = WideToAnsiString(std::wstring(L" (") + g_Lang.GetText(100001) + L")");
  harness::AnswerMessageBox(L"", IDYES);
  std::vector<std::string> atOpening, afterDelete;
  Run([&](HWND d) {
    atOpening = Lines(d);
    Press(d, TProjectMapsDlg::kDeleteAll);
    afterDelete = Lines(d);
    Press(d, TProjectMapsDlg::kCancel);
  });
  EXPECT_EQ(atOpening, (std::vector<std::string>{"roads.mdm (L)", "work.mdm (L)", "gone.mdm" + notFound}));
  EXPECT_TRUE(afterDelete.empty());
  EXPECT_EQ(view.GetUnopenedLineCount(), 1);
  EXPECT_EQ(view.GetVectorMapCount(), 2);
  ASSERT_TRUE(g_UserLayer.open);
  ASSERT_EQ(view.SaveProject("\\Vorna\\next.mpj"), 0);
  const std::string saved = ReadText("\\Vorna\\next.mpj");
  EXPECT_NE(saved.find("gone.mdm"), std::string::npos);
  EXPECT_EQ(saved.find("gone.mdm"), saved.rfind("gone.mdm"));
  EXPECT_EQ(saved.find("work.mdm"), saved.rfind("work.mdm"));
  EXPECT_NE(saved.find("\nW\n"), std::string::npos);
  EXPECT_EQ(harness::MessageBoxes().size(), 2u);  // the opening's and the question, no third
}
