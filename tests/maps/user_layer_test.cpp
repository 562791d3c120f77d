// The working-map recorder: creating a working map, recording tracks with cuts, points, the
// saved state and the save triggers.
#include "maps/user_layer.h"

#include "mdm_test_util.h"

using namespace mdmtest;

namespace {

class FakeView : public IWorkingMapHost {
 public:
  TMdmMap* GetVectorMap(int number) override { return number == 0 ? &map : nullptr; }
  void LoadVectorMapObjects(int) override { loads++; }
  void PrepareMap(TMdmMap* m, const RECT&) override { prepared = m; }
  void DrawWorkingMap(TMdmMap* m, HDC) override { drawn = m; }

  TMdmMap map;
  int loads = 0;
  TMdmMap* prepared = nullptr;
  TMdmMap* drawn = nullptr;
};

// Plane positions inside a centimetre working map made about (6200000, 6600000) in zone 6.
constexpr double kX = 6200000.0, kY = 6600000.0;

class UserLayerTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    window = std::make_unique<NoticeWindow>();
    std::snprintf(view.map.path, sizeof(view.map.path), "%s", "\\wm.mdm");
    ASSERT_EQ(layer.Attach(&view, 0), 1);
    ASSERT_EQ(layer.CreateMap(10000, -2, kX, kY, 6), 1);
    layer.trackCode = 18;  // the receiver functions set it before recording
  }
  void TearDown() override {
    window.reset();
    DeviceTest::TearDown();
  }
  TMdmMap& map() { return view.map; }

  std::unique_ptr<NoticeWindow> window;
  FakeView view;
  TUserLayer layer;
};

}  // namespace

TEST(UserLayerClosed, DoesNothing) {
  TUserLayer layer;
  FakeView view;
  EXPECT_EQ(layer.AddObject(9, 1, 1, nullptr), -1);
  EXPECT_EQ(layer.AddPoint(1, 1), 0);
  EXPECT_EQ(layer.pendingX, 0.0);
  EXPECT_EQ(layer.BeginObject(), 0);
  double box[3] = {1, 1, 1};
  layer.GetObjectBox(1, box);
  EXPECT_EQ(box[0], 0.0);
  EXPECT_EQ(layer.Attach(&view, 3), 0);  // no such map
}

TEST_F(UserLayerTest, CreateMapWritesAFrameInTheOutputZone) {
  // Centre west of 36E (zone 6), shown in zone 7: the frame is made in zone 7.
  ASSERT_EQ(layer.CreateMap(25000, -2, 6200000, 6600000, 7), 1);
  std::vector<uint8_t> b = ReadHost("\\wm.mdm");
  ASSERT_EQ(b.size(), 77u);  // no library: no header list
  EXPECT_EQ(b[5], 3);
  EXPECT_EQ(b[6], 0x26);
  EXPECT_EQ(mdm::GetU32(b.data() + 7), 25000u);
  EXPECT_EQ(mdm::GetF64(b.data() + 19), 0.0);
  EXPECT_EQ(mdm::GetF64(b.data() + 27), 6500000.0);
  EXPECT_EQ(mdm::GetF64(b.data() + 43), 9000000.0);
  EXPECT_EQ(mdm::GetF64(b.data() + 51), 8500000.0);
  EXPECT_EQ(mdm::GetU16(b.data() + 75), 0);
  EXPECT_EQ(map().zone, 7);
  EXPECT_EQ(map().rotSin, 0.0);
  EXPECT_FLOAT_EQ(map().unit, 0.01f);
  EXPECT_EQ(map().count, 1);  // the placeholder alone

  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\wm.mdm"), 0);
  EXPECT_EQ(back.zone, 7);
  EXPECT_EQ(back.count, 1);
  EXPECT_EQ(layer.CreateMap(25000, 5, kX, kY, 7), 0);  // the exponent has three bits
}

TEST_F(UserLayerTest, PendingFixBecomesTheFirstVertex) {
  EXPECT_EQ(layer.AddPoint(kX + 1, kY + 1), 0);
  EXPECT_EQ(layer.AddPoint(kX + 2, kY + 2), 0);  // replaces the first
  int32_t idx = layer.BeginObject();
  ASSERT_GT(idx, 0);
  EXPECT_EQ(idx, 1);
  ASSERT_EQ(map().GetVertexCount(uint16_t(idx)), 1);
  double px, py;
  map().MapToPlane(map().objects[idx].vertices[0].x, map().objects[idx].vertices[0].y, &px, &py);
  EXPECT_EQ(px, kX + 2);
  EXPECT_EQ(layer.pendingX, 0.0);
  layer.EndObject();

  // A pending point at plane x 0 counts as none.
  layer.AddPoint(0.0, kY);
  idx = layer.BeginObject();
  EXPECT_EQ(map().GetVertexCount(uint16_t(idx)), 0);
}

TEST_F(UserLayerTest, APausedObjectKeepsItsRecordAndGoesOnWhereItWas) {
  layer.trackCode = 2;  // a line of no type yet, as a stretch begins
  const int32_t idx = layer.BeginObject();
  ASSERT_GT(idx, 0);
  const uint16_t object = uint16_t(idx);
  ASSERT_EQ(layer.PauseObject(), 1);
  EXPECT_EQ(layer.PauseObject(), 0) << "paused already";
  // A save while paused keeps the empty object: it is still the one being recorded.
  layer.SetModified();
  layer.Save(0);
  EXPECT_EQ(map().GetObjectCode(object), 2);
  EXPECT_EQ(layer.AddPoint(kX + 1, kY + 1), 0);
  EXPECT_EQ(map().GetVertexCount(object), 0);
  ASSERT_EQ(layer.ResumeObject(), 1);
  EXPECT_EQ(layer.ResumeObject(), 0) << "recording already";
  EXPECT_EQ(layer.AddPoint(kX + 2, kY + 2), 1);
  EXPECT_EQ(layer.current, object);
  EXPECT_EQ(map().GetVertexCount(object), 1);

  // Ended while paused, it is ended as a recorded one; nothing is paused any more.
  ASSERT_EQ(layer.PauseObject(), 1);
  EXPECT_EQ(layer.EndObject(), 1);
  EXPECT_EQ(layer.IsPaused(), 0);
  EXPECT_EQ(layer.ResumeObject(), 0);
  EXPECT_EQ(layer.recording, 0u);

  // Deleted by the user while paused: nothing to go on with.
  const uint16_t second = uint16_t(layer.BeginObject());
  ASSERT_EQ(layer.PauseObject(), 1);
  ASSERT_EQ(layer.DeleteObject(second), 1);
  EXPECT_EQ(layer.ResumeObject(), 0);
  EXPECT_EQ(layer.recording, 0u);
  // ...but the track key is on again: the next position begins a new object, as it does for a
  // recorded object deleted.
  EXPECT_EQ(layer.AddPoint(kX + 3, kY + 3), 1);
  EXPECT_NE(layer.current, second);
  EXPECT_EQ(map().GetVertexCount(layer.current), 1);
}

// The track key off, then another working map: the key on records into that map (a new track),
// and off before the first fix there keeps the new map free of the walk.
TEST_F(UserLayerTest, APauseAndAResumeHoldAcrossAChangeOfWorkingMap) {
  const uint16_t first = uint16_t(layer.BeginObject());
  ASSERT_EQ(layer.AddPoint(kX, kY), 1);
  ASSERT_EQ(layer.PauseObject(), 1);
  ASSERT_EQ(layer.Close(), 1);
  ASSERT_EQ(layer.Attach(&view, 0), 1);
  EXPECT_EQ(layer.AddPoint(kX + 1, kY), 0) << "the key is still off";
  EXPECT_EQ(map().GetVertexCount(first), 1) << "the paused line was saved whole";
  const int32_t countBefore = map().count;
  ASSERT_EQ(layer.ResumeObject(), 1);
  EXPECT_EQ(layer.AddPoint(kX + 2, kY), 1);
  EXPECT_EQ(map().count, countBefore + 1);
  // The new track starts at the last position held while off, as a track begun by the key does.
  EXPECT_EQ(map().GetVertexCount(layer.current), 2);

  // Recording, the map changes and the key goes off before any fix: nothing is recorded.
  ASSERT_EQ(layer.Close(), 1);
  ASSERT_EQ(layer.Attach(&view, 0), 1);
  const int32_t countAfter = map().count;
  ASSERT_EQ(layer.PauseObject(), 1);
  EXPECT_EQ(layer.AddPoint(kX + 3, kY), 0);
  EXPECT_EQ(map().count, countAfter);
  // On again: the walk goes on in a new track; ended, nothing is carried.
  ASSERT_EQ(layer.ResumeObject(), 1);
  EXPECT_EQ(layer.AddPoint(kX + 4, kY), 1);
  EXPECT_EQ(map().count, countAfter + 1);
  layer.EndObject();
  ASSERT_EQ(layer.Close(), 1);
  ASSERT_EQ(layer.Attach(&view, 0), 1);
  EXPECT_EQ(layer.ResumeObject(), 0);
  EXPECT_EQ(layer.AddPoint(kX + 5, kY), 0);
}

TEST_F(UserLayerTest, LongTracksAreCut) {
  layer.cut = 1;
  int32_t first = layer.BeginObject();
  for (int i = 0; i < 3001; i++) ASSERT_EQ(layer.AddPoint(kX + i * 0.5, kY), 1);
  EXPECT_EQ(map().GetVertexCount(uint16_t(first)), 3001);
  ASSERT_NE(layer.current, first);
  EXPECT_EQ(map().GetVertexCount(layer.current), 1);
  EXPECT_EQ(map().objects[layer.current].vertices[0].x,
            map().objects[first].vertices[3000].x);  // the track stays continuous
  EXPECT_EQ(layer.recording, 1u);
  // The cut wrote the map with the finished object.
  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\wm.mdm"), 0);
  EXPECT_EQ(back.count, 2);
}

TEST_F(UserLayerTest, WithoutCuttingATrackGoesOnPastTheVertexLimit) {
  int32_t first = layer.BeginObject();
  for (int i = 0; i < 65535; i++) ASSERT_EQ(layer.AddPoint(kX + i * 0.01, kY), 1);
  EXPECT_EQ(map().GetVertexCount(uint16_t(first)), 65535);
  EXPECT_EQ(map().GetVertexCount(layer.current), 1);
  layer.AddPoint(kX + 700, kY);
  EXPECT_EQ(map().GetVertexCount(layer.current), 2);
  layer.EndObject();
  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\wm.mdm"), 0);
  back.working = 1;
  back.LoadVisibleObjects();
  EXPECT_EQ(back.objects[1].vertexCount, 65535);
}

TEST_F(UserLayerTest, RecordingStats) {
  double len = -1;
  uint32_t secs = 99;
  EXPECT_EQ(layer.GetRecordingStats(&len, &secs), 0);
  EXPECT_EQ(len, -1);
  layer.BeginObject();
  layer.AddPoint(kX, kY);
  ASSERT_EQ(layer.GetRecordingStats(&len, &secs), 1);
  EXPECT_EQ(len, 0.0);
  layer.AddPoint(kX + 3, kY + 4);
  harness::Advance(2500);
  ASSERT_EQ(layer.GetRecordingStats(&len, &secs), 1);
  EXPECT_EQ(len, 5.0);
  EXPECT_EQ(secs, 2u);
}

TEST_F(UserLayerTest, CloseWhileRecordingWritesTheObject) {
  layer.BeginObject();
  layer.AddPoint(kX, kY);
  layer.AddPoint(kX + 10, kY);
  EXPECT_EQ(layer.saved, 0u);
  EXPECT_EQ(layer.Close(), 1);
  EXPECT_EQ(layer.open, 0u);
  EXPECT_EQ(map().working, 0u);
  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\wm.mdm"), 0);
  ASSERT_EQ(back.count, 2);
  EXPECT_EQ(back.objects[1].geomSize, 16u);
}

TEST_F(UserLayerTest, AddPointAnswersWhetherTheFixWasStoredAndAWalkLeftWithoutAMapIsToldOnce) {
  harness::ClearMessageBoxes();
  EXPECT_EQ(layer.AddPoint(kX, kY), 0);  // not recording: only held
  layer.BeginObject();
  EXPECT_EQ(layer.AddPoint(kX + 10, kY), 1);
  EXPECT_EQ(layer.AddPoint(100.0, 100.0), 0);  // outside the map: refused
  EXPECT_EQ(map().GetVertexCount(layer.current), 2);
  // The working map closed mid-walk and no other attached: the next fix says so, once.
  layer.Close();
  EXPECT_EQ(layer.AddPoint(kX + 20, kY), 0);
  EXPECT_EQ(layer.AddPoint(kX + 30, kY), 0);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
}

TEST_F(UserLayerTest, PointsOutsideAreRefusedButMarkUnsaved) {
  EXPECT_EQ(layer.saved, 1u);
  EXPECT_EQ(layer.AddObject(9, 100.0, 100.0, "far"), 0);
  EXPECT_EQ(NoticeWindow::Notices(), std::vector<WPARAM>{14});
  EXPECT_EQ(layer.saved, 0u);
  int32_t p = layer.AddObject(9, kX, kY, "P7");
  ASSERT_GT(p, 0);
  EXPECT_STREQ(map().objects[p].name, L"P7");
  double box[3];
  layer.GetObjectBox(uint16_t(p), box);
  EXPECT_EQ(box[0], kX);
  EXPECT_EQ(box[1], kY);
  EXPECT_EQ(layer.Save(0), 0);
  EXPECT_EQ(layer.saved, 1u);
}

TEST_F(UserLayerTest, AFailedSaveStaysUnsavedAndIsRetried) {
  harness::ClearMessageBoxes();
  layer.AddObject(9, kX, kY, "A");
  ASSERT_TRUE(CreateDirectoryW(L"\\wm.mdm.tmp", nullptr));
  EXPECT_EQ(layer.Save(0), kMdmNoFile);
  EXPECT_EQ(layer.saved, 0u);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(layer.Save(0), kMdmNoFile);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);  // told once a run
  ASSERT_TRUE(RemoveDirectoryW(L"\\wm.mdm.tmp"));
  EXPECT_EQ(layer.Save(0), 0);
  EXPECT_EQ(layer.saved, 1u);
  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\wm.mdm"), 0);
  EXPECT_EQ(back.count, 2);
}

TEST_F(UserLayerTest, HeaderListStaysIndexZeroAfterRegrouping) {
  layer.AddObject(9, kX, kY, "A");
  layer.BeginObject();
  layer.AddPoint(kX, kY);
  layer.AddPoint(kX + 1, kY);
  layer.EndObject();
  layer.SetModified();
  EXPECT_EQ(layer.Flush(), 0);
  EXPECT_EQ(map().objects[0].code, 0);
  EXPECT_EQ(map().objects[1].code & 7, mdm::kKindLine);
  ASSERT_EQ(map().SetStrAttr(0, 5, "note"), 1);
  layer.SetModified();
  ASSERT_EQ(layer.Save(0), 0);
  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\wm.mdm"), 0);
  EXPECT_EQ(back.HeaderListLength(), 7);
  EXPECT_EQ(back.count, 3);
}

TEST_F(UserLayerTest, ForwardsToTheView) {
  RECT r = {0, 0, 240, 300};
  layer.PrepareView(r);
  layer.Draw(nullptr);
  EXPECT_EQ(view.prepared, &map());
  EXPECT_EQ(view.drawn, &map());
  EXPECT_EQ(view.loads, 1);
}

class DamagedWorkingMapTest : public DeviceTest {};

// A track recorded into a working map that holds one damaged object is saved with it: the 100
// points and the damaged object's stored bytes both come back, and the damage is told once.
TEST_F(DamagedWorkingMapTest, ATrackIsSavedBesideADamagedObject) {
  std::vector<uint8_t> bytes = sample::BuildMdm(sample::DemoMdm());
  const size_t line = 77 + 29;  // the line's entry; its data: 3 wide vertices
  const uint32_t lineAt = mdm::GetU32(bytes.data() + line + 18);
  mdm::PutU32(bytes.data() + line + 22, 20);  // no whole number of vertices
  const std::vector<uint8_t> lineData(bytes.begin() + lineAt, bytes.begin() + lineAt + 20);
  ASSERT_TRUE(WriteHost("\\dm.mdm", bytes));

  NoticeWindow window;
  harness::ClearMessageBoxes();
  FakeView view;
  ASSERT_EQ(OpenMap(view.map, "\\dm.mdm"), 0);
  TUserLayer layer;
  ASSERT_EQ(layer.Attach(&view, 0), 1);
  layer.trackCode = 18;
  double px, py;
  view.map.MapToPlane(60000, 20000, &px, &py);
  int32_t track = layer.BeginObject();
  ASSERT_GT(track, 0);
  for (int i = 0; i < 100; i++) ASSERT_EQ(layer.AddPoint(px + i * 0.5, py + i * 0.25), 1);
  ASSERT_EQ(layer.EndObject(), 1);
  EXPECT_EQ(layer.saved, 1u);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  // A later save tells no more.
  layer.AddObject(9, px, py, "Later");
  EXPECT_EQ(layer.Save(0), 0);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);

  std::vector<uint8_t> saved = ReadHost("\\dm.mdm");
  ASSERT_GE(saved.size(), 77u + 29 * 2);
  EXPECT_EQ(mdm::GetU16(saved.data() + line), 18);
  EXPECT_EQ(mdm::GetU32(saved.data() + line + 22), 20u);
  const uint32_t newAt = mdm::GetU32(saved.data() + line + 18);
  ASSERT_LE(newAt + 20u, saved.size());
  EXPECT_EQ(std::vector<uint8_t>(saved.begin() + newAt, saved.begin() + newAt + 20), lineData);

  TMdmMap back;
  ASSERT_EQ(OpenMap(back, "\\dm.mdm"), 0);
  back.working = 1;
  back.LoadVisibleObjects();
  ASSERT_EQ(back.count, 7);  // four stored objects, the track and the point
  int32_t found = -1;
  for (int32_t i = 1; i < back.count; i++)
    if (back.GetVertexCount(uint16_t(i)) == 100) found = i;
  ASSERT_GT(found, 0);
  for (int i = 0; i < 100; i++) {
    double x, y;
    back.MapToPlane(back.objects[found].vertices[i].x, back.objects[found].vertices[i].y, &x, &y);
    EXPECT_NEAR(x, px + i * 0.5, 0.01) << i;  // map units are centimetres
    EXPECT_NEAR(y, py + i * 0.25, 0.01) << i;
  }
  EXPECT_EQ(back.objects[2].damaged, 1);
}

TEST_F(UserLayerTest, ANewPointNeverGetsCodeZeroOrALinesCode) {
  EXPECT_EQ(layer.NewPointCode(), 1);  // no point code set and no library: the bare point kind
  layer.pointCode = 17;
  EXPECT_EQ(layer.NewPointCode(), 17);
  layer.pointCode = 18;  // a line's
  EXPECT_EQ(layer.NewPointCode(), 1);
}
