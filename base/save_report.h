// What the user hears when a file could not be saved. Every rewrite of a file goes through
// vwritefile (platform/sys/winsys.h), so a failed save has left the old file as it was; the box
// says which file and that. Each kind of file is told once a run: the autosave of a map on a full
// card fails every minute, and a box a minute would make the program unusable until the card is
// changed.
#pragma once

#include "platform/win_types.h"

enum class TSaveKind { kSettings, kProject, kMap, kWorkLog, kReceiverState, kCalibration, kCount };

// Shows the failure to save `path` (path page) when no failure of this kind was shown
// in this run; true when the box was shown. Without an owner the main window owns the box.
bool ReportSaveFailure(TSaveKind kind, const char* path, HWND owner = nullptr);
