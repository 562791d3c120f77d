// Navigation mode on the demo device, headless. Targets: one GPS tick (fix copy, the view's
// position update, the track append, the target line, the invalidation) with its partial repaint
// at a median of <= 5 ms while a working-map track grows to 60,000 vertices in one object (no
// cutting), the mean of the last 1,000 ticks within 1.5 x that of the first 1,000 (appends stay
// amortised O(1)); one move of the zoom frame's rubber outline <= 50 us.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/input_mode.h"
#include "geodesy/gauss_kruger.h"
#include "gps/gps_port.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "tools/sampledata/demo_device.h"
#include "view/map_view.h"

namespace {

using Clock = std::chrono::steady_clock;

// The program's window on the demo device, with a fresh working map in centimetres over a whole
// zone band round the view's centre. Null when something could not be made.
HWND StartDemoWithWorkingMap() {
  harness::Start();
  if (!sample::WriteDemoDevice(harness::Root()).empty()) return nullptr;
  static MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  status.dwAvailPhys = 64u << 20;
  status.dwTotalPhys = 128u << 20;
  vplat::SetMemoryStatusOverride(&status);
  harness::AnswerMessageBox(L"", IDOK);
  g_CommandLine = "";
  if (RegisterMainWindowClass(nullptr) != 0) return nullptr;
  HWND w = CreateMainWindow(nullptr, "", SW_SHOW);
  harness::PumpUntilIdle();
  std::ofstream(harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj"), std::ios::binary)
      << sample::DemoProjectText() << "\nW";
  if (g_MapView.OpenProject("\\Vorna\\Maps\\Demo.mpj", &g_UserLayer, 0) != 0) return nullptr;
  const RECT& v = g_MapView.viewRect;
  double cx, cy;
  g_MapView.ScreenToPlane((v.left + v.right) / 2, (v.top + v.bottom) / 2, &cx, &cy, 1);
  if (g_UserLayer.CreateMap(10000, -2, cx, cy, g_MapView.zone) != 1) return nullptr;
  // The new map gets the view's transform, as the new-map dialog gives it: the track is drawn
  // where the marker is, not clipped away off the screen.
  g_MapView.UpdateLayers(0);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  return w;
}

void BM_GpsTickWithGrowingTrack(benchmark::State& state) {
  HWND w = StartDemoWithWorkingMap();
  if (!w) {
    state.SkipWithError("demo device");
    return;
  }
  const RECT& v = g_MapView.viewRect;
  double cx, cy;
  g_MapView.ScreenToPlane((v.left + v.right) / 2, (v.top + v.bottom) / 2, &cx, &cy, 1);
  g_MapView.followGps = 0;
  g_MapView.centreOnGps = 0;
  g_UserLayer.trackCode = 1201;
  g_UserLayer.cut = 0;
  g_UserLayer.BeginObject();
  // A walk round a circle of 40 m near the centre, 3 m a tick: every fix is a move and the
  // marker stays on the screen while the track piles up under it.
  constexpr int kTicks = 60000;
  constexpr double kRadius = 40, kStep = 3;
  std::vector<double> ms, bodyMs;  // whole ticks; the tick without its repaint
  ms.reserve(kTicks);
  bodyMs.reserve(kTicks);
  GpsFix fix{};
  fix.status = 'A';
  fix.course = 90;
  for (auto _ : state) {
    for (int i = 0; i < kTicks; ++i) {
      const double a = i * kStep / kRadius;
      double lat = 0, lon = 0;
      GkToGeo(cx + kRadius * std::cos(a), cy + kRadius * std::sin(a), lat, lon);
      const auto start = Clock::now();
      GpsFix copy{};
      g_GpsPort.GetFix(&copy);  // the lock and the 368-byte copy of a real tick
      benchmark::DoNotOptimize(copy);
      fix.latitude = lat;
      fix.longitude = lon;
      ApplyValidFix(w, fix);
      const auto body = Clock::now();
      UpdateWindow(w);
      const auto end = Clock::now();
      ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
      bodyMs.push_back(std::chrono::duration<double, std::milli>(body - start).count());
    }
  }
  const int32_t vertices = g_UserLayer.map->GetVertexCount(g_UserLayer.current);
  std::vector<double> sorted = ms;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  auto mean = [](const std::vector<double>& v, bool last) {
    return std::accumulate(last ? v.end() - 1000 : v.begin(), last ? v.end() : v.begin() + 1000,
                           0.0) / 1000;
  };
  const double firstMean = mean(ms, false), lastMean = mean(ms, true);
  // Without the repaint: the append path alone, which must not grow with the track.
  state.counters["body_last_over_first"] = mean(bodyMs, true) / mean(bodyMs, false);
  state.counters["median_ms"] = sorted[sorted.size() / 2];
  state.counters["first1000_ms"] = firstMean;
  state.counters["last1000_ms"] = lastMean;
  state.counters["last_over_first"] = lastMean / firstMean;
  state.counters["vertices"] = vertices;
  state.counters["target_median_ms"] = 5;
  state.counters["target_ratio"] = 1.5;
  g_UserLayer.recording = 0;  // nothing of it is written at the end
  g_UserLayer.saved = 1;
  DestroyWindow(w);
  harness::Stop();
}
BENCHMARK(BM_GpsTickWithGrowingTrack)->Unit(benchmark::kSecond)->Iterations(1);

void BM_RubberFrameMove(benchmark::State& state) {
  HWND w = StartDemoWithWorkingMap();
  if (!w) {
    state.SkipWithError("demo device");
    return;
  }
  SetInputModeDirect(input_mode::kZoomFrame);
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 60));
  int i = 0;
  for (auto _ : state) {
    const int x = 60 + (i % 100), y = 90 + (i % 120);
    SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    ++i;
  }
  SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(30, 60));
  state.counters["target_us"] = 50;
  DestroyWindow(w);
  harness::Stop();
}
BENCHMARK(BM_RubberFrameMove)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
