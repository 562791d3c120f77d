// The program's main window on the demo device, started as the entry starts it, for the tests of
// commands and pen input: three maps fitted, the first frame painted.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "view/map_view.h"

namespace demo_window {

// The whole screen, row after row.
inline std::vector<COLORREF> ScreenPixels() {
  std::vector<COLORREF> pixels;
  pixels.reserve(240 * 320);
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) pixels.push_back(harness::ScreenPixel(x, y));
  return pixels;
}

// A tap on the command bar's button `index` (its place in the bar, separators counted), as the
// user's pen gives it: a check button toggles before its command runs.
inline void TapCommandBarButton(int index) {
  RECT r{};
  ASSERT_TRUE(SendMessageW(g_MenuBar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(g_MenuBar, &p);
  harness::Tap(p.x, p.y);
}

class DemoWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    w = startup_test::MakeMainWindow("");
    ASSERT_NE(w, nullptr);
    ASSERT_GT(g_MapView.scale, 0);
  }
  void TearDown() override {
    if (w && IsWindow(w)) DestroyWindow(w);
    harness::Stop();
  }
  LRESULT Command(UINT id) { return SendMessageW(w, WM_COMMAND, id, 0); }
  // The view centre in screen pixels, as the view computes it.
  POINT Centre() const {
    const RECT& v = g_MapView.viewRect;
    return POINT{(v.left + v.right) / 2, (v.top + v.bottom) / 2};
  }
  void PlaneAt(POINT p, double* x, double* y) const {
    g_MapView.ScreenToPlane(p.x, p.y, x, y, 1);
  }

  HWND w = nullptr;
};

}  // namespace demo_window
