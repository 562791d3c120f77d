#include "geodesy/geodesy.h"

void InitGeodesy() {
  InitEllipsoids();
  g_LambertParameters = TLambertParameters{};
  SetupLambertConic(1.11, 1.22, 0.5);
}
