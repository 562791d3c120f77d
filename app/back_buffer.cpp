#include "app/back_buffer.h"

TBackBuffer::~TBackBuffer() {
  if (!created) return;
  SelectObject(memDc, oldBitmap_);
  DeleteObject(bitmap);
  DeleteDC(memDc);
}

bool TBackBuffer::Create(HDC dc) {
  if (created) return true;
  const int w = GetDeviceCaps(dc, HORZRES);
  const int h = GetDeviceCaps(dc, VERTRES);
  if (w <= 0 || h <= 0) return false;
  HDC mem = CreateCompatibleDC(dc);
  if (!mem) return false;
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
  if (!bmp) {
    DeleteDC(mem);
    return false;
  }
  oldBitmap_ = SelectObject(mem, bmp);
  width = w;
  height = h;
  memDc = mem;
  bitmap = bmp;
  created = 1;
  return true;
}

void TBackBuffer::Capture(HDC dc) {
  if (!Create(dc)) return;
  BitBlt(memDc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}

BOOL TBackBuffer::Restore(HDC dc, int left, int top, int right, int bottom) {
  if (!created) return 0;
  return BitBlt(dc, left, top, right - left, bottom - top, memDc, left, top, SRCCOPY);
}

// g_BackBuffer is defined with the program's other globals, in app/globals.cpp.
