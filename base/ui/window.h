// Base of the program's own window classes. A process-wide table of live instances and one
// shared window procedure let a plain object own a window without storing anything in the
// window's extra bytes: the procedure finds the instance by its window handle.
#pragma once

#include "platform/win_types.h"

class TWindow {
 public:
  // Registers the instance; both handles start as none.
  TWindow();
  // Removes the instance from the table.
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // The instance's window procedure; the base answers 0 to everything. Derived classes call the
  // default window procedure themselves where they want it.
  virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // Adds an instance to the table unless it is there already.
  static void Register(TWindow* instance);
  // Index of the first instance whose own window is `hwnd`; -1 when none (and for null).
  static int FindByHandle(HWND hwnd);
  static int InstanceCount();
  static TWindow* InstanceAt(int index);
  // The window procedure every class of the program's own windows registers. Messages for a
  // window no instance owns yet (those sent while it is being created, before the derived
  // class has stored the handle) are answered with 0, except that WM_NCCREATE is let through so
  // that creation goes on. Once an instance has had WM_NCDESTROY its handle is cleared, so a
  // later window that gets the same handle value never reaches it.
  static LRESULT WindowProcThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND ownerWindow = nullptr;  // the parent the derived class created its window in
  HWND window = nullptr;       // the instance's own window, stored after creation
};
