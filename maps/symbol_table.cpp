#include "maps/symbol_table.h"

#include <algorithm>
#include <new>

#include "maps/mol_cursor.h"

int TSymbolTable::Load(const uint8_t* data, size_t length) {
  Clear();
  try {
    return ReadRecords(data, length);
  } catch (const std::bad_alloc&) {
    return 3;
  }
}

int TSymbolTable::ReadRecords(const uint8_t* data, size_t length) {
  constexpr size_t kHead = 8;  // length, design size, element count, 4 unused bytes
  TMolCursor section(data, length);
  while (!section.AtEnd()) {
    uint16_t recordLength;
    const uint8_t* record;
    // A record shorter than its head would never advance: the reader would loop for ever.
    if (!section.U16(&recordLength) || recordLength < kHead) return 1;
    if (!section.Bytes(recordLength - 2u, &record)) return 1;

    TMolCursor in(record, recordLength - 2u);
    TSymbol symbol;
    uint8_t elementCount;
    in.U8(&symbol.designSize);
    in.U8(&elementCount);
    in.Skip(4);
    symbol.elements.resize(elementCount);
    for (TSymbolElement& e : symbol.elements) {
      uint8_t n;
      const uint8_t* p;
      if (!in.U8(&n) || !in.U8(&e.colour) || !in.Bytes(size_t(n) * 2, &p)) return 1;
      e.points.resize(n);
      for (uint8_t i = 0; i < n; ++i)
        e.points[i] = {int8_t(p[2 * i]), int8_t(p[2 * i + 1])};
    }
    symbols_.push_back(std::move(symbol));
  }
  return 0;
}

const TSymbol* TSymbolTable::Get(int number) const {
  if (number < 1 || size_t(number) > symbols_.size()) return nullptr;
  return &symbols_[size_t(number) - 1];
}

TSymbolExtent TSymbolTable::GetSymbolExtent(int number) const {
  TSymbolExtent x;
  const TSymbol* s = Get(number);
  if (!s) return x;
  x.designSize = s->designSize;
  for (const TSymbolElement& e : s->elements)
    for (const TSymbolPoint& p : e.points) {
      x.minX = std::min(x.minX, int(p.x));
      x.maxX = std::max(x.maxX, int(p.x));
      x.minY = std::min(x.minY, int(p.y));
      x.maxY = std::max(x.maxY, int(p.y));
    }
  return x;
}
