// The command bar (SHCreateMenuBar): a strip 26 pixels high at the bottom of the screen with
// buttons from a menu-bar template. A drop-down button opens its popup of the template's menu
// above itself on the press (the owner gets WM_INITMENUPOPUP with the same handle
// SHCMBM_GETSUBMENU gives); the popup keeps clear of the bar, scrolling when it is taller than
// the room above it, and the press's own pen-up picks nothing. A check button toggles and a
// plain button sends WM_COMMAND to the owner. The bar is a top-level window owned by the window
// it serves, so it stays at the screen's bottom edge whatever that window does, and goes with it.
#include <algorithm>

#include "platform/ui/control.h"
#include "platform/ui/menu_model.h"
#include "platform/ui/shell_internal.h"

namespace vplat::ui {
namespace {

constexpr wchar_t kBarClass[] = L"CommandBar";
constexpr int kImageSize = 16;      // pixels, square images of the bitmap strip
constexpr int kButtonWidth = 20;    // pixels, an image button
constexpr int kSeparatorWidth = 5;  // pixels
constexpr int kTextPad = 5;         // pixels each side of a text button's label
// Pixels of this colour in the bitmap strip show the bar's background instead.
constexpr COLORREF kStripTransparent = RGB(192, 192, 192);

struct BarButton {
  int image = I_IMAGENONE;
  UINT command = 0;
  BYTE state = TBSTATE_ENABLED;
  BYTE style = TBSTYLE_BUTTON;
  std::wstring text;
  int subMenu = -1;
  int x = 0, width = 0;
};

struct MenuBarState : ControlState {
  HWND owner = nullptr;
  HMENU menu = nullptr;
  HIMAGELIST images = nullptr;
  COLORREF bk = 0;
  std::vector<BarButton> buttons;
  int pressed = -1;   // button under the pen, or the open drop-down
  bool open = false;  // a drop-down's popup is showing
};

MenuBarState* StateOf(HWND hwnd) { return GetState<MenuBarState>(hwnd); }

BarButton* ByCommand(MenuBarState* st, UINT command) {
  for (BarButton& b : st->buttons)
    if (b.command == command && !(b.style & TBSTYLE_SEP)) return &b;
  return nullptr;
}

void Layout(HWND hwnd, MenuBarState* st) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, SystemFont());
  int x = 0;
  for (BarButton& b : st->buttons) {
    b.x = x;
    if (b.state & TBSTATE_HIDDEN) b.width = 0;
    else if (b.style & TBSTYLE_SEP) b.width = kSeparatorWidth;
    else if (b.image >= 0 && st->images) b.width = kButtonWidth;
    else b.width = TextWidth(dc, b.text) + 2 * kTextPad;
    x += b.width;
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
}

int ButtonAt(MenuBarState* st, int x) {
  for (size_t i = 0; i < st->buttons.size(); ++i) {
    const BarButton& b = st->buttons[i];
    if (b.width > 0 && x >= b.x && x < b.x + b.width && !(b.style & TBSTYLE_SEP)) return static_cast<int>(i);
  }
  return -1;
}

void Paint(HWND hwnd, MenuBarState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillSolid(dc, rc, st->bk);
  DrawLineSolid(dc, 0, 0, rc.right, 0, SysColor(COLOR_BTNSHADOW));
  HGDIOBJ oldFont = SelectObject(dc, SystemFont());
  for (size_t i = 0; i < st->buttons.size(); ++i) {
    const BarButton& b = st->buttons[i];
    if (b.width == 0) continue;
    RECT br{b.x, 2, b.x + b.width, rc.bottom - 1};
    if (b.style & TBSTYLE_SEP) {
      int mid = b.x + b.width / 2;
      DrawLineSolid(dc, mid, 5, mid, rc.bottom - 4, SysColor(COLOR_BTNSHADOW));
      continue;
    }
    bool down = static_cast<int>(i) == st->pressed || (b.state & (TBSTATE_CHECKED | TBSTATE_PRESSED));
    bool enabled = (b.state & TBSTATE_ENABLED) != 0;
    if (down) {
      FillSolid(dc, br, (b.state & TBSTATE_CHECKED) && static_cast<int>(i) != st->pressed
                            ? SysColor(COLOR_BTNHIGHLIGHT) : SysColor(COLOR_BTNFACE));
      FrameSolid(dc, br, SysColor(COLOR_BTNSHADOW));
    }
    if (b.image >= 0 && st->images) {
      int off = down ? 1 : 0;
      ImageList_Draw(st->images, b.image, dc, b.x + (b.width - kImageSize) / 2 + off,
                     br.top + (br.bottom - br.top - kImageSize) / 2 + off, ILD_TRANSPARENT);
    } else {
      DrawTextIn(dc, b.text, br, DT_CENTER | DT_SINGLELINE | DT_VCENTER,
                 SysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// Opens the popup of drop-down button `index` above it and waits for the choice.
void OpenDropDown(HWND hwnd, int index) {
  MenuBarState* st = StateOf(hwnd);
  if (!st || st->open) return;
  const BarButton& b = st->buttons[static_cast<size_t>(index)];
  HMENU sub = st->menu && b.subMenu >= 0 ? GetSubMenu(st->menu, b.subMenu) : nullptr;
  if (!sub) return;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  st->pressed = index;
  st->open = true;
  InvalidateRect(hwnd, nullptr, FALSE);
  HWND owner = st->owner;
  // The chosen command reaches the owner as WM_COMMAND, posted by the popup.
  TrackPopupMenuEx(sub, TPM_LEFTALIGN | TPM_BOTTOMALIGN, wr.left + b.x, wr.top, owner, nullptr);
  if ((st = StateOf(hwnd))) {
    st->open = false;
    st->pressed = -1;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
}

void Release(HWND hwnd, int index) {
  MenuBarState* st = StateOf(hwnd);
  BarButton& b = st->buttons[static_cast<size_t>(index)];
  if (b.style & TBSTYLE_CHECK) b.state ^= TBSTATE_CHECKED;
  InvalidateRect(hwnd, nullptr, FALSE);
  SendMessageW(st->owner, WM_COMMAND, MAKEWPARAM(b.command, 0), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MenuBarState* st = StateOf(hwnd);
  if (!st) return DefWindowProcW(hwnd, msg, wParam, lParam);
  BarButton* byCommand = ByCommand(st, static_cast<UINT>(wParam));
  auto setState = [&](BYTE bit, bool on) -> LRESULT {
    if (!byCommand) return FALSE;  // no button has that command: nothing to do
    BYTE now = on ? byCommand->state | bit : byCommand->state & ~bit;
    if (now != byCommand->state) {
      byCommand->state = now;
      if (bit == TBSTATE_HIDDEN) Layout(hwnd, st);
      InvalidateRect(hwnd, nullptr, FALSE);
    }
    return TRUE;
  };
  switch (msg) {
    case WM_DESTROY: {
      RemoveMenuBar(hwnd);
      if (st->menu) DestroyMenu(st->menu);
      if (st->images) ImageList_Destroy(st->images);
      DropState(hwnd);
      return 0;
    }
    case SHCMBM_GETMENU:
      return reinterpret_cast<LRESULT>(st->menu);
    case SHCMBM_GETSUBMENU: {
      BarButton* b = ByCommand(st, static_cast<UINT>(lParam));
      if (!b || b->subMenu < 0 || !st->menu) return 0;
      return reinterpret_cast<LRESULT>(GetSubMenu(st->menu, b->subMenu));
    }
    case TB_CHECKBUTTON:
      return setState(TBSTATE_CHECKED, LOWORD(lParam) != 0);
    case TB_ENABLEBUTTON:
      return setState(TBSTATE_ENABLED, LOWORD(lParam) != 0);
    case TB_PRESSBUTTON:
      return setState(TBSTATE_PRESSED, LOWORD(lParam) != 0);
    case TB_HIDEBUTTON:
      return setState(TBSTATE_HIDDEN, LOWORD(lParam) != 0);
    case TB_ISBUTTONCHECKED:
      return byCommand ? (byCommand->state & TBSTATE_CHECKED) != 0 : FALSE;
    case TB_ISBUTTONENABLED:
      return byCommand ? (byCommand->state & TBSTATE_ENABLED) != 0 : FALSE;
    case TB_ISBUTTONPRESSED:
      return byCommand ? (byCommand->state & TBSTATE_PRESSED) != 0 : FALSE;
    case TB_GETITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      size_t i = static_cast<size_t>(wParam);
      if (!rc || i >= st->buttons.size()) return FALSE;
      *rc = RECT{st->buttons[i].x, 0, st->buttons[i].x + st->buttons[i].width, MENU_HEIGHT};
      return TRUE;
    }
    case TB_BUTTONCOUNT:
      return static_cast<LRESULT>(st->buttons.size());
    case WM_LBUTTONDOWN: {
      int i = ButtonAt(st, GET_X_LPARAM(lParam));
      if (i < 0 || !(st->buttons[static_cast<size_t>(i)].state & TBSTATE_ENABLED)) return 0;
      if (st->buttons[static_cast<size_t>(i)].style & TBSTYLE_DROPDOWN) {
        OpenDropDown(hwnd, i);
        return 0;
      }
      st->pressed = i;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      return 0;
    case WM_LBUTTONUP: {
      int was = st->pressed;
      if (was < 0 || st->open) return 0;
      st->pressed = -1;
      if (GetCapture() == hwnd) ReleaseCapture();
      InvalidateRect(hwnd, nullptr, FALSE);
      RECT rc;
      GetClientRect(hwnd, &rc);
      int y = GET_Y_LPARAM(lParam);
      if (ButtonAt(st, GET_X_LPARAM(lParam)) == was && y >= 0 && y < rc.bottom) Release(hwnd, was);
      return 0;
    }
    case WM_CANCELMODE:
      if (!st->open) {
        st->pressed = -1;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd, st);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterMenuBarClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuBarProc;
  wc.lpszClassName = kBarClass;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui

using namespace vplat::ui;

extern "C" {

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  EnsureClasses();
  if (!info || info->cbSize != sizeof(SHMENUBARINFO) || !IsWindow(info->hwndParent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hwndMB = nullptr;
  if (info->dwFlags & SHCMBF_HMENU) {
    // Our bars come from menu-bar templates only; a menu handle does not fit the id field.
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  auto st = std::make_unique<MenuBarState>();
  if (!(info->dwFlags & SHCMBF_EMPTYBAR)) {
    HRSRC res = FindResourceW(info->hInstRes, MAKEINTRESOURCEW(info->nToolBarId), RT_SHMENUBAR);
    const auto* t = res && SizeofResource(info->hInstRes, res) >= sizeof(SHMENUBARTEMPLATE)
                        ? static_cast<const SHMENUBARTEMPLATE*>(LockResource(LoadResource(info->hInstRes, res)))
                        : nullptr;
    if (!t || t->magic != SHMENUBAR_MAGIC || t->buttonCount < 0 || (t->buttonCount > 0 && !t->buttons)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return FALSE;
    }
    if (t->menuId) {
      st->menu = LoadMenuW(info->hInstRes, MAKEINTRESOURCEW(t->menuId));
      if (!st->menu) return FALSE;
    }
    for (int i = 0; i < t->buttonCount; ++i) {
      const SHMENUBARBUTTON& src = t->buttons[i];
      BarButton b;
      b.image = src.image;
      b.command = src.command;
      b.state = src.state;
      b.style = src.style;
      b.text = src.text ? src.text : L"";
      b.subMenu = src.subMenu;
      st->buttons.push_back(std::move(b));
    }
  }
  if (info->nBmpId && info->cBmpImages > 0) {
    HBITMAP strip = LoadBitmapW(info->hInstRes, MAKEINTRESOURCEW(info->nBmpId));
    if (strip) {
      st->images = ImageList_Create(kImageSize, kImageSize, ILC_COLOR16 | ILC_MASK, info->cBmpImages, 0);
      if (st->images) ImageList_AddMasked(st->images, strip, kStripTransparent);
      DeleteObject(strip);
    }
  }
  st->bk = (info->dwFlags & SHCMBF_COLORBK) ? info->clrBk : SysColor(COLOR_BTNFACE);
  st->owner = info->hwndParent;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  HWND bar = CreateWindowExW(WS_EX_NOACTIVATE, kBarClass, L"", WS_POPUP, 0, sh - MENU_HEIGHT, sw, MENU_HEIGHT,
                             info->hwndParent, nullptr, nullptr, nullptr);
  if (!bar) {
    if (st->menu) DestroyMenu(st->menu);
    if (st->images) ImageList_Destroy(st->images);
    return FALSE;
  }
  MenuBarState* raw = st.get();
  SetState(bar, std::move(st));
  Layout(bar, raw);
  AddMenuBar(bar, info->hwndParent);
  if (!(info->dwFlags & SHCMBF_HIDDEN)) ShowWindow(bar, SW_SHOWNA);
  if (!(info->dwFlags & SHCMBF_HIDESIPBUTTON)) ShowSipButton(true);
  info->hwndMB = bar;
  return TRUE;
}

}  // extern "C"
