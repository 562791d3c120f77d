// The settings dialog with its pages.
#pragma once

#include "platform/win.h"

// Opens the dialog on `page` (0 the first, 6 the almanac page) and returns when it closes. The
// pages are not built yet: it returns at once without touching the settings.
void ShowSettingsDialog(HWND owner, int page);

class TSettingsDialog {
 public:
  // Refreshes the live values of the open dialog; nothing while it is closed (always, for now).
  static void RefreshPage(int page);
};
