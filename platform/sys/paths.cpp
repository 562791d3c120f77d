// The device root and the mapping of device paths onto it.
//
// The handheld's file system is one host folder. Device names match without regard to case, as
// on the handheld, while the host's names are case-sensitive UTF-8; a device name is therefore
// looked up in each host folder along the way. When several host names differ only in case the
// choice must not depend on the order readdir happens to return: an exact match wins, else the
// first case-insensitive match in byte order.
//
// Invariants: a mapped path never leaves the root (".." is resolved textually and refused above
// the root), and a device path longer than 255 characters is refused, never shortened, so that
// it cannot silently name another file.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/sys/sys_internal.h"

namespace {

constexpr size_t kMaxDevicePath = 255;

std::mutex& RootMutex() {
  static std::mutex m;
  return m;
}

std::string& RootSlot() {
  static std::string root;
  return root;
}

bool g_rootFromEnvironmentTried = false;

bool ForbiddenInName(wchar_t c) {
  return c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' ||
         c == L'?' || c == L'*';
}

// The host name in `dir` that device name `name` means, or empty when there is none.
std::string FindEntry(const std::string& dir, const std::wstring& name, UINT narrowCodePage) {
  using namespace vplat::sys;
  std::string exact = WideToUtf8(name);
  struct stat st;
  if (lstat((dir + "/" + exact).c_str(), &st) == 0) return exact;
  DIR* d = opendir(dir.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* e = readdir(d)) {
    std::string host = e->d_name;
    if (host == "." || host == "..") continue;
    std::wstring wide = Utf8ToWide(host);
    if (!EqualNoCase(wide, name)) continue;
    // A name the program's 8-bit text cannot spell is out of reach of 8-bit paths.
    if (narrowCodePage != 0 && !Representable(narrowCodePage, wide)) continue;
    if (best.empty() || host < best) best = host;
  }
  closedir(d);
  return best;
}

}  // namespace

namespace vplat {

void SetDeviceRoot(const std::string& hostPath) {
  std::lock_guard lock(RootMutex());
  std::string root = hostPath;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  RootSlot() = root;
  g_rootFromEnvironmentTried = true;
}

std::string DeviceRoot() {
  std::lock_guard lock(RootMutex());
  if (!g_rootFromEnvironmentTried) {
    g_rootFromEnvironmentTried = true;
    if (const char* env = std::getenv("VORNA_ROOT"); env && *env) {
      std::string root = env;
      while (root.size() > 1 && root.back() == '/') root.pop_back();
      RootSlot() = root;
    }
  }
  return RootSlot();
}

bool DeviceToHostPath(const wchar_t* devicePath, std::string* hostPath, bool forCreate) {
  return sys::MapPath(devicePath, hostPath, forCreate, 0);
}

}  // namespace vplat

namespace vplat::sys {

wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return c | 1;
  return c;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

namespace {

bool Glob(const wchar_t* p, const wchar_t* n) {
  // Iterative match with one backtrack point: the last '*' seen.
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*n) {
    if (*p == L'*') {
      star = p++;
      resume = n;
    } else if (*p == L'?' || (*p && FoldCase(*p) == FoldCase(*n))) {
      ++p, ++n;
    } else if (star) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == L'*') ++p;
  return *p == 0;
}

}  // namespace

bool MatchPattern(const std::wstring& pattern, const std::wstring& name) {
  if (Glob(pattern.c_str(), name.c_str())) return true;
  // The handheld treats "x.*" as also matching "x" (so "*.*" lists every name).
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, L".*") == 0)
    return Glob(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
  return false;
}

bool MapPath(const wchar_t* devicePath, std::string* hostPath, bool forCreate,
             UINT narrowCodePage) {
  if (!devicePath || !hostPath) return Fail(ERROR_INVALID_PARAMETER);
  if (std::wcslen(devicePath) > kMaxDevicePath) return Fail(ERROR_FILENAME_EXCED_RANGE);
  std::string root = DeviceRoot();
  if (root.empty()) return Fail(ERROR_PATH_NOT_FOUND);

  std::vector<std::wstring> parts;
  std::wstring cur;
  auto flush = [&]() -> bool {
    if (cur.empty() || cur == L".") {
      // empty components ("\\a\\\\b", trailing separators) and "." change nothing
    } else if (cur == L"..") {
      if (parts.empty()) return Fail(ERROR_PATH_NOT_FOUND);  // would leave the root
      parts.pop_back();
    } else {
      for (wchar_t c : cur)
        if (ForbiddenInName(c)) return Fail(ERROR_INVALID_NAME);
      parts.push_back(cur);
    }
    cur.clear();
    return true;
  };
  for (const wchar_t* p = devicePath; *p; ++p) {
    if (*p == L'\\' || *p == L'/') {
      if (!flush()) return false;
    } else {
      cur.push_back(*p);
    }
  }
  if (!flush()) return false;

  std::string path = root;
  bool missing = false;  // once a folder is missing, nothing below it can be looked up
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string host;
    if (!missing) host = FindEntry(path, parts[i], narrowCodePage);
    if (host.empty()) {
      if (!forCreate) return Fail(i + 1 == parts.size() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
      missing = true;
      host = WideToUtf8(parts[i]);
    }
    path += "/";
    path += host;
  }
  *hostPath = path;
  return true;
}

}  // namespace vplat::sys

namespace vplat {

wchar_t FoldNameCase(wchar_t c) { return sys::FoldCase(c); }
bool SameFileName(const std::wstring& a, const std::wstring& b) { return sys::EqualNoCase(a, b); }
bool MatchFileName(const std::wstring& pattern, const std::wstring& name) {
  return sys::MatchPattern(pattern, name);
}

}  // namespace vplat
