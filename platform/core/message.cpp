// The message queue: sent and posted messages, the order in which GetMessageW finds work
// (messages sent from other threads, posted messages, input, WM_QUIT, WM_PAINT, WM_TIMER), the
// wait for more, and the modal loop.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/core/state.h"

// The dialog manager lives in the controls folder; modal loops hand it every message first.
extern "C" BOOL IsDialogMessageW(HWND dialog, LPMSG msg) __attribute__((weak));

namespace vplat::core {

namespace {

vplat::Presenter* g_presenter = nullptr;

bool InFilter(UINT m, UINT lo, UINT hi) {
  if (lo == 0 && hi == 0) return true;
  return m >= lo && m <= hi;
}

bool WindowFilter(HWND target, HWND filter) {
  if (!filter) return true;
  if (filter == (HWND)(intptr_t)-1) return target == nullptr;
  return target == filter || IsChild(filter, target);
}

// Runs the messages other threads sent and are waiting on. Called on the window's thread.
void RunSent() {
  Core& c = C();
  for (;;) {
    SentItem* item;
    {
      std::lock_guard<std::mutex> lock(c.mutex);
      if (c.sent.empty()) return;
      item = c.sent.front();
      c.sent.pop_front();
    }
    Window* w = Find(item->hwnd);
    LRESULT r = w ? Dispatch(w, item->msg, item->wParam, item->lParam) : 0;
    {
      std::lock_guard<std::mutex> lock(c.mutex);
      item->result = r;
      item->done = true;
    }
    c.wake.notify_all();
  }
}

// The first visible window waiting for paint, parents before children, bottom window first.
Window* FindPaintable(Window* w) {
  if (!w->visibleSelf()) return nullptr;
  if (w->hasUpdate && w != &C().desktop) return w;
  for (auto it = w->zorder.rbegin(); it != w->zorder.rend(); ++it)
    if (Window* p = FindPaintable(*it)) return p;
  return nullptr;
}

bool Fill(MSG* out, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (out) {
    out->hwnd = hwnd;
    out->message = msg;
    out->wParam = wp;
    out->lParam = lp;
    out->time = (DWORD)vplat::NowMs();
    out->pt = C().penPos;
  }
  return true;
}

}  // namespace

void NoteUiThread() {
  Core& c = C();
  if (!c.uiThreadKnown) {
    c.uiThread = std::this_thread::get_id();
    c.uiThreadKnown = true;
  }
}

void WakeQueue() { C().wake.notify_all(); }

// One look for work, in the platform's order. Sent messages from other threads run here and
// are not answered as messages.
bool TakeMessage(MSG* msg, HWND filter, UINT lo, UINT hi, bool remove) {
  Core& c = C();
  RunSent();
  {
    std::unique_lock<std::mutex> lock(c.mutex);
    for (auto it = c.posted.begin(); it != c.posted.end();) {
      // A message for a window that is gone is dropped, never delivered to a stranger.
      if (it->hwnd && !Find(it->hwnd)) {
        it = c.posted.erase(it);
        continue;
      }
      if (InFilter(it->message, lo, hi) && WindowFilter(it->hwnd, filter)) {
        *msg = *it;
        if (remove) c.posted.erase(it);
        return true;
      }
      ++it;
    }
    while (!c.input.empty()) {
      RawInput in = c.input.front();
      lock.unlock();
      MSG m{};
      bool routed = RouteInput(in, &m, false);
      lock.lock();
      if (!routed) {
        // Swallowed (nobody under the pen, a hot key that posts its own message): it is
        // consumed even by a look that removes nothing, as it has no message to show.
        if (!c.input.empty()) c.input.pop_front();
        lock.unlock();
        RouteInput(in, &m, true);
        lock.lock();
        continue;
      }
      if (InFilter(m.message, lo, hi) && WindowFilter(m.hwnd, filter)) {
        if (remove) {
          c.input.pop_front();
          lock.unlock();
          RouteInput(in, &m, true);
          lock.lock();
        }
        *msg = m;
        return true;
      }
      break;
    }
    // Hot keys and repeats may have posted while input was routed.
    for (auto it = c.posted.begin(); it != c.posted.end(); ++it) {
      if (InFilter(it->message, lo, hi) && WindowFilter(it->hwnd, filter) &&
          (!it->hwnd || Find(it->hwnd))) {
        *msg = *it;
        if (remove) c.posted.erase(it);
        return true;
      }
    }
    if (c.quitPosted && InFilter(WM_QUIT, lo, hi) && !filter) {
      Fill(msg, nullptr, WM_QUIT, (WPARAM)c.quitCode, 0);
      if (remove) c.quitPosted = false;
      return true;
    }
  }
  if (c.pendingPaints > 0 && InFilter(WM_PAINT, lo, hi)) {
    if (Window* w = FindPaintable(&c.desktop)) {
      if (WindowFilter(w->hwnd(), filter)) return Fill(msg, w->hwnd(), WM_PAINT, 0, 0);
    }
  }
  if (InFilter(WM_TIMER, lo, hi)) {
    // Input before timers: keys and pen the host already holds are taken in before a due timer
    // goes out, or a key pressed before the timer came due would be handled after it (a menu
    // opener's timer would walk the highlight before the keys that had already moved it).
    if (g_presenter && NextTimerDue() <= NowMs() && g_presenter->WaitInput(0))
      return TakeMessage(msg, filter, lo, hi, remove);
    MSG m{};
    if (TakeDueTimer(&m, remove) && WindowFilter(m.hwnd, filter)) {
      *msg = m;
      return true;
    }
  }
  return false;
}

// Waits until a message may be there: posted or sent from elsewhere, input, or the next timer.
void WaitForWork() {
  Core& c = C();
  if (g_presenter) {
    g_presenter->Present();
    uint64_t due = NextTimerDue();
    uint64_t now = NowMs();
    // Slices of at most 20 ms, so that a post from another thread is seen promptly.
    int slice = 20;
    if (due != UINT64_MAX && !IsVirtualClock()) slice = (int)std::min<uint64_t>(20, due > now ? due - now : 0);
    g_presenter->WaitInput(slice);
    return;
  }
  std::unique_lock<std::mutex> lock(c.mutex);
  if (!c.posted.empty() || !c.sent.empty() || !c.input.empty() || c.quitPosted) return;
  uint64_t due = NextTimerDue();
  if (due == UINT64_MAX || IsVirtualClock()) {
    // On the virtual clock time moves only when the test says so; wake now and then anyway, so
    // that a clock moved by another thread is noticed.
    c.wake.wait_for(lock, std::chrono::milliseconds(IsVirtualClock() ? 50 : 1000));
    return;
  }
  uint64_t now = NowMs();
  if (due > now) c.wake.wait_for(lock, std::chrono::milliseconds(due - now));
}

bool DispatchForLoop(MSG& msg) {
  // The dialog manager sees the message first for the dialog that holds its window.
  if (IsDialogMessageW && msg.hwnd) {
    if (Window* w = Find(msg.hwnd)) {
      Window* top = TopLevelOf(w);
      if (top && top != &C().desktop && IsDialogMessageW(top->hwnd(), &msg)) return true;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

}  // namespace vplat::core

using namespace vplat::core;

namespace vplat {

void SetPresenter(Presenter* presenter) { g_presenter = presenter; }

bool FrameSettled() {
  Core& c = C();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!c.posted.empty() || !c.sent.empty() || !c.input.empty() || c.quitPosted) return false;
  }
  if (c.pendingPaints > 0 && FindPaintable(&c.desktop)) return false;
  // The longest delay a message arms for its own answer: the automatic actions' first idle
  // tick, 1 s after start-up; periodic timers count only until their first tick.
  constexpr uint64_t kArmedDelayMs = 1000;
  return NextTimerDue() > NowMs() && !ShortDelayPending(kArmedDelayMs);
}
Presenter* GetPresenter() { return g_presenter; }

namespace {
thread_local int t_modalDepth = 0;
}  // namespace

int ModalLoopDepth() { return t_modalDepth; }
ModalScope::ModalScope() { ++t_modalDepth; }
ModalScope::~ModalScope() { --t_modalDepth; }

bool RunModalLoop(const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      PostQuitMessage((int)msg.wParam);
      return false;
    }
    DispatchForLoop(msg);
  }
  return true;
}

}  // namespace vplat

extern "C" LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Core& c = C();
  Window* w;
  bool here;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    w = Find(hwnd);
    here = w && w->thread == std::this_thread::get_id();
  }
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (here) return Dispatch(w, msg, wParam, lParam);
  // From another thread: the window's thread runs it when it next looks at its queue.
  SentItem item{hwnd, msg, wParam, lParam};
  std::unique_lock<std::mutex> lock(c.mutex);
  c.sent.push_back(&item);
  c.wake.notify_all();
  while (!item.done) {
    c.wake.wait_for(lock, std::chrono::milliseconds(50));
    if (!item.done && !Find(hwnd)) {
      // The window went away before its thread took the message.
      auto it = std::find(c.sent.begin(), c.sent.end(), &item);
      if (it != c.sent.end()) {
        c.sent.erase(it);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
      }
    }
  }
  return item.result;
}

extern "C" BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Core& c = C();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (hwnd && !Find(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    MSG m{hwnd, msg, wParam, lParam, (DWORD)vplat::NowMs(), c.penPos};
    c.posted.push_back(m);
  }
  c.wake.notify_all();
  return TRUE;
}

extern "C" void PostQuitMessage(int exitCode) {
  Core& c = C();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    c.quitPosted = true;
    c.quitCode = exitCode;
  }
  c.wake.notify_all();
}

extern "C" BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT flags) {
  MSG m{};
  if (!TakeMessage(&m, hwnd, filterMin, filterMax, (flags & PM_REMOVE) != 0)) return FALSE;
  if (flags & PM_REMOVE) C().last = m;
  if (msg) *msg = m;
  return TRUE;
}

extern "C" BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  NoteUiThread();
  MSG m{};
  while (!TakeMessage(&m, hwnd, filterMin, filterMax, true)) WaitForWork();
  C().last = m;
  if (msg) *msg = m;
  return m.message == WM_QUIT ? FALSE : TRUE;
}

extern "C" BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  wchar_t ch = 0;
  switch (msg->wParam) {
    case VK_BACK: ch = 8; break;
    case VK_TAB: ch = 9; break;
    case VK_RETURN: ch = 13; break;
    case VK_ESCAPE: ch = 27; break;
    default: return FALSE;
  }
  return PostMessageW(msg->hwnd, WM_CHAR, ch, msg->lParam);
}

extern "C" LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    // A timer killed after its message was taken does not fire.
    if (!TimerProcValid(msg->hwnd, msg->wParam, proc)) return 0;
    proc(msg->hwnd, WM_TIMER, msg->wParam, (DWORD)vplat::NowMs());
    return 0;
  }
  if (!msg->hwnd) return 0;
  Window* w = Find(msg->hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return Dispatch(w, msg->message, msg->wParam, msg->lParam);
}

extern "C" DWORD GetMessagePos() {
  const MSG& m = C().last;
  return (DWORD)MAKELONG(m.pt.x, m.pt.y);
}

extern "C" LONG GetMessageTime() { return (LONG)C().last.time; }
