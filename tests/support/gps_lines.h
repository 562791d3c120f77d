// Lines written to the fake receiver and waited for until the port's reader has taken every one
// of them (its line count), so that what a test checks next is the state after exactly those
// lines: their fix published, their last-line time stamped.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "gps/gps_port.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/fake_receiver.h"

namespace test_gps {

// The settings of an NMEA receiver on COM1 at 4800 baud, COM1 being the fake's end of the line.
inline void UseFakeNmeaOnCom1(const sample::FakeReceiver& fake) {
  setenv("VORNA_COM1", fake.SlavePath().c_str(), 1);
  g_Ini.SetInt("GPSTYPE", 0);
  g_Ini.SetString("GPSCOMNUM_NMEA", "COM1:");
  g_Ini.SetInt("GPSCOMBR_NMEA", 4800);
}

// The settings of an echo sounder on COM3, the fake's end of the line, recording its depths as
// points of `code`.
inline void UseFakeSounderOnCom3(const sample::FakeReceiver& fake, uint16_t code) {
  setenv("VORNA_COM3", fake.SlavePath().c_str(), 1);
  g_Ini.SetInt("ECHOACTIVE", 1);
  g_Ini.SetInt("ECHOCOMNUM", 3);
  g_Ini.SetInt("ECHODefCodePoint", code);
}

// Writes `lines` (whole NMEA lines with their CR LF) and waits until the port has read them all.
inline bool WriteAndWaitRead(sample::FakeReceiver& fake, const std::vector<std::string>& lines,
                             TGpsPort& port = g_GpsPort) {
  const uint64_t before = port.GetLinesRead();
  for (const std::string& line : lines)
    if (!fake.Write(line)) return false;
  return test_wait::Until([&] { return port.GetLinesRead() >= before + lines.size(); });
}

}  // namespace test_gps
