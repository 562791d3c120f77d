// How tests drive the device: a headless device with a temporary root, injected pen, keys and
// hardware buttons, pumping until idle, a virtual clock, scripted answers to message boxes and
// dialogs, and the screen saved as PNG.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win.h"

namespace harness {

struct Options {
  std::string root;          // device root; empty: a fresh temporary folder, removed at Stop
  bool virtualClock = true;  // time moves only through Advance
};

// Starts the device headless. Sets the module path to "\Vorna\Vorna.exe" inside the root.
void Start(const Options& options = {});
// Ends the device: destroys remaining windows, gives the program's globals and the layer's state
// back as a fresh process holds them (platform/fresh_state.h), and removes a temporary root.
void Stop();
// The device root as a host path.
std::string Root();
// Host path of a device path ("\Vorna\x.ini" -> <root>/Vorna/x.ini), folders matched without
// regard to case where they exist.
std::string HostPath(const std::wstring& devicePath);

// Input at screen coordinates. Each call pumps until idle afterwards.
void PenDown(int x, int y);
void PenMove(int x, int y);
void PenUp(int x, int y);
void Tap(int x, int y);                          // down and up at one point
void Drag(int x0, int y0, int x1, int y1, int steps = 8);
void Key(UINT vk);                               // press and release
void KeyDown(UINT vk);
void KeyUp(UINT vk);
void Char(wchar_t ch);
void Type(const std::wstring& text);
void HardwareButton(int n);                      // n = 1..15: key 0xC0 + n pressed and released

// Dispatches every queued message and due timer until nothing is left. Returns false when
// WM_QUIT was met (it is left for the caller's loop).
bool PumpUntilIdle();
// Moves the virtual clock forward, firing due timers in time order and pumping after each.
void Advance(unsigned ms);
uint64_t Now();

// Scripted answers. A message box whose text contains `textPart` (empty: any) gets `answer`
// (IDOK, IDYES, ...); the newest matching script wins and is kept for later boxes.
void AnswerMessageBox(const std::wstring& textPart, int answer);
// As AnswerMessageBox, but `before` runs first while the box is up, as the user's time with a
// box would pass: it may advance the clock (timers fire as in the box's modal loop) or pump.
void AnswerMessageBoxAfter(const std::wstring& textPart, std::function<void()> before,
                           int answer);
// Runs `script` inside the modal loop of every dialog made from template `templateId`.
void OnDialog(int templateId, std::function<void(HWND dialog)> script);

struct ShownMessageBox {
  std::wstring text, caption;
  UINT type;
  int answer;
};
const std::vector<ShownMessageBox>& MessageBoxes();
void ClearMessageBoxes();
// Template ids of the dialogs opened so far, in order.
const std::vector<int>& DialogsOpened();

// A card that fills up: after `bytes` more bytes written to files through the device layer
// (WriteFile, CopyFileW, vwritefile) every further write fails with ERROR_DISK_FULL, part of
// the write that crosses the limit landing as on a real card. -1 lifts it; Stop lifts it too.
void LimitFileWrites(long long bytes);

// The screen as PNG at a host path; false on error.
bool SaveScreen(const std::string& hostPath);
// One pixel of the screen as COLORREF (0x00BBGGRR).
COLORREF ScreenPixel(int x, int y);

}  // namespace harness
