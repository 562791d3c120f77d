// The SDL2 presenter. Input arrives as SDL events and leaves as the layer's Inject* calls; the
// screen surface is uploaded to a streaming texture when it changed.
#include <SDL.h>

#include <cstring>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "platform/host/presenter_sdl.h"
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
    last_.assign(size_t(w) * h, 0);
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
    switch (ev.type) {
      case SDL_QUIT:
        PostQuitMessage(0);
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (ev.button.button != SDL_BUTTON_LEFT) return false;
        InjectPen(ev.type == SDL_MOUSEBUTTONDOWN ? PenEvent::Down : PenEvent::Up,
                  ev.button.x / scale_, ev.button.y / scale_);
        return true;
      case SDL_MOUSEMOTION:
        if (!(ev.motion.state & SDL_BUTTON_LMASK)) return false;  // the stylus only moves down
        InjectPen(PenEvent::Move, ev.motion.x / scale_, ev.motion.y / scale_);
        return true;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        UINT vk = KeyOf(ev.key.keysym.sym);
        if (!vk) return false;
        // Held hardware buttons repeat (SDL sends repeats as further key-downs).
        InjectKey(vk, ev.type == SDL_KEYDOWN);
        return true;
      }
      case SDL_TEXTINPUT: {
        // UTF-8 to code points.
        const unsigned char* s = reinterpret_cast<const unsigned char*>(ev.text.text);
        while (*s) {
          uint32_t cp = *s++;
          int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
          cp &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
          for (int i = 0; i < extra && (*s & 0xC0) == 0x80; ++i) cp = (cp << 6) | (*s++ & 0x3F);
          InjectChar(wchar_t(cp));
        }
        return true;
      }
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_EXPOSED) {
          first_ = true;
          Present();
        }
        return false;
    }
    return false;
  }

  static UINT KeyOf(SDL_Keycode k) {
    switch (k) {
      case SDLK_LEFT: return 0x25;
      case SDLK_UP: return 0x26;
      case SDLK_RIGHT: return 0x27;
      case SDLK_DOWN: return 0x28;
      case SDLK_RETURN:
      case SDLK_KP_ENTER: return 0x0D;
      case SDLK_ESCAPE: return 0x1B;
      case SDLK_BACKSPACE: return 0x08;
      case SDLK_TAB: return 0x09;
      case SDLK_DELETE: return 0x2E;
    }
    if (k >= SDLK_F1 && k <= SDLK_F12) return UINT(0xC1 + (k - SDLK_F1));
    return 0;
  }

  int scale_ = 2;
  bool inited_ = false, first_ = true;
  SDL_Window* win_ = nullptr;
  SDL_Renderer* ren_ = nullptr;
  SDL_Texture* tex_ = nullptr;
  SDL_Cursor *arrow_ = nullptr, *wait_ = nullptr, *shown_ = nullptr;
  std::vector<uint32_t> last_;
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
