#include <gtest/gtest.h>

#include <cmath>

#include "rasterlib/bmp_decode.h"
#include "tests/rasterlib/bmp_writer.h"

using tilvex::DecodeBmp;
using tilvex::DecodedBmp;

namespace {

// A 13 x 7 picture (odd, so every depth pads its rows) of palette colours.
bmpw::Picture Paletted(const std::vector<uint32_t>& pal) {
  bmpw::Picture p{13, 7, {}};
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) p.px.push_back(pal[size_t(x * 3 + y * 5) % pal.size()]);
  return p;
}

bmpw::Picture Gradient(int w, int h) {
  bmpw::Picture p{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.px.push_back(uint32_t((x * 37) & 0xFF) << 16 | uint32_t((y * 53) & 0xFF) << 8 | uint32_t((x * y * 11) & 0xFF));
  return p;
}

// The decoder stores the bottom row first.
uint32_t Decoded(const DecodedBmp& d, int x, int yFromTop) {
  return d.pixels[size_t(d.height - 1 - yFromTop) * size_t(d.width) + size_t(x)];
}

uint32_t Expand(uint32_t v, int bits) {
  return uint32_t(std::lround(v * 255.0 / ((1 << bits) - 1)));
}

}  // namespace

TEST(Bmp, EveryDepthReadsBackPixelForPixelBothRowOrders) {
  std::vector<uint32_t> pal256;
  for (uint32_t i = 0; i < 256; ++i) pal256.push_back(i * 0x010203u & 0xFFFFFF);
  struct Case {
    int bpp;
    std::vector<uint32_t> pal;
  } cases[] = {{1, {0x000000, 0xFFFFFF}},
               {4, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0xFF0000, 0x00FF00, 0x0000FF,
                    0x123456, 0x654321, 0xABCDEF, 0xFEDCBA, 0x808080, 0x404040, 0xC0C0C0, 0x010101}},
               {8, pal256}};
  for (bool topDown : {false, true}) {
    for (const Case& c : cases) {
      bmpw::Picture p = Paletted(c.pal);
      DecodedBmp d;
      ASSERT_TRUE(DecodeBmp(bmpw::Write(p, c.bpp, topDown, c.pal), &d)) << c.bpp;
      ASSERT_EQ(d.width, 13);
      ASSERT_EQ(d.height, 7);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(Decoded(d, x, y), p.At(x, y)) << c.bpp << " " << x << "," << y;
    }
    for (int bpp : {24, 32}) {
      bmpw::Picture p = Gradient(13, 7);
      DecodedBmp d;
      ASSERT_TRUE(DecodeBmp(bmpw::Write(p, bpp, topDown), &d));
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(Decoded(d, x, y), p.At(x, y)) << bpp;
    }
    // 16 bits: 5-5-5 plain, 5-6-5 through bit fields; channels widen to 8 bits.
    for (bool fields : {false, true}) {
      bmpw::Picture p = Gradient(13, 7);
      DecodedBmp d;
      ASSERT_TRUE(DecodeBmp(bmpw::Write(p, 16, topDown, {}, fields), &d));
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
          uint32_t c = p.At(x, y);
          uint32_t r = Expand((c >> 16 & 0xFF) >> 3, 5);
          uint32_t g = fields ? Expand((c >> 8 & 0xFF) >> 2, 6) : Expand((c >> 8 & 0xFF) >> 3, 5);
          uint32_t b = Expand((c & 0xFF) >> 3, 5);
          ASSERT_EQ(Decoded(d, x, y), r << 16 | g << 8 | b) << fields << " " << x << "," << y;
        }
    }
  }
}

TEST(Bmp, BitsAreTakenFromTheirOffsetNotAfterTheHeader) {
  bmpw::Picture p = Gradient(5, 3);
  DecodedBmp d;
  ASSERT_TRUE(DecodeBmp(bmpw::Write(p, 24, false, {}, false, 6), &d));
  EXPECT_EQ(Decoded(d, 0, 0), p.At(0, 0));
  EXPECT_EQ(Decoded(d, 4, 2), p.At(4, 2));
}

TEST(Bmp, MalformedFilesAreRefused) {
  const std::string good = bmpw::Write(Gradient(4, 4), 24, false);
  auto with = [&](size_t at, uint32_t v, int bytes = 4) {
    std::string s = good;
    for (int i = 0; i < bytes; ++i) s[at + size_t(i)] = char(v >> (8 * i) & 0xFF);
    return s;
  };
  DecodedBmp d;
  ASSERT_TRUE(DecodeBmp(good, &d));
  const std::pair<const char*, std::string> bad[] = {
      {"empty", ""},
      {"BM alone", "BM"},
      {"shorter than its header", good.substr(0, 30)},
      {"not BM", "XY" + good.substr(2)},
      {"header size 0", with(14, 0)},
      {"header size huge", with(14, 0x7FFFFFFF)},
      {"width 0", with(18, 0)},
      {"width -5", with(18, uint32_t(-5))},
      {"width 100000", with(18, 100000)},
      {"height 0", with(22, 0)},
      {"planes 2", with(26, 2, 2)},
      {"bit count 7", with(28, 7, 2)},
      {"RLE8", with(30, 1)},
      {"RLE4", with(30, 2)},
      {"offset past the end", with(10, 0x7FFFFFF0)},
      {"rows past the end", good.substr(0, good.size() - 1)},
      {"too many pixels", with(22, 0x7FFFFFFF)},
  };
  for (const auto& [what, bytes] : bad) EXPECT_FALSE(DecodeBmp(bytes, &d)) << what;

  // A colour table of 2^31 entries, and one longer than the depth allows.
  std::vector<uint32_t> pal = {0, 0xFFFFFF};
  bmpw::Picture p{3, 2, {0, 0xFFFFFF, 0, 0xFFFFFF, 0, 0}};
  std::string one = bmpw::Write(p, 1, false, pal);
  ASSERT_TRUE(DecodeBmp(one, &d));
  std::string huge = one;
  huge[46 + 3] = char(0x80);
  EXPECT_FALSE(DecodeBmp(huge, &d));
  std::string three = one;
  three[46] = 3;
  EXPECT_FALSE(DecodeBmp(three, &d));
}
