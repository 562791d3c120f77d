// NMEA sentences, one per line, parsed into one fix as the GPS reader does: every position the
// fix holds is a position on the earth, and every number in it is finite.
#include <cmath>
#include <cstring>
#include <numbers>

#include "fuzz_device.h"
#include "gps/nmea.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GpsFix fix;
  std::memset(&fix, 0, sizeof(fix));
  fix.status = 'V';
  char line[512];
  size_t at = 0;
  while (at < size) {
    size_t n = 0;
    while (at < size && data[at] != '\n' && n + 1 < sizeof(line)) line[n++] = char(data[at++]);
    if (at < size && data[at] == '\n') ++at;
    line[n] = 0;
    ParseNmeaSentence(fix, line);
    FUZZ_CHECK(std::isfinite(fix.latitude) && std::fabs(fix.latitude) <= std::numbers::pi / 2);
    FUZZ_CHECK(std::isfinite(fix.longitude) && std::fabs(fix.longitude) <= std::numbers::pi);
    FUZZ_CHECK(std::isfinite(fix.speed) && std::isfinite(fix.course) &&
               std::isfinite(fix.altitude));
    FUZZ_CHECK(std::isfinite(fix.pdop) && std::isfinite(fix.hdop) && std::isfinite(fix.vdop));
    FUZZ_CHECK(fix.satellitesUsed >= 0 && fix.satellitesUsed <= kSatelliteSlots);
  }
  return 0;
}
