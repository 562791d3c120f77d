// TIFF through libtiff, reading the file through the device layer. Every sample layout the
// library's RGBA interface knows (bilevel, grey, palette, 16-bit, planar, YCbCr, JPEG tiles)
// comes out as 8-bit RGBA; its error and warning messages are swallowed per file.
#include <algorithm>
#include <cstdarg>
#include <cstring>

#include <tiffio.h>

#include "imagelib/decoder.h"

namespace pelnor {
namespace {

// libtiff may not take more than this in one block for one file: a lying header cannot make it
// reach for gigabytes.
constexpr tmsize_t kMaxLibraryBlock = tmsize_t(256) << 20;
// Directories looked at for reduced images; more is a loop or a hostile file.
constexpr int kMaxDirectories = 64;

int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t size) {
  if (size < 0) return -1;
  return tmsize_t(static_cast<File*>(h)->Read(buf, size_t(size)));
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }
toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  File* f = static_cast<File*>(h);
  uint64_t base = whence == SEEK_CUR ? f->Tell() : whence == SEEK_END ? f->Size() : 0;
  uint64_t to = base + off;
  // libtiff seeks past the end only to write; a reader asking that gets a failure.
  if (!f->Seek(to)) return toff_t(-1);
  return to;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<File*>(h)->Size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// An open TIFF with its file.
struct Tiff {
  File file;
  TIFF* tif = nullptr;
  ~Tiff() {
    if (tif) TIFFClose(tif);
  }
  int Open(const char* path) {
    if (!file.Open(path)) return kCannotOpen;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return kNoMemory;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryBlock);
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    // "m": no memory mapping, every read goes through the layer.
    tif = TIFFClientOpenExt("picture", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc,
                            SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif ? kOk : kBadPicture;
  }
};

// The current directory as a level; false when the RGBA interface cannot read it or its sizes
// do not hold.
bool DescribeLevel(TIFF* tif, int32_t id, Level* level) {
  uint32_t w = 0, h = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) return false;
  if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) return false;
  char message[1024];
  if (!TIFFRGBAImageOK(tif, message)) return false;
  *level = Level{int32_t(w), int32_t(h), id, 0, 0};
  if (TIFFIsTiled(tif)) {
    uint32_t tw = 0, th = 0;
    if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th)) return false;
    if (tw == 0 || th == 0 || tw > 32767 || th > 32767 || int64_t(tw) * th > kMaxTilePixels) return false;
    level->tileWidth = int32_t(tw);
    level->tileHeight = int32_t(th);
  }
  return true;
}

// libtiff's RGBA words are 0xAABBGGRR; the module's are 0x00RRGGBB.
inline uint32_t Swap(uint32_t p) { return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu); }

class TiffDecoder : public Decoder {
 public:
  explicit TiffDecoder(int32_t directory) : directory_(directory) {}

  int Open(const char* path) {
    int rc = tiff_.Open(path);
    if (rc != kOk) return rc;
    if (!TIFFSetDirectory(tiff_.tif, tdir_t(directory_))) return kBadPicture;
    if (!DescribeLevel(tiff_.tif, directory_, &level_)) return kBadPicture;
    return kOk;
  }

  int Begin(int32_t x0, int32_t width) override {
    if (x0 < 0 || width <= 0 || int64_t(x0) + width > level_.width) return kBadPicture;
    x0_ = x0;
    width_ = width;
    return kOk;
  }

  int Read(int32_t y, int32_t rows, uint32_t* dst, ptrdiff_t stride) override {
    if (y < 0 || rows <= 0 || int64_t(y) + rows > level_.height) return kBadPicture;
    size_t n = size_t(width_) * size_t(rows);
    if (band_.size() < n) {
      try {
        band_.resize(n);
      } catch (const std::bad_alloc&) {
        return kNoMemory;
      }
    }
    TIFFRGBAImage img;
    char message[1024];
    if (!TIFFRGBAImageBegin(&img, tiff_.tif, 0, message)) return kBadPicture;
    img.req_orientation = ORIENTATION_TOPLEFT;
    img.row_offset = y;
    img.col_offset = x0_;
    int ok = TIFFRGBAImageGet(&img, band_.data(), uint32_t(width_), uint32_t(rows));
    TIFFRGBAImageEnd(&img);
    if (!ok) return kBadPicture;
    for (int32_t r = 0; r < rows; ++r) {
      const uint32_t* in = band_.data() + size_t(r) * size_t(width_);
      uint32_t* out = dst + ptrdiff_t(r) * stride;
      for (int32_t x = 0; x < width_; ++x) out[x] = Swap(in[x]);
    }
    return kOk;
  }

  int ReadTile(int32_t x, int32_t y, uint32_t* dst) override {
    if (!level_.tileWidth) return kBadPicture;
    // The library's tile reader puts the rows of a short tile at the end of the buffer and
    // bottom-up already: only the colour order differs.
    if (!TIFFReadRGBATileExt(tiff_.tif, uint32_t(x), uint32_t(y), dst, 0)) return kBadPicture;
    size_t n = size_t(level_.tileWidth) * size_t(level_.tileHeight);
    for (size_t i = 0; i < n; ++i) dst[i] = Swap(dst[i]);
    return kOk;
  }

 private:
  Tiff tiff_;
  int32_t directory_;
  Level level_;
  int32_t x0_ = 0, width_ = 0;
  std::vector<uint32_t> band_;
};

}  // namespace

int ReadTiffHead(const char* path, Head* head) {
  Tiff tiff;
  int rc = tiff.Open(path);
  if (rc != kOk) return rc;
  Level main;
  if (!DescribeLevel(tiff.tif, 0, &main)) return kBadPicture;
  head->format = kFormatTiff;
  head->levels.assign(1, main);
  // Reduced images follow in the directory chain; take them by decreasing width. libtiff
  // refuses a chain that loops.
  std::vector<Level> reduced;
  for (int d = 1; d < kMaxDirectories && TIFFReadDirectory(tiff.tif); ++d) {
    uint32_t kind = 0;
    if (!TIFFGetField(tiff.tif, TIFFTAG_SUBFILETYPE, &kind) || !(kind & FILETYPE_REDUCEDIMAGE)) continue;
    Level level;
    if (DescribeLevel(tiff.tif, d, &level) && level.width < main.width) reduced.push_back(level);
  }
  std::sort(reduced.begin(), reduced.end(), [](const Level& a, const Level& b) { return a.width > b.width; });
  for (const Level& level : reduced)
    if (level.width < head->levels.back().width) head->levels.push_back(level);
  return kOk;
}

std::unique_ptr<Decoder> OpenTiff(const char* path, int32_t directory, int* rc) {
  auto d = std::make_unique<TiffDecoder>(directory);
  *rc = d->Open(path);
  if (*rc != kOk) return nullptr;
  return d;
}

}  // namespace pelnor
