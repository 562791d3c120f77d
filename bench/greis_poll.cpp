// The geodesy bar's receiver poll and the receiver's file list, against the fake GREIS receiver
// on a pseudo-terminal at full speed, on the real clock.
// Targets: one poll (the dialogue with its 100 ms pause, four queries, the output set-up) at most
// 200 ms; the list of 100 files (one size query each) at most 1.5 s.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "gps/geodesy_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "platform/harness.h"
#include "tools/sampledata/fake_greis.h"

namespace {

DWORD WINAPI Reader(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
void CALLBACK NoTimer(HWND, UINT, UINT_PTR, DWORD) {}

// The device, the fake and the port, opened once for a benchmark.
struct Link {
  explicit Link(int files) {
    harness::Options options;
    options.virtualClock = false;
    harness::Start(options);
    for (int i = 0; i < files; ++i) fake.AddLog("log" + std::to_string(1000 + i) + ".jps", 4096 + i);
    fake.SetCurrentLog("cur.jps", 100000, 500);
    ok = fake.Open();
    setenv("VORNA_COM7", fake.SlavePath().c_str(), 1);
    owner = CreateWindowExW(0, L"static", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                            nullptr, nullptr);
    port.SetSourceType(TGpsPort::kGreis);
    port.Open(owner, L"COM7:", 115200, NoTimer, Reader, 0);
    ok = ok && port.IsOpen();
    g_GreisReceiver.Bind(&port, "\\Vorna\\Vorna.gbackup");
  }
  ~Link() {
    port.Close();
    g_GreisReceiver.Bind(nullptr, "");
    DestroyWindow(owner);
    harness::Stop();
  }
  sample::FakeGreis fake;
  TGpsPort port;
  HWND owner = nullptr;
  bool ok = false;
};

void BM_GeodesyBarPoll(benchmark::State& state) {
  Link link(0);
  if (!link.ok || !g_GeodesyBar.Create(link.owner, GetModuleHandleW(nullptr))) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  g_GeodesyBar.firstPoll = 0;
  for (auto _ : state) g_GeodesyBar.Poll();
  if (g_GeodesyBar.GetBatteryFrame() != 1) state.SkipWithError("the poll got no answer");
  DestroyWindow(g_GeodesyBar.window);
  g_GeodesyBar.window = nullptr;
}
BENCHMARK(BM_GeodesyBarPoll)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ListLogFiles100(benchmark::State& state) {
  Link link(100);
  if (!link.ok) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  std::vector<ReceiverLogFile> files;
  for (auto _ : state) {
    TCommandBracket bracket(g_GreisReceiver);
    g_GreisReceiver.ListLogFiles(&files);
  }
  if (files.size() != 100) state.SkipWithError("the list is short");
}
BENCHMARK(BM_ListLogFiles100)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
