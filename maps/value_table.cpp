#include "maps/value_table.h"

#include <cstring>
#include <new>

#include "maps/mol_cursor.h"

int TValueTable::Load(const uint8_t* data, size_t length, uint8_t version) {
  Clear();
  if (length <= 5) return 2;
  try {
    return ReadTables(data, length, version);
  } catch (const std::bad_alloc&) {
    return 3;
  }
}

int TValueTable::ReadTables(const uint8_t* data, size_t length, uint8_t version) {
  TMolCursor in(data, length);
  while (!in.AtEnd()) {
    TValueList table;
    uint32_t itemsLength;
    uint16_t shortLength;
    if (!in.U16(&table.code)) return 1;
    if (version > 2) {
      if (!in.U32(&itemsLength)) return 1;
    } else {
      if (!in.U16(&shortLength)) return 1;
      itemsLength = shortLength;
    }
    // The stated length is only an upper bound: items must also lie whole within the section,
    // so a length of 0xFFFFFFFF reads to the section end and no further.
    const size_t start = in.Position();
    int result = 0;
    while (in.Position() - start < itemsLength && !in.AtEnd()) {
      TValueItem item;
      uint8_t textLength;
      if (!in.U16(&item.value) || !in.U8(&textLength) || !in.Text(textLength, &item.text)) {
        result = 1;
        break;
      }
      table.items.push_back(std::move(item));
    }
    tables_.push_back(std::move(table));
    if (result) return result;
  }
  return 0;
}

const TValueList* TValueTable::FindByCode(uint16_t code) const {
  for (const TValueList& t : tables_)
    if (t.code == code) return &t;
  return nullptr;
}

const char* TValueTable::GetText(const TValueList* table, uint16_t value) {
  if (!table) return nullptr;
  for (const TValueItem& item : table->items)
    if (item.value == value) return item.text.empty() ? nullptr : item.text.c_str();
  return nullptr;
}

uint16_t TValueTable::GetValue(const TValueList* table, const char* text) {
  if (!table || !text) return 0xFFFF;
  for (const TValueItem& item : table->items)
    if (!item.text.empty() && item.text == text) return item.value;
  return 0xFFFF;
}
