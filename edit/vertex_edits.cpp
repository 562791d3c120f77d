#include "edit/vertex_edits.h"

#include <algorithm>

#include "maps/mdm_format.h"

namespace vertex_edits {

namespace {

bool Same(TMapPoint a, TMapPoint b) { return a.x == b.x && a.y == b.y; }

bool Closes(const Vertices& v, uint8_t kind) { return kind == mdm::kKindArea && IsClosedRing(v); }

// The closing vertex of a closed ring stands for the first corner.
int32_t CornerIndex(const Vertices& v, bool closed, int32_t i) {
  return closed && i == int32_t(v.size()) - 1 ? 0 : i;
}

void RingRule(Vertices& v, bool closed) {
  if (closed && v.size() > 1) v.back() = v.front();
}

}  // namespace

bool IsClosedRing(const Vertices& v) { return v.size() > 1 && Same(v.front(), v.back()); }

bool DeleteVertex(Vertices& v, uint8_t kind, int32_t i) {
  const int32_t n = int32_t(v.size());
  if (i < 0 || i >= n) return false;
  const bool closed = Closes(v, kind);
  if (kind == mdm::kKindArea) {
    const int32_t corners = closed ? n - 1 : n;
    if (corners - 1 < 3) return false;
  } else if (n - 1 < 2) {
    return false;
  }
  i = CornerIndex(v, closed, i);
  v.erase(v.begin() + i);
  RingRule(v, closed);
  return true;
}

bool MoveVertex(Vertices& v, uint8_t kind, int32_t i, TMapPoint p) {
  if (i < 0 || i >= int32_t(v.size())) return false;
  const bool closed = Closes(v, kind);
  v[size_t(CornerIndex(v, closed, i))] = p;
  RingRule(v, closed);
  return true;
}

bool InsertVertex(Vertices& v, uint8_t kind, int32_t segment, TMapPoint p) {
  // A segment runs from its vertex to the next one, so the last vertex starts none.
  if (segment < 0 || segment + 1 >= int32_t(v.size())) return false;
  if (int32_t(v.size()) + 1 > kMaxVertices) return false;
  const bool closed = Closes(v, kind);
  v.insert(v.begin() + segment + 1, p);
  RingRule(v, closed);
  return true;
}

bool ReplaceStretch(Vertices& v, uint8_t kind, int32_t s, int32_t e, const Vertices& sketch) {
  const int64_t n = int64_t(v.size()), m = int64_t(sketch.size());
  if (s < 0 || e < 0 || s >= n || e >= n || m == 0) return false;
  const int32_t lo = std::min(s, e), hi = std::max(s, e);
  if (n + m - (hi - lo) > kMaxVertices) return false;
  const bool closed = Closes(v, kind);
  Vertices out;
  out.reserve(size_t(n + m - (hi - lo)));
  out.insert(out.end(), v.begin(), v.begin() + lo);
  if (s <= e)
    out.insert(out.end(), sketch.begin(), sketch.end());
  else
    out.insert(out.end(), sketch.rbegin(), sketch.rend());
  out.insert(out.end(), v.begin() + hi, v.end());
  RingRule(out, closed);
  v.swap(out);
  return true;
}

bool ExtendLine(Vertices& v, uint8_t kind, bool atFirst, const Vertices& sketch) {
  if (v.empty() || sketch.size() < 2) return false;
  const int64_t k = int64_t(sketch.size()) - 1;
  if (int64_t(v.size()) + k > kMaxVertices) return false;
  const bool closed = Closes(v, kind);
  if (atFirst)
    v.insert(v.begin(), sketch.rbegin(), sketch.rend() - 1);
  else
    v.insert(v.end(), sketch.begin() + 1, sketch.end());
  RingRule(v, closed);
  return true;
}

bool DeletePointCorner(TMapPoint corners[2], int picked) {
  if (picked != 0 && picked != 1) return false;
  if (Same(corners[0], corners[1])) return false;
  corners[picked] = corners[1 - picked];
  return true;
}

}  // namespace vertex_edits
