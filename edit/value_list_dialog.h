// The value-list dialog: picks the value of a list-valued attribute from the value table that
// the object library gives for it. One value (type 6) or any number of them (type 7), carried
// as text: one entry's text, or the chosen texts joined with ",".
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

class TObjectLibrary;

class TValueListDialog {
 public:
  static constexpr int kTemplate = 225;
  static constexpr int kSingleList = 2427;
  static constexpr int kMultipleList = 1026;

  // Runs dialog 225 modally over `parent`. `text` is changed only by OK. The dialog's result
  // (IDOK or IDCANCEL).
  int Run(HWND parent, HINSTANCE instance, const TObjectLibrary* library, uint16_t tableCode,
          std::string& text, int multiple, int readOnly);

  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  const TObjectLibrary* library = nullptr;
  uint16_t tableCode = 0;
  std::string* text = nullptr;
  int multiple = 0;
  int readOnly = 0;

  // Fills and preselects the shown list (WM_INITDIALOG).
  void Init(HWND dialog);
  // Writes the selection back into the text (OK).
  void Collect();

 private:
  HWND ShownList() const;
};

extern TValueListDialog g_ValueListDialog;
