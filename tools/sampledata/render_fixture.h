// The small map, object library and palette of the drawing tests and the golden picture: areas
// (one with a hole), every line-style variant, symbols, and labels in several layouts, in a
// 100 x 120 m frame that fills a 240 x 294 view at 1:2000.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"

namespace sample {

// Type codes of the render library (class << 3 | kind).
enum : uint16_t {
  kRenderPoint = 3 << 3 | 1,  // (code 9 is a point never drawn)
  kRenderTriangle = 2 << 3 | 1,
  kRenderSolid = 1 << 3 | 2,       // simple, 2 pixels, red
  kRenderDashed = 2 << 3 | 2,      // simple dashed, 1 pixel, blue
  kRenderTenths = 3 << 3 | 2,      // simple, 0.5 mm, dark green
  kRenderDashTicks = 4 << 3 | 2,   // compound: dashes and one-sided ticks
  kRenderDouble = 5 << 3 | 2,      // compound: double line
  kRenderSquares = 6 << 3 | 2,     // compound: line with filled and hollow squares
  kRenderCircles = 7 << 3 | 2,     // compound: filled and hollow circles
  kRenderChevrons = 8 << 3 | 2,    // compound: chevrons both ways and crossing ticks
  kRenderDoubleChev = 9 << 3 | 2,  // compound: double chevrons both ways
  kRenderChain = 10 << 3 | 2,      // symbol chain
  kRenderFilled = 1 << 3 | 3,      // area filled light green, dark outline
  kRenderOutlined = 2 << 3 | 3,    // area not filled, dashed compound outline
  kRenderText = 1 << 3 | 4,        // texts: 3 mm, font 1, black
};

// Palette: 0 black, 1 red, 2 blue, 3 dark green, 4 light green, 5 orange, 6 purple, 7 grey.
std::vector<uint32_t> RenderPalette();
MolLibrary RenderLibrary();
// The map, library "Render", centimetre units, nominal scale 2000, frame X 6170000..6170120,
// Y 7408000..7408100.
MdmSpec RenderMap();

// A compound line element in file form (12 bytes).
Bytes CompoundElement(uint8_t kind, uint8_t colour, int16_t width, int16_t start, int16_t size,
                      int16_t spacing, int16_t offset);

// Writes "\Vorna\Obj\Vorna.rgb", "\Vorna\Obj\Render.mol" and `mapDevicePath` (a device path
// such as "\Vorna\render.mdm") below the host folder `root`. False on any write error.
bool WriteRenderFixture(const std::string& root, const std::string& mapDevicePath,
                        const MdmSpec& map);

}  // namespace sample
