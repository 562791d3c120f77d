// Blits: copies with clipping, stretching, DIB sources, transparent keys, pattern operations.
#include <vector>

#include "tests/platform_gdi/gdi_test_support.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kWhite = RGB(255, 255, 255);

// A 4 x 4 source with a distinct colour in every pixel.
COLORREF Cell(int x, int y) { return RGB(x * 60, y * 60, 7); }
void Paint4x4(Canvas& c) {
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(c.dc(), x, y, Cell(x, y));
}

TEST(Blits, BitBltCopiesAndClipsAtBothEnds) {
  Canvas src(4, 4), dst(6, 6);
  Paint4x4(src);
  EXPECT_TRUE(BitBlt(dst.dc(), 3, 3, 4, 4, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(3, 3), Cell(0, 0));
  EXPECT_EQ(dst.At(5, 5), Cell(2, 2));
  EXPECT_EQ(dst.At(2, 2), kWhite);
  // Source partly outside: only existing source pixels arrive.
  dst.Clear(kWhite);
  BitBlt(dst.dc(), 0, 0, 4, 4, src.dc(), -2, 1, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), kWhite);
  EXPECT_EQ(dst.At(2, 0), Cell(0, 1));
  EXPECT_EQ(dst.At(3, 3), kWhite);  // source row 4 does not exist
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
}

TEST(Blits, RasterOperations) {
  Canvas src(2, 1), dst(2, 1);
  SetPixel(src.dc(), 0, 0, RGB(0xF0, 0x0F, 0xFF));
  SetPixel(src.dc(), 1, 0, RGB(0, 0, 0));
  auto run = [&](DWORD rop, COLORREF d0) {
    SetPixel(dst.dc(), 0, 0, d0);
    BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, rop);
    return dst.At(0, 0);
  };
  EXPECT_EQ(run(SRCAND, RGB(0xFF, 0xFF, 0x0F)), RGB(0xF0, 0x0F, 0x0F));
  EXPECT_EQ(run(SRCPAINT, RGB(0x0F, 0x00, 0x00)), RGB(0xFF, 0x0F, 0xFF));
  EXPECT_EQ(run(SRCINVERT, RGB(0xFF, 0xFF, 0xFF)), RGB(0x0F, 0xF0, 0x00));
  EXPECT_EQ(run(BLACKNESS, kWhite), RGB(0, 0, 0));
  EXPECT_EQ(run(WHITENESS, RGB(1, 2, 3)), kWhite);
  SelectObject(dst.dc(), GetStockObject(GRAY_BRUSH));
  EXPECT_EQ(run(PATCOPY, kWhite), RGB(128, 128, 128));
  EXPECT_TRUE(PatBlt(dst.dc(), 0, 0, 2, 1, DSTINVERT));
  EXPECT_EQ(dst.At(0, 0), RGB(127, 127, 127));
}

TEST(Blits, StretchDoublesAndMirrors) {
  Canvas src(4, 4), dst(8, 8);
  Paint4x4(src);
  StretchBlt(dst.dc(), 0, 0, 8, 8, src.dc(), 0, 0, 4, 4, SRCCOPY);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.At(x, y), Cell(x / 2, y / 2)) << x << "," << y;
  dst.Clear(kWhite);
  StretchBlt(dst.dc(), 3, 0, -4, 4, src.dc(), 0, 0, 4, 4, SRCCOPY);  // mirrored horizontally
  EXPECT_EQ(dst.At(0, 0), Cell(3, 0));
  EXPECT_EQ(dst.At(3, 0), Cell(0, 0));
  // Shrinking picks pixel centres.
  Canvas small(2, 2);
  StretchBlt(small.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(small.At(0, 0), Cell(1, 1));
  EXPECT_EQ(small.At(1, 1), Cell(3, 3));
}

TEST(Blits, StretchIsClippedBeforeScaling) {
  Canvas src(4, 4), dst(10, 10);
  Paint4x4(src);
  // A 400,000-pixel-wide target costs only the 10 visible columns.
  StretchBlt(dst.dc(), -200000, 0, 400000, 10, src.dc(), 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), Cell(2, 0));
  EXPECT_EQ(dst.At(9, 9), Cell(2, 3));
}

TEST(Blits, StretchDIBitsReadsBottomUpAndTopDownSubRectangles) {
  // 3 x 4, 24 bits: rows padded to 12 bytes. Pixel value encodes (x, top-down row).
  const int W = 3, H = 4;
  for (bool bottomUp : {true, false}) {
    std::vector<uint8_t> bits(12 * H);
    for (int row = 0; row < H; ++row)
      for (int x = 0; x < W; ++x) {
        int stored = bottomUp ? H - 1 - row : row;
        uint8_t* p = &bits[size_t(stored) * 12 + size_t(x) * 3];
        p[0] = 7;                  // blue
        p[1] = uint8_t(row * 50);  // green
        p[2] = uint8_t(x * 80);    // red
      }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = bottomUp ? H : -H;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    Canvas dst(10, 10);
    // Source rectangle: 2 x 2 at x = 1. For a bottom-up DIB y counts from the bottom, so
    // sy = 2 names the top two rows; for top-down, sy = 0 does.
    int sy = bottomUp ? 2 : 0;
    EXPECT_EQ(StretchDIBits(dst.dc(), 0, 0, 2, 2, 1, sy, 2, 2, bits.data(), &bi, DIB_RGB_COLORS,
                            SRCCOPY),
              2);
    EXPECT_EQ(dst.At(0, 0), RGB(80, 0, 7)) << bottomUp;
    EXPECT_EQ(dst.At(1, 1), RGB(160, 50, 7)) << bottomUp;
    EXPECT_EQ(dst.At(2, 2), kWhite);
  }
  BITMAPINFO bad{};
  bad.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bad.bmiHeader.biWidth = 2;
  bad.bmiHeader.biHeight = 2;
  bad.bmiHeader.biBitCount = 13;
  uint8_t b[16] = {};
  Canvas dst(4, 4);
  EXPECT_EQ(StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, b, &bad, DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(Blits, TransparentKeyColourIsSkipped) {
  Canvas src(2, 1), dst(2, 1);
  SetPixel(src.dc(), 0, 0, RGB(254, 254, 254));
  SetPixel(src.dc(), 1, 0, kRed);
  dst.Clear(kGreen);
  EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 2, 1, RGB(254, 254, 254)));
  EXPECT_EQ(dst.At(0, 0), kGreen);
  EXPECT_EQ(dst.At(1, 0), kRed);
  dst.Clear(kGreen);
  // A bitmap handle is a valid source as well.
  EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 2, 1, src.bitmap(), 0, 0, 2, 1, kRed));
  EXPECT_EQ(dst.At(0, 0), RGB(254, 254, 254));
  EXPECT_EQ(dst.At(1, 0), kGreen);
}

}  // namespace
