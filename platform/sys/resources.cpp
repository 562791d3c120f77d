// Resources and the program's version information.
//
// The resource tables are C++ data registered by static constructors of resources/; since those
// run in no defined order, the registry is a function-local static created on first use.
// Resources are keyed by module, type and integer id. A registration belongs to the module whose
// static constructors make it: the library LoadLibraryW is loading at that moment, else the
// program. A library's tables live in its own image, so FreeLibrary drops them before unloading
// it; a second copy of the program's tables inside a library never shadows the program's.
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

#include "platform/sys/sys_internal.h"

namespace vplat::sys {
namespace {

struct Entry {
  const void* data;
  DWORD size;
};

struct Registry {
  std::mutex mutex;
  // (owner, type key, id); node addresses are the HRSRCs. The owner is the program's HMODULE
  // for the program's own tables.
  std::map<std::tuple<HMODULE, std::wstring, UINT>, Entry> entries;
  std::set<const Entry*> handles;
};

Registry& Resources() {
  static Registry* r = new Registry;
  return *r;
}

// "#123" -> 123; false for anything else.
bool ParseNumber(const wchar_t* s, UINT* id) {
  if (s[0] != L'#' || !s[1]) return false;
  uint32_t v = 0;
  for (const wchar_t* p = s + 1; *p; ++p) {
    if (*p < L'0' || *p > L'9' || v > 0xFFFF) return false;
    v = v * 10 + static_cast<uint32_t>(*p - L'0');
  }
  if (v > 0xFFFF) return false;
  *id = v;
  return true;
}

// Integer types as "#n"; named types compared without regard to case.
std::wstring TypeKey(const wchar_t* type) {
  UINT id;
  if (IS_INTRESOURCE(type)) return L"#" + std::to_wstring(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(type)));
  if (ParseNumber(type, &id)) return L"#" + std::to_wstring(id);
  std::wstring key;
  for (const wchar_t* p = type; *p; ++p) key.push_back(FoldCase(*p));
  return key;
}

// Null stands for the program, as on the handheld.
HMODULE Owner(HMODULE module) { return module ? module : GetModuleHandleW(nullptr); }

const Entry* Checked(Registry& r, const void* handle) {
  auto e = static_cast<const Entry*>(handle);
  return r.handles.count(e) ? e : nullptr;
}

// ---- version information ----

constexpr DWORD kBlockMagic = 0x49564656;  // "VFVI": a block made by GetFileVersionInfoW
constexpr size_t kFixedOffset = 8;         // magic, then padding to keep the record aligned
constexpr DWORD kFixedSize = 52;           // thirteen 32-bit fields

DWORD ReadLe32(const unsigned char* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
         static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
}

// The program's fixed version record: from RT_VERSION 1 when registered, else 1.0.0.0.
bool ProgramVersion(VS_FIXEDFILEINFO* out) {
  HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION);
  if (!res) {
    *out = VS_FIXEDFILEINFO{};
    out->dwSignature = VS_FFI_SIGNATURE;
    out->dwStrucVersion = VS_FFI_STRUCVERSION;
    out->dwFileVersionMS = out->dwProductVersionMS = 0x00010000;
    out->dwFileFlagsMask = 0x3F;
    out->dwFileType = 1;  // an application
    return true;
  }
  DWORD size = SizeofResource(nullptr, res);
  auto p = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, res)));
  if (!p || size < kFixedSize || ReadLe32(p) != VS_FFI_SIGNATURE) return false;
  DWORD* fields[] = {&out->dwSignature,       &out->dwStrucVersion,    &out->dwFileVersionMS,
                     &out->dwFileVersionLS,   &out->dwProductVersionMS, &out->dwProductVersionLS,
                     &out->dwFileFlagsMask,   &out->dwFileFlags,       &out->dwFileOS,
                     &out->dwFileType,        &out->dwFileSubtype,     &out->dwFileDateMS,
                     &out->dwFileDateLS};
  for (int i = 0; i < 13; ++i) *fields[i] = ReadLe32(p + 4 * i);
  return true;
}

std::wstring NormalisedDevicePath(const wchar_t* path) {
  std::wstring out;
  for (const wchar_t* p = path; *p; ++p) {
    wchar_t c = *p == L'/' ? L'\\' : FoldCase(*p);
    if (c == L'\\' && (out.empty() || out.back() == L'\\')) continue;
    out.push_back(c);
  }
  return out;
}

bool IsProgramModule(const wchar_t* path) {
  return NormalisedDevicePath(path) == NormalisedDevicePath(vplat::ModulePath().c_str());
}

}  // namespace
}  // namespace vplat::sys

using namespace vplat::sys;

namespace vplat {

void RegisterResource(const wchar_t* type, UINT id, const void* data, size_t size) {
  if (!type || !data || size > 0xFFFFFFFFu) return;
  Registry& r = Resources();
  std::lock_guard lock(r.mutex);
  HMODULE owner = Owner(LoadingModule());
  auto [it, fresh] = r.entries.insert_or_assign({owner, TypeKey(type), id}, Entry{data, static_cast<DWORD>(size)});
  r.handles.insert(&it->second);
}

void sys::DropModuleResources(HMODULE module) {
  if (!module) return;
  Registry& r = Resources();
  std::lock_guard lock(r.mutex);
  for (auto it = r.entries.lower_bound({module, std::wstring(), 0});
       it != r.entries.end() && std::get<0>(it->first) == module;) {
    r.handles.erase(&it->second);
    it = r.entries.erase(it);
  }
}

}  // namespace vplat

extern "C" HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  if (!name || !type) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  UINT id;
  if (IS_INTRESOURCE(name)) {
    id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
  } else if (!ParseNumber(name, &id)) {
    Fail(ERROR_RESOURCE_NAME_NOT_FOUND);  // resources have integer ids only
    return nullptr;
  }
  HMODULE owner = Owner(module);
  Registry& r = Resources();
  std::lock_guard lock(r.mutex);
  std::wstring key = TypeKey(type);
  auto it = r.entries.find({owner, key, id});
  if (it == r.entries.end()) {
    auto any = r.entries.lower_bound({owner, key, 0});
    bool typeKnown = any != r.entries.end() && std::get<0>(any->first) == owner && std::get<1>(any->first) == key;
    Fail(typeKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<Entry*>(&it->second));
}

extern "C" HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  Registry& r = Resources();
  std::lock_guard lock(r.mutex);
  const Entry* e = Checked(r, resource);
  if (!e) {
    Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return const_cast<Entry*>(e);
}

extern "C" LPVOID LockResource(HGLOBAL loaded) {
  Registry& r = Resources();
  std::lock_guard lock(r.mutex);
  const Entry* e = Checked(r, loaded);
  if (!e) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<void*>(e->data);
}

extern "C" DWORD SizeofResource(HMODULE, HRSRC resource) {
  Registry& r = Resources();
  std::lock_guard lock(r.mutex);
  const Entry* e = Checked(r, resource);
  if (!e) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  return e->size;
}

extern "C" DWORD GetFileVersionInfoSizeW(LPCWSTR path, LPDWORD handle) {
  if (handle) *handle = 0;
  if (!path) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  VS_FIXEDFILEINFO info;
  if (!IsProgramModule(path) || !ProgramVersion(&info)) {
    Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);  // only the program carries a version resource
    return 0;
  }
  return static_cast<DWORD>(kFixedOffset + sizeof(VS_FIXEDFILEINFO));
}

extern "C" BOOL GetFileVersionInfoW(LPCWSTR path, DWORD, DWORD size, LPVOID data) {
  if (!path || !data) return Fail(ERROR_INVALID_PARAMETER);
  VS_FIXEDFILEINFO info;
  if (!IsProgramModule(path) || !ProgramVersion(&info)) return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
  if (size < kFixedOffset + sizeof(VS_FIXEDFILEINFO)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  auto block = static_cast<unsigned char*>(data);
  DWORD magic = kBlockMagic;
  std::memcpy(block, &magic, sizeof magic);
  std::memset(block + 4, 0, kFixedOffset - 4);
  std::memcpy(block + kFixedOffset, &info, sizeof info);
  return TRUE;
}

extern "C" BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length) {
  if (!block || !subBlock || !buffer) return Fail(ERROR_INVALID_PARAMETER);
  DWORD magic;
  std::memcpy(&magic, block, sizeof magic);
  if (magic != kBlockMagic) return Fail(ERROR_INVALID_PARAMETER);
  // Only the fixed record ("\") exists; there are no string tables.
  if (!(subBlock[0] == L'\\' && subBlock[1] == 0)) return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
  *buffer = static_cast<unsigned char*>(const_cast<void*>(block)) + kFixedOffset;
  if (length) *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}
