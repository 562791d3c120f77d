// What the SDL presenter makes of the host keyboard, as pure functions (no SDL state), so the
// table can be tested without a display.
//
// Every key that has a virtual-key code goes to the device as WM_KEYDOWN/WM_KEYUP: letters as
// 'A'..'Z', digits as '0'..'9', the editing and arrow keys, the keypad, punctuation as the OEM
// codes, and Shift, Ctrl and Alt as VK_SHIFT, VK_CONTROL and VK_MENU so that the layer's key
// state (and with it accelerators such as Ctrl+Q) sees them. F1..F12 stand for the handheld's
// hardware buttons 0xC1..0xCC. Typed text arrives separately as characters (WM_CHAR).
//
// The host's own auto-repeat is dropped: the layer repeats a held hardware button itself (500 ms,
// then every 100 ms), and a second source of repeats would double them and spoil the long-press
// timing of the button table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vplat {

struct KeyStroke {
  UINT vk;
  bool down;
  bool operator==(const KeyStroke&) const = default;
};

// The modifiers the device has been told are down.
struct HeldModifiers {
  bool shift = false, ctrl = false, alt = false;
};

// The virtual key of an SDL key code (SDL_Keycode's value), 0 for a key the device has no code for.
UINT VirtualKeyOfSdl(int32_t keycode);

// One SDL key event (key code, SDL_Keymod bits after the event, press or release, SDL's repeat
// flag) as the key events the device gets, in order. The device's modifiers are first brought
// in line with `sdlMod` (a modifier released while the window had no focus is released here),
// then the key itself follows. A host repeat gives nothing.
std::vector<KeyStroke> TranslateSdlKey(int32_t keycode, uint16_t sdlMod, bool down, bool repeat,
                                       HeldModifiers* held);

// Releases every modifier the device holds (the host window lost the keyboard).
std::vector<KeyStroke> ReleaseModifiers(HeldModifiers* held);

// The characters of SDL's UTF-8 text; a malformed byte becomes U+FFFD.
std::wstring CharsOfUtf8(const char* text);

}  // namespace vplat
