/* An image module short of "LoadMapImageTiles": the program must refuse it. Also proves that the
 * module header reads as C. */
#include "imagelib/pelnor.h"

__attribute__((visibility("default"))) int LoadMapImageHead(const char* path, PelnorImage* image) { return 1; }
__attribute__((visibility("default"))) int LoadMapImageFull(const char* path, PelnorImage* image) { return 1; }
__attribute__((visibility("default"))) int LoadMapImage(const char* path, HDC dc, int w, int h, HBITMAP* b, int* ow,
                                                        int* oh) {
  return 1;
}
