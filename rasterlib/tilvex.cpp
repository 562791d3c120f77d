// The library's exports until the chooser and viewer are built: Show picks nothing and returns
// with both buffers empty; the others do nothing.
#include "rasterlib/tilvex.h"

#define TILVEX_EXPORT extern "C" __attribute__((visibility("default")))

TILVEX_EXPORT int Show(int /*mode*/, const char* /*mapPath*/, double /*x*/, double /*y*/,
                       const char* /*text1*/, const char* /*text2*/, char* chosenMap,
                       char* chosenPoint) {
  if (chosenMap) chosenMap[0] = 0;
  if (chosenPoint) chosenPoint[0] = 0;
  return 0;
}

TILVEX_EXPORT int Link() { return 0; }
TILVEX_EXPORT int Link1() { return 0; }
TILVEX_EXPORT int My() { return 0; }
