// The vector symbols of an object library: small drawings of polylines and filled polygons on a
// grid of signed bytes, numbered from 1 in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TPalette;

struct TSymbolPoint {
  int8_t x, y;
};

struct TSymbolElement {
  uint8_t colour = 0;  // bits 0-6 palette index; bit 7 set: a filled polygon, else a polyline
  std::vector<TSymbolPoint> points;
};

struct TSymbol {
  uint8_t designSize = 0;  // grid units that make the symbol's nominal size
  std::vector<TSymbolElement> elements;
};

struct TSymbolExtent {
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  uint8_t designSize = 0;
};

class TSymbolTable {
 public:
  void SetPalette(const TPalette* palette) { palette_ = palette; }
  const TPalette* Palette() const { return palette_; }

  // Reads symbols, each advancing by its own record length. A record length below the 8-byte
  // head or past the section, or an element running past its record, stops the reader; the
  // symbols before it stay. Returns 0, 1 on such a fault, 3 when memory ran out.
  int Load(const uint8_t* data, size_t length);
  void Clear() { symbols_.clear(); }

  int Count() const { return int(symbols_.size()); }
  // Symbol `number` (1..Count()), or null.
  const TSymbol* Get(int number) const;
  // Minimum and maximum x and y over every point of the symbol, starting from 0 so the origin is
  // always inside; all zero for a number out of range.
  TSymbolExtent GetSymbolExtent(int number) const;

 private:
  int ReadRecords(const uint8_t* data, size_t length);

  const TPalette* palette_ = nullptr;
  std::vector<TSymbol> symbols_;
};
