// The receiver file manager (dialog 171): lists the log files in the geodetic receiver's memory
// and copies them into a local folder as ".jps" files, moves them (copy, then remove on the
// receiver) or removes them. Copies run on a worker thread inside one command dialogue while the
// progress dialog (172) shows the bytes received and lets the operator cancel.
//
// Invariants:
//   - Nothing is removed from the receiver unless its copy was verified complete in this batch
//     and a fresh size query still gives the bytes copied (a log still growing stays).
//   - The worker touches no window: the folder is read on the UI thread before it starts; the
//     replace question, the file name, the progress and the end go as messages sent to 172.
//   - No thread is killed: a cancel ends the pending port read and the worker leaves its
//     dialogue on its own; the UI thread waits for it while dispatching messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "base/ui/list_view_ctl.h"
#include "gps/greis_receiver.h"
#include "platform/win.h"

class TReceiverFilesDlg {
 public:
  static constexpr int kTemplate = 171, kProgressTemplate = 172;
  enum Control {
    kList = 1016,
    kFolder = 2110,
    kCopy = 2106,
    kMove = 2107,
    kDelete = 2108,
    kClose = 2109,
    kBrowse = 2345,
    kCaption = 2428,
    kBar = 2111,
    kFileName = 2310,
    kPercent = 2313,
  };
  static constexpr int kMaxSelected = 255;
  // Sent by the worker to dialog 172.
  static constexpr UINT kAskReplace = WM_APP + 0x61;  // lParam: the destination (wide text)
  static constexpr UINT kShowName = WM_APP + 0x62;    // lParam: the file name (wide text)
  static constexpr UINT kBatchDone = WM_APP + 0x63;

  // Runs dialog 171 modally; the main menu's receiver-files command calls it. 1 when it ran.
  static int Run(HWND owner, HINSTANCE instance);

  virtual ~TReceiverFilesDlg();

  // The copy time of `bytes` at 115200 baud with a margin of two, in whole seconds (at least 1),
  // and as text: minutes with "Msg_Min" above 59 s, else seconds with "Msg_Sec".
  static int EstimateSeconds(int64_t bytes);
  static std::wstring EstimateText(int64_t bytes);
  // The size column: right-aligned by blanks for up to eight digits; "--" when unknown.
  static std::wstring SizeText(int32_t size);

  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnProgressMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  HWND dialog = nullptr, owner = nullptr, progress = nullptr;
  HINSTANCE instance = nullptr;
  std::atomic<bool> cancel{false};
  int lastBatch = 0;
  std::vector<ReceiverLogFile> files;
  TListViewCtl list;
  int portOpenedHere = 0;
  int pollStopped = 0;

 private:
  struct Job {
    std::string name;
    int64_t copied = -1;   // bytes of the complete copy; -1 not copied
    bool skipped = false;  // No to the replace question
  };
  void Open();
  void Close();
  void Fill();
  void EnableCommands(bool on);
  std::vector<int> Selected() const;
  // Copies the selected files; true when every one was copied complete or skipped by No.
  bool CopySelected(std::vector<Job>* jobs);
  void Worker();
  void MoveSelected();
  void DeleteSelected();
  void Browse();
  // Asks to cancel (1 and 2 of the progress dialog).
  void AskCancel();

  std::vector<Job> jobs_;
  std::string folder_;  // 8-bit, ending with '\'
  std::string description_;  // the receiver's model and id, empty when it did not say
  int64_t total_ = 0, done_ = 0;
  std::thread worker_;
  std::atomic<bool> workerDone_{true};
  bool batchOk_ = false;
};
