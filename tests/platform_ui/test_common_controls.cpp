#include "ui_fixture.h"

namespace {

HTREEITEM Insert(HWND tree, HTREEITEM parentItem, HTREEITEM after, const wchar_t* text, LPARAM data = 0) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parentItem;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM;
  ins.item.pszText = const_cast<LPWSTR>(text);
  ins.item.lParam = data;
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM Next(HWND tree, UINT code, HTREEITEM from) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(from)));
}

std::wstring ItemText(HWND tree, HTREEITEM h) {
  wchar_t buf[32] = {};
  TVITEMW it{};
  it.mask = TVIF_TEXT;
  it.hItem = h;
  it.pszText = buf;
  it.cchTextMax = 32;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  return buf;
}

}  // namespace

TEST_F(UiTest, TreeViewNavigatesSortsExpandsAndSelects) {
  HWND tree = Make(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_LINESATROOT, 80, 0, 0, 200, 16 * 6);
  HTREEITEM maps = Insert(tree, TVI_ROOT, TVI_LAST, L"Maps", 1);
  HTREEITEM docs = Insert(tree, TVI_ROOT, TVI_FIRST, L"Docs", 2);
  HTREEITEM b = Insert(tree, maps, TVI_LAST, L"beta");
  HTREEITEM a = Insert(tree, maps, TVI_LAST, L"Alpha");
  HTREEITEM c = Insert(tree, maps, TVI_SORT, L"charlie");
  EXPECT_EQ(Insert(tree, reinterpret_cast<HTREEITEM>(0x1234), TVI_LAST, L"x"), nullptr);
  EXPECT_EQ(Insert(tree, docs, a, L"x"), nullptr);  // `a` is not a child of docs
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(Next(tree, TVGN_ROOT, nullptr), docs);
  EXPECT_EQ(Next(tree, TVGN_NEXT, docs), maps);
  EXPECT_EQ(Next(tree, TVGN_PREVIOUS, docs), nullptr);
  EXPECT_EQ(Next(tree, TVGN_PARENT, a), maps);
  EXPECT_EQ(Next(tree, TVGN_CHILD, maps), b);
  EXPECT_EQ(Next(tree, TVGN_NEXTVISIBLE, maps), nullptr);  // collapsed: children hidden
  EXPECT_TRUE(SendMessageW(tree, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(maps)));
  EXPECT_EQ(Next(tree, TVGN_CHILD, maps), a);
  EXPECT_EQ(Next(tree, TVGN_NEXT, a), b);
  EXPECT_EQ(Next(tree, TVGN_NEXT, b), c);

  // Expanding asks the parent, which may refuse.
  bool refuse = true;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT* r) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != TVN_ITEMEXPANDINGW) return false;
    *r = refuse;
    return true;
  };
  EXPECT_FALSE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(maps)));
  refuse = false;
  EXPECT_TRUE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(maps)));
  EXPECT_FALSE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(maps)));  // already
  EXPECT_EQ(Count(WM_NOTIFY, TVN_ITEMEXPANDEDW), 1);
  EXPECT_EQ(Next(tree, TVGN_NEXTVISIBLE, maps), a);
  EXPECT_EQ(Next(tree, TVGN_LASTVISIBLE, nullptr), c);
  EXPECT_EQ(Next(tree, TVGN_PREVIOUSVISIBLE, a), maps);

  // Selection by message notifies; the parent may refuse a change.
  EXPECT_TRUE(SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b)));
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), b);
  EXPECT_EQ(Count(WM_NOTIFY, TVN_SELCHANGEDW), 1);
  // Pen: row 0 Docs, 1 Maps, 2 Alpha, 3 beta, 4 charlie. A tap on the label selects.
  TapAt(tree, 60, 16 * 4 + 8);
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), c);
  // Keys: up moves, left goes to the parent, left again collapses it.
  harness::Key(VK_UP);
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), b);
  harness::Key(VK_LEFT);
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), maps);
  harness::Key(VK_LEFT);
  EXPECT_FALSE(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(maps), TVIS_EXPANDED));
  // A tap on the +/- box expands without selecting.
  TapAt(tree, 8, 16 + 8);
  EXPECT_TRUE(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(maps), TVIS_EXPANDED));
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), maps);
  Hook() = [](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT* r) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != TVN_SELCHANGINGW) return false;
    *r = TRUE;
    return true;
  };
  EXPECT_FALSE(SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(docs)));
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), maps);
  Hook() = nullptr;

  // Texts, data and deletion (a subtree goes whole; its handles are refused afterwards).
  EXPECT_EQ(ItemText(tree, c), L"charlie");
  TVITEMW it{};
  it.mask = TVIF_PARAM;
  it.hItem = maps;
  EXPECT_TRUE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  EXPECT_EQ(it.lParam, 1);
  Notes().clear();
  EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(maps)));
  EXPECT_EQ(Count(WM_NOTIFY, TVN_DELETEITEMW), 4);
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), nullptr);
  EXPECT_FALSE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  EXPECT_EQ(Next(tree, TVGN_NEXT, a), nullptr);
  EXPECT_FALSE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(a)));
  EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(UiTest, TabControlAsksBeforeChangingAndAdjustsThePageRect) {
  HWND tab = Make(WC_TABCONTROLW, 0, 81, 0, 0, 200, 100);
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), -1);
  for (const wchar_t* s : {L"Address", L"Object", L"List"}) {
    TCITEMW it{};
    it.mask = TCIF_TEXT;
    it.pszText = const_cast<LPWSTR>(s);
    SendMessageW(tab, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&it));
  }
  EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 2, 0), 0);
  EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 5, 0), -1);
  EXPECT_EQ(Count(WM_NOTIFY, TCN_SELCHANGE), 0);  // quiet by message

  RECT r1{};
  ASSERT_TRUE(SendMessageW(tab, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1)));
  bool refuse = true;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT* r) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != TCN_SELCHANGING) return false;
    *r = refuse;
    return true;
  };
  TapAt(tab, (r1.left + r1.right) / 2, 10);
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 2);
  refuse = false;
  TapAt(tab, (r1.left + r1.right) / 2, 10);
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Count(WM_NOTIFY, TCN_SELCHANGING), 2);
  EXPECT_EQ(Count(WM_NOTIFY, TCN_SELCHANGE), 1);

  RECT rc{0, 0, 200, 100};
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
  EXPECT_EQ(rc.top, 20);
  EXPECT_LT(rc.bottom, 101);
  SendMessageW(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
  EXPECT_EQ(rc.top, 0);
  EXPECT_EQ(rc.bottom, 100);

  wchar_t buf[8] = {};
  TCITEMW get{};
  get.mask = TCIF_TEXT;
  get.pszText = buf;
  get.cchTextMax = 4;
  EXPECT_TRUE(SendMessageW(tab, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
  EXPECT_STREQ(buf, L"Add");
  EXPECT_FALSE(SendMessageW(tab, TCM_GETITEMW, 3, reinterpret_cast<LPARAM>(&get)));
  EXPECT_TRUE(SendMessageW(tab, TCM_DELETEITEM, 1, 0));
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), -1);  // the chosen tab went
}

TEST_F(UiTest, TabsThatDoNotFitScrollWithTheArrowsAndFollowTheChoice) {
  HWND tab = Make(WC_TABCONTROLW, 0, 83, 0, 0, 120, 60);
  for (const wchar_t* s : {L"First", L"Second", L"Third", L"Fourth", L"Fifth"}) {
    TCITEMW it{};
    it.mask = TCIF_TEXT;
    it.pszText = const_cast<LPWSTR>(s);
    SendMessageW(tab, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&it));
  }
  auto rect = [&](int i) {
    RECT r{};
    SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
  };
  EXPECT_EQ(rect(0).left, 0);
  ASSERT_GT(rect(4).right, 120);  // past the edge: the arrows are shown at 92..120
  TapAt(tab, 113, 10);            // right arrow: the second tab comes first
  EXPECT_EQ(rect(1).left, 0);
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);  // scrolling chooses nothing
  EXPECT_EQ(Count(WM_NOTIFY, TCN_SELCHANGE), 0);
  TapAt(tab, 99, 10);  // left arrow
  EXPECT_EQ(rect(0).left, 0);
  SendMessageW(tab, TCM_SETCURSEL, 4, 0);  // the chosen tab is scrolled into view
  EXPECT_LE(rect(4).right, 92);
  EXPECT_GE(rect(4).left, 0);
  SendMessageW(tab, TCM_SETCURSEL, 0, 0);
  EXPECT_EQ(rect(0).left, 0);
  SendMessageW(tab, TCM_SETCURSEL, 1, 0);
  TapAt(tab, (rect(1).right + rect(1).left) / 2, 10);
  SendMessageW(tab, WM_KEYDOWN, VK_RIGHT, 0);  // keys too
  SendMessageW(tab, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageW(tab, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 4);
  EXPECT_LE(rect(4).right, 92);
}

TEST_F(UiTest, TrackbarReportsUserMovesAsScrollMessages) {
  HWND tb = Make(TRACKBAR_CLASSW, 0, 82, 10, 10, 120, 20);
  SendMessageW(tb, TBM_SETRANGE, TRUE, MAKELONG(0, 10));
  SendMessageW(tb, TBM_SETPOS, TRUE, 20);  // clamped, and quiet
  EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 10);
  SendMessageW(tb, TBM_SETPOS, TRUE, 5);
  EXPECT_TRUE(Notes().empty());
  EXPECT_EQ(SendMessageW(tb, TBM_GETPAGESIZE, 0, 0), 2);  // a fifth of the range
  std::vector<std::pair<UINT, int>> got;
  Hook() = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (msg == WM_HSCROLL) {
      EXPECT_EQ(reinterpret_cast<HWND>(lParam), tb);
      got.push_back({LOWORD(wParam), static_cast<int>(SendMessageW(tb, TBM_GETPOS, 0, 0))});
    }
    return false;
  };
  TapAt(tb, 2, 10);  // left of the thumb: a page down the range
  EXPECT_EQ(got, (std::vector<std::pair<UINT, int>>{{TB_PAGEUP, 3}, {TB_ENDTRACK, 3}}));
  got.clear();
  harness::Key(VK_RIGHT);
  harness::Key(VK_END);
  EXPECT_EQ(got, (std::vector<std::pair<UINT, int>>{{TB_LINEDOWN, 4}, {TB_ENDTRACK, 4}, {TB_BOTTOM, 10}, {TB_ENDTRACK, 10}}));
  got.clear();
  // Drag the thumb from the right end to the left end.
  POINT from = At(tb, 120 - 6 - 5, 10), to = At(tb, 0, 10);
  harness::Drag(from.x, from.y, to.x, to.y, 4);
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(got.front().first, static_cast<UINT>(TB_THUMBTRACK));
  EXPECT_EQ(got[got.size() - 2], (std::pair<UINT, int>{TB_THUMBPOSITION, 0}));
  EXPECT_EQ(got.back().first, static_cast<UINT>(TB_ENDTRACK));

  HWND vert = Make(TRACKBAR_CLASSW, TBS_VERT, 83, 150, 10, 20, 100);
  Notes().clear();
  SetFocus(vert);
  harness::Key(VK_DOWN);
  EXPECT_EQ(Count(WM_VSCROLL, TB_LINEDOWN), 1);
}

TEST_F(UiTest, ProgressBarKeepsItsPositionInRange) {
  HWND pb = Make(PROGRESS_CLASSW, 0, 84, 10, 10, 100, 12);
  EXPECT_EQ(SendMessageW(pb, PBM_SETRANGE32, 10, 20), MAKELONG(0, 100));
  EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(SendMessageW(pb, PBM_SETPOS, 99, 0), 10);
  EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 20);
  SendMessageW(pb, PBM_SETPOS, 15, 0);
  SendMessageW(pb, PBM_SETSTEP, 4, 0);
  EXPECT_EQ(SendMessageW(pb, PBM_STEPIT, 0, 0), 15);
  EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 19);
  SendMessageW(pb, PBM_STEPIT, 0, 0);  // past the end: round to the start
  EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 13);
  SendMessageW(pb, PBM_DELTAPOS, static_cast<WPARAM>(-50), 0);
  EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(SendMessageW(pb, PBM_GETRANGE, TRUE, 0), 10);
  EXPECT_EQ(SendMessageW(pb, PBM_GETRANGE, FALSE, 0), 20);
}

TEST_F(UiTest, DateTimePickerChangesFieldsAndNotifies) {
  HWND date = Make(DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT, 85, 10, 10, 110, 20);
  SYSTEMTIME t{2024, 1, 0, 31, 10, 0, 0, 0};
  EXPECT_TRUE(SendMessageW(date, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t)));
  SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(SendMessageW(date, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&bad)));
  EXPECT_FALSE(SendMessageW(date, DTM_SETSYSTEMTIME, GDT_NONE, 0));  // no DTS_SHOWNONE
  EXPECT_TRUE(Notes().empty());  // quiet by message
  std::vector<SYSTEMTIME> changes;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == DTN_DATETIMECHANGE)
      changes.push_back(reinterpret_cast<NMDATETIMECHANGE*>(lParam)->st);
    return false;
  };
  SetFocus(date);
  harness::Key(VK_RIGHT);  // the month
  harness::Key(VK_UP);     // 31 January becomes 29 February (a leap year)
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].wMonth, 2);
  EXPECT_EQ(changes[0].wDay, 29);
  EXPECT_EQ(changes[0].wDayOfWeek, 4);  // a Thursday
  harness::Key(VK_RIGHT);  // the year, typed whole
  harness::Type(L"2025");
  SYSTEMTIME now{};
  EXPECT_EQ(SendMessageW(date, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now)), GDT_VALID);
  EXPECT_EQ(now.wYear, 2025);
  EXPECT_EQ(now.wDay, 28);  // 2025 has no 29 February
  // The down arrow at the right end steps the chosen field.
  TapAt(date, 110 - 2 - 5, 15);
  SendMessageW(date, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now));
  EXPECT_EQ(now.wYear, 2024);

  HWND time = Make(DATETIMEPICK_CLASSW, DTS_TIMEFORMAT | DTS_SHOWNONE, 86, 10, 40, 110, 20);
  EXPECT_TRUE(SendMessageW(time, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t)));
  SetFocus(time);
  harness::Key(VK_DOWN);  // the hour wraps: 10 -> 9
  SendMessageW(time, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now));
  EXPECT_EQ(now.wHour, 9);
  EXPECT_TRUE(SendMessageW(time, DTM_SETSYSTEMTIME, GDT_NONE, 0));
  EXPECT_EQ(SendMessageW(time, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now)), GDT_NONE);
  TapAt(time, 5, 10);  // the check box turns the value back on
  EXPECT_EQ(SendMessageW(time, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now)), GDT_VALID);
  EXPECT_EQ(SendMessageW(time, DTM_GETSYSTEMTIME, 0, 0), GDT_ERROR);
}

TEST_F(UiTest, CommonControlsInitialiseAndUnknownMessagesAreHarmless) {
  InitCommonControls();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&icc));
  icc.dwSize = 3;
  EXPECT_FALSE(InitCommonControlsEx(&icc));
  EXPECT_FALSE(InitCommonControlsEx(nullptr));
  for (const wchar_t* cls : {WC_LISTVIEWW, WC_TREEVIEWW, WC_TABCONTROLW, TRACKBAR_CLASSW, DATETIMEPICK_CLASSW,
                             PROGRESS_CLASSW, WC_SCROLLBARW}) {
    HWND c = Make(cls, WS_BORDER, 90, 0, 0, 100, 60);
    // Null structure pointers are refused, not followed.
    SendMessageW(c, LVM_INSERTITEMW, 0, 0);
    SendMessageW(c, TVM_INSERTITEMW, 0, 0);
    SendMessageW(c, TCM_INSERTITEMW, 0, 0);
    SendMessageW(c, DTM_GETSYSTEMTIME, 0, 0);
    SendMessageW(c, LVM_GETITEMRECT, 0, 0);
    UpdateWindow(c);
    DestroyWindow(c);
    EXPECT_EQ(SendMessageW(c, LVM_GETITEMCOUNT, 0, 0), 0);
  }
}
