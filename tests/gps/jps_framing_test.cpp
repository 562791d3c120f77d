// Message framing of receiver files: checksum, line structure, recovery after damage, and the
// input arriving in pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gps/almanac_reader.h"
#include "gps/greis_message.h"
#include "platform/harness.h"
#include "tools/sampledata/jps_writer.h"

using sample::Bytes;

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Feeds `data` in pieces of `piece` bytes and collects the ids of the good messages.
std::vector<int> Parse(TMessageParser& parser, const Bytes& data, size_t piece = SIZE_MAX) {
  std::vector<int> ids;
  for (size_t at = 0; at < data.size();) {
    const size_t n = std::min(piece, data.size() - at);
    parser.SetInput(data.data() + at, n);
    for (int r; (r = parser.NextMessage()) > 0;) ids.push_back(r);
    at += n;
  }
  return ids;
}

std::vector<int> Parse(const Bytes& data, size_t piece = SIZE_MAX) {
  TMessageParser parser;
  return Parse(parser, data, piece);
}

const int kRD = int(MessageId('R', 'D'));
const int kGA = int(MessageId('G', 'A'));
const int kPM = int(MessageId('P', 'M'));
const int kMF = int(MessageId('M', 'F'));
const int kXY = int(MessageId('X', 'Y'));

Bytes Message(const std::string& id, size_t bodyBytes, uint8_t fill = 0x41,
              const sample::JpsFault& fault = {}) {
  return sample::JpsMessage(id, Bytes(bodyBytes, fill), fault);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) sample::Append(all, p);
  return all;
}

}  // namespace

// Vectors computed by hand from the wire layout, not by our writer.
TEST(JpsChecksum, KnownVectors) {
  const Bytes rd = {'R', 'D', '0', '0', '6', 0xDB, 0x07, 0x01, 0x0F, 0x00};
  EXPECT_EQ(sample::JpsChecksum(rd.data(), rd.size()), 0xB3);
  const Bytes mf = Text("MF009JP01010");
  EXPECT_EQ(sample::JpsChecksum(mf.data(), mf.size()), 0x9F);

  Bytes good = rd;
  good.push_back(0xB3);
  good.push_back('\n');
  TMessageParser parser;
  EXPECT_EQ(Parse(parser, good), std::vector<int>{kRD});
  const TMessageRecord* r = parser.Find(uint32_t(kRD));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->length, 5u);
  EXPECT_EQ(r->body[0], 0xDB);

  Bytes bad = rd;
  bad.push_back(0xB4);
  bad.push_back('\n');
  EXPECT_TRUE(Parse(bad).empty());

  // A receiver's "MF" ends with the checksum as text, which is exempt from the comparison.
  EXPECT_EQ(Parse(Text("MF009JP010109F\n")), std::vector<int>{kMF});
}

TEST(JpsFraming, OneMessagePerLine) {
  EXPECT_EQ(Parse(Join({Message("RD", 5), Message("GA", 46)})), (std::vector<int>{kRD, kGA}));
  // The second message on a line is lost with the rest of the line.
  sample::JpsFault noLf;
  noLf.noLineFeed = true;
  EXPECT_EQ(Parse(Join({Message("RD", 5, 0x41, noLf), Message("GA", 46), Message("XY", 3)})),
            (std::vector<int>{kRD, kXY}));
  // A last message without a line feed is delivered.
  EXPECT_EQ(Parse(Join({Message("RD", 5), Message("GA", 46, 0x41, noLf)})),
            (std::vector<int>{kRD, kGA}));
  // Bytes outside the id set before a message are passed over.
  EXPECT_EQ(Parse(Join({Text("\r\n  #"), Message("XY", 3)})), std::vector<int>{kXY});
}

TEST(JpsFraming, LengthField) {
  sample::JpsFault zero, over, lower, limit;
  zero.lengthText = "000";
  over.lengthText = "FA6";
  lower.lowerCaseHex = true;
  for (const sample::JpsFault& f : {zero, over, lower}) {
    EXPECT_EQ(Parse(Join({Message("GA", 46, 0x41, f), Message("XY", 3)})),
              std::vector<int>{kXY})
        << f.lengthText << f.lowerCaseHex;
  }
  // The largest body, 4004 bytes and the checksum.
  TMessageParser parser;
  EXPECT_EQ(Parse(parser, Message("XY", 4004, 0x33)), std::vector<int>{kXY});
  EXPECT_EQ(parser.Find(uint32_t(kXY))->length, 4004u);
  EXPECT_EQ(parser.Find(uint32_t(kXY))->body[4003], 0x33);
}

TEST(JpsFraming, ChecksumExemptionsOnlyForFourIds) {
  sample::JpsFault bad;
  bad.badChecksum = true;
  EXPECT_EQ(Parse(Message("PM", 9, 0x41, bad)), std::vector<int>{kPM});
  for (const char* id : {"JP", "MF", "NP"}) EXPECT_EQ(Parse(Message(id, 9, 0x41, bad)).size(), 1u);
  EXPECT_TRUE(Parse(Message("GA", 46, 0x41, bad)).empty());
}

// A message cut short swallows the next line's start as its body; the parser must come back
// to the line feed inside what it swallowed.
TEST(JpsFraming, RecoversAfterTruncatedMessage) {
  sample::JpsFault cut;
  cut.keepBytes = 30;
  Bytes data = Join({Message("GA", 46, 0x41, cut), Text("\n"), Message("RD", 5),
                     Message("XY", 3)});
  for (size_t piece : {size_t(1), size_t(2), size_t(7), size_t(31), size_t(64), SIZE_MAX}) {
    EXPECT_EQ(Parse(data, piece), (std::vector<int>{kRD, kXY})) << "piece " << piece;
  }
  // Several damaged lines in a row, each recovered from the previous rescan.
  Bytes chain = Join({Message("GA", 46, 0x41, cut), Text("\n"), Message("GE", 122, 0x41, cut),
                      Text("\n"), Message("RD", 5), Message("XY", 200)});
  for (size_t piece : {size_t(1), size_t(13), SIZE_MAX}) {
    EXPECT_EQ(Parse(chain, piece), (std::vector<int>{kRD, kXY})) << "piece " << piece;
  }
}

TEST(JpsFraming, EndInsideMessageStoresNothing) {
  sample::JpsFault cut;
  cut.keepBytes = 40;
  TMessageParser parser;
  EXPECT_EQ(Parse(parser, Join({Message("RD", 5), Message("GA", 46, 0x41, cut)})),
            std::vector<int>{kRD});
  EXPECT_EQ(parser.NextMessage(), TMessageParser::kEndOfData);
  EXPECT_EQ(parser.Find(uint32_t(kGA)), nullptr);
  EXPECT_EQ(parser.GetIdCount(), 1);
}

TEST(JpsFraming, SkipStateCarriesAcrossInput) {
  // The rest of the first line is split over two pieces; the message on it is lost, the next
  // line is read.
  Bytes line = Join({Message("RD", 5, 0x41, {"", false, false, true, -1}), Text("GA")});
  Bytes next = Join({Text("002zz\n"), Message("XY", 3)});
  TMessageParser parser;
  EXPECT_EQ(Parse(parser, line), std::vector<int>{kRD});
  EXPECT_EQ(Parse(parser, next), std::vector<int>{kXY});
}

// The same recovery through the file reader, with the damage straddling the 4096-byte refill.
TEST(JpsFraming, FileRecoveryAcrossRefill) {
  harness::Start();
  sample::JpsFault cut;
  cut.keepBytes = 25;
  for (size_t shift : {size_t(0), size_t(10), size_t(20), size_t(40)}) {
    Bytes data;
    sample::Append(data, Message("XY", 3));
    // Filler lines so that the cut "GA" begins `shift` bytes before the refill boundary.
    while (data.size() < 4096 - shift - 200) sample::Append(data, Message("PO", 60));
    sample::Append(data, Message("PO", 4096 - shift - data.size() - 7));
    ASSERT_EQ(data.size(), 4096 - shift);
    sample::Append(data, Message("GA", 46, 0x41, cut));
    sample::Append(data, Text("\n"));
    sample::Append(data, sample::JpsDate(2013, 12, 26));
    sample::Append(data, Message("XY", 100));
    ASSERT_TRUE(sample::WriteJps(harness::HostPath(L"\\cut.jps"), data));

    TMessageFileReader reader;
    ASSERT_EQ(reader.Open("\\cut.jps"), 0);
    std::vector<int> ids;
    for (int r; (r = reader.ReadMessage()) > 0;) ids.push_back(r);
    ASSERT_GE(ids.size(), 2u);
    EXPECT_EQ(ids[ids.size() - 2], kRD) << "shift " << shift;
    EXPECT_EQ(ids.back(), kXY) << "shift " << shift;
    EXPECT_EQ(std::count(ids.begin(), ids.end(), kGA), 0);
    EXPECT_FALSE(reader.IsOpen());
  }
  TMessageFileReader reader;
  EXPECT_EQ(reader.Open("\\missing.jps"), -1);
  EXPECT_EQ(reader.ReadMessage(), TMessageParser::kEndOfData);
  harness::Stop();
}

// Random bytes, damaged messages and cut lines in random pieces: the parser never reads out of
// bounds (the sanitizer build checks) and always finds a good message that follows a line feed.
TEST(JpsFraming, RandomDamageThenGoodLine) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 200; ++round) {
    Bytes data;
    const int junk = int(next() % 6000);
    for (int k = 0; k < junk; ++k) {
      // Mostly id characters and hex digits, so that framing gets far before failing.
      static const char kAlphabet[] = "GARDSIXY~~0123456789ABCDEFfa\n";
      data.push_back(next() % 4 ? uint8_t(kAlphabet[next() % (sizeof kAlphabet - 1)])
                                : uint8_t(next()));
    }
    sample::JpsFault cut;
    cut.keepBytes = long(next() % 60);
    sample::Append(data, Message("GA", 46, 0x41, cut));
    // One line feed ends any damage; a message longer than what follows can swallow the good
    // line, so the good line comes after a tail longer than the largest body.
    data.push_back('\n');
    Bytes tail(4100, 0x20);
    tail.back() = '\n';
    sample::Append(data, tail);
    sample::Append(data, Message("XY", 3));
    sample::Append(data, Bytes(4100, '\n'));
    TMessageParser parser;
    const std::vector<int> ids = Parse(parser, data, 1 + next() % 5000);
    ASSERT_FALSE(ids.empty()) << "round " << round;
    EXPECT_EQ(ids.back(), kXY) << "round " << round;
  }
}
