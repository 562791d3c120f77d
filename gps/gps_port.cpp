#include "gps/gps_port.h"

#include <cassert>
#include <chrono>
#include <cstring>
#include <string>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "gps/serial_setup.h"
#include "platform/fresh_state.h"

// g_GpsPort is defined with the program's other globals, in app/globals.cpp.

namespace {

// Windows CE priority of the reader: one above normal, so lines are taken as they arrive.
constexpr int kReaderPriority = 250;
// Longest a reader's single wait lasts before it looks at its stop flag again (real ms).
constexpr unsigned kSliceMs = 20;
// Back-off after a failed event wait (hung-up device, mask 0): no spinning on a dead port.
constexpr unsigned kBackOffMs = 200;
// ReadBlock: a peer silent this long (real ms) counts as gone; each read waits this long for
// its first byte.
constexpr unsigned kBlockSilenceMs = 3000;
constexpr DWORD kBlockWaitMs = 20;

bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// The wait cursor while the device is opened or closed; the previous cursor comes back after.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

// The last 64-bit tick handed out; the next is never smaller.
std::atomic<uint64_t> g_lastTick{0};
// The clock starts again from zero for each test case, and so does the count above it.
const vplat::FreshStateHook kFresh(5, [] { g_lastTick = 0; });

}  // namespace

uint64_t GpsTick64() {
  std::atomic<uint64_t>& last = g_lastTick;
  const uint32_t now32 = GetTickCount();
  uint64_t seen = last.load();
  for (;;) {
    uint64_t next = (seen & ~uint64_t(0xFFFFFFFF)) | now32;
    if (next < seen) next += uint64_t(1) << 32;  // the 32-bit count wrapped since
    if (next == seen || last.compare_exchange_weak(seen, next)) return next;
  }
}

TGpsPort::TGpsPort() {
  working_.latHemisphere = 'N';
  working_.lonHemisphere = 'E';
}

TGpsPort::~TGpsPort() {
  // At program exit the reader must not outlive the object it works on.
  if (reader_) {
    StopReader();
    CloseDevice();
  }
}

// ---- open and close -------------------------------------------------------------------------

void TGpsPort::Open(HWND owner, const wchar_t* portName, int baudRate, TIMERPROC timerProc,
                    LPTHREAD_START_ROUTINE threadProc, BOOL keepAwake) {
  if (keepAwake) StartKeepAwake();
  owner_ = owner;
  std::wcsncpy(portName_, portName ? portName : L"", 255);
  portName_[255] = 0;
  timerProc_ = timerProc;
  threadProc_ = threadProc;
  baudRate_ = baudRate;
  if (open_.load()) return;
  if (!OpenDevice()) {
    // A keep-awake timer started for a port that never opened would run until program exit.
    StopKeepAwake();
    return;
  }
  open_.store(1);
  cancel_.store(false);
  sourceEnded_.store(false);
  if (sourceType_ == kGreis) EnableNmeaOutput();
  ResetWorkingFix();
  StartReader();
}

bool TGpsPort::OpenDevice() {
  WaitCursor cursor;
  port_ = CreateFileW(portName_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                      nullptr);
  if (!Valid(port_)) {
    port_ = INVALID_HANDLE_VALUE;
    std::wstring text = g_Lang.GetText(lang_id::kMsgOpenErr);
    text += portName_;
    MessageBoxW(owner_, text.c_str(), nullptr, MB_OK);
    return false;
  }
  ioError_.store(0);
  if (sourceType_ == kPaced) return true;

  const bool ok = ConfigureNmeaPort(port_, DWORD(baudRate_));
  if (!ok) {
    MessageBoxW(owner_, g_Lang.GetText(lang_id::kMsgPortInitErr), nullptr, MB_OK);
    // The handle is closed here: a port reported closed must not keep the device busy.
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    return false;
  }
  SetCommMask(port_, EV_RXCHAR | EV_BREAK);
  StampLine();
  return true;
}

void TGpsPort::ResetWorkingFix() {
  // Date, dilutions, the satellite table and its complete flag survive a reopen.
  working_.status = 'V';
  working_.fixMode = 1;
  working_.latitude = working_.longitude = 0;
  working_.latDegrees = working_.lonDegrees = 0;
  working_.latMinutes = working_.lonMinutes = 0;
  working_.latHemisphere = working_.lonHemisphere = ' ';
  working_.speed = working_.course = working_.altitude = 0;
  working_.satellitesUsed = 0;
  working_.utc.wHour = working_.utc.wMinute = working_.utc.wSecond = 0;
}

void TGpsPort::Close() {
  // A dialogue left open across a close would end later by writing to a closed device.
  assert(!HoldsCommandMode());
  ReleaseHeldCommandMode();
  WaitCursor cursor;
  if (open_.load() && sourceType_ == kGreis) Send("dm\n");  // all receiver output off
  StopKeepAwake();
  cancel_.store(true);  // a ReadBlock of a download worker ends too
  StopReader();
  CloseDevice();
  sourceEnded_.store(false);
  open_.store(0);
}

void TGpsPort::CloseDevice() {
  if (Valid(port_)) CloseHandle(port_);
  port_ = nullptr;
}

void TGpsPort::OnSourceEnded() {
  if (sourceEnded_.exchange(false)) Close();
}

// ---- the reader -----------------------------------------------------------------------------

void TGpsPort::StartReader() {
  stop_.store(false);
  if (threadProc_) {
    readerActive_.store(true);
    reader_ = CreateThread(nullptr, 0, threadProc_, this, 0, nullptr);
    if (reader_) {
      CeSetThreadPriority(reader_, kReaderPriority);
    } else {
      readerActive_.store(false);
    }
  }
  fixTimer_ = SetTimer(owner_, kFixTimerId, kFixTimerMs, timerProc_);
}

void TGpsPort::StopReader() {
  if (fixTimer_) {
    KillTimer(owner_, fixTimer_);
    fixTimer_ = 0;
  }
  if (!reader_) return;
  {
    std::lock_guard lock(stopMutex_);
    stop_.store(true, std::memory_order_release);
  }
  stopCv_.notify_all();
  // Setting the mask again ends a pending event wait. The reader may be just about to enter a
  // new wait, so the wake is repeated until it has gone.
  for (int i = 0; i < 50; ++i) {
    if (Valid(port_) && sourceType_ != kPaced) {
      DWORD mask = 0;
      if (GetCommMask(port_, &mask) && mask) SetCommMask(port_, mask);
    }
    if (WaitForSingleObject(reader_, kSliceMs) == WAIT_OBJECT_0) break;
  }
  // Last resort: the layer's own stop request, which also fails every wait of the thread.
  if (WaitForSingleObject(reader_, 0) != WAIT_OBJECT_0) TerminateThread(reader_, 0);
  CloseHandle(reader_);
  reader_ = nullptr;
  stop_.store(false);
}

bool TGpsPort::WaitOrStop(unsigned ms) {
  std::unique_lock lock(stopMutex_);
  return !stopCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return StopRequested(); });
}

bool TGpsPort::PaceOrStop(unsigned ms) {
  const uint64_t start = GpsTick64();
  while (GpsTick64() - start < ms) {
    if (!WaitOrStop(kSliceMs / 4)) return false;
  }
  return !StopRequested();
}

bool TGpsPort::LockCommandForReader() {
  // A command dialogue may hold the lock for seconds; the reader polls for it in short waits
  // that also watch its stop flag, so a Close meanwhile still stops it. (A timed lock would do
  // the same, but its clock-based wait is invisible to the thread checker.)
  while (!commandLock_.try_lock()) {
    if (!WaitOrStop(2)) return false;
  }
  if (StopRequested()) {
    commandLock_.unlock();
    return false;
  }
  return true;
}

DWORD TGpsPort::ReadLoop() {
  struct Leave {
    std::atomic<bool>& active;
    ~Leave() { active.store(false, std::memory_order_release); }
  } leave{readerActive_};
  if (!open_.load()) return 0;
  PublishFix();
  PublishEpoch();

  // A line longer than the buffer wraps and keeps only its bytes after the last wrap; the
  // checksum then rejects it.
  char line[kLineBytes + 1];
  int index = 0;
  const int type = sourceType_;
  bool sourceEnded = false;
  while (!StopRequested() && Valid(port_)) {
    if (type != kPaced) {
      DWORD events = 0;
      if (!WaitCommEvent(port_, &events, nullptr)) {
        if (StopRequested()) break;
        if (GetLastError() == ERROR_BROKEN_PIPE) ioError_.store(1);
        if (!WaitOrStop(kBackOffMs)) break;
        continue;
      }
      if (!(events & EV_RXCHAR)) continue;  // the mask changed: wait again
    }
    if (!LockCommandForReader()) break;
    // One burst: everything buffered, until a read brings nothing.
    bool stopped = false;
    for (;;) {
      char chunk[256];
      DWORD got = 0;
      if (!ReadFile(port_, chunk, sizeof chunk, &got, nullptr)) {
        if (!StopRequested()) ioError_.store(1);
        break;
      }
      if (got == 0) {
        sourceEnded = type == kPaced;
        break;
      }
      for (DWORD i = 0; i < got && !stopped; ++i) {
        if (index >= kLineBytes) index = 0;
        line[index++] = chunk[i];
        if (chunk[i] != '\n') continue;
        line[index - 1] = 0;  // the line passed on ends with its CR, if any
        index = 0;
        StampLine();
        const NmeaEpochEnd end = NmeaEpochBoundary(line);
        if (end == NmeaEpochEnd::Before && epochOpen_) PublishEpoch();
        bool fresh = false;
        if (ParseNmeaSentence(working_, line, &fresh) != NmeaKind::None) {
          epochOpen_ = true;
          PublishFix(fresh);
        }
        if (end == NmeaEpochEnd::After) PublishEpoch();
        linesRead_.fetch_add(1, std::memory_order_release);
        if (type == kPaced && !PaceOrStop(500)) stopped = true;
      }
      if (stopped || StopRequested()) break;
    }
    commandLock_.unlock();
    if (stopped || sourceEnded) break;
  }
  if (sourceEnded && !StopRequested()) {
    // The UI thread owns the fix timer and the handle: it closes the port.
    sourceEnded_.store(true);
    if (HWND owner = owner_.load())
      PostMessageW(owner, WM_GPS_SOURCE_ENDED, 0, reinterpret_cast<LPARAM>(this));
  }
  return 0;
}

int TGpsPort::ParseSentence(GpsFix* fix, const char* line) {
  return ParseNmeaSentence(*fix, line) != NmeaKind::None ? 1 : 0;
}

// ---- the fix --------------------------------------------------------------------------------

void TGpsPort::PublishFix(bool fresh) {
  std::lock_guard lock(fixLock_);
  if (resetComplete_.exchange(false)) working_.satellitesComplete = 0;
  published_ = working_;
  if (fresh) fixTick_ = measuredTick_ = GpsTick64();
}

bool TGpsPort::FixStaleLocked() const {
  // A closed port's fix is a record of the past that callers know to be one (they check
  // IsOpen); a replayed file is as fresh as its lines.
  if (!open_.load() || sourceType_ == kPaced) return false;
  if (InCommandMode()) return !fixHeld_;
  return GpsTick64() - fixTick_ > kFixStaleMs;
}

GpsFix* TGpsPort::CopyFix(const GpsFix& source, GpsFix* dst) {
  GpsFix copy;
  bool stale;
  {
    std::lock_guard lock(fixLock_);
    copy = source;
    stale = copy.status == 'A' && FixStaleLocked();
  }
  if (stale) {
    // What an RMC without a fix would have left.
    copy.status = 'V';
    copy.speed = 0;
    copy.course = 0;
    copy.pdop = -1.0f;
  }
  *dst = copy;
  return dst;
}

GpsFix* TGpsPort::GetFix(GpsFix* dst) { return CopyFix(published_, dst); }

bool TGpsPort::GetMeasuredFix(GpsFix* dst) {
  std::lock_guard lock(fixLock_);
  if (!open_.load() || published_.status != 'A') return false;
  if (sourceType_ != kPaced && GpsTick64() - measuredTick_ > kFixStaleMs) return false;
  *dst = published_;
  return true;
}

void TGpsPort::PublishEpoch() {
  std::lock_guard lock(fixLock_);
  epoch_ = working_;
  epochOpen_ = false;
}

GpsFix* TGpsPort::GetEpochFix(GpsFix* dst) { return CopyFix(epoch_, dst); }

void TGpsPort::ResetSatellitesComplete() {
  std::lock_guard lock(fixLock_);
  published_.satellitesComplete = 0;
  if (readerActive_.load(std::memory_order_acquire)) {
    resetComplete_.store(true);  // the reader owns the working fix
  } else {
    working_.satellitesComplete = 0;
  }
}

void TGpsPort::StampLine() {
  std::lock_guard lock(tickLock_);
  lastLineTick_ = GpsTick64();
}

DWORD TGpsPort::GetIdleTime() {
  std::lock_guard lock(tickLock_);
  const uint64_t idle = GpsTick64() - lastLineTick_;
  return idle > 0xFFFFFFFFu ? 0xFFFFFFFFu : DWORD(idle);
}

// ---- raw primitives and the command dialogue ------------------------------------------------

DWORD TGpsPort::Send(const char* text) {
  DWORD written = 0;
  if (!WriteFile(port_, text, DWORD(std::strlen(text)), &written, nullptr)) {
    ioError_.store(1);
    return kIoFailed;
  }
  return written;
}

DWORD TGpsPort::ReadReply(char* buffer, DWORD capacity) {
  if (capacity == 0) return 0;  // not even room for the terminator
  DWORD got = 0;
  int emptyLeft = kReplyEmptyReads;
  while (got < capacity - 1 && !cancel_.load()) {
    DWORD n = 0;
    if (!ReadFile(port_, buffer + got, capacity - 1 - got, &n, nullptr)) {
      ioError_.store(1);
      lastReplyEmptyReads_.store(kReplyEmptyReads - emptyLeft);
      return kIoFailed;
    }
    if (n == 0) {
      Sleep(10);
      if (--emptyLeft > 0) continue;
    }
    got += n;
    if (emptyLeft == 0) break;
    // A reply is "RE" and three length digits, then either " text\r\n" or "{...}\r\n".
    if (got >= 6 && ((buffer[5] == ' ' && buffer[got - 2] == '\r') ||
                     (buffer[5] == '{' && buffer[got - 3] == '}')))
      break;
  }
  buffer[got] = 0;
  lastReplyEmptyReads_.store(kReplyEmptyReads - emptyLeft);
  return got;
}

DWORD TGpsPort::ReadBlock(void* buffer, DWORD count) {
  // Each read waits up to 20 ms for its first byte instead of returning at once and sleeping,
  // so blocks follow one another at the line's speed; the port's own time-outs come back after.
  COMMTIMEOUTS saved{};
  const bool haveSaved = GetCommTimeouts(port_, &saved) != 0;
  if (haveSaved) {
    COMMTIMEOUTS wait = saved;
    wait.ReadIntervalTimeout = MAXDWORD;
    wait.ReadTotalTimeoutMultiplier = MAXDWORD;
    wait.ReadTotalTimeoutConstant = kBlockWaitMs;
    SetCommTimeouts(port_, &wait);
  }
  struct Restore {
    HANDLE port;
    const COMMTIMEOUTS* timeouts;
    ~Restore() {
      if (timeouts) SetCommTimeouts(port, const_cast<COMMTIMEOUTS*>(timeouts));
    }
  } restore{port_, haveSaved ? &saved : nullptr};

  auto* p = static_cast<char*>(buffer);
  DWORD got = 0, last = 0;
  auto lastByte = std::chrono::steady_clock::now();
  while (got < count) {
    if (cancel_.load()) return 0;
    DWORD n = 0;
    if (!ReadFile(port_, p + got, count - got, &n, nullptr)) {
      ioError_.store(1);
      return kIoFailed;
    }
    const auto now = std::chrono::steady_clock::now();
    if (n == 0) {
      if (now - lastByte >= std::chrono::milliseconds(kBlockSilenceMs)) return 0;
      if (!haveSaved) Sleep(10);  // reads return at once: do not spin
      continue;
    }
    lastByte = now;
    got += n;
    last = n;
  }
  return last;
}

bool TGpsPort::GetReadTimeouts(COMMTIMEOUTS* out) const {
  return Valid(port_) && GetCommTimeouts(port_, out) != 0;
}

size_t TGpsPort::Drain() {
  char scratch[1000];
  size_t total = 0;
  DWORD n = 0;
  while (ReadFile(port_, scratch, sizeof scratch, &n, nullptr) && n > 0) total += n;
  return total;
}

void TGpsPort::SetCommandMode(int begin) {
  if (begin) {
    if (HoldsCommandMode()) {
      // A nested begin would save the dialogue's own mask and its end would switch NMEA output
      // on inside the outer dialogue.
      assert(!"command dialogues do not nest");
      ++commandDepth_;
      return;
    }
    commandLock_.lock();  // waits until the reader's current burst is over
    {
      // Set before the owner, so that whoever sees the dialogue sees its held currency.
      std::lock_guard lock(fixLock_);
      fixHeld_ = GpsTick64() - fixTick_ <= kFixStaleMs;
    }
    commandOwner_.store(std::this_thread::get_id());
    commandDepth_ = 1;
    cancel_.store(false);
    Send("dm\n");
    Drain();
    Sleep(100);
    Drain();
    if (!GetCommMask(port_, &savedMask_)) savedMask_ = EV_RXCHAR | EV_BREAK;
    SetCommMask(port_, 0xFFFF);  // also lets a reader waiting for events go back to the lock
    StampLine();
    return;
  }
  // An end without a begin on this thread would release a lock it does not hold.
  if (!HoldsCommandMode()) return;
  if (--commandDepth_ > 0) return;  // the end of a nested begin: the outer one acts
  SetCommMask(port_, savedMask_);
  EnableNmeaOutput();
  StampLine();
  {
    // The dialogue was not silence: a fix current at its start counts its age from here.
    std::lock_guard lock(fixLock_);
    if (fixHeld_) fixTick_ = GpsTick64();
  }
  commandOwner_.store(std::thread::id());
  commandLock_.unlock();
}

DWORD TGpsPort::GetEventMask() const {
  DWORD mask = 0;
  if (!Valid(port_) || !GetCommMask(port_, &mask)) return 0;
  return mask;
}

DWORD TGpsPort::GetInputQueued() const {
  COMSTAT status{};
  DWORD errors = 0;
  if (!Valid(port_) || !ClearCommError(port_, &errors, &status)) return 0;
  return status.cbInQue;
}

void TGpsPort::ReleaseHeldCommandMode() {
  if (!HoldsCommandMode()) return;
  commandDepth_ = 0;
  commandOwner_.store(std::thread::id());
  commandLock_.unlock();
}

void TGpsPort::EnableNmeaOutput() {
  Send("dm\n");
  Send("em,,nmea/RMC:0.2\n");
  Send("em,,nmea/GNS:0.2\n");
  Send("em,,nmea/GSA:1\n");
  Send("em,,nmea/GSV:1\n");
}

// ---- keep-awake and reconnect ---------------------------------------------------------------

void CALLBACK TGpsPort::KeepAwakeProc(HWND, UINT, UINT_PTR, DWORD) { SystemIdleTimerReset(); }

void TGpsPort::StartKeepAwake() {
  if (keepAwakeTimer_) return;  // a second timer would leak the first one's id
  keepAwakeTimer_ = SetTimer(nullptr, 0, kKeepAwakeMs, KeepAwakeProc);
}

void TGpsPort::StopKeepAwake() {
  if (!keepAwakeTimer_) return;
  KillTimer(nullptr, keepAwakeTimer_);
  keepAwakeTimer_ = 0;
}

int TGpsPort::Reconnect() {
  // The question is modal and the device is closed meanwhile: never inside a dialogue.
  assert(!HoldsCommandMode());
  ReleaseHeldCommandMode();
  for (;;) {
    const int answer =
        MessageBoxW(owner_, g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf),
                    g_Lang.GetText(lang_id::kMsgConf), MB_YESNO);
    if (answer != IDYES) return 0;
    if (owner_) InvalidateRect(owner_, nullptr, TRUE);
    bool opened;
    {
      WaitCursor cursor;
      StopReader();
      CloseDevice();
      Sleep(1000);  // let the device settle before it is opened again
      opened = OpenDevice();
      // A receiver that restarted (the usual cause of the silence) sends nothing until told:
      // the output set-up goes out as at the open, before the reader waits for its lines.
      if (opened && sourceType_ == kGreis) EnableNmeaOutput();
    }
    {
      // A reader started on a failed handle ends at once; the fix timer keeps the UI current.
      WaitCursor cursor;
      StartReader();
    }
    if (opened) return 1;
  }
}
