// Threads, events, waits, critical sections and interlocked operations.
//
// Threads stop cooperatively. The handheld can kill a thread outright, but a thread killed on
// the host while it holds a lock or the allocator's state would take the process with it; so
// TerminateThread only asks: it raises the thread's stop flag (vplat::ThreadStopRequested),
// wakes every serial wait so a reader blocked on its port returns, and joins. Waits time out in
// real milliseconds; they do not follow the virtual clock of the tests.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/sys/sys_internal.h"

namespace vplat::sys {
namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

class Waitable : public KernelObject {
 public:
  using KernelObject::KernelObject;
  // Waits until signalled (consuming an auto-reset signal); false on timeout.
  bool WaitFor(DWORD timeoutMs) {
    std::unique_lock lock(mutex_);
    auto ready = [this] { return Signalled(); };
    if (timeoutMs == INFINITE) {
      cv_.wait(lock, ready);
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
      return false;
    }
    Consume();
    return true;
  }

 protected:
  virtual bool Signalled() const = 0;
  virtual void Consume() {}
  std::mutex mutex_;
  std::condition_variable cv_;
};

class ThreadObject : public Waitable {
 public:
  ThreadObject() : Waitable(Kind::Thread) {}
  ~ThreadObject() override {
    // The last reference may be dropped by the thread itself; it cannot join itself.
    if (thread_.joinable()) thread_.detach();
  }

  void Start(LPTHREAD_START_ROUTINE start, LPVOID parameter, std::shared_ptr<ThreadObject> self) {
    id = g_nextThreadId++;
    thread_ = std::thread([start, parameter, self = std::move(self)] {
      t_threadId = self->id;
      t_current = self.get();
      DWORD code = start(parameter);
      t_current = nullptr;
      self->Finish(code);
    });
  }

  void Finish(DWORD code) {
    {
      std::lock_guard lock(mutex_);
      if (!terminated_) exitCode_ = code;
      finished_ = true;
    }
    cv_.notify_all();
  }

  DWORD ExitCode() {
    std::lock_guard lock(mutex_);
    return finished_ ? exitCode_ : STILL_ACTIVE;
  }

  // Asks the thread to stop and waits for it; false when it does not return in time.
  bool Terminate(DWORD code, DWORD timeoutMs) {
    {
      std::lock_guard lock(mutex_);
      if (finished_) return true;
      terminated_ = true;
      exitCode_ = code;
    }
    stopRequested.store(true);
    WakeAllCommWaiters();
    if (!WaitFor(timeoutMs)) return false;
    std::lock_guard lock(mutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    return true;
  }

  bool IsCurrent() const { return t_current == this; }

  DWORD id = 0;
  std::atomic<bool> stopRequested{false};
  static thread_local ThreadObject* t_current;

 protected:
  bool Signalled() const override { return finished_; }

 private:
  std::thread thread_;
  bool finished_ = false;
  bool terminated_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
};

thread_local ThreadObject* ThreadObject::t_current = nullptr;

class EventObject : public Waitable {
 public:
  EventObject(bool manual, bool initial) : Waitable(Kind::Event), manual_(manual), set_(initial) {}
  void Set() {
    {
      std::lock_guard lock(mutex_);
      set_ = true;
    }
    if (manual_)
      cv_.notify_all();
    else
      cv_.notify_one();
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
  }

 protected:
  bool Signalled() const override { return set_; }
  void Consume() override {
    if (!manual_) set_ = false;
  }

 private:
  const bool manual_;
  bool set_;
};

// Named events are shared by name within the process.
std::mutex g_namesMutex;
std::map<std::wstring, std::weak_ptr<EventObject>>& EventNames() {
  static std::map<std::wstring, std::weak_ptr<EventObject>> names;
  return names;
}

constexpr DWORD kTerminateWaitMs = 10000;

}  // namespace
}  // namespace vplat::sys

using namespace vplat::sys;

namespace vplat {

bool ThreadStopRequested() {
  ThreadObject* t = ThreadObject::t_current;
  return t && t->stopRequested.load();
}

}  // namespace vplat

extern "C" HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE start,
                               LPVOID parameter, DWORD flags, LPDWORD threadId) {
  if (!start) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags != 0) {  // suspended creation is not offered: nothing asks for it
    Fail(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto thread = std::make_shared<ThreadObject>();
  HANDLE h = AddHandle(thread);
  try {
    thread->Start(start, parameter, thread);
  } catch (const std::system_error&) {
    RemoveHandle(h);
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId) *threadId = thread->id;
  return h;
}

extern "C" BOOL SetThreadPriority(HANDLE h, int) {
  return Find<ThreadObject>(h, Kind::Thread) ? TRUE : FALSE;
}

extern "C" BOOL CeSetThreadPriority(HANDLE h, int priority) {
  if (priority < 0 || priority > 255) return Fail(ERROR_INVALID_PARAMETER);
  return Find<ThreadObject>(h, Kind::Thread) ? TRUE : FALSE;
}

extern "C" int GetThreadPriority(HANDLE h) {
  // 0x7FFFFFFF is the platform's "error" priority.
  return Find<ThreadObject>(h, Kind::Thread) ? THREAD_PRIORITY_NORMAL : 0x7FFFFFFF;
}

extern "C" BOOL GetExitCodeThread(HANDLE h, LPDWORD exitCode) {
  auto thread = Find<ThreadObject>(h, Kind::Thread);
  if (!thread) return FALSE;
  if (!exitCode) return Fail(ERROR_INVALID_PARAMETER);
  *exitCode = thread->ExitCode();
  return TRUE;
}

extern "C" BOOL TerminateThread(HANDLE h, DWORD exitCode) {
  auto thread = Find<ThreadObject>(h, Kind::Thread);
  if (!thread) return FALSE;
  if (thread->IsCurrent()) return Fail(ERROR_INVALID_PARAMETER);  // it cannot wait for itself
  if (!thread->Terminate(exitCode, kTerminateWaitMs)) return Fail(ERROR_TIMEOUT);
  return TRUE;
}

extern "C" DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = g_nextThreadId++;
  return t_threadId;
}

extern "C" HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                               LPCWSTR name) {
  std::shared_ptr<EventObject> event;
  if (name && *name) {
    std::lock_guard lock(g_namesMutex);
    auto& slot = EventNames()[name];
    event = slot.lock();
    if (event) {
      HANDLE h = AddHandle(event);
      SetLastError(ERROR_ALREADY_EXISTS);
      return h;
    }
    event = std::make_shared<EventObject>(manualReset, initialState);
    slot = event;
  } else {
    event = std::make_shared<EventObject>(manualReset, initialState);
  }
  HANDLE h = AddHandle(event);
  SetLastError(ERROR_SUCCESS);
  return h;
}

extern "C" BOOL SetEvent(HANDLE h) {
  auto event = Find<EventObject>(h, Kind::Event);
  if (!event) return FALSE;
  event->Set();
  return TRUE;
}

extern "C" BOOL ResetEvent(HANDLE h) {
  auto event = Find<EventObject>(h, Kind::Event);
  if (!event) return FALSE;
  event->Reset();
  return TRUE;
}

extern "C" DWORD WaitForSingleObject(HANDLE h, DWORD timeoutMs) {
  auto object = FindAnyHandle(h);
  if (!object) return WAIT_FAILED;
  if (object->kind != Kind::Thread && object->kind != Kind::Event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (object->kind == Kind::Thread && std::static_pointer_cast<ThreadObject>(object)->IsCurrent()) {
    // A thread waiting for itself would never wake; the platform times such a wait out too.
    if (timeoutMs != INFINITE) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    else {
      SetLastError(ERROR_INVALID_PARAMETER);
      return WAIT_FAILED;
    }
    return WAIT_TIMEOUT;
  }
  auto waitable = std::static_pointer_cast<Waitable>(object);
  return waitable->WaitFor(timeoutMs) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

// ---- critical sections ----

namespace {

std::recursive_mutex* Impl(LPCRITICAL_SECTION cs) {
  // Set up on first use, so a zero-filled section in a static object works before (or
  // without) InitializeCriticalSection; two threads racing here agree on one mutex.
  auto slot = reinterpret_cast<std::atomic<std::recursive_mutex*>*>(&cs->impl);
  std::recursive_mutex* m = slot->load(std::memory_order_acquire);
  if (m) return m;
  auto* fresh = new std::recursive_mutex;
  if (slot->compare_exchange_strong(m, fresh, std::memory_order_acq_rel)) return fresh;
  delete fresh;
  return m;
}

}  // namespace

static_assert(sizeof(std::atomic<std::recursive_mutex*>) == sizeof(void*));

extern "C" void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  if (!cs) return;
  cs->impl = nullptr;
  Impl(cs);
}

extern "C" void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  if (!cs) return;
  delete static_cast<std::recursive_mutex*>(cs->impl);
  cs->impl = nullptr;
}

extern "C" void EnterCriticalSection(LPCRITICAL_SECTION cs) {
  if (cs) Impl(cs)->lock();
}

extern "C" void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
  if (cs && cs->impl) static_cast<std::recursive_mutex*>(cs->impl)->unlock();
}

extern "C" BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  return cs && Impl(cs)->try_lock() ? TRUE : FALSE;
}

// ---- interlocked ----

extern "C" LONG InterlockedIncrement(LONG volatile* value) {
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

extern "C" LONG InterlockedDecrement(LONG volatile* value) {
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

extern "C" LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

extern "C" LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return comparand;  // the value found, whether or not it was replaced
}

extern "C" LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
