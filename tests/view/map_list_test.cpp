// The project's map lists: order rules, duplicates, the working map, raster maps through a
// fake factory, highlights, display switches and objects found by map name.
#include "base/lang.h"
#include "base/text_utils.h"
#include "geodesy/gauss_kruger.h"
#include "maps/user_layer.h"
#include "view_test_util.h"

using namespace viewtest;

namespace {

class MapListTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    WriteMap("\\Maps\\a.mdm", MapAt(6180000, 7400000));
    WriteMap("\\Maps\\b.mdm", MapAt(6200000, 7420000));
    WriteMap("\\Maps\\c.mdm", MapAt(6210000, 7430000));
  }
  std::string Order() {
    std::string s;
    for (int i = 0; i < view->GetVectorMapCount(); i++) {
      char name[256];
      GetFileNamePart(name, view->GetVectorMap(i)->path, sizeof(name));
      s += name[0];
    }
    return s;
  }
};

}  // namespace

TEST_F(MapListTest, AddFitsOnlyTheFirstMapAndRefusesDuplicates) {
  EXPECT_EQ(view->AddVectorMap("\\Maps\\a.mdm", 1), 0);
  EXPECT_EQ(view->extent[0], 6180000.0);
  EXPECT_EQ(view->extent[4], 7410000.0);
  EXPECT_EQ(view->viewInitialised, 0);
  EXPECT_EQ(view->AddVectorMap("\\Maps\\b.mdm", 1), 1);
  EXPECT_EQ(view->extent[0], 6180000.0);
  EXPECT_EQ(view->AddVectorMap("\\MAPS\\A.MDM", 0), -1);
  EXPECT_EQ(view->AddVectorMap("\\Maps\\none.mdm", 0), -1);
  EXPECT_EQ(view->GetVectorMapCount(), 2);
  EXPECT_EQ(view->FindVectorMapIndex("\\maps\\B.mdm"), 1);
  EXPECT_EQ(view->FindVectorMapByPath("B"), view->GetVectorMap(1));
  EXPECT_EQ(view->GetVectorMap(-1), nullptr);
  EXPECT_EQ(view->GetVectorMap(2), nullptr);
  EXPECT_EQ(view->RemoveVectorMap(-1), 0);
  EXPECT_EQ(view->MoveVectorMap(0, -1), 0);
}

TEST_F(MapListTest, WorkingMapStaysLastAndMovesKeepOrder) {
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\b.mdm", 0);
  view->GetVectorMap(1)->working = 1;
  EXPECT_EQ(view->AddVectorMap("\\Maps\\c.mdm", 0), 1);
  EXPECT_EQ(Order(), "acb");
  EXPECT_EQ(view->IsWorkingMap(2), 1);
  EXPECT_EQ(view->MoveVectorMap(2, 0), 1);
  EXPECT_EQ(Order(), "bac");
  EXPECT_EQ(view->MoveVectorMap(0, 2), 1);
  EXPECT_EQ(Order(), "acb");
  EXPECT_EQ(view->MoveVectorMapToEnd(0), 1);
  EXPECT_EQ(Order(), "cba");
}

TEST_F(MapListTest, HighlightsFollowTheirMapsWhenMapsMoveOrGo) {
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\b.mdm", 0);
  ASSERT_EQ(view->LoadVectorMapObjects(0), 0);
  TObjectRef r;
  r.map = 0;
  r.object = 2;
  EXPECT_EQ(view->AddHighlight(r), 1);
  std::memcpy(r.tag, "abcd", 4);
  EXPECT_EQ(view->AddHighlight(r), 1);  // the same object again: both kept
  EXPECT_EQ(view->GetHighlightCount(), 2);
  EXPECT_EQ(view->FindHighlight(r), 0);
  r.object = 999;
  EXPECT_EQ(view->AddHighlight(r), 0);  // stored, but names no object
  r.map = 7;
  EXPECT_EQ(view->AddHighlight(r), 0);
  EXPECT_EQ(view->GetHighlightCount(), 4);
  EXPECT_EQ(view->FindHighlight(TObjectRef{}), -1);
  // "a" moves behind "b": its three highlights go with it; map 7 names no map and stays.
  view->MoveVectorMap(0, 1);
  ASSERT_EQ(view->GetHighlightCount(), 4);
  EXPECT_EQ(view->highlights[0].map, 1);
  EXPECT_EQ(std::memcmp(view->highlights[1].tag, "abcd", 4), 0);
  EXPECT_EQ(view->highlights[2].map, 1);
  EXPECT_EQ(view->highlights[3].map, 7);
  view->RemoveVectorMap(0);  // "b": "a" comes first again
  ASSERT_EQ(view->GetHighlightCount(), 4);
  EXPECT_EQ(view->highlights[0].map, 0);
  EXPECT_EQ(view->highlights[0].object, 2);
  view->RemoveVectorMap(0);  // "a": its highlights go with it
  ASSERT_EQ(view->GetHighlightCount(), 1);
  EXPECT_EQ(view->highlights[0].map, 7);
}

TEST_F(MapListTest, KeepWorkingMapOnly) {
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\b.mdm", 0);
  std::strcpy(view->projectFolder, "\\Maps\\");
  view->KeepWorkingMapOnly();  // no working map: everything closes
  EXPECT_EQ(view->GetVectorMapCount(), 0);
  EXPECT_EQ(view->projectFolder[0], 0);
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\b.mdm", 0);
  view->AddVectorMap("\\Maps\\c.mdm", 0);
  view->GetVectorMap(1)->working = 1;
  view->KeepWorkingMapOnly();
  EXPECT_EQ(Order(), "b");
}

TEST_F(MapListTest, DeletingTheAttachedWorkingMapClosesTheLayerFirst) {
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\b.mdm", 0);
  TUserLayer layer;
  view->workingLayer = &layer;
  ASSERT_EQ(layer.Attach(view->WorkingMapHost(), 1), 1);
  ASSERT_GT(layer.AddObject(9, 6205000, 7425000, "new"), 0);
  EXPECT_EQ(layer.saved, 0u);
  EXPECT_EQ(view->RemoveVectorMap(1), 1);
  EXPECT_EQ(layer.open, 0u);
  EXPECT_EQ(layer.map, nullptr);
  // The layer saved the map once before it went: the new point is in the file.
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader("\\Maps\\b.mdm"), 0);
  ASSERT_EQ(reread.Load(), 0);
  EXPECT_EQ(reread.count, 1 + 4 + 1);

  // The same through CloseAllMaps and KeepWorkingMapOnly.
  view->AddVectorMap("\\Maps\\c.mdm", 0);
  ASSERT_EQ(layer.Attach(view->WorkingMapHost(), 1), 1);
  view->CloseAllMaps();
  EXPECT_EQ(layer.open, 0u);
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\c.mdm", 0);
  ASSERT_EQ(layer.Attach(view->WorkingMapHost(), 1), 1);
  view->GetVectorMap(0)->working = 1;  // the first working map stays: the layer's map goes
  view->KeepWorkingMapOnly();
  EXPECT_EQ(layer.open, 0u);
  EXPECT_EQ(Order(), "a");
}

TEST_F(MapListTest, LoadFailureLeavesTheMapUnloaded) {
  sample::MdmSpec s = MapAt(6180000, 7400000);
  s.library = "Nowhere";
  WriteMap("\\Maps\\nolib.mdm", s);
  int i = view->AddVectorMap("\\Maps\\nolib.mdm", 0);
  ASSERT_EQ(i, 0);
  view->transformsValid = 1;
  EXPECT_EQ(view->LoadVectorMapObjects(i), kMdmNoLibrary);
  EXPECT_EQ(view->GetVectorMap(i)->loaded, 0u);
  EXPECT_EQ(view->transformsValid, 0);
  EXPECT_EQ(view->LoadVectorMapObjects(5), 0);
}

TEST_F(MapListTest, ShowAllSkipsMapsThatFailedToLoad) {
  sample::MdmSpec s = MapAt(6180000, 7400000);
  s.library = "Nowhere";
  WriteMap("\\Maps\\nolib.mdm", s);
  WriteMap("\\Maps\\nolib2.mdm", s);

  // What show-all does with the good map alone.
  TMapView alone;
  alone.libraries.SetFolder("\\Obj\\", &alone.palette);
  alone.devicePixelsPerMetre = view->devicePixelsPerMetre;
  alone.viewRect = view->viewRect;
  ASSERT_EQ(alone.AddVectorMap("\\Maps\\b.mdm", 0), 0);
  alone.ZoomToAll();
  double ax, ay;
  alone.GetCenter(&ax, &ay, 1);
  ASSERT_GT(ax, 6200000.0);
  ASSERT_LT(alone.GetScale(), 1000000);

  // The failed map first: it adds nothing to the union.
  ASSERT_EQ(view->AddVectorMap("\\Maps\\nolib.mdm", 0), 0);
  ASSERT_EQ(view->AddVectorMap("\\Maps\\b.mdm", 0), 1);
  double e[6], ae[6];
  view->GetExtents(e);
  alone.GetExtents(ae);
  for (int k : {0, 1, 3, 4}) EXPECT_EQ(e[k], ae[k]) << k;
  view->ZoomToAll();
  EXPECT_EQ(view->GetScale(), alone.GetScale());
  double cx, cy;
  view->GetCenter(&cx, &cy, 1);
  EXPECT_NEAR(cx, ax, 1.0);
  EXPECT_NEAR(cy, ay, 1.0);

  // Every map failed: the view stays where it is.
  view->CloseAllMaps();
  ASSERT_EQ(view->AddVectorMap("\\Maps\\nolib.mdm", 0), 0);
  ASSERT_EQ(view->AddVectorMap("\\Maps\\nolib2.mdm", 0), 1);
  view->SetScale(5000);
  view->CenterOn(6185000, 7405000, 1);
  const double ox = view->originX, oy = view->originY;
  view->GetExtents(e);
  for (int k : {0, 1, 3, 4}) EXPECT_EQ(e[k], 0.0) << k;
  view->ZoomToAll();
  EXPECT_EQ(view->GetScale(), 5000);
  EXPECT_EQ(view->originX, ox);
  EXPECT_EQ(view->originY, oy);
}

TEST_F(MapListTest, ShowAllSkipsRasterMapsWithoutAFrame) {
  SetRasterMapFactory(MakeFakeRaster);
  ASSERT_EQ(view->AddRasterMap("\\Maps\\r1.jpg", 0), 0);
  ASSERT_EQ(view->AddRasterMap("\\Maps\\r2.jpg", 0), 0);
  // The first picture failed to load: the frame drawing zeroes its corners.
  for (int k : {0, 1, 3, 4}) view->rasterMaps[0]->frame[k] = 0.0;
  double e[6];
  view->GetExtents(e);
  EXPECT_EQ(e[0], FakeRaster::nextFrame[0]);
  EXPECT_EQ(e[1], FakeRaster::nextFrame[1]);
  EXPECT_EQ(e[3], FakeRaster::nextFrame[3]);
  EXPECT_EQ(e[4], FakeRaster::nextFrame[4]);
  for (int k : {0, 1, 3, 4}) view->rasterMaps[1]->frame[k] = 0.0;
  view->GetExtents(e);
  for (int k : {0, 1, 3, 4}) EXPECT_EQ(e[k], 0.0) << k;
}

TEST_F(MapListTest, ZoneIsTheMiddleOfTheCountedZones) {
  sample::MdmSpec z8 = MapAt(6180000, 8400000);
  z8.writtenFlag = false;
  WriteMap("\\Maps\\z8.mdm", z8);
  sample::MdmSpec z10 = MapAt(6180000, 10400000);
  z10.writtenFlag = false;
  WriteMap("\\Maps\\z10.mdm", z10);
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  view->AddVectorMap("\\Maps\\z8.mdm", 1);
  EXPECT_EQ(view->zone, 7);
  view->RemoveVectorMap(1);
  view->AddVectorMap("\\Maps\\z10.mdm", 1);
  EXPECT_EQ(view->zone, 8);
  EXPECT_EQ(view->GetVectorMap(1)->outputZone, 8);
  // A later map with the written flag does not count.
  WriteMap("\\Maps\\w20.mdm", MapAt(6180000, 20400000));
  view->AddVectorMap("\\Maps\\w20.mdm", 1);
  EXPECT_EQ(view->zone, 8);
}

// The view's zone follows the maps; the place looked at does not: with the zone-10 map gone the
// view counts in zone 7 again, and its centre is the same ground, not the zone-8 numbers read in
// zone 7 (some 380 km west of the town, with no map in sight).
TEST_F(MapListTest, AZoneChangeKeepsTheGroundAtTheViewsCentre) {
  sample::MdmSpec z10 = MapAt(6180000, 10400000);
  z10.writtenFlag = false;
  WriteMap("\\Maps\\z10.mdm", z10);
  ASSERT_EQ(view->AddVectorMap("\\Maps\\a.mdm", 0), 0);
  ASSERT_EQ(view->AddVectorMap("\\Maps\\z10.mdm", 1), 1);
  ASSERT_EQ(view->zone, 8);
  view->pixelsPerMetre = 10;  // the centre is kept to a whole pixel
  view->viewInitialised = 1;
  // The middle of map a (zone 7), in the zone-8 plane the view now counts in.
  double gLat, gLon, x8, y8;
  ASSERT_TRUE(GkToGeo(6185000, 7405000, gLat, gLon, 39));
  ASSERT_TRUE(GeoToGk(gLat, gLon, x8, y8, 45));
  view->CenterOn(x8, y8, 0);
  for (auto change : {0, 1}) {
    if (change == 0) view->MoveVectorMap(0, 1);  // z10 first: zone 10
    else view->RemoveVectorMap(0);  // a alone: zone 7
    ASSERT_EQ(view->zone, change == 0 ? 10 : 7);
    double cx, cy, lat, lon;
    view->GetCenter(&cx, &cy, 1);
    ASSERT_TRUE(view->PlaneToGeo(cx, cy, &lat, &lon));
    // Within a metre of the ground (a degree of latitude is 111 km).
    EXPECT_NEAR(lat, gLat, 1.0 / 111000 * 3.14159265358979 / 180) << change;
    EXPECT_NEAR(lon, gLon, 2.0 / 111000 * 3.14159265358979 / 180) << change;
  }
}

TEST_F(MapListTest, CenterOnObjectWithLargeCorners) {
  sample::MdmSpec s = MapAt(6180000, 7400000);
  s.objects.push_back(sample::MdmShape(18, {{2000000000, 2000000000}, {2100000000, 2100000000}}));
  WriteMap("\\Maps\\big.mdm", s);
  ASSERT_EQ(view->AddVectorMap("\\Maps\\big.mdm", 0), 0);
  view->pixelsPerMetre = 1.0;
  ASSERT_EQ(view->SelectObjectInMap("BIG", 5), 1);
  double X, Y;
  view->GetCenter(&X, &Y, 1);
  // Centimetres: the midpoint lies 20,500 km from the frame origin.
  EXPECT_NEAR(X, 6180000 + 20500000.0, 1.0);
  EXPECT_NEAR(Y, 7400000 + 20500000.0, 1.0);
  ASSERT_EQ(view->GetHighlightCount(), 1);
  EXPECT_EQ(view->highlights[0].object, 5);
  EXPECT_EQ(view->SelectObjectInMap("big", 99), 0);
  EXPECT_EQ(view->SelectObjectInMap("other", 1), 0);
  double cx, cy;
  EXPECT_EQ(view->GetObjectCenter(2, &cx, &cy), 1);
  EXPECT_EQ(view->GetObjectCenterInMap("big", 4, &cx, &cy), 1);
}

TEST_F(MapListTest, RasterMapsThroughTheFactory) {
  // Without raster support a picture cannot be opened.
  EXPECT_EQ(view->AddRasterMap("\\Maps\\r1.jpg", 1), 2);
  EXPECT_EQ(view->OpenFile("\\Maps\\r1.jpg", nullptr, 1), 2);
  SetRasterMapFactory(MakeFakeRaster);
  EXPECT_EQ(view->AddRasterMap("\\Maps\\missing.jpg", 1), 2);
  EXPECT_EQ(view->GetRasterMapCount(), 0);
  EXPECT_EQ(view->AddRasterMap("\\Maps\\r1.jpg", 1), 0);
  // The only map: its frame becomes the extent.
  EXPECT_EQ(view->extent[0], 6180000.0);
  EXPECT_EQ(view->zone, 7);
  EXPECT_EQ(view->AddRasterMap("\\MAPS\\R1.JPG", 1), 0);  // duplicate: accepted, not added
  EXPECT_EQ(view->GetRasterMapCount(), 1);
  EXPECT_EQ(view->OpenFile("\\Maps\\nopic.tif", nullptr, 0), 1);  // added but not open
  EXPECT_EQ(view->GetRasterMapCount(), 2);
  EXPECT_EQ(view->AddRasterMap("\\Maps\\r3.jpg", 0), 0);

  // Activation installs the map's transform as the override.
  EXPECT_EQ(view->ActivateRasterMap(0), 0);
  EXPECT_EQ(view->activeRaster, 0);
  int32_t sx, sy;
  view->PlaneToScreen(6189990, 7400020, &sx, &sy, 1);
  EXPECT_EQ(sx, 20);
  EXPECT_EQ(sy, 10);
  EXPECT_EQ(view->ActivateRasterMap(0), 0);  // already active
  EXPECT_EQ(view->ActivateRasterMap(9), 0);

  // Removing makes the last in-scale raster map that is drawn (its pixels loaded) active, or
  // none: the picture that did not open is passed over though it counts as in scale.
  view->rasterMaps[1]->inScale = 1;
  view->rasterMaps[2]->inScale = 1;
  ASSERT_EQ(view->rasterMaps[2]->Activate(), 0);
  EXPECT_EQ(view->RemoveRasterMap(0), 1);
  EXPECT_EQ(view->activeRaster, 1);
  EXPECT_EQ(view->RemoveRasterMap(1), 1);
  EXPECT_EQ(view->activeRaster, -1);
  EXPECT_EQ(view->planeToScreenOverride, nullptr);
  EXPECT_EQ(view->RemoveRasterMap(3), 0);
  // A closed project drops the override with its map.
  view->AddRasterMap("\\Maps\\r5.jpg", 0);
  view->ActivateRasterMap(1);
  view->CloseAllMaps();
  EXPECT_EQ(view->activeRaster, -1);
  RasterPlaneToScreen(1, 2, &sx, &sy);  // nothing remembered: does nothing
}

TEST_F(MapListTest, SwitchesAndDatabaseMode) {
  EXPECT_EQ(view->SetFill(1), 0);
  EXPECT_EQ(view->SetFill(0), 1);
  EXPECT_EQ(view->SetGrid(1), 1);
  EXPECT_EQ(view->ShowVectorMaps(0), 1);
  EXPECT_EQ(view->AreVectorMapsShown(), 0);
  EXPECT_EQ(view->SetDbPointsMode(2), 0);  // no layer: stored, 0
  EXPECT_EQ(view->dbPointsMode, 2);
  EXPECT_EQ(view->CreateDbLayer("\\DB\\Global.ndb", nullptr, nullptr), 0);
  EXPECT_EQ(view->dbLayer, nullptr);
}

namespace {
struct FakeDb : TDbLayer {
  static inline int loads = 0, frees = 0, result = 0;
  int Load(const char*) override {
    loads++;
    return result;
  }
  void FreeItems() override { frees++; }
  void PrepareView(int32_t, int32_t, int32_t, int32_t) override {}
  void Draw(HDC) override {}
};
TDbLayer* MakeFakeDb(TGeoToScreenFn, TScreenToGeoFn) { return new FakeDb; }
}  // namespace

TEST_F(MapListTest, DatabaseLayerThroughTheFactory) {
  SetDbLayerFactory(MakeFakeDb);
  view->CreateDbLayer("\\DB\\Global.ndb", nullptr, nullptr);
  ASSERT_NE(view->dbLayer, nullptr);
  EXPECT_STREQ(view->dbLayer->path, "\\DB\\Global.ndb");
  EXPECT_EQ(view->SetDbPointsMode(1), 1);
  EXPECT_EQ(FakeDb::loads, 1);
  EXPECT_EQ(view->SetDbPointsMode(1), 0);  // unchanged
  FakeDb::result = 2;
  EXPECT_EQ(view->SetDbPointsMode(2), 0);  // the load failed
  EXPECT_EQ(view->SetDbPointsMode(0), 1);
  EXPECT_EQ(FakeDb::frees, 1);
  SetDbLayerFactory(nullptr);
}

TEST_F(MapListTest, StartupResourcesAndLibraries) {
  // No palette file: 6, and the library folder is set all the same.
  harness::AnswerMessageBox(L"", IDOK);
  EXPECT_EQ(view->LoadStartupResources("\\", nullptr), 6);
  ASSERT_FALSE(harness::MessageBoxes().empty());
  EXPECT_EQ(harness::MessageBoxes().back().text, g_Lang.GetText(100008));
  EXPECT_EQ(harness::MessageBoxes().back().caption, L"");
  ASSERT_TRUE(sample::SaveBytes(Host("\\Obj\\Vorna.rgb"), sample::PaletteBytes(sample::DemoPalette())));
  EXPECT_EQ(view->LoadStartupResources("\\", nullptr), 0);
  view->AddVectorMap("\\Maps\\a.mdm", 0);
  EXPECT_EQ(view->LoadVectorMapObjects(0), 0);
  EXPECT_NE(view->GetVectorMap(0)->library, nullptr);
  EXPECT_EQ(view->SetMapLibrary(0, "Nowhere"), 0);
  EXPECT_EQ(view->SetMapLibrary(0, "Demo"), 1);
  EXPECT_EQ(view->SetMapLibrary(4, "Demo"), 1);
  EXPECT_EQ(view->CreateVectorMap(nullptr, "Demo"), nullptr);
  EXPECT_EQ(view->GetVectorMapCount(), 1);
  TMdmMap* m = view->CreateVectorMap("\\Maps\\new.mdm", "Demo");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(view->GetVectorMapCount(), 2);
  EXPECT_NE(m->library, nullptr);
}

// A found object shown from two views whose origins lie a fraction of a pixel apart (where a
// followed walk left the map) gives the same view: the object's picture does not move a pixel.
TEST_F(MapListTest, AFoundObjectIsShownAlikeWhereverTheMapStood) {
  WriteMap("\\Maps\\a.mdm", MapAt(6180000, 7400000));
  ASSERT_EQ(view->AddVectorMap("\\Maps\\a.mdm", 0), 0);
  view->viewRect = {0, 0, 240, 294};
  view->pixelsPerMetre = 0.452830189;  // 1:10 000
  double origins[2][2];
  for (int from = 0; from < 2; ++from) {
    // 0.3 and 0.8 of a pixel off the whole-metre grid, far from the object.
    view->originX = 6170000.0 + (0.3 + 0.5 * from) / view->pixelsPerMetre;
    view->originY = 7390000.0 + (0.3 + 0.5 * from) / view->pixelsPerMetre;
    ASSERT_EQ(view->SelectObjectInMap("a", 3), 1);
    origins[from][0] = view->originX;
    origins[from][1] = view->originY;
  }
  EXPECT_EQ(origins[0][0], origins[1][0]);
  EXPECT_EQ(origins[0][1], origins[1][1]);
  // And the object's centre is the view's centre pixel: 120 across, 147 down.
  double x, y;
  ASSERT_EQ(view->GetObjectCenter(3, &x, &y), 1);
  int32_t sx, sy;
  view->PlaneToScreen(x, y, &sx, &sy, 0);
  EXPECT_NEAR(sx, 120, 1);
  EXPECT_NEAR(sy, 147, 1);
}
