// The shell around the program: the task bar at the top (with the Done button of dialogs that
// ask for one), the input panel, a 240 x 80 keyboard above the command bar whose keys type into
// the focused control, and its button, plus the shell functions that size dialogs, switch the
// task bar and the input panel, and recognise tap-and-hold.
//
// The three windows are made the first time a shell function needs them (a program that never
// calls the shell sees none of them) and again after the device was reset. None of them takes
// the activation or the focus, so typing on the panel leaves the focus where it was.
#include <algorithm>
#include <map>
#include <set>

#include "platform/core/internal.h"
#include "platform/core/internal_input.h"
#include "platform/fresh_state.h"
#include "platform/ui/control.h"
#include "platform/ui/shell_internal.h"

namespace vplat::ui {
namespace {

constexpr wchar_t kTaskBarClass[] = L"TaskBar";
constexpr wchar_t kSipClass[] = L"SipWndClass";
constexpr wchar_t kSipButtonClass[] = L"MS_SIPBUTTON";
constexpr int kTaskBarHeight = 26;   // pixels, the strip above every top-level window
constexpr int kSipHeight = 80;       // pixels
constexpr int kSipButtonWidth = 24;  // pixels, at the right end of the command bar
constexpr int kKeyHeight = 20;       // pixels: four rows fill the panel
constexpr int kDoneWidth = 30;       // pixels, the Done button at the task bar's right end
constexpr COLORREF kTaskBarColour = RGB(0, 0, 128);
// A pen-down handled later than this after it happened is not the gesture's pen-down, ms.
constexpr uint64_t kStaleMessageMs = 10000;

HWND g_taskBar = nullptr, g_sip = nullptr, g_sipButton = nullptr;
std::map<HWND, HWND>& Bars() {  // bar -> the window it serves
  static auto* bars = new std::map<HWND, HWND>;
  return *bars;
}
std::set<HWND>& DoneDialogs() {
  static auto* d = new std::set<HWND>;
  return *d;
}
std::map<HWND, bool>& SipWanted() {  // the last SHSipPreference of each window: up or down
  static auto* m = new std::map<HWND, bool>;
  return *m;
}

// ---- the input panel's keys ----

enum Special : wchar_t { kBack = 1, kEnter, kShift, kLang };
struct Key {
  wchar_t ch;  // a character or a Special
  int x, width;
};

struct SipState {
  bool cyrillic = false;
  bool shift = false;
  int pressedRow = -1, pressedKey = -1;
};
SipState g_sipState;

// The shell's own windows go with every other window between test cases; what it remembered of
// them (and the input panel's shift and alphabet) goes with them.
const vplat::FreshStateHook kFresh(1, [] {
  g_taskBar = g_sip = g_sipButton = nullptr;
  Bars().clear();
  DoneDialogs().clear();
  SipWanted().clear();
  g_sipState = SipState{};
});

// Four rows of 20-pixel keys across the 240-pixel panel; the space bar is 40 pixels.
std::vector<Key> Row(int row) {
  static const wchar_t* latin[] = {L"1234567890-=", L"qwertyuiop[]", L"asdfghjkl", L"zxcvbnm,."};
  static const wchar_t* cyr[] = {L"1234567890жэ", L"йцукенгшщзхъ", L"фывапролд", L"ячсмитьбю"};
  const wchar_t* chars = (g_sipState.cyrillic ? cyr : latin)[row];
  std::vector<Key> keys;
  int x = 0;
  if (row == 3) {
    keys.push_back({kShift, x, 20});
    x += 20;
  }
  for (const wchar_t* p = chars; *p; ++p, x += 20) keys.push_back({*p, x, 20});
  if (row == 2) {
    keys.push_back({L' ', x, 40});
    keys.push_back({kBack, x + 40, 20});
  } else if (row == 3) {
    keys.push_back({kLang, x, 20});
    keys.push_back({kEnter, x + 20, 20});
  }
  return keys;
}

wchar_t Shifted(wchar_t c) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 32);
  if (c >= 0x0430 && c <= 0x044F) return static_cast<wchar_t>(c - 32);
  return c;
}

std::wstring Label(wchar_t c) {
  switch (c) {
    case kBack: return L"\u2190";
    case kEnter: return L"\u21B5";
    case kShift: return L"\u21E7";
    case kLang: return g_sipState.cyrillic ? L"en" : L"ру";
    case L' ': return L"";
    default: return std::wstring(1, g_sipState.shift ? Shifted(c) : c);
  }
}

void PressKey(HWND sip, wchar_t c) {
  switch (c) {
    case kBack:
    case kEnter:
      // As keys, so that a dialog sees Enter; the message loop makes their characters.
      vplat::InjectKey(c == kBack ? VK_BACK : VK_RETURN, true);
      vplat::InjectKey(c == kBack ? VK_BACK : VK_RETURN, false);
      return;
    case kShift:
      g_sipState.shift = !g_sipState.shift;
      InvalidateRect(sip, nullptr, FALSE);
      return;
    case kLang:
      g_sipState.cyrillic = !g_sipState.cyrillic;
      InvalidateRect(sip, nullptr, FALSE);
      return;
    default:
      vplat::InjectChar(g_sipState.shift ? Shifted(c) : c);
      if (g_sipState.shift) {
        // Shift holds for one character.
        g_sipState.shift = false;
        InvalidateRect(sip, nullptr, FALSE);
      }
  }
}

bool KeyAt(int x, int y, int* row, int* index) {
  *row = y / kKeyHeight;
  if (x < 0 || y < 0 || *row > 3) return false;
  std::vector<Key> keys = Row(*row);
  for (size_t i = 0; i < keys.size(); ++i)
    if (x >= keys[i].x && x < keys[i].x + keys[i].width) {
      *index = static_cast<int>(i);
      return true;
    }
  return false;
}

LRESULT CALLBACK SipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN: {
      int row, index;
      if (KeyAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), &row, &index)) {
        g_sipState.pressedRow = row;
        g_sipState.pressedKey = index;
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      int row = -1, index = -1;
      bool hit = KeyAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), &row, &index);
      bool same = hit && row == g_sipState.pressedRow && index == g_sipState.pressedKey;
      g_sipState.pressedRow = g_sipState.pressedKey = -1;
      if (GetCapture() == hwnd) ReleaseCapture();
      InvalidateRect(hwnd, nullptr, FALSE);
      if (same) PressKey(hwnd, Row(row)[static_cast<size_t>(index)].ch);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillSolid(dc, rc, SysColor(COLOR_BTNFACE));
      HGDIOBJ old = SelectObject(dc, SystemFont());
      for (int row = 0; row < 4; ++row) {
        std::vector<Key> keys = Row(row);
        for (size_t i = 0; i < keys.size(); ++i) {
          const Key& k = keys[i];
          RECT kr{k.x, row * kKeyHeight, k.x + k.width, (row + 1) * kKeyHeight};
          bool down = row == g_sipState.pressedRow && static_cast<int>(i) == g_sipState.pressedKey;
          bool lit = down || (k.ch == kShift && g_sipState.shift);
          FillSolid(dc, RECT{kr.left + 1, kr.top + 1, kr.right - 1, kr.bottom - 1},
                    lit ? SysColor(COLOR_HIGHLIGHT) : SysColor(COLOR_WINDOW));
          DrawTextIn(dc, Label(k.ch), kr, DT_CENTER | DT_SINGLELINE | DT_VCENTER,
                     lit ? SysColor(COLOR_HIGHLIGHTTEXT) : SysColor(COLOR_WINDOWTEXT));
        }
      }
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---- the input-panel button and the task bar ----

void ShowSip(bool show);

LRESULT CALLBACK SipButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONUP: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (p.x >= 0 && p.y >= 0 && p.x < rc.right && p.y < rc.bottom) ShowSip(!SipIsShown());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillSolid(dc, rc, SysColor(COLOR_BTNFACE));
      // A small keyboard: a frame with two rows of keys.
      RECT kb{4, 8, rc.right - 4, rc.bottom - 7};
      FrameSolid(dc, kb, SysColor(COLOR_BTNTEXT));
      for (int x = kb.left + 3; x < kb.right - 2; x += 3) {
        FillSolid(dc, RECT{x, kb.top + 3, x + 2, kb.top + 5}, SysColor(COLOR_BTNTEXT));
        FillSolid(dc, RECT{x, kb.top + 7, x + 2, kb.top + 9}, SysColor(COLOR_BTNTEXT));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The foreground window when it is a dialog that asked for the Done button.
HWND DoneTarget() {
  HWND fg = GetForegroundWindow();
  return fg && DoneDialogs().count(fg) && IsWindow(fg) ? fg : nullptr;
}

LRESULT CALLBACK TaskBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONUP: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      HWND dlg = DoneTarget();
      if (dlg && x >= rc.right - kDoneWidth && x < rc.right && y >= 0 && y < rc.bottom)
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillSolid(dc, rc, kTaskBarColour);
      HGDIOBJ old = SelectObject(dc, SystemFont());
      HWND fg = GetForegroundWindow();
      std::wstring title = fg ? WindowText(fg) : L"";
      DrawTextIn(dc, title, RECT{6, 0, rc.right - kDoneWidth - 4, rc.bottom}, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
                 RGB(255, 255, 255));
      if (DoneTarget()) {
        RECT done{rc.right - kDoneWidth + 2, 4, rc.right - 3, rc.bottom - 4};
        FrameSolid(dc, done, RGB(255, 255, 255));
        DrawTextIn(dc, L"ok", done, DT_CENTER | DT_SINGLELINE | DT_VCENTER, RGB(255, 255, 255));
      }
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void EnsureShellWindows() {
  EnsureClasses();
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  DWORD ex = WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  if (!IsWindow(g_taskBar))
    g_taskBar = CreateWindowExW(ex, kTaskBarClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, sw, kTaskBarHeight,
                                nullptr, nullptr, nullptr, nullptr);
  if (!IsWindow(g_sip)) {
    g_sip = CreateWindowExW(ex, kSipClass, L"", WS_POPUP, 0, sh - MENU_HEIGHT - kSipHeight, sw, kSipHeight,
                            nullptr, nullptr, nullptr, nullptr);
    g_sipState = SipState{};
  }
  if (!IsWindow(g_sipButton))
    g_sipButton = CreateWindowExW(ex, kSipButtonClass, L"MS_SIPBUTTON", WS_POPUP, sw - kSipButtonWidth,
                                  sh - MENU_HEIGHT, kSipButtonWidth, MENU_HEIGHT, nullptr, nullptr, nullptr, nullptr);
}

void ShowSip(bool show) {
  EnsureShellWindows();
  if (!g_sip || (IsWindowVisible(g_sip) != FALSE) == show) return;
  ShowWindow(g_sip, show ? SW_SHOWNA : SW_HIDE);
}

void RefreshTaskBar() {
  if (IsWindow(g_taskBar)) InvalidateRect(g_taskBar, nullptr, FALSE);
}

}  // namespace

void AddMenuBar(HWND bar, HWND owner) { Bars()[bar] = owner; }
void RemoveMenuBar(HWND bar) { Bars().erase(bar); }

void ShowSipButton(bool show) {
  EnsureShellWindows();
  if (g_sipButton) ShowWindow(g_sipButton, show ? SW_SHOWNA : SW_HIDE);
}

void RegisterShellClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TaskBarProc;
  wc.lpszClassName = kTaskBarClass;
  RegisterClassW(&wc);
  wc.lpfnWndProc = SipProc;
  wc.lpszClassName = kSipClass;
  RegisterClassW(&wc);
  wc.lpfnWndProc = SipButtonProc;
  wc.lpszClassName = kSipButtonClass;
  RegisterClassW(&wc);
  RegisterMenuBarClass();
}

}  // namespace vplat::ui

using namespace vplat::ui;

extern "C" {

HWND SHFindMenuBar(HWND hwnd) {
  for (auto it = Bars().begin(); it != Bars().end();) {
    if (!IsWindow(it->first)) {
      it = Bars().erase(it);
      continue;
    }
    if (it->second == hwnd) return it->first;
    ++it;
  }
  return nullptr;
}

BOOL SHInitDialog(PSHINITDLGINFO info) {
  if (!info || !(info->dwMask & SHIDIM_FLAGS) || !IsWindow(info->hDlg)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnsureShellWindows();
  DWORD f = info->dwFlags;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (f & SHIDIF_SIPDOWN) {
    ShowSip(false);
    SipWanted()[info->hDlg] = false;
  }
  // The dialog fills the screen below the task bar: all of it without a menu bar, else down to
  // the command bar; SHIDIF_SIZEDLG also keeps clear of a raised input panel.
  if (f & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) {
    int bottom = sh;
    if (!(f & SHIDIF_FULLSCREENNOMENUBAR)) bottom -= MENU_HEIGHT;
    if ((f & SHIDIF_SIZEDLG) && !(f & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) && SipIsShown())
      bottom -= kSipHeight;
    MoveWindow(info->hDlg, 0, kTaskBarHeight, sw, bottom - kTaskBarHeight, TRUE);
  }
  if (f & SHIDIF_DONEBUTTON) DoneDialogs().insert(info->hDlg);
  else DoneDialogs().erase(info->hDlg);
  for (auto it = DoneDialogs().begin(); it != DoneDialogs().end();)
    it = IsWindow(*it) ? std::next(it) : DoneDialogs().erase(it);
  RefreshTaskBar();
  return TRUE;
}

BOOL SHFullScreen(HWND hwnd, DWORD state) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  EnsureShellWindows();
  if (state & SHFS_HIDETASKBAR) ShowWindow(g_taskBar, SW_HIDE);
  else if (state & SHFS_SHOWTASKBAR) ShowWindow(g_taskBar, SW_SHOWNA);
  if (state & SHFS_HIDESIPBUTTON) ShowSipButton(false);
  else if (state & SHFS_SHOWSIPBUTTON) ShowSipButton(true);
  RefreshTaskBar();
  return TRUE;
}

BOOL SHSipPreference(HWND hwnd, SIPSTATE state) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  switch (state) {
    case SIP_UP:
    case SIP_INPUTDIALOG:
      ShowSip(true);
      SipWanted()[hwnd] = true;
      return TRUE;
    case SIP_DOWN:
    case SIP_FORCEDOWN:
      ShowSip(false);
      SipWanted()[hwnd] = false;
      return TRUE;
    case SIP_UNCHANGED:
      return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

BOOL SipIsShown() { return IsWindow(g_sip) && IsWindowVisible(g_sip); }

BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM, void*, DWORD) {
  if (!IsWindow(hwnd)) return FALSE;
  RefreshTaskBar();
  if (LOWORD(wParam) == WA_INACTIVE) return TRUE;
  // A window coming back gets the input panel as it last asked for it.
  auto it = SipWanted().find(hwnd);
  if (it != SipWanted().end()) ShowSip(it->second);
  for (auto i = SipWanted().begin(); i != SipWanted().end();) i = IsWindow(i->first) ? std::next(i) : SipWanted().erase(i);
  return TRUE;
}

DWORD SHRecognizeGesture(SHRGINFO* info) {
  if (!info || !IsWindow(info->hwndClient)) return 0;
  POINT p = info->ptDown;
  ClientToScreen(info->hwndClient, &p);
  unsigned delay = (info->dwFlags & SHRG_LONGDELAY) ? SHRG_LONGDELAY_MS : SHRG_DELAY_MS;
  // The hold counts from the moment the pen went down, which is the time of the pen-down
  // message being handled; a program that gets to it late is answered from the input already
  // waiting. A message time far in the past means we were not called for a pen-down.
  uint64_t now = vplat::NowMs();
  uint64_t since = static_cast<DWORD>(static_cast<DWORD>(now) - static_cast<DWORD>(GetMessageTime()));
  uint64_t down = since <= kStaleMessageMs && since <= now ? now - since : now;
  if (!vplat::PenHeldUntil(p.x, p.y, SHRG_TOLERANCE_PX, down + delay)) return 0;
  if (info->dwFlags & SHRG_RETURNCMD) return GN_CONTEXTMENU;
  // Otherwise the window (or with SHRG_NOTIFYPARENT its parent) hears of it, and its answer is ours.
  NMRGINFO nm{};
  nm.hdr.hwndFrom = info->hwndClient;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(info->hwndClient));
  nm.hdr.code = GN_CONTEXTMENU;
  nm.ptAction = p;
  HWND to = (info->dwFlags & SHRG_NOTIFYPARENT) && GetParent(info->hwndClient) ? GetParent(info->hwndClient)
                                                                              : info->hwndClient;
  return static_cast<DWORD>(SendMessageW(to, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)));
}

}  // extern "C"
