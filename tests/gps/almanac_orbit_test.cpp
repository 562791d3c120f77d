// Satellite orbits and look angles: the calendar, the window of days around the reference time,
// the reference orbit from an independent computation, and damaged records.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "gps/almanac.h"
#include "platform/harness.h"
#include "tools/sampledata/jps_writer.h"

using sample::Bytes;

namespace {

constexpr double kPi = 3.141592653589793;

SYSTEMTIME At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  SYSTEMTIME t{};
  t.wYear = WORD(year);
  t.wMonth = WORD(month);
  t.wDay = WORD(day);
  t.wHour = WORD(hour);
  t.wMinute = WORD(minute);
  t.wSecond = WORD(second);
  return t;
}

class AlmanacTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }

  void LoadOne(const sample::YumaAlmanac& a, const Bytes& extra = {}) {
    Bytes f = extra;
    sample::Append(f, sample::JpsAlmanac(a));
    ASSERT_TRUE(sample::WriteJps(harness::HostPath(L"\\a.jps"), f));
    ASSERT_EQ(almanac.Load("\\a.jps"), 1);
  }

  // The look-angle result for satellite `prn` at a time, from 0 N 0 E.
  TAlmanac::LookResult At0(const SYSTEMTIME& t, int prn = 1) {
    almanac.SetObserver(t, 0, 0, 0);
    double el, az;
    return almanac.ComputeLookAngles(prn, &el, &az);
  }

  TAlmanac almanac;
};

sample::YumaAlmanac Record(int week, int32_t toa) {
  sample::YumaAlmanac a = sample::PublishedPrn1Week748();
  a.week = week;
  a.toa = toa;
  return a;
}

}  // namespace

TEST(AlmanacCalendar, GpsDay) {
  EXPECT_EQ(GpsDayOf(1980, 1, 6), 0);
  EXPECT_EQ(GpsDayOf(1980, 1, 1), -5);
  EXPECT_EQ(GpsDayOf(2006, 4, 10), 9591);
  EXPECT_EQ(GpsDayOf(2019, 4, 7), 14336);
  EXPECT_EQ(GpsDayOf(2024, 3, 3), 16128);
  EXPECT_EQ(GpsDayOf(2013, 12, 26), 12408);

  TAlmanac almanac;
  almanac.SetObserver(At(6, 4, 10, 1, 2, 3), 0, 0, 0);  // two-digit year
  EXPECT_EQ(almanac.GetGpsDay(), 9591);
  EXPECT_DOUBLE_EQ(almanac.GetWeekSeconds(), 86400 + 3723);
}

TEST_F(AlmanacTest, WindowOfDaysAndTime) {
  // Thursday 2013-12-26 16:38:24 of week 1772.
  LoadOne(Record(748, 405504));
  EXPECT_EQ(At0(At(2013, 12, 24, 0, 0, 0)), TAlmanac::kComputed);   // toa day - 2
  EXPECT_EQ(At0(At(2013, 12, 23, 23, 59, 59)), TAlmanac::kOutsideDays);  // toa day - 3
  EXPECT_EQ(At0(At(2013, 12, 26, 16, 38, 24)), TAlmanac::kComputed);  // toa itself
  // After toa for two days, the window the observer check reports.
  EXPECT_EQ(At0(At(2013, 12, 26, 16, 38, 25)), TAlmanac::kComputed);
  EXPECT_EQ(At0(At(2013, 12, 27, 0, 0, 0)), TAlmanac::kComputed);
  EXPECT_EQ(At0(At(2013, 12, 28, 16, 38, 23)), TAlmanac::kComputed);
  EXPECT_EQ(almanac.SetObserver(At(2013, 12, 28, 16, 38, 23), 0, 0, 0), 1);
  EXPECT_EQ(At0(At(2013, 12, 28, 16, 38, 24)), TAlmanac::kPastValidity);
  EXPECT_EQ(almanac.SetObserver(At(2013, 12, 28, 16, 38, 24), 0, 0, 0), 0);
  EXPECT_EQ(At0(At(2013, 12, 29, 0, 0, 0)), TAlmanac::kOutsideDays);  // toa day + 3
  EXPECT_EQ(At0(At(2014, 1, 2, 12, 0, 0)), TAlmanac::kOutsideDays);  // a week later
  EXPECT_EQ(At0(At(2013, 12, 26, 12, 0, 0), 2), TAlmanac::kNoAlmanac);

  uint8_t el = 77;
  int16_t az = 77;
  EXPECT_EQ(almanac.GetSatellite(45, &el, &az), 0);
  EXPECT_EQ(almanac.GetSatellite(-1, &el, &az), 0);
  EXPECT_EQ(el, 77);
}

// Almanacs recorded late in a week carry a toa in the next week; 10-bit week fields roll over.
TEST_F(AlmanacTest, FullWeekAcrossBoundaries) {
  for (int field : {595, 1619}) {
    LoadOne(Record(field, 61440));  // Sunday 2011-01-16 17:04
    EXPECT_EQ(At0(At(2011, 1, 15, 12, 0, 0)), TAlmanac::kComputed) << field;
    EXPECT_EQ(At0(At(2011, 1, 16, 17, 5, 0)), TAlmanac::kComputed) << field;
    EXPECT_EQ(At0(At(2011, 1, 18, 17, 5, 0)), TAlmanac::kPastValidity) << field;
  }
  LoadOne(Record(256, 3600));  // week 2304 starts 2024-03-03
  EXPECT_EQ(At0(At(2024, 3, 2, 12, 0, 0)), TAlmanac::kComputed);
  LoadOne(Record(0, 36000));  // week 2048 starts 2019-04-07
  EXPECT_EQ(At0(At(2019, 4, 6, 12, 0, 0)), TAlmanac::kComputed);
}

// Reference numbers from an independent computation of the IS-GPS-200 almanac
// equations (tools/almanac_oracle.py).
TEST_F(AlmanacTest, ReferenceOrbit) {
  LoadOne(sample::PublishedPrn1Week748());
  const SYSTEMTIME t = At(2013, 12, 26, 14, 38, 24);
  almanac.SetObserver(t, 0, 0, 0);
  double el, az, xyz[3];
  ASSERT_EQ(almanac.ComputeLookAngles(1, &el, &az, xyz), TAlmanac::kComputed);
  EXPECT_NEAR(xyz[0], 20437129.5, 1.0);
  EXPECT_NEAR(xyz[1], 13601959.1, 1.0);
  EXPECT_NEAR(xyz[2], -10316347.6, 1.0);
  EXPECT_NEAR(el * 180 / kPi, 39.472, 0.01);
  EXPECT_NEAR(az * 180 / kPi, 127.178, 0.01);
  uint8_t e8 = 0;
  int16_t a16 = 0;
  ASSERT_EQ(almanac.GetSatellite(1, &e8, &a16), 1);
  EXPECT_EQ(e8, 39);
  EXPECT_EQ(a16, 127);

  // The geocentric vertical: 55.10 where the ellipsoid normal gives 54.91.
  almanac.SetObserver(t, -50, 35, 100);
  ASSERT_EQ(almanac.ComputeLookAngles(1, &el, &az), TAlmanac::kComputed);
  EXPECT_NEAR(el * 180 / kPi, 55.101, 0.01);
  ASSERT_EQ(almanac.GetSatellite(1, &e8, &a16), 1);
  EXPECT_EQ(e8, 55);
  EXPECT_EQ(a16, 357);

  // A day after toa the orbit runs forward from it.
  almanac.SetObserver(At(2013, 12, 27, 14, 38, 24), 0, 0, 0);
  ASSERT_EQ(almanac.ComputeLookAngles(1, &el, &az, xyz), TAlmanac::kComputed);
  EXPECT_NEAR(xyz[0], 20104674.8, 1.0);
  EXPECT_NEAR(xyz[1], 13566738.2, 1.0);
  EXPECT_NEAR(xyz[2], -10993223.5, 1.0);
  EXPECT_NEAR(el * 180 / kPi, 38.171, 0.01);
  EXPECT_NEAR(az * 180 / kPi, 129.018, 0.01);
  almanac.SetObserver(t, 0, 0, 0);

  // Below the horizon of the load-report point: computed, but not shown.
  almanac.SetObserver(t, 55.651824076, 37.539215196, 248.274);
  ASSERT_EQ(almanac.ComputeLookAngles(1, &el, &az), TAlmanac::kComputed);
  EXPECT_NEAR(el * 180 / kPi, -2.153, 0.01);
  e8 = 99;
  EXPECT_EQ(almanac.GetSatellite(1, &e8, &a16), 0);
  EXPECT_EQ(e8, 99);
}

TEST_F(AlmanacTest, RisingSatelliteShowsZeroDegreesFirst) {
  LoadOne(sample::PublishedPrn1Week748());
  // From the report point the satellite rises at about 08:33 that day; the first second above
  // the horizon reads 0 degrees.
  int found = -1;
  for (int s = 0; s < 600 && found < 0; ++s) {
    const int second = 8 * 3600 + 30 * 60 + s;
    almanac.SetObserver(At(2013, 12, 26, second / 3600, second / 60 % 60, second % 60),
                        55.651824076, 37.539215196, 248.274);
    uint8_t el = 99;
    int16_t az = 0;
    if (almanac.GetSatellite(1, &el, &az)) {
      found = s;
      EXPECT_EQ(el, 0);
    }
  }
  EXPECT_GT(found, 0);
}

TEST(AlmanacAngles, AxesAndDegenerateObservers) {
  const double observer[3] = {6378137, 0, 0};
  double el = -1, az = -1;
  const double north[3] = {6378137, 0, 1000};
  ASSERT_TRUE(LookAnglesFrom(observer, north, &el, &az));
  EXPECT_EQ(az, 0);
  EXPECT_NEAR(el, 0, 1e-12);
  const double south[3] = {6378137, 0, -1000};
  ASSERT_TRUE(LookAnglesFrom(observer, south, &el, &az));
  EXPECT_DOUBLE_EQ(az, kPi);
  const double east[3] = {6378137, 1000, 0};
  ASSERT_TRUE(LookAnglesFrom(observer, east, &el, &az));
  EXPECT_DOUBLE_EQ(az, kPi / 2);
  const double west[3] = {6378137, -1000, 0};
  ASSERT_TRUE(LookAnglesFrom(observer, west, &el, &az));
  EXPECT_DOUBLE_EQ(az, 3 * kPi / 2);
  const double northWest[3] = {6378137, -1000, 1000};
  ASSERT_TRUE(LookAnglesFrom(observer, northWest, &el, &az));
  EXPECT_DOUBLE_EQ(az, 7 * kPi / 4);
  const double zenith[3] = {7000000, 0, 0};
  ASSERT_TRUE(LookAnglesFrom(observer, zenith, &el, &az));
  EXPECT_DOUBLE_EQ(el, kPi / 2);
  EXPECT_EQ(az, 0);

  // On the axis, or at the point itself: nothing is computed, the outputs stay.
  const double pole[3] = {0, 0, 6356752};
  el = az = 5;
  EXPECT_FALSE(LookAnglesFrom(pole, north, &el, &az));
  EXPECT_FALSE(LookAnglesFrom(observer, observer, &el, &az));
  EXPECT_EQ(el, 5);
  EXPECT_EQ(az, 5);
}

TEST_F(AlmanacTest, DamagedRecordsAndDatesGiveNoPosition) {
  const SYSTEMTIME t = At(2013, 12, 26, 14, 38, 24);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  sample::YumaAlmanac bad[4] = {sample::PublishedPrn1Week748(), sample::PublishedPrn1Week748(),
                                sample::PublishedPrn1Week748(), sample::PublishedPrn1Week748()};
  bad[0].eccentricity = 1;
  bad[1].sqrtA = nan;
  bad[2].sqrtA = 0;
  bad[3].meanAnomaly = nan;
  for (const sample::YumaAlmanac& a : bad) {
    LoadOne(a);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(At0(t), TAlmanac::kBadRecord);
    uint8_t el;
    int16_t az;
    EXPECT_EQ(almanac.GetSatellite(1, &el, &az), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  // An eccentricity just below 1 is accepted but Kepler's equation may not settle in the step
  // bound: either way the call returns.
  sample::YumaAlmanac nearOne = sample::PublishedPrn1Week748();
  nearOne.eccentricity = 0.9999;
  LoadOne(nearOne);
  const TAlmanac::LookResult r = At0(t);
  EXPECT_TRUE(r == TAlmanac::kComputed || r == TAlmanac::kBadRecord);

  LoadOne(sample::PublishedPrn1Week748());
  uint8_t el;
  int16_t az;
  for (const SYSTEMTIME& wrong :
       {At(2013, 13, 26, 14), At(2013, 0, 26, 14), At(2013, 12, 0, 14), At(2013, 12, 32, 14),
        At(1979, 12, 31, 14)}) {
    EXPECT_EQ(almanac.SetObserver(wrong, 0, 0, 0), 0);
    EXPECT_EQ(almanac.GetSatellite(1, &el, &az), 0);
  }
  almanac.SetObserver(t, 0, 0, 0);
  EXPECT_EQ(almanac.GetSatellite(1, &el, &az), 1);
}

TEST_F(AlmanacTest, SetObserverResultAndReferenceWindow) {
  Bytes f;
  sample::Append(f, sample::JpsDate(2013, 12, 26));
  sample::Append(f, sample::JpsAlmanac(Record(748, 400000)));
  sample::YumaAlmanac second = Record(748, 405504);
  second.prn = 2;
  sample::Append(f, sample::JpsAlmanac(second));
  ASSERT_TRUE(sample::WriteJps(harness::HostPath(L"\\w.jps"), f));
  ASSERT_EQ(almanac.Load("\\w.jps"), 1);
  EXPECT_EQ(almanac.GetMaxToa(), 405504);
  EXPECT_EQ(almanac.GetValidUntil(), 400000 + 172800);
  EXPECT_EQ(almanac.GetToaTime().wHour, 16);
  EXPECT_EQ(almanac.GetToaTime().wMinute, 38);
  EXPECT_EQ(almanac.GetToaTime().wSecond, 24);
  EXPECT_EQ(almanac.GetDate().wYear, 2013);
  EXPECT_EQ(almanac.GetDate().wMonth, 12);
  EXPECT_EQ(almanac.GetDate().wDay, 26);
  // Strictly between maxToa and validUntil, in seconds of the prediction's week.
  EXPECT_EQ(almanac.SetObserver(At(2013, 12, 26, 16, 38, 24), 0, 0, 0), 0);
  EXPECT_EQ(almanac.SetObserver(At(2013, 12, 26, 16, 38, 25), 0, 0, 0), 1);
  EXPECT_EQ(almanac.SetObserver(At(2013, 12, 26, 12, 0, 0), 0, 0, 0), 0);
}
