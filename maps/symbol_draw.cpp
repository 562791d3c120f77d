#include "maps/symbol_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "maps/palette.h"
#include "maps/style_table.h"
#include "maps/symbol_table.h"

namespace {

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

  bool rotated = true;
  double r1 = 0, r2 = 1;
  const bool pairGiven = d1 && d2;
  if (pairGiven && !(*d1 == 0 && *d2 == 1)) {
    r1 = *d1;
    r2 = *d2;
  } else if (!pairGiven && (x2 != x || y2 != y)) {
    const double length = std::hypot(double(x2 - x), double(y2 - y));
    r1 = (y - y2) / length;
    r2 = (x2 - x) / length;
  } else if (angle != 0) {
    r1 = std::sin(double(angle));
    r2 = std::cos(double(angle));
  } else {
    rotated = false;
  }

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

  const TPalette* palette = symbols.Palette();
  // Symbol chains draw this hundreds of thousands of times a frame: the point buffer is kept
  // between calls (per thread; the routine never calls itself).
  thread_local std::vector<POINT> points;
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
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (element.colour & 0x80) {
      HBRUSH brush = CreateSolidBrush(colour);
      HGDIOBJ oldBrush = SelectObject(dc, brush);
      Polygon(dc, points.data(), int(points.size()));
      SelectObject(dc, oldBrush);
      DeleteObject(brush);
    } else {
      Polyline(dc, points.data(), int(points.size()));
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
}
