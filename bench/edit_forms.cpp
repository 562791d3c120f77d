// The editing forms on big libraries and objects. Targets, one thread:
// - ChooseObjectType start-up over a library of 2,000 point types: the dialog made, its type
//   list filled and one page of its symbol grid painted, then cancelled: <= 20 ms;
// - the attribute form's Fill and Store of an object with 200 attributes (one cell edited, the
//   working map written as Store does): <= 2 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "base/ini_file.h"
#include "edit/object_form.h"
#include "edit/object_type_dialog.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_view.h"

namespace {

constexpr int kTypes = 2000, kAttributes = 200;

uint16_t PointCode(int c) { return uint16_t((c << 3) | 1); }

struct Fixture {
  int work = -1;
  Fixture() {
    harness::Start();
    CreateDirectoryW(L"\\Obj", nullptr);
    sample::MolLibrary lib = sample::DemoLibrary(2, 1);
    lib.styles.clear();
    for (int c = 1; c <= kTypes; ++c)
      lib.styles.push_back({PointCode(c), sample::PointKind(1),
                            "P" + std::to_string(c) + "_Point " + std::to_string(c), 1, {}});
    sample::MolFieldList fields{1, {}};
    for (int k = 0; k < kAttributes; ++k)
      fields.fields.push_back({uint16_t(100 + k), uint8_t(k % 2 ? 5 : 3), 0,
                               "F" + std::to_string(k) + "_Field " + std::to_string(k)});
    lib.fieldLists = {fields};
    sample::SaveBytes(harness::HostPath(L"\\Obj\\Bench.mol"), sample::WriteMol(lib));
    g_MapView.libraries.SetFolder("\\Obj\\", &g_MapView.palette);

    sample::MdmSpec s;
    s.library = "Bench";
    s.x1 = 6000000;
    s.y1 = 7000000;
    s.x2 = 6010000;
    s.y2 = 7010000;
    sample::MdmObject point = sample::MdmPoint(PointCode(1), 5000, 5000);
    for (int k = 0; k < kAttributes; ++k) {
      if (k % 2)
        sample::AttrText(point.attrs, uint16_t(100 + k), "value " + std::to_string(k));
      else
        sample::AttrFloat(point.attrs, uint16_t(100 + k), float(k) + 0.25f);
    }
    s.objects.push_back(point);
    sample::WriteMdm(harness::HostPath(L"\\Work.mdm"), s);
    work = g_MapView.AddVectorMap("\\Work.mdm", 0);
    g_UserLayer.Attach(g_MapView.WorkingMapHost(), work);
  }
};

Fixture& F() {
  static Fixture f;
  return f;
}

void BM_ChooseObjectTypeStartUp(benchmark::State& state) {
  F();
  g_Ini.SetInt("TypeLVMode_1", 1);  // the symbol grid
  int rows = 0;
  harness::OnDialog(TObjectTypeDialog::kTemplate, [&rows](HWND d) {
    UpdateWindow(d);  // the first page painted before the dialog goes
    rows = g_ObjectTypeDialog.types.RowCount();
    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
  });
  for (auto _ : state)
    benchmark::DoNotOptimize(ChooseObjectType(nullptr, GetModuleHandleW(nullptr), PointCode(5), 0));
  state.counters["types"] = rows;
}
BENCHMARK(BM_ChooseObjectTypeStartUp)->Unit(benchmark::kMillisecond);

void BM_FormFillAndStore(benchmark::State& state) {
  Fixture& f = F();
  int attributes = 0;
  harness::OnDialog(TObjectForm::kTemplate, [&](HWND d) {
    int n = 0;
    for (auto _ : state) {
      g_ObjectForm.Fill();
      g_ObjectForm.cells[1].edited = true;  // a text cell, typed anew each time
      g_ObjectForm.cells[1].text = "edited " + std::to_string(n++);
      g_ObjectForm.modified = 1;
      g_ObjectForm.Store();
    }
    attributes = int(g_ObjectForm.rows.size());
    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
  });
  TObjectRef ref;
  ref.map = f.work;
  ref.object = 1;
  ShowObjectForm(nullptr, GetModuleHandleW(nullptr), ref, nullptr, nullptr);
  state.counters["attributes"] = attributes;
}
BENCHMARK(BM_FormFillAndStore)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
