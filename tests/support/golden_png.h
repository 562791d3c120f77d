// Golden screen pictures: a 240 x 320 screen written as a PNG of stored (uncompressed) deflate
// blocks, 8-bit RGB, filter 0 on every row, so a test can read it back without an image
// library; and the tolerance check (pixels differing by more than 32 in a channel).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win.h"

namespace golden_png {

inline constexpr int kW = 240, kH = 320;

inline uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0xFFFFFFFFu) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

inline void PutBE(std::vector<uint8_t>& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}
inline uint32_t GetBE(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBE(out, uint32_t(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBE(out, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// Pixels are 0x00BBGGRR, row by row.
inline std::vector<uint8_t> EncodePng(const std::vector<COLORREF>& px) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < kH; ++y) {
    raw.push_back(0);
    for (int x = 0; x < kW; ++x) {
      const COLORREF c = px[size_t(y * kW + x)];
      raw.push_back(GetRValue(c));
      raw.push_back(GetGValue(c));
      raw.push_back(GetBValue(c));
    }
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size();) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(uint8_t(n));
    z.push_back(uint8_t(n >> 8));
    z.push_back(uint8_t(~n));
    z.push_back(uint8_t(~n >> 8));
    z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, b << 16 | a);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBE(ihdr, kW);
  PutBE(ihdr, kH);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return png;
}

// Reads back what EncodePng writes; false for anything else.
inline bool DecodePng(const std::vector<uint8_t>& png, std::vector<COLORREF>& px) {
  if (png.size() < 8) return false;
  std::vector<uint8_t> z;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t n = GetBE(&png[at]);
    if (at + 12 + n > png.size()) return false;
    const std::string type(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
    if (type == "IHDR" && (GetBE(&png[at + 8]) != kW || GetBE(&png[at + 12]) != kH)) return false;
    if (type == "IDAT") z.insert(z.end(), png.begin() + long(at) + 8, png.begin() + long(at + 8 + n));
    at += 12 + n;
  }
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last;) {
    if (at + 5 > z.size() || (z[at] & 6) != 0) return false;  // stored blocks only
    last = z[at] & 1;
    const size_t n = z[at + 1] | z[at + 2] << 8;
    at += 5;
    if (at + n > z.size()) return false;
    raw.insert(raw.end(), z.begin() + long(at), z.begin() + long(at + n));
    at += n;
  }
  if (raw.size() != size_t(kH) * (kW * 3 + 1)) return false;
  px.assign(size_t(kW) * kH, 0);
  for (int y = 0; y < kH; ++y) {
    const uint8_t* row = &raw[size_t(y) * (kW * 3 + 1)];
    if (row[0] != 0) return false;
    for (int x = 0; x < kW; ++x)
      px[size_t(y * kW + x)] = RGB(row[1 + 3 * x], row[2 + 3 * x], row[3 + 3 * x]);
  }
  return true;
}

// Pixels of `got` that differ from `want` by more than 32 in any channel.
inline int CountDiffering(const std::vector<COLORREF>& got, const std::vector<COLORREF>& want) {
  int n = 0;
  for (size_t i = 0; i < got.size() && i < want.size(); ++i) {
    const COLORREF a = got[i], b = want[i];
    if (std::abs(int(GetRValue(a)) - GetRValue(b)) > 32 ||
        std::abs(int(GetGValue(a)) - GetGValue(b)) > 32 ||
        std::abs(int(GetBValue(a)) - GetBValue(b)) > 32)
      ++n;
  }
  return n;
}

}  // namespace golden_png
