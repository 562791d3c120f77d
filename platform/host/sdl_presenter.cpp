// The SDL2 presenter. Input arrives as SDL events and leaves as the layer's Inject* calls; the
// screen surface is uploaded to a streaming texture when it changed.
//
// The host window stands for the device's screen: its close button closes the program as the
// program's own exit does (WM_CLOSE to the main window, so the shutdown runs and saves); when
// the program minimises itself the window iconifies, and when the window is shown again (or,
// where no window manager can iconify it, is tapped or typed at) the program comes back.
//
// A finished frame is reported on the X window, for whoever drives the program from outside
// (the end-to-end tests): a client message "VORNA_FRAME_ASK" carrying a number asks; once
// everything that reached the window before the ask has been handled and its frame is on the
// screen (FrameSettled), the window's property "VORNA_FRAME_DONE" takes that number. The X server
// keeps the order of events to one window, so the input sent before the ask is in the answer.
#include <SDL.h>
#include <SDL_syswm.h>
#if defined(VORNA_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#endif

#include <cstring>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "platform/host/presenter_sdl.h"
#include "platform/host/sdl_keys.h"
#include "platform/win.h"

namespace vplat {
namespace {

class SdlPresenter : public Presenter {
 public:
  bool Open(int scale) {
    scale_ = scale < 1 ? 1 : scale;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    inited_ = true;
    int w = ScreenWidth(), h = ScreenHeight();
    win_ = SDL_CreateWindow("Vorna", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w * scale_,
                            h * scale_, 0);
    if (!win_) return false;
    ren_ = SDL_CreateRenderer(win_, -1, 0);
    if (!ren_) ren_ = SDL_CreateRenderer(win_, -1, SDL_RENDERER_SOFTWARE);
    if (!ren_) return false;
    tex_ = SDL_CreateTexture(ren_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!tex_) return false;
    arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    wait_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    SDL_StartTextInput();
    // The X server's raw key events, to keep the presses SDL would take for its repeats.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    last_.assign(size_t(w) * h, 0);
#if defined(VORNA_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(win_, &info) && info.subsystem == SDL_SYSWM_X11) {
      xDisplay_ = info.info.x11.display;
      xWindow_ = info.info.x11.window;
      askAtom_ = XInternAtom(xDisplay_, "VORNA_FRAME_ASK", False);
      doneAtom_ = XInternAtom(xDisplay_, "VORNA_FRAME_DONE", False);
    }
#endif
    Present();
    return true;
  }

  ~SdlPresenter() override {
    if (arrow_) SDL_FreeCursor(arrow_);
    if (wait_) SDL_FreeCursor(wait_);
    if (tex_) SDL_DestroyTexture(tex_);
    if (ren_) SDL_DestroyRenderer(ren_);
    if (win_) SDL_DestroyWindow(win_);
    if (inited_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }

  void Present() override {
    Show();
    ReportFrame();
  }

  void Show() {
    if (TakeMinimizeNotice()) {
      // Without a window manager the window stays; it shows an empty screen, not the program's
      // last pictures, until a tap or a key brings the program back.
      SDL_SetRenderDrawColor(ren_, 0, 0, 0, 255);
      SDL_RenderClear(ren_);
      SDL_RenderPresent(ren_);
      SDL_MinimizeWindow(win_);
      first_ = true;
      return;
    }
    if (ProgramMinimized()) return;
    int w = ScreenWidth(), h = ScreenHeight();
    const uint32_t* px = ScreenPixels();
    bool changed = std::memcmp(px, last_.data(), last_.size() * 4) != 0 || first_;
    HCURSOR c = CurrentCursor();
    SDL_Cursor* want = IsWaitCursor(c) ? wait_ : arrow_;
    if (want && want != shown_) {
      SDL_SetCursor(want);
      shown_ = want;
    }
    if (!changed) return;
    first_ = false;
    std::memcpy(last_.data(), px, last_.size() * 4);
    SDL_UpdateTexture(tex_, nullptr, px, w * 4);
    SDL_RenderClear(ren_);
    SDL_RenderCopy(ren_, tex_, nullptr, nullptr);
    SDL_RenderPresent(ren_);
    (void)h;
  }

  bool WaitInput(int timeoutMs) override {
    SDL_Event ev;
    bool any = false;
    if (!SDL_WaitEventTimeout(&ev, timeoutMs < 0 ? 0 : timeoutMs)) return false;
    do {
      any |= Handle(ev);
    } while (SDL_PollEvent(&ev));
    return any;
  }

 private:
  bool Handle(const SDL_Event& ev) {
    if (ProgramMinimized() && (ev.type == SDL_MOUSEBUTTONDOWN || ev.type == SDL_KEYDOWN)) {
      // The program is away: the press brings it back and goes nowhere else.
      RestoreProgram();
      if (ev.type == SDL_MOUSEBUTTONDOWN) swallowUntilUp_ = true;
      else swallowKey_ = ev.key.keysym.sym;
      first_ = true;
      return true;
    }
    switch (ev.type) {
      case SDL_QUIT:
        RequestProgramClose();
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (ev.button.button != SDL_BUTTON_LEFT) return false;
        if (swallowUntilUp_) {
          if (ev.type == SDL_MOUSEBUTTONUP) swallowUntilUp_ = false;
          return false;
        }
        InjectPen(ev.type == SDL_MOUSEBUTTONDOWN ? PenEvent::Down : PenEvent::Up,
                  ev.button.x / scale_, ev.button.y / scale_);
        return true;
      case SDL_MOUSEMOTION:
        // The stylus only moves down.
        if (!(ev.motion.state & SDL_BUTTON_LMASK) || swallowUntilUp_) return false;
        InjectPen(PenEvent::Move, ev.motion.x / scale_, ev.motion.y / scale_);
        return true;
      case SDL_SYSWMEVENT:
        ServerKey(ev);
        return false;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        bool repeat = ev.key.repeat != 0;
        if (ev.type == SDL_KEYDOWN && !splitter_.IsNewPress(repeat)) return false;
        if (swallowKey_ != SDLK_UNKNOWN && ev.key.keysym.sym == swallowKey_) {
          // The rest of the press that restored the program: a release alone would still act
          // (a hardware button's short press is taken on release).
          if (ev.type == SDL_KEYUP) swallowKey_ = SDLK_UNKNOWN;
          return false;
        }
        const int32_t sym = ev.key.keysym.sym;
        const uint16_t mod = ev.key.keysym.mod;
        if (repeat) {
          // A press of its own that SDL took for a repeat: the release it dropped comes first.
          Inject(TranslateSdlKey(sym, mod, false, false, &held_));
        }
        return Inject(TranslateSdlKey(sym, mod, ev.type == SDL_KEYDOWN, false, &held_));
      }
      case SDL_TEXTINPUT: {
        std::wstring chars = CharsOfUtf8(ev.text.text);
        for (wchar_t ch : chars) InjectChar(ch);
        return !chars.empty();
      }
      case SDL_WINDOWEVENT:
        switch (ev.window.event) {
          case SDL_WINDOWEVENT_EXPOSED:
            first_ = true;
            Present();
            return false;
          case SDL_WINDOWEVENT_SHOWN:
          case SDL_WINDOWEVENT_RESTORED:
            if (!ProgramMinimized()) return false;
            RestoreProgram();
            // The program is in front again and takes the keys; without a window manager
            // nobody else would give the shown window the keyboard back.
            SDL_SetWindowInputFocus(win_);
            first_ = true;
            return true;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // Releases that happen elsewhere never arrive: no modifier stays stuck down.
            return Inject(ReleaseModifiers(&held_));
        }
        return false;
    }
    return false;
  }

  // The frame asked for is done once the program has nothing left of it; the screen was shown
  // just before.
  void ReportFrame() {
#if defined(VORNA_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    if (!xDisplay_ || asked_ == answered_ || !FrameSettled()) return;
    const long value = long(asked_);
    XChangeProperty(xDisplay_, xWindow_, doneAtom_, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XFlush(xDisplay_);
    answered_ = asked_;
#endif
  }

  void ServerKey(const SDL_Event& ev) {
#if defined(SDL_VIDEO_DRIVER_X11)
    const SDL_SysWMmsg* msg = ev.syswm.msg;
    if (!msg || msg->subsystem != SDL_SYSWM_X11) return;
    const XEvent& x = msg->msg.x11.event;
#if defined(VORNA_HAVE_X11)
    if (x.type == ClientMessage && askAtom_ && x.xclient.message_type == askAtom_ &&
        x.xclient.format == 32) {
      asked_ = uint32_t(x.xclient.data.l[0]);
      return;
    }
#endif
    if (x.type == KeyPress || x.type == KeyRelease)
      splitter_.OnServerKey(x.type == KeyPress, x.xkey.keycode, uint32_t(x.xkey.time));
#else
    (void)ev;
#endif
  }

  static bool Inject(const std::vector<KeyStroke>& strokes) {
    for (const KeyStroke& k : strokes) InjectKey(k.vk, k.down);
    return !strokes.empty();
  }

  int scale_ = 2;
  bool inited_ = false, first_ = true;
  bool swallowUntilUp_ = false;  // the pen press that restored the program, until released
  SDL_Keycode swallowKey_ = SDLK_UNKNOWN;  // the key press that restored it, until released
  HeldModifiers held_;
  HostRepeatSplitter splitter_;
  SDL_Window* win_ = nullptr;
  SDL_Renderer* ren_ = nullptr;
  SDL_Texture* tex_ = nullptr;
  SDL_Cursor *arrow_ = nullptr, *wait_ = nullptr, *shown_ = nullptr;
  std::vector<uint32_t> last_;
  // The frame report: the number last asked for and the one last answered.
  uint32_t asked_ = 0, answered_ = 0;
#if defined(VORNA_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
  ::Display* xDisplay_ = nullptr;
  ::Window xWindow_ = 0;
  Atom askAtom_ = 0, doneAtom_ = 0;
#endif
};

}  // namespace

Presenter* MakeSdlPresenter(int scale) {
  auto* p = new SdlPresenter();
  if (!p->Open(scale)) {
    delete p;
    return nullptr;
  }
  return p;
}

}  // namespace vplat
