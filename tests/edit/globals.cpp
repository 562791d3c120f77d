// The program's globals that the editing tools reach; app/ defines them in the program.
#include "edit/object_list_panel.h"
#include "edit/tool_panel.h"
#include "view/map_view.h"

TMapView g_MapView;
TObjectListPanel g_ObjectListPanel;
TToolPanel g_ToolPanel;
