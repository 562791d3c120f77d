// The attribute form: every attribute of one map object in a grid, editable when the object is
// in the working map, with the object's length and, for areas, its area. "LastXNumList" keeps,
// per type code, the attribute that was current when the form last closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/ui/grid.h"
#include "edit/attr_rows.h"
#include "platform/win.h"
#include "view/highlight.h"

class TObjectForm {
 public:
  static constexpr int kTemplate = 179;
  static constexpr int kTitle = 2340;
  static constexpr int kMeasure = 2346;

  void Init(HWND dialog);
  void Fill();
  void Paint();
  int EditCheck(int row, int column, const char* text);
  int CellClick(int row, int column);
  // Before OK: false, with a beep and the edit box on the cell, when an edited number is not
  // one whole number of its row's type.
  bool CheckEdits();
  void Store();
  void Report();
  // The row record of a grid row, or null.
  const TAttrRow* RowAt(int gridRow) const;
  int GridRowOf(size_t index) const { return showFull ? int(index) * 2 + 1 : int(index); }

  HWND window = nullptr;
  TGrid grid;
  TObjectRef object;
  int32_t* attributeOut = nullptr;
  uint8_t* typeOut = nullptr;
  HINSTANCE instance = nullptr;
  int showNumber = 0, showShort = 0, showFull = 0;
  std::wstring areaText, lengthText;
  int modified = 0;
  std::vector<TAttrRow> rows;
  std::vector<TAttrCell> cells;  // one a row: what the user typed or chose
  int valueColumn = 0;
  std::string restOfList;
  uint16_t typeCode = 0;
  int presetAttribute = 0;
  bool working = false;
};

extern TObjectForm g_ObjectForm;

// Runs form 179 for `object` over `parent`. With `attribute` given the form preselects that
// attribute and writes back the number and (with `type`) the value type of the row current at
// closing; without it the row is remembered per type code. IDOK or IDCANCEL.
int ShowObjectForm(HWND parent, HINSTANCE instance, const TObjectRef& object, int32_t* attribute,
                   uint8_t* type);
