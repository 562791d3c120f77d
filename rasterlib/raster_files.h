// The raster library's text files beside each picture (".poi", ".ides") and its path rules.
// Everything here is plain code without globals, shared by the library and its tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tilvex {

inline constexpr int kSlots = 5;
inline constexpr size_t kMaxPath = 255;  // device paths and out buffers: 255 bytes + terminator

// Device path (wide) <-> the program's 8-bit code page. False when a character has no 8-bit form
// or the text does not come back unchanged (such a path could never be reopened).
bool Narrow(const std::wstring& wide, std::string* out);
std::wstring Widen(const std::string& narrow);

// The path with the extension of its last component (from its last '.') replaced by `ext`
// (".poi", ".ides"), or `ext` appended when that component has none.
std::string CompanionPath(const std::string& path, const char* ext);
std::wstring CompanionPath(const std::wstring& path, const wchar_t* ext);

// One point slot. X and Y keep their text as read so that they are written back unchanged;
// new and moved points get the decimal text of their value.
struct RasterPoint {
  bool set = false;
  int x = 0, y = 0;
  std::string xText, yText;
  std::string name;
  bool hasTexts = false;
  std::string s1, s2;

  void Place(int px, int py);
  void Clear(int slot);  // empty, named by its index as a never-read slot
};

struct IdesFile {
  std::string pair = "0 0";  // the first two tokens of line 1, joined by a blank
  RasterPoint slots[kSlots];
  std::vector<std::string> extra;  // point lines after the fifth, verbatim
  IdesFile();
};

struct PoiFile {
  std::string header = "NONAME 0 0";
  std::string pair = "0.0 0.0";
  bool realPair = false;  // line 2 was present and no point line: it is written back
  // The point lines "n X Y" after the header (and the pair), X and Y as read; the first five.
  std::vector<std::pair<std::string, std::string>> points;
};

// The file's lines: split at LF or NUL, a CR before the LF dropped, a last line without LF kept.
std::vector<std::string> SplitLines(const std::string& bytes);

// False only when the file cannot be opened (the defaults stay).
bool ReadWholeFile(const std::string& path8, std::string* bytes);
IdesFile ParseIdes(const std::string& bytes);
PoiFile ParsePoi(const std::string& bytes);
// The points of a ".poi" that has no ".ides" beside it: set slots in file order, each named by
// its slot index (the ".poi" holds no names) and without texts; the pair stays "0 0".
IdesFile IdesFromPoi(const PoiFile& poi);
std::string FormatIdes(const IdesFile& f);
std::string FormatPoi(const PoiFile& poi, const IdesFile& points);

// Writes `bytes` to a temporary file and swaps it in for `path8`: the old file goes aside, the
// new one takes its name, the old one is removed; on any failure the old file is left in place.
bool ReplaceFile(const std::string& path8, const std::string& bytes);

// The export Link: 1 when a slot named `name` took the texts, 0 otherwise (also for an empty or
// overlong path, a missing ".ides", or texts that would break the line format).
int LinkTexts(const char* path, const char* name, const char* text1, const char* text2,
              bool* writeFailed);

}  // namespace tilvex
