// Services the main window's commands and input call in parts of the program that are not built
// yet. Each does nothing visible and answers its failure value, so a caller takes the path it
// takes when the user cancels or nothing is found.
#pragma once

#include <cstddef>

#include "platform/win.h"
#include "view/highlight.h"

// The project-maps dialog; 0: closed without a change (no dialog yet).
int RunProjectMapsDialog(HWND owner);
