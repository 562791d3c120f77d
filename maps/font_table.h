// The fonts of an object library, keyed by font number. Face names are held as wide text,
// converted with the program code page when the library is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TFontEntry {
  uint8_t number = 0;
  uint8_t flags = 0;  // bits 0-5 the face name's length in the file; bit 6 italic; bit 7 bold
  std::wstring face;

  bool Italic() const { return flags & 0x40; }
  bool Bold() const { return flags & 0x80; }
};

class TFontTable {
 public:
  // Reads records of L + 2 bytes until the section is used up; a name cut by the section end
  // stops the reader and the fonts before it stay. Returns 0, 1 on a cut, 3 when memory ran out.
  int Load(const uint8_t* data, size_t length);
  void Clear() { fonts_.clear(); }

  // The first font with that number; the first font when none has it; null when there is none.
  const TFontEntry* FindFont(uint8_t number) const;
  int Count() const { return int(fonts_.size()); }

 private:
  std::vector<TFontEntry> fonts_;
};
