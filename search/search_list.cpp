#include "search/search_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>
#include <memory>
#include <vector>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/typed_number.h"
#include "base/ui/shell_utils.h"
#include "view/map_view.h"

namespace {

// The tables' mark of a missing coordinate: the double 2^63 (bits 0x43E0000000000000).
constexpr double kMissingMark = 9223372036854775808.0;
constexpr int32_t kPointScale = 5000;

bool UsableCoordinate(double v) { return std::isfinite(v) && v != kMissingMark; }

// The cell as a double; false when the column is missing or the cell holds no number.
bool ReadNumber(const TDbTable& t, TDbRowRef row, uint8_t column, double* v) {
  return column != kDbNoColumn && t.GetNumber(row, column, v);
}

struct Row {
  std::wstring name;
  std::unique_ptr<TSearchItem> item;
};

}  // namespace

int32_t ReadId(const TDbTable& table, TDbRowRef row, uint8_t column) {
  double v;
  if (!ReadNumber(table, row, column, &v)) return kAnyId;
  if (!(v >= -2147483648.0 && v <= 2147483647.0) || v != std::trunc(v)) return kAnyId;
  return int32_t(v);
}

std::string SearchTablePath(const char* table, bool* fromProgramFolder) {
  if (fromProgramFolder) *fromProgramFolder = false;
  const std::string name = table ? table : "";
  if (g_MapView.projectFolder[0]) {
    std::string path = std::string(g_MapView.projectFolder) + name + ".ndb";
    if (FileExists(path.c_str())) return path;
  }
  std::string value;
  if (g_Ini.GetString(("DB" + name).c_str(), value) && !value.empty()) return value;
  if (fromProgramFolder) *fromProgramFolder = true;
  return std::string(ProgramHost().ProgramFolder()) + "DB\\" + name + ".ndb";
}

bool OpenSearchTable(TDbSet& set, const char* table, std::string* path) {
  // The path is worked out again at every opening: another project, or another setting, names
  // another file, and the set reads it in place of the one it holds.
  const std::string p = SearchTablePath(table);
  if (path) *path = p;
  return set.OpenTable(table, p.c_str()) == kDbOk;
}

void ClearList(HWND combo) {
  if (!combo) return;
  const int n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    const LRESULT data = SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0);
    if (data != CB_ERR) delete reinterpret_cast<TSearchItem*>(data);
    SendMessageW(combo, CB_SETITEMDATA, WPARAM(i), 0);
  }
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
}

const TSearchItem* GetChosenItem(HWND combo) {
  if (!combo) return nullptr;
  const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel == CB_ERR) return nullptr;
  const LRESULT data = SendMessageW(combo, CB_GETITEMDATA, WPARAM(sel), 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<const TSearchItem*>(data);
}

bool SelectionReads(HWND combo, const std::wstring& text) {
  const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel == CB_ERR || text.empty()) return false;
  // The first entry from the selection on that begins with the text is the selection itself.
  return SendMessageW(combo, CB_FINDSTRING, WPARAM(sel - 1), LPARAM(text.c_str())) == sel;
}

bool ClearSelectionKeepText(HWND combo, const std::wstring& text) {
  if (SendMessageW(combo, CB_GETCURSEL, 0, 0) == CB_ERR) return false;
  SendMessageW(combo, CB_SETCURSEL, WPARAM(-1), 0);  // empties the edit as well
  SetWindowTextW(combo, text.c_str());
  SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(text.size(), text.size()));
  return true;
}

void FillList(const char* table, const TSearchFilter* filters, int count, HWND combo, double refX,
              double refY, int32_t limit) {
  if (!combo) return;
  ClearList(combo);
  const std::wstring first = std::wstring(L"  ") + g_Lang.GetText(lang_id::kMsgNoSelected);
  SendMessageW(combo, CB_INSERTSTRING, WPARAM(-1), LPARAM(first.c_str()));
  SetWaitCursor(1);

  const TDbTable* t = g_SearchTables.GetTable(table);
  TDbSelection rows;
  uint32_t n = 0;
  if (!filters || count <= 0) {
    rows = g_SearchTables.Select(table, nullptr, kDbAll, TDbValue(0), &n);
  } else {
    bool any = false;
    for (int i = 0; i < count; ++i) {
      const TSearchFilter& f = filters[i];
      if (f.value == kAnyId) continue;
      // A column the table lacks cannot narrow it: the filter is skipped as "not chosen" is,
      // so streets and houses of tables without state and region ids are still listed by city.
      if (t && t->GetColumnIndex(f.column.c_str()) == kDbNoColumn) continue;
      const TDbValue value(f.wide ? int64_t(f.value) : int64_t(f.value & 0xFF));
      TDbSelection next = g_SearchTables.Select(table, f.column.c_str(), kDbEqual, value, &n,
                                                any ? &rows : nullptr);
      any = true;
      rows = std::move(next);
      if (rows.empty()) break;
    }
    if (!any) rows.clear();
  }

  if (t && !rows.empty()) {
    const uint8_t cName = t->GetColumnIndex("Name");
    const uint8_t cState = t->GetColumnIndex("StateID"), cRegion = t->GetColumnIndex("RegionID");
    const uint8_t cCity = t->GetColumnIndex("CityID"), cStreet = t->GetColumnIndex("StreetID");
    const uint8_t cType = t->GetColumnIndex("TypeID");
    uint8_t cX1 = t->GetColumnIndex("X1"), cY1 = t->GetColumnIndex("Y1");
    uint8_t cX2 = kDbNoColumn, cY2 = kDbNoColumn;
    if (cX1 == kDbNoColumn && cY1 == kDbNoColumn) {
      cX1 = t->GetColumnIndex("X");
      cY1 = t->GetColumnIndex("Y");
    } else {
      cX2 = t->GetColumnIndex("X2");
      cY2 = t->GetColumnIndex("Y2");
    }
    std::vector<Row> listed;
    if (cName != kDbNoColumn) listed.reserve(rows.size());
    for (size_t r = 0; r < rows.size() && cName != kDbNoColumn; ++r) {
      const TDbRowRef row = rows[r];
      auto item = std::make_unique<TSearchItem>();
      item->StateID = ReadId(*t, row, cState);
      item->RegionID = ReadId(*t, row, cRegion);
      item->CityID = ReadId(*t, row, cCity);
      item->StreetID = ReadId(*t, row, cStreet);
      item->TypeID = ReadId(*t, row, cType);
      double x1, y1;
      if (ReadNumber(*t, row, cX1, &x1) && ReadNumber(*t, row, cY1, &y1)) {
        double x2 = x1, y2 = y1;
        if (cX2 != kDbNoColumn && !ReadNumber(*t, row, cX2, &x2)) x2 = kMissingMark;
        if (cY2 != kDbNoColumn && !ReadNumber(*t, row, cY2, &y2)) y2 = kMissingMark;
        item->X1 = x1, item->Y1 = y1, item->X2 = x2, item->Y2 = y2;
        item->hasCoordinates = UsableCoordinate(x1) && UsableCoordinate(y1) &&
                               UsableCoordinate(x2) && UsableCoordinate(y2);
      }
      if (limit != 0) {
        double px, py;
        if (limit < 0 || !item->hasCoordinates || !g_MapView.GeoToPlane(item->X1, item->Y1, &px, &py) ||
            !(std::hypot(px - refX, py - refY) < double(limit)))
          continue;
      }
      const char* text = t->GetText(row, cName);
      wchar_t wide[256] = L"";
      if (text) AnsiToWide(wide, text, int(std::min<size_t>(std::strlen(text), 255)), 256);
      listed.push_back({wide, std::move(item)});
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Row& a, const Row& b) {
      return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0;
    });
    for (Row& row : listed) {
      const LRESULT at = SendMessageW(combo, CB_INSERTSTRING, WPARAM(-1), LPARAM(row.name.c_str()));
      if (at < 0) continue;  // the record goes with the row
      SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(row.item.release()));
    }
  }
  SetWaitCursor(0);
}

void ShowItemOnMap(const TSearchItem* item) {
  if (!item || !item->hasCoordinates) return;
  double x1, y1, x2, y2;
  if (!g_MapView.GeoToPlane(item->X1, item->Y1, &x1, &y1) ||
      !g_MapView.GeoToPlane(item->X2, item->Y2, &x2, &y2))
    return;
  if (x1 == x2 && y1 == y2) {
    g_MapView.CenterOn(x1, y1, 0);
    g_MapView.SetScale(kPointScale);
  } else {
    // The view fits a rectangle by its east-west extent: one without is centred on instead.
    if (y1 == y2) g_MapView.CenterOn((x1 + x2) / 2, y1, 0);
    else g_MapView.ShowRect(x1, y1, x2, y2);
    int32_t s = g_MapView.GetScale();
    for (int step = 0; step < 2; ++step) {
      const int32_t up = NextScale(s);
      if (up > 0) s = up;
    }
    if (s > 0) g_MapView.SetScale(s);
  }
  ProgramHost().InvalidateMainView(1);
}

int32_t DistanceLimitMetres(const wchar_t* text, bool* refused) {
  if (refused) *refused = false;
  if (!text) return 0;
  double km = 0;
  if (!ReadTypedNumber(std::wstring_view(text), &km)) {
    if (refused) *refused = std::wstring_view(text).find_first_not_of(L" \t") != std::wstring_view::npos;
    return 0;
  }
  const double metres = km * 1000.0;
  if (metres >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (metres <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  if (metres > 0 && metres < 1.0) return 1;
  if (metres < 0 && metres > -1.0) return -1;
  return int32_t(metres);
}
