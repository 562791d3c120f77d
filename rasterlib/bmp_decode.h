// Decoding a Windows bitmap file into 32-bit pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tilvex {

inline constexpr int64_t kMaxBmpPixels = 25'000'000;
inline constexpr int kMaxBmpWidth = 65536;  // the widest source the layer's StretchDIBits takes

struct DecodedBmp {
  int width = 0, height = 0;
  // 0x00RRGGBB, bottom row first (a bottom-up DIB), width x height.
  std::vector<uint32_t> pixels;
};

// Why a file was not decoded.
enum class BmpFault {
  kNone,
  kNotBmp,    // not a bitmap this reader takes
  kTooLarge,  // a bitmap header of more than kMaxBmpWidth columns or kMaxBmpPixels pixels
};

// The whole file in `file`. False for anything not read exactly: a short or inconsistent header,
// an unsupported depth or compression (RLE included), a colour table or pixel rows past the end,
// a picture past the size limits. `fault`, when given, says which.
bool DecodeBmp(const std::string& file, DecodedBmp* out, BmpFault* fault = nullptr);

}  // namespace tilvex
