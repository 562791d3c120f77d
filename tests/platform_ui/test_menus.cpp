#include <functional>

#include "resources/sample_ids.h"
#include "ui_fixture.h"

namespace {

HMENU SampleMenu() { return LoadMenuW(nullptr, MAKEINTRESOURCEW(IDM_SAMPLE_MENU)); }

}  // namespace

TEST(MenuTest, LoadsTheRegisteredTemplate) {
  HMENU bar = SampleMenu();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(GetMenuItemCount(file), 4);
  EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(IDM_SAMPLE_OPEN));
  EXPECT_EQ(GetMenuItemID(file, 2), 0u);  // separator
  EXPECT_EQ(GetMenuItemID(file, 9), 0xFFFFFFFFu);
  EXPECT_EQ(GetMenuItemID(bar, 1), 0xFFFFFFFFu);  // a popup has no command
  EXPECT_EQ(GetMenuState(bar, IDM_SAMPLE_GRID, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(4242)), nullptr);
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(file));  // submenus go with their menu
  EXPECT_EQ(GetMenuItemCount(file), -1);
}

TEST(MenuTest, ByCommandLooksThroughSubmenusAndRadioChecksTheGroup) {
  HMENU bar = SampleMenu();
  UINT first = IDM_SAMPLE_SCALE_FIRST, last = IDM_SAMPLE_SCALE_FIRST + 4;
  EXPECT_TRUE(CheckMenuRadioItem(bar, first, last, first + 3, MF_BYCOMMAND));
  HMENU scale = GetSubMenu(GetSubMenu(bar, 1), 0);
  for (UINT id = first; id <= last; ++id)
    EXPECT_EQ((GetMenuState(scale, id, MF_BYCOMMAND) & MF_CHECKED) != 0, id == first + 3) << id;
  MENUITEMINFOW mii{sizeof mii, MIIM_TYPE | MIIM_STATE};
  wchar_t buf[32];
  mii.dwTypeData = buf;
  mii.cch = 32;
  ASSERT_TRUE(GetMenuItemInfoW(bar, first + 3, FALSE, &mii));
  EXPECT_STREQ(buf, L"1:10 000");
  EXPECT_TRUE(mii.fType & MFT_RADIOCHECK);
  EXPECT_TRUE(mii.fState & MFS_CHECKED);
  EXPECT_FALSE(CheckMenuRadioItem(bar, first, last, 7777, MF_BYCOMMAND));

  EXPECT_EQ(CheckMenuItem(bar, IDM_SAMPLE_FILL, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(bar, IDM_SAMPLE_FILL, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(bar, 7777, MF_CHECKED), 0xFFFFFFFFu);
  EXPECT_EQ(EnableMenuItem(bar, IDM_SAMPLE_SAVE, MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(bar, IDM_SAMPLE_SAVE, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));

  MENUITEMINFOW set{sizeof set, MIIM_TYPE};
  set.fType = MFT_STRING;
  set.dwTypeData = const_cast<LPWSTR>(L"Сохранить");
  EXPECT_TRUE(SetMenuItemInfoW(bar, IDM_SAMPLE_SAVE, FALSE, &set));
  MENUITEMINFOW len{sizeof len, MIIM_TYPE};
  EXPECT_TRUE(GetMenuItemInfoW(bar, IDM_SAMPLE_SAVE, FALSE, &len));
  EXPECT_EQ(len.cch, 9u);
  DestroyMenu(bar);
}

TEST(MenuTest, BuildingByHandAndMalformedTemplates) {
  HMENU popup = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING, 10, L"ten"));
  EXPECT_TRUE(AppendMenuW(popup, MF_SEPARATOR, 0, nullptr));
  MENUITEMINFOW mii{sizeof mii, MIIM_TYPE | MIIM_ID};
  mii.fType = MFT_STRING;
  mii.wID = 5;
  mii.dwTypeData = const_cast<LPWSTR>(L"five");
  EXPECT_TRUE(InsertMenuItemW(popup, 0, TRUE, &mii));
  EXPECT_TRUE(InsertMenuItemW(popup, 10, FALSE, &mii));  // before the item with command 10
  EXPECT_FALSE(InsertMenuItemW(popup, 99, FALSE, &mii));
  EXPECT_EQ(GetMenuItemCount(popup), 4);
  EXPECT_EQ(GetMenuItemID(popup, 2), 10u);
  EXPECT_FALSE(AppendMenuW(popup, MF_POPUP, 12345, L"bad"));  // not a menu handle
  DestroyMenu(popup);
  EXPECT_FALSE(AppendMenuW(popup, MF_STRING, 1, L"gone"));

  const MENUITEMTEMPLATEW open[] = {{MF_POPUP, 0, L"File"}, {0, 1, L"a"}};  // never closed
  MENUTEMPLATEW t{MENUTEMPLATE_MAGIC, open, 2};
  EXPECT_EQ(LoadMenuIndirectW(&t), nullptr);
  MENUTEMPLATEW wrong{0, open, 2};
  EXPECT_EQ(LoadMenuIndirectW(&wrong), nullptr);
}

std::function<std::vector<UINT>()> keysFor;

LRESULT CALLBACK DriverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_APP) {
    HWND mnu = FindWindowW(L"MNU", L"");
    EXPECT_NE(mnu, nullptr);
    for (UINT k : keysFor()) SendMessageW(mnu, WM_KEYDOWN, k, 0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(UiTest, PopupOpensOnItemZeroAndArrowKeysWrapSkippingSeparators) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DriverProc;
  wc.lpszClassName = L"UiDriver";
  RegisterClassW(&wc);
  HWND driver = CreateWindowExW(0, L"UiDriver", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  HMENU bar = SampleMenu();
  HMENU file = GetSubMenu(bar, 0);  // Open, Save, ----, Exit
  HMENU scale = GetSubMenu(GetSubMenu(bar, 1), 0);
  // Inside the popup's loop: find the "MNU" window as the menu opener does and drive it.
  struct Case {
    HMENU menu;
    std::vector<UINT> keys;
    UINT expected;
  };
  std::vector<Case> cases = {
      {file, {VK_RETURN}, IDM_SAMPLE_OPEN},
      {file, {VK_DOWN, VK_DOWN, VK_RETURN}, IDM_SAMPLE_EXIT},  // the separator is skipped
      {file, {VK_UP, VK_RETURN}, IDM_SAMPLE_EXIT},             // wraps at the top
      {file, {VK_UP, VK_DOWN, VK_RETURN}, IDM_SAMPLE_OPEN},    // and at the bottom
      {file, {VK_ESCAPE}, 0},
  };
  // Index + 8 downs then 8 ups end on the item at every position of a 5-item menu.
  for (UINT i = 0; i < 5; ++i) {
    Case c{scale, {}, IDM_SAMPLE_SCALE_FIRST + i};
    for (UINT k = 0; k < i + 8; ++k) c.keys.push_back(VK_DOWN);
    for (UINT k = 0; k < 8; ++k) c.keys.push_back(VK_UP);
    c.keys.push_back(VK_RETURN);
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    // A posted message is dispatched inside the popup's own loop; its handler finds the popup
    // as the menu opener does (class "MNU", empty title) and sends it the keys.
    static const Case* current;
    current = &c;
    keysFor = [] { return current->keys; };
    PostMessageW(driver, WM_APP, 0, 0);
    Notes().clear();
    UINT got = static_cast<UINT>(TrackPopupMenuEx(c.menu, TPM_RETURNCMD, 10, 100, parent, nullptr));
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
    EXPECT_EQ(Count(WM_INITMENUPOPUP, LOWORD(reinterpret_cast<UINT_PTR>(c.menu))), 1);
  }
  DestroyMenu(bar);
}
