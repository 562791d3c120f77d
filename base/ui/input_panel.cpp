// The shell's gesture recogniser and soft input panel.
#include "base/ui/shell_utils.h"

#include "platform/fresh_state.h"
#include "platform/win.h"

bool IsTapAndHold(HWND hwnd, int x, int y, int longDelay) {
  SHRGINFO info{};
  info.cbSize = sizeof info;
  info.hwndClient = hwnd;
  info.ptDown.x = x;
  info.ptDown.y = y;
  info.dwFlags = SHRG_RETURNCMD | (longDelay ? SHRG_LONGDELAY : 0);
  return SHRecognizeGesture(&info) == GN_CONTEXTMENU;
}

namespace {
HWND g_sipWindow = nullptr;
int g_sipState = -1;  // none yet
const vplat::FreshStateHook kFresh(2, [] {
  g_sipWindow = nullptr;
  g_sipState = -1;
});
}  // namespace

void SetSipState(HWND hwnd, int up) {
  int state = up ? 1 : 0;
  if (hwnd == g_sipWindow && state == g_sipState) return;
  g_sipWindow = hwnd;
  g_sipState = state;
  SHSipPreference(hwnd, state ? SIP_UP : SIP_DOWN);
  SHFullScreen(hwnd, state ? SHFS_SHOWSIPBUTTON : SHFS_HIDESIPBUTTON);
  if (HWND button = FindWindowW(L"MS_SIPBUTTON", L"MS_SIPBUTTON")) ShowWindow(button, state ? SW_SHOW : SW_HIDE);
}

void SipCommand(HWND dialog, int id, UINT notification) {
  if (notification == EN_SETFOCUS) SetSipState(GetDlgItem(dialog, id), 1);
  else if (notification == EN_KILLFOCUS) SetSipState(GetDlgItem(dialog, id), 0);
}

