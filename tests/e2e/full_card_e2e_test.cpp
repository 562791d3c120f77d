// Nothing a user saved is lost on the demo device when the storage card fills up, a map file is
// missing at start or a save was cut short: the program itself under a file-size limit, the
// device layer's full card at every byte of the exit's saves, the working map kept when another
// one is chosen on a full card, a project's missing map kept in the project, a map left under its
// temporary name taken up, a picture placed without calibration found where it was.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/file_browser.h"
#include "edit/method_picker.h"
#include "edit/tool_panel.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tests/e2e/x_session.h"
#include "tests/support/browser_taps.h"
#include "tests/support/tool_panel_taps.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/image_writer.h"
#include "view/map_view.h"
#include "view/picture_map.h"
#include "view/project_maps_dlg.h"

namespace {

namespace fs = std::filesystem;

std::string ReadHost(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHostText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// The files of the device's folders under `dir` whose names end in ".tmp": none may be left.
std::vector<std::string> Temporaries(const fs::path& dir) {
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.path().extension() == ".tmp") found.push_back(e.path().string());
  return found;
}

// The program on `root`, headless, to its first frame and out through the exit command; with
// `fileLimit` >= 0 no file it writes may grow past that many bytes (SIGXFSZ ignored: the write
// fails, as on a full card). Its standard output and error, and its exit status in *status.
std::string RunProgram(const std::string& root, long fileLimit, int* status) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    close(fds[0]);
    close(fds[1]);
    if (fileLimit >= 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit r{rlim_t(fileLimit), rlim_t(fileLimit)};
      setrlimit(RLIMIT_FSIZE, &r);
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::string program = std::string(VORNA_BINARY_DIR) + "/bin/vorna";
    execl(program.c_str(), program.c_str(), "--root", root.c_str(), "--headless", "--exit-after-first-frame",
          "--screenshot", "/dev/null", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  return xsession::ReadToExit(fds[0], pid, status);
}

// The card fills while the program runs; at exit its settings (1,777 bytes, the GPS port last),
// its project and its maps must come through for the next start. Limited to 0 bytes nothing can
// be written; limited to 1 KiB the project fits and the settings do not.
TEST(FullCardE2e, ExitOnAFullCardKeepsTheSettingsAndTheProjectForTheNextStart) {
  std::string root = (fs::temp_directory_path() / "vorna-fullcard-XXXXXX").string();
  ASSERT_NE(mkdtemp(root.data()), nullptr);
  ASSERT_EQ(sample::WriteDemoDevice(root), "");
  const fs::path ini = fs::path(root) / "Vorna" / "Vorna.ini";
  std::string settings = ReadHost(ini);
  for (int i = 0; settings.size() < 1700; ++i) settings += "PadKey" + std::to_string(i) + "=s\n";
  settings += "GPSTYPE=1\nGPSCOMNUM_NMEA=COM3:\n";
  while (settings.size() < 1777) settings.insert(settings.size() - 1, "0");
  WriteHostText(ini, settings);
  const std::string project = ReadHost(fs::path(root) / "Vorna" / "Maps" / "Demo.mpj");

  for (long limit : {0L, 1024L}) {
    int status = -1;
    const std::string out = RunProgram(root, limit, &status);
    EXPECT_EQ(status, 0) << limit << "\n" << out;
    EXPECT_EQ(ReadHost(ini), settings) << limit;
    EXPECT_EQ(ReadHost(fs::path(root) / "Vorna" / "Maps" / "Demo.mpj"), project);
    // The user was told, in the program's words (headless, the box goes to standard error).
    EXPECT_NE(out.find("\\Vorna\\Vorna.ini"), std::string::npos) << out;
    EXPECT_TRUE(Temporaries(root).empty()) << limit;
  }
  int status = -1;
  const std::string out = RunProgram(root, -1, &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find(": 3 vector maps loaded"), std::string::npos) << out;
  const std::string after = ReadHost(ini);
  EXPECT_NE(after.find("\nGPSTYPE=1\nGPSCOMNUM_NMEA=COM3:"), std::string::npos) << after;
  EXPECT_NE(after.find("\nDefaultFile=\\Vorna\\Vorna.mpj\n"), std::string::npos) << after;
  std::error_code ec;
  fs::remove_all(root, ec);
}

// ---- in the program under the harness ----

class FullCardOnTheDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    maps = fs::path(harness::Root()) / "Vorna" / "Maps";
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
  }
  void TearDown() override {
    harness::LimitFileWrites(-1);
    if (main && IsWindow(main)) DestroyWindow(main);
    harness::Stop();
  }
  // The demo's project with Demo.mdm as its working map, as a user who chose it left it.
  void MakeDemoMapWorking() {
    std::string text = ReadHost(maps / "Demo.mpj");
    const size_t second = text.find('\n', text.find('\n') + 1);
    WriteHostText(maps / "Demo.mpj", text.insert(second, "\nW"));
  }
  void Start() {
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
  }
  // A point put into the working map at the centre of the view, as the point commands do.
  void AddFieldPoint(const char* name) {
    double x = 0, y = 0;
    g_MapView.GetCenter(&x, &y, 1);
    ASSERT_GT(g_UserLayer.AddObject(g_UserLayer.NewPointCode(), x, y, name), 0);
    ASSERT_EQ(g_UserLayer.saved, 0u);
  }
  // How many boxes said that this file could not be saved.
  static int SaveFailuresShown(const std::string& path) {
    const std::wstring wide(path.begin(), path.end());
    const std::wstring text = FormatLangText(lang_id::kMsgSaveFileErrS, wide.c_str());
    int n = 0;
    for (const auto& box : harness::MessageBoxes()) n += box.text == text;
    return n;
  }
  static bool MapHoldsPoint(const fs::path& host, const wchar_t* name) {
    const std::string device = "\\Vorna\\Maps\\" + host.filename().string();
    TMdmMap map;
    if (map.OpenHeader(device.c_str()) != kMdmOk || map.Load() != kMdmOk) return false;
    map.working = 1;
    map.LoadVisibleObjects();
    for (int32_t i = 1; i < map.count; ++i)
      if (map.objects[i].name && std::wstring(map.objects[i].name) == name) return true;
    return false;
  }

  fs::path maps;
  HWND main = nullptr;
};

// The exit's saves (project, working map, settings) on a card that fills at any byte: every file
// is, after each try, either as it was or whole as the save that succeeds writes it, no temporary
// stays behind, and each kind of file is told once however often it fails.
TEST_F(FullCardOnTheDemo, EveryFileOfTheExitIsWholeOldOrWholeNewWhereverTheCardFills) {
  MakeDemoMapWorking();
  Start();
  ASSERT_TRUE(g_UserLayer.open);
  AddFieldPoint("Field point");
  const fs::path ini = fs::path(harness::Root()) / "Vorna" / "Vorna.ini";
  const fs::path lastProject = fs::path(harness::Root()) / "Vorna" / "Vorna.mpj";
  const std::vector<fs::path> files = {ini, lastProject, maps / "Demo.mdm"};
  std::map<fs::path, std::string> old;
  for (const fs::path& f : files) old[f] = ReadHost(f);
  ASSERT_TRUE(old[lastProject].empty());  // made by the first exit that gets through

  std::vector<std::map<fs::path, std::string>> tries;
  for (long long limit = 0; limit < 1600; limit += 61) {
    harness::LimitFileWrites(limit);
    SaveSessionSettings();
    std::map<fs::path, std::string> now;
    for (const fs::path& f : files) now[f] = ReadHost(f);
    tries.push_back(now);
    EXPECT_TRUE(Temporaries(harness::Root()).empty()) << limit;
  }
  harness::LimitFileWrites(-1);
  for (const char* file : {"\\Vorna\\Vorna.ini", "\\Vorna\\Vorna.mpj", "\\Vorna\\Maps\\Demo.mdm"})
    EXPECT_EQ(SaveFailuresShown(file), 1) << file;

  DestroyWindow(main);  // the exit, with room on the card
  harness::PumpUntilIdle();
  std::map<fs::path, std::string> saved;
  for (const fs::path& f : files) saved[f] = ReadHost(f);
  for (size_t k = 0; k < tries.size(); ++k)
    for (const fs::path& f : files)
      EXPECT_TRUE(tries[k][f] == old[f] || tries[k][f] == saved[f]) << k << " " << f;
  EXPECT_NE(saved[ini], old[ini]);
  EXPECT_NE(saved[lastProject].find("\nW\n"), std::string::npos) << saved[lastProject];
  EXPECT_TRUE(MapHoldsPoint(maps / "Demo.mdm", L"Field point"));
}

// Another working map chosen in the project editor while the card is full: the map whose save
// failed stays the working map, with its point, and the user is told; once the card has room,
// the exit writes it.
TEST_F(FullCardOnTheDemo, AWorkingMapThatCannotBeSavedIsKeptWhenAnotherIsChosen) {
  MakeDemoMapWorking();
  Start();
  TMdmMap* demo = g_UserLayer.map;
  ASSERT_NE(demo, nullptr);
  AddFieldPoint("Kept point");
  const std::string before = ReadHost(maps / "Demo.mdm");
  harness::LimitFileWrites(0);
  harness::OnDialog(TProjectMapsDlg::kTemplate, [&](HWND d) {
    SendDlgItemMessageW(d, TProjectMapsDlg::kList, LB_SETCURSEL, 0, 0);  // Land, the first map
    SendMessageW(d, WM_COMMAND, TProjectMapsDlg::kAssign, 0);
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
  SendMessageW(main, WM_COMMAND, 40179, 0);
  harness::PumpUntilIdle();
  EXPECT_EQ(ReadHost(maps / "Demo.mdm"), before);
  ASSERT_TRUE(g_UserLayer.open);
  EXPECT_EQ(g_UserLayer.map, demo);
  EXPECT_EQ(g_MapView.GetVectorMap(g_MapView.GetVectorMapCount() - 1), demo);  // still last
  EXPECT_EQ(g_UserLayer.saved, 0u);
  const std::wstring path = L"\\Vorna\\Maps\\Demo.mdm";
  const std::wstring kept = FormatLangText(lang_id::kMsgWMKeptUnsavedS, path.c_str());
  int told = 0;
  for (const auto& box : harness::MessageBoxes()) told += box.text == kept;
  EXPECT_EQ(told, 1);

  harness::LimitFileWrites(-1);
  DestroyWindow(main);
  harness::PumpUntilIdle();
  EXPECT_TRUE(MapHoldsPoint(maps / "Demo.mdm", L"Kept point"));
}

// A midpoint finished with the construction tools on a full card: the user is told once, the
// map stays unsaved with the point in it, and the exit, with room on the card again, writes it.
TEST_F(FullCardOnTheDemo, AConstructionFinishedOnAFullCardIsToldKeptAndWrittenAtTheExit) {
  MakeDemoMapWorking();
  Start();
  TMdmMap* demo = g_UserLayer.map;
  ASSERT_NE(demo, nullptr);
  // Two points 40 m apart about the view's centre, saved while there is room.
  double x = 0, y = 0;
  g_MapView.GetCenter(&x, &y, 1);
  const int32_t a = g_UserLayer.AddObject(g_UserLayer.NewPointCode(), x, y - 20, "A");
  const int32_t b = g_UserLayer.AddObject(g_UserLayer.NewPointCode(), x, y + 20, "B");
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  ASSERT_EQ(g_UserLayer.Save(0), kMdmOk);
  TMapPoint pa{}, pb{};
  demo->GetObjectBounds(uint16_t(a), &pa, nullptr);
  demo->GetObjectBounds(uint16_t(b), &pb, nullptr);
  g_MapView.ShowRect(x - 60, y - 60, x + 60, y + 60);
  InvalidateMainView(1);
  harness::PumpUntilIdle();

  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_ToolPanel.IsShown());
  harness::OnDialog(TMethodPicker::kTemplate, [](HWND dialog) {
    POINT p{4 + 44 * (7 % 5) + 21, 4 + 44 * (7 / 5) + 21};  // the midpoint's tile
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
  });
  tool_taps::TapPanel(20, 20);
  ASSERT_EQ(g_ToolPanel.method, 7);
  for (const TMapPoint& p : {pa, pb}) {
    int32_t sx = 0, sy = 0;
    demo->MapToScreen(p.x, p.y, &sx, &sy);
    POINT at{sx, sy};
    ClientToScreen(main, &at);
    harness::Tap(at.x, at.y);
  }
  ASSERT_EQ(g_ToolPanel.picks.size(), 2u);
  const std::string before = ReadHost(maps / "Demo.mdm");
  harness::ClearMessageBoxes();
  harness::LimitFileWrites(0);
  tool_taps::TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  EXPECT_EQ(SaveFailuresShown("\\Vorna\\Maps\\Demo.mdm"), 1);
  EXPECT_EQ(g_UserLayer.saved, 0u);
  EXPECT_EQ(ReadHost(maps / "Demo.mdm"), before);
  // The midpoint of A and B, in map units (the two lie on one easting line).
  const int32_t mx = int32_t((int64_t(pa.x) + pb.x) / 2), my = int32_t((int64_t(pa.y) + pb.y) / 2);
  auto holdsMidpoint = [&](const TMdmMap& m) {
    int found = 0;
    for (int32_t i = 1; i < m.count; ++i) {
      const TMapObject& o = m.objects[i];
      found += o.code != 0 && (o.code & 7) == 1 && std::abs(o.box[0] - mx) <= 1 && std::abs(o.box[1] - my) <= 1;
    }
    return found;
  };
  EXPECT_EQ(holdsMidpoint(*demo), 1);

  // The panel put away, the autosave's try on the card still full: unsaved, not told again.
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  EXPECT_NE(g_UserLayer.Save(0), kMdmOk);
  EXPECT_EQ(g_UserLayer.saved, 0u);
  EXPECT_EQ(SaveFailuresShown("\\Vorna\\Maps\\Demo.mdm"), 1);

  harness::LimitFileWrites(-1);
  DestroyWindow(main);  // the exit, with room on the card
  harness::PumpUntilIdle();
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader("\\Vorna\\Maps\\Demo.mdm"), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  EXPECT_EQ(holdsMidpoint(reread), 1);
}

// Land.mdm is not on the card at start: the user hears of it once, and the project written at
// exit still lists it with its range and scale pairs, so it opens again once the file is back.
TEST_F(FullCardOnTheDemo, AMapMissingAtStartStaysInTheProject) {
  fs::rename(maps / "Land.mdm", fs::path(harness::Root()) / "Land.mdm");
  Start();
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 2);
  const std::wstring list = L"\n\\Vorna\\Maps\\Land.mdm";
  const std::wstring told = FormatLangText(lang_id::kMsgPrjMapsNotOpenedS, list.c_str());
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, told);
  DestroyWindow(main);
  harness::PumpUntilIdle();

  const std::string project = ReadHost(fs::path(harness::Root()) / "Vorna" / "Vorna.mpj");
  const size_t land = project.find("\n0\t0\t\\Vorna\\Maps\\Land.mdm\t3000:2000;7000:5000;15000:10000;\n");
  ASSERT_NE(land, std::string::npos) << project;
  EXPECT_LT(land, project.find("Streets.mdm")) << project;  // drawn beneath, as before
  fs::rename(fs::path(harness::Root()) / "Land.mdm", maps / "Land.mdm");
  TMapView next;
  next.libraries.SetFolder("\\Vorna\\Obj\\", &next.palette);
  ASSERT_EQ(next.OpenProject("\\Vorna\\Vorna.mpj", nullptr, 0), 0);
  ASSERT_EQ(next.GetVectorMapCount(), 3);
  EXPECT_STREQ(next.GetVectorMap(0)->path, "\\Vorna\\Maps\\Land.mdm");
  EXPECT_EQ(next.GetVectorMap(0)->scalePairCount, 3);
}

// A save of the working map by an older writer was cut between its two renames: the old file
// stepped aside as ".old", the new one still under ".tmp", nothing under the map's name. The
// start takes the new one up, without a word.
TEST_F(FullCardOnTheDemo, AMapLeftUnderItsTemporaryNameIsTakenUpAtStart) {
  MakeDemoMapWorking();
  const std::string newer = ReadHost(maps / "Streets.mdm");  // any whole map, told apart
  fs::rename(maps / "Demo.mdm", maps / "Demo.mdm.old");
  WriteHostText(maps / "Demo.mdm.tmp", newer);
  Start();
  EXPECT_EQ(g_MapView.GetVectorMapCount(), 3);
  EXPECT_TRUE(g_UserLayer.open);
  EXPECT_EQ(ReadHost(maps / "Demo.mdm"), newer);
  EXPECT_FALSE(fs::exists(maps / "Demo.mdm.tmp"));
  EXPECT_FALSE(fs::exists(maps / "Demo.mdm.old"));
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

// A picture without a calibration file added to the project is stretched over the view; after
// the exit, the project read again (raster maps first, before any vector map gives a view)
// opens it where it was.
TEST_F(FullCardOnTheDemo, APicturePlacedWithoutCalibrationIsWhereItWasAfterTheRestart) {
  sample::JpegSpec plan;
  plan.width = 300;
  plan.height = 200;
  ASSERT_TRUE(sample::WriteJpeg((maps / "Photo.jpg").string(), plan));
  Start();
  g_Ini.SetString("LastPathMap", "\\Vorna\\Maps\\");
  g_Ini.SetInt("LastFilterMap", 1);  // raster maps
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND b) { test_taps::ChooseInBrowser(b, L"Photo.jpg"); });
  harness::OnDialog(TProjectMapsDlg::kTemplate, [&](HWND d) {
    SendMessageW(d, WM_COMMAND, TProjectMapsDlg::kAdd, 0);
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
  SendMessageW(main, WM_COMMAND, 40179, 0);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_MapView.GetRasterMapCount(), 1);
  TRasterMap* placed = g_MapView.GetRasterMap(0);
  ASSERT_EQ(placed->open, 1);
  double where[6];
  placed->GetExtent(where);
  DestroyWindow(main);
  harness::PumpUntilIdle();

  SetRasterMapFactory(NewPictureMap);
  TMapView next;
  next.libraries.SetFolder("\\Vorna\\Obj\\", &next.palette);
  ASSERT_EQ(next.OpenProject("\\Vorna\\Vorna.mpj", nullptr, 0), 0);
  ASSERT_EQ(next.GetRasterMapCount(), 1);
  ASSERT_EQ(next.GetRasterMap(0)->open, 1);
  double again[6];
  next.GetRasterMap(0)->GetExtent(again);
  for (int k : {0, 1, 3, 4}) EXPECT_NEAR(again[k], where[k], 0.01) << k;
}

}  // namespace
