// Calibrated pictures drawn by the view: vectors go through the picture's transform, so the
// picture's pixel of a plane point lies under that point's mark, in the view's zone or another;
// pictures that cannot be shown say so. The first frame is saved as a PNG artefact in the build
// tree.
#include "tests/raster/raster_test_util.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "base/lang_ids.h"
#include "geodesy/gauss_kruger.h"
#include "maps/mdm_map.h"
#include "platform/gdi/recording_dc.h"
#include "tests/support/golden_png.h"
#include "tools/sampledata/render_fixture.h"
#include "view/frame_draw.h"
#include "view/map_view.h"

namespace rastertest {
namespace {

TEST_F(RasterTest, PicturePixelOfAPlanePointLiesUnderItsMark) {
  ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm", sample::RenderMap()));
  SetRasterMapFactory(NewPictureMap);
  auto view = std::make_unique<TMapView>();
  ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
  view->ReadScreenResolution(nullptr);
  InstallMapDrawing(*view);
  ASSERT_EQ(view->AddVectorMap("\\Vorna\\render.mdm", 1), 0);
  double frame[6];
  view->GetVectorMap(0)->ConvertFrame(frame);
  // A 1000 x 800 picture over the map's frame, a little wider than it.
  const double size = (frame[4] - frame[1]) * 1.2 / 1000;
  const double top = frame[3] + 20 * size, left = frame[1] - 40 * size;
  sample::JpegSpec plan;
  plan.width = 1000;
  plan.height = 800;
  plan.quality = 100;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\under.jpg"), plan));
  WriteText("\\Vorna\\under.@@@", PlaneCalibration(top, left, size, 1000, 800));
  ASSERT_EQ(view->AddRasterMap("\\Vorna\\under.jpg", 0), 0);
  ASSERT_EQ(view->GetRasterMapCount(), 1);

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, golden_png::kW, golden_png::kH);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, golden_png::kW, golden_png::kH};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  // The picture alone first, so no vector covers the pixels looked at; marks are placed by the
  // same transform the vectors are drawn with.
  view->ShowVectorMaps(0);
  PrepareFrame(*view, 0, 0, 240, 294);
  DrawLayers(*view, dc);
  auto* raster = dynamic_cast<TPictureMap*>(view->GetRasterMap(0));
  ASSERT_NE(raster, nullptr);
  ASSERT_EQ(raster->active, 1);

  // Points across the view: the mark's screen point shows the point's own picture pixel.
  int checked = 0;
  for (double fx : {0.2, 0.5, 0.8})
    for (double fy : {0.25, 0.5, 0.75}) {
      double x = 0, y = 0;
      view->ScreenToPlane(int32_t(240 * fx), int32_t(294 * fy), &x, &y, 1);
      int32_t sx = 0, sy = 0;
      view->PlaneToScreen(x, y, &sx, &sy, 1);  // where a mark at (x, y) is drawn
      int32_t c = 0, r = 0;
      raster->PlaneToPixel(x, y, &c, &r);
      ASSERT_TRUE(sx >= 0 && sx < 240 && sy >= 0 && sy < 294) << sx << "," << sy;
      // The colours a screen pixel around the mark shows, within 1 px: one of them is pixel
      // (c, r)'s colour within JPEG's loss.
      const uint32_t want = sample::PatternColour(c, r);
      bool found = false;
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
          COLORREF got = GetPixel(dc, sx + dx, sy + dy);
          found = found || (std::abs(int(GetRValue(got)) - int(want >> 16 & 0xFF)) <= 2 &&
                            std::abs(int(GetGValue(got)) - int(want >> 8 & 0xFF)) <= 2);
        }
      EXPECT_TRUE(found) << fx << "," << fy << " pixel " << c << "," << r;
      ++checked;
    }
  EXPECT_EQ(checked, 9);

  // The artefact: the picture with the vector map over it.
  view->ShowVectorMaps(1);
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  PrepareFrame(*view, 0, 0, 240, 294);
  DrawLayers(*view, dc);

  std::vector<COLORREF> px;
  for (int yy = 0; yy < golden_png::kH; ++yy)
    for (int xx = 0; xx < golden_png::kW; ++xx) px.push_back(GetPixel(dc, xx, yy));
  std::filesystem::create_directories(VORNA_BINARY_DIR "/artefacts");
  const std::vector<uint8_t> png = golden_png::EncodePng(px);
  std::ofstream(VORNA_BINARY_DIR "/artefacts/raster_under_vector.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  view.reset();
  SetRasterMapFactory(nullptr);
}

}  // namespace
}  // namespace rastertest

namespace rastertest {
namespace {

// A picture whose pixels no longer load (damaged after it was opened) is not drawn, so its
// transform does not stand in for the view's; the user is told once, and once the file is whole
// again the next frame shows it.
TEST_F(RasterTest, APictureWhosePixelsFailIsNotActiveIsToldOnceAndShownOnceMended) {
  ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm", sample::RenderMap()));
  SetRasterMapFactory(NewPictureMap);
  auto view = std::make_unique<TMapView>();
  ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
  view->ReadScreenResolution(nullptr);
  InstallMapDrawing(*view);
  ASSERT_EQ(view->AddVectorMap("\\Vorna\\render.mdm", 1), 0);
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\bad.jpg"), plan));
  WriteText("\\Vorna\\bad.@@@", PlaneCalibration(6170110, 7408000, 1.0, 64, 64));
  ASSERT_EQ(view->AddRasterMap("\\Vorna\\bad.jpg", 0), 0);
  TRasterMap* raster = view->GetRasterMap(0);
  ASSERT_EQ(raster->open, 1);
  const double frame[6] = {raster->frame[0], raster->frame[1], 0, raster->frame[3], raster->frame[4], 0};
  // Damaged between opening and the first frame (an interrupted copy).
  const std::string bytes = ReadText("\\Vorna\\bad.jpg");
  WriteText("\\Vorna\\bad.jpg", bytes.substr(0, bytes.size() / 2));
  PrepareFrame(*view, 0, 0, 240, 294);
  EXPECT_EQ(raster->inScale, 1);
  EXPECT_EQ(raster->active, 0);
  EXPECT_EQ(view->activeRaster, -1);
  EXPECT_EQ(view->planeToScreenOverride, nullptr);
  for (int k : {0, 1, 3, 4}) EXPECT_EQ(raster->frame[k], frame[k]) << k;
  // Taps read the plain chain, not a zeroed frame.
  double x = 0, y = 0, px = 0, py = 0;
  view->ScreenToPlane(120, 147, &x, &y, 1);
  view->ScreenToPlane(120, 147, &px, &py, 0);
  EXPECT_EQ(x, px);
  EXPECT_EQ(y, py);
  PrepareFrame(*view, 0, 0, 240, 294);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Vorna\\bad.jpg"), std::wstring::npos);
  // Copied again in full: the next frame loads and draws through it.
  WriteText("\\Vorna\\bad.jpg", bytes);
  PrepareFrame(*view, 0, 0, 240, 294);
  EXPECT_EQ(raster->active, 1);
  EXPECT_EQ(view->activeRaster, 0);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  view.reset();
  SetRasterMapFactory(nullptr);
}

// ---- pictures and the view's zone ----

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// The ground around (lat, lon) degrees: a vector map of it written in zone `mapZone` and a
// 400 x 400 picture of it, `size` metres a pixel, north up in zone `pictureZone`, from the
// project's own writers. The zones' coordinates of a ground point come from the geodesy's forward
// projection of its degrees; the view under test moves between zones by its own path.
struct Ground {
  double lat = 0, lon = 0;  // degrees
  int mapZone = 0, pictureZone = 0;
  double size = 1.0;
  bool tiled = false;  // a TIFF in 64-pixel tiles (the last row and column 16 short), not a JPEG
  double top = 0, left = 0;  // of the picture, in its zone
  std::unique_ptr<TMapView> view;

  bool InZone(double latDeg, double lonDeg, int zone, double* x, double* y) const {
    return GeoToGkSameDatum(latDeg * kDeg, lonDeg * kDeg, *x, *y, 6.0 * zone - 3.0);
  }
  // The picture's pixel (fractional) of a ground point, from its calibration alone.
  void Pixel(double latDeg, double lonDeg, double* col, double* row) const {
    double x = 0, y = 0;
    InZone(latDeg, lonDeg, pictureZone, &x, &y);
    *col = (y - left) / size;
    *row = (top - x) / size;
  }
  void Write() {
    double x = 0, y = 0;
    ASSERT_TRUE(InZone(lat, lon, mapZone, &x, &y));
    sample::MdmSpec m = sample::RenderMap();
    m.x1 = x - 60, m.x2 = x + 60, m.y1 = y - 50, m.y2 = y + 50;
    ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\ground.mdm", m));
    ASSERT_TRUE(InZone(lat, lon, pictureZone, &x, &y));
    top = x + 200 * size, left = y - 200 * size;
    if (tiled) {
      sample::TiffSpec plan;
      plan.width = plan.height = 400;
      plan.tileWidth = plan.tileHeight = 64;
      ASSERT_TRUE(sample::WriteTiff(Host("\\Vorna\\ground.tif"), plan));
    } else {
      sample::JpegSpec plan;
      plan.width = plan.height = 400;
      plan.quality = 100;
      ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\ground.jpg"), plan));
    }
    TPointList points;
    points.Append(TListPoint{top, left, 0, 0, 0});
    points.Append(TListPoint{top - 400 * size, left + 400 * size, 0, 400, 400});
    ASSERT_EQ(WriteCalibrationFile("\\Vorna\\ground.@@@", points), 0);
    SetRasterMapFactory(NewPictureMap);
    view = std::make_unique<TMapView>();
    ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
    view->ReadScreenResolution(nullptr);
    InstallMapDrawing(*view);
    ASSERT_EQ(view->AddVectorMap("\\Vorna\\ground.mdm", 1), 0);
    ASSERT_EQ(view->AddRasterMap(tiled ? "\\Vorna\\ground.tif" : "\\Vorna\\ground.jpg", 0), 0);
    ASSERT_EQ(view->GetRasterMap(0)->open, 1);
    view->UpdateViewZone();  // as a project read ends
  }
  // The view at 1:`scale` with the ground's map-zone point at the centre of a 240 x 294 map
  // area, and a frame prepared.
  void Show(int32_t scale) {
    double x = 0, y = 0;
    InZone(lat, lon, mapZone, &x, &y);
    TMapView& v = *view;
    v.viewRect = {0, 0, 240, 294};
    v.viewInitialised = 1;
    v.scale = scale;
    v.pixelsPerMetre = v.devicePixelsPerMetre / scale;
    v.CenterOn(x, y, 1);
    v.transformsValid = 0;
    PrepareFrame(v, 0, 0, 240, 294);
  }
  ~Ground() {
    view.reset();
    SetRasterMapFactory(nullptr);
  }
};

// Whether the screen around (sx, sy), within a pixel, shows the colour of picture pixel (col, row)
// or of a neighbour (JPEG's loss and a pixel's edge aside).
bool ShowsPixel(HDC dc, int32_t sx, int32_t sy, double col, double row) {
  for (int dc2 = -1; dc2 <= 1; ++dc2)
    for (int dr = -1; dr <= 1; ++dr) {
      const uint32_t want = sample::PatternColour(int64_t(std::floor(col)) + dc2, int64_t(std::floor(row)) + dr);
      for (int ox = -1; ox <= 1; ++ox)
        for (int oy = -1; oy <= 1; ++oy) {
          const COLORREF got = GetPixel(dc, sx + ox, sy + oy);
          if (std::abs(int(GetRValue(got)) - int(want >> 16 & 0xFF)) <= 2 &&
              std::abs(int(GetGValue(got)) - int(want >> 8 & 0xFF)) <= 2)
            return true;
        }
    }
  return false;
}

// A calibrated zone-8 picture beside a zone-7 map of the same ground near 42 E: the view shows
// zone 7 and the picture is turned into it. Across the whole view, corners included, a ground
// point lands on the same pixel with and without the picture, a tap reads the zone-7 coordinates
// of the plain chain, and the screen shows the picture's own pixel of the ground there (the pixel
// worked out from the ground's degrees and the calibration alone). At 1:2000 over a metre a
// pixel, and at 1:100 000 over 50 m a pixel, a whole JPEG and a tiled TIFF, where the zones' turn
// of about 5 degrees would part a picture blitted unturned from the view by 15 pixels at the
// corners.
TEST_F(RasterTest, APictureInTheNeighbouringZoneShowsItsGroundWhereTheViewPutsIt) {
  struct Case {
    double size;
    int32_t scale;
    bool tiled;
  };
  for (const Case c : {Case{1.0, 2000, false}, Case{50.0, 100000, false}, Case{1.0, 2000, true}, Case{50.0, 100000, true}}) {
    const double size = c.size;
    SCOPED_TRACE(testing::Message() << c.scale << (c.tiled ? " tiled" : " whole"));
    Ground g;
    g.lat = 55.7, g.lon = 42.3, g.mapZone = 7, g.pictureZone = 8, g.size = size, g.tiled = c.tiled;
    g.Write();
    TMapView& view = *g.view;
    auto* raster = dynamic_cast<TPictureMap*>(view.GetRasterMap(0));
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(raster->ownZone, 8);
    ASSERT_EQ(view.zone, 7);
    // Its extent in zone 7 holds every corner of the picture's ground, turned as it is.
    double extent[6];
    raster->GetExtent(extent);
    for (const auto& [col, row] : {std::pair{0, 0}, std::pair{400, 0}, std::pair{0, 400}, std::pair{400, 400}}) {
      double lat = 0, lon = 0, x = 0, y = 0;
      ASSERT_TRUE(GkToGeoSameDatum(g.top - row * size, g.left + col * size, lat, lon));
      ASSERT_TRUE(GeoToGkSameDatum(lat, lon, x, y, 39.0));
      // To a centimetre: the corners are the box's own edges, and the two conversions round apart.
      EXPECT_TRUE(extent[0] - 0.01 <= x && x <= extent[3] + 0.01 && extent[1] - 0.01 <= y && y <= extent[4] + 0.01)
          << col << "," << row;
    }
    g.Show(c.scale);
    ASSERT_EQ(raster->active, 1);
    ASSERT_EQ(raster->current->tiled, c.tiled ? 1 : 0);
    ASSERT_EQ(view.activeRaster, 0);
    ASSERT_NE(view.planeToScreenOverride, nullptr);

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(240, 294, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    view.ShowVectorMaps(0);
    DrawLayers(view, dc);
    int checked = 0;
    for (int32_t sx : {1, 40, 120, 200, 238})
      for (int32_t sy : {1, 60, 147, 230, 292}) {
        // The tap: the plain chain's zone-7 ground, which goes back to the tapped pixel.
        double tx = 0, ty = 0, px = 0, py = 0;
        view.ScreenToPlane(sx, sy, &tx, &ty, 1);
        view.ScreenToPlane(sx, sy, &px, &py, 0);
        EXPECT_NEAR(tx, px, 1.0 / view.pixelsPerMetre) << sx << "," << sy;
        EXPECT_NEAR(ty, py, 1.0 / view.pixelsPerMetre) << sx << "," << sy;
        EXPECT_EQ(GkZoneOfEasting(ty), 7);
        int32_t ax, ay, bx, by;
        view.PlaneToScreen(px, py, &ax, &ay, 1);
        view.PlaneToScreen(px, py, &bx, &by, 0);
        EXPECT_NEAR(ax, bx, 1) << sx << "," << sy;
        EXPECT_NEAR(ay, by, 1) << sx << "," << sy;
        EXPECT_NEAR(ax, sx, 1) << sx << "," << sy;
        EXPECT_NEAR(ay, sy, 1) << sx << "," << sy;
        // The picture's pixel of that ground lies under it.
        double lat = 0, lon = 0, col = 0, row = 0;
        ASSERT_TRUE(GkToGeoSameDatum(px, py, lat, lon));
        g.Pixel(lat / kDeg, lon / kDeg, &col, &row);
        ASSERT_TRUE(col > 1 && col < 399 && row > 1 && row < 399) << col << "," << row;
        EXPECT_TRUE(ShowsPixel(dc, sx, sy, col, row)) << sx << "," << sy << " pixel " << col << "," << row;
        // The calibration tool's conversions agree with what is drawn.
        int32_t pc = 0, pr = 0, bsx = 0, bsy = 0;
        raster->ScreenToPixel(sx, sy, &pc, &pr);
        EXPECT_NEAR(pc, col, 1) << sx << "," << sy;
        EXPECT_NEAR(pr, row, 1) << sx << "," << sy;
        raster->PixelToScreen(pc, pr, &bsx, &bsy);
        EXPECT_NEAR(bsx, sx, 1 + size * view.pixelsPerMetre) << sx << "," << sy;
        EXPECT_NEAR(bsy, sy, 1 + size * view.pixelsPerMetre) << sx << "," << sy;
        ++checked;
      }
    EXPECT_EQ(checked, 25);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
}

// Coordinates written in zone 8 just west of 42 E (the overlap): the picture's zone is its
// eastings', so beside a zone-8 map it lies on its ground.
TEST_F(RasterTest, APictureWrittenInZoneEightWestOfItsEdgeIsShownOnItsGround) {
  Ground g;
  g.lat = 55.7, g.lon = 41.95, g.mapZone = 8, g.pictureZone = 8;
  g.Write();
  TMapView& view = *g.view;
  EXPECT_EQ(view.GetRasterMap(0)->ownZone, 8);
  EXPECT_EQ(view.zone, 8);
  g.Show(2000);
  ASSERT_EQ(view.GetRasterMap(0)->inScale, 1);
  ASSERT_EQ(view.activeRaster, 0);
  double cx = 0, cy = 0;
  g.InZone(g.lat, g.lon, 8, &cx, &cy);
  int32_t ax, ay, bx, by;
  view.PlaneToScreen(cx + 15, cy - 25, &ax, &ay, 1);
  view.PlaneToScreen(cx + 15, cy - 25, &bx, &by, 0);
  EXPECT_NEAR(ax, bx, 1);
  EXPECT_NEAR(ay, by, 1);
}

// 10 m picture pixels at 1:1000: points 2 m apart, and taps a few pixels apart, keep their own
// places through the picture as through the plain chain; nothing snaps to the picture's grid.
TEST_F(RasterTest, DrawingAndTapsThroughAPictureKeepFractionsOfItsPixels) {
  Ground g;
  g.lat = 55.65, g.lon = 38.2, g.mapZone = 7, g.pictureZone = 7, g.size = 10.0;
  g.Write();
  TMapView& view = *g.view;
  g.Show(1000);
  ASSERT_EQ(view.activeRaster, 0);
  const double k = view.pixelsPerMetre;
  double cx = 0, cy = 0;
  g.InZone(g.lat, g.lon, 7, &cx, &cy);
  int32_t lastX = INT32_MIN;
  for (double d : {0.0, 2.0, 4.0, 6.0, 8.0}) {
    int32_t ax, ay, bx, by;
    view.PlaneToScreen(cx + 3.3, cy + d, &ax, &ay, 1);
    view.PlaneToScreen(cx + 3.3, cy + d, &bx, &by, 0);
    EXPECT_NEAR(ax, bx, 1) << d;
    EXPECT_NEAR(ay, by, 1) << d;
    EXPECT_GT(ax, lastX) << d;
    lastX = ax;
  }
  for (int32_t sx = 120; sx <= 152; sx += 4) {
    double tx, ty, px, py;
    view.ScreenToPlane(sx, 101, &tx, &ty, 1);
    view.ScreenToPlane(sx, 101, &px, &py, 0);
    EXPECT_NEAR(tx, px, 1.0 / k) << sx;
    EXPECT_NEAR(ty, py, 1.0 / k) << sx;
  }
}

// A ".@@@" whose point lines use commas has no usable point: the picture does not open, the user
// is told which and why, and an empty project's view stays where it was.
TEST_F(RasterTest, ACommaCalibrationDoesNotOpenAndTheViewStays) {
  ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm", sample::RenderMap()));
  SetRasterMapFactory(NewPictureMap);
  auto view = std::make_unique<TMapView>();
  ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
  view->ReadScreenResolution(nullptr);
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\comma.jpg"), plan));
  WriteText("\\Vorna\\comma.@@@", "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0\n0,0,6170100,7408000\n64,64,6170036,7408064");
  double extent[6];
  std::memcpy(extent, view->extent, sizeof extent);
  EXPECT_EQ(view->OpenFile("\\Vorna\\comma.jpg", nullptr, 1), 1);
  ASSERT_EQ(view->GetRasterMapCount(), 1);  // kept in the project, not open
  EXPECT_EQ(view->GetRasterMap(0)->open, 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Vorna\\comma.jpg"), std::wstring::npos);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(g_Lang.GetText(lang_id::kMsgRasterCalibPoints)), std::wstring::npos);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(view->extent[i], extent[i]) << i;
  PrepareFrame(*view, 0, 0, 240, 294);
  EXPECT_EQ(view->activeRaster, -1);
  EXPECT_EQ(view->planeToScreenOverride, nullptr);
  double x = 0, y = 0;
  view->ScreenToPlane(0, 294, &x, &y, 1);
  EXPECT_NEAR(x, extent[0], 1.0);  // the default extent's corner at the bottom-left
  EXPECT_NEAR(y, extent[1], 1.0);
  view.reset();
  SetRasterMapFactory(nullptr);
}

// A big picture without reduced images seen whole meets more tiles than may be held: the middle
// of the view is drawn from the tiles nearest its centre, and a line says the picture is too
// large for this scale, where before the map went blank.
TEST_F(RasterTest, ABigPictureZoomedOutShowsItsMiddleAndSaysItIsTooLarge) {
  ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm", sample::RenderMap()));
  sample::TiffSpec plan;
  plan.width = plan.height = 1100;
  plan.tileWidth = plan.tileHeight = 64;  // 18 x 18 = 324 tiles, no reduced images
  ASSERT_TRUE(sample::WriteTiff(Host("\\Vorna\\big.tif"), plan));
  WriteText("\\Vorna\\big.@@@", PlaneCalibration(6170600, 7407500, 1.0, 1100, 1100));
  SetRasterMapFactory(NewPictureMap);
  auto view = std::make_unique<TMapView>();
  ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
  view->ReadScreenResolution(nullptr);
  InstallMapDrawing(*view);
  ASSERT_EQ(view->AddRasterMap("\\Vorna\\big.tif", 1), 0);
  view->ShowVectorMaps(0);
  // 5 m a screen pixel: the whole picture fits the view.
  view->viewRect = {0, 0, 240, 294};
  view->viewInitialised = 1;
  view->pixelsPerMetre = 0.2;
  view->scale = int32_t(view->devicePixelsPerMetre / 0.2);
  view->CenterOn(6170050, 7408050, 1);
  view->transformsValid = 0;
  PrepareFrame(*view, 0, 0, 240, 294);
  auto* raster = dynamic_cast<TPictureMap*>(view->GetRasterMap(0));
  ASSERT_EQ(raster->active, 1);
  int held = 0;
  for (int i = 0; i < raster->current->tileCount; ++i) held += raster->current->tiles[i].pixels != nullptr;
  EXPECT_EQ(held, TPictureMap::kMaxVisibleTiles);
  EXPECT_EQ(raster->partial, 1);
  HDC dc = vplat::CreateRecordingDC();
  DrawLayers(*view, dc);
  // The picture's centre pixel at the view's centre (a screen pixel stands for 5 x 5 of them).
  int32_t sx, sy;
  raster->PixelToScreen(550, 550, &sx, &sy);
  ASSERT_TRUE(sx > 0 && sx < 240 && sy > 0 && sy < 294);
  const COLORREF got = GetPixel(dc, sx, sy);
  const uint32_t want = sample::TiffExpected(plan, 0, 550, 550);
  EXPECT_LE(std::abs(int(GetRValue(got)) - int(want >> 16 & 0xFF)), 5);
  EXPECT_LE(std::abs(int(GetGValue(got)) - int(want >> 8 & 0xFF)), 5);
  bool said = false;
  for (const auto& call : *vplat::RecordedCalls(dc))
    said = said || (call.name == "ExtTextOutW" && call.text == g_Lang.GetText(lang_id::kMsgRasterTooLarge));
  EXPECT_TRUE(said);
  DeleteDC(dc);
  view.reset();
  SetRasterMapFactory(nullptr);
}

}  // namespace
}  // namespace rastertest
