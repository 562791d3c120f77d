// Picking: which objects of one vector map lie under a point, the nearest vertex or segment of
// one object, and the extent of a map's objects. Everything is measured in the map's own units
// (int32 offsets from its frame origin); pixel tolerances become map units through the map's
// pixel scale or the view's pixels per metre.
//
// Results come in object index order, never sorted by distance: a caller that wants the nearest
// compares the distances itself.
#pragma once

#include <cstdint>

#include "maps/mdm_map.h"

// Index FindNearestObjectOfKind answers when no object qualifies.
constexpr int32_t kNoObject = 65535;

// Distance from (x, y) to the polyline v[0 .. n), segment by segment; the first strictly nearer
// segment wins. Writes its index and foot point; -1.0 (nothing written) with fewer than 2
// vertices.
double NearestPointOnPolyline(int32_t x, int32_t y, int32_t n, const TMapPoint* v,
                              int32_t* segment, TMapPoint* foot);

// Euclidean distance, in double (the squares of int32 differences overflow 32 bits).
double PointDistance(TMapPoint a, TMapPoint b);

// 1 when (px, py) lies inside the ring v[0 .. n) or on its boundary, else 0. A ring whose last
// vertex differs from its first is closed by an edge back to the first. Crossings are formed in
// 128 bits, so any int32 coordinates give the exact answer.
int PointInPolygon(int32_t px, int32_t py, int32_t n, const TMapPoint* v);

// Objects of `map` within `toleranceMetres` of a point, in index order, at most `capacity`.
// With `screenPoint` the point is a screen pixel (truncated) and *x, *y receive its plane
// position in the map's own zone; otherwise *x, *y are the view's plane coordinates, moved into
// the map's own zone. Only objects marked in view and past the
// level of detail count; `kindFilter` 0 takes every kind, else only that kind. Returns how many
// indices were written; a point outside the map's frame, a non-finite or negative tolerance, a
// map without a unit find nothing.
int FindMapObjectsAt(TMdmMap& map, double* x, double* y, int screenPoint, uint16_t* out,
                     int capacity, double toleranceMetres, int kindFilter);

// The object of `kind` nearest to a plane point by distance to its line (objects with fewer than
// two vertices have none), among those within `limit` map units of it; the first of equals wins.
// kNoObject when none, or for a point or limit that is not a number.
int32_t FindNearestObjectOfKind(const TMdmMap& map, int kind, double planeX, double planeY,
                                double limit);

// Point object: 0 or 1 for the nearer box corner (1 on a tie); line, area or text: the nearest
// vertex; -1 when nothing lies within `tolerancePx` screen pixels or the index is out of range.
int HitPointObject(const TMdmMap& map, int32_t screenX, int32_t screenY, int32_t object,
                   double tolerancePx);

// Index of the nearest segment of the object's polyline within `tolerancePx` pixels, the foot
// written; -1 otherwise.
int FindNearestVertex(const TMdmMap& map, int32_t screenX, int32_t screenY, int32_t object,
                      double tolerancePx, TMapPoint* foot);

// Extent of the map's drawable objects in plane coordinates: out = {min X, min Y, 0, max X,
// max Y, 0}. Lines, areas and texts add both box corners, a point its first (its second corner
// is its direction). Objects of code or kind 0 or with a box value <= 0 are left out; with none
// left the record is all zeros.
void GetMapExtent(const TMdmMap& map, double out[6]);
