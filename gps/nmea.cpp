#include "gps/nmea.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two decimal digits at p, or -1.
int TwoDigits(const char* p) {
  if (!IsDigit(p[0]) || !IsDigit(p[1])) return -1;
  return (p[0] - '0') * 10 + (p[1] - '0');
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char* SkipBlanks(const char* first, const char* last) {
  while (first < last && (*first == ' ' || *first == '\t')) ++first;
  if (first < last && *first == '+') ++first;
  return first;
}

// hhmmss[.sss]: the fraction is ignored; a short or out-of-range field keeps the old time.
void ReadTime(const NmeaFields& f, int k, SYSTEMTIME& t) {
  if (f.Width(k) < 6) return;
  const char* p = f.Begin(k);
  int h = TwoDigits(p), m = TwoDigits(p + 2), s = TwoDigits(p + 4);
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 60) return;  // 60: a leap second
  t.wHour = WORD(h);
  t.wMinute = WORD(m);
  t.wSecond = WORD(s);
}

// ddmmyy; the year stays the two digits as sent.
void ReadDate(const NmeaFields& f, int k, SYSTEMTIME& t) {
  if (f.Width(k) < 6) return;
  const char* p = f.Begin(k);
  int d = TwoDigits(p), mo = TwoDigits(p + 2), y = TwoDigits(p + 4);
  if (d < 1 || d > 31 || mo < 1 || mo > 12 || y < 0) return;
  t.wDay = WORD(d);
  t.wMonth = WORD(mo);
  t.wYear = WORD(y);
}

// A coordinate field "dd[d]mm.mmmm" and its hemisphere field; too short a field keeps the old
// coordinate whole.
void ReadCoordinate(const NmeaFields& f, int k, int degreeDigits, char positive, int32_t& degrees,
                    double& minutes, char& hemisphere, double& radians) {
  if (f.Width(k) < degreeDigits) return;
  const char* p = f.Begin(k);
  degrees = int32_t(NmeaInteger(p, p + degreeDigits));
  minutes = NmeaNumber(p + degreeDigits, f.End(k));
  hemisphere = f.First(k + 1);
  radians = NmeaRadians(degrees, minutes, hemisphere, positive);
}

void ParseRmc(GpsFix& fix, const NmeaFields& f) {
  if (f.commas() < 10) return;
  fix.status = f.First(2);
  if (fix.status != 'A') {
    fix.speed = 0;
    fix.course = 0;
    fix.pdop = -1.0f;
    return;
  }
  ReadTime(f, 1, fix.utc);
  ReadCoordinate(f, 3, 2, 'N', fix.latDegrees, fix.latMinutes, fix.latHemisphere, fix.latitude);
  ReadCoordinate(f, 5, 3, 'E', fix.lonDegrees, fix.lonMinutes, fix.lonHemisphere, fix.longitude);
  if (!f.Empty(7)) fix.speed = f.Number(7) * 1.852;  // knots to km/h
  if (!f.Empty(8)) fix.course = f.Number(8);
  ReadDate(f, 9, fix.utc);
}

void ParseGsa(GpsFix& fix, const NmeaFields& f) {
  if (f.commas() < 17) return;
  // Only a mode digit the receivers send; anything else would leave a meaningless 208.
  const char mode = f.First(2);
  if (mode >= '1' && mode <= '3') fix.fixMode = uint8_t(mode - '0');
  // Without an 18th comma field 17 runs to the end of the line; the number stops at the '*'.
  fix.pdop = float(f.Number(15));
  fix.hdop = float(f.Number(16));
  fix.vdop = float(f.Number(17));
}

uint8_t ClampByte(int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

void ParseGsv(GpsFix& fix, const NmeaFields& f) {
  if (f.commas() < 5) return;
  // Compared as numbers: a cycle of 10 or more messages has two-digit counts.
  const int64_t total = f.Integer(1);
  const int64_t number = f.Integer(2);
  if (number == 1) {
    for (SatelliteSlot& s : fix.satellites) s.inView = 0;
    fix.satellitesComplete = 0;
  }
  if (number >= 1 && number == total) fix.satellitesComplete = 1;
  for (int i = 3; i < f.commas(); i += 4) {
    if (!f.Has(i + 4)) break;
    const int64_t prn = f.Integer(i + 1);  // an empty field is PRN 0
    if (prn < 0 || prn >= kSatelliteSlots) continue;
    const int64_t elevation = f.Integer(i + 2);
    const int64_t azimuth = f.Integer(i + 3);
    SatelliteSlot& s = fix.satellites[prn];
    s.inView = 1;
    s.elevation = ClampByte(elevation);
    s.azimuth = uint16_t(azimuth < 0 ? 0 : azimuth > 65535 ? 65535 : azimuth);
    s.snr = ClampByte(f.Integer(i + 4));
    if (elevation > 90) s.inView = 0;  // tested before narrowing: 346 must not read as 90
  }
  if (fix.satellitesComplete) {
    int used = 0;
    for (const SatelliteSlot& s : fix.satellites) used += (s.inView && s.snr != 0) ? 1 : 0;
    fix.satellitesUsed = used;
  }
}

void ParseAltitude(GpsFix& fix, const NmeaFields& f) {
  if (f.commas() < 11) return;
  fix.altitude = f.Number(9);
}

NmeaKind KindOf(const char* line) {
  auto is = [line](const char* name) { return std::memcmp(line, name, 6) == 0; };
  if (is("$GPRMC") || is("$GNRMC")) return NmeaKind::Rmc;
  if (is("$GPGSA") || is("$GNGSA")) return NmeaKind::Gsa;
  if (is("$GPGSV") || is("$GNGSV")) return NmeaKind::Gsv;
  if (is("$GNGNS")) return NmeaKind::Gns;
  if (is("$GPGGA")) return NmeaKind::Gga;
  return NmeaKind::None;
}

}  // namespace

uint8_t HexByte(const char* two) {
  const int hi = HexDigit(two[0]);
  if (hi < 0) return 255;
  const int lo = HexDigit(two[1]);
  if (lo < 0) return 255;
  return uint8_t(hi * 16 + lo);
}

bool NmeaChecksumOk(const char* line) {
  if (line[0] != '$') return false;
  uint8_t sum = 0;
  int i = 1;
  for (; line[i] != 0 && line[i] != '*'; ++i) sum ^= uint8_t(line[i]);
  if (line[i] != '*' || i < 9) return false;
  // HexByte's 255 is also a real sum (8-bit text), so the digits are checked on their own.
  const int hi = HexDigit(line[i + 1]);
  if (hi < 0) return false;
  const int lo = HexDigit(line[i + 2]);
  if (lo < 0) return false;
  // '*' at 9 or later plus two digits make the 10 characters the line needs.
  return sum == uint8_t(hi * 16 + lo);
}

NmeaFields::NmeaFields(const char* line) : line_(line) {
  int i = line[0] != 0 ? 1 : 0;  // the sentence name never holds a comma that counts
  for (; line[i] != 0; ++i) {
    if (line[i] == ',' && count_ < kMaxCommas) pos_[count_++] = i;
  }
  length_ = i;
  if (count_ < kMaxCommas) pos_[count_] = length_;
}

bool NmeaFields::Has(int k) const {
  if (k < 1 || k - 1 >= count_) return false;
  return k < count_ || count_ < kMaxCommas;
}

NmeaKind ParseNmeaSentence(GpsFix& fix, const char* line) {
  if (!NmeaChecksumOk(line)) return NmeaKind::None;
  const NmeaKind kind = KindOf(line);
  if (kind == NmeaKind::None) return kind;
  const NmeaFields fields(line);
  switch (kind) {
    case NmeaKind::Rmc: ParseRmc(fix, fields); break;
    case NmeaKind::Gsa: ParseGsa(fix, fields); break;
    case NmeaKind::Gsv: ParseGsv(fix, fields); break;
    case NmeaKind::Gns:
    case NmeaKind::Gga: ParseAltitude(fix, fields); break;
    case NmeaKind::None: break;
  }
  return kind;
}

double NmeaRadians(int32_t degrees, double minutes, char hemisphere, char positive) {
  const double r = (degrees + minutes / 60.0) / 180.0 * std::numbers::pi;
  return hemisphere == positive ? r : -r;
}

double NmeaNumber(const char* first, const char* last) {
  first = SkipBlanks(first, last);
  double v = 0;
  auto [end, ec] = std::from_chars(first, last, v, std::chars_format::fixed);
  if (ec != std::errc() || !std::isfinite(v)) return 0.0;
  (void)end;
  return v;
}

int64_t NmeaInteger(const char* first, const char* last) {
  first = SkipBlanks(first, last);
  int64_t v = 0;
  auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc()) return 0;
  (void)end;
  return v;
}

double NmeaFields::Number(int k) const { return Has(k) ? NmeaNumber(Begin(k), End(k)) : 0.0; }

int64_t NmeaFields::Integer(int k) const { return Has(k) ? NmeaInteger(Begin(k), End(k)) : 0; }
