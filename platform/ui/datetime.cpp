// "SysDateTimePick32": a date ("dd.MM.yyyy", or with DTS_LONGDATEFORMAT the month by name) or
// a time ("HH:mm:ss" with DTS_TIMEFORMAT) whose fields the user picks with the pen or the
// left/right keys and changes with the up/down arrows at the right end, the arrow keys or
// typed digits. Every change the user makes is reported with DTN_DATETIMECHANGE; DTS_SHOWNONE
// adds a check box that switches the value off (GDT_NONE).
#include <algorithm>
#include <cstdio>

#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

constexpr int kCheckBox = 14;  // pixels, the DTS_SHOWNONE check box

enum Field { kDay, kMonth, kYear, kHour, kMinute, kSecond };

struct DateState : ControlState {
  SYSTEMTIME time{};
  bool none = false;
  int field = 0;           // index into the fields of the format
  int typed = 0;           // digits typed into the current field so far
  int partial = 0;         // a year being typed: shown, but not the value until complete
  bool focused = false;
};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}
// 0 = Sunday, for the day-of-week field of SYSTEMTIME.
int DayOfWeek(int y, int m, int d) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

bool Valid(const SYSTEMTIME& t) {
  return t.wYear >= 1601 && t.wYear <= 9999 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysIn(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
         t.wMilliseconds < 1000;
}

bool TimeStyle(HWND hwnd) { return (Style(hwnd) & 0x8) != 0; }  // the time bit of DTS_TIMEFORMAT
bool ShowNone(HWND hwnd) { return (Style(hwnd) & DTS_SHOWNONE) != 0; }

std::vector<Field> Fields(HWND hwnd) {
  if (TimeStyle(hwnd)) return {kHour, kMinute, kSecond};
  return {kDay, kMonth, kYear};
}

// The shown text as segments: a field's text, or a separator (field -1).
std::vector<std::pair<std::wstring, int>> Segments(HWND hwnd, const DateState* st) {
  static const wchar_t* months[] = {L"января", L"февраля", L"марта", L"апреля", L"мая", L"июня",
                                    L"июля", L"августа", L"сентября", L"октября", L"ноября", L"декабря"};
  const SYSTEMTIME& t = st->time;
  wchar_t b[3][16];
  std::vector<std::pair<std::wstring, int>> out;
  if (TimeStyle(hwnd)) {
    swprintf(b[0], 16, L"%02u", t.wHour);
    swprintf(b[1], 16, L"%02u", t.wMinute);
    swprintf(b[2], 16, L"%02u", t.wSecond);
    out = {{b[0], 0}, {L":", -1}, {b[1], 1}, {L":", -1}, {b[2], 2}};
  } else if (Style(hwnd) & DTS_LONGDATEFORMAT) {
    swprintf(b[0], 16, L"%u", t.wDay);
    swprintf(b[2], 16, L"%04u", t.wYear);
    out = {{b[0], 0}, {L" ", -1}, {months[(t.wMonth + 11) % 12], 1}, {L" ", -1}, {b[2], 2}};
  } else {
    swprintf(b[0], 16, L"%02u", t.wDay);
    swprintf(b[1], 16, L"%02u", t.wMonth);
    swprintf(b[2], 16, L"%04u", t.wYear);
    if (st->typed && Fields(hwnd)[static_cast<size_t>(st->field)] == kYear) swprintf(b[2], 16, L"%d", st->partial);
    out = {{b[0], 0}, {L".", -1}, {b[1], 1}, {L".", -1}, {b[2], 2}};
  }
  return out;
}

int TextLeft(HWND hwnd) { return ShowNone(hwnd) ? kCheckBox + 4 : 3; }

void Announce(HWND hwnd) {
  auto* st = GetState<DateState>(hwnd);
  if (!st) return;
  InvalidateRect(hwnd, nullptr, FALSE);
  NMDATETIMECHANGE nm{};
  nm.dwFlags = st->none ? GDT_NONE : GDT_VALID;
  nm.st = st->time;
  NotifyParent(hwnd, DTN_DATETIMECHANGE, &nm.nmhdr);
}

// Sets field `f` to `value`, wrapping within its range (the year is clamped instead).
void SetField(SYSTEMTIME& t, Field f, int value) {
  auto wrap = [](int v, int lo, int hi) { return lo + (((v - lo) % (hi - lo + 1)) + (hi - lo + 1)) % (hi - lo + 1); };
  switch (f) {
    case kDay: t.wDay = static_cast<WORD>(wrap(value, 1, DaysIn(t.wYear, t.wMonth))); break;
    case kMonth: t.wMonth = static_cast<WORD>(wrap(value, 1, 12)); break;
    case kYear: t.wYear = static_cast<WORD>(std::clamp(value, 1601, 9999)); break;
    case kHour: t.wHour = static_cast<WORD>(wrap(value, 0, 23)); break;
    case kMinute: t.wMinute = static_cast<WORD>(wrap(value, 0, 59)); break;
    case kSecond: t.wSecond = static_cast<WORD>(wrap(value, 0, 59)); break;
  }
  t.wDay = static_cast<WORD>(std::min<int>(t.wDay, DaysIn(t.wYear, t.wMonth)));
  t.wDayOfWeek = static_cast<WORD>(DayOfWeek(t.wYear, t.wMonth, t.wDay));
}

int GetField(const SYSTEMTIME& t, Field f) {
  switch (f) {
    case kDay: return t.wDay;
    case kMonth: return t.wMonth;
    case kYear: return t.wYear;
    case kHour: return t.wHour;
    case kMinute: return t.wMinute;
    case kSecond: return t.wSecond;
  }
  return 0;
}

void Step(HWND hwnd, DateState* st, int delta) {
  if (st->none) return;
  Field f = Fields(hwnd)[static_cast<size_t>(st->field)];
  SetField(st->time, f, GetField(st->time, f) + delta);
  st->typed = 0;
  Announce(hwnd);
}

void TypeDigit(HWND hwnd, DateState* st, int digit) {
  if (st->none) return;
  Field f = Fields(hwnd)[static_cast<size_t>(st->field)];
  int width = f == kYear ? 4 : 2;
  int value = st->typed == 0 ? digit : (f == kYear ? st->partial : GetField(st->time, f)) * 10 + digit;
  if (++st->typed >= width) st->typed = 0;
  if (f == kYear && st->typed != 0) {
    st->partial = value;
    InvalidateRect(hwnd, nullptr, FALSE);
    return;
  }
  SetField(st->time, f, value);
  if (st->typed == 0 && st->field + 1 < static_cast<int>(Fields(hwnd).size())) ++st->field;
  Announce(hwnd);
}

void Paint(HWND hwnd, DateState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  bool enabled = IsWindowEnabled(hwnd);
  FillSolid(dc, rc, SysColor(COLOR_WINDOW));
  HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
  if (ShowNone(hwnd)) {
    RECT box{2, (rc.bottom - 11) / 2, 13, (rc.bottom - 11) / 2 + 11};
    FrameSolid(dc, box, SysColor(COLOR_WINDOWTEXT));
    if (!st->none) DrawTextIn(dc, L"\u2713", box, DT_CENTER | DT_SINGLELINE | DT_VCENTER, SysColor(COLOR_WINDOWTEXT));
  }
  int x = TextLeft(hwnd);
  for (const auto& [text, field] : Segments(hwnd, st)) {
    int w = TextWidth(dc, text);
    bool sel = field == st->field && st->focused && !st->none;
    RECT r{x, 2, x + w, rc.bottom - 2};
    if (sel) FillSolid(dc, r, SysColor(COLOR_HIGHLIGHT));
    DrawTextIn(dc, text, RECT{x, 0, x + w + 1, rc.bottom}, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
               sel ? SysColor(COLOR_HIGHLIGHTTEXT)
                   : SysColor(enabled && !st->none ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    x += w;
  }
  RECT up{rc.right - kArrowWidth, 0, rc.right, rc.bottom / 2};
  RECT down{rc.right - kArrowWidth, rc.bottom / 2, rc.right, rc.bottom};
  FillSolid(dc, RECT{up.left, 0, rc.right, rc.bottom}, SysColor(COLOR_BTNFACE));
  FrameSolid(dc, up, SysColor(COLOR_BTNSHADOW));
  FrameSolid(dc, down, SysColor(COLOR_BTNSHADOW));
  DrawArrow(dc, up, 1, SysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawArrow(dc, down, 0, SysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
  PaintBorder(hwnd);
}

void PenDown(HWND hwnd, int x, int y) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  auto* st = GetState<DateState>(hwnd);
  if (!st) return;
  RECT rc;
  GetClientRect(hwnd, &rc);
  if (x >= rc.right - kArrowWidth) {
    Step(hwnd, st, y < rc.bottom / 2 ? 1 : -1);
    return;
  }
  if (ShowNone(hwnd) && x < kCheckBox) {
    st->none = !st->none;
    Announce(hwnd);
    return;
  }
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
  int left = TextLeft(hwnd);
  int hit = -1;
  for (const auto& [text, field] : Segments(hwnd, st)) {
    int w = TextWidth(dc, text);
    if (field >= 0 && x < left + w) {
      hit = field;
      break;
    }
    if (field >= 0) hit = field;  // past the last field: the last one
    left += w;
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  if (hit >= 0) {
    st->field = hit;
    st->typed = 0;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
}

LRESULT CALLBACK DateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  auto* st = GetState<DateState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE: {
      auto s = std::make_unique<DateState>();
      GetLocalTime(&s->time);
      s->time.wMilliseconds = 0;
      SetState(hwnd, std::move(s));
      return 0;
    }
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case DTM_GETSYSTEMTIME: {
      auto* out = reinterpret_cast<SYSTEMTIME*>(lParam);
      if (!out) return GDT_ERROR;
      if (st->none) return GDT_NONE;
      *out = st->time;
      return GDT_VALID;
    }
    case DTM_SETSYSTEMTIME: {
      if (wParam == GDT_NONE) {
        if (!ShowNone(hwnd)) return FALSE;
        st->none = true;
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
      }
      auto* in = reinterpret_cast<const SYSTEMTIME*>(lParam);
      if (wParam != GDT_VALID || !in || !Valid(*in)) return FALSE;
      st->time = *in;
      st->time.wDayOfWeek = static_cast<WORD>(DayOfWeek(in->wYear, in->wMonth, in->wDay));
      st->none = false;
      st->typed = 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      PenDown(hwnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_KEYDOWN: {
      int n = static_cast<int>(Fields(hwnd).size());
      switch (wParam) {
        case VK_UP: Step(hwnd, st, 1); return 0;
        case VK_DOWN: Step(hwnd, st, -1); return 0;
        case VK_LEFT:
        case VK_RIGHT:
          st->field = std::clamp(st->field + (wParam == VK_LEFT ? -1 : 1), 0, n - 1);
          st->typed = 0;
          InvalidateRect(hwnd, nullptr, FALSE);
          return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    }
    case WM_CHAR:
      if (wParam >= L'0' && wParam <= L'9') {
        TypeDigit(hwnd, st, static_cast<int>(wParam - L'0'));
        return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      st->focused = msg == WM_SETFOCUS;
      st->typed = 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
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

void RegisterDateTimeClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DateProc;
  wc.lpszClassName = DATETIMEPICK_CLASSW;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
