#include "ui_fixture.h"

TEST_F(UiTest, EditSendsOneChangePerSetTextAndPerKeystroke) {
  HWND e = Make(L"edit", WS_BORDER, 7, 10, 10, 120, 20);
  SetWindowTextW(e, L"abc");
  EXPECT_EQ(Count(WM_COMMAND, EN_CHANGE), 1);
  wchar_t buf[16];
  GetWindowTextW(e, buf, 16);
  EXPECT_STREQ(buf, L"abc");

  TapAt(e, 2, 5);  // focus; caret at the start
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(Count(WM_COMMAND, EN_SETFOCUS), 1);
  SendMessageW(e, EM_SETSEL, 0, -1);
  DWORD a = 9, b = 9;
  SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 3u);
  Notes().clear();
  harness::Type(L"xy");  // replaces the selection, then appends
  EXPECT_EQ(Count(WM_COMMAND, EN_CHANGE), 2);
  GetWindowTextW(e, buf, 16);
  EXPECT_STREQ(buf, L"xy");
  harness::Char(L'\b');
  GetWindowTextW(e, buf, 16);
  EXPECT_STREQ(buf, L"x");

  // The limit governs typing, not WM_SETTEXT.
  SendMessageW(e, EM_LIMITTEXT, 3, 0);
  harness::Type(L"12345");
  GetWindowTextW(e, buf, 16);
  EXPECT_STREQ(buf, L"x12");
  SetWindowTextW(e, L"longer text");
  EXPECT_EQ(GetWindowTextLengthW(e), 11);
}

TEST_F(UiTest, EditNumberAndReadOnlyRefuseKeys) {
  HWND n = Make(L"edit", ES_NUMBER, 1, 0, 0, 100, 20);
  SetFocus(n);
  harness::Type(L"4a2-");
  wchar_t buf[16];
  GetWindowTextW(n, buf, 16);
  EXPECT_STREQ(buf, L"42");
  HWND r = Make(L"edit", ES_READONLY, 2, 0, 30, 100, 20, L"fixed");
  SetFocus(r);
  Notes().clear();
  harness::Type(L"zz");
  EXPECT_EQ(Count(WM_COMMAND, EN_CHANGE), 0);
  EXPECT_EQ(GetWindowTextLengthW(r), 5);
  HWND m = Make(L"edit", ES_MULTILINE, 3, 0, 60, 100, 40, L"one\r\ntwo\r\nthree");
  EXPECT_EQ(SendMessageW(m, EM_GETLINECOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(m, EM_LINEINDEX, 2, 0), 10);
  EXPECT_EQ(SendMessageW(m, EM_LINELENGTH, 10, 0), 5);
}

TEST_F(UiTest, ButtonsClickCheckAndGroupRadios) {
  HWND push = Make(L"button", BS_PUSHBUTTON, 10, 10, 10, 60, 20, L"Go");
  HWND check = Make(L"button", BS_AUTOCHECKBOX, 11, 10, 40, 80, 16, L"Fill");
  HWND r1 = Make(L"button", BS_AUTORADIOBUTTON | WS_GROUP, 12, 10, 60, 80, 16, L"A");
  HWND r2 = Make(L"button", BS_AUTORADIOBUTTON, 13, 10, 80, 80, 16, L"B");
  HWND r3 = Make(L"button", BS_AUTORADIOBUTTON | WS_GROUP, 14, 10, 100, 80, 16, L"C");
  TapAt(push, 5, 5);
  EXPECT_EQ(Count(WM_COMMAND, BN_CLICKED), 1);
  // Pen down on the button, up outside it: no click.
  POINT p = At(push, 5, 5);
  harness::PenDown(p.x, p.y);
  harness::PenUp(p.x + 100, p.y + 100);
  EXPECT_EQ(Count(WM_COMMAND, BN_CLICKED), 1);

  TapAt(check, 3, 3);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(check, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // An ordinary check box shows BST_INDETERMINATE as checked.
  SendMessageW(check, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);

  SendMessageW(r3, BM_SETCHECK, BST_CHECKED, 0);
  TapAt(r1, 3, 3);
  TapAt(r2, 3, 3);
  EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(r3, BM_GETCHECK, 0, 0), BST_CHECKED);  // another group
}

TEST_F(UiTest, ListBoxAnswersErrorsAndNotifiesOnlyWithNotifyStyle) {
  HWND lb = Make(L"listbox", LBS_NOTIFY, 20, 10, 10, 100, 80);
  EXPECT_EQ(SendMessageW(lb, LB_GETCURSEL, 0, 0), LB_ERR);
  for (const wchar_t* s : {L"one", L"two", L"three"})
    SendMessageW(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(SendMessageW(lb, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(lb, LB_GETTEXTLEN, 5, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(lb, LB_DELETESTRING, 3, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(lb, LB_SETCURSEL, 7, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(lb, LB_SETITEMDATA, 9, 1), LB_ERR);
  EXPECT_EQ(SendMessageW(lb, LB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(L"x")), LB_ERR);
  EXPECT_EQ(SendMessageW(lb, LB_FINDSTRING, 1, reinterpret_cast<LPARAM>(L"T")), 2);
  EXPECT_EQ(SendMessageW(lb, LB_FINDSTRING, 2, reinterpret_cast<LPARAM>(L"T")), 1);

  TapAt(lb, 5, 16 + 5);  // row 1
  EXPECT_EQ(SendMessageW(lb, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Count(WM_COMMAND, LBN_SELCHANGE), 1);
  TapAt(lb, 5, 16 + 5);  // the same row again soon: a double tap, no new selection change
  EXPECT_EQ(Count(WM_COMMAND, LBN_DBLCLK), 1);
  EXPECT_EQ(Count(WM_COMMAND, LBN_SELCHANGE), 1);
  harness::Key(VK_DOWN);
  EXPECT_EQ(SendMessageW(lb, LB_GETCURSEL, 0, 0), 2);
  // Programmatic selection does not notify.
  SendMessageW(lb, LB_SETCURSEL, 0, 0);
  EXPECT_EQ(Count(WM_COMMAND, LBN_SELCHANGE), 2);

  HWND multi = Make(L"listbox", LBS_MULTIPLESEL, 21, 120, 10, 100, 80);
  for (const wchar_t* s : {L"a", L"b", L"c"})
    SendMessageW(multi, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessageW(multi, LB_SETSEL, TRUE, 0);
  SendMessageW(multi, LB_SETSEL, TRUE, 2);
  int sel[4] = {};
  EXPECT_EQ(SendMessageW(multi, LB_GETSELITEMS, 4, reinterpret_cast<LPARAM>(sel)), 2);
  EXPECT_EQ(sel[1], 2);
  EXPECT_EQ(SendMessageW(multi, LB_SETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(Count(WM_COMMAND, LBN_SELCHANGE), 2);  // no LBS_NOTIFY, no notifications
}

TEST_F(UiTest, ComboBoxListAndEditForms) {
  HWND cb = Make(L"combobox", CBS_DROPDOWNLIST, 30, 10, 10, 100, 20);
  EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), CB_ERR);
  for (const wchar_t* s : {L"COM1:", L"COM2:", L"com3:"})
    SendMessageW(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(SendMessageW(cb, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"COM3:")), 2);
  EXPECT_EQ(SendMessageW(cb, CB_FINDSTRING, 2, reinterpret_cast<LPARAM>(L"com")), 0);  // wraps
  EXPECT_EQ(SendMessageW(cb, CB_SELECTSTRING, -1, reinterpret_cast<LPARAM>(L"com2")), 1);
  EXPECT_EQ(SendMessageW(cb, CB_SETCURSEL, 5, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), -1);
  EXPECT_EQ(SendMessageW(cb, CB_GETLBTEXT, 3, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(cb, CB_DELETESTRING, 3, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(cb, CB_LIMITTEXT, 5, 0), CB_ERR);  // no edit

  // Open with the pen, pick row 1 of the list below it.
  TapAt(cb, 50, 10);
  EXPECT_EQ(Count(WM_COMMAND, CBN_DROPDOWN), 1);
  EXPECT_TRUE(SendMessageW(cb, CB_GETDROPPEDSTATE, 0, 0));
  HWND drop = GetCapture();  // the open list holds the pen
  ASSERT_NE(drop, nullptr);
  TapAt(drop, 20, 1 + 16 + 5);
  EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Count(WM_COMMAND, CBN_SELCHANGE), 1);
  EXPECT_EQ(Count(WM_COMMAND, CBN_SELENDOK), 1);
  EXPECT_EQ(Count(WM_COMMAND, CBN_CLOSEUP), 1);
  EXPECT_FALSE(SendMessageW(cb, CB_GETDROPPEDSTATE, 0, 0));
  wchar_t buf[16];
  GetWindowTextW(cb, buf, 16);
  EXPECT_STREQ(buf, L"COM2:");

  HWND ce = Make(L"combobox", CBS_DROPDOWN, 31, 10, 40, 100, 20);
  SendMessageW(ce, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"4800"));
  SendMessageW(ce, CB_LIMITTEXT, 4, 0);
  SetFocus(ce);
  Notes().clear();
  harness::Type(L"123456");
  EXPECT_EQ(Count(WM_COMMAND, CBN_EDITCHANGE), 4);
  GetWindowTextW(ce, buf, 16);
  EXPECT_STREQ(buf, L"1234");
  SendMessageW(ce, CB_SETCURSEL, 0, 0);  // programmatic: no CBN_EDITCHANGE
  EXPECT_EQ(Count(WM_COMMAND, CBN_EDITCHANGE), 4);
  GetWindowTextW(ce, buf, 16);
  EXPECT_STREQ(buf, L"4800");
}

TEST_F(UiTest, MessagesToDestroyedControlsAreHarmless) {
  HWND lb = Make(L"listbox", 0, 40, 0, 0, 50, 50);
  HWND e = Make(L"edit", 0, 41, 0, 60, 50, 20);
  DestroyWindow(lb);
  DestroyWindow(e);
  EXPECT_EQ(SendMessageW(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"x")), 0);
  EXPECT_EQ(SendMessageW(e, EM_GETLIMITTEXT, 0, 0), 0);
  EXPECT_EQ(GetDlgItem(parent, 40), nullptr);
  EXPECT_EQ(SendDlgItemMessageW(parent, 40, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(UiTest, ACheckBoxWithAMultilineStyleWrapsItsLabel) {
  // Dark pixels in the bottom rows of the label area, below a centred single line: only a
  // wrapped label reaches there.
  auto inkBelow = [](HWND box) {
    RECT wr{};
    GetWindowRect(box, &wr);
    int ink = 0;
    for (int y = wr.top + 28; y < wr.bottom; ++y)
      for (int x = wr.left + 17; x < wr.right; ++x) {
        const COLORREF c = harness::ScreenPixel(x, y);
        ink += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
      }
    return ink;
  };
  const wchar_t* label = L"Make a backup copy before saving the working map";
  HWND wrapped = Make(L"button", BS_AUTOCHECKBOX | BS_MULTILINE, 21, 0, 10, 150, 40, label);
  HWND single = Make(L"button", BS_AUTOCHECKBOX, 22, 0, 60, 150, 40, label);
  harness::PumpUntilIdle();
  EXPECT_GT(inkBelow(wrapped), 5);
  EXPECT_EQ(inkBelow(single), 0);
}
