// Thin wrappers over the platform that every subsystem uses: the wait cursor, lines, dialog
// items, the tap-and-hold gesture, the soft input panel, popup menus, the hardware keys,
// file-type icons and file versions.
#pragma once

#include <cstddef>

#include "platform/win_types.h"

// On: the platform's wait cursor; off: the arrow.
void SetWaitCursor(int on);
// A two-point polyline with the selected pen.
void DrawLine(HDC dc, int x1, int y1, int x2, int y2);
void EnableDlgItem(HWND dialog, int id, BOOL enable);
// True when a pen-down at (x, y) in hwnd's client area becomes a tap-and-hold (the shell's
// context-menu gesture), false for a plain tap. A non-zero longDelay waits the shell's long
// delay. The delays are the shell's.
bool IsTapAndHold(HWND hwnd, int x, int y, int longDelay = 0);
// Raises (up non-zero) or lowers the soft input panel for the window, with the input-panel
// button of the full-screen shell. A call with the same window and state as the last one does
// nothing.
void SetSipState(HWND hwnd, int up);
// For an edit box's notifications: focus gained raises the panel for the item, focus lost
// lowers it; others do nothing.
void SipCommand(HWND dialog, int id, UINT notification);
// Loads menu resource `menuId`, tracks its first submenu at (x, y) for hwnd and destroys it.
// False, doing nothing, when the resource is missing.
bool PopupMenu(HINSTANCE instance, HWND hwnd, int menuId, int x, int y);
// Takes the hardware keys 0xC1 to 0xCF from the shell and registers them as hot keys of hwnd
// (Windows-key modifier, the key code as id), so their presses arrive as WM_HOTKEY. With
// MOD_KEYUP in `extraModifiers` each release arrives too, MOD_KEYUP in its lParam's low word.
// Does nothing when called again for the window it last grabbed for; registers nothing when the
// shell's release function is missing. Returns the number of keys registered by this call.
int GrabHardwareKeys(HWND hwnd, UINT extraModifiers = 0);
// The icon of a file type ("path,index" under the type's DefaultIcon key): 1 with the path and
// index, 0 when a key, a value or the comma is missing.
int GetFileTypeIcon(const wchar_t* extension, wchar_t* iconPath, int* iconIndex, size_t pathSize = 256);
// The file's fixed version as "major.minor.build.revision"; 1 on success, 0 when the file has
// no version resource or memory runs out.
int GetFileVersionString(const wchar_t* path, wchar_t* out, size_t outSize = 256);
