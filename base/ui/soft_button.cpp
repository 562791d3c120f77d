#include "base/ui/soft_button.h"

#include "base/ui/owner_draw_list.h"
#include "platform/win.h"

namespace {

constexpr int kIconCellSymbol = 18;  // pixels of a bitmap symbol inside a cell's 1-pixel frame

// Copies the (width x height) block at strip x `sourceX` to (x, y).
void BlitFrame(HDC dc, HBITMAP strip, int x, int y, int width, int height, int sourceX) {
  if (!dc || !strip || width <= 0 || height <= 0) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  HGDIOBJ old = SelectObject(memory, strip);
  BitBlt(dc, x, y, width, height, memory, sourceX, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return left < x && x < right && top < y && y < bottom;
}

}  // namespace

int TSoftButton::Setup(HWND ownerWindow, HBITMAP strip, int buttonType,
                       TSoftButton* const* buttons, int count) {
  owner = ownerWindow;
  bitmap = strip;
  type = buttonType;
  group_.clear();
  if (type != kRadio && type != kGroupToggle) return 1;
  if (!buttons || count < 0) return 0;
  for (int i = 0; i < count; ++i)
    if (buttons[i] && buttons[i] != this) group_.push_back(buttons[i]);
  return 1;
}

void TSoftButton::SetRect(int x, int y, int width, int height) {
  left = x;
  top = y;
  right = x + width;
  bottom = y + height;
}

bool TSoftButton::HitTest(int x, int y) const { return Inside(x, y, left, top, right, bottom); }

void TSoftButton::Draw(HDC dc) const {
  if (!owner || !visible) return;
  const int width = right - left;
  const int frame = state == kDown ? 1 : state == kDisabled ? 2 : 0;
  BlitFrame(dc, bitmap, left, top, width, bottom - top, frame * width);
}

void TSoftButton::Redraw() const {
  HDC dc = GetDC(owner);
  if (!dc) return;
  Draw(dc);
  ReleaseDC(owner, dc);
}

void TSoftButton::ReleaseGroup(bool redraw) {
  for (TSoftButton* other : group_) {
    if (other->state != kDown) continue;
    other->state = kUp;
    if (redraw && other->owner) other->Redraw();
  }
}

void TSoftButton::SetState(int newState, bool redraw) {
  if (!owner || newState < kUp || newState > kEnable) return;
  if (newState == kEnable) {
    if (state != kDisabled) return;
    newState = kUp;
  }
  state = newState;
  // A disabled button takes no pen-up, so a pressed flag left set would let a later pen-up
  // anywhere click it once it is enabled again without any pen-down.
  if (state == kDisabled) pressed = 0;
  if (redraw) Redraw();
  if (state == kDown && (type == kRadio || type == kGroupToggle)) ReleaseGroup(true);
}

int TSoftButton::OnPenDown(int x, int y) {
  if (!owner || !visible || state == kDisabled || !HitTest(x, y)) return 0;
  if (type == kPush)
    SetState(kDown, true);
  else if (type == kToggle || type == kGroupToggle)
    SetState(state == kDown ? kUp : kDown, true);
  pressed = 1;
  return 1;
}

int TSoftButton::OnPenUp(int, int) {
  if (!owner || !visible || state == kDisabled || !pressed) return 0;
  pressed = 0;
  switch (type) {
    case kPush:
      SetState(kUp, true);
      return 1;
    case kRadio:
      if (state == kDown) return 0;
      SetState(kDown, true);
      return 1;
    default:
      return 1;
  }
}

void TSoftButton::SetVisible(bool flag) {
  if (!owner) return;
  visible = flag ? 1 : 0;
  state = kUp;
  pressed = 0;  // hidden: its pen-up never comes
}

void TSoftButton::ShowAt(int x, int y) {
  if (!owner) return;
  SetVisible(true);
  SetRect(x, y, right - left, bottom - top);
}

void TStripImage::SetRect(int x, int y, int width, int height) {
  left = x;
  top = y;
  right = x + width;
  bottom = y + height;
}

bool TStripImage::HitTest(int x, int y) const { return Inside(x, y, left, top, right, bottom); }

void TStripImage::Draw(HDC dc) const {
  const int width = right - left;
  if (!bitmap || width <= 0 || frame < 0) return;
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof(info), &info)) return;
  if (int64_t(frame + 1) * width > info.bmWidth) return;  // past the strip
  BlitFrame(dc, bitmap, left, top, width, bottom - top, frame * width);
}

void TStripImage::SetState(int newFrame, bool repaint) {
  frame = newFrame;
  if (!repaint || !owner) return;
  HDC dc = GetDC(owner);
  if (!dc) return;
  Draw(dc);
  ReleaseDC(owner, dc);
}

void TIconCell::SetRect(int x, int y, int width, int height, int extraWidth) {
  left = x;
  top = y;
  right = x + width;
  bottom = y + height;
  extra = extraWidth;
}

bool TIconCell::HitTest(int x, int y) const {
  return visible && Inside(x, y, left, top, right + extra, bottom);
}

void TIconCell::Draw(HDC dc) const {
  if (!visible || !symbols || !dc) return;
  Rectangle(dc, left, top, right, bottom);
  const uint16_t typeCode = uint16_t(code & 0xFFFF);
  if (symbols->HasBitmaps()) {
    symbols->DrawCellSymbol(dc, typeCode, left + 1, top + 1, kIconCellSymbol, 0);
  } else {
    // The row symbol's vector form is the cell's: scale 12 at (left + 10, middle).
    const RECT rc{left, top, right, bottom};
    symbols->DrawRowSymbol(dc, typeCode, rc);
  }
}
