// Raster pictures of the demo town for the raster-map library: the town drawn from the demo
// maps' own objects (areas, streets, points of interest; no labels), north up, each with the
// ".ides" file the library reads beside it: line 1 the picture centre's plane X and Y (what the
// chooser's "nearest" compares with the program's GPS position), then two named points at the
// pixels where the map's points of interest are drawn.
//
//   \Maps\town.bmp       8-bit paletted, 4 m a pixel, the built-up town (grid 0..4 x 0..4);
//                        point Y counts from the bottom row
//   \Maps\overview.jpg   8 m a pixel, the whole project area with the river; Y from the top row
//
// The two pictures are named apart because a picture's point files take its name with the last
// extension replaced: "town.bmp" and "town.jpg" would share one "town.ides".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

struct DemoPicture {
  std::string path;      // device path of the picture
  std::string idesPath;  // device path of its ".ides"
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;  // the picture file
  std::string ides;            // the ".ides" text
};

// The pictures in the order above.
std::vector<DemoPicture> DemoTownPictures();

}  // namespace sample
