#include "maps/font_table.h"

#include <new>
#include <string_view>

#include "base/text_utils.h"
#include "maps/mol_cursor.h"

int TFontTable::Load(const uint8_t* data, size_t length) {
  Clear();
  try {
    TMolCursor in(data, length);
    while (!in.AtEnd()) {
      TFontEntry f;
      std::string face;
      if (!in.U8(&f.number) || !in.U8(&f.flags) || !in.Text(f.flags & 0x3F, &face)) return 1;
      f.face = AnsiToWideString(face);
      fonts_.push_back(std::move(f));
    }
    return 0;
  } catch (const std::bad_alloc&) {
    return 3;
  }
}

const TFontEntry* TFontTable::FindFont(uint8_t number) const {
  for (const TFontEntry& f : fonts_)
    if (f.number == number) return &f;
  return fonts_.empty() ? nullptr : &fonts_.front();
}
