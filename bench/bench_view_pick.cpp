// Picking on one resident working map of 65,535 objects (55% lines of 8-16 vertices, 30% areas
// of 12, 13% points, 2% texts), every object in view and past the level of detail in a
// 240 x 294 view; 10,000 seeded taps at 10 pixels. Targets, one thread: TMapView::FindObjectsAt
// with capacity 50 (tap and hold) mean <= 1 ms and worst <= 3 ms a tap; capacity 1 with kind
// filter 2 (the editing tools) mean <= 1 ms; FindNearestObjectOfKind over the map <= 2 ms.
// Counters: mean_us and worst_us a tap, found = references returned over all taps.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_pick.h"
#include "view/map_view.h"

namespace {

constexpr int kObjects = 65535;

std::string Host(const std::string& dev) {
  return harness::HostPath(std::wstring(dev.begin(), dev.end()));
}

sample::MdmSpec PickMap() {
  sample::MdmSpec s;
  s.unitExponent = 1;  // centimetres over a 10 km frame
  s.x1 = 6180000;
  s.y1 = 7400000;
  s.x2 = 6190000;
  s.y2 = 7410000;
  s.library = "Demo";
  s.objects.reserve(kObjects);
  std::mt19937 rng(2024);
  auto next = [&rng](int32_t mod) { return int32_t(rng() % uint32_t(mod)); };
  for (int i = 0; i < kObjects; i++) {
    const int share = i % 100;
    int32_t x = 2000 + next(990000), y = 2000 + next(990000);
    int32_t size = 6000 + next(14000);
    if (share < 13) {
      s.objects.push_back(sample::MdmPoint(9, x, y));
      continue;
    }
    std::vector<std::pair<int32_t, int32_t>> v;
    if (share < 15) {  // text: a two-vertex placement line
      v = {{x, y}, {x, y + size}};
      s.objects.push_back(sample::MdmShape(36, std::move(v)));
      continue;
    }
    const bool area = share >= 70;
    const int n = area ? 11 : 8 + next(9);
    for (int k = 0; k < n; k++) v.push_back({x + size * k / n, y + (k % 2) * size / 3 + next(500)});
    if (area) v.push_back(v.front());
    s.objects.push_back(sample::MdmShape(area ? 27 : 18, std::move(v)));
  }
  return s;
}

struct Fixture {
  std::unique_ptr<TMapView> view;
  TMdmMap* map = nullptr;
  std::vector<std::pair<int32_t, int32_t>> taps;
  Fixture() {
    harness::Start();
    CreateDirectoryW(L"\\Obj", nullptr);
    sample::SaveBytes(Host("\\Obj\\Demo.mol"), sample::WriteMol(sample::DemoLibrary()));
    view = std::make_unique<TMapView>();
    view->libraries.SetFolder("\\Obj\\", &view->palette);
    view->devicePixelsPerMetre = 4000.0;
    view->viewRect = {0, 0, 240, 294};
    sample::WriteMdm(Host("\\pick.mdm"), PickMap());
    int i = view->AddVectorMap("\\pick.mdm", 1);
    view->LoadVectorMapObjects(i);
    view->vectorMaps[size_t(i)].inScale = 1;
    view->InitViewFromExtent();
    view->UpdateLayers(1);
    map = view->GetVectorMap(i);
    view->PrepareMap(map, view->viewRect);
    // Resident like a working map: every object drawn and its geometry held.
    for (int32_t k = 1; k < map->count; k++)
      map->objects[k].flags |= TMapObject::kInView | TMapObject::kPassesLevel;
    map->LoadVisibleObjects();
    std::mt19937 rng(10000);
    for (int t = 0; t < 10000; t++) taps.push_back({int32_t(rng() % 240), int32_t(rng() % 294)});
  }
};

Fixture& F() {
  static Fixture f;
  return f;
}

template <typename Fn>
void TimeTaps(benchmark::State& state, Fn fn) {
  Fixture& f = F();
  double worst = 0, total = 0;
  int64_t found = 0, count = 0;
  size_t worstTap = 0;
  auto time = [&](size_t t) {
    auto a = std::chrono::steady_clock::now();
    found += fn(f, f.taps[t].first, f.taps[t].second);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - a).count();
  };
  for (auto _ : state) {
    for (size_t t = 0; t < f.taps.size(); t++) {
      double us = time(t);
      if (us > worst) {
        worst = us;
        worstTap = t;
      }
      total += us;
      count++;
    }
  }
  // The slowest tap timed again, best of 20: its own cost without a preemption or page fault
  // of the moment it was first met.
  double again = 1e300;
  for (int i = 0; i < 20; i++) again = std::min(again, time(worstTap));
  state.counters["mean_us"] = total / double(count);
  state.counters["worst_us"] = worst;
  state.counters["worst_again_us"] = again;
  state.counters["found"] = double(found);
  state.counters["objects"] = double(f.map->count - 1);
}

void BM_TapAndHold(benchmark::State& state) {
  TimeTaps(state, [](Fixture& f, int32_t x, int32_t y) {
    TObjectRef refs[50];
    return f.view->FindObjectsAt(-1, x, y, refs, 50, 10, 0);
  });
}
BENCHMARK(BM_TapAndHold)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EditingToolLine(benchmark::State& state) {
  TimeTaps(state, [](Fixture& f, int32_t x, int32_t y) {
    TObjectRef ref;
    return f.view->FindObjectsAt(0, x, y, &ref, 1, 10, 2);
  });
}
BENCHMARK(BM_EditingToolLine)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_NearestLineOverTheMap(benchmark::State& state) {
  Fixture& f = F();
  int64_t found = 0;
  size_t t = 0;
  for (auto _ : state) {
    auto [x, y] = f.taps[t++ % f.taps.size()];
    double px, py;
    f.view->ScreenToPlane(x, y, &px, &py, 1);
    found += FindNearestObjectOfKind(*f.map, 2, px, py, INT32_MAX) != kNoObject;
  }
  state.counters["found"] = double(found);
}
BENCHMARK(BM_NearestLineOverTheMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
