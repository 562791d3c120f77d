// The drawing context of a frame: the per-map drawing state (held by each map, see
// TMapDrawState in maps/mdm_map.h), library colours, rotation and the DC selection scopes.
#pragma once

#include <cstdint>

#include "platform/win.h"

#include "maps/mdm_map.h"
#include "maps/symbol_draw.h"

class TObjectLibrary;

// The drawing state `map` holds (it lives and dies with the map).
TMapDrawState& MapDrawState(const TMdmMap* map);

// Palette colour of a library's index; -1 (drawn white) without palette or out of range.
COLORREF LibraryColor(const TObjectLibrary* library, int index);
// The map's rotation in radians (0 for an unrotated map).
double MapRotation(const TMdmMap* map);

// KeptPen and KeptBrush (the map styles' pens and brushes) are in maps/symbol_draw.h.

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
