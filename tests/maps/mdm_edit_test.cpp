// Editing in memory: the extent rule with its notices, vertices, copying between maps.
#include <cmath>

#include "geodesy/gauss_kruger.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "mdm_test_util.h"
#include "tools/sampledata/mol_writer.h"

using namespace mdmtest;

namespace {

class MdmEditTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    window = std::make_unique<NoticeWindow>();
    MakeMemoryMap(map, 3, 6180000, 7400000, 6190000, 7410000);  // metres, 10 km square
  }
  void TearDown() override {
    window.reset();
    DeviceTest::TearDown();
  }
  std::vector<WPARAM>& notices() { return NoticeWindow::Notices(); }

  std::unique_ptr<NoticeWindow> window;
  TMdmMap map;
};

}  // namespace

TEST_F(MdmEditTest, PositionsOnTheEdgeAreOutside) {
  EXPECT_EQ(map.AddPointObject(9, 0, 500, 0), 0);
  EXPECT_EQ(notices(), std::vector<WPARAM>{14});
  EXPECT_EQ(map.count, 1);
  int32_t p = map.AddPointObject(9, 1, 500, 0);
  ASSERT_GT(p, 0);
  EXPECT_EQ(map.AddPointObject(9, 0, 0, 1), p + 1);  // forced
  EXPECT_EQ(notices().size(), 1u);
  EXPECT_EQ(map.EntryCount(), map.count);
  const TMapObject& o = map.objects[p];
  EXPECT_EQ(o.state, 1);
  EXPECT_EQ(o.entryFlags, 0x02);
  EXPECT_EQ(o.flags & 0x2C, 0x2C);  // made in memory, drawn at once
}

TEST_F(MdmEditTest, AreasAreClosed) {
  int32_t a = map.AddObject(27, mdm::kKindArea);
  TPointBuf pb;
  pb.Alloc(4);
  pb.points[0] = {10, 10};
  pb.points[1] = {10, 20};
  pb.points[2] = {20, 20};
  pb.count = 3;
  ASSERT_EQ(map.SetObjectVertices(uint16_t(a), &pb), 1);
  EXPECT_EQ(map.GetVertexCount(uint16_t(a)), 4);
  EXPECT_EQ(map.objects[a].vertices[3].x, 10);
  EXPECT_EQ(map.objects[a].geomSize, 32u);
  EXPECT_EQ(map.objects[a].box[2], 20);
  pb.points[3] = {10, 10};
  pb.count = 4;
  ASSERT_EQ(map.SetObjectVertices(uint16_t(a), &pb), 1);
  EXPECT_EQ(map.GetVertexCount(uint16_t(a)), 4);
  EXPECT_TRUE(notices().empty());
}

TEST_F(MdmEditTest, OutsideVerticesAreDroppedWithOneNotice) {
  int32_t l = map.AddObject(18, mdm::kKindLine);
  TPointBuf pb;
  pb.Alloc(4);
  pb.points[0] = {-5, 10};
  pb.points[1] = {100, 200};
  pb.points[2] = {20000, 10};
  pb.points[3] = {300, 400};
  pb.count = 4;
  ASSERT_EQ(map.SetObjectVertices(uint16_t(l), &pb), 1);
  EXPECT_EQ(notices(), std::vector<WPARAM>{16});
  ASSERT_EQ(map.GetVertexCount(uint16_t(l)), 2);
  EXPECT_EQ(map.objects[l].vertices[0].x, 100);
  EXPECT_EQ(map.objects[l].vertices[1].x, 300);

  pb.points[0] = {0, 0};
  pb.count = 1;
  EXPECT_EQ(map.SetObjectVertices(uint16_t(l), &pb), 0);
  EXPECT_EQ(map.GetVertexCount(uint16_t(l)), 2);  // unchanged
  EXPECT_EQ(notices().size(), 2u);
}

TEST_F(MdmEditTest, PointsMoveWithinTheExtent) {
  int32_t p = map.AddPointObject(9, 100, 100, 0);
  EXPECT_EQ(map.MovePointObject(uint16_t(p), 200, 200, 20000, 5), 1);
  TMapPoint c1, c2;
  map.GetObjectBounds(uint16_t(p), &c1, &c2);
  EXPECT_EQ(c1.x, 200);
  EXPECT_EQ(c2.x, 100);  // the outside second corner stays
  EXPECT_EQ(notices(), std::vector<WPARAM>{14});
  EXPECT_EQ(map.MovePointObject(uint16_t(p), -1, 5, 5, 5), 1);
  map.GetObjectBounds(uint16_t(p), &c1, &c2);
  EXPECT_EQ(c1.x, 200);
  int32_t l = map.AddObject(18, mdm::kKindLine);
  EXPECT_EQ(map.MovePointObject(uint16_t(l), 5, 5, 5, 5), 0);
  EXPECT_EQ(map.SetPointPosition(uint16_t(p), 0, 5, 0), 0);
  EXPECT_EQ(map.SetPointPosition(uint16_t(p), 0, 5, 1), 1);
}

TEST_F(MdmEditTest, CodesDeletionAndIndexes) {
  int32_t a = map.AddObject(27, mdm::kKindArea);
  TPointBuf pb;
  pb.Alloc(3);
  pb.points[0] = {10, 10};
  pb.points[1] = {10, 20};
  pb.points[2] = {20, 20};
  pb.count = 3;
  map.SetObjectVertices(uint16_t(a), &pb);
  EXPECT_EQ(map.SetObjectCode(uint16_t(a), 9), 0);  // no library: code set all the same
  EXPECT_EQ(map.objects[a].kind, mdm::kKindPoint);
  EXPECT_EQ(map.GetVertexCount(uint16_t(a)), 4);
  EXPECT_EQ(map.DeleteObject(uint16_t(a)), 1);
  EXPECT_EQ(map.count, 2);
  EXPECT_EQ(map.GetObjectCode(uint16_t(a)), 0);
  EXPECT_EQ(map.GetObjectCode(99), 0);
  EXPECT_EQ(map.DeleteObject(99), 0);
  EXPECT_EQ(map.AppendVertex(uint16_t(a), 5, 5), 0);  // deleted: code 0

  int32_t t = map.AddObject(36, mdm::kKindText);
  char text[256];
  ASSERT_EQ(map.GetStrAttr(uint16_t(t), 9, text), 1);
  EXPECT_STREQ(text, "");
}

TEST_F(MdmEditTest, VertexCountStopsAt65535) {
  int32_t l = map.AddObject(18, mdm::kKindLine);
  for (int i = 0; i < TMdmMap::kMaxVertices; i++)
    ASSERT_EQ(map.AppendVertex(uint16_t(l), 1 + i % 9000, 1 + i / 9000), 1) << i;
  EXPECT_EQ(map.AppendVertex(uint16_t(l), 5, 5), 0);
  EXPECT_EQ(map.GetVertexCount(uint16_t(l)), 65535);
  TPointBuf pb;
  ASSERT_EQ(map.GetObjectVertices(uint16_t(l), &pb), 1);
  EXPECT_EQ(pb.count, 65535);
  EXPECT_EQ(pb.points[65534].x, 1 + 65534 % 9000);
  TPointBuf small;
  small.Alloc(3);
  EXPECT_EQ(map.CopyVertices(uint16_t(l), &small, 32), 1);
  EXPECT_EQ(small.count, 0);  // too small a buffer gets nothing
}

TEST_F(MdmEditTest, CopyingScalesByTheUnits) {
  TMdmMap src;
  MakeMemoryMap(src, 2, 6180000, 7400000, 6190000, 7410000);  // decimetres
  int32_t l = src.AddObject(18, mdm::kKindLine);
  src.AppendVertex(uint16_t(l), 1000, 1000);
  src.AppendVertex(uint16_t(l), 1100, 1000);
  src.SetStrAttr(uint16_t(l), 99, "copied");
  int32_t c = map.CopyObjectFrom(&src, uint16_t(l));
  ASSERT_GT(c, 0);
  ASSERT_EQ(map.GetVertexCount(uint16_t(c)), 2);
  EXPECT_EQ(map.objects[c].vertices[0].x, 100);
  EXPECT_EQ(map.objects[c].vertices[1].x, 110);  // 100 decimetre units are 10 metres
  EXPECT_EQ(map.objects[c].attrLength, src.objects[l].attrLength);
  EXPECT_EQ(map.objects[c].name, nullptr);  // tag 99 is no name
  // A named object is copied with its name: the copy's label shows at once, not after a reread.
  src.SetStrAttr(uint16_t(l), 9, "Brook");
  const int32_t named = map.CopyObjectFrom(&src, uint16_t(l));
  ASSERT_GT(named, 0);
  ASSERT_NE(map.objects[named].name, nullptr);
  EXPECT_EQ(std::wstring(map.objects[named].name), L"Brook");
  EXPECT_EQ(map.CopyObjectFrom(&src, 77), 0);
}

TEST_F(MdmEditTest, CopyingAcrossZonesReprojects) {
  // A map in zone 8 right at the boundary with zone 7; the source in zone 7.
  TMdmMap east;
  MakeMemoryMap(east, 3, 6180000, 8250000, 6190000, 8290000);
  double px, py;
  ASSERT_TRUE(GkReprojectToZone(6185000, 8270000, 8, 7, px, py));
  TMdmMap src;
  MakeMemoryMap(src, 3, px - 5000, py - 5000, px + 5000, py + 5000);
  ASSERT_EQ(src.zone, 7);
  int32_t sx, sy;
  src.PlaneToMap(px, py, &sx, &sy);
  int32_t p = src.AddPointObject(9, sx, sy, 0);
  ASSERT_GT(p, 0);
  int32_t c = east.CopyObjectFrom(&src, uint16_t(p));
  ASSERT_GT(c, 0);
  double cx, cy;
  east.MapToPlane(east.objects[c].box[0], east.objects[c].box[1], &cx, &cy);
  EXPECT_NEAR(cx, 6185000, 1.5);
  EXPECT_NEAR(cy, 8270000, 1.5);
}

TEST_F(MdmEditTest, StylesAreCachedFromTheLibrary) {
  TObjectLibrary lib;
  sample::Bytes text = sample::TextKind(7, 10, 1, 2);
  sample::Bytes line = sample::SimpleLineKind(1, 2, 3);
  sample::Bytes sec = sample::StyleSection({{36, text, "T"}, {18, line, "L"}}, 0);
  ASSERT_EQ(lib.styles.Load(sec.data(), sec.size()), 0);
  map.library = &lib;

  int32_t t = map.AddObject(36, mdm::kKindText);
  ASSERT_GT(t, 0);
  EXPECT_TRUE(map.objects[t].flags & TMapObject::kStyleCached);
  // The first style byte of a text mirrors its own placement, 0 for a new text.
  EXPECT_EQ(map.objects[t].style[0], 0);
  EXPECT_EQ(map.objects[t].style[1], text[1]);
  map.objects[t].placement = 5;
  EXPECT_EQ(map.SetObjectCode(uint16_t(t), 36), 1);
  EXPECT_EQ(map.objects[t].style[0], 5);

  int32_t l = map.AddObject(18, mdm::kKindLine);
  EXPECT_EQ(std::memcmp(map.objects[l].style, lib.styles.FindStyle(18), 5), 0);
  // A code the library lacks leaves the style uncached; with a library the answer is still 1.
  EXPECT_EQ(map.SetObjectCode(uint16_t(l), 26), 1);
  EXPECT_FALSE(map.objects[l].flags & TMapObject::kStyleCached);
}
