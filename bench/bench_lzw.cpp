// Unpacking and library loading. Targets: LzwDecode >= 50 MB/s of output on 1 MB of mixed
// text-like and random bytes (several dictionary prunes); TObjectLibrary::Load of a packed
// library of about 1 MB unpacked (5,000 styles, 1,000 symbols, 20 value tables of 500 items)
// in <= 50 ms.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "maps/lzw.h"
#include "maps/object_library.h"
#include "platform/harness.h"
#include "tools/sampledata/lzw_pack.h"
#include "tools/sampledata/mol_writer.h"

namespace {

sample::Bytes MixedMegabyte() {
  sample::Bytes data;
  std::mt19937 rng(42);
  const char* words[] = {"road ", "river ", "bridge ", "forest ", "house ", "field ", "lake ",
                         "north ", "south ", "12 ", "345 ", "Street "};
  while (data.size() < 512 * 1024) {
    const std::string w = words[rng() % 12];
    data.insert(data.end(), w.begin(), w.end());
  }
  while (data.size() < 1024 * 1024) data.push_back(uint8_t(rng()));
  return data;
}

void BM_LzwDecode(benchmark::State& state) {
  const sample::Bytes plain = MixedMegabyte();
  const sample::Bytes packed = sample::LzwPack(plain);
  for (auto _ : state) {
    size_t n = 0;
    LzwBuffer out = LzwDecode(packed.data(), packed.size(), &n);
    if (!out || n != plain.size()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.get());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
}
BENCHMARK(BM_LzwDecode)->Unit(benchmark::kMillisecond);

sample::MolLibrary BigLibrary() {
  std::mt19937 rng(7);
  sample::MolLibrary lib;
  lib.version = 3;
  lib.flags = 3;
  lib.packed = true;
  for (int i = 0; i < 1000; ++i) {
    sample::MolSymbol s{20, {}};
    for (int e = 0; e < 5; ++e) {
      sample::MolElement el{uint8_t(e), e == 0, {}};
      for (int p = 0; p < 8; ++p) el.points.push_back({int8_t(rng() % 41 - 20), int8_t(rng() % 41 - 20)});
      s.elements.push_back(el);
    }
    lib.symbols.push_back(s);
  }
  for (int i = 0; i < 5000; ++i) {
    const int kind = 1 + i % 4;
    sample::Bytes data = kind == 1   ? sample::PointKind(uint16_t(1 + i % 1000))
                         : kind == 2 ? sample::SimpleLineKind(0x40, 3, 1)
                         : kind == 3 ? sample::AreaKind(1, 2, {0x40, 2, 0})
                                     : sample::TextKind(0, 25, 1, 1);
    sample::Bytes extra;
    if (kind == 1 || i % 4 == 2)
      extra = sample::Bitmap24([&](int x, int y) { return (x * y + i) & 15; });
    lib.styles.push_back({uint16_t((i << 3) | kind), data, "Type " + std::to_string(i),
                          uint16_t(1 + i % 20), extra});
  }
  lib.fonts.push_back({1, "Arial", false, false});
  lib.palette = sample::DemoPalette();
  for (int t = 0; t < 20; ++t) {
    lib.fieldLists.push_back({uint16_t(1 + t), {{9, 5, 0, "Name"}, {20, 6, uint16_t(t), "Kind"}}});
    sample::MolValueTable v{uint16_t(t), {}};
    for (int k = 0; k < 500; ++k) v.items.push_back({uint16_t(k), "value " + std::to_string(k)});
    lib.valueTables.push_back(v);
  }
  return lib;
}

void BM_LoadPackedLibrary(benchmark::State& state) {
  harness::Start();
  const sample::Bytes file = sample::WriteMol(BigLibrary());
  const std::string host = harness::HostPath(L"\\Big.mol");
  sample::SaveBytes(host, file);
  for (auto _ : state) {
    TObjectLibrary lib;
    if (lib.Load("\\Big.mol") != kMolOk) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(lib.styles.Count());
  }
  TObjectLibrary probe;
  probe.Load("\\Big.mol");
  const TMolHeader& h = probe.header;
  state.counters["file_bytes"] = double(file.size());
  state.counters["body_bytes"] = double(uint64_t(h.symbolLength) + h.styleLength + h.fontLength +
                                        h.paletteLength + h.fieldListLength + h.valueTableLength);
  harness::Stop();
}
BENCHMARK(BM_LoadPackedLibrary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
