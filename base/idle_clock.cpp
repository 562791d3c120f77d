#include "base/idle_clock.h"

#include "platform/fresh_state.h"
#include "platform/win.h"

TIdleClock g_IdleClock;
namespace {
const vplat::FreshStateHook kFresh(2, [] { vplat::Renew(g_IdleClock); });
}  // namespace

TIdleClock::TIdleClock() : lastInput(GetTickCount()) {}

void TIdleClock::OnUserInput(UINT message) {
  if (message == WM_COMMAND || message == WM_LBUTTONDOWN) ResetIdleClock();
}

void TIdleClock::ResetIdleClock() {
  lastInput = GetTickCount();
  ++resets;
}

uint32_t TIdleClock::IdleSeconds() const { return (uint32_t(GetTickCount()) - lastInput) / 1000u; }
