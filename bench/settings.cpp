// The settings dialog: the live refresh of the navigation tab that the 500 ms GPS timer runs on
// the UI thread (target at most 50 us, with a fix from a fake receiver), opening the dialog and
// visiting all nine pages headless (at most 50 ms), and Apply with nine pages over a store of
// 2,000 pairs (at most 10 ms).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>

#include "base/ini_file.h"
#include "base/lang.h"
#include "gps/gps_port.h"
#include "platform/harness.h"
#include "settings/settings_dialog.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

DWORD ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
void TimerProc(HWND, UINT, UINT_PTR, DWORD) {}

void Press(HWND dialog, int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void SelectTab(HWND dialog, int tab) {
  HWND tabs = GetDlgItem(dialog, 2093);
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  NMHDR hdr{tabs, 2093, TCN_SELCHANGE};
  SendMessageW(dialog, WM_NOTIFY, 2093, reinterpret_cast<LPARAM>(&hdr));
}

void Device(int pairs) {
  harness::Start();
  CreateDirectoryW(L"\\Vorna", nullptr);
  g_Ini.Load("\\Vorna\\Vorna.ini");
  g_Ini.SetHeader("[Ini]");
  for (int i = 0; i < pairs; ++i)
    g_Ini.SetString(("Key" + std::to_string(i)).c_str(), ("value " + std::to_string(i * 7)).c_str());
  g_Ini.Save();
  LoadLanguage();
}

void BM_RefreshNavigationTabWithAFix(benchmark::State& state) {
  Device(0);
  sample::FakeReceiver fake;
  if (!fake.Open()) {
    state.SkipWithError("no pseudo-terminal");
    harness::Stop();
    return;
  }
  setenv("VORNA_COM5", fake.SlavePath().c_str(), 1);
  g_GpsPort.SetSourceType(TGpsPort::kNmea);
  g_GpsPort.Open(nullptr, L"COM5:", 4800, TimerProc, ReaderProc, FALSE);
  fake.WriteSentence("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
  GpsFix fix{};
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (fix.status != 'A' && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    g_GpsPort.GetFix(&fix);
  }
  if (fix.status != 'A') state.SkipWithError("no fix");
  harness::OnDialog(108, [&](HWND d) {
    for (auto _ : state) TSettingsDialog::RefreshPage(0);
    Press(d, 4);
  });
  ShowSettingsDialog(nullptr, 0);
  g_GpsPort.Close();
  fake.HangUp();
  harness::Stop();
}
BENCHMARK(BM_RefreshNavigationTabWithAFix)->Unit(benchmark::kMicrosecond);

void BM_OpenAndVisitAllPages(benchmark::State& state) {
  Device(300);
  harness::OnDialog(108, [](HWND d) {
    for (int tab = 1; tab < kSettingsPageCount; ++tab) SelectTab(d, tab);
    Press(d, 4);
  });
  for (auto _ : state) ShowSettingsDialog(nullptr, 0);
  harness::Stop();
}
BENCHMARK(BM_OpenAndVisitAllPages)->Unit(benchmark::kMillisecond);

void BM_ApplyNinePagesOver2000Pairs(benchmark::State& state) {
  Device(2000);
  harness::OnDialog(108, [&](HWND d) {
    for (int tab = 1; tab < kSettingsPageCount; ++tab) SelectTab(d, tab);
    for (auto _ : state) {
      SetSettingsModified(1);
      Press(d, 8);
    }
    Press(d, 4);
  });
  ShowSettingsDialog(nullptr, 0);
  harness::Stop();
}
BENCHMARK(BM_ApplyNinePagesOver2000Pairs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
