// Lines written to the fake receiver and waited for until the port's reader has taken every one
// of them (its line count), so that what a test checks next is the state after exactly those
// lines: their fix published, their last-line time stamped.
#pragma once

#include <string>
#include <vector>

#include "gps/gps_port.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_receiver.h"

namespace test_gps {

// Writes `lines` (whole NMEA lines with their CR LF) and waits until the port has read them all.
inline bool WriteAndWaitRead(sample::FakeReceiver& fake, const std::vector<std::string>& lines,
                             TGpsPort& port = g_GpsPort) {
  const uint64_t before = port.GetLinesRead();
  for (const std::string& line : lines)
    if (!fake.Write(line)) return false;
  return test_wait::Until([&] { return port.GetLinesRead() >= before + lines.size(); });
}

}  // namespace test_gps
