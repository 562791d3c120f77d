// The set of open address tables, keyed by table name. The search bars, the search window and the
// map view's point layer each hold one and query it by table and column name.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "search/db_table.h"

class TDbSet {
 public:
  TDbSet() = default;
  ~TDbSet() { CloseAll(); }
  TDbSet(const TDbSet&) = delete;
  TDbSet& operator=(const TDbSet&) = delete;

  // 0 without loading when a table of that name is in the set, loaded from this same path
  // (device paths compare without regard to ASCII letter case). Otherwise `path` is loaded: into
  // the table of that name when there is one (it came from elsewhere, as after another project
  // was opened, or its last load failed, so a file put back is read and a new failure told
  // again), else into a new table that joins the set under `table`, whether or not the load
  // succeeded. The result is the load's; row references into a reloaded table are void.
  int OpenTable(const char* table, const char* path);
  // Drops the table of that name (its path now names no file); nothing when there is none.
  void CloseTable(const char* table);
  // Index of the first table whose name equals `table` without regard to ASCII letter case,
  // -1 when none.
  int FindTable(const char* table) const;
  // The table of that name, null when none.
  TDbTable* GetTable(const char* table) const;
  // Empty with `count` untouched when no table of that name is in the set, else
  // TDbTable::Select on it.
  TDbSelection Select(const char* table, const char* column, int mode, const TDbValue& value,
                      uint32_t* count, const TDbSelection* previous = nullptr) const;
  // kDbNoColumn when no table of that name is in the set.
  uint8_t GetColumnIndex(const char* table, const char* column) const;
  // Frees every table; the set can be filled again afterwards.
  void CloseAll();
  uint32_t Count() const { return uint32_t(tables.size()); }

  std::vector<std::unique_ptr<TDbTable>> tables;
};
