#include "rasterlib/bmp_decode.h"

#include <cstring>

namespace tilvex {
namespace {

uint32_t Le32(const std::string& f, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(f.data() + at);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const std::string& f, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(f.data() + at);
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A channel of a BI_BITFIELDS mask scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!(m & 1)) {
      m >>= 1;
      ++shift;
    }
    while (m & 1) {
      m >>= 1;
      ++bits;
    }
  }
  uint32_t Get(uint32_t v) const {
    if (!bits) return 0;
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return c >> (bits - 8);
    uint32_t maxv = (1u << bits) - 1;
    return (c * 255 + maxv / 2) / maxv;
  }
};

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;

}  // namespace

bool DecodeBmp(const std::string& f, DecodedBmp* out, BmpFault* fault) {
  BmpFault unused;
  BmpFault& why = fault ? *fault : unused;
  why = BmpFault::kNotBmp;
  *out = DecodedBmp{};
  if (f.size() < 14 + 40 || f[0] != 'B' || f[1] != 'M') return false;
  uint32_t offBits = Le32(f, 10);
  uint32_t headerSize = Le32(f, 14);
  if (headerSize < 40 || headerSize > 124 || 14 + size_t(headerSize) > f.size()) return false;
  int32_t width = static_cast<int32_t>(Le32(f, 18));
  int32_t rawHeight = static_cast<int32_t>(Le32(f, 22));
  uint16_t planes = Le16(f, 26);
  uint16_t bpp = Le16(f, 28);
  uint32_t compression = Le32(f, 30);
  uint32_t clrUsed = Le32(f, 46);
  if (planes != 1 || width < 1 || rawHeight == 0 || rawHeight == INT32_MIN) return false;
  bool bottomUp = rawHeight > 0;
  int64_t height = bottomUp ? rawHeight : -int64_t(rawHeight);
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (compression != kBiRgb && !(compression == kBiBitfields && (bpp == 16 || bpp == 32))) return false;
  // A bitmap in every other respect, only too big: the user is told so, not "not a bitmap".
  if (width > kMaxBmpWidth || int64_t(width) * height > kMaxBmpPixels) {
    why = BmpFault::kTooLarge;
    return false;
  }

  size_t tableAt = 14 + size_t(headerSize);
  uint32_t masks[3] = {0, 0, 0};
  if (compression == kBiBitfields) {
    // The masks follow a 40-byte header; longer headers carry them inside.
    if (headerSize == 40) {
      if (tableAt + 12 > f.size()) return false;
      for (int i = 0; i < 3; ++i) masks[i] = Le32(f, tableAt + 4 * size_t(i));
      tableAt += 12;
    } else {
      if (headerSize < 52) return false;
      for (int i = 0; i < 3; ++i) masks[i] = Le32(f, 14 + 40 + 4 * size_t(i));
    }
  } else if (bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bpp == 32 || bpp == 24) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }

  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    uint32_t full = 1u << bpp;
    if (clrUsed > full) return false;
    uint32_t n = clrUsed ? clrUsed : full;
    if (tableAt + size_t(n) * 4 > f.size()) return false;
    palette.resize(full, 0);
    for (uint32_t i = 0; i < n; ++i) palette[i] = Le32(f, tableAt + 4 * size_t(i)) & 0xFFFFFF;
    tableAt += size_t(n) * 4;
  }
  size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
  if (offBits < 14 + headerSize || offBits > f.size()) return false;
  if (stride * size_t(height) > f.size() - offBits) return false;

  Channel r(masks[0]), g(masks[1]), b(masks[2]);
  out->width = width;
  out->height = static_cast<int>(height);
  out->pixels.resize(size_t(width) * size_t(height));
  const auto* bits = reinterpret_cast<const unsigned char*>(f.data() + offBits);
  for (int64_t row = 0; row < height; ++row) {
    // Output row 0 is the bottom row.
    const unsigned char* src = bits + stride * size_t(bottomUp ? row : height - 1 - row);
    uint32_t* dst = out->pixels.data() + size_t(row) * size_t(width);
    for (int x = 0; x < width; ++x) {
      uint32_t v;
      switch (bpp) {
        case 1: v = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: v = palette[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 15]; break;
        case 8: v = palette[src[x]]; break;
        case 24: v = uint32_t(src[3 * x]) | uint32_t(src[3 * x + 1]) << 8 | uint32_t(src[3 * x + 2]) << 16; break;
        default: {
          uint32_t raw = bpp == 16 ? uint32_t(src[2 * x] | src[2 * x + 1] << 8)
                                   : uint32_t(src[4 * x]) | uint32_t(src[4 * x + 1]) << 8 |
                                         uint32_t(src[4 * x + 2]) << 16 | uint32_t(src[4 * x + 3]) << 24;
          v = r.Get(raw) << 16 | g.Get(raw) << 8 | b.Get(raw);
        }
      }
      dst[x] = v;
    }
  }
  why = BmpFault::kNone;
  return true;
}

}  // namespace tilvex
