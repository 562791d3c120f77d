// The vertex-editing bar (dialog 235 and its four mode pictures 236, 237, 238, 303) and the
// pictures of the selected-objects panel's six buttons (230, 231, 239, 307, 310, 311).
//
// A button picture is a strip of three 20 x 20 frames side by side, as the soft buttons blit
// them: up, down (darker, the glyph one pixel lower right) and disabled (the glyph greyed). The
// glyphs are 16 x 16 pixel drawings below, one character a pixel, centred in the frame; they
// are packed at start as 32-bit top-down device-independent bitmaps.
#include <array>
#include <cstdint>
#include <vector>

#include "resources/resource_table.h"

namespace {

constexpr int kFrame = 20, kGlyph = 16, kFrames = 3;
constexpr int kWidth = kFrame * kFrames;

// ' ' background, k black, r red, b blue, w white, g green, y yellow.
using Glyph = std::array<const char*, kGlyph>;

// 236: delete a vertex, a red cross over the middle vertex of a line.
constexpr Glyph kDeleteVertex = {
    "                ", "                ", "                ", "   r       r    ",
    "    r     r     ", "     r   r      ", "      r r       ", "b      r       b",
    " b   kr rk    b ", "  b  r   r   b  ", "   br     r b   ", "   r b   b   r  ",
    "  r   b b      r", "       b        ", "                ", "                "};
// 237: move a vertex, a vertex pulled up from its line with an arrow.
constexpr Glyph kMoveVertex = {
    "       kkk      ", "       kwk      ", "       kkk      ", "      b r b     ",
    "     b  r  b    ", "    b  rrr  b   ", "   b  r r r  b  ", "  b     r     b ",
    " b      r      b", "b       r       ", "        r       ", "                ",
    "    bbbb bbbb   ", "bbbb         bbb", "                ", "                "};
// 238: redraw a stretch, a dashed red bypass between two vertices of a line.
constexpr Glyph kRedraw = {
    "                ", "                ", "     r r r r    ", "    r       r   ",
    "   r         r  ", "  r           r ", "  r           r ", " kkk         kkk",
    " kwk         kwk", "bkkkb       bkkk", "     b     b    ", "      b   b     ",
    "       b b      ", "        b       ", "                ", "                "};
// 303: extend a line from its end, a dashed continuation with an arrow head.
constexpr Glyph kExtend = {
    "                ", "                ", "             r  ", "            rr  ",
    "           r r  ", "          r  r  ", "             r  ", "        r       ",
    "       r        ", "     kkk        ", "     kwk        ", "    bkkk        ",
    "   b            ", "  b             ", " b              ", "b               "};
// 230: attributes, a form with rows.
constexpr Glyph kAttributes = {
    "                ", " kkkkkkkkkkkkkk ", " kwwwwwkwwwwwwk ", " kwbbwwkwkkkwwk ",
    " kwwwwwkwwwwwwk ", " kkkkkkkkkkkkkk ", " kwwwwwkwwwwwwk ", " kwbbwwkwkkwwwk ",
    " kwwwwwkwwwwwwk ", " kkkkkkkkkkkkkk ", " kwwwwwkwwwwwwk ", " kwbbwwkwkkkkwk ",
    " kwwwwwkwwwwwwk ", " kkkkkkkkkkkkkk ", "                ", "                "};
// 231: delete the object, a red cross over a page.
constexpr Glyph kDeleteObject = {
    "                ", "  kkkkkkkk      ", "  kwwwwwwkk     ", "  kwrwwwrwwk    ",
    "  kwrrwrrwwk    ", "  kwwrrrwwwk    ", "  kwwwrwwwwk    ", "  kwwrrrwwwk    ",
    "  kwrrwrrwwk    ", "  kwrwwwrwwk    ", "  kwwwwwwwwk    ", "  kkkkkkkkkk    ",
    "                ", "                ", "                ", "                "};
// 239: vertices, an outline with its vertices marked.
constexpr Glyph kVertices = {
    "                ", "  kkk      kkk  ", "  kwkbbbbbbkwk  ", "  kkk      kkk  ",
    "   b        b   ", "   b        b   ", "   b        b   ", "   b       kkk  ",
    "   b       kwk  ", "   b      bkkk  ", "   b     b      ", "  kkk   b       ",
    "  kwkbbkkk      ", "  kkk  kwk      ", "       kkk      ", "                "};
// 307: close the panel.
constexpr Glyph kClose = {
    "                ", "                ", "  kk        kk  ", "   kk      kk   ",
    "    kk    kk    ", "     kk  kk     ", "      kkkk      ", "       kk       ",
    "      kkkk      ", "     kk  kk     ", "    kk    kk    ", "   kk      kk   ",
    "  kk        kk  ", "                ", "                ", "                "};
// 310: the object's type, three symbols.
constexpr Glyph kType = {
    "                ", "   rrr          ", "  rrrrr   kkkkk ", "  rrrrr   kgggk ",
    "  rrrrr   kgggk ", "   rrr    kgggk ", "          kkkkk ", "                ",
    "       b        ", "      bbb       ", "     bbbbb      ", "    bbbbbbb     ",
    "   bbbbbbbbb    ", "                ", "                ", "                "};
// 311: move the object, arrows in four directions.
constexpr Glyph kMove = {
    "       k        ", "      kkk       ", "     k k k      ", "       k        ",
    "       k        ", "  k    k    k   ", " k     k     k  ", "kkkkkkkkkkkkkkk ",
    " k     k     k  ", "  k    k    k   ", "       k        ", "       k        ",
    "     k k k      ", "      kkk       ", "       k        ", "                "};

struct Bgra {
  uint8_t b, g, r, a;
};

Bgra Ink(char c, bool greyed) {
  if (greyed) return c == 'w' ? Bgra{208, 208, 208, 0} : Bgra{150, 150, 150, 0};
  switch (c) {
    case 'r': return {0, 0, 210, 0};
    case 'b': return {200, 70, 0, 0};
    case 'w': return {255, 255, 255, 0};
    case 'g': return {0, 150, 0, 0};
    case 'y': return {0, 255, 255, 0};
    default: return {0, 0, 0, 0};
  }
}

std::vector<uint8_t> Pack(const Glyph& glyph) {
  constexpr Bgra kFace{200, 208, 212, 0}, kPressed{160, 160, 160, 0}, kShade{96, 96, 96, 0},
      kLight{255, 255, 255, 0};
  std::vector<Bgra> px(size_t(kWidth) * kFrame);
  for (int f = 0; f < kFrames; ++f) {
    const int left = f * kFrame;
    const bool down = f == 1, greyed = f == 2;
    for (int y = 0; y < kFrame; ++y)
      for (int x = 0; x < kFrame; ++x) {
        // A raised edge (light top left, shaded bottom right) up, a sunken one down.
        const bool topLeft = x == 0 || y == 0, bottomRight = x == kFrame - 1 || y == kFrame - 1;
        Bgra c = down ? kPressed : kFace;
        if (topLeft) c = down ? kShade : kLight;
        if (bottomRight) c = down ? kLight : kShade;
        px[size_t(y) * kWidth + size_t(left + x)] = c;
      }
    const int shift = down ? 1 : 0;
    for (int y = 0; y < kGlyph; ++y)
      for (int x = 0; x < kGlyph; ++x) {
        const char c = glyph[size_t(y)][x];
        if (c == ' ') continue;
        px[size_t(2 + y + shift) * kWidth + size_t(left + 2 + x + shift)] = Ink(c, greyed);
      }
  }
  // BITMAPINFOHEADER with a negative height (rows top down), then the pixels.
  std::vector<uint8_t> dib(40 + px.size() * 4, 0);
  const auto le = [&dib](size_t at, int32_t v) {
    for (size_t i = 0; i < 4; ++i) dib[at + i] = uint8_t(uint32_t(v) >> (8 * i));
  };
  le(0, 40);
  le(4, kWidth);
  le(8, -kFrame);
  dib[12] = 1;
  dib[14] = 32;
  le(20, int32_t(px.size() * 4));
  for (size_t i = 0; i < px.size(); ++i) {
    dib[40 + 4 * i] = px[i].b;
    dib[41 + 4 * i] = px[i].g;
    dib[42 + 4 * i] = px[i].r;
  }
  return dib;
}

struct Picture {
  Picture(UINT id, const Glyph& glyph) : bytes(Pack(glyph)), reg(RT_BITMAP, id, bytes.data(), bytes.size()) {}
  std::vector<uint8_t> bytes;
  vres::Registration reg;
};

const Picture kPictures[] = {{236, kDeleteVertex}, {237, kMoveVertex}, {238, kRedraw},
                             {303, kExtend},       {230, kAttributes},  {231, kDeleteObject},
                             {239, kVertices},     {307, kClose},       {310, kType},
                             {311, kMove}};

// 235: the bar itself holds no controls; it paints its four buttons. 139 x 14 dialog units
// come to the screen's width and 24 pixels, so the 20-pixel buttons at y = 2 clear the line
// drawn along its bottom edge.
const DLGTEMPLATEW kVertexBar = {DLGTEMPLATE_MAGIC, 235, WS_CHILD, 0, nullptr, nullptr, 0, 0, 0,
                                 240, 24, nullptr, 0};
VORNA_RESOURCE(RT_DIALOG, 235, kVertexBar);

}  // namespace
