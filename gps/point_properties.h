// The properties dialog of a GPS point object (dialog 122).
#pragma once

#include "platform/win.h"
#include "view/highlight.h"

// Non-zero on OK, with the distance filled. 0: cancelled; the dialog is not built yet, so it
// answers 0 and leaves the distance alone.
int ShowPointPropertiesDialog(const TObjectRef& object, int vectorMode, double* distance);
