// The echo sounder: water depth from "$SDDBT" sentences on a second serial port, read by a
// reader thread of its own and recorded by the application core's 1000 ms echo timer.
//
// The reader alone writes the working record; it publishes the record under the depth lock after
// every line it takes (an accepted depth is therefore visible at once). The UI thread reads only
// the published record, under the same lock, whether the port is open or not. Stopping is
// cooperative as for the GPS port: stop flag, the event wait woken, the reader joined.
//
// A depth is a measurement of one moment: each accepted depth sentence is counted, and the
// recorder takes a depth only once (TakeNewDepth), so a sounder that falls silent leaves no
// copies of its last depth, and nothing is recorded before its first one. The time since the
// last depth tells the user when the sounder is silent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/win.h"

// What the echo sounder publishes. The leading fields mirror the fix record and keep their open
// values; readers use only the depth.
struct EchoDepthRecord {
  char status;          // 'V'
  double latitude;
  int32_t latDegrees;
  double latMinutes;
  char latHemisphere;   // ' '
  double longitude;
  int32_t lonDegrees;
  double lonMinutes;
  char lonHemisphere;   // ' '
  double speed;
  double course;
  uint8_t fixMode;      // 1
  int32_t satellitesUsed;
  float pdop, hdop, vdop;
  float depth;          // metres below the transducer
};

// Reads the depth in metres (field 3) of a "$SDDBT" line with a good checksum and at least 6
// commas. False, `depth` untouched, for anything else, a number that overflows a float or is
// not finite included.
bool ParseDepthSentence(const char* line, float* depth);

// The port name of echo-sounder port `number` ("com%i:", as the settings give it).
std::wstring EchoPortName(int number);

class TEchoSounder {
 public:
  static constexpr UINT_PTR kTimerId = 2;
  static constexpr UINT kTimerMs = 1000;
  static constexpr DWORD kBaudRate = 4800;  // what depth sounders speak, not a setting
  static constexpr int kLineBytes = 600;
  // Without a depth for longer than this (ms, the layer's clock) the sounder counts as silent;
  // sounders send a depth about every second.
  static constexpr uint64_t kSilentMs = 3000;

  TEchoSounder() = default;
  ~TEchoSounder();
  TEchoSounder(const TEchoSounder&) = delete;
  TEchoSounder& operator=(const TEchoSounder&) = delete;

  // Opens the port, starts the reader (which gets this object as its parameter and must run
  // ReadLoop on it) and the 1000 ms timer id 2 on `owner`. A port already open is left alone.
  void Open(HWND owner, const wchar_t* portName, TIMERPROC timerProc,
            LPTHREAD_START_ROUTINE threadProc);
  // The application core's form, whose third argument is always 0.
  void Open(HWND owner, const wchar_t* portName, int /*reserved*/, TIMERPROC timerProc,
            LPTHREAD_START_ROUTINE threadProc) {
    Open(owner, portName, timerProc, threadProc);
  }
  void Close();
  BOOL IsOpen() const { return open_.load(); }
  // Copies the published record (the last one, also when closed) and returns `dst`.
  EchoDepthRecord* GetDepth(EchoDepthRecord* dst);
  // The depth of a sentence accepted since the last call that returned true (since the open for
  // the first): true with the depth, false when none has come since.
  bool TakeNewDepth(float* depth);
  // Depth sentences accepted since the open (a test that wrote n waits for n).
  uint64_t GetDepthsRead();
  // Lines the reader has handled since the object was made, counted once each line's record is
  // published (a test that wrote a line that is no depth waits for this to grow).
  uint64_t GetLinesRead() const { return linesRead_.load(std::memory_order_acquire); }
  // Milliseconds since the last accepted depth, or since the open when none came yet.
  uint64_t GetSilence();

  // The reader thread's body; returns 0.
  DWORD ReadLoop();

 private:
  void HandleLine(const char* line);
  // `depth`: the line was an accepted depth (its time is stamped).
  void Publish(bool depth = false);
  void StopReader();
  bool StopRequested() const { return stop_.load(std::memory_order_acquire); }
  bool WaitOrStop(unsigned ms);

  std::atomic<int> open_{0};
  EchoDepthRecord working_{};
  EchoDepthRecord published_{};
  uint64_t workingDepths_ = 0;    // the reader's count of accepted depths
  uint64_t publishedDepths_ = 0;  // under depthLock_, with published_
  uint64_t depthTick_ = 0;        // under depthLock_: GpsTick64 of the last depth or the open
  uint64_t takenDepths_ = 0;      // the UI thread's: the count when it last took a depth
  std::atomic<uint64_t> linesRead_{0};
  UINT_PTR timer_ = 0;
  HANDLE reader_ = nullptr;
  HWND owner_ = nullptr;
  HANDLE port_ = nullptr;
  std::mutex depthLock_;
  std::atomic<bool> stop_{false};
  std::mutex stopMutex_;
  std::condition_variable stopCv_;
};

// The program's one echo sounder.
extern TEchoSounder g_EchoSounder;
