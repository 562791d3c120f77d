#include "platform/core/internal.h"
#include "platform/core/state.h"
#include "resources/sample_ids.h"
#include "ui_fixture.h"

namespace {

HWND MakeBar(HWND owner) {
  SHMENUBARINFO mb{};
  mb.cbSize = sizeof mb;
  mb.hwndParent = owner;
  mb.nToolBarId = IDR_SAMPLE_MENUBAR;
  mb.dwFlags = SHCMBF_COLORBK;
  mb.clrBk = RGB(255, 255, 0);
  EXPECT_TRUE(SHCreateMenuBar(&mb));
  harness::PumpUntilIdle();
  return mb.hwndMB;
}

// Taps the middle of the bar's button `index`.
void TapButton(HWND bar, int index) {
  RECT rc{};
  ASSERT_TRUE(SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc)));
  POINT p{(rc.left + rc.right) / 2, MENU_HEIGHT / 2};
  ClientToScreen(bar, &p);
  harness::Tap(p.x, p.y);
}

}  // namespace

TEST_F(UiTest, CommandBarDropDownOpensItsSubmenuAndCheckButtonsToggle) {
  HWND bar = MakeBar(parent);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SHFindMenuBar(parent), bar);
  RECT wr;
  GetWindowRect(bar, &wr);
  EXPECT_EQ(wr.top, 320 - MENU_HEIGHT);
  EXPECT_EQ(wr.bottom, 320);
  EXPECT_EQ(harness::ScreenPixel(wr.right - 40, wr.top + 10), RGB(255, 255, 0));
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETMENU, 0, 0));
  HMENU view = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_SAMPLE_VIEWBUTTON));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view, GetSubMenu(menu, 1));
  EXPECT_EQ(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_SAMPLE_GRID), 0);  // not a drop-down

  // The drop-down tells the owner with the same handle, and the chosen item comes back as a
  // command. The owner picks the second item with the keys once the popup is up.
  HMENU initialised = nullptr;
  Hook() = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
    if (msg == WM_INITMENUPOPUP) {
      initialised = reinterpret_cast<HMENU>(wParam);
      PostMessageW(hwnd, WM_APP, 0, 0);
    } else if (msg == WM_APP) {
      HWND mnu = FindWindowW(L"MNU", L"");
      EXPECT_NE(mnu, nullptr);
      SendMessageW(mnu, WM_KEYDOWN, VK_DOWN, 0);
      SendMessageW(mnu, WM_KEYDOWN, VK_RETURN, 0);
    }
    return false;
  };
  TapButton(bar, 1);
  EXPECT_EQ(initialised, view);
  EXPECT_EQ(Count(WM_COMMAND, 0), 1);
  ASSERT_FALSE(Notes().empty());
  EXPECT_EQ(Notes().back().id, IDM_SAMPLE_GRID);  // item 1 of "View" ("Scale" is item 0)
  Hook() = nullptr;

  EXPECT_TRUE(SendMessageW(bar, TB_ISBUTTONCHECKED, IDM_SAMPLE_GRID, 0));
  Notes().clear();
  TapButton(bar, 2);
  EXPECT_FALSE(SendMessageW(bar, TB_ISBUTTONCHECKED, IDM_SAMPLE_GRID, 0));
  ASSERT_EQ(Notes().size(), 1u);
  EXPECT_EQ(Notes()[0].id, IDM_SAMPLE_GRID);
  EXPECT_TRUE(SendMessageW(bar, TB_CHECKBUTTON, IDM_SAMPLE_FILL, MAKELONG(TRUE, 0)));
  EXPECT_TRUE(SendMessageW(bar, TB_ISBUTTONCHECKED, IDM_SAMPLE_FILL, 0));
  // A command no button has: nothing happens, nothing breaks.
  EXPECT_FALSE(SendMessageW(bar, TB_CHECKBUTTON, 40163, MAKELONG(TRUE, 0)));
  EXPECT_FALSE(SendMessageW(bar, TB_ISBUTTONCHECKED, 40163, 0));
  EXPECT_FALSE(SendMessageW(bar, TB_ENABLEBUTTON, 40163, 0));
  // A disabled button does not answer the pen.
  SendMessageW(bar, TB_ENABLEBUTTON, IDM_SAMPLE_OPEN, MAKELONG(FALSE, 0));
  Notes().clear();
  TapButton(bar, 4);
  EXPECT_TRUE(Notes().empty());

  // The bar goes with its owner.
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(SHFindMenuBar(parent), nullptr);
}

TEST_F(UiTest, CommandBarRefusesBadRequests) {
  SHMENUBARINFO mb{};
  EXPECT_FALSE(SHCreateMenuBar(&mb));  // no size
  mb.cbSize = sizeof mb;
  mb.hwndParent = parent;
  mb.nToolBarId = 4242;  // no such template
  EXPECT_FALSE(SHCreateMenuBar(&mb));
  mb.nToolBarId = IDM_SAMPLE_MENU;  // a menu, not a menu bar
  EXPECT_FALSE(SHCreateMenuBar(&mb));
  mb.dwFlags = SHCMBF_EMPTYBAR;
  EXPECT_TRUE(SHCreateMenuBar(&mb));
  EXPECT_EQ(SendMessageW(mb.hwndMB, TB_BUTTONCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(mb.hwndMB, SHCMBM_GETMENU, 0, 0), 0);
  EXPECT_EQ(SHFindMenuBar(nullptr), nullptr);
}

TEST_F(UiTest, FullScreenAndTheInputPanelWindows) {
  HWND edit = Make(L"edit", WS_BORDER, 70, 10, 10, 200, 20);
  MakeBar(parent);
  HWND sip = FindWindowW(L"SipWndClass", nullptr);
  HWND button = FindWindowW(L"MS_SIPBUTTON", L"MS_SIPBUTTON");
  ASSERT_NE(sip, nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(IsWindowVisible(button));
  EXPECT_FALSE(SipIsShown());
  EXPECT_TRUE(SHFullScreen(parent, SHFS_HIDESIPBUTTON | SHFS_HIDETASKBAR));
  EXPECT_FALSE(IsWindowVisible(button));
  EXPECT_TRUE(SHFullScreen(parent, SHFS_SHOWSIPBUTTON));
  EXPECT_TRUE(IsWindowVisible(button));
  EXPECT_FALSE(SHFullScreen(reinterpret_cast<HWND>(0x7777), SHFS_SHOWTASKBAR));

  SetFocus(edit);
  EXPECT_TRUE(SHSipPreference(edit, SIP_UP));
  harness::PumpUntilIdle();
  EXPECT_TRUE(SipIsShown());
  RECT sr;
  GetWindowRect(sip, &sr);
  EXPECT_EQ(sr.top, 320 - MENU_HEIGHT - 80);
  EXPECT_EQ(sr.bottom - sr.top, 80);
  EXPECT_EQ(sr.right - sr.left, 240);
  // Keys type into the focused edit, which keeps the focus: "1", shift + "w", "e", backspace.
  harness::Tap(10, sr.top + 10);
  harness::Tap(10, sr.top + 70);
  harness::Tap(30, sr.top + 30);
  harness::Tap(50, sr.top + 30);
  harness::Tap(230, sr.top + 50);
  EXPECT_EQ(GetFocus(), edit);
  wchar_t buf[16] = {};
  GetWindowTextW(edit, buf, 16);
  EXPECT_STREQ(buf, L"1W");
  // The panel's button toggles it; a window coming back gets the panel as it asked.
  RECT br;
  GetWindowRect(button, &br);
  harness::Tap(br.left + 5, br.top + 5);
  EXPECT_FALSE(SipIsShown());
  EXPECT_TRUE(SHHandleWMActivate(edit, WA_ACTIVE, 0, nullptr, 0));
  EXPECT_TRUE(SipIsShown());
  EXPECT_TRUE(SHSipPreference(edit, SIP_DOWN));
  EXPECT_FALSE(SipIsShown());
}

namespace {

int g_doneCommands = 0;
INT_PTR CALLBACK DoneProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) ++g_doneCommands;
  return msg == WM_INITDIALOG;
}

}  // namespace

TEST_F(UiTest, InitDialogSizesTheDialogAndGivesItTheDoneButton) {
  g_doneCommands = 0;
  HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, DoneProc, 0);
  ASSERT_NE(dlg, nullptr);
  ShowWindow(dlg, SW_SHOW);
  SHSipPreference(dlg, SIP_UP);
  SHINITDLGINFO init{SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR};
  EXPECT_TRUE(SHInitDialog(&init));
  harness::PumpUntilIdle();
  EXPECT_FALSE(SipIsShown());
  RECT wr;
  GetWindowRect(dlg, &wr);
  EXPECT_EQ(wr.top, 26);
  EXPECT_EQ(wr.bottom, 320);
  init.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN;
  EXPECT_TRUE(SHInitDialog(&init));
  GetWindowRect(dlg, &wr);
  EXPECT_EQ(wr.bottom, 320 - MENU_HEIGHT);
  harness::PumpUntilIdle();
  harness::Tap(230, 13);  // the Done button at the task bar's right end
  EXPECT_EQ(g_doneCommands, 1);
  init.dwMask = 0;
  EXPECT_FALSE(SHInitDialog(&init));
  EXPECT_FALSE(SHInitDialog(nullptr));
}

namespace {

DWORD g_gestureFlags = 0;
std::vector<DWORD> g_gestures;

LRESULT CALLBACK GestureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) {
    SHRGINFO info{sizeof(SHRGINFO), hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, g_gestureFlags};
    g_gestures.push_back(SHRecognizeGesture(&info));
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Queues a pen-down now and the rest of the gesture `ms` later on the virtual clock, then lets
// the window handle it all: the recogniser sees the later events waiting in the queue.
void HoldFor(unsigned ms, int moveBy = 0) {
  uint64_t t0 = harness::Now();
  vplat::InjectPen(vplat::PenEvent::Down, 100, 100);
  vplat::core::SetVirtualNow(t0 + ms / 2);
  vplat::InjectPen(vplat::PenEvent::Move, 100 + moveBy, 100);
  vplat::core::SetVirtualNow(t0 + ms);
  vplat::InjectPen(vplat::PenEvent::Up, 100 + moveBy, 100);
  harness::PumpUntilIdle();
}

}  // namespace

TEST_F(UiTest, GestureRecogniserTellsTapFromTapAndHoldOnVirtualTime) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = GestureProc;
  wc.lpszClassName = L"UiGesture";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"UiGesture", L"", WS_VISIBLE, 0, 26, 240, 294, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  g_gestures.clear();
  g_gestureFlags = SHRG_RETURNCMD;
  harness::Tap(100, 100);  // up at once
  HoldFor(400);            // up before 500 ms
  HoldFor(600);            // up after 500 ms
  HoldFor(600, 4);         // moved within the tolerance
  HoldFor(600, 9);         // moved too far
  harness::PenDown(100, 100);  // nothing else waiting: still down when the delay ends
  harness::PenUp(100, 100);
  g_gestureFlags = SHRG_RETURNCMD | SHRG_LONGDELAY;
  HoldFor(600);   // the long delay is 1000 ms
  HoldFor(1100);
  EXPECT_EQ(g_gestures, (std::vector<DWORD>{0, 0, GN_CONTEXTMENU, GN_CONTEXTMENU, 0, GN_CONTEXTMENU, 0, GN_CONTEXTMENU}));
  SHRGINFO bad{sizeof(SHRGINFO), nullptr, POINT{0, 0}, SHRG_RETURNCMD};
  EXPECT_EQ(SHRecognizeGesture(&bad), 0u);
  EXPECT_EQ(SHRecognizeGesture(nullptr), 0u);
}

TEST_F(UiTest, OpenComboListIsATopLevelWindowFindWindowFinds) {
  HWND cb = Make(L"combobox", CBS_DROPDOWNLIST, 30, 10, 10, 100, 20);
  SendMessageW(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
  EXPECT_EQ(FindWindowW(L"ComboLBox", nullptr), nullptr);
  SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
  HWND drop = FindWindowW(L"ComboLBox", nullptr);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop, GetCapture());
  EXPECT_TRUE(IsWindowVisible(drop));
  SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(FindWindowW(L"ComboLBox", nullptr), nullptr);
}

TEST_F(UiTest, InputPanelSwitchesToCyrillicAndSizedDialogsKeepClearOfIt) {
  HWND edit = Make(L"edit", WS_BORDER, 71, 10, 10, 200, 20);
  SetFocus(edit);
  SHSipPreference(edit, SIP_UP);
  harness::PumpUntilIdle();
  int top = 320 - MENU_HEIGHT - 80;
  harness::Tap(210, top + 70);  // the language key
  harness::Tap(10, top + 30);   // "й" where "q" was
  harness::Tap(230, top + 70);  // Enter reaches the edit as a key, so a dialog would see it
  wchar_t buf[8] = {};
  GetWindowTextW(edit, buf, 8);
  EXPECT_STREQ(buf, L"й");

  HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(9001), parent, DoneProc, 0);
  ASSERT_NE(dlg, nullptr);
  SHINITDLGINFO init{SHIDIM_FLAGS, dlg, SHIDIF_SIZEDLG};
  EXPECT_TRUE(SHInitDialog(&init));
  RECT wr;
  GetWindowRect(dlg, &wr);
  EXPECT_EQ(wr.bottom, top);  // above the raised panel
  EXPECT_TRUE(SipIsShown());
}

// A dialog whose lower controls lie under the raised input panel, the OK button half under it:
// when the panel and its button go down (as an edit losing the focus takes them), every control
// is there again, pixel for pixel, though the dialog's erase reaches from the panel's band over
// controls the panel never covered.
TEST_F(UiTest, ControlsUnderTheInputPanelAreDrawnAgainWhenItGoesDown) {
  HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SAMPLE_CONTROLS), parent, DoneProc, 0);
  ASSERT_NE(dlg, nullptr);
  ShowWindow(dlg, SW_SHOW);
  HWND edit = GetDlgItem(dlg, IDC_SAMPLE_EDIT);
  SetFocus(edit);
  harness::PumpUntilIdle();
  const int top = 320 - MENU_HEIGHT - 80;  // the panel's top edge
  RECT ok{};
  GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
  ASSERT_LT(ok.top, top + 80);
  ASSERT_GT(ok.bottom, top + 80);
  auto lower = [top] {
    std::vector<COLORREF> pixels;
    for (int y = top; y < 320; ++y)
      for (int x = 0; x < 240; ++x) pixels.push_back(harness::ScreenPixel(x, y));
    return pixels;
  };
  const std::vector<COLORREF> before = lower();

  SHSipPreference(edit, SIP_UP);
  SHFullScreen(edit, SHFS_SHOWSIPBUTTON);
  harness::PumpUntilIdle();
  ASSERT_TRUE(SipIsShown());
  ASSERT_NE(lower(), before);
  SHSipPreference(edit, SIP_DOWN);
  SHFullScreen(edit, SHFS_HIDESIPBUTTON);
  harness::PumpUntilIdle();
  ASSERT_FALSE(SipIsShown());
  const std::vector<COLORREF> after = lower();
  int differing = 0;
  for (size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  EXPECT_EQ(differing, 0);
}
