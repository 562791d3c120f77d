// The reader's per-line work: checksum, dispatch, parse into the working fix and publish under
// the fix lock, over 10,000 generated lines of a mixed receiver stream (RMC/GNRMC, GGA/GNGNS,
// GSA, 3-message GSV cycles, 10% kinds we ignore, 2% bad checksums).
// Target: at least 2.0 M sentences a second on one core.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "gps/nmea.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

std::vector<std::string> MixedStream(size_t count) {
  std::vector<std::string> lines;
  lines.reserve(count);
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  const char* ignored[] = {"GPVTG,084.4,T,,M,022.4,N,041.5,K,A", "GLGSV,1,1,02,65,40,100,30,66,20,200,25",
                           "GPZDA,123519.00,23,03,1994,00,00", "GPGLL,4807.038,N,01131.000,E,123519,A,A"};
  int second = 0;
  while (lines.size() < count) {
    const unsigned r = next() % 100;
    std::string line;
    char body[200];
    const int s = second++ % 86400;
    if (r < 10) {
      line = sample::NmeaLine(ignored[next() % 4]);
    } else if (r < 30) {
      std::snprintf(body, sizeof body,
                    "%s,%02d%02d%02d.00,A,48%07.4f,N,011%07.4f,E,%05.1f,%05.1f,230394,003.1,W,A",
                    next() % 2 ? "GPRMC" : "GNRMC", s / 3600, s / 60 % 60, s % 60,
                    (next() % 60000) / 1000.0, (next() % 60000) / 1000.0, (next() % 300) / 10.0,
                    (next() % 3600) / 10.0);
      line = sample::NmeaLine(body);
    } else if (r < 48) {
      std::snprintf(body, sizeof body, "%s,%02d%02d%02d.00,4807.038,N,01131.000,E,1,08,0.9,%.1f,M,46.9,M,,",
                    next() % 2 ? "GPGGA" : "GNGNS", s / 3600, s / 60 % 60, s % 60,
                    (next() % 10000) / 10.0);
      line = sample::NmeaLine(body);
    } else if (r < 60) {
      line = sample::NmeaLine("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
    } else {
      // A whole cycle of three messages.
      for (int m = 1; m <= 3 && lines.size() < count; ++m) {
        std::snprintf(body, sizeof body, "GPGSV,3,%d,11,%02d,%02u,%03u,%02u,%02d,%02u,%03u,%02u,%02d,%02u,%03u,%02u,%02d,%02u,%03u,",
                      m, m * 4 - 3, next() % 90, next() % 360, next() % 50, m * 4 - 2, next() % 90,
                      next() % 360, next() % 50, m * 4 - 1, next() % 90, next() % 360,
                      next() % 50, m * 4, next() % 90, next() % 360);
        lines.push_back(sample::NmeaLine(body));
      }
      continue;
    }
    lines.push_back(line);
  }
  // 2% bad checksums, spread through the stream; the CR LF the reader strips at the LF goes too.
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string& l = lines[i];
    l.resize(l.size() - 1);  // the LF; the CR stays, as the reader passes it on
    if (i % 50 == 7) l[l.size() - 2] = l[l.size() - 2] == '0' ? '1' : '0';
  }
  return lines;
}

void BM_NmeaParseAndPublish(benchmark::State& state) {
  const std::vector<std::string> lines = MixedStream(10000);
  GpsFix working{}, published{};
  std::mutex fixLock;
  size_t taken = 0;
  for (auto _ : state) {
    for (const std::string& l : lines) {
      if (ParseNmeaSentence(working, l.c_str()) != NmeaKind::None) {
        std::lock_guard lock(fixLock);
        published = working;
        ++taken;
      }
    }
    benchmark::DoNotOptimize(published);
  }
  benchmark::DoNotOptimize(taken);
  state.SetItemsProcessed(int64_t(state.iterations() * lines.size()));
  state.counters["target_items_per_s"] = 2.0e6;
}
BENCHMARK(BM_NmeaParseAndPublish)->Unit(benchmark::kMicrosecond);

void BM_NmeaChecksumOnly(benchmark::State& state) {
  const std::vector<std::string> lines = MixedStream(10000);
  for (auto _ : state) {
    int ok = 0;
    for (const std::string& l : lines) ok += NmeaChecksumOk(l.c_str());
    benchmark::DoNotOptimize(ok);
  }
  state.SetItemsProcessed(int64_t(state.iterations() * lines.size()));
}
BENCHMARK(BM_NmeaChecksumOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
