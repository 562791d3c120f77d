// The application core's text paths: the settings file at start-up and shutdown (target: load
// and save of 2,000 pairs each under 2 ms), a full language reload (under 1 ms for a file that
// names all 231 keys), and the 8-bit to wide conversion every shown text goes through (at least
// as fast as glibc's iconv from CP1251, measured in the same run).
#include <benchmark/benchmark.h>

#include <iconv.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/language_path.h"
#include "base/text_utils.h"
#include "platform/sys/winsys.h"

namespace {

// One device root for the whole run, removed at exit. It lies in memory where the host has a
// memory file system: on a journalling disk, rewriting a truncated file waits for the disk
// (about 4 ms for these 80 KB with plain fopen/fwrite/fclose), which would hide our own cost.
struct BenchRoot {
  std::string host;
  BenchRoot() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string pattern = (base / "vorna-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) host = pattern;
    vplat::SetDeviceRoot(host);
    CreateDirectoryW(L"\\Vorna", nullptr);
  }
  ~BenchRoot() {
    std::error_code ec;
    if (!host.empty()) std::filesystem::remove_all(host, ec);
  }
};

BenchRoot& Root() {
  static BenchRoot root;
  return root;
}

// A settings file of 2,000 pairs of typical keys and values (numbers, paths, lists).
void WriteSettings(const char* path) {
  TIniFile ini;
  for (int i = 0; i < 2000; ++i) {
    std::string key = "Setting" + std::to_string(i);
    std::string value = i % 3 == 0 ? std::to_string(i * 37)
                        : i % 3 == 1 ? "\\Storage Card\\maps\\area" + std::to_string(i) + ".mdm"
                                     : "12:340;56:780;90:120;";
    ini.AddPair(key.c_str(), value.c_str());
  }
  ini.SaveAs(path);
}

void BM_SettingsLoad(benchmark::State& state) {
  Root();
  WriteSettings("\\Vorna\\bench.ini");
  for (auto _ : state) {
    TIniFile ini;
    benchmark::DoNotOptimize(ini.Load("\\Vorna\\bench.ini"));
  }
}
BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMillisecond);

void BM_SettingsSave(benchmark::State& state) {
  Root();
  WriteSettings("\\Vorna\\bench.ini");
  TIniFile ini;
  ini.Load("\\Vorna\\bench.ini");
  for (auto _ : state) benchmark::DoNotOptimize(ini.SaveAs("\\Vorna\\bench-out.ini"));
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMillisecond);

void BM_LoadLanguage(benchmark::State& state) {
  Root();
  SetLanguageFolder("\\Vorna\\");
  // A file naming every key, each with a 1251 text of typical length.
  std::string body = "[Lang]\n";
  int count = 0;
  const TLangKey* keys = GetLangKeys(&count);
  for (int i = 0; i < count; ++i) {
    if (keys[i].id == -1) continue;
    body += std::string(keys[i].key) + "=\xD2\xE5\xEA\xF1\xF2 " + std::to_string(keys[i].id);
    if (IsLangFormatId(keys[i].id)) body += keys[i].id == 100072 ? " %i" : " %s";  // keep formats
    body += "\n";
  }
  FILE* f = vfopen("\\Vorna\\Bench.lng", "wb");
  std::fwrite(body.data(), 1, body.size(), f);
  std::fclose(f);
  g_Ini.SetString("LangFile", "Bench");
  for (auto _ : state) LoadLanguage();
}
BENCHMARK(BM_LoadLanguage)->Unit(benchmark::kMicrosecond);

std::string Cyrillic255() {
  std::string s;
  for (int i = 0; s.size() < 255; ++i) s += static_cast<char>(0xC0 + i % 64);
  return s;
}

void BM_AnsiToWide(benchmark::State& state) {
  SetProgramCodePage(1251);
  std::string src = Cyrillic255();
  wchar_t dst[256];
  for (auto _ : state) {
    benchmark::DoNotOptimize(AnsiToWide(dst, src.data(), 255, 256));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 255);
}
BENCHMARK(BM_AnsiToWide);

void BM_IconvCp1251(benchmark::State& state) {
  iconv_t cd = iconv_open("WCHAR_T", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no CP1251");
    return;
  }
  std::string src = Cyrillic255();
  wchar_t dst[256];
  for (auto _ : state) {
    char* in = src.data();
    size_t inLeft = 255;
    char* out = reinterpret_cast<char*>(dst);
    size_t outLeft = sizeof dst;
    benchmark::DoNotOptimize(iconv(cd, &in, &inLeft, &out, &outLeft));
    benchmark::ClobberMemory();
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 255);
}
BENCHMARK(BM_IconvCp1251);

}  // namespace

BENCHMARK_MAIN();
