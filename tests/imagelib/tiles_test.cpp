// Tiled pictures: levels, tile tables, the layout of short tiles, and the tile cache.
#include "tests/imagelib/pelnor_test_util.h"

namespace pelnortest {
namespace {

void WantAll(PelnorImage* im, int wanted) {
  for (int32_t i = 0; i < im->tileCount; ++i) im->tiles[i].wanted = wanted;
}

TEST_F(PelnorTest, TiledTiffKeepsItsTilesAndReducedLevelsByDecreasingWidth) {
  sample::TiffSpec plan;
  plan.width = 300;
  plan.height = 200;
  plan.tileWidth = plan.tileHeight = 64;
  plan.reducedDownTo = 50;  // 300, 150, 75
  ASSERT_TRUE(sample::WriteTiff(Host("\\t.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\t.tif", &r.image), 0);
  ASSERT_EQ(r.image.tiled, 1);  // a tiled file is tiled even when small
  const int widths[] = {300, 150, 75}, heights[] = {200, 100, 50};
  for (int level = 0; level < 3; ++level) {
    PelnorImage* im = r.Level(level);
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->tiled, 1);
    EXPECT_EQ(im->width, widths[level]);
    EXPECT_EQ(im->height, heights[level]);
    EXPECT_EQ(im->tileWidth, 64);
    EXPECT_EQ(im->tileHeight, 64);
    const int cols = (widths[level] + 63) / 64, rows = (heights[level] + 63) / 64;
    ASSERT_EQ(im->tileCount, cols * rows);
    const PelnorTile& last = im->tiles[im->tileCount - 1];
    EXPECT_EQ(last.x, (cols - 1) * 64);
    EXPECT_EQ(last.y, (rows - 1) * 64);
    EXPECT_EQ(last.width, widths[level] - (cols - 1) * 64);
    EXPECT_EQ(last.height, heights[level] - (rows - 1) * 64);
    const auto* h = static_cast<const BITMAPINFOHEADER*>(im->header);
    EXPECT_EQ(h->biWidth, 64);  // the header describes a full tile
    EXPECT_EQ(h->biHeight, 64);
    WantAll(im, 1);
    ASSERT_EQ(LoadMapImageTiles("\\t.tif", im), 0);
    for (int y = 0; y < im->height; ++y)
      for (int x = 0; x < im->width; ++x)
        ASSERT_EQ(TilePixel(*im, x, y), sample::TiffExpected(plan, level, x, y)) << level << ":" << x << "," << y;
  }
  EXPECT_EQ(r.Level(3), nullptr);
}

TEST_F(PelnorTest, ShortLastRowTileHoldsItsRowsAtTheBufferEnd) {
  sample::TiffSpec plan;
  plan.width = 100;
  plan.height = 70;  // last row 6 high
  plan.tileWidth = plan.tileHeight = 64;
  ASSERT_TRUE(sample::WriteTiff(Host("\\s.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\s.tif", &r.image), 0);
  WantAll(&r.image, 1);
  ASSERT_EQ(LoadMapImageTiles("\\s.tif", &r.image), 0);
  const PelnorTile& t = r.image.tiles[3];  // x 64, y 64, 36 x 6
  ASSERT_EQ(t.height, 6);
  ASSERT_EQ(t.width, 36);
  const auto* px = static_cast<const uint32_t*>(t.pixels);
  // Bottom-up rows: the tile's top row is the buffer's last, its sixth row the buffer's 58th.
  EXPECT_EQ(px[size_t(63) * 64 + 0], sample::PatternColour(64, 64));
  EXPECT_EQ(px[size_t(58) * 64 + 35], sample::PatternColour(99, 69));
}

TEST_F(PelnorTest, TileCacheKeepsHeldTilesAndFreesUnwantedOnes) {
  sample::TiffSpec plan;
  plan.width = 256;
  plan.height = 128;
  plan.tileWidth = plan.tileHeight = 64;
  ASSERT_TRUE(sample::WriteTiff(Host("\\c.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\c.tif", &r.image), 0);
  ASSERT_EQ(r.image.tileCount, 8);
  r.image.tiles[1].wanted = 1;
  r.image.tiles[2].wanted = 1;
  ASSERT_EQ(LoadMapImageTiles("\\c.tif", &r.image), 0);
  EXPECT_EQ(r.image.tiles[0].pixels, nullptr);
  ASSERT_NE(r.image.tiles[1].pixels, nullptr);
  // A mark written into a held tile survives the same request: nothing is decoded again.
  static_cast<uint32_t*>(r.image.tiles[1].pixels)[0] = 0xABCDEFu;
  void* held = r.image.tiles[1].pixels;
  ASSERT_EQ(LoadMapImageTiles("\\c.tif", &r.image), 0);
  EXPECT_EQ(r.image.tiles[1].pixels, held);
  EXPECT_EQ(static_cast<uint32_t*>(r.image.tiles[1].pixels)[0], 0xABCDEFu);
  // Unwanted now: freed and nulled; the newly wanted one decoded.
  r.image.tiles[1].wanted = 0;
  r.image.tiles[5].wanted = 1;
  ASSERT_EQ(LoadMapImageTiles("\\c.tif", &r.image), 0);
  EXPECT_EQ(r.image.tiles[1].pixels, nullptr);
  EXPECT_NE(r.image.tiles[2].pixels, nullptr);
  EXPECT_NE(r.image.tiles[5].pixels, nullptr);
  EXPECT_EQ(TilePixel(r.image, 64 + 10, 64 + 3), sample::PatternColour(74, 67));
}

TEST_F(PelnorTest, BigStripTiffIsCutIntoSquaresReadOneBandAtATime) {
  sample::TiffSpec plan;
  plan.width = 8300;  // 17.4 Mpx: above the whole-picture limit
  plan.height = 2100;
  plan.samples = sample::TiffSamples::kGrey;
  plan.compression = sample::TiffCompression::kDeflate;
  plan.rowsPerStrip = 100;
  ASSERT_TRUE(sample::WriteTiff(Host("\\big.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\big.tif", &r.image), 0);
  ASSERT_EQ(r.image.tiled, 1);
  EXPECT_EQ(r.image.tileWidth, 256);
  EXPECT_EQ(r.image.tileHeight, 256);
  EXPECT_EQ(r.image.next, nullptr);  // no reduced images in the file
  // Wanted: two tiles in the first band and the corner tile (last row and column).
  const int cols = (8300 + 255) / 256, rows = (2100 + 255) / 256;
  ASSERT_EQ(r.image.tileCount, cols * rows);
  r.image.tiles[3].wanted = 1;
  r.image.tiles[5].wanted = 1;
  r.image.tiles[cols * rows - 1].wanted = 1;
  ASSERT_EQ(LoadMapImageTiles("\\big.tif", &r.image), 0);
  for (int i = 0; i < r.image.tileCount; ++i) {
    const PelnorTile& t = r.image.tiles[i];
    EXPECT_EQ(t.pixels != nullptr, t.wanted == 1) << i;
    if (!t.pixels) continue;
    for (int y = t.y; y < t.y + t.height; y += 7)
      for (int x = t.x; x < t.x + t.width; x += 5)
        ASSERT_EQ(TilePixel(r.image, x, y), sample::TiffExpected(plan, 0, x, y)) << x << "," << y;
  }
}

TEST_F(PelnorTest, BigJpegTilesAtEachDctScaleMatchLibjpeg) {
  sample::JpegSpec plan;
  plan.width = 4200;  // 17.6 Mpx
  plan.height = 4200;
  plan.quality = 75;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\big.jpg"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\big.jpg", &r.image), 0);
  ASSERT_EQ(r.image.tiled, 1);
  const int scales[] = {1, 2, 4, 8};
  for (int level = 0; level < 4; ++level) {
    PelnorImage* im = r.Level(level);
    ASSERT_NE(im, nullptr);
    int w = 0, h = 0;
    std::vector<uint32_t> oracle = OracleJpeg(Host("\\big.jpg"), scales[level], &w, &h);
    ASSERT_EQ(im->width, w);
    ASSERT_EQ(im->height, h);
    // A tile in the middle and the last, short one; and a tile in the first column.
    const int cols = (w + 255) / 256;
    for (int i : {im->tileCount / 2 + 1, im->tileCount - 1, cols}) {
      if (i >= im->tileCount) continue;
      im->tiles[i].wanted = 1;
    }
    ASSERT_EQ(LoadMapImageTiles("\\big.jpg", im), 0);
    int checked = 0;
    for (int i = 0; i < im->tileCount; ++i) {
      const PelnorTile& t = im->tiles[i];
      if (!t.wanted) continue;
      ASSERT_NE(t.pixels, nullptr);
      for (int y = t.y; y < t.y + t.height; ++y)
        for (int x = t.x; x < t.x + t.width; ++x, ++checked)
          ASSERT_EQ(TilePixel(*im, x, y), oracle[size_t(y) * size_t(w) + size_t(x)]) << level << ":" << x << "," << y;
    }
    EXPECT_GT(checked, 0);
  }
  EXPECT_EQ(r.Level(4), nullptr);
}

}  // namespace
}  // namespace pelnortest

namespace pelnortest {
namespace {

TEST_F(PelnorTest, TilesOfAFileReplacedBetweenRequestsComeFromTheNewFile) {
  sample::TiffSpec plan;
  plan.width = 128;
  plan.height = 128;
  plan.tileWidth = plan.tileHeight = 64;
  ASSERT_TRUE(sample::WriteTiff(Host("\\r.tif"), plan));
  {
    Record r;
    ASSERT_EQ(LoadMapImageHead("\\r.tif", &r.image), 0);
    r.image.tiles[0].wanted = 1;
    ASSERT_EQ(LoadMapImageTiles("\\r.tif", &r.image), 0);
    EXPECT_EQ(TilePixel(r.image, 5, 6), sample::PatternColour(5, 6));
  }
  plan.samples = sample::TiffSamples::kGrey;
  ASSERT_TRUE(sample::WriteTiff(Host("\\r.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\r.tif", &r.image), 0);
  r.image.tiles[3].wanted = 1;
  ASSERT_EQ(LoadMapImageTiles("\\r.tif", &r.image), 0);
  EXPECT_EQ(TilePixel(r.image, 70, 80), sample::TiffExpected(plan, 0, 70, 80));
  // Gone altogether: cannot open, the tile stays empty.
  std::remove(Host("\\r.tif").c_str());
  r.image.tiles[0].wanted = 1;
  EXPECT_EQ(LoadMapImageTiles("\\r.tif", &r.image), 2);
  EXPECT_EQ(r.image.tiles[0].pixels, nullptr);
}

}  // namespace
}  // namespace pelnortest
