// Pens and lines: pixel rules, dashes, raster operations, far-off clipping, wide pens.
#include <algorithm>
#include <climits>
#include <vector>

#include "tests/platform_gdi/gdi_test_support.h"

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);

TEST(Lines, LastPixelIsLeftOutAndWidthZeroIsOnePixel) {
  for (int width : {0, 1}) {
    Canvas c(20, 5);
    PenScope p(c.dc(), PS_SOLID, width, kBlack);
    MoveToEx(c.dc(), 2, 2, nullptr);
    LineTo(c.dc(), 12, 2);
    EXPECT_EQ(c.Row(2), "..##########........") << "width " << width;
    EXPECT_EQ(c.InkCount(), 10);
  }
}

TEST(Lines, PolylineVerticesAreDrawnOnceUnderXor) {
  Canvas c(20, 20);
  PenScope p(c.dc(), PS_SOLID, 1, RGB(0, 255, 0));
  SetROP2(c.dc(), R2_XORPEN);
  POINT pts[] = {{2, 2}, {10, 2}, {10, 10}, {2, 10}};
  Polyline(c.dc(), pts, 4);
  // A vertex drawn twice would XOR back to white.
  EXPECT_NE(c.At(10, 2), RGB(255, 255, 255));
  EXPECT_NE(c.At(10, 10), RGB(255, 255, 255));
  EXPECT_EQ(c.At(2, 10), RGB(255, 255, 255));  // the last point is left out
}

TEST(Lines, DrawingTwiceInNotOrXorRestoresThePicture) {
  for (int rop : {R2_NOT, R2_XORPEN, R2_NOTXORPEN}) {
    Canvas c(40, 40);
    HBRUSH b = CreateSolidBrush(RGB(10, 200, 30));
    RECT r{5, 5, 30, 25};
    FillRect(c.dc(), &r, b);
    DeleteObject(b);
    std::vector<COLORREF> before;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) before.push_back(c.At(x, y));
    PenScope p(c.dc(), PS_SOLID, 5, RGB(200, 100, 50));
    SetROP2(c.dc(), rop);
    POINT pts[] = {{0, 0}, {35, 20}, {3, 38}, {20, 2}};
    for (int i = 0; i < 2; ++i) {
      Polyline(c.dc(), pts, 4);
      Ellipse(c.dc(), 4, 4, 20, 18);
    }
    std::vector<COLORREF> after;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) after.push_back(c.At(x, y));
    EXPECT_EQ(before, after) << "rop " << rop;
  }
}

TEST(Lines, DashPatternRunsSixOnThreeOff) {
  Canvas c(30, 3);
  PenScope p(c.dc(), PS_DASH, 1, kBlack);
  SetBkMode(c.dc(), TRANSPARENT);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 27, 1);
  EXPECT_EQ(c.Row(1), "######...######...######......");
}

TEST(Lines, DashPatternCarriesAcrossPolylineVertices) {
  // 27 one-pixel steps must show the same pattern as one straight 27-pixel line.
  Canvas c(30, 3);
  PenScope p(c.dc(), PS_DASH, 1, kBlack);
  SetBkMode(c.dc(), TRANSPARENT);
  std::vector<POINT> pts;
  for (int x = 0; x <= 27; ++x) pts.push_back(POINT{x, 1});
  Polyline(c.dc(), pts.data(), int(pts.size()));
  EXPECT_EQ(c.Row(1), "######...######...######......");
}

TEST(Lines, OpaqueDashGapsTakeTheBackgroundColour) {
  Canvas c(12, 3);
  PenScope p(c.dc(), PS_DASH, 1, kBlack);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), kRed);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 9, 1);
  EXPECT_EQ(c.At(5, 1), kBlack);
  EXPECT_EQ(c.At(6, 1), kRed);
  EXPECT_EQ(c.At(8, 1), kRed);
  EXPECT_EQ(c.At(9, 1), RGB(255, 255, 255));
}

TEST(Lines, CopiedDashesMatchTheGeneralRopPixelForPixel) {
  // A plain copy of dashes is drawn in runs; over black, R2_MERGEPEN puts down the same colours
  // through the pixel-by-pixel path. Lines in every direction, some far past the edges (the
  // dash then starts mid-period at the first visible pixel), with clear and painted gaps.
  Canvas copy(64, 48), merge(64, 48);
  const COLORREF pen = RGB(200, 30, 90), bk = RGB(20, 180, 60);
  uint32_t seed = 12345;
  auto next = [&seed](int lo, int hi) {
    seed = seed * 1103515245u + 12345u;
    return lo + int((seed >> 8) % uint32_t(hi - lo + 1));
  };
  for (int i = 0; i < 400; ++i) {
    // The second segment turns by a right angle, so the two share no pixel (under the merge
    // an overlap of dash and gap would mix) and the dash carries over the corner.
    const POINT a{next(-40, 104), next(-40, 88)}, b{next(-40, 104), next(-40, 88)};
    const POINT pts[3] = {a, b, {b.x - (b.y - a.y) / 2, b.y + (b.x - a.x) / 2}};
    const int mode = (i % 2) ? OPAQUE : TRANSPARENT;
    for (Canvas* c : {&copy, &merge}) {
      c->Clear(RGB(0, 0, 0));
      PenScope p(c->dc(), PS_DASH, 1, pen);
      SetBkMode(c->dc(), mode);
      SetBkColor(c->dc(), bk);
      SetROP2(c->dc(), c == &copy ? R2_COPYPEN : R2_MERGEPEN);
      Polyline(c->dc(), pts, 3);
    }
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        ASSERT_EQ(copy.At(x, y), merge.At(x, y)) << "segment " << i << " at " << x << "," << y;
  }
}

TEST(Lines, WideDashedPenDrawsSolid) {
  Canvas c(40, 9);
  PenScope p(c.dc(), PS_DASH, 3, kBlack);
  SetBkMode(c.dc(), TRANSPARENT);
  MoveToEx(c.dc(), 5, 4, nullptr);
  LineTo(c.dc(), 34, 4);
  for (int x = 5; x <= 34; ++x) EXPECT_EQ(c.At(x, 4), kBlack) << x;
}

TEST(Lines, WidePenHasRoundCapsAndExactWidth) {
  for (int width : {2, 3, 6, 7}) {
    Canvas c(60, 30);
    PenScope p(c.dc(), PS_SOLID, width, kBlack);
    MoveToEx(c.dc(), 15, 15, nullptr);
    LineTo(c.dc(), 45, 15);
    int rows = 0;
    for (int y = 0; y < 30; ++y) rows += c.Ink(30, y);
    EXPECT_EQ(rows, width) << "width " << width;
    // Round cap: past the end point the stroke narrows (small discs are squares in pixels).
    if (width >= 6) {
      int capRows = 0;
      for (int y = 0; y < 30; ++y) capRows += c.Ink(45 + width / 2 - 1, y);
      EXPECT_LT(capRows, width) << "width " << width;
    }
    EXPECT_TRUE(c.Ink(45, 15));
  }
}

TEST(Lines, WideRoundJoinCoversTheCorner) {
  Canvas c(40, 40);
  PenScope p(c.dc(), PS_SOLID, 9, kBlack);
  POINT pts[] = {{5, 30}, {20, 10}, {35, 30}};
  Polyline(c.dc(), pts, 3);
  // Disc of radius 4.5 around the vertex is all ink.
  for (int dy = -4; dy <= 4; ++dy) {
    for (int dx = -4; dx <= 4; ++dx) {
      if (dx * dx + dy * dy <= 16) {
        EXPECT_TRUE(c.Ink(20 + dx, 10 + dy)) << dx << "," << dy;
      }
    }
  }
}

TEST(Lines, FarOffCoordinatesClipWithoutWrapping) {
  Canvas c(240, 320);
  PenScope p(c.dc(), PS_SOLID, 1, kBlack);
  MoveToEx(c.dc(), INT_MIN, 0, nullptr);
  LineTo(c.dc(), INT_MAX, 320);
  // The line crosses the whole width near y = 160 at a shallow slope: every column of the
  // canvas has exactly one pixel, all in rows 159..160.
  for (int x = 0; x < 240; ++x) {
    int n = 0;
    for (int y = 0; y < 320; ++y) {
      if (c.Ink(x, y)) {
        ++n;
        EXPECT_TRUE(y == 159 || y == 160) << x << "," << y;
      }
    }
    EXPECT_EQ(n, 1) << x;
  }
}

TEST(Lines, FarOffWideAndDashedLinesStillDrawTheirVisiblePart) {
  Canvas c(100, 100);
  {
    PenScope p(c.dc(), PS_SOLID, 5, kBlack);
    MoveToEx(c.dc(), -2000000000, 50, nullptr);
    LineTo(c.dc(), 2000000000, 50);
  }
  EXPECT_EQ(c.InkBox().left, 0);
  EXPECT_EQ(c.InkBox().right, 100);
  EXPECT_EQ(c.InkBox().bottom - c.InkBox().top, 5);
  c.Clear(RGB(255, 255, 255));
  PenScope p(c.dc(), PS_DASH, 1, kBlack);
  SetBkMode(c.dc(), TRANSPARENT);
  // Starting 2,000,000,005 px to the left: the pattern is at 2,000,000,005 mod 9 = 7 at x = 0.
  MoveToEx(c.dc(), -2000000005, 10, nullptr);
  LineTo(c.dc(), 100, 10);
  EXPECT_EQ(c.Row(10).substr(0, 12), "..######...#");
}

TEST(Lines, MillionPointPolylineAndDegenerateCounts) {
  Canvas c(240, 320);
  PenScope p(c.dc(), PS_SOLID, 1, kBlack);
  std::vector<POINT> pts(1000000);
  for (size_t i = 0; i < pts.size(); ++i)
    pts[i] = POINT{LONG(i % 480) - 120, LONG((i * 7) % 640) - 160};
  EXPECT_TRUE(Polyline(c.dc(), pts.data(), int(pts.size())));
  EXPECT_FALSE(Polyline(c.dc(), pts.data(), 1));
  EXPECT_FALSE(Polyline(c.dc(), pts.data(), 0));
  EXPECT_FALSE(Polyline(c.dc(), nullptr, 5));
}

TEST(Lines, NullPenDrawsNothing) {
  Canvas c(20, 20);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 19, 19);
  EXPECT_EQ(c.InkCount(), 0);
}

}  // namespace
