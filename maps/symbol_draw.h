// Drawing of an object library's symbols: the 24 x 24 bitmap symbols of point styles, decoded
// once into a strip shared by the style table and then only copied, and the vector symbols,
// scaled and rotated per call.
#pragma once

#include <cstdint>

#include "platform/win.h"

// Pens and brushes of the map styles and symbols, kept once made: a frame draws tens of thousands
// of objects and symbol elements with a few dozen distinct pens, and making and deleting one per
// object costs more than drawing its short line. The kept objects live as long as the program and
// are never deleted by the caller. Null when the table is full (a library with very many
// colours): the caller then makes its own for the step.
HPEN KeptPen(int style, int width, COLORREF color);
HBRUSH KeptBrush(COLORREF color);

class TStyleTable;
class TSymbolTable;

// The strip: one memory DC holding a 24 x 24 cell per style. Column 24 x i belongs to the style
// at index i for as long as the table holds its records. The device refuses bitmaps wider than
// 16384 pixels, so the strip is folded into rows of kCellsPerRow cells; a column names its cell
// by number and Cell() gives the cell's place.
struct TSymbolStrip {
  static constexpr uint32_t kCellsPerRow = 16384 / 24;

  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;

  static POINT Cell(uint32_t column) {
    const uint32_t cell = column / 24;
    return {LONG(cell % kCellsPerRow * 24), LONG(cell / kCellsPerRow * 24)};
  }
};

// Copies the bitmap symbol of `code` into the square (x, y, size, size) of `dc` and, when
// `frameWidth` is not 0, outlines it in black with a pen of that width. Draws nothing when the
// table's records carry no extra blocks or the code has no style. An extra block shorter than
// 288 bytes holds no bitmap: its column is copied unpainted.
void DrawPointSymbol(TStyleTable& styles, uint16_t code, HDC dc, int x, int y, int size,
                     int frameWidth);

// Draws vector symbol `number` (from 1) with its anchor at (x, y).
// Direction: the pair (d1, d2) when given and not (0, 1); else, without a pair, the direction
// from (x, y) to (x2, y2) when they differ; else `angle` (radians) when not 0; else unrotated.
// Scale: without `fitToSize`, size / design size (1 when the design size is 0); with it, size /
// the larger side of the symbol's extent, and the extent's middle is put on (x2, y2).
// Nothing is drawn unless 5 <= 64 x scale <= 600: smaller is an unreadable speck, larger would
// cover the screen.
void DrawVectorSymbol(const TSymbolTable& symbols, HDC dc, int x, int y, int x2, int y2,
                      int number, float size, bool fitToSize, float angle,
                      const double* d1 = nullptr, const double* d2 = nullptr);
