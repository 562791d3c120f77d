// The main window: the one top-level window of the program, a full-screen map surface with the
// command bar at the bottom and the panels over its edges. Its procedure is a table of fifteen
// (message, handler) pairs; anything else goes to the default window procedure.
#pragma once

#include <cstdint>

#include "platform/win.h"

// The program's message sent by the working-map editing code when a point (wParam 14) or an
// object (16) would lie outside the working map.
inline constexpr UINT WM_BOUNDS_ERROR = WM_USER + 666;
inline constexpr int kCommandBarHeight = 26;  // pixels
inline constexpr UINT kScaleMenuCommand = 40009;
inline constexpr UINT kMapsMenuCommand = 40211;
inline constexpr UINT kFirstScaleCommand = 41101;  // 1:100; 41121 is 1:10 000 000

struct TMessageEntry {
  UINT message;
  LRESULT (*handler)(HWND, WPARAM, LPARAM);
};
// The table in search order, and its length (15).
const TMessageEntry* GetMainMessageTable(int* count);

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT OnMainCreate(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPaint(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainHibernate(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainActivate(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainNotify(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainInitMenuPopup(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainCancelMode(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainBoundsError(HWND hwnd, WPARAM wParam, LPARAM lParam);

// The command bar from menu-bar resource 102; its window, or null.
HWND CreateMainMenuBar(HWND mainWindow);
// Labels the command bar's menu in the current language (its resource texts where the language
// has none).
void TranslateMainMenu();
// Invalidates the whole main window; non-zero also asks for a full redraw of the maps and an
// erased background.
void InvalidateMainView(int full);
// 1 when the window already was in the asked state, else 0.
int SetFullScreen(HWND hwnd, int on);
void ShowSipButton(int show);
// Hides the task bar, moves the dialog over the main window and returns that rectangle.
void FitDialogToMainWindow(RECT* out, HWND dialog);
// Radio-checks 40207 (both), 40208 (vector only) or 40209 (raster only) in the maps menu.
void UpdateRasterModeMenu();
void CheckMainMenuItem(UINT submenuCommand, UINT itemCommand, int checked);
int IsMainMenuItemChecked(UINT submenuCommand, UINT itemCommand);
// Radio-checks the scale's item in the scale menu; a scale outside the table checks none.
void CheckScaleMenuItem(int32_t scale);
// The scale menu command of the table step nearest to `scale`.
UINT ScaleMenuCommand(int32_t scale);

// Window state of this part.
extern HWND g_MainWindow;
extern HWND g_MenuBar;
extern int g_FullScreen;
extern int g_SipWasShown;
extern int g_FullRedraw;
extern int32_t g_LastNominalScale;  // the scale the vector maps last chose their nominal scale for
extern int g_BoundsBoxUp;           // an out-of-bound box is up
