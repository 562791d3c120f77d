// What the renderer relies on of the drawing layer, checked on real pixels: dashed pens and
// their phase, wide round lines, even-odd fills with bridged holes, the right and bottom edge
// rule of boxes, turned text and its measuring, far-off coordinates and colour -1.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/harness.h"
#include "platform/win.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0);

class Surface {
 public:
  Surface(int w = 240, int h = 320) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateCompatibleBitmap(dc_, w, h);
    old_ = SelectObject(dc_, bmp_);
    RECT r{0, 0, w, h};
    FillRect(dc_, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
  }
  ~Surface() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  bool Ink(int x, int y) const { return At(x, y) != kWhite; }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) n += At(x, y) == c;
    return n;
  }
  RECT InkBox() const {
    RECT r{w_, h_, -1, -1};
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (Ink(x, y)) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  std::string Row(int y, int from, int to) const {
    std::string s;
    for (int x = from; x < to; ++x) s.push_back(Ink(x, y) ? '#' : '.');
    return s;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

struct Pen {
  HDC dc;
  HPEN pen;
  HGDIOBJ old;
  Pen(HDC d, int style, int width, COLORREF c) : dc(d), pen(CreatePen(style, width, c)) {
    old = SelectObject(dc, pen);
  }
  ~Pen() {
    SelectObject(dc, old);
    DeleteObject(pen);
  }
};

}  // namespace

TEST(RenderGdi, DashedPenPatternRunsOnAcrossVertices) {
  Surface s;
  SetBkMode(s.dc(), TRANSPARENT);
  {
    Pen p(s.dc(), PS_DASH, 1, kBlack);
    // Vertices every 4 px: the 6-on, 3-off pattern must not restart at each of them.
    POINT pts[10];
    for (int i = 0; i < 10; ++i) pts[i] = {10 + 4 * i, 20};
    Polyline(s.dc(), pts, 10);
  }
  EXPECT_EQ(s.Row(20, 10, 46), "######...######...######...######...");
  // Gaps in OPAQUE mode take the background colour.
  Surface o;
  RECT all{0, 0, 240, 320};
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  FillRect(o.dc(), &all, grey);
  DeleteObject(grey);
  SetBkMode(o.dc(), OPAQUE);
  SetBkColor(o.dc(), RGB(0, 0, 255));
  {
    Pen p(o.dc(), PS_DASH, 1, kBlack);
    POINT pts[2] = {{10, 20}, {30, 20}};
    Polyline(o.dc(), pts, 2);
  }
  EXPECT_EQ(o.At(10, 20), kBlack);
  EXPECT_EQ(o.At(17, 20), RGB(0, 0, 255));
}

TEST(RenderGdi, WidthsZeroOneAndWideDashed) {
  Surface s;
  {
    Pen p(s.dc(), PS_SOLID, 0, kBlack);
    POINT pts[2] = {{10, 10}, {20, 10}};
    Polyline(s.dc(), pts, 2);
  }
  EXPECT_EQ(s.Row(10, 8, 22), "..##########..");  // 1 px, the last point left out
  EXPECT_FALSE(s.Ink(10, 11));
  {
    Pen p(s.dc(), PS_DASH, 3, kBlack);  // wider dashed pens draw solid
    POINT pts[2] = {{10, 50}, {60, 50}};
    Polyline(s.dc(), pts, 2);
  }
  for (int x = 12; x < 58; ++x) EXPECT_TRUE(s.Ink(x, 50)) << x;
}

TEST(RenderGdi, WideLinesHaveRoundCapsAndAreNotAntialiased) {
  Surface s;
  {
    Pen p(s.dc(), PS_SOLID, 21, kRed);
    POINT pts[3] = {{50, 50}, {150, 50}, {150, 150}};
    Polyline(s.dc(), pts, 3);
  }
  // Round cap: the corner of a square cap stays white, the disc edge is inked.
  EXPECT_EQ(s.At(50 - 10, 50), kRed);
  EXPECT_EQ(s.At(50 - 9, 50 - 9), kWhite);
  // Round join outside the corner.
  EXPECT_EQ(s.At(150 + 7, 50 - 7), kRed);
  EXPECT_EQ(s.At(150 + 10, 50 - 10), kWhite);
  // Only the two colours: no blended edge pixels.
  EXPECT_EQ(s.Count(kRed) + s.Count(kWhite), 240 * 320);
}

TEST(RenderGdi, EvenOddFillWithBridgedHoleAndNullPen) {
  Surface s;
  HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
  HGDIOBJ oldBrush = SelectObject(s.dc(), green);
  HPEN none = CreatePen(PS_NULL, 0, 0);
  HGDIOBJ oldPen = SelectObject(s.dc(), none);
  // Outer 20..120, hole 50..90, bridged from (20, 70) to (50, 70) and back.
  POINT ring[] = {{20, 20},  {120, 20}, {120, 120}, {20, 120}, {20, 70}, {50, 70},
                  {50, 90},  {90, 90},  {90, 50},   {50, 50},  {50, 70}, {20, 70}, {20, 20}};
  Polygon(s.dc(), ring, 13);
  SelectObject(s.dc(), oldPen);
  DeleteObject(none);
  SelectObject(s.dc(), oldBrush);
  DeleteObject(green);
  EXPECT_EQ(s.At(30, 30), RGB(0, 128, 0));
  EXPECT_EQ(s.At(70, 70), kWhite);  // the hole stays empty
  // No seam along the doubled bridge edge.
  for (int x = 21; x < 50; ++x) {
    EXPECT_EQ(s.At(x, 70), RGB(0, 128, 0)) << x;
    EXPECT_EQ(s.At(x, 69), RGB(0, 128, 0)) << x;
  }
  EXPECT_EQ(s.At(119, 119), RGB(0, 128, 0));
  EXPECT_EQ(s.At(120, 60), kWhite);  // right edge excluded

  // A null-pen fill covers the interior pixels of the same polygon outlined with a pen.
  Surface a, b;
  POINT tri[4] = {{10, 10}, {100, 30}, {40, 90}, {10, 10}};
  {
    Pen p(a.dc(), PS_SOLID, 1, kBlack);
    HGDIOBJ hollow = SelectObject(a.dc(), GetStockObject(NULL_BRUSH));
    Polygon(a.dc(), tri, 4);
    SelectObject(a.dc(), hollow);
  }
  {
    Pen p(b.dc(), PS_NULL, 0, 0);
    HGDIOBJ black = SelectObject(b.dc(), GetStockObject(BLACK_BRUSH));
    Polygon(b.dc(), tri, 4);
    SelectObject(b.dc(), black);
  }
  // Convex: every pixel between a row's leftmost and rightmost outline pixel is interior.
  for (int y = 0; y < 100; ++y) {
    int left = -1, right = -1;
    for (int x = 0; x < 110; ++x)
      if (a.Ink(x, y)) {
        if (left < 0) left = x;
        right = x;
      }
    for (int x = left + 1; x < right; ++x) {
      if (!a.Ink(x, y)) {
        EXPECT_TRUE(b.Ink(x, y)) << "interior pixel " << x << "," << y;
      }
    }
  }
}

TEST(RenderGdi, BoxesExcludeRightAndBottomAndCirclesAreSymmetric) {
  Surface s;
  HGDIOBJ hollow = SelectObject(s.dc(), GetStockObject(NULL_BRUSH));
  {
    Pen p(s.dc(), PS_SOLID, 1, kBlack);
    Ellipse(s.dc(), 100 - 9, 100 - 9, 100 + 10, 100 + 10);
  }
  RECT box = s.InkBox();
  EXPECT_EQ(box.left, 91);
  EXPECT_EQ(box.right, 110);  // 19 px wide: centred on 100
  EXPECT_EQ(box.top, 91);
  EXPECT_EQ(box.bottom, 110);
  SelectObject(s.dc(), hollow);
  for (int r : {2, 3, 5, 8}) {
    Surface c(40, 40);
    {
      Pen p(c.dc(), PS_SOLID, 1, kBlack);
      HGDIOBJ white = SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
      Ellipse(c.dc(), 20 - r, 20 - r, 20 + r, 20 + r);
      SelectObject(c.dc(), white);
    }
    const RECT b = c.InkBox();
    EXPECT_EQ(b.right - b.left, 2 * r) << r;
    EXPECT_EQ(b.bottom - b.top, 2 * r) << r;
    // Mirror symmetric about the box's middle, both ways.
    for (int y = b.top; y < b.bottom; ++y)
      for (int x = b.left; x < b.right; ++x) {
        EXPECT_EQ(c.Ink(x, y), c.Ink(b.left + b.right - 1 - x, y)) << r << " " << x << "," << y;
        EXPECT_EQ(c.Ink(x, y), c.Ink(x, b.top + b.bottom - 1 - y)) << r << " " << x << "," << y;
      }
    // Round: the box corners stay empty.
    EXPECT_FALSE(c.Ink(b.left, b.top)) << r;
  }
  Surface q;
  HGDIOBJ black = SelectObject(q.dc(), GetStockObject(BLACK_BRUSH));
  Rectangle(q.dc(), 10, 10, 20, 20);
  SelectObject(q.dc(), black);
  EXPECT_TRUE(q.Ink(19, 19));
  EXPECT_FALSE(q.Ink(20, 15));
  EXPECT_FALSE(q.Ink(15, 20));
}

TEST(RenderGdi, TextMeasuresAsItDrawsAndTurns) {
  harness::Start();
  Surface s;
  LOGFONTW lf{};
  lf.lfHeight = 20;
  lf.lfWeight = 700;
  wcscpy(lf.lfFaceName, L"Arial");
  HFONT f = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(s.dc(), f);
  TEXTMETRICW tm{};
  GetTextMetricsW(s.dc(), &tm);
  EXPECT_EQ(tm.tmHeight, 20);  // the cell height asked for
  const std::wstring text = L"Wavy label";
  INT prefix[16] = {};
  SIZE size{};
  GetTextExtentExPointW(s.dc(), text.c_str(), int(text.size()), 0, nullptr, prefix, &size);
  // Drawing the first k characters ends where the prefix width says.
  SetBkMode(s.dc(), TRANSPARENT);
  ExtTextOutW(s.dc(), 10, 10, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
  RECT ink = s.InkBox();
  EXPECT_LE(ink.right, 10 + prefix[text.size() - 1] + 2);
  EXPECT_GE(ink.right, 10 + prefix[text.size() - 1] - 4);
  // lpDx advances: two characters 40 px apart.
  Surface d;
  HGDIOBJ old2 = SelectObject(d.dc(), f);
  SetBkMode(d.dc(), TRANSPARENT);
  const INT dx[2] = {40, 40};
  ExtTextOutW(d.dc(), 10, 10, 0, nullptr, L"II", 2, dx);
  int runs = 0;
  for (int x = 0; x < 240; ++x)
    if (d.Ink(x, 20) && !d.Ink(x - 1, 20)) ++runs;
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(d.Ink(10 + 40 + 2, 20) || d.Ink(10 + 40 + 3, 20));
  SelectObject(d.dc(), old2);
  SelectObject(s.dc(), old);
  DeleteObject(f);

  // Escapement 2700 (tenths, counter-clockwise): text reads downwards from the reference point.
  lf.lfEscapement = lf.lfOrientation = 2700;
  HFONT down = CreateFontIndirectW(&lf);
  Surface t;
  old = SelectObject(t.dc(), down);
  SetBkMode(t.dc(), TRANSPARENT);
  ExtTextOutW(t.dc(), 100, 20, 0, nullptr, L"HHHHH", 5, nullptr);
  RECT turned = t.InkBox();
  EXPECT_GT(turned.bottom - turned.top, turned.right - turned.left);
  EXPECT_GE(turned.top, 18);
  EXPECT_LE(turned.right, 101);  // the text's top faces east, so it lies left of x = 100
  // OPAQUE fills the turned box.
  SelectObject(t.dc(), old);
  Surface u;
  old = SelectObject(u.dc(), down);
  SetBkMode(u.dc(), OPAQUE);
  SetBkColor(u.dc(), RGB(0, 0, 255));
  ExtTextOutW(u.dc(), 100, 20, 0, nullptr, L"HHHHH", 5, nullptr);
  const RECT filled = u.InkBox();
  EXPECT_GT(filled.bottom - filled.top, filled.right - filled.left);
  EXPECT_GT(u.Count(RGB(0, 0, 255)), 50);
  SelectObject(u.dc(), old);
  // Negative escapements turn the other way.
  lf.lfEscapement = lf.lfOrientation = -900;
  HFONT neg = CreateFontIndirectW(&lf);
  Surface v;
  old = SelectObject(v.dc(), neg);
  SetBkMode(v.dc(), TRANSPARENT);
  ExtTextOutW(v.dc(), 100, 20, 0, nullptr, L"HHHHH", 5, nullptr);
  EXPECT_GT(v.InkBox().bottom - v.InkBox().top, v.InkBox().right - v.InkBox().left);
  SelectObject(v.dc(), old);
  DeleteObject(neg);
  DeleteObject(down);
  harness::Stop();
}

TEST(RenderGdi, FarCoordinatesCostVisiblePixelsOnly) {
  harness::Start();
  Surface s;
  const auto start = std::chrono::steady_clock::now();
  {
    Pen p(s.dc(), PS_SOLID, 40, kBlack);
    POINT pts[2] = {{-2147483000, 100}, {2147483000, 120}};
    Polyline(s.dc(), pts, 2);
    EXPECT_TRUE(s.Ink(120, 110));
    EXPECT_FALSE(s.Ink(120, 150));
    HGDIOBJ black = SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    POINT tri[3] = {{-2147483647, 300}, {2147483647, 300}, {0, 2147483647}};
    Polygon(s.dc(), tri, 3);
    SelectObject(s.dc(), black);
  }
  // A 5,000-pixel label far off to the left: its glyphs are not drawn into a bitmap of its size.
  LOGFONTW lf{};
  lf.lfHeight = 5000;
  wcscpy(lf.lfFaceName, L"Arial");
  HFONT huge = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(s.dc(), huge);
  SetBkMode(s.dc(), TRANSPARENT);
  ExtTextOutW(s.dc(), -2000000000, -2000000000, 0, nullptr, L"Far away", 8, nullptr);
  ExtTextOutW(s.dc(), -1000, -1000, 0, nullptr, L"W", 1, nullptr);
  SelectObject(s.dc(), old);
  DeleteObject(huge);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // The clipped work takes milliseconds; stroking the line over its whole 4-billion-pixel length
  // would take hours. The bound only tells those apart, so a loaded machine cannot cross it.
  EXPECT_LT(ms, 20000.0);
  EXPECT_TRUE(s.Ink(120, 110));
  harness::Stop();
}

// Boxes as wide as the int32 range: their width does not fit an int, so the device must form
// it in 64 bits (the sanitizer build reports the overflow otherwise).
TEST(RenderGdi, RectangleSpanningTheWholeInt32Range) {
  Surface s;
  Pen p(s.dc(), PS_SOLID, 1, kBlack);
  HGDIOBJ black = SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
  Rectangle(s.dc(), -2147483647, 200, 2147483647, 2147483647);
  SelectObject(s.dc(), black);
  EXPECT_TRUE(s.Ink(5, 250));
  EXPECT_FALSE(s.Ink(5, 190));
}

TEST(RenderGdi, EllipseSpanningTheWholeInt32Range) {
  Surface s;
  Pen p(s.dc(), PS_SOLID, 1, kBlack);
  HGDIOBJ black = SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
  Ellipse(s.dc(), -2147483647, -2147483647, 2147483647, 2147483647);
  SelectObject(s.dc(), black);
  EXPECT_TRUE(s.Ink(5, 5));  // the middle of an ellipse that spans the plane
}

TEST(RenderGdi, ColourMinusOneIsWhiteAndBlitsCopy) {
  Surface s;
  RECT r{0, 0, 240, 320};
  FillRect(s.dc(), &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
  {
    Pen p(s.dc(), PS_SOLID, 3, COLORREF(-1));
    POINT pts[2] = {{10, 10}, {50, 10}};
    Polyline(s.dc(), pts, 2);
  }
  EXPECT_EQ(s.At(20, 10), kWhite);
  HBRUSH minusOne = CreateSolidBrush(COLORREF(-1));
  RECT box{100, 100, 110, 110};
  FillRect(s.dc(), &box, minusOne);
  DeleteObject(minusOne);
  EXPECT_EQ(s.At(105, 105), kWhite);
  harness::Start();
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 240);
  EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 320);
  EXPECT_TRUE(BitBlt(screen, 0, 0, 240, 320, s.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(screen, 105, 105), kWhite);
  EXPECT_EQ(GetPixel(screen, 5, 5), kBlack);
  ReleaseDC(nullptr, screen);
  harness::Stop();
}
