// Serial ports: "COMn:" is the host device named by the environment variable VORNA_COMn (a
// tty, or the slave side of a pseudo-terminal), driven through termios in raw mode.
//
// Waiting. Every blocking call (WaitCommEvent, a read waiting for bytes, a write waiting for
// room) polls the device together with the port's wake pipe, in slices of at most 100 ms, and
// after each slice re-checks the port's state: closed, event mask changed, device hung up, or
// the calling thread asked to stop. A wake byte makes the change visible at once; the slice
// bound covers the case of two threads waiting on one port, where only one of them may see the
// byte before it is drained.
//
// A device that vanishes (the far end of a pseudo-terminal closed, a USB adapter pulled) shows
// as POLLHUP or EIO: the port is then marked hung up, the wait in progress fails, and later
// reads, writes and waits fail with ERROR_BROKEN_PIPE until the port is closed and reopened.
//
// The file descriptor is closed only when the last user of the port object lets go, so that a
// CloseHandle from one thread never lets another thread's poll see a recycled descriptor.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

#include "platform/sys/sys_internal.h"

namespace vplat::sys {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSliceMs = 100;

class CommPort;

struct PortRegistry {
  std::mutex mutex;
  std::set<int> openNumbers;      // a port opens once at a time, as on the handheld
  std::set<CommPort*> live;       // every port object not yet destroyed
};

PortRegistry& Registry() {
  static PortRegistry* r = new PortRegistry;  // outlives static destruction order
  return *r;
}

class CommPort : public KernelObject {
 public:
  CommPort(int number, int fd, int wakeRead, int wakeWrite)
      : KernelObject(Kind::Comm), number_(number), fd_(fd), wakeRead_(wakeRead),
        wakeWrite_(wakeWrite) {
    std::lock_guard lock(Registry().mutex);
    Registry().live.insert(this);
  }
  ~CommPort() override {
    {
      std::lock_guard lock(Registry().mutex);
      Registry().live.erase(this);
      if (!released_) Registry().openNumbers.erase(number_);
    }
    ::close(fd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
  }

  void Close() override {
    {
      std::lock_guard lock(mutex);
      closed = true;
    }
    {
      std::lock_guard lock(Registry().mutex);
      Registry().openNumbers.erase(number_);
      released_ = true;
    }
    Wake();
  }

  void Wake() {
    char c = 1;
    ssize_t r = ::write(wakeWrite_, &c, 1);  // a full pipe already wakes everyone
    (void)r;
  }

  enum class Ready { Data, Room, HangUp, Slice };

  // Waits up to `ms` (at most one slice) for input (or room to write when `output`).
  Ready WaitDevice(int ms, bool watchData, bool output) {
    pollfd fds[2] = {{fd_, static_cast<short>(output ? POLLOUT : (watchData ? POLLIN : 0)), 0},
                     {wakeRead_, POLLIN, 0}};
    int r = ::poll(fds, 2, std::clamp(ms, 0, kSliceMs));
    if (r <= 0) return Ready::Slice;
    if (fds[1].revents & POLLIN) {
      char buf[64];
      while (::read(wakeRead_, buf, sizeof buf) > 0) {
      }
    }
    short ev = fds[0].revents;
    if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
      // Input still buffered is delivered before a hang-up is reported (a hung-up terminal
      // also reports itself readable, with nothing to read).
      int pending = 0;
      if (!output && ioctl(fd_, FIONREAD, &pending) == 0 && pending > 0) return Ready::Data;
      return Ready::HangUp;
    }
    if (!output && (ev & POLLIN)) return Ready::Data;
    if (output && (ev & POLLOUT)) return Ready::Room;
    return Ready::Slice;
  }

  int fd() const { return fd_; }

  std::mutex mutex;  // guards the fields below
  DCB dcb{};
  COMMTIMEOUTS timeouts{};
  DWORD mask = 0;
  uint64_t maskGeneration = 0;
  bool closed = false;
  bool hungUp = false;

 private:
  int number_;
  int fd_, wakeRead_, wakeWrite_;
  bool released_ = false;  // guarded by the registry mutex
};

speed_t SpeedOf(DWORD baud) {
  switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
  }
}

DWORD BaudOf(speed_t speed) {
  for (DWORD b : {110u, 300u, 600u, 1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u,
                  115200u, 230400u, 460800u, 921600u})
    if (SpeedOf(b) == speed) return b;
  return 9600;
}

// The control block that describes a freshly opened, raw port.
DCB DcbFromTermios(const termios& t) {
  DCB d{};
  d.DCBlength = sizeof(DCB);
  d.BaudRate = BaudOf(cfgetospeed(&t));
  d.fBinary = 1;
  d.fParity = (t.c_iflag & INPCK) ? 1 : 0;
  d.fOutxCtsFlow = (t.c_cflag & CRTSCTS) ? 1 : 0;
  d.fDtrControl = DTR_CONTROL_ENABLE;
  d.fRtsControl = (t.c_cflag & CRTSCTS) ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  d.fOutX = (t.c_iflag & IXON) ? 1 : 0;
  d.fInX = (t.c_iflag & IXOFF) ? 1 : 0;
  switch (t.c_cflag & CSIZE) {
    case CS5: d.ByteSize = 5; break;
    case CS6: d.ByteSize = 6; break;
    case CS7: d.ByteSize = 7; break;
    default: d.ByteSize = 8; break;
  }
  d.Parity = !(t.c_cflag & PARENB) ? NOPARITY : (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  d.StopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  d.XonChar = 0x11;
  d.XoffChar = 0x13;
  return d;
}

bool ApplyDcb(int fd, const DCB& d) {
  speed_t speed = SpeedOf(d.BaudRate);
  if (speed == B0 || d.ByteSize < 5 || d.ByteSize > 8 || d.Parity > SPACEPARITY ||
      d.StopBits > TWOSTOPBITS)
    return Fail(ERROR_INVALID_PARAMETER);
  // One and a half stop bits exist only with 5 data bits.
  if (d.StopBits == ONE5STOPBITS && d.ByteSize != 5) return Fail(ERROR_INVALID_PARAMETER);
  termios t;
  if (tcgetattr(fd, &t) != 0) return FailErrno();
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
  t.c_cflag |= d.ByteSize == 5 ? CS5 : d.ByteSize == 6 ? CS6 : d.ByteSize == 7 ? CS7 : CS8;
  switch (d.Parity) {
    case ODDPARITY: t.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: t.c_cflag |= PARENB; break;
    case MARKPARITY: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (d.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
  if (d.fOutxCtsFlow || d.fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
  if (d.fParity && d.Parity != NOPARITY) t.c_iflag |= INPCK;
  if (d.fOutX) t.c_iflag |= IXON;
  if (d.fInX) t.c_iflag |= IXOFF;
  // The descriptor is non-blocking; VMIN 1 makes an empty line answer EAGAIN, so that a read
  // of 0 bytes can only mean the line was hung up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  if (tcsetattr(fd, TCSANOW, &t) != 0) return FailErrno();
  return true;
}

int MsUntil(Clock::time_point t) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
  return ms <= 0 ? 0 : static_cast<int>(std::min<int64_t>(ms, 1 << 30));
}

}  // namespace

bool IsCommName(const wchar_t* name, int* number) {
  if ((name[0] | 0x20) != L'c' || (name[1] | 0x20) != L'o' || (name[2] | 0x20) != L'm')
    return false;
  const wchar_t* p = name + 3;
  if (*p < L'0' || *p > L'9') return false;
  int n = 0;
  for (; *p >= L'0' && *p <= L'9' && n < 1000; ++p) n = n * 10 + (*p - L'0');
  if (p[0] != L':' || p[1] != 0) return false;
  *number = n;
  return true;
}

HANDLE OpenCommPort(int number, DWORD access) {
  std::string var = "VORNA_COM" + std::to_string(number);
  const char* device = std::getenv(var.c_str());
  if (!device || !*device) {
    Fail(ERROR_FILE_NOT_FOUND);  // no such port on this device
    return INVALID_HANDLE_VALUE;
  }
  {
    std::lock_guard lock(Registry().mutex);
    if (!Registry().openNumbers.insert(number).second) {
      Fail(ERROR_ACCESS_DENIED);  // already open: ports are not shared
      return INVALID_HANDLE_VALUE;
    }
  }
  auto release = [number] {
    std::lock_guard lock(Registry().mutex);
    Registry().openNumbers.erase(number);
  };
  int fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    FailErrno();
    release();
    return INVALID_HANDLE_VALUE;
  }
  termios t;
  if (tcgetattr(fd, &t) != 0) {  // not a terminal
    ::close(fd);
    release();
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  DCB dcb = DcbFromTermios(t);
  if (!ApplyDcb(fd, dcb)) {  // raw mode, whatever the device was left in
    ::close(fd);
    release();
    return INVALID_HANDLE_VALUE;
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
    FailErrno();
    ::close(fd);
    release();
    return INVALID_HANDLE_VALUE;
  }
  auto port = std::make_shared<CommPort>(number, fd, pipeFds[0], pipeFds[1]);
  port->dcb = dcb;
  (void)access;  // the device is always opened for both directions; access is not checked
  SetLastError(ERROR_SUCCESS);
  return AddHandle(port);
}

namespace {

// Fails for a port that can no longer transfer; the caller holds no lock.
bool Usable(CommPort& port) {
  std::lock_guard lock(port.mutex);
  if (port.closed) return Fail(ERROR_INVALID_HANDLE);
  if (port.hungUp) return Fail(ERROR_BROKEN_PIPE);
  return true;
}

void MarkHungUp(CommPort& port) {
  std::lock_guard lock(port.mutex);
  port.hungUp = true;
}

}  // namespace

bool CommRead(const std::shared_ptr<KernelObject>& object, void* buffer, DWORD toRead,
              DWORD* read) {
  auto& port = static_cast<CommPort&>(*object);
  *read = 0;
  if (!Usable(port)) return false;
  COMMTIMEOUTS to;
  {
    std::lock_guard lock(port.mutex);
    to = port.timeouts;
  }
  const bool atOnce = to.ReadIntervalTimeout == MAXDWORD && to.ReadTotalTimeoutMultiplier == 0 &&
                      to.ReadTotalTimeoutConstant == 0;
  // MAXDWORD / MAXDWORD / constant: wait up to the constant for the first byte, then return.
  const bool firstByte = to.ReadIntervalTimeout == MAXDWORD &&
                         to.ReadTotalTimeoutMultiplier == MAXDWORD &&
                         to.ReadTotalTimeoutConstant > 0 &&
                         to.ReadTotalTimeoutConstant < MAXDWORD;
  uint64_t totalMs = firstByte ? to.ReadTotalTimeoutConstant
                               : static_cast<uint64_t>(to.ReadTotalTimeoutMultiplier) * toRead +
                                     to.ReadTotalTimeoutConstant;
  const bool hasTotal = !atOnce && totalMs > 0;
  const bool hasInterval =
      !firstByte && to.ReadIntervalTimeout != 0 && to.ReadIntervalTimeout != MAXDWORD;
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::milliseconds(hasTotal ? totalMs : 0);
  auto lastByte = start;

  auto p = static_cast<char*>(buffer);
  DWORD got = 0;
  while (got < toRead) {
    ssize_t r = ::read(port.fd(), p + got, toRead - got);
    if (r > 0) {
      got += static_cast<DWORD>(r);
      *read = got;
      lastByte = Clock::now();
      if (firstByte) break;
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {  // EIO, or end of the line
      MarkHungUp(port);
      return got > 0 ? true : Fail(ERROR_BROKEN_PIPE);
    }
    if (atOnce) break;
    int waitMs = kSliceMs;
    if (hasTotal) waitMs = std::min(waitMs, MsUntil(deadline));
    if (hasInterval && got > 0)
      waitMs = std::min(waitMs, MsUntil(lastByte + std::chrono::milliseconds(to.ReadIntervalTimeout)));
    if (waitMs == 0 && (hasTotal || (hasInterval && got > 0))) break;  // timed out
    if (vplat::ThreadStopRequested()) return got > 0 ? true : Fail(ERROR_OPERATION_ABORTED);
    CommPort::Ready ready = port.WaitDevice(waitMs, true, false);
    {
      std::lock_guard lock(port.mutex);
      if (port.closed) return Fail(ERROR_INVALID_HANDLE);
    }
    if (ready == CommPort::Ready::HangUp) {
      MarkHungUp(port);
      return got > 0 ? true : Fail(ERROR_BROKEN_PIPE);
    }
  }
  return true;
}

bool CommWrite(const std::shared_ptr<KernelObject>& object, const void* buffer, DWORD toWrite,
               DWORD* written) {
  auto& port = static_cast<CommPort&>(*object);
  *written = 0;
  if (!Usable(port)) return false;
  COMMTIMEOUTS to;
  {
    std::lock_guard lock(port.mutex);
    to = port.timeouts;
  }
  uint64_t totalMs =
      static_cast<uint64_t>(to.WriteTotalTimeoutMultiplier) * toWrite + to.WriteTotalTimeoutConstant;
  const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
  auto p = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < toWrite) {
    ssize_t w = ::write(port.fd(), p + done, toWrite - done);
    if (w > 0) {
      done += static_cast<DWORD>(w);
      *written = done;
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      MarkHungUp(port);
      return Fail(ERROR_BROKEN_PIPE);
    }
    int waitMs = kSliceMs;
    if (totalMs > 0) {
      waitMs = MsUntil(deadline);
      if (waitMs == 0) break;  // timed out: the count tells how much went
    }
    if (vplat::ThreadStopRequested()) return Fail(ERROR_OPERATION_ABORTED);
    CommPort::Ready ready = port.WaitDevice(waitMs, true, true);
    {
      std::lock_guard lock(port.mutex);
      if (port.closed) return Fail(ERROR_INVALID_HANDLE);
    }
    if (ready == CommPort::Ready::HangUp) {
      MarkHungUp(port);
      return Fail(ERROR_BROKEN_PIPE);
    }
  }
  return true;
}

void WakeAllCommWaiters() {
  std::lock_guard lock(Registry().mutex);
  for (CommPort* port : Registry().live) port->Wake();
}

}  // namespace vplat::sys

using namespace vplat::sys;

namespace {

std::shared_ptr<CommPort> Port(HANDLE h) { return Find<CommPort>(h, Kind::Comm); }

}  // namespace

extern "C" BOOL GetCommState(HANDLE h, LPDCB dcb) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!dcb) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(port->mutex);
  *dcb = port->dcb;
  return TRUE;
}

extern "C" BOOL SetCommState(HANDLE h, LPDCB dcb) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!dcb) return Fail(ERROR_INVALID_PARAMETER);
  if (!Usable(*port)) return FALSE;
  if (!ApplyDcb(port->fd(), *dcb)) return FALSE;
  std::lock_guard lock(port->mutex);
  port->dcb = *dcb;
  port->dcb.DCBlength = sizeof(DCB);
  return TRUE;
}

extern "C" BOOL GetCommTimeouts(HANDLE h, LPCOMMTIMEOUTS timeouts) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!timeouts) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(port->mutex);
  *timeouts = port->timeouts;
  return TRUE;
}

extern "C" BOOL SetCommTimeouts(HANDLE h, LPCOMMTIMEOUTS timeouts) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!timeouts) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(port->mutex);
  port->timeouts = *timeouts;
  return TRUE;
}

extern "C" BOOL SetCommMask(HANDLE h, DWORD mask) {
  auto port = Port(h);
  if (!port) return FALSE;
  {
    std::lock_guard lock(port->mutex);
    port->mask = mask;
    ++port->maskGeneration;
  }
  port->Wake();
  return TRUE;
}

extern "C" BOOL GetCommMask(HANDLE h, LPDWORD mask) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!mask) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(port->mutex);
  *mask = port->mask;
  return TRUE;
}

extern "C" BOOL WaitCommEvent(HANDLE h, LPDWORD eventMask, LPOVERLAPPED overlapped) {
  if (eventMask) *eventMask = 0;
  auto port = Port(h);
  if (!port) return FALSE;
  if (!eventMask) return Fail(ERROR_INVALID_PARAMETER);
  if (overlapped) return Fail(ERROR_NOT_SUPPORTED);
  uint64_t generation;
  DWORD mask;
  {
    std::lock_guard lock(port->mutex);
    if (port->closed) return Fail(ERROR_INVALID_HANDLE);
    if (port->hungUp) return Fail(ERROR_BROKEN_PIPE);
    if (port->mask == 0) return Fail(ERROR_INVALID_PARAMETER);
    generation = port->maskGeneration;
    mask = port->mask;
  }
  for (;;) {
    if (vplat::ThreadStopRequested()) return Fail(ERROR_OPERATION_ABORTED);
    CommPort::Ready ready = port->WaitDevice(kSliceMs, mask & EV_RXCHAR, false);
    {
      std::lock_guard lock(port->mutex);
      if (port->closed) return Fail(ERROR_INVALID_HANDLE);
      if (port->maskGeneration != generation) {
        // A new mask ends the wait with no event; a mask of 0 means "stop waiting".
        return port->mask == 0 ? Fail(ERROR_OPERATION_ABORTED) : TRUE;
      }
    }
    if (ready == CommPort::Ready::HangUp) {
      MarkHungUp(*port);
      return Fail(ERROR_BROKEN_PIPE);
    }
    if (ready == CommPort::Ready::Data && (mask & EV_RXCHAR)) {
      *eventMask = EV_RXCHAR;
      return TRUE;
    }
  }
}

extern "C" BOOL PurgeComm(HANDLE h, DWORD flags) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!Usable(*port)) return FALSE;
  bool rx = flags & (PURGE_RXCLEAR | PURGE_RXABORT), tx = flags & (PURGE_TXCLEAR | PURGE_TXABORT);
  if (!rx && !tx) return Fail(ERROR_INVALID_PARAMETER);
  int which = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
  return tcflush(port->fd(), which) == 0 ? TRUE : FailErrno();
}

extern "C" BOOL ClearCommError(HANDLE h, LPDWORD errors, LPCOMSTAT status) {
  auto port = Port(h);
  if (!port) return FALSE;
  if (!Usable(*port)) return FALSE;
  // Framing and overrun errors are not reported by the host in raw mode: there are none to clear.
  if (errors) *errors = 0;
  if (status) {
    *status = COMSTAT{};
    int in = 0, out = 0;
    if (ioctl(port->fd(), FIONREAD, &in) == 0 && in > 0) status->cbInQue = static_cast<DWORD>(in);
    if (ioctl(port->fd(), TIOCOUTQ, &out) == 0 && out > 0) status->cbOutQue = static_cast<DWORD>(out);
  }
  return TRUE;
}
