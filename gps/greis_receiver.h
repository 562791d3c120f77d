// The link to a geodetic receiver that speaks GREIS over the GPS port: the command dialogue and
// its queries, the receiver's file list, logging on the receiver with its Stop&Go events, the
// occupation objects each stretch leaves in the working map, and the state file through which a
// restarted program takes up a log the receiver is still writing.
//
// Invariants:
//   - Every exchange runs inside one command dialogue (TCommandBracket): the port's command lock
//     is held from its begin to its end, on one thread, and never across a modal question or a
//     port close. Dialogues never nest.
//   - A command takes only the reply of its own form (from its line: a number, a text, a
//     list, an acknowledgement, an echoed identifier): lines of any other form (NMEA sentences,
//     acknowledgements of raw writes, a text for a number) are skipped unused until the reply
//     comes or its 2 s are over. An error message, a time-out or a cancel fails the command and
//     leaves the caller's output as it was: never a value.
//   - The receiver answers in order. After a command whose reply did not come (or was not
//     read), that reply may still arrive, in the very form of the next one's: the line is out
//     of step, and the next command carries an identifier "%n%" of its own, whose echo alone
//     marks its reply. With that reply every earlier one has come: the line is in step again.
//   - Payloads are std::string, bounded by the 3000 bytes a reply may use.
//   - Epochs are whole seconds of the 64-bit tick divided by the logging period (0 when the
//     period is 0); every stamp of the tracking and occupation tests is an epoch.
//   - While a download holds the dialogue on its worker, the Stop&Go changes and the log stop
//     are refused whole: their raw writes would land inside the block stream.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "gps/nmea.h"
#include "maps/user_layer.h"
#include "platform/win.h"

class TGpsPort;

// One file of the receiver's log store.
struct ReceiverLogFile {
  std::string name;   // as listed under "/log/", without that prefix, kept whole
  int32_t size = -1;  // bytes as the receiver reports it; -1 when its query failed
};

class TGreisReceiver : public IWorkingMapLetGo {
 public:
  enum Kind { kKinematic = 0, kStatic = 1, kDynamic = 2 };
  static constexpr int kReplyBytes = 3000;     // the most of a reply that is used
  static constexpr size_t kSiteNameMax = 250;  // characters of a site name
  static constexpr size_t kPrefixMax = 200;    // a longer create prefix is a failed query
  static constexpr size_t kLogNameMax = 240;   // a longer current-log name is a failed query

  TGreisReceiver() = default;
  virtual ~TGreisReceiver() = default;
  TGreisReceiver(const TGreisReceiver&) = delete;
  TGreisReceiver& operator=(const TGreisReceiver&) = delete;

  // Binds the receiver to the port and remembers the path of its state file.
  void Bind(TGpsPort* port, const char* backupPath);
  // Stores the antenna type name sent with Stop&Go events (null: empty).
  void SetAntennaType(const char* text);
  // True when the bound port is open on a GREIS receiver; every exchange asks first.
  bool IsReady() const;

  // Begin and end of a command dialogue on the bound port (prefer TCommandBracket).
  void EnterCommandMode();
  void LeaveCommandMode();
  // One command inside a dialogue: drains stale input, writes the line and, with a reply
  // wanted, reads it. The payload (after "RE", three length characters and the identifier; a
  // braced list kept with its braces, a plain value without its blank, a trailing CR LF cut)
  // goes to `reply`. False on a failed write or read, an error message, or no reply of the
  // command's form within about 2 s of silence; `reply` untouched.
  bool Command(const char* line, std::string* reply);
  // False while a reply of an earlier command may still arrive (the next command is identified).
  bool InStep() const { return inStep_; }
  // What a command's reply looks like, from its line (greis_receiver.cpp).
  struct ReplyForm;
  GpsFix* GetFix(GpsFix* dst);
  // 1 reconnected, 0 declined. Never inside a dialogue.
  int Reconnect();

  // Queries, inside a dialogue. Outputs are written only on success.
  // Memory size and free bytes of the log store: each value its own query, -1 when it failed;
  // true when either answered.
  bool GetMemory(int* size, int* freeBytes);
  // Board supply voltage (volts); false when the receiver does not answer or sends no number.
  bool GetPower(float* volts);
  bool GetCurrentLogSize(int* size);
  bool GetReceiverId(std::string* id);
  bool GetCreatePrefix(std::string* prefix);
  bool GetModel(std::string* model);
  // The file-name part of the log being written; false (buffer untouched) when the query fails
  // or the name is longer than 240 characters. `buffer` holds 256 bytes.
  bool GetCurrentLog(char* buffer);
  bool GetCurrentLog(std::string* name);
  // "model ID:id", written when either query answered.
  bool GetDescription(std::string* text);
  // The receiver's log files with their sizes. False when the count or the list failed.
  bool ListLogFiles(std::vector<ReceiverLogFile>* files);

  // File transfer, inside a dialogue (a download worker holds it for a whole batch).
  // Results of DownloadLog below 0.
  enum {
    kDownloadRefused = -1,      // the receiver did not answer the get
    kDownloadCannotCreate = -2, // no local copy can be made (or the name is unsafe): nothing sent
    kDownloadIncomplete = -3,   // the copy was not verified whole: nothing was kept
  };
  // Sent (synchronously) to the progress window after each block taken: wParam its bytes.
  static constexpr UINT kProgressMessage = WM_USER + 1;
  // Copies the receiver's "/log/<name>" to `localPath` by the block transfer: the bytes of the
  // complete copy, or a result above. The copy goes to "<localPath>.tmp" and replaces the
  // destination only when complete; `cancel`, when set, ends it after the current wait.
  int64_t DownloadLog(const char* name, const char* localPath, HWND progress,
                      const std::atomic<bool>* cancel);
  // "%%remove" of one log file; true when the receiver answered. Unsafe names are refused.
  bool RemoveLog(const char* name);
  // A name the receiver listed that is safe to quote in a command and to use as a file name: no
  // '"', '\', '/', ':' or control character, not "." or "..", not empty.
  static bool IsSafeLogName(const std::string& name);
  // CRC-16 of the transfer: polynomial 0x1021, most significant bit first, no reflection, no
  // final XOR, run on from `seed`.
  void BuildCrcTable();
  uint16_t Crc16(uint16_t seed, const uint8_t* bytes, size_t count) const;

  // Logging and Stop&Go, on the UI thread (they bracket themselves where they need to).
  void StartLogging(int resume);
  void StopLogging();
  void BeginStatic(const char* siteName);
  void BeginKinematic(const char* siteName);
  void BeginDynamic();
  void NextSiteName();
  uint64_t GetEpoch() const;
  // Also notes where the antenna was measured last in the current stretch (see stretchPlace).
  int UpdateTracking();
  // The same for a given fix (the current epoch still from the clock).
  int UpdateTracking(const GpsFix& fix);
  bool GetTrackingTime(uint64_t* epochs) const;
  bool GetOccupationTime(uint64_t* epochs) const;
  void OpenOccupation();
  void CloseOccupation(int kind);
  int GetOccupationObject() const { return occupationObject; }
  // The working map is let go: an open occupation's object there is finished as the stretch's
  // close would finish it, and no index into the map is kept. The stretch goes on on the
  // receiver (and in the next working map as a track of its type); its close then touches no
  // object.
  void BeforeWorkingMapLetGo() override;
  void SaveState();
  int LoadState();

  // A download worker marks the dialogue it holds, so that Stop&Go writes are refused meanwhile.
  void SetDownloading(bool on) { downloading_.store(on); }
  bool IsDownloading() const { return downloading_.load(); }
  // Set by the geodesy bar's poll before it ends navigation on a dead link: the stop then
  // neither closes the receiver's log nor drops the state file, so the log the receiver may
  // still write resumes with its counters.
  void SetLinkLost(bool lost) { linkLost = lost; }
  // Whether the receiver has answered (a reply or a refusal) since the log's start. A log no
  // answer ever came for was never recorded as far as anybody knows: its stop writes no
  // work-time line and keeps no state.
  bool HeardSinceStart() const { return heardSinceStart_.load(); }

  char siteName[256] = {};
  char siteCode[256] = {};
  char logName[256] = {};  // 8-bit name of the log being recorded, empty when none
  int kind = kDynamic;
  int staticCount = 0, kinematicCount = 0, dynamicCount = 0;
  TGpsPort* port = nullptr;
  int lossCount = 0;    // "EC": valid fix lost for more than 10 epochs
  int lockLost = 0;     // 1 while a loss is counted
  uint64_t trackingStart = 0;
  double startDate = 0;  // OLE date, UTC, of the log's creation
  int workTimeBound = 0;    // the work log is bound for this run
  std::string workLogPath;  // the working map's ".gtl", bound at the first log stop
  uint64_t occupationStart = 0, lastValidFix = 0, lastPoorGeometry = 0, lastVeryPoorGeometry = 0;
  std::string antennaType;
  double period = 1.0;  // logging period, seconds
  std::string backupPath;
  int occupationOpen = 0;
  int occupationObject = 0;  // index in the working map, 0 when none
  // The view's position (plane metres) and altitude at the stretch's last measured fix: where a
  // static point goes. A stretch without one leaves no point: the origin is nowhere the antenna
  // stood, and the view's last position may be another site's.
  struct Place {
    bool known = false;
    double x = 0, y = 0, altitude = 0;
  } stretchPlace;
  bool linkLost = false;
  uint16_t crcTable[256] = {};

 private:
  // Writes one Stop&Go change; false (with a beep) while a download holds the dialogue.
  void BeginStretch(int newKind, const char* givenName);
  // With a measured fix (as GpsPort::GetMeasuredFix) and the view on it: `fix` gets it, the
  // stretch's place is noted, true.
  bool TakeMeasuredFix(GpsFix* fix);
  // The recording's line, from its start to now, in the working map's work log (bound once a
  // run, at the first line).
  void WriteWorkTime();
  // Gives the occupation object its closing code and attributes in the working map (a static
  // stretch's becomes a point at the position); `occupationObject` then names the result.
  void FinishOccupationObject(int closingKind);

  // Reads lines until the reply that `expected` accepts; false on an error message, a failed
  // read, a cancel or the time-out.
  bool ReadReplyOf(const ReplyForm& expected, std::string* payload);
  // One byte of the line: 1 a byte, 0 after about 2 s of silence, -1 a read failure, -2 a cancel.
  int ReadByte(char* c);

  std::atomic<bool> downloading_{false};
  // Touched only by the thread that holds the dialogue (the port's command lock orders them).
  bool inStep_ = true;
  unsigned tag_ = 0;  // the last identifier given
  // A GREIS message came since StartLogging began (written by whichever thread holds the
  // dialogue, a download worker too).
  std::atomic<bool> heardSinceStart_{false};
};

// A command dialogue for one scope: begins in the constructor, ends in End or the destructor,
// whichever comes first. Never keep one across a modal question or a port close.
class TCommandBracket {
 public:
  explicit TCommandBracket(TGreisReceiver& receiver) : receiver_(&receiver) {
    receiver_->EnterCommandMode();
  }
  ~TCommandBracket() { End(); }
  TCommandBracket(const TCommandBracket&) = delete;
  TCommandBracket& operator=(const TCommandBracket&) = delete;
  void End() {
    if (receiver_) receiver_->LeaveCommandMode();
    receiver_ = nullptr;
  }

 private:
  TGreisReceiver* receiver_;
};

extern TGreisReceiver g_GreisReceiver;
