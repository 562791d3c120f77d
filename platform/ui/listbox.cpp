// "listbox": a list of strings with item data, single or multiple selection, owner-drawn rows
// on request. Notifications (LBN_*) go out only with LBS_NOTIFY, as on the platform.
#include <algorithm>

#include "platform/ui/control.h"
#include "platform/ui/models.h"

namespace vplat::ui {
namespace {

struct ListBoxState : ControlState {
  StringList list;
  int caret = 0;
  int itemHeight = kRowHeight;
  int lastDownItem = -1;
  DWORD lastDownTime = 0;
};

bool Multi(HWND hwnd) { return (Style(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
void Notify(HWND hwnd, UINT code) {
  if (Style(hwnd) & LBS_NOTIFY) NotifyCommand(hwnd, code);
}

int VisibleRows(HWND hwnd, const ListBoxState* st) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::max(1, static_cast<int>(rc.bottom) / st->itemHeight);
}

bool NeedsBar(HWND hwnd, const ListBoxState* st) { return st->list.Count() > VisibleRows(hwnd, st); }

void EnsureVisible(HWND hwnd, ListBoxState* st, int index) {
  int rows = VisibleRows(hwnd, st);
  if (index < st->list.top) st->list.top = index;
  else if (index >= st->list.top + rows) st->list.top = index - rows + 1;
  st->list.top = std::clamp(st->list.top, 0, std::max(0, st->list.Count() - rows));
}

void Paint(HWND hwnd, ListBoxState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillSolid(dc, rc, SysColor(COLOR_WINDOW));
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
  bool bar = NeedsBar(hwnd, st);
  int right = bar ? rc.right - kArrowWidth : rc.right;
  bool enabled = IsWindowEnabled(hwnd);
  for (int i = st->list.top, y = 0; i < st->list.Count() && y < rc.bottom; ++i, y += st->itemHeight) {
    const auto* item = st->list.At(i);
    bool sel = Multi(hwnd) ? item->selected : i == st->list.cursel;
    RECT row{0, y, right, y + st->itemHeight};
    if (Style(hwnd) & LBS_OWNERDRAWFIXED) {
      DRAWITEMSTRUCT dis{ODT_LISTBOX, static_cast<UINT>(ControlId(hwnd)), static_cast<UINT>(i),
                         ODA_DRAWENTIRE, sel ? static_cast<UINT>(ODS_SELECTED) : 0u, hwnd, dc, row,
                         static_cast<ULONG_PTR>(item->data)};
      SendMessageW(GetParent(hwnd), WM_DRAWITEM, static_cast<WPARAM>(ControlId(hwnd)), reinterpret_cast<LPARAM>(&dis));
      st = GetState<ListBoxState>(hwnd);  // the parent may have changed the list
      if (!st) break;
      continue;
    }
    if (sel) FillSolid(dc, row, SysColor(COLOR_HIGHLIGHT));
    RECT tr{row.left + 2, row.top, row.right - 2, row.bottom};
    DrawTextIn(dc, item->text, tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
               sel ? SysColor(COLOR_HIGHLIGHTTEXT) : SysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  }
  if (st && bar)
    DrawVScrollBar(dc, RECT{right, 0, rc.right, rc.bottom}, 0, st->list.Count() - 1, VisibleRows(hwnd, st), st->list.top);
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
  PaintBorder(hwnd);
}

// Moves the single selection as the user does; notifies when it changed.
void UserSelect(HWND hwnd, ListBoxState* st, int index) {
  index = std::clamp(index, 0, st->list.Count() - 1);
  st->caret = index;
  EnsureVisible(hwnd, st, index);
  InvalidateRect(hwnd, nullptr, FALSE);
  if (Multi(hwnd)) return;
  if (st->list.cursel != index) {
    st->list.cursel = index;
    Notify(hwnd, LBN_SELCHANGE);
  }
}

LRESULT GetText(const StringList::Item* item, LPARAM buffer) {
  if (!item) return LB_ERR;
  if (buffer) {
    auto* out = reinterpret_cast<LPWSTR>(buffer);
    item->text.copy(out, item->text.size());
    out[item->text.size()] = 0;
  }
  return static_cast<LRESULT>(item->text.size());
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  auto* st = GetState<ListBoxState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  int index = static_cast<int>(static_cast<intptr_t>(wParam));
  auto redraw = [&] { InvalidateRect(hwnd, nullptr, FALSE); };
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<ListBoxState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      int at = msg == LB_ADDSTRING ? st->list.Add(text, (Style(hwnd) & LBS_SORT) != 0)
                                   : st->list.Insert(index, text);
      redraw();
      return at;
    }
    case LB_DELETESTRING: {
      int left = st->list.Delete(index);
      redraw();
      return left;
    }
    case LB_RESETCONTENT:
      st->list.Clear();
      st->caret = 0;
      redraw();
      return 0;
    case LB_GETCOUNT:
      return st->list.Count();
    case LB_GETTEXT:
      return GetText(st->list.At(index), lParam);
    case LB_GETTEXTLEN:
      return st->list.At(index) ? static_cast<LRESULT>(st->list.At(index)->text.size()) : LB_ERR;
    case LB_GETITEMDATA:
      return st->list.At(index) ? st->list.At(index)->data : LB_ERR;
    case LB_SETITEMDATA:
      if (!st->list.At(index)) return LB_ERR;
      st->list.At(index)->data = lParam;
      return TRUE;
    case LB_GETCURSEL:
      return Multi(hwnd) ? st->caret : st->list.cursel;
    case LB_SETCURSEL:
      // -1 clears the selection and still answers LB_ERR, as on the platform.
      if (Multi(hwnd)) return LB_ERR;
      if (!st->list.Valid(index)) {
        st->list.cursel = -1;
        redraw();
        return LB_ERR;
      }
      st->list.cursel = st->caret = index;
      EnsureVisible(hwnd, st, index);
      redraw();
      return index;
    case LB_SETSEL: {
      if (!Multi(hwnd)) return LB_ERR;
      int which = static_cast<int>(lParam);
      if (which == -1) {
        for (int i = 0; i < st->list.Count(); ++i) st->list.At(i)->selected = wParam != 0;
      } else {
        if (!st->list.Valid(which)) return LB_ERR;
        st->list.At(which)->selected = wParam != 0;
        st->caret = which;
      }
      redraw();
      return 0;
    }
    case LB_GETSEL:
      if (!st->list.Valid(index)) return LB_ERR;
      return Multi(hwnd) ? (st->list.At(index)->selected ? 1 : 0) : (index == st->list.cursel ? 1 : 0);
    case LB_GETSELCOUNT: {
      if (!Multi(hwnd)) return LB_ERR;
      int n = 0;
      for (int i = 0; i < st->list.Count(); ++i) n += st->list.At(i)->selected;
      return n;
    }
    case LB_GETSELITEMS: {
      if (!Multi(hwnd)) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lParam);
      int n = 0;
      for (int i = 0; i < st->list.Count() && n < static_cast<int>(wParam); ++i)
        if (st->list.At(i)->selected) {
          if (out) out[n] = i;
          ++n;
        }
      return n;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return st->list.Find(index, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", msg == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
      if (Multi(hwnd)) return LB_ERR;
      int found = st->list.Find(index, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", false);
      if (found < 0) return LB_ERR;
      st->list.cursel = st->caret = found;
      EnsureVisible(hwnd, st, found);
      redraw();
      return found;
    }
    case LB_GETTOPINDEX:
      return st->list.top;
    case LB_SETTOPINDEX:
      if (!st->list.Valid(index)) return LB_ERR;
      st->list.top = std::min(index, std::max(0, st->list.Count() - VisibleRows(hwnd, st)));
      redraw();
      return 0;
    case LB_GETCARETINDEX:
      return st->caret;
    case LB_SETCARETINDEX:
      if (!st->list.Valid(index)) return LB_ERR;
      st->caret = index;
      EnsureVisible(hwnd, st, index);
      redraw();
      return 0;
    case LB_GETITEMHEIGHT:
      return st->itemHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
      st->itemHeight = LOWORD(lParam);
      redraw();
      return 0;
    case LB_GETITEMRECT: {
      if (!st->list.Valid(index) || !lParam) return LB_ERR;
      RECT rc;
      GetClientRect(hwnd, &rc);
      int y = (index - st->list.top) * st->itemHeight;
      *reinterpret_cast<RECT*>(lParam) = RECT{0, y, rc.right, y + st->itemHeight};
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      st = GetState<ListBoxState>(hwnd);
      if (!st || st->list.Count() == 0) return 0;
      RECT rc;
      GetClientRect(hwnd, &rc);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (NeedsBar(hwnd, st) && x >= rc.right - kArrowWidth) {
        // The list's own scroll bar: the upper half pages up, the lower half down.
        int rows = VisibleRows(hwnd, st);
        st->list.top = std::clamp(st->list.top + (y < rc.bottom / 2 ? -rows : rows), 0,
                                  std::max(0, st->list.Count() - rows));
        redraw();
        return 0;
      }
      int hit = st->list.top + y / st->itemHeight;
      if (!st->list.Valid(hit)) return 0;
      DWORD now = GetTickCount();
      bool dbl = msg == WM_LBUTTONDBLCLK || (hit == st->lastDownItem && now - st->lastDownTime < kDoubleTapMs);
      st->lastDownItem = dbl ? -1 : hit;
      st->lastDownTime = now;
      if (Multi(hwnd)) {
        st->list.At(hit)->selected = !st->list.At(hit)->selected;
        st->caret = hit;
        redraw();
        Notify(hwnd, LBN_SELCHANGE);
      } else {
        UserSelect(hwnd, st, hit);
      }
      if (dbl && GetState<ListBoxState>(hwnd)) Notify(hwnd, LBN_DBLCLK);
      return 0;
    }
    case WM_KEYDOWN: {
      int rows = VisibleRows(hwnd, st);
      int cur = Multi(hwnd) ? st->caret : st->list.cursel;
      int to;
      switch (wParam) {
        case VK_UP: to = cur - 1; break;
        case VK_DOWN: to = cur + 1; break;
        case VK_PRIOR: to = cur - rows; break;
        case VK_NEXT: to = cur + rows; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = st->list.Count() - 1; break;
        default:
          DialogKey(hwnd, msg, wParam);
          return 0;
      }
      if (st->list.Count() > 0) UserSelect(hwnd, st, cur < 0 && wParam == VK_DOWN ? 0 : to);
      return 0;
    }
    case WM_CHAR:
      if (wParam == L' ' && Multi(hwnd) && st->list.Valid(st->caret)) {
        st->list.At(st->caret)->selected = !st->list.At(st->caret)->selected;
        redraw();
        Notify(hwnd, LBN_SELCHANGE);
        return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_SETFOCUS:
      Notify(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(hwnd, LBN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      redraw();
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

void RegisterListBoxClass() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ListBoxProc;
  wc.lpszClassName = L"listbox";
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
