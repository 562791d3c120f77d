// Bounded waits for another thread's, a serial line's or another process's state, in real time.
// A test waits for exactly the state it then checks: the predicate is that check. The bound is
// generous (a loaded CI machine can stall a thread for seconds); a wait that runs out is a
// failure the caller asserts, never a stand-in for the state.
#pragma once

#include <chrono>
#include <thread>

namespace test_wait {

inline constexpr int kDefaultMs = 20000;

// Polls `done` every 2 ms of real time until it is true (true) or `timeoutMs` have passed
// (false; `done` is asked once more at the end, so a state reached late still counts).
template <class Done>
bool Until(Done&& done, int timeoutMs = kDefaultMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

}  // namespace test_wait
