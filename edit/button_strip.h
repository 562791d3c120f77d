// What the editing tools' button strips share (the selected-objects panel and the vertex-editing
// bar): 20 x 20 soft buttons with bitmaps loaded by id, painted over a yellow client area with
// its edge lines.
#pragma once

#include "base/ui/soft_button.h"
#include "edit/dialog_common.h"
#include "platform/win.h"

namespace button_strip {

constexpr int kButtonSize = 20;  // pixels
constexpr COLORREF kYellow = 0x0000FFFF;

struct ButtonDef {
  int x, y;    // client pixels of the button's top left corner
  int bitmap;  // resource id of its three-frame strip
  int type;    // TSoftButton::Type
};

// Loads each button's bitmap into `bitmaps` (once) and sets the button up at its place; a radio
// or group toggle takes `group`.
void SetUp(HWND owner, HINSTANCE instance, const ButtonDef* defs, int n, TSoftButton* buttons,
           HBITMAP* bitmaps, TSoftButton* const* group, int groupCount);
void FreeBitmaps(HBITMAP* bitmaps, int n);
// The yellow client area, a line along the top edge when asked and one along the bottom, then
// the buttons.
void Paint(HWND window, HDC dc, bool topLine, const TSoftButton* buttons, int n);

// The dialog procedure of a strip whose one global object `strip` paints it (Paint), takes its
// pen (OnPenDown, OnPenUp) and its controls' notifications (OnCommand, true when handled).
// Every message is first reported to the idle clock; the shell frame gets no flags.
template <class Strip, Strip& strip>
INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      edit_dialog::InitFrame(dialog, 0, false);
      return FALSE;  // a hidden strip's controls must not take the main window's keys
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(dialog, &ps);
      strip.Paint(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_COMMAND:
      return strip.OnCommand(wParam) ? TRUE : FALSE;
    case WM_LBUTTONDOWN:
      strip.OnPenDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    case WM_LBUTTONUP:
      strip.OnPenUp(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace button_strip
