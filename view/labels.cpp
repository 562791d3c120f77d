#include "view/labels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <string>
#include <vector>

#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "view/render_state.h"
#include "view/view_math.h"

namespace {

using view::TruncSat;


// One label being drawn: the font description, the vertical offset and the run drawing.
class TLabel {
 public:
  TLabel(HDC dc, const LOGFONTW& font, int off) : dc_(dc), font_(font), off_(off) {}
  ~TLabel() {
    if (old_) SelectObject(dc_, old_);
    if (current_) DeleteObject(current_);
  }
  TLabel(const TLabel&) = delete;
  TLabel& operator=(const TLabel&) = delete;

  enum Offset { kTurned, kPlain, kNone };
  // Draws `count` characters with the escapement `angle` (tenths of a degree) from (x, y); the
  // vertical offset is turned with the text, added to y only, or left out.
  void Run(const wchar_t* text, int count, int angle, int x, int y, const INT* dx,
           Offset offset = kTurned) {
    if (count <= 0) return;
    LOGFONTW lf = font_;
    lf.lfEscapement = lf.lfOrientation = angle;
    HFONT f = CreateFontIndirectW(&lf);
    if (!f) return;
    HGDIOBJ prev = SelectObject(dc_, f);
    if (!old_) old_ = prev;
    if (current_) DeleteObject(current_);
    current_ = f;
    int64_t rx = x, ry = y;
    if (offset == kPlain) {
      ry += off_;
    } else if (offset == kTurned) {
      const double r = angle / 10.0 / 180.0 * std::numbers::pi;
      rx += TruncSat(off_ * std::sin(r));
      ry += TruncSat(off_ * std::cos(r));
    }
    ExtTextOutW(dc_, view::ClampI32(rx), view::ClampI32(ry), 0, nullptr, text, UINT(count), dx);
  }
  // Prefix widths of the text with the unturned font: widths[j] = width of characters 0..j.
  bool Measure(const wchar_t* text, int count, std::vector<INT>& widths) {
    try {
      widths.assign(size_t(count), 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    HFONT f = CreateFontIndirectW(&font_);
    if (!f) return false;
    HGDIOBJ prev = SelectObject(dc_, f);
    SIZE size{};
    const BOOL ok = GetTextExtentExPointW(dc_, text, count, 0, nullptr, widths.data(), &size);
    SelectObject(dc_, prev);
    DeleteObject(f);
    return ok;
  }

 private:
  HDC dc_;
  LOGFONTW font_;
  int off_;
  HFONT current_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The placement line in screen pixels, with each segment's truncated length and angle.
struct TPlacement {
  std::vector<POINT> pts;
  std::vector<int> len, angle;
  int n = 0;
};

bool MakePlacement(const TMdmMap* map, const TMapObject* o, double rotation, TPlacement& pl) {
  const int n = o->vertexCount;
  try {
    pl.pts.resize(size_t(n));
    pl.len.resize(size_t(n));
    pl.angle.resize(size_t(n));
  } catch (const std::bad_alloc&) {
    return false;
  }
  pl.n = n;
  for (int i = 0; i < n; ++i) {
    int32_t x, y;
    map->MapToScreen(o->vertices[i].x, o->vertices[i].y, &x, &y);
    pl.pts[size_t(i)] = {x, y};
  }
  for (int i = 0; i + 1 < n; ++i) {
    const POINT& a = pl.pts[size_t(i)];
    const POINT& b = pl.pts[size_t(i) + 1];
    pl.len[size_t(i)] = TruncSat(std::hypot(double(b.x) - a.x, double(b.y) - a.y));
    pl.angle[size_t(i)] = SegmentAngle(o->vertices[i].x, o->vertices[i].y, o->vertices[i + 1].x,
                                       o->vertices[i + 1].y, rotation);
  }
  return true;
}

// Along the polyline: runs break where the next character would pass the segment's end.
// Without `dx` the font's widths count; with it every character advances `spacing` pixels and
// a character counts by its centre.
void LayAlong(TLabel& label, const TPlacement& pl, const wchar_t* text, int m,
              const std::vector<INT>& widths, int spacing, const INT* dx) {
  const int segments = pl.n - 1;
  int l = 0, k = 0;
  for (int j = 0; j < m && k < segments; ++j) {
    int64_t w;
    if (dx)
      w = int64_t((j - l + 0.5) * spacing);
    else
      w = int64_t(widths[size_t(j)]) - (l ? widths[size_t(l) - 1] : 0);
    const bool last = j == m - 1;
    if (w > pl.len[size_t(k)] || last) {
      const int end = last ? m : j;
      const POINT& p = pl.pts[size_t(k)];
      label.Run(text + l, end - l, pl.angle[size_t(k)], p.x, p.y, dx);
      l = end;
      ++k;
    }
  }
  if (l < m) {
    // Segments used up: the rest from the last vertex with the last angle.
    const POINT& p = pl.pts[size_t(pl.n) - 1];
    label.Run(text + l, m - l, segments > 0 ? pl.angle[size_t(segments) - 1] : 0, p.x, p.y, dx);
  }
}

}  // namespace

int SegmentAngle(double x1, double y1, double x2, double y2, double rotation) {
  const double len = std::hypot(x1 - x2, y1 - y2);
  if (len == 0.0) return 0;
  double a = std::acos(std::clamp((y2 - y1) / len, -1.0, 1.0)) * 180.0 / std::numbers::pi;
  if (x2 < x1) a = 360.0 - a;
  const int64_t v = int64_t((a + rotation * 180.0 / std::numbers::pi) * 10.0 + 3600.0);
  return int(((v % 3600) + 3600) % 3600);
}

namespace {

// Layout modes of a text object (bits 2-4 of its placement byte).
enum : int {
  kLayoutAlong = 0,      // along the line (from three points), else lines split at '~'
  kLayoutSpread = 1,     // letters spaced evenly over the line
  kLayoutPerVertex = 2,  // one letter at each vertex, the rest at the last
  kLayoutPerPair = 3,    // one letter at every second vertex; one point: unrotated
  kLayoutAlong4 = 4,     // drawn as kLayoutAlong
  kLayoutAlong5 = 5,     // drawn as kLayoutAlong
  kLayoutJustified = 6,  // along the line with its blanks widened to fill it
  kLayoutHidden = 7,     // not drawn
};

}  // namespace

int DrawTextObject(TMdmMap* map, HDC dc, TMapObject* o) {
  if (!map || !o || !o->name || !o->vertices || o->vertexCount <= 0) return 0;
  const int m = int(std::wcslen(o->name));
  if (m == 0) return 0;
  const double unit = map->UnitMetres();
  if (!(unit > 0.0)) return 0;
  const uint8_t placement = o->style[0];
  const uint8_t size = o->style[1], fontIndex = o->style[2], colourIndex = o->style[3];
  const double hd = size * double(map->nominalScale) * map->pixelScale / unit / 10000.0;
  if (!(hd >= kMinLabelHeight)) return 0;
  const int h = TruncSat(hd);
  const int mode = (placement >> 2) & 7;
  if (mode == kLayoutHidden) return 0;

  LOGFONTW lf{};
  lf.lfHeight = h;
  lf.lfWeight = FW_NORMAL;
  const TFontEntry* fe = map->library ? map->library->fonts.FindFont(fontIndex) : nullptr;
  const std::wstring face = fe && !fe->face.empty() ? fe->face : std::wstring(L"Arial");
  if (fe) {
    lf.lfWeight = fe->Bold() ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = fe->Italic() ? 1 : 0;
  }
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);

  const int align = placement & 3;
  const int off = align == 0 ? -h : align == 1 ? -(h / 2) : 0;
  const COLORREF oldColour = SetTextColor(dc, LibraryColor(map->library, colourIndex));
  const double rotation = MapRotation(map);
  const int rotationAngle = TruncSat(rotation * 10.0 * 180.0 / std::numbers::pi);
  const int n = o->vertexCount;
  const wchar_t* text = o->name;
  {
    TLabel label(dc, lf, off);
    TPlacement pl;
    if (!MakePlacement(map, o, rotation, pl)) {
      SetTextColor(dc, oldColour);
      return 0;
    }
    const POINT first = pl.pts[0];
    std::vector<INT> widths;
    auto spread = [&](int spacing, std::vector<INT>& dx) {
      dx.assign(size_t(m) + 1, spacing);
    };
    try {
      if (n == 1 && mode != kLayoutAlong && mode != kLayoutAlong4 && mode != kLayoutAlong5) {
        label.Run(text, m, mode == kLayoutPerPair ? 0 : rotationAngle, first.x, first.y, nullptr, TLabel::kPlain);
      } else {
        switch (mode) {
          case kLayoutAlong: case kLayoutAlong4: case kLayoutAlong5:
            if (n >= 3) {
              if (label.Measure(text, m, widths)) LayAlong(label, pl, text, m, widths, 0, nullptr);
            } else {
              // Lines split at '~' (not at the first character), one text height apart.
              const int angle = n == 2 ? pl.angle[0] : 0;
              int start = 0, line = 0;
              for (int j = 1; j <= m; ++j) {
                if (j < m && text[j] != L'~') continue;
                label.Run(text + start, j - start, angle, first.x,
                          view::ClampI32(first.y + int64_t(line) * h), nullptr);
                ++line;
                start = j + 1;
              }
            }
            break;
          case kLayoutSpread: {
            std::vector<INT> dx;
            if (n >= 3) {
              int64_t total = 0;
              for (int i = 0; i + 1 < n; ++i) total += pl.len[size_t(i)];
              spread(int(view::ClampI32(total / m)), dx);
              LayAlong(label, pl, text, m, widths, dx[0], dx.data());
            } else {
              spread(TruncSat(std::hypot(double(pl.pts[1].x) - first.x,
                                         double(pl.pts[1].y) - first.y) / m), dx);
              label.Run(text, m, pl.angle[0], first.x, first.y, dx.data());
            }
            break;
          }
          case kLayoutPerVertex: {
            const int each = std::min(n - 1, m);
            for (int i = 0; i < each; ++i)
              label.Run(text + i, 1, pl.angle[size_t(i)], pl.pts[size_t(i)].x,
                        pl.pts[size_t(i)].y, nullptr);
            if (each < m)
              label.Run(text + each, m - each, pl.angle[size_t(each) - 1], pl.pts[size_t(each)].x,
                        pl.pts[size_t(each)].y, nullptr);
            break;
          }
          case kLayoutPerPair: {
            const int pairs = std::min((n - 1) / 2, m);
            for (int i = 0; i < pairs; ++i)
              label.Run(text + i, 1, pl.angle[size_t(2 * i)], pl.pts[size_t(2 * i)].x,
                        pl.pts[size_t(2 * i)].y, nullptr);
            if (pairs < m) {
              const POINT& p = pl.pts[size_t(2 * ((n - 1) / 2))];
              if (pairs > 0)
                label.Run(text + pairs, m - pairs, pl.angle[size_t(2 * (pairs - 1))], p.x, p.y,
                          nullptr);
              else
                label.Run(text + pairs, m - pairs, 0, p.x, p.y, nullptr, TLabel::kNone);
            }
            break;
          }
          case kLayoutJustified: {
            if (!label.Measure(text, m, widths)) break;
            int64_t total = 0;
            for (int i = 0; i + 1 < n; ++i) total += pl.len[size_t(i)];
            std::vector<INT> space;
            const wchar_t blank = L' ';
            int spaces = 0;
            for (int j = 0; j < m; ++j) spaces += text[j] == L' ';
            int64_t extra = 0;
            if (spaces > 0 && label.Measure(&blank, 1, space) && space[0] > 0)
              extra = ((total - widths[size_t(m) - 1]) / space[0]) / spaces;
            std::wstring wide;
            wide.reserve(size_t(m) + size_t(std::clamp<int64_t>(extra * spaces, 0, kJustifyLimit)));
            for (int j = 0; j < m; ++j) {
              wide.push_back(text[j]);
              if (text[j] != L' ') continue;
              for (int64_t e = 0; e < extra && wide.size() < size_t(kJustifyLimit); ++e)
                wide.push_back(L' ');
            }
            const int wm = int(wide.size());
            if (label.Measure(wide.c_str(), wm, widths))
              LayAlong(label, pl, wide.c_str(), wm, widths, 0, nullptr);
            break;
          }
          default:
            break;
        }
      }
    } catch (const std::bad_alloc&) {
      // A label that cannot get its working memory is left out.
    }
  }
  SetTextColor(dc, oldColour);
  return 0;
}
