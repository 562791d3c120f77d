#include "edit/object_refs.h"

#include "edit/dialog_common.h"
#include "maps/mdm_map.h"
#include "platform/win.h"
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

int FillList(HWND list, const TObjectRef* refs, int n, std::vector<TObjectRef>* kept) {
  kept->clear();
  if (list) SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; refs && i < n; ++i) {
    std::wstring line;
    if (!Describe(refs[i], &line)) continue;
    if (list) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
    kept->push_back(refs[i]);
  }
  if (kept->size() == 1 && list) SendMessageW(list, LB_SETCURSEL, 0, 0);
  return int(kept->size());
}

}  // namespace object_refs
