// The search window's hot paths and the route. Targets: FillList of 50,000 "Objects" rows with
// a distance limit into the name combo box <= 50 ms; ShowObjectDetails over 50,000 rows <= 5 ms;
// TRoute::Compute on a road grid of 188 x 188 intersections (about 64,700 roads, each a line
// object of a matching map, ids from 1) mean <= 10 ms over 50 seeded pairs, with the shares of
// its steps (the nearest roads, the path search, the assembly) timed apart; Draw of a route of
// 5,000 points <= 2 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/lang.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "search/route.h"
#include "search/search_list.h"
#include "search/search_pages.h"
#include "search/search_window.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "tools/sampledata/mvw_writer.h"
#include "tools/sampledata/ndb_writer.h"
#include "view/map_pick.h"
#include "view/map_view.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr uint16_t kRoad = (1 << 3) | 2;
constexpr double kOriginX = 6000000, kOriginY = 7000000;

void Put(const std::string& device, const sample::Bytes& bytes) {
  const std::filesystem::path host = harness::HostPath(std::wstring(device.begin(), device.end()));
  std::filesystem::create_directories(host.parent_path());
  sample::SaveBytes(host.string(), bytes);
}

HWND Main() {
  static HWND main = [] {
    harness::Start();
    LoadLanguage();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"BenchMain";
    RegisterClassW(&wc);
    g_MapView.viewRect = {0, 0, 240, 294};
    g_MapView.devicePixelsPerMetre = 4000.0;
    return CreateWindowExW(0, L"BenchMain", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                           nullptr, nullptr);
  }();
  return main;
}

// ---- the object page over 50,000 objects ----

struct Objects {
  HWND page = nullptr, names = nullptr;
  double refX = 0, refY = 0;
  Objects() {
    HWND main = Main();
    sample::NdbSpec objects;
    objects.columns = {{"TypeID", sample::kNdbByte},   {"Name", sample::kNdbText},    {"StateID", sample::kNdbShort},
                       {"RegionID", sample::kNdbShort}, {"CityID", sample::kNdbShort}, {"Address", sample::kNdbText},
                       {"Phone", sample::kNdbText},     {"Info", sample::kNdbText},    {"X1", sample::kNdbDouble},
                       {"Y1", sample::kNdbDouble}};
    std::mt19937 rng(7);
    static const char* const kSyllables[] = {"ka", "ro", "vi", "len", "sta", "mir", "no", "per"};
    for (int r = 0; r < 50000; ++r) {
      std::string name;
      while (name.size() < 6 + rng() % 10) name += kSyllables[rng() % 8];
      objects.rows.push_back({int64_t(1 + rng() % 20), name, int64_t(1), int64_t(1 + rng() % 5),
                              int64_t(1 + rng() % 50), std::string("Street ") + std::to_string(r % 300),
                              std::string("100-") + std::to_string(r), std::string("info"),
                              (55.5 + (rng() % 100000) * 1e-5) * kDeg, (37.3 + (rng() % 100000) * 1e-5) * kDeg});
    }
    Put("\\Vorna\\DB\\Objects.ndb", sample::BuildNdb(objects));
    sample::NdbSpec small;
    small.columns = {{"StateID", sample::kNdbShort}, {"TypeID", sample::kNdbByte}, {"Name", sample::kNdbText}};
    small.rows = {{int64_t(1), int64_t(1), std::string("one")}};
    for (const char* t : {"States", "Regions", "Cities", "ObjTypes"}) Put(std::string("\\Vorna\\DB\\") + t + ".ndb", sample::BuildNdb(small));
    for (const char* t : {"States", "Regions", "Cities", "Objects", "ObjTypes"})
      g_Ini.SetString((std::string("DB") + t).c_str(), (std::string("\\Vorna\\DB\\") + t + ".ndb").c_str());
    page = g_ObjectPage.Create(GetModuleHandleW(nullptr), main);
    names = GetDlgItem(page, search_ids::kName);
    g_MapView.GeoToPlane(56.0 * kDeg, 37.8 * kDeg, &refX, &refY);
  }
};

Objects& TheObjects() {
  static Objects* o = new Objects();
  return *o;
}

void BM_FillListWithDistance(benchmark::State& state) {
  Objects& o = TheObjects();
  for (auto _ : state) FillList("Objects", nullptr, 0, o.names, o.refX, o.refY, 20000);
  state.counters["listed"] = double(SendMessageW(o.names, CB_GETCOUNT, 0, 0) - 1);
}
BENCHMARK(BM_FillListWithDistance)->Unit(benchmark::kMillisecond);

void BM_ShowObjectDetails(benchmark::State& state) {
  Objects& o = TheObjects();
  FillList("Objects", nullptr, 0, o.names, 0, 0, 0);
  SendMessageW(o.names, CB_SETCURSEL, 25000, 0);
  for (auto _ : state) ShowObjectDetails(o.page);
  wchar_t text[256] = L"";
  GetDlgItemTextW(o.page, search_ids::kDetails, text, 256);
  if (!text[0]) state.SkipWithError("no details");
}
BENCHMARK(BM_ShowObjectDetails)->Unit(benchmark::kMicrosecond);

// ---- the route over a road grid and its map ----

struct RoadGrid {
  TRoute route;
  TMdmMap* map = nullptr;
  std::vector<std::pair<double, double>> starts, ends;  // plane points on random roads
  explicit RoadGrid(uint32_t side) {
    Main();
    std::vector<std::pair<uint32_t, uint32_t>> segments;
    sample::MvwSpec graph = sample::RoadGridMvw(side, side, 1, 8, 5, &segments);
    for (sample::MvwNode& n : graph.nodes) n.id += 1;  // object 0 is the map's placeholder
    Put("\\Vorna\\Maps\\Grid.mvw", sample::BuildMvw(graph));
    sample::MolLibrary lib = sample::DemoLibrary(2, 1);
    lib.styles = {{kRoad, sample::SimpleLineKind(0x40, 5, 1), "Road", 1, {}}};
    Put("\\Vorna\\Roads.mol", sample::WriteMol(lib));
    g_MapView.libraries.SetFolder("\\Vorna\\", &g_MapView.palette);
    // Intersections 100 m apart in 1-metre units.
    sample::MdmSpec plan;
    plan.library = "Roads";
    plan.x1 = kOriginX;
    plan.y1 = kOriginY;
    plan.x2 = kOriginX + 100.0 * side + 100;
    plan.y2 = kOriginY + 100.0 * side + 100;
    auto at = [side](uint32_t k) { return std::pair<int32_t, int32_t>(int32_t(k % side) * 100 + 50, int32_t(k / side) * 100 + 50); };
    for (auto [from, to] : segments) plan.objects.push_back(sample::MdmShape(kRoad, {at(from), at(to)}));
    Put("\\Vorna\\Maps\\Grid.mdm", sample::BuildMdm(plan));
    g_MapView.AddVectorMap("\\Vorna\\Maps\\Grid.mdm", 0);
    route.SetOwner(&g_MapView, nullptr);
    route.Bind("Grid", "\\Vorna\\Maps\\Grid.mvw");
    map = g_MapView.FindVectorMapByPath("Grid");
    std::mt19937 rng(99);
    auto onRoad = [&] {
      const auto [from, to] = segments[rng() % segments.size()];
      const auto a = at(from), b = at(to);
      // A quarter along the road: its first corner is within 10000 units.
      return std::pair<double, double>(kOriginX + a.first + 0.25 * (b.first - a.first),
                                       kOriginY + a.second + 0.25 * (b.second - a.second));
    };
    for (int i = 0; i < 50; ++i) {
      starts.push_back(onRoad());
      ends.push_back(onRoad());
    }
  }
};

RoadGrid& Grid() {
  static RoadGrid* g = new RoadGrid(188);
  return *g;
}

void BM_RouteCompute(benchmark::State& state) {
  RoadGrid& g = Grid();
  int laid = 0;
  size_t points = 0;
  for (auto _ : state) {
    laid = 0;
    points = 0;
    for (size_t i = 0; i < g.starts.size(); ++i) {
      laid += g.route.Compute(g.starts[i].first, g.starts[i].second, g.ends[i].first, g.ends[i].second, 0);
      points += g.route.Points().size();
    }
  }
  state.counters["roads"] = g.route.Graph().NodeCount();
  state.counters["laid"] = laid;
  state.counters["points"] = double(points) / double(g.starts.size());
  state.counters["pairs"] = double(g.starts.size());  // one iteration: the mean is Time / pairs
}
BENCHMARK(BM_RouteCompute)->Unit(benchmark::kMillisecond);

// The steps of Compute timed apart over the same pairs: the two nearest-road searches, and the
// path search (the assembly is what remains of the total).
void BM_RouteNearestRoads(benchmark::State& state) {
  RoadGrid& g = Grid();
  int64_t sum = 0;
  for (auto _ : state)
    for (size_t i = 0; i < g.starts.size(); ++i)
      sum += FindNearestObjectOfKind(*g.map, 2, g.starts[i].first, g.starts[i].second, TRoute::kRoadSearchRadius) +
             FindNearestObjectOfKind(*g.map, 2, g.ends[i].first, g.ends[i].second, TRoute::kRoadSearchRadius);
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_RouteNearestRoads)->Unit(benchmark::kMillisecond);

void BM_RoutePathSearch(benchmark::State& state) {
  RoadGrid& g = Grid();
  std::vector<std::pair<int32_t, int32_t>> nodes;
  for (size_t i = 0; i < g.starts.size(); ++i) {
    const int32_t a = FindNearestObjectOfKind(*g.map, 2, g.starts[i].first, g.starts[i].second, TRoute::kRoadSearchRadius);
    const int32_t b = FindNearestObjectOfKind(*g.map, 2, g.ends[i].first, g.ends[i].second, TRoute::kRoadSearchRadius);
    nodes.emplace_back(g.route.Graph().FindNode(a), g.route.Graph().FindNode(b));
  }
  TRouteGraph& graph = const_cast<TRouteGraph&>(g.route.Graph());
  std::vector<int32_t> path;
  for (auto _ : state)
    for (auto [a, b] : nodes) graph.FindPath(a, 1, b, 1, &path);
}
BENCHMARK(BM_RoutePathSearch)->Unit(benchmark::kMillisecond);

// ---- drawing a long route ----

void BM_DrawRoute5000(benchmark::State& state) {
  static TRoute* route = [] {
    HWND main = Main();
    (void)main;
    Grid();  // the library and the view
    sample::MdmSpec plan;
    plan.library = "Roads";
    plan.x1 = kOriginX;
    plan.y1 = kOriginY;
    plan.x2 = kOriginX + 10000;
    plan.y2 = kOriginY + 10000;
    std::vector<std::pair<int32_t, int32_t>> v;
    for (int k = 0; k < 5000; ++k) v.push_back({1000 + k, 1000 + int32_t(300 * std::sin(k / 50.0)) + 300});
    plan.objects.push_back(sample::MdmShape(kRoad, v));
    Put("\\Vorna\\Maps\\Long.mdm", sample::BuildMdm(plan));
    g_MapView.AddVectorMap("\\Vorna\\Maps\\Long.mdm", 0);
    sample::MvwSpec graph;
    graph.nodes.push_back({});
    graph.nodes[0].id = 1;
    Put("\\Vorna\\Maps\\Long.mvw", sample::BuildMvw(graph));
    auto* r = new TRoute();
    r->SetOwner(&g_MapView, nullptr);
    r->Bind("Long", "\\Vorna\\Maps\\Long.mvw");
    r->Compute(kOriginX + 1000, kOriginY + 1300, kOriginX + 5000, kOriginY + 1300, 0);
    g_MapView.SetScale(25000);
    g_MapView.CenterOn(kOriginX + 3500, kOriginY + 1300, 1);
    return r;
  }();
  if (route->Points().size() != 5000) state.SkipWithError("no route");
  HDC dc = GetDC(Main());
  const RECT view = g_MapView.viewRect;
  for (auto _ : state) route->Draw(view, dc);
  ReleaseDC(Main(), dc);
  state.counters["points"] = double(route->Points().size());
}
BENCHMARK(BM_DrawRoute5000)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
