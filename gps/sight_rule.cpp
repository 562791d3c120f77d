#include "gps/sight_rule.h"


void TSightRule::ParseRings(const char* text) { rings = text ? text : ""; }

void TSightRule::SetPosition(int onFlag, double px, double py, double h) {
  positionOn = onFlag;
  x = px;
  y = py;
  heading = h;
}
