// The GPS bar: the panel of navigation with a plain NMEA receiver. It shows the default name of
// the next point, a status text (satellites, PDOP or altitude, cycled by a tap), the speed and
// five bitmap buttons, and while a navigation target is set a second row with the target's
// caption. It also watches the receiver link: the status text turns yellow when no line came for
// the warning time, and after the reconnect time the user is asked to reconnect. A command
// dialogue (a receiver file copy on its worker among them) holds the line and is not silence.
// While an echo sounder records and has sent no depth for a while, a row of its own says so.
#pragma once

#include <string>

#include "base/ui/soft_button.h"
#include "platform/win.h"

struct GpsFix;

// The bar's texts for a fix. Status by mode: 0 "S:used", or "S:used:visible" with the sky
// plot's count of satellites also visible from the almanac base point (`skyCount` -1 while the
// plot is not shown); 1 "P:pdop"; 2 the altitude. Without a PDOP above 0 (none is -1) modes 1 and
// 2 show dashes, as does a value that is no finite number.
namespace gps_bar_text {
std::wstring Status(const GpsFix& fix, int mode, int skyCount);
// "V:km/h" while the status is 'A'.
std::wstring Speed(const GpsFix& fix);
// The name in wide text, at most 255 characters; "--" when empty or "0".
std::wstring Name(const std::string& name);
}  // namespace gps_bar_text

// What the bar needs of the program's top; app/ installs it at start-up. Until then the calls
// reach a host that does nothing and answers 0.
class IGpsBarHost {
 public:
  // Navigation stop without its question.
  virtual void StopNavigation() = 0;
  // One run of the 500 ms GPS fix procedure, at once.
  virtual void RunGpsFix() = 0;
  virtual void SetGpsFollow(int on) = 0;
  // A point object at the GPS position; 1 when one was added.
  virtual int AddPointAtGpsPosition() = 0;
  // "NaviSaveLog" changed: the program's own copy of it follows.
  virtual void SetNaviSaveLog(int on) = 0;

 protected:
  ~IGpsBarHost() = default;
};

// Installs `host` (null: the host that does nothing again). The host outlives its use.
void SetGpsBarHost(IGpsBarHost* host);
IGpsBarHost& GpsBarHost();

class TGpsBar {
 public:
  // Template 204 and its static controls.
  static constexpr int kTemplate = 204;
  static constexpr int kNameText = 2126;
  static constexpr int kSpeedText = 2127;
  static constexpr int kStatusText = 2128;
  // Bitmaps of the buttons (up, down and disabled frames, 20 x 20 each).
  static constexpr int kFollowBitmap = 170;
  static constexpr int kGotoBitmap = 208;
  static constexpr int kPointOnMapBitmap = 206;
  static constexpr int kTrackBitmap = 315;
  static constexpr int kAddPointBitmap = 167;
  // Panel heights (pixels) without and with the caption row; the echo row adds as much again.
  static constexpr int kHeight = 26;
  static constexpr int kHeightWithCaption = 41;
  static constexpr int kRowHeight = kHeightWithCaption - kHeight;

  TGpsBar() = default;
  virtual ~TGpsBar();
  TGpsBar(const TGpsBar&) = delete;
  TGpsBar& operator=(const TGpsBar&) = delete;

  // The panel from template 204 on `mainWindow`, hidden, with its buttons.
  HWND Create(HWND mainWindow, HINSTANCE instance);
  // 1: shown, and the stale and busy flags cleared; 0: hidden.
  void Show(int on);
  void Move(int top);
  // The window's height while shown, else 0.
  int GetHeight() const;
  // The texts from the latest fix, after the link watchdog; nothing while hidden or busy.
  void UpdateStatus();
  // Port time-outs in seconds, 0 meaning off.
  void SetValues(int warningSeconds, int stopSeconds);
  // 1: the caption row below the buttons (41 pixels high); 0: none, and no target (26).
  void SetCaptionRow(int on);
  // 1: the echo sounder is silent: a row below the others says so; 0: no such row.
  void SetEchoSilent(int on);
  // Input mode 1 becomes 5 (set a navigation point), any other becomes 1.
  void ToggleMode();
  // The go-to target button's action, by the button's state: down runs dialog 124.
  void OnPointsButton();
  // What dialog 124 left: its result kind and the chosen object of the working map (-1 none).
  void ApplyPointsChoice(int result, int chosen);
  // A new track object, of a type the user chooses.
  void OnTrackButton();
  // 1 keep going; 0 the link is given up and navigation was stopped.
  int CheckLink();

  TSoftButton followButton;
  TSoftButton addPointButton;
  TSoftButton pointOnMapButton;
  TSoftButton gotoButton;
  TSoftButton trackButton;
  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  int shown = 0;
  int busy = 0;   // the link watchdog runs (its reconnect question is up)
  int stale = 0;  // the link is silent longer than the warning time
  int warningSeconds = 0;
  int stopSeconds = 0;  // the reconnect time
  int mode = 0;  // status text: 0 satellites, 1 PDOP, 2 altitude
  int captionRow = 0;
  int echoRow = 0;
  RECT captionRect = {0, 0, 0, 0};
  HBRUSH redBrush = nullptr;
  HBRUSH yellowBrush = nullptr;

  // Pen input and painting of the panel (its dialog procedure calls these).
  void OnPenDown(int x, int y);
  void OnPenUp(int x, int y);
  void Paint(HDC dc);
  // The overlay's caption and the separator line below the buttons.
  void DrawCaptionRow(HDC dc);
  // The echo sounder's row, when it is shown.
  void DrawEchoRow(HDC dc);
  HBRUSH StatusColours(HDC dc);

 private:
  // The panel's height for its rows; the map area is laid out again.
  void Resize();
};

extern TGpsBar g_GpsBar;

// The default name given to the next point (8-bit text); "0" counts as empty.
extern std::string g_DefaultPointName;
// Steps the number at the end of the default point name by `step` (+1 after a point is added, -1
// when it is taken back), keeping leading zeros within the old width; an empty name becomes the
// step. A name "0" is emptied first. A step below 0 leaves the name as it is.
void AdvancePointName(int step);
