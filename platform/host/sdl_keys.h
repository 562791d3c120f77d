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
// timing of the button table. Presses that only look like repeats to SDL are kept
// (HostRepeatSplitter).
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

// SDL takes a key released and pressed again within 2 ms of X server time for the server's own
// auto-repeat: it drops the release and flags the press a repeat, so a press that came that fast
// (keys sent by a program: a test's, a macro's) would be lost with the host's repeats. The
// server's auto-repeat, as SDL asks for it, sends presses with no release between them, and on
// a server that cannot do so its pairs never come sooner than the repeat delay after the press.
// Fed the server's raw key events, this tells the two apart for each key-down SDL reports.
class HostRepeatSplitter {
 public:
  // A key's auto-repeat starts no sooner than this after its press on any usual setting (ms).
  static constexpr uint32_t kShortestRepeatDelayMs = 200;

  // One raw key event of the X server: its key code and time (ms, wrapping at 2^32).
  void OnServerKey(bool press, uint32_t keycode, uint32_t timeMs);
  // SDL's key-down that followed the last raw press, with SDL's repeat flag: true when it is a
  // press of its own, false for the host's auto-repeat. Without raw events (another SDL video
  // driver), SDL's flag stands.
  bool IsNewPress(bool sdlRepeat);

 private:
  struct Key {
    bool released = true;     // a raw release came after its last raw press
    uint32_t pressedAt = 0;   // server time of the last press taken as a press
  };
  Key keys_[256];
  bool havePress_ = false;     // a raw press waits for SDL's key-down
  uint32_t pressKey_ = 0, pressTime_ = 0;
  bool pressAfterRelease_ = false;
};

// The characters of SDL's UTF-8 text; a malformed byte becomes U+FFFD.
std::wstring CharsOfUtf8(const char* text);

}  // namespace vplat
