// The project editor as the user works it: a map line chosen by its name, made the working map.
#pragma once

#include <string>

#include "platform/harness.h"
#include "platform/win.h"
#include "view/project_maps_dlg.h"

namespace editor_taps {

// Scripts the next project editor: the line whose text holds `name` chosen, "working map", OK.
inline void AssignWorkingMapOnOpen(const std::wstring& name) {
  harness::OnDialog(TProjectMapsDlg::kTemplate, [name](HWND d) {
    const HWND list = GetDlgItem(d, TProjectMapsDlg::kList);
    const int lines = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < lines; ++i) {
      wchar_t text[300] = {};
      SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(text));
      if (std::wstring(text).find(name) != std::wstring::npos)
        SendMessageW(list, LB_SETCURSEL, WPARAM(i), 0);
    }
    SendMessageW(d, WM_COMMAND, TProjectMapsDlg::kAssign, 0);
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
}

}  // namespace editor_taps
