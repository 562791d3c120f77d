#include "base/text_utils.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <vector>

#include "platform/fresh_state.h"
#include "platform/sys/winsys.h"

// ---- the program code page ----
//
// Conversions run on every text the screen shows, so single-byte pages go through a 256-entry
// table that is filled once from the layer's own conversion (the table is the layer's answer, so
// both paths agree byte for byte). Multi-byte pages (UTF-8) always ask the layer.

namespace {

constexpr UINT kDefaultCodePage = 1251;
constexpr UINT kUtf8CodePage = 65001;

std::atomic<UINT> g_programCodePage{kDefaultCodePage};
const vplat::FreshStateHook kFresh(2, [] { g_programCodePage = kDefaultCodePage; });

struct ByteTable {
  UINT codePage;
  bool singleByte;    // every byte is one character and the table holds its wide value
  wchar_t wide[256];
};

// Tables are made once per page and never freed (not even at exit, so that a conversion from a
// global destructor still finds them); a reader holding one needs no lock.
std::mutex g_tableLock;
std::vector<ByteTable*>& Tables() {
  static auto* tables = new std::vector<ByteTable*>;
  return *tables;
}
std::atomic<const ByteTable*> g_currentTable{nullptr};

ByteTable* MakeTable(UINT codePage) {
  auto* table = new ByteTable{};
  table->codePage = codePage;
  table->singleByte = false;
  if (codePage == kUtf8CodePage) return table;
  char all[256];
  for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
  wchar_t whole[257] = {};
  // A page is single-byte when the 256 bytes converted together give 256 characters, each the
  // one its byte gives alone (a lead byte of a multi-byte page would swallow its follower).
  if (MultiByteToWideChar(codePage, 0, all, 256, whole, 257) != 256) return table;
  for (int i = 0; i < 256; ++i) {
    wchar_t one[2] = {};
    if (MultiByteToWideChar(codePage, 0, all + i, 1, one, 2) != 1 || one[0] != whole[i]) return table;
    table->wide[i] = whole[i];
  }
  table->singleByte = true;
  return table;
}

const ByteTable* TableFor(UINT codePage) {
  const ByteTable* current = g_currentTable.load(std::memory_order_acquire);
  if (current && current->codePage == codePage) return current;
  std::lock_guard<std::mutex> lock(g_tableLock);
  for (ByteTable* t : Tables()) {
    if (t->codePage == codePage) {
      g_currentTable.store(t, std::memory_order_release);
      return t;
    }
  }
  ByteTable* made = MakeTable(codePage);
  Tables().push_back(made);
  g_currentTable.store(made, std::memory_order_release);
  return made;
}

// Bytes at the end of `src[0..n)` that start a UTF-8 character whose continuation bytes lie
// beyond n: they are left for the next call rather than turned into a replacement character.
int IncompleteUtf8Tail(const char* src, int n) {
  int back = 0;
  while (back < n && back < 4) {
    unsigned char c = static_cast<unsigned char>(src[n - 1 - back]);
    if ((c & 0xC0) != 0x80) {
      int need = (c >= 0xF0 && c <= 0xF7) ? 4 : (c >= 0xE0) ? 3 : (c >= 0xC0) ? 2 : 1;
      if (c >= 0xF8) need = 1;
      return need > back + 1 ? back + 1 : 0;
    }
    ++back;
  }
  return 0;
}

// Converts n bytes (n >= 1) into at most `room` wide characters; returns the count or 0.
int ConvertBytes(UINT codePage, const char* src, int n, wchar_t* dst, int room) {
  const ByteTable* table = TableFor(codePage);
  if (table->singleByte) {
    int count = std::min(n, room);
    for (int i = 0; i < count; ++i) dst[i] = table->wide[static_cast<unsigned char>(src[i])];
    return count;
  }
  if (codePage == kUtf8CodePage) n -= IncompleteUtf8Tail(src, n);
  while (n > 0) {
    int got = MultiByteToWideChar(codePage, 0, src, n, dst, room);
    if (got > 0) return got;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return 0;
    n = std::min(n - 1, room);  // fewer bytes never give more characters
    if (codePage == kUtf8CodePage) n -= IncompleteUtf8Tail(src, n);
  }
  return 0;
}

int NeededBytes(UINT codePage, const wchar_t* src, int n) {
  return n > 0 ? WideCharToMultiByte(codePage, 0, src, n, nullptr, 0, nullptr, nullptr) : 0;
}

bool IsSeparator(int c) { return c == '\\' || c == '/'; }

template <typename Ch>
size_t Length(const Ch* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

// Copies n characters of src into dst of `size` characters, cut to fit, terminated.
template <typename Ch>
Ch* CopyCut(Ch* dst, const Ch* src, size_t n, size_t size) {
  if (!dst || size == 0) return dst;
  n = std::min(n, size - 1);
  if (n) std::memmove(dst, src, n * sizeof(Ch));
  dst[n] = 0;
  return dst;
}

// Index of the file name's extension dot, or -1: only a dot after the last separator counts.
template <typename Ch>
long ExtensionDot(const Ch* path) {
  long dot = -1;
  for (long i = 0; path[i]; ++i) {
    if (path[i] == '.') dot = i;
    else if (IsSeparator(path[i])) dot = -1;
  }
  return dot;
}

}  // namespace

UINT GetProgramCodePage() { return g_programCodePage.load(std::memory_order_relaxed); }

bool SetProgramCodePage(UINT codePage) {
  wchar_t probe[2] = {};
  if (MultiByteToWideChar(codePage, 0, "A", 1, probe, 2) != 1) return false;
  // Texts only: file names keep the path page whatever the language (see PathToWide).
  g_programCodePage.store(codePage, std::memory_order_relaxed);
  return true;
}

int AnsiToWide(wchar_t* dst, const char* src, int length, size_t capacity) {
  if (!dst || capacity == 0) return 0;
  int n = static_cast<int16_t>(length);  // the count is a 16-bit number, as callers pass it
  n = std::max(0, std::min<int>(n, static_cast<int>(std::min<size_t>(capacity - 1, INT16_MAX))));
  int got = (n > 0 && src) ? ConvertBytes(GetProgramCodePage(), src, n, dst, n) : 0;
  dst[got] = 0;
  return got;
}

int WideToAnsi(char* dst, const wchar_t* src, int length, size_t capacity) {
  if (!dst || capacity == 0) return 0;
  int room = static_cast<int>(std::min<size_t>(capacity - 1, INT16_MAX));
  int n = std::max(0, std::min<int>(static_cast<int16_t>(length), room));
  if (n == 0 || !src) {
    dst[0] = 0;
    return 0;
  }
  UINT cp = GetProgramCodePage();
  int need = NeededBytes(cp, src, n);
  if (need > room) {
    // Every character takes at least one byte: find the most characters whose bytes fit.
    int lo = 0, hi = n;
    while (lo < hi) {
      int mid = (lo + hi + 1) / 2;
      if (NeededBytes(cp, src, mid) <= room) lo = mid;
      else hi = mid - 1;
    }
    n = lo;
  }
  int got = n > 0 ? WideCharToMultiByte(cp, 0, src, n, dst, room, nullptr, nullptr) : 0;
  if (got < 0) got = 0;
  dst[got] = 0;
  return got;
}

namespace {

std::wstring WidenWith(UINT cp, const ByteTable* table, std::string_view src) {
  std::wstring out;
  if (src.empty()) return out;
  out.resize(src.size());
  if (table->singleByte) {
    for (size_t i = 0; i < src.size(); ++i) out[i] = table->wide[static_cast<unsigned char>(src[i])];
    return out;
  }
  size_t n = std::min<size_t>(src.size(), INT_MAX);
  int got = MultiByteToWideChar(cp, 0, src.data(), static_cast<int>(n), out.data(),
                                static_cast<int>(n));
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

std::string NarrowWith(UINT cp, std::wstring_view src) {
  std::string out;
  if (src.empty()) return out;
  int n = static_cast<int>(std::min<size_t>(src.size(), INT_MAX / 4));
  int need = NeededBytes(cp, src.data(), n);
  if (need <= 0) return out;
  out.resize(static_cast<size_t>(need));
  int got = WideCharToMultiByte(cp, 0, src.data(), n, out.data(), need, nullptr, nullptr);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

// The path page's table, found once: paths and texts alternate on every screen, and the
// texts' table stays the current one.
const ByteTable* PathTable() {
  static const ByteTable* const table = [] {
    std::lock_guard<std::mutex> lock(g_tableLock);
    for (ByteTable* t : Tables())
      if (t->codePage == kPathCodePage) return static_cast<const ByteTable*>(t);
    ByteTable* made = MakeTable(kPathCodePage);
    Tables().push_back(made);
    return static_cast<const ByteTable*>(made);
  }();
  return table;
}

}  // namespace

std::wstring AnsiToWideString(std::string_view src) {
  const UINT cp = GetProgramCodePage();
  return WidenWith(cp, TableFor(cp), src);
}

std::string WideToAnsiString(std::wstring_view src) { return NarrowWith(GetProgramCodePage(), src); }

std::wstring PathToWide(std::string_view path) { return WidenWith(kPathCodePage, PathTable(), path); }

std::string WideToPath(std::wstring_view path) { return NarrowWith(kPathCodePage, path); }

bool WideToPathExact(std::wstring_view path, std::string* out) {
  std::string narrow = WideToPath(path);
  if (PathToWide(narrow) != path) return false;
  if (out) *out = std::move(narrow);
  return true;
}

// ---- paths ----

char* GetDirPart(char* dst, const char* path, size_t size) {
  size_t end = 0;
  for (size_t i = 0; path[i]; ++i)
    if (IsSeparator(path[i])) end = i + 1;
  return CopyCut(dst, path, end, size);
}

wchar_t* GetDirPartW(wchar_t* dst, const wchar_t* path, size_t size) {
  size_t end = 0;
  for (size_t i = 0; path[i]; ++i)
    if (path[i] == L'\\') end = i + 1;
  return CopyCut(dst, path, end, size);
}

char* GetFileNamePart(char* dst, const char* path, size_t size) {
  size_t start = 0, i = 0;
  for (; path[i]; ++i)
    if (IsSeparator(path[i])) start = i + 1;
  return CopyCut(dst, path + start, i - start, size);
}

char* GetExtension(char* dst, const char* path, size_t size) {
  long dot = ExtensionDot(path);
  if (dot < 0) return CopyCut(dst, path, 0, size);
  return CopyCut(dst, path + dot, std::strlen(path + dot), size);
}

wchar_t* GetExtensionW(wchar_t* dst, const wchar_t* path, size_t size) {
  long dot = ExtensionDot(path);
  if (dot < 0) return CopyCut(dst, path, 0, size);
  return CopyCut(dst, path + dot, Length(path + dot), size);
}

void StripExtension(char* path) {
  long dot = ExtensionDot(path);
  if (dot >= 0) path[dot] = 0;
}

void StripExtensionW(wchar_t* path) {
  long dot = ExtensionDot(path);
  if (dot >= 0) path[dot] = 0;
}

bool FileExists(const char* path) {
  if (!path || !path[0]) return false;
  size_t n = std::strlen(path);
  if (n > 255) return false;
  return GetFileAttributesW(PathToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool PathExistsW(const wchar_t* path) {
  if (!path || !path[0]) return false;
  std::wstring copy(path);
  if (copy.back() == L'\\') copy.pop_back();
  if (copy.empty()) copy = L"\\";  // the root itself
  return GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long GetFileLength(FILE* file) {
  if (!file) return -1;
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  long length = std::ftell(file);
  std::fseek(file, here, SEEK_SET);
  return length;
}

bool MakeBackupName(const char* path, char* out, const char* tag, size_t size) {
  if (!out || size == 0) return false;
  out[0] = 0;
  if (!path) return false;
  size_t n = std::strlen(path);
  if (n >= size) return false;
  std::memcpy(out, path, n + 1);
  if (!FileExists(out)) return true;
  std::string stem(path);
  std::string ext;
  long dot = ExtensionDot(path);
  if (dot >= 0) {
    ext = stem.substr(static_cast<size_t>(dot));
    stem.resize(static_cast<size_t>(dot));
  }
  for (int counter = 2; counter < INT_MAX; ++counter) {
    int w = std::snprintf(out, size, "%s_%s%i%s", stem.c_str(), tag ? tag : "", counter, ext.c_str());
    if (w < 0 || static_cast<size_t>(w) >= size) break;  // a cut name could be another file's
    if (!FileExists(out)) return true;
  }
  out[0] = 0;
  return false;
}

// ---- texts ----

int SqueezeSpaces(char* text) {
  if (!text) return 0;
  int w = 0;
  bool lastSpace = false;
  for (int r = 0; text[r]; ++r) {
    char c = text[r] == '\t' ? ' ' : text[r];
    if (c == ' ' && lastSpace) continue;
    lastSpace = c == ' ';
    text[w++] = c;
  }
  text[w] = 0;
  return w;
}

namespace {
bool BackslashNeedsDoubling(char next) {
  return next == 'n' || next == 't' || next == '\\' || next == '\n' || next == '\t' || next == '\r';
}

// A carriage return is written as a doubled backslash and "x0D". The shorter "\r" cannot be used:
// files written before CR was escaped hold "\r" as a plain backslash and 'r' (a path such as
// "\Vorna\routes.mpj"), and a doubled backslash there was always followed by 'n', 't' or another
// backslash, so this form never occurs in them.
constexpr std::string_view kCrEscape = "\\\\x0D";

// Appends the escaped form of value[i] to out: one character or an escape pair.
void EscapeOne(std::string_view value, size_t i, std::string& out) {
  char c = value[i];
  if (c == '\n') out += "\\n";
  else if (c == '\r') out += kCrEscape;
  else if (c == '\t') out += "\\t";
  else if (c == '\\' && i + 1 < value.size() && BackslashNeedsDoubling(value[i + 1])) out += "\\\\";
  else out += c;
}
}  // namespace

std::string EscapeValue(std::string_view value) {
  if (value.find_first_of("\\\n\t\r") == std::string_view::npos) return std::string(value);
  std::string out;
  out.reserve(value.size() + 8);
  for (size_t i = 0; i < value.size(); ++i) EscapeOne(value, i, out);
  return out;
}

std::string UnescapeValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  for (;;) {
    // Copy the run up to the next backslash whole: most values have none.
    size_t slash = text.find('\\', i);
    out.append(text.substr(i, slash == std::string_view::npos ? std::string_view::npos : slash - i));
    if (slash == std::string_view::npos) return out;
    char next = slash + 1 < text.size() ? text[slash + 1] : 0;
    if (text.substr(slash, kCrEscape.size()) == kCrEscape) {
      out += '\r';
      i = slash + kCrEscape.size();
    } else if (next == 'n' || next == 't' || next == '\\') {
      out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
      i = slash + 2;
    } else {
      out += '\\';
      i = slash + 1;
    }
  }
}

char* EscapeText(char* dst, const char* src, size_t size) {
  if (!dst || size == 0) return dst;
  std::string_view value(src ? src : "");
  size_t w = 0;
  std::string unit;
  for (size_t i = 0; i < value.size(); ++i) {
    unit.clear();
    EscapeOne(value, i, unit);
    if (w + unit.size() > size - 1) break;
    std::memcpy(dst + w, unit.data(), unit.size());
    w += unit.size();
  }
  dst[w] = 0;
  return dst;
}

char* UnescapeText(char* dst, const char* src, size_t size) {
  std::string out = UnescapeValue(src ? src : "");
  return CopyCut(dst, out.c_str(), out.size(), size);
}

int FindNthChar(char ch, int n, const char* text) {
  if (!text || n < 1 || !text[0]) return -1;
  int seen = 0;
  for (int i = 1; text[i]; ++i)
    if (text[i] == ch && ++seen == n) return i;
  return -1;
}

int FindCharPositions(char ch, int n, const char* text, int* positions) {
  if (n < 1 || !text || !positions) return -1;
  int found = 0;
  int i = text[0] ? 1 : 0;
  for (; text[i] && found < n; ++i)
    if (text[i] == ch) positions[found++] = i;
  if (found < n) positions[found] = static_cast<int>(std::strlen(text));
  return found;
}

char* CopyField(char* dst, const char* text, int from, int to, size_t size) {
  long len = static_cast<long>(std::strlen(text));
  long start = std::max<long>(static_cast<long>(from) + 1, 0);
  long end = std::min<long>(to, len);
  if (end <= start) return CopyCut(dst, text, 0, size);
  return CopyCut(dst, text + start, static_cast<size_t>(end - start), size);
}

void TrimTrailingZeros(char* text) {
  if (!text) return;
  size_t n = std::strlen(text);
  while (n > 1 && text[n - 1] == '0') text[--n] = 0;
}

void TrimTrailingZerosW(wchar_t* text) {
  if (!text) return;
  size_t n = Length(text);
  while (n > 1 && text[n - 1] == L'0') text[--n] = 0;
}

namespace {
// Decimal digit strings without sign, most significant first.
std::string AddDigits(const std::string& a, const std::string& b) {
  std::string out;
  int carry = 0;
  for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
    int d = carry;
    if (i < a.size()) d += a[a.size() - 1 - i] - '0';
    if (i < b.size()) d += b[b.size() - 1 - i] - '0';
    out.push_back(static_cast<char>('0' + d % 10));
    carry = d / 10;
  }
  std::reverse(out.begin(), out.end());
  return out;
}

std::string StripZeros(const std::string& s) {
  size_t i = s.find_first_not_of('0');
  return i == std::string::npos ? "0" : s.substr(i);
}

int CompareDigits(const std::string& a, const std::string& b) {
  std::string x = StripZeros(a), y = StripZeros(b);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x.compare(y) < 0 ? -1 : x.compare(y) > 0 ? 1 : 0;
}

// a - b for a >= b.
std::string SubDigits(const std::string& a, const std::string& b) {
  std::string out;
  int borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int d = a[a.size() - 1 - i] - '0' - borrow;
    if (i < b.size()) d -= b[b.size() - 1 - i] - '0';
    borrow = d < 0;
    out.push_back(static_cast<char>('0' + (d + 10) % 10));
  }
  std::reverse(out.begin(), out.end());
  return StripZeros(out);
}
}  // namespace

bool IncrementTrailingNumber(char* text, int step, size_t size) {
  if (!text || size == 0) return false;
  size_t len = std::strlen(text);
  std::string result;
  size_t runStart = len;
  while (runStart > 0 && text[runStart - 1] >= '0' && text[runStart - 1] <= '9') --runStart;
  std::string run(text + runStart, len - runStart);
  std::string magnitude = std::to_string(step < 0 ? -static_cast<long long>(step) : step);
  if (len == 0) {
    result = std::to_string(step);
  } else {
    std::string digits = run.empty() ? "0" : run;
    bool negative = false;
    std::string sum;
    if (step >= 0) {
      sum = StripZeros(AddDigits(digits, magnitude));
    } else if (CompareDigits(digits, magnitude) >= 0) {
      sum = SubDigits(digits, magnitude);
    } else {
      sum = SubDigits(magnitude, digits);
      negative = true;
    }
    // Leading zeros are kept to the old width only when the old run had them; a sign counts
    // toward the width, as a zero-padded printf field would have it.
    size_t width = (!run.empty() && run[0] == '0') ? run.size() : 0;
    size_t digitsWidth = negative && width > 0 ? width - 1 : width;
    if (sum.size() < digitsWidth) sum.insert(0, digitsWidth - sum.size(), '0');
    result.assign(text, runStart);
    if (negative) result += '-';
    result += sum;
  }
  if (result.size() >= size) return false;
  std::memcpy(text, result.c_str(), result.size() + 1);
  return true;
}

namespace {
// Integer value of a decimal text with optional sign; false when it has no digit.
bool ParseListInt(std::string_view s, long long* value) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<long long>(v * 10 + (s[i] - '0'), 1LL << 40);
  *value = neg ? -v : v;
  return true;
}
}  // namespace

int TakeValueFromList(int key, const char* list, std::string& rest) {
  if (!list) return 0;
  std::string_view all(list);
  int value = 0;
  bool found = false;
  size_t start = 0;
  for (size_t semi; (semi = all.find(';', start)) != std::string_view::npos; start = semi + 1) {
    std::string_view entry = all.substr(start, semi - start);
    size_t colon = entry.find(':');
    long long k = 0;
    if (colon != std::string_view::npos && ParseListInt(entry.substr(0, colon), &k) && k == key) {
      if (!found) {
        long long v = 0;
        ParseListInt(entry.substr(colon + 1), &v);
        value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
        found = true;
      }
      continue;
    }
    rest.append(entry);
    rest.push_back(';');
  }
  return value;
}

namespace {
void DropOldest(std::string& list) {
  size_t semi = list.find(';');
  list.erase(0, semi == std::string::npos ? list.size() : semi + 1);
}
}  // namespace

void PushValueList(int key, int value, std::string& list) {
  if (list.size() > 100) {
    DropOldest(list);
    DropOldest(list);
  }
  std::string entry = std::to_string(key) + ":" + std::to_string(value) + ";";
  while (!list.empty() && list.size() + entry.size() > 255) DropOldest(list);
  list += entry;
}

uint16_t XorChecksum16(const uint8_t* bytes, size_t length) {
  uint16_t sum = 0;
  for (size_t i = 0; i < length; i += 2) {
    uint16_t word = static_cast<uint16_t>(bytes[i] << 8);
    if (i + 1 < length) word |= bytes[i + 1];
    sum ^= word;
  }
  return sum;
}

int RoundHalfUp(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  int whole = static_cast<int>(value);  // toward zero
  if (value - whole >= 0.5) ++whole;
  return whole;
}

size_t CopyMultiString(wchar_t* dst, const wchar_t* src, size_t size) {
  // Whole strings only, and always the closing empty one: a cut string would read as another.
  if (!dst || size == 0) return 0;
  size_t w = 0;
  for (size_t r = 0; src && src[r];) {
    size_t n = 0;
    while (src[r + n]) ++n;
    if (w + n + 2 > size) break;  // the string, its terminator and the closing one
    std::wmemcpy(dst + w, src + r, n + 1);
    w += n + 1;
    r += n + 1;
  }
  dst[w++] = 0;
  return w;
}
