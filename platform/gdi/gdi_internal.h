// What the drawing files of the device layer share: the object table behind GDI handles, device
// contexts, surfaces and the span writer every primitive ends in.
//
// Invariants:
// - Handles are never pointers. A GDI handle is (serial << 4 | kind) with a serial that is never
//   reused, so a deleted or forged handle is found missing in the table and the call fails
//   instead of touching freed memory.
// - A surface is 0xAARRGGBB, rows addressed through `Row(y)` with y = 0 at the top whatever the
//   memory order (a bottom-up DIB section has a negative stride).
// - A device context's clip is a list of disjoint rectangles in surface coordinates, already
//   intersected with the surface bounds; every write goes through it. Logical coordinates become
//   surface coordinates by adding `origin`, in 64 bits.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/wingdi.h"

namespace vplat::gdi {

inline uint32_t ToPixel(COLORREF c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF ToColorRef(uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

struct Surface {
  uint32_t* top = nullptr;  // row 0
  ptrdiff_t stride = 0;     // in pixels, negative for bottom-up memory
  int w = 0, h = 0;
  uint32_t* Row(int y) const { return top + y * stride; }
};

// ---- GDI objects ----
enum class Kind : uint8_t { Pen = 1, Brush = 2, Font = 3, Bitmap = 4, Region = 5 };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  bool stock = false;
  int selected = 0;  // number of DCs that hold it selected
};

struct Pen : Object {
  Pen() : Object(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct Brush : Object {
  Brush() : Object(Kind::Brush) {}
  int style = BS_SOLID;
  COLORREF color = 0;
};

struct FontFace;  // text.cpp
struct Font : Object {
  Font() : Object(Kind::Font) {}
  LOGFONTW lf{};
  std::shared_ptr<FontFace> face;  // resolved on first use
};

struct Bitmap : Object {
  Bitmap() : Object(Kind::Bitmap) {}
  int w = 0, h = 0;
  int bpp = 32;
  std::vector<uint32_t> pixels;  // own storage when not a DIB section
  uint32_t* dibBits = nullptr;   // caller-visible storage of a DIB section (owned)
  bool bottomUp = false;
  Surface surf;
  HDC selectedIn = nullptr;
  ~Bitmap() override;
};

struct Region : Object {
  Region() : Object(Kind::Region) {}
  std::vector<RECT> rects;  // disjoint
};

HGDIOBJ Register(std::unique_ptr<Object> obj);
Object* Find(HGDIOBJ h);
template <class T>
T* FindAs(HGDIOBJ h, Kind k) {
  Object* o = Find(h);
  return (o && o->kind == k) ? static_cast<T*>(o) : nullptr;
}
Bitmap* NewBitmap(int w, int h, HBITMAP* handle);  // zeroed to black; null when too large
HBITMAP DefaultBitmap();                            // 1 x 1, what a fresh memory DC holds

// ---- device contexts ----
struct RecordedCallList;  // recording_dc.cpp
struct Recorder {
  int fixedAdvance = 0;
  HBITMAP own = nullptr;  // the bitmap the recording DC was made with, deleted with it
  std::unique_ptr<RecordedCallList> calls;
  ~Recorder();
};

struct DcState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  COLORREF text = 0;
  COLORREF bk = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int fillMode = ALTERNATE;
  UINT align = TA_TOP | TA_LEFT;
  int stretchMode = BLACKONWHITE;
  POINT cur{0, 0};
  bool userClip = false;
  std::vector<RECT> userRects;  // surface coordinates
  int dashPhase = 0;            // position in the dash pattern between calls of one figure
};

enum class DcKind { Memory, Window, Screen };

struct Dc {
  DcKind kind = DcKind::Memory;
  HWND hwnd = nullptr;
  bool clientArea = true;
  bool fromPaint = false;
  POINT origin{0, 0};       // surface position of logical (0, 0)
  std::vector<RECT> base;   // where the DC may draw at all (surface coordinates)
  // A window DC's visible region when it was taken (surface coordinates): the only pixels a
  // blit may read from it, so that a copy of a window never picks up a window stacked above it.
  // Unused for memory DCs, which read their whole bitmap.
  std::vector<RECT> readable;
  DcState st;
  std::vector<DcState> saved;
  std::vector<RECT> clip;   // effective clip = base ∩ user clip
  RECT clipBox{0, 0, 0, 0};  // bounding box of `clip`
  std::unique_ptr<Recorder> rec;
  bool noDraw = false;      // a recording DC that only records
};

Dc* FindDc(HDC h);
HDC RegisterDc(std::unique_ptr<Dc> dc);
void RemoveDc(HDC h);
Surface* DcSurface(Dc& dc);   // null when the DC has nothing to draw on
void UpdateClip(Dc& dc);      // recompute `clip` from base and user clip
void SetBaseToSurface(Dc& dc);

// ---- the screen (screen.cpp) ----
Surface& Screen();

// ---- rasterizer (raster.cpp) ----
// One ROP2 applied to a pixel colour (both 0xAARRGGBB).
uint32_t ApplyRop2(int rop2, uint32_t pen, uint32_t dst);
// Writes pixels [x0, x1) of row y (surface coordinates, any 64-bit values) clipped to the DC.
void Span(Dc& dc, Surface& s, int64_t y, int64_t x0, int64_t x1, uint32_t color, int rop2);
// Paints a pen-shaped figure: the path of `n` points (logical, in 64-bit) as a pen stroke.
void StrokePath(Dc& dc, const POINT* pts, size_t n, bool closed);
// Fills polygons (logical points) with the brush's colour, the DC's fill mode.
void FillPolygons(Dc& dc, const POINT* pts, const INT* counts, int polys, uint32_t color,
                  int rop2, int fillMode);
bool PenVisible(Dc& dc, Pen** pen);
bool BrushVisible(Dc& dc, uint32_t* color);

// ---- text (text.cpp) ----
void ReleaseFontCache();

// ---- recording (recording_dc.cpp) ----
// Logs a call on a recording DC together with the DC's current pen, brush, font and modes.
void Record(Dc& dc, const char* name, std::initializer_list<int64_t> args,
            const POINT* pts = nullptr, size_t npts = 0, const wchar_t* text = nullptr,
            size_t textLen = 0);
// Adds the per-character advances of a text call to the call logged last.
void RecordAdvances(Dc& dc, const INT* dx, size_t n);
// Fixed advance in pixels of a recording DC's font metric, 0 when it measures real fonts.
int FixedAdvance(const Dc& dc);

// ---- helpers ----
inline bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
         a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r;
}
// Logical -> surface, saturated into int32 so far-off figures stay far off.
inline int64_t Dev(int64_t v, LONG org) { return v + org; }
inline LONG Sat(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<LONG>(v);
}

}  // namespace vplat::gdi
