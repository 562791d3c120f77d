// The lists of named point objects that the navigation dialogs offer as targets.
#include <cwchar>

#include "app/ui/owner_draw_list.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"

void TMdmMap::ListPointObjects(TOwnerDrawList& list) const {
  list.Clear();
  for (int32_t i = 0; i < count; ++i) {
    const TMapObject& o = objects[i];
    if (o.kind != 1 || !o.name || !o.name[0]) continue;
    double x = 0.0, y = 0.0;
    MapToPlane(o.box[0], o.box[1], &x, &y);
    // Room for any double in %0.0f (up to 309 digits); a failed format shows no position
    // rather than an unterminated buffer.
    wchar_t position[720];
    if (std::swprintf(position, 720, L"x:%0.0f y:%0.0f", x, y) < 0) position[0] = 0;
    const wchar_t* texts[2] = {o.name, position};
    // The index travels as the row's 16-bit data; it always fits, the table never holding more
    // than 65536 records.
    list.AddRow(texts, 2, o.code, uint32_t(i));
  }
}

void TUserLayer::ListPointCoordinates(TOwnerDrawList& list) {
  if (!open || !map) {
    // No working map: an empty list rather than the points of the last one.
    list.Clear();
    return;
  }
  map->ListPointObjects(list);
}
