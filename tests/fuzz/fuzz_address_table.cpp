// An address table (".ndb", plain or packed): after a load every cell of every row answers, and
// selections over every column keep to the table's rows.
#include <cstring>

#include "fuzz_device.h"
#include "search/db_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TDbTable table;
  if (table.LoadFromMemory(data, size) != kDbOk) {
    FUZZ_CHECK(table.ok == 0 && table.rows == 0 && table.columns == 0);
    return 0;
  }
  FUZZ_CHECK(table.descriptors.size() == table.columns);
  const uint32_t rows = table.rows < 4096 ? table.rows : 4096;
  for (uint32_t c = 0; c < table.columns && c < 255; ++c) {
    for (TDbRowRef r = 0; r <= rows; ++r) {  // one past the end must answer "none" too
      double v;
      table.GetNumber(r, uint8_t(c), &v);
      if (const char* t = table.GetText(r, uint8_t(c))) {
        volatile size_t n = std::strlen(t);
        (void)n;
      }
    }
    char name[9] = {};
    std::memcpy(name, table.descriptors[c].name, 8);
    uint32_t count = 0;
    TDbSelection all = table.Select(name, kDbAll, TDbValue(0), &count);
    for (TDbRowRef r : all) FUZZ_CHECK(r < table.rows);
    TDbSelection some = table.Select(name, kDbEqual, TDbValue("A"), &count, &all);
    for (TDbRowRef r : some) FUZZ_CHECK(r < table.rows);
    table.Select(name, kDbEqual, TDbValue(1), &count, &all);
  }
  return 0;
}
