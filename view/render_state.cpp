#include "view/render_state.h"

#include <cmath>
#include <unordered_map>

#include "maps/mdm_map.h"
#include "maps/object_library.h"

namespace {
std::unordered_map<const TMdmMap*, TMapDrawState>& States() {
  static std::unordered_map<const TMdmMap*, TMapDrawState> states;
  return states;
}
}  // namespace

TMapDrawState& MapDrawState(const TMdmMap* map) { return States()[map]; }

void ForgetMapDrawState(const TMdmMap* map) { States().erase(map); }

COLORREF LibraryColor(const TObjectLibrary* library, int index) {
  const TPalette* palette = library ? library->Palette() : nullptr;
  return palette ? COLORREF(palette->GetColor(index)) : COLORREF(-1);
}

double MapRotation(const TMdmMap* map) {
  if (!map || (map->rotSin == 0.0 && map->rotCos == 1.0)) return 0.0;
  return std::atan2(map->rotSin, map->rotCos);
}
