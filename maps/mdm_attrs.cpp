// Attribute operations of a map: typed values of the objects' lists and of the header list,
// their text forms, and the display levels derived from object sizes.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text_utils.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/value_table.h"

namespace {

bool IsSizedType(uint8_t type) { return type == mdm::kAttrText || type == mdm::kAttrIndexList; }

const TValueList* FindTable(TObjectLibrary* library, int tableId) {
  return library ? library->valueTables.FindByCode(uint16_t(tableId)) : nullptr;
}

// Splits at ',' into at most 256 parts, as the editor's value lists never hold more.
template <typename Fn>
void ForEachPart(const char* text, size_t len, Fn fn) {
  size_t start = 0;
  int parts = 0;
  for (size_t i = 0; i <= len && parts < 256; i++) {
    if (i == len || text[i] == ',') {
      fn(std::string(text + start, i - start));
      parts++;
      start = i + 1;
    }
  }
}

}  // namespace

int TMdmMap::GetAttr(uint16_t index, uint16_t tag, uint8_t type, void* buffer, uint16_t* size,
                     size_t bufferSize) {
  if (index >= count || !buffer) return 0;
  const TMapObject& o = objects[index];
  const uint8_t* value;
  uint16_t n;
  if (!AttrListFind(o.attrs, o.attrLength, tag, type, &value, &n)) return 0;
  size_t need = size_t(n) + (IsSizedType(type) ? 1 : 0);
  if (n >= 256 || need > bufferSize) return 0;
  std::memcpy(buffer, value, n);
  if (IsSizedType(type)) static_cast<uint8_t*>(buffer)[n] = 0;
  if (size) *size = n;
  return 1;
}

int TMdmMap::GetStrAttr(uint16_t index, uint16_t tag, char* buffer, size_t bufferSize) {
  uint16_t n;
  return GetAttr(index, tag, mdm::kAttrText, buffer, &n, bufferSize);
}

int TMdmMap::GetIntAttr(uint16_t index, uint16_t tag, float* value) {
  uint8_t raw[4];
  uint16_t n;
  if (!GetAttr(index, tag, mdm::kAttrFloat, raw, &n, sizeof(raw))) return 0;
  *value = mdm::GetF32(raw);
  return 1;
}

int TMdmMap::SetAttr(uint16_t index, uint16_t tag, uint8_t type, const void* value) {
  if (index >= count || !value) return 0;
  uint16_t size = 0;
  if (IsSizedType(type)) {
    size_t n = std::strlen(static_cast<const char*>(value));
    size = uint16_t(n > 255 ? 255 : n);  // one length byte: longer texts are cut, never wrapped
  }
  bool ok;
  if (index == 0) {
    uint16_t len = HeaderListLength();
    AttrListRemoveTyped(headerList, len, tag, type);
    ok = AttrListAppend(headerList, len, tag, type, value, size);
    SetHeaderListLength(len);
  } else {
    TMapObject& o = objects[index];
    AttrListRemoveTyped(o.attrs, o.attrLength, tag, type);
    ok = AttrListAppend(o.attrs, o.attrLength, tag, type, value, size);
    if (ok && type == mdm::kAttrText && tag == mdm::kTagText)
      o.SetName(static_cast<const char*>(value), size);
  }
  return ok ? 1 : 0;
}

int TMdmMap::SetStrAttr(uint16_t index, uint16_t tag, const char* text) {
  return SetAttr(index, tag, mdm::kAttrText, text);
}

int TMdmMap::SetIntAttr(uint16_t index, uint16_t tag, float value) {
  uint8_t raw[4];
  mdm::PutF32(raw, value);
  return SetAttr(index, tag, mdm::kAttrFloat, raw);
}

int TMdmMap::AddAttr(uint16_t index, uint16_t tag, uint8_t type, const void* value,
                     uint16_t size) {
  if (index >= count) return 0;
  TMapObject& o = objects[index];
  if (IsSizedType(type) && size > 255) size = 255;
  if (!AttrListAppend(o.attrs, o.attrLength, tag, type, value, size)) return 0;
  if (index != 0 && type == mdm::kAttrText && tag == mdm::kTagText)
    o.SetName(value ? static_cast<const char*>(value) : "", value ? size : 0);
  return 1;
}

uint32_t TMdmMap::NextAttr(uint16_t index, uint32_t pos, TAttrItem* item) {
  *item = TAttrItem();
  if (index >= count) return kAttrNone;
  const TMapObject& o = objects[index];
  if (!o.attrs || !AttrListReadItem(o.attrs, o.attrLength, pos, item)) return kAttrNone;
  return item->next < o.attrLength ? item->next : kAttrNone;
}

int TMdmMap::ClearAttrs(uint16_t index) {
  if (index >= count) return 0;
  TMapObject& o = objects[index];
  std::free(o.attrs);
  o.attrs = nullptr;
  o.attrLength = 0;
  // The name shown on the map and in the lists is the text attribute's: without it, none. A
  // list stored again without a name would otherwise leave the old one on the map.
  if (index != 0) o.ClearName();
  return 1;
}

int TMdmMap::CopyAttrs(uint16_t dst, uint16_t src) {
  if (dst >= count || src >= count || !objects[src].attrs) return 0;
  if (dst == src) return 1;
  uint16_t n = objects[src].attrLength;
  auto* copy = static_cast<uint8_t*>(std::malloc(n ? n : 1));
  if (!copy) return 0;
  std::memcpy(copy, objects[src].attrs, n);
  std::free(objects[dst].attrs);
  objects[dst].attrs = copy;
  objects[dst].attrLength = n;
  RenewName(dst);  // the name follows the copied list, as when the object is read
  return 1;
}

void TMdmMap::RenewName(uint16_t index) {
  if (index == 0 || index >= count) return;
  TMapObject& o = objects[index];
  const uint8_t* text = nullptr;
  uint16_t length = 0;
  if (o.attrs && AttrListFind(o.attrs, o.attrLength, mdm::kTagText, mdm::kAttrText, &text, &length))
    o.SetName(reinterpret_cast<const char*>(text), length);
  else
    o.ClearName();
}

int TMdmMap::SetObjectName(uint16_t index, const char* text) {
  if (index >= count || !text) return 0;
  return objects[index].SetName(text, std::strlen(text)) ? 1 : 0;
}

char* TMdmMap::FormatAttr(uint8_t type, const void* value, char* text, size_t bufferSize,
                          uint16_t storedSize, int tableId) {
  if (!value || !text || bufferSize == 0) return nullptr;
  const auto* v = static_cast<const uint8_t*>(value);
  switch (type) {
    case mdm::kAttrU8: std::snprintf(text, bufferSize, "%i", int(v[0])); return text;
    case mdm::kAttrI16:
      std::snprintf(text, bufferSize, "%i", int(int16_t(mdm::GetU16(v))));
      return text;
    case mdm::kAttrI32: std::snprintf(text, bufferSize, "%i", int(mdm::GetI32(v))); return text;
    case mdm::kAttrFloat:
    case mdm::kAttrDouble: {
      double d = type == mdm::kAttrFloat ? double(mdm::GetF32(v)) : mdm::GetF64(v);
      std::snprintf(text, bufferSize, type == mdm::kAttrFloat ? "%.4f" : "%.6f", d);
      if (std::strlen(text) > 1) TrimTrailingZeros(text);
      return text;
    }
    case mdm::kAttrText: {
      size_t n = storedSize < bufferSize - 1 ? storedSize : bufferSize - 1;
      std::memcpy(text, v, n);
      text[n] = 0;
      return text;
    }
    case mdm::kAttrIndex: {
      const TValueList* table = FindTable(library, tableId);
      const char* t = table ? TValueTable::GetText(table, mdm::GetU16(v)) : nullptr;
      if (!t) return nullptr;
      std::snprintf(text, bufferSize, "%s", t);
      return text;
    }
    case mdm::kAttrIndexList: {
      text[0] = 0;
      const TValueList* table = FindTable(library, tableId);
      if (!table) return text;
      std::string joined;
      size_t n = storedSize < bufferSize - 1 ? storedSize : bufferSize - 1;
      ForEachPart(reinterpret_cast<const char*>(v), n, [&](const std::string& part) {
        const char* t = TValueTable::GetText(table, std::atoi(part.c_str()));
        if (!t) return;
        if (!joined.empty()) joined += ',';
        joined += t;
      });
      std::snprintf(text, bufferSize, "%s", joined.c_str());  // bounded by the buffer
      return text;
    }
    default: return nullptr;
  }
}

int TMdmMap::ParseAttr(const char* text, uint8_t type, void* value, uint16_t* size, int tableId) {
  if (!text || !value || !size) return 0;
  auto* out = static_cast<uint8_t*>(value);
  uint16_t cap = *size;
  auto need = [&](uint16_t n) { return cap >= n; };
  switch (type) {
    case mdm::kAttrU8:
    case mdm::kAttrI16:
    case mdm::kAttrI32:
    case mdm::kAttrFloat:
    case mdm::kAttrDouble: {
      // Exactly one number that the type holds, or nothing: a value cut to the type's low bits
      // or read up to the first stray character would be another number than the one typed.
      double d = 0;
      if (ScanAttrNumber(type, text, &d) != kAttrNumberWhole) return 0;
      const uint16_t n = AttrFixedSize(type);
      if (!need(n)) return 0;
      switch (type) {
        case mdm::kAttrU8: out[0] = uint8_t(d); break;
        case mdm::kAttrI16: mdm::PutU16(out, uint16_t(int16_t(d))); break;
        case mdm::kAttrI32: mdm::PutI32(out, int32_t(d)); break;
        case mdm::kAttrFloat: mdm::PutF32(out, float(d)); break;
        default: mdm::PutF64(out, d); break;
      }
      *size = n;
      return 1;
    }
    case mdm::kAttrText: {
      if (cap == 0) return 0;
      size_t n = std::strlen(text);
      if (n > size_t(cap) - 1) n = cap - 1;
      std::memcpy(out, text, n);
      out[n] = 0;
      *size = uint16_t(n);
      return 1;
    }
    case mdm::kAttrIndex: {
      const TValueList* table = FindTable(library, tableId);
      if (!table || !need(2)) return 0;
      uint16_t idx = TValueTable::GetValue(table, text);
      if (idx == 0xFFFF) return 0;  // a text the table lacks is no value
      mdm::PutU16(out, idx);
      *size = 2;
      return 1;
    }
    case mdm::kAttrIndexList: {
      if (cap == 0) return 0;
      const TValueList* table = FindTable(library, tableId);
      std::string joined;
      // Cut where whole value texts fit, since a value text may hold a comma itself; unknown
      // texts are left out, and so are items without text, which no text can name.
      for (size_t at : TValueTable::SplitJoined(table, text, 256)) {
        const TValueItem& item = table->items[at];
        if (item.text.empty()) continue;
        if (!joined.empty()) joined += ',';
        joined += std::to_string(item.value);
      }
      size_t n = joined.size() < size_t(cap) - 1 ? joined.size() : size_t(cap) - 1;
      std::memcpy(out, joined.data(), n);
      out[n] = 0;
      *size = uint16_t(n);
      return 1;
    }
    default: return 0;
  }
}

namespace {

// Ranks every object of `map` by its size into its display level; true when the range or any
// level differs from what the map held.
bool AssignObjectLevels(TMdmMap& map) {
  float largest = -1e10f, smallest = 1e10f;
  auto extentOf = [](const TMapObject& o) -> float {
    if (o.kind == mdm::kKindEmpty || o.kind == mdm::kKindPoint) return 0.0f;
    double e = (double(o.box[0]) - o.box[2]) + (double(o.box[1]) - o.box[3]);
    return float(std::fabs(e));
  };
  for (int32_t i = 0; i < map.count; i++) {
    const TMapObject& o = map.objects[i];
    if (o.kind == mdm::kKindEmpty || o.kind == mdm::kKindPoint) continue;
    float e = extentOf(o);
    if (e > largest) largest = e;
    if (e < smallest) smallest = e;
  }
  bool changed = map.largestExtent != largest || map.smallestExtent != smallest;
  map.largestExtent = largest;
  map.smallestExtent = smallest;
  float range = largest - smallest;
  for (int32_t i = 0; i < map.count; i++) {
    TMapObject& o = map.objects[i];
    float e = extentOf(o);
    uint8_t level;
    if (e == 0.0f || !(range > 0.0f)) {
      // Zero size, or every sized object alike: nothing to rank, so always shown.
      level = 255;
    } else {
      float l = e / range * 255.0f;
      // Larger than the range (the largest object itself) saturates rather than wrapping to a
      // tiny level that would hide the biggest objects first.
      level = (l >= 255.0f || std::isnan(l)) ? 255 : uint8_t(l < 0 ? 0 : l);
    }
    changed |= o.level != level;
    o.level = level;
  }
  return changed;
}

}  // namespace

void TMdmMap::ComputeObjectLevels() {
  if (count < 1) return;
  AssignObjectLevels(*this);
  levelPassDone = 0;
}

bool TMdmMap::RefreshObjectLevels() {
  if (count < 1 || !AssignObjectLevels(*this)) return false;
  levelPassDone = 0;
  return true;
}
