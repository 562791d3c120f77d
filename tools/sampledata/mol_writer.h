// Writers of object libraries (".mol", versions 0 to 3, plain or packed) and palettes (".rgb"),
// field by field from the file layout. They share no code with the program's readers, so a test
// that reads what they wrote checks the reader against the layout and not against itself.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sample {

using Bytes = std::vector<uint8_t>;

struct MolElement {
  uint8_t colour = 0;  // palette index 0-127
  bool filled = false;
  std::vector<std::pair<int8_t, int8_t>> points;
};

struct MolSymbol {
  uint8_t designSize = 0;
  std::vector<MolElement> elements;
};

struct MolStyle {
  uint16_t code = 0;
  Bytes kindData;         // the bytes as they stand in the file after the code
  std::string name;       // at most 255 bytes
  uint16_t fieldList = 0; // written when flags bit 0 is set
  Bytes extra;            // written (with its length) when flags bit 1 is set
};

// Kind data in file form. A line: the pattern byte P and its block; compound patterns
// (P bit 7 set, bit 6 clear) take P & 0x3F elements of 12 bytes.
Bytes PointKind(uint16_t symbol);
Bytes SimpleLineKind(uint8_t p, uint8_t width, uint8_t colour);
Bytes CompoundLineKind(const std::vector<Bytes>& elements);  // 12 bytes each
Bytes AreaKind(uint8_t fill, uint8_t colour, const Bytes& lineKind);
Bytes TextKind(uint8_t placement, uint8_t size, uint8_t font, uint8_t colour);
// A 24 x 24 bitmap of palette indexes 0-15, 12 bytes a row, two pixels a byte (high nibble
// left), from a function of (x, y).
template <typename F>
Bytes Bitmap24(F colourAt) {
  Bytes b(288);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; x += 2)
      b[size_t(y * 12 + x / 2)] = uint8_t(((colourAt(x, y) & 15) << 4) | (colourAt(x + 1, y) & 15));
  return b;
}

struct MolFont {
  uint8_t number = 0;
  std::string face;  // at most 63 bytes
  bool italic = false;
  bool bold = false;
};

struct MolField {
  uint16_t tag = 0;
  uint8_t type = 0;
  uint16_t valueTable = 0;  // written for types 6 and 7 only
  std::string name;
};

struct MolFieldList {
  uint16_t number = 0;
  std::vector<MolField> fields;
};

struct MolValueTable {
  uint16_t code = 0;
  std::vector<std::pair<uint16_t, std::string>> items;
};

struct MolLibrary {
  uint8_t version = 2;
  uint8_t flags = 0;     // bits 0 and 1; bit 2 follows `packed`
  bool packed = false;   // version 2 and above
  std::vector<MolSymbol> symbols;
  std::vector<MolStyle> styles;
  std::vector<MolFont> fonts;
  std::vector<uint32_t> palette;  // 0x00BBGGRR
  std::vector<MolFieldList> fieldLists;
  std::vector<MolValueTable> valueTables;
};

// Sections in file form, for tests that build or damage a body themselves.
Bytes SymbolSection(const std::vector<MolSymbol>& symbols);
Bytes StyleSection(const std::vector<MolStyle>& styles, uint8_t flags);
Bytes FontSection(const std::vector<MolFont>& fonts);
Bytes PaletteBytes(const std::vector<uint32_t>& colours);
Bytes FieldListSection(const std::vector<MolFieldList>& lists);
Bytes ValueTableSection(const std::vector<MolValueTable>& tables, uint8_t version);
uint16_t MolChecksum(const Bytes& body);

// The whole file. Throws std::invalid_argument when the library cannot be stored in its version
// (fonts in version 0, flags, packing or field lists below version 2, a section too long for its
// length field).
Bytes WriteMol(const MolLibrary& library);

// The small library every test starts from: a cross symbol, point, line, area and text styles,
// the font "Arial" and a three-colour palette (black, red, blue). With flags bit 0 the styles
// name field list 1 and the library carries it and value table 1; with bit 1 the point style
// carries a 24 x 24 bitmap.
MolLibrary DemoLibrary(uint8_t version = 2, uint8_t flags = 0, bool packed = false);

// The shared palette of the demo device ("\Obj\Vorna.rgb"): 16 colours, the first three those of
// the demo library, so bitmap symbols (nibble indexes) can use every one.
std::vector<uint32_t> DemoPalette();

// Writes bytes to a host path; false on any error.
bool SaveBytes(const std::string& hostPath, const Bytes& bytes);

}  // namespace sample
