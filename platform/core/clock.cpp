// The one clock (real or virtual), the wall time derived from it, and the conversions between
// file times, calendar times and OLE dates.
//
// Wall time is kept as a base in file-time units (100 ns since 1601-01-01 UTC) at clock zero, so
// that the system time moves exactly with GetTickCount and SetSystemTime only moves the base.
// Local time is the system time plus the host's current offset from UTC; the same offset is used
// both ways, so local and system file times convert back and forth without loss.
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "platform/core/state.h"
#include "platform/fresh_state.h"

namespace vplat::core {

namespace {

constexpr int64_t kTicksPerMs = 10000;      // file-time units per millisecond
constexpr int64_t kTicksPerDay = 864000000000LL;
constexpr int64_t kDays1601To1970 = 134774;  // days from 1601-01-01 to 1970-01-01
constexpr int64_t kDays1601To1899 = 109205;  // days from 1601-01-01 to 1899-12-30

struct Clock {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::atomic<bool> virt{false};
  std::atomic<uint64_t> vnow{0};
  std::atomic<int64_t> wallBase{0};  // file time at clock zero
  std::atomic<uint64_t> idleResets{0};
  Clock() { Restart(); }
  // As the layer starts: real time from zero, the host's date, no idle reset counted.
  void Restart() {
    start = std::chrono::steady_clock::now();
    virt = false;
    vnow = 0;
    idleResets = 0;
    auto since = std::chrono::system_clock::now().time_since_epoch();
    int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    wallBase = (kDays1601To1970 * 86400000LL + ms) * kTicksPerMs;
  }
};

Clock& K() {
  static Clock* k = new Clock;
  return *k;
}

// A date set by one test case, or a virtual clock moved on by days, is not the next case's.
const vplat::FreshStateHook kFresh(1, [] { K().Restart(); });

uint64_t RealMs() {
  return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now() - K().start)
      .count();
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian), and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = (unsigned)(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + (int64_t)doe - 719468;
}

void CivilFromDays(int64_t z, int* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = (unsigned)(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = (int64_t)yoe + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = (int)(yy + (*m <= 2));
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

bool ValidDate(const SYSTEMTIME& st) {
  return st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= DaysInMonth(st.wYear, st.wMonth) && st.wHour < 24 && st.wMinute < 60 &&
         st.wSecond < 60 && st.wMilliseconds < 1000;
}

// Days since 1601-01-01 and the rest of the day, to calendar fields.
void FillSystemTime(int64_t days1601, int64_t msOfDay, SYSTEMTIME* st) {
  int y;
  unsigned m, d;
  CivilFromDays(days1601 - kDays1601To1970, &y, &m, &d);
  st->wYear = (WORD)y;
  st->wMonth = (WORD)m;
  st->wDay = (WORD)d;
  st->wDayOfWeek = (WORD)((days1601 + 1) % 7);  // 1601-01-01 was a Monday
  st->wHour = (WORD)(msOfDay / 3600000);
  st->wMinute = (WORD)(msOfDay / 60000 % 60);
  st->wSecond = (WORD)(msOfDay / 1000 % 60);
  st->wMilliseconds = (WORD)(msOfDay % 1000);
}

int64_t ToTicks(const FILETIME& ft) {
  return (int64_t)(((uint64_t)ft.dwHighDateTime << 32) | ft.dwLowDateTime);
}

FILETIME FromTicks(int64_t t) {
  FILETIME ft;
  ft.dwLowDateTime = (DWORD)((uint64_t)t & 0xFFFFFFFFu);
  ft.dwHighDateTime = (DWORD)((uint64_t)t >> 32);
  return ft;
}

int64_t NowTicks() { return K().wallBase.load() + (int64_t)vplat::NowMs() * kTicksPerMs; }

// The host's offset from UTC at the current device time, in file-time units.
int64_t LocalBias() {
  time_t secs = (time_t)(NowTicks() / 10000000 - kDays1601To1970 * 86400);
  struct tm tmv {};
  if (!localtime_r(&secs, &tmv)) return 0;
  return (int64_t)tmv.tm_gmtoff * 10000000;
}

}  // namespace

void SetVirtualClock(bool on) {
  Clock& k = K();
  if (on == k.virt.load()) return;
  if (on) {
    k.vnow = RealMs();  // time goes on from where it was, so set timers keep their dues
    k.virt = true;
  } else {
    // Real time resumes from the virtual reading; move the wall base so the date does not jump.
    uint64_t v = k.vnow.load(), r = RealMs();
    k.wallBase = k.wallBase.load() + ((int64_t)v - (int64_t)r) * kTicksPerMs;
    k.virt = false;
  }
  WakeQueue();
}

void SetVirtualNow(uint64_t ms) {
  Clock& k = K();
  if (ms > k.vnow.load()) k.vnow = ms;
  WakeQueue();
}

uint64_t IdleTimerResets() { return K().idleResets.load(); }

}  // namespace vplat::core

using namespace vplat::core;

namespace vplat {
uint64_t NowMs() {
  Clock& k = K();
  return k.virt.load(std::memory_order_relaxed) ? k.vnow.load(std::memory_order_relaxed) : RealMs();
}
bool IsVirtualClock() { return K().virt.load(); }
}  // namespace vplat

extern "C" void Sleep(DWORD ms) {
  // On the virtual clock nobody else moves time while we wait, so waiting would never end.
  if (vplat::IsVirtualClock() || ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

extern "C" DWORD GetTickCount() { return (DWORD)vplat::NowMs(); }

extern "C" BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME st) {
  if (!fileTime || !st) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t t = ToTicks(*fileTime);
  if (t < 0) {  // beyond the platform's range (the top bit set)
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FillSystemTime(t / kTicksPerDay, t % kTicksPerDay / kTicksPerMs, st);
  return TRUE;
}

extern "C" BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime) {
  if (!st || !fileTime || st->wYear < 1601 || st->wYear > 30827 || !ValidDate(*st)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + kDays1601To1970;
  int64_t ms = ((st->wHour * 60 + st->wMinute) * 60 + st->wSecond) * 1000LL + st->wMilliseconds;
  *fileTime = FromTicks(days * kTicksPerDay + ms * kTicksPerMs);
  return TRUE;
}

extern "C" BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME local) {
  if (!fileTime || !local) return FALSE;
  *local = FromTicks(ToTicks(*fileTime) + LocalBias());
  return TRUE;
}

extern "C" BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME fileTime) {
  if (!local || !fileTime) return FALSE;
  *fileTime = FromTicks(ToTicks(*local) - LocalBias());
  return TRUE;
}

extern "C" LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  uint64_t x = ((uint64_t)a->dwHighDateTime << 32) | a->dwLowDateTime;
  uint64_t y = ((uint64_t)b->dwHighDateTime << 32) | b->dwLowDateTime;
  return x < y ? -1 : x > y ? 1 : 0;
}

extern "C" void GetSystemTime(LPSYSTEMTIME st) {
  if (!st) return;
  FILETIME ft = FromTicks(NowTicks());
  FileTimeToSystemTime(&ft, st);
}

extern "C" void GetLocalTime(LPSYSTEMTIME st) {
  if (!st) return;
  FILETIME ft = FromTicks(NowTicks() + LocalBias());
  FileTimeToSystemTime(&ft, st);
}

extern "C" BOOL SetSystemTime(const SYSTEMTIME* st) {
  FILETIME ft;
  if (!SystemTimeToFileTime(st, &ft)) return FALSE;
  K().wallBase = ToTicks(ft) - (int64_t)vplat::NowMs() * kTicksPerMs;
  return TRUE;
}

extern "C" BOOL SetLocalTime(const SYSTEMTIME* st) {
  FILETIME ft;
  if (!SystemTimeToFileTime(st, &ft)) return FALSE;
  K().wallBase = ToTicks(ft) - LocalBias() - (int64_t)vplat::NowMs() * kTicksPerMs;
  return TRUE;
}

extern "C" INT SystemTimeToVariantTime(LPSYSTEMTIME st, double* variantTime) {
  // The platform's OLE dates cover the years 100 to 9999 and ignore the milliseconds.
  if (!st || !variantTime || st->wYear < 100 || st->wYear > 9999) return FALSE;
  SYSTEMTIME s = *st;
  s.wMilliseconds = 0;
  if (!ValidDate(s)) return FALSE;
  int64_t days = DaysFromCivil(s.wYear, s.wMonth, s.wDay) + kDays1601To1970 - kDays1601To1899;
  double frac = (s.wHour * 3600.0 + s.wMinute * 60.0 + s.wSecond) / 86400.0;
  *variantTime = days < 0 ? (double)days - frac : (double)days + frac;
  return TRUE;
}

extern "C" INT VariantTimeToSystemTime(double variantTime, LPSYSTEMTIME st) {
  // 100-01-01 and 9999-12-31 end of day as OLE dates.
  if (!st || !std::isfinite(variantTime) || variantTime < -657434.0 || variantTime >= 2958466.0)
    return FALSE;
  double whole = std::trunc(variantTime);
  double frac = std::fabs(variantTime - whole);
  int64_t days = (int64_t)whole;
  // Rounded to the second, as the platform does; a time that rounds up to 24:00 is the next day.
  int64_t secs = std::llround(frac * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    days += variantTime < 0 ? -1 : 1;
  }
  FillSystemTime(days + kDays1601To1899, secs * 1000, st);
  return TRUE;
}

extern "C" void SystemIdleTimerReset() { K().idleResets++; }

extern "C" int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: return 240;
    case SM_CYSCREEN: return 320;
    case SM_CYFULLSCREEN: return 320 - 26;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: return 13;
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 13;
    case SM_CYCAPTION: case SM_CYMENU: return 26;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 1;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    default: return 0;
  }
}
