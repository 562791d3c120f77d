// The attribute form of a new or selected object.
#pragma once

#include "platform/win.h"
#include "view/highlight.h"

// Non-zero when the user confirmed the form. The form is not built yet, so it never opens and
// answers 0.
int ShowObjectForm(HWND owner, HINSTANCE instance, const TObjectRef& object, int mode, int flags);
