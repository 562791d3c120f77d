// The construction tools' hot paths, on a working map in metres written by the sample writer:
// a LINE_P preview along a 10,000-vertex base line with three further picks (target <= 2 ms),
// a RECT_CP3 preview along the same line between points 8,000 vertices apart (target <= 1 ms),
// and one insertion into a 20,000-line (1.2 MB) work log that the system has cached (target
// <= 15 ms).
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "edit/construction_methods.h"
#include "edit/new_object_builder.h"
#include "edit/work_log.h"
#include "maps/mdm_map.h"
#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"

namespace {

constexpr int kVertices = 10000;

struct Fixture {
  Fixture() {
    harness::Start();
    sample::MdmSpec plan;
    plan.unitExponent = 3;
    plan.x1 = 6000000, plan.y1 = 7000000, plan.x2 = 6100000, plan.y2 = 7100000;
    // A winding line 10 m a vertex across 100 km of easting.
    std::vector<std::pair<int32_t, int32_t>> line;
    for (int i = 0; i < kVertices; ++i)
      line.push_back({50000 + int32_t(2000 * std::sin(i / 300.0)), 1000 + 9 * i});
    plan.objects.push_back(sample::MdmShape((1 << 3) | 2, line));
    plan.objects.push_back(sample::MdmPoint((1 << 3) | 1, 50100, 1000 + 9 * 1000));
    plan.objects.push_back(sample::MdmPoint((1 << 3) | 1, 50150, 1000 + 9 * 9000));
    plan.objects.push_back(sample::MdmPoint((1 << 3) | 1, 50400, 1000 + 9 * 5000));
    sample::WriteMdm(harness::HostPath(L"\\Bench.mdm"), plan);
    map.OpenHeader("\\Bench.mdm");
    map.Load();
    map.loadAll = 1;
    map.LoadVisibleObjects();
    const uint16_t codes[5] = {0, (1 << 3) | 1, (1 << 3) | 2, (1 << 3) | 3, 0};
    builder.Bind(&map, codes, "\\Bench.gtl");
  }
  ~Fixture() { harness::Stop(); }
  TObjectRef Ref(int i) {
    TObjectRef r;
    r.object = uint16_t(i);
    return r;
  }
  TMdmMap map;
  TNewObjectBuilder builder;
};

Fixture& F() {
  static Fixture f;
  return f;
}

void BM_LinePPreview(benchmark::State& state) {
  Fixture& f = F();
  f.builder.SetKind(2);
  f.builder.CreatePending();
  const TObjectRef picks[] = {f.Ref(1), f.Ref(2), f.Ref(3), f.Ref(4)};
  for (auto _ : state) construct::BuildLineP(f.builder, picks, 4, 0, 0);
  state.counters["vertices"] = double(f.map.GetVertexCount(f.builder.PendingIndex()));
}
BENCHMARK(BM_LinePPreview)->Unit(benchmark::kMillisecond);

void BM_RectCP3Preview(benchmark::State& state) {
  Fixture& f = F();
  f.builder.SetKind(3);
  f.builder.CreatePending();
  const TObjectRef picks[] = {f.Ref(1), f.Ref(2), f.Ref(3), f.Ref(4)};
  for (auto _ : state) construct::BuildRect(f.builder, picks, 4, 0, 0);
  state.counters["vertices"] = double(f.map.GetVertexCount(f.builder.PendingIndex()));
}
BENCHMARK(BM_RectCP3Preview)->Unit(benchmark::kMillisecond);

void BM_WorkLogInsertion(benchmark::State& state) {
  F();
  {
    std::ofstream log(harness::HostPath(L"\\Bench.gtl"), std::ios::binary);
    log << "[WORKTIME]\n";
    for (int i = 0; i < 10000; ++i) log << "2026-01-01 10:00:00\t2026-01-01 11:00:00\t\\GPS\\Log\\survey_" << i << ".jps\n";
    log << "[TOOLS]\n";
    for (int i = 0; i < 9998; ++i) log << "POINT_2DA\ttools_260101000000\tpoint_" << i << "\tbase_" << i << "\t10.000000\t90\n";
  }
  for (auto _ : state)
    work_log::AppendToSection("\\Bench.gtl", "WORKTIME", "2026-01-02 10:00:00\t2026-01-02 11:00:00\tlog");
  std::ifstream in(harness::HostPath(L"\\Bench.gtl"), std::ios::binary | std::ios::ate);
  state.counters["bytes"] = double(in.tellg());
}
BENCHMARK(BM_WorkLogInsertion)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
