// The polygon fill and the wide pen against the plain algorithms they replaced, kept here as
// oracles: an active edge list with crossings sorted per row, and per-row interval lists sorted
// and merged. Random figures (self-intersecting, with holes, with int32-extreme vertices, on
// surfaces narrower and wider than the bit-mask rows), both fill modes, several raster
// operations and a clip of several rectangles must give the same pixels.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/platform_gdi/gdi_test_support.h"

namespace {

// ---- the oracles: which pixels of the clip box a figure covers ----

struct Box {
  int64_t left, top, right, bottom;
};

struct Cover {
  int w, h;
  std::vector<uint8_t> on;
  Cover(int w_, int h_) : w(w_), h(h_), on(size_t(w_) * h_, 0) {}
  // Pixels [x0, x1) of row y, limited to the box (the spans' clip).
  void Span(const Box& b, int64_t y, int64_t x0, int64_t x1) {
    if (y < b.top || y >= b.bottom) return;
    for (int64_t x = std::max(x0, b.left); x < std::min(x1, b.right); ++x)
      on[size_t(y) * size_t(w) + size_t(x)] = 1;
  }
};

int64_t ClampToI64(double v) {
  if (!(v > -4.0e18)) return int64_t(-4000000000000000000LL);
  if (v > 4.0e18) return int64_t(4000000000000000000LL);
  return int64_t(v);
}
int64_t CeilToI64(double v) {
  if (!(v > -4.0e18) || v > 4.0e18) return ClampToI64(v);
  int64_t t = int64_t(v);
  return double(t) < v ? t + 1 : t;
}
int64_t FloorToI64(double v) {
  if (!(v > -4.0e18) || v > 4.0e18) return ClampToI64(v);
  int64_t t = int64_t(v);
  return double(t) > v ? t - 1 : t;
}

struct OEdge {
  int64_t x0, y0, x1, y1;
  int dir;
  bool stepped = false;
  int64_t q = 0, r = 0, dq = 0, dr = 0;
};

void StartEdge(OEdge& e, int64_t y) {
  int64_t dy = e.y1 - e.y0, dx = e.x1 - e.x0;
  const int64_t kCoord = int64_t(1) << 30, kRows = int64_t(1) << 16;
  e.stepped = dy < kRows && e.x0 > -kCoord && e.x0 < kCoord && e.x1 > -kCoord && e.x1 < kCoord;
  if (!e.stepped) return;
  auto floorDiv = [dy](int64_t num, int64_t* q, int64_t* r) {
    *q = num / dy;
    *r = num % dy;
    if (*r < 0) {
      *q -= 1;
      *r += dy;
    }
  };
  floorDiv((y - e.y0) * dx, &e.q, &e.r);
  floorDiv(dx, &e.dq, &e.dr);
}

int64_t EdgeCeil(OEdge& e, int64_t y) {
  if (!e.stepped) {
    double x = double(e.x0) + double(y - e.y0) * double(e.x1 - e.x0) / double(e.y1 - e.y0);
    return CeilToI64(x);
  }
  int64_t c = e.x0 + e.q + (e.r != 0);
  e.q += e.dq;
  e.r += e.dr;
  if (e.r >= e.y1 - e.y0) {
    e.r -= e.y1 - e.y0;
    e.q += 1;
  }
  return c;
}

void OracleFill(Cover& out, const Box& cb, const std::vector<std::vector<POINT>>& rings,
                bool winding) {
  std::vector<OEdge> edges;
  int64_t ymin = INT64_MAX, ymax = INT64_MIN;
  for (const auto& ring : rings)
    for (size_t i = 0; i < ring.size(); ++i) {
      const POINT& pa = ring[i];
      const POINT& pb = ring[(i + 1) % ring.size()];
      if (pa.y == pb.y) continue;
      OEdge e = pa.y < pb.y ? OEdge{pa.x, pa.y, pb.x, pb.y, 1} : OEdge{pb.x, pb.y, pa.x, pa.y, -1};
      if (e.y1 <= cb.top || e.y0 >= cb.bottom) continue;
      ymin = std::min(ymin, e.y0);
      ymax = std::max(ymax, e.y1);
      edges.push_back(e);
    }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const OEdge& a, const OEdge& b) { return a.y0 < b.y0; });
  const int64_t y0 = std::max(ymin, cb.top), y1 = std::min(ymax, cb.bottom);
  std::vector<OEdge*> active;
  size_t next = 0;
  while (next < edges.size() && edges[next].y0 <= y0) {
    if (edges[next].y1 > y0) {
      StartEdge(edges[next], y0);
      active.push_back(&edges[next]);
    }
    ++next;
  }
  for (int64_t y = y0; y < y1; ++y) {
    while (next < edges.size() && edges[next].y0 <= y) {
      StartEdge(edges[next], y);
      active.push_back(&edges[next++]);
    }
    std::vector<std::pair<int64_t, int>> xs;
    size_t keep = 0;
    for (size_t i = 0; i < active.size(); ++i) {
      OEdge* e = active[i];
      if (e->y1 <= y) continue;
      active[keep++] = e;
      xs.push_back({EdgeCeil(*e, y), e->dir});
    }
    active.resize(keep);
    std::stable_sort(xs.begin(), xs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += winding ? xs[i].second : 1;
      if (winding ? wind == 0 : (wind & 1) == 0) continue;
      if (xs[i].first < xs[i + 1].first) out.Span(cb, y, xs[i].first, xs[i + 1].first);
    }
  }
}

// The x range of the capsule around a-b of radius r on the line y = yc, as the pen forms it.
bool CapsuleRow(double ax, double ay, double bx, double by, double r, double yc, double* lo,
                double* hi) {
  const double rr = r * r, dx = bx - ax, dy = by - ay;
  const double len = std::sqrt(dx * dx + dy * dy);
  const double rlen = r * len, len2 = len * len, dyax = dy * ax, ndxax = -dx * ax;
  double l = INFINITY, h = -INFINITY;
  auto disc = [&](double cx, double cy) {
    double d = yc - cy;
    if (d < -r || d > r) return;
    double w = std::sqrt(std::max(0.0, rr - d * d));
    l = std::min(l, cx - w);
    h = std::max(h, cx + w);
  };
  disc(ax, ay);
  disc(bx, by);
  if (len > 0) {
    double bl = -INFINITY, bh = INFINITY;
    auto limit = [&](double coef, double off, double mn, double mx) {
      if (coef == 0) {
        if (off < mn || off > mx) bh = -INFINITY;
        return;
      }
      double p = (mn - off) / coef, q = (mx - off) / coef;
      if (p > q) std::swap(p, q);
      bl = std::max(bl, p);
      bh = std::min(bh, q);
    };
    double ry = yc - ay;
    limit(-dy, dx * ry + dyax, -rlen, rlen);
    limit(dx, ndxax + dy * ry, 0, len2);
    if (bl <= bh) {
      l = std::min(l, bl);
      h = std::max(h, bh);
    }
  }
  if (l > h) return false;
  *lo = l;
  *hi = h;
  return true;
}

void OracleWide(Cover& out, const Box& cb, const std::vector<POINT>& pts, bool closed, int width) {
  const double r = width / 2.0, off = (width % 2 == 0) ? 0.5 : 0.0;
  std::vector<std::vector<std::pair<int64_t, int64_t>>> rows(size_t(cb.bottom - cb.top));
  const size_t segs = pts.size() == 1 ? 1 : (closed ? pts.size() : pts.size() - 1);
  for (size_t i = 0; i < segs; ++i) {
    const POINT& a = pts[i];
    const POINT& b = pts.size() == 1 ? pts[0] : pts[(i + 1) % pts.size()];
    double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    double minx = std::min(ax, bx) - r - 1, maxx = std::max(ax, bx) + r + 1;
    double miny = std::min(ay, by) - r - 1, maxy = std::max(ay, by) + r + 1;
    if (maxx < cb.left || minx > cb.right || maxy < cb.top || miny > cb.bottom) continue;
    const int64_t y0 = std::max(cb.top, FloorToI64(miny));
    const int64_t y1 = std::min(cb.bottom - 1, CeilToI64(maxy));
    for (int64_t y = y0; y <= y1; ++y) {
      double lo, hi;
      if (!CapsuleRow(ax, ay, bx, by, r, double(y) + off, &lo, &hi)) continue;
      int64_t l = CeilToI64(lo - off - 1e-9), h = FloorToI64(hi - off + 1e-9);
      if (l > h || h < cb.left || l >= cb.right) continue;
      rows[size_t(y - cb.top)].push_back({std::max(l, cb.left - 1), std::min(h, cb.right)});
    }
  }
  for (size_t row = 0; row < rows.size(); ++row) {
    auto& list = rows[row];
    std::sort(list.begin(), list.end());
    const int64_t y = int64_t(row) + cb.top;
    for (size_t i = 0; i < list.size();) {
      int64_t curL = list[i].first, curR = list[i].second;
      for (++i; i < list.size() && list[i].first <= curR + 1; ++i)
        curR = std::max(curR, list[i].second);
      out.Span(cb, y, curL, curR + 1);
    }
  }
}

// ---- the comparison ----

COLORREF Rop(int rop, COLORREF pen, COLORREF dst) {
  switch (rop) {
    case R2_XORPEN: return (pen ^ dst) & 0xFFFFFF;
    case R2_NOT: return ~dst & 0xFFFFFF;
    case R2_MERGEPEN: return (pen | dst) & 0xFFFFFF;
    default: return pen;
  }
}

// A surface with a patterned background, an optional clip of a box minus an inner box, and the
// covered pixels checked against what the device drew.
struct Trial {
  Canvas c;
  bool clipped;
  RECT keep{}, hole{};
  std::vector<COLORREF> bg;

  Trial(int w, int h, std::mt19937& rng) : c(w, h), clipped(rng() % 3 == 0), bg(size_t(w) * h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        bg[size_t(y) * w + x] = ((x / 3 + y / 5) % 3 == 0) ? RGB(40, 90, 200) : RGB(255, 255, 255);
        if (bg[size_t(y) * w + x] != RGB(255, 255, 255)) SetPixel(c.dc(), x, y, bg[size_t(y) * w + x]);
      }
    if (clipped) {
      keep = {LONG(rng() % 8), LONG(rng() % 8), LONG(w - rng() % 8), LONG(h - rng() % 8)};
      hole = {keep.left + 4, keep.top + 4, keep.right - 5, keep.bottom - 5};
      IntersectClipRect(c.dc(), keep.left, keep.top, keep.right, keep.bottom);
      ExcludeClipRect(c.dc(), hole.left, hole.top, hole.right, hole.bottom);
    }
  }
  Box ClipBox() const {
    return clipped ? Box{keep.left, keep.top, keep.right, keep.bottom} : Box{0, 0, c.w(), c.h()};
  }
  bool InClip(int x, int y) const {
    if (!clipped) return true;
    auto in = [&](const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
    return in(keep) && !in(hole);
  }
  // The number of pixels that differ from the oracle's picture.
  int Differing(const Cover& cover, int rop, COLORREF color) {
    SelectClipRgn(c.dc(), nullptr);  // reading back is clipped too
    int bad = 0;
    for (int y = 0; y < c.h(); ++y)
      for (int x = 0; x < c.w(); ++x) {
        COLORREF want = bg[size_t(y) * c.w() + x];
        if (cover.on[size_t(y) * c.w() + x] && InClip(x, y)) want = Rop(rop, color, want);
        if (c.At(x, y) != want && bad++ == 0)
          ADD_FAILURE() << "first at " << x << "," << y << ": drawn " << std::hex << c.At(x, y)
                        << " wanted " << want << " covered " << int(cover.on[size_t(y) * c.w() + x])
                        << " clip " << clipped << std::dec;
      }
    return bad;
  }
};

const int kRops[] = {R2_COPYPEN, R2_XORPEN, R2_NOT, R2_MERGEPEN};

// A vertex: mostly near the surface, sometimes at an int32 extreme or far out.
POINT RandomVertex(std::mt19937& rng, int w, int h, bool far) {
  if (far && rng() % 4 == 0) {
    const LONG ext[] = {INT_MIN, INT_MAX, INT_MIN / 2 - 7, INT_MAX / 3 + 11, -100000, 250000};
    return rng() % 2 ? POINT{ext[rng() % 6], LONG(int(rng() % (h + 40)) - 20)}
                     : POINT{LONG(int(rng() % (w + 40)) - 20), ext[rng() % 6]};
  }
  return POINT{LONG(int(rng() % (w + 40)) - 20), LONG(int(rng() % (h + 40)) - 20)};
}

struct Shape {
  int w, h;
  bool far;
};

TEST(RasterDifferential, FillsMatchTheSortedCrossingsOracle) {
  std::mt19937 rng(4301);
  // 96 and 320 px are bit-mask rows; 600 px is wider than they go and takes the crossing lists.
  const Shape shapes[] = {{96, 64, false}, {96, 64, true}, {320, 40, true}, {600, 30, true}};
  int cases = 0;
  for (const Shape& sh : shapes)
    for (int trial = 0; trial < 150; ++trial) {
      Trial t(sh.w, sh.h, rng);
      std::vector<std::vector<POINT>> rings(1 + rng() % 3);  // more than one ring: holes
      for (auto& ring : rings) {
        const int n = 3 + int(rng() % 14);
        for (int i = 0; i < n; ++i) ring.push_back(RandomVertex(rng, sh.w, sh.h, sh.far));
        if (rng() % 5 == 0) ring.push_back(ring.back());  // a repeated vertex
        if (rng() % 5 == 0)  // a level edge
          ring.push_back({LONG(std::min<int64_t>(int64_t(ring[0].x) + 9, INT_MAX)), ring.back().y});
      }
      const bool winding = rng() % 2;
      const int rop = kRops[rng() % 4];
      const COLORREF color = RGB(rng() % 256, rng() % 256, rng() % 256);
      std::vector<POINT> pts;
      std::vector<INT> counts;
      for (const auto& ring : rings) {
        pts.insert(pts.end(), ring.begin(), ring.end());
        counts.push_back(INT(ring.size()));
      }
      HBRUSH brush = CreateSolidBrush(color);
      HGDIOBJ oldBrush = SelectObject(t.c.dc(), brush);
      HGDIOBJ oldPen = SelectObject(t.c.dc(), GetStockObject(NULL_PEN));
      SetPolyFillMode(t.c.dc(), winding ? WINDING : ALTERNATE);
      SetROP2(t.c.dc(), rop);
      ASSERT_TRUE(PolyPolygon(t.c.dc(), pts.data(), counts.data(), int(counts.size())));
      SelectObject(t.c.dc(), oldPen);
      SelectObject(t.c.dc(), oldBrush);
      DeleteObject(brush);
      Cover cover(sh.w, sh.h);
      OracleFill(cover, t.ClipBox(), rings, winding);
      ASSERT_EQ(t.Differing(cover, rop, color), 0)
          << sh.w << "x" << sh.h << " trial " << trial << (winding ? " winding" : " even-odd")
          << " rop " << rop << " rings " << rings.size();
      ++cases;
    }
  EXPECT_EQ(cases, 600);
}

// A figure with more crossings than the row buckets take is walked with an active edge list.
TEST(RasterDifferential, AFillWithMillionsOfCrossingsMatchesTheOracle) {
  std::mt19937 rng(77);
  for (bool winding : {false, true}) {
    Trial t(700, 400, rng);
    std::vector<POINT> ring;
    // A zigzag from top to bottom and back: 3000 edges crossing every row, 1.2 million crossings.
    for (int i = 0; i < 3000; ++i) ring.push_back({LONG(i * 700 / 3000), i % 2 ? 405 : -5});
    HGDIOBJ oldPen = SelectObject(t.c.dc(), GetStockObject(NULL_PEN));
    HGDIOBJ oldBrush = SelectObject(t.c.dc(), GetStockObject(BLACK_BRUSH));
    SetPolyFillMode(t.c.dc(), winding ? WINDING : ALTERNATE);
    ASSERT_TRUE(Polygon(t.c.dc(), ring.data(), int(ring.size())));
    SelectObject(t.c.dc(), oldBrush);
    SelectObject(t.c.dc(), oldPen);
    Cover cover(700, 400);
    OracleFill(cover, t.ClipBox(), {ring}, winding);
    EXPECT_EQ(t.Differing(cover, R2_COPYPEN, RGB(0, 0, 0)), 0) << winding;
  }
}

TEST(RasterDifferential, WidePensMatchTheMergedIntervalsOracle) {
  std::mt19937 rng(4302);
  const Shape shapes[] = {{96, 64, false}, {96, 64, true}, {600, 30, true}};
  int cases = 0;
  for (const Shape& sh : shapes)
    for (int trial = 0; trial < 150; ++trial) {
      Trial t(sh.w, sh.h, rng);
      std::vector<POINT> pts;
      const int n = 2 + int(rng() % 7);
      for (int i = 0; i < n; ++i) pts.push_back(RandomVertex(rng, sh.w, sh.h, sh.far));
      if (rng() % 6 == 0) pts.push_back(pts.back());  // a zero-length segment: a disc
      const int widths[] = {2, 3, 4, 5, 7, 10, 16};
      const int width = widths[rng() % 7];
      const bool closed = rng() % 3 == 0;
      const int rop = kRops[rng() % 4];
      const COLORREF color = RGB(rng() % 256, rng() % 256, rng() % 256);
      {
        PenScope pen(t.c.dc(), PS_SOLID, width, color);
        HGDIOBJ oldBrush = SelectObject(t.c.dc(), GetStockObject(NULL_BRUSH));
        SetROP2(t.c.dc(), rop);
        if (closed)
          ASSERT_TRUE(Polygon(t.c.dc(), pts.data(), int(pts.size())));
        else
          ASSERT_TRUE(Polyline(t.c.dc(), pts.data(), int(pts.size())));
        SelectObject(t.c.dc(), oldBrush);
      }
      Cover cover(sh.w, sh.h);
      OracleWide(cover, t.ClipBox(), pts, closed, width);
      ASSERT_EQ(t.Differing(cover, rop, color), 0)
          << sh.w << "x" << sh.h << " trial " << trial << " width " << width << " rop " << rop
          << (closed ? " closed" : " open");
      ++cases;
    }
  EXPECT_EQ(cases, 450);
}

// Map lines: long random walks of short steps (many shared vertices, level, upright and
// doubling-back segments, where a vertex's disc only touches the neighbouring bands), each
// vertex's disc taken once by the stroke and by every segment in the oracle.
TEST(RasterDifferential, LongWidePolylinesMatchTheMergedIntervalsOracle) {
  std::mt19937 rng(4303);
  const int w = 240, h = 294;
  for (int trial = 0; trial < 300; ++trial) {
    Trial t(w, h, rng);
    std::vector<POINT> pts{RandomVertex(rng, w, h, false)};
    const int n = 2 + int(rng() % 60), reach = 1 + int(rng() % 12);
    for (int i = 1; i < n; ++i) {
      POINT p = pts.back();
      switch (rng() % 4) {
        case 0: p.x += int(rng() % (2 * reach + 1)) - reach; break;
        case 1: p.y += int(rng() % (2 * reach + 1)) - reach; break;
        default:
          p.x += int(rng() % (2 * reach + 1)) - reach;
          p.y += int(rng() % (2 * reach + 1)) - reach;
      }
      pts.push_back(p);
    }
    const int width = 2 + int(rng() % 9);
    const bool closed = rng() % 4 == 0;
    const int rop = kRops[rng() % 4];
    const COLORREF color = RGB(rng() % 256, rng() % 256, rng() % 256);
    {
      PenScope pen(t.c.dc(), PS_SOLID, width, color);
      HGDIOBJ oldBrush = SelectObject(t.c.dc(), GetStockObject(NULL_BRUSH));
      SetROP2(t.c.dc(), rop);
      if (closed)
        ASSERT_TRUE(Polygon(t.c.dc(), pts.data(), int(pts.size())));
      else
        ASSERT_TRUE(Polyline(t.c.dc(), pts.data(), int(pts.size())));
      SelectObject(t.c.dc(), oldBrush);
    }
    Cover cover(w, h);
    OracleWide(cover, t.ClipBox(), pts, closed, width);
    ASSERT_EQ(t.Differing(cover, rop, color), 0)
        << "trial " << trial << " width " << width << " rop " << rop << (closed ? " closed" : " open");
  }
}

}  // namespace
