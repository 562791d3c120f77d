// What the map code takes from the application core: the backup setting and its two messages.
#pragma once

#include "platform/win_types.h"

// "WMBackUp": the old map file is kept under a backup name before a save.
bool MapBackupsOn();
// Message 100072 (Msg_LegendReadErr_I) formatted with the library loader's error code.
void ShowLibraryMissing(int loaderError);
// A message box of the language text `id` over `owner`.
void ShowMapMessage(HWND owner, int id);
