// Input: injected pen, keys and characters, routed to windows when the queue reaches them;
// key state; hot keys with their auto-repeat; accelerator tables.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <set>

#include "platform/core/internal_input.h"
#include "platform/core/state.h"
#include "platform/fresh_state.h"

// Resources come from the system folder. Weak, so that the core links on its own.
extern "C" {
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) __attribute__((weak));
HGLOBAL LoadResource(HMODULE module, HRSRC resource) __attribute__((weak));
LPVOID LockResource(HGLOBAL data) __attribute__((weak));
DWORD SizeofResource(HMODULE module, HRSRC resource) __attribute__((weak));
}

namespace vplat::core {

namespace {

constexpr uint64_t kDoubleClickMs = 500;
constexpr int kDoubleClickPx = 4;
constexpr uint64_t kRepeatDelayMs = 500;  // first WM_HOTKEY repeat of a held key
constexpr UINT kRepeatPeriodMs = 100;     // then one every 100 ms
constexpr UINT kAnyModifier = MOD_ALT | MOD_CONTROL | MOD_SHIFT;

struct HotKey {
  HWND hwnd;
  int id;
  UINT mods;
  UINT vk;
};

struct InputState {
  std::array<bool, 256> down{};
  std::array<bool, 256> toggled{};
  std::array<bool, 256> pressedInMenu{};  // went down while a popup menu took the keys
  bool penDown = false;
  HWND lastDownHwnd = nullptr;
  uint64_t lastDownTime = 0;
  POINT lastDownPt{};
  std::vector<HotKey> hotKeys;  // newest last; the newest match wins
  std::map<UINT, UINT_PTR> repeating;  // held hot key -> repeat timer
  std::set<HACCEL> tables;
};

InputState& S() {
  static InputState* s = new InputState;
  return *s;
}

UINT CurrentModifiers() {
  const auto& d = S().down;
  UINT m = 0;
  if (d[VK_MENU] || d[VK_LMENU] || d[VK_RMENU]) m |= MOD_ALT;
  if (d[VK_CONTROL] || d[VK_LCONTROL] || d[VK_RCONTROL]) m |= MOD_CONTROL;
  if (d[VK_SHIFT] || d[VK_LSHIFT] || d[VK_RSHIFT]) m |= MOD_SHIFT;
  return m;
}

// The registration a key press goes to. The Windows modifier is not compared: the handheld
// sends its hardware buttons with it implied.
const HotKey* MatchHotKey(UINT vk) {
  auto& v = S().hotKeys;
  UINT mods = CurrentModifiers();
  for (auto it = v.rbegin(); it != v.rend(); ++it)
    if (it->vk == vk && (it->mods & kAnyModifier) == mods) return &*it;
  return nullptr;
}

void PostHotKey(const HotKey& hk, bool up) {
  UINT mods = hk.mods & ~MOD_KEYUP;
  if (up) mods |= MOD_KEYUP;
  PostMessageW(hk.hwnd, WM_HOTKEY, (WPARAM)hk.id, MAKELPARAM(mods, hk.vk));
}

void StopRepeat(UINT vk) {
  auto& r = S().repeating;
  auto it = r.find(vk);
  if (it == r.end()) return;
  KillInternalTimer(it->second);
  r.erase(it);
}

void StartRepeat(UINT vk) {
  StopRepeat(vk);
  S().repeating[vk] = SetInternalTimer(kRepeatDelayMs, kRepeatPeriodMs, [vk] {
    if (const HotKey* hk = MatchHotKey(vk)) PostHotKey(*hk, false);
    else StopRepeat(vk);
  });
}

Window* KeyTarget() {
  Core& c = C();
  if (c.menuKeys) return c.menuKeys;
  if (c.focus) return c.focus;
  return c.active;
}

void Push(const RawInput& in) {
  Core& c = C();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    c.input.push_back(in);
  }
  c.wake.notify_all();
}

bool RoutePen(const RawInput& in, MSG* msg, bool commit) {
  Core& c = C();
  InputState& s = S();
  POINT pt{in.x, in.y};
  Window* target = c.capture ? c.capture : HitTest(pt);
  WPARAM wp = in.pen == PenEvent::Down || (in.pen == PenEvent::Move && s.penDown) ? MK_LBUTTON : 0;
  if (commit) {
    c.penPos = pt;
    if (in.pen != PenEvent::Move) s.penDown = in.pen == PenEvent::Down;
    s.down[VK_LBUTTON] = s.penDown;
  }
  if (!target) return false;
  UINT message = WM_MOUSEMOVE;
  if (in.pen == PenEvent::Up) message = WM_LBUTTONUP;
  if (in.pen == PenEvent::Down) {
    message = WM_LBUTTONDOWN;
    bool dbl = target->cls && (target->cls->wc.style & CS_DBLCLKS) &&
               s.lastDownHwnd == target->hwnd() && in.time - s.lastDownTime <= kDoubleClickMs &&
               std::abs(in.x - s.lastDownPt.x) <= kDoubleClickPx &&
               std::abs(in.y - s.lastDownPt.y) <= kDoubleClickPx;
    if (dbl) message = WM_LBUTTONDBLCLK;
    if (commit) {
      // A third tap starts a new pair.
      s.lastDownHwnd = dbl ? nullptr : target->hwnd();
      s.lastDownTime = in.time;
      s.lastDownPt = pt;
      Window* top = TopLevelOf(target);
      if (!c.capture && top && top != c.active && !(top->exStyle & WS_EX_NOACTIVATE)) {
        HWND h = target->hwnd();
        SetActiveWindow(top->hwnd());
        if (!Find(h)) return false;
      }
    }
  }
  POINT o = ClientOriginScreen(target);
  msg->hwnd = target->hwnd();
  msg->message = message;
  msg->wParam = wp;
  msg->lParam = MAKELPARAM(in.x - o.x, in.y - o.y);
  msg->time = (DWORD)in.time;
  msg->pt = pt;
  return true;
}

bool RouteKey(const RawInput& in, MSG* msg, bool commit) {
  InputState& s = S();
  UINT vk = in.code & 0xFF;
  bool wasDown = s.down[vk];
  if (in.down) {
    if (const HotKey* hk = MatchHotKey(vk)) {
      if (commit) {
        s.down[vk] = true;
        PostHotKey(*hk, false);
        if (!wasDown) StartRepeat(vk);
      }
      return false;
    }
  } else if (s.repeating.count(vk) || MatchHotKey(vk)) {
    if (commit) {
      s.down[vk] = false;
      StopRepeat(vk);
      const HotKey* hk = MatchHotKey(vk);
      if (hk && (hk->mods & MOD_KEYUP)) PostHotKey(*hk, true);
    }
    return false;
  }
  bool pressedInMenu = s.pressedInMenu[vk];
  if (commit) {
    s.down[vk] = in.down;
    if (in.down && !wasDown) s.toggled[vk] = !s.toggled[vk];
    s.pressedInMenu[vk] = in.down && C().menuKeys;
  }
  // The release of a key whose press a popup menu took (and closed on) goes nowhere: the
  // window behind never saw the press.
  if (!in.down && pressedInMenu && !C().menuKeys) return false;
  Window* target = KeyTarget();
  if (!target) return false;
  msg->hwnd = target->hwnd();
  msg->message = in.down ? WM_KEYDOWN : WM_KEYUP;
  msg->wParam = vk;
  // Repeat count 1, previous state in bit 30, transition in bit 31.
  DWORD lp = 1u | (wasDown ? 1u << 30 : 0u) | (in.down ? 0u : 1u << 31);
  msg->lParam = (LPARAM)lp;
  msg->time = (DWORD)in.time;
  msg->pt = C().penPos;
  return true;
}

struct AccelTable {
  std::vector<ACCEL> entries;
};

// Keys held, hot keys registered without a window, accelerator tables and the last tap of a
// double tap belong to the test case that made them.
const FreshStateHook kFresh(1, [] {
  InputState& s = S();
  for (HACCEL table : s.tables) delete reinterpret_cast<AccelTable*>(table);
  for (const auto& [vk, timer] : s.repeating) KillInternalTimer(timer);
  s = InputState{};
});

}  // namespace

bool RouteInput(const RawInput& in, MSG* msg, bool commit) {
  switch (in.kind) {
    case InputKind::Pen:
      return RoutePen(in, msg, commit);
    case InputKind::Key:
      return RouteKey(in, msg, commit);
    case InputKind::Char: {
      Window* target = KeyTarget();
      if (!target) return false;
      msg->hwnd = target->hwnd();
      msg->message = WM_CHAR;
      msg->wParam = in.code;
      msg->lParam = 1;
      msg->time = (DWORD)in.time;
      msg->pt = C().penPos;
      return true;
    }
  }
  return false;
}

void DropWindowHotKeys(HWND hwnd) {
  auto& v = S().hotKeys;
  v.erase(std::remove_if(v.begin(), v.end(), [hwnd](const HotKey& h) { return h.hwnd == hwnd; }),
          v.end());
}

}  // namespace vplat::core

using namespace vplat::core;

namespace vplat {

void InjectPen(PenEvent ev, int x, int y) {
  Push(RawInput{InputKind::Pen, ev, x, y, 0, false, NowMs()});
}

void InjectKey(UINT vk, bool down) {
  Push(RawInput{InputKind::Key, PenEvent::Up, 0, 0, vk, down, NowMs()});
}

void SetMenuKeyWindow(HWND hwnd) { C().menuKeys = hwnd ? Find(hwnd) : nullptr; }

void InjectChar(wchar_t ch) {
  Push(RawInput{InputKind::Char, PenEvent::Up, 0, 0, (UINT)ch, false, NowMs()});
}

bool PenHeldUntil(int x, int y, int tolerance, uint64_t untilMs) {
  Core& c = C();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(c.mutex);
      for (const RawInput& in : c.input) {
        if (in.kind != InputKind::Pen) continue;
        if (in.time >= untilMs) break;
        if (in.pen != PenEvent::Move) return false;
        if (std::abs(in.x - x) > tolerance || std::abs(in.y - y) > tolerance) return false;
      }
    }
    if (IsVirtualClock()) return true;
    uint64_t now = NowMs();
    if (now >= untilMs) return true;
    int wait = (int)std::min<uint64_t>(untilMs - now, 20);
    if (Presenter* p = GetPresenter()) {
      p->WaitInput(wait);
    } else {
      std::unique_lock<std::mutex> lock(c.mutex);
      c.wake.wait_for(lock, std::chrono::milliseconds(wait));
    }
  }
}

}  // namespace vplat

extern "C" SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  InputState& s = S();
  return (SHORT)((s.down[vk] ? 0x8000 : 0) | (s.toggled[vk] ? 1 : 0));
}

extern "C" SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return S().down[vk] ? (SHORT)0x8000 : 0;
}

extern "C" BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk) {
  if (hwnd && !Find(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (vk == 0 || vk > 255) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto& v = S().hotKeys;
  // Registering an id again moves it: a later registration always wins.
  v.erase(std::remove_if(v.begin(), v.end(),
                         [&](const HotKey& h) { return h.hwnd == hwnd && h.id == id; }),
          v.end());
  v.push_back(HotKey{hwnd, id, modifiers, vk});
  return TRUE;
}

extern "C" BOOL UnregisterHotKey(HWND hwnd, int id) {
  auto& v = S().hotKeys;
  auto it = std::find_if(v.begin(), v.end(),
                         [&](const HotKey& h) { return h.hwnd == hwnd && h.id == id; });
  if (it == v.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  v.erase(it);
  return TRUE;
}

extern "C" BOOL UnregisterFunc1(UINT modifiers, UINT vk) {
  auto& v = S().hotKeys;
  UINT m = modifiers & ~MOD_KEYUP;
  v.erase(std::remove_if(v.begin(), v.end(),
                         [&](const HotKey& h) { return h.vk == vk && (h.mods & ~MOD_KEYUP) == m; }),
          v.end());
  return TRUE;
}

// ---- accelerators ----

extern "C" HACCEL CreateAcceleratorTableW(LPACCEL entries, int count) {
  if (!entries || count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* t = new AccelTable;
  for (int i = 0; i < count; ++i) {
    ACCEL a = entries[i];
    a.fVirt &= 0x7F;
    t->entries.push_back(a);
  }
  auto h = reinterpret_cast<HACCEL>(t);
  S().tables.insert(h);
  return h;
}

extern "C" HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR tableName) {
  if (!FindResourceW || !LoadResource || !LockResource || !SizeofResource) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  HRSRC res = FindResourceW(instance, tableName, MAKEINTRESOURCEW(9));  // accelerator tables
  if (!res) return nullptr;
  HGLOBAL data = LoadResource(instance, res);
  const void* p = data ? LockResource(data) : nullptr;
  DWORD size = SizeofResource(instance, res);
  size_t count = size / sizeof(ACCEL);
  if (!p || count == 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  // The table is an array of ACCEL records; the one flagged 0x80 is the last.
  std::vector<ACCEL> entries;
  for (size_t i = 0; i < count; ++i) {
    ACCEL a;
    std::memcpy(&a, static_cast<const char*>(p) + i * sizeof(ACCEL), sizeof(ACCEL));
    entries.push_back(a);
    if (a.fVirt & 0x80) break;
  }
  return CreateAcceleratorTableW(entries.data(), (int)entries.size());
}

extern "C" BOOL DestroyAcceleratorTable(HACCEL table) {
  if (!S().tables.erase(table)) return FALSE;
  delete reinterpret_cast<AccelTable*>(table);
  return TRUE;
}

extern "C" int TranslateAcceleratorW(HWND hwnd, HACCEL table, LPMSG msg) {
  if (!msg || !S().tables.count(table) || !Find(hwnd)) return 0;
  bool key = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
  bool chr = msg->message == WM_CHAR || msg->message == WM_SYSCHAR;
  if (!key && !chr) return 0;
  UINT mods = CurrentModifiers();
  for (const ACCEL& a : reinterpret_cast<AccelTable*>(table)->entries) {
    bool virt = (a.fVirt & FVIRTKEY) != 0;
    if (virt != key || a.key != (WORD)msg->wParam) continue;
    if (virt) {
      UINT want = ((a.fVirt & FSHIFT) ? MOD_SHIFT : 0) | ((a.fVirt & FCONTROL) ? MOD_CONTROL : 0) |
                  ((a.fVirt & FALT) ? MOD_ALT : 0);
      if (want != mods) continue;
    }
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
    return 1;
  }
  return 0;
}
