// The satellite sky plot drawn over the map. Until it is built it holds its base option and
// draws nothing.
#pragma once

#include "platform/win.h"

class TGpsPort;
class TAlmanac;

class TSkyPlot {
 public:
  void Draw(HDC /*dc*/, const RECT& /*view*/) {}
  void Blit(HDC /*dc*/) {}
  void SetOption(int baseOn) { baseOption = baseOn; }

  int baseOption = 0;
  int shown = 0;
};

extern TSkyPlot g_SkyPlot;
// Set by the almanac-bar command; with it off and the plot hidden, UpdateSkyPlot does nothing.
extern int g_AlmanacBarOn;
// Satellites of the last update used in the fix and also visible from the almanac base point.
extern int g_SkyPlotBaseCount;

// Refills the sky plot from the port's satellites and the almanac.
void UpdateSkyPlot(TGpsPort* port, TAlmanac* almanac);
