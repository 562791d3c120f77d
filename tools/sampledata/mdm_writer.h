// Writer of vector map files (".mdm", versions 1 to 3, 29- or 19-byte entries), field by field
// from the file layout. It shares no code with the program's map writer, so a test that reads
// what it wrote checks the reader against the layout and not against itself.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sample {

using Bytes = std::vector<uint8_t>;

// Tag of the library name in the header list (the program's constant has the same value).
constexpr uint16_t kMdmLibraryTag = 1;

struct MdmObject {
  uint16_t code = 0;
  int32_t box[4] = {0, 0, 0, 0};  // x min, y min, x max, y max (a point: its two corners)
  std::vector<std::pair<int32_t, int32_t>> vertices;
  Bytes attrs;             // an attribute list as stored
  uint8_t entryFlags = 0;  // 0x10 closes a group, 0x40 opens one
  uint8_t placement = 0;   // texts of version 2 and later
};

struct MdmSpec {
  uint8_t version = 3;
  bool wideEntries = true;  // 29-byte entries and 8-byte vertices; else 19 and 4
  uint8_t unitExponent = 3;  // e: one unit is 10^(e-3) m
  bool writtenFlag = true;   // flags bit 2
  uint32_t scale = 10000;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  uint16_t reservedLength = 0;
  std::string library;  // empty: no library item
  Bytes extraHeaderList;  // appended to the header list after the library item
  std::vector<MdmObject> objects;
};

// Attribute items in file form, appended to a list.
void AttrText(Bytes& list, uint16_t tag, const std::string& text, uint8_t type = 5);
void AttrInt32(Bytes& list, uint16_t tag, int32_t value);
void AttrFloat(Bytes& list, uint16_t tag, float value);
void AttrDouble(Bytes& list, uint16_t tag, double value);

MdmObject MdmPoint(uint16_t code, int32_t x, int32_t y);
// Box from the vertices.
MdmObject MdmShape(uint16_t code, std::vector<std::pair<int32_t, int32_t>> vertices);

Bytes BuildMdm(const MdmSpec& plan);
// Writes to a host path; false on any write error.
bool WriteMdm(const std::string& hostPath, const MdmSpec& plan);

// The demo map: frame (6180000, 7400000)-(6190000, 7410000), centimetres, version 3, library
// "Demo"; a point, a line, a closed area and a text.
MdmSpec DemoMdm();
// `lines` lines of `vertices` vertices each with one 8-byte text item (tag 9), in a 10 km
// centimetre frame, for timing.
MdmSpec LinesMdm(int lines, int vertices, uint32_t seed = 1);

}  // namespace sample
