#include "view/render_state.h"

#include <cmath>
#include <vector>

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

namespace {

struct TKept {
  int style, width;  // brushes: style -1
  COLORREF color;
  HGDIOBJ object;
};

// At most this many kept objects; a frame of a real library uses a few dozen.
constexpr size_t kMaxKept = 64;

HGDIOBJ Kept(int style, int width, COLORREF color) {
  static std::vector<TKept> kept;
  static size_t last = 0;  // consecutive objects mostly share their style
  if (last < kept.size() && kept[last].style == style && kept[last].width == width &&
      kept[last].color == color)
    return kept[last].object;
  for (size_t i = 0; i < kept.size(); ++i)
    if (kept[i].style == style && kept[i].width == width && kept[i].color == color) {
      last = i;
      return kept[i].object;
    }
  if (kept.size() >= kMaxKept) return nullptr;
  HGDIOBJ made = style < 0 ? HGDIOBJ(CreateSolidBrush(color)) : HGDIOBJ(CreatePen(style, width, color));
  if (!made) return nullptr;
  kept.push_back({style, width, color, made});
  last = kept.size() - 1;
  return made;
}

}  // namespace

HPEN KeptPen(int style, int width, COLORREF color) {
  return static_cast<HPEN>(Kept(style < 0 ? 0 : style, width, color));
}

HBRUSH KeptBrush(COLORREF color) { return static_cast<HBRUSH>(Kept(-1, 0, color)); }
