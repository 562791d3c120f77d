// View preparation: level of detail, in-view marking, and the read/free pass that follows the
// screen.
#include <cmath>
#include <limits>

#include "maps/mdm_format.h"
#include "view/prepare_view.h"
#include "view_test_util.h"

using namespace viewtest;

namespace {

class PrepareTest : public ViewTest {
 protected:
  // Adds the map, loads it, fits the view to it and hands it the transform.
  // With `zoom`, shows the first 700 m of the map at 1:10000 instead.
  TMdmMap* Open(const std::string& path, bool zoom = false) {
    int i = view->AddVectorMap(path.c_str(), 1);
    EXPECT_EQ(i, 0);
    if (i < 0) return nullptr;
    EXPECT_EQ(view->LoadVectorMapObjects(i), 0);
    view->vectorMaps[size_t(i)].inScale = 1;
    view->InitViewFromExtent();
    if (zoom) {
      view->SetScale(10000);
      view->CenterOn(view->extent[0] + 400, view->extent[1] + 400, 1);
    }
    view->UpdateLayers(1);
    return view->GetVectorMap(i);
  }
  void Prepare(TMdmMap* m) { view->PrepareMap(m, view->viewRect); }
  // Moves the view 100 km north and hands the maps the new transform.
  void DragAway(double metres = 100000) {
    view->CenterOn(view->extent[0] + metres, view->extent[1], 1);
    view->UpdateLayers(1);
  }
  static void Patch(std::vector<uint8_t>& bytes, int entry, int field, uint32_t value) {
    mdm::PutU32(bytes.data() + mdm::kHeaderSize + 29 * entry + field, value);
  }
};

constexpr uint8_t kDrawn = TMapObject::kInView | TMapObject::kPassesLevel;

}  // namespace

TEST(LevelThreshold, UndecidableCasesLetEverythingPass) {
  EXPECT_EQ(LevelThreshold(1e6, 100.0f, 100.0f), -1);
  EXPECT_EQ(LevelThreshold(std::numeric_limits<double>::infinity(), 100.0f, 1.0f), -1);
  EXPECT_EQ(LevelThreshold(std::nan(""), 100.0f, 1.0f), -1);
  // trunc(2000 / 20) = 100 units against a spread of 1000: 255 * 100 / 1000 = 25.
  EXPECT_EQ(LevelThreshold(2019.0, 1001.0f, 1.0f), 25);
  EXPECT_EQ(LevelThreshold(1e300, 1001.0f, 1.0f), int32_t(255.0f * float(INT32_MAX / 20) / 1000.0f));
}

TEST_F(PrepareTest, VisibleObjectsAreReadAndFreedAsTheViewMoves) {
  WriteMap("\\Maps\\a.mdm", MapAt(6180000, 7400000));
  TMdmMap* m = Open("\\Maps\\a.mdm", true);
  ASSERT_NE(m, nullptr);
  Prepare(m);
  EXPECT_EQ(m->levelPassDone, 1u);
  // The point of code 9 never passes the level of detail.
  EXPECT_EQ(m->objects[1].flags & TMapObject::kPassesLevel, 0);
  EXPECT_EQ(m->objects[1].state, TMapObject::kStateNone);
  for (int i = 2; i <= 4; i++) {
    EXPECT_EQ(m->objects[i].flags & kDrawn, kDrawn) << i;
    EXPECT_EQ(m->objects[i].state, TMapObject::kStateRead) << i;
    EXPECT_NE(m->objects[i].vertices, nullptr) << i;
    EXPECT_NE(m->objects[i].flags & TMapObject::kStyleCached, 0) << i;
  }
  EXPECT_EQ(m->objects[2].vertexCount, 3);
  ASSERT_NE(m->objects[3].name, nullptr);

  DragAway();
  Prepare(m);
  const TMapObject& area = m->objects[3];
  EXPECT_EQ(area.flags & TMapObject::kInView, 0);
  EXPECT_EQ(area.state, TMapObject::kStateNone);
  EXPECT_EQ(area.vertices, nullptr);
  EXPECT_EQ(area.attrs, nullptr);
  ASSERT_NE(area.name, nullptr);  // the name stays
  EXPECT_EQ(std::wstring(area.name), L"Lake");

  view->CenterOn(view->extent[0] + 400, view->extent[1] + 400, 1);  // back over the objects
  view->UpdateLayers(1);
  Prepare(m);
  EXPECT_EQ(m->objects[3].state, TMapObject::kStateRead);
  EXPECT_NE(m->objects[3].vertices, nullptr);
}

TEST_F(PrepareTest, WorkingMapKeepsItsObjects) {
  WriteMap("\\Maps\\a.mdm", MapAt(6180000, 7400000));
  TMdmMap* m = Open("\\Maps\\a.mdm", true);
  m->working = 1;
  m->LoadVisibleObjects();
  DragAway();
  Prepare(m);
  EXPECT_EQ(m->objects[3].flags & TMapObject::kInView, 0);
  EXPECT_NE(m->objects[3].vertices, nullptr);
  EXPECT_EQ(m->objects[3].state, TMapObject::kStateRead);
}

TEST_F(PrepareTest, LevelOfDetailDropsSmallObjectsButNotCreatedOnes) {
  sample::MdmSpec s = MapAt(6180000, 7400000);
  s.objects = {sample::MdmShape(18, {{1000, 1000}, {901000, 901000}}),  // 9 km
               sample::MdmShape(18, {{5000, 5000}, {5010, 5010}}),      // 10 cm
               sample::MdmShape(18, {{6000, 6000}, {6010, 6010}})};
  s.objects[2].entryFlags = TMapObject::kEntryCreated;
  WriteMap("\\Maps\\lod.mdm", s);
  TMdmMap* m = Open("\\Maps\\lod.mdm");
  Prepare(m);
  EXPECT_NE(m->objects[1].flags & TMapObject::kPassesLevel, 0);
  EXPECT_EQ(m->objects[2].flags & TMapObject::kPassesLevel, 0);
  EXPECT_EQ(m->objects[2].state, TMapObject::kStateNone);
  EXPECT_NE(m->objects[3].flags & TMapObject::kPassesLevel, 0);
  EXPECT_EQ(m->objects[3].state, TMapObject::kStateRead);

  // Without a scale everything passes.
  m->pixelScale = 0.0;
  ApplyLevelOfDetail(*m, 0, 294);
  EXPECT_NE(m->objects[2].flags & TMapObject::kPassesLevel, 0);
  // So does a map whose objects are all alike.
  m->pixelScale = 1e-6;
  m->largestExtent = m->smallestExtent = 20.0f;
  ApplyLevelOfDetail(*m, 0, 294);
  EXPECT_NE(m->objects[2].flags & TMapObject::kPassesLevel, 0);
}

TEST_F(PrepareTest, NarrowEntriesWidenWithoutSign) {
  sample::MdmSpec s = MapAt(6180000, 7400000);
  s.wideEntries = false;
  s.unitExponent = 3;  // metres: 40000 units lie outside the frame, the box is what counts
  s.objects = {sample::MdmShape(18, {{100, 100}, {40000, 65000}})};
  WriteMap("\\Maps\\n.mdm", s);
  TMdmMap* m = Open("\\Maps\\n.mdm");
  m->loadAll = 1;
  EXPECT_EQ(m->LoadVisibleObjects(), 0);
  ASSERT_EQ(m->objects[1].vertexCount, 2);
  EXPECT_EQ(m->objects[1].vertices[1].x, 40000);
  EXPECT_EQ(m->objects[1].vertices[1].y, 65000);
}

TEST_F(PrepareTest, EmptyGeometryOversizeBlocksAndVersionOneTexts) {
  sample::MdmSpec s = MapAt(6180000, 7400000);
  s.version = 1;
  sample::MdmObject empty = sample::MdmShape(18, {});
  empty.box[0] = empty.box[1] = 1000;
  empty.box[2] = empty.box[3] = 2000;
  sample::MdmObject text = sample::MdmShape(36, {{3000, 3000}, {3000, 4000}});
  s.objects = {empty, text, sample::MdmShape(18, {{1000, 1000}, {2000, 2000}}),
               sample::MdmShape(18, {{1000, 1000}, {3000, 3000}})};
  auto bytes = sample::BuildMdm(s);
  Patch(bytes, 2, 22, 0x7FFFFFF0u);  // third object: a geometry size far past the end
  ASSERT_TRUE(sample::SaveBytes(Host("\\Maps\\bad.mdm"), bytes));
  TMdmMap* m = Open("\\Maps\\bad.mdm");
  ASSERT_NE(m, nullptr);
  m->loadAll = 1;
  EXPECT_EQ(m->LoadVisibleObjects(), kMdmFormat);
  EXPECT_EQ(m->objects[1].state, TMapObject::kStateRead);
  EXPECT_EQ(m->objects[1].vertices, nullptr);
  EXPECT_EQ(m->objects[1].vertexCount, 0);
  EXPECT_EQ(m->objects[2].state, TMapObject::kStateRead);
  EXPECT_EQ(m->objects[2].style[0], 0);  // version 1: no placement byte
  EXPECT_EQ(m->objects[3].state, TMapObject::kStateFailed);
  EXPECT_EQ(m->objects[3].vertices, nullptr);  // the claimed size was never allocated
  EXPECT_EQ(m->objects[4].state, TMapObject::kStateRead);  // a later object stands on its own
  EXPECT_EQ(m->objects[4].vertexCount, 2);
  // The unreadable object is never in view, so neither drawn nor picked, and not read again.
  m->PrepareView(0, 0, 240, 294);
  EXPECT_EQ(m->objects[3].flags & TMapObject::kInView, 0);
  EXPECT_EQ(m->objects[3].state, TMapObject::kStateFailed);
}

TEST_F(PrepareTest, UnloadedMapIsLeftAlone) {
  WriteMap("\\Maps\\a.mdm", MapAt(6180000, 7400000));
  view->AddVectorMap("\\Maps\\a.mdm", 1);
  TMdmMap* m = view->GetVectorMap(0);
  EXPECT_EQ(m->PrepareView(0, 0, 240, 294), 0);
  EXPECT_EQ(m->levelPassDone, 0u);
}
