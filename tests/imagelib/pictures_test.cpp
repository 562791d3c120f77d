// Whole pictures: the record's fields and every pixel against the pattern the writer encoded.
#include "tests/imagelib/pelnor_test_util.h"

namespace pelnortest {
namespace {

using sample::TiffSamples;

TEST_F(PelnorTest, SmallStripTiffIsWholeWithBitfieldsHeaderAndExactPixels) {
  sample::TiffSpec plan;
  plan.width = 300;
  plan.height = 270;  // > 256: the pattern's blue carries the high bits
  ASSERT_TRUE(sample::WriteTiff(Host("\\p.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\p.tif", &r.image), 0);
  EXPECT_EQ(r.image.tiled, 0);
  EXPECT_EQ(r.image.width, 300);
  EXPECT_EQ(r.image.height, 270);
  EXPECT_EQ(r.image.next, nullptr);
  EXPECT_EQ(r.image.pixels, nullptr);
  const auto* h = static_cast<const BITMAPINFOHEADER*>(r.image.header);
  EXPECT_EQ(h->biSize, 40u);
  EXPECT_EQ(h->biWidth, 300);
  EXPECT_EQ(h->biHeight, 270);  // bottom-up
  EXPECT_EQ(h->biBitCount, 32);
  EXPECT_EQ(h->biCompression, DWORD(BI_BITFIELDS));
  const auto* masks = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(r.image.header) + 40);
  EXPECT_EQ(masks[0], 0x00FF0000u);
  EXPECT_EQ(masks[1], 0x0000FF00u);
  EXPECT_EQ(masks[2], 0x000000FFu);

  ASSERT_EQ(LoadMapImageFull("\\p.tif", &r.image), 0);
  for (int y = 0; y < 270; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(WholePixel(r.image, x, y), sample::PatternColour(x, y)) << x << "," << y;
}

class TiffSampleTest : public PelnorTest, public ::testing::WithParamInterface<int> {};

TEST_P(TiffSampleTest, EverySampleLayoutComesOutAsTheWriterMeantIt) {
  sample::TiffSpec plan;
  plan.width = 70;
  plan.height = 45;
  plan.rowsPerStrip = 7;
  switch (GetParam()) {
    case 0: plan.samples = TiffSamples::kGrey; break;
    case 1: plan.samples = TiffSamples::kPalette; break;
    case 2: plan.samples = TiffSamples::kRgb16; break;
    case 3: plan.samples = TiffSamples::kBilevel; break;
    case 4: plan.planarSeparate = true; break;
    case 5: plan.compression = sample::TiffCompression::kDeflate; break;
  }
  ASSERT_TRUE(sample::WriteTiff(Host("\\s.tif"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\s.tif", &r.image), 0);
  ASSERT_EQ(LoadMapImageFull("\\s.tif", &r.image), 0);
  for (int y = 0; y < plan.height; ++y)
    for (int x = 0; x < plan.width; ++x)
      ASSERT_EQ(WholePixel(r.image, x, y), sample::TiffExpected(plan, 0, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Layouts, TiffSampleTest, ::testing::Range(0, 6));

TEST_F(PelnorTest, BitmapsOfEachDepthAndRowOrderAreExact) {
  for (int bits : {8, 24, 32})
    for (bool topDown : {false, true}) {
      sample::BmpSpec plan;
      plan.width = 37;  // rows padded to four bytes
      plan.height = 290;
      plan.bitsPerPixel = bits;
      plan.topDown = topDown;
      WriteBytes("\\b.bmp", sample::BmpBytes(plan));
      Record r;
      ASSERT_EQ(LoadMapImageHead("\\b.bmp", &r.image), 0);
      EXPECT_EQ(r.image.tiled, 0);
      ASSERT_EQ(LoadMapImageFull("\\b.bmp", &r.image), 0);
      for (int y = 0; y < plan.height; ++y)
        for (int x = 0; x < plan.width; ++x)
          ASSERT_EQ(WholePixel(r.image, x, y), sample::BmpExpected(plan, x, y)) << bits << " " << x << "," << y;
    }
}

TEST_F(PelnorTest, JpegsDecodeAsLibjpegDecodesThem) {
  for (int kind = 0; kind < 3; ++kind) {
    sample::JpegSpec plan;
    plan.width = 333;
    plan.height = 161;
    plan.progressive = kind == 1;
    plan.grey = kind == 2;
    ASSERT_TRUE(sample::WriteJpeg(Host("\\j.jpg"), plan));
    Record r;
    ASSERT_EQ(LoadMapImageHead("\\j.jpg", &r.image), 0);
    EXPECT_EQ(r.image.tiled, 0);
    ASSERT_EQ(LoadMapImageFull("\\j.jpg", &r.image), 0);
    int w = 0, h = 0;
    std::vector<uint32_t> oracle = OracleJpeg(Host("\\j.jpg"), 1, &w, &h);
    ASSERT_EQ(w, 333);
    ASSERT_EQ(h, 161);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(WholePixel(r.image, x, y), oracle[size_t(y) * size_t(w) + size_t(x)]) << kind;
  }
}

TEST_F(PelnorTest, CmykJpegIsConvertedToItsColours) {
  sample::JpegSpec plan;
  plan.cmyk = true;
  plan.quality = 100;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\c.jpg"), plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\c.jpg", &r.image), 0);
  ASSERT_EQ(LoadMapImageFull("\\c.jpg", &r.image), 0);
  // Inverted inks with full black channel: the pattern's colours within JPEG loss.
  for (int y = 0; y < 64; y += 9)
    for (int x = 0; x < 64; x += 7) {
      uint32_t got = WholePixel(r.image, x, y), want = sample::PatternColour(x, y);
      for (int s : {0, 8, 16}) EXPECT_NEAR(int(got >> s & 0xFF), int(want >> s & 0xFF), 6) << x << "," << y;
    }
}

TEST_F(PelnorTest, MissingFileCannotBeOpened) {
  Record r;
  EXPECT_EQ(LoadMapImageHead("\\none.jpg", &r.image), 2);
  EXPECT_EQ(LoadMapImageHead("", &r.image), 2);
}

TEST_F(PelnorTest, FittedBitmapOfTheViewerKeepsTheAspectWithinFiveThousand) {
  sample::JpegSpec plan;
  plan.width = 6000;
  plan.height = 300;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\wide.jpg"), plan));
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = nullptr;
  int w = 0, h = 0;
  ASSERT_EQ(LoadMapImage("\\wide.jpg", dc, 5000, 5000, &bmp, &w, &h), 0);
  EXPECT_EQ(w, 5000);
  EXPECT_EQ(h, 250);
  ASSERT_NE(bmp, nullptr);
  BITMAP info{};
  ASSERT_TRUE(GetObjectW(bmp, sizeof info, &info));
  EXPECT_EQ(info.bmWidth, 5000);
  EXPECT_EQ(info.bmHeight, 250);
  // Output pixel (x, y) shows source pixel (x * 6000 / 5000, y * 300 / 250).
  HGDIOBJ old = SelectObject(dc, bmp);
  for (int x : {0, 1234, 4999})
    for (int y : {0, 100, 249}) {
      COLORREF c = GetPixel(dc, x, y);
      uint32_t want = sample::PatternColour(int64_t(x) * 6000 / 5000, int64_t(y) * 300 / 250);
      EXPECT_NEAR(int(GetRValue(c)), int(want >> 16 & 0xFF), 12) << x << "," << y;
      EXPECT_NEAR(int(GetGValue(c)), int(want >> 8 & 0xFF), 12) << x << "," << y;
    }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);

  // A picture that fits is not enlarged.
  ASSERT_EQ(LoadMapImage("\\wide.jpg", nullptr, 8000, 8000, &bmp, &w, &h), 0);
  EXPECT_EQ(w, 6000);
  EXPECT_EQ(h, 300);
  DeleteObject(bmp);
}

}  // namespace
}  // namespace pelnortest
