// The navigation-point dialogs, headless. Targets: the points list (dialog 124) opened on a
// working map of 10,000 named points, its list filled and its first page painted, in <= 100 ms;
// the point properties (dialog 122) opened over a library of 2,000 point types in symbol mode,
// the grid painted, in <= 30 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "gps/nav_points_dialog.h"
#include "gps/point_properties.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_view.h"

namespace {

// A library `name` of `types` point types and a working map of `points` named points bound to it;
// false when either could not be made.
bool MakeWorkingMap(const std::string& name, int types, int points) {
  harness::Start();
  LoadLanguage();
  sample::MolLibrary lib = sample::DemoLibrary(2, 1);
  lib.styles.clear();
  for (int c = 1; c <= types; ++c)
    lib.styles.push_back({uint16_t((c << 3) | 1), sample::PointKind(uint16_t(1 + c % 3)),
                          "Point type " + std::to_string(c), 1, {}});
  const std::wstring file = L"\\Vorna\\" + std::wstring(name.begin(), name.end()) + L".mol";
  if (!sample::SaveBytes(harness::HostPath(file), sample::WriteMol(lib)))
    return false;
  sample::MdmSpec plan;
  plan.library = name;  // each benchmark its own: the view keeps libraries by name
  plan.unitExponent = 1;
  plan.x1 = 6120000;
  plan.y1 = 7410000;
  plan.x2 = 6130000;
  plan.y2 = 7420000;
  for (int i = 0; i < points; ++i) {
    sample::MdmObject o = sample::MdmPoint(uint16_t(((1 + i % types) << 3) | 1),
                                           1000 + (i * 7919) % 990000, 1000 + (i * 104729) % 990000);
    sample::AttrText(o.attrs, 9, "Point " + std::to_string(i));
    plan.objects.push_back(o);
  }
  if (!sample::WriteMdm(harness::HostPath(L"\\Vorna\\Work.mdm"), plan)) return false;
  g_MapView.libraries.SetFolder("\\Vorna\\", &g_MapView.palette);
  const int work = g_MapView.AddVectorMap("\\Vorna\\Work.mdm", 0);
  if (work < 0) return false;
  TMdmMap* map = g_MapView.GetVectorMap(work);
  if (map->Load() != kMdmOk || map->BindLibrary(&g_MapView.libraries) != kMdmOk) return false;
  return g_UserLayer.Attach(g_MapView.WorkingMapHost(), work) == 1;
}

void Finish() {
  g_UserLayer.saved = 1;  // nothing to write back
  g_UserLayer.Close();
  g_MapView.CloseAllMaps();
  harness::Stop();
}

void BM_PointsListOpen10000(benchmark::State& state) {
  if (!MakeWorkingMap("List", 25, 10000)) {
    state.SkipWithError("working map");
    return;
  }
  int rows = 0;
  harness::OnDialog(TNavPointsDialog::kTemplate, [&](HWND d) {
    UpdateWindow(d);
    UpdateWindow(g_NavPointsDialog.list.list);
    rows = g_NavPointsDialog.list.RowCount();
    EndDialog(d, TNavPointsDialog::kClose);
  });
  for (auto _ : state) g_NavPointsDialog.Run(nullptr);
  state.counters["rows"] = rows;
  state.counters["target_ms"] = 100;
  Finish();
}
BENCHMARK(BM_PointsListOpen10000)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PointDialogOpen2000TypesSymbols(benchmark::State& state) {
  if (!MakeWorkingMap("Types", 2000, 10)) {
    state.SkipWithError("working map");
    return;
  }
  g_Ini.SetInt("TypeLVMode2", 1);
  int types = 0;
  harness::OnDialog(TPointPropertiesDialog::kTemplate, [&](HWND d) {
    UpdateWindow(d);
    types = g_PointPropertiesDialog.types.RowCount();
    EndDialog(d, 0);
  });
  TObjectRef ref{};
  ref.map = 0;
  ref.object = 1;
  for (auto _ : state) ShowPointPropertiesDialog(ref, 0, nullptr);
  state.counters["types"] = types;
  state.counters["target_ms"] = 30;
  Finish();
}
BENCHMARK(BM_PointDialogOpen2000TypesSymbols)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
