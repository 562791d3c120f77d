#include "base/ui/owner_draw_list.h"

#include <algorithm>
#include <climits>

#include "base/ui/shell_utils.h"
#include "platform/win.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSelected = RGB(0, 0, 255);

constexpr int kSymbolColumnInset = 20;  // the texts of column 0 start after the symbol
constexpr int kTextInset = 3;

// A black outline with no fill from (x1, y1) to (x2, y2), the right and bottom edges excluded.
void Frame(HDC dc, int width, int x1, int y1, int x2, int y2) {
  HPEN pen = CreatePen(PS_SOLID, width, kBlack);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, x1, y1, x2, y2);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

}  // namespace

HWND TOwnerDrawList::Create(HINSTANCE inst, HWND dlg, const TColumnDesc* descriptors, int count,
                            int id, ISymbolPainter* painter) {
  instance = inst;
  dialog = dlg;
  columns = count;
  controlId = id;
  symbols = painter;
  // The dialog is made anew each time it opens: the rows of the last one belong to a list view
  // that is gone.
  table.clear();
  table.shrink_to_fit();
  capacity = 0;
  InitCommonControls();
  list = GetDlgItem(dialog, controlId);
  if (!list) return nullptr;
  if (!InsertListColumns(list, descriptors, columns)) {
    DestroyWindow(list);
    list = nullptr;
    return nullptr;
  }
  return list;
}

int TOwnerDrawList::AddRow(const wchar_t* const* texts, int count, uint16_t code, uint32_t data) {
  return AddRow(texts, count, code, data, 0);
}

int TOwnerDrawList::AddRow(const wchar_t* const* texts, int count, uint16_t code, uint32_t data,
                           uint32_t symbol) {
  if (columns <= 0 || count != columns || !texts || !list) return 0;
  if (RowCount() == capacity) {
    capacity += 5;
    table.reserve(size_t(capacity));
  }
  TOwnerDrawRow row;
  row.data = data & 0xFFFF;
  row.code = code;
  row.symbol = symbol;
  row.texts.resize(size_t(count));
  for (int c = 0; c < count; ++c)
    if (texts[c]) row.texts[size_t(c)] = texts[c];
  table.push_back(std::move(row));

  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount() - 1;
  item.pszText = LPSTR_TEXTCALLBACKW;
  const LRESULT at = SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
  if (at < 0) {
    // Rows are painted by item index, so a row without its item would shift every later one.
    table.pop_back();
    return 0;
  }
  for (int c = 1; c < count; ++c) {
    LVITEMW sub{};
    sub.mask = LVIF_TEXT;
    sub.iSubItem = c;
    sub.pszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(at), LPARAM(&sub));
  }
  return 1;
}

const TOwnerDrawRow* TOwnerDrawList::Row(int index) const {
  return index >= 0 && index < RowCount() ? &table[size_t(index)] : nullptr;
}

int TOwnerDrawList::SetRows(const std::vector<TOwnerDrawRow>& rows) {
  Clear();
  int kept = 0;
  std::vector<const wchar_t*> texts;
  for (const TOwnerDrawRow& row : rows) {
    texts.clear();
    for (const std::wstring& t : row.texts) texts.push_back(t.c_str());
    kept += AddRow(texts.data(), int(texts.size()), row.code, row.data, row.symbol);
  }
  return kept;
}

int TOwnerDrawList::GetSelectedIndex() const {
  if (!list) return -1;
  const int mark = int(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
  if (mark >= 0 && (SendMessageW(list, LVM_GETITEMSTATE, WPARAM(mark), LVIS_SELECTED) & LVIS_SELECTED))
    return mark;
  return int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

const TOwnerDrawRow* TOwnerDrawList::GetSelectedRow() const { return Row(GetSelectedIndex()); }

void TOwnerDrawList::SelectIndex(int index) {
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, LPARAM(index));
  LVITEMW state{};
  state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, WPARAM(index), LPARAM(&state));
}

int TOwnerDrawList::SelectByCode(uint16_t code) {
  if (!list) return 0;
  for (int i = 0; i < RowCount(); ++i) {
    if (table[size_t(i)].code != code) continue;
    SelectIndex(i);
    SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(i), FALSE);
    if (symbolMode) RepaintGrid();
    return 1;
  }
  return 0;
}

int TOwnerDrawList::FindRow(uint32_t key) {
  if (!list) return -1;
  for (int i = 0; i < RowCount(); ++i) {
    if (table[size_t(i)].data != (key & 0xFFFF)) continue;
    SelectIndex(i);
    SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(i), FALSE);
    if (symbolMode) RepaintGrid();
    return i;
  }
  return -1;
}

void TOwnerDrawList::DeleteRow(int index) {
  if (!list || !SendMessageW(list, LVM_DELETEITEM, WPARAM(index), 0)) return;
  if (index >= 0 && index < RowCount()) table.erase(table.begin() + index);
}

void TOwnerDrawList::Clear() {
  if (list) SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  table.clear();  // the vector keeps its room, as the capacity says
}

void TOwnerDrawList::DrawItem(const DRAWITEMSTRUCT* dis) {
  if (!dis || int(dis->CtlID) != controlId || !symbols || !dis->hDC) return;
  HDC dc = dis->hDC;
  const bool selected = (dis->itemState & ODS_SELECTED) != 0;
  const COLORREF back = selected ? kSelected : kWhite;
  const COLORREF fore = selected ? kWhite : kBlack;

  HBRUSH brush = CreateSolidBrush(back);
  FillRect(dc, &dis->rcItem, brush);
  DeleteObject(brush);
  const int oldMode = SetBkMode(dc, OPAQUE);
  const COLORREF oldBack = SetBkColor(dc, back);
  const COLORREF oldText = SetTextColor(dc, fore);

  if (const TOwnerDrawRow* row = dis->itemID <= UINT(INT_MAX) ? Row(int(dis->itemID)) : nullptr) {
    HPEN pen = CreatePen(PS_SOLID, 1, kBlack);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    int x = dis->rcItem.left;
    for (int c = 0; c < columns && c < int(row->texts.size()); ++c) {
      RECT rc{x, dis->rcItem.top, 0, dis->rcItem.bottom};
      x += int(SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
      rc.right = x;
      if (c == 0) {
        symbols->DrawRowSymbol(dc, row->code, rc);
        rc.left += kSymbolColumnInset;
      } else {
        // The symbol drawing selects pens of its own and restores ours afterwards.
        DrawLine(dc, rc.left, dis->rcItem.top, rc.left, dis->rcItem.bottom);
      }
      const std::wstring& text = row->texts[size_t(c)];
      if (!text.empty()) {
        RECT textRc{rc.left + kTextInset, rc.top, rc.right, rc.bottom};
        DrawTextW(dc, text.c_str(), int(text.size()), &textRc,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
      }
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  SetBkMode(dc, oldMode);
}

void TOwnerDrawList::SetIconMode(int flag) {
  symbolMode = flag;
  if (list) ShowWindow(list, flag ? SW_HIDE : SW_SHOW);
  InvalidateRect(dialog, nullptr, TRUE);
}

RECT TOwnerDrawList::GridRect() const {
  RECT rc{};
  GetWindowRect(list, &rc);
  POINT corner[2] = {{rc.left, rc.top}, {rc.right, rc.bottom}};
  ScreenToClient(dialog, &corner[0]);
  ScreenToClient(dialog, &corner[1]);
  return {corner[0].x, corner[0].y, corner[1].x, corner[1].y};
}

void TOwnerDrawList::RepaintGrid() {
  // Erased: the selected cell's 2-pixel frame lies inside the cell, where a vector symbol does
  // not reach, so drawing over it would leave the old selection framed.
  const RECT rc = GridRect();
  InvalidateRect(dialog, &rc, TRUE);
}

void TOwnerDrawList::DrawIconGrid(HDC dc) {
  if (!symbolMode || !symbols || !list || !dc) return;
  const RECT rc = GridRect();
  const int perLine = CellsPerLine(rc);
  if (perLine <= 0) return;  // narrower than one cell: nothing fits
  const int items = RowCount();
  const int fit = (rc.bottom - rc.top) / kGridCell;
  const int lines = items / perLine + 1 < fit ? items / perLine + 1 : fit;
  const int mark = int(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
  const bool bitmaps = symbols->HasBitmaps();
  for (int i = 0; i < lines; ++i) {
    for (int k = 0; k < perLine; ++k) {
      const int j = i * perLine + k;
      if (j >= items) return;
      const uint16_t code = table[size_t(j)].code;
      const int x = rc.left + kGridPitch * k, y = rc.top + kGridPitch * i;
      symbols->DrawCellSymbol(dc, code, x, y, kGridCell, j == mark ? 2 : 1);
      if (bitmaps) continue;  // a bitmap draws its own frame
      if (j == mark)
        Frame(dc, 2, x, y, x + kGridCell, y + kGridCell);
      else
        Frame(dc, 1, x - 1, y - 1, x + kGridCell + 1, y + kGridCell + 1);
    }
  }
}

int TOwnerDrawList::HitTest(int x, int y) {
  if (!list) return 0;
  const RECT rc = GridRect();
  if (x <= rc.left || x >= rc.right || y <= rc.top || y >= rc.bottom) return 0;
  const int perLine = CellsPerLine(rc);
  // Cells are counted by kGridCell but spaced by kGridPitch, so the last pixels of a line lie
  // past the last cell; they belong to it rather than to the next line's first.
  const int column = std::min((x - rc.left) / kGridPitch, perLine > 0 ? perLine - 1 : 0);
  const int line = (y - rc.top) / kGridPitch;
  const int index = line * perLine + column;
  // Narrower than one cell: no grid is drawn, so no tap selects.
  if (perLine > 0 && index < RowCount() && index < int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0))) {
    SelectIndex(index);
    RepaintGrid();
  }
  return IsTapAndHold(dialog, x, y, 0) ? 1 : 0;
}
