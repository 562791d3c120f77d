// "mvw": writes road graph files.
//
//   mvw OUT.mvw                                   the demo town's road graph (a 4 x 4 grid)
//   mvw OUT.mvw --grid W H [--seed S] [--removed PERCENT] [--oneway PERCENT]
//                                                 a generated road grid of W x H intersections
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "tools/sampledata/mvw_writer.h"

namespace {

int MvwUsage() {
  std::fprintf(stderr,
               "usage: mvw OUT.mvw [--grid W H [--seed S] [--removed 0-100] [--oneway 0-100]]\n");
  return 2;
}

bool ParseCount(const char* text, unsigned long max, unsigned long* out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, 0);
  if (!end || *end || end == text || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

int RunMvwCommand(int argc, char** argv) {
  const char* out = nullptr;
  unsigned long width = 0, height = 0, seed = 1, removed = 8, oneWay = 5;
  bool grid = false;
  for (int i = 0; i < argc; i++) {
    const std::string a = argv[i];
    if (a == "--grid" && i + 2 < argc) {
      // Intersections up to 4096 a side keep the node count within the 24-bit link index.
      if (!ParseCount(argv[i + 1], 4096, &width) || !ParseCount(argv[i + 2], 4096, &height)) {
        return MvwUsage();
      }
      i += 2;
      grid = true;
    } else if (a == "--seed" && i + 1 < argc) {
      if (!ParseCount(argv[++i], 0xFFFFFFFF, &seed)) return MvwUsage();
    } else if (a == "--removed" && i + 1 < argc) {
      if (!ParseCount(argv[++i], 100, &removed)) return MvwUsage();
    } else if (a == "--oneway" && i + 1 < argc) {
      if (!ParseCount(argv[++i], 100, &oneWay)) return MvwUsage();
    } else if (!out && a.rfind("--", 0) != 0) {
      out = argv[i];
    } else {
      return MvwUsage();
    }
  }
  if (!out) return MvwUsage();
  try {
    const sample::MvwSpec plan =
        grid ? sample::RoadGridMvw(uint32_t(width), uint32_t(height), uint32_t(seed), int(removed),
                                   int(oneWay))
             : sample::DemoRoadGraph();
    if (!sample::WriteMvw(out, plan)) {
      std::fprintf(stderr, "mvw: cannot write %s\n", out);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mvw: %s\n", e.what());
    return 1;
  }
  return 0;
}
