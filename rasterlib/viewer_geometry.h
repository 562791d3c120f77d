// The viewer's mapping between screen pixels and picture pixels, and its pan limits.
#pragma once

namespace tilvex {

// Scale items of the combo box, in order: "1:4", "1:1", "3:1".
enum ScaleItem { kScale1to4 = 0, kScale1to1 = 1, kScale3to1 = 2 };

struct ViewGeometry {
  int W = 240, H = 320;
  int type = 0;  // 0 .bmp (Y counts from the bottom row), 1 .jpg
  int scale = kScale1to1;
  int offX = 0, offY = 0;
  // The picture's size in pixels (0: not known); the pan reaches its far edges.
  int picW = 0, picH = 0;

  double Factor() const;  // picture pixels per screen pixel
  int dW() const;
  int dH() const;
  // Source rectangle of the picture drawn into (0, 0, W, H).
  void Source(int* x, int* y, int* w, int* h) const;
  void TapToPicture(int tx, int ty, int* px, int* py) const;
  void PictureToScreen(int px, int py, int* sx, int* sy) const;
  // A point at exactly 10 x factor is hit.
  bool Hits(int tapX, int tapY, int px, int py) const;
  // Moves the view so that the tapped spot comes to the centre, within the limits of the type
  // and scale. The far limits grow with the picture: its right and top (.bmp) or bottom (.jpg)
  // edge can be brought as far into the screen as the near limits let its other edges come.
  void PanTo(int tx, int ty);
};

}  // namespace tilvex
