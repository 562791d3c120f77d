// The value tables of an object library: for list-valued attributes, the numbered texts an
// attribute's stored value stands for. A table is found by its code; within a table the first
// item wins both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TValueItem {
  uint16_t value = 0;
  std::string text;  // empty: the item has no text
};

struct TValueList {
  uint16_t code = 0;
  std::vector<TValueItem> items;
};

class TValueTable {
 public:
  // Libraries above version 2 give each table's item length in 32 bits, older ones in 16.
  // 2 when the section is 5 bytes or shorter; 0 after reading; 1 when a table or item is cut by
  // the section end (what was read before the cut stays); 3 out of memory.
  int Load(const uint8_t* data, size_t length, uint8_t version);
  void Clear() { tables_.clear(); }

  const TValueList* FindByCode(uint16_t code) const;
  int Count() const { return int(tables_.size()); }

  // The text of the first item with that value, or null.
  static const char* GetText(const TValueList* table, uint16_t value);
  // The value of the first item whose text equals `text` (case-sensitive), or 0xFFFF. Items
  // without text never match, and a null text gives 0xFFFF.
  static uint16_t GetValue(const TValueList* table, const char* text);
  // The items named by a multiple-choice text: the chosen texts joined with ",". An item text
  // may itself hold a comma, so the text is cut where whole item texts fit, not at every comma:
  // of all the ways to cut it, the one whose items cover most of the text wins, and among those
  // the one with fewer, longer pieces. A piece that names no item is left out. Positions in
  // `table->items` (the first of equal texts), in the order of the text, at most `maxPieces`.
  // An empty piece names the first item without text, when there is one.
  static std::vector<size_t> SplitJoined(const TValueList* table, const std::string& text,
                                         size_t maxPieces);

 private:
  int ReadTables(const uint8_t* data, size_t length, uint8_t version);

  std::vector<TValueList> tables_;
};
