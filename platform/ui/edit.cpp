// "edit": single- and multi-line text entry. The text is kept here and mirrored into the window
// manager's title, so GetWindowTextW and WM_GETTEXT agree. Every change, by WM_SETTEXT or by
// the user, sends exactly one EN_UPDATE and one EN_CHANGE.
#include <algorithm>

#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

constexpr int kDefaultLimit = 30000;  // characters, the platform's default

struct EditState : ControlState {
  std::wstring text;
  int selStart = 0, selEnd = 0;  // selEnd is also the caret
  int limit = kDefaultLimit;
  bool focused = false;
  bool modified = false;
  wchar_t password = L'*';
  int scrollX = 0;     // pixels, single-line
  int firstLine = 0;   // multi-line
};

void Changed(HWND hwnd, bool user) {
  auto* st = GetState<EditState>(hwnd);
  if (!st) return;
  if (user) st->modified = true;
  DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(st->text.c_str()));
  InvalidateRect(hwnd, nullptr, FALSE);
  NotifyCommand(hwnd, EN_UPDATE);
  NotifyCommand(hwnd, EN_CHANGE);
}

bool ReadOnly(HWND hwnd) { return (Style(hwnd) & ES_READONLY) != 0; }

// Replaces the selection by `s` as typed by the user: filtered per style and cut to the limit.
bool ReplaceSelection(HWND hwnd, EditState* st, std::wstring s, bool user) {
  DWORD style = Style(hwnd);
  if (!(style & ES_MULTILINE)) s.erase(std::remove_if(s.begin(), s.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }), s.end());
  if (style & ES_NUMBER && user)
    s.erase(std::remove_if(s.begin(), s.end(), [](wchar_t c) { return c < L'0' || c > L'9'; }), s.end());
  if (style & ES_UPPERCASE) for (auto& c : s) c = static_cast<wchar_t>(towupper(c));
  if (style & ES_LOWERCASE) for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
  int a = std::min(st->selStart, st->selEnd), b = std::max(st->selStart, st->selEnd);
  int room = st->limit - (static_cast<int>(st->text.size()) - (b - a));
  bool cut = false;
  if (static_cast<int>(s.size()) > room) {
    s.resize(static_cast<size_t>(std::max(0, room)));
    cut = true;
  }
  if (s.empty() && a == b) {
    if (cut) NotifyCommand(hwnd, EN_MAXTEXT);
    return false;
  }
  st->text.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), s);
  st->selStart = st->selEnd = a + static_cast<int>(s.size());
  if (cut) NotifyCommand(hwnd, EN_MAXTEXT);
  return true;
}

std::wstring Shown(HWND hwnd, const EditState* st) {
  if (Style(hwnd) & ES_PASSWORD) return std::wstring(st->text.size(), st->password);
  return st->text;
}

// Line starts of a multi-line text (after "\r\n" or "\n").
std::vector<int> LineStarts(const std::wstring& t) {
  std::vector<int> starts{0};
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i] == L'\n') starts.push_back(static_cast<int>(i + 1));
  return starts;
}
int LineEnd(const std::wstring& t, const std::vector<int>& starts, size_t line) {
  int end = line + 1 < starts.size() ? starts[line + 1] - 1 : static_cast<int>(t.size());
  if (end > starts[line] && t[end - 1] == L'\r') --end;
  return end;
}
int LineOf(const std::vector<int>& starts, int pos) {
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
}

int CharFromX(HDC dc, const std::wstring& s, int from, int to, int x) {
  int best = from;
  for (int i = from; i <= to; ++i) {
    int w = TextWidth(dc, s.substr(static_cast<size_t>(from), static_cast<size_t>(i - from)));
    if (w <= x + 2) best = i;
    else break;
  }
  return best;
}

void Paint(HWND hwnd, EditState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  bool enabled = IsWindowEnabled(hwnd);
  COLORREF bg = (ReadOnly(hwnd) || !enabled) ? SysColor(COLOR_BTNFACE) : SysColor(COLOR_WINDOW);
  FillSolid(dc, rc, bg);
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
  SetBkMode(dc, TRANSPARENT);
  std::wstring shown = Shown(hwnd, st);
  int a = std::min(st->selStart, st->selEnd), b = std::max(st->selStart, st->selEnd);
  bool showSel = a != b && (st->focused || (Style(hwnd) & ES_NOHIDESEL));
  COLORREF fg = SysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
  auto drawRun = [&](int from, int to, int x0, int y) {
    // Draws shown[from, to) at x0, the selected part in the highlight colours.
    int x = x0;
    auto seg = [&](int s, int e, bool sel) {
      if (s >= e) return;
      std::wstring part = shown.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
      int w = TextWidth(dc, part);
      if (sel) FillSolid(dc, RECT{x, y, x + w, y + kRowHeight}, SysColor(COLOR_HIGHLIGHT));
      SetTextColor(dc, sel ? SysColor(COLOR_HIGHLIGHTTEXT) : fg);
      ExtTextOutW(dc, x, y + 1, 0, nullptr, part.c_str(), static_cast<UINT>(part.size()), nullptr);
      x += w;
    };
    if (!showSel) {
      seg(from, to, false);
    } else {
      seg(from, std::clamp(a, from, to), false);
      seg(std::clamp(a, from, to), std::clamp(b, from, to), true);
      seg(std::clamp(b, from, to), to, false);
    }
  };
  int caretX = -1, caretY = 0;
  if (Style(hwnd) & ES_MULTILINE) {
    auto starts = LineStarts(shown);
    int y = 1;
    for (size_t line = static_cast<size_t>(st->firstLine); line < starts.size() && y < rc.bottom; ++line) {
      int end = LineEnd(shown, starts, line);
      drawRun(starts[line], end, 2, y);
      if (st->selEnd >= starts[line] && st->selEnd <= end) {
        caretX = 2 + TextWidth(dc, shown.substr(static_cast<size_t>(starts[line]), static_cast<size_t>(st->selEnd - starts[line])));
        caretY = y;
      }
      y += kRowHeight;
    }
  } else {
    int y = (rc.bottom - kRowHeight) / 2;
    int cx = TextWidth(dc, shown.substr(0, static_cast<size_t>(st->selEnd)));
    // Keep the caret inside the box: scroll by a quarter of the width when it leaves.
    int width = rc.right - 4;
    if (cx - st->scrollX > width) st->scrollX = cx - width + width / 4;
    if (cx < st->scrollX) st->scrollX = std::max(0, cx - width / 4);
    drawRun(0, static_cast<int>(shown.size()), 2 - st->scrollX, y);
    caretX = 2 + cx - st->scrollX;
    caretY = y;
  }
  if (st->focused && !ReadOnly(hwnd) && caretX >= 0)
    FillSolid(dc, RECT{caretX, caretY + 1, caretX + 1, caretY + kRowHeight - 1}, SysColor(COLOR_WINDOWTEXT));
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
  PaintBorder(hwnd);
}

void SetSel(HWND hwnd, EditState* st, int start, int end) {
  int n = static_cast<int>(st->text.size());
  if (start == -1) {
    // -1 as the start removes the selection and leaves the caret where it is.
    st->selStart = st->selEnd;
  } else {
    if (end < 0 || end > n) end = n;
    if (start < 0 || start > n) start = n;
    st->selStart = start;
    st->selEnd = end;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  auto* st = GetState<EditState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE: {
      auto s = std::make_unique<EditState>();
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName) s->text = cs->lpszName;
      SetState(hwnd, std::move(s));
      return 0;
    }
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if ((Style(hwnd) & ES_MULTILINE) && (Style(hwnd) & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETTEXT:
      // Not cut to the limit: the limit governs typing, as on the platform.
      st->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      st->selStart = st->selEnd = 0;
      st->scrollX = st->firstLine = 0;
      st->modified = false;
      Changed(hwnd, false);
      return TRUE;
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      size_t n = std::min(st->text.size(), static_cast<size_t>(wParam) - 1);
      st->text.copy(reinterpret_cast<LPWSTR>(lParam), n);
      reinterpret_cast<LPWSTR>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(st->text.size());
    case EM_GETSEL: {
      DWORD a = static_cast<DWORD>(std::min(st->selStart, st->selEnd));
      DWORD b = static_cast<DWORD>(std::max(st->selStart, st->selEnd));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = a;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = b;
      return MAKELRESULT(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
    }
    case EM_SETSEL:
      SetSel(hwnd, st, static_cast<int>(static_cast<intptr_t>(wParam)), static_cast<int>(lParam));
      return 0;
    case EM_REPLACESEL:
      if (ReplaceSelection(hwnd, st, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"", false))
        Changed(hwnd, true);
      return 0;
    case EM_LIMITTEXT:
      st->limit = wParam == 0 || wParam > 0x7FFFFFFE ? 0x7FFFFFFE : static_cast<int>(wParam);
      return 0;
    case EM_GETLIMITTEXT:
      return st->limit;
    case EM_GETMODIFY:
      return st->modified;
    case EM_SETMODIFY:
      st->modified = wParam != 0;
      return 0;
    case EM_SETREADONLY: {
      DWORD style = Style(hwnd);
      style = wParam ? (style | ES_READONLY) : (style & ~ES_READONLY);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR:
      st->password = wParam ? static_cast<wchar_t>(wParam) : L'*';
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case EM_SCROLLCARET:
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(LineStarts(st->text).size());
    case EM_LINEINDEX: {
      auto starts = LineStarts(st->text);
      int line = static_cast<int>(static_cast<intptr_t>(wParam));
      if (line == -1) line = LineOf(starts, st->selEnd);
      return line >= 0 && line < static_cast<int>(starts.size()) ? starts[static_cast<size_t>(line)] : -1;
    }
    case EM_LINEFROMCHAR: {
      int pos = static_cast<int>(static_cast<intptr_t>(wParam));
      if (pos < 0) pos = st->selEnd;
      return LineOf(LineStarts(st->text), std::min(pos, static_cast<int>(st->text.size())));
    }
    case EM_LINELENGTH: {
      auto starts = LineStarts(st->text);
      int pos = static_cast<int>(static_cast<intptr_t>(wParam));
      if (pos < 0) pos = st->selEnd;
      size_t line = static_cast<size_t>(LineOf(starts, std::min(pos, static_cast<int>(st->text.size()))));
      return LineEnd(st->text, starts, line) - starts[line];
    }
    case EM_GETLINE: {
      // The first WORD of the buffer holds its size in characters; the line is not terminated.
      auto starts = LineStarts(st->text);
      size_t line = wParam;
      auto* buf = reinterpret_cast<LPWSTR>(lParam);
      if (!buf || line >= starts.size()) return 0;
      size_t cap = static_cast<WORD>(buf[0]);
      int s = starts[line], e = LineEnd(st->text, starts, line);
      size_t n = std::min(cap, static_cast<size_t>(e - s));
      st->text.copy(buf, n, static_cast<size_t>(s));
      return static_cast<LRESULT>(n);
    }
    case WM_SETFOCUS:
      st->focused = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyCommand(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      st->focused = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyCommand(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      st = GetState<EditState>(hwnd);
      if (!st) return 0;
      HDC dc = GetDC(hwnd);
      HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
      std::wstring shown = Shown(hwnd, st);
      int x = GET_X_LPARAM(lParam) - 2, y = GET_Y_LPARAM(lParam);
      int pos;
      if (Style(hwnd) & ES_MULTILINE) {
        auto starts = LineStarts(shown);
        size_t line = static_cast<size_t>(std::clamp(st->firstLine + (y - 1) / kRowHeight, 0, static_cast<int>(starts.size()) - 1));
        pos = CharFromX(dc, shown, starts[line], LineEnd(shown, starts, line), x);
      } else {
        pos = CharFromX(dc, shown, 0, static_cast<int>(shown.size()), x + st->scrollX);
      }
      SelectObject(dc, old);
      ReleaseDC(hwnd, dc);
      st->selStart = st->selEnd = pos;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_KEYDOWN: {
      int n = static_cast<int>(st->text.size());
      bool multi = Style(hwnd) & ES_MULTILINE;
      switch (wParam) {
        case VK_LEFT: st->selStart = st->selEnd = std::max(0, std::min(st->selStart, st->selEnd) - (st->selStart == st->selEnd ? 1 : 0)); break;
        case VK_RIGHT: st->selStart = st->selEnd = std::min(n, std::max(st->selStart, st->selEnd) + (st->selStart == st->selEnd ? 1 : 0)); break;
        case VK_HOME: st->selStart = st->selEnd = 0; break;
        case VK_END: st->selStart = st->selEnd = n; break;
        case VK_UP:
        case VK_DOWN: {
          if (!multi) return DialogKey(hwnd, msg, wParam) ? 0 : 0;
          auto starts = LineStarts(st->text);
          int line = LineOf(starts, st->selEnd);
          int col = st->selEnd - starts[static_cast<size_t>(line)];
          line += wParam == VK_UP ? -1 : 1;
          if (line < 0 || line >= static_cast<int>(starts.size())) return 0;
          st->selStart = st->selEnd = std::min(starts[static_cast<size_t>(line)] + col, LineEnd(st->text, starts, static_cast<size_t>(line)));
          break;
        }
        case VK_DELETE:
          if (ReadOnly(hwnd)) return 0;
          if (st->selStart == st->selEnd) {
            if (st->selEnd >= n) return 0;
            st->selEnd++;
          }
          if (ReplaceSelection(hwnd, st, L"", true)) Changed(hwnd, true);
          return 0;
        default:
          DialogKey(hwnd, msg, wParam);
          return 0;
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_CHAR: {
      wchar_t c = static_cast<wchar_t>(wParam);
      bool multi = Style(hwnd) & ES_MULTILINE;
      if (c == L'\t' || c == 27 || (c == L'\r' && !(multi && (Style(hwnd) & ES_WANTRETURN)))) {
        DialogKey(hwnd, msg, wParam);
        return 0;
      }
      if (ReadOnly(hwnd)) return 0;
      if (c == L'\b') {
        if (st->selStart == st->selEnd) {
          if (st->selEnd == 0) return 0;
          st->selStart = st->selEnd - 1;
        }
        if (ReplaceSelection(hwnd, st, L"", true)) Changed(hwnd, true);
        return 0;
      }
      if (c == L'\r') {
        if (ReplaceSelection(hwnd, st, L"\r\n", true)) Changed(hwnd, true);
        return 0;
      }
      if (c < 32) return 0;
      if ((Style(hwnd) & ES_NUMBER) && (c < L'0' || c > L'9')) return 0;
      if (ReplaceSelection(hwnd, st, std::wstring(1, c), true)) Changed(hwnd, true);
      return 0;
    }
    case WM_ENABLE:
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

void RegisterEditClass() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = EditProc;
  wc.lpszClassName = L"edit";
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
