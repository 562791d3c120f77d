#include "tools/sampledata/jps_writer.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace sample {

namespace {

constexpr double kPi = 3.141592653589793;

void PutU16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

void PutF32(Bytes& b, double v) {
  const float f = float(v);
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutU32(b, bits);
}

}  // namespace

uint8_t JpsChecksum(const uint8_t* bytes, size_t count) {
  unsigned c = 0;
  for (size_t i = 0; i < count; ++i) {
    c ^= bytes[i];
    c = ((c << 2) | (c >> 6)) & 0xFF;
  }
  return uint8_t(c);
}

Bytes JpsMessage(const std::string& id, const Bytes& body, const JpsFault& fault) {
  Bytes m(id.begin(), id.end());
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03X", unsigned(body.size() + 1) & 0xFFF);
  std::string length = fault.lengthText.empty() ? std::string(digits, 3) : fault.lengthText;
  if (fault.lowerCaseHex) {
    for (char& ch : length) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  }
  m.insert(m.end(), length.begin(), length.end());
  m.insert(m.end(), body.begin(), body.end());
  // The checksum covers what was written, damaged length digits included.
  uint8_t sum = JpsChecksum(m.data(), m.size());
  if (fault.badChecksum) sum = uint8_t(~sum);
  m.push_back(sum);
  if (fault.keepBytes >= 0) {
    if (size_t(fault.keepBytes) < m.size()) m.resize(size_t(fault.keepBytes));
    return m;
  }
  if (!fault.noLineFeed) m.push_back('\n');
  return m;
}

void Append(Bytes& file, const Bytes& more) { file.insert(file.end(), more.begin(), more.end()); }

Bytes JpsDate(uint16_t year, uint8_t month, uint8_t day, uint8_t timeBase, const JpsFault& fault) {
  Bytes body;
  PutU16(body, year);
  body.push_back(month);
  body.push_back(day);
  body.push_back(timeBase);
  return JpsMessage("RD", body, fault);
}

Bytes JpsTime(uint32_t milliseconds) {
  Bytes body;
  PutU32(body, milliseconds);
  return JpsMessage("~~", body);
}

Bytes JpsSatelliteIndex(const Bytes& satellites) { return JpsMessage("SI", satellites); }

Bytes JpsEphemeris(uint8_t prn, uint8_t fill) {
  Bytes body(122, fill);
  body[0] = prn;
  return JpsMessage("GE", body);
}

Bytes GaBody(const YumaAlmanac& a) {
  Bytes b;
  b.push_back(uint8_t(a.prn));
  PutU16(b, uint16_t(int16_t(a.week)));
  PutU32(b, uint32_t(a.toa));
  b.push_back(uint8_t(a.health));  // health from the almanac
  b.push_back(uint8_t(a.health));  // health from page 25
  b.push_back(1);                  // configuration: anti-spoofing on, block II/IIA/IIR
  PutF32(b, a.af1);
  PutF32(b, a.af0);
  PutF32(b, a.sqrtA);
  PutF32(b, a.eccentricity);
  PutF32(b, a.meanAnomaly / kPi);
  PutF32(b, a.rightAscension / kPi);
  PutF32(b, a.argumentOfPerigee / kPi);
  PutF32(b, a.inclination / kPi - 0.3);
  PutF32(b, a.rateOfRightAscension / kPi);
  return b;
}

Bytes JpsAlmanac(const YumaAlmanac& almanac, const JpsFault& fault) {
  return JpsMessage("GA", GaBody(almanac), fault);
}

YumaAlmanac PublishedPrn1Week748() {
  YumaAlmanac a;
  a.prn = 1;
  a.health = 0;
  a.eccentricity = 0.2617359161E-002;
  a.toa = 405504;
  a.inclination = 0.9603342912;
  a.rateOfRightAscension = -0.7908900866E-008;
  a.sqrtA = 5153.628418;
  a.rightAscension = 0.1059226467E+001;
  a.argumentOfPerigee = 0.424856502;
  a.meanAnomaly = -0.2023449864E+001;
  // Clock terms are not used by the orbit and are left at zero.
  a.week = 748;
  return a;
}

std::vector<YumaAlmanac> DemoConstellation() {
  const YumaAlmanac base = PublishedPrn1Week748();
  std::vector<YumaAlmanac> out;
  // Six planes 60 degrees apart; five or six satellites spread along each.
  const int perPlane[6] = {5, 5, 5, 5, 6, 6};
  int prn = 1;
  for (int plane = 0; plane < 6; ++plane) {
    for (int slot = 0; slot < perPlane[plane]; ++slot, ++prn) {
      if (prn == 1) {
        out.push_back(base);
        continue;
      }
      YumaAlmanac a = base;
      a.prn = prn;
      a.rightAscension = std::remainder(base.rightAscension + plane * kPi / 3, 2 * kPi);
      a.meanAnomaly =
          std::remainder(base.meanAnomaly + slot * 2 * kPi / perPlane[plane] + plane * 0.4, 2 * kPi);
      a.eccentricity = 0.002 + 0.0007 * ((prn * 7) % 13);
      a.inclination = base.inclination + 0.004 * ((prn % 5) - 2);
      a.argumentOfPerigee = std::remainder(base.argumentOfPerigee + prn * 0.9, 2 * kPi);
      a.sqrtA = base.sqrtA + 0.01 * (prn % 9);
      out.push_back(a);
    }
  }
  return out;
}

Bytes DemoJps() {
  Bytes f;
  Append(f, JpsDate(2013, 12, 26));
  Append(f, JpsTime(14 * 3600000u + 38 * 60000u + 24000u));
  Append(f, JpsSatelliteIndex({1, 3, 6, 11, 14, 17, 20, 22, 28, 32}));
  for (uint8_t prn : {1, 3, 6}) Append(f, JpsEphemeris(prn));
  for (const YumaAlmanac& a : DemoConstellation()) Append(f, JpsAlmanac(a));
  return f;
}

Bytes LargeJps(size_t bytes) {
  Bytes f;
  f.reserve(bytes + 8192);
  Append(f, JpsDate(2013, 12, 26));
  // One epoch of traffic as a receiver logs it once a second: time, satellite list, a
  // pseudo-range block and a position block that the reader stores but never decodes.
  Bytes ranges(10 * 8, 0);
  Bytes position(30, 0);
  uint32_t ms = 0;
  uint8_t prn = 1;
  while (f.size() < bytes) {
    Append(f, JpsTime(ms));
    ms = (ms + 1000) % 86400000u;
    Append(f, JpsSatelliteIndex({1, 3, 6, 11, 14, 17, 20, 22, 28, 32}));
    for (size_t i = 0; i < ranges.size(); ++i) ranges[i] = uint8_t(ms + i);
    Append(f, JpsMessage("RC", ranges));
    for (size_t i = 0; i < position.size(); ++i) position[i] = uint8_t(ms >> (i % 3));
    Append(f, JpsMessage("PO", position));
    if (ms % 30000 == 0) {
      Append(f, JpsEphemeris(prn));
      prn = uint8_t(prn % 32 + 1);
    }
  }
  for (const YumaAlmanac& a : DemoConstellation()) Append(f, JpsAlmanac(a));
  return f;
}

bool WriteJps(const std::string& hostPath, const Bytes& bytes) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace sample
