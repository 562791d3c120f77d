// The rasterizer: pixels, thin and wide lines, polygon fills, rectangles and ellipses.
//
// Pixel rules (aliased, as on the handheld):
// - An integer coordinate names a pixel's centre. Fills take pixels whose centres lie inside,
//   with left and top edges in and right and bottom edges out, so Rectangle(0, 0, 10, 10) and
//   Polygon over the same corners both cover pixels 0..9.
// - A 1-px line lights max(|dx|, |dy|) pixels: the last point is left out, so the segments of
//   a polyline meet without drawing a vertex twice (which matters under R2_XORPEN).
// - A dashed 1-px pen runs 6 pixels on, 3 off, counted along the major axis, and the count runs
//   on from one segment to the next within one figure. An ellipse's 1-px dashed outline is
//   counted along the outline from its rightmost point.
// - A pen wider than 1 px is the union of discs of diameter `width` swept along the path: round
//   caps and joins. Dashes do not apply to it.
//
// Every coordinate is 64-bit on entry and every loop is bounded by the clip rectangle, never by
// the figure: the cost of a primitive is its visible pixels plus its vertex count.
#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdi/gdi_internal.h"

namespace vplat::gdi {
namespace {

constexpr int kDashOn = 6, kDashPeriod = 9;

int64_t ClampToI64(double v) {
  if (!(v > -4.0e18)) return int64_t(-4000000000000000000LL);
  if (v > 4.0e18) return int64_t(4000000000000000000LL);
  return int64_t(v);
}

// ceil and floor by truncation: the library calls cost more than the rest of a row's work.
// Within the clamp a double either converts exactly or is already whole (above 2^52).
inline int64_t CeilToI64(double v) {
  if (!(v > -4.0e18) || v > 4.0e18) return ClampToI64(v);
  int64_t t = int64_t(v);  // towards zero
  return double(t) < v ? t + 1 : t;
}
inline int64_t FloorToI64(double v) {
  if (!(v > -4.0e18) || v > 4.0e18) return ClampToI64(v);
  int64_t t = int64_t(v);
  return double(t) > v ? t - 1 : t;
}

inline bool InClip(const Dc& dc, int64_t x, int64_t y) {
  if (x < dc.clipBox.left || x >= dc.clipBox.right || y < dc.clipBox.top || y >= dc.clipBox.bottom)
    return false;
  if (dc.clip.size() == 1) return true;
  for (const RECT& r : dc.clip)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

struct Pt64 {
  int64_t x, y;
};

struct Edge {
  int64_t x0, y0, x1, y1;  // y0 < y1
  int dir;
  // Stepping state of an edge small enough to walk in integers (see StartEdge): the crossing
  // at row y0 + t is x0 + q + (r != 0), with q = floor(t dx / dy), r = t dx - q dy.
  bool stepped = false;
  int64_t q = 0, r = 0, dq = 0, dr = 0;
};

// Edges within kStepCoord of the origin and under kStepRows tall are walked row by row in
// integers. For them the double formula x0 + t dx / dy, rounded twice with an error under 2^-21,
// cannot cross an integer (a crossing that is not whole sits at least 1/dy >= 2^-16 from one),
// so both give the same pixel; larger edges keep the formula.
constexpr int64_t kStepCoord = int64_t(1) << 30, kStepRows = int64_t(1) << 16;

// Prepares `e` for its first visited row y.
void StartEdge(Edge& e, int64_t y) {
  int64_t dy = e.y1 - e.y0, dx = e.x1 - e.x0;
  e.stepped = dy < kStepRows && e.x0 > -kStepCoord && e.x0 < kStepCoord && e.x1 > -kStepCoord &&
              e.x1 < kStepCoord;
  if (!e.stepped) return;
  auto floorDiv = [dy](int64_t num, int64_t* q, int64_t* r) {
    if (num > INT32_MIN && num < INT32_MAX) {  // dy < 2^16: a 32-bit division, several times faster
      *q = int32_t(num) / int32_t(dy);
      *r = int32_t(num) % int32_t(dy);
    } else {
      *q = num / dy;
      *r = num % dy;
    }
    if (*r < 0) {
      *q -= 1;
      *r += dy;
    }
  };
  // Most edges start on their own top row and are steeper than 45 degrees: then the quotients
  // are known without a division (a 64-bit division costs as much as a dozen rows).
  if (y == e.y0) {
    e.q = 0;
    e.r = 0;
  } else {
    floorDiv((y - e.y0) * dx, &e.q, &e.r);  // under 2^16 * 2^31
  }
  if (dx >= 0 && dx < dy) {
    e.dq = 0;
    e.dr = dx;
  } else if (dx < 0 && -dx < dy) {
    e.dq = -1;
    e.dr = dx + dy;
  } else {
    floorDiv(dx, &e.dq, &e.dr);
  }
}

// The first pixel right of edge `e` on row y (its crossing rounded up), then on to row y + 1.
inline int64_t EdgeCeil(Edge& e, int64_t y) {
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

// Integer pixel interval [l, h] of one row of a wide stroke, both ends included.
struct Interval {
  int64_t l, h;
};

// Working storage reused from call to call, so that drawing allocates only while the largest
// figure so far grows. One per thread: the drawing calls may come from any thread.
struct Scratch {
  std::vector<Pt64> dev;
  std::vector<std::vector<Interval>> rows;  // per clip-box row, wide strokes
  std::vector<Edge> edges;
  std::vector<Edge*> active;
  std::vector<int64_t> keys;  // fill crossings (see FillRow)
  std::vector<uint32_t> rowStart, rowFill;
  std::vector<uint64_t> bits;        // even-odd fill rows as bit masks
  std::vector<uint64_t> strokeBits;  // wide stroke rows as bit masks, all clear between calls
};

// Not inlined on purpose: each thread-local access from a shared library is a call into the
// loader, and once inlined the compiler repeats it at every use instead of keeping the address.
[[gnu::noinline]] Scratch& TheScratch() {
  static thread_local Scratch s;
  return s;
}

// True when (x, y), already known to lie in the clip box, lies in one of the clip rectangles.
inline bool InClipRects(const Dc& dc, int64_t x, int64_t y) {
  for (const RECT& r : dc.clip)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

inline bool InBox(const RECT& r, const Pt64& p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// What stays the same over all segments of one 1-px stroke.
struct ThinPen {
  Surface* s;
  uint32_t color;
  int rop2;
  bool dashed;
  const uint32_t* gap;  // colour of the dash gaps when they are painted (OPAQUE), or null
};

// One 1-px segment from a to b (surface coordinates), last pixel excluded. `phase` is the dash
// position at a and moves on by the segment's length.
void ThinSegment(const Dc& dc, const ThinPen& pen, Pt64 a, Pt64 b, int* phase) {
  int64_t dx = b.x - a.x, dy = b.y - a.y;
  int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  bool xMajor = adx >= ady;
  int64_t n = xMajor ? adx : ady;
  if (n == 0) return;
  const bool dashed = pen.dashed;
  int startPhase = *phase;
  if (dashed) *phase = int((startPhase + n) % kDashPeriod);
  const RECT& cb = dc.clipBox;
  if (IsEmpty(cb)) return;
  // Work in (major, minor) terms: major advances by one per pixel, minor by round(i * m / M).
  int64_t M = n, m = xMajor ? ady : adx;
  int64_t smaj = xMajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
  int64_t smin = xMajor ? (dy < 0 ? -1 : 1) : (dx < 0 ? -1 : 1);
  int64_t maj0 = xMajor ? a.x : a.y, min0 = xMajor ? a.y : a.x;
  int64_t i0 = 0, i1 = n - 1, k = 0, rem = M;  // k(0) = floor(M / 2M) = 0
  if (!InBox(cb, a) || !InBox(cb, b)) {
    // Partly or wholly outside: find the pixel range that stays in the clip box arithmetically,
    // in 128 bits because the products of far-off coordinates exceed 64.
    int64_t majLo = xMajor ? cb.left : cb.top, majHi = xMajor ? cb.right - 1 : cb.bottom - 1;
    int64_t minLo = xMajor ? cb.top : cb.left, minHi = xMajor ? cb.bottom - 1 : cb.right - 1;
    using i128 = __int128;
    // Major axis: maj0 + smaj * i within [majLo, majHi].
    if (smaj > 0) {
      i0 = std::max(i0, majLo - maj0);
      i1 = std::min(i1, majHi - maj0);
    } else {
      i0 = std::max(i0, maj0 - majHi);
      i1 = std::min(i1, maj0 - majLo);
    }
    if (i0 > i1) return;
    // Minor axis: offset k(i) = floor((2 i m + M) / (2 M)) must lie in [kLo, kHi].
    int64_t kLo = smin > 0 ? minLo - min0 : min0 - minHi;
    int64_t kHi = smin > 0 ? minHi - min0 : min0 - minLo;
    if (kHi < 0) return;
    if (m == 0) {
      if (kLo > 0) return;
    } else {
      auto ceilDiv = [](i128 p, i128 q) -> i128 { return p >= 0 ? (p + q - 1) / q : -((-p) / q); };
      if (kLo > 0) {
        i128 first = ceilDiv(i128(2) * M * kLo - M, i128(2) * m);
        if (first > i128(i0)) i0 = first > i128(i1) ? i1 + 1 : int64_t(first);
      }
      i128 past = ceilDiv(i128(2) * M * (i128(kHi) + 1) - M, i128(2) * m);
      if (past - 1 < i128(i1)) i1 = int64_t(past - 1);
    }
    if (i0 > i1) return;
    i128 num = i128(2) * i0 * m + M;
    k = int64_t(num / (i128(2) * M));
    rem = int64_t(num % (i128(2) * M));
  }
  // From here every pixel i0..i1 lies inside the clip box, so the loop walks a row pointer.
  const int64_t twoM = 2 * M, twoMinor = 2 * m;
  int64_t x = xMajor ? maj0 + smaj * i0 : min0 + smin * k;
  int64_t y = xMajor ? min0 + smin * k : maj0 + smaj * i0;
  const ptrdiff_t stride = pen.s->stride;
  const ptrdiff_t majStep = xMajor ? ptrdiff_t(smaj) : ptrdiff_t(smaj) * stride;
  const ptrdiff_t minStep = xMajor ? ptrdiff_t(smin) * stride : ptrdiff_t(smin);
  uint32_t* p = pen.s->Row(int(y)) + x;
  int64_t count = i1 - i0 + 1;
  const uint32_t color = pen.color;
  const int rop2 = pen.rop2;
  if (dc.clip.size() == 1 && !dashed && rop2 == R2_COPYPEN) {
    // The minor step is taken by selection rather than a branch: on a slanted line it comes
    // at no predictable pixel, and a mispredicted branch costs more than the whole step.
    for (; count > 0; --count) {
      *p = color;
      rem += twoMinor;
      const bool step = rem >= twoM;
      rem -= step ? twoM : 0;
      p += majStep + (step ? minStep : 0);
    }
    return;
  }
  const bool oneRect = dc.clip.size() == 1;
  int ph = int((startPhase + i0 % kDashPeriod) % kDashPeriod);
  if (oneRect && dashed && rop2 == R2_COPYPEN) {
    // A plain copy of dashes: the pixels go in runs of one colour, or of none in a clear gap,
    // so the dash is tested once a run instead of once a pixel.
    while (count > 0) {
      const bool on = ph < kDashOn;
      int64_t run = (on ? kDashOn : kDashPeriod) - ph;
      if (run > count) run = count;
      count -= run;
      ph += int(run);
      if (ph == kDashPeriod) ph = 0;
      if (on || pen.gap) {
        const uint32_t c = on ? color : *pen.gap;
        for (; run > 0; --run) {
          *p = c;
          p += majStep;
          rem += twoMinor;
          if (rem >= twoM) {
            rem -= twoM;
            p += minStep;
          }
        }
      } else {
        for (; run > 0; --run) {
          p += majStep;
          rem += twoMinor;
          if (rem >= twoM) {
            rem -= twoM;
            p += minStep;
          }
        }
      }
    }
    return;
  }
  if (oneRect) {
    // Inside the only clip rectangle: no position to track, only the dash count.
    const uint32_t gap = pen.gap ? *pen.gap : 0;
    const bool paintGap = pen.gap != nullptr;
    for (; count > 0; --count) {
      bool on = !dashed || ph < kDashOn;
      if (on || paintGap) {
        uint32_t c = on ? color : gap;
        *p = rop2 == R2_COPYPEN ? c : ApplyRop2(rop2, c, *p);
      }
      if (dashed && ++ph == kDashPeriod) ph = 0;
      rem += twoMinor;
      const bool step = rem >= twoM;
      rem -= step ? twoM : 0;
      p += majStep + (step ? minStep : 0);
    }
    return;
  }
  const int64_t xMaj = xMajor ? smaj : 0, yMaj = xMajor ? 0 : smaj;
  const int64_t xMin = xMajor ? 0 : smin, yMin = xMajor ? smin : 0;
  for (; count > 0; --count) {
    bool on = !dashed || ph < kDashOn;
    if ((on || pen.gap) && InClipRects(dc, x, y)) {
      uint32_t c = on ? color : *pen.gap;
      *p = rop2 == R2_COPYPEN ? c : ApplyRop2(rop2, c, *p);
    }
    if (dashed && ++ph == kDashPeriod) ph = 0;
    p += majStep;
    x += xMaj;
    y += yMaj;
    rem += twoMinor;
    if (rem >= twoM) {
      rem -= twoM;
      p += minStep;
      x += xMin;
      y += yMin;
    }
  }
}

// A solid 1-px copy from a to b, last pixel excluded, both ends inside the only clip rectangle:
// ThinSegment's walk from its first pixel (minor offset 0, remainder M).
inline void ThinSolidInside(Surface& s, Pt64 a, Pt64 b, uint32_t color) {
  const int64_t dx = b.x - a.x, dy = b.y - a.y;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xMajor = adx >= ady;
  const int64_t n = xMajor ? adx : ady;
  const ptrdiff_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -s.stride : s.stride;
  const ptrdiff_t majStep = xMajor ? sx : sy, minStep = xMajor ? sy : sx;
  const int64_t twoM = 2 * n, twoMinor = 2 * (xMajor ? ady : adx);
  int64_t rem = n;
  uint32_t* p = s.Row(int(a.y)) + a.x;
  for (int64_t count = n; count > 0; --count) {
    *p = color;
    rem += twoMinor;
    const bool step = rem >= twoM;
    rem -= step ? twoM : 0;
    p += majStep + (step ? minStep : 0);
  }
}

// The capsule around segment a-b of radius r: what stays the same from row to row is worked
// out once per segment. Each row's sums and quotients are then formed exactly as the plain
// formula would form them, so the pixels do not move by a rounding.
struct Capsule {
  double ax, ay, bx, by, r, rr;
  double dx, dy;
  bool band;            // the segment has a length, so the straight sides exist
  double rlen, len2;    // r * length and length^2
  double dyax, ndxax;   // dy * ax and -dx * ax

  bool discA;           // the disc at a is taken (else an earlier capsule has it)

  Capsule(double ax_, double ay_, double bx_, double by_, double r_, bool discA_ = true)
      : ax(ax_), ay(ay_), bx(bx_), by(by_), r(r_), rr(r_ * r_), dx(bx_ - ax_), dy(by_ - ay_),
        discA(discA_) {
    double len = std::sqrt(dx * dx + dy * dy);
    band = len > 0;
    rlen = r * len;
    len2 = len * len;
    dyax = dy * ax;
    ndxax = -dx * ax;
  }

  // The x range of the capsule on the line y = yc, or false.
  // The band is met without a branch (a selection gives the same values as the test); a disc,
  // met by a few rows only, is skipped where it is missed, which spares its square root.
  [[gnu::always_inline]] bool Row(double yc, double* lo, double* hi) const {
    double l = INFINITY, h = -INFINITY;
    auto disc = [&](double cx, double cy) {
      double d = yc - cy;
      if (d < -r || d > r) return;
      double w = std::sqrt(std::max(0.0, rr - d * d));
      l = std::min(l, cx - w);
      h = std::max(h, cx + w);
    };
    if (discA) disc(ax, ay);
    disc(bx, by);
    if (band) {
      // Band: |dx (yc - ay) - dy (x - ax)| <= r len, 0 <= dx (x - ax) + dy (yc - ay) <= len^2.
      double bl = -INFINITY, bh = INFINITY;
      auto limit = [&](double coef, double off, double mn, double mx) {
        // coef * x + off within [mn, mx]
        if (coef == 0) {
          if (off < mn || off > mx) bh = -INFINITY;
          return;
        }
        double p = (mn - off) / coef, q = (mx - off) / coef;
        bl = std::max(bl, std::min(p, q));
        bh = std::min(bh, std::max(p, q));
      };
      double ry = yc - ay;
      const double off1 = dx * ry + dyax, off2 = ndxax + dy * ry;
#if defined(__SSE2__)
      if (dx != 0 && dy != 0) {
        // Both limits at once: the same four quotients, two to an instruction (a division is
        // correctly rounded whatever its width), then the same choices as `limit` makes.
        const __m128d coef = _mm_set_pd(dx, -dy);
        const __m128d p = _mm_div_pd(_mm_set_pd(0 - off2, -rlen - off1), coef);
        const __m128d q = _mm_div_pd(_mm_set_pd(len2 - off2, rlen - off1), coef);
        // _mm_min_pd(q, p) is q < p ? q : p, which is std::min(p, q); likewise for max.
        const __m128d mn = _mm_min_pd(q, p), mx = _mm_max_pd(q, p);
        bl = std::max(bl, _mm_cvtsd_f64(mn));
        bh = std::min(bh, _mm_cvtsd_f64(mx));
        bl = std::max(bl, _mm_cvtsd_f64(_mm_unpackhi_pd(mn, mn)));
        bh = std::min(bh, _mm_cvtsd_f64(_mm_unpackhi_pd(mx, mx)));
      } else
#endif
      {
        limit(-dy, off1, -rlen, rlen);
        limit(dx, off2, 0, len2);
      }
      const bool meets = bl <= bh;
      l = std::min(l, meets ? bl : INFINITY);
      h = std::max(h, meets ? bh : -INFINITY);
    }
    if (l > h) return false;
    *lo = l;
    *hi = h;
    return true;
  }
};

// Span for the rows of strokes and fills: the common case, one clip rectangle and a plain copy,
// is written here without a call; everything else goes to Span.
inline void RowSpan(Dc& dc, Surface& s, int64_t y, int64_t x0, int64_t x1, uint32_t color,
                    int rop2) {
  if (rop2 != R2_COPYPEN || dc.clip.size() != 1) {
    Span(dc, s, y, x0, x1, color, rop2);
    return;
  }
  const RECT& cb = dc.clipBox;  // the one rectangle
  if (y < cb.top || y >= cb.bottom) return;
  int64_t a = std::max<int64_t>(x0, cb.left), b = std::min<int64_t>(x1, cb.right);
  if (a >= b) return;
  uint32_t* p = s.Row(int(y)) + a;
  if (b - a <= 16) {
    for (uint32_t* e = p + (b - a); p < e; ++p) *p = color;
    return;
  }
  std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(color), size_t(b - a));
}

#if defined(__SSE2__)
// Lane i of entry n is all ones when bit i of n is set: a group of four pixels to blend.
struct NibbleMasks {
  alignas(16) uint32_t lanes[16][4];
  NibbleMasks() {
    for (int n = 0; n < 16; ++n)
      for (int i = 0; i < 4; ++i) lanes[n][i] = (n >> i) & 1 ? ~0u : 0u;
  }
};
const NibbleMasks kNibbles;
#endif

// Writes the set bits of `m` (pixel x0 + bit) of row y. With `line` (one clip rectangle, a plain
// copy) the pixels are stored directly: four at a time, each group blended by its four bits, so
// the short and scattered runs of small figures cost no branch per run. A group rewrites its
// unset pixels with what they hold, so one that would reach past the clip rectangle (into pixels
// that are not this DC's to touch) is stored pixel by pixel. Otherwise each run goes through
// Span.
inline void MaskRuns(Dc& dc, Surface& s, uint32_t* line, int64_t y, int64_t x0, uint64_t m,
                     uint32_t color, int rop2) {
  if (line) {
    const int64_t right = dc.clipBox.right;  // the one clip rectangle's
    if (m == ~uint64_t(0)) {
      std::wmemset(reinterpret_cast<wchar_t*>(line + x0), static_cast<wchar_t>(color), 64);
      return;
    }
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(int(color));
    while (m) {
      const int g = __builtin_ctzll(m) & ~3;
      uint32_t* p = line + x0 + g;
      const unsigned nib = unsigned(m >> g) & 15u;
      m &= ~(uint64_t(15) << g);
      if (x0 + g + 4 > right) {
        for (int i = 0; i < 4; ++i)
          if (nib >> i & 1) p[i] = color;
        continue;
      }
      const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kNibbles.lanes[nib]));
      const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                       _mm_or_si128(_mm_and_si128(k, c), _mm_andnot_si128(k, old)));
    }
    return;
#endif
  }
  while (m) {
    const int a = __builtin_ctzll(m);
    const uint64_t rest = ~(m >> a);
    const int len = rest ? __builtin_ctzll(rest) : 64 - a;
    m = len + a >= 64 ? 0 : m & ~(((uint64_t(1) << len) - 1) << a);
    if (!line) {
      Span(dc, s, y, x0 + a, x0 + a + len, color, rop2);
      continue;
    }
    uint32_t* p = line + x0 + a;
    for (uint32_t* e = p + len; p < e; ++p) *p = color;
  }
}

// Figures no wider than this many 64-pixel words (clipped) keep their rows as bit masks.
constexpr int64_t kMaxMaskWords = 8;

constexpr int64_t kNear = int64_t(1) << 20;

// A wide pen: each row takes the union of the capsules' pixel intervals, each pixel written once
// (which XOR-like raster operations need). Only the rows the figure touches are visited. Where
// the clip box is narrow enough the union is kept as a bit mask per row (an interval sets its
// bits); otherwise each row lists its intervals, sorted and merged.
void WideStroke(Dc& dc, Surface& s, Scratch& scratch, const std::vector<Pt64>& pts, bool closed,
                int width, uint32_t color, int rop2) {
  const RECT& cb = dc.clipBox;
  if (IsEmpty(cb) || pts.empty()) return;
  double r = width / 2.0;
  // Pixel centres sit on integers; an even width samples half a pixel off so that it covers
  // exactly `width` rows of a horizontal line.
  double off = (width % 2 == 0) ? 0.5 : 0.0;
  size_t segs = pts.size() == 1 ? 1 : (closed ? pts.size() : pts.size() - 1);
  // Every coordinate and the radius within 2^20: the capsule's sums and products are then exact
  // or off by under 2^-10 px.
  bool near = r < 0x1p16;
  for (const Pt64& p : pts) near = near && p.x > -kNear && p.x < kNear && p.y > -kNear && p.y < kNear;
  // Each segment's capsule, row by row: `add(y, l, h)` receives pixels l..h of row y, limited
  // to one pixel past the clip box.
  auto walk = [&](auto&& add) {
    for (size_t i = 0; i < segs; ++i) {
      const Pt64& a = pts[i];
      const Pt64& b = pts.size() == 1 ? pts[0] : pts[(i + 1) % pts.size()];
      double ax = double(a.x), ay = double(a.y), bx = double(b.x), by = double(b.y);
      double minx = std::min(ax, bx) - r - 1, maxx = std::max(ax, bx) + r + 1;
      double miny = std::min(ay, by) - r - 1, maxy = std::max(ay, by) + r + 1;
      if (maxx < cb.left || minx > cb.right || maxy < cb.top || miny > cb.bottom) continue;
      int64_t y0 = std::max<int64_t>(cb.top, FloorToI64(miny));
      int64_t y1 = std::min<int64_t>(cb.bottom - 1, CeilToI64(maxy));
      if (near) {
        // Rows whose sample line misses [min y - r, max y + r] miss the capsule: they pass it by
        // half a pixel at least, far beyond the rounding of coordinates this small, so neither
        // the discs nor the band can take them in. Not visiting them spares the work and the
        // mispredicted turns at both ends.
        y0 = std::max<int64_t>(y0, CeilToI64(std::min(ay, by) - r - off));
        y1 = std::min<int64_t>(y1, FloorToI64(std::max(ay, by) + r - off));
      }
      // The disc at a segment's start is the one at the end of the segment before: with small
      // coordinates it is taken once. A row's pixels are the same: the capsule's row is one
      // interval, made of the start disc's and the rest's, which overlap (or, where they only
      // touch, are off by far less than the 1e-9 each side is widened by below).
      const Capsule cap(ax, ay, bx, by, r, !(near && i > 0));
      for (int64_t y = y0; y <= y1; ++y) {
        double lo, hi;
        if (!cap.Row(double(y) + off, &lo, &hi)) continue;
        lo -= off;
        hi -= off;
        int64_t l = CeilToI64(lo - 1e-9), h = FloorToI64(hi + 1e-9);
        if (l > h || h < cb.left || l >= cb.right) continue;  // no pixel, or none visible
        // Beyond the clip box an interval only needs to reach one pixel past it, so far-off
        // capsules cannot overflow the merge below.
        l = std::max<int64_t>(l, int64_t(cb.left) - 1);
        h = std::min<int64_t>(h, int64_t(cb.right));
        add(y, l, h);
      }
    }
  };
  const int64_t boxW = int64_t(cb.right) - cb.left;
  if (boxW <= 64 * kMaxMaskWords) {
    const size_t words = size_t((boxW + 63) / 64);
    const size_t rows = size_t(cb.bottom - cb.top);
    std::vector<uint64_t>& bits = scratch.strokeBits;
    if (bits.size() < rows * words) bits.resize(rows * words);
    int64_t rowLo = INT64_MAX, rowHi = INT64_MIN;  // rows holding bits, clip-box relative
    int64_t wordLo = INT64_MAX, wordHi = INT64_MIN;  // and their words
    walk([&](int64_t y, int64_t l, int64_t h) {
      l = std::max<int64_t>(l, cb.left) - cb.left;
      h = std::min<int64_t>(h, int64_t(cb.right) - 1) - cb.left;
      if (l > h) return;
      const int64_t row = y - cb.top;
      rowLo = std::min(rowLo, row);
      rowHi = std::max(rowHi, row);
      uint64_t* m = bits.data() + size_t(row) * words;
      const int64_t wl = l >> 6, wh = h >> 6;
      wordLo = std::min(wordLo, wl);
      wordHi = std::max(wordHi, wh);
      const uint64_t from = ~uint64_t(0) << (l & 63);
      const uint64_t to = ~uint64_t(0) >> (63 - (h & 63));
      if (wl == wh) {
        m[wl] |= from & to;
        return;
      }
      m[wl] |= from;
      for (int64_t w = wl + 1; w < wh; ++w) m[w] = ~uint64_t(0);
      m[wh] |= to;
    });
    const bool fastCopy = rop2 == R2_COPYPEN && dc.clip.size() == 1;
    for (int64_t row = rowLo; row <= rowHi; ++row) {
      uint64_t* m = bits.data() + size_t(row) * words;
      const int64_t y = row + cb.top;
      uint32_t* line = fastCopy ? s.Row(int(y)) : nullptr;
      for (int64_t w = wordLo; w <= wordHi; ++w) {
        if (!m[w]) continue;
        MaskRuns(dc, s, line, y, int64_t(cb.left) + w * 64, m[w], color, rop2);
        m[w] = 0;  // left clear for the next figure
      }
    }
    return;
  }
  auto& rows = scratch.rows;
  if (rows.size() < size_t(cb.bottom - cb.top)) rows.resize(size_t(cb.bottom - cb.top));
  int64_t rowLo = INT64_MAX, rowHi = INT64_MIN;  // rows holding intervals, clip-box relative
  walk([&](int64_t y, int64_t l, int64_t h) {
    int64_t row = y - cb.top;
    rows[size_t(row)].push_back(Interval{l, h});
    rowLo = std::min(rowLo, row);
    rowHi = std::max(rowHi, row);
  });
  for (int64_t row = rowLo; row <= rowHi; ++row) {
    auto& list = rows[size_t(row)];
    if (list.empty()) continue;
    // Few intervals per row (one per segment crossing it): insertion sort by left end.
    for (size_t i = 1; i < list.size(); ++i) {
      Interval v = list[i];
      size_t j = i;
      for (; j > 0 && list[j - 1].l > v.l; --j) list[j] = list[j - 1];
      list[j] = v;
    }
    int64_t y = row + cb.top;
    int64_t curL = list[0].l, curR = list[0].h;
    for (size_t i = 1; i < list.size(); ++i) {
      if (list[i].l <= curR + 1) {
        curR = std::max(curR, list[i].h);
        continue;
      }
      RowSpan(dc, s, y, curL, curR + 1, color, rop2);
      curL = list[i].l;
      curR = list[i].h;
    }
    RowSpan(dc, s, y, curL, curR + 1, color, rop2);
    list.clear();
  }
}

Pt64 ToDev(const Dc& dc, const POINT& p) {
  return Pt64{int64_t(p.x) + dc.origin.x, int64_t(p.y) + dc.origin.y};
}

// Half of an ellipse's width at row offset dy, or a negative value when the row misses it.
double EllipseHalfWidth(double a, double b, double dy) {
  if (a <= 0 || b <= 0) return -1;
  double t = dy / b;
  double q = 1 - t * t;
  if (q < -1e-12) return -1;
  return a * std::sqrt(std::max(0.0, q));
}

// A 1-px dashed outline of an ellipse: which outline pixels are lit. The dash is counted along
// the outline as lines count it along their major axis: the position of a pixel is the length of
// the outline from the rightmost point up to its angle, each stretch measured along the axis that
// changes faster there (so a step of one pixel moves the count by about one).
struct EllipseDash {
  double cx, cy, a, b;  // the pen's centre line
  const uint32_t* gap;  // colour of the gaps when they are painted (OPAQUE), or null

  // Outline length over the first quarter from (a, 0) to the parameter angle t (0..pi/2).
  double Quarter(double t) const {
    const double turn = std::atan2(b, a);  // where |dx/dt| = |dy/dt|
    if (t <= turn) return b * std::sin(t);
    return b * std::sin(turn) + a * (std::cos(turn) - std::cos(t));
  }
  bool On(int64_t x, int64_t y) const {
    if (a <= 0 || b <= 0) return true;
    double t = std::atan2((double(y) - cy) / b, (double(x) - cx) / a);
    if (t < 0) t += 2 * M_PI;
    const double quarter = Quarter(M_PI / 2);
    int q = std::min(3, int(t / (M_PI / 2)));
    const double in = t - q * (M_PI / 2);
    // Odd quarters run from the axis end towards the side, mirror images of the even ones.
    const double along = q * quarter + (q % 2 == 0 ? Quarter(in) : quarter - Quarter(M_PI / 2 - in));
    return int64_t(along) % kDashPeriod < kDashOn;
  }
};

// The pen's part of one row of an outline, dashed or solid.
void OutlineSpan(Dc& dc, Surface& s, int64_t y, int64_t x0, int64_t x1, uint32_t pen, int rop2,
                 const EllipseDash* dash) {
  if (!dash) {
    Span(dc, s, y, x0, x1, pen, rop2);
    return;
  }
  // Only the pixels inside the clip box are looked at: an outline may be far larger.
  const int64_t from = std::max<int64_t>(x0, dc.clipBox.left);
  const int64_t to = std::min<int64_t>(x1, dc.clipBox.right);
  for (int64_t x = from; x < to; ++x) {
    if (dash->On(x, y))
      Span(dc, s, y, x, x + 1, pen, rop2);
    else if (dash->gap)
      Span(dc, s, y, x, x + 1, *dash->gap, rop2);
  }
}

void EllipseSpans(Dc& dc, Surface& s, double cx, double cy, double a, double b, double ia,
                  double ib, const uint32_t* pen, const uint32_t* fill, int rop2,
                  const EllipseDash* dash = nullptr) {
  const RECT& cb = dc.clipBox;
  int64_t y0 = std::max<int64_t>(cb.top, CeilToI64(cy - b - 1e-9));
  int64_t y1 = std::min<int64_t>(cb.bottom - 1, FloorToI64(cy + b + 1e-9));
  for (int64_t y = y0; y <= y1; ++y) {
    double dy = double(y) - cy;
    double X = EllipseHalfWidth(a, b, dy);
    if (X < 0) continue;
    int64_t ol = CeilToI64(cx - X - 1e-9), orr = FloorToI64(cx + X + 1e-9) + 1;
    if (ol >= orr) continue;
    double Xi = pen ? EllipseHalfWidth(ia, ib, dy) : X;
    int64_t il = ol, ir = ol;  // empty inner span
    if (Xi >= 0) {
      il = CeilToI64(cx - Xi - 1e-9);
      ir = FloorToI64(cx + Xi + 1e-9) + 1;
      if (il >= ir) il = ir = ol;
    }
    if (fill && il < ir) Span(dc, s, y, il, ir, *fill, rop2);
    if (pen) {
      if (il < ir) {
        OutlineSpan(dc, s, y, ol, il, *pen, rop2, dash);
        OutlineSpan(dc, s, y, ir, orr, *pen, rop2, dash);
      } else {
        OutlineSpan(dc, s, y, ol, orr, *pen, rop2, dash);
      }
    }
  }
}

// The outline of a box, right and bottom edges excluded, as a closed path of pixel centres.
std::array<POINT, 4> BoxPath(int l, int t, int r, int b) {
  return {POINT{l, t}, POINT{r - 1, t}, POINT{r - 1, b - 1}, POINT{l, b - 1}};
}

void Normalize(int* l, int* t, int* r, int* b) {
  if (*l > *r) std::swap(*l, *r);
  if (*t > *b) std::swap(*t, *b);
}

uint32_t BrushColorOf(HBRUSH brush, bool* visible) {
  // Small values stand for a system colour index + 1, as window classes pass them.
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= COLOR_STATICTEXT + 1) {
    *visible = true;
    return ToPixel(GetSysColor(int(v - 1)));
  }
  Brush* b = FindAs<Brush>(brush, Kind::Brush);
  *visible = b && b->style != BS_NULL;
  return b ? ToPixel(b->color) : 0;
}

}  // namespace

uint32_t ApplyRop2(int rop2, uint32_t pen, uint32_t dst) {
  // The ROP2 code minus one is a truth table indexed by (pen bit << 1 | destination bit).
  unsigned t = unsigned(rop2 - 1) & 15u;
  uint32_t r = 0;
  if (t & 1) r |= ~pen & ~dst;
  if (t & 2) r |= ~pen & dst;
  if (t & 4) r |= pen & ~dst;
  if (t & 8) r |= pen & dst;
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}

void Span(Dc& dc, Surface& s, int64_t y, int64_t x0, int64_t x1, uint32_t color, int rop2) {
  const RECT& cb = dc.clipBox;
  if (y < cb.top || y >= cb.bottom || x1 <= cb.left || x0 >= cb.right || x0 >= x1) return;
  for (const RECT& r : dc.clip) {
    if (y < r.top || y >= r.bottom) continue;
    int64_t a = std::max<int64_t>(x0, r.left), b = std::min<int64_t>(x1, r.right);
    if (a >= b) continue;
    uint32_t* p = s.Row(int(y)) + a;
    uint32_t* e = s.Row(int(y)) + b;
    switch (rop2) {
      case R2_COPYPEN:
        // Most spans of map figures are a few pixels, cheaper stored than passed to a call.
        if (e - p <= 16) {
          for (; p < e; ++p) *p = color;
          break;
        }
        // wchar_t is 32 bits here, and the C library's wide fill is the fastest fill we have.
        std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(color), size_t(e - p));
        break;
      case R2_NOP: break;
      case R2_XORPEN:
        for (; p < e; ++p) *p = (*p ^ color) | 0xFF000000u;
        break;
      case R2_NOT:
        for (; p < e; ++p) *p = ~*p | 0xFF000000u;
        break;
      default:
        for (; p < e; ++p) *p = ApplyRop2(rop2, color, *p);
    }
  }
}

bool PenVisible(Dc& dc, Pen** pen) {
  Pen* p = FindAs<Pen>(dc.st.pen, Kind::Pen);
  *pen = p;
  return p && p->style != PS_NULL && dc.st.rop2 != R2_NOP;
}

bool BrushVisible(Dc& dc, uint32_t* color) {
  bool vis = false;
  *color = BrushColorOf(dc.st.brush, &vis);
  return vis && dc.st.rop2 != R2_NOP;
}

void StrokePath(Dc& dc, const POINT* pts, size_t n, bool closed) {
  Pen* pen = nullptr;
  Surface* s = DcSurface(dc);
  if (!s || n == 0 || !PenVisible(dc, &pen)) return;
  uint32_t color = ToPixel(pen->color);
  if (pen->width > 1) {
    Scratch& scratch = TheScratch();
    std::vector<Pt64>& dev = scratch.dev;
    dev.resize(n);
    for (size_t i = 0; i < n; ++i) dev[i] = ToDev(dc, pts[i]);
    WideStroke(dc, *s, scratch, dev, closed, pen->width, color, dc.st.rop2);
    return;
  }
  bool dashed = pen->style == PS_DASH;
  uint32_t bk = ToPixel(dc.st.bk);
  ThinPen tp{s, color, dc.st.rop2, dashed, (dashed && dc.st.bkMode == OPAQUE) ? &bk : nullptr};
  int phase = dc.st.dashPhase;
  Pt64 a = ToDev(dc, pts[0]);
  if (!dashed && tp.rop2 == R2_COPYPEN && dc.clip.size() == 1) {
    // Solid copies: a segment with both ends in the clip box is stepped here, as ThinSegment
    // steps it, without the call and the clipping set-up.
    const RECT& cb = dc.clipBox;
    for (size_t i = 1; i < n; ++i) {
      Pt64 b = ToDev(dc, pts[i]);
      if (InBox(cb, a) && InBox(cb, b))
        ThinSolidInside(*s, a, b, color);
      else
        ThinSegment(dc, tp, a, b, &phase);
      a = b;
    }
  } else {
    for (size_t i = 1; i < n; ++i) {
      Pt64 b = ToDev(dc, pts[i]);
      ThinSegment(dc, tp, a, b, &phase);
      a = b;
    }
  }
  if (closed && n > 1) ThinSegment(dc, tp, a, ToDev(dc, pts[0]), &phase);
  dc.st.dashPhase = phase;
}

namespace {

// The spans of one row from its crossings, sorted by pixel: between two crossings the row is
// inside by the fill rule. A crossing is (first pixel right of the edge) * 2 + (direction is
// up), so that one sort orders by pixel; crossings on one pixel bound an empty span whatever
// their order, and the winding number past them is the same in any order.
inline void FillRow(Dc& dc, Surface& s, int64_t y, const int64_t* xs, size_t n, uint32_t color,
                    int rop2, bool winding, bool fastCopy) {
  int wind = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    wind += winding ? ((xs[i] & 1) ? 1 : -1) : 1;
    const bool inside = winding ? wind != 0 : (wind & 1) != 0;
    if (!inside) continue;
    const int64_t l = xs[i] >> 1, r = xs[i + 1] >> 1;
    if (l >= r) continue;
    if (!fastCopy) {
      Span(dc, s, y, l, r, color, rop2);
      continue;
    }
    const RECT& cb = dc.clipBox;  // the one clip rectangle; y lies in it
    const int64_t a = std::max<int64_t>(l, cb.left), b = std::min<int64_t>(r, cb.right);
    if (a >= b) continue;
    uint32_t* p = s.Row(int(y)) + a;
    if (b - a <= 16) {
      for (uint32_t* e = p + (b - a); p < e; ++p) *p = color;
    } else {
      std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(color), size_t(b - a));
    }
  }
}

// Few crossings per row, and nearly in order: insertion sort.
inline void SortSmall(int64_t* a, size_t n) {
  for (size_t i = 1; i < n; ++i) {
    const int64_t v = a[i];
    size_t j = i;
    for (; j > 0 && a[j - 1] > v; --j) a[j] = a[j - 1];
    a[j] = v;
  }
}

// The crossing key of an edge on a row: see FillRow.
inline int64_t CrossingKey(Edge& e, int64_t y) { return EdgeCeil(e, y) * 2 + (e.dir > 0); }

// Beyond this many crossings in all (16 bytes each with the row table) a figure is walked row by
// row with an active edge list instead, so memory stays proportional to its vertex count.
constexpr size_t kMaxBucketCrossings = size_t(1) << 20;

// Even-odd through bit masks: a pixel is inside when an odd number of its row's crossings lie at
// or left of it, which is the sorted spans' rule (a closed figure crosses every row an even
// number of times). Each crossing toggles its pixel's bit, so no row needs sorting; a running
// parity (prefix XOR) then turns toggles into the row's inside pixels. Pixels [wl, wl + width)
// are the only ones that can be filled; a crossing left of them toggles the first.
void EvenOddMaskFill(Dc& dc, Surface& s, Scratch& scratch, int64_t y0, int64_t y1, int64_t wl,
                     int64_t width, uint32_t color, int rop2, bool fastCopy) {
  const size_t words = size_t((width + 63) / 64);
  const size_t rows = size_t(y1 - y0);
  std::vector<uint64_t>& bits = scratch.bits;
  bits.assign(rows * words, 0);
  for (Edge& e : scratch.edges) {
    const int64_t r0 = std::max(e.y0, y0), r1 = std::min(e.y1, y1);
    StartEdge(e, r0);
    uint64_t* row = bits.data() + size_t(r0 - y0) * words;
    for (int64_t y = r0; y < r1; ++y, row += words) {
      int64_t k = EdgeCeil(e, y) - wl;
      if (k >= width) continue;  // right of every pixel that can be filled
      if (k < 0) k = 0;
      row[k >> 6] ^= uint64_t(1) << (k & 63);
    }
  }
  const uint64_t lastMask = (width & 63) ? (uint64_t(1) << (width & 63)) - 1 : ~uint64_t(0);
  const uint64_t* row = bits.data();
  for (int64_t y = y0; y < y1; ++y, row += words) {
    uint64_t parity = 0;  // all ones when inside at the end of the previous word
    uint32_t* line = fastCopy ? s.Row(int(y)) : nullptr;
    for (size_t w = 0; w < words; ++w) {
      uint64_t m = row[w];
      if (m == 0 && parity == 0) continue;
      m ^= m << 1;
      m ^= m << 2;
      m ^= m << 4;
      m ^= m << 8;
      m ^= m << 16;
      m ^= m << 32;
      m ^= parity;
      parity = (m >> 63) ? ~uint64_t(0) : 0;
      if (w + 1 == words) m &= lastMask;
      MaskRuns(dc, s, line, y, wl + int64_t(w) * 64, m, color, rop2);
    }
  }
}

}  // namespace

// A polygon fill in two passes. Every edge, from its first visible row, writes its crossing of
// each row into that row's bucket (the buckets are laid out by a count of the rows each edge
// spans); then each row sorts its few crossings and writes its spans. A crossing is worked out
// by the same stepping and the same formula whatever the pass, so the pixels depend only on the
// edges: right and bottom edges out, top and left in.
void FillPolygons(Dc& dc, const POINT* pts, const INT* counts, int polys, uint32_t color,
                  int rop2, int fillMode) {
  Surface* s = DcSurface(dc);
  const RECT& cb = dc.clipBox;
  if (!s || IsEmpty(cb)) return;
  Scratch& scratch = TheScratch();
  std::vector<Edge>& edges = scratch.edges;
  edges.clear();
  const int64_t top = cb.top, bottom = cb.bottom;
  int64_t ymin = INT64_MAX, ymax = INT64_MIN, xmin = INT64_MAX, xmax = INT64_MIN;
  size_t crossings = 0;
  bool exact = true;  // every edge is stepped in integers (see StartEdge)
  const int64_t ox = dc.origin.x, oy = dc.origin.y;
  size_t base = 0;
  for (int p = 0; p < polys; ++p) {
    const size_t cnt = size_t(counts[p]);
    const POINT* poly = pts + base;
    base += cnt;
    if (cnt == 0) continue;
    Pt64 a{int64_t(poly[cnt - 1].x) + ox, int64_t(poly[cnt - 1].y) + oy};
    for (size_t i = 0; i < cnt; ++i) {
      const Pt64 b{int64_t(poly[i].x) + ox, int64_t(poly[i].y) + oy};
      const Pt64 from = a;
      a = b;
      if (from.y == b.y) continue;
      Edge e = from.y < b.y ? Edge{from.x, from.y, b.x, b.y, 1} : Edge{b.x, b.y, from.x, from.y, -1};
      if (e.y1 <= top || e.y0 >= bottom) continue;  // no visible row
      const int64_t r0 = std::max(e.y0, top), r1 = std::min(e.y1, bottom);
      crossings += size_t(r1 - r0);
      ymin = std::min(ymin, r0);
      ymax = std::max(ymax, r1);
      xmin = std::min(xmin, std::min(e.x0, e.x1));
      xmax = std::max(xmax, std::max(e.x0, e.x1));
      exact = exact && e.y1 - e.y0 < kStepRows && e.x0 > -kStepCoord && e.x0 < kStepCoord &&
              e.x1 > -kStepCoord && e.x1 < kStepCoord;
      edges.push_back(e);
    }
  }
  if (edges.empty()) return;
  const bool winding = fillMode == WINDING;
  const bool fastCopy = rop2 == R2_COPYPEN && dc.clip.size() == 1;
  const int64_t y0 = ymin, y1 = ymax;  // visible rows [y0, y1)
  // A stepped crossing rounds up to a pixel between its edge's ends, so only the pixels between
  // the leftmost and the rightmost vertex can be filled; the formula of far-off edges may round
  // past an end, and then the whole clip box width is looked at.
  const int64_t wl = exact ? std::max<int64_t>(xmin, cb.left) : cb.left;
  const int64_t wr = exact ? std::min<int64_t>(xmax, cb.right) : cb.right;
  if (wl >= wr) return;
  const int64_t width = wr - wl;
  if (!winding && width <= 64 * kMaxMaskWords) {
    EvenOddMaskFill(dc, *s, scratch, y0, y1, wl, width, color, rop2, fastCopy);
    return;
  }
  if (crossings <= kMaxBucketCrossings) {
    // Row r's crossings are keys[start[r] .. start[r + 1]).
    std::vector<uint32_t>& start = scratch.rowStart;
    std::vector<int64_t>& keys = scratch.keys;
    const size_t rows = size_t(y1 - y0);
    start.assign(rows + 1, 0);
    for (const Edge& e : edges) {
      start[size_t(std::max(e.y0, y0) - y0)] += 1;
      if (e.y1 < y1) start[size_t(e.y1 - y0)] -= 1;
    }
    // Running sums: first the number of edges over each row, then each row's start.
    uint32_t over = 0, at = 0;
    for (size_t r = 0; r < rows; ++r) {
      over += start[r];
      start[r] = at;
      at += over;
    }
    start[rows] = at;
    keys.resize(crossings);
    std::vector<uint32_t>& fill = scratch.rowFill;
    fill.assign(start.begin(), start.end() - 1);
    for (Edge& e : edges) {
      const int64_t r0 = std::max(e.y0, y0), r1 = std::min(e.y1, y1);
      StartEdge(e, r0);
      for (int64_t y = r0; y < r1; ++y) keys[fill[size_t(y - y0)]++] = CrossingKey(e, y);
    }
    for (size_t r = 0; r < rows; ++r) {
      const size_t n = start[r + 1] - start[r];
      if (n < 2) continue;
      int64_t* row = keys.data() + start[r];
      SortSmall(row, n);
      FillRow(dc, *s, y0 + int64_t(r), row, n, color, rop2, winding, fastCopy);
    }
    return;
  }
  // Very many crossings: an active edge list, row by row.
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
  std::vector<Edge*>& active = scratch.active;
  std::vector<int64_t>& xs = scratch.keys;
  active.clear();
  size_t next = 0;
  for (int64_t y = y0; y < y1; ++y) {
    while (next < edges.size() && edges[next].y0 <= y) {
      StartEdge(edges[next], y);
      active.push_back(&edges[next++]);
    }
    xs.clear();
    size_t keep = 0;
    for (size_t i = 0; i < active.size(); ++i) {
      Edge* e = active[i];
      if (e->y1 <= y) continue;  // edge ended: bottom endpoints are out
      active[keep++] = e;
      xs.push_back(CrossingKey(*e, y));
    }
    active.resize(keep);
    if (xs.size() < 2) continue;
    SortSmall(xs.data(), xs.size());
    FillRow(dc, *s, y, xs.data(), xs.size(), color, rop2, winding, fastCopy);
  }
}

}  // namespace vplat::gdi

using namespace vplat::gdi;

extern "C" {

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  Dc* d = FindDc(hdc);
  if (!d) return CLR_INVALID;
  if (d->rec) Record(*d, "SetPixel", {x, y, color});
  Surface* s = DcSurface(*d);
  int64_t X = int64_t(x) + d->origin.x, Y = int64_t(y) + d->origin.y;
  if (!s || !InClip(*d, X, Y)) return CLR_INVALID;
  s->Row(int(Y))[X] = ToPixel(color);
  return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  Dc* d = FindDc(hdc);
  if (!d) return CLR_INVALID;
  Surface* s = DcSurface(*d);
  int64_t X = int64_t(x) + d->origin.x, Y = int64_t(y) + d->origin.y;
  if (!s || !InClip(*d, X, Y)) return CLR_INVALID;
  return ToColorRef(s->Row(int(Y))[X]);
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
  Dc* d = FindDc(hdc);
  if (!d) return FALSE;
  if (d->rec) Record(*d, "MoveToEx", {x, y});
  if (old) *old = d->st.cur;
  d->st.cur = POINT{x, y};
  d->st.dashPhase = 0;
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  Dc* d = FindDc(hdc);
  if (!d) return FALSE;
  if (d->rec) Record(*d, "LineTo", {x, y});
  POINT seg[2] = {d->st.cur, POINT{x, y}};
  StrokePath(*d, seg, 2, false);
  d->st.cur = seg[1];
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int count) {
  Dc* d = FindDc(hdc);
  if (!d || !pts || count < 2) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (d->rec) Record(*d, "Polyline", {count}, pts, size_t(count));
  d->st.dashPhase = 0;
  StrokePath(*d, pts, size_t(count), false);
  d->st.dashPhase = 0;
  return TRUE;
}

BOOL PolyPolygon(HDC hdc, const POINT* pts, const INT* counts, int polys) {
  Dc* d = FindDc(hdc);
  if (!d || !pts || !counts || polys <= 0) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  size_t total = 0;
  for (int i = 0; i < polys; ++i) {
    if (counts[i] < 2) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    total += size_t(counts[i]);
  }
  if (d->rec) Record(*d, polys == 1 ? "Polygon" : "PolyPolygon", {polys}, pts, total);
  uint32_t fill;
  if (BrushVisible(*d, &fill)) FillPolygons(*d, pts, counts, polys, fill, d->st.rop2, d->st.fillMode);
  size_t base = 0;
  for (int i = 0; i < polys; ++i) {
    d->st.dashPhase = 0;
    StrokePath(*d, pts + base, size_t(counts[i]), true);
    base += size_t(counts[i]);
  }
  d->st.dashPhase = 0;
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
  Dc* d = FindDc(hdc);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  INT c = count;
  return PolyPolygon(hdc, pts, &c, 1);
}

BOOL Rectangle(HDC hdc, int l, int t, int r, int b) {
  Dc* d = FindDc(hdc);
  if (!d) return FALSE;
  if (d->rec) Record(*d, "Rectangle", {l, t, r, b});
  Normalize(&l, &t, &r, &b);
  if (int64_t(r) - l < 1 || int64_t(b) - t < 1) return TRUE;  // 64-bit: boxes may span int32
  Surface* s = DcSurface(*d);
  if (!s) return FALSE;
  Pen* pen = nullptr;
  bool pv = PenVisible(*d, &pen);
  uint32_t fill;
  if (BrushVisible(*d, &fill)) {
    int64_t inset = pv ? 1 : 0;
    int64_t ox = d->origin.x, oy = d->origin.y;
    for (int64_t y = std::max<int64_t>(int64_t(t) + oy + inset, d->clipBox.top),
                 ye = std::min<int64_t>(int64_t(b) + oy - inset, d->clipBox.bottom);
         y < ye; ++y)
      Span(*d, *s, y, int64_t(l) + ox + inset, int64_t(r) + ox - inset, fill, d->st.rop2);
  }
  if (pv) {
    auto path = BoxPath(l, t, r, b);
    if (int64_t(r) - l == 1 || int64_t(b) - t == 1) {
      POINT seg[2] = {POINT{l, t}, POINT{r - 1, b - 1}};
      // A one-pixel-thin box is a line that includes its end.
      if (pen->width <= 1) {
        uint32_t c = ToPixel(pen->color);
        // Only the rows inside the clip box: a thin box may be 2^32 pixels tall.
        for (int64_t y = std::max<int64_t>(t, int64_t(d->clipBox.top) - d->origin.y),
                     ye = std::min<int64_t>(b, int64_t(d->clipBox.bottom) - d->origin.y);
             y < ye; ++y)
          Span(*d, *s, y + d->origin.y, int64_t(l) + d->origin.x, int64_t(r) + d->origin.x, c,
               d->st.rop2);
      } else {
        StrokePath(*d, seg, 2, false);
      }
    } else {
      d->st.dashPhase = 0;
      StrokePath(*d, path.data(), path.size(), true);
      d->st.dashPhase = 0;
    }
  }
  return TRUE;
}

BOOL Ellipse(HDC hdc, int l, int t, int r, int b) {
  Dc* d = FindDc(hdc);
  if (!d) return FALSE;
  if (d->rec) Record(*d, "Ellipse", {l, t, r, b});
  Normalize(&l, &t, &r, &b);
  Surface* s = DcSurface(*d);
  if (!s) return FALSE;
  if (int64_t(r) - l < 1 || int64_t(b) - t < 1) return TRUE;  // 64-bit: boxes may span int32
  double ox = d->origin.x, oy = d->origin.y;
  double cx = (double(l) + double(r) - 1) / 2 + ox, cy = (double(t) + double(b) - 1) / 2 + oy;
  double a = (double(r) - l) / 2, bb = (double(b) - t) / 2;
  Pen* pen = nullptr;
  bool pv = PenVisible(*d, &pen);
  uint32_t fill;
  bool bv = BrushVisible(*d, &fill);
  uint32_t pc = pv ? ToPixel(pen->color) : 0;
  double w = pv ? pen->width : 0;
  // A 1-px dashed pen dashes the outline as it dashes lines; wider pens stay solid.
  const uint32_t bk = ToPixel(d->st.bk);
  const EllipseDash dash{cx, cy, a - 0.5, bb - 0.5, d->st.bkMode == OPAQUE ? &bk : nullptr};
  const bool dashed = pv && pen->style == PS_DASH && pen->width <= 1;
  EllipseSpans(*d, *s, cx, cy, a, bb, a - w, bb - w, pv ? &pc : nullptr, bv ? &fill : nullptr,
               d->st.rop2, dashed ? &dash : nullptr);
  return TRUE;
}

BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int ew, int eh) {
  Dc* d = FindDc(hdc);
  if (!d) return FALSE;
  if (d->rec) Record(*d, "RoundRect", {l, t, r, b, ew, eh});
  Normalize(&l, &t, &r, &b);
  if (int64_t(r) - l < 1 || int64_t(b) - t < 1) return TRUE;  // 64-bit: boxes may span int32
  double rx = std::min(std::abs(double(ew)) / 2, (double(r) - l - 1) / 2);
  double ry = std::min(std::abs(double(eh)) / 2, (double(b) - t - 1) / 2);
  if (rx < 1 || ry < 1) return Rectangle(hdc, l, t, r, b);
  // Quarter ellipses as polylines, fine enough that no step exceeds one pixel. Corners larger
  // than any surface are capped at 2^16 steps: a chord then strays under 0.2 px from the arc
  // even at int32 radii, where the uncapped count would ask for gigabytes of vertices.
  constexpr double kMaxSteps = 65536;
  int steps = int(std::max(2.0, std::min(kMaxSteps, std::ceil(std::max(rx, ry) * 1.6))));
  std::vector<POINT> path;
  double R = double(r) - 1, B = double(b) - 1;
  const double cxs[4] = {R - rx, l + rx, l + rx, R - rx};
  const double cys[4] = {t + ry, t + ry, B - ry, B - ry};
  for (int q = 0; q < 4; ++q) {
    for (int i = 0; i <= steps; ++i) {
      double ang = (q * 90.0 + 90.0 * i / steps) * M_PI / 180.0;
      path.push_back(POINT{LONG(std::lround(cxs[q] + rx * std::cos(ang))),
                           LONG(std::lround(cys[q] - ry * std::sin(ang)))});
    }
  }
  uint32_t fill;
  if (BrushVisible(*d, &fill)) {
    INT c = INT(path.size());
    // The fill reaches the outline's right and bottom pixels, which the pen then covers.
    std::vector<POINT> grown(path);
    const int64_t midX = (int64_t(l) + r) / 2, midY = (int64_t(t) + b) / 2;  // l + r may pass int32
    for (POINT& p : grown) {
      if (p.x >= midX) p.x += 1;
      if (p.y >= midY) p.y += 1;
    }
    FillPolygons(*d, grown.data(), &c, 1, fill, d->st.rop2, ALTERNATE);
  }
  d->st.dashPhase = 0;
  StrokePath(*d, path.data(), path.size(), true);
  d->st.dashPhase = 0;
  return TRUE;
}

int FillRect(HDC hdc, const RECT* rc, HBRUSH brush) {
  Dc* d = FindDc(hdc);
  if (!d || !rc) return 0;
  if (d->rec) Record(*d, "FillRect", {rc->left, rc->top, rc->right, rc->bottom});
  bool vis = false;
  uint32_t color = BrushColorOf(brush, &vis);
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (!vis && !(v > COLOR_STATICTEXT + 1 && FindAs<Brush>(brush, Kind::Brush))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  Surface* s = DcSurface(*d);
  if (!s) return 0;
  if (!vis) return 1;  // a null brush paints nothing
  int64_t ox = d->origin.x, oy = d->origin.y;
  int64_t y0 = std::max<int64_t>(int64_t(rc->top) + oy, d->clipBox.top);
  int64_t y1 = std::min<int64_t>(int64_t(rc->bottom) + oy, d->clipBox.bottom);
  for (int64_t y = y0; y < y1; ++y)
    Span(*d, *s, y, int64_t(rc->left) + ox, int64_t(rc->right) + ox, color, R2_COPYPEN);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rc, HBRUSH brush) {
  Dc* d = FindDc(hdc);
  if (!d || !rc) return 0;
  if (d->rec) Record(*d, "FrameRect", {rc->left, rc->top, rc->right, rc->bottom});
  bool vis = false;
  uint32_t color = BrushColorOf(brush, &vis);
  Surface* s = DcSurface(*d);
  if (!s || !FindAs<Brush>(brush, Kind::Brush)) {
    if (!vis) return 0;
  }
  if (!vis || !s || rc->right <= rc->left || rc->bottom <= rc->top) return 1;
  int64_t ox = d->origin.x, oy = d->origin.y;
  int64_t l = rc->left + ox, r = rc->right + ox, t = rc->top + oy, b = rc->bottom + oy;
  Span(*d, *s, t, l, r, color, R2_COPYPEN);
  if (b - 1 > t) Span(*d, *s, b - 1, l, r, color, R2_COPYPEN);
  for (int64_t y = std::max<int64_t>(t + 1, d->clipBox.top),
               ye = std::min<int64_t>(b - 1, d->clipBox.bottom);
       y < ye; ++y) {
    Span(*d, *s, y, l, l + 1, color, R2_COPYPEN);
    if (r - 1 > l) Span(*d, *s, y, r - 1, r, color, R2_COPYPEN);
  }
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rc) {
  Dc* d = FindDc(hdc);
  if (!d || !rc) return FALSE;
  if (d->rec) Record(*d, "InvertRect", {rc->left, rc->top, rc->right, rc->bottom});
  Surface* s = DcSurface(*d);
  if (!s) return FALSE;
  int64_t ox = d->origin.x, oy = d->origin.y;
  int64_t y0 = std::max<int64_t>(int64_t(rc->top) + oy, d->clipBox.top);
  int64_t y1 = std::min<int64_t>(int64_t(rc->bottom) + oy, d->clipBox.bottom);
  for (int64_t y = y0; y < y1; ++y)
    Span(*d, *s, y, int64_t(rc->left) + ox, int64_t(rc->right) + ox, 0, R2_NOT);
  return TRUE;
}

}  // extern "C"
