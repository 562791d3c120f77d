// The track buffer: a second screen-sized bitmap holding the back buffer with the working map
// drawn over it, which is what an ordinary repaint shows in its rectangle. A GPS tick that only
// added vertices to the recorded track then draws just the new tail into this buffer and copies
// the damaged rectangle back, instead of drawing the whole working map again: a track of tens of
// thousands of vertices would otherwise cost every tick the length of the whole track.
//
// Invariant: while `valid`, the buffer equals the back buffer with the working map as it stood
// at the last synchronisation drawn over it, plus the track's vertices appended since, drawn
// in the same pen. The quick repaint is only taken when that equals drawing the working map
// now: same map, object table, view and style; only the recorded object grew; it is a plain
// solid line (a dashed pen or a symbol chain carries its phase along the whole line); nothing
// of the map that is drawn above the track lies near the tail; and the paint's update rectangle
// is exactly the one the tick invalidated on a window with nothing else pending. Any other
// paint takes the ordinary way and drops the buffer; the next tick synchronises it again.
#pragma once

#include <cstdint>

#include "app/back_buffer.h"
#include "platform/win.h"

class TUserLayer;
class TMdmMap;

class TTrackBuffer {
 public:
  // A GPS tick invalidated `hwnd`: `clean` says nothing was pending before it. Only such a tick
  // may be repainted the quick way, and only by the paint that follows it directly.
  void NoteTick(HWND hwnd, bool clean);
  // The back buffer was captured again, or the picture changed some other way.
  void Invalidate();
  // The partial repaint of the map area `view` whose update rectangle is `*area`: when the
  // quick way applies, copies the working map's picture of `*area` (grown by the track's new
  // tail, which `*area` then includes) from the buffer to `dc` and returns true. False: the
  // caller restores the back buffer and draws the working map itself.
  bool Repaint(TUserLayer& layer, HDC backBuffer, HDC dc, const RECT& view, RECT* area);

  int32_t valid = 0;
  int32_t quickPaints = 0;  // repaints made the quick way (for tests)

 private:
  void Sync(TUserLayer& layer, HDC backBuffer, const RECT& view);
  bool Eligible(const TUserLayer& layer) const;
  bool SameAsSynced(const TUserLayer& layer, const RECT& view) const;
  bool DrawTail(TUserLayer& layer, RECT* tailBox);

  TBackBuffer picture_;  // the bitmap, made on the first tick that needs it

  bool tickPending_ = false;
  RECT tickRect_{};

  // What the buffer was drawn from.
  const TMdmMap* map_ = nullptr;
  int32_t count_ = 0;
  uint16_t object_ = 0;
  int32_t drawn_ = 0;  // vertices of the recorded object in the buffer
  bool objectVisible_ = false;
  uint16_t code_ = 0;
  uint8_t style_[7]{};
  uint8_t styleFlags_ = 0;
  RECT view_{};
  int32_t mapView_[4]{};
  double pixelScale_ = 0;
  uint32_t nominalScale_ = 0;
  int32_t extent_[4]{};
  int32_t fill_ = 0, marking_ = 0;
};

// The main window's track buffer.
extern TTrackBuffer g_TrackBuffer;
