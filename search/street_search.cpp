#include "search/street_search.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "platform/fresh_state.h"
#include "search/search_list.h"
#include "view/map_view.h"

TSearchBar* g_SearchBars[kMaxSearchBars] = {};
int SearchCityID = 0;
TDbSet g_BarTables;

namespace {

using namespace bar_ids;

// Slots of g_SearchBars: the street or object bar on top, the city bar below the street bar.
constexpr int kTopSlot = 0, kCitySlot = 1;
constexpr COLORREF kBarColour = 0x00FF0000;  // pure blue
// Item data of an entry without a map object.
constexpr LPARAM kNoObjectData = -1;

TSearchBar g_streetBar, g_cityBar, g_objectBar;
// The combo box that had the focus last (2081, 2082 or 2087) decides what "show" shows.
int g_lastFocused = 0;
// The project folder the open bars' lists were filled under: a project opened while a bar is
// open makes them stale, and the bar reads its tables again at the next touch.
std::string g_filledUnder;
const vplat::FreshStateHook kFresh(5, [] {
  g_lastFocused = 0;
  g_filledUnder.clear();
  vplat::Renew(g_objectBar);
  vplat::Renew(g_cityBar);
  vplat::Renew(g_streetBar);
  vplat::Renew(g_BarTables);
  SearchCityID = 0;
  for (TSearchBar*& bar : g_SearchBars) bar = nullptr;
});

bool IsOpen(const TSearchBar& bar) { return bar.window && IsWindow(bar.window); }

// The item data of the selected entry; CB_ERR when none is selected.
LRESULT SelectedData(HWND combo) {
  const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return sel == CB_ERR ? CB_ERR : SendMessageW(combo, CB_GETITEMDATA, WPARAM(sel), 0);
}

// What every bar does first on WM_INITDIALOG.
void InitBar(HWND bar) {
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = bar;
  SHInitDialog(&info);
  g_Lang.TranslateDialog(bar);
}

void Destroy(TSearchBar& bar) {
  if (IsOpen(bar)) DestroyWindow(bar.window);
  bar.window = nullptr;
  for (TSearchBar*& slot : g_SearchBars)
    if (slot == &bar) slot = nullptr;
}

std::wstring Widen(const char* text) {
  if (!text) return {};
  wchar_t wide[256] = L"";
  AnsiToWide(wide, text, int(std::min<size_t>(strlen(text), 255)), 256);
  return wide;
}

// Opens the tables in order from the paths they would come from now (a table read from another
// path, or whose load failed, is read again); false after the open error on the first that
// fails. A table with neither a project file, a setting nor a file in the program folder opens
// nothing, and one held from before is dropped: its lists stay empty.
bool OpenBarTables(HWND bar, std::initializer_list<const char*> tables) {
  g_filledUnder = g_MapView.projectFolder;
  for (const char* table : tables) {
    bool fallback = false;
    const std::string path = SearchTablePath(table, &fallback);
    if (fallback && !FileExists(path.c_str())) {
      g_BarTables.CloseTable(table);
      continue;
    }
    if (g_BarTables.OpenTable(table, path.c_str()) != kDbOk) {
      std::string shown = path.substr(0, 255);
      const std::wstring text = std::wstring(g_Lang.GetText(lang_id::kMsgOpenErr)) + PathToWide(shown);
      MessageBoxW(bar, text.c_str(), nullptr, MB_OK);
      return false;
    }
  }
  return true;
}

LPARAM ObjectData(const TDbTable& t, TDbRowRef row, uint8_t listColumn, uint8_t offsColumn) {
  double list, offs;
  if (listColumn == kDbNoColumn || offsColumn == kDbNoColumn || !t.GetNumber(row, listColumn, &list) ||
      !t.GetNumber(row, offsColumn, &offs))
    return kNoObjectData;
  // An object index is 16 bits in a map; a list id any 32-bit number.
  if (!(list >= -2147483648.0 && list <= 2147483647.0) || !(offs >= 0 && offs <= 65535)) return kNoObjectData;
  return LPARAM((uint64_t(uint32_t(int32_t(list))) << 32) | uint32_t(offs));
}

// Adds the selected rows' names to a combo box with item data from `data`, in table order.
template <typename DataOf>
void AddRows(HWND combo, const TDbTable& t, const TDbSelection& rows, DataOf data) {
  const uint8_t name = t.GetColumnIndex("Name");
  if (name == kDbNoColumn) return;
  for (TDbRowRef row : rows) {
    const std::wstring text = Widen(t.GetText(row, name));
    const LRESULT at = SendMessageW(combo, CB_INSERTSTRING, WPARAM(-1), LPARAM(text.c_str()));
    if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), data(row));
  }
}

// The rows' names with their `idColumn` as item data; nothing when the table lacks the column.
void AddIdRows(HWND combo, const TDbTable& t, const TDbSelection& rows, const char* idColumn) {
  const uint8_t id = t.GetColumnIndex(idColumn);
  if (id != kDbNoColumn) AddRows(combo, t, rows, [&](TDbRowRef row) { return LPARAM(ReadId(t, row, id)); });
}

void FillStreets() {
  if (!IsOpen(g_streetBar)) return;
  HWND combo = GetDlgItem(g_streetBar.window, kStreets);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(g_streetBar.window, kHouses, CB_RESETCONTENT, 0, 0);
  const TDbTable* t = g_BarTables.GetTable("Streets");
  if (!t) return;
  uint32_t n = 0;
  AddIdRows(combo, *t, t->Select("CityID", kDbEqual, TDbValue(SearchCityID), &n), "StreetID");
}

void FillCities(HWND bar) {
  HWND combo = GetDlgItem(bar, kCities);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  if (const TDbTable* t = g_BarTables.GetTable("Cities")) {
    uint32_t n = 0;
    AddIdRows(combo, *t, t->Select(nullptr, kDbAll, TDbValue(0), &n), "CityID");
  }
}

void FillTypes(HWND bar) {
  HWND types = GetDlgItem(bar, kTypes);
  SendMessageW(types, CB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(bar, kObjects, CB_RESETCONTENT, 0, 0);
  if (const TDbTable* t = g_BarTables.GetTable("ObjTypes")) {
    uint32_t n = 0;
    AddIdRows(types, *t, t->Select("TypeID", kDbLess, TDbValue(255), &n), "TypeID");
  }
}

void FillHouses(HWND bar) {
  HWND houses = GetDlgItem(bar, kHouses);
  const LRESULT street = SelectedData(GetDlgItem(bar, kStreets));
  if (street == CB_ERR) return;
  const TDbTable* t = g_BarTables.GetTable("Houses");
  SendMessageW(houses, CB_RESETCONTENT, 0, 0);
  if (!t) return;
  uint32_t n = 0;
  const TDbSelection inCity = t->Select("CityID", kDbEqual, TDbValue(SearchCityID), &n);
  const TDbSelection rows = t->Select("StreetID", kDbEqual, TDbValue(int64_t(street)), &n, &inCity);
  const uint8_t list = t->GetColumnIndex("ListID"), offs = t->GetColumnIndex("OFFS");
  AddRows(houses, *t, rows, [&](TDbRowRef row) { return ObjectData(*t, row, list, offs); });
}

// The map file name of a "Lists" row; empty when none.
std::string MapNameOfList(int32_t listId) {
  const TDbTable* t = g_BarTables.GetTable("Lists");
  if (!t) return {};
  uint32_t n = 0;
  const TDbSelection rows = t->Select("ListID", kDbEqual, TDbValue(listId), &n);
  const char* name = rows.empty() ? nullptr : t->GetText(rows[0], t->GetColumnIndex("Name"));
  return name ? name : "";
}

bool SplitObjectData(LPARAM data, int32_t* list, uint16_t* object) {
  if (data == kNoObjectData || data == CB_ERR) return false;
  const int32_t offs = int32_t(uint32_t(uint64_t(data)));
  if (offs < 0 || offs > 65535) return false;
  *list = int32_t(uint32_t(uint64_t(data) >> 32));
  *object = uint16_t(offs);
  return true;
}

void ShowObjectOfCombo(HWND combo) {
  int32_t list;
  uint16_t object;
  if (!SplitObjectData(SelectedData(combo), &list, &object)) return;
  const std::string map = MapNameOfList(list);
  if (!map.empty() && g_MapView.SelectObjectInMap(map.c_str(), object)) ProgramHost().InvalidateMainView(1);
}

void ShowStreet(HWND houses) {
  const int n = int(SendMessageW(houses, CB_GETCOUNT, 0, 0));
  double minX = std::numeric_limits<double>::infinity(), minY = minX, maxX = -minX, maxY = -minX;
  bool any = false;
  int32_t lastList = 0;
  std::string map;
  for (int i = 0; i < n; ++i) {
    int32_t list;
    uint16_t object;
    if (!SplitObjectData(SendMessageW(houses, CB_GETITEMDATA, WPARAM(i), 0), &list, &object)) continue;
    if (map.empty() || list != lastList) {
      map = MapNameOfList(list);
      lastList = list;
    }
    double x, y;
    if (map.empty() || !g_MapView.GetObjectCenterInMap(map.c_str(), object, &x, &y)) continue;
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
    any = true;
  }
  if (!any) return;
  // The view fits a rectangle by its east-west extent: houses in one north-south line are
  // centred on instead.
  if (minY == maxY) g_MapView.CenterOn((minX + maxX) / 2, minY, 0);
  else g_MapView.ShowRect(minX, minY, maxX, maxY);
  ProgramHost().InvalidateMainView(1);
}

void ShowCity(HWND cities) {
  const LRESULT id = SelectedData(cities);
  const TDbTable* t = g_BarTables.GetTable("Cities");
  if (id == CB_ERR || !t) return;
  uint32_t n = 0;
  const TDbSelection rows = t->Select("CityID", kDbEqual, TDbValue(int64_t(id)), &n);
  if (rows.empty()) return;
  TSearchItem city;
  double* corner[4] = {&city.X1, &city.Y1, &city.X2, &city.Y2};
  const char* names[4] = {"X1", "Y1", "X2", "Y2"};
  for (int k = 0; k < 4; ++k)
    if (!t->GetNumber(rows[0], t->GetColumnIndex(names[k]), corner[k])) return;
  city.hasCoordinates = true;
  for (double* v : corner)
    if (!std::isfinite(*v) || *v == 9223372036854775808.0) return;  // the tables' missing mark
  ShowItemOnMap(&city);
}

void PaintBlue(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  HBRUSH brush = CreateSolidBrush(kBarColour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  EndPaint(hwnd, &ps);
}

// Typing into an open list: keys that follow each other within kTypeAheadMs add to one search
// text, as a list box's typing does; after a longer pause the next key starts a new one.
// Selecting the found entry puts the entry's text into the edit, all of it selected, so the
// next key would replace it: the typed text is written back with the caret at its end instead,
// and this remembers it to tell a continuation from a fresh start.
constexpr DWORD kTypeAheadMs = 1000;
struct TTypeAhead {
  HWND combo = nullptr;
  std::wstring text;  // as written back into the edit
  DWORD at = 0;       // tick of the last key
};
TTypeAhead g_typeAhead;
const vplat::FreshStateHook kFreshTypeAhead(5, [] { g_typeAhead = {}; });

// The text to search for after a key turned the edit's text into `typed`.
std::wstring TypedSearchText(HWND combo, const std::wstring& typed) {
  const TTypeAhead& last = g_typeAhead;
  const bool continues = last.combo == combo && !last.text.empty() &&
                         typed.compare(0, last.text.size(), last.text) == 0;
  if (continues && GetTickCount() - last.at > kTypeAheadMs) return typed.substr(last.text.size());
  return typed;
}

// A street let go takes its houses with it.
void DropSelection(HWND bar, int id, HWND combo, const std::wstring& text) {
  if (ClearSelectionKeepText(combo, text) && id == kStreets)
    SendDlgItemMessageW(bar, kHouses, CB_RESETCONTENT, 0, 0);
}

// Focus and typing, common to the combo boxes with an edit field.
bool ComboNotification(HWND bar, int id, UINT code) {
  HWND combo = GetDlgItem(bar, id);
  switch (code) {
    case CBN_SETFOCUS:
      SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
      SetSipState(bar, 1);
      g_lastFocused = id;
      return true;
    case CBN_KILLFOCUS:
      SetSipState(bar, 0);
      return true;
    case CBN_EDITCHANGE:
    case CBN_DROPDOWN: {
      wchar_t typed[256] = L"";
      GetWindowTextW(combo, typed, 256);
      if (code == CBN_EDITCHANGE && !SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) {
        // Typed with the list closed: nothing is searched, but an entry typed over is let go.
        if (!SelectionReads(combo, typed)) DropSelection(bar, id, combo, typed);
        return true;
      }
      // Dropping the list down searches for the text the box holds; the entry found then fills
      // the edit, all selected, so the first key typed starts a new search text.
      const bool key = code == CBN_EDITCHANGE;
      std::wstring text = key ? TypedSearchText(combo, typed) : typed;
      g_typeAhead = {};
      if (id == kHouses) text = PadHouseNumber(text);
      auto writeBack = [&] {
        SetWindowTextW(combo, text.c_str());
        SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(text.size(), text.size()));
      };
      if (!key && text != typed) writeBack();
      const LRESULT found =
          text.empty() ? CB_ERR : SendMessageW(combo, CB_SELECTSTRING, WPARAM(-1), LPARAM(text.c_str()));
      if (found == CB_ERR) DropSelection(bar, id, combo, text);
      if (key) {
        writeBack();
        g_typeAhead = {combo, text, GetTickCount()};
      }
      return true;
    }
  }
  return false;
}

HWND CreateBar(int templateId, DLGPROC proc, int top) {
  HWND main = ProgramHost().MainWindow();
  HWND bar = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), main, proc, 0);
  if (!bar) return nullptr;
  SetWindowPos(bar, HWND_TOP, 0, top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  return bar;
}

int BarHeight(HWND w) {
  RECT r;
  return w && GetWindowRect(w, &r) ? int(r.bottom - r.top) : 0;
}

void ToggleCityBar();

constexpr std::initializer_list<const char*> kStreetTables = {"Streets", "Houses", "Cities", "Lists"};
constexpr std::initializer_list<const char*> kObjectTables = {"Objects", "ObjTypes", "Lists"};

// A project opened since the open bars were filled: their tables are read again from where they
// would come from now and their lists filled anew, so that no street, house or object of the
// project left behind is listed or shown. A table that fails leaves its bar's lists empty.
void RefreshStaleBars() {
  if (g_filledUnder == g_MapView.projectFolder) return;
  if (IsOpen(g_streetBar)) {
    const bool ok = OpenBarTables(g_streetBar.window, kStreetTables);
    if (ok) FillStreets();
    else SendDlgItemMessageW(g_streetBar.window, kStreets, CB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(g_streetBar.window, kHouses, CB_RESETCONTENT, 0, 0);
    if (IsOpen(g_cityBar)) {
      if (ok) FillCities(g_cityBar.window);
      else SendDlgItemMessageW(g_cityBar.window, kCities, CB_RESETCONTENT, 0, 0);
    }
  }
  if (IsOpen(g_objectBar)) {
    if (OpenBarTables(g_objectBar.window, kObjectTables)) FillTypes(g_objectBar.window);
    else SendDlgItemMessageW(g_objectBar.window, kTypes, CB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(g_objectBar.window, kObjects, CB_RESETCONTENT, 0, 0);
  }
  g_filledUnder = g_MapView.projectFolder;
}

INT_PTR CALLBACK StreetBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM) {
  ProgramHost().ReportUserInput();
  switch (message) {
    case WM_INITDIALOG: {
      g_streetBar.window = bar;
      InitBar(bar);
      if (OpenBarTables(bar, kStreetTables)) FillStreets();
      return TRUE;
    }
    case WM_COMMAND: {
      RefreshStaleBars();
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      if (id == kStreets || id == kHouses) {
        if (ComboNotification(bar, id, code)) return TRUE;
        if (id == kStreets && code == CBN_SELENDOK) {
          FillHouses(bar);
          return TRUE;
        }
        return FALSE;
      }
      if (id == kShowStreet) {
        if (g_lastFocused == kHouses) ShowObjectOfCombo(GetDlgItem(bar, kHouses));
        else if (g_lastFocused == kStreets) ShowStreet(GetDlgItem(bar, kHouses));
        else if (g_lastFocused == kCities && IsOpen(g_cityBar)) ShowCity(GetDlgItem(g_cityBar.window, kCities));
        return TRUE;
      }
      if (id == kCityButton) {
        ToggleCityBar();
        return TRUE;
      }
      return FALSE;
    }
    case WM_PAINT:
      PaintBlue(bar);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK CityBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM) {
  ProgramHost().ReportUserInput();
  switch (message) {
    case WM_INITDIALOG: {
      g_cityBar.window = bar;
      InitBar(bar);
      FillCities(bar);
      return TRUE;
    }
    case WM_COMMAND: {
      RefreshStaleBars();
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      if (id != kCities) return FALSE;
      if (ComboNotification(bar, id, code)) return TRUE;
      if (code == CBN_SELENDOK) {
        const LRESULT city = SelectedData(GetDlgItem(bar, kCities));
        if (city != CB_ERR && city != kAnyId) {
          SearchCityID = int(city);
          FillStreets();
        }
        return TRUE;
      }
      return FALSE;
    }
    case WM_PAINT:
      PaintBlue(bar);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK ObjectBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM) {
  ProgramHost().ReportUserInput();
  switch (message) {
    case WM_INITDIALOG: {
      g_objectBar.window = bar;
      InitBar(bar);
      if (OpenBarTables(bar, kObjectTables)) FillTypes(bar);
      return TRUE;
    }
    case WM_COMMAND: {
      RefreshStaleBars();
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      if (id == kObjects) return ComboNotification(bar, id, code) ? TRUE : FALSE;
      if (id == kTypes && code == CBN_SELENDOK) {
        HWND types = GetDlgItem(bar, kTypes), objects = GetDlgItem(bar, kObjects);
        SendMessageW(objects, CB_RESETCONTENT, 0, 0);
        const LRESULT type = SelectedData(types);
        const TDbTable* t = g_BarTables.GetTable("Objects");
        if (type == CB_ERR || !t) return TRUE;
        uint32_t n = 0;
        const TDbSelection rows = t->Select("TypeID", kDbEqual, TDbValue(int64_t(type)), &n);
        const uint8_t list = t->GetColumnIndex("ListID"), offs = t->GetColumnIndex("OFFS");
        AddRows(objects, *t, rows, [&](TDbRowRef row) { return ObjectData(*t, row, list, offs); });
        return TRUE;
      }
      if (id == kShowObject) {
        ShowObjectOfCombo(GetDlgItem(bar, kObjects));
        return TRUE;
      }
      return FALSE;
    }
    case WM_PAINT:
      PaintBlue(bar);
      return TRUE;
  }
  return FALSE;
}

void ToggleCityBar() {
  if (IsOpen(g_cityBar)) {
    Destroy(g_cityBar);
    ProgramHost().InvalidateMainView(1);
    return;
  }
  if (!IsOpen(g_streetBar)) return;
  g_cityBar.window = CreateBar(kCityBar, CityBarProc, BarHeight(g_streetBar.window));
  if (g_cityBar.window) g_SearchBars[kCitySlot] = &g_cityBar;
  ProgramHost().InvalidateMainView(1);
}

}  // namespace

std::wstring PadHouseNumber(const std::wstring& typed) {
  std::wstring text = typed.substr(std::min(typed.find_first_not_of(L' '), typed.size()));
  if (text.size() == 1 || text.size() == 2) text.insert(0, 3 - text.size(), L' ');
  return text;
}

int IsStreetBarOpen() { return IsOpen(g_streetBar) ? 1 : 0; }
int IsObjectBarOpen() { return IsOpen(g_objectBar) ? 1 : 0; }

int ToggleStreetBar() {
  if (IsOpen(g_streetBar)) {
    Destroy(g_cityBar);
    Destroy(g_streetBar);
    ProgramHost().InvalidateMainView(1);
    return 0;
  }
  Destroy(g_objectBar);
  g_lastFocused = 0;
  g_streetBar.window = CreateBar(kStreetBar, StreetBarProc, 0);
  if (g_streetBar.window) g_SearchBars[kTopSlot] = &g_streetBar;
  ProgramHost().InvalidateMainView(1);
  return IsStreetBarOpen();
}

int ToggleObjectBar() {
  if (IsOpen(g_objectBar)) {
    Destroy(g_objectBar);
    ProgramHost().InvalidateMainView(1);
    return 0;
  }
  Destroy(g_cityBar);
  Destroy(g_streetBar);
  g_objectBar.window = CreateBar(kObjectBar, ObjectBarProc, 0);
  if (g_objectBar.window) g_SearchBars[kTopSlot] = &g_objectBar;
  ProgramHost().InvalidateMainView(1);
  return IsObjectBarOpen();
}

void CloseStreetSearch() {
  SetWaitCursor(1);
  Destroy(g_cityBar);
  Destroy(g_streetBar);
  Destroy(g_objectBar);
  for (TSearchBar*& slot : g_SearchBars) slot = nullptr;
  g_BarTables.CloseAll();
  SetWaitCursor(0);
}
