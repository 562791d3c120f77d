// The list-view wrapper on a real dialog of the device: columns, rows with images, texts and
// owned data blocks, taps and keys, and that every block is freed exactly once, whether the
// list is cleared, attached again, destroyed with its dialog or the wrapper goes first.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/ui/list_view_ctl.h"
#include "platform/harness.h"

namespace {

constexpr int kListId = 1301;
constexpr int kTemplateId = 8811;
constexpr int kLeft = 0, kTop = 30, kWidth = 240, kHeight = 200;
constexpr int kHeader = 18, kRow = 16;  // the device list view's header and (image) row heights

const DLGITEMTEMPLATEW kItems[] = {
    {L"SysListView32", kListId, nullptr, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
     0, kLeft, kTop, kWidth, kHeight},
};
const DLGTEMPLATEW kDialog = {DLGTEMPLATE_MAGIC, kTemplateId, WS_POPUP, 0, L"Files", nullptr, 0,
                              0, 0, 240, 320, kItems, 1};

const TColumnDesc kColumns[3] = {{L"Имя", 120}, {L"Размер", 60}, {L"Дата", 60}};

int g_live = 0;  // data blocks alive

struct FileRow : TListRowData {
  explicit FileRow(int n) : size(n) { ++g_live; }
  ~FileRow() override { --g_live; }
  int size;
};

INT_PTR CALLBACK Proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class ListViewCtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    g_live = 0;
    dialog = CreateDialogIndirectParamW(nullptr, &kDialog, nullptr, Proc, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
  }
  void TearDown() override {
    if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
    harness::Stop();
  }
  int Add(TListViewCtl& ctl, const wchar_t* name, int size, int image = 0) {
    const std::wstring bytes = std::to_wstring(size);
    const wchar_t* texts[3] = {name, bytes.c_str(), L"01.02.2024"};
    return ctl.AddRow(texts, image, std::make_unique<FileRow>(size));
  }
  static std::wstring Text(HWND list, int item, int sub) {
    wchar_t buffer[64] = {};
    LVITEMW lv{};
    lv.iSubItem = sub;
    lv.pszText = buffer;
    lv.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(item), LPARAM(&lv));
    return buffer;
  }
  static int SizeOf(const TListViewCtl& ctl, int index) {
    const auto* row = static_cast<const FileRow*>(ctl.GetRowData(index));
    return row ? row->size : -1;
  }

  HWND dialog = nullptr;
};

}  // namespace

TEST_F(ListViewCtlTest, ColumnsRowsAndData) {
  TListViewCtl ctl;
  HWND list = ctl.Attach(nullptr, dialog, kColumns, 3, kListId);
  ASSERT_EQ(list, GetDlgItem(dialog, kListId));
  wchar_t title[32] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.pszText = title;
  column.cchTextMax = 32;
  ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 1, LPARAM(&column)));
  EXPECT_EQ(std::wstring(title), L"Размер");
  EXPECT_EQ(column.cx, 60);
  EXPECT_EQ(column.fmt, LVCFMT_LEFT);

  ASSERT_EQ(Add(ctl, L"a.mdm", 100, 2), 1);
  ASSERT_EQ(Add(ctl, L"b.mdm", 200, 3), 1);
  const wchar_t* gaps[3] = {L"c.mdm", nullptr, nullptr};  // missing texts show empty
  ASSERT_EQ(ctl.AddRow(gaps, 1, std::make_unique<FileRow>(300)), 1);
  EXPECT_EQ(ctl.rows, 3);
  EXPECT_EQ(g_live, 3);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Text(list, 1, 0), L"b.mdm");
  EXPECT_EQ(Text(list, 1, 1), L"200");
  EXPECT_EQ(Text(list, 1, 2), L"01.02.2024");
  EXPECT_EQ(Text(list, 2, 1), L"");
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = 1;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMW, 0, LPARAM(&item)));
  EXPECT_EQ(item.iImage, 3);

  EXPECT_EQ(SizeOf(ctl, 0), 100);
  EXPECT_EQ(SizeOf(ctl, 2), 300);
  EXPECT_EQ(ctl.GetRowData(3), nullptr);
  EXPECT_EQ(ctl.GetRowData(-1), nullptr);

  // A tap on the second row, a key down: the selected row's data is the one at the mark.
  harness::Tap(40, kTop + kHeader + kRow + 5);
  EXPECT_EQ(SizeOf(ctl, int(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0))), 200);
  SetFocus(list);
  harness::Key(VK_DOWN);
  EXPECT_EQ(SizeOf(ctl, int(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0))), 300);
  harness::PumpUntilIdle();
  ASSERT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/list_view_ctl.png"));

  ctl.Clear();
  EXPECT_EQ(g_live, 0);
  EXPECT_EQ(ctl.rows, 0);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(ctl.GetRowData(0), nullptr);
}

TEST_F(ListViewCtlTest, BlocksAreFreedOnce) {
  {
    TListViewCtl ctl;
    ASSERT_NE(ctl.Attach(nullptr, dialog, kColumns, 3, kListId), nullptr);
    Add(ctl, L"a", 1);
    Add(ctl, L"b", 2);
    // Attaching again (the dialog opened anew) frees the old rows first.
    ASSERT_NE(ctl.Attach(nullptr, dialog, kColumns, 3, kListId), nullptr);
    EXPECT_EQ(g_live, 0);
    Add(ctl, L"c", 3);
    EXPECT_EQ(g_live, 1);
  }
  EXPECT_EQ(g_live, 0);  // the destructor clears

  // The dialog goes before the wrapper is cleared: the blocks are still freed, and the dead list
  // takes no more rows (a refused row's block is freed at once).
  TListViewCtl ctl;
  ASSERT_NE(ctl.Attach(nullptr, dialog, kColumns, 3, kListId), nullptr);
  Add(ctl, L"a", 1);
  DestroyWindow(dialog);
  dialog = nullptr;
  EXPECT_EQ(Add(ctl, L"b", 2), 0);
  EXPECT_EQ(g_live, 1);
  EXPECT_EQ(ctl.GetRowData(0), nullptr);
  ctl.Clear();
  EXPECT_EQ(g_live, 0);
}

TEST_F(ListViewCtlTest, NoSuchItem) {
  TListViewCtl ctl;
  EXPECT_EQ(ctl.Attach(nullptr, dialog, kColumns, 3, kListId + 1), nullptr);
  EXPECT_EQ(Add(ctl, L"a", 1), 0);
  EXPECT_EQ(g_live, 0);
  EXPECT_EQ(ctl.rows, 0);
}
