#include "edit/attr_rows.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "maps/attr_list.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"

bool AttrTypesAgree(uint8_t definition, uint8_t stored) {
  if (definition == stored) return true;
  return (definition == 7 && stored == 5) || (definition == 4 && stored == 3) ||
         (definition == 3 && stored == 4) || (definition == 1 && stored == 2) ||
         (definition == 2 && stored == 1);
}

std::vector<TAttrRow> BuildAttrRows(TMdmMap& map, uint16_t object) {
  std::vector<TAttrRow> rows;
  const uint16_t code = map.GetObjectCode(object);
  const TObjectLibrary* library = map.GetLibrary();
  const TFieldList* fields =
      library ? library->GetFields(code) : nullptr;
  if (fields) {
    for (const TFieldItem& f : fields->items) {
      TAttrRow row;
      row.type = f.type;
      row.number = f.tag;
      row.tableRef = f.valueTable;
      row.caption = f.name;
      rows.push_back(std::move(row));
    }
  }
  const size_t defined = rows.size();
  uint32_t pos = 0;
  for (;;) {
    TAttrItem item;
    const uint32_t next = map.NextAttr(object, pos, &item);
    if (item.type == 255 || !item.value) break;
    TAttrRow* match = nullptr;
    for (size_t i = 0; i < defined; ++i) {
      // The first stored attribute takes its row; a later one of that number is shown apart.
      if (rows[i].number == item.tag && !rows[i].hasValue &&
          AttrTypesAgree(rows[i].type, item.type)) {
        match = &rows[i];
        break;
      }
    }
    if (!match) {
      rows.emplace_back();
      match = &rows.back();
      match->type = item.type;
      match->number = item.tag;
    } else if (match->type != 7) {
      match->type = item.type;
    }
    match->hasValue = true;
    match->storedType = item.type;
    match->value.assign(item.value, item.value + item.size);
    if (next == kAttrNone || next == 0xFFFF) break;
    pos = next;
  }
  return rows;
}

std::string FormatAttrRow(TMdmMap& map, const TAttrRow& row) {
  if (!row.hasValue) return {};
  char text[256] = {};
  // Text values are NUL-terminated for the formatter.
  std::vector<uint8_t> value(row.value);
  value.push_back(0);
  if (!map.FormatAttr(row.storedType, value.data(), text, sizeof(text), uint16_t(row.value.size()),
                      row.tableRef == 0xFFFF ? 0 : row.tableRef))
    return {};
  return text;
}

int StoreAttrRows(TMdmMap& map, uint16_t object, const std::vector<TAttrRow>& rows,
                  const std::vector<TAttrCell>& cells) {
  struct Item {
    uint16_t tag;
    uint8_t type;
    std::vector<uint8_t> bytes;
  };
  std::vector<Item> items;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TAttrRow& row = rows[i];
    const TAttrCell cell = i < cells.size() ? cells[i] : TAttrCell{};
    if (!cell.edited) {
      if (row.hasValue) items.push_back({row.number, row.storedType, row.value});
      continue;
    }
    if (cell.text.empty()) continue;  // a cleared cell drops its attribute
    uint8_t buffer[256] = {};
    uint16_t size = 255;  // in: room in the buffer; out: the value's length
    const int table = row.tableRef == 0xFFFF ? 0 : row.tableRef;
    if (ValidateAttrText(row.type, cell.text.c_str()) &&
        map.ParseAttr(cell.text.c_str(), row.type, buffer, &size, table) && size <= 255) {
      items.push_back({row.number, row.type, std::vector<uint8_t>(buffer, buffer + size)});
    } else if (row.hasValue) {
      items.push_back({row.number, row.storedType, row.value});
    }
  }
  if (!map.ClearAttrs(object)) return 0;
  int ok = 1;
  for (const Item& it : items) {
    if (!map.AddAttr(object, it.tag, it.type, it.bytes.data(), uint16_t(it.bytes.size()))) ok = 0;
  }
  return ok;
}

namespace {

// A length (scale 1000, metres) or an area (scale 1000000, square metres) as a person writes it:
// "%.3f" without its trailing zeros, nor the point they leave ("4 км", not "4. км"); in the larger
// unit from `scale` on, and also just below it where the thousandths would round up to it
// ("1 км", not "1000 м").
std::wstring NumberText(double value, double scale, const wchar_t* suffix) {
  char number[64], limit[64];
  snprintf(number, sizeof(number), "%.3f", value);
  snprintf(limit, sizeof(limit), "%.3f", scale);
  const bool large = value >= scale || std::strcmp(number, limit) == 0;
  if (large) snprintf(number, sizeof(number), "%.3f", value / scale);
  TrimTrailingZeros(number);
  const size_t n = std::strlen(number);
  if (n > 1 && number[n - 1] == '.') number[n - 1] = 0;
  wchar_t out[128];
  swprintf(out, 128, L"%s %ls%ls", number, g_Lang.GetText(large ? lang_id::kMsgKm : lang_id::kMsgM),
           suffix);
  return out;
}

}  // namespace

void LengthAndArea(TMdmMap& map, uint16_t object, std::wstring* length, std::wstring* area) {
  if (length) length->clear();
  if (area) area->clear();
  const int kind = map.GetObjectCode(object) & 7;
  const double unit = map.UnitMetres();
  if ((kind != 2 && kind != 3) || unit == 0) return;
  TPointBuf points;
  if (!map.GetObjectVertices(object, &points) || points.count < 1) return;
  std::vector<TMapPoint> v(points.points, points.points + points.count);
  // An area ring not closed in its file gets its closing edge.
  if (kind == 3 && v.size() > 1 && (v.front().x != v.back().x || v.front().y != v.back().y))
    v.push_back(v.front());
  double sum = 0, twice = 0;
  for (size_t i = 1; i < v.size(); ++i) {
    const double dx = double(v[i].x) - v[i - 1].x, dy = double(v[i].y) - v[i - 1].y;
    sum += std::hypot(dx, dy);
    // Relative to the first vertex, so coordinates near 2^31 keep their precision.
    const double x0 = double(v[i - 1].x) - v[0].x, x1 = double(v[i].x) - v[0].x;
    const double y0 = double(v[i - 1].y) - v[0].y, y1 = double(v[i].y) - v[0].y;
    twice += (x1 - x0) * (y1 + y0);
  }
  double metres = sum * unit;
  if (length) *length = NumberText(metres, 1000.0, L"");
  if (kind == 3 && area) *area = NumberText(std::fabs(twice / 2) * unit * unit, 1000000.0, L"2");
}
