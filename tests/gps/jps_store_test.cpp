// The store of latest messages and the decoding of the almanac, date, time, satellite list and
// ephemeris messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gps/almanac_reader.h"
#include "platform/harness.h"
#include "tools/sampledata/jps_writer.h"

using sample::Bytes;

namespace {

class JpsFile : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }

  // Writes the file and opens it in the reader.
  void OpenFile(const Bytes& data) {
    ASSERT_TRUE(sample::WriteJps(harness::HostPath(L"\\test.jps"), data));
    ASSERT_TRUE(reader.Open("\\test.jps"));
  }

  TAlmanacReader reader;
};

sample::YumaAlmanac Satellite(int prn, int32_t toa = 405504) {
  sample::YumaAlmanac a = sample::PublishedPrn1Week748();
  a.prn = prn;
  a.toa = toa;
  return a;
}

int32_t SlotToa(const TAlmanacReader& r, int prn) {
  const uint8_t* s = r.GetAlmanacSlot(prn);
  return int32_t(uint32_t(s[3]) | (uint32_t(s[4]) << 8) | (uint32_t(s[5]) << 16) |
                 (uint32_t(s[6]) << 24));
}

}  // namespace

TEST_F(JpsFile, AlmanacSlotsAndBadSatelliteNumbers) {
  Bytes f;
  sample::Append(f, sample::JpsAlmanac(Satellite(3, 1000)));
  sample::Append(f, sample::JpsAlmanac(Satellite(0)));
  sample::Append(f, sample::JpsAlmanac(Satellite(45)));
  sample::Append(f, sample::JpsAlmanac(Satellite(3, 2000)));  // the later one wins
  sample::Append(f, sample::JpsMessage("GA", Bytes(45, 7)));  // wrong length: ignored
  sample::Append(f, sample::JpsAlmanac(Satellite(44)));
  OpenFile(f);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kAlmanacTaken);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kBadSatellite);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kBadSatellite);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kAlmanacTaken);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kAlmanacTaken);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kEndOfFile);
  EXPECT_EQ(SlotToa(reader, 3), 2000);
  EXPECT_TRUE(reader.IsPresent(44));
  EXPECT_FALSE(reader.IsPresent(0));
  EXPECT_EQ(reader.GetAlmanacSlot(45), nullptr);
  // The slot's last byte is 0, not whatever followed the body in the message.
  EXPECT_EQ(reader.GetAlmanacSlot(3)[46], 0);
  const Bytes body = sample::GaBody(Satellite(44));
  EXPECT_TRUE(std::equal(body.begin(), body.end(), reader.GetAlmanacSlot(44)));

  // Loading goes on past bad numbers.
  OpenFile(f);
  reader.ReadAll();
  EXPECT_TRUE(reader.IsPresent(3));
  EXPECT_TRUE(reader.IsPresent(44));
}

TEST_F(JpsFile, ReadAllStopsOnlyWhenEverySatelliteIsPresent) {
  Bytes f;
  for (int prn = 1; prn <= 32; ++prn) sample::Append(f, sample::JpsAlmanac(Satellite(prn, 100)));
  // A second cycle that must not be read.
  for (int prn = 1; prn <= 32; ++prn) sample::Append(f, sample::JpsAlmanac(Satellite(prn, 200)));
  OpenFile(f);
  EXPECT_TRUE(reader.ReadAll());
  for (int prn : {12, 31, 32}) EXPECT_TRUE(reader.IsPresent(prn)) << prn;
  for (int prn = 1; prn <= 32; ++prn) EXPECT_EQ(SlotToa(reader, prn), 100) << prn;

  // Without 31 and 32 the file is read to its end and later almanacs replace earlier ones.
  Bytes partial;
  for (int prn = 1; prn <= 30; ++prn) sample::Append(partial, sample::JpsAlmanac(Satellite(prn, 100)));
  sample::Append(partial, sample::JpsAlmanac(Satellite(7, 300)));
  OpenFile(partial);
  EXPECT_TRUE(reader.ReadAll());
  EXPECT_EQ(SlotToa(reader, 7), 300);
  EXPECT_FALSE(reader.IsPresent(31));

  // Missing satellite 4: the Part's set of 1..30 without 12 is incomplete.
  Bytes gap;
  for (int prn = 1; prn <= 30; ++prn) {
    if (prn != 4) sample::Append(gap, sample::JpsAlmanac(Satellite(prn)));
  }
  OpenFile(gap);
  EXPECT_FALSE(reader.ReadAll());
}

TEST_F(JpsFile, DateTimeListAndEphemeris) {
  Bytes f;
  sample::Append(f, sample::JpsDate(2011, 1, 15));
  sample::Append(f, sample::JpsMessage("RD", Bytes{0xDD, 0x07, 9}));  // 3 bytes: ignored
  sample::Append(f, sample::JpsTime(61440500));
  Bytes list(300, 5);
  list[0] = 45;
  list[1] = 200;
  list[43] = 44;
  list[44] = 9;  // beyond the count
  sample::Append(f, sample::JpsSatelliteIndex(list));
  sample::Append(f, sample::JpsEphemeris(3));
  sample::Append(f, sample::JpsEphemeris(3, 0x66));
  sample::Append(f, sample::JpsEphemeris(45));
  sample::Append(f, sample::JpsEphemeris(0));
  OpenFile(f);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kEndOfFile);
  EXPECT_EQ(reader.GetYear(), 2011);
  EXPECT_EQ(reader.GetMonth(), 1);
  EXPECT_EQ(reader.GetDay(), 15);
  EXPECT_DOUBLE_EQ(reader.GetTimeOfDay(), 61440.5);
  ASSERT_EQ(reader.GetSatelliteCount(), 44);  // 300 mod 256
  EXPECT_EQ(reader.GetSatelliteList()[0], 0);
  EXPECT_EQ(reader.GetSatelliteList()[1], 0);
  EXPECT_EQ(reader.GetSatelliteList()[2], 5);
  EXPECT_EQ(reader.GetSatelliteList()[43], 44);
  EXPECT_EQ(reader.GetSatelliteList()[44], 0);
  EXPECT_EQ(reader.GetEphemerisCount(3), 2);
  EXPECT_EQ(reader.GetEphemeris(3)[5], 0x66);
  EXPECT_EQ(reader.GetEphemerisCount(0), 1);
  EXPECT_EQ(reader.GetEphemeris(45), nullptr);

  // The next file starts without the date, time, list and counts of this one.
  OpenFile(sample::JpsAlmanac(Satellite(1)));
  EXPECT_EQ(reader.GetYear(), 0);
  EXPECT_EQ(reader.GetMonth(), 0);
  EXPECT_EQ(reader.GetSatelliteCount(), 0);
  EXPECT_EQ(reader.GetEphemerisCount(3), 0);
}

TEST_F(JpsFile, IdLimitKeepsReplacing) {
  // 202 distinct ids of two letters.
  std::vector<std::string> ids;
  for (char a = 'a'; a <= 'z' && ids.size() < 202; ++a) {
    for (char b = 'a'; b <= 'z' && ids.size() < 202; ++b) ids.push_back(std::string{a, b});
  }
  Bytes f;
  for (const std::string& id : ids) sample::Append(f, sample::JpsMessage(id, Bytes(3, 1)));
  sample::Append(f, sample::JpsMessage(ids[7], Bytes(9, 2)));  // a held id, replaced
  OpenFile(f);
  for (int r; (r = reader.ReadMessage()) > 0;) {
  }
  EXPECT_EQ(reader.GetIdCount(), TMessageParser::kMaxIds);
  EXPECT_EQ(reader.Find(MessageId(ids[201][0], ids[201][1])), nullptr);
  const TMessageRecord* r = reader.Find(MessageId(ids[7][0], ids[7][1]));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->length, 9u);
  EXPECT_EQ(r->body[8], 2);
  ASSERT_NE(reader.Find(MessageId(ids[200][0], ids[200][1])), nullptr);
}

TEST_F(JpsFile, OutOfMemoryEndsTheRead) {
  Bytes f;
  for (int prn = 1; prn <= 8; ++prn) sample::Append(f, sample::JpsAlmanac(Satellite(prn)));
  OpenFile(f);
  TMessageParser::FailAllocationsAfter(0);
  EXPECT_EQ(reader.ReadNextAlmanac(), TAlmanacReader::kNoMemory);
  TMessageParser::FailAllocationsAfter(-1);
  EXPECT_TRUE(reader.OutOfMemory());
  EXPECT_FALSE(reader.IsPresent(1));
  // A new file starts afresh.
  OpenFile(f);
  EXPECT_FALSE(reader.OutOfMemory());
  reader.ReadAll();
  EXPECT_TRUE(reader.IsPresent(8));
}
