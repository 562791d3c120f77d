// Blits: BitBlt, StretchBlt, StretchDIBits, PatBlt and the transparent-key copies.
//
// Every blit maps each visible destination pixel back to one source pixel (nearest neighbour,
// sampling at pixel centres), so clipping happens before scaling and the cost is the visible
// destination area. Source pixels outside the source surface, or outside the visible region of a
// source window DC, leave their destination untouched.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_internal.h"

namespace vplat::gdi {
namespace {

// A ternary raster operation's code byte is a truth table indexed by
// (pattern bit << 2 | source bit << 1 | destination bit).
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(code >> i & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}

inline bool UsesSource(uint8_t code) { return ((code >> 2) ^ code) & 0x33; }
inline bool UsesPattern(uint8_t code) { return ((code >> 4) ^ code) & 0x0F; }

// Floor of a / b for b > 0.
inline int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The source a stretch reads from: either a surface or packed DIB rows.
struct Source {
  const Surface* surf = nullptr;
  int64_t ox = 0, oy = 0;  // surface position of the source's logical origin
  // DIB rows
  const uint8_t* bits = nullptr;
  int bpp = 0, w = 0, h = 0;
  size_t stride = 0;
  bool bottomUp = false;
  const RGBQUAD* palette = nullptr;
  unsigned paletteSize = 0;
  const std::vector<RECT>* readable = nullptr;  // a window DC's visible region; null: all of it

  bool Readable(int64_t x, int64_t y) const {
    if (!readable) return true;
    for (const RECT& r : *readable)
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  }

  int64_t Width() const { return surf ? surf->w : w; }
  int64_t Height() const { return surf ? surf->h : h; }
  // (x, y) in source-surface coordinates, y = 0 at the top; inside the bounds.
  uint32_t At(int64_t x, int64_t y) const {
    if (surf) return surf->Row(int(y))[x];
    const uint8_t* row = bits + stride * size_t(bottomUp ? h - 1 - y : y);
    switch (bpp) {
      case 32: return 0xFF000000u | row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16);
      case 24: return 0xFF000000u | row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
      case 16: {
        unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return 0xFF000000u | ((r * 255 / 31) << 16) | ((g * 255 / 31) << 8) | (b * 255 / 31);
      }
      default: {
        unsigned idx = bpp == 8   ? row[x]
                       : bpp == 4 ? (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15
                                  : (row[x >> 3] >> (7 - (x & 7))) & 1;
        if (idx >= paletteSize) return 0xFF000000u;
        const RGBQUAD& q = palette[idx];
        return 0xFF000000u | (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
      }
    }
  }
};

struct StretchArgs {
  int64_t x, y, w, h;      // destination, surface coordinates, w/h may be negative (mirror)
  int64_t sx, sy, sw, sh;  // source, source-surface coordinates
  uint8_t code = 0xCC;
  uint32_t pattern = 0;
  bool keyed = false;
  uint32_t key = 0;  // RGB compared without alpha
};

void Stretch(Dc& dd, Surface& ds, const Source& src, const StretchArgs& a) {
  if (a.w == 0 || a.h == 0 || a.sw == 0 || a.sh == 0) return;
  int64_t aw = a.w < 0 ? -a.w : a.w, ah = a.h < 0 ? -a.h : a.h;
  int64_t dx0 = a.w < 0 ? a.x + a.w + 1 : a.x, dy0 = a.h < 0 ? a.y + a.h + 1 : a.y;
  // The same surface may be both ends; read from a copy of what is needed then.
  std::vector<uint32_t> copy;
  Source s = src;
  Surface tmp;
  if (src.surf == &ds) {
    copy.assign(src.surf->top ? size_t(ds.w) * ds.h : 0, 0);
    for (int y = 0; y < ds.h; ++y) std::memcpy(&copy[size_t(y) * ds.w], ds.Row(y), size_t(ds.w) * 4);
    tmp = Surface{copy.data(), ds.w, ds.w, ds.h};
    s.surf = &tmp;
  }
  static thread_local std::vector<int64_t> cols;
  for (const RECT& c : dd.clip) {
    int64_t cx0 = std::max<int64_t>(c.left, dx0), cx1 = std::min<int64_t>(c.right, dx0 + aw);
    int64_t cy0 = std::max<int64_t>(c.top, dy0), cy1 = std::min<int64_t>(c.bottom, dy0 + ah);
    if (cx0 >= cx1 || cy0 >= cy1) continue;
    cols.resize(size_t(cx1 - cx0));
    for (int64_t X = cx0; X < cx1; ++X) {
      int64_t i = X - dx0;
      if (a.w < 0) i = aw - 1 - i;
      __int128 n = __int128(2 * i + 1) * a.sw;
      int64_t off = int64_t(n >= 0 ? n / (2 * aw) : -((-n + 2 * aw - 1) / (2 * aw)));
      cols[size_t(X - cx0)] = a.sx + off;
    }
    for (int64_t Y = cy0; Y < cy1; ++Y) {
      int64_t j = Y - dy0;
      if (a.h < 0) j = ah - 1 - j;
      __int128 n = __int128(2 * j + 1) * a.sh;
      int64_t sy = a.sy + int64_t(n >= 0 ? n / (2 * ah) : -((-n + 2 * ah - 1) / (2 * ah)));
      if (sy < 0 || sy >= s.Height()) continue;
      uint32_t* row = ds.Row(int(Y));
      for (int64_t X = cx0; X < cx1; ++X) {
        int64_t sx = cols[size_t(X - cx0)];
        if (sx < 0 || sx >= s.Width() || !s.Readable(sx, sy)) continue;
        uint32_t sp = s.At(sx, sy);
        if (a.keyed && ((sp ^ a.key) & 0x00FFFFFFu) == 0) continue;
        uint32_t& dp = row[X];
        dp = a.code == 0xCC ? (sp | 0xFF000000u) : Rop3(a.code, a.pattern, sp, dp);
      }
    }
  }
}

// The region a blit may read from a DC: null for a memory DC (its whole bitmap).
const std::vector<RECT>* ReadableOf(const Dc& d) {
  return d.kind == DcKind::Memory ? nullptr : &d.readable;
}

// An unscaled copy: row by row, with a plain copy for SRCCOPY. `readable` (source-surface
// coordinates, disjoint) limits the source pixels read; null reads the whole source.
void Copy(Dc& dd, Surface& ds, const Surface& ss, int64_t x, int64_t y, int64_t w, int64_t h,
          int64_t sx, int64_t sy, uint8_t code, uint32_t pattern,
          const std::vector<RECT>* readable) {
  // Restrict to where the source exists.
  int64_t l = std::max<int64_t>(x, x + (0 - sx)), t = std::max<int64_t>(y, y + (0 - sy));
  int64_t r = std::min<int64_t>(x + w, x + (ss.w - sx)), b = std::min<int64_t>(y + h, y + (ss.h - sy));
  if (l >= r || t >= b) return;
  std::vector<uint32_t> copy;
  const Surface* src = &ss;
  Surface tmp;
  if (&ss == &ds) {
    copy.resize(size_t(ss.w) * ss.h);
    for (int yy = 0; yy < ss.h; ++yy) std::memcpy(&copy[size_t(yy) * ss.w], ss.Row(yy), size_t(ss.w) * 4);
    tmp = Surface{copy.data(), ss.w, ss.w, ss.h};
    src = &tmp;
  }
  const RECT all{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  const RECT* rb = readable ? readable->data() : &all;
  const RECT* re = readable ? rb + readable->size() : &all + 1;
  for (const RECT& c : dd.clip) {
    for (const RECT* v = rb; v != re; ++v) {
      // The readable rectangle moved to destination coordinates.
      int64_t vx0 = readable ? v->left - sx + x : l, vx1 = readable ? v->right - sx + x : r;
      int64_t vy0 = readable ? v->top - sy + y : t, vy1 = readable ? v->bottom - sy + y : b;
      int64_t cx0 = std::max<int64_t>({c.left, l, vx0}), cx1 = std::min<int64_t>({c.right, r, vx1});
      int64_t cy0 = std::max<int64_t>({c.top, t, vy0}), cy1 = std::min<int64_t>({c.bottom, b, vy1});
      if (cx0 >= cx1 || cy0 >= cy1) continue;
      for (int64_t Y = cy0; Y < cy1; ++Y) {
        const uint32_t* sp = src->Row(int(Y - y + sy)) + (cx0 - x + sx);
        uint32_t* dp = ds.Row(int(Y)) + cx0;
        int64_t n = cx1 - cx0;
        if (code == 0xCC) {
          std::memcpy(dp, sp, size_t(n) * 4);
        } else {
          for (int64_t i = 0; i < n; ++i) dp[i] = Rop3(code, pattern, sp[i], dp[i]);
        }
      }
    }
  }
}

uint32_t PatternOf(Dc& d) {
  uint32_t c = 0;
  BrushVisible(d, &c);
  return c;
}

}  // namespace
}  // namespace vplat::gdi

using namespace vplat::gdi;

extern "C" {

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  Dc* d = FindDc(hdc);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (d->rec) Record(*d, "PatBlt", {x, y, w, h, rop});
  uint8_t code = uint8_t(rop >> 16);
  if (UsesSource(code)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Surface* s = DcSurface(*d);
  if (!s) return FALSE;
  int64_t X = int64_t(x) + d->origin.x, Y = int64_t(y) + d->origin.y;
  int64_t W = w, H = h;
  if (W < 0) { X += W; W = -W; }
  if (H < 0) { Y += H; H = -H; }
  uint32_t pat = PatternOf(*d);
  for (const RECT& c : d->clip) {
    int64_t cx0 = std::max<int64_t>(c.left, X), cx1 = std::min<int64_t>(c.right, X + W);
    int64_t cy0 = std::max<int64_t>(c.top, Y), cy1 = std::min<int64_t>(c.bottom, Y + H);
    for (int64_t yy = cy0; yy < cy1; ++yy) {
      uint32_t* row = s->Row(int(yy));
      for (int64_t xx = cx0; xx < cx1; ++xx) row[xx] = Rop3(code, pat, 0, row[xx]);
    }
  }
  return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  Dc* dd = FindDc(dst);
  uint8_t code = uint8_t(rop >> 16);
  bool needSrc = UsesSource(code);
  Dc* sd = needSrc ? FindDc(src) : nullptr;
  if (!dd || (needSrc && !sd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dd->rec) Record(*dd, "BitBlt", {x, y, w, h, sx, sy, rop});
  if (!needSrc) return PatBlt(dst, x, y, w, h, rop);
  Surface* ds = DcSurface(*dd);
  Surface* ss = DcSurface(*sd);
  if (!ds || !ss) return FALSE;
  if (w <= 0 || h <= 0) return TRUE;
  uint32_t pat = UsesPattern(code) ? PatternOf(*dd) : 0;
  Copy(*dd, *ds, *ss, int64_t(x) + dd->origin.x, int64_t(y) + dd->origin.y, w, h,
       int64_t(sx) + sd->origin.x, int64_t(sy) + sd->origin.y, code, pat, ReadableOf(*sd));
  return TRUE;
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                DWORD rop) {
  Dc* dd = FindDc(dst);
  Dc* sd = FindDc(src);
  uint8_t code = uint8_t(rop >> 16);
  if (!dd || (!sd && UsesSource(code))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dd->rec) Record(*dd, "StretchBlt", {x, y, w, h, sx, sy, sw, sh, rop});
  if (!UsesSource(code)) return PatBlt(dst, x, y, w, h, rop);
  Surface* ds = DcSurface(*dd);
  Surface* ss = DcSurface(*sd);
  if (!ds || !ss) return FALSE;
  Source s;
  s.surf = ss;
  s.readable = ReadableOf(*sd);
  StretchArgs a{int64_t(x) + dd->origin.x, int64_t(y) + dd->origin.y, w, h,
                int64_t(sx) + sd->origin.x, int64_t(sy) + sd->origin.y, sw, sh, code,
                UsesPattern(code) ? PatternOf(*dd) : 0};
  Stretch(*dd, *ds, s, a);
  return TRUE;
}

int StretchDIBits(HDC hdc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop) {
  Dc* d = FindDc(hdc);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (d->rec) Record(*d, "StretchDIBits", {x, y, w, h, sx, sy, sw, sh, rop});
  if (!bits || !bmi || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& hd = bmi->bmiHeader;
  int bpp = hd.biBitCount;
  if (hd.biSize < 40 || hd.biWidth <= 0 || hd.biHeight == 0 || hd.biHeight == INT32_MIN ||
      hd.biWidth > 65536 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) ||
      (hd.biCompression != BI_RGB && !(hd.biCompression == BI_BITFIELDS && bpp == 32))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Surface* ds = DcSurface(*d);
  if (!ds) return 0;
  Source s;
  s.bits = static_cast<const uint8_t*>(bits);
  s.bpp = bpp;
  s.w = hd.biWidth;
  s.bottomUp = hd.biHeight > 0;
  s.h = s.bottomUp ? hd.biHeight : -hd.biHeight;
  s.stride = ((size_t(s.w) * size_t(bpp) + 31) / 32) * 4;
  if (bpp <= 8) {
    s.palette = bmi->bmiColors;
    s.paletteSize = hd.biClrUsed ? std::min<unsigned>(hd.biClrUsed, 1u << bpp) : 1u << bpp;
  }
  // A bottom-up source rectangle counts its y from the bottom row.
  int64_t top = s.bottomUp ? int64_t(s.h) - (int64_t(sy) + sh) : sy;
  uint8_t code = uint8_t(rop >> 16);
  StretchArgs a{int64_t(x) + d->origin.x, int64_t(y) + d->origin.y, w, h, sx, top, sw, sh, code,
                UsesPattern(code) ? PatternOf(*d) : 0};
  Stretch(*d, *ds, s, a);
  return sh < 0 ? -sh : sh;
}

BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                    UINT key) {
  Dc* dd = FindDc(dst);
  Dc* sd = FindDc(src);
  if (!dd || !sd) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dd->rec) Record(*dd, "TransparentBlt", {x, y, w, h, sx, sy, sw, sh, key});
  if (w < 0 || h < 0 || sw < 0 || sh < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Surface* ds = DcSurface(*dd);
  Surface* ss = DcSurface(*sd);
  if (!ds || !ss) return FALSE;
  Source s;
  s.surf = ss;
  s.readable = ReadableOf(*sd);
  StretchArgs a{int64_t(x) + dd->origin.x, int64_t(y) + dd->origin.y, w, h,
                int64_t(sx) + sd->origin.x, int64_t(sy) + sd->origin.y, sw, sh};
  a.keyed = true;
  a.key = ToPixel(key);
  Stretch(*dd, *ds, s, a);
  return TRUE;
}

BOOL TransparentImage(HDC dst, int x, int y, int w, int h, HANDLE src, int sx, int sy, int sw,
                      int sh, COLORREF key) {
  // The source is a DC or a bitmap.
  HDC srcDc = static_cast<HDC>(src);
  if (FindDc(srcDc)) return TransparentBlt(dst, x, y, w, h, srcDc, sx, sy, sw, sh, key);
  Bitmap* b = FindAs<Bitmap>(static_cast<HGDIOBJ>(src), Kind::Bitmap);
  Dc* dd = FindDc(dst);
  if (!b || !dd) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dd->rec) Record(*dd, "TransparentImage", {x, y, w, h, sx, sy, sw, sh, key});
  Surface* ds = DcSurface(*dd);
  if (!ds || w < 0 || h < 0 || sw < 0 || sh < 0) return FALSE;
  Source s;
  s.surf = &b->surf;
  StretchArgs a{int64_t(x) + dd->origin.x, int64_t(y) + dd->origin.y, w, h, sx, sy, sw, sh};
  a.keyed = true;
  a.key = ToPixel(key);
  Stretch(*dd, *ds, s, a);
  return TRUE;
}

}  // extern "C"
