#include "gps/greis_receiver.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <clocale>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/ini_file.h"
#include "base/save_report.h"
#include "base/text_utils.h"
#include "edit/work_log.h"
#include "gps/geodesy_bar.h"
#include "gps/geodesy_host.h"
#include "gps/gps_port.h"
#include "maps/user_layer.h"
#include "platform/win.h"
#include "view/map_view.h"

// g_GreisReceiver is defined with the program's other globals, in app/globals.cpp.

namespace {

// Attribute tags of an occupation object.
constexpr uint16_t kAttrHeight = 1, kAttrAltitude = 4, kAttrSiteCode = 9, kAttrLogName = 10,
                   kAttrStartTime = 11, kAttrEndTime = 12, kAttrEmpty = 99;
constexpr uint16_t kOccupationCode = 2;   // the layer's type code while a stretch is begun
constexpr uint64_t kLossEpochs = 10;      // invalid epochs after the last valid fix: a loss
constexpr uint64_t kTrackingReady = 900;  // epochs of unbroken tracking that suffice
constexpr uint64_t kPoorWindow = 10, kVeryPoorWindow = 120;
// OLE dates of 1980-01-01 and 2100-01-01: a stored start date outside them is damage.
constexpr double kOleDate1980 = 29221.0, kOleDate2100 = 73051.0;

// The receiver writes a point whatever the user's locale.
double ParseDecimal(const std::string& text, bool* isNumber) {
  const char* begin = text.c_str();
  char* end = nullptr;
  locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
  const double v = c ? strtod_l(begin, &end, c) : std::strtod(begin, &end);
  if (c) freelocale(c);
  if (isNumber) *isNumber = end != begin;
  return end != begin ? v : 0.0;
}

// The integer at the start of the text (blanks and a sign allowed), saturated to int32; 0 when
// there is none.
int ParseInt(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const long long v = std::strtoll(begin, &end, 10);
  if (end == begin) return 0;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int(v);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

void CopyText(char* dst, size_t capacity, const std::string& src) {
  const size_t n = std::min(src.size(), capacity - 1);
  std::memcpy(dst, src.data(), n);
  dst[n] = 0;
}

double UtcNowAsOleDate() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  double date = 0;
  SystemTimeToVariantTime(&now, &date);
  return date;
}

std::string FixTime(const GpsFix& fix) {
  return Format("%02i:%02i:%02i", fix.utc.wHour, fix.utc.wMinute, fix.utc.wSecond);
}

}  // namespace

// ---- binding and the dialogue ---------------------------------------------------------------

void TGreisReceiver::Bind(TGpsPort* p, const char* path) {
  port = p;
  backupPath = path ? path : "";
  inStep_ = true;  // a new line owes nothing
  tag_ = 0;
}

void TGreisReceiver::SetAntennaType(const char* text) { antennaType = text ? text : ""; }

bool TGreisReceiver::IsReady() const {
  return port && port->IsOpen() && port->GetSourceType() == TGpsPort::kGreis;
}

void TGreisReceiver::EnterCommandMode() {
  if (port) port->SetCommandMode(1);
}

void TGreisReceiver::LeaveCommandMode() {
  if (port) port->SetCommandMode(0);
}

// ---- reply forms ----------------------------------------------------------------------------
//
// A reply is "RE", three length characters, the command's identifier when it had one ("%id%"),
// then the payload and CR LF. What the payload must look like follows from the command:
//
//   print of a size, a free size, a file count, a log size ("...&size")   " " and an integer
//   print of the board power, the logging period, the elevation mask, PDOP  " " and a decimal
//   print of the satellite systems, list                                    "{" a list "}"
//   print of the identity, model, create prefix, current log                " " and a text
//   print of anything else                                                  " " text or a list
//   set, em, dm, create, event and the other commands without output        nothing
//   a command with an identifier ("%%get", "%%remove", "%%")                 anything after it
//
// "ER" and three length characters is the receiver's refusal. A long list may come as several
// messages, each but the first "RE", three length characters and "{".

struct TGreisReceiver::ReplyForm {
  enum Payload { kNothing, kAnything, kText, kInteger, kDecimal, kList, kTextOrList };
  std::string id;  // the identifier the reply echoes; empty for none
  Payload payload = kAnything;
};

namespace {

using Form = TGreisReceiver::ReplyForm;
constexpr auto kReplyTime = std::chrono::milliseconds(TGpsPort::kReplyEmptyReads * 10);

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// "RE" or "ER" and three length characters at the start of `line`.
bool HasHeader(const std::string& line, const char* head) {
  return line.size() >= 5 && line[0] == head[0] && line[1] == head[1] && IsHex(line[2]) &&
         IsHex(line[3]) && IsHex(line[4]);
}

// The identifier at the start of a command line ("%id%"), empty when there is none.
std::string IdentifierOf(const std::string& line) {
  if (line.empty() || line[0] != '%') return "";
  const size_t close = line.find('%', 1);
  return close == std::string::npos ? "" : line.substr(0, close + 1);
}

Form::Payload PayloadOf(const std::string& command) {
  static const struct {
    const char* line;
    Form::Payload payload;
  } kPrints[] = {
      {"print,/par/dev/blk/a/size", Form::kInteger}, {"print,/par/dev/blk/a/free", Form::kInteger},
      {"print,/par/dev/blk/a/files", Form::kInteger}, {"print,/par/pwr/board", Form::kDecimal},
      {"print,/par/log/sc/period", Form::kDecimal}, {"print,/par/pos/elm", Form::kDecimal},
      {"print,/par/pos/pdop", Form::kDecimal},      {"print,/par/pos/sys", Form::kList},
      {"print,/par/rcv/id", Form::kText},           {"print,/par/rcv/model", Form::kText},
      {"print,/par/cmd/create/prefix", Form::kText}, {"print,/cur/log", Form::kText},
  };
  std::string name = command;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  for (const auto& p : kPrints)
    if (name == p.line) return p.payload;
  const auto starts = [&name](const char* prefix) { return name.rfind(prefix, 0) == 0; };
  const auto ends = [&name](const char* suffix) {
    const size_t n = std::strlen(suffix);
    return name.size() >= n && name.compare(name.size() - n, n, suffix) == 0;
  };
  if (starts("print,") && ends("&size")) return Form::kInteger;
  if (starts("print,")) return Form::kTextOrList;
  if (starts("list,")) return Form::kList;
  return Form::kNothing;
}

// A whole number, or a decimal one (digits with at most one point and an exponent), and nothing
// after it but blanks.
bool IsNumber(const std::string& text, bool decimal) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (decimal && i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (decimal && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    const size_t from = j;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j == from) return false;
    i = j;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  return i == text.size();
}

// Whether `line` (one message: whole through its LF, or its first bytes when `whole` is false)
// is a reply of `form`; `payload` gets what follows the header and the identifier, a blank
// before a plain value dropped, a trailing CR LF cut.
bool Accepts(const Form& form, const std::string& line, bool whole, std::string* payload) {
  if (!HasHeader(line, "RE") || line.compare(5, form.id.size(), form.id) != 0) return false;
  std::string rest = line.substr(5 + form.id.size());
  if (whole) {
    if (!rest.empty() && rest.back() == '\n') rest.pop_back();
    if (!rest.empty() && rest.back() == '\r') rest.pop_back();
  }
  const bool list = !rest.empty() && rest[0] == '{';
  const bool value = !rest.empty() && rest[0] == ' ';
  bool ok = false;
  switch (form.payload) {
    case Form::kNothing: ok = whole && rest.empty(); break;
    case Form::kAnything: ok = true; break;
    case Form::kText: ok = value; break;
    case Form::kList: ok = list; break;
    case Form::kTextOrList: ok = value || list; break;
    case Form::kInteger:
    case Form::kDecimal:
      // A number is never cut: a long one is no number at all.
      ok = whole && value && IsNumber(rest.substr(1), form.payload == Form::kDecimal);
      break;
  }
  if (!ok) return false;
  *payload = value ? rest.substr(1) : rest;
  return true;
}

}  // namespace

int TGreisReceiver::ReadByte(char* c) {
  // A read of one byte never takes a byte of the next line; it waits up to 200 empty reads of
  // 10 ms for it.
  char buffer[2];
  const DWORD got = port->ReadReply(buffer, sizeof buffer);
  if (got == TGpsPort::kIoFailed) return -1;
  if (got == 1) {
    *c = buffer[0];
    return 1;
  }
  return port->GetLastReplyEmptyReads() < TGpsPort::kReplyEmptyReads ? -2 : 0;
}

bool TGreisReceiver::ReadReplyOf(const ReplyForm& expected, std::string* payload) {
  // The 2 s run from the write; bytes that keep coming (lines of other forms) do not stretch
  // them, and silence ends the wait about 2 s after the last byte, so the longest wait is
  // about 4 s.
  const auto deadline = std::chrono::steady_clock::now() + kReplyTime;
  static const ReplyForm kNextMessage{"", ReplyForm::kList};
  std::string gathered;  // the reply's payload so far: a list may continue in further messages
  bool continuing = false;
  size_t budget = kReplyBytes;  // bytes of the reply's messages that are used
  std::string line;
  for (;;) {
    // One line through its LF; a line longer than what is left of the budget keeps its head.
    line.clear();
    bool whole = false;
    for (;;) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      char c = 0;
      const int r = ReadByte(&c);
      if (r < 0) return false;
      if (r == 0) continue;  // silence: the deadline has passed
      if (line.size() >= budget) {
        if (c == '\n') break;  // the end of a long line of another form
        continue;
      }
      line += c;
      if (c == '\n') {
        whole = true;
        break;
      }
      // A reply cut at the budget is complete as it stands; any other line is read to its end.
      std::string cut;
      if (line.size() == budget && Accepts(continuing ? kNextMessage : expected, line, false, &cut))
        break;
    }
    if (HasHeader(line, "RE") || HasHeader(line, "ER")) heardSinceStart_.store(true);
    if (HasHeader(line, "ER")) return false;  // refused (perhaps an earlier command: out of step)
    std::string part;
    if (!continuing) {
      if (!Accepts(expected, line, whole, &part)) continue;  // another command's, or a sentence
    } else {
      // The next message of a list: "RE", three length characters and "{", whole as it came.
      if (!HasHeader(line, "RE") || line.size() < 6 || line[5] != '{') continue;
      part = line;
      if (whole && part.size() >= 2 && part[part.size() - 2] == '\r') part.resize(part.size() - 2);
      gathered += "\r\n";
    }
    gathered += part;
    budget -= std::min(budget, line.size());
    // A list that did not close goes on in the next message, while bytes of the budget remain.
    const bool listOpen = !gathered.empty() && gathered[0] == '{' && whole &&
                          (expected.payload == ReplyForm::kList ||
                           expected.payload == ReplyForm::kTextOrList) &&
                          gathered.back() != '}';
    if (!listOpen || budget < 6) break;
    continuing = true;
  }
  *payload = std::move(gathered);
  return true;
}

bool TGreisReceiver::Command(const char* line, std::string* reply) {
  if (!port || !line) return false;
  port->Drain();  // stale replies of raw writes, or a late answer to an earlier command
  std::string text = line;
  ReplyForm form;
  form.id = IdentifierOf(text);
  const std::string command = text.substr(form.id.size());
  form.payload = form.id.empty() ? PayloadOf(command) : ReplyForm::kAnything;
  if (!inStep_) {
    // A reply of an earlier command may still come, looking like this one's: this one is
    // identified, and only its echo counts.
    tag_ = tag_ >= 999 ? 1 : tag_ + 1;
    form.id = "%" + std::to_string(tag_) + "%";
    text = form.id + command;
  }
  inStep_ = false;  // until its reply has come
  if (port->Send(text.c_str()) == TGpsPort::kIoFailed) return false;
  if (!reply) return true;  // its reply is still owed
  std::string payload;
  if (!ReadReplyOf(form, &payload)) return false;
  inStep_ = true;
  *reply = std::move(payload);
  return true;
}

GpsFix* TGreisReceiver::GetFix(GpsFix* dst) {
  if (port) return port->GetFix(dst);
  *dst = GpsFix{};
  dst->status = 'V';
  return dst;
}

int TGreisReceiver::Reconnect() { return port ? port->Reconnect() : 0; }

// ---- queries --------------------------------------------------------------------------------

bool TGreisReceiver::GetMemory(int* size, int* freeBytes) {
  std::string reply;
  const bool haveSize = Command("print,/par/dev/blk/a/size\n", &reply);
  const int sizeValue = haveSize ? ParseInt(reply) : -1;
  const bool haveFree = Command("print,/par/dev/blk/a/free\n", &reply);
  const int freeValue = haveFree ? ParseInt(reply) : -1;
  if (size) *size = sizeValue;
  if (freeBytes) *freeBytes = freeValue;
  return haveSize || haveFree;
}

bool TGreisReceiver::GetPower(float* volts) {
  std::string reply;
  if (!Command("print,/par/pwr/board\n", &reply)) return false;
  const double v = ParseDecimal(reply, nullptr);
  if (volts) *volts = std::isfinite(v) && std::fabs(v) < 1e6 ? float(v) : 0.0f;
  return true;
}

bool TGreisReceiver::GetCurrentLogSize(int* size) {
  std::string reply;
  if (!Command("print,/cur/log&size\n", &reply)) return false;
  if (size) *size = ParseInt(reply);
  return true;
}

bool TGreisReceiver::GetReceiverId(std::string* id) {
  std::string reply;
  if (!Command("print,/par/rcv/id\n", &reply)) return false;
  if (id) *id = std::move(reply);
  return true;
}

bool TGreisReceiver::GetCreatePrefix(std::string* prefix) {
  std::string reply;
  // A prefix that long leaves no room for the date and the site codes after it.
  if (!Command("print,/par/cmd/create/prefix\n", &reply) || reply.size() > kPrefixMax) return false;
  if (prefix) *prefix = std::move(reply);
  return true;
}

bool TGreisReceiver::GetModel(std::string* model) {
  std::string reply;
  if (!Command("print,/par/rcv/model\n", &reply)) return false;
  if (model) *model = std::move(reply);
  return true;
}

bool TGreisReceiver::GetCurrentLog(std::string* name) {
  std::string reply;
  if (!Command("print,/cur/log\n", &reply)) return false;
  const size_t cut = reply.find_last_of("/\\");
  std::string file = cut == std::string::npos ? reply : reply.substr(cut + 1);
  if (file.size() > kLogNameMax) return false;
  if (name) *name = std::move(file);
  return true;
}

bool TGreisReceiver::GetCurrentLog(char* buffer) {
  std::string name;
  if (!GetCurrentLog(&name)) return false;
  if (buffer) CopyText(buffer, 256, name);
  return true;
}

bool TGreisReceiver::GetDescription(std::string* text) {
  std::string model, id;
  const bool haveModel = GetModel(&model);
  const bool haveId = GetReceiverId(&id);
  if (!haveModel && !haveId) return false;
  if (text) *text = model + " ID:" + id;
  return true;
}

bool TGreisReceiver::ListLogFiles(std::vector<ReceiverLogFile>* files) {
  if (files) files->clear();
  std::string reply;
  if (!Command("print,/par/dev/blk/a/files\n", &reply)) return false;
  // The count only bounds the names taken; it never sizes anything.
  const int count = std::max(0, ParseInt(reply));
  if (count == 0) return true;
  if (!Command("list,/log\n", &reply) || reply.empty() || reply[0] != '{') return false;

  // "{a,b,...}"; a long list comes as several messages, each continuing with CR LF, "RE", three
  // length characters and "{". A name the reply cut short (no "," or "}" after it) is dropped.
  std::vector<ReceiverLogFile> found;
  size_t start = 1;
  for (size_t i = 1; i < reply.size() && found.size() < size_t(count); ++i) {
    const char c = reply[i];
    const bool messageEnd = c == '\r' && i + 1 < reply.size() && reply[i + 1] == '\n';
    if (c != ',' && c != '}' && !messageEnd) continue;
    if (i > start) found.push_back({reply.substr(start, i - start), -1});
    if (c == '}') break;
    if (messageEnd) {
      if (reply.compare(i + 2, 2, "RE") != 0 || i + 7 >= reply.size() || reply[i + 7] != '{')
        break;
      i += 7;  // onto the next message's brace
    }
    start = i + 1;
  }
  if (found.size() > size_t(count)) found.resize(size_t(count));
  for (ReceiverLogFile& file : found) {
    const std::string line = "print,/log/" + file.name + "&size\n";
    if (Command(line.c_str(), &reply)) file.size = ParseInt(reply);
  }
  if (files) *files = std::move(found);
  return true;
}

// ---- file transfer ------------------------------------------------------------------------

namespace {

constexpr int kBlockBytes = 518;   // type, length, 512 data bytes, CRC, 0x03
constexpr int kBlockData = 512;
constexpr int kLastBlock = 4;
constexpr char kNak[] = "\x15", kAck[] = "\x06";
constexpr int kDamagedTries = 10;  // damaged blocks in a row that end a copy
constexpr int kSilentTries = 3;    // silent tries (about 3 s each) in a row that end one

}  // namespace

bool TGreisReceiver::IsSafeLogName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || c == '/' || c == ':') return false;
  return true;
}

void TGreisReceiver::BuildCrcTable() {
  for (int i = 0; i < 256; ++i) {
    uint16_t crc = uint16_t(i << 8);
    for (int bit = 0; bit < 8; ++bit) crc = uint16_t(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    crcTable[i] = crc;
  }
}

uint16_t TGreisReceiver::Crc16(uint16_t seed, const uint8_t* bytes, size_t count) const {
  uint16_t crc = seed;
  for (size_t i = 0; i < count; ++i) crc = uint16_t((crc << 8) ^ crcTable[((crc >> 8) ^ bytes[i]) & 0xFF]);
  return crc;
}

bool TGreisReceiver::RemoveLog(const char* name) {
  if (!name || !IsSafeLogName(name)) return false;
  std::string reply;
  return Command(("%%remove,\"/log/" + std::string(name) + "\"\n").c_str(), &reply);
}

int64_t TGreisReceiver::DownloadLog(const char* name, const char* localPath, HWND progress,
                                    const std::atomic<bool>* cancel) {
  if (!port || !name || !localPath || !IsSafeLogName(name)) return kDownloadCannotCreate;
  // The copy is made beside the destination and takes its place only when whole; a path that
  // does not fit is refused, never cut into another file's name.
  const std::string temporary = std::string(localPath) + ".tmp";
  if (temporary.size() > 255) return kDownloadCannotCreate;
  const std::wstring wideTemporary = PathToWide(temporary);
  const std::wstring wideDestination = PathToWide(localPath);
  HANDLE file = CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE || !file) return kDownloadCannotCreate;

  std::string reply;
  if (!Command(("%%get,\"/log/" + std::string(name) + "\":{300},0\n").c_str(), &reply)) {
    CloseHandle(file);
    DeleteFileW(wideTemporary.c_str());
    return kDownloadRefused;
  }
  BuildCrcTable();
  uint16_t seed = 0;
  const char* answer = kNak;
  int64_t total = 0;
  bool complete = false, writeFailed = false;
  int damaged = 0, silent = 0;
  uint8_t block[kBlockBytes];
  auto cancelled = [cancel] { return cancel && cancel->load(); };
  while (!cancelled()) {
    // After a failure the rest of a broken block would be read as the start of the next one.
    if (damaged || silent) port->Drain();
    if (port->Send(answer) == TGpsPort::kIoFailed) break;
    const DWORD got = port->ReadBlock(block, kBlockBytes);
    if (got == TGpsPort::kIoFailed) break;
    if (got == 0) {
      if (cancelled() || ++silent >= kSilentTries) break;
      answer = kNak;
      continue;
    }
    silent = 0;
    const uint16_t crc = Crc16(seed, block, kBlockBytes - 3);
    const bool last = block[0] == kLastBlock;
    const int length = last ? int(int16_t(uint16_t(block[1] | (block[2] << 8)))) : kBlockData;
    const bool taken = block[kBlockBytes - 1] == 0x03 &&
                       uint16_t(block[515] | (block[516] << 8)) == crc && length >= 0 &&
                       length <= kBlockData;
    if (!taken) {
      if (++damaged >= kDamagedTries) break;
      answer = kNak;  // the same block again
      continue;
    }
    damaged = 0;
    seed = crc;
    DWORD written = 0;
    if (length > 0 && (!WriteFile(file, block + 3, DWORD(length), &written, nullptr) ||
                       written != DWORD(length))) {
      writeFailed = true;
      break;
    }
    total += length;
    if (progress) SendMessageW(progress, kProgressMessage, WPARAM(length), 0);
    if (last) {
      complete = true;
      break;
    }
    answer = kAck;
  }
  // The receiver ends the transfer either way.
  Command("%%\n", &reply);
  if (complete && !writeFailed && !FlushFileBuffers(file)) writeFailed = true;
  if (!CloseHandle(file)) writeFailed = true;
  if (!complete || writeFailed || cancelled()) {
    DeleteFileW(wideTemporary.c_str());
    return kDownloadIncomplete;
  }
  // One replacing rename: an older copy of the file stays until the new one takes its name.
  if (!MoveFileExW(wideTemporary.c_str(), wideDestination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(wideTemporary.c_str());
    return kDownloadIncomplete;
  }
  return total;
}

// ---- logging --------------------------------------------------------------------------------

uint64_t TGreisReceiver::GetEpoch() const {
  if (!(period > 0) || !std::isfinite(period)) return 0;
  const double seconds = double(GpsTick64() / 1000);
  return uint64_t(seconds / period);
}

void TGreisReceiver::StartLogging(int resume) {
  // A receiver that speaks no GREIS has no log to record: nothing is named, begun or noted.
  if (!IsReady()) return;
  linkLost = false;
  heardSinceStart_.store(false);
  TCommandBracket bracket(*this);
  bool fresh = !resume;
  int takenUp = 0;
  if (resume) {
    std::string current;
    if (GetCurrentLog(&current)) {
      CopyText(logName, sizeof logName, current);
      takenUp = LoadState();
      // Nothing taken up: the work time counts from this start, not from an older log's.
      if (!takenUp) startDate = UtcNowAsOleDate();
    } else {
      fresh = true;  // never log under an empty or stale name
    }
  }
  if (fresh) {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    std::string prefix;
    if (!GetCreatePrefix(&prefix)) prefix = "log";
    const std::string name = prefix + Format("%02i%02i_%02i%02i%02i", local.wMonth, local.wDay,
                                             local.wHour, local.wMinute, local.wSecond);
    CopyText(logName, sizeof logName, name);
    startDate = UtcNowAsOleDate();
  }
  std::string reply;
  period = 1.0;
  if (Command("print,/par/log/sc/period\n", &reply)) {
    bool isNumber = false;
    const double v = ParseDecimal(reply, &isNumber);
    if (isNumber && std::isfinite(v) && v >= 0) period = v;
  }
  if (fresh) {
    port->Send(("create," + std::string(logName) + "\n").c_str());
    port->Send(Format("em,/cur/log,def:%0.2f\n", period).c_str());
  }
  lockLost = 1;
  if (!takenUp) {
    trackingStart = GetEpoch();
    lossCount = 0;
    staticCount = kinematicCount = dynamicCount = 0;
  }
  bracket.End();
  BeginDynamic();
}

void TGreisReceiver::StopLogging() {
  if (IsDownloading()) {
    MessageBeep(MB_OK);
    return;
  }
  if (!logName[0]) return;  // no log is being recorded
  // One recording, one line: a stop on a lost link leaves the log to be resumed, and the
  // resumed log's own stop writes the line from the recording's start. A start the receiver
  // never answered (silent from the first query on) recorded nothing anybody knows of: no line,
  // and no state to offer a resume of.
  const bool heard = heardSinceStart_.load();
  const bool keepForResume = linkLost && heard;
  if (!linkLost && heard) WriteWorkTime();
  CloseOccupation(kind);
  // On a dead link the receiver may still be writing the log, and may still hear us: the log
  // is left running and its state kept, so that the next start offers to resume it.
  if (!linkLost && IsReady()) port->Send("dm,/cur/log\n");
  logName[0] = 0;
  if (!keepForResume) DeleteFileW(PathToWide(backupPath).c_str());
  linkLost = false;
}

void TGreisReceiver::WriteWorkTime() {
  SYSTEMTIME now{}, start{};
  GetSystemTime(&now);
  if (!VariantTimeToSystemTime(startDate, &start)) start = now;
  const std::string line =
      Format("%i-%02i-%02i %02i:%02i:%02i\t%i-%02i-%02i %02i:%02i:%02i\t", start.wYear,
             start.wMonth, start.wDay, start.wHour, start.wMinute, start.wSecond, now.wYear,
             now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond) +
      logName;
  // The log is bound once a run, to the map that is working at the first stop; a stop without
  // a working map binds nothing, so a later stop with one still finds its log.
  if (!workTimeBound) {
    TMdmMap* map = g_UserLayer.open ? g_UserLayer.map : nullptr;
    if (map && map->path[0]) {
      workLogPath = work_log::LogPathOf(map->path);
      workTimeBound = 1;
    }
  }
  if (workTimeBound) work_log::AppendToSection(workLogPath, work_log::kWorkTime, line);
}

void TGreisReceiver::BeginStatic(const char* name) { BeginStretch(kStatic, name); }
void TGreisReceiver::BeginKinematic(const char* name) { BeginStretch(kKinematic, name); }
void TGreisReceiver::BeginDynamic() { BeginStretch(kDynamic, nullptr); }

void TGreisReceiver::BeginStretch(int newKind, const char* givenName) {
  if (IsDownloading()) {
    MessageBeep(MB_OK);
    return;
  }
  CloseOccupation(kind);
  kind = newKind;
  stretchPlace = Place{};  // the next stretch is measured anew
  if (givenName && newKind != kDynamic) {
    CopyText(siteName, kSiteNameMax + 1, givenName);
  } else {
    NextSiteName();
  }
  if (newKind == kStatic) occupationStart = lastPoorGeometry = lastVeryPoorGeometry = GetEpoch();
  const std::string line = std::string("event,\"_SIT=") + siteName + "\"&&event,\"_DYM=" +
                           (newKind == kStatic ? "STATIC" : "DYNAMIC") +
                           "\"&&event,\"_ANH=0\"&&event,\"_ANT=" + antennaType + "\"\n";
  // Written without a dialogue: the reader drops the receiver's answer as a foreign line.
  if (IsReady()) port->Send(line.c_str());
  OpenOccupation();
}

void TGreisReceiver::NextSiteName() {
  char letter = 'V';
  int* counter = &dynamicCount;
  if (kind == kKinematic) letter = 'K', counter = &kinematicCount;
  if (kind == kStatic) letter = 'S', counter = &staticCount;
  const std::string code = Format("%c%03i", letter, *counter);
  if (*counter < INT32_MAX) ++*counter;
  CopyText(siteCode, sizeof siteCode, code);
  // The code always survives: a long log name gives way.
  const size_t room = kSiteNameMax - 1 - code.size();
  const std::string name = std::string(logName).substr(0, room) + "_" + code;
  CopyText(siteName, sizeof siteName, name);
}

int TGreisReceiver::UpdateTracking() {
  GpsFix fix{};
  GetFix(&fix);
  GpsFix measured{};
  TakeMeasuredFix(&measured);
  return UpdateTracking(fix);
}

bool TGreisReceiver::TakeMeasuredFix(GpsFix* fix) {
  if (!port || !port->GetMeasuredFix(fix)) return false;
  // The view's position is the last tick's, of a fix at most one tick older than this one.
  if (g_MapView.gpsState == 1) {
    stretchPlace.known = true;
    stretchPlace.x = g_MapView.gpsX;
    stretchPlace.y = g_MapView.gpsY;
    stretchPlace.altitude = g_MapView.gpsAltitude;
  }
  return true;
}

int TGreisReceiver::UpdateTracking(const GpsFix& fix) {
  const uint64_t now = GetEpoch();
  if (fix.status == 'A') {
    lastValidFix = now;
    lockLost = 0;
    if (fix.pdop > 3.0f) {
      lastPoorGeometry = now;
      if (fix.pdop > 8.0f) lastVeryPoorGeometry = now;
    }
  } else {
    lastVeryPoorGeometry = lastPoorGeometry = now;
    if (now - lastValidFix > kLossEpochs) {
      trackingStart = now;
      occupationStart = now;
      if (!lockLost) ++lossCount;
      lockLost = 1;
    }
  }
  return lossCount;
}

bool TGreisReceiver::GetTrackingTime(uint64_t* epochs) const {
  const uint64_t t = GetEpoch() - trackingStart;
  if (epochs) *epochs = t;
  return t >= kTrackingReady;
}

bool TGreisReceiver::GetOccupationTime(uint64_t* epochs) const {
  const uint64_t now = GetEpoch();
  if (epochs) *epochs = now - occupationStart;
  return now - lastPoorGeometry > kPoorWindow || now - lastVeryPoorGeometry > kVeryPoorWindow;
}

// ---- occupation objects ---------------------------------------------------------------------

void TGreisReceiver::OpenOccupation() {
  SaveState();
  if (occupationOpen) return;
  occupationOpen = 1;
  occupationObject = 0;
  g_UserLayer.trackCode = kOccupationCode;
  const int32_t index = g_UserLayer.BeginObject();
  TMdmMap* map = g_UserLayer.open ? g_UserLayer.map : nullptr;
  if (!map || index <= 0) return;
  occupationObject = index;
  const uint16_t object = uint16_t(index);
  map->SetStrAttr(object, kAttrSiteCode, siteCode);
  map->SetStrAttr(object, kAttrLogName, logName);
  map->SetStrAttr(object, kAttrEmpty, "");
  // Only a time the receiver measured: before its first fix the record holds "00:00:00", while
  // it is silent the time of its last.
  GpsFix fix{};
  if (TakeMeasuredFix(&fix)) map->SetStrAttr(object, kAttrStartTime, FixTime(fix).c_str());
}

void TGreisReceiver::CloseOccupation(int closingKind) {
  if (!occupationOpen) return;
  occupationOpen = 0;
  FinishOccupationObject(closingKind);
  g_UserLayer.EndObject();
  if (g_GeodesyBar.mainWindow) InvalidateRect(g_GeodesyBar.mainWindow, nullptr, TRUE);
}

void TGreisReceiver::BeforeWorkingMapLetGo() {
  // The next working map numbers its objects anew: a kept index would name one of its objects,
  // which the close would retype or delete and the bar's site field write into. An open record
  // is finished here, in its own map, at the time of the change, with the site name typed so
  // far; a closed one is only forgotten.
  g_GeodesyBar.LetGoOfRecord();
  if (occupationOpen) FinishOccupationObject(kind);
  occupationObject = 0;
}

void TGreisReceiver::FinishOccupationObject(int closingKind) {
  const uint16_t code = g_GeodesyBar.GetAntennaCode(closingKind);
  const float height = g_GeodesyBar.GetAntennaHeight(closingKind);
  TMdmMap* map = g_UserLayer.open ? g_UserLayer.map : nullptr;
  GpsFix fix{};
  const bool measured = TakeMeasuredFix(&fix);
  if (map && occupationObject > 0) {
    const uint16_t begun = uint16_t(occupationObject);
    uint16_t stretch = begun;
    if (closingKind == kStatic && !stretchPlace.known) {
      // Not one fix in the whole occupation: there is no place to put its point, and a point
      // elsewhere would be a site that was never measured. The receiver's log keeps the
      // occupation; the map gets none.
      g_UserLayer.DeleteObject(begun);
      occupationObject = 0;
      g_UserLayer.SetModified();
      return;
    }
    if (closingKind == kStatic) {
      const int32_t point =
          g_UserLayer.AddObject(code, stretchPlace.x, stretchPlace.y, nullptr);
      if (point > 0) {
        stretch = uint16_t(point);
        g_UserLayer.SetObjectCode(stretch, code);
        g_UserLayer.CopyAttrs(stretch, begun);
        g_UserLayer.DeleteObject(begun);
        map->SetIntAttr(stretch, kAttrAltitude, float(stretchPlace.altitude));
      } else {
        // No point could be placed (outside the map): the begun object keeps the stretch's
        // record.
        g_UserLayer.SetObjectCode(begun, code);
      }
    } else {
      g_UserLayer.SetObjectCode(begun, code);
      if (measured) map->SetStrAttr(begun, kAttrEndTime, FixTime(fix).c_str());
    }
    map->SetIntAttr(stretch, kAttrHeight, height);
    occupationObject = stretch;
    g_UserLayer.SetModified();
  }
}

// ---- the state file -------------------------------------------------------------------------

void TGreisReceiver::SaveState() {
  if (backupPath.empty()) return;
  TIniFile ini;
  ini.SetString("CLN", logName);
  ini.SetInt("SOC", staticCount);
  ini.SetInt("KOC", kinematicCount);
  ini.SetInt("VOC", dynamicCount);
  ini.SetInt("EC", lossCount);
  const uint64_t swt = GetEpoch() - trackingStart;
  ini.SetInt("SWT", swt > uint64_t(INT32_MAX) ? INT32_MAX : int(swt));
  ini.SetFloat("OTD", startDate);
  // Written at every occupation: a full card is told once a run, and the old state stays.
  if (ini.SaveAs(backupPath.c_str()) != TIniFile::kOk)
    ReportSaveFailure(TSaveKind::kReceiverState, backupPath.c_str());
}

int TGreisReceiver::LoadState() {
  if (backupPath.empty()) return 0;
  TIniFile ini;
  if (ini.Load(backupPath.c_str()) != TIniFile::kOk) return 0;
  const char* cln = ini.FindKey("CLN");
  if (!cln || std::strcmp(cln, logName) != 0) return 0;
  staticCount = std::max(0, ini.GetInt("SOC"));
  kinematicCount = std::max(0, ini.GetInt("KOC"));
  dynamicCount = std::max(0, ini.GetInt("VOC"));
  lossCount = std::max(0, ini.GetInt("EC"));
  const uint64_t now = GetEpoch();
  const uint64_t swt = uint64_t(std::max(0, ini.GetInt("SWT")));
  trackingStart = now - std::min(swt, now);
  const double otd = ini.GetFloat("OTD");
  startDate = std::isfinite(otd) && otd >= kOleDate1980 && otd <= kOleDate2100
                  ? otd
                  : UtcNowAsOleDate();
  return 1;
}
