// Triangulation of the rubber-sheet control points.
//
// Invariants (they hold between any two insertions):
//  - Every triangle is a record of three slots {edge, direction}; walking the slots in order goes
//    around the triangle with its inside on the positive side of SignedDistance, and the end of
//    each slot's edge is the start of the next slot's edge.
//  - An edge's t1 is the triangle that walks it start -> end, its t2 the one that walks it
//    end -> start. An edge with both is inner; an edge with only t1 lies on the hull. No edge has
//    only t2: a new hull edge is always made in the direction its one triangle walks it.
//  - hull_ lists the hull edges in order around the hull, the end vertex of each being the start
//    vertex of the next (cyclically). Entries may be rotated; nothing relies on which is first.
//  - The hull is convex, exactly: which side of a hull edge a point lies on is decided in exact
//    integer arithmetic, a point exactly on a hull edge splits it, and collinear hull vertices
//    are allowed.
//  - Points are taken up in row order (pixel y, then x). Each point after the seed lies outside
//    the hull built so far or on it, except the few that the seed's choice of third vertex leaves
//    behind; those are found by a scan of the triangles and inserted by splitting a triangle or
//    an edge. Equal points are neighbours in that order, and only the first is inserted.
//  - Every split or fan is followed by Lawson flips of the edges it made inner: an edge is
//    flipped when the far apex of its second triangle lies strictly inside the circumcircle of
//    its first, and only when the two triangles form a strictly convex quadrilateral. Flips
//    recurse over the four outer edges to a depth of 32; with points in general position the
//    result is the Delaunay triangulation.
//  - Vertex, edge and triangle numbers are 32-bit and the arrays grow as needed: there is no
//    limit on the number of points or hull edges.
//  - A broken link (an edge not found in its triangle, or walked the wrong way) stops insertion;
//    the triangles made so far stay, and the reason goes to the log, never to the user.
#include "geodesy/tin_builder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

namespace {
constexpr int kMaxFlipDepth = 32;
}

TTinBuilder::TTinBuilder(std::vector<TTinPixel>& pixels, std::vector<TTinMapPoint>& map)
    : pixels_(pixels), map_(map) {}

TTinXY TTinBuilder::Pt(uint32_t v) const {
  return {static_cast<double>(pixels_[v].x), static_cast<double>(pixels_[v].y)};
}

uint32_t TTinBuilder::SlotStart(Slot s) const {
  const Edge& e = edges_[s.edge];
  return s.dir == 0 ? e.a : e.b;
}

uint32_t TTinBuilder::SlotEnd(Slot s) const {
  const Edge& e = edges_[s.edge];
  return s.dir == 0 ? e.b : e.a;
}

uint32_t TTinBuilder::AddEdge(uint32_t a, uint32_t b) {
  edges_.push_back({a, b, -1, -1});
  return static_cast<uint32_t>(edges_.size() - 1);
}

void TTinBuilder::SetSlot(int32_t t, int k, Slot s) {
  triangles_[t].s[k] = s;
  if (s.dir == 0)
    edges_[s.edge].t1 = t;
  else
    edges_[s.edge].t2 = t;
}

int32_t TTinBuilder::AddTriangle(Slot s0, Slot s1, Slot s2) {
  triangles_.push_back({});
  const auto t = static_cast<int32_t>(triangles_.size() - 1);
  SetSlot(t, 0, s0);
  SetSlot(t, 1, s1);
  SetSlot(t, 2, s2);
  return t;
}

bool TTinBuilder::RotateToSlot0(int32_t t, uint32_t edge) {
  Slot* s = triangles_[t].s;
  for (int k = 0; k < 3; ++k) {
    if (s[k].edge == edge) {
      std::rotate(s, s + k, s + 3);
      return true;
    }
  }
  return false;
}

void TTinBuilder::Note(const char* text) {
  if (!log_.empty()) log_ += '\n';
  log_ += text;
}

void TTinBuilder::SortPoints() {
  // Stable, so equal points keep their given order and the first of them is the one kept.
  std::vector<uint32_t> order(pixels_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t i, uint32_t j) {
    const TTinPixel& a = pixels_[i];
    const TTinPixel& b = pixels_[j];
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
  std::vector<TTinPixel> pixels(pixels_.size());
  std::vector<TTinMapPoint> map(map_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    pixels[i] = pixels_[order[i]];
    map[i] = map_[order[i]];
  }
  pixels_.swap(pixels);
  map_.swap(map);
}

bool TTinBuilder::Seed(uint32_t& s2, uint32_t& s3) {
  const auto n = static_cast<uint32_t>(pixels_.size());
  const TTinXY p1 = Pt(0);
  s2 = 1;
  while (s2 < n && Pt(s2) == p1) ++s2;
  if (s2 >= n) return false;
  const TTinXY p2 = Pt(s2);

  // The third vertex: a point more than a pixel off the line of the first two, preferring a
  // well-shaped triangle (small angle spread) that holds none of the points scanned before it,
  // so that few points are left behind the sweep.
  int64_t best = -1, firstCandidate = -1;
  double bestSpread = 0;
  TTinXY bestTri[3];
  for (uint32_t i = s2 + 1; i < n; ++i) {
    const TTinXY p = Pt(i);
    if (!(std::fabs(SignedDistance(p1, p2, p)) > 1.0)) continue;
    if (firstCandidate < 0) firstCandidate = i;
    const double spread = AngleSpread(p1, p2, p);
    const bool better =
        best < 0 || PointInTriangle(p, bestTri, nullptr) != 0 || spread < bestSpread;
    if (!better) continue;
    const TTinXY tri[3] = {p1, p2, p};
    bool clear = true;
    for (uint32_t j = s2 + 1; j < i && clear; ++j)
      clear = PointInTriangle(Pt(j), tri, nullptr) != 4;
    if (!clear) continue;
    best = i;
    bestSpread = spread;
    std::copy(tri, tri + 3, bestTri);
  }
  if (best < 0) best = firstCandidate;  // points left inside are inserted by the scan
  if (best < 0) return false;
  s3 = static_cast<uint32_t>(best);
  return std::fabs(CrossValue(p1, p2, Pt(s3))) >= 1.0;
}

std::vector<TTinTriangle> TTinBuilder::Triangulate() {
  hull_.clear();
  edges_.clear();
  triangles_.clear();
  stop_ = false;
  log_.clear();

  const size_t n = pixels_.size();
  if (n < 3 || map_.size() != n) return {};
  SortPoints();
  edges_.reserve(3 * n);
  triangles_.reserve(2 * n);

  uint32_t s2 = 0, s3 = 0;
  if (!Seed(s2, s3)) {
    Note("no three points off one line");
    return {};
  }
  uint32_t b = s2, c = s3;
  if (SignedDistance(Pt(0), Pt(b), Pt(c)) < 0) std::swap(b, c);
  const uint32_t e0 = AddEdge(0, b), e1 = AddEdge(b, c), e2 = AddEdge(c, 0);
  AddTriangle({e0, 0}, {e1, 0}, {e2, 0});
  hull_ = {e0, e1, e2};

  for (uint32_t i = s2 + 1; i < n && !stop_; ++i) {
    if (i == s3 || Pt(i) == Pt(i - 1)) continue;
    Insert(i);
  }

  if (TooThin()) {
    Note("all points within 1 pixel of a line");
    return {};
  }
  std::vector<TTinTriangle> out;
  out.reserve(triangles_.size());
  for (const Triangle& t : triangles_)
    out.push_back({SlotStart(t.s[0]), SlotStart(t.s[1]), SlotStart(t.s[2])});
  return out;
}

int TTinBuilder::Orient(uint32_t a, uint32_t b, uint32_t p) const {
  // Exact: pixel coordinates are whole numbers, and 128 bits hold any product of two 32-bit
  // coordinate differences. A fuzzy answer here would let a point a fraction of a pixel outside
  // a hull edge be put on it, leaving a reflex corner that later fans overlap.
  const TTinPixel A = pixels_[a], B = pixels_[b], P = pixels_[p];
  const __int128 v = static_cast<__int128>(int64_t{B.y} - A.y) * (int64_t{P.x} - A.x) -
                     static_cast<__int128>(int64_t{B.x} - A.x) * (int64_t{P.y} - A.y);
  return (v > 0) - (v < 0);
}

void TTinBuilder::Insert(uint32_t p) {
  const TTinPixel P = pixels_[p];
  const size_t h = hull_.size();
  std::vector<uint8_t> visible(h);
  bool anyVisible = false;
  for (size_t k = 0; k < h; ++k) {
    const Edge& e = edges_[hull_[k]];
    const int o = Orient(e.a, e.b, p);
    if (o == 0) {
      // On the edge's line: within the edge it splits it; beyond its ends the neighbouring
      // edge sees the point.
      const TTinPixel A = pixels_[e.a], B = pixels_[e.b];
      const bool within = P.x >= std::min(A.x, B.x) && P.x <= std::max(A.x, B.x) &&
                          P.y >= std::min(A.y, B.y) && P.y <= std::max(A.y, B.y);
      if (within) {
        if (!(Pt(p) == Pt(e.a)) && !(Pt(p) == Pt(e.b))) SplitHullEdge(k, p);
        return;
      }
    }
    visible[k] = o < 0;
    anyVisible = anyVisible || o < 0;
  }
  if (!anyVisible) {
    InsertInside(p);
    return;
  }

  // The visible edges of a convex hull form one run, which may wrap past the end of the list.
  size_t start = 0;
  while (start < h && !(visible[start] && !visible[(start + h - 1) % h])) ++start;
  if (start == h) {
    Note("point sees the whole hull");
    return;
  }
  size_t len = 0;
  while (len < h && visible[(start + len) % h]) ++len;
  Fan(p, start, len);
}

void TTinBuilder::InsertInside(uint32_t p) {
  const TTinXY P = Pt(p);
  for (size_t t = 0; t < triangles_.size(); ++t) {
    const Triangle& tri = triangles_[t];
    const TTinXY v[3] = {Pt(SlotStart(tri.s[0])), Pt(SlotStart(tri.s[1])), Pt(SlotStart(tri.s[2]))};
    const int r = PointInTriangle(P, v, nullptr);
    if (r == 0) continue;
    if (P == v[0] || P == v[1] || P == v[2]) return;
    if (r == 4) {
      SplitTriangle(static_cast<int32_t>(t), p);
      return;
    }
    const uint32_t e = tri.s[r - 1].edge;
    if (edges_[e].t2 >= 0) {
      SplitInnerEdge(e, p);
      return;
    }
    const auto it = std::find(hull_.begin(), hull_.end(), e);
    if (it != hull_.end()) SplitHullEdge(static_cast<size_t>(it - hull_.begin()), p);
    return;
  }
  Note("point neither outside nor inside the hull: not inserted");
}

void TTinBuilder::Fan(uint32_t p, size_t first, size_t count) {
  // Run edges E1..Ek go V0 -> V1 -> ... -> Vk along the hull. P joins every Vj; triangle i walks
  // Vi -> Vi-1 -> P. The outer spokes V0 -> P and P -> Vk replace the run on the hull.
  const size_t h = hull_.size();
  std::vector<uint32_t> run(count);
  for (size_t i = 0; i < count; ++i) run[i] = hull_[(first + i) % h];

  uint32_t prevSpoke = AddEdge(edges_[run[0]].a, p);
  const uint32_t firstSpoke = prevSpoke;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t vi = edges_[run[i]].b;
    const bool last = i + 1 == count;
    const uint32_t spoke = last ? AddEdge(p, vi) : AddEdge(vi, p);
    AddTriangle({run[i], 1}, {prevSpoke, 0}, {spoke, static_cast<uint8_t>(last ? 0 : 1)});
    prevSpoke = spoke;
  }

  std::rotate(hull_.begin(), hull_.begin() + static_cast<std::ptrdiff_t>(first), hull_.end());
  hull_.erase(hull_.begin(), hull_.begin() + static_cast<std::ptrdiff_t>(count));
  hull_.insert(hull_.begin(), {firstSpoke, prevSpoke});

  for (uint32_t e : run) Flip(e, 0);
}

int32_t TTinBuilder::SplitHullEdge(size_t hullPos, uint32_t p) {
  const uint32_t e = hull_[hullPos];
  const int32_t T = edges_[e].t1;
  if (T < 0 || edges_[e].t2 >= 0) {
    Note("split err1");
    stop_ = true;
    return -1;
  }
  if (!RotateToSlot0(T, e)) {
    Note("split err1");  // this point is not inserted through this edge; the rest go on
    return -1;
  }
  // T walks A -> B -> O; it becomes A -> P -> O and a new triangle P -> B -> O joins it.
  const Slot s1 = triangles_[T].s[1];  // B -> O
  const Slot s2 = triangles_[T].s[2];  // O -> A
  const uint32_t B = edges_[e].b;
  const uint32_t O = SlotEnd(s1);
  edges_[e].b = p;
  const uint32_t newHull = AddEdge(p, B);
  const uint32_t inner = AddEdge(p, O);
  SetSlot(T, 1, {inner, 0});
  SetSlot(T, 2, s2);
  AddTriangle({newHull, 0}, s1, {inner, 1});
  hull_.insert(hull_.begin() + static_cast<std::ptrdiff_t>(hullPos) + 1, newHull);
  Flip(s1.edge, 0);
  Flip(s2.edge, 0);
  return static_cast<int32_t>(newHull);
}

void TTinBuilder::SplitInnerEdge(uint32_t e, uint32_t p) {
  const int32_t t1 = edges_[e].t1, t2 = edges_[e].t2;
  if (!RotateToSlot0(t1, e) || !RotateToSlot0(t2, e) || triangles_[t1].s[0].dir != 0 ||
      triangles_[t2].s[0].dir != 1) {
    Note("split err2");
    stop_ = true;
    return;
  }
  // t1 walks a -> b -> c, t2 walks b -> a -> d; P on a b makes four triangles around P.
  const Slot s1 = triangles_[t1].s[1], s2 = triangles_[t1].s[2];
  const Slot r1 = triangles_[t2].s[1], r2 = triangles_[t2].s[2];
  const uint32_t b = edges_[e].b;
  const uint32_t c = SlotEnd(s1), d = SlotEnd(r1);
  edges_[e].b = p;
  const uint32_t f = AddEdge(p, b), gc = AddEdge(p, c), gd = AddEdge(p, d);
  SetSlot(t1, 1, {gc, 0});
  SetSlot(t1, 2, s2);
  AddTriangle({f, 0}, s1, {gc, 1});
  SetSlot(t2, 1, r1);
  SetSlot(t2, 2, {gd, 1});
  AddTriangle({f, 1}, {gd, 0}, r2);
  for (const Slot s : {s1, s2, r1, r2}) Flip(s.edge, 0);
}

void TTinBuilder::SplitTriangle(int32_t t, uint32_t p) {
  const Slot s0 = triangles_[t].s[0], s1 = triangles_[t].s[1], s2 = triangles_[t].s[2];
  const uint32_t q0 = AddEdge(SlotStart(s0), p);
  const uint32_t q1 = AddEdge(SlotStart(s1), p);
  const uint32_t q2 = AddEdge(SlotStart(s2), p);
  SetSlot(t, 1, {q1, 0});
  SetSlot(t, 2, {q0, 1});
  AddTriangle(s1, {q2, 0}, {q1, 1});
  AddTriangle(s2, {q0, 0}, {q2, 1});
  for (const Slot s : {s0, s1, s2}) Flip(s.edge, 0);
}

void TTinBuilder::Flip(uint32_t e, int depth) {
  if (depth > kMaxFlipDepth || stop_) return;
  const int32_t t1 = edges_[e].t1, t2 = edges_[e].t2;
  if (t1 < 0 || t2 < 0) return;
  if (!RotateToSlot0(t1, e) || !RotateToSlot0(t2, e)) {
    Note("Flip Error: rib.");
    stop_ = true;
    return;
  }
  if (triangles_[t1].s[0].dir != 0 || triangles_[t2].s[0].dir != 1) {
    Note("Flip Error: dir.");
    stop_ = true;
    return;
  }
  const Slot s1 = triangles_[t1].s[1], s2 = triangles_[t1].s[2];
  const Slot r1 = triangles_[t2].s[1], r2 = triangles_[t2].s[2];
  const TTinXY P1 = Pt(edges_[e].a), P2 = Pt(edges_[e].b);
  const uint32_t v3 = SlotEnd(s1), v4 = SlotEnd(r1);
  const TTinXY P3 = Pt(v3), P4 = Pt(v4);

  // Circumcentre of P1 P2 P3; flip only when P4 is strictly inside, so co-circular points keep
  // the diagonal made first.
  const double D = (P1.x - P2.x) * (P1.y - P3.y) - (P1.y - P2.y) * (P1.x - P3.x);
  if (std::fabs(D) <= 1e-6) return;
  const double N = ((P1.x - P2.x) * (P1.x + P2.x) + (P1.y - P2.y) * (P1.y + P2.y)) / 2;
  const double M = ((P1.x - P3.x) * (P1.x + P3.x) + (P1.y - P3.y) * (P1.y + P3.y)) / 2;
  const double cx = (N * (P1.y - P3.y) - M * (P1.y - P2.y)) / D;
  const double cy = (M * (P1.x - P2.x) - N * (P1.x - P3.x)) / D;
  if (!(std::hypot(P1.x - cx, P1.y - cy) > std::hypot(P4.x - cx, P4.y - cy))) return;
  // Rounding in the circle test must never turn a triangle inside out: the new diagonal has to
  // cross the old one strictly.
  if (Orient(v4, v3, edges_[e].a) <= 0 || Orient(v3, v4, edges_[e].b) <= 0) return;

  edges_[e].a = v4;
  edges_[e].b = v3;
  SetSlot(t1, 0, {e, 0});
  SetSlot(t1, 1, s2);
  SetSlot(t1, 2, r1);
  SetSlot(t2, 0, {e, 1});
  SetSlot(t2, 1, r2);
  SetSlot(t2, 2, s1);
  for (const Slot s : {s1, s2, r1, r2}) Flip(s.edge, depth + 1);
}

bool TTinBuilder::TooThin() const {
  // True when every point lies within 1 pixel of one line: the hull's width is at most 2. The
  // width is at least area / diameter and the diameter at most half the perimeter, which settles
  // the usual case without the quadratic check.
  const size_t h = hull_.size();
  std::vector<TTinXY> v(h);
  for (size_t k = 0; k < h; ++k) v[k] = Pt(edges_[hull_[k]].a);
  double area2 = 0, perimeter = 0;
  for (size_t k = 0; k < h; ++k) {
    const TTinXY a = v[k], b = v[(k + 1) % h];
    area2 += (a.x - v[0].x) * (b.y - v[0].y) - (b.x - v[0].x) * (a.y - v[0].y);
    perimeter += std::hypot(b.x - a.x, b.y - a.y);
  }
  if (perimeter > 0 && std::fabs(area2) / 2 / (perimeter / 2) > 2.0) return false;
  double width = INFINITY;
  for (size_t k = 0; k < h; ++k) {
    const TTinXY a = v[k], b = v[(k + 1) % h];
    if (a == b) continue;
    double farthest = 0;
    for (size_t j = 0; j < h; ++j)
      farthest = std::max(farthest, std::fabs(SignedDistance(a, b, v[j])));
    width = std::min(width, farthest);
  }
  return width <= 2.0;
}
