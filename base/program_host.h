// What the subsystems below the program's top (maps/, view/, gps/, edit/, search/, settings/)
// need of it: the main window and its view, the idle clock, the back buffer and the program
// folder. app/ installs its host at start-up; tests install a fake. Before any is installed the
// calls reach a host that does nothing and answers null and empty, so a subsystem used alone
// (in a test, a tool) never calls into a program that is not there.
#pragma once

#include "platform/win_types.h"

class IProgramHost {
 public:
  // Invalidates the whole main view; non-zero `full` also asks for a full redraw of the maps
  // and an erased background.
  virtual void InvalidateMainView(int full) = 0;
  // Invalidates one rectangle of the main view (client pixels); the maps are not drawn again,
  // the back buffer repaints it.
  virtual void InvalidateMainViewRect(const RECT& rect) = 0;
  // Moves the dialog over the main window (the task bar hidden) and returns that rectangle.
  virtual void FitDialogToMainWindow(RECT* out, HWND dialog) = 0;
  // The user did something: the idle clock of the automatic actions starts again.
  virtual void ReportUserInput() = 0;
  // Copies the rectangle from the back buffer to the same place in `dc`; 0 when there is none.
  virtual BOOL RestoreBackBuffer(HDC dc, const RECT& rect) = 0;
  // Stops following the GPS and makes the screen point the view centre; full redraw.
  virtual void CenterViewAt(int x, int y) = 0;
  virtual HWND MainWindow() = 0;
  // Makes sure a working map is open, asking the user to choose or create one; false when none
  // results (a host without a program to ask has none).
  virtual bool EnsureWorkingMap() { return false; }
  // The program's folder in device form, ending with its '\'.
  virtual const char* ProgramFolder() = 0;
  // While the GPS port has a measured fix (valid, refreshed by the receiver within the last
  // 3 s): 1 and its UTC time of day; otherwise 0, and nothing is stamped (a time of "00:00:00"
  // before the first fix, or the last fix's while the receiver is silent, was never measured).
  // The construction tools stamp new objects with it.
  virtual int GetFixTime(SYSTEMTIME* out) {
    (void)out;
    return 0;
  }

 protected:
  ~IProgramHost() = default;
};

// Installs `host` (null: the host that does nothing again). The host outlives its use.
void SetProgramHost(IProgramHost* host);
IProgramHost& ProgramHost();
