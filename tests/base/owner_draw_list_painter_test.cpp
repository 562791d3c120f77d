// The owner-drawn list with a recording symbol painter in place of the object library: which
// symbol it asks for where, who frames the grid cells, and rows set as a whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ui/owner_draw_list.h"
#include "platform/harness.h"

namespace {

constexpr int kListId = 1301;
constexpr int kLeft = 10, kTop = 40, kWidth = 100, kHeight = 150;  // 4 grid cells a line
constexpr int kHeader = 18, kRow = 16;  // the device list view's header and row heights
constexpr COLORREF kBlack = 0x000000;

const DLGITEMTEMPLATEW kItems[] = {
    {L"SysListView32", kListId, nullptr, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL, 0,
     kLeft, kTop, kWidth, kHeight},
};
const DLGTEMPLATEW kDialog = {DLGTEMPLATE_MAGIC, 8811, WS_POPUP, 0, L"Types", nullptr, 0,
                              0, 0, 240, 320, kItems, 1};
const TColumnDesc kColumns[2] = {{L"a", 60}, {L"b", 40}};

class Recorder final : public ISymbolPainter {
 public:
  bool HasBitmaps() const override { return bitmaps; }
  void DrawRowSymbol(HDC, uint16_t code, const RECT& rc) override {
    rows.push_back({code, rc.left, rc.top, rc.right, 0});
  }
  void DrawCellSymbol(HDC, uint16_t code, int x, int y, int cell, int frame) override {
    cells.push_back({code, x, y, cell, frame});
  }
  struct Call {
    int code, a, b, c, d;
    bool operator==(const Call&) const = default;
  };
  bool bitmaps = false;
  std::vector<Call> rows, cells;
};

TOwnerDrawList* g_list = nullptr;

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_DRAWITEM) {
    g_list->DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    g_list->DrawIconGrid(dc);
    EndPaint(dialog, &ps);
    return TRUE;
  }
  return FALSE;
}

class PainterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    g_list = &list;
    dialog = CreateDialogIndirectParamW(nullptr, &kDialog, nullptr, Proc, 0);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(list.Create(nullptr, dialog, kColumns, 2, kListId, &painter), nullptr);
    ShowWindow(dialog, SW_SHOW);
  }
  void TearDown() override {
    DestroyWindow(dialog);
    harness::Stop();
    g_list = nullptr;
  }
  void Show() {
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    harness::PumpUntilIdle();
  }
  std::vector<TOwnerDrawRow> Rows(std::vector<uint16_t> codes) {
    std::vector<TOwnerDrawRow> rows;
    for (uint16_t c : codes) rows.push_back({c + 0x10000u, c, {L"x", L"y"}});
    return rows;
  }

  Recorder painter;
  TOwnerDrawList list;
  HWND dialog = nullptr;
};

}  // namespace

TEST_F(PainterTest, EachRowAsksForItsSymbolInColumnZero) {
  EXPECT_EQ(list.SetRows(Rows({9, 17})), 2);
  Show();
  // Item rectangles are in the list view's own pixels, below its header.
  EXPECT_EQ(painter.rows, (std::vector<Recorder::Call>{{9, 0, kHeader, 60, 0},
                                                       {17, 0, kHeader + kRow, 60, 0}}));
  EXPECT_TRUE(painter.cells.empty());
  // Rows set again replace the old ones; the data keeps its low 16 bits.
  EXPECT_EQ(list.SetRows(Rows({25})), 1);
  EXPECT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Row(0)->data, 25u);
  EXPECT_EQ(list.SetRows({{1, 1, {L"one column"}}}), 0);  // a row of the wrong shape
  EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(PainterTest, GridCellsAskForTheirSymbolsAndTheListFramesVectorOnes) {
  list.SetRows(Rows({9, 17, 25, 33, 41}));
  list.SelectByCode(17);
  list.SetIconMode(1);
  Show();
  // 100 / 24 = 4 cells a line at a pitch of 25: the fifth opens line 1.
  ASSERT_EQ(painter.cells.size(), 5u);
  EXPECT_EQ(painter.cells[0], (Recorder::Call{9, kLeft, kTop, 24, 1}));
  EXPECT_EQ(painter.cells[1], (Recorder::Call{17, kLeft + 25, kTop, 24, 2}));
  EXPECT_EQ(painter.cells[4], (Recorder::Call{41, kLeft, kTop + 25, 24, 1}));
  // Vector symbols: the list draws the frames, one pixel outside a cell, two on the selected.
  EXPECT_EQ(harness::ScreenPixel(kLeft - 1, kTop + 12), kBlack);
  EXPECT_EQ(harness::ScreenPixel(kLeft + 25, kTop + 12), kBlack);

  // Bitmap symbols frame themselves: the list draws none.
  painter.bitmaps = true;
  painter.cells.clear();
  Show();
  EXPECT_EQ(painter.cells.size(), 5u);
  EXPECT_NE(harness::ScreenPixel(kLeft - 1, kTop + 12), kBlack);
  EXPECT_NE(harness::ScreenPixel(kLeft + 25, kTop + 12), kBlack);
}
