// The program's globals that the GPS subsystem reaches; app/ defines them in the program.
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/geodesy_bar.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "gps/sat_graph.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

TMapView g_MapView;
TGpsPort g_GpsPort;
TAlmanac g_Almanac;
TAlmanacBar g_AlmanacBar;
TSkyPlot g_SkyPlot;
TSatGraph g_SatGraph;
TGpsBar g_GpsBar;
TGotoOverlay g_GotoOverlay;
TSightRule g_SightRule;
TGreisReceiver g_GreisReceiver;
TGeodesyBar g_GeodesyBar;

namespace {
// A fresh start's objects for every test case, as app/globals.cpp gives them to the program.
const vplat::FreshStateHook kFresh(6, [] {
  vplat::RenewInOrder(
      g_MapView, g_GpsPort, g_Almanac, g_AlmanacBar, g_SkyPlot, g_SatGraph, g_GpsBar,
      g_GotoOverlay, g_SightRule, g_GreisReceiver, g_GeodesyBar);
});
}  // namespace
