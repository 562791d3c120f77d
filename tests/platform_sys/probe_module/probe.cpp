// A small module for the module-loading tests: one plain export, and one that goes through the
// shared device layer so the test can see that both sides share its state.
#include "platform/win.h"

VORNA_EXPORT int ProbeAnswer() { return 42; }

VORNA_EXPORT DWORD ProbeOwnPath(wchar_t* buffer, DWORD cch) {
  return GetModuleFileNameW(GetModuleHandleW(L"SysProbe.dll"), buffer, cch);
}

// Resources registered while the module loads are the module's own: 101 shadows nothing of the
// program's, 7001 exists only here.
namespace {
const char kProbeData[] = "probe";
const char kProbeOnly[] = "only";
struct ProbeResources {
  ProbeResources() {
    vplat::RegisterResource(RT_RCDATA, 101, kProbeData, sizeof kProbeData);
    vplat::RegisterResource(RT_RCDATA, 7001, kProbeOnly, sizeof kProbeOnly);
  }
} const kProbeResources;
}  // namespace

// A window whose procedure is the module's own, left behind on purpose.
static LRESULT CALLBACK ProbeWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(hwnd, msg, wp, lp);
}

VORNA_EXPORT HWND ProbeLeaveWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeWindowProc;
  wc.lpszClassName = L"ProbeLeft";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"ProbeLeft", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}
