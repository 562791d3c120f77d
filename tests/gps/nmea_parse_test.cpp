// The sentence parser as a pure function: tables of lines and the records they leave.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "gps/echo_sounder.h"
#include "gps/gps_port.h"
#include "gps/nmea.h"

namespace {

// A line as the reader hands it on: '$', body, '*', the computed checksum, CR.
std::string Nmea(const std::string& body) {
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r", sum);
  return "$" + body + tail;
}

GpsFix Fresh() {
  GpsFix f{};
  f.latHemisphere = 'N';
  f.lonHemisphere = 'E';
  return f;
}

constexpr double kTol = 1e-8;

TEST(NmeaParse, PublishedRmcGgaGsaExamples) {
  GpsFix f = Fresh();
  ASSERT_EQ(ParseNmeaSentence(
                f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"),
            NmeaKind::Rmc);
  EXPECT_EQ(f.status, 'A');
  EXPECT_EQ(f.latDegrees, 48);
  EXPECT_NEAR(f.latMinutes, 7.038, kTol);
  EXPECT_EQ(f.latHemisphere, 'N');
  EXPECT_NEAR(f.latitude, 0.83980531, kTol);
  EXPECT_EQ(f.lonDegrees, 11);
  EXPECT_NEAR(f.lonMinutes, 31.0, kTol);
  EXPECT_EQ(f.lonHemisphere, 'E');
  EXPECT_NEAR(f.longitude, (11 + 31.0 / 60) / 180 * 3.14159265358979323846, kTol);
  EXPECT_NEAR(f.speed, 41.4848, kTol);
  EXPECT_NEAR(f.course, 84.4, kTol);
  EXPECT_EQ(f.utc.wHour, 12);
  EXPECT_EQ(f.utc.wMinute, 35);
  EXPECT_EQ(f.utc.wSecond, 19);
  EXPECT_EQ(f.utc.wDay, 23);
  EXPECT_EQ(f.utc.wMonth, 3);
  EXPECT_EQ(f.utc.wYear, 94);

  ASSERT_EQ(ParseNmeaSentence(
                f, "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"),
            NmeaKind::Gga);
  EXPECT_NEAR(f.altitude, 545.4, kTol);

  ASSERT_EQ(ParseNmeaSentence(f, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39"),
            NmeaKind::Gsa);
  EXPECT_EQ(f.fixMode, 3);
  EXPECT_FLOAT_EQ(f.pdop, 2.5f);
  EXPECT_FLOAT_EQ(f.hdop, 1.3f);
  EXPECT_FLOAT_EQ(f.vdop, 2.1f);
}

TEST(NmeaParse, SouthernAndWesternHemispheresAreNegative) {
  GpsFix f = Fresh();
  ASSERT_EQ(ParseNmeaSentence(
                f, "$GPRMC,081836,A,3345.6789,S,15112.5000,W,000.0,360.0,130998,011.3,E*73"),
            NmeaKind::Rmc);
  EXPECT_EQ(f.latDegrees, 33);
  EXPECT_NEAR(f.latMinutes, 45.6789, kTol);
  EXPECT_EQ(f.latHemisphere, 'S');
  EXPECT_NEAR(f.latitude, -0.58924611, kTol);
  EXPECT_EQ(f.lonDegrees, 151);
  EXPECT_NEAR(f.longitude, -2.63908327, kTol);
  EXPECT_EQ(f.utc.wYear, 98);
  // An empty hemisphere field counts as south or west, as the rule says.
  EXPECT_LT(NmeaRadians(10, 0, 0, 'N'), 0);
}

TEST(NmeaParse, VoidStatusKeepsPositionAndTimeUntilGsaRestoresPdop) {
  GpsFix f = Fresh();
  ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
  ParseNmeaSentence(f, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
  const GpsFix before = f;
  ASSERT_EQ(ParseNmeaSentence(f, "$GPRMC,123519,V,,,,,,,230394,,*33"), NmeaKind::Rmc);
  EXPECT_EQ(f.status, 'V');
  EXPECT_EQ(f.latitude, before.latitude);
  EXPECT_EQ(f.longitude, before.longitude);
  EXPECT_EQ(f.utc.wHour, before.utc.wHour);
  EXPECT_EQ(f.speed, 0);
  EXPECT_EQ(f.course, 0);
  EXPECT_EQ(f.pdop, -1.0f);
  ParseNmeaSentence(f, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
  EXPECT_FLOAT_EQ(f.pdop, 2.5f);
}

TEST(NmeaParse, EmptySpeedAndCourseKeepOldValues) {
  GpsFix f = Fresh();
  ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
  ASSERT_EQ(ParseNmeaSentence(f, Nmea("GPRMC,123520,A,4807.040,N,01131.000,E,,,230394,,").c_str()),
            NmeaKind::Rmc);
  EXPECT_NEAR(f.speed, 41.4848, kTol);
  EXPECT_NEAR(f.course, 84.4, kTol);
  EXPECT_EQ(f.utc.wSecond, 20);
}

TEST(NmeaParse, FixedWidthFieldsNeedWidthAndRange) {
  struct Case {
    const char* time;
    const char* date;
    bool timeTaken, dateTaken;
  } cases[] = {
      {"235960.5", "311299", true, true},  // leap second, last day of a month
      {"1235", "2303", false, false},      // short fields
      {"250000", "231394", false, false},  // hour 25, month 13
      {"126100", "000194", false, false},  // minute 61, day 0
      {"12a519", "23 394", false, false},  // not digits
  };
  for (const Case& c : cases) {
    GpsFix f = Fresh();
    f.utc = SYSTEMTIME{7, 7, 0, 7, 7, 7, 7, 0};
    const std::string body = std::string("GPRMC,") + c.time + ",A,4807.038,N,01131.000,E,1,2," +
                             c.date + ",,";
    ASSERT_EQ(ParseNmeaSentence(f, Nmea(body).c_str()), NmeaKind::Rmc) << body;
    EXPECT_EQ(f.utc.wHour != 7, c.timeTaken) << body;
    EXPECT_EQ(f.utc.wMonth != 7, c.dateTaken) << body;
  }
  // Too short a coordinate keeps the old one whole.
  GpsFix f = Fresh();
  ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
  ParseNmeaSentence(f, Nmea("GPRMC,123519,A,4,S,01,W,1,2,230394,,").c_str());
  EXPECT_EQ(f.latDegrees, 48);
  EXPECT_EQ(f.latHemisphere, 'N');
  EXPECT_EQ(f.lonDegrees, 11);
  EXPECT_GT(f.longitude, 0);
}

TEST(NmeaParse, LongLineSplitsOnFullWidthPositions) {
  // A time fraction long enough to push the later commas past position 255.
  const std::string body = "GPRMC,123519." + std::string(260, '5') +
                           ",A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
  const std::string line = Nmea(body);
  ASSERT_GT(line.size(), 280u);
  GpsFix f = Fresh();
  ASSERT_EQ(ParseNmeaSentence(f, line.c_str()), NmeaKind::Rmc);
  EXPECT_EQ(f.utc.wSecond, 19);
  EXPECT_NEAR(f.latitude, 0.83980531, kTol);
  EXPECT_NEAR(f.speed, 41.4848, kTol);
  EXPECT_EQ(f.utc.wDay, 23);
}

TEST(NmeaParse, GsvCycleClearsThenCompletesAndCountsUsedOnce) {
  GpsFix f = Fresh();
  f.satellites[30].inView = 1;  // left from an earlier cycle
  f.satellites[30].snr = 40;
  ASSERT_EQ(ParseNmeaSentence(
                f, Nmea("GPGSV,2,1,06,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45").c_str()),
            NmeaKind::Gsv);
  EXPECT_EQ(f.satellites[30].inView, 0);
  EXPECT_EQ(f.satellitesComplete, 0);
  EXPECT_EQ(f.satellitesUsed, 0);  // counted only once the cycle is complete
  EXPECT_EQ(f.satellites[12].azimuth, 344);
  EXPECT_EQ(f.satellites[14].snr, 45);
  ParseNmeaSentence(f, Nmea("GPGSV,2,2,06,20,91,100,30,21,10,050,").c_str());
  EXPECT_EQ(f.satellitesComplete, 1);
  EXPECT_EQ(f.satellites[20].elevation, 91);  // written, then out of view
  EXPECT_EQ(f.satellites[20].inView, 0);
  EXPECT_EQ(f.satellites[21].inView, 1);
  EXPECT_EQ(f.satellites[21].snr, 0);         // tracked without a signal
  EXPECT_EQ(f.satellitesUsed, 4);
}

TEST(NmeaParse, GsvOddPrnsAndLongCycles) {
  GpsFix f = Fresh();
  // An empty PRN marks nothing (slot 0 is no satellite); 40 and 257 are ignored (257 must not
  // land in slot 1); 346 degrees of elevation must not narrow into 90; a PRN that overflows is
  // no PRN.
  ParseNmeaSentence(f, Nmea("GPGSV,1,1,04,,10,100,20,40,10,100,20,257,10,100,20,05,346,1,2").c_str());
  EXPECT_EQ(f.satellites[0].inView, 0);
  EXPECT_EQ(f.satellites[1].inView, 0);
  EXPECT_EQ(f.satellites[8].inView, 0);
  EXPECT_EQ(f.satellites[5].inView, 0);
  EXPECT_EQ(f.satellitesComplete, 1);
  EXPECT_EQ(f.satellitesUsed, 0);
  ParseNmeaSentence(f, Nmea("GPGSV,1,1,01," + std::string(40, '9') + ",10,100,20").c_str());
  for (const SatelliteSlot& s : f.satellites) EXPECT_EQ(s.inView, 0);

  // Twelve messages: "1" of "12" must not complete the cycle, nor "10" restart it.
  GpsFix g = Fresh();
  for (int n = 1; n <= 12; ++n) {
    char body[80];
    std::snprintf(body, sizeof body, "GPGSV,12,%d,48,%02d,45,100,30", n, n);
    ParseNmeaSentence(g, Nmea(body).c_str());
    EXPECT_EQ(g.satellitesComplete, n == 12 ? 1 : 0) << n;
  }
  EXPECT_EQ(g.satellites[1].inView, 1);  // message 10 did not clear the table
  EXPECT_EQ(g.satellitesUsed, 12);
}

TEST(NmeaParse, ChecksumRules) {
  EXPECT_EQ(HexByte("6A"), 0x6A);
  EXPECT_EQ(HexByte("6a"), 255);
  EXPECT_EQ(HexByte("G0"), 255);
  EXPECT_EQ(HexByte(""), 255);  // stops at the terminator
  const char* rejected[] = {
      "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*3A",  // wrong sum
      "$GPRMC,123519,V,,,,,,,230394,,*3a",                // lower-case, wrong digit
      "$GPRMC,123519,V,,,,,,,230394,,33",                 // no '*'
      "$GPRMC,123519,V,,,,,,,230394,,*",                  // '*' last
      "$GPRMC,123519,V,,,,,,,230394,,*3",                 // one digit
      "$GPRMC*00",                                        // '*' before position 9
      "GPRMC,123519,V,,,,,,,230394,,*33",                 // no '$'
      "$GP",                                              // under 10 bytes
      "",
  };
  for (const char* line : rejected) EXPECT_FALSE(NmeaChecksumOk(line)) << line;
  EXPECT_TRUE(NmeaChecksumOk("$GPRMC,123519,V,,,,,,,230394,,*33"));
  // Lower-case digits fail even when they spell the right sum.
  EXPECT_TRUE(NmeaChecksumOk(
      "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"));
  EXPECT_FALSE(NmeaChecksumOk(
      "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a"));

  // An 8-bit line whose sum is 0xFF must not pass with "*GG" (HexByte's 255).
  std::string body = "GPXDR,A,1.0,M,X";
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  body += char(sum ^ 0xFF);
  EXPECT_TRUE(NmeaChecksumOk(("$" + body + "*FF").c_str()));
  EXPECT_FALSE(NmeaChecksumOk(("$" + body + "*GG").c_str()));
}

TEST(NmeaParse, DispatchAndGuards) {
  GpsFix f = Fresh();
  ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
  const GpsFix before = f;
  // Known kinds that fail their guard are still taken (the port publishes) but change nothing,
  // and refresh no fix.
  bool fresh = true;
  EXPECT_EQ(ParseNmeaSentence(f, Nmea("GPRMC,1,A,2,N,3,E,4,5").c_str(), &fresh), NmeaKind::Rmc);
  EXPECT_FALSE(fresh);
  EXPECT_EQ(ParseNmeaSentence(f, Nmea("GPGSA,A,3,04,05").c_str()), NmeaKind::Gsa);
  EXPECT_EQ(ParseNmeaSentence(f, Nmea("GPGSV,1,1,01").c_str()), NmeaKind::Gsv);
  EXPECT_EQ(ParseNmeaSentence(f, Nmea("GNGNS,1,2,N,3,E,AA,10,0.9").c_str()), NmeaKind::Gns);
  EXPECT_EQ(f.latitude, before.latitude);
  EXPECT_EQ(f.longitude, before.longitude);
  EXPECT_EQ(f.utc.wSecond, before.utc.wSecond);
  EXPECT_EQ(f.speed, before.speed);
  EXPECT_EQ(f.altitude, before.altitude);
  EXPECT_EQ(f.fixMode, before.fixMode);
  EXPECT_EQ(f.satellitesComplete, before.satellitesComplete);
  // Kinds we do not read are not taken at all.
  for (const char* body : {"GLGSV,1,1,01,65,40,100,30", "GPVTG,084.4,T,,M,022.4,N,041.5,K",
                           "GPGNS,123519,4807.038,N,01131.000,E,AA,10,0.9,545.4,46.9,,"}) {
    EXPECT_EQ(ParseNmeaSentence(f, Nmea(body).c_str()), NmeaKind::None) << body;
  }
  EXPECT_EQ(TGpsPort::ParseSentence(&f, Nmea("GPVTG,084.4,T,,M,022.4,N,041.5,K").c_str()), 0);
  EXPECT_EQ(TGpsPort::ParseSentence(&f, Nmea("GNRMC,123519,V,,,,,,,230394,,").c_str()), 1);

  // GNS altitude; GSA without an 18th comma reads its last field up to '*'; a mode that is not
  // a digit is not taken.
  ParseNmeaSentence(f, Nmea("GNGNS,123519,4807.038,N,01131.000,E,AA,10,0.9,-12.5,46.9,,").c_str());
  EXPECT_NEAR(f.altitude, -12.5, kTol);
  ParseNmeaSentence(f, Nmea("GNGSA,A" + std::string(14, ',') + "1.5,0.8,1.1,1").c_str());
  EXPECT_EQ(f.fixMode, before.fixMode);
  EXPECT_FLOAT_EQ(f.vdop, 1.1f);
}

TEST(NmeaParse, BadNumbersAreNoValuesAndGarbageIsSafe) {
  GpsFix f = Fresh();
  f.altitude = 101.5;
  ParseNmeaSentence(f, Nmea("GPGGA,1,2,N,3,E,1,08,0.9,abc,M,46.9,M,,").c_str());
  EXPECT_EQ(f.altitude, 101.5) << "text is no height";
  ParseNmeaSentence(f, Nmea("GPGGA,1,2,N,3,E,1,08,0.9, +7.25m,M,46.9,M,,").c_str());
  EXPECT_EQ(f.altitude, 7.25);
  // Not finite, or too large for a double: no value, the altitude stays.
  ParseNmeaSentence(f, Nmea("GPGGA,1,2,N,3,E,1,08,0.9,nan,M,46.9,M,,").c_str());
  EXPECT_EQ(f.altitude, 7.25);
  ParseNmeaSentence(f, Nmea("GPGGA,1,2,N,3,E,1,08,0.9,-" + std::string(400, '9') + ",M,,,,").c_str());
  EXPECT_EQ(f.altitude, 7.25);
  // A fraction too small for a double is 0, not an overflow.
  ParseNmeaSentence(f, Nmea("GPGGA,1,2,N,3,E,1,08,0.9,0." + std::string(400, '0') + "1,M,,,,").c_str());
  EXPECT_EQ(f.altitude, 0);
  // 8-bit garbage, commas and stars in every position: never a crash, nothing outside the fix.
  std::string junk = "$GPGSV";
  for (int i = 1; i < 700; ++i) junk += i % 7 == 0 ? ',' : char(0x80 | (i * 37 % 128) | 1);
  ParseNmeaSentence(f, Nmea(junk.substr(1)).c_str());
  ParseNmeaSentence(f, junk.c_str());
}

// What receivers send when they do not know a value: empty fields. Each line is parsed over the
// record of one whole epoch (position, height, dilutions, a satellite cycle) and must leave every
// value it has no digits for as that epoch left it; the expected values are the epoch's own.
TEST(NmeaParse, EmptyFieldsAreNoValues) {
  GpsFix epoch = Fresh();
  for (const char* line :
       {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
        "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39"})
    ASSERT_NE(ParseNmeaSentence(epoch, line), NmeaKind::None) << line;
  ASSERT_EQ(ParseNmeaSentence(epoch, Nmea("GPGSV,1,1,02,07,40,083,46,09,17,308,41").c_str()),
            NmeaKind::Gsv);
  ASSERT_EQ(epoch.satellitesUsed, 2);
  // After a port open: no fix, no position.
  GpsFix opened = epoch;
  opened.status = 'V';
  opened.latitude = opened.longitude = 0;
  opened.latDegrees = opened.lonDegrees = 0;
  opened.utc.wHour = opened.utc.wMinute = opened.utc.wSecond = 0;

  enum Start { kEpoch, kOpened };
  struct Case {
    const char* body;
    Start start;
    bool fresh;  // the line makes a fix
    std::function<void(const GpsFix& before, const GpsFix& after)> check;
  };
  const auto unchanged = [](const GpsFix& b, const GpsFix& a) {
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.latitude, b.latitude);
    EXPECT_EQ(a.longitude, b.longitude);
    EXPECT_EQ(a.utc.wHour, b.utc.wHour);
    EXPECT_EQ(a.utc.wSecond, b.utc.wSecond);
    EXPECT_EQ(a.speed, b.speed);
    EXPECT_EQ(a.altitude, b.altitude);
    EXPECT_EQ(a.pdop, b.pdop);
  };
  const Case cases[] = {
      // A valid status without a position, or with half of one, is no fix at the origin.
      {"GPRMC,123520,A,,,,,022.4,084.4,230394,,", kOpened, false, unchanged},
      {"GPRMC,123520,A,48,N,01131.000,E,022.4,084.4,230394,,", kOpened, false, unchanged},
      {"GPRMC,123520,A,4807.040,,01131.000,E,022.4,084.4,230394,,", kOpened, false, unchanged},
      {"GPRMC,123520,A,4807.040,N,01131.000,,022.4,084.4,230394,,", kOpened, false, unchanged},
      // ... nor one without its time: it would be stamped "00:00:00".
      {"GPRMC,,A,4807.040,N,01131.000,E,022.4,084.4,230394,,", kOpened, false, unchanged},
      // Speed and course with no digits keep theirs; the position is new.
      {"GPRMC,123520,A,4807.040,N,01131.000,E,abc,-,230394,,", kEpoch, true,
       [](const GpsFix& b, const GpsFix& a) {
         EXPECT_NEAR(a.latMinutes, 7.040, kTol);
         EXPECT_EQ(a.utc.wSecond, 20);
         EXPECT_EQ(a.speed, b.speed);
         EXPECT_EQ(a.course, b.course);
       }},
      // Dilutions and heights of a receiver without a fix.
      {"GPGSA,A,1,,,,,,,,,,,,,,,", kEpoch, false,
       [](const GpsFix& b, const GpsFix& a) {
         EXPECT_EQ(a.fixMode, 1);
         EXPECT_EQ(a.pdop, b.pdop);
         EXPECT_EQ(a.hdop, b.hdop);
         EXPECT_EQ(a.vdop, b.vdop);
       }},
      {"GPGGA,123520,,,,,0,00,,,M,,M,,", kEpoch, false, unchanged},
      {"GNGNS,123520,,,,,NN,00,,,,,", kEpoch, false, unchanged},
      // A satellite tracked without an orbit yet: in view, its signal taken, its direction the
      // slot's last; an empty ratio is "not tracked".
      {"GPGSV,1,1,02,07,,,35,09,17,308,", kEpoch, false,
       [](const GpsFix&, const GpsFix& a) {
         EXPECT_EQ(a.satellites[7].inView, 1);
         EXPECT_EQ(a.satellites[7].elevation, 40);
         EXPECT_EQ(a.satellites[7].azimuth, 83);
         EXPECT_EQ(a.satellites[7].snr, 35);
         EXPECT_EQ(a.satellites[9].inView, 1);
         EXPECT_EQ(a.satellites[9].snr, 0);
         EXPECT_EQ(a.satellitesUsed, 1);
       }},
      // A PRN that is no number is no satellite (it is not slot 0).
      {"GPGSV,1,1,01,xx,10,100,20", kEpoch, false,
       [](const GpsFix&, const GpsFix& a) {
         for (const SatelliteSlot& s : a.satellites) EXPECT_EQ(s.inView, 0);
         EXPECT_EQ(a.satellitesUsed, 0);
       }},
      // No satellite in view at all, with and without a signal id: a whole, empty cycle.
      {"GPGSV,1,1,00", kEpoch, false,
       [](const GpsFix&, const GpsFix& a) {
         for (const SatelliteSlot& s : a.satellites) EXPECT_EQ(s.inView, 0);
         EXPECT_EQ(a.satellitesComplete, 1);
         EXPECT_EQ(a.satellitesUsed, 0);
       }},
      {"GNGSV,1,1,00,1", kEpoch, false,
       [](const GpsFix&, const GpsFix& a) {
         for (const SatelliteSlot& s : a.satellites) EXPECT_EQ(s.inView, 0);
         EXPECT_EQ(a.satellitesComplete, 1);
         EXPECT_EQ(a.satellitesUsed, 0);
       }},
  };
  for (const Case& c : cases) {
    const GpsFix before = c.start == kEpoch ? epoch : opened;
    GpsFix after = before;
    bool fresh = !c.fresh;
    const std::string line = Nmea(c.body);
    ASSERT_NE(ParseNmeaSentence(after, line.c_str(), &fresh), NmeaKind::None) << line;
    EXPECT_EQ(fresh, c.fresh) << line;
    SCOPED_TRACE(line);
    c.check(before, after);
  }
  // Only "$GPGSV,1,1,00" says "none": a short line that names satellites is still too short.
  GpsFix g = epoch;
  ParseNmeaSentence(g, Nmea("GPGSV,1,1,03").c_str());
  EXPECT_EQ(g.satellites[7].inView, 1);
  EXPECT_EQ(g.satellitesUsed, 2);
  // The empty cycle ends its epoch as any last GSV message does.
  EXPECT_EQ(NmeaEpochBoundary(Nmea("GPGSV,1,1,00").c_str()), NmeaEpochEnd::After);

  // The sounder that lost the bottom sends every depth field empty: no depth at all.
  float depth = 3.7f;
  for (const char* body : {"SDDBT,,f,,M,,F", "SDDBT,12.3,f,,M,2.0,F", "SDDBT,12.3,f,M,M,2.0,F"}) {
    EXPECT_FALSE(ParseDepthSentence(Nmea(body).c_str(), &depth)) << body;
    EXPECT_EQ(depth, 3.7f) << body;
  }
}

TEST(NmeaParse, CommaDecimalLocaleChangesNothing) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "ru_RU.UTF-8", "ru_RU.utf8", "fr_FR.UTF-8"};
  const char* taken = nullptr;
  for (const char* n : names) {
    if (std::setlocale(LC_NUMERIC, n)) {
      taken = n;
      break;
    }
  }
  if (!taken) GTEST_SKIP() << "no comma-decimal locale installed";
  GpsFix f = Fresh();
  ParseNmeaSentence(f, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
  ParseNmeaSentence(f, "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
  float depth = 0;
  ParseDepthSentence("$SDDBT,12.3,f,3.7,M,2.0,F*30", &depth);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_NEAR(f.latMinutes, 7.038, kTol);
  EXPECT_NEAR(f.speed, 41.4848, kTol);
  EXPECT_FLOAT_EQ(f.hdop, 1.3f);
  EXPECT_FLOAT_EQ(depth, 3.7f);
}

TEST(NmeaParse, DepthSentences) {
  float depth = -1;
  EXPECT_TRUE(ParseDepthSentence("$SDDBT,12.3,f,3.7,M,2.0,F*30", &depth));
  EXPECT_EQ(depth, 3.7f);
  EXPECT_TRUE(ParseDepthSentence("$SDDBT,7.8,f,2.4,M,1.3,F*0D\r", &depth));
  EXPECT_EQ(depth, 2.4f);
  EXPECT_FALSE(ParseDepthSentence(Nmea("SDDBT,7.8,f,9.9,M,1.3").c_str(), &depth));  // 5 commas
  EXPECT_FALSE(ParseDepthSentence("$SDDBT,12.3,f,3.7,M,2.0,F*31", &depth));        // bad sum
  EXPECT_FALSE(ParseDepthSentence(Nmea("SDDPT,5.5,0.0,").c_str(), &depth));
  EXPECT_EQ(depth, 2.4f);
  EXPECT_EQ(EchoPortName(3), L"com3:");
}

}  // namespace
