#include "edit/construction_methods.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "base/program_host.h"
#include "edit/construction_geometry.h"
#include "edit/new_object_builder.h"
#include "edit/work_log.h"
#include "maps/mdm_map.h"
#include "platform/win.h"
#include "view/clip.h"

namespace construct {

namespace {

constexpr UINT kOutOfBoundMessage = WM_USER + 666;
constexpr WPARAM kNoticeObject = 16;
constexpr uint16_t kTagName = 9, kTagClass = 10;

// The pending object the method writes into, with its map and unit.
struct Target {
  TMdmMap* map = nullptr;
  uint16_t index = 0;
  double unit = 0;  // metres per map unit
};

bool Begin(TNewObjectBuilder& builder, Target* t) {
  if (!builder.HasObject()) return false;
  builder.Revive();
  if (!builder.HasObject()) return false;
  t->map = builder.map;
  t->index = builder.PendingIndex();
  t->unit = builder.map->UnitMetres();
  return t->unit > 0;
}

// "%f" of the C locale, whatever the program's locale: six decimals.
std::string Fixed(double value) {
  char text[400];
  const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
  return r.ec == std::errc() ? std::string(text, r.ptr) : std::string("0.000000");
}

std::string Attr(TMdmMap* map, uint16_t object, uint16_t tag, bool* present) {
  char value[256] = {};
  const bool got = map->GetStrAttr(object, tag, value, sizeof value) != 0;
  if (present) *present = got;
  return got ? std::string(value) : std::string();
}

// A picked object as records name it: attribute 10, "_", attribute 9 (missing parts empty).
std::string Part(TMdmMap* map, uint16_t object) {
  return Attr(map, object, kTagClass, nullptr) + "_" + Attr(map, object, kTagName, nullptr);
}

// The same, only when the object has both attributes.
bool FullPart(TMdmMap* map, uint16_t object, std::string* out) {
  bool a = false, b = false;
  const std::string cls = Attr(map, object, kTagClass, &a);
  const std::string name = Attr(map, object, kTagName, &b);
  if (!a || !b) return false;
  *out = cls + "_" + name;
  return true;
}

std::string NewTag(TNewObjectBuilder& builder, const Target& t) {
  std::string tag;
  work_log::MakeObjectTag(t.map, t.index, &tag);
  (void)builder;
  return tag;
}

void Unplace(const Target& t) { t.map->SetPointPosition(t.index, 0, 0, 1); }

// A preview with nothing to show leaves no geometry behind: a point back at the origin (never
// placed), a line or area without vertices. Else the last preview would stay on the map.
void ClearGeometry(const Target& t) {
  if ((t.map->GetObjectCode(t.index) & 7) == mdm::kKindPoint) Unplace(t);
  else t.map->ClearObjectVertices(t.index);
}

// Too few vertices for the builder's kind to be an object worth keeping: a line of one vertex
// or an area of fewer than 3 distinct corners is saved invisible and can hardly be selected.
bool TooFewVertices(uint8_t kind, const std::vector<TMapPoint>& v) {
  if (kind == mdm::kKindLine) return v.size() < 2;
  if (kind != mdm::kKindArea) return false;
  std::vector<TMapPoint> corners(v);
  std::sort(corners.begin(), corners.end(), [](TMapPoint a, TMapPoint b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  return std::unique(corners.begin(), corners.end(), Same) - corners.begin() < 3;
}

TMarker MarkerOf(const Target& t, TMapPoint p) {
  double plane[2];
  t.map->MapToViewPlane(p.x, p.y, &plane[0], &plane[1]);  // marks lie in the view's plane
  TMarker m;
  m.x = plane[0];
  m.y = plane[1];
  return m;
}

// All or nothing: a list with a vertex outside the extent is refused whole, with the notice.
int WriteVertices(const Target& t, const std::vector<TMapPoint>& v) {
  if (v.empty() || v.size() > size_t(TMdmMap::kMaxVertices)) return 0;
  for (const TMapPoint& p : v) {
    if (!t.map->IsInside(p.x, p.y)) {
      if (HWND main = ProgramHost().MainWindow()) SendMessageW(main, kOutOfBoundMessage, kNoticeObject, 0);
      return 0;
    }
  }
  TPointBuf buffer;
  if (!buffer.Alloc(int32_t(v.size()))) return 0;
  for (size_t i = 0; i < v.size(); ++i) buffer.points[i] = v[i];
  buffer.count = int32_t(v.size());
  return t.map->SetObjectVertices(t.index, &buffer);
}

// The end of every method: a refused apply deletes the stale preview, a written one is logged.
// Returns `written`, the method's result.
int Finish(TNewObjectBuilder& builder, int written, int apply, const std::string& record) {
  if (!apply) return written;
  if (written != 1) {
    builder.DiscardPending();
    return written;
  }
  if (!record.empty()) AppendToolsRecord(builder, record);
  return written;
}

bool ReadBase(const TNewObjectBuilder& builder, const TObjectRef& ref, TMapPoint* out) {
  return BasePoint(builder, ref.object, out);
}

}  // namespace

bool BasePoint(const TNewObjectBuilder& builder, uint16_t object, TMapPoint* out) {
  TMdmMap* map = builder.map;
  if (!map || object >= map->count || map->GetObjectCode(object) == 0) return false;
  TMapPoint corner{};
  if (!map->GetObjectBounds(object, &corner, nullptr)) return false;
  *out = corner;
  return true;
}

bool LengthToUnits(const TNewObjectBuilder& builder, double metres, int32_t* units) {
  const double u = builder.map ? builder.map->UnitMetres() : 0.0;
  if (!(u > 0)) return false;
  return ToUnit(metres / u, units);
}

// ---- points ----

TMarker BuildPoint2DA(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                      TMapPoint tap, double length, int tapPresent, int apply) {
  Target t;
  if (!Begin(builder, &t)) return TMarker{};
  TMapPoint A, B, candidates[4];
  int32_t l = 0;
  if (!tapPresent || !ReadBase(builder, a, &A) || !ReadBase(builder, b, &B) ||
      !LengthToUnits(builder, length, &l) || !SquareCandidates(A, B, double(l), candidates)) {
    Unplace(t);
    Finish(builder, 0, apply, "");
    return TMarker{};
  }
  const int chosen = ChooseNearest4(candidates, tap);
  const TMapPoint p = candidates[chosen];
  const int written = t.map->SetPointPosition(t.index, p.x, p.y, 0);
  const TMarker marker = MarkerOf(t, p);
  std::string record;
  if (apply && written)
    record = "POINT_2DA\t" + NewTag(builder, t) + "\t" + Part(t.map, a.object) + "\t" +
             Part(t.map, b.object) + "\t" + Fixed(length) + "\t" +
             std::to_string(CandidateAngle(chosen));
  Finish(builder, written, apply, record);
  return marker;
}

TMarker BuildPoint2D(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                     TMapPoint tap, double d1, double d2, int tapPresent, int apply) {
  Target t;
  if (!Begin(builder, &t)) return TMarker{};
  TMapPoint A, B, p1, p2;
  if (!tapPresent || !ReadBase(builder, a, &A) || !ReadBase(builder, b, &B) ||
      !IntersectCircles(A, B, d1 / t.unit, d2 / t.unit, &p1, &p2)) {
    Unplace(t);
    Finish(builder, 0, apply, "");
    return TMarker{};
  }
  const double n1 = std::hypot(double(p1.x) - tap.x, double(p1.y) - tap.y);
  const double n2 = std::hypot(double(p2.x) - tap.x, double(p2.y) - tap.y);
  const TMapPoint p = n1 < n2 ? p1 : p2;
  const int written = t.map->SetPointPosition(t.index, p.x, p.y, 0);
  const TMarker marker = MarkerOf(t, p);
  std::string record;
  if (apply && written) {
    // The centres in the order that makes (F - P) x (S - P) <= 0, so either pick order logs
    // the same line.
    const bool bFirst = OrientationSign(A, B, p) > 0;
    const std::string first = bFirst ? Part(t.map, b.object) : Part(t.map, a.object);
    const std::string second = bFirst ? Part(t.map, a.object) : Part(t.map, b.object);
    record = "POINT_2D\t" + NewTag(builder, t) + "\t" + first + "\t" + Fixed(bFirst ? d2 : d1) +
             "\t" + second + "\t" + Fixed(bFirst ? d1 : d2);
  }
  Finish(builder, written, apply, record);
  return marker;
}

void BuildPointRA(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                  const TObjectRef& k, int exactlyThree, int apply) {
  Target t;
  if (!Begin(builder, &t)) return;
  TMapPoint A, B, K, foot;
  // A = B has no perpendicular: no point rather than a record of an undefined one.
  if (!exactlyThree || !ReadBase(builder, a, &A) || !ReadBase(builder, b, &B) ||
      !ReadBase(builder, k, &K) || !PerpendicularFoot(K, A, B, &foot)) {
    Unplace(t);
    Finish(builder, 0, apply, "");
    return;
  }
  const int written = t.map->SetPointPosition(t.index, foot.x, foot.y, 0);
  std::string record;
  if (apply && written)
    record = "POINT_RA\t" + NewTag(builder, t) + "\t" + Part(t.map, a.object) + "\t" +
             Part(t.map, b.object) + "\t" + Part(t.map, k.object);
  Finish(builder, written, apply, record);
}

void BuildPointMed(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                   int exactlyTwo, int apply) {
  Target t;
  if (!Begin(builder, &t)) return;
  TMapPoint A, B;
  if (!exactlyTwo || !ReadBase(builder, a, &A) || !ReadBase(builder, b, &B)) {
    Unplace(t);
    Finish(builder, 0, apply, "");
    return;
  }
  const TMapPoint m = Midpoint(A, B);
  const int written = t.map->SetPointPosition(t.index, m.x, m.y, 0);
  std::string record;
  if (apply && written)
    record = "POINT_MED\t" + NewTag(builder, t) + "\t" + Part(t.map, a.object) + "\t" +
             Part(t.map, b.object);
  Finish(builder, written, apply, record);
}

// ---- lines and rectangles ----

int BuildFromTaps(TNewObjectBuilder& builder, std::vector<TMapPoint>& taps, int apply,
                  int closing) {
  Target t;
  if (!Begin(builder, &t)) return 0;
  const uint8_t kind = builder.GetKind();
  int written = 0;
  if (kind == mdm::kKindPoint) {
    if (!taps.empty()) {
      const TMapPoint first = taps[0], second = taps.size() > 1 ? taps[1] : taps[0];
      // The map's point move answers 1 also when it refuses: the extent is tested here.
      if (t.map->CheckInside(first.x, first.y) && t.map->CheckInside(second.x, second.y))
        written = t.map->MovePointObject(t.index, first.x, first.y, second.x, second.y);
    } else if (!apply) {
      ClearGeometry(t);  // the tap undone
    }
  } else {
    if (kind == mdm::kKindArea || kind == mdm::kKindText)
      t.map->SetObjectCode(t.index, apply ? builder.GetCode() : uint16_t(mdm::kKindLine));
    std::vector<TMapPoint> v(taps);
    if (kind == mdm::kKindArea && closing && apply && v.size() >= 3) {
      // The closing edge square to the last edge.
      TMapPoint foot;
      if (PerpendicularFoot(v[0], v[v.size() - 2], v[v.size() - 1], &foot)) v.back() = foot;
    }
    if (v.size() == 1 && !apply) v.push_back(v[0]);
    if (apply && !v.empty() && TooFewVertices(kind, v))
      return Finish(builder, kTooFewVertices, apply, "");
    if (v.empty() && !apply) ClearGeometry(t);  // every vertex undone
    written = WriteVertices(t, v);
  }
  if (apply && written && kind != mdm::kKindText) {
    std::string tag;
    work_log::MakeObjectTag(t.map, t.index, &tag);
  }
  return Finish(builder, written, apply, "");
}

int BuildLineS(TNewObjectBuilder& builder, const TObjectRef* picks, int count, int apply) {
  Target t;
  if (!picks || !Begin(builder, &t)) return 0;
  std::vector<TMapPoint> v;
  std::string parts;
  for (int i = 0; i < count; ++i) {
    TMapPoint p;
    if (!ReadBase(builder, picks[i], &p)) continue;  // deleted or past the count
    v.push_back(p);
    std::string part;
    if (apply && FullPart(t.map, picks[i].object, &part)) parts += "\t" + part;
  }
  if (apply && !v.empty() && TooFewVertices(builder.GetKind(), v))
    return Finish(builder, kTooFewVertices, apply, "");
  if (v.empty() && !apply) ClearGeometry(t);  // every pick undone
  const int written = WriteVertices(t, v);
  return Finish(builder, written, apply,
                apply && written ? "LINE_S\t" + NewTag(builder, t) + parts : std::string());
}

int BuildLineP(TNewObjectBuilder& builder, const TObjectRef* picks, int count, double length,
               int apply) {
  Target t;
  if (!picks || count <= 0 || !Begin(builder, &t)) return 0;
  const uint16_t base = picks[0].object;
  if (base >= t.map->count || t.map->GetObjectCode(base) == 0) return 0;
  TPointBuf line;
  if (!t.map->GetObjectVertices(base, &line) || line.count < 2) return 0;
  const int32_t n = line.count;
  std::vector<int32_t> offsets(size_t(n), 0);
  int wanted = SideOfLength(length);
  bool ok = true;
  if (count == 1) {
    int32_t l = 0;
    ok = LengthToUnits(builder, length, &l);
    for (int32_t& o : offsets) o = l;
  } else {
    std::vector<uint8_t> known(size_t(n), 0);
    bool first = true;
    for (int i = 1; i < count && ok; ++i) {
      TMapPoint p, foot;
      int32_t segment = 0;
      if (!ReadBase(builder, picks[i], &p)) continue;
      const double d = NearestSegment(p, line.points, n, &segment, &foot);
      ok = ToUnit(d, &offsets[size_t(segment)]);
      known[size_t(segment)] = 1;
      if (first) {
        const int side = SideOf(p, line.points[segment], line.points[segment + 1]);
        if (side != 0) wanted = side;
        first = false;
      }
    }
    ok = ok && FillOffsets(offsets, known);
  }
  std::vector<TMapPoint> out;
  const int shape = ok ? ParallelLine(line.points, n, offsets.data(), wanted, &out) : 0;
  if (shape == kSharpBend) {
    // No far-off corner on the map, and no older preview that looks like a result.
    if (!apply) ClearGeometry(t);
    return Finish(builder, kSharpBend, apply, "");
  }
  const int written = shape == 1 ? WriteVertices(t, out) : 0;
  std::string record;
  if (apply && written) {
    std::string part;
    record = "LINE_P\t" + NewTag(builder, t);
    if (FullPart(t.map, base, &part)) record += "\t" + part;
    if (count == 1) {
      record += "\t" + Fixed(length);
    } else {
      for (int i = 1; i < count; ++i)
        if (FullPart(t.map, picks[i].object, &part)) record += "\t" + part;
    }
  }
  return Finish(builder, written, apply, record);
}

namespace {

bool IsLine(const TMdmMap* map, uint16_t object) {
  return (map->GetObjectCode(object) & 7) == mdm::kKindLine;
}

// The two picks that carry the base side: 1 and 2 after a line, else 0 and 1.
bool BaseSide(const TNewObjectBuilder& builder, const TObjectRef* picks, int count, bool* line,
              TMapPoint* p1, TMapPoint* p2) {
  if (!picks || count < 2) return false;
  *line = IsLine(builder.map, picks[0].object);
  const int first = *line ? 1 : 0;
  if (count < first + 2) return false;
  return ReadBase(builder, picks[first], p1) && ReadBase(builder, picks[first + 1], p2);
}

}  // namespace

int BuildRect(TNewObjectBuilder& builder, const TObjectRef* picks, int count, double length,
              int apply) {
  Target t;
  if (!picks || count <= 0 || !Begin(builder, &t)) return 0;
  bool line = false;
  TMapPoint p1, p2;
  int32_t w = 0;
  if (!BaseSide(builder, picks, count, &line, &p1, &p2) ||
      !LengthToUnits(builder, std::fabs(length), &w))
    return Finish(builder, 0, apply, "");
  int wanted = SideOfLength(length);
  const int widthPick = line ? 3 : 2;
  const bool byPoint = count > widthPick;
  if (byPoint) {
    TMapPoint W;
    if (!ReadBase(builder, picks[widthPick], &W) || !ToUnit(LineDistance(W, p1, p2), &w))
      return Finish(builder, 0, apply, "");
    const int side = SideOf(W, p1, p2);
    if (side != 0) wanted = side;
  }
  std::vector<TMapPoint> nearSide{p1, p2}, ring;
  if (line) {
    TPointBuf base;
    if (!t.map->GetObjectVertices(picks[0].object, &base)) return Finish(builder, 0, apply, "");
    const int shape = NearSideAlongLine(base.points, base.count, p1, p2, &wanted, &nearSide);
    if (shape == kSharpBend) {
      if (!apply) ClearGeometry(t);
      return Finish(builder, kSharpBend, apply, "");
    }
    if (shape != 1) return Finish(builder, 0, apply, "");
  }
  if (!RectangleRing(nearSide, w, wanted, &ring)) return Finish(builder, 0, apply, "");
  // A width of 0 gives the ring P1, P2, P2, P1: no area.
  if (apply && TooFewVertices(mdm::kKindArea, ring))
    return Finish(builder, kTooFewVertices, apply, "");
  const int written = WriteVertices(t, ring);
  std::string record;
  if (apply && written) {
    const char* name = line ? (byPoint ? "RECT_CP3" : "RECT_CPH") : (byPoint ? "RECT_3" : "RECT_H");
    record = std::string(name) + "\t" + NewTag(builder, t);
    // The base line (when there is one) and the two points, then the width point.
    const int last = byPoint ? widthPick : widthPick - 1;
    for (int i = 0; i <= last; ++i) record += "\t" + Part(t.map, picks[i].object);
    if (!byPoint) record += "\t" + Fixed(length * wanted);
  }
  return Finish(builder, written, apply, record);
}

void BuildPerpendicular(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                        const TObjectRef& k) {
  Target t;
  if (!Begin(builder, &t)) return;
  TMapPoint A, B, K;
  if (!ReadBase(builder, a, &A) || !ReadBase(builder, b, &B) || !ReadBase(builder, k, &K)) return;
  int32_t fx, fy;
  PointSegmentDistance(K.x, K.y, A.x, A.y, B.x, B.y, &fx, &fy, 0);
  WriteVertices(t, {TMapPoint{fx, fy}, K});
}

bool RectOptionValue(TNewObjectBuilder& builder, const TObjectRef* picks, int count, TMapPoint tap,
                     int32_t* value) {
  bool line = false;
  TMapPoint p1, p2;
  const double u = builder.map ? builder.map->UnitMetres() : 0.0;
  if (!(u > 0) || !BaseSide(builder, picks, count, &line, &p1, &p2) || Same(p1, p2)) return false;
  int32_t metres = 0;
  if (!ToUnit(LineDistance(tap, p1, p2) * u, &metres)) return false;
  *value = metres * SideOf(tap, p1, p2);
  return true;
}

}  // namespace construct
