#include "edit/button_strip.h"

#include "base/ui/shell_utils.h"

namespace button_strip {

void SetUp(HWND owner, HINSTANCE instance, const ButtonDef* defs, int n, TSoftButton* buttons,
           HBITMAP* bitmaps, TSoftButton* const* group, int groupCount) {
  for (int i = 0; i < n; ++i) {
    if (!bitmaps[i]) bitmaps[i] = LoadBitmapW(instance, MAKEINTRESOURCEW(defs[i].bitmap));
    buttons[i].Setup(owner, bitmaps[i], defs[i].type, group, groupCount);
    buttons[i].SetRect(defs[i].x, defs[i].y, kButtonSize, kButtonSize);
  }
}

void FreeBitmaps(HBITMAP* bitmaps, int n) {
  for (int i = 0; i < n; ++i) {
    if (bitmaps[i]) DeleteObject(bitmaps[i]);
    bitmaps[i] = nullptr;
  }
}

void Paint(HWND window, HDC dc, bool topLine, const TSoftButton* buttons, int n) {
  RECT rc{};
  GetClientRect(window, &rc);
  const HBRUSH brush = CreateSolidBrush(kYellow);
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
  if (topLine) DrawLine(dc, 0, 0, rc.right, 0);
  DrawLine(dc, 0, rc.bottom - 1, rc.right, rc.bottom - 1);
  for (int i = 0; i < n; ++i) buttons[i].Draw(dc);
}

}  // namespace button_strip
