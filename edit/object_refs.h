// Object references as the editing panels list them.
#pragma once

#include <string>

#include "view/highlight.h"

class TMdmMap;

namespace object_refs {

// The map of `ref` when it is still in the view and the object is a live one (code non-zero;
// an index past the count has none); else null.
TMdmMap* MapOf(const TObjectRef& ref);
// The line text of `ref`: its type's name from the map's library, else "[class-kind]". False,
// and nothing written, when MapOf gives null.
bool Describe(const TObjectRef& ref, std::wstring* line);

}  // namespace object_refs
