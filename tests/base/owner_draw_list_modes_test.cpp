// The owner-drawn list's two view modes in a dialog that does not lie at the screen's origin,
// with a painter of plain coloured symbols: taps on the symbol grid, a list too narrow for one
// cell, finding a row by its key and the notification that follows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ui/owner_draw_list.h"
#include "platform/harness.h"
#include "platform/win.h"

namespace {

constexpr int kListId = 1401;
constexpr int kDialogY = 60;  // the dialog's top on the screen
constexpr int kLeft = 10, kTop = 20, kWidth = 200, kHeight = 150;  // the list in the dialog

const TColumnDesc kColumns[2] = {{L"Тип", 110}, {L"Код", 80}};

// Squares in a colour made from the code: the symbols stay the painter's business.
struct SquarePainter final : ISymbolPainter {
  bool HasBitmaps() const override { return false; }
  static COLORREF Colour(uint16_t code) { return RGB(40 * (code % 6), 200 - 30 * (code % 5), 160); }
  void Square(HDC dc, uint16_t code, int x, int y, int size) {
    RECT rc{x, y, x + size, y + size};
    HBRUSH brush = CreateSolidBrush(Colour(code));
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
  }
  void DrawRowSymbol(HDC dc, uint16_t code, const RECT& rc) override {
    Square(dc, code, rc.left + 3, rc.top + 1, 12);
  }
  void DrawCellSymbol(HDC dc, uint16_t code, int x, int y, int cell, int) override {
    Square(dc, code, x + 3, y + 3, cell - 6);
  }
};

TOwnerDrawList* g_list = nullptr;
std::vector<int> g_changed;  // items of LVN_ITEMCHANGED that became selected

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
      if (g_list->GetViewMode()) g_list->HitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (nm->hdr.code == LVN_ITEMCHANGED && (nm->uNewState & LVIS_SELECTED) &&
          !(nm->uOldState & LVIS_SELECTED))
        g_changed.push_back(nm->iItem);
      return TRUE;
    }
  }
  return FALSE;
}

class ListModesTest : public ::testing::Test {
 protected:
  void Open(int listWidth) {
    harness::Start();
    g_list = &list;
    g_changed.clear();
    items[0] = {L"SysListView32", kListId, nullptr,
                WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                0, kLeft, kTop, short(listWidth), kHeight};
    tmpl = {DLGTEMPLATE_MAGIC, 8821, WS_POPUP, 0, L"Types", nullptr, 0, 0, 0, 240, 250, items, 1};
    dialog = CreateDialogIndirectParamW(nullptr, &tmpl, nullptr, Proc, 0);
    ASSERT_NE(dialog, nullptr);
    MoveWindow(dialog, 0, kDialogY, 240, 250, TRUE);
    ShowWindow(dialog, SW_SHOW);
    ASSERT_NE(list.Create(nullptr, dialog, kColumns, 2, kListId, &painter), nullptr);
    for (int i = 0; i < 12; ++i) {
      const std::wstring name = L"Тип " + std::to_wstring(i), code = std::to_wstring(i + 1);
      const wchar_t* texts[2] = {name.c_str(), code.c_str()};
      ASSERT_EQ(list.AddRow(texts, 2, uint16_t(i + 1), 0x10000 + 100 + i, 7 * i), 1);
    }
    harness::PumpUntilIdle();
  }
  void TearDown() override {
    if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
    g_list = nullptr;
    harness::Stop();
  }
  int Mark() { return int(SendMessageW(list.list, LVM_GETSELECTIONMARK, 0, 0)); }
  // Screen point inside grid cell (line i, column k).
  static POINT Cell(int i, int k) { return {kLeft + 25 * k + 8, kDialogY + kTop + 25 * i + 8}; }

  TOwnerDrawList list;
  SquarePainter painter;
  DLGITEMTEMPLATEW items[1]{};
  DLGTEMPLATEW tmpl{};
  HWND dialog = nullptr;
};

TEST_F(ListModesTest, SymbolGridTapsInADialogBelowTheOrigin) {
  Open(kWidth);
  EXPECT_EQ(list.GetViewMode(), 0);
  EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/list_rows.png"));
  list.SetViewMode(1);
  EXPECT_EQ(list.GetViewMode(), 1);
  EXPECT_FALSE(IsWindowVisible(list.list));
  harness::PumpUntilIdle();
  // The first cell is drawn at the list's place in the dialog, not 60 pixels higher.
  EXPECT_EQ(harness::ScreenPixel(Cell(0, 0).x, Cell(0, 0).y), SquarePainter::Colour(1));
  // 200 / 24 = 8 a line: item 9 is line 1, column 1.
  harness::Tap(Cell(1, 1).x, Cell(1, 1).y);
  EXPECT_EQ(Mark(), 9);
  const int frameX = kLeft + 25, frameY = kDialogY + kTop + 25 + 12;  // inside its 2-px frame
  EXPECT_EQ(harness::ScreenPixel(frameX, frameY), RGB(0, 0, 0));
  harness::Tap(Cell(0, 0).x, Cell(0, 0).y);  // the first cell
  EXPECT_EQ(Mark(), 0);
  EXPECT_NE(harness::ScreenPixel(frameX, frameY), RGB(0, 0, 0));  // the old frame is gone
  harness::Tap(Cell(1, 5).x, Cell(1, 5).y);  // past the last item: nothing changes
  EXPECT_EQ(Mark(), 0);
  harness::PumpUntilIdle();
  EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/list_symbols.png"));
  list.SetViewMode(0);
  EXPECT_TRUE(IsWindowVisible(list.list));
}

TEST_F(ListModesTest, TooNarrowForOneCellDrawsAndSelectsNothing) {
  Open(20);
  list.SetViewMode(1);
  harness::PumpUntilIdle();
  harness::Tap(kLeft + 8, kDialogY + kTop + 8);
  EXPECT_EQ(Mark(), -1);
  EXPECT_NE(harness::ScreenPixel(kLeft + 8, kDialogY + kTop + 8), SquarePainter::Colour(1));
}

TEST_F(ListModesTest, FindRowByKeyNotifiesTheDialog) {
  Open(kWidth);
  EXPECT_EQ(list.FindRow(104), 4);  // keys are the low 16 bits of what was added
  EXPECT_EQ(Mark(), 4);
  EXPECT_EQ(g_changed, std::vector<int>{4});
  EXPECT_EQ(list.GetSelectedRow()->symbol, 28u);
  EXPECT_EQ(list.FindRow(0x10000 + 111), 11);
  EXPECT_EQ(list.FindRow(99), -1);
  EXPECT_EQ(Mark(), 11);
  EXPECT_EQ(g_changed, (std::vector<int>{4, 11}));
  // Selecting by code still works beside it; deleting shifts the keys' rows.
  EXPECT_EQ(list.SelectByCode(3), 1);
  EXPECT_EQ(Mark(), 2);
  list.DeleteRow(-1);
  list.DeleteRow(0);
  EXPECT_EQ(list.RowCount(), 11);
  EXPECT_EQ(list.FindRow(104), 3);
  list.Clear();
  EXPECT_EQ(list.FindRow(104), -1);
}

}  // namespace

namespace {

// At 226-239 pixels nine cells are counted a line, but the ninth ends at 225: the pixels after
// it belong to the ninth cell, not to the next line's first.
TEST_F(ListModesTest, TapPastTheLastCellOfALineSelectsThatCell) {
  const int widths[] = {226, 229, 231};  // the dialog ends at x = 240
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      TearDown();  // the fixture closes the last one
      dialog = nullptr;
    }
    Open(widths[i]);
    list.SetViewMode(1);
    harness::PumpUntilIdle();
    harness::Tap(kLeft + widths[i] - 2, kDialogY + kTop + 8);
    EXPECT_EQ(Mark(), 8) << widths[i];
  }
}

}  // namespace
