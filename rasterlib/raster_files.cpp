#include "rasterlib/raster_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win.h"

namespace tilvex {

bool Narrow(const std::wstring& wide, std::string* out) {
  out->clear();
  if (wide.empty()) return true;
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out->data(), n,
                      nullptr, nullptr);
  return Widen(*out) == wide;
}

std::wstring Widen(const std::string& narrow) {
  if (narrow.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), out.data(), n);
  return out;
}

namespace {
template <typename S, typename C>
S Companion(const S& path, const C* ext) {
  size_t slash = path.find_last_of(static_cast<typename S::value_type>('\\'));
  size_t start = slash == S::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of(static_cast<typename S::value_type>('.'));
  S base = dot != S::npos && dot >= start ? path.substr(0, dot) : path;
  return base + ext;
}

// A decimal integer, sign allowed; false for anything else.
bool ParseInt(const std::string& s, int* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end || end == s.c_str()) return false;
  // Unsigned text past 2^31 (how negative points were once written) wraps as it did.
  *out = static_cast<int>(static_cast<unsigned>(v));
  return true;
}
}  // namespace

std::string CompanionPath(const std::string& path, const char* ext) { return Companion(path, ext); }
std::wstring CompanionPath(const std::wstring& path, const wchar_t* ext) { return Companion(path, ext); }

void RasterPoint::Place(int px, int py) {
  set = true;
  x = px;
  y = py;
  xText = std::to_string(px);
  yText = std::to_string(py);
}

void RasterPoint::Clear(int slot) {
  *this = RasterPoint{};
  name = std::to_string(slot);
}

IdesFile::IdesFile() {
  for (int i = 0; i < kSlots; ++i) slots[i].Clear(i);
}

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string cur;
  bool pending = false;
  for (char c : bytes) {
    if (c == '\n' || c == '\0') {
      if (!cur.empty() && cur.back() == '\r') cur.pop_back();
      lines.push_back(std::move(cur));
      cur.clear();
      pending = false;
    } else {
      cur.push_back(c);
      pending = true;
    }
  }
  if (pending) {
    if (!cur.empty() && cur.back() == '\r') cur.pop_back();
    lines.push_back(std::move(cur));
  }
  return lines;
}

bool ReadWholeFile(const std::string& path8, std::string* bytes) {
  bytes->clear();
  FILE* f = vfopen(path8.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
  std::fclose(f);
  return true;
}

IdesFile ParseIdes(const std::string& bytes) {
  IdesFile f;
  std::vector<std::string> lines = SplitLines(bytes);
  if (lines.empty()) return f;
  {
    // Two blank-separated tokens; missing ones read as "0".
    std::string tok[2] = {"0", "0"};
    const std::string& l = lines[0];
    size_t p = 0;
    for (int t = 0; t < 2; ++t) {
      while (p < l.size() && (l[p] == ' ' || l[p] == '\t')) ++p;
      size_t q = p;
      while (q < l.size() && l[q] != ' ' && l[q] != '\t') ++q;
      if (q > p) tok[t] = l.substr(p, q - p);
      p = q;
    }
    f.pair = tok[0] + " " + tok[1];
  }
  int slot = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.empty()) continue;
    if (slot >= kSlots) {
      f.extra.push_back(l);
      continue;
    }
    // Fields end at ':' or ';': X, Y, Name, then S1 and S2 when Name ends with ':'.
    std::vector<std::string> fields;
    std::vector<char> ends;
    std::string cur;
    for (char c : l) {
      if (c == ':' || c == ';') {
        fields.push_back(cur);
        ends.push_back(c);
        cur.clear();
        if (c == ';') break;
      } else {
        cur.push_back(c);
      }
    }
    if (ends.empty() || ends.back() != ';') {
      fields.push_back(cur);
      ends.push_back(';');
    }
    RasterPoint& p = f.slots[slot];
    p.set = true;
    p.xText = fields[0];
    p.yText = fields.size() > 1 ? fields[1] : std::string();
    if (!ParseInt(p.xText, &p.x)) p.x = 0;
    if (!ParseInt(p.yText, &p.y)) p.y = 0;
    p.name = fields.size() > 2 ? fields[2] : std::string();
    p.hasTexts = fields.size() > 3;
    if (p.hasTexts) {
      p.s1 = fields[3];
      p.s2 = fields.size() > 4 ? fields[4] : std::string();
    }
    ++slot;
  }
  return f;
}

PoiFile ParsePoi(const std::string& bytes) {
  PoiFile p;
  std::vector<std::string> lines = SplitLines(bytes);
  if (!lines.empty()) p.header = lines[0];
  if (lines.size() > 1 && lines[1].compare(0, 2, "1 ") != 0) {
    p.pair = lines[1];
    p.realPair = true;
  }
  for (size_t i = p.realPair ? 2 : 1; i < lines.size() && p.points.size() < size_t(kSlots); ++i) {
    // "n X Y": three blank-separated tokens; anything else is no point line.
    std::string tok[4];
    int count = 0;
    const std::string& l = lines[i];
    for (size_t at = 0; at < l.size() && count < 4;) {
      while (at < l.size() && (l[at] == ' ' || l[at] == '\t')) ++at;
      size_t end = at;
      while (end < l.size() && l[end] != ' ' && l[end] != '\t') ++end;
      if (end > at) tok[count++] = l.substr(at, end - at);
      at = end;
    }
    int n = 0, x = 0, y = 0;
    if (count == 3 && ParseInt(tok[0], &n) && ParseInt(tok[1], &x) && ParseInt(tok[2], &y))
      p.points.emplace_back(tok[1], tok[2]);
  }
  return p;
}

IdesFile IdesFromPoi(const PoiFile& poi) {
  IdesFile f;
  for (size_t i = 0; i < poi.points.size() && i < size_t(kSlots); ++i) {
    RasterPoint& p = f.slots[i];
    p.set = true;
    p.xText = poi.points[i].first;
    p.yText = poi.points[i].second;
    ParseInt(p.xText, &p.x);
    ParseInt(p.yText, &p.y);
  }
  return f;
}

std::string FormatIdes(const IdesFile& f) {
  std::string out = f.pair + "\n";
  for (const RasterPoint& p : f.slots) {
    if (!p.set) continue;
    out += p.xText + ":" + p.yText + ":" + p.name;
    out += p.hasTexts ? ":" + p.s1 + ":" + p.s2 + ";\n" : ";\n";
  }
  for (const std::string& l : f.extra) out += l + "\n";
  return out;
}

std::string FormatPoi(const PoiFile& poi, const IdesFile& points) {
  std::string out = poi.header + "\n";
  if (poi.realPair) out += poi.pair + "\n";
  int n = 0;
  for (const RasterPoint& p : points.slots)
    if (p.set) out += std::to_string(++n) + " " + p.xText + " " + p.yText + "\n";
  return out;
}

bool ReplaceFile(const std::string& path8, const std::string& bytes) {
  // Written beside and put in place in one step: the named points are never half written.
  return vwritefile(path8.c_str(), bytes.data(), bytes.size()) == 0;
}

namespace {
bool BreaksFormat(const char* s) { return std::strpbrk(s, ":;\r\n") != nullptr; }
}  // namespace

int LinkTexts(const char* path, const char* name, const char* text1, const char* text2,
              bool* writeFailed) {
  if (writeFailed) *writeFailed = false;
  if (!path || !*path || !name || !text1 || !text2) return 0;
  if (std::strlen(path) > kMaxPath) return 0;
  if (BreaksFormat(text1) || BreaksFormat(text2)) return 0;
  std::string ides = CompanionPath(std::string(path), ".ides");
  std::string bytes;
  if (!ReadWholeFile(ides, &bytes)) return 0;
  IdesFile f = ParseIdes(bytes);
  int found = 0;
  for (RasterPoint& p : f.slots) {
    if (p.set && p.name == name) {
      p.hasTexts = true;
      p.s1 = text1;
      p.s2 = text2;
      found = 1;
    }
  }
  if (!ReplaceFile(ides, FormatIdes(f))) {
    if (writeFailed) *writeFailed = true;
    return 0;
  }
  return found;
}

}  // namespace tilvex
