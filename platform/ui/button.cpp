// "button" (push, default push, check boxes, radio buttons, group box, owner-drawn) and
// "static" (text, icon, bitmap).
#include <algorithm>

#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

struct ButtonState : ControlState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;    // BST_PUSHED: the pen is down on it
  bool tracking = false;  // pen went down on it and has not come up
  bool focused = false;
};

UINT ButtonType(HWND hwnd) { return Style(hwnd) & BS_TYPEMASK; }
bool IsRadio(UINT type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheck(UINT type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE;
}

void SetCheck(HWND hwnd, UINT check) {
  if (auto* st = GetState<ButtonState>(hwnd); st && st->check != check) {
    st->check = check;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
}

// An auto radio button checks itself and clears the other auto radio buttons of its group:
// the siblings from the nearest WS_GROUP at or before it up to the next WS_GROUP.
void CheckInGroup(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  if (!parent) {
    SetCheck(hwnd, BST_CHECKED);
    return;
  }
  HWND start = nullptr;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (Style(c) & WS_GROUP) start = c;
    if (c == hwnd) break;
  }
  if (!start) start = GetWindow(parent, GW_CHILD);
  for (HWND c = start; c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (c != start && (Style(c) & WS_GROUP)) break;
    if (c != hwnd && GetState<ButtonState>(c) && ButtonType(c) == BS_AUTORADIOBUTTON)
      SetCheck(c, BST_UNCHECKED);
  }
  SetCheck(hwnd, BST_CHECKED);
}

void Click(HWND hwnd) {
  UINT type = ButtonType(hwnd);
  auto* st = GetState<ButtonState>(hwnd);
  if (!st || type == BS_GROUPBOX) return;
  if (type == BS_AUTOCHECKBOX) SetCheck(hwnd, st->check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
  else if (type == BS_AUTO3STATE) SetCheck(hwnd, (st->check + 1) % 3);
  else if (type == BS_AUTORADIOBUTTON) CheckInGroup(hwnd);
  NotifyCommand(hwnd, BN_CLICKED);
}

void PaintButton(HWND hwnd, HDC dc, ButtonState* st) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  UINT type = ButtonType(hwnd);
  DWORD style = Style(hwnd);
  bool enabled = IsWindowEnabled(hwnd);
  std::wstring text = WindowText(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
  COLORREF textColor = SysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);

  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis{ODT_BUTTON, static_cast<UINT>(ControlId(hwnd)), 0, ODA_DRAWENTIRE, 0,
                       hwnd, dc, rc, 0};
    if (st->pushed) dis.itemState |= ODS_SELECTED;
    if (!enabled) dis.itemState |= ODS_DISABLED;
    if (st->focused) dis.itemState |= ODS_FOCUS;
    SendMessageW(GetParent(hwnd), WM_DRAWITEM, static_cast<WPARAM>(ControlId(hwnd)),
                 reinterpret_cast<LPARAM>(&dis));
  } else if (type == BS_GROUPBOX) {
    // The frame runs through the middle of the caption line; the caption interrupts it.
    RECT frame{rc.left, rc.top + 7, rc.right, rc.bottom};
    FrameSolid(dc, frame, SysColor(COLOR_BTNSHADOW));
    if (!text.empty()) {
      int w = TextWidth(dc, text);
      RECT tr{rc.left + 6, rc.top, rc.left + 10 + w, rc.top + 15};
      FillSolid(dc, tr, SysColor(COLOR_BTNFACE));
      tr.left += 2;
      DrawTextIn(dc, text, tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER, textColor);
    }
  } else if (IsCheck(type) || IsRadio(type)) {
    FillSolid(dc, rc, SysColor(COLOR_BTNFACE));
    int cy = (rc.top + rc.bottom) / 2;
    RECT box{rc.left + 1, cy - 6, rc.left + 13, cy + 6};
    if (IsRadio(type)) {
      HBRUSH white = CreateSolidBrush(SysColor(COLOR_WINDOW));
      HPEN pen = CreatePen(PS_SOLID, 1, SysColor(COLOR_WINDOWFRAME));
      HGDIOBJ ob = SelectObject(dc, white), op = SelectObject(dc, pen);
      Ellipse(dc, box.left, box.top, box.right, box.bottom);
      if (st->check) {
        HBRUSH dot = CreateSolidBrush(textColor);
        SelectObject(dc, dot);
        Ellipse(dc, box.left + 3, box.top + 3, box.right - 3, box.bottom - 3);
        SelectObject(dc, white);
        DeleteObject(dot);
      }
      SelectObject(dc, ob);
      SelectObject(dc, op);
      DeleteObject(white);
      DeleteObject(pen);
    } else {
      FillSolid(dc, box, st->check == BST_INDETERMINATE ? SysColor(COLOR_BTNFACE)
                                                         : SysColor(COLOR_WINDOW));
      FrameSolid(dc, box, SysColor(COLOR_WINDOWFRAME));
      if (st->check) {
        COLORREF c = st->check == BST_INDETERMINATE ? SysColor(COLOR_GRAYTEXT) : textColor;
        for (int k = 0; k < 2; ++k) {  // a two-pixel tick
          DrawLineSolid(dc, box.left + 2, cy - 1 + k, box.left + 5, cy + 2 + k, c);
          DrawLineSolid(dc, box.left + 5, cy + 2 + k, box.left + 10, cy - 3 + k, c);
        }
      }
    }
    RECT tr{rc.left + 17, rc.top, rc.right, rc.bottom};
    if (style & BS_MULTILINE) {
      // A label too long for one line wraps; the lines stand centred on the box's height.
      RECT measure = tr;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure,
                DT_LEFT | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
      const LONG h = measure.bottom - measure.top;
      if (h < tr.bottom - tr.top) tr.top += (tr.bottom - tr.top - h) / 2;
      DrawTextIn(dc, text, tr, DT_LEFT | DT_WORDBREAK, textColor);
    } else {
      DrawTextIn(dc, text, tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER, textColor);
    }
    if (st->focused) FrameSolid(dc, RECT{tr.left - 2, rc.top, std::min<LONG>(rc.right, tr.left + TextWidth(dc, text) + 2), rc.bottom}, SysColor(COLOR_GRAYTEXT));
  } else {
    bool def = type == BS_DEFPUSHBUTTON;
    bool down = st->pushed || (st->check && (style & BS_PUSHLIKE));
    FillSolid(dc, rc, down ? SysColor(COLOR_HIGHLIGHT) : SysColor(COLOR_BTNFACE));
    FrameSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
    if (def) FrameSolid(dc, RECT{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1}, SysColor(COLOR_WINDOWFRAME));
    DrawTextIn(dc, text, rc, DT_CENTER | DT_SINGLELINE | DT_VCENTER,
               down ? SysColor(COLOR_HIGHLIGHTTEXT) : textColor);
  }
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  auto* st = GetState<ButtonState>(hwnd);
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<ButtonState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_NCHITTEST:
      // A group box is only a frame: the pen reaches the controls and dialog beneath it.
      if (ButtonType(hwnd) == BS_GROUPBOX) return HTTRANSPARENT;
      break;
    case WM_GETDLGCODE: {
      UINT type = ButtonType(hwnd);
      if (type == BS_GROUPBOX) return DLGC_STATIC;
      if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON || type == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      return DLGC_BUTTON;
    }
    case BM_GETCHECK:
      return st ? st->check : 0;
    case BM_SETCHECK:
      if (st) {
        UINT type = ButtonType(hwnd);
        UINT v = static_cast<UINT>(wParam);
        if (v == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) v = BST_CHECKED;
        SetCheck(hwnd, v > BST_INDETERMINATE ? BST_CHECKED : v);
      }
      return 0;
    case BM_GETSTATE:
      return st ? (st->check | (st->pushed ? BST_PUSHED : 0) | (st->focused ? BST_FOCUS : 0)) : 0;
    case BM_SETSTATE:
      if (st) {
        st->pushed = wParam != 0;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case BM_SETSTYLE: {
      DWORD style = (Style(hwnd) & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(hwnd)) Click(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!st) break;
      SetCapture(hwnd);
      st->tracking = st->pushed = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      if (GetFocus() != hwnd && ButtonType(hwnd) != BS_OWNERDRAW) SetFocus(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      if (st && st->tracking) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        bool in = p.x >= rc.left && p.x < rc.right && p.y >= rc.top && p.y < rc.bottom;
        if (in != st->pushed) {
          st->pushed = in;
          InvalidateRect(hwnd, nullptr, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (st && st->tracking) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        bool in = p.x >= rc.left && p.x < rc.right && p.y >= rc.top && p.y < rc.bottom;
        st->tracking = st->pushed = false;
        ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        if (in) Click(hwnd);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (st && st->tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
        st->tracking = st->pushed = false;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (st) {
        st->focused = msg == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, FALSE);
        if (Style(hwnd) & BS_NOTIFY) NotifyCommand(hwnd, msg == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) return 0;
      if (DialogKey(hwnd, msg, wParam)) return 0;
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && IsWindowEnabled(hwnd)) Click(hwnd);
      return 0;
    case WM_CHAR:
      if (wParam == L' ') return 0;
      if (DialogKey(hwnd, msg, wParam)) return 0;
      break;
    case WM_ENABLE:
    case WM_SETTEXT: {
      LRESULT res = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return res;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (st) PaintButton(hwnd, dc, st);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---- static ----

struct StaticState : ControlState {
  HANDLE image = nullptr;  // HICON or HBITMAP per style
};

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  auto* st = GetState<StaticState>(hwnd);
  DWORD type = Style(hwnd) & SS_TYPEMASK;
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<StaticState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_NCHITTEST:
      // Without SS_NOTIFY a static is part of the dialog's surface: the pen goes to the dialog.
      if (!(Style(hwnd) & SS_NOTIFY)) return HTTRANSPARENT;
      break;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_LBUTTONUP:
      if (Style(hwnd) & SS_NOTIFY) NotifyCommand(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (Style(hwnd) & SS_NOTIFY) NotifyCommand(hwnd, STN_DBLCLK);
      return 0;
    case STM_SETICON:
    case STM_SETIMAGE: {
      if (!st) return 0;
      HANDLE old = st->image;
      st->image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? wParam : lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE:
      return st ? reinterpret_cast<LRESULT>(st->image) : 0;
    case WM_ENABLE:
    case WM_SETTEXT: {
      LRESULT res = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return res;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
      SetTextColor(dc, SysColor(COLOR_STATICTEXT));
      SetBkColor(dc, SysColor(COLOR_STATIC));
      // The parent may choose the colours and the background brush (WM_CTLCOLORSTATIC).
      HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(
          GetParent(hwnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
      COLORREF textColor = GetTextColor(dc);
      int bkMode = GetBkMode(dc);
      if (brush) FillRect(dc, &rc, brush);
      else FillSolid(dc, rc, SysColor(COLOR_STATIC));
      if (!IsWindowEnabled(hwnd)) textColor = SysColor(COLOR_GRAYTEXT);
      if (type == SS_ICON) {
        if (st && st->image) DrawIcon(dc, 0, 0, static_cast<HICON>(st->image));
      } else if (type == SS_BITMAP) {
        if (st && st->image) {
          BITMAP bm{};
          HBITMAP bmp = static_cast<HBITMAP>(st->image);
          if (GetObjectW(bmp, sizeof bm, &bm)) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, bmp);
            int x = 0, y = 0;
            if (Style(hwnd) & SS_CENTERIMAGE) {
              x = (rc.right - bm.bmWidth) / 2;
              y = (rc.bottom - bm.bmHeight) / 2;
            }
            BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
          }
        }
      } else if (type != SS_BLACKRECT) {
        UINT fmt = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
        fmt |= type == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
        if (Style(hwnd) & SS_CENTERIMAGE) fmt = (fmt & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
        std::wstring text = WindowText(hwnd);
        SetBkMode(dc, bkMode);
        SetTextColor(dc, textColor);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, fmt | DT_NOPREFIX);
      } else {
        FillSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
      }
      SelectObject(dc, oldFont);
      EndPaint(hwnd, &ps);
      PaintBorder(hwnd);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterButtonClasses() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS | CS_PARENTDC;
  wc.lpfnWndProc = ButtonProc;
  wc.lpszClassName = L"button";
  RegisterClassW(&wc);
  wc.lpfnWndProc = StaticProc;
  wc.lpszClassName = L"static";
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
