// The sky plot's fixture: the demo almanac (2013-12-26, reference time 16:38:24, predictions up to two days after it)
// loaded from the device, the virtual clock on that morning, a view whose centre lies in the demo
// town, a host that counts repaint requests, and the GPS port fed from an NMEA file on the device
// (the paced source: one line per 500 ms of the virtual clock).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/program_host.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/gps_port.h"
#include "gps/sky_plot.h"
#include "platform/harness.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_receiver.h"
#include "tools/sampledata/jps_writer.h"
#include "view/map_view.h"

namespace skytest {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTownLat = 55.75, kTownLon = 37.61;  // degrees

class CountingHost : public IProgramHost {
 public:
  void InvalidateMainView(int full) override { ++(full ? fullRedraws : redraws); }
  void InvalidateMainViewRect(const RECT&) override { ++redraws; }
  void FitDialogToMainWindow(RECT* out, HWND) override {
    if (out) *out = RECT{0, 0, 240, 294};
  }
  void ReportUserInput() override {}
  BOOL RestoreBackBuffer(HDC, const RECT&) override { return FALSE; }
  void CenterViewAt(int, int) override {}
  HWND MainWindow() override { return nullptr; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }
  int redraws = 0, fullRedraws = 0;
};

inline SYSTEMTIME Utc(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME t{};
  t.wYear = WORD(year);
  t.wMonth = WORD(month);
  t.wDay = WORD(day);
  t.wHour = WORD(hour);
  t.wMinute = WORD(minute);
  t.wSecond = WORD(second);
  return t;
}

inline DWORD ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
inline void FixTimerProc(HWND, UINT, UINT_PTR, DWORD) {}
inline LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GPS_SOURCE_ENDED) {
    reinterpret_cast<TGpsPort*>(lParam)->OnSourceEnded();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class SkyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    SetProgramHost(&host);
    const SYSTEMTIME morning = Utc(2013, 12, 26, 10, 0, 0);
    SetSystemTime(&morning);
    LoadAlmanac(sample::DemoJps());
    CentreViewAt(kTownLat, kTownLon);
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = L"SkyOwner";
    RegisterClassW(&wc);
    owner = CreateWindowExW(0, L"SkyOwner", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                            nullptr, nullptr);
    g_SkyPlot.SetEnabled(1);
  }
  void TearDown() override {
    g_GpsPort.Close();
    SetProgramHost(nullptr);
    harness::Stop();
  }

  void LoadAlmanac(const sample::Bytes& file) {
    ASSERT_TRUE(sample::WriteJps(harness::Root() + "/alm.jps", file));
    ASSERT_EQ(g_Almanac.Load("\\alm.jps"), 1);
  }
  // The view's centre pixel at (lat, lon), about 10 m a pixel.
  static void CentreViewAt(double lat, double lon) {
    TMapView& v = g_MapView;
    v.zone = 255;
    double x = 0, y = 0;
    ASSERT_TRUE(v.GeoToPlane(lat * kPi / 180, lon * kPi / 180, &x, &y));
    v.viewRect = {0, 0, 240, 294};
    v.pixelsPerMetre = 0.1;
    v.originX = x - (294 - 147) / v.pixelsPerMetre;
    v.originY = y - 120 / v.pixelsPerMetre;
  }

  // Opens the port on the lines (each with its CR LF) and waits until the published fix
  // satisfies `ready`; the lines repeat so that the source does not end meanwhile.
  bool Feed(const std::vector<std::string>& lines, const std::function<bool(const GpsFix&)>& ready) {
    std::string text;
    for (int round = 0; round < 40; ++round)
      for (const std::string& l : lines) text += l;
    FILE* f = std::fopen((harness::Root() + "/feed.nmea").c_str(), "wb");
    if (!f) return false;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    g_GpsPort.SetSourceType(TGpsPort::kPaced);
    g_GpsPort.Open(owner, L"\\feed.nmea", 0, FixTimerProc, ReaderProc, FALSE);
    if (!g_GpsPort.IsOpen()) return false;
    // The virtual clock moves 100 ms at a time (the reader's pace waits on it) until the fix
    // is ready; the bound is real time.
    return test_wait::Until([&] {
      GpsFix fix{};
      g_GpsPort.GetFix(&fix);
      if (ready(fix)) return true;
      harness::Advance(100);
      return false;
    });
  }
  // One epoch of the demo device's ride at 10:00:00 (the first of Demo.nmea): ten satellites in
  // view, eight with a signal; the satellite table completes with its last line.
  static std::vector<std::string> DemoEpoch(int day = 26, int month = 12, int year = 13) {
    sample::WalkEpoch e{};
    e.latDeg = kTownLat;
    e.lonDeg = kTownLon;
    e.hour = 10;
    e.day = day;
    e.month = month;
    e.year = year;
    return sample::EpochSentences(e);
  }
  static GpsFix Fix() {
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    return fix;
  }

  // What the almanac itself predicts at a place and time: the oracle of the plot's records.
  struct Prediction {
    bool above = false;
    int elevation = 0, azimuth = 0;
  };
  static std::vector<Prediction> Predict(const SYSTEMTIME& t, double lat, double lon, double h) {
    std::vector<Prediction> out(33);
    g_Almanac.SetObserver(t, lat, lon, h);
    for (int prn = 0; prn <= 32; ++prn) {
      uint8_t el = 0;
      int16_t az = 0;
      if (g_Almanac.GetSatellite(prn, &el, &az)) out[size_t(prn)] = {true, el, az};
    }
    return out;
  }

  CountingHost host;
  HWND owner = nullptr;
};

}  // namespace skytest
