// What still calls into a range of code: windows, window classes, dialog procedures and timers.
// FreeLibrary asks before unloading a module, since any of them would jump into unmapped memory
// at the next message.
#include "platform/core/state.h"

namespace vplat::core {
int TimerProcsIn(uintptr_t lo, uintptr_t hi);
}  // namespace vplat::core

namespace vplat {

int LiveCodeIn(uintptr_t lo, uintptr_t hi) {
  using namespace vplat::core;
  auto inside = [&](const void* p) {
    auto a = reinterpret_cast<uintptr_t>(p);
    return a >= lo && a < hi;
  };
  int n = TimerProcsIn(lo, hi);
  Core& c = C();
  for (const auto& cls : c.classes)
    if (cls && inside(reinterpret_cast<const void*>(cls->wc.lpfnWndProc))) ++n;
  for (const auto& [handle, w] : c.windows) {
    if (!w || w->destroyed) continue;
    if (inside(reinterpret_cast<const void*>(w->proc))) ++n;
    // A dialog keeps its procedure in its extra bytes.
    if (w->cls && w->cls->name == L"Dialog" && w->extra.size() >= DWLP_DLGPROC + sizeof(void*)) {
      uintptr_t proc = 0;
      for (size_t i = 0; i < sizeof(void*); ++i) proc |= uintptr_t(w->extra[DWLP_DLGPROC + i]) << (8 * i);
      if (proc >= lo && proc < hi) ++n;
    }
  }
  return n;
}

}  // namespace vplat
