#include <gtest/gtest.h>

#include <cmath>

#include "maps/palette.h"
#include "maps/style_table.h"
#include "maps/symbol_draw.h"
#include "maps/symbol_table.h"
#include "tools/sampledata/mol_writer.h"

namespace {

using sample::Bytes;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRed = 0x0000FF;

// A 200 x 200 white 32-bit memory surface.
class Canvas {
 public:
  Canvas() {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 200;
    bmi.bmiHeader.biHeight = -200;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 200, 200, WHITENESS);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y) & 0xFFFFFF; }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) n += At(x, y) == c;
    return n;
  }

  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

class VectorSymbols : public ::testing::Test {
 protected:
  void Load(const std::vector<sample::MolSymbol>& list) {
    const Bytes section = sample::SymbolSection(list);
    ASSERT_EQ(symbols.Load(section.data(), section.size()), 0);
    const Bytes colours = sample::PaletteBytes(sample::DemoPalette());
    palette.SetColors(colours.data(), colours.size());
    symbols.SetPalette(&palette);
  }
  TPalette palette;
  TSymbolTable symbols;
  Canvas canvas;
};

TEST_F(VectorSymbols, CrossAtItsDesignSize) {
  Load(sample::DemoLibrary().symbols);
  DrawVectorSymbol(symbols, canvas.dc, 100, 100, 100, 100, 1, 20.0f, false, 0);
  // Each stroke runs 20 pixels, GDI leaving out its last one.
  for (int i = -10; i < 10; ++i) {
    EXPECT_EQ(canvas.At(100 + i, 100), kRed) << i;
    EXPECT_EQ(canvas.At(100, 100 + i), kRed) << i;
  }
  EXPECT_EQ(canvas.At(110, 100), kWhite);
  EXPECT_EQ(canvas.At(100, 110), kWhite);
  EXPECT_EQ(canvas.Count(kRed), 39);  // two strokes of 20 sharing the anchor
  // Twice the size, twice the length; numbers outside 1..count draw nothing.
  Canvas big;
  DrawVectorSymbol(symbols, big.dc, 100, 100, 100, 100, 1, 40.0f, false, 0);
  EXPECT_EQ(big.At(80, 100), kRed);
  EXPECT_EQ(big.At(79, 100), kWhite);
  Canvas none;
  DrawVectorSymbol(symbols, none.dc, 100, 100, 100, 100, 2, 20.0f, false, 0);
  DrawVectorSymbol(symbols, none.dc, 100, 100, 100, 100, 0, 20.0f, false, 0);
  EXPECT_EQ(none.Count(kWhite), 200 * 200);
}

TEST_F(VectorSymbols, FilledElementsFill) {
  Load({{10, {{3, true, {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}}}}}});
  DrawVectorSymbol(symbols, canvas.dc, 50, 50, 50, 50, 1, 10.0f, false, 0);
  const COLORREF green = 0x00A000;
  EXPECT_EQ(canvas.At(50, 50), green);
  EXPECT_EQ(canvas.At(46, 53), green);
  EXPECT_EQ(canvas.At(60, 50), kWhite);
}

// A single stroke to the right; rotated a quarter turn it points up the screen.
TEST_F(VectorSymbols, Rotation) {
  Load({{10, {{1, false, {{0, 0}, {10, 0}}}}}});
  // Coordinates are truncated, so a cosine of -4e-8 (a float quarter turn) may put the stroke
  // one pixel left of the anchor's column.
  auto pointsUp = [](const Canvas& c) {
    auto near = [&](int y) { return c.At(100, y) == kRed || c.At(99, y) == kRed; };
    return near(95) && near(91) && c.At(105, 100) == kWhite && c.At(100, 105) == kWhite;
  };
  DrawVectorSymbol(symbols, canvas.dc, 100, 100, 100, 100, 1, 10.0f, false, float(M_PI / 2));
  EXPECT_TRUE(pointsUp(canvas));

  Canvas byPoint;  // towards a second point straight above
  DrawVectorSymbol(symbols, byPoint.dc, 100, 100, 100, 40, 1, 10.0f, false, 0);
  EXPECT_TRUE(pointsUp(byPoint));

  Canvas byPair;
  const double d1 = 1, d2 = 0;
  DrawVectorSymbol(symbols, byPair.dc, 100, 100, 100, 100, 1, 10.0f, false, 0, &d1, &d2);
  EXPECT_TRUE(pointsUp(byPair));

  // The pair (0, 1) means "no direction": the angle decides, here none.
  Canvas plain;
  const double z1 = 0, z2 = 1;
  DrawVectorSymbol(symbols, plain.dc, 100, 100, 100, 40, 1, 10.0f, false, 0, &z1, &z2);
  EXPECT_EQ(plain.At(105, 100), kRed);
  EXPECT_EQ(plain.At(100, 95), kWhite);
}

TEST_F(VectorSymbols, ScaleBoundsAreInclusive) {
  Load({{64, {{1, false, {{-120, 0}, {120, 0}}}}}});
  auto drawn = [&](float size) {
    Canvas c;
    DrawVectorSymbol(symbols, c.dc, 100, 100, 100, 100, 1, size, false, 0);
    return c.At(100, 100) == kRed;
  };
  EXPECT_TRUE(drawn(5.0f));      // 64 x scale = 5
  EXPECT_TRUE(drawn(600.0f));    // 64 x scale = 600
  EXPECT_FALSE(drawn(4.99f));
  EXPECT_FALSE(drawn(600.1f));
}

TEST_F(VectorSymbols, FitToSizeCentresTheExtentOnTheSecondPoint) {
  Load({{1, {{1, false, {{0, 0}, {20, 0}}}}}});  // extent 0..20 x 0..0
  // Scale 2, the middle (10) lands on x2: from 80 to 119. Without a pair the direction would be
  // taken from the anchor to the second point, so the pair (0, 1) keeps it unrotated.
  Canvas fitted;
  const double d1 = 0, d2 = 1;
  DrawVectorSymbol(symbols, fitted.dc, 0, 0, 100, 100, 1, 40.0f, true, 0, &d1, &d2);
  EXPECT_EQ(fitted.At(80, 100), kRed);
  EXPECT_EQ(fitted.At(119, 100), kRed);
  EXPECT_EQ(fitted.At(79, 100), kWhite);
  EXPECT_EQ(fitted.At(120, 100), kWhite);
}

class PointSymbols : public ::testing::Test {
 protected:
  void Load(const std::vector<sample::MolStyle>& list) {
    const Bytes section = sample::StyleSection(list, 2);
    styles.SetFlags(false, true);
    ASSERT_EQ(styles.Load(section.data(), section.size()), 0);
    const Bytes colours = sample::PaletteBytes(sample::DemoPalette());
    palette.SetColors(colours.data(), colours.size());
    styles.SetPalette(&palette);
  }
  static Bytes Solid(int index) { return sample::Bitmap24([=](int, int) { return index; }); }
  TPalette palette;
  TStyleTable styles;
  Canvas canvas;
};

TEST_F(PointSymbols, BitmapNeedsAWholeBlock) {
  Bytes short_block = Solid(1);
  short_block.pop_back();
  Load({{9, {1, 0}, "Full", 0, Solid(1)}, {17, {2, 0}, "Short", 0, short_block}});
  DrawPointSymbol(styles, 9, canvas.dc, 10, 10, 24, 0);
  DrawPointSymbol(styles, 17, canvas.dc, 50, 10, 24, 0);
  EXPECT_EQ(canvas.At(10, 10), kRed);
  EXPECT_EQ(canvas.At(33, 33), kRed);
  EXPECT_EQ(canvas.At(34, 34), kWhite);
  EXPECT_NE(canvas.At(60, 20), kRed);  // reserved and copied, never painted
  EXPECT_EQ(styles.Entry(1)->stripColumn, 24u);
  // Absent codes and tables without extra blocks draw nothing.
  Canvas none;
  DrawPointSymbol(styles, 25, none.dc, 10, 10, 24, 0);
  styles.SetFlags(false, false);
  DrawPointSymbol(styles, 9, none.dc, 10, 10, 24, 0);
  EXPECT_EQ(none.Count(kWhite), 200 * 200);
}

TEST_F(PointSymbols, StretchAndFrame) {
  // Left half red, right half blue: the copy keeps the halves at any size.
  Load({{9, {1, 0}, "Half", 0, sample::Bitmap24([](int x, int) { return x < 12 ? 1 : 2; })}});
  DrawPointSymbol(styles, 9, canvas.dc, 20, 20, 48, 1);
  EXPECT_EQ(canvas.At(25, 40), kRed);
  EXPECT_EQ(canvas.At(60, 40), 0xFF0000u);
  // Width 1: the black outline from (x - 1, y - 1) to (x + size + 1, y + size + 1), exclusive.
  EXPECT_EQ(canvas.At(19, 40), 0u);
  EXPECT_EQ(canvas.At(40, 19), 0u);
  EXPECT_EQ(canvas.At(68, 40), 0u);
  EXPECT_EQ(canvas.At(69, 40), kWhite);
}

TEST_F(PointSymbols, ColumnsBeyond16Bits) {
  std::vector<sample::MolStyle> list;
  for (int i = 0; i < 3000; ++i)
    list.push_back({uint16_t(1 | (i << 3)), {1, 0}, "", 0, Solid(1 + i % 15)});
  Load(list);
  // Style 2800's column (67200) wraps to 1664 in 16 bits, inside style 69's and 70's columns.
  DrawPointSymbol(styles, uint16_t(1 | (69 << 3)), canvas.dc, 0, 0, 24, 0);
  DrawPointSymbol(styles, uint16_t(1 | (2800 << 3)), canvas.dc, 30, 0, 24, 0);
  DrawPointSymbol(styles, uint16_t(1 | (69 << 3)), canvas.dc, 60, 0, 24, 0);
  DrawPointSymbol(styles, uint16_t(1 | (70 << 3)), canvas.dc, 90, 0, 24, 0);
  const auto colour = [&](int i) { return COLORREF(palette.GetColor(1 + i % 15)); };
  EXPECT_EQ(styles.Entry(2800)->stripColumn, 67200u);
  for (int x : {0, 23}) {
    EXPECT_EQ(canvas.At(x, 5), colour(69));
    EXPECT_EQ(canvas.At(30 + x, 5), colour(2800));
    EXPECT_EQ(canvas.At(60 + x, 5), colour(69));
    EXPECT_EQ(canvas.At(90 + x, 5), colour(70));
  }
}

}  // namespace
