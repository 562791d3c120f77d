// The one header that application code includes: the device layer's API, in the names and with
// the constant values of the handheld's platform. Each folder of the layer declares its own part.
#pragma once

#include "platform/win_types.h"
#include "platform/core/wincore.h"
#include "platform/sys/winsys.h"
#include "platform/gdi/wingdi.h"
#include "platform/ui/winui.h"
