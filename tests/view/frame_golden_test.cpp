// The golden picture: a whole frame of the render fixture with grid, scale bar, a highlight, a
// marker and the GPS marker, compared with tests/view/golden/frame_small.png. At most 0.5% of
// the pixels may differ by more than 32 in a channel (fonts may hint a little differently).
// VORNA_UPDATE_GOLDEN=1 rewrites the picture; look at it before committing it.
//
// The PNG is written with stored (uncompressed) deflate blocks, so this file can read it back
// without an image library: 8-bit RGB, filter 0 on every row.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/lang.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/render_fixture.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/point_lists.h"

namespace {

constexpr int kW = 240, kH = 320;
const char kGolden[] = VORNA_SOURCE_DIR "/tests/view/golden/frame_small.png";

uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0xFFFFFFFFu) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

void PutBE(std::vector<uint8_t>& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}
uint32_t GetBE(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBE(out, uint32_t(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBE(out, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// Pixels are 0x00BBGGRR, row by row.
std::vector<uint8_t> EncodePng(const std::vector<COLORREF>& px) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < kH; ++y) {
    raw.push_back(0);
    for (int x = 0; x < kW; ++x) {
      const COLORREF c = px[size_t(y * kW + x)];
      raw.push_back(GetRValue(c));
      raw.push_back(GetGValue(c));
      raw.push_back(GetBValue(c));
    }
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size();) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(uint8_t(n));
    z.push_back(uint8_t(n >> 8));
    z.push_back(uint8_t(~n));
    z.push_back(uint8_t(~n >> 8));
    z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, b << 16 | a);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBE(ihdr, kW);
  PutBE(ihdr, kH);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return png;
}

// Reads back what EncodePng writes; false for anything else.
bool DecodePng(const std::vector<uint8_t>& png, std::vector<COLORREF>& px) {
  if (png.size() < 8) return false;
  std::vector<uint8_t> z;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t n = GetBE(&png[at]);
    if (at + 12 + n > png.size()) return false;
    const std::string type(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
    if (type == "IHDR" && (GetBE(&png[at + 8]) != kW || GetBE(&png[at + 12]) != kH)) return false;
    if (type == "IDAT") z.insert(z.end(), png.begin() + long(at) + 8, png.begin() + long(at + 8 + n));
    at += 12 + n;
  }
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last;) {
    if (at + 5 > z.size() || (z[at] & 6) != 0) return false;  // stored blocks only
    last = z[at] & 1;
    const size_t n = z[at + 1] | z[at + 2] << 8;
    at += 5;
    if (at + n > z.size()) return false;
    raw.insert(raw.end(), z.begin() + long(at), z.begin() + long(at + n));
    at += n;
  }
  if (raw.size() != size_t(kH) * (kW * 3 + 1)) return false;
  px.assign(size_t(kW) * kH, 0);
  for (int y = 0; y < kH; ++y) {
    const uint8_t* row = &raw[size_t(y) * (kW * 3 + 1)];
    if (row[0] != 0) return false;
    for (int x = 0; x < kW; ++x)
      px[size_t(y * kW + x)] = RGB(row[1 + 3 * x], row[2 + 3 * x], row[3 + 3 * x]);
  }
  return true;
}

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
  int differing = 0;
  for (size_t i = 0; i < px.size(); ++i) {
    const COLORREF a = px[i], b = want[i];
    if (std::abs(int(GetRValue(a)) - GetRValue(b)) > 32 ||
        std::abs(int(GetGValue(a)) - GetGValue(b)) > 32 ||
        std::abs(int(GetBValue(a)) - GetBValue(b)) > 32)
      ++differing;
  }
  EXPECT_LE(differing, int(px.size()) / 200) << differing << " pixels differ";
}
