#include "app/input.h"

namespace {
uint8_t g_inputMode = 1;  // 1: a tap centres the view
}

uint8_t GetInputMode() { return g_inputMode; }

void SetInputMode(uint8_t mode) {
  if (mode >= 1 && mode <= 16) g_inputMode = mode;
}

LRESULT OnMainPenDown(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OnMainPenMove(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OnMainPenUp(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OnMainKeyDown(HWND, WPARAM, LPARAM) { return 0; }
LRESULT OnMainHotKey(HWND, WPARAM, LPARAM) { return 0; }
