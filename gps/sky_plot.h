// The sky plot: a polar plot of the satellites drawn over the map. It shows the satellites in
// view that the receiver reports (red when used in the fix, grey otherwise), the satellites the
// almanac predicts for the same place and time (grey), and, with the almanac base point on, the
// used satellites that the base sees above its elevation mask (green).
//
// UpdateSkyPlot refills it from the fix and the almanac on every GPS tick and on every change of
// the almanac time bar; the main window's paint draws it into an off-screen picture of the
// screen's size (Draw, only when something changed) and copies that onto the map with the
// transparent colour RGB(254, 254, 254) (Blit, every paint). North is up, east right; the centre
// is the zenith, the outer ring the horizon.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

class TGpsPort;
class TAlmanac;

// One satellite of the plot.
struct TSkySatellite {
  uint8_t prn = 0;
  uint8_t state = 0;      // 0 predicted only, 1 used in the fix, 2 used and seen from the base
  uint8_t elevation = 0;  // whole degrees
  uint16_t azimuth = 0;   // whole degrees, clockwise from north
  uint8_t snr = 0;        // dB-Hz from the fix, 0 for predictions
};

class TSkyPlot {
 public:
  static constexpr COLORREF kTransparent = RGB(254, 254, 254);

  TSkyPlot();
  virtual ~TSkyPlot();
  TSkyPlot(const TSkyPlot&) = delete;
  TSkyPlot& operator=(const TSkyPlot&) = delete;

  // Count 0; the records stay allocated.
  void Clear() { count_ = 0; }
  // Appends. The slot takes the whole record and the plot becomes dirty when its PRN, elevation
  // or azimuth differ from what the slot held; otherwise only the state is taken, and a changed
  // state dirties it too. A new signal-to-noise ratio alone changes nothing.
  void Add(const TSkySatellite& satellite);
  // The first record of that PRN, or null.
  TSkySatellite* Find(int prn);
  int Count() const { return count_; }
  const TSkySatellite& At(int index) const { return records_[size_t(index)]; }

  // The almanac base point is used (1) or not (0); the plot becomes dirty.
  void SetOption(int value);
  int GetOption() const { return baseOption; }
  // The base point (Gauss-Kruger plane, metres), its height (m) and elevation mask (degrees),
  // as the settings give them. The mask is also the dashed ring's elevation.
  void SetBase(double x, double y, double height, double mask);

  // The command's check state: drawn and blitted only while on.
  int IsEnabled() const { return enabled; }
  void SetEnabled(int on);

  // Redraws the off-screen picture for `rect` (clipped to the screen) when it is dirty or the
  // rectangle changed. Nothing while not enabled.
  void Draw(HDC dc, const RECT& rect);
  // Copies the last drawn rectangle onto `dc`, leaving the transparent colour's pixels.
  void Blit(HDC dc);

  // Set by Add and SetOption whenever they dirty the plot; UpdateSkyPlot clears it first and
  // asks for a repaint when it was set again.
  bool TakeChanged() {
    const bool was = changed_;
    changed_ = false;
    return was;
  }

  int enabled = 0;
  int dirty = 1;
  int baseOption = 0;
  double baseX = 0, baseY = 0, baseHeight = 0;  // metres
  double mask = 0;                              // degrees; 0: no ring
  RECT drawn = {0, 0, 0, 0};                    // the rectangle of the last drawing
  // Where the receiver last had a valid fix (radians), kept over fix losses and connections:
  // the place predictions are made for while the open port has no valid fix.
  bool haveLastFix = false;
  double lastFixLatitude = 0, lastFixLongitude = 0;

 private:
  void MarkDirty() {
    dirty = 1;
    changed_ = true;
  }
  void Render(const RECT& r);

  std::vector<TSkySatellite> records_;  // the allocated slots; count_ of them in use
  int count_ = 0;
  bool changed_ = false;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
};

extern TSkyPlot g_SkyPlot;

// The number of satellites of the last update used in the fix and seen from the base point above
// its mask (state 2). The GPS bar shows it beside the used count while the plot is shown.
int GetSkyPlotBaseCount();

// Refills the sky plot from the port's fix and the almanac (either may be null: no fix, no
// almanac) and asks for a repaint when it changed. The receiver's satellites come only from an
// open port: with the port closed the plot holds the almanac's predictions alone. With the port
// open and no valid fix (none yet, lost or stale) the almanac predicts for now at the last valid
// fix's place, or at the map view's centre before the first.
void UpdateSkyPlot(TGpsPort* port, TAlmanac* almanac);
