// Receiver logging: the log start and stop against the fake receiver (what reaches the receiver
// and the work log), and on the device's virtual clock the tracking counters, the state file and
// the occupation objects written into a working map.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/wait_until.h"
#include "gps/geodesy_bar.h"
#include "maps/user_layer.h"
#include "tests/edit/edit_fixture.h"
#include "tests/gps/greis_fixture.h"

namespace {

using greistest::Count;
using greistest::GreisLink;
using Fault = sample::FakeGreis::Fault;

std::string StatePath() { return harness::HostPath(L"\\Vorna\\Vorna.gbackup"); }

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

void WriteState(const std::string& text) { std::ofstream(StatePath(), std::ios::binary) << text; }

std::string EventLine(const std::string& site, const char* dynamics, const std::string& antenna) {
  return "event,\"_SIT=" + site + "\"&&event,\"_DYM=" + dynamics +
         "\"&&event,\"_ANH=0\"&&event,\"_ANT=" + antenna + "\"\n";
}

std::string LocalName(const SYSTEMTIME& t) {
  char name[32];
  std::snprintf(name, sizeof name, "log%02i%02i_%02i%02i%02i", t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return name;
}

TEST_F(GreisLink, ANewLogIsCreatedNamedAndOpenedAsADynamicStretch) {
  fake.SetPrefix("");  // both queries fail: "log" and 1.00 s
  fake.SetPeriod("");
  receiver.SetAntennaType("TRM55971.00");
  fake.ClearTranscript();
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  receiver.StartLogging(0);
  GetLocalTime(&after);
  const std::string name = receiver.logName;
  EXPECT_TRUE(name == LocalName(before) || name == LocalName(after)) << name;
  const std::string expected = "create," + name + "\nem,/cur/log,def:1.00\n";
  ASSERT_TRUE(fake.WaitTranscript(EventLine(name + "_V000", "DYNAMIC", "TRM55971.00"), test_wait::kDefaultMs));
  const std::string t = fake.Transcript();
  EXPECT_NE(t.find(expected), std::string::npos);
  // The raw lines come inside the dialogue, before its end switches NMEA output on again.
  EXPECT_LT(t.find(expected), t.find("em,,nmea/RMC"));
  EXPECT_TRUE(greistest::WaitFor([&] { return fake.CreatedLog() == name && fake.Logging(); }));
  EXPECT_EQ(receiver.period, 1.0);

  receiver.BeginStatic(nullptr);
  receiver.BeginStatic(nullptr);
  receiver.BeginKinematic("Bridge 4");
  EXPECT_TRUE(fake.WaitTranscript(EventLine("Bridge 4", "DYNAMIC", "TRM55971.00"), test_wait::kDefaultMs));
  EXPECT_EQ(Count(fake.Transcript(), EventLine(name + "_S000", "STATIC", "TRM55971.00")), 1);
  EXPECT_EQ(Count(fake.Transcript(), EventLine(name + "_S001", "STATIC", "TRM55971.00")), 1);

  // A second log starts its counters again.
  fake.SetPrefix("site");
  // A new second, a new name: the names are stamped to the second.
  SYSTEMTIME then{};
  GetSystemTime(&then);
  ASSERT_TRUE(greistest::WaitFor([&] {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return now.wSecond != then.wSecond || now.wMinute != then.wMinute;
  }));
  receiver.StartLogging(0);
  const std::string second = receiver.logName;
  EXPECT_EQ(second.rfind("site", 0), 0u);
  EXPECT_NE(second, "site" + name.substr(3));
  receiver.BeginStatic(nullptr);
  EXPECT_TRUE(fake.WaitTranscript(EventLine(second + "_S000", "STATIC", "TRM55971.00"), test_wait::kDefaultMs));
}

TEST_F(GreisLink, APeriodOfZeroKeepsEveryEpochAtZero) {
  fake.SetPeriod("0.00");
  receiver.StartLogging(0);
  EXPECT_TRUE(fake.WaitTranscript("em,/cur/log,def:0.00\n", test_wait::kDefaultMs));
  EXPECT_EQ(receiver.GetEpoch(), 0u);
  GpsFix lost{};
  lost.status = 'V';
  for (int i = 0; i < 20; ++i) EXPECT_EQ(receiver.UpdateTracking(lost), 0);
  for (const char* bad : {"-1", "nan", "inf"}) {
    fake.SetPeriod(bad);
    receiver.StartLogging(0);
    EXPECT_EQ(receiver.period, 1.0) << bad;
  }
}

TEST_F(GreisLink, AResumeTakesUpTheStateOfTheSameLogOnly) {
  fake.SetCurrentLog("abc.jps", 5000);
  WriteState("[Ini]\nCLN=abc.jps\nSOC=4\nKOC=2\nVOC=7\nEC=3\nSWT=60\nOTD=46122.645972\n");
  fake.ClearTranscript();
  receiver.StartLogging(1);
  EXPECT_STREQ(receiver.logName, "abc.jps");
  EXPECT_EQ(receiver.lossCount, 3);
  EXPECT_DOUBLE_EQ(receiver.startDate, 46122.645972);
  EXPECT_TRUE(fake.WaitTranscript(EventLine("abc.jps_V007", "DYNAMIC", ""), test_wait::kDefaultMs))
      << fake.Transcript();
  EXPECT_EQ(fake.Transcript().find("create,"), std::string::npos);
  receiver.BeginStatic(nullptr);
  EXPECT_TRUE(fake.WaitTranscript("_SIT=abc.jps_S004", test_wait::kDefaultMs));

  // A state of another log takes nothing up: counters from 0, the work time from now.
  WriteState("[Ini]\nCLN=other.jps\nSOC=9\nOTD=46122.5\n");
  receiver.StartLogging(1);
  EXPECT_EQ(receiver.staticCount, 0);
  EXPECT_GT(receiver.startDate, 46122.5);
  receiver.BeginStatic(nullptr);
  EXPECT_TRUE(fake.WaitTranscript("_SIT=abc.jps_S000", test_wait::kDefaultMs));

  // No current log to resume: a new one is made rather than logging under no name.
  fake.SetCurrentLog("", 0);
  fake.ClearTranscript();
  receiver.StartLogging(1);
  EXPECT_EQ(std::string(receiver.logName).rfind("log", 0), 0u);
  EXPECT_TRUE(fake.WaitTranscript("create," + std::string(receiver.logName) + "\n", test_wait::kDefaultMs));
}

// The work log's lines of a device path, without the header.
std::vector<std::string> WorkTimeLines(const char* log) {
  std::ifstream in(harness::HostPath(std::wstring(log, log + std::strlen(log))), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line != "[WORKTIME]") lines.push_back(line);
  return lines;
}

TEST_F(GreisLink, TheStopWritesTheWorkTimeClosesTheLogAndDropsTheState) {
  // A stop without a working map binds no log: the first stop with one binds it.
  receiver.StartLogging(0);
  receiver.StopLogging();
  EXPECT_EQ(receiver.workTimeBound, 0);
  TMdmMap first, second;
  std::strcpy(first.path, "\\Vorna\\First.mdm");
  std::strcpy(second.path, "\\Vorna\\Second.mdm");
  g_UserLayer.open = 1;
  g_UserLayer.map = &first;

  receiver.StartLogging(0);
  const std::string name = receiver.logName;
  ASSERT_TRUE(Exists(StatePath()));
  receiver.startDate = 46122.0 + (15 * 3600 + 30 * 60 + 12) / 86400.0;  // 2026-04-10 15:30:12
  fake.ClearTranscript();
  SYSTEMTIME now{};
  GetSystemTime(&now);
  receiver.StopLogging();
  std::vector<std::string> lines = WorkTimeLines("\\Vorna\\First.gtl");
  ASSERT_EQ(lines.size(), 1u);
  const std::string& line = lines[0];
  EXPECT_EQ(line.rfind("2026-04-10 15:30:12\t", 0), 0u) << line;
  int y, mo, d, h, mi, s;
  ASSERT_EQ(std::sscanf(line.c_str() + 20, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6);
  EXPECT_EQ(y, now.wYear);
  EXPECT_EQ(mo, now.wMonth);
  EXPECT_EQ(d, now.wDay);
  EXPECT_EQ(line.substr(39), "\t" + name);
  EXPECT_TRUE(fake.WaitTranscript("dm,/cur/log\n", test_wait::kDefaultMs));
  EXPECT_TRUE(greistest::WaitFor([this] { return !fake.Logging(); }));
  EXPECT_STREQ(receiver.logName, "");
  EXPECT_FALSE(Exists(StatePath()));

  // A stop on a lost link keeps the log to be resumed and writes no line: the resumed log's
  // stop writes the recording's one line. Bound once a run: another working map later changes
  // nothing.
  g_UserLayer.map = &second;
  receiver.StartLogging(0);
  receiver.SetLinkLost(true);  // the poll's declined reconnect: the log may still be written
  receiver.StopLogging();
  EXPECT_EQ(WorkTimeLines("\\Vorna\\First.gtl").size(), 1u);
  EXPECT_TRUE(Exists(StatePath()));
  receiver.StartLogging(1);
  receiver.StopLogging();
  EXPECT_EQ(WorkTimeLines("\\Vorna\\First.gtl").size(), 2u);
  EXPECT_FALSE(Exists(harness::HostPath(L"\\Vorna\\Second.gtl")));
  EXPECT_FALSE(Exists(StatePath()));
  g_UserLayer.open = 0;
  g_UserLayer.map = nullptr;
}

TEST_F(GreisLink, NoStopAndGoWriteWhileADownloadHoldsTheLine) {
  receiver.StartLogging(0);
  const std::string name = receiver.logName;
  ASSERT_TRUE(fake.WaitTranscript("_SIT=" + name + "_V000", test_wait::kDefaultMs));
  receiver.SetDownloading(true);
  fake.ClearTranscript();
  receiver.BeginStatic(nullptr);
  receiver.BeginKinematic("x");
  receiver.BeginDynamic();
  receiver.StopLogging();
  EXPECT_EQ(receiver.kind, TGreisReceiver::kDynamic);
  EXPECT_EQ(receiver.staticCount, 0);
  EXPECT_STREQ(receiver.logName, name.c_str());
  EXPECT_EQ(receiver.workTimeBound, 0);
  receiver.SetDownloading(false);
  receiver.BeginStatic(nullptr);
  EXPECT_TRUE(fake.WaitTranscript("_SIT=" + name + "_S000", test_wait::kDefaultMs));
  // The line keeps its order: anything written while the download held it stands before this.
  const std::string t = fake.Transcript();
  EXPECT_EQ(Count(t, "_SIT="), 1) << t;  // the static start's own, none of those held back
  EXPECT_EQ(t.find("dm,/cur/log"), std::string::npos);
}

// ---- on the virtual clock -------------------------------------------------------------------

class ReceiverClock : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    greistest::LoadLanguage();
    receiver.Bind(nullptr, "\\Vorna\\Vorna.gbackup");
    receiver.period = 1.0;
    harness::Advance(100000);
  }
  void TearDown() override {
    g_UserLayer.open = 0;
    g_UserLayer.map = nullptr;
    if (g_GeodesyBar.window) DestroyWindow(g_GeodesyBar.window);
    g_GeodesyBar.window = nullptr;
    EditTest::TearDown();
  }
  static GpsFix Fix(char status, float pdop) {
    GpsFix f{};
    f.status = status;
    f.pdop = pdop;
    return f;
  }
  void Second(const GpsFix& fix) {
    harness::Advance(1000);
    receiver.UpdateTracking(fix);
  }
  TGreisReceiver& receiver = g_GreisReceiver;
};

TEST_F(ReceiverClock, PoorGeometryAndLostFixesRestartTheWindows) {
  receiver.lockLost = 1;
  receiver.trackingStart = receiver.GetEpoch();
  Second(Fix('A', 1.5f));
  receiver.occupationStart = receiver.lastPoorGeometry = receiver.lastVeryPoorGeometry =
      receiver.GetEpoch();
  for (int i = 0; i < 10; ++i) Second(Fix('A', 3.0f));  // exactly 3.0 is good geometry
  uint64_t t = 0;
  EXPECT_FALSE(receiver.GetOccupationTime(&t));
  EXPECT_EQ(t, 10u);
  Second(Fix('A', 3.0f));
  EXPECT_TRUE(receiver.GetOccupationTime(&t));
  Second(Fix('A', 3.1f));
  EXPECT_FALSE(receiver.GetOccupationTime(&t));
  EXPECT_EQ(t, 12u);

  // Eleven epochs without a fix: one loss, tracking and occupation start again.
  for (int i = 0; i < 10; ++i) Second(Fix('V', -1));
  EXPECT_EQ(receiver.lossCount, 0);
  Second(Fix('V', -1));
  EXPECT_EQ(receiver.lossCount, 1);
  EXPECT_FALSE(receiver.GetTrackingTime(&t));
  EXPECT_EQ(t, 0u);
  receiver.GetOccupationTime(&t);
  EXPECT_EQ(t, 0u);
  for (int i = 0; i < 30; ++i) Second(Fix('V', -1));
  EXPECT_EQ(receiver.lossCount, 1);  // nothing more until a valid fix was seen
  Second(Fix('A', 1.2f));
  for (int i = 0; i < 11; ++i) Second(Fix('V', -1));
  EXPECT_EQ(receiver.UpdateTracking(Fix('V', -1)), 2);
  // 900 epochs of unbroken tracking suffice.
  Second(Fix('A', 1.2f));
  harness::Advance(900000);
  EXPECT_TRUE(receiver.GetTrackingTime(&t));
}

TEST_F(ReceiverClock, TheStateFileRoundTripsAndRefusesDamage) {
  std::strcpy(receiver.logName, "log0410_153012");
  receiver.staticCount = 3, receiver.kinematicCount = 1, receiver.dynamicCount = 5;
  receiver.lossCount = 2;
  receiver.trackingStart = receiver.GetEpoch() - 75;
  receiver.startDate = 46122.645972;
  receiver.SaveState();
  receiver.staticCount = receiver.kinematicCount = receiver.dynamicCount = receiver.lossCount = 0;
  receiver.startDate = 0;
  harness::Advance(5000);
  ASSERT_EQ(receiver.LoadState(), 1);
  EXPECT_EQ(receiver.staticCount, 3);
  EXPECT_EQ(receiver.kinematicCount, 1);
  EXPECT_EQ(receiver.dynamicCount, 5);
  EXPECT_EQ(receiver.lossCount, 2);
  EXPECT_EQ(receiver.GetEpoch() - receiver.trackingStart, 75u);
  EXPECT_NEAR(receiver.startDate, 46122.645972, 1e-6);

  std::strcpy(receiver.logName, "another");
  EXPECT_EQ(receiver.LoadState(), 0);  // a foreign log
  EXPECT_EQ(receiver.staticCount, 3);
  std::strcpy(receiver.logName, "x");
  for (const char* bad : {"", "[Ini]\n", "\x01\xff garbage\n", "[Ini]\nSOC=5\n"}) {
    WriteState(bad);
    EXPECT_EQ(receiver.LoadState(), 0) << bad;
    EXPECT_EQ(receiver.staticCount, 3);
  }
  std::remove(StatePath().c_str());
  EXPECT_EQ(receiver.LoadState(), 0);

  // Counters below 0 or not numbers read 0; a tracking time beyond the clock is clamped; a
  // start date not a number or outside 1980-2100 becomes now.
  SYSTEMTIME clock{};
  GetSystemTime(&clock);
  double now = 0;
  SystemTimeToVariantTime(&clock, &now);
  for (const char* otd : {"nan", "25569.0", "99999"}) {
    WriteState(std::string("[Ini]\nCLN=x\nSOC=abc\nKOC=-3\nVOC=2\nEC=-1\nSWT=4000000000\nOTD=") +
               otd + "\n");
    ASSERT_EQ(receiver.LoadState(), 1);
    EXPECT_EQ(receiver.staticCount, 0);
    EXPECT_EQ(receiver.kinematicCount, 0);
    EXPECT_EQ(receiver.dynamicCount, 2);
    EXPECT_EQ(receiver.lossCount, 0);
    EXPECT_EQ(receiver.trackingStart, 0u);
    EXPECT_NEAR(receiver.startDate, now, 1.0 / 1440) << otd;
  }
  WriteState("[Ini]\nCLN=x\nSWT=-20\n");
  ASSERT_EQ(receiver.LoadState(), 1);
  EXPECT_EQ(receiver.trackingStart, receiver.GetEpoch());
}

TEST_F(ReceiverClock, EachStretchLeavesItsObjectInTheWorkingMap) {
  const int index = AddMap("\\Vorna\\Work.mdm", {sample::MdmPoint(edittest::Point(1), 10, 10)});
  ASSERT_GE(index, 0);
  TMdmMap* map = g_MapView.GetVectorMap(index);
  g_UserLayer.map = map;
  g_UserLayer.open = 1;
  const HWND owner = CreateWindowExW(0, L"static", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                     nullptr, nullptr, nullptr);
  ASSERT_NE(g_GeodesyBar.Create(owner, GetModuleHandleW(nullptr)), nullptr);
  g_GeodesyBar.pointRecord = {edittest::Point(3), 1.75};
  g_GeodesyBar.lineRecord = {edittest::Line(2), 2.5};
  map->MapToPlane(5000, 5000, &g_MapView.gpsX, &g_MapView.gpsY);
  g_MapView.gpsAltitude = 152.5;
  std::strcpy(receiver.logName, "log1");

  receiver.BeginDynamic();
  const uint16_t dynamicObject = uint16_t(receiver.GetOccupationObject());
  ASSERT_GT(dynamicObject, 0);
  char text[256];
  ASSERT_TRUE(map->GetStrAttr(dynamicObject, 9, text));
  EXPECT_STREQ(text, "V000");
  ASSERT_TRUE(map->GetStrAttr(dynamicObject, 10, text));
  EXPECT_STREQ(text, "log1");
  ASSERT_TRUE(map->GetStrAttr(dynamicObject, 99, text));
  EXPECT_STREQ(text, "");
  // No receiver, so no measured fix: no start time ("00:00:00" was never measured).
  EXPECT_FALSE(map->GetStrAttr(dynamicObject, 11, text));
  EXPECT_TRUE(Exists(StatePath()));  // each stretch change saves the state

  receiver.BeginStatic(nullptr);  // ends the dynamic stretch
  EXPECT_EQ(map->GetObjectCode(dynamicObject), 2);
  EXPECT_FALSE(map->GetStrAttr(dynamicObject, 12, text)) << "nor an end time";
  float value = -1;
  ASSERT_TRUE(map->GetIntAttr(dynamicObject, 1, &value));
  EXPECT_EQ(value, 0.0f);
  const uint16_t begun = uint16_t(receiver.GetOccupationObject());

  // The occupation's fixes put the antenna at the view's position of the last of them.
  receiver.stretchPlace = {true, g_MapView.gpsX, g_MapView.gpsY, 152.5};
  g_MapView.gpsX = g_MapView.gpsY = 0;  // where the view is now does not matter
  receiver.BeginKinematic(nullptr);  // ends the static occupation: a point replaces the track
  EXPECT_EQ(map->GetObjectCode(begun), 0);  // deleted
  uint16_t point = 0;
  for (int32_t i = 1; i < map->count; ++i)
    if (map->GetObjectCode(uint16_t(i)) == edittest::Point(3)) point = uint16_t(i);
  ASSERT_GT(point, 0);
  EXPECT_EQ(map->GetObjectCode(point), edittest::Point(3));
  ASSERT_TRUE(map->GetStrAttr(point, 9, text));
  EXPECT_STREQ(text, "S000");
  ASSERT_TRUE(map->GetIntAttr(point, 4, &value));
  EXPECT_EQ(value, 152.5f);
  ASSERT_TRUE(map->GetIntAttr(point, 1, &value));
  EXPECT_EQ(value, 1.75f);
  TMapPoint corner{};
  map->GetObjectBounds(point, &corner, nullptr);
  EXPECT_NEAR(corner.x, 5000, 1);
  EXPECT_NEAR(corner.y, 5000, 1);

  const uint16_t kinematic = uint16_t(receiver.GetOccupationObject());
  receiver.BeginStatic(nullptr);
  EXPECT_EQ(map->GetObjectCode(kinematic), edittest::Line(2));
  ASSERT_TRUE(map->GetIntAttr(kinematic, 1, &value));
  EXPECT_EQ(value, 2.5f);

  // A position outside the map: the begun object keeps the occupation's record.
  const uint16_t unplaced = uint16_t(receiver.GetOccupationObject());
  receiver.stretchPlace = {true, 0, 0, 0};
  receiver.BeginDynamic();
  EXPECT_EQ(map->GetObjectCode(unplaced), edittest::Point(3));
  ASSERT_TRUE(map->GetIntAttr(unplaced, 1, &value));
  EXPECT_EQ(value, 1.75f);

  // An occupation without one fix has no place: no point, and its begun record goes.
  receiver.BeginStatic(nullptr);
  const uint16_t nowhere = uint16_t(receiver.GetOccupationObject());
  ASSERT_GT(nowhere, 0);
  const int32_t before = map->count;
  receiver.BeginDynamic();
  EXPECT_EQ(map->GetObjectCode(nowhere), 0);
  EXPECT_EQ(map->count, before + 1) << "only the new dynamic stretch's record";

  // Without a working map the stretches change and nothing is written.
  const int32_t objects = map->count;
  g_UserLayer.open = 0;
  receiver.BeginStatic(nullptr);
  EXPECT_EQ(receiver.GetOccupationObject(), 0);
  receiver.BeginDynamic();
  EXPECT_EQ(map->count, objects);
  DestroyWindow(owner);
  g_GeodesyBar.window = nullptr;
}

}  // namespace
