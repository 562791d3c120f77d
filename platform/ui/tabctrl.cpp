// "SysTabControl32": a strip of tabs (at the top, or at the bottom with TCS_BOTTOM, as the
// handheld's dialogs have them). The pages are the parent's windows: TCM_ADJUSTRECT gives the
// area they go in. A tap on another tab asks the parent with TCN_SELCHANGING (non-zero keeps
// the old tab) and then reports TCN_SELCHANGE; TCM_SETCURSEL changes quietly. Tabs that do not
// fit the width scroll: two arrow buttons at the strip's right end move the first shown tab, and
// the chosen tab is always scrolled into view.
#include <algorithm>

#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

constexpr int kTabHeight = 20;  // pixels
constexpr int kTabPad = 6;      // pixels each side of a tab's label
constexpr int kArrowWidth = 14; // pixels of each scroll arrow

struct Tab {
  std::wstring text;
  int image = -1;
  LPARAM param = 0;
};

struct TabState : ControlState {
  std::vector<Tab> tabs;
  int cursel = -1;
  int first = 0;  // the first tab shown when they do not all fit
  HIMAGELIST images = nullptr;
};

bool Bottom(HWND hwnd) { return (Style(hwnd) & TCS_BOTTOM) != 0; }

RECT StripRect(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return Bottom(hwnd) ? RECT{0, rc.bottom - kTabHeight, rc.right, rc.bottom} : RECT{0, 0, rc.right, kTabHeight};
}

// The tabs' rectangles from the left, each as wide as its label (and image).
std::vector<RECT> TabRects(HWND hwnd, TabState* st) {
  std::vector<RECT> out;
  RECT strip = StripRect(hwnd);
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
  int iw = 0, ih = 0;
  if (st->images) ImageList_GetIconSize(st->images, &iw, &ih);
  int x = 0;
  for (const Tab& t : st->tabs) {
    int w = TextWidth(dc, t.text) + 2 * kTabPad + (t.image >= 0 && st->images ? iw + 2 : 0);
    out.push_back(RECT{x, strip.top, x + w, strip.bottom});
    x += w;
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  if (st->first > 0 && st->first < static_cast<int>(out.size())) {
    const LONG shift = out[static_cast<size_t>(st->first)].left;
    for (RECT& r : out) {
      r.left -= shift;
      r.right -= shift;
    }
  }
  return out;
}

// Where the two arrows begin when the tabs do not all fit the width; 0 when they fit.
LONG ArrowsLeft(HWND hwnd, const std::vector<RECT>& rects) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  LONG total = 0;
  for (const RECT& r : rects) total += r.right - r.left;
  if (total <= rc.right) return 0;
  return rc.right - 2 * kArrowWidth;
}

// Scrolls so that the chosen tab is shown whole (as far as it can be).
void EnsureVisible(HWND hwnd, TabState* st) {
  if (st->cursel < 0) return;
  if (st->cursel < st->first) st->first = st->cursel;
  for (;;) {
    std::vector<RECT> rects = TabRects(hwnd, st);
    LONG limit = ArrowsLeft(hwnd, rects);
    if (limit == 0) {
      st->first = 0;
      return;
    }
    if (st->first >= st->cursel || rects[static_cast<size_t>(st->cursel)].right <= limit) return;
    ++st->first;
  }
}

void Paint(HWND hwnd, TabState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillSolid(dc, rc, SysColor(COLOR_BTNFACE));
  RECT strip = StripRect(hwnd);
  bool bottom = Bottom(hwnd);
  int edge = bottom ? strip.top : strip.bottom - 1;
  DrawLineSolid(dc, 0, edge, rc.right, edge, SysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
  std::vector<RECT> rects = TabRects(hwnd, st);
  for (size_t i = 0; i < rects.size(); ++i) {
    RECT r = rects[i];
    bool sel = static_cast<int>(i) == st->cursel;
    if (sel) {
      // The chosen tab joins the page: white and without the edge line under it.
      FillSolid(dc, RECT{r.left, bottom ? r.top : r.top, r.right, bottom ? r.bottom : r.bottom}, SysColor(COLOR_WINDOW));
    }
    FrameSolid(dc, RECT{r.left, bottom ? r.top - 1 : r.top, r.right, bottom ? r.bottom : r.bottom + 1}, SysColor(COLOR_BTNSHADOW));
    if (sel) DrawLineSolid(dc, r.left + 1, edge, r.right - 1, edge, SysColor(COLOR_WINDOW));
    int x = r.left + kTabPad;
    const Tab& t = st->tabs[i];
    if (t.image >= 0 && st->images) {
      int iw = 16, ih = 16;
      ImageList_GetIconSize(st->images, &iw, &ih);
      ImageList_Draw(st->images, t.image, dc, x, r.top + (kTabHeight - ih) / 2, ILD_TRANSPARENT);
      x += iw + 2;
    }
    DrawTextIn(dc, t.text, RECT{x, r.top, r.right, r.bottom}, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
               SysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  }
  if (LONG left = ArrowsLeft(hwnd, rects)) {
    for (int k = 0; k < 2; ++k) {
      RECT a{left + k * kArrowWidth, strip.top, left + (k + 1) * kArrowWidth, strip.bottom};
      FillSolid(dc, a, SysColor(COLOR_BTNFACE));
      FrameSolid(dc, a, SysColor(COLOR_BTNSHADOW));
      DrawArrow(dc, a, k == 0 ? 2 : 3, SysColor(COLOR_BTNTEXT));
    }
  }
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

// The user's change of tab, which the parent may refuse.
void UserSelect(HWND hwnd, int index) {
  TabState* st = GetState<TabState>(hwnd);
  if (!st || index == st->cursel || index < 0 || index >= static_cast<int>(st->tabs.size())) return;
  NMHDR hdr{};
  if (NotifyParent(hwnd, TCN_SELCHANGING, &hdr)) return;
  if (!(st = GetState<TabState>(hwnd)) || index >= static_cast<int>(st->tabs.size())) return;
  st->cursel = index;
  EnsureVisible(hwnd, st);
  InvalidateRect(hwnd, nullptr, FALSE);
  NotifyParent(hwnd, TCN_SELCHANGE, &hdr);
}

void FillItem(const Tab& t, TCITEMW* it) {
  if (it->mask & TCIF_TEXT && it->pszText && it->cchTextMax > 0) {
    size_t n = std::min(t.text.size(), static_cast<size_t>(it->cchTextMax - 1));
    t.text.copy(it->pszText, n);
    it->pszText[n] = 0;
  }
  if (it->mask & TCIF_IMAGE) it->iImage = t.image;
  if (it->mask & TCIF_PARAM) it->lParam = t.param;
}

void ApplyItem(Tab& t, const TCITEMW* it) {
  if (it->mask & TCIF_TEXT) t.text = it->pszText ? it->pszText : L"";
  if (it->mask & TCIF_IMAGE) t.image = it->iImage;
  if (it->mask & TCIF_PARAM) t.param = it->lParam;
}

LRESULT CALLBACK TabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  auto* st = GetState<TabState>(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  int index = static_cast<int>(static_cast<intptr_t>(wParam));
  int count = st ? static_cast<int>(st->tabs.size()) : 0;
  auto redraw = [&] { InvalidateRect(hwnd, nullptr, FALSE); };
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<TabState>());
      return 0;
    case WM_DESTROY:
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case TCM_INSERTITEMW: {
      auto* it = reinterpret_cast<const TCITEMW*>(lParam);
      if (!it || index < 0) return -1;
      index = std::min(index, count);
      Tab t;
      ApplyItem(t, it);
      st->tabs.insert(st->tabs.begin() + index, std::move(t));
      // The first tab is chosen as it comes; later ones leave the choice where it was.
      if (st->cursel < 0) st->cursel = 0;
      else if (st->cursel >= index) ++st->cursel;
      redraw();
      return index;
    }
    case TCM_DELETEITEM:
      if (index < 0 || index >= count) return FALSE;
      st->tabs.erase(st->tabs.begin() + index);
      if (st->cursel == index) st->cursel = -1;
      else if (st->cursel > index) --st->cursel;
      redraw();
      return TRUE;
    case TCM_DELETEALLITEMS:
      st->tabs.clear();
      st->cursel = -1;
      redraw();
      return TRUE;
    case TCM_GETITEMCOUNT:
      return count;
    case TCM_GETCURSEL:
      return st->cursel;
    case TCM_SETCURSEL: {
      if (index < 0 || index >= count) return -1;
      int old = st->cursel;
      st->cursel = index;
      EnsureVisible(hwnd, st);
      redraw();
      return old;
    }
    case TCM_GETITEMW: {
      auto* it = reinterpret_cast<TCITEMW*>(lParam);
      if (!it || index < 0 || index >= count) return FALSE;
      FillItem(st->tabs[static_cast<size_t>(index)], it);
      return TRUE;
    }
    case TCM_SETITEMW: {
      auto* it = reinterpret_cast<const TCITEMW*>(lParam);
      if (!it || index < 0 || index >= count) return FALSE;
      ApplyItem(st->tabs[static_cast<size_t>(index)], it);
      redraw();
      return TRUE;
    }
    case TCM_GETITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc || index < 0 || index >= count) return FALSE;
      *rc = TabRects(hwnd, st)[static_cast<size_t>(index)];
      return TRUE;
    }
    case TCM_ADJUSTRECT: {
      // FALSE: from the control's rectangle to its page area; TRUE: the other way.
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc) return 0;
      int grow = wParam ? 1 : -1;
      if (Bottom(hwnd)) rc->bottom -= grow * kTabHeight;
      else rc->top -= grow * kTabHeight;
      rc->left -= grow;
      rc->right += grow;
      if (Bottom(hwnd)) rc->top -= grow;
      else rc->bottom += grow;
      return 0;
    }
    case TCM_SETIMAGELIST: {
      HIMAGELIST old = st->images;
      st->images = reinterpret_cast<HIMAGELIST>(lParam);
      redraw();
      return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(st->images);
    case WM_LBUTTONDOWN: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      std::vector<RECT> rects = TabRects(hwnd, st);
      if (LONG left = ArrowsLeft(hwnd, rects);
          left && p.x >= left && p.y >= rects[0].top && p.y < rects[0].bottom) {
        if (p.x < left + kArrowWidth) {
          if (st->first > 0) --st->first;
        } else if (rects.back().right > left && st->first + 1 < count) {
          ++st->first;
        }
        redraw();
        return 0;
      }
      for (size_t i = 0; i < rects.size(); ++i)
        if (p.x >= rects[i].left && p.x < rects[i].right && p.y >= rects[i].top && p.y < rects[i].bottom) {
          UserSelect(hwnd, static_cast<int>(i));
          break;
        }
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_LEFT || wParam == VK_RIGHT) {
        UserSelect(hwnd, st->cursel + (wParam == VK_LEFT ? -1 : 1));
        return 0;
      }
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_CHAR:
      DialogKey(hwnd, msg, wParam);
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

void RegisterTabClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TabProc;
  wc.lpszClassName = WC_TABCONTROLW;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
