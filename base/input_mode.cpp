#include "base/input_mode.h"
#include "platform/fresh_state.h"

namespace {
uint8_t g_inputMode = input_mode::kNormal;
InputModeWatcher g_watcher = nullptr;
// The watcher stays: the program installs it from a static constructor, before any case.
const vplat::FreshStateHook kFresh(2, [] { g_inputMode = input_mode::kNormal; });
}  // namespace

uint8_t GetInputMode() { return g_inputMode; }

void SetInputModeDirect(uint8_t mode) {
  if (mode >= input_mode::kFirst && mode <= input_mode::kLast) g_inputMode = mode;
}

void SetInputMode(uint8_t mode, int) {
  if (mode < input_mode::kFirst || mode > input_mode::kLast) return;
  if (input_mode::IsPanelMode(g_inputMode) && mode != input_mode::kNormal) return;
  g_inputMode = mode;
  if (g_watcher) g_watcher(mode);
}

void SetInputModeWatcher(InputModeWatcher watcher) { g_watcher = watcher; }
