// Byte layout of a vector map file and the little-endian helpers its reader and writer use.
//
// A map file is: a 77-byte header, the entry table at offset 77 (29- or 19-byte entries), a
// reserved block, the header attribute list, then per object its geometry block, its attribute
// list and (text objects of version 2 and later) one placement byte. Nothing is aligned.
#pragma once

#include <cstdint>
#include <cstring>

namespace mdm {

// ---- little-endian fields over byte buffers ----
inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t GetI32(const uint8_t* p) { return int32_t(GetU32(p)); }
inline uint64_t GetU64(const uint8_t* p) { return uint64_t(GetU32(p)) | (uint64_t(GetU32(p + 4)) << 32); }
inline float GetF32(const uint8_t* p) {
  uint32_t u = GetU32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
inline double GetF64(const uint8_t* p) {
  uint64_t u = GetU64(p);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void PutI32(uint8_t* p, int32_t v) { PutU32(p, uint32_t(v)); }
inline void PutU64(uint8_t* p, uint64_t v) {
  PutU32(p, uint32_t(v));
  PutU32(p + 4, uint32_t(v >> 32));
}
inline void PutF32(uint8_t* p, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  PutU32(p, u);
}
inline void PutF64(uint8_t* p, double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  PutU64(p, u);
}

// ---- header ----
constexpr uint32_t kHeaderSize = 77;
constexpr char kMagic[5] = {'M', 'D', 'M', '2', 'D'};
constexpr int kOffVersion = 5;
constexpr int kOffFlags = 6;
constexpr int kOffScale = 7;         // uint32 nominal scale denominator
constexpr int kOffReserved11 = 11;   // uint32, 0 in new maps
constexpr int kOffFrame = 19;        // six doubles: X1, Y1, reserved, X2, Y2, reserved
constexpr int kOffTableEnd = 67;     // uint32
constexpr int kOffReservedLen = 71;  // uint16
constexpr int kOffHeaderListLen = 73;  // uint16
constexpr int kOffEntryCount = 75;   // uint16

constexpr uint8_t kFlagWideEntries = 0x02;  // 29-byte entries, 8-byte vertices
constexpr uint8_t kFlagWritten = 0x04;      // written by the map writer
constexpr int kUnitShift = 5;               // bits 5..7: unit exponent e, unit = 10^(e-3) m

// ---- entries ----
constexpr uint32_t kEntryWide = 29;
constexpr uint32_t kEntryNarrow = 19;

// The header list holds the object library's name as a text under this tag. The sample
// writer and the developers' guide use the same number.
constexpr uint16_t kLibraryNameTag = 1;

// Attribute value types.
enum : uint8_t {
  kAttrU8 = 0,
  kAttrI16 = 1,
  kAttrI32 = 2,
  kAttrFloat = 3,
  kAttrDouble = 4,
  kAttrText = 5,
  kAttrIndex = 6,
  kAttrIndexList = 7,
};

// Object kinds (code & 7).
enum : uint8_t { kKindEmpty = 0, kKindPoint = 1, kKindLine = 2, kKindArea = 3, kKindText = 4 };

// Tags with fixed meaning.
constexpr uint16_t kTagText = 9;
constexpr uint16_t kTagText2 = 99;

}  // namespace mdm
