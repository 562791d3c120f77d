// The measuring ruler: its label texts, the length of a tapped path, its growth, and what it
// draws on the screen.
#include "edit/measure_tool.h"

#include <cmath>
#include <limits>

#include "map_tools_fixture.h"

namespace edittest {
namespace {

using Ruler = MapToolsTest;

void NotAPoint(int32_t, int32_t, double* x, double* y) {
  *x = std::numeric_limits<double>::quiet_NaN();
  *y = 0;
}

TEST_F(Ruler, LabelTextsWithTheBuiltInLanguage) {
  TMeasureTool tool;
  const std::pair<double, const wchar_t*> cases[] = {
      {0.0, L"Л: 0 м"},       {999.5, L"Л: 999.5 м"}, {1000.0, L"Л: 1 км"},
      {1234.5, L"Л: 1.2 км"}, {2.5e9, L"Л: 2500000 км"}, {1500.0, L"Л: 1.5 км"}};
  for (const auto& [total, text] : cases) {
    tool.total = total;
    EXPECT_EQ(tool.LabelText(), text) << total;
  }
  tool.total = 999.94;  // not whole down to thousandths: one decimal, rounded as printed
  EXPECT_EQ(tool.LabelText(), L"Л: 999.9 м");
  tool.total = 999.95;  // one decimal would make it "1000.0 м"
  EXPECT_EQ(tool.LabelText(), L"Л: 1 км");
}

TEST_F(Ruler, TapsMeasureInPlaneMetresAndGrowByFive) {
  TMeasureTool tool;
  tool.Attach(&g_MapView, nullptr);
  // 3 px right and 4 px up at 50 m a pixel: 150 m east, 200 m north.
  EXPECT_EQ(tool.AddPoint(10, 100), 1);
  EXPECT_EQ(tool.capacity, 5);
  EXPECT_EQ(tool.total, 0.0);
  EXPECT_EQ(tool.AddPoint(13, 96), 1);
  EXPECT_DOUBLE_EQ(tool.total, 250.0);
  EXPECT_EQ(tool.LabelText(), L"Л: 250 м");
  for (int i = 0; i < 4; ++i) tool.AddPoint(13, 96);
  EXPECT_EQ(tool.count, 6);
  EXPECT_EQ(tool.capacity, 10);
  EXPECT_DOUBLE_EQ(tool.total, 250.0);
  // Taps that give no plane point are dropped.
  g_MapView.screenToPlaneOverride = NotAPoint;
  EXPECT_EQ(tool.AddPoint(50, 50), 0);
  g_MapView.screenToPlaneOverride = nullptr;
  const double k = g_MapView.pixelsPerMetre;
  g_MapView.pixelsPerMetre = 0;
  EXPECT_EQ(tool.AddPoint(50, 50), 0);
  g_MapView.pixelsPerMetre = k;
  EXPECT_EQ(tool.count, 6);
  tool.Reset();
  EXPECT_EQ(tool.count, 0);
  EXPECT_EQ(tool.total, 0.0);
  EXPECT_EQ(tool.capacity, 10);
  // A long ruler and taps at the ends of the pixel range.
  for (int i = 0; i < 100000; ++i) tool.AddPoint(i % 240, i % 294);
  EXPECT_EQ(tool.AddPoint(INT32_MAX, INT32_MIN), 1);
  EXPECT_EQ(tool.count, 100001);
  EXPECT_TRUE(std::isfinite(tool.total));
  const HDC dc = GetDC(host.main);
  tool.Draw(g_MapView.viewRect, dc);
  ReleaseDC(host.main, dc);
}

TEST_F(Ruler, DrawsTheDashedLineTheCirclesAndTheLabel) {
  TMeasureTool tool;
  tool.Attach(&g_MapView, nullptr);
  const HDC dc = GetDC(host.main);
  RECT all{0, 0, 240, 320};
  const HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  FillRect(dc, &all, grey);
  tool.AddPoint(40, 100);
  tool.AddPoint(140, 100);
  tool.AddPoint(140, 200);
  tool.Draw(g_MapView.viewRect, dc);  // 10,000 m: "Л: 10 км"
  const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255), yellow = RGB(255, 255, 0);
  int dashes = 0;
  for (int x = 50; x < 130; ++x) dashes += harness::ScreenPixel(x, 100) == red;
  EXPECT_GT(dashes, 40);  // six on, three off
  EXPECT_LT(dashes, 70);
  EXPECT_EQ(harness::ScreenPixel(40, 100), white);
  EXPECT_EQ(harness::ScreenPixel(37, 100), red);
  EXPECT_EQ(harness::ScreenPixel(40, 97), red);
  EXPECT_EQ(harness::ScreenPixel(40, 104), RGB(128, 128, 128));
  const RECT first = tool.label;
  EXPECT_EQ(first.left, 1);
  EXPECT_EQ(first.top, 294 - 19);
  EXPECT_EQ(harness::ScreenPixel(1, 280), RGB(0, 0, 0));
  int yellowPixels = 0, inside = 0;
  for (int y = first.top + 1; y < first.bottom - 1; ++y)
    for (int x = first.left + 1; x < first.right - 1; ++x, ++inside)
      yellowPixels += harness::ScreenPixel(x, y) == yellow;
  EXPECT_GT(yellowPixels * 2, inside);
  EXPECT_TRUE(host.restored.empty());

  // A shorter label: the old one is restored from the map picture first.
  tool.Reset();
  tool.AddPoint(40, 100);
  tool.Draw(g_MapView.viewRect, dc);
  ReleaseDC(host.main, dc);
  ASSERT_EQ(host.restored.size(), 1u);
  EXPECT_EQ(host.restored[0].right, first.right);
  ASSERT_LT(tool.label.right, first.right);
  EXPECT_EQ(harness::ScreenPixel(first.right - 2, 282), RGB(0, 128, 0));
  DeleteObject(grey);
}

}  // namespace
}  // namespace edittest
