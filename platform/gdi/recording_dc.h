// A device context that logs every drawing call, for tests of code that draws.
//
// It is a memory DC over its own bitmap: calls are logged with their arguments and with what the
// DC held at that moment (pen, brush, font, text colour, background colour and mode, ROP2), and,
// unless `draw` is off, also drawn, so pixels can be checked as well. With `fixedAdvance` set,
// text is measured and laid out with every character `fixedAdvance` pixels wide and the cell as
// high as the font asks, so layouts are exact and independent of installed fonts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vplat {

struct RecordedCall {
  std::string name;             // the call's name, "Polyline", "ExtTextOutW", "SetBkMode", ...
  std::vector<int64_t> args;    // its scalar arguments in order (see each call's log line)
  std::vector<POINT> points;    // point arrays (Polyline, Polygon, PolyPolygon)
  std::wstring text;            // text of text calls
  std::vector<int> dx;          // ExtTextOutW's per-character advances (lpDx); empty without
  struct {
    int style = 0, width = 0;
    COLORREF color = 0;
  } pen;
  struct {
    int style = 0;  // BS_SOLID or BS_NULL
    COLORREF color = 0;
  } brush;
  struct {
    int height = 0, weight = 0, escapement = 0;
    bool italic = false;
    std::wstring face;
  } font;
  COLORREF textColor = 0, bkColor = 0;
  int bkMode = 0, rop2 = 0;
};

struct RecordingOptions {
  int width = 240, height = 320;  // of the bitmap drawn into
  bool draw = true;               // also draw, not only record
  int fixedAdvance = 0;           // > 0: every character advances this many pixels
};

// A new recording DC; delete it with DeleteDC. Null when the size is not drawable.
HDC CreateRecordingDC(const RecordingOptions& options = {});
// The calls logged so far, oldest first; null when `hdc` is not a recording DC.
const std::vector<RecordedCall>* RecordedCalls(HDC hdc);
void ClearRecordedCalls(HDC hdc);

}  // namespace vplat
