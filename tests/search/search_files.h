// Helpers of the address-table and road-graph tests: fixtures written under a fresh device root.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/harness.h"
#include "tools/sampledata/mol_writer.h"

namespace searchtest {

// Writes bytes at a device path given in 8-bit form ("\DB\Cities.ndb"), making its folders.
inline void PutFile(const std::string& devicePath, const sample::Bytes& bytes) {
  const std::filesystem::path host =
      harness::HostPath(std::wstring(devicePath.begin(), devicePath.end()));
  std::filesystem::create_directories(host.parent_path());
  ASSERT_TRUE(sample::SaveBytes(host.string(), bytes)) << host;
}

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }
};

}  // namespace searchtest
