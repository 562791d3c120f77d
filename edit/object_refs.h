// Object references as the editing panels list them.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

#include "view/highlight.h"

class TMdmMap;

namespace object_refs {

// The map of `ref` when it is still in the view and the object is a live one (code non-zero;
// an index past the count has none); else null.
TMdmMap* MapOf(const TObjectRef& ref);
// The line text of `ref`: its type's name from the map's library, else "[class-kind]". False,
// and nothing written, when MapOf gives null.
bool Describe(const TObjectRef& ref, std::wstring* line);
// Fills `list` (a list box, may be null) with a line for each of the n refs that Describe
// takes, keeping those refs in `kept` (cleared first) in line order; a single line is selected.
// The number of lines.
int FillList(HWND list, const TObjectRef* refs, int n, std::vector<TObjectRef>* kept);

}  // namespace object_refs
