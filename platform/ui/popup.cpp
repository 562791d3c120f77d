// TrackPopupMenuEx: the popup window of class "MNU" (empty title) that shows a menu and runs a
// nested loop until an item is chosen or the menu is cancelled.
//
// Keys: while a popup shows it takes every key (the window behind gets none). The highlight
// starts on item 0 and the arrow keys wrap at both ends, skipping separators, so that a caller
// who sends n + k downs and then k ups from the top lands on item n, whatever n is. The
// highlighted item reads MFS_HILITE in GetMenuState while the popup shows. Return
// picks the highlighted item (or opens its submenu), Right opens a submenu, Left and Escape
// close one level.
//
// Room: a popup never leaves the screen, and one aligned to the bottom at y (the command bar
// opens its drop-downs so, at its own top edge) stays above y, so it never covers the bar. A
// menu taller than its room scrolls: the popup then holds a whole number of rows between two
// arrow rows, a tap on an arrow row scrolls one row and the pen held there (pressed there, or
// dragged onto it and held) keeps scrolling; the keys scroll the list so that the highlight
// stays in sight.
//
// Pen: a popup opened by a pen-down (the command bar opens on the press) ignores the pen-up of
// that press when it comes back where the pen went down, so a tap only shows the menu; a press
// dragged onto an item and released there picks it, as does any later tap on an item.
#include <algorithm>
#include <cstdlib>

#include "platform/core/internal.h"
#include "platform/ui/control.h"
#include "platform/ui/menu_model.h"

namespace vplat::ui {
namespace {

constexpr int kSeparatorHeight = 6;       // pixels
constexpr int kItemHeight = kRowHeight + 2;  // pixels, a row with text
constexpr int kCheckWidth = 14;           // left margin for the check mark, pixels
constexpr int kScrollRowHeight = 14;      // pixels, each arrow row of a scrolling popup
// The pen held on an arrow row scrolls a row after this delay and then one every period, as the
// hardware buttons repeat (milliseconds).
constexpr UINT kScrollDelayMs = 400;
constexpr UINT kScrollPeriodMs = 100;
constexpr UINT_PTR kScrollTimer = 1;
// How far the pen may come back from where it went down and still be the same tap (pixels in
// x and in y; a pen on a real screen wanders a little).
constexpr int kTapSlop = 4;

struct Tracking {
  HMENU menu = nullptr;
  HWND window = nullptr;
  HWND owner = nullptr;
  Tracking* outer = nullptr;  // the popup this one cascades from
  int highlight = 0;
  bool done = false;
  UINT chosen = 0;
  // A list taller than the popup's room: rows from `first` show in `listHeight` pixels
  // between the arrow rows.
  bool scrolls = false;
  int first = 0;
  int listHeight = 0;
  int scrollDir = 0;  // -1 up, +1 down while the pen holds an arrow row
  // The pen-down that opened the popup (screen), until its pen-up comes.
  bool openingPress = false;
  POINT openingAt{};
  // A pen-down that closed a submenu on this popup's rows (screen), handled here next.
  bool replayPress = false;
  POINT replayAt{};
};

Tracking* g_tracking = nullptr;  // the innermost open popup

Tracking* TrackingOf(HWND hwnd) {
  for (Tracking* t = g_tracking; t; t = t->outer)
    if (t->window == hwnd) return t;
  return nullptr;
}

int ItemHeight(const MenuItem& it) { return it.Separator() ? kSeparatorHeight : kItemHeight; }

int ListTop(const Tracking* t) { return 1 + (t->scrolls ? kScrollRowHeight : 0); }
int ListBottom(const Tracking* t) { return ListTop(t) + t->listHeight; }

// The largest `first` that still fills the list: the last rows end at its bottom or above.
int MaxFirst(const Tracking* t, const Menu* m) {
  if (!t->scrolls) return 0;
  int n = static_cast<int>(m->items.size()), h = 0, f = n;
  while (f > 0 && h + ItemHeight(m->items[static_cast<size_t>(f - 1)]) <= t->listHeight)
    h += ItemHeight(m->items[static_cast<size_t>(--f)]);
  return std::min(f, n - 1);
}

// Top of item i in client coordinates as the list is scrolled now (may lie outside the list).
int ItemTop(const Tracking* t, const Menu* m, int i) {
  int y = ListTop(t);
  for (int k = t->first; k < i; ++k) y += ItemHeight(m->items[static_cast<size_t>(k)]);
  for (int k = i; k < t->first; ++k) y -= ItemHeight(m->items[static_cast<size_t>(k)]);
  return y;
}

int ItemAt(const Tracking* t, const Menu* m, int y) {
  if (!m || y < ListTop(t) || y >= ListBottom(t)) return -1;
  int top = ListTop(t);
  for (size_t i = static_cast<size_t>(t->first); i < m->items.size(); ++i) {
    int h = ItemHeight(m->items[i]);
    if (y < top + h) return static_cast<int>(i);
    top += h;
  }
  return -1;
}

// -1 on the upper arrow row, +1 on the lower one, 0 elsewhere (client y).
int ArrowAt(const Tracking* t, int y) {
  if (!t->scrolls) return 0;
  if (y >= 1 && y < ListTop(t)) return -1;
  if (y >= ListBottom(t) && y < ListBottom(t) + kScrollRowHeight) return 1;
  return 0;
}

bool Scroll(Tracking* t, int rows) {
  Menu* m = MenuFromHandle(t->menu);
  if (!m || !t->scrolls) return false;
  int f = std::clamp(t->first + rows, 0, MaxFirst(t, m));
  if (f == t->first) return false;
  t->first = f;
  InvalidateRect(t->window, nullptr, FALSE);
  return true;
}

// Scrolls the least that shows item i whole.
void ScrollIntoView(Tracking* t, const Menu* m, int i) {
  if (!t->scrolls) return;
  if (i < t->first) t->first = i;
  while (t->first < i && ItemTop(t, m, i) + ItemHeight(m->items[static_cast<size_t>(i)]) > ListBottom(t))
    ++t->first;
  t->first = std::min(t->first, MaxFirst(t, m));
}

// The highlighted item carries MFS_HILITE while the popup shows, as the platform reports it
// (GetMenuState), so that the owner can see where the user has moved it; -1 clears every item.
void MarkHighlight(HMENU menu, int index) {
  Menu* m = MenuFromHandle(menu);
  if (!m) return;
  for (size_t k = 0; k < m->items.size(); ++k) {
    UINT& state = m->items[k].state;
    if (static_cast<int>(k) == index) state |= MFS_HILITE;
    else state &= ~static_cast<UINT>(MFS_HILITE);
  }
}

void SetHighlight(Tracking* t, int index) {
  t->highlight = index;
  MarkHighlight(t->menu, index);
}

void Move(Tracking* t, int step) {
  Menu* m = MenuFromHandle(t->menu);
  if (!m || m->items.empty()) return;
  int n = static_cast<int>(m->items.size());
  int i = t->highlight;
  for (int k = 0; k < n; ++k) {
    i = ((i + step) % n + n) % n;
    if (!m->items[static_cast<size_t>(i)].Separator()) break;
  }
  SetHighlight(t, i);
  ScrollIntoView(t, m, i);
  InvalidateRect(t->window, nullptr, FALSE);
}

void StopScrolling(Tracking* t) {
  if (!t->scrollDir) return;
  t->scrollDir = 0;
  KillTimer(t->window, kScrollTimer);
}

// A press on an arrow row scrolls at once; a pen dragged onto one scrolls only once held there,
// so that a drag from the bar up to an item passes over the lower arrow without moving the list.
void StartScrolling(Tracking* t, int dir, bool pressed) {
  if (t->scrollDir == dir) return;  // already held there: the timer goes on
  t->scrollDir = dir;
  if (pressed) Scroll(t, dir);
  SetTimer(t->window, kScrollTimer, kScrollDelayMs, nullptr);
}

// Screen point of a client point of the popup.
POINT ToScreen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

bool Inside(HWND hwnd, POINT screen) {
  RECT wr;
  return GetWindowRect(hwnd, &wr) && screen.x >= wr.left && screen.x < wr.right && screen.y >= wr.top &&
         screen.y < wr.bottom;
}

void Pen(Tracking* t, UINT msg, WPARAM wParam, int x, int y);

void Choose(Tracking* t, int index) {
  Menu* m = MenuFromHandle(t->menu);
  if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return;
  const MenuItem& it = m->items[static_cast<size_t>(index)];
  if (it.Separator() || (it.state & MFS_GRAYED)) return;
  if (it.submenu) {
    // A cascading popup opens to the right of the item; its choice ends this one too.
    RECT wr;
    GetWindowRect(t->window, &wr);
    int y = wr.top + ItemTop(t, m, index);
    UINT id = static_cast<UINT>(TrackPopupMenuEx(it.submenu, TPM_RETURNCMD, wr.right - 4, y, t->owner, nullptr));
    if (id) {
      t->chosen = id;
      t->done = true;
    } else if (t->replayPress && !t->done && IsWindow(t->window)) {
      // The pen went down on this popup's rows and closed the submenu: it acts here.
      t->replayPress = false;
      POINT p = t->replayAt;
      ScreenToClient(t->window, &p);
      Pen(t, WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
    }
    return;
  }
  t->chosen = it.id;
  t->done = true;
}

// A pen-down off the popup: on the popup it cascades from, this level closes and that one takes
// the press; anywhere else every level closes.
void PressedOutside(Tracking* t, POINT screen) {
  if (t->outer && IsWindow(t->outer->window) && Inside(t->outer->window, screen)) {
    t->done = true;
    t->outer->replayPress = true;
    t->outer->replayAt = screen;
    return;
  }
  for (Tracking* o = t; o; o = o->outer) o->done = true;
}

void Pen(Tracking* t, UINT msg, WPARAM wParam, int x, int y) {
  HWND hwnd = t->window;
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT screen = ToScreen(hwnd, x, y);
  bool openingTap = false;
  if (msg != WM_MOUSEMOVE && t->openingPress) {
    // A pen-down here is a new press; the opening one's pen-up counts only where it went down.
    openingTap = msg == WM_LBUTTONUP && std::abs(screen.x - t->openingAt.x) <= kTapSlop &&
                 std::abs(screen.y - t->openingAt.y) <= kTapSlop;
    t->openingPress = false;
  }
  bool inside = x >= 0 && x < rc.right && y >= 0 && y < rc.bottom;
  if (!inside) {
    StopScrolling(t);
    if (msg == WM_LBUTTONDOWN) PressedOutside(t, screen);
    return;
  }
  int arrow = ArrowAt(t, y);
  if (arrow) {
    if (msg == WM_LBUTTONDOWN || (msg == WM_MOUSEMOVE && (wParam & MK_LBUTTON)))
      StartScrolling(t, arrow, msg == WM_LBUTTONDOWN);
    else StopScrolling(t);
    return;
  }
  StopScrolling(t);
  Menu* m = MenuFromHandle(t->menu);
  int i = ItemAt(t, m, y);
  if (i >= 0 && !m->items[static_cast<size_t>(i)].Separator() && i != t->highlight) {
    SetHighlight(t, i);
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  if (msg == WM_LBUTTONUP && i >= 0 && !openingTap) Choose(t, i);
}

void Paint(HWND hwnd, Tracking* t) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillSolid(dc, rc, SysColor(COLOR_MENU));
  FrameSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
  Menu* m = t ? MenuFromHandle(t->menu) : nullptr;
  if (!m) {
    EndPaint(hwnd, &ps);
    return;
  }
  HGDIOBJ old = SelectObject(dc, SystemFont());
  int saved = SaveDC(dc);
  IntersectClipRect(dc, 1, ListTop(t), rc.right - 1, ListBottom(t));
  int y = ListTop(t);
  for (size_t i = static_cast<size_t>(t->first); i < m->items.size() && y < ListBottom(t); ++i) {
    const MenuItem& it = m->items[i];
    int h = ItemHeight(it);
    if (it.Separator()) {
      DrawLineSolid(dc, 3, y + h / 2, rc.right - 3, y + h / 2, SysColor(COLOR_BTNSHADOW));
    } else {
      bool hi = static_cast<int>(i) == t->highlight;
      RECT row{1, y, rc.right - 1, y + h};
      if (hi) FillSolid(dc, row, SysColor(COLOR_HIGHLIGHT));
      COLORREF fg = SysColor((it.state & MFS_GRAYED) ? COLOR_GRAYTEXT : hi ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
      if (it.state & MFS_CHECKED) {
        RECT mark{2, y, kCheckWidth, y + h};
        if (it.type & MFT_RADIOCHECK) {
          int cy = y + h / 2;
          FillSolid(dc, RECT{5, cy - 2, 10, cy + 3}, fg);
        } else {
          DrawTextIn(dc, L"\u2713", mark, DT_CENTER | DT_SINGLELINE | DT_VCENTER, fg);
        }
      }
      RECT tr{kCheckWidth + 2, y, rc.right - 12, y + h};
      DrawTextIn(dc, it.text, tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER, fg);
      if (it.submenu) DrawArrow(dc, RECT{rc.right - 12, y, rc.right - 2, y + h}, 3, fg);
    }
    y += h;
  }
  RestoreDC(dc, saved);
  if (t->scrolls) {
    // An arrow that can scroll no further is greyed.
    RECT up{1, 1, rc.right - 1, ListTop(t)};
    RECT down{1, ListBottom(t), rc.right - 1, ListBottom(t) + kScrollRowHeight};
    DrawArrow(dc, up, 1, SysColor(t->first > 0 ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
    DrawArrow(dc, down, 0, SysColor(t->first < MaxFirst(t, m) ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
    DrawLineSolid(dc, 3, up.bottom - 1, rc.right - 3, up.bottom - 1, SysColor(COLOR_BTNSHADOW));
    DrawLineSolid(dc, 3, down.top, rc.right - 3, down.top, SysColor(COLOR_BTNSHADOW));
  }
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK MenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Tracking* t = TrackingOf(hwnd);
  switch (msg) {
    case WM_KEYDOWN: {
      // Only the innermost popup takes keys; an outer one waits for its submenu.
      if (!t || t != g_tracking) return 0;
      Menu* m = MenuFromHandle(t->menu);
      bool onSubmenu = m && t->highlight >= 0 && t->highlight < static_cast<int>(m->items.size()) &&
                       m->items[static_cast<size_t>(t->highlight)].submenu;
      if (wParam == VK_DOWN) Move(t, 1);
      else if (wParam == VK_UP) Move(t, -1);
      else if (wParam == VK_RETURN || (wParam == VK_RIGHT && onSubmenu)) Choose(t, t->highlight);
      else if (wParam == VK_ESCAPE || (wParam == VK_LEFT && t->outer)) t->done = true;
      return 0;
    }
    case WM_KEYUP:
    case WM_CHAR:
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      if (t && t == g_tracking) Pen(t, msg, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_TIMER:
      if (t && wParam == kScrollTimer) {
        // Held: one more row, then the steady rate. The pen lifted somewhere we did not see
        // (or the list reached its end): stop.
        if (!(GetKeyState(VK_LBUTTON) & 0x8000) || !Scroll(t, t->scrollDir)) StopScrolling(t);
        else SetTimer(hwnd, kScrollTimer, kScrollPeriodMs, nullptr);
      }
      return 0;
    case WM_CANCELMODE:
      if (t) t->done = true;
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd, t);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterMenuClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuProc;
  wc.lpszClassName = L"MNU";
  RegisterClassW(&wc);
}

}  // namespace vplat::ui

using namespace vplat::ui;

extern "C" {

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
  EnsureClasses();
  if (!MenuFromHandle(menu) || !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The owner prepares the popup first (checks, greying); it may change the items.
  SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  Menu* m = MenuFromHandle(menu);
  if (!m || m->items.empty()) return FALSE;
  int width = 60, content = 0;
  {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SystemFont());
    for (const MenuItem& it : m->items) {
      width = std::max(width, TextWidth(dc, it.text) + kCheckWidth + 18);
      content += ItemHeight(it);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  width = std::min(width, sw);
  // The band of the screen the popup may take: above y when aligned to the bottom at y (unless
  // not even one row fits there), else the whole screen.
  constexpr int kLeastScrolling = 2 + 2 * kScrollRowHeight + kItemHeight;
  bool above = (flags & TPM_BOTTOMALIGN) && y >= kLeastScrolling;
  int bandBottom = above ? std::min(y, sh) : sh;
  Tracking t;
  t.menu = menu;
  t.owner = owner;
  int height = content + 2;
  if (height > bandBottom) {
    t.scrolls = true;
    t.listHeight = std::max(kItemHeight, (bandBottom - 2 - 2 * kScrollRowHeight) / kItemHeight * kItemHeight);
    height = t.listHeight + 2 + 2 * kScrollRowHeight;
  } else {
    t.listHeight = content;
  }
  if (flags & TPM_RIGHTALIGN) x -= width;
  else if (flags & TPM_CENTERALIGN) x -= width / 2;
  if (flags & TPM_BOTTOMALIGN) y -= height;
  else if (flags & TPM_VCENTERALIGN) y -= height / 2;
  x = std::clamp(x, 0, sw - width);
  y = std::clamp(y, 0, std::max(0, bandBottom - height));

  int start = 0;
  const int count = static_cast<int>(m->items.size());
  while (start < count && m->items[static_cast<size_t>(start)].Separator()) ++start;
  SetHighlight(&t, start);
  if (GetKeyState(VK_LBUTTON) & 0x8000) {
    // Opened by a press still held: remember where it went down (the message being handled).
    DWORD pos = GetMessagePos();
    t.openingPress = true;
    t.openingAt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
  }
  t.outer = g_tracking;
  g_tracking = &t;
  t.window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"MNU", L"", WS_POPUP | WS_VISIBLE, x, y,
                             width, height, owner, nullptr, nullptr, nullptr);
  if (!t.window) {
    g_tracking = t.outer;
    MarkHighlight(menu, -1);
    return FALSE;
  }
  SetCapture(t.window);
  vplat::SetMenuKeyWindow(t.window);
  vplat::ModalScope modal;
  bool quit = !vplat::RunModalLoop([&t] { return t.done || !IsWindow(t.window); });
  MarkHighlight(menu, -1);
  g_tracking = t.outer;
  Tracking* outer = t.outer;
  vplat::SetMenuKeyWindow(outer && IsWindow(outer->window) ? outer->window : nullptr);
  if (GetCapture() == t.window) ReleaseCapture();
  if (IsWindow(t.window)) DestroyWindow(t.window);
  if (outer && IsWindow(outer->window)) SetCapture(outer->window);
  if (quit) return FALSE;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(t.chosen);
  if (t.chosen && !(flags & TPM_NONOTIFY)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(t.chosen, 0), 0);
  return t.chosen != 0;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
  if (!g_tracking) return FALSE;
  for (Tracking* t = g_tracking; t; t = t->outer) t->done = true;
  return TRUE;
}

HMENU LoadMenuW(HINSTANCE inst, LPCWSTR name) {
  HRSRC res = FindResourceW(inst, name, RT_MENU);
  if (!res || SizeofResource(inst, res) < sizeof(MENUTEMPLATEW)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return LoadMenuIndirectW(static_cast<const MENUTEMPLATEW*>(LockResource(LoadResource(inst, res))));
}

}  // extern "C"
