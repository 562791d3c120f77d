#include "tools/sampledata/fake_receiver.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>


namespace sample {
namespace {

constexpr int kWriteWaitMs = 2000;

unsigned char Sum(std::string_view body) {
  unsigned char s = 0;
  for (char c : body) s ^= static_cast<unsigned char>(c);
  return s;
}

std::string WithSum(std::string_view body, unsigned sum) {
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum & 0xFF);
  return "$" + std::string(body) + tail;
}

// "ddmm.mmmm" or "dddmm.mmmm" and the hemisphere letter.
std::string Coordinate(double deg, int degreeDigits, char pos, char neg) {
  const char hemi = deg >= 0 ? pos : neg;
  deg = std::fabs(deg);
  int whole = int(deg);
  double minutes = (deg - whole) * 60.0;
  if (minutes >= 59.99995) {  // would print as 60.0000
    minutes = 0;
    ++whole;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*d%07.4f,%c", degreeDigits, whole, minutes, hemi);
  return buf;
}

}  // namespace

std::string NmeaLine(std::string_view body) { return WithSum(body, Sum(body)); }

std::string NmeaLineBadChecksum(std::string_view body) { return WithSum(body, Sum(body) + 1u); }

std::vector<std::string> EpochSentences(const WalkEpoch& e) {
  char time[16], date[16], body[160];
  std::snprintf(time, sizeof time, "%02d%02d%02d.00", e.hour, e.minute, e.second);
  std::snprintf(date, sizeof date, "%02d%02d%02d", e.day, e.month, e.year);
  const std::string lat = Coordinate(e.latDeg, 2, 'N', 'S');
  const std::string lon = Coordinate(e.lonDeg, 3, 'E', 'W');
  std::vector<std::string> out;
  std::snprintf(body, sizeof body, "GPRMC,%s,A,%s,%s,%05.1f,%05.1f,%s,,,A", time, lat.c_str(),
                lon.c_str(), e.speedKnots, e.courseDeg, date);
  out.push_back(NmeaLine(body));
  std::snprintf(body, sizeof body, "GPGGA,%s,%s,%s,1,08,0.9,152.3,M,14.1,M,,", time, lat.c_str(),
                lon.c_str());
  out.push_back(NmeaLine(body));
  out.push_back(NmeaLine("GPGSA,A,3,02,05,09,12,15,18,21,25,,,,,1.8,0.9,1.5"));
  // Ten satellites in view, eight of them with a signal.
  out.push_back(NmeaLine("GPGSV,3,1,10,02,45,120,42,05,30,060,38,09,70,300,45,12,12,200,31"));
  out.push_back(NmeaLine("GPGSV,3,2,10,15,55,010,44,18,25,250,35,21,40,170,40,25,08,090,29"));
  out.push_back(NmeaLine("GPGSV,3,3,10,27,05,330,,30,03,045,"));
  return out;
}

std::vector<WalkEpoch> DemoTownWalk(int epochs) {
  // A 4 km square round the middle of the demo town, walked clockwise from its south-west
  // corner at about 5 km/h (1.4 m a second). Metres become degrees on a sphere of the Earth's
  // mean radius, which is close enough for a walk.
  const double lat0 = 55.7600, lon0 = 37.4300;  // degrees, WGS 84
  const double side = 4000, step = 1.4, perimeter = 4 * side;
  const double metresPerDegLat = 6371000.0 * 3.14159265358979323846 / 180.0;
  const double metresPerDegLon = metresPerDegLat * std::cos(lat0 * 3.14159265358979323846 / 180.0);
  std::vector<WalkEpoch> out;
  out.reserve(epochs > 0 ? size_t(epochs) : 0);
  for (int i = 0; i < epochs; ++i) {
    const double d = std::fmod(i * step, perimeter);
    double north, east, course;
    if (d < side) {
      north = d, east = 0, course = 0;
    } else if (d < 2 * side) {
      north = side, east = d - side, course = 90;
    } else if (d < 3 * side) {
      north = side - (d - 2 * side), east = side, course = 180;
    } else {
      north = 0, east = side - (d - 3 * side), course = 270;
    }
    WalkEpoch e{};
    e.latDeg = lat0 + north / metresPerDegLat;
    e.lonDeg = lon0 + east / metresPerDegLon;
    e.speedKnots = step * 3.6 / 1.852;
    e.courseDeg = course;
    const int secs = 10 * 3600 + i;
    e.hour = secs / 3600 % 24;
    e.minute = secs / 60 % 60;
    e.second = secs % 60;
    e.day = 15;
    e.month = 6;
    e.year = 6;
    out.push_back(e);
  }
  return out;
}

// ---- the pseudo-terminal --------------------------------------------------------------------

FakeReceiver::~FakeReceiver() { HangUp(); }

bool FakeReceiver::Open() {
  HangUp();
  int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m < 0) return false;
  if (grantpt(m) != 0 || unlockpt(m) != 0) {
    ::close(m);
    return false;
  }
  char name[128];
  if (ptsname_r(m, name, sizeof name) != 0) {
    ::close(m);
    return false;
  }
  // Raw from the start: bytes written before the program opens the port must not be cooked
  // (CR turned into LF, echoed back into the transcript).
  int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (s < 0) {
    ::close(m);
    return false;
  }
  termios t;
  if (tcgetattr(s, &t) == 0) {
    cfmakeraw(&t);
    tcsetattr(s, TCSANOW, &t);
  }
  fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
  master_ = m;
  slaveKeep_ = s;
  slavePath_ = name;
  stopReader_ = false;
  reader_ = std::thread([this] { ReaderLoop(); });
  return true;
}

void FakeReceiver::ReaderLoop() {
  while (!stopReader_.load()) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[512];
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      {
        std::lock_guard lock(mutex_);
        transcript_.append(buf, size_t(n));
      }
      changed_.notify_all();
      if (inputHandler_) inputHandler_(std::string_view(buf, size_t(n)));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // no slave open: no spin
    }
  }
}

void FakeReceiver::StopThreads() {
  if (player_.joinable()) player_.join();
  stopReader_ = true;
  if (reader_.joinable()) reader_.join();
}

void FakeReceiver::HangUp() {
  StopThreads();
  if (master_ >= 0) ::close(master_);
  if (slaveKeep_ >= 0) ::close(slaveKeep_);
  master_ = slaveKeep_ = -1;
}

bool FakeReceiver::Reopen() {
  HangUp();
  return Open();
}

bool FakeReceiver::Write(std::string_view bytes) {
  if (master_ < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteWaitMs);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pollfd p{master_, POLLOUT, 0};
    ::poll(&p, 1, 20);
  }
  return true;
}

bool FakeReceiver::WriteSplit(std::string_view bytes, const std::vector<size_t>& cuts,
                              int pauseMs) {
  size_t from = 0;
  for (size_t cut : cuts) {
    if (cut <= from || cut >= bytes.size()) continue;
    if (!Write(bytes.substr(from, cut - from))) return false;
    Pause(pauseMs);
    from = cut;
  }
  return Write(bytes.substr(from));
}

bool FakeReceiver::WriteBytewise(std::string_view bytes, int pauseMs) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (!Write(bytes.substr(i, 1))) return false;
    if (i + 1 < bytes.size()) Pause(pauseMs);
  }
  return true;
}

void FakeReceiver::Pause(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool FakeReceiver::WriteTruncated(std::string_view body, size_t keep) {
  std::string line = NmeaLine(body);
  if (keep < line.size()) line.resize(keep);
  return Write(line + "\r\n");
}

bool FakeReceiver::WriteLongLine(size_t length) {
  std::string line(length, 'x');
  if (!line.empty()) line[0] = '$';
  return Write(line + "\n");
}

bool FakeReceiver::WriteGarbage(size_t count, uint32_t seed) {
  std::string bytes(count, 0);
  uint32_t s = seed ? seed : 1;
  for (char& c : bytes) {
    s = s * 1103515245u + 12345u;
    c = char((s >> 16) & 0xFF);
    if (c == '\n') c = 0;  // a line feed would end the fault early
  }
  return Write(bytes);
}

void FakeReceiver::Play(std::vector<Step> steps) {
  if (player_.joinable()) player_.join();
  playing_ = true;
  player_ = std::thread([this, steps = std::move(steps)] {
    for (const Step& s : steps) {
      if (s.bytewise) {
        WriteBytewise(s.bytes, 1);
      } else if (!s.bytes.empty()) {
        Write(s.bytes);
      }
      Pause(s.pauseMsAfter);
    }
    {
      std::lock_guard lock(mutex_);
      playing_ = false;
    }
    changed_.notify_all();
  });
}

bool FakeReceiver::WaitPlayed(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !playing_.load(); });
}

std::string FakeReceiver::Transcript() {
  std::lock_guard lock(mutex_);
  return transcript_;
}

void FakeReceiver::ClearTranscript() {
  std::lock_guard lock(mutex_);
  transcript_.clear();
}

bool FakeReceiver::WaitTranscript(std::string_view needle, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return transcript_.find(needle) != std::string::npos;
  });
}

}  // namespace sample
