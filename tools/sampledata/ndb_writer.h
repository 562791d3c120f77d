// Writer of address table files (".ndb"), field by field from the layout: magic, column count,
// row count, 9-byte column descriptors, then the cells row by row. It shares no code with the
// program's reader.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace sample {

using Bytes = std::vector<uint8_t>;

// Column types as stored (0 Byte, 1 Short, 2 Long, 3 Float, 4 Double, 5 Text; others are legal
// in a file and take no bytes).
enum NdbType : uint8_t { kNdbByte, kNdbShort, kNdbLong, kNdbFloat, kNdbDouble, kNdbText };

struct NdbColumn {
  std::string name;  // at most 8 bytes
  uint8_t type = kNdbText;
};

// An integer for Byte/Short/Long (truncated to the width), a double for Float/Double, a string
// for Text (at most 255 bytes, written as they are).
using NdbCell = std::variant<int64_t, double, std::string>;

struct NdbSpec {
  std::string magic = "VORNADB";  // the first 7 bytes (padded with NUL when shorter)
  uint8_t spare = 0;              // byte 7, which readers ignore
  std::vector<NdbColumn> columns;
  std::vector<std::vector<NdbCell>> rows;  // one cell per column of a type 0-5
  int64_t rowCount = -1;                   // header row count; -1: rows.size()
};

// The plain image. Throws std::invalid_argument for more than 255 columns, a name longer than
// 8 bytes, a text longer than 255 bytes, or a cell that does not fit its column.
Bytes BuildNdb(const NdbSpec& plan);
// A packed file: three zero bytes, then the image as an LZW stream.
Bytes PackNdb(const Bytes& image);
// Writes to a host path; false on any write error.
bool WriteNdb(const std::string& hostPath, const NdbSpec& plan, bool packed = false);

// The demo town's tables, each with the name under which the program opens it ("Cities",
// "Streets", "Houses", "Lists", "Objects", "ObjTypes", "States", "Regions", "Global").
// Coordinates are geodetic, in radians (X latitude, Y longitude); "Lists" names the demo map
// "Demo", and "OFFS" numbers objects of that map.
std::vector<std::pair<std::string, NdbSpec>> DemoTownTables();

// A generated address table for timing, written straight into an image: columns CityID and
// StreetID (Short), Name (Text, 6-20 letters, about 12), ListID and OFFS (Long), X1 and Y1
// (Double); about 41 bytes a row. CityID runs 0-999, StreetID 0-299.
Bytes AddressTableImage(uint32_t rows, uint32_t seed = 1);

}  // namespace sample
