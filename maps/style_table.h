// The style table of an object library: one record per object type code with its drawing bytes,
// its name, its attribute field-list number and an optional 24 x 24 bitmap symbol.
//
// Kind data in memory is what map objects copy byte for byte into their cached style (2 bytes for
// a point, 5 for a line, 7 for an area, 4 for a text; Part of the map reader). A line style's
// pattern block is 2 inline bytes, or for a compound line (P bit 7 set, bit 6 clear) the 4 bytes
// after P hold a little-endian number of the element block in this table's element store, from 1
// (0 names none): a number survives the copy into objects and any growth of the table, where an
// address would not. `PatternElements` resolves it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/win_types.h"

class TPalette;
struct TSymbolStrip;

struct TStyleEntry {
  uint16_t code = 0;
  uint8_t kindLength = 0;  // 0 for kinds 0 and 5-7, which carry no kind data
  uint8_t kind[7] = {};
  std::string name;               // empty: the style has no name
  uint16_t fieldList = 0;         // 0 when the records carry no number
  std::vector<uint8_t> extra;     // empty when absent
  uint32_t stripColumn = kNoColumn;  // pixel column in the bitmap strip once drawn

  static constexpr uint32_t kNoColumn = 0xFFFFFFFF;
};

class TStyleTable {
 public:
  TStyleTable();
  ~TStyleTable();
  TStyleTable(const TStyleTable&) = delete;
  TStyleTable& operator=(const TStyleTable&) = delete;

  // The two header switches: records carry a uint16 field-list number (bit 0) and a
  // length-prefixed extra block (bit 1).
  void SetFlags(bool hasFieldList, bool hasExtra);
  bool HasExtraBlocks() const { return hasExtra_; }
  void SetPalette(const TPalette* palette) { palette_ = palette; }
  const TPalette* Palette() const { return palette_; }

  // Reads records until the section is used up or a record is cut; the records before a cut
  // stay. Returns 0, 1 when the section ended inside a record, 3 when memory ran out.
  int Load(const uint8_t* data, size_t length);
  void Clear();

  // The kind data of the code, or null (also for a style of kind 0 or 5-7).
  const uint8_t* FindStyle(uint16_t code) const;
  // The name of the code, or null when absent or empty.
  const char* GetTypeName(uint16_t code) const;
  uint16_t GetFieldListNumber(uint16_t code) const;
  // The 12-byte elements of a compound line pattern, by the number held in its kind data.
  std::span<const uint8_t> PatternElements(uint32_t number) const;

  int Count() const { return int(entries_.size()); }
  const TStyleEntry* Entry(int index) const;
  TStyleEntry* MutableEntry(int index);
  int IndexOf(uint16_t code) const;  // -1 when absent

  // The shared bitmap-symbol strip, made by the symbol drawing on first use together with its
  // release function (the table itself draws nothing).
  using StripPtr = std::unique_ptr<TSymbolStrip, void (*)(TSymbolStrip*)>;
  StripPtr& Strip() { return strip_; }

 private:
  int ReadRecords(const uint8_t* data, size_t length);

  const TPalette* palette_ = nullptr;
  bool hasFieldList_ = false;
  bool hasExtra_ = false;
  std::vector<TStyleEntry> entries_;
  std::vector<std::vector<uint8_t>> patterns_;
  StripPtr strip_{nullptr, nullptr};
};
