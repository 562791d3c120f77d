#include "gps/almanac_reader.h"

#include <cstring>

namespace {

constexpr uint32_t kTimeId = MessageId('~', '~');
constexpr uint32_t kIndexId = MessageId('S', 'I');
constexpr uint32_t kAlmanacId = MessageId('G', 'A');
constexpr uint32_t kEphemerisId = MessageId('G', 'E');
constexpr uint32_t kDateId = MessageId('R', 'D');

uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

TAlmanacReader::TAlmanacReader() { ClearTables(); }

TAlmanacReader::~TAlmanacReader() = default;

void TAlmanacReader::ClearTables() {
  std::memset(almanac_, 0, sizeof almanac_);
  std::memset(ephemeris_, 0, sizeof ephemeris_);
  std::memset(ephemerisCount_, 0, sizeof ephemerisCount_);
  std::memset(satellites_, 0, sizeof satellites_);
  satelliteCount_ = 0;
  timeOfDay_ = 0;
  year_ = 0;
  month_ = day_ = 0;
}

bool TAlmanacReader::Open(const char* path) {
  if (TMessageFileReader::Open(path) != 0) return false;
  // A file without "RD" must not inherit the previous file's date, nor its satellites.
  ClearTables();
  return true;
}

const uint8_t* TAlmanacReader::GetAlmanacSlot(int prn) const {
  return prn >= 0 && prn < kSlots ? almanac_[prn] : nullptr;
}

bool TAlmanacReader::IsPresent(int prn) const {
  return prn >= 0 && prn < kSlots && almanac_[prn][0] != 0;
}

const uint8_t* TAlmanacReader::GetEphemeris(int prn) const {
  return prn >= 0 && prn < kSlots ? ephemeris_[prn] : nullptr;
}

int TAlmanacReader::GetEphemerisCount(int prn) const {
  return prn >= 0 && prn < kSlots ? ephemerisCount_[prn] : 0;
}

// Acts on each fresh record of the decoded ids; -1 when no almanac was taken.
int TAlmanacReader::Decode() {
  if (TMessageRecord* r = Find(kTimeId)) {
    r->fresh = 0;
    if (r->length == 4) timeOfDay_ = U32(r->body.get()) / 1000.0;
  }
  if (TMessageRecord* r = Find(kIndexId)) {
    r->fresh = 0;
    // The count is one byte on the wire; a longer list keeps its first (length mod 256) bytes.
    satelliteCount_ = int(r->length & 0xFF);
    for (int i = 0; i < satelliteCount_; ++i) {
      const uint8_t s = r->body[size_t(i)];
      satellites_[i] = s > 44 ? 0 : s;
    }
  }
  if (TMessageRecord* r = Find(kAlmanacId)) {
    r->fresh = 0;
    if (r->length == uint32_t(kAlmanacBytes)) {
      const uint8_t prn = r->body[0];
      if (prn < 1 || prn > 44) return kBadSatellite;
      std::memcpy(almanac_[prn], r->body.get(), kAlmanacBytes);
      almanac_[prn][kAlmanacBytes] = 0;
      return kAlmanacTaken;
    }
  }
  if (TMessageRecord* r = Find(kEphemerisId)) {
    r->fresh = 0;
    if (r->length == uint32_t(kEphemerisBytes)) {
      const uint8_t prn = r->body[0];
      if (prn < kSlots) {
        std::memcpy(ephemeris_[prn], r->body.get(), kEphemerisBytes);
        ++ephemerisCount_[prn];
      }
    }
  }
  if (TMessageRecord* r = Find(kDateId)) {
    r->fresh = 0;
    if (r->length >= 4) {
      const uint8_t* b = r->body.get();
      year_ = int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8));
      month_ = b[2];
      day_ = b[3];
    }
  }
  return -1;
}

int TAlmanacReader::ReadNextAlmanac() {
  for (;;) {
    const int id = ReadMessage();
    if (id == kOutOfMemory) return kNoMemory;
    if (id < 0) return kEndOfFile;
    const int r = Decode();
    if (r >= 0) return r;
  }
}

bool TAlmanacReader::ReadAll() {
  for (;;) {
    const int r = ReadNextAlmanac();
    if (r == kEndOfFile || r == kNoMemory) break;
    if (r != kAlmanacTaken) continue;
    bool all = true;
    for (int prn = 1; prn <= 32 && all; ++prn) all = IsPresent(prn);
    if (all) break;
  }
  for (int prn = 1; prn <= 30; ++prn) {
    if (prn != 12 && !IsPresent(prn)) return false;
  }
  return true;
}
