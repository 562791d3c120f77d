// One object of a vector map and the point buffer through which vertex lists travel.
#pragma once

#include <cstddef>
#include <cstdint>

// A vertex in map units: int32 offsets from the map's frame origin.
struct TMapPoint {
  int32_t x, y;
};

// Object record. The record owns its vertices, attribute list and name (malloc'd, so that the
// vertex array can grow in place while a track is recorded); TMdmMap frees them.
struct TMapObject {
  // flags
  static constexpr uint8_t kInView = 0x04;
  static constexpr uint8_t kPassesLevel = 0x08;
  static constexpr uint8_t kStyleCached = 0x10;
  static constexpr uint8_t kMadeInMemory = 0x20;
  static constexpr uint8_t kGroupHead = 0x40;
  static constexpr uint8_t kGroupMember = 0x80;
  // entry flags
  static constexpr uint8_t kEntryCreated = 0x02;
  static constexpr uint8_t kEntryCloseGroup = 0x10;
  static constexpr uint8_t kEntryOpenGroup = 0x40;
  // state
  static constexpr uint8_t kStateNone = 0;
  static constexpr uint8_t kStateRead = 1;
  static constexpr uint8_t kStateToRead = 3;
  static constexpr uint8_t kStateToFree = 4;
  static constexpr uint8_t kStateFailed = 5;

  uint8_t kind;
  uint16_t code;
  int32_t box[4];  // x min, y min, x max, y max (a point: first corner, second corner)
  uint8_t level;
  uint8_t flags;
  uint8_t state;
  uint8_t style[7];   // cached leading style bytes; for a text byte 0 mirrors `placement`
  uint8_t placement;  // a text's alignment byte, as stored in the file (0 for other kinds)
  // The stored entry is damaged (a box with min above max) or its bytes could not be read:
  // never drawn or picked, and written back with its stored bytes as they were.
  uint8_t damaged;
  uint32_t geomOffset;
  uint32_t geomSize;  // bytes; 8 a vertex in memory
  uint16_t attrLength;
  int32_t groupHead;
  uint8_t entryFlags;
  int32_t vertexCount;
  int32_t vertexCapacity;  // vertices the array has room for
  TMapPoint* vertices;
  uint8_t* attrs;
  wchar_t* name;

  // A record made in memory: drawn at once, never read back from the file.
  void InitNew();
  // Frees the three owned buffers and clears their pointers and sizes.
  void FreeBuffers();
  // Box = bounds of the vertices (unchanged without vertices).
  void UpdateBox();
  // Replaces the name by `text` (len bytes of 8-bit text) widened; false when out of memory.
  bool SetName(const char* text, size_t len);
  void ClearName();
};

// Object records are zeroed and copied with memset/realloc by the map's growable array.
static_assert(sizeof(TMapObject) > 0 && __is_trivially_copyable(TMapObject));

// A count and room for count + 1 points: the spare point lets the area setter close a ring in
// place.
struct TPointBuf {
  int32_t count = 0;
  TMapPoint* points = nullptr;

  TPointBuf() = default;
  TPointBuf(const TPointBuf&) = delete;
  TPointBuf& operator=(const TPointBuf&) = delete;
  ~TPointBuf() { Free(); }

  // Room for n + 1 points; returns the byte size (n * 8 + 8), 0 when out of memory or n < 0.
  // The count is left to whoever fills the buffer.
  size_t Alloc(int32_t n);
  void Free();
};
