#include "gps/greis_message.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/fresh_state.h"
#include "platform/win.h"

namespace {

// Id characters: letters and the seven punctuation marks the receiver uses in ids.
struct IdCharTable {
  bool ok[256] = {};
  constexpr IdCharTable() {
    for (int c = 'a'; c <= 'z'; ++c) ok[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) ok[c] = true;
    for (char c : {'1', '2', ':', '=', '>', '|', '~'}) ok[uint8_t(c)] = true;
  }
};
constexpr IdCharTable kIdChars;

// Upper-case hex digits only; -1 for anything else.
int HexDigit(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

inline unsigned Mix(unsigned sum, uint8_t b) {
  sum ^= b;
  return ((sum << 2) | (sum >> 6)) & 0xFF;
}

// These ids carry no meaningful checksum byte and are taken as they come.
bool ChecksumExempt(uint32_t id) {
  return id == MessageId('J', 'P') || id == MessageId('M', 'F') || id == MessageId('P', 'M') ||
         id == MessageId('N', 'P');
}

long g_allocationsLeft = -1;
const vplat::FreshStateHook kFresh(5, [] { g_allocationsLeft = -1; });

uint8_t* AllocateBody(uint32_t size) {
  if (g_allocationsLeft == 0) return nullptr;
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  return new (std::nothrow) uint8_t[size];
}

}  // namespace

TMessageParser::TMessageParser() = default;
TMessageParser::~TMessageParser() = default;

void TMessageParser::FailAllocationsAfter(long n) { g_allocationsLeft = n; }

void TMessageParser::SetInput(const uint8_t* data, size_t size) {
  in_ = data;
  inSize_ = size;
  inPos_ = 0;
}

void TMessageParser::ResetFraming() {
  pos_ = 0;
  outOfMemory_ = false;
  skipping_ = false;
  digitCount_ = 0;
  gathered_ = 0;
  replay_.clear();
  replayPos_ = 0;
  in_ = nullptr;
  inSize_ = inPos_ = 0;
}

TMessageRecord* TMessageParser::Find(uint32_t id) {
  auto it = std::lower_bound(records_.begin(), records_.end(), id,
                             [](const TMessageRecord& r, uint32_t v) { return r.id < v; });
  if (it == records_.end() || it->id != id || !it->fresh) return nullptr;
  return &*it;
}

bool TMessageParser::PrepareBuffer(uint32_t length) {
  if (current_ && currentCapacity_ >= length) return true;
  uint8_t* p = AllocateBody(length);
  if (!p) return false;
  current_.reset(p);
  currentCapacity_ = length;
  return true;
}

int TMessageParser::StoreMessage() {
  auto it = std::lower_bound(records_.begin(), records_.end(), id_,
                             [](const TMessageRecord& r, uint32_t v) { return r.id < v; });
  if (it != records_.end() && it->id == id_) {
    // The old record's buffer becomes the one the next message is built in.
    std::swap(it->body, current_);
    std::swap(it->capacity, currentCapacity_);
    it->length = length_ - 1;
    it->fresh = 1;
  } else if (records_.size() < size_t(kMaxIds)) {
    TMessageRecord r;
    r.id = id_;
    r.length = length_ - 1;
    r.fresh = 1;
    r.body = std::move(current_);
    r.capacity = currentCapacity_;
    currentCapacity_ = 0;
    try {
      records_.insert(it, std::move(r));
    } catch (const std::bad_alloc&) {
      outOfMemory_ = true;
      return kOutOfMemory;
    }
  }
  // A new id beyond the limit is dropped; its buffer stays for reuse.
  return int(id_);
}

// Feeds the bytes gathered since the first length digit again, ahead of what is still pending,
// and looks for a line feed in them first.
void TMessageParser::StepBack(const uint8_t* restOfReplay, size_t restSize) {
  std::vector<uint8_t> again;
  again.reserve(size_t(digitCount_) + gathered_ + restSize);
  again.insert(again.end(), digits_, digits_ + digitCount_);
  if (gathered_) again.insert(again.end(), current_.get(), current_.get() + gathered_);
  again.insert(again.end(), restOfReplay, restOfReplay + restSize);
  replay_.swap(again);
  replayPos_ = 0;
  pos_ = 0;
  digitCount_ = 0;
  gathered_ = 0;
  skipping_ = true;
}

TMessageParser::Step TMessageParser::Consume(const uint8_t* data, size_t size, size_t* used) {
  size_t i = 0;
  while (i < size) {
    if (skipping_) {
      const void* lf = std::memchr(data + i, '\n', size - i);
      if (!lf) {
        i = size;
        break;
      }
      i = size_t(static_cast<const uint8_t*>(lf) - data) + 1;
      skipping_ = false;
      pos_ = 0;
      continue;
    }
    const uint8_t b = data[i];
    if (pos_ < 2) {
      ++i;
      if (pos_ == 0) {
        id_ = 0;
        remaining_ = 0;
        sum_ = 0;
        digitCount_ = 0;
        gathered_ = 0;
      }
      if (!kIdChars.ok[b]) {
        pos_ = 0;
        continue;
      }
      id_ |= uint32_t(b) << (8 * pos_);
      sum_ = Mix(sum_, b);
      ++pos_;
      continue;
    }
    if (pos_ < 5) {
      ++i;
      digits_[digitCount_++] = b;
      const int d = HexDigit(b);
      if (d < 0) {
        *used = i;
        return Step::kError;
      }
      sum_ = Mix(sum_, b);
      length_ = pos_ == 2 ? uint32_t(d) : (length_ << 4) | uint32_t(d);
      if (++pos_ == 5) {
        if (length_ == 0 || length_ > kMaxLength) {
          *used = i;
          return Step::kError;
        }
        remaining_ = length_;
        if (!PrepareBuffer(length_)) {
          *used = i;
          return Step::kNoMemory;
        }
      }
      continue;
    }
    // Body: copy the run up to the checksum byte at once.
    if (remaining_ > 1) {
      const size_t run = std::min<size_t>(remaining_ - 1, size - i);
      uint8_t* dst = current_.get() + gathered_;
      unsigned s = sum_;
      for (size_t k = 0; k < run; ++k) {
        const uint8_t v = data[i + k];
        dst[k] = v;
        s = Mix(s, v);
      }
      sum_ = s;
      gathered_ += uint32_t(run);
      remaining_ -= uint32_t(run);
      i += run;
      continue;
    }
    // The checksum byte.
    current_[gathered_++] = b;
    remaining_ = 0;
    ++i;
    *used = i;
    if (b != sum_ && !ChecksumExempt(id_)) return Step::kError;
    return Step::kMessage;
  }
  *used = i;
  return Step::kMore;
}

int TMessageParser::NextMessage() {
  for (;;) {
    const bool fromReplay = replayPos_ < replay_.size();
    const uint8_t* data;
    size_t size;
    if (fromReplay) {
      data = replay_.data() + replayPos_;
      size = replay_.size() - replayPos_;
    } else {
      replay_.clear();
      replayPos_ = 0;
      if (inPos_ >= inSize_) return kEndOfData;
      data = in_ + inPos_;
      size = inSize_ - inPos_;
    }
    size_t used = 0;
    const Step step = Consume(data, size, &used);
    if (fromReplay) {
      replayPos_ += used;
    } else {
      inPos_ += used;
    }
    switch (step) {
      case Step::kMore:
        break;
      case Step::kMessage: {
        const int id = StoreMessage();
        pos_ = 0;
        digitCount_ = 0;
        gathered_ = 0;
        skipping_ = true;
        return id;
      }
      case Step::kError:
        if (fromReplay) {
          StepBack(replay_.data() + replayPos_, replay_.size() - replayPos_);
        } else {
          StepBack(nullptr, 0);
        }
        break;
      case Step::kNoMemory:
        outOfMemory_ = true;
        pos_ = 0;
        digitCount_ = 0;
        gathered_ = 0;
        skipping_ = true;
        return kOutOfMemory;
    }
  }
}

// ---- the file ----

TMessageFileReader::TMessageFileReader() : buffer_(new uint8_t[kBufferSize]) {}

TMessageFileReader::~TMessageFileReader() { Close(); }

void TMessageFileReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int TMessageFileReader::Open(const char* path) {
  Close();
  ResetFraming();
  file_ = path ? vfopen(path, "rb") : nullptr;
  return file_ ? 0 : -1;
}

bool TMessageFileReader::Refill() {
  if (!file_) return false;
  const size_t n = std::fread(buffer_.get(), 1, kBufferSize, file_);
  if (n == 0) {
    Close();
    return false;
  }
  SetInput(buffer_.get(), n);
  return true;
}

int TMessageFileReader::ReadMessage() {
  for (;;) {
    const int r = NextMessage();
    if (r != kEndOfData) return r;
    if (!Refill()) return kEndOfData;
  }
}
