// The almanac's windows: 324 the time bar at the bottom of the map (slider, date and time
// pickers; the graph button at x 218 is drawn by the bar itself), 326 the satellite visibility
// graph (the plot takes the area from y 55 to 270), and bitmap 325, the graph button's three
// 19 x 19 frames side by side (up, down, disabled), drawn here from a character picture.
#include <array>
#include <cstdint>
#include <vector>

#include "resources/resource_table.h"

namespace {

const DLGITEMTEMPLATEW kTimeBarItems[] = {
    {L"static", 1203, L"Альманах", SS_LEFT, 0, 2, 5, 56, 16},
    {DATETIMEPICK_CLASSW, 2356, nullptr, DTS_SHORTDATEFORMAT, 0, 58, 2, 82, 20},
    {DATETIMEPICK_CLASSW, 2157, nullptr, DTS_TIMEFORMAT, 0, 142, 2, 72, 20},
    {TRACKBAR_CLASSW, 3038, nullptr, TBS_HORZ, 0, 0, 25, 240, 22},
};
const DLGTEMPLATEW kTimeBar = {DLGTEMPLATE_MAGIC, 324, WS_CHILD, 0, nullptr, nullptr, 0,
                               0, 0, 240, 48, kTimeBarItems, vres::CountOf(kTimeBarItems)};
VORNA_RESOURCE(RT_DIALOG, 324, kTimeBar);

const DLGITEMTEMPLATEW kGraphItems[] = {
    {L"button", 1207, L"Параметры", BS_GROUPBOX, 0, 2, 0, 236, 48},
    {L"static", 1208, L"Маска по высоте:", SS_LEFT, 0, 6, 20, 114, 16},
    {L"edit", 1033, L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 120, 18, 30, 20},
    {L"button", 2158, L"Обновить", BS_PUSHBUTTON | WS_TABSTOP, 0, 152, 17, 56, 22},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 210, 17, 26, 22},
};
const DLGTEMPLATEW kGraph = {DLGTEMPLATE_MAGIC, 326, WS_POPUP, 0, L"График", nullptr, 0, 0, 26,
                             240, 294, kGraphItems, vres::CountOf(kGraphItems)};
VORNA_RESOURCE(RT_DIALOG, 326, kGraph);

// The up frame: a raised grey button round a small chart, a red count line over black axes.
constexpr int kSize = 19;
constexpr const char* kUpFrame[kSize] = {
    "wwwwwwwwwwwwwwwwwwd",
    "wgggggggggggggggggd",
    "wgwwwwwwwwwwwwwwwgd",
    "wgwkwwwwwwwwwwwwwgd",
    "wgwkwwwwwwwwwwrwwgd",
    "wgwkwwwwwwwwwrwrwgd",
    "wgwkwwwwrwwwrwwwwgd",
    "wgwkwwwrwrwrwwwwwgd",
    "wgwkwwrwwwrwwwwwwgd",
    "wgwkwrwwwwwwwwwwwgd",
    "wgwkrwwwwwwwwwwwwgd",
    "wgwkwwwwwwwwwwwwwgd",
    "wgwkwwwwwwwwwwwwwgd",
    "wgwkwwwwwwwwwwwwwgd",
    "wgwkkkkkkkkkkkkkwgd",
    "wgwwwwwwwwwwwwwwwgd",
    "wgggggggggggggggggd",
    "wgggggggggggggggggd",
    "ddddddddddddddddddd",
};

std::array<uint8_t, 3> Colour(char c) {  // r, g, b
  switch (c) {
    case 'w': return {255, 255, 255};
    case 'd': return {128, 128, 128};
    case 'k': return {0, 0, 0};
    case 'r': return {220, 0, 0};
    default: return {192, 192, 192};
  }
}

// The picture character of frame `frame` (0 up, 1 down, 2 disabled) at (x, y).
char FramePixel(int frame, int x, int y) {
  const bool edge = x == 0 || y == 0 || x == kSize - 1 || y == kSize - 1;
  if (frame == 1) {
    // Pressed: the bevel turns round and the face moves one pixel down and right.
    if (edge) return x == kSize - 1 || y == kSize - 1 ? 'w' : 'd';
    const int ux = x - 1, uy = y - 1;
    return ux >= 1 && uy >= 1 ? kUpFrame[uy][ux] : 'g';
  }
  const char c = kUpFrame[y][x];
  if (frame == 2 && !edge && (c == 'k' || c == 'r')) return 'd';
  return c;
}

// A packed device-independent bitmap: the 40-byte header, then 24-bit rows bottom-up, each
// padded to 4 bytes.
std::vector<uint8_t> GraphButtonDib() {
  constexpr int width = 3 * kSize, stride = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> dib(40 + size_t(stride) * kSize, 0);
  const uint32_t header[] = {40, uint32_t(width), uint32_t(kSize)};
  for (size_t i = 0; i < 3; ++i)
    for (size_t b = 0; b < 4; ++b) dib[4 * i + b] = uint8_t(header[i] >> (8 * b));
  dib[12] = 1;   // planes
  dib[14] = 24;  // bits per pixel
  for (int y = 0; y < kSize; ++y) {
    uint8_t* row = dib.data() + 40 + size_t(kSize - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const std::array<uint8_t, 3> c = Colour(FramePixel(x / kSize, x % kSize, y));
      row[3 * x] = c[2];
      row[3 * x + 1] = c[1];
      row[3 * x + 2] = c[0];
    }
  }
  return dib;
}

const std::vector<uint8_t>& GraphButton() {
  static const std::vector<uint8_t> dib = GraphButtonDib();
  return dib;
}

const vres::Registration kGraphButton(RT_BITMAP, 325, GraphButton().data(), GraphButton().size());

}  // namespace
