// A real X display for end-to-end tests: an Xvfb server of its own, the built program started on
// it in its SDL window, input through the XTEST extension (xdotool) exactly as a person's mouse
// and keyboard arrive, and screenshots read back from the server (xwd).
//
// The program's window shows the 240 x 320 device screen scaled 2x, so device pixel (x, y) is
// window pixel (2x, 2y); taps go to the centre of the device pixel.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace xsession {

constexpr int kScale = 2;

// Reads a child's output from `fd` until it closes, then waits for the child: the output, and
// its exit status in *status (-1 when it did not exit by itself).
inline std::string ReadToExit(int fd, pid_t pid, int* status) {
  std::string out;
  char buf[65536];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
  close(fd);
  int st = 0;
  waitpid(pid, &st, 0);
  if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

// Runs a program with DISPLAY set; its standard output, and its exit status in *status.
inline std::string Capture(const std::string& display, std::vector<std::string> args,
                           int* status = nullptr) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 2);
    setenv("DISPLAY", display.c_str(), 1);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  return ReadToExit(fds[0], pid, status);
}

// Waits up to `ms` for the process; its exit status, or -1 while it still runs.
inline int WaitExit(pid_t pid, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

// The screen as 0x00RRGGBB pixels, row by row.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  bool ok() const { return width > 0 && height > 0; }
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // The device pixel (x, y) of a 2x window.
  uint32_t Device(int x, int y) const { return At(x * kScale, y * kScale); }
};

// Reads the dump of one window in the X window dump format (ZPixmap, 24 or 32 bits a pixel).
inline Shot ParseXwd(const std::string& d) {
  Shot shot;
  auto u32 = [&](size_t at) -> uint32_t {
    if (at + 4 > d.size()) return 0;
    return uint32_t(uint8_t(d[at])) << 24 | uint32_t(uint8_t(d[at + 1])) << 16 |
           uint32_t(uint8_t(d[at + 2])) << 8 | uint32_t(uint8_t(d[at + 3]));
  };
  const uint32_t headerSize = u32(0), format = u32(8), width = u32(16), height = u32(20);
  const uint32_t byteOrder = u32(28), bpp = u32(44), bytesPerLine = u32(48);
  const uint32_t redMask = u32(56), greenMask = u32(60), blueMask = u32(64), colours = u32(76);
  if (format != 2 || (bpp != 32 && bpp != 24) || width == 0 || height == 0 || width > 10000 ||
      height > 10000)
    return shot;
  const size_t start = size_t(headerSize) + size_t(colours) * 12;
  if (start + size_t(bytesPerLine) * height > d.size()) return shot;
  auto shiftOf = [](uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++s;
    return s;
  };
  const int rs = shiftOf(redMask), gs = shiftOf(greenMask), bs = shiftOf(blueMask);
  shot.width = int(width);
  shot.height = int(height);
  shot.pixels.resize(size_t(width) * height);
  const size_t step = bpp / 8;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(d.data()) + start + y * bytesPerLine + x * step;
      uint32_t v = 0;
      if (byteOrder == 0) {  // least significant byte first
        for (size_t k = 0; k < step; ++k) v |= uint32_t(p[k]) << (8 * k);
      } else {
        for (size_t k = 0; k < step; ++k) v = v << 8 | p[k];
      }
      const uint32_t r = (v & redMask) >> rs, g = (v & greenMask) >> gs, b = (v & blueMask) >> bs;
      shot.pixels[size_t(y) * width + x] = r << 16 | g << 8 | b;
    }
  }
  return shot;
}

// The window manager's close request: WM_PROTOCOLS with WM_DELETE_WINDOW, as the close button
// of a decorated window sends it (x_close.cpp: Xlib's names clash with the test headers').
bool SendCloseRequest(const std::string& display, const std::string& window);

// Asks the program's window for the end of its frame and waits up to `ms` for the answer: true
// once the program has handled everything that reached the window before the ask, including
// the delays that handling armed, and has shown the result (platform/host/sdl_presenter.cpp).
// False when no answer came in time or the window is gone.
bool WaitFrameDone(const std::string& display, const std::string& window, int ms);

class Display {
 public:
  // Starts Xvfb on the first free display number; ok() is false when it could not start.
  Display() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) dup2(devnull, 2);
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x800x24", "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    // Xvfb writes the number once it accepts connections.
    while (read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~Display() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      if (WaitExit(pid_, 3000) < 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    }
  }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  bool ok() const { return !name_.empty(); }
  const std::string& name() const { return name_; }

  std::string Run(std::vector<std::string> args, int* status = nullptr) const {
    return Capture(name_, std::move(args), status);
  }

  // The visible windows of a process, as X window ids (decimal text).
  std::vector<std::string> WindowsOf(pid_t pid) const {
    std::string out = Run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
    std::vector<std::string> ids;
    size_t at = 0;
    while (at < out.size()) {
      size_t nl = out.find('\n', at);
      if (nl == std::string::npos) nl = out.size();
      if (nl > at) ids.push_back(out.substr(at, nl - at));
      at = nl + 1;
    }
    return ids;
  }

  // Waits up to `ms` for the process's first visible window; empty when none came.
  std::string WaitWindow(pid_t pid, int ms = 20000) const {
    for (int waited = 0; waited <= ms; waited += 50) {
      std::vector<std::string> ids = WindowsOf(pid);
      if (!ids.empty()) return ids.front();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
  }

  Shot Screenshot(const std::string& window) const {
    return ParseXwd(Run({"xwd", "-silent", "-id", window}));
  }

  // The program's finished frame: waits (up to `ms`) for the window's report that everything
  // sent to it so far is handled and drawn. False when it did not come.
  bool FrameDone(const std::string& window, int ms = kFrameWaitMs) const {
    return WaitFrameDone(name_, window, ms);
  }
  // The screen of the finished frame; a shot that is not ok() when no frame was reported.
  Shot Drawn(const std::string& window, int ms = kFrameWaitMs) const {
    if (!FrameDone(window, ms)) return Shot{};
    return Screenshot(window);
  }
  // Long enough for the start-up and first frame of the demo on a machine loaded by the whole
  // suite and other builds; only a program that never settles waits it out.
  static constexpr int kFrameWaitMs = 60000;

  // Pen (left button) at device coordinates of the window.
  void PenDown(const std::string& w, int x, int y) const {
    Move(w, x, y);
    Run({"xdotool", "mousedown", "1"});
  }
  void PenUp(const std::string& w, int x, int y) const {
    Move(w, x, y);
    Run({"xdotool", "mouseup", "1"});
  }
  void Move(const std::string& w, int x, int y) const {
    Run({"xdotool", "mousemove", "--window", w, std::to_string(x * kScale + 1),
         std::to_string(y * kScale + 1)});
  }
  // One command: the press and the release reach the X server together, so a loaded machine
  // that runs the next xdotool late cannot make a tap a tap-and-hold.
  void Tap(const std::string& w, int x, int y) const {
    Run({"xdotool", "mousemove", "--window", w, std::to_string(x * kScale + 1),
         std::to_string(y * kScale + 1), "mousedown", "1", "mouseup", "1"});
  }
  // Keys by X key name ("Down", "Return", "ctrl+q"), to the focused window.
  void Key(const std::string& w, const std::string& keys) const {
    Run({"xdotool", "windowfocus", "--sync", w});
    Run({"xdotool", "key", keys});
  }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace xsession
