#include "edit/object_list_panel.h"

#include "base/idle_clock.h"
#include "base/program_host.h"
#include "edit/dialog_common.h"
#include "edit/object_refs.h"
#include "view/map_view.h"
#include "view/point_lists.h"

namespace {

INT_PTR CALLBACK ObjectListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  edit_dialog::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      edit_dialog::InitFrame(dialog, 0, false);
      return FALSE;  // the hidden panel's list must not take the main window's keys
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(dialog, &ps);
      RECT rc;
      GetClientRect(dialog, &rc);
      const HBRUSH brush = CreateSolidBrush(0x00FFFF);
      FillRect(dc, &rc, brush);
      DeleteObject(brush);
      MoveToEx(dc, 0, 0, nullptr);
      LineTo(dc, rc.right, 0);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == TObjectListPanel::kList &&
          (HIWORD(wParam) == LBN_SELCHANGE || HIWORD(wParam) == LBN_DBLCLK)) {
        g_ObjectListPanel.OnSelectionChange();
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

HWND TObjectListPanel::Create(HWND mainWindow, HINSTANCE inst) {
  parent = mainWindow;
  instance = inst;
  return EnsureWindow();
}

HWND TObjectListPanel::EnsureWindow() {
  // The window went with the main window it belonged to (destroyed, and a main window made
  // again): the handle names nothing now, and the panel is made anew under the new parent.
  if (window && !IsWindow(window)) {
    window = nullptr;
    visible = 0;
  }
  if (window || !parent) return window;
  window = CreateDialogParamW(instance, MAKEINTRESOURCEW(kTemplate), parent, ObjectListProc, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  if (IsChild(window, GetFocus())) SetFocus(parent);
  if (pendingBottom != kNoPlace) PlaceAbove(pendingBottom);
  return window;
}

void TObjectListPanel::Show(int on) {
  if (on) EnsureWindow();
  if (!window) return;
  if (on) {
    visible = 1;
    ShowWindow(window, SW_SHOW);
    RECT rc;
    GetClientRect(window, &rc);
    MoveWindow(GetDlgItem(window, kList), 0, 0, rc.right, rc.bottom, TRUE);
    ClearMarks(g_MapView);
    markerIndex = -1;
    return;
  }
  const int was = visible;
  visible = 0;
  ShowWindow(window, SW_HIDE);
  if (was) {
    g_MapView.ClearHighlights();
    ClearMarks(g_MapView);
    ProgramHost().InvalidateMainView(0);
  }
}

void TObjectListPanel::PlaceAbove(int bottom) {
  pendingBottom = bottom;
  if (!window) return;
  RECT rc;
  GetWindowRect(window, &rc);
  SetWindowPos(window, nullptr, 0, bottom - (rc.bottom - rc.top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

void TObjectListPanel::SetTop(int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TObjectListPanel::GetHeight() const {
  if (!window || !visible) return 0;
  RECT rc;
  GetWindowRect(window, &rc);
  return rc.bottom - rc.top;
}

void TObjectListPanel::SetItems(const TObjectRef* refs, int n) {
  EnsureWindow();
  const HWND list = window ? GetDlgItem(window, kList) : nullptr;
  if (object_refs::FillList(list, refs, n, &items) == 1) OnSelectionChange();
}

const TObjectRef* TObjectListPanel::GetSelected() const {
  const HWND list = window ? GetDlgItem(window, kList) : nullptr;
  if (!list) return nullptr;
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  return index >= 0 && size_t(index) < items.size() ? &items[size_t(index)] : nullptr;
}

void TObjectListPanel::OnSelectionChange() {
  const TObjectRef* ref = GetSelected();
  if (!ref) return;
  g_MapView.ClearHighlights();
  g_MapView.AddHighlight(*ref);
  ProgramHost().InvalidateMainView(0);
}
