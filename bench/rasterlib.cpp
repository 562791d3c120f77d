// The raster library's costs on the handheld's scale:
// - chooser start-up (scan, prune, reselect from "\Rastr.ini") over 19,000 entries in 2,000
//   folders, and over 25,000 entries: 2,000 folders of 8 or 9 files and one folder of 6,000
//   files before them. Target: at most 200 ms for 19,000 entries, 260 ms for 25,000.
// - viewer paint of a 4,000 x 3,000 24-bit BMP into the 240 x 320 screen at each scale (the
//   picture decoded once, as the viewer keeps it). Target: at most 10 ms.
// - "Ближний" over 1,000 pictures with ".ides". Target: at most 50 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/win.h"
#include "rasterlib/chooser_model.h"
#include "rasterlib/pictures.h"
#include "rasterlib/viewer_geometry.h"

namespace {

std::string TempRoot() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vorna-bench-XXXXXX").string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

void Touch(const std::string& path, const std::string& content = "") {
  std::ofstream(path, std::ios::binary) << content;
}

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i) & 0xFF));
}

// Two device roots: the chooser's scan, and the nearest-picture search with the big picture.
struct Fixtures {
  std::string root, nearRoot, bigRoot;
  Fixtures() {
    root = TempRoot();
    nearRoot = TempRoot();
    bigRoot = TempRoot();
    // The 25,000 entries: one folder of 5,999 files first in name order, then the 19,001
    // entries below "Scan" as in `root`.
    std::filesystem::create_directories(bigRoot + "/A");
    for (int i = 0; i < 5999; ++i) Touch(bigRoot + "/A/f" + std::to_string(i) + ".txt");
    for (int f = 0; f < 2000; ++f) {
      std::string dir = bigRoot + "/Scan/F" + std::to_string(f);
      std::filesystem::create_directories(dir);
      for (int i = 0; i < (f < 1000 ? 9 : 8); ++i)
        Touch(dir + "/n" + std::to_string(i) + (i % 3 == 0 ? ".bmp" : ".txt"));
    }
    Touch(bigRoot + "/Rastr.ini", "\\Scan\\F1999\\n6.bmp;\n");
    // 2,000 folders of 8 or 9 files: 19,000 entries (and two at the root), a third of the files
    // pictures.
    for (int f = 0; f < 2000; ++f) {
      std::string dir = root + "/Scan/F" + std::to_string(f);
      std::filesystem::create_directories(dir);
      for (int i = 0; i < (f < 1000 ? 9 : 8); ++i)
        Touch(dir + "/n" + std::to_string(i) + (i % 3 == 0 ? ".bmp" : ".txt"));
    }
    Touch(root + "/Rastr.ini", "\\Scan\\F1999\\n6.bmp;\n");
    // 1,000 pictures with their pairs, in 100 folders.
    for (int f = 0; f < 100; ++f) {
      std::string dir = nearRoot + "/Near/G" + std::to_string(f);
      std::filesystem::create_directories(dir);
      for (int i = 0; i < 10; ++i) {
        std::string base = dir + "/p" + std::to_string(i);
        Touch(base + ".jpg");
        Touch(base + ".ides", std::to_string(f * 1000 + i) + " " + std::to_string(i * 7) + "\n1:2:a;\n");
      }
    }
    // 4,000 x 3,000, 24 bits.
    const int w = 4000, h = 3000;
    std::string bmp = "BM";
    Put32(bmp, uint32_t(54 + w * 3 * h));
    Put32(bmp, 0);
    Put32(bmp, 54);
    Put32(bmp, 40);
    Put32(bmp, w);
    Put32(bmp, h);
    bmp += std::string("\x01\x00\x18\x00", 4);
    for (int i = 0; i < 6; ++i) Put32(bmp, 0);
    bmp.reserve(bmp.size() + size_t(w) * 3 * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        bmp.push_back(char(x));
        bmp.push_back(char(y));
        bmp.push_back(char(x ^ y));
      }
    Touch(nearRoot + "/big.bmp", bmp);
  }
  ~Fixtures() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::filesystem::remove_all(nearRoot, ec);
    std::filesystem::remove_all(bigRoot, ec);
  }
};

Fixtures& TheFixtures() {
  static Fixtures f;
  return f;
}

void BM_ChooserStartup(benchmark::State& state) {
  const Fixtures& fx = TheFixtures();
  std::string ini;
  std::ifstream(fx.root + "/Rastr.ini") >> ini;
  ini += "\n";
  vplat::SetDeviceRoot(fx.root);
  for (auto _ : state) {
    tilvex::ChooserTree t;
    t.Build();
    int sel = t.Reselect(ini);
    if (sel < 0 || t.entriesSeen() != 19002) state.SkipWithError("fixture not found");
    benchmark::DoNotOptimize(sel);
  }
}
BENCHMARK(BM_ChooserStartup)->Unit(benchmark::kMillisecond);

void BM_ChooserStartup25k(benchmark::State& state) {
  const Fixtures& fx = TheFixtures();
  std::string ini;
  std::ifstream(fx.bigRoot + "/Rastr.ini") >> ini;
  ini += "\n";
  vplat::SetDeviceRoot(fx.bigRoot);
  for (auto _ : state) {
    tilvex::ChooserTree t;
    t.Build();
    benchmark::DoNotOptimize(t.Reselect(ini));
    state.counters["entries"] = t.entriesSeen();
  }
}
BENCHMARK(BM_ChooserStartup25k)->Unit(benchmark::kMillisecond);

void BM_Nearest(benchmark::State& state) {
  vplat::SetDeviceRoot(TheFixtures().nearRoot);
  tilvex::ChooserTree t;
  t.Build();
  for (auto _ : state) {
    int best = t.Nearest(50'003, 21);
    if (best < 0) state.SkipWithError("no picture");
    benchmark::DoNotOptimize(best);
  }
}
BENCHMARK(BM_Nearest)->Unit(benchmark::kMillisecond);

void BM_ViewerPaint(benchmark::State& state) {
  vplat::SetDeviceRoot(TheFixtures().nearRoot);
  static std::unique_ptr<tilvex::TBmpImage> picture =
      std::make_unique<tilvex::TBmpImage>(L"\\big.bmp", nullptr);
  if (!picture->ok()) {
    state.SkipWithError("picture not decoded");
    return;
  }
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 240, 320);
  HGDIOBJ old = SelectObject(dc, target);
  tilvex::ViewGeometry g;
  g.scale = static_cast<int>(state.range(0));
  g.offX = 1500;
  g.offY = 1200;
  RECT all{0, 0, 240, 320};
  for (auto _ : state) {
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int sx, sy, sw, sh;
    g.Source(&sx, &sy, &sw, &sh);
    picture->Draw(dc, 240, 320, sx, sy, sw, sh);
  }
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}
BENCHMARK(BM_ViewerPaint)->Arg(tilvex::kScale1to4)->Arg(tilvex::kScale1to1)->Arg(tilvex::kScale3to1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
