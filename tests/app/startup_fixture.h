// A device for the main window's tests: the harness with a seeded root (the demo palette and a
// settings file), the program's window made as the entry makes it, and helpers to read the
// settings file back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/main_window.h"
#include "app/winmain.h"
#include "platform/harness.h"
#include "tools/sampledata/mol_writer.h"

namespace startup_test {

// The settings of the seeded root: an almanac file, a duplicate key and no saving of projects.
inline const char kSeedIni[] =
    "[Ini]\n"
    "AlmFile=\\navi\\t.jps\n"
    "LangFile=\n"
    "Dup=1\n"
    "Dup=2\n"
    "SEVELASTPRJ=0\n"
    "Keep=a\\b c\n";

inline void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void SeedPalette() {
  sample::Bytes palette = sample::PaletteBytes(sample::DemoPalette());
  WriteHostFile(harness::Root() + "/Vorna/Obj/Vorna.rgb",
                std::string(palette.begin(), palette.end()));
}

inline std::string IniHostPath() { return harness::Root() + "/Vorna/Vorna.ini"; }

// Plenty of free memory, so that the 30-second check stays quiet unless a test says otherwise.
inline void PlentyOfMemory(DWORD available = 64u << 20) {
  static MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  status.dwAvailPhys = available;
  status.dwTotalPhys = 128u << 20;
  vplat::SetMemoryStatusOverride(&status);
}

// Registers the class and makes the started main window with `commandLine`, as WinMain does
// before its loop; pumps until idle so the first paint has happened.
inline HWND MakeMainWindow(const char* commandLine = "") {
  g_CommandLine = commandLine;
  if (RegisterMainWindowClass(nullptr) != 0) return nullptr;
  HWND w = CreateMainWindow(nullptr, commandLine, SW_SHOW);
  harness::PumpUntilIdle();
  return w;
}

}  // namespace startup_test
