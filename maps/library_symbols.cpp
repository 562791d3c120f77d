#include "maps/library_symbols.h"

#include "maps/mdm_format.h"
#include "maps/object_library.h"
#include "maps/symbol_draw.h"
#include "platform/win.h"

namespace {

constexpr int kRowSymbolSize = 14;  // pixels of a row's bitmap symbol
constexpr float kRowSymbolScale = 12.0f;
constexpr float kGridSymbolScale = 22.0f;

// The vector symbol a style draws with. Only a point style names one (its first two kind bytes);
// the kind bytes of lines, areas and texts mean widths, colours and patterns, and read as a
// number they would pick an unrelated symbol. 0: none.
int VectorSymbolOf(const TObjectLibrary& library, uint16_t code) {
  if ((code & 7) != mdm::kKindPoint) return 0;
  const uint8_t* kind = library.styles.FindStyle(code);
  return kind ? kind[0] | kind[1] << 8 : 0;
}

}  // namespace

bool TLibrarySymbols::HasBitmaps() const { return library_.styles.HasExtraBlocks(); }

void TLibrarySymbols::DrawRowSymbol(HDC dc, uint16_t code, const RECT& rc) {
  if (library_.styles.HasExtraBlocks()) {
    DrawPointSymbol(library_.styles, code, dc, rc.left, rc.top, kRowSymbolSize, 0);
  } else if (int number = VectorSymbolOf(library_, code)) {
    const int x = rc.left + 10, y = (rc.top + rc.bottom) / 2;
    DrawVectorSymbol(library_.symbols, dc, x, y, x, y, number, kRowSymbolScale, false, 0.0f);
  }
}

void TLibrarySymbols::DrawCellSymbol(HDC dc, uint16_t code, int x, int y, int cell, int frame) {
  if (library_.styles.HasExtraBlocks()) {
    DrawPointSymbol(library_.styles, code, dc, x, y, cell, frame);
  } else if (int number = VectorSymbolOf(library_, code)) {
    const int cx = x + cell / 2, cy = y + cell / 2;
    DrawVectorSymbol(library_.symbols, dc, cx, cy, cx, cy, number, kGridSymbolScale, false, 0.0f);
  }
}
