// The street and object search bars at the top of the map: the street bar (dialog 141: street,
// house, "show", and a button for the city bar, dialog 142, which sits below it) and the object
// bar (dialog 143: type, object, "show"). At most one of the two is open. Both query one table
// set of their own, filled when a bar first opens and kept until CloseStreetSearch.
//
// House and object entries carry their "ListID" (the map, through the "Lists" table) and
// "OFFS" (the object's index in that map) as two 32-bit halves of the item data, so ids above
// 16 bits survive; an entry with either cell missing shows nothing.
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "search/db_set.h"

class TSearchBar {
 public:
  HWND window = nullptr;
};

// At most this many bars are open at a time.
inline constexpr int kMaxSearchBars = 3;
// The open bars; a null slot is none. The main window's layout stacks them from the top in slot
// order and forgets a bar whose window no longer exists.
extern TSearchBar* g_SearchBars[kMaxSearchBars];

// The city last chosen in the address search (the setting "SearchCityID"): the bars filter
// streets and houses on it.
extern int SearchCityID;

// The bars' tables.
extern TDbSet g_BarTables;

namespace bar_ids {
inline constexpr int kStreetBar = 141, kCityBar = 142, kObjectBar = 143;
inline constexpr int kStreets = 2081, kHouses = 2082, kShowStreet = 2072, kCityButton = 2086;
inline constexpr int kCities = 2087;
inline constexpr int kTypes = 2077, kObjects = 2089, kShowObject = 2091;
}  // namespace bar_ids

// Opens the street bar (closing the object bar first) or closes it with the city bar and
// redraws the map. Returns 1 when the street bar is open afterwards.
int ToggleStreetBar();
// The same for the object bar, closing the street bar first.
int ToggleObjectBar();
int IsStreetBarOpen();
int IsObjectBarOpen();
// Closes the street and object bars and every table of their set.
void CloseStreetSearch();
// The text typed into the house box as the stored numbers read: leading blanks dropped, one or
// two characters padded on the left to three.
std::wstring PadHouseNumber(const std::wstring& typed);
