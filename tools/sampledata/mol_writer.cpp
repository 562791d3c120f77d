#include "tools/sampledata/mol_writer.h"

#include <fstream>
#include <stdexcept>

#include "tools/sampledata/lzw_pack.h"

namespace sample {
namespace {

void Put8(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); }
void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

void Require(bool ok, const char* what) {
  if (!ok) throw std::invalid_argument(what);
}

}  // namespace

Bytes PointKind(uint16_t symbol) {
  Bytes b;
  Put16(b, symbol);
  return b;
}

Bytes SimpleLineKind(uint8_t p, uint8_t width, uint8_t colour) { return {p, width, colour}; }

Bytes CompoundLineKind(const std::vector<Bytes>& elements) {
  Require(elements.size() <= 0x3F, "a compound line has at most 63 elements");
  Bytes b{uint8_t(0x80 | elements.size())};
  for (const Bytes& e : elements) {
    Require(e.size() == 12, "a compound line element is 12 bytes");
    Append(b, e);
  }
  return b;
}

Bytes AreaKind(uint8_t fill, uint8_t colour, const Bytes& lineKind) {
  Bytes b{fill, colour};
  Append(b, lineKind);
  return b;
}

Bytes TextKind(uint8_t placement, uint8_t size, uint8_t font, uint8_t colour) {
  return {placement, size, font, colour};
}

Bytes SymbolSection(const std::vector<MolSymbol>& symbols) {
  Bytes out;
  for (const MolSymbol& s : symbols) {
    Bytes r;
    Put8(r, s.designSize);
    Require(s.elements.size() <= 255, "a symbol has at most 255 elements");
    Put8(r, uint32_t(s.elements.size()));
    Put32(r, 0);  // the reader's element pointer in the handheld's memory image
    for (const MolElement& e : s.elements) {
      Require(e.points.size() <= 255 && e.colour < 128, "symbol element out of range");
      Put8(r, uint32_t(e.points.size()));
      Put8(r, e.colour | (e.filled ? 0x80u : 0u));
      for (auto [x, y] : e.points) {
        Put8(r, uint8_t(x));
        Put8(r, uint8_t(y));
      }
    }
    Require(r.size() + 2 <= 0xFFFF, "symbol record too long");
    Put16(out, uint32_t(r.size() + 2));
    Append(out, r);
  }
  return out;
}

Bytes StyleSection(const std::vector<MolStyle>& styles, uint8_t flags) {
  Bytes out;
  for (const MolStyle& s : styles) {
    Require(s.name.size() <= 255 && s.extra.size() <= 0xFFFF, "style name or extra too long");
    Put16(out, s.code);
    Append(out, s.kindData);
    Put8(out, uint32_t(s.name.size()));
    PutText(out, s.name);
    if (flags & 1) Put16(out, s.fieldList);
    if (flags & 2) {
      Put16(out, uint32_t(s.extra.size()));
      Append(out, s.extra);
    }
  }
  return out;
}

Bytes FontSection(const std::vector<MolFont>& fonts) {
  Bytes out;
  for (const MolFont& f : fonts) {
    Require(f.face.size() <= 63, "a face name has at most 63 bytes");
    Put8(out, f.number);
    Put8(out, uint32_t(f.face.size()) | (f.italic ? 0x40u : 0u) | (f.bold ? 0x80u : 0u));
    PutText(out, f.face);
  }
  return out;
}

Bytes PaletteBytes(const std::vector<uint32_t>& colours) {
  Bytes out;
  for (uint32_t c : colours) Put32(out, c);
  return out;
}

Bytes FieldListSection(const std::vector<MolFieldList>& lists) {
  Bytes out;
  for (const MolFieldList& l : lists) {
    Bytes items;
    for (const MolField& f : l.fields) {
      Require(f.name.size() <= 255 && f.type < 8 && f.tag < 0x2000, "field out of range");
      Put16(items, uint32_t(f.tag) << 3 | f.type);
      Put8(items, uint32_t(f.name.size()));
      if (f.type == 6 || f.type == 7) Put16(items, f.valueTable);
      PutText(items, f.name);
    }
    Require(items.size() <= 0xFFFF, "field list too long");
    Put16(out, l.number);
    Put16(out, uint32_t(items.size()));
    Append(out, items);
  }
  return out;
}

Bytes ValueTableSection(const std::vector<MolValueTable>& tables, uint8_t version) {
  Bytes out;
  for (const MolValueTable& t : tables) {
    Bytes items;
    for (const auto& [value, text] : t.items) {
      Require(text.size() <= 255, "value text too long");
      Put16(items, value);
      Put8(items, uint32_t(text.size()));
      PutText(items, text);
    }
    Put16(out, t.code);
    if (version > 2) {
      Put32(out, uint32_t(items.size()));
    } else {
      Require(items.size() <= 0xFFFF, "value table too long for a 16-bit length");
      Put16(out, uint32_t(items.size()));
    }
    Append(out, items);
  }
  return out;
}

uint16_t MolChecksum(const Bytes& body) {
  uint16_t sum = 0;
  for (size_t i = 0; i < body.size(); i += 2) {
    const uint16_t hi = body[i];
    const uint16_t lo = i + 1 < body.size() ? body[i + 1] : 0;
    sum ^= uint16_t(hi << 8 | lo);
  }
  return sum;
}

Bytes WriteMol(const MolLibrary& lib) {
  const uint8_t v = lib.version;
  Require(v >= 2 || (lib.flags == 0 && !lib.packed), "flags and packing need version 2");
  Require(v >= 1 || lib.fonts.empty(), "version 0 has no fonts");
  Require(v >= 2 || (lib.fieldLists.empty() && lib.valueTables.empty()),
          "field lists and value tables need version 2");
  Require((lib.flags & ~3) == 0, "only flags bits 0 and 1 are set by hand");

  const Bytes symbols = SymbolSection(lib.symbols);
  const Bytes styles = StyleSection(lib.styles, lib.flags);
  const Bytes fonts = FontSection(lib.fonts);
  const Bytes palette = PaletteBytes(lib.palette);
  const Bytes fields = FieldListSection(lib.fieldLists);
  const Bytes values = ValueTableSection(lib.valueTables, v);
  const uint32_t wide = v == 0 ? 0xFFFF : 0xFFFFFFFF;
  Require(symbols.size() <= wide && styles.size() <= wide && fonts.size() <= 0xFFFF &&
              palette.size() <= 0xFFFF,
          "section too long for its length field");

  Bytes body;
  for (const Bytes* s : {&symbols, &styles, &fonts, &palette, &fields, &values}) Append(body, *s);

  Bytes file(8, 0);  // bytes 0-7 are not read; zero
  Put8(file, v);
  if (v == 0) {
    Put16(file, uint32_t(symbols.size()));
    Put16(file, uint32_t(styles.size()));
    Put16(file, 0);
    Put16(file, uint32_t(palette.size()));
  } else if (v == 1) {
    Put32(file, uint32_t(symbols.size()));
    Put32(file, uint32_t(styles.size()));
    Put16(file, uint32_t(fonts.size()));
    Put16(file, uint32_t(palette.size()));
  } else {
    Put8(file, lib.flags | (lib.packed ? 4u : 0u));
    Put16(file, MolChecksum(body));
    Put32(file, 0);
    Put32(file, uint32_t(symbols.size()));
    Put32(file, uint32_t(styles.size()));
    Put16(file, uint32_t(fonts.size()));
    Put16(file, uint32_t(palette.size()));
    Put32(file, uint32_t(fields.size()));
    Put32(file, uint32_t(values.size()));
    Put16(file, 0);
  }
  if (lib.packed) {
    Put8(file, 0);  // packing method
    Append(file, LzwPack(body));
  } else {
    Append(file, body);
  }
  return file;
}

MolLibrary DemoLibrary(uint8_t version, uint8_t flags, bool packed) {
  MolLibrary lib;
  lib.version = version;
  lib.flags = flags;
  lib.packed = packed;
  // A cross of two 20-unit strokes through the origin, drawn at its design size of 20.
  lib.symbols.push_back({20, {{1, false, {{-10, 0}, {10, 0}}}, {1, false, {{0, -10}, {0, 10}}}}});
  lib.styles.push_back({(1 << 3) | 1, PointKind(1), "Point", 0, {}});
  lib.styles.push_back({(2 << 3) | 2, SimpleLineKind(0x40, 5, 1), "Line", 0, {}});
  lib.styles.push_back({(3 << 3) | 3, AreaKind(0, 2, {0x40, 3, 1}), "Area", 0, {}});
  lib.styles.push_back({(4 << 3) | 4, TextKind(0, 25, 1, 1), "Label", 0, {}});
  if (version >= 1) lib.fonts.push_back({1, "Arial", false, false});
  lib.palette = {0x000000, 0x0000FF, 0xFF0000};
  if (flags & 1) {
    for (MolStyle& s : lib.styles) s.fieldList = 1;
    lib.fieldLists.push_back({1, {{9, 5, 0, "Name"}, {20, 6, 1, "Surface"}, {21, 1, 0, "Width"}}});
    lib.valueTables.push_back({1, {{1, "asphalt"}, {2, "gravel"}, {3, "dirt"}}});
  }
  if (flags & 2)
    lib.styles[0].extra = Bitmap24([](int x, int y) { return (x == y || x + y == 23) ? 1 : 0; });
  return lib;
}

std::vector<uint32_t> DemoPalette() {
  return {0x000000, 0x0000FF, 0xFF0000, 0x00A000, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
          0x808080, 0x000080, 0x800000, 0x008000, 0x008080, 0x800080, 0x808000, 0xC0C0C0};
}

bool SaveBytes(const std::string& hostPath, const Bytes& bytes) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace sample
