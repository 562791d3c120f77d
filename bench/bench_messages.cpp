// Message dispatch and the timer queue. Target: SendMessageW and a posted round trip (post,
// peek, dispatch) at 5 million or more per second.
#include <benchmark/benchmark.h>

#include "platform/harness.h"

namespace {

LRESULT CALLBACK CountProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) return (LRESULT)wp + 1;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountProc;
  wc.lpszClassName = L"BenchWnd";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"BenchWnd", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

void BM_SendMessage(benchmark::State& state) {
  harness::Start();
  HWND h = MakeWindow();
  WPARAM n = 0;
  for (auto _ : state) n = (WPARAM)SendMessageW(h, WM_USER, n, 0);
  benchmark::DoNotOptimize(n);
  state.SetItemsProcessed(state.iterations());
  DestroyWindow(h);
  harness::Stop();
}
BENCHMARK(BM_SendMessage);

void BM_PostPeekDispatch(benchmark::State& state) {
  harness::Start();
  HWND h = MakeWindow();
  MSG msg;
  LRESULT sum = 0;
  for (auto _ : state) {
    PostMessageW(h, WM_USER, 1, 0);
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    sum += DispatchMessageW(&msg);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
  DestroyWindow(h);
  harness::Stop();
}
BENCHMARK(BM_PostPeekDispatch);

// 1,000 timers of different periods on the virtual clock; one iteration moves the clock by
// 10 ms and fires whatever fell due.
int g_fired = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ++g_fired; }

void BM_TimerQueue1000(benchmark::State& state) {
  harness::Start();
  HWND h = MakeWindow();
  for (UINT i = 0; i < 1000; ++i) SetTimer(h, i + 1, 10 + (i % 100) * 10, i % 2 ? Tick : nullptr);
  g_fired = 0;
  for (auto _ : state) harness::Advance(10);
  state.counters["timers_fired_per_s"] =
      benchmark::Counter((double)g_fired, benchmark::Counter::kIsRate);
  DestroyWindow(h);
  harness::Stop();
}
BENCHMARK(BM_TimerQueue1000);

// Setting and killing in a full queue.
void BM_SetKillTimerIn1000(benchmark::State& state) {
  harness::Start();
  HWND h = MakeWindow();
  for (UINT i = 0; i < 1000; ++i) SetTimer(h, i + 1, 100 + i, nullptr);
  for (auto _ : state) {
    SetTimer(h, 5000, 50, nullptr);
    KillTimer(h, 5000);
  }
  state.SetItemsProcessed(state.iterations());
  DestroyWindow(h);
  harness::Stop();
}
BENCHMARK(BM_SetKillTimerIn1000);

}  // namespace

BENCHMARK_MAIN();
