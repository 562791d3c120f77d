#include "app/ui/owner_draw_list.h"

#include <climits>

#include "app/ui/shell_utils.h"
#include "maps/object_library.h"
#include "maps/symbol_draw.h"
#include "platform/win.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSelected = RGB(0, 0, 255);

constexpr int kRowSymbolSize = 14;    // pixels of a row's bitmap symbol
constexpr float kRowSymbolScale = 12.0f;
constexpr float kGridSymbolScale = 22.0f;
constexpr int kSymbolColumnInset = 20;  // the texts of column 0 start after the symbol
constexpr int kTextInset = 3;

// The vector symbol a style draws with. Only a point style names one (its first two kind bytes);
// the kind bytes of lines, areas and texts mean widths, colours and patterns, and read as a
// number they would pick an unrelated symbol. 0: none.
int VectorSymbolOf(const TObjectLibrary& library, uint16_t code) {
  if ((code & 7) != 1) return 0;
  const uint8_t* kind = library.styles.FindStyle(code);
  return kind ? kind[0] | kind[1] << 8 : 0;
}

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
                            int id, TObjectLibrary* lib) {
  instance = inst;
  dialog = dlg;
  columns = count;
  controlId = id;
  library = lib;
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
  if (columns <= 0 || count != columns || !texts || !list) return 0;
  if (RowCount() == capacity) {
    capacity += 5;
    table.reserve(size_t(capacity));
  }
  TOwnerDrawRow row;
  row.data = data & 0xFFFF;
  row.code = code;
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

const TOwnerDrawRow* TOwnerDrawList::GetSelectedRow() const {
  if (!list) return nullptr;
  return Row(int(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0)));
}

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
    if (symbolMode) InvalidateRect(dialog, nullptr, FALSE);
    return 1;
  }
  return 0;
}

void TOwnerDrawList::DeleteRow(int index) {
  if (!list || !SendMessageW(list, LVM_DELETEITEM, WPARAM(index), 0)) return;
  if (index >= 0 && index < RowCount()) table.erase(table.begin() + index);
}

void TOwnerDrawList::Clear() {
  if (list) SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  table.clear();  // the vector keeps its room, as the capacity says
}

void TOwnerDrawList::DrawSymbol(const TOwnerDrawRow& row, HDC dc, const RECT& rc) {
  if (library->styles.HasExtraBlocks()) {
    DrawPointSymbol(library->styles, row.code, dc, rc.left, rc.top, kRowSymbolSize, 0);
  } else if (int number = VectorSymbolOf(*library, row.code)) {
    const int x = rc.left + 10, y = (rc.top + rc.bottom) / 2;
    DrawVectorSymbol(library->symbols, dc, x, y, x, y, number, kRowSymbolScale, false, 0.0f);
  }
}

void TOwnerDrawList::DrawItem(const DRAWITEMSTRUCT* dis) {
  if (!dis || int(dis->CtlID) != controlId || !library || !dis->hDC) return;
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
        DrawSymbol(*row, dc, rc);
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

void TOwnerDrawList::DrawIconGrid(HDC dc) {
  if (!symbolMode || !library || !list || !dc) return;
  RECT rc{};
  GetWindowRect(list, &rc);
  const int perLine = CellsPerLine(rc);
  if (perLine <= 0) return;  // narrower than one cell: nothing fits
  const int items = RowCount();
  const int fit = (rc.bottom - rc.top) / kGridCell;
  const int lines = items / perLine + 1 < fit ? items / perLine + 1 : fit;
  const int mark = int(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
  const bool bitmaps = library->styles.HasExtraBlocks();
  for (int i = 0; i < lines; ++i) {
    for (int k = 0; k < perLine; ++k) {
      const int j = i * perLine + k;
      if (j >= items) return;
      const uint16_t code = table[size_t(j)].code;
      const int x = rc.left + kGridPitch * k, y = rc.top + kGridPitch * i;
      if (bitmaps) {
        DrawPointSymbol(library->styles, code, dc, x, y, kGridCell, j == mark ? 2 : 1);
        continue;
      }
      if (int number = VectorSymbolOf(*library, code))
        DrawVectorSymbol(library->symbols, dc, x + 12, y + 12, x + 12, y + 12, number,
                         kGridSymbolScale, false, 0.0f);
      if (j == mark)
        Frame(dc, 2, x, y, x + kGridCell, y + kGridCell);
      else
        Frame(dc, 1, x - 1, y - 1, x + kGridCell + 1, y + kGridCell + 1);
    }
  }
}

int TOwnerDrawList::HitTest(int x, int y) {
  if (!list) return 0;
  RECT rc{};
  GetWindowRect(list, &rc);
  if (x <= rc.left || x >= rc.right || y <= rc.top || y >= rc.bottom) return 0;
  const int column = (x - rc.left) / kGridPitch;
  const int line = (y - rc.top) / kGridPitch;
  const int index = line * CellsPerLine(rc) + column;
  if (index < RowCount() && index < int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0))) {
    SelectIndex(index);
    InvalidateRect(dialog, nullptr, FALSE);
  }
  return IsTapAndHold(dialog, x, y, 0) ? 1 : 0;
}
