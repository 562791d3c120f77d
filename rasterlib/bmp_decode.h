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

// The whole file in `file`. False for anything not read exactly: a short or inconsistent header,
// an unsupported depth or compression (RLE included), a colour table or pixel rows past the end.
bool DecodeBmp(const std::string& file, DecodedBmp* out);

}  // namespace tilvex
