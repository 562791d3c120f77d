// The stylus input mode: one program-wide byte (1 to 16) that the view, the GPS, editing and
// search code read and set; what a tap on the map does depends on it. The state lives here so
// that every subsystem can reach it; app/ watches its changes (the command-bar buttons that go
// with a mode) and runs the pen strokes of each mode (app/input.h).
//
// Modes 12 to 14 belong to an editing panel: while one of them is on, only kNormal may replace
// it. Modes 6 to 9 have no use.
#pragma once

#include <cstdint>

namespace input_mode {

// A tap centres the view, a tap-and-hold selects the objects under the stylus.
constexpr uint8_t kNormal = 1;
constexpr uint8_t kZoomFrame = 2;
constexpr uint8_t kRulerOff = 3;  // asks the ruler to end; the mode becomes kNormal at once
constexpr uint8_t kRuler = 4;
constexpr uint8_t kNavigationPoint = 5;  // a tap sets the navigation point on the map
constexpr uint8_t kGpsOffset = 10;       // a drag sets the GPS offset
constexpr uint8_t kRoute = 11;           // a route by two taps
constexpr uint8_t kToolPanel = 12;
constexpr uint8_t kVertexEdit = 13;
constexpr uint8_t kSelection = 14;  // the selected-objects panel
constexpr uint8_t kAlmanacBase = 15;
constexpr uint8_t kMoveEditedPoint = 16;

constexpr uint8_t kFirst = 1, kLast = 16;

// True for the modes of an editing panel (12 to 14).
constexpr bool IsPanelMode(uint8_t mode) { return mode >= kToolPanel && mode <= kSelection; }

}  // namespace input_mode

uint8_t GetInputMode();
// Sets the mode under the panel rule, then tells the watcher. Modes outside 1 to 16 change
// nothing. `flag` is always 0.
void SetInputMode(uint8_t mode, int flag = 0);
// Sets the mode without the rule or the watcher, as a mode that ends by itself returns to 1.
void SetInputModeDirect(uint8_t mode);

// Called after SetInputMode has set a mode; null: none. The program's top installs it.
using InputModeWatcher = void (*)(uint8_t mode);
void SetInputModeWatcher(InputModeWatcher watcher);
