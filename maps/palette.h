// The colour table that styles, symbols and fonts index with one byte. The ".rgb" file and a
// library's palette section are the same thing: 4-byte little-endian colours (0x00BBGGRR), no
// header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win_types.h"

class TPalette {
 public:
  // The index is one byte, so 256 colours is all a palette can use; longer data keeps its first
  // 256 and trailing bytes short of a whole colour are ignored.
  static constexpr size_t kMaxColors = 256;

  // 0 ok, 1 the file holds no colour (shorter than 4 bytes; the palette is left as it was), 2
  // the file cannot be opened, 3 no memory for the read buffer. `path` is a device path in the
  // path page.
  int Load(const char* path);
  // Takes length / 4 colours (at most 256) from the bytes. Returns 0.
  int SetColors(const uint8_t* bytes, size_t length);
  // The colour of the low 8 bits of `index`, or -1 when that is not below the count.
  int32_t GetColor(int index) const;
  void Clear();

  uint16_t Count() const { return count; }

 private:
  std::vector<COLORREF> colors;
  uint16_t count = 0;
};
