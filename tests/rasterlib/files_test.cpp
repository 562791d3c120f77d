// The ".poi" and ".ides" files, companion paths, and Link through the library loaded by name.
#include <gtest/gtest.h>

#include <string>

#include "rasterlib/raster_files.h"
#include "rasterlib/tilvex.h"
#include "tests/platform_sys/sys_test_root.h"

using namespace tilvex;

namespace {

// The library as the program binds it; unloaded when the test ends.
struct Library {
  HMODULE h = LoadLibraryW(L"Tilvex");
  ~Library() {
    if (h) FreeLibrary(h);
  }
  TTilvexLink Link() const { return reinterpret_cast<TTilvexLink>(GetProcAddressW(h, L"Link")); }
  TTilvexShow Show() const { return reinterpret_cast<TTilvexShow>(GetProcAddressW(h, L"Show")); }
};

}  // namespace

TEST(RasterFiles, CompanionPathsReplaceTheLastExtension) {
  EXPECT_EQ(CompanionPath(std::string("\\Maps\\a.bmp"), ".ides"), "\\Maps\\a.ides");
  EXPECT_EQ(CompanionPath(std::string("\\Maps\\a.jpeg"), ".poi"), "\\Maps\\a.poi");
  EXPECT_EQ(CompanionPath(std::string("\\Maps\\x.bmp.txt"), ".ides"), "\\Maps\\x.bmp.ides");
  EXPECT_EQ(CompanionPath(std::string("\\Maps.d\\plan"), ".ides"), "\\Maps.d\\plan.ides");
  EXPECT_EQ(CompanionPath(std::wstring(L"\\Карты\\план.JPG"), L".ides"), L"\\Карты\\план.ides");
}

TEST(RasterFiles, IdesReadsFivePointsKeepsTheRestAndWritesBackWhatItRead) {
  // No final line feed, CRLF lines, seven point lines, a point with texts.
  const std::string in =
      "55.75 37.61\r\n"
      "10:20:Well;\r\n"
      "30:40:Gate:north:old;\n"
      "4294967295:7:Far;\n"
      "abc:1:Odd;\n"
      "5:6:Fifth;\n"
      "7:8:Sixth;\n"
      "9:10:Seventh;";
  IdesFile f = ParseIdes(in);
  EXPECT_EQ(f.pair, "55.75 37.61");
  EXPECT_EQ(f.slots[0].name, "Well");
  EXPECT_EQ(f.slots[0].x, 10);
  EXPECT_EQ(f.slots[0].y, 20);
  EXPECT_FALSE(f.slots[0].hasTexts);
  EXPECT_TRUE(f.slots[1].hasTexts);
  EXPECT_EQ(f.slots[1].s1, "north");
  EXPECT_EQ(f.slots[1].s2, "old");
  EXPECT_TRUE(f.slots[2].set);  // X = -1 as once written: still a point
  EXPECT_EQ(f.slots[2].x, -1);
  EXPECT_EQ(f.slots[4].name, "Fifth");
  ASSERT_EQ(f.extra.size(), 2u);
  EXPECT_EQ(FormatIdes(f),
            "55.75 37.61\n10:20:Well;\n30:40:Gate:north:old;\n4294967295:7:Far;\nabc:1:Odd;\n"
            "5:6:Fifth;\n7:8:Sixth;\n9:10:Seventh;\n");
}

TEST(RasterFiles, IdesOddInputNeverLosesTheFile) {
  IdesFile empty = ParseIdes("");
  EXPECT_EQ(empty.pair, "0 0");
  for (int i = 0; i < kSlots; ++i) {
    EXPECT_FALSE(empty.slots[i].set);
    EXPECT_EQ(empty.slots[i].name, std::to_string(i));
  }
  IdesFile colon = ParseIdes("1 2\n:\n");
  EXPECT_TRUE(colon.slots[0].set);
  EXPECT_EQ(colon.slots[0].name, "");
  std::string longName(10000, 'n');
  IdesFile big = ParseIdes("1 2\n3:4:" + longName + ";\n");
  EXPECT_EQ(big.slots[0].name, longName);  // held whole, written back whole
  EXPECT_NE(FormatIdes(big).find(longName), std::string::npos);
  IdesFile nul = ParseIdes(std::string("1 2\n3:4:a\0b;\n", 14));
  EXPECT_EQ(nul.slots[0].name, "a");
  std::string binary;
  for (int i = 0; i < 256; ++i) binary.push_back(char(i));
  IdesFile bin = ParseIdes(binary);
  FormatIdes(bin);  // no crash, some text
}

TEST(RasterFiles, PoiLineTwoAndPointNumbering) {
  IdesFile pts = ParseIdes("0 0\n1:2:a;\n3:4:b;\n5:6:c;\n");
  pts.slots[1].Clear(1);  // deleted: the rest renumber from 1
  PoiFile real = ParsePoi("Town 10 20\n55.1 37.2\n");
  EXPECT_EQ(FormatPoi(real, pts), "Town 10 20\n55.1 37.2\n1 1 2\n2 5 6\n");
  PoiFile pointLine = ParsePoi("Town 10 20\n1 5 5\n");
  EXPECT_EQ(pointLine.pair, "0.0 0.0");
  EXPECT_EQ(FormatPoi(pointLine, pts), "Town 10 20\n1 1 2\n2 5 6\n");
  PoiFile missing = ParsePoi("");
  EXPECT_EQ(FormatPoi(missing, IdesFile{}), "NONAME 0 0\n");
  // Point lines are read as points (a pair line is none); other lines are skipped.
  PoiFile listed = ParsePoi("Town 10 20\n55.1 37.2\n1 4 -5\nnote\n2 7 8\n");
  ASSERT_EQ(listed.points.size(), 2u);
  EXPECT_EQ(listed.points[1], (std::pair<std::string, std::string>{"7", "8"}));
  const IdesFile fromPoi = IdesFromPoi(listed);
  EXPECT_EQ(FormatIdes(fromPoi), "0 0\n4:-5:0;\n7:8:1;\n");
  EXPECT_EQ(FormatPoi(listed, fromPoi), "Town 10 20\n55.1 37.2\n1 4 -5\n2 7 8\n");
  PoiFile oneLine = ParsePoi("Solo 1 1");
  EXPECT_EQ(oneLine.header, "Solo 1 1");
  EXPECT_FALSE(oneLine.realPair);
}

TEST(RasterFiles, DeletedSlotIsRenamedByItsIndexSoANewPointDoesNotInheritTheName) {
  IdesFile f = ParseIdes("0 0\n1:2:a;\n3:4:b;\n");
  f.slots[1].Clear(1);
  EXPECT_EQ(f.slots[1].name, "1");
  f.slots[1].Place(9, 9);
  EXPECT_EQ(FormatIdes(f), "0 0\n1:2:a;\n9:9:1;\n");
}

TEST(RasterLink, AttachesTextsToTheNamedSlotOnly) {
  TempDeviceRoot root;
  root.MakeDir("Maps");
  root.MakeFile("Maps/a.ides", "5 6\n1:2:Well;\n3:4:Gate:x:y;\n");
  Library lib;
  ASSERT_TRUE(lib.h);
  ASSERT_TRUE(lib.Link());
  EXPECT_EQ(lib.Link()("\\Maps\\a.bmp", "Well", "t1", "t2"), 1);
  EXPECT_EQ(root.Read("Maps/a.ides"), "5 6\n1:2:Well:t1:t2;\n3:4:Gate:x:y;\n");
  // No such point: 0, and the file is still rewritten with what it held.
  EXPECT_EQ(lib.Link()("\\Maps\\a.bmp", "None", "t1", "t2"), 0);
  EXPECT_EQ(root.Read("Maps/a.ides"), "5 6\n1:2:Well:t1:t2;\n3:4:Gate:x:y;\n");
  EXPECT_FALSE(root.Exists("Maps/a.ides.tmp"));
  EXPECT_FALSE(root.Exists("Maps/a.ides.old"));
}

TEST(RasterLink, RefusesWhatWouldBreakTheFormatOrHasNoFile) {
  TempDeviceRoot root;
  root.MakeFile("a.ides", "5 6\n1:2:Well;\n");
  Library lib;
  ASSERT_TRUE(lib.Link());
  EXPECT_EQ(lib.Link()("", "Well", "t1", "t2"), 0);
  EXPECT_EQ(lib.Link()("\\a.bmp", "Well", "t:1", "t2"), 0);
  EXPECT_EQ(lib.Link()("\\a.bmp", "Well", "t1", "t2;"), 0);
  EXPECT_EQ(lib.Link()("\\a.bmp", "Well", "t\n1", "t2"), 0);
  EXPECT_EQ(root.Read("a.ides"), "5 6\n1:2:Well;\n");
  EXPECT_EQ(lib.Link()("\\b.bmp", "Well", "t1", "t2"), 0);
  EXPECT_FALSE(root.Exists("b.ides"));
  EXPECT_EQ(lib.Link()(nullptr, "Well", "t1", "t2"), 0);
  EXPECT_EQ(lib.Link()(std::string(300, 'a').c_str(), "Well", "t1", "t2"), 0);
}

TEST(RasterShow, OverlongPathGivesZeroAndEmptyOutputs) {
  TempDeviceRoot root;
  Library lib;
  ASSERT_TRUE(lib.Show());
  char path[kTilvexBufferBytes] = "junk", name[kTilvexBufferBytes] = "junk";
  EXPECT_EQ(lib.Show()(0, std::string(300, 'a').c_str(), 0, 0, nullptr, nullptr, path, name), 0);
  EXPECT_STREQ(path, "");
  EXPECT_STREQ(name, "");
  // Null out buffers are skipped.
  EXPECT_EQ(lib.Show()(0, std::string(300, 'a').c_str(), 0, 0, nullptr, nullptr, nullptr, nullptr), 0);
}
