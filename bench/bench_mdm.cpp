// Vector map files at their largest: 16 maps of 62,500 lines (16 vertices and one 8-byte
// attribute each, 10.3 MB a map), a million objects in all. Targets with the files in the page
// cache: OpenHeader + Load <= 10 ms a map and <= 160 ms for all 16; LoadVisibleObjects of one
// map <= 200 ms; Save with regrouping, geometry in memory, <= 150 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "maps/mdm_map.h"
#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"

namespace {

constexpr int kMaps = 16;
constexpr int kLines = 62500;

std::string DevicePath(int i) { return "\\bench" + std::to_string(i) + ".mdm"; }

// Writes the maps once per process into a temporary device root.
void EnsureMaps() {
  static bool done = false;
  if (done) return;
  done = true;
  harness::Start();
  std::vector<uint8_t> bytes = sample::BuildMdm(sample::LinesMdm(kLines, 16));
  for (int i = 0; i < kMaps; i++) {
    std::string dev = DevicePath(i);
    std::ofstream out(harness::HostPath(std::wstring(dev.begin(), dev.end())), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
}

void BM_OpenAndLoadOneMap(benchmark::State& state) {
  EnsureMaps();
  for (auto _ : state) {
    TMdmMap map;
    if (map.OpenHeader(DevicePath(0).c_str()) || map.Load()) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(map.count);
  }
}
BENCHMARK(BM_OpenAndLoadOneMap)->Unit(benchmark::kMillisecond);

void BM_OpenAndLoadSixteenMaps(benchmark::State& state) {
  EnsureMaps();
  for (auto _ : state) {
    std::vector<TMdmMap> maps(kMaps);
    for (int i = 0; i < kMaps; i++)
      if (maps[i].OpenHeader(DevicePath(i).c_str()) || maps[i].Load())
        state.SkipWithError("load failed");
    benchmark::DoNotOptimize(maps.back().count);
  }
  state.counters["objects"] = double(kMaps) * kLines;
}
BENCHMARK(BM_OpenAndLoadSixteenMaps)->Unit(benchmark::kMillisecond);

void BM_LoadVisibleObjects(benchmark::State& state) {
  EnsureMaps();
  for (auto _ : state) {
    state.PauseTiming();
    TMdmMap map;
    map.OpenHeader(DevicePath(0).c_str());
    map.Load();
    map.loadAll = 1;  // every object, as before a save
    state.ResumeTiming();
    int rc = map.LoadVisibleObjects();
    if (rc != 0 && rc != kMdmNoLibrary) state.SkipWithError("geometry read failed");
    benchmark::DoNotOptimize(map.objects[1].vertices);
    state.PauseTiming();
    map.Close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadVisibleObjects)->Unit(benchmark::kMillisecond);

void BM_SaveWithRegrouping(benchmark::State& state) {
  EnsureMaps();
  TMdmMap map;
  map.OpenHeader(DevicePath(0).c_str());
  map.Load();
  map.working = 1;
  map.LoadVisibleObjects();
  for (auto _ : state) {
    if (map.Save("\\bench_out.mdm", 1) != 0) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveWithRegrouping)->Unit(benchmark::kMillisecond);

}  // namespace

// The maps are removed with the temporary root once the runs are over.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  harness::Stop();
  return 0;
}
