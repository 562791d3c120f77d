// Start-up, the first full paint and shutdown of the main window, in process and headless, on a
// device with the demo palette, a settings file of 300 keys and a language file naming every key.
// Target: under 50 ms a run (median).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "app/winmain.h"
#include "base/lang.h"
#include "platform/harness.h"
#include "platform/sys/instance_lock.h"
#include "tools/sampledata/mol_writer.h"

namespace {

void Seed(const std::string& root) {
  std::filesystem::create_directories(root + "/Vorna/Obj");
  sample::Bytes palette = sample::PaletteBytes(sample::DemoPalette());
  std::ofstream(root + "/Vorna/Obj/Vorna.rgb", std::ios::binary)
      .write(reinterpret_cast<const char*>(palette.data()), std::streamsize(palette.size()));
  std::ofstream ini(root + "/Vorna/Vorna.ini", std::ios::binary);
  ini << "[Ini]\nLangFile=Full\nMapViewGrid=1\n";
  for (int i = 0; i < 297; ++i) ini << "Key" << i << "=value " << i * 7 << "\n";
  int count = 0;
  const TLangKey* keys = GetLangKeys(&count);
  std::ofstream lang(root + "/Vorna/Full.lng", std::ios::binary);
  lang << "[Lang]\n";
  for (int i = 0; i < count; ++i)
    if (keys[i].key) lang << keys[i].key << "=Text " << keys[i].id << "\n";
}

void BM_StartPaintShutdown(benchmark::State& state) {
  harness::Start();
  Seed(harness::Root());
  static MEMORYSTATUS plenty{};
  plenty.dwLength = sizeof plenty;
  plenty.dwAvailPhys = 64u << 20;
  vplat::SetMemoryStatusOverride(&plenty);
  for (auto _ : state) {
    g_FullRedraw = 1;
    g_FullScreen = 0;
    g_LastNominalScale = 0;
    if (RegisterMainWindowClass(nullptr) != 0) {
      state.SkipWithError("the class could not be registered");
      break;
    }
    HWND w = CreateMainWindow(nullptr, "", SW_SHOW);
    harness::PumpUntilIdle();
    PostMessageW(w, WM_COMMAND, 40005, 0);
    harness::PumpUntilIdle();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    UnregisterClassW(L"Vorna", nullptr);
    vplat::ReleaseInstance(L"Vorna");  // WinMain gives the claim back after its loop
  }
  harness::Stop();
}
BENCHMARK(BM_StartPaintShutdown)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
