// The street and object search bars at the top of the map (up to three open at once) and the
// city the address search last chose.
#pragma once

#include "platform/win.h"

class TSearchBar {
 public:
  HWND window = nullptr;
};

// At most this many bars are open at a time.
inline constexpr int kMaxSearchBars = 3;
// The open bars; a null slot is none. The main window's layout forgets a bar whose window no
// longer exists.
extern TSearchBar* g_SearchBars[kMaxSearchBars];

// The city last chosen in the address search (the setting "SearchCityID").
extern int SearchCityID;

// Closes the search bars and their tables.
void CloseStreetSearch();
