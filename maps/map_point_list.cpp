// The lists of named point objects that the navigation dialogs offer as targets.
#include <cwchar>

#include "base/ui/owner_draw_list.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"

std::vector<TOwnerDrawRow> TMdmMap::ListPointObjects() const {
  std::vector<TOwnerDrawRow> rows;
  for (int32_t i = 0; i < count; ++i) {
    const TMapObject& o = objects[i];
    if (o.kind != mdm::kKindPoint || !o.name || !o.name[0]) continue;
    double x = 0.0, y = 0.0;
    MapToViewPlane(o.box[0], o.box[1], &x, &y);  // the plane the view and the dialogs use
    // Room for any double in %0.0f (up to 309 digits); a failed format shows no position
    // rather than an unterminated buffer.
    wchar_t position[720];
    if (std::swprintf(position, 720, L"x:%0.0f y:%0.0f", x, y) < 0) position[0] = 0;
    // The index travels as the row's 16-bit data; it always fits, the table never holding more
    // than 65536 records.
    rows.push_back({uint32_t(i), o.code, {o.name, position}});
  }
  return rows;
}

std::vector<TOwnerDrawRow> TUserLayer::ListPointCoordinates() {
  // No working map: an empty list rather than the points of the last one.
  if (!open || !map) return {};
  return map->ListPointObjects();
}
