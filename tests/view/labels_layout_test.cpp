// Text labels laid out with a fixed-advance font (every character 10 px), so runs, positions
// and breaks are exact.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "maps/mdm_map.h"
#include "platform/gdi/recording_dc.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/render_fixture.h"
#include "view/frame_draw.h"
#include "view/labels.h"
#include "view/map_view.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A text object at screen points (the view shows 1 px a metre, bottom 294, left edge east 0).
sample::MdmObject TextAt(const std::string& text, uint8_t placement,
                         const std::vector<POINT>& screen) {
  std::vector<std::pair<int32_t, int32_t>> v;
  for (const POINT& p : screen) v.push_back({(294 - p.y) * 100, p.x * 100});
  sample::MdmObject o = sample::MdmShape(sample::kRenderText, v);
  sample::AttrText(o.attrs, 9, text);
  o.placement = placement;
  return o;
}

class LabelTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override {
    if (dc) DeleteDC(dc);
    view.reset();
    harness::Stop();
  }
  // Loads the texts; their height is 30 px (3 mm at 1:10000 and 1 px a metre).
  void Load(const std::vector<sample::MdmObject>& texts) {
    sample::MdmSpec plan = sample::RenderMap();
    plan.scale = 10000;
    plan.objects = texts;
    ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), "\\Vorna\\t.mdm", plan));
    view = std::make_unique<TMapView>();
    ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
    view->devicePixelsPerMetre = 4528;
    ASSERT_EQ(view->AddVectorMap("\\Vorna\\t.mdm", 0), 0);
    view->UpdateViewZone();
    view->viewInitialised = 1;
    view->scale = 4528;
    view->pixelsPerMetre = 1.0;
    view->originX = 6170000;
    view->originY = 7408000;
    PrepareFrame(*view, 0, 0, 240, 294);
    map = view->GetVectorMap(0);
    ASSERT_NE(map->loaded, 0u);
    vplat::RecordingOptions o;
    o.fixedAdvance = 10;
    dc = vplat::CreateRecordingDC(o);
  }
  TMapObject& Obj(int i) { return map->objects[i]; }
  std::vector<vplat::RecordedCall> Draw(int i) {
    vplat::ClearRecordedCalls(dc);
    EXPECT_EQ(DrawTextObject(map, dc, &Obj(i)), 0);
    std::vector<vplat::RecordedCall> out;
    for (const auto& c : *vplat::RecordedCalls(dc))
      if (c.name == "ExtTextOutW") out.push_back(c);
    return out;
  }
  std::unique_ptr<TMapView> view;
  TMdmMap* map = nullptr;
  HDC dc = nullptr;
};

}  // namespace

TEST(LabelAngle, SegmentAngles) {
  EXPECT_EQ(SegmentAngle(0, 0, 0, 5, 0), 0);      // east
  EXPECT_EQ(SegmentAngle(0, 0, 5, 0, 0), 900);    // north
  EXPECT_EQ(SegmentAngle(0, 0, 0, -5, 0), 1800);  // west
  EXPECT_EQ(SegmentAngle(0, 0, -5, 0, 0), 2700);  // south
  EXPECT_EQ(SegmentAngle(3, 3, 3, 3, 1.0), 0);    // no length
  EXPECT_EQ(SegmentAngle(0, 0, 0, 5, 2 * kPi), 0);  // a whole turn comes out as 0
  EXPECT_EQ(SegmentAngle(0, 0, 0, 5, -kPi / 2), 2700);
  EXPECT_EQ(SegmentAngle(1e-300, 0, 0, 1e-300, 0), 3150);  // south-east, tiny but not zero
}

TEST_F(LabelTest, HeightAlignmentAndSkippedModes) {
  Load({TextAt("Hi", 0, {{100, 100}})});
  auto calls = Draw(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].font.height, 30);
  EXPECT_EQ(calls[0].font.weight, 700);  // the library's font 1 is bold
  EXPECT_EQ(calls[0].font.face, L"Arial");
  EXPECT_EQ(calls[0].args[0], 100);
  EXPECT_EQ(calls[0].args[1], 100 - 30);  // alignment 0 stands on the line
  Obj(1).style[0] = 1;
  EXPECT_EQ(Draw(1)[0].args[1], 100 - 15);
  Obj(1).style[0] = 2;
  EXPECT_EQ(Draw(1)[0].args[1], 100);
  Obj(1).style[0] = 3;
  EXPECT_EQ(Draw(1)[0].args[1], 100);
  Obj(1).style[0] = 7 << 2;  // mode 7: nothing
  EXPECT_TRUE(Draw(1).empty());
  Obj(1).style[0] = 4 << 2;  // modes 4 and 5 lay out as mode 0
  EXPECT_EQ(Draw(1)[0].args[1], 100 - 30);
  Obj(1).style[0] = 0;
  Obj(1).style[1] = 8;  // 8 px: too small
  EXPECT_TRUE(Draw(1).empty());
  Obj(1).style[1] = 9;
  ASSERT_EQ(Draw(1).size(), 1u);
  EXPECT_EQ(Draw(1)[0].font.height, 9);
}

TEST_F(LabelTest, LinesSplitAtTilde) {
  Load({TextAt("ab~cd", 2, {{50, 200}}), TextAt("~x", 2, {{50, 200}})});
  auto calls = Draw(1);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, L"ab");
  EXPECT_EQ(calls[1].text, L"cd");
  EXPECT_EQ(calls[1].args[1] - calls[0].args[1], 30);  // one text height lower
  EXPECT_EQ(calls[1].args[0], calls[0].args[0]);
  auto first = Draw(2);  // a "~" in the first character does not split
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].text, L"~x");
}

TEST_F(LabelTest, SpreadSpacingAndBreaks) {
  // Segments of 45 and 60 px: spacing 105 / 10 = 10, so the sixth centre (55) passes 45.
  Load({TextAt("ABCDEFGHIJ", 1 << 2 | 2, {{10, 100}, {55, 100}, {115, 100}})});
  auto calls = Draw(1);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, L"ABCDE");
  EXPECT_EQ(calls[0].args[0], 10);
  EXPECT_EQ(calls[1].text, L"FGHIJ");
  EXPECT_EQ(calls[1].args[0], 55);
}

TEST_F(LabelTest, NaturalLayoutAndCharactersWiderThanTheirSegment) {
  Load({TextAt("ABCDEFG", 2, {{10, 100}, {35, 100}, {135, 100}}),
        TextAt("ABC", 2, {{10, 100}, {15, 100}, {60, 100}, {61, 100}})});
  auto calls = Draw(1);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, L"AB");  // 30 px would pass the 25-px segment
  EXPECT_EQ(calls[1].text, L"CDEFG");
  EXPECT_EQ(calls[1].args[0], 35);
  // A 5-px segment takes no character and the walk goes on to the next.
  calls = Draw(2);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, L"ABC");
  EXPECT_EQ(calls[0].args[0], 15);
}

TEST_F(LabelTest, PerVertexAndPerPair) {
  Load({TextAt("ABCDE", 2 << 2 | 2, {{10, 100}, {60, 100}, {60, 50}}),
        TextAt("XYZ", 3 << 2 | 2, {{10, 100}, {60, 100}}),
        TextAt("XYZ", 3 << 2 | 2, {{10, 100}, {60, 100}, {80, 100}, {80, 50}, {90, 50}})});
  auto calls = Draw(1);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].text, L"A");
  EXPECT_EQ(calls[0].font.escapement, 0);
  EXPECT_EQ(calls[1].text, L"B");
  EXPECT_EQ(calls[1].font.escapement, 900);  // the second segment runs north
  EXPECT_EQ(calls[2].text, L"CDE");
  EXPECT_EQ(calls[2].args[0], 60);
  EXPECT_EQ(calls[2].args[1], 50);
  EXPECT_EQ(calls[2].font.escapement, 900);
  // Two vertices make no pair: all of it at the first vertex, upright and without offset.
  auto pair0 = Draw(2);
  ASSERT_EQ(pair0.size(), 1u);
  EXPECT_EQ(pair0[0].text, L"XYZ");
  EXPECT_EQ(pair0[0].args[1], 100);
  // Five vertices make two pairs; the third character from vertex 4.
  auto pairs = Draw(3);
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[1].text, L"Y");
  EXPECT_EQ(pairs[1].args[0], 80);
  EXPECT_EQ(pairs[1].font.escapement, 900);
  EXPECT_EQ(pairs[2].args[0], 90);
}

TEST_F(LabelTest, OneVertexOnARotatedMap) {
  Load({TextAt("R", 1 << 2 | 2, {{100, 100}})});
  map->rotSin = std::sin(0.5);
  map->rotCos = std::cos(0.5);
  for (int mode : {1, 2, 6}) {
    Obj(1).style[0] = uint8_t(mode << 2 | 2);
    auto calls = Draw(1);
    ASSERT_EQ(calls.size(), 1u) << mode;
    EXPECT_EQ(calls[0].font.escapement, int(0.5 * 1800 / kPi)) << mode;
  }
  Obj(1).style[0] = 3 << 2 | 2;
  EXPECT_EQ(Draw(1)[0].font.escapement, 0);
  map->rotSin = 0;
  map->rotCos = 1;
}

TEST_F(LabelTest, JustifiedWidensTheSpaces) {
  // 200 px of line, text 50 px, spaces 10 px, 2 spaces: 7 more after each.
  Load({TextAt("a b c", 6 << 2 | 2, {{10, 100}, {210, 100}})});
  auto calls = Draw(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, L"a        b        c");
}

TEST_F(LabelTest, EmptyAndVeryLongTexts) {
  Load({TextAt("x", 6 << 2 | 2, {{0, 100}, {120, 120}, {240, 100}})});
  TMapObject& o = Obj(1);
  wchar_t* own = o.name;
  std::wstring empty;
  o.name = empty.data();
  EXPECT_TRUE(Draw(1).empty());
  // 5,000 characters with spaces, justified and spread over a 240-px line, and at 10,000 px high.
  std::wstring longText;
  for (int i = 0; i < 5000; ++i) longText.push_back(i % 7 == 3 ? L' ' : wchar_t(L'a' + i % 26));
  o.name = longText.data();
  auto justified = Draw(1);
  ASSERT_FALSE(justified.empty());
  size_t drawn = 0;
  for (const auto& c : justified) drawn += c.text.size();
  EXPECT_GE(drawn, 5000u);
  o.style[0] = 1 << 2 | 2;
  auto spread = Draw(1);
  ASSERT_FALSE(spread.empty());
  o.style[0] = 0;
  o.style[1] = 255;
  map->pixelScale *= 40;  // labels about 10,000 px high
  EXPECT_FALSE(Draw(1).empty());
  o.name = own;
}
