// The grid in a real window of the device: rectangles, spans, hit tests, scrolling by the scroll
// bars' messages, and editing a cell by tapping and typing as a person would.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text_utils.h"
#include "base/ui/grid.h"
#include "platform/harness.h"
#include "platform/win.h"

namespace {

constexpr int kGridX = 0, kGridY = 40, kGridW = 240, kGridH = 200;

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    SetProgramCodePage(1251);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"GridHost";
    wc.hbrBackground = HBRUSH(GetStockObject(LTGRAY_BRUSH));
    RegisterClassW(&wc);
    host = CreateWindowExW(0, L"GridHost", L"", WS_VISIBLE | WS_POPUP, 0, 0, 240, 320, nullptr,
                           nullptr, nullptr, nullptr);
    grid = std::make_unique<TGrid>();
    ASSERT_EQ(grid->Create(host, nullptr), 1);
    grid->Move(kGridX, kGridY, kGridW, kGridH);
    Fill(30);
  }
  void TearDown() override {
    grid.reset();
    DestroyWindow(host);
    harness::Stop();
  }
  // rows x 3: widths 80, 70, 60; texts "r.c".
  void Fill(int rows) {
    grid->SetSize(rows, 3);
    const int widths[3] = {80, 70, 60};
    for (int c = 0; c < 3; ++c) grid->SetColumnWidth(c, widths[c]);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < 3; ++c) grid->SetCellText(r, c, (std::to_string(r) + "." + std::to_string(c)).c_str());
    InvalidateRect(grid->window, nullptr, TRUE);
    harness::PumpUntilIdle();
  }
  RECT Rect(int r, int c) {
    RECT rc{};
    EXPECT_TRUE(grid->CellRect(r, c, &rc));
    return rc;
  }
  // Screen point inside cell (r, c).
  void TapCell(int r, int c) {
    RECT rc = Rect(r, c);
    POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(grid->window, &p);
    harness::Tap(p.x, p.y);
  }
  std::wstring EditText() {
    wchar_t buffer[300] = {};
    GetWindowTextW(grid->EditBox(), buffer, 300);
    return buffer;
  }
  RECT EditRect() {
    RECT rc{};
    GetWindowRect(grid->EditBox(), &rc);
    POINT p{rc.left, rc.top};
    ScreenToClient(grid->window, &p);
    return {p.x, p.y, p.x + rc.right - rc.left, p.y + rc.bottom - rc.top};
  }
  void Scroll(UINT message, int code, int thumb = 0) {
    SendMessageW(grid->window, message, MAKEWPARAM(code, thumb), 0);
  }

  HWND host = nullptr;
  std::unique_ptr<TGrid> grid;
};

TEST_F(GridTest, RectanglesSpansAndHits) {
  EXPECT_EQ(Rect(0, 0).left, 0);
  EXPECT_EQ(Rect(0, 0).right, 80);
  EXPECT_EQ(Rect(0, 0).top, 1);
  EXPECT_EQ(Rect(0, 0).bottom, 16);
  EXPECT_EQ(Rect(2, 1).left, 81);
  EXPECT_EQ(Rect(2, 1).right, 150);
  EXPECT_EQ(Rect(2, 1).top, 33);
  EXPECT_EQ(Rect(2, 2).left, 151);
  EXPECT_EQ(Rect(2, 2).right, 210);
  // A span of 2 in the next-to-last column covers only the last; 255 in the last covers none.
  grid->SetCellSpan(3, 1, 2);
  EXPECT_EQ(Rect(3, 1).right, 150 + 60);
  grid->SetCellSpan(4, 2, 255);
  EXPECT_EQ(Rect(4, 2).right, 210);
  grid->SetCellSpan(5, 0, 1);
  int r = -1, c = -1;
  ASSERT_TRUE(grid->HitCell(100, 5 * 16 + 8, &r, &c));  // column 1 of row 5 is spanned
  EXPECT_EQ(r, 5);
  EXPECT_EQ(c, 0);
  ASSERT_TRUE(grid->HitCell(80, 8, &r, &c));  // bounds included: the first cell wins
  EXPECT_EQ(c, 0);
  ASSERT_TRUE(grid->HitCell(100, 16, &r, &c));  // a row's bottom line is still that row
  EXPECT_EQ(r, 0);
  EXPECT_FALSE(grid->HitCell(100, 0, &r, &c));
  EXPECT_FALSE(grid->HitCell(215, 8, &r, &c));
  EXPECT_FALSE(grid->HitCell(10, 30 * 16 + 5, &r, &c));
  RECT rc;
  EXPECT_FALSE(grid->CellRect(30, 0, &rc));
  EXPECT_FALSE(grid->CellRect(0, -1, &rc));
  // Negative widths count as 0; huge widths saturate.
  grid->SetColumnWidth(0, -50);
  EXPECT_EQ(Rect(0, 1).left, 1);
  grid->SetColumnWidth(0, INT_MAX);
  grid->SetColumnWidth(1, INT_MAX);
  EXPECT_EQ(Rect(0, 2).left, INT_MAX);
}

TEST_F(GridTest, BadSizesGiveAnEmptyGridAndAccessorsIgnoreOutOfRange) {
  for (int rows : {0, -1, 1000000000}) {
    grid->SetSize(rows, 3);
    EXPECT_EQ(grid->GetRowCount(), 0) << rows;
    int min = -1, max = -1;
    HWND bar = grid->VerticalBar();
    GetScrollRange(bar, SB_CTL, &min, &max);
    EXPECT_EQ(max, 0);
  }
  grid->SetSize(3, 0);
  EXPECT_EQ(grid->GetRowCount(), 0);
  EXPECT_EQ(grid->SelectCell(0, 0), 0);
  EXPECT_EQ(grid->GetSelectedRow(), -1);
  grid->SetCellText(0, 0, "x");
  EXPECT_EQ(grid->GetCellText(0, 0), nullptr);
  InvalidateRect(grid->window, nullptr, TRUE);
  harness::PumpUntilIdle();
  // Only the white background: no grid lines.
  EXPECT_EQ(harness::ScreenPixel(kGridX + 80, kGridY + 8), RGB(255, 255, 255));

  grid->SetSize(2, 2);
  for (int r : {-1, 2}) {
    grid->SetCellText(r, 0, "x");
    grid->SetCellData(r, 0, 7);
    grid->SetCellStyle(r, 0, 15);
    EXPECT_EQ(grid->GetCellText(r, 0), nullptr);
    EXPECT_EQ(grid->GetCellData(r, 0), 0u);
  }
  grid->SetCellData(1, 1, 0xDEADBEEF);
  EXPECT_EQ(grid->GetCellData(1, 1), 0xDEADBEEFu);
  grid->SetCellText(1, 1, "");
  EXPECT_STREQ(grid->GetCellText(1, 1), "");
  grid->SetCellText(1, 1, nullptr);
  EXPECT_EQ(grid->GetCellText(1, 1), nullptr);
  const std::string big(100000, 'x');
  grid->SetCellText(0, 0, big.c_str());
  EXPECT_EQ(strlen(grid->GetCellText(0, 0)), 100000u);  // kept whole, shown cut
}

TEST_F(GridTest, TapOpensTheEditBoxOverTheCellAndTypingIsAsked) {
  std::vector<std::string> asked;
  std::vector<std::pair<int, int>> clicked;
  grid->canEdit = [&](int r, int c) {
    clicked.push_back({r, c});
    return c == 1;
  };
  grid->acceptText = [&](int r, int c, const char* text) {
    asked.push_back(std::to_string(r) + "," + std::to_string(c) + ":" + text);
    return 1;
  };
  grid->SetCellText(2, 1, WideToAnsiString(L"Ель").c_str());
  TapCell(2, 1);
  EXPECT_EQ(grid->GetSelectedRow(), 2);
  EXPECT_EQ(grid->GetSelectedColumn(), 1);
  const RECT cell = Rect(2, 1), edit = EditRect();
  EXPECT_EQ(edit.left, cell.left + 2);
  EXPECT_EQ(edit.top, cell.top);
  EXPECT_EQ(edit.right - edit.left, cell.right - cell.left - 2);
  EXPECT_EQ(edit.bottom - edit.top, cell.bottom - cell.top - 1);
  EXPECT_EQ(EditText(), L"Ель");
  EXPECT_TRUE(asked.empty());  // loading the text asks nobody
  DWORD from = 9, to = 9;
  SendMessageW(grid->EditBox(), EM_GETSEL, WPARAM(&from), LPARAM(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
  EXPECT_EQ(GetFocus(), grid->EditBox());
  EXPECT_TRUE(SipIsShown());
  harness::Type(L"Сосна");
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked.back(), "2,1:" + WideToAnsiString(L"Сосна"));
  EXPECT_EQ(std::string(grid->GetCellText(2, 1)), WideToAnsiString(L"Сосна"));

  // A cell the owner refuses: selected, no box, panel lowered.
  TapCell(4, 0);
  EXPECT_EQ(grid->GetSelectedRow(), 4);
  EXPECT_EQ(EditRect().right - EditRect().left, 0);
  EXPECT_FALSE(SipIsShown());
  // A read-only cell never asks the owner.
  grid->SetCellStyle(5, 1, TGrid::kReadOnly);
  clicked.clear();
  TapCell(5, 1);
  EXPECT_TRUE(clicked.empty());
  EXPECT_EQ(grid->GetSelectedRow(), 5);
}

TEST_F(GridTest, RejectedTextRestoresTextAndCaret) {
  grid->canEdit = [](int, int) { return 1; };
  grid->acceptText = [](int, int, const char* text) { return strchr(text, '!') ? 0 : 1; };
  grid->SetCellText(1, 0, "abc");
  TapCell(1, 0);
  harness::Key(VK_END);
  harness::Key(VK_LEFT);  // caret between b and c
  harness::Char(L'!');
  EXPECT_EQ(EditText(), L"abc");
  EXPECT_STREQ(grid->GetCellText(1, 0), "abc");
  DWORD from = 0, to = 0;
  SendMessageW(grid->EditBox(), EM_GETSEL, WPARAM(&from), LPARAM(&to));
  EXPECT_EQ(from, 3u);  // where the caret was after the rejected character
  harness::Char(L'd');
  EXPECT_STREQ(grid->GetCellText(1, 0), "abcd");
}

TEST_F(GridTest, ChangeWithoutSelectionAsksNobody) {
  int asked = 0;
  grid->acceptText = [&](int, int, const char*) { return ++asked, 1; };
  SetWindowTextW(grid->EditBox(), L"stray");
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(grid->GetCellText(0, 0), std::string("0.0"));
}

TEST_F(GridTest, CallbackThatResizesTheGridInsideAModalLoop) {
  grid->canEdit = [&](int, int) {
    grid->SetSize(2, 1);  // as the value-list dialog may do
    return 1;
  };
  TapCell(10, 2);
  EXPECT_EQ(grid->GetSelectedRow(), -1);
  EXPECT_EQ(EditRect().right - EditRect().left, 0);
  grid->canEdit = [&](int, int) { return 1; };
  TapCell(1, 0);
  EXPECT_EQ(grid->GetSelectedRow(), 1);
}

TEST_F(GridTest, ReadOnlyGridMovesTheBoxAway) {
  grid->canEdit = [](int, int) { return 1; };
  TapCell(1, 0);
  ASSERT_GT(EditRect().right - EditRect().left, 0);
  grid->readOnly = 1;
  EXPECT_EQ(grid->SelectCell(3, 0), 1);
  EXPECT_EQ(EditRect().right - EditRect().left, 0);
  SetFocus(host);
  grid->FocusEditor();
  EXPECT_EQ(GetFocus(), host);
}

TEST_F(GridTest, Scrolling) {
  grid->canEdit = [](int, int) { return 1; };
  grid->SelectCell(0, 0);
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(grid->YOffset(), -16);
  EXPECT_EQ(grid->GetSelectedRow(), -1);  // scrolling drops the selection
  Scroll(WM_VSCROLL, SB_PAGEDOWN);        // page: 200 / 16 = 12 rows
  EXPECT_EQ(grid->YOffset(), -16 - 192);
  Scroll(WM_VSCROLL, SB_PAGEUP);
  Scroll(WM_VSCROLL, SB_PAGEUP);
  EXPECT_EQ(grid->YOffset(), 0);
  Scroll(WM_VSCROLL, SB_LINEUP);
  EXPECT_EQ(grid->YOffset(), 0);
  for (int i = 0; i < 40; ++i) Scroll(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(grid->YOffset(), -16 * 29);  // stops at the last row
  Scroll(WM_VSCROLL, SB_PAGEDOWN);       // page down goes past it
  EXPECT_EQ(grid->YOffset(), -16 * 29 - 192);
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 5);
  EXPECT_EQ(grid->YOffset(), -80);
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 60000);  // past the range: the last row
  EXPECT_EQ(grid->YOffset(), -16 * 29);
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 3);
  Scroll(WM_VSCROLL, SB_ENDSCROLL);
  EXPECT_EQ(grid->YOffset(), -16 * 29);

  for (int i = 0; i < 40; ++i) Scroll(WM_HSCROLL, SB_LINERIGHT);
  EXPECT_EQ(grid->XOffset(), -512);  // steps of 16 from 0 end past -500
  Scroll(WM_HSCROLL, SB_PAGELEFT);
  EXPECT_EQ(grid->XOffset(), -320);
  Scroll(WM_HSCROLL, SB_THUMBTRACK, 9999);
  EXPECT_EQ(grid->XOffset(), -500);
  EXPECT_EQ(Rect(0, 1).left, -500 + 81);

  grid->ScrollToRow(4);
  EXPECT_EQ(grid->YOffset(), -64);
  EXPECT_EQ(GetScrollPos(grid->VerticalBar(), SB_CTL), 4);
}

TEST_F(GridTest, ScrollBarArrowsTappedByThePen) {
  POINT p{kGridW - 8, kGridH - 22};  // the down arrow of the vertical bar, in grid pixels
  ClientToScreen(grid->window, &p);
  harness::Tap(p.x, p.y);
  EXPECT_EQ(grid->YOffset(), -16);
}

TEST_F(GridTest, PaintsColoursBoldSpansTopLinesAndTheEditBox) {
  grid->canEdit = [](int, int) { return 1; };
  grid->SetCellStyle(0, 0, TGrid::kOwnColours | TGrid::kBold);
  grid->SetCellColors(0, 0, RGB(255, 255, 255), RGB(0, 0, 160));
  grid->SetCellText(0, 0, "Header");
  grid->SetCellSpan(0, 0, 2);
  grid->SetCellText(0, 1, nullptr);
  grid->SetCellText(0, 2, nullptr);
  grid->SetCellTopLine(3, 0, 1);
  grid->SetCellSpan(3, 0, 1);
  grid->SetCellStyle(4, 1, TGrid::kOwnColours);
  grid->SetCellColors(4, 1, RGB(200, 0, 0), RGB(255, 255, 180));
  InvalidateRect(grid->window, nullptr, TRUE);
  TapCell(6, 1);
  harness::PumpUntilIdle();
  // Back colour of the spanning header, over column 1 too.
  EXPECT_EQ(harness::ScreenPixel(kGridX + 1 + 120, kGridY + 1 + 14), RGB(0, 0, 160));
  // Grid line at the right edge of column 0 (x = 80) in grey, below the header row.
  EXPECT_EQ(harness::ScreenPixel(kGridX + 1 + 80, kGridY + 1 + 40), RGB(100, 100, 100));
  // The top line of row 3, black, on y = top - 1 = 48.
  EXPECT_EQ(harness::ScreenPixel(kGridX + 1 + 60, kGridY + 1 + 48), RGB(0, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(kGridX + 1 + 100, kGridY + 1 + 70), RGB(255, 255, 180));
  // The square where the bars meet is white.
  EXPECT_EQ(harness::ScreenPixel(kGridX + 1 + kGridW - 5, kGridY + 1 + kGridH - 5),
            RGB(255, 255, 255));
  EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/grid.png"));
}

}  // namespace

namespace {

TEST_F(GridTest, LongTextsAreShownAndEditedCutTo255Bytes) {
  std::vector<std::string> asked;
  grid->canEdit = [](int, int) { return 1; };
  grid->acceptText = [&](int, int, const char* text) {
    asked.push_back(text);
    return 1;
  };
  for (size_t length : {255u, 256u, 100000u}) {
    grid->SetCellText(0, 0, std::string(length, 'x').c_str());
    grid->SelectCell(0, 0);
    EXPECT_EQ(EditText().size(), 255u) << length;
  }
  EXPECT_TRUE(asked.empty());
  InvalidateRect(grid->window, nullptr, TRUE);
  harness::PumpUntilIdle();
  // Typing into the cut text stores the box's text: at most 255 characters.
  harness::Key(VK_END);
  harness::Char(L'y');
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_LE(asked[0].size(), 256u);
}

}  // namespace
