#include "base/ui/grid.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "platform/win.h"

namespace {

constexpr wchar_t kClassName[] = L"TGrid";
constexpr int kBarSize = 14;  // pixels across a scroll bar
constexpr COLORREF kLineColour = RGB(100, 100, 100);
constexpr COLORREF kWhite = RGB(255, 255, 255);

int Clamp(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

HFONT MakeFont(int weight) {
  LOGFONTW lf{};
  lf.lfHeight = 14;
  lf.lfWeight = weight;
  wcscpy(lf.lfFaceName, L"MS Sans Serif");
  return CreateFontIndirectW(&lf);
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

}  // namespace

TGrid::~TGrid() {
  if (window && IsWindow(window)) DestroyWindow(window);
  if (normal_) DeleteObject(normal_);
  if (bold_) DeleteObject(bold_);
}

int TGrid::Create(HWND owner, HINSTANCE inst) {
  ownerWindow = owner;
  instance = inst;
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = TWindow::WindowProcThunk;
  wc.hInstance = inst;
  wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // a second grid finds the class registered: that failure is fine
  window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 0, 0,
                           owner, nullptr, inst, nullptr);
  if (!window) return 0;
  vScroll_ = CreateWindowExW(0, L"scrollbar", L"", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0,
                             kBarSize, 100, window, nullptr, inst, nullptr);
  hScroll_ = CreateWindowExW(0, L"scrollbar", L"", WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 0, 100,
                             kBarSize, window, nullptr, inst, nullptr);
  edit_ = CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_NOHIDESEL,
                          0, 0, 0, 0, window, HMENU(intptr_t(kEditId)), inst, nullptr);
  if (!vScroll_ || !hScroll_ || !edit_) return 0;
  SetScrollRange(hScroll_, SB_CTL, 0, kHorizontalRange, TRUE);
  return 1;
}

void TGrid::Move(int x, int y, int w, int h) {
  if (!window) return;
  MoveWindow(window, x, y, w, h, FALSE);
  left = x;
  top = y;
  right = x + w;
  bottom = y + h;
  width = w;
  height = h;
  MoveWindow(vScroll_, w - 15, -1, kBarSize, h - 13, TRUE);
  MoveWindow(hScroll_, -1, h - 15, w - 13, kBarSize, TRUE);
}

void TGrid::SetSize(int rows, int columns) {
  cells_.clear();
  cells_.shrink_to_fit();
  widths_.clear();
  rows_ = columns_ = 0;
  if (rows > 0 && columns > 0 && int64_t(rows) * columns <= kMaxCells) {
    try {
      widths_.assign(size_t(columns), 0);
      cells_.resize(size_t(rows) * size_t(columns));
      rows_ = rows;
      columns_ = columns;
    } catch (const std::bad_alloc&) {
      cells_.clear();
      widths_.clear();
    }
  }
  // The selection would name a cell that may no longer exist.
  selRow_ = selColumn_ = -1;
  DropEditor();
  if (vScroll_) SetScrollRange(vScroll_, SB_CTL, 0, std::max(rows_ - 1, 0), TRUE);
  if (hScroll_) SetScrollRange(hScroll_, SB_CTL, 0, kHorizontalRange, TRUE);
  xOffset_ = yOffset_ = lastYOffset_ = 0;
  if (vScroll_) SetScrollPos(vScroll_, SB_CTL, 0, TRUE);
  if (hScroll_) SetScrollPos(hScroll_, SB_CTL, 0, TRUE);
  if (window) InvalidateRect(window, nullptr, TRUE);
}

void TGrid::SetColumnWidth(int column, int pixels) {
  if (column < 0 || column >= columns_) return;
  widths_[size_t(column)] = std::max(pixels, 0);
}

const TGrid::Cell* TGrid::At(int row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return nullptr;
  return &cells_[size_t(row) * size_t(columns_) + size_t(column)];
}

TGrid::Cell* TGrid::At(int row, int column) {
  return const_cast<Cell*>(static_cast<const TGrid*>(this)->At(row, column));
}

const char* TGrid::GetCellText(int row, int column) const {
  const Cell* cell = At(row, column);
  return cell ? cell->value.get() : nullptr;
}

void TGrid::SetCellText(int row, int column, const char* text) {
  Cell* cell = At(row, column);
  if (!cell) return;
  if (!text) {
    cell->value.reset();
    return;
  }
  const size_t n = strlen(text);
  auto copy = std::make_unique<char[]>(n + 1);
  memcpy(copy.get(), text, n + 1);
  cell->value = std::move(copy);
}

uint32_t TGrid::GetCellData(int row, int column) const {
  const Cell* cell = At(row, column);
  return cell ? cell->data : 0;
}

void TGrid::SetCellData(int row, int column, uint32_t value) {
  if (Cell* cell = At(row, column)) cell->data = value;
}

void TGrid::SetCellColors(int row, int column, COLORREF text, COLORREF back) {
  if (Cell* cell = At(row, column)) {
    cell->text = text;
    cell->back = back;
  }
}

void TGrid::SetCellStyle(int row, int column, int flags) {
  if (Cell* cell = At(row, column)) cell->style = uint8_t(flags);
}

void TGrid::SetCellTopLine(int row, int column, int flag) {
  if (Cell* cell = At(row, column)) cell->topLine = uint8_t(flag);
}

void TGrid::SetCellSpan(int row, int column, int count) {
  if (Cell* cell = At(row, column)) cell->span = uint8_t(std::clamp(count, 0, 255));
}

bool TGrid::CellRect(int row, int column, RECT* rc) const {
  const Cell* cell = At(row, column);
  if (!cell) return false;
  const int64_t h = rowHeight;
  int64_t l = xOffset_, r = 0;
  if (column == 0) {
    r = l + widths_[0];
  } else {
    int64_t sum = 0;
    for (int c = 0; c < column; ++c) sum += widths_[size_t(c)];
    l = xOffset_ + 1 + sum;
    r = l + widths_[size_t(column)] - 1;
  }
  for (int c = column + 1; c <= column + cell->span && c < columns_; ++c) r += widths_[size_t(c)];
  rc->left = Clamp(l);
  rc->right = Clamp(r);
  rc->top = Clamp(row * h + yOffset_ + 1);
  rc->bottom = Clamp((row + 1) * h + yOffset_);
  return true;
}

bool TGrid::HitCell(int x, int y, int* row, int* column) const {
  if (rowHeight <= 0) return false;
  // Rows do not overlap (row r covers r*h + 1 .. (r+1)*h past the offset), so only the row the
  // point falls in can hold it; within it the columns are searched from the first.
  const int64_t from = int64_t(y) - yOffset_ - 1;
  if (from < 0) return false;
  const int64_t r = from / rowHeight;
  if (r >= rows_) return false;
  for (int c = 0; c < columns_; ++c) {
    RECT rc;
    CellRect(int(r), c, &rc);
    if (x >= rc.left && x <= rc.right && y >= rc.top && y <= rc.bottom) {
      *row = int(r);
      *column = c;
      return true;
    }
  }
  return false;
}

void TGrid::HideEditBox() {
  if (edit_) MoveWindow(edit_, 0, 0, 0, 0, TRUE);
}

void TGrid::DropEditor() {
  editRow_ = editColumn_ = -1;
  HideEditBox();
  if (edit_ && window && GetFocus() == edit_) SetFocus(window);
}

void TGrid::LoadEditBox(const Cell& cell) {
  wchar_t text[kMaxText + 1] = {};
  if (cell.value) {
    const size_t n = std::min<size_t>(strlen(cell.value.get()), kMaxText);
    AnsiToWide(text, cell.value.get(), int(n), kMaxText + 1);
  }
  loading_ = true;
  SetWindowTextW(edit_, text);
  loading_ = false;  // the box answers a change synchronously; a box that did not must not
                     // leave the flag to swallow the user's next change
}

int TGrid::SelectCell(int row, int column) {
  if (!At(row, column)) {
    selRow_ = selColumn_ = -1;
    DropEditor();
    return 0;
  }
  bool editable = canEdit && !(At(row, column)->style & kReadOnly) && canEdit(row, column);
  // The callback may have run a modal dialog that changed or resized the grid.
  const Cell* cell = At(row, column);
  if (!cell) {
    selRow_ = selColumn_ = -1;
    DropEditor();
    return 0;
  }
  selRow_ = row;
  selColumn_ = column;
  if (!editable) {
    // A box left holding the focus would take the next key and hand its whole text to this
    // cell, which may belong to another row.
    DropEditor();
    SetSipState(edit_, 0);
    return 0;
  }
  if (readOnly) {
    // A box left over the previous cell would store what is typed into this one.
    DropEditor();
    return 1;
  }
  RECT rc;
  CellRect(row, column, &rc);
  MoveWindow(edit_, rc.left + 2, rc.top, rc.right - rc.left - 2, rc.bottom - rc.top - 1, TRUE);
  editRow_ = row;
  editColumn_ = column;
  LoadEditBox(*cell);
  SendMessageW(edit_, EM_SETSEL, 0, kMaxText);
  SetSipState(edit_, 1);
  SetFocus(edit_);
  return 1;
}

void TGrid::ScrollToRow(int row) {
  yOffset_ = lastYOffset_ = Clamp(-int64_t(row) * rowHeight);
  if (window) InvalidateRect(window, nullptr, TRUE);
  if (vScroll_) SetScrollPos(vScroll_, SB_CTL, row, TRUE);
}

void TGrid::FocusEditor() {
  if (!readOnly && edit_ && At(editRow_, editColumn_)) SetFocus(edit_);
}

void TGrid::Paint(HDC dc) {
  RECT client{0, 0, width, height};
  FillRect(dc, &client, HBRUSH(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  if (!normal_) normal_ = MakeFont(400);
  if (!bold_) bold_ = MakeFont(FW_BOLD);
  HGDIOBJ oldFont = SelectObject(dc, normal_);
  const int h = std::max(rowHeight, 1);
  // Rows wholly above or below the client rectangle draw nothing there: skip them.
  const int first = int(std::clamp<int64_t>((-int64_t(yOffset_)) / h - 1, 0, rows_));
  const int last = int(std::clamp<int64_t>((int64_t(height) - yOffset_) / h + 1, 0, rows_));
  if (rows_ > 0 && columns_ > 0) {
    HPEN grey = CreatePen(PS_SOLID, 1, kLineColour);
    HGDIOBJ oldPen = SelectObject(dc, grey);
    const int y0 = yOffset_, y1 = Clamp(int64_t(yOffset_) + int64_t(rows_) * h);
    const int top = std::max(y0, -1), bottom = std::min(y1, height + 1);
    int64_t x = xOffset_;
    for (int c = 0; c < columns_; ++c) {
      x += widths_[size_t(c)];
      if (x >= -1 && x <= width) Line(dc, int(x), top, int(x), bottom);
    }
    const int lastX = Clamp(std::min<int64_t>(x, width + 1));
    for (int j = first; j <= last; ++j) Line(dc, xOffset_, yOffset_ + j * h, lastX, yOffset_ + j * h);
    SelectObject(dc, oldPen);
    DeleteObject(grey);
  }
  HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, black);
  for (int r = first; r < last; ++r) {
    for (int c = 0; c < columns_; ++c) {
      const Cell& cell = *At(r, c);
      RECT rc;
      CellRect(r, c, &rc);
      if (rc.left > width || rc.right < 0) continue;
      if (cell.style & kOwnColours) {
        HBRUSH brush = CreateSolidBrush(cell.back);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        SetTextColor(dc, cell.text);
      } else {
        SetTextColor(dc, RGB(0, 0, 0));
      }
      SelectObject(dc, (cell.style & kBold) ? bold_ : normal_);
      if (cell.value) {
        wchar_t text[kMaxText + 1];
        const size_t n = std::min<size_t>(strlen(cell.value.get()), kMaxText);
        const int count = AnsiToWide(text, cell.value.get(), int(n), kMaxText + 1);
        rc.left += 2;
        rc.bottom -= 1;
        DrawTextW(dc, text, count, &rc, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
      }
      if (cell.topLine & 1) Line(dc, rc.left - 2, rc.top - 1, rc.right + 1, rc.top - 1);
    }
  }
  SelectObject(dc, oldPen);
  DeleteObject(black);
  SelectObject(dc, oldFont);
  RECT corner{width - kBarSize, height - kBarSize, width, height};
  FillRect(dc, &corner, HBRUSH(GetStockObject(WHITE_BRUSH)));
}

void TGrid::VerticalScroll(int code, int thumb) {
  const int64_t h = std::max(rowHeight, 1);
  const int64_t page = (height / h) * h;
  int64_t o = yOffset_;
  switch (code) {
    case SB_LINEUP:
      if (o < 0) o += h;
      break;
    case SB_LINEDOWN:
      if (o > -(h * (rows_ - 1))) o -= h;
      break;
    case SB_PAGEUP:
      if (o < 0) o = std::min<int64_t>(o + page, 0);
      break;
    case SB_PAGEDOWN:
      o -= page;  // may pass the last row, as the scroll bar's page may
      break;
    case SB_THUMBTRACK:
      o = -int64_t(std::clamp(thumb, 0, std::max(rows_ - 1, 0))) * h;
      break;
    default:
      return;
  }
  yOffset_ = Clamp(std::max<int64_t>(o, INT_MIN / 2));
  if (yOffset_ != lastYOffset_) {
    InvalidateRect(window, nullptr, TRUE);
    SetScrollPos(vScroll_, SB_CTL, int(-int64_t(yOffset_) / h), TRUE);
    SelectCell(-1, -1);
  }
  lastYOffset_ = yOffset_;
}

void TGrid::HorizontalScroll(int code, int thumb) {
  const int64_t h = std::max(rowHeight, 1);
  const int64_t page = (height / h) * h;
  int64_t o = xOffset_;
  switch (code) {
    case SB_LINELEFT:
      if (o < 0) o += h;
      break;
    case SB_LINERIGHT:
      if (o > -kHorizontalRange) o -= h;
      break;
    case SB_PAGELEFT:
      if (o < 0) o = std::min<int64_t>(o + page, 0);
      break;
    case SB_PAGERIGHT:
      o -= page;
      break;
    case SB_THUMBTRACK:
      o = -int64_t(std::clamp(thumb, 0, kHorizontalRange));
      break;
    default:
      return;
  }
  xOffset_ = Clamp(std::max<int64_t>(o, INT_MIN / 2));
  InvalidateRect(window, nullptr, TRUE);
  SetScrollPos(hScroll_, SB_CTL, -xOffset_, TRUE);
  SelectCell(-1, -1);
}

void TGrid::TextChanged() {
  if (loading_) {
    loading_ = false;
    return;
  }
  // Only the cell the box was loaded for takes its text.
  const int row = editRow_, column = editColumn_;
  Cell* cell = At(row, column);
  if (!cell) return;  // the box is over no cell: nothing to store, nobody to ask
  wchar_t wide[kMaxText + 1] = {};
  GetWindowTextW(edit_, wide, kMaxText + 1);
  char text[4 * kMaxText + 1] = {};
  WideToAnsi(text, wide, int(wcslen(wide)), sizeof text);
  if (!acceptText || acceptText(row, column, text)) {
    // The callback may have changed the grid: look the cell up again.
    SetCellText(row, column, text);
    return;
  }
  DWORD from = 0, to = 0;
  SendMessageW(edit_, EM_GETSEL, WPARAM(&from), LPARAM(&to));
  if (const Cell* now = At(row, column)) {
    LoadEditBox(*now);
  } else {
    loading_ = true;
    SetWindowTextW(edit_, L"");
    loading_ = false;
  }
  SendMessageW(edit_, EM_SETSEL, WPARAM(from), LPARAM(to));
}

LRESULT TGrid::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
    case WM_DESTROY:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(dc);
      EndPaint(hwnd, &ps);
      return 1;
    }
    case WM_LBUTTONDOWN: {
      int row = 0, column = 0;
      if (HitCell(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), &row, &column))
        SelectCell(row, column);
      return 1;
    }
    case WM_LBUTTONUP:
      return 1;
    case WM_VSCROLL:
      VerticalScroll(LOWORD(wParam), int(HIWORD(wParam)));
      return 1;
    case WM_HSCROLL:
      HorizontalScroll(LOWORD(wParam), int(HIWORD(wParam)));
      return 1;
    case WM_COMMAND:
      if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_CHANGE) TextChanged();
      return 1;
    default:
      return 0;
  }
}
