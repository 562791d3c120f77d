// What the drawing of one vector map needs besides the map itself: the symbol scale the draw
// loop computes before each map (read again by labels and picking) and the fill and marking
// switches the view copies in before drawing. The map record has no room for them, so they are
// kept here, one record per map, program-wide like the rest of the drawing context.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TMdmMap;
class TObjectLibrary;

struct TMapDrawState {
  float symbolScale = 0.0f;  // screen pixels per millimetre of the map at its nominal scale
  int32_t fill = 1;          // areas are filled
  int32_t marking = 0;       // vertices of all objects are marked
};

// The record of `map`, made with the defaults on first use.
TMapDrawState& MapDrawState(const TMdmMap* map);
// Drops the record of a map that is about to be deleted (a later map at the same address
// starts from the defaults).
void ForgetMapDrawState(const TMdmMap* map);

// Palette colour of a library's index; -1 (drawn white) without palette or out of range.
COLORREF LibraryColor(const TObjectLibrary* library, int index);
// The map's rotation in radians (0 for an unrotated map).
double MapRotation(const TMdmMap* map);

// Selects an object into a DC for one drawing step and puts the previous one back (and deletes
// the object when it was made for the step) when the step ends, also by an exception.
class TGdiSelection {
 public:
  TGdiSelection(HDC dc, HGDIOBJ object, bool owned) : dc_(dc), own_(owned ? object : nullptr) {
    old_ = object ? SelectObject(dc, object) : nullptr;
  }
  ~TGdiSelection() {
    if (old_) SelectObject(dc_, old_);
    if (own_) DeleteObject(own_);
  }
  TGdiSelection(const TGdiSelection&) = delete;
  TGdiSelection& operator=(const TGdiSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
  HGDIOBJ own_;
};

// Sets a background mode and restores the previous one at the end of the scope.
class TBkModeScope {
 public:
  TBkModeScope(HDC dc, int mode) : dc_(dc), old_(SetBkMode(dc, mode)) {}
  ~TBkModeScope() {
    if (old_) SetBkMode(dc_, old_);
  }
  TBkModeScope(const TBkModeScope&) = delete;
  TBkModeScope& operator=(const TBkModeScope&) = delete;

 private:
  HDC dc_;
  int old_;
};
