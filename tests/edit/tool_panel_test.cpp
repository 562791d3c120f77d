// The construction-tools panel over a working map, driven by the device's pen: picks on the map,
// the panel's buttons, the method picker and the number list.
#include "edit/tool_panel.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "edit/method_picker.h"
#include "edit/number_list_edit.h"
#include "edit/object_form.h"
#include "edit/object_list_panel.h"
#include "geodesy/gauss_kruger.h"
#include "maps/user_layer.h"
#include "tests/edit/edit_fixture.h"
#include "view/picture_map.h"
#include "view/point_lists.h"

namespace {

using edittest::Area;
using edittest::Line;
using edittest::Point;

constexpr uint8_t kDrawn = TMapObject::kInView | TMapObject::kPassesLevel;

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  switch (message) {
    case WM_LBUTTONDOWN:
      if (GetInputMode() == input_mode::kToolPanel) g_ToolPanel.OnMapMouse(hwnd, x, y, message);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

class ToolPanel : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = L"ToolPanelTestMain";
    RegisterClassW(&wc);
    main = CreateWindowExW(0, L"ToolPanelTestMain", L"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 294,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(g_ObjectListPanel.Create(main, GetModuleHandleW(nullptr)), nullptr);
    ASSERT_NE(g_ToolPanel.Create(main, GetModuleHandleW(nullptr)), nullptr);
    g_ToolPanel.MoveTo(0);
  }
  void TearDown() override {
    g_ToolPanel.Show(0);
    g_UserLayer.Close();
    DestroyWindow(main);
    EditTest::TearDown();
  }
  // The working map: points A (1000, 1000), B (1100, 1000), C (1050, 1060), a line (1000, 900) -
  // (1100, 900), shown 100 m to 100 pixels around (1050, 1000).
  // `extra` objects follow from index 5.
  void OpenWorkingMap(const std::vector<sample::MdmObject>& extra = {}) {
    std::vector<sample::MdmObject> objects = {
        sample::MdmPoint(Point(1), 1000, 1000), sample::MdmPoint(Point(1), 1100, 1000),
        sample::MdmPoint(Point(1), 1050, 1060),
        sample::MdmShape(Line(1), {{1000, 900}, {1100, 900}})};
    objects.insert(objects.end(), extra.begin(), extra.end());
    for (size_t i = 0; i < objects.size(); ++i) {
      sample::AttrText(objects[i].attrs, 10, "o");
      sample::AttrText(objects[i].attrs, 9, std::to_string(i + 1));
    }
    index = AddMap("\\Vorna\\Work.mdm", objects);
    ASSERT_GE(index, 0);
    map = g_MapView.GetVectorMap(index);
    map->working = 1;
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), index), 1);
    g_MapView.viewRect = {0, 46, 240, 294};
    g_MapView.vectorMaps[size_t(index)].inScale = 1;
    // 0.8 pixels a metre: Y 900 at the left edge, X 890 at the bottom.
    g_MapView.pixelsPerMetre = 0.8;
    g_MapView.originX = 6000000 + 890;
    g_MapView.originY = 7000000 + 900;
    g_MapView.viewInitialised = 1;
    g_MapView.zone = map->zone;
    map->SetOutputZone(map->zone);
    g_MapView.UpdateLayers(1);
    g_MapView.PrepareMap(map, g_MapView.viewRect);
    for (int32_t k = 1; k < map->count; k++) map->objects[k].flags |= kDrawn;
  }
  POINT Screen(int32_t x, int32_t y) const {
    int32_t sx, sy;
    map->MapToScreen(x, y, &sx, &sy);
    return POINT{sx, sy};  // client pixels of the main window
  }
  void TapMap(int32_t x, int32_t y) {
    POINT p = Screen(x, y);
    EXPECT_TRUE(p.x >= 0 && p.x < 240 && p.y >= 46 && p.y < 294) << x << " " << y;
    ClientToScreen(main, &p);
    harness::Tap(p.x, p.y);
  }
  // Three taps of a drawing: a bend of 100 along X, then `rise` along Y, from (960, y).
  void TapBend(int32_t y, int32_t rise) {
    TapMap(960, y);
    TapMap(1060, y);
    TapMap(1060, y + rise);
  }
  void HoldMap(int32_t x, int32_t y) {
    POINT p = Screen(x, y);
    ClientToScreen(main, &p);
    harness::PenDown(p.x, p.y);
    harness::PenUp(p.x, p.y);
  }
  void TapButton(TToolPanel::Button b) {
    const TSoftButton& s = g_ToolPanel.ButtonAt(b);
    ASSERT_TRUE(s.visible) << b;
    POINT p{(s.left + s.right) / 2, (s.top + s.bottom) / 2};
    ClientToScreen(g_ToolPanel.window, &p);
    harness::Tap(p.x, p.y);
  }
  static std::string Log() {
    std::ifstream in(harness::HostPath(L"\\Vorna\\Work.gtl"), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Objects of the code with geometry: placed points, lines and areas with vertices.
  int Live(uint16_t code) const {
    int n = 0;
    for (int i = 1; i < map->count; ++i) {
      const TMapObject& o = map->objects[i];
      if (o.code != code) continue;
      n += (code & 7) == 1 ? (o.box[0] != 0 || o.box[1] != 0) : o.vertexCount > 0;
    }
    return n;
  }
  HWND main = nullptr;
  int index = -1;
  TMdmMap* map = nullptr;
};

TEST_F(ToolPanel, MidpointFromTwoPicksRefusesAThirdAndFinishKeepsThePoint) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 7);
  g_ToolPanel.Show(1);
  ASSERT_EQ(g_ToolPanel.method, 7);
  EXPECT_EQ(GetInputMode(), input_mode::kToolPanel);  // the pick button pressed
  EXPECT_TRUE(g_ToolPanel.ButtonAt(TToolPanel::kPick).IsDown());
  const uint16_t pending = g_ToolPanel.builder.PendingIndex();
  ASSERT_GT(pending, 4);
  TapMap(1000, 1000);
  TapMap(1100, 1000);
  TapMap(1050, 1060);
  ASSERT_EQ(g_ToolPanel.picks.size(), 2u);
  EXPECT_EQ(g_ToolPanel.picks[1].tag[0], '2');
  EXPECT_EQ(g_MapView.GetHighlightCount(), 2);
  EXPECT_FALSE(g_ToolPanel.IsIdle());
  TMapPoint at{};
  map->GetObjectBounds(pending, &at, nullptr);
  EXPECT_EQ(at.x, 1050);
  EXPECT_EQ(at.y, 1000);
  // A hold on A removes it; B is pick 1 now.
  HoldMap(1000, 1000);
  ASSERT_EQ(g_ToolPanel.picks.size(), 1u);
  EXPECT_EQ(g_ToolPanel.picks[0].object, 2);
  EXPECT_EQ(g_ToolPanel.picks[0].tag[0], '1');
  TapMap(1050, 1060);
  TapButton(TToolPanel::kFinish);
  map->GetObjectBounds(pending, &at, nullptr);
  EXPECT_EQ(at.x, 1075);
  EXPECT_EQ(at.y, 1030);
  EXPECT_NE(Log().find("POINT_MED\t"), std::string::npos);
  EXPECT_NE(Log().find("\to_2\to_3\n"), std::string::npos);
  EXPECT_TRUE(g_ToolPanel.picks.empty());
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_TRUE(g_ToolPanel.IsIdle());
  EXPECT_NE(g_ToolPanel.builder.PendingIndex(), pending);
  g_ToolPanel.Show(0);
  EXPECT_EQ(g_Ini.GetInt("GTMethod"), 7);
  // The unfinished pending object is gone; the finished point stays.
  EXPECT_EQ(Live(Point(0)), 1);
  EXPECT_EQ(map->GetObjectCode(pending), Point(0));  // no type chosen: the plain point type
}

TEST_F(ToolPanel, RectanglePickLimitsDependOnTheFirstPick) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 8);
  g_Ini.SetString("GTMRCLen", "10");
  g_ToolPanel.Show(1);
  TapMap(1050, 900);  // the line
  TapMap(1000, 1000);
  TapMap(1100, 1000);
  TapMap(1050, 1060);
  TapMap(1000, 1000);  // a fifth
  EXPECT_EQ(g_ToolPanel.picks.size(), 4u);
  g_ToolPanel.Reset();
  g_ToolPanel.StartNewObject();
  TapMap(1000, 1000);
  TapMap(1100, 1000);
  TapMap(1050, 1060);
  TapMap(1100, 1000);  // a fourth
  EXPECT_EQ(g_ToolPanel.picks.size(), 3u);
  // Two points and the rectangle option: a tap 20 m off gives the height "20".
  HoldMap(1050, 1060);
  ASSERT_EQ(g_ToolPanel.picks.size(), 2u);
  TapButton(TToolPanel::kRectOption);
  ASSERT_TRUE(g_ToolPanel.ButtonAt(TToolPanel::kRectOption).IsDown());
  TapMap(1040, 1020);
  wchar_t text[32] = {};
  GetDlgItemTextW(g_ToolPanel.window, TToolPanel::kLength1, text, 32);
  EXPECT_STREQ(text, L"20");
  EXPECT_FALSE(g_ToolPanel.ButtonAt(TToolPanel::kRectOption).IsDown());
  TapButton(TToolPanel::kFinish);
  EXPECT_NE(Log().find("RECT_H\t"), std::string::npos);
  EXPECT_NE(Log().find("\to_1\to_2\t20.000000\n"), std::string::npos) << Log();
}

TEST_F(ToolPanel, VerticesSquaredByTheOptionMakeALineAndDiscardLeavesNothing) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 0);
  g_Ini.SetInt("GTMNewType", 2);
  g_Ini.SetInt("GTCode_2", Line(4));
  g_ToolPanel.Show(1);
  EXPECT_TRUE(g_ToolPanel.ButtonAt(TToolPanel::kKindLine).IsDown());
  EXPECT_EQ(GetInputMode(), input_mode::kToolPanel);
  TapButton(TToolPanel::kOption);
  TapMap(960, 1100);
  TapMap(1060, 1100);
  TapMap(1063, 1180);  // squared to (1060, 1180) at the tap's distance from the last vertex
  ASSERT_EQ(g_ToolPanel.vertices.size(), 3u);
  EXPECT_NEAR(g_ToolPanel.vertices[2].x, 1060, 0);
  EXPECT_NEAR(g_ToolPanel.vertices[2].y, 1180, 2);  // the tap itself is a whole pixel
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(Live(Line(4)), 1);
  EXPECT_EQ(g_ToolPanel.builder.GetKind(), 0);  // method 0 ends with no kind
  // Kind 0: Finish writes nothing.
  const int objects = map->count;
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(Live(Line(4)), 1);
  // A kind again, two vertices, then Discard: no new object.
  TapButton(TToolPanel::kKindLine);
  TapMap(960, 1150);
  TapMap(1060, 1150);
  TapButton(TToolPanel::kDiscard);
  g_ToolPanel.Show(0);
  EXPECT_EQ(Live(Line(4)), 1);
  EXPECT_GE(map->count, objects);
  EXPECT_EQ(g_Ini.GetInt("GTCode_2"), Line(4));
}

// A vertex taken from a map of zone 6 while the working map and the view count in zone 7: the
// new line's vertex lies on the other map's point's ground (within a metre, the working map's
// unit), not where the same plane numbers fall in zone 7 (some 600 km off, outside the map).
TEST_F(ToolPanel, AVertexTakenFromAMapOfAnotherZoneLandsOnItsGround) {
  // The ground of working-map units (1040, 1120), in zone 6's plane; the zone-6 map's frame
  // starts 5 km south-west of it, in metres.
  double gx, gy;
  ASSERT_TRUE(GkReprojectToZone(6000000 + 1040, 7000000 + 1120, 7, 6, gx, gy));
  const double wx = std::floor(gx) - 5000, wy = std::floor(gy) - 5000;
  const int32_t px = int32_t(std::lround(gx - wx)), py = int32_t(std::lround(gy - wy));
  const int west = AddMap("\\Vorna\\West.mdm", {sample::MdmPoint(Point(1), px, py)}, 3, wx, wy);
  ASSERT_EQ(west, 0);
  OpenWorkingMap();
  ASSERT_EQ(map->zone, 7);
  TMdmMap* other = g_MapView.GetVectorMap(west);
  ASSERT_EQ(other->zone, 6);
  other->SetOutputZone(7);
  g_MapView.vectorMaps[size_t(west)].inScale = 1;
  g_MapView.UpdateLayers(1);
  g_MapView.PrepareMap(other, g_MapView.viewRect);
  other->objects[1].flags |= kDrawn;

  g_Ini.SetInt("GTMethod", 0);
  g_Ini.SetInt("GTMNewType", 2);
  g_Ini.SetInt("GTCode_2", Line(4));
  g_ToolPanel.Show(1);
  TapMap(960, 1100);
  // Held over the other map's point: it is offered; the tap there takes its vertex.
  int32_t sx, sy;
  other->MapToScreen(px, py, &sx, &sy);
  POINT p{sx, sy};
  ASSERT_TRUE(p.x >= 0 && p.x < 240 && p.y >= 46 && p.y < 294) << p.x << " " << p.y;
  ClientToScreen(main, &p);
  harness::PenDown(p.x, p.y);
  harness::PenUp(p.x, p.y);
  const TObjectRef* offered = g_ObjectListPanel.GetSelected();
  ASSERT_NE(offered, nullptr);
  ASSERT_EQ(offered->map, west);
  harness::Tap(p.x, p.y);
  ASSERT_EQ(g_ToolPanel.vertices.size(), 2u);
  EXPECT_NEAR(g_ToolPanel.vertices[1].x, 1040, 1);
  EXPECT_NEAR(g_ToolPanel.vertices[1].y, 1120, 1);
  TapButton(TToolPanel::kDiscard);
}

// With "BlankAutoShowNew" on, three taps of an area and Finish: the form opens on an area of the
// kind's own type (the preview draws it as a plain line, code 2), the map keeps a closed area of
// that type, and the kind keeps its type for the next area and in the settings.
TEST_F(ToolPanel, AnAreaDrawnByTapsKeepsItsTypeWhenTheFormOpensOnFinish) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 0);
  g_Ini.SetInt("GTMNewType", 3);
  g_Ini.SetInt("GTCode_3", Area(2));
  g_Ini.SetInt("BlankAutoShowNew", 1);
  int forms = 0;
  uint16_t shown = 0;
  harness::OnDialog(TObjectForm::kTemplate, [&](HWND d) {
    ++forms;
    shown = map->GetObjectCode(g_ToolPanel.builder.PendingIndex());
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
  g_ToolPanel.Show(1);
  ASSERT_TRUE(g_ToolPanel.ButtonAt(TToolPanel::kKindArea).IsDown());
  TapBend(1100, 80);
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(forms, 1);
  EXPECT_EQ(shown, Area(2)) << "the form is on the area, not on a line of type 2";
  EXPECT_EQ(Live(Area(2)), 1);
  EXPECT_EQ(Live(2), 0);
  EXPECT_EQ(g_ToolPanel.builder.codes[3], Area(2));
  // The next area is of the same type without the user choosing it again.
  TapButton(TToolPanel::kKindArea);
  TapBend(1120, 70);
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(Live(Area(2)), 2);
  g_ToolPanel.Show(0);
  EXPECT_EQ(g_Ini.GetInt("GTCode_3"), Area(2));
}

// A kind button tapped in the middle of a drawing: the line of three taps is finished as the line
// it was drawn as, then the new kind starts afresh; the point button neither drops it, nor the
// area button closes it.
TEST_F(ToolPanel, AKindChangedInTheMiddleOfADrawingFinishesItUnderItsOwnKind) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 0);
  g_Ini.SetInt("GTMNewType", 2);
  g_Ini.SetInt("GTCode_2", Line(4));
  g_Ini.SetInt("GTCode_3", Area(2));
  g_ToolPanel.Show(1);
  TapBend(1100, 80);
  TapButton(TToolPanel::kKindPoint);  // was: the line dropped
  EXPECT_EQ(Live(Line(4)), 1) << "the line is kept";
  EXPECT_TRUE(g_ToolPanel.vertices.empty());
  EXPECT_EQ(g_ToolPanel.builder.GetKind(), 1);
  TapButton(TToolPanel::kKindLine);
  TapBend(1120, 70);
  TapButton(TToolPanel::kKindArea);
  EXPECT_EQ(Live(Line(4)), 2);
  EXPECT_EQ(Live(Area(2)), 0) << "no area made of the line";
  // Another method picked in the middle of a line: the line is kept too.
  TapButton(TToolPanel::kKindLine);
  TapBend(1100, 50);
  harness::OnDialog(TMethodPicker::kTemplate, [](HWND dialog) {
    POINT p{4 + 44 * 2 + 21, 4 + 44 + 21};  // tile 7: five to a row
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
  });
  POINT tile{20, 20};
  ClientToScreen(g_ToolPanel.window, &tile);
  harness::Tap(tile.x, tile.y);
  EXPECT_EQ(g_ToolPanel.method, 7);
  EXPECT_EQ(Live(Line(4)), 3) << "the line is not dropped with the method";
  g_ToolPanel.Show(0);
}

// A kind tapped while the drawing is too short to be an object (one tap of a line, two of an
// area): nothing is kept of it, the new kind is taken and shown, and Discard then leaves the map
// as it was.
TEST_F(ToolPanel, AKindChangedOverADrawingTooShortTakesTheKindAndKeepsNothing) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 0);
  g_Ini.SetInt("GTMNewType", 3);
  g_Ini.SetInt("GTCode_2", Line(4));
  g_Ini.SetInt("GTCode_3", Area(2));
  g_ToolPanel.Show(1);
  auto drawn = [&] {
    int n = 0;
    for (int i = 1; i < map->count; ++i) n += map->objects[i].vertexCount > 0;
    return n;
  };
  const int before = drawn();
  TapMap(960, 1100);
  TapMap(1060, 1100);
  TapButton(TToolPanel::kKindLine);
  EXPECT_EQ(g_ToolPanel.builder.GetKind(), 2);
  EXPECT_TRUE(g_ToolPanel.ButtonAt(TToolPanel::kKindLine).IsDown());
  EXPECT_FALSE(g_ToolPanel.ButtonAt(TToolPanel::kKindArea).IsDown());
  EXPECT_EQ(Live(Area(2)), 0);
  EXPECT_TRUE(g_ToolPanel.vertices.empty());
  TapMap(960, 1150);
  TapButton(TToolPanel::kKindPoint);
  EXPECT_EQ(g_ToolPanel.builder.GetKind(), 1);
  EXPECT_TRUE(g_ToolPanel.ButtonAt(TToolPanel::kKindPoint).IsDown());
  EXPECT_EQ(Live(Line(4)), 0);
  TapButton(TToolPanel::kDiscard);
  EXPECT_EQ(Live(Line(4)) + Live(Area(2)) + Live(2), 0);
  g_ToolPanel.Show(0);
  EXPECT_EQ(drawn(), before) << "no stray object left of the short drawings";
}

// A parallel line 10 m from an L-shaped line, picked with the pen: every segment 10 from its
// base, on the side the sign of the length gives; a line with a spike is refused with a message.
TEST_F(ToolPanel, ParallelLineAlongABendKeepsItsDistanceAndASpikeIsRefused) {
  OpenWorkingMap({sample::MdmShape(Line(1), {{1000, 1000}, {1100, 1000}, {1100, 1100}}),
                  sample::MdmShape(Line(1), {{1180, 950}, {1180, 1150}, {1165, 950}})});
  g_Ini.SetInt("GTMethod", 3);
  g_Ini.SetString("GTMLPLen", "10");
  g_ToolPanel.Show(1);
  harness::AnswerMessageBox(L"", IDOK);
  auto build = [&](const wchar_t* length, int32_t x, int32_t y) {
    if (!g_ToolPanel.ButtonAt(TToolPanel::kPick).IsDown()) TapButton(TToolPanel::kPick);
    SetDlgItemTextW(g_ToolPanel.window, TToolPanel::kLength1, length);
    TapMap(x, y);
    const uint16_t line = g_ToolPanel.builder.PendingIndex();
    TapButton(TToolPanel::kFinish);
    const TMapObject& o = map->objects[line];
    std::vector<int> xy;
    for (int32_t i = 0; o.code && i < o.vertexCount; ++i)
      xy.push_back(o.vertices[i].x), xy.push_back(o.vertices[i].y);
    return xy;
  };
  // The corner (1090, 1010), not (1092, 1007) 10 along the bisector.
  EXPECT_EQ(build(L"10", 1100, 1050), (std::vector<int>{1000, 1010, 1090, 1010, 1090, 1100}));
  EXPECT_EQ(build(L"-10", 1100, 1050), (std::vector<int>{1000, 990, 1110, 990, 1110, 1100}));
  EXPECT_TRUE(harness::MessageBoxes().empty());
  // An interior angle of 4 degrees: no line, no record, and the user is told.
  EXPECT_EQ(build(L"10", 1180, 1050), std::vector<int>{});
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(lang_id::kMsgSharpBend));
  const std::string log = Log();
  size_t records = 0;
  for (size_t at = log.find("LINE_P\t"); at != std::string::npos; at = log.find("LINE_P\t", at + 1))
    ++records;
  EXPECT_EQ(records, 2u);
  EXPECT_EQ(Live(Line(0)), 2);
}

// Finish with a one-vertex line or a two-corner area keeps nothing and says why; Undo of every
// vertex leaves no preview on the map.
TEST_F(ToolPanel, TooFewVerticesAreNoObjectAndUndoClearsThePreview) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 0);
  g_Ini.SetInt("GTMNewType", 2);
  g_ToolPanel.Show(1);
  harness::AnswerMessageBox(L"", IDOK);
  // Two taps, Undo, Undo: the pending line has no vertices left on the map.
  TapMap(960, 1100);
  TapMap(1060, 1100);
  const uint16_t pending = g_ToolPanel.builder.PendingIndex();
  EXPECT_EQ(map->objects[pending].vertexCount, 2);
  TapButton(TToolPanel::kUndo);
  TapButton(TToolPanel::kUndo);
  EXPECT_TRUE(g_ToolPanel.vertices.empty());
  EXPECT_EQ(map->objects[pending].vertexCount, 0);
  // One tap, Finish.
  TapMap(960, 1100);
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(Live(Line(0)), 0);
  // Two corners of an area, Finish.
  TapButton(TToolPanel::kKindArea);
  TapMap(960, 1100);
  TapMap(1060, 1100);
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(Live(Area(0)), 0);
  EXPECT_EQ(Live(Line(0)), 0);  // nor the area's preview, drawn as a line
  // A line through one picked point: no line and no record.
  g_ToolPanel.Show(0);
  g_Ini.SetInt("GTMethod", 4);
  g_ToolPanel.Show(1);
  TapButton(TToolPanel::kKindLine);
  TapMap(1000, 1000);
  ASSERT_EQ(g_ToolPanel.picks.size(), 1u);
  TapButton(TToolPanel::kFinish);
  EXPECT_EQ(Live(Line(0)), 0);
  EXPECT_EQ(Log().find("LINE_S"), std::string::npos);
  const std::wstring line = g_Lang.GetText(lang_id::kMsgLineFewVertices);
  const std::wstring area = g_Lang.GetText(lang_id::kMsgAreaFewVertices);
  std::vector<std::wstring> shown;
  for (const harness::ShownMessageBox& box : harness::MessageBoxes()) shown.push_back(box.text);
  EXPECT_EQ(shown, (std::vector<std::wstring>{line, area, line}));
}

TEST_F(ToolPanel, PickerCancelKeepsTheMethodAndATileChoosesOne) {
  OpenWorkingMap();
  g_Ini.SetInt("GTMethod", 6);
  g_ToolPanel.Show(1);
  int run = 0;
  harness::OnDialog(TMethodPicker::kTemplate, [&](HWND dialog) {
    ++run;
    // Between tile 0 (x 4..46) and tile 1 (48..90) nothing happens.
    SendMessageW(dialog, WM_LBUTTONUP, 0, MAKELPARAM(47, 20));
    EXPECT_TRUE(IsWindow(dialog));
    if (run == 1) {
      SendMessageW(dialog, WM_COMMAND, TMethodPicker::kCancel, 0);
    } else {
      POINT p{4 + 44 * 3 + 21, 4 + 21};  // tile 3
      ClientToScreen(dialog, &p);
      harness::Tap(p.x, p.y);
    }
  });
  POINT tile{20, 20};
  ClientToScreen(g_ToolPanel.window, &tile);
  harness::Tap(tile.x, tile.y);
  EXPECT_EQ(run, 1);
  EXPECT_EQ(g_ToolPanel.method, 6);
  harness::Tap(tile.x, tile.y);
  EXPECT_EQ(run, 2);
  EXPECT_EQ(g_ToolPanel.method, 3);
  EXPECT_EQ(g_ToolPanel.builder.GetKind(), 2);
}

TEST_F(ToolPanel, WithoutAWorkingMapTapsDoNothingAndAttributesSayWhy) {
  g_Ini.SetInt("GTMethod", 1);
  g_ToolPanel.Show(1);
  EXPECT_EQ(g_ToolPanel.builder.GetPending(), -1);
  harness::AnswerMessageBox(L"", IDOK);
  TapButton(TToolPanel::kAttributes);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"Без рабочей карты"), std::wstring::npos);
  EXPECT_EQ(g_ToolPanel.OnMapMouse(main, 100, 100, WM_LBUTTONDOWN), 0);
  // A stored method outside 0..9 is method 0.
  g_ToolPanel.Show(0);
  g_Ini.SetInt("GTMethod", 12);
  g_ToolPanel.Show(1);
  EXPECT_EQ(g_ToolPanel.method, 0);
}

TEST(NumberListEdit, StepsStoresAndShowsInBothModes) {
  harness::Start();
  const HWND edit = CreateWindowExW(0, L"edit", L"x", WS_POPUP, 0, 0, 60, 20, nullptr, nullptr,
                                    nullptr, nullptr);
  TNumberListEdit n;
  n.Attach(edit);
  wchar_t text[64] = {};
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"");
  EXPECT_EQ(n.Append(), 0);
  EXPECT_EQ(n.Append(), 1);
  n.Show();
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"2");
  // A unit after the number or an exponent is no typed number: element 1 keeps its 2; element 0
  // kept its 1, the empty text of the first append being no number either.
  SetWindowTextW(edit, L"2.5e1 m");
  n.Prev();
  EXPECT_EQ(n.values[1], 2.0);
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"1");
  // Prev at 0 stores nothing.
  SetWindowTextW(edit, L"7");
  n.Prev();
  EXPECT_EQ(n.values[0], 1.0);
  n.Next();
  EXPECT_EQ(n.values[0], 7.0);
  SetWindowTextW(edit, L"abc");
  n.Next();  // "abc" keeps element 1; one past the last, element 0 is shown
  EXPECT_EQ(n.values[1], 2.0);
  EXPECT_EQ(n.index, 2);
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"7");
  SetWindowTextW(edit, L"9");
  n.Next();  // at the count: nothing, not even a store
  EXPECT_EQ(n.index, 2);
  EXPECT_EQ(n.values[1], 2.0);
  EXPECT_EQ(n.values[0], 7.0);
  // Index mode shows the number; one past the last shows count + 1.
  n.mode = 1;
  n.Show();
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"3");
  n.RemoveAt(5);
  EXPECT_EQ(n.GetCount(), 2);
  n.RemoveAt(0);
  n.RemoveAt(0);
  EXPECT_EQ(n.GetData(), nullptr);
  EXPECT_EQ(n.At(3), 0.0);
  EXPECT_EQ(FormatG(0.1), L"0.1");
  // A typed value keeps its digits when the user steps away and back.
  n.mode = 0;
  n.Attach(edit);
  n.Append();
  n.Append();
  SetWindowTextW(edit, L"1234.5678");
  n.Prev();
  n.Next();
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"1234.5678");
  // The Russian keyboard's decimal comma is the decimal mark, shown back with a point.
  SetWindowTextW(edit, L"60,5");
  n.Prev();
  n.Next();
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"60.5");
  DestroyWindow(edit);
  harness::Stop();
}

}  // namespace

namespace {

// Method 5 on a picture map with two calibration points: the companion is written only once
// both points are usable; points are added and deleted through the panel's buttons.
TEST_F(ToolPanel, CalibrationPointsAreWrittenOnlyWhenTwoAreUsable) {
  OpenWorkingMap();
  auto* picture = new TPictureMap;
  std::snprintf(picture->path, sizeof picture->path, "%s", "\\Vorna\\Pic.jpg");
  TListPoint a, b;
  a.x = 6000100, a.y = 7000100, a.px = 10, a.py = 10;
  b.x = 6000200, b.y = 7000300, b.px = b.py = TListPoint::kPixelUnset;
  picture->points.Append(a);
  picture->points.Append(b);
  g_MapView.rasterMaps.emplace_back(picture);
  g_MapView.activeRaster = 0;
  g_Ini.SetInt("GTMethod", 5);
  g_ToolPanel.Show(1);
  ASSERT_TRUE(g_ToolPanel.IsVertexEditActive());
  EXPECT_EQ(g_ToolPanel.builder.GetPending(), -1);  // kind 0: no object
  TPointList& list = ViewLists(g_MapView).calibrationPoints;
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(g_ToolPanel.numbers.GetCount(), 2);
  const std::string companion = harness::HostPath(L"\\Vorna\\Pic.@@@");
  TapButton(TToolPanel::kFinish);
  EXPECT_FALSE(std::ifstream(companion).good());  // one point has no pixel
  // Both usable now: Finish writes the companion.
  list.At(1)->px = 40;
  list.At(1)->py = 50;
  TapButton(TToolPanel::kFinish);
  EXPECT_TRUE(std::ifstream(companion).good());
  // A point added and deleted again (with the confirmation).
  const int before = list.Count();
  TapButton(TToolPanel::kAddPoint);
  EXPECT_EQ(list.Count(), before + 1);
  harness::AnswerMessageBox(L"", IDOK);
  TapButton(TToolPanel::kDeletePoint);
  EXPECT_EQ(list.Count(), before);
  EXPECT_EQ(g_ToolPanel.numbers.GetCount(), before);
}

}  // namespace
