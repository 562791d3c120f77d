// The program's globals that the editing tools reach; app/ defines them in the program.
#include "edit/measure_tool.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "view/map_view.h"

TMapView g_MapView;
TObjectListPanel g_ObjectListPanel;
TSelectionPanel g_SelectionPanel;
TVertexEditBar g_VertexEditBar;
TMeasureTool g_MeasureTool;
TToolPanel g_ToolPanel;
