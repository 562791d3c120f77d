// Screenshots of the real window as device pixels: kept as PNGs for a person to look at, and
// compared with the golden pictures of tests/e2e/golden/.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win.h"
#include "tests/support/golden_png.h"
#include "x_session.h"

namespace xscreens {

// The 240 x 320 device screen of a shot, row after row (black where the shot failed).
inline std::vector<COLORREF> DeviceScreen(const xsession::Shot& s) {
  std::vector<COLORREF> px;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) {
      const uint32_t v = s.ok() ? s.Device(x, y) : 0;
      px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
  return px;
}

// Writes the screen as build/<folder>/<name>.png so a person can look at each step.
inline void Keep(const xsession::Shot& s, const std::string& folder, const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(VORNA_BINARY_DIR) / folder;
  std::filesystem::create_directories(dir);
  const std::vector<uint8_t> png = golden_png::EncodePng(DeviceScreen(s));
  std::ofstream out(dir / (name + ".png"), std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}

// Compares the screen with tests/e2e/golden/<name>.png (VORNA_UPDATE_GOLDEN=1 rewrites it);
// fonts may hint a little differently, so 0.5% of the pixels may differ by more than 32.
inline void ExpectGolden(const xsession::Shot& s, const std::string& name) {
  const std::filesystem::path golden =
      std::filesystem::path(VORNA_SOURCE_DIR) / "tests" / "e2e" / "golden" / (name + ".png");
  const std::vector<COLORREF> px = DeviceScreen(s);
  const char* update = std::getenv("VORNA_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    const std::vector<uint8_t> png = golden_png::EncodePng(px);
    std::ofstream out(golden, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return;
  }
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(bool(in)) << golden << " missing; run with VORNA_UPDATE_GOLDEN=1";
  const std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), {});
  std::vector<COLORREF> want;
  ASSERT_TRUE(golden_png::DecodePng(png, want)) << golden;
  const int differing = golden_png::CountDiffering(px, want);
  EXPECT_LE(differing, int(px.size()) / 200) << name << ": " << differing << " pixels differ";
}

}  // namespace xscreens
