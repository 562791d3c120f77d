// Window device contexts: GetDC, GetWindowDC, BeginPaint and their release. A window DC draws into
// the screen surface with its origin at the window's client (or window) corner, clipped to what
// of the window is visible when the DC is taken; BeginPaint also clips to the update rectangle.
// A blit reads from a window DC only where the window is visible: the pixels of a popup or a
// dialog above it are not the window's, and a copy of them would outlive the popup.
#include <memory>
#include <vector>

#include "platform/core/internal.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/win.h"

namespace vplat::gdi {
namespace {

HDC MakeWindowDc(HWND hwnd, bool client, const RECT* updateClient) {
  auto d = std::make_unique<Dc>();
  const RECT screen{0, 0, Screen().w, Screen().h};
  if (!hwnd) {
    d->kind = DcKind::Screen;
    d->base.push_back(screen);
    d->readable.push_back(screen);
    return RegisterDc(std::move(d));
  }
  RECT wr, cr;
  if (!WindowScreenRects(hwnd, &wr, &cr)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  d->kind = DcKind::Window;
  d->hwnd = hwnd;
  d->clientArea = client;
  d->origin = client ? POINT{cr.left, cr.top} : POINT{wr.left, wr.top};
  std::vector<RECT> vis;
  VisibleScreenRects(hwnd, client, false, vis);
  for (const RECT& v : vis) {
    RECT r = Intersect(v, screen);
    if (!IsEmpty(r)) d->readable.push_back(r);
    if (updateClient) {
      RECT u{updateClient->left + cr.left, updateClient->top + cr.top,
             updateClient->right + cr.left, updateClient->bottom + cr.top};
      r = Intersect(r, u);
    }
    if (!IsEmpty(r)) d->base.push_back(r);
  }
  return RegisterDc(std::move(d));
}

bool ReleaseWindowDc(HDC hdc) {
  Dc* d = FindDc(hdc);
  if (!d || d->kind == DcKind::Memory) return false;
  RemoveDc(hdc);
  return true;
}

}  // namespace
}  // namespace vplat::gdi

using namespace vplat::gdi;

extern "C" {

HDC GetDC(HWND hwnd) { return MakeWindowDc(hwnd, true, nullptr); }

HDC GetWindowDC(HWND hwnd) { return MakeWindowDc(hwnd, !hwnd, nullptr); }

int ReleaseDC(HWND hwnd, HDC hdc) { return ReleaseWindowDc(hdc) ? 1 : 0; }

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  if (!ps || !hwnd) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *ps = PAINTSTRUCT{};
  RECT update{0, 0, 0, 0};
  bool erase = false;
  vplat::TakeUpdateRect(hwnd, &update, &erase);
  HDC hdc = MakeWindowDc(hwnd, true, &update);
  if (!hdc) return nullptr;
  if (Dc* d = FindDc(hdc)) d->fromPaint = true;
  ps->hdc = hdc;
  ps->rcPaint = update;
  // The window's procedure erases on WM_ERASEBKGND; a zero answer leaves it to the painter.
  ps->fErase = erase ? !SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) : FALSE;
  return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  return ReleaseWindowDc(ps->hdc) ? TRUE : FALSE;
}

}  // extern "C"
