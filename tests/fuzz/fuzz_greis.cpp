// Receiver messages from a stream handed in pieces, as the port delivers them: the pieces'
// sizes come from the input's first byte, so the framing across piece edges is exercised.
#include "fuzz_device.h"
#include "gps/greis_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = size_t(data[0]) * 7 + 1;
  ++data;
  --size;
  TMessageParser parser;
  for (size_t at = 0; at < size; at += piece) {
    const size_t n = size - at < piece ? size - at : piece;
    parser.SetInput(data + at, n);
    for (int id; (id = parser.NextMessage()) > 0;) {
      TMessageRecord* r = parser.Find(uint32_t(id));
      FUZZ_CHECK(r != nullptr);
      FUZZ_CHECK(r->length < TMessageParser::kMaxLength);
      volatile uint8_t sum = 0;
      for (uint32_t i = 0; i < r->length; ++i) sum = uint8_t(sum + r->body[i]);
      r->fresh = 0;
    }
    FUZZ_CHECK(parser.InputConsumed());
    FUZZ_CHECK(parser.GetIdCount() <= TMessageParser::kMaxIds);
  }
  return 0;
}
