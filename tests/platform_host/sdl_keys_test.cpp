// The SDL presenter's key table: host keys with modifiers to device key strokes, text to
// characters, host repeats dropped.
#if __has_include(<SDL2/SDL_keycode.h>)
#include <SDL2/SDL_keycode.h>

#include <gtest/gtest.h>

#include "platform/host/sdl_keys.h"
#include "platform/win.h"

namespace {

using vplat::HeldModifiers;
using vplat::KeyStroke;
using vplat::TranslateSdlKey;
using Strokes = std::vector<KeyStroke>;

TEST(SdlKeys, EveryKindOfKeyHasItsVirtualKey) {
  struct Row {
    int32_t sdl;
    UINT vk;
  } rows[] = {
      {SDLK_a, 'A'}, {SDLK_q, 'Q'}, {SDLK_z, 'Z'}, {SDLK_0, '0'}, {SDLK_9, '9'},
      {SDLK_SPACE, 0x20}, {SDLK_RETURN, 0x0D}, {SDLK_KP_ENTER, 0x0D}, {SDLK_ESCAPE, 0x1B},
      {SDLK_BACKSPACE, 0x08}, {SDLK_TAB, 0x09}, {SDLK_DELETE, 0x2E}, {SDLK_INSERT, 0x2D},
      {SDLK_HOME, 0x24}, {SDLK_END, 0x23}, {SDLK_PAGEUP, 0x21}, {SDLK_PAGEDOWN, 0x22},
      {SDLK_LEFT, 0x25}, {SDLK_UP, 0x26}, {SDLK_RIGHT, 0x27}, {SDLK_DOWN, 0x28},
      {SDLK_LSHIFT, 0x10}, {SDLK_RSHIFT, 0x10}, {SDLK_LCTRL, 0x11}, {SDLK_RCTRL, 0x11},
      {SDLK_LALT, 0x12}, {SDLK_RALT, 0x12},
      {SDLK_KP_0, 0x60}, {SDLK_KP_1, 0x61}, {SDLK_KP_9, 0x69}, {SDLK_KP_MULTIPLY, 0x6A},
      {SDLK_KP_PLUS, 0x6B}, {SDLK_KP_MINUS, 0x6D}, {SDLK_KP_PERIOD, 0x6E}, {SDLK_KP_DIVIDE, 0x6F},
      {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB}, {SDLK_COMMA, 0xBC}, {SDLK_MINUS, 0xBD},
      {SDLK_PERIOD, 0xBE}, {SDLK_SLASH, 0xBF}, {SDLK_BACKQUOTE, 0xC0}, {SDLK_LEFTBRACKET, 0xDB},
      {SDLK_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
      // F1..F12 are the handheld's hardware buttons.
      {SDLK_F1, 0xC1}, {SDLK_F5, 0xC5}, {SDLK_F12, 0xCC},
      // Keys the device has no code for.
      {SDLK_CAPSLOCK, 0}, {SDLK_PRINTSCREEN, 0}, {SDLK_F13, 0}, {SDLK_UNKNOWN, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(vplat::VirtualKeyOfSdl(r.sdl), r.vk) << "SDL key " << r.sdl;
}

TEST(SdlKeys, CtrlQReachesTheDeviceAsControlThenQ) {
  HeldModifiers held;
  EXPECT_EQ(TranslateSdlKey(SDLK_LCTRL, KMOD_LCTRL, true, false, &held), (Strokes{{0x11, true}}));
  EXPECT_EQ(TranslateSdlKey(SDLK_q, KMOD_LCTRL, true, false, &held), (Strokes{{'Q', true}}));
  EXPECT_EQ(TranslateSdlKey(SDLK_q, KMOD_LCTRL, false, false, &held), (Strokes{{'Q', false}}));
  EXPECT_EQ(TranslateSdlKey(SDLK_LCTRL, KMOD_NONE, false, false, &held), (Strokes{{0x11, false}}));
  EXPECT_FALSE(held.ctrl);
}

TEST(SdlKeys, ModifierStateIsSyncedFromTheEventsModBits) {
  HeldModifiers held;
  // Shift went down while another window had the keyboard: it is pressed before the letter.
  EXPECT_EQ(TranslateSdlKey(SDLK_a, KMOD_RSHIFT, true, false, &held),
            (Strokes{{0x10, true}, {'A', true}}));
  // Released elsewhere: the release comes before the next key.
  EXPECT_EQ(TranslateSdlKey(SDLK_b, KMOD_NONE, true, false, &held),
            (Strokes{{0x10, false}, {'B', true}}));
  // Ctrl and Alt together, on a key the device has no code for: only the modifiers move.
  EXPECT_EQ(TranslateSdlKey(SDLK_CAPSLOCK, KMOD_LCTRL | KMOD_RALT, true, false, &held),
            (Strokes{{0x11, true}, {0x12, true}}));
  EXPECT_EQ(vplat::ReleaseModifiers(&held), (Strokes{{0x11, false}, {0x12, false}}));
  EXPECT_EQ(vplat::ReleaseModifiers(&held), Strokes{});
}

TEST(SdlKeys, OneSideReleasedWhileTheOtherIsHeldKeepsTheModifierDown) {
  HeldModifiers held;
  EXPECT_EQ(TranslateSdlKey(SDLK_LCTRL, KMOD_LCTRL, true, false, &held), (Strokes{{0x11, true}}));
  EXPECT_EQ(TranslateSdlKey(SDLK_RCTRL, KMOD_CTRL, true, false, &held), Strokes{});
  EXPECT_EQ(TranslateSdlKey(SDLK_LCTRL, KMOD_RCTRL, false, false, &held), Strokes{});
  EXPECT_TRUE(held.ctrl);
  EXPECT_EQ(TranslateSdlKey(SDLK_RCTRL, KMOD_NONE, false, false, &held), (Strokes{{0x11, false}}));
  // Whether SDL has already cleared the side's bit in the event or not, a release releases.
  EXPECT_EQ(TranslateSdlKey(SDLK_LSHIFT, KMOD_LSHIFT, true, false, &held), (Strokes{{0x10, true}}));
  EXPECT_EQ(TranslateSdlKey(SDLK_LSHIFT, KMOD_LSHIFT, false, false, &held), (Strokes{{0x10, false}}));
}

TEST(SdlKeys, HostRepeatsAreDropped) {
  HeldModifiers held;
  EXPECT_EQ(TranslateSdlKey(SDLK_F1, KMOD_NONE, true, false, &held), (Strokes{{0xC1, true}}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(TranslateSdlKey(SDLK_F1, KMOD_NONE, true, true, &held), Strokes{});
  EXPECT_EQ(TranslateSdlKey(SDLK_F1, KMOD_NONE, false, false, &held), (Strokes{{0xC1, false}}));
  // A repeat changes no modifier either.
  EXPECT_EQ(TranslateSdlKey(SDLK_DOWN, KMOD_LCTRL, true, true, &held), Strokes{});
  EXPECT_FALSE(held.ctrl);
}

// What SDL reports as repeats, told apart by the server's raw events: presses sent at one server
// time with releases between them are presses; the server's own repeats (presses alone, or on a
// server without detectable auto-repeat release and press pairs after the delay) are not.
TEST(SdlKeys, ReleasedAndPressedAtOnceIsAPressTheServersRepeatIsNot) {
  vplat::HostRepeatSplitter s;
  s.OnServerKey(true, 116, 1000);
  EXPECT_TRUE(s.IsNewPress(false));
  for (int i = 0; i < 3; ++i) {
    s.OnServerKey(false, 116, 1000);
    s.OnServerKey(true, 116, 1000);
    EXPECT_TRUE(s.IsNewPress(true)) << i;
  }
  s.OnServerKey(false, 116, 1000);
  // Held: the server repeats presses without releases.
  s.OnServerKey(true, 116, 5000);
  EXPECT_TRUE(s.IsNewPress(false));
  for (uint32_t t : {5660u, 5700u, 5740u}) {
    s.OnServerKey(true, 116, t);
    EXPECT_FALSE(s.IsNewPress(true)) << t;
  }
  s.OnServerKey(false, 116, 5760);
  // A server without detectable auto-repeat: a release and a press at one time, after the delay.
  s.OnServerKey(true, 111, 0xFFFFFF00u);  // the server's time wraps meanwhile
  EXPECT_TRUE(s.IsNewPress(false));
  for (uint32_t t : {0xFFFFFF00u + 660u, 0xFFFFFF00u + 700u}) {
    s.OnServerKey(false, 111, t);
    s.OnServerKey(true, 111, t);
    EXPECT_FALSE(s.IsNewPress(true)) << t;
  }
  // Without raw events (another video driver) SDL's flag stands.
  vplat::HostRepeatSplitter bare;
  EXPECT_TRUE(bare.IsNewPress(false));
  EXPECT_FALSE(bare.IsNewPress(true));
}

TEST(SdlKeys, TextBecomesCharacters) {
  EXPECT_EQ(vplat::CharsOfUtf8("q"), L"q");
  EXPECT_EQ(vplat::CharsOfUtf8("Q1 ,"), L"Q1 ,");
  EXPECT_EQ(vplat::CharsOfUtf8("\xD0\x96\xD0\xB0"), L"\u0416\u0430");  // Cyrillic Zhe, a
  EXPECT_EQ(vplat::CharsOfUtf8("\xE2\x82\xAC"), L"\u20AC");             // euro sign
  EXPECT_EQ(vplat::CharsOfUtf8("\xF0\x9F\x98\x80"), std::wstring(1, wchar_t(0x1F600)));
  EXPECT_EQ(vplat::CharsOfUtf8(""), L"");
  EXPECT_EQ(vplat::CharsOfUtf8(nullptr), L"");
  // Broken input never reads past the end and never yields a control character.
  EXPECT_EQ(vplat::CharsOfUtf8("\xD0"), L"\uFFFD");
  EXPECT_EQ(vplat::CharsOfUtf8("a\x80z"), L"a\uFFFDz");
  EXPECT_EQ(vplat::CharsOfUtf8("\xE2\x82z"), L"\uFFFDz");
  EXPECT_EQ(vplat::CharsOfUtf8("\xFF"), L"\uFFFD");
}

}  // namespace
#endif
