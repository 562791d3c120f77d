// The program's globals that the editing tools reach; app/ defines them in the program.
#include "edit/measure_tool.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

TMapView g_MapView;
TObjectListPanel g_ObjectListPanel;
TSelectionPanel g_SelectionPanel;
TVertexEditBar g_VertexEditBar;
TMeasureTool g_MeasureTool;
TToolPanel g_ToolPanel;

namespace {
// A fresh start's objects for every test case, as app/globals.cpp gives them to the program.
const vplat::FreshStateHook kFresh(6, [] {
  vplat::RenewInOrder(
      g_MapView, g_ObjectListPanel, g_SelectionPanel, g_VertexEditBar, g_MeasureTool, g_ToolPanel);
});
}  // namespace
