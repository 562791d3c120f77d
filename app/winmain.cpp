#include "app/winmain.h"

#include <cstdint>
#include <cstdio>

#include "app/auto_actions.h"
#include "app/back_buffer.h"
#include "base/button_table.h"
#include "app/main_window.h"
#include "app/menu_opener.h"
#include "app/navigation.h"
#include "app/program_host.h"
#include "app/receiver_host.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/save_report.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "edit/measure_tool.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/almanac.h"
#include "gps/echo_sounder.h"
#include "gps/geodesy_bar.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "platform/sys/instance_lock.h"
#include "resources/main_ids.h"
#include "search/db_point_layer.h"
#include "search/route.h"
#include "search/street_search.h"
#include "base/language_path.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/picture_map.h"

namespace {

bool g_instanceClaimed = false;

// The program path with its extension replaced: "\Vorna\Vorna.exe" + ".ini" = "\Vorna\Vorna.ini".
std::string ProgramFile(const char* suffix) {
  if (g_ProgramPath.empty()) return std::string();
  std::string p = g_ProgramPath;
  p.push_back('\0');
  StripExtension(p.data());
  p.resize(std::char_traits<char>::length(p.c_str()));
  return p + suffix;
}

// Before the first fit (k = 0) the screen has no scale: nothing converts.
bool GeoToScreen(double latitude, double longitude, int32_t* x, int32_t* y) {
  double px = 0, py = 0;
  if (!(g_MapView.pixelsPerMetre > 0)) return false;
  if (!g_MapView.GeoToPlane(latitude, longitude, &px, &py)) return false;
  g_MapView.PlaneToScreen(px, py, x, y, 1);
  return true;
}

bool ScreenToGeo(int32_t x, int32_t y, double* latitude, double* longitude) {
  double px = 0, py = 0;
  if (!(g_MapView.pixelsPerMetre > 0)) return false;
  g_MapView.ScreenToPlane(x, y, &px, &py, 1);
  return g_MapView.PlaneToGeo(px, py, latitude, longitude);
}

void PlaneToScreenForRings(double x, double y, int32_t* sx, int32_t* sy) {
  g_MapView.PlaneToScreen(x, y, sx, sy, 1);
}

// What the GPS bar asks of the program.
class TGpsBarLink final : public IGpsBarHost {
 public:
  void StopNavigation() override { StopNavigationMode(1); }
  void RunGpsFix() override {
    ApplyGpsFix(g_MainWindow, WM_TIMER, TGpsPort::kFixTimerId, GetTickCount());
  }
  void SetGpsFollow(int on) override { ::SetGpsFollow(on); }
  int AddPointAtGpsPosition() override { return ::AddPointAtGpsPosition(); }
  void SetNaviSaveLog(int on) override { g_NaviSaveLog = on; }
};
TGpsBarLink g_gpsBarLink;

// The navigation-target overlay's route: the program's one route.
class TRouteLink final : public IRouteService {
 public:
  int IsBound() override { return g_Route.IsBound() ? 1 : 0; }
  int Compute(double x1, double y1, double x2, double y2) override {
    return g_Route.Compute(x1, y1, x2, y2, 0) ? 1 : 0;
  }
  void Clear() override { g_Route.Clear(); }
};
TRouteLink g_routeLink;

// An integer setting with a default for a missing key.
int IntOr(const char* key, int missing) { return g_Ini.HasKey(key) ? g_Ini.GetInt(key) : missing; }

// Step 14 of the start-up: the file named on the command line (after asking), else DefaultFile.
// Only a start that opened the last project may write over it at exit: a file from the command
// line is opened for this run alone, and a last project that did not open is kept as it is.
void OpenStartupFile(HWND hwnd) {
  std::string file;
  if (g_CommandLineTooLong) {
    // Cutting it would name some other file; it is treated as a file that cannot be opened.
    g_StartupOpenResult = 7;
    g_LastProjectAside = 1;
    return;
  }
  if (!g_CommandLine.empty()) {
    file = g_CommandLine;
    // A leading quote goes, and the last character only when it is the closing quote.
    if (file[0] == '"') {
      file.erase(0, 1);
      if (!file.empty() && file.back() == '"') file.pop_back();
    }
    // A lone quote names nothing: no question, and the default is not opened either.
    if (file.empty()) {
      g_LastProjectAside = 1;
      return;
    }
    std::wstring wide = PathToWide(file);
    std::wstring text = FormatLangText(lang_id::kMsgOpenMapConfS, wide.c_str());
    if (MessageBoxW(hwnd, text.c_str(), g_Lang.GetText(lang_id::kMsgConf),
                    MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
      g_LastProjectAside = 1;
      g_StartupOpenResult = g_MapView.OpenFile(file.c_str(), &g_UserLayer, 1);
      if (g_StartupOpenResult == 0) g_FullRedraw = 1;
      return;
    }
    // Declined: the start goes on as a start without a file does.
    file.clear();
  }
  g_Ini.GetString("DefaultFile", file);
  if (file.empty()) return;
  g_StartupOpenResult = g_MapView.OpenFile(file.c_str(), &g_UserLayer, 1);
  if (g_StartupOpenResult == 0) g_FullRedraw = 1;
  else g_LastProjectAside = 1;
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show) {
  std::wstring wide = commandLine ? commandLine : L"";
  g_CommandLine.clear();
  g_CommandLineTooLong = 0;
  if (wide.size() > size_t(kMaxCommandLine)) {
    g_CommandLineTooLong = 1;
  } else {
    // The command line is a file's path: in the path page, and only when it fits that page
    // whole (a changed name would open another file).
    if (!WideToPathExact(wide, &g_CommandLine) || g_CommandLine.size() > size_t(kMaxCommandLine)) {
      g_CommandLine.clear();
      g_CommandLineTooLong = 1;
    }
  }

  g_StartupDone = 0;
  int rc = RegisterMainWindowClass(instance);
  if (rc != 0) return rc;
  HWND window = CreateMainWindow(instance, g_CommandLine.c_str(), show);
  int code = 16;
  if (window) {
    HACCEL accel = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAIN_ACCEL));
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (!accel || !TranslateAcceleratorW(g_MainWindow, accel, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    if (accel) DestroyAcceleratorTable(accel);
    code = static_cast<int>(msg.wParam);
  }
  UnregisterClassW(kMainClassName, instance);
  if (g_instanceClaimed) {
    vplat::ReleaseInstance(kMainClassName);
    g_instanceClaimed = false;
  }
  return code;
}

int RegisterMainWindowClass(HINSTANCE instance) {
  if (HWND other = FindWindowW(kMainClassName, nullptr)) {
    // The low bit brings the window's owned windows forward with it.
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(other) | 1));
    return -1;
  }
  // A program on the same device root in another process has no window we can see: its claim
  // tells. Nothing can be brought to the front across processes.
  vplat::InstanceClaim claim = vplat::ClaimInstance(kMainClassName);
  if (claim == vplat::InstanceClaim::kHeldElsewhere) return -1;
  g_instanceClaimed = claim == vplat::InstanceClaim::kClaimed;

  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kMainClassName;
  if (!RegisterClassW(&wc)) {
    if (g_instanceClaimed) vplat::ReleaseInstance(kMainClassName);
    g_instanceClaimed = false;
    return 1;
  }
  return 0;
}

HWND CreateMainWindow(HINSTANCE instance, const char*, int show) {
  g_Instance = instance;
  HWND w = CreateWindowExW(0, kMainClassName, kMainWindowTitle, WS_VISIBLE, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                           nullptr);
  if (!w) return nullptr;
  g_MainWindow = w;
  StartUp(w);
  ShowWindow(w, show);
  UpdateWindow(w);
  g_StartupDone = 1;
  g_AutoActions.Start();
  return w;
}

void StartUp(HWND hwnd) {
  InstallProgramHost();
  wchar_t module[1024];
  DWORD n = GetModuleFileNameW(nullptr, module, 1024);
  if (n > 0 && n < 1024) {
    g_ProgramPathW.assign(module, n);
    // In the path page, before the language file is read: a language that brings another page
    // for its texts changes nothing of the paths made from this one.
    std::string path = WideToPath(std::wstring_view(module, n));
    if (path.size() > 255) path.resize(255);
    g_ProgramPath = path;
    char folder[256];
    g_ProgramFolder = GetDirPart(folder, path.c_str(), sizeof folder);

    g_MemoryTimer = SetTimer(hwnd, kMemoryTimerId, kMemoryTimerMs, LowMemoryTimerProc);

    HDC dc = GetDC(hwnd);
    g_BackBuffer.Create(dc);
    ReleaseDC(hwnd, dc);

    g_Ini.Load(ProgramFile(".ini").c_str());
    SetLanguageFolder(g_ProgramFolder.c_str());  // language files sit beside the program
    LoadLanguage();
    g_MapView.LoadStartupResources(g_ProgramFolder.c_str(), &g_BackBuffer);
    InstallMapDrawing(g_MapView);
    SetRasterMapFactory(NewPictureMap);
    g_MapView.positionHook = GetCurrentPosition;
    g_MapView.ReadScreenResolution(hwnd);

    g_NaviSaveLog = g_Ini.GetInt("NaviSaveLog");
    g_MapView.followGps = g_Ini.GetInt("GPSGO");
    g_MapView.centreOnGps = g_Ini.GetInt("GPSROTMAP");
    SearchCityID = g_Ini.GetInt("SearchCityID");
    // The code of GPS points; each accepted point's code is written back at exit.
    g_UserLayer.pointCode = uint16_t(g_Ini.GetInt("GPSDefCodePoint"));

    g_MeasureTool.Attach(&g_MapView, &g_BackBuffer);
    g_GotoOverlay.Attach(&g_MapView, &g_BackBuffer, &g_routeLink);
    SetGpsBarHost(&g_gpsBarLink);
    g_Route.SetOwner(&g_MapView, &g_BackBuffer);
    g_SightRule.toScreen = PlaneToScreenForRings;

    InstallReceiverHost();
    g_GreisReceiver.Bind(&g_GpsPort, ProgramFile(".gbackup").c_str());
    g_UserLayer.SetLetGoListener(&g_GreisReceiver);
    std::string antenna;
    if (g_Ini.GetString("GeoAntType", antenna)) g_GreisReceiver.SetAntennaType(antenna.c_str());

    OpenStartupFile(hwnd);

    std::string almanac;
    if (g_Ini.GetInt("AlmAutoLoad") && g_Ini.GetString("AlmFile", almanac)) {
      SetWaitCursor(1);
      g_Almanac.Load(almanac.c_str());
      SetWaitCursor(0);
    }

    SetDbLayerFactory(MakeDbPointLayer);
    OpenAddressDatabase();
    ApplyViewSettings();
    g_ButtonTable.Load();
    if (g_MenuBar) {
      g_MenuOpener.Init(reinterpret_cast<HMENU>(
          SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, kScaleMenuCommand)));
    }
  }
  if (g_MenuBar) UpdateWindow(g_MenuBar);
}

void ApplyViewSettings() {
  TranslateMainMenu();

  if (g_Ini.GetInt("GPSOffsActive")) ApplyGpsOffset(g_Ini.GetInt("GPSOffsX"), g_Ini.GetInt("GPSOffsY"));
  else ApplyGpsOffset(0, 0);

  if (g_ToolPanel.IsShown()) g_ToolPanel.blankAutoShowNew = g_Ini.GetInt("BlankAutoShowNew");
  if (g_GeodesyBar.GetHeight() > 0 || (g_GeodesyBar.window && IsWindowVisible(g_GeodesyBar.window)))
    g_GeodesyBar.blankAutoShowNew = g_Ini.GetInt("BlankAutoShowNew");

  int fill = IntOr("MapViewFill", 1);
  int marking = g_Ini.GetInt("MapViewMarking");
  int grid = g_Ini.GetInt("MapViewGrid");
  int points = IntOr("PDBDisplay", 1);
  int changed = g_MapView.SetFill(fill);
  changed |= g_MapView.SetMarking(marking);
  changed |= g_MapView.SetGrid(grid);
  changed |= g_MapView.SetDbPointsMode(points);
  if (changed) InvalidateMainView(1);
  CheckMainMenuItem(kMapsMenuCommand, 41023, fill);
  CheckMainMenuItem(kMapsMenuCommand, 41024, grid);
  CheckMainMenuItem(kMapsMenuCommand, 41021, marking);

  if (g_Ini.GetInt("AlmBase")) {
    // GetFloat answers 0.0 for text that is no finite number ("nan"), so no NaN gets in.
    g_SkyPlot.SetBase(g_Ini.GetFloat("AlmBaseX"), g_Ini.GetFloat("AlmBaseY"),
                      g_Ini.GetFloat("AlmBaseH"), g_Ini.GetFloat("AlmBaseHMask"));
    g_SkyPlot.SetOption(1);
  } else {
    g_SkyPlot.SetOption(0);
  }

  // "WMBackUp" is read by the map saving itself when it saves.
  g_UserLayer.cut = g_Ini.GetInt("WMCutLong") ? 1 : 0;
  ApplyAutoSaveSettings();

  g_SightRule.on = g_Ini.GetInt("NaviRuleSight");
  if (g_SightRule.on) {
    std::string rings;
    if (!g_Ini.GetString("NaviRuleSightList", rings)) {
      g_SightRule.on = 0;
    } else {
      // Every list is read, a short one too: emptied, it means no rings, and "5" one 5 m ring
      // (kept, the old rings would go on showing a list the user no longer has).
      if (!rings.empty() && rings.back() != ';') rings.push_back(';');
      g_SightRule.ParseRings(rings.c_str());
    }
  }
  g_AutoActions.LoadSettings();
}

void OpenAddressDatabase() {
  std::string relative;
  if (!g_Ini.GetString("DBGlobal", relative)) {
    relative = "DB\\Global.ndb";
    g_Ini.SetString("DBGlobal", relative.c_str());
  }
  std::string path = g_ProgramFolder + relative;
  SetWaitCursor(1);
  g_MapView.CreateDbLayer(path.c_str(), GeoToScreen, ScreenToGeo);
  SetWaitCursor(0);
}

void GetCurrentPosition(double* x, double* y) {
  double px = 0, py = 0;
  if (g_ToolPanel.IsShown() && g_ToolPanel.GetCurrentPoint(&px, &py)) {
  } else if (g_VertexEditBar.window && IsWindowVisible(g_VertexEditBar.window) &&
             g_VertexEditBar.GetCurrentPoint(&px, &py)) {
  } else if (g_GpsPort.IsOpen() && g_MapView.followGps) {
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    if (fix.status != 'A') return;
    px = g_MapView.gpsX;
    py = g_MapView.gpsY;
  } else {
    return;
  }
  if (x) *x = px;
  if (y) *y = py;
}

int SaveLastProject() {
  // The view holds something else than the last project: writing it would lose that project.
  if (g_LastProjectAside) return TIniFile::kOk;
  std::string saved;
  if (g_Ini.GetInt("SEVELASTPRJ")) {
    std::string path = ProgramFile(".mpj");
    if (!path.empty() && g_MapView.SaveProject(path.c_str()) == 0) {
      saved = path;
    } else if (!path.empty()) {
      // Not written (a full card): the next start opens what it opened this time, so
      // "DefaultFile" keeps naming that project, which kept its old content.
      ReportSaveFailure(TSaveKind::kProject, path.c_str());
      return 0;
    }
  }
  return g_Ini.SetString("DefaultFile", saved.c_str());
}

int SaveSessionSettings() {
  SaveLastProject();
  // Navigation mode ends without asking: the reader threads stop before the globals go.
  StopNavigationMode(1);
  g_EchoSounder.Close();
  g_UserLayer.Flush();
  g_Ini.SetInt("GPSDefCodePoint", g_UserLayer.pointCode);
  g_Ini.SetInt("GPSGO", g_MapView.followGps);
  g_Ini.SetInt("GPSROTMAP", g_MapView.centreOnGps);
  g_Ini.SetInt("SearchCityID", SearchCityID);
  if (!g_ProgramFolder.empty()) {
    // A fresh device has no program folder yet; the settings file is made in it.
    std::wstring folder = PathToWide(g_ProgramFolder);
    if (!PathExistsW(folder.c_str())) CreateDirectoryW(folder.c_str(), nullptr);
  }
  int rc = g_Ini.Save();
  if (rc != 0) {
    std::fprintf(stderr, "vorna: the settings could not be saved to %s\n", g_Ini.GetPath());
    ReportSaveFailure(TSaveKind::kSettings, g_Ini.GetPath());
  }
  return rc;
}

void CALLBACK LowMemoryTimerProc(HWND hwnd, UINT, UINT_PTR, DWORD) {
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  if (status.dwAvailPhys >= kLowMemoryBytes) return;
  // The timer waits while the box is up, so the next warning comes 30 s after it closed.
  KillTimer(hwnd, kMemoryTimerId);
  g_MemoryTimer = 0;
  g_LowMemoryBoxUp = 1;
  MessageBoxW(hwnd, g_Lang.GetText(lang_id::kMsgLoMemoryWarn), nullptr, MB_OK | MB_ICONSTOP);
  g_LowMemoryBoxUp = 0;
  if (IsWindow(hwnd)) g_MemoryTimer = SetTimer(hwnd, kMemoryTimerId, kMemoryTimerMs, LowMemoryTimerProc);
}

namespace {
// A claim left by a test case that ended without the shutdown goes with its windows.
const vplat::FreshStateHook kFresh(6, [] {
  if (g_instanceClaimed) vplat::ReleaseInstance(kMainClassName);
  g_instanceClaimed = false;
});
}  // namespace
