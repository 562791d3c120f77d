// A second start on a device already running the program never touches the display: it ends
// with 255 before any window could open. The display here is a listening socket that no X
// server answers, so a start that tried to open a window would be seen connecting (and would
// hang waiting for the server's greeting).
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/sys/instance_lock.h"
#include "platform/sys/winsys.h"

namespace {

namespace fs = std::filesystem;

std::string Program() { return std::string(VORNA_BINARY_DIR) + "/bin/vorna"; }

pid_t Launch(const std::string& root, const char* display) {
  pid_t pid = fork();
  if (pid == 0) {
    if (display) setenv("DISPLAY", display, 1);
    else unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    std::vector<std::string> args = {Program(), "--root", root};
    if (!display) args.push_back("--headless");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status after up to `ms`, or -1 while it still runs.
int WaitFor(pid_t pid, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

TEST(SecondStart, OpensNoWindowOnTheDisplay) {
  ASSERT_TRUE(fs::exists(Program())) << "build the vorna target first";
  std::string root = (fs::temp_directory_path() / "vorna-e2e-display-XXXXXX").string();
  ASSERT_NE(mkdtemp(root.data()), nullptr);

  // A display number of our own, served by nobody.
  mkdir("/tmp/.X11-unix", 01777);
  const int number = 5000 + int(getpid() % 20000);
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  unlink(path.c_str());
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 8) != 0) {
    close(listener);
    GTEST_SKIP() << "cannot serve a display socket at " << path;
  }

  pid_t first = Launch(root, nullptr);
  vplat::SetDeviceRoot(root);
  bool claimed = false;
  for (int waited = 0; waited <= 20000 && !claimed; waited += 10) {
    claimed = vplat::IsInstanceClaimed(L"Vorna");
    if (!claimed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(claimed);

  const std::string display = ":" + std::to_string(number);
  pid_t second = Launch(root, display.c_str());
  const int code = WaitFor(second, 20000);
  EXPECT_EQ(code, 255);
  if (code == -1) {
    kill(second, SIGKILL);
    waitpid(second, nullptr, 0);
  }
  int peer = accept(listener, nullptr, nullptr);
  EXPECT_LT(peer, 0) << "the second start connected to the display";
  if (peer >= 0) close(peer);

  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  close(listener);
  unlink(path.c_str());
  std::error_code ec;
  fs::remove_all(root, ec);
}

}  // namespace
