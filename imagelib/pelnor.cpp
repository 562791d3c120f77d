// The four entry points: the record and its levels, whole pictures, the tile cache, and the
// fitted bitmap of the raster-map library's viewer.
#include "imagelib/pelnor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <sys/mman.h>
#include <new>
#include <string>
#include <vector>

#include "imagelib/decoder.h"

using namespace pelnor;

namespace {

constexpr uint8_t kFileTiles = 0x80;

Format FormatOf(const PelnorImage* image) { return Format(image->format & ~kFileTiles); }

// Bytes of a w x h 32-bit picture, or -1 when that does not fit a size_t.
int64_t PictureBytes(int64_t w, int64_t h) {
  if (w <= 0 || h <= 0 || w > (int64_t(1) << 31) || h > (int64_t(1) << 31)) return -1;
  int64_t bytes = w * h * 4;  // at most 2^64 / 2: no overflow
  if (uint64_t(bytes) > uint64_t(SIZE_MAX / 2)) return -1;
  return bytes;
}

// A block for pixels, given back with free. Big blocks are aligned to and advised for 2 MB pages
// where the host has them: a 64 MB picture then costs 32 page faults instead of 16,384, which
// on a virtual machine is most of the time of a whole-picture load.
void* AllocPixels(size_t bytes) {
  constexpr size_t kHuge = size_t(2) << 20;
  if (bytes < kHuge) return std::malloc(bytes);
  const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
  void* p = nullptr;
  if (posix_memalign(&p, kHuge, rounded) != 0) return nullptr;
  madvise(p, rounded, MADV_HUGEPAGE);
  return p;
}

void FillHeader(void* block, int32_t width, int32_t height) {
  auto* b = static_cast<uint8_t*>(block);
  std::memset(b, 0, PELNOR_HEADER_BYTES);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;  // bottom-up
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_BITFIELDS;
  h.biSizeImage = DWORD(uint64_t(width) * uint64_t(height) * 4);
  std::memcpy(b, &h, sizeof h);
  const uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
  std::memcpy(b + sizeof h, masks, sizeof masks);
}

void FreeTiles(PelnorImage* image) {
  if (!image->tiles) return;
  for (int32_t i = 0; i < image->tileCount; ++i) std::free(image->tiles[i].pixels);
  std::free(image->tiles);
  image->tiles = nullptr;
  image->tileCount = 0;
}

// The tile table of a record with tiles of tw x th over its level.
int MakeTiles(PelnorImage* image, int32_t tw, int32_t th) {
  int64_t cols = (int64_t(image->width) + tw - 1) / tw;
  int64_t rows = (int64_t(image->height) + th - 1) / th;
  int64_t count = cols * rows;
  if (count <= 0 || count > INT32_MAX / int64_t(sizeof(PelnorTile))) return kNoMemory;
  auto* tiles = static_cast<PelnorTile*>(std::calloc(size_t(count), sizeof(PelnorTile)));
  if (!tiles) return kNoMemory;
  for (int64_t r = 0; r < rows; ++r)
    for (int64_t c = 0; c < cols; ++c) {
      PelnorTile& t = tiles[r * cols + c];
      t.x = int32_t(c * tw);
      t.y = int32_t(r * th);
      t.width = int16_t(std::min<int64_t>(tw, image->width - t.x));
      t.height = int16_t(std::min<int64_t>(th, image->height - t.y));
    }
  image->tiles = tiles;
  image->tileCount = int32_t(count);
  image->tileWidth = int16_t(tw);
  image->tileHeight = int16_t(th);
  return kOk;
}

// A record for one level, tiled: the file's tiles or bands cut into squares.
int SetUpTiledLevel(PelnorImage* image, Format format, const Level& level) {
  // The high bit marks a level read in the file's own tiles.
  image->format = uint8_t(format | (level.tileWidth ? kFileTiles : 0));
  image->tiled = 1;
  image->width = level.width;
  image->height = level.height;
  image->level = level.id;
  int32_t tw = level.tileWidth ? level.tileWidth : kBandTile;
  int32_t th = level.tileHeight ? level.tileHeight : kBandTile;
  FillHeader(image->header, tw, th);
  return MakeTiles(image, tw, th);
}

// Frees the chained records (not the first) and the first record's tiles.
void ReleaseChain(PelnorImage* image) {
  PelnorImage* next = image->next;
  while (next) {
    PelnorImage* after = next->next;
    FreeTiles(next);
    std::free(next->pixels);
    std::free(next->header);
    std::free(next);
    next = after;
  }
  image->next = nullptr;
  FreeTiles(image);
}

// The wanted tiles lacking pixels of a band-read record, one pass over their rows: the columns
// of every such tile are cropped together, rows between are skipped.
int LoadBandTiles(const char* path, PelnorImage* image) {
  const int32_t tw = image->tileWidth, th = image->tileHeight;
  int32_t x0 = INT32_MAX, x1 = -1;
  for (int32_t i = 0; i < image->tileCount; ++i) {
    const PelnorTile& t = image->tiles[i];
    if (!t.wanted || t.pixels) continue;
    x0 = std::min(x0, t.x);
    x1 = std::max(x1, t.x + t.width);
  }
  if (x1 < 0) return kOk;
  int rc = kOk;
  std::unique_ptr<Decoder> d = OpenDecoder(path, FormatOf(image), image->level, &rc);
  if (!d) return rc;
  if ((rc = d->Begin(x0, x1 - x0)) != kOk) return rc;
  const int32_t width = x1 - x0;
  int64_t bandBytes = PictureBytes(width, th);
  if (bandBytes < 0) return kNoMemory;
  auto* band = static_cast<uint32_t*>(AllocPixels(size_t(bandBytes)));
  if (!band) return kNoMemory;
  const int64_t cols = (int64_t(image->width) + tw - 1) / tw;
  const int32_t rows = image->tileCount / int32_t(cols);
  for (int32_t r = 0; r < rows && rc == kOk; ++r) {
    PelnorTile* row = image->tiles + int64_t(r) * cols;
    bool needed = false;
    for (int64_t c = 0; c < cols; ++c) needed = needed || (row[c].wanted && !row[c].pixels);
    if (!needed) continue;
    const int32_t h = row[0].height;
    if ((rc = d->Read(row[0].y, h, band, width)) != kOk) break;
    for (int64_t c = 0; c < cols; ++c) {
      PelnorTile& t = row[c];
      if (!t.wanted || t.pixels) continue;
      auto* px = static_cast<uint32_t*>(std::malloc(size_t(tw) * size_t(th) * 4));
      if (!px) {
        rc = kNoMemory;
        break;
      }
      if (t.height < th || t.width < tw) std::memset(px, 0, size_t(tw) * size_t(th) * 4);
      for (int32_t i = 0; i < h; ++i)
        std::memcpy(px + size_t(th - 1 - i) * size_t(tw), band + size_t(i) * size_t(width) + size_t(t.x - x0),
                    size_t(t.width) * 4);
      t.pixels = px;
    }
  }
  std::free(band);
  return rc;
}

// The decoder of the last file-tiled level read, kept open between tile requests: opening a big
// TIFF reads its whole offset tables again. It is taken only while the file keeps its size and
// last write time. The program and the raster-map library call from one thread.
struct KeptDecoder {
  std::string path;
  int32_t level = 0;
  uint64_t size = 0, written = 0;
  std::unique_ptr<Decoder> decoder;
};

KeptDecoder& Kept() {
  static KeptDecoder kept;
  return kept;
}

Decoder* FileTileDecoder(const char* path, const PelnorImage* image, int* rc) {
  File probe;
  if (!probe.Open(path)) {
    *rc = kCannotOpen;
    return nullptr;
  }
  KeptDecoder& kept = Kept();
  if (kept.decoder && kept.path == path && kept.level == image->level && kept.size == probe.Size() &&
      kept.written == probe.Written() && probe.Written() != 0)
    return kept.decoder.get();
  kept.decoder.reset();
  kept.decoder = OpenDecoder(path, FormatOf(image), image->level, rc);
  if (!kept.decoder) return nullptr;
  kept.path = path;
  kept.level = image->level;
  kept.size = probe.Size();
  kept.written = probe.Written();
  return kept.decoder.get();
}

int LoadFileTiles(const char* path, PelnorImage* image) {
  bool any = false;
  for (int32_t i = 0; i < image->tileCount; ++i) any = any || (image->tiles[i].wanted && !image->tiles[i].pixels);
  if (!any) return kOk;
  int rc = kOk;
  Decoder* d = FileTileDecoder(path, image, &rc);
  if (!d) return rc;
  const size_t bytes = size_t(image->tileWidth) * size_t(image->tileHeight) * 4;
  int result = kOk;
  for (int32_t i = 0; i < image->tileCount; ++i) {
    PelnorTile& t = image->tiles[i];
    if (!t.wanted || t.pixels) continue;
    auto* px = static_cast<uint32_t*>(std::malloc(bytes));
    if (!px) return kNoMemory;
    rc = d->ReadTile(t.x, t.y, px);
    if (rc != kOk) {
      // A damaged tile stays empty; the others still load.
      std::free(px);
      result = rc;
      continue;
    }
    t.pixels = px;
  }
  return result;
}

// The source level for a picture fitted into maxW x maxH: the smallest that is still at least
// as large as the fit, so that scaling down only drops pixels.
const Level& FitLevel(const Head& head, int32_t fitW, int32_t fitH) {
  const Level* best = &head.levels[0];
  for (const Level& l : head.levels)
    if (l.width >= fitW && l.height >= fitH && l.width < best->width) best = &l;
  return *best;
}

}  // namespace

extern "C" int LoadMapImageHead(const char* path, PelnorImage* image) {
  if (!path || !image) return kBadPicture;
  Head head;
  int rc;
  try {
    rc = ReadHead(path, &head);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  if (rc != kOk) return rc;
  if (!image->header && !(image->header = std::calloc(1, PELNOR_HEADER_BYTES))) return kNoMemory;
  const Level& main = head.levels[0];
  image->next = nullptr;
  image->tiles = nullptr;
  image->tileCount = 0;
  if (!main.tileWidth && int64_t(main.width) * main.height <= kWholeLimit) {
    image->format = head.format;
    image->tiled = 0;
    image->width = main.width;
    image->height = main.height;
    image->level = main.id;
    image->tileWidth = image->tileHeight = 0;
    FillHeader(image->header, main.width, main.height);
    return kOk;
  }
  if ((rc = SetUpTiledLevel(image, head.format, main)) != kOk) {
    ReleaseChain(image);
    return rc;
  }
  PelnorImage* last = image;
  for (size_t i = 1; i < head.levels.size(); ++i) {
    auto* next = static_cast<PelnorImage*>(std::calloc(1, sizeof(PelnorImage)));
    void* header = next ? std::calloc(1, PELNOR_HEADER_BYTES) : nullptr;
    if (!header) {
      std::free(next);
      ReleaseChain(image);
      return kNoMemory;
    }
    next->header = header;
    last->next = next;
    last = next;
    if ((rc = SetUpTiledLevel(next, head.format, head.levels[i])) != kOk) {
      ReleaseChain(image);
      return rc;
    }
  }
  return kOk;
}

extern "C" int LoadMapImageFull(const char* path, PelnorImage* image) {
  if (!path || !image || image->tiled || !image->header) return kBadPicture;
  if (image->pixels) return kOk;
  if (int64_t(image->width) * image->height > kWholeLimit) return kBadPicture;
  int64_t bytes = PictureBytes(image->width, image->height);
  if (bytes < 0) return kBadPicture;
  try {
    int rc = kOk;
    std::unique_ptr<Decoder> d = OpenDecoder(path, FormatOf(image), image->level, &rc);
    if (!d) return rc;
    if ((rc = d->Begin(0, image->width)) != kOk) return rc;
    auto* px = static_cast<uint32_t*>(AllocPixels(size_t(bytes)));
    if (!px) return kNoMemory;
    // Bottom-up: the top row is the last in memory.
    rc = d->Read(0, image->height, px + size_t(image->height - 1) * size_t(image->width), -ptrdiff_t(image->width));
    if (rc != kOk) {
      std::free(px);
      return rc;
    }
    image->pixels = px;
    return kOk;
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

extern "C" int LoadMapImageTiles(const char* path, PelnorImage* image) {
  if (!path || !image || !image->tiled || !image->tiles || image->tileWidth <= 0 || image->tileHeight <= 0)
    return kBadPicture;
  for (int32_t i = 0; i < image->tileCount; ++i) {
    PelnorTile& t = image->tiles[i];
    if (!t.wanted && t.pixels) {
      std::free(t.pixels);
      t.pixels = nullptr;
    }
  }
  try {
    return (image->format & kFileTiles) ? LoadFileTiles(path, image) : LoadBandTiles(path, image);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

extern "C" int LoadMapImage(const char* path, HDC dc, int maxWidth, int maxHeight, HBITMAP* bitmap,
                            int* width, int* height) {
  if (!path || !bitmap || !width || !height || maxWidth <= 0 || maxHeight <= 0) return kBadPicture;
  *bitmap = nullptr;
  try {
    Head head;
    int rc = ReadHead(path, &head);
    if (rc != kOk) return rc;
    const Level& main = head.levels[0];
    const double s = std::min({1.0, double(maxWidth) / main.width, double(maxHeight) / main.height});
    const int32_t outW = std::max(1, int32_t(main.width * s));
    const int32_t outH = std::max(1, int32_t(main.height * s));
    Level src = FitLevel(head, outW, outH);
    if (head.format == kFormatJpeg && head.levels.size() == 1) {
      // Every JPEG decodes at 1/2, 1/4 and 1/8 for nothing: the smallest still large enough.
      for (int32_t scale : {8, 4, 2}) {
        int32_t w = int32_t((int64_t(main.width) + scale - 1) / scale);
        int32_t h = int32_t((int64_t(main.height) + scale - 1) / scale);
        if (w >= outW && h >= outH) {
          src = Level{w, h, scale, 0, 0};
          break;
        }
      }
    }
    std::unique_ptr<Decoder> d = OpenDecoder(path, head.format, src.id, &rc);
    if (!d) return rc;
    if ((rc = d->Begin(0, src.width)) != kOk) return rc;

    uint8_t info[PELNOR_HEADER_BYTES];
    FillHeader(info, outW, outH);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) {
      if (bmp) DeleteObject(bmp);
      return kNoMemory;
    }
    auto* out = static_cast<uint32_t*>(bits);
    constexpr int32_t kBandRows = 64;
    std::vector<uint32_t> band(size_t(src.width) * kBandRows);
    std::vector<int32_t> column(static_cast<size_t>(outW));
    for (int32_t x = 0; x < outW; ++x) column[size_t(x)] = int32_t(int64_t(x) * src.width / outW);
    int32_t oy = 0;
    for (int32_t b0 = 0; b0 < src.height && oy < outH && rc == kOk; b0 += kBandRows) {
      const int32_t n = std::min(kBandRows, src.height - b0);
      // Only bands that hold a sampled row are decoded.
      int32_t firstWanted = int32_t(int64_t(oy) * src.height / outH);
      if (firstWanted >= b0 + n) continue;
      if ((rc = d->Read(b0, n, band.data(), src.width)) != kOk) break;
      for (; oy < outH; ++oy) {
        int32_t sy = int32_t(int64_t(oy) * src.height / outH);
        if (sy >= b0 + n) break;
        const uint32_t* in = band.data() + size_t(sy - b0) * size_t(src.width);
        uint32_t* row = out + size_t(outH - 1 - oy) * size_t(outW);
        for (int32_t x = 0; x < outW; ++x) row[x] = in[column[size_t(x)]];
      }
    }
    if (rc != kOk) {
      DeleteObject(bmp);
      return rc;
    }
    *bitmap = bmp;
    *width = outW;
    *height = outH;
    return kOk;
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}
