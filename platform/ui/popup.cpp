// TrackPopupMenuEx: the popup window of class "MNU" (empty title) that shows a menu and runs a
// nested loop until an item is chosen or the menu is cancelled. The highlight starts on item 0
// and the arrow keys wrap at both ends, skipping separators, so that a caller who sends
// n + k downs and then k ups from the top lands on item n, whatever n is.
#include <algorithm>

#include "platform/core/internal.h"
#include "platform/ui/control.h"
#include "platform/ui/menu_model.h"

namespace vplat::ui {
namespace {

constexpr int kSeparatorHeight = 6;  // pixels
constexpr int kCheckWidth = 14;      // left margin for the check mark, pixels

struct Tracking {
  HMENU menu = nullptr;
  HWND window = nullptr;
  HWND owner = nullptr;
  int highlight = 0;
  bool done = false;
  UINT chosen = 0;
};

Tracking* g_tracking = nullptr;  // the innermost open popup

int ItemHeight(const MenuItem& it) { return it.Separator() ? kSeparatorHeight : kRowHeight + 2; }

int ItemAt(const Menu* m, int y) {
  int top = 1;
  for (size_t i = 0; i < m->items.size(); ++i) {
    int h = ItemHeight(m->items[i]);
    if (y >= top && y < top + h) return static_cast<int>(i);
    top += h;
  }
  return -1;
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
  t->highlight = i;
  InvalidateRect(t->window, nullptr, FALSE);
}

void Choose(Tracking* t, int index) {
  Menu* m = MenuFromHandle(t->menu);
  if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return;
  const MenuItem& it = m->items[static_cast<size_t>(index)];
  if (it.Separator() || (it.state & MFS_GRAYED)) return;
  if (it.submenu) {
    // A cascading popup opens to the right of the item; its choice ends this one too.
    RECT wr;
    GetWindowRect(t->window, &wr);
    int y = wr.top + 1;
    for (int i = 0; i < index; ++i) y += ItemHeight(m->items[static_cast<size_t>(i)]);
    UINT id = static_cast<UINT>(TrackPopupMenuEx(it.submenu, TPM_RETURNCMD, wr.right - 4, y, t->owner, nullptr));
    if (id) {
      t->chosen = id;
      t->done = true;
    }
    return;
  }
  t->chosen = it.id;
  t->done = true;
}

LRESULT CALLBACK MenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Tracking* t = g_tracking && g_tracking->window == hwnd ? g_tracking : nullptr;
  switch (msg) {
    case WM_KEYDOWN:
      if (!t) return 0;
      if (wParam == VK_DOWN) Move(t, 1);
      else if (wParam == VK_UP) Move(t, -1);
      else if (wParam == VK_RETURN || wParam == VK_RIGHT) Choose(t, t->highlight);
      else if (wParam == VK_ESCAPE || wParam == VK_LEFT) t->done = true;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      if (!t) return 0;
      RECT rc;
      GetClientRect(hwnd, &rc);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      bool inside = x >= 0 && x < rc.right && y >= 0 && y < rc.bottom;
      if (!inside) {
        if (msg == WM_LBUTTONDOWN) t->done = true;  // a tap outside cancels
        return 0;
      }
      int i = ItemAt(MenuFromHandle(t->menu), y);
      Menu* m = MenuFromHandle(t->menu);
      if (i >= 0 && m && !m->items[static_cast<size_t>(i)].Separator() && i != t->highlight) {
        t->highlight = i;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      if (msg == WM_LBUTTONUP && i >= 0) Choose(t, i);
      return 0;
    }
    case WM_CANCELMODE:
      if (t) t->done = true;
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillSolid(dc, rc, SysColor(COLOR_MENU));
      FrameSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
      Menu* m = t ? MenuFromHandle(t->menu) : nullptr;
      if (m) {
        HGDIOBJ old = SelectObject(dc, SystemFont());
        int y = 1;
        for (size_t i = 0; i < m->items.size(); ++i) {
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
        SelectObject(dc, old);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
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
  int width = 60, height = 2;
  {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SystemFont());
    for (const MenuItem& it : m->items) {
      width = std::max(width, TextWidth(dc, it.text) + kCheckWidth + 18);
      height += ItemHeight(it);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  width = std::min(width, sw);
  height = std::min(height, sh);
  if (flags & TPM_RIGHTALIGN) x -= width;
  else if (flags & TPM_CENTERALIGN) x -= width / 2;
  if (flags & TPM_BOTTOMALIGN) y -= height;
  else if (flags & TPM_VCENTERALIGN) y -= height / 2;
  x = std::clamp(x, 0, sw - width);
  y = std::clamp(y, 0, sh - height);

  Tracking t;
  t.menu = menu;
  t.owner = owner;
  t.highlight = 0;
  while (t.highlight < static_cast<int>(m->items.size()) && m->items[static_cast<size_t>(t.highlight)].Separator())
    ++t.highlight;
  Tracking* outer = g_tracking;
  g_tracking = &t;
  t.window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"MNU", L"", WS_POPUP | WS_VISIBLE, x, y,
                             width, height, owner, nullptr, nullptr, nullptr);
  if (!t.window) {
    g_tracking = outer;
    return FALSE;
  }
  SetCapture(t.window);
  bool quit = !vplat::RunModalLoop([&t] { return t.done || !IsWindow(t.window); });
  g_tracking = outer;
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
  g_tracking->done = true;
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
