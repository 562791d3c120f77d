// The GREIS receiver link against the fake GREIS receiver on a pseudo-terminal: the port opened
// on its slave through VORNA_COM6 as a GREIS source, the reader thread running, the receiver
// bound to it. The device runs on the real clock, as the reader and the fake do.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/lang.h"
#include "gps/geodesy_host.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "platform/harness.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_greis.h"

namespace greistest {

using Clock = std::chrono::steady_clock;

inline int ElapsedMs(Clock::time_point since) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

inline bool WaitFor(const std::function<bool()>& ready, int ms = test_wait::kDefaultMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!ready()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// How often `needle` occurs in `text`.
inline int Count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

inline void LoadLanguage() {
  g_Lang.Clear();
  int count = 0;
  const TLangKey* keys = GetLangKeys(&count);
  for (int i = 0; i < count; ++i) g_Lang.Add(keys[i].id, keys[i].key, keys[i].text);
}

// What the application would do for the receiver, recorded.
class RecordingHost final : public IGeodesyHost {
 public:
  void StopNavigation() override { ++stops; }
  int StartNavigation() override { return ++starts, 0; }
  void SetGpsFollow(int on) override { follow = on; }
  int stops = 0, starts = 0, follow = -1;
};

inline DWORD WINAPI ReaderProc(LPVOID port) { return static_cast<TGpsPort*>(port)->ReadLoop(); }
inline void CALLBACK FixTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

class GreisLink : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Options options;
    options.virtualClock = false;
    harness::Start(options);
    harness::ClearMessageBoxes();
    LoadLanguage();
    SetGeodesyHost(&host);
    ASSERT_TRUE(fake.Open());
    setenv("VORNA_COM6", fake.SlavePath().c_str(), 1);
    owner = CreateWindowExW(0, L"static", L"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                            nullptr, nullptr);
    port.SetSourceType(TGpsPort::kGreis);
    port.Open(owner, L"COM6:", 115200, FixTimerProc, ReaderProc, 0);
    ASSERT_TRUE(port.IsOpen());
    g_GreisReceiver.Bind(&port, "\\Vorna\\Vorna.gbackup");
    // A run of several cases in one process starts each with the receiver of a fresh run.
    g_GreisReceiver.SetAntennaType(nullptr);
    g_GreisReceiver.workTimeBound = 0;
    ASSERT_TRUE(g_GreisReceiver.IsReady());
    // The output set-up of the open has been taken: the fake now sends NMEA.
    ASSERT_TRUE(fake.WaitTranscript("em,,nmea/GSV:1\n", test_wait::kDefaultMs));
    ASSERT_TRUE(WaitFor([this] { return fake.NmeaOn(); }));
  }
  void TearDown() override {
    port.Close();
    g_GreisReceiver.Bind(nullptr, "");
    SetGeodesyHost(nullptr);
    if (owner) DestroyWindow(owner);
    harness::Stop();
  }
  // One command in a dialogue of its own.
  bool Ask(const char* line, std::string* reply) {
    TCommandBracket bracket(g_GreisReceiver);
    return g_GreisReceiver.Command(line, reply);
  }

  sample::FakeGreis fake;
  TGpsPort port;
  HWND owner = nullptr;
  RecordingHost host;
  TGreisReceiver& receiver = g_GreisReceiver;
};

}  // namespace greistest
