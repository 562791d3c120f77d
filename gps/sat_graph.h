// The satellite visibility graph (dialog 326, opened from the almanac time bar): for the bar's
// place, hour by hour over 48 hours from its base date, the number of satellites the almanac puts
// above an elevation mask ("SatGraphHMask"), drawn as a line. A tap in the plot sets the bar's
// time to that hour; the bar's pickers take it when the dialog closes.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

// One line of a graph in a plot area: data points mapped to pixels by origin and scale.
class TGraphSeries {
 public:
  TGraphSeries() = default;
  virtual ~TGraphSeries() = default;

  // Copies the points and sets the colour; the pen is 2 pixels wide.
  void SetData(const POINT* data, int n, COLORREF lineColour);
  // The pixel of a data point: (left + trunc((x - x origin) * x scale),
  // bottom - trunc((y - y origin) * y scale)).
  POINT Map(double x, double y) const;
  // The points as one polyline, clipped to the plot area, unless hidden.
  void Draw(HDC dc) const;
  int Count() const { return count; }
  const POINT& Point(int i) const { return points[size_t(i)]; }

  int left = 24, top = 55, right = 234, bottom = 270;  // the plot area, pixels
  int xOrigin = 0, yOrigin = 0;
  double xScale = 1.0, yScale = 1.0;  // pixels per unit
  int hidden = 0;
  int penWidth = 2;
  int count = 0;
  COLORREF colour = RGB(255, 0, 0);
  std::vector<POINT> points;  // data units, count + 10 allocated
};

class TSatGraph {
 public:
  static constexpr int kTemplate = 326;
  static constexpr int kMaskEdit = 1033;
  static constexpr int kMaskLabel = 1208;
  static constexpr int kGroup = 1207;
  static constexpr int kRefresh = 2158;
  static constexpr int kHours = 48;       // 2 days in steps of 1 hour
  static constexpr int kLabelledMax = 14;  // counts with a label on the axis

  TSatGraph() = default;
  virtual ~TSatGraph() = default;

  // Runs the dialog over the bar's window, then redraws the main window.
  void Open(HWND barWindow, HWND mainWindow);
  // Counts the satellites above `maskText` (degrees) for every hour from the bar's base date at
  // the bar's place, and gives the series its points.
  void Compute(const std::wstring& maskText);
  // The graph's picture inside the dialog: axes, ticks and labels, the line, the bar's time.
  void Paint(HDC dc) const;
  // A pen-down: inside the plot area, the bar's time becomes that hour; true when it did.
  bool OnPenDown(int x, int y);

  HWND dialog = nullptr;
  TGraphSeries series;
  int counts[kHours] = {};
};

extern TSatGraph g_SatGraph;

// The elevation mask of a text as the graph reads it: at most 255 characters, a typed number
// with a decimal point or comma; anything else (empty, letters, "nan", "1e400") gives 0.
double ParseSatGraphMask(const std::wstring& text);
