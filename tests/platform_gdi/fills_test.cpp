// Fills: rectangles, ellipses, polygons under both fill modes, keyhole holes, degenerate input.
#include <vector>

#include "tests/platform_gdi/gdi_test_support.h"

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlue = RGB(0, 0, 255);

class BrushScope {
 public:
  BrushScope(HDC dc, COLORREF c) : dc_(dc), b_(CreateSolidBrush(c)), old_(SelectObject(dc, b_)) {}
  ~BrushScope() {
    SelectObject(dc_, old_);
    DeleteObject(b_);
  }

 private:
  HDC dc_;
  HBRUSH b_;
  HGDIOBJ old_;
};

TEST(Fills, RectangleExcludesRightAndBottom) {
  Canvas c(20, 20);
  BrushScope b(c.dc(), kBlue);
  Rectangle(c.dc(), 2, 3, 10, 12);
  RECT box = c.InkBox();
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.top, 3);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(box.bottom, 12);
  EXPECT_EQ(c.At(2, 3), kBlack);  // outline
  EXPECT_EQ(c.At(9, 11), kBlack);
  EXPECT_EQ(c.At(5, 5), kBlue);  // interior
  RECT r{0, 0, 20, 20};
  FillRect(c.dc(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT f{4, 4, 7, 6};
  FillRect(c.dc(), &f, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.InkCount(), 6);
}

TEST(Fills, ZeroSizeAndNegativeRectanglesAreSafe) {
  Canvas c(20, 20);
  EXPECT_TRUE(Rectangle(c.dc(), 5, 5, 5, 5));
  EXPECT_EQ(c.InkCount(), 0);
  RECT neg{10, 10, 2, 2};
  FillRect(c.dc(), &neg, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.InkCount(), 0);
  EXPECT_TRUE(Ellipse(c.dc(), 5, 5, 5, 9));
  // A reversed box is normalised, as on the platform.
  Rectangle(c.dc(), 10, 10, 2, 2);
  EXPECT_EQ(c.InkBox().left, 2);
  EXPECT_EQ(c.InkBox().right, 10);
}

TEST(Fills, CirclesAreRoundSymmetricAndCentred) {
  for (int r : {2, 3, 5, 8, 9}) {
    Canvas c(40, 40);
    BrushScope b(c.dc(), kBlue);
    const int x = 20, y = 20;
    Ellipse(c.dc(), x - r, y - r, x + r + 1, y + r + 1);
    RECT box = c.InkBox();
    EXPECT_EQ(box.left, x - r) << r;
    EXPECT_EQ(box.right, x + r + 1) << r;
    EXPECT_EQ(box.top, y - r) << r;
    EXPECT_EQ(box.bottom, y + r + 1) << r;
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx) {
        EXPECT_EQ(c.At(x + dx, y + dy), c.At(x - dx, y + dy)) << r;
        EXPECT_EQ(c.At(x + dx, y + dy), c.At(x + dy, y + dx)) << r;
      }
    EXPECT_EQ(c.At(x - r, y - r), kWhite) << "corner of radius " << r;
    EXPECT_EQ(c.At(x, y), r > 1 ? kBlue : kBlack);
  }
}

TEST(Fills, AnEllipseWithItsYCornersInvertedDrawsTheNormalisedBox) {
  // A box made north-up from plane corners has top below bottom: the ring must still be drawn.
  Canvas straight(40, 40), inverted(40, 40);
  Ellipse(straight.dc(), 8, 6, 30, 28);
  Ellipse(inverted.dc(), 8, 28, 30, 6);
  const RECT a = straight.InkBox(), b = inverted.InkBox();
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.top, b.top);
  EXPECT_EQ(a.right, b.right);
  EXPECT_EQ(a.bottom, b.bottom);
  EXPECT_EQ(straight.InkCount(), inverted.InkCount());
  EXPECT_GT(inverted.InkCount(), 0);
}

TEST(Fills, StarIsHollowUnderAlternateAndFullUnderWinding) {
  // A five-pointed star drawn as one self-crossing ring; its centre is wound twice.
  POINT star[] = {{50, 5}, {78, 90}, {5, 37}, {95, 37}, {22, 90}};
  for (int mode : {ALTERNATE, WINDING}) {
    Canvas c(100, 100);
    SelectObject(c.dc(), GetStockObject(NULL_PEN));
    BrushScope b(c.dc(), kBlack);
    SetPolyFillMode(c.dc(), mode);
    Polygon(c.dc(), star, 5);
    EXPECT_EQ(c.At(50, 50), mode == WINDING ? kBlack : kWhite) << mode;
    EXPECT_EQ(c.At(50, 20), kBlack);  // a point of the star
  }
}

TEST(Fills, PolygonMatchesRectanglePixelRule) {
  Canvas c(20, 20);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  BrushScope b(c.dc(), kBlack);
  POINT sq[] = {{2, 2}, {12, 2}, {12, 8}, {2, 8}};
  Polygon(c.dc(), sq, 4);
  RECT box = c.InkBox();
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.right, 12);
  EXPECT_EQ(box.top, 2);
  EXPECT_EQ(box.bottom, 8);
  EXPECT_EQ(c.InkCount(), 60);
}

TEST(Fills, KeyholeBridgedHoleStaysEmptyWithoutSeam) {
  // Outer ring 10..90, hole 30..70, joined by a bridge along y = 50 walked both ways.
  POINT ring[] = {{10, 10}, {90, 10}, {90, 50}, {70, 50}, {70, 30}, {30, 30}, {30, 70},
                  {70, 70}, {70, 50}, {90, 50}, {90, 90}, {10, 90}};
  Canvas c(100, 100);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  BrushScope b(c.dc(), kBlack);
  Polygon(c.dc(), ring, 12);
  EXPECT_EQ(c.At(50, 50), kWhite);  // the hole
  for (int x = 10; x < 90; ++x) {
    if (x < 30 || x >= 70) {
      EXPECT_EQ(c.At(x, 50), kBlack) << "seam at " << x;
    }
  }
  for (int x = 70; x < 90; ++x) EXPECT_EQ(c.At(x, 49), kBlack) << x;
  EXPECT_EQ(c.InkCount(), 80 * 80 - 40 * 40);
}

TEST(Fills, NullPenFillCoversTheInteriorOfAnOutlinedPolygon) {
  POINT tri[] = {{5, 5}, {60, 12}, {20, 55}};
  Canvas filled(70, 70), outlined(70, 70);
  SelectObject(filled.dc(), GetStockObject(NULL_PEN));
  SelectObject(filled.dc(), GetStockObject(BLACK_BRUSH));
  Polygon(filled.dc(), tri, 3);
  SelectObject(outlined.dc(), GetStockObject(BLACK_PEN));
  BrushScope b(outlined.dc(), kBlue);
  Polygon(outlined.dc(), tri, 3);
  int interior = 0, black = 0;
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 70; ++x) {
      if (filled.At(x, y) == kBlack) ++black;
      if (outlined.At(x, y) == kBlue) {
        ++interior;
        EXPECT_EQ(filled.At(x, y), kBlack) << x << "," << y;
      }
    }
  }
  // The triangle's area is 1322.5 pixels (shoelace); the outline covers at most its 138 stepped
  // pixels of it. Without these counts a fill that draws nothing would pass.
  EXPECT_GT(interior, 1322 - 138);
  EXPECT_GT(black, 1250);
  EXPECT_LT(black, 1400);
}

TEST(Fills, DegeneratePolygonsAndBadHandles) {
  Canvas c(20, 20);
  POINT p[] = {{1, 1}, {10, 10}};
  EXPECT_FALSE(Polygon(c.dc(), p, 0));
  EXPECT_FALSE(Polygon(c.dc(), p, 1));
  EXPECT_TRUE(Polygon(c.dc(), p, 2));  // a closed two-point ring is its outline only
  EXPECT_EQ(c.At(5, 5), kBlack);
  EXPECT_FALSE(Polygon(nullptr, p, 2));
  HBRUSH dead = CreateSolidBrush(kBlue);
  DeleteObject(dead);
  RECT r{0, 0, 5, 5};
  EXPECT_EQ(FillRect(c.dc(), &r, dead), 0);
  EXPECT_EQ(SelectObject(c.dc(), dead), nullptr);
  HDC gone = CreateCompatibleDC(nullptr);
  DeleteDC(gone);
  EXPECT_FALSE(Rectangle(gone, 0, 0, 5, 5));
  EXPECT_EQ(GetPixel(gone, 0, 0), CLR_INVALID);
  EXPECT_FALSE(DeleteDC(gone));
}

TEST(Fills, PolyPolygonFillsEachRingAndHolesUnderAlternate) {
  POINT pts[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {5, 5}, {15, 5}, {15, 15}, {5, 15},
                 {30, 0}, {40, 0}, {40, 10}};
  INT counts[] = {4, 4, 3};
  Canvas c(50, 30);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(PolyPolygon(c.dc(), pts, counts, 3));
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(10, 10), kWhite);
  EXPECT_EQ(c.At(38, 2), kBlack);
}

TEST(Fills, FarOffPolygonFillsItsVisiblePart) {
  Canvas c(50, 50);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  POINT big[] = {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX},
                 {INT32_MIN, INT32_MAX}};
  Polygon(c.dc(), big, 4);
  EXPECT_EQ(c.InkCount(), 2500);
}

TEST(Fills, ClipRectangleLimitsDrawing) {
  Canvas c(30, 30);
  IntersectClipRect(c.dc(), 10, 10, 20, 20);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  Rectangle(c.dc(), 0, 0, 30, 30);
  EXPECT_EQ(GetPixel(c.dc(), 5, 5), CLR_INVALID);  // reading is clipped too
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(c.InkCount(), 100);
  c.Clear(kWhite);
  ExcludeClipRect(c.dc(), 0, 0, 30, 15);
  RECT r{0, 0, 30, 30};
  FillRect(c.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(c.InkCount(), 30 * 15);
}

}  // namespace

namespace {

// The pixels of the top-left w x h corner of a canvas, for comparing two drawings.
std::vector<COLORREF> Corner(const Canvas& c, int w, int h) {
  std::vector<COLORREF> v;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.push_back(c.At(x, y));
  return v;
}

TEST(Fills, RoundRectCornerIsTheSameWhateverTheFarEdge) {
  // The left and top of a rounded box must not depend on how far away its right and bottom
  // lie, up to the end of the int32 range (where l + r no longer fits in 32 bits).
  for (bool pen : {false, true}) {
    Canvas small(40, 40), huge(40, 40);
    for (Canvas* c : {&small, &huge}) {
      if (!pen) SelectObject(c->dc(), GetStockObject(NULL_PEN));
      BrushScope b(c->dc(), kBlue);
      int far = c == &small ? 60 : INT32_MAX;
      EXPECT_TRUE(RoundRect(c->dc(), 10, 12, far, far, 8, 6));
    }
    EXPECT_EQ(Corner(small, 40, 40), Corner(huge, 40, 40)) << "pen " << pen;
    EXPECT_EQ(huge.At(10, 30), pen ? kBlack : kBlue);  // the straight left side
    EXPECT_EQ(huge.At(9, 30), kWhite);
    EXPECT_EQ(huge.At(30, 12), pen ? kBlack : kBlue);
  }
}

TEST(Fills, RoundRectWithInt32CornersFillsItsVisibleInterior) {
  // Corner radii of a billion pixels: bounded work and memory, and the canvas, deep inside
  // the box, is filled.
  Canvas c(30, 30);
  BrushScope b(c.dc(), kBlue);
  EXPECT_TRUE(RoundRect(c.dc(), -2000000000, -2000000000, 2000000000, 2000000000, INT32_MAX,
                        INT32_MIN));
  EXPECT_EQ(c.Count(kBlue), 30 * 30);
}

}  // namespace
