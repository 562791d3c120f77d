// vorna-fakegreis: a fake GREIS receiver on a pseudo-terminal. Prints the slave path on the first
// line of standard output (point VORNA_COMn at it and set GPSTYPE to 1), then answers the
// program's commands until Ctrl-C; every line the program sends is echoed to standard error.
//
//   vorna-fakegreis [--logs N] [--power VOLTS] [--growth BYTES_PER_S] [--noisy PERCENT]
//
// --logs lists N files log001.jps ... on the receiver (default 3), --power sets the board voltage
// (default 7.90), --growth the growth of the log being written (default 200 bytes a second),
// --noisy mixes NMEA sentences and stray acknowledgements in between the answers, each before
// PERCENT of them, and holds back that share of the "print" answers until the next answer.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tools/sampledata/fake_greis.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage() {
  std::fprintf(stderr,
               "usage: vorna-fakegreis [--logs N] [--power VOLTS] [--growth BYTES_PER_S] "
               "[--noisy PERCENT]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long logs = 3;
  std::string power = "7.90";
  double growth = 200;
  long noisy = 0;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    if (!std::strcmp(argv[i], "--logs") && i + 1 < argc) {
      logs = std::strtol(argv[++i], &end, 10);
      if (!end || *end || logs < 0 || logs > 10000) return Usage();
    } else if (!std::strcmp(argv[i], "--power") && i + 1 < argc) {
      power = argv[++i];
    } else if (!std::strcmp(argv[i], "--growth") && i + 1 < argc) {
      growth = std::strtod(argv[++i], &end);
      if (!end || *end || !(growth >= 0)) return Usage();
    } else if (!std::strcmp(argv[i], "--noisy") && i + 1 < argc) {
      noisy = std::strtol(argv[++i], &end, 10);
      if (!end || *end || noisy < 0 || noisy > 100) return Usage();
    } else {
      return Usage();
    }
  }
  sample::FakeGreis fake;
  for (long n = 1; n <= logs; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "log%03ld.jps", n);
    fake.AddLog(name, 4096 * n);
  }
  fake.SetPower(power);
  fake.SetCurrentLog("", 0);
  fake.SetNewLogGrowth(growth);
  if (noisy > 0) {
    sample::FakeGreis::Noise noise;
    noise.sentencePercent = noise.ackPercent = noise.holdPercent = int(noisy);
    noise.holdPrefix = "print,";
    fake.SetNoise(noise);
  }
  if (!fake.Open()) {
    std::fprintf(stderr, "vorna-fakegreis: no pseudo-terminal available\n");
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%s\n", fake.SlavePath().c_str());
  std::fflush(stdout);
  size_t echoed = 0;
  while (!g_stop) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string t = fake.Transcript();
    if (t.size() > echoed) {
      std::fwrite(t.data() + echoed, 1, t.size() - echoed, stderr);
      echoed = t.size();
    }
  }
  return 0;
}
