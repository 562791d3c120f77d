// The viewer's screen <-> picture mapping and its pan limits.
#include <gtest/gtest.h>

#include <cstdlib>

#include "rasterlib/viewer_geometry.h"

using tilvex::ViewGeometry;

TEST(ViewerGeometry, TapsMapToPictureAsWorkedByHand) {
  ViewGeometry bmp;  // 240 x 320, "1:1"
  int x, y;
  bmp.TapToPicture(100, 300, &x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 20);  // .bmp counts from the bottom row
  ViewGeometry jpg;
  jpg.type = 1;
  jpg.TapToPicture(100, 300, &x, &y);
  EXPECT_EQ(y, 300);
  // "1:4": four picture pixels a screen pixel, the view centred on the same spot.
  jpg.scale = tilvex::kScale1to4;
  jpg.TapToPicture(0, 0, &x, &y);
  EXPECT_EQ(x, -360);
  EXPECT_EQ(y, -480);
  jpg.TapToPicture(120, 160, &x, &y);
  EXPECT_EQ(x, 120);
  EXPECT_EQ(y, 160);
  // "3:1" with an offset.
  ViewGeometry big;
  big.scale = tilvex::kScale3to1;
  big.offX = 30;
  big.offY = 40;
  big.TapToPicture(120, 160, &x, &y);
  EXPECT_EQ(x, 40 + 80 + 30);
  EXPECT_EQ(y, 53 + 107 + 40);  // dH = 320 - 106
  int sx, sy, sw, sh;
  big.Source(&sx, &sy, &sw, &sh);
  EXPECT_EQ(sx, 110);
  EXPECT_EQ(sy, 147);
  EXPECT_EQ(sw, 80);
  EXPECT_EQ(sh, 106);
}

TEST(ViewerGeometry, PictureToScreenUndoesATapWithinTruncation) {
  for (int type : {0, 1})
    for (int scale : {0, 1, 2}) {
      ViewGeometry g;
      g.type = type;
      g.scale = scale;
      g.offX = 17;
      g.offY = -23;
      int tolerance = scale == tilvex::kScale3to1 ? 3 : 0;
      for (int ty = 0; ty < 320; ty += 7)
        for (int tx = 0; tx < 240; tx += 5) {
          int px, py, sx, sy;
          g.TapToPicture(tx, ty, &px, &py);
          g.PictureToScreen(px, py, &sx, &sy);
          ASSERT_LE(std::abs(sx - tx), tolerance) << type << scale << " " << tx;
          ASSERT_LE(std::abs(sy - ty), tolerance) << type << scale << " " << ty;
        }
    }
}

TEST(ViewerGeometry, APointAtExactlyTenScreenPixelsIsHit) {
  ViewGeometry g;
  EXPECT_TRUE(g.Hits(100, 100, 110, 100));
  EXPECT_TRUE(g.Hits(100, 100, 106, 108));
  EXPECT_FALSE(g.Hits(100, 100, 111, 100));
  g.scale = tilvex::kScale1to4;
  EXPECT_TRUE(g.Hits(0, 0, 40, 0));
  EXPECT_FALSE(g.Hits(0, 0, 41, 0));
}

TEST(ViewerGeometry, PanStopsAtTheLimitsOfEachTypeAndScale) {
  struct Limits {
    int minX, maxX, minY, maxY;
  };
  const Limits table[2][3] = {
      {{-348, 1096, -500, 1000}, {-220, 960, -260, 700}, {-130, 920, -190, 640}},
      {{-350, 1085, -600, 984}, {-175, 960, -244, 692}, {-130, 924, -190, 633}},
  };
  for (int type : {0, 1})
    for (int scale : {0, 1, 2}) {
      ViewGeometry g;
      g.type = type;
      g.scale = scale;
      for (int i = 0; i < 100; ++i) g.PanTo(239, 0);  // right and up the screen
      EXPECT_EQ(g.offX, table[type][scale].maxX);
      EXPECT_EQ(g.offY, type == 0 ? table[type][scale].maxY : table[type][scale].minY);
      for (int i = 0; i < 100; ++i) g.PanTo(0, 319);
      EXPECT_EQ(g.offX, table[type][scale].minX);
      EXPECT_EQ(g.offY, type == 0 ? table[type][scale].minY : table[type][scale].maxY);
    }
  // One step inside the limits moves by the tap's distance from the centre.
  ViewGeometry g;
  g.PanTo(200, 100);
  EXPECT_EQ(g.offX, 80);
  EXPECT_EQ(g.offY, 60);
  g.type = 1;
  g.PanTo(120, 100);
  EXPECT_EQ(g.offY, 0);
}

// A 3000 x 2400 scan: the far limits follow its size (worked by hand: the far margin mirrors the
// near one, so at "1:1" the far column 2999 stops 20 pixels in, as column 0 stops 220 pixels in
// from the left), and a picture smaller than the table's reach keeps the table's limits.
TEST(ViewerGeometry, TheFarLimitsOfALargePictureLetItsFarEdgesIntoTheScreen) {
  struct Case {
    int type, scale, maxX, maxY;
  };
  const Case cases[] = {
      {0, tilvex::kScale1to4, 3000 - 960 + 720 + 348, 2400 - 1280 + 960 + 500},
      {0, tilvex::kScale1to1, 3000 - 240 + 220, 2400 - 320 + 260},
      {0, tilvex::kScale3to1, 3000 - 80 - 160 + 130, 2400 - 106 - 214 + 190},
      {1, tilvex::kScale1to1, 3000 - 240 + 175, 2400 - 320 + 244},
  };
  for (const Case& c : cases) {
    ViewGeometry g;
    g.type = c.type;
    g.scale = c.scale;
    g.picW = 3000;
    g.picH = 2400;
    for (int i = 0; i < 400; ++i) g.PanTo(239, c.type == 0 ? 0 : 319);  // towards the far corner
    EXPECT_EQ(g.offX, c.maxX) << c.type << " " << c.scale;
    EXPECT_EQ(g.offY, c.maxY) << c.type << " " << c.scale;
    // The far corner pixel is on the screen and a tap there finds it.
    int sx, sy;
    g.PictureToScreen(2999, 2399, &sx, &sy);
    EXPECT_TRUE(sx >= 0 && sx < 240 && sy >= 0 && sy < 320) << sx << " " << sy;
    int px, py;
    g.TapToPicture(sx, sy, &px, &py);
    EXPECT_LE(std::abs(px - 2999), 4);
    EXPECT_LE(std::abs(py - 2399), 4);
    // The near limits stay.
    for (int i = 0; i < 400; ++i) g.PanTo(0, c.type == 0 ? 319 : 0);
    EXPECT_LT(g.offX, 0);
    EXPECT_LT(g.offY, 0);
  }
  ViewGeometry small;
  small.picW = 400;
  small.picH = 300;
  for (int i = 0; i < 100; ++i) small.PanTo(239, 0);
  EXPECT_EQ(small.offX, 960);
  EXPECT_EQ(small.offY, 700);
}
