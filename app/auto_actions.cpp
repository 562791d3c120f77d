#include "app/auto_actions.h"

void TAutoActions::OnUserInput(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_COMMAND || message == WM_LBUTTONDOWN) ResetIdle();
}

void TAutoActions::ResetIdle() {
  lastInputTick = GetTickCount();
  ++resets;
}
