// The geodesy bar: panel 158 and its images, 168 the kinematic button, 169 the dynamic-auto
// button, 186 the attribute-form button (each three 20 x 20 frames: up, down, disabled) and 161
// the battery indicator (four 11 x 16 frames: unknown, full, half, low). The images are drawn
// here at start from small masks and registered as packed device-independent bitmaps (24-bit,
// bottom-up rows). The static and follow buttons (167, 170) come with the GPS bar's images.
#include <cstdint>
#include <string_view>
#include <vector>

#include "resources/resource_table.h"

namespace {

// ---- panel 158 ------------------------------------------------------------------------------
// Row 1: follow (2), tracking time, loss count, dynamic-auto (71), battery (96), satellites,
// kinematic (152), remaining time, static (216). Row 2: symbol cell (2), type name, antenna
// height, site name, attribute form (216). The buttons, the symbol cell and the battery are
// painted by the bar itself.
const DLGITEMTEMPLATEW kGeodesyItems[] = {
    {L"static", 2114, L"0", SS_LEFT | SS_NOTIFY, 0, 24, 4, 32, 16},
    {L"static", 2123, L"", SS_LEFT, 0, 57, 4, 12, 16},
    {L"static", 2115, L"S:0", SS_LEFT | SS_NOTIFY, 0, 109, 4, 42, 16},
    {L"static", 2121, L"--:--", SS_LEFT, 0, 174, 4, 40, 16},
    {L"static", 2118, L"", SS_LEFT, 0, 24, 27, 60, 16},
    // The boxes are as high as their closed face: the list opens below them, over the map.
    {L"combobox", 2124, nullptr, CBS_DROPDOWN | WS_TABSTOP | WS_VSCROLL, 0, 86, 24, 50, 20},
    {L"combobox", 2125, nullptr, CBS_DROPDOWN | WS_TABSTOP | WS_VSCROLL, 0, 138, 24, 76, 20},
};
const DLGTEMPLATEW kGeodesyBar = {DLGTEMPLATE_MAGIC, 158, WS_CHILD, 0, nullptr, nullptr, 0,
                                  0, 0, 240, 46, kGeodesyItems, vres::CountOf(kGeodesyItems)};
VORNA_RESOURCE(RT_DIALOG, 158, kGeodesyBar);

// ---- images ---------------------------------------------------------------------------------

struct Rgb {
  uint8_t r, g, b;
};

class Picture {
 public:
  Picture(int width, int height, Rgb fill)
      : width_(width), height_(height), pixels_(size_t(width) * height, fill) {}
  void Put(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[size_t(y) * width_ + x] = c;
  }
  void Fill(int l, int t, int r, int b, Rgb c) {
    for (int y = t; y <= b; ++y)
      for (int x = l; x <= r; ++x) Put(x, y, c);
  }
  // The mask's '#' in `ink` and '+' in `second`, its top left corner at (x, y).
  void Mask(int x, int y, const std::string_view* rows, int count, Rgb ink, Rgb second) {
    for (int j = 0; j < count; ++j)
      for (size_t i = 0; i < rows[j].size(); ++i) {
        if (rows[j][i] == '#') Put(x + int(i), y + j, ink);
        if (rows[j][i] == '+') Put(x + int(i), y + j, second);
      }
  }
  std::vector<uint8_t> Dib() const {
    const int stride = (width_ * 3 + 3) / 4 * 4;
    std::vector<uint8_t> out(40 + size_t(stride) * height_, 0);
    auto le32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    le32(0, 40);
    le32(4, uint32_t(width_));
    le32(8, uint32_t(height_));
    out[12] = 1;
    out[14] = 24;
    le32(20, uint32_t(stride) * uint32_t(height_));
    for (int y = 0; y < height_; ++y) {
      uint8_t* row = out.data() + 40 + size_t(height_ - 1 - y) * size_t(stride);
      for (int x = 0; x < width_; ++x) {
        const Rgb c = pixels_[size_t(y) * width_ + x];
        row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
      }
    }
    return out;
  }

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

constexpr Rgb kFace{212, 208, 200}, kPressed{160, 160, 168}, kLight{255, 255, 255},
    kShade{96, 96, 96}, kInk{0, 0, 0}, kGreyInk{140, 140, 140}, kBlue{0, 64, 192},
    kRed{200, 0, 0}, kGreen{0, 150, 0}, kAmber{230, 160, 0};

// Up, down and disabled frames of a 20-pixel button with a 16-pixel picture in the middle.
std::vector<uint8_t> Button(const std::string_view (&rows)[16], Rgb second) {
  constexpr int kSize = 20;
  Picture p(kSize * 3, kSize, kFace);
  for (int frame = 0; frame < 3; ++frame) {
    const int l = frame * kSize, r = l + kSize - 1;
    const bool down = frame == 1;
    if (down) p.Fill(l, 0, r, kSize - 1, kPressed);
    const Rgb topLeft = down ? kShade : kLight, bottomRight = down ? kLight : kShade;
    for (int i = 0; i < kSize; ++i) {
      p.Put(l + i, 0, topLeft), p.Put(l, i, topLeft);
      p.Put(l + i, kSize - 1, bottomRight), p.Put(r, i, bottomRight);
    }
    const int shift = down ? 1 : 0;
    p.Mask(l + 2 + shift, 2 + shift, rows, 16, frame == 2 ? kGreyInk : kInk,
           frame == 2 ? kGreyInk : second);
  }
  return p.Dib();
}

// A walked line between marks: kinematic.
constexpr std::string_view kKinematic[16] = {
    "................", "............++..", "...........++++.", "...........++++.",
    "............++..", "...........#....", "..........#.....", ".........#......",
    "....#####.......", "...#............", "..#.............", ".++.............",
    "++++............", "++++............", ".++.............", "................"};
// "A" and a curved arrow: dynamic with generated names.
constexpr std::string_view kDynamicAuto[16] = {
    "................", "......##........", ".....#..#.......", "....#....#......",
    "....######......", "....#....#......", "....#....#......", "................",
    "..........+++...", "............+...", ".............+..", "..+..........+..",
    "..++........+...", "..+++++++++++...", "..++............", "..+............."};
// A form sheet with lines of fields.
constexpr std::string_view kAttrForm[16] = {
    "................", "..###########...", "..#.........#...", "..#.+++..++.#...",
    "..#.........#...", "..#.+++..++.#...", "..#.........#...", "..#.+++..++.#...",
    "..#.........#...", "..#.+++..++.#...", "..#.........#...", "..#.+++..++.#...",
    "..#.........#...", "..###########...", "................", "................"};

std::vector<uint8_t> Battery() {
  constexpr int kW = 11, kH = 16;
  Picture p(kW * 4, kH, kFace);
  const Rgb levels[4] = {kGreyInk, kGreen, kAmber, kRed};
  const int filled[4] = {0, 12, 6, 2};  // rows of charge drawn
  for (int frame = 0; frame < 4; ++frame) {
    const int l = frame * kW;
    p.Fill(l + 3, 0, l + 7, 1, kInk);  // the terminal
    for (int y = 2; y < kH; ++y) p.Put(l + 1, y, kInk), p.Put(l + 9, y, kInk);
    for (int x = 1; x <= 9; ++x) p.Put(l + x, 2, kInk), p.Put(l + x, kH - 1, kInk);
    if (filled[frame]) p.Fill(l + 3, kH - 2 - filled[frame], l + 7, kH - 3, levels[frame]);
    if (frame == 0) {  // unknown: a question mark
      static constexpr std::string_view kQuestion[7] = {".###.", "#...#", "....#", "...#.",
                                                        "..#..", ".....", "..#.."};
      p.Mask(l + 3, 5, kQuestion, 7, kShade, kShade);
    }
  }
  return p.Dib();
}

struct Images {
  std::vector<uint8_t> kinematic = Button(kKinematic, kBlue);
  std::vector<uint8_t> dynamicAuto = Button(kDynamicAuto, kRed);
  std::vector<uint8_t> attrForm = Button(kAttrForm, kBlue);
  std::vector<uint8_t> battery = Battery();
};
const Images& All() {
  static const Images images;
  return images;
}

const vres::Registration kBattery(RT_BITMAP, 161, All().battery.data(), All().battery.size());
const vres::Registration kKinematicButton(RT_BITMAP, 168, All().kinematic.data(),
                                          All().kinematic.size());
const vres::Registration kDynamicAutoButton(RT_BITMAP, 169, All().dynamicAuto.data(),
                                            All().dynamicAuto.size());
const vres::Registration kAttrFormButton(RT_BITMAP, 186, All().attrForm.data(),
                                         All().attrForm.size());

}  // namespace
