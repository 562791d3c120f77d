// The small lists drawn over a finished frame: calibration points of the active raster map
// (TPointList) and the markers (TMarkList). Both grow one entry at a time; neither is big.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

// A calibration point: plane position, a value carried along for the editing tools, and its
// pixel in the full-resolution picture (kPixelUnset when not known).
struct TListPoint {
  static constexpr int32_t kPixelUnset = 2147483647;

  double x = 0, y = 0, z = 0;
  int32_t px = 0, py = 0;
};

// A marker: plane position and a value carried along.
struct TMarker {
  double x = 0, y = 0, z = 0;
};

template <class T>
class TSmallList {
 public:
  void Clear() {
    items_.clear();
    items_.shrink_to_fit();
  }
  int32_t Count() const { return int32_t(items_.size()); }
  // Item i; item 0 when i is out of range (negative included, the test is unsigned); the
  // zeroed default item while the list is empty.
  const T* At(int32_t i) const {
    if (items_.empty()) return &default_;
    return uint32_t(i) < uint32_t(items_.size()) ? &items_[size_t(i)] : &items_[0];
  }
  T* At(int32_t i) { return const_cast<T*>(static_cast<const TSmallList*>(this)->At(i)); }
  // Index of the new item, or -1 with the list emptied when it cannot grow.
  int32_t Append(const T& item) {
    try {
      items_.push_back(item);
    } catch (...) {
      Clear();
      return -1;
    }
    return int32_t(items_.size()) - 1;
  }

 private:
  std::vector<T> items_;
  T default_{};
};

using TPointList = TSmallList<TListPoint>;
using TMarkList = TSmallList<TMarker>;

class TMapView;

// The view's marker and calibration-point lists (a member of the view: they live and die with it).
struct TViewLists {
  TMarkList marks;
  TPointList calibrationPoints;
};
TViewLists& ViewLists(TMapView& view);
const TViewLists& ViewLists(const TMapView& view);

// Markers: SetMark clears the list and adds one; AddMark makes the new marker current (-1 when
// the append failed and emptied the list); ClearMarks makes marker 0 current.
void SetMark(TMapView& view, const TMarker& marker);
void AddMark(TMapView& view, const TMarker& marker);
void ClearMarks(TMapView& view);
// 1 and the current marker when there is one; 0 otherwise.
int GetCurrentMark(const TMapView& view, TMarker* out);

// Over the finished frame, transparent: the highlighted objects, the markers (yellow crosses)
// and the calibration points of the active raster map. 0.
int DrawHighlights(TMapView& view, HDC dc);
