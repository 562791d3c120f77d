// Receiver data files (".jps"): a stream of messages, each
//
//   id (2 characters) | body length L (3 upper-case hex digits) | body (L bytes, the last one
//   the checksum)
//
// usually followed by a line feed. The checksum c starts at 0 and takes every byte before the
// checksum byte as c = rotl2(c ^ b) within 8 bits; "JP", "MF", "PM" and "NP" are taken without
// comparing it.
//
// Invariants of the parser, which runs on the user-interface thread over whatever input it is
// handed, so damaged files must neither hang nor crash it:
// - A message is stored only when its last byte has arrived and checked; a file that ends in the
//   middle of one stores nothing of it.
// - After a good message everything through the next line feed is discarded, so a message that
//   follows another on the same line is lost (the receiver writes one per line).
// - After a framing or checksum error the parser rescans from the message's first length digit
//   for a line feed. Those bytes are kept with the record being built and fed again from there,
//   so recovery works when the damage straddles two refills of the input; the file is never
//   sought.
// - The skip-to-line-feed state and a partial message carry over from one input span to the
//   next, and are dropped only when a new stream starts.
// - The store holds the latest message of at most 201 distinct ids, sorted by id; a record's
//   buffer is sized by its message and reused when the record is replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// The id of a message: the first character in the low byte ("GA" is 0x4147).
constexpr uint32_t MessageId(char first, char second) {
  return uint32_t(uint8_t(first)) | (uint32_t(uint8_t(second)) << 8);
}

// The latest message of one id.
struct TMessageRecord {
  uint32_t id = 0;
  uint32_t length = 0;  // body bytes without the checksum byte
  uint8_t fresh = 0;    // 1 when stored; the consumer clears it
  std::unique_ptr<uint8_t[]> body;  // `length` bytes (and the checksum byte after them)
  uint32_t capacity = 0;
};

class TMessageParser {
 public:
  static constexpr int kMaxIds = 201;
  static constexpr uint32_t kMaxLength = 4005;  // body length with the checksum byte
  // Results of NextMessage besides an id.
  static constexpr int kEndOfData = -1;
  static constexpr int kOutOfMemory = -2;

  TMessageParser();
  virtual ~TMessageParser();
  TMessageParser(const TMessageParser&) = delete;
  TMessageParser& operator=(const TMessageParser&) = delete;

  // Reads the input until one good message is complete and stored: its id (positive). At the
  // end of the input kEndOfData; the state waits for more input. kOutOfMemory when a record
  // buffer could not be had (the message is not stored; OutOfMemory() stays true).
  int NextMessage();
  // The stored record of the id when it is fresh, else null.
  TMessageRecord* Find(uint32_t id);
  int GetIdCount() const { return static_cast<int>(records_.size()); }
  bool OutOfMemory() const { return outOfMemory_; }

  // The bytes NextMessage reads next; they must stay valid until consumed.
  void SetInput(const uint8_t* data, size_t size);
  bool InputConsumed() const { return replayPos_ >= replay_.size() && inPos_ >= inSize_; }
  // Forgets a partial message, the skip state and any pending input: a new stream starts. The
  // store is kept.
  void ResetFraming();

  // Tests: the next `n` record buffers are granted, later ones refused (-1: all granted).
  static void FailAllocationsAfter(long n);

 private:
  enum class Step { kMore, kMessage, kError, kNoMemory };

  Step Consume(const uint8_t* data, size_t size, size_t* used);
  bool PrepareBuffer(uint32_t length);
  int StoreMessage();
  void StepBack(const uint8_t* restOfReplay, size_t restSize);

  std::vector<TMessageRecord> records_;  // sorted by id

  // Framing state.
  int pos_ = 0;        // 0-1 id, 2-4 length digits, 5 body
  uint32_t id_ = 0;
  uint32_t length_ = 0;
  uint32_t remaining_ = 0;
  uint32_t gathered_ = 0;  // body bytes in current_
  unsigned sum_ = 0;
  bool skipping_ = false;
  bool outOfMemory_ = false;
  uint8_t digits_[3] = {0, 0, 0};
  int digitCount_ = 0;
  std::unique_ptr<uint8_t[]> current_;
  uint32_t currentCapacity_ = 0;

  // Bytes rescanned after an error, read before the input.
  std::vector<uint8_t> replay_;
  size_t replayPos_ = 0;
  const uint8_t* in_ = nullptr;
  size_t inSize_ = 0;
  size_t inPos_ = 0;
};

// The open file and a 4096-byte buffer through which it is read in order.
class TMessageFileReader : public TMessageParser {
 public:
  static constexpr size_t kBufferSize = 4096;

  TMessageFileReader();
  ~TMessageFileReader() override;

  // Opens the file (device path, "rb") and starts a new stream; 0, or -1 when it cannot be
  // opened (an earlier file is closed either way).
  int Open(const char* path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The next good message's id; kEndOfData at the end of the file (or a read error), after
  // which the file is closed; kOutOfMemory.
  int ReadMessage();

 private:
  bool Refill();

  FILE* file_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
};
