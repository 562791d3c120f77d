// Services the main window's commands and input call in parts of the program that are not built
// yet. Each does nothing visible and answers its failure value, so a caller takes the path it
// takes when the user cancels or nothing is found.
#pragma once

#include <cstddef>

#include "platform/win.h"
#include "view/highlight.h"

// The action of a hardware key from the button table; -1: no action (no table yet).
int LookupButtonAction(int key);
// Screen lock over `target` on or off; 0: not locked (no lock yet).
int ToggleScreenLock(HWND target);
// Objects under the screen point within `radius` pixels, at most `max`; 0 found (no picking yet).
int PickObjectsAt(int x, int y, int radius, TObjectRef* out, int max);
// The file browser in open mode; 0: cancelled (no browser yet), `path` untouched; -1: the
// chosen path does not fit `size` (nothing written).
int BrowseForOpenFile(HWND owner, const wchar_t* filter, const char* startFolder, char* path,
                      size_t size);
// The project-maps dialog; 0: closed without a change (no dialog yet).
int RunProjectMapsDialog(HWND owner);
// The raster-map library's viewer at a plane position; 0: not shown (no binding yet).
int ShowRasterLibraryView(double x, double y);
