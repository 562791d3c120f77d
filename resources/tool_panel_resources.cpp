// The construction tools' resources: dialog 187 (the panel strip), dialog 200 (the method
// picker), bitmap 202 (the method tiles, ten 42 x 42 frames) and the panel's button bitmaps,
// each a strip of three frames side by side (up, down, disabled), drawn here at start and
// registered as packed device-independent bitmaps (header, then 24-bit rows bottom-up).
#include <cstdint>
#include <functional>
#include <vector>

#include "resources/dib_canvas.h"
#include "resources/resource_table.h"

namespace {

// ---- dialogs ----

// 187: a strip two buttons high; the panel places and hides the controls per method. No item is
// a tab stop: the hidden panel must never take the main window's keys.
const DLGITEMTEMPLATEW kPanelItems[] = {
    {L"static", 2118, L"", SS_LEFT, 0, 70, 27, 56, 16},
    {L"combobox", 2125, nullptr, CBS_DROPDOWN | WS_VSCROLL, 0, 128, 24, 64, 100},
    {L"static", 2141, L"d(м):", SS_LEFT, 0, 126, 3, 33, 20},
    {L"static", 2142, L"d2(м):", SS_LEFT, 0, 148, 3, 33, 20},
    {L"edit", 2143, nullptr, WS_BORDER | ES_AUTOHSCROLL, 0, 160, 2, 32, 20},
    {L"edit", 2144, nullptr, WS_BORDER | ES_AUTOHSCROLL, 0, 182, 2, 32, 20},
};
const DLGTEMPLATEW kPanel = {DLGTEMPLATE_MAGIC, 187, WS_CHILD, 0, nullptr, nullptr, 0,
                             0, 0, 240, 46, kPanelItems, vres::CountOf(kPanelItems)};
VORNA_RESOURCE(RT_DIALOG, 187, kPanel);

// 200: two rows of tiles (the picker paints them) and the cancel button.
const DLGITEMTEMPLATEW kPickerItems[] = {
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 160, 96, 60, 24},
};
const DLGTEMPLATEW kPicker = {DLGTEMPLATE_MAGIC, 200, WS_POPUP | WS_BORDER, 0, L"", nullptr, 0,
                              6, 60, 228, 126, kPickerItems, vres::CountOf(kPickerItems)};
VORNA_RESOURCE(RT_DIALOG, 200, kPicker);

// ---- bitmaps ----

using dib::Canvas;
using dib::Rgb;

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kBlue{0, 64, 192};
constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kGreen{0, 130, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kFace{212, 208, 200};
constexpr Rgb kPressed{160, 160, 168};
constexpr Rgb kShadow{96, 96, 96};
constexpr Rgb kGrey{150, 150, 150};

void Dot(Canvas& c, int x, int y, Rgb color) { c.Box(x - 1, y - 1, x + 1, y + 1, color); }

// A glyph drawn at an offset: (canvas, left, top, ink, accent).
using Glyph = std::function<void(Canvas&, int, int, Rgb, Rgb)>;

// Three frames of `width` x 20: raised, pressed (moved by a pixel), greyed.
std::vector<uint8_t> ButtonStrip(int width, const Glyph& glyph) {
  Canvas c(width * 3, 20, kFace);
  for (int f = 0; f < 3; ++f) {
    const int l = f * width, r = l + width - 1;
    c.Box(l, 0, r, 19, f == 1 ? kPressed : kFace);
    c.Line(l, 0, r, 0, f == 1 ? kShadow : kWhite);
    c.Line(l, 0, l, 19, f == 1 ? kShadow : kWhite);
    c.Line(l, 19, r, 19, f == 1 ? kWhite : kShadow);
    c.Line(r, 0, r, 19, f == 1 ? kWhite : kShadow);
    const int shift = f == 1 ? 1 : 0;
    glyph(c, l + shift, shift, f == 2 ? kGrey : kInk, f == 2 ? kGrey : kBlue);
  }
  return c.PackedDib();
}

struct Bitmap {
  UINT id;
  int width;
  Glyph glyph;
};

const std::vector<Bitmap>& Buttons() {
  static const std::vector<Bitmap> list = {
      // 188 finish: a check mark.
      {188, 20, [](Canvas& c, int x, int y, Rgb, Rgb) {
         c.Line(x + 4, y + 10, x + 8, y + 14, kGreen);
         c.Line(x + 8, y + 14, x + 15, y + 5, kGreen);
         c.Line(x + 4, y + 11, x + 8, y + 15, kGreen);
         c.Line(x + 8, y + 15, x + 15, y + 6, kGreen);
       }},
      // 198 discard: a cross.
      {198, 20, [](Canvas& c, int x, int y, Rgb, Rgb) {
         c.Line(x + 5, y + 5, x + 14, y + 14, kRed);
         c.Line(x + 14, y + 5, x + 5, y + 14, kRed);
         c.Line(x + 6, y + 5, x + 15, y + 14, kRed);
         c.Line(x + 15, y + 5, x + 6, y + 14, kRed);
       }},
      // 186 attributes: a small table.
      {186, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         c.Frame(x + 4, y + 4, x + 15, y + 15, ink);
         c.Line(x + 4, y + 8, x + 15, y + 8, ink);
         c.Line(x + 4, y + 12, x + 15, y + 12, ink);
         c.Line(x + 9, y + 4, x + 9, y + 15, ink);
       }},
      // 197 kind point, 228 line, 229 area, 304 text.
      {197, 20, [](Canvas& c, int x, int y, Rgb, Rgb a) { c.Box(x + 7, y + 7, x + 12, y + 12, a); }},
      {228, 20, [](Canvas& c, int x, int y, Rgb, Rgb a) {
         c.Line(x + 3, y + 15, x + 8, y + 6, a);
         c.Line(x + 8, y + 6, x + 16, y + 12, a);
       }},
      {229, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         c.Box(x + 5, y + 5, x + 14, y + 14, a);
         c.Frame(x + 4, y + 4, x + 15, y + 15, ink);
       }},
      {304, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         c.Line(x + 5, y + 4, x + 14, y + 4, ink);
         c.Line(x + 9, y + 4, x + 9, y + 15, ink);
         c.Line(x + 10, y + 4, x + 10, y + 15, ink);
       }},
      // 327 pick: an arrow onto a dot.
      {327, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         Dot(c, x + 13, y + 13, a);
         c.Line(x + 4, y + 4, x + 11, y + 11, ink);
         c.Line(x + 4, y + 4, x + 8, y + 4, ink);
         c.Line(x + 4, y + 4, x + 4, y + 8, ink);
       }},
      // 118 undo: a hooked arrow.
      {118, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         c.Line(x + 5, y + 8, x + 14, y + 8, ink);
         c.Line(x + 14, y + 8, x + 14, y + 14, ink);
         c.Line(x + 5, y + 8, x + 8, y + 5, ink);
         c.Line(x + 5, y + 8, x + 8, y + 11, ink);
       }},
      // 305 option: a right angle.
      {305, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         c.Line(x + 4, y + 15, x + 15, y + 15, ink);
         c.Line(x + 4, y + 15, x + 4, y + 4, ink);
         c.Frame(x + 4, y + 11, x + 8, y + 15, a);
       }},
      // 330 rect option: a rectangle with a height arrow.
      {330, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         c.Frame(x + 3, y + 8, x + 12, y + 15, ink);
         c.Line(x + 15, y + 4, x + 15, y + 15, a);
         c.Line(x + 13, y + 6, x + 15, y + 4, a);
         c.Line(x + 17, y + 6, x + 15, y + 4, a);
       }},
      // 308 chain: two links.
      {308, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         c.Circle(x + 7, y + 10, 4, ink);
         c.Circle(x + 12, y + 10, 4, ink);
       }},
      // 192, 193, 194 the base-point slots: one, two, three dots.
      {192, 20, [](Canvas& c, int x, int y, Rgb, Rgb a) { Dot(c, x + 10, y + 10, a); }},
      {193, 20, [](Canvas& c, int x, int y, Rgb, Rgb a) {
         Dot(c, x + 6, y + 10, a);
         Dot(c, x + 13, y + 10, a);
       }},
      {194, 20, [](Canvas& c, int x, int y, Rgb, Rgb a) {
         Dot(c, x + 4, y + 10, a);
         Dot(c, x + 10, y + 10, a);
         Dot(c, x + 16, y + 10, a);
       }},
      // 195 previous, 196 next: triangles, 12 wide.
      {195, 12, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         for (int i = 0; i < 5; ++i) c.Line(x + 3 + i, y + 10 - i, x + 3 + i, y + 10 + i, ink);
       }},
      {196, 12, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         for (int i = 0; i < 5; ++i) c.Line(x + 8 - i, y + 10 - i, x + 8 - i, y + 10 + i, ink);
       }},
      // 331 add point, 332 delete point.
      {331, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         Dot(c, x + 7, y + 12, a);
         c.Line(x + 13, y + 3, x + 13, y + 9, ink);
         c.Line(x + 10, y + 6, x + 16, y + 6, ink);
       }},
      {332, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         Dot(c, x + 7, y + 12, a);
         c.Line(x + 10, y + 6, x + 16, y + 6, ink);
       }},
      // 333 both maps, 334 vector maps, 336 raster maps.
      {333, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb a) {
         c.Box(x + 3, y + 3, x + 11, y + 11, a);
         c.Frame(x + 8, y + 8, x + 16, y + 16, ink);
       }},
      {334, 20, [](Canvas& c, int x, int y, Rgb ink, Rgb) {
         c.Line(x + 3, y + 14, x + 9, y + 5, ink);
         c.Line(x + 9, y + 5, x + 16, y + 12, ink);
       }},
      {336, 20, [](Canvas& c, int x, int y, Rgb, Rgb a) {
         for (int i = 0; i < 4; ++i)
           for (int j = 0; j < 4; ++j)
             if ((i + j) % 2 == 0) c.Box(x + 4 + 3 * i, y + 4 + 3 * j, x + 6 + 3 * i, y + 6 + 3 * j, a);
       }},
      // 199: never shown.
      {199, 20, [](Canvas&, int, int, Rgb, Rgb) {}},
  };
  return list;
}

// Bitmap 202: ten 42 x 42 tiles, tile i the picture of construction method i.
std::vector<uint8_t> MethodTiles() {
  constexpr int kTile = 42;
  Canvas c(kTile * 10, kTile, kFace);
  for (int i = 0; i < 10; ++i) {
    const int x = i * kTile;
    c.Box(x, 0, x + kTile - 1, kTile - 1, kWhite);
    c.Frame(x, 0, x + kTile - 1, kTile - 1, kShadow);
    const Rgb in = kInk, a = kBlue, r = kRed;
    switch (i) {
      case 0:  // vertices by taps
        c.Line(x + 6, 34, x + 16, 10, a), c.Line(x + 16, 10, x + 34, 22, a);
        Dot(c, x + 6, 34, in), Dot(c, x + 16, 10, in), Dot(c, x + 34, 22, in);
        break;
      case 1:  // a point at a distance, square to a line
        c.Line(x + 5, 30, x + 25, 30, in), Dot(c, x + 5, 30, in), Dot(c, x + 25, 30, in);
        c.Line(x + 25, 30, x + 25, 10, a), Dot(c, x + 25, 10, r);
        break;
      case 2:  // a point at two distances
        c.Circle(x + 14, 24, 10, a), c.Circle(x + 28, 24, 10, a);
        Dot(c, x + 21, 17, r), Dot(c, x + 14, 24, in), Dot(c, x + 28, 24, in);
        break;
      case 3:  // a parallel line
        c.Line(x + 5, 30, x + 20, 22, in), c.Line(x + 20, 22, x + 37, 28, in);
        c.Line(x + 5, 20, x + 20, 12, a), c.Line(x + 20, 12, x + 37, 18, a);
        break;
      case 4:  // a line through points
        c.Line(x + 6, 32, x + 20, 12, a), c.Line(x + 20, 12, x + 36, 26, a);
        c.Circle(x + 6, 32, 3, in), c.Circle(x + 20, 12, 3, in), c.Circle(x + 36, 26, 3, in);
        break;
      case 5:  // calibration points of a raster map
        for (int k = 0; k < 4; ++k) c.Line(x + 6, 8 + 8 * k, x + 36, 8 + 8 * k, kGrey);
        c.Line(x + 10, 12, x + 16, 18, r), c.Line(x + 16, 12, x + 10, 18, r);
        c.Line(x + 26, 26, x + 32, 32, r), c.Line(x + 32, 26, x + 26, 32, r);
        break;
      case 6:  // the foot of a perpendicular
        c.Line(x + 5, 30, x + 37, 30, in), Dot(c, x + 5, 30, in), Dot(c, x + 37, 30, in);
        c.Line(x + 21, 8, x + 21, 30, a), Dot(c, x + 21, 8, in), Dot(c, x + 21, 30, r);
        break;
      case 7:  // the midpoint
        c.Line(x + 5, 24, x + 37, 24, in), Dot(c, x + 5, 24, in), Dot(c, x + 37, 24, in);
        Dot(c, x + 21, 24, r);
        break;
      case 8:  // a rectangle on a side
        c.Line(x + 6, 30, x + 36, 30, in);
        c.Frame(x + 6, 14, x + 36, 30, a), Dot(c, x + 6, 30, in), Dot(c, x + 36, 30, in);
        break;
      default:  // an offset from three points
        Dot(c, x + 8, 30, in), Dot(c, x + 34, 30, in), Dot(c, x + 21, 10, in);
        c.Line(x + 21, 10, x + 21, 30, a), c.Line(x + 8, 30, x + 34, 30, kGrey);
        break;
    }
  }
  return c.PackedDib();
}

// The tile for method 0 draws with plain rows; kept as a function for the table above.

struct Registered {
  Registered() {
    for (const Bitmap& b : Buttons()) {
      data.push_back(ButtonStrip(b.width, b.glyph));
    }
    data.push_back(MethodTiles());
    size_t i = 0;
    for (const Bitmap& b : Buttons()) {
      vplat::RegisterResource(RT_BITMAP, b.id, data[i].data(), data[i].size());
      ++i;
    }
    vplat::RegisterResource(RT_BITMAP, 202, data.back().data(), data.back().size());
  }
  std::vector<std::vector<uint8_t>> data;  // the registry keeps pointers into these
};

const Registered kBitmaps;

}  // namespace
