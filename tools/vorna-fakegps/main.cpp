// vorna-fakegps: a fake NMEA receiver on a pseudo-terminal. Prints the slave path on the first
// line of standard output (point VORNA_COMn at it), then replays a file of NMEA lines, or the
// demo town's ride round its ring of streets (the demo device's track), one epoch a second.
// What the program sends back is echoed to standard error.
//
//   vorna-fakegps [FILE.nmea] [--interval MS] [--loop]
//
// A file is replayed line by line, `--interval` apart (default 200 ms); the walk goes one epoch
// (six lines) per interval (default 1000 ms). Ends at the end of the data, or never with --loop;
// Ctrl-C ends it at once.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage() {
  std::fprintf(stderr, "usage: vorna-fakegps [FILE.nmea] [--interval MS] [--loop]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  long interval = -1;
  bool loop = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--loop")) {
      loop = true;
    } else if (!std::strcmp(argv[i], "--interval") && i + 1 < argc) {
      char* end = nullptr;
      interval = std::strtol(argv[++i], &end, 10);
      if (!end || *end || interval < 0 || interval > 60000) return Usage();
    } else if (argv[i][0] == '-' || !file.empty()) {
      return Usage();
    } else {
      file = argv[i];
    }
  }

  // Each entry is what goes out in one interval.
  std::vector<std::string> chunks;
  if (!file.empty()) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "vorna-fakegps: cannot read %s\n", file.c_str());
      return 1;
    }
    std::string line;
    while (std::getline(in, line)) chunks.push_back(line + "\n");
    if (interval < 0) interval = 200;
  } else {
    for (const sample::WalkEpoch& e : sample::DemoStreetWalk()) {
      std::string epoch;
      for (const std::string& s : sample::EpochSentences(e)) epoch += s;
      chunks.push_back(epoch);
    }
    if (interval < 0) interval = 1000;
  }

  sample::FakeReceiver fake;
  if (!fake.Open()) {
    std::fprintf(stderr, "vorna-fakegps: no pseudo-terminal available\n");
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%s\n", fake.SlavePath().c_str());
  std::fflush(stdout);

  size_t echoed = 0;
  do {
    for (size_t i = 0; i < chunks.size() && !g_stop; ++i) {
      fake.Write(chunks[i]);
      for (long waited = 0; waited < interval && !g_stop; waited += 50)
        sample::FakeReceiver::Pause(int(interval - waited < 50 ? interval - waited : 50));
      const std::string t = fake.Transcript();
      if (t.size() > echoed) {
        std::fwrite(t.data() + echoed, 1, t.size() - echoed, stderr);
        echoed = t.size();
      }
    }
  } while (loop && !g_stop && !chunks.empty());
  return 0;
}
