// The vertex-list edits of the vertex-editing bar, as pure functions over a list of map points,
// apart from the taps that choose them. Each one either gives the whole new list and true, or
// leaves the list as it was and answers false; the bar writes a list only when it got true.
//
// Areas: a ring is closed when its last vertex equals its first (and it has more than one). The
// ring rule (last = first after the edit) is applied only to a ring that was closed before: a
// ring stored open in a foreign file keeps its real last vertex, and the map closes it when the
// list is written. On a closed ring the closing vertex is the first corner again, so an edit
// aimed at it is made at index 0.
#pragma once

#include <cstdint>
#include <vector>

#include "maps/map_object.h"

namespace vertex_edits {

using Vertices = std::vector<TMapPoint>;

// A list never holds more vertices than a map object can (its count was 16 bits).
constexpr int32_t kMaxVertices = 65535;

bool IsClosedRing(const Vertices& v);

// Removes vertex i. Refused when i is outside the list, or when a line would keep fewer than 2
// vertices or an area fewer than 3 corners (the closing vertex of a closed ring not counted).
bool DeleteVertex(Vertices& v, uint8_t kind, int32_t i);
// Vertex i becomes p.
bool MoveVertex(Vertices& v, uint8_t kind, int32_t i, TMapPoint p);
// p becomes vertex segment + 1, between the segment's two ends.
bool InsertVertex(Vertices& v, uint8_t kind, int32_t segment, TMapPoint p);
// The stretch between vertices s (where the sketch began) and e (where it ended) is redrawn by
// the sketch, which runs from vertex s's point to vertex e's: from min(s, e) on, the sketch's
// points (reversed when e < s) take the place of the |e - s| vertices there, and the vertex at
// max(s, e) follows its own copy. The count becomes n + m - |e - s|.
bool ReplaceStretch(Vertices& v, uint8_t kind, int32_t s, int32_t e, const Vertices& sketch);
// Extends the list from an end by the sketch, whose first point is that end: at the first
// vertex the sketch's points m - 1 down to 1 go before it, else 1 to m - 1 after the last.
bool ExtendLine(Vertices& v, uint8_t kind, bool atFirst, const Vertices& sketch);

// A point object's two box corners. Deleting corner `picked` (0 or 1) leaves both at the other
// one; refused when they coincide already or `picked` is neither.
bool DeletePointCorner(TMapPoint corners[2], int picked);

}  // namespace vertex_edits
