#include "maps/field_list_table.h"

#include <new>

#include "maps/mol_cursor.h"

int TFieldListTable::Load(const uint8_t* data, size_t length) {
  Clear();
  if (length <= 3) return 2;
  try {
    return ReadLists(data, length);
  } catch (const std::bad_alloc&) {
    return 3;
  }
}

int TFieldListTable::ReadLists(const uint8_t* data, size_t length) {
  TMolCursor in(data, length);
  while (!in.AtEnd()) {
    TFieldList list;
    uint16_t itemsLength;
    if (!in.U16(&list.number) || !in.U16(&itemsLength)) return 1;
    // Items are read while their total is below the stated length, each whole within the
    // section; the next list starts where the last item ended.
    const size_t start = in.Position();
    int result = 0;
    while (in.Position() - start < itemsLength && !in.AtEnd()) {
      TFieldItem item;
      uint16_t x;
      uint8_t nameLength;
      if (!in.U16(&x) || !in.U8(&nameLength)) {
        result = 1;
        break;
      }
      item.tag = x >> 3;
      item.type = x & 7;
      if ((item.type == 6 || item.type == 7) && !in.U16(&item.valueTable)) {
        result = 1;
        break;
      }
      if (!in.Text(nameLength, &item.name)) {
        result = 1;
        break;
      }
      list.items.push_back(std::move(item));
    }
    lists_.push_back(std::move(list));
    if (result) return result;
  }
  return 0;
}

const TFieldList* TFieldListTable::FindByNumber(uint16_t number) const {
  for (const TFieldList& l : lists_)
    if (l.number == number) return &l;
  return nullptr;
}
