// The owner-drawn list of object types on a real dialog of the device: its row table against the
// list view, taps and keys, the painted rows (symbols, colours, separators, texts) and the
// symbol grid with its taps, the symbols drawn by the object library's painter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_utils.h"
#include "base/ui/owner_draw_list.h"
#include "maps/library_symbols.h"
#include "maps/object_library.h"
#include "platform/harness.h"
#include "tools/sampledata/mol_writer.h"

namespace {

using sample::Bytes;

constexpr int kListId = 1201;
constexpr int kTemplateId = 8801;
// The list view's place on the screen: the dialog lies at the screen's origin, as the dialogs
// that use symbol mode do.
constexpr int kLeft = 10, kTop = 40, kWidth = 200, kHeight = 150;
constexpr int kHeader = 18, kRow = 16;  // the device list view's header and row heights
constexpr int kCol0 = 100, kCol1 = 90;

constexpr COLORREF kBlack = 0x000000, kWhite = 0xFFFFFF, kBlue = 0xFF0000;
constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00A000;

const DLGITEMTEMPLATEW kItems[] = {
    {L"SysListView32", kListId, nullptr,
     WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, kLeft,
     kTop, kWidth, kHeight},
};
const DLGTEMPLATEW kDialog = {DLGTEMPLATE_MAGIC, kTemplateId, WS_POPUP, 0, L"Types", nullptr, 0,
                              0, 0, 240, 320, kItems, 1};
const DLGTEMPLATEW kNoList = {DLGTEMPLATE_MAGIC, kTemplateId + 1, WS_POPUP, 0, L"Empty", nullptr,
                              0, 0, 0, 240, 320, nullptr, 0};

const TColumnDesc kColumns[2] = {{L"Тип", kCol0}, {L"Код", kCol1}};

TOwnerDrawList* g_list = nullptr;
std::vector<int> g_holds;  // HitTest's answers, one a pen-down in symbol mode

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM:
      g_list->DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      g_list->DrawIconGrid(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      if (g_list->symbolMode) g_holds.push_back(g_list->HitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return TRUE;
  }
  return FALSE;
}

// Point styles 9, 17 and 25 (9 and 17 with symbol 1, 25 with none of its own), a line style 18;
// a filled red square as vector symbol 1 (design size 10); with bitmaps, solid green 24 x 24
// symbols for the points.
void LoadLibrary(TObjectLibrary& library, TPalette& palette, bool bitmaps) {
  const Bytes colours = sample::PaletteBytes(sample::DemoPalette());
  palette.SetColors(colours.data(), colours.size());
  const Bytes green = sample::Bitmap24([](int, int) { return 3; });
  std::vector<sample::MolStyle> styles = {
      {9, sample::PointKind(1), "Well", 0, green},
      {17, sample::PointKind(1), "Spring", 0, green},
      {18, sample::SimpleLineKind(0, 2, 1), "Fence", 0, {}},
  };
  const Bytes styleBytes = sample::StyleSection(styles, bitmaps ? 2 : 0);
  library.styles.SetFlags(false, bitmaps);
  ASSERT_EQ(library.styles.Load(styleBytes.data(), styleBytes.size()), 0);
  library.styles.SetPalette(&palette);
  const Bytes symbolBytes =
      sample::SymbolSection({{10, {{1, true, {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}}}}}});
  ASSERT_EQ(library.symbols.Load(symbolBytes.data(), symbolBytes.size()), 0);
  library.symbols.SetPalette(&palette);
}

class OwnerDrawListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    SetProgramCodePage(1251);
    g_list = &list;
    g_holds.clear();
  }
  void TearDown() override {
    if (dialog) DestroyWindow(dialog);
    harness::Stop();
    g_list = nullptr;
  }

  void Open(bool bitmaps, bool withLibrary = true) {
    LoadLibrary(library, palette, bitmaps);
    dialog = CreateDialogIndirectParamW(nullptr, &kDialog, nullptr, Proc, 0);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(list.Create(nullptr, dialog, kColumns, 2, kListId, withLibrary ? &symbols : nullptr),
              GetDlgItem(dialog, kListId));
    ShowWindow(dialog, SW_SHOW);
  }
  int Add(const wchar_t* name, const wchar_t* code, uint16_t type, uint32_t data) {
    const wchar_t* texts[2] = {name, code};
    return list.AddRow(texts, 2, type, data);
  }
  void Show() {
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    harness::PumpUntilIdle();
  }
  LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) {
    return SendMessageW(list.list, message, w, l);
  }
  int Mark() { return int(Send(LVM_GETSELECTIONMARK)); }
  static int RowTop(int row) { return kTop + kHeader + kRow * row; }
  // Pixels of colour c in the screen rectangle [x1, x2) x [y1, y2).
  static int Count(COLORREF c, int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) n += harness::ScreenPixel(x, y) == c;
    return n;
  }
  // Pixels of text ink, which is anti-aliased: those darker than mid-grey.
  static int Ink(int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) {
        const COLORREF c = harness::ScreenPixel(x, y);
        n += (c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF) < 3 * 128;
      }
    return n;
  }
  static void Save(const char* name) {
    ASSERT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/" + name));
  }

  TPalette palette;
  TObjectLibrary library;
  TLibrarySymbols symbols{library};
  TOwnerDrawList list;
  HWND dialog = nullptr;
};

}  // namespace

TEST_F(OwnerDrawListTest, RowsFollowTheListView) {
  Open(true);
  // A number of texts other than the number of columns adds nothing.
  const wchar_t* three[3] = {L"a", L"b", L"c"};
  EXPECT_EQ(list.AddRow(three, 3, 9, 1), 0);
  EXPECT_EQ(list.AddRow(three, 1, 9, 1), 0);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(Send(LVM_GETITEMCOUNT), 0);

  for (int i = 0; i < 7; ++i) ASSERT_EQ(Add(L"Колодец", L"", uint16_t(9 + 8 * i), 0x10000u + uint32_t(i)), 1);
  EXPECT_EQ(list.RowCount(), 7);
  EXPECT_EQ(list.capacity, 10);  // grown by 5
  EXPECT_EQ(Send(LVM_GETITEMCOUNT), 7);
  EXPECT_EQ(list.Row(3)->data, 3u);  // the low 16 bits
  EXPECT_EQ(list.Row(3)->texts, (std::vector<std::wstring>{L"Колодец", L""}));
  EXPECT_EQ(list.GetSelectedRow(), nullptr);

  // The items carry nothing: their texts are asked of the dialog on demand.
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iSubItem = 1;
  wchar_t buffer[16] = {};
  item.pszText = buffer;
  item.cchTextMax = 16;
  EXPECT_EQ(Send(LVM_GETITEMW, 0, LPARAM(&item)), TRUE);
  EXPECT_EQ(item.pszText, LPSTR_TEXTCALLBACKW);

  // A tap on the third row, then a key down.
  harness::Tap(50, RowTop(2) + 5);
  ASSERT_NE(list.GetSelectedRow(), nullptr);
  EXPECT_EQ(list.GetSelectedRow()->code, 9 + 16);
  SetFocus(list.list);
  harness::Key(VK_DOWN);
  EXPECT_EQ(list.GetSelectedRow()->code, 9 + 24);

  // Selecting by code: found, or nothing changes.
  EXPECT_EQ(list.SelectByCode(9 + 40), 1);
  EXPECT_EQ(Mark(), 5);
  EXPECT_EQ(Send(LVM_GETITEMSTATE, 5, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(Send(LVM_GETITEMSTATE, 3, LVIS_SELECTED), 0);
  EXPECT_EQ(list.SelectByCode(10), 0);
  EXPECT_EQ(Mark(), 5);
  EXPECT_EQ(Send(LVM_GETITEMSTATE, 5, LVIS_SELECTED), LVIS_SELECTED);

  // Deleting closes the gap in both; an index outside deletes nothing.
  list.DeleteRow(1);
  EXPECT_EQ(list.RowCount(), 6);
  EXPECT_EQ(Send(LVM_GETITEMCOUNT), 6);
  EXPECT_EQ(list.Row(1)->code, 9 + 16);
  list.DeleteRow(6);
  list.DeleteRow(-1);
  EXPECT_EQ(list.RowCount(), 6);

  list.Clear();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(Send(LVM_GETITEMCOUNT), 0);
  EXPECT_EQ(list.capacity, 10);
  EXPECT_EQ(list.GetSelectedRow(), nullptr);
}

TEST_F(OwnerDrawListTest, CreateOnAnotherDialog) {
  Open(true);
  ASSERT_EQ(Add(L"a", L"1", 9, 1), 1);
  // A dialog without the item: no list, and rows are refused.
  HWND empty = CreateDialogIndirectParamW(nullptr, &kNoList, nullptr, Proc, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(list.Create(nullptr, empty, kColumns, 2, kListId, &symbols), nullptr);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(Add(L"a", L"1", 9, 1), 0);
  EXPECT_EQ(list.SelectByCode(9), 0);
  EXPECT_EQ(list.HitTest(50, 50), 0);
  DestroyWindow(empty);
  // Made again on the first dialog, the list starts empty.
  EXPECT_NE(list.Create(nullptr, dialog, kColumns, 2, kListId, &symbols), nullptr);
  EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(OwnerDrawListTest, PaintsBitmapSymbolsColoursAndTexts) {
  Open(true);
  ASSERT_EQ(Add(L"Колодец", L"9", 9, 0), 1);
  ASSERT_EQ(Add(L"Родник", L"17", 17, 1), 1);
  ASSERT_EQ(Add(L"Нет стиля", L"25", 25, 2), 1);
  list.SelectByCode(17);
  Show();
  Save("owner_draw_list_rows.png");

  // Row 0, not selected: the 14 x 14 bitmap symbol at the row's top left, on white.
  EXPECT_EQ(harness::ScreenPixel(kLeft, RowTop(0)), kGreen);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 13, RowTop(0) + 13), kGreen);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 14, RowTop(0) + 5), kWhite);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 5, RowTop(0) + 15), kWhite);
  // The texts begin 23 pixels in (20 for the symbol, 3 inset) and are black on white.
  EXPECT_GT(Ink(kLeft + 23, RowTop(0), kLeft + kCol0, RowTop(1)), 20);
  EXPECT_EQ(Ink(kLeft + 14, RowTop(0), kLeft + 23, RowTop(1)), 0);
  // A black separator on column 1's left edge over the whole row.
  for (int y = RowTop(0); y < RowTop(1); ++y) EXPECT_EQ(harness::ScreenPixel(kLeft + kCol0, y), kBlack) << y;
  EXPECT_GT(Ink(kLeft + kCol0 + 3, RowTop(0), kLeft + kCol0 + kCol1, RowTop(1)), 3);
  EXPECT_EQ(Ink(kLeft + kCol0 + 1, RowTop(0), kLeft + kCol0 + 3, RowTop(1)), 0);

  // Row 1, selected: blue background, white texts, the symbol all the same.
  EXPECT_EQ(harness::ScreenPixel(kLeft + 5, RowTop(1) + 5), kGreen);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 17, RowTop(1) + 5), kBlue);
  EXPECT_EQ(harness::ScreenPixel(kLeft + kCol0 + kCol1 - 2, RowTop(1) + 8), kBlue);
  EXPECT_GT(Count(kWhite, kLeft + 23, RowTop(1), kLeft + kCol0, RowTop(2)), 10);
  EXPECT_EQ(Count(kBlack, kLeft + 23, RowTop(1), kLeft + kCol0, RowTop(2)), 0);
  EXPECT_EQ(harness::ScreenPixel(kLeft + kCol0, RowTop(1) + 8), kBlack);

  // Row 2: a code without style shows an empty cell where the symbol goes, and its texts.
  EXPECT_EQ(Count(kGreen, kLeft, RowTop(2), kLeft + 20, RowTop(3)), 0);
  EXPECT_GT(Ink(kLeft + 23, RowTop(2), kLeft + kCol0, RowTop(3)), 20);
}

TEST_F(OwnerDrawListTest, PaintsVectorSymbols) {
  Open(false);
  ASSERT_EQ(Add(L"Колодец", L"9", 9, 0), 1);
  ASSERT_EQ(Add(L"Нет стиля", L"25", 25, 1), 1);
  ASSERT_EQ(Add(L"Забор", L"18", 18, 2), 1);
  Show();
  Save("owner_draw_list_vector.png");
  // The red square (scale 1.2: 12 pixels) centred on (left + 10, middle of the row).
  const int mid = RowTop(0) + kRow / 2;
  EXPECT_EQ(harness::ScreenPixel(kLeft + 10, mid), kRed);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 5, mid - 5), kRed);
  EXPECT_GT(Count(kRed, kLeft, RowTop(0), kLeft + 20, RowTop(1)), 100);
  // No style, or a line style (which names no symbol): the texts without a symbol.
  for (int row : {1, 2}) {
    EXPECT_EQ(Count(kRed, kLeft, RowTop(row), kLeft + 20, RowTop(row + 1)), 0) << row;
    EXPECT_GT(Ink(kLeft + 23, RowTop(row), kLeft + kCol0, RowTop(row + 1)), 20) << row;
  }
}

TEST_F(OwnerDrawListTest, WithoutALibraryNothingIsPainted) {
  Open(true, false);
  ASSERT_EQ(Add(L"Колодец", L"9", 9, 0), 1);
  list.SelectByCode(9);
  Show();
  EXPECT_EQ(Count(kBlue, kLeft, RowTop(0), kLeft + kWidth, RowTop(1)), 0);
  EXPECT_EQ(Count(kBlack, kLeft, RowTop(0), kLeft + kWidth, RowTop(1)), 0);
  list.SetIconMode(1);
  Show();
  EXPECT_EQ(Count(kGreen, kLeft, kTop, kLeft + kWidth, kTop + kHeight), 0);
}

TEST_F(OwnerDrawListTest, BitmapSymbolGrid) {
  Open(true);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(Add(L"Колодец", L"9", 9, uint32_t(i)), 1);
  list.SelectByCode(9);  // item 0
  list.SetIconMode(1);
  EXPECT_FALSE(IsWindowVisible(list.list));
  Show();
  Save("owner_draw_list_grid.png");
  // 200 / 24 = 8 a line at a pitch of 25: item 9 is the second of line 1.
  const auto cellX = [](int k) { return kLeft + 25 * k; };
  const auto cellY = [](int i) { return kTop + 25 * i; };
  EXPECT_EQ(harness::ScreenPixel(cellX(1) + 12, cellY(1) + 12), kGreen);
  EXPECT_NE(harness::ScreenPixel(cellX(2) + 12, cellY(1) + 12), kGreen);
  EXPECT_EQ(harness::ScreenPixel(cellX(7) + 12, cellY(0) + 12), kGreen);
  // Normal symbols have a 1-pixel frame just outside the cell; the selected one a 2-pixel
  // frame on the cell's edge.
  EXPECT_EQ(harness::ScreenPixel(cellX(3) - 1, cellY(0) + 12), kBlack);
  EXPECT_EQ(harness::ScreenPixel(cellX(3), cellY(0) + 12), kGreen);
  EXPECT_EQ(harness::ScreenPixel(cellX(0), cellY(0) + 12), kBlack);

  // A tap on item 9 selects it; a tap below the last item changes nothing; neither is a hold.
  harness::Tap(cellX(1) + 5, cellY(1) + 5);
  EXPECT_EQ(Mark(), 9);
  EXPECT_EQ(list.GetSelectedRow()->data, 9u);
  harness::Tap(cellX(2) + 5, cellY(1) + 5);
  harness::Tap(cellX(0) + 5, cellY(3) + 5);
  EXPECT_EQ(Mark(), 9);
  EXPECT_EQ(Send(LVM_GETITEMSTATE, 9, LVIS_SELECTED), LVIS_SELECTED);
  EXPECT_EQ(g_holds, (std::vector<int>{0, 0, 0}));
  harness::PumpUntilIdle();
  EXPECT_EQ(harness::ScreenPixel(cellX(1), cellY(1) + 12), kBlack);  // repainted as selected
  EXPECT_EQ(harness::ScreenPixel(cellX(0), cellY(0) + 12), kGreen);

  // The pen held on a symbol is a tap-and-hold; outside the list's rectangle it never is.
  g_holds.clear();
  harness::PenDown(cellX(4) + 5, cellY(0) + 5);
  harness::PenUp(cellX(4) + 5, cellY(0) + 5);
  harness::PenDown(5, 5);
  harness::PenUp(5, 5);
  harness::PenDown(kLeft, kTop + 5);  // on the edge: not strictly inside
  harness::PenUp(kLeft, kTop + 5);
  EXPECT_EQ(g_holds, (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(Mark(), 4);

  // Back to the list: shown again, no grid drawn.
  list.SetIconMode(0);
  EXPECT_TRUE(IsWindowVisible(list.list));
}

TEST_F(OwnerDrawListTest, VectorSymbolGridAndFewLines) {
  Open(false);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Add(L"x", L"y", i == 1 ? 25 : 9, uint32_t(i)), 1);
  list.SelectByCode(25);  // item 1
  list.SetIconMode(1);
  Show();
  // Scale 2.2: the square spans 22 pixels about the cell's centre.
  EXPECT_EQ(harness::ScreenPixel(kLeft + 12, kTop + 12), kRed);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 2, kTop + 2), kRed);
  EXPECT_EQ(harness::ScreenPixel(kLeft - 1, kTop + 12), kBlack);
  // The selected cell without style: no symbol, the 2-pixel frame on its edge.
  EXPECT_EQ(Count(kRed, kLeft + 25, kTop, kLeft + 50, kTop + 25), 0);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 25, kTop + 12), kBlack);
  // Nothing past the third item.
  EXPECT_EQ(Count(kRed, kLeft + 75, kTop, kLeft + kWidth, kTop + kHeight), 0);
  EXPECT_EQ(Count(kBlack, kLeft + 77, kTop + 26, kLeft + kWidth, kTop + kHeight), 0);
}
