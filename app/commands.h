// Commands of the menu bar, the command-bar buttons, the accelerators and the search bars: what
// each identifier does to the view, the panels and the input mode, which settings it writes and
// which redraw follows.
#pragma once

#include <cstdint>

#include "platform/win.h"

inline constexpr UINT kCmdExit = 40005;
inline constexpr UINT kCmdZoomIn = 40010;
inline constexpr UINT kCmdZoomOut = 40011;
inline constexpr UINT kCmdZoomFrame = 40016;  // command-bar check button
inline constexpr UINT kCmdAbout = 40031;
inline constexpr UINT kCmdRuler = 40033;  // command-bar check button
inline constexpr UINT kCmdNavigation = 40044;
inline constexpr UINT kCmdSettings = 40048;
inline constexpr UINT kCmdCloseSearchBars = 40103;
inline constexpr UINT kCmdSearchMenu = 40110;
inline constexpr UINT kCmdRouteDialog = 40111;
inline constexpr UINT kCmdClearRoute = 40147;
inline constexpr UINT kCmdRouteByTaps = 40149;
inline constexpr UINT kCmdRoadGraph = 40151;
inline constexpr UINT kCmdPointOnMap = 40163;  // no button of ours carries it
inline constexpr UINT kCmdToolsPanel = 40175;
inline constexpr UINT kCmdProjectEditor = 40179;
inline constexpr UINT kCmdPicture = 40180;
inline constexpr UINT kCmdMinimize = 40181;
inline constexpr UINT kCmdReceiverFiles = 40182;
inline constexpr UINT kCmdGeodesy = 40187;
inline constexpr UINT kCmdAlmanacBar = 40190;
inline constexpr UINT kCmdBothMaps = 40207;
inline constexpr UINT kCmdVectorMaps = 40208;
inline constexpr UINT kCmdRasterMaps = 40209;
inline constexpr UINT kCmdScaleAll = 40214;
inline constexpr UINT kCmdSearchAddress = 40216;
inline constexpr UINT kCmdSearchObject = 40217;
inline constexpr UINT kCmdMarking = 41021;
inline constexpr UINT kCmdFill = 41023;
inline constexpr UINT kCmdGrid = 41024;
inline constexpr UINT kCmdScaleFirst = 41101;  // 1:100
inline constexpr UINT kCmdScaleLast = 41121;   // 1:10 000 000

// WM_COMMAND of the main window: resets the idle clock, then acts on the low word of wParam. A
// known command answers 0; any other goes to the default window procedure.
LRESULT OnMainCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The scale denominator of a scale command, 0 for any other identifier.
int32_t ScaleOfCommand(UINT command);
// 40207 both, 40208 vector only, 40209 raster only; a full redraw when a shown flag changed.
void SetRasterMode(UINT command);
// A scale denominator, or 0 to fit all maps; always a full redraw.
void SetScaleCommand(int32_t scale);
// Ruler on (input mode 4) or off (mode 1 and a partial redraw); sets button 40033's check.
void ToggleRulerMode(int on);
void ToggleToolsPanel();
// Lets the user pick a road graph (*.mvw) and binds the route to it; a cancel changes nothing.
void OpenRoadGraph();
void RunAboutDialog();
// The project editor, by command 40179 or by any other path that needs it (a working map chosen
// at the navigation start): the panels that hold map indexes are hidden first, and the project
// the user leaves it with is saved as the last one.
void RunProjectEditor(HWND owner);
// Ends the program as command 40005 does (WM_ACTIVATE inactive, then WM_CLOSE); asked inside a
// dialog or box, once control is back in the main loop.
void ExitProgram(HWND hwnd);

// The check state of a command-bar button.
int IsBarButtonChecked(UINT command);
void CheckBarButton(UINT command, int checked);
