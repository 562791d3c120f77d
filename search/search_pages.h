// The two pages of the search window. The address page cascades state, region, city, street and
// house; the object page narrows objects by type, place and distance from the view centre and
// shows the chosen one's details. Both fill their lists through FillDependentList.
#pragma once

#include "platform/win.h"

class TAddressPage {
 public:
  HWND Create(HINSTANCE module, HWND parent);
  // The chosen item of the list that had the focus last, shown on the map.
  void ShowOnMap() const;

  HWND window = nullptr;
  int lastFocused = -1;  // a list id; survives the window's openings
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
};

class TObjectPage {
 public:
  HWND Create(HINSTANCE module, HWND parent);
  // The chosen name, whatever had the focus.
  void ShowOnMap() const;

  HWND window = nullptr;
  int lastFocused = -1;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
};

extern TAddressPage g_AddressPage;
extern TObjectPage g_ObjectPage;

// Fills list `id` of a page from the choices in the lists before it and clears the lists after
// it (the house list only when some filter was formed; the name list with the type, the place
// and the distance limit).
void FillDependentList(HWND page, int id);
// An empty list (not the house list) is filled on drop-down, its edit text kept.
void FillListOnDrop(HWND page, int id);
// The details of the chosen name: information, phone and address of the first "Objects" row
// with its type, place ids and name.
void ShowObjectDetails(HWND page);
// What the window and its pages do with painting and the pen on themselves: white, and taps do
// nothing. True when handled.
bool PageMessage(HWND window, UINT message);
// The combo boxes of both pages, for clearing.
inline constexpr int kPageLists[] = {1219, 1220, 2497, 2799, 2598, 1231, 1328};
