// "jps": writes a receiver data file.
//
//   jps OUT.jps              the demo device's file: date 2013-12-26, time, satellite list, a few
//                            ephemerides and a 32-satellite almanac around the published PRN 1
//                            record of week 748
//   jps OUT.jps --large MB   about MB megabytes of receiver traffic with the almanac at the end
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/sampledata/jps_writer.h"

int RunJpsCommand(int argc, char** argv) {
  const char* out = nullptr;
  long megabytes = -1;
  for (int i = 0; i < argc; i++) {
    const std::string a = argv[i];
    if (a == "--large" && i + 1 < argc) {
      char* end = nullptr;
      megabytes = std::strtol(argv[++i], &end, 10);
      if (!end || *end || megabytes < 1 || megabytes > 1024) megabytes = 0;
    } else if (!out && a.rfind("--", 0) != 0) {
      out = argv[i];
    } else {
      std::fprintf(stderr, "jps: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  if (!out || megabytes == 0) {
    std::fprintf(stderr, "usage: jps OUT.jps [--large MB (1-1024)]\n");
    return 2;
  }
  const sample::Bytes bytes =
      megabytes > 0 ? sample::LargeJps(size_t(megabytes) << 20) : sample::DemoJps();
  if (!sample::WriteJps(out, bytes)) {
    std::fprintf(stderr, "jps: cannot write %s\n", out);
    return 1;
  }
  return 0;
}
