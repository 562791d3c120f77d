// The draw loop over the render fixture: which objects are drawn, in what order, their vertex
// marks, the working map's frame, and the highlight of one object.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "maps/mdm_map.h"
#include "platform/gdi/recording_dc.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/render_fixture.h"
#include "view/clip.h"
#include "view/draw_loop.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/render_object.h"
#include "view/render_state.h"

namespace {

// Object indexes of the fixture map (the file's objects start at 1).
enum { kMeadow = 1, kPond = 2, kFence = 3, kSolid = 4, kChain = 13, kCross = 14, kUpper = 16 };

class DrawLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\render.mdm",
                                           sample::RenderMap()));
    view = std::make_unique<TMapView>();
    ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
    view->ReadScreenResolution(nullptr);
    ASSERT_EQ(view->AddVectorMap("\\Vorna\\render.mdm", 1), 0);
    PrepareFrame(*view, 0, 0, 240, 294);
    map = view->GetVectorMap(0);
    ASSERT_NE(map->loaded, 0u);
    dc = vplat::CreateRecordingDC();
  }
  void TearDown() override {
    DeleteDC(dc);
    view.reset();
    harness::Stop();
  }
  const std::vector<vplat::RecordedCall>& Calls() const { return *vplat::RecordedCalls(dc); }
  std::vector<vplat::RecordedCall> Named(const std::string& name) const {
    std::vector<vplat::RecordedCall> out;
    for (const auto& c : Calls())
      if (c.name == name) out.push_back(c);
    return out;
  }
  // Only object `keep` stays visible.
  void ShowOnly(int keep) {
    for (int32_t i = 0; i < map->count; ++i)
      if (i != keep) map->objects[i].flags &= uint8_t(~TMapObject::kInView);
  }
  std::unique_ptr<TMapView> view;
  TMdmMap* map = nullptr;
  HDC dc = nullptr;
};

}  // namespace

TEST_F(DrawLoopTest, SinglePassInIndexOrderAndBackgroundRestored) {
  SetBkMode(dc, OPAQUE);
  EXPECT_EQ(DrawVectorMap(map, dc, 0), 0);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  // Drawing itself ran transparent.
  for (const auto& c : Calls()) {
    if (c.name == "Polyline" || c.name == "ExtTextOutW") {
      EXPECT_EQ(c.bkMode, TRANSPARENT);
    }
  }
  // Index order: the meadow's fill comes before any text, the texts (highest indexes) last.
  size_t firstPolygon = Calls().size(), lastText = 0, lastNonText = 0;
  for (size_t i = 0; i < Calls().size(); ++i) {
    const auto& c = Calls()[i];
    if (c.name == "Polygon" && firstPolygon == Calls().size()) firstPolygon = i;
    if (c.name == "ExtTextOutW") lastText = i;
    if (c.name == "Polyline" || c.name == "Rectangle" || c.name == "Ellipse") lastNonText = i;
  }
  EXPECT_LT(firstPolygon, lastNonText);
  EXPECT_GT(lastText, lastNonText);
  // Not a working map: no extent frame, so no 3-px black pen.
  for (const auto& c : Named("Polyline")) {
    EXPECT_FALSE(c.pen.width == 3 && c.pen.color == 0);
  }
}

TEST_F(DrawLoopTest, WorkingMapIsDrawnKindByKindWithItsFrame) {
  // Put a text first in the table: drawn by kind, it still comes after every line.
  std::swap(map->objects[kSolid], map->objects[kUpper]);
  map->working = 1;
  DrawVectorMap(map, dc, 1);
  size_t firstText = Calls().size(), lastArea = 0, lastMark = 0;
  for (size_t i = 0; i < Calls().size(); ++i) {
    const auto& c = Calls()[i];
    if (c.name == "ExtTextOutW" && firstText == Calls().size()) firstText = i;
    if (c.name == "Polygon" && c.pen.style == PS_NULL) lastArea = i;
    if (c.name == "Rectangle" || c.name == "Ellipse") lastMark = i;
  }
  EXPECT_LT(lastArea, lastMark);   // areas before lines
  EXPECT_LT(lastMark, firstText);  // lines before texts
  const auto lines = Named("Polyline");
  ASSERT_GE(lines.size(), 4u);
  for (size_t i = lines.size() - 4; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].pen.width, 3);  // the extent frame, four sides
    EXPECT_EQ(lines[i].pen.color, COLORREF(0));
  }
  map->working = 0;
}

TEST_F(DrawLoopTest, OnlyObjectsWithBothFlagsAreDrawnOrMarked) {
  ShowOnly(kMeadow);
  map->objects[kMeadow].flags &= uint8_t(~TMapObject::kPassesLevel);  // in view, not in level
  MapDrawState(map).marking = 1;
  DrawVectorMap(map, dc, 0);
  EXPECT_TRUE(Calls().size() <= 3u);  // background mode set and restored only
  for (const auto& c : Calls()) {
    EXPECT_EQ(c.name, "SetBkMode");
  }
  MapDrawState(map).marking = 0;
}

TEST_F(DrawLoopTest, VertexMarks) {
  // The meadow: 5 vertices, the last repeating the first: one big mark and 3 small ones.
  EXPECT_EQ(DrawVertexMarks(map, dc, &map->objects[kMeadow]), 0);
  auto e = Named("Ellipse");
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].args[2] - e[0].args[0], 6);
  for (size_t i = 1; i < e.size(); ++i) EXPECT_EQ(e[i].args[2] - e[i].args[0], 4);
  EXPECT_EQ(e[0].brush.color, RGB(255, 255, 255));
  EXPECT_EQ(e[0].pen.width, 1);

  // A point whose corners are equal: only the radius-3 mark.
  vplat::ClearRecordedCalls(dc);
  DrawVertexMarks(map, dc, &map->objects[kCross]);
  ASSERT_EQ(Named("Ellipse").size(), 1u);
  // Its corners apart: a radius-2 mark at the second.
  vplat::ClearRecordedCalls(dc);
  DrawVertexMarks(map, dc, &map->objects[kCross + 1]);
  ASSERT_EQ(Named("Ellipse").size(), 2u);
}

TEST_F(DrawLoopTest, SelectedPointLineAndOneVertexLine) {
  SetClipWindow(0, 0, 240, 294);
  const char tag[4] = {'P', '7', 0, 0};
  EXPECT_EQ(DrawSelectedObject(map, dc, kCross, tag, 0, -1), 0);
  auto circles = Named("Ellipse");
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(circles[0].pen.width, 3);
  EXPECT_EQ(circles[0].pen.style, PS_DASH);
  EXPECT_EQ(circles[0].pen.color, RGB(255, 0, 0));
  EXPECT_EQ(circles[0].brush.style, BS_NULL);
  EXPECT_EQ(circles[0].args[2] - circles[0].args[0], 16);
  EXPECT_EQ(Named("Polyline").size(), 4u);  // the ticks
  auto text = Named("ExtTextOutW");
  ASSERT_EQ(text.size(), 1u);
  EXPECT_EQ(text[0].text, L"P7");
  EXPECT_EQ(text[0].args[0], circles[0].args[0] + 8 + 8);
  EXPECT_EQ(text[0].args[1], circles[0].args[1] + 8 - 20);
  EXPECT_EQ(text[0].font.height, 14);
  EXPECT_EQ(text[0].font.weight, 700);
  EXPECT_EQ(text[0].textColor, RGB(255, 0, 0));

  // Vertices shown with the current one filled red; -1 fills none.
  vplat::ClearRecordedCalls(dc);
  DrawSelectedObject(map, dc, kSolid, nullptr, 1, 1);
  auto wide = Named("Polyline");
  ASSERT_FALSE(wide.empty());
  EXPECT_EQ(wide[0].pen.width, 4);
  auto marks = Named("Ellipse");
  ASSERT_EQ(marks.size(), 1u + 3u);
  EXPECT_EQ(marks[0].brush.color, RGB(255, 0, 0));
  EXPECT_EQ(marks[0].args[2] - marks[0].args[0], 10);
  vplat::ClearRecordedCalls(dc);
  DrawSelectedObject(map, dc, kSolid, nullptr, 1, -1);
  EXPECT_EQ(Named("Ellipse").size(), 3u);

  // A line left with one vertex is highlighted as a point, at its box corner.
  TMapObject& line = map->objects[kSolid];
  line.vertexCount = 1;
  vplat::ClearRecordedCalls(dc);
  DrawSelectedObject(map, dc, kSolid, nullptr, 0, -1);
  EXPECT_EQ(Named("Ellipse").size(), 1u);
  EXPECT_EQ(Named("Polyline").size(), 4u);
  line.vertexCount = 3;

  // Past the objects: nothing.
  vplat::ClearRecordedCalls(dc);
  EXPECT_EQ(DrawSelectedObject(map, dc, uint16_t(map->count), nullptr, 1, 0), 0);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(DrawLoopTest, RendererOnFixtureObjects) {
  MapDrawState(map).symbolScale = 5.0f;
  SetClipWindow(0, 0, 240, 294);
  // A line without its style: a solid one-pixel line in colour 0.
  TMapObject& solid = map->objects[kSolid];
  solid.flags &= uint8_t(~TMapObject::kStyleCached);
  EXPECT_EQ(DrawLineAreaObject(map, dc, &solid, kSolid), 0);
  auto lines = Named("Polyline");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pen.width, 1);
  EXPECT_EQ(lines[0].pen.style, PS_SOLID);
  EXPECT_EQ(lines[0].pen.color, COLORREF(0));

  // Width in tenths: 3 tenths at s = 5 is trunc(1.5) = 1 px; at s = 0.1 it is clamped to 1.
  solid.flags |= TMapObject::kStyleCached;
  const uint8_t tenths[5] = {0x40, 3, 1, 0, 0};
  std::copy(tenths, tenths + 5, solid.style);
  vplat::ClearRecordedCalls(dc);
  DrawLineAreaObject(map, dc, &solid, kSolid);
  EXPECT_EQ(Named("Polyline")[0].pen.width, 1);
  solid.style[1] = 30;
  vplat::ClearRecordedCalls(dc);
  DrawLineAreaObject(map, dc, &solid, kSolid);
  EXPECT_EQ(Named("Polyline")[0].pen.width, 15);
  solid.style[1] = 0;  // width 0 draws nothing
  vplat::ClearRecordedCalls(dc);
  DrawLineAreaObject(map, dc, &solid, kSolid);
  EXPECT_TRUE(Named("Polyline").empty());

  // An object without vertices draws nothing.
  TMapPoint* keep = solid.vertices;
  solid.vertices = nullptr;
  EXPECT_EQ(DrawLineAreaObject(map, dc, &solid, kSolid), 0);
  solid.vertices = keep;

  // An area with fill kind 3 is outline only; with the fill switch off every area is.
  TMapObject& meadow = map->objects[kMeadow];
  vplat::ClearRecordedCalls(dc);
  MapDrawState(map).fill = 0;
  DrawLineAreaObject(map, dc, &meadow, kMeadow);
  EXPECT_TRUE(Named("Polygon").empty());
  MapDrawState(map).fill = 1;
  meadow.style[0] = 3;
  vplat::ClearRecordedCalls(dc);
  DrawLineAreaObject(map, dc, &meadow, kMeadow);
  EXPECT_TRUE(Named("Polygon").empty());
  EXPECT_FALSE(Named("Polyline").empty());
  meadow.style[0] = 0;
  // A group member is not filled by itself.
  vplat::ClearRecordedCalls(dc);
  DrawLineAreaObject(map, dc, &map->objects[kPond], kPond);
  EXPECT_TRUE(Named("Polygon").empty());
  // A palette index out of range gives colour -1: white.
  meadow.style[1] = 200;
  vplat::ClearRecordedCalls(dc);
  DrawLineAreaObject(map, dc, &meadow, kMeadow);
  ASSERT_FALSE(Named("Polygon").empty());
  EXPECT_EQ(Named("Polygon")[0].brush.color & 0xFFFFFF, COLORREF(0xFFFFFF));
  meadow.style[1] = 4;

  // A symbol chain whose symbol is not in the library (extent of zero width) draws nothing.
  TMapObject& chain = map->objects[kChain];
  chain.style[1] = 99;
  vplat::ClearRecordedCalls(dc);
  EXPECT_EQ(DrawLineAreaObject(map, dc, &chain, kChain), 0);
  EXPECT_TRUE(Calls().empty());

  // Point objects are not drawn below s = 0.5.
  MapDrawState(map).symbolScale = 0.4f;
  vplat::ClearRecordedCalls(dc);
  DrawPointObject(map, dc, &map->objects[kCross]);
  EXPECT_TRUE(Calls().empty());
  MapDrawState(map).symbolScale = 5.0f;
  DrawPointObject(map, dc, &map->objects[kCross]);
  EXPECT_FALSE(Named("Polyline").empty());
}

TEST_F(DrawLoopTest, DoubleLineIsDrawnOnBothSides) {
  MapDrawState(map).symbolScale = 5.0f;
  SetClipWindow(0, 0, 240, 294);
  TMapObject& d = map->objects[kSolid + 4];  // the double line
  // Offset 1.5 mm = 7.5 px: the halves at +3.75 (left of travel, up) and -3.75.
  DrawLineAreaObject(map, dc, &d, uint16_t(kSolid + 4));
  auto lines = Named("Polyline");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NEAR(lines[0].points[0].x, lines[1].points[0].x, 1);
  EXPECT_NEAR(lines[1].points[0].y - lines[0].points[0].y, 7, 1);  // + half is up (left)

}
