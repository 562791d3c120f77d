// Helpers of the object-library tests: fixtures written under a fresh device root.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/harness.h"
#include "tools/sampledata/mol_writer.h"

namespace moltest {

// Writes bytes at a device path ("\Vorna\Obj\Demo.mol"), making its folders.
inline void PutFile(const std::wstring& devicePath, const sample::Bytes& bytes) {
  const std::filesystem::path host = harness::HostPath(devicePath);
  std::filesystem::create_directories(host.parent_path());
  ASSERT_TRUE(sample::SaveBytes(host.string(), bytes)) << host;
}

// A version-2 file of the given body with no sections, checksum as given.
inline sample::Bytes BareV2(const sample::Bytes& body, uint16_t checksum, uint8_t flags = 0) {
  sample::Bytes f(38, 0);
  f[8] = 2;
  f[9] = flags;
  f[10] = uint8_t(checksum);
  f[11] = uint8_t(checksum >> 8);
  for (uint8_t b : body) f.push_back(b);  // (insert of an empty range trips a GCC bounds warning)
  return f;
}

}  // namespace moltest
