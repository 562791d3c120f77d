// Invariants of the dictionary:
// - entries 0..255 are the one-byte strings, 256 is a placeholder that never names a string,
//   entries 257..count-1 were created while decoding;
// - every created entry's parent has a lower index than the entry, so the prune can walk the
//   table from the top and meet all children before their parent;
// - `link` holds kNone between operations; the prune borrows it (0 marks a free slot, otherwise
//   the head of an entry's list of kept children) and borrows `parent` as the next-sibling link.
// The stream was made by a packer that mirrors this dictionary exactly, so the numbering the
// prune gives the survivors is part of the format: the passes below must not be reordered.
#include "maps/lzw.h"

#include <cstring>
#include <new>

#include "platform/sys/large_block.h"

namespace {

constexpr int32_t kNone = 256;   // "no entry" in both link and parent
constexpr int32_t kDictSize = 8192;

struct Entry {
  int32_t link;
  int32_t parent;
  uint32_t length;  // length of the entry's string, so output can be written back to front
  uint8_t byte;
};

enum class Mode { Plain, HighOnly, FirstLiteral, LiteralRun };

class Decoder {
 public:
  Decoder(const uint8_t* in, size_t length) : in_(in), inLength_(length) {}
  ~Decoder() { std::free(out_); }

  bool Run(Entry* dict);
  uint8_t* TakeOutput(size_t* length) {
    *length = outLength_;
    uint8_t* p = out_;
    out_ = nullptr;
    return p;
  }
  size_t OutputLength() const { return outLength_; }

 private:
  // False at end of input: the bits read so far of this value stay unused.
  bool ReadBits(int n, uint32_t* value) {
    while (unread_ < n) {
      if (pos_ >= inLength_) return false;
      acc_ = (acc_ << 8) | in_[pos_++];
      unread_ += 8;
    }
    *value = uint32_t(acc_ >> (unread_ - n)) & ((1u << n) - 1);
    unread_ -= n;
    return true;
  }
  bool ReadCode(int32_t* code);
  bool Reserve(size_t extra);
  void Prune(Entry* d);

  const uint8_t* in_;
  size_t inLength_;
  size_t pos_ = 0;
  uint64_t acc_ = 0;  // unsigned: the shifted-out high bits are simply dropped
  int unread_ = 0;

  int32_t count_ = 256;
  int width_ = 9;
  Mode mode_ = Mode::Plain;

  uint8_t* out_ = nullptr;
  size_t outLength_ = 0;
  size_t outCapacity_ = 0;
};

// A value above the valid range means "this code, then literals"; a code sent plainly although
// its escaped form would have fitted means the next code is not a literal, so that one is sent
// less 256 (HighOnly). A literal run ends with a 1 flag bit followed by a HighOnly code.
bool Decoder::ReadCode(int32_t* code) {
  const int32_t k = count_;
  const uint32_t top = 1u << width_;
  uint32_t v;
  Mode mode = mode_;
  if (mode == Mode::LiteralRun) {
    if (!ReadBits(1, &v)) return false;
    if (v == 0) {
      if (!ReadBits(8, &v)) return false;
      *code = int32_t(v);
      return true;
    }
    mode = Mode::HighOnly;
  }
  switch (mode) {
    case Mode::Plain:
      if (!ReadBits(width_, &v)) return false;
      if (int64_t(v) <= k) {
        *code = int32_t(v);
        mode_ = (uint64_t(v) + k + 1 < top) ? Mode::HighOnly : Mode::Plain;
      } else {
        *code = int32_t(v) - (k + 1);
        mode_ = Mode::FirstLiteral;
      }
      return true;
    case Mode::HighOnly:
      if (!ReadBits(width_, &v)) return false;
      if (int64_t(v) <= k - 256) {
        *code = int32_t(v) + 256;
        mode_ = (uint64_t(v) + k + 1 - 256 < top) ? Mode::HighOnly : Mode::Plain;
      } else {
        *code = (int32_t(v) - (k - 255)) + 256;
        mode_ = Mode::FirstLiteral;
      }
      return true;
    case Mode::FirstLiteral:
      if (!ReadBits(8, &v)) return false;
      *code = int32_t(v);
      mode_ = Mode::LiteralRun;
      return true;
    case Mode::LiteralRun:
      break;
  }
  return false;
}

bool Decoder::Reserve(size_t extra) {
  if (outCapacity_ - outLength_ >= extra) return true;
  size_t want = outCapacity_ ? outCapacity_ : 256;
  while (want - outLength_ < extra) want *= 2;  // geometric: total copying stays linear
  auto* p = static_cast<uint8_t*>(std::realloc(out_, want + 1));
  if (!p) return false;
  out_ = p;
  outCapacity_ = want;
  vplat::AdviseLargeBlock(out_, want + 1);  // large outputs: fewer first-touch faults
  return true;
}

// One level of leaves goes per prune; see the invariants at the top of the file.
void Decoder::Prune(Entry* d) {
  int32_t f = kDictSize;
  for (int32_t i = kDictSize - 1; i >= 257; --i) {
    Entry& e = d[i];
    Entry& p = d[e.parent];
    if (p.link == kNone) p.link = 0;
    if (e.link == kNone) {  // no child: a leaf, dropped
      e.link = 0;
      if (i < f) f = i;
      continue;
    }
    if (e.link == 0) e.link = kNone;  // had children, none survives
    if (p.link == 0) p.link = kNone;
    e.parent = p.link;  // push i onto p's list of kept children
    p.link = i;
  }
  for (int32_t i = 0; i <= 256; ++i)
    if (d[i].link == 0) d[i].link = kNone;

  auto moveDown = [&](int32_t from) {
    d[f] = d[from];
    d[from].link = 0;
    int32_t to = f;
    while (d[f].link != 0) ++f;
    return to;
  };
  for (int32_t i = 0; i < f; ++i) {
    int32_t h = d[i].link;
    if (h != kNone && h > f) d[i].link = moveDown(h);
    int32_t s = d[i].parent;
    if (s != kNone && s > f) d[i].parent = moveDown(s);
  }
  for (int32_t i = 0; i < f; ++i) {
    for (int32_t m = d[i].link; m != kNone;) {
      int32_t next = d[m].parent;
      d[m].parent = i;
      m = next;
    }
    d[i].link = kNone;
  }

  const int32_t kept = f;
  while (kept <= (1 << (width_ - 1))) --width_;
  count_ = kept - 1;
}

bool Decoder::Run(Entry* d) {
  for (int32_t i = 0; i <= 256; ++i) d[i] = Entry{kNone, kNone, 1, uint8_t(i)};
  int32_t prev = -1;
  int32_t code;
  while (ReadCode(&code)) {
    if (code == 256 || code > count_) return false;

    const size_t start = outLength_;
    uint8_t first;
    if (code < count_ || prev < 0) {
      const uint32_t n = d[code].length;
      if (!Reserve(n)) return false;
      uint8_t* w = out_ + start + n;
      for (int32_t c = code; w != out_ + start; c = d[c].parent) *--w = d[c].byte;
      outLength_ += n;
      first = out_[start];
    } else {
      // code == count: the string of prev followed by its own first byte
      const uint32_t n = d[prev].length;
      if (!Reserve(size_t(n) + 1)) return false;
      uint8_t* w = out_ + start + n;
      for (int32_t c = prev; w != out_ + start; c = d[c].parent) *--w = d[c].byte;
      first = out_[start];
      out_[start + n] = first;
      outLength_ += size_t(n) + 1;
    }

    if (prev >= 0) d[count_] = Entry{kNone, prev, d[prev].length + 1, first};
    ++count_;
    if (count_ == (1 << width_)) ++width_;
    prev = code;

    if (count_ == kDictSize) {
      Prune(d);
      prev = -1;  // the next code creates no entry and brings count back to the kept number
    }
  }
  return true;
}

}  // namespace

LzwBuffer LzwDecode(const uint8_t* input, size_t length, size_t* outLength) {
  if (!input || length == 0) return nullptr;
  std::unique_ptr<Entry[]> dict(new (std::nothrow) Entry[kDictSize]);
  if (!dict) return nullptr;
  Decoder decoder(input, length);
  if (!decoder.Run(dict.get())) return nullptr;
  if (decoder.OutputLength() == 0) return nullptr;
  size_t n;
  LzwBuffer out(decoder.TakeOutput(&n));
  *outLength = n;
  return out;
}
