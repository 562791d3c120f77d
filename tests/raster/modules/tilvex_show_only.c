/* A raster-map library exporting "Show" but not "Link": a bad format. */
__attribute__((visibility("default"))) int Show(int mode, const char* map, double x, double y, const char* a,
                                                const char* b, char* chosenMap, char* chosenPoint) {
  return 1;
}
