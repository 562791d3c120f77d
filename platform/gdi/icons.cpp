// Bitmaps from resources and files, icons, cursors and image lists.
//
// Resource data is parsed field by field (little-endian) and checked against its size before a
// pixel is read: a header that claims more rows than the data holds fails the load instead of
// reading past the end.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/fresh_state.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/win.h"

namespace vplat::gdi {
namespace {

struct Icon {
  int w = 0, h = 0;
  std::vector<uint32_t> argb;  // top row first; alpha < 128 is transparent
  bool shared = false;         // system cursors and icons: never destroyed
  int systemId = 0;            // 32512 arrow, 32514 wait
};

struct ImageList {
  int cx = 16, cy = 16;
  UINT flags = 0;
  std::vector<std::vector<uint32_t>> images;  // cx * cy ARGB each
  COLORREF bk = CLR_NONE;
};

struct IconTables {
  std::unordered_map<uintptr_t, std::unique_ptr<Icon>> icons;
  std::unordered_map<uintptr_t, std::unique_ptr<ImageList>> lists;
  uintptr_t next = 0x1000;
  HCURSOR arrow = nullptr, wait = nullptr, current = nullptr;
};

IconTables& IT() {
  static auto* t = new IconTables;  // never destroyed: a harness's Stop may run at exit
  return *t;
}

// A test case that ends under the wait cursor does not hand it to the next one.
const vplat::FreshStateHook kFreshCursor(1, [] { IT().current = nullptr; });

HICON AddIcon(std::unique_ptr<Icon> icon) {
  uintptr_t key = (IT().next++ << 4) | 0xC;
  IT().icons.emplace(key, std::move(icon));
  return reinterpret_cast<HICON>(key);
}

Icon* FindIcon(HICON h) {
  auto it = IT().icons.find(reinterpret_cast<uintptr_t>(h));
  return it == IT().icons.end() ? nullptr : it->second.get();
}

ImageList* FindList(HIMAGELIST h) {
  auto it = IT().lists.find(reinterpret_cast<uintptr_t>(h));
  return it == IT().lists.end() ? nullptr : it->second.get();
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Our icon format: uint32 width, uint32 height, width * height 0xAARRGGBB pixels.
std::unique_ptr<Icon> ParseIcon(const uint8_t* data, size_t size) {
  if (!data || size < 8) return nullptr;
  uint32_t w = Le32(data), h = Le32(data + 4);
  if (w == 0 || h == 0 || w > 1024 || h > 1024 || size - 8 < size_t(w) * h * 4) return nullptr;
  auto icon = std::make_unique<Icon>();
  icon->w = int(w);
  icon->h = int(h);
  icon->argb.resize(size_t(w) * h);
  for (size_t i = 0; i < icon->argb.size(); ++i) icon->argb[i] = Le32(data + 8 + 4 * i);
  return icon;
}

std::unique_ptr<Icon> Scaled(std::unique_ptr<Icon> src, int cx, int cy) {
  if (!src || cx <= 0 || cy <= 0 || (cx == src->w && cy == src->h)) return src;
  auto out = std::make_unique<Icon>();
  out->w = cx;
  out->h = cy;
  out->argb.resize(size_t(cx) * cy);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x)
      out->argb[size_t(y) * cx + x] =
          src->argb[size_t((2 * y + 1) * src->h / (2 * cy)) * src->w + (2 * x + 1) * src->w / (2 * cx)];
  return out;
}

bool ResourceBytes(LPCWSTR name, LPCWSTR type, const uint8_t** data, size_t* size) {
  HRSRC r = FindResourceW(nullptr, name, type);
  if (!r) return false;
  HGLOBAL g = LoadResource(nullptr, r);
  *data = static_cast<const uint8_t*>(LockResource(g));
  *size = SizeofResource(nullptr, r);
  return *data != nullptr;
}

bool FileBytes(LPCWSTR path, std::vector<uint8_t>* out) {
  FILE* f = vwfopen(path, L"rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    out->insert(out->end(), buf, buf + n);
    if (out->size() > (size_t(64) << 20)) break;  // no image of ours is that large
  }
  std::fclose(f);
  return true;
}

// A packed DIB (header, palette, bits) into a new 32-bit bitmap; null when it does not hold up.
HBITMAP BitmapFromPackedDib(const uint8_t* data, size_t size) {
  if (!data || size < 40) return nullptr;
  BITMAPINFOHEADER h{};
  h.biSize = Le32(data);
  h.biWidth = LONG(Le32(data + 4));
  h.biHeight = LONG(Le32(data + 8));
  h.biPlanes = Le16(data + 12);
  h.biBitCount = Le16(data + 14);
  h.biCompression = Le32(data + 16);
  h.biSizeImage = Le32(data + 20);
  h.biClrUsed = Le32(data + 32);
  int bpp = h.biBitCount;
  if (h.biSize < 40 || h.biSize > size || h.biWidth <= 0 || h.biWidth > 16384 ||
      h.biHeight == 0 || h.biHeight < -16384 || h.biHeight > 16384 ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) ||
      (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && bpp == 32)))
    return nullptr;
  size_t colours = bpp <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bpp) ? h.biClrUsed : 1u << bpp) : 0;
  size_t masks = h.biCompression == BI_BITFIELDS && h.biSize == 40 ? 12 : 0;
  size_t offBits = h.biSize + masks + colours * 4;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  size_t stride = ((size_t(h.biWidth) * size_t(bpp) + 31) / 32) * 4;
  if (offBits > size || (size - offBits) / stride < size_t(height)) return nullptr;
  // The palette travels in a BITMAPINFO followed by its colours, built in aligned memory.
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
  bi->bmiHeader = h;
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi->bmiHeader.biClrUsed = DWORD(colours);
  for (size_t i = 0; i < colours; ++i) {
    const uint8_t* q = data + h.biSize + masks + 4 * i;
    bi->bmiColors[i] = RGBQUAD{q[0], q[1], q[2], 0};
  }
  HBITMAP bmp = nullptr;
  if (!NewBitmap(h.biWidth, height, &bmp)) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  StretchDIBits(dc, 0, 0, h.biWidth, height, 0, 0, h.biWidth, height, data + offBits, bi,
                DIB_RGB_COLORS, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bmp;
}

std::unique_ptr<Icon> SystemCursor(int id) {
  // Drawn here: a 16 x 16 arrow, and an hourglass for the wait cursor.
  auto c = std::make_unique<Icon>();
  c->w = c->h = 16;
  c->argb.assign(256, 0);
  c->shared = true;
  c->systemId = id;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool in = id == 32514 ? (std::abs(x - 7) <= std::abs(y - 7) + 1 && y >= 1 && y <= 14)
                            : (x <= y / 1 && x < 10 && y < 15);
      if (in) c->argb[size_t(y) * 16 + x] = 0xFF000000u;
    }
  return c;
}

// Draws ARGB pixels scaled into (x, y, cx, cy) of a DC; `mode` 0 masked, 1 all, 2 mask only.
void DrawArgb(Dc& d, const uint32_t* px, int w, int h, int64_t x, int64_t y, int64_t cx,
              int64_t cy, int mode, const uint32_t* bk, int blend, uint32_t blendColor) {
  Surface* s = DcSurface(d);
  if (!s || cx <= 0 || cy <= 0) return;
  x += d.origin.x;
  y += d.origin.y;
  for (const RECT& c : d.clip) {
    int64_t x0 = std::max<int64_t>(c.left, x), x1 = std::min<int64_t>(c.right, x + cx);
    int64_t y0 = std::max<int64_t>(c.top, y), y1 = std::min<int64_t>(c.bottom, y + cy);
    for (int64_t Y = y0; Y < y1; ++Y) {
      int64_t sy = (2 * (Y - y) + 1) * h / (2 * cy);
      uint32_t* row = s->Row(int(Y));
      for (int64_t X = x0; X < x1; ++X) {
        uint32_t p = px[size_t(sy) * w + size_t((2 * (X - x) + 1) * w / (2 * cx))];
        bool opaque = (p >> 24) >= 128;
        if (mode == 2) {
          if (opaque) row[X] = 0xFF000000u;
          continue;
        }
        if (!opaque && mode == 0) {
          if (bk) row[X] = *bk;
          continue;
        }
        uint32_t out = p | 0xFF000000u;
        if (blend) {
          auto mix = [&](int sh) {
            uint32_t a = (out >> sh) & 255, b = (blendColor >> sh) & 255;
            return ((a * uint32_t(100 - blend) + b * uint32_t(blend)) / 100) << sh;
          };
          out = 0xFF000000u | mix(16) | mix(8) | mix(0);
        }
        row[X] = out;
      }
    }
  }
}

std::vector<uint32_t> FitImage(const uint32_t* px, int w, int h, int cx, int cy) {
  std::vector<uint32_t> out(size_t(cx) * cy, 0);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x)
      out[size_t(y) * cx + x] = px[size_t((2 * y + 1) * h / (2 * cy)) * w + (2 * x + 1) * w / (2 * cx)];
  return out;
}

}  // namespace

// Adds the images of a strip `image` (cx wide each); `transparent(x, y, pixel)` decides the mask.
template <class F>
int AddStrip(HIMAGELIST list, HBITMAP image, F transparent) {
  ImageList* l = FindList(list);
  Bitmap* b = FindAs<Bitmap>(image, Kind::Bitmap);
  if (!l || !b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  int n = b->w / l->cx;
  if (n == 0 || b->h < l->cy) return -1;
  int first = int(l->images.size());
  for (int k = 0; k < n; ++k) {
    std::vector<uint32_t> img(size_t(l->cx) * l->cy);
    for (int y = 0; y < l->cy; ++y)
      for (int x = 0; x < l->cx; ++x) {
        uint32_t p = b->surf.Row(y)[k * l->cx + x];
        bool t = (l->flags & ILC_MASK) && transparent(k * l->cx + x, y, p);
        img[size_t(y) * l->cx + x] = t ? 0 : (p | 0xFF000000u);
      }
    l->images.push_back(std::move(img));
  }
  return first;
}

}  // namespace vplat::gdi

using namespace vplat::gdi;

namespace vplat {
HCURSOR CurrentCursor() { return IT().current; }
bool IsWaitCursor(HCURSOR cursor) {
  Icon* i = FindIcon(cursor);
  return i && i->systemId == 32514;
}
}  // namespace vplat

extern "C" {

HBITMAP LoadBitmapW(HINSTANCE inst, LPCWSTR name) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!ResourceBytes(name, RT_BITMAP, &data, &size)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  HBITMAP b = BitmapFromPackedDib(data, size);
  if (!b) SetLastError(ERROR_INVALID_PARAMETER);
  return b;
}

HANDLE LoadImageW(HINSTANCE inst, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  std::vector<uint8_t> file;
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (flags & LR_LOADFROMFILE) {
    if (!name || IS_INTRESOURCE(name) || !FileBytes(name, &file)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    data = file.data();
    size = file.size();
  }
  if (type == IMAGE_BITMAP) {
    if (!(flags & LR_LOADFROMFILE)) return LoadBitmapW(inst, name);
    // A bitmap file: 14-byte file header ("BM", size, reserved, offset), then a packed DIB.
    if (size < 14 || data[0] != 'B' || data[1] != 'M') {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    HBITMAP b = BitmapFromPackedDib(data + 14, size - 14);
    if (!b) SetLastError(ERROR_INVALID_PARAMETER);
    return b;
  }
  if (type != IMAGE_ICON && type != IMAGE_CURSOR) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!(flags & LR_LOADFROMFILE)) {
    if (!inst && type == IMAGE_CURSOR) return LoadCursorW(nullptr, name);
    LPCWSTR group = type == IMAGE_ICON ? RT_GROUP_ICON : RT_GROUP_CURSOR;
    LPCWSTR single = type == IMAGE_ICON ? RT_ICON : RT_CURSOR;
    if (!ResourceBytes(name, group, &data, &size) && !ResourceBytes(name, single, &data, &size)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
  }
  auto icon = ParseIcon(data, size);
  if (!icon) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags & LR_DEFAULTSIZE) {
    if (cx == 0) cx = type == IMAGE_ICON ? 32 : 16;
    if (cy == 0) cy = type == IMAGE_ICON ? 32 : 16;
  }
  return AddIcon(Scaled(std::move(icon), cx, cy));
}

HICON LoadIconW(HINSTANCE inst, LPCWSTR name) {
  return static_cast<HICON>(LoadImageW(inst, name, IMAGE_ICON, 0, 0, 0));
}

BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker,
                UINT flags) {
  Dc* d = FindDc(hdc);
  Icon* i = FindIcon(icon);
  if (!d || !i) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (d->rec) Record(*d, "DrawIconEx", {x, y, cx, cy, flags});
  if (cx == 0) cx = i->w;
  if (cy == 0) cy = i->h;
  int mode = (flags & DI_NORMAL) == DI_NORMAL ? 0 : (flags & DI_IMAGE) ? 1 : (flags & DI_MASK) ? 2 : 0;
  DrawArgb(*d, i->argb.data(), i->w, i->h, x, y, cx, cy, mode, nullptr, 0, 0);
  return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
  return DrawIconEx(hdc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

BOOL DestroyIcon(HICON icon) {
  Icon* i = FindIcon(icon);
  if (!i) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (i->shared) return TRUE;
  if (IT().current == icon) IT().current = nullptr;
  IT().icons.erase(reinterpret_cast<uintptr_t>(icon));
  return TRUE;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  Icon* i = FindIcon(icon);
  if (!i || !info) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  HBITMAP color = nullptr, mask = nullptr;
  Bitmap* c = NewBitmap(i->w, i->h, &color);
  Bitmap* m = NewBitmap(i->w, i->h, &mask);
  if (!c || !m) {
    if (color) DeleteObject(color);
    if (mask) DeleteObject(mask);
    return FALSE;
  }
  for (int y = 0; y < i->h; ++y)
    for (int x = 0; x < i->w; ++x) {
      uint32_t p = i->argb[size_t(y) * i->w + x];
      bool opaque = (p >> 24) >= 128;
      c->surf.Row(y)[x] = opaque ? (p | 0xFF000000u) : 0xFF000000u;
      m->surf.Row(y)[x] = opaque ? 0xFF000000u : 0xFFFFFFFFu;
    }
  *info = ICONINFO{i->systemId ? FALSE : TRUE, 0, 0, mask, color};
  return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE inst, LPCWSTR name) {
  if (!inst && IS_INTRESOURCE(name)) {
    uintptr_t id = reinterpret_cast<uintptr_t>(name);
    HCURSOR* slot = id == 32512 ? &IT().arrow : id == 32514 ? &IT().wait : nullptr;
    if (!slot) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    if (!*slot) *slot = AddIcon(SystemCursor(int(id)));
    return *slot;
  }
  return static_cast<HCURSOR>(LoadImageW(inst, name, IMAGE_CURSOR, 0, 0, 0));
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = IT().current;
  if (cursor && !FindIcon(cursor)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return old;
  }
  IT().current = cursor;
  return old;
}

HCURSOR GetCursor() { return IT().current; }

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (cx <= 0 || cy <= 0 || cx > 1024 || cy > 1024) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto l = std::make_unique<ImageList>();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  uintptr_t key = (IT().next++ << 4) | 0xE;
  IT().lists.emplace(key, std::move(l));
  return reinterpret_cast<HIMAGELIST>(key);
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  return IT().lists.erase(reinterpret_cast<uintptr_t>(list)) ? TRUE : FALSE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  Bitmap* m = mask ? FindAs<Bitmap>(mask, Kind::Bitmap) : nullptr;
  if (mask && !m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  // A mask pixel that is white marks a transparent image pixel.
  return AddStrip(list, image, [m](int x, int y, uint32_t) {
    return m && x < m->w && y < m->h && (m->surf.Row(y)[x] & 0xFFFFFFu) == 0xFFFFFFu;
  });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask) {
  uint32_t key = ToPixel(mask) & 0xFFFFFFu;
  return AddStrip(list, image, [key](int, int, uint32_t p) { return (p & 0xFFFFFFu) == key; });
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  ImageList* l = FindList(list);
  Icon* i = FindIcon(icon);
  if (!l || !i || index < -1 || index >= int(l->images.size())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  std::vector<uint32_t> img = FitImage(i->argb.data(), i->w, i->h, l->cx, l->cy);
  if (index == -1) {
    l->images.push_back(std::move(img));
    return int(l->images.size()) - 1;
  }
  l->images[size_t(index)] = std::move(img);
  return index;
}

int ImageList_AddIcon(HIMAGELIST list, HICON icon) { return ImageList_ReplaceIcon(list, -1, icon); }

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC hdc, int x, int y, UINT style) {
  ImageList* l = FindList(list);
  Dc* d = FindDc(hdc);
  if (!l || !d || index < 0 || index >= int(l->images.size())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (d->rec) Record(*d, "ImageList_Draw", {index, x, y, style});
  const auto& img = l->images[size_t(index)];
  uint32_t bk = ToPixel(l->bk);
  bool fillBk = l->bk != CLR_NONE && !(style & ILD_TRANSPARENT);
  int blend = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
  int mode = (style & ILD_MASK) ? 2 : 0;
  DrawArgb(*d, img.data(), l->cx, l->cy, x, y, l->cx, l->cy, mode, fillBk ? &bk : nullptr, blend,
           ToPixel(GetSysColor(COLOR_HIGHLIGHT)));
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
  ImageList* l = FindList(list);
  if (!l) return CLR_NONE;
  COLORREF old = l->bk;
  l->bk = color;
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
  ImageList* l = FindList(list);
  return l ? l->bk : CLR_NONE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
  ImageList* l = FindList(list);
  return l ? int(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  ImageList* l = FindList(list);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  ImageList* l = FindList(list);
  if (!l || index < -1 || index >= int(l->images.size())) return FALSE;
  if (index == -1) l->images.clear();
  else l->images.erase(l->images.begin() + index);
  return TRUE;
}

}  // extern "C"
