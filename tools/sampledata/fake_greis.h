// A fake GREIS receiver on a pseudo-terminal, for tests, benchmarks and manual runs: it reads
// the program's command lines, answers them as a receiver does ("RE" + three upper-case hex
// digits of the payload's length + payload + CR LF), keeps the receiver's state (memory, power,
// identity, logging, log files, NMEA output) and injects faults per command on demand.
//
// Lines end with "\n" (a CR before it is ignored). An optional "%id%" prefix is stripped and
// echoed ("%%" is the empty id, answered "RE002%%"); "&&" joins several commands in one line,
// each answered in turn. Every wait is bounded; nothing blocks forever on a silent program. A
// noisy mode (SetNoise) mixes late and unsolicited lines in between the answers.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <climits>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/sampledata/fake_receiver.h"

namespace sample {

class FakeGreis {
 public:
  enum class Fault {
    kNone,
    kError,          // "ER" and a text
    kSilence,        // no answer at all
    kNmea,           // an NMEA line instead of the answer
    kFragmentsFast,  // the answer in pieces 5 ms apart
    kFragmentsSlow,  // the answer in pieces 30 ms apart
    kLate1500,       // the answer 1.5 s late
    kLate2500,       // the answer 2.5 s late
    kOver3000,       // a payload of 3500 bytes
    kLong300,        // a payload of 300 characters
    kListSplitComma, // "list,/log" in two messages, the first ending with ","
    kListSplitName,  // the same, the first ending with a name
    kHangUp,         // the line goes dead instead of answering
  };

  FakeGreis();
  ~FakeGreis();
  FakeGreis(const FakeGreis&) = delete;
  FakeGreis& operator=(const FakeGreis&) = delete;

  bool Open();
  const std::string& SlavePath() const { return link_.SlavePath(); }
  void HangUp();

  // ---- the receiver's state (any thread) ----
  void SetMemory(int64_t size, int64_t freeBytes);
  void SetPower(const std::string& volts);
  void SetIdentity(const std::string& model, const std::string& id);
  void SetPrefix(const std::string& prefix);  // empty: the prefix query fails ("ER")
  void SetPeriod(const std::string& period);  // empty: the period query fails
  void SetElevationMask(const std::string& degrees);
  // The log being written, growing `bytesPerSecond` on the fake's clock; empty name: none.
  void SetCurrentLog(const std::string& name, int64_t size, double bytesPerSecond = 0);
  // How fast a log made by "create" grows (bytes a second on the fake's clock).
  void SetNewLogGrowth(double bytesPerSecond);
  void AddLog(const std::string& name, int64_t size);
  void ClearLogs();
  // The bytes of a log (AddLog gives each log a counted pattern of its size).
  void SetLogData(const std::string& name, const std::string& bytes);
  // Bytes added to a log after it was listed.
  void GrowLog(const std::string& name, const std::string& bytes);
  std::string LogData(const std::string& name);
  std::vector<std::string> Removed();
  // The text answered to the file count; empty: the number of logs.
  void SetFileCountText(const std::string& text);
  // A fixed payload (" value" or "{list}" as sent, without CR LF) for one command line (without
  // "\n"), or raw bytes sent as they stand.
  void SetReply(const std::string& command, const std::string& payload);
  void SetRawReply(const std::string& command, const std::string& bytes);
  // A fault for the commands beginning with `prefix`, for the next `times` of them (-1: always).
  void SetFault(const std::string& prefix, Fault fault, int times = -1);
  void ClearFaults();
  // Faults and shape of the block transfer ("%%get"): block numbers count from 0.
  struct Transfer {
    bool zeroLastAfterFull = false;  // a size of whole blocks ends with a last block of length 0
    int badCrcBlock = -1;            // that block once with a wrong CRC
    bool alwaysBadCrc = false;
    int noEtxBlock = -1;             // that block, every time, without its 0x03
    int lastLength = INT32_MIN;      // the length field of the last block (CRC still right)
    bool seedZero = false;           // every block's CRC from 0, not chained
    int stopInBlock = -1;            // half of that block, then nothing more
    bool silentAfterGet = false;     // no block ever comes
    bool ignoreFirstNak = false;
    int hangUpInBlock = -1;          // the line goes dead in the middle of that block
    int baud = 0;                    // 0: full speed; else paced at 10 bits a byte
    std::string onlyFor;             // the faults above hit this file only (empty: every file)
    std::string growAfter;           // bytes the file grows by once its transfer has ended
  };
  void SetTransfer(const Transfer& transfer);
  // Block numbers sent, with a repeat for every block sent again.
  std::vector<int> BlocksSent();
  // Seconds from the first NAK of the last transfer to the end of its last block's write.
  double BlockPhaseSeconds();

  // Late and unsolicited lines between the answers, as a busy line brings them. Before an
  // answer: the answers held back so far (the late replies of earlier commands, in order), then
  // by chance NMEA sentences and a stray acknowledgement. An answer to a command beginning with
  // `holdPrefix` is by chance held back until the next answer. Seeded: a run repeats exactly.
  struct Noise {
    int sentencePercent = 0;  // NMEA sentences before an answer
    int ackPercent = 0;       // "RE000" before an answer
    int holdPercent = 0;      // an answer of a `holdPrefix` command held back
    std::string holdPrefix;   // empty: nothing is held
    uint32_t seed = 1;
  };
  void SetNoise(const Noise& noise);
  int HeldAnswers();  // answers held back so far

  // The fix of the NMEA output sent while it is on (every `periodMs`).
  void SetNmeaFix(bool valid, double pdop, int periodMs = 200);
  // Where that fix lies, degrees north and east (55.76 N 37.43 E until set).
  void SetNmeaPosition(double latitude, double longitude);

  // The receiver restarts (a power cut): it comes up with its NMEA output off, as a receiver
  // does until it is told again, and answers commands as before.
  void Restart() { nmeaOn_ = false; }

  // Bytes sent unasked (a stale answer, a stray line).
  bool WriteRaw(const std::string& bytes) { return Send(bytes); }

  // ---- what happened ----
  std::string Transcript() { return link_.Transcript(); }
  void ClearTranscript() { link_.ClearTranscript(); }
  bool WaitTranscript(const std::string& needle, int timeoutMs) {
    return link_.WaitTranscript(needle, timeoutMs);
  }
  bool NmeaOn() const { return nmeaOn_.load(); }
  std::vector<std::string> Events();
  std::string CreatedLog();  // the name of the last "create"
  bool Logging();            // "em,/cur/log" seen since the last "dm,/cur/log"
  // Commands answered so far (the lines, without "\n").
  int Answered() const { return answered_.load(); }

 private:
  struct FaultRule {
    Fault fault;
    int times;
  };
  void OnInput(std::string_view bytes);
  void Responder();
  void Emitter();
  void Handle(const std::string& line);
  void Answer(const std::string& id, const std::string& command);
  std::string PayloadFor(const std::string& command, bool* known);
  Fault TakeFault(const std::string& command);
  bool Send(const std::string& bytes);
  int64_t CurrentLogSize();

  void OnControl(char c);
  void SendBlock(int index);
  bool SendPaced(const std::string& bytes, int baud);

  FakeReceiver link_;
  std::mutex stateMutex_;
  std::mutex writeMutex_;
  std::condition_variable wake_;
  std::deque<std::string> lines_;
  std::string partial_;
  std::thread responder_, emitter_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> nmeaOn_{false};
  std::atomic<bool> dead_{false};
  std::atomic<int> answered_{0};

  int64_t size_ = 8000000, free_ = 7300000;
  std::string power_ = "7.90", model_ = "TRIUMPH-1", id_ = "00A1B2C3", prefix_ = "log",
              period_ = "1.00", mask_ = "5", fileCount_;
  std::string current_;
  int64_t currentBase_ = 0;
  double growth_ = 0, newLogGrowth_ = 0;
  std::chrono::steady_clock::time_point currentSince_ = std::chrono::steady_clock::now();
  std::vector<std::pair<std::string, int64_t>> logs_;
  std::map<std::string, std::string> replies_, rawReplies_;
  std::vector<std::pair<std::string, FaultRule>> faults_;
  std::vector<std::string> events_;
  std::map<std::string, std::string> data_;
  std::vector<std::string> removed_;
  Transfer transfer_;
  // The transfer under way: its file's bytes, the block the receiver is at, the seeds.
  bool transferring_ = false;
  bool transferFaulty_ = false;  // the faults apply to the file under way
  std::string transferData_, transferName_;
  int transferBlock_ = 0, transferBlocks_ = 0;
  std::vector<uint16_t> seeds_;
  std::vector<int> blocksSent_;
  bool nakIgnored_ = false, badCrcSent_ = false;
  std::chrono::steady_clock::time_point firstNak_{}, lastBlock_{};
  bool sawNak_ = false;
  std::deque<char> controls_;
  std::string created_;
  bool logging_ = false;
  bool fixValid_ = true;
  double pdop_ = 1.8;
  double lat_ = 55.76, lon_ = 37.43;  // degrees
  int nmeaPeriodMs_ = 200;
  Noise noise_;
  uint32_t noiseState_ = 1;
  std::string held_;  // answers held back, sent before the next one
  int heldCount_ = 0;
};

}  // namespace sample
