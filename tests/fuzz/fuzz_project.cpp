// The project file (".mpj") opened over the demo device's maps, then saved and opened again.
#include <memory>

#include "fuzz_device.h"
#include "tools/sampledata/demo_device.h"
#include "view/map_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  static const bool device = sample::WriteDemoDevice(harness::Root()).empty();
  FUZZ_CHECK(device);
  if (!fuzzdev::Put("\\Vorna\\Maps\\F.mpj", data, size)) return 0;
  auto view = std::make_unique<TMapView>();
  view->libraries.SetFolder("\\Vorna\\Obj\\", &view->palette);
  view->devicePixelsPerMetre = 4000.0;
  view->viewRect = {0, 0, 240, 294};
  if (view->OpenProject("\\Vorna\\Maps\\F.mpj", nullptr, 0) != 0) return 0;
  double extents[6];
  view->GetExtents(extents);
  if (view->SaveProject("\\Vorna\\Maps\\G.mpj") == 0) {
    auto again = std::make_unique<TMapView>();
    again->libraries.SetFolder("\\Vorna\\Obj\\", &again->palette);
    FUZZ_CHECK(again->OpenProject("\\Vorna\\Maps\\G.mpj", nullptr, 0) == 0);
  }
  return 0;
}
