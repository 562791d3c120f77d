// The program's long-lived objects, constructed before the entry runs and destroyed after the
// message loop ends, in reverse order of their definitions here: the settings store and the
// language table first, because every other object may read them; then the receiver link, the
// panels and overlays, and the main window's own objects. The map view, the working-map layer,
// the GPS port, the echo sounder, the almanac, the back buffer and the menu opener are defined
// beside their classes.
#include "app/auto_actions.h"
#include "app/back_buffer.h"
#include "app/button_table.h"
#include "app/ini_file.h"
#include "app/lang.h"
#include "app/menu_opener.h"
#include "app/winmain.h"
#include "edit/goto_overlay.h"
#include "edit/measure_tool.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/almanac_bar.h"
#include "gps/geodesy_bar.h"
#include "gps/gps_bar.h"
#include "gps/greis_receiver.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "search/route.h"

TIniFile g_Ini;
TLang g_Lang;
TGreisReceiver g_GreisReceiver;
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
TButtonTable g_ButtonTable;
TAutoActions g_AutoActions;

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
int g_NaviSaveLog = 0;
double g_AlmanacBase[4] = {0, 0, 0, 0};
