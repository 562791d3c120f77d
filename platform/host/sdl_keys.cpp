#include "platform/host/sdl_keys.h"

#include <SDL_keycode.h>

#include "platform/win.h"

namespace vplat {
namespace {

// The OEM punctuation codes of a US layout, by the unshifted character SDL names the key with.
UINT PunctuationKey(int32_t k) {
  switch (k) {
    case ';': return 0xBA;
    case '=': return 0xBB;
    case ',': return 0xBC;
    case '-': return 0xBD;
    case '.': return 0xBE;
    case '/': return 0xBF;
    case '`': return 0xC0;
    case '[': return 0xDB;
    case '\\': return 0xDC;
    case ']': return 0xDD;
    case '\'': return 0xDE;
  }
  return 0;
}

struct Modifier {
  UINT vk;
  uint16_t mask;  // both sides' SDL_Keymod bits
  bool HeldModifiers::*flag;
};
constexpr Modifier kModifiers[] = {
    {VK_SHIFT, KMOD_SHIFT, &HeldModifiers::shift},
    {VK_CONTROL, KMOD_CTRL, &HeldModifiers::ctrl},
    {VK_MENU, KMOD_ALT, &HeldModifiers::alt},
};

// The SDL_Keymod bit of one modifier key itself, 0 for other keys.
uint16_t SideBit(int32_t k) {
  switch (k) {
    case SDLK_LSHIFT: return KMOD_LSHIFT;
    case SDLK_RSHIFT: return KMOD_RSHIFT;
    case SDLK_LCTRL: return KMOD_LCTRL;
    case SDLK_RCTRL: return KMOD_RCTRL;
    case SDLK_LALT: return KMOD_LALT;
    case SDLK_RALT: return KMOD_RALT;
  }
  return 0;
}

}  // namespace

UINT VirtualKeyOfSdl(int32_t k) {
  if (k >= SDLK_a && k <= SDLK_z) return UINT('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return UINT('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return UINT(VK_APP1 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return UINT(VK_NUMPAD0 + 1 + (k - SDLK_KP_1));
  if (UINT p = PunctuationKey(k)) return p;
  switch (k) {
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
  }
  return 0;
}

std::vector<KeyStroke> TranslateSdlKey(int32_t keycode, uint16_t sdlMod, bool down, bool repeat,
                                       HeldModifiers* held) {
  std::vector<KeyStroke> out;
  if (repeat || !held) return out;
  const uint16_t side = SideBit(keycode);
  for (const Modifier& m : kModifiers) {
    bool want = (sdlMod & m.mask) != 0;
    if (side & m.mask) {
      // The key itself: this side follows the event; the other side keeps the modifier down.
      want = down || (sdlMod & m.mask & ~side) != 0;
    }
    bool& now = held->*m.flag;
    if (want != now) {
      now = want;
      out.push_back(KeyStroke{m.vk, want});
    }
  }
  if (side) return out;  // the modifier's own stroke, if any, is above
  if (UINT vk = VirtualKeyOfSdl(keycode)) out.push_back(KeyStroke{vk, down});
  return out;
}

std::vector<KeyStroke> ReleaseModifiers(HeldModifiers* held) {
  std::vector<KeyStroke> out;
  if (!held) return out;
  for (const Modifier& m : kModifiers) {
    if (held->*m.flag) {
      held->*m.flag = false;
      out.push_back(KeyStroke{m.vk, false});
    }
  }
  return out;
}

void HostRepeatSplitter::OnServerKey(bool press, uint32_t keycode, uint32_t timeMs) {
  Key& k = keys_[keycode & 0xFF];
  if (!press) {
    k.released = true;
    return;
  }
  havePress_ = true;
  pressKey_ = keycode & 0xFF;
  pressTime_ = timeMs;
  pressAfterRelease_ = k.released;
  k.released = false;
}

bool HostRepeatSplitter::IsNewPress(bool sdlRepeat) {
  if (!havePress_) return !sdlRepeat;
  havePress_ = false;
  Key& k = keys_[pressKey_];
  // Unsigned: the server's time wraps.
  const bool fresh =
      !sdlRepeat || (pressAfterRelease_ && pressTime_ - k.pressedAt < kShortestRepeatDelayMs);
  if (fresh) k.pressedAt = pressTime_;
  return fresh;
}

std::wstring CharsOfUtf8(const char* text) {
  std::wstring out;
  if (!text) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (*s) {
    unsigned char lead = *s++;
    int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2
                : lead >= 0xC2 && lead < 0xE0 ? 1 : lead < 0x80 ? 0 : -1;
    if (extra < 0) {
      out.push_back(L'\xFFFD');
      continue;
    }
    uint32_t cp = extra == 3 ? lead & 0x07u : extra == 2 ? lead & 0x0Fu : extra == 1 ? lead & 0x1Fu : lead;
    int i = 0;
    for (; i < extra && (*s & 0xC0) == 0x80; ++i) cp = (cp << 6) | (*s++ & 0x3Fu);
    out.push_back(i == extra ? wchar_t(cp) : L'\xFFFD');
  }
  return out;
}

}  // namespace vplat
