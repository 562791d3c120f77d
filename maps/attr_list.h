// Attribute lists: typed items laid end to end, the same bytes on disk and in memory.
//
// Item: uint16 header (bits 0-2 value type, bits 3-15 tag 1..8191), then for types 5 and 7 a
// length byte, then the value. A header below 8 (tag 0), or an item that would run past the
// list's end, is invalid and ends every scan: the bytes after it are unreachable but kept.
#pragma once

#include <cstdint>

// Positions within a list are below 65536; this one means "no further item".
constexpr uint32_t kAttrNone = 0xFFFF;

struct TAttrItem {
  uint16_t tag = 0;
  uint8_t type = 255;  // 255: invalid item
  const uint8_t* value = nullptr;
  uint16_t size = 0;        // value bytes
  uint8_t headerSize = 0;   // 2, or 3 for types 5 and 7
  uint32_t next = kAttrNone;
};

// Fixed value size of a type (1, 2, 4, 4, 8, -, 2, -); 0 for the sized types 5 and 7 and for
// anything else.
uint16_t AttrFixedSize(uint8_t type);

// Reads the item at `pos`. Returns false, with type 255, size 0 and next 0xFFFF, for an invalid
// header, a position at or past the end, or an item running past `length`.
bool AttrListReadItem(const uint8_t* list, uint32_t length, uint32_t pos, TAttrItem* item);

// First item whose tag and type both match; false (value null, size 0) when none.
bool AttrListFind(const uint8_t* list, uint32_t length, uint16_t tag, uint8_t type,
                  const uint8_t** value, uint16_t* size);

// Appends an item. Types 5 and 7 take `size` bytes, cut to 255 (the length byte holds no
// more); other types take their fixed size and ignore `size`. Refuses (false, list untouched)
// an invalid tag or type, a list that would pass 65535 bytes, or exhausted memory.
bool AttrListAppend(uint8_t*& list, uint16_t& length, uint16_t tag, uint8_t type,
                    const void* value, uint16_t size);

// Removes the first item with `tag` (any type); false when none.
bool AttrListRemove(uint8_t* list, uint16_t& length, uint16_t tag);
// Removes the first item with `tag` and `type`; false when none.
bool AttrListRemoveTyped(uint8_t* list, uint16_t& length, uint16_t tag, uint8_t type);

// How much of a number of a numeric attribute type (0 byte 0..255, 1 signed 16-bit, 2 signed
// 32-bit, 3 single, 4 double) a text is:
// - whole: exactly one number of the type that the type holds (the value, when asked for);
// - partial: no number yet, but typing on may make one ("", a sign, "1.", "1\xE5-");
// - bad: nothing typed after it can make it one ("1-2", "1.2.3", "40000" for type 1).
// A real number is an optional sign, digits with at most one '.', and an optional exponent:
// the Cyrillic Ie of code page 1251 (0xC5, 0xE5; the device keyboard's letter for it), a sign,
// digits. A single or double must come out finite, and not 0 for digits that are not.
enum AttrNumberFit : int { kAttrNumberBad = 0, kAttrNumberPartial = 1, kAttrNumberWhole = 2 };
int ScanAttrNumber(uint8_t type, const char* text, double* value);

// Whether `text` may stand in the editor of a value of `type` while being typed: a numeric type
// takes a whole or partial number (see ScanAttrNumber), a text fewer than 255 bytes, the list
// types anything. TMdmMap::ParseAttr takes only whole numbers.
int ValidateAttrText(uint8_t type, const char* text);
