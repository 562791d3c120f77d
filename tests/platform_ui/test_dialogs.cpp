#include <string>

#include "resources/sample_ids.h"
#include "ui_fixture.h"

namespace {

std::vector<std::string> g_log;

INT_PTR CALLBACK SampleProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      g_log.push_back("init " + std::to_string(lParam));
      SetDlgItemInt(dlg, IDC_SAMPLE_EDIT, static_cast<UINT>(-12), TRUE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        g_log.push_back("end " + std::to_string(LOWORD(wParam)));
        EndDialog(dlg, LOWORD(wParam) == IDOK ? 100 : 200);
        EndDialog(dlg, 300);  // a second call keeps the first result
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

TEST_F(UiTest, ModalDialogDisablesItsOwnerAndReturnsTheEndResult) {
  g_log.clear();
  bool ownerDisabled = false;
  int edit = 0;
  BOOL ok = FALSE;
  harness::OnDialog(IDD_SAMPLE_CONTROLS, [&](HWND dlg) {
    ownerDisabled = !IsWindowEnabled(parent);
    edit = static_cast<int>(GetDlgItemInt(dlg, IDC_SAMPLE_EDIT, &ok, TRUE));
    EXPECT_EQ(GetDlgItem(dlg, 4242), nullptr);
    EXPECT_EQ(GetDlgItemTextW(dlg, 4242, nullptr, 0), 0u);
    CheckDlgButton(dlg, IDC_SAMPLE_CHECK, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SAMPLE_CHECK), static_cast<UINT>(BST_CHECKED));
    // Enter in the dialog presses the default button (IDOK).
    SetFocus(GetDlgItem(dlg, IDC_SAMPLE_EDIT));
    harness::Key(VK_RETURN);
  });
  INT_PTR r = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, SampleProc, 77);
  EXPECT_EQ(r, 100);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(parent));
  EXPECT_EQ(edit, -12);
  EXPECT_TRUE(ok);
  EXPECT_EQ(g_log, (std::vector<std::string>{"init 77", "end 1"}));
  EXPECT_EQ(harness::DialogsOpened().back(), IDD_SAMPLE_CONTROLS);
}

TEST_F(UiTest, EscapeCancelsAndNestedModalDialogsUnwindInOrder) {
  g_log.clear();
  INT_PTR inner = 0;
  const DLGITEMTEMPLATEW items[] = {{L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 10, 10, 50, 20}};
  static DLGTEMPLATEW innerTemplate{DLGTEMPLATE_MAGIC, 8001, WS_POPUP, 0, L"Inner", nullptr, 0, 20, 60, 200, 100, items, 1};
  harness::OnDialog(8001, [&](HWND dlg) {
    EXPECT_FALSE(IsWindowEnabled(GetParent(dlg)));  // the outer dialog, now an owner
    SendMessageW(dlg, WM_COMMAND, IDOK, 0);
  });
  harness::OnDialog(IDD_SAMPLE_CONTROLS, [&](HWND dlg) {
    inner = DialogBoxIndirectParamW(nullptr, &innerTemplate, dlg, SampleProc, 5);
    EXPECT_TRUE(IsWindowEnabled(dlg));
    harness::Key(VK_ESCAPE);
  });
  INT_PTR r = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, SampleProc, 1);
  EXPECT_EQ(inner, 100);
  EXPECT_EQ(r, 200);
  EXPECT_EQ(g_log, (std::vector<std::string>{"init 1", "init 5", "end 1", "end 2"}));
}

TEST_F(UiTest, UnscriptedOrBrokenDialogsFailCleanly) {
  // No script: the harness ends the dialog with IDCANCEL.
  EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, SampleProc, 0), IDCANCEL);
  EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4321), parent, SampleProc, 0), -1);
  const DLGITEMTEMPLATEW items[] = {{L"button", 1, L"a", 0, 0, 0, 0, 10, 10},
                                    {L"NoSuchClass", 2, L"b", 0, 0, 0, 20, 10, 10}};
  DLGTEMPLATEW bad{DLGTEMPLATE_MAGIC, 8002, WS_POPUP, 0, L"Bad", nullptr, 0, 0, 0, 100, 100, items, 2};
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &bad, parent, SampleProc, 0), -1);
  EXPECT_EQ(CreateDialogIndirectParamW(nullptr, &bad, parent, SampleProc, 0), nullptr);
  EXPECT_TRUE(IsWindowEnabled(parent));
  EXPECT_EQ(FindWindowW(nullptr, L"Bad"), nullptr);
  DLGTEMPLATEW notOurs{};
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &notOurs, parent, SampleProc, 0), -1);
  EXPECT_FALSE(EndDialog(parent, 1));  // not a dialog
}

TEST_F(UiTest, ModelessDialogAndTabOrder) {
  HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, SampleProc, 3);
  ASSERT_NE(dlg, nullptr);
  ShowWindow(dlg, SW_SHOW);
  harness::PumpUntilIdle();
  SetFocus(GetDlgItem(dlg, IDC_SAMPLE_EDIT));
  harness::Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_SAMPLE_CHECK));
  SetFocus(GetDlgItem(dlg, IDC_SAMPLE_RADIO1));
  harness::Key(VK_DOWN);  // arrows move within the radio group and check
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_SAMPLE_RADIO2));
  EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SAMPLE_RADIO2), static_cast<UINT>(BST_CHECKED));
  EXPECT_TRUE(SetDlgItemTextW(dlg, IDC_SAMPLE_EDIT, L"xyz"));
  wchar_t buf[8];
  EXPECT_EQ(GetDlgItemTextW(dlg, IDC_SAMPLE_EDIT, buf, 8), 3u);
  BOOL ok = TRUE;
  GetDlgItemInt(dlg, IDC_SAMPLE_EDIT, &ok, FALSE);
  EXPECT_FALSE(ok);
  DestroyWindow(dlg);
  EXPECT_FALSE(EndDialog(dlg, 1));
}

TEST_F(UiTest, MessageBoxAnswersByScript) {
  harness::AnswerMessageBox(L"Save", IDNO);
  EXPECT_EQ(MessageBoxW(parent, L"Save changes?", L"Vorna", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBoxW(parent, L"Other", nullptr, MB_OK), IDOK);
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
}

TEST_F(UiTest, SampleDialogRendersAsPng) {
  HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, SampleProc, 0);
  ASSERT_NE(dlg, nullptr);
  for (const wchar_t* s : {L"Streets", L"Houses", L"Cities"})
    SendDlgItemMessageW(dlg, IDC_SAMPLE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendDlgItemMessageW(dlg, IDC_SAMPLE_LIST, LB_SETCURSEL, 1, 0);
  SendDlgItemMessageW(dlg, IDC_SAMPLE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"COM1:"));
  SendDlgItemMessageW(dlg, IDC_SAMPLE_COMBO, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageW(dlg, IDC_SAMPLE_COMBOEDIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"4800"));
  SendDlgItemMessageW(dlg, IDC_SAMPLE_COMBOEDIT, CB_SETCURSEL, 0, 0);
  CheckDlgButton(dlg, IDC_SAMPLE_CHECK, BST_CHECKED);
  CheckDlgButton(dlg, IDC_SAMPLE_RADIO2, BST_CHECKED);
  for (const wchar_t* s : {L"Адрес", L"Объект"}) {
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<LPWSTR>(s);
    SendDlgItemMessageW(dlg, IDC_SAMPLE_TAB, TCM_INSERTITEMW, 9, reinterpret_cast<LPARAM>(&tab));
  }
  HWND lv = GetDlgItem(dlg, IDC_SAMPLE_LISTVIEW);
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<LPWSTR>(c ? L"Size" : L"Name");
    col.cx = c ? 56 : 82;
    SendMessageW(lv, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  const wchar_t* rows[][2] = {{L"roads.mdm", L"12 KB"}, {L"rivers.mdm", L"3 KB"}, {L"Карта.mdm", L"140 KB"}};
  for (int i = 0; i < 3; ++i) {
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = const_cast<LPWSTR>(rows[i][0]);
    SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
    it.iSubItem = 1;
    it.pszText = const_cast<LPWSTR>(rows[i][1]);
    SendMessageW(lv, LVM_SETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
  }
  LVITEMW sel{};
  sel.state = sel.stateMask = LVIS_SELECTED;
  SendMessageW(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&sel));
  HWND tree = GetDlgItem(dlg, IDC_SAMPLE_TREE);
  auto node = [&](HTREEITEM parentItem, const wchar_t* text) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = parentItem;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<LPWSTR>(text);
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  };
  HTREEITEM root = node(TVI_ROOT, L"Device");
  node(root, L"Maps");
  HTREEITEM docs = node(root, L"Docs");
  node(docs, L"a.txt");
  node(TVI_ROOT, L"Card");
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(docs));
  SYSTEMTIME when{2024, 5, 0, 17, 14, 35, 9, 0};
  SendDlgItemMessageW(dlg, IDC_SAMPLE_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));
  SendDlgItemMessageW(dlg, IDC_SAMPLE_TIME, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));
  SendDlgItemMessageW(dlg, IDC_SAMPLE_PROGRESS, PBM_SETPOS, 60, 0);
  SendDlgItemMessageW(dlg, IDC_SAMPLE_TRACK, TBM_SETPOS, TRUE, 30);
  SetScrollRange(GetDlgItem(dlg, IDC_SAMPLE_SCROLL), SB_CTL, 0, 100, TRUE);
  SetScrollPos(GetDlgItem(dlg, IDC_SAMPLE_SCROLL), SB_CTL, 40, TRUE);
  ShowWindow(dlg, SW_SHOW);
  UpdateWindow(dlg);
  harness::PumpUntilIdle();
  std::string path = std::string(VORNA_BINARY_DIR) + "/platform_ui_sample_dialog.png";
  ASSERT_TRUE(harness::SaveScreen(path));
  // The selected list row is drawn in the highlight colour.
  HWND list = GetDlgItem(dlg, IDC_SAMPLE_LIST);
  POINT p{3, 16 + 2};
  ClientToScreen(list, &p);
  EXPECT_EQ(harness::ScreenPixel(p.x, p.y), GetSysColor(COLOR_HIGHLIGHT));
  // So is the selected list-view row's label (row 1, under the 18-pixel header), past its text.
  p = POINT{78, 18 + 16 + 8};
  ClientToScreen(lv, &p);
  EXPECT_EQ(harness::ScreenPixel(p.x, p.y), GetSysColor(COLOR_HIGHLIGHT));
  // Every control kind of the layer is in the sample.
  for (const wchar_t* cls : {L"static", L"edit", L"button", L"listbox", L"combobox", L"SysListView32",
                             L"SysTreeView32", L"SysTabControl32", L"msctls_trackbar32", L"SysDateTimePick32",
                             L"msctls_progress32", L"scrollbar"}) {
    bool found = false;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      wchar_t name[32] = {};
      GetClassNameW(c, name, 32);
      found |= wcscmp(name, cls) == 0;
    }
    EXPECT_TRUE(found) << "no control of class " << std::string(cls, cls + wcslen(cls));
  }
}
