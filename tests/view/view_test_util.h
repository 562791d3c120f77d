// Shared pieces of the view tests: a headless device with a temporary root, maps and object
// libraries written by the sample writers, and a fake raster map installed through the factory.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "maps/mdm_map.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_view.h"

namespace viewtest {

inline std::string Host(const std::string& devicePath) {
  return harness::HostPath(std::wstring(devicePath.begin(), devicePath.end()));
}

inline bool WriteText(const std::string& devicePath, const std::string& text) {
  std::ofstream out(Host(devicePath), std::ios::binary);
  out << text;
  return bool(out);
}

inline std::string ReadText(const std::string& devicePath) {
  std::ifstream in(Host(devicePath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void MakeFolder(const std::string& devicePath) {
  std::wstring w(devicePath.begin(), devicePath.end());
  CreateDirectoryW(w.c_str(), nullptr);
}

// A demo map (library "Demo") with its frame moved to (x1, y1) and 10 km square.
inline sample::MdmSpec MapAt(double x1, double y1) {
  sample::MdmSpec s = sample::DemoMdm();
  s.x1 = x1;
  s.y1 = y1;
  s.x2 = x1 + 10000;
  s.y2 = y1 + 10000;
  return s;
}

inline void WriteMap(const std::string& devicePath, const sample::MdmSpec& plan) {
  ASSERT_TRUE(sample::WriteMdm(Host(devicePath), plan)) << devicePath;
}

// A fake raster map: a file whose name holds "missing" cannot be opened (2), one holding
// "nopic" opens as a file but not as a picture; its frame and zone come from the statics.
class FakeRaster : public TRasterMap {
 public:
  static inline double nextFrame[6] = {6180000, 7400000, 0, 6190000, 7410000, 0};
  static inline uint8_t nextZone = 7;
  static inline int made = 0, deleted = 0;

  FakeRaster() { made++; }
  ~FakeRaster() override { deleted++; }
  int Open(const char* p, const double fallback[6]) override {
    if (std::strstr(p, "missing")) return 2;
    std::snprintf(path, sizeof(path), "%s", p);
    std::memcpy(frame, nextFrame, sizeof(frame));
    std::memcpy(fallbackSeen, fallback, sizeof(fallbackSeen));
    ownZone = nextZone;
    open = std::strstr(p, "nopic") ? 0 : 1;
    return 0;
  }
  int Activate() override {
    active = open;
    return open ? 0 : 1;
  }
  void Deactivate() override { active = 0; }
  void SetViewTransform(const RECT&, double, double, double k) override { lastK = k; }
  void SetOutputSystem(uint8_t z) override { outputZone = z; }
  void GetExtent(double out[6]) const override { std::memcpy(out, frame, sizeof(frame)); }
  // A transform of its own: 1 pixel a metre from the frame's north-west corner.
  void PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) const override {
    *sx = int32_t(y - frame[1]);
    *sy = int32_t(frame[3] - x);
  }
  void ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const override {
    *x = frame[3] - sy;
    *y = frame[1] + sx;
  }
  void PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const override {
    *sx = px;
    *sy = py;
  }
  void LoadVisibleTiles(const RECT&, int32_t) override {}
  void Draw(HDC) override {}

  uint8_t outputZone = 0;
  double lastK = -1;
  double fallbackSeen[6] = {};
};

inline TRasterMap* MakeFakeRaster() { return new FakeRaster; }

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    MakeFolder("\\Obj");
    MakeFolder("\\Maps");
    ASSERT_TRUE(sample::SaveBytes(Host("\\Obj\\Demo.mol"), sample::WriteMol(sample::DemoLibrary())));
    view = std::make_unique<TMapView>();
    view->libraries.SetFolder("\\Obj\\", &view->palette);
    view->devicePixelsPerMetre = 4000.0;
    view->viewRect = {0, 0, 240, 294};
  }
  void TearDown() override {
    view.reset();
    SetRasterMapFactory(nullptr);
    harness::Stop();
  }
  std::unique_ptr<TMapView> view;
};

}  // namespace viewtest
