// The receiver's block transfer against the fake receiver: the CRC, whole copies compared byte
// for byte with the fake's log, damaged blocks, silence, cancel, refusal and hang-up, and the
// removal of a log.
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/wait_until.h"
#include "tests/gps/greis_fixture.h"

namespace {

using greistest::Clock;
using greistest::ElapsedMs;
using greistest::GreisLink;
using Fault = sample::FakeGreis::Fault;

TEST(ReceiverCrc, TypedVectorsAndARunningSeed) {
  TGreisReceiver r;
  r.BuildCrcTable();
  auto crc = [&](uint16_t seed, const char* text) {
    return r.Crc16(seed, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
  };
  EXPECT_EQ(crc(0, "abc"), 0x9DD6);
  EXPECT_EQ(crc(0, "123456789"), 0x31C3);
  EXPECT_EQ(crc(crc(0, "abc"), "def"), 0x3AFD);
  EXPECT_EQ(crc(0, "abcdef"), 0x3AFD);
  EXPECT_EQ(crc(0x1234, ""), 0x1234);
}

TEST(ReceiverCrc, NamesThatCouldLeaveTheFolderOrBreakTheQuotesAreUnsafe) {
  for (const char* bad : {"", ".", "..", "a\"b", "a\\b", "a/b", "c:x", "tab\tx", "\x7f"})
    EXPECT_FALSE(TGreisReceiver::IsSafeLogName(bad)) << bad;
  for (const char* good : {"log0410_153012.jps", "a b", "...x", "Лог"})
    EXPECT_TRUE(TGreisReceiver::IsSafeLogName(good)) << good;
}

std::string ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

class ReceiverDownload : public GreisLink {
 protected:
  void SetUp() override {
    GreisLink::SetUp();
    CreateDirectoryW(L"\\Copies", nullptr);
  }
  int64_t Download(const std::string& name, std::atomic<bool>* cancel = nullptr) {
    TCommandBracket bracket(receiver);
    return receiver.DownloadLog(name.c_str(), ("\\Copies\\" + name + ".jps").c_str(), nullptr,
                                cancel);
  }
  static std::string Host(const std::string& name) {
    return harness::HostPath(L"\\Copies") + "/" + name + ".jps";
  }
  // The acknowledgements the program sent, as "N" and "A".
  std::string Answers() {
    std::string out;
    for (char c : fake.Transcript()) {
      if (c == 0x15) out += 'N';
      if (c == 0x06) out += 'A';
    }
    return out;
  }
};

TEST_F(ReceiverDownload, WholeFilesArriveByteForByteInEitherLastBlockShape) {
  std::string bytes(1024, 0);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(255 - i % 256);
  fake.AddLog("k.jps", 0);
  fake.SetLogData("k.jps", bytes);
  COMMTIMEOUTS before{}, after{};
  ASSERT_TRUE(port.GetReadTimeouts(&before));

  sample::FakeGreis::Transfer shape;
  shape.zeroLastAfterFull = true;  // two full blocks and a last one of length 0
  fake.SetTransfer(shape);
  fake.ClearTranscript();
  EXPECT_EQ(Download("k.jps"), 1024);
  EXPECT_EQ(ReadHost(Host("k.jps")), bytes);
  EXPECT_EQ(fake.BlocksSent(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Answers(), "NAA");  // the last block is not acknowledged
  EXPECT_NE(fake.Transcript().find("%%get,\"/log/k.jps\":{300},0\n"), std::string::npos);
  EXPECT_TRUE(fake.WaitTranscript("%%\n", test_wait::kDefaultMs));
  EXPECT_FALSE(Exists(Host("k.jps") + ".tmp"));

  shape.zeroLastAfterFull = false;  // one full block and a last one of 512: replaces the copy
  fake.SetTransfer(shape);
  std::string other = bytes;
  other[700] = 'x';
  fake.SetLogData("k.jps", other);
  EXPECT_EQ(Download("k.jps"), 1024);
  EXPECT_EQ(ReadHost(Host("k.jps")), other);
  EXPECT_EQ(fake.BlocksSent(), (std::vector<int>{0, 1}));
  ASSERT_TRUE(port.GetReadTimeouts(&after));
  EXPECT_EQ(after.ReadIntervalTimeout, before.ReadIntervalTimeout);
  EXPECT_EQ(after.ReadTotalTimeoutMultiplier, before.ReadTotalTimeoutMultiplier);
  EXPECT_EQ(after.ReadTotalTimeoutConstant, before.ReadTotalTimeoutConstant);

  fake.AddLog("one", 1);
  fake.AddLog("none", 0);
  EXPECT_EQ(Download("one"), 1);
  EXPECT_EQ(ReadHost(Host("one")), fake.LogData("one"));
  EXPECT_EQ(Download("none"), 0);
  EXPECT_TRUE(Exists(Host("none")));
  EXPECT_EQ(ReadHost(Host("none")), "");
}

TEST_F(ReceiverDownload, DamagedBlocksAreAskedForAgainAndNeverWrittenTwice) {
  fake.AddLog("d.jps", 1500);
  sample::FakeGreis::Transfer t;
  t.badCrcBlock = 1;
  fake.SetTransfer(t);
  fake.ClearTranscript();
  EXPECT_EQ(Download("d.jps"), 1500);
  EXPECT_EQ(ReadHost(Host("d.jps")), fake.LogData("d.jps"));
  EXPECT_EQ(fake.BlocksSent(), (std::vector<int>{0, 1, 1, 2}));
  EXPECT_EQ(Answers(), "NANA");

  // A damaged last block is retried like any block.
  t = {};
  t.noEtxBlock = -1;
  t.badCrcBlock = 2;
  fake.SetTransfer(t);
  EXPECT_EQ(Download("d.jps"), 1500);
  EXPECT_EQ(fake.BlocksSent(), (std::vector<int>{0, 1, 2, 2}));

  // A length field outside 0..512 is damage, however good the CRC: NAK until the copy gives up.
  for (int length : {513, -1, 32767}) {
    t = {};
    t.lastLength = length;
    fake.SetTransfer(t);
    fake.ClearTranscript();
    EXPECT_EQ(Download("d.jps"), TGreisReceiver::kDownloadIncomplete) << length;
    EXPECT_EQ(Answers(), "NAANNNNNNNNN") << length;
    EXPECT_FALSE(Exists(Host("d.jps") + ".tmp"));
    EXPECT_EQ(ReadHost(Host("d.jps")), fake.LogData("d.jps")) << "the older copy stays";
  }
}

TEST_F(ReceiverDownload, ABrokenChainOrAMissingEndByteKeepsNothing) {
  fake.AddLog("b.jps", 2000);
  for (int variant = 0; variant < 3; ++variant) {
    sample::FakeGreis::Transfer t;
    if (variant == 0) t.alwaysBadCrc = true;
    if (variant == 1) t.seedZero = true;  // only the first block checks
    if (variant == 2) t.noEtxBlock = 0;
    fake.SetTransfer(t);
    fake.ClearTranscript();
    EXPECT_EQ(Download("b.jps"), TGreisReceiver::kDownloadIncomplete) << variant;
    EXPECT_FALSE(Exists(Host("b.jps"))) << variant;
    EXPECT_FALSE(Exists(Host("b.jps") + ".tmp")) << variant;
    EXPECT_TRUE(fake.WaitTranscript("%%\n", test_wait::kDefaultMs)) << variant;
  }
}

TEST_F(ReceiverDownload, SilenceCancelRefusalAndHangUpEndWithinTheirBounds) {
  fake.AddLog("s.jps", 4000);
  sample::FakeGreis::Transfer t;
  t.stopInBlock = 2;
  fake.SetTransfer(t);
  auto start = Clock::now();
  EXPECT_EQ(Download("s.jps"), TGreisReceiver::kDownloadIncomplete);
  EXPECT_LT(ElapsedMs(start), 16000);  // three silent tries of 3 s and the two replies
  EXPECT_FALSE(Exists(Host("s.jps")));

  // Cancel in the middle of a paced file: over within a block's time, the older copy kept.
  std::ofstream(Host("s.jps"), std::ios::binary) << "older";
  fake.AddLog("big.jps", 65536);
  std::ofstream(Host("big.jps"), std::ios::binary) << "older";
  t = {};
  t.baud = 115200;
  fake.SetTransfer(t);
  std::atomic<bool> cancel{false};
  std::atomic<int64_t> cancelledAt{0};
  std::thread canceller([&] {
    fake.WaitTranscript(std::string(3, '\x06'), test_wait::kDefaultMs);  // a few blocks in
    cancelledAt = Clock::now().time_since_epoch().count();
    cancel = true;
    port.CancelRead();
  });
  EXPECT_EQ(Download("big.jps", &cancel), TGreisReceiver::kDownloadIncomplete);
  canceller.join();
  EXPECT_EQ(ReadHost(Host("big.jps")), "older");
  EXPECT_LT(fake.BlocksSent().size(), 10u);

  // A refused get: nothing changes; a copy that cannot be made asks nothing.
  fake.SetFault("get,", Fault::kError, 1);
  fake.ClearTranscript();
  EXPECT_EQ(Download("s.jps"), TGreisReceiver::kDownloadRefused);
  EXPECT_EQ(ReadHost(Host("s.jps")), "older");
  {
    TCommandBracket bracket(receiver);
    fake.ClearTranscript();
    EXPECT_EQ(receiver.DownloadLog("s.jps", "\\NoSuchFolder\\s.jps", nullptr, nullptr),
              TGreisReceiver::kDownloadCannotCreate);
    EXPECT_EQ(receiver.DownloadLog("..", "\\Copies\\x.jps", nullptr, nullptr),
              TGreisReceiver::kDownloadCannotCreate);
    EXPECT_EQ(receiver.DownloadLog("s.jps", ("\\Copies\\" + std::string(250, 'n')).c_str(),
                                   nullptr, nullptr),
              TGreisReceiver::kDownloadCannotCreate);
    // A command after them: the line keeps its order, so a "%%get" sent would stand before it.
    EXPECT_TRUE(receiver.Command("print,/par/rcv/id\n", nullptr));
    EXPECT_TRUE(fake.WaitTranscript("print,/par/rcv/id\n", test_wait::kDefaultMs));
    EXPECT_EQ(fake.Transcript().find("%%get"), std::string::npos);
  }

  // The line going dead in the middle of a block: incomplete, and the dialogue ends.
  t = {};
  t.hangUpInBlock = 1;
  fake.SetTransfer(t);
  start = Clock::now();
  EXPECT_EQ(Download("s.jps"), TGreisReceiver::kDownloadIncomplete);
  EXPECT_LT(ElapsedMs(start), 16000);
  EXPECT_FALSE(port.HoldsCommandMode());
  EXPECT_EQ(ReadHost(Host("s.jps")), "older");
}

TEST_F(ReceiverDownload, AFullDiskKeepsNothing) {
  fake.AddLog("w.jps", 3000);
  // Files may grow to 1000 bytes: the copy's write fails (SIGXFSZ ignored, the write says so).
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  const int64_t got = Download("w.jps");
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(got, TGreisReceiver::kDownloadIncomplete);
  EXPECT_FALSE(Exists(Host("w.jps")));
  EXPECT_FALSE(Exists(Host("w.jps") + ".tmp"));
  EXPECT_TRUE(fake.WaitTranscript("%%\n", test_wait::kDefaultMs));
}

TEST_F(ReceiverDownload, RemoveTakesOneSafeNameAtATime) {
  fake.AddLog("r1.jps", 10);
  fake.AddLog("r\"2", 10);
  TCommandBracket bracket(receiver);
  fake.ClearTranscript();
  EXPECT_TRUE(receiver.RemoveLog("r1.jps"));
  EXPECT_FALSE(receiver.RemoveLog("r\"2"));
  EXPECT_FALSE(receiver.RemoveLog(".."));
  EXPECT_EQ(fake.Removed(), (std::vector<std::string>{"r1.jps"}));
  EXPECT_EQ(greistest::Count(fake.Transcript(), "%%remove"), 1);
}

}  // namespace
