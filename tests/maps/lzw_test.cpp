#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "maps/lzw.h"
#include "tools/sampledata/lzw_pack.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Decodes and returns the output; `ok` tells a null result apart.
Bytes Decode(const Bytes& in, bool* ok = nullptr) {
  size_t n = 12345;
  LzwBuffer out = LzwDecode(in.data(), in.size(), &n);
  if (ok) *ok = out != nullptr;
  if (!out) {
    EXPECT_EQ(n, 12345u) << "out-length written on a null result";
    return {};
  }
  return Bytes(out.get(), out.get() + n);
}

TEST(Lzw, PackerMatchesTheReferenceVectors) {
  struct Case {
    Bytes plain;
    Bytes packed;
  } cases[] = {
      {Of("A"), {0x20, 0x80}},
      {Of("AB"), {0xA1, 0x21, 0x00}},
      {Of("ABABABA"), {0xA1, 0x21, 0x40, 0x20, 0x30}},
      {Of("hello hello hello"),
       {0xB4, 0xB2, 0x9B, 0x0D, 0x86, 0xF1, 0x04, 0x02, 0x03, 0x02, 0x81, 0xC0, 0x80}},
      {{0xFF, 0xFF, 0xFF}, {0x7F, 0xC0, 0x40}},
      {{0, 1, 2, 3, 4, 5, 6, 7}, {0x80, 0x80, 0x80, 0x80, 0x60, 0x40, 0x28, 0x18, 0x0E}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sample::LzwPack(c.plain), c.packed);
    bool ok = false;
    EXPECT_EQ(Decode(c.packed, &ok), c.plain);
    EXPECT_TRUE(ok);
  }
}

TEST(Lzw, InvalidStreamsFailWithoutOutput) {
  bool ok = true;
  // 18 zero bits: literal 0, then 0 in HighOnly mode is code 256.
  Decode({0, 0, 0}, &ok);
  EXPECT_FALSE(ok);
  // A first code of 256 read plainly.
  Decode({0x80, 0x00}, &ok);
  EXPECT_FALSE(ok);
  // The second code of "AB...": in HighOnly mode at count 258 the value 3 is code 259 > count.
  Bytes bad = {0xA1, 0x21, 0x40, 0x60};  // 322, 'B', flag 1, 9 bits = 3
  Decode(bad, &ok);
  EXPECT_FALSE(ok);
  // Null and empty input.
  size_t n = 7;
  EXPECT_EQ(LzwDecode(nullptr, 5, &n), nullptr);
  const uint8_t one = 0x41;
  EXPECT_EQ(LzwDecode(&one, 0, &n), nullptr);
  EXPECT_EQ(n, 7u);
}

TEST(Lzw, StreamsThatEndEarlyEndCleanly) {
  bool ok = true;
  // Shorter than one code: nothing emitted, null.
  EXPECT_TRUE(Decode({0x20}, &ok).empty());
  EXPECT_FALSE(ok);
  // Cut mid-code keeps everything before the cut.
  Bytes packed = sample::LzwPack(Of("hello hello hello"));
  for (size_t cut = 2; cut < packed.size(); ++cut) {
    Bytes part(packed.begin(), packed.begin() + cut);
    Bytes out = Decode(part, &ok);
    ASSERT_TRUE(ok) << cut;
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("hello hello hello").substr(0, out.size()));
  }
  // Filler bits end each mode: FirstLiteral ("AB" ends in a literal run), HighOnly ("A"),
  // Plain (FF FF FF ends after a code read plainly with Plain next).
  EXPECT_EQ(Decode({0xA1, 0x21, 0x00}), Of("AB"));
  EXPECT_EQ(Decode({0x20, 0x80}), Of("A"));
  EXPECT_EQ(Decode({0x7F, 0xC0, 0x40}), Bytes({0xFF, 0xFF, 0xFF}));
  // FirstLiteral cut: 322 then only 7 filler bits.
  EXPECT_EQ(Decode({0xA1, 0x00}), Of("A"));
}

Bytes RandomBytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = uint8_t(rng() % alphabet);
  return b;
}

TEST(Lzw, RoundTripsThroughSeveralPrunes) {
  // Random bytes: mostly literal runs and short codes, the dictionary fills every ~8 KB.
  Bytes random = RandomBytes(70000, 1);
  EXPECT_EQ(Decode(sample::LzwPack(random)), random);
  // Two-symbol text: long strings, deep chains, and many prunes that keep inner nodes.
  Bytes two = RandomBytes(400000, 2, 2);
  for (auto& x : two) x = x ? 'b' : 'a';
  Bytes packed = sample::LzwPack(two);
  EXPECT_LT(packed.size(), two.size() / 4);
  EXPECT_EQ(Decode(packed), two);
  // Text-like bytes followed by random bytes: the widths change across a prune both ways.
  Bytes mixed;
  std::string words[] = {"north ", "road ", "bridge ", "river ", "house ", "field "};
  std::mt19937 rng(3);
  while (mixed.size() < 150000) {
    const std::string& w = words[rng() % 6];
    mixed.insert(mixed.end(), w.begin(), w.end());
  }
  Bytes tail = RandomBytes(50000, 4);
  mixed.insert(mixed.end(), tail.begin(), tail.end());
  EXPECT_EQ(Decode(sample::LzwPack(mixed)), mixed);
}

// The width grows when count reaches 512, 1024, 2048 and 4096: a stream that runs through each
// boundary with literals (which exercise every escaped form) decodes back only if the reader's
// widths agree with the packer's at each step.
TEST(Lzw, WidthsGrowAtTheirCounts) {
  for (size_t n : {300u, 800u, 1800u, 3800u, 7900u}) {
    Bytes data = RandomBytes(n, uint32_t(n));
    Bytes packed = sample::LzwPack(data);
    EXPECT_EQ(Decode(packed), data) << n;
  }
  // All-literal streams cost 9 bits per byte after the first: the code count passes each width
  // boundary without the packer ever needing a wider literal.
  Bytes seq(5000);
  std::mt19937 rng(9);
  for (auto& b : seq) b = uint8_t(rng());
  Bytes packed = sample::LzwPack(seq);
  EXPECT_EQ(Decode(packed), seq);
}

}  // namespace
