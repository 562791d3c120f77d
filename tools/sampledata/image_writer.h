// Writers of raster pictures (JPEG, TIFF, BMP) whose colour encodes the pixel's position, so a
// reader's output can be checked pixel by pixel without a second decoder. JPEG and TIFF go
// through libjpeg and libtiff themselves; the BMP writer lays the bytes out field by field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

// 0x00RRGGBB of pixel (x, y): red the low byte of x, green the low byte of y, blue the next four
// bits of each (x in the high nibble).
inline uint32_t PatternColour(int64_t x, int64_t y) {
  uint32_t r = uint32_t(x & 0xFF), g = uint32_t(y & 0xFF);
  uint32_t b = uint32_t(((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF));
  return r << 16 | g << 8 | b;
}

struct JpegSpec {
  int width = 64, height = 64;
  int quality = 90;
  bool progressive = false;
  bool grey = false;
  bool cmyk = false;  // Adobe-style inverted inks
};
// False when the file cannot be written.
bool WriteJpeg(const std::string& hostPath, const JpegSpec& plan);
// The JPEG file of `pixels` (0x00RRGGBB, top row first, plan.width x plan.height) in memory.
std::vector<uint8_t> JpegBytes(const JpegSpec& plan, const std::vector<uint32_t>& pixels);

enum class TiffSamples { kRgb, kGrey, kPalette, kRgb16, kBilevel };
enum class TiffCompression { kNone, kDeflate, kJpeg };

struct TiffSpec {
  int width = 64, height = 64;
  int tileWidth = 0, tileHeight = 0;  // 0: strips
  int rowsPerStrip = 16;
  TiffSamples samples = TiffSamples::kRgb;
  TiffCompression compression = TiffCompression::kNone;
  int jpegQuality = 75;
  bool planarSeparate = false;
  // Reduced-resolution images, each half the previous, while the width stays >= this (0: none).
  int reducedDownTo = 0;
  bool bigTiff = false;  // 64-bit offsets (needed past 4 GB)
};
bool WriteTiff(const std::string& hostPath, const TiffSpec& plan);
// The exact pixel a reader should give for (x, y) of level `level` (0 full, each next halved by
// taking every second pixel) of a TIFF written from `plan`.
uint32_t TiffExpected(const TiffSpec& plan, int level, int64_t x, int64_t y);

struct BmpSpec {
  int width = 64, height = 64;
  int bitsPerPixel = 24;  // 8 (grey palette), 24 or 32
  bool topDown = false;
};
std::vector<uint8_t> BmpBytes(const BmpSpec& plan);
uint32_t BmpExpected(const BmpSpec& plan, int64_t x, int64_t y);

}  // namespace sample
