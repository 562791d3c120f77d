// The almanac time bar at the bottom of the map (dialog 324): the time and place for which the
// sky plot shows the almanac's predictions while no GPS fix drives it. The slider covers 48 hours
// from the almanac's date in 10-minute steps (position / 6 / 24 days); the date and time pickers
// show and set the same time; the button at the right opens the satellite visibility graph. The
// place is the map view's centre.
//
// An almanac predicts only up to its reference time, so the later part of the 48 hours (for most
// almanacs everything after the reference time on its date) shows no predictions.
#pragma once

#include "base/ui/soft_button.h"
#include "platform/win.h"

class TAlmanacBar {
 public:
  static constexpr int kTemplate = 324;
  static constexpr int kGraphBitmap = 325;
  static constexpr int kSlider = 3038;
  static constexpr int kLabel = 1203;
  static constexpr int kDatePicker = 2356;
  static constexpr int kTimePicker = 2157;
  static constexpr int kSliderMax = 288;  // 48 hours of 10 minutes
  static constexpr int kStepsPerDay = 6 * 24;

  TAlmanacBar() = default;
  virtual ~TAlmanacBar();
  TAlmanacBar(const TAlmanacBar&) = delete;
  TAlmanacBar& operator=(const TAlmanacBar&) = delete;

  // Makes the hidden modeless bar over the main window, with its graph button.
  HWND Create(HWND mainWindow, HINSTANCE instance);
  // 1: shows the bar and sets it from the almanac's date and the current time; 0: hides it and,
  // when it was shown, redraws the map fully.
  void Show(int on);
  // Puts the bar's bottom edge at `bottom` (client pixels of the main window).
  void Place(int bottom);
  // The window height while shown, else 0.
  int GetHeight() const;
  // While shown: takes the map centre as the place (kept when the centre does not convert),
  // with the GPS port closed asks the port for a new satellite cycle, and refills the sky plot.
  // An almanac loaded (or dropped) since the bar was set up sets it up again first: its base
  // date, the slider from now, the pickers.
  void Update();

  // What the dialog procedure hands on.
  void OnSlider();
  void OnPickerChanged();
  void OnPaint();
  void OnPenDown(int x, int y);
  void OnPenUp(int x, int y);
  // Sets both pickers to `time` without handling that as a user change.
  void SetPickers();

 private:
  // The base date from the almanac, the slider's range and its position from now, then as a
  // slider move.
  void SetUpFromAlmanac();

 public:

  SYSTEMTIME time{};      // the prediction time while the GPS port is closed (UTC)
  SYSTEMTIME baseDate{};  // the almanac's date when the bar was shown (00:00 UTC)
  double latitude = 0, longitude = 0;  // radians, the place
  int busy = 0;
  int shown = 0;
  int updates = 0;  // Update calls while shown (tests count them)
  unsigned almanacGeneration = 0;  // the almanac's generation the bar was set up from
  HWND window = nullptr;
  HWND owner = nullptr;
  HINSTANCE instance = nullptr;
  HBRUSH background = nullptr;
  HBITMAP graphBitmap = nullptr;
  TSoftButton graphButton;
};

extern TAlmanacBar g_AlmanacBar;

// OLE dates (days since 1899-12-30) of the bar's base date and of a time; the conversions of the
// platform. False when the time is not a valid date.
bool AlmanacBarOleDate(const SYSTEMTIME& time, double* days);
// The base date plus `days`, rounded to the second; the base itself when it does not convert.
SYSTEMTIME AlmanacBarTimeAt(double days);
