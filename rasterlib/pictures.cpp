#include "rasterlib/pictures.h"

#include <cstdio>

#include "rasterlib/bmp_decode.h"

namespace tilvex {

TBmpImage::TBmpImage(const std::wstring& path, HWND owner) {
  std::string bytes;
  if (FILE* f = vwfopen(path.c_str(), L"rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  DecodedBmp d;
  BmpFault fault = BmpFault::kNone;
  if (!DecodeBmp(bytes, &d, &fault)) {
    MessageBoxW(owner,
                fault == BmpFault::kTooLarge ? L"Picture too large (over 25 million pixels or 65536 columns)"
                                             : L"Not Bmp File",
                L"Tilvex", MB_OK);
    return;
  }
  width = d.width;
  height = d.height;
  pixels_ = std::move(d.pixels);
}

void TBmpImage::Draw(HDC dc, int w, int h, int sx, int sy, int sw, int sh) const {
  if (pixels_.empty()) return;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = height;  // bottom-up: source y counts from the bottom row
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dc, 0, 0, w, h, sx, sy, sw, sh, pixels_.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
}

TLibImage::~TLibImage() {
  if (bitmap_) DeleteObject(bitmap_);
  if (module_) FreeLibrary(module_);
}

int TLibImage::Load(const char* path, HDC dc, int maxWidth, int maxHeight) {
  typedef int (*TLoadMapImage)(const char*, HDC, int, int, HBITMAP*, int*, int*);
  // Held until the picture goes: the bitmap is the layer's, so the module may leave then, and
  // every load is matched by a free (the program may hold the module for its own maps).
  HMODULE lib = module_ ? module_ : LoadLibraryW(L"Pelnor");
  if (!lib) return 0;
  auto load = reinterpret_cast<TLoadMapImage>(GetProcAddressW(lib, L"LoadMapImage"));
  if (!load) {
    if (lib != module_) FreeLibrary(lib);
    return 0;
  }
  module_ = lib;
  HBITMAP bm = nullptr;
  int w = 0, h = 0;
  if (load(path, dc, maxWidth, maxHeight, &bm, &w, &h) == 0 && bm) {
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = bm;
    width = w;
    height = h;
  } else if (bm) {
    DeleteObject(bm);
  }
  return 1;
}

void TLibImage::Draw(HDC dc, int w, int h, int sx, int sy, int sw, int sh) const {
  if (!bitmap_) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bitmap_);
  StretchBlt(dc, 0, 0, w, h, mem, sx, sy, sw, sh, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

}  // namespace tilvex
