// Windows bitmap files: uncompressed 1, 4, 8, 16, 24 and 32 bits, with or without bit fields.
// The file is random access, so rows are read where they lie; every size the header claims is
// checked against the file before anything is read.
#include <cstring>

#include "imagelib/decoder.h"

namespace pelnor {
namespace {

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

struct BmpLayout {
  int32_t width = 0, height = 0;
  bool bottomUp = true;
  int bpp = 0;
  uint64_t bitsOffset = 0;
  uint64_t stride = 0;
  uint32_t masks[3] = {};
  uint32_t palette[256] = {};
  unsigned paletteSize = 0;
};

// A channel of `mask` scaled to 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (!mask) return 0;
  int shift = __builtin_ctz(mask);
  uint32_t v = (value & mask) >> shift;
  uint32_t max = mask >> shift;
  return max == 255 ? v : (v * 255 + max / 2) / max;
}

int ReadLayout(File& file, BmpLayout* l) {
  uint8_t head[14 + 124] = {};
  int64_t got = file.Read(head, 14 + 40);
  if (got < 14 + 40 || head[0] != 'B' || head[1] != 'M') return kBadPicture;
  uint32_t infoSize = U32(head + 14);
  if (infoSize < 40 || infoSize > 124) return kBadPicture;
  if (infoSize > 40 && file.Read(head + 54, infoSize - 40) != int64_t(infoSize - 40)) return kBadPicture;
  int32_t w = int32_t(U32(head + 18)), h = int32_t(U32(head + 22));
  uint16_t planes = U16(head + 26);
  l->bpp = U16(head + 28);
  uint32_t compression = U32(head + 30);
  uint32_t used = U32(head + 46);
  if (w <= 0 || h == 0 || h == INT32_MIN || planes != 1) return kBadPicture;
  l->width = w;
  l->bottomUp = h > 0;
  l->height = h > 0 ? h : -h;
  l->bitsOffset = U32(head + 10);
  switch (l->bpp) {
    case 1: case 4: case 8: case 24: break;
    case 16: case 32: break;
    default: return kBadPicture;
  }
  if (compression == 3 && (l->bpp == 16 || l->bpp == 32)) {
    // The masks follow a 40-byte header, or are part of a longer one.
    uint8_t m[12];
    if (infoSize >= 52) {
      std::memcpy(m, head + 54, 12);
    } else {
      if (!file.Seek(54) || file.Read(m, 12) != 12) return kBadPicture;
    }
    for (int i = 0; i < 3; ++i) l->masks[i] = U32(m + 4 * i);
  } else if (compression == 0) {
    if (l->bpp == 16) {
      l->masks[0] = 0x7C00; l->masks[1] = 0x03E0; l->masks[2] = 0x001F;
    } else {
      l->masks[0] = 0xFF0000; l->masks[1] = 0xFF00; l->masks[2] = 0xFF;
    }
  } else {
    return kBadPicture;  // run-length and embedded pictures are not read
  }
  if (l->bpp <= 8) {
    unsigned max = 1u << l->bpp;
    l->paletteSize = used ? used : max;
    if (l->paletteSize > max) return kBadPicture;
    uint8_t raw[256 * 4];
    if (!file.Seek(14 + uint64_t(infoSize)) ||
        file.Read(raw, size_t(l->paletteSize) * 4) != int64_t(l->paletteSize) * 4)
      return kBadPicture;
    for (unsigned i = 0; i < l->paletteSize; ++i)
      l->palette[i] = uint32_t(raw[4 * i + 2]) << 16 | uint32_t(raw[4 * i + 1]) << 8 | raw[4 * i];
  }
  l->stride = ((uint64_t(w) * uint64_t(l->bpp) + 31) / 32) * 4;
  // The bits must lie inside the file: a header that claims more is lying.
  if (l->bitsOffset < 14 + uint64_t(infoSize) || l->bitsOffset > file.Size() ||
      l->stride * uint64_t(l->height) > file.Size() - l->bitsOffset)
    return kBadPicture;
  return kOk;
}

class BmpDecoder : public Decoder {
 public:
  int Open(const char* path) {
    if (!file_.Open(path)) return kCannotOpen;
    return ReadLayout(file_, &l_);
  }

  int Begin(int32_t x0, int32_t width) override {
    if (x0 < 0 || width <= 0 || int64_t(x0) + width > l_.width) return kBadPicture;
    x0_ = x0;
    width_ = width;
    // The bytes of a row from the first asked pixel's byte to the last's.
    first_ = uint64_t(x0) * uint64_t(l_.bpp) / 8;
    uint64_t last = (uint64_t(x0 + width) * uint64_t(l_.bpp) + 7) / 8;
    try {
      row_.resize(size_t(last - first_));
    } catch (const std::bad_alloc&) {
      return kNoMemory;
    }
    return kOk;
  }

  int Read(int32_t y, int32_t rows, uint32_t* dst, ptrdiff_t stride) override {
    if (y < 0 || rows <= 0 || int64_t(y) + rows > l_.height) return kBadPicture;
    for (int32_t r = 0; r < rows; ++r) {
      int64_t fileRow = l_.bottomUp ? int64_t(l_.height) - 1 - (y + r) : y + r;
      if (!file_.Seek(l_.bitsOffset + uint64_t(fileRow) * l_.stride + first_) ||
          file_.Read(row_.data(), row_.size()) != int64_t(row_.size()))
        return kBadPicture;
      Convert(dst + ptrdiff_t(r) * stride);
    }
    return kOk;
  }

 private:
  void Convert(uint32_t* out) const {
    const uint8_t* in = row_.data();
    for (int32_t i = 0; i < width_; ++i) {
      int64_t x = int64_t(x0_) + i;
      uint32_t p = 0;
      switch (l_.bpp) {
        case 1: case 4: case 8: {
          uint64_t bit = uint64_t(x) * uint64_t(l_.bpp) - first_ * 8;
          unsigned shift = unsigned(8 - l_.bpp - bit % 8);
          unsigned index = (in[bit / 8] >> shift) & ((1u << l_.bpp) - 1);
          // An index past the palette draws black rather than reading past it.
          p = index < l_.paletteSize ? l_.palette[index] : 0;
          break;
        }
        case 16: {
          uint32_t v = U16(in + 2 * i);
          p = Channel(v, l_.masks[0]) << 16 | Channel(v, l_.masks[1]) << 8 | Channel(v, l_.masks[2]);
          break;
        }
        case 24:
          p = uint32_t(in[3 * i + 2]) << 16 | uint32_t(in[3 * i + 1]) << 8 | in[3 * i];
          break;
        case 32: {
          uint32_t v = U32(in + 4 * i);
          p = Channel(v, l_.masks[0]) << 16 | Channel(v, l_.masks[1]) << 8 | Channel(v, l_.masks[2]);
          break;
        }
      }
      out[i] = p;
    }
  }

  File file_;
  BmpLayout l_;
  int32_t x0_ = 0, width_ = 0;
  uint64_t first_ = 0;
  std::vector<uint8_t> row_;
};

}  // namespace

int ReadBmpHead(const char* path, Head* head) {
  File file;
  if (!file.Open(path)) return kCannotOpen;
  BmpLayout l;
  int rc = ReadLayout(file, &l);
  if (rc != kOk) return rc;
  head->format = kFormatBmp;
  head->levels.assign(1, Level{l.width, l.height, 1, 0, 0});
  return kOk;
}

std::unique_ptr<Decoder> OpenBmp(const char* path, int* rc) {
  auto d = std::make_unique<BmpDecoder>();
  *rc = d->Open(path);
  if (*rc != kOk) return nullptr;
  return d;
}

}  // namespace pelnor
