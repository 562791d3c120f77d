// Serial ports over a pseudo-terminal: the test holds the master side, the port opens the
// slave through VORNA_COM3.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/win.h"
#include "tests/support/thread_asleep.h"
#include "tests/support/wait_until.h"

namespace {

class SerialPort : public ::testing::Test {
 protected:
  void SetUp() override {
    int slave = -1;
    char name[256];
    ASSERT_EQ(openpty(&master_, &slave, name, nullptr, nullptr), 0);
    close(slave);
    setenv("VORNA_COM3", name, 1);
  }
  void TearDown() override {
    if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
    if (master_ >= 0) close(master_);
    unsetenv("VORNA_COM3");
  }

  HANDLE Open() {
    port_ = CreateFileW(L"COM3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return port_;
  }
  // The settings the GPS reader uses: reads return at once with what has arrived.
  void Configure(DWORD baud) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port_, &dcb));
    dcb.BaudRate = baud;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.Parity = NOPARITY;
    dcb.ByteSize = 8;
    dcb.StopBits = ONESTOPBIT;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(port_, &dcb));
    COMMTIMEOUTS to{MAXDWORD, 0, 0, 10, 1000};
    ASSERT_TRUE(SetCommTimeouts(port_, &to));
    ASSERT_TRUE(SetCommMask(port_, EV_RXCHAR | EV_BREAK));
  }
  // Bytes the port has received and not yet given out. Written at the master, bytes reach the
  // slave's queue a moment later (the kernel hands them over on a worker), so tests wait for it.
  DWORD InQueue() {
    COMSTAT st{};
    DWORD errors = 0;
    return ClearCommError(port_, &errors, &st) ? st.cbInQue : 0;
  }
  void Send(const std::string& s) { ASSERT_EQ(write(master_, s.data(), s.size()), static_cast<ssize_t>(s.size())); }
  std::string ReceiveAtMaster(size_t n) {
    std::string out;
    while (out.size() < n) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 2000) <= 0) break;
      char buf[256];
      ssize_t r = read(master_, buf, sizeof buf);
      if (r <= 0) break;
      out.append(buf, static_cast<size_t>(r));
    }
    return out;
  }
  // Everything the port has, waiting for events as the GPS reader does.
  std::string ReadLine() {
    std::string line;
    while (line.find('\n') == std::string::npos) {
      DWORD ev = 0;
      if (!WaitCommEvent(port_, &ev, nullptr)) break;
      char c;
      DWORD n;
      while (ReadFile(port_, &c, 1, &n, nullptr) && n == 1) line += c;
    }
    return line;
  }

  int master_ = -1;
  HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(SerialPort, RoundTripBothWays) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_4800);
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port_, &dcb));
  EXPECT_EQ(dcb.BaudRate, 4800u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  DWORD mask = 0;
  EXPECT_TRUE(GetCommMask(port_, &mask));
  EXPECT_EQ(mask, static_cast<DWORD>(EV_RXCHAR | EV_BREAK));

  // Nothing there: an immediate read returns at once with nothing.
  char buf[64];
  DWORD n = 99;
  EXPECT_TRUE(ReadFile(port_, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 0u);

  const std::string sentence = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  Send(sentence);
  EXPECT_EQ(ReadLine(), sentence);  // raw: CR and LF arrive untouched

  std::string binary("dm\n\x00\xFF\x11\x13", 8);  // no flow-control bytes eaten
  EXPECT_TRUE(WriteFile(port_, binary.data(), static_cast<DWORD>(binary.size()), &n, nullptr));
  EXPECT_EQ(n, binary.size());
  EXPECT_EQ(ReceiveAtMaster(binary.size()), binary);

  COMSTAT st;
  DWORD errors = 1;
  Send("abc");
  ASSERT_TRUE(test_wait::Until([&] { return InQueue() == 3; }));
  EXPECT_TRUE(ClearCommError(port_, &errors, &st));
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(st.cbInQue, 3u);
  EXPECT_TRUE(PurgeComm(port_, PURGE_RXCLEAR));
  EXPECT_TRUE(ReadFile(port_, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 0u);
}

TEST_F(SerialPort, ReadTimeoutsReturnWhatArrived) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_9600);
  COMMTIMEOUTS to{0, 0, 150, 0, 0};  // total time-out: partial data after 150 ms
  ASSERT_TRUE(SetCommTimeouts(port_, &to));
  Send("12345");
  ASSERT_TRUE(test_wait::Until([&] { return InQueue() == 5; }));  // all there, 5 short of 10
  char buf[16];
  DWORD n = 0;
  EXPECT_TRUE(ReadFile(port_, buf, 10, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "12345");
  to = {0, 0, 0, 0, 0};  // no time-outs: waits for every byte asked for
  ASSERT_TRUE(SetCommTimeouts(port_, &to));
  // The read takes "ab" (queued before it starts) and must go on waiting for "cd", which is
  // sent only once the queue shows "ab" taken: the read certainly spans two arrivals.
  Send("ab");
  ASSERT_TRUE(test_wait::Until([&] { return InQueue() == 2; }));
  std::atomic<bool> done{false};
  DWORD got = 0;
  std::thread reader([&] {
    EXPECT_TRUE(ReadFile(port_, buf, 4, &got, nullptr));
    done = true;
  });
  ASSERT_TRUE(test_wait::Until([&] { return InQueue() == 0; }));
  EXPECT_FALSE(done.load());  // two of four: it cannot have returned
  Send("cd");
  reader.join();
  EXPECT_EQ(std::string(buf, got), "abcd");
}

TEST_F(SerialPort, WaitWokenByDataFromAnotherThread) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_4800);
  // The byte is sent once the waiting thread sleeps in its wait: the wait is what it wakes.
  const pid_t waiting = test_wait::ThisThreadId();
  std::thread writer([this, waiting] {
    EXPECT_TRUE(test_wait::UntilAsleep(waiting));
    Send("x");
  });
  DWORD ev = 0;
  EXPECT_TRUE(WaitCommEvent(port_, &ev, nullptr));
  EXPECT_EQ(ev, static_cast<DWORD>(EV_RXCHAR));
  writer.join();
}

TEST_F(SerialPort, WaitEndsWhenThePortIsClosedFromAnotherThread) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_4800);
  std::atomic<int> result{-1};
  DWORD error = 0;
  std::atomic<pid_t> tid{0};
  std::thread waiter([&] {
    tid = test_wait::ThisThreadId();
    DWORD ev = 123;
    result = WaitCommEvent(port_, &ev, nullptr);
    error = GetLastError();
    EXPECT_EQ(ev, 0u);
  });
  ASSERT_TRUE(test_wait::UntilAsleep(tid));
  EXPECT_EQ(result.load(), -1);  // still waiting: nothing can have ended it
  EXPECT_TRUE(CloseHandle(port_));
  HANDLE closed = port_;
  port_ = INVALID_HANDLE_VALUE;
  waiter.join();
  EXPECT_EQ(result.load(), FALSE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  DWORD ev;
  EXPECT_FALSE(WaitCommEvent(closed, &ev, nullptr));
  // The port can be opened again once closed.
  EXPECT_NE(Open(), INVALID_HANDLE_VALUE);
}

TEST_F(SerialPort, WaitEndsWhenTheDeviceVanishes) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_4800);
  std::atomic<int> result{-1};
  std::atomic<pid_t> tid{0};
  std::thread waiter([&] {
    tid = test_wait::ThisThreadId();
    DWORD ev;
    result = WaitCommEvent(port_, &ev, nullptr);
  });
  ASSERT_TRUE(test_wait::UntilAsleep(tid));
  close(master_);  // the far end goes away
  master_ = -1;
  waiter.join();
  EXPECT_EQ(result.load(), FALSE);
  char c;
  DWORD n;
  EXPECT_FALSE(ReadFile(port_, &c, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
  EXPECT_FALSE(WriteFile(port_, "x", 1, &n, nullptr));
  DWORD ev;
  EXPECT_FALSE(WaitCommEvent(port_, &ev, nullptr));  // does not block again
  COMSTAT st;
  EXPECT_FALSE(ClearCommError(port_, nullptr, &st));  // the port reports itself closed
}

TEST_F(SerialPort, ChangingTheMaskReleasesAWaiter) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_4800);
  for (DWORD newMask : {0xFFFFu, 0u}) {
    std::atomic<int> result{-1};
    std::atomic<pid_t> tid{0};
    DWORD ev = 77;
    std::thread waiter([&] {
      tid = test_wait::ThisThreadId();
      result = WaitCommEvent(port_, &ev, nullptr);
    });
    ASSERT_TRUE(test_wait::UntilAsleep(tid));
    // A wait that began after a change of mask waits on the new one, so the mask is set again
    // until the waiter is released: the wait it ends is the one in progress.
    EXPECT_TRUE(test_wait::Until([&] {
      EXPECT_TRUE(SetCommMask(port_, newMask));
      return result.load() != -1;
    }));
    waiter.join();
    EXPECT_EQ(ev, 0u);  // no event reported
    EXPECT_EQ(result.load(), newMask ? TRUE : FALSE);
  }
  DWORD ev;
  EXPECT_FALSE(WaitCommEvent(port_, &ev, nullptr));  // a mask of 0 has nothing to wait for
}

struct Reader {
  HANDLE port;
  std::atomic<pid_t> tid{0};
};

DWORD CALLBACK ReaderThread(LPVOID param) {
  auto* reader = static_cast<Reader*>(param);
  reader->tid = test_wait::ThisThreadId();
  HANDLE port = reader->port;
  DWORD ev;
  while (!vplat::ThreadStopRequested()) {
    if (!WaitCommEvent(port, &ev, nullptr)) continue;
    char c;
    DWORD n;
    while (ReadFile(port, &c, 1, &n, nullptr) && n == 1) {
    }
  }
  return 5;
}

TEST_F(SerialPort, TerminateThreadReleasesAReaderBlockedOnThePort) {
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  Configure(CBR_4800);
  Reader reader{port_};
  HANDLE thread = CreateThread(nullptr, 0, ReaderThread, &reader, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(CeSetThreadPriority(thread, 250));
  Send("$GP\r\n");
  // The line taken and the reader back in its wait on the port.
  ASSERT_TRUE(test_wait::Until([&] { return InQueue() == 0 && test_wait::Asleep(reader.tid); }));
  EXPECT_TRUE(TerminateThread(thread, 0));
  DWORD code = 1;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 0u);  // the code given to TerminateThread
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(thread);
}

TEST_F(SerialPort, OpenFailures) {
  HANDLE h = CreateFileW(L"COM9:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);  // no VORNA_COM9
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_NE(Open(), INVALID_HANDLE_VALUE);
  h = CreateFileW(L"com3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);  // not shared
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port_, &dcb));
  dcb.BaudRate = 12345;
  EXPECT_FALSE(SetCommState(port_, &dcb));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  dcb.BaudRate = 115200;
  dcb.ByteSize = 9;
  EXPECT_FALSE(SetCommState(port_, &dcb));
  // A plain file is not a serial port.
  setenv("VORNA_COM4", "/dev/null", 1);
  EXPECT_EQ(CreateFileW(L"COM4:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  unsetenv("VORNA_COM4");
}

}  // namespace
