// The geodesy bar: the panel shown while the receiver logs (geodesy mode). It switches the
// Stop&Go occupation kind, shows the receiver's state (satellites, PDOP or altitude; tracking or
// occupation time; losses; battery; remaining recording time) and keeps the antenna records of
// the two occupation kinds: an object code and an antenna height for static points and for lines.
//
// Every 10 s (and once when shown) it polls the receiver in one command dialogue: memory, power
// and the current log's size. A receiver that answers neither memory nor power gets the
// reconnect question; declined, navigation mode ends. A poll is never re-entered.
#pragma once

#include <cstdint>
#include <memory>

#include "base/ui/soft_button.h"
#include "edit/attr_field.h"
#include "platform/win.h"

class TLibrarySymbols;

class TGeodesyBar {
 public:
  static constexpr int kTemplate = 158;
  enum Control {
    kTrackingText = 2114,
    kSatelliteText = 2115,
    kTypeName = 2118,
    kRemainingText = 2121,
    kLossText = 2123,
    kHeightCombo = 2124,
    kSiteCombo = 2125,
  };
  enum Button { kAutoButton = 0, kStaticButton, kKinematicButton, kFollowButton, kFormButton };
  static constexpr UINT_PTR kPollTimer = 2119;
  static constexpr UINT kPollMs = 10000;
  // Bitmaps: buttons of three 20 x 20 frames, the battery of four 11 x 16 frames.
  static constexpr int kBitmapBattery = 161, kBitmapStatic = 167, kBitmapKinematic = 168,
                       kBitmapAuto = 169, kBitmapFollow = 170, kBitmapForm = 186;

  struct AntennaRecord {
    uint16_t code = 0;
    double height = 0;  // metres
  };

  // The follow button as the navigation start and SetGpsFollow set it: assigning presses or
  // releases the bar's toggle, reading tells its state.
  class FollowState {
   public:
    explicit FollowState(TSoftButton& button) : button_(button) {}
    FollowState& operator=(int on);
    operator int() const { return on_; }

   private:
    TSoftButton& button_;
    int on_ = 0;
  };

  TGeodesyBar();
  virtual ~TGeodesyBar();
  TGeodesyBar(const TGeodesyBar&) = delete;
  TGeodesyBar& operator=(const TGeodesyBar&) = delete;

  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  void Move(int top);
  // 0 while hidden.
  int GetHeight() const;
  // Bar mode 1 / 0 / 2, then the receiver's static / kinematic / dynamic stretch.
  void StartStatic();
  void StartDynamic();
  void StartDynamicAuto();
  void UpdateStatus();
  // The occupation kind shown: 0 kinematic, 1 static, 2 dynamic auto.
  int GetMode() const { return mode; }
  void SetMode(int kind);
  uint16_t GetAntennaCode(int kind) const;
  float GetAntennaHeight(int kind) const;
  // Keeps the typed antenna height in its list and commits the site field into the occupation
  // object (the working map is saved when that changed it). Runs at every mode change.
  void FillSiteCombo(int flag = 0);
  // The occupation's record leaves the working map (the map is let go): the typed site name goes
  // into it, and the field is bound to no object until the next stretch.
  void LetGoOfRecord();
  // The receiver poll (timer 2119).
  void Poll();
  // Stops the poll's timer (while another dialogue needs the receiver): true when it ran.
  bool StopPoll();
  // Starts it again while shown.
  void RestartPoll();
  // Presses one of the buttons as a tap would show it (the hardware-button actions).
  void PressButton(int which);
  bool IsButtonDown(int which) const { return buttons[which].IsDown(); }
  int GetBatteryFrame() const { return battery.frame; }
  int GetDisplayMode() const { return displayMode; }

  // The dialog procedure's work.
  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  TSoftButton buttons[5];
  TIconCell symbol;
  TAttrField siteField;
  HWND window = nullptr;
  HWND mainWindow = nullptr;
  HINSTANCE instance = nullptr;
  AntennaRecord* record = nullptr;
  int mode = 2;
  AntennaRecord pointRecord, lineRecord;
  TStripImage battery;
  int shown = 0;
  int firstSize = 0;
  uint64_t firstTick = 0;
  bool haveFirstSize = false;
  double rate = 0;  // bytes a second
  int firstPoll = 0;
  UINT_PTR timer = 0;
  int displayMode = 0;  // 0 satellites, 1 PDOP, 2 altitude
  HBRUSH redBrush = nullptr, greenBrush = nullptr;
  int ready = 0;
  int blankAutoShowNew = 0;  // "BlankAutoShowNew", copied in while shown
  FollowState followButton;

 private:
  void Load();
  void Save();
  // True (with a beep) while a download holds the receiver: no stretch may change then.
  bool RefuseWhileDownloading();
  // Bar mode `kind`, then the receiver's stretch of that kind with a generated name.
  void StartStretch(int kind);
  void RefreshAntenna();
  // One round of queries inside the poll's dialogue; false when memory and power both failed.
  bool PollOnce();
  void OnSymbolTap();
  void OnHeightNotify(int code);
  void OnButtonClick(int which);
  void Paint(HDC dc);

  std::unique_ptr<TLibrarySymbols> symbols_;
  bool polling_ = false;
};

// The remaining recording time "%i:%02i" (minutes, seconds) for `freeBytes` of free memory, the
// log's size and its growth rate in bytes a second; "--:--" when it cannot be told.
void FormatRemainingTime(wchar_t* out, size_t capacity, int freeBytes, int logSize, double rate);
// The battery frame for a board voltage: 1 over 50 percent, 2 above 5, 3 at 5 and below, 0 for
// no voltage, a non-number or above 150 percent (6.5 V is 0 percent, 8.0 V 100).
int BatteryFrame(float volts);
// The height as "%.3f" without trailing zeros ("1.500" is "1.5").
void FormatHeight(wchar_t* out, size_t capacity, double height);

// The elevation mask of the receiver (degrees), read by the navigation start; satellites of the
// almanac count as expected above it.
extern double g_ElevationMask;

extern TGeodesyBar g_GeodesyBar;
