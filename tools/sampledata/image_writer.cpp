#include "tools/sampledata/image_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <tiffio.h>

namespace sample {
namespace {

uint8_t Grey(uint32_t c) { return uint8_t(((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3); }

// The colour of level pixel (x, y): a level keeps every 2^level-th pixel of the full picture.
uint32_t LevelColour(int level, int64_t x, int64_t y) { return PatternColour(x << level, y << level); }

// Compresses the picture of `plan` with the pixels of `colour(x, y)` (0x00RRGGBB) into the
// destination already set on `c`.
template <class Colour>
void CompressRows(jpeg_compress_struct& c, const JpegSpec& plan, Colour colour) {
  c.image_width = JDIMENSION(plan.width);
  c.image_height = JDIMENSION(plan.height);
  c.input_components = plan.grey ? 1 : plan.cmyk ? 4 : 3;
  c.in_color_space = plan.grey ? JCS_GRAYSCALE : plan.cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, plan.quality, TRUE);
  if (plan.progressive) jpeg_simple_progression(&c);
  if (plan.cmyk) c.write_Adobe_marker = TRUE;
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(plan.width) * 4);
  while (c.next_scanline < c.image_height) {
    int64_t y = c.next_scanline;
    for (int64_t x = 0; x < plan.width; ++x) {
      uint32_t p = colour(x, y);
      uint8_t r = p >> 16, g = p >> 8, b = uint8_t(p);
      if (plan.grey) {
        row[size_t(x)] = Grey(p);
      } else if (plan.cmyk) {
        // Inverted inks with no black: c = r, m = g, y = b as Adobe stores them.
        uint8_t* q = &row[size_t(x) * 4];
        q[0] = r, q[1] = g, q[2] = b, q[3] = 255;
      } else {
        uint8_t* q = &row[size_t(x) * 3];
        q[0] = r, q[1] = g, q[2] = b;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
}

}  // namespace

bool WriteJpeg(const std::string& hostPath, const JpegSpec& plan) {
  FILE* f = std::fopen(hostPath.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  CompressRows(c, plan, [](int64_t x, int64_t y) { return PatternColour(x, y); });
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

std::vector<uint8_t> JpegBytes(const JpegSpec& plan, const std::vector<uint32_t>& pixels) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  CompressRows(c, plan, [&](int64_t x, int64_t y) { return pixels[size_t(y * plan.width + x)]; });
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

uint32_t TiffExpected(const TiffSpec& plan, int level, int64_t x, int64_t y) {
  uint32_t p = LevelColour(level, x, y);
  switch (plan.samples) {
    case TiffSamples::kGrey: {
      uint32_t g = Grey(p);
      return g << 16 | g << 8 | g;
    }
    case TiffSamples::kPalette: {
      // Index = red byte; palette entry i is (i, 255 - i, i / 2).
      uint32_t i = p >> 16 & 0xFF;
      return i << 16 | (255 - i) << 8 | i / 2;
    }
    case TiffSamples::kBilevel:
      return ((x + y) & 1) ? 0xFFFFFF : 0;
    default:
      return p;
  }
}

bool WriteTiff(const std::string& hostPath, const TiffSpec& plan) {
  TIFF* tif = TIFFOpen(hostPath.c_str(), plan.bigTiff ? "w8" : "w");
  if (!tif) return false;
  bool ok = true;
  for (int level = 0; ok; ++level) {
    const int64_t w = (int64_t(plan.width) + (int64_t(1) << level) - 1) >> level;
    const int64_t h = (int64_t(plan.height) + (int64_t(1) << level) - 1) >> level;
    if (level > 0 && (plan.reducedDownTo == 0 || w < plan.reducedDownTo)) break;
    const bool rgb = plan.samples == TiffSamples::kRgb || plan.samples == TiffSamples::kRgb16;
    const int spp = rgb ? 3 : 1;
    const int bps = plan.samples == TiffSamples::kRgb16 ? 16 : plan.samples == TiffSamples::kBilevel ? 1 : 8;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
    if (level > 0) TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, plan.planarSeparate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    uint16_t photometric = rgb ? PHOTOMETRIC_RGB
                           : plan.samples == TiffSamples::kPalette ? PHOTOMETRIC_PALETTE
                                                                   : PHOTOMETRIC_MINISBLACK;
    if (plan.compression == TiffCompression::kJpeg) {
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
      TIFFSetField(tif, TIFFTAG_JPEGQUALITY, plan.jpegQuality);
      if (rgb) {
        photometric = PHOTOMETRIC_YCBCR;
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
      }
    } else {
      TIFFSetField(tif, TIFFTAG_COMPRESSION,
                   plan.compression == TiffCompression::kDeflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
    }
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (plan.samples == TiffSamples::kPalette) {
      std::vector<uint16_t> r(256), g(256), b(256);
      for (int i = 0; i < 256; ++i) {
        r[size_t(i)] = uint16_t(i * 257);
        g[size_t(i)] = uint16_t((255 - i) * 257);
        b[size_t(i)] = uint16_t((i / 2) * 257);
      }
      TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    // One sample plane of pixel (x, y).
    auto sample = [&](int64_t x, int64_t y, int plane) -> uint32_t {
      uint32_t p = LevelColour(level, x, y);
      switch (plan.samples) {
        case TiffSamples::kGrey: return Grey(p);
        case TiffSamples::kPalette: return p >> 16 & 0xFF;
        case TiffSamples::kBilevel: return ((x + y) & 1) ? 1 : 0;
        default: return p >> (16 - 8 * plane) & 0xFF;
      }
    };
    // Writes pixel (x, y) of `plane` (all planes when contiguous) at byte/bit position i of buf.
    auto put = [&](std::vector<uint8_t>& buf, int64_t bitIndex, uint32_t v) {
      if (bps == 1) {
        if (v) buf[size_t(bitIndex / 8)] |= uint8_t(0x80 >> (bitIndex % 8));
      } else if (bps == 8) {
        buf[size_t(bitIndex / 8)] = uint8_t(v);
      } else {
        uint16_t v16 = uint16_t(v * 257);
        std::memcpy(&buf[size_t(bitIndex / 8)], &v16, 2);
      }
    };
    const int planes = plan.planarSeparate ? spp : 1;
    const int perPixel = plan.planarSeparate ? 1 : spp;
    if (plan.tileWidth) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(plan.tileWidth));
      TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(plan.tileHeight));
      const int64_t rowBits = ((int64_t(plan.tileWidth) * perPixel * bps + 7) / 8) * 8;
      std::vector<uint8_t> buf(size_t(rowBits / 8 * plan.tileHeight));
      for (int plane = 0; plane < planes && ok; ++plane)
        for (int64_t ty = 0; ty < h && ok; ty += plan.tileHeight)
          for (int64_t tx = 0; tx < w && ok; tx += plan.tileWidth) {
            std::fill(buf.begin(), buf.end(), 0);
            for (int64_t y = ty; y < std::min<int64_t>(h, ty + plan.tileHeight); ++y)
              for (int64_t x = tx; x < std::min<int64_t>(w, tx + plan.tileWidth); ++x)
                for (int s = 0; s < perPixel; ++s)
                  put(buf, (y - ty) * rowBits + ((x - tx) * perPixel + s) * bps,
                      sample(x, y, plan.planarSeparate ? plane : s));
            ok = TIFFWriteTile(tif, buf.data(), uint32_t(tx), uint32_t(ty), 0, uint16_t(plane)) >= 0;
          }
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(plan.rowsPerStrip));
      const int64_t rowBits = ((w * perPixel * bps + 7) / 8) * 8;
      std::vector<uint8_t> buf(size_t(rowBits / 8));
      for (int plane = 0; plane < planes && ok; ++plane)
        for (int64_t y = 0; y < h && ok; ++y) {
          std::fill(buf.begin(), buf.end(), 0);
          for (int64_t x = 0; x < w; ++x)
            for (int s = 0; s < perPixel; ++s)
              put(buf, (x * perPixel + s) * bps, sample(x, y, plan.planarSeparate ? plane : s));
          ok = TIFFWriteScanline(tif, buf.data(), uint32_t(y), uint16_t(plane)) >= 0;
        }
    }
    ok = ok && TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return ok;
}

std::vector<uint8_t> BmpBytes(const BmpSpec& plan) {
  const int bpp = plan.bitsPerPixel;
  const uint32_t stride = uint32_t(((int64_t(plan.width) * bpp + 31) / 32) * 4);
  const uint32_t paletteBytes = bpp == 8 ? 256 * 4 : 0;
  const uint32_t offset = 14 + 40 + paletteBytes;
  const uint32_t size = offset + stride * uint32_t(plan.height);
  std::vector<uint8_t> out(size, 0);
  auto u32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
  auto u16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
  out[0] = 'B', out[1] = 'M';
  u32(2, size);
  u32(10, offset);
  u32(14, 40);
  u32(18, uint32_t(plan.width));
  u32(22, uint32_t(plan.topDown ? -plan.height : plan.height));
  u16(26, 1);
  u16(28, uint16_t(bpp));
  u32(34, stride * uint32_t(plan.height));
  for (int i = 0; bpp == 8 && i < 256; ++i) u32(54 + 4 * size_t(i), uint32_t(i) * 0x010101u);
  for (int64_t y = 0; y < plan.height; ++y) {
    int64_t fileRow = plan.topDown ? y : plan.height - 1 - y;
    uint8_t* row = &out[offset + size_t(fileRow) * stride];
    for (int64_t x = 0; x < plan.width; ++x) {
      uint32_t p = PatternColour(x, y);
      if (bpp == 8) row[x] = Grey(p);
      else if (bpp == 24) row[3 * x] = uint8_t(p), row[3 * x + 1] = uint8_t(p >> 8), row[3 * x + 2] = uint8_t(p >> 16);
      else std::memcpy(row + 4 * x, &p, 4);
    }
  }
  return out;
}

uint32_t BmpExpected(const BmpSpec& plan, int64_t x, int64_t y) {
  uint32_t p = PatternColour(x, y);
  if (plan.bitsPerPixel != 8) return p;
  uint32_t g = Grey(p);
  return g << 16 | g << 8 | g;
}

}  // namespace sample
