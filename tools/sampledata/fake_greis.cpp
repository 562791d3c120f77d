#include "tools/sampledata/fake_greis.h"

#include <cstdio>

namespace sample {
namespace {

std::string Framed(const char* head, const std::string& payload) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03X", unsigned(payload.size() & 0xFFF));
  return head + std::string(digits) + payload + "\r\n";
}

// An epoch at `lat`, `lon` (degrees north and east).
std::string NmeaEpoch(bool valid, double pdop, double lat, double lon) {
  char body[160];
  const int latDeg = int(lat), lonDeg = int(lon);
  std::snprintf(body, sizeof body, "GPRMC,101500.00,%c,%02d%07.4f,N,%03d%07.4f,E,000.5,090.0,100426,,,A",
                valid ? 'A' : 'V', latDeg, (lat - latDeg) * 60, lonDeg, (lon - lonDeg) * 60);
  std::string out = NmeaLine(body);
  std::snprintf(body, sizeof body, "GPGSA,A,%c,02,05,09,12,15,18,21,25,,,,,%.1f,0.9,1.5",
                valid ? '3' : '1', pdop);
  out += NmeaLine(body);
  out += NmeaLine("GPGSV,2,1,08,02,45,120,42,05,30,060,38,09,70,300,45,12,12,200,31");
  out += NmeaLine("GPGSV,2,2,08,15,55,010,44,18,25,250,35,21,40,170,40,25,08,090,29");
  return out;
}

bool Starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// A counted pattern, so that a byte out of place shows in a comparison.
std::string Pattern(int64_t size) {
  std::string out(size_t(size), 0);
  for (size_t i = 0; i < out.size(); ++i) out[i] = char((i * 7 + i / 251) & 0xFF);
  return out;
}

// CRC-16, polynomial 0x1021, bit by bit (the program uses a table).
uint16_t Crc(uint16_t crc, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    crc = uint16_t(crc ^ (p[i] << 8));
    for (int b = 0; b < 8; ++b) crc = uint16_t(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

// The name of a "get" or "remove" line: what stands between "/log/ and the next quote.
std::string QuotedLogName(const std::string& command) {
  const size_t from = command.find("\"/log/");
  if (from == std::string::npos) return "";
  const size_t to = command.find('"', from + 6);
  return to == std::string::npos ? "" : command.substr(from + 6, to - from - 6);
}

}  // namespace

FakeGreis::FakeGreis() {
  link_.SetInputHandler([this](std::string_view bytes) { OnInput(bytes); });
}

FakeGreis::~FakeGreis() {
  stop_ = true;
  wake_.notify_all();
  if (responder_.joinable()) responder_.join();
  if (emitter_.joinable()) emitter_.join();
  link_.HangUp();
}

bool FakeGreis::Open() {
  if (!link_.Open()) return false;
  dead_ = false;
  stop_ = false;
  if (!responder_.joinable()) responder_ = std::thread([this] { Responder(); });
  if (!emitter_.joinable()) emitter_ = std::thread([this] { Emitter(); });
  return true;
}

void FakeGreis::HangUp() {
  std::lock_guard write(writeMutex_);
  dead_ = true;
  link_.HangUp();
}

// ---- state ------------------------------------------------------------------------------------

void FakeGreis::SetMemory(int64_t size, int64_t freeBytes) {
  std::lock_guard lock(stateMutex_);
  size_ = size, free_ = freeBytes;
}
void FakeGreis::SetPower(const std::string& volts) {
  std::lock_guard lock(stateMutex_);
  power_ = volts;
}
void FakeGreis::SetIdentity(const std::string& model, const std::string& id) {
  std::lock_guard lock(stateMutex_);
  model_ = model, id_ = id;
}
void FakeGreis::SetPrefix(const std::string& prefix) {
  std::lock_guard lock(stateMutex_);
  prefix_ = prefix;
}
void FakeGreis::SetPeriod(const std::string& period) {
  std::lock_guard lock(stateMutex_);
  period_ = period;
}
void FakeGreis::SetElevationMask(const std::string& degrees) {
  std::lock_guard lock(stateMutex_);
  mask_ = degrees;
}
void FakeGreis::SetCurrentLog(const std::string& name, int64_t size, double bytesPerSecond) {
  std::lock_guard lock(stateMutex_);
  current_ = name, currentBase_ = size, growth_ = bytesPerSecond;
  currentSince_ = std::chrono::steady_clock::now();
}
void FakeGreis::SetNewLogGrowth(double bytesPerSecond) {
  std::lock_guard lock(stateMutex_);
  newLogGrowth_ = bytesPerSecond;
}
void FakeGreis::AddLog(const std::string& name, int64_t size) {
  std::lock_guard lock(stateMutex_);
  logs_.emplace_back(name, size);
  if (size >= 0 && size <= (int64_t(64) << 20)) data_[name] = Pattern(size);
}
void FakeGreis::SetLogData(const std::string& name, const std::string& bytes) {
  std::lock_guard lock(stateMutex_);
  data_[name] = bytes;
  for (auto& [n, size] : logs_)
    if (n == name) size = int64_t(bytes.size());
}
void FakeGreis::GrowLog(const std::string& name, const std::string& bytes) {
  std::lock_guard lock(stateMutex_);
  data_[name] += bytes;
  for (auto& [n, size] : logs_)
    if (n == name) size = int64_t(data_[name].size());
}
std::string FakeGreis::LogData(const std::string& name) {
  std::lock_guard lock(stateMutex_);
  auto it = data_.find(name);
  return it == data_.end() ? "" : it->second;
}
std::vector<std::string> FakeGreis::Removed() {
  std::lock_guard lock(stateMutex_);
  return removed_;
}
void FakeGreis::SetTransfer(const Transfer& transfer) {
  std::lock_guard lock(stateMutex_);
  transfer_ = transfer;
}
double FakeGreis::BlockPhaseSeconds() {
  std::lock_guard lock(stateMutex_);
  return std::chrono::duration<double>(lastBlock_ - firstNak_).count();
}
std::vector<int> FakeGreis::BlocksSent() {
  std::lock_guard lock(stateMutex_);
  return blocksSent_;
}
void FakeGreis::ClearLogs() {
  std::lock_guard lock(stateMutex_);
  logs_.clear();
}
void FakeGreis::SetFileCountText(const std::string& text) {
  std::lock_guard lock(stateMutex_);
  fileCount_ = text;
}
void FakeGreis::SetReply(const std::string& command, const std::string& payload) {
  std::lock_guard lock(stateMutex_);
  replies_[command] = payload;
}
void FakeGreis::SetRawReply(const std::string& command, const std::string& bytes) {
  std::lock_guard lock(stateMutex_);
  rawReplies_[command] = bytes;
}
void FakeGreis::SetFault(const std::string& prefix, Fault fault, int times) {
  std::lock_guard lock(stateMutex_);
  faults_.push_back({prefix, {fault, times}});
}
void FakeGreis::ClearFaults() {
  std::lock_guard lock(stateMutex_);
  faults_.clear();
}
void FakeGreis::SetNoise(const Noise& noise) {
  std::lock_guard lock(stateMutex_);
  noise_ = noise;
  noiseState_ = noise.seed ? noise.seed : 1;
  held_.clear();
}
int FakeGreis::HeldAnswers() {
  std::lock_guard lock(stateMutex_);
  return heldCount_;
}
void FakeGreis::SetNmeaFix(bool valid, double pdop, int periodMs) {
  std::lock_guard lock(stateMutex_);
  fixValid_ = valid, pdop_ = pdop, nmeaPeriodMs_ = periodMs > 0 ? periodMs : 200;
}
void FakeGreis::SetNmeaPosition(double latitude, double longitude) {
  std::lock_guard lock(stateMutex_);
  lat_ = latitude, lon_ = longitude;
}
std::vector<std::string> FakeGreis::Events() {
  std::lock_guard lock(stateMutex_);
  return events_;
}
std::string FakeGreis::CreatedLog() {
  std::lock_guard lock(stateMutex_);
  return created_;
}
bool FakeGreis::Logging() {
  std::lock_guard lock(stateMutex_);
  return logging_;
}

int64_t FakeGreis::CurrentLogSize() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - currentSince_).count();
  return currentBase_ + int64_t(growth_ * seconds);
}

// ---- the dialogue -----------------------------------------------------------------------------

void FakeGreis::OnInput(std::string_view bytes) {
  {
    std::lock_guard lock(stateMutex_);
    for (char c : bytes) {
      if (transferring_ && (c == 0x15 || c == 0x06) && partial_.empty()) {
        controls_.push_back(c);
        continue;
      }
      if (c == '\n') {
        if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
        lines_.push_back(std::move(partial_));
        partial_.clear();
      } else if (partial_.size() < 65536) {
        partial_ += c;
      }
    }
  }
  wake_.notify_all();
}

void FakeGreis::Responder() {
  while (!stop_) {
    std::string line;
    {
      std::unique_lock lock(stateMutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(50),
                     [this] { return stop_ || !lines_.empty() || !controls_.empty(); });
      if (!controls_.empty()) {
        const char c = controls_.front();
        controls_.pop_front();
        lock.unlock();
        OnControl(c);
        continue;
      }
      if (lines_.empty()) continue;
      line = std::move(lines_.front());
      lines_.pop_front();
    }
    Handle(line);
  }
}

void FakeGreis::Emitter() {
  auto next = std::chrono::steady_clock::now();
  while (!stop_) {
    int period;
    bool valid;
    double pdop, lat, lon;
    {
      std::lock_guard lock(stateMutex_);
      period = nmeaPeriodMs_, valid = fixValid_, pdop = pdop_, lat = lat_, lon = lon_;
    }
    next += std::chrono::milliseconds(period);
    while (!stop_ && std::chrono::steady_clock::now() < next)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (nmeaOn_ && !dead_) Send(NmeaEpoch(valid, pdop, lat, lon));
  }
}

bool FakeGreis::Send(const std::string& bytes) {
  std::lock_guard write(writeMutex_);
  return !dead_ && link_.Write(bytes);
}

void FakeGreis::Handle(const std::string& raw) {
  std::string line = raw, id;
  if (!line.empty() && line[0] == '%') {
    const size_t close = line.find('%', 1);
    if (close != std::string::npos) {
      id = line.substr(0, close + 1);
      line.erase(0, close + 1);
    }
  }
  size_t from = 0;
  for (;;) {
    const size_t joint = line.find("&&", from);
    // "&&" inside a quoted event text would not split; the program's texts hold none.
    Answer(id, line.substr(from, joint == std::string::npos ? std::string::npos : joint - from));
    if (joint == std::string::npos) break;
    from = joint + 2;
  }
}

FakeGreis::Fault FakeGreis::TakeFault(const std::string& command) {
  std::lock_guard lock(stateMutex_);
  for (auto& [prefix, rule] : faults_) {
    if (!Starts(command, prefix.c_str()) || rule.times == 0) continue;
    if (rule.times > 0) --rule.times;
    return rule.fault;
  }
  return Fault::kNone;
}

std::string FakeGreis::PayloadFor(const std::string& c, bool* known) {
  std::lock_guard lock(stateMutex_);
  *known = true;
  if (auto it = replies_.find(c); it != replies_.end()) return it->second;
  auto value = [](const std::string& v) { return " " + v; };
  auto number = [](int64_t v) { return " " + std::to_string(v); };
  if (c == "print,/par/dev/blk/a/size") return number(size_);
  if (c == "print,/par/dev/blk/a/free") return number(free_);
  if (c == "print,/par/pwr/board") return value(power_);
  if (c == "print,/par/rcv/id") return value(id_);
  if (c == "print,/par/rcv/model") return value(model_);
  if (c == "print,/par/pos/elm") return value(mask_);
  if (c == "print,/par/cmd/create/prefix" && !prefix_.empty()) return value(prefix_);
  if (c == "print,/par/log/sc/period" && !period_.empty()) return value(period_);
  if (c == "print,/cur/log" && !current_.empty()) return value("/log/" + current_);
  if (c == "print,/cur/log&size" && !current_.empty()) return number(CurrentLogSize());
  if (c == "print,/par/dev/blk/a/files")
    return fileCount_.empty() ? number(int64_t(logs_.size())) : value(fileCount_);
  if (c == "list,/log") {
    std::string list = "{";
    for (size_t i = 0; i < logs_.size(); ++i) list += (i ? "," : "") + logs_[i].first;
    return list + "}";
  }
  if (Starts(c, "print,/log/") && c.size() > 16 && c.compare(c.size() - 5, 5, "&size") == 0) {
    const std::string name = c.substr(11, c.size() - 16);
    for (const auto& [n, size] : logs_)
      if (n == name) return number(size);
    if (name == current_) return number(CurrentLogSize());
    *known = false;
    return "";
  }
  if (Starts(c, "create,")) {
    created_ = c.substr(7);
    current_ = created_, currentBase_ = 0, growth_ = newLogGrowth_;
    currentSince_ = std::chrono::steady_clock::now();
    return "";
  }
  if (Starts(c, "em,/cur/log")) {
    logging_ = true;
    return "";
  }
  if (c == "dm,/cur/log") {
    logging_ = false;
    if (!current_.empty()) logs_.emplace_back(current_, CurrentLogSize());
    current_.clear();
    return "";
  }
  if (Starts(c, "get,")) {
    const std::string name = QuotedLogName(c);
    auto it = data_.find(name);
    if (it == data_.end()) {
      *known = false;
      return "";
    }
    // The receiver waits for the first NAK: a block sent now would be swallowed by the reply.
    transferData_ = it->second;
    transferName_ = name;
    transferFaulty_ = transfer_.onlyFor.empty() || transfer_.onlyFor == name;
    const int64_t n = int64_t(transferData_.size());
    transferBlocks_ = int(n / 512) + 1;
    if (n > 0 && n % 512 == 0 && !transfer_.zeroLastAfterFull) transferBlocks_ = int(n / 512);
    transferBlock_ = 0;
    seeds_.assign(size_t(transferBlocks_) + 1, 0);
    blocksSent_.clear();
    nakIgnored_ = badCrcSent_ = sawNak_ = false;
    transferring_ = true;
    return "";
  }
  if (c.empty()) {  // "%%": the end of a transfer
    if (transferring_ && transferFaulty_ && !transfer_.growAfter.empty()) {
      data_[transferName_] += transfer_.growAfter;
      for (auto& [n, size] : logs_)
        if (n == transferName_) size = int64_t(data_[transferName_].size());
    }
    transferring_ = false;
    return "";
  }
  if (Starts(c, "remove,")) {
    const std::string name = QuotedLogName(c);
    for (size_t i = 0; i < logs_.size(); ++i)
      if (logs_[i].first == name) {
        logs_.erase(logs_.begin() + long(i));
        data_.erase(name);
        removed_.push_back(name);
        return "";
      }
    *known = false;
    return "";
  }
  if (Starts(c, "event,")) {
    events_.push_back(c.substr(6));
    return "";
  }
  if (Starts(c, "em,,nmea/")) {
    nmeaOn_ = true;
    return "";
  }
  if (c == "dm") {
    nmeaOn_ = false;
    return "";
  }
  *known = false;
  return "";
}

void FakeGreis::Answer(const std::string& id, const std::string& command) {
  const Fault fault = TakeFault(command);
  if (fault == Fault::kHangUp) {
    HangUp();
    return;
  }
  bool known = false;
  std::string payload = PayloadFor(command, &known);
  std::string raw;
  {
    std::lock_guard lock(stateMutex_);
    if (auto it = rawReplies_.find(command); it != rawReplies_.end()) raw = it->second;
  }
  std::string reply;
  if (!raw.empty()) {
    reply = raw;
  } else if (!known || fault == Fault::kError) {
    reply = Framed("ER", "{01,Error}");
  } else if (fault == Fault::kNmea) {
    reply = NmeaLine("GPRMC,101500.00,V,,,,,,,100426,,,N");
  } else {
    if (fault == Fault::kLong300) payload = " " + std::string(299, 'L');
    if (fault == Fault::kOver3000) payload = " " + std::string(3499, 'O');
    if ((fault == Fault::kListSplitComma || fault == Fault::kListSplitName) && payload.size() > 2 &&
        payload[0] == '{') {
      // Two messages: the first closed after about half the names.
      const std::string inner = payload.substr(1, payload.size() - 2);
      size_t cut = inner.find(',', inner.size() / 2);
      if (cut == std::string::npos) cut = inner.find(',');
      if (cut != std::string::npos) {
        const std::string first = "{" + inner.substr(0, fault == Fault::kListSplitComma ? cut + 1 : cut);
        const std::string second = "{" + inner.substr(cut + 1) + "}";
        reply = Framed("RE", id + first) + Framed("RE", second);
      }
    }
    if (reply.empty()) reply = Framed("RE", id + payload);
  }
  ++answered_;
  if (Starts(command, "get,") && fault != Fault::kNone) {
    std::lock_guard lock(stateMutex_);
    transferring_ = false;  // a refused or unanswered get starts nothing
  }
  switch (fault) {
    case Fault::kSilence:
      return;
    case Fault::kLate1500:
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      break;
    case Fault::kLate2500:
      std::this_thread::sleep_for(std::chrono::milliseconds(2500));
      break;
    case Fault::kFragmentsFast:
    case Fault::kFragmentsSlow: {
      const int pause = fault == Fault::kFragmentsFast ? 5 : 30;
      for (size_t i = 0; i < reply.size(); i += 4) {
        if (!Send(reply.substr(i, 4))) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      }
      return;
    }
    default:
      break;
  }
  std::string before;
  {
    std::lock_guard lock(stateMutex_);
    // xorshift32: the same seed, the same noise.
    auto chance = [this](int percent) {
      noiseState_ ^= noiseState_ << 13;
      noiseState_ ^= noiseState_ >> 17;
      noiseState_ ^= noiseState_ << 5;
      return int(noiseState_ % 100) < percent;
    };
    before = std::move(held_);
    held_.clear();
    if (chance(noise_.sentencePercent)) {
      // An epoch of sentences, or its tail from inside a sentence (what a drain cut into).
      const std::string epoch = NmeaEpoch(fixValid_, pdop_, lat_, lon_);
      before += (noiseState_ & 1) ? epoch : epoch.substr(epoch.size() / 3);
    }
    if (chance(noise_.ackPercent)) before += Framed("RE", "");
    if (!noise_.holdPrefix.empty() && Starts(command, noise_.holdPrefix.c_str()) &&
        chance(noise_.holdPercent)) {
      held_ = std::move(reply);
      reply.clear();
      ++heldCount_;
    }
  }
  if (!before.empty()) Send(before);
  if (!reply.empty()) Send(reply);
}

void FakeGreis::OnControl(char c) {
  int block;
  {
    std::lock_guard lock(stateMutex_);
    if (!transferring_) return;
    if (!sawNak_) {
      sawNak_ = true;
      firstNak_ = std::chrono::steady_clock::now();
    }
    if (c == 0x15 && transferFaulty_ && transfer_.ignoreFirstNak && !nakIgnored_) {
      nakIgnored_ = true;
      return;
    }
    if (transferFaulty_ && transfer_.silentAfterGet) return;
    if (c == 0x06 && transferBlock_ + 1 < transferBlocks_) {
      ++transferBlock_;
    } else if (c == 0x06) {
      return;  // an ACK after the last block: nothing more to send
    }
    block = transferBlock_;
  }
  SendBlock(block);
}

void FakeGreis::SendBlock(int index) {
  std::string bytes(518, 0);
  int baud;
  {
    std::lock_guard lock(stateMutex_);
    Transfer t = transfer_;
    if (!transferFaulty_) {
      Transfer plain;
      plain.zeroLastAfterFull = t.zeroLastAfterFull;
      plain.baud = t.baud;
      t = plain;
    }
    baud = t.baud;
    const bool last = index == transferBlocks_ - 1;
    const size_t from = size_t(index) * 512;
    const size_t length = std::min<size_t>(512, transferData_.size() - std::min(from, transferData_.size()));
    bytes[0] = char(last ? 4 : 2);
    int lengthField = last ? int(length) : 0;
    if (last && t.lastLength != INT32_MIN) lengthField = t.lastLength;
    bytes[1] = char(lengthField & 0xFF);
    bytes[2] = char((lengthField >> 8) & 0xFF);
    std::copy_n(transferData_.begin() + long(std::min(from, transferData_.size())), length,
                bytes.begin() + 3);
    const uint16_t seed = t.seedZero ? 0 : seeds_[size_t(index)];
    uint16_t crc = Crc(seed, reinterpret_cast<const uint8_t*>(bytes.data()), 515);
    seeds_[size_t(index) + 1] = crc;
    if (t.alwaysBadCrc || (index == t.badCrcBlock && !badCrcSent_)) {
      if (index == t.badCrcBlock) badCrcSent_ = true;
      crc = uint16_t(crc ^ 0x0101);
    }
    bytes[515] = char(crc & 0xFF);
    bytes[516] = char(crc >> 8);
    bytes[517] = index == t.noEtxBlock ? 0x02 : 0x03;
    blocksSent_.push_back(index);
    if (index == t.hangUpInBlock || index == t.stopInBlock) bytes.resize(259);
  }
  int hangUp, stop;
  {
    std::lock_guard lock(stateMutex_);
    hangUp = transferFaulty_ ? transfer_.hangUpInBlock : -1;
    stop = transferFaulty_ ? transfer_.stopInBlock : -1;
  }
  SendPaced(bytes, baud);
  {
    std::lock_guard lock(stateMutex_);
    if (index == transferBlocks_ - 1) lastBlock_ = std::chrono::steady_clock::now();
  }
  if (index == hangUp) HangUp();
  if (index == stop) {
    std::lock_guard lock(stateMutex_);
    transfer_.silentAfterGet = true;  // nothing more comes
  }
}

bool FakeGreis::SendPaced(const std::string& bytes, int baud) {
  if (baud <= 0) return Send(bytes);
  // 10 bits a byte; written in slices of 2 ms so that the line's rate holds on average.
  const double bytesPerMs = baud / 10.0 / 1000.0;
  const auto start = std::chrono::steady_clock::now();
  size_t done = 0;
  while (done < bytes.size()) {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const size_t due = std::min(bytes.size(), size_t(ms * bytesPerMs) + 1);
    if (due > done) {
      if (!Send(bytes.substr(done, due - done))) return false;
      done = due;
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }
  return true;
}

}  // namespace sample
