// Timers: one queue ordered by due time (then by the order they were set), shared by window
// timers, windowless timers and the layer's own (key repeat). A timer is rescheduled when its
// WM_TIMER is taken, so a late queue never piles up several messages of one timer.
#include <map>

#include "platform/core/state.h"
#include "platform/fresh_state.h"

namespace vplat::core {

namespace {

using DueKey = std::pair<uint64_t, uint64_t>;  // due time in ms, setting order
using IdKey = std::pair<uintptr_t, UINT_PTR>;  // window handle (0: none), timer id

// The layer's own timers use this pseudo-window, never a real handle.
const uintptr_t kInternal = 0x4;

struct Timers {
  std::map<DueKey, Timer> byDue;
  std::map<IdKey, DueKey> byId;
  uint64_t seq = 0;
  UINT_PTR nextFreeId = 0x7F00;  // ids of windowless timers
  UINT_PTR nextInternalId = 1;
};

Timers& T() {
  // Function-local: a windowless timer may be set from a static constructor.
  static Timers* t = new Timers;
  return *t;
}

// Timers left running by one test case (windowless ones outlive every window) fire in no other.
// Ids go on counting, so a stale id kept by a test finds nothing.
const FreshStateHook kFresh(1, [] {
  T().byDue.clear();
  T().byId.clear();
});

void Erase(const IdKey& key) {
  Timers& t = T();
  auto it = t.byId.find(key);
  if (it == t.byId.end()) return;
  t.byDue.erase(it->second);
  t.byId.erase(it);
}

void Insert(Timer timer) {
  Timers& t = T();
  timer.seq = ++t.seq;
  DueKey dk{timer.due, timer.seq};
  IdKey ik{reinterpret_cast<uintptr_t>(timer.hwnd), timer.id};
  t.byId[ik] = dk;
  t.byDue.emplace(dk, std::move(timer));
}

UINT_PTR Set(uintptr_t owner, UINT_PTR id, UINT elapse, TIMERPROC proc, std::function<void()> fn,
             uint64_t firstDelay) {
  Erase({owner, id});
  Timer timer{};
  timer.hwnd = reinterpret_cast<HWND>(owner);
  timer.id = id;
  timer.period = elapse < 1 ? 1 : elapse;
  timer.proc = proc;
  timer.due = NowMs() + firstDelay;
  timer.firstDelay = firstDelay;
  timer.internal = std::move(fn);
  Insert(std::move(timer));
  WakeQueue();
  return id;
}

}  // namespace

uint64_t NextTimerDue() {
  Timers& t = T();
  return t.byDue.empty() ? UINT64_MAX : t.byDue.begin()->first.first;
}

bool ShortDelayPending(uint64_t delayMs) {
  for (const auto& [due, timer] : T().byDue)
    if (!timer.ticked && timer.firstDelay <= delayMs) return true;
  return false;
}

bool TakeDueTimer(MSG* msg, bool remove) {
  Timers& t = T();
  uint64_t now = NowMs();
  while (!t.byDue.empty()) {
    auto it = t.byDue.begin();
    if (it->first.first > now) return false;
    Timer& timer = it->second;
    bool internal = reinterpret_cast<uintptr_t>(timer.hwnd) == kInternal;
    if (!internal && !remove) {
      msg->hwnd = timer.hwnd;
      msg->message = WM_TIMER;
      msg->wParam = timer.id;
      msg->lParam = reinterpret_cast<LPARAM>(timer.proc);
      msg->time = (DWORD)now;
      msg->pt = C().penPos;
      return true;
    }
    // Reschedule first: the message's handler may kill or reset the timer.
    Timer next = timer;
    next.ticked = true;
    uint64_t due = timer.due + timer.period;
    if (due <= now) due = now + timer.period;
    next.due = due;
    t.byId.erase({reinterpret_cast<uintptr_t>(timer.hwnd), timer.id});
    t.byDue.erase(it);
    Insert(next);
    if (internal) {
      if (next.internal) next.internal();
      continue;
    }
    msg->hwnd = next.hwnd;
    msg->message = WM_TIMER;
    msg->wParam = next.id;
    msg->lParam = reinterpret_cast<LPARAM>(next.proc);
    msg->time = (DWORD)now;
    msg->pt = C().penPos;
    return true;
  }
  return false;
}

bool TimerProcValid(HWND hwnd, UINT_PTR id, TIMERPROC proc) {
  Timers& t = T();
  auto it = t.byId.find({reinterpret_cast<uintptr_t>(hwnd), id});
  if (it == t.byId.end()) return false;
  return !proc || t.byDue.at(it->second).proc == proc;
}

void KillWindowTimers(HWND hwnd) {
  Timers& t = T();
  uintptr_t h = reinterpret_cast<uintptr_t>(hwnd);
  auto it = t.byId.lower_bound({h, 0});
  while (it != t.byId.end() && it->first.first == h) {
    t.byDue.erase(it->second);
    it = t.byId.erase(it);
  }
}

UINT_PTR SetInternalTimer(uint64_t firstDelay, UINT period, std::function<void()> fn) {
  return Set(kInternal, T().nextInternalId++, period, nullptr, std::move(fn), firstDelay);
}

void KillInternalTimer(UINT_PTR id) { Erase({kInternal, id}); }

// Timers whose procedure lies in [lo, hi): code of a module about to be unloaded.
int TimerProcsIn(uintptr_t lo, uintptr_t hi) {
  int n = 0;
  for (const auto& [due, timer] : T().byDue) {
    auto p = reinterpret_cast<uintptr_t>(timer.proc);
    if (p >= lo && p < hi) ++n;
  }
  return n;
}

}  // namespace vplat::core

using namespace vplat::core;

extern "C" UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  if (hwnd) {
    if (!Find(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    Set(reinterpret_cast<uintptr_t>(hwnd), id, elapseMs, proc, nullptr, elapseMs < 1 ? 1 : elapseMs);
    return id ? id : 1;
  }
  // Without a window an existing id is reset; any other id gets a fresh one.
  Timers& t = T();
  if (!id || !t.byId.count({0, id})) {
    do {
      id = t.nextFreeId++;
    } while (t.byId.count({0, id}));
  }
  return Set(0, id, elapseMs, proc, nullptr, elapseMs < 1 ? 1 : elapseMs);
}

extern "C" BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  Timers& t = T();
  IdKey key{reinterpret_cast<uintptr_t>(hwnd), id};
  if (!t.byId.count(key)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Erase(key);
  return TRUE;
}
