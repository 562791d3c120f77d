#include "rasterlib/viewer_geometry.h"

namespace tilvex {
namespace {

struct Limits {
  int minX, maxX, minY, maxY;
};
// By type, then scale item; picture pixels. The minima are margins before the picture's first
// column and row; the maxima fit a picture of about 1,200 x 1,000 and are raised for larger
// ones (FarLimit).
constexpr Limits kLimits[2][3] = {
    {{-348, 1096, -500, 1000}, {-220, 960, -260, 700}, {-130, 920, -190, 640}},
    {{-350, 1085, -600, 984}, {-175, 960, -244, 692}, {-130, 924, -190, 633}},
};

int Clamp(int value, int delta, int lo, int hi) {
  long long v = static_cast<long long>(value) + delta;
  if (v > lo && v < hi) return static_cast<int>(v);
  return v <= lo ? lo : hi;
}

// The offset at which the picture's far edge (`size` pixels on from its first) lies as far
// inside the screen as its near edge does at offset `min`: the `view` pixels shown start at
// offset + shift, so the far margin size - (max + shift + view) equals -(min + shift).
int FarLimit(int tableMax, int min, int size, int view, int shift) {
  if (size <= 0) return tableMax;
  const long long far = static_cast<long long>(size) - view - 2LL * shift - min;
  return far > tableMax ? static_cast<int>(far < 2147483647LL ? far : 2147483647LL) : tableMax;
}

}  // namespace

double ViewGeometry::Factor() const {
  switch (scale) {
    case kScale1to4: return 4.0;
    case kScale3to1: return 1.0 / 3.0;
    default: return 1.0;
  }
}

int ViewGeometry::dW() const { return W - static_cast<int>(W * Factor()); }
int ViewGeometry::dH() const { return H - static_cast<int>(H * Factor()); }

void ViewGeometry::Source(int* x, int* y, int* w, int* h) const {
  *x = offX + dW() / 2;
  *y = offY + dH() / 2;
  *w = static_cast<int>(W * Factor());
  *h = static_cast<int>(H * Factor());
}

void ViewGeometry::TapToPicture(int tx, int ty, int* px, int* py) const {
  double s = Factor();
  *px = static_cast<int>(tx * s) + dW() / 2 + offX;
  *py = (type == 0 ? static_cast<int>((H - ty) * s) : static_cast<int>(ty * s)) + dH() / 2 + offY;
}

void ViewGeometry::PictureToScreen(int px, int py, int* sx, int* sy) const {
  double s = Factor();
  *sx = static_cast<int>((px - dW() / 2 - offX) / s);
  int y = static_cast<int>((py - dH() / 2 - offY) / s);
  *sy = type == 0 ? H - y : y;
}

bool ViewGeometry::Hits(int tapX, int tapY, int px, int py) const {
  double dx = double(tapX) - px, dy = double(tapY) - py, r = 10 * Factor();
  return dx * dx + dy * dy <= r * r;
}

void ViewGeometry::PanTo(int tx, int ty) {
  Limits l = kLimits[type == 1 ? 1 : 0][scale < 0 || scale > 2 ? 1 : scale];
  double s = Factor();
  l.maxX = FarLimit(l.maxX, l.minX, picW, static_cast<int>(W * s), dW() / 2);
  l.maxY = FarLimit(l.maxY, l.minY, picH, static_cast<int>(H * s), dH() / 2);
  int dx = static_cast<int>((tx - W / 2) * s);
  int dy = static_cast<int>((H / 2 - ty) * s);
  offX = Clamp(offX, dx, l.minX, l.maxX);
  offY = Clamp(offY, type == 0 ? dy : -dy, l.minY, l.maxY);
}

}  // namespace tilvex
