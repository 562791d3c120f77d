// Almanac prediction over two days for a full constellation, as the visibility graph computes
// it: 2,880 observer and time settings at one-minute steps, 32 satellites each (92,160 look-angle
// computations). Target: at most 40 ms on one core.
//
// Also the load of a 50 MB receiver file whose almanac cycle comes last, so every message of the
// file passes framing, checksum and the store. Target: at most 300 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gps/almanac.h"
#include "platform/sys/winsys.h"
#include "tools/sampledata/jps_writer.h"

namespace {

// A temporary device root holding the two files, made once.
struct Files {
  std::string root;
  Files() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorna-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) root = pattern;
    vplat::SetDeviceRoot(root);
    sample::WriteJps(root + "/demo.jps", sample::DemoJps());
    sample::WriteJps(root + "/large.jps", sample::LargeJps(size_t(50) << 20));
  }
  ~Files() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void BM_Predict48h(benchmark::State& state) {
  TheFiles();
  TAlmanac almanac;
  if (almanac.Load("\\demo.jps") != 1) {
    state.SkipWithError("demo almanac not loaded");
    return;
  }
  int visible = 0;
  for (auto _ : state) {
    visible = 0;
    for (int minute = 0; minute < 2880; ++minute) {
      // From 2013-12-24 16:38 up to the reference time two days later.
      const int total = (16 * 60 + 38) + minute;
      SYSTEMTIME t{};
      t.wYear = 2013;
      t.wMonth = 12;
      t.wDay = WORD(24 + total / 1440);
      t.wHour = WORD(total / 60 % 24);
      t.wMinute = WORD(total % 60);
      almanac.SetObserver(t, 55.75, 37.62, 150);
      for (int prn = 1; prn <= 32; ++prn) {
        uint8_t el;
        int16_t az;
        visible += almanac.GetSatellite(prn, &el, &az);
      }
    }
    benchmark::DoNotOptimize(visible);
  }
  state.counters["visible"] = visible;
  state.counters["per_satellite_ns"] = benchmark::Counter(
      double(state.iterations()) * 92160, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Predict48h)->Unit(benchmark::kMillisecond);

void BM_Load50MB(benchmark::State& state) {
  TheFiles();
  TAlmanac almanac;
  for (auto _ : state) {
    if (almanac.Load("\\large.jps") != 1) {
      state.SkipWithError("large file not loaded");
      return;
    }
  }
  state.counters["satellites"] = [&] {
    int n = 0;
    for (int prn = 1; prn <= 32; ++prn) n += almanac.GetReader().IsPresent(prn);
    return n;
  }();
  state.SetBytesProcessed(int64_t(state.iterations()) * (int64_t(50) << 20));
}
BENCHMARK(BM_Load50MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
