#include "view/render_object.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "maps/mdm_format.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/symbol_draw.h"
#include "view/clip.h"
#include "view/render_state.h"
#include "view/view_math.h"

std::vector<POINT> ScreenPointBuffer;
std::vector<POINT> PartPointBuffer;
std::vector<POINT> RingCopyBuffer;

namespace {

using view::TruncSat;

// Grows `buffer` to at least `points` entries; false when memory runs out.
bool Grow(std::vector<POINT>& buffer, size_t points) {
  if (buffer.size() >= points) return true;
  try {
    buffer.resize(points);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// A map object's vertices in screen pixels.
bool ToScreen(const TMdmMap* map, const TMapObject* o, std::vector<POINT>& out) {
  if (!Grow(out, size_t(o->vertexCount) + 2)) return false;
  for (int32_t i = 0; i < o->vertexCount; ++i) {
    int32_t x, y;
    map->MapToScreen(o->vertices[i].x, o->vertices[i].y, &x, &y);
    out[size_t(i)] = {x, y};
  }
  return true;
}

// The clip rectangle of the segments (the view grown by 10 px) grown by `margin` more.
struct TBox {
  double xmin, ymin, xmax, ymax;
};
TBox ClipBox(double margin) {
  return {double(ClipWindow.xmin) - margin, double(ClipWindow.ymin) - margin,
          double(ClipWindow.xmax) + margin, double(ClipWindow.ymax) + margin};
}

// Liang-Barsky: the stretch [a, b] of the segment, in pixels from its start (length `len`),
// that lies in the box; false when none does.
bool VisibleStretch(const POINT& p, const POINT& q, double len, const TBox& box, double* a,
                    double* b) {
  const double dx = double(q.x) - p.x, dy = double(q.y) - p.y;
  double u0 = 0.0, u1 = 1.0;
  const double pk[4] = {-dx, dx, -dy, dy};
  const double qk[4] = {p.x - box.xmin, box.xmax - p.x, p.y - box.ymin, box.ymax - p.y};
  for (int i = 0; i < 4; ++i) {
    if (pk[i] == 0.0) {
      if (qk[i] < 0.0) return false;
      continue;
    }
    const double r = qk[i] / pk[i];
    if (pk[i] < 0.0) {
      if (r > u1) return false;
      u0 = std::max(u0, r);
    } else {
      if (r < u0) return false;
      u1 = std::min(u1, r);
    }
  }
  *a = u0 * len;
  *b = u1 * len;
  return true;
}

double SegmentLength(const POINT& p, const POINT& q) {
  return std::hypot(double(q.x) - p.x, double(q.y) - p.y);
}

POINT PointAt(const POINT& p, const POINT& q, double s, double len) {
  return {TruncSat(p.x + (double(q.x) - p.x) * s / len), TruncSat(p.y + (double(q.y) - p.y) * s / len)};
}

// Mark boxes (x +- r) are formed in 64 bits and saturated into the int32 the device takes.
int32_t Sat(int64_t v) { return view::ClampI32(v); }

// The state of a dash walk: in a dash or a gap, and how much of it is left.
struct TDashPhase {
  double dash, gap;
  bool inDash = false;
  double remain = 0.0;

  // Moves the phase `d` pixels on without drawing.
  void Advance(double d) {
    if (d <= 0.0) return;
    if (d < remain) {
      remain -= d;
      return;
    }
    d -= remain;
    d = std::fmod(d, dash + gap);
    Toggle();
    while (d >= remain) {  // at most two turns: d is below one period now
      d -= remain;
      Toggle();
    }
    remain -= d;
  }
  void Toggle() {
    inDash = !inDash;
    remain = inDash ? dash : gap;
  }
};

// The dash run: the points of the dash being drawn, held in ScreenPoints.
struct TDashRun {
  HDC dc;
  size_t n = 0;
  bool failed = false;

  void Push(POINT p) {
    if (n && ScreenPoints[n - 1].x == p.x && ScreenPoints[n - 1].y == p.y) return;
    if (!Grow(ScreenPoints, std::max<size_t>(n + 1, 64))) {
      // Out of room: draw what the run holds and go on from its last point.
      if (n >= 2) DrawClippedPolyline(dc, ScreenPoints.data(), int(n));
      if (n) {
        ScreenPoints[0] = ScreenPoints[n - 1];
        n = 1;
      }
      failed = true;
      if (ScreenPoints.size() < 2) return;
    }
    ScreenPoints[n++] = p;
  }
  void Flush() {
    if (n >= 2) DrawClippedPolyline(dc, ScreenPoints.data(), int(n));
    n = 0;
  }
};

}  // namespace

int DrawDashWalk(HDC dc, const POINT* points, int count, double dash, double gap, double start) {
  if (!points || count < 2) return kRenderOk;
  TDashPhase phase{dash, gap};
  // The line begins `start` pixels before the first dash (in a gap); a start at or below 0
  // begins inside the pattern.
  if (start > 0.0) {
    phase.inDash = false;
    phase.remain = start;
  } else {
    phase.inDash = true;
    phase.remain = dash;
    phase.Advance(-start);
  }
  TDashRun run{dc};
  // A wide pen reaches past the line's centre; so much farther out the line still shows.
  const TBox box = ClipBox(64.0);
  for (int i = 0; i + 1 < count; ++i) {
    const POINT& p = points[i];
    const POINT& q = points[i + 1];
    const double len = SegmentLength(p, q);
    if (len == 0.0) continue;
    double a, b;
    if (!VisibleStretch(p, q, len, box, &a, &b)) {
      run.Flush();
      phase.Advance(len);
      continue;
    }
    double pos = 0.0;
    if (a > 0.0) {
      run.Flush();
      phase.Advance(a);
      pos = a;
    }
    while (pos < b) {
      const double end = pos + phase.remain;
      if (phase.inDash) {
        if (run.n == 0) run.Push(PointAt(p, q, pos, len));
        if (end > b) {
          phase.remain -= b - pos;
          pos = b;
          run.Push(b >= len ? q : PointAt(p, q, b, len));
        } else {
          run.Push(end >= len ? q : PointAt(p, q, end, len));
          run.Flush();
          pos = end;
          phase.inDash = false;
          phase.remain = gap;
        }
      } else if (end > b) {
        phase.remain -= b - pos;
        pos = b;
      } else {
        pos = end;
        phase.inDash = true;
        phase.remain = dash;
      }
    }
    if (b < len) {
      run.Flush();
      phase.Advance(len - b);
    }
  }
  // A dash that runs past the last vertex is drawn to it.
  run.Flush();
  return run.failed ? kRenderNoMemory : kRenderOk;
}

void DrawMarkWalk(HDC dc, const POINT* points, int count, int kind, double size, double spacing,
                  double start, HBRUSH fillBrush) {
  if (!points || count < 2 || kind < kElementFilledSquare || kind > kElementDoubleChevronBack) return;
  if (!(spacing > 0.0)) return;  // a spacing of 0 or less places nothing
  if (spacing < 1.0) spacing = 1.0;
  const double half = size / 2.0;
  if (!(std::fabs(half) >= (kind <= kElementSideTick ? 1.0 : 2.0))) return;
  HBRUSH brush = (kind == kElementFilledSquare || kind == kElementFilledCircle) ? fillBrush : HBRUSH(GetStockObject(NULL_BRUSH));
  TGdiSelection brushSel(dc, (kind >= kElementFilledSquare && kind <= kElementCircle) ? brush : nullptr, false);
  // Marks reach |size| (double chevrons about 2.5 x |size|) from the line.
  const TBox box = ClipBox(std::fabs(size) * 3.0 + 16.0);
  double t = start;
  if (t < 0.0) {
    t = std::fmod(t, spacing);
    if (t < 0.0) t += spacing;
  }
  for (int i = 0; i + 1 < count; ++i) {
    const POINT& p = points[i];
    const POINT& q = points[i + 1];
    const double len = SegmentLength(p, q);
    if (len == 0.0) continue;
    double a, b;
    if (!VisibleStretch(p, q, len, box, &a, &b)) b = a = len;  // nothing here: skip it all
    if (t < a) t += std::ceil((a - t) / spacing) * spacing;
    const double x = p.x, y = p.y;
    const double dx = double(q.x) - p.x, dy = double(q.y) - p.y;
    for (; t < len && t <= b; t += spacing) {
      switch (kind) {
        case kElementFilledSquare: case kElementSquare: case kElementFilledCircle: case kElementCircle: {
          const int64_t cx = TruncSat(x + dx * t / len), cy = TruncSat(y + dy * t / len);
          const int64_t r = TruncSat(half);
          const int32_t l = Sat(cx - r), tp = Sat(cy - r), rt = Sat(cx + r), bt = Sat(cy + r);
          if (kind <= kElementSquare)
            Rectangle(dc, l, tp, rt, bt);
          else
            Ellipse(dc, l, tp, rt, bt);
          break;
        }
        case kElementCrossTick: case kElementSideTick: {
          const double h = -half;
          POINT tick[2];
          tick[0] = {TruncSat(x + (t * dx - h * dy) / len), TruncSat(y + (h * dx + t * dy) / len)};
          if (kind == kElementCrossTick)
            tick[1] = {TruncSat(x + (t * dx + h * dy) / len), TruncSat(y + (t * dy - h * dx) / len)};
          else
            tick[1] = {TruncSat(x + dx * t / len), TruncSat(y + dy * t / len)};
          Polyline(dc, tick, 2);
          break;
        }
        default: {
          const double h = half;
          const double along = (kind == kElementChevron || kind == kElementDoubleChevron) ? h : -h;
          const int chevrons = kind >= kElementDoubleChevron ? 2 : 1;
          for (int c = 0; c < chevrons; ++c) {
            const double tc = c == 0 ? t : t - h * std::sqrt(2.0);
            const double ta = tc - along;
            POINT v[3] = {
                {TruncSat(x + (ta * dx - h * dy) / len), TruncSat(y + (h * dx + ta * dy) / len)},
                {TruncSat(x + dx * tc / len), TruncSat(y + dy * tc / len)},
                {TruncSat(x + (ta * dx + h * dy) / len), TruncSat(y + (ta * dy - h * dx) / len)}};
            Polyline(dc, v, 3);
          }
          break;
        }
      }
    }
    // Past the visible stretch: the first placement at or beyond the segment's end.
    if (t < len) t += std::ceil((len - t) / spacing) * spacing;
    t -= len;
  }
}

void DrawSymbolWalk(HDC dc, const TSymbolTable& symbols, const POINT* points, int count,
                    int number, double step, float size, const RECT& drawRect) {
  if (!points || count < 2 || !(step >= 0.1)) return;
  const TBox box{double(drawRect.left) - step, double(drawRect.top) - step,
                 double(drawRect.right) + step, double(drawRect.bottom) + step};
  double t = 0.0;
  for (int i = 0; i + 1 < count; ++i) {
    const POINT& p = points[i];
    const POINT& q = points[i + 1];
    const double len = SegmentLength(p, q);
    if (len == 0.0) continue;
    double a, b;
    if (!VisibleStretch(p, q, len, box, &a, &b)) b = a = len;
    if (t < a) t += std::ceil((a - t) / step) * step;
    for (; t < len && t <= b; t += step) {
      const double px = p.x + (double(q.x) - p.x) * t / len;
      const double py = p.y + (double(q.y) - p.y) * t / len;
      if (px < box.xmin || px > box.xmax || py < box.ymin || py > box.ymax) continue;
      DrawVectorSymbol(symbols, dc, TruncSat(px), TruncSat(py), q.x, q.y, number, size, false,
                       0.0f);
    }
    if (t < len) t += std::ceil((len - t) / step) * step;
    t -= len;
  }
}

bool OffsetPolyline(const POINT* points, int count, double offset, std::vector<POINT>& out) {
  try {
    out.assign(size_t(count) + 2, POINT{0, 0});
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int i = 0; i < count; ++i) {
    // Each vertex moves with its outgoing segment, the last with its incoming one.
    const POINT& p = points[i];
    const POINT& a = i + 1 < count ? points[i] : points[i - 1 >= 0 ? i - 1 : 0];
    const POINT& b = i + 1 < count ? points[i + 1] : points[i];
    const double len = SegmentLength(a, b);
    if (len == 0.0) {
      out[size_t(i)] = p;
      continue;
    }
    out[size_t(i)] = {TruncSat(p.x - offset * (double(a.y) - b.y) / len),
                      TruncSat(p.y + offset * (double(a.x) - b.x) / len)};
  }
  return true;
}

namespace {

void DrawSimpleLine(HDC dc, const TObjectLibrary* lib, const uint8_t* ls, const POINT* pts, int n,
                    float f10) {
  if (ls[1] == 0) return;
  int w = (ls[0] & kLineStyleTenths) ? int(TruncSat(ls[1] * double(f10))) : ls[1];
  if (w < 1) w = 1;
  const int style = (ls[0] & kLineStyleCountMask) ? PS_DASH : PS_SOLID;
  const COLORREF colour = LibraryColor(lib, ls[2]);
  HPEN kept = KeptPen(style, w, colour);
  TGdiSelection pen(dc, kept ? kept : CreatePen(style, w, colour), kept == nullptr);
  DrawClippedPolyline(dc, pts, n);
}

void DrawSymbolChain(TMdmMap* map, HDC dc, const uint8_t* ls, const POINT* pts, int n, float s) {
  const TObjectLibrary* lib = map->library;
  const int number = mdm::GetU16(ls + 1);
  const TSymbolExtent e = lib->symbols.GetSymbolExtent(number);
  if (e.designSize == 0) return;  // no unit: the spacing would be infinite
  const double step = double(e.maxX - e.minX) * s / e.designSize;
  const RECT draw{map->viewLeft, map->viewTop, map->viewRight, map->viewBottom};
  DrawSymbolWalk(dc, lib->symbols, pts, n, number, step, s, draw);
}

struct TElement {
  uint8_t kind, colour;
  int16_t width, start, size, spacing, offset;
};

TElement ReadElement(const uint8_t* e) {
  return {e[0],
          e[1],
          int16_t(mdm::GetU16(e + 2)),
          int16_t(mdm::GetU16(e + 4)),
          int16_t(mdm::GetU16(e + 6)),
          int16_t(mdm::GetU16(e + 8)),
          int16_t(mdm::GetU16(e + 10))};
}

// One pass of an element along the line shifted by `offset` pixels. False when the shifted copy
// could not be made.
bool DrawElementPass(HDC dc, const TObjectLibrary* lib, const TElement& el, double offset,
                     const POINT* pts, int n, float f100, int* result) {
  std::vector<POINT> shifted;
  const POINT* line = pts;
  if (std::fabs(offset) > 1.0) {
    if (!OffsetPolyline(pts, n, offset, shifted)) return false;
    line = shifted.data();
  }
  int width = int(TruncSat(el.width * double(f100)));
  if (width < 0) width = 0;
  const COLORREF colour = LibraryColor(lib, el.colour);
  HPEN kept = KeptPen(PS_SOLID, width, colour);
  TGdiSelection pen(dc, kept ? kept : CreatePen(PS_SOLID, width, colour), kept == nullptr);
  if (el.kind <= kElementDoubleLine) {
    const double d = el.size * double(f100), g = el.spacing * double(f100);
    if (d > 0.0 && g > 0.0 && d + g >= 1.0) {
      if (DrawDashWalk(dc, line, n, d, g, el.start * double(f100)) != kRenderOk)
        *result = kRenderNoMemory;
    } else {
      // Dash and gap both 0 is a solid line; other sizes would make the walk stand still.
      DrawClippedPolyline(dc, line, n);
    }
    return true;
  }
  const bool filled = el.kind == kElementFilledSquare || el.kind == kElementFilledCircle;
  HBRUSH keptFill = filled ? KeptBrush(colour) : nullptr;
  HBRUSH fill = filled && !keptFill ? CreateSolidBrush(colour) : keptFill;
  DrawMarkWalk(dc, line, n, el.kind, el.size * double(f100), el.spacing * double(f100),
               el.start * double(f100), fill);
  if (fill && fill != keptFill) DeleteObject(fill);
  return true;
}

int DrawCompoundLine(HDC dc, const TObjectLibrary* lib, const uint8_t* ls, const POINT* pts, int n,
                     float f100) {
  int result = kRenderOk;
  const std::span<const uint8_t> block = lib->styles.PatternElements(mdm::GetU32(ls + 1));
  const size_t count = std::min<size_t>(ls[0] & kLineStyleCountMask, block.size() / 12);
  for (size_t i = 0; i < count; ++i) {
    const TElement el = ReadElement(block.data() + 12 * i);
    if (el.kind < kElementLine || el.kind > kElementDoubleChevronBack) continue;
    const double o = el.offset * double(f100);
    if (el.kind == kElementDoubleLine) {
      if (!DrawElementPass(dc, lib, el, o / 2.0, pts, n, f100, &result) ||
          !DrawElementPass(dc, lib, el, o / -2.0, pts, n, f100, &result))
        result = kRenderNoMemory;
    } else if (!DrawElementPass(dc, lib, el, o, pts, n, f100, &result)) {
      result = kRenderNoMemory;
    }
  }
  return result;
}

// Fills an area (and, for a group head, its member parts as holes). 3 when a part or the ring
// copy could not be made; what could be made is still drawn.
int FillArea(TMdmMap* map, HDC dc, TMapObject* o, uint16_t index, int n) {
  const uint8_t fillKind = o->style[0];
  if (fillKind >= 1 && fillKind <= 7) return kRenderOk;  // these kinds are not filled
  int result = kRenderOk;
  if (!Grow(RingCopyBuffer, size_t(n) + 3)) return kRenderNoMemory;
  std::copy(ScreenPointBuffer.begin(), ScreenPointBuffer.begin() + n, RingCopyBuffer.begin());
  int c = ClipPolygonToView(n, RingCopyBuffer, ScreenPoints);
  if (c < 4) return kRenderOk;  // fewer than three corners on the screen: nothing to fill
  std::vector<POINT> groupRing;
  const POINT* ring = ScreenPoints.data();
  if (o->flags & TMapObject::kGroupHead) {
    try {
      groupRing.assign(ScreenPoints.begin(), ScreenPoints.begin() + c);
      groupRing.resize(size_t(c) + 2);
    } catch (const std::bad_alloc&) {
      return kRenderNoMemory;
    }
    const uint8_t both = TMapObject::kInView | TMapObject::kPassesLevel;
    for (int32_t j = int32_t(index) + 1; j < map->count; ++j) {
      TMapObject& part = map->objects[j];
      if (part.groupHead != int32_t(index)) break;
      if ((part.flags & both) != both || !part.vertices || part.vertexCount < 3) continue;
      if (!ToScreen(map, &part, PartPointBuffer)) {
        result = kRenderNoMemory;
        continue;
      }
      int32_t cx, cy;
      map->MapToScreen(int32_t((int64_t(part.box[0]) + part.box[2]) / 2),
                       int32_t((int64_t(part.box[1]) + part.box[3]) / 2), &cx, &cy);
      const int h = ClipPolygonToView(part.vertexCount, PartPointBuffer, ScreenPoints);
      if (h < 4) continue;  // the hole is off the screen
      const int merged = MergeHoleIntoRing(groupRing, c, ScreenPoints.data(), h, cx, cy);
      if (merged == c) result = kRenderNoMemory;
      c = merged;
    }
    ring = groupRing.data();
  }
  const COLORREF colour = LibraryColor(map->library, o->style[1]);
  HBRUSH kept = KeptBrush(colour);
  TGdiSelection brush(dc, kept ? kept : CreateSolidBrush(colour), kept == nullptr);
  TGdiSelection pen(dc, GetStockObject(NULL_PEN), false);
  Polygon(dc, ring, c);
  return result;
}

}  // namespace

void DrawPointObject(TMdmMap* map, HDC dc, TMapObject* o) {
  if (!map || !o || !map->library) return;
  int32_t sx1, sy1, sx2, sy2;
  map->MapToScreen(o->box[0], o->box[1], &sx1, &sy1);
  map->MapToScreen(o->box[2], o->box[3], &sx2, &sy2);
  const float s = MapDrawState(map).symbolScale;
  if (!(o->flags & TMapObject::kStyleCached) || !(s >= 0.5f)) return;
  double d1 = 0.0, d2 = 1.0;
  if (o->box[0] != o->box[2] || o->box[1] != o->box[3]) {
    if (std::abs(int64_t(sx1) - sx2) > 2 || std::abs(int64_t(sy1) - sy2) > 2) {
      const double d = std::hypot(double(sx1) - sx2, double(sy1) - sy2);
      d1 = (double(sy1) - sy2) / d;
      d2 = (double(sx2) - sx1) / d;
    } else {
      const double d = std::hypot(double(o->box[2]) - o->box[0], double(o->box[3]) - o->box[1]);
      d1 = (double(o->box[2]) - o->box[0]) / d;
      d2 = (double(o->box[3]) - o->box[1]) / d;
    }
  }
  DrawVectorSymbol(map->library->symbols, dc, sx1, sy1, sx2, sy2, mdm::GetU16(o->style), s, false,
                   float(MapRotation(map)), &d1, &d2);
}

int DrawLineAreaObject(TMdmMap* map, HDC dc, TMapObject* o, uint16_t index) {
  if (!map || !o || !o->vertices || o->vertexCount <= 0) return kRenderOk;
  if (!ToScreen(map, o, ScreenPointBuffer)) return kRenderNoMemory;
  const int n = o->vertexCount;
  const bool area = o->kind == mdm::kKindArea;
  if (!(o->flags & TMapObject::kStyleCached)) {
    // The default: a solid 1-pixel line in colour 0; an area gets no fill.
    static const uint8_t kDefaultLine[5] = {0, 1, 0, 0, 0};
    if (area) {
      o->style[0] = 1;
      o->style[1] = 0;
      std::copy(kDefaultLine, kDefaultLine + 5, o->style + 2);
    } else {
      std::copy(kDefaultLine, kDefaultLine + 5, o->style);
    }
  }
  const TMapDrawState& state = MapDrawState(map);
  const float s = state.symbolScale;
  const float f10 = s / 10.0f, f100 = s / 100.0f;
  int result = kRenderOk;
  if (area && state.fill && !(o->flags & TMapObject::kGroupMember))
    result = FillArea(map, dc, o, index, n);

  const uint8_t* ls = area ? o->style + 2 : o->style;
  const POINT* pts = ScreenPointBuffer.data();
  if (!(ls[0] & kLineStyleNotSimple)) {
    DrawSimpleLine(dc, map->library, ls, pts, n, f10);
  } else if (!map->library) {
    // Symbols and elements live in the library; without it only simple pens can be drawn.
  } else if (ls[0] & kLineStyleSymbols) {
    DrawSymbolChain(map, dc, ls, pts, n, s);
  } else if (DrawCompoundLine(dc, map->library, ls, pts, n, f100) != kRenderOk) {
    result = kRenderNoMemory;
  }
  return result;
}
