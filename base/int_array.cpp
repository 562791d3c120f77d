#include "base/int_array.h"

#include <cstdlib>

TIntArray::~TIntArray() { std::free(values); }

bool TIntArray::Push(int32_t value) {
  if (count >= capacity) {
    // Room for capacity + 1 values, as the array has always been allocated.
    int32_t grown = capacity + 10;
    auto* more = static_cast<int32_t*>(std::realloc(values, sizeof(int32_t) * (static_cast<size_t>(grown) + 1)));
    if (!more) return false;
    values = more;
    capacity = grown;
  }
  values[count++] = value;
  return true;
}

int32_t TIntArray::Pop() {
  if (count <= 0) return 0;
  return values[--count];
}
