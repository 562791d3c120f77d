// The attribute field lists of an object library: for each list number, the fields an object of
// a type using that list carries (tag, attribute type, value table of list-valued types, caption).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TFieldItem {
  uint16_t tag = 0;
  uint8_t type = 0;             // attribute type as in the map's attribute lists
  uint16_t valueTable = 0;      // value-table code for types 6 and 7; 0 for the others
  std::string name;             // empty: no caption
};

struct TFieldList {
  uint16_t number = 0;
  std::vector<TFieldItem> items;
};

class TFieldListTable {
 public:
  // 2 when the section is 3 bytes or shorter; 0 after reading the lists; 1 when a list or an
  // item is cut by the section end (the lists and items before the cut stay); 3 out of memory.
  int Load(const uint8_t* data, size_t length);
  void Clear() { lists_.clear(); }

  const TFieldList* FindByNumber(uint16_t number) const;
  int Count() const { return int(lists_.size()); }

 private:
  int ReadLists(const uint8_t* data, size_t length);

  std::vector<TFieldList> lists_;
};
