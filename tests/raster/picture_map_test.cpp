// The raster map: opening, activation, the view transform against the view's own chain, level
// choice, the tile cache and drawing.
#include "tests/raster/raster_test_util.h"

#include <algorithm>
#include <cmath>

#include "view/map_view.h"

namespace rastertest {
namespace {

const double kNoFallback[6] = {};

// Screen point where the view's chain puts a plane point (origin at the screen's left and bottom).
void ViewChain(double x, double y, double X0, double Y0, double k, int bottom, int32_t* sx, int32_t* sy) {
  *sx = int32_t(std::trunc((y - Y0) * k));
  *sy = bottom - int32_t(std::trunc((x - X0) * k));
}

// Colour of a memory DC's pixel as 0x00RRGGBB.
uint32_t Rgb(HDC dc, int x, int y) {
  COLORREF c = GetPixel(dc, x, y);
  return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

struct Screen {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp;
  HGDIOBJ old;
  explicit Screen(int w = 240, int h = 294) {
    bmp = CreateBitmap(w, h, 1, 32, nullptr);
    old = SelectObject(dc, bmp);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Screen() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

// Frame of one view: transform, tiles, draw.
void Frame(TPictureMap& map, HDC dc, const RECT& view, double X0, double Y0, double k) {
  map.SetViewTransform(view, X0, Y0, k);
  map.LoadVisibleTiles(view, view.bottom);
  map.Draw(dc);
}

TEST_F(RasterTest, CalibratedPictureOpensWithItsFrameAndZone) {
  sample::JpegSpec plan;
  plan.width = 200;
  plan.height = 100;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\m.jpg"), plan));
  WriteText("\\m.@@@", PlaneCalibration(kX0, kY0, 2.0, 200, 100));
  TPictureMap map;
  ASSERT_EQ(map.Open("\\m.jpg", kNoFallback), 0);
  EXPECT_EQ(map.open, 1);
  EXPECT_EQ(map.shown, 1);
  EXPECT_EQ(map.active, 0);
  EXPECT_FLOAT_EQ(map.pixelSize, 2.0f);
  EXPECT_NEAR(map.frame[3], kX0, 1e-6);       // top
  EXPECT_NEAR(map.frame[1], kY0, 1e-6);       // left
  EXPECT_NEAR(map.frame[0], kX0 - 200, 1e-3);  // bottom: 100 rows of 2 m
  EXPECT_NEAR(map.frame[4], kY0 + 400, 1e-3);
  EXPECT_EQ(map.ownZone, 7);
  EXPECT_EQ(map.Activate(), 0);
  EXPECT_EQ(map.active, 1);
  EXPECT_NE(map.current->pixels, nullptr);
}

TEST_F(RasterTest, MissingFileIsCannotOpenAndUncalibratedPictureFailsWithoutFallback) {
  TPictureMap map;
  EXPECT_EQ(map.Open("\\none.jpg", kNoFallback), 2);
  EXPECT_EQ(map.Activate(), 2);
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\bare.jpg"), plan));
  EXPECT_EQ(map.Open("\\bare.jpg", kNoFallback), 0);
  EXPECT_EQ(map.open, 0);
  // With the view's corners as fallback the picture fills them.
  const double fallback[6] = {kX0 - 64, kY0, 0, kX0, kY0 + 64, 0};
  EXPECT_EQ(map.Open("\\bare.jpg", fallback), 0);
  EXPECT_EQ(map.open, 1);
  EXPECT_FLOAT_EQ(map.pixelSize, 1.0f);
  EXPECT_NEAR(map.frame[4], kY0 + 64, 1e-6);
}

// A calibration that is there but cannot be read (here a folder under its name, as a card
// error or a file held by a PC sync leaves it): said, the picture not placed over the view, and
// nothing written over or beside the user's calibration.
TEST_F(RasterTest, ACalibrationThatCannotBeReadIsReportedAndLeftAlone) {
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\u.jpg"), plan));
  ASSERT_TRUE(CreateDirectoryW(L"\\u.@@@", nullptr));
  const double fallback[6] = {kX0 - 64, kY0, 0, kX0, kY0 + 64, 0};
  TPictureMap map;
  EXPECT_EQ(map.Open("\\u.jpg", fallback), 0);
  EXPECT_EQ(map.open, 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Ошибка открытия файла\n\\u.@@@");
  EXPECT_NE(GetFileAttributesW(L"\\u.@@@") & FILE_ATTRIBUTE_DIRECTORY, 0u);

  // The degrees form alike: no ".@@@" placement is made beside it.
  ASSERT_TRUE(sample::WriteJpeg(Host("\\d.jpg"), plan));
  ASSERT_TRUE(CreateDirectoryW(L"\\d.lnk", nullptr));
  EXPECT_EQ(map.Open("\\d.jpg", fallback), 0);
  EXPECT_EQ(map.open, 0);
  EXPECT_EQ(GetFileAttributesW(L"\\d.@@@"), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[1].text, L"Ошибка открытия файла\n\\d.lnk");
}

// A picture listed but not drawn, added again: opened afresh (its calibration mended meanwhile),
// or the Add says it failed; never a silent success.
TEST_F(RasterTest, AListedPictureThatIsNotOpenIsOpenedAgainByANewAdd) {
  SetRasterMapFactory(NewPictureMap);
  auto view = std::make_unique<TMapView>();
  sample::JpegSpec plan;
  plan.width = 200;
  plan.height = 100;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\m.jpg"), plan));
  WriteText("\\m.@@@", "0 0\n");  // too few points
  EXPECT_EQ(view->OpenFile("\\m.jpg", nullptr, 1), 1);
  ASSERT_EQ(view->GetRasterMapCount(), 1);
  view->GetRasterMap(0)->minScale = 500;
  EXPECT_EQ(view->OpenFile("\\m.jpg", nullptr, 1), 1);  // still bad: said again
  EXPECT_EQ(harness::MessageBoxes().size(), 2u);
  WriteText("\\m.@@@", PlaneCalibration(kX0, kY0, 2.0, 200, 100));
  EXPECT_EQ(view->OpenFile("\\M.JPG", nullptr, 1), 0);
  ASSERT_EQ(view->GetRasterMapCount(), 1);
  EXPECT_EQ(view->GetRasterMap(0)->open, 1);
  EXPECT_EQ(view->GetRasterMap(0)->minScale, 500);  // its place and range kept
  EXPECT_NEAR(view->GetRasterMap(0)->frame[3], kX0, 1e-6);
  // Open now: a further Add changes nothing.
  TRasterMap* open = view->GetRasterMap(0);
  EXPECT_EQ(view->OpenFile("\\m.jpg", nullptr, 1), 0);
  EXPECT_EQ(view->GetRasterMap(0), open);
  SetRasterMapFactory(nullptr);
}

class PixelPlacementTest : public RasterTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PixelPlacementTest, PixelLandsWhereTheViewChainPutsItsPlanePoint) {
  const bool tiled = GetParam();
  const std::string path = tiled ? "\\p.tif" : "\\p.jpg";
  if (tiled) {
    sample::TiffSpec plan;
    plan.width = 700;
    plan.height = 500;
    plan.tileWidth = plan.tileHeight = 64;
    ASSERT_TRUE(sample::WriteTiff(Host(path), plan));
  } else {
    sample::JpegSpec plan;
    plan.width = 700;
    plan.height = 500;
    ASSERT_TRUE(sample::WriteJpeg(Host(path), plan));
  }
  const double size = 0.5;
  WriteText(tiled ? "\\p.@@@" : "\\p.@@@", PlaneCalibration(kX0, kY0, size, 700, 500));
  TPictureMap map;
  ASSERT_EQ(map.Open(path.c_str(), kNoFallback), 0);
  ASSERT_EQ(map.open, 1);
  ASSERT_EQ(map.Activate(), 0);
  const RECT view{0, 26, 240, 294};
  const double X0 = kX0 - 180.3, Y0 = kY0 + 20.7;
  for (double k : {2.0, 1.3, 0.7}) {
    map.SetViewTransform(view, X0, Y0, k);
    map.LoadVisibleTiles(view, view.bottom);
    for (int c : {0, 13, 350, 699})
      for (int r : {0, 77, 499}) {
        int32_t sx, sy, ex, ey;
        map.PixelToScreen(c, r, &sx, &sy);
        ViewChain(kX0 - r * size, kY0 + c * size, X0, Y0, k, view.bottom, &ex, &ey);
        EXPECT_NEAR(sx, ex, 1) << k << " " << c << "," << r;
        EXPECT_NEAR(sy, ey, 1) << k << " " << c << "," << r;
        // And back: the screen point gives the pixel within one screen pixel's worth.
        int32_t pc, pr;
        map.ScreenToPixel(sx, sy, &pc, &pr);
        EXPECT_NEAR(pc, c, 1.0 / (k * size) + 1) << k;
        EXPECT_NEAR(pr, r, 1.0 / (k * size) + 1) << k;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(WholeAndTiled, PixelPlacementTest, ::testing::Bool());

TEST_F(RasterTest, DrawnPixelsAreThePicturesAtOneScreenPixelEach) {
  for (bool tiled : {false, true}) {
    sample::TiffSpec plan;
    plan.width = 300;
    plan.height = 270;  // the last tile row is 14 high
    plan.tileWidth = plan.tileHeight = tiled ? 64 : 0;
    ASSERT_TRUE(sample::WriteTiff(Host("\\d.tif"), plan));
    WriteText("\\d.@@@", PlaneCalibration(kX0, kY0, 1.0, 300, 270));
    TPictureMap map;
    ASSERT_EQ(map.Open("\\d.tif", kNoFallback), 0);
    ASSERT_EQ(map.Activate(), 0);
    ASSERT_EQ(map.current->tiled, tiled ? 1 : 0);
    Screen screen;
    const RECT view{0, 0, 240, 294};
    // Pixel (c, r) at screen (c - 100, r - 10): the view's bottom-left is plane (X0 - 304, Y0 + 100).
    Frame(map, screen.dc, view, kX0 - 304, kY0 + 100, 1.0);
    int checked = 0;
    for (int sy = 0; sy < 260; sy += 3)
      for (int sx = 0; sx < 200; sx += 7, ++checked)
        ASSERT_EQ(Rgb(screen.dc, sx, sy), sample::PatternColour(sx + 100, sy + 10)) << tiled << " " << sx << "," << sy;
    // Below the picture the screen stays white; the short last row shows its own rows.
    EXPECT_EQ(Rgb(screen.dc, 50, 265), 0xFFFFFFu);
    EXPECT_EQ(Rgb(screen.dc, 50, 259), sample::PatternColour(150, 269));
    EXPECT_GT(checked, 0);
  }
}

TEST_F(RasterTest, LevelIsTheCoarsestStillFinerThanTheScreenAndOldTilesGo) {
  sample::TiffSpec plan;
  plan.width = 4000;
  plan.height = 300;
  plan.tileWidth = plan.tileHeight = 256;
  plan.reducedDownTo = 1000;  // 4000, 2000, 1000
  ASSERT_TRUE(sample::WriteTiff(Host("\\l.tif"), plan));
  WriteText("\\l.@@@", PlaneCalibration(kX0, kY0, 1.0, 4000, 300));
  TPictureMap map;
  ASSERT_EQ(map.Open("\\l.tif", kNoFallback), 0);
  ASSERT_EQ(map.Activate(), 0);
  const RECT view{0, 0, 240, 294};
  Screen screen;
  Frame(map, screen.dc, view, kX0 - 294, kY0, 1.0);
  EXPECT_EQ(map.current, map.first);
  EXPECT_DOUBLE_EQ(map.levelFactor, 1.0);
  int held = 0;
  for (int i = 0; i < map.first->tileCount; ++i) held += map.first->tiles[i].pixels != nullptr;
  EXPECT_GT(held, 0);
  Frame(map, screen.dc, view, kX0 - 900, kY0, 0.3);  // size x k = 0.3
  ASSERT_NE(map.current, map.first);
  EXPECT_EQ(map.current->width, 2000);
  EXPECT_DOUBLE_EQ(map.levelFactor, 2.0);
  for (int i = 0; i < map.first->tileCount; ++i) EXPECT_EQ(map.first->tiles[i].pixels, nullptr) << i;
  // The screen shows the level's pixels: full pixel (600, 100) is level pixel (300, 50), and a
  // screen pixel covers 1.7 level pixels, so its neighbours may show instead.
  int32_t sx, sy;
  map.PixelToScreen(600, 100, &sx, &sy);
  bool found = false;
  for (int u = 299; u <= 301; ++u)
    for (int v = 49; v <= 51; ++v) found = found || Rgb(screen.dc, sx, sy) == sample::TiffExpected(plan, 1, u, v);
  EXPECT_TRUE(found) << std::hex << Rgb(screen.dc, sx, sy);
  // A screen smaller than the smallest level: the last record of the chain.
  Frame(map, screen.dc, view, kX0 - 900, kY0, 0.1);
  EXPECT_EQ(map.current->width, 1000);
}

TEST_F(RasterTest, TileTouchingTheViewOnlyAlongAnEdgeIsNotWanted) {
  sample::TiffSpec plan;
  plan.width = 512;
  plan.height = 512;
  plan.tileWidth = plan.tileHeight = 64;
  ASSERT_TRUE(sample::WriteTiff(Host("\\e.tif"), plan));
  WriteText("\\e.@@@", PlaneCalibration(kX0, kY0, 1.0, 512, 512));
  TPictureMap map;
  ASSERT_EQ(map.Open("\\e.tif", kNoFallback), 0);
  ASSERT_EQ(map.Activate(), 0);
  // The view covers pixels x 64..192, y 128..256 exactly.
  const RECT view{0, 0, 128, 128};
  map.SetViewTransform(view, kX0 - 256, kY0 + 64, 1.0);
  map.LoadVisibleTiles(view, view.bottom);
  int wanted = 0;
  for (int i = 0; i < map.current->tileCount; ++i) {
    const PelnorTile& t = map.current->tiles[i];
    const bool inside = t.x >= 64 && t.x < 192 && t.y >= 128 && t.y < 256;
    EXPECT_EQ(t.wanted, inside ? 1 : 0) << t.x << "," << t.y;
    EXPECT_EQ(t.pixels != nullptr, inside);
    wanted += t.wanted;
  }
  EXPECT_EQ(wanted, 4);
}

TEST_F(RasterTest, TooManyTilesInViewLoadOnlyThoseNearestTheViewsCentre) {
  sample::TiffSpec plan;
  plan.width = 1100;
  plan.height = 1100;
  plan.tileWidth = plan.tileHeight = 64;  // 18 x 18 = 324 tiles, no reduced images
  ASSERT_TRUE(sample::WriteTiff(Host("\\n.tif"), plan));
  WriteText("\\n.@@@", PlaneCalibration(kX0, kY0, 1.0, 1100, 1100));
  TPictureMap map;
  ASSERT_EQ(map.Open("\\n.tif", kNoFallback), 0);
  ASSERT_EQ(map.Activate(), 0);
  Screen screen;
  // 5 m a screen pixel, the view's centre over picture pixel (610, 490).
  Frame(map, screen.dc, RECT{0, 0, 240, 294}, kX0 - 490 - 147 * 5, kY0 + 610 - 120 * 5, 0.2);
  EXPECT_EQ(map.partial, 1);
  double farthestHeld = 0, nearestLeft = 1e9;
  int held = 0;
  for (int i = 0; i < map.current->tileCount; ++i) {
    const PelnorTile& t = map.current->tiles[i];
    const double d = std::hypot(t.x + 32 - 610.0, t.y + 32 - 490.0);
    if (t.pixels) {
      ++held;
      farthestHeld = std::max(farthestHeld, d);
    } else {
      nearestLeft = std::min(nearestLeft, d);
    }
  }
  EXPECT_EQ(held, TPictureMap::kMaxVisibleTiles);
  EXPECT_LE(farthestHeld, nearestLeft);
  // The centre shows its own pixels (a screen pixel stands for 5 x 5 of them).
  int32_t sx, sy;
  map.PixelToScreen(610, 490, &sx, &sy);
  const uint32_t got = Rgb(screen.dc, sx, sy), want = sample::TiffExpected(plan, 0, 610, 490);
  EXPECT_LE(std::abs(int(got >> 16) - int(want >> 16)), 5) << std::hex << got;
  EXPECT_LE(std::abs(int(got >> 8 & 0xFF) - int(want >> 8 & 0xFF)), 5) << std::hex << got;
  // Closer in, every tile that meets the view fits: nothing is left out.
  Frame(map, screen.dc, RECT{0, 0, 240, 294}, kX0 - 490 - 147, kY0 + 610 - 120, 1.0);
  EXPECT_EQ(map.partial, 0);
}

TEST_F(RasterTest, DeactivationFreesAndActivationReloads) {
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\r.jpg"), plan));
  WriteText("\\r.@@@", PlaneCalibration(kX0, kY0, 1.0, 64, 64));
  TPictureMap map;
  ASSERT_EQ(map.Open("\\r.jpg", kNoFallback), 0);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(map.Activate(), 0);
    EXPECT_NE(map.current->pixels, nullptr);
    map.Deactivate();
    EXPECT_EQ(map.active, 0);
    EXPECT_EQ(map.current->pixels, nullptr);
  }
  // A picture damaged after opening: activation fails with the module's code, not active.
  std::string bytes = ReadText("\\r.jpg");
  WriteText("\\r.jpg", bytes.substr(0, bytes.size() / 3));
  EXPECT_EQ(map.Activate(), 1);
  EXPECT_EQ(map.active, 0);
}

TEST_F(RasterTest, ZeroScaleAndZeroPixelSizeGivePixelZero) {
  TPictureMap map;
  int32_t px = 7, py = 7;
  map.ScreenToPixel(100, 100, &px, &py);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(py, 0);
  px = py = 7;
  map.PlaneToPixel(kX0, kY0, &px, &py);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(py, 0);
  // k = 0 on a calibrated map: no scale, so every screen point is pixel (0, 0).
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\z.jpg"), plan));
  WriteText("\\z.@@@", PlaneCalibration(kX0, kY0, 1.0, 64, 64));
  ASSERT_EQ(map.Open("\\z.jpg", kNoFallback), 0);
  map.SetViewTransform(RECT{0, 0, 240, 294}, kX0, kY0, 0.0);
  map.ScreenToPixel(100, 100, &px, &py);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(py, 0);
}

TEST_F(RasterTest, FactoryInstalledAtStartUpMakesPictureMapsForTheView) {
  SetRasterMapFactory(NewPictureMap);
  std::unique_ptr<TRasterMap> map(CreateRasterMap());
  ASSERT_NE(dynamic_cast<TPictureMap*>(map.get()), nullptr);
  SetRasterMapFactory(nullptr);
}

}  // namespace
}  // namespace rastertest
