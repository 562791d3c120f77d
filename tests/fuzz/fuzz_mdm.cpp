// The map file (".mdm"): header, object table and the geometry of the visible objects, with
// the demo library bound, then a save of what was read and a reload of that save.
#include <cstring>

#include "fuzz_device.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/palette.h"
#include "tools/sampledata/mol_writer.h"

namespace {

void PutLibraries() {
  static const bool done = [] {
    CreateDirectoryW(L"\\Obj", nullptr);
    std::vector<uint8_t> mol = sample::WriteMol(sample::DemoLibrary());
    // The demo device's maps name "Town", the sample writer's "Demo": both bind.
    fuzzdev::Put("\\Obj\\Demo.mol", mol.data(), mol.size());
    fuzzdev::Put("\\Obj\\Town.mol", mol.data(), mol.size());
    return true;
  }();
  (void)done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  PutLibraries();
  if (!fuzzdev::Put("\\F.mdm", data, size)) return 0;
  static TPalette palette;
  static TObjectLibraryList libraries;
  static const bool folderSet = (libraries.SetFolder("\\Obj\\", &palette), true);
  (void)folderSet;

  TMdmMap map;
  if (map.OpenHeader("\\F.mdm") != kMdmOk) return 0;
  if (map.Load() != kMdmOk) return 0;
  FUZZ_CHECK(map.count >= 0 && map.count <= TMdmMap::kMaxRecords);
  map.BindLibrary(&libraries);
  double frame[6];
  map.ConvertFrame(frame);
  TMapViewDesc view{0, 0, 240, 294, frame[0], frame[1], 0.05, nullptr, nullptr};
  map.SetViewTransform(view);
  map.PrepareView(0, 0, 240, 294);
  map.working = 1;
  int rc = map.LoadVisibleObjects();
  for (int32_t i = 0; i < map.count && i < 2000; ++i) {
    TMapPoint a, b;
    map.GetObjectBounds(uint16_t(i), &a, &b);
    map.GetVertexCount(uint16_t(i));
    char name[256];
    map.GetStrAttr(uint16_t(i), 1, name, sizeof(name));
  }
  // A map read without damage saves and reads back with every object it wrote (lines and
  // areas without vertices are dropped by the save, which zeroes their codes first).
  if (rc == kMdmOk && map.Save("\\G.mdm", 0) == kMdmOk) {
    int32_t written = 0;
    for (int32_t i = 1; i < map.count; ++i) written += map.objects[i].code != 0;
    TMdmMap again;
    FUZZ_CHECK(again.OpenHeader("\\G.mdm") == kMdmOk);
    FUZZ_CHECK(again.Load() == kMdmOk);
    FUZZ_CHECK(again.count == written + 1);
  }
  return 0;
}
