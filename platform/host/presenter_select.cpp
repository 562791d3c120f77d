// MakeSdlPresenter when the build has no SDL2: there is no window to offer.
#include "platform/host/presenter_sdl.h"

#ifndef VORNA_HAVE_SDL2
namespace vplat {
Presenter* MakeSdlPresenter(int) { return nullptr; }
}  // namespace vplat
#endif
