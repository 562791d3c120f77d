#include "gps/receiver_files_dlg.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/idle_clock.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/file_browser.h"
#include "base/ui/shell_utils.h"
#include "gps/geodesy_bar.h"
#include "gps/geodesy_host.h"
#include "gps/gps_port.h"
#include "platform/fresh_state.h"

namespace {

constexpr double kLineBaud = 115200.0;
constexpr int kLongCopySeconds = 30;  // a longer copy is asked about first
// The progress box's "Отмена": the id of the language table's cancel text, as in every dialog.
constexpr int kCancelButton = 4;

TReceiverFilesDlg g_dialog;
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_dialog); });

struct FileRow : TListRowData {
  int index = 0;  // into the file list
};

std::wstring Wide(const std::string& s) { return AnsiToWideString(s); }

std::wstring Printf(const wchar_t* format, const std::wstring& argument) {
  // The language texts carry one "%s".
  std::wstring out;
  const wchar_t* at = format ? std::wcsstr(format, L"%s") : nullptr;
  if (!format) return argument;
  if (!at) return format;
  out.assign(format, at);
  out += argument;
  out += at + 2;
  return out;
}

int Ask(HWND owner, const std::wstring& text, UINT buttons) {
  return MessageBoxW(owner, text.c_str(), g_Lang.GetText(lang_id::kMsgConf),
                     buttons | MB_ICONQUESTION);
}

INT_PTR CALLBACK FilesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_IdleClock.OnUserInput(message);
  return g_dialog.OnMessage(dialog, message, wParam, lParam);
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_IdleClock.OnUserInput(message);
  return g_dialog.OnProgressMessage(dialog, message, wParam, lParam);
}

}  // namespace

TReceiverFilesDlg::~TReceiverFilesDlg() {
  // At program exit a worker can no longer be running: the dialog waits for it.
  if (worker_.joinable()) worker_.join();
}

// ---- texts ----------------------------------------------------------------------------------

int TReceiverFilesDlg::EstimateSeconds(int64_t bytes) {
  const double seconds = double(std::max<int64_t>(bytes, 0)) * 8.0 / kLineBaud * 2.0;
  if (seconds >= double(INT_MAX)) return INT_MAX;
  return std::max(1, int(seconds));
}

std::wstring TReceiverFilesDlg::EstimateText(int64_t bytes) {
  const int seconds = EstimateSeconds(bytes);
  wchar_t text[64];
  if (seconds > 59)
    std::swprintf(text, 64, L"%i %ls", seconds / 60, g_Lang.GetText(lang_id::kMsgMin));
  else
    std::swprintf(text, 64, L"%i %ls", seconds, g_Lang.GetText(lang_id::kMsgSec));
  return text;
}

std::wstring TReceiverFilesDlg::SizeText(int32_t size) {
  // A size of 0 or none has no logarithm: it is padded as one digit.
  const int digits = size > 0 ? int(std::log10(double(size))) : 0;
  const int blanks = std::max(0, int((7 - digits) * 1.7));
  return std::wstring(size_t(blanks), L' ') + (size < 0 ? L"--" : std::to_wstring(size));
}

// ---- the dialog -----------------------------------------------------------------------------

int TReceiverFilesDlg::Run(HWND owner, HINSTANCE instance) {
  if (g_dialog.dialog) return 0;  // already open
  g_dialog.owner = owner;
  g_dialog.instance = instance;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(kTemplate), owner, FilesProc, 0);
  return 1;
}

void TReceiverFilesDlg::Open() {
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dialog;
  info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;
  SHInitDialog(&info);
  RECT area{};
  ProgramHost().FitDialogToMainWindow(&area, dialog);
  g_Lang.TranslateDialog(dialog);
  g_Ini.GetStringToDlgItem("JFMSaveFolder", dialog, kFolder);
  TGpsPort* port = g_GreisReceiver.port;
  if (port && port->IsOpen()) {
    portOpenedHere = 0;
    pollStopped = g_GeodesyBar.StopPoll() ? 1 : 0;
  } else {
    portOpenedHere = 1;
    pollStopped = 0;
    if (IGeodesyHost* host = GetGeodesyHost()) host->StartNavigation();
  }
  static TColumnDesc columns[3] = {{L"", 100}, {L"", 62}, {L"", 66}};
  std::wcsncpy(columns[0].title, g_Lang.GetText(lang_id::kDlgDFMFileName), 99);
  std::wcsncpy(columns[1].title, g_Lang.GetText(lang_id::kDlgDFMSize), 99);
  std::wcsncpy(columns[2].title, g_Lang.GetText(lang_id::kDlgDFMLoadTime), 99);
  list.Attach(instance, dialog, columns, 3, kList);
  if (list.list) SendMessageW(list.list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                              LVS_EX_FULLROWSELECT);
  // A plain NMEA receiver gets no receiver commands: no list and no commands.
  const bool ready = g_GreisReceiver.IsReady();
  description_.clear();
  if (ready) Fill();
  EnableCommands(ready);
  // The receiver's own description names the device once it answered.
  const std::wstring device =
      description_.empty() ? g_Lang.GetText(lang_id::kDlgDFMNoDevice) : Wide(description_);
  std::wstring caption = device + L" " + g_Lang.GetText(lang_id::kDlgDFMOn) + L" " +
                         (port ? port->GetPortName() : L"");
  SetDlgItemTextW(dialog, kCaption, caption.c_str());
}

void TReceiverFilesDlg::EnableCommands(bool on) {
  for (int id : {kCopy, kMove, kDelete}) EnableDlgItem(dialog, id, on ? TRUE : FALSE);
}

void TReceiverFilesDlg::Fill() {
  SetWaitCursor(1);
  list.Clear();
  files.clear();
  description_.clear();
  {
    TCommandBracket bracket(g_GreisReceiver);
    g_GreisReceiver.GetDescription(&description_);
    g_GreisReceiver.ListLogFiles(&files);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    const std::wstring name = Wide(files[i].name);
    const std::wstring size = SizeText(files[i].size);
    const std::wstring time = EstimateText(files[i].size);
    const wchar_t* texts[3] = {name.c_str(), size.c_str(), time.c_str()};
    auto row = std::make_unique<FileRow>();
    row->index = int(i);
    list.AddRow(texts, 0, std::move(row));
  }
  SetWaitCursor(0);
}

std::vector<int> TReceiverFilesDlg::Selected() const {
  std::vector<int> out;
  if (!list.list) return out;
  int item = -1;
  while (out.size() < size_t(kMaxSelected)) {
    item = int(SendMessageW(list.list, LVM_GETNEXTITEM, WPARAM(item), LVNI_SELECTED));
    if (item < 0) break;
    if (const auto* row = static_cast<const FileRow*>(list.GetRowData(item)))
      if (row->index >= 0 && size_t(row->index) < files.size()) out.push_back(row->index);
  }
  return out;
}

void TReceiverFilesDlg::Close() {
  wchar_t folder[256] = {};
  GetDlgItemTextW(dialog, kFolder, folder, 256);
  g_Ini.SetStringFromDlgItem("JFMSaveFolder", dialog, kFolder);
  if (portOpenedHere) {
    if (IGeodesyHost* host = GetGeodesyHost()) host->StopNavigation();
  } else if (pollStopped) {
    g_GeodesyBar.RestartPoll();
  }
  list.Clear();
  list.list = nullptr;
  files.clear();
  EndDialog(dialog, kClose);
}

// ---- copy -----------------------------------------------------------------------------------

bool TReceiverFilesDlg::CopySelected(std::vector<Job>* jobs) {
  jobs->clear();
  int64_t total = 0;
  for (int index : Selected()) {
    jobs->push_back({files[size_t(index)].name, -1, false});
    total += std::max<int32_t>(files[size_t(index)].size, 0);
  }
  if (jobs->empty()) return false;
  if (EstimateSeconds(total) > kLongCopySeconds &&
      Ask(dialog, Printf(g_Lang.GetText(lang_id::kMsgCopyTimeAndConf), EstimateText(total)),
          MB_YESNO) != IDYES)
    return false;
  // The folder is read here: the worker touches no window.
  wchar_t folder[256] = {};
  GetDlgItemTextW(dialog, kFolder, folder, 256);
  folder_ = WideToPath(folder);
  if (folder_.size() > 255) folder_.resize(255);
  if (folder_.empty() || folder_.back() != '\\') folder_ += '\\';
  jobs_ = std::move(*jobs);
  total_ = total;
  done_ = 0;
  batchOk_ = false;
  cancel = false;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(kProgressTemplate), dialog, ProgressProc, 0);
  if (worker_.joinable()) worker_.join();
  *jobs = std::move(jobs_);
  // One notice for what the batch left behind (not what the operator skipped).
  std::wstring missing;
  for (const Job& job : *jobs)
    if (job.copied < 0 && !job.skipped) missing += L"\n" + Wide(job.name);
  if (!missing.empty())
    MessageBoxW(dialog, Printf(g_Lang.GetText(lang_id::kMsgNotCopied), missing).c_str(), nullptr,
                MB_OK | MB_ICONWARNING);
  lastBatch = batchOk_ ? 1 : 0;
  return batchOk_;
}

void TReceiverFilesDlg::Worker() {
  bool ok = true;
  g_GreisReceiver.SetDownloading(true);
  {
    TCommandBracket bracket(g_GreisReceiver);
    for (Job& job : jobs_) {
      if (cancel.load()) {
        ok = false;
        break;
      }
      if (!TGreisReceiver::IsSafeLogName(job.name)) {
        ok = false;  // never copied, never removed
        continue;
      }
      const std::string destination = folder_ + job.name + ".jps";
      std::wstring wide = PathToWide(destination);
      if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const LRESULT answer = SendMessageW(progress, kAskReplace, 0, LPARAM(wide.c_str()));
        if (answer == IDNO) {
          job.skipped = true;
          continue;
        }
        if (answer != IDYES) {
          ok = false;
          break;
        }
      }
      std::wstring name = Wide(job.name);
      SendMessageW(progress, kShowName, 0, LPARAM(name.c_str()));
      const int64_t got =
          g_GreisReceiver.DownloadLog(job.name.c_str(), destination.c_str(), progress, &cancel);
      if (got < 0) {
        ok = false;
        break;
      }
      job.copied = got;
    }
  }
  g_GreisReceiver.SetDownloading(false);
  batchOk_ = ok && !cancel.load();
  workerDone_ = true;
  // Posted, not sent: a message sent from this thread is handled inside the dialog's wait for
  // messages, which then goes on waiting; a posted one ends that wait, and its loop sees the end.
  PostMessageW(progress, kBatchDone, 0, 0);
}

void TReceiverFilesDlg::AskCancel() {
  if (!cancel.load()) {
    if (Ask(progress, g_Lang.GetText(lang_id::kMsgBreakCopyConf), MB_YESNO) != IDYES) return;
    cancel = true;
    if (g_GreisReceiver.port) g_GreisReceiver.port->CancelRead();
    return;
  }
  Sleep(1000);
  if (workerDone_.load()) return;
  if (Ask(progress, g_Lang.GetText(lang_id::kMsgProcKillConf), MB_YESNO) != IDYES) return;
  // Not killed: the pending read ends and the worker leaves its dialogue; its end closes 172.
  if (g_GreisReceiver.port) g_GreisReceiver.port->CancelRead();
  MSG msg;
  while (!workerDone_.load()) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

INT_PTR TReceiverFilesDlg::OnProgressMessage(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      progress = d;
      g_Lang.TranslateDialog(d);
      const int64_t range = std::max<int64_t>(1, std::min<int64_t>(total_ / 1024, INT_MAX));
      SendDlgItemMessageW(d, kBar, PBM_SETRANGE32, 0, LPARAM(range));
      SetDlgItemTextW(d, kPercent, L"0%");
      workerDone_ = false;
      worker_ = std::thread([this] { Worker(); });
      return TRUE;
    }
    case TGreisReceiver::kProgressMessage: {
      done_ += int64_t(wParam);
      SendDlgItemMessageW(d, kBar, PBM_SETPOS, WPARAM(std::min<int64_t>(done_ / 1024, INT_MAX)), 0);
      // A log still growing sends more than was listed: the percent stops at 100.
      const int percent = total_ > 0 ? int(std::min<int64_t>(100, done_ * 100 / total_)) : 0;
      wchar_t text[16];
      std::swprintf(text, 16, L"%i%%", percent);
      SetDlgItemTextW(d, kPercent, text);
      return TRUE;
    }
    case kAskReplace: {
      const auto* destination = reinterpret_cast<const wchar_t*>(lParam);
      const int answer =
          Ask(d, Printf(g_Lang.GetText(lang_id::kMsgReplaceFileConf), destination), MB_YESNOCANCEL);
      SetWindowLongPtrW(d, DWLP_MSGRESULT, answer);
      return TRUE;
    }
    case kShowName:
      SetDlgItemTextW(d, kFileName, reinterpret_cast<const wchar_t*>(lParam));
      return TRUE;
    case kBatchDone:
      progress = nullptr;
      EndDialog(d, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == kCancelButton) {
        AskCancel();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// ---- move, delete, browse -------------------------------------------------------------------

void TReceiverFilesDlg::MoveSelected() {
  std::vector<Job> jobs;
  if (!CopySelected(&jobs)) return;  // nothing is removed after a batch that failed
  SetWaitCursor(1);
  {
    TCommandBracket bracket(g_GreisReceiver);
    for (const Job& job : jobs) {
      if (job.copied < 0 || job.skipped) continue;
      // A log still being written has grown since its copy: it stays on the receiver.
      std::string reply;
      const std::string query = "print,/log/" + job.name + "&size\n";
      if (!g_GreisReceiver.Command(query.c_str(), &reply)) continue;
      char* end = nullptr;
      const long long size = std::strtoll(reply.c_str(), &end, 10);
      if (end == reply.c_str() || size != job.copied) continue;
      g_GreisReceiver.RemoveLog(job.name.c_str());
    }
  }
  SetWaitCursor(0);
  Fill();
}

void TReceiverFilesDlg::DeleteSelected() {
  if (Ask(dialog, g_Lang.GetText(lang_id::kMsgDelConf), MB_YESNO) != IDYES) return;
  SetWaitCursor(1);
  const std::vector<int> selected = Selected();
  {
    TCommandBracket bracket(g_GreisReceiver);
    for (int index : selected) g_GreisReceiver.RemoveLog(files[size_t(index)].name.c_str());
  }
  SetWaitCursor(0);
  Fill();
}

void TReceiverFilesDlg::Browse() {
  TFileBrowser browser(dialog, instance);
  wchar_t folder[256] = {};
  GetDlgItemTextW(dialog, kFolder, folder, 256);
  browser.folder = folder;
  if (!browser.RunFolder(TFileBrowser::kFolderTemplate, nullptr)) return;
  SetDlgItemTextW(dialog, kFolder, browser.folder.c_str());
}

INT_PTR TReceiverFilesDlg::OnMessage(HWND d, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      dialog = d;
      Open();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kCopy: {
          std::vector<Job> jobs;
          CopySelected(&jobs);
          return TRUE;
        }
        case kMove:
          MoveSelected();
          return TRUE;
        case kDelete:
          DeleteSelected();
          return TRUE;
        case kBrowse:
          Browse();
          return TRUE;
        case kClose:
        case IDOK:
        case IDCANCEL:
          Close();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      dialog = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}
