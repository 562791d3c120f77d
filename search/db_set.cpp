#include "search/db_set.h"

namespace {

// Table names compare without regard to ASCII letter case; other bytes as they are.
bool SameName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

}  // namespace

int TDbSet::OpenTable(const char* table, const char* path) {
  if (!table) table = "";
  if (!path) path = "";
  const int found = FindTable(table);
  if (found >= 0) {
    TDbTable& held = *tables[size_t(found)];
    if (held.ok && SameName(held.source, path)) return 0;
  }
  std::unique_ptr<TDbTable> fresh = found >= 0 ? nullptr : std::make_unique<TDbTable>();
  TDbTable& entry = found >= 0 ? *tables[size_t(found)] : *fresh;
  const std::string name = found >= 0 ? entry.name : std::string(table);  // as first registered
  const int result = entry.Load(path);
  entry.name = name;  // after the load, which empties the table and its name first
  entry.source = path;
  if (fresh) tables.push_back(std::move(fresh));
  return result;
}

void TDbSet::CloseTable(const char* table) {
  const int found = FindTable(table);
  if (found >= 0) tables.erase(tables.begin() + found);
}

int TDbSet::FindTable(const char* table) const {
  if (!table) return -1;
  for (size_t i = 0; i < tables.size(); ++i) {
    if (SameName(tables[i]->name, table)) return int(i);
  }
  return -1;
}

TDbTable* TDbSet::GetTable(const char* table) const {
  const int i = FindTable(table);
  return i < 0 ? nullptr : tables[size_t(i)].get();
}

TDbSelection TDbSet::Select(const char* table, const char* column, int mode,
                            const TDbValue& value, uint32_t* count,
                            const TDbSelection* previous) const {
  const TDbTable* t = GetTable(table);
  return t ? t->Select(column, mode, value, count, previous) : TDbSelection();
}

uint8_t TDbSet::GetColumnIndex(const char* table, const char* column) const {
  const TDbTable* t = GetTable(table);
  return t ? t->GetColumnIndex(column) : kDbNoColumn;
}

void TDbSet::CloseAll() { tables.clear(); }
