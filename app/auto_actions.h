// What the program does without a command from the user: the automatic actions after idle time
// (the idle clock itself is base/idle_clock.h), the autosave timer of the working map and the
// screen lock.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

class TAutoActions {
 public:
  // The commands of the idle actions, in the order the settings list them.
  static constexpr int kHideToolsPanel = 1337;
  static constexpr int kHideSelectionPanel = 3005;
  static constexpr int kEndRuler = 3004;
  static constexpr int kResumeGpsFollow = 3006;
  static constexpr UINT kTickMs = 1000;

  struct Action {
    int32_t command;
    int32_t timeout;  // seconds, > 0
    int32_t done;     // ran in this idle period
  };

  TAutoActions() = default;
  ~TAutoActions();

  // Reports a window's message to the idle clock (WM_COMMAND, WM_LBUTTONDOWN reset it).
  void OnUserInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Any input of the main window that counts: the idle clock starts again.
  void ResetIdle();
  // Lists the enabled actions with a positive time-out ("AutoGTools", "AutoInfo", "AutoRule",
  // "AutoNaviTr" with their "_T" keys) and hands the port time-outs to the GPS bar.
  void LoadSettings();
  // Start-up has finished: stamps the idle clock and starts the 1-second timer; ticks and
  // autosaves act from now on.
  void Start();
  // The main window is being destroyed: the timers stop, so nothing runs on panels going away.
  void Stop();
  // Once a second: runs each action once when the user has been idle longer than its time-out.
  void OnTimer();
  int IsRunning() const { return running_; }

  std::vector<Action> actions;
  UINT_PTR timerId = 0;

 private:
  void Run(int command);
  int running_ = 0;
};

extern TAutoActions g_AutoActions;

// Autosave of the working map. "WMAutoSave" non-zero: every "WMAutoSaveTime" minutes (<= 0
// read as 1); otherwise off.
void ApplyAutoSaveSettings();
// Starts the timer at `seconds` (capped at 2^31 - 1 ms); a timer already running at the same
// interval keeps running and keeps its phase.
void ArmAutoSave(int64_t seconds);
void DisarmAutoSave();
// The running timer's interval in ms, 0 when off.
uint32_t AutoSaveIntervalMs();
// One autosave: the working map is saved without asking unless a save is already under way.
// While one of the program's windows is open it waits, and runs at the first idle tick after
// the window's close. 1 when a save was started.
int AutoSaveNow();

// How many of the program's own windows hold their loops now (dialogs, message boxes, menus, a
// panel's own dialog such as the tools' method picker); the screen lock's indicator does not
// count, being made to lie over the rest.
int OpenProgramWindows();

// Screen lock. Locked: ends the lock (the locking call then restores the windows and returns).
// Not locked: disables the program's windows and runs the lock indicator (template 223) owned
// by `owner` until the lock is ended. 1 when it locked, 0 when it unlocked or could not lock.
int ToggleScreenLock(HWND owner);
// The lock indicator, null when not locked.
HWND ScreenLockWindow();
// Exit asked while locked: ends the lock and has the locking call exit once its loop returned.
// 0 when not locked (the caller exits itself).
int EndScreenLockForExit();
