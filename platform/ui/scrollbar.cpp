// "scrollbar" controls and the scroll state of windows. A scroll-bar control never moves its own
// thumb: a tap tells the parent (WM_VSCROLL/WM_HSCROLL with SB_* in the low word and the control
// in lParam) and the parent answers with SetScrollPos, as on the platform. Windows with
// WS_VSCROLL/WS_HSCROLL keep the same state per bar; the window manager reserves no strip for
// those bars, so they are state only and the window draws what it wants.
#include <algorithm>
#include <map>
#include <utility>

#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

struct ScrollData {
  int min = 0, max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
};

struct ScrollBarState : ControlState {
  ScrollData data;
  bool dragging = false;
  int dragOffset = 0;  // pen position inside the thumb, pixels
};

// The highest position the thumb may take: with a page, the last page starts there.
int MaxPos(const ScrollData& d) {
  int span = d.page > 0 ? d.max - static_cast<int>(d.page) + 1 : d.max;
  return std::max(d.min, span);
}

void Clamp(ScrollData& d) { d.pos = std::clamp(d.pos, d.min, MaxPos(d)); }

// Applies the fields of `info` chosen by its mask.
void Apply(ScrollData& d, const SCROLLINFO* info) {
  if (info->fMask & SIF_RANGE) {
    d.min = info->nMin;
    d.max = std::max(info->nMin, info->nMax);
  }
  if (info->fMask & SIF_PAGE)
    d.page = std::min(info->nPage, static_cast<UINT>(d.max - d.min + 1));
  if (info->fMask & SIF_POS) d.pos = info->nPos;
  Clamp(d);
}

void Fill(const ScrollData& d, SCROLLINFO* info) {
  if (info->fMask & SIF_RANGE) {
    info->nMin = d.min;
    info->nMax = d.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = d.page;
  if (info->fMask & SIF_POS) info->nPos = d.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = d.trackPos;
}

bool Vertical(HWND hwnd) { return (Style(hwnd) & SBS_VERT) != 0; }

// Length of the track between the two arrow buttons, pixels.
int TrackLength(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  int along = Vertical(hwnd) ? rc.bottom : rc.right;
  int arrow = std::min(kArrowWidth, along / 2);
  return std::max(0, along - 2 * arrow);
}

int ArrowLength(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::min(kArrowWidth, static_cast<int>(Vertical(hwnd) ? rc.bottom : rc.right) / 2);
}

void Paint(HWND hwnd, ScrollBarState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  const ScrollData& d = st->data;
  int pos = st->dragging ? d.trackPos : d.pos;
  if (Vertical(hwnd)) {
    DrawVScrollBar(dc, rc, d.min, d.max, static_cast<int>(d.page), pos);
  } else {
    FillSolid(dc, rc, SysColor(COLOR_SCROLLBAR));
    FrameSolid(dc, rc, SysColor(COLOR_BTNSHADOW));
    int a = ArrowLength(hwnd);
    DrawArrow(dc, RECT{rc.left, rc.top, rc.left + a, rc.bottom}, 2, SysColor(COLOR_BTNTEXT));
    DrawArrow(dc, RECT{rc.right - a, rc.top, rc.right, rc.bottom}, 3, SysColor(COLOR_BTNTEXT));
    ThumbSpan t = ComputeThumb(TrackLength(hwnd), d.min, d.max, static_cast<int>(d.page), pos);
    FillSolid(dc, RECT{a + t.start, rc.top + 1, a + t.start + t.length, rc.bottom - 1}, SysColor(COLOR_BTNSHADOW));
  }
  EndPaint(hwnd, &ps);
}

void Tell(HWND hwnd, int code, int pos) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessageW(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL,
               MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(hwnd));
}

// The position the thumb shows when its leading edge is `offset` pixels into the track.
int PosAtOffset(HWND hwnd, const ScrollData& d, int offset) {
  ThumbSpan t = ComputeThumb(TrackLength(hwnd), d.min, d.max, static_cast<int>(d.page), d.pos);
  int room = TrackLength(hwnd) - t.length;
  if (room <= 0) return d.min;
  int span = MaxPos(d) - d.min;
  return d.min + static_cast<int>((static_cast<long long>(std::clamp(offset, 0, room)) * span + room / 2) / room);
}

LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* st = GetState<ScrollBarState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto redraw = [&](bool yes) {
    if (yes) InvalidateRect(hwnd, nullptr, FALSE);
  };
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<ScrollBarState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case SBM_SETPOS: {
      int old = st->data.pos;
      st->data.pos = static_cast<int>(wParam);
      Clamp(st->data);
      redraw(lParam != 0);
      return old;
    }
    case SBM_GETPOS:
      return st->data.pos;
    case SBM_SETRANGE: {
      int old = st->data.pos;
      st->data.min = static_cast<int>(wParam);
      st->data.max = std::max(st->data.min, static_cast<int>(lParam));
      Clamp(st->data);
      return old;
    }
    case SBM_GETRANGE:
      if (wParam) *reinterpret_cast<int*>(wParam) = st->data.min;
      if (lParam) *reinterpret_cast<int*>(lParam) = st->data.max;
      return 0;
    case SBM_SETSCROLLINFO: {
      auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
      if (!info) return st->data.pos;
      Apply(st->data, info);
      redraw(wParam != 0);
      return st->data.pos;
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
      if (!info) return FALSE;
      Fill(st->data, info);
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      int along = Vertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      int a = ArrowLength(hwnd);
      int track = TrackLength(hwnd);
      const ScrollData& d = st->data;
      ThumbSpan t = ComputeThumb(track, d.min, d.max, static_cast<int>(d.page), d.pos);
      if (along < a) {
        Tell(hwnd, SB_LINEUP, 0);
      } else if (along >= a + track) {
        Tell(hwnd, SB_LINEDOWN, 0);
      } else if (along < a + t.start) {
        Tell(hwnd, SB_PAGEUP, 0);
      } else if (along >= a + t.start + t.length) {
        Tell(hwnd, SB_PAGEDOWN, 0);
      } else {
        st->dragging = true;
        st->dragOffset = along - a - t.start;
        st->data.trackPos = d.pos;
        SetCapture(hwnd);
        return 0;
      }
      if (GetState<ScrollBarState>(hwnd)) Tell(hwnd, SB_ENDSCROLL, 0);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!st->dragging) return 0;
      int along = Vertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      int pos = PosAtOffset(hwnd, st->data, along - ArrowLength(hwnd) - st->dragOffset);
      if (pos != st->data.trackPos) {
        st->data.trackPos = pos;
        redraw(true);
        Tell(hwnd, SB_THUMBTRACK, pos);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      if (!st->dragging) return 0;
      st->dragging = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      int pos = st->data.trackPos;
      redraw(true);
      Tell(hwnd, SB_THUMBPOSITION, pos);
      if (GetState<ScrollBarState>(hwnd)) Tell(hwnd, SB_ENDSCROLL, 0);
      return 0;
    }
    case WM_CANCELMODE:
      if (st->dragging) {
        st->dragging = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        redraw(true);
      }
      return 0;
    case WM_ENABLE:
      redraw(true);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd, st);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The bars of ordinary windows, by window and bar (SB_HORZ or SB_VERT). Handles are never
// reused by the window manager, so an entry of a destroyed window only needs sweeping now and
// then; it is swept when the table grows.
std::map<std::pair<HWND, int>, ScrollData>& WindowBars() {
  static auto* bars = new std::map<std::pair<HWND, int>, ScrollData>;
  return *bars;
}

ScrollData* WindowBar(HWND hwnd, int bar, bool create) {
  if (!IsWindow(hwnd) || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  auto& bars = WindowBars();
  auto it = bars.find({hwnd, bar});
  if (it != bars.end()) return &it->second;
  if (!create) return nullptr;
  if (bars.size() >= 64) {
    for (auto i = bars.begin(); i != bars.end();) i = IsWindow(i->first.first) ? std::next(i) : bars.erase(i);
  }
  return &bars[{hwnd, bar}];
}

bool IsScrollBarControl(HWND hwnd) { return GetState<ScrollBarState>(hwnd) != nullptr; }

}  // namespace

void RegisterScrollBarClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ScrollBarProc;
  wc.lpszClassName = WC_SCROLLBARW;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui

using namespace vplat::ui;

extern "C" {

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (!info) return 0;
  if (bar == SB_CTL) return IsScrollBarControl(hwnd) ? static_cast<int>(SendMessageW(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info))) : 0;
  ScrollData* d = WindowBar(hwnd, bar, true);
  if (!d) return 0;
  Apply(*d, info);
  if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return d->pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (!info) return FALSE;
  if (bar == SB_CTL) return IsScrollBarControl(hwnd) ? static_cast<BOOL>(SendMessageW(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info))) : FALSE;
  ScrollData* d = WindowBar(hwnd, bar, false);
  if (!d) return FALSE;
  Fill(*d, info);
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (bar == SB_CTL) return IsScrollBarControl(hwnd) ? static_cast<int>(SendMessageW(hwnd, SBM_SETPOS, static_cast<WPARAM>(pos), redraw)) : 0;
  ScrollData* d = WindowBar(hwnd, bar, true);
  if (!d) return 0;
  int old = d->pos;
  d->pos = pos;
  Clamp(*d);
  if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  if (bar == SB_CTL) return IsScrollBarControl(hwnd) ? static_cast<int>(SendMessageW(hwnd, SBM_GETPOS, 0, 0)) : 0;
  ScrollData* d = WindowBar(hwnd, bar, false);
  return d ? d->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  if (bar == SB_CTL) {
    if (!IsScrollBarControl(hwnd)) return FALSE;
    SendMessageW(hwnd, SBM_SETRANGE, static_cast<WPARAM>(min), max);
    if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
    return TRUE;
  }
  ScrollData* d = WindowBar(hwnd, bar, true);
  if (!d) return FALSE;
  d->min = min;
  d->max = std::max(min, max);
  Clamp(*d);
  if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  if (bar == SB_CTL) {
    if (!IsScrollBarControl(hwnd)) return FALSE;
    SendMessageW(hwnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(min), reinterpret_cast<LPARAM>(max));
    return TRUE;
  }
  ScrollData* d = WindowBar(hwnd, bar, false);
  if (!d) {
    // A bar never set has the empty range.
    if (min) *min = 0;
    if (max) *max = 0;
    return IsWindow(hwnd) && (bar == SB_HORZ || bar == SB_VERT);
  }
  if (min) *min = d->min;
  if (max) *max = d->max;
  return TRUE;
}

}  // extern "C"
