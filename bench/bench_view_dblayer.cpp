// The database point layer: 100,000 loaded points, 5,000 of them in a 240 x 294 view, four
// priorities, the device's real fonts, drawn into a memory DC. Target, one thread:
// PrepareView + Draw <= 20 ms. Counters: in_view and drawn (labels placed).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>

#include "platform/harness.h"
#include "platform/win.h"
#include "search/db_point_layer.h"
#include "tools/sampledata/mol_writer.h"
#include "tools/sampledata/ndb_writer.h"

namespace {

constexpr double kLat0 = 0.97, kLon0 = 0.66, kRadPerPx = 1e-6;

bool ToScreen(double lat, double lon, int32_t* x, int32_t* y) {
  *x = int32_t(std::lround(120 + (lon - kLon0) / kRadPerPx));
  *y = int32_t(std::lround(147 - (lat - kLat0) / kRadPerPx));
  return true;
}
bool ToGeo(int32_t x, int32_t y, double* lat, double* lon) {
  *lat = kLat0 + (147 - y) * kRadPerPx;
  *lon = kLon0 + (x - 120) * kRadPerPx;
  return true;
}

struct Fixture {
  TDbPointLayer layer{ToScreen, ToGeo};
  HDC dc = nullptr;
  Fixture() {
    harness::Start();
    sample::NdbSpec s;
    s.columns = {{"Priority", sample::kNdbByte}, {"Name", sample::kNdbText}, {"X", sample::kNdbDouble},
                 {"Y", sample::kNdbDouble}};
    std::mt19937 rng(134);
    for (int i = 0; i < 100000; i++) {
      // One point in twenty inside the view, the rest around it over 20 times its width and
      // height (moved off the view when they fall on it).
      const bool inside = i % 20 == 0;
      double px = std::uniform_real_distribution<double>(inside ? 0 : -2280, inside ? 240 : 2520)(rng);
      double py = std::uniform_real_distribution<double>(inside ? 0 : -2793, inside ? 294 : 3087)(rng);
      if (!inside && px >= 0 && px <= 240 && py >= 0 && py <= 294) px += 3000;
      s.rows.push_back({int64_t(1 + i % 4), std::string("Place ") + std::to_string(i),
                        kLat0 + (147 - py) * kRadPerPx, kLon0 + (px - 120) * kRadPerPx});
    }
    sample::WriteNdb(harness::HostPath(L"\\Global.ndb"), s);
    layer.Load("\\Global.ndb");
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    SelectObject(dc, CreateCompatibleBitmap(screen, 240, 320));
    ReleaseDC(nullptr, screen);
  }
};

void BM_PrepareAndDraw(benchmark::State& state) {
  static Fixture f;
  int64_t inView = 0, drawn = 0;
  for (auto _ : state) {
    f.layer.PrepareView(0, 0, 240, 294);
    f.layer.Draw(f.dc);
  }
  for (const TDbPointItem& it : f.layer.items) inView += it.inView;
  drawn = f.layer.occupancy.Count();
  state.counters["loaded"] = double(f.layer.items.size());
  state.counters["in_view"] = double(inView);
  state.counters["drawn"] = double(drawn);
}
BENCHMARK(BM_PrepareAndDraw)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
