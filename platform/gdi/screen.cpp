// The one 240 x 320 screen surface every window paints into, and its PNG snapshot.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/core/internal.h"
#include "platform/fresh_state.h"
#include "platform/gdi/gdi_internal.h"

namespace vplat::gdi {

constexpr uint32_t kBlankScreen = 0xFFFFFFFFu;  // white, as the device shows before painting

// Never destroyed: a harness's Stop run at exit may still blank it.
Surface& Screen() {
  static auto* pixels = new std::vector<uint32_t>(240 * 320, kBlankScreen);
  static Surface s{pixels->data(), 240, 240, 320};
  return s;
}

namespace {
// One test case's picture is not under the next one's windows.
const FreshStateHook kFresh(1, [] {
  Surface& s = Screen();
  for (int y = 0; y < s.h; ++y) std::fill(s.Row(y), s.Row(y) + s.w, kBlankScreen);
});
}  // namespace

}  // namespace vplat::gdi

namespace vplat {

const uint32_t* ScreenPixels() { return gdi::Screen().top; }
int ScreenWidth() { return gdi::Screen().w; }
int ScreenHeight() { return gdi::Screen().h; }

bool SaveScreenPng(const char* hostPath) {
  if (!hostPath) return false;
  FILE* f = std::fopen(hostPath, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  const gdi::Surface& s = gdi::Screen();
  std::vector<png_byte> row(size_t(s.w) * 3);
  // libpng reports errors by longjmp; nothing with a destructor is created after this point
  // that the jump would skip.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(s.w), png_uint_32(s.h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < s.h; ++y) {
    const uint32_t* p = s.Row(y);
    for (int x = 0; x < s.w; ++x) {
      row[size_t(x) * 3] = png_byte(p[x] >> 16);
      row[size_t(x) * 3 + 1] = png_byte(p[x] >> 8);
      row[size_t(x) * 3 + 2] = png_byte(p[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace vplat
