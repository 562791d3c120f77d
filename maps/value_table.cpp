#include "maps/value_table.h"

#include <cstring>
#include <limits>
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

std::vector<size_t> TValueTable::SplitJoined(const TValueList* table, const std::string& text,
                                             size_t maxPieces) {
  std::vector<size_t> picked;
  if (!table) return picked;
  const size_t n = text.size();
  // A piece starts at 0 or after a comma and ends at the text's end or before a comma. From
  // each start p, the best cut of the rest: most characters covered by items, then fewest
  // unknown pieces, then fewest pieces. choice[p] is the item taken at p (npos: the piece up to
  // the next comma names nothing and is dropped), next[p] where the following piece starts.
  struct Score {
    size_t covered = 0, unknown = 0, pieces = 0;
    bool Beats(const Score& o) const {
      if (covered != o.covered) return covered > o.covered;
      if (unknown != o.unknown) return unknown < o.unknown;
      return pieces < o.pieces;
    }
  };
  constexpr size_t kNone = std::numeric_limits<size_t>::max();
  std::vector<Score> best(n + 2);
  std::vector<size_t> choice(n + 2, kNone), next(n + 2, n + 1);
  for (size_t p = n + 1; p-- > 0;) {
    if (p > 0 && text[p - 1] != ',') continue;  // not a piece start
    const size_t comma = text.find(',', p);
    const size_t plainEnd = comma == std::string::npos ? n : comma;
    const Score& after = best[plainEnd + 1];
    best[p] = {after.covered, after.unknown + 1, after.pieces + 1};
    next[p] = plainEnd + 1;
    for (size_t i = 0; i < table->items.size(); ++i) {
      const std::string& t = table->items[i].text;
      const size_t end = p + t.size();
      if (end > n || text.compare(p, t.size(), t) != 0) continue;
      if (end < n && text[end] != ',') continue;
      const Score& rest = best[end + 1];
      const Score here{t.size() + rest.covered, rest.unknown, rest.pieces + 1};
      if (!here.Beats(best[p])) continue;  // equal texts: the first item stays
      best[p] = here;
      choice[p] = i;
      next[p] = end + 1;
    }
  }
  for (size_t p = 0; p <= n && picked.size() < maxPieces; p = next[p])
    if (choice[p] != kNone) picked.push_back(choice[p]);
  return picked;
}
