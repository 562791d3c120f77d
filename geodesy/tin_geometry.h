// Plane primitives of the rubber-sheet transform. Points are pixel or map coordinates held as
// doubles (whole numbers in practice: pixels, or hundredths of a map unit relative to an origin).
// The tolerances are in those units; they were chosen for pixel-sized steps.
#pragma once

struct TTinXY {
  double x = 0;
  double y = 0;
};

inline bool operator==(TTinXY a, TTinXY b) { return a.x == b.x && a.y == b.y; }

// Signed distance of p from the directed line a -> b; positive on the side where a triangle
// walked a -> b has its inside. 0 when a == b.
double SignedDistance(TTinXY a, TTinXY b, TTinXY p);
// (b - a) x (c - b) with magnitudes up to 1e-6 counted as 0.
double CrossValue(TTinXY a, TTinXY b, TTinXY c);
// Largest minus smallest interior angle (radians): 0 for an equilateral triangle.
double AngleSpread(TTinXY a, TTinXY b, TTinXY c);
// 0 outside, 1..3 on side 0..2 (vertex k to k+1, bounds included), 4 strictly inside. Also gives
// the distance from p to the centroid (each coordinate over 3 truncated toward zero, then summed).
int PointInTriangle(TTinXY p, const TTinXY v[3], double* centroidDistance);
// Affine map c0..c5, (x, y) -> (c0 + c1 x + c2 y, c3 + c4 x + c5 y), taking src[i] to dst[i];
// the identity when the source triangle is exactly degenerate.
void AffineCoefficients(const TTinXY src[3], const TTinXY dst[3], double c[6]);
