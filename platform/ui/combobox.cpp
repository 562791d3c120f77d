// "combobox": a drop-down list (CBS_DROPDOWNLIST) or an edit with a drop-down list
// (CBS_DROPDOWN). The edit is a real "edit" child (id 1001, as on the platform) whose
// EN_CHANGE becomes CBN_EDITCHANGE; the open list is a top-level window of class "ComboLBox"
// that holds the pen capture, so a tap outside it closes it.
#include <algorithm>

#include "platform/ui/control.h"
#include "platform/ui/models.h"

namespace vplat::ui {
namespace {

constexpr int kEditId = 1001;
constexpr int kDropRows = 8;  // rows of the open list before it scrolls

struct ComboState : ControlState {
  StringList list;
  HWND edit = nullptr;
  HWND drop = nullptr;
  int dropTop = 0;
  int hot = -1;                // highlighted row of the open list
  bool settingText = false;    // our own text changes are not the user's edits
  bool focused = false;
};

bool HasEdit(HWND hwnd) { return (Style(hwnd) & 3) == CBS_DROPDOWN || (Style(hwnd) & 3) == CBS_SIMPLE; }

void SetEditText(ComboState* st, const std::wstring& text) {
  if (!st->edit) return;
  st->settingText = true;
  SetWindowTextW(st->edit, text.c_str());
  st->settingText = false;
}

void ShowSelection(HWND hwnd, ComboState* st) {
  if (st->edit) {
    const auto* item = st->list.At(st->list.cursel);
    SetEditText(st, item ? item->text : L"");
    if (item) SendMessageW(st->edit, EM_SETSEL, 0, -1);
  }
  if (st->drop && st->list.Valid(st->list.cursel)) {
    // The open list marks the selection wherever it came from (a typed search, a message), in
    // view.
    st->hot = st->list.cursel;
    if (st->hot < st->dropTop) st->dropTop = st->hot;
    if (st->hot >= st->dropTop + kDropRows) st->dropTop = st->hot - kDropRows + 1;
    InvalidateRect(st->drop, nullptr, FALSE);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

void CloseDrop(HWND hwnd, bool ok);

void OpenDrop(HWND hwnd) {
  auto* st = GetState<ComboState>(hwnd);
  if (!st || st->drop) return;
  NotifyCommand(hwnd, CBN_DROPDOWN);
  st = GetState<ComboState>(hwnd);
  if (!st || st->drop) return;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  int rows = std::clamp(st->list.Count(), 1, kDropRows);
  int h = rows * kRowHeight + 2;
  int y = wr.bottom;
  if (y + h > GetSystemMetrics(SM_CYSCREEN)) y = std::max(0, static_cast<int>(wr.top) - h);
  st->hot = st->list.cursel;
  st->dropTop = std::clamp(st->list.cursel, 0, std::max(0, st->list.Count() - rows));
  st->drop = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"ComboLBox", L"", WS_POPUP | WS_VISIBLE,
                             wr.left, y, wr.right - wr.left, h, hwnd, nullptr, nullptr,
                             reinterpret_cast<LPVOID>(hwnd));
  if (st->drop) SetCapture(st->drop);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void CloseDrop(HWND hwnd, bool ok) {
  auto* st = GetState<ComboState>(hwnd);
  if (!st || !st->drop) return;
  HWND drop = st->drop;
  st->drop = nullptr;
  if (GetCapture() == drop) ReleaseCapture();
  DestroyWindow(drop);
  NotifyCommand(hwnd, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
  if (GetState<ComboState>(hwnd)) NotifyCommand(hwnd, CBN_CLOSEUP);
  if (IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, FALSE);
}

// The user picked `index` (from the open list or with the arrow keys). Picking the entry that
// is already selected still puts its text into the edit, where the user may have typed.
void UserPick(HWND hwnd, ComboState* st, int index) {
  if (!st->list.Valid(index)) return;
  if (index == st->list.cursel) {
    ShowSelection(hwnd, st);
    return;
  }
  st->list.cursel = index;
  ShowSelection(hwnd, st);
  NotifyCommand(hwnd, CBN_SELCHANGE);
}

LRESULT CALLBACK DropProc(HWND drop, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    // The owner of a popup is always a top-level window, so the combo box travels in lParam.
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongW(drop, GWL_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    return 0;
  }
  HWND combo = reinterpret_cast<HWND>(GetWindowLongW(drop, GWL_USERDATA));
  auto* st = GetState<ComboState>(combo);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE: {
      if (!st) return 0;
      RECT rc;
      GetClientRect(drop, &rc);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      bool inside = x >= 0 && x < rc.right && y >= 0 && y < rc.bottom;
      if (msg == WM_LBUTTONDOWN && !inside) {
        CloseDrop(combo, false);
        return 0;
      }
      if (inside) {
        int hot = st->dropTop + (y - 1) / kRowHeight;
        if (st->list.Valid(hot) && hot != st->hot) {
          st->hot = hot;
          InvalidateRect(drop, nullptr, FALSE);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      if (!st) return 0;
      RECT rc;
      GetClientRect(drop, &rc);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (x < 0 || x >= rc.right || y < 0 || y >= rc.bottom) return 0;
      int hit = st->dropTop + (y - 1) / kRowHeight;
      if (!st->list.Valid(hit)) return 0;
      UserPick(combo, st, hit);
      CloseDrop(combo, true);
      return 0;
    }
    case WM_KEYDOWN:
      if (!st) return 0;
      if (wParam == VK_ESCAPE) CloseDrop(combo, false);
      else if (wParam == VK_RETURN) {
        if (st->list.Valid(st->hot)) UserPick(combo, st, st->hot);
        CloseDrop(combo, true);
      } else if (wParam == VK_UP || wParam == VK_DOWN) {
        int to = std::clamp(st->hot + (wParam == VK_UP ? -1 : 1), 0, st->list.Count() - 1);
        st->hot = to;
        if (to < st->dropTop) st->dropTop = to;
        if (to >= st->dropTop + kDropRows) st->dropTop = to - kDropRows + 1;
        InvalidateRect(drop, nullptr, FALSE);
      }
      return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (st && st->drop == drop && (msg == WM_CANCELMODE || reinterpret_cast<HWND>(lParam) != drop))
        CloseDrop(combo, false);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(drop, &ps);
      RECT rc;
      GetClientRect(drop, &rc);
      FillSolid(dc, rc, SysColor(COLOR_WINDOW));
      FrameSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
      if (st) {
        HGDIOBJ old = SelectObject(dc, ControlFont(combo));
        for (int i = st->dropTop, y = 1; i < st->list.Count() && y < rc.bottom - 1; ++i, y += kRowHeight) {
          RECT row{1, y, rc.right - 1, y + kRowHeight};
          bool sel = i == st->hot;
          if (sel) FillSolid(dc, row, SysColor(COLOR_HIGHLIGHT));
          row.left += 2;
          DrawTextIn(dc, st->list.At(i)->text, row, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
                     SysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        }
        SelectObject(dc, old);
      }
      EndPaint(drop, &ps);
      return 0;
    }
  }
  return DefWindowProcW(drop, msg, wParam, lParam);
}

void Paint(HWND hwnd, ComboState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  bool enabled = IsWindowEnabled(hwnd);
  RECT button{rc.right - kArrowWidth, 0, rc.right, rc.bottom};
  if (!st->edit) {
    RECT field{0, 0, button.left, rc.bottom};
    bool hi = st->focused && !st->drop;
    FillSolid(dc, field, SysColor(COLOR_WINDOW));
    const auto* item = st->list.At(st->list.cursel);
    if (item) {
      RECT tr{2, 1, field.right - 1, rc.bottom - 1};
      if (hi) FillSolid(dc, tr, SysColor(COLOR_HIGHLIGHT));
      HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
      tr.left += 1;
      DrawTextIn(dc, item->text, tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
                 SysColor(!enabled ? COLOR_GRAYTEXT : hi ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      SelectObject(dc, old);
    }
  }
  FillSolid(dc, button, SysColor(st->drop ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
  DrawArrow(dc, button, 0, SysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  FrameSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
  DrawLineSolid(dc, button.left, 0, button.left, rc.bottom, SysColor(COLOR_WINDOWFRAME));
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) {
    if (msg == WM_SETFONT) {
      if (auto* s = GetState<ComboState>(hwnd); s && s->edit) SendMessageW(s->edit, WM_SETFONT, wParam, lParam);
    }
    return r;
  }
  auto* st = GetState<ComboState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  int index = static_cast<int>(static_cast<intptr_t>(wParam));
  switch (msg) {
    case WM_CREATE: {
      auto s = std::make_unique<ComboState>();
      auto* raw = s.get();
      SetState(hwnd, std::move(s));
      if (HasEdit(hwnd)) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        raw->edit = CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 1, 1,
                                    rc.right - kArrowWidth - 2, rc.bottom - 2, hwnd,
                                    reinterpret_cast<HMENU>(static_cast<intptr_t>(kEditId)), nullptr, nullptr);
      }
      return 0;
    }
    case WM_DESTROY:
      if (st->drop) {
        HWND drop = st->drop;
        st->drop = nullptr;
        DestroyWindow(drop);
      }
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == st->edit && !st->settingText) {
        if (HIWORD(wParam) == EN_CHANGE) NotifyCommand(hwnd, CBN_EDITCHANGE);
        else if (HIWORD(wParam) == EN_UPDATE) NotifyCommand(hwnd, CBN_EDITUPDATE);
        else if (HIWORD(wParam) == EN_SETFOCUS) NotifyCommand(hwnd, CBN_SETFOCUS);
        else if (HIWORD(wParam) == EN_KILLFOCUS) NotifyCommand(hwnd, CBN_KILLFOCUS);
      }
      return 0;
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      int at = msg == CB_ADDSTRING ? st->list.Add(text, (Style(hwnd) & CBS_SORT) != 0)
                                   : st->list.Insert(index, text);
      if (st->drop) InvalidateRect(st->drop, nullptr, FALSE);
      return at;
    }
    case CB_DELETESTRING: {
      bool wasSel = index == st->list.cursel;
      int left = st->list.Delete(index);
      if (wasSel && left >= 0) ShowSelection(hwnd, st);
      return left;
    }
    case CB_RESETCONTENT:
      st->list.Clear();
      ShowSelection(hwnd, st);
      return CB_OKAY;
    case CB_GETCOUNT:
      return st->list.Count();
    case CB_GETCURSEL:
      return st->list.cursel;
    case CB_SETCURSEL:
      // Out of range (or -1) clears the selection and answers CB_ERR.
      st->list.cursel = st->list.Valid(index) ? index : -1;
      ShowSelection(hwnd, st);
      return st->list.Valid(index) ? index : CB_ERR;
    case CB_GETLBTEXT: {
      const auto* item = st->list.At(index);
      if (!item) return CB_ERR;
      if (lParam) {
        auto* out = reinterpret_cast<LPWSTR>(lParam);
        item->text.copy(out, item->text.size());
        out[item->text.size()] = 0;
      }
      return static_cast<LRESULT>(item->text.size());
    }
    case CB_GETLBTEXTLEN:
      return st->list.At(index) ? static_cast<LRESULT>(st->list.At(index)->text.size()) : CB_ERR;
    case CB_GETITEMDATA:
      return st->list.At(index) ? st->list.At(index)->data : CB_ERR;
    case CB_SETITEMDATA:
      if (!st->list.At(index)) return CB_ERR;
      st->list.At(index)->data = lParam;
      return CB_OKAY;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return st->list.Find(index, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", msg == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      int found = st->list.Find(index, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", false);
      if (found < 0) return CB_ERR;
      st->list.cursel = found;
      ShowSelection(hwnd, st);
      return found;
    }
    case CB_SHOWDROPDOWN:
      if (wParam) OpenDrop(hwnd);
      else CloseDrop(hwnd, false);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return st->drop != nullptr;
    case CB_LIMITTEXT:
      if (!st->edit) return CB_ERR;
      SendMessageW(st->edit, EM_LIMITTEXT, wParam, 0);
      return TRUE;
    case CB_SETEDITSEL:
      if (!st->edit) return CB_ERR;
      SendMessageW(st->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<intptr_t>(static_cast<SHORT>(LOWORD(lParam)))),
                   static_cast<SHORT>(HIWORD(lParam)));
      return TRUE;
    case CB_GETEDITSEL:
      if (!st->edit) return CB_ERR;
      return SendMessageW(st->edit, EM_GETSEL, wParam, lParam);
    case CB_GETITEMHEIGHT:
      return kRowHeight;
    case WM_SETTEXT:
      if (st->edit) {
        SetEditText(st, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"");
        return TRUE;
      }
      {
        // A drop-down list shows only its items: the text selects the exact item.
        int found = st->list.Find(-1, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", true);
        if (found < 0) return CB_ERR;
        st->list.cursel = found;
        ShowSelection(hwnd, st);
        return TRUE;
      }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      std::wstring text;
      if (st->edit) text = WindowText(st->edit);
      else if (const auto* item = st->list.At(st->list.cursel)) text = item->text;
      if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
      if (!lParam || wParam == 0) return 0;
      size_t n = std::min(text.size(), static_cast<size_t>(wParam) - 1);
      text.copy(reinterpret_cast<LPWSTR>(lParam), n);
      reinterpret_cast<LPWSTR>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_SETFOCUS:
      if (st->edit) {
        SetFocus(st->edit);
        SendMessageW(st->edit, EM_SETSEL, 0, -1);
        return 0;
      }
      st->focused = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyCommand(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (!st->edit) {
        st->focused = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyCommand(hwnd, CBN_KILLFOCUS);
      }
      return 0;
    case WM_LBUTTONDOWN:
      // A tap on the arrow focuses the box as a tap in its field does: the edit takes the focus
      // (and reports CBN_SETFOCUS) when the box has one.
      if (!st->edit && GetFocus() != hwnd) SetFocus(hwnd);
      else if (st->edit && GetFocus() != st->edit) SetFocus(st->edit);
      st = GetState<ComboState>(hwnd);
      if (!st) return 0;
      if (st->drop) CloseDrop(hwnd, false);
      else OpenDrop(hwnd);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        int to = st->list.cursel < 0 ? 0 : st->list.cursel + (wParam == VK_UP ? -1 : 1);
        if (st->list.Valid(to)) UserPick(hwnd, st, to);
        return 0;
      }
      if (wParam == VK_F4) {
        OpenDrop(hwnd);
        return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_CHAR:
      if (!st->edit && wParam >= L' ') {
        // Typing in a drop-down list selects the next item that starts with that letter.
        int found = st->list.Find(st->list.cursel, std::wstring(1, static_cast<wchar_t>(wParam)), false);
        if (found >= 0) UserPick(hwnd, st, found);
        return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_ENABLE:
      if (st->edit) EnableWindow(st->edit, static_cast<BOOL>(wParam));
      InvalidateRect(hwnd, nullptr, FALSE);
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

void RegisterComboBoxClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ComboProc;
  wc.lpszClassName = L"combobox";
  RegisterClassW(&wc);
  wc.lpfnWndProc = DropProc;
  wc.lpszClassName = L"ComboLBox";
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
