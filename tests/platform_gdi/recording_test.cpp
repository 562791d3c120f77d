// The recording DC: calls with their arguments and the DC's state, fixed-advance metrics.
#include "platform/gdi/recording_dc.h"

#include <vector>

#include "tests/platform_gdi/gdi_test_support.h"

namespace {

TEST(RecordingDc, LogsCallsWithSelectedObjectsAndModes) {
  HDC dc = vplat::CreateRecordingDC({});
  ASSERT_NE(dc, nullptr);
  HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  LOGFONTW lf{};
  lf.lfHeight = 15;
  lf.lfWeight = FW_BOLD;
  lf.lfEscapement = 300;
  lf.lfItalic = 1;
  wcscpy(lf.lfFaceName, L"Arial");
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(9, 8, 7));
  vplat::ClearRecordedCalls(dc);
  POINT pts[] = {{1, 1}, {50, 1}, {50, 40}};
  Polyline(dc, pts, 3);
  ExtTextOutW(dc, 10, 20, 0, nullptr, L"abc", 3, nullptr);
  const auto* calls = vplat::RecordedCalls(dc);
  ASSERT_NE(calls, nullptr);
  ASSERT_EQ(calls->size(), 2u);
  const vplat::RecordedCall& line = (*calls)[0];
  EXPECT_EQ(line.name, "Polyline");
  ASSERT_EQ(line.points.size(), 3u);
  EXPECT_EQ(line.points[2].y, 40);
  EXPECT_EQ(line.pen.style, PS_DASH);
  EXPECT_EQ(line.pen.color, RGB(1, 2, 3));
  EXPECT_EQ(line.bkMode, TRANSPARENT);
  const vplat::RecordedCall& text = (*calls)[1];
  EXPECT_EQ(text.name, "ExtTextOutW");
  EXPECT_EQ(text.text, L"abc");
  EXPECT_EQ(text.args[0], 10);
  EXPECT_EQ(text.args[1], 20);
  EXPECT_EQ(text.font.height, 15);
  EXPECT_EQ(text.font.weight, FW_BOLD);
  EXPECT_EQ(text.font.escapement, 300);
  EXPECT_TRUE(text.font.italic);
  EXPECT_EQ(text.font.face, L"Arial");
  EXPECT_EQ(text.textColor, RGB(9, 8, 7));
  // It drew as well.
  EXPECT_EQ(GetPixel(dc, 20, 1), RGB(1, 2, 3));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
  DeleteObject(pen);
  DeleteObject(font);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(vplat::RecordedCalls(dc), nullptr);
}

TEST(RecordingDc, ExtTextOutLogsItsAdvanceArray) {
  vplat::RecordingOptions o;
  o.fixedAdvance = 5;
  HDC dc = vplat::CreateRecordingDC(o);
  const INT dx[] = {9, 0, -3, 12};
  RECT rc{0, 0, 100, 20};
  ExtTextOutW(dc, 4, 6, ETO_CLIPPED, &rc, L"abcd", 4, dx);
  ExtTextOutW(dc, 4, 6, 0, nullptr, L"ab", 2, nullptr);
  ExtTextOutW(dc, 4, 6, 0, nullptr, nullptr, 3, dx);  // no text: no advances either
  const auto& calls = *vplat::RecordedCalls(dc);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].dx, (std::vector<int>{9, 0, -3, 12}));
  EXPECT_EQ(calls[0].args.size(), 7u);  // x, y, options and the rectangle, as before
  EXPECT_TRUE(calls[1].dx.empty());
  EXPECT_TRUE(calls[2].dx.empty());
  // The advances are what was drawn with: 'b' lands 9 px after 'a', not 5.
  vplat::RecordingOptions plain;
  HDC a = vplat::CreateRecordingDC(plain), b = vplat::CreateRecordingDC(plain);
  const INT spread[] = {20, 20};
  const INT tight[] = {1, 1};
  ExtTextOutW(a, 0, 0, 0, nullptr, L"WW", 2, spread);
  ExtTextOutW(b, 0, 0, 0, nullptr, L"WW", 2, tight);
  EXPECT_EQ((*vplat::RecordedCalls(a))[0].dx, (std::vector<int>{20, 20}));
  bool differs = false;
  for (int y = 0; y < 20 && !differs; ++y)
    for (int x = 0; x < 40 && !differs; ++x) differs = GetPixel(a, x, y) != GetPixel(b, x, y);
  EXPECT_TRUE(differs);
  DeleteDC(a);
  DeleteDC(b);
  DeleteDC(dc);
}

TEST(RecordingDc, FixedAdvanceMakesLayoutsExact) {
  vplat::RecordingOptions o;
  o.fixedAdvance = 7;
  o.draw = false;
  HDC dc = vplat::CreateRecordingDC(o);
  LOGFONTW lf{};
  lf.lfHeight = 20;
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  INT dx[4];
  INT fit = 0;
  SIZE sz{};
  GetTextExtentExPointW(dc, L"Wi.m", 4, 15, &fit, dx, &sz);
  EXPECT_EQ(dx[0], 7);
  EXPECT_EQ(dx[3], 28);
  EXPECT_EQ(fit, 2);
  EXPECT_EQ(sz.cy, 20);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  EXPECT_EQ(tm.tmAveCharWidth, 7);
  EXPECT_EQ(tm.tmHeight, 20);
  Rectangle(dc, 0, 0, 10, 10);
  EXPECT_EQ(vplat::RecordedCalls(dc)->back().name, "Rectangle");
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);  // recording only
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  Canvas plain(4, 4);
  EXPECT_EQ(vplat::RecordedCalls(plain.dc()), nullptr);
}

}  // namespace
