// The file browser and the grid. Targets: a folder of 10,000 files listed with three patterns
// (one scan, patterns matched in memory, sort, texts, cached icons, list fill) in <= 100 ms; the
// folder tree of 5,000 folders in <= 200 ms; a paint of a 1,000 x 3 grid with 18 rows visible in
// <= 1 ms. Each browser figure is set beside a bare std::filesystem walk of the same tree (the
// floor; the ratio is reported).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/ui/file_browser.h"
#include "base/ui/grid.h"
#include "platform/harness.h"

namespace fs = std::filesystem;

namespace {

const wchar_t kFilters[] = L"Maps\0*.mvw,*.mdm,*.jpg\0";

double FloorSeconds(const fs::path& dir, bool recursive) {
  const auto start = std::chrono::steady_clock::now();
  size_t n = 0;
  if (recursive) {
    for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_directory();
  } else {
    for (const auto& e : fs::directory_iterator(dir)) n += e.is_regular_file();
  }
  benchmark::DoNotOptimize(n);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_BrowserListFolder10000(benchmark::State& state) {
  harness::Start();
  const fs::path dir = fs::path(harness::Root()) / "Files";
  fs::create_directories(dir);
  const char* extensions[] = {".mvw", ".mdm", ".jpg", ".txt"};
  for (int i = 0; i < 10000; ++i)
    std::ofstream(dir / ("file_" + std::to_string(i * 7919 % 10000) + extensions[i % 4])) << i;
  double floor = 0;
  int rows = 0;
  TFileBrowser b(nullptr, nullptr);
  b.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon, TFileBrowser::kProgramIcon);
  b.SetFilters(kFilters);
  b.folder = L"\\Files\\";
  harness::OnDialog(TFileBrowser::kOpenTemplate, [&](HWND dialog) {
    for (auto _ : state) {
      b.ListFolder();
      UpdateWindow(b.fileList.list);
    }
    rows = b.fileList.rows;
    for (int i = 0; i < 5; ++i) floor += FloorSeconds(dir, false) / 5;
    EndDialog(dialog, 0);
  });
  b.RunOpen(TFileBrowser::kOpenTemplate, nullptr);
  state.counters["rows"] = rows;
  state.counters["floor_ms"] = floor * 1e3;
  state.counters["target_ms"] = 100;
  harness::Stop();
}
BENCHMARK(BM_BrowserListFolder10000)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_BrowserFolderTree5000(benchmark::State& state) {
  harness::Start();
  const fs::path top = fs::path(harness::Root()) / "Tree";
  int made = 0;
  for (int a = 0; a < 50 && made < 5000; ++a)
    for (int b = 0; b < 10 && made < 5000; ++b)
      for (int c = 0; c < 10 && made < 5000; ++c, ++made)
        fs::create_directories(top / ("a" + std::to_string(a)) / ("b" + std::to_string(b)) /
                               ("c" + std::to_string(c)));
  double floor = 0;
  for (int i = 0; i < 5; ++i) floor += FloorSeconds(harness::Root(), true) / 5;
  int folders = 0;
  for (auto _ : state) {
    TFileBrowser browser(nullptr, nullptr);
    harness::OnDialog(TFileBrowser::kFolderTemplate, [&](HWND dialog) {
      folders = browser.treeFolders;
      EndDialog(dialog, 0);
    });
    browser.RunFolder(TFileBrowser::kFolderTemplate, nullptr);
  }
  state.counters["folders"] = folders;
  state.counters["floor_ms"] = floor * 1e3;
  state.counters["target_ms"] = 200;
  harness::Stop();
}
BENCHMARK(BM_BrowserFolderTree5000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_GridPaint1000x3(benchmark::State& state) {
  harness::Start();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = L"BenchGridHost";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, L"BenchGridHost", L"", WS_VISIBLE | WS_POPUP, 0, 0, 240, 320,
                              nullptr, nullptr, nullptr, nullptr);
  {
    TGrid grid;
    grid.Create(host, nullptr);
    grid.Move(0, 0, 240, 18 * 16 + 14);  // 18 rows above the horizontal bar
    grid.SetSize(1000, 3);
    for (int c = 0; c < 3; ++c) grid.SetColumnWidth(c, 75);
    for (int r = 0; r < 1000; ++r)
      for (int c = 0; c < 3; ++c) grid.SetCellText(r, c, ("cell " + std::to_string(r * 3 + c)).c_str());
    grid.ScrollToRow(500);
    harness::PumpUntilIdle();
    for (auto _ : state) {
      InvalidateRect(grid.window, nullptr, TRUE);
      UpdateWindow(grid.window);
    }
  }
  DestroyWindow(host);
  state.counters["target_ms"] = 1;
  harness::Stop();
}
BENCHMARK(BM_GridPaint1000x3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
