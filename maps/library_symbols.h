// The object library's symbols for the owner-drawn list of object types: a row shows a 14-pixel
// bitmap, or the vector symbol of a point style at scale 1.2; a grid cell the bitmap framed, or
// the vector symbol at scale 2.2 about the cell's centre.
#pragma once

#include <cstdint>

#include "base/ui/owner_draw_list.h"

class TObjectLibrary;

class TLibrarySymbols final : public ISymbolPainter {
 public:
  explicit TLibrarySymbols(TObjectLibrary& library) : library_(library) {}

  bool HasBitmaps() const override;
  void DrawRowSymbol(HDC dc, uint16_t code, const RECT& rc) override;
  void DrawCellSymbol(HDC dc, uint16_t code, int x, int y, int cell, int frame) override;

 private:
  TObjectLibrary& library_;
};
