// Stylus input modes, keys and hot keys of the main window. The mode is one program-wide byte
// (1 to 16) that the view, the GPS, editing and search code set; what a tap on the map does
// depends on it.
//
//   1 normal: a tap centres the view, a tap-and-hold selects the objects under the stylus
//   2 zoom frame          4 ruler              5 navigation point on the map
//  10 GPS offset drag    11 route by two taps  12 tools panel
//  13 vertex-editing bar 14 selected-objects panel
//  15 almanac base point 16 move the edited point
//
// Modes 12 to 14 belong to an editing panel: while one of them is on, only mode 1 may replace it.
#pragma once

#include <cstdint>

#include "platform/win.h"

uint8_t GetInputMode();
// Sets the mode with the command-bar button updates that go with it. `flag` is always 0.
void SetInputMode(uint8_t mode, int flag = 0);
// Sets the mode without any button update or rule, as a mode that ends by itself returns to 1.
void SetInputModeDirect(uint8_t mode);

LRESULT OnMainPenDown(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPenMove(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPenUp(HWND hwnd, WPARAM wParam, LPARAM lParam);
// The arrow keys move the view by half its width or height; other keys do nothing.
LRESULT OnMainKeyDown(HWND hwnd, WPARAM wParam, LPARAM lParam);
// A hardware key: its action from the button table runs.
LRESULT OnMainHotKey(HWND hwnd, WPARAM wParam, LPARAM lParam);

// Runs one action of the button table (0 to 16) for hardware key `key`; -1 and 0 do nothing.
void RunButtonAction(HWND hwnd, int action, int key);

// Stops following the GPS and makes the screen point the view centre; full redraw.
void CenterViewAt(int x, int y);
// Picks up to 50 objects within 10 pixels of the point and shows them in the selected-objects
// panel; the panel stays hidden when nothing is there.
void SelectObjectsAt(int x, int y);
// The zoom frame from `start` to `end` with the aspect ratio of `area`, normalised.
RECT ZoomFrameRect(const RECT& area, POINT start, POINT end);
// The window the screen lock covers: the tools panel, the geodesy bar or the GPS bar when shown,
// else the main window.
HWND GetLockTargetWindow();

// The drag of the current pen stroke, screen pixels.
extern POINT g_DragStart;
extern POINT g_DragLast;
// The hardware key that last asked for a GPS point.
extern int g_PointKey;
