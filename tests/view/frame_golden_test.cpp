// The golden picture: a whole frame of the render fixture with grid, scale bar, a highlight, a
// marker and the GPS marker, compared with tests/view/golden/frame_small.png. At most 0.5% of
// the pixels may differ by more than 32 in a channel (fonts may hint a little differently).
// VORNA_UPDATE_GOLDEN=1 rewrites the picture; look at it before committing it.
//
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/lang.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/support/golden_png.h"
#include "tools/sampledata/render_fixture.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/point_lists.h"

using golden_png::CountDiffering;
using golden_png::DecodePng;
using golden_png::EncodePng;
using golden_png::kH;
using golden_png::kW;

namespace {
const char kGolden[] = VORNA_SOURCE_DIR "/tests/view/golden/frame_small.png";
}  // namespace

TEST(FrameGolden, SmallFrameMatchesThePicture) {
  harness::Start();
  ASSERT_TRUE(
      sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm", sample::RenderMap()));
  g_Lang.Add(100064, "Msg_Km", L"km");
  g_Lang.Add(100065, "Msg_m", L"m");
  auto view = std::make_unique<TMapView>();
  ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
  view->ReadScreenResolution(nullptr);
  InstallMapDrawing(*view);
  ASSERT_EQ(view->AddVectorMap("\\Vorna\\render.mdm", 1), 0);
  view->grid = 1;

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, kW, kH);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, kW, kH};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));  // as the background erase leaves it

  PrepareFrame(*view, 0, 0, 240, 294);
  DrawLayers(*view, dc);
  TObjectRef chain;
  chain.map = 0;
  chain.object = 13;  // the symbol chain
  view->AddHighlight(chain);
  TObjectRef cross;
  cross.map = 0;
  cross.object = 14;  // the cross point, with its tag
  cross.tag[0] = 'P';
  cross.tag[1] = '7';
  view->AddHighlight(cross);
  SetMark(*view, TMarker{6170100, 7408090, 0});
  DrawHighlights(*view, dc);
  view->gpsState = 1;
  view->gpsCourse = 45;
  view->gpsX = 6170030;
  view->gpsY = 7408080;
  DrawGpsPosition(*view, dc);

  std::vector<COLORREF> px;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) px.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  view.reset();
  harness::Stop();

  const char* update = std::getenv("VORNA_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    const std::vector<uint8_t> png = EncodePng(px);
    std::ofstream out(kGolden, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    ASSERT_TRUE(bool(out)) << "cannot write " << kGolden;
    GTEST_SKIP() << "rewrote " << kGolden;
  }
  std::ifstream in(kGolden, std::ios::binary);
  ASSERT_TRUE(bool(in)) << kGolden << " missing; run with VORNA_UPDATE_GOLDEN=1";
  const std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), {});
  std::vector<COLORREF> want;
  ASSERT_TRUE(DecodePng(png, want)) << kGolden << " is not a picture this test wrote";
  const int differing = CountDiffering(px, want);
  EXPECT_LE(differing, int(px.size()) / 200) << differing << " pixels differ";
}
