#include "search/db_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "base/text_utils.h"
#include "maps/lzw.h"
#include "platform/sys/large_block.h"
#include "platform/win.h"

namespace {

constexpr size_t kHeaderSize = 13;
constexpr size_t kDescriptorSize = 9;
constexpr char kMagic[7] = {'V', 'O', 'R', 'N', 'A', 'D', 'B'};

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t Le64(const uint8_t* p) { return uint64_t(Le32(p)) | uint64_t(Le32(p + 4)) << 32; }

// Names are folded to upper case; letters outside ASCII are left as they are, since the code
// page of a table is not known to the loader.
char Fold(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Bytes a cell of the type takes at least; 0 for a type that is never read.
size_t MinCellSize(uint8_t type) {
  switch (type) {
    case kDbByte: return 1;
    case kDbShort: return 2;
    case kDbLong: return 4;
    case kDbFloat: return 4;
    case kDbDouble: return 8;
    case kDbText: return 1;
    default: return 0;
  }
}

float FloatOf(uint64_t cell) {
  const uint32_t bits = uint32_t(cell);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

double DoubleOf(uint64_t cell) {
  double d;
  std::memcpy(&d, &cell, 8);
  return d;
}

// Appends the candidates that `keep` accepts, in candidate order. Candidates are the rows below
// `limit` (the rows whose cell holds a value), or the entries of `previous` below it.
template <class Keep>
TDbSelection Scan(uint32_t limit, const TDbSelection* previous, Keep keep) {
  TDbSelection out;
  if (!previous) {
    for (TDbRowRef r = 0; r < limit; ++r) {
      if (keep(r)) out.push_back(r);
    }
  } else {
    // Narrowing never grows a selection: write every candidate and advance past the kept ones.
    out.resize(previous->size());
    size_t kept = 0;
    for (TDbRowRef r : *previous) {
      out[kept] = r;
      kept += r < limit && keep(r);
    }
    out.resize(kept);
  }
  return out;
}

// Equal, Greater or Less of a value read by `get` against `v`. With floating-point operands a
// NaN on either side fails all three.
template <class T, class Get>
TDbSelection Compare(int mode, T v, uint32_t limit, const TDbSelection* previous, Get get) {
  switch (mode) {
    case kDbEqual: return Scan(limit, previous, [&](TDbRowRef r) { return get(r) == v; });
    case kDbGreater: return Scan(limit, previous, [&](TDbRowRef r) { return get(r) > v; });
    case kDbLess: return Scan(limit, previous, [&](TDbRowRef r) { return get(r) < v; });
    default: return {};
  }
}

}  // namespace

int TDbTable::Load(const char* path) {
  Free();
  FILE* f = path ? vfopen(path, "rb") : nullptr;
  if (!f) return kDbNotOpened;
  const long length = GetFileLength(f);
  if (length < 0) {
    std::fclose(f);
    return kDbBadData;
  }
  std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[size_t(length) + 1]);
  if (!file) {
    std::fclose(f);
    return kDbNoMemory;
  }
  vplat::AdviseLargeBlock(file.get(), size_t(length) + 1);
  const size_t got = std::fread(file.get(), 1, size_t(length), f);
  std::fclose(f);
  if (got != size_t(length)) return kDbBadData;
  return LoadFromMemory(file.get(), size_t(length));
}

int TDbTable::LoadFromMemory(const uint8_t* data, size_t length) {
  Free();
  int result;
  if (length >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 0) {
    size_t unpackedLength = 0;
    LzwBuffer image = LzwDecode(data + 3, length - 3, &unpackedLength);
    result = image ? Decode(image.get(), unpackedLength) : kDbBadData;
  } else {
    result = Decode(data, length);
  }
  if (result != kDbOk) Free();
  ok = result == kDbOk ? 1 : 0;
  return result;
}

int TDbTable::Decode(const uint8_t* image, size_t length) {
  if (length < kHeaderSize || std::memcmp(image, kMagic, sizeof kMagic) != 0) return kDbBadData;
  const uint32_t n = image[8];
  const uint32_t r = Le32(image + 9);
  const size_t cellsStart = kHeaderSize + kDescriptorSize * n;
  if (cellsStart > length) return kDbBadData;

  try {
    descriptors.resize(n);
    slot_.assign(n, -1);
    size_t known = 0, minRowBytes = 0;
    for (uint32_t k = 0; k < n; ++k) {
      const uint8_t* d = image + kHeaderSize + kDescriptorSize * k;
      for (int i = 0; i < 8; ++i) descriptors[k].name[i] = Fold(char(d[i]));
      descriptors[k].type = d[8];
      if (d[8] <= kDbText) {
        slot_[k] = int32_t(known++);
        minRowBytes += MinCellSize(d[8]);
      }
    }
    columns = n;
    // A table without a readable column has no rows, whatever the header claims.
    if (known == 0 || r == 0) return kDbOk;

    // Every row takes at least minRowBytes, so the rows that can hold a decoded cell are bounded
    // by the bytes present, not by the header. Since each known cell takes a byte or more, the
    // cell array never exceeds the image's size in cells.
    const uint8_t* p = image + cellsStart;
    const uint8_t* const end = image + length;
    const size_t bytesLeft = size_t(end - p);
    stride_ = std::min<size_t>(r, bytesLeft / minRowBytes + 1);
    cells_.reset(new uint64_t[stride_ * known]);
    vplat::AdviseLargeBlock(cells_.get(), stride_ * known * sizeof(uint64_t));
    bool hasText = false;
    for (const TDbColumn& c : descriptors) hasText |= c.type == kDbText;
    // Each text of length L takes L + 1 bytes of the image and at most L + 1 of the arena.
    if (hasText) {
      text_.reset(new char[bytesLeft]);
      vplat::AdviseLargeBlock(text_.get(), bytesLeft);
    }
    size_t textUsed = 0;

    uint64_t decoded = 0;
    uint32_t row = 0;
    bool stopped = false;
    bool rowHasCell = false;
    for (; row < r && !stopped; ++row) {
      rowHasCell = false;
      for (uint32_t k = 0; k < n; ++k, ++decoded) {
        const uint8_t type = descriptors[k].type;
        if (type > kDbText) continue;  // no bytes, no value
        const size_t left = size_t(end - p);
        size_t size = MinCellSize(type);
        if (type == kDbText && left >= 1) size += p[0];
        if (left < size || row >= stride_) {
          stopped = true;
          break;
        }
        uint64_t cell;
        switch (type) {
          case kDbByte: cell = p[0]; break;
          case kDbShort: cell = uint64_t(int64_t(int16_t(uint16_t(p[0] | p[1] << 8)))); break;
          case kDbLong: cell = uint64_t(int64_t(int32_t(Le32(p)))); break;
          case kDbFloat: cell = Le32(p); break;
          case kDbDouble: cell = Le64(p); break;
          default: {
            const size_t textLength = strnlen(reinterpret_cast<const char*>(p + 1), p[0]);
            cell = 0;
            if (textLength > 0) {
              std::memcpy(text_.get() + textUsed, p + 1, textLength);
              text_[textUsed + textLength] = '\0';
              cell = uint64_t(textUsed) << 8 | textLength;
              textUsed += textLength + 1;
            }
            break;
          }
        }
        cells_[size_t(slot_[k]) * stride_ + row] = cell;
        p += size;
        rowHasCell = true;
      }
    }
    decoded_ = decoded;
    // `row` has moved past the row where decoding stopped; that row counts only when one of
    // its cells was decoded.
    rows = stopped && !rowHasCell ? row - 1 : row;
  } catch (const std::bad_alloc&) {
    return kDbNoMemory;
  }
  return kDbOk;
}

void TDbTable::Free() {
  ok = 0;
  name.clear();
  source.clear();
  rows = 0;
  columns = 0;
  descriptors.clear();
  slot_.clear();
  cells_.reset();
  stride_ = 0;
  decoded_ = 0;
  text_.reset();
}

uint8_t TDbTable::GetColumnIndex(const char* column) const {
  if (!column) return kDbNoColumn;
  char want[8] = {};
  for (int i = 0; i < 8 && column[i]; ++i) want[i] = Fold(column[i]);
  // Names compare as NUL-terminated texts of at most 8 characters on both sides.
  for (size_t k = 0; k < descriptors.size() && k < kDbNoColumn; ++k) {
    if (std::strncmp(descriptors[k].name, want, 8) == 0) return uint8_t(k);
  }
  return kDbNoColumn;
}

bool TDbTable::HasValue(TDbRowRef row, uint8_t column) const {
  return row < rows && column < columns && slot_[column] >= 0 &&
         uint64_t(row) * columns + column < decoded_;
}

bool TDbTable::GetNumber(TDbRowRef row, uint8_t column, double* value) const {
  if (!HasValue(row, column)) return false;
  const uint64_t cell = Cell(row, column);
  switch (descriptors[column].type) {
    case kDbByte:
    case kDbShort:
    case kDbLong: *value = double(int64_t(cell)); return true;
    case kDbFloat: *value = FloatOf(cell); return true;
    case kDbDouble: *value = DoubleOf(cell); return true;
    default: return false;
  }
}

const char* TDbTable::GetText(TDbRowRef row, uint8_t column) const {
  if (!HasValue(row, column) || descriptors[column].type != kDbText) return nullptr;
  const uint64_t cell = Cell(row, column);
  return (cell & 0xFF) ? text_.get() + (cell >> 8) : nullptr;
}

TDbSelection TDbTable::Select(const char* column, int mode, const TDbValue& value,
                              uint32_t* count, const TDbSelection* previous) const {
  TDbSelection out;
  uint8_t k = kDbNoColumn;
  if (column) {
    k = GetColumnIndex(column);
    if (k == kDbNoColumn || descriptors[k].type > kDbText) return out;
  }
  if (mode == kDbAll) {
    if (!previous) {
      out.resize(rows);
      for (uint32_t r = 0; r < rows; ++r) out[r] = r;
    }
  } else if (k != kDbNoColumn) {
    // The rows whose cell in column k was decoded: cell (r, k) precedes the stop in row-major
    // order.
    uint32_t limit = 0;
    if (decoded_ > k) limit = uint32_t(std::min<uint64_t>(rows, (decoded_ - k - 1) / columns + 1));
    const uint64_t* cells = cells_.get() + size_t(std::max(slot_[k], 0)) * stride_;
    const uint8_t type = descriptors[k].type;
    const TDbValue::Kind kind = value.kind();
    if (type == kDbText) {
      if (kind == TDbValue::kText) {
        const std::string_view v(value.text());
        const char* arena = text_.get();
        auto text = [&](TDbRowRef r) {
          const uint64_t c = cells[r];
          return (c & 0xFF) ? std::string_view(arena + (c >> 8), size_t(c & 0xFF))
                            : std::string_view();
        };
        switch (mode) {
          case kDbContains:
            out = Scan(limit, previous,
                       [&](TDbRowRef r) { return text(r).find(v) != std::string_view::npos; });
            break;
          case kDbBeginsWith:
            out = Scan(limit, previous, [&](TDbRowRef r) { return text(r).starts_with(v); });
            break;
          default: out = Compare(mode, v, limit, previous, text); break;
        }
      }
    } else if (kind != TDbValue::kText) {
      switch (type) {
        case kDbByte:
        case kDbShort:
        case kDbLong:
          if (kind == TDbValue::kInteger) {
            out = Compare(mode, value.integer(), limit, previous,
                          [&](TDbRowRef r) { return int64_t(cells[r]); });
          } else {
            out = Compare(mode, value.real(), limit, previous,
                          [&](TDbRowRef r) { return double(int64_t(cells[r])); });
          }
          break;
        case kDbFloat: {
          const float v = kind == TDbValue::kInteger ? float(value.integer()) : float(value.real());
          out = Compare(mode, v, limit, previous, [&](TDbRowRef r) { return FloatOf(cells[r]); });
          break;
        }
        default: {
          const double v = kind == TDbValue::kInteger ? double(value.integer()) : value.real();
          out = Compare(mode, v, limit, previous, [&](TDbRowRef r) { return DoubleOf(cells[r]); });
          break;
        }
      }
    }
  }
  if (count) *count = uint32_t(out.size());
  return out;
}
