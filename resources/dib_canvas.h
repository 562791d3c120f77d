// A small 24-bit canvas for the bitmaps we draw ourselves at start: pixels, lines, frames,
// boxes and circles, then packed as a device-independent bitmap (header, rows bottom-up) that
// RT_BITMAP resources carry.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace vres {

struct Rgb {
  uint8_t r, g, b;
};

class DibCanvas {
 public:
  DibCanvas(int width, int height, Rgb background)
      : width_(width), height_(height), pixels_(size_t(width) * size_t(height), background) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Drawing is clipped to the window (left, top, size x size) when one is set: a strip of
  // images draws each image in its own cell.
  void SetCell(int left, int top, int width, int height) {
    cellX_ = left, cellY_ = top, cellW_ = width, cellH_ = height;
  }
  void Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= cellW_ || y >= cellH_) return;
    x += cellX_, y += cellY_;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[size_t(y) * size_t(width_) + size_t(x)] = c;
  }
  Rgb Get(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
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
  void Circle(int cx, int cy, int radius, Rgb c) {
    // Midpoint circle: eight symmetric points per step.
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

  // BITMAPINFOHEADER (40 bytes, little-endian) and the rows, bottom row first.
  std::vector<uint8_t> PackedDib() const {
    const int stride = (width_ * 3 + 3) / 4 * 4;  // bytes, rows are padded to 4 bytes
    std::vector<uint8_t> out(40 + size_t(stride) * size_t(height_), 0);
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, uint32_t(width_));
    put32(8, uint32_t(height_));
    out[12] = 1;   // planes
    out[14] = 24;  // bits per pixel
    put32(20, uint32_t(stride) * uint32_t(height_));
    for (int y = 0; y < height_; ++y) {
      uint8_t* row = out.data() + 40 + size_t(height_ - 1 - y) * size_t(stride);
      for (int x = 0; x < width_; ++x) {
        const Rgb& c = pixels_[size_t(y) * size_t(width_) + size_t(x)];
        row[3 * x] = c.b;
        row[3 * x + 1] = c.g;
        row[3 * x + 2] = c.r;
      }
    }
    return out;
  }

 private:
  int width_, height_;
  int cellX_ = 0, cellY_ = 0, cellW_ = 1 << 30, cellH_ = 1 << 30;
  std::vector<Rgb> pixels_;
};

}  // namespace vres
