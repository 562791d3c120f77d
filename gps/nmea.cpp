#include "gps/nmea.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
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

// hhmmss[.sss]: the fraction is ignored; a short or out-of-range field keeps the old time
// (false).
bool ReadTime(const NmeaFields& f, int k, SYSTEMTIME& t) {
  if (f.Width(k) < 6) return false;
  const char* p = f.Begin(k);
  int h = TwoDigits(p), m = TwoDigits(p + 2), s = TwoDigits(p + 4);
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 60) return false;  // 60: leap second
  t.wHour = WORD(h);
  t.wMinute = WORD(m);
  t.wSecond = WORD(s);
  return true;
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

// One coordinate as a sentence gives it: "dd[d]mm.mmmm" and the hemisphere letter.
struct Coordinate {
  enum State { Absent, Bad, Good } state = Absent;
  int32_t degrees = 0;
  double minutes = 0;
  char hemisphere = 0;
};

// Field k and its hemisphere field k + 1. Too short a field is Absent; degrees that are not
// digits, minutes that are missing, overflow, are negative or reach 60, a value beyond
// `maxDegrees` and a missing hemisphere letter are Bad: no receiver with a fix sends them, so the
// line is damaged beyond what its checksum caught, or the receiver is.
Coordinate ReadCoordinate(const NmeaFields& f, int k, int degreeDigits, int maxDegrees) {
  Coordinate c;
  if (f.Width(k) < degreeDigits) return c;
  c.state = Coordinate::Bad;
  const char* p = f.Begin(k);
  for (int i = 0; i < degreeDigits; ++i)
    if (!IsDigit(p[i])) return c;
  c.degrees = int32_t(NmeaInteger(p, p + degreeDigits));
  if (!NmeaReadNumber(p + degreeDigits, f.End(k), c.minutes)) return c;
  if (!(c.minutes >= 0.0 && c.minutes < 60.0)) return c;
  if (c.degrees > maxDegrees || (c.degrees == maxDegrees && c.minutes > 0.0)) return c;
  c.hemisphere = f.First(k + 1);
  if (c.hemisphere == 0) return c;  // an empty letter would put the place in the other half
  c.state = Coordinate::Good;
  return c;
}

void Store(const Coordinate& c, char positive, int32_t& degrees, double& minutes, char& hemisphere,
           double& radians) {
  if (c.state != Coordinate::Good) return;
  degrees = c.degrees;
  minutes = c.minutes;
  hemisphere = c.hemisphere;
  radians = NmeaRadians(degrees, minutes, hemisphere, positive);
}

// True when the sentence gave the record a valid position (status 'A' and a place that exists).
bool ParseRmc(GpsFix& fix, const NmeaFields& f) {
  if (f.commas() < 10) return false;
  const char status = f.First(2);
  if (status != 'A') {
    fix.status = status;
    fix.speed = 0;
    fix.course = 0;
    fix.pdop = -1.0f;
    return false;
  }
  // A valid status with a position that is missing, impossible or without its time makes the
  // whole sentence unused: taking its status would make a fix of the position held before (the
  // origin after an open) and stamp records with a time nobody sent.
  const Coordinate lat = ReadCoordinate(f, 3, 2, 90);
  const Coordinate lon = ReadCoordinate(f, 5, 3, 180);
  if (lat.state != Coordinate::Good || lon.state != Coordinate::Good) return false;
  SYSTEMTIME time = fix.utc;
  if (!ReadTime(f, 1, time)) return false;
  fix.status = status;
  fix.utc = time;
  Store(lat, 'N', fix.latDegrees, fix.latMinutes, fix.latHemisphere, fix.latitude);
  Store(lon, 'E', fix.lonDegrees, fix.lonMinutes, fix.lonHemisphere, fix.longitude);
  // No number, one that overflows, or a speed that does once in km/h leaves the old value.
  double v = 0;
  if (f.NumberOf(7, v) && std::isfinite(v * 1.852)) fix.speed = v * 1.852;
  if (f.NumberOf(8, v)) fix.course = v;
  ReadDate(f, 9, fix.utc);
  return true;
}

void ParseGsa(GpsFix& fix, const NmeaFields& f) {
  if (f.commas() < 17) return;
  // Only a mode digit the receivers send; anything else would leave a meaningless 208.
  const char mode = f.First(2);
  if (mode >= '1' && mode <= '3') fix.fixMode = uint8_t(mode - '0');
  // Without an 18th comma field 17 runs to the end of the line; the number stops at the '*'.
  // Each one that is empty (a receiver without a fix) or overflows a float keeps its old value:
  // the RMC of the same epoch has already set the PDOP of a lost fix to -1.
  f.FloatOf(15, fix.pdop);
  f.FloatOf(16, fix.hdop);
  f.FloatOf(17, fix.vdop);
}

uint8_t ClampByte(int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Receivers of NMEA 4.11 send one GSV cycle per signal (L1 C/A, then L2 or L5 of the same
// satellites) and end each message with the signal id, one field after the last whole group of
// four. Only the first signal's cycles (id 1, or no id at all) fill the table: a later signal's
// first message would clear it and leave the satellites of that signal alone.
bool FirstSignal(const NmeaFields& f) {
  if (f.commas() % 4 != 0) return true;  // 3 + 4n fields: no signal id
  int64_t id = 0;
  return f.IntegerOf(f.commas(), id) && id == 1;
}

// Whether a GSV line has the fields to be read: a satellite group, or none at all when it says
// that no satellite is in view ("$GPGSV,1,1,00", with a signal id "$GPGSV,1,1,00,1").
bool GsvReadable(const NmeaFields& f) {
  if (f.commas() >= 5) return FirstSignal(f);
  int64_t inView = -1;
  return f.commas() >= 3 && f.IntegerOf(3, inView) && inView == 0 && FirstSignal(f);
}

// Elevation or azimuth of a satellite: a field without digits (receivers leave both empty while
// they track a satellite they have no orbit for yet) keeps the slot's last direction.
void ReadDirection(const NmeaFields& f, int k, int64_t high, int64_t& out) {
  int64_t v = 0;
  if (f.IntegerOf(k, v)) out = v < 0 ? 0 : v > high ? high : v;
}

void ParseGsv(GpsFix& fix, const NmeaFields& f) {
  if (!GsvReadable(f)) return;
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
    // An empty PRN is no satellite: receivers pad the last message with empty groups.
    int64_t prn = 0;
    if (!f.IntegerOf(i + 1, prn)) continue;
    if (prn < 0 || prn >= kSatelliteSlots) continue;
    SatelliteSlot& s = fix.satellites[prn];
    int64_t elevation = s.elevation, azimuth = s.azimuth;
    ReadDirection(f, i + 2, INT64_MAX, elevation);
    ReadDirection(f, i + 3, 65535, azimuth);
    s.inView = 1;
    s.elevation = ClampByte(elevation);
    s.azimuth = uint16_t(azimuth);
    // An empty ratio is the receiver's own "not tracked", which the table writes as 0.
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
  // An empty field (no fix) or an overflowing number keeps the old altitude: 0 m would be a
  // height nobody measured, written into the next point.
  f.NumberOf(9, fix.altitude);
}

NmeaKind KindOf(const char* line) {
  auto is = [line](const char* name) { return std::memcmp(line, name, 6) == 0; };
  if (is("$GPRMC") || is("$GNRMC")) return NmeaKind::Rmc;
  if (is("$GPGSA") || is("$GNGSA")) return NmeaKind::Gsa;
  if (is("$GPGSV") || is("$GNGSV")) return NmeaKind::Gsv;
  if (is("$GNGNS")) return NmeaKind::Gns;
  if (is("$GPGGA") || is("$GNGGA")) return NmeaKind::Gga;
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

NmeaEpochEnd NmeaEpochBoundary(const char* line) {
  if (!NmeaChecksumOk(line)) return NmeaEpochEnd::None;
  const NmeaKind kind = KindOf(line);
  if (kind == NmeaKind::Rmc) return NmeaEpochEnd::Before;
  if (kind != NmeaKind::Gsv) return NmeaEpochEnd::None;
  const NmeaFields f(line);
  if (!GsvReadable(f)) return NmeaEpochEnd::None;
  const int64_t total = f.Integer(1);
  return total >= 1 && f.Integer(2) == total ? NmeaEpochEnd::After : NmeaEpochEnd::None;
}

NmeaKind ParseNmeaSentence(GpsFix& fix, const char* line) {
  bool fresh = false;
  return ParseNmeaSentence(fix, line, &fresh);
}

NmeaKind ParseNmeaSentence(GpsFix& fix, const char* line, bool* freshFix) {
  *freshFix = false;
  if (!NmeaChecksumOk(line)) return NmeaKind::None;
  const NmeaKind kind = KindOf(line);
  if (kind == NmeaKind::None) return kind;
  const NmeaFields fields(line);
  switch (kind) {
    case NmeaKind::Rmc: *freshFix = ParseRmc(fix, fields); break;
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

bool NmeaReadNumber(const char* first, const char* last, double& out) {
  first = SkipBlanks(first, last);
  double v = 0;
  auto [end, ec] = std::from_chars(first, last, v, std::chars_format::fixed);
  (void)end;
  if (ec == std::errc::invalid_argument) return false;  // no digits: no value
  if (ec == std::errc::result_out_of_range) {
    // Out of range either way: a whole part with a digit other than 0 overflowed; otherwise
    // the number is a fraction too small for a double and reads as 0.
    const char* p = first + (first < last && *first == '-' ? 1 : 0);
    while (p < last && *p == '0') ++p;
    if (p < last && IsDigit(*p)) return false;
    out = 0.0;
    return true;
  }
  if (ec != std::errc() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool NmeaReadInteger(const char* first, const char* last, int64_t& out) {
  first = SkipBlanks(first, last);
  int64_t v = 0;
  auto [end, ec] = std::from_chars(first, last, v);
  (void)end;
  if (ec != std::errc()) return false;  // no digits, or an overflow: no value
  out = v;
  return true;
}

double NmeaNumber(const char* first, const char* last) {
  double v = 0;
  return NmeaReadNumber(first, last, v) ? v : 0.0;
}

int64_t NmeaInteger(const char* first, const char* last) {
  int64_t v = 0;
  return NmeaReadInteger(first, last, v) ? v : 0;
}

double NmeaFields::Number(int k) const { return Has(k) ? NmeaNumber(Begin(k), End(k)) : 0.0; }

int64_t NmeaFields::Integer(int k) const { return Has(k) ? NmeaInteger(Begin(k), End(k)) : 0; }

bool NmeaFields::NumberOf(int k, double& out) const {
  return Has(k) && NmeaReadNumber(Begin(k), End(k), out);
}

bool NmeaFields::FloatOf(int k, float& out) const {
  double v = 0;
  if (!NumberOf(k, v) || std::fabs(v) > double(std::numeric_limits<float>::max())) return false;
  out = float(v);
  return true;
}

bool NmeaFields::IntegerOf(int k, int64_t& out) const {
  return Has(k) && NmeaReadInteger(Begin(k), End(k), out);
}
