// The receiver's block transfer: the CRC-16 alone, a 4 MiB log over an unpaced pseudo-terminal,
// and a 64 KiB log with the fake pacing 115200 baud (10 bits a byte).
// Targets: CRC at least 250 MB/s; 4 MiB at least 2 MB/s; the paced block phase (first NAK to
// the last block) at least 97% of the line's limit for 512 data bytes in 518 + 1 bytes,
// 11.36 kB/s. The whole-file time includes the get and end replies ("%%"), each a round trip.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "platform/harness.h"
#include "tools/sampledata/fake_greis.h"

namespace {

DWORD WINAPI Reader(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
void CALLBACK NoTimer(HWND, UINT, UINT_PTR, DWORD) {}

void BM_Crc16(benchmark::State& state) {
  TGreisReceiver receiver;
  receiver.BuildCrcTable();
  std::vector<uint8_t> bytes(1 << 20);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 31 + 7);
  uint16_t crc = 0;
  for (auto _ : state) {
    crc = receiver.Crc16(crc, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_Crc16);

void Download(benchmark::State& state, int64_t size, int baud) {
  harness::Options options;
  options.virtualClock = false;
  harness::Start(options);
  {
    sample::FakeGreis fake;
    fake.AddLog("bench.jps", size);
    sample::FakeGreis::Transfer t;
    t.baud = baud;
    fake.SetTransfer(t);
    TGpsPort port;
    if (!fake.Open()) {
      state.SkipWithError("no pseudo-terminal");
    } else {
      setenv("VORNA_COM8", fake.SlavePath().c_str(), 1);
      port.SetSourceType(TGpsPort::kGreis);
      port.Open(nullptr, L"COM8:", 115200, NoTimer, Reader, 0);
      g_GreisReceiver.Bind(&port, "\\Vorna\\Vorna.gbackup");
      CreateDirectoryW(L"\\Bench", nullptr);
      double phase = 0;
      for (auto _ : state) {
        TCommandBracket bracket(g_GreisReceiver);
        const int64_t got =
            g_GreisReceiver.DownloadLog("bench.jps", "\\Bench\\bench.jps", nullptr, nullptr);
        if (got != size) state.SkipWithError("incomplete copy");
        phase += fake.BlockPhaseSeconds();
      }
      const double blocks = double(size / 512 + 1);
      state.counters["block_phase_s"] = phase / double(state.iterations());
      state.counters["block_phase_bytes_per_s"] =
          benchmark::Counter(double(size) * double(state.iterations()) / phase);
      if (baud > 0) {
        // What the line can carry: 512 data bytes per 518-byte block and its answer byte.
        const double limit = baud / 10.0 * 512.0 / 519.0;
        state.counters["percent_of_line"] =
            100.0 * (double(size) / (phase / double(state.iterations()))) / limit;
      }
      state.counters["blocks"] = blocks;
      port.Close();
      g_GreisReceiver.Bind(nullptr, "");
    }
  }
  harness::Stop();
}

void BM_Download4MiBUnpaced(benchmark::State& state) { Download(state, 4 << 20, 0); }
BENCHMARK(BM_Download4MiBUnpaced)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Download64KiBAt115200(benchmark::State& state) { Download(state, 64 << 10, 115200); }
BENCHMARK(BM_Download64KiBAt115200)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
