#include "maps/style_table.h"

#include <algorithm>
#include <new>

#include "maps/mdm_format.h"
#include "maps/mol_cursor.h"

namespace {

// Bit 7 set with bit 6 clear: P & 0x3F elements of 12 bytes follow; every other P has 2 inline
// bytes (a pen, or a symbol number for a symbol chain).
bool IsCompound(uint8_t p) { return (p & 0xC0) == 0x80; }

}  // namespace

TStyleTable::TStyleTable() = default;
TStyleTable::~TStyleTable() = default;

void TStyleTable::SetFlags(bool hasFieldList, bool hasExtra) {
  hasFieldList_ = hasFieldList;
  hasExtra_ = hasExtra;
}

void TStyleTable::Clear() {
  entries_.clear();
  patterns_.clear();
  strip_.reset();  // its columns belong to the old entries
}

int TStyleTable::Load(const uint8_t* data, size_t length) {
  Clear();
  try {
    return ReadRecords(data, length);
  } catch (const std::bad_alloc&) {
    return 3;  // the styles read so far stay
  }
}

int TStyleTable::ReadRecords(const uint8_t* data, size_t length) {
  TMolCursor in(data, length);
  while (!in.AtEnd()) {
    TStyleEntry e;
    if (!in.U16(&e.code)) return 1;

    // Reads the pattern byte at kind[at] and its block into kind[at + 1 .. at + 4].
    std::vector<uint8_t> pattern;
    auto readPattern = [&](int at) {
      const uint8_t p = e.kind[at];
      const uint8_t* b;
      if (IsCompound(p)) {
        if (!in.Bytes(size_t(p & 0x3F) * 12, &b)) return false;
        pattern.assign(b, b + size_t(p & 0x3F) * 12);
        return true;
      }
      if (!in.Bytes(2, &b)) return false;
      e.kind[at + 1] = b[0];
      e.kind[at + 2] = b[1];
      return true;
    };

    const uint8_t* b;
    bool ok = true;
    switch (e.code & 7) {
      case mdm::kKindPoint:
        ok = in.Bytes(2, &b);
        if (ok) e.kind[0] = b[0], e.kind[1] = b[1];
        e.kindLength = 2;
        break;
      case mdm::kKindLine:
        ok = in.U8(&e.kind[0]) && readPattern(0);
        e.kindLength = 5;
        break;
      case mdm::kKindArea:
        ok = in.Bytes(3, &b);
        if (ok) {
          e.kind[0] = b[0], e.kind[1] = b[1], e.kind[2] = b[2];
          ok = readPattern(2);
        }
        e.kindLength = 7;
        break;
      case 4:
        ok = in.Bytes(4, &b);
        if (ok) std::copy(b, b + 4, e.kind);
        e.kindLength = 4;
        break;
      default:
        e.kindLength = 0;
        break;
    }
    if (!ok) return 1;

    uint8_t nameLength;
    if (!in.U8(&nameLength) || !in.Text(nameLength, &e.name)) return 1;
    if (hasFieldList_ && !in.U16(&e.fieldList)) return 1;
    if (hasExtra_) {
      uint16_t m;
      if (!in.U16(&m) || !in.Bytes(m, &b)) return 1;
      e.extra.assign(b, b + m);
    }

    // The record is whole: only now does its pattern block get a number.
    const int kind = e.code & 7;
    const int p = kind == mdm::kKindLine ? 0 : 2;
    if ((kind == mdm::kKindLine || kind == mdm::kKindArea) && IsCompound(e.kind[p])) {
      patterns_.push_back(std::move(pattern));
      const uint32_t number = uint32_t(patterns_.size());
      e.kind[p + 1] = uint8_t(number);
      e.kind[p + 2] = uint8_t(number >> 8);
      e.kind[p + 3] = uint8_t(number >> 16);
      e.kind[p + 4] = uint8_t(number >> 24);
    }
    entries_.push_back(std::move(e));
  }
  return 0;
}

int TStyleTable::IndexOf(uint16_t code) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].code == code) return int(i);
  return -1;
}

const TStyleEntry* TStyleTable::Entry(int index) const {
  return index >= 0 && size_t(index) < entries_.size() ? &entries_[size_t(index)] : nullptr;
}

TStyleEntry* TStyleTable::MutableEntry(int index) {
  return index >= 0 && size_t(index) < entries_.size() ? &entries_[size_t(index)] : nullptr;
}

const uint8_t* TStyleTable::FindStyle(uint16_t code) const {
  const TStyleEntry* e = Entry(IndexOf(code));
  return e && e->kindLength ? e->kind : nullptr;
}

const char* TStyleTable::GetTypeName(uint16_t code) const {
  const TStyleEntry* e = Entry(IndexOf(code));
  return e && !e->name.empty() ? e->name.c_str() : nullptr;
}

uint16_t TStyleTable::GetFieldListNumber(uint16_t code) const {
  const TStyleEntry* e = Entry(IndexOf(code));
  return e ? e->fieldList : 0;
}

std::span<const uint8_t> TStyleTable::PatternElements(uint32_t number) const {
  if (number == 0 || number > patterns_.size()) return {};
  return patterns_[number - 1];
}
