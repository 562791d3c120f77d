// The GPS almanac read from a receiver data file, and the elevation and azimuth of each
// satellite for an observer and a time.
//
// Orbits follow the almanac equations of IS-GPS-200 without clock terms,
// harmonic corrections or inclination rate: positions are good to a few kilometres near the
// reference time, ample for the sky plot and visibility, not for positioning. The observer's
// vertical is the geocentric direction, not the ellipsoid normal (up to 0.2 degree apart).
//
// Time is handled on the full GPS time scale: a week field of 10 bits (or a full one) becomes
// the week nearest the prediction's week, so the day window and the time check hold across week
// and rollover boundaries. An almanac is used from the start of the day two days before its
// reference day up to two days after its reference time (not including that instant), the
// window the observer check reports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gps/almanac_reader.h"
#include "platform/win_types.h"

// One almanac record as stored ("GA" body), the orbital values widened from their 4-byte floats
// and in radians.
struct TAlmanacOrbit {
  int prn = 0;
  int week = 0;         // the week field as written (10 bits or full)
  int32_t toa = 0;      // s of week
  double sqrtA = 0;     // m^0.5
  double e = 0;
  double m0 = 0;        // rad
  double omega0 = 0;    // rad, longitude of the node at the start of the week
  double omega = 0;     // rad, argument of perigee
  double i = 0;         // rad, full inclination
  double omegaDot = 0;  // rad/s
};

// Decodes the 46 stored bytes; false when the record is unusable for an orbit (eccentricity
// outside [0, 1), sqrtA not above 0, any value not finite).
bool DecodeAlmanacOrbit(const uint8_t* record, TAlmanacOrbit* out);
// Earth-centred, earth-fixed position in metres `tk` seconds after the reference time. False
// when Kepler's equation does not converge.
bool AlmanacOrbitPosition(const TAlmanacOrbit& orbit, double tk, double xyz[3]);
// Elevation (-pi/2..pi/2) and azimuth (0..2 pi, clockwise from north) from an observer to a
// point, both earth-fixed in metres, in the observer's geocentric frame. False, outputs
// untouched, when the observer is on the earth's axis or the two points coincide.
bool LookAnglesFrom(const double observer[3], const double target[3], double* elevation,
                    double* azimuth);
// Days since 1980-01-06 by the calendar rule of the receivers (every fourth year a leap year).
int GpsDayOf(int year, int month, int day);

class TAlmanac {
 public:
  // Outcomes of one look-angle computation.
  enum LookResult {
    kComputed = 0,
    kNoAlmanac = 1,
    kPastValidity = 2,    // the time lies two days or more after the almanac's reference time
    kOutsideDays = 3,     // more than two days from the reference day, either way
    kBadRecord = 4,       // damaged values, or Kepler's equation did not converge
    kNoObserver = 5,      // observer on the earth's axis
    kNoTime = 6,          // no valid date was set
  };

  TAlmanac();
  virtual ~TAlmanac();
  TAlmanac(const TAlmanac&) = delete;
  TAlmanac& operator=(const TAlmanac&) = delete;

  // Reads the almanac of a receiver file (device path). 1 when loaded; 0 when the file cannot be
  // opened or memory ran out while reading (nothing is loaded then, the tables are kept), or
  // when it holds no almanac message (the almanac loaded before stays in use). A file with only
  // some satellites is loaded. After a 0 the load report says "not loaded".
  int Load(const char* path);
  // Sets the observer (degrees, metres above the ellipsoid) and the time. Years below 1000 are
  // taken as 2000 + year. 1 when maxToa < weekSeconds < validUntil, else 0; 0 for an invalid
  // date (month outside 1-12, day outside 1-31, year before 1980), after which every satellite
  // gives no position until a valid call.
  int SetObserver(SYSTEMTIME time, double latitude, double longitude, double height);
  // Look angles of satellite 0..44 in whole degrees (truncated toward zero): 1 and both outputs
  // written when it is computed and above the horizon, else 0 and nothing written.
  int GetSatellite(int prn, uint8_t* elevation, int16_t* azimuth) const;
  // The same in radians, with the satellite position (metres) when `xyz` is given. Outputs are
  // written only for kComputed.
  LookResult ComputeLookAngles(int prn, double* elevation, double* azimuth,
                               double xyz[3] = nullptr) const;
  // The message box telling which satellites 1..30 (without 12) give no position from the
  // reference point at the loaded date; "not loaded" when the last load failed.
  void ShowLoadReport(HWND owner);
  // The report's text (what ShowLoadReport shows). Sets the observer as ShowLoadReport does.
  std::wstring LoadReportText();

  bool IsLoaded() const { return loaded_ != 0; }
  // Grows by one with every load that changes what is predicted from (a new almanac taken, or
  // the one in use dropped): what was set up from the old one is set up again.
  unsigned Generation() const { return generation_; }
  const SYSTEMTIME& GetToaTime() const { return toaTime_; }
  const SYSTEMTIME& GetDate() const { return date_; }
  int GetMaxToa() const { return maxToa_; }
  int GetValidUntil() const { return validUntil_; }
  int GetGpsDay() const { return gpsDay_; }
  double GetWeekSeconds() const { return weekSeconds_; }
  const double* GetObserver() const { return observer_; }
  const TAlmanacReader& GetReader() const { return *reader_; }

 private:
  int loaded_ = 0;
  SYSTEMTIME toaTime_{};
  SYSTEMTIME date_{};
  int maxToa_ = 0;
  int validUntil_ = 0;
  double observer_[3] = {0, 0, 0};
  double weekSeconds_ = 0;
  int gpsDay_ = 0;
  double secondsOfDay_ = 0;
  bool timeValid_ = false;
  bool lastLoadFailed_ = false;  // the last Load returned 0
  unsigned generation_ = 0;
  std::unique_ptr<TAlmanacReader> reader_;  // never null
};

// The program's one almanac.
extern TAlmanac g_Almanac;
