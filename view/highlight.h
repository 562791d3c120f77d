// A reference to one object of one vector map of the view: what selection, picking and the
// highlight list pass around.
#pragma once

#include <cstdint>

struct TObjectRef {
  int32_t map = 0;      // index into the view's vector maps
  uint16_t object = 0;  // object index in that map (maps hold up to 65,535 objects)
  char tag[4] = {};     // caller's 4-character tag, carried along and never compared

  // Same map and same object; the tag does not count.
  static int IsSameObject(const TObjectRef& a, const TObjectRef& b) {
    return a.map == b.map && a.object == b.object ? 1 : 0;
  }
};
