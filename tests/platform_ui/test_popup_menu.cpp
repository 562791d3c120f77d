// The popup menu as a person meets it: a list taller than the screen that scrolls and never covers
// the bar that opened it, the tap that opens a menu picking nothing, and the keys going to the
// open menu alone.
//
// The look the tests rely on: a text row of a menu is 18 pixels, a popup has a 1-pixel frame,
// and a scrolling popup has an arrow row of 14 pixels at each end around a whole number of rows.
// Items are counted from 0, the first row being item 0, as in the other menu tests.
#include <map>

#include "resources/sample_ids.h"
#include "ui_fixture.h"

namespace {

constexpr int kRow = 18;
constexpr int kArrowRow = 14;
constexpr int kBarTop = 320 - MENU_HEIGHT;
constexpr UINT kFirstId = 1000;
constexpr int kTallCount = 30;  // 30 rows of 18 pixels: 542, far above a 320-pixel screen

HMENU TallMenu() {
  HMENU m = CreatePopupMenu();
  for (int i = 0; i < kTallCount; ++i)
    AppendMenuW(m, MF_STRING, kFirstId + i, (L"Row " + std::to_wstring(i)).c_str());
  return m;
}

// Scripts run inside a popup's own loop, one for each popup as it opens (the layer tells the
// owner with WM_INITMENUPOPUP; a posted message then runs in the popup's loop). A script that
// opens a submenu runs that submenu's script nested and goes on when the submenu closes.
std::map<HMENU, std::function<void()>>& Scripts() {
  static std::map<HMENU, std::function<void()>> scripts;
  return scripts;
}

// Runs once the loop that is running now has taken its next message: after the current popup
// level closes, in the loop of the one it cascades from.
std::function<void()>& Later() {
  static std::function<void()> later;
  return later;
}

struct Keys {
  int down = 0, up = 0, chars = 0;
};
Keys g_keys;  // what the window behind the popup was given

void InstallHook() {
  Scripts().clear();
  g_keys = {};
  Hook() = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
    if (msg == WM_INITMENUPOPUP && Scripts().count(reinterpret_cast<HMENU>(wParam))) {
      PostMessageW(hwnd, WM_APP, wParam, 0);
    } else if (msg == WM_APP) {
      std::function<void()> script = Scripts()[reinterpret_cast<HMENU>(wParam)];
      script();
      return true;
    } else if (msg == WM_APP + 1) {
      std::function<void()> later = std::move(Later());
      Later() = nullptr;
      if (later) later();
      return true;
    }
    g_keys.down += msg == WM_KEYDOWN;
    g_keys.up += msg == WM_KEYUP;
    g_keys.chars += msg == WM_CHAR;
    return false;
  };
}

// The innermost open popup: it holds the pen.
HWND OpenPopup() {
  HWND w = GetCapture();
  wchar_t cls[8] = {};
  if (!w || !GetClassNameW(w, cls, 8) || std::wstring(cls) != L"MNU") return nullptr;
  return w;
}

RECT PopupRect() {
  RECT r{};
  GetWindowRect(OpenPopup(), &r);
  return r;
}

// Rows that show at once in a scrolling popup.
int VisibleRows(const RECT& r) { return (r.bottom - r.top - 2 - 2 * kArrowRow) / kRow; }
POINT RowPoint(const RECT& r, int shown) { return {r.left + 20, r.top + 1 + kArrowRow + shown * kRow + kRow / 2}; }
POINT UpArrow(const RECT& r) { return {r.left + 20, r.top + 1 + kArrowRow / 2}; }
POINT DownArrow(const RECT& r) { return {r.left + 20, r.bottom - 1 - kArrowRow / 2}; }
void TapPoint(POINT p) { harness::Tap(p.x, p.y); }

// The rows of the popup's left margin painted in the highlight colour: [top, bottom) on screen.
bool HighlightRows(const RECT& r, int* top, int* bottom) {
  COLORREF hi = GetSysColor(COLOR_HIGHLIGHT);
  *top = *bottom = -1;
  for (int y = r.top; y < r.bottom; ++y) {
    if (harness::ScreenPixel(r.left + 3, y) != hi) continue;
    if (*top < 0) *top = y;
    *bottom = y + 1;
  }
  return *top >= 0;
}

}  // namespace

class PopupTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    InstallHook();
    menu = TallMenu();
  }
  void TearDown() override {
    DestroyMenu(menu);
    UiTest::TearDown();
  }
  UINT Open() {
    return static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_BOTTOMALIGN, 10, kBarTop, parent, nullptr));
  }
  HMENU menu = nullptr;
};

TEST_F(PopupTest, ATallPopupScrollsAndTheArrowRowsReachEveryItem) {
  RECT first{};
  for (int i = 0; i < kTallCount; ++i) {
    Scripts()[menu] = [&, i] {
      RECT r = PopupRect();
      if (i == 0) first = r;
      int shown = VisibleRows(r);
      int scrolled = std::max(0, i - shown + 1);
      for (int k = 0; k < scrolled; ++k) TapPoint(DownArrow(r));  // an arrow row picks nothing
      ASSERT_NE(OpenPopup(), nullptr);
      TapPoint(RowPoint(r, i - scrolled));
    };
    EXPECT_EQ(Open(), kFirstId + i) << "item " << i;
    EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
  }
  // It fits the screen above the anchor, a whole number of rows between the arrows.
  EXPECT_EQ(first.bottom, kBarTop);
  EXPECT_GE(first.top, 0);
  EXPECT_EQ((first.bottom - first.top - 2 - 2 * kArrowRow) % kRow, 0);
  EXPECT_GE(VisibleRows(first), 10);
  EXPECT_LT(VisibleRows(first), kTallCount);
}

TEST_F(PopupTest, ThePenHeldOnAnArrowRowOrDraggedOntoItKeepsScrolling) {
  // Held on the lower arrow: the list runs to its end; the last item is then the bottom row.
  Scripts()[menu] = [] {
    RECT r = PopupRect();
    POINT down = DownArrow(r);
    harness::PenDown(down.x, down.y);
    harness::Advance(5000);
    harness::PenUp(down.x, down.y);
    TapPoint(RowPoint(r, VisibleRows(r) - 1));
  };
  EXPECT_EQ(Open(), kFirstId + kTallCount - 1);

  // Down to the end and held on the upper arrow back to the top.
  Scripts()[menu] = [] {
    RECT r = PopupRect();
    POINT down = DownArrow(r), up = UpArrow(r);
    harness::PenDown(down.x, down.y);
    harness::Advance(5000);
    harness::PenUp(down.x, down.y);
    harness::PenDown(up.x, up.y);
    harness::Advance(5000);
    harness::PenUp(up.x, up.y);
    TapPoint(RowPoint(r, 0));
  };
  EXPECT_EQ(Open(), kFirstId);

  // A press on a row dragged onto the lower arrow and held there scrolls; dragged back up onto
  // a row and released, it picks that row.
  Scripts()[menu] = [] {
    RECT r = PopupRect();
    POINT row = RowPoint(r, 0), down = DownArrow(r), last = RowPoint(r, VisibleRows(r) - 1);
    harness::PenDown(row.x, row.y);
    harness::PenMove(down.x, down.y);
    harness::Advance(5000);
    harness::PenMove(last.x, last.y);
    harness::PenUp(last.x, last.y);
  };
  EXPECT_EQ(Open(), kFirstId + kTallCount - 1);

  // One step at once, then nothing more without time: a short press scrolls one row.
  Scripts()[menu] = [] {
    RECT r = PopupRect();
    TapPoint(DownArrow(r));
    TapPoint(DownArrow(r));
    TapPoint(UpArrow(r));
    TapPoint(RowPoint(r, 0));
  };
  EXPECT_EQ(Open(), kFirstId + 1);
}

TEST_F(PopupTest, TheKeysReachEveryItemAndKeepTheHighlightInSight) {
  for (int i = 0; i < kTallCount; ++i) {
    Scripts()[menu] = [i] {
      harness::PumpUntilIdle();  // the first paint
      for (int k = 0; k < i; ++k) harness::Key(VK_DOWN);
      RECT r = PopupRect();
      int top, bottom;
      if (!HighlightRows(r, &top, &bottom)) {
        ADD_FAILURE() << "item " << i << " out of sight";
        EndMenu();
        return;
      }
      EXPECT_EQ(bottom - top, kRow);
      EXPECT_GE(top, r.top + 1 + kArrowRow);
      EXPECT_LE(bottom, r.bottom - 1 - kArrowRow);
      harness::Key(VK_RETURN);
    };
    EXPECT_EQ(Open(), kFirstId + i) << "item " << i;
  }
  // Up from the first item wraps to the last, which shows as the bottom row.
  Scripts()[menu] = [] {
    harness::Key(VK_UP);
    RECT r = PopupRect();
    int top = -1, bottom = -1;
    EXPECT_TRUE(HighlightRows(r, &top, &bottom));
    EXPECT_EQ(bottom, r.bottom - 1 - kArrowRow);
    harness::Key(VK_DOWN);  // and down from there back to the first, the top row
    EXPECT_TRUE(HighlightRows(r, &top, &bottom));
    EXPECT_EQ(top, r.top + 1 + kArrowRow);
    harness::Key(VK_RETURN);
  };
  EXPECT_EQ(Open(), kFirstId);
}

TEST_F(PopupTest, AnOpenPopupTakesEveryKeyAndTheWindowBehindNone) {
  SetFocus(parent);
  harness::Key(VK_DOWN);
  ASSERT_EQ(g_keys.down, 1);  // the parent takes keys while no menu is open
  g_keys = {};
  // Item 0 is highlighted on open, so three downs and Return pick item 3: the row three below
  // the first.
  Scripts()[menu] = [] {
    harness::Key(VK_DOWN);
    harness::Key(VK_DOWN);
    harness::Char(L'x');
    harness::Key(VK_DOWN);
    harness::KeyDown(VK_RETURN);
  };
  EXPECT_EQ(Open(), kFirstId + 3);
  harness::KeyUp(VK_RETURN);  // Return's release after the menu closed on its press
  EXPECT_EQ(g_keys.down, 0);
  EXPECT_EQ(g_keys.up, 0);
  EXPECT_EQ(g_keys.chars, 0);
  EXPECT_EQ(GetFocus(), parent);
  harness::Key(VK_UP);  // the keys are the parent's again
  EXPECT_EQ(g_keys.down, 1);
  EXPECT_EQ(g_keys.up, 1);
}

TEST_F(PopupTest, EscapeClosesOneLevelAndLeftAndRightWalkSubmenus) {
  HMENU bar = LoadMenuW(nullptr, MAKEINTRESOURCEW(IDM_SAMPLE_MENU));
  HMENU view = GetSubMenu(bar, 1);  // Scale >, Grid, Fill
  HMENU scale = GetSubMenu(view, 0);
  SetFocus(parent);
  int scaleOpened = 0;
  HWND viewPopup = nullptr;
  Scripts()[view] = [&] {
    viewPopup = OpenPopup();
    harness::Key(VK_LEFT);  // the outermost popup has no level to go back to
    ASSERT_EQ(OpenPopup(), viewPopup);
    harness::Key(VK_RIGHT);  // opens Scale; its script leaves with Left
    EXPECT_EQ(OpenPopup(), viewPopup);
    harness::Key(VK_RETURN);  // opens Scale again; its script leaves with Escape
    EXPECT_EQ(OpenPopup(), viewPopup);
    harness::Key(VK_DOWN);
    harness::Key(VK_RIGHT);  // Grid has no submenu: nothing happens
    EXPECT_EQ(OpenPopup(), viewPopup);
    harness::Key(VK_UP);
    harness::Key(VK_RIGHT);  // Scale a third time: its script picks
  };
  Scripts()[scale] = [&] {
    ++scaleOpened;
    HWND sub = OpenPopup();
    ASSERT_NE(sub, nullptr);
    EXPECT_NE(sub, viewPopup);
    RECT vr, sr;
    GetWindowRect(viewPopup, &vr);
    GetWindowRect(sub, &sr);
    EXPECT_GT(sr.right, vr.right);  // to the right of its parent
    if (scaleOpened == 1) harness::Key(VK_LEFT);
    else if (scaleOpened == 2) harness::Key(VK_ESCAPE);
    else {
      harness::Key(VK_DOWN);
      harness::Key(VK_DOWN);
      harness::Key(VK_RETURN);
    }
  };
  UINT got = static_cast<UINT>(TrackPopupMenuEx(view, TPM_RETURNCMD, 10, 60, parent, nullptr));
  EXPECT_EQ(got, static_cast<UINT>(IDM_SAMPLE_SCALE_FIRST + 2));
  EXPECT_EQ(scaleOpened, 3);
  EXPECT_EQ(g_keys.down + g_keys.up, 0);

  // Escape at the outermost level closes the menu, choosing nothing.
  Scripts()[view] = [] { harness::Key(VK_ESCAPE); };
  EXPECT_EQ(TrackPopupMenuEx(view, TPM_RETURNCMD, 10, 60, parent, nullptr), 0);
  EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
  EXPECT_EQ(g_keys.down + g_keys.up, 0);
  DestroyMenu(bar);
}

TEST_F(PopupTest, APenDownOnTheParentClosesTheSubmenuAndActsThereAndOneElsewhereClosesAll) {
  HMENU bar = LoadMenuW(nullptr, MAKEINTRESOURCEW(IDM_SAMPLE_MENU));
  HMENU view = GetSubMenu(bar, 1);  // Scale >, Grid, Fill
  HMENU scale = GetSubMenu(view, 0);
  RECT vr{};
  Scripts()[view] = [&] {
    vr = PopupRect();
    harness::Key(VK_RIGHT);
  };
  // A tap on the parent's "Fill" row closes Scale and picks Fill. Its pen-up comes once Scale
  // has closed, as a person's does.
  Scripts()[scale] = [&] {
    POINT fill{vr.left + 20, vr.top + 1 + 2 * kRow + kRow / 2};
    harness::PenDown(fill.x, fill.y);
    Later() = [fill] { harness::PenUp(fill.x, fill.y); };
    PostMessageW(parent, WM_APP + 1, 0, 0);
  };
  EXPECT_EQ(TrackPopupMenuEx(view, TPM_RETURNCMD, 10, 60, parent, nullptr), IDM_SAMPLE_FILL);
  // A tap on neither closes both.
  Scripts()[scale] = [&] { harness::Tap(5, 300); };
  EXPECT_EQ(TrackPopupMenuEx(view, TPM_RETURNCMD, 10, 60, parent, nullptr), 0);
  EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
  DestroyMenu(bar);
}

TEST_F(PopupTest, TheOpeningTapsOwnPenUpPicksNothingWhilePressDragReleasePicks) {
  // A menu opened on the pen-down at the pen's point, centred on it, as a tap-and-hold menu
  // would be: the pen-up comes back on the middle of a row.
  HMENU small = CreatePopupMenu();
  for (int i = 0; i < 5; ++i) AppendMenuW(small, MF_STRING, kFirstId + i, L"Item");
  UINT got = 99;
  ParentHook scripts = Hook();
  Hook() = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* r) {
    if (msg == WM_LBUTTONDOWN) {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      got = static_cast<UINT>(
          TrackPopupMenuEx(small, TPM_RETURNCMD | TPM_CENTERALIGN | TPM_VCENTERALIGN, p.x, p.y, hwnd, nullptr));
      return true;
    }
    return scripts(hwnd, msg, wParam, lParam, r);
  };
  // The tap: the menu shows and stays (the script finds it open after the pen-up) and Escape
  // closes it.
  bool openAfterTap = false;
  Scripts()[small] = [&] {
    harness::PumpUntilIdle();
    openAfterTap = OpenPopup() != nullptr;
    harness::Key(VK_ESCAPE);
  };
  harness::Tap(120, 150);
  EXPECT_TRUE(openAfterTap);
  EXPECT_EQ(got, 0u);

  // Pressed, dragged two rows down and released: picks the row under the pen. The centre row
  // (item 2) is under the press.
  Scripts().clear();
  harness::Drag(120, 150, 120, 150 + 2 * kRow);
  EXPECT_EQ(got, kFirstId + 4);
  // A later tap on a row of an open menu picks it as ever.
  Scripts()[small] = [&] {
    harness::PumpUntilIdle();
    harness::Tap(120, 150 - kRow);
  };
  harness::Tap(120, 150);
  EXPECT_EQ(got, kFirstId + 1);
  Hook() = nullptr;  // it refers to this test's locals
  DestroyMenu(small);
}

TEST_F(PopupTest, ATallDropDownStaysAboveItsBarAndATapOnTheButtonOnlyShowsIt) {
  SHMENUBARINFO mb{};
  mb.cbSize = sizeof mb;
  mb.hwndParent = parent;
  mb.nToolBarId = IDR_SAMPLE_MENUBAR;
  mb.dwFlags = SHCMBF_COLORBK;
  mb.clrBk = RGB(255, 255, 0);
  ASSERT_TRUE(SHCreateMenuBar(&mb));
  harness::PumpUntilIdle();
  HMENU view = reinterpret_cast<HMENU>(SendMessageW(mb.hwndMB, SHCMBM_GETSUBMENU, 0, IDM_SAMPLE_VIEWBUTTON));
  for (int i = 0; i < 25; ++i) AppendMenuW(view, MF_STRING, kFirstId + i, L"More");  // 28 rows
  RECT button{};
  ASSERT_TRUE(SendMessageW(mb.hwndMB, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&button)));
  POINT press{(button.left + button.right) / 2, kBarTop + MENU_HEIGHT / 2};

  RECT shown{};
  Scripts()[view] = [&] {
    harness::PumpUntilIdle();  // the tap's pen-up
    ASSERT_NE(OpenPopup(), nullptr);
    shown = PopupRect();
    harness::Key(VK_ESCAPE);
  };
  Notes().clear();
  harness::Tap(press.x, press.y);
  EXPECT_EQ(Count(WM_COMMAND, 0), 0);
  EXPECT_EQ(shown.bottom, kBarTop);
  EXPECT_GE(shown.top, 0);
  EXPECT_EQ(harness::ScreenPixel(150, kBarTop + 10), RGB(255, 255, 0));

  // Pressed on the button, dragged up onto a row (over the lower arrow row, quickly) and released
  // there: picks it. Rows 0-2 are Scale, Grid and Fill, so the row 5 of the list is the third
  // "More".
  Scripts().clear();
  Notes().clear();
  POINT row = RowPoint(shown, 5);
  harness::Drag(press.x, press.y, row.x, row.y);
  ASSERT_EQ(Count(WM_COMMAND, 0), 1);
  EXPECT_EQ(Notes().back().id, static_cast<int>(kFirstId + 2));
  EXPECT_EQ(FindWindowW(L"MNU", L""), nullptr);
}
