// The echo sounder's lines: a depth is taken only as a finite number.
#include <cmath>
#include <cstring>

#include "fuzz_device.h"
#include "gps/echo_sounder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char line[512];
  size_t at = 0;
  while (at < size) {
    size_t n = 0;
    while (at < size && data[at] != '\n' && n + 1 < sizeof(line)) line[n++] = char(data[at++]);
    if (at < size && data[at] == '\n') ++at;
    line[n] = 0;
    float depth = 7.5f;
    if (ParseDepthSentence(line, &depth)) FUZZ_CHECK(std::isfinite(depth));
    else FUZZ_CHECK(depth == 7.5f);
  }
  return 0;
}
