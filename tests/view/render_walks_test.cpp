// The walks of the renderer over plain screen points: dashes, marks, symbols and offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/recording_dc.h"
#include "platform/win.h"
#include "view/clip.h"
#include "maps/symbol_table.h"
#include "view/render_object.h"

namespace {

struct Recorder {
  HDC dc;
  explicit Recorder(bool draw = true) {
    vplat::RecordingOptions o;
    o.draw = draw;
    dc = vplat::CreateRecordingDC(o);
    SetClipWindow(0, 0, 240, 320);
  }
  ~Recorder() { DeleteDC(dc); }
  std::vector<vplat::RecordedCall> Calls(const char* name) const {
    std::vector<vplat::RecordedCall> out;
    for (const auto& c : *vplat::RecordedCalls(dc))
      if (c.name == name) out.push_back(c);
    return out;
  }
};

// The x ranges each Polyline covers along a horizontal line.
std::vector<std::pair<int, int>> Runs(const Recorder& r) {
  std::vector<std::pair<int, int>> out;
  for (const auto& c : r.Calls("Polyline")) out.push_back({c.points.front().x, c.points.back().x});
  return out;
}

}  // namespace

TEST(RenderDash, DashesAndGapsAlongOneSegment) {
  Recorder r;
  POINT line[2] = {{0, 50}, {100, 50}};
  EXPECT_EQ(DrawDashWalk(r.dc, line, 2, 10, 5, 0), 0);
  const std::vector<std::pair<int, int>> want = {{0, 10},  {15, 25}, {30, 40}, {45, 55},
                                                 {60, 70}, {75, 85}, {90, 100}};
  EXPECT_EQ(Runs(r), want);

  // A start inside the pattern: the first gap is 4 pixels long.
  Recorder r2;
  EXPECT_EQ(DrawDashWalk(r2.dc, line, 2, 10, 5, 4), 0);
  EXPECT_EQ(Runs(r2).front(), (std::pair<int, int>{4, 14}));
  // A negative start begins inside a dash, 3 pixels of it already used.
  Recorder r3;
  DrawDashWalk(r3.dc, line, 2, 10, 5, -3);
  EXPECT_EQ(Runs(r3).front(), (std::pair<int, int>{0, 7}));
}

TEST(RenderDash, OneDashCrossingAVertexIsOneRun) {
  Recorder r;
  POINT line[3] = {{10, 10}, {20, 10}, {20, 30}};
  DrawDashWalk(r.dc, line, 3, 15, 5, 0);
  auto calls = r.Calls("Polyline");
  ASSERT_GE(calls.size(), 1u);
  ASSERT_EQ(calls[0].points.size(), 3u);
  EXPECT_EQ(calls[0].points[1].x, 20);
  EXPECT_EQ(calls[0].points[1].y, 10);
  EXPECT_EQ(calls[0].points[2].y, 15);  // 10 px on the first segment, 5 on the second
}

TEST(RenderDash, PhaseRunsOnOverOnePixelSegments) {
  // A line of 1-px segments (a finely digitised curve): dashes must appear all along it, not
  // only on the first segment.
  Recorder r;
  std::vector<POINT> line;
  for (int x = 0; x <= 120; ++x) line.push_back({x, 60});
  DrawDashWalk(r.dc, line.data(), int(line.size()), 6, 3, 0);
  std::vector<bool> inked(121, false);
  for (const auto& c : r.Calls("Polyline"))
    for (int x = c.points.front().x; x <= c.points.back().x; ++x) inked[size_t(x)] = true;
  int dashesSeen = 0;
  for (int start = 0; start <= 114; start += 9) {
    EXPECT_TRUE(inked[size_t(start) + 2]) << "no dash near x=" << start;
    EXPECT_FALSE(inked[size_t(start) + 7]) << "no gap near x=" << start;
    ++dashesSeen;
  }
  EXPECT_EQ(dashesSeen, 13);
}

TEST(RenderDash, ExactEndsKeepThePattern) {
  // A dash ending exactly at a vertex: the next segment starts with the whole gap.
  Recorder r;
  POINT line[3] = {{0, 20}, {10, 20}, {40, 20}};
  DrawDashWalk(r.dc, line, 3, 10, 5, 0);
  const std::vector<std::pair<int, int>> want = {{0, 10}, {15, 25}, {30, 40}};
  EXPECT_EQ(Runs(r), want);
  // A gap ending exactly at a vertex: the next segment starts with a dash.
  Recorder r2;
  POINT line2[3] = {{0, 20}, {15, 20}, {40, 20}};
  DrawDashWalk(r2.dc, line2, 3, 10, 5, 0);
  const std::vector<std::pair<int, int>> want2 = {{0, 10}, {15, 25}, {30, 40}};
  EXPECT_EQ(Runs(r2), want2);
}

TEST(RenderDash, ShortLineAndLastDashAreDrawn) {
  Recorder r;
  POINT line[2] = {{5, 5}, {9, 5}};  // shorter than one dash
  DrawDashWalk(r.dc, line, 2, 10, 5, 0);
  EXPECT_EQ(Runs(r), (std::vector<std::pair<int, int>>{{5, 9}}));
}

TEST(RenderDash, FarOffLineCostsOnlyItsVisibleLength) {
  Recorder r(false);
  POINT line[2] = {{-2000000000, 100}, {2000000000, 100}};
  DrawDashWalk(r.dc, line, 2, 6, 3, 0);
  auto calls = r.Calls("Polyline");
  EXPECT_GT(calls.size(), 20u);
  EXPECT_LT(calls.size(), 80u);  // about (240 + 2 x 74) / 9
  for (const auto& c : calls)
    for (const POINT& p : c.points) {
      EXPECT_GE(p.x, -10);
      EXPECT_LE(p.x, 250);
    }
  // Wholly off the screen: nothing at all.
  Recorder r2(false);
  POINT away[3] = {{-2147483647, -2147483647}, {2147483647, -2147483647}, {2147483647, -1000}};
  DrawDashWalk(r2.dc, away, 3, 1, 1, 0);
  EXPECT_TRUE(r2.Calls("Polyline").empty());
}

TEST(RenderMarks, SpacingCarriesAcrossVertices) {
  Recorder r;
  POINT line[3] = {{0, 100}, {30, 100}, {130, 100}};
  DrawMarkWalk(r.dc, line, 3, 3, 4, 50, 0, HBRUSH(GetStockObject(BLACK_BRUSH)));
  auto rects = r.Calls("Rectangle");
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].args, (std::vector<int64_t>{-2, 98, 2, 102}));
  EXPECT_EQ(rects[1].args[0], 48);  // 20 px into the second segment
  EXPECT_EQ(rects[2].args[0], 98);
  EXPECT_EQ(rects[0].brush.style, BS_SOLID);

  // A segment shorter than the spacing gets no mark; hollow kinds take the null brush.
  Recorder r2;
  POINT line2[3] = {{0, 100}, {10, 100}, {60, 100}};
  DrawMarkWalk(r2.dc, line2, 3, 6, 6, 40, 20, nullptr);
  auto ellipses = r2.Calls("Ellipse");
  // t = 20 passes the first segment, 10 is carried: one mark at x = 20; the next would lie
  // exactly at the end of the line, which is not on it.
  ASSERT_EQ(ellipses.size(), 1u);
  EXPECT_EQ(ellipses[0].args, (std::vector<int64_t>{17, 97, 23, 103}));
  EXPECT_EQ(ellipses[0].brush.style, BS_NULL);
}

TEST(RenderMarks, TicksLieLeftOfTheDirectionOfTravel) {
  Recorder r;
  POINT east[2] = {{10, 100}, {110, 100}};
  DrawMarkWalk(r.dc, east, 2, 8, 10, 200, 50, nullptr);
  auto ticks = r.Calls("Polyline");
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0].points[0].x, 60);
  EXPECT_EQ(ticks[0].points[0].y, 95);  // above an eastward line: its left
  EXPECT_EQ(ticks[0].points[1].y, 100);

  Recorder r2;
  DrawMarkWalk(r2.dc, east, 2, 7, 10, 200, 50, nullptr);
  auto cross = r2.Calls("Polyline");
  ASSERT_EQ(cross.size(), 1u);
  EXPECT_EQ(cross[0].points[0].y, 95);
  EXPECT_EQ(cross[0].points[1].y, 105);

  // The same side as a positive offset.
  std::vector<POINT> shifted;
  ASSERT_TRUE(OffsetPolyline(east, 2, 5, shifted));
  EXPECT_EQ(shifted[0].y, 95);
  EXPECT_EQ(shifted[1].y, 95);
  POINT north[2] = {{50, 200}, {50, 100}};
  ASSERT_TRUE(OffsetPolyline(north, 2, 5, shifted));
  EXPECT_EQ(shifted[0].x, 45);  // left of a northward line is west
}

TEST(RenderMarks, ChevronsPointAlongOrAgainst) {
  Recorder r;
  POINT east[2] = {{0, 100}, {100, 100}};
  DrawMarkWalk(r.dc, east, 2, 9, 8, 200, 50, nullptr);
  DrawMarkWalk(r.dc, east, 2, 10, 8, 200, 50, nullptr);
  DrawMarkWalk(r.dc, east, 2, 11, 8, 200, 50, nullptr);
  auto c = r.Calls("Polyline");
  ASSERT_EQ(c.size(), 4u);
  // Along: the arms trail behind the tip; against: they lead it.
  EXPECT_EQ(c[0].points[1].x, 50);
  EXPECT_LT(c[0].points[0].x, 50);
  EXPECT_GT(c[1].points[0].x, 50);
  // The double chevron's second one stands h x sqrt 2 = 5.66 behind.
  EXPECT_EQ(c[3].points[1].x, 44);
}

TEST(RenderMarks, DegenerateSpacingsEnd) {
  Recorder r(false);
  POINT line[2] = {{0, 10}, {200, 10}};
  DrawMarkWalk(r.dc, line, 2, 3, 4, 0, 0, nullptr);
  DrawMarkWalk(r.dc, line, 2, 3, 4, -5, 0, nullptr);
  EXPECT_TRUE(r.Calls("Rectangle").empty());
  DrawMarkWalk(r.dc, line, 2, 5, 4, 0.01, 0, nullptr);  // counts as 1 px
  EXPECT_EQ(r.Calls("Ellipse").size(), 200u);
  // Below the minimum half size (1 px for kinds 3-8, 2 for chevrons): nothing.
  DrawMarkWalk(r.dc, line, 2, 7, 1.5, 10, 0, nullptr);
  DrawMarkWalk(r.dc, line, 2, 9, 3.5, 10, 0, nullptr);
  EXPECT_TRUE(r.Calls("Polyline").empty());
}

TEST(RenderMarks, BoxesNearTheInt32EndsSaturate) {
  Recorder r(false);
  SetClipWindow(-2147483000, -100, 2147483000, 400);
  POINT line[2] = {{2147483600, 10}, {2147483647, 10}};
  DrawMarkWalk(r.dc, line, 2, 5, 400, 10, 0, nullptr);
  for (const auto& c : r.Calls("Ellipse")) {
    EXPECT_LE(c.args[0], c.args[2]);
    EXPECT_EQ(c.args[2], 2147483647);
  }
  EXPECT_FALSE(r.Calls("Ellipse").empty());
}

TEST(RenderSymbols, TooSmallAStepDrawsNothing) {
  Recorder r(false);
  TSymbolTable none;
  POINT line[2] = {{0, 10}, {200, 10}};
  DrawSymbolWalk(r.dc, none, line, 2, 1, 0.05, 5.0f, RECT{0, 0, 240, 320});
  DrawSymbolWalk(r.dc, none, line, 2, 1, -3, 5.0f, RECT{0, 0, 240, 320});
  EXPECT_TRUE(vplat::RecordedCalls(r.dc)->empty());
}
