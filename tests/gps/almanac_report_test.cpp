// Loading an almanac file and the load report the user sees.
#include <gtest/gtest.h>

#include <string>

#include "base/lang.h"
#include "gps/almanac.h"
#include "platform/harness.h"
#include "tools/sampledata/jps_writer.h"

using sample::Bytes;

namespace {

class AlmanacReport : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    LoadLanguage();
  }
  void TearDown() override { harness::Stop(); }

  int LoadFile(const Bytes& f) {
    if (!sample::WriteJps(harness::HostPath(L"\\r.jps"), f)) return -1;
    return almanac.Load("\\r.jps");
  }

  // The demo constellation without the given satellites, recorded on the almanac's day.
  static Bytes Without(std::initializer_list<int> skipped, bool withDate = true) {
    Bytes f;
    if (withDate) sample::Append(f, sample::JpsDate(2013, 12, 26));
    for (const sample::YumaAlmanac& a : sample::DemoConstellation()) {
      if (std::find(skipped.begin(), skipped.end(), a.prn) == skipped.end()) {
        sample::Append(f, sample::JpsAlmanac(a));
      }
    }
    return f;
  }

  TAlmanac almanac;
};

}  // namespace

TEST_F(AlmanacReport, TextsByOutcome) {
  EXPECT_EQ(LoadFile(Without({})), 1);
  EXPECT_TRUE(almanac.IsLoaded());
  EXPECT_EQ(almanac.LoadReportText(), g_Lang.GetText(100046));

  EXPECT_EQ(LoadFile(Without({1, 5, 31})), 1);
  EXPECT_EQ(almanac.LoadReportText(), std::wstring(g_Lang.GetText(100045)) + L"\n1, 5");

  // No date in the file: no satellite can be placed in time.
  EXPECT_EQ(LoadFile(Without({}, false)), 1);
  EXPECT_EQ(almanac.GetDate().wYear, 0);
  std::wstring all;
  for (int prn = 1; prn <= 30; ++prn) {
    if (prn != 12) all += (all.empty() ? L"" : L", ") + std::to_wstring(prn);
  }
  EXPECT_EQ(almanac.LoadReportText(), std::wstring(g_Lang.GetText(100045)) + L"\n" + all);

  // A file that cannot be opened: not loaded, the tables are kept.
  EXPECT_EQ(almanac.Load("\\none.jps"), 0);
  EXPECT_FALSE(almanac.IsLoaded());
  EXPECT_EQ(almanac.LoadReportText(), g_Lang.GetText(100047));
  EXPECT_TRUE(almanac.GetReader().IsPresent(1));
}

TEST_F(AlmanacReport, MessageBox) {
  ASSERT_EQ(LoadFile(Without({1, 5})), 1);
  harness::AnswerMessageBox(L"", IDOK);
  almanac.ShowLoadReport(nullptr);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  const harness::ShownMessageBox& box = harness::MessageBoxes()[0];
  EXPECT_EQ(box.text, L"Альманах загружен,\nнет данных по спутникам:\n1, 5");
  EXPECT_EQ(box.caption, L"Информация");
  EXPECT_EQ(box.type & 0xF, UINT(MB_OK));
}

TEST_F(AlmanacReport, OutOfMemoryFailsTheLoad) {
  ASSERT_EQ(LoadFile(Without({})), 1);
  TMessageParser::FailAllocationsAfter(0);
  EXPECT_EQ(LoadFile(Without({})), 0);
  TMessageParser::FailAllocationsAfter(-1);
  EXPECT_FALSE(almanac.IsLoaded());
}

TEST_F(AlmanacReport, DemoFileLoadsEverySatellite) {
  EXPECT_EQ(LoadFile(sample::DemoJps()), 1);
  for (int prn = 1; prn <= 32; ++prn) EXPECT_TRUE(almanac.GetReader().IsPresent(prn)) << prn;
  EXPECT_EQ(almanac.LoadReportText(), g_Lang.GetText(100046));
}
