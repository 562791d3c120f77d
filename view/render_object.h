// The object renderer: one point, line or area object of a vector map into drawing calls.
//
// Sizes in the object library are millimetres of the printed map at its nominal scale; the
// symbol scale s (pixels per such millimetre, see render_state.h) turns tenths (f10 = s / 10)
// and hundredths (f100 = s / 100) into pixels, so lines thicken and symbols grow as one zooms in.
//
// Invariants:
// - Every pen and brush made for a step is deselected and deleted when the step ends.
// - The three program-wide vertex buffers and the clipping's ScreenPoints only grow; nothing is
//   written past any of them. Drawing is not reentrant.
// - Every walk along a line (dashes, marks, symbols) ends, and costs the length of the line
//   that lies near the screen: stretches outside the clip rectangle (grown by the size of what
//   is placed) are passed over by arithmetic on the phase, so they emit nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

class TMdmMap;
class TSymbolTable;
struct TMapObject;

// Result codes.
enum : int { kRenderOk = 0, kRenderNoMemory = 3 };

// Style byte 0 of a line style.
constexpr uint8_t kLineStyleNotSimple = 0x80;  // with 0x40: symbol chain; without: compound
constexpr uint8_t kLineStyleSymbols = 0x40;
constexpr uint8_t kLineStyleTenths = 0x40;  // simple pens: width in tenths of a millimetre
constexpr uint8_t kLineStyleCountMask = 0x3F;

void DrawPointObject(TMdmMap* map, HDC dc, TMapObject* object);
// 0 drawn (or nothing to draw), 3 when a buffer could not grow.
int DrawLineAreaObject(TMdmMap* map, HDC dc, TMapObject* object, uint16_t index);

// ---- the walks, over screen points, with the pen and brush the caller selected ----

// Dashes of `dash` pixels with gaps of `gap`, the first dash starting `start` pixels along the
// line; the phase runs on across vertices. Each dash is one DrawClippedPolyline run.
// Returns 3 when the run could not grow.
int DrawDashWalk(HDC dc, const POINT* points, int count, double dash, double gap, double start);

// Kinds of the elements of a compound line style (the first byte of each 12-byte element).
enum : int {
  kElementLine = 1,          // a dashed or solid line
  kElementDoubleLine = 2,    // two lines, `offset` apart
  kElementFilledSquare = 3,  // marks, from here on one every `spacing`
  kElementSquare = 4,
  kElementFilledCircle = 5,
  kElementCircle = 6,
  kElementCrossTick = 7,     // a tick across the line
  kElementSideTick = 8,      // a tick on one side
  kElementChevron = 9,       // pointing along the line
  kElementChevronBack = 10,  // pointing against it
  kElementDoubleChevron = 11,
  kElementDoubleChevronBack = 12,
};

// One mark of a compound line element (kinds 3-12) every `spacing` pixels from `start`.
// `size` is the mark's full size in pixels. `fillBrush` is selected for kinds 3 and 5, the
// hollow brush for kinds 4 and 6.
void DrawMarkWalk(HDC dc, const POINT* points, int count, int kind, double size, double spacing,
                  double start, HBRUSH fillBrush);

// Symbol `number` every `step` pixels, aligned with the segment, where it lies in the map's
// drawing rectangle grown by one step.
void DrawSymbolWalk(HDC dc, const TSymbolTable& symbols, const POINT* points, int count,
                    int number, double step, float size, const RECT& drawRect);

// Vertices shifted sideways by `offset` pixels (positive: left of the direction of travel on
// the screen). False when the copy cannot be allocated.
bool OffsetPolyline(const POINT* points, int count, double offset, std::vector<POINT>& out);

// The program-wide vertex buffers, for tests that check they only grow.
extern std::vector<POINT> ScreenPointBuffer;
extern std::vector<POINT> PartPointBuffer;
extern std::vector<POINT> RingCopyBuffer;
