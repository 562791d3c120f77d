// The GPS bar: template 204 (the panel's three texts) and the bitmaps of its buttons, drawn here
// at start. Each bitmap is a strip of three 20 x 20 frames: up, down, disabled. Bitmaps 167
// (add a point) and 170 (follow the GPS position) serve the geodesy bar as well.
#include <cstdint>
#include <functional>
#include <vector>

#include "resources/dib_canvas.h"
#include "resources/resource_table.h"

namespace {

// 204: the default point name, the status text and the speed, each answering a tap. The buttons
// are painted by the bar itself in the gaps (x 2, 64, 134, 194 and 216, 20 pixels wide); the
// panel is 26 pixels high with its border, 41 with the caption row.
const DLGITEMTEMPLATEW kGpsBarItems[] = {
    {L"static", 2126, L"123", SS_LEFT | SS_NOTIFY, 0, 23, 4, 40, 16},
    {L"static", 2128, L"S:10", SS_CENTER | SS_NOTIFY, 0, 86, 4, 46, 16},
    {L"static", 2127, L"V:17.5", SS_LEFT | SS_NOTIFY, 0, 155, 4, 38, 16},
};
const DLGTEMPLATEW kGpsBar = {DLGTEMPLATE_MAGIC, 204, WS_CHILD | WS_BORDER, 0, nullptr, nullptr,
                              0, 0, 0, 240, 26, kGpsBarItems, vres::CountOf(kGpsBarItems)};
VORNA_RESOURCE(RT_DIALOG, 204, kGpsBar);

using dib::Rgb;
constexpr int kSize = 20;  // pixels, one frame
constexpr Rgb kFace{212, 208, 200};
constexpr Rgb kFaceDown{160, 160, 160};
constexpr Rgb kLight{255, 255, 255};
constexpr Rgb kShadow{64, 64, 64};
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kRed{220, 0, 0};
constexpr Rgb kGreen{0, 150, 0};
constexpr Rgb kBlue{0, 64, 200};
constexpr Rgb kYellow{255, 220, 0};
constexpr Rgb kGreyInk{128, 128, 128};

// Draws the symbol with the colour the frame gives each of its colours.
using Symbol = std::function<void(dib::Canvas&, const std::function<Rgb(Rgb)>&)>;

std::vector<uint8_t> DrawButton(const Symbol& symbol) {
  dib::Canvas c(3 * kSize, kSize, kFace);
  for (int frame = 0; frame < 3; ++frame) {
    const bool down = frame == 1, disabled = frame == 2;
    c.SetCell(frame * kSize, 0, kSize, kSize);
    c.Box(0, 0, kSize - 1, kSize - 1, down ? kFaceDown : kFace);
    // Raised when up, sunk when down.
    const Rgb topLeft = down ? kShadow : kLight, bottomRight = down ? kLight : kShadow;
    c.Line(0, 0, kSize - 1, 0, topLeft);
    c.Line(0, 0, 0, kSize - 1, topLeft);
    c.Line(kSize - 1, 0, kSize - 1, kSize - 1, bottomRight);
    c.Line(0, kSize - 1, kSize - 1, kSize - 1, bottomRight);
    // A pressed symbol moves one pixel down and right, as a pressed key does.
    const int shift = down ? 1 : 0;
    c.SetCell(frame * kSize + shift, shift, kSize - shift, kSize - shift);
    symbol(c, [disabled](Rgb colour) { return disabled ? kGreyInk : colour; });
  }
  return c.PackedDib();
}

// 167: add a point, a dot with a plus.
void AddPoint(dib::Canvas& c, const std::function<Rgb(Rgb)>& ink) {
  c.Disc(8, 11, 3, ink(kRed));
  c.Circle(8, 11, 4, ink(kInk));
  c.Line(12, 4, 16, 4, ink(kInk));
  c.Line(14, 2, 14, 6, ink(kInk));
}

// 170: follow the GPS position, a position mark in cross hairs.
void Follow(dib::Canvas& c, const std::function<Rgb(Rgb)>& ink) {
  c.Circle(9, 9, 6, ink(kBlue));
  c.Line(9, 2, 9, 5, ink(kInk));
  c.Line(9, 13, 9, 16, ink(kInk));
  c.Line(2, 9, 5, 9, ink(kInk));
  c.Line(13, 9, 16, 9, ink(kInk));
  c.Disc(9, 9, 2, ink(kRed));
}

// 206: a navigation point set on the map, a pin over a cross.
void PointOnMap(dib::Canvas& c, const std::function<Rgb(Rgb)>& ink) {
  c.Line(3, 15, 15, 15, ink(kGreen));
  c.Line(9, 12, 9, 17, ink(kGreen));
  c.Disc(9, 6, 3, ink(kRed));
  c.Line(9, 9, 9, 14, ink(kInk));
}

// 208: go to a target, a flag on a pole.
void GotoTarget(dib::Canvas& c, const std::function<Rgb(Rgb)>& ink) {
  c.Line(5, 2, 5, 17, ink(kInk));
  c.Box(6, 3, 14, 8, ink(kYellow));
  c.Frame(6, 3, 14, 8, ink(kInk));
  c.Line(2, 17, 9, 17, ink(kInk));
}

// 315: the track's type, a track of three legs with its vertices.
void TrackType(dib::Canvas& c, const std::function<Rgb(Rgb)>& ink) {
  const int p[4][2] = {{2, 15}, {7, 6}, {12, 12}, {16, 3}};
  for (int i = 0; i < 3; ++i) c.Line(p[i][0], p[i][1], p[i + 1][0], p[i + 1][1], ink(kBlue));
  for (const auto& q : p) c.Box(q[0] - 1, q[1] - 1, q[0] + 1, q[1] + 1, ink(kInk));
}

struct Drawn {
  explicit Drawn(const Symbol& symbol) : dib(DrawButton(symbol)) {}
  std::vector<uint8_t> dib;
};

const Drawn& Bitmap167() { static const Drawn d(AddPoint); return d; }
const Drawn& Bitmap170() { static const Drawn d(Follow); return d; }
const Drawn& Bitmap206() { static const Drawn d(PointOnMap); return d; }
const Drawn& Bitmap208() { static const Drawn d(GotoTarget); return d; }
const Drawn& Bitmap315() { static const Drawn d(TrackType); return d; }

const vres::Registration k167(RT_BITMAP, 167, Bitmap167().dib.data(), Bitmap167().dib.size());
const vres::Registration k170(RT_BITMAP, 170, Bitmap170().dib.data(), Bitmap170().dib.size());
const vres::Registration k206(RT_BITMAP, 206, Bitmap206().dib.data(), Bitmap206().dib.size());
const vres::Registration k208(RT_BITMAP, 208, Bitmap208().dib.data(), Bitmap208().dib.size());
const vres::Registration k315(RT_BITMAP, 315, Bitmap315().dib.data(), Bitmap315().dib.size());

}  // namespace
