// Whole epochs as multi-GNSS receivers print them, and the values no receiver sends: impossible
// positions and numbers that overflow their field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "gps/echo_sounder.h"
#include "gps/nmea.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// '$', the body, '*', the XOR of the body's bytes in upper-case hexadecimal, CR: a line as the
// reader hands it on.
std::string Line(const std::string& body) {
  unsigned sum = 0;
  for (unsigned char c : body) sum ^= c;
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r", sum);
  return "$" + body + tail;
}

// A fix left over from an earlier session: stale altitude, count and table.
GpsFix Stale() {
  GpsFix f{};
  f.status = 'V';
  f.altitude = 120.0;
  f.satellitesUsed = 1;
  f.satellites[0] = {1, 10, 100, 0};
  f.satellites[9] = {1, 40, 200, 45};
  return f;
}

struct Epoch {
  const char* receiver;
  std::vector<std::string> bodies;
  // What the fix must hold after the epoch.
  int latDegrees;
  double latMinutes;
  int lonDegrees;
  double lonMinutes;
  double altitude;
  float pdop;
  int used;
  std::set<int> inView;
  int prn;  // one satellite's signal-to-noise ratio, as its first signal gave it
  int snr;
};

// GSV body of a receiver that pads its last message to four groups with empty fields.
std::string Padded(const std::string& head, int groups) {
  std::string s = head;
  for (int i = groups; i < 4; ++i) s += ",,,,";
  return s;
}

const Epoch kEpochs[] = {
    {// Dual-frequency receiver, NMEA 4.11: GN talkers, system id in GSA, one GSV cycle per
     // signal (1 = L1 C/A, then 6 = L2 CL) with the signal id last; SBAS 36 in the GPS list.
     "dual-frequency, NMEA 4.11",
     {"GNRMC,092725.00,A,4717.11399,N,00833.91590,E,0.004,77.52,280324,,,A,V",
      "GNGGA,092725.00,4717.11399,N,00833.91590,E,1,12,0.59,499.6,M,48.0,M,,",
      "GNGSA,A,3,05,07,13,14,15,17,19,30,,,,,1.02,0.59,0.83,1",
      "GNGSA,A,3,65,66,72,87,88,,,,,,,,1.02,0.59,0.83,2",
      "GPGSV,3,1,11,05,38,211,44,07,29,116,41,13,71,300,47,14,45,054,43,1",
      "GPGSV,3,2,11,15,20,146,38,17,09,325,33,19,12,282,35,24,03,020,,1",
      "GPGSV,3,3,11,28,06,179,,30,66,091,46,36,31,151,40,1",
      "GPGSV,2,1,06,05,38,211,39,07,29,116,,13,71,300,42,14,45,054,,6",
      "GPGSV,2,2,06,15,20,146,,30,66,091,41,6",
      "GLGSV,2,1,06,65,42,070,40,66,61,330,44,72,11,031,30,87,25,268,38,1",
      "GLGSV,2,2,06,88,58,200,42,81,05,150,,1",
      "GAGSV,1,1,03,02,38,050,42,11,55,301,45,36,20,110,39,7",
      "GNGLL,4717.11399,N,00833.91590,E,092725.00,A,A"},
     47, 17.11399, 8, 33.91590, 499.6, 1.02f, 8,
     {5, 7, 13, 14, 15, 17, 19, 24, 28, 30}, 5, 44},
    {// Single-frequency GPS and GLONASS chipset, NMEA 3.01: GN talkers, no signal ids, the
     // last GSV message padded with empty groups.
     "GPS+GLONASS, NMEA 3.01",
     {"GNRMC,101530.000,A,5545.2213,N,03737.4701,E,0.12,181.40,150624,,,A",
      "GNVTG,181.40,T,,M,0.12,N,0.22,K,A",
      "GNGGA,101530.000,5545.2213,N,03737.4701,E,1,9,0.92,156.3,M,14.4,M,,",
      "GNGSA,A,3,02,05,12,13,15,18,25,29,,,,,1.61,0.92,1.32",
      "GNGSA,A,3,70,71,80,,,,,,,,,,1.61,0.92,1.32",
      "GPGSV,3,1,10,02,32,304,28,05,23,060,31,12,60,233,40,13,09,026,22",
      "GPGSV,3,2,10,15,38,181,35,18,21,122,29,25,55,092,42,29,19,271,33",
      Padded("GPGSV,3,3,10,24,05,152,,31,02,330,", 2),
      "GLGSV,2,1,05,70,45,120,36,71,33,200,30,80,62,310,41,79,12,020,",
      Padded("GLGSV,2,2,05,86,08,260,", 1)},
     55, 45.2213, 37, 37.4701, 156.3, 1.61f, 8,
     {2, 5, 12, 13, 15, 18, 24, 25, 29, 31}, 13, 22},
};

TEST(NmeaReceivers, MultiGnssEpochsLeaveTheFirstSignalsFix) {
  for (const Epoch& e : kEpochs) {
    SCOPED_TRACE(e.receiver);
    GpsFix f = Stale();
    for (const std::string& body : e.bodies) ParseNmeaSentence(f, Line(body).c_str());
    EXPECT_EQ(f.status, 'A');
    EXPECT_EQ(f.latDegrees, e.latDegrees);
    EXPECT_NEAR(f.latMinutes, e.latMinutes, 1e-9);
    EXPECT_NEAR(f.latitude, (e.latDegrees + e.latMinutes / 60) * kPi / 180, 1e-12);
    EXPECT_EQ(f.lonDegrees, e.lonDegrees);
    EXPECT_NEAR(f.lonMinutes, e.lonMinutes, 1e-9);
    EXPECT_NEAR(f.altitude, e.altitude, 1e-9);  // from "$GNGGA"
    EXPECT_FLOAT_EQ(f.pdop, e.pdop);
    EXPECT_EQ(f.fixMode, 3);
    EXPECT_EQ(f.satellitesComplete, 1);
    EXPECT_EQ(f.satellitesUsed, e.used);
    std::set<int> seen;
    for (int prn = 0; prn < kSatelliteSlots; ++prn)
      if (f.satellites[prn].inView) seen.insert(prn);
    EXPECT_EQ(seen, e.inView);
    EXPECT_EQ(f.satellites[e.prn].snr, e.snr);
  }
}

TEST(NmeaReceivers, SecondSignalCyclesNeitherClearNorComplete) {
  GpsFix f{};
  // An epoch cut after the first L1 message: the L2 cycle that follows must not complete it.
  ParseNmeaSentence(f, Line("GPGSV,2,1,05,05,38,211,44,07,29,116,41,13,71,300,47,14,45,054,43,1").c_str());
  ParseNmeaSentence(f, Line("GPGSV,1,1,02,05,38,211,39,13,71,300,42,6").c_str());
  EXPECT_EQ(f.satellitesComplete, 0);
  EXPECT_EQ(f.satellites[7].inView, 1);
  EXPECT_EQ(f.satellites[5].snr, 44);
  ParseNmeaSentence(f, Line("GPGSV,2,2,05,15,20,146,38,1").c_str());
  EXPECT_EQ(f.satellitesComplete, 1);
  EXPECT_EQ(f.satellitesUsed, 5);
  // A GGA with the GN talker is read; one of another talker is not.
  EXPECT_EQ(ParseNmeaSentence(f, Line("GNGGA,092726.00,4717.11399,N,00833.91590,E,1,12,0.59,"
                                       "501.2,M,48.0,M,,").c_str()),
            NmeaKind::Gga);
  EXPECT_NEAR(f.altitude, 501.2, 1e-9);
  EXPECT_EQ(ParseNmeaSentence(f, Line("GLGGA,092727.00,4717.11399,N,00833.91590,E,1,12,0.59,"
                                       "600.0,M,48.0,M,,").c_str()),
            NmeaKind::None);
  EXPECT_NEAR(f.altitude, 501.2, 1e-9);
}

TEST(NmeaReceivers, ImpossiblePositionsChangeNothing) {
  struct Case {
    std::string lat, latHemisphere, lon, lonHemisphere;
    bool taken;
    double latDegrees, lonDegrees;  // signed, when taken
  } cases[] = {
      {"9500.000", "N", "03730.000", "E", false, 0, 0},
      {"4860.000", "N", "03730.000", "E", false, 0, 0},  // minutes 60
      {"4859.9999", "N", "03730.000", "E", true, 48 + 59.9999 / 60, 37.5},
      {"9000.000", "S", "03730.000", "E", true, -90, 37.5},  // the pole itself
      {"9000.001", "N", "03730.000", "E", false, 0, 0},
      {"5545.000", "N", "18000.000", "W", true, 55.75, -180},
      {"5545.000", "N", "18000.010", "W", false, 0, 0},
      {"5545.000", "N", "19000.000", "E", false, 0, 0},
      {"5545.000", "N", "03760.500", "E", false, 0, 0},
      {"4a07.038", "N", "03730.000", "E", false, 0, 0},
      {"48-7.038", "N", "03730.000", "E", false, 0, 0},  // negative minutes
      {"48" + std::string(400, '7'), "N", "03730.000", "E", false, 0, 0},
  };
  for (const Case& c : cases) {
    GpsFix f{};
    ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    ParseNmeaSentence(f, Line("GPRMC,123520,V,,,,,,,230394,,").c_str());
    const GpsFix before = f;
    const std::string body = "GPRMC,130000,A," + c.lat + "," + c.latHemisphere + "," + c.lon +
                             "," + c.lonHemisphere + ",001.0,090.0,240394,,";
    SCOPED_TRACE(body.substr(0, 60));
    bool fresh = !c.taken;
    ASSERT_EQ(ParseNmeaSentence(f, Line(body).c_str(), &fresh), NmeaKind::Rmc);
    // Only a position taken refreshes the fix (the port counts its age from it).
    EXPECT_EQ(fresh, c.taken);
    if (c.taken) {
      EXPECT_EQ(f.status, 'A');
      EXPECT_NEAR(f.latitude, c.latDegrees * kPi / 180, 1e-12);
      EXPECT_NEAR(f.longitude, c.lonDegrees * kPi / 180, 1e-12);
      EXPECT_EQ(f.utc.wHour, 13);
    } else {
      EXPECT_EQ(f.status, 'V');
      EXPECT_EQ(f.latitude, before.latitude);
      EXPECT_EQ(f.longitude, before.longitude);
      EXPECT_EQ(f.latDegrees, before.latDegrees);
      EXPECT_EQ(f.latMinutes, before.latMinutes);
      EXPECT_EQ(f.lonDegrees, before.lonDegrees);
      EXPECT_EQ(f.lonHemisphere, before.lonHemisphere);
      EXPECT_EQ(f.utc.wHour, before.utc.wHour);
      EXPECT_EQ(f.utc.wDay, before.utc.wDay);
      EXPECT_EQ(f.speed, before.speed);
      EXPECT_EQ(f.course, before.course);
    }
  }
}

TEST(NmeaReceivers, NumbersThatOverflowAreNoValues) {
  const std::string huge = std::string(400, '9');           // beyond a double
  const std::string beyondFloat = "1" + std::string(39, '0');  // 1e39: a double, not a float
  GpsFix f{};
  ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
  ParseNmeaSentence(f, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");

  struct Case {
    std::string body;
    double speed, course;
    float pdop, hdop, vdop;
  } cases[] = {
      {"GPRMC,123520,A,4807.038,N,01131.000,E," + huge + "," + huge + ",230394,,", 41.4848, 84.4,
       2.5f, 1.3f, 2.1f},
      {"GPRMC,123521,A,4807.038,N,01131.000,E,nan,inf,230394,,", 41.4848, 84.4, 2.5f, 1.3f, 2.1f},
      {"GPGSA,A,3,04,05,,09,12,,,24,,,,," + beyondFloat + ",1.4," + beyondFloat, 41.4848, 84.4,
       2.5f, 1.4f, 2.1f},
      {"GPGSA,A,3,04,05,,09,12,,,24,,,,,inf,-" + beyondFloat + ",2.2", 41.4848, 84.4, 2.5f, 1.4f,
       2.2f},
      {"GPRMC,123522,A,4807.038,N,01131.000,E,010.0,,230394,,", 18.52, 84.4, 2.5f, 1.4f, 2.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 70));
    ParseNmeaSentence(f, Line(c.body).c_str());
    EXPECT_NEAR(f.speed, c.speed, 1e-9);
    EXPECT_NEAR(f.course, c.course, 1e-9);
    EXPECT_FLOAT_EQ(f.pdop, c.pdop);
    EXPECT_FLOAT_EQ(f.hdop, c.hdop);
    EXPECT_FLOAT_EQ(f.vdop, c.vdop);
    EXPECT_TRUE(std::isfinite(f.speed) && std::isfinite(f.pdop) && std::isfinite(f.vdop));
  }

  // A depth that would be recorded into the working map: no reading, the last one stays.
  float depth = 2.4f;
  for (const std::string& field : {beyondFloat, huge, std::string("inf"), std::string("nan")}) {
    EXPECT_FALSE(ParseDepthSentence(Line("SDDBT,7.8,f," + field + ",M,1.3,F").c_str(), &depth))
        << field;
    EXPECT_EQ(depth, 2.4f);
  }
  EXPECT_TRUE(ParseDepthSentence(Line("SDDBT,42.3,f,12.9,M,7.0,F").c_str(), &depth));
  EXPECT_EQ(depth, 12.9f);
}

}  // namespace

namespace {

// Where each line of the receivers' epochs above stands for the epoch's end: the RMC opens an
// epoch (the one before ended), the last message of the first signal's GPS cycle closes it; the
// second signal's cycle, other systems' cycles and damaged lines decide nothing.
TEST(NmeaReceivers, AnEpochEndsWithItsFirstSignalsSatelliteCycle) {
  const struct {
    std::string line;
    NmeaEpochEnd end;
  } rows[] = {
      {Line(kEpochs[0].bodies[0]), NmeaEpochEnd::Before},   // GNRMC
      {Line(kEpochs[0].bodies[1]), NmeaEpochEnd::None},     // GNGGA
      {Line(kEpochs[0].bodies[4]), NmeaEpochEnd::None},     // GPGSV 3,1 signal 1
      {Line(kEpochs[0].bodies[6]), NmeaEpochEnd::After},    // GPGSV 3,3 signal 1
      {Line(kEpochs[0].bodies[8]), NmeaEpochEnd::None},     // GPGSV 2,2 signal 6
      {Line(kEpochs[0].bodies[10]), NmeaEpochEnd::None},    // GLGSV 2,2
      {Line(kEpochs[1].bodies[0]), NmeaEpochEnd::Before},   // GNRMC
      {Line(kEpochs[1].bodies[7]), NmeaEpochEnd::After},    // padded GPGSV 3,3
      {Line("GPGSV,1,1,01,07,29,116,41"), NmeaEpochEnd::After},
      {Line("GPGSV,3,4,10,07,29,116,41"), NmeaEpochEnd::None},  // no such message
      {Line("GPGSV,0,0,00"), NmeaEpochEnd::None},
      {"$GPRMC,101530.000,A,5545.2213,N,03737.4701,E,0.12,181.40,150624,,,A*00\r",
       NmeaEpochEnd::None},  // bad checksum: not a sentence at all
      {"", NmeaEpochEnd::None},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(NmeaEpochBoundary(row.line.c_str()), row.end);
  }
}

}  // namespace
