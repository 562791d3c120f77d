// The per-map work log on the device: insertions compared byte for byte, the temporary file of
// a failed run, long and odd lines, and the object tag.
#include "edit/work_log.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/edit/edit_fixture.h"

namespace {

const char* kLog = "\\Vorna\\Work.gtl";

class WorkLog : public edittest::EditTest {
 protected:
  static std::string Host(const std::string& device) {
    return harness::HostPath(std::wstring(device.begin(), device.end()));
  }
  static void Put(const std::string& device, const std::string& bytes) {
    std::ofstream(Host(device), std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& device) {
    std::ifstream in(Host(device), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool Exists(const std::string& device) { return std::filesystem::exists(Host(device)); }
  static int Tools(const std::string& text) { return work_log::AppendToSection(kLog, "TOOLS", text); }
};

TEST_F(WorkLog, NewLogHoldsTheHeaderAndTheEntry) {
  ASSERT_EQ(Tools("POINT_MED\tx"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\nPOINT_MED\tx\n");
  EXPECT_FALSE(Exists(std::string(kLog) + ".tmp"));
  EXPECT_EQ(work_log::LogPathOf("\\Maps\\a.b\\Work.mdm"), "\\Maps\\a.b\\Work.gtl");
  EXPECT_EQ(work_log::LogPathOf("\\Maps\\a.b\\Work"), "\\Maps\\a.b\\Work.gtl");
}

TEST_F(WorkLog, EntriesGoToTheEndOfTheirSection) {
  // Before the next section, after the blank line that ends this one.
  Put(kLog, "head line\n[TOOLS]\nA\n\n[WORKTIME]\nW\n");
  ASSERT_EQ(Tools("B"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "head line\n[TOOLS]\nA\n\nB\n[WORKTIME]\nW\n");
  // The section last in the file: at the end.
  ASSERT_EQ(work_log::AppendToSection(kLog, "WORKTIME", "X"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "head line\n[TOOLS]\nA\n\nB\n[WORKTIME]\nW\nX\n");
  // A section the log lacks: header and entry after everything.
  ASSERT_EQ(work_log::AppendToSection(kLog, "OTHER", "Y"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "head line\n[TOOLS]\nA\n\nB\n[WORKTIME]\nW\nX\n[OTHER]\nY\n");
}

TEST_F(WorkLog, OddContentKeepsEveryByte) {
  // No final line feed: one is added before the entry. A header without a line feed at the very
  // end is no header, so the section is added again.
  Put(kLog, "[TOOLS]\nA");
  ASSERT_EQ(Tools("B"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\nA\nB\n");
  Put(kLog, "x\n[TOOLS]");
  ASSERT_EQ(Tools("B"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "x\n[TOOLS]\n[TOOLS]\nB\n");
  // A long line with "[" at 255 is one line, not a section start; binary bytes pass through.
  const std::string longLine = std::string(255, 'a') + "[" + std::string(44, 'b') + "\n";
  const std::string binary("\x01\xff\x00\x80z\n", 6);
  Put(kLog, "[TOOLS]\n" + longLine + binary + "[NEXT]\n");
  ASSERT_EQ(Tools("C"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\n" + longLine + binary + "C\n[NEXT]\n");
  // Lines of CR LF keep their sections.
  Put(kLog, "[TOOLS]\r\nA\r\n[NEXT]\r\n");
  ASSERT_EQ(Tools("B"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\r\nA\r\nB\n[NEXT]\r\n");
  // An empty log.
  Put(kLog, "");
  ASSERT_EQ(Tools("E"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\nE\n");
}

TEST_F(WorkLog, TemporaryFilesOfEarlierRunsLoseNoLine) {
  // A stale temporary beside a newer log: the log is the source, the temporary goes.
  Put(kLog, "[TOOLS]\nnew\n");
  Put(std::string(kLog) + ".tmp", "[TOOLS]\nold\n");
  ASSERT_EQ(Tools("1"), work_log::kOk);
  ASSERT_EQ(Tools("2"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\nnew\n1\n2\n");
  EXPECT_FALSE(Exists(std::string(kLog) + ".tmp"));
  // A lone temporary (the log was never put back) is the log.
  std::filesystem::rename(Host(kLog), Host(std::string(kLog) + ".tmp"));
  ASSERT_EQ(Tools("3"), work_log::kOk);
  EXPECT_EQ(Get(kLog), "[TOOLS]\nnew\n1\n2\n3\n");
  EXPECT_FALSE(Exists(std::string(kLog) + ".tmp"));
}

TEST_F(WorkLog, UnwritableLogOrPathChangesNothing) {
  Put(kLog, "[TOOLS]\nkeep\n");
  // The temporary's name taken by a folder: nothing can be written there.
  std::filesystem::create_directory(Host(std::string(kLog) + ".tmp"));
  EXPECT_EQ(Tools("lost"), work_log::kNotWritten);
  EXPECT_EQ(Get(kLog), "[TOOLS]\nkeep\n");
  EXPECT_EQ(work_log::AppendToSection("\\NoSuchFolder\\x.gtl", "TOOLS", "y"), work_log::kNotWritten);
  EXPECT_FALSE(Exists("\\NoSuchFolder"));
  EXPECT_EQ(work_log::AppendToSection("\\Vorna\\" + std::string(250, 'n') + ".gtl", "TOOLS", "y"),
            work_log::kBadPath);
  EXPECT_EQ(work_log::AppendToSection("", "TOOLS", "y"), work_log::kBadPath);
}

TEST_F(WorkLog, ObjectTagStoresItsDefaultsOnce) {
  const int m = AddMap("\\Vorna\\Work.mdm", {sample::MdmPoint(edittest::Point(1), 10, 10),
                                             sample::MdmPoint(edittest::Point(1), 20, 20)});
  ASSERT_GE(m, 0);
  TMdmMap* map = g_MapView.GetVectorMap(m);
  SYSTEMTIME t{};
  t.wYear = 2026, t.wMonth = 3, t.wDay = 4, t.wHour = 5, t.wMinute = 6, t.wSecond = 7;
  ASSERT_TRUE(SetSystemTime(&t));
  std::string tag;
  ASSERT_TRUE(work_log::MakeObjectTag(map, 1, &tag));
  EXPECT_EQ(tag, "tools_260304050607");
  char value[256] = {};
  ASSERT_TRUE(map->GetStrAttr(1, 10, value));
  EXPECT_STREQ(value, "tools");
  harness::Advance(5000);
  ASSERT_TRUE(work_log::MakeObjectTag(map, 1, &tag));
  EXPECT_EQ(tag, "tools_260304050607");  // stored, not stamped again
  ASSERT_TRUE(map->SetStrAttr(2, 10, "survey"));
  ASSERT_TRUE(map->SetStrAttr(2, 9, "P17"));
  ASSERT_TRUE(work_log::MakeObjectTag(map, 2, &tag));
  EXPECT_EQ(tag, "survey_P17");
  tag = "unchanged";
  EXPECT_FALSE(work_log::MakeObjectTag(nullptr, 1, &tag));
  EXPECT_FALSE(work_log::MakeObjectTag(map, 999, &tag));
  EXPECT_EQ(tag, "unchanged");
}

}  // namespace
