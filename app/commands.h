// Commands of the menu bar and the accelerators.
#pragma once

#include "platform/win.h"

// The exit command.
inline constexpr UINT kCmdExit = 40005;

// WM_COMMAND of the main window. Exit sends WM_ACTIVATE (inactive) and then WM_CLOSE to the
// main window, whose default handling destroys it and so shuts the program down. Every other
// command goes to the default window procedure.
LRESULT OnMainCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
