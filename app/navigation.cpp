#include "app/navigation.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/track_buffer.h"
#include "platform/fresh_state.h"
#include "view/project_maps_dlg.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "edit/object_form.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "edit/tool_panel.h"
#include "gps/echo_sounder.h"
#include "gps/geodesy_bar.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "gps/point_properties.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "maps/user_layer.h"
#include "search/route.h"
#include "settings/settings_dialog.h"
#include "view/map_view.h"

namespace {

constexpr size_t kPortNameMax = 255;  // characters of a port name taken from the settings
constexpr int kRouteOptions = 0;
constexpr double kRouteTapPixels = 10;  // how far a tap's road may lie from it, screen pixels

int g_geodesy = 0;      // the running connection is geodesy mode
int g_fromUser = 0;     // it was started by a command or a button, with questions
int g_routeTap = 0;     // 0: the next route tap is the start, 1: the end
double g_routeStartX = 0, g_routeStartY = 0;
bool g_fixTickBusy = false;  // a fix tick is inside a modal loop (a notice box)

DWORD WINAPI GpsReader(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }

// Why a route tap laid nothing, in a message: also no graph read, or one whose map is not open.
void ShowRouteFailure(TRouteFailure failure) {
  const std::wstring text = g_Route.FailureText(failure);
  if (!text.empty()) MessageBoxW(g_MainWindow, text.c_str(), g_Lang.GetText(lang_id::kMsgInfo), MB_OK);
}

// The follow button of the bar of the running mode.
void SetFollowButton(int on) {
  if (g_geodesy)
    g_GeodesyBar.followButton = on;
  else
    g_GpsBar.followButton.SetState(on ? TSoftButton::kDown : TSoftButton::kUp, true);
}

// What a user-started connection leaves behind once the port is closed: no GPS state, no echo
// sounder, no point-on-map button, the track ended and the working map saved.
void EndUserConnection() {
  g_MapView.SetGpsState(0);
  if (g_EchoSounder.IsOpen()) OpenEchoPort(g_MainWindow, 0);
  if (g_GpsBar.pointOnMapButton.IsDown()) {
    g_GpsBar.pointOnMapButton.SetState(TSoftButton::kUp, true);
    // The mode follows the button up: a point already set on the map has put it back to normal
    // while the button stayed down, and toggling it then would make the next tap on the map set
    // a point with no button down.
    if (GetInputMode() == input_mode::kNavigationPoint) SetInputMode(input_mode::kNormal, 0);
  }
  g_GpsBar.gotoButton.SetState(TSoftButton::kUp, true);
  g_GpsBar.OnPointsButton();  // the target goes with the button
  g_UserLayer.EndObject();
  g_UserLayer.Save(0);
}

// Whoever opened the port (the user, the receiver file manager), its satellites are in nobody's
// view once it is closed: the plot is refilled at once, as no fix tick comes to do it.
void DropReceiverSatellites() { UpdateSkyPlot(&g_GpsPort, &g_Almanac); }

int32_t Saturate(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

uint16_t g_GpsDefCode = 0;

void SetGpsFollow(int on) {
  g_MapView.followGps = on ? 1 : 0;
  SetFollowButton(on ? 1 : 0);
  // The next valid fix counts as a move, so the view centres on it at once.
  if (on) g_MapView.lastFixLatitude = g_MapView.lastFixLongitude = 0;
}
int GetGpsFollow() { return g_MapView.followGps; }

bool EnsureWorkMapForGps() {
  g_GpsDefCode = uint16_t(g_Ini.GetInt("GPSDefCode"));
  g_UserLayer.pointCode = uint16_t(g_Ini.GetInt("GPSDefCodePoint"));
  g_UserLayer.trackCode = g_GpsDefCode;  // the code of the track objects recorded
  while (!g_UserLayer.open) {
    const int answer = RunNeedWorkMapDialog(g_MainWindow);
    if (answer == kNeedWorkMapGoOn) {
      g_UserLayer.Close();
      return true;
    }
    if (answer != kNeedWorkMapChoose) return false;
    RunProjectEditor(g_MainWindow);
  }
  return true;
}

void UpdateGpsPanels() {
  if (g_GpsPort.IsOpen()) {
    if (g_geodesy) {
      g_GeodesyBar.Show(1);
      g_GpsBar.Show(0);
    } else {
      g_GpsBar.Show(1);
      g_GeodesyBar.Show(0);
    }
    g_FullScreen = 0;
  }
  // Showing the geodesy bar polls the receiver, and a receiver that does not answer it may end
  // the connection right there: what the panels and buttons show is read after that.
  const bool open = g_GpsPort.IsOpen();
  if (open) {
    // The receiver's satellites drive the sky plot now; the almanac bar's time is not used.
    g_AlmanacBar.Show(0);
  } else {
    g_GpsBar.Show(0);
    g_GeodesyBar.Show(0);
    // The receiver's satellites go with the connection: the plot shows the almanac alone again,
    // at the almanac bar's time and place while the plot is on.
    if (g_SkyPlot.IsEnabled())
      g_AlmanacBar.Show(1);
    else
      UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  }
  // The map area is laid out again only on a full redraw, so showing a bar asks for one too.
  InvalidateMainView(1);
  ShowModeButtons();
}

void ShowModeButtons() {
  // A tap on a command-bar button toggles it at once; the buttons are set back here to what
  // runs, whatever the tap's command came to (a question answered Cancel, a failed start).
  const int open = g_GpsPort.IsOpen() ? 1 : 0;
  CheckBarButton(g_geodesy ? kCmdGeodesy : kCmdNavigation, open);
  CheckBarButton(g_geodesy ? kCmdNavigation : kCmdGeodesy, 0);
}

int IsGeodesyLogging() {
  return g_GpsPort.IsOpen() && g_geodesy && g_GreisReceiver.logName[0] ? 1 : 0;
}

namespace {
// The view's GPS position came from a measured fix at the last tick: not from one that a command
// dialogue held current (the marker stays there through a file copy; nothing was measured).
bool g_viewFixMeasured = false;
}  // namespace

bool HaveCurrentFix() {
  if (g_MapView.gpsState != 1 || !g_GpsPort.IsOpen() || !g_viewFixMeasured) return false;
  // The view's state is the last tick's; the fix may have gone stale since.
  return g_GpsPort.HasMeasuredFix();
}

int ApplyTrackRecording(int on) {
  // Only a running connection records; otherwise the setting alone changes.
  if (!g_GpsPort.IsOpen()) return 0;
  if (g_geodesy) {
    // The track of geodesy mode is the open stretch's line (the start's own track gives way to
    // it). Off, it takes no more positions but stays the stretch's object, whose record its
    // close still finishes; on, it goes on. A stretch begun later records from its start, as the
    // first one does: without its positions a kinematic stretch would be no line at all.
    if (on)
      g_UserLayer.ResumeObject();
    else
      g_UserLayer.PauseObject();
    return 1;
  }
  if (on) {
    if (!g_UserLayer.recording) g_UserLayer.BeginObject();
  } else {
    g_UserLayer.EndObject();
  }
  return 1;
}

void ApplyValidFix(HWND hwnd, const GpsFix& fix) {
  g_MapView.SetGpsState(1);
  int full = 0;
  RECT rect{};
  double x = g_MapView.gpsX, y = g_MapView.gpsY;
  const double course = std::isfinite(fix.course) ? fix.course : 0.0;
  if (g_MapView.UpdateGpsPosition(fix.latitude, fix.longitude, course, fix.altitude, &full,
                                  &rect, &x, &y)) {
    g_UserLayer.AddPoint(x, y);
    g_GotoOverlay.UpdatePosition(x, y, fix.speed, course);
    // The rings are drawn round the position over the whole view: all of it is repainted.
    if (g_SightRule.on) rect = g_MapView.viewRect;
    if (g_FullRedraw || full) {
      g_FullRedraw = 1;
      InvalidateRect(hwnd, nullptr, TRUE);
    } else {
      // Only a tick on a window with nothing else to repaint may draw just the track's tail.
      const bool clean = !GetUpdateRect(hwnd, nullptr, FALSE);
      InvalidateRect(hwnd, &rect, FALSE);
      g_TrackBuffer.NoteTick(hwnd, clean);
    }
  }
  g_MapView.gpsX = x;
  g_MapView.gpsY = y;
}

void CALLBACK ApplyGpsFix(HWND hwnd, UINT, UINT_PTR, DWORD) {
  // A tick that comes while the previous one waits in a notice box is skipped.
  if (g_fixTickBusy) return;
  g_fixTickBusy = true;
  if (!g_GpsPort.IsOpen()) {
    g_viewFixMeasured = false;
    g_MapView.SetGpsState(0);
  } else {
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    g_viewFixMeasured = fix.status == 'A' && g_GpsPort.HasMeasuredFix();
    if (fix.status == 'A') {
      ApplyValidFix(hwnd, fix);
    } else {
      if (g_MapView.gpsState == 1) InvalidateMainView(0);
      g_MapView.SetGpsState(2);
    }
  }
  g_GpsBar.UpdateStatus();
  g_GeodesyBar.UpdateStatus();
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  TSettingsDialog::RefreshPage(0);
  g_fixTickBusy = false;
}

int StartNavigationMode(int ask, int geodesy) {
  g_ElevationMask = 0;
  int result = 0;
  if (!g_GpsPort.IsOpen() && geodesy && !GeodesyReceiverConfigured(ask)) {
    // Nothing is opened: the tail below sets the buttons back to what runs.
  } else if (!g_GpsPort.IsOpen() && !(ask && !EnsureWorkMapForGps())) {
    g_geodesy = geodesy ? 1 : 0;
    g_fromUser = ask ? 1 : 0;
    const int type = g_Ini.GetInt("GPSTYPE");
    char name[kPortNameMax + 1] = "";
    int baud = 0;
    if (type == TGpsPort::kNmea) {
      g_Ini.GetString("GPSCOMNUM_NMEA", name, sizeof name);
      baud = g_Ini.GetInt("GPSCOMBR_NMEA");
    } else if (type == TGpsPort::kGreis) {
      g_Ini.GetString("GPSCOMNUM_JAVAD", name, sizeof name);
      baud = g_Ini.GetInt("GPSCOMBR_JAVAD");
    }
    const std::wstring wide = AnsiToWideString(name);
    const int keepAwake = g_Ini.GetInt("GPSDISABLEAUTOSUSPEND");
    g_GpsPort.SetSourceType(type);
    g_GpsPort.Open(g_MainWindow, wide.c_str(), baud, ApplyGpsFix, GpsReader, keepAwake ? 1 : 0);
    SHFullScreen(g_MainWindow, SHFS_HIDETASKBAR);
    if (ask && g_GpsPort.IsOpen()) {
      g_FullScreen = 0;
      // The track follows NaviSaveLog in either mode; a track this start began is remembered,
      // so an abandoned geodesy start can take it back.
      int32_t trackBegun = -1;
      if (!g_Ini.GetInt("NaviSaveLog"))
        g_UserLayer.EndObject();
      else if (!g_UserLayer.recording && g_UserLayer.open)
        trackBegun = g_UserLayer.BeginObject();
      bool echoOpened = false;
      if (g_Ini.GetInt("ECHOACTIVE")) echoOpened = OpenEchoPort(g_MainWindow, 1) != 0;
      if (geodesy) {
        // A log the receiver is still recording (a start after a break) is resumed or replaced;
        // otherwise the user confirms the start.
        char log[256] = "";
        AskCurrentLog(log);
        bool go = false;
        int resume = 0;
        if (std::strlen(log) > 1) {
          const std::wstring text =
              FormatLangText(lang_id::kMsgBreakAndBegin, AnsiToWideString(log).c_str());
          const int answer = RunStartGpsDialog(g_MainWindow, text.c_str());
          go = answer != kStartGpsCancel;
          resume = answer == kStartGpsHot ? 1 : 0;
        } else {
          go = MessageBoxW(g_MainWindow, g_Lang.GetText(lang_id::kMsgGeoOnConf),
                           g_Lang.GetText(lang_id::kMsgConf), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
        }
        if (go) {
          g_GeodesyBar.followButton = g_Ini.GetInt("GPSGO") ? 1 : 0;
          g_GreisReceiver.StartLogging(resume);
          ReadElevationMask();
        } else {
          // Abandoned: what this start opened or began goes again.
          if (echoOpened) OpenEchoPort(g_MainWindow, 0);
          if (trackBegun > 0) {
            g_UserLayer.EndObject();
            if (g_UserLayer.map && g_UserLayer.map->GetVertexCount(uint16_t(trackBegun)) == 0)
              g_UserLayer.DeleteObject(uint16_t(trackBegun));
          }
          g_GpsPort.Close();
        }
      } else {
        SetFollowButton(g_Ini.GetInt("GPSGO") ? 1 : 0);
      }
    }
    result = g_GpsPort.IsOpen() ? 1 : 0;
  }
  if (ask) {
    g_ToolPanel.Show(0);
    CheckBarButton(kCmdToolsPanel, 0);
    UpdateGpsPanels();
  }
  return result;
}

void ReadElevationMask() {
  std::string reply;
  bool answered = false;
  if (g_GreisReceiver.IsReady()) {
    TCommandBracket bracket(g_GreisReceiver);
    answered = g_GreisReceiver.Command("print,/par/pos/elm\n", &reply);
  }
  g_ElevationMask = answered ? ParseElevationMask(reply.c_str()) : 0.0;
}

// The log the receiver is recording (empty when none), asked in a command dialogue of its own so
// the reader thread does not take the reply.
void AskCurrentLog(char* log) {
  log[0] = 0;
  if (!g_GreisReceiver.IsReady()) return;
  TCommandBracket bracket(g_GreisReceiver);
  g_GreisReceiver.GetCurrentLog(log);
}

double ParseElevationMask(const char* reply) {
  // The receiver writes a point whatever the user's locale: read it in the C locale.
  if (!reply) return 0;
  char* end = nullptr;
  locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
  double v = c ? strtod_l(reply, &end, c) : std::strtod(reply, &end);
  if (c) freelocale(c);
  return end != reply && std::isfinite(v) ? v : 0.0;
}

int StopNavigationMode(int doNotAsk) {
  int closed = 0;
  if (g_GpsPort.IsOpen()) {
    char log[256] = "";
    if (g_geodesy) AskCurrentLog(log);
    if (g_geodesy && g_fromUser && !doNotAsk &&
        MessageBoxW(g_MainWindow,
                    FormatLangText(lang_id::kMsgGeoOffConf, AnsiToWideString(log).c_str()).c_str(),
                    g_Lang.GetText(lang_id::kMsgConf), MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
      ShowModeButtons();  // geodesy goes on: its button shows it, whatever the tap made of it
      return 0;
    }
    if (g_geodesy && g_fromUser) {
      g_GeodesyBar.FillSiteCombo();
      // A receiver that did not answer the log query may still be recording the log this run
      // started: its stop (and its work-time line) must not be lost with the answer.
      if (log[0] || g_GreisReceiver.logName[0]) g_GreisReceiver.StopLogging();
    }
    g_GpsPort.Close();
    DropReceiverSatellites();
    if (g_fromUser) EndUserConnection();
    closed = g_GpsPort.IsOpen() ? 0 : 1;
  }
  if (g_fromUser) UpdateGpsPanels();
  return closed;
}

bool GeodesyReceiverConfigured(int tell) {
  // Geodesy records the receiver's own log: a plain NMEA receiver has none, and would get
  // log queries it never answers, a log name made up, occupations naming that log and a work
  // time of a recording that never ran.
  if (g_Ini.GetInt("GPSTYPE") == TGpsPort::kGreis) return true;
  if (tell)
    MessageBoxW(g_MainWindow, g_Lang.GetText(lang_id::kMsgGeoNeedsReceiver),
                g_Lang.GetText(lang_id::kMsgInfo), MB_OK | MB_ICONINFORMATION);
  return false;
}

namespace {
int Toggle(int geodesy) {
  // Refused before anything stops: a running navigation goes on, and the buttons show it.
  const bool geodesyRuns = g_GpsPort.IsOpen() && g_geodesy;
  if (geodesy && !geodesyRuns && !GeodesyReceiverConfigured(1)) {
    ShowModeButtons();
    return 0;
  }
  if (!g_GpsPort.IsOpen()) return StartNavigationMode(1, geodesy);
  if (g_geodesy == geodesy) return StopNavigationMode(0);
  if (StopNavigationMode(0)) return StartNavigationMode(1, geodesy);
  return 0;
}
}  // namespace

int ToggleNavigationMode(HWND) { return Toggle(0); }
int ToggleGeodesyMode(HWND) { return Toggle(1); }
int IsGeodesyConnection() { return g_geodesy; }

void OnGpsSourceEnded(TGpsPort* port) {
  port->OnSourceEnded();
  // The source closed the port: the mode ends as a stop does (nothing to ask).
  if (!g_GpsPort.IsOpen()) StopNavigationModeAfterClose();
}

void StopNavigationModeAfterClose() {
  DropReceiverSatellites();
  if (g_fromUser) {
    EndUserConnection();
    UpdateGpsPanels();
  }
}

int SetGpsOffsetFromDrag(int x0, int y0, int x1, int y1) {
  double ax, ay, bx, by;
  g_MapView.ScreenToPlane(x0, y0, &ax, &ay, 1);
  g_MapView.ScreenToPlane(x1, y1, &bx, &by, 1);
  auto whole = [](double v) {
    return std::isfinite(v) ? int64_t(std::clamp(v, -4.0e18, 4.0e18)) : int64_t(0);
  };
  // The drag moves the points from where they are drawn now: it adds to the offset in force,
  // which is none while the offset is switched off (its stored numbers are not in use then).
  const bool active = g_Ini.GetInt("GPSOffsActive") != 0;
  const int64_t baseX = active ? g_Ini.GetInt("GPSOffsX") : 0;
  const int64_t baseY = active ? g_Ini.GetInt("GPSOffsY") : 0;
  const int32_t ox = Saturate(baseX + whole(bx - ax));
  const int32_t oy = Saturate(baseY + whole(by - ay));
  g_Ini.SetInt("GPSOffsX", ox);
  g_Ini.SetInt("GPSOffsY", oy);
  g_Ini.SetInt("GPSOffsActive", 1);
  ApplyGpsOffset(ox, oy);
  return 1;
}

void ApplyGpsOffset(int32_t x, int32_t y) {
  if (g_MapView.gpsOffsetX == x && g_MapView.gpsOffsetY == y) return;
  g_MapView.gpsOffsetX = x;
  g_MapView.gpsOffsetY = y;
  g_MapView.lastFixLatitude = g_MapView.lastFixLongitude = 0;
}

void ResetRouteTaps() { g_routeTap = 0; }

int RoutePointTap(int x, int y) {
  double px, py;
  g_MapView.ScreenToPlane(x, y, &px, &py, 1);
  // A tap's road is the one drawn under the stylus: within the pick tolerance of every other
  // tap, at the scale the user sees, whatever the road map's unit.
  const double limit =
      g_MapView.pixelsPerMetre > 0 ? kRouteTapPixels / g_MapView.pixelsPerMetre : -1.0;
  int32_t node;
  const TRouteFailure road = g_Route.FindRoadNode(px, py, limit, &node);
  if (road != TRouteFailure::kNone) {
    // The tap does not count: the next one is taken for the same end of the route.
    ShowRouteFailure(road);
    return 0;
  }
  if (g_routeTap == 0) {
    g_routeStartX = px;
    g_routeStartY = py;
    g_routeTap = 1;
    return 1;
  }
  // The mode stays: the next tap starts a new route, which replaces this one.
  g_routeTap = 0;
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const int laid = g_Route.Compute(g_routeStartX, g_routeStartY, px, py, kRouteOptions, limit);
  SetCursor(old);
  InvalidateMainView(0);
  if (!laid) ShowRouteFailure(g_Route.LastFailure());
  return 2;
}

int OpenEchoPort(HWND owner, int open) {
  if (!open) {
    g_EchoSounder.Close();
    g_GpsBar.SetEchoSilent(0);
    return g_EchoSounder.IsOpen() ? 1 : 0;
  }
  const int number = g_Ini.GetInt("ECHOCOMNUM");
  g_EchoDefCodePoint = uint16_t(g_Ini.GetInt("ECHODefCodePoint"));
  const std::wstring name = EchoPortName(number);
  g_EchoSounder.Open(owner, name.c_str(), EchoTick, EchoReader);
  return g_EchoSounder.IsOpen() ? 1 : 0;
}

uint16_t g_EchoDefCodePoint = 0;

DWORD WINAPI EchoReader(LPVOID sounder) { return static_cast<TEchoSounder*>(sounder)->ReadLoop(); }

void CALLBACK EchoTick(HWND, UINT, UINT_PTR, DWORD) {
  static bool busy = false;  // a tick waiting in a notice box: the next one is skipped
  if (busy || !g_EchoSounder.IsOpen()) return;
  busy = true;
  // A depth is recorded once, where it was measured: only a depth received since the last
  // point, and only with a current fix (before a fix the position is (0, 0), after a loss it
  // is stale). A depth without a place is dropped, not kept for the next fix.
  float depth = 0;
  if (g_EchoSounder.TakeNewDepth(&depth) && HaveCurrentFix()) {
    // Without a chosen type ("ECHODefCodePoint" unset) the working map's first point type: a
    // depth of code 0 is no object, and the next save would drop it.
    const uint16_t code = g_EchoDefCodePoint
                              ? g_EchoDefCodePoint
                              : g_UserLayer.NewCodeOfKind(0, mdm::kKindPoint);
    const int32_t index = g_UserLayer.AddObject(code, g_MapView.gpsX, g_MapView.gpsY, nullptr);
    if (index > 0 && g_UserLayer.map) {
      g_UserLayer.map->SetIntAttr(uint16_t(index), kDepthAttribute, depth);
      g_UserLayer.SetModified();
    }
  }
  g_GpsBar.SetEchoSilent(g_EchoSounder.GetSilence() > TEchoSounder::kSilentMs ? 1 : 0);
  g_GpsBar.UpdateStatus();
  busy = false;
}

namespace {

INT_PTR CALLBACK NeedWorkMapProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SHINITDLGINFO info{};
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    SHInitDialog(&info);
    g_Lang.TranslateDialog(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int RunNeedWorkMapDialog(HWND owner) {
  const INT_PTR r = DialogBoxParamW(g_Instance, MAKEINTRESOURCEW(kNeedWorkMapDialog), owner,
                                    NeedWorkMapProc, 0);
  // Escape, a closed box or any other answer counts as Cancel; 313 never asks again itself.
  return r == kNeedWorkMapChoose || r == kNeedWorkMapGoOn ? int(r) : kNeedWorkMapCancel;
}

namespace {

constexpr uint16_t kAttrName = 9, kAttrNameCopy = 99, kAttrHeight = 4, kAttrDate = 10,
                   kAttrTime = 11;
constexpr double kPi = 3.14159265358979323846;
constexpr double kQuarterReach = 100;  // map units from a point to its quarter direction point

// The point of the last point dialog, for a direction point set by a later tap.
TObjectRef g_editedPoint{};
int32_t g_editedX = 0, g_editedY = 0;

// The point dialog may run long: a hot key may change the project meanwhile. The object is
// used only when the working map is still the view's last map and still holds that index.
bool StillThere(TMdmMap* map, const TObjectRef& ref) {
  const int n = g_MapView.GetVectorMapCount();
  return map && g_UserLayer.open && g_UserLayer.map == map && n > 0 && ref.map == n - 1 &&
         g_MapView.GetVectorMap(n - 1) == map && ref.object > 0 &&
         int32_t(ref.object) < map->count;
}

// Adds a point at the plane position, runs the point dialog; `fix` only for a GPS point.
int AddPointAt(double px, double py, const GpsFix* fix, int vectorMode) {
  TMdmMap* map = g_UserLayer.map;
  const int32_t index = g_UserLayer.AddObject(g_UserLayer.NewPointCode(), px, py, nullptr);
  // 0 is the header list and -1 no working map: nothing was added, nothing else happens.
  if (index <= 0 || !map) return 0;
  const uint16_t object = uint16_t(index);
  // Cancel puts this name back: a step back does not always undo a step forward ("P" gives
  // "P1", and "P1" less one is "P0").
  const std::string nameBefore = g_DefaultPointName;
  AdvancePointName(1);
  map->SetStrAttr(object, kAttrName, g_DefaultPointName.c_str());
  map->SetStrAttr(object, kAttrNameCopy, g_DefaultPointName.c_str());
  if (fix) {
    if (std::isfinite(fix->altitude)) map->SetIntAttr(object, kAttrHeight, float(fix->altitude));
    char text[64];
    std::snprintf(text, sizeof text, "%02i.%02i.%02i", fix->utc.wDay, fix->utc.wMonth,
                  fix->utc.wYear);
    map->SetStrAttr(object, kAttrDate, text);
    std::snprintf(text, sizeof text, "%02i:%02i:%02i", fix->utc.wHour, fix->utc.wMinute,
                  fix->utc.wSecond);
    map->SetStrAttr(object, kAttrTime, text);
  }
  TObjectRef ref{};
  ref.map = g_MapView.GetVectorMapCount() - 1;
  ref.object = object;
  double distance = 0;
  const int ok = ShowPointPropertiesDialog(ref, vectorMode, &distance);
  if (!StillThere(map, ref)) return 0;
  if (!ok) {
    g_DefaultPointName = nameBefore;
    g_UserLayer.DeleteObject(object);
    InvalidateMainView(0);
    return 0;
  }
  g_UserLayer.pointCode = g_UserLayer.GetObjectCode(object);
  int32_t x = 0, y = 0;
  map->ViewPlaneToMap(px, py, &x, &y);
  if (fix && (distance != 0 || g_Ini.GetInt("NaviRotPt"))) {
    int32_t dx = 0, dy = 0;
    if (DirectionPointOffset(fix->course, distance, map->UnitMetres(), &dx, &dy)) {
      if (map->ShownInAnotherZone()) {
        // The direction counts from the view's grid north; the map's grid is turned against it.
        const double c = map->rotCos, s = map->rotSin;
        const double tx = dx * c - dy * s, ty = dx * s + dy * c;
        dx = int32_t(std::clamp(std::round(tx), -2.0e9, 2.0e9));
        dy = int32_t(std::clamp(std::round(ty), -2.0e9, 2.0e9));
      }
      map->MovePointObject(object, x, y, int32_t(int64_t(x) + dx), int32_t(int64_t(y) + dy));
      if (vectorMode == 2 && distance != 0) {
        g_editedPoint = ref;
        g_editedX = x, g_editedY = y;
        SetInputModeDirect(input_mode::kMoveEditedPoint);
      }
    }
  }
  if (g_Ini.GetInt("BlankAutoShowNew") && StillThere(map, ref))
    ShowObjectForm(g_MainWindow, g_Instance, ref, nullptr, nullptr);
  if (fix) g_UserLayer.SetModified();
  InvalidateMainView(0);
  return 1;
}

}  // namespace

int DirectionPointOffset(double course, double distance, double unit, int32_t* dx, int32_t* dy) {
  const int c = std::isfinite(course) ? ((int(std::fmod(course, 360.0)) + 360) % 360) : 0;
  if (distance != 0) {
    // The distance is in metres; a map without a unit cannot say how far that is.
    if (!(unit > 0) || !std::isfinite(distance)) return 0;
    const double angle = c / 180.0 * kPi - kPi / 2;
    *dx = int32_t(std::clamp(std::cos(angle) * distance / unit, -2.0e9, 2.0e9));
    *dy = int32_t(std::clamp(std::sin(angle) * distance / unit, -2.0e9, 2.0e9));
    return 1;
  }
  // The quarter of the course, exactly: 0, pi/2, pi or 3/2 pi, then turned by pi/2.
  static const int32_t kQuarter[4][2] = {{0, 100}, {-100, 0}, {0, -100}, {100, 0}};
  const int q = (c >= 316 || c <= 45) ? 0 : c <= 135 ? 1 : c <= 225 ? 2 : 3;
  *dx = int32_t(kQuarter[q][0] * kQuarterReach / 100);
  *dy = int32_t(kQuarter[q][1] * kQuarterReach / 100);
  return 1;
}

int AddPointAtGpsPosition() {
  GpsFix fix{};
  if (!HaveCurrentFix() || !g_UserLayer.open || !g_GpsPort.GetMeasuredFix(&fix)) return 0;
  const int mode = g_Ini.GetInt("NaviVector") ? 2 : g_Ini.GetInt("NaviPtDelta") ? 1 : 0;
  return AddPointAt(g_MapView.gpsX, g_MapView.gpsY, &fix, mode);
}

int AddGpsPointFromKey(int) { return AddPointAtGpsPosition(); }

int SetNavigationPointAt(int x, int y) {
  if (!g_UserLayer.open) return 0;
  double px, py;
  g_MapView.ScreenToPlane(x, y, &px, &py, 1);
  return AddPointAt(px, py, nullptr, g_Ini.GetInt("NaviVector") ? 2 : 0);
}

int MoveEditedPointTo(int x, int y) {
  TMdmMap* map = g_UserLayer.map;
  if (!StillThere(map, g_editedPoint)) return 0;
  double px, py;
  g_MapView.ScreenToPlane(x, y, &px, &py, 1);
  int32_t mx = 0, my = 0;
  map->ViewPlaneToMap(px, py, &mx, &my);
  map->MovePointObject(g_editedPoint.object, g_editedX, g_editedY, mx, my);
  g_UserLayer.SetModified();
  InvalidateMainView(1);
  return 1;
}

namespace {

INT_PTR CALLBACK StartGpsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    NeedWorkMapProc(dialog, message, wParam, lParam);
    if (lParam) SetDlgItemTextW(dialog, kStartGpsText, reinterpret_cast<const wchar_t*>(lParam));
    return TRUE;
  }
  return NeedWorkMapProc(dialog, message, wParam, lParam);
}

}  // namespace

int RunStartGpsDialog(HWND owner, const wchar_t* text) {
  const INT_PTR r = DialogBoxParamW(g_Instance, MAKEINTRESOURCEW(kStartGpsDialog), owner,
                                    StartGpsProc, reinterpret_cast<LPARAM>(text));
  return r == kStartGpsNew || r == kStartGpsHot ? int(r) : kStartGpsCancel;
}

namespace {
const vplat::FreshStateHook kFresh(6, [] {
  g_geodesy = 0;
  g_fromUser = 0;
  g_routeTap = 0;
  g_routeStartX = g_routeStartY = 0;
  g_fixTickBusy = false;
  g_editedPoint = TObjectRef{};
  g_editedX = g_editedY = 0;
  g_GpsDefCode = 0;
  g_EchoDefCodePoint = 0;
});
}  // namespace
