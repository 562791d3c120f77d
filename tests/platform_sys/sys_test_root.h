// A fresh device root for one test, removed afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win.h"

class TempDeviceRoot {
 public:
  TempDeviceRoot() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vorna-sys-XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    vplat::SetDeviceRoot(path_);
  }
  ~TempDeviceRoot() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

  // Host-side fixtures, relative to the root, in UTF-8.
  void MakeDir(const std::string& rel) const { std::filesystem::create_directories(path_ + "/" + rel); }
  void MakeFile(const std::string& rel, const std::string& content = "") const {
    std::ofstream(path_ + "/" + rel, std::ios::binary) << content;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(path_ + "/" + rel, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& rel) const { return std::filesystem::exists(path_ + "/" + rel); }

 private:
  std::string path_;
};
