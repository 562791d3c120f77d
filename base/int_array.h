// A growable array of 32-bit integers, used as a stack of object indexes when map objects are
// regrouped.
#pragma once

#include <cstdint>

class TIntArray {
 public:
  TIntArray() = default;
  ~TIntArray();
  TIntArray(const TIntArray&) = delete;
  TIntArray& operator=(const TIntArray&) = delete;

  // Appends a value, growing the capacity by 10 when full. False when memory runs out (the
  // value is then not stored).
  bool Push(int32_t value);
  // Removes and returns the last value; 0 when the array is empty.
  int32_t Pop();

  int32_t count = 0;
  int32_t capacity = 0;
  int32_t* values = nullptr;
};
