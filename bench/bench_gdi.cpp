// Drawing hot paths on a 240 x 320 memory surface: full-screen fills, short line segments half
// off screen, and text runs through the glyph cache.
// Targets: FillRect and a full-screen Polygon under 50 us; 100,000 one-pixel segments under
// 10 ms; 1,000 runs of 10 characters under 5 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/win.h"

namespace {

struct Surface240 {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 240, 320);
  HGDIOBJ old = SelectObject(dc, bmp);
  ~Surface240() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

void BM_FillRectFullScreen(benchmark::State& state) {
  Surface240 s;
  HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
  RECT r{0, 0, 240, 320};
  for (auto _ : state) FillRect(s.dc, &r, b);
  DeleteObject(b);
}
BENCHMARK(BM_FillRectFullScreen)->Unit(benchmark::kMicrosecond);

void BM_PolygonFullScreen(benchmark::State& state) {
  Surface240 s;
  SelectObject(s.dc, GetStockObject(NULL_PEN));
  HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
  HGDIOBJ old = SelectObject(s.dc, b);
  POINT pts[] = {{-10, -5}, {250, -3}, {245, 330}, {-4, 325}, {-8, 160}};
  for (auto _ : state) Polygon(s.dc, pts, 5);
  SelectObject(s.dc, old);
  DeleteObject(b);
}
BENCHMARK(BM_PolygonFullScreen)->Unit(benchmark::kMicrosecond);

void BM_ShortSegmentsHalfOffScreen(benchmark::State& state) {
  Surface240 s;
  // 100,000 one-pixel segments, half of them outside the surface.
  std::vector<POINT> a(100000);
  for (size_t i = 0; i < a.size(); ++i) {
    int x = int((i * 7919) % 480) - 120, y = int((i * 104729) % 640) - 160;
    a[i] = POINT{x, y};
  }
  for (auto _ : state)
    for (const POINT& p : a) {
      MoveToEx(s.dc, p.x, p.y, nullptr);
      LineTo(s.dc, p.x + 1, p.y);
    }
}
BENCHMARK(BM_ShortSegmentsHalfOffScreen)->Unit(benchmark::kMillisecond);

void BM_TextRuns(benchmark::State& state) {
  Surface240 s;
  LOGFONTW lf{};
  lf.lfHeight = 13;
  wcscpy(lf.lfFaceName, L"Tahoma");
  HFONT f = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(s.dc, f);
  SetBkMode(s.dc, TRANSPARENT);
  const wchar_t* runs[] = {L"Streetname", L"River 12km", L"\u041f\u043e\u043b\u0435 \u0432\u044b\u0441 23", L"Forest 404"};
  for (auto _ : state)
    for (int i = 0; i < 1000; ++i)
      ExtTextOutW(s.dc, (i * 37) % 200, (i * 53) % 300, 0, nullptr, runs[i % 4], 10, nullptr);
  SelectObject(s.dc, old);
  DeleteObject(f);
}
BENCHMARK(BM_TextRuns)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
