#include "tools/sampledata/render_fixture.h"

#include <filesystem>

namespace sample {

namespace {

void Put16(Bytes& b, int16_t v) {
  b.push_back(uint8_t(uint16_t(v) & 0xFF));
  b.push_back(uint8_t(uint16_t(v) >> 8));
}

MolStyle Style(uint16_t code, Bytes kind, const std::string& name) {
  MolStyle s;
  s.code = code;
  s.kindData = std::move(kind);
  s.name = name;
  return s;
}

// Map units are centimetres; x northward, y eastward, from the frame's south-west corner.
MdmObject Line(uint16_t code, int32_t northMetres, int32_t fromEast, int32_t toEast) {
  return MdmShape(code, {{northMetres * 100, fromEast * 100},
                         {northMetres * 100 + 300, (fromEast + toEast) * 50},
                         {northMetres * 100, toEast * 100}});
}

MdmObject Text(const std::string& text, uint8_t placement,
               std::vector<std::pair<int32_t, int32_t>> vertices) {
  MdmObject o = MdmShape(kRenderText, std::move(vertices));
  AttrText(o.attrs, 9, text);
  o.placement = placement;
  return o;
}

}  // namespace

Bytes CompoundElement(uint8_t kind, uint8_t colour, int16_t width, int16_t start, int16_t size,
                      int16_t spacing, int16_t offset) {
  Bytes b{kind, colour};
  Put16(b, width);
  Put16(b, start);
  Put16(b, size);
  Put16(b, spacing);
  Put16(b, offset);
  return b;
}

std::vector<uint32_t> RenderPalette() {
  return {0x000000, 0x0000FF, 0xFF0000, 0x006400, 0x90EE90, 0x00A5FF, 0x800080, 0x808080};
}

MolLibrary RenderLibrary() {
  MolLibrary lib;
  lib.version = 2;
  lib.symbols.push_back({20, {{0, false, {{-10, 0}, {10, 0}}}, {0, false, {{0, -10}, {0, 10}}}}});
  lib.symbols.push_back({20, {{2, true, {{-8, 8}, {8, 8}, {0, -8}, {-8, 8}}}}});
  // The chain symbol: a small arrow 12 units long pointing along the line.
  lib.symbols.push_back({20, {{6, false, {{0, -4}, {12, 0}, {0, 4}}}}});
  lib.styles = {
      Style(kRenderPoint, PointKind(1), "Cross"),
      Style(kRenderTriangle, PointKind(2), "Triangle"),
      Style(kRenderSolid, SimpleLineKind(0x00, 2, 1), "Solid"),
      Style(kRenderDashed, SimpleLineKind(0x01, 1, 2), "Dashed"),
      Style(kRenderTenths, SimpleLineKind(0x40, 5, 3), "Tenths"),
      Style(kRenderDashTicks, CompoundLineKind({CompoundElement(1, 0, 20, 0, 300, 100, 0),
                                                CompoundElement(8, 0, 15, 150, 200, 400, 0)}),
            "DashTicks"),
      Style(kRenderDouble, CompoundLineKind({CompoundElement(2, 6, 20, 0, 0, 0, 150)}), "Double"),
      Style(kRenderSquares, CompoundLineKind({CompoundElement(1, 7, 10, 0, 0, 0, 0),
                                              CompoundElement(3, 5, 10, 100, 120, 500, 0),
                                              CompoundElement(4, 0, 10, 350, 120, 500, 0)}),
            "Squares"),
      Style(kRenderCircles, CompoundLineKind({CompoundElement(1, 7, 10, 0, 0, 0, 0),
                                              CompoundElement(5, 1, 10, 100, 120, 500, 0),
                                              CompoundElement(6, 2, 10, 350, 120, 500, 0)}),
            "Circles"),
      Style(kRenderChevrons, CompoundLineKind({CompoundElement(9, 2, 15, 100, 150, 500, 0),
                                               CompoundElement(10, 1, 15, 350, 150, 500, 0),
                                               CompoundElement(7, 0, 15, 0, 150, 250, 0)}),
            "Chevrons"),
      Style(kRenderDoubleChev, CompoundLineKind({CompoundElement(11, 3, 15, 150, 150, 600, 0),
                                                 CompoundElement(12, 6, 15, 450, 150, 600, 0)}),
            "DoubleChevrons"),
      Style(kRenderChain, Bytes{0xC0, 3, 0}, "Chain"),
      Style(kRenderFilled, AreaKind(0, 4, SimpleLineKind(0x00, 1, 3)), "Meadow"),
      Style(kRenderOutlined,
            AreaKind(2, 0, CompoundLineKind({CompoundElement(1, 5, 20, 0, 200, 100, 0),
                                             CompoundElement(7, 5, 10, 100, 120, 300, 0)})),
            "Fence"),
      Style(kRenderText, TextKind(0, 30, 1, 0), "Label"),
  };
  lib.fonts.push_back({1, "Arial", false, true});
  lib.palette = RenderPalette();
  return lib;
}

MdmSpec RenderMap() {
  MdmSpec s;
  s.version = 3;
  s.unitExponent = 1;  // centimetres
  s.scale = 2000;
  s.x1 = 6170000;
  s.y1 = 7408000;
  s.x2 = 6170120;
  s.y2 = 7408100;
  s.library = "Render";
  // A meadow with a pond cut out of it: the head, then the hole as a member of its group.
  MdmObject meadow = MdmShape(kRenderFilled, {{8000, 500}, {11500, 500}, {11500, 4500},
                                              {8000, 4500}, {8000, 500}});
  MdmObject pond = MdmShape(kRenderFilled, {{9000, 1500}, {10500, 1500}, {10500, 3000},
                                            {9000, 3000}, {9000, 1500}});
  pond.entryFlags = 0x40 | 0x10;  // opens and closes the head's group
  MdmObject fence = MdmShape(kRenderOutlined, {{8000, 5500}, {11500, 5500}, {11500, 9500},
                                               {8000, 9500}, {8000, 5500}});
  s.objects = {meadow, pond, fence};
  const uint16_t lines[] = {kRenderSolid,   kRenderDashed,   kRenderTenths,    kRenderDashTicks,
                            kRenderDouble,  kRenderSquares,  kRenderCircles,   kRenderChevrons,
                            kRenderDoubleChev, kRenderChain};
  int32_t north = 74;
  for (uint16_t code : lines) {
    s.objects.push_back(Line(code, north, 5, 95));
    north -= 7;
  }
  s.objects.push_back(MdmPoint(kRenderPoint, 300, 1000));
  MdmObject turned = MdmPoint(kRenderTriangle, 300, 2500);
  turned.box[2] = 800;  // second corner to the north-east: the symbol turns
  turned.box[3] = 3000;
  s.objects.push_back(turned);
  s.objects.push_back(Text("Upper~Lower", 0 << 2, {{1200, 4000}}));
  s.objects.push_back(Text("SPREAD", 1 << 2 | 2, {{500, 6000}, {1500, 7500}, {500, 9500}}));
  s.objects.push_back(Text("ABCDE", 2 << 2 | 1, {{11000, 5800}, {10000, 6800}, {9000, 7800}}));
  s.objects.push_back(Text("a b c", 6 << 2, {{1600, 5200}, {2200, 9800}}));
  return s;
}

bool WriteRenderFixture(const std::string& root, const std::string& mapDevicePath,
                        const MdmSpec& map) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(fs::path(root) / "Vorna" / "Obj", ec);
  if (ec) return false;
  std::string mapHost = mapDevicePath;
  for (char& c : mapHost)
    if (c == '\\') c = '/';
  return SaveBytes(root + "/Vorna/Obj/Vorna.rgb", PaletteBytes(RenderPalette())) &&
         SaveBytes(root + "/Vorna/Obj/Render.mol", WriteMol(RenderLibrary())) &&
         WriteMdm(root + mapHost, map);
}

}  // namespace sample
