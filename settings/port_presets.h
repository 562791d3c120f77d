// The GPS port presets: named receiver type, port and baud rate triples read from
// "PortsPresets.ini" in the program folder, offered by the GPS port page.
//
// File: 8-bit text, one preset per line, fields separated by TAB: type (1 NMEA, 2 JAVAD), port
// number (1 to 15, 1 = "COM1:"), baud rate, name. Lines beginning with '#' are comments; lines
// with fewer than three TABs and lines whose numbers are not valid are skipped. The name is the
// rest of the line after the third TAB without its line end, at most 254 bytes. The file is only
// read, never written.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

// One preset, 267 bytes as the handheld kept it: the name (255 bytes, zero-terminated), then
// the type, the port number and the baud rate.
struct PortPreset {
  char name[255];
  int32_t type;
  int32_t port;
  int32_t baud;
};

class TPortPresets {
 public:
  static constexpr int kMaxPort = 15;
  static constexpr size_t kMaxName = 254;  // bytes of a name

  // Reads the file (device path): 1 when it could be opened, else 0 with the list empty.
  int Load(const char* path);
  // Remembers the combo box, empties it and adds an empty first item, then every name.
  void FillCombo(HWND combo);
  // The preset of the combo's current item; null for the empty item or no selection.
  const PortPreset* GetSelected() const;
  // Selects the preset's type, port and baud rate items (no selected preset: nothing).
  void Apply(HWND typeCombo, HWND portCombo, HWND baudCombo) const;
  // Empties the list.
  void Free();

  int Count() const { return static_cast<int>(list_.size()); }
  const PortPreset& At(int index) const { return list_[static_cast<size_t>(index)]; }

  // One line of the file (without or with its line end) as a preset; false for a comment or a
  // malformed line.
  static bool ParseLine(const char* line, size_t length, PortPreset* out);

 private:
  HWND combo_ = nullptr;
  std::vector<PortPreset> list_;
};

extern TPortPresets g_PortPresets;
