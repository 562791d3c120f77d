// The database point layer: every row of the address database's "Global" table is a named point
// (latitude X, longitude Y in radians, a priority) drawn over the maps as a yellow circle with its
// name in a framed box beside it. Lower priority values are drawn first and get larger circles;
// a label goes where it covers no other label, and drawing stops once labels cover much of the
// screen (half within one priority, a fifth between priorities).
//
// The view owns the layer through the abstract TDbLayer; start-up installs MakeDbPointLayer as
// its factory. Reading the table needs search/, which the view may not include.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "view/db_layer_holder.h"
#include "view/label_occupancy.h"

struct TDbPointItem {
  uint8_t priority = 0;
  std::wstring name;
  double x = 0, y = 0;  // latitude, longitude (radians)
  RECT label = {0, 0, 0, 0};  // where its label went in the last draw
  int32_t inView = 0;
};

class TDbPointLayer : public TDbLayer {
 public:
  TDbPointLayer(TGeoToScreenFn toScreen, TScreenToGeoFn toGeo);
  // 0 (also when a column is missing: the layer is then empty), the table's open error, or 3
  // when the items cannot be held. Items held before are replaced.
  int Load(const char* databasePath) override;
  void FreeItems() override;
  void PrepareView(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void Draw(HDC dc) override;

  // Circle radius of priority p: 5 for the lowest value down to 2 for the highest; 5 for all
  // when every item shares one priority.
  int32_t Radius(uint8_t p) const;

  TLabelOccupancy occupancy;
  std::vector<TDbPointItem> items;
  uint8_t highest = 0, lowest = 0;

 private:
  TGeoToScreenFn toScreen;
  TScreenToGeoFn toGeo;
  // Items in view, by priority ascending, index order within a priority (made by PrepareView).
  std::vector<uint32_t> drawOrder;
};

// The factory start-up installs with SetDbLayerFactory.
TDbLayer* MakeDbPointLayer(TGeoToScreenFn toScreen, TScreenToGeoFn toGeo);
