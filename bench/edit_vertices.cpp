// The vertex-editing bar and the ruler on big inputs. A working map (unit 1 m, a 1,000 km frame)
// holds one line of 65,000 vertices laid out as a snake of 130 rows of 500, 1,500 m (30 px at
// 50 m a pixel) apart, so that the first rows lie on the screen. Targets, one thread:
// - a hold on a vertex (the hit test over the whole line) followed by a tap that deletes it, or
//   by a tap that moves it, and a hold on an edge that inserts a vertex, each written to the
//   map: <= 2 ms (through the pen, the message loop and the bar);
// - a stretch of 1,000 sketch vertices replacing part of the line, written: <= 2 ms;
// - the ruler's Draw with 10,000 points into the 240 x 320 screen: <= 3 ms.
// The line is put back untimed after each edit, so every iteration edits the same 65,000.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/input_mode.h"
#include "edit/measure_tool.h"
#include "edit/vertex_edit_bar.h"
#include "edit/vertex_edits.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_view.h"

namespace {

constexpr int kRows = 130, kPerRow = 500, kStep = 1500;  // metres

LRESULT CALLBACK MapProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN && GetInputMode() == input_mode::kVertexEdit)
    g_VertexEditBar.OnMapMouse(hwnd, short(LOWORD(lParam)), short(HIWORD(lParam)), message);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct Fixture {
  HWND main = nullptr;
  TMdmMap* map = nullptr;
  std::vector<TMapPoint> line;
  Fixture() {
    harness::Start();
    CreateDirectoryW(L"\\Obj", nullptr);
    sample::SaveBytes(harness::HostPath(L"\\Obj\\Demo.mol"), sample::WriteMol(sample::DemoLibrary()));
    g_MapView.libraries.SetFolder("\\Obj\\", &g_MapView.palette);
    sample::MdmSpec s;
    s.library = "Demo";
    s.x1 = 0;
    s.y1 = 0;
    s.x2 = 1000000;
    s.y2 = 1000000;
    std::vector<std::pair<int32_t, int32_t>> v;
    for (int r = 0; r < kRows; ++r)
      for (int k = 0; k < kPerRow; ++k) {
        const int c = r % 2 ? kPerRow - 1 - k : k;
        v.push_back({5000 + r * kStep, 1000 + c * kStep});
      }
    s.objects.push_back(sample::MdmShape(18, v));
    sample::WriteMdm(harness::HostPath(L"\\Work.mdm"), s);
    const int i = g_MapView.AddVectorMap("\\Work.mdm", 0);
    g_UserLayer.Attach(g_MapView.WorkingMapHost(), i);
    map = g_MapView.GetVectorMap(i);
    g_MapView.viewRect = {0, 0, 240, 294};
    g_MapView.pixelsPerMetre = 0.02;
    g_MapView.UpdateLayers(1);
    line.assign(map->objects[1].vertices, map->objects[1].vertices + map->objects[1].vertexCount);

    WNDCLASSW wc{};
    wc.lpfnWndProc = MapProc;
    wc.lpszClassName = L"BenchMap";
    RegisterClassW(&wc);
    main = CreateWindowExW(0, L"BenchMap", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                           nullptr, nullptr, nullptr);
    SHFullScreen(main, SHFS_HIDETASKBAR);
    g_VertexEditBar.Create(main, GetModuleHandleW(nullptr));
    TObjectRef ref;
    ref.map = i;
    ref.object = 1;
    g_VertexEditBar.SetObject(ref);
    g_VertexEditBar.Show(1);
    g_VertexEditBar.MoveTo(296);  // below the map area, out of the taps' way
    harness::PumpUntilIdle();
  }
  void Mode(int m) {
    g_VertexEditBar.mode = m;
    SetInputModeDirect(input_mode::kVertexEdit);
  }
  void Restore() {
    TPointBuf points;
    points.Alloc(int32_t(line.size()));
    std::copy(line.begin(), line.end(), points.points);
    points.count = int32_t(line.size());
    map->ReplaceObjectVertices(1, &points);
    g_MapView.currentVertex = -1;
  }
  // Screen point of vertex column c (0..7) of row r (0..5).
  static POINT Vertex(int r, int c) { return POINT{20 + 30 * c, 194 - 30 * r}; }
};

Fixture& F() {
  static Fixture f;
  return f;
}

void Hold(POINT p) {
  harness::PenDown(p.x, p.y);
  harness::PenUp(p.x, p.y);
  harness::PumpUntilIdle();
}

void Tap(POINT p) {
  harness::Tap(p.x, p.y);
  harness::PumpUntilIdle();
}

template <typename Edit>
void TimeEdit(benchmark::State& state, int mode, Edit edit) {
  Fixture& f = F();
  f.Mode(mode);
  int n = 0, edited = 0;
  for (auto _ : state) {
    edit(n++);
    state.PauseTiming();
    const TMapObject& o = f.map->objects[1];
    edited += o.vertexCount != int32_t(f.line.size()) ||
              !std::equal(f.line.begin(), f.line.end(), o.vertices,
                          [](TMapPoint a, TMapPoint b) { return a.x == b.x && a.y == b.y; });
    f.Restore();
    state.ResumeTiming();
  }
  state.counters["vertices"] = double(f.line.size());
  state.counters["edited"] = edited;  // iterations that changed the line (all of them)
}

void BM_HoldAndDelete(benchmark::State& state) {
  TimeEdit(state, TVertexEditBar::kDelete, [](int n) {
    const POINT p = Fixture::Vertex(n % 6, n % 8);
    Hold(p);
    Tap(p);
  });
}
BENCHMARK(BM_HoldAndDelete)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_HoldAndMove(benchmark::State& state) {
  TimeEdit(state, TVertexEditBar::kMove, [](int n) {
    const POINT p = Fixture::Vertex(n % 6, n % 8);
    Hold(p);
    Tap(POINT{p.x + 5, p.y + 5});
  });
}
BENCHMARK(BM_HoldAndMove)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_HoldInsertsOnAnEdge(benchmark::State& state) {
  TimeEdit(state, TVertexEditBar::kMove, [](int n) {
    const POINT p = Fixture::Vertex(n % 6, n % 7);
    Hold(POINT{p.x + 15, p.y});
  });
}
BENCHMARK(BM_HoldInsertsOnAnEdge)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_StretchOfAThousand(benchmark::State& state) {
  Fixture& f = F();
  std::vector<TMapPoint> sketch;
  for (int k = 0; k < 1000; ++k) sketch.push_back({5000 + kStep / 2, 1000 + k * 300});
  for (auto _ : state) {
    std::vector<TMapPoint> list = f.line;
    vertex_edits::ReplaceStretch(list, 2, 1000, 1990, sketch);
    TPointBuf points;
    points.Alloc(int32_t(list.size()));
    std::copy(list.begin(), list.end(), points.points);
    points.count = int32_t(list.size());
    benchmark::DoNotOptimize(f.map->ReplaceObjectVertices(1, &points));
  }
  f.Restore();
}
BENCHMARK(BM_StretchOfAThousand)->Unit(benchmark::kMillisecond);

// A ruler is tapped point after point: a walk of steps up to 20 px over the screen. The second
// run scatters the points over the whole screen, so every segment crosses it (the worst case,
// reported beside the target).
void RulerDraw(benchmark::State& state, bool scattered) {
  Fixture& f = F();
  TMeasureTool ruler;
  ruler.Attach(&g_MapView, nullptr);
  std::mt19937 rng(7);
  int x = 120, y = 150;
  for (int i = 0; i < 10000; ++i) {
    if (scattered) {
      x = int(rng() % 240), y = int(rng() % 294);
    } else {
      x = std::clamp(x + int(rng() % 41) - 20, 0, 239);
      y = std::clamp(y + int(rng() % 41) - 20, 0, 293);
    }
    ruler.AddPoint(x, y);
  }
  const HDC dc = GetDC(f.main);
  for (auto _ : state) ruler.Draw(g_MapView.viewRect, dc);
  ReleaseDC(f.main, dc);
  state.counters["points"] = ruler.count;
}

void BM_RulerDrawTenThousand(benchmark::State& state) { RulerDraw(state, false); }
BENCHMARK(BM_RulerDrawTenThousand)->Unit(benchmark::kMillisecond);

void BM_RulerDrawTenThousandScattered(benchmark::State& state) { RulerDraw(state, true); }
BENCHMARK(BM_RulerDrawTenThousandScattered)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
