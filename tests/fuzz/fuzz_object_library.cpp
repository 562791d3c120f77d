// The object library (".mol"): loading, then drawing every style's point symbol and every
// vector symbol, which walk the symbol records the file supplied.
#include "fuzz_device.h"
#include "maps/object_library.h"
#include "maps/palette.h"
#include "maps/style_table.h"
#include "maps/symbol_draw.h"
#include "platform/win.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  if (!fuzzdev::Put("\\F.mol", data, size)) return 0;
  static TPalette palette;
  TObjectLibrary lib;
  lib.SetSharedPalette(&palette);
  if (lib.Load("\\F.mol") != 0) {
    FUZZ_CHECK(lib.styles.Count() == 0 && lib.symbols.Count() == 0);
    return 0;
  }
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 64, 64);
  HGDIOBJ old = SelectObject(dc, bmp);
  const int styles = lib.styles.Count() < 64 ? lib.styles.Count() : 64;
  for (int i = 0; i < styles; ++i) {
    const TStyleEntry* e = lib.styles.Entry(i);
    FUZZ_CHECK(e != nullptr);
    lib.styles.GetTypeName(e->code);
    DrawPointSymbol(lib.styles, e->code, dc, 20, 20, 16, 1);
  }
  const int symbols = lib.symbols.Count() < 64 ? lib.symbols.Count() : 64;
  for (int s = 0; s < symbols; ++s) {
    DrawVectorSymbol(lib.symbols, dc, 10, 10, 50, 40, s, 1.0f, true, 0.5f);
    DrawVectorSymbol(lib.symbols, dc, 10, 10, 50, 40, s, 3.0f, false, 0.0f);
  }
  for (uint16_t code = 0; code < 8; ++code) lib.GetFields(code);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return 0;
}
