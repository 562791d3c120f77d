// The project file: reading map lines, relative and dotted paths, kinds by extension, scale
// pairs, the working map, zone of the corners, and the save/read round trip.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <fstream>
#include <sstream>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "geodesy/gauss_kruger.h"
#include "maps/user_layer.h"
#include "view/project_file.h"
#include "view_test_util.h"

using namespace viewtest;

namespace {

class ProjectTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    WriteMap("\\Maps\\roads.mdm", MapAt(6180000, 7400000));
    WriteMap("\\Maps\\rivers.mdm", MapAt(6190000, 7410000));
    WriteMap("\\Maps\\work.mdm", MapAt(6200000, 7420000));
  }
  static constexpr const char* kCorners = "6180000.000000\t7400000.000000\n6181000.000000\t7401000.000000";
};

}  // namespace

TEST(ScalePairs, PairsNeedColonAndSemicolon) {
  TScalePair p[3];
  EXPECT_EQ(ParseScalePairs("5000:2000;20000:10000;", p), 2);
  EXPECT_EQ(p[1].threshold, 20000);
  EXPECT_EQ(p[1].scale, 10000);
  EXPECT_EQ(ParseScalePairs("5000:2000;20000:10000", p), 1);  // unterminated
  EXPECT_EQ(ParseScalePairs(":5;5;7:8;", p), 1);
  EXPECT_EQ(p[0].threshold, 7);
  EXPECT_EQ(ParseScalePairs("1:1;2:2;3:3;4:4;", p), 3);
  EXPECT_EQ(ParseScaleField("abc"), 0);
  EXPECT_EQ(ParseScaleField("99999999999"), INT32_MAX);
}

TEST_F(ProjectTest, RelativeNamesKindsAndSkippedLines) {
  MakeFolder("\\My.Maps");
  WriteMap("\\My.Maps\\roads.mdm", MapAt(6180000, 7400000));
  std::string text = std::string(kCorners) +
                     "\n0\t0\troads"                      // no dot: .mdm, in the dotted folder
                     "\n0\t0\tpicture.bmp"                // unknown kind
                     "\n5\tonly one tab"                  // one TAB
                     "\n" + std::string(1200, 'x') + "\t1\tlong.mdm"  // over-long: skipped whole
                     "\n7\t8\t" + std::string(300, 'n') + ".mdm\r\n";  // path over 255
  WriteText("\\My.Maps\\p.mpj", text);
  EXPECT_EQ(view->OpenProject("\\My.Maps\\p.mpj", nullptr, 0), 0);
  ASSERT_EQ(view->GetVectorMapCount(), 1);
  EXPECT_STREQ(view->GetVectorMap(0)->path, "\\My.Maps\\roads.mdm");
  EXPECT_STREQ(view->projectFolder, "\\My.Maps\\");
  EXPECT_EQ(view->extent[0], 6180000.0);
  EXPECT_EQ(view->extent[4], 7401000.0);
  EXPECT_EQ(view->viewInitialised, 0);
}

TEST_F(ProjectTest, RangesPairsAndCrlf) {
  WriteText("\\Maps\\p.mpj", std::string(kCorners) +
                                 "\r\n100\t50000\troads.mdm\t5000:2000;20000:10000;\r\n"
                                 "x\ty\t\\Maps\\rivers.MDM\t5000:2000;20000:10000\r\n"
                                 "0\t0\troads.mdm\r\n");  // duplicate: skipped
  ASSERT_EQ(view->OpenProject("\\Maps\\p.mpj", nullptr, 0), 0);
  ASSERT_EQ(view->GetVectorMapCount(), 2);
  EXPECT_EQ(view->vectorMaps[0].minScale, 100);
  EXPECT_EQ(view->vectorMaps[0].maxScale, 50000);
  EXPECT_EQ(view->GetVectorMap(0)->scalePairCount, 2);
  EXPECT_EQ(view->vectorMaps[1].minScale, 0);  // non-numeric: no limit
  EXPECT_EQ(view->GetVectorMap(1)->scalePairCount, 1);
}

TEST_F(ProjectTest, ShortOrMissingFiles) {
  // A file that is no project (empty, corners that do not read, text but no map line) is
  // refused before anything is closed.
  harness::AnswerMessageBox(L"", IDOK);
  WriteText("\\Maps\\empty.mpj", "");
  WriteText("\\Maps\\short.mpj", "6180000.0\t7400000.0\n6181000.0\n0\t0\troads");
  WriteText("\\Maps\\nan.mpj", "nan\t7400000.0\n6181000.0\t1\n0\t0\troads");
  WriteText("\\Maps\\note.mpj", "1 2 3 4 ceilings\nand walls\n");
  view->AddVectorMap("\\Maps\\roads.mdm", 0);
  for (const char* name : {"empty", "short", "nan", "note"}) {
    const std::string path = std::string("\\Maps\\") + name + ".mpj";
    EXPECT_EQ(view->OpenProject(path.c_str(), nullptr, 0), TMapView::kProjectNotAProject) << name;
    EXPECT_EQ(view->GetVectorMapCount(), 1) << name;
  }
  EXPECT_EQ(harness::MessageBoxes().size(), 4u);
  // Only the corners (and blank lines): the empty project the program writes itself.
  WriteText("\\Maps\\corners.mpj", std::string(kCorners) + "\n\n");
  EXPECT_EQ(view->OpenProject("\\Maps\\corners.mpj", nullptr, 0), 0);
  EXPECT_EQ(view->GetVectorMapCount(), 0);
  view->AddVectorMap("\\Maps\\roads.mdm", 0);
  EXPECT_EQ(view->OpenProject("\\Maps\\none.mpj", nullptr, 0), 7);
  EXPECT_EQ(view->GetVectorMapCount(), 0);  // emptied
  EXPECT_EQ(view->SaveProject("\\NoFolder\\x.mpj"), 9);
}

// A file far larger than any project, begun as one (a project's head before a big picture's
// bytes), in a child given less address space than the file holds: refused by name before it
// is read, the maps open left as they were, and the child lives to say so.
TEST_F(ProjectTest, AFileLargerThanTheMemoryIsRefusedBeforeItIsRead) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit gives";
#endif
  // The address space in use now, from the kernel's own count.
  long inUseKb = 0;
  {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmSize:", 0) == 0) std::istringstream(line.substr(7)) >> inUseKb;
  }
  ASSERT_GT(inUseKb, 0);
  const rlim_t limit = rlim_t(inUseKb) * 1024 + (256u << 20);
  const off_t size = off_t(limit) + (512 << 20);
  {
    std::ofstream out(Host("\\Maps\\big.mpj"), std::ios::binary);
    out << kCorners << "\n0\t0\troads\n";
  }
  ASSERT_EQ(truncate(Host("\\Maps\\big.mpj").c_str(), size), 0);  // sparse: no card space used
  view->AddVectorMap("\\Maps\\rivers.mdm", 0);
  harness::AnswerMessageBox(L"", IDOK);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit as{limit, limit};
    if (setrlimit(RLIMIT_AS, &as) != 0) _exit(3);
    const int rc = view->OpenProject("\\Maps\\big.mpj", nullptr, 0);
    const bool said = harness::MessageBoxes().size() == 1;
    _exit(rc == TMapView::kProjectNotAProject && said && view->GetVectorMapCount() == 1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  unlink(Host("\\Maps\\big.mpj").c_str());
}

TEST_F(ProjectTest, RoundTripKeepsOrderRangesAndCorners) {
  SetRasterMapFactory(MakeFakeRaster);
  view->AddRasterMap("\\Maps\\r1.jpg", 0);
  view->rasterMaps[0]->minScale = 10;
  view->rasterMaps[0]->maxScale = 20;
  view->AddVectorMap("\\Maps\\rivers.mdm", 0);
  view->AddVectorMap("\\Maps\\roads.mdm", 0);
  view->vectorMaps[1].minScale = 1000;
  view->vectorMaps[1].maxScale = 0;
  TScalePair pair{1, 2};
  view->GetVectorMap(1)->SetScalePairs(&pair, 1);
  view->pixelsPerMetre = 0.37;
  view->originX = 6180123.4567891;
  view->originY = 7400321.25;
  // The numbers are written and read in the C locale whatever the process locale.
  const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  ASSERT_EQ(view->SaveProject("\\Maps\\round.mpj"), 0);
  std::string text = ReadText("\\Maps\\round.mpj");
  EXPECT_EQ(text.substr(0, 15), "6180123.456789\t");
  EXPECT_NE(text.back(), '\n');  // no final line break
  EXPECT_EQ(text.find('W'), std::string::npos);
  EXPECT_NE(text.find("\n10\t20\t\\Maps\\r1.jpg\n0\t0\t\\Maps\\rivers.mdm\n1000\t0\t\\Maps\\roads.mdm\t1:2;"),
            std::string::npos);

  TMapView other;
  other.libraries.SetFolder("\\Obj\\", &other.palette);
  ASSERT_EQ(other.OpenProject("\\Maps\\round.mpj", nullptr, 0), 0);
  if (old) std::setlocale(LC_NUMERIC, "C");
  ASSERT_EQ(other.GetRasterMapCount(), 1);
  EXPECT_EQ(other.rasterMaps[0]->maxScale, 20);
  ASSERT_EQ(other.GetVectorMapCount(), 2);
  EXPECT_STREQ(other.GetVectorMap(1)->path, "\\Maps\\roads.mdm");
  EXPECT_EQ(other.vectorMaps[1].minScale, 1000);
  // The scale pairs come back: the symbols keep their size from one start to the next.
  ASSERT_EQ(other.GetVectorMap(1)->scalePairCount, 1);
  EXPECT_EQ(other.GetVectorMap(1)->scalePairs[0].threshold, 1);
  EXPECT_EQ(other.GetVectorMap(1)->scalePairs[0].scale, 2);
  EXPECT_EQ(other.GetVectorMap(0)->scalePairCount, 0);
  double x1, y1;
  view->ScreenToPlane(0, 294, &x1, &y1, 1);
  EXPECT_NEAR(other.extent[0], x1, 1e-6);
  EXPECT_NEAR(other.extent[1], y1, 1e-6);
}

TEST_F(ProjectTest, OneRasterProjectKeepsItsCorners) {
  SetRasterMapFactory(MakeFakeRaster);
  WriteText("\\Maps\\r.mpj", std::string(kCorners) + "\n0\t0\tr1.JPG");
  ASSERT_EQ(view->OpenProject("\\Maps\\r.mpj", nullptr, 0), 0);
  ASSERT_EQ(view->GetRasterMapCount(), 1);
  EXPECT_EQ(view->extent[3], 6181000.0);  // not the picture's frame
  EXPECT_EQ(view->zone, 7);
}

TEST_F(ProjectTest, WorkingMapLineAttachesTheLayer) {
  TUserLayer layer;
  WriteText("\\Maps\\w.mpj", std::string(kCorners) + "\nW\n0\t0\troads\n0\t0\twork");
  ASSERT_EQ(view->OpenProject("\\Maps\\w.mpj", &layer, 0), 0);
  EXPECT_EQ(layer.open, 1u);
  EXPECT_EQ(layer.map, view->GetVectorMap(1));
  EXPECT_EQ(view->IsWorkingMap(1), 1);
  // Written back with "W" while its load-all flag is clear, without it once set.
  ASSERT_EQ(view->SaveProject("\\Maps\\w2.mpj"), 0);
  EXPECT_NE(ReadText("\\Maps\\w2.mpj").find("\nW\n"), std::string::npos);
  view->GetVectorMap(1)->loadAll = 1;
  ASSERT_EQ(view->SaveProject("\\Maps\\w3.mpj"), 0);
  EXPECT_EQ(ReadText("\\Maps\\w3.mpj").find("\nW"), std::string::npos);
  view->GetVectorMap(1)->loadAll = 0;

  // Reading another project closes the layer first; a failed last line leaves it closed.
  WriteText("\\Maps\\w4.mpj", std::string(kCorners) + "\nW\n0\t0\twork\n0\t0\tgone");
  ASSERT_EQ(view->OpenProject("\\Maps\\w4.mpj", &layer, 0), 0);
  EXPECT_EQ(layer.open, 0u);
  EXPECT_EQ(view->GetVectorMapCount(), 1);
  view.reset();  // the view goes while the layer lives: clean under the sanitizer
}

TEST_F(ProjectTest, CornersMoveIntoTheMapsZone) {
  // Corners in zone 8, the map in zone 7.
  WriteText("\\Maps\\z.mpj", "6180000.0\t8400000.0\n6181000.0\t8401000.0\n0\t0\troads");
  ASSERT_EQ(view->OpenProject("\\Maps\\z.mpj", nullptr, 0), 0);
  EXPECT_EQ(view->zone, 7);
  EXPECT_EQ(GkZoneOfEasting(view->extent[1]), 7);
  EXPECT_EQ(GkZoneOfEasting(view->extent[4]), 7);
}

// A zone-8 map just west of 42 E, in the overlap where the longitude names zone 7: the corners
// saved with it are in zone 8 and come back where they were, by their eastings' zone.
TEST_F(ProjectTest, CornersSavedInTheOverlapComeBackInTheirZone) {
  double x = 0, y = 0;
  ASSERT_TRUE(GeoToGkSameDatum(55.7 * 3.14159265358979323846 / 180, 41.95 * 3.14159265358979323846 / 180, x, y, 45));
  ASSERT_EQ(GkZoneOfEasting(y), 8);
  ASSERT_EQ(GkZoneOfPoint(x, y), 7);
  WriteMap("\\Maps\\edge.mdm", MapAt(x - 5000, y - 5000));
  ASSERT_EQ(view->AddVectorMap("\\Maps\\edge.mdm", 1), 0);
  ASSERT_EQ(view->zone, 8);
  view->pixelsPerMetre = 0.5;
  view->originX = x - 100;
  view->originY = y - 120;
  ASSERT_EQ(view->SaveProject("\\Maps\\edge.mpj"), 0);

  TMapView other;
  other.libraries.SetFolder("\\Obj\\", &other.palette);
  ASSERT_EQ(other.OpenProject("\\Maps\\edge.mpj", nullptr, 0), 0);
  EXPECT_EQ(other.zone, 8);
  // Read back in single precision: half a metre at these eastings.
  EXPECT_NEAR(other.extent[0], x - 100, 1.0);
  EXPECT_NEAR(other.extent[1], y - 120, 1.0);
  EXPECT_NEAR(other.extent[3], x - 100 + 294 / 0.5, 1.0);
  EXPECT_NEAR(other.extent[4], y - 120 + 240 / 0.5, 1.0);
}

TEST_F(ProjectTest, OpenFileByExtension) {
  WriteText("\\Maps\\p.MPJ", std::string(kCorners) + "\n0\t0\troads");
  EXPECT_EQ(view->OpenFile("\\Maps\\p.MPJ", nullptr, 0), 0);
  EXPECT_EQ(view->GetVectorMapCount(), 1);
  EXPECT_EQ(view->OpenFile("\\Maps\\notes.txt", nullptr, 0), 0);
  EXPECT_EQ(view->GetVectorMapCount(), 1);
  EXPECT_EQ(view->OpenFile("\\Maps\\rivers.mdm", nullptr, 1), 0);
  EXPECT_EQ(view->OpenFile("\\Maps\\rivers.mdm", nullptr, 1), 1);  // duplicate
  EXPECT_EQ(view->OpenFile("\\Maps\\none.mpj", nullptr, 0), 7);
}

// A save by an older writer cut between its two renames left a map under another name. A whole
// temporary wins; one cut short gives way to the old file; with only backups left the user is
// told where the newest lies, and the line stays in the project.
TEST_F(ProjectTest, AMapMissingUnderItsNameIsTakenUpOrItsCopyNamed) {
  int count = 0;
  const TLangKey* keys = GetLangKeys(&count);
  for (int i = 0; i < count; ++i) g_Lang.Add(keys[i].id, keys[i].key, keys[i].text);
  const std::string roads = ReadText("\\Maps\\roads.mdm");
  ASSERT_FALSE(roads.empty());
  WriteText("\\Maps\\p.mpj", std::string(kCorners) + "\n0\t9\troads.mdm");
  ASSERT_TRUE(DeleteFileW(L"\\Maps\\roads.mdm"));
  WriteText("\\Maps\\roads.mdm.tmp", roads.substr(0, roads.size() - 3));  // cut short
  WriteText("\\Maps\\roads.mdm.old", roads);
  ASSERT_EQ(view->OpenProject("\\Maps\\p.mpj", nullptr, 0), 0);
  EXPECT_EQ(view->GetVectorMapCount(), 1);
  EXPECT_EQ(ReadText("\\Maps\\roads.mdm"), roads);
  EXPECT_TRUE(harness::MessageBoxes().empty());

  ASSERT_TRUE(DeleteFileW(L"\\Maps\\roads.mdm"));
  WriteText("\\Maps\\roads_bak2.mdm", roads);
  WriteText("\\Maps\\roads_bak3.mdm", roads);
  ASSERT_EQ(view->OpenProject("\\Maps\\p.mpj", nullptr, 0), 0);
  EXPECT_EQ(view->GetVectorMapCount(), 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[0].text,
            FormatLangText(lang_id::kMsgMapCopyFoundSS, L"\\Maps\\roads.mdm", L"\\Maps\\roads_bak3.mdm"));
  EXPECT_EQ(harness::MessageBoxes()[1].text, FormatLangText(lang_id::kMsgPrjMapsNotOpenedS, L"\n\\Maps\\roads.mdm"));
  ASSERT_EQ(view->SaveProject("\\Maps\\q.mpj"), 0);
  EXPECT_NE(ReadText("\\Maps\\q.mpj").find("\n0\t9\t\\Maps\\roads.mdm"), std::string::npos);
}
