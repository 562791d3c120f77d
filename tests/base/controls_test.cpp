// The settings store's control-bound accessors and the language table's translation of dialogs
// and menus, on real controls of the device.
#include <gtest/gtest.h>

#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/text_utils.h"
#include "platform/harness.h"

namespace {

enum { kEdit = 1001, kCheck = 1002, kCombo = 1003, kMissing = 1999 };

struct Panel {
  HWND dialog = nullptr;

  Panel() {
    harness::Start();
    SetProgramCodePage(1251);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"TestPanel";
    RegisterClassW(&wc);
    dialog = CreateWindowExW(0, L"TestPanel", L"", WS_VISIBLE, 0, 0, 240, 200, nullptr, nullptr, nullptr, nullptr);
    Child(L"edit", WS_BORDER, kEdit);
    Child(L"button", BS_AUTOCHECKBOX, kCheck);
    HWND combo = Child(L"combobox", CBS_DROPDOWNLIST, kCombo);
    for (const wchar_t* item : {L"COM10", L"COM1", L"COM2", L"Bluetooth"})
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  ~Panel() { harness::Stop(); }

  HWND Child(const wchar_t* cls, DWORD style, int id, const wchar_t* text = L"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, dialog,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  std::wstring Text(int id) {
    wchar_t buf[300] = {};
    GetDlgItemTextW(dialog, id, buf, 300);
    return buf;
  }
  LRESULT Send(int id, UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(GetDlgItem(dialog, id), msg, w, l); }
};

std::string Value(const TIniFile& ini, const char* key) {
  std::string v;
  return ini.GetString(key, v) ? v : "<missing>";
}

}  // namespace

TEST(IniFileControls, EditTexts) {
  Panel p;
  TIniFile ini;
  ini.SetString("Name", "\xCA\xE0\xF0\xF2\xE0");  // 1251
  ini.GetStringToDlgItem("Name", p.dialog, kEdit);
  EXPECT_EQ(p.Text(kEdit), L"Карта");
  ini.GetStringToDlgItem("Missing", p.dialog, kEdit);  // a missing key leaves the control
  EXPECT_EQ(p.Text(kEdit), L"Карта");

  SetDlgItemTextW(p.dialog, kEdit, L"Точка 5");
  EXPECT_EQ(ini.SetStringFromDlgItem("Point", p.dialog, kEdit), 0);
  EXPECT_EQ(Value(ini, "Point"), "\xD2\xEE\xF7\xEA\xE0 5");
  EXPECT_EQ(ini.SetStringFromDlgItem("Gone", p.dialog, kMissing), 0);
  EXPECT_EQ(Value(ini, "Gone"), "");  // no control: an empty text

  // Changed or not: a missing key counts as a change, an equal text does not.
  SetDlgItemTextW(p.dialog, kEdit, L"English");
  EXPECT_NE(ini.SetStringFromWindowText("LangFile", p.dialog, kEdit), 0);
  EXPECT_EQ(Value(ini, "LangFile"), "English");
  EXPECT_EQ(ini.SetStringFromWindowText("LangFile", p.dialog, kEdit), 0);
  SetDlgItemTextW(p.dialog, kEdit, L"Deutsch");
  EXPECT_NE(ini.SetStringFromWindowText("LangFile", p.dialog, kEdit), 0);
  EXPECT_EQ(ini.SetStringFromWindowText("Other", p.dialog, kMissing), 0);
  EXPECT_FALSE(ini.HasKey("Other"));
}

TEST(IniFileControls, CheckBoxes) {
  Panel p;
  TIniFile ini;
  ini.SetInt("On", 1);
  ini.SetInt("Two", 2);
  ini.GetIntToCheckBox("On", p.dialog, kCheck);
  EXPECT_EQ(p.Send(kCheck, BM_GETCHECK), BST_CHECKED);
  ini.GetIntToCheckBox("Two", p.dialog, kCheck);  // only 1 checks
  EXPECT_EQ(p.Send(kCheck, BM_GETCHECK), BST_UNCHECKED);
  ini.GetIntToCheckBox("On", p.dialog, kCheck);
  ini.GetIntToCheckBox("Missing", p.dialog, kCheck);
  EXPECT_EQ(p.Send(kCheck, BM_GETCHECK), BST_UNCHECKED);

  p.Send(kCheck, BM_SETCHECK, BST_INDETERMINATE);
  ini.SetIntFromCheckBox("State", p.dialog, kCheck);
  EXPECT_EQ(ini.GetInt("State"), 1);
  p.Send(kCheck, BM_SETCHECK, BST_UNCHECKED);
  ini.SetIntFromCheckBox("State", p.dialog, kCheck);
  EXPECT_EQ(ini.GetInt("State"), 0);
  ini.SetIntFromCheckBox("NoBox", p.dialog, kMissing);
  EXPECT_FALSE(ini.HasKey("NoBox"));
}

TEST(IniFileControls, ComboBoxes) {
  Panel p;
  TIniFile ini;
  ini.SetString("Port", "COM1");
  ini.SelectComboString("Port", p.dialog, kCombo);
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), 1);  // the equal item, not COM10 that comes first

  ini.SetString("Port", "com2");
  ini.SelectComboString("Port", p.dialog, kCombo);
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), 2);  // without regard to case

  ini.SetString("Port", "Blue");
  ini.SelectComboString("Port", p.dialog, kCombo);
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), CB_ERR);  // a prefix of an item is no match

  ini.SetString("Port", "USB");
  ini.SelectComboString("Port", p.dialog, kCombo);
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), CB_ERR);  // no match selects none
  p.Send(kCombo, CB_SETCURSEL, 2);
  ini.SelectComboString("Missing", p.dialog, kCombo);
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), 2);  // a missing key leaves the selection

  ini.SetIntFromComboSel("Sel", p.dialog, kCombo);
  EXPECT_EQ(ini.GetInt("Sel"), 2);
  p.Send(kCombo, CB_SETCURSEL, static_cast<WPARAM>(-1));
  ini.SetIntFromComboSel("Sel", p.dialog, kCombo);
  EXPECT_EQ(ini.GetInt("Sel"), -1);

  ini.SetInt("Idx", 3);
  ini.GetIntToComboSel("Idx", p.dialog, kCombo);
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), 3);
  ini.SetInt("Idx", -1);
  ini.GetIntToComboSel("Idx", p.dialog, kCombo);  // negative: left as it was
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), 3);
  ini.GetIntToComboSel("NoIdx", p.dialog, kCombo);  // missing: item 0
  EXPECT_EQ(p.Send(kCombo, CB_GETCURSEL), 0);
}

TEST(LangTranslate, DialogsSkipStaticIdsAndEmptyTexts) {
  Panel p;
  g_Lang.Clear();
  g_Lang.Add(-1, "CodePageID", L"1251");
  g_Lang.Add(0, "Zero", L"never shown");
  g_Lang.Add(0xFFFF, "Static", L"never shown");
  g_Lang.Add(1, "DlgOk", L"Готово");
  g_Lang.Add(4, "DlgCancel", nullptr);  // registered without a text
  p.Child(L"static", 0, 0xFFFF, L"Label");
  p.Child(L"static", 0, -1, L"Label");
  p.Child(L"static", 0, 0, L"Zero");
  p.Child(L"button", 0, 1, L"OK");
  p.Child(L"button", 0, 4, L"Cancel");
  g_Lang.TranslateDialog(p.dialog);
  EXPECT_EQ(p.Text(1), L"Готово");
  EXPECT_EQ(p.Text(4), L"Cancel");  // empty text: the resource text stays
  HWND label = nullptr, zero = nullptr;
  for (HWND c = GetWindow(p.dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t buf[64] = {};
    GetWindowTextW(c, buf, 64);
    if (std::wstring(buf) == L"Label") label = c;
    if (std::wstring(buf) == L"Zero") zero = c;
  }
  EXPECT_NE(label, nullptr);  // neither took "1251" nor any other text
  EXPECT_NE(zero, nullptr);

  EXPECT_NE(g_Lang.SetWindowText(GetDlgItem(p.dialog, 4), 1), 0);
  EXPECT_EQ(p.Text(4), L"Готово");
  EXPECT_EQ(g_Lang.SetWindowText(GetDlgItem(p.dialog, 4), 4), 0);  // nothing to set
  EXPECT_EQ(p.Text(4), L"Готово");
}

TEST(LangTranslate, MenusReachSubmenuItems) {
  Panel p;
  g_Lang.Clear();
  g_Lang.Add(-1, "CodePageID", L"1251");
  g_Lang.Add(40005, "MMenu_FileExit", L"Выход");
  g_Lang.Add(40214, "MMenu_ScaleAll", nullptr);
  HMENU bar = CreatePopupMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, 40214, L"Show all");
  AppendMenuW(file, MF_STRING, 40005, L"Exit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
  g_Lang.TranslateMenu(bar);

  auto text = [&](UINT id) {
    wchar_t buf[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_ID;
    info.dwTypeData = buf;
    info.cch = 64;
    EXPECT_TRUE(GetMenuItemInfoW(bar, id, FALSE, &info));
    EXPECT_EQ(info.wID, id);
    return std::wstring(buf);
  };
  EXPECT_EQ(text(40005), L"Выход");
  EXPECT_EQ(text(40214), L"Show all");
  DestroyMenu(bar);
}
