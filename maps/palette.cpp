#include "maps/palette.h"

#include <cstdio>
#include <memory>
#include <new>

#include "platform/win.h"

int TPalette::Load(const char* path) {
  FILE* f = path ? vfopen(path, "rb") : nullptr;
  if (!f) return 2;
  std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);
  // Read in pieces rather than trusting a seek: the file is small and this also works on a
  // stream that cannot report its size.
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  try {
    for (;;) {
      size_t n = std::fread(chunk, 1, sizeof chunk, f);
      bytes.insert(bytes.end(), chunk, chunk + n);
      if (n < sizeof chunk) break;
      if (bytes.size() >= kMaxColors * 4) break;  // nothing past the 256th colour is used
    }
  } catch (const std::bad_alloc&) {
    return 3;
  }
  // An empty file, or one cut short of its first colour, holds no colour at all: every map
  // would draw white with nothing said. It is refused and the colours held are kept.
  if (bytes.size() < 4) return 1;
  return SetColors(bytes.data(), bytes.size());
}

int TPalette::SetColors(const uint8_t* bytes, size_t length) {
  size_t n = bytes ? length / 4 : 0;
  if (n > kMaxColors) n = kMaxColors;
  colors.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = bytes + 4 * i;
    colors[i] = COLORREF(p[0]) | (COLORREF(p[1]) << 8) | (COLORREF(p[2]) << 16) |
                (COLORREF(p[3]) << 24);
  }
  count = uint16_t(n);
  return 0;
}

int32_t TPalette::GetColor(int index) const {
  const unsigned i = unsigned(index) & 0xFF;
  if (i >= count) return -1;
  return int32_t(colors[i]);
}

void TPalette::Clear() {
  colors.clear();
  colors.shrink_to_fit();
  count = 0;
}
