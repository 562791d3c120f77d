// The back buffer: a screen-sized off-screen copy of the last fully drawn map picture, so that
// an ordinary repaint copies the damaged rectangle back instead of drawing the maps again.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TBackBuffer {
 public:
  TBackBuffer() = default;
  ~TBackBuffer();
  TBackBuffer(const TBackBuffer&) = delete;
  TBackBuffer& operator=(const TBackBuffer&) = delete;

  // Once: a memory DC and a bitmap of the device's resolution, both compatible with `dc`.
  // Nothing when already made. False when the device gives no size or memory runs out; it is
  // then tried again on the next call.
  bool Create(HDC dc);
  // Copies (0, 0, width, height) of `dc` into the buffer, making it first when needed.
  void Capture(HDC dc);
  // Copies the rectangle from the buffer to the same place in `dc`; the blit's result, or 0
  // when the buffer was never made.
  BOOL Restore(HDC dc, int left, int top, int right, int bottom);

  int32_t width = 0, height = 0;  // pixels
  HDC memDc = nullptr;
  HBITMAP bitmap = nullptr;
  int32_t created = 0;

 private:
  HGDIOBJ oldBitmap_ = nullptr;
};

// The main window's back buffer, made at start-up and kept for the whole run.
extern TBackBuffer g_BackBuffer;
