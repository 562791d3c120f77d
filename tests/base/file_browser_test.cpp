// The file browser on the device's own dialogs, driven by taps inside their modal loops: the
// listing (order, sizes, dates, icons, patterns), walking folders by taps, open, save and folder
// modes with their results, and bad start folders, names and filter lists.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/text_utils.h"
#include "base/ui/file_browser.h"
#include "platform/harness.h"
#include "platform/win.h"

namespace fs = std::filesystem;

namespace {

constexpr int kListId = 4, kNameId = 5, kFilterId = 6, kTreeId = 3;

const wchar_t kFilters[] = L"Maps (*.mvw)\0*.mvw\0Pictures\0*.jpg,*.TIF,*.jpg\0All\0*.*\0";

class FileBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    SetProgramCodePage(1251);
    root = harness::Root();
  }
  void TearDown() override { harness::Stop(); }

  void File(const std::string& rel, uintmax_t size = 10, int64_t mtime = 1700000000) {
    const fs::path p = fs::path(root) / rel;
    fs::create_directories(p.parent_path());
    { std::ofstream(p, std::ios::binary); }
    fs::resize_file(p, size);
    struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    utimensat(AT_FDCWD, p.c_str(), times, 0);
  }
  void Dir(const std::string& rel) { fs::create_directories(fs::path(root) / rel); }

  static std::wstring Cell(HWND list, int item, int sub) {
    wchar_t buffer[300] = {};
    LVITEMW lv{};
    lv.iSubItem = sub;
    lv.pszText = buffer;
    lv.cchTextMax = 300;
    SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(item), LPARAM(&lv));
    return buffer;
  }
  static std::vector<std::wstring> Names(HWND dialog) {
    HWND list = GetDlgItem(dialog, kListId);
    std::vector<std::wstring> names;
    const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) names.push_back(Cell(list, i, 0));
    return names;
  }
  static int Find(HWND dialog, const std::wstring& name) {
    const auto names = Names(dialog);
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return int(i);
    return -1;
  }
  // Taps list row `item` as a person would (scrolled into view first).
  static void TapRow(HWND dialog, int item) {
    HWND list = GetDlgItem(dialog, kListId);
    SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(item), FALSE);
    RECT rc{};
    rc.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, WPARAM(item), LPARAM(&rc));
    POINT p{rc.left + 30, (rc.top + rc.bottom) / 2};
    ClientToScreen(list, &p);
    harness::Tap(p.x, p.y);
  }
  static void TapName(HWND dialog, const std::wstring& name) {
    const int i = Find(dialog, name);
    ASSERT_GE(i, 0) << std::string(name.begin(), name.end());
    TapRow(dialog, i);
  }
  static void TapButton(HWND dialog, int id) {
    RECT rc{};
    GetWindowRect(GetDlgItem(dialog, id), &rc);
    harness::Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  }
  static void Select(HWND dialog, int item) {
    LVITEMW state{};
    state.state = state.stateMask = LVIS_SELECTED;
    SendMessageW(GetDlgItem(dialog, kListId), LVM_SETITEMSTATE, WPARAM(item), LPARAM(&state));
  }
  void Save(HWND, const char* name) {
    harness::PumpUntilIdle();
    EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/" + name));
  }
  std::string root;
};

TEST_F(FileBrowserTest, ListingOrderSizesDatesAndPatterns) {
  Dir("Maps/Zeta");
  Dir("Maps/alpha");
  File("Maps/b.mvw", 1023);
  File("Maps/A.MVW", 1024);
  File("Maps/c.mvw", 1048575);
  File("Maps/d.mvw", 1048576);
  File("Maps/big.mvw", uintmax_t(5) << 30);  // sparse
  File("Maps/e.jpg", 5);
  File("Maps/Ёж.mvw", 5);
  File("Maps/ёж.mvw", 5);
  File("Maps/Яма.mvw", 5);
  std::vector<std::wstring> names, sizes, dates;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    names = Names(dialog);
    HWND list = GetDlgItem(dialog, kListId);
    for (size_t i = 0; i < names.size(); ++i) {
      sizes.push_back(Cell(list, int(i), 1));
      dates.push_back(Cell(list, int(i), 2));
    }
    HWND combo = GetDlgItem(dialog, kFilterId);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    Save(dialog, "browser_open.png");
    TapButton(dialog, IDCANCEL);
  });
  TFileBrowser b(nullptr, nullptr);
  b.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon, TFileBrowser::kProgramIcon);
  b.SetFilters(kFilters);
  b.folder = L"\\Maps";  // no trailing "\": it gets one
  EXPECT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 0);
  // Folders first, then files by UTF-16 code units (upper case before lower, Ё U+0401 before
  // Я U+042F before ё U+0451).
  const std::vector<std::wstring> want = {L"..", L"Zeta", L"alpha", L"A.MVW", L"b.mvw", L"big.mvw",
                                          L"c.mvw", L"d.mvw", L"Ёж.mvw", L"Яма.mvw", L"ёж.mvw"};
  EXPECT_EQ(names, want);
  ASSERT_EQ(sizes.size(), want.size());
  EXPECT_EQ(sizes[0], L"");
  EXPECT_EQ(sizes[1], L"<DIR>");
  EXPECT_EQ(sizes[3], L"1.0 k");
  EXPECT_EQ(sizes[4], L"1023 b");
  EXPECT_EQ(sizes[5], L"5120.0 M");
  EXPECT_EQ(sizes[6], L"1024.0 k");
  EXPECT_EQ(sizes[7], L"1.0 M");
  // 1700000000 is 14.11.2023 22:13:20 UTC, shown as stored.
  EXPECT_EQ(dates[4], L"14.11.23 22:13");
  EXPECT_EQ(b.folder, L"\\Maps");  // Cancel leaves it as given
}

TEST_F(FileBrowserTest, SizeAndDateTextsOfRecords) {
  WIN32_FIND_DATAW f{};
  f.nFileSizeLow = 1023;
  EXPECT_EQ(TFileBrowser::SizeText(f), L"");  // time 0: no size, no date
  EXPECT_EQ(TFileBrowser::DateText(f), L"");
  SYSTEMTIME t{2150, 12, 0, 31, 23, 59, 0, 0};
  SystemTimeToFileTime(&t, &f.ftLastWriteTime);
  EXPECT_EQ(TFileBrowser::SizeText(f), L"1023 b");
  EXPECT_EQ(TFileBrowser::DateText(f), L"31.12.50 23:59");
  f.nFileSizeHigh = 1;
  f.nFileSizeLow = 0;
  EXPECT_EQ(TFileBrowser::SizeText(f), L"4096.0 M");
  EXPECT_TRUE(TFileBrowser::MatchPattern(L"*.*", L"README"));
  EXPECT_TRUE(TFileBrowser::MatchPattern(L"*.MVW", L"town.mvw"));
  EXPECT_FALSE(TFileBrowser::MatchPattern(L"*.mvw", L"town.mvw.bak"));
}

TEST_F(FileBrowserTest, WalkingByTapsAndPatternsChangedInTheFilterBox) {
  File("Maps/Town/street.mvw");
  File("Maps/Town/photo.jpg");
  File("Maps/Town/scan.tif");
  File("top.mvw");
  std::vector<std::vector<std::wstring>> seen;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    seen.push_back(Names(dialog));
    TapName(dialog, L"Maps");
    seen.push_back(Names(dialog));
    TapName(dialog, L"Town");
    seen.push_back(Names(dialog));
    // The second filter: *.jpg,*.TIF,*.jpg, each file once.
    HWND combo = GetDlgItem(dialog, kFilterId);
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFilterId, CBN_SELCHANGE), LPARAM(combo));
    seen.push_back(Names(dialog));
    TapName(dialog, L"..");
    TapName(dialog, L"..");
    seen.push_back(Names(dialog));
    TapName(dialog, L"Maps");
    TapButton(dialog, IDOK);  // nothing selected: stays open
    TapButton(dialog, IDCANCEL);
  });
  TFileBrowser b(nullptr, nullptr);
  b.SetFilters(kFilters);
  EXPECT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 0);
  ASSERT_EQ(seen.size(), 5u);
  // The root: no "..". (Vorna holds the device's program.)
  EXPECT_EQ(seen[0], (std::vector<std::wstring>{L"Maps", L"Vorna", L"top.mvw"}));
  EXPECT_EQ(seen[1], (std::vector<std::wstring>{L"..", L"Town"}));
  EXPECT_EQ(seen[2], (std::vector<std::wstring>{L"..", L"street.mvw"}));
  EXPECT_EQ(seen[3], (std::vector<std::wstring>{L"..", L"photo.jpg", L"scan.tif"}));
  EXPECT_EQ(seen[4], (std::vector<std::wstring>{L"Maps", L"Vorna"}));  // the patterns stay those chosen
}

TEST_F(FileBrowserTest, OpenReturnsEverySelectedFileInListOrder) {
  Dir("Many/sub");
  std::vector<std::wstring> want;
  for (int i = 0; i < 700; ++i) {
    char name[64];
    snprintf(name, sizeof name, "Many/survey_point_record_%04d.mvw", i);
    File(name);
    wchar_t wide[64];
    swprintf(wide, 64, L"survey_point_record_%04d.mvw", i);
    want.push_back(wide);
  }
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    const int n = int(Names(dialog).size());
    for (int i = 2; i < n; ++i) Select(dialog, i);  // every file, after ".." and the folder
    TapButton(dialog, IDOK);
  });
  TFileBrowser b(nullptr, nullptr);
  b.SetFilters(kFilters);
  b.folder = L"\\Many\\";
  ASSERT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 1);
  EXPECT_EQ(b.fileNames, want);  // more than 16,384 bytes of names, whole
  wchar_t path[256];
  EXPECT_EQ(b.GetFullPathW(path), 34);
  EXPECT_STREQ(path, L"\\Many\\survey_point_record_0000.mvw");
}

TEST_F(FileBrowserTest, SaveNamesExtensionsAndTheReplaceQuestion) {
  File("Work/old.mpj");
  Dir("Work/Folder.mpj");
  int round = 0;
  harness::OnDialog(TFileBrowser::kSaveTemplate, [&](HWND dialog) {
    HWND name = GetDlgItem(dialog, kNameId);
    ++round;
    if (round == 1) {
      wchar_t proposed[64] = {};
      GetWindowTextW(name, proposed, 64);
      EXPECT_STREQ(proposed, L"plan");
      Save(dialog, "browser_save.png");
      TapButton(dialog, IDOK);
    } else if (round == 2) {
      SetWindowTextW(name, L"plan.x");
      TapButton(dialog, IDOK);
    } else if (round == 3) {
      // Bad names, the folder itself and its parent, and an existing folder's name are refused
      // without the replace question.
      for (const wchar_t* bad : {L"", L"a:b", L"x/y", L"q?", L"p|q", L".", L"..", L"Folder.mpj"}) {
        SetWindowTextW(name, bad);
        TapButton(dialog, IDOK);
        EXPECT_TRUE(IsWindow(dialog)) << bad;
      }
      EXPECT_TRUE(harness::MessageBoxes().empty());
      // A tap on a file row copies its name; replacing it is asked, No keeps the dialog.
      TapName(dialog, L"old.mpj");
      wchar_t text[64] = {};
      GetWindowTextW(name, text, 64);
      EXPECT_STREQ(text, L"old.mpj");
      harness::AnswerMessageBox(L"File exists", IDNO);
      TapButton(dialog, IDOK);
      EXPECT_TRUE(IsWindow(dialog));
      harness::AnswerMessageBox(L"File exists", IDYES);
      TapButton(dialog, IDOK);
    }
  });
  TFileBrowser b(nullptr, nullptr);
  b.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon, TFileBrowser::kProgramIcon);
  b.SetFilters(L"Projects\0*.mpj\0");
  b.defaultExtension = L".mpj";
  b.folder = L"\\Work\\";
  b.fileNames = {L"plan"};
  ASSERT_EQ(b.RunSave(TFileBrowser::kSaveTemplate, nullptr), 1);
  EXPECT_EQ(b.fileNames, std::vector<std::wstring>{L"plan.mpj"});
  ASSERT_EQ(b.RunSave(TFileBrowser::kSaveTemplate, nullptr), 1);
  EXPECT_EQ(b.fileNames, std::vector<std::wstring>{L"plan.x"});
  harness::ClearMessageBoxes();
  ASSERT_EQ(b.RunSave(TFileBrowser::kSaveTemplate, nullptr), 1);
  EXPECT_EQ(b.fileNames, std::vector<std::wstring>{L"old.mpj"});
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"File exists - do you want to replace the existing file?");
  EXPECT_EQ(harness::MessageBoxes()[0].caption, L"Confirmation");
}

// A folder of 253 characters and more (with its "\\") cannot be listed: "*.*" after it would
// pass the device's 255. A tap on it beeps and the list stays where it was; given as the start
// folder it shows the root. A folder of 252 is entered and lists its file.
TEST_F(FileBrowserTest, FoldersTooLongToListAreNotEntered) {
  const std::string outer(200, 'o'), fits(49, 'f'), over(50, 'x');
  File(outer + "/" + fits + "/in252.mvw");
  File(outer + "/" + over + "/in253.mvw");
  const std::wstring outerW(200, L'o'), fitsW(49, L'f'), overW(50, L'x');
  std::vector<std::vector<std::wstring>> seen;
  size_t beeps = 0;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    TapName(dialog, outerW);
    TapName(dialog, fitsW);
    seen.push_back(Names(dialog));
    TapName(dialog, L"..");
    beeps = vplat::RecordedBeeps().size();
    TapName(dialog, overW);
    harness::PumpUntilIdle();
    seen.push_back(Names(dialog));
    beeps = vplat::RecordedBeeps().size() - beeps;
    TapButton(dialog, IDCANCEL);
  });
  TFileBrowser b(nullptr, nullptr);
  b.SetFilters(kFilters);
  EXPECT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 0);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (std::vector<std::wstring>{L"..", L"in252.mvw"}));
  EXPECT_EQ(seen[1], (std::vector<std::wstring>{L"..", fitsW, overW}));
  EXPECT_EQ(beeps, 1u);

  std::vector<std::wstring> first;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    first = Names(dialog);
    TapButton(dialog, IDCANCEL);
  });
  b.folder = L"\\" + outerW + L"\\" + overW + L"\\";
  EXPECT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 0);
  EXPECT_EQ(first, (std::vector<std::wstring>{L"Vorna", outerW}));
}

TEST_F(FileBrowserTest, BadStartFoldersShowTheRoot) {
  File("Maps/a.mvw");
  File("top.mvw");
  std::vector<std::wstring> first;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    first = Names(dialog);
    TapButton(dialog, IDCANCEL);
  });
  for (const std::wstring& start :
       {std::wstring(L""), std::wstring(L"Maps"), std::wstring(L"\\missing\\"),
        std::wstring(L"\\top.mvw"), L"\\" + std::wstring(300, L'x')}) {
    TFileBrowser b(nullptr, nullptr);
    b.SetFilters(kFilters);
    b.folder = start;
    EXPECT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 0);
    EXPECT_EQ(first, (std::vector<std::wstring>{L"Maps", L"Vorna", L"top.mvw"})) << start.size();
  }
  // Filter lists without patterns, ",," patterns, an odd string count, an index past the list.
  for (const wchar_t* filter : {L"Maps (*.mvw)\0", L"Odd\0,,\0", L"\0"}) {
    TFileBrowser b(nullptr, nullptr);
    b.SetFilters(filter);
    b.filterIndex = 5;
    EXPECT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 0);
    EXPECT_EQ(first, (std::vector<std::wstring>{L"Maps", L"Vorna"}));
  }
}

TEST_F(FileBrowserTest, BrowseForOpenFileAnswersOkCancelOrTooLong) {
  File("Maps/town.mvw");
  File("Maps/town.txt");
  const std::string deep = "Maps/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  File(deep + "/" + std::string(30, 'n') + ".mvw");
  std::vector<std::wstring> listed;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    listed = Names(dialog);
    TapName(dialog, L"town.mvw");
    TapButton(dialog, IDOK);
  });
  char path[256] = "untouched";
  EXPECT_EQ(BrowseForOpenFile(nullptr, nullptr, L"MVW Files (*.mvw)\0*.mvw\0", "\\Maps", path,
                              sizeof path), 1);
  EXPECT_STREQ(path, "\\Maps\\town.mvw");
  EXPECT_EQ(listed, (std::vector<std::wstring>{L"..", std::wstring(120, L'd'), L"town.mvw"}));

  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    TapName(dialog, std::wstring(120, L'd'));
    TapName(dialog, std::wstring(120, L'e'));
    TapRow(dialog, 1);
    TapButton(dialog, IDOK);
  });
  strcpy(path, "untouched");
  EXPECT_EQ(BrowseForOpenFile(nullptr, nullptr, L"MVW Files (*.mvw)\0*.mvw\0", "\\Maps", path,
                              sizeof path), -1);
  EXPECT_STREQ(path, "untouched");

  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) { TapButton(dialog, IDCANCEL); });
  EXPECT_EQ(BrowseForOpenFile(nullptr, nullptr, L"MVW Files (*.mvw)\0*.mvw\0", "\\Maps", path,
                              sizeof path), 0);
  EXPECT_STREQ(path, "untouched");
}

TEST_F(FileBrowserTest, FullPathsOutsideTheCodePageOrTooLongAreRefused) {
  TFileBrowser b(nullptr, nullptr);
  b.folder = L"\\Карты\\";
  b.fileNames = {L"Город.mvw"};
  char narrow[256];
  EXPECT_GT(b.GetFullPathA(narrow), 0);
  EXPECT_EQ(AnsiToWideString(narrow), L"\\Карты\\Город.mvw");
  b.fileNames = {L"城市.mvw"};  // not in code page 1251
  EXPECT_EQ(b.GetFullPathA(narrow), 0);
  EXPECT_STREQ(narrow, "");
  b.fileNames = {std::wstring(260, L'a')};
  wchar_t wide[512];
  EXPECT_EQ(b.GetFullPathW(wide, 512), 0);
  EXPECT_STREQ(wide, L"");
  // The path page does not follow a Western language: Cyrillic still fits, "é" does not.
  ASSERT_TRUE(SetProgramCodePage(1252));
  b.fileNames = {L"Город.mvw"};
  ASSERT_GT(b.GetFullPathA(narrow), 0);
  EXPECT_STREQ(narrow, "\\\xCA\xE0\xF0\xF2\xFB\\\xC3\xEE\xF0\xEE\xE4.mvw");
  b.fileNames = {L"café.mvw"};
  EXPECT_EQ(b.GetFullPathA(narrow), 0);
}

TEST_F(FileBrowserTest, FolderTreeWithALinkBackToTheRoot) {
  Dir("Storage Card/Maps/Old");
  Dir("Storage Card/Photos");
  Dir("Vorna");
  ASSERT_EQ(symlink(root.c_str(), (root + "/Storage Card/Photos/loop").c_str()), 0);
  ASSERT_EQ(symlink((root + "/Storage Card").c_str(), (root + "/Vorna/card").c_str()), 0);
  int items = 0;
  std::wstring selected;
  harness::OnDialog(TFileBrowser::kFolderTemplate, [&](HWND dialog) {
    HWND tree = GetDlgItem(dialog, kTreeId);
    items = int(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
    HTREEITEM at = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    ASSERT_NE(at, nullptr);
    wchar_t text[64] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = at;
    tv.pszText = text;
    tv.cchTextMax = 64;
    SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
    selected = text;
    Save(dialog, "browser_folder.png");
    TapButton(dialog, IDOK);
  });
  TFileBrowser b(nullptr, nullptr);
  b.folder = L"\\storage card\\MAPS";
  ASSERT_EQ(b.RunFolder(TFileBrowser::kFolderTemplate, nullptr), 1);
  EXPECT_EQ(selected, L"Maps");
  EXPECT_EQ(b.folder, L"\\Storage Card\\Maps\\");
  // My Device; Storage Card, Maps, Old, Photos, loop (the root: on its own chain, so shown but
  // not entered); Vorna, card (Storage Card again, not on this chain: entered once), Maps, Old,
  // Photos, loop.
  EXPECT_EQ(items, 1 + 5 + 2 + 4);
}

TEST_F(FileBrowserTest, ABrowserOpenedInsideAnotherWorks) {
  Dir("Maps");
  File("a.mvw");
  std::wstring inner;
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    harness::OnDialog(TFileBrowser::kFolderTemplate, [&](HWND folderDialog) {
      TapButton(folderDialog, IDOK);  // the root item is selected by its start folder "\"
    });
    TFileBrowser nested(dialog, nullptr);
    nested.folder = L"\\Maps\\";
    EXPECT_EQ(nested.RunFolder(TFileBrowser::kFolderTemplate, nullptr), 1);
    inner = nested.folder;
    // The outer dialog still answers its own taps.
    TapName(dialog, L"a.mvw");
    TapButton(dialog, IDOK);
  });
  TFileBrowser b(nullptr, nullptr);
  b.SetFilters(kFilters);
  ASSERT_EQ(b.RunOpen(TFileBrowser::kOpenTemplate, nullptr), 1);
  EXPECT_EQ(inner, L"\\Maps\\");
  EXPECT_EQ(b.fileNames, std::vector<std::wstring>{L"a.mvw"});
}

}  // namespace
