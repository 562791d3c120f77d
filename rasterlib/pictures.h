// The two kinds of picture the viewer draws.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

namespace tilvex {

class TPicture {
 public:
  virtual ~TPicture() = default;
  int width = 0, height = 0;
  // Draws the source rectangle (picture pixels) into (0, 0, w, h) of `dc`.
  virtual void Draw(HDC dc, int w, int h, int sx, int sy, int sw, int sh) const = 0;
};

// A Windows bitmap file, decoded once into a bottom-up 32-bit DIB (so Y counts from the bottom
// row, as the viewer's ".bmp" coordinates do). A file that is not read shows "Not Bmp File" (or
// that it is too large, for a bitmap past the size limits) and has no pixels.
class TBmpImage : public TPicture {
 public:
  explicit TBmpImage(const std::wstring& path, HWND owner);
  bool ok() const { return !pixels_.empty(); }
  const std::vector<uint32_t>& pixels() const { return pixels_; }
  void Draw(HDC dc, int w, int h, int sx, int sy, int sw, int sh) const override;

 private:
  std::vector<uint32_t> pixels_;
};

// A picture decoded by the image module into a bitmap.
class TLibImage : public TPicture {
 public:
  ~TLibImage() override;
  // 1 when the module and its entry were found (whatever the decoding gave: without a bitmap
  // afterwards the picture could not be decoded), else 0.
  int Load(const char* path, HDC dc, int maxWidth, int maxHeight);
  HBITMAP bitmap() const { return bitmap_; }
  void Draw(HDC dc, int w, int h, int sx, int sy, int sw, int sh) const override;

 private:
  HBITMAP bitmap_ = nullptr;
  HMODULE module_ = nullptr;
};

}  // namespace tilvex
