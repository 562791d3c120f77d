// View preparation over a million objects: 16 maps of 62,500 lines and areas (8 to 16
// vertices, 29-byte entries, files in the page cache) under a 240 x 294 view that shows about
// 1% of them. Targets, one thread: first frame (level of detail, marking, reading about
// 10,000 objects) <= 80 ms; a repeat frame with nothing to read <= 20 ms; a half-screen pan
// (about 5,000 read, 5,000 freed) <= 50 ms. The counter "resident" is the number of vertices
// held in memory after the frame: it follows the screen, not the map size.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_view.h"

namespace {

constexpr int kMaps = 16;
constexpr int kObjects = 62500;

std::string Host(const std::string& dev) {
  return harness::HostPath(std::wstring(dev.begin(), dev.end()));
}

// Lines and areas 60 to 200 m across, spread over the 10 km frame (centimetres).
sample::MdmSpec BenchMap(uint32_t seed) {
  sample::MdmSpec s;
  s.unitExponent = 1;
  s.x1 = 6180000;
  s.y1 = 7400000;
  s.x2 = 6190000;
  s.y2 = 7410000;
  s.library = "Demo";
  s.objects.reserve(kObjects);
  uint32_t r = seed * 2654435761u + 1;
  auto next = [&r](uint32_t mod) {
    r = r * 1103515245u + 12345u;
    return int32_t((r >> 8) % mod);
  };
  for (int i = 0; i < kObjects; i++) {
    int n = 8 + next(9);
    int32_t size = 6000 + next(14000);
    int32_t x = 1000 + next(980000), y = 1000 + next(980000);
    std::vector<std::pair<int32_t, int32_t>> v;
    bool area = i % 2 == 1;
    for (int k = 0; k < n; k++) v.push_back({x + size * k / n, y + (k % 2) * size / 3});
    if (area) v.push_back(v.front());
    sample::MdmObject o = sample::MdmShape(area ? 27 : 18, std::move(v));
    sample::AttrText(o.attrs, 9, "N" + std::to_string(i % 1000));
    s.objects.push_back(std::move(o));
  }
  return s;
}

struct Fixture {
  std::unique_ptr<TMapView> view;
  Fixture() {
    harness::Start();
    std::wstring obj = L"\\Obj";
    CreateDirectoryW(obj.c_str(), nullptr);
    sample::SaveBytes(Host("\\Obj\\Demo.mol"), sample::WriteMol(sample::DemoLibrary()));
    view = std::make_unique<TMapView>();
    view->libraries.SetFolder("\\Obj\\", &view->palette);
    view->devicePixelsPerMetre = 4000.0;
    view->viewRect = {0, 0, 240, 294};
    for (int i = 0; i < kMaps; i++) {
      std::string dev = "\\m" + std::to_string(i) + ".mdm";
      sample::WriteMdm(Host(dev), BenchMap(uint32_t(i)));
      int index = view->AddVectorMap(dev.c_str(), i == 0);
      view->LoadVectorMapObjects(index);
      view->vectorMaps[size_t(index)].inScale = 1;
    }
    view->UpdateViewZone();  // as after a project is read: every map gets the output zone
    // About 1% of the frame's area: 833 m across.
    view->pixelsPerMetre = 0.288;
    view->scale = int32_t(4000.0 / 0.288);
    Home();
  }
  void Home() {
    view->CenterOn(6185000, 7405000, 1);
    view->UpdateLayers(1);
  }
  void Frame() {
    for (int i = 0; i < view->GetVectorMapCount(); i++)
      view->PrepareMap(view->GetVectorMap(i), view->viewRect);
  }
  // Every object back to "nothing read", as before the first frame.
  void Forget() {
    for (auto& slot : view->vectorMaps) {
      TMdmMap& m = *slot.map;
      for (int32_t k = 0; k < m.count; k++)
        if (m.objects[k].state != TMapObject::kStateNone) m.objects[k].state = TMapObject::kStateToFree;
      m.LoadVisibleGeometry();
      m.levelPassDone = 0;
    }
  }
  double Resident() const {
    double n = 0;
    for (auto& slot : view->vectorMaps)
      for (int32_t k = 0; k < slot.map->count; k++) n += slot.map->objects[k].vertexCount;
    return n;
  }
  double Read() const {
    double n = 0;
    for (auto& slot : view->vectorMaps)
      for (int32_t k = 0; k < slot.map->count; k++) n += slot.map->objects[k].state == 1;
    return n;
  }
};

Fixture& Get() {
  static Fixture f;
  return f;
}

void BM_FirstFrame(benchmark::State& state) {
  Fixture& f = Get();
  for (auto _ : state) {
    state.PauseTiming();
    f.Home();
    f.Forget();
    state.ResumeTiming();
    f.Frame();
  }
  state.counters["read"] = f.Read();
  state.counters["resident"] = f.Resident();
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond);

void BM_RepeatFrame(benchmark::State& state) {
  Fixture& f = Get();
  f.Home();
  f.Frame();
  for (auto _ : state) f.Frame();
  state.counters["resident"] = f.Resident();
}
BENCHMARK(BM_RepeatFrame)->Unit(benchmark::kMillisecond);

void BM_HalfScreenPan(benchmark::State& state) {
  Fixture& f = Get();
  f.Home();
  f.Frame();
  bool east = true;
  for (auto _ : state) {
    // Half a view east, then back west: half the visible objects change each time.
    f.view->MoveView(east ? 240 : 0, 147, 1);
    east = !east;
    f.Frame();
  }
  state.counters["resident"] = f.Resident();
}
BENCHMARK(BM_HalfScreenPan)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Get().view.reset();
  harness::Stop();
  return 0;
}
