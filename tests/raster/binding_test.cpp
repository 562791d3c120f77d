// Binding the image module and the raster-map library by name at run time.
#include "tests/raster/raster_test_util.h"

namespace rastertest {
namespace {

std::string Modules(const char* folder) { return std::string(VORNA_TEST_MODULES) + "/" + folder; }

TEST_F(RasterTest, ImageModuleBindsOnceWithAllFourEntries) {
  TImageLib lib;
  ASSERT_EQ(lib.Load(), 1);
  EXPECT_EQ(lib.loaded, 1);
  EXPECT_NE(lib.LoadMapImage, nullptr);
  EXPECT_NE(lib.LoadMapImageTiles, nullptr);
  HMODULE first = lib.module;
  EXPECT_EQ(lib.Load(), 1);
  EXPECT_EQ(lib.module, first);
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

TEST_F(RasterTest, ModuleShortOfAnExportIsABadFormatAndIsLetGo) {
  setenv("VORNA_MODULE_DIR", Modules("pelnor_short").c_str(), 1);
  TImageLib lib;
  EXPECT_EQ(lib.Load(), 0);
  EXPECT_EQ(lib.module, nullptr);
  EXPECT_EQ(lib.LoadMapImageHead, nullptr);
  EXPECT_EQ(lib.Load(), 0);  // binds afresh and says so again
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  const harness::ShownMessageBox& box = harness::MessageBoxes()[0];
  EXPECT_EQ(box.text, L"Неверный формат DLL Pelnor");
  EXPECT_EQ(box.caption, L"Подтверждение");
  EXPECT_EQ(box.type & 0xF0, UINT(MB_ICONSTOP));
  EXPECT_EQ(GetModuleHandleW(L"Pelnor"), nullptr);  // released
}

TEST_F(RasterTest, MissingImageModuleStopsEveryOpeningWithItsMessage) {
  // A folder whose Pelnor cannot be loaded stands for a device without one.
  std::string dir = harness::Root() + "/nomodules";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/Pelnor.so") << "not a module";
  setenv("VORNA_MODULE_DIR", dir.c_str(), 1);
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\a.jpg"), plan));
  WriteText("\\a.@@@", PlaneCalibration(kX0, kY0, 1.0, 64, 64));
  const double fallback[6] = {};
  for (int i = 0; i < 3; ++i) {
    TPictureMap map;
    EXPECT_EQ(map.Open("\\a.jpg", fallback), 0);
    EXPECT_EQ(map.open, 0);
    EXPECT_EQ(map.Activate(), 2);
    EXPECT_EQ(map.active, 0);
  }
  // Each opening tries afresh and tells (an activation of a map not open does not bind).
  ASSERT_EQ(harness::MessageBoxes().size(), 3u);
  EXPECT_EQ(harness::MessageBoxes()[2].text, L"Не найдена DLL Pelnor");
  EXPECT_EQ(harness::MessageBoxes()[2].type & 0xF0, UINT(MB_ICONSTOP));
}

TEST_F(RasterTest, RasterLibraryAnswerKeepsItsLowByteAndIsUnloadedAfter) {
  setenv("VORNA_MODULE_DIR", Modules("tilvex_answer").c_str(), 1);
  TRasterLib lib;
  static_assert(sizeof lib.path == 256 && sizeof lib.name == 256);
  EXPECT_EQ(lib.Show(kX0, kY0), 1);  // 0x101
  EXPECT_EQ(lib.result, 1);
  EXPECT_EQ(std::string(lib.path), std::string(255, 'M'));
  EXPECT_EQ(std::string(lib.name), std::string(255, 'P'));
  EXPECT_EQ(lib.module, nullptr);
  EXPECT_EQ(lib.loaded, 0);
  EXPECT_EQ(GetModuleHandleW(L"Tilvex"), nullptr);
  // The coordinates arrived: the module is loaded again to ask it (a fresh load starts at 0).
  HMODULE m = LoadLibraryW(L"Tilvex");
  ASSERT_NE(m, nullptr);
  auto calls = reinterpret_cast<int (*)()>(GetProcAddressW(m, L"TestCalls"));
  ASSERT_NE(calls, nullptr);
  EXPECT_EQ(calls(), 0);
  FreeLibrary(m);
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

TEST_F(RasterTest, RasterLibraryWithoutLinkIsABadFormatAndThePreviousResultReturns) {
  TRasterLib lib;
  setenv("VORNA_MODULE_DIR", Modules("tilvex_answer").c_str(), 1);
  ASSERT_EQ(lib.Show(1.0, 2.0), 1);
  setenv("VORNA_MODULE_DIR", Modules("tilvex_show_only").c_str(), 1);
  EXPECT_EQ(lib.Show(1.0, 2.0), 1);  // the previous answer
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Неверный формат DLL Tilvex");
  EXPECT_EQ(lib.module, nullptr);
  TRasterLib fresh;
  EXPECT_EQ(fresh.Show(1.0, 2.0), 0);  // nothing before: 0
}

}  // namespace
}  // namespace rastertest
