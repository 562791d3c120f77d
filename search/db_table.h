// The address database: read-only tables, one file each (cities, streets, houses, value lists,
// objects, object types, states, regions and the point layer's "Global").
//
// File: little-endian, fields packed. Bytes 0-2 all zero mark a packed file: the rest is an LZW
// stream that unpacks to the plain image. The plain image is
//   0   7      magic "VORNADB" (byte 7 is never read)
//   8   1      column count n
//   9   4      row count r
//   13  9 x n  column descriptors: name (8 bytes, NUL-padded, no terminator at 8 characters),
//              type (TDbColumnType)
//   ..         cells, row by row, each row's cells in column order
// A Byte cell takes 1 byte, Short 2, Long 4, Float 4, Double 8, Text a length byte and that many
// bytes; a column of any other type takes no bytes and never holds a value.
//
// Invariants of a loaded table:
// - every cell was bounds-checked against the image; decoding stops at the first cell that does
//   not fit, and `rows` counts only the rows in which at least one cell was decoded, so a header
//   claiming four billion rows over a short file costs memory in proportion to the file;
// - cells that were never reached hold no value: no comparison keeps them and the typed reads
//   report them missing;
// - a selection is a list of row indices in table order; row indices and text pointers stay valid
//   until the table is freed or reloaded.
// Cells are 8 bytes wide (integers and floats by value, doubles inline, text as an offset and
// length into one arena per table) and stored column by column, so a query scans one column.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TDbColumnType : uint8_t {
  kDbByte = 0,    // unsigned 8-bit
  kDbShort = 1,   // signed 16-bit
  kDbLong = 2,    // signed 32-bit
  kDbFloat = 3,   // IEEE single
  kDbDouble = 4,  // IEEE double
  kDbText = 5,    // 8-bit text in the program code page, at most 255 bytes
};

enum TDbSelectMode : int {
  kDbEqual = 0,
  kDbGreater = 1,     // cell greater than the value
  kDbLess = 2,        // cell smaller than the value
  kDbContains = 3,    // Text only: the value occurs anywhere in the cell
  kDbBeginsWith = 4,  // Text only: the cell starts with the value
  kDbAll = 5,         // every row; only without a previous selection
};

// Load results.
enum : int {
  kDbOk = 0,
  kDbBadData = 1,  // short read, a packed stream that does not unpack, wrong magic
  kDbNotOpened = 2,
  kDbNoMemory = 3,
};

// Column lookups that find nothing.
constexpr uint8_t kDbNoColumn = 255;

// A selected row: its index in the table.
using TDbRowRef = uint32_t;
using TDbSelection = std::vector<TDbRowRef>;

// The value a selection compares with. Integer values compare exactly with Byte, Short and Long
// cells (as 64-bit numbers, so 256 equals no Byte cell); a Float column compares in single
// precision, the value rounded to a single first; a Double column in double precision. A text
// value matches only Text columns, a number only number columns.
class TDbValue {
 public:
  enum Kind : uint8_t { kInteger, kFloat, kDouble, kText };

  template <std::integral T>
  TDbValue(T v) : kind_(kInteger), integer_(int64_t(v)) {}
  TDbValue(float v) : kind_(kFloat), real_(v) {}
  TDbValue(double v) : kind_(kDouble), real_(v) {}
  // Null text counts as the empty text.
  TDbValue(const char* text) : kind_(kText), text_(text ? text : "") {}

  Kind kind() const { return kind_; }
  int64_t integer() const { return integer_; }
  double real() const { return real_; }
  const char* text() const { return text_; }

 private:
  Kind kind_;
  int64_t integer_ = 0;
  double real_ = 0;
  const char* text_ = "";
};

struct TDbColumn {
  char name[8];  // as in the file, ASCII letters folded to upper case; no terminator at 8
  uint8_t type;
};

class TDbTable {
 public:
  TDbTable() = default;
  ~TDbTable() = default;
  TDbTable(const TDbTable&) = delete;
  TDbTable& operator=(const TDbTable&) = delete;

  // Loads a table file (a device path in the path page). The previous contents are
  // freed first. Returns kDbOk, kDbBadData, kDbNotOpened or kDbNoMemory; `ok` is 1 only for
  // kDbOk, and every failure leaves the table empty.
  int Load(const char* path);
  // Loads an image already in memory (plain or packed), as Load does after reading the file.
  int LoadFromMemory(const uint8_t* data, size_t length);
  // Empties the table: no rows, no columns, `ok` 0, no name.
  void Free();

  // Index of the first column whose name equals `column`: letters compared without regard to
  // case (ASCII only; bytes from 0x80 as they are), only the first 8 characters of `column`
  // counting. kDbNoColumn when none (or `column` is null).
  uint8_t GetColumnIndex(const char* column) const;

  // Rows whose cell in `column` passes `mode` against `value`, in table order. Candidates are all
  // rows when `previous` is null, else the rows of `previous` in its order (indices past the
  // table are skipped). `count` receives the number of rows selected; it is left untouched when
  // the column does not exist or has a type outside 0-5. Without a column name only kDbAll
  // selects. A NaN on either side is kept by no mode but kDbAll.
  TDbSelection Select(const char* column, int mode, const TDbValue& value, uint32_t* count,
                      const TDbSelection* previous = nullptr) const;

  // The cell as a number: Byte, Short, Long, Float and Double cells convert to double (a Double
  // cell holding 2^63, the callers' own mark of a missing value, passes through unchanged).
  // False for Text and other types, a cell that holds no value, and indices out of range.
  bool GetNumber(TDbRowRef row, uint8_t column, double* value) const;
  // The NUL-terminated text of a Text cell; null for a text of length 0, for a cell that holds no
  // value, for other types and for indices out of range.
  const char* GetText(TDbRowRef row, uint8_t column) const;

  int ok = 0;
  std::string name;       // the name under which a set opened the table
  std::string source;     // the path a set last loaded it from (kept by a failed load too)
  uint32_t rows = 0;      // rows holding at least one decoded cell
  uint32_t columns = 0;   // n
  std::vector<TDbColumn> descriptors;

 private:
  int Decode(const uint8_t* image, size_t length);
  bool HasValue(TDbRowRef row, uint8_t column) const;
  uint64_t Cell(TDbRowRef row, uint8_t column) const { return cells_[slot_[column] * stride_ + row]; }

  // Column index -> its block in cells_, or -1 for a column of a type outside 0-5.
  std::vector<int32_t> slot_;
  // Cells column by column, `stride_` per column. Byte/Short/Long: the value sign- or
  // zero-extended; Float: its bits; Double: its bits; Text: offset into text_ << 8 | length up
  // to the first NUL (queries compare texts as NUL-terminated, so bytes after a NUL never
  // count).
  std::unique_ptr<uint64_t[]> cells_;
  size_t stride_ = 0;
  // Cells in row-major order that were decoded: cell (row, k) holds a value when
  // row * n + k < decoded_ (unknown types aside).
  uint64_t decoded_ = 0;
  // Every text of length L > 0 as L bytes and a NUL.
  std::unique_ptr<char[]> text_;
};
