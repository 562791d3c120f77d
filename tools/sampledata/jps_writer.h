// Writer of receiver data files (".jps"): a stream of messages, each an id of two characters,
// three upper-case hexadecimal digits of body length, the body and a checksum byte, then a line
// feed. It is written from the wire layout and shares no code with the program's reader, so a
// test that reads what it wrote checks the reader against the layout. Every fault the reader
// must survive can be switched on per message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sample {

using Bytes = std::vector<uint8_t>;

// The running checksum over id, length digits and body: c = rotl2(c ^ b) within 8 bits.
uint8_t JpsChecksum(const uint8_t* bytes, size_t count);

// Damage to one message on the wire.
struct JpsFault {
  std::string lengthText;       // three characters written in place of the length digits
  bool lowerCaseHex = false;    // length digits in lower case ("02f")
  bool badChecksum = false;     // the checksum byte inverted
  bool noLineFeed = false;      // nothing after the checksum byte
  long keepBytes = -1;          // >= 0: only that many bytes of the message are written (no LF)
};

// One message: `body` excludes the checksum byte, which the writer appends (so the length field
// is body.size() + 1).
Bytes JpsMessage(const std::string& id, const Bytes& body, const JpsFault& fault = {});
void Append(Bytes& file, const Bytes& more);

// Receiver date: year, month, day, time base.
Bytes JpsDate(uint16_t year, uint8_t month, uint8_t day, uint8_t timeBase = 0,
              const JpsFault& fault = {});
// Receiver time of day in milliseconds ("~~").
Bytes JpsTime(uint32_t milliseconds);
// Satellite index list ("SI"): one byte per tracked satellite.
Bytes JpsSatelliteIndex(const Bytes& satellites);
// GPS ephemeris ("GE"): 122 bytes, the first the satellite number, the rest `fill`.
Bytes JpsEphemeris(uint8_t prn, uint8_t fill = 0x55);

// One satellite's almanac as published in the YUMA text form: angles in radians, rates in
// radians per second, the inclination as the full angle.
struct YumaAlmanac {
  int prn = 1;
  int health = 0;
  double eccentricity = 0;
  int32_t toa = 0;              // s of week
  double inclination = 0;       // rad
  double rateOfRightAscension = 0;  // rad/s
  double sqrtA = 0;             // m^0.5
  double rightAscension = 0;    // rad, at the start of the week
  double argumentOfPerigee = 0; // rad
  double meanAnomaly = 0;       // rad
  double af0 = 0, af1 = 0;      // s, s/s
  int week = 0;                 // as the receiver writes it (10-bit or full)
};

// The 46-byte "GA" body: angles in semicircles (radians / pi), the inclination as its
// correction from 0.3 semicircles, every orbital value stored as a 4-byte float.
Bytes GaBody(const YumaAlmanac& almanac);
Bytes JpsAlmanac(const YumaAlmanac& almanac, const JpsFault& fault = {});

// The published almanac of PRN 1, week 748 (full week 1772), toa 405504.
YumaAlmanac PublishedPrn1Week748();
// 32 satellites in six planes around the PRN 1 record (same week and toa), for demo files and
// timing; PRN 1 is the published record itself.
std::vector<YumaAlmanac> DemoConstellation();

// The demo device's receiver file: date 2013-12-26, a time of day, a satellite list, a few
// ephemerides and the almanac of DemoConstellation.
Bytes DemoJps();
// About `bytes` of receiver traffic (dates, times, satellite lists, ephemerides and other
// messages) with the almanac cycle of DemoConstellation at the very end.
Bytes LargeJps(size_t bytes);

// Writes to a host path; false on any error.
bool WriteJps(const std::string& hostPath, const Bytes& bytes);

}  // namespace sample
