// JPEG through libjpeg-turbo. Damage never ends the program: the library's error exit returns
// here by longjmp, so the functions that call it hold nothing that needs a destructor between
// the setjmp and the calls.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "imagelib/decoder.h"

namespace pelnor {
namespace {

constexpr size_t kInputBytes = 64 * 1024;

struct ErrorExit {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->jump, 1); }
void OnMessage(j_common_ptr, int) {}
void OnOutput(j_common_ptr) {}

// The library's data source: the file through the device layer.
struct Source {
  jpeg_source_mgr pub;
  File* file;
  bool ended;  // the file ran out before the picture did
  JOCTET buffer[kInputBytes];
};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr info) {
  auto* src = reinterpret_cast<Source*>(info->src);
  int64_t got = src->file->Read(src->buffer, kInputBytes);
  if (got <= 0) {
    src->ended = true;
    // A cut file: an end marker lets the library finish with a warning instead of reading on.
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    got = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = size_t(got);
  return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
  auto* src = reinterpret_cast<Source*>(info->src);
  if (count <= 0) return;
  while (size_t(count) > src->pub.bytes_in_buffer) {
    count -= long(src->pub.bytes_in_buffer);
    FillInput(info);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

// One open decompression of a file; ends it on destruction.
struct Session {
  jpeg_decompress_struct info{};
  ErrorExit error{};
  Source source{};
  File file;
  bool created = false;

  ~Session() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

// The decompressor made and the header read; false on damage.
bool Start(Session& s) {
  s.info.err = jpeg_std_error(&s.error.pub);
  s.error.pub.error_exit = OnError;
  s.error.pub.emit_message = OnMessage;
  s.error.pub.output_message = OnOutput;
  if (setjmp(s.error.jump)) return false;
  jpeg_create_decompress(&s.info);
  s.created = true;
  s.source.file = &s.file;
  s.source.pub.init_source = InitSource;
  s.source.pub.fill_input_buffer = FillInput;
  s.source.pub.skip_input_data = SkipInput;
  s.source.pub.resync_to_restart = jpeg_resync_to_restart;
  s.source.pub.term_source = TermSource;
  s.info.src = &s.source.pub;
  jpeg_read_header(&s.info, TRUE);
  return true;
}

// The output size at 1/scale; false on damage.
bool ScaledSize(Session& s, int32_t scale, int32_t* w, int32_t* h) {
  if (setjmp(s.error.jump)) return false;
  s.info.scale_num = 1;
  s.info.scale_denom = unsigned(scale);
  jpeg_calc_output_dimensions(&s.info);
  *w = int32_t(s.info.output_width);
  *h = int32_t(s.info.output_height);
  return true;
}

class JpegDecoder : public Decoder {
 public:
  explicit JpegDecoder(int32_t scale) : scale_(scale) {}

  int Open(const char* path) {
    if (!session_.file.Open(path)) return kCannotOpen;
    if (!Start(session_)) return kBadPicture;
    J_COLOR_SPACE in = session_.info.jpeg_color_space;
    cmyk_ = in == JCS_CMYK || in == JCS_YCCK;
    if (!cmyk_ && in != JCS_GRAYSCALE && in != JCS_YCbCr && in != JCS_RGB) return kBadPicture;
    return kOk;
  }

  int Begin(int32_t x0, int32_t width) override { return StartOutput(x0, width) ? kOk : kBadPicture; }

  int Read(int32_t y, int32_t rows, uint32_t* dst, ptrdiff_t stride) override {
    if (!started_ || y < int32_t(session_.info.output_scanline)) return kBadPicture;
    if (int64_t(y) + rows > int64_t(session_.info.output_height)) return kBadPicture;
    return ReadRows(y, rows, dst, stride) ? kOk : kBadPicture;
  }

 private:
  bool StartOutput(int32_t x0, int32_t width) {
    jpeg_decompress_struct& info = session_.info;
    if (setjmp(session_.error.jump)) return false;
    if (started_) return false;
    info.scale_num = 1;
    info.scale_denom = unsigned(scale_);
    info.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRX;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    started_ = true;
    if (x0 < 0 || width <= 0 || int64_t(x0) + width > int64_t(info.output_width)) return false;
    x0_ = x0;
    width_ = width;
    JDIMENSION xoff = JDIMENSION(x0), w = JDIMENSION(width);
    if (x0 > 0 || JDIMENSION(width) < info.output_width) jpeg_crop_scanline(&info, &xoff, &w);
    cropX_ = int32_t(xoff);
    cropWidth_ = int32_t(w);
    // The crop starts at an iMCU edge at or before x0 and covers at least the asked columns.
    if (cropX_ > x0 || int64_t(cropX_) + cropWidth_ < int64_t(x0) + width) return false;
    row_.resize(size_t(cropWidth_) * 4);
    return true;
  }

  bool ReadRows(int32_t y, int32_t rows, uint32_t* dst, ptrdiff_t stride) {
    jpeg_decompress_struct& info = session_.info;
    if (setjmp(session_.error.jump)) return false;
    if (JDIMENSION(y) > info.output_scanline) jpeg_skip_scanlines(&info, JDIMENSION(y) - info.output_scanline);
    const size_t skip = size_t(x0_ - cropX_) * 4;
    bool adobe = info.saw_Adobe_marker;
    for (int32_t r = 0; r < rows; ++r) {
      JSAMPROW row = row_.data();
      if (jpeg_read_scanlines(&info, &row, 1) != 1 || session_.source.ended) return false;
      uint32_t* out = dst + ptrdiff_t(r) * stride;
      const uint8_t* in = row_.data() + skip;
      if (!cmyk_) {
        // BGRX in memory is 0xXXRRGGBB; the spare byte is cleared.
        std::memcpy(out, in, size_t(width_) * 4);
        for (int32_t x = 0; x < width_; ++x) out[x] &= 0x00FFFFFFu;
      } else {
        for (int32_t x = 0; x < width_; ++x, in += 4) {
          // Adobe's files store the inks inverted.
          unsigned c = adobe ? in[0] : 255u - in[0], m = adobe ? in[1] : 255u - in[1];
          unsigned yl = adobe ? in[2] : 255u - in[2], k = adobe ? in[3] : 255u - in[3];
          unsigned rr = c * k / 255, gg = m * k / 255, bb = yl * k / 255;
          out[x] = (rr << 16) | (gg << 8) | bb;
        }
      }
    }
    return true;
  }

  Session session_;
  int32_t scale_;
  bool cmyk_ = false;
  bool started_ = false;
  int32_t x0_ = 0, width_ = 0, cropX_ = 0, cropWidth_ = 0;
  std::vector<uint8_t> row_;
};

}  // namespace

std::unique_ptr<Decoder> OpenJpeg(const char* path, int32_t scale, int* rc) {
  if (scale != 1 && scale != 2 && scale != 4 && scale != 8) {
    *rc = kBadPicture;
    return nullptr;
  }
  auto d = std::make_unique<JpegDecoder>(scale);
  *rc = d->Open(path);
  if (*rc != kOk) return nullptr;
  return d;
}

int ReadJpegHead(const char* path, Head* head) {
  auto s = std::make_unique<Session>();
  if (!s->file.Open(path)) return kCannotOpen;
  if (!Start(*s)) return kBadPicture;
  J_COLOR_SPACE in = s->info.jpeg_color_space;
  if (in != JCS_GRAYSCALE && in != JCS_YCbCr && in != JCS_RGB && in != JCS_CMYK && in != JCS_YCCK)
    return kBadPicture;
  int32_t w = int32_t(s->info.image_width), h = int32_t(s->info.image_height);
  if (w <= 0 || h <= 0) return kBadPicture;
  head->format = kFormatJpeg;
  head->levels.clear();
  head->levels.push_back(Level{w, h, 1, 0, 0});
  if (int64_t(w) * h > kWholeLimit) {
    for (int32_t scale : {2, 4, 8}) {
      int32_t sw = 0, sh = 0;
      if (!ScaledSize(*s, scale, &sw, &sh) || sw <= 0 || sh <= 0) return kBadPicture;
      head->levels.push_back(Level{sw, sh, scale, 0, 0});
    }
  }
  return kOk;
}

}  // namespace pelnor
