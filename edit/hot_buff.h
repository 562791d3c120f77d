// The recently used object types of one geometry kind: up to 18 type codes, newest first, shown
// either as a list (an owner-drawn list view of the dialog) or as one or two rows of nine symbol
// cells that this object paints on the dialog. Kept in the settings between runs:
// "HotBuffList_<n>" holds the codes as "%i;" each, "HotBuffView_<n>" the view mode.
#pragma once

#include <cstdint>
#include <memory>

#include "base/ui/owner_draw_list.h"
#include "platform/win.h"

class TObjectLibrary;
class TLibrarySymbols;

class THotBuff {
 public:
  static constexpr int kMaxCodes = 18;
  static constexpr int kCellPitch = 25;  // pixels between cells, both ways
  static constexpr int kCellSize = 24;   // symbol, and the divisor of the columns count
  static constexpr int kGridWidth = 226;
  static constexpr int kMenu = 312;
  enum : int {
    kCmdDelete = 40298,
    kCmdDeleteAll = 40399,
    kCmdIcons1 = 40203,
    kCmdIcons2 = 40204,
    kCmdList = 40205,
  };

  THotBuff();
  ~THotBuff();
  THotBuff(const THotBuff&) = delete;
  THotBuff& operator=(const THotBuff&) = delete;

  // With x and y both -1 the grid's origin is the control's rectangle (left - 1, top).
  void SetGeometry(HINSTANCE instance, HWND dialog, int controlId, const TColumnDesc* columns,
                   int x, int y, TObjectLibrary* library);
  // Reads the list of `listNumber`; codes the library lacks, or of another kind, are dropped.
  // A non-zero preset of the same kind is then moved to the front.
  void LoadState(int listNumber, uint16_t preset);
  void SaveState() const;
  // 0 for code 0; else the code goes to the front (the oldest falls off at 19) and 1.
  int AddRecent(uint16_t code);
  void SetViewMode(int mode);
  int GetViewMode() const { return viewMode; }
  uint16_t GetSelectedId() const;
  void SelectId(uint16_t code);
  void SetSelectedIndex(int index);
  void Paint(HDC dc);
  // 1 when (x, y), dialog pixels, lies in the grid: the cell under it is selected and a
  // tap-and-hold opens the menu.
  int OnClick(int x, int y);
  void DrawItem(const DRAWITEMSTRUCT* item) { list.DrawItem(item); }
  // 1 when the command was the menu's.
  int OnCommand(int id);
  void ShowContextMenu(int x, int y);
  void Refill();
  void DeleteAt(int index);

  int Count() const { return count; }
  uint16_t CodeAt(int index) const { return index >= 0 && index < count ? codes[index] : 0; }
  // The cell index under (x, y) in the grid, whether or not a code is there; -1 outside.
  int CellAt(int x, int y) const;

  TObjectLibrary* library = nullptr;
  HINSTANCE instance = nullptr;
  TOwnerDrawList list;
  const TColumnDesc* columns = nullptr;
  uint8_t viewMode = 0;
  int left = 0, top = 0, right = 0, bottom = 0;
  int controlId = 0;
  int listNumber = 0;
  int selectedIndex = -1;
  int count = 0;
  int rows = 1;
  HWND dialog = nullptr;
  uint16_t codes[kMaxCodes] = {};

 private:
  std::unique_ptr<TLibrarySymbols> symbols_;
};
