#include "app/input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/auto_actions.h"
#include "base/button_table.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/ui/shell_utils.h"
#include "edit/measure_tool.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/geodesy_bar.h"
#include "gps/gps_bar.h"
#include "gps/greis_receiver.h"
#include "platform/fresh_state.h"
#include "search/search_window.h"
#include "settings/settings_dialog.h"
#include "view/map_view.h"

namespace {

constexpr int kPickRadius = 10;     // pixels
constexpr int kMaxPicked = 50;      // object references
constexpr int kZoomFrameSlack = 10;  // pixels a zoom-frame stroke may wander and still be a tap
constexpr int kZoomAreaTop = 20;    // pixels of the client area above the zoom frame's area
constexpr int kAlmanacPage = 6;

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

// The rubber shape on screen, kept apart from the drag's last point: a move without the button
// updates the last point but draws nothing, so only this end says what has to be erased.
struct RubberShape {
  bool shown = false;
  uint8_t mode = 0;  // the input mode that drew it
  POINT end{0, 0};
};
RubberShape g_rubber;

// Draws the shape of `mode` from the drag start to `end` with the inverting raster operation,
// so drawing the same shape again restores every pixel. The frame is one closed polyline and
// the line one segment: nothing is inverted twice within one shape.
void DrawRubberShape(HWND hwnd, HDC dc, uint8_t mode, POINT end) {
  const bool frame = mode == input_mode::kZoomFrame;
  HPEN pen = CreatePen(PS_DASH, frame ? 1 : 2, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  int oldRop = SetROP2(dc, R2_NOT);
  if (frame)
    FrameOutline(dc, ZoomFrameRect(ZoomArea(hwnd), g_DragStart, end));
  else
    DrawLine(dc, g_DragStart.x, g_DragStart.y, end.x, end.y);
  SetROP2(dc, oldRop);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// Erases the shape on screen (if any) and draws the one to `current` of `mode`.
void MoveRubber(HWND hwnd, uint8_t mode, POINT current) {
  HDC dc = GetDC(hwnd);
  if (g_rubber.shown) DrawRubberShape(hwnd, dc, g_rubber.mode, g_rubber.end);
  DrawRubberShape(hwnd, dc, mode, current);
  ReleaseDC(hwnd, dc);
  g_rubber = RubberShape{true, mode, current};
}

void EraseRubber(HWND hwnd) {
  if (!g_rubber.shown) return;
  HDC dc = GetDC(hwnd);
  DrawRubberShape(hwnd, dc, g_rubber.mode, g_rubber.end);
  ReleaseDC(hwnd, dc);
  g_rubber.shown = false;
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
  const RECT area = ZoomArea(g_MainWindow);
  const RECT frame = ZoomFrameRect(area, g_DragStart, POINT{x, y});
  // A short stroke is a tap; so is a frame without height or an area without size, which
  // have no scale to zoom to. Centre there and stay in the zoom-frame mode.
  if ((std::abs(long(x) - g_DragStart.x) <= kZoomFrameSlack &&
       std::abs(long(y) - g_DragStart.y) <= kZoomFrameSlack) ||
      frame.bottom - frame.top < 1 || area.right <= area.left || area.bottom <= area.top) {
    g_MapView.MoveView(x, y, 1);
    InvalidateMainView(1);
    return;
  }
  g_MapView.ZoomToScreenRect(frame.left, frame.top, frame.right, frame.bottom);
  InvalidateMainView(1);
  CheckBarButton(kCmdZoomFrame, 0);
  SetInputModeDirect(input_mode::kNormal);
}

}  // namespace

POINT g_DragStart = {0, 0};
POINT g_DragLast = {0, 0};

namespace {

// The command-bar buttons that go with the mode SetInputMode has just set.
void OnInputModeChanged(uint8_t mode) {
  if (mode != input_mode::kRuler) g_MeasureTool.active = 0;
  switch (mode) {
    case input_mode::kNormal:
      g_GpsBar.pointOnMapButton.SetState(TSoftButton::kUp, true);
      CheckBarButton(kCmdRuler, 0);
      CheckBarButton(kCmdPointOnMap, 0);
      CheckBarButton(kCmdZoomFrame, 0);
      break;
    case input_mode::kZoomFrame:
      g_GpsBar.pointOnMapButton.SetState(TSoftButton::kUp, true);
      CheckBarButton(kCmdRuler, 0);
      CheckBarButton(kCmdPointOnMap, 0);
      break;
    case input_mode::kRulerOff:
      ToggleRulerMode(0);  // ends in kNormal
      CheckBarButton(kCmdZoomFrame, 0);
      break;
    case input_mode::kRuler:
      g_GpsBar.pointOnMapButton.SetState(TSoftButton::kUp, true);
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
  int n = g_MapView.FindObjectsAt(-1, x, y, refs, kMaxPicked, kPickRadius, 0);
  if (n <= 0) return;
  g_SelectionPanel.SetTop(0);
  g_SelectionPanel.Show(1);
  g_SelectionPanel.SetSelection(refs, n);
}

RECT ZoomFrameRect(const RECT& area, POINT start, POINT end) {
  const double width = double(area.right) - area.left, height = double(area.bottom) - area.top;
  const double dx = double(end.x) - start.x, dy = double(end.y) - start.y;
  double ex = end.x, ey = end.y;
  // An area without size has no ratio to keep: the end stays as it is (the pen-up centres).
  if (width > 0 && height > 0) {
    const double ka = height / width, kd = std::fabs(dy / dx);  // dx = 0: kd is infinite
    // A sign of 0 counts as +1, so a purely horizontal or vertical drag still opens a frame of
    // the area's ratio, down and to the right.
    const double s = (dy < 0 ? -1.0 : 1.0) * (dx < 0 ? -1.0 : 1.0);
    if (ka < kd)
      ex = start.x + s * dy / ka;
    else
      ey = start.y + s * dx * ka;
  }
  // Clamped into the pixel range before truncation; a frame beyond it is useless anyway.
  auto pixel = [](double v) { return std::clamp(v, -1.0e9, 1.0e9); };
  const LONG x1 = LONG(pixel(ex)), y1 = LONG(pixel(ey));
  RECT r;
  r.left = std::min(start.x, x1);
  r.right = std::max(start.x, x1);
  r.top = std::min(start.y, y1);
  r.bottom = std::max(start.y, y1);
  return r;
}

void RedrawRubberAfterPaint(HDC dc, const RECT& repainted) {
  if (!g_rubber.shown || !g_MainWindow) return;
  // A shape whose mode has ended since is gone with the repaint under it.
  if (GetInputMode() != g_rubber.mode) {
    g_rubber.shown = false;
    return;
  }
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, repainted.left, repainted.top, repainted.right, repainted.bottom);
  DrawRubberShape(g_MainWindow, dc, g_rubber.mode, g_rubber.end);
  RestoreDC(dc, saved);
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
      // A shape left by a stroke whose pen-up never came is erased before a new one starts.
      EraseRubber(hwnd);
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
      case input_mode::kZoomFrame:
      case input_mode::kGpsOffset:
        MoveRubber(hwnd, GetInputMode(), p);
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
      EraseRubber(hwnd);
      ZoomFramePenUp(x, y);
      break;
    case input_mode::kNavigationPoint:
      SetNavigationPointAt(x, y);
      SetInputModeDirect(input_mode::kNormal);
      break;
    case input_mode::kGpsOffset:
      EraseRubber(hwnd);
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

LRESULT OnMainHotKey(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  const int key = int(wParam);
  if (key == 0) return 0;
  g_AutoActions.ResetIdle();
  // The keys are registered to report their release too: a held key's count ends there.
  if (LOWORD(lParam) & MOD_KEYUP) {
    g_ButtonTable.KeyReleased(key);
    return 0;
  }
  RunButtonAction(hwnd, g_ButtonTable.MapKey(key), key);
  return 0;
}

namespace {

// The Stop&Go actions change the occupation of a receiver log; outside one they would open
// and close occupations of no log in the working map (and cut a recorded track): a beep says
// the key has nothing to do.
bool StopAndGoRefused() {
  if (IsGeodesyLogging()) return false;
  MessageBeep(MB_OK);
  return true;
}

// Actions a key may run while one of the program's windows (a dialog, a box, the project editor,
// the search window) holds its own loop: the view's zoom and follow, the screen lock (made to lie
// over an open dialog) and the exit (which waits for the loop). Every other action opens a window
// or changes the project or a mode under the open one: a second search window over the first, a
// second project editor whose Cancel the first no longer controls.
bool RunsInsideAWindow(int action) {
  switch (action) {
    case button_action::kZoomIn:
    case button_action::kZoomOut:
    case button_action::kToggleGpsFollow:
    case button_action::kExit:
    case button_action::kScreenLock:
      return true;
    default:
      return false;
  }
}

}  // namespace

void RunButtonAction(HWND hwnd, int action, int key) {
  // The screen lock's own loop is no open window: under the lock the keys work as ever.
  if (action > 0 && OpenProgramWindows() > 0 && !RunsInsideAWindow(action)) {
    MessageBeep(MB_OK);  // the key has nothing to do until the window is closed
    return;
  }
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
      g_GpsBar.pointOnMapButton.SetState(TSoftButton::kDown, true);
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
      if (EndScreenLockForExit()) break;  // exits once the lock's loop has returned
      ExitProgram(hwnd);
      break;
    case button_action::kToggleGeodesy:
      ToggleGeodesyMode(hwnd);
      break;
    case button_action::kOccupyStatic:
      if (StopAndGoRefused()) break;
      if (g_GeodesyBar.GetMode() == TGreisReceiver::kStatic) {
        g_GeodesyBar.PressButton(TGeodesyBar::kKinematicButton);
        g_GeodesyBar.StartDynamic();
      } else {
        g_GeodesyBar.PressButton(TGeodesyBar::kStaticButton);
        g_GeodesyBar.StartStatic();
      }
      break;
    case button_action::kOccupyAutoOrStatic:
      if (StopAndGoRefused()) break;
      if (g_GeodesyBar.GetMode() == TGreisReceiver::kDynamic) {
        g_GeodesyBar.PressButton(TGeodesyBar::kStaticButton);
        g_GeodesyBar.StartStatic();
      } else {
        g_GeodesyBar.PressButton(TGeodesyBar::kAutoButton);
        g_GeodesyBar.StartDynamicAuto();
      }
      break;
    case button_action::kOccupyAutoOrDynamic:
      if (StopAndGoRefused()) break;
      if (g_GeodesyBar.GetMode() == TGreisReceiver::kDynamic) {
        g_GeodesyBar.PressButton(TGeodesyBar::kKinematicButton);
        g_GeodesyBar.StartDynamic();
      } else {
        g_GeodesyBar.PressButton(TGeodesyBar::kAutoButton);
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

namespace {
const vplat::FreshStateHook kFresh(6, [] {
  g_rubber = RubberShape{};
  g_DragStart = g_DragLast = POINT{0, 0};
});
}  // namespace
