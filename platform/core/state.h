// The window manager's private state, shared by the core's source files.
//
// Invariants:
// - Every live window is in Core::windows under its handle value; a handle is never reused, so a
//   stale HWND finds nothing. A window leaves the table at WM_NCDESTROY and its memory is freed
//   once no dispatch to it is running (dispatchDepth == 0).
// - Each window's `children` list is in creation order (GetWindow); `zorder` lists the same
//   children topmost first (hit testing, clipping). Top-level windows are children of `desktop`.
// - Window rectangles are kept relative to the parent's client origin (the screen for top-level
//   windows); the client rectangle is the window rectangle less the non-client insets.
// - Only the interface thread touches windows, timers and input. Other threads may post
//   messages and send them (waiting); those paths take `Core::mutex`.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/core/internal.h"
#include "platform/win.h"

namespace vplat::core {

struct WindowClass {
  std::wstring name;
  ATOM atom = 0;
  WNDCLASSW wc{};
};

struct Window {
  uintptr_t handle = 0;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  std::vector<uint8_t> extra;
  std::wstring text;
  Window* parent = nullptr;
  Window* owner = nullptr;
  std::vector<Window*> children;  // creation order
  std::vector<Window*> zorder;    // topmost first
  RECT rect{};                    // relative to the parent's client origin
  bool hasUpdate = false;
  bool erase = false;
  RECT update{};     // client coordinates
  RECT lastPaint{};  // the update rectangle BeginPaint last took, for WM_ERASEBKGND
  int dispatchDepth = 0;
  bool destroying = false;
  bool destroyed = false;
  std::thread::id thread;

  HWND hwnd() const { return reinterpret_cast<HWND>(handle); }
  bool visibleSelf() const { return (style & WS_VISIBLE) != 0; }
  bool enabledSelf() const { return (style & WS_DISABLED) == 0; }
};

struct SentItem {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

// Raw input, routed to a window only when the queue reaches it, so that a capture set by the
// handler of a pen-down applies to the pen-up queued behind it.
enum class InputKind { Pen, Key, Char };
struct RawInput {
  InputKind kind;
  PenEvent pen;
  int x, y;      // pen: screen point
  UINT code;     // key: virtual key; char: the character
  bool down;     // key: pressed
  uint64_t time; // NowMs when injected
};

struct Timer {
  HWND hwnd;  // null for a windowless timer
  UINT_PTR id;
  UINT period;
  TIMERPROC proc;
  uint64_t due;
  uint64_t seq;  // ties in due time go in setting order
  std::function<void()> internal;  // layer-owned timers (key repeat) run this instead
  bool firing = false;             // a WM_TIMER for it is in the caller's hands
  bool ticked = false;             // its first WM_TIMER (or internal run) has been taken
  uint64_t firstDelay = 0;         // ms from its setting to its first tick
};

struct Core {
  std::mutex mutex;  // guards `posted`, `sent`, `input`, `quit*` and the table for other threads
  std::condition_variable wake;
  std::deque<MSG> posted;
  std::deque<SentItem*> sent;
  std::deque<RawInput> input;
  bool quitPosted = false;
  int quitCode = 0;

  std::unordered_map<uintptr_t, Window*> windows;
  uintptr_t nextHandle = 0x10000;
  Window desktop;
  std::vector<std::shared_ptr<WindowClass>> classes;
  ATOM nextAtom = 0xC000;

  Window* active = nullptr;
  Window* focus = nullptr;
  Window* capture = nullptr;
  Window* menuKeys = nullptr;  // an open popup menu: it takes every key while it shows
  int pendingPaints = 0;  // windows with hasUpdate, to skip the scan when none

  // Minimising the program's main window hides all its visible top-level windows (the shell's
  // bars included); these are their handles, the main window first, to show again on restore.
  bool minimized = false;
  bool minimizeNotice = false;  // not yet told to the presenter
  std::vector<uintptr_t> hiddenByMinimize;

  MSG last{};  // the message GetMessageW/PeekMessageW last answered
  POINT penPos{};

  std::thread::id uiThread;
  bool uiThreadKnown = false;
};

Core& C();

// Lookups. Null for a handle that is not a live window.
Window* Find(HWND hwnd);
inline Window* FindLocked(HWND hwnd) {
  std::lock_guard<std::mutex> lock(C().mutex);
  return Find(hwnd);
}
bool IsTopLevel(const Window* w);
Window* TopLevelOf(Window* w);
bool VisibleChain(const Window* w);  // the window and all its ancestors are visible
bool EnabledChain(const Window* w);
RECT ClientInsets(const Window* w);  // left, top, right, bottom widths of the non-client strip
POINT ClientOriginScreen(const Window* w);
RECT WindowRectScreen(const Window* w);
RECT ClientRectScreen(const Window* w);
void InvalidateScreenArea(const RECT& screen);
void InvalidateWindow(Window* w, const RECT* clientRect, bool erase, bool children);
Window* HitTest(POINT screen);  // the deepest visible, enabled window under a point

// Calls the window procedure with the window kept alive across the call.
LRESULT Dispatch(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
void ReleaseDispatch(Window* w);

// Timers and messages.
void KillWindowTimers(HWND hwnd);
void DropWindowHotKeys(HWND hwnd);
// The earliest due time of any timer, or UINT64_MAX.
uint64_t NextTimerDue();
// Whether a timer set with a first delay of at most `delayMs` has not ticked yet: a reaction
// that a message already armed (the scale menu's opener, a first fix tick) and that is part of
// the frame it began.
bool ShortDelayPending(uint64_t delayMs);
// Takes a due timer as a WM_TIMER message (internal timers run instead). False when none is due.
bool TakeDueTimer(MSG* msg, bool remove);
bool TimerProcValid(HWND hwnd, UINT_PTR id, TIMERPROC proc);
// The layer's own timers: `fn` runs when due, then every `period` ms until killed.
UINT_PTR SetInternalTimer(uint64_t firstDelay, UINT period, std::function<void()> fn);
void KillInternalTimer(UINT_PTR id);

// One look at the queue in the platform's order; false when there is nothing to do.
bool TakeMessage(MSG* msg, HWND filter, UINT lo, UINT hi, bool remove);
// Blocks until work may be there (or a short while on the virtual clock).
void WaitForWork();
// Hands a message to the dialog manager or translates and dispatches it, as modal loops do.
bool DispatchForLoop(MSG& msg);

// Input routing: turns the first raw input into a message (false when it is swallowed).
// With `commit` the routing takes effect (key state, double-click memory, hot keys posted).
bool RouteInput(const RawInput& in, MSG* msg, bool commit);

void NoteUiThread();
void WakeQueue();

// The clock's private controls (the harness uses them).
void SetVirtualClock(bool on);
void SetVirtualNow(uint64_t ms);
uint64_t IdleTimerResets();

}  // namespace vplat::core
