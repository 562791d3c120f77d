#include "tools/sampledata/demo_town.h"

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "geodesy/ellipsoid.h"
#include "geodesy/geodesy.h"
#include "tools/sampledata/mvw_writer.h"
#include "tools/sampledata/render_fixture.h"

namespace sample {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
// The origin and step of the address tables' grid, degrees.
constexpr double kLat0 = 55.74, kLon0 = 37.60, kStep = 0.005;
// Metres of one grid step near the town: 0.005 deg of latitude, and of longitude at 55.75 N.
// Only used to size houses and offsets, so the spherical figures are close enough.
constexpr double kMetresPerU = 556.6, kMetresPerV = 313.2;
// Zone 7: central meridian 39 E.
constexpr double kCentralMeridian = 39.0;
// Map units are centimetres (unit exponent 1).
constexpr double kUnitsPerMetre = 100.0;

// Palette indexes past the 16 of DemoPalette.
enum : uint8_t {
  kBlack = 0, kRed = 1, kBlue = 2, kGreen = 3, kYellow = 4, kWhite = 7, kGrey = 8,
  kDarkRed = 9, kNavy = 10, kDarkGreen = 11, kOlive = 12, kPurple = 13, kSilver = 15,
  kBeige = 16, kWater = 17, kWaterEdge = 18, kParkGreen = 19, kHouse = 20, kHouseEdge = 21,
  kMainFill = 22, kCasing = 23, kInk = 24, kTreeGreen = 25, kPublicFill = 26,
};

struct UV {
  double u, v;
};

UV Offset(UV p, double northMetres, double eastMetres) {
  return {p.u + northMetres / kMetresPerU, p.v + eastMetres / kMetresPerV};
}

// The frame shared by the three maps: grid (-1, -1) to (5, 5.5), widened to whole 100 m.
struct Frame {
  double x1, y1, x2, y2;
};

Frame TownFrame() {
  double xs[4], ys[4];
  TownToPlane(-1, -1, &xs[0], &ys[0]);
  TownToPlane(-1, 5.5, &xs[1], &ys[1]);
  TownToPlane(5, -1, &xs[2], &ys[2]);
  TownToPlane(5, 5.5, &xs[3], &ys[3]);
  Frame f{xs[0], ys[0], xs[0], ys[0]};
  for (int i = 1; i < 4; ++i) {
    f.x1 = std::min(f.x1, xs[i]);
    f.y1 = std::min(f.y1, ys[i]);
    f.x2 = std::max(f.x2, xs[i]);
    f.y2 = std::max(f.y2, ys[i]);
  }
  f.x1 = std::floor(f.x1 / 100) * 100;
  f.y1 = std::floor(f.y1 / 100) * 100;
  f.x2 = std::ceil(f.x2 / 100) * 100;
  f.y2 = std::ceil(f.y2 / 100) * 100;
  return f;
}

class MapMaker {
 public:
  MapMaker(const Frame& frame, const char* name, uint32_t nominal) {
    plan.version = 3;
    plan.unitExponent = 1;
    plan.scale = nominal;
    plan.x1 = frame.x1;
    plan.y1 = frame.y1;
    plan.x2 = frame.x2;
    plan.y2 = frame.y2;
    plan.library = kTownLibraryName;
    AttrText(plan.extraHeaderList, kTagName, name);
  }

  std::pair<int32_t, int32_t> At(UV p) const {
    double x, y;
    TownToPlane(p.u, p.v, &x, &y);
    return {int32_t(std::lround((x - plan.x1) * kUnitsPerMetre)),
            int32_t(std::lround((y - plan.y1) * kUnitsPerMetre))};
  }

  MdmObject& Shape(uint16_t code, const std::vector<UV>& points) {
    std::vector<std::pair<int32_t, int32_t>> v;
    v.reserve(points.size());
    for (UV p : points) v.push_back(At(p));
    plan.objects.push_back(MdmShape(code, std::move(v)));
    return plan.objects.back();
  }
  // A closed ring: the first point repeated at the end.
  MdmObject& Ring(uint16_t code, std::vector<UV> points) {
    points.push_back(points.front());
    return Shape(code, points);
  }
  MdmObject& Point(uint16_t code, UV p) {
    const auto [x, y] = At(p);
    plan.objects.push_back(MdmPoint(code, x, y));
    return plan.objects.back();
  }
  // A text: alignment bits 0-1, layout mode bits 2-4.
  MdmObject& Text(uint16_t code, const std::string& text, uint8_t mode, uint8_t align,
                  const std::vector<UV>& points) {
    MdmObject& o = Shape(code, points);
    AttrText(o.attrs, kTagName, text);
    o.placement = uint8_t(mode << 2 | align);
    return o;
  }

  MdmSpec plan;
};

// Attribute items the sample writer has no helper for: a value-table index (type 6) and a byte.
void AttrIndex(Bytes& list, uint16_t tag, uint16_t value) {
  const uint16_t header = uint16_t(tag << 3 | 6);
  list.insert(list.end(), {uint8_t(header), uint8_t(header >> 8), uint8_t(value),
                           uint8_t(value >> 8)});
}
void AttrByte(Bytes& list, uint16_t tag, uint8_t value) {
  const uint16_t header = uint16_t(tag << 3 | 0);
  list.insert(list.end(), {uint8_t(header), uint8_t(header >> 8), value});
}

// An ellipse of n points round c, semi-axes in grid units.
std::vector<UV> Ellipse(UV c, double au, double av, int n, double wobble = 0) {
  std::vector<UV> out;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * std::numbers::pi * i / n;
    const double r = 1 + wobble * std::sin(3 * a);
    out.push_back({c.u + au * r * std::sin(a), c.v + av * r * std::cos(a)});
  }
  return out;
}

// A house of `along` x `deep` metres: on an east-west street its front runs east from `front`;
// on a north-south street it runs north. `side` +1 puts it north (or east) of the front line.
std::vector<UV> House(UV front, double along, double deep, bool eastWest, int side) {
  if (eastWest) {
    return {front, Offset(front, 0, along), Offset(front, side * deep, along),
            Offset(front, side * deep, 0)};
  }
  return {front, Offset(front, along, 0), Offset(front, along, side * deep),
          Offset(front, 0, side * deep)};
}

// The river's banks at latitude step u, as longitude steps: a gentle meander east of the town.
double WestBank(double u) { return 4.05 + 0.08 * std::sin(u * 1.3); }
double EastBank(double u) { return 4.55 + 0.08 * std::sin(u * 1.3 + 0.5); }

// Blocks between the streets, as grid ranges (the town ends at 0 and 3.95 east, 4 north).
constexpr double kStreetLines[] = {0.5, 1.5, 2.5, 3.5};
bool InPark(UV p) { return p.u > 2.5 && p.u < 3.5 && p.v > 2.5 && p.v < 3.5; }
bool AtStation(UV p) { return p.u < 0.5 && p.v > 1.35 && p.v < 2.15; }

MdmSpec LandMap(const Frame& frame) {
  MapMaker m(frame, "Vorna land", 25000);
  // The town area first, so everything else is drawn over it.
  m.Ring(kTownArea, {{-0.15, -0.2}, {4.15, -0.2}, {4.15, 3.97}, {-0.15, 3.97}});
  // The river with its island: the island is a member of the river's group, so it is cut out.
  std::vector<UV> river;
  for (double u = -1.0; u <= 5.001; u += 0.25) river.push_back({u, WestBank(u)});
  for (double u = 5.0; u >= -1.001; u -= 0.25) river.push_back({u, EastBank(u)});
  AttrText(m.Ring(kTownWater, river).attrs, kTagName, "Vorna River");
  MdmObject& island = m.Ring(kTownWater, Ellipse({2.0, 4.31}, 0.25, 0.09, 18, 0.08));
  island.entryFlags = 0x40 | 0x10;  // opens the group headed by the river and closes it
  // The park, with its pond cut out the same way and then filled with water of its own.
  const std::vector<UV> pond = Ellipse({3.02, 3.0}, 0.09, 0.14, 16, 0.1);
  AttrText(m.Ring(kTownPark, {{2.54, 2.55}, {3.46, 2.55}, {3.46, 3.45}, {2.54, 3.45}}).attrs,
           kTagName, "Town Park");
  m.Ring(kTownPark, pond).entryFlags = 0x40 | 0x10;
  m.Ring(kTownWater, pond);
  // Paths through the park.
  m.Shape(kTownFootpath, {{2.55, 2.7}, {2.8, 2.8}, {2.92, 2.88}});
  m.Shape(kTownFootpath, {{3.12, 3.1}, {3.3, 3.25}, {3.45, 3.3}});
  m.Shape(kTownFootpath, {{2.55, 3.4}, {2.85, 3.2}, {2.95, 3.12}});
  // The railway along the south edge, over the river on a bridge that the map does not show.
  m.Shape(kTownRailway, {{0.12, -1.0}, {0.12, 1.0}, {0.13, 3.0}, {0.15, 5.5}});
  m.Text(kTownWaterName, "Vorna River", 0, 1, {{0.7, 4.3}, {1.2, 4.33}, {1.6, 4.3}});
  m.Text(kTownName, "VORNA", 0, 1, {{2.18, 1.62}});
  return m.plan;
}

struct Poi {
  uint16_t code;
  UV at;
  const char* name;
  uint16_t kind;  // value of table 1
  const char* phone;
  const char* hours;
};

const char* StreetName(bool eastWest, int n) {
  return kTownStreetNames[eastWest ? kTownEastWestNames[n] : 4 + n];
}

MdmSpec StreetsMap(const Frame& frame) {
  MapMaker m(frame, "Vorna streets", 25000);
  // The road graph's segments in its order: for each row y (south to north) and column x (west
  // to east) of the 4 x 4 junctions, the segment east from the junction, then the one north. A
  // node's id is the index of its line object, so segment i is object i + 1.
  auto junction = [](int x, int y) { return UV{kStreetLines[y], kStreetLines[x]}; };
  auto street = [&](bool eastWest, int n, std::vector<UV> points) -> MdmObject& {
    const bool main = n == 1;  // Main Street and Market Street, the second from south and west
    MdmObject& o = m.Shape(main ? kTownMainStreet : kTownStreet, points);
    AttrText(o.attrs, kTagName, StreetName(eastWest, n));
    AttrIndex(o.attrs, kTagSurface, main ? 1 : (n == 3 ? 2 : 1));
    AttrByte(o.attrs, kTagLanes, main ? 4 : 2);
    return o;
  };
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (x + 1 < 4) street(true, y, {junction(x, y), junction(x + 1, y)});
      if (y + 1 < 4) street(false, x, {junction(x, y), junction(x, y + 1)});
    }
  }
  // The street ends out to the town's edge and the river bank; they are not in the road graph.
  for (int n = 0; n < 4; ++n) {
    const double at = kStreetLines[n];
    street(true, n, {{at, 0.0}, {at, 0.5}});
    street(true, n, {{at, 3.5}, {at, WestBank(at) - 0.06}});
    street(false, n, {{0.27, at}, {0.5, at}});
    street(false, n, {{3.5, at}, {4.05, at}});
  }
  // Points of interest with their labels. The first two stand where the address tables put the
  // school and the shop.
  const Poi pois[] = {
      {kTownSchool, {1.0, 1.0}, "School No 1", 1, "100-200", "8-17"},
      {kTownShop, {2.0, 1.0}, "Corner Shop", 2, "", "9-21"},
      {kTownChurch, {2.0, 2.0}, "St Nicholas", 3, "", ""},
      {kTownPost, {1.0, 2.05}, "Post Office", 4, "100-400", "9-18"},
      {kTownFuel, {0.62, 3.3}, "Fuel South", 5, "100-300", "24 h"},
      {kTownHospital, {3.0, 1.0}, "Hospital", 6, "103", "24 h"},
      {kTownStation, {0.3, 1.75}, "Vorna Station", 7, "100-500", "5-24"},
      {kTownMonument, {2.0, 4.31}, "Founders' Stone", 8, "", ""},
  };
  for (const Poi& p : pois) {
    MdmObject& o = m.Point(p.code, p.at);
    AttrText(o.attrs, kTagName, p.name);
    AttrIndex(o.attrs, kTagPoiKind, p.kind);
    if (*p.phone) AttrText(o.attrs, kTagPhone, p.phone);
    if (*p.hours) AttrText(o.attrs, kTagHours, p.hours);
    m.Text(kTownPoiLabel, p.name, 0, 1, {Offset(p.at, 0, 14)});
  }
  // Lanes in the middle of two blocks.
  m.Shape(kTownLane, {{1.0, 1.5}, {1.0, 2.5}});
  m.Shape(kTownLane, {{3.0, 0.5}, {3.0, 1.5}});
  // Names: two labels along each street, centred on its line.
  for (int n = 0; n < 4; ++n) {
    const double at = kStreetLines[n];
    for (double from : {0.6, 2.6}) {
      m.Text(kTownStreetName, StreetName(true, n), 0, 1, {{at, from}, {at, from + 0.8}});
      m.Text(kTownStreetName, StreetName(false, n), 0, 1,
             {{from + 0.1, at}, {from + 0.7, at}});
    }
  }
  return m.plan;
}


MdmSpec DemoMap(const Frame& frame, std::vector<DemoTownHouse>* numbered = nullptr) {
  MapMaker m(frame, "Vorna buildings", 5000);
  // Objects 1-4: the public buildings (the address tables point at the first three).
  auto publicBuilding = [&](UV centre, double along, double deep, const char* name) {
    MdmObject& o = m.Ring(kTownPublic, House(Offset(centre, -deep / 2, -along / 2), along, deep,
                                             true, 1));
    AttrText(o.attrs, kTagHouse, name);
    AttrByte(o.attrs, kTagFloors, 3);
    AttrText(o.attrs, kTagUse, "2", 7);
  };
  publicBuilding({0.96, 1.0}, 70, 40, "School No 1");
  publicBuilding({1.96, 1.0}, 40, 30, "Corner Shop");
  publicBuilding({1.96, 2.0}, 30, 55, "Church");
  publicBuilding({0.28, 1.75}, 120, 30, "Station");

  // Houses along both sides of every street, from a fixed seed.
  std::mt19937 rng(20131226);
  auto pick = [&rng](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
  for (int n = 0; n < 4; ++n) {
    const double at = kStreetLines[n];
    // East-west street n: blocks between the north-south streets and the town's ends.
    int number[2] = {1, 2};  // odd numbers on the north side, even on the south
    const double ends[] = {0.02, 0.5, 1.5, 2.5, 3.5, 3.9};
    for (int b = 0; b + 1 < 6; ++b) {
      for (int side : {1, -1}) {
        double v = ends[b] + (b ? 26.0 : 6.0) / kMetresPerV;
        const double stop = ends[b + 1] - (b < 4 ? 26.0 : 4.0) / kMetresPerV;
        while (true) {
          const double along = pick(18, 34), deep = pick(12, 20);
          if (v + along / kMetresPerV > stop) break;
          const UV front = Offset({at, v}, side * 15.0, 0);
          const UV middle = Offset(front, side * deep / 2, along / 2);
          v += (along + pick(6, 18)) / kMetresPerV;
          if (InPark(middle) || AtStation(middle) || (n == 0 && side < 0 && middle.u < 0.3))
            continue;
          MdmObject& o = m.Ring(kTownBuilding, House(front, along, deep, true, side));
          const std::string house = std::to_string(number[side < 0]);
          // Objects count from 1 (0 is the table's placeholder): this one is the last so far.
          if (numbered) numbered->push_back({int(m.plan.objects.size()), n, house, middle.u, middle.v});
          number[side < 0] += 2;
          AttrText(o.attrs, kTagHouse, house);
          AttrByte(o.attrs, kTagFloors, uint8_t(pick(1, 5)));
          AttrText(o.attrs, kTagUse, pick(0, 4) ? "1" : "1,3", 7);
          m.Text(kTownHouseNumber, house, 0, 1, {Offset(middle, 0, -along / 4)});
        }
      }
    }
    // North-south street n: houses between the corners, without numbers of their own.
    const double rows[] = {0.0, 0.5, 1.5, 2.5, 3.5, 4.0};
    for (int b = 0; b + 1 < 6; ++b) {
      for (int side : {1, -1}) {
        double u = rows[b] + (b ? 60.0 : 40.0) / kMetresPerU;
        const double stop = rows[b + 1] - 60.0 / kMetresPerU;
        while (true) {
          const double along = pick(16, 30), deep = pick(12, 18);
          if (u + along / kMetresPerU > stop) break;
          const UV front = Offset({u, at}, 0, side * 13.0);
          const UV middle = Offset(front, along / 2, side * deep / 2);
          u += (along + pick(6, 16)) / kMetresPerU;
          if (InPark(middle) || AtStation(middle) || middle.v > 3.93) continue;
          MdmObject& o = m.Ring(kTownBuilding, House(front, along, deep, false, side));
          AttrByte(o.attrs, kTagFloors, uint8_t(pick(1, 3)));
          AttrText(o.attrs, kTagUse, "1", 7);
        }
      }
    }
  }

  // Trees in the park.
  for (int i = 0; i < 14; ++i) {
    const UV p{2.6 + 0.8 * (rng() % 1000) / 1000.0, 2.6 + 0.8 * (rng() % 1000) / 1000.0};
    if (std::hypot((p.u - 3.02) / 0.12, (p.v - 3.0) / 0.18) < 1.0) continue;  // not in the pond
    m.Point(kTownTree, p);
  }

  return m.plan;
}

MolStyle Style(uint16_t code, Bytes kind, const std::string& name, uint16_t fieldList,
               Bytes extra = {}) {
  MolStyle s;
  s.code = code;
  s.kindData = std::move(kind);
  s.name = name;
  s.fieldList = fieldList;
  s.extra = std::move(extra);
  return s;
}

// A 24 x 24 list picture: a disc of `fill` with a black rim on white, and a mark in the middle.
Bytes DiscBitmap(int fill, int mark) {
  return Bitmap24([fill, mark](int x, int y) {
    const double d = std::hypot(x - 11.5, y - 11.5);
    if (d > 11.5) return int(kWhite);
    if (d > 10) return int(kBlack);
    if (std::abs(x - 11.5) < 2.5 && std::abs(y - 11.5) < 6) return mark;
    return fill;
  });
}

}  // namespace

const char* const kTownStreetNames[8] = {"Main Street",   "Lake Road",     "Mill Lane",
                                         "Station Road",  "Church Street", "Market Street",
                                         "School Lane",   "River Street"};
// Station Road by the railway in the south, Lake Road in the north towards the lake.
const int kTownEastWestNames[4] = {3, 0, 2, 1};

void TownToPlane(double u, double v, double* x, double* y) {
  static const bool ready = [] {
    InitGeodesy();
    SelectEllipsoid(kEllipsoidWgs84);  // as the map view selects it
    return true;
  }();
  (void)ready;
  double px = 0, py = 0;
  GeoToGk((kLat0 + u * kStep) * kDeg, (kLon0 + v * kStep) * kDeg, px, py, kCentralMeridian);
  *x = px;
  *y = py;
}

void DemoTownExtent(double* x1, double* y1, double* x2, double* y2) {
  TownToPlane(-0.3, -0.3, x1, y1);
  TownToPlane(4.3, 4.8, x2, y2);
}

std::vector<uint32_t> DemoTownPalette() {
  std::vector<uint32_t> p = DemoPalette();
  // 0x00BBGGRR from index 16: beige, water, water edge, park, house, house edge, main street,
  // casing, ink, tree, public building.
  p.insert(p.end(), {0x00D8EAF2, 0x00DFD3AA, 0x00C88C50, 0x00B4E6C8, 0x00C9D0D9, 0x00788296,
                     0x0078DCFF, 0x00787878, 0x00282828, 0x003C8C3C, 0x00AABEE6});
  return p;
}

MolLibrary DemoTownLibrary() {
  MolLibrary lib;
  lib.version = 3;
  lib.flags = 3;
  lib.packed = true;
  // Vector symbols, 4 units a millimetre (design size 4), drawn round the point.
  lib.symbols = {
      // 1 church: a purple cross
      {4, {{kPurple, true, {{-2, -10}, {2, -10}, {2, 9}, {-2, 9}}},
           {kPurple, true, {{-7, -5}, {7, -5}, {7, -1}, {-7, -1}}}}},
      // 2 school: a house with a red roof
      {4, {{kNavy, true, {{-6, -1}, {6, -1}, {6, 8}, {-6, 8}}},
           {kDarkRed, true, {{-8, -1}, {0, -9}, {8, -1}}}}},
      // 3 shop: a red square with a black rim
      {4, {{kRed, true, {{-6, -6}, {6, -6}, {6, 6}, {-6, 6}}},
           {kBlack, false, {{-6, -6}, {6, -6}, {6, 6}, {-6, 6}, {-6, -6}}}}},
      // 4 fuel: a green pump and its hose
      {4, {{kGreen, true, {{-5, -8}, {3, -8}, {3, 8}, {-5, 8}}},
           {kBlack, false, {{3, -4}, {7, -2}, {7, 6}}}}},
      // 5 post: a yellow envelope
      {4, {{kYellow, true, {{-8, -5}, {8, -5}, {8, 5}, {-8, 5}}},
           {kBlack, false, {{-8, -5}, {8, -5}, {8, 5}, {-8, 5}, {-8, -5}}},
           {kBlack, false, {{-8, -5}, {0, 1}, {8, -5}}}}},
      // 6 hospital: a red cross on white
      {4, {{kWhite, true, {{-8, -8}, {8, -8}, {8, 8}, {-8, 8}}},
           {kRed, true, {{-2, -6}, {2, -6}, {2, 6}, {-2, 6}}},
           {kRed, true, {{-6, -2}, {6, -2}, {6, 2}, {-6, 2}}}}},
      // 7 station: a navy disc
      {4, {{kNavy, true, {{-3, -7}, {3, -7}, {7, -3}, {7, 3}, {3, 7}, {-3, 7}, {-7, 3}, {-7, -3}}},
           {kWhite, false, {{-4, 0}, {4, 0}}}}},
      // 8 monument: a grey obelisk
      {4, {{kGrey, true, {{-3, 8}, {-1, -9}, {1, -9}, {3, 8}}},
           {kBlack, false, {{-5, 8}, {5, 8}}}}},
      // 9 tree: a green crown
      {4, {{kTreeGreen, true, {{-2, -6}, {2, -6}, {6, -2}, {6, 2}, {2, 6}, {-2, 6}, {-6, 2}, {-6, -2}}},
           {kDarkGreen, false, {{-2, -6}, {2, -6}, {6, -2}, {6, 2}, {2, 6}, {-2, 6}, {-6, 2}, {-6, -2}, {-2, -6}}}}},
  };

  lib.styles = {
      Style(kTownChurch, PointKind(1), "Church", 1, DiscBitmap(kPurple, kWhite)),
      Style(kTownSchool, PointKind(2), "School", 1, DiscBitmap(kNavy, kYellow)),
      Style(kTownShop, PointKind(3), "Shop", 1, DiscBitmap(kRed, kWhite)),
      Style(kTownFuel, PointKind(4), "Fuel station", 1, DiscBitmap(kGreen, kBlack)),
      Style(kTownPost, PointKind(5), "Post office", 1, DiscBitmap(kYellow, kBlack)),
      Style(kTownHospital, PointKind(6), "Hospital", 1, DiscBitmap(kWhite, kRed)),
      Style(kTownStation, PointKind(7), "Station", 1, DiscBitmap(kNavy, kWhite)),
      Style(kTownMonument, PointKind(8), "Monument", 1, DiscBitmap(kGrey, kBlack)),
      Style(kTownTree, PointKind(9), "Tree", 0, DiscBitmap(kGreen, kDarkGreen)),
      // Widths in hundredths of a millimetre at the map's scale.
      Style(kTownMainStreet,
            CompoundLineKind({CompoundElement(2, kCasing, 15, 0, 0, 0, 150),
                              CompoundElement(1, kMainFill, 130, 0, 0, 0, 0)}),
            "Main street", 2),
      Style(kTownStreet,
            CompoundLineKind({CompoundElement(2, kCasing, 12, 0, 0, 0, 115),
                              CompoundElement(1, kWhite, 100, 0, 0, 0, 0)}),
            "Street", 2),
      Style(kTownFootpath, SimpleLineKind(0x01, 1, kOlive), "Footpath", 0),
      Style(kTownRailway,
            CompoundLineKind({CompoundElement(1, kBlack, 70, 0, 0, 0, 0),
                              CompoundElement(1, kWhite, 35, 0, 300, 300, 0)}),
            "Railway", 0),
      Style(kTownLane, SimpleLineKind(0x40, 4, kGrey), "Lane", 2),
      Style(kTownArea, AreaKind(0, kBeige, SimpleLineKind(0x01, 1, kDarkRed)), "Town area", 0),
      Style(kTownWater, AreaKind(0, kWater, SimpleLineKind(0x00, 1, kWaterEdge)), "Water", 0),
      Style(kTownPark, AreaKind(0, kParkGreen, SimpleLineKind(0x00, 1, kDarkGreen)), "Park", 0),
      Style(kTownBuilding, AreaKind(0, kHouse, SimpleLineKind(0x00, 1, kHouseEdge)), "Building",
            3),
      Style(kTownPublic, AreaKind(0, kPublicFill, SimpleLineKind(0x00, 1, kHouseEdge)),
            "Public building", 3),
      // Text sizes in tenths of a millimetre; placement comes from each object.
      Style(kTownStreetName, TextKind(0, 22, 1, kInk), "Street name", 0),
      Style(kTownName, TextKind(0, 50, 2, kBlack), "Town name", 0),
      Style(kTownWaterName, TextKind(0, 26, 3, kWaterEdge), "Water name", 0),
      Style(kTownHouseNumber, TextKind(0, 20, 1, kGrey), "House number", 0),
      Style(kTownPoiLabel, TextKind(0, 22, 2, kInk), "Label", 0),
  };
  lib.fonts = {{1, "Arial", false, false}, {2, "Arial", false, true}, {3, "Tahoma", true, false}};
  lib.fieldLists = {
      {1, {{kTagName, 5, 0, "Name"}, {kTagPoiKind, 6, 1, "Kind"}, {kTagPhone, 5, 0, "Phone"},
           {kTagHours, 5, 0, "Opening hours"}}},
      {2, {{kTagName, 5, 0, "Name"}, {kTagSurface, 6, 2, "Surface"}, {kTagLanes, 0, 0, "Lanes"}}},
      {3, {{kTagHouse, 5, 0, "House"}, {kTagFloors, 0, 0, "Floors"}, {kTagUse, 7, 3, "Use"}}},
  };
  lib.valueTables = {
      {1, {{1, "school"}, {2, "shop"}, {3, "church"}, {4, "post office"}, {5, "fuel station"},
           {6, "hospital"}, {7, "railway station"}, {8, "monument"}}},
      {2, {{1, "asphalt"}, {2, "cobbles"}, {3, "gravel"}}},
      {3, {{1, "dwelling"}, {2, "public"}, {3, "shop"}, {4, "workshop"}}},
  };
  return lib;
}

MvwSpec DemoRoadGraph() {
  const MdmSpec streets = StreetsMap(TownFrame());
  struct Road {
    uint32_t object;
    std::pair<int32_t, int32_t> from, to;
  };
  std::vector<Road> roads;
  MvwSpec plan;
  for (size_t i = 0; i < streets.objects.size(); ++i) {
    const MdmObject& o = streets.objects[i];
    if (o.code != kTownMainStreet && o.code != kTownStreet) continue;
    roads.push_back({uint32_t(i + 1), o.vertices.front(), o.vertices.back()});
    MvwNode node;
    node.id = uint32_t(i + 1);
    double metres = 0;
    for (size_t k = 1; k < o.vertices.size(); ++k)
      metres += std::hypot(double(o.vertices[k].first - o.vertices[k - 1].first),
                           double(o.vertices[k].second - o.vertices[k - 1].second)) / kUnitsPerMetre;
    node.cost = int16_t(std::min(32767.0, std::round(metres)));
    node.factor = o.code == kTownMainStreet ? 1 : 2;
    plan.nodes.push_back(node);
  }
  // Two one-way streets: the segments of Market Street and River Street between the second and
  // the third east-west street (nodes 10 and 13), each open one way only.
  plan.nodes[10].flags = 0x80;
  plan.nodes[13].flags = 0x80;
  // A road's outgoing links are the roads at its far end, its incoming ones those at its near
  // end; a link arrives in state 1 when the other road starts at the junction, else 128.
  for (size_t i = 0; i < roads.size(); ++i) {
    for (size_t j = 0; j < roads.size(); ++j) {
      if (i == j) continue;
      auto link = [&](const std::pair<int32_t, int32_t>& at, std::vector<MvwLink>& list) {
        if (roads[j].from == at) list.push_back({uint32_t(j), 1});
        else if (roads[j].to == at) list.push_back({uint32_t(j), 128});
      };
      link(roads[i].to, plan.nodes[i].out);
      link(roads[i].from, plan.nodes[i].in);
    }
  }
  return plan;
}

std::vector<DemoTownHouse> DemoTownHouses() {
  std::vector<DemoTownHouse> houses;
  DemoMap(TownFrame(), &houses);
  return houses;
}

void TownToGeo(double u, double v, double* latitude, double* longitude) {
  *latitude = (kLat0 + u * kStep) * std::numbers::pi / 180.0;
  *longitude = (kLon0 + v * kStep) * std::numbers::pi / 180.0;
}

std::vector<DemoTownMap> DemoTownMaps() {
  const Frame frame = TownFrame();
  // Nominal scales follow the view: 1:2000 up to 1:3000, 1:5000 up to 1:7000, 1:10000 up to
  // 1:15000, then the header's, so lines and labels keep their size on the screen.
  const std::string pairs = "3000:2000;7000:5000;15000:10000;";
  std::vector<DemoTownMap> maps;
  maps.push_back({"Land.mdm", 0, 0, pairs, LandMap(frame)});
  maps.push_back({"Streets.mdm", 0, 0, pairs, StreetsMap(frame)});
  // Houses and their numbers only from 1:25000 in; above 1:7000 the numbers are too small to
  // be drawn (the header's 1:5000 holds), so they do not clutter the town view.
  maps.push_back({"Demo.mdm", 0, 25000, "3000:2000;", DemoMap(frame)});
  return maps;
}

}  // namespace sample
