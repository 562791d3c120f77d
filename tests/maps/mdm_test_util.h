// Shared pieces of the vector-map tests: a device with a temporary root, maps written by the
// sample writer, and a window of the main window's class that records out-of-bound notices.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <iterator>
#include <string>
#include <vector>

#include "maps/mdm_map.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/mdm_writer.h"

namespace mdmtest {

inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

inline std::string Host(const std::string& devicePath) {
  return harness::HostPath(Wide(devicePath));
}

inline std::vector<uint8_t> ReadHost(const std::string& devicePath) {
  std::ifstream in(Host(devicePath), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool WriteHost(const std::string& devicePath, const std::vector<uint8_t>& bytes) {
  std::ofstream out(Host(devicePath), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

// OpenHeader and Load; the first non-zero result.
inline int OpenMap(TMdmMap& map, const std::string& devicePath) {
  int rc = map.OpenHeader(devicePath.c_str());
  return rc ? rc : map.Load();
}

// A map made in memory: unit exponent e, frame (x1, y1)-(x2, y2), its own zone as output.
inline void MakeMemoryMap(TMdmMap& map, int e, double x1, double y1, double x2, double y2) {
  std::memcpy(map.header, mdm::kMagic, 5);
  map.header[mdm::kOffVersion] = 3;
  map.header[mdm::kOffFlags] = uint8_t(e << mdm::kUnitShift | 0x06);
  map.SetHeaderFrame(0, x1);
  map.SetHeaderFrame(1, y1);
  map.SetHeaderFrame(3, x2);
  map.SetHeaderFrame(4, y2);
  map.unit = float(std::pow(10.0, e - 3));
  map.zone = uint8_t(int((y1 + y2) / 2) / 1000000);
  map.opened = map.loaded = 1;
  map.SetOutputZone(map.zone);
  map.UpdateFrameBounds();
}

// Records the wParam of every out-of-bound notice sent to the main window.
class NoticeWindow {
 public:
  NoticeWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = L"Vorna";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, L"Vorna", L"Selmik", 0, 0, 0, 240, 320, nullptr, nullptr,
                            nullptr, nullptr);
    Notices().clear();
  }
  ~NoticeWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  static std::vector<WPARAM>& Notices() {
    static std::vector<WPARAM> n;
    return n;
  }
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == 0x0400 + 666) {
      Notices().push_back(w);
      return 0;
    }
    return DefWindowProcW(h, msg, w, l);
  }
  HWND hwnd_ = nullptr;
};

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }
};

}  // namespace mdmtest
