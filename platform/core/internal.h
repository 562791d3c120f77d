// What the folders of the device layer ask of one another. Application code never includes this.
//
// core/ owns windows, the message queue, timers, the clock, input routing and modal loops.
// gdi/  owns the screen surface and every device context; it asks core where a window is and
//       which of its pixels are visible, and takes the update region for BeginPaint.
// ui/   owns controls, dialogs, menus and the shell; it runs modal loops through core and asks
//       the harness script for answers.
// sys/  owns files, the device root, code pages, modules, resources, serial ports and threads.
// host/ owns the presenters; core calls the installed presenter when it waits for input.
#pragma once

#include <functional>
#include <vector>

#include "platform/win_types.h"

namespace vplat {

// ---- window geometry (core, used by gdi) ----
// Window and client rectangles in screen coordinates. False for a handle that is not a window.
bool WindowScreenRects(HWND hwnd, RECT* window, RECT* client);
// The parts of the window (client area only when `client`) that drawing may touch: inside every
// ancestor's client area, less visible siblings above it and less visible children when the
// window has WS_CLIPCHILDREN or `excludeChildren`, less visible top-level windows above its own
// top-level window. Empty when the window or an ancestor is hidden.
void VisibleScreenRects(HWND hwnd, bool client, bool excludeChildren, std::vector<RECT>& out);
// Takes the window's pending update rectangle (client coordinates) and its erase flag, and
// validates the window. False when nothing was invalid.
bool TakeUpdateRect(HWND hwnd, RECT* rect, bool* erase);
// The class background brush given to RegisterClassW (null when none).
HBRUSH ClassBackground(HWND hwnd);

// ---- input routing (core; called by the harness and the presenters) ----
enum class PenEvent { Down, Move, Up };
// A pen event at a screen point: goes to the capture window, else to the enabled visible window
// under the point (a disabled window's children get nothing), as WM_LBUTTONDOWN/MOVE/UP in
// client coordinates. A modal loop's disabled owners thus take no input.
void InjectPen(PenEvent ev, int x, int y);
// A key press or release: WM_KEYDOWN/WM_KEYUP to the focus window (or the active top-level
// window); a registered hot key posts WM_HOTKEY to its window instead.
void InjectKey(UINT vk, bool down);
// A typed character: WM_CHAR to the focus window.
void InjectChar(wchar_t ch);
// While a popup menu shows, it takes every key and character in place of the focus window
// (hot keys still go to their windows); null gives them back to the focus. A key pressed while
// the menu took the keys and released after it closed is dropped on release.
void SetMenuKeyWindow(HWND hwnd);

// ---- modal loops (core; used by ui for dialogs, message boxes and popup menus) ----
// Dispatches messages (timers and posted messages included) until `done()` is true. A WM_QUIT
// met inside ends the loop and is posted again for the outer loop. Returns false when it ended
// by WM_QUIT. Loops nest.
bool RunModalLoop(const std::function<bool()>& done);
// Held by a modal dialog or menu from its creation to its end, scripted part included, so that
// ModalLoopDepth reports it to the program.
struct ModalScope {
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

// ---- the clock (core) ----
// Milliseconds since the layer started, real or virtual (the harness switches it).
uint64_t NowMs();
bool IsVirtualClock();

// ---- scripted answers under the harness (core keeps the script; ui asks) ----
// Records the message box and, when the harness runs, gives the scripted answer (or the box's
// default button when no script matches) in *answer and returns true. Outside the harness
// returns false and ui shows the box.
bool ScriptMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type,
                      int* answer);
// Called by ui once a dialog made from template `templateId` is initialised and its modal loop
// is about to run (modeless dialogs too). Under the harness runs the script registered for the
// template (which may set controls and press buttons); when there is none, a modal dialog is
// ended with IDCANCEL and the fact recorded. Returns true when the harness handled it.
bool ScriptDialog(int templateId, HWND dialog, bool modal);
bool HarnessActive();

// ---- the screen (gdi; used by the harness and the presenters) ----
// The 240 x 320 screen as 0xAARRGGBB pixels, row 0 at the top.
const uint32_t* ScreenPixels();
int ScreenWidth();
int ScreenHeight();
// Saves the screen as a PNG file at a host path. False on any write error.
bool SaveScreenPng(const char* hostPath);

// ---- presenters (host; installed by the entry, called by core while it waits) ----
class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows the screen surface if it changed since the last call.
  virtual void Present() = 0;
  // Waits up to `timeoutMs` for host input, turns it into Inject* calls, returns whether any
  // input arrived. A window close request calls RequestProgramClose.
  virtual bool WaitInput(int timeoutMs) = 0;
};
void SetPresenter(Presenter* presenter);  // null: headless
// Whether the frame is finished: nothing queued, posted, sent or to paint, no timer due, and no
// timer that a message armed with a delay of at most a second still waiting for its first tick
// (the scale menu's opener walks its highlight 100 ms after the menu shows). A presenter reports
// the frame done only then, after it has shown the screen.
bool FrameSettled();
Presenter* GetPresenter();

// ---- the program as the host window sees it (core; used by the presenters and the harness) ----
// The program's main window: the oldest top-level window without an owner that can be activated
// (the shell's bars cannot). Null when there is none.
HWND ProgramMainWindow();
// The host window's close: posts WM_CLOSE to the main window, so the program shuts down (and
// saves) as its own exit command does; with no main window, posts WM_QUIT.
void RequestProgramClose();
// Whether the program is minimised, and, once per minimise, that it just was (the presenter
// then iconifies the host window).
bool ProgramMinimized();
bool TakeMinimizeNotice();
// The host window is back: shows again every window the minimise hid, activates the main
// window and repaints the whole screen. Nothing when the program is not minimised.
void RestoreProgram();

}  // namespace vplat
