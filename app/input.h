// Stylus input, keys and hot keys of the main window. The input mode itself is state of
// base/input_mode.h, which every subsystem may set; this side runs the pen strokes of each mode
// and keeps the command-bar buttons in step with it.
#pragma once

#include <cstdint>

#include "base/input_mode.h"
#include "platform/win.h"


LRESULT OnMainPenDown(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPenMove(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPenUp(HWND hwnd, WPARAM wParam, LPARAM lParam);
// The arrow keys move the view by half its width or height; other keys do nothing.
LRESULT OnMainKeyDown(HWND hwnd, WPARAM wParam, LPARAM lParam);
// A hardware key: its action from the button table runs.
LRESULT OnMainHotKey(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The actions of the hardware-button table.
namespace button_action {
constexpr int kNone = 0;  // and -1
constexpr int kZoomIn = 1;
constexpr int kZoomOut = 2;
constexpr int kToggleGpsFollow = 3;
constexpr int kToggleTrackLog = 4;  // the setting "NaviSaveLog"
constexpr int kGpsPoint = 5;         // a GPS point, named for the key that asked
constexpr int kPointOnMap = 6;       // the navigation point by a tap on the map
constexpr int kToggleNavigation = 7;
constexpr int kSearchAddress = 8;
constexpr int kSearchObject = 9;
constexpr int kCloseSearchBars = 10;
constexpr int kExit = 11;
constexpr int kToggleGeodesy = 12;
// Occupations of the geodesy bar: each starts one, or another while one is running.
constexpr int kOccupyStatic = 13;        // static; while static runs, dynamic
constexpr int kOccupyAutoOrStatic = 14;  // dynamic auto; while dynamic runs, static
constexpr int kOccupyAutoOrDynamic = 15; // dynamic auto; while dynamic runs, dynamic
constexpr int kScreenLock = 16;
}  // namespace button_action

// Runs one action of the button table (0 to 16) for hardware key `key`; -1 and 0 do nothing.
void RunButtonAction(HWND hwnd, int action, int key);

// Stops following the GPS and makes the screen point the view centre; full redraw.
void CenterViewAt(int x, int y);
// Picks up to 50 objects within 10 pixels of the point and shows them in the selected-objects
// panel; the panel stays hidden when nothing is there.
void SelectObjectsAt(int x, int y);
// The zoom frame from `start` to `end` with the aspect ratio of `area`, normalised.
RECT ZoomFrameRect(const RECT& area, POINT start, POINT end);
// After a paint during a drag (a GPS tick): draws the rubber frame or line again inside the
// repainted rectangle, so the shape on screen stays whole and the next move still erases it.
void RedrawRubberAfterPaint(HDC dc, const RECT& repainted);
// The window the screen lock covers: the tools panel, the geodesy bar or the GPS bar when shown,
// else the main window.
HWND GetLockTargetWindow();

// The drag of the current pen stroke, screen pixels.
extern POINT g_DragStart;
extern POINT g_DragLast;
// The hardware key that last asked for a GPS point.
extern int g_PointKey;
