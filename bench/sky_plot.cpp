// The sky plot's hot paths with the demo almanac and a complete fix inside its window (the demo
// ride's first epoch, 2013-12-26 10:00 UTC, ten satellites in view):
//   UpdateSkyPlot, every 500 ms while the port is open: target at most 50 us;
//   Draw of a dirty plot and Blit, after every change: at most 1 ms;
//   Blit alone, on every paint of the map: at most 150 us;
//   the visibility graph's 48-hour count: at most 3 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/gps_port.h"
#include "gps/sat_graph.h"
#include "gps/sky_plot.h"
#include "platform/harness.h"
#include "tools/sampledata/fake_receiver.h"
#include "tools/sampledata/jps_writer.h"

namespace {

DWORD ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
void FixTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

// The device with the almanac loaded and the port replaying one epoch (repeated, so that it
// stays open) until its satellite table is complete.
struct Setup {
  bool ok = false;
  HDC screen = nullptr;
  HBITMAP bitmap = nullptr;
  Setup() {
    harness::Start();
    SYSTEMTIME morning{};
    morning.wYear = 2013, morning.wMonth = 12, morning.wDay = 26, morning.wHour = 10;
    SetSystemTime(&morning);
    if (!sample::WriteJps(harness::Root() + "/alm.jps", sample::DemoJps()) ||
        g_Almanac.Load("\\alm.jps") != 1)
      return;
    sample::WalkEpoch e{};
    e.latDeg = 55.75, e.lonDeg = 37.61, e.hour = 10, e.day = 26, e.month = 12, e.year = 13;
    std::string text;
    for (int i = 0; i < 50; ++i)
      for (const std::string& line : sample::EpochSentences(e)) text += line;
    FILE* f = std::fopen((harness::Root() + "/feed.nmea").c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    HWND owner = CreateWindowExW(0, L"static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 nullptr, nullptr);
    g_GpsPort.SetSourceType(TGpsPort::kPaced);
    g_GpsPort.Open(owner, L"\\feed.nmea", 0, FixTimerProc, ReaderProc, FALSE);
    for (int i = 0; i < 2000; ++i) {
      GpsFix fix{};
      g_GpsPort.GetFix(&fix);
      if (fix.satellitesComplete && fix.status == 'A') {
        ok = true;
        break;
      }
      harness::Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    g_SkyPlot.SetEnabled(1);
    screen = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, 240, 320);
    SelectObject(screen, bitmap);
    g_AlmanacBar.baseDate = morning;
    g_AlmanacBar.baseDate.wHour = 0;
    g_AlmanacBar.latitude = 55.75 * 3.14159265358979323846 / 180;
    g_AlmanacBar.longitude = 37.61 * 3.14159265358979323846 / 180;
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

constexpr RECT kMapArea{0, 0, 240, 246};

void BM_UpdateSkyPlot(benchmark::State& state) {
  if (!TheSetup().ok) return state.SkipWithError("no complete fix");
  for (auto _ : state) UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  state.counters["satellites"] = g_SkyPlot.Count();
}
BENCHMARK(BM_UpdateSkyPlot)->Unit(benchmark::kMicrosecond);

void BM_DrawDirtyAndBlit(benchmark::State& state) {
  Setup& s = TheSetup();
  if (!s.ok) return state.SkipWithError("no complete fix");
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  for (auto _ : state) {
    g_SkyPlot.dirty = 1;
    g_SkyPlot.Draw(s.screen, kMapArea);
    g_SkyPlot.Blit(s.screen);
  }
}
BENCHMARK(BM_DrawDirtyAndBlit)->Unit(benchmark::kMicrosecond);

void BM_Blit(benchmark::State& state) {
  Setup& s = TheSetup();
  if (!s.ok) return state.SkipWithError("no complete fix");
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  g_SkyPlot.Draw(s.screen, kMapArea);
  for (auto _ : state) g_SkyPlot.Blit(s.screen);
}
BENCHMARK(BM_Blit)->Unit(benchmark::kMicrosecond);

void BM_GraphCount48h(benchmark::State& state) {
  if (!TheSetup().ok) return state.SkipWithError("no complete fix");
  for (auto _ : state) g_SatGraph.Compute(L"0");
}
BENCHMARK(BM_GraphCount48h)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  g_GpsPort.Close();
  harness::Stop();
  benchmark::Shutdown();
  return 0;
}
