// Three small painted controls without a window of their own: the owner window keeps them as
// members, forwards pen-down, pen-up and paint to them, and they draw into its device context.
//   TSoftButton  a bitmap push, toggle or radio button (a strip of up, down, disabled frames);
//   TStripImage  one frame of a horizontal bitmap strip (an indicator);
//   TIconCell    a framed cell showing the symbol of one object type code.
// Rectangles are in the owner's client coordinates.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

class ISymbolPainter;

class TSoftButton {
 public:
  enum Type { kPush = 0, kToggle = 1, kRadio = 2, kGroupToggle = 3 };
  enum State { kUp = 0, kDown = 1, kDisabled = 2, kEnable = 3 };

  TSoftButton() = default;
  TSoftButton(const TSoftButton&) = delete;
  TSoftButton& operator=(const TSoftButton&) = delete;

  // Stores owner, bitmap (three frames side by side, each the button's width: up, down,
  // disabled) and type. A radio or group toggle takes its group: `count` members (this button
  // may be among them), every one set up with the same array. 0 when a group type gets no array
  // or a negative count; else 1.
  int Setup(HWND owner, HBITMAP bitmap, int type, TSoftButton* const* buttons, int count);
  void SetRect(int x, int y, int width, int height);
  // Strictly inside the rectangle: a tap on the edge is no hit.
  bool HitTest(int x, int y) const;
  void Draw(HDC dc) const;
  // 0 up, 1 down, 2 disabled, 3 enable: a disabled button becomes up, any other is unchanged.
  // Other values are ignored. A radio or group toggle going down releases the rest of its
  // group. `redraw` paints at once on the owner.
  void SetState(int newState, bool redraw);
  int GetState() const { return state; }
  bool IsDown() const { return state == kDown; }
  // 1 when the pen-down was taken (owner set, visible, enabled, hit).
  int OnPenDown(int x, int y);
  // 1 when this pen-up completes a click, wherever the pen is lifted (x and y are not tested).
  int OnPenUp(int x, int y);
  void SetVisible(bool flag);
  void ShowAt(int x, int y);

  int visible = 1;
  int state = kUp;
  int type = kPush;
  HWND owner = nullptr;  // a button without an owner ignores everything
  int left = 0, top = 0, right = 0, bottom = 0;
  HBITMAP bitmap = nullptr;
  int pressed = 0;  // an accepted pen-down waits for its pen-up

 private:
  void Redraw() const;
  void ReleaseGroup(bool redraw);

  std::vector<TSoftButton*> group_;  // the other members; they belong to the owner
};

class TStripImage {
 public:
  void Attach(HWND ownerWindow, HBITMAP strip) {
    owner = ownerWindow;
    bitmap = strip;
  }
  void SetRect(int x, int y, int width, int height);
  bool HitTest(int x, int y) const;
  // Frame `frame` of the strip; a frame outside the strip draws nothing.
  void Draw(HDC dc) const;
  // Stores the frame and, with `repaint`, draws it at once on the owner.
  void SetState(int newFrame, bool repaint);
  void SetFrame(int newFrame) { SetState(newFrame, true); }

  int frame = 0;
  HWND owner = nullptr;
  int left = 0, top = 0, right = 0, bottom = 0;
  HBITMAP bitmap = nullptr;
};

class TIconCell {
 public:
  void Attach(HWND ownerWindow, ISymbolPainter* painter) {
    owner = ownerWindow;
    symbols = painter;
  }
  void SetCode(int value) { code = value; }
  void SetVisible(bool flag) { visible = flag ? 1 : 0; }
  // `extraWidth`: pixels right of the frame that still count as a hit.
  void SetRect(int x, int y, int width, int height, int extraWidth);
  bool HitTest(int x, int y) const;
  // The frame with the current pen and brush, then the code's symbol (18-pixel bitmap inside
  // the frame, or the vector symbol at 10 pixels from the left, middle height).
  void Draw(HDC dc) const;

  int visible = 1;
  int extra = 0;
  int code = 0;  // its low 16 bits are the type code
  ISymbolPainter* symbols = nullptr;
  HWND owner = nullptr;
  int left = 0, top = 0, right = 0, bottom = 0;
};
