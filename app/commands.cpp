#include "app/commands.h"

LRESULT OnMainCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == kCmdExit) {
    SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    return 0;
  }
  return DefWindowProcW(hwnd, WM_COMMAND, wParam, lParam);
}
