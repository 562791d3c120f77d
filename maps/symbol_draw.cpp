#include "maps/symbol_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "maps/palette.h"
#include "maps/style_table.h"
#include "maps/symbol_table.h"

namespace {

struct TKept {
  int style, width;  // brushes: style -1
  COLORREF color;
  HGDIOBJ object;
};

// At most this many kept objects; a frame of a real library uses a few dozen (symbols add a pen
// and a brush for each palette colour they use, of at most 128).
constexpr size_t kMaxKept = 320;

HGDIOBJ Kept(int style, int width, COLORREF color) {
  static std::vector<TKept> kept;
  static size_t last = 0;  // consecutive objects mostly share their style
  if (last < kept.size() && kept[last].style == style && kept[last].width == width &&
      kept[last].color == color)
    return kept[last].object;
  for (size_t i = 0; i < kept.size(); ++i)
    if (kept[i].style == style && kept[i].width == width && kept[i].color == color) {
      last = i;
      return kept[i].object;
    }
  if (kept.size() >= kMaxKept) return nullptr;
  HGDIOBJ made = style < 0 ? HGDIOBJ(CreateSolidBrush(color)) : HGDIOBJ(CreatePen(style, width, color));
  if (!made) return nullptr;
  kept.push_back({style, width, color, made});
  last = kept.size() - 1;
  return made;
}

void ReleaseStrip(TSymbolStrip* strip) {
  if (!strip) return;
  if (strip->dc) {
    SelectObject(strip->dc, strip->previous);
    DeleteDC(strip->dc);
  }
  if (strip->bitmap) DeleteObject(strip->bitmap);
  delete strip;
}

// The strip is a 32-bit surface whatever the target is: a memory DC made for a monochrome
// default bitmap would otherwise lose every colour.
TSymbolStrip* MakeStrip(HDC target, int styles) {
  const uint32_t cells = uint32_t(std::max(styles, 1));
  const uint32_t perRow = std::min(cells, TSymbolStrip::kCellsPerRow);
  const uint32_t rows = (cells + TSymbolStrip::kCellsPerRow - 1) / TSymbolStrip::kCellsPerRow;
  auto* strip = new TSymbolStrip;
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = LONG(perRow * 24);
  bmi.bmiHeader.biHeight = -LONG(rows * 24);
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  strip->dc = CreateCompatibleDC(target);
  strip->bitmap = CreateDIBSection(target, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!strip->dc || !strip->bitmap) {
    ReleaseStrip(strip);
    return nullptr;
  }
  strip->previous = SelectObject(strip->dc, strip->bitmap);
  return strip;
}

COLORREF ColourOf(const TPalette* palette, int index) {
  return COLORREF(palette ? palette->GetColor(index) : -1);
}

}  // namespace

void DrawPointSymbol(TStyleTable& styles, uint16_t code, HDC dc, int x, int y, int size,
                     int frameWidth) {
  if (!styles.HasExtraBlocks()) return;
  const int index = styles.IndexOf(code);
  TStyleEntry* style = styles.MutableEntry(index);
  if (!style) return;

  TStyleTable::StripPtr& strip = styles.Strip();
  if (!strip) {
    TSymbolStrip* made = MakeStrip(dc, styles.Count());
    if (!made) return;
    strip = TStyleTable::StripPtr(made, ReleaseStrip);
  }

  if (style->stripColumn == TStyleEntry::kNoColumn) {
    // 32 bits: with 16, styles past 2730 would wrap onto another style's column.
    style->stripColumn = uint32_t(index) * 24;
    if (style->extra.size() >= 288) {
      const POINT at = TSymbolStrip::Cell(style->stripColumn);
      const TPalette* palette = styles.Palette();
      for (int row = 0; row < 24; ++row)
        for (int col = 0; col < 24; ++col) {
          const uint8_t pair = style->extra[size_t(row * 12 + col / 2)];
          const int nibble = (col & 1) ? (pair & 15) : (pair >> 4);
          SetPixel(strip->dc, at.x + col, at.y + row, ColourOf(palette, nibble));
        }
    }
  }

  const POINT cell = TSymbolStrip::Cell(style->stripColumn);
  StretchBlt(dc, x, y, size, size, strip->dc, cell.x, cell.y, 24, 24, SRCCOPY);

  if (frameWidth != 0) {
    HPEN pen = CreatePen(PS_SOLID, frameWidth, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int w = frameWidth;
    Rectangle(dc, x + w - 2, y + w - 2, x + size - w + 2, y + size - w + 2);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
}

void DrawVectorSymbol(const TSymbolTable& symbols, HDC dc, int x, int y, int x2, int y2,
                      int number, float size, bool fitToSize, float angle, const double* d1,
                      const double* d2) {
  const TSymbol* symbol = symbols.Get(number);
  if (!symbol) return;

  // The anchor before fitting: the direction is taken from it.
  const int ax = x, ay = y;

  double scale = 1.0;
  if (!fitToSize) {
    if (symbol->designSize) scale = double(size) / symbol->designSize;
  } else if (!symbol->elements.empty()) {
    const TSymbolExtent e = symbols.GetSymbolExtent(number);
    const int d = std::max(e.maxX - e.minX, e.maxY - e.minY);
    if (d > 0) {
      scale = double(size) / d;
      // The halving is integer division, as the extent's middle is taken on the grid.
      x = x2 - int(std::trunc(((e.minX + e.maxX) / 2) * scale));
      y = y2 - int(std::trunc(((e.minY + e.maxY) / 2) * scale));
    } else {
      scale = double(size) / 100;
    }
  }
  if (!(64 * scale >= 5 && 64 * scale <= 600)) return;

  // The direction only once the symbol is known to be drawn: its length is a costly call.
  bool rotated = true;
  double r1 = 0, r2 = 1;
  const bool pairGiven = d1 && d2;
  if (pairGiven && !(*d1 == 0 && *d2 == 1)) {
    r1 = *d1;
    r2 = *d2;
  } else if (!pairGiven && (x2 != ax || y2 != ay)) {
    const double length = std::hypot(double(x2 - ax), double(y2 - ay));
    r1 = (ay - y2) / length;
    r2 = (x2 - ax) / length;
  } else if (angle != 0) {
    r1 = std::sin(double(angle));
    r2 = std::cos(double(angle));
  } else {
    rotated = false;
  }

  const TPalette* palette = symbols.Palette();
  // Symbol chains draw this hundreds of thousands of times a frame: the point buffer is kept
  // between calls (per thread; the routine never calls itself).
  thread_local std::vector<POINT> points;
  HGDIOBJ oldPen = nullptr, oldBrush = nullptr;  // the DC's own, once replaced
  HGDIOBJ selectedPen = nullptr, selectedBrush = nullptr;
  for (const TSymbolElement& element : symbol->elements) {
    if (element.points.empty()) continue;
    points.clear();
    for (const TSymbolPoint& p : element.points) {
      double px = p.x, py = p.y, sx, sy;
      if (rotated) {
        sx = x + (px * r2 + py * r1) * scale;
        sy = y + (py * r2 - px * r1) * scale;
      } else {
        sx = x + px * scale;
        sy = y + py * scale;
      }
      points.push_back({LONG(std::trunc(sx)), LONG(std::trunc(sy))});
    }
    const COLORREF colour = ColourOf(palette, element.colour & 0x7F);
    // Kept pens and brushes, each selected only when it differs from the one in the DC; the
    // DC's own are put back once the symbol is drawn.
    HPEN pen = KeptPen(PS_SOLID, 1, colour);
    HPEN ownPen = pen ? nullptr : (pen = CreatePen(PS_SOLID, 1, colour));
    if (pen != selectedPen) {
      HGDIOBJ was = SelectObject(dc, pen);
      if (!oldPen) oldPen = was;
      selectedPen = pen;
    }
    if (element.colour & 0x80) {
      HBRUSH brush = KeptBrush(colour);
      HBRUSH ownBrush = brush ? nullptr : (brush = CreateSolidBrush(colour));
      if (brush != selectedBrush) {
        HGDIOBJ was = SelectObject(dc, brush);
        if (!oldBrush) oldBrush = was;
        selectedBrush = brush;
      }
      Polygon(dc, points.data(), int(points.size()));
      if (ownBrush) {
        SelectObject(dc, oldBrush);
        selectedBrush = nullptr;
        DeleteObject(ownBrush);
      }
    } else {
      Polyline(dc, points.data(), int(points.size()));
    }
    if (ownPen) {
      SelectObject(dc, oldPen);
      selectedPen = nullptr;
      DeleteObject(ownPen);
    }
  }
  if (oldBrush) SelectObject(dc, oldBrush);
  if (oldPen) SelectObject(dc, oldPen);
}

HPEN KeptPen(int style, int width, COLORREF color) {
  return static_cast<HPEN>(Kept(style < 0 ? 0 : style, width, color));
}

HBRUSH KeptBrush(COLORREF color) { return static_cast<HBRUSH>(Kept(-1, 0, color)); }
