// The palette file (".rgb"): at most 256 colours, every index answers.
#include "fuzz_device.h"
#include "maps/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  if (!fuzzdev::Put("\\F.rgb", data, size)) return 0;
  TPalette palette;
  if (palette.Load("\\F.rgb") != 0) return 0;
  for (int i = 0; i < 256; ++i) {
    // Only the low byte of the index counts, and an index past the count answers -1.
    int32_t c = palette.GetColor(i);
    FUZZ_CHECK(c == palette.GetColor(i + 256));
  }
  return 0;
}
