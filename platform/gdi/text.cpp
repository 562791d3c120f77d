// Text: fonts found through fontconfig and drawn with FreeType, with a glyph cache.
//
// Measuring and drawing agree to the pixel: every character advances by its hinted advance
// rounded to whole pixels, measured on the unrotated glyph, and drawing places glyph i at the
// sum of the advances before it along the (possibly turned) baseline. GetTextExtent* sums the
// very same numbers.
//
// Cost: glyphs up to kCachedEm pixels are rendered once into the cache and then blended, clipped;
// larger glyphs are rendered straight into the clip rectangle through FreeType's span callback,
// and any glyph whose box misses the clip is skipped on its box alone. A label 5,000 px long or
// 10,000 px high thus costs its visible pixels, never a bitmap of its full size.
//
// Heights follow the platform: lfHeight < 0 is the em height, > 0 the cell height (ascent plus
// descent), 0 the default of 12 px em.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi_internal.h"

namespace vplat::gdi {

namespace {
constexpr double kCachedEm = 200;

bool g_libraryGone = false;
void ShutDownText();
struct FaceMap;
FaceMap& FaceCacheEarly();

FT_Library& LibrarySlot() {
  static FT_Library lib = nullptr;
  return lib;
}

FT_Library Library() {
  static bool tried = false;
  if (!tried && !g_libraryGone) {
    tried = true;
    FaceCacheEarly();  // constructed before the exit handler is registered, so it outlives it
    if (FT_Init_FreeType(&LibrarySlot()) != 0) LibrarySlot() = nullptr;
    // Fonts live for the whole run; at exit they, FreeType and fontconfig are released so that
    // leak checkers see a clean process.
    std::atexit(ShutDownText);
  }
  return LibrarySlot();
}

struct FontFile {
  std::string path;
  int index = 0;
};

std::string Lower(const wchar_t* s) {
  std::string r;
  for (; s && *s; ++s) r += char(*s < 128 ? std::towlower(wint_t(*s)) : '?');
  return r;
}

// The family a face name maps to: the handheld's faces to their metric-compatible fonts.
std::string MapFamily(const wchar_t* face) {
  std::string f = Lower(face);
  if (f == "courier new" || f == "courier") return "Liberation Mono";
  if (f == "times new roman" || f == "times") return "Liberation Serif";
  if (f.rfind("liberation", 0) == 0 || f.rfind("dejavu", 0) == 0) {
    std::string orig;
    for (const wchar_t* p = face; *p; ++p) orig += char(*p);
    return orig;
  }
  return "Liberation Sans";
}

bool FindFont(const std::string& family, bool bold, bool italic, FontFile* out) {
  static std::map<std::string, FontFile> cache;
  std::string key = family + (bold ? "/b" : "/r") + (italic ? "i" : "");
  if (auto it = cache.find(key); it != cache.end()) {
    *out = it->second;
    return !out->path.empty();
  }
  FontFile ff;
  if (FcInit()) {
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    if (m) {
      FcChar8* file = nullptr;
      int idx = 0;
      if (FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch) {
        ff.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(m, FC_INDEX, 0, &idx) == FcResultMatch) ff.index = idx;
      }
      FcPatternDestroy(m);
    }
    FcPatternDestroy(pat);
  }
  cache[key] = ff;
  *out = ff;
  return !ff.path.empty();
}

struct Glyph {
  int advance = 0;
  bool measured = false;
  bool rendered = false;
  std::vector<uint8_t> cover;
  int left = 0, top = 0, w = 0, h = 0;  // bitmap offset from the pen point, y up
};

}  // namespace

struct FontFace {
  FT_Face face = nullptr;
  FT_Face fallback = nullptr;
  bool fallbackTried = false;
  bool bold = false, italic = false;
  double em = 12;  // pixels
  int ascent = 0, descent = 0;
  int weight = FW_NORMAL;
  double angle = 0;  // radians, counter-clockwise
  FT_Matrix rot{0x10000, 0, 0, 0x10000};
  bool rotated = false;
  std::unordered_map<uint32_t, Glyph> glyphs;
  int aveWidth = 0, maxWidth = 0;
  BYTE charset = 0, pitch = 0;
  ~FontFace() {
    if (g_libraryGone) return;  // FreeType already released every face
    if (face) FT_Done_Face(face);
    if (fallback) FT_Done_Face(fallback);
  }

  // The face holding `cp`, and its glyph index there (0: neither has it).
  FT_Face For(uint32_t cp, FT_UInt* gi) {
    *gi = face ? FT_Get_Char_Index(face, cp) : 0;
    if (*gi || !face) return face;
    if (!fallbackTried) {
      fallbackTried = true;
      FontFile ff;
      if (FindFont("DejaVu Sans", bold, italic, &ff) &&
          FT_New_Face(Library(), ff.path.c_str(), ff.index, &fallback) == 0) {
        FT_Set_Char_Size(fallback, 0, FT_F26Dot6(std::lround(em * 64)), 72, 72);
      } else {
        fallback = nullptr;
      }
    }
    if (fallback) {
      FT_UInt g = FT_Get_Char_Index(fallback, cp);
      if (g) {
        *gi = g;
        return fallback;
      }
    }
    return face;
  }

  Glyph& Measure(uint32_t cp) {
    Glyph& g = glyphs[cp];
    if (g.measured) return g;
    g.measured = true;
    if (cp < 0x20) return g;  // control characters take no room
    FT_UInt gi;
    FT_Face f = For(cp, &gi);
    if (f) {
      FT_Set_Transform(f, nullptr, nullptr);
      if (FT_Load_Glyph(f, gi, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0)
        g.advance = int((f->glyph->advance.x + 32) >> 6);
    } else {
      g.advance = int(std::lround(em / 2));
    }
    return g;
  }

  // Loads `cp` transformed for drawing into its face's glyph slot; null when none.
  FT_GlyphSlot Load(uint32_t cp) {
    FT_UInt gi;
    FT_Face f = For(cp, &gi);
    if (!f || cp < 0x20) return nullptr;
    FT_Set_Transform(f, rotated ? &rot : nullptr, nullptr);
    FT_Error e = FT_Load_Glyph(f, gi, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
    FT_Set_Transform(f, nullptr, nullptr);
    if (e || f->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    return f->glyph;
  }

  Glyph& Rendered(uint32_t cp) {
    Glyph& g = Measure(cp);
    if (g.rendered) return g;
    g.rendered = true;
    FT_GlyphSlot slot = Load(cp);
    if (!slot || FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.w = int(bm.width);
    g.h = int(bm.rows);
    g.cover.resize(size_t(g.w) * g.h);
    for (int y = 0; y < g.h; ++y)
      std::memcpy(&g.cover[size_t(y) * g.w], bm.buffer + ptrdiff_t(y) * bm.pitch, size_t(g.w));
    return g;
  }
};

namespace {

struct FaceMap {
  std::map<std::string, std::shared_ptr<FontFace>> m;
};
FaceMap& FaceCacheEarly() {
  static FaceMap m;
  return m;
}
std::map<std::string, std::shared_ptr<FontFace>>& FaceCache() { return FaceCacheEarly().m; }

std::shared_ptr<FontFace> MakeFace(const LOGFONTW& lf) {
  bool bold = lf.lfWeight >= 600;
  bool italic = lf.lfItalic != 0;
  std::string family = MapFamily(lf.lfFaceName);
  std::string key = family + "|" + std::to_string(lf.lfHeight) + "|" + std::to_string(bold) +
                    std::to_string(italic) + "|" + std::to_string(lf.lfEscapement) + "|" +
                    std::to_string(lf.lfWeight);
  auto& cache = FaceCache();
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  if (cache.size() > 128) {
    for (auto it = cache.begin(); it != cache.end();)
      it = it->second.use_count() == 1 ? cache.erase(it) : std::next(it);
  }
  auto ff = std::make_shared<FontFace>();
  ff->bold = bold;
  ff->italic = italic;
  ff->weight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  ff->charset = lf.lfCharSet;
  FontFile file;
  if (Library() && (FindFont(family, bold, italic, &file) || FindFont("", bold, italic, &file))) {
    if (FT_New_Face(Library(), file.path.c_str(), file.index, &ff->face) != 0) ff->face = nullptr;
  }
  // Heights are clamped to 20,000 px: beyond that nothing of a glyph fits the screen anyway.
  double h = std::min(20000.0, std::abs(double(lf.lfHeight)));
  if (lf.lfHeight == 0) h = 12;
  double upem = 2048, asc = 1854, desc = 434;
  if (ff->face && ff->face->units_per_EM) {
    upem = ff->face->units_per_EM;
    asc = ff->face->ascender;
    desc = -double(ff->face->descender);
    if (asc + desc <= 0) {
      asc = upem * 0.9;
      desc = upem * 0.2;
    }
  }
  if (lf.lfHeight > 0) {
    ff->em = h * upem / (asc + desc);
    ff->ascent = int(std::lround(asc * ff->em / upem));
    ff->descent = int(h) - ff->ascent;
  } else {
    ff->em = h;
    ff->ascent = int(std::lround(asc * h / upem));
    ff->descent = int(std::lround(desc * h / upem));
  }
  if (ff->em < 1) ff->em = 1;
  if (ff->face) FT_Set_Char_Size(ff->face, 0, FT_F26Dot6(std::lround(ff->em * 64)), 72, 72);
  int esc = lf.lfEscapement % 3600;
  if (esc != 0) {
    ff->rotated = true;
    ff->angle = esc * M_PI / 1800.0;
    double c = std::cos(ff->angle), s = std::sin(ff->angle);
    ff->rot.xx = FT_Fixed(std::lround(c * 0x10000));
    ff->rot.xy = FT_Fixed(std::lround(-s * 0x10000));
    ff->rot.yx = FT_Fixed(std::lround(s * 0x10000));
    ff->rot.yy = FT_Fixed(std::lround(c * 0x10000));
  }
  ff->aveWidth = ff->Measure('x').advance;
  ff->maxWidth = ff->face ? int(std::ceil(double(ff->face->max_advance_width) * ff->em / upem))
                          : ff->aveWidth;
  bool mono = ff->face && FT_IS_FIXED_WIDTH(ff->face);
  ff->pitch = BYTE((mono ? 0 : 1) | 0x06 | (family == "Liberation Serif" ? FF_ROMAN
                                            : mono                      ? FF_MODERN
                                                                        : FF_SWISS));
  cache[key] = ff;
  return ff;
}

FontFace* FaceOf(Dc& dc) {
  Font* f = FindAs<Font>(dc.st.font, Kind::Font);
  if (!f) return nullptr;
  if (!f->face) f->face = MakeFace(f->lf);
  return f->face.get();
}

// Metrics of a DC's font, the fixed metric of a recording DC included.
struct Metrics {
  int ascent = 0, descent = 0;
  int Height() const { return ascent + descent; }
};

Metrics MetricsOf(Dc& dc, FontFace* ff) {
  Metrics m;
  if (FixedAdvance(dc) > 0) {
    Font* f = FindAs<Font>(dc.st.font, Kind::Font);
    int h = f ? std::abs(int(f->lf.lfHeight)) : 12;
    if (h == 0) h = 12;
    m.ascent = h - h / 5;
    m.descent = h / 5;
    return m;
  }
  if (ff) {
    m.ascent = ff->ascent;
    m.descent = ff->descent;
  }
  return m;
}

int AdvanceOf(Dc& dc, FontFace* ff, wchar_t ch) {
  if (int fa = FixedAdvance(dc); fa > 0) return fa;
  return ff ? ff->Measure(uint32_t(ch)).advance : 0;
}

inline void Blend(uint32_t& d, uint32_t c, unsigned a) {
  if (a == 0) return;
  if (a >= 255) {
    d = c;
    return;
  }
  unsigned inv = 255 - a;
  uint32_t r = (((c >> 16) & 255) * a + ((d >> 16) & 255) * inv + 127) / 255;
  uint32_t g = (((c >> 8) & 255) * a + ((d >> 8) & 255) * inv + 127) / 255;
  uint32_t b = ((c & 255) * a + (d & 255) * inv + 127) / 255;
  d = 0xFF000000u | (r << 16) | (g << 8) | b;
}

struct SpanTarget {
  Dc* dc;
  Surface* s;
  uint32_t color;
};

void GraySpans(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<SpanTarget*>(user);
  int64_t row = -int64_t(y) - 1;  // the outline's y runs upwards
  for (int i = 0; i < count; ++i) {
    int64_t x0 = spans[i].x, x1 = x0 + spans[i].len;
    for (const RECT& r : t->dc->clip) {
      if (row < r.top || row >= r.bottom) continue;
      int64_t a = std::max<int64_t>(x0, r.left), b = std::min<int64_t>(x1, r.right);
      uint32_t* p = t->s->Row(int(row));
      for (int64_t x = a; x < b; ++x) Blend(p[x], t->color, spans[i].coverage);
    }
  }
}

// Draws one glyph with its pen point at surface position (px, py).
void DrawGlyph(Dc& dc, Surface& s, FontFace& ff, uint32_t cp, double px, double py,
               uint32_t color) {
  const RECT& cb = dc.clipBox;
  double reach = ff.em * 2 + 4;  // a glyph lies within this distance of its pen point
  if (px + reach < cb.left || px - reach > cb.right || py + reach < cb.top || py - reach > cb.bottom)
    return;
  int64_t ix = std::llround(px), iy = std::llround(py);
  if (ff.em <= kCachedEm) {
    Glyph& g = ff.Rendered(cp);
    int64_t gx = ix + g.left, gy = iy - g.top;
    for (const RECT& r : dc.clip) {
      int64_t y0 = std::max<int64_t>(gy, r.top), y1 = std::min<int64_t>(gy + g.h, r.bottom);
      int64_t x0 = std::max<int64_t>(gx, r.left), x1 = std::min<int64_t>(gx + g.w, r.right);
      for (int64_t y = y0; y < y1; ++y) {
        const uint8_t* src = &g.cover[size_t(y - gy) * g.w];
        uint32_t* dst = s.Row(int(y));
        for (int64_t x = x0; x < x1; ++x) Blend(dst[x], color, src[x - gx]);
      }
    }
    return;
  }
  FT_GlyphSlot slot = ff.Load(cp);
  if (!slot) return;
  // Outline coordinates: x right, y up, pen point at (ix, -iy) in whole pixels.
  FT_Outline_Translate(&slot->outline, FT_Pos(ix * 64), FT_Pos(-iy * 64));
  SpanTarget t{&dc, &s, color};
  FT_Raster_Params params{};
  params.source = &slot->outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.gray_spans = GraySpans;
  params.user = &t;
  params.clip_box.xMin = cb.left;
  params.clip_box.xMax = cb.right;
  params.clip_box.yMin = -FT_Pos(cb.bottom);
  params.clip_box.yMax = -FT_Pos(cb.top);
  FT_Outline_Render(Library(), &slot->outline, &params);
}

// Draws a run of text with its reference point at logical (x, y). `adv` holds each character's
// advance; the run's box (for OPAQUE) is `width` by the cell height.
void DrawRun(Dc& dc, int64_t x, int64_t y, const wchar_t* text, size_t n, const int* adv,
             bool opaqueBox) {
  Surface* s = DcSurface(dc);
  FontFace* ff = FaceOf(dc);
  if (!s) return;
  Metrics m = MetricsOf(dc, ff);
  int64_t width = 0;
  for (size_t i = 0; i < n; ++i) width += adv[i];
  double ang = ff ? ff->angle : 0;
  double ux = std::cos(ang), uy = -std::sin(ang);  // along the baseline, y down
  double vx = std::sin(ang), vy = std::cos(ang);   // from the cell top towards its bottom
  // Reference point to the cell's top-left corner.
  double along = 0, across = 0;
  UINT al = dc.st.align;
  if ((al & TA_CENTER) == TA_CENTER) along = -double(width) / 2;
  else if (al & TA_RIGHT) along = -double(width);
  if ((al & TA_BASELINE) == TA_BASELINE) across = -m.ascent;
  else if (al & TA_BOTTOM) across = -m.Height();
  double ox = double(x) + dc.origin.x + along * ux + across * vx;
  double oy = double(y) + dc.origin.y + along * uy + across * vy;
  if (opaqueBox && width > 0) {
    uint32_t bk = ToPixel(dc.st.bk);
    auto corner = [&](double a, double b) {
      return POINT{Sat(std::llround(ox + a * ux + b * vx) - dc.origin.x),
                   Sat(std::llround(oy + a * uy + b * vy) - dc.origin.y)};
    };
    POINT box[4] = {corner(0, 0), corner(double(width), 0), corner(double(width), m.Height()),
                    corner(0, m.Height())};
    INT c = 4;
    FillPolygons(dc, box, &c, 1, bk, R2_COPYPEN, ALTERNATE);
  }
  if (!ff) return;
  uint32_t color = ToPixel(dc.st.text);
  // Pen point of the first glyph: on the baseline below the cell's top-left corner.
  double bx = ox + m.ascent * vx, by = oy + m.ascent * vy;
  double pos = 0;
  for (size_t i = 0; i < n; ++i) {
    if (text[i] >= 0x20 && text[i] != ' ')
      DrawGlyph(dc, *s, *ff, uint32_t(text[i]), bx + pos * ux, by + pos * uy, color);
    pos += adv[i];
  }
}

// Clip narrowed to a surface rectangle for the duration of a call.
struct ClipScope {
  Dc& dc;
  std::vector<RECT> saved;
  RECT savedBox;
  ClipScope(Dc& d, const RECT& r) : dc(d), saved(d.clip), savedBox(d.clipBox) {
    std::vector<RECT> out;
    for (const RECT& c : d.clip) {
      RECT i = Intersect(c, r);
      if (!IsEmpty(i)) out.push_back(i);
    }
    d.clip = out;
    d.clipBox = out.empty() ? RECT{0, 0, 0, 0} : Intersect(savedBox, r);
  }
  ~ClipScope() {
    dc.clip = saved;
    dc.clipBox = savedBox;
  }
};

RECT ToSurfaceRect(const Dc& d, const RECT& r) {
  return RECT{Sat(int64_t(r.left) + d.origin.x), Sat(int64_t(r.top) + d.origin.y),
              Sat(int64_t(r.right) + d.origin.x), Sat(int64_t(r.bottom) + d.origin.y)};
}

void FillSurfaceRect(Dc& d, const RECT& r, uint32_t color) {
  Surface* s = DcSurface(d);
  if (!s) return;
  for (int64_t y = std::max<int64_t>(r.top, d.clipBox.top); y < std::min<int64_t>(r.bottom, d.clipBox.bottom); ++y)
    Span(d, *s, y, r.left, r.right, color, R2_COPYPEN);
}

void ShutDownText() {
  FaceCache().clear();
  if (LibrarySlot()) FT_Done_FreeType(LibrarySlot());
  LibrarySlot() = nullptr;
  g_libraryGone = true;
  FcFini();
}

}  // namespace

void ReleaseFontCache() { FaceCache().clear(); }

}  // namespace vplat::gdi

using namespace vplat::gdi;

extern "C" {

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW tm) {
  Dc* d = FindDc(hdc);
  if (!d || !tm) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FontFace* ff = FaceOf(*d);
  Metrics m = MetricsOf(*d, ff);
  *tm = TEXTMETRICW{};
  tm->tmHeight = m.Height();
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  int fa = FixedAdvance(*d);
  tm->tmInternalLeading = ff && fa == 0 ? std::max(0, m.Height() - int(std::lround(ff->em))) : 0;
  tm->tmAveCharWidth = fa > 0 ? fa : ff ? ff->aveWidth : 0;
  tm->tmMaxCharWidth = fa > 0 ? fa : ff ? ff->maxWidth : 0;
  tm->tmWeight = ff ? ff->weight : FW_NORMAL;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = L'?';
  tm->tmBreakChar = L' ';
  tm->tmItalic = ff && ff->italic;
  tm->tmPitchAndFamily = ff ? ff->pitch : 0;
  tm->tmCharSet = ff ? ff->charset : 0;
  return TRUE;
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, INT* fit, INT* dx,
                           LPSIZE size) {
  Dc* d = FindDc(hdc);
  if (!d || (!text && count > 0) || count < 0) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FontFace* ff = FaceOf(*d);
  int64_t total = 0;
  int fitted = 0;
  for (int i = 0; i < count; ++i) {
    total += AdvanceOf(*d, ff, text[i]);
    LONG t = Sat(total);
    if (dx) dx[i] = t;
    if (t <= maxExtent && fitted == i) fitted = i + 1;
  }
  if (fit) *fit = fitted;
  if (size) *size = SIZE{Sat(total), MetricsOf(*d, ff).Height()};
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
  return GetTextExtentExPointW(hdc, text, count, 0, nullptr, nullptr, size);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT count,
                 const INT* dx) {
  Dc* d = FindDc(hdc);
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!text) count = 0;
  if (d->rec) {
    if (rc)
      Record(*d, "ExtTextOutW", {x, y, options, rc->left, rc->top, rc->right, rc->bottom}, nullptr,
             0, text, count);
    else
      Record(*d, "ExtTextOutW", {x, y, options}, nullptr, 0, text, count);
    RecordAdvances(*d, dx, count);
  }
  if (rc && (options & ETO_OPAQUE)) FillSurfaceRect(*d, ToSurfaceRect(*d, *rc), ToPixel(d->st.bk));
  if (count == 0) return TRUE;
  FontFace* ff = FaceOf(*d);
  std::vector<int> adv(count);
  for (UINT i = 0; i < count; ++i) adv[i] = dx ? dx[i] : AdvanceOf(*d, ff, text[i]);
  bool box = d->st.bkMode == OPAQUE && !(rc && (options & ETO_OPAQUE));
  if (rc && (options & ETO_CLIPPED)) {
    ClipScope scope(*d, ToSurfaceRect(*d, *rc));
    DrawRun(*d, x, y, text, count, adv.data(), box);
  } else {
    DrawRun(*d, x, y, text, count, adv.data(), box);
  }
  return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rc, UINT format) {
  Dc* d = FindDc(hdc);
  if (!d || !rc) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!text) count = 0;
  if (count < 0) count = int(wcslen(text));
  if (d->rec)
    Record(*d, "DrawTextW", {rc->left, rc->top, rc->right, rc->bottom, format}, nullptr, 0, text,
           size_t(count));
  FontFace* ff = FaceOf(*d);
  Metrics m = MetricsOf(*d, ff);
  int lineH = m.Height();
  // Prefix handling: '&' marks the next character (underlined), "&&" is a literal '&'.
  std::wstring s;
  std::vector<size_t> underline;  // positions in s
  for (int i = 0; i < count; ++i) {
    wchar_t c = text[i];
    if (!(format & DT_NOPREFIX) && c == L'&') {
      if (i + 1 < count && text[i + 1] == L'&') {
        s += L'&';
        ++i;
      } else if (i + 1 < count) {
        underline.push_back(s.size());
      }
      continue;
    }
    s += c;
  }
  auto width = [&](size_t from, size_t to) {
    int64_t w = 0;
    for (size_t i = from; i < to; ++i) w += AdvanceOf(*d, ff, s[i]);
    return w;
  };
  struct Line {
    size_t from, to;
  };
  std::vector<Line> lines;
  int64_t boxW = int64_t(rc->right) - rc->left;
  if (format & DT_SINGLELINE) {
    lines.push_back({0, s.size()});
  } else {
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
      if (i < s.size() && s[i] != L'\n') continue;
      size_t end = (i > start && s[i - 1] == L'\r') ? i - 1 : i;
      if (!(format & DT_WORDBREAK)) {
        lines.push_back({start, end});
      } else {
        // Greedy breaking at spaces; a word wider than the box stands on its own line.
        size_t ls = start;
        while (true) {
          size_t lastBreak = SIZE_MAX, j = ls;
          int64_t w = 0;
          for (; j < end; ++j) {
            if (s[j] == L' ') lastBreak = j;
            w += AdvanceOf(*d, ff, s[j]);
            if (w > boxW && j > ls) break;
          }
          if (j >= end) {
            lines.push_back({ls, end});
            break;
          }
          size_t cut = lastBreak != SIZE_MAX && lastBreak > ls ? lastBreak : j;
          size_t lineEnd = cut;
          while (lineEnd > ls && s[lineEnd - 1] == L' ') --lineEnd;
          lines.push_back({ls, lineEnd});
          ls = cut;
          while (ls < end && s[ls] == L' ') ++ls;
          if (ls >= end) break;
        }
      }
      start = i + 1;
    }
  }
  int64_t maxW = 0;
  for (const Line& l : lines) maxW = std::max(maxW, width(l.from, l.to));
  int64_t totalH = int64_t(lineH) * int64_t(lines.size());
  if (format & DT_CALCRECT) {
    rc->right = Sat(int64_t(rc->left) + maxW);
    rc->bottom = Sat(int64_t(rc->top) + totalH);
    return int(std::min<int64_t>(totalH, INT32_MAX));
  }
  int64_t top = rc->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) top = rc->top + (int64_t(rc->bottom) - rc->top - lineH) / 2;
    else if (format & DT_BOTTOM) top = int64_t(rc->bottom) - lineH;
  }
  UINT savedAlign = d->st.align;
  d->st.align = TA_TOP | TA_LEFT;
  auto draw = [&]() {
    int64_t y = top;
    uint32_t tc = ToPixel(d->st.text);
    Surface* surf = DcSurface(*d);
    for (const Line& l : lines) {
      int64_t w = width(l.from, l.to);
      int64_t x = rc->left;
      if (format & DT_CENTER) x = rc->left + (boxW - w) / 2;
      else if (format & DT_RIGHT) x = int64_t(rc->right) - w;
      std::vector<int> adv;
      for (size_t i = l.from; i < l.to; ++i) adv.push_back(AdvanceOf(*d, ff, s[i]));
      DrawRun(*d, x, y, s.data() + l.from, l.to - l.from, adv.data(), d->st.bkMode == OPAQUE);
      for (size_t u : underline) {
        if (u < l.from || u >= l.to || !surf) continue;
        int64_t ux = x + width(l.from, u) + d->origin.x;
        Span(*d, *surf, y + m.ascent + 1 + d->origin.y, ux, ux + AdvanceOf(*d, ff, s[u]), tc,
             R2_COPYPEN);
      }
      y += lineH;
    }
  };
  if (format & DT_NOCLIP) {
    draw();
  } else {
    ClipScope scope(*d, ToSurfaceRect(*d, *rc));
    draw();
  }
  d->st.align = savedAlign;
  return int(std::min<int64_t>(totalH, INT32_MAX));
}

}  // extern "C"
