#include "search/search_pages.h"

#include <string>
#include <vector>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "platform/fresh_state.h"
#include "search/search_list.h"
#include "search/search_window.h"
#include "view/map_view.h"

TAddressPage g_AddressPage;
TObjectPage g_ObjectPage;
namespace {
const vplat::FreshStateHook kFresh(5, [] {
  vplat::Renew(g_ObjectPage);
  vplat::Renew(g_AddressPage);
});
}  // namespace

namespace {

using namespace search_ids;

const TSearchItem* Chosen(HWND page, int id) { return GetChosenItem(GetDlgItem(page, id)); }

void Clear(HWND page, std::initializer_list<int> ids) {
  for (int id : ids) ClearList(GetDlgItem(page, id));
}

void AddFilter(std::vector<TSearchFilter>& f, const char* column, int32_t value, uint8_t wide = 1) {
  f.push_back({value, wide, column});
}

// The place filters of a list below the city (streets) or the name list: from the city item,
// else the region item, else the state item.
void PlaceFilters(HWND page, std::vector<TSearchFilter>& f) {
  if (const TSearchItem* c = Chosen(page, kCity)) {
    AddFilter(f, "StateID", c->StateID);
    AddFilter(f, "RegionID", c->RegionID);
    AddFilter(f, "CityID", c->CityID);
  } else if (const TSearchItem* r = Chosen(page, kRegion)) {
    AddFilter(f, "StateID", r->StateID);
    AddFilter(f, "RegionID", r->RegionID);
  } else if (const TSearchItem* s = Chosen(page, kState)) {
    AddFilter(f, "StateID", s->StateID);
  }
}

// Opens the five tables of a page in order under the wait cursor; on the first failure shows
// the open error with its path. True when all are open.
bool OpenPageTables(HWND page, std::initializer_list<const char*> tables) {
  SetWaitCursor(1);
  std::string path;
  bool ok = true;
  for (const char* table : tables)
    if (!OpenSearchTable(g_SearchTables, table, &path)) {
      ok = false;
      break;
    }
  SetWaitCursor(0);
  if (!ok) {
    if (path.size() > 255) path.resize(255);
    const std::wstring text = std::wstring(g_Lang.GetText(lang_id::kMsgOpenErr)) + PathToWide(path);
    MessageBoxW(page, text.c_str(), nullptr, MB_OK);
  }
  return ok;
}


// Focus, drop-down and typing notifications common to the lists of both pages.
bool ListNotification(HWND page, int id, UINT code, int* lastFocused) {
  HWND list = GetDlgItem(page, id);
  switch (code) {
    case CBN_SETFOCUS:
      SendMessageW(list, CB_SETEDITSEL, 0, MAKELPARAM(0, GetWindowTextLengthW(list)));
      *lastFocused = id;
      SetSipState(page, 1);
      return true;
    case CBN_KILLFOCUS:
      SetSipState(page, 0);
      return true;
    case CBN_EDITCHANGE: {
      // A choice typed over is let go: "Показать" shows what the box reads or nothing.
      wchar_t typed[256] = L"";
      GetWindowTextW(list, typed, 256);
      if (!SelectionReads(list, typed)) ClearSelectionKeepText(list, typed);
      if (SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0)) FillListOnDrop(page, id);
      return true;
    }
    case CBN_DROPDOWN:
      FillListOnDrop(page, id);
      return true;
  }
  return false;
}

INT_PTR CALLBACK AddressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ProgramHost().ReportUserInput();
  switch (message) {
    case WM_INITDIALOG:
      g_AddressPage.window = page;
      g_Lang.TranslateDialog(page);
      if (OpenPageTables(page, {"States", "Regions", "Cities", "Streets", "Houses"}))
        FillList("States", nullptr, 0, GetDlgItem(page, kState), 0, 0, 0);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      if (id != kState && id != kRegion && id != kCity && id != kStreet && id != kHouse) return FALSE;
      if (ListNotification(page, id, code, &g_AddressPage.lastFocused)) return TRUE;
      if (code == CBN_SELENDOK) {
        if (id == kState) FillDependentList(page, kRegion);
        else if (id == kRegion) FillDependentList(page, kCity);
        else if (id == kCity) FillDependentList(page, kStreet);
        else if (id == kStreet) FillDependentList(page, kHouse);
        return TRUE;
      }
      return FALSE;
    }
  }
  return PageMessage(page, message) ? TRUE : FALSE;
}

INT_PTR CALLBACK ObjectPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ProgramHost().ReportUserInput();
  switch (message) {
    case WM_INITDIALOG:
      g_ObjectPage.window = page;
      g_Lang.TranslateDialog(page);
      if (OpenPageTables(page, {"States", "Regions", "Cities", "Objects", "ObjTypes"})) {
        FillList("States", nullptr, 0, GetDlgItem(page, kState), 0, 0, 0);
        FillList("ObjTypes", nullptr, 0, GetDlgItem(page, kType), 0, 0, 0);
      }
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      if (id == kState || id == kRegion || id == kCity || id == kName) {
        if (ListNotification(page, id, code, &g_ObjectPage.lastFocused)) return TRUE;
        if (code != CBN_SELENDOK) return FALSE;
        if (id == kState) {
          FillDependentList(page, kRegion);
        } else if (id == kRegion) {
          FillDependentList(page, kCity);
        } else if (id == kName) {
          SetSipState(page, 0);
          ShowObjectDetails(page);
        }
        return TRUE;
      }
      if (id == kType && code == CBN_SELENDOK) {
        FillDependentList(page, kName);
        return TRUE;
      }
      if (id == kFillNames) {
        FillDependentList(page, kName);
        SendDlgItemMessageW(page, kName, CB_SHOWDROPDOWN, TRUE, 0);
        return TRUE;
      }
      if (id == kDistance && (code == EN_SETFOCUS || code == EN_KILLFOCUS)) {
        if (code == EN_SETFOCUS) g_ObjectPage.lastFocused = id;
        SetSipState(page, code == EN_SETFOCUS ? 1 : 0);
        return TRUE;
      }
      return FALSE;
    }
  }
  return PageMessage(page, message) ? TRUE : FALSE;
}

HWND CreatePage(int templateId, HINSTANCE module, HWND parent, DLGPROC proc) {
  HWND page = CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), parent, proc, 0);
  if (page) SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return page;
}

}  // namespace

bool PageMessage(HWND window, UINT message) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &ps);
    return true;
  }
  return message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
}

HWND TAddressPage::Create(HINSTANCE module, HWND owner) {
  instance = module;
  parent = owner;
  window = nullptr;
  return CreatePage(kAddressPage, module, owner, AddressPageProc);
}

HWND TObjectPage::Create(HINSTANCE module, HWND owner) {
  instance = module;
  parent = owner;
  window = nullptr;
  return CreatePage(kObjectPage, module, owner, ObjectPageProc);
}

void TAddressPage::ShowOnMap() const {
  if (!window || lastFocused < 0) return;
  if (const TSearchItem* item = Chosen(window, lastFocused)) ShowItemOnMap(item);
}

void TObjectPage::ShowOnMap() const {
  if (!window) return;
  if (const TSearchItem* item = Chosen(window, kName)) ShowItemOnMap(item);
}

void FillDependentList(HWND page, int id) {
  std::vector<TSearchFilter> f;
  HWND list = GetDlgItem(page, id);
  switch (id) {
    case kState:
      Clear(page, {kRegion, kCity, kStreet, kHouse});
      return;
    case kRegion:
      if (const TSearchItem* s = Chosen(page, kState)) AddFilter(f, "StateID", s->StateID);
      FillList("Regions", f.data(), int(f.size()), list, 0, 0, 0);
      Clear(page, {kCity, kStreet, kHouse});
      return;
    case kCity:
      if (const TSearchItem* r = Chosen(page, kRegion)) {
        AddFilter(f, "StateID", r->StateID);
        AddFilter(f, "RegionID", r->RegionID);
      } else if (const TSearchItem* s = Chosen(page, kState)) {
        AddFilter(f, "StateID", s->StateID);
      }
      FillList("Cities", f.data(), int(f.size()), list, 0, 0, 0);
      Clear(page, {kStreet, kHouse});
      return;
    case kStreet:
      PlaceFilters(page, f);
      FillList("Streets", f.data(), int(f.size()), list, 0, 0, 0);
      Clear(page, {kHouse});
      return;
    case kHouse: {
      const TSearchItem* chosen = nullptr;
      if ((chosen = Chosen(page, kStreet))) {
        AddFilter(f, "StreetID", chosen->StreetID);
        AddFilter(f, "CityID", chosen->CityID);
        AddFilter(f, "RegionID", chosen->RegionID);
        AddFilter(f, "StateID", chosen->StateID);
      } else if ((chosen = Chosen(page, kCity))) {
        AddFilter(f, "CityID", chosen->CityID);
        AddFilter(f, "RegionID", chosen->RegionID);
        AddFilter(f, "StateID", chosen->StateID);
      } else if ((chosen = Chosen(page, kRegion))) {
        AddFilter(f, "RegionID", chosen->RegionID);
        AddFilter(f, "StateID", chosen->StateID);
      } else if ((chosen = Chosen(page, kState))) {
        AddFilter(f, "StateID", chosen->StateID);
      }
      if (!f.empty()) FillList("Houses", f.data(), int(f.size()), list, 0, 0, 0);
      return;
    }
    case kName: {
      if (const TSearchItem* t = Chosen(page, kType)) AddFilter(f, "TypeID", t->TypeID, 0);
      PlaceFilters(page, f);
      wchar_t text[256] = L"";
      GetDlgItemTextW(page, kDistance, text, 256);
      double cx = 0, cy = 0;
      g_MapView.GetCenter(&cx, &cy, 0);
      bool refused = false;
      const int32_t limit = DistanceLimitMetres(text, &refused);
      if (refused) MessageBeep(MB_ICONHAND);  // listed without a limit, and the user hears why
      FillList("Objects", f.data(), int(f.size()), list, cx, cy, limit);
      return;
    }
  }
}

void FillListOnDrop(HWND page, int id) {
  HWND list = GetDlgItem(page, id);
  if (!list || id == kHouse || SendMessageW(list, CB_GETCOUNT, 0, 0) != 0) return;
  wchar_t text[256] = L"";
  GetWindowTextW(list, text, 256);
  FillDependentList(page, id);
  SetWindowTextW(list, text);
}

void ShowObjectDetails(HWND page) {
  wchar_t wide[256] = L"";
  GetDlgItemTextW(page, kName, wide, 256);
  char name[256] = "";
  WideToAnsi(name, wide, int(wcslen(wide)), sizeof name);
  const TSearchItem* item = Chosen(page, kName);
  if (!item) return;
  SetWaitCursor(1);
  const struct {
    const char* column;
    int32_t value;
  } steps[] = {{"TypeID", item->TypeID},
               {"StateID", item->StateID},
               {"RegionID", item->RegionID},
               {"CityID", item->CityID}};
  TDbSelection rows;
  bool any = false, empty = false;
  uint32_t n = 0;
  for (const auto& s : steps) {
    if (s.value == kAnyId) continue;  // the item lacks it: its table has no such column
    rows = g_SearchTables.Select("Objects", s.column, kDbEqual, TDbValue(int64_t(s.value)), &n,
                                 any ? &rows : nullptr);
    any = true;
    if (rows.empty()) {
      empty = true;
      break;
    }
  }
  if (!empty)
    rows = g_SearchTables.Select("Objects", "Name", kDbEqual, TDbValue(name), &n, any ? &rows : nullptr);
  std::wstring details;
  const TDbTable* t = g_SearchTables.GetTable("Objects");
  if (t && !empty && !rows.empty()) {
    const uint8_t info = t->GetColumnIndex("Info"), phone = t->GetColumnIndex("Phone"),
                  address = t->GetColumnIndex("Address");
    if (info != kDbNoColumn && phone != kDbNoColumn && address != kDbNoColumn) {
      auto cell = [&](uint8_t column) {
        const char* text = t->GetText(rows[0], column);
        if (!text) return std::wstring();
        wchar_t buffer[256] = L"";
        AnsiToWide(buffer, text, int(std::min<size_t>(strlen(text), 255)), 256);
        return std::wstring(buffer);
      };
      details = cell(info) + L"\r\n" + cell(phone) + L"\r\n" + cell(address);
    }
  }
  SetDlgItemTextW(page, kDetails, details.c_str());
  SetWaitCursor(0);
}
