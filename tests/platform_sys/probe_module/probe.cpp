// A small module for the module-loading tests: one plain export, and one that goes through the
// shared device layer so the test can see that both sides share its state.
#include "platform/win.h"

VORNA_EXPORT int ProbeAnswer() { return 42; }

VORNA_EXPORT DWORD ProbeOwnPath(wchar_t* buffer, DWORD cch) {
  return GetModuleFileNameW(GetModuleHandleW(L"SysProbe.dll"), buffer, cch);
}
