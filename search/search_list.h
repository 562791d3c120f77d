// The list query shared by the search window's pages: a filtered selection over one address
// table loaded into a combo box, each item but the first carrying a TSearchItem of ids and
// coordinates, and the rules by which the tables are found and the chosen item is shown.
//
// Every list starts with "  " + the "not selected" text (item data null); the rows follow in
// the order of the sorted lists (wide texts compared case-folded, code point by code point,
// equal names in table order), sorted once and appended, so a list of n rows costs n log n.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"
#include "search/db_set.h"

// An id that is missing from its table; as a filter it means "any".
inline constexpr int32_t kAnyId = 0x7FFF;

struct TSearchItem {
  int32_t StateID = kAnyId;
  int32_t RegionID = kAnyId;
  int32_t CityID = kAnyId;
  int32_t StreetID = kAnyId;
  int32_t TypeID = kAnyId;
  // Geodetic, radians (X latitude, Y longitude), as the table stores them; X2/Y2 copy X1/Y1
  // when the table has no second corner.
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  // Both corners are finite numbers and not the tables' missing-value mark: only such an item
  // is shown on the map or passes a distance limit.
  bool hasCoordinates = false;
};

struct TSearchFilter {
  int32_t value = kAnyId;  // kAnyId: the filter is skipped
  uint8_t wide = 1;        // 1: a 16-bit (or wider) id; 0: an 8-bit id, its low byte compared
  std::string column;
};

// The tables of the search window, shared by its two pages.
extern TDbSet g_SearchTables;

// The path of an address table: the project folder + name + ".ndb" when a project is open and
// that file exists, else the settings value of "DB" + name when set, else the program folder +
// "DB\" + name + ".ndb". `fromProgramFolder` (optional) tells whether the last rule gave it.
std::string SearchTablePath(const char* table, bool* fromProgramFolder = nullptr);

// Makes sure `table` is open in `set` from the path SearchTablePath gives now: a table of that
// name read from there counts; one read from another path, or whose load failed, is read again.
// True on success; `path` receives the path tried.
bool OpenSearchTable(TDbSet& set, const char* table, std::string* path);

// Fills `combo` from `table` of g_SearchTables. No filters (null or count 0): every row.
// Otherwise each filter not kAnyId, on a column the table has, narrows the rows, in order; when
// every filter is skipped or one step leaves no row, only the first item is listed. `limit` (metres) non-zero lists only
// rows whose X1/Y1 lies strictly nearer the plane point (refX, refY); negative lists none.
void FillList(const char* table, const TSearchFilter* filters, int count, HWND combo, double refX,
              double refY, int32_t limit);
// Deletes every item's record, then empties the combo box.
void ClearList(HWND combo);
// The record of the selected item; null when nothing or the first item is selected.
const TSearchItem* GetChosenItem(HWND combo);
// Whether the selected entry of a combo box begins with `text`, as a typed search compares
// (letter case aside); an empty text is no entry's.
bool SelectionReads(HWND combo, const std::wstring& text);
// Lets go of the selection of a box typed over, so that "show" shows nothing rather than an
// entry the box no longer reads; the edit keeps `text`, the caret at its end. False when
// nothing was selected.
bool ClearSelectionKeepText(HWND combo, const std::wstring& text);
// Moves the map to the item: a point is centred at 1:5000, a rectangle shown and zoomed out two
// steps of the scale table; then a full redraw. Nothing without an item or its coordinates.
void ShowItemOnMap(const TSearchItem* item);

// The distance limit in metres for a text of kilometres typed with a decimal point or comma
// ("1,5" is 1500): empty or no number gives 0 (no limit), and `refused` (when given) says whether
// the text was something other than blanks and yet no number, for the caller to beep; kilometres
// x 1000 saturate at the int32 range; a positive distance below one metre becomes 1 (it would
// otherwise read as no limit); a negative one stays negative.
int32_t DistanceLimitMetres(const wchar_t* text, bool* refused = nullptr);

// Reads a number cell as an id: kAnyId when the column is missing, the cell holds no number or
// the number is not an integer in the int32 range.
int32_t ReadId(const TDbTable& table, TDbRowRef row, uint8_t column);
