// A small 24-bit drawing surface for the bitmaps we draw ourselves at start-up (the command-bar
// strip, the panels' buttons and tiles), packed as a device-independent bitmap: the
// 40-byte header, then the rows bottom-up, each padded to 4 bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace dib {

struct Rgb {
  uint8_t r, g, b;
};

class Canvas {
 public:
  Canvas(int width, int height, Rgb fill)
      : w_(width), h_(height), clipRight_(width), clipBottom_(height),
        px_(size_t(width) * size_t(height), fill) {}

  int Width() const { return w_; }
  int Height() const { return h_; }
  // Pixels outside [left, right) x [top, bottom) are left alone (the canvas by default).
  void SetClip(int left, int top, int right, int bottom) {
    originX_ = originY_ = 0;
    clipLeft_ = left, clipTop_ = top, clipRight_ = right, clipBottom_ = bottom;
  }
  // Draws into one cell of a strip: coordinates count from the cell's corner, clipped to it.
  void SetCell(int left, int top, int width, int height) {
    SetClip(left, top, left + width, top + height);
    originX_ = left, originY_ = top;
  }
  Rgb Get(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
  void Set(int x, int y, Rgb c) {
    x += originX_, y += originY_;
    if (x < clipLeft_ || y < clipTop_ || x >= clipRight_ || y >= clipBottom_) return;
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    px_[size_t(y) * size_t(w_) + size_t(x)] = c;
  }
  // Bresenham, both ends drawn.
  void Line(int x0, int y0, int x1, int y1, Rgb c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
      Set(x0, y0, c);
      if (x0 == x1 && y0 == y1) return;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Frame(int l, int t, int r, int b, Rgb c) {
    Line(l, t, r, t, c);
    Line(r, t, r, b, c);
    Line(r, b, l, b, c);
    Line(l, b, l, t, c);
  }
  void Box(int l, int t, int r, int b, Rgb c) {
    for (int y = t; y <= b; ++y) Line(l, y, r, y, c);
  }
  // Midpoint circle: eight symmetric points per step.
  void Circle(int cx, int cy, int radius, Rgb c) {
    int x = radius, y = 0, err = 1 - radius;
    while (x >= y) {
      const int pts[8][2] = {{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}};
      for (const auto& p : pts) Set(cx + p[0], cy + p[1], c);
      ++y;
      if (err < 0) {
        err += 2 * y + 1;
      } else {
        --x;
        err += 2 * (y - x) + 1;
      }
    }
  }
  void Disc(int cx, int cy, int radius, Rgb c) {
    for (int y = -radius; y <= radius; ++y)
      for (int x = -radius; x <= radius; ++x)
        if (x * x + y * y <= radius * radius) Set(cx + x, cy + y, c);
  }

  std::vector<uint8_t> PackedDib() const {
    const int stride = (w_ * 3 + 3) / 4 * 4;
    std::vector<uint8_t> out(40 + size_t(stride) * size_t(h_), 0);
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, uint32_t(w_));
    put32(8, uint32_t(h_));
    out[12] = 1;   // planes
    out[14] = 24;  // bits per pixel
    put32(20, uint32_t(stride * h_));
    for (int y = 0; y < h_; ++y) {
      uint8_t* row = out.data() + 40 + size_t(h_ - 1 - y) * size_t(stride);
      for (int x = 0; x < w_; ++x) {
        const Rgb& c = px_[size_t(y) * size_t(w_) + size_t(x)];
        row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
      }
    }
    return out;
  }

 private:
  int w_, h_;
  int clipLeft_ = 0, clipTop_ = 0, clipRight_, clipBottom_;
  int originX_ = 0, originY_ = 0;  // added to every coordinate (the cell's corner)
  std::vector<Rgb> px_;
};

}  // namespace dib
