// What the command bar and the shell's own windows (task bar, input panel, its button) share.
#pragma once

#include "platform/win.h"

namespace vplat::ui {

// The bars made by SHCreateMenuBar, by the window each serves (for SHFindMenuBar).
void AddMenuBar(HWND bar, HWND owner);
void RemoveMenuBar(HWND bar);
// Shows or hides the input-panel button, making the shell's windows first when needed.
void ShowSipButton(bool show);
// Registers the classes of the command bar and of the shell's windows.
void RegisterMenuBarClass();

}  // namespace vplat::ui
