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
  if (FindTable(table) >= 0) return 0;
  auto entry = std::make_unique<TDbTable>();
  const int result = entry->Load(path);
  entry->name = table;  // after the load, which empties the table and its name first
  tables.push_back(std::move(entry));
  return result;
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
