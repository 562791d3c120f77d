// A fresh device root in a temporary host folder for tests that only need files; removed again
// when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/sys/winsys.h"

class ScopedDeviceRoot {
 public:
  ScopedDeviceRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorna-app-XXXXXX").string();
    if (mkdtemp(pattern.data())) host_ = pattern;
    vplat::SetDeviceRoot(host_);
  }
  ~ScopedDeviceRoot() {
    std::error_code ec;
    if (!host_.empty()) std::filesystem::remove_all(host_, ec);
  }
  ScopedDeviceRoot(const ScopedDeviceRoot&) = delete;
  ScopedDeviceRoot& operator=(const ScopedDeviceRoot&) = delete;

  // Host path of a file directly in the root (for fixtures that must be written byte for byte).
  std::string Host(const std::string& relative) const { return host_ + "/" + relative; }
  const std::string& host() const { return host_; }

 private:
  std::string host_;
};
