// The program's long-lived objects, constructed before the entry runs and destroyed after the
// message loop ends, in reverse order of their definitions here. All of them stand in this one
// file so that the order is fixed: the map view with its project (it initialises the geodesy
// tables); the GPS port and the echo sounder; the receiver link; the
// almanac; then the panels and overlays and the main window's own objects. The settings store
// and the language table, which every other object may read, stand in base/globals.cpp and are
// made before all of these and destroyed after them; the working-map layer (maps/user_layer.cpp)
// is built at compile time and has nothing to destroy.
#include "app/auto_actions.h"
#include "app/back_buffer.h"
#include "app/track_buffer.h"
#include "app/menu_opener.h"
#include "app/winmain.h"
#include "edit/measure_tool.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/echo_sounder.h"
#include "gps/geodesy_bar.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "gps/sat_graph.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "platform/fresh_state.h"
#include "search/route.h"
#include "view/map_view.h"

TMapView g_MapView;
TGpsPort g_GpsPort;
TEchoSounder g_EchoSounder;
TGreisReceiver g_GreisReceiver;
TAlmanac g_Almanac;
TGpsBar g_GpsBar;
TGeodesyBar g_GeodesyBar;
TToolPanel g_ToolPanel;
TSelectionPanel g_SelectionPanel;
TObjectListPanel g_ObjectListPanel;
TVertexEditBar g_VertexEditBar;
TAlmanacBar g_AlmanacBar;
TMeasureTool g_MeasureTool;
TGotoOverlay g_GotoOverlay;
TRoute g_Route;
TSightRule g_SightRule;
TSkyPlot g_SkyPlot;
TSatGraph g_SatGraph;
TAutoActions g_AutoActions;
TBackBuffer g_BackBuffer;
TTrackBuffer g_TrackBuffer;
TMenuOpener g_MenuOpener;

HINSTANCE g_Instance = nullptr;
std::string g_CommandLine;
int g_CommandLineTooLong = 0;
std::wstring g_ProgramPathW;
std::string g_ProgramPath;
std::string g_ProgramFolder;
UINT_PTR g_MemoryTimer = 0;
int g_LowMemoryBoxUp = 0;
int g_StartupDone = 0;
int g_StartupOpenResult = 0;
int g_LastProjectAside = 0;
int g_NaviSaveLog = 0;

namespace {

const vplat::FreshStateHook kFresh(6, [] {
  // As at exit and start: destroyed in reverse order, made again in order.
  vplat::RenewInOrder(g_MapView, g_GpsPort, g_EchoSounder, g_GreisReceiver, g_Almanac, g_GpsBar,
                      g_GeodesyBar, g_ToolPanel, g_SelectionPanel, g_ObjectListPanel,
                      g_VertexEditBar, g_AlmanacBar, g_MeasureTool, g_GotoOverlay, g_Route,
                      g_SightRule, g_SkyPlot, g_SatGraph, g_AutoActions,
                      g_BackBuffer, g_TrackBuffer, g_MenuOpener);
  g_Instance = nullptr;
  g_CommandLine.clear();
  g_CommandLineTooLong = 0;
  g_ProgramPathW.clear();
  g_ProgramPath.clear();
  g_ProgramFolder.clear();
  g_MemoryTimer = 0;
  g_LowMemoryBoxUp = 0;
  g_StartupDone = 0;
  g_StartupOpenResult = 0;
  g_LastProjectAside = 0;
  g_NaviSaveLog = 0;
});

}  // namespace
