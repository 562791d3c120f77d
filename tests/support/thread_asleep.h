// Whether another thread of this process has gone to sleep in the kernel: the witness a test
// waits for before it releases a thread from a blocking wait (a port's poll, an event, a
// GetMessage), so that it is the blocked path that gets released and not a call that has yet
// to begin. Read from the thread's /proc entry (state S or D); a thread that starts a wait
// runs until it blocks, so "asleep" once its wait call was entered means "in that wait".
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "tests/support/wait_until.h"

namespace test_wait {

// The calling thread's kernel id, to hand to the thread that watches it.
inline pid_t ThisThreadId() { return ::gettid(); }

inline bool Asleep(pid_t tid) {
  const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return false;
  char buf[512];
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  // "tid (name) S ...": the name may hold spaces and parentheses, so the state follows the
  // last ')'.
  const std::string stat(buf);
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return false;
  const char state = stat[close + 2];
  return state == 'S' || state == 'D';
}

// Waits (bounded) until thread `tid` is asleep.
inline bool UntilAsleep(pid_t tid, int timeoutMs = kDefaultMs) {
  return Until([tid] { return Asleep(tid); }, timeoutMs);
}

// As above for a thread that publishes its id (0 until it has started).
inline bool UntilAsleep(const std::atomic<pid_t>& tid, int timeoutMs = kDefaultMs) {
  return Until([&tid] { return tid.load() != 0 && Asleep(tid.load()); }, timeoutMs);
}

}  // namespace test_wait
