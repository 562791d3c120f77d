// The program's globals that the GPS subsystem reaches; app/ defines them in the program.
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "view/map_view.h"

TMapView g_MapView;
TGpsPort g_GpsPort;
TSkyPlot g_SkyPlot;
TGpsBar g_GpsBar;
TGotoOverlay g_GotoOverlay;
TSightRule g_SightRule;
