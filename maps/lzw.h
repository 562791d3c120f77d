// The unpacker of packed object libraries and packed database tables.
//
// The stream is LZW with codes read most-significant bit first, 9 bits wide at the start and one
// bit wider each time the dictionary count reaches a power of two. Values above the highest valid
// code switch the stream into a run of raw 8-bit literals. A full dictionary (8192 entries) is not
// cleared: its leaves are pruned, the survivors compacted, and the width shrinks to fit. There is
// no clear code and no end code; code 256 is reserved and fails the stream, and running out of
// bits is the only successful end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct LzwFree {
  void operator()(uint8_t* p) const { std::free(p); }
};
// One contiguous output buffer, released with std::free (`release()` hands it on as is).
using LzwBuffer = std::unique_ptr<uint8_t[], LzwFree>;

// Unpacks `length` bytes of code stream. On success returns the output and writes its length to
// *outLength; a stream that ends before its first whole code emits nothing and also returns null.
// On failure (null or empty input, code 256, a code above the next free code, no memory) returns
// null and leaves *outLength untouched. All state lives in the call: it is reentrant.
LzwBuffer LzwDecode(const uint8_t* input, size_t length, size_t* outLength);
