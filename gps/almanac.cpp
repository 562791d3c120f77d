#include "gps/almanac.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/lang_ids.h"
#include "gps/almanac_texts.h"
#include "platform/win.h"

// g_Almanac is defined with the program's other globals, in app/globals.cpp.

namespace {

constexpr double kPi = 3.141592653589793;  // also the semicircle
constexpr double kGM = 3.986005e14;        // m^3/s^2
constexpr double kEarthRate = 7.2921151467e-5;  // rad/s
constexpr double kReferenceInclination = 0.3;   // semicircles
constexpr double kKeplerTolerance = 1e-9;       // rad
constexpr int kKeplerSteps = 50;  // GPS eccentricities converge in under 10
constexpr double kTimeTolerance = 1e-10;        // s
constexpr double kEllipsoidA = 6378137.0;       // m
constexpr double kEllipsoidE2 = 0.00669437998971234;

constexpr int kWeek = 604800;  // s
constexpr int kDay = 86400;    // s
constexpr int kDaysWindow = 2;  // an almanac serves from two days before its reference day
constexpr int kValidity = 172800;  // s, two days

// Where the load report looks from (degrees, degrees, metres).
constexpr double kReportLatitude = 55.651824076;
constexpr double kReportLongitude = 37.539215196;
constexpr double kReportHeight = 248.274;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

int16_t I16(const uint8_t* p) { return int16_t(uint16_t(p[0] | (p[1] << 8))); }

int32_t I32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                 (uint32_t(p[3]) << 24));
}

double F32(const uint8_t* p) {
  const uint32_t bits = uint32_t(I32(p));
  float f;
  std::memcpy(&f, &bits, 4);
  return double(f);
}

}  // namespace

// ---- orbit and angles ----

bool DecodeAlmanacOrbit(const uint8_t* r, TAlmanacOrbit* out) {
  TAlmanacOrbit o;
  o.prn = r[0];
  o.week = I16(r + 1);
  o.toa = I32(r + 3);
  o.sqrtA = F32(r + 18);
  o.e = F32(r + 22);
  o.m0 = F32(r + 26) * kPi;
  o.omega0 = F32(r + 30) * kPi;
  o.omega = F32(r + 34) * kPi;
  o.i = (kReferenceInclination + F32(r + 38)) * kPi;
  o.omegaDot = F32(r + 42) * kPi;
  for (double v : {o.sqrtA, o.e, o.m0, o.omega0, o.omega, o.i, o.omegaDot}) {
    if (!std::isfinite(v)) return false;
  }
  if (!(o.e >= 0 && o.e < 1) || !(o.sqrtA > 0)) return false;
  *out = o;
  return true;
}

bool AlmanacOrbitPosition(const TAlmanacOrbit& o, double tk, double xyz[3]) {
  const double a = o.sqrtA * o.sqrtA;
  const double n = std::sqrt(kGM / (a * a * a));
  const double m = o.m0 + n * tk;
  double e = m;
  bool converged = false;
  for (int step = 0; step < kKeplerSteps; ++step) {
    const double next = m + o.e * std::sin(e);
    const bool done = std::fabs(next - e) < kKeplerTolerance;
    e = next;
    if (done) {
      converged = true;
      break;
    }
  }
  if (!converged) return false;
  const double sinE = std::sin(e), cosE = std::cos(e);
  const double denominator = 1 - o.e * cosE;
  const double sinV = std::sqrt(1 - o.e * o.e) * sinE / denominator;
  const double cosV = (cosE - o.e) / denominator;
  const double v = (sinV == 0 && cosV == 0) ? 0 : std::atan2(sinV, cosV);
  const double u = v + o.omega;
  const double r = a * denominator;
  const double xp = r * std::cos(u), yp = r * std::sin(u);
  const double node = o.omega0 + (o.omegaDot - kEarthRate) * tk - kEarthRate * o.toa;
  const double sinNode = std::sin(node), cosNode = std::cos(node);
  const double cosI = std::cos(o.i), sinI = std::sin(o.i);
  xyz[0] = xp * cosNode - yp * cosI * sinNode;
  xyz[1] = xp * sinNode + yp * cosI * cosNode;
  xyz[2] = yp * sinI;
  return std::isfinite(xyz[0]) && std::isfinite(xyz[1]) && std::isfinite(xyz[2]);
}

bool LookAnglesFrom(const double o[3], const double s[3], double* elevation, double* azimuth) {
  const double rho = std::sqrt(o[0] * o[0] + o[1] * o[1]);
  if (rho == 0) return false;
  const double big = std::sqrt(o[0] * o[0] + o[1] * o[1] + o[2] * o[2]);
  const double d[3] = {s[0] - o[0], s[1] - o[1], s[2] - o[2]};
  const double east = (-o[1] * d[0] + o[0] * d[1]) / rho;
  const double north = (-o[0] * o[2] * d[0] - o[1] * o[2] * d[1]) / (rho * big) + rho / big * d[2];
  const double up = (o[0] * d[0] + o[1] * d[1] + o[2] * d[2]) / big;
  const double length = std::sqrt(east * east + north * north + up * up);
  if (!(length > 0)) return false;
  const double sn = up / length;
  // Rounding may carry |sn| a hair past 1; the horizon angle is then a right angle.
  double el;
  if (sn >= 1) {
    el = kPi / 2;
  } else if (sn <= -1) {
    el = -kPi / 2;
  } else {
    el = std::atan(sn / std::sqrt(1 - sn * sn));
  }
  double az;
  if (north == 0) {
    az = east > 0 ? kPi / 2 : east < 0 ? 3 * kPi / 2 : 0;  // straight overhead: north
  } else {
    az = std::atan(east / north);
    if (north < 0) {
      az += kPi;
    } else if (east < 0) {
      az += 2 * kPi;
    }
  }
  *elevation = el;
  *azimuth = az;
  return true;
}

int GpsDayOf(int year, int month, int day) {
  static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Days of the years 1980 .. year - 1, every fourth year from 1980 a leap year; 1980-01-06 is
  // day 0.
  const int64_t leapYears = FloorDiv(year - 1, 4) - FloorDiv(1979, 4);
  int64_t days = -5 + 365 * int64_t(year - 1980) + leapYears;
  for (int m = 1; m < month && m <= 12; ++m) {
    days += kMonthDays[m - 1];
    if (m == 2 && year % 4 == 0) ++days;
  }
  return int(days + day - 1);
}

// ---- the almanac ----

TAlmanac::TAlmanac() : reader_(std::make_unique<TAlmanacReader>()) {}
TAlmanac::~TAlmanac() = default;

int TAlmanac::Load(const char* path) {
  // The file is read beside the almanac in use, which stays when the file brings none.
  auto fresh = std::make_unique<TAlmanacReader>();
  if (!fresh->Open(path)) {
    if (loaded_) ++generation_;
    loaded_ = 0;
    lastLoadFailed_ = true;
    return 0;
  }
  fresh->ReadAll();
  fresh->Close();
  if (fresh->OutOfMemory()) {
    if (loaded_) ++generation_;
    loaded_ = 0;
    lastLoadFailed_ = true;
    return 0;
  }
  bool anyAlmanac = false;
  for (int prn = 0; prn < TAlmanacReader::kSlots && !anyAlmanac; ++prn) anyAlmanac = fresh->IsPresent(prn);
  if (!anyAlmanac) {
    // An empty receiver file, or no receiver file at all: nothing to predict from.
    lastLoadFailed_ = true;
    return 0;
  }
  reader_ = std::move(fresh);
  lastLoadFailed_ = false;
  date_ = SYSTEMTIME{};
  date_.wYear = WORD(reader_->GetYear());
  date_.wMonth = reader_->GetMonth();
  date_.wDay = reader_->GetDay();

  int largest = 0;
  int smallest = 100000000;
  bool any = false;
  for (int prn = 0; prn < TAlmanacReader::kSlots; ++prn) {
    if (!reader_->IsPresent(prn)) continue;
    const int toa = I32(reader_->GetAlmanacSlot(prn) + 3);
    if (!any || toa > largest) largest = toa;
    if (toa < smallest) smallest = toa;
    any = true;
  }
  maxToa_ = largest;
  validUntil_ = smallest + kValidity;
  const int ofDay = int(FloorMod(maxToa_, kDay));
  toaTime_ = SYSTEMTIME{};
  toaTime_.wHour = WORD(ofDay / 3600);
  toaTime_.wMinute = WORD(ofDay / 60 % 60);
  toaTime_.wSecond = WORD(ofDay % 60);
  loaded_ = 1;
  ++generation_;
  return 1;
}

int TAlmanac::SetObserver(SYSTEMTIME time, double latitude, double longitude, double height) {
  int year = time.wYear;
  if (year < 1000) year += 2000;

  const double lat = latitude * kPi / 180, lon = longitude * kPi / 180;
  const double sinLat = std::sin(lat), cosLat = std::cos(lat);
  const double n = kEllipsoidA / std::sqrt(1 - kEllipsoidE2 * sinLat * sinLat);
  observer_[0] = (n + height) * cosLat * std::cos(lon);
  observer_[1] = (n + height) * cosLat * std::sin(lon);
  observer_[2] = (n * (1 - kEllipsoidE2) + height) * sinLat;

  timeValid_ = time.wMonth >= 1 && time.wMonth <= 12 && time.wDay >= 1 && time.wDay <= 31 &&
               year >= 1980;
  if (!timeValid_) return 0;
  gpsDay_ = GpsDayOf(year, time.wMonth, time.wDay);
  secondsOfDay_ = time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond;
  weekSeconds_ = double(FloorMod(gpsDay_, 7)) * kDay + secondsOfDay_;
  return maxToa_ < weekSeconds_ && weekSeconds_ < validUntil_ ? 1 : 0;
}

TAlmanac::LookResult TAlmanac::ComputeLookAngles(int prn, double* elevation, double* azimuth,
                                                 double xyz[3]) const {
  if (!reader_->IsPresent(prn)) return kNoAlmanac;
  if (!timeValid_) return kNoTime;
  const uint8_t* record = reader_->GetAlmanacSlot(prn);

  // The week field holds 10 bits on most receivers, the full week on some: take the week with
  // those low bits nearest the prediction's week.
  const int64_t week = FloorDiv(gpsDay_, 7);
  const int64_t low = FloorMod(I16(record + 1), 1024);
  const int64_t fullWeek = low + 1024 * FloorDiv(week - low + 512, 1024);
  const int32_t toa = I32(record + 3);
  // The almanac serves from the start of the day two days before its reference day up to two
  // days after its reference time (the window SetObserver checks against validUntil): the orbit
  // is propagated either way from toa.
  const int64_t toaDay = fullWeek * 7 + FloorDiv(toa, kDay);
  if (gpsDay_ < toaDay - kDaysWindow || gpsDay_ > toaDay + kDaysWindow) return kOutsideDays;

  // Both times are whole seconds below 2^53: the difference is exact.
  const double untilToa = (double(fullWeek) * kWeek + toa) - (double(gpsDay_) * kDay + secondsOfDay_);
  if (-untilToa >= kValidity) return kPastValidity;

  TAlmanacOrbit orbit;
  double position[3];
  if (!DecodeAlmanacOrbit(record, &orbit) || !AlmanacOrbitPosition(orbit, -untilToa, position)) {
    return kBadRecord;
  }
  double el, az;
  if (!LookAnglesFrom(observer_, position, &el, &az)) return kNoObserver;
  *elevation = el;
  *azimuth = az;
  if (xyz) {
    for (int k = 0; k < 3; ++k) xyz[k] = position[k];
  }
  return kComputed;
}

int TAlmanac::GetSatellite(int prn, uint8_t* elevation, int16_t* azimuth) const {
  double el = 0, az = 0;
  if (ComputeLookAngles(prn, &el, &az) != kComputed) return 0;
  if (!(el > 0)) return 0;  // strictly above the horizon, before truncation to degrees
  int degrees = int(az * 180 / kPi);
  if (degrees >= 360) degrees -= 360;  // an azimuth a hair below 2 pi may round up
  *elevation = uint8_t(int(el * 180 / kPi));
  *azimuth = int16_t(degrees);
  return 1;
}

std::wstring TAlmanac::LoadReportText() {
  if (!loaded_ || lastLoadFailed_) return AlmanacText(lang_id::kMsgAlmNotLoaded);
  SetObserver(date_, kReportLatitude, kReportLongitude, kReportHeight);
  std::wstring missing;
  for (int prn = 1; prn <= 30; ++prn) {
    if (prn == 12) continue;
    double el, az;
    if (ComputeLookAngles(prn, &el, &az) != kComputed) {
      missing += std::to_wstring(prn) + L", ";
    }
  }
  if (missing.empty()) return AlmanacText(lang_id::kMsgAlmLoadedFull);
  missing.resize(missing.size() - 2);
  return std::wstring(AlmanacText(lang_id::kMsgAlmLoadedPart)) + L"\n" + missing;
}

void TAlmanac::ShowLoadReport(HWND owner) {
  const std::wstring text = LoadReportText();
  MessageBoxW(owner, text.c_str(), AlmanacText(lang_id::kMsgInfo), MB_OK);
}
