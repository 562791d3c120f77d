// A 1-px dashed pen on an ellipse: the outline is dashed as lines are (6 on, 3 off along it);
// the solid outline and wider dashed pens keep every outline pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "gdi_test_support.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

// The pixels within half a pixel of the circle of radius r round (c, c), in the order of their
// angle: an outline walked once round, found without the rasterizer.
std::vector<POINT> RingByAngle(int c, int r) {
  struct P {
    double angle;
    POINT p;
  };
  std::vector<P> ring;
  for (int y = c - r - 1; y <= c + r + 1; ++y)
    for (int x = c - r - 1; x <= c + r + 1; ++x) {
      const double d = std::hypot(x - c, y - c);
      if (std::fabs(d - r) < 0.5) ring.push_back({std::atan2(y - c, x - c), POINT{x, y}});
    }
  std::sort(ring.begin(), ring.end(), [](const P& a, const P& b) { return a.angle < b.angle; });
  std::vector<POINT> out;
  for (const P& p : ring) out.push_back(p.p);
  return out;
}

void Draw(Canvas& c, int style, int width, int cx, int r) {
  HPEN pen = CreatePen(style, width, kRed);
  HGDIOBJ oldPen = SelectObject(c.dc(), pen);
  HGDIOBJ oldBrush = SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  SetBkMode(c.dc(), TRANSPARENT);
  Ellipse(c.dc(), cx - r, cx - r, cx + r + 1, cx + r + 1);
  SelectObject(c.dc(), oldBrush);
  SelectObject(c.dc(), oldPen);
  DeleteObject(pen);
}

TEST(DashedEllipse, ThinDashedOutlineHasSixOnThreeOffRunsAlongIt) {
  Canvas c(120, 120);
  Draw(c, PS_DASH, 1, 60, 50);
  const std::vector<POINT> ring = RingByAngle(60, 50);
  ASSERT_GT(ring.size(), 250u);
  int lit = 0;
  for (const POINT& p : ring) lit += c.At(p.x, p.y) == kRed;
  // Nothing off the outline, and two thirds of it lit.
  EXPECT_EQ(c.Count(kRed), lit);
  EXPECT_NEAR(double(lit) / double(ring.size()), 6.0 / 9.0, 0.06);
  // Runs of lit and unlit pixels round the ring (from a gap, so that no run is cut in two),
  // each measured along the outline as a dash is: the steps along the faster-changing axis.
  size_t start = 0;
  while (start < ring.size() && c.At(ring[start].x, ring[start].y) == kRed) ++start;
  ASSERT_LT(start, ring.size());
  std::vector<int> on, off;
  POINT first = ring[start], last = ring[start];
  bool lastOn = false;
  for (size_t k = 1; k <= ring.size(); ++k) {
    const POINT& p = ring[(start + k) % ring.size()];
    const bool isOn = c.At(p.x, p.y) == kRed;
    if (isOn != lastOn) {
      const int steps = int(std::max(std::labs(last.x - first.x), std::labs(last.y - first.y))) + 1;
      (lastOn ? on : off).push_back(steps);
      first = p;
    }
    last = p;
    lastOn = isOn;
  }
  ASSERT_GT(on.size(), 25u);
  // The count starts at the rightmost point; where it closes, one dash may run into the first.
  int odd = 0;
  for (int n : on) odd += n < 5 || n > 7;
  for (int n : off) EXPECT_TRUE(n >= 2 && n <= 4) << n;
  EXPECT_LE(odd, 1);
}

TEST(DashedEllipse, SolidWideAndHugeOutlines) {
  Canvas solid(120, 120), wide(120, 120), wideSolid(120, 120);
  Draw(solid, PS_SOLID, 1, 60, 50);
  for (const POINT& p : RingByAngle(60, 50)) EXPECT_EQ(solid.At(p.x, p.y), kRed);
  Draw(wide, PS_DASH, 3, 60, 50);
  Draw(wideSolid, PS_SOLID, 3, 60, 50);
  EXPECT_EQ(wide.Count(kRed), wideSolid.Count(kRed));  // wider pens stay solid
  // Radius 10^9: only the part inside the canvas is walked, a dashed near-vertical line at x 5.
  Canvas huge(40, 40);
  HPEN pen = CreatePen(PS_DASH, 1, kRed);
  HGDIOBJ old = SelectObject(huge.dc(), pen);
  SelectObject(huge.dc(), GetStockObject(NULL_BRUSH));
  EXPECT_TRUE(Ellipse(huge.dc(), 5, 20 - 1000000000, 5 + 2000000001, 20 + 1000000001));
  SelectObject(huge.dc(), old);
  DeleteObject(pen);
  EXPECT_GT(huge.Count(kRed), 20);
  EXPECT_LT(huge.Count(kRed), 34);
}

}  // namespace
