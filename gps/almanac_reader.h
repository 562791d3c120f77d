// The decoder of receiver data files: from the stream of messages it takes the GPS almanac
// ("GA", one per satellite), the recording date ("RD"), and stores the receiver time ("~~"), the
// satellite index list ("SI") and the GPS ephemerides ("GE"), which nothing uses yet.
#pragma once

#include <cstdint>

#include "gps/greis_message.h"

class TAlmanacReader : public TMessageFileReader {
 public:
  static constexpr int kSlots = 45;        // satellite numbers 0..44
  static constexpr int kAlmanacBytes = 46;  // "GA" body
  static constexpr int kSlotBytes = 47;    // the body and one byte, always 0
  static constexpr int kEphemerisBytes = 122;

  // Results of ReadNextAlmanac.
  static constexpr int kAlmanacTaken = 0;
  static constexpr int kEndOfFile = 1;
  static constexpr int kBadSatellite = 2;  // a "GA" naming satellite 0 or one above 44
  static constexpr int kNoMemory = 3;

  TAlmanacReader();
  ~TAlmanacReader() override;

  // Opens the file and starts with empty tables: every slot absent, no date, no time, no list.
  // False when the file cannot be opened (the tables are then left as they were).
  bool Open(const char* path);
  // Reads messages until a "GA" is taken into the almanac table (0), the file ends (1), a "GA"
  // names a satellite outside 1..44 (2) or memory runs out (3).
  int ReadNextAlmanac();
  // Reads almanacs until every satellite 1..32 is present, else to the end of the file; a "GA"
  // with a bad satellite number is skipped. A later "GA" of a satellite replaces the earlier.
  // True when satellites 1..30 except 12 are all present at the end.
  bool ReadAll();

  // The 47-byte slot of satellite 0..44 (null outside); present when its first byte is nonzero.
  const uint8_t* GetAlmanacSlot(int prn) const;
  bool IsPresent(int prn) const;
  const uint8_t* GetEphemeris(int prn) const;
  int GetEphemerisCount(int prn) const;
  double GetTimeOfDay() const { return timeOfDay_; }  // s
  int GetSatelliteCount() const { return satelliteCount_; }
  const uint8_t* GetSatelliteList() const { return satellites_; }
  int32_t GetYear() const { return year_; }
  uint16_t GetMonth() const { return month_; }
  uint16_t GetDay() const { return day_; }

 private:
  void ClearTables();
  int Decode();

  uint8_t almanac_[kSlots][kSlotBytes];
  uint8_t ephemeris_[kSlots][kEphemerisBytes + 1];
  int ephemerisCount_[kSlots];
  double timeOfDay_ = 0;
  int satelliteCount_ = 0;
  uint8_t satellites_[255];
  int32_t year_ = 0;
  uint16_t month_ = 0;
  uint16_t day_ = 0;
};
