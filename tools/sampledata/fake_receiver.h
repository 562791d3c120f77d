// A fake NMEA receiver on the master side of a pseudo-terminal, for tests and for replay: the
// program opens the slave path as its serial port (VORNA_COMn), the fake writes scripted
// sentences with computed checksums, pauses, splits writes, injects faults on demand and keeps a
// transcript of every byte the program sent it.
//
// Every wait here is bounded (real milliseconds); nothing blocks forever on a silent program.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sample {

// "$" + body + "*HH\r\n" with the checksum computed.
std::string NmeaLine(std::string_view body);
// The same with a checksum that is off by one, so the line is rejected.
std::string NmeaLineBadChecksum(std::string_view body);

// One epoch of a receiver's output at a position: RMC, GGA, GSA and a 3-message GSV cycle.
struct WalkEpoch {
  double latDeg, lonDeg;  // WGS 84, degrees
  double speedKnots, courseDeg;
  int hour, minute, second;
  int day, month, year;   // year 0-99
};
std::vector<std::string> EpochSentences(const WalkEpoch& e);
// A walk of `epochs` one-second epochs round a 4 km square in the demo town, starting at
// 10:00:00 UTC on 15 June 2006.
std::vector<WalkEpoch> DemoTownWalk(int epochs);

class FakeReceiver {
 public:
  FakeReceiver() = default;
  ~FakeReceiver();
  FakeReceiver(const FakeReceiver&) = delete;
  FakeReceiver& operator=(const FakeReceiver&) = delete;

  // Makes a fresh pseudo-terminal (its slave in raw mode) and starts the transcript reader.
  // False when the host has none to give.
  bool Open();
  bool IsOpen() const { return master_ >= 0; }
  // The path the program opens (e.g. /dev/pts/7).
  const std::string& SlavePath() const { return slavePath_; }

  // Writes all bytes at once; false when the link is gone or stays full for 2 s.
  bool Write(std::string_view bytes);
  bool WriteSentence(std::string_view body) { return Write(NmeaLine(body)); }
  // Writes in pieces cut at the given offsets, pausing between them.
  bool WriteSplit(std::string_view bytes, const std::vector<size_t>& cuts, int pauseMs);
  // One byte at a time, pausing between them.
  bool WriteBytewise(std::string_view bytes, int pauseMs);
  static void Pause(int ms);

  // Faults on demand.
  bool WriteBadChecksum(std::string_view body) { return Write(NmeaLineBadChecksum(body)); }
  // The first `keep` bytes of a good line, then CR LF.
  bool WriteTruncated(std::string_view body, size_t keep);
  // `length` bytes of '$'-led filler and then LF, with no CR and no valid sentence.
  bool WriteLongLine(size_t length);
  // `count` bytes of 8-bit garbage, NULs included, without any LF.
  bool WriteGarbage(size_t count, uint32_t seed = 1);
  // Closes the master: the program sees its port hang up.
  void HangUp();
  // HangUp, then a fresh pseudo-terminal on a new path.
  bool Reopen();

  // Plays steps on a background thread (the caller is free to block in the program meanwhile).
  struct Step {
    std::string bytes;
    int pauseMsAfter = 0;
    bool bytewise = false;  // one byte at a time, 1 ms apart
  };
  void Play(std::vector<Step> steps);
  // Waits for a Play to finish; false after `timeoutMs`.
  bool WaitPlayed(int timeoutMs);

  // Called on the transcript reader's thread with every chunk the program writes, after it was
  // added to the transcript. Set it before Open.
  void SetInputHandler(std::function<void(std::string_view)> handler) {
    inputHandler_ = std::move(handler);
  }

  // Everything the program wrote so far.
  std::string Transcript();
  void ClearTranscript();
  // Waits until the transcript holds `needle`; false after `timeoutMs`.
  bool WaitTranscript(std::string_view needle, int timeoutMs);

 private:
  void ReaderLoop();
  void StopThreads();

  int master_ = -1;
  int slaveKeep_ = -1;  // keeps the slave's raw settings until the program opens it
  std::string slavePath_;
  std::thread reader_;
  std::atomic<bool> stopReader_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string transcript_;
  std::thread player_;
  std::atomic<bool> playing_{false};
  std::function<void(std::string_view)> inputHandler_;
};

}  // namespace sample
