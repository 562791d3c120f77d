// Threads, events, critical sections, and the small services: memory status, beep, registry.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win.h"
#include "tests/support/thread_asleep.h"
#include "tests/support/wait_until.h"

namespace {

struct Shared {
  CRITICAL_SECTION lock;
  long counter = 0;
  HANDLE go = nullptr;
  std::atomic<DWORD> seenId{0};
};

DWORD CALLBACK CountingThread(LPVOID param) {
  auto* s = static_cast<Shared*>(param);
  s->seenId = GetCurrentThreadId();
  WaitForSingleObject(s->go, INFINITE);
  for (int i = 0; i < 10000; ++i) {
    EnterCriticalSection(&s->lock);
    EnterCriticalSection(&s->lock);  // recursive: the owner may enter again
    ++s->counter;
    LeaveCriticalSection(&s->lock);
    LeaveCriticalSection(&s->lock);
  }
  return 17;
}

TEST(Threads, RunJoinAndExitCodes) {
  Shared s;
  InitializeCriticalSection(&s.lock);
  s.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD ids[2];
  HANDLE t[2];
  for (int i = 0; i < 2; ++i) {
    t[i] = CreateThread(nullptr, 0, CountingThread, &s, 0, &ids[i]);
    ASSERT_NE(t[i], nullptr);
    EXPECT_TRUE(SetThreadPriority(t[i], THREAD_PRIORITY_ABOVE_NORMAL));
  }
  EXPECT_NE(ids[0], ids[1]);
  EXPECT_NE(ids[0], GetCurrentThreadId());
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(t[0], &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  // Blocked on the event: it cannot end before the event is set, however long the wait.
  EXPECT_EQ(WaitForSingleObject(t[0], 20), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(s.go);
  for (HANDLE h : t) {
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 17u);
    EXPECT_TRUE(TerminateThread(h, 3));  // already finished: nothing changes
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 17u);
    EXPECT_TRUE(CloseHandle(h));
  }
  EXPECT_EQ(s.counter, 20000);
  DeleteCriticalSection(&s.lock);
  CloseHandle(s.go);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

struct Polite {
  std::atomic<bool> running{false};
  std::atomic<bool> sawStop{false};
};

DWORD CALLBACK PoliteWorker(LPVOID param) {
  auto* p = static_cast<Polite*>(param);
  p->running = true;
  while (!vplat::ThreadStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  p->sawStop = true;
  return 0;
}

TEST(Threads, TerminateAsksTheThreadToStopAndJoins) {
  Polite polite;
  HANDLE t = CreateThread(nullptr, 0, PoliteWorker, &polite, 0, nullptr);
  ASSERT_TRUE(test_wait::Until([&] { return polite.running.load(); }));  // in its loop
  EXPECT_FALSE(vplat::ThreadStopRequested());  // only the asked thread sees it
  EXPECT_TRUE(TerminateThread(t, 99));
  EXPECT_TRUE(polite.sawStop);  // it ran to its end before TerminateThread returned
  DWORD code;
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 99u);
  CloseHandle(t);
}

TEST(Threads, ClosingTheHandleLeavesTheThreadRunning) {
  // The thread can finish only after its handle is closed: it waits for the word to go on.
  static std::atomic<bool> goOn{false}, done{false};
  HANDLE t = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    if (test_wait::Until([] { return goOn.load(); })) done = true;
    return 0;
  }, nullptr, 0, nullptr);
  EXPECT_TRUE(CloseHandle(t));
  goOn = true;
  EXPECT_TRUE(test_wait::Until([] { return done.load(); }));
}

TEST(Events, AutoAndManualReset) {
  HANDLE autoEv = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoEv, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(autoEv, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // consumed
  HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 10), static_cast<DWORD>(WAIT_TIMEOUT));  // stays reset
  // Set from another thread once this one sleeps in its wait: the wait is what it releases.
  const pid_t waiting = test_wait::ThisThreadId();
  std::thread setter([&] {
    EXPECT_TRUE(test_wait::UntilAsleep(waiting));
    SetEvent(autoEv);
  });
  EXPECT_EQ(WaitForSingleObject(autoEv, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  setter.join();
  HANDLE same = CreateEventW(nullptr, FALSE, FALSE, L"Shared");
  HANDLE again = CreateEventW(nullptr, FALSE, FALSE, L"Shared");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetEvent(same);
  EXPECT_EQ(WaitForSingleObject(again, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  for (HANDLE h : {autoEv, manual, same, again}) EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_FAILED);
}

TEST(CriticalSections, ZeroFilledAndTryEnter) {
  static CRITICAL_SECTION cs;  // zero-filled, never initialised: usable all the same
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the owner again
  std::atomic<int> other{-1};
  std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
  EXPECT_EQ(other.load(), FALSE);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  std::thread([&] {
    other = TryEnterCriticalSection(&cs);
    if (other) LeaveCriticalSection(&cs);
  }).join();
  EXPECT_EQ(other.load(), TRUE);
  DeleteCriticalSection(&cs);
}

TEST(Interlocked, ReturnValues) {
  LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 8), 9);  // no match: unchanged
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 9), 9);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 10), 1);
  EXPECT_EQ(v, 11);
}

TEST(Misc, MemoryStatusBeepsAndOverride) {
  MEMORYSTATUS ms{};
  GlobalMemoryStatus(&ms);
  EXPECT_EQ(ms.dwLength, sizeof ms);
  EXPECT_GT(ms.dwTotalPhys, 0u);
  EXPECT_LE(ms.dwAvailPhys, ms.dwTotalPhys);
  MEMORYSTATUS low{};
  low.dwAvailPhys = 400000;  // below the program's 512 KiB warning
  vplat::SetMemoryStatusOverride(&low);
  GlobalMemoryStatus(&ms);
  EXPECT_EQ(ms.dwAvailPhys, 400000u);
  vplat::SetMemoryStatusOverride(nullptr);

  EXPECT_TRUE(MessageBeep(16));
  EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
  EXPECT_EQ(vplat::RecordedBeeps(), (std::vector<UINT>{16, 0xFFFFFFFF}));
  vplat::ClearRecordedBeeps();
  EXPECT_TRUE(vplat::RecordedBeeps().empty());
}

TEST(Registry, NotFoundUntilSetThenReadBack) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L".mdm", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  DWORD disp = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"mdmfile\\DefaultIcon", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disp), ERROR_SUCCESS);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  const wchar_t icon[] = L"\\Vorna\\Vorna.exe,3";
  EXPECT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(icon), sizeof icon), ERROR_SUCCESS);
  RegCloseKey(key);

  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"MDMFILE\\defaulticon", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof icon);
  wchar_t small[4];
  DWORD smallSize = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(small), &smallSize), ERROR_MORE_DATA);
  EXPECT_EQ(smallSize, sizeof icon);
  wchar_t buf[64];
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, icon);
  EXPECT_EQ(RegQueryValueExW(key, L"Other", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  // The intermediate key exists too, but holds no default value.
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"mdmfile", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"mdmfile", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

}  // namespace
