// GDI objects and device contexts: the handle tables, stock objects, selection and ownership,
// attributes, clipping and saved states.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/recording_dc.h"

namespace vplat::gdi {
namespace {

// Handles to their objects: open addressing on the serial, so a lookup is a mask and a compare
// or two (serials are handed out in order and land in neighbouring slots) instead of a division
// and a list walk; a drawing call makes several. Removal shifts the following entries back
// rather than leaving markers, so lookups never slow down as objects come and go.
template <class T_>
class HandleTable {
 public:
  T_* Find(uintptr_t key) const {
    if (slots_.empty()) return nullptr;
    for (size_t i = Home(key);; i = (i + 1) & Mask()) {
      if (slots_[i].key == key) return slots_[i].obj.get();
      if (slots_[i].key == 0) return nullptr;
    }
  }
  void Insert(uintptr_t key, std::unique_ptr<T_> obj) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    size_t i = Home(key);
    while (slots_[i].key != 0) i = (i + 1) & Mask();
    slots_[i].key = key;
    slots_[i].obj = std::move(obj);
    ++used_;
  }
  // Removes `key` and hands its object over (null when absent); the table is consistent again
  // before the object can be destroyed, whatever its destructor does.
  std::unique_ptr<T_> Take(uintptr_t key) {
    if (slots_.empty()) return nullptr;
    size_t i = Home(key);
    while (slots_[i].key != key) {
      if (slots_[i].key == 0) return nullptr;
      i = (i + 1) & Mask();
    }
    std::unique_ptr<T_> out = std::move(slots_[i].obj);
    for (size_t j = (i + 1) & Mask(); slots_[j].key != 0; j = (j + 1) & Mask()) {
      // An entry may move back into the hole only if its home is not after the hole (cyclically).
      size_t home = Home(slots_[j].key);
      bool movable = i <= j ? (home <= i || home > j) : (home <= i && home > j);
      if (!movable) continue;
      slots_[i].key = slots_[j].key;
      slots_[i].obj = std::move(slots_[j].obj);
      i = j;
    }
    slots_[i].key = 0;
    --used_;
    return out;
  }

 private:
  struct Slot {
    uintptr_t key = 0;  // 0: empty (no handle is 0)
    std::unique_ptr<T_> obj;
  };
  size_t Mask() const { return slots_.size() - 1; }
  size_t Home(uintptr_t key) const { return size_t(key >> 4) & Mask(); }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_ = std::vector<Slot>(old.empty() ? 256 : old.size() * 2);
    used_ = 0;
    for (Slot& sl : old)
      if (sl.key != 0) Insert(sl.key, std::move(sl.obj));
  }
  std::vector<Slot> slots_;  // size a power of two, at most half full
  size_t used_ = 0;
};

struct Tables {
  HandleTable<Object> objects;
  // Deleted pens and brushes, kept for the next one created: a renderer makes and drops one of
  // each per map object, and a round trip through the heap costs more than drawing a short
  // line. At most kSpareNodes per kind.
  std::vector<std::unique_ptr<Object>> sparePens, spareBrushes;
  HandleTable<Dc> dcs;
  // Serials start high so that no handle can be mistaken for the small integers that stand
  // for system colours in brush arguments.
  uintptr_t nextSerial = 0x1000;
  HGDIOBJ stock[DEFAULT_GUI_FONT + 1] = {};
  HBITMAP defaultBitmap = nullptr;
  HBRUSH sysBrushes[COLOR_STATICTEXT + 1] = {};
};

// Never destroyed: the program's global objects (the back buffer among them) release their
// DCs and bitmaps in their destructors at exit, after a function-local table would be gone.
[[gnu::always_inline]] inline Tables& T() {
  static Tables* t = new Tables;
  return *t;
}

constexpr uintptr_t kDcTag = 0xD;

constexpr size_t kSpareNodes = 64;

std::vector<std::unique_ptr<Object>>* SpareList(Kind k) {
  Tables& t = T();
  return k == Kind::Pen ? &t.sparePens : k == Kind::Brush ? &t.spareBrushes : nullptr;
}

// A fresh pen or brush, a kept one reset when there is one, registered under a new serial.
template <class T_>
T_* NewRecycled(Kind k, HGDIOBJ* handle) {
  Tables& t = T();
  std::vector<std::unique_ptr<Object>>& spare = *SpareList(k);
  if (spare.empty()) {
    auto o = std::make_unique<T_>();
    T_* raw = o.get();
    *handle = Register(std::move(o));
    return raw;
  }
  std::unique_ptr<Object> obj = std::move(spare.back());
  spare.pop_back();
  T_* raw = static_cast<T_*>(obj.get());
  *raw = T_{};  // stock, selection count and attributes back to a new object's
  uintptr_t key = (t.nextSerial++ << 4) | static_cast<uintptr_t>(k);
  t.objects.Insert(key, std::move(obj));
  *handle = reinterpret_cast<HGDIOBJ>(key);
  return raw;
}

HGDIOBJ MakeStock(std::unique_ptr<Object> o) {
  o->stock = true;
  return Register(std::move(o));
}

HGDIOBJ StockPen(int style, COLORREF c) {
  auto p = std::make_unique<Pen>();
  p->style = style;
  p->width = 1;
  p->color = c;
  return MakeStock(std::move(p));
}

HGDIOBJ StockBrush(int style, COLORREF c) {
  auto b = std::make_unique<Brush>();
  b->style = style;
  b->color = c;
  return MakeStock(std::move(b));
}

HGDIOBJ StockFont(bool bold) {
  auto f = std::make_unique<Font>();
  f->lf.lfHeight = -12;
  f->lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  wcscpy(f->lf.lfFaceName, L"Tahoma");
  return MakeStock(std::move(f));
}

void InitStock() {
  Tables& t = T();
  if (t.stock[WHITE_BRUSH]) return;
  t.stock[WHITE_BRUSH] = StockBrush(BS_SOLID, RGB(255, 255, 255));
  t.stock[LTGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(192, 192, 192));
  t.stock[GRAY_BRUSH] = StockBrush(BS_SOLID, RGB(128, 128, 128));
  t.stock[DKGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(64, 64, 64));
  t.stock[BLACK_BRUSH] = StockBrush(BS_SOLID, RGB(0, 0, 0));
  t.stock[NULL_BRUSH] = StockBrush(BS_NULL, 0);
  t.stock[WHITE_PEN] = StockPen(PS_SOLID, RGB(255, 255, 255));
  t.stock[BLACK_PEN] = StockPen(PS_SOLID, 0);
  t.stock[NULL_PEN] = StockPen(PS_NULL, 0);
  t.stock[SYSTEM_FONT] = StockFont(true);
  t.stock[DEFAULT_GUI_FONT] = StockFont(false);
  auto bmp = std::make_unique<Bitmap>();
  bmp->w = bmp->h = 1;
  bmp->pixels.assign(1, 0xFF000000u);
  bmp->surf = Surface{bmp->pixels.data(), 1, 1, 1};
  t.defaultBitmap = static_cast<HBITMAP>(MakeStock(std::move(bmp)));
}

// Adjusts selection counts when a DC drops `old` and takes `now`.
void Swap(HGDIOBJ old, HGDIOBJ now) {
  if (Object* o = Find(old)) o->selected = std::max(0, o->selected - 1);
  if (Object* n = Find(now)) n->selected++;
}

}  // namespace

Bitmap::~Bitmap() { std::free(dibBits); }

HGDIOBJ Register(std::unique_ptr<Object> obj) {
  Tables& t = T();
  uintptr_t key = (t.nextSerial++ << 4) | static_cast<uintptr_t>(obj->kind);
  t.objects.Insert(key, std::move(obj));
  return reinterpret_cast<HGDIOBJ>(key);
}

Object* Find(HGDIOBJ h) {
  if (!h) return nullptr;
  return T().objects.Find(reinterpret_cast<uintptr_t>(h));
}

Bitmap* NewBitmap(int w, int h, HBITMAP* handle) {
  // A bitmap wider or taller than 16384 px or above 256 MiB is refused rather than attempted.
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || int64_t(w) * h > (int64_t(1) << 26)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto b = std::make_unique<Bitmap>();
  b->w = w;
  b->h = h;
  b->pixels.assign(size_t(w) * h, 0xFF000000u);
  b->surf = Surface{b->pixels.data(), w, w, h};
  Bitmap* raw = b.get();
  *handle = static_cast<HBITMAP>(Register(std::move(b)));
  return raw;
}

HBITMAP DefaultBitmap() {
  InitStock();
  return T().defaultBitmap;
}

Dc* FindDc(HDC h) {
  uintptr_t key = reinterpret_cast<uintptr_t>(h);
  if (!h || (key & 0xF) != kDcTag) return nullptr;
  return T().dcs.Find(key);
}

HDC RegisterDc(std::unique_ptr<Dc> dc) {
  InitStock();
  Tables& t = T();
  dc->st.pen = static_cast<HPEN>(t.stock[BLACK_PEN]);
  dc->st.brush = static_cast<HBRUSH>(t.stock[WHITE_BRUSH]);
  dc->st.font = static_cast<HFONT>(t.stock[SYSTEM_FONT]);
  Swap(nullptr, dc->st.pen);
  Swap(nullptr, dc->st.brush);
  Swap(nullptr, dc->st.font);
  if (dc->kind == DcKind::Memory) {
    dc->st.bitmap = t.defaultBitmap;
    SetBaseToSurface(*dc);
  }
  UpdateClip(*dc);
  uintptr_t key = (t.nextSerial++ << 4) | kDcTag;
  t.dcs.Insert(key, std::move(dc));
  return reinterpret_cast<HDC>(key);
}

void RemoveDc(HDC h) {
  Dc* d = FindDc(h);
  if (!d) return;
  Swap(d->st.pen, nullptr);
  Swap(d->st.brush, nullptr);
  Swap(d->st.font, nullptr);
  if (Bitmap* b = FindAs<Bitmap>(d->st.bitmap, Kind::Bitmap)) {
    if (!b->stock) b->selectedIn = nullptr;
  }
  T().dcs.Take(reinterpret_cast<uintptr_t>(h));  // the DC dies here, the table already whole
}

Surface* DcSurface(Dc& dc) {
  if (dc.kind != DcKind::Memory) return &Screen();
  Bitmap* b = FindAs<Bitmap>(dc.st.bitmap, Kind::Bitmap);
  return b ? &b->surf : nullptr;
}

void SetBaseToSurface(Dc& dc) {
  Surface* s = DcSurface(dc);
  dc.base.clear();
  if (s) dc.base.push_back(RECT{0, 0, s->w, s->h});
}

void UpdateClip(Dc& dc) {
  dc.clip.clear();
  if (dc.noDraw) {
    dc.clipBox = RECT{0, 0, 0, 0};
    return;
  }
  for (const RECT& b : dc.base) {
    if (!dc.st.userClip) {
      if (!IsEmpty(b)) dc.clip.push_back(b);
      continue;
    }
    for (const RECT& u : dc.st.userRects) {
      RECT r = Intersect(b, u);
      if (!IsEmpty(r)) dc.clip.push_back(r);
    }
  }
  if (dc.clip.empty()) {
    dc.clipBox = RECT{0, 0, 0, 0};
    return;
  }
  dc.clipBox = dc.clip[0];
  for (const RECT& r : dc.clip) {
    dc.clipBox.left = std::min(dc.clipBox.left, r.left);
    dc.clipBox.top = std::min(dc.clipBox.top, r.top);
    dc.clipBox.right = std::max(dc.clipBox.right, r.right);
    dc.clipBox.bottom = std::max(dc.clipBox.bottom, r.bottom);
  }
}

// `a` less `b`, as up to four disjoint rectangles.
static void Subtract(const RECT& a, const RECT& b, std::vector<RECT>& out) {
  RECT i = Intersect(a, b);
  if (IsEmpty(i)) {
    out.push_back(a);
    return;
  }
  if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
}

static int RegionKind(const Dc& d) {
  return d.clip.empty() ? NULLREGION : d.clip.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// A logical rectangle in surface coordinates, saturated.
static RECT ToSurface(const Dc& d, int l, int t, int r, int b) {
  return RECT{Sat(int64_t(l) + d.origin.x), Sat(int64_t(t) + d.origin.y),
              Sat(int64_t(r) + d.origin.x), Sat(int64_t(b) + d.origin.y)};
}

}  // namespace vplat::gdi

using namespace vplat::gdi;

extern "C" {

HGDIOBJ GetStockObject(int index) {
  InitStock();
  if (index < 0 || index > DEFAULT_GUI_FONT || !T().stock[index]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return T().stock[index];
}

HPEN CreatePen(int style, int width, COLORREF color) {
  HGDIOBJ h = nullptr;
  Pen* p = NewRecycled<Pen>(Kind::Pen, &h);
  style &= PS_STYLE_MASK;
  // Only solid, dashed and null pens exist on the device; other styles draw solid.
  p->style = (style == PS_DASH || style == PS_NULL) ? style : PS_SOLID;
  p->width = width < 1 ? 1 : width;
  p->color = color & 0xFFFFFF;
  return static_cast<HPEN>(h);
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreatePen(int(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  HGDIOBJ h = nullptr;
  Brush* b = NewRecycled<Brush>(Kind::Brush, &h);
  b->color = color & 0xFFFFFF;
  return static_cast<HBRUSH>(h);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (lb->lbStyle == BS_NULL) {
    HGDIOBJ h = nullptr;
    NewRecycled<Brush>(Kind::Brush, &h)->style = BS_NULL;
    return static_cast<HBRUSH>(h);
  }
  if (lb->lbStyle != BS_SOLID) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return CreateSolidBrush(lb->lbColor);
}

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  if (!lf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto f = std::make_unique<Font>();
  f->lf = *lf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(Register(std::move(f)));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (!FindDc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HBITMAP h = nullptr;
  NewBitmap(width, height, &h);
  return h;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (planes != 1 || (bpp != 1 && bpp != 32 && bpp != 24 && bpp != 16 && bpp != 8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP h = nullptr;
  Bitmap* b = NewBitmap(width, height, &h);
  if (!b) return nullptr;
  b->bpp = int(bpp);
  if (bits) {
    // Device-dependent rows are padded to 16 bits, top row first.
    const auto* src = static_cast<const uint8_t*>(bits);
    size_t rowBytes = ((size_t(width) * bpp + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = src + rowBytes * y;
      uint32_t* out = b->surf.Row(y);
      for (int x = 0; x < width; ++x) {
        uint32_t p = 0;
        switch (bpp) {
          case 1: p = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 0xFFFFFFFFu : 0xFF000000u; break;
          case 8: p = 0xFF000000u | row[x] * 0x010101u; break;
          case 16: {
            unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
            unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, bl = v & 31;
            p = 0xFF000000u | ((r * 255 / 31) << 16) | ((g * 255 / 63) << 8) | (bl * 255 / 31);
            break;
          }
          case 24: p = 0xFF000000u | row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16); break;
          default:
            p = 0xFF000000u | row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16);
        }
        out[x] = p;
      }
    }
  }
  return h;
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
  if (bits) *bits = nullptr;
  if (!bmi || section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  int w = h.biWidth;
  int64_t hh = h.biHeight;
  if (h.biSize < 40 || w <= 0 || hh == 0 || hh == INT32_MIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Drawing works on 32-bit pixels in place, so only 32-bit sections are made; others are
  // refused with a clear error rather than given bits that drawing would not update.
  if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  int height = int(hh < 0 ? -hh : hh);
  if (w > 16384 || height > 16384 || int64_t(w) * height > (int64_t(1) << 26)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto b = std::make_unique<Bitmap>();
  b->w = w;
  b->h = height;
  b->dibBits = static_cast<uint32_t*>(std::calloc(size_t(w) * height, 4));
  if (!b->dibBits) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  b->bottomUp = hh > 0;
  if (b->bottomUp)
    b->surf = Surface{b->dibBits + size_t(w) * (height - 1), -ptrdiff_t(w), w, height};
  else
    b->surf = Surface{b->dibBits, w, w, height};
  if (bits) *bits = b->dibBits;
  return static_cast<HBITMAP>(Register(std::move(b)));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_unique<Region>();
  RECT rc{std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
  if (!IsEmpty(rc)) r->rects.push_back(rc);
  return static_cast<HRGN>(Register(std::move(r)));
}

HRGN CreateRectRgnIndirect(const RECT* rc) {
  if (!rc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom);
}

BOOL DeleteObject(HGDIOBJ obj) {
  Object* o = Find(obj);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (o->stock) return TRUE;  // stock objects live for the whole run
  if (o->selected > 0) return FALSE;
  if (o->kind == Kind::Bitmap && static_cast<Bitmap*>(o)->selectedIn) return FALSE;
  Tables& t = T();
  std::vector<std::unique_ptr<Object>>* spare = SpareList(o->kind);
  if (spare && spare->size() < kSpareNodes) {
    if (spare->capacity() < kSpareNodes) spare->reserve(kSpareNodes);
    spare->push_back(t.objects.Take(reinterpret_cast<uintptr_t>(obj)));
  } else {
    t.objects.Take(reinterpret_cast<uintptr_t>(obj));
  }
  return TRUE;
}

int GetObjectW(HGDIOBJ obj, int size, LPVOID out) {
  Object* o = Find(obj);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  auto give = [&](const void* rec, int n) -> int {
    if (!out) return n;
    if (size < n) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(out, rec, size_t(n));
    return n;
  };
  switch (o->kind) {
    case Kind::Pen: {
      auto* p = static_cast<Pen*>(o);
      LOGPEN lp{UINT(p->style), POINT{p->width, 0}, p->color};
      return give(&lp, sizeof lp);
    }
    case Kind::Brush: {
      auto* b = static_cast<Brush*>(o);
      LOGBRUSH lb{UINT(b->style), b->color, 0};
      return give(&lb, sizeof lb);
    }
    case Kind::Font: return give(&static_cast<Font*>(o)->lf, sizeof(LOGFONTW));
    case Kind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o);
      BITMAP bm{0, b->w, b->h, b->w * 4, 1, WORD(32), b->dibBits};
      return give(&bm, sizeof bm);
    }
    case Kind::Region: break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  Dc* d = FindDc(hdc);
  if (!d) return nullptr;
  switch (type) {
    case OBJ_PEN: return d->st.pen;
    case OBJ_BRUSH: return d->st.brush;
    case OBJ_FONT: return d->st.font;
    case OBJ_BITMAP: return d->st.bitmap;
  }
  return nullptr;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  Dc* d = FindDc(hdc);
  // Selecting the pen, brush or font the DC already holds changes nothing, and an object that is
  // selected cannot be deleted, so the handle is good without looking it up. A handle's low four
  // bits are its kind (see Register); values below 16 are no handle at all.
  if (d && !d->rec) {
    const uintptr_t key = reinterpret_cast<uintptr_t>(obj);
    const auto kind = static_cast<Kind>(key & 0xF);
    if (key >= 16 && ((kind == Kind::Pen && obj == d->st.pen) ||
                      (kind == Kind::Brush && obj == d->st.brush) ||
                      (kind == Kind::Font && obj == d->st.font)))
      return obj;
  }
  Object* o = Find(obj);
  if (!d || !o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (d->rec) Record(*d, "SelectObject", {int64_t(o->kind)});
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case Kind::Pen: slot = reinterpret_cast<HGDIOBJ*>(&d->st.pen); break;
    case Kind::Brush: slot = reinterpret_cast<HGDIOBJ*>(&d->st.brush); break;
    case Kind::Font: slot = reinterpret_cast<HGDIOBJ*>(&d->st.font); break;
    case Kind::Region: {
      // Selecting a region sets the clip to a copy of it and answers the region's kind.
      int r = SelectClipRgn(hdc, static_cast<HRGN>(obj));
      return reinterpret_cast<HGDIOBJ>(intptr_t(r));
    }
    case Kind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o);
      if (d->kind != DcKind::Memory) return nullptr;
      if (!b->stock && b->selectedIn && b->selectedIn != hdc) return nullptr;
      HGDIOBJ old = d->st.bitmap;
      if (Bitmap* ob = FindAs<Bitmap>(old, Kind::Bitmap); ob && !ob->stock) ob->selectedIn = nullptr;
      if (!b->stock) b->selectedIn = hdc;
      d->st.bitmap = static_cast<HBITMAP>(obj);
      SetBaseToSurface(*d);
      UpdateClip(*d);
      return old;
    }
  }
  HGDIOBJ old = *slot;
  if (old != obj) {
    if (Object* prev = Find(old)) prev->selected = std::max(0, prev->selected - 1);
    o->selected++;  // `o` is the object just looked up: no second search for it
    *slot = obj;
    if (o->kind == Kind::Pen) d->st.dashPhase = 0;
  }
  return old;
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !FindDc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto d = std::make_unique<Dc>();
  d->kind = DcKind::Memory;
  return RegisterDc(std::move(d));
}

BOOL DeleteDC(HDC hdc) {
  Dc* d = FindDc(hdc);
  if (!d || d->kind != DcKind::Memory) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  HBITMAP own = d->rec ? d->rec->own : nullptr;
  RemoveDc(hdc);
  if (own) DeleteObject(own);
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  Dc* d = FindDc(hdc);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (index) {
    case HORZRES: return Screen().w;
    case VERTRES: return Screen().h;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    // The handheld's 240 x 320 panel is about 53 x 71 mm.
    case HORZSIZE: return 53;
    case VERTSIZE: return 71;
    case NUMCOLORS: return -1;
  }
  return 0;
}

int SaveDC(HDC hdc) {
  Dc* d = FindDc(hdc);
  if (!d) return 0;
  d->saved.push_back(d->st);
  return int(d->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDC) {
  Dc* d = FindDc(hdc);
  if (!d) return FALSE;
  int n = int(d->saved.size());
  int idx = savedDC < 0 ? n + savedDC : savedDC - 1;
  if (idx < 0 || idx >= n) return FALSE;
  DcState s = d->saved[size_t(idx)];
  d->saved.resize(size_t(idx));
  // Objects deleted since the save stay as they are now.
  if (Find(s.pen)) SelectObject(hdc, s.pen);
  if (Find(s.brush)) SelectObject(hdc, s.brush);
  if (Find(s.font)) SelectObject(hdc, s.font);
  if (s.bitmap && Find(s.bitmap)) SelectObject(hdc, s.bitmap);
  s.pen = d->st.pen;
  s.brush = d->st.brush;
  s.font = d->st.font;
  s.bitmap = d->st.bitmap;
  d->st = s;
  UpdateClip(*d);
  return TRUE;
}

// The attribute setters and getters share one shape: look the DC up, check the value, log the
// call on a recording DC, swap. `failed` is what a bad handle or value gives; `name` null logs
// nothing.
extern "C++" {
namespace {
template <class T, class V>
T SetAttribute(HDC hdc, T DcState::*field, V value, bool valid, T failed, const char* name) {
  Dc* d = FindDc(hdc);
  if (!d || !valid) return failed;
  if (name && d->rec) Record(*d, name, {int64_t(value)});
  T old = d->st.*field;
  d->st.*field = T(value);
  return old;
}
template <class T>
T GetAttribute(HDC hdc, T DcState::*field, T failed) {
  Dc* d = FindDc(hdc);
  return d ? d->st.*field : failed;
}
}  // namespace
}  // extern "C++"

COLORREF SetTextColor(HDC hdc, COLORREF c) {
  return SetAttribute(hdc, &DcState::text, c, true, COLORREF(CLR_INVALID), "SetTextColor");
}
COLORREF GetTextColor(HDC hdc) { return GetAttribute(hdc, &DcState::text, COLORREF(CLR_INVALID)); }
COLORREF SetBkColor(HDC hdc, COLORREF c) {
  return SetAttribute(hdc, &DcState::bk, c, true, COLORREF(CLR_INVALID), "SetBkColor");
}
COLORREF GetBkColor(HDC hdc) { return GetAttribute(hdc, &DcState::bk, COLORREF(CLR_INVALID)); }
int SetBkMode(HDC hdc, int mode) {
  return SetAttribute(hdc, &DcState::bkMode, mode, mode == OPAQUE || mode == TRANSPARENT, 0,
                      "SetBkMode");
}
int GetBkMode(HDC hdc) { return GetAttribute(hdc, &DcState::bkMode, 0); }
int SetROP2(HDC hdc, int rop2) {
  return SetAttribute(hdc, &DcState::rop2, rop2, rop2 >= R2_BLACK && rop2 <= R2_WHITE, 0,
                      "SetROP2");
}
int GetROP2(HDC hdc) { return GetAttribute(hdc, &DcState::rop2, 0); }
int SetPolyFillMode(HDC hdc, int mode) {
  return SetAttribute(hdc, &DcState::fillMode, mode, mode == ALTERNATE || mode == WINDING, 0,
                      "SetPolyFillMode");
}
int GetPolyFillMode(HDC hdc) { return GetAttribute(hdc, &DcState::fillMode, 0); }
UINT SetTextAlign(HDC hdc, UINT align) {
  return SetAttribute(hdc, &DcState::align, align, true, UINT(GDI_ERROR), "SetTextAlign");
}
UINT GetTextAlign(HDC hdc) { return GetAttribute(hdc, &DcState::align, UINT(GDI_ERROR)); }
int SetStretchBltMode(HDC hdc, int mode) {
  return SetAttribute(hdc, &DcState::stretchMode, mode,
                      mode >= BLACKONWHITE && mode <= COLORONCOLOR, 0, nullptr);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  Dc* d = FindDc(hdc);
  if (!d) return 0;
  if (d->rec) Record(*d, "IntersectClipRect", {left, top, right, bottom});
  RECT r = ToSurface(*d, left, top, right, bottom);
  if (!d->st.userClip) {
    d->st.userClip = true;
    d->st.userRects = d->base;
  }
  std::vector<RECT> out;
  for (const RECT& u : d->st.userRects) {
    RECT i = Intersect(u, r);
    if (!IsEmpty(i)) out.push_back(i);
  }
  d->st.userRects = std::move(out);
  UpdateClip(*d);
  return RegionKind(*d);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  Dc* d = FindDc(hdc);
  if (!d) return 0;
  if (d->rec) Record(*d, "ExcludeClipRect", {left, top, right, bottom});
  RECT r = ToSurface(*d, left, top, right, bottom);
  if (!d->st.userClip) {
    d->st.userClip = true;
    d->st.userRects = d->base;
  }
  std::vector<RECT> out;
  for (const RECT& u : d->st.userRects) Subtract(u, r, out);
  d->st.userRects = std::move(out);
  UpdateClip(*d);
  return RegionKind(*d);
}

int SelectClipRgn(HDC hdc, HRGN rgn) {
  Dc* d = FindDc(hdc);
  if (!d) return 0;
  if (!rgn) {
    d->st.userClip = false;
    d->st.userRects.clear();
  } else {
    Region* r = FindAs<Region>(rgn, Kind::Region);
    if (!r) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    d->st.userClip = true;
    d->st.userRects.clear();
    for (const RECT& rc : r->rects)
      d->st.userRects.push_back(ToSurface(*d, rc.left, rc.top, rc.right, rc.bottom));
  }
  UpdateClip(*d);
  return RegionKind(*d);
}

int GetClipBox(HDC hdc, LPRECT rc) {
  Dc* d = FindDc(hdc);
  if (!d || !rc) return 0;
  RECT b = d->clipBox;
  *rc = RECT{b.left - d->origin.x, b.top - d->origin.y, b.right - d->origin.x,
             b.bottom - d->origin.y};
  return RegionKind(*d);
}

DWORD GetSysColor(int index) {
  switch (index) {
    case COLOR_WINDOW:
    case COLOR_MENU:
    case COLOR_INFOBK:
    case COLOR_BTNHIGHLIGHT:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_MENUTEXT:
    case COLOR_BTNTEXT:
    case COLOR_INFOTEXT:
    case COLOR_WINDOWFRAME:
    case COLOR_STATICTEXT:
    case COLOR_3DDKSHADOW: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT:
    case COLOR_ACTIVECAPTION: return RGB(0, 0, 128);
    case COLOR_BTNFACE:
    case COLOR_STATIC:
    case COLOR_SCROLLBAR:
    case COLOR_3DLIGHT:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER: return RGB(192, 192, 192);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
    case COLOR_INACTIVECAPTION:
    case COLOR_INACTIVECAPTIONTEXT: return RGB(128, 128, 128);
    case COLOR_BACKGROUND:
    case COLOR_APPWORKSPACE: return RGB(0, 128, 128);
  }
  return 0;
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > COLOR_STATICTEXT) return nullptr;
  HBRUSH& b = T().sysBrushes[index];
  if (!b) {
    auto br = std::make_unique<Brush>();
    br->color = GetSysColor(index);
    b = static_cast<HBRUSH>(MakeStock(std::move(br)));
  }
  return b;
}

}  // extern "C"
