// Modules by name, the built-in coredll, the resource registry and the program's version.
#include <gtest/gtest.h>

#include <string>

#include <cstring>
#include <vector>

#include "platform/win.h"

namespace {

typedef int (*AnswerFn)();
typedef DWORD (*OwnPathFn)(wchar_t*, DWORD);

// FARPROC is a generic function pointer; through void* the cast to the real type is exact.
template <class F>
F As(FARPROC p) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

TEST(Modules, ProgramModulePath) {
  wchar_t buf[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameW(nullptr, buf, MAX_PATH), 16u);
  EXPECT_STREQ(buf, L"\\Vorna\\Vorna.exe");
  EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(nullptr));
  EXPECT_EQ(GetModuleFileNameW(GetModuleHandleW(nullptr), buf, MAX_PATH), 16u);
  // A short buffer is cut, but terminated.
  EXPECT_EQ(GetModuleFileNameW(nullptr, buf, 6), 6u);
  EXPECT_STREQ(buf, L"\\Vorn");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  vplat::SetModulePath(L"\\Program Files\\Vorna\\Vorna.exe");
  EXPECT_EQ(GetModuleFileNameW(nullptr, buf, MAX_PATH), 30u);
}

TEST(Modules, LoadByNameWithAndWithoutDllInAnyCase) {
  HMODULE a = LoadLibraryW(L"SysProbe.dll");
  ASSERT_NE(a, nullptr) << "the test module is built beside the test program";
  HMODULE b = LoadLibraryW(L"sysprobe");
  HMODULE c = LoadLibraryW(L"\\Vorna\\SYSPROBE.DLL");
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  auto answer = As<AnswerFn>(GetProcAddressW(a, L"ProbeAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(GetProcAddressW(a, L"NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddressW(a, MAKEINTRESOURCEW(1)), nullptr);

  // The module asks the shared layer for its own device path.
  auto ownPath = As<OwnPathFn>(GetProcAddressA(a, "ProbeOwnPath"));
  ASSERT_NE(ownPath, nullptr);
  wchar_t buf[MAX_PATH];
  EXPECT_GT(ownPath(buf, MAX_PATH), 0u);
  EXPECT_STREQ(buf, L"\\Vorna\\SysProbe.dll");

  // Three loads, three frees: the module stays until the last.
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_EQ(GetModuleHandleW(L"SysProbe.dll"), a);
  EXPECT_TRUE(FreeLibrary(c));
  EXPECT_EQ(GetModuleHandleW(L"SysProbe.dll"), nullptr);
  EXPECT_FALSE(FreeLibrary(a));
}

TEST(Modules, LibPrefixAndMissingModules) {
  HMODULE plat = LoadLibraryW(L"VornaPlat.dll");  // found as libvornaplat.so
  ASSERT_NE(plat, nullptr);
  EXPECT_NE(GetProcAddressW(plat, L"LoadLibraryW"), nullptr);
  FreeLibrary(plat);
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(L"Pelnor-not-built.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(L".dll"), nullptr);
  EXPECT_EQ(LoadLibraryW(L"\\"), nullptr);
}

TEST(Modules, CoredllResolvesTheLayersOwnExports) {
  HMODULE core = LoadLibraryW(L"coredll.dll");
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(core, LoadLibraryW(L"CoreDLL"));
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddressW(core, L"MultiByteToWideChar")),
            reinterpret_cast<void*>(&MultiByteToWideChar));
  // Functions of the host C library are not the layer's.
  EXPECT_EQ(GetProcAddressW(core, L"fopen"), nullptr);
  EXPECT_EQ(GetProcAddressW(core, L"NoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(core));
  wchar_t buf[MAX_PATH];
  EXPECT_GT(GetModuleFileNameW(core, buf, MAX_PATH), 0u);
}

const unsigned char kAccel[] = {1, 2, 3, 4, 5, 6};
const unsigned char kOther[] = {9};

TEST(Resources, RegistryByTypeAndId) {
  vplat::RegisterResource(RT_ACCELERATOR, 101, kAccel, sizeof kAccel);
  vplat::RegisterResource(L"MenuBar", 102, kOther, sizeof kOther);
  HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCEW(101), RT_ACCELERATOR);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, r), sizeof kAccel);
  HGLOBAL g = LoadResource(nullptr, r);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(LockResource(g), static_cast<const void*>(kAccel));
  EXPECT_EQ(FindResourceW(nullptr, L"#101", L"#9"), r);  // the same resource, named by text
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(102), L"MENUBAR"), nullptr);

  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(999), RT_ACCELERATOR), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(101), RT_DIALOG), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  EXPECT_EQ(FindResourceW(nullptr, L"Named", RT_ACCELERATOR), nullptr);
  EXPECT_EQ(LoadResource(nullptr, reinterpret_cast<HRSRC>(0x1234)), nullptr);
  EXPECT_EQ(LockResource(nullptr), nullptr);

  vplat::RegisterResource(RT_ACCELERATOR, 101, kOther, sizeof kOther);  // replaced
  r = FindResourceW(nullptr, MAKEINTRESOURCEW(101), RT_ACCELERATOR);
  EXPECT_EQ(SizeofResource(nullptr, r), 1u);
}

TEST(Resources, ALoadedModulesTablesAreItsOwnAndLeaveWithIt) {
  static const char kProgram[] = "program";
  vplat::RegisterResource(RT_RCDATA, 101, kProgram, sizeof kProgram);
  auto text = [](HMODULE m, int id) -> std::string {
    HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!r) return "<none>";
    return static_cast<const char*>(LockResource(LoadResource(m, r)));
  };
  HMODULE probe = LoadLibraryW(L"SysProbe");
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(text(nullptr, 101), "program");
  EXPECT_EQ(text(GetModuleHandleW(nullptr), 101), "program");
  EXPECT_EQ(text(probe, 101), "probe");
  EXPECT_EQ(text(probe, 7001), "only");
  EXPECT_EQ(text(nullptr, 7001), "<none>");
  HRSRC stale = FindResourceW(probe, MAKEINTRESOURCEW(7001), RT_RCDATA);
  // A second load is counted, not re-registered; the last free drops the tables.
  EXPECT_EQ(LoadLibraryW(L"SysProbe"), probe);
  EXPECT_TRUE(FreeLibrary(probe));
  EXPECT_EQ(text(probe, 7001), "only");
  EXPECT_TRUE(FreeLibrary(probe));
  EXPECT_EQ(FindResourceW(probe, MAKEINTRESOURCEW(7001), RT_RCDATA), nullptr);
  EXPECT_EQ(LoadResource(nullptr, stale), nullptr);  // the old handle is refused, not read
  EXPECT_EQ(text(nullptr, 101), "program");
  // Loaded again, its tables come back with it.
  HMODULE again = LoadLibraryW(L"SysProbe");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(text(again, 7001), "only");
  FreeLibrary(again);
}

TEST(ModulesDeathTest, UnloadingCodeThatAWindowStillCallsStopsTheTest) {
  auto leave = [] {
    HMODULE probe = LoadLibraryW(L"SysProbe");
    auto make = reinterpret_cast<HWND (*)()>(GetProcAddressW(probe, L"ProbeLeaveWindow"));
    if (make && make()) FreeLibrary(probe);
  };
  setenv("VORNA_TEST", "1", 1);
  EXPECT_DEATH(leave(), "still point into");
  // Unloading a module that left nothing behind is quiet.
  HMODULE probe = LoadLibraryW(L"SysProbe");
  ASSERT_NE(probe, nullptr);
  EXPECT_TRUE(FreeLibrary(probe));
}

VS_FIXEDFILEINFO ProgramVersion(bool* ok) {
  VS_FIXEDFILEINFO out{};
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(L"\\Vorna\\Vorna.exe", &handle);
  *ok = size > 0;
  if (!*ok) return out;
  std::vector<unsigned char> block(size);
  *ok = GetFileVersionInfoW(L"\\vorna\\VORNA.EXE", handle, size, block.data());
  void* fixed = nullptr;
  UINT len = 0;
  *ok = *ok && VerQueryValueW(block.data(), L"\\", &fixed, &len) && len == sizeof out;
  if (*ok) std::memcpy(&out, fixed, sizeof out);
  return out;
}

TEST(Version, DefaultAndRegisteredVersionOfTheProgram) {
  bool ok;
  VS_FIXEDFILEINFO v = ProgramVersion(&ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(v.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(v.dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(v.dwFileVersionLS, 0u);           // .0.0
  EXPECT_EQ(GetFileVersionInfoSizeW(L"\\Maps\\town.mdm", nullptr), 0u);

  // 2.5.7.11 as thirteen little-endian fields.
  static unsigned char res[52] = {};
  const DWORD fields[13] = {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, 0x00020005, 0x0007000B};
  for (int i = 0; i < 13; ++i)
    for (int b = 0; b < 4; ++b) res[4 * i + b] = static_cast<unsigned char>(fields[i] >> (8 * b));
  vplat::RegisterResource(RT_VERSION, 1, res, sizeof res);
  v = ProgramVersion(&ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(HIWORD(v.dwFileVersionMS), 2);
  EXPECT_EQ(LOWORD(v.dwFileVersionMS), 5);
  EXPECT_EQ(HIWORD(v.dwFileVersionLS), 7);
  EXPECT_EQ(LOWORD(v.dwFileVersionLS), 11);

  static const unsigned char shortRes[10] = {};
  vplat::RegisterResource(RT_VERSION, 1, shortRes, sizeof shortRes);  // malformed: no version
  EXPECT_EQ(GetFileVersionInfoSizeW(L"\\Vorna\\Vorna.exe", nullptr), 0u);
}

}  // namespace
