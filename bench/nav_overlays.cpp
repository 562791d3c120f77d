// The navigation overlays of one map paint on the 240 x 320 surface: sight rings with 15 rings on
// screen (TSightRule::Draw), the target line (TGotoOverlay::Draw) and the caption
// (TGotoOverlay::DrawCaption); target 300 us. The GPS bar's refresh with its caption row
// (TGpsBar::UpdateStatus, and the repaint it asks for); target 200 us.
#include <benchmark/benchmark.h>

#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/sight_rule.h"
#include "platform/harness.h"
#include "view/map_view.h"

namespace {

constexpr double kX0 = 6170000, kY0 = 7407000;  // plane metres at the screen's bottom-left

void PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) {
  g_MapView.PlaneToScreen(x, y, sx, sy, 1);
}

// A view of 1 pixel to 2 metres with the position in the middle and a target 800 m north-east.
void SetUpView() {
  g_MapView.viewRect = RECT{0, 0, 240, 320};
  g_MapView.pixelsPerMetre = 0.5;
  g_MapView.originX = kX0;
  g_MapView.originY = kY0;
  g_MapView.SetGpsState(1);
  g_MapView.gpsX = kX0 + 320;
  g_MapView.gpsY = kY0 + 240;
}

void BM_OverlaysOfOnePaint(benchmark::State& state) {
  harness::Start();
  SetUpView();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 240, 320);
  HGDIOBJ old = SelectObject(dc, bitmap);
  g_SightRule.toScreen = PlaneToScreen;
  g_SightRule.on = 1;
  // 15 rings, 20 to 230 metres: 20 to 230 pixels wide, all drawn.
  g_SightRule.ParseRings("20;35;50;65;80;95;110;125;140;155;170;185;200;215;230;");
  g_SightRule.SetPosition(1, g_MapView.gpsX, g_MapView.gpsY, 0.3);
  g_GotoOverlay.Attach(&g_MapView, nullptr, nullptr);
  g_GotoOverlay.SetTarget(g_MapView.gpsX + 560, g_MapView.gpsY + 560);
  g_GotoOverlay.UpdatePosition(g_MapView.gpsX, g_MapView.gpsY, 4.5, 30);
  const RECT view = g_MapView.viewRect;
  const RECT caption{0, 24, 238, 39};
  for (auto _ : state) {
    g_SightRule.Draw(dc, view);
    g_GotoOverlay.Draw(dc);
    g_GotoOverlay.DrawCaption(dc, caption);
    benchmark::ClobberMemory();
  }
  state.counters["rings"] = double(g_SightRule.rings.size());
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  harness::Stop();
}
BENCHMARK(BM_OverlaysOfOnePaint)->Unit(benchmark::kMicrosecond);

void BM_GpsBarUpdateStatus(benchmark::State& state) {
  harness::Start();
  SetUpView();
  HWND main = CreateWindowExW(0, L"static", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                              nullptr, nullptr);
  g_GpsBar.Create(main, nullptr);
  g_GpsBar.Show(1);
  g_GpsBar.SetValues(30, 0);  // the watchdog reads the idle time, no question is due
  g_GotoOverlay.Attach(&g_MapView, nullptr, nullptr);
  g_GotoOverlay.SetTarget(g_MapView.gpsX + 1500, g_MapView.gpsY);
  g_GpsBar.SetCaptionRow(1);
  harness::PumpUntilIdle();
  for (auto _ : state) {
    g_GpsBar.UpdateStatus();
    harness::PumpUntilIdle();  // the texts' repaint
  }
  DestroyWindow(main);
  harness::Stop();
}
BENCHMARK(BM_GpsBarUpdateStatus)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
