// The demo town: an invented small town of about 2.2 x 1.3 km at 55.74-55.76 N, 37.60-37.62 E
// (Gauss-Kruger zone 7), drawn as three vector maps over one object library and one palette.
//
// The town is laid out on the grid of the address tables and the road graph: grid coordinates
// (u, v) count steps of 0.005 degrees of latitude north and of longitude east from 55.74 N,
// 37.60 E, the origin of the tables. The east-west streets run along u = 0.5, 1.5, 2.5, 3.5 and
// the north-south streets along v = 0.5, 1.5, 2.5, 3.5, so the table's school at (1, 1) and
// shop at (2, 1) stand in the middle of their blocks. Every grid point is taken to the plane
// with the program's own geodesy, so the tables' geodetic points land on the drawn streets.
//
// Everything is generated from a fixed seed: the same build draws the same town.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"

namespace sample {

// Type codes of the town library (class << 3 | kind). Class 1 of points is not used: a point of
// code 9 is never drawn.
enum : uint16_t {
  kTownChurch = 2 << 3 | 1,
  kTownSchool = 3 << 3 | 1,
  kTownShop = 4 << 3 | 1,
  kTownFuel = 5 << 3 | 1,
  kTownPost = 6 << 3 | 1,
  kTownHospital = 7 << 3 | 1,
  kTownStation = 8 << 3 | 1,
  kTownMonument = 9 << 3 | 1,
  kTownTree = 10 << 3 | 1,
  kTownMainStreet = 1 << 3 | 2,  // compound: yellow with a grey casing
  kTownStreet = 2 << 3 | 2,      // compound: white with a grey casing
  kTownFootpath = 3 << 3 | 2,    // simple dashed
  kTownRailway = 4 << 3 | 2,     // compound: black with white dashes inside
  kTownLane = 5 << 3 | 2,        // simple solid, 0.4 mm
  kTownArea = 1 << 3 | 3,        // beige, dashed boundary
  kTownWater = 2 << 3 | 3,
  kTownPark = 3 << 3 | 3,
  kTownBuilding = 4 << 3 | 3,
  kTownPublic = 5 << 3 | 3,      // public buildings
  kTownStreetName = 1 << 3 | 4,
  kTownName = 2 << 3 | 4,
  kTownWaterName = 3 << 3 | 4,
  kTownHouseNumber = 4 << 3 | 4,
  kTownPoiLabel = 5 << 3 | 4,
};

// Attribute tags of the town's field lists (9 is the object's text).
enum : uint16_t {
  kTagName = 9,
  kTagPoiKind = 20,   // type 6, value table 1
  kTagPhone = 21,     // type 5
  kTagHours = 22,     // type 5
  kTagSurface = 23,   // type 6, value table 2
  kTagLanes = 24,     // type 0
  kTagHouse = 25,     // type 5
  kTagFloors = 26,    // type 0
  kTagUse = 27,       // type 7, value table 3
};

// The library's name as the maps' headers give it ("\Vorna\Obj\Town.mol").
inline constexpr const char* kTownLibraryName = "Town";

// The shared palette: the 16 colours of DemoPalette (so bitmap symbols, whose pixels are
// nibbles, can use each of them), then the map colours from index 16.
std::vector<uint32_t> DemoTownPalette();
// Version 3, flags 3 (field-list numbers and extra blocks: every point style carries a 24 x 24
// bitmap), packed, no palette section of its own.
MolLibrary DemoTownLibrary();

// The town's street names. The first four are the east-west streets, the streets of city 1 in
// the address tables in their StreetID order; then the north-south streets from the west.
extern const char* const kTownStreetNames[8];
// Which of the first four names each east-west street bears, from the south.
extern const int kTownEastWestNames[4];

// One map of the project with the fields of its project line.
struct DemoTownMap {
  std::string file;        // file name in the project's folder
  int32_t minScale = 0;    // scale denominators, 0 = no limit
  int32_t maxScale = 0;
  std::string scalePairs;  // "threshold:nominal;" x up to 3, empty for none
  MdmSpec plan;
};

// Land (town area, river with its island, park with its pond, railway, names), Streets (the 24
// road segments of the road graph as objects 1 to 24 in the graph's order, the street ends,
// points of interest, street names and labels) and Demo (public buildings as objects 1 to 4,
// houses, house numbers, trees), in drawing order.
std::vector<DemoTownMap> DemoTownMaps();

// A numbered house of the Demo map: its object index, the east-west street it stands on (0-3
// from the south), its number and the centre of its footprint in grid coordinates.
struct DemoTownHouse {
  int object;
  int street;
  std::string number;
  double u, v;
};
// The Demo map's numbered houses in object order.
std::vector<DemoTownHouse> DemoTownHouses();

// The geodetic point (radians) of a grid point, as the address tables store it.
void TownToGeo(double u, double v, double* latitude, double* longitude);

// The plane point (metres, X north, Y east with the zone) of a grid point.
void TownToPlane(double u, double v, double* x, double* y);

// The area the project opens on: the town with its river, as plane corners.
void DemoTownExtent(double* x1, double* y1, double* x2, double* y2);

}  // namespace sample
