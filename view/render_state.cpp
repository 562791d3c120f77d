#include "view/render_state.h"

#include <cmath>

#include "maps/object_library.h"

TMapDrawState& MapDrawState(const TMdmMap* map) {
  static TMapDrawState none;  // no map: the defaults, as a map's own record starts
  return map ? map->drawState : none;
}

COLORREF LibraryColor(const TObjectLibrary* library, int index) {
  const TPalette* palette = library ? library->Palette() : nullptr;
  return palette ? COLORREF(palette->GetColor(index)) : COLORREF(-1);
}

double MapRotation(const TMdmMap* map) {
  if (!map || (map->rotSin == 0.0 && map->rotCos == 1.0)) return 0.0;
  return std::atan2(map->rotSin, map->rotCos);
}

