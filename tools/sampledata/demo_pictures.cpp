#include "tools/sampledata/demo_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/image_writer.h"

namespace sample {
namespace {

struct Px {
  double col, row;  // pixel units, (0, 0) the top-left corner of the top-left pixel
};

// How one type code of the town is drawn: areas are filled with `fill` and outlined with
// `edge`; lines get a casing of `edge` and a core of `fill` (radii in metres); points a disc of
// `fill` with a rim of `edge` (radii in pixels, so small pictures still show them).
struct Look {
  uint16_t code;
  int fill, edge;  // palette indexes of DemoTownPalette, -1 none
  double fillRadius, edgeRadius;
};

// Palette indexes as the town's library uses them.
constexpr int kBlack = 0, kRed = 1, kGreen = 3, kYellow = 4, kWhite = 7, kGrey = 8, kNavy = 10,
              kPurple = 13, kBeige = 16, kWater = 17, kWaterEdge = 18, kParkGreen = 19,
              kHouse = 20, kHouseEdge = 21, kMainFill = 22, kCasing = 23, kTreeGreen = 25,
              kPublicFill = 26;

constexpr Look kLooks[] = {
    {kTownArea, kBeige, -1, 0, 0},
    {kTownWater, kWater, kWaterEdge, 0, 0},
    {kTownPark, kParkGreen, -1, 0, 0},
    {kTownBuilding, kHouse, kHouseEdge, 0, 0},
    {kTownPublic, kPublicFill, kHouseEdge, 0, 0},
    {kTownMainStreet, kMainFill, kCasing, 5.5, 8.0},
    {kTownStreet, kWhite, kCasing, 4.0, 6.5},
    {kTownLane, kWhite, kCasing, 2.0, 3.0},
    {kTownFootpath, kGrey, -1, 1.0, 0},
    {kTownRailway, kBlack, -1, 2.5, 0},
    {kTownChurch, kPurple, kBlack, 3, 4},
    {kTownSchool, kNavy, kBlack, 3, 4},
    {kTownShop, kRed, kBlack, 3, 4},
    {kTownFuel, kGreen, kBlack, 3, 4},
    {kTownPost, kYellow, kBlack, 3, 4},
    {kTownHospital, kRed, kBlack, 3, 4},
    {kTownStation, kNavy, kBlack, 3, 4},
    {kTownMonument, kGrey, kBlack, 3, 4},
    {kTownTree, kTreeGreen, -1, 1.5, 0},
};

const Look* LookOf(uint16_t code) {
  for (const Look& l : kLooks)
    if (l.code == code) return &l;
  return nullptr;  // texts and anything else are not drawn
}

// One picture: north up, `metres` a pixel, its top-left corner at plane (north, west).
class Canvas {
 public:
  Canvas(double north, double west, double metres, int width, int height)
      : north(north), west(west), metres(metres), width(width), height(height),
        px(size_t(width) * size_t(height), uint8_t(kWhite)) {}

  Px At(double x, double y) const { return {(y - west) / metres, (north - x) / metres}; }

  // Even-odd fill of the rings (a group's members are its holes), by pixel centres.
  void Fill(const std::vector<std::vector<Px>>& rings, int colour) {
    std::vector<double> xs;
    for (int r = 0; r < height; ++r) {
      const double yc = r + 0.5;
      xs.clear();
      for (const auto& ring : rings)
        for (size_t i = 0; i + 1 < ring.size(); ++i) {
          const Px a = ring[i], b = ring[i + 1];
          if ((a.row <= yc) != (b.row <= yc))
            xs.push_back(a.col + (yc - a.row) * (b.col - a.col) / (b.row - a.row));
        }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        const int from = std::max(0, int(std::ceil(xs[i] - 0.5)));
        const int to = std::min(width - 1, int(std::floor(xs[i + 1] - 0.5)));
        for (int c = from; c <= to; ++c) px[size_t(r) * size_t(width) + size_t(c)] = uint8_t(colour);
      }
    }
  }

  void Disc(Px at, double radius, int colour) {
    radius = std::max(radius, 0.6);
    const int r0 = std::max(0, int(std::floor(at.row - radius))),
              r1 = std::min(height - 1, int(std::ceil(at.row + radius)));
    const int c0 = std::max(0, int(std::floor(at.col - radius))),
              c1 = std::min(width - 1, int(std::ceil(at.col + radius)));
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        const double dx = c + 0.5 - at.col, dy = r + 0.5 - at.row;
        if (dx * dx + dy * dy <= radius * radius)
          px[size_t(r) * size_t(width) + size_t(c)] = uint8_t(colour);
      }
  }

  // A line of discs every half pixel.
  void Stroke(const std::vector<Px>& line, double radius, int colour) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      const Px a = line[i], b = line[i + 1];
      const int steps = std::max(1, int(std::ceil(std::hypot(b.col - a.col, b.row - a.row) * 2)));
      for (int s = 0; s <= steps; ++s) {
        const double t = double(s) / steps;
        Disc({a.col + (b.col - a.col) * t, a.row + (b.row - a.row) * t}, radius, colour);
      }
    }
  }

  const double north, west, metres;
  const int width, height;
  std::vector<uint8_t> px;  // palette indexes, top row first
};

double Unit(const MdmSpec& map) { return std::pow(10.0, map.unitExponent - 3); }  // metres

std::vector<Px> PixelsOf(const Canvas& canvas, const MdmSpec& map, const MdmObject& o) {
  std::vector<Px> out;
  for (const auto& [x, y] : o.vertices)
    out.push_back(canvas.At(map.x1 + x * Unit(map), map.y1 + y * Unit(map)));
  return out;
}

// A point object keeps its place in its box.
Px PointOf(const Canvas& canvas, const MdmSpec& map, const MdmObject& o) {
  return canvas.At(map.x1 + o.box[0] * Unit(map), map.y1 + o.box[1] * Unit(map));
}

// Each map in drawing order: areas with their holes, then line casings, line cores and points,
// so that streets meet without their casings crossing the junctions.
void DrawTown(Canvas& canvas, const std::vector<DemoTownMap>& maps) {
  for (const DemoTownMap& m : maps) {
    const auto& objects = m.plan.objects;
    for (size_t i = 0; i < objects.size(); ++i) {
      const Look* look = LookOf(objects[i].code);
      if (!look || (objects[i].code & 7) != 3 || (objects[i].entryFlags & 0x40)) continue;
      std::vector<std::vector<Px>> rings{PixelsOf(canvas, m.plan, objects[i])};
      for (size_t j = i + 1; j < objects.size() && (objects[j].entryFlags & 0x40); ++j)
        rings.push_back(PixelsOf(canvas, m.plan, objects[j]));
      canvas.Fill(rings, look->fill);
      if (look->edge >= 0)
        for (const auto& ring : rings) canvas.Stroke(ring, 0.5, look->edge);
    }
    for (bool core : {false, true})
      for (const MdmObject& o : objects) {
        const Look* look = LookOf(o.code);
        if (!look || (o.code & 7) != 2) continue;
        if (core) canvas.Stroke(PixelsOf(canvas, m.plan, o), look->fillRadius / canvas.metres, look->fill);
        else if (look->edge >= 0)
          canvas.Stroke(PixelsOf(canvas, m.plan, o), look->edgeRadius / canvas.metres, look->edge);
      }
    for (const MdmObject& o : objects) {
      const Look* look = LookOf(o.code);
      if (!look || (o.code & 7) != 1) continue;
      const Px at = PointOf(canvas, m.plan, o);
      if (look->edge >= 0) canvas.Disc(at, look->edgeRadius, look->edge);
      canvas.Disc(at, look->fillRadius, look->fill);
    }
  }
}

// The first point of `code` in the maps, where it is drawn, with its name (the text item that
// leads its list).
bool FindPoint(const Canvas& canvas, const std::vector<DemoTownMap>& maps, uint16_t code, Px* at,
               std::string* name) {
  for (const DemoTownMap& m : maps)
    for (const MdmObject& o : m.plan.objects) {
      if (o.code != code) continue;
      *at = PointOf(canvas, m.plan, o);
      const auto& a = o.attrs;
      name->clear();
      if (a.size() >= 3 && (a[0] | a[1] << 8) == (kTagName << 3 | 5) && a.size() >= 3u + a[2])
        name->assign(a.begin() + 3, a.begin() + 3 + a[2]);
      return true;
    }
  return false;
}

// 0x00BBGGRR palette entries as 0x00RRGGBB.
uint32_t Rgb(uint32_t bgr) { return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF); }

// An 8-bit bottom-up bitmap with the palette as its colour table.
std::vector<uint8_t> PalettedBmp(const Canvas& canvas, const std::vector<uint32_t>& palette) {
  const uint32_t stride = uint32_t((canvas.width + 3) / 4 * 4);
  const uint32_t offset = 14 + 40 + uint32_t(palette.size()) * 4;
  std::vector<uint8_t> out(offset + stride * uint32_t(canvas.height), 0);
  auto u32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
  auto u16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
  out[0] = 'B', out[1] = 'M';
  u32(2, uint32_t(out.size()));
  u32(10, offset);
  u32(14, 40);
  u32(18, uint32_t(canvas.width));
  u32(22, uint32_t(canvas.height));
  u16(26, 1);
  u16(28, 8);
  u32(34, stride * uint32_t(canvas.height));
  u32(46, uint32_t(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) u32(54 + 4 * i, Rgb(palette[i]));
  for (int r = 0; r < canvas.height; ++r)
    std::memcpy(&out[offset + size_t(canvas.height - 1 - r) * stride],
                &canvas.px[size_t(r) * size_t(canvas.width)], size_t(canvas.width));
  return out;
}

// Draws the plane box (x1, y1)-(x2, y2) at `metres` a pixel and names the two points `codes`.
DemoPicture Picture(const std::string& path, double x1, double y1, double x2, double y2,
                    double metres, bool jpeg, const uint16_t (&codes)[2]) {
  const std::vector<DemoTownMap> maps = DemoTownMaps();
  Canvas canvas(x2, y1, metres, int(std::lround((y2 - y1) / metres)),
                int(std::lround((x2 - x1) / metres)));
  DrawTown(canvas, maps);
  DemoPicture p;
  p.path = path;
  p.idesPath = path.substr(0, path.rfind('.')) + ".ides";
  p.width = canvas.width;
  p.height = canvas.height;
  const std::vector<uint32_t> palette = DemoTownPalette();
  if (jpeg) {
    std::vector<uint32_t> rgb(canvas.px.size());
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = Rgb(palette[canvas.px[i]]);
    JpegSpec plan;
    plan.width = canvas.width;
    plan.height = canvas.height;
    plan.quality = 85;
    p.bytes = JpegBytes(plan, rgb);
  } else {
    p.bytes = PalettedBmp(canvas, palette);
  }
  // The centre of what the picture covers, plane X (north) then Y (east).
  char line[300];
  std::snprintf(line, sizeof line, "%.2f %.2f\n", canvas.north - canvas.height * metres / 2,
                canvas.west + canvas.width * metres / 2);
  p.ides = line;
  for (uint16_t code : codes) {
    Px at;
    std::string name;
    if (!FindPoint(canvas, maps, code, &at, &name)) continue;
    const int col = int(at.col), row = int(at.row);
    // A bitmap's point Y counts from its bottom row, a JPEG's from the top.
    std::snprintf(line, sizeof line, "%d:%d:%s;\n", col, jpeg ? row : canvas.height - 1 - row,
                  name.c_str());
    p.ides += line;
  }
  return p;
}

}  // namespace

std::vector<DemoPicture> DemoTownPictures() {
  double x1, y1, x2, y2;
  TownToPlane(0, 0, &x1, &y1);
  TownToPlane(4, 4, &x2, &y2);
  std::vector<DemoPicture> out;
  out.push_back(Picture("\\Maps\\town.bmp", x1, y1, x2, y2, 4.0, false, {kTownSchool, kTownChurch}));
  DemoTownExtent(&x1, &y1, &x2, &y2);
  out.push_back(
      Picture("\\Maps\\overview.jpg", x1, y1, x2, y2, 8.0, true, {kTownStation, kTownMonument}));
  return out;
}

}  // namespace sample
