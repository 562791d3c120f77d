// The construction methods and the new-object builder on a working map written by the sample
// writer: positions in map units worked out by hand, the TOOLS records of the work log byte for
// byte, and what is refused.
#include "edit/construction_methods.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/program_host.h"
#include "edit/new_object_builder.h"
#include "maps/mdm_format.h"
#include "maps/user_layer.h"
#include "tests/edit/edit_fixture.h"
#include "view/map_view.h"

namespace {

using edittest::Area;
using edittest::Line;
using edittest::Point;

// A host whose GPS port is open while `open` is set, with the fix time 12:34:56.
class FixHost final : public IProgramHost {
 public:
  void InvalidateMainView(int) override {}
  void InvalidateMainViewRect(const RECT&) override {}
  void FitDialogToMainWindow(RECT* out, HWND) override {
    if (out) *out = RECT{};
  }
  void ReportUserInput() override {}
  BOOL RestoreBackBuffer(HDC, const RECT&) override { return 0; }
  void CenterViewAt(int, int) override {}
  HWND MainWindow() override { return nullptr; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }
  int GetFixTime(SYSTEMTIME* out) override {
    if (!open) return 0;
    *out = SYSTEMTIME{};
    out->wHour = 12, out->wMinute = 34, out->wSecond = 56;
    return 1;
  }
  bool open = false;
};

sample::MdmObject Named(sample::MdmObject o, const char* cls, const char* name) {
  if (cls) sample::AttrText(o.attrs, 10, cls);
  if (name) sample::AttrText(o.attrs, 9, name);
  return o;
}

class Constructions : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    SYSTEMTIME t{};
    t.wYear = 2026, t.wMonth = 1, t.wDay = 2, t.wHour = 3, t.wMinute = 4, t.wSecond = 5;
    ASSERT_TRUE(SetSystemTime(&t));
    SetProgramHost(&host);
  }
  void TearDown() override {
    SetProgramHost(nullptr);
    EditTest::TearDown();
  }
  // Objects 1 A (1000, 1000), 2 B (1100, 1000), 3 K (1050, 1040), 4 a line (1000, 1000) -
  // (1100, 1000), 5 a point without attributes at (1100, 1080).
  void Open(uint8_t unitExponent = 3) {
    const int m = AddMap("\\Vorna\\Work.mdm",
                         {Named(sample::MdmPoint(Point(1), 1000, 1000), "a", "A1"),
                          Named(sample::MdmPoint(Point(1), 1100, 1000), "b", "B1"),
                          Named(sample::MdmPoint(Point(1), 1050, 1040), "k", "K1"),
                          Named(sample::MdmShape(Line(1), {{1000, 1000}, {1100, 1000}}), "l", "L1"),
                          sample::MdmPoint(Point(1), 1100, 1080)},
                         unitExponent);
    ASSERT_GE(m, 0);
    map = g_MapView.GetVectorMap(m);
    map->working = 1;
    const uint16_t codes[5] = {0, Point(2), Line(3), Area(1), 0};
    builder.Bind(map, codes, "\\Vorna\\Work.gtl");
  }
  int32_t Start(uint8_t kind) {
    builder.SetKind(kind);
    return builder.CreatePending();
  }
  static TObjectRef Ref(int object) {
    TObjectRef r;
    r.object = uint16_t(object);
    return r;
  }
  TMapPoint PendingCorner() const {
    TMapPoint c{};
    map->GetObjectBounds(builder.PendingIndex(), &c, nullptr);
    return c;
  }
  std::vector<TMapPoint> PendingVertices() const {
    const TMapObject* o = map->GetObjectRecord(builder.PendingIndex());
    return o ? std::vector<TMapPoint>(o->vertices, o->vertices + o->vertexCount)
             : std::vector<TMapPoint>();
  }
  static std::string Log() {
    std::ifstream in(harness::HostPath(L"\\Vorna\\Work.gtl"), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static constexpr const char* kStamp = "tools_260102030405";

  FixHost host;
  TMdmMap* map = nullptr;
  TNewObjectBuilder builder;
};

TEST_F(Constructions, PointAtADistanceSquareToTheLine) {
  Open();
  ASSERT_GT(Start(1), 0);
  const TMarker preview = construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1103, 1009}, 10, 1, 0);
  EXPECT_EQ(PendingCorner().x, 1100);
  EXPECT_EQ(PendingCorner().y, 1010);
  double plane[2];
  map->MapToPlanePacked(1100, 1010, plane);
  EXPECT_EQ(preview.x, plane[0]);
  EXPECT_EQ(preview.y, plane[1]);
  EXPECT_EQ(Log(), "");  // a preview logs nothing
  construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1103, 1009}, 10, 1, 1);
  EXPECT_EQ(Log(), std::string("[TOOLS]\nPOINT_2DA\t") + kStamp + "\ta_A1\tb_B1\t10.000000\t-90\n");

  // L = 0: all four candidates are B, the angle logged is 180. 2.7 m uses 2 whole metres.
  ASSERT_GT(Start(1), 0);
  construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1000, 1000}, 0, 1, 1);
  EXPECT_EQ(PendingCorner().x, 1100);
  ASSERT_GT(Start(1), 0);
  construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1200, 1000}, 2.7, 1, 1);
  EXPECT_EQ(PendingCorner().x, 1102);
  const std::string log = Log();
  EXPECT_NE(log.find("\tb_B1\t0.000000\t180\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tb_B1\t2.700000\t0\n"), std::string::npos) << log;
}

TEST_F(Constructions, LengthsOnACentimetreMapAndLengthsWithoutAResult) {
  Open(1);
  ASSERT_GT(Start(1), 0);
  construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1200, 1000}, 0.29, 1, 0);
  EXPECT_EQ(PendingCorner().x, 1129);  // 0.29 m = 29 cm, not 28
  for (double bad : {1e10, std::strtod("1e400", nullptr), std::nan("")}) {
    construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1200, 1000}, bad, 1, 0);
    EXPECT_EQ(PendingCorner().x, 0) << bad;  // unplaced
  }
  construct::BuildPoint2DA(builder, Ref(1), Ref(2), {1200, 1000}, 1e10, 1, 1);
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(map->GetObjectCode(uint16_t(map->count - 1)), 0);  // the stale preview is gone
}

TEST_F(Constructions, PointAtTwoDistancesLogsTheSameLineEitherWay) {
  Open();
  ASSERT_GT(Start(1), 0);
  // Circles of 60 and 60 around A and B meet at (1050, 1000 +- 33.16).
  construct::BuildPoint2D(builder, Ref(1), Ref(2), {1050, 1030}, 60, 60, 1, 1);
  EXPECT_EQ(PendingCorner().x, 1050);
  EXPECT_EQ(PendingCorner().y, 1033);
  ASSERT_GT(Start(1), 0);
  construct::BuildPoint2D(builder, Ref(2), Ref(1), {1050, 1030}, 60, 60, 1, 1);
  EXPECT_EQ(PendingCorner().y, 1033);
  std::istringstream lines(Log());
  std::string header, first, second;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first, std::string("POINT_2D\t") + kStamp + "\tb_B1\t60.000000\ta_A1\t60.000000");
  EXPECT_EQ(second, first);
  // A = B meets nowhere: unplaced even on apply, nothing logged.
  ASSERT_GT(Start(1), 0);
  construct::BuildPoint2D(builder, Ref(1), Ref(1), {1050, 1030}, 60, 60, 1, 0);
  EXPECT_EQ(PendingCorner().x, 0);
}

TEST_F(Constructions, FootMidpointAndWrongPickCounts) {
  Open();
  ASSERT_GT(Start(1), 0);
  construct::BuildPointRA(builder, Ref(1), Ref(2), Ref(3), 1, 1);
  EXPECT_EQ(PendingCorner().x, 1050);
  EXPECT_EQ(PendingCorner().y, 1000);
  ASSERT_GT(Start(1), 0);
  construct::BuildPointRA(builder, Ref(1), Ref(2), Ref(3), 0, 0);  // 2 or 4 picks
  EXPECT_EQ(PendingCorner().x, 0);
  construct::BuildPointRA(builder, Ref(1), Ref(1), Ref(3), 1, 0);  // A = B
  EXPECT_EQ(PendingCorner().x, 0);
  ASSERT_GT(Start(1), 0);
  construct::BuildPointMed(builder, Ref(1), Ref(5), 1, 1);
  EXPECT_EQ(PendingCorner().x, 1050);
  EXPECT_EQ(PendingCorner().y, 1040);
  EXPECT_EQ(Log(), std::string("[TOOLS]\nPOINT_RA\t") + kStamp + "\ta_A1\tb_B1\tk_K1\nPOINT_MED\t" +
                       kStamp + "\ta_A1\t_\n");
}

TEST_F(Constructions, RefusedPositionsDeleteThePendingPointAndLogNothing) {
  Open();
  ASSERT_GT(Start(1), 0);
  const uint16_t index = builder.PendingIndex();
  // 180 from B = (1100, 1000) back past A by 1200 m: outside the extent.
  construct::BuildPoint2DA(builder, Ref(1), Ref(2), {-100, 1000}, 1200, 1, 1);
  EXPECT_EQ(map->GetObjectCode(index), 0);
  EXPECT_EQ(builder.GetPending(), 0);
  EXPECT_EQ(Log(), "");
  // Without a pending object every method returns at once.
  construct::BuildPointMed(builder, Ref(1), Ref(2), 1, 1);
  EXPECT_EQ(Log(), "");
}

TEST_F(Constructions, ParallelLinesByLengthAndByPoints) {
  Open();
  ASSERT_GT(Start(2), 0);
  const TObjectRef base[] = {Ref(4)};
  construct::BuildLineP(builder, base, 1, 5, 0);
  std::vector<TMapPoint> v = PendingVertices();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].x, 1000);
  EXPECT_EQ(v[0].y, 1005);
  EXPECT_EQ(v[1].x, 1100);
  EXPECT_EQ(v[1].y, 1005);
  construct::BuildLineP(builder, base, 1, -5, 1);
  v = PendingVertices();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].y, 995);
  EXPECT_EQ(v[1].y, 995);
  // Through K, 40 off the line: both ends at 40 on K's side; a point without attributes is left
  // out of the record.
  ASSERT_GT(Start(2), 0);
  const TObjectRef picks[] = {Ref(4), Ref(3), Ref(5)};
  construct::BuildLineP(builder, picks, 2, 0, 1);
  v = PendingVertices();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].y, 1040);
  EXPECT_EQ(v[1].y, 1040);
  ASSERT_GT(Start(2), 0);
  construct::BuildLineP(builder, picks, 3, 0, 1);
  EXPECT_EQ(Log(), std::string("[TOOLS]\nLINE_P\t") + kStamp + "\tl_L1\t-5.000000\nLINE_P\t" + kStamp +
                       "\tl_L1\tk_K1\nLINE_P\t" + kStamp + "\tl_L1\tk_K1\n");
  // A base of one vertex, or a point as base: nothing.
  ASSERT_GT(Start(2), 0);
  const TObjectRef pointBase[] = {Ref(1)};
  construct::BuildLineP(builder, pointBase, 1, 5, 0);
  EXPECT_TRUE(PendingVertices().empty());
}

TEST_F(Constructions, RectanglesOnASideAndTheirRecords) {
  Open();
  ASSERT_GT(Start(3), 0);
  const TObjectRef side[] = {Ref(1), Ref(2), Ref(3)};
  construct::BuildRect(builder, side, 2, 10, 0);
  std::vector<TMapPoint> v = PendingVertices();
  ASSERT_EQ(v.size(), 5u);  // the area's ring closed
  const int32_t expected[5][2] = {{1000, 1000}, {1100, 1000}, {1100, 1010}, {1000, 1010}, {1000, 1000}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(v[size_t(i)].x, expected[i][0]) << i;
    EXPECT_EQ(v[size_t(i)].y, expected[i][1]) << i;
  }
  construct::BuildRect(builder, side, 2, -10, 1);
  v = PendingVertices();
  EXPECT_EQ(v[2].y, 990);
  // The width through K: 40 on its side.
  ASSERT_GT(Start(3), 0);
  construct::BuildRect(builder, side, 3, 0, 1);
  v = PendingVertices();
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[2].y, 1040);
  // Along the line from A to B with K for the width.
  ASSERT_GT(Start(3), 0);
  const TObjectRef along[] = {Ref(4), Ref(1), Ref(2), Ref(3), Ref(5)};
  construct::BuildRect(builder, along, 4, 0, 1);
  EXPECT_EQ(PendingVertices().size(), 5u);
  // A line with one further pick builds nothing.
  ASSERT_GT(Start(3), 0);
  construct::BuildRect(builder, along, 2, 10, 0);
  EXPECT_TRUE(PendingVertices().empty());
  // The width point on the line A-B: the ring A, B, B, A has no area; no object, no record.
  ASSERT_GT(Start(3), 0);
  const TObjectRef flat[] = {Ref(1), Ref(2), Ref(1)};
  EXPECT_EQ(construct::BuildRect(builder, flat, 3, 0, 1), construct::kTooFewVertices);
  EXPECT_EQ(builder.GetPending(), 0);
  EXPECT_EQ(Log(), std::string("[TOOLS]\nRECT_H\t") + kStamp + "\ta_A1\tb_B1\t10.000000\nRECT_3\t" +
                       kStamp + "\ta_A1\tb_B1\tk_K1\nRECT_CP3\t" + kStamp +
                       "\tl_L1\ta_A1\tb_B1\tk_K1\n");
  int32_t value = 0;
  // A tap 8 m off the base side on its -1 side.
  ASSERT_TRUE(construct::RectOptionValue(builder, side, 2, {1050, 992}, &value));
  EXPECT_EQ(value, -8);
  ASSERT_TRUE(construct::RectOptionValue(builder, along, 3, {1050, 1020}, &value));
  EXPECT_EQ(value, 20);
  EXPECT_FALSE(construct::RectOptionValue(builder, along, 2, {1050, 1020}, &value));
}

TEST_F(Constructions, LineThroughPicksSkipsDeadObjects) {
  Open();
  // The perpendicular from K on A-B ends at its foot.
  ASSERT_GT(Start(2), 0);
  construct::BuildPerpendicular(builder, Ref(1), Ref(2), Ref(3));
  ASSERT_EQ(PendingVertices().size(), 2u);
  EXPECT_EQ(PendingVertices()[0].x, 1050);
  EXPECT_EQ(PendingVertices()[0].y, 1000);
  ASSERT_GT(Start(2), 0);
  ASSERT_TRUE(map->DeleteObject(2));
  const TObjectRef picks[] = {Ref(1), Ref(2), Ref(900), Ref(3)};
  construct::BuildLineS(builder, picks, 4, 1);
  const std::vector<TMapPoint> v = PendingVertices();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1].x, 1050);
  EXPECT_EQ(Log(), std::string("[TOOLS]\nLINE_S\t") + kStamp + "\ta_A1\tk_K1\n");
}

TEST_F(Constructions, ASaveBeforeTheFirstVertexDoesNotLoseTheLine) {
  Open();
  ASSERT_GT(Start(2), 0);
  ASSERT_EQ(map->Save(map->path, 0), kMdmOk);  // an autosave drops the empty line
  ASSERT_EQ(map->GetObjectCode(builder.PendingIndex()), 0);
  const TObjectRef picks[] = {Ref(1), Ref(3)};
  construct::BuildLineS(builder, picks, 2, 1);
  const uint16_t line = builder.PendingIndex();
  EXPECT_EQ(map->GetObjectCode(line), Line(3));
  builder.SaveMap();
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader(map->path), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  int lines = 0;
  for (int i = 1; i < reread.count; ++i) lines += reread.GetObjectCode(uint16_t(i)) == Line(3);
  EXPECT_EQ(lines, 1);
}

// A preview point that another save wrote (a point from the GPS bar while the panel draws) and
// the user then discards leaves the file with the next save: the discard marks the working map.
// An empty pending object marks nothing, so putting the panel away costs no regrouping at exit.
TEST_F(Constructions, ADiscardedPreviewThatAnotherSaveWroteLeavesTheFile) {
  Open();
  int index = -1;
  for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i)
    if (g_MapView.GetVectorMap(i) == map) index = i;
  ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), index), 1);
  ASSERT_GT(Start(1), 0);
  builder.DiscardPending();  // nothing placed yet
  EXPECT_EQ(g_UserLayer.saved, 1u);

  ASSERT_GT(Start(1), 0);
  std::vector<TMapPoint> taps = {{2000, 2000}};
  construct::BuildFromTaps(builder, taps, 0, 0);  // the preview
  g_UserLayer.SetModified();
  ASSERT_EQ(g_UserLayer.Save(0), kMdmOk);
  auto pointsAtTap = [&] {
    TMdmMap reread;
    EXPECT_EQ(reread.OpenHeader(map->path), kMdmOk);
    EXPECT_EQ(reread.Load(), kMdmOk);
    int n = 0;
    for (int i = 1; i < reread.count; ++i)
      n += reread.GetObjectCode(uint16_t(i)) != 0 && reread.objects[i].box[0] == 2000 && reread.objects[i].box[1] == 2000;
    return n;
  };
  ASSERT_EQ(pointsAtTap(), 1);
  builder.DiscardPending();
  EXPECT_EQ(g_UserLayer.saved, 0u);
  g_UserLayer.Flush();  // the exit
  EXPECT_EQ(pointsAtTap(), 0);
  g_UserLayer.Close();
}

TEST_F(Constructions, TapsMakePointsLinesAndSquaredAreas) {
  Open();
  ASSERT_GT(Start(1), 0);
  std::vector<TMapPoint> taps = {{2000, 2000}, {2010, 2000}};
  EXPECT_EQ(construct::BuildFromTaps(builder, taps, 1, 0), 1);
  TMapPoint c1, c2;
  map->GetObjectBounds(builder.PendingIndex(), &c1, &c2);
  EXPECT_EQ(c1.x, 2000);
  EXPECT_EQ(c2.x, 2010);
  // A corner outside the extent: refused, the point goes.
  taps = {{-5, 2000}};
  EXPECT_EQ(construct::BuildFromTaps(builder, taps, 1, 0), 0);
  EXPECT_EQ(builder.GetPending(), 0);
  // An area drawn as a line while previewed, closed square on apply.
  ASSERT_GT(Start(3), 0);
  taps = {{2000, 2000}, {2100, 2000}, {2100, 2100}, {2010, 2100}};
  construct::BuildFromTaps(builder, taps, 0, 1);
  EXPECT_EQ(map->GetObjectCode(builder.PendingIndex()), mdm::kKindLine);
  EXPECT_EQ(PendingVertices().size(), 4u);
  construct::BuildFromTaps(builder, taps, 1, 1);
  EXPECT_EQ(map->GetObjectCode(builder.PendingIndex()), Area(1));
  const std::vector<TMapPoint> v = PendingVertices();
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[3].x, 2000);  // the foot of (2000, 2000) on the last edge's line
  EXPECT_EQ(v[3].y, 2100);
  char tag[256] = {};
  EXPECT_TRUE(map->GetStrAttr(builder.PendingIndex(), 10, tag));
  // One tap previewed as a line is a two-vertex line of that point.
  ASSERT_GT(Start(2), 0);
  taps = {{2000, 2000}};
  construct::BuildFromTaps(builder, taps, 0, 0);
  EXPECT_EQ(PendingVertices().size(), 2u);
  EXPECT_EQ(taps.size(), 1u);
  EXPECT_EQ(Log(), "");
}

TEST_F(Constructions, BuilderMakesSavesAndStampsPendingObjects) {
  Open();
  EXPECT_EQ(Start(0), -1);  // kind 0 makes no object
  const int before = map->count;
  host.open = true;
  const int32_t point = Start(1);
  ASSERT_GT(point, 0);
  EXPECT_EQ(map->count, before + 1);
  EXPECT_EQ(map->GetObjectCode(uint16_t(point)), Point(2));
  char text[256] = {};
  ASSERT_TRUE(map->GetStrAttr(uint16_t(point), 12, text));
  EXPECT_STREQ(text, "12:34:56");
  host.open = false;
  const int32_t line = Start(2);
  EXPECT_FALSE(map->GetStrAttr(uint16_t(line), 12, text));
  builder.SetCode(Line(5));
  EXPECT_EQ(builder.GetPendingCode(), Line(5));
  EXPECT_EQ(builder.codes[2], Line(5));
  builder.ApplyCode(Line(1));
  EXPECT_EQ(builder.GetPendingCode(), Line(1));
  EXPECT_EQ(builder.codes[2], Line(5));
  // An empty line is dropped; the point left at the origin too.
  EXPECT_EQ(builder.DropIfEmpty(), 1);
  EXPECT_EQ(map->GetObjectCode(uint16_t(line)), 0);
  ASSERT_GT(Start(1), 0);
  EXPECT_EQ(builder.DropIfEmpty(), 1);
  // Without a map nothing is made and nothing is touched.
  builder.Unbind();
  EXPECT_EQ(builder.CreatePending(), -1);
  builder.SetCode(Line(2));
  builder.DiscardPending();
  EXPECT_EQ(builder.GetCodeOrKind(), Line(2));
}

}  // namespace
