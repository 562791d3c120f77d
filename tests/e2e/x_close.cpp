// Kept apart from the tests: Xlib defines None, Bool and Status as macros.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>

#include "x_session.h"

namespace xsession {

namespace {

// A window that went away between two requests is an answer (no frame), not the end of the
// test process, which is what Xlib's own handler would make of it.
int IgnoreXError(::Display*, XErrorEvent*) { return 0; }

}  // namespace

bool SendCloseRequest(const std::string& display, const std::string& window) {
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return false;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = Window(std::stoul(window));
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, ev.xclient.window, False, NoEventMask, &ev);
  XFlush(dpy);
  XCloseDisplay(dpy);
  return true;
}

bool WaitFrameDone(const std::string& display, const std::string& window, int ms) {
  // Numbers go on counting over the whole test process, so an answer left on the window from
  // an earlier ask never passes for this one.
  static unsigned long serial = 0;
  const unsigned long ask = ++serial;
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return false;
  XErrorHandler old = XSetErrorHandler(IgnoreXError);
  const Window w = Window(std::stoul(window));
  const Atom askAtom = XInternAtom(dpy, "VORNA_FRAME_ASK", False);
  const Atom doneAtom = XInternAtom(dpy, "VORNA_FRAME_DONE", False);
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = askAtom;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(ask);
  XSendEvent(dpy, w, False, NoEventMask, &ev);
  XSync(dpy, False);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  // An ask that reached a window still starting (before it listens for asks) is lost: the same
  // number is asked again each second, which only asks for more of what was sent before it.
  auto nextAsk = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  bool done = false;
  while (!done) {
    if (std::chrono::steady_clock::now() >= nextAsk) {
      XSendEvent(dpy, w, False, NoEventMask, &ev);
      XSync(dpy, False);
      nextAsk += std::chrono::seconds(1);
    }
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, doneAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                           &after, &data) == Success &&
        data) {
      done = type == XA_CARDINAL && format == 32 && items == 1 &&
             *reinterpret_cast<unsigned long*>(data) == ask;
      XFree(data);
    }
    if (done || std::chrono::steady_clock::now() >= end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  XSetErrorHandler(old);
  XCloseDisplay(dpy);
  return done;
}

}  // namespace xsession
