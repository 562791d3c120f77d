// One edit control coupled with a growing list of numbers and a current position in it. The
// construction panel steps typed values with previous and next buttons (value mode: the edit
// shows the current value with all its digits), or counts the calibration points of a raster
// map (index mode: the edit shows the 1-based number of the current point). Numbers are shown
// with a point and read with a point or a comma, whatever the program's locale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

class TNumberListEdit {
 public:
  // Remembers the edit, empties its text, index 0, no values.
  void Attach(HWND edit);
  // Index 0, no values; the text stays.
  void Clear();
  // Appends count + 1 as a new element (value mode first stores the text into the current
  // one) and makes it current; its index, or -1 with the list emptied when it cannot grow. The
  // display is not refreshed.
  int32_t Append();
  // Only while index < count: stores the text, steps on (possibly one past the last), shows.
  void Next();
  // Only while index > 0: stores the text in value mode, steps back, shows.
  void Prev();
  bool HasNext() const { return index < GetCount() - 1; }
  bool HasPrev() const { return index > 0; }
  // While attached and index < count: the edit's text (at most 255 characters) read into the
  // current element; a text that is not one number keeps the element, with a beep.
  void StoreText();
  void Show() const;
  // Removes one element; an index at or past the count does nothing.
  void RemoveAt(int32_t at);
  int32_t GetCount() const { return int32_t(values.size()); }
  const double* GetData() const { return values.empty() ? nullptr : values.data(); }
  // Element i; element 0 for an index outside the list, a zero while it is empty.
  double At(int32_t i) const;

  int32_t mode = 0;  // 0 values, else index
  int32_t index = 0;
  HWND edit = nullptr;
  std::vector<double> values;
};

// A number as the shortest text of the C locale that reads back as the same value ("%g" style,
// without cutting digits).
std::wstring FormatG(double value);
