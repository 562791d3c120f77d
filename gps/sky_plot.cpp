#include "gps/sky_plot.h"

int g_AlmanacBarOn = 0;
int g_SkyPlotBaseCount = 0;

void UpdateSkyPlot(TGpsPort* /*port*/, TAlmanac* /*almanac*/) {
  if (!g_AlmanacBarOn && !g_SkyPlot.shown) return;
  // The plot has no satellites to show until its drawing exists.
}
