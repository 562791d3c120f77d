// The module's decoders behind one interface. A level of a picture is read either in bands of
// whole rows (JPEG, strip TIFF, BMP) or, where the file is tiled, tile by tile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win.h"

namespace pelnor {

enum Format : uint8_t { kFormatNone = 0, kFormatJpeg = 1, kFormatTiff = 2, kFormatBmp = 3 };

enum Result { kOk = 0, kBadPicture = 1, kCannotOpen = 2, kNoMemory = 3 };

// A picture of at most this many pixels that is not a tiled file is loaded whole.
inline constexpr int64_t kWholeLimit = int64_t(16) << 20;
// The tile side for pictures that are not tiled in their file.
inline constexpr int kBandTile = 256;
// A tile of the file larger than this many pixels is not taken (its buffer would be 16 MB).
inline constexpr int64_t kMaxTilePixels = int64_t(4) << 20;

// A file read through the device layer.
class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool Open(const char* path);
  // Bytes read (fewer at the end of the file); -1 on failure.
  int64_t Read(void* buffer, size_t bytes);
  bool Seek(uint64_t offset);
  uint64_t Size() const { return size_; }
  // The last write time (100 ns units), 0 when the layer has none.
  uint64_t Written() const { return written_; }
  uint64_t Tell() const { return pos_; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;
  uint64_t written_ = 0;
  uint64_t pos_ = 0;
};

// One level of a picture as its header tells it.
struct Level {
  int32_t width = 0, height = 0;
  int32_t id = 1;           // directory number (TIFF) or scale divisor (JPEG)
  int32_t tileWidth = 0;    // of the file's own tiles; 0 when the level is read in bands
  int32_t tileHeight = 0;
};

struct Head {
  Format format = kFormatNone;
  std::vector<Level> levels;  // the full picture first, then smaller ones by decreasing width
};

// Reads one level. Pixels are 0x00RRGGBB words.
class Decoder {
 public:
  virtual ~Decoder() = default;
  // Bands: columns [x0, x0 + width) of rows asked for in increasing order.
  virtual int Begin(int32_t x0, int32_t width) = 0;
  // Rows [y, y + rows) top-down; row r goes to dst + r * stride (in pixels, may be negative).
  virtual int Read(int32_t y, int32_t rows, uint32_t* dst, ptrdiff_t stride) = 0;
  // A tile of the file at (x, y) into a tileWidth x tileHeight bottom-up buffer, rows of a short
  // tile at the buffer's end, columns of a narrow one at each row's left.
  virtual int ReadTile(int32_t x, int32_t y, uint32_t* dst) { return kBadPicture; }
};

// `head` filled from the file at `path`; a result code.
int ReadHead(const char* path, Head* head);
// A decoder for level `id` of a picture of `format`; null with `*rc` set on failure.
std::unique_ptr<Decoder> OpenDecoder(const char* path, Format format, int32_t id, int* rc);

int ReadJpegHead(const char* path, Head* head);
std::unique_ptr<Decoder> OpenJpeg(const char* path, int32_t scale, int* rc);
int ReadTiffHead(const char* path, Head* head);
std::unique_ptr<Decoder> OpenTiff(const char* path, int32_t directory, int* rc);
int ReadBmpHead(const char* path, Head* head);
std::unique_ptr<Decoder> OpenBmp(const char* path, int* rc);

}  // namespace pelnor
