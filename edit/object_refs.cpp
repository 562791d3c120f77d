#include "edit/object_refs.h"

#include "edit/dialog_common.h"
#include "maps/mdm_map.h"
#include "view/map_view.h"

namespace object_refs {

TMdmMap* MapOf(const TObjectRef& ref) {
  if (ref.map < 0 || ref.map >= g_MapView.GetVectorMapCount()) return nullptr;
  TMdmMap* map = g_MapView.GetVectorMap(ref.map);
  // An index past the count reads code 0 as a deleted object does.
  if (!map || map->GetObjectCode(ref.object) == 0) return nullptr;
  return map;
}

bool Describe(const TObjectRef& ref, std::wstring* line) {
  const TMdmMap* map = MapOf(ref);
  if (!map) return false;
  if (line) *line = edit_dialog::TypeName(map->GetLibrary(), map->GetObjectCode(ref.object));
  return true;
}

}  // namespace object_refs
