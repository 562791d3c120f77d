// The SDL2 presenter: a host window showing the screen surface scaled, the mouse as the stylus,
// the keyboard as the device's keys (every key with its virtual-key code, modifiers included,
// typed text as characters; platform/host/sdl_keys.h) and F1..F12 as its hardware buttons (keys
// 0xC1..0xCC). Its close button closes the program as the program's exit does; the program's
// minimise iconifies it.
#pragma once

#include "platform/core/internal.h"

namespace vplat {
// A presenter in a window `scale` times the screen size; null when SDL2 is not built in or no
// display can be opened. The caller owns it and installs it with SetPresenter.
Presenter* MakeSdlPresenter(int scale = 2);
}  // namespace vplat
