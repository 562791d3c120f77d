// Memory status, the message beep and the in-memory registry.
#include <sys/mman.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "platform/fresh_state.h"
#include "platform/sys/sys_internal.h"

using namespace vplat::sys;

namespace {

std::mutex g_miscMutex;
std::optional<MEMORYSTATUS> g_memoryOverride;
std::vector<UINT>& Beeps() {
  static auto* beeps = new std::vector<UINT>;  // never destroyed: a harness's Stop may run at exit
  return *beeps;
}

// A test case's memory figures, its recorded beeps and the registry keys it wrote are its own.
void RestoreMisc();
const vplat::FreshStateHook kFresh(1, RestoreMisc);

DWORD Saturate(uint64_t bytes) { return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(bytes); }

// Sizes from /proc/meminfo in bytes; 0 when a line is missing.
void HostMemory(uint64_t* total, uint64_t* avail, uint64_t* swapTotal, uint64_t* swapFree) {
  *total = *avail = *swapTotal = *swapFree = 0;
  FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    unsigned long long kb = 0;
    char key[64];
    if (std::sscanf(line, "%63[^:]: %llu", key, &kb) != 2) continue;
    uint64_t bytes = static_cast<uint64_t>(kb) * 1024;
    if (!std::strcmp(key, "MemTotal")) *total = bytes;
    else if (!std::strcmp(key, "MemAvailable")) *avail = bytes;
    else if (!std::strcmp(key, "SwapTotal")) *swapTotal = bytes;
    else if (!std::strcmp(key, "SwapFree")) *swapFree = bytes;
  }
  std::fclose(f);
}

}  // namespace

namespace vplat {

void SetMemoryStatusOverride(const MEMORYSTATUS* status) {
  std::lock_guard lock(g_miscMutex);
  if (status)
    g_memoryOverride = *status;
  else
    g_memoryOverride.reset();
}

std::vector<UINT> RecordedBeeps() {
  std::lock_guard lock(g_miscMutex);
  return Beeps();
}

void ClearRecordedBeeps() {
  std::lock_guard lock(g_miscMutex);
  Beeps().clear();
}

}  // namespace vplat

extern "C" void GlobalMemoryStatus(LPMEMORYSTATUS status) {
  if (!status) return;
  {
    std::lock_guard lock(g_miscMutex);
    if (g_memoryOverride) {
      *status = *g_memoryOverride;
      status->dwLength = sizeof(MEMORYSTATUS);
      return;
    }
  }
  uint64_t total, avail, swapTotal, swapFree;
  HostMemory(&total, &avail, &swapTotal, &swapFree);
  *status = MEMORYSTATUS{};
  status->dwLength = sizeof(MEMORYSTATUS);
  status->dwMemoryLoad = total ? static_cast<DWORD>(100 - std::min<uint64_t>(100, avail * 100 / total)) : 0;
  status->dwTotalPhys = Saturate(total);
  status->dwAvailPhys = Saturate(avail);
  status->dwTotalPageFile = Saturate(swapTotal);
  status->dwAvailPageFile = Saturate(swapFree);
  // The program ran in a 32-bit address space; report it as such, bounded by what is free.
  status->dwTotalVirtual = 0x80000000u;
  status->dwAvailVirtual = std::min<DWORD>(0x80000000u, Saturate(avail + swapFree));
}

extern "C" BOOL MessageBeep(UINT type) {
  std::lock_guard lock(g_miscMutex);
  Beeps().push_back(type);
  return TRUE;
}

// ---- registry ----

namespace {

struct Value {
  DWORD type;
  std::vector<BYTE> data;
};

struct RegistryState {
  std::mutex mutex;
  std::set<std::wstring> keys;                                 // full folded paths
  std::map<std::wstring, std::map<std::wstring, Value>> values;  // key path -> folded name -> value
  std::map<HKEY, std::wstring> open;
  uintptr_t next = 0x1000;
};

RegistryState& Reg() {
  static RegistryState* r = new RegistryState;
  return *r;
}

void RestoreMisc() {
  {
    std::lock_guard lock(g_miscMutex);
    g_memoryOverride.reset();
    Beeps().clear();
  }
  RegistryState& r = Reg();
  std::lock_guard lock(r.mutex);
  r.keys.clear();
  r.values.clear();
  r.open.clear();
}

std::wstring Fold(const wchar_t* s) {
  std::wstring out;
  for (; s && *s; ++s) out.push_back(FoldCase(*s));
  return out;
}

// The path of an open key (predefined roots included); false for an unknown handle.
bool KeyPath(RegistryState& r, HKEY key, std::wstring* path) {
  if (key == HKEY_CLASSES_ROOT) *path = L"hkcr";
  else if (key == HKEY_CURRENT_USER) *path = L"hkcu";
  else if (key == HKEY_LOCAL_MACHINE) *path = L"hklm";
  else {
    auto it = r.open.find(key);
    if (it == r.open.end()) return false;
    *path = it->second;
  }
  return true;
}

// Appends a sub-key ("a\b", separators collapsed) to a key path.
std::wstring Join(const std::wstring& base, const wchar_t* sub) {
  std::wstring path = base;
  std::wstring part;
  auto flush = [&] {
    if (!part.empty()) path += L"\\" + part;
    part.clear();
  };
  for (const wchar_t* p = sub; p && *p; ++p) {
    if (*p == L'\\') flush();
    else part.push_back(FoldCase(*p));
  }
  flush();
  return path;
}

HKEY NewHandle(RegistryState& r, const std::wstring& path) {
  HKEY h = reinterpret_cast<HKEY>(r.next);
  r.next += 4;
  r.open[h] = path;
  return h;
}

bool IsRootPath(const std::wstring& path) { return path.find(L'\\') == std::wstring::npos; }

}  // namespace

extern "C" LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryState& r = Reg();
  std::lock_guard lock(r.mutex);
  std::wstring base;
  if (!KeyPath(r, key, &base)) return ERROR_INVALID_HANDLE;
  std::wstring path = Join(base, subKey);
  if (!IsRootPath(path) && !r.keys.count(path)) return ERROR_FILE_NOT_FOUND;
  *result = NewHandle(r, path);
  return ERROR_SUCCESS;
}

extern "C" LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM,
                                LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryState& r = Reg();
  std::lock_guard lock(r.mutex);
  std::wstring base;
  if (!KeyPath(r, key, &base)) return ERROR_INVALID_HANDLE;
  std::wstring path = Join(base, subKey);
  bool existed = IsRootPath(path) || r.keys.count(path);
  // Every key on the way exists afterwards.
  for (size_t cut = path.find(L'\\'); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1))
    r.keys.insert(path.substr(0, cut));
  if (!IsRootPath(path)) r.keys.insert(path);
  r.keys.erase(path.substr(0, path.find(L'\\')));  // roots are implicit
  if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *result = NewHandle(r, path);
  return ERROR_SUCCESS;
}

extern "C" LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                 LPDWORD cbData) {
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  RegistryState& r = Reg();
  std::lock_guard lock(r.mutex);
  std::wstring path;
  if (!KeyPath(r, key, &path)) return ERROR_INVALID_HANDLE;
  auto k = r.values.find(path);
  if (k == r.values.end()) return ERROR_FILE_NOT_FOUND;
  auto v = k->second.find(Fold(valueName));
  if (v == k->second.end()) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->second.type;
  DWORD size = static_cast<DWORD>(v->second.data.size());
  if (!cbData) return ERROR_SUCCESS;
  if (data && *cbData < size) {
    *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (data) std::copy(v->second.data.begin(), v->second.data.end(), data);
  *cbData = size;
  return ERROR_SUCCESS;
}

extern "C" LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data,
                               DWORD cbData) {
  if (!data && cbData) return ERROR_INVALID_PARAMETER;
  RegistryState& r = Reg();
  std::lock_guard lock(r.mutex);
  std::wstring path;
  if (!KeyPath(r, key, &path)) return ERROR_INVALID_HANDLE;
  Value v{type, std::vector<BYTE>(data, data + cbData)};
  r.values[path][Fold(valueName)] = std::move(v);
  return ERROR_SUCCESS;
}

extern "C" LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
    return ERROR_SUCCESS;
  RegistryState& r = Reg();
  std::lock_guard lock(r.mutex);
  return r.open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace vplat {

void AdviseLargeBlock(void* block, size_t bytes) {
  constexpr uintptr_t kHuge = uintptr_t(2) << 20;
  if (!block || bytes < 2 * kHuge) return;
  uintptr_t first = (reinterpret_cast<uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
  uintptr_t last = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHuge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace vplat
