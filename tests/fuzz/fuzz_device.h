// Shared pieces of the fuzz targets: one headless device per process on a temporary root, and
// the file a target reads written there from the fuzzer's bytes.
//
// A target aborts (so the fuzzer reports the input) only for a crash or a broken invariant that
// it states itself; a reader's refusal of bad input is the expected answer, never a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/harness.h"

namespace fuzzdev {

// Starts the device on the first call; it lives until the process ends.
inline void Start() {
  static const bool started = [] {
    harness::Start();
    std::atexit([] { harness::Stop(); });
    return true;
  }();
  (void)started;
}

inline std::string Host(const char* devicePath) {
  std::string s(devicePath);
  return harness::HostPath(std::wstring(s.begin(), s.end()));
}

// Writes `size` bytes to the device path (its folders must exist); false on a host error.
inline bool Put(const char* devicePath, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(Host(devicePath).c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// A stated invariant of the code under test; its failure is a finding.
#define FUZZ_CHECK(cond)                                                              \
  do {                                                                                \
    if (!(cond)) {                                                                    \
      std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)

}  // namespace fuzzdev
