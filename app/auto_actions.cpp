#include "app/auto_actions.h"

#include <algorithm>
#include <utility>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "resources/lock_ids.h"

namespace {

// The indicator sits this far above the main window's bottom, at the left edge, 15 x 16 px.
constexpr int kLockRise = 42;
constexpr int kLockWidth = 15, kLockHeight = 16;

void CALLBACK IdleTimerProc(HWND, UINT, UINT_PTR, DWORD) { g_AutoActions.OnTimer(); }

// ---- autosave ----
UINT_PTR g_AutoSaveTimer = 0;
uint32_t g_AutoSaveMs = 0;
int g_AutoSaveOwed = 0;  // an autosave fell due while a window was open: it runs at its close

void CALLBACK AutoSaveTimerProc(HWND, UINT, UINT_PTR, DWORD) { AutoSaveNow(); }

// ---- screen lock ----
HWND g_LockWindow = nullptr;
int g_ExitAfterLock = 0;

INT_PTR CALLBACK LockDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_AutoActions.OnUserInput(dialog, message, wParam, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      g_LockWindow = dialog;
      SHINITDLGINFO info{};
      info.dwMask = SHIDIM_FLAGS;
      info.hDlg = dialog;
      info.dwFlags = 0;
      SHInitDialog(&info);
      RECT main{};
      if (g_MainWindow) GetWindowRect(g_MainWindow, &main);
      MoveWindow(dialog, 0, main.bottom - kLockRise, kLockWidth, kLockHeight, FALSE);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      RECT r;
      GetClientRect(dialog, &r);
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      HGDIOBJ oldBrush = SelectObject(dc, red);
      Rectangle(dc, r.left, r.top, r.right, r.bottom);
      SelectObject(dc, oldBrush);
      DeleteObject(red);
      LOGFONTW lf{};
      lf.lfHeight = 17;
      lf.lfWeight = FW_BOLD;
      wcscpy(lf.lfFaceName, L"Arial");
      HFONT font = CreateFontIndirectW(&lf);
      HGDIOBJ oldFont = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      ExtTextOutW(dc, r.left + 4, r.top - 1, 0, nullptr, L"L", 1, nullptr);
      SelectObject(dc, oldFont);
      DeleteObject(font);
      EndPaint(dialog, &ps);
      return 0;
    }
    case WM_KEYDOWN:
      OnMainKeyDown(g_MainWindow, wParam, lParam);
      return 0;
    case WM_HOTKEY:
      OnMainHotKey(g_MainWindow, wParam, lParam);
      return 0;
    default:
      // Enter and Escape end no lock: only the lock's own button does.
      return 0;
  }
}

// The program's visible top-level windows other than the indicator, with their enabled state.
std::vector<std::pair<HWND, BOOL>> DisableProgramWindows() {
  std::vector<std::pair<HWND, BOOL>> states;
  auto disable = [&states](HWND w) {
    if (!w || !IsWindow(w)) return;
    for (const auto& s : states)
      if (s.first == w) return;
    states.emplace_back(w, IsWindowEnabled(w));
    EnableWindow(w, FALSE);
  };
  disable(g_MainWindow);
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowVisible(w)) disable(w);
  return states;
}

}  // namespace

// ---- automatic actions ----

TAutoActions::~TAutoActions() {
  if (timerId) KillTimer(nullptr, timerId);
}

void TAutoActions::OnUserInput(HWND, UINT message, WPARAM, LPARAM) {
  g_IdleClock.OnUserInput(message);
}

void TAutoActions::ResetIdle() { g_IdleClock.ResetIdleClock(); }

void TAutoActions::LoadSettings() {
  static constexpr struct {
    int command;
    const char* enable;
    const char* timeout;
  } kActions[] = {{kHideToolsPanel, "AutoGTools", "AutoGTools_T"},
                  {kHideSelectionPanel, "AutoInfo", "AutoInfo_T"},
                  {kEndRuler, "AutoRule", "AutoRule_T"},
                  {kResumeGpsFollow, "AutoNaviTr", "AutoNaviTr_T"}};
  actions.clear();
  for (const auto& a : kActions) {
    const int timeout = g_Ini.GetInt(a.timeout);
    // A time-out <= 0 would run at every tick or, compared unsigned, never.
    if (g_Ini.GetInt(a.enable) && timeout > 0) actions.push_back(Action{a.command, timeout, 0});
  }
  auto portTimeout = [](const char* enable, const char* timeout) {
    return g_Ini.GetInt(enable) ? std::max(0, g_Ini.GetInt(timeout)) : 0;
  };
  g_GpsBar.SetValues(portTimeout("AutoChPortW", "AutoChPortW_T"),
                     portTimeout("AutoChPortE", "AutoChPortE_T"));
}

void TAutoActions::Start() {
  g_IdleClock.lastInput = GetTickCount();
  if (!timerId) timerId = SetTimer(nullptr, 0, kTickMs, IdleTimerProc);
  running_ = 1;
}

void TAutoActions::Stop() {
  running_ = 0;
  if (timerId) KillTimer(nullptr, timerId);
  timerId = 0;
  DisarmAutoSave();
}

void TAutoActions::OnTimer() {
  if (!running_) return;
  // Nothing runs under an open window: the tools panel would hide under its own method picker,
  // whose pick then set the panel's mode with no panel to take it. The time in a window is use:
  // the time-outs count from its close.
  if (OpenProgramWindows() > 0) {
    g_IdleClock.ResetIdleClock();
    return;
  }
  if (g_AutoSaveOwed) AutoSaveNow();
  const uint32_t idle = g_IdleClock.IdleSeconds();
  for (Action& a : actions) {
    if (uint32_t(a.timeout) >= idle) {
      a.done = 0;
    } else if (!a.done) {
      a.done = 1;
      Run(a.command);
    }
  }
}

void TAutoActions::Run(int command) {
  switch (command) {
    case kHideToolsPanel:
      if (g_ToolPanel.IsIdle()) {
        g_ToolPanel.Show(0);
        CheckBarButton(kCmdToolsPanel, 0);
        InvalidateMainView(1);
      }
      break;
    case kHideSelectionPanel:
      if (g_SelectionPanel.IsEditing()) {
        g_SelectionPanel.Show(0);
        InvalidateMainView(1);
      }
      break;
    case kEndRuler:
      // The ruler is active only in its own mode, so an editing panel's mode is never left.
      if (GetInputMode() == input_mode::kRuler) ToggleRulerMode(0);
      break;
    case kResumeGpsFollow:
      if (g_GpsPort.IsOpen()) SetGpsFollow(1);
      break;
    default:
      break;
  }
}

// ---- autosave ----

void ApplyAutoSaveSettings() {
  if (!g_Ini.GetInt("WMAutoSave")) {
    DisarmAutoSave();
    return;
  }
  const int minutes = g_Ini.GetInt("WMAutoSaveTime");
  ArmAutoSave(int64_t(minutes > 0 ? minutes : 1) * 60);
}

void ArmAutoSave(int64_t seconds) {
  const int64_t ms = std::clamp<int64_t>(seconds * 1000, 1, 0x7fffffff);
  if (g_AutoSaveTimer && uint32_t(ms) == g_AutoSaveMs) return;
  DisarmAutoSave();
  g_AutoSaveTimer = SetTimer(nullptr, 0, UINT(ms), AutoSaveTimerProc);
  if (g_AutoSaveTimer) g_AutoSaveMs = uint32_t(ms);
}

void DisarmAutoSave() {
  if (g_AutoSaveTimer) KillTimer(nullptr, g_AutoSaveTimer);
  g_AutoSaveTimer = 0;
  g_AutoSaveMs = 0;
  g_AutoSaveOwed = 0;
}

uint32_t AutoSaveIntervalMs() { return g_AutoSaveMs; }

int AutoSaveNow() {
  // Before start-up has finished and once the main window is going, the layer is not ours to
  // write; a save already running (its failure box pumps timers) is not started twice.
  if (!g_AutoActions.IsRunning() || g_UserLayer.IsSaving()) return 0;
  // Under an open window (the project editor removing the map, the form storing into it) the
  // save waits for the window's close; the idle tick runs it then.
  if (OpenProgramWindows() > 0) {
    g_AutoSaveOwed = 1;
    return 0;
  }
  g_AutoSaveOwed = 0;
  g_UserLayer.Save(0);
  return 1;
}

// ---- screen lock ----

HWND ScreenLockWindow() { return g_LockWindow; }

int OpenProgramWindows() {
  const int loops = vplat::ModalLoopDepth();
  return loops - (g_LockWindow && loops > 0 ? 1 : 0);
}

int ToggleScreenLock(HWND owner) {
  if (g_LockWindow) {
    if (IsWindow(g_LockWindow)) EndDialog(g_LockWindow, 0);
    g_LockWindow = nullptr;
    InvalidateMainView(1);
    return 0;
  }
  // No lock without a running program: before start-up or after its window went.
  if (!g_AutoActions.IsRunning() || !g_MainWindow || !IsWindow(g_MainWindow)) return 0;
  if (!owner || !IsWindow(owner)) owner = g_MainWindow;
  const std::vector<std::pair<HWND, BOOL>> states = DisableProgramWindows();
  const INT_PTR result =
      DialogBoxParamW(g_Instance, MAKEINTRESOURCEW(IDD_SCREEN_LOCK), owner, LockDialogProc, 0);
  // The indicator went without an unlock (destroyed from outside, or never made).
  if (g_LockWindow) {
    g_LockWindow = nullptr;
    InvalidateMainView(1);
  }
  // Exactly the states from before: ending the dialog re-enabled its owner, which may have been
  // disabled by a dialog still open under the lock.
  for (const auto& [w, enabled] : states)
    if (IsWindow(w)) EnableWindow(w, enabled);
  if (g_ExitAfterLock) {
    g_ExitAfterLock = 0;
    if (g_MainWindow && IsWindow(g_MainWindow))
      RunButtonAction(g_MainWindow, button_action::kExit, 0);
  }
  return result != -1 ? 1 : 0;
}

int EndScreenLockForExit() {
  if (!g_LockWindow) return 0;
  g_ExitAfterLock = 1;
  ToggleScreenLock(nullptr);
  return 1;
}

namespace {
const vplat::FreshStateHook kFresh(6, [] {
  g_AutoSaveTimer = 0;
  g_AutoSaveMs = 0;
  g_AutoSaveOwed = 0;
  g_LockWindow = nullptr;
  g_ExitAfterLock = 0;
});
}  // namespace
