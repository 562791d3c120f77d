// Modules: the program module, shared objects loaded by name, and the built-in "coredll.dll".
//
// On the handheld a module is found by its file name; here the built modules ("Tilvex.so",
// "Pelnor.so", ...) sit beside the host executable, so a device name is reduced to its last
// component, stripped of ".dll", and looked up there (and beside the layer library, for
// programs that live elsewhere, after the host folder VORNA_MODULE_DIR when it is set) without
// regard to case. An HMODULE is the address of the
// layer's record of the module, never the host loader's handle, so reference counts and device
// names stay ours.
#include <dlfcn.h>
#include <dirent.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/fresh_state.h"
#include "platform/sys/sys_internal.h"

namespace vplat::sys {
namespace {

struct Module {
  std::string hostPath;   // empty for the program and coredll
  void* handle = nullptr;  // host loader handle
  int refs = 0;
  std::wstring stem;      // device name without ".dll": "Tilvex"
  bool mappedBefore = false;  // already in the process (the layer itself): never unmapped by us
};

struct Modules {
  std::mutex mutex;
  Module program;
  Module coredll;
  std::map<std::string, std::unique_ptr<Module>> loaded;  // by real host path
  std::wstring modulePath = L"\\Vorna\\Vorna.exe";
};

thread_local HMODULE t_loading = nullptr;

Modules& State() {
  static Modules* m = new Modules;  // modules may be freed from static destructors
  return *m;
}

// A test case that names the program's module otherwise (a program installed elsewhere) does so
// for itself. Loaded modules stay: their holders above let them go as they are renewed.
const vplat::FreshStateHook kFresh(1, [] {
  Modules& m = State();
  std::lock_guard lock(m.mutex);
  m.modulePath = Modules{}.modulePath;
});

std::string Dirname(const std::string& path) {
  size_t cut = path.rfind('/');
  return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

std::vector<std::string> SearchFolders() {
  std::vector<std::string> dirs;
  // A host folder searched first, so that tests can offer their own modules (a library short of
  // an export, ...) without overwriting the built ones beside the executable.
  if (const char* override = std::getenv("VORNA_MODULE_DIR"); override && *override)
    dirs.push_back(override);
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) {
    buf[n] = 0;
    dirs.push_back(Dirname(buf));
  }
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&LoadLibraryW), &info) && info.dli_fname) {
    if (char* real = realpath(info.dli_fname, nullptr)) {
      std::string dir = Dirname(real);
      std::free(real);
      if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
    }
  }
  return dirs;
}

// The file in `dir` named `want` without regard to case (an exact match first, then the
// first in byte order), or empty.
std::string FindFile(const std::string& dir, const std::wstring& want) {
  std::string exact = dir + "/" + WideToUtf8(want);
  struct stat st;
  if (stat(exact.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return exact;
  DIR* d = opendir(dir.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (!EqualNoCase(Utf8ToWide(name), want)) continue;
    std::string path = dir + "/" + name;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (best.empty() || path < best) best = path;
  }
  closedir(d);
  return best;
}

// "\Vorna\Tilvex.dll" -> "Tilvex"; empty for a name with nothing left.
std::wstring StemOf(const wchar_t* name) {
  std::wstring s = name;
  size_t cut = s.find_last_of(L"\\/");
  if (cut != std::wstring::npos) s = s.substr(cut + 1);
  if (s.size() > 4 && EqualNoCase(s.substr(s.size() - 4), L".dll")) s.resize(s.size() - 4);
  return s;
}

bool IsCoredll(const std::wstring& stem) { return EqualNoCase(stem, L"coredll"); }

// The module record behind a handle, or null.
Module* Lookup(Modules& m, HMODULE h) {
  if (!h || h == reinterpret_cast<HMODULE>(&m.program)) return &m.program;
  if (h == reinterpret_cast<HMODULE>(&m.coredll)) return &m.coredll;
  for (auto& [path, mod] : m.loaded)
    if (reinterpret_cast<HMODULE>(mod.get()) == h) return mod.get();
  return nullptr;
}

// The layer library itself, opened once without loading anything new.
void* LayerHandle(const void** base) {
  static const void* layerBase = nullptr;
  static void* handle = [] {
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&LoadLibraryW), &info) || !info.dli_fname) return static_cast<void*>(nullptr);
    layerBase = info.dli_fbase;
    return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  }();
  *base = layerBase;
  return handle;
}

FARPROC Resolve(Modules& m, Module* mod, const std::string& name) {
  void* sym = nullptr;
  if (mod == &m.coredll) {
    const void* base = nullptr;
    void* layer = LayerHandle(&base);
    if (layer) sym = dlsym(layer, name.c_str());
    // dlsym also searches the layer's own dependencies; coredll offers only the layer's exports.
    Dl_info info;
    if (sym && (!dladdr(sym, &info) || info.dli_fbase != base)) sym = nullptr;
  } else if (mod == &m.program) {
    void* self = dlopen(nullptr, RTLD_NOW);
    if (self) {
      sym = dlsym(self, name.c_str());
      dlclose(self);
    }
  } else {
    sym = dlsym(mod->handle, name.c_str());
  }
  return reinterpret_cast<FARPROC>(sym);
}

}  // namespace

HMODULE LoadingModule() { return t_loading; }

namespace {

// The mapped code and data of a loaded library: [lo, hi). False when the host loader won't say.
bool ModuleRange(void* handle, uintptr_t* lo, uintptr_t* hi) {
  link_map* lm = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &lm) != 0 || !lm) return false;
  struct Want {
    ElfW(Addr) base;
    uintptr_t lo = UINTPTR_MAX, hi = 0;
  } want{lm->l_addr};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto w = static_cast<Want*>(data);
        if (info->dlpi_addr != w->base) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const auto& ph = info->dlpi_phdr[i];
          if (ph.p_type != PT_LOAD) continue;
          w->lo = std::min<uintptr_t>(w->lo, info->dlpi_addr + ph.p_vaddr);
          w->hi = std::max<uintptr_t>(w->hi, info->dlpi_addr + ph.p_vaddr + ph.p_memsz);
        }
        return 1;
      },
      &want);
  if (want.hi <= want.lo) return false;
  *lo = want.lo;
  *hi = want.hi;
  return true;
}

}  // namespace

}  // namespace vplat::sys

using namespace vplat::sys;

namespace vplat {

void SetModulePath(const wchar_t* devicePath) {
  if (!devicePath) return;
  Modules& m = State();
  std::lock_guard lock(m.mutex);
  m.modulePath = devicePath;
}

std::wstring ModulePath() {
  Modules& m = State();
  std::lock_guard lock(m.mutex);
  return m.modulePath;
}

}  // namespace vplat

extern "C" DWORD GetModuleFileNameW(HMODULE h, LPWSTR buffer, DWORD cch) {
  Modules& m = State();
  std::wstring path;
  {
    std::lock_guard lock(m.mutex);
    Module* mod = Lookup(m, h);
    if (!mod) {
      Fail(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    if (mod == &m.program) {
      path = m.modulePath;
    } else if (mod == &m.coredll) {
      path = L"\\Windows\\coredll.dll";
    } else {
      // Loaded modules live in the program's folder on the device.
      size_t cut = m.modulePath.find_last_of(L"\\/");
      path = (cut == std::wstring::npos ? std::wstring(L"\\") : m.modulePath.substr(0, cut + 1)) +
             mod->stem + L".dll";
    }
  }
  if (!buffer || cch == 0) {
    Fail(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= cch) {
    // Truncated, but always terminated.
    std::copy(path.begin(), path.begin() + (cch - 1), buffer);
    buffer[cch - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return cch;
  }
  std::copy(path.begin(), path.end(), buffer);
  buffer[path.size()] = 0;
  return static_cast<DWORD>(path.size());
}

extern "C" HMODULE GetModuleHandleW(LPCWSTR name) {
  Modules& m = State();
  if (!name) return reinterpret_cast<HMODULE>(&m.program);
  std::wstring stem = StemOf(name);
  if (IsCoredll(stem)) return reinterpret_cast<HMODULE>(&m.coredll);
  std::lock_guard lock(m.mutex);
  for (auto& [path, mod] : m.loaded)
    if (EqualNoCase(mod->stem, stem)) return reinterpret_cast<HMODULE>(mod.get());
  Fail(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

extern "C" HMODULE LoadLibraryW(LPCWSTR name) {
  if (!name) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Modules& m = State();
  std::wstring stem = StemOf(name);
  if (stem.empty()) {
    Fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (IsCoredll(stem)) return reinterpret_cast<HMODULE>(&m.coredll);

  std::string found;
  std::wstring foundStem = stem;
  for (const std::wstring& candidate : {stem + L".so", L"lib" + stem + L".so", stem}) {
    for (const std::string& dir : SearchFolders()) {
      found = FindFile(dir, candidate);
      if (!found.empty()) break;
    }
    if (!found.empty()) break;
  }
  if (found.empty()) {
    Fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  char* real = realpath(found.c_str(), nullptr);
  std::string key = real ? real : found;
  std::free(real);
  // The device name follows the host file: "Tilvex.so" answers "Tilvex.dll" whatever case
  // the caller used.
  std::wstring file = Utf8ToWide(found.substr(found.rfind('/') + 1));
  if (file.size() > 3 && EqualNoCase(file.substr(file.size() - 3), L".so")) file.resize(file.size() - 3);
  if (file.size() > 3 && EqualNoCase(file.substr(0, 3), L"lib") && !EqualNoCase(file, stem)) file = file.substr(3);

  std::lock_guard lock(m.mutex);
  auto it = m.loaded.find(key);
  if (it != m.loaded.end()) {
    ++it->second->refs;
    return reinterpret_cast<HMODULE>(it->second.get());
  }
  // The record exists before the host loader runs the library's static constructors, so that the
  // resources they register are the library's own.
  auto mod = std::make_unique<Module>();
  HMODULE h = reinterpret_cast<HMODULE>(mod.get());
  if (void* already = dlopen(key.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
    mod->mappedBefore = true;
    dlclose(already);
  }
  HMODULE outer = t_loading;
  t_loading = h;
  void* handle = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
  t_loading = outer;
  if (!handle) {
    DropModuleResources(h);
    Fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  mod->hostPath = key;
  mod->handle = handle;
  mod->refs = 1;
  mod->stem = file;
  m.loaded.emplace(key, std::move(mod));
  SetLastError(ERROR_SUCCESS);
  return h;
}

extern "C" FARPROC GetProcAddressA(HMODULE h, LPCSTR procName) {
  if (!procName || IS_INTRESOURCE(procName)) {  // ordinals are not offered
    Fail(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  Modules& m = State();
  std::lock_guard lock(m.mutex);
  Module* mod = Lookup(m, h);
  if (!mod) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  FARPROC proc = Resolve(m, mod, procName);
  if (!proc) Fail(ERROR_PROC_NOT_FOUND);
  return proc;
}

extern "C" FARPROC GetProcAddressW(HMODULE h, LPCWSTR procName) {
  if (!procName || IS_INTRESOURCE(procName)) {
    Fail(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  std::string narrow;
  for (const wchar_t* p = procName; *p; ++p) {
    if (*p >= 0x80) {  // exported names are ASCII
      Fail(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    narrow += static_cast<char>(*p);
  }
  return GetProcAddressA(h, narrow.c_str());
}

extern "C" BOOL FreeLibrary(HMODULE h) {
  Modules& m = State();
  std::lock_guard lock(m.mutex);
  Module* mod = Lookup(m, h);
  if (!mod || !h) return Fail(ERROR_INVALID_HANDLE);
  if (mod == &m.program || mod == &m.coredll) return TRUE;  // never unloaded
  if (--mod->refs > 0) return TRUE;
  // Its tables live in its image: nobody may find them once it is gone.
  DropModuleResources(h);
  // A window, class, dialog or timer left pointing into it would jump into unmapped memory at
  // its next message: a fault of the module. Tests stop there; the device keeps the code mapped.
  uintptr_t lo, hi;
  if (!mod->mappedBefore && ModuleRange(mod->handle, &lo, &hi)) {
    if (int live = vplat::LiveCodeIn(lo, hi)) {
      std::fprintf(stderr, "FreeLibrary: %d window, class, dialog or timer procedures still point into %s\n",
                   live, mod->hostPath.c_str());
      if (std::getenv("VORNA_TEST")) std::abort();
      m.loaded.erase(mod->hostPath);
      return TRUE;
    }
  }
  dlclose(mod->handle);
  m.loaded.erase(mod->hostPath);
  return TRUE;
}
