// What the attribute form shows and writes, apart from its window: one row per attribute, the
// library's definitions first in library order, then the stored attributes no definition took.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TMdmMap;

struct TAttrRow {
  uint8_t type = 0;
  uint16_t number = 0;
  uint16_t tableRef = 0xFFFF;  // value table of the definition; 0xFFFF: not defined
  std::string caption;         // "short_full"; empty without a definition
  bool hasValue = false;
  std::vector<uint8_t> value;  // the stored bytes, as stored
  uint8_t storedType = 0;      // type of the stored item
};

// Definition and stored types agree when equal, or definition 7 with stored 5, 4 with 3, 3
// with 4, 1 with 2, 2 with 1.
bool AttrTypesAgree(uint8_t definition, uint8_t stored);
std::vector<TAttrRow> BuildAttrRows(TMdmMap& map, uint16_t object);
// The value of a row as the form shows it (empty without a value).
std::string FormatAttrRow(TMdmMap& map, const TAttrRow& row);

// The row's cell after editing: `edited` false keeps the stored bytes exactly. An edited text
// that does not parse keeps them too; an empty one drops the attribute.
struct TAttrCell {
  bool edited = false;
  std::string text;
};
// Replaces the object's attributes by the rows in order. 1 when written.
int StoreAttrRows(TMdmMap& map, uint16_t object, const std::vector<TAttrRow>& rows,
                  const std::vector<TAttrCell>& cells);

// "L:" and "S:" texts of a line or an area ("1.5 км", "12 м2"); both empty for other kinds and
// without a unit.
void LengthAndArea(TMdmMap& map, uint16_t object, std::wstring* length, std::wstring* area);
