#include "app/commands.h"

#include <cstring>
#include <string>

#include "app/auto_actions.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/file_browser.h"
#include "base/ui/shell_utils.h"
#include "view/image_lib.h"
#include "edit/measure_tool.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "edit/vertex_edit_bar.h"
#include "edit/tool_panel.h"
#include "gps/almanac_bar.h"
#include "gps/gps_port.h"
#include "gps/receiver_files_dlg.h"
#include "gps/sky_plot.h"
#include "search/route.h"
#include "search/search_window.h"
#include "search/street_search.h"
#include "settings/settings_dialog.h"
#include "view/map_view.h"
#include "view/project_maps_dlg.h"

namespace {

// The about dialog in the built-in language and its twin with English texts.
constexpr int kAboutDialog = 107;
constexpr int kAboutDialogEnglish = 255;
constexpr int kAboutVersionControl = 3000;
// The about item's text in our own menu (resources/main_menubar.cpp), shown when the language
// file has none; its first letter picks the built-in dialog, any other the English one.
constexpr const wchar_t* kBuiltInAboutText = L"О программе";
constexpr wchar_t kBuiltInAboutLetter = 0x041E;
// The exit that waits for control to come back to the main loop, checked this often (ms).
constexpr UINT_PTR kExitTimerId = 0x56E1;
constexpr UINT kExitPollMs = 100;
// The street and object bar items of the search menu, unchecked when the bars close.
constexpr UINT kStreetBarItem = 40102;
constexpr UINT kObjectBarItem = 40099;
constexpr int kGpsTypeWithFileMemory = 1;

// The search menu's bar items are checked while their bar is open.
void CheckSearchBarItems() {
  CheckMainMenuItem(kCmdSearchMenu, kStreetBarItem, IsStreetBarOpen());
  CheckMainMenuItem(kCmdSearchMenu, kObjectBarItem, IsObjectBarOpen());
}

// The check item of a view switch in the maps menu: toggle it, store it, re-apply the view.
void ToggleViewSwitch(UINT item, const char* key) {
  int on = IsMainMenuItemChecked(kMapsMenuCommand, item) ? 0 : 1;
  CheckMainMenuItem(kMapsMenuCommand, item, on);
  g_Ini.SetInt(key, on);
  ApplyViewSettings();
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_AutoActions.OnUserInput(dialog, message, wParam, lParam);
  if (message == WM_INITDIALOG) {
    SHINITDLGINFO info{};
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    info.dwFlags = 0;
    SHInitDialog(&info);
    wchar_t version[256] = L"";
    GetFileVersionString(g_ProgramPathW.c_str(), version, 256);
    std::wstring text = std::wstring(version) + L" (beta)";
    SetDlgItemTextW(dialog, kAboutVersionControl, text.c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

void SendExit(HWND hwnd) {
  SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

void CALLBACK ExitWhenBackInMainLoop(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  if (vplat::ModalLoopDepth() > 0) return;
  KillTimer(hwnd, id);
  SendExit(hwnd);
}

// Name of the file without folder and extension, as the route names its layer.
std::string LayerNameOf(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  std::string layer(name);
  size_t dot = layer.rfind('.');
  if (dot != std::string::npos) layer.resize(dot);
  return layer;
}

}  // namespace

int32_t ScaleOfCommand(UINT command) {
  if (command < kCmdScaleFirst || command > kCmdScaleLast) return 0;
  return kScaleTable[command - kCmdScaleFirst];
}

int IsBarButtonChecked(UINT command) {
  if (!g_MenuBar) return 0;
  return SendMessageW(g_MenuBar, TB_ISBUTTONCHECKED, command, 0) ? 1 : 0;
}

void CheckBarButton(UINT command, int checked) {
  if (g_MenuBar) SendMessageW(g_MenuBar, TB_CHECKBUTTON, command, MAKELONG(checked ? 1 : 0, 0));
}

void SetRasterMode(UINT command) {
  int vector, raster;
  switch (command) {
    case kCmdBothMaps: vector = 1, raster = 1; break;
    case kCmdVectorMaps: vector = 1, raster = 0; break;
    case kCmdRasterMaps: vector = 0, raster = 1; break;
    default: return;
  }
  // Both calls run: each flag is set whether or not the other changed.
  int changed = g_MapView.ShowVectorMaps(vector);
  changed |= g_MapView.ShowRasterMaps(raster);
  UpdateRasterModeMenu();
  if (changed) InvalidateMainView(1);
}

void SetScaleCommand(int32_t scale) {
  if (scale)
    g_MapView.SetScale(scale);
  else
    g_MapView.ZoomToAll();
  InvalidateMainView(1);
}

void ToggleRulerMode(int on) {
  g_MeasureTool.Reset();
  if (on) {
    SetInputMode(input_mode::kRuler, 0);
  } else {
    SetInputMode(input_mode::kNormal, 0);
    InvalidateMainView(0);
  }
  // A panel's mode may have refused the ruler's.
  g_MeasureTool.active = on && GetInputMode() == input_mode::kRuler ? 1 : 0;
  CheckBarButton(kCmdRuler, on);
}

void ToggleToolsPanel() {
  if (g_ToolPanel.IsShown()) {
    g_ToolPanel.Show(0);
    InvalidateMainView(1);
  } else if (EnsureWorkMapForGps()) {
    g_ToolPanel.Show(1);
    InvalidateMainView(1);
  } else {
    CheckBarButton(kCmdToolsPanel, 0);
  }
}

namespace {

// The maps of the view in their order, the working one marked, and the count of lines kept for
// maps not found: what the project editor can change besides the steps it marks as changes
// (a new or assigned working map).
std::string ProjectMapsSignature() {
  std::string out;
  for (int i = 0; i < g_MapView.GetRasterMapCount(); i++)
    if (const TRasterMap* r = g_MapView.GetRasterMap(i)) out += std::string("R") + r->path + "\n";
  for (int i = 0; i < g_MapView.GetVectorMapCount(); i++)
    if (const TMdmMap* m = g_MapView.GetVectorMap(i))
      out += (g_MapView.IsWorkingMap(i) ? "W" : "V") + std::string(m->path) + "\n";
  return out + std::to_string(g_MapView.GetUnopenedLineCount());
}

}  // namespace

void RunProjectEditor(HWND owner) {
  // The dialog removes and reorders maps: nothing may hold their indexes meanwhile (the
  // selected-objects panel would delete an object of whatever map took its index).
  g_SelectionPanel.Show(0);
  g_ObjectListPanel.Show(0);
  g_VertexEditBar.Show(0);
  if (g_ToolPanel.IsShown()) {
    g_ToolPanel.Show(0);
    CheckBarButton(kCmdToolsPanel, 0);
  }
  // Accepted in the editor with a change, the project in view is the user's from now on. Its OK
  // is also the plain way to close it: an OK that changed nothing leaves the last project aside.
  const std::string before = ProjectMapsSignature();
  if (g_ProjectMapsDlg.Run(owner, g_Instance, &g_MapView) == 1 &&
      (g_ProjectMapsDlg.modified || ProjectMapsSignature() != before))
    g_LastProjectAside = 0;
  SaveLastProject();
}

void ExitProgram(HWND hwnd) {
  // Inside a dialog or box the caller of its loop would go on with a destroyed window: the
  // exit waits until that loop has returned.
  if (vplat::ModalLoopDepth() > 0)
    SetTimer(hwnd, kExitTimerId, kExitPollMs, ExitWhenBackInMainLoop);
  else
    SendExit(hwnd);
}

void OpenRoadGraph() {
  char start[256] = "";
  g_Ini.GetString("LastPathMap", start, sizeof start);
  char path[256] = "";
  // A filter is a description and its patterns; only a chosen path that fits is bound.
  const int chosen = BrowseForOpenFile(g_MainWindow, g_Instance, L"MVW Files (*.mvw)\0*.mvw\0",
                                       start, path, sizeof path);
  if (chosen == 0) return;
  if (chosen < 0) {
    // The browser could not hand the path over whole (too long for an 8-bit path): a cut one
    // would name another file, so nothing is bound.
    MessageBoxW(g_MainWindow, g_Lang.GetText(lang_id::kMsgOpenFileErr), nullptr, MB_OK);
    return;
  }
  g_Route.Bind(LayerNameOf(path).c_str(), path);
}

void RunAboutDialog() {
  const wchar_t* text = g_Lang.GetText(int32_t(kCmdAbout));
  if (!text || !text[0]) text = kBuiltInAboutText;
  int id = text[0] == kBuiltInAboutLetter ? kAboutDialog : kAboutDialogEnglish;
  DialogBoxParamW(g_Instance, MAKEINTRESOURCEW(id), g_MainWindow, AboutDialogProc, 0);
}

LRESULT OnMainCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  g_AutoActions.ResetIdle();
  const UINT id = LOWORD(wParam);
  if (int32_t scale = ScaleOfCommand(id)) {
    SetScaleCommand(scale);
    return 0;
  }
  switch (id) {
    case kCmdExit:
      ExitProgram(hwnd);
      return 0;
    case kCmdZoomIn:
      g_MapView.ZoomIn();
      InvalidateMainView(1);
      return 0;
    case kCmdZoomOut: {
      int32_t before = g_MapView.GetScale();
      g_MapView.ZoomOut();
      if (g_MapView.GetScale() != before) InvalidateMainView(1);
      return 0;
    }
    case kCmdZoomFrame:
      SetInputMode(
          IsBarButtonChecked(kCmdZoomFrame) ? input_mode::kZoomFrame : input_mode::kNormal, 0);
      return 0;
    case kCmdAbout:
      RunAboutDialog();
      return 0;
    case kCmdRuler:
      ToggleRulerMode(IsBarButtonChecked(kCmdRuler));
      return 0;
    case kCmdNavigation:
      ToggleNavigationMode(hwnd);
      return 0;
    case kCmdSettings:
      ShowSettingsDialog(hwnd, 0);
      return 0;
    case kCmdCloseSearchBars:
      CloseStreetSearch();
      CheckMainMenuItem(kCmdSearchMenu, kStreetBarItem, 0);
      CheckMainMenuItem(kCmdSearchMenu, kObjectBarItem, 0);
      return 0;
    case kStreetBarItem:
      ToggleStreetBar();
      CheckSearchBarItems();
      return 0;
    case kObjectBarItem:
      ToggleObjectBar();
      CheckSearchBarItems();
      return 0;
    case kCmdRouteDialog:
      RunRouteDialog();
      return 0;
    case kCmdClearRoute:
      g_Route.Clear();
      InvalidateMainView(0);
      return 0;
    case kCmdRouteByTaps:
      ResetRouteTaps();  // the first tap is the start
      SetInputModeDirect(input_mode::kRoute);
      return 0;
    case kCmdRoadGraph:
      OpenRoadGraph();
      return 0;
    case kCmdToolsPanel:
      ToggleToolsPanel();
      return 0;
    case kCmdProjectEditor:
      RunProjectEditor(hwnd);
      return 0;
    case kCmdPicture: {
      // The last valid GPS position is the plane point the view keeps for the marker.
      g_RasterLib.Show(g_MapView.gpsX, g_MapView.gpsY);
      return 0;
    }
    case kCmdMinimize:
      SetFullScreen(hwnd, 0);
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case kCmdReceiverFiles:
      if (g_Ini.GetInt("GPSTYPE") == kGpsTypeWithFileMemory) TReceiverFilesDlg::Run(hwnd, g_Instance);
      return 0;
    case kCmdGeodesy:
      ToggleGeodesyMode(hwnd);
      return 0;
    case kCmdAlmanacBar: {
      int on = IsBarButtonChecked(kCmdAlmanacBar);
      // The plot is switched first: showing the bar refills it at once.
      g_SkyPlot.SetEnabled(on);
      if (!on)
        g_AlmanacBar.Show(0);
      else if (!g_GpsPort.IsOpen())
        g_AlmanacBar.Show(1);
      // The map area is laid out again only on a full redraw.
      InvalidateMainView(1);
      return 0;
    }
    case kCmdBothMaps:
    case kCmdVectorMaps:
    case kCmdRasterMaps:
      SetRasterMode(id);
      return 0;
    case kCmdScaleAll:
      SetScaleCommand(0);
      return 0;
    case kCmdSearchAddress:
      RunSearchWindow(hwnd, g_Instance, 0);
      return 0;
    case kCmdSearchObject:
      RunSearchWindow(hwnd, g_Instance, 1);
      return 0;
    case kCmdMarking:
      ToggleViewSwitch(id, "MapViewMarking");
      return 0;
    case kCmdFill:
      ToggleViewSwitch(id, "MapViewFill");
      return 0;
    case kCmdGrid:
      ToggleViewSwitch(id, "MapViewGrid");
      return 0;
    default:
      return DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
  }
}
