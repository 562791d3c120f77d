#include "platform/sys/instance_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/sys/winsys.h"

namespace vplat {
namespace {

std::mutex& Lock() {
  static std::mutex m;
  return m;
}

// Sockets this process holds, by socket name.
std::map<std::string, int>& Held() {
  static std::map<std::string, int> held;
  return held;
}

// 64-bit FNV-1a: stable across runs and builds, which the name must be.
uint64_t Fnv1a(const std::string& text, uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string CanonicalRoot() {
  std::string root = DeviceRoot();
  char buffer[PATH_MAX];
  if (!root.empty() && realpath(root.c_str(), buffer)) return buffer;
  return root;
}

// The address of the abstract name: sun_path starts with a zero byte.
socklen_t MakeAddress(const std::string& name, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  size_t n = std::min(name.size(), sizeof(address->sun_path) - 1);
  std::memcpy(address->sun_path + 1, name.data(), n);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

}  // namespace

std::string InstanceSocketName(const std::wstring& className) {
  std::string cls;
  for (wchar_t c : className) {
    // Class names are compared without regard to case, so the name folds ASCII letters.
    wchar_t f = (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c;
    uint32_t v = static_cast<uint32_t>(f);
    for (int i = 0; i < 4; ++i) cls.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  uint64_t h = Fnv1a(cls, Fnv1a(CanonicalRoot() + '\0'));
  char text[40];
  std::snprintf(text, sizeof text, "vorna-instance-%016llx", static_cast<unsigned long long>(h));
  return text;
}

InstanceClaim ClaimInstance(const std::wstring& className) {
  std::lock_guard<std::mutex> guard(Lock());
  std::string name = InstanceSocketName(className);
  if (Held().count(name)) return InstanceClaim::kHeldElsewhere;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return InstanceClaim::kUnavailable;
  sockaddr_un address;
  socklen_t length = MakeAddress(name, &address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    int error = errno;
    close(fd);
    return error == EADDRINUSE ? InstanceClaim::kHeldElsewhere : InstanceClaim::kUnavailable;
  }
  // The holder listens so that a probe can ask by connecting, which never takes the name. Nothing
  // accepts: a probe's connection waits in the queue until the probe closes it, and once the
  // queue is full further probes are told "try again", which still means held.
  if (listen(fd, 4) != 0) {
    close(fd);
    return InstanceClaim::kUnavailable;
  }
  Held()[name] = fd;
  return InstanceClaim::kClaimed;
}

void ReleaseInstance(const std::wstring& className) {
  std::lock_guard<std::mutex> guard(Lock());
  auto it = Held().find(InstanceSocketName(className));
  if (it == Held().end()) return;
  close(it->second);
  Held().erase(it);
}

bool IsInstanceClaimed(const std::wstring& className) {
  std::lock_guard<std::mutex> guard(Lock());
  std::string name = InstanceSocketName(className);
  if (Held().count(name)) return true;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  sockaddr_un address;
  socklen_t length = MakeAddress(name, &address);
  // Connecting asks the holder without taking the name: binding it, even for an instant, would
  // make a program starting at that moment take itself for a second one. Refused means nobody
  // listens there; a full queue (EAGAIN) means the holder is there but busy with other probes.
  bool held = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 || errno == EAGAIN;
  close(fd);
  return held;
}

}  // namespace vplat
