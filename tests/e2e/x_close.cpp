// Kept apart from the tests: Xlib defines None, Bool and Status as macros.
#include <X11/Xlib.h>

#include <string>

#include "x_session.h"

namespace xsession {

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

}  // namespace xsession
