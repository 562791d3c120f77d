// A small memory surface for pixel tests: a memory DC over a bitmap cleared to white.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win.h"

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateCompatibleBitmap(dc_, w, h);
    old_ = SelectObject(dc_, bmp_);
    Clear(RGB(255, 255, 255));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bmp_; }
  int w() const { return w_; }
  int h() const { return h_; }
  void Clear(COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    RECT r{0, 0, w_, h_};
    FillRect(dc_, &r, b);
    DeleteObject(b);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  bool Ink(int x, int y) const { return At(x, y) != RGB(255, 255, 255); }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) n += At(x, y) == c;
    return n;
  }
  int InkCount() const { return w_ * h_ - Count(RGB(255, 255, 255)); }
  // The bounding box of non-white pixels; empty when there is none.
  RECT InkBox() const {
    RECT r{w_, h_, 0, 0};
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (Ink(x, y)) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  // One row as '#' (ink) and '.' (white), for readable failures.
  std::string Row(int y) const {
    std::string s;
    for (int x = 0; x < w_; ++x) s += Ink(x, y) ? '#' : '.';
    return s;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
};

// Selects a pen for the lifetime of the object and deletes it afterwards.
class PenScope {
 public:
  PenScope(HDC dc, int style, int width, COLORREF c) : dc_(dc) {
    pen_ = CreatePen(style, width, c);
    old_ = SelectObject(dc, pen_);
  }
  ~PenScope() {
    SelectObject(dc_, old_);
    DeleteObject(pen_);
  }

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ old_;
};
