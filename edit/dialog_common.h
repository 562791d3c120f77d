// What every dialog of the editing tools does first: report the message to the idle clock, and
// on WM_INITDIALOG set up the shell frame, move over the main window and translate the texts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

class TObjectLibrary;

namespace edit_dialog {

// Shell flags of the full-screen editing dialogs: Done button, input panel down, full screen.
constexpr DWORD kFullScreenFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;

// The "Отмена" button of the editing dialogs: the id the language table's cancel text has, so
// that it translates as every other dialog's does. Escape still sends IDCANCEL.
constexpr int kCancelButton = 4;
inline bool IsCancel(int id) { return id == IDCANCEL || id == kCancelButton; }

void ReportInput(UINT message);
// SHInitDialog with `flags`; with `fit` also FitDialogToMainWindow and TranslateDialog.
void InitFrame(HWND dialog, DWORD flags, bool fit);
// Name of a type from `library`, or "[class-kind]" when it has none.
std::wstring TypeName(const TObjectLibrary* library, uint16_t code);

}  // namespace edit_dialog
