// "msctls_trackbar32" (a slider whose moves reach the parent as WM_HSCROLL, or WM_VSCROLL with
// TBS_VERT, carrying TB_* codes and the trackbar in lParam) and "msctls_progress32".
// Positions set by message never notify; only the user's moves do.
#include <algorithm>

#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

constexpr int kThumbLength = 10;  // pixels along the channel
constexpr int kChannelInset = 6;  // pixels from each end to the channel's usable span

// ---- trackbar ----

struct TrackState : ControlState {
  int min = 0, max = 100, pos = 0;
  int page = 20, line = 1;
  bool pageSet = false;  // without TBM_SETPAGESIZE the page is a fifth of the range
  bool dragging = false;
  bool focused = false;
};

bool Vert(HWND hwnd) { return (Style(hwnd) & TBS_VERT) != 0; }

int Page(const TrackState* st) { return st->pageSet ? st->page : std::max(1, (st->max - st->min) / 5); }

int Span(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  int along = Vert(hwnd) ? rc.bottom : rc.right;
  return std::max(1, along - 2 * kChannelInset - kThumbLength);
}

// Offset of the thumb's leading edge along the channel, pixels.
int ThumbOffset(HWND hwnd, const TrackState* st) {
  int range = st->max - st->min;
  if (range <= 0) return kChannelInset;
  return kChannelInset + static_cast<int>(static_cast<long long>(st->pos - st->min) * Span(hwnd) / range);
}

int PosAt(HWND hwnd, const TrackState* st, int along) {
  int range = st->max - st->min;
  int off = std::clamp(along - kChannelInset - kThumbLength / 2, 0, Span(hwnd));
  return st->min + static_cast<int>((static_cast<long long>(off) * range + Span(hwnd) / 2) / Span(hwnd));
}

void Tell(HWND hwnd, int code, int pos) {
  if (HWND parent = GetParent(hwnd))
    SendMessageW(parent, Vert(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)),
                 reinterpret_cast<LPARAM>(hwnd));
}

// The user moves to `pos` with `code`, then the move ends (TB_ENDTRACK), as on the platform.
void UserMove(HWND hwnd, int pos, int code) {
  auto* st = GetState<TrackState>(hwnd);
  if (!st) return;
  st->pos = std::clamp(pos, st->min, st->max);
  InvalidateRect(hwnd, nullptr, FALSE);
  Tell(hwnd, code, code == TB_THUMBPOSITION || code == TB_THUMBTRACK ? st->pos : 0);
  if (GetState<TrackState>(hwnd) && code != TB_THUMBTRACK) Tell(hwnd, TB_ENDTRACK, 0);
}

void PaintTrack(HWND hwnd, TrackState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillSolid(dc, rc, SysColor(COLOR_BTNFACE));
  bool v = Vert(hwnd);
  int across = v ? rc.right : rc.bottom;
  int mid = across / 2;
  int end = (v ? rc.bottom : rc.right) - kChannelInset;
  RECT channel = v ? RECT{mid - 2, kChannelInset, mid + 2, end} : RECT{kChannelInset, mid - 2, end, mid + 2};
  FillSolid(dc, channel, SysColor(COLOR_WINDOW));
  FrameSolid(dc, channel, SysColor(COLOR_BTNSHADOW));
  if ((Style(hwnd) & TBS_AUTOTICKS) && !(Style(hwnd) & TBS_NOTICKS) && st->max > st->min) {
    int step = std::max(1, Page(st));
    for (int p = st->min; p <= st->max; p += step) {
      int at = kChannelInset + kThumbLength / 2 +
               static_cast<int>(static_cast<long long>(p - st->min) * Span(hwnd) / (st->max - st->min));
      if (v) DrawLineSolid(dc, across - 4, at, across - 1, at, SysColor(COLOR_BTNTEXT));
      else DrawLineSolid(dc, at, across - 4, at, across - 1, SysColor(COLOR_BTNTEXT));
    }
  }
  int t = ThumbOffset(hwnd, st);
  RECT thumb = v ? RECT{mid - 8, t, mid + 8, t + kThumbLength} : RECT{t, mid - 8, t + kThumbLength, mid + 8};
  FillSolid(dc, thumb, IsWindowEnabled(hwnd) ? (st->dragging ? SysColor(COLOR_HIGHLIGHT) : SysColor(COLOR_BTNSHADOW))
                                             : SysColor(COLOR_GRAYTEXT));
  if (st->focused) FrameSolid(dc, rc, SysColor(COLOR_BTNSHADOW));
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TrackProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = GetState<TrackState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto redraw = [&](bool yes) {
    if (yes) InvalidateRect(hwnd, nullptr, FALSE);
  };
  auto clampPos = [&] { st->pos = std::clamp(st->pos, st->min, std::max(st->min, st->max)); };
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<TrackState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case TBM_GETPOS:
      return st->pos;
    case TBM_GETRANGEMIN:
      return st->min;
    case TBM_GETRANGEMAX:
      return st->max;
    case TBM_SETPOS:
      st->pos = static_cast<int>(lParam);
      clampPos();
      redraw(wParam != 0);
      return 0;
    case TBM_SETRANGE:
      st->min = static_cast<short>(LOWORD(lParam));
      st->max = std::max(st->min, static_cast<int>(static_cast<short>(HIWORD(lParam))));
      clampPos();
      redraw(wParam != 0);
      return 0;
    case TBM_SETRANGEMIN:
      st->min = static_cast<int>(lParam);
      st->max = std::max(st->min, st->max);
      clampPos();
      redraw(wParam != 0);
      return 0;
    case TBM_SETRANGEMAX:
      st->max = std::max(st->min, static_cast<int>(lParam));
      clampPos();
      redraw(wParam != 0);
      return 0;
    case TBM_SETPAGESIZE: {
      int old = Page(st);
      st->page = static_cast<int>(lParam);
      st->pageSet = true;
      return old;
    }
    case TBM_GETPAGESIZE:
      return Page(st);
    case TBM_SETLINESIZE: {
      int old = st->line;
      st->line = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETLINESIZE:
      return st->line;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!(st = GetState<TrackState>(hwnd))) return 0;
      int along = Vert(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      int t = ThumbOffset(hwnd, st);
      if (along < t) {
        UserMove(hwnd, st->pos - Page(st), TB_PAGEUP);
      } else if (along >= t + kThumbLength) {
        UserMove(hwnd, st->pos + Page(st), TB_PAGEDOWN);
      } else {
        st->dragging = true;
        SetCapture(hwnd);
        redraw(true);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!st->dragging) return 0;
      int pos = PosAt(hwnd, st, Vert(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam));
      if (pos != st->pos) UserMove(hwnd, pos, TB_THUMBTRACK);
      return 0;
    }
    case WM_LBUTTONUP:
      if (!st->dragging) return 0;
      st->dragging = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      UserMove(hwnd, st->pos, TB_THUMBPOSITION);
      return 0;
    case WM_CANCELMODE:
      if (st->dragging) {
        st->dragging = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        redraw(true);
      }
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_LEFT: case VK_UP: UserMove(hwnd, st->pos - st->line, TB_LINEUP); return 0;
        case VK_RIGHT: case VK_DOWN: UserMove(hwnd, st->pos + st->line, TB_LINEDOWN); return 0;
        case VK_PRIOR: UserMove(hwnd, st->pos - Page(st), TB_PAGEUP); return 0;
        case VK_NEXT: UserMove(hwnd, st->pos + Page(st), TB_PAGEDOWN); return 0;
        case VK_HOME: UserMove(hwnd, st->min, TB_TOP); return 0;
        case VK_END: UserMove(hwnd, st->max, TB_BOTTOM); return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_CHAR:
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      st->focused = msg == WM_SETFOCUS;
      redraw(true);
      return 0;
    case WM_ENABLE:
      redraw(true);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintTrack(hwnd, st);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---- progress bar ----

struct ProgressState : ControlState {
  int min = 0, max = 100, pos = 0, step = 10;
};

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = GetState<ProgressState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto setPos = [&](int pos) -> LRESULT {
    int old = st->pos;
    st->pos = std::clamp(pos, st->min, st->max);
    if (st->pos != old) InvalidateRect(hwnd, nullptr, FALSE);
    return old;
  };
  auto setRange = [&](int lo, int hi) -> LRESULT {
    LRESULT old = MAKELONG(static_cast<WORD>(st->min), static_cast<WORD>(st->max));
    st->min = lo;
    st->max = std::max(lo, hi);
    st->pos = std::clamp(st->pos, st->min, st->max);
    InvalidateRect(hwnd, nullptr, FALSE);
    return old;
  };
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<ProgressState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case PBM_SETRANGE:
      return setRange(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    case PBM_SETRANGE32:
      return setRange(static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
      // wParam TRUE asks for the low limit, FALSE for the high one.
      return wParam ? st->min : st->max;
    case PBM_SETPOS:
      return setPos(static_cast<int>(wParam));
    case PBM_DELTAPOS:
      return setPos(st->pos + static_cast<int>(wParam));
    case PBM_GETPOS:
      return st->pos;
    case PBM_SETSTEP: {
      int old = st->step;
      st->step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      // Stepping past the end starts again from the beginning, as on the platform.
      int next = st->pos + st->step;
      if (next > st->max) next = st->min + (next - st->max) % std::max(1, st->max - st->min);
      int old = st->pos;
      st->pos = std::clamp(next, st->min, st->max);
      InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillSolid(dc, rc, SysColor(COLOR_WINDOW));
      FrameSolid(dc, rc, SysColor(COLOR_BTNSHADOW));
      int range = st->max - st->min;
      bool v = (Style(hwnd) & PBS_VERTICAL) != 0;
      int along = (v ? rc.bottom : rc.right) - 2;
      int filled = range > 0 ? static_cast<int>(static_cast<long long>(st->pos - st->min) * along / range) : 0;
      RECT bar = v ? RECT{1, rc.bottom - 1 - filled, rc.right - 1, rc.bottom - 1} : RECT{1, 1, 1 + filled, rc.bottom - 1};
      FillSolid(dc, bar, SysColor(COLOR_HIGHLIGHT));
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterBarClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TrackProc;
  wc.lpszClassName = TRACKBAR_CLASSW;
  RegisterClassW(&wc);
  wc.lpfnWndProc = ProgressProc;
  wc.lpszClassName = PROGRESS_CLASSW;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
