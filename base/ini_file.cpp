#include "base/ini_file.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/text_utils.h"
#include "platform/sys/winsys.h"

namespace {

constexpr size_t kHeaderMax = 254;   // characters of the header line

// Reads a whole open file; false on a read error (a folder opened as a file ends up here). The
// buffer is sized once from the file's length, so a big file is not copied while it grows.
bool ReadAll(FILE* f, std::string& data) {
  long length = GetFileLength(f);
  if (length > 0) data.reserve(static_cast<size_t>(length));
  char chunk[65536];
  for (;;) {
    size_t got = std::fread(chunk, 1, sizeof chunk, f);
    data.append(chunk, got);
    if (got < sizeof chunk) return !std::ferror(f);
  }
}

}  // namespace

TIniFile::TIniFile() : header_("[Ini]") {}

TIniFile::~TIniFile() = default;

void TIniFile::Clear() {
  std::vector<Pair>().swap(pairs_);
}

TIniFile::TSnapshot TIniFile::Snapshot() const {
  TSnapshot s;
  s.pairs_ = pairs_;
  s.header_ = header_;
  s.path_ = path_;
  return s;
}

void TIniFile::Restore(const TSnapshot& snapshot) {
  pairs_ = snapshot.pairs_;
  header_ = snapshot.header_;
  path_ = snapshot.path_;
}

void TIniFile::SetHeader(const char* header) {
  header_.assign(header ? header : "");
  if (header_.size() > kHeaderMax) header_.resize(kHeaderMax);
}

int TIniFile::Append(std::string key, std::string value) {
  try {
    // Geometric growth: a fixed step of ten pairs made loading quadratic in the file's size.
    pairs_.push_back(Pair{std::move(key), std::move(value)});
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  return kOk;
}

int TIniFile::Load(const char* path) {
  // The whole path is kept: a cut path would make the next Save write another file.
  path_.assign(path ? path : "");
  Clear();
  FILE* f = path && path[0] ? vfopen(path, "r") : nullptr;
  if (!f) return kCannotOpen;
  std::string data;
  bool ok;
  try {
    ok = ReadAll(f, data);
  } catch (const std::bad_alloc&) {
    std::fclose(f);
    return kNoMemory;
  }
  std::fclose(f);
  if (!ok) return kCannotOpen;

  try {
    size_t lines = 1;
    for (const char* p = data.data(); (p = static_cast<const char*>(std::memchr(p, '\n', data.data() + data.size() - p)));
         ++p)
      ++lines;
    pairs_.reserve(lines);
  } catch (const std::bad_alloc&) {
    // Growing pair by pair below still works, or reports 3.
  }
  size_t pos = 0;
  while (pos < data.size()) {
    size_t nl = data.find('\n', pos);
    size_t end = nl == std::string::npos ? data.size() : nl;
    size_t next = nl == std::string::npos ? data.size() : nl + 1;
    // Handheld files end their lines with CR LF: the CR before the line feed goes too.
    if (nl != std::string::npos && end > pos && data[end - 1] == '\r') --end;
    std::string_view line(data.data() + pos, end - pos);
    pos = next;
    // An '=' in the first position belongs to the key, so "=a=b" is the key "=a" with value "b".
    // Lines without a later '=' (the header, empty lines, other text) are skipped.
    size_t eq = line.size() > 1 ? line.find('=', 1) : std::string_view::npos;
    if (eq == std::string_view::npos) continue;
    int rc;
    try {
      rc = Append(std::string(line.substr(0, eq)), UnescapeValue(line.substr(eq + 1)));
    } catch (const std::bad_alloc&) {
      rc = kNoMemory;
    }
    if (rc != kOk) return rc;
  }
  return kOk;
}

int TIniFile::Save() { return SaveAs(path_.c_str()); }

int TIniFile::SaveAs(const char* path) {
  if (!path || !path[0]) return kCannotOpen;
  std::string out;
  try {
    out.reserve(header_.size() + 1 + pairs_.size() * 24);
    out += header_;
    out += '\n';
    for (const Pair& p : pairs_) {
      if (p.key.empty()) continue;  // could not be read back as itself
      out += p.key;
      out += '=';
      out += EscapeValue(p.value);
      out += '\n';
    }
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  // Never opened for writing in place: emptied first and then cut short by a full card, the
  // settings file would lose every key. The old file stays whole until the new one is.
  return vwritefile(path, out.data(), out.size()) == 0 ? kOk : kCannotOpen;
}

int TIniFile::AddPair(const char* key, const char* value) {
  try {
    return Append(key ? key : "", value ? value : "");
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

int TIniFile::IndexOf(const char* key) const {
  if (!key || !key[0]) return -1;
  size_t n = std::strlen(key);
  for (size_t i = 0; i < pairs_.size(); ++i)
    if (pairs_[i].key.size() == n && std::memcmp(pairs_[i].key.data(), key, n) == 0)
      return static_cast<int>(i);
  return -1;
}

const char* TIniFile::FindKey(const char* key, int* index) const {
  int i = IndexOf(key);
  if (index) *index = i;
  return i < 0 ? nullptr : pairs_[static_cast<size_t>(i)].value.c_str();
}

bool TIniFile::HasKey(const char* key) const { return IndexOf(key) >= 0; }

const char* TIniFile::GetKeyAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= pairs_.size()) return nullptr;
  return pairs_[static_cast<size_t>(index)].key.c_str();
}

const char* TIniFile::GetValueAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= pairs_.size()) return nullptr;
  return pairs_[static_cast<size_t>(index)].value.c_str();
}

char* TIniFile::GetString(const char* key, char* buffer, size_t size) const {
  int i = IndexOf(key);
  if (i < 0 || !buffer || size == 0) return nullptr;
  const std::string& v = pairs_[static_cast<size_t>(i)].value;
  size_t n = std::min(v.size(), size - 1);
  std::memcpy(buffer, v.data(), n);
  buffer[n] = 0;
  return buffer;
}

bool TIniFile::GetString(const char* key, std::string& out) const {
  int i = IndexOf(key);
  if (i < 0) return false;
  out = pairs_[static_cast<size_t>(i)].value;
  return true;
}

int TIniFile::SetString(const char* key, const char* value) {
  int i = IndexOf(key);
  try {
    if (i >= 0) {
      pairs_[static_cast<size_t>(i)].value.assign(value ? value : "");
      return kOk;
    }
    return Append(key ? key : "", value ? value : "");
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

int TIniFile::GetInt(const char* key) const {
  const char* s = FindKey(key);
  if (!s) return 0;
  // As atoi reads it: leading blanks, a sign, digits; the rest is ignored. Saturated rather than
  // wrapped, so a 40-digit number cannot turn into a small or negative count.
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v') ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  long long v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    v = v * 10 + (*s - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

int TIniFile::SetInt(const char* key, int value) {
  return SetString(key, std::to_string(value).c_str());
}

double TIniFile::GetFloat(const char* key) const {
  const char* s = FindKey(key);
  if (!s) return 0.0;
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v') ++s;
  if (*s == '+') ++s;
  // from_chars ignores the locale: a decimal-comma host still reads "0.5" as one half.
  double v = 0.0;
  auto [end, ec] = std::from_chars(s, s + std::strlen(s), v, std::chars_format::general);
  (void)end;
  if (ec != std::errc() || !std::isfinite(v)) return 0.0;
  return v;
}

int TIniFile::SetFloat(const char* key, double value) {
  char buf[400];  // %f of the largest double has 309 integer digits
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) return SetString(key, "0.000000");
  *end = 0;
  return SetString(key, buf);
}
