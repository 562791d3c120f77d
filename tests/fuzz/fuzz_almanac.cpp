// A receiver file read for its almanac: every slot the reader reports present is readable.
#include "fuzz_device.h"
#include "gps/almanac_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  if (!fuzzdev::Put("\\F.jps", data, size)) return 0;
  TAlmanacReader reader;
  if (!reader.Open("\\F.jps")) return 0;
  reader.ReadAll();
  for (int prn = -1; prn <= TAlmanacReader::kSlots; ++prn) {
    const uint8_t* slot = reader.GetAlmanacSlot(prn);
    if (reader.IsPresent(prn)) {
      FUZZ_CHECK(slot != nullptr);
      volatile uint8_t sum = 0;
      for (int i = 0; i < TAlmanacReader::kSlotBytes; ++i) sum = uint8_t(sum + slot[i]);
    }
    reader.GetEphemeris(prn);
  }
  FUZZ_CHECK(reader.GetSatelliteCount() >= 0);
  return 0;
}
