/* A raster-map library answering 0x101 and filling both buffers to their last byte (255
 * characters and a terminator), recording what it was called with. */
#include <string.h>

static double g_x, g_y;
static int g_calls;

__attribute__((visibility("default"))) int Link(void) { return 0; }

__attribute__((visibility("default"))) int Show(int mode, const char* map, double x, double y, const char* a,
                                                const char* b, char* chosenMap, char* chosenPoint) {
  if (mode != 0 || map || a || b) return 0x100; /* low byte 0: the arguments were wrong */
  g_x = x;
  g_y = y;
  ++g_calls;
  memset(chosenMap, 'M', 255);
  chosenMap[255] = 0;
  memset(chosenPoint, 'P', 255);
  chosenPoint[255] = 0;
  return 0x101;
}

/* Read by the test to check the coordinates arrived. */
__attribute__((visibility("default"))) double TestLastX(void) { return g_x; }
__attribute__((visibility("default"))) double TestLastY(void) { return g_y; }
__attribute__((visibility("default"))) int TestCalls(void) { return g_calls; }
