// "SysListView32" in report view: a header of columns, one row per item with the label, the
// sub-item texts and a small image, or rows painted by the parent (LVS_OWNERDRAWFIXED through
// WM_DRAWITEM). Texts may be supplied on demand (LPSTR_TEXTCALLBACKW, asked with
// LVN_GETDISPINFOW). Every state change, by the user or by a message, is reported with
// LVN_ITEMCHANGING/LVN_ITEMCHANGED; taps give NM_CLICK and NM_DBLCLK.
//
// The parent may do anything inside a notification, emptying and refilling the list included,
// so after each one the state is looked up again and indexes are checked before use.
#include <algorithm>

#include "platform/ui/control.h"
#include "platform/ui/models.h"

namespace vplat::ui {
namespace {

constexpr int kHeaderHeight = 18;   // pixels
constexpr int kImageGap = 2;        // pixels between a row's image and its label
constexpr int kCellPad = 3;         // pixels of text inset inside a cell
constexpr int kDispTextMax = 260;   // characters offered to LVN_GETDISPINFOW

struct ListViewState : ControlState {
  ListViewModel model;
  HIMAGELIST small = nullptr, normal = nullptr, stateImages = nullptr;
  int top = 0;
  DWORD exStyle = 0;
  COLORREF bk = CLR_DEFAULT, text = CLR_DEFAULT, textBk = CLR_DEFAULT;
  int rowHeight = kRowHeight;
  bool measured = false;
  int lastDownItem = -1;
  DWORD lastDownTime = 0;
  bool pressIsDouble = false;
  bool focused = false;
};

ListViewState* StateOf(HWND hwnd) { return GetState<ListViewState>(hwnd); }
bool SingleSel(HWND hwnd) { return (Style(hwnd) & LVS_SINGLESEL) != 0; }
bool OwnerDraw(HWND hwnd) { return (Style(hwnd) & LVS_OWNERDRAWFIXED) != 0; }
int HeaderHeight(HWND hwnd) { return (Style(hwnd) & LVS_NOCOLUMNHEADER) ? 0 : kHeaderHeight; }

RECT Client(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return rc;
}

int RowsPerPage(HWND hwnd, const ListViewState* st) {
  return std::max(1, static_cast<int>(Client(hwnd).bottom - HeaderHeight(hwnd)) / st->rowHeight);
}

bool NeedsBar(HWND hwnd, const ListViewState* st) {
  return !(Style(hwnd) & LVS_NOSCROLL) && st->model.Count() > RowsPerPage(hwnd, st);
}

int MaxTop(HWND hwnd, const ListViewState* st) {
  return std::max(0, st->model.Count() - RowsPerPage(hwnd, st));
}

void ClampTop(HWND hwnd, ListViewState* st) { st->top = std::clamp(st->top, 0, MaxTop(hwnd, st)); }

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

// Owner-drawn rows take their height from the parent once, the first time it matters.
void EnsureMeasured(HWND hwnd) {
  ListViewState* st = StateOf(hwnd);
  if (!st || st->measured || !OwnerDraw(hwnd)) return;
  st->measured = true;
  MEASUREITEMSTRUCT mis{ODT_LISTVIEW, static_cast<UINT>(ControlId(hwnd)), 0, 0,
                        static_cast<UINT>(st->rowHeight), 0};
  SendMessageW(GetParent(hwnd), WM_MEASUREITEM, static_cast<WPARAM>(ControlId(hwnd)),
               reinterpret_cast<LPARAM>(&mis));
  if ((st = StateOf(hwnd)) && mis.itemHeight > 0 && mis.itemHeight < 256)
    st->rowHeight = static_cast<int>(mis.itemHeight);
}

// The text of a cell, asking the parent when it is a callback. Empty for a bad index.
std::wstring CellText(HWND hwnd, int index, int sub) {
  ListViewState* st = StateOf(hwnd);
  const ListViewModel::Item* item = st ? st->model.At(index) : nullptr;
  if (!item || sub < 0) return {};
  if (sub >= static_cast<int>(item->cells.size())) return {};
  const ListViewModel::Cell& cell = item->cells[static_cast<size_t>(sub)];
  if (!cell.callback) return cell.text;
  wchar_t buffer[kDispTextMax] = {};
  NMLVDISPINFOW di{};
  di.item.mask = LVIF_TEXT;
  di.item.iItem = index;
  di.item.iSubItem = sub;
  di.item.pszText = buffer;
  di.item.cchTextMax = kDispTextMax;
  di.item.lParam = item->param;
  NotifyParent(hwnd, LVN_GETDISPINFOW, &di.hdr);
  std::wstring text;
  if (di.item.pszText && di.item.pszText != LPSTR_TEXTCALLBACKW) text = di.item.pszText;
  if (di.item.mask & LVIF_DI_SETITEM) {
    // The parent asks us to keep the answer.
    if ((st = StateOf(hwnd)) && st->model.At(index) &&
        sub < static_cast<int>(st->model.At(index)->cells.size()))
      st->model.At(index)->cells[static_cast<size_t>(sub)] = {text, false};
  }
  return text;
}

int ItemImage(HWND hwnd, int index) {
  ListViewState* st = StateOf(hwnd);
  const ListViewModel::Item* item = st ? st->model.At(index) : nullptr;
  if (!item) return -1;
  if (!item->imageCallback) return item->image;
  NMLVDISPINFOW di{};
  di.item.mask = LVIF_IMAGE;
  di.item.iItem = index;
  di.item.iImage = -1;
  di.item.lParam = item->param;
  NotifyParent(hwnd, LVN_GETDISPINFOW, &di.hdr);
  return di.item.iImage;
}

// Changes the state bits `mask` of one item to `state`, with LVN_ITEMCHANGING (which may refuse)
// and LVN_ITEMCHANGED. False when the item is gone or the parent refused.
bool ChangeState(HWND hwnd, int index, UINT state, UINT mask) {
  ListViewState* st = StateOf(hwnd);
  ListViewModel::Item* item = st ? st->model.At(index) : nullptr;
  if (!item) return false;
  mask &= LVIS_SELECTED | LVIS_FOCUSED;
  UINT old = item->state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return true;
  NMLISTVIEW nm{};
  nm.iItem = index;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = item->param;
  if (NotifyParent(hwnd, LVN_ITEMCHANGING, &nm.hdr)) return false;
  st = StateOf(hwnd);
  item = st ? st->model.At(index) : nullptr;
  if (!item) return false;
  old = item->state;
  now = (old & ~mask) | (state & mask);
  item->state = now;
  Redraw(hwnd);
  nm.uNewState = now;
  nm.uOldState = old;
  nm.lParam = item->param;
  NotifyParent(hwnd, LVN_ITEMCHANGED, &nm.hdr);
  return true;
}

// Clears `mask` on every item except `keep`. Each change notifies; the list may change meanwhile.
void ClearOthers(HWND hwnd, int keep, UINT mask) {
  for (int i = 0;; ++i) {
    ListViewState* st = StateOf(hwnd);
    if (!st || i >= st->model.Count()) return;
    if (i != keep && (st->model.At(i)->state & mask)) ChangeState(hwnd, i, 0, mask);
  }
}

void EnsureVisible(HWND hwnd, ListViewState* st, int index) {
  int rows = RowsPerPage(hwnd, st);
  if (index < st->top) st->top = index;
  else if (index >= st->top + rows) st->top = index - rows + 1;
  ClampTop(hwnd, st);
}

// The user moves to `index`: it alone is selected and focused, and becomes the selection mark.
void UserSelect(HWND hwnd, int index) {
  ListViewState* st = StateOf(hwnd);
  if (!st || !st->model.Valid(index)) return;
  st->model.selectionMark = index;
  EnsureVisible(hwnd, st, index);
  Redraw(hwnd);
  ClearOthers(hwnd, index, LVIS_SELECTED | LVIS_FOCUSED);
  ChangeState(hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int ColumnsWidth(ListViewState* st) {
  int w = 0;
  for (int c = 0; c < st->model.ColumnCount(); ++c) w += st->model.ColumnAt(c)->cx;
  return w;
}

// Row rectangle in client coordinates (all columns, or the client width when there are none).
RECT RowRect(HWND hwnd, ListViewState* st, int index) {
  RECT rc = Client(hwnd);
  int y = HeaderHeight(hwnd) + (index - st->top) * st->rowHeight;
  int right = st->model.ColumnCount() > 0 ? ColumnsWidth(st) : static_cast<int>(rc.right);
  return RECT{0, y, right, y + st->rowHeight};
}

COLORREF BackColour(const ListViewState* st) {
  return st->bk == CLR_DEFAULT || st->bk == CLR_NONE ? SysColor(COLOR_WINDOW) : st->bk;
}

void PaintHeader(HWND hwnd, HDC dc, ListViewState* st, int right) {
  int h = HeaderHeight(hwnd);
  if (!h) return;
  FillSolid(dc, RECT{0, 0, right, h}, SysColor(COLOR_BTNFACE));
  int x = 0;
  for (int c = 0; c < st->model.ColumnCount(); ++c) {
    const ListViewModel::Column* col = st->model.ColumnAt(c);
    RECT cell{x, 0, std::min(x + col->cx, right), h};
    UINT align = col->fmt == LVCFMT_RIGHT ? DT_RIGHT : col->fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    DrawTextIn(dc, col->text, RECT{cell.left + kCellPad, 0, cell.right - kCellPad, h},
               align | DT_SINGLELINE | DT_VCENTER, SysColor(COLOR_BTNTEXT));
    x += col->cx;
    DrawLineSolid(dc, x - 1, 2, x - 1, h - 2, SysColor(COLOR_BTNSHADOW));
  }
  DrawLineSolid(dc, 0, h - 1, right, h - 1, SysColor(COLOR_BTNSHADOW));
}

// Paints one row; false when the control went away during a callback.
bool PaintRow(HWND hwnd, HDC dc, int index, int right) {
  ListViewState* st = StateOf(hwnd);
  if (!st || !st->model.Valid(index)) return st != nullptr;
  RECT row = RowRect(hwnd, st, index);
  bool selected = (st->model.At(index)->state & LVIS_SELECTED) != 0;
  bool enabled = IsWindowEnabled(hwnd);
  if (OwnerDraw(hwnd)) {
    DRAWITEMSTRUCT dis{ODT_LISTVIEW, static_cast<UINT>(ControlId(hwnd)), static_cast<UINT>(index),
                       ODA_DRAWENTIRE, selected ? static_cast<UINT>(ODS_SELECTED) : 0u, hwnd, dc, row,
                       static_cast<ULONG_PTR>(st->model.At(index)->param)};
    if (st->model.At(index)->state & LVIS_FOCUSED) dis.itemState |= 0x0010;  // ODS_FOCUS
    SendMessageW(GetParent(hwnd), WM_DRAWITEM, static_cast<WPARAM>(ControlId(hwnd)),
                 reinterpret_cast<LPARAM>(&dis));
    return StateOf(hwnd) != nullptr;
  }
  COLORREF fg = enabled ? (st->text == CLR_DEFAULT ? SysColor(COLOR_WINDOWTEXT) : st->text)
                        : SysColor(COLOR_GRAYTEXT);
  int columns = std::max(1, st->model.ColumnCount());
  bool fullRow = (st->exStyle & LVS_EX_FULLROWSELECT) != 0;
  int x = 0;
  for (int c = 0; c < columns; ++c) {
    st = StateOf(hwnd);
    if (!st) return false;
    if (!st->model.Valid(index)) return true;
    const ListViewModel::Column* col = st->model.ColumnAt(c);
    int width = col ? col->cx : right;
    RECT cell{x, row.top, std::min(x + width, right), row.bottom};
    x += width;
    if (cell.left >= right) break;
    int textLeft = cell.left + kCellPad;
    if (c == 0 && st->small) {
      int image = ItemImage(hwnd, index);
      if (!(st = StateOf(hwnd))) return false;
      int iw = 16, ih = 16;
      ImageList_GetIconSize(st->small, &iw, &ih);
      if (image >= 0) ImageList_Draw(st->small, image, dc, cell.left + 1, row.top + (st->rowHeight - ih) / 2, ILD_TRANSPARENT);
      textLeft = cell.left + 1 + iw + kImageGap;
    }
    std::wstring text = CellText(hwnd, index, c);
    if (!(st = StateOf(hwnd))) return false;
    bool hi = selected && (c == 0 || fullRow);
    if (hi) {
      int left = c == 0 && !fullRow ? textLeft - 1 : cell.left;
      FillSolid(dc, RECT{left, cell.top, cell.right, cell.bottom}, SysColor(COLOR_HIGHLIGHT));
    }
    UINT align = col && col->fmt == LVCFMT_RIGHT ? DT_RIGHT : col && col->fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    DrawTextIn(dc, text, RECT{textLeft, cell.top, cell.right - kCellPad, cell.bottom},
               align | DT_SINGLELINE | DT_VCENTER, hi ? SysColor(COLOR_HIGHLIGHTTEXT) : fg);
  }
  if ((st = StateOf(hwnd)) && (st->exStyle & LVS_EX_GRIDLINES))
    DrawLineSolid(dc, 0, row.bottom - 1, right, row.bottom - 1, SysColor(COLOR_BTNFACE));
  return st != nullptr;
}

void Paint(HWND hwnd) {
  EnsureMeasured(hwnd);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  ListViewState* st = StateOf(hwnd);
  if (st) {
    RECT rc = Client(hwnd);
    ClampTop(hwnd, st);
    bool bar = NeedsBar(hwnd, st);
    int right = bar ? rc.right - kArrowWidth : rc.right;
    FillSolid(dc, rc, BackColour(st));
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
    PaintHeader(hwnd, dc, st, right);
    int rows = RowsPerPage(hwnd, st) + 1;  // a partly visible last row too
    int first = st->top;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, 0, HeaderHeight(hwnd), right, rc.bottom);
    for (int i = first; i < first + rows; ++i) {
      st = StateOf(hwnd);
      if (!st || i >= st->model.Count() || RowRect(hwnd, st, i).top >= rc.bottom) break;
      if (!PaintRow(hwnd, dc, i, right)) break;
    }
    RestoreDC(dc, saved);
    if ((st = StateOf(hwnd)) && NeedsBar(hwnd, st))
      DrawVScrollBar(dc, RECT{rc.right - kArrowWidth, HeaderHeight(hwnd), rc.right, rc.bottom}, 0,
                     st->model.Count() - 1, RowsPerPage(hwnd, st), st->top);
    SelectObject(dc, oldFont);
  }
  EndPaint(hwnd, &ps);
  PaintBorder(hwnd);
}

// Copies `text` into a caller's buffer of `max` characters, cut and terminated.
void CopyOut(const std::wstring& text, LPWSTR out, int max) {
  if (!out || max <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(max - 1));
  text.copy(out, n);
  out[n] = 0;
}

// Applies the fields of `lv` to item `index`; sub-item texts go to their cell.
bool SetItem(HWND hwnd, const LVITEMW* lv, int index) {
  ListViewState* st = StateOf(hwnd);
  ListViewModel::Item* item = st ? st->model.At(index) : nullptr;
  if (!item || lv->iSubItem < 0) return false;
  if (lv->iSubItem > 0) {
    if (!(lv->mask & LVIF_TEXT)) return false;
    if (static_cast<int>(item->cells.size()) <= lv->iSubItem) item->cells.resize(static_cast<size_t>(lv->iSubItem) + 1);
    ListViewModel::Cell& cell = item->cells[static_cast<size_t>(lv->iSubItem)];
    cell.callback = lv->pszText == LPSTR_TEXTCALLBACKW;
    cell.text = cell.callback || !lv->pszText ? L"" : lv->pszText;
    Redraw(hwnd);
    return true;
  }
  if (lv->mask & LVIF_TEXT) {
    item->cells[0].callback = lv->pszText == LPSTR_TEXTCALLBACKW;
    item->cells[0].text = item->cells[0].callback || !lv->pszText ? L"" : lv->pszText;
  }
  if (lv->mask & LVIF_IMAGE) {
    item->imageCallback = lv->iImage == I_IMAGECALLBACK;
    item->image = lv->iImage;
  }
  if (lv->mask & LVIF_PARAM) item->param = lv->lParam;
  Redraw(hwnd);
  if (lv->mask & LVIF_STATE) {
    if ((lv->state & lv->stateMask & LVIS_SELECTED) && SingleSel(hwnd)) ClearOthers(hwnd, index, LVIS_SELECTED);
    if (lv->state & lv->stateMask & LVIS_FOCUSED) ClearOthers(hwnd, index, LVIS_FOCUSED);
    return ChangeState(hwnd, index, lv->state, lv->stateMask);
  }
  return true;
}

bool GetItem(HWND hwnd, LVITEMW* lv) {
  ListViewState* st = StateOf(hwnd);
  const ListViewModel::Item* item = st ? st->model.At(lv->iItem) : nullptr;
  if (!item || lv->iSubItem < 0) return false;
  if (lv->mask & LVIF_PARAM) lv->lParam = item->param;
  if (lv->mask & LVIF_STATE) lv->state = item->state & lv->stateMask;
  if (lv->mask & LVIF_IMAGE) lv->iImage = lv->iSubItem == 0 ? item->image : -1;
  if (lv->mask & LVIF_INDENT) lv->iIndent = 0;
  if (lv->mask & LVIF_TEXT) {
    bool callback = lv->iSubItem < static_cast<int>(item->cells.size()) &&
                    item->cells[static_cast<size_t>(lv->iSubItem)].callback;
    if (callback) {
      // The caller learns the item is a callback one, as on the platform.
      lv->pszText = LPSTR_TEXTCALLBACKW;
    } else {
      CopyOut(CellText(hwnd, lv->iItem, lv->iSubItem), lv->pszText, lv->cchTextMax);
    }
  }
  return true;
}

int InsertItem(HWND hwnd, const LVITEMW* lv) {
  ListViewState* st = StateOf(hwnd);
  if (!st || !lv || lv->iSubItem != 0 || lv->iItem < 0) return -1;
  ListViewModel::Item item;
  item.cells.resize(1);
  if (lv->mask & LVIF_TEXT) {
    item.cells[0].callback = lv->pszText == LPSTR_TEXTCALLBACKW;
    if (!item.cells[0].callback && lv->pszText) item.cells[0].text = lv->pszText;
  }
  if (lv->mask & LVIF_IMAGE) {
    item.imageCallback = lv->iImage == I_IMAGECALLBACK;
    item.image = lv->iImage;
  }
  if (lv->mask & LVIF_PARAM) item.param = lv->lParam;
  UINT state = (lv->mask & LVIF_STATE) ? lv->state & lv->stateMask & (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  int at = lv->iItem;
  DWORD style = Style(hwnd);
  if ((style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) && !item.cells[0].callback) {
    bool desc = (style & LVS_SORTDESCENDING) != 0;
    int lo = 0, hi = st->model.Count();
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      int cmp = CompareNoCase(item.cells[0].text, st->model.At(mid)->cells[0].text);
      if (desc ? cmp <= 0 : cmp >= 0) lo = mid + 1;
      else hi = mid;
    }
    at = lo;
  }
  at = st->model.Insert(at, std::move(item));
  if (at < 0) return -1;
  if (at <= st->top && st->top > 0 && st->model.Count() > RowsPerPage(hwnd, st)) {
    // Rows above the view push the view down so the shown rows stay put.
    if (at < st->top) ++st->top;
  }
  Redraw(hwnd);
  NMLISTVIEW nm{};
  nm.iItem = at;
  nm.lParam = (lv->mask & LVIF_PARAM) ? lv->lParam : 0;
  NotifyParent(hwnd, LVN_INSERTITEM, &nm.hdr);
  if (state && StateOf(hwnd) && StateOf(hwnd)->model.Valid(at)) {
    if ((state & LVIS_SELECTED) && SingleSel(hwnd)) ClearOthers(hwnd, at, LVIS_SELECTED);
    if (state & LVIS_FOCUSED) ClearOthers(hwnd, at, LVIS_FOCUSED);
    ChangeState(hwnd, at, state, state);
  }
  return at;
}

bool DeleteItem(HWND hwnd, int index) {
  ListViewState* st = StateOf(hwnd);
  if (!st || !st->model.Valid(index)) return false;
  NMLISTVIEW nm{};
  nm.iItem = index;
  nm.lParam = st->model.At(index)->param;
  NotifyParent(hwnd, LVN_DELETEITEM, &nm.hdr);
  st = StateOf(hwnd);
  if (!st || !st->model.Valid(index)) return false;
  st->model.Delete(index);
  if (index < st->top) --st->top;
  ClampTop(hwnd, st);
  if (st->lastDownItem == index) st->lastDownItem = -1;
  Redraw(hwnd);
  return true;
}

void DeleteAll(HWND hwnd) {
  ListViewState* st = StateOf(hwnd);
  if (!st || st->model.Count() == 0) return;
  NMLISTVIEW nm{};
  nm.iItem = -1;
  // A TRUE answer means the parent needs no LVN_DELETEITEM for each item.
  bool each = NotifyParent(hwnd, LVN_DELETEALLITEMS, &nm.hdr) == 0;
  for (int i = 0; each; ++i) {
    st = StateOf(hwnd);
    if (!st || i >= st->model.Count()) break;
    NMLISTVIEW one{};
    one.iItem = i;
    one.lParam = st->model.At(i)->param;
    NotifyParent(hwnd, LVN_DELETEITEM, &one.hdr);
  }
  if ((st = StateOf(hwnd))) {
    st->model.Clear();
    st->model.selectionMark = -1;
    st->top = 0;
    st->lastDownItem = -1;
    Redraw(hwnd);
  }
}

int AutoWidth(HWND hwnd, int column, bool useHeader) {
  ListViewState* st = StateOf(hwnd);
  if (!st) return 0;
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
  int w = 0;
  if (useHeader && st->model.ColumnAt(column)) w = TextWidth(dc, st->model.ColumnAt(column)->text);
  for (int i = 0; !useHeader; ++i) {
    if (!(st = StateOf(hwnd)) || i >= st->model.Count()) break;
    w = std::max(w, TextWidth(dc, CellText(hwnd, i, column)));
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  if ((st = StateOf(hwnd)) && column == 0 && st->small) {
    int iw = 16, ih = 16;
    ImageList_GetIconSize(st->small, &iw, &ih);
    w += iw + kImageGap;
  }
  return w + 2 * kCellPad;
}

int HitTest(HWND hwnd, ListViewState* st, POINT pt, UINT* flags) {
  RECT rc = Client(hwnd);
  *flags = LVHT_NOWHERE;
  if (pt.x < 0 || pt.y < HeaderHeight(hwnd) || pt.x >= rc.right || pt.y >= rc.bottom) return -1;
  int index = st->top + (pt.y - HeaderHeight(hwnd)) / st->rowHeight;
  if (!st->model.Valid(index)) return -1;
  if (st->model.ColumnCount() > 0 && pt.x >= ColumnsWidth(st)) return -1;
  *flags = LVHT_ONITEMLABEL;
  return index;
}

LRESULT Notify(HWND hwnd, UINT code, int item, int sub, POINT pt) {
  NMITEMACTIVATE nm{};
  nm.iItem = item;
  nm.iSubItem = sub;
  nm.ptAction = pt;
  ListViewState* st = StateOf(hwnd);
  if (st && st->model.At(item)) nm.lParam = st->model.At(item)->param;
  return NotifyParent(hwnd, code, &nm.hdr);
}

int SubItemAt(ListViewState* st, int x) {
  int left = 0;
  for (int c = 0; c < st->model.ColumnCount(); ++c) {
    left += st->model.ColumnAt(c)->cx;
    if (x < left) return c;
  }
  return 0;
}

void PenDown(HWND hwnd, UINT msg, POINT pt) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  EnsureMeasured(hwnd);
  ListViewState* st = StateOf(hwnd);
  if (!st) return;
  RECT rc = Client(hwnd);
  if (NeedsBar(hwnd, st) && pt.x >= rc.right - kArrowWidth && pt.y >= HeaderHeight(hwnd)) {
    // Our own scroll bar: arrows scroll a row, the track above or below the thumb a page.
    int rows = RowsPerPage(hwnd, st);
    int track = rc.bottom - HeaderHeight(hwnd) - 2 * kArrowWidth;
    ThumbSpan t = ComputeThumb(track, 0, st->model.Count() - 1, rows, st->top);
    int y = pt.y - HeaderHeight(hwnd);
    int step = y < kArrowWidth ? -1 : y >= rc.bottom - HeaderHeight(hwnd) - kArrowWidth ? 1
               : y - kArrowWidth < t.start ? -rows : y - kArrowWidth >= t.start + t.length ? rows : 0;
    st->top += step;
    ClampTop(hwnd, st);
    st->lastDownItem = -1;
    Redraw(hwnd);
    return;
  }
  if (pt.y < HeaderHeight(hwnd)) {
    st->lastDownItem = -1;
    NMLISTVIEW nm{};
    nm.iItem = -1;
    nm.iSubItem = SubItemAt(st, pt.x);
    NotifyParent(hwnd, LVN_COLUMNCLICK, &nm.hdr);
    return;
  }
  UINT flags;
  int hit = HitTest(hwnd, st, pt, &flags);
  DWORD now = GetTickCount();
  bool dbl = hit >= 0 && hit == st->lastDownItem &&
             (msg == WM_LBUTTONDBLCLK || now - st->lastDownTime < kDoubleTapMs);
  st->lastDownItem = dbl ? -1 : hit;
  st->lastDownTime = now;
  st->pressIsDouble = dbl;
  int sub = SubItemAt(st, pt.x);
  if (hit < 0) {
    ClearOthers(hwnd, -1, LVIS_SELECTED);
  } else {
    UserSelect(hwnd, hit);
  }
  if (dbl && StateOf(hwnd)) Notify(hwnd, NM_DBLCLK, hit, sub, pt);
}

void PenUp(HWND hwnd, POINT pt) {
  ListViewState* st = StateOf(hwnd);
  if (!st) return;
  if (st->pressIsDouble) {
    st->pressIsDouble = false;
    return;
  }
  RECT rc = Client(hwnd);
  if (pt.y < HeaderHeight(hwnd) || (NeedsBar(hwnd, st) && pt.x >= rc.right - kArrowWidth)) return;
  UINT flags;
  int hit = HitTest(hwnd, st, pt, &flags);
  Notify(hwnd, NM_CLICK, hit, SubItemAt(st, pt.x), pt);
}

void KeyDown(HWND hwnd, WPARAM key) {
  ListViewState* st = StateOf(hwnd);
  int count = st->model.Count();
  int rows = RowsPerPage(hwnd, st);
  int cur = st->model.Next(-1, LVNI_FOCUSED);
  if (cur < 0) cur = st->model.selectionMark;
  int to;
  switch (key) {
    case VK_UP: to = cur - 1; break;
    case VK_DOWN: to = cur + 1; break;
    case VK_PRIOR: to = cur - rows; break;
    case VK_NEXT: to = cur + rows; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    case VK_RETURN: {
      NMHDR hdr{};
      if (NotifyParent(hwnd, NM_RETURN, &hdr) == 0 && StateOf(hwnd) && cur >= 0)
        Notify(hwnd, LVN_ITEMACTIVATE, cur, 0, POINT{0, 0});
      return;
    }
    default: {
      NMLVKEYDOWN kd{};
      kd.wVKey = static_cast<WORD>(key);
      NotifyParent(hwnd, LVN_KEYDOWN, &kd.hdr);
      if (StateOf(hwnd)) DialogKey(hwnd, WM_KEYDOWN, key);
      return;
    }
  }
  NMLVKEYDOWN kd{};
  kd.wVKey = static_cast<WORD>(key);
  NotifyParent(hwnd, LVN_KEYDOWN, &kd.hdr);
  st = StateOf(hwnd);
  if (!st || st->model.Count() == 0) return;
  if (cur < 0) to = 0;
  UserSelect(hwnd, std::clamp(to, 0, st->model.Count() - 1));
}

LRESULT ColumnMessage(HWND hwnd, ListViewState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
  int index = static_cast<int>(static_cast<intptr_t>(wParam));
  auto* lvc = reinterpret_cast<LVCOLUMNW*>(lParam);
  switch (msg) {
    case LVM_INSERTCOLUMNW: {
      if (!lvc) return -1;
      ListViewModel::Column col;
      if (lvc->mask & LVCF_FMT) col.fmt = lvc->fmt & 3;
      if (lvc->mask & LVCF_WIDTH) col.cx = std::max(0, lvc->cx);
      if ((lvc->mask & LVCF_TEXT) && lvc->pszText) col.text = lvc->pszText;
      int at = st->model.InsertColumn(index, std::move(col));
      // The cells of existing items shift with the columns after the first.
      if (at > 0)
        for (int i = 0; i < st->model.Count(); ++i) {
          auto& cells = st->model.At(i)->cells;
          if (static_cast<int>(cells.size()) > at) cells.insert(cells.begin() + at, ListViewModel::Cell{});
        }
      Redraw(hwnd);
      return at;
    }
    case LVM_SETCOLUMNW: {
      ListViewModel::Column* col = st->model.ColumnAt(index);
      if (!col || !lvc) return FALSE;
      if (lvc->mask & LVCF_FMT) col->fmt = lvc->fmt & 3;
      if (lvc->mask & LVCF_WIDTH) col->cx = std::max(0, lvc->cx);
      if (lvc->mask & LVCF_TEXT) col->text = lvc->pszText ? lvc->pszText : L"";
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_GETCOLUMNW: {
      ListViewModel::Column* col = st->model.ColumnAt(index);
      if (!col || !lvc) return FALSE;
      if (lvc->mask & LVCF_FMT) lvc->fmt = col->fmt;
      if (lvc->mask & LVCF_WIDTH) lvc->cx = col->cx;
      if (lvc->mask & LVCF_TEXT) CopyOut(col->text, lvc->pszText, lvc->cchTextMax);
      if (lvc->mask & LVCF_SUBITEM) lvc->iSubItem = index;
      return TRUE;
    }
    case LVM_DELETECOLUMN: {
      if (!st->model.DeleteColumn(index)) return FALSE;
      if (index > 0)
        for (int i = 0; i < st->model.Count(); ++i) {
          auto& cells = st->model.At(i)->cells;
          if (static_cast<int>(cells.size()) > index) cells.erase(cells.begin() + index);
        }
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH: {
      ListViewModel::Column* col = st->model.ColumnAt(index);
      return col ? col->cx : 0;
    }
    case LVM_SETCOLUMNWIDTH: {
      if (!st->model.ColumnAt(index)) return FALSE;
      int cx = static_cast<short>(LOWORD(lParam));
      if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        bool header = cx == LVSCW_AUTOSIZE_USEHEADER;
        cx = AutoWidth(hwnd, index, header);
        if (!(st = StateOf(hwnd)) || !st->model.ColumnAt(index)) return FALSE;
        if (header && index == st->model.ColumnCount() - 1) {
          // The last column fills what is left of the client width.
          int left = ColumnsWidth(st) - st->model.ColumnAt(index)->cx;
          cx = std::max(cx, static_cast<int>(Client(hwnd).right) - left);
        }
      }
      st->model.ColumnAt(index)->cx = std::max(0, cx);
      Redraw(hwnd);
      return TRUE;
    }
  }
  return 0;
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  ListViewState* st = StateOf(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  int index = static_cast<int>(static_cast<intptr_t>(wParam));
  auto* lv = reinterpret_cast<LVITEMW*>(lParam);
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<ListViewState>());
      return 0;
    case WM_DESTROY: {
      DeleteAll(hwnd);
      if ((st = StateOf(hwnd)) && !(Style(hwnd) & LVS_SHAREIMAGELISTS)) {
        // Without LVS_SHAREIMAGELISTS the control owns the image lists it was given.
        for (HIMAGELIST l : {st->small, st->normal, st->stateImages})
          if (l) ImageList_Destroy(l);
      }
      DropState(hwnd);
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LVM_GETITEMCOUNT:
      return st->model.Count();
    case LVM_SETITEMCOUNT:
      st->model.Reserve(index);
      return TRUE;
    case LVM_INSERTITEMW:
      return InsertItem(hwnd, lv);
    case LVM_DELETEITEM:
      return DeleteItem(hwnd, index) ? TRUE : FALSE;
    case LVM_DELETEALLITEMS:
      DeleteAll(hwnd);
      return TRUE;
    case LVM_SETITEMW:
      return lv && SetItem(hwnd, lv, lv->iItem) ? TRUE : FALSE;
    case LVM_GETITEMW:
      return lv && GetItem(hwnd, lv) ? TRUE : FALSE;
    case LVM_SETITEMTEXTW: {
      if (!lv || !st->model.Valid(index)) return FALSE;
      LVITEMW t = *lv;
      t.mask = LVIF_TEXT;
      return SetItem(hwnd, &t, index) ? TRUE : FALSE;
    }
    case LVM_GETITEMTEXTW: {
      if (!lv || !st->model.Valid(index) || lv->iSubItem < 0) return 0;
      std::wstring text = CellText(hwnd, index, lv->iSubItem);
      CopyOut(text, lv->pszText, lv->cchTextMax);
      return static_cast<LRESULT>(std::min(text.size(), static_cast<size_t>(std::max(0, lv->cchTextMax - 1))));
    }
    case LVM_SETITEMSTATE: {
      if (!lv) return FALSE;
      if (index == -1) {
        for (int i = 0;; ++i) {
          st = StateOf(hwnd);
          if (!st || i >= st->model.Count()) break;
          ChangeState(hwnd, i, lv->state, lv->stateMask);
        }
        return TRUE;
      }
      if (!st->model.Valid(index)) return FALSE;
      if ((lv->state & lv->stateMask & LVIS_SELECTED) && SingleSel(hwnd)) ClearOthers(hwnd, index, LVIS_SELECTED);
      if (lv->state & lv->stateMask & LVIS_FOCUSED) ClearOthers(hwnd, index, LVIS_FOCUSED);
      return ChangeState(hwnd, index, lv->state, lv->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETITEMSTATE:
      return st->model.Valid(index) ? st->model.At(index)->state & static_cast<UINT>(lParam) : 0;
    case LVM_GETNEXTITEM:
      return st->model.Next(index, static_cast<UINT>(LOWORD(lParam)));
    case LVM_GETSELECTEDCOUNT:
      return st->model.SelectedCount();
    case LVM_GETSELECTIONMARK:
      return st->model.selectionMark;
    case LVM_SETSELECTIONMARK: {
      int old = st->model.selectionMark;
      int mark = static_cast<int>(lParam);
      st->model.selectionMark = st->model.Valid(mark) ? mark : -1;
      return old;
    }
    case LVM_ENSUREVISIBLE:
      EnsureMeasured(hwnd);
      if (!(st = StateOf(hwnd)) || !st->model.Valid(index)) return FALSE;
      EnsureVisible(hwnd, st, index);
      Redraw(hwnd);
      return TRUE;
    case LVM_GETTOPINDEX:
      return st->top;
    case LVM_GETCOUNTPERPAGE:
      return RowsPerPage(hwnd, st);
    case LVM_SCROLL: {
      // dy in pixels, rounded to whole rows.
      int dy = static_cast<int>(lParam);
      st->top += dy / st->rowHeight;
      ClampTop(hwnd, st);
      Redraw(hwnd);
      return TRUE;
    }
    case LVM_GETITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc || !st->model.Valid(index)) return FALSE;
      int code = rc->left;
      RECT row = RowRect(hwnd, st, index);
      if (code == LVIR_ICON) {
        int iw = 0, ih = 0;
        if (st->small) ImageList_GetIconSize(st->small, &iw, &ih);
        row.right = row.left + 1 + iw;
      } else if (code == LVIR_LABEL && st->model.ColumnAt(0)) {
        int iw = 0, ih = 0;
        if (st->small) ImageList_GetIconSize(st->small, &iw, &ih);
        row.left += iw ? 1 + iw + kImageGap : 0;
        row.right = st->model.ColumnAt(0)->cx;
      }
      *rc = row;
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* ht = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!ht) return -1;
      ht->iItem = HitTest(hwnd, st, ht->pt, &ht->flags);
      ht->iSubItem = ht->iItem >= 0 ? SubItemAt(st, ht->pt.x) : 0;
      return ht->iItem;
    }
    case LVM_FINDITEMW: {
      auto* fi = reinterpret_cast<LVFINDINFOW*>(lParam);
      if (!fi) return -1;
      int n = st->model.Count();
      for (int k = 1; k <= n; ++k) {
        int i = index + k;
        if (i >= n) {
          if (!(fi->flags & LVFI_WRAP)) break;
          i %= n;
        }
        if ((st = StateOf(hwnd)) == nullptr || !st->model.Valid(i)) break;
        if (fi->flags & LVFI_PARAM) {
          if (st->model.At(i)->param == fi->lParam) return i;
        } else if (fi->flags & (LVFI_STRING | LVFI_PARTIAL)) {
          std::wstring want = fi->psz ? fi->psz : L"";
          std::wstring text = CellText(hwnd, i, 0);
          if ((fi->flags & LVFI_PARTIAL) ? StartsWithNoCase(text, want) : EqualNoCase(text, want)) return i;
        }
      }
      return -1;
    }
    case LVM_REDRAWITEMS:
    case LVM_UPDATE:
      Redraw(hwnd);
      return TRUE;
    case LVM_SETIMAGELIST: {
      HIMAGELIST list = reinterpret_cast<HIMAGELIST>(lParam);
      HIMAGELIST* slot = wParam == LVSIL_SMALL ? &st->small
                         : wParam == LVSIL_NORMAL ? &st->normal
                         : wParam == LVSIL_STATE ? &st->stateImages : nullptr;
      if (!slot) return 0;
      HIMAGELIST old = *slot;
      *slot = list;
      if (wParam == LVSIL_SMALL && st->small && !OwnerDraw(hwnd)) {
        int iw = 16, ih = 16;
        ImageList_GetIconSize(st->small, &iw, &ih);
        st->rowHeight = std::max(kRowHeight, ih + 1);
      }
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == LVSIL_SMALL ? st->small
                                       : wParam == LVSIL_NORMAL ? st->normal
                                       : wParam == LVSIL_STATE ? st->stateImages : nullptr);
    case LVM_SETBKCOLOR:
      st->bk = static_cast<COLORREF>(lParam);
      Redraw(hwnd);
      return TRUE;
    case LVM_GETBKCOLOR:
      return static_cast<LRESULT>(BackColour(st));
    case LVM_SETTEXTCOLOR:
      st->text = static_cast<COLORREF>(lParam);
      Redraw(hwnd);
      return TRUE;
    case LVM_SETTEXTBKCOLOR:
      st->textBk = static_cast<COLORREF>(lParam);
      return TRUE;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = st->exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      st->exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
      Redraw(hwnd);
      return static_cast<LRESULT>(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return static_cast<LRESULT>(st->exStyle);
    case LVM_INSERTCOLUMNW:
    case LVM_SETCOLUMNW:
    case LVM_GETCOLUMNW:
    case LVM_DELETECOLUMN:
    case LVM_GETCOLUMNWIDTH:
    case LVM_SETCOLUMNWIDTH:
      return ColumnMessage(hwnd, st, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      PenDown(hwnd, msg, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_LBUTTONUP:
      PenUp(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, wParam);
      return 0;
    case WM_CHAR:
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      st->focused = msg == WM_SETFOCUS;
      Redraw(hwnd);
      NMHDR hdr{};
      NotifyParent(hwnd, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
      return 0;
    }
    case WM_SIZE:
      ClampTop(hwnd, st);
      Redraw(hwnd);
      return 0;
    case WM_ENABLE:
      Redraw(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterListViewClass() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ListViewProc;
  wc.lpszClassName = WC_LISTVIEWW;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
