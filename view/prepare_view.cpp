// View preparation of a vector map: which objects pass the level of detail at this scale,
// which meet the screen, and then one pass over the map file that reads the newly visible
// objects and frees those that left.
//
// The marking loops touch kind, code, box, level, flags and state only; these lie together at
// the head of the object record, so a pass costs about one cache line per object.
#include <cmath>
#include <cstdlib>

#include "maps/mdm_format.h"
#include "view/prepare_view.h"
#include "view/view_math.h"

int32_t LevelThreshold(double heightUnits, float largest, float smallest) {
  // Without a scale, or with every object the same size, there is nothing to rank by.
  if (!std::isfinite(heightUnits) || largest == smallest || !std::isfinite(largest - smallest))
    return -1;
  // Objects below about a twentieth of the visible height drop out. The threshold keeps the
  // single-precision arithmetic the levels were ranked with.
  int32_t h20 = view::TruncSat(heightUnits) / 20;
  float t = 255.0f * float(h20) / (largest - smallest);
  int64_t ti = view::TruncSat(double(t));
  return int32_t(ti < 0 ? -ti : ti > INT32_MAX ? INT32_MAX : ti);
}

void ApplyLevelOfDetail(TMdmMap& map, int32_t top, int32_t bottom) {
  int32_t threshold = -1;
  if (map.pixelScale != 0.0)
    threshold = LevelThreshold(double(int64_t(bottom) - top) / map.pixelScale,
                               map.largestExtent, map.smallestExtent);
  const uint8_t pass = TMapObject::kPassesLevel;
  for (int32_t i = 0; i < map.count; i++) {
    TMapObject& o = map.objects[i];
    bool passes;
    switch (o.kind) {
      case mdm::kKindPoint: passes = o.code != 9; break;  // code 9 is never drawn
      case mdm::kKindLine:
      case mdm::kKindArea:
      case mdm::kKindText:
        passes = (o.entryFlags & TMapObject::kEntryCreated) || int32_t(o.level) >= threshold;
        break;
      default: continue;
    }
    o.flags = passes ? uint8_t(o.flags | pass) : uint8_t(o.flags & ~pass);
  }
}

namespace {

// The map-unit box of the screen rectangle, over all four corners: the map may be shown
// rotated (another zone), so its box is the hull of the turned rectangle.
struct UnitBox {
  int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
};

UnitBox ScreenBox(const TMdmMap& map, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int32_t sx[4] = {left, right, left, right};
  const int32_t sy[4] = {bottom, top, top, bottom};
  UnitBox b;
  for (int i = 0; i < 4; i++) {
    int32_t x, y;
    map.ScreenToMap(sx[i], sy[i], &x, &y);
    if (i == 0 || x < b.minX) b.minX = x;
    if (i == 0 || x > b.maxX) b.maxX = x;
    if (i == 0 || y < b.minY) b.minY = y;
    if (i == 0 || y > b.maxY) b.maxY = y;
  }
  return b;
}

// Sets or clears the in-view flag of one object that passes the level of detail; other kinds
// and objects below the level keep it as it was.
inline void MarkOne(TMapObject& o, const UnitBox& b) {
  if (!(o.flags & TMapObject::kPassesLevel)) return;
  bool visible;
  if (o.damaged) {
    visible = false;  // a damaged entry's box means nothing
  } else if (o.kind == mdm::kKindPoint) {
    visible = b.minX <= o.box[0] && o.box[0] <= b.maxX && b.minY <= o.box[1] && o.box[1] <= b.maxY;
  } else if (o.kind >= mdm::kKindLine && o.kind <= mdm::kKindText) {
    // Centre and half size in int64: the sum of two large corners does not fit 32 bits.
    int64_t s = int64_t(o.box[0]) + o.box[2], t = int64_t(o.box[1]) + o.box[3];
    int64_t cx = (s < 0 ? -s : s) / 2, cy = (t < 0 ? -t : t) / 2;
    int64_t hx = std::llabs(o.box[0] - cx), hy = std::llabs(o.box[1] - cy);
    visible = b.minX - hx <= cx && cx <= b.maxX + hx && b.minY - hy <= cy && cy <= b.maxY + hy;
  } else {
    return;
  }
  o.flags = visible ? uint8_t(o.flags | TMapObject::kInView) : uint8_t(o.flags & ~TMapObject::kInView);
}

}  // namespace

void MarkInViewRect(TMdmMap& map, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const UnitBox b = ScreenBox(map, left, top, right, bottom);
  for (int32_t i = 0; i < map.count; i++) MarkOne(map.objects[i], b);
  map.levelPassDone = 1;
}

int TMdmMap::PrepareView(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!loaded) return 0;
  if (!levelPassDone) ApplyLevelOfDetail(*this, top, bottom);
  if (working) {
    MarkInViewRect(*this, left, top, right, bottom);
    return 0;
  }
  if (loadAll) {
    MarkInViewRect(*this, left, top, right, bottom);
    MarkVisibleItems();
  } else {
    // In-view marking and marking for reading in one pass over the table, the same rules as
    // MarkInViewRect then MarkVisibleItems: an object is touched once per frame, not twice.
    const UnitBox b = ScreenBox(*this, left, top, right, bottom);
    const uint8_t both = TMapObject::kInView | TMapObject::kPassesLevel;
    for (int32_t i = 0; i < count; i++) {
      TMapObject& o = objects[i];
      MarkOne(o, b);
      if (o.damaged) continue;
      if ((o.flags & both) == both) {
        if (o.state != TMapObject::kStateRead) o.state = TMapObject::kStateToRead;
      } else if (o.state != TMapObject::kStateNone) {
        o.state = TMapObject::kStateToFree;
      }
    }
    levelPassDone = 1;
  }
  LoadVisibleGeometry();
  return 0;
}
