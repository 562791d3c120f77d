// The fix record and the NMEA 0183 sentence parser.
//
// A parse is a pure function of one line and the record it updates: no locks, no threads, no
// allocation, no locale. The GPS port runs it on its reader thread over the working copy of the
// fix and publishes the copy afterwards; tests drive it directly with tables of sentences.
//
// Invariants of the parser:
//   - It never reads past the line's terminating zero and never writes outside the record.
//   - A line is taken only with a good checksum: '$' first, at least 10 characters, the first
//     '*' at position 9 or later and followed by two upper-case hexadecimal digits that equal the
//     XOR of everything between '$' and '*'.
//   - Fields are found by comma positions over the full line, so a line of any length splits
//     right (a long time fraction does not shift the fields after it).
//   - Numbers parse as a C-locale prefix ("12.5xyz" is 12.5), whatever the process locale says.
//     A field without digits (empty, as receivers send what they do not know, or text), a number
//     that overflows its field's type, or one that is not finite ("nan", "inf") is no value: the
//     field keeps what it held. It never reads as 0, which would be a measurement (a depth of
//     0 m, a height of 0 m) that nobody made. The one exception is a satellite's empty signal
//     ratio, which the sentence defines as "not tracked", the table's 0.
//   - Fixed-width fields (time, date) are taken only when they are wide enough and in range;
//     otherwise the previous values stay.
//   - A valid RMC whose position is missing (a field too short for its degrees, no minutes, no
//     hemisphere letter) or that no receiver reports (latitude beyond 90 degrees, longitude
//     beyond 180, degrees that are not digits, minutes negative or 60 and more), or whose time
//     is missing or out of range, changes nothing at all, its status letter included: it gives
//     no fix.
//   - A GSV of no satellite in view ("$GPGSV,1,1,00") is a whole cycle: it empties the table.
//   - A GSV satellite group with an empty PRN marks nothing; of the per-signal GSV cycles of
//     newer receivers only the first signal's (signal id 1, or none) is read.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// One satellite of the table, indexed by PRN.
struct SatelliteSlot {
  int32_t inView;      // 0 / 1
  uint8_t elevation;   // degrees
  uint16_t azimuth;    // degrees
  uint8_t snr;         // dB-Hz, 0 when not tracked
};

inline constexpr int kSatelliteSlots = 33;  // PRN 0..32

// The current fix as the receiver last told it. Never written to a file or a wire.
struct GpsFix {
  char status;            // 'A' valid fix, 'V' none
  double latitude;        // radians, negative south
  int32_t latDegrees;     // as sent, unsigned
  double latMinutes;
  char latHemisphere;     // 'N', 'S' as sent
  double longitude;       // radians, negative west
  int32_t lonDegrees;
  double lonMinutes;
  char lonHemisphere;     // 'E', 'W'
  double speed;           // km/h over ground
  double course;          // degrees as sent
  double altitude;        // metres as sent
  SYSTEMTIME utc;         // year holds the two digits as sent; day of week and ms unset
  uint8_t fixMode;        // 1 none, 2 2D, 3 3D
  int32_t satellitesUsed; // in view with a signal above 0, counted when a GSV cycle completes
  float pdop;             // -1 while the status is not 'A'
  float hdop;
  float vdop;
  int32_t satellitesComplete;  // 1 after the last message of a GSV cycle
  SatelliteSlot satellites[kSatelliteSlots];
};

// The byte that two characters spell in upper-case hexadecimal, or 255 when either is not
// '0'-'9' or 'A'-'F'. Stops at a terminating zero (the second character is then not read).
uint8_t HexByte(const char* twoChars);

// True when the line carries a good checksum (see the invariants above). Lower-case digits and
// anything but two hexadecimal digits after '*' fail.
bool NmeaChecksumOk(const char* line);

// Comma positions of one line, as ints over the full line. Field k (k >= 1) lies strictly
// between comma k-1 and comma k (commas counted from 0); when fewer commas than the maximum were
// found, the line's end stands in for the missing comma after the last field.
class NmeaFields {
 public:
  // The most commas located; a GSV message of four satellites has 19 (20 with the signal id of
  // newer receivers), so this limits no sentence we read.
  static constexpr int kMaxCommas = 29;

  explicit NmeaFields(const char* line);
  int commas() const { return count_; }
  bool Has(int k) const;
  const char* Begin(int k) const { return line_ + pos_[k - 1] + 1; }
  const char* End(int k) const { return line_ + pos_[k]; }
  int Width(int k) const { return Has(k) ? pos_[k] - pos_[k - 1] - 1 : 0; }
  bool Empty(int k) const { return Width(k) == 0; }
  char First(int k) const { return Width(k) > 0 ? *Begin(k) : 0; }
  double Number(int k) const;
  int64_t Integer(int k) const;
  // Field k's number into `out`: false, `out` untouched, when the field is missing, holds no
  // digits or its number overflows (FloatOf: overflows a float).
  bool NumberOf(int k, double& out) const;
  bool FloatOf(int k, float& out) const;
  bool IntegerOf(int k, int64_t& out) const;

 private:
  const char* line_;
  int pos_[kMaxCommas + 1];
  int count_ = 0;
  int length_ = 0;
};

// Which sentence a line was taken as.
enum class NmeaKind { None, Rmc, Gsa, Gsv, Gns, Gga };

// Checks and parses one zero-terminated line into `fix`. Returns the kind when the line is one
// of "$GPRMC", "$GNRMC", "$GPGSA", "$GNGSA", "$GPGSV", "$GNGSV", "$GNGNS", "$GPGGA", "$GNGGA"
// with a good checksum (the caller then publishes the fix, even when the sentence had too few
// fields or too bad a position to change anything), else None and the fix is untouched.
NmeaKind ParseNmeaSentence(GpsFix& fix, const char* line);
// The same; `freshFix` tells whether the line was an RMC that gave the record a valid position
// (status 'A' with a position a receiver can report): the moment the fix was last refreshed.
NmeaKind ParseNmeaSentence(GpsFix& fix, const char* line, bool* freshFix);

// Where a receiver's epoch (the sentences of one moment) ends, for a display that must show what
// one whole epoch says rather than the position of one second beside the satellites of the last.
// Receivers send RMC first and the GSV cycle last: an epoch is complete when its GSV cycle ends
// (the last message of the first signal's cycle), or, for a receiver that sends no GSV, where the
// next epoch's RMC begins. Before: the epoch ended just before this line; After: with it.
enum class NmeaEpochEnd { None, Before, After };
NmeaEpochEnd NmeaEpochBoundary(const char* line);

// Converts degrees and minutes to radians, signed by the hemisphere letter (`positive` is 'N' or
// 'E'; any other letter, an empty field included, counts as south or west).
double NmeaRadians(int32_t degrees, double minutes, char hemisphere, char positive);

// The C-locale prefix readers the parser uses: blanks and a '+' are skipped. The Read forms
// return false, `out` untouched, when there are no digits or the value overflows or is not
// finite (a fraction too small for a double reads 0); the others read all of those as 0, for
// fields where 0 means nothing (message counts).
bool NmeaReadNumber(const char* first, const char* last, double& out);
bool NmeaReadInteger(const char* first, const char* last, int64_t& out);
double NmeaNumber(const char* first, const char* last);
int64_t NmeaInteger(const char* first, const char* last);
