// vorna-mksample nmea: a receiver's output for a walk round the demo town, for replay through
// vorna-fakegps or as a paced source.
//
//   nmea OUT.nmea [--seconds N]      N one-second epochs (default 600), each RMC, GGA, GSA and a
//                                    three-message GSV cycle, lines ending in CR LF
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/sampledata/fake_receiver.h"

int RunNmeaCommand(int argc, char** argv) {
  if (argc < 1) {
    std::fprintf(stderr, "usage: vorna-mksample nmea OUT.nmea [--seconds N]\n");
    return 2;
  }
  long seconds = 600;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      char* end = nullptr;
      seconds = std::strtol(argv[++i], &end, 10);
      if (!end || *end || seconds < 1 || seconds > 86400) {
        std::fprintf(stderr, "vorna-mksample nmea: --seconds takes 1 to 86400\n");
        return 2;
      }
    } else {
      std::fprintf(stderr, "usage: vorna-mksample nmea OUT.nmea [--seconds N]\n");
      return 2;
    }
  }
  FILE* f = std::fopen(argv[0], "wb");
  if (!f) {
    std::fprintf(stderr, "vorna-mksample: cannot write %s\n", argv[0]);
    return 1;
  }
  bool ok = true;
  for (const sample::WalkEpoch& e : sample::DemoTownWalk(int(seconds))) {
    for (const std::string& line : sample::EpochSentences(e))
      ok = ok && std::fwrite(line.data(), 1, line.size(), f) == line.size();
  }
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "vorna-mksample: cannot write %s\n", argv[0]);
    return 1;
  }
  return 0;
}
