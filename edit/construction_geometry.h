// The geometry of the construction tools as pure functions over integer map points (int32 map
// units, first coordinate X northing, second Y easting). Nothing here touches a map.
//
// Invariants:
// - Every double that becomes a coordinate goes through ToUnit: a value within 1e-6 of an
//   integer is that integer (0.29 m / 0.01 m is 28.999999999999996, meant as 29), else it is
//   truncated toward zero; NaN, infinities and values beyond +-(2^31 - 1) give no result. Where
//   a value is an offset from a base point, the base point is added before the conversion, so
//   the result does not depend on which of two symmetric inputs came first.
// - Side tests and the orientation sign are exact: the products of int32 differences are formed
//   in 128 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "maps/map_object.h"

namespace construct {

constexpr double kPi = 3.14159265358979323846;

// A double as a map unit (see above); false when it has none.
bool ToUnit(double value, int32_t* out);
bool ToPoint(double x, double y, TMapPoint* out);
// A point moved by an integer offset; false when it leaves the int32 range.
bool Offset(TMapPoint p, int64_t dx, int64_t dy, TMapPoint* out);

inline bool Same(TMapPoint a, TMapPoint b) { return a.x == b.x && a.y == b.y; }

// sign((Ax - Px)(By - Py) - (Bx - Px)(Ay - Py)): +1, -1, 0.
int OrientationSign(TMapPoint a, TMapPoint b, TMapPoint p);
// Side of P relative to the directed line S -> E: sign((Px - Ex)(Sy - Ey) - (Sx - Ex)(Py - Ey)).
int SideOf(TMapPoint p, TMapPoint s, TMapPoint e);
// +1 for L >= 0, -1 for L < 0.
inline int SideOfLength(double length) { return length < 0 ? -1 : 1; }

// The point at length l (map units) from Q at angle theta (radians) to the direction P -> Q:
// (Qx + l sin(phi + theta), Qy + l cos(phi + theta)), phi = atan2(Qx - Px, Qy - Py). theta 0
// continues beyond Q, pi turns back towards P, +-pi/2 stand square at Q. Coincident P and Q
// give phi = 0.
bool PointAtAngle(TMapPoint p, TMapPoint q, double theta, double l, TMapPoint* out);

// The four candidates of a square step from Q (P -> Q the direction) at +90, 180, -90 and 0
// degrees, in that order; false when any has no coordinates.
bool SquareCandidates(TMapPoint p, TMapPoint q, double l, TMapPoint out[4]);
// Which candidate lies nearest the tap: the +90 one only when strictly nearer than the 180 one,
// then -90 and 0 replace the choice only when strictly nearer. 0..3.
int ChooseNearest4(const TMapPoint candidates[4], TMapPoint tap);
// The logged angle of candidate i: 90, 180, -90, 0.
int CandidateAngle(int index);

// The intersections of the circle of radius r1 (map units) around A with that of radius r2
// around B; false when they do not meet, when A = B, or when a result has no coordinates. A
// tangent contact gives two equal points.
bool IntersectCircles(TMapPoint a, TMapPoint b, double r1, double r2, TMapPoint* p1,
                      TMapPoint* p2);

// The two points at distance d from Q1 on the bisector of the angle Q0-Q1-Q2, one on each side
// of the path. A path running straight on (or with a zero-length incoming arm) gives the points
// square to the incoming (outgoing) arm; false when both arms are 0 long or a point has no
// coordinates. A negative d swaps them.
bool BisectorPoints(TMapPoint q0, TMapPoint q1, TMapPoint q2, double d, TMapPoint* p1,
                    TMapPoint* p2);

// ((Ax + Bx) / 2, (Ay + By) / 2), each quotient truncated toward zero (sums in 64 bits).
TMapPoint Midpoint(TMapPoint a, TMapPoint b);
// The foot of the perpendicular from K on the infinite line A-B; false when A = B.
bool PerpendicularFoot(TMapPoint k, TMapPoint a, TMapPoint b, TMapPoint* out);
// Distance of P from the infinite line A-B (from A when A = B).
double LineDistance(TMapPoint p, TMapPoint a, TMapPoint b);

// The segment of the polyline v[0 .. n) nearest to P (the first of equals), its distance and
// foot as NearestPointOnPolyline gives them; the segments are compared by squared distance,
// without a square root each. -1 with fewer than 2 vertices.
double NearestSegment(TMapPoint p, const TMapPoint* v, int32_t n, int32_t* segment, TMapPoint* foot);

// The sharpest bend of a base line that an offset line follows: at an interior angle a the
// offset corner lies d / sin(a / 2) from the vertex, 11.5 d at 10 degrees and without bound as a
// closes; beyond that the "parallel" would be a spike far off the line.
constexpr double kSharpestBend = 10 * kPi / 180;
// The result of an offset line that meets a bend sharper than kSharpestBend.
constexpr int kSharpBend = -1;

// A line parallel to the polyline v[0 .. n): the ends moved square by offsets[0] and
// offsets[n - 1] map units, each inner vertex to the corner where the offsets of its two
// segments meet (on the bisector, offsets[i] / sin(half the interior angle) away), so that with
// equal offsets every segment lies exactly that far from its base segment; all on the side where
// the side test against the segment gives `wantedSide`. Exactly n vertices: 1; kSharpBend for a
// bend sharper than kSharpestBend; 0 when n < 2 or a vertex has no coordinates.
int ParallelLine(const TMapPoint* v, int32_t n, const int32_t* offsets, int wantedSide,
                 std::vector<TMapPoint>* out);

// The offsets of a parallel line whose distance is given by further points: `known[i]` marks a
// set offset; an unset one takes the next set one (at 0), the mean of its predecessor and the
// next set one (truncated), or the predecessor when none follows. False when none is set.
bool FillOffsets(std::vector<int32_t>& offsets, const std::vector<uint8_t>& known);

// The near side of a rectangle built along the polyline v[0 .. n) between P1 and P2: P1, the
// base vertices between their nearest segments moved to the interpolated distance on
// `*wantedSide` (which becomes the side of the start point against its foot line when that is
// not 0) by the corner rule of ParallelLine, then P2. Start and end swap when P2 comes first
// along the line. 1; kSharpBend as ParallelLine; 0 when a distance has no coordinates.
int NearSideAlongLine(const TMapPoint* v, int32_t n, TMapPoint p1, TMapPoint p2, int* wantedSide,
                      std::vector<TMapPoint>* nearSide);
// Closes the near side S .. E into a ring: the far side is the near side backwards, moved by
// E - R, R the point at w from E at wantedSide x 90 degrees to S -> E. False when S = E or a
// vertex has no coordinates.
bool RectangleRing(const std::vector<TMapPoint>& nearSide, int32_t w, int wantedSide,
                   std::vector<TMapPoint>* ring);

}  // namespace construct
