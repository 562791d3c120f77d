// A calibrated JPEG under a vector map, drawn by the view: vectors go through the picture's
// transform, so the picture's pixel of a plane point lies under that point's mark. The frame is
// saved as a PNG artefact in the build tree.
#include "tests/raster/raster_test_util.h"

#include <cmath>
#include <memory>

#include "maps/mdm_map.h"
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

TEST_F(RasterTest, FailedActivationInAFrameLeavesTheMapInactiveWithItsFrameZeroed) {
  ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm", sample::RenderMap()));
  SetRasterMapFactory(NewPictureMap);
  auto view = std::make_unique<TMapView>();
  ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
  view->ReadScreenResolution(nullptr);
  InstallMapDrawing(*view);
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\Vorna\\bad.jpg"), plan));
  WriteText("\\Vorna\\bad.@@@", PlaneCalibration(kX0, kY0, 1.0, 64, 64));
  ASSERT_EQ(view->AddRasterMap("\\Vorna\\bad.jpg", 1), 0);
  TRasterMap* raster = view->GetRasterMap(0);
  ASSERT_NE(raster, nullptr);
  ASSERT_EQ(raster->open, 1);
  // Damaged between opening and the first frame.
  const std::string bytes = ReadText("\\Vorna\\bad.jpg");
  WriteText("\\Vorna\\bad.jpg", bytes.substr(0, bytes.size() / 2));
  PrepareFrame(*view, 0, 0, 240, 294);
  EXPECT_EQ(raster->active, 0);
  for (int k : {0, 1, 3, 4}) EXPECT_EQ(raster->frame[k], 0.0) << k;
  view.reset();
  SetRasterMapFactory(nullptr);
}

}  // namespace
}  // namespace rastertest
