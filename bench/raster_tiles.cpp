// Raster maps through the image module: a 20000 x 20000 RGB tiled TIFF (256 x 256 JPEG tiles,
// quality 75, reduced images down to 512 px, 1 m per pixel) written once into the build tree by
// vorna-mksample, and a whole 16-Mpx JPEG. A frame is SetViewTransform + LoadVisibleTiles + Draw
// into a 240 x 294 memory DC, the files in the host's cache.
// Targets, one thread: first frame after activation <= 20 ms at full resolution and at the
// whole-picture scale; warm frame (same view) <= 1 ms, <= 10 ms turned into another zone;
// half-screen pan <= 10 ms; activating the
// whole 16-Mpx JPEG <= 150 ms. Bare TIFFReadRGBATile of one tile is the floor of a tile.
#include <benchmark/benchmark.h>

#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "geodesy/gauss_kruger.h"
#include "imagelib/pelnor.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/image_writer.h"
#include "view/image_lib.h"
#include "view/picture_map.h"

namespace {

constexpr int kSide = 20000;
constexpr double kTop = 6300000.0, kLeft = 7400000.0;  // zone 7, 1 m per pixel
const RECT kView{0, 0, 240, 294};

std::string DataFolder() { return std::string(VORNA_BINARY_DIR) + "/bench_data"; }

std::string ToolPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "vorna-mksample";
  buf[n] = 0;
  return (std::filesystem::path(buf).parent_path() / "vorna-mksample").string();
}

// The device root with both pictures and their calibrations; the pictures are made once.
struct Fixture {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  bool ready = false;

  Fixture() {
    const std::string root = DataFolder() + "/root";
    std::filesystem::create_directories(root);
    const std::string tif = root + "/big.tif", jpg = root + "/whole.jpg";
    if (!std::filesystem::exists(tif)) {
      const std::string cmd = ToolPath() + " tif " + tif + ".part --size 20000 20000 --tile 256 --jpeg 75 --reduced 512";
      if (std::system(cmd.c_str()) != 0) return;
      std::filesystem::rename(tif + ".part", tif);
    }
    if (!std::filesystem::exists(jpg)) {
      sample::JpegSpec picture;
      picture.width = picture.height = 4096;
      picture.quality = 75;
      if (!sample::WriteJpeg(jpg, picture)) return;
    }
    auto calibration = [](double w, double h) {
      char buf[256];
      std::snprintf(buf, sizeof buf, "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0\n0 0 %.1f %.1f\n%.0f %.0f %.1f %.1f", kTop,
                    kLeft, w, h, kTop - h, kLeft + w);
      return std::string(buf);
    };
    FILE* f = std::fopen((root + "/big.@@@").c_str(), "wb");
    if (!f) return;
    std::fputs(calibration(kSide, kSide).c_str(), f);
    std::fclose(f);
    f = std::fopen((root + "/whole.@@@").c_str(), "wb");
    if (!f) return;
    std::fputs(calibration(4096, 4096).c_str(), f);
    std::fclose(f);
    harness::Options options;
    options.root = root;
    harness::Start(options);
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateBitmap(240, 294, 1, 32, nullptr);
    SelectObject(dc, bmp);
    ready = g_ImageLib.Load() == 1;
  }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

// An opened, active big map.
bool OpenBig(TPictureMap& map, benchmark::State& state) {
  const double none[6] = {};
  if (!Shared().ready || map.Open("\\big.tif", none) != 0 || !map.open || map.Activate() != 0) {
    state.SkipWithError("the benchmark picture could not be made or opened");
    return false;
  }
  return true;
}

void Frame(TPictureMap& map, double X0, double Y0, double k) {
  map.SetViewTransform(kView, X0, Y0, k);
  map.LoadVisibleTiles(kView, kView.bottom);
  map.Draw(Shared().dc);
}

// The view origin (bottom-left) that centres the view on the picture at scale k.
void Centre(double k, double* X0, double* Y0) {
  *X0 = kTop - kSide / 2.0 - 147 / k;
  *Y0 = kLeft + kSide / 2.0 - 120 / k;
}

void BM_FirstFrameAfterActivation(benchmark::State& state) {
  TPictureMap map;
  if (!OpenBig(map, state)) return;
  // Full resolution (1 screen pixel per picture pixel) or the whole picture in the view.
  const double k = state.range(0) ? 1.0 : 240.0 / kSide;
  double X0, Y0;
  Centre(k, &X0, &Y0);
  for (auto _ : state) {
    state.PauseTiming();
    map.Deactivate();
    map.Activate();
    map.lastViewScale = -1.0;
    state.ResumeTiming();
    Frame(map, X0, Y0, k);
  }
  state.counters["level_width"] = map.current->width;
}
BENCHMARK(BM_FirstFrameAfterActivation)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_WarmFrame(benchmark::State& state) {
  TPictureMap map;
  if (!OpenBig(map, state)) return;
  double X0, Y0;
  Centre(1.0, &X0, &Y0);
  Frame(map, X0, Y0, 1.0);
  for (auto _ : state) Frame(map, X0, Y0, 1.0);
}
BENCHMARK(BM_WarmFrame)->Unit(benchmark::kMicrosecond);

// The same warm frame with the view in the neighbouring zone: every screen pixel resampled from
// the picture turned into the view's plane. Target <= 10 ms.
void BM_WarmFrameTurned(benchmark::State& state) {
  TPictureMap map;
  if (!OpenBig(map, state)) return;
  map.SetOutputSystem(8);
  double cx = 0, cy = 0;
  if (!map.crossZone || !GkReprojectToZone(kTop - kSide / 2.0, kLeft + kSide / 2.0, 7, 8, cx, cy)) {
    state.SkipWithError("the picture could not be moved into zone 8");
    return;
  }
  const double X0 = cx - 147, Y0 = cy - 120;
  Frame(map, X0, Y0, 1.0);
  for (auto _ : state) Frame(map, X0, Y0, 1.0);
}
BENCHMARK(BM_WarmFrameTurned)->Unit(benchmark::kMicrosecond);

void BM_HalfScreenPan(benchmark::State& state) {
  TPictureMap map;
  if (!OpenBig(map, state)) return;
  double X0, Y0;
  Centre(1.0, &X0, &Y0);
  const double start = kLeft + 256;
  double y = start;
  Frame(map, X0, y, 1.0);
  for (auto _ : state) {
    y += 120;  // half the view's width, eastward
    if (y > kLeft + kSide - 512) {
      state.PauseTiming();
      y = start;
      Frame(map, X0, y, 1.0);
      state.ResumeTiming();
      continue;
    }
    Frame(map, X0, y, 1.0);
  }
}
BENCHMARK(BM_HalfScreenPan)->Unit(benchmark::kMillisecond);

void BM_ActivateWhole16MpxJpeg(benchmark::State& state) {
  TPictureMap map;
  const double none[6] = {};
  if (!Shared().ready || map.Open("\\whole.jpg", none) != 0 || !map.open) {
    state.SkipWithError("the benchmark picture could not be made or opened");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    map.Deactivate();
    state.ResumeTiming();
    if (map.Activate() != 0) state.SkipWithError("activation failed");
  }
}
BENCHMARK(BM_ActivateWhole16MpxJpeg)->Unit(benchmark::kMillisecond);

void BM_OpenBigPicture(benchmark::State& state) {
  const double none[6] = {};
  if (!Shared().ready) {
    state.SkipWithError("no picture");
    return;
  }
  for (auto _ : state) {
    TPictureMap map;
    if (map.Open("\\big.tif", none) != 0 || !map.open) state.SkipWithError("open failed");
  }
}
BENCHMARK(BM_OpenBigPicture)->Unit(benchmark::kMillisecond);

// The floor: libtiff decoding one JPEG tile to RGBA, file open outside the loop.
void BM_BareReadRGBATile(benchmark::State& state) {
  if (!Shared().ready) {
    state.SkipWithError("no picture");
    return;
  }
  TIFFSetErrorHandler(nullptr);
  TIFF* tif = TIFFOpen((DataFolder() + "/root/big.tif").c_str(), "r");
  if (!tif) {
    state.SkipWithError("no picture");
    return;
  }
  std::vector<uint32_t> buf(256 * 256);
  uint32_t x = 0;
  for (auto _ : state) {
    TIFFReadRGBATile(tif, x, 256 * 40, buf.data());
    x = (x + 256) % (kSide / 256 * 256);  // tile corners only
  }
  TIFFClose(tif);
}
BENCHMARK(BM_BareReadRGBATile)->Unit(benchmark::kMicrosecond);

// One tile through the module: decode and colour order, wanted set of one.
void BM_ModuleOneTile(benchmark::State& state) {
  TPictureMap map;
  if (!OpenBig(map, state)) return;
  PelnorImage* im = map.first;
  const int cols = (im->width + im->tileWidth - 1) / im->tileWidth;
  int i = 40 * cols;
  for (auto _ : state) {
    state.PauseTiming();
    for (int t = 0; t < im->tileCount; ++t) im->tiles[t].wanted = 0;
    g_ImageLib.LoadMapImageTiles(map.path, im);
    im->tiles[i].wanted = 1;
    i = i + 1 < im->tileCount ? i + 1 : 0;
    state.ResumeTiming();
    g_ImageLib.LoadMapImageTiles(map.path, im);
  }
}
BENCHMARK(BM_ModuleOneTile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
