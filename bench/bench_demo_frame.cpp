// The demo device's first full frame and one pan, as the program draws them: the project is
// opened and its maps loaded first (not timed); then
//   FirstFrame: PrepareFrame + DrawLayers of a fresh view at 1:10000 on the town centre (the
//               level of detail, in-view marking and the reading of every visible object's
//               geometry from the files happen inside it);
//   Pan:        a 60-pixel drag's MoveView, then PrepareFrame + DrawLayers (objects that came
//               into view are read, those that left are freed).
//   PanInZone6: the same pan with the town shown in the neighbouring zone's plane, as a project
//               whose first map lies west of it shows it: every vertex goes through the map's
//               conversion into the view's zone.
// Target: first frame under 20 ms once the maps are open.
#include <benchmark/benchmark.h>

#include <string>

#include "geodesy/gauss_kruger.h"

#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "view/frame_draw.h"
#include "view/map_view.h"

namespace {

struct DemoView {
  DemoView() {
    harness::Start();
    ok = sample::WriteDemoDevice(harness::Root()).empty() &&
         view.LoadStartupResources("\\Vorna\\", nullptr) == 0;
    view.ReadScreenResolution(nullptr);
    InstallMapDrawing(view);
    dc = GetDC(nullptr);
  }
  ~DemoView() {
    ReleaseDC(nullptr, dc);
    view.CloseAllMaps();
    harness::Stop();
  }
  // Opens the project and loads every map's table, then puts the view on the town centre.
  bool Open() {
    if (view.OpenProject(sample::kDemoProjectPath, nullptr, 0) != 0) return false;
    for (int i = 0; i < view.GetVectorMapCount(); ++i)
      if (view.LoadVectorMapObjects(i) != 0) return false;
    view.viewRect = {0, 0, 240, 294};
    view.InitViewFromExtent();
    double x, y;
    sample::TownToPlane(2.0, 2.0, &x, &y);
    view.SetScale(10000);
    view.CenterOn(x, y, 0);
    for (int i = 0; i < view.GetVectorMapCount(); ++i)
      view.GetVectorMap(i)->SelectNominalScale(view.scale);
    return true;
  }
  // The view in zone 6 on the same ground: the maps are drawn through their zone conversion.
  bool ShowInZone(uint8_t z) {
    double x, y, x6, y6;
    sample::TownToPlane(2.0, 2.0, &x, &y);
    if (!GkReprojectToZone(x, y, view.zone, z, x6, y6)) return false;
    view.zone = z;
    for (int i = 0; i < view.GetVectorMapCount(); ++i) view.GetVectorMap(i)->SetOutputZone(z);
    view.CenterOn(x6, y6, 0);
    return true;
  }
  void Frame() {
    PrepareFrame(view, 0, 0, 240, 294);
    DrawLayers(view, dc);
  }
  // Objects that the last frame drew: in view, above the level of detail, of a map in scale.
  int Drawn() const {
    int n = 0;
    for (int i = 0; i < view.GetVectorMapCount(); ++i) {
      const TVectorMapSlot* slot = const_cast<TMapView&>(view).GetVectorSlot(i);
      if (!slot->inScale) continue;
      for (int k = 1; k < slot->map->count; ++k)
        n += (slot->map->objects[k].flags & 0x0C) == 0x0C;
    }
    return n;
  }

  TMapView view;
  HDC dc = nullptr;
  bool ok = false;
};

void BM_DemoFirstFrame(benchmark::State& state) {
  DemoView demo;
  if (!demo.ok) {
    state.SkipWithError("demo device not written");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    demo.view.CloseAllMaps();
    if (!demo.Open()) {
      state.SkipWithError("project not opened");
      return;
    }
    state.ResumeTiming();
    demo.Frame();
  }
  state.counters["objects"] = demo.Drawn();
  state.counters["scale"] = demo.view.scale;
}
BENCHMARK(BM_DemoFirstFrame)->Unit(benchmark::kMillisecond);

// Back and forth, so every pan brings objects into view and lets others go; `zone` 0 keeps
// the view's own zone.
void Pan(benchmark::State& state, uint8_t zone) {
  DemoView demo;
  if (!demo.ok || !demo.Open() || (zone && !demo.ShowInZone(zone))) {
    state.SkipWithError("demo device not opened");
    return;
  }
  demo.Frame();
  int step = 60;
  for (auto _ : state) {
    demo.view.MoveView(120 + step, 147, 1);
    step = -step;
    demo.Frame();
  }
  state.counters["objects"] = demo.Drawn();
}

void BM_DemoPan(benchmark::State& state) { Pan(state, 0); }
BENCHMARK(BM_DemoPan)->Unit(benchmark::kMillisecond);

void BM_DemoPanInZone6(benchmark::State& state) { Pan(state, 6); }
BENCHMARK(BM_DemoPanInZone6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
