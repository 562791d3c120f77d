// The demo device read back by the program's own readers: settings, palette, object library,
// the three maps, the project, the address tables, the road graph, the receiver file and the
// NMEA track. Beyond "it loads", each case checks that the pieces fit together: every code a
// map uses has a style, every colour a style uses is in the palette, the tables' school lands
// on the map's school, the graph's roads meet where its links say.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "gps/almanac.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/palette.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "search/db_table.h"
#include "search/route_graph.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/mdm_writer.h"
#include "view/frame_draw.h"
#include "view/map_view.h"

namespace {

std::string Host(const std::string& devicePath) {
  return harness::HostPath(std::wstring(devicePath.begin(), devicePath.end()));
}

std::string ReadHost(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DemoDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    const std::string error = sample::WriteDemoDevice(harness::Root(), &summary);
    ASSERT_EQ(error, "");
  }
  void TearDown() override { harness::Stop(); }

  // Loads map `file` of the maps folder with the library bound; false on any failure.
  bool LoadMap(TMdmMap& map, const std::string& file) {
    const std::string path = std::string(sample::kDemoMapFolder) + file;
    if (map.OpenHeader(path.c_str()) != 0 || map.Load() != 0) return false;
    // Everything in memory, as the route service opens a road map.
    map.working = 1;
    map.loadAll = 1;
    return map.BindLibrary(&libraries) == 0;
  }
  void LoadLibrary() {
    ASSERT_EQ(palette.Load(sample::kDemoPalettePath), 0);
    // The program's folder for libraries, spelt as the program spells it.
    libraries.SetFolder("\\Vorna\\obj\\", &palette);
  }

  sample::DemoDeviceSummary summary;
  TPalette palette;
  TObjectLibraryList libraries;
};

TEST_F(DemoDevice, SettingsNameTheFilesThatWereWritten) {
  TIniFile ini;
  ASSERT_EQ(ini.Load(sample::kDemoIniPath), 0);
  char value[256];
  ASSERT_TRUE(ini.GetString("DefaultFile", value));
  EXPECT_STREQ(value, sample::kDemoProjectPath);
  EXPECT_NE(ini.GetInt("SEVELASTPRJ"), 0) << "a 0 would empty DefaultFile at the first exit";
  ASSERT_TRUE(ini.GetString("AlmFile", value));
  EXPECT_TRUE(std::filesystem::exists(Host(value))) << value;
  EXPECT_EQ(ini.GetInt("AlmAutoLoad"), 1);
  // DBGlobal is relative to the program folder "\Vorna\".
  ASSERT_TRUE(ini.GetString("DBGlobal", value));
  EXPECT_TRUE(std::filesystem::exists(Host(std::string("\\Vorna\\") + value))) << value;
  for (const char* table : {"DBCities", "DBStreets", "DBHouses", "DBObjects", "DBObjTypes"}) {
    ASSERT_TRUE(ini.GetString(table, value)) << table;
    EXPECT_TRUE(std::filesystem::exists(Host(value))) << value;
  }
  EXPECT_EQ(ini.GetInt("MapViewFill"), 1);
  // Everything the summary lists exists, and the device holds nothing else.
  size_t files = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(harness::Root()))
    files += e.is_regular_file();
  EXPECT_EQ(files, summary.files.size());
  for (const std::string& f : summary.files) EXPECT_TRUE(std::filesystem::exists(Host(f))) << f;
}

TEST_F(DemoDevice, LibraryHasEveryKindOfStyleAndUsesTheSharedPalette) {
  LoadLibrary();
  EXPECT_EQ(palette.Count(), sample::DemoTownPalette().size());
  TObjectLibrary* lib = libraries.FindByName(sample::kTownLibraryName);
  ASSERT_NE(lib, nullptr) << "load result " << libraries.result;
  EXPECT_EQ(lib->header.version, 3);
  EXPECT_EQ(lib->header.flags & 7, 7) << "field lists, extra blocks, packed";
  EXPECT_FALSE(lib->HasOwnPalette());
  EXPECT_EQ(lib->Palette(), &palette);

  int kinds[5] = {}, bitmaps = 0, compound = 0, dashed = 0, solid = 0;
  for (int i = 0; i < lib->styles.Count(); ++i) {
    const TStyleEntry* s = lib->styles.Entry(i);
    const int kind = s->code & 7;
    ASSERT_GE(kind, 1);
    ASSERT_LE(kind, 4);
    kinds[kind]++;
    EXPECT_FALSE(s->name.empty()) << s->code;
    if (kind == 1) {
      bitmaps += s->extra.size() >= 288;
      const int symbol = s->kind[0] | s->kind[1] << 8;
      EXPECT_NE(lib->symbols.Get(symbol), nullptr) << s->code;
    }
    const uint8_t* line = kind == 2 ? s->kind : kind == 3 ? s->kind + 2 : nullptr;
    if (kind == 3) {
      EXPECT_LT(s->kind[1], palette.Count()) << "fill colour of " << s->code;
    }
    if (line && (line[0] & 0xC0) == 0x80) {
      compound++;
      const auto elements = lib->styles.PatternElements(line[1] | line[2] << 8 | line[3] << 16 |
                                                        uint32_t(line[4]) << 24);
      ASSERT_EQ(elements.size(), size_t(line[0] & 0x3F) * 12) << s->code;
      for (size_t e = 0; e < elements.size(); e += 12)
        EXPECT_LT(elements[e + 1], palette.Count()) << "element colour of " << s->code;
    } else if (line && !(line[0] & 0x80)) {
      (line[0] & 0x3F ? dashed : solid)++;
      EXPECT_LT(line[2], palette.Count()) << "pen colour of " << s->code;
    }
    if (kind == 4) {
      EXPECT_NE(lib->fonts.FindFont(s->kind[2]), nullptr);
    }
  }
  EXPECT_GE(kinds[1], 8);
  EXPECT_GE(kinds[2], 4);
  EXPECT_GE(kinds[3], 4);
  EXPECT_GE(kinds[4], 4);
  EXPECT_EQ(bitmaps, kinds[1]) << "every point style has its 24 x 24 list picture";
  EXPECT_GE(compound, 3);
  EXPECT_GE(dashed, 1);
  EXPECT_GE(solid, 1);
  EXPECT_EQ(lib->fonts.Count(), 3);

  // The POI field list names a value table that exists and holds the kinds the map uses.
  const TFieldList* fields = lib->GetFields(sample::kTownSchool);
  ASSERT_NE(fields, nullptr);
  bool sawKind = false;
  for (const TFieldItem& f : fields->items) {
    if (f.type != 6 && f.type != 7) continue;
    sawKind = true;
    const TValueList* table = lib->valueTables.FindByCode(f.valueTable);
    ASSERT_NE(table, nullptr) << f.name;
    EXPECT_STREQ(TValueTable::GetText(table, 1), "school");
  }
  EXPECT_TRUE(sawKind);
}

TEST_F(DemoDevice, MapsLoadWithTheirGroupsStylesAndNames) {
  LoadLibrary();
  std::set<uint16_t> libraryCodes;
  const auto maps = sample::DemoTownMaps();
  ASSERT_EQ(maps.size(), 3u);
  int objects = 0;
  for (const sample::DemoTownMap& plan : maps) {
    SCOPED_TRACE(plan.file);
    TMdmMap map;
    ASSERT_TRUE(LoadMap(map, plan.file));
    ASSERT_EQ(map.count, int32_t(plan.plan.objects.size()) + 1);
    objects += map.count - 1;
    EXPECT_STREQ(map.libraryName, sample::kTownLibraryName);
    EXPECT_EQ(map.zone, 7);
    EXPECT_EQ(map.UnitExponent(), 1);
    const double width = (map.HeaderFrame(3) - map.HeaderFrame(0)) * 100;
    const double height = (map.HeaderFrame(4) - map.HeaderFrame(1)) * 100;
    ASSERT_EQ(map.LoadVisibleObjects(), 0) << "every object's geometry and attributes read";
    for (int i = 1; i < map.count; ++i) {
      const TMapObject& o = map.objects[i];
      EXPECT_NE(map.GetLibrary()->styles.FindStyle(o.code), nullptr) << "code " << o.code;
      EXPECT_NE(o.code, 9) << "a point of code 9 is never drawn";
      for (int k = 0; k < 4; ++k) {
        EXPECT_GE(o.box[k], 0);
        EXPECT_LE(o.box[k], (k % 2 ? height : width));
      }
      if (o.kind == 3) {
        ASSERT_GE(o.vertexCount, 4);
        EXPECT_EQ(o.vertices[0].x, o.vertices[o.vertexCount - 1].x) << "rings are closed";
        EXPECT_EQ(o.vertices[0].y, o.vertices[o.vertexCount - 1].y);
      }
      if (o.kind == 4) {
        ASSERT_NE(o.name, nullptr) << "text " << i;
        EXPECT_NE(o.name[0], L'\0');
      }
    }
  }
  EXPECT_EQ(objects, summary.objects);

  // The river's island and the park's pond are holes: members of their heads' groups.
  TMdmMap land;
  ASSERT_TRUE(LoadMap(land, "Land.mdm"));
  ASSERT_EQ(land.LoadVisibleObjects(), 0);
  int heads = 0, members = 0;
  for (int i = 1; i < land.count; ++i) {
    const TMapObject& o = land.objects[i];
    if (o.flags & TMapObject::kGroupHead) heads++;
    if (o.flags & TMapObject::kGroupMember) {
      members++;
      EXPECT_EQ(o.groupHead, i - 1);
      EXPECT_EQ(land.objects[o.groupHead].code, o.code);
    }
  }
  EXPECT_EQ(heads, 2);
  EXPECT_EQ(members, 2);
  char name[256];
  ASSERT_EQ(land.GetStrAttr(2, sample::kTagName, name), 1);
  EXPECT_STREQ(name, "Vorna River");
}

TEST_F(DemoDevice, ProjectOpensTheThreeMapsWithTheirScaleRanges) {
  ASSERT_EQ(g_MapView.LoadStartupResources("\\Vorna\\", nullptr), 0);
  ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, nullptr, 0), 0);
  ASSERT_EQ(g_MapView.GetVectorMapCount(), 3);
  const auto maps = sample::DemoTownMaps();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(maps[size_t(i)].file);
    const TVectorMapSlot* slot = g_MapView.GetVectorSlot(i);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->minScale, maps[size_t(i)].minScale);
    EXPECT_EQ(slot->maxScale, maps[size_t(i)].maxScale);
    EXPECT_GE(slot->map->scalePairCount, 1);
    ASSERT_EQ(g_MapView.LoadVectorMapObjects(i), 0);
    EXPECT_NE(slot->map->GetLibrary(), nullptr);
  }
  EXPECT_EQ(g_MapView.zone, 7);
  double x1, y1, x2, y2;
  sample::DemoTownExtent(&x1, &y1, &x2, &y2);
  // The corners come back in single precision: within a metre at these magnitudes.
  EXPECT_NEAR(g_MapView.extent[0], x1, 1.0);
  EXPECT_NEAR(g_MapView.extent[4], y2, 1.0);
  // Only the houses map has an upper limit: at 1:50000 the town shows without them.
  EXPECT_EQ(g_MapView.GetVectorSlot(2)->map->scalePairs[0].threshold, 3000);
  EXPECT_EQ(g_MapView.GetVectorSlot(2)->map->scalePairs[0].scale, 2000);
  g_MapView.CloseAllMaps();
}

TEST_F(DemoDevice, AddressTablesPointAtTheDrawnTown) {
  TDbTable streets, objects;
  ASSERT_EQ(streets.Load("\\Vorna\\DB\\Streets.ndb"), kDbOk);
  ASSERT_EQ(objects.Load("\\Vorna\\DB\\Objects.ndb"), kDbOk);
  for (const char* t : {"Cities", "Houses", "Lists", "ObjTypes", "States", "Regions", "Global"}) {
    TDbTable table;
    EXPECT_EQ(table.Load((std::string("\\Vorna\\DB\\") + t + ".ndb").c_str()), kDbOk) << t;
  }
  // The streets of city 1 are the map's east-west streets, by StreetID, and the map's streets
  // bear those names.
  std::set<std::string> drawn;
  {
    LoadLibrary();
    TMdmMap map;
    ASSERT_TRUE(LoadMap(map, "Streets.mdm"));
    ASSERT_EQ(map.LoadVisibleObjects(), 0);
    char text[256];
    for (int i = 1; i < map.count; ++i)
      if (map.objects[i].kind == 2 && map.GetStrAttr(uint16_t(i), sample::kTagName, text)) drawn.insert(text);
  }
  const uint8_t city = streets.GetColumnIndex("CityID"), id = streets.GetColumnIndex("StreetID"),
                name = streets.GetColumnIndex("Name");
  int matched = 0;
  for (uint32_t r = 0; r < streets.rows; ++r) {
    double c = 0, s = 0;
    ASSERT_TRUE(streets.GetNumber(r, city, &c) && streets.GetNumber(r, id, &s));
    if (c != 1) continue;
    EXPECT_STREQ(streets.GetText(r, name), sample::kTownStreetNames[int(s) - 1]);
    EXPECT_TRUE(drawn.count(streets.GetText(r, name))) << streets.GetText(r, name);
    matched++;
  }
  EXPECT_EQ(matched, 4);

  // The tables' school, taken to the plane as the program takes it, is the map's school point.
  ASSERT_EQ(g_MapView.LoadStartupResources("\\Vorna\\", nullptr), 0);
  ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, nullptr, 0), 0);
  ASSERT_EQ(g_MapView.LoadVectorMapObjects(1), 0);
  TMdmMap* demo = g_MapView.GetVectorMap(1);
  const uint8_t oname = objects.GetColumnIndex("Name"), ox = objects.GetColumnIndex("X1"),
                oy = objects.GetColumnIndex("Y1");
  double lat = 0, lon = 0;
  ASSERT_STREQ(objects.GetText(0, oname), "School No 1");
  ASSERT_TRUE(objects.GetNumber(0, ox, &lat) && objects.GetNumber(0, oy, &lon));
  double x, y;
  g_MapView.GeoToPlane(lat, lon, &x, &y);
  bool found = false;
  for (int i = 1; i < demo->count; ++i) {
    if (demo->objects[i].code != sample::kTownSchool) continue;
    double px, py;
    demo->MapToPlane(demo->objects[i].box[0], demo->objects[i].box[1], &px, &py);
    EXPECT_NEAR(px, x, 1.0);
    EXPECT_NEAR(py, y, 1.0);
    found = true;
  }
  EXPECT_TRUE(found);

  // Every house and object names a building of the Demo map ("Lists" row 1); a house's X1/Y1 is
  // the centre of its footprint, an object's lies within 60 m of its building.
  TDbTable houses, lists;
  ASSERT_EQ(houses.Load("\\Vorna\\DB\\Houses.ndb"), kDbOk);
  ASSERT_EQ(lists.Load("\\Vorna\\DB\\Lists.ndb"), kDbOk);
  ASSERT_STREQ(lists.GetText(0, lists.GetColumnIndex("Name")), "Demo");
  ASSERT_EQ(g_MapView.LoadVectorMapObjects(2), 0);
  TMdmMap* buildings = g_MapView.FindVectorMapByPath("Demo");
  ASSERT_NE(buildings, nullptr);
  buildings->loadAll = 1;
  ASSERT_EQ(buildings->LoadVisibleObjects(), 0);
  auto checkRows = [&](const TDbTable& t, double tolerance, uint16_t code) {
    int checked = 0;
    for (uint32_t r = 0; r < t.rows; ++r) {
      double list = 0, offs = 0, la = 0, lo = 0;
      ASSERT_TRUE(t.GetNumber(r, t.GetColumnIndex("ListID"), &list) && t.GetNumber(r, t.GetColumnIndex("OFFS"), &offs) &&
                  t.GetNumber(r, t.GetColumnIndex("X1"), &la) && t.GetNumber(r, t.GetColumnIndex("Y1"), &lo));
      EXPECT_EQ(list, 1);
      ASSERT_GT(offs, 0);
      ASSERT_LT(offs, buildings->count);
      const TMapObject& o = buildings->objects[int(offs)];
      EXPECT_EQ(o.code, code) << "row " << r;
      double x1, y1, x2, y2, px, py;
      buildings->MapToPlane(o.box[0], o.box[1], &x1, &y1);
      buildings->MapToPlane(o.box[2], o.box[3], &x2, &y2);
      ASSERT_TRUE(g_MapView.GeoToPlane(la, lo, &px, &py));
      EXPECT_NEAR(px, (x1 + x2) / 2, tolerance) << "row " << r;
      EXPECT_NEAR(py, (y1 + y2) / 2, tolerance) << "row " << r;
      checked++;
    }
    EXPECT_GT(checked, 2);
  };
  checkRows(houses, 1.0, sample::kTownBuilding);
  checkRows(objects, 60.0, sample::kTownPublic);
  // House numbers are right-aligned in three characters.
  for (uint32_t r = 0; r < houses.rows; ++r) EXPECT_EQ(std::strlen(houses.GetText(r, houses.GetColumnIndex("Name"))), 3u);
  g_MapView.CloseAllMaps();
}

TEST_F(DemoDevice, RoadGraphNodesAreStreetsThatMeetWhereLinked) {
  TRouteGraph graph;
  ASSERT_GT(graph.Open(sample::kDemoGraphPath), 4);
  ASSERT_EQ(graph.NodeCount(), 40u);
  LoadLibrary();
  TMdmMap streets;
  ASSERT_TRUE(LoadMap(streets, "Streets.mdm"));
  ASSERT_EQ(streets.LoadVisibleObjects(), 0);
  auto ends = [&](uint32_t node) {
    const int32_t id = graph.GetNodeId(int32_t(node));
    EXPECT_GT(id, 0);
    EXPECT_LT(id, streets.count);
    if (id <= 0 || id >= streets.count) return std::vector<TMapPoint>{};
    const TMapObject& o = streets.objects[id];
    EXPECT_EQ(o.kind, 2) << "node " << node << " is object " << id;
    if (o.vertexCount < 2) return std::vector<TMapPoint>{};
    return std::vector<TMapPoint>{o.vertices[0], o.vertices[o.vertexCount - 1]};
  };
  for (uint32_t n = 0; n < graph.NodeCount(); ++n) {
    const auto mine = ends(n);
    ASSERT_EQ(mine.size(), 2u) << "node " << n;
    for (const TRouteLink& l : graph.OutLinks(n)) {
      const auto theirs = ends(l.node);
      ASSERT_EQ(theirs.size(), 2u) << "node " << l.node;
      // An out link leaves from this road's far end.
      const bool meets = (theirs[0].x == mine[1].x && theirs[0].y == mine[1].y) ||
                         (theirs[1].x == mine[1].x && theirs[1].y == mine[1].y);
      EXPECT_TRUE(meets) << "node " << n << " -> " << l.node;
    }
  }
  // A route leads from every street to every other one, one-way streets and all.
  int oneWay = 0;
  for (uint32_t n = 0; n < graph.NodeCount(); ++n) oneWay += graph.FlagA(n) || graph.FlagB(n);
  EXPECT_EQ(oneWay, 2);
  std::vector<int32_t> path;
  for (int32_t a = 0; a < int32_t(graph.NodeCount()); ++a)
    for (int32_t b = 0; b < int32_t(graph.NodeCount()); ++b)
      EXPECT_TRUE(graph.FindPath(a, 1, b, 1, &path)) << a << " -> " << b;
}

TEST_F(DemoDevice, ReceiverFileAndTrackAreReadable) {
  TAlmanac almanac;
  ASSERT_EQ(almanac.Load(sample::kDemoReceiverPath), 1);
  EXPECT_TRUE(almanac.IsLoaded());

  const std::string track = ReadHost(Host(sample::kDemoTrackPath));
  ASSERT_FALSE(track.empty());
  // Every line is "$...*HH" with a right checksum and a CR LF, and the ride stays in the town.
  size_t at = 0, lines = 0;
  while (at < track.size()) {
    const size_t end = track.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = track.substr(at, end - at);
    ASSERT_GE(line.size(), 4u);
    ASSERT_EQ(line[0], '$');
    const size_t star = line.rfind('*');
    ASSERT_NE(star, std::string::npos);
    uint8_t sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= uint8_t(line[i]);
    EXPECT_EQ(std::strtol(line.substr(star + 1).c_str(), nullptr, 16), sum) << line;
    if (line.rfind("$GPRMC", 0) == 0) {
      // Latitude "ddmm.mmmm" and longitude "dddmm.mmmm": the ring of streets lies between
      // 55 deg 44.5' and 55 deg 45.2' N, 37 deg 36.1' and 37 deg 36.8' E.
      double lat = 0, lon = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "$GPRMC,%*[^,],A,%lf,N,%lf,E", &lat, &lon), 2) << line;
      EXPECT_GE(lat, 5544.5);
      EXPECT_LE(lat, 5545.2);
      EXPECT_GE(lon, 3736.1);
      EXPECT_LE(lon, 3736.8);
    }
    at = end + 2;
    lines++;
  }
  EXPECT_GT(lines, 1000u);
}

TEST_F(DemoDevice, WritingTwiceGivesTheSameBytes) {
  const std::string first = ReadHost(Host(std::string(sample::kDemoMapFolder) + "Demo.mdm"));
  const std::string library = ReadHost(Host(sample::kDemoLibraryPath));
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  EXPECT_EQ(ReadHost(Host(std::string(sample::kDemoMapFolder) + "Demo.mdm")), first);
  EXPECT_EQ(ReadHost(Host(sample::kDemoLibraryPath)), library);
}

TEST(DemoDeviceFolder, MissingFolderIsMadeAndABlockedOneIsNamed) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("vorna-demo-" + std::to_string(::getpid()));
  std::filesystem::remove_all(base);
  // A missing folder, two levels deep, is made.
  EXPECT_EQ(sample::WriteDemoDevice((base / "a" / "device").string()), "");
  EXPECT_TRUE(std::filesystem::exists(base / "a" / "device" / "Vorna" / "Vorna.ini"));
  // A file where the folder should be: a message that names it, nothing written.
  { std::ofstream(base / "file") << "x"; }
  const std::string error = sample::WriteDemoDevice((base / "file").string());
  EXPECT_NE(error.find((base / "file").string()), std::string::npos) << error;
  EXPECT_EQ(sample::WriteDemoDevice(""), "no device folder given");
  std::filesystem::remove_all(base);
}

}  // namespace

// ---- the town drawn ----

namespace {

struct Frame {
  std::vector<COLORREF> pixels;
  int Count(COLORREF c) const { return int(std::count(pixels.begin(), pixels.end(), c)); }
};

// One frame of the map area (240 x 294) as the program draws it, the nominal scales chosen for
// the view scale first (the main window does that when the scale changes).
Frame DrawTown(TMapView& view, const char* picture) {
  for (int i = 0; i < view.GetVectorMapCount(); ++i)
    view.GetVectorMap(i)->SelectNominalScale(view.scale);
  HDC dc = GetDC(nullptr);
  RECT all{0, 0, 240, 320};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  PrepareFrame(view, 0, 0, 240, 294);
  DrawLayers(view, dc);
  Frame f;
  for (int y = 0; y < 294; ++y)
    for (int x = 0; x < 240; ++x) f.pixels.push_back(GetPixel(dc, x, y));
  ReleaseDC(nullptr, dc);
  harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/" + picture);
  return f;
}

}  // namespace

TEST_F(DemoDevice, TownIsDrawnAtTheFittedScaleAndAtTenThousand) {
  ASSERT_EQ(g_MapView.LoadStartupResources("\\Vorna\\", nullptr), 0);
  g_MapView.ReadScreenResolution(nullptr);
  InstallMapDrawing(g_MapView);
  ASSERT_EQ(g_MapView.OpenProject(sample::kDemoProjectPath, nullptr, 0), 0);
  const std::vector<uint32_t> palette = sample::DemoTownPalette();
  const COLORREF beige = palette[16], water = palette[17], house = palette[20];

  // The first frame fits the project's extent: town and river, no houses (out of their range
  // or below the level of detail).
  const Frame fitted = DrawTown(g_MapView, "demo_fitted.png");
  EXPECT_GE(g_MapView.scale, 10000);
  EXPECT_GT(fitted.Count(beige), 240 * 294 / 4) << "the town fills the view";
  EXPECT_GT(fitted.Count(water), 500) << "the river";

  // 1:10000 on the town centre: houses, streets and the park.
  double x, y;
  sample::TownToPlane(2.0, 2.0, &x, &y);
  g_MapView.SetScale(10000);
  g_MapView.CenterOn(x, y, 0);
  const Frame close = DrawTown(g_MapView, "demo_10000.png");
  EXPECT_EQ(g_MapView.scale, 10000);
  EXPECT_GT(close.Count(house), 300) << "houses";
  EXPECT_GT(close.Count(RGB(255, 255, 255)), 300) << "white streets";
  g_MapView.CloseAllMaps();
}
