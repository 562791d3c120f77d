// Calibration files: the three forms read, the two written, and damaged ones.
#include "tests/raster/raster_test_util.h"

#include <cmath>

#include "geodesy/gauss_kruger.h"

namespace rastertest {
namespace {

const double kNoFallback[6] = {};
constexpr double kPi = 3.14159265358979323846;

// A 400 x 300 JPEG at "\\c.jpg" with `companion` text under the given extension, opened.
class CalibrationTest : public RasterTest {
 protected:
  int OpenWith(const std::string& ext, const std::string& text) {
    sample::JpegSpec plan;
    plan.width = 400;
    plan.height = 300;
    if (!sample::WriteJpeg(Host("\\c.jpg"), plan)) return -1;
    if (!ext.empty()) WriteText("\\c" + ext, text);
    return map.Open("\\c.jpg", kNoFallback);
  }
  TPictureMap map;
};

std::string Header() { return "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0\n"; }

TEST_F(CalibrationTest, TwoPlanePointsGiveSizeRotationTopAndLeft) {
  ASSERT_EQ(OpenWith(".@@@", Header() + "0 0 6200000 7500000\n1000 0 6200000 7500500\n"), 0);
  ASSERT_EQ(map.open, 1);
  EXPECT_FLOAT_EQ(map.pixelSize, 0.5f);
  EXPECT_NEAR(std::remainder(map.rotation, 2 * kPi), 0.0, 1e-12);
  EXPECT_NEAR(map.frame[3], 6200000.0, 1e-6);  // top X
  EXPECT_NEAR(map.frame[1], 7500000.0, 1e-6);  // left Y
  EXPECT_NEAR(map.frame[0], 6200000.0 - 150.0, 1e-6);
  EXPECT_NEAR(map.frame[4], 7500000.0 + 200.0, 1e-6);
  EXPECT_EQ(map.points.Count(), 2);
  EXPECT_FALSE(map.useTin);  // two points make no triangle
  // A quarter turn: the pixel row axis along the plane's east.
  ASSERT_EQ(OpenWith(".@@@", Header() + "0 0 6200000 7500000\n0 1000 6200000 7500500\n"), 0);
  EXPECT_NEAR(std::remainder(map.rotation, 2 * kPi), -kPi / 2, 1e-9);
}

TEST_F(CalibrationTest, PlaneFormWinsOverDegreesAndTheMapFormComesLast) {
  WriteText("\\c.lnk", "2 1 1 1\n0 0 56 38\n400 300 55.9 38.2");
  WriteText("\\c.map", "");
  ASSERT_EQ(OpenWith(".@@@", Header() + "0 0 6200000 7500000\n400 300 6199850 7500200"), 0);
  EXPECT_NEAR(map.frame[3], 6200000.0, 1e-6);
  // Without ".@@@" the degrees are used: zone 7 from 38 deg east.
  std::remove(Host("\\c.@@@").c_str());
  ASSERT_EQ(OpenWith("", ""), 0);
  ASSERT_EQ(map.open, 1);
  EXPECT_EQ(GkZoneOfEasting(map.frame[1]), 7);
  EXPECT_NEAR(map.frame[3], 6207000, 10000);
}

TEST_F(CalibrationTest, DegreeLinesTakeFourFieldsTabsATrailingBlankOrAFifthField) {
  ASSERT_EQ(OpenWith(".lnk", "9 1 1 1\n"
                             "0\t0  56.0 38.0 \n"        // trailing blank: taken
                             "400 0 56.0 38.01 extra\n"  // five fields: taken, fifth ignored
                             "1 2 3\n"                   // three: skipped
                             "1 2 3 4 5 6\n"             // six: skipped
                             "400 300 55.997 38.01"),
            0);
  ASSERT_EQ(map.points.Count(), 3);
  EXPECT_EQ(map.points.At(1)->px, 400);
  EXPECT_EQ(map.points.At(2)->py, 300);
}

TEST_F(CalibrationTest, MapFormReadsDegreesMinutesHemispheresAndTheWgs84Datum) {
  auto mapFile = [](const std::string& datum, const std::string& points) {
    return "OziExplorer Map Data File Version 2.2\nc\nc.jpg\n1 ,Map Code,\n" + datum + ",WGS 84,0.0,0.0,WGS 84\n" +
           "Reserved 1\n" + points;
  };
  const std::string points =
      "Point01,xy,    0,    0,in, deg,  56, 0.0,N,  38, 0.0,E, grid,,,,N\n"
      "Point02,xy,  400,  300,in, deg,  55, 59.4,N,  38, 1.2,E, grid,,,,N\n"
      "Point03,xy,  400,  300,in, deg,  55, 59.4,N,  38, 1.2,E\n";  // exactly 11 commas: taken
  ASSERT_EQ(OpenWith(".map", mapFile("WGS 84", points)), 0);
  ASSERT_GE(map.points.Count(), 2);
  double x = 0, y = 0;
  ASSERT_TRUE(GeoToGk(56.0 * kPi / 180, 38.0 * kPi / 180, x, y, 39));
  EXPECT_NEAR(map.points.At(0)->x, x, 1e-6);
  EXPECT_NEAR(map.points.At(0)->y, y, 1e-6);
  ASSERT_TRUE(GeoToGk((55 + 59.4 / 60) * kPi / 180, (38 + 1.2 / 60) * kPi / 180, x, y, 39));
  EXPECT_NEAR(map.points.At(1)->x, x, 1e-6);
  // Another datum: no shift.
  ASSERT_EQ(OpenWith(".map", mapFile("Pulkovo 1942", points)), 0);
  ASSERT_TRUE(GeoToGkSameDatum(56.0 * kPi / 180, 38.0 * kPi / 180, x, y, 39));
  EXPECT_NEAR(map.points.At(0)->x, x, 1e-6);
  // Ten commas: skipped. South and west.
  ASSERT_EQ(OpenWith(".map", mapFile("WGS 84",
                                     "Point01,xy,0,0,in,deg,56,0.0,N,38,0.0\n"
                                     "Point01,xy,0,0,in,deg,30,0.0,S,70,0.0,W,\n"
                                     "Point02,xy,400,300,in,deg,30,6.0,S,69,54.0,W,\n")),
            0);
  ASSERT_EQ(map.points.Count(), 2);
  ASSERT_TRUE(GeoToGk(-30.0 * kPi / 180, (360 - 70.0) * kPi / 180, x, y, 291));
  EXPECT_NEAR(map.points.At(0)->x, x, 1e-6);
  EXPECT_NEAR(map.points.At(0)->y, y, 1e-6);
  EXPECT_EQ(GkZoneOfEasting(map.points.At(0)->y), 49);
}

// A "Point" line with a blank pixel or degree field is no point; blank minutes are 0.
TEST_F(CalibrationTest, MapFormPointLinesWithBlankFieldsAreNoPoints) {
  const std::string head = "Map Data File\nc\nc.jpg\n1 ,Map Code,\nPulkovo 1942,WGS 84,0.0,0.0,WGS 84\nReserved 1\n";
  ASSERT_EQ(OpenWith(".map", head +
                                 "Point01,xy,    0,    0,in, deg,  56,    ,N,  38,    ,E, grid,,,,N\n"
                                 "Point02,xy,     ,  300,in, deg,  55, 59.4,N,  38, 1.2,E, grid,,,,N\n"
                                 "Point03,xy,  400,  300,in, deg,    , 59.4,N,  38, 1.2,E, grid,,,,N\n"
                                 "Point04,xy,  400,  300,in, deg,  55, 59.4,N,    , 1.2,E, grid,,,,N\n"
                                 "Point05,xy,  400,  300,in, deg,  55, 59.4,N,  38, 1.2,E, grid,,,,N\n"
                                 "Point06,xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, grid,   ,   ,   ,N\n"),
            0);
  ASSERT_EQ(map.points.Count(), 2);
  double x = 0, y = 0;
  ASSERT_TRUE(GeoToGkSameDatum(56.0 * kPi / 180, 38.0 * kPi / 180, x, y, 39));
  EXPECT_NEAR(map.points.At(0)->x, x, 1e-6);
  EXPECT_NEAR(map.points.At(0)->y, y, 1e-6);
  EXPECT_EQ(map.points.At(1)->px, 400);
  EXPECT_EQ(GkZoneOfEasting(map.frame[1]), 7);
  // As a device in a comma-decimal locale writes it (CR LF, trailing blanks, blank minutes): the
  // minutes' commas shift every later field, so a longitude reads "N" and the letters read as
  // numbers. Such lines are no points; the picture stays closed instead of opening at 0.6 E.
  harness::ClearMessageBoxes();
  ASSERT_EQ(OpenWith(".map", head +
                                 "Point01,xy,    0,    0,in, deg,  56, 0,0,N,  38, 0,0,E, grid,,,,N  \r\n"
                                 "Point02,xy,  400,  300,in, deg,  55, 59,4,N,  38, 1,2,E, grid,,,,N  \r\n"),
            0);
  EXPECT_EQ(map.open, 0);
  EXPECT_EQ(map.ReadCalibration("\\c.jpg", kNoFallback), TPictureMap::kTooFewPoints);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  // The same two points with dots, CR LF and trailing blanks open on their ground.
  ASSERT_EQ(OpenWith(".map", head +
                                 "Point01,xy,    0,    0,in, deg,  56,    ,N,  38, 0.0,E, grid,,,,N  \r\n"
                                 "Point02,xy,  400,  300,in, deg,  55, 59.4,N,  38, 1.2,E, grid,,,,N  \r\n"),
            0);
  ASSERT_EQ(map.open, 1);
  ASSERT_EQ(map.points.Count(), 2);
  EXPECT_NEAR(map.points.At(0)->x, x, 1e-6);
  EXPECT_NEAR(map.points.At(0)->y, y, 1e-6);
}

TEST_F(CalibrationTest, OnlyFiftyPointsAreRead) {
  std::string text = Header();
  for (int i = 0; i < 51; ++i)
    text += std::to_string(i * 7) + " " + std::to_string((i * 13) % 300) + " " + std::to_string(6200000 - (i * 13) % 300) +
            " " + std::to_string(7500000 + i * 7) + "\n";
  ASSERT_EQ(OpenWith(".@@@", text), 0);
  EXPECT_EQ(map.points.Count(), 50);
  EXPECT_TRUE(map.useTin);
  EXPECT_FLOAT_EQ(map.pixelSize, 1.0f);
}

// A calibration that gives no transform leaves the picture closed, with no zone, its frame as it
// was, and one message naming the picture and the reason.
TEST_F(CalibrationTest, CalibrationsWithoutATransformDoNotOpenAndSayWhy) {
  struct Case {
    const char* what;
    std::string text;
    int code;
    const wchar_t* reason;  // a word of the message
  };
  const std::string longLine = "1 1 " + std::string(290, '1') + " 7500000";
  const Case cases[] = {
      {"headers only", Header(), TPictureMap::kTooFewPoints, L"двух"},
      {"three values", Header() + "1 2 3\n", TPictureMap::kTooFewPoints, L"двух"},
      {"one point", Header() + "0 0 6200000 7500000\n", TPictureMap::kTooFewPoints, L"двух"},
      {"nan", Header() + "0 0 nan 7500000\n10 10 6200000 7500010\n", TPictureMap::kTooFewPoints, L"двух"},
      {"1e999", Header() + "0 0 1e999 7500000\n10 10 6200000 7500010\n", TPictureMap::kTooFewPoints, L"двух"},
      {"300-byte line", Header() + longLine + "\n10 10 6200000 7500010\n", TPictureMap::kTooFewPoints, L"двух"},
      {"commas", Header() + "0,0,6200000,7500000\n400,300,6199850,7500200\n", TPictureMap::kTooFewPoints, L"двух"},
      {"one pixel", Header() + "5 5 6200000 7500000\n5 5 6200100 7500000\n", TPictureMap::kNoPixelSize, L"размер"},
      {"one plane point", Header() + "0 0 6200000 7500000\n400 300 6200000 7500000\n", TPictureMap::kNoPixelSize,
       L"размер"},
      {"map point typed twice", Header() + "0 0 6200000 7500000\n400 0 6200000 7500200\n0 300 6200000 7500200\n",
       TPictureMap::kFlatPoints, L"прямой"},
      {"map points in one line", Header() + "0 0 6200000 7500000\n400 0 6200000 7500200\n0 300 6200000 7500100\n",
       TPictureMap::kFlatPoints, L"прямой"},
      // The third point 2 cm off the line of the other two: a sliver on the map, not in pixels.
      {"map points 2 cm off one line",
       Header() + "0 0 6200000 7500000\n400 0 6200000 7500200\n0 300 6200000.02 7500100\n", TPictureMap::kFlatPoints,
       L"прямой"},
      {"one pixel at two places",
       Header() + "0 0 6200000 7500000\n400 0 6200000 7500200\n0 300 6199850 7500000\n400 300 6199850 7500200\n"
                  "400 300 6199350 7500200\n",
       TPictureMap::kFlatPoints, L"прямой"},
  };
  for (const Case& c : cases) {
    map.Close();
    map.frame[0] = 1, map.frame[1] = 2, map.frame[3] = 1001, map.frame[4] = 1002;
    map.pixelSize = 0;
    harness::ClearMessageBoxes();
    ASSERT_EQ(OpenWith(".@@@", c.text), 0) << c.what;
    EXPECT_EQ(map.open, 0) << c.what;
    EXPECT_EQ(map.ownZone, 255) << c.what;
    EXPECT_EQ(map.pixelSize, 0.0f) << c.what;
    EXPECT_EQ(map.frame[3], 1001) << c.what;
    EXPECT_EQ(map.frame[0], 1) << c.what;
    ASSERT_EQ(harness::MessageBoxes().size(), 1u) << c.what;
    const std::wstring& text = harness::MessageBoxes()[0].text;
    EXPECT_NE(text.find(L"\\c.jpg"), std::wstring::npos) << c.what;
    EXPECT_NE(text.find(c.reason), std::wstring::npos) << c.what;
    EXPECT_EQ(map.ReadCalibration("\\c.jpg", kNoFallback), c.code) << c.what;
    EXPECT_EQ(map.Activate(), 2) << c.what;
  }
  // Collinear pixels with a plane line of their own: the rotation, no rubber sheet.
  ASSERT_EQ(OpenWith(".@@@", Header() + "0 0 6200000 7500000\n100 0 6200000 7500100\n200 0 6200000 7500200\n"), 0);
  EXPECT_EQ(map.open, 1);
  EXPECT_FALSE(map.useTin);
  EXPECT_FLOAT_EQ(map.pixelSize, 1.0f);
  // A ".map" without its datum line (file of three lines) holds no points.
  std::remove(Host("\\c.@@@").c_str());
  ASSERT_EQ(OpenWith(".map", "a\nb\nc"), 0);
  EXPECT_EQ(map.open, 0);
  EXPECT_EQ(map.points.Count(), 0);
}

// The calibration tool reads the file again after writing it: one that gives no transform leaves
// the picture on the calibration it had.
TEST_F(CalibrationTest, ARefusedCalibrationLeavesTheOneInUse) {
  ASSERT_EQ(OpenWith(".@@@", Header() + "0 0 6200000 7500000\n400 300 6199850 7500200\n"), 0);
  ASSERT_EQ(map.open, 1);
  const double top = map.frame[3];
  WriteText("\\c.@@@", Header() + "0 0 6200000 7500000\n");
  EXPECT_EQ(map.ReadCalibration("\\c.jpg", map.frame), TPictureMap::kTooFewPoints);
  EXPECT_EQ(map.points.Count(), 2);
  EXPECT_EQ(map.frame[3], top);
  EXPECT_EQ(map.ownZone, 7);
}

TEST_F(CalibrationTest, WrittenPlaneFileHasNineZeroHeadersAndNoFinalLineBreak) {
  TPointList points;
  points.Append(TListPoint{6200000.25, 7500000.5, 0, 0, 0});
  points.Append(TListPoint{6199850, 7500200, 0, 400, 300});
  ASSERT_EQ(WriteCalibrationFile("\\w.@@@", points), 0);
  EXPECT_EQ(ReadText("\\w.@@@"),
            "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0\n0 0 6200000.250000 7500000.500000\n400 300 6199850.000000 "
            "7500200.000000");
}

TEST_F(CalibrationTest, DegreesRoundTripWithinTwentyCentimetres) {
  TPointList points;
  points.Append(TListPoint{6207000.0, 7499000.0, 0, 0, 0});
  points.Append(TListPoint{6206850.0, 7499400.0, 0, 400, 300});
  points.Append(TListPoint{6206900.0, 7499100.0, 0, 100, 200});
  ASSERT_EQ(WriteCalibrationFile("\\c.lnk", points), 0);
  EXPECT_EQ(ReadText("\\c.lnk").substr(0, 8), "3 1 1 1\n");
  ASSERT_EQ(OpenWith("", ""), 0);
  ASSERT_EQ(map.points.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(map.points.At(i)->x, points.At(i)->x, 0.2) << i;
    EXPECT_NEAR(map.points.At(i)->y, points.At(i)->y, 0.2) << i;
    EXPECT_EQ(map.points.At(i)->px, points.At(i)->px);
  }
}

TEST_F(CalibrationTest, FailedWriteAnswersTwoAndTheOldFileSurvives) {
  WriteText("\\k.@@@", "old");
  // The temporary file's name is taken by a folder: nothing can be written.
  std::filesystem::create_directories(Host("\\k.@@@.tmp"));
  TPointList points;
  points.Append(TListPoint{1, 2, 0, 3, 4});
  EXPECT_EQ(WriteCalibrationFile("\\k.@@@", points), 2);
  EXPECT_EQ(ReadText("\\k.@@@"), "old");
  EXPECT_EQ(WriteCalibrationFile("\\nofolder\\k.@@@", points), 2);
}

TEST_F(CalibrationTest, UsablePointsNeedTwoSetPixelsNoZeroPlanePointAndATransform) {
  TPointList points;
  points.Append(TListPoint{1, 2, 0, 3, 4});
  EXPECT_EQ(TPictureMap::CheckCalibrationPoints(points), 0);
  points.Append(TListPoint{5, 6, 0, 7, 8});
  EXPECT_EQ(TPictureMap::CheckCalibrationPoints(points), 1);
  points.Append(TListPoint{0, 0, 0, 7, 8});
  EXPECT_EQ(TPictureMap::CheckCalibrationPoints(points), 0);
  TPointList unset;
  unset.Append(TListPoint{1, 2, 0, 3, 4});
  unset.Append(TListPoint{1, 2, 0, TListPoint::kPixelUnset, 4});
  EXPECT_EQ(TPictureMap::CheckCalibrationPoints(unset), 0);
  // Points the calibration could not open with are not worth writing.
  TPointList typo;
  typo.Append(TListPoint{6200000, 7500000, 0, 0, 0});
  typo.Append(TListPoint{6200000, 7500200, 0, 400, 0});
  EXPECT_EQ(TPictureMap::CheckCalibrationPoints(typo), 1);
  typo.Append(TListPoint{6200000, 7500200, 0, 0, 300});
  EXPECT_EQ(TPictureMap::CheckCalibrationPoints(typo), 0);
}

}  // namespace
}  // namespace rastertest
