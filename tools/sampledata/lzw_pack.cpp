#include "tools/sampledata/lzw_pack.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace sample {
namespace {

constexpr int kMax = 8192;
constexpr int kNil = 256;  // "none" in the reader's link and parent fields

// The reader's dictionary, held as parallel arrays, plus a (parent, byte) -> code index for the
// greedy match.
struct Dictionary {
  std::vector<int> parent = std::vector<int>(kMax, kNil);
  std::vector<int> link = std::vector<int>(kMax, kNil);
  std::vector<uint8_t> last = std::vector<uint8_t>(kMax, 0);
  std::unordered_map<uint32_t, int> children;
  int count = 256;
  int width = 9;

  static uint32_t Key(int p, uint8_t b) { return (uint32_t(p) << 8) | b; }

  Dictionary() {
    for (int i = 0; i <= 256; ++i) last[i] = uint8_t(i);
    children.reserve(kMax * 2);
  }

  void Add(int p, uint8_t b) {
    parent[count] = p;
    link[count] = kNil;
    last[count] = b;
    children[Key(p, b)] = count;
  }

  // Drops one level of leaves and compacts the survivors in the reader's order; returns the
  // number of entries kept.
  int Prune() {
    int freeSlot = kMax;
    for (int i = kMax - 1; i > 256; --i) {
      const int p = parent[i];
      if (link[p] == kNil) link[p] = 0;
      if (link[i] == kNil) {
        link[i] = 0;
        freeSlot = std::min(freeSlot, i);
        continue;
      }
      if (link[i] == 0) link[i] = kNil;
      if (link[p] == 0) link[p] = kNil;
      parent[i] = link[p];
      link[p] = i;
    }
    for (int i = 0; i <= 256; ++i)
      if (link[i] == 0) link[i] = kNil;
    for (int i = 0; i < freeSlot; ++i) {
      for (int* ref : {&link[i], &parent[i]}) {
        const int from = *ref;
        if (from == kNil || from <= freeSlot) continue;
        parent[freeSlot] = parent[from];
        link[freeSlot] = link[from];
        last[freeSlot] = last[from];
        link[from] = 0;
        *ref = freeSlot;
        while (link[freeSlot] != 0) ++freeSlot;
      }
    }
    for (int i = 0; i < freeSlot; ++i) {
      int m = link[i];
      while (m != kNil) {
        const int sibling = parent[m];
        parent[m] = i;
        m = sibling;
      }
      link[i] = kNil;
    }
    children.clear();
    for (int i = 257; i < freeSlot; ++i) children[Key(parent[i], last[i])] = i;
    return freeSlot;
  }
};

struct Token {
  int code;
  int count;  // the reader's count when it reads this code
  int width;
};

std::vector<Token> Parse(const uint8_t* data, size_t length) {
  std::vector<Token> tokens;
  Dictionary dict;
  int prev = -1;
  size_t pos = 0;
  while (pos < length) {
    const int k = dict.count;
    const int w = dict.width;
    // The entry the reader creates on this step is already usable by this step (code == count).
    if (prev >= 0) dict.Add(prev, data[pos]);
    int code = data[pos++];
    while (pos < length) {
      auto it = dict.children.find(Dictionary::Key(code, data[pos]));
      if (it == dict.children.end() || it->second > k) break;
      code = it->second;
      ++pos;
    }
    tokens.push_back({code, k, w});
    ++dict.count;
    if (dict.count == (1 << dict.width)) ++dict.width;
    prev = code;
    if (dict.count == kMax) {
      const int kept = dict.Prune();
      while (kept <= (1 << (dict.width - 1))) --dict.width;
      dict.count = kept - 1;
      prev = -1;
    }
  }
  return tokens;
}

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int b = bits - 1; b >= 0; --b) {
      cur_ = uint8_t((cur_ << 1) | ((value >> b) & 1));
      if (++used_ == 8) {
        out_.push_back(cur_);
        cur_ = 0;
        used_ = 0;
      }
    }
  }
  std::vector<uint8_t> Finish() {
    if (used_) out_.push_back(uint8_t(cur_ << (8 - used_)));
    return std::move(out_);
  }

 private:
  std::vector<uint8_t> out_;
  uint8_t cur_ = 0;
  int used_ = 0;
};

}  // namespace

std::vector<uint8_t> LzwPack(const uint8_t* data, size_t length) {
  const std::vector<Token> tokens = Parse(data, length);
  enum { Plain, HighOnly, FirstLiteral, LiteralRun } mode = Plain;
  BitWriter out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const auto [c, k, w] = tokens[i];
    const uint32_t room = 1u << w;
    // The escaped forms announce literals, so use them exactly when a literal follows and the
    // form fits the width; a plain code whose escape would have fitted tells the reader that no
    // literal follows.
    const bool literalNext = i + 1 < tokens.size() && tokens[i + 1].code < 256;
    if (mode == LiteralRun) {
      if (c < 256) {
        out.Put(uint32_t(c), 9);  // flag 0 and the literal
        continue;
      }
      out.Put(1, 1);
      mode = HighOnly;
    }
    switch (mode) {
      case Plain: {
        const uint32_t escaped = uint32_t(c + k + 1);
        if (literalNext && escaped < room) {
          out.Put(escaped, w);
          mode = FirstLiteral;
        } else {
          out.Put(uint32_t(c), w);
          mode = escaped < room ? HighOnly : Plain;
        }
        break;
      }
      case HighOnly: {
        if (c < 257) throw std::logic_error("packer: literal where the reader expects a code");
        const uint32_t plain = uint32_t(c - 256);
        const uint32_t escaped = plain + uint32_t(k - 255);
        if (literalNext && escaped < room) {
          out.Put(escaped, w);
          mode = FirstLiteral;
        } else {
          out.Put(plain, w);
          mode = escaped < room ? HighOnly : Plain;
        }
        break;
      }
      case FirstLiteral:
        if (c >= 256) throw std::logic_error("packer: code where the reader expects a literal");
        out.Put(uint32_t(c), 8);
        mode = LiteralRun;
        break;
      case LiteralRun:
        break;
    }
  }
  return out.Finish();
}

}  // namespace sample
