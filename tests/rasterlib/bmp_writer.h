// A small writer of Windows bitmap files for the tests: any supported depth, bottom-up or
// top-down, with a palette for 1, 4 and 8 bits. Pixels are 0xRRGGBB, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bmpw {

struct Picture {
  int w = 0, h = 0;
  std::vector<uint32_t> px;  // top row first
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

inline void Put16(std::string& s, uint32_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// `palette` for bpp <= 8 (pixels must be palette colours); 16 bits writes 5-5-5.
// `gap` puts that many spare bytes between the colour table and the bits (bfOffBits says so).
inline std::string Write(const Picture& p, int bpp, bool topDown,
                         const std::vector<uint32_t>& palette = {}, bool bitfields = false, int gap = 0) {
  size_t stride = ((size_t(p.w) * bpp + 31) / 32) * 4;
  size_t table = bpp <= 8 ? palette.size() * 4 : (bitfields ? 12 : 0);
  size_t off = 14 + 40 + table + size_t(gap);
  std::string s = "BM";
  Put32(s, uint32_t(off + stride * p.h));
  Put32(s, 0);
  Put32(s, uint32_t(off));
  Put32(s, 40);
  Put32(s, uint32_t(p.w));
  Put32(s, uint32_t(topDown ? -p.h : p.h));
  Put16(s, 1);
  Put16(s, uint32_t(bpp));
  Put32(s, bitfields ? 3 : 0);
  Put32(s, uint32_t(stride * p.h));
  Put32(s, 2835);
  Put32(s, 2835);
  Put32(s, bpp <= 8 ? uint32_t(palette.size()) : 0);
  Put32(s, 0);
  if (bpp <= 8)
    for (uint32_t c : palette) Put32(s, c);
  if (bitfields) {
    if (bpp == 16) {
      Put32(s, 0xF800), Put32(s, 0x07E0), Put32(s, 0x001F);  // 5-6-5
    } else {
      Put32(s, 0x00FF0000), Put32(s, 0x0000FF00), Put32(s, 0x000000FF);
    }
  }
  s.append(size_t(gap), '\x55');
  for (int r = 0; r < p.h; ++r) {
    int y = topDown ? r : p.h - 1 - r;
    std::string row(stride, '\0');
    for (int x = 0; x < p.w; ++x) {
      uint32_t c = p.At(x, y);
      uint32_t R = c >> 16 & 0xFF, G = c >> 8 & 0xFF, B = c & 0xFF;
      if (bpp <= 8) {
        uint32_t idx = 0;
        while (idx < palette.size() && palette[idx] != c) ++idx;
        if (bpp == 8) row[size_t(x)] = char(idx);
        if (bpp == 4) row[size_t(x / 2)] = char(row[size_t(x / 2)] | (x % 2 ? idx : idx << 4));
        if (bpp == 1) row[size_t(x / 8)] = char(row[size_t(x / 8)] | (idx << (7 - x % 8)));
      } else if (bpp == 16) {
        uint32_t v = bitfields ? (R >> 3) << 11 | (G >> 2) << 5 | (B >> 3) : (R >> 3) << 10 | (G >> 3) << 5 | (B >> 3);
        row[size_t(2 * x)] = char(v & 0xFF);
        row[size_t(2 * x + 1)] = char(v >> 8);
      } else {
        size_t at = size_t(x) * size_t(bpp / 8);
        row[at] = char(B), row[at + 1] = char(G), row[at + 2] = char(R);
      }
    }
    s += row;
  }
  return s;
}

}  // namespace bmpw
