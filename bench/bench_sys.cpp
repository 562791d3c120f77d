// System services on their hot paths: code-page conversion of program text, and mapping device
// paths onto the root (an exact spelling, and one that needs the case-insensitive folder scan).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win.h"

namespace {

std::string CyrillicText(size_t bytes) {
  std::string s;
  for (size_t i = 0; s.size() < bytes; ++i) s.push_back(static_cast<char>(i % 7 == 0 ? ' ' : 0xC0 + i % 64));
  return s;
}

void BM_MultiByteToWide1251(benchmark::State& state) {
  std::string text = CyrillicText(4096);
  std::wstring out(text.size(), L'\0');
  for (auto _ : state) {
    int n = MultiByteToWideChar(1251, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                static_cast<int>(out.size()));
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MultiByteToWide1251);

void BM_WideToMultiByte1251(benchmark::State& state) {
  std::string text = CyrillicText(4096);
  std::wstring wide(text.size(), L'\0');
  MultiByteToWideChar(1251, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()));
  std::string out(text.size(), '\0');
  for (auto _ : state) {
    int n = WideCharToMultiByte(1251, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_WideToMultiByte1251);

// A root with \Vorna\Maps holding 1,000 pictures.
struct Root {
  Root() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vorna-bench-XXXXXX";
    path = mkdtemp(pattern.data()) ? pattern : std::string();
    std::filesystem::create_directories(path + "/Vorna/Maps");
    for (int i = 0; i < 1000; ++i) std::ofstream(path + "/Vorna/Maps/Sheet" + std::to_string(i) + ".jpg");
    vplat::SetDeviceRoot(path);
  }
  ~Root() { std::filesystem::remove_all(path); }
  std::string path;
};

void BM_MapPathExact(benchmark::State& state) {
  Root root;
  std::string host;
  for (auto _ : state) benchmark::DoNotOptimize(vplat::DeviceToHostPath(L"\\Vorna\\Maps\\Sheet500.jpg", &host, false));
}
BENCHMARK(BM_MapPathExact);

void BM_MapPathOtherCase(benchmark::State& state) {
  Root root;
  std::string host;
  for (auto _ : state) benchmark::DoNotOptimize(vplat::DeviceToHostPath(L"\\VORNA\\maps\\SHEET500.JPG", &host, false));
}
BENCHMARK(BM_MapPathOtherCase);

}  // namespace

BENCHMARK_MAIN();
