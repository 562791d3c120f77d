// What every control of the layer shares: the per-window state table, notifications to the
// parent, the plain look (one system font, flat frames, the highlight colour) and the hand-over
// of dialog keys (Enter, Escape, Tab, arrows) to the dialog manager.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/win.h"

namespace vplat::ui {

// Row height of list-like controls and menus, pixels: the 13-pixel system font plus leading.
constexpr int kRowHeight = 16;
// Width of the arrow buttons of combo boxes, scroll bars and date pickers, pixels.
constexpr int kArrowWidth = 14;
// Interval in which a second pen-down on the same item counts as a double tap, milliseconds.
constexpr DWORD kDoubleTapMs = 500;

// Base of the per-window state of a control. Each control's state lives in one table keyed by
// window and goes at WM_DESTROY; a message that arrives later finds nothing and gets the
// default procedure, so a destroyed control never touches freed state.
struct ControlState {
  virtual ~ControlState() = default;
  HFONT font = nullptr;  // WM_SETFONT; null: the system font
};

void SetState(HWND hwnd, std::unique_ptr<ControlState> state);
ControlState* GetStateBase(HWND hwnd);
void DropState(HWND hwnd);
template <typename T>
T* GetState(HWND hwnd) {
  return dynamic_cast<T*>(GetStateBase(hwnd));
}

// WM_COMMAND (id, code) to the parent; WM_NOTIFY with a filled header.
void NotifyCommand(HWND ctl, UINT code);
LRESULT NotifyParent(HWND ctl, UINT code, NMHDR* hdr);
inline int ControlId(HWND ctl) { return GetDlgCtrlID(ctl); }
inline DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }

// The look.
HFONT SystemFont();
HFONT ControlFont(HWND hwnd);  // the WM_SETFONT font or the system font
COLORREF SysColor(int index);
HBRUSH SysBrush(int index);
void FillSolid(HDC dc, const RECT& rc, COLORREF color);
void FrameSolid(HDC dc, const RECT& rc, COLORREF color);
void DrawLineSolid(HDC dc, int x0, int y0, int x1, int y1, COLORREF color);
void DrawTextIn(HDC dc, const std::wstring& text, RECT rc, UINT format, COLORREF color);
int TextWidth(HDC dc, const std::wstring& text);
// A small filled triangle pointing down (dir 0), up (1), left (2) or right (3) centred in rc.
void DrawArrow(HDC dc, const RECT& rc, int dir, COLORREF color);
// The 1-pixel frame of a WS_BORDER window, drawn in its non-client strip.
void PaintBorder(HWND hwnd);
std::wstring WindowText(HWND hwnd);

// Standard handling shared by controls: WM_SETFONT/WM_GETFONT. True when handled.
bool HandleFontMessages(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

// Called by a control for WM_KEYDOWN/WM_CHAR it does not want itself (see WM_GETDLGCODE): when
// the control sits in a dialog, Enter, Escape, Tab and the group arrows act on the dialog.
// True when the key was used.
bool DialogKey(HWND ctl, UINT msg, WPARAM key);

// Registers the layer's window classes once (controls, dialogs, menus, the shell's windows).
void EnsureClasses();
void RegisterControlClasses();
void RegisterDialogClass();
void RegisterMenuClasses();
void RegisterShellClasses();

// Scroll-bar geometry shared by the scroll-bar control and the lists' own bars: the thumb's
// span in a track of `track` pixels for the range [min, max] with `page` visible units.
struct ThumbSpan {
  int start, length;
};
ThumbSpan ComputeThumb(int track, int min, int max, int page, int pos);
// Draws a vertical scroll bar in rc (arrows at both ends) for the given state.
void DrawVScrollBar(HDC dc, const RECT& rc, int min, int max, int page, int pos);

}  // namespace vplat::ui
