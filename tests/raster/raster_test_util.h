// Pieces shared by the raster-map tests: a device root, pictures and calibration files written
// into it, and a module-folder override.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/lang.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/image_writer.h"
#include "view/image_lib.h"
#include "view/picture_map.h"

namespace rastertest {

inline std::string Host(const std::string& device) {
  return harness::HostPath(std::wstring(device.begin(), device.end()));
}

inline void WriteText(const std::string& device, const std::string& text) {
  std::ofstream out(Host(device), std::ios::binary);
  out << text;
}

inline std::string ReadText(const std::string& device) {
  std::ifstream in(Host(device), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A plane origin in zone 7 (eastings 7 500 000 m), well inside the zone.
constexpr double kX0 = 6200000.0, kY0 = 7500000.0;

// A ".@@@" companion putting pixel (0, 0) at (top, left) with `size` metres per pixel, no
// rotation: two points far apart on a diagonal.
inline std::string PlaneCalibration(double top, double left, double size, int w, int h) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0\n0 0 %.3f %.3f\n%d %d %.3f %.3f", top, left,
                w, h, top - h * size, left + w * size);
  return buf;
}

class RasterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VORNA_MODULE_DIR");
    harness::Start();
    // The built-in texts, as start-up registers them.
    int count = 0;
    const TLangKey* keys = GetLangKeys(&count);
    g_Lang.Clear();
    for (int i = 0; i < count; ++i) g_Lang.Add(keys[i].id, keys[i].key, keys[i].text);
  }
  void TearDown() override {
    harness::Stop();
    unsetenv("VORNA_MODULE_DIR");
  }
};

}  // namespace rastertest
