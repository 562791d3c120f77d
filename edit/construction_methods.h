// The construction methods of the tools panel: each computes the geometry of the builder's
// pending object from the picked base objects (their base point is the first corner of their
// box), lengths typed in metres and a tap, writes it into the working map in the preview and in
// the apply alike, and on apply appends one record line to section "TOOLS" of the work log.
//
// Every method returns at once, changing nothing, without a map or a pending object (id 0 or
// -1), or when the map has no unit. What the map refuses (a position or a vertex outside its
// extent, a length or point beyond the int32 range) writes nothing and logs nothing; a refused
// apply deletes the pending object, which held a stale preview. Lengths L are metres; u is the
// map's unit in metres, L / u map units.
#pragma once

#include <cstdint>
#include <vector>

#include "maps/map_object.h"
#include "view/highlight.h"
#include "view/point_lists.h"

class TNewObjectBuilder;

namespace construct {

// 1 when written; 0 when the map refused it (the pending object then is deleted on apply).
int BuildFromTaps(TNewObjectBuilder& builder, std::vector<TMapPoint>& taps, int apply,
                  int closing);
void BuildLineS(TNewObjectBuilder& builder, const TObjectRef* picks, int count, int apply);
void BuildLineP(TNewObjectBuilder& builder, const TObjectRef* picks, int count, double length,
                int apply);
void BuildRect(TNewObjectBuilder& builder, const TObjectRef* picks, int count, double length,
               int apply);
void BuildPerpendicular(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                        const TObjectRef& k);
// The returned marker holds the new point's plane position, all zeros when none was placed.
TMarker BuildPoint2DA(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                      TMapPoint tap, double length, int tapPresent, int apply);
TMarker BuildPoint2D(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                     TMapPoint tap, double d1, double d2, int tapPresent, int apply);
void BuildPointRA(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                  const TObjectRef& k, int exactlyThree, int apply);
void BuildPointMed(TNewObjectBuilder& builder, const TObjectRef& a, const TObjectRef& b,
                   int exactlyTwo, int apply);

// The rectangle option's value: the tap's distance from the infinite base line in whole metres
// (truncated) with the sign of its side; false when the picks give no base side.
bool RectOptionValue(TNewObjectBuilder& builder, const TObjectRef* picks, int count,
                     TMapPoint tap, int32_t* value);
// A length in metres as whole map units (L / u, see construction_geometry.h); false for no unit
// or a length without a result.
bool LengthToUnits(const TNewObjectBuilder& builder, double metres, int32_t* units);
// The base point of a live object of the builder's map; false for a deleted one or an index past
// the count.
bool BasePoint(const TNewObjectBuilder& builder, uint16_t object, TMapPoint* out);

}  // namespace construct
