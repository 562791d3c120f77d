// The receiver file manager: lists, downloads and deletes the files of a geodetic receiver.
#pragma once

#include "platform/win.h"

class TReceiverFilesDlg {
 public:
  // Runs the dialog modally; 0: nothing was done (the manager is not built yet, so it never
  // opens).
  static int Run(HWND owner, HINSTANCE instance);
};
