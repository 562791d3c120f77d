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

// What the methods that give a vertex list answer: 1 when written; 0 when nothing was (nothing
// to build, or the map refused it); kTooFewVertices when an apply would have written a line of
// fewer than 2 vertices or an area of fewer than 3 distinct corners; kSharpBend (see
// construction_geometry.h) when an offset along a bent line meets a bend too sharp to follow.
// On apply the pending object is deleted in every case but 1; a preview with nothing to show
// clears the pending object's geometry, so an undone last vertex leaves nothing drawn.
constexpr int kTooFewVertices = -2;
int BuildFromTaps(TNewObjectBuilder& builder, std::vector<TMapPoint>& taps, int apply,
                  int closing);
int BuildLineS(TNewObjectBuilder& builder, const TObjectRef* picks, int count, int apply);
int BuildLineP(TNewObjectBuilder& builder, const TObjectRef* picks, int count, double length,
               int apply);
int BuildRect(TNewObjectBuilder& builder, const TObjectRef* picks, int count, double length,
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
