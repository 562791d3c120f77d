// A list of object types over a report-style, owner-drawn list view in a dialog: each row shows
// the symbol of its type code and one text per column. In symbol mode the list
// view is hidden and the owner dialog paints the symbols as a grid that the user taps.
//
// The rows live in this object's own table and are painted by item index from it; the list-view
// items carry nothing (their texts are asked for on demand). The owner dialog forwards
// WM_DRAWITEM to DrawItem, and in symbol mode calls DrawIconGrid from WM_PAINT and HitTest on
// a pen-down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/ui/list_view_ctl.h"
#include "platform/win_types.h"

struct DRAWITEMSTRUCT;

// Draws the symbol of an object type code. The object library does it (maps/library_symbols.h);
// the list's owner hands one in, so the list itself knows nothing of maps.
class ISymbolPainter {
 public:
  // True when the symbols are bitmaps, which draw their own frame in the grid.
  virtual bool HasBitmaps() const = 0;
  // The symbol of a row in column 0's rectangle `rc`; nothing for a code without one.
  virtual void DrawRowSymbol(HDC dc, uint16_t code, const RECT& rc) = 0;
  // The symbol of a grid cell `cell` pixels square at (x, y). `frame` is the width of a bitmap
  // symbol's frame: 2 for the selected cell, else 1.
  virtual void DrawCellSymbol(HDC dc, uint16_t code, int x, int y, int cell, int frame) = 0;

 protected:
  ~ISymbolPainter() = default;
};

struct TOwnerDrawRow {
  uint32_t data = 0;                // the row's key: the low 16 bits of what was added
  uint16_t code = 0;                // object type code
  std::vector<std::wstring> texts;  // one a column; empty means none
  uint32_t symbol = 0;              // the caller's symbol index, kept for it
};

class TOwnerDrawList {
 public:
  // The symbol grid: a symbol cell every kGridPitch pixels, while the number of cells per line
  // is counted with kGridCell. The two differ by one pixel, so the last cell of a line may
  // reach past the list's right edge; taps use the same numbers and so agree with the drawing.
  static constexpr int kGridCell = 24;
  static constexpr int kGridPitch = 25;

  TOwnerDrawList() = default;
  TOwnerDrawList(const TOwnerDrawList&) = delete;
  TOwnerDrawList& operator=(const TOwnerDrawList&) = delete;

  // Takes dialog item `controlId` and inserts the columns. The list's window; null when the
  // dialog has no such item or a column cannot be inserted (the list view is then destroyed).
  // Rows of an earlier dialog are dropped.
  HWND Create(HINSTANCE instance, HWND dialog, const TColumnDesc* descriptors, int columns,
              int controlId, ISymbolPainter* symbols);
  // Appends a row: `count` texts (must equal the number of columns; null or empty texts are
  // none), the type code and the low 16 bits of `data`. 1 when the list-view item was
  // inserted; 0 otherwise, and then no row is kept.
  int AddRow(const wchar_t* const* texts, int count, uint16_t code, uint32_t data);
  // The same with the caller's symbol index kept in the row.
  int AddRow(const wchar_t* const* texts, int count, uint16_t code, uint32_t data, uint32_t symbol);
  // Replaces the rows by `rows` (each as AddRow takes it); the number kept.
  int SetRows(const std::vector<TOwnerDrawRow>& rows);
  // The selected item's index: the one at the selection mark when it is selected, else the
  // first selected; -1 when none is (a tap on empty space deselects but leaves the mark).
  int GetSelectedIndex() const;
  // The row of GetSelectedIndex; null when no item is selected.
  const TOwnerDrawRow* GetSelectedRow() const;
  // Selects, focuses and shows the first row of that code. 1 when there is one; 0 otherwise,
  // and the selection stays as it was.
  int SelectByCode(uint16_t code);
  // Selects, focuses and shows the first row whose key is the low 16 bits of `key`; the list
  // view tells its dialog (LVN_ITEMCHANGED). The row's index, or -1 when there is none (the
  // selection then stays as it was).
  int FindRow(uint32_t key);
  void DeleteRow(int index);
  // Deletes all items and rows; the table keeps its capacity.
  void Clear();
  // Paints one row; the owner forwards every WM_DRAWITEM here (other controls' are ignored).
  void DrawItem(const DRAWITEMSTRUCT* drawItem);
  // 0 rows of text; otherwise the list view is hidden and the dialog paints the symbol grid.
  void SetIconMode(int flag);
  void SetViewMode(int mode) { SetIconMode(mode); }
  int GetViewMode() const { return symbolMode; }
  void DrawIconGrid(HDC dc);
  // For a pen-down at (x, y), in the dialog's client coordinates, in symbol mode: selects the
  // tapped symbol. 1 when the pen-down inside the list's rectangle became a tap-and-hold (the
  // owner opens its context menu).
  int HitTest(int x, int y);

  int RowCount() const { return int(table.size()); }
  const TOwnerDrawRow* Row(int index) const;
  // For an owner that changes a row's texts or code in place and then redraws its item.
  TOwnerDrawRow* MutableRow(int index) {
    return index >= 0 && index < RowCount() ? &table[size_t(index)] : nullptr;
  }

  HWND list = nullptr;
  ISymbolPainter* symbols = nullptr;  // without it no row is painted
  int symbolMode = 0;
  HINSTANCE instance = nullptr;
  HWND dialog = nullptr;
  int columns = 0;
  int capacity = 0;  // rows the table has room for; grows by 5
  int controlId = 0;

 private:
  // Cells per grid line for the list's rectangle; 0 when narrower than one cell.
  static int CellsPerLine(const RECT& rc) { return (rc.right - rc.left) / kGridCell; }
  // The list view's rectangle in the dialog's client coordinates, where the grid is drawn and
  // tapped (the dialog need not lie at the screen's origin).
  RECT GridRect() const;
  void RepaintGrid();
  void SelectIndex(int index);

  std::vector<TOwnerDrawRow> table;
};
