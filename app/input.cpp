#include "app/input.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/auto_actions.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/pending_services.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/ui/shell_utils.h"
#include "edit/measure_tool.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/geodesy_bar.h"
#include "gps/gps_bar.h"
#include "search/search_window.h"
#include "settings/settings_dialog.h"
#include "view/map_view.h"

namespace {

constexpr int kPickRadius = 10;     // pixels
constexpr int kMaxPicked = 50;      // object references
constexpr int kZoomFrameSlack = 10;  // pixels a zoom-frame stroke may wander and still be a tap
constexpr int kZoomAreaTop = 20;    // pixels of the client area above the zoom frame's area
constexpr int kAlmanacPage = 6;

int Sign(long v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

// Draws the outline of a frame with the selected pen (no fill).
void FrameOutline(HDC dc, const RECT& r) {
  POINT p[5] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom},
                {r.left, r.top}};
  Polyline(dc, p, 5);
}

RECT ZoomArea(HWND hwnd) {
  RECT area;
  GetClientRect(hwnd, &area);
  area.top += kZoomAreaTop;
  return area;
}

// Rubber feedback drawn with the inverting raster operation, so drawing the old shape again
// erases it: `draw` runs once for the last point and once for the current one.
template <class Draw>
void Rubber(HWND hwnd, int width, POINT current, Draw draw) {
  HDC dc = GetDC(hwnd);
  HPEN pen = CreatePen(PS_DASH, width, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  int oldRop = SetROP2(dc, R2_NOT);
  draw(dc, g_DragLast);
  draw(dc, current);
  SetROP2(dc, oldRop);
  SelectObject(dc, old);
  DeleteObject(pen);
  ReleaseDC(hwnd, dc);
}

void PenDownNormal(HWND hwnd, int x, int y) {
  if (g_ToolPanel.IsVertexEditActive()) {
    if (IsTapAndHold(hwnd, x, y, 0))
      g_ToolPanel.OnMapMouse(hwnd, x, y, WM_LBUTTONDOWN);
    else
      CenterViewAt(x, y);
    return;
  }
  if (IsTapAndHold(hwnd, x, y, 1))
    SelectObjectsAt(x, y);
  else
    CenterViewAt(x, y);
}

void SetAlmanacBase(HWND hwnd, int x, int y) {
  double px, py;
  g_MapView.ScreenToPlane(x, y, &px, &py, 1);
  char text[32];
  std::snprintf(text, sizeof text, "%i", int(px));
  g_Ini.SetString("AlmBaseX", text);
  std::snprintf(text, sizeof text, "%i", int(py));
  g_Ini.SetString("AlmBaseY", text);
  SetInputModeDirect(input_mode::kNormal);
  ShowSettingsDialog(hwnd, kAlmanacPage);
}

void ZoomFramePenUp(int x, int y) {
  if (std::abs(long(x) - g_DragStart.x) <= kZoomFrameSlack &&
      std::abs(long(y) - g_DragStart.y) <= kZoomFrameSlack) {
    // A short stroke is a tap: centre there and stay in the zoom-frame mode.
    g_MapView.MoveView(x, y, 1);
    InvalidateMainView(1);
    return;
  }
  RECT frame = ZoomFrameRect(ZoomArea(g_MainWindow), g_DragStart, POINT{x, y});
  g_MapView.ZoomToScreenRect(frame.left, frame.top, frame.right, frame.bottom);
  InvalidateMainView(1);
  CheckBarButton(kCmdZoomFrame, 0);
  SetInputModeDirect(input_mode::kNormal);
}

}  // namespace

POINT g_DragStart = {0, 0};
POINT g_DragLast = {0, 0};
int g_PointKey = 0;

namespace {

// The command-bar buttons that go with the mode SetInputMode has just set.
void OnInputModeChanged(uint8_t mode) {
  switch (mode) {
    case input_mode::kNormal:
      g_GpsBar.pointOnMapButton = 0;
      CheckBarButton(kCmdRuler, 0);
      CheckBarButton(kCmdPointOnMap, 0);
      CheckBarButton(kCmdZoomFrame, 0);
      break;
    case input_mode::kZoomFrame:
      g_GpsBar.pointOnMapButton = 0;
      CheckBarButton(kCmdRuler, 0);
      CheckBarButton(kCmdPointOnMap, 0);
      break;
    case input_mode::kRulerOff:
      ToggleRulerMode(0);  // ends in kNormal
      CheckBarButton(kCmdZoomFrame, 0);
      break;
    case input_mode::kRuler:
      g_GpsBar.pointOnMapButton = 0;
      CheckBarButton(kCmdPointOnMap, 0);
      CheckBarButton(kCmdZoomFrame, 0);
      break;
    case input_mode::kNavigationPoint:
    case input_mode::kToolPanel:
    case input_mode::kVertexEdit:
    case input_mode::kSelection:
      CheckBarButton(kCmdPointOnMap, 0);
      CheckBarButton(kCmdRuler, 0);
      CheckBarButton(kCmdZoomFrame, 0);
      break;
    default:
      break;
  }
}

// Installed before the entry runs, so the buttons follow the mode from the first change on.
const bool g_watching = (SetInputModeWatcher(OnInputModeChanged), true);

}  // namespace

void CenterViewAt(int x, int y) {
  SetGpsFollow(0);
  g_MapView.MoveView(x, y, 1);
  InvalidateMainView(1);
}

void SelectObjectsAt(int x, int y) {
  g_SelectionPanel.Show(0);
  TObjectRef refs[kMaxPicked] = {};
  int n = PickObjectsAt(x, y, kPickRadius, refs, kMaxPicked);
  if (n <= 0) return;
  g_SelectionPanel.SetTop(0);
  g_SelectionPanel.Show(1);
  g_SelectionPanel.SetSelection(refs, n);
}

RECT ZoomFrameRect(const RECT& area, POINT start, POINT end) {
  const double width = double(area.right) - area.left, height = double(area.bottom) - area.top;
  const double dx = double(end.x) - start.x, dy = double(end.y) - start.y;
  // An empty area or a stroke without width has no ratio to keep: the end stays as it is.
  if (width != 0 && dx != 0) {
    const double ka = std::fabs(height / width), kd = std::fabs(dy / dx);
    const int s = Sign(long(dy)) * Sign(long(dx));
    if (ka < kd) {
      if (ka != 0) end.x = long(double(start.x) + s * dy / ka);
    } else {
      end.y = long(double(start.y) + s * dx * ka);
    }
  }
  RECT r;
  r.left = std::min(start.x, end.x);
  r.right = std::max(start.x, end.x);
  r.top = std::min(start.y, end.y);
  r.bottom = std::max(start.y, end.y);
  return r;
}

HWND GetLockTargetWindow() {
  if (g_ToolPanel.IsShown()) return g_ToolPanel.window;
  if (g_GeodesyBar.window && IsWindowVisible(g_GeodesyBar.window)) return g_GeodesyBar.window;
  if (g_GpsBar.window && IsWindowVisible(g_GpsBar.window)) return g_GpsBar.window;
  return g_MainWindow;
}

LRESULT OnMainPenDown(HWND hwnd, WPARAM, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (GetInputMode()) {
    case input_mode::kNormal:
      g_AutoActions.ResetIdle();
      PenDownNormal(hwnd, x, y);
      break;
    case input_mode::kZoomFrame:
    case input_mode::kGpsOffset:
      g_DragStart = g_DragLast = POINT{x, y};
      break;
    case input_mode::kRuler:
      if (g_MeasureTool.AddPoint(x, y)) InvalidateMainView(0);
      break;
    case input_mode::kRoute:
      RoutePointTap(x, y);
      break;
    case input_mode::kToolPanel:
      g_ToolPanel.OnMapMouse(hwnd, x, y, WM_LBUTTONDOWN);
      break;
    case input_mode::kVertexEdit:
      g_VertexEditBar.OnMapMouse(hwnd, x, y, WM_LBUTTONDOWN);
      break;
    case input_mode::kSelection:
      g_SelectionPanel.OnMapMouse(hwnd, x, y, WM_LBUTTONDOWN);
      break;
    case input_mode::kAlmanacBase:
      SetAlmanacBase(hwnd, x, y);
      break;
    case input_mode::kMoveEditedPoint:
      MoveEditedPointTo(x, y);
      SetInputModeDirect(input_mode::kNormal);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT OnMainPenMove(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (wParam & MK_LBUTTON) {
    switch (GetInputMode()) {
      case input_mode::kZoomFrame: {
        const RECT area = ZoomArea(hwnd);
        Rubber(hwnd, 1, p, [&](HDC dc, POINT end) {
          FrameOutline(dc, ZoomFrameRect(area, g_DragStart, end));
        });
        break;
      }
      case input_mode::kGpsOffset:
        Rubber(hwnd, 2, p, [&](HDC dc, POINT end) {
          DrawLine(dc, g_DragStart.x, g_DragStart.y, end.x, end.y);
        });
        break;
      case input_mode::kToolPanel:
        g_ToolPanel.OnMapMouse(hwnd, p.x, p.y, WM_MOUSEMOVE);
        break;
      default:
        break;
    }
  }
  g_DragLast = p;
  return 0;
}

LRESULT OnMainPenUp(HWND hwnd, WPARAM, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  g_AutoActions.ResetIdle();
  switch (GetInputMode()) {
    case input_mode::kZoomFrame:
      ZoomFramePenUp(x, y);
      break;
    case input_mode::kNavigationPoint:
      SetNavigationPointAt(x, y);
      SetInputModeDirect(input_mode::kNormal);
      break;
    case input_mode::kGpsOffset:
      SetGpsOffsetFromDrag(g_DragStart.x, g_DragStart.y, x, y);
      SetInputModeDirect(input_mode::kNormal);
      break;
    case input_mode::kToolPanel:
      g_ToolPanel.OnMapMouse(hwnd, x, y, WM_LBUTTONUP);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT OnMainKeyDown(HWND, WPARAM wParam, LPARAM) {
  const RECT& v = g_MapView.viewRect;
  const int32_t cx = int32_t((int64_t(v.left) + v.right) / 2);
  const int32_t cy = int32_t((int64_t(v.top) + v.bottom) / 2);
  int32_t x, y;
  switch (wParam) {
    case VK_LEFT: x = v.left, y = cy; break;
    case VK_RIGHT: x = v.right, y = cy; break;
    case VK_UP: x = cx, y = v.top; break;
    case VK_DOWN: x = cx, y = v.bottom; break;
    default: return 0;
  }
  SetGpsFollow(0);
  g_MapView.MoveView(x, y, 1);
  InvalidateMainView(1);
  return 0;
}

LRESULT OnMainHotKey(HWND hwnd, WPARAM wParam, LPARAM) {
  const int key = int(wParam);
  if (key == 0) return 0;
  g_AutoActions.ResetIdle();
  RunButtonAction(hwnd, LookupButtonAction(key), key);
  return 0;
}

void RunButtonAction(HWND hwnd, int action, int key) {
  switch (action) {
    case button_action::kZoomIn:
      g_MapView.ZoomIn();
      InvalidateMainView(1);
      break;
    case button_action::kZoomOut: {
      const int32_t before = g_MapView.GetScale();
      g_MapView.ZoomOut();
      if (g_MapView.GetScale() != before) InvalidateMainView(1);
      break;
    }
    case button_action::kToggleGpsFollow:
      SetGpsFollow(GetGpsFollow() ? 0 : 1);
      break;
    case button_action::kToggleTrackLog: {
      const int on = g_Ini.GetInt("NaviSaveLog") ? 0 : 1;
      g_Ini.SetInt("NaviSaveLog", on);
      g_NaviSaveLog = on;
      ApplyTrackRecording(on);
      break;
    }
    case button_action::kGpsPoint:
      g_PointKey = key;
      AddGpsPointFromKey(key);
      break;
    case button_action::kPointOnMap:
      g_GpsBar.pointOnMapButton = 1;
      g_GpsBar.ToggleMode();
      break;
    case button_action::kToggleNavigation:
      ToggleNavigationMode(hwnd);
      break;
    case button_action::kSearchAddress:
      RunSearchWindow(hwnd, g_Instance, 0);
      break;
    case button_action::kSearchObject:
      RunSearchWindow(hwnd, g_Instance, 1);
      break;
    case button_action::kCloseSearchBars:
      SendMessageW(hwnd, WM_COMMAND, kCmdCloseSearchBars, 0);
      break;
    case button_action::kExit:
      SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
      SendMessageW(hwnd, WM_CLOSE, 0, 0);
      break;
    case button_action::kToggleGeodesy:
      ToggleGeodesyMode(hwnd);
      break;
    case button_action::kOccupyStatic:
      if (g_GeodesyBar.occupation == 1) {
        g_GeodesyBar.dynamicButton = 1;
        g_GeodesyBar.StartDynamic();
      } else {
        g_GeodesyBar.staticButton = 1;
        g_GeodesyBar.StartStatic();
      }
      break;
    case button_action::kOccupyAutoOrStatic:
      if (g_GeodesyBar.occupation == 2) {
        g_GeodesyBar.staticButton = 1;
        g_GeodesyBar.StartStatic();
      } else {
        g_GeodesyBar.autoButton = 1;
        g_GeodesyBar.StartDynamicAuto();
      }
      break;
    case button_action::kOccupyAutoOrDynamic:
      if (g_GeodesyBar.occupation == 2) {
        g_GeodesyBar.dynamicButton = 1;
        g_GeodesyBar.StartDynamic();
      } else {
        g_GeodesyBar.autoButton = 1;
        g_GeodesyBar.StartDynamicAuto();
      }
      break;
    case button_action::kScreenLock:
      ToggleScreenLock(GetLockTargetWindow());
      break;
    default:  // -1 and 0: no action
      break;
  }
}
