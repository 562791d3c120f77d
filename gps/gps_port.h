// The GPS port: the serial link to the receiver, the reader thread that turns its NMEA lines into
// the fix, and the raw write and read primitives the GREIS receiver link builds its command
// dialogue on.
//
// Threads and what each may touch:
//   - The UI thread opens, closes and reconnects the port, takes fixes (GetFix), asks the idle
//     time, runs command dialogues (a download worker may run one inside a dialogue too).
//   - The reader thread alone writes the working fix; it publishes it under the fix lock after
//     every accepted sentence. Everybody else reads only the published copy, under that lock.
// Locks: the command lock (reader: one burst of input; a command dialogue: the whole exchange),
// the fix lock (the copies), the tick lock (the last-line time). The command lock may be held
// while either of the others is taken, never the reverse; fix and tick locks never nest. The
// locks live as long as the object, so GetFix and GetIdleTime are safe whether the port is open
// or not.
//
// Stopping is cooperative: the reader is asked to stop, its event wait is woken and it is joined.
// Every wait of the reader, ReadReply and ReadBlock is bounded and checks the stop or cancel flag,
// so Close returns promptly even while the reader is blocked on a silent or hung-up device.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "gps/nmea.h"
#include "platform/win.h"

// Posted to the owner window when a paced source (type 2) has run out: the owner's window
// procedure calls TGpsPort::OnSourceEnded on the port in lParam, so that the port is closed on
// the UI thread that owns its timer.
inline constexpr UINT WM_GPS_SOURCE_ENDED = WM_APP + 0x51;

class TGpsPort {
 public:
  // Source types (the setting GPSTYPE).
  enum { kNmea = 0, kGreis = 1, kPaced = 2 };
  // Results of the raw primitives on a device failure.
  static constexpr DWORD kIoFailed = 0xFFFF;
  static constexpr UINT_PTR kFixTimerId = 1;
  static constexpr UINT kFixTimerMs = 500;
  static constexpr UINT kKeepAwakeMs = 30000;
  static constexpr int kLineBytes = 600;
  static constexpr int kReplyEmptyReads = 200;  // 10 ms apart: a reply gets 2 s of silence
  // A valid fix not refreshed by a position sentence for longer than this (ms, the layer's
  // clock) is no longer current: GetFix reports it as no fix. The receivers send their position
  // every second (a GREIS receiver five times a second), so this is three missed sentences.
  static constexpr uint64_t kFixStaleMs = 3000;

  TGpsPort();
  ~TGpsPort();
  TGpsPort(const TGpsPort&) = delete;
  TGpsPort& operator=(const TGpsPort&) = delete;

  // The source type is set by the navigation start before Open. Type 2 (paced) names a file of
  // NMEA lines on the device, replayed one line per 500 ms of the layer's clock.
  void SetSourceType(int type) { sourceType_ = type; }
  int GetSourceType() const { return sourceType_; }

  // Opens the port and starts the reader and the 500 ms fix timer on `owner`. A port that is
  // already open keeps running (the arguments are still stored). `threadProc` receives this
  // object as its parameter and must run ReadLoop on it.
  void Open(HWND owner, const wchar_t* portName, int baudRate, TIMERPROC timerProc,
            LPTHREAD_START_ROUTINE threadProc, BOOL keepAwake);
  void Close();
  BOOL IsOpen() const { return open_.load(); }
  // Copies the published fix (the last one, also before Open and after Close). While the port is
  // open, a valid fix that no position sentence refreshed for kFixStaleMs comes out as the
  // receiver's own "no fix" does: status 'V', speed and course 0, PDOP -1, the position kept. A
  // command dialogue lends the line to the receiver's replies and is not silence: the fix keeps
  // the currency it had when the dialogue began, and its age counts again from the dialogue's
  // end. A paced source (a file replayed) never goes stale.
  GpsFix* GetFix(GpsFix* dst);
  // The fix for a record (a depth point, a key point, an occupation, a new object's time): true,
  // with the fix in `dst`, only while the port is open and a position sentence refreshed a valid
  // fix no more than kFixStaleMs ago. A command dialogue holds nothing here: the marker may keep
  // its place through one, but nothing was measured meanwhile. A paced source is current.
  // False leaves `dst` as it was.
  bool GetMeasuredFix(GpsFix* dst);
  bool HasMeasuredFix() {
    GpsFix fix;
    return GetMeasuredFix(&fix);
  }
  // Copies the fix as the last complete epoch left it (see NmeaEpochBoundary): what the GPS bar
  // shows, so that its satellite count, dilution and altitude belong to its position and speed.
  // It goes stale as GetFix's does.
  GpsFix* GetEpochFix(GpsFix* dst);
  // Lines the reader has taken since the object was made, counted once each line's effect on the
  // fix is published: a test that wrote n lines waits for this to grow by n.
  uint64_t GetLinesRead() const { return linesRead_.load(std::memory_order_acquire); }
  // Asks the user, then closes and reopens the device. 1 reconnected, 0 declined.
  int Reconnect();
  // Milliseconds since the last complete line, the last open or the last command dialogue.
  DWORD GetIdleTime();
  // Forces a new GSV cycle before the satellite table counts as complete again.
  void ResetSatellitesComplete();

  // One write of the whole zero-terminated text: bytes written, or 0xFFFF on failure.
  DWORD Send(const char* text);
  // Reads a GREIS reply into `buffer` (at most capacity - 1 bytes and a terminating zero):
  // bytes read, or 0xFFFF on a read failure. Gives up after 200 empty reads.
  DWORD ReadReply(char* buffer, DWORD capacity);
  // Reads exactly `count` bytes: the size of the last read, 0 after a silence of about 3 s or
  // when cancelled, 0xFFFF on a read failure. Each read waits up to 20 ms for its first byte;
  // the port's time-outs are the same after as before.
  DWORD ReadBlock(void* buffer, DWORD count);
  // Makes a ReadReply or ReadBlock in progress (on another thread) end at once. Cleared when a
  // command dialogue begins and when the port opens.
  void CancelRead() { cancel_.store(true); }
  // Begin (1) and end (0) of a command dialogue, both on one thread. Dialogues never nest: a
  // second begin on the holding thread is a programming fault (it asserts); where asserts are
  // off only the outermost begin and end act, so the first saved mask comes back.
  void SetCommandMode(int begin);
  // True when the calling thread holds a command dialogue.
  bool HoldsCommandMode() const { return commandOwner_.load() == std::this_thread::get_id(); }
  // True while any thread (a download worker among them) holds a command dialogue.
  bool InCommandMode() const { return commandOwner_.load() != std::thread::id(); }
  // Reads and drops whatever the device has buffered, 1000 bytes at a time: the bytes dropped.
  size_t Drain();
  // The GREIS output set-up: NMEA RMC and GNS every 0.2 s, GSA and GSV every second.
  void EnableNmeaOutput();
  // The window-less 30 s timer that keeps the device from suspending. Starting twice keeps one.
  void StartKeepAwake();
  void StopKeepAwake();

  // The UI thread's answer to WM_GPS_SOURCE_ENDED: closes the port when its paced source ended
  // and it was not closed or reopened since.
  void OnSourceEnded();

  // The reader thread's body; returns 0.
  DWORD ReadLoop();
  // Parses one line into `fix`; 1 when it was one of the eight sentences with a good checksum.
  static int ParseSentence(GpsFix* fix, const char* line);

  // For tests and the GPS bar's diagnostics.
  BOOL HasIoError() const { return ioError_.load(); }
  UINT_PTR GetKeepAwakeTimerId() const { return keepAwakeTimer_; }
  int GetLastReplyEmptyReads() const { return lastReplyEmptyReads_.load(); }
  const wchar_t* GetPortName() const { return portName_; }
  // The device's event mask now (0 when closed).
  DWORD GetEventMask() const;
  // Bytes the device has received and nobody has read yet (0 when closed).
  DWORD GetInputQueued() const;
  // The device's time-outs now; false when closed.
  bool GetReadTimeouts(COMMTIMEOUTS* out) const;

 private:
  bool OpenDevice();
  void StartReader();
  void StopReader();
  void CloseDevice();
  // `fresh`: the sentence just taken refreshed the position (the fix's age starts again).
  void PublishFix(bool fresh = false);
  void PublishEpoch();
  // Under fixLock_: whether a valid fix in the copies is past its time (see GetFix).
  bool FixStaleLocked() const;
  GpsFix* CopyFix(const GpsFix& source, GpsFix* dst);
  void StampLine();
  void ResetWorkingFix();
  bool StopRequested() const { return stop_.load(std::memory_order_acquire); }
  // Waits up to `ms` real milliseconds or until a stop is asked; false when asked.
  bool WaitOrStop(unsigned ms);
  // Sleeps `ms` on the layer's clock (virtual in tests) in short real slices; false when a stop
  // is asked meanwhile.
  bool PaceOrStop(unsigned ms);
  bool LockCommandForReader();
  // Ends a dialogue the calling thread still holds (a close or reconnect inside one).
  void ReleaseHeldCommandMode();
  static void CALLBACK KeepAwakeProc(HWND, UINT, UINT_PTR, DWORD);
  static void CALLBACK SourceEndedProc(HWND, UINT, UINT_PTR, DWORD);

  std::atomic<int> open_{0};
  HANDLE port_ = nullptr;
  std::atomic<int> sourceType_{kNmea};  // the reader takes it once, at its start
  uint64_t lastLineTick_ = 0;  // under tickLock_
  std::atomic<int> ioError_{0};
  GpsFix working_{};
  GpsFix published_{};
  GpsFix epoch_{};           // under fixLock_, like published_
  bool epochOpen_ = false;   // the reader's: a sentence was taken since the last epoch ended
  uint64_t fixTick_ = 0;     // under fixLock_: as the marker counts a fix's age (see GetFix)
  uint64_t measuredTick_ = 0;  // under fixLock_: GpsTick64 of the last position sentence taken
  bool fixHeld_ = false;     // under fixLock_: the fix was current when the dialogue began
  std::atomic<uint64_t> linesRead_{0};
  UINT_PTR fixTimer_ = 0;
  UINT_PTR keepAwakeTimer_ = 0;
  HANDLE reader_ = nullptr;
  std::atomic<HWND> owner_{nullptr};  // the reader posts to it
  std::recursive_mutex fixLock_;
  std::recursive_mutex commandLock_;
  std::recursive_mutex tickLock_;
  LPTHREAD_START_ROUTINE threadProc_ = nullptr;
  TIMERPROC timerProc_ = nullptr;
  wchar_t portName_[256] = {};
  int baudRate_ = 0;

  // Cooperative stop of the reader.
  std::atomic<bool> stop_{false};
  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  // True from the reader's start until it will no longer touch the working fix.
  std::atomic<bool> readerActive_{false};
  // Asked by ResetSatellitesComplete; the reader clears its working flag before the next publish.
  std::atomic<bool> resetComplete_{false};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> sourceEnded_{false};
  std::atomic<int> lastReplyEmptyReads_{0};
  // The dialogue's saved event mask and owner (the lock is taken and released on one thread).
  DWORD savedMask_ = 0;
  std::atomic<std::thread::id> commandOwner_{};
  int commandDepth_ = 0;  // the owner's begins; above 1 only where asserts are off
};

// The program's one GPS port.
extern TGpsPort g_GpsPort;

// A 64-bit millisecond tick on the layer's clock, widened from GetTickCount so that idle times
// stay right across its 49.7-day wrap (it must be read at least once per wrap; the reader and
// the GPS bar read it every second).
uint64_t GpsTick64();
