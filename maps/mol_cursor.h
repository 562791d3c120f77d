// A bounded little-endian reader over one section of an object library. Every read checks the
// bytes left first, so a record cut by the section end is seen before anything is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TMolCursor {
 public:
  TMolCursor(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}

  size_t Position() const { return pos_; }
  size_t Left() const { return length_ - pos_; }
  bool AtEnd() const { return pos_ >= length_; }
  const uint8_t* Here() const { return data_ + pos_; }

  bool U8(uint8_t* v) {
    if (Left() < 1) return false;
    *v = data_[pos_++];
    return true;
  }
  bool U16(uint16_t* v) {
    if (Left() < 2) return false;
    *v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t* v) {
    if (Left() < 4) return false;
    *v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) |
         (uint32_t(data_[pos_ + 2]) << 16) | (uint32_t(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  // Points *p at the next n bytes and steps over them.
  bool Bytes(size_t n, const uint8_t** p) {
    if (Left() < n) return false;
    *p = data_ + pos_;
    pos_ += n;
    return true;
  }
  bool Text(size_t n, std::string* s) {
    const uint8_t* p;
    if (!Bytes(n, &p)) return false;
    s->assign(reinterpret_cast<const char*>(p), n);
    return true;
  }
  bool Skip(size_t n) {
    if (Left() < n) return false;
    pos_ += n;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t pos_ = 0;
};
