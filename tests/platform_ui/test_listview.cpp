#include <string>

#include "ui_fixture.h"

namespace {

int InsertRow(HWND lv, int at, const wchar_t* text, LPARAM data = 0) {
  LVITEMW it{};
  it.mask = LVIF_TEXT | LVIF_PARAM;
  it.iItem = at;
  it.pszText = const_cast<LPWSTR>(text);
  it.lParam = data;
  return static_cast<int>(SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
}

void AddColumn(HWND lv, int at, const wchar_t* title, int width) {
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  c.pszText = const_cast<LPWSTR>(title);
  c.cx = width;
  SendMessageW(lv, LVM_INSERTCOLUMNW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&c));
}

std::wstring Text(HWND lv, int item, int sub) {
  wchar_t buf[64] = {};
  LVITEMW it{};
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = 64;
  SendMessageW(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  return buf;
}

UINT State(HWND lv, int item) {
  return static_cast<UINT>(SendMessageW(lv, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED | LVIS_FOCUSED));
}

void SetState(HWND lv, int item, UINT state) {
  LVITEMW it{};
  it.state = state;
  it.stateMask = LVIS_SELECTED;
  SendMessageW(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
}

}  // namespace

class ListViewTest : public UiTest {
 protected:
  HWND MakeList(DWORD style) {
    HWND lv = Make(WC_LISTVIEWW, LVS_REPORT | style, 50, 0, 0, 200, 18 + 16 * 5);
    AddColumn(lv, 0, L"Name", 100);
    AddColumn(lv, 1, L"Size", 80);
    return lv;
  }
  // Client point of row `row` (0 = first shown row) under the 18-pixel header.
  static void TapRow(HWND lv, int row) { TapAt(lv, 20, 18 + 16 * row + 8); }
};

TEST_F(ListViewTest, ItemsSubItemsDataAndTheErrorAnswers) {
  HWND lv = MakeList(0);
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(InsertRow(lv, 0, L"beta", 22), 0);
  EXPECT_EQ(InsertRow(lv, 0, L"alpha", 11), 0);
  EXPECT_EQ(InsertRow(lv, 99, L"gamma", 33), 2);  // past the end appends
  EXPECT_EQ(InsertRow(lv, -1, L"bad"), -1);
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 3);

  LVITEMW sub{};
  sub.iSubItem = 1;
  sub.pszText = const_cast<LPWSTR>(L"12 KB");
  EXPECT_TRUE(SendMessageW(lv, LVM_SETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&sub)));
  EXPECT_FALSE(SendMessageW(lv, LVM_SETITEMTEXTW, 7, reinterpret_cast<LPARAM>(&sub)));
  EXPECT_EQ(Text(lv, 1, 0), L"beta");
  EXPECT_EQ(Text(lv, 1, 1), L"12 KB");
  EXPECT_EQ(Text(lv, 0, 1), L"");
  EXPECT_EQ(Text(lv, 9, 0), L"");

  LVITEMW get{};
  get.mask = LVIF_PARAM;
  get.iItem = 2;
  EXPECT_TRUE(SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
  EXPECT_EQ(get.lParam, 33);
  get.iItem = 3;
  EXPECT_FALSE(SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));

  // A short buffer gets a cut, terminated text.
  wchar_t small[3] = {L'x', L'x', L'x'};
  LVITEMW cut{};
  cut.pszText = small;
  cut.cchTextMax = 3;
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&cut)), 2);
  EXPECT_STREQ(small, L"ga");

  EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 1, 0), 80);
  EXPECT_TRUE(SendMessageW(lv, LVM_SETCOLUMNWIDTH, 1, 50));
  EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 1, 0), 50);
  EXPECT_FALSE(SendMessageW(lv, LVM_SETCOLUMNWIDTH, 5, 50));
  EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 5, 0), 0);

  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
  EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTIONMARK, 0, 0), -1);
  EXPECT_TRUE(SendMessageW(lv, LVM_DELETEITEM, 0, 0));
  EXPECT_FALSE(SendMessageW(lv, LVM_DELETEITEM, 5, 0));
  EXPECT_EQ(Text(lv, 0, 0), L"beta");
  Notes().clear();
  EXPECT_TRUE(SendMessageW(lv, LVM_DELETEALLITEMS, 0, 0));
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 0);
  // The parent did not answer LVN_DELETEALLITEMS, so it hears of each item.
  EXPECT_EQ(Count(WM_NOTIFY, LVN_DELETEALLITEMS), 1);
  EXPECT_EQ(Count(WM_NOTIFY, LVN_DELETEITEM), 2);
}

TEST_F(ListViewTest, SortedStyleInsertsInOrderIgnoringCase) {
  HWND lv = MakeList(LVS_SORTASCENDING);
  for (const wchar_t* s : {L"delta", L"Alpha", L"charlie", L"Bravo"}) InsertRow(lv, 0, s);
  EXPECT_EQ(Text(lv, 0, 0), L"Alpha");
  EXPECT_EQ(Text(lv, 1, 0), L"Bravo");
  EXPECT_EQ(Text(lv, 3, 0), L"delta");
}

TEST_F(ListViewTest, TapsSelectNotifyAndDoubleTapsActivate) {
  HWND lv = MakeList(LVS_SINGLESEL | LVS_SHOWSELALWAYS);
  for (int i = 0; i < 3; ++i) InsertRow(lv, i, L"row", 100 + i);
  std::vector<std::pair<int, UINT>> changes;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_ITEMCHANGED) {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
      changes.push_back({nm->iItem, nm->uNewState & LVIS_SELECTED});
      EXPECT_EQ(nm->lParam, 100 + nm->iItem);
    }
    return false;
  };
  TapRow(lv, 1);
  EXPECT_EQ(State(lv, 1), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTIONMARK, 0, 0), 1);
  EXPECT_EQ(Count(WM_NOTIFY, NM_CLICK), 1);
  EXPECT_EQ(Count(WM_NOTIFY, NM_DBLCLK), 0);
  TapRow(lv, 2);
  EXPECT_EQ(State(lv, 1), 0u);
  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  EXPECT_EQ(changes, (std::vector<std::pair<int, UINT>>{{1, LVIS_SELECTED}, {1, 0}, {2, LVIS_SELECTED}}));
  TapRow(lv, 2);  // the same row again within the double-tap interval
  EXPECT_EQ(Count(WM_NOTIFY, NM_DBLCLK), 1);
  harness::Advance(1000);
  TapRow(lv, 2);  // too late for a double tap
  EXPECT_EQ(Count(WM_NOTIFY, NM_DBLCLK), 1);

  // Keys move the selection; programmatic selection in a single-selection list is exclusive.
  harness::Key(VK_UP);
  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  SetState(lv, 0, LVIS_SELECTED);
  EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  // A tap below the last row clears the selection and still reports the click, on no item.
  Notes().clear();
  TapRow(lv, 4);
  EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_EQ(Count(WM_NOTIFY, NM_CLICK), 1);
}

TEST_F(ListViewTest, MultipleSelectionAndTheParentRefusingAChange) {
  HWND lv = MakeList(0);
  for (int i = 0; i < 4; ++i) InsertRow(lv, i, L"r");
  SetState(lv, 0, LVIS_SELECTED);
  SetState(lv, 2, LVIS_SELECTED);
  EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTEDCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, 0, LVNI_SELECTED), 2);
  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
  SetState(lv, -1, 0);  // -1: every item
  EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  Hook() = [](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT* r) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != LVN_ITEMCHANGING) return false;
    *r = reinterpret_cast<NMLISTVIEW*>(lParam)->iItem == 3;  // item 3 may not change
    return true;
  };
  TapRow(lv, 3);
  EXPECT_EQ(State(lv, 3), 0u);
  TapRow(lv, 1);
  EXPECT_EQ(State(lv, 1) & LVIS_SELECTED, static_cast<UINT>(LVIS_SELECTED));
}

TEST_F(ListViewTest, CallbackTextsComeFromTheParent) {
  HWND lv = MakeList(0);
  LVITEMW it{};
  it.mask = LVIF_TEXT | LVIF_PARAM;
  it.pszText = LPSTR_TEXTCALLBACKW;
  it.lParam = 7;
  SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
  LVITEMW sub{};
  sub.iSubItem = 1;
  sub.pszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(lv, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&sub));
  int asked = 0;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != LVN_GETDISPINFOW) return false;
    auto* di = reinterpret_cast<NMLVDISPINFOW*>(lParam);
    ++asked;
    EXPECT_EQ(di->item.lParam, 7);
    std::wstring s = L"cell " + std::to_wstring(di->item.iSubItem);
    if (di->item.mask & LVIF_TEXT) wcsncpy(di->item.pszText, s.c_str(), static_cast<size_t>(di->item.cchTextMax));
    return true;
  };
  EXPECT_EQ(Text(lv, 0, 0), L"cell 0");
  EXPECT_EQ(Text(lv, 0, 1), L"cell 1");
  EXPECT_EQ(asked, 2);
  // LVM_GETITEMW tells the caller the text is a callback one.
  LVITEMW get{};
  get.mask = LVIF_TEXT;
  wchar_t buf[8];
  get.pszText = buf;
  get.cchTextMax = 8;
  SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_EQ(get.pszText, LPSTR_TEXTCALLBACKW);
  UpdateWindow(lv);  // painting asks for both cells
  EXPECT_EQ(asked, 4);
}

TEST_F(ListViewTest, SurvivesAParentThatRefillsTheListInsideNotifications) {
  HWND lv = MakeList(LVS_SINGLESEL);
  for (int i = 0; i < 10; ++i) InsertRow(lv, i, L"old");
  int refills = 0;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg != WM_NOTIFY) return false;
    UINT code = reinterpret_cast<NMHDR*>(lParam)->code;
    if (code == LVN_ITEMCHANGED || code == NM_CLICK || code == NM_DBLCLK) {
      ++refills;
      Hook() = nullptr;  // once; the hook object lives on until this call returns
      SendMessageW(lv, LVM_DELETEALLITEMS, 0, 0);
      InsertRow(lv, 0, L"new");
      return false;
    }
    return false;
  };
  TapRow(lv, 4);
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(Text(lv, 0, 0), L"new");
  // And again from inside painting's text callbacks: the paint stops cleanly.
  LVITEMW it{};
  it.mask = LVIF_TEXT;
  it.pszText = LPSTR_TEXTCALLBACKW;
  for (int i = 0; i < 5; ++i) SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW)
      SendMessageW(lv, LVM_DELETEALLITEMS, 0, 0);
    return false;
  };
  InvalidateRect(lv, nullptr, TRUE);
  UpdateWindow(lv);
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 0);
  Hook() = nullptr;
  // Destroying the parent inside a notification is survived too.
  for (int i = 0; i < 3; ++i) InsertRow(lv, i, L"x");
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_ITEMCHANGED) DestroyWindow(lv);
    return false;
  };
  TapRow(lv, 1);
  EXPECT_FALSE(IsWindow(lv));
}

TEST_F(ListViewTest, OwnerDrawnRowsArePaintedByTheParent) {
  std::vector<UINT> drawn;
  UINT selectedDrawn = 0;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT* r) {
    if (msg == WM_MEASUREITEM) {
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
      *r = TRUE;
      return true;
    }
    if (msg != WM_DRAWITEM) return false;
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    EXPECT_EQ(dis->CtlType, static_cast<UINT>(ODT_LISTVIEW));
    EXPECT_EQ(dis->itemData, 1000u + dis->itemID);
    EXPECT_EQ(dis->rcItem.bottom - dis->rcItem.top, 20);
    EXPECT_EQ(dis->rcItem.right, 180);  // the columns' widths
    drawn.push_back(dis->itemID);
    if (dis->itemState & ODS_SELECTED) selectedDrawn = dis->itemID;
    *r = TRUE;
    return true;
  };
  HWND lv = MakeList(LVS_OWNERDRAWFIXED | LVS_SINGLESEL);
  for (int i = 0; i < 8; ++i) InsertRow(lv, i, L"", 1000 + i);
  drawn.clear();
  SetState(lv, 2, LVIS_SELECTED);
  InvalidateRect(lv, nullptr, TRUE);
  UpdateWindow(lv);
  // 80 pixels under the header at 20 pixels a row: four rows.
  EXPECT_EQ(drawn, (std::vector<UINT>{0, 1, 2, 3}));
  EXPECT_EQ(selectedDrawn, 2u);
  EXPECT_EQ(SendMessageW(lv, LVM_GETCOUNTPERPAGE, 0, 0), 4);
}

TEST_F(ListViewTest, EnsureVisibleScrollsAndKeysPageThroughTheList) {
  HWND lv = MakeList(LVS_SINGLESEL);
  for (int i = 0; i < 30; ++i) InsertRow(lv, i, std::to_wstring(i).c_str());
  EXPECT_EQ(SendMessageW(lv, LVM_GETCOUNTPERPAGE, 0, 0), 5);
  EXPECT_TRUE(SendMessageW(lv, LVM_ENSUREVISIBLE, 12, FALSE));
  EXPECT_EQ(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 8);
  EXPECT_FALSE(SendMessageW(lv, LVM_ENSUREVISIBLE, 30, FALSE));
  RECT rc{LVIR_BOUNDS, 0, 0, 0};
  EXPECT_TRUE(SendMessageW(lv, LVM_GETITEMRECT, 9, reinterpret_cast<LPARAM>(&rc)));
  EXPECT_EQ(rc.top, 18 + 16);
  LVHITTESTINFO ht{};
  ht.pt = POINT{10, 18 + 16 + 3};
  EXPECT_EQ(SendMessageW(lv, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)), 9);
  TapRow(lv, 0);  // row 8
  harness::Key(VK_NEXT);
  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 13);
  harness::Key(VK_END);
  EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 29);
  EXPECT_EQ(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 25);
  // A deletion above the view keeps the same rows in sight; deleting the rest clamps the top.
  SendMessageW(lv, LVM_DELETEITEM, 0, 0);
  EXPECT_EQ(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 24);
  while (SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0) > 3) SendMessageW(lv, LVM_DELETEITEM, 0, 0);
  EXPECT_EQ(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(UiTest, ScrollBarControlTellsItsParentAndTheParentMovesIt) {
  HWND sb = Make(WC_SCROLLBARW, SBS_VERT, 60, 200, 0, 14, 114);
  EXPECT_TRUE(SetScrollRange(sb, SB_CTL, 0, 50, TRUE));
  SCROLLINFO si{sizeof si, SIF_PAGE | SIF_POS, 0, 0, 10, 45, 0};
  EXPECT_EQ(SetScrollInfo(sb, SB_CTL, &si, TRUE), 41);  // the last page starts at 41
  EXPECT_EQ(SetScrollPos(sb, SB_CTL, -5, TRUE), 41);
  EXPECT_EQ(GetScrollPos(sb, SB_CTL), 0);
  int lo = 9, hi = 9;
  EXPECT_TRUE(GetScrollRange(sb, SB_CTL, &lo, &hi));
  EXPECT_EQ(hi, 50);
  Notes().clear();
  TapAt(sb, 7, 3);    // the up arrow
  TapAt(sb, 7, 110);  // the down arrow
  TapAt(sb, 7, 90);   // the track below the thumb
  std::vector<UINT> codes;
  for (const Note& n : Notes())
    if (n.msg == WM_VSCROLL) codes.push_back(n.code);
  EXPECT_EQ(codes, (std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(GetScrollPos(sb, SB_CTL), 0);  // the control does not move itself

  // Dragging the thumb tracks and then sets the position once.
  std::vector<int> tracked;
  Hook() = [&](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
    if (msg == WM_VSCROLL && (LOWORD(wParam) == SB_THUMBTRACK || LOWORD(wParam) == SB_THUMBPOSITION))
      tracked.push_back(static_cast<short>(HIWORD(wParam)));
    return false;
  };
  harness::Drag(At(sb, 7, 18).x, At(sb, 7, 18).y, At(sb, 7, 200).x, At(sb, 7, 200).y, 4);
  ASSERT_FALSE(tracked.empty());
  EXPECT_EQ(tracked.back(), 41);  // dragged past the end: the last position

  // A window's own bars keep their state; a non-window has none.
  EXPECT_EQ(SetScrollRange(parent, SB_VERT, 0, 20, FALSE), TRUE);
  EXPECT_EQ(SetScrollPos(parent, SB_VERT, 30, FALSE), 0);
  EXPECT_EQ(GetScrollPos(parent, SB_VERT), 20);
  EXPECT_FALSE(SetScrollRange(reinterpret_cast<HWND>(0x7777), SB_VERT, 0, 1, FALSE));
  EXPECT_EQ(GetScrollPos(sb, SB_VERT), 0);
  EXPECT_FALSE(GetScrollInfo(parent, SB_HORZ, &si));
}

TEST_F(ListViewTest, ColumnsShiftSubItemsAndFindLooksByTextOrData) {
  HWND lv = MakeList(0);
  InsertRow(lv, 0, L"Moscow", 7);
  InsertRow(lv, 1, L"Minsk", 8);
  LVITEMW sub{};
  sub.iSubItem = 1;
  sub.pszText = const_cast<LPWSTR>(L"12");
  SendMessageW(lv, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&sub));
  // A column inserted before "Size" moves the size text one column right.
  AddColumn(lv, 1, L"Kind", 40);
  EXPECT_EQ(Text(lv, 0, 1), L"");
  EXPECT_EQ(Text(lv, 0, 2), L"12");
  EXPECT_TRUE(SendMessageW(lv, LVM_DELETECOLUMN, 1, 0));
  EXPECT_EQ(Text(lv, 0, 1), L"12");
  EXPECT_FALSE(SendMessageW(lv, LVM_DELETECOLUMN, 9, 0));
  wchar_t title[8] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = title;
  col.cchTextMax = 8;
  EXPECT_TRUE(SendMessageW(lv, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col)));
  EXPECT_STREQ(title, L"Size");
  EXPECT_EQ(col.cx, 80);
  // The last column filled to the client width with the header's autosize.
  EXPECT_TRUE(SendMessageW(lv, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER));
  EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 1, 0), 100);

  LVFINDINFOW fi{};
  fi.flags = LVFI_PARTIAL;
  fi.psz = L"mi";
  EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 1);
  fi.flags = LVFI_STRING;
  fi.psz = L"MOSCOW";
  EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, 0, reinterpret_cast<LPARAM>(&fi)), -1);  // starts after 0
  fi.flags = LVFI_STRING | LVFI_WRAP;
  EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, 0, reinterpret_cast<LPARAM>(&fi)), 0);
  fi.flags = LVFI_PARAM;
  fi.lParam = 8;
  EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 1);
}
