// The button strip of the command bar: sixteen 16 x 16 images side by side, drawn here at start
// and registered as a packed device-independent bitmap (header, then 24-bit rows bottom-up).
// Light grey RGB(192, 192, 192) is the strip's transparent colour: the bar's background shows.
#include <cstdint>
#include <vector>

#include "resources/dib_canvas.h"
#include "resources/main_ids.h"
#include "resources/resource_table.h"

namespace {

using vres::Rgb;

constexpr int kSize = 16;  // pixels, one image
constexpr Rgb kClear{192, 192, 192};
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kBlue{0, 64, 192};
constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kGreen{0, 140, 0};
constexpr Rgb kWhite{255, 255, 255};

// The strip, each call drawing inside the cell of one image.
class Strip {
 public:
  Strip() : canvas_(kSize * MAIN_TOOLBAR_IMAGES, kSize, kClear) {}

  void Set(int image, int x, int y, Rgb c) { At(image).Set(x, y, c); }
  void Line(int image, int x0, int y0, int x1, int y1, Rgb c) { At(image).Line(x0, y0, x1, y1, c); }
  void Frame(int image, int l, int t, int r, int b, Rgb c) { At(image).Frame(l, t, r, b, c); }
  void Box(int image, int l, int t, int r, int b, Rgb c) { At(image).Box(l, t, r, b, c); }
  void Circle(int image, int cx, int cy, int radius, Rgb c) { At(image).Circle(cx, cy, radius, c); }
  std::vector<uint8_t> PackedDib() const { return canvas_.PackedDib(); }

 private:
  vres::DibCanvas& At(int image) {
    canvas_.SetCell(image * kSize, 0, kSize, kSize);
    return canvas_;
  }
  vres::DibCanvas canvas_;
};

std::vector<uint8_t> DrawStrip() {
  Strip s;
  // 0: the file menu, a page with a folded corner.
  s.Box(0, 3, 1, 12, 14, kWhite);
  s.Frame(0, 3, 1, 12, 14, kInk);
  s.Line(0, 9, 1, 12, 4, kInk);
  for (int y = 5; y <= 11; y += 3) s.Line(0, 5, y, 10, y, kBlue);
  // 1: scales, a magnifier.
  s.Circle(1, 6, 6, 4, kInk);
  s.Line(1, 9, 9, 14, 14, kInk);
  s.Line(1, 10, 9, 14, 13, kInk);
  // 2: zoom in.
  s.Line(2, 3, 8, 13, 8, kInk);
  s.Line(2, 8, 3, 8, 13, kInk);
  // 3: zoom out.
  s.Line(3, 3, 8, 13, 8, kInk);
  // 4: zoom frame, a dashed rectangle.
  for (int i = 2; i <= 13; i += 2) {
    s.Set(4, i, 3, kInk), s.Set(4, i, 12, kInk), s.Set(4, 2, i, kInk), s.Set(4, 13, i, kInk);
  }
  // 5: ruler, a slanted bar with ticks.
  s.Line(5, 1, 12, 12, 1, kInk);
  s.Line(5, 3, 14, 14, 3, kInk);
  for (int i = 3; i <= 11; i += 2) s.Line(5, i, 14 - i + 0, i + 1, 13 - i, kInk);
  // 6: navigation, an arrow head.
  s.Line(6, 8, 1, 2, 14, kRed);
  s.Line(6, 8, 1, 14, 14, kRed);
  s.Line(6, 2, 14, 8, 10, kRed);
  s.Line(6, 14, 14, 8, 10, kRed);
  // 7: a point, a cross in a circle.
  s.Circle(7, 8, 8, 5, kInk);
  s.Line(7, 8, 2, 8, 14, kRed);
  s.Line(7, 2, 8, 14, 8, kRed);
  // 8: a line, a polyline through three vertices.
  s.Line(8, 1, 13, 6, 4, kBlue);
  s.Line(8, 6, 4, 10, 11, kBlue);
  s.Line(8, 10, 11, 14, 2, kBlue);
  // 9: search, binoculars.
  s.Circle(9, 4, 10, 3, kInk);
  s.Circle(9, 11, 10, 3, kInk);
  s.Line(9, 4, 3, 4, 7, kInk);
  s.Line(9, 11, 3, 11, 7, kInk);
  s.Line(9, 5, 5, 10, 5, kInk);
  // 10: grid.
  for (int i = 1; i <= 14; i += 4) s.Line(10, i, 1, i, 14, kInk), s.Line(10, 1, i, 14, i, kInk);
  // 11: fill, a filled square.
  s.Box(11, 3, 3, 12, 12, kGreen);
  s.Frame(11, 3, 3, 12, 12, kInk);
  // 12: construction tools, a set square.
  s.Line(12, 2, 2, 2, 13, kInk);
  s.Line(12, 2, 13, 13, 13, kInk);
  s.Line(12, 2, 2, 13, 13, kInk);
  s.Line(12, 5, 8, 5, 10, kInk);
  // 13: geodesy, a tripod under a receiver.
  s.Box(13, 5, 1, 10, 3, kBlue);
  s.Line(13, 7, 4, 2, 14, kInk);
  s.Line(13, 8, 4, 8, 14, kInk);
  s.Line(13, 8, 4, 13, 14, kInk);
  // 14: almanac, the sky with satellites.
  s.Circle(14, 8, 8, 6, kInk);
  s.Box(14, 5, 5, 6, 6, kRed);
  s.Box(14, 9, 9, 10, 10, kRed);
  s.Box(14, 10, 4, 11, 5, kRed);
  // 15: maps, two stacked sheets.
  s.Box(15, 5, 1, 14, 10, kWhite);
  s.Frame(15, 5, 1, 14, 10, kInk);
  s.Box(15, 1, 5, 10, 14, kGreen);
  s.Frame(15, 1, 5, 10, 14, kInk);
  return s.PackedDib();
}

const std::vector<uint8_t>& StripDib() {
  static const std::vector<uint8_t> dib = DrawStrip();
  return dib;
}

const vres::Registration kToolbarStrip(RT_BITMAP, IDB_MAIN_TOOLBAR, StripDib().data(),
                                       StripDib().size());

}  // namespace
