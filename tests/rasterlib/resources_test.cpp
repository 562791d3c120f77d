// The library's dialog templates live and die with it; the program's tables are untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win.h"

namespace {

std::string Bytes(HMODULE m, int id, LPCWSTR type) {
  HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(id), type);
  if (!r) return "<none>";
  auto p = static_cast<const char*>(LockResource(LoadResource(m, r)));
  return std::string(p, SizeofResource(m, r));
}

}  // namespace

TEST(RasterResources, TemplatesBelongToTheLibraryAndTheProgramsAcceleratorsStay) {
  const std::string accel = Bytes(nullptr, 101, RT_ACCELERATOR);
  ASSERT_NE(accel, "<none>");
  for (int round = 0; round < 3; ++round) {
    HMODULE lib = LoadLibraryW(L"Tilvex");
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(Bytes(nullptr, 101, RT_ACCELERATOR), accel);
    EXPECT_NE(Bytes(lib, 103, RT_DIALOG), "<none>");
    EXPECT_NE(Bytes(lib, 138, RT_DIALOG), "<none>");
    EXPECT_EQ(Bytes(nullptr, 103, RT_DIALOG), "<none>");
    EXPECT_EQ(Bytes(nullptr, 138, RT_DIALOG), "<none>");
    // Nothing of the program's was registered a second time under the library.
    EXPECT_EQ(Bytes(lib, 101, RT_ACCELERATOR), "<none>");
    ASSERT_TRUE(FreeLibrary(lib));
    EXPECT_EQ(Bytes(lib, 103, RT_DIALOG), "<none>");
    EXPECT_EQ(Bytes(lib, 138, RT_DIALOG), "<none>");
    // Reading the accelerators after the unload touches nothing that left with it.
    EXPECT_EQ(Bytes(nullptr, 101, RT_ACCELERATOR), accel);
    HACCEL table = LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(101));
    EXPECT_NE(table, nullptr);
    if (table) DestroyAcceleratorTable(table);
  }
}
