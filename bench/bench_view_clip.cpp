// Screen clipping at full speed. DrawClippedPolyline on random polylines about half outside a
// 240 x 294 view, with 5% of the vertices near +-1e9, into a 1 x 1 memory device context (so
// the device clips every run away at once and the time is the clipping's): target >= 30 M
// segments/s. ClipPolygonToView on 1,000-vertex rings about half outside: target >= 20 M input
// vertices/s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/win.h"
#include "view/clip.h"

namespace {

struct Rng {
  uint32_t r = 12345;
  int32_t Next(int32_t lo, int32_t hi) {
    r = r * 1103515245u + 12345u;
    return lo + int32_t((r >> 8) % uint32_t(hi - lo + 1));
  }
};

std::vector<POINT> RandomPoints(int n, uint32_t seed) {
  Rng g{seed};
  std::vector<POINT> pts(static_cast<size_t>(n));
  for (auto& p : pts) {
    // Twice the view in each direction, centred on it: about half the segments leave it.
    p = {g.Next(-120, 360), g.Next(-147, 441)};
    if (g.Next(0, 99) < 5) p = {g.Next(0, 1) ? 1000000000 : -1000000000, g.Next(-1000000000, 1000000000)};
  }
  return pts;
}

void BM_DrawClippedPolyline(benchmark::State& state) {
  SetClipWindow(0, 0, 240, 294);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(1, 1, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  const int kLen = 64, kLines = 256;
  std::vector<std::vector<POINT>> lines;
  for (int i = 0; i < kLines; i++) lines.push_back(RandomPoints(kLen, uint32_t(i + 1)));
  int64_t segments = 0;
  for (auto _ : state) {
    for (auto& l : lines) benchmark::DoNotOptimize(DrawClippedPolyline(dc, l.data(), kLen));
    segments += int64_t(kLines) * (kLen - 1);
  }
  state.counters["segments/s"] = benchmark::Counter(double(segments), benchmark::Counter::kIsRate);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}
BENCHMARK(BM_DrawClippedPolyline);

// The same without a device: Polyline refuses a null context at once, so this is the clipping
// and run building alone.
void BM_ClipPolylineOnly(benchmark::State& state) {
  SetClipWindow(0, 0, 240, 294);
  const int kLen = 64, kLines = 256;
  std::vector<std::vector<POINT>> lines;
  for (int i = 0; i < kLines; i++) lines.push_back(RandomPoints(kLen, uint32_t(i + 1)));
  int64_t segments = 0;
  for (auto _ : state) {
    for (auto& l : lines) benchmark::DoNotOptimize(DrawClippedPolyline(nullptr, l.data(), kLen));
    segments += int64_t(kLines) * (kLen - 1);
  }
  state.counters["segments/s"] = benchmark::Counter(double(segments), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClipPolylineOnly);

void BM_ClipPolygonToView(benchmark::State& state) {
  SetClipWindow(0, 0, 240, 294);
  const int kN = 1000;
  std::vector<POINT> ring = RandomPoints(kN, 99);
  std::vector<POINT> scratch, out;
  int64_t vertices = 0;
  for (auto _ : state) {
    scratch.assign(ring.begin(), ring.end());
    benchmark::DoNotOptimize(ClipPolygonToView(kN, scratch, out));
    vertices += kN;
  }
  state.counters["vertices/s"] = benchmark::Counter(double(vertices), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClipPolygonToView);

}  // namespace

BENCHMARK_MAIN();
