// Navigation mode from the main window: the GPS port opened for the configured receiver, the
// 500 ms fix tick that moves the marker, the track and the panels, GPS follow, the GPS offset by
// a drag, the route by two taps and the echo sounder.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TGpsPort;

// Dialog 313, a working map is needed: its buttons and what RunNeedWorkMapDialog answers.
inline constexpr int kNeedWorkMapDialog = 313;
inline constexpr int kNeedWorkMapChoose = 1202;
inline constexpr int kNeedWorkMapGoOn = 2341;
inline constexpr int kNeedWorkMapCancel = 4;
// Dialog 227, a receiver log is running: start a new one, resume it (hot), or cancel.
inline constexpr int kStartGpsDialog = 227;
inline constexpr int kStartGpsText = 2334;
inline constexpr int kStartGpsNew = 1205;
inline constexpr int kStartGpsHot = 1206;
inline constexpr int kStartGpsCancel = 4;
// The echo sounder's depth attribute (a float, metres).
inline constexpr uint16_t kDepthAttribute = 1007;

// Follows the GPS position (on non-zero) or stops following it; the follow button of the running
// mode's bar goes with it, and switching on makes the next valid fix count as a move.
void SetGpsFollow(int on);
int GetGpsFollow();
// Commands 40044 and 40187: start the mode when the port is closed, stop it when it runs, and
// switch from the other mode (stop, then start) when that one runs.
int ToggleNavigationMode(HWND mainWindow);
int ToggleGeodesyMode(HWND mainWindow);
// 1 when this call opened the port and it is still open. `ask`: started by the user, with the
// working-map question, the track, the echo sounder and (geodesy) the confirmation.
int StartNavigationMode(int ask, int geodesy);
// Whether the receiver type of the settings records a log of its own (GREIS), which geodesy
// needs; with `tell`, a refusal is said to the user.
bool GeodesyReceiverConfigured(int tell);
// 1 when the port is closed afterwards; a user-started geodesy connection asks first unless
// `doNotAsk`.
int StopNavigationMode(int doNotAsk);
// The main window's answer to the GPS port's end-of-source message: closes the port and ends
// the mode as a stop does.
void OnGpsSourceEnded(TGpsPort* port);
void StopNavigationModeAfterClose();
// 1 while the running connection is geodesy mode.
int IsGeodesyConnection();
// True when work can go on: a working map is set, or the user chose to go on without one.
bool EnsureWorkMapForGps();
// Dialog 313: kNeedWorkMapChoose, kNeedWorkMapGoOn or kNeedWorkMapCancel (also for Escape).
int RunNeedWorkMapDialog(HWND owner);
// Dialog 227 with `text` as its message: kStartGpsNew, kStartGpsHot or kStartGpsCancel (also
// for Escape or any other end).
int RunStartGpsDialog(HWND owner, const wchar_t* text);
// Shows the bar of the running mode (or hides both when the port is closed), full redraw, and
// sets the command-bar buttons 40044 and 40187.
void UpdateGpsPanels();
// Sets the command-bar buttons 40044 and 40187 to the mode that runs (both up when none).
void ShowModeButtons();
// 1 while geodesy mode runs with a receiver log: the only time the Stop&Go actions act.
int IsGeodesyLogging();
// True while the view stands on a measured fix and the port still has one (valid, refreshed
// within 3 s, a command dialogue holding nothing): what a depth or a key point may record.
bool HaveCurrentFix();
struct GpsFix;
// A valid fix into the view, the track, the target line and the window (the tick's 'A' case).
void ApplyValidFix(HWND hwnd, const GpsFix& fix);
// The fix tick (500 ms) handed to the GPS port.
void CALLBACK ApplyGpsFix(HWND hwnd, UINT message, UINT_PTR id, DWORD time);
// The elevation mask read at a geodesy start: the receiver's reply in the C locale, 0 when it
// is no finite number.
void ReadElevationMask();
// The log the receiver is recording, into a 256-byte buffer; empty when none or no receiver.
void AskCurrentLog(char* log);
double ParseElevationMask(const char* reply);
extern double g_ElevationMask;
// "GPSDefCode": the type code of recorded tracks. The code of GPS points is the working-map
// layer's `pointCode`.
extern uint16_t g_GpsDefCode;
// Screen-point actions of the input modes (pixels of the main window).
int SetNavigationPointAt(int x, int y);
// Adds the plane difference of the drag to the GPS offset (saturated), stores it, turns it on
// and gives it to the view at once.
int SetGpsOffsetFromDrag(int x0, int y0, int x1, int y1);
// Puts the GPS offset (plane metres) into the view. A changed offset must move the marker at
// the next fix even when the receiver stands still, where fixes close to the last are ignored:
// the last fix is forgotten, so the next one counts as a move.
void ApplyGpsOffset(int32_t x, int32_t y);
// First tap: the route's start; second: its end, the route is computed and replaces the last;
// the mode stays, so the next tap is a start again. A tap without a road of the graph near it
// is refused with a message and taken again (0); 1 a start, 2 an end.
int RoutePointTap(int x, int y);
// Command 40149: the next route tap is the start again.
void ResetRouteTaps();
int MoveEditedPointTo(int x, int y);
// A point at the GPS position (action 5, the GPS bar): only with a valid fix and a working map.
int AddPointAtGpsPosition();
// The direction point's offset in map units for a course in degrees: with a distance in metres
// along the course (`unit` metres per map unit; 0 when the unit is unknown), else 100 units
// towards the course's quarter. 1 when an offset was given.
int DirectionPointOffset(double course, double distance, double unit, int32_t* dx, int32_t* dy);
// Adds a point at the GPS position for the hardware key that fired.
int AddGpsPointFromKey(int key);
// Applies NaviSaveLog to the track while a connection runs: in navigation on begins a track
// object when none is recorded, off ends it; in geodesy off pauses the open stretch's line and
// on lets it go on. 0 when only the setting changed.
int ApplyTrackRecording(int on);
// The echo sounder opened (on the port ECHOCOMNUM names) or closed; 1 when it is open after.
int OpenEchoPort(HWND owner, int open);
extern uint16_t g_EchoDefCodePoint;
// The echo sounder's reader and its 1000 ms tick: a depth point at the last valid position.
DWORD WINAPI EchoReader(LPVOID sounder);
void CALLBACK EchoTick(HWND hwnd, UINT message, UINT_PTR id, DWORD time);
