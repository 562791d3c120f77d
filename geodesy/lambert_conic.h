// Constants of a Lambert conformal conic with two standard parallels. Only the set-up exists:
// no projection of the program reads the block, and the conic's mappings are not implemented.
#pragma once

// The Lambert parameter block: ten doubles, in this order. lat1, lat2 and lon0 are the arguments
// as last given (radians), unordered; they let a repeated call with the same arguments return
// at once.
struct TLambertParameters {
  double n = 0;   // cone constant
  double S = 0;   // scale term, metres
  double K = 0;   // radius term, metres
  double c1 = 0;  // series coefficients in e2 (conformal to geodetic latitude)
  double c2 = 0;
  double c3 = 0;
  double c4 = 0;
  double lat1 = 0;
  double lat2 = 0;
  double lon0 = 0;
};

extern TLambertParameters g_LambertParameters;

// Fills the block from the current ellipsoid. Identical arguments (exact comparison) return at
// once; non-finite arguments leave the block as it is.
void SetupLambertConic(double lat1, double lat2, double lon0);

// |phi| limited to pi/2.
double ClampLatitude(double phi);
// Orders two parallels so that lat1 < lat2, at least 1 deg apart and short of the pole: if the
// upper one would reach pi/2 it becomes pi/2 - 1 deg and the lower one 6 deg below that.
void OrderStandardParallels(double& lat1, double& lat2);
// m(phi) and T(phi) of one parallel on the current ellipsoid.
void LambertParallelTerms(double phi, double& m, double& T);
