// What a survey with the geodetic receiver records, walked on the demo device as a surveyor
// works: the fake GREIS receiver on a pseudo-terminal, the command bar and the geodesy bar tapped,
// the hardware keys pressed, the clock virtual. The antenna height goes in as typed, the Stop&Go
// keys step through the stretches of a log, a link lost leaves the receiver's log running to be
// resumed, a long file copy is not taken for silence, the geodesy button shows whether geodesy
// runs, and a stretch open when the working map changes keeps its record in its own map.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "base/button_table.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "gps/echo_sounder.h"
#include "gps/geodesy_bar.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "gps/receiver_files_dlg.h"
#include "gps/sky_plot.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "tests/app/demo_window_fixture.h"
#include "tests/support/gps_lines.h"
#include "tests/support/project_editor_taps.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/fake_greis.h"
#include "tools/sampledata/fake_receiver.h"
#include "view/map_view.h"

namespace {

using Fault = sample::FakeGreis::Fault;

// Buttons of the command bar, in their order on it.
constexpr int kNavigationButton = 1, kGeodesyButton = 2;
constexpr int kComboEdit = 1001;  // the edit inside a combo box with an edit

// A tap at a point of the geodesy bar (its client pixels).
void TapGeodesyBar(int x, int y) {
  POINT p{x, y};
  ClientToScreen(g_GeodesyBar.window, &p);
  harness::Tap(p.x, p.y);
}
void TapStatic() { TapGeodesyBar(216 + 10, 2 + 10); }
void TapKinematic() { TapGeodesyBar(152 + 10, 2 + 10); }

void TapWindow(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  harness::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::wstring Text(HWND window) {
  wchar_t text[64] = L"";
  GetWindowTextW(window, text, 64);
  return text;
}

// The question of a text up to its first "%s".
std::wstring Question(int id) {
  const std::wstring text = g_Lang.GetText(id);
  return text.substr(0, text.find(L'%'));
}

// Waits (bounded, real time) while the program's windows are served, as the user's device would.
bool PumpUntil(const std::function<bool()>& ready) {
  return test_wait::Until([&] {
    harness::PumpUntilIdle();
    return ready();
  });
}

class GeodesyRecords : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    const int work = g_MapView.GetVectorMapCount() - 1;
    ASSERT_GE(work, 0);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_MapView.GetVectorMap(work);
    ASSERT_TRUE(fake.Open());
    fake.SetCurrentLog("", 0);
    setenv("VORNA_COM1", fake.SlavePath().c_str(), 1);
    g_Ini.SetInt("GPSTYPE", 1);
    g_Ini.SetString("GPSCOMNUM_JAVAD", "COM1:");
    g_Ini.SetInt("GPSCOMBR_JAVAD", 115200);
    g_Ini.SetInt("ECHOACTIVE", 0);
    // On a loaded machine a poll of the geodesy bar may miss its reply: the link is taken again.
    harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDYES);
    vplat::ClearRecordedBeeps();
  }
  void TearDown() override {
    if (g_GpsPort.IsOpen()) StopNavigationMode(1);
    g_UserLayer.Close();
    fake.HangUp();
    DemoWindow::TearDown();
  }
  // Geodesy mode by its button, a new log agreed to.
  void StartGeodesy() {
    demo_window::TapCommandBarButton(kGeodesyButton);
    ASSERT_TRUE(g_GpsPort.IsOpen());
    ASSERT_TRUE(IsWindowVisible(g_GeodesyBar.window));
    ASSERT_TRUE(PumpUntil([&] { return fake.Logging() && !fake.CreatedLog().empty(); }));
  }
  // The receiver's fix measured and taken by a tick of the port (the view and the bar on it).
  void TakeFix() {
    ASSERT_TRUE(PumpUntil([] { return g_GpsPort.HasMeasuredFix(); }));
    harness::Advance(TGpsPort::kFixTimerMs);
    ASSERT_EQ(g_MapView.gpsState, 1);
  }
  // A log on the receiver whose copy takes some 4 s at the line's speed, and the folder the
  // copies go to.
  void AddBigLog() {
    fake.AddLog("big", 48 * 1024);
    sample::FakeGreis::Transfer transfer;
    transfer.baud = 115200;
    fake.SetTransfer(transfer);
    CreateDirectoryW(L"\\Logs", nullptr);
    g_Ini.SetString("JFMSaveFolder", "\\Logs\\");
  }
  // The receiver's file manager, when it comes up, copies the first log and closes.
  static void CopyFirstLogWhenAsked() {
    harness::OnDialog(TReceiverFilesDlg::kTemplate, [](HWND d) {
      const HWND list = GetDlgItem(d, TReceiverFilesDlg::kList);
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED;
      item.state = LVIS_SELECTED;
      SendMessageW(list, LVM_SETITEMSTATE, 0, LPARAM(&item));
      SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kCopy, 0);
      SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kClose, 0);
    });
  }
  // The occupation object of the working map with site code `code` (attribute 9); 0 when none.
  uint16_t Occupation(const char* code) const {
    for (int32_t i = 1; i < map->count; ++i) {
      char text[256] = "";
      if (map->GetObjectCode(uint16_t(i)) && map->GetStrAttr(uint16_t(i), 9, text) &&
          std::strcmp(text, code) == 0)
        return uint16_t(i);
    }
    return 0;
  }

  TMdmMap* map = nullptr;
  sample::FakeGreis fake;
};

// The sky plot's satellites that the receiver reports as used in its fix (state 1 or 2).
int UsedInPlot() {
  int used = 0;
  for (int i = 0; i < g_SkyPlot.Count(); ++i) used += g_SkyPlot.At(i).state != 0;
  return used;
}

TEST_F(GeodesyRecords, TheFileManagersOwnConnectionTakesItsSatellitesAlongWhenItCloses) {
  CheckBarButton(kCmdAlmanacBar, 1);  // as its tap leaves it
  Command(kCmdAlmanacBar);
  ASSERT_TRUE(g_SkyPlot.IsEnabled());
  ASSERT_FALSE(g_GpsPort.IsOpen());
  int usedDuring = -1;
  harness::OnDialog(TReceiverFilesDlg::kTemplate, [&](HWND d) {
    // The file manager opened the port itself: the fix ticks bring the receiver's 8.
    EXPECT_TRUE(PumpUntil([&] {
      harness::Advance(TGpsPort::kFixTimerMs);
      return UsedInPlot() == 8;
    }));
    usedDuring = UsedInPlot();
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kClose, 0);
  });
  Command(kCmdReceiverFiles);
  ASSERT_EQ(usedDuring, 8);
  EXPECT_FALSE(g_GpsPort.IsOpen());
  // Dropped by the close itself: no fix tick comes any more, and a paint that is not a full
  // redraw does not refill the plot.
  EXPECT_EQ(UsedInPlot(), 0) << "no receiver is connected";
  harness::PumpUntilIdle();
  EXPECT_EQ(UsedInPlot(), 0);
}

// The lines of section WORKTIME of the working map's work log (none without the file).
std::vector<std::string> WorkTimeLines(const TMdmMap* map) {
  const std::string path(map->path, std::strlen(map->path) - 4);
  std::ifstream in(harness::HostPath(std::wstring(path.begin(), path.end()) + L".gtl"));
  std::vector<std::string> lines;
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') {
      inSection = line == "[WORKTIME]";
      continue;
    }
    if (inSection) lines.push_back(line);
  }
  return lines;
}

// Seconds since 2000-01-01 of "YYYY-MM-DD HH:MM:SS" at `text`, by the civil calendar; -1 when
// it does not read.
int64_t StampSeconds(const std::string& text) {
  int y, mo, d, h, mi, s;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return -1;
  static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int64_t days = int64_t(y - 2000) * 365 + (y - 2000 + 3) / 4 + kBefore[mo - 1] + d - 1;
  if (mo > 2 && y % 4 == 0) ++days;
  return ((days * 24 + h) * 60 + mi) * 60 + s;
}
int64_t StampSeconds(const SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return StampSeconds(text);
}

bool HaveReceiverState() {
  return std::filesystem::exists(harness::HostPath(L"\\Vorna\\Vorna.gbackup"));
}

TEST_F(GeodesyRecords, ARecordingBrokenByALostLinkAndResumedIsOneWorkTimeLine) {
  SYSTEMTIME started{};
  GetSystemTime(&started);
  StartGeodesy();
  const std::string log = fake.CreatedLog();

  // The link is lost and the retry declined: the log is kept to be resumed, and no line yet.
  fake.SetFault("print,", Fault::kSilence);
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDNO);
  harness::Advance(TGeodesyBar::kPollMs);
  ASSERT_FALSE(g_GpsPort.IsOpen());
  EXPECT_TRUE(WorkTimeLines(map).empty());
  EXPECT_TRUE(HaveReceiverState());

  // Resumed, then stopped by the user: one line, from the recording's first start to the stop.
  fake.ClearFaults();
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDYES);
  harness::OnDialog(kStartGpsDialog, [](HWND d) { SendMessageW(d, WM_COMMAND, kStartGpsHot, 0); });
  demo_window::TapCommandBarButton(kGeodesyButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_STREQ(g_GreisReceiver.logName, log.c_str());
  harness::Advance(5000);
  SYSTEMTIME stopped{};
  GetSystemTime(&stopped);
  harness::AnswerMessageBox(Question(lang_id::kMsgGeoOffConf), IDOK);
  demo_window::TapCommandBarButton(kGeodesyButton);
  ASSERT_FALSE(g_GpsPort.IsOpen());
  const std::vector<std::string> lines = WorkTimeLines(map);
  ASSERT_EQ(lines.size(), 1u);
  const std::string& line = lines[0];
  ASSERT_GE(line.size(), 40u) << line;
  // The start stamp is the first start's (its queries take a few seconds of the clock), long
  // before the resume.
  const int64_t start = StampSeconds(line.substr(0, 19)), end = StampSeconds(line.substr(20, 19));
  EXPECT_GE(start, StampSeconds(started)) << line;
  EXPECT_LT(start, StampSeconds(started) + TGeodesyBar::kPollMs / 1000) << line;
  EXPECT_GE(end, StampSeconds(stopped)) << line;
  EXPECT_EQ(line.substr(39), "\t" + log);
  EXPECT_FALSE(HaveReceiverState());
}

TEST_F(GeodesyRecords, AStartOnASilentReceiverLeavesNoWorkTimeAndNoState) {
  fake.SetFault("", Fault::kSilence);  // not a reply, not even to the log's creation
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDNO);
  demo_window::TapCommandBarButton(kGeodesyButton);
  // The bar's first poll heard nothing and the retry was declined: geodesy ended at once.
  ASSERT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
  EXPECT_TRUE(WorkTimeLines(map).empty());
  EXPECT_FALSE(HaveReceiverState()) << "no resume is offered for a log nobody heard of";
  EXPECT_STREQ(g_GreisReceiver.logName, "");
}

// Whether a message box with the text was shown.
bool Told(int textId) {
  for (const auto& box : harness::MessageBoxes())
    if (box.text == g_Lang.GetText(textId)) return true;
  return false;
}

// The settings name the plain NMEA receiver type: geodesy is refused with a word to the user,
// before anything is opened or stopped; navigation with that receiver runs on untouched.
TEST_F(GeodesyRecords, GeodesyWithAPlainNmeaReceiverIsRefusedAndNavigationGoesOn) {
  g_Ini.SetInt("GPSTYPE", 0);
  g_Ini.SetString("GPSCOMNUM_NMEA", "COM1:");
  g_Ini.SetInt("GPSCOMBR_NMEA", 115200);
  const int32_t objects = map->count;
  harness::ClearMessageBoxes();
  demo_window::TapCommandBarButton(kGeodesyButton);
  EXPECT_TRUE(Told(lang_id::kMsgGeoNeedsReceiver));
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
  EXPECT_FALSE(IsWindowVisible(g_GeodesyBar.window));
  EXPECT_STREQ(g_GreisReceiver.logName, "");
  EXPECT_EQ(map->count, objects) << "no occupation object";
  EXPECT_TRUE(WorkTimeLines(map).empty());
  EXPECT_FALSE(HaveReceiverState());
  EXPECT_EQ(fake.Transcript().find("print,"), std::string::npos) << fake.Transcript();

  // Navigation runs with it; the geodesy button is refused again and navigation goes on.
  demo_window::TapCommandBarButton(kNavigationButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_TRUE(IsWindowVisible(g_GpsBar.window));
  harness::ClearMessageBoxes();
  demo_window::TapCommandBarButton(kGeodesyButton);
  EXPECT_TRUE(Told(lang_id::kMsgGeoNeedsReceiver));
  EXPECT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsGeodesyConnection(), 0);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 1);
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
  EXPECT_TRUE(IsWindowVisible(g_GpsBar.window));
  EXPECT_FALSE(IsWindowVisible(g_GeodesyBar.window));
  EXPECT_STREQ(g_GreisReceiver.logName, "");
}

// One step of the walk: the receiver's next position, taken by the next fix tick.
void WalkTo(sample::FakeGreis& fake, double lat, double lon) {
  fake.SetNmeaPosition(lat, lon);
  ASSERT_TRUE(test_wait::Until([&] {
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    return fix.status == 'A' && std::fabs(fix.latDegrees + fix.latMinutes / 60 - lat) < 1e-6 &&
           std::fabs(fix.lonDegrees + fix.lonMinutes / 60 - lon) < 1e-6;
  }));
  harness::Advance(TGpsPort::kFixTimerMs);
}

// The track key in geodesy mode does to the track what the start did by "NaviSaveLog": off, the
// kinematic stretch's line stops growing; on, it grows again; its record is finished at its end
// all the same.
TEST_F(GeodesyRecords, TheTrackKeyStopsAndGoesOnWithTheStretchsLine) {
  g_ButtonTable.AddKey(0xC4);
  g_ButtonTable.SetEntry(0xC4, button_action::kToggleTrackLog, 0, 0);
  g_Ini.SetInt("NaviSaveLog", 1);
  g_Ini.SetInt("NJLCode", sample::kTownFootpath);
  ASSERT_EQ(g_UserLayer.Close(), 1);
  ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(),
                               g_MapView.FindVectorMapIndex("\\Vorna\\Maps\\Streets.mdm")),
            1);
  map = g_UserLayer.map;
  StartGeodesy();
  TapKinematic();
  const uint16_t line = Occupation("K000");
  ASSERT_NE(line, 0);
  double lat = 55.75, lon = 37.61;
  for (int step = 0; step < 2; ++step, lat += 0.0005) WalkTo(fake, lat, lon);
  ASSERT_EQ(map->GetVertexCount(line), 2);

  harness::HardwareButton(4);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), 0);
  for (int step = 0; step < 2; ++step, lat += 0.0005) WalkTo(fake, lat, lon);
  EXPECT_EQ(map->GetVertexCount(line), 2) << "the track is off";
  EXPECT_EQ(g_GreisReceiver.GetOccupationObject(), line);

  harness::HardwareButton(4);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), 1);
  for (int step = 0; step < 2; ++step, lat += 0.0005) WalkTo(fake, lat, lon);
  EXPECT_EQ(map->GetVertexCount(line), 4) << "the track is on again, in the same line";

  // Off once more, and the stretch ends: its line keeps its type, end time and vertices.
  harness::HardwareButton(4);
  TapStatic();
  EXPECT_EQ(map->GetObjectCode(line), sample::kTownFootpath);
  char end[256] = "";
  EXPECT_TRUE(map->GetStrAttr(line, 12, end) && end[0]) << "the end time";
  EXPECT_EQ(map->GetVertexCount(line), 4);
}

TEST_F(GeodesyRecords, TheAntennaHeightTypedWithACommaIsWhatTheOccupationGets) {
  g_Ini.SetInt("NJPCode", g_UserLayer.NewPointCode());  // the static points' type
  StartGeodesy();
  const HWND bar = g_GeodesyBar.window;
  const HWND height = GetDlgItem(bar, TGeodesyBar::kHeightCombo);
  const HWND site = GetDlgItem(bar, TGeodesyBar::kSiteCombo);
  // Both boxes lie inside the bar, and the height's text is drawn there.
  RECT barRect, r;
  GetWindowRect(bar, &barRect);
  for (HWND box : {height, site}) {
    GetWindowRect(box, &r);
    EXPECT_GE(r.top, barRect.top);
    EXPECT_LE(r.bottom, barRect.bottom);
  }

  TapStatic();
  ASSERT_EQ(g_GeodesyBar.GetMode(), TGreisReceiver::kStatic);
  const HWND edit = GetDlgItem(height, kComboEdit);
  ASSERT_NE(edit, nullptr);
  ASSERT_EQ(Text(height), L"0");
  TapWindow(edit);
  harness::Type(L"\b1,5");
  EXPECT_EQ(Text(height), L"1,5");
  EXPECT_EQ(g_GeodesyBar.pointRecord.height, 1.5);
  harness::PumpUntilIdle();
  GetWindowRect(edit, &r);
  int ink = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) ink += harness::ScreenPixel(x, y) == RGB(0, 0, 0);
  EXPECT_GT(ink, 10) << "the typed height is seen in the box";
  ASSERT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/geodesy_bar_height.png"));

  // A text that is no number is refused: the height stays.
  harness::Type(L" м");
  EXPECT_EQ(g_GeodesyBar.pointRecord.height, 1.5);

  // The static stretch ends: its point carries 1.5 m of antenna, and the box's list keeps the
  // height as stored.
  TakeFix();
  TapKinematic();
  const uint16_t point = Occupation("S000");
  ASSERT_NE(point, 0);
  float metres = 0;
  ASSERT_TRUE(map->GetIntAttr(point, 1, &metres));
  EXPECT_EQ(metres, 1.5f);
  EXPECT_EQ(Text(height), L"0") << "the line record's own height";
  EXPECT_NE(SendMessageW(height, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"1.5")), CB_ERR);
  EXPECT_EQ(SendMessageW(height, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"1,5 м")), CB_ERR);
  TapStatic();
  EXPECT_EQ(Text(height), L"1.5");

  harness::AnswerMessageBox(Question(lang_id::kMsgGeoOffConf), IDOK);
  demo_window::TapCommandBarButton(kGeodesyButton);
  ASSERT_FALSE(g_GpsPort.IsOpen());
  EXPECT_DOUBLE_EQ(g_Ini.GetFloat("NJPHeightNum"), 1.5);
}

TEST_F(GeodesyRecords, KeysStepThroughTheStretchesAndALostLinkLeavesTheLogToResume) {
  for (int k = 0; k < 3; ++k) {
    g_ButtonTable.AddKey(0xC4 + k);
    g_ButtonTable.SetEntry(0xC4 + k, button_action::kOccupyStatic + k, 0, 0);
  }
  StartGeodesy();
  const std::string log = fake.CreatedLog();
  ASSERT_EQ(g_GeodesyBar.GetMode(), TGreisReceiver::kDynamic);
  // Each key from each stretch: 13 static / kinematic, 15 auto / kinematic, 14 auto / static.
  const struct {
    int button, mode;
    const char* site;
  } presses[] = {{4, TGreisReceiver::kStatic, "S000"},    {4, TGreisReceiver::kKinematic, "K000"},
                 {6, TGreisReceiver::kDynamic, "V001"},   {6, TGreisReceiver::kKinematic, "K001"},
                 {5, TGreisReceiver::kDynamic, "V002"},   {5, TGreisReceiver::kStatic, "S001"}};
  for (const auto& p : presses) {
    harness::HardwareButton(p.button);
    EXPECT_EQ(g_GeodesyBar.GetMode(), p.mode) << p.site;
    EXPECT_TRUE(fake.WaitTranscript("_SIT=" + log + "_" + p.site + "\"", test_wait::kDefaultMs))
        << p.site;
  }
  EXPECT_TRUE(vplat::RecordedBeeps().empty());

  // The receiver falls silent; the bar's next poll gets no answer, and the retry is declined.
  fake.SetFault("print,", Fault::kSilence);
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDNO);
  fake.ClearTranscript();
  harness::Advance(TGeodesyBar::kPollMs);
  ASSERT_FALSE(g_GpsPort.IsOpen());
  EXPECT_FALSE(IsWindowVisible(g_GeodesyBar.window));
  // The log is not closed on a receiver that may still be recording: its state stays. What
  // the stop wrote has all come once the port's own closing "dm" follows the output set-up
  // that ended the stop's question for the log.
  ASSERT_TRUE(test_wait::Until([&] {
    const std::string t = fake.Transcript();
    const size_t asked = t.rfind("print,/cur/log\n");
    return asked != std::string::npos && t.find("em,,nmea/GSV:1\n", asked) != std::string::npos &&
           t.size() >= 3 && t.compare(t.size() - 3, 3, "dm\n") == 0;
  })) << fake.Transcript();
  EXPECT_EQ(fake.Transcript().find("dm,/cur/log"), std::string::npos) << fake.Transcript();
  EXPECT_TRUE(fake.Logging());
  EXPECT_TRUE(std::filesystem::exists(harness::HostPath(L"\\Vorna\\Vorna.gbackup")));

  // The receiver is back: the start offers the log it still writes, and resuming it goes on
  // with its counters (the third dynamic stretch), without a new log.
  fake.ClearFaults();
  fake.ClearTranscript();
  std::wstring offered;
  harness::OnDialog(kStartGpsDialog, [&](HWND d) {
    wchar_t text[256] = L"";
    GetDlgItemTextW(d, kStartGpsText, text, 256);
    offered = text;
    SendMessageW(d, WM_COMMAND, kStartGpsHot, 0);
  });
  demo_window::TapCommandBarButton(kGeodesyButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  EXPECT_NE(offered.find(std::wstring(log.begin(), log.end())), std::wstring::npos);
  EXPECT_STREQ(g_GreisReceiver.logName, log.c_str());
  EXPECT_TRUE(fake.WaitTranscript("_SIT=" + log + "_V003\"", test_wait::kDefaultMs))
      << fake.Transcript();
  EXPECT_EQ(fake.Transcript().find("create,"), std::string::npos);
}

TEST_F(GeodesyRecords, AFileCopyLongerThanTheReconnectTimeIsNotBrokenOff) {
  // Navigation with the receiver: the GPS bar watches the link and asks after 2 s of silence.
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  demo_window::TapCommandBarButton(kNavigationButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_TRUE(IsWindowVisible(g_GpsBar.window));
  g_GpsBar.SetValues(0, 2);
  ASSERT_TRUE(PumpUntil([] {
    GpsFix fix{};
    return g_GpsPort.GetFix(&fix)->status == 'A';
  }));
  harness::Advance(500);
  ASSERT_EQ(g_MapView.gpsState, 1);

  // A log whose copy takes some 4 s at the line's speed.
  AddBigLog();
  bool copying = false;
  int stateDuring = -1;
  harness::OnDialog(TReceiverFilesDlg::kProgressTemplate, [&](HWND) {
    ASSERT_TRUE(PumpUntil([&] { return fake.BlocksSent().size() >= 2; }));
    // 3 s of the clock pass while the blocks come: more than the reconnect time.
    harness::Advance(3000);
    copying = g_GreisReceiver.IsDownloading();
    stateDuring = g_MapView.gpsState;
  });
  CopyFirstLogWhenAsked();
  harness::ClearMessageBoxes();
  Command(kCmdReceiverFiles);
  harness::PumpUntilIdle();

  EXPECT_TRUE(copying) << "the clock moved while the copy ran";
  EXPECT_EQ(stateDuring, 1) << "a copy is no loss of the fix";
  for (const auto& box : harness::MessageBoxes())
    EXPECT_EQ(box.text.find(Question(lang_id::kMsgNoGPSLinkRetConf)), std::wstring::npos);
  std::ifstream in(harness::HostPath(L"\\Logs\\big.jps"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), fake.LogData("big"));
  EXPECT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(g_GpsBar.stale, 0);
}

// The receiver restarts during navigation and comes up silent. The link watchdog asks, "Yes"
// takes the link again, and the receiver is told to send its sentences: the fix comes back and
// the question is asked once.
TEST_F(GeodesyRecords, AReconnectedReceiverIsToldToSendItsFixAgain) {
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  demo_window::TapCommandBarButton(kNavigationButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  g_GpsBar.SetValues(0, 2);
  auto haveFix = [] {
    GpsFix fix{};
    return g_GpsPort.GetFix(&fix)->status == 'A';
  };
  ASSERT_TRUE(PumpUntil(haveFix));

  fake.Restart();
  harness::ClearMessageBoxes();
  harness::Advance(2500);
  auto asked = [] {
    int n = 0;
    for (const auto& box : harness::MessageBoxes())
      n += box.text.find(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf)) != std::wstring::npos;
    return n;
  };
  ASSERT_EQ(asked(), 1);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  EXPECT_TRUE(PumpUntil([&] { return fake.NmeaOn(); })) << fake.Transcript();
  const uint64_t lines = g_GpsPort.GetLinesRead();
  EXPECT_TRUE(PumpUntil([&] { return g_GpsPort.GetLinesRead() > lines + 4; }));
  EXPECT_EQ(asked(), 1);
  EXPECT_TRUE(haveFix());
}

// A fresh device (no types chosen for the stretches) and a receiver without a fix at first. The
// occupation made before the first fix leaves nothing at the map's origin and no "00:00:00";
// once the fix comes the stretches get the working map's first line and point types, their
// measured times and place, and the save keeps them.
TEST_F(GeodesyRecords, RecordsComeOnlyFromFixesAndAFreshDeviceGivesThemLiveTypes) {
  ASSERT_EQ(g_Ini.FindKey("NJPCode"), nullptr);
  ASSERT_EQ(g_Ini.FindKey("NJLCode"), nullptr);
  fake.SetNmeaPosition(55.75, 37.61);  // in the town
  fake.SetNmeaFix(false, 0);
  StartGeodesy();
  const uint16_t dynamic = Occupation("V000");
  ASSERT_NE(dynamic, 0);
  char text[256] = "";
  EXPECT_FALSE(map->GetStrAttr(dynamic, 11, text)) << text;
  TapStatic();
  const int32_t before = map->count;
  for (int tick = 0; tick < 6; ++tick) harness::Advance(TGpsPort::kFixTimerMs);
  ASSERT_NE(g_MapView.gpsState, 1);
  TapKinematic();  // the occupation without a fix ends
  EXPECT_EQ(Occupation("S000"), 0) << "no point for a site never measured";
  for (int32_t i = 1; i < map->count; ++i) {
    if (!map->GetObjectCode(uint16_t(i))) continue;
    TMapPoint corner{};
    map->GetObjectBounds(uint16_t(i), &corner, nullptr);
    EXPECT_TRUE(map->GetVertexCount(uint16_t(i)) == 0 || corner.x != 0 || corner.y != 0)
        << "object " << i << " at the origin";
  }
  EXPECT_EQ(map->count, before + 1) << "only the kinematic stretch's record";

  // The fix comes: the kinematic line ends with its measured time and a line type.
  fake.SetNmeaFix(true, 1.5);
  TakeFix();
  const uint16_t line = Occupation("K000");
  ASSERT_NE(line, 0);
  EXPECT_FALSE(map->GetStrAttr(line, 11, text)) << "begun before the fix";
  // The walker moves on: the line takes a vertex at the tick that finds the view moved by a new
  // fix (how many epochs came before the first tick depends on the machine's load).
  for (int step = 1; step <= 20 && map->GetVertexCount(line) == 0; ++step) {
    const double latitude = 55.75 + 0.0001 * step;
    fake.SetNmeaPosition(latitude, 37.61);
    ASSERT_TRUE(PumpUntil([&] {
      GpsFix f{};
      return g_GpsPort.GetMeasuredFix(&f) && std::fabs(f.latitude * 180 / M_PI - latitude) < 1e-6;
    }));
    harness::Advance(TGpsPort::kFixTimerMs);
  }
  ASSERT_GT(map->GetVertexCount(line), 0) << "the line took no position";
  // The receiver's epochs go on in real time while the tap is handled: the end time is that of
  // a fix measured between the one before the tap and the one after it.
  const auto fixTime = [] {
    GpsFix fix{};
    EXPECT_TRUE(g_GpsPort.GetMeasuredFix(&fix));
    char t[32];
    std::snprintf(t, sizeof t, "%02i:%02i:%02i", fix.utc.wHour, fix.utc.wMinute, fix.utc.wSecond);
    return std::string(t);
  };
  const std::string fixBefore = fixTime();
  TapStatic();
  const std::string fixAfter = fixTime();
  const uint16_t lineType = map->GetObjectCode(line);
  EXPECT_EQ(lineType & 7, 2) << lineType;
  ASSERT_TRUE(map->GetStrAttr(line, 12, text));
  EXPECT_GE(std::string(text), fixBefore);
  EXPECT_LE(std::string(text), fixAfter);
  const uint16_t begun = Occupation("S001");
  ASSERT_NE(begun, 0);
  ASSERT_TRUE(map->GetStrAttr(begun, 11, text));
  EXPECT_STRNE(text, "00:00:00");
  TakeFix();
  TapKinematic();
  const uint16_t point = Occupation("S001");
  ASSERT_NE(point, 0);
  const uint16_t pointType = map->GetObjectCode(point);
  EXPECT_EQ(pointType, g_UserLayer.NewCodeOfKind(0, 1));
  EXPECT_EQ(pointType & 7, 1);
  TMapPoint corner{};
  map->GetObjectBounds(point, &corner, nullptr);
  int32_t gx = 0, gy = 0;
  map->PlaneToMap(g_MapView.gpsX, g_MapView.gpsY, &gx, &gy);
  EXPECT_NEAR(corner.x, gx, 2);
  EXPECT_NEAR(corner.y, gy, 2);

  // Written and read back: both records are there with their types.
  ASSERT_EQ(g_UserLayer.Save(0), 0);
  TMdmMap disk;
  ASSERT_EQ(disk.OpenHeader(map->path), 0);
  ASSERT_EQ(disk.Load(), 0);
  disk.loadAll = 1;
  disk.LoadVisibleObjects();
  std::vector<uint16_t> kept;
  for (int32_t i = 1; i < disk.count; ++i) {
    if (disk.GetStrAttr(uint16_t(i), 9, text) &&
        (std::strcmp(text, "K000") == 0 || std::strcmp(text, "S001") == 0))
      kept.push_back(disk.GetObjectCode(uint16_t(i)));
  }
  EXPECT_EQ(kept, (std::vector<uint16_t>{lineType, pointType}));
}

// A receiver file is copied in plain navigation while the sounder goes on measuring. The copy
// holds the line for seconds: the marker keeps its place, but no depth and no key point is
// recorded at the place the copy began once that fix is older than 3 s. After the copy the
// receiver's next fix records the next depth.
TEST_F(GeodesyRecords, AFileCopyRecordsNoPositionNobodyMeasured) {
  sample::FakeReceiver echo;
  ASSERT_TRUE(echo.Open());
  const uint16_t code = g_UserLayer.NewPointCode();
  test_gps::UseFakeSounderOnCom3(echo, code);
  fake.SetNmeaPosition(55.75, 37.61);  // in the town
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  harness::OnDialog(122, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
  demo_window::TapCommandBarButton(kNavigationButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_TRUE(g_EchoSounder.IsOpen());
  TakeFix();
  auto depthPoints = [&] {
    int n = 0;
    for (int32_t i = 1; i < map->count; ++i) n += map->GetObjectCode(uint16_t(i)) == code;
    return n;
  };
  auto sound = [&](uint64_t n) {
    ASSERT_TRUE(echo.WriteSentence("SDDBT,12.3,f,3.7,M,2.0,F"));
    ASSERT_TRUE(PumpUntil([&] { return g_EchoSounder.GetDepthsRead() == n; }));
  };
  const int before = depthPoints();

  AddBigLog();
  int duringCopy = -1, keyPoint = -1, marker = -1;
  bool copying = false, pointDialog = false;
  harness::OnDialog(TReceiverFilesDlg::kProgressTemplate, [&](HWND) {
    ASSERT_TRUE(PumpUntil([&] { return fake.BlocksSent().size() >= 2; }));
    harness::Advance(3000);
    for (uint64_t n = 1; n <= 3; ++n) {
      sound(n);
      harness::Advance(1000);  // the sounder's tick
    }
    copying = g_GreisReceiver.IsDownloading();
    marker = g_MapView.gpsState;
    duringCopy = depthPoints() - before;
    const size_t from = harness::DialogsOpened().size();
    keyPoint = AddPointAtGpsPosition();
    for (size_t i = from; i < harness::DialogsOpened().size(); ++i)
      pointDialog |= harness::DialogsOpened()[i] == 122;
  });
  CopyFirstLogWhenAsked();
  Command(kCmdReceiverFiles);
  harness::PumpUntilIdle();

  ASSERT_TRUE(copying) << "the clock moved while the copy ran";
  EXPECT_EQ(marker, 1) << "the marker keeps its place through a copy";
  EXPECT_EQ(duringCopy, 0);
  EXPECT_EQ(keyPoint, 0);
  EXPECT_FALSE(pointDialog);

  // The receiver's sentences again: the next depth is recorded.
  TakeFix();
  sound(4);
  harness::Advance(1000);
  EXPECT_EQ(depthPoints() - before, 1);
  echo.HangUp();
}

TEST_F(GeodesyRecords, TheGeodesyButtonShowsWhetherGeodesyRuns) {
  // A receiver that refuses every query: the bar's first poll fails and the retry is declined.
  fake.SetFault("print,", Fault::kError);
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDNO);
  demo_window::TapCommandBarButton(kGeodesyButton);
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
  EXPECT_FALSE(IsWindowVisible(g_GeodesyBar.window));
  EXPECT_EQ(g_GeodesyBar.GetHeight(), 0);

  // A receiver that answers. It still writes the log of the failed start: a new one is begun.
  fake.ClearFaults();
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDYES);
  harness::OnDialog(kStartGpsDialog,
                    [](HWND d) { SendMessageW(d, WM_COMMAND, kStartGpsNew, 0); });
  demo_window::TapCommandBarButton(kGeodesyButton);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 1);
  // Cancel to the switch-off question: geodesy runs on, and its button stays down.
  harness::AnswerMessageBox(Question(lang_id::kMsgGeoOffConf), IDCANCEL);
  demo_window::TapCommandBarButton(kGeodesyButton);
  EXPECT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 1);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
  EXPECT_TRUE(IsWindowVisible(g_GeodesyBar.window));
  // The same from the navigation button: geodesy is not left, and neither button lies.
  demo_window::TapCommandBarButton(kNavigationButton);
  EXPECT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsGeodesyConnection(), 1);
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 1);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
}

// A kinematic stretch is open in the Streets map when the surveyor makes the Demo map the
// working map in the project editor. The stretch's record is closed in the map it began in, and
// written there; the stretch's end later (a static one begun) touches none of the Demo map's own
// objects, and the static point is the Demo map's own new object.
TEST_F(GeodesyRecords, AStretchOpenWhenTheWorkingMapChangesIsClosedInTheMapItBeganIn) {
  g_Ini.SetInt("NJLCode", sample::kTownFootpath);  // the kinematic lines' type
  g_Ini.SetInt("NJPCode", g_UserLayer.NewPointCode());
  TMdmMap* demo = map;
  ASSERT_EQ(g_UserLayer.Close(), 1);
  ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(),
                               g_MapView.FindVectorMapIndex("\\Vorna\\Maps\\Streets.mdm")),
            1);
  map = g_UserLayer.map;
  StartGeodesy();
  TapKinematic();
  ASSERT_EQ(g_GeodesyBar.GetMode(), TGreisReceiver::kKinematic);
  const uint16_t begun = Occupation("K000");
  ASSERT_NE(begun, 0);
  ASSERT_EQ(g_GreisReceiver.GetOccupationObject(), begun);
  // A few steps in the town: the stretch's line gets its vertices (one a tick of the port).
  for (int step = 0; step < 3; ++step) {
    const double lat = 55.75 + 0.0005 * step, lon = 37.61 + 0.0005 * step;
    fake.SetNmeaPosition(lat, lon);
    ASSERT_TRUE(test_wait::Until([&] {
      GpsFix fix{};
      g_GpsPort.GetFix(&fix);
      return fix.latDegrees == 55 && std::fabs(fix.latMinutes - (lat - 55) * 60) < 1e-3 &&
             std::fabs(fix.lonMinutes - (lon - 37) * 60) < 1e-3;
    }));
    harness::Advance(TGpsPort::kFixTimerMs);
  }
  ASSERT_EQ(map->GetVertexCount(begun), 3);

  harness::AnswerMessageBox(Question(lang_id::kMsgSetWMConf), IDOK);
  editor_taps::AssignWorkingMapOnOpen(L"Demo");
  SendMessageW(w, WM_COMMAND, kCmdProjectEditor, 0);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_UserLayer.map, demo);
  EXPECT_EQ(g_GreisReceiver.GetOccupationObject(), 0);
  ASSERT_GT(demo->count, int32_t(begun)) << "the stretch's number names another object here";
  std::vector<uint16_t> codes;
  for (int32_t i = 1; i < demo->count; ++i) codes.push_back(demo->GetObjectCode(uint16_t(i)));

  TapStatic();
  ASSERT_EQ(g_GeodesyBar.GetMode(), TGreisReceiver::kStatic);
  for (size_t i = 0; i < codes.size(); ++i)
    ASSERT_EQ(demo->GetObjectCode(uint16_t(i + 1)), codes[i]) << "object " << i + 1;
  EXPECT_GT(g_GreisReceiver.GetOccupationObject(), int32_t(codes.size()))
      << "the static stretch's own object";

  // The Streets map's file: the kinematic record with its line type, end time and height.
  TMdmMap disk;
  ASSERT_EQ(disk.OpenHeader(map->path), 0);
  ASSERT_EQ(disk.Load(), 0);
  disk.loadAll = 1;
  disk.LoadVisibleObjects();
  int records = 0;
  for (int32_t i = 1; i < disk.count; ++i) {
    char text[256] = "";
    if (!disk.GetObjectCode(uint16_t(i)) || !disk.GetStrAttr(uint16_t(i), 9, text) ||
        std::strcmp(text, "K000") != 0)
      continue;
    ++records;
    EXPECT_EQ(disk.GetObjectCode(uint16_t(i)), sample::kTownFootpath);
    char end[256] = "";
    EXPECT_TRUE(disk.GetStrAttr(uint16_t(i), 12, end) && end[0]) << "the end time";
    float metres = -1;
    EXPECT_TRUE(disk.GetIntAttr(uint16_t(i), 1, &metres));
  }
  EXPECT_EQ(records, 1);
}

}  // namespace
