#include "settings/settings_dialog.h"

void ShowSettingsDialog(HWND /*owner*/, int /*page*/) {}

void TSettingsDialog::RefreshPage(int /*page*/) {}
