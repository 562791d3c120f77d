#include "maps/attr_list.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "maps/mdm_format.h"

uint16_t AttrFixedSize(uint8_t type) {
  switch (type) {
    case mdm::kAttrU8: return 1;
    case mdm::kAttrI16: return 2;
    case mdm::kAttrI32: return 4;
    case mdm::kAttrFloat: return 4;
    case mdm::kAttrDouble: return 8;
    case mdm::kAttrIndex: return 2;
    default: return 0;
  }
}

static bool IsSized(uint8_t type) { return type == mdm::kAttrText || type == mdm::kAttrIndexList; }

bool AttrListReadItem(const uint8_t* list, uint32_t length, uint32_t pos, TAttrItem* item) {
  *item = TAttrItem();
  if (!list || pos >= length || length - pos < 2) return false;
  uint16_t header = mdm::GetU16(list + pos);
  if (header < 8) return false;
  uint8_t type = uint8_t(header & 7);
  uint32_t hdr = 2;
  uint32_t size;
  if (IsSized(type)) {
    if (length - pos < 3) return false;
    size = list[pos + 2];
    hdr = 3;
  } else {
    size = AttrFixedSize(type);
  }
  if (length - pos - hdr < size) return false;
  item->tag = uint16_t(header >> 3);
  item->type = type;
  item->value = list + pos + hdr;
  item->size = uint16_t(size);
  item->headerSize = uint8_t(hdr);
  item->next = pos + hdr + size;
  return true;
}

bool AttrListFind(const uint8_t* list, uint32_t length, uint16_t tag, uint8_t type,
                  const uint8_t** value, uint16_t* size) {
  *value = nullptr;
  *size = 0;
  TAttrItem it;
  for (uint32_t pos = 0; AttrListReadItem(list, length, pos, &it); pos = it.next) {
    if (it.tag == tag && it.type == type) {
      *value = it.value;
      *size = it.size;
      return true;
    }
  }
  return false;
}

bool AttrListAppend(uint8_t*& list, uint16_t& length, uint16_t tag, uint8_t type,
                    const void* value, uint16_t size) {
  if (tag < 1 || tag > 8191 || type > 7) return false;
  uint32_t hdr = IsSized(type) ? 3 : 2;
  uint32_t vsize = IsSized(type) ? (size > 255 ? 255 : size) : AttrFixedSize(type);
  uint32_t total = uint32_t(length) + hdr + vsize;
  if (total > 0xFFFF) return false;
  auto* grown = static_cast<uint8_t*>(std::realloc(list, total));
  if (!grown) return false;
  list = grown;
  uint8_t* p = list + length;
  mdm::PutU16(p, uint16_t(tag << 3 | type));
  if (hdr == 3) p[2] = uint8_t(vsize);
  if (vsize) {
    if (value)
      std::memcpy(p + hdr, value, vsize);
    else
      std::memset(p + hdr, 0, vsize);
  }
  length = uint16_t(total);
  return true;
}

static bool RemoveWhere(uint8_t* list, uint16_t& length, uint16_t tag, int type) {
  TAttrItem it;
  for (uint32_t pos = 0; AttrListReadItem(list, length, pos, &it); pos = it.next) {
    if (it.tag == tag && (type < 0 || it.type == type)) {
      std::memmove(list + pos, list + it.next, length - it.next);
      length = uint16_t(length - (it.next - pos));
      return true;
    }
  }
  return false;
}

bool AttrListRemove(uint8_t* list, uint16_t& length, uint16_t tag) {
  return RemoveWhere(list, length, tag, -1);
}

bool AttrListRemoveTyped(uint8_t* list, uint16_t& length, uint16_t tag, uint8_t type) {
  return RemoveWhere(list, length, tag, type);
}

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsExponentLetter(unsigned char c) { return c == 0xC5 || c == 0xE5; }

int ScanInteger(uint8_t type, const unsigned char* p, bool negative, double* value) {
  // Past 10^11 the magnitude is out of every range here: further digits are only counted.
  int64_t magnitude = 0;
  int digits = 0;
  for (; *p; ++p) {
    if (!IsDigit(*p)) return kAttrNumberBad;
    ++digits;
    if (magnitude < 100000000000LL) magnitude = magnitude * 10 + (*p - '0');
  }
  if (digits == 0) return kAttrNumberPartial;
  const int64_t v = negative ? -magnitude : magnitude;
  int64_t low = 0, high = 255;
  if (type == mdm::kAttrI16) low = INT16_MIN, high = INT16_MAX;
  if (type == mdm::kAttrI32) low = INT32_MIN, high = INT32_MAX;
  // More digits only take a number further out: out of range now is out of range for good.
  if (v < low || v > high) return kAttrNumberBad;
  if (value) *value = double(v);
  return kAttrNumberWhole;
}

int ScanReal(uint8_t type, const unsigned char* p, bool negative, double* value) {
  std::string plain = negative ? "-" : "";  // the number as the C library's reader takes it
  int mantissa = 0, exponent = 0;
  bool point = false, letter = false;
  for (; *p && !letter; ++p) {
    if (IsDigit(*p)) {
      ++mantissa;
    } else if (*p == '.' && !point) {
      point = true;
    } else if (IsExponentLetter(*p) && mantissa > 0) {
      letter = true;
      plain += 'e';
      continue;
    } else {
      return kAttrNumberBad;
    }
    plain += char(*p);
  }
  if (letter) {
    if (*p == '+' || *p == '-') plain += char(*p++);
    for (; *p; ++p) {
      if (!IsDigit(*p)) return kAttrNumberBad;
      ++exponent;
      plain += char(*p);
    }
    if (exponent == 0) return kAttrNumberPartial;
  }
  if (mantissa == 0) return kAttrNumberPartial;
  double d = 0;
  const auto r = std::from_chars(plain.data(), plain.data() + plain.size(), d);
  // Above or below what a double holds: no value to store.
  if (r.ec != std::errc() || r.ptr != plain.data() + plain.size() || !std::isfinite(d))
    return kAttrNumberBad;
  if (type == mdm::kAttrFloat) {
    const float f = float(d);
    if (!std::isfinite(f) || (f == 0 && d != 0)) return kAttrNumberBad;
  }
  if (value) *value = d;
  return kAttrNumberWhole;
}

}  // namespace

int ScanAttrNumber(uint8_t type, const char* text, double* value) {
  if (!text || type > mdm::kAttrDouble) return kAttrNumberBad;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  return type <= mdm::kAttrI32 ? ScanInteger(type, p, negative, value)
                               : ScanReal(type, p, negative, value);
}

int ValidateAttrText(uint8_t type, const char* text) {
  if (!text) return 0;
  switch (type) {
    case mdm::kAttrU8:
    case mdm::kAttrI16:
    case mdm::kAttrI32:
    case mdm::kAttrFloat:
    case mdm::kAttrDouble: return ScanAttrNumber(type, text, nullptr) != kAttrNumberBad ? 1 : 0;
    case mdm::kAttrText: return std::strlen(text) < 255 ? 1 : 0;
    case mdm::kAttrIndex:
    case mdm::kAttrIndexList: return 1;
    default: return 0;
  }
}
