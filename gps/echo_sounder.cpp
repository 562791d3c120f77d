#include "gps/echo_sounder.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "gps/gps_port.h"
#include "gps/locked_copy.h"
#include "gps/nmea.h"
#include "gps/serial_setup.h"

// g_EchoSounder is defined with the program's other globals, in app/globals.cpp.

namespace {

// Windows CE priority of the reader: above every normal thread.
constexpr int kReaderPriority = 230;
constexpr unsigned kSliceMs = 20;
constexpr unsigned kBackOffMs = 200;

bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  void Restore() { SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

}  // namespace

bool ParseDepthSentence(const char* line, float* depth) {
  if (!NmeaChecksumOk(line) || std::strncmp(line, "$SDDBT", 6) != 0) return false;
  const NmeaFields fields(line);
  if (fields.commas() < 6) return false;
  // A field without digits (the sounder lost the bottom) or a depth that overflows a float is no
  // reading; it would be recorded into the working map as a depth of 0 m.
  return fields.FloatOf(3, *depth);
}

std::wstring EchoPortName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "com%i:", number);
  return AnsiToWideString(name);
}

TEchoSounder::~TEchoSounder() {
  if (reader_) StopReader();
  if (Valid(port_)) CloseHandle(port_);
}

void TEchoSounder::Open(HWND owner, const wchar_t* portName, TIMERPROC timerProc,
                        LPTHREAD_START_ROUTINE threadProc) {
  if (open_.load()) return;
  open_.store(1);
  WaitCursor cursor;
  owner_ = owner;
  const wchar_t* name = portName ? portName : L"";
  port_ = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!Valid(port_)) {
    port_ = nullptr;
    std::wstring text = g_Lang.GetText(lang_id::kMsgOpenErr);
    text += name;
    MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK);
    open_.store(0);
    return;
  }
  const bool ok = ConfigureNmeaPort(port_, kBaudRate);
  if (!ok) {
    MessageBoxW(nullptr, g_Lang.GetText(lang_id::kMsgPortInitErr), nullptr, MB_OK);
    cursor.Restore();
    CloseHandle(port_);
    port_ = nullptr;
    open_.store(0);
    return;
  }
  cursor.Restore();
  working_ = EchoDepthRecord{};
  working_.status = 'V';
  working_.fixMode = 1;
  working_.latHemisphere = working_.lonHemisphere = ' ';
  workingDepths_ = 0;
  takenDepths_ = 0;
  {
    std::lock_guard lock(depthLock_);
    publishedDepths_ = 0;
    depthTick_ = GpsTick64();  // silence counts from the open
  }
  stop_.store(false);
  if (threadProc) {
    reader_ = CreateThread(nullptr, 0, threadProc, this, 0, nullptr);
    if (reader_) CeSetThreadPriority(reader_, kReaderPriority);
  }
  timer_ = SetTimer(owner_, kTimerId, kTimerMs, timerProc);
}

void TEchoSounder::Close() {
  if (timer_) {
    KillTimer(owner_, timer_);
    timer_ = 0;
  }
  StopReader();
  if (Valid(port_)) CloseHandle(port_);
  port_ = nullptr;
  open_.store(0);
}

void TEchoSounder::StopReader() {
  if (!reader_) return;
  {
    std::lock_guard lock(stopMutex_);
    stop_.store(true, std::memory_order_release);
  }
  stopCv_.notify_all();
  // Setting the mask again ends a pending event wait; repeated in case the reader was just
  // entering a new one.
  for (int i = 0; i < 50; ++i) {
    DWORD mask = 0;
    if (Valid(port_) && GetCommMask(port_, &mask) && mask) SetCommMask(port_, mask);
    if (WaitForSingleObject(reader_, kSliceMs) == WAIT_OBJECT_0) break;
  }
  if (WaitForSingleObject(reader_, 0) != WAIT_OBJECT_0) TerminateThread(reader_, 0);
  CloseHandle(reader_);
  reader_ = nullptr;
  stop_.store(false);
}

bool TEchoSounder::WaitOrStop(unsigned ms) {
  std::unique_lock lock(stopMutex_);
  return !stopCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return StopRequested(); });
}

EchoDepthRecord* TEchoSounder::GetDepth(EchoDepthRecord* dst) {
  return CopyUnderLock(depthLock_, published_, dst);
}

void TEchoSounder::Publish(bool depth) {
  std::lock_guard lock(depthLock_);
  published_ = working_;
  publishedDepths_ = workingDepths_;
  if (depth) depthTick_ = GpsTick64();
}

bool TEchoSounder::TakeNewDepth(float* depth) {
  std::lock_guard lock(depthLock_);
  if (publishedDepths_ == takenDepths_) return false;
  takenDepths_ = publishedDepths_;
  *depth = published_.depth;
  return true;
}

uint64_t TEchoSounder::GetDepthsRead() {
  std::lock_guard lock(depthLock_);
  return publishedDepths_;
}

uint64_t TEchoSounder::GetSilence() {
  std::lock_guard lock(depthLock_);
  return GpsTick64() - depthTick_;
}

void TEchoSounder::HandleLine(const char* line) {
  const bool depth = ParseDepthSentence(line, &working_.depth);
  if (depth) ++workingDepths_;
  // Every line publishes, an accepted depth included, so a sounder that sends nothing but depth
  // sentences is still recorded.
  Publish(depth);
  linesRead_.fetch_add(1, std::memory_order_release);
}

DWORD TEchoSounder::ReadLoop() {
  if (!open_.load()) return 0;
  Publish();
  SetCommMask(port_, EV_RXCHAR | EV_BREAK);
  char line[kLineBytes + 1];
  int index = 0;
  while (!StopRequested() && Valid(port_)) {
    DWORD events = 0;
    if (!WaitCommEvent(port_, &events, nullptr)) {
      if (StopRequested() || !WaitOrStop(kBackOffMs)) break;  // a dead port is not spun on
      continue;
    }
    if (!(events & EV_RXCHAR)) continue;
    for (;;) {
      char chunk[256];
      DWORD got = 0;
      if (!ReadFile(port_, chunk, sizeof chunk, &got, nullptr) || got == 0) break;
      for (DWORD i = 0; i < got; ++i) {
        if (index >= kLineBytes) index = 0;
        line[index++] = chunk[i];
        if (chunk[i] != '\n') continue;
        line[index - 1] = 0;
        index = 0;
        HandleLine(line);
      }
      if (StopRequested()) break;
    }
  }
  return 0;
}
