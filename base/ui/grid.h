// A table of text cells: fixed-height rows, per-column widths, per-cell colours and style flags,
// its own scroll bars and one in-place edit box that the owner allows or refuses per cell and
// whose every change it may accept or reject. The attribute form shows an object's attributes in
// it, one a row. Window class "TGrid"; cell texts are 8-bit, in the program code page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/ui/window.h"

class TGrid : public TWindow {
 public:
  enum CellStyle : uint8_t { kReadOnly = 1, kOwnColours = 2, kBold = 8 };
  static constexpr int kEditId = 1028;
  static constexpr int kMaxText = 255;            // bytes of a cell text shown and edited
  static constexpr int kHorizontalRange = 500;    // pixels the grid scrolls sideways
  // Above this many cells SetSize gives an empty grid: the attribute form needs a few dozen,
  // and a table this size already takes tens of megabytes.
  static constexpr int64_t kMaxCells = 1 << 20;

  struct Cell {
    COLORREF text = 0;         // used with kOwnColours
    COLORREF back = 0;
    uint8_t style = 0;         // CellStyle bits
    uint8_t topLine = 0;       // bit 0: a black rule on the upper border
    uint8_t span = 0;          // further columns this cell's text covers
    std::unique_ptr<char[]> value;  // none when empty
    uint32_t data = 0;
  };

  TGrid() = default;
  ~TGrid() override;

  // Registers the class (once), creates the grid window in `owner` with its two scroll bars and
  // the edit box. 1, or 0 when a window cannot be made.
  int Create(HWND owner, HINSTANCE instance);
  void Move(int x, int y, int width, int height);
  // Replaces the table by an empty one of that size. Sizes of 0 or less, or too large to keep,
  // give an empty grid.
  void SetSize(int rows, int columns);
  int GetRowCount() const { return rows_; }
  int GetColumnCount() const { return columns_; }
  // Below 0 counts as 0. Ignored out of range.
  void SetColumnWidth(int column, int pixels);

  // Cell accessors: nothing happens (0 or null) for a cell out of range; none repaints.
  const char* GetCellText(int row, int column) const;
  void SetCellText(int row, int column, const char* text);
  uint32_t GetCellData(int row, int column) const;
  void SetCellData(int row, int column, uint32_t value);
  void SetCellColors(int row, int column, COLORREF text, COLORREF back);
  void SetCellStyle(int row, int column, int flags);
  // A black rule over the cell (and its span).
  void SetCellTopLine(int row, int column, int flag);
  // The cell's text covers `count` further columns (stopping at the last).
  void SetCellSpan(int row, int column, int count);

  // Selects a cell, placing the edit box over it when the owner allows editing there. 1 when
  // the edit box is over it or the grid is read-only and the cell editable; else 0. A cell out of
  // range clears the selection.
  int SelectCell(int row, int column);
  int GetSelectedRow() const { return selRow_; }
  int GetSelectedColumn() const { return selColumn_; }
  void ScrollToRow(int row);
  // Gives the edit box the focus when it is over a cell and the grid is not read-only.
  void FocusEditor();

  // The cell rectangle in grid client pixels; false out of range. Sums saturate.
  bool CellRect(int row, int column, RECT* rc) const;
  // The first cell (rows first, then columns) whose rectangle holds the point, edges included,
  // so a tap on a spanned column selects the spanning cell. False when none.
  bool HitCell(int x, int y, int* row, int* column) const;
  int XOffset() const { return xOffset_; }
  int YOffset() const { return yOffset_; }
  HWND EditBox() const { return edit_; }
  HWND VerticalBar() const { return vScroll_; }

  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Asked for every change typed into the edit box with (row, column, text); 0 rejects it.
  // Empty: every change is accepted.
  std::function<int(int row, int column, const char* text)> acceptText;
  // Asked when a cell is selected; non-zero opens the edit box on it. It may run a modal dialog
  // that changes or resizes the grid. Empty: no cell is editable.
  std::function<int(int row, int column)> canEdit;
  // Editable cells get no edit box and the box never takes the focus.
  int readOnly = 0;

  HINSTANCE instance = nullptr;
  int left = 0, top = 0, right = 0, bottom = 0;
  int width = 0, height = 0;
  int rowHeight = 16;

 private:
  const Cell* At(int row, int column) const;
  Cell* At(int row, int column);
  void Paint(HDC dc);
  void VerticalScroll(int code, int thumb);
  void HorizontalScroll(int code, int thumb);
  void TextChanged();
  void HideEditBox();
  // Hides the box and unbinds it from its cell; the focus leaves it, so keys go nowhere.
  void DropEditor();
  void LoadEditBox(const Cell& cell);

  HWND vScroll_ = nullptr, hScroll_ = nullptr, edit_ = nullptr;
  int selRow_ = -1, selColumn_ = -1;
  // The cell whose text the edit box holds, -1 when it is over none. Only this cell takes what
  // is typed: the selection may move to a cell that cannot be edited while the box, hidden,
  // still holds the text of the last one.
  int editRow_ = -1, editColumn_ = -1;
  int rows_ = 0, columns_ = 0;
  std::vector<int> widths_;
  std::vector<Cell> cells_;  // row after row
  int xOffset_ = 0, yOffset_ = 0, lastYOffset_ = 0;
  bool loading_ = false;
  HFONT normal_ = nullptr, bold_ = nullptr;
};
