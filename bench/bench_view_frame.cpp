// A full frame of a dense project and a partial repaint. Two generated maps of 50,000 objects
// (a map file holds at most 65,535): 55% lines of 8 vertices (70% simple solid or dashed, 20%
// compound with dashes and marks, 10% symbol chains), 30% areas of 12 vertices (1 in 50 with a
// hole), 13% symbol points, 2% texts (modes 0, 1, 6, 10-16 px), all inside a 240 x 294 view at
// 1:2000 and passing the level of detail (every sized object has the same extent), geometry
// resident after the first frame.
// Targets, one thread: full frame (PrepareFrame + DrawLayers + Capture) < 150 ms median;
// partial repaint (Restore + prepare and draw of a 1,000-object working map + highlights and
// GPS marker) <= 5 ms; Restore alone <= 0.1 ms. The per-kind figures show where a frame goes,
// and the areas' fill alone shows the polygon fill apart from the rest.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/back_buffer.h"
#include "maps/mdm_map.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/render_fixture.h"
#include "view/draw_loop.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/point_lists.h"
#include "view/render_state.h"

namespace {

using Pts = std::vector<std::pair<int32_t, int32_t>>;

// Every sized object spans 10 x 10 m (1000 cm) so none is ranked below the others.
constexpr int32_t kSpan = 1000;

Pts Polyline(std::mt19937& rng, int n, bool closed) {
  std::uniform_int_distribution<int32_t> ox(0, 12000 - kSpan), oy(0, 10000 - kSpan),
      d(1, kSpan - 1);
  const int32_t x0 = ox(rng), y0 = oy(rng);
  Pts p;
  p.push_back({x0, y0});
  p.push_back({x0 + kSpan, y0 + kSpan});
  while (int(p.size()) < (closed ? n - 1 : n)) p.push_back({x0 + d(rng), y0 + d(rng)});
  if (closed) p.push_back(p.front());
  return p;
}

sample::MdmSpec DenseMap(int objects, uint32_t seed) {
  sample::MdmSpec s = sample::RenderMap();
  s.objects.clear();
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pct(0, 99);
  const uint16_t simple[] = {sample::kRenderSolid, sample::kRenderDashed, sample::kRenderTenths};
  const uint16_t compound[] = {sample::kRenderDashTicks, sample::kRenderSquares,
                               sample::kRenderCircles, sample::kRenderChevrons};
  int areas = 0;
  for (int i = 0; i < objects; ++i) {
    const int k = i % 100;
    if (k < 55) {
      const int style = pct(rng);
      const uint16_t chain = sample::kRenderChain;
      const uint16_t code = style < 70 ? simple[i % 3] : style < 90 ? compound[i % 4] : chain;
      s.objects.push_back(sample::MdmShape(code, Polyline(rng, 8, false)));
    } else if (k < 85) {
      s.objects.push_back(sample::MdmShape(sample::kRenderFilled, Polyline(rng, 12, true)));
      // Counted among the areas: the object index of an area never is a multiple of 50.
      if (++areas % 50 == 0) {
        // A hole: a small square inside the head's box, in the head's group.
        const auto& head = s.objects.back().vertices;
        const int32_t x = head[0].first + 300, y = head[0].second + 300;
        sample::MdmObject hole = sample::MdmShape(
            sample::kRenderFilled, {{x, y}, {x + 200, y}, {x + 200, y + 200}, {x, y + 200}, {x, y}});
        hole.entryFlags = 0x40 | 0x10;
        s.objects.push_back(hole);
        ++i;
      }
    } else if (k < 98) {
      const Pts p = Polyline(rng, 2, false);
      s.objects.push_back(sample::MdmPoint(i % 2 ? sample::kRenderPoint : sample::kRenderTriangle,
                                           p[0].first, p[0].second));
    } else {
      const Pts p = Polyline(rng, 2, false);
      const uint8_t mode = (i / 100) % 3 == 0 ? 0 : (i / 100) % 3 == 1 ? 1 : 6;
      sample::MdmObject t =
          sample::MdmShape(sample::kRenderText, mode == 0 ? Pts{p[0]} : Pts{p[0], p[1]});
      sample::AttrText(t.attrs, 9, mode == 6 ? "a long label" : "Label");
      t.placement = uint8_t(mode << 2 | (i % 3));
      s.objects.push_back(t);
    }
  }
  return s;
}

struct Scene {
  std::unique_ptr<TMapView> view;
  TBackBuffer buffer;
  HDC screen = nullptr;
  TMdmMap working;

  Scene() {
    harness::Start();
    const std::string root = harness::Root();
    sample::WriteRenderFixture(root, "\\Vorna\\a.mdm", DenseMap(50000, 1));
    sample::WriteRenderFixture(root, "\\Vorna\\b.mdm", DenseMap(50000, 2));
    sample::WriteRenderFixture(root, "\\Vorna\\w.mdm", DenseMap(1000, 3));
    view = std::make_unique<TMapView>();
    view->LoadStartupResources("\\Vorna\\", nullptr);
    view->ReadScreenResolution(nullptr);
    InstallMapDrawing(*view);
    view->AddVectorMap("\\Vorna\\a.mdm", 1);
    view->AddVectorMap("\\Vorna\\b.mdm", 0);
    view->UpdateViewZone();
    screen = GetDC(nullptr);
    PrepareFrame(*view, 0, 0, 240, 294);  // loads everything once: geometry stays resident
    // The working map: loaded like the layer holds it, then marked as the working map.
    working.OpenHeader("\\Vorna\\w.mdm");
    working.Load();
    working.BindLibrary(&view->libraries);
    working.SetOutputZone(view->zone);
    working.UpdateFrameBounds();
    working.ComputeObjectLevels();
    working.SetViewTransform(TMapViewDesc{0, 0, 240, 294, view->originX, view->originY,
                                          view->pixelsPerMetre, nullptr, nullptr});
    working.PrepareView(0, 0, 240, 294);
    working.working = 1;
    for (uint16_t i = 1; i <= 5; ++i) {
      TObjectRef ref;
      ref.map = 0;
      ref.object = uint16_t(i * 97);
      view->AddHighlight(ref);
    }
    view->gpsState = 1;
    view->gpsX = view->originX + 40;
    view->gpsY = view->originY + 40;
    view->grid = 1;
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_FullFrame(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    PrepareFrame(*s.view, 0, 0, 240, 294);
    DrawLayers(*s.view, s.screen);
    s.buffer.Capture(s.screen);
  }
  int64_t objects = 0;
  for (auto& slot : s.view->vectorMaps) objects += slot.map->count - 1;
  state.counters["objects"] = double(objects);
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// One kind of object at a time: the others lose their in-view flag for the measurement.
void BM_KindOnly(benchmark::State& state) {
  Scene& s = TheScene();
  const uint8_t kind = uint8_t(state.range(0));
  PrepareFrame(*s.view, 0, 0, 240, 294);
  std::vector<std::vector<uint8_t>> saved;
  int64_t drawn = 0;
  for (auto& slot : s.view->vectorMaps) {
    TMdmMap* m = slot.map.get();
    saved.emplace_back();
    for (int32_t i = 0; i < m->count; ++i) {
      saved.back().push_back(m->objects[i].flags);
      if (m->objects[i].kind != kind)
        m->objects[i].flags &= uint8_t(~TMapObject::kInView);
      else
        ++drawn;
    }
  }
  for (auto _ : state)
    for (auto& slot : s.view->vectorMaps) DrawVectorMap(slot.map.get(), s.screen, 0);
  for (size_t k = 0; k < s.view->vectorMaps.size(); ++k) {
    TMdmMap* m = s.view->vectorMaps[k].map.get();
    for (int32_t i = 0; i < m->count; ++i) m->objects[i].flags = saved[k][size_t(i)];
  }
  state.counters["objects"] = double(drawn);
  state.SetLabel(kind == 1 ? "points" : kind == 2 ? "lines" : kind == 3 ? "areas" : "texts");
}
BENCHMARK(BM_KindOnly)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

// The fill of the areas alone through the drawing layer: their rings in screen pixels, made
// once, filled with a solid brush and no pen, so the polygon fill is timed apart from the walks,
// the clipping and the outlines.
void BM_AreaFillOnly(benchmark::State& state) {
  Scene& s = TheScene();
  PrepareFrame(*s.view, 0, 0, 240, 294);
  std::vector<POINT> pts;
  std::vector<INT> counts;
  for (auto& slot : s.view->vectorMaps) {
    TMdmMap* m = slot.map.get();
    for (int32_t i = 0; i < m->count; ++i) {
      const TMapObject& o = m->objects[i];
      if (o.kind != 3 || !(o.flags & TMapObject::kInView) || !o.vertices) continue;
      for (int32_t k = 0; k < o.vertexCount; ++k) {
        int32_t x, y;
        m->MapToScreen(o.vertices[k].x, o.vertices[k].y, &x, &y);
        pts.push_back({x, y});
      }
      counts.push_back(o.vertexCount);
    }
  }
  HBRUSH brush = CreateSolidBrush(RGB(160, 230, 140));
  HGDIOBJ oldBrush = SelectObject(s.screen, brush);
  HGDIOBJ oldPen = SelectObject(s.screen, GetStockObject(NULL_PEN));
  for (auto _ : state) {
    const POINT* p = pts.data();
    for (INT c : counts) {
      Polygon(s.screen, p, c);
      p += c;
    }
  }
  SelectObject(s.screen, oldPen);
  SelectObject(s.screen, oldBrush);
  DeleteObject(brush);
  state.counters["areas"] = double(counts.size());
}
BENCHMARK(BM_AreaFillOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_PartialRepaint(benchmark::State& state) {
  Scene& s = TheScene();
  PrepareFrame(*s.view, 0, 0, 240, 294);
  DrawLayers(*s.view, s.screen);
  s.buffer.Capture(s.screen);
  for (auto _ : state) {
    s.buffer.Restore(s.screen, 0, 0, 240, 294);
    s.working.PrepareView(0, 0, 240, 294);
    TMapDrawState& st = MapDrawState(&s.working);
    st.fill = s.view->fill;
    DrawVectorMap(&s.working, s.screen, 1);
    DrawHighlights(*s.view, s.screen);
    DrawGpsPosition(*s.view, s.screen);
  }
}
BENCHMARK(BM_PartialRepaint)->Unit(benchmark::kMicrosecond);

void BM_RestoreOnly(benchmark::State& state) {
  Scene& s = TheScene();
  s.buffer.Capture(s.screen);
  for (auto _ : state) s.buffer.Restore(s.screen, 0, 0, 240, 294);
}
BENCHMARK(BM_RestoreOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
