// Pieces shared by the image module's tests: a device root, a record that frees its chain, the
// pictures' pixels read back, and libjpeg's own decode as the JPEG oracle.
#pragma once

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imagelib/pelnor.h"
#include "platform/harness.h"
#include "tools/sampledata/image_writer.h"

namespace pelnortest {

inline std::string Host(const std::string& device) {
  return harness::HostPath(std::wstring(device.begin(), device.end()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& device) {
  std::ifstream in(Host(device), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& device, const std::vector<uint8_t>& bytes) {
  std::ofstream out(Host(device), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A record as the program makes it: zeroed, with its 52-byte header; frees what it reaches.
struct Record {
  PelnorImage image{};
  Record() { image.header = std::calloc(1, PELNOR_HEADER_BYTES); }
  ~Record() {
    PelnorImage* r = &image;
    while (r) {
      PelnorImage* next = r->next;
      for (int32_t i = 0; r->tiles && i < r->tileCount; ++i) std::free(r->tiles[i].pixels);
      std::free(r->tiles);
      std::free(r->pixels);
      std::free(r->header);
      if (r != &image) std::free(r);
      r = next;
    }
  }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  // Level n of the chain (0 is this record), or null.
  PelnorImage* Level(int n) {
    PelnorImage* r = &image;
    while (r && n-- > 0) r = r->next;
    return r;
  }
};

// Pixel (x, y) of a whole record (bottom-up).
inline uint32_t WholePixel(const PelnorImage& im, int x, int y) {
  return static_cast<const uint32_t*>(im.pixels)[size_t(im.height - 1 - y) * size_t(im.width) + size_t(x)];
}

// Pixel (x, y) of a level through its tiles; 0xFFFFFFFF when the tile holds no pixels.
inline uint32_t TilePixel(const PelnorImage& im, int x, int y) {
  int cols = (im.width + im.tileWidth - 1) / im.tileWidth;
  const PelnorTile& t = im.tiles[(y / im.tileHeight) * cols + x / im.tileWidth];
  if (!t.pixels) return 0xFFFFFFFFu;
  int tx = x - t.x, ty = y - t.y;
  return static_cast<const uint32_t*>(t.pixels)[size_t(im.tileHeight - 1 - ty) * size_t(im.tileWidth) + size_t(tx)];
}

// libjpeg's own decode of a file at 1/scale: 0x00RRGGBB rows top-down.
inline std::vector<uint32_t> OracleJpeg(const std::string& host, int scale, int* w, int* h) {
  std::vector<uint32_t> out;
  FILE* f = std::fopen(host.c_str(), "rb");
  if (!f) return out;
  jpeg_decompress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.scale_num = 1;
  c.scale_denom = unsigned(scale);
  c.out_color_space = JCS_RGB;
  c.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&c);
  *w = int(c.output_width);
  *h = int(c.output_height);
  out.resize(size_t(*w) * size_t(*h));
  std::vector<uint8_t> row(size_t(*w) * 3);
  while (c.output_scanline < c.output_height) {
    size_t y = c.output_scanline;
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&c, &r, 1);
    for (int x = 0; x < *w; ++x)
      out[y * size_t(*w) + size_t(x)] = uint32_t(row[3 * x]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2];
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  std::fclose(f);
  return out;
}

class PelnorTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }
};

}  // namespace pelnortest
