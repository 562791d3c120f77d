// A test case about what a fresh process holds before anything runs (a timer set from a static
// constructor, a table's values before the first call) cannot be given that state back by the
// harness: it runs itself again, alone, in a child process of this test program.
//
//   TEST(Suite, Name) {
//     if (fresh_process::RanInChild()) return;
//     ... the checks, which now run in a fresh process ...
//   }
//
// Where the case is already the only one this process runs (ctest runs one per process), it
// runs in place.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/wait_until.h"

namespace fresh_process {

inline constexpr char kChildMark[] = "VORNA_FRESH_PROCESS_CHILD";
inline constexpr int kTimeoutMs = 60000;

// True in the parent once the child has run the case (its result is checked here); false where
// the caller is to run the checks itself: in the child, or in a process that runs this case alone.
inline bool RanInChild() {
  const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
  if (std::getenv(kChildMark) || unit.test_to_run_count() == 1) return false;
  const ::testing::TestInfo& info = *unit.current_test_info();
  const std::string filter =
      std::string("--gtest_filter=") + info.test_suite_name() + "." + info.name();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv(kChildMark, "1", 1);
    char* args[] = {const_cast<char*>("/proc/self/exe"), const_cast<char*>(filter.c_str()),
                    nullptr};
    execv(args[0], args);
    _exit(127);
  }
  EXPECT_GT(pid, 0) << "fork";
  if (pid <= 0) return true;
  int status = 0;
  const bool ended = test_wait::Until([&] { return waitpid(pid, &status, WNOHANG) == pid; },
                                      kTimeoutMs);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  EXPECT_TRUE(ended) << "the child did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the case failed in its own process (its output is above)";
  return true;
}

}  // namespace fresh_process
