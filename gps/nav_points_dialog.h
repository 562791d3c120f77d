// Dialog 124: the working map's named points, to pick a navigation target from, look one up on
// the map, add one at the view's centre, edit or delete one. The GPS bar runs it modally.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/ui/owner_draw_list.h"
#include "gps/point_properties.h"
#include "platform/win.h"

class TMdmMap;

struct TNavPointsDialog {
  // Result kinds the dialog leaves for its caller.
  enum : int { kShowOnMap = 1, kNavigateTo = 2, kNothing = 3, kPointEdited = 4 };
  static constexpr int kTemplate = 124;
  static constexpr int kMenu = 125;
  enum : int {
    kList = 1024,
    kNavigate = 1034,
    kClose = 3,
    kAdd = 13,
    kMap = 11,
    kCmdEdit = 40079,
    kCmdDelete = 7,
  };

  double centreX = 0;  // plane metres (X northing) of the map view's centre, set by the caller
  double centreY = 0;  // plane metres (Y easting, zone-prefixed)
  int chosen = -1;     // object index in the working map, -1 none
  int result = kNothing;
  bool changed = false;  // a point was deleted or added while the dialog was open

  // Runs the dialog modally over `owner`; answers the EndDialog code (0 when it cannot open).
  // A run that deleted or added a point asks for a full redraw of the map at its end, whatever
  // the caller makes of the result: the map's picture would go on showing the old points.
  int Run(HWND owner);

  void Init(HWND dialog);
  void AddPoint();
  void EditPoint();
  void DeletePoint();
  // Ends with `kind` and the selected row's point (-1 none); false, staying open, when
  // `needRow` and no row is selected.
  bool Choose(int kind, int endCode, bool needRow);
  void ShowMenu(int x, int y);

  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  TOwnerDrawList list;

 private:
  // The object index of a row while it is a live point of the working map; -1 otherwise.
  int LivePoint(const TOwnerDrawRow* row) const;
  // The row's texts from the object: attribute 9 and "x:%0.0f y:%0.0f".
  void FillRow(TOwnerDrawRow* row, TMdmMap* map, uint16_t index) const;
  void RedrawRow(int index);

  std::unique_ptr<TRowSymbols> symbols_;
};

extern TNavPointsDialog g_NavPointsDialog;

// The coordinates text of a points-list row read back: the X number between the first ':'
// (looked for from the second character) and the first ' ', the Y number between the second
// ':' and the end. A number is taken only when it has 1 to 10 characters. Bit 0 of the result
// tells that X was taken, bit 1 Y.
int ParseRowCoordinates(const std::wstring& text, double* x, double* y);
