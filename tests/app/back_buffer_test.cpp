#include "app/back_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/harness.h"

namespace {

struct Device {
  Device() { harness::Start(); }
  ~Device() { harness::Stop(); }
};

std::vector<COLORREF> Grab(HDC dc, int w, int h) {
  std::vector<COLORREF> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px.push_back(GetPixel(dc, x, y));
  return px;
}

void FillBox(HDC dc, int l, int t, int r, int b, COLORREF c) {
  HBRUSH br = CreateSolidBrush(c);
  RECT rc{l, t, r, b};
  FillRect(dc, &rc, br);
  DeleteObject(br);
}

}  // namespace

TEST(BackBuffer, RestoreBeforeCreateCopiesNothing) {
  Device device;
  HDC screen = GetDC(nullptr);
  FillBox(screen, 0, 0, 240, 320, RGB(10, 20, 30));
  TBackBuffer buffer;
  EXPECT_EQ(buffer.Restore(screen, 0, 0, 240, 320), 0);
  EXPECT_EQ(GetPixel(screen, 5, 5), RGB(10, 20, 30));
  ReleaseDC(nullptr, screen);
}

TEST(BackBuffer, CaptureScribbleRestoreGivesIdenticalPixels) {
  Device device;
  HDC screen = GetDC(nullptr);
  TBackBuffer buffer;
  ASSERT_TRUE(buffer.Create(screen));
  EXPECT_EQ(buffer.width, 240);
  EXPECT_EQ(buffer.height, 320);
  HBITMAP first = buffer.bitmap;
  ASSERT_TRUE(buffer.Create(screen));  // once only
  EXPECT_EQ(buffer.bitmap, first);

  FillBox(screen, 0, 0, 240, 320, RGB(255, 255, 255));
  FillBox(screen, 20, 30, 200, 90, RGB(0, 128, 0));
  FillBox(screen, 100, 200, 140, 310, RGB(0, 0, 255));
  const std::vector<COLORREF> before = Grab(screen, 240, 320);
  buffer.Capture(screen);

  FillBox(screen, 0, 0, 240, 320, RGB(255, 0, 0));  // scribble everywhere
  EXPECT_NE(buffer.Restore(screen, 0, 0, 240, 320), 0);
  EXPECT_EQ(Grab(screen, 240, 320), before);

  // A partial restore touches only its rectangle.
  FillBox(screen, 0, 0, 240, 320, RGB(255, 0, 0));
  buffer.Restore(screen, 50, 40, 150, 80);
  EXPECT_EQ(GetPixel(screen, 60, 50), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(screen, 49, 50), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(screen, 150, 50), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(screen, 60, 80), RGB(255, 0, 0));
  ReleaseDC(nullptr, screen);
}

TEST(BackBuffer, CaptureMakesTheBufferWhenNeeded) {
  Device device;
  HDC screen = GetDC(nullptr);
  FillBox(screen, 0, 0, 240, 320, RGB(1, 2, 3));
  TBackBuffer buffer;
  buffer.Capture(screen);
  EXPECT_EQ(buffer.created, 1);
  FillBox(screen, 0, 0, 240, 320, RGB(255, 255, 255));
  buffer.Restore(screen, 230, 310, 240, 320);
  EXPECT_EQ(GetPixel(screen, 239, 319), RGB(1, 2, 3));
  ReleaseDC(nullptr, screen);
}
