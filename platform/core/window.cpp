// Window classes, windows, their geometry, text, longs, stacking, activation, focus, capture and
// the update-area bookkeeping that turns into WM_PAINT.
#include <algorithm>
#include <cwctype>

#include "platform/core/state.h"
#include "platform/fresh_state.h"

// Painting helpers of the graphics folder. Weak, so that the core links on its own; the erase
// does nothing while they are absent.
extern "C" {
HDC GetDC(HWND hwnd) __attribute__((weak));
int ReleaseDC(HWND hwnd, HDC dc) __attribute__((weak));
int FillRect(HDC dc, const RECT* rect, HBRUSH brush) __attribute__((weak));
HBRUSH GetSysColorBrush(int index) __attribute__((weak));
}

namespace vplat::core {

namespace {

constexpr int kScreenW = 240;
constexpr int kScreenH = 320;
constexpr int kTaskBar = 26;  // px, the shell's bar above every top-level window
constexpr int kCaption = 26;  // px

bool SameName(const std::wstring& a, const wchar_t* b) {
  size_t n = wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR name) {
  if (!name) return nullptr;
  for (auto& c : C().classes) {
    if (IS_INTRESOURCE(name) ? c->atom == (ATOM)(uintptr_t)name : SameName(c->name, name))
      return c;
  }
  return nullptr;
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (Empty(r)) r = RECT{0, 0, 0, 0};
  return r;
}
RECT Union(const RECT& a, const RECT& b) {
  if (Empty(a)) return b;
  if (Empty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}
bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// Removes `cut` from every rectangle of `rects`, splitting into up to four pieces.
void Subtract(std::vector<RECT>& rects, const RECT& cut) {
  if (Empty(cut)) return;
  std::vector<RECT> out;
  for (const RECT& r : rects) {
    RECT i = Intersect(r, cut);
    if (Empty(i)) {
      out.push_back(r);
      continue;
    }
    if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
    if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
    if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
    if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
  }
  rects.swap(out);
}

void EraseFrom(std::vector<Window*>& v, Window* w) {
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
}

bool InSubtree(const Window* node, const Window* root) {
  for (; node; node = node->parent)
    if (node == root) return true;
  return false;
}

// Puts `w` into its parent's stacking order: at the top (below topmost windows unless it is one
// itself), at the bottom, or just below `after`.
void PlaceInZOrder(Window* w, HWND after) {
  auto& z = w->parent->zorder;
  EraseFrom(z, w);
  if (after == HWND_BOTTOM) {
    z.push_back(w);
    return;
  }
  if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST) {
    Window* a = Find(after);
    auto it = a ? std::find(z.begin(), z.end(), a) : z.end();
    if (it != z.end()) {
      z.insert(it + 1, w);
      return;
    }
  }
  auto it = z.begin();
  if (!(w->exStyle & WS_EX_TOPMOST))
    while (it != z.end() && ((*it)->exStyle & WS_EX_TOPMOST)) ++it;
  z.insert(it, w);
}

void SetUpdate(Window* w, bool on) {
  if (w->hasUpdate == on) return;
  w->hasUpdate = on;
  C().pendingPaints += on ? 1 : -1;
  if (!on) {
    w->update = RECT{0, 0, 0, 0};
    w->erase = false;
  }
}

Window* NextToActivate(Window* leaving) {
  if (leaving->owner && leaving->owner != leaving && VisibleChain(leaving->owner) &&
      leaving->owner->enabledSelf() && !leaving->owner->destroying)
    return leaving->owner;
  for (Window* t : C().desktop.zorder)
    if (t != leaving && t->visibleSelf() && t->enabledSelf() && !t->destroying &&
        !(t->exStyle & WS_EX_NOACTIVATE))
      return t;
  return nullptr;
}

void SetActive(Window* target) {
  Core& c = C();
  if (target == c.active) return;
  Window* old = c.active;
  c.active = target;
  // The focus leaves with the deactivated window, so keys never reach a window behind.
  if (c.focus && old && InSubtree(c.focus, old)) {
    Window* f = c.focus;
    c.focus = nullptr;
    Dispatch(f, WM_KILLFOCUS, target ? (WPARAM)target->hwnd() : 0, 0);
  }
  if (old && !old->destroyed)
    Dispatch(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), target ? (LPARAM)target->hwnd() : 0);
  if (target && c.active == target && !target->destroyed)
    Dispatch(target, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), old ? (LPARAM)old->hwnd() : 0);
}

// Moves focus, activation and capture off a window that is going away or out of sight.
void LeaveWindow(Window* w, bool activateOther) {
  Core& c = C();
  if (c.capture && InSubtree(c.capture, w)) ReleaseCapture();
  if (c.focus && InSubtree(c.focus, w)) {
    Window* f = c.focus;
    c.focus = nullptr;
    Dispatch(f, WM_KILLFOCUS, 0, 0);
  }
  if (activateOther && c.active == w) SetActive(NextToActivate(w));
  if (c.active == w) c.active = nullptr;
}

void SendDestroy(HWND h) {
  Window* w = Find(h);
  if (!w || w->destroyed) return;
  Dispatch(w, WM_DESTROY, 0, 0);
  std::vector<HWND> kids;
  if ((w = Find(h)) != nullptr)
    for (Window* k : w->children) kids.push_back(k->hwnd());
  for (HWND k : kids) SendDestroy(k);
}

void Finalize(HWND h) {
  Window* w = Find(h);
  if (!w || w->destroyed) return;
  std::vector<HWND> kids;
  for (Window* k : w->children) kids.push_back(k->hwnd());
  for (HWND k : kids) Finalize(k);
  w->dispatchDepth++;
  Dispatch(w, WM_NCDESTROY, 0, 0);
  KillWindowTimers(h);
  DropWindowHotKeys(h);
  Core& c = C();
  if (c.focus == w) c.focus = nullptr;
  if (c.capture == w) c.capture = nullptr;
  if (c.menuKeys == w) c.menuKeys = nullptr;
  if (c.active == w) c.active = nullptr;
  SetUpdate(w, false);
  for (auto& [handle, other] : c.windows)
    if (other->owner == w) other->owner = nullptr;
  if (w->parent) {
    EraseFrom(w->parent->children, w);
    EraseFrom(w->parent->zorder, w);
  }
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    c.windows.erase(w->handle);
  }
  w->destroyed = true;
  ReleaseDispatch(w);
}

}  // namespace

Core& C() {
  // A function-local static: static constructors of the program may make timers and windows
  // before anything else here is initialised.
  static Core* core = [] {
    auto* c = new Core;
    c->desktop.handle = 0x10;
    c->desktop.style = WS_VISIBLE;
    c->desktop.rect = RECT{0, 0, kScreenW, kScreenH};
    c->windows[c->desktop.handle] = &c->desktop;
    return c;
  }();
  return *core;
}

namespace {

// What one test case's windows leave behind once they are gone: queued messages and input, a
// posted quit, the minimised state. Handles go on counting, so a stale one finds nothing.
const FreshStateHook kFresh(1, [] {
  Core& c = C();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.posted.clear();
  c.input.clear();
  c.quitPosted = false;
  c.quitCode = 0;
  c.active = c.focus = c.capture = c.menuKeys = nullptr;
  c.minimized = c.minimizeNotice = false;
  c.hiddenByMinimize.clear();
  c.last = MSG{};
  c.penPos = POINT{};
});

}  // namespace

Window* Find(HWND hwnd) {
  auto& m = C().windows;
  auto it = m.find(reinterpret_cast<uintptr_t>(hwnd));
  return it == m.end() ? nullptr : it->second;
}

bool IsTopLevel(const Window* w) { return w->parent == &C().desktop; }

Window* TopLevelOf(Window* w) {
  while (w && w->parent && !IsTopLevel(w)) w = w->parent;
  return w;
}

bool VisibleChain(const Window* w) {
  for (; w; w = w->parent)
    if (!w->visibleSelf()) return false;
  return true;
}

bool EnabledChain(const Window* w) {
  for (; w; w = w->parent)
    if (!w->enabledSelf()) return false;
  return true;
}

RECT ClientInsets(const Window* w) {
  if (w == &C().desktop) return RECT{0, 0, 0, 0};
  if ((w->style & WS_CAPTION) == WS_CAPTION) return RECT{0, kCaption, 0, 0};
  if (w->style & (WS_BORDER | WS_DLGFRAME)) return RECT{1, 1, 1, 1};
  return RECT{0, 0, 0, 0};
}

POINT ClientOriginScreen(const Window* w) {
  POINT p{0, 0};
  for (; w; w = w->parent) {
    RECT in = ClientInsets(w);
    p.x += w->rect.left + in.left;
    p.y += w->rect.top + in.top;
  }
  return p;
}

RECT WindowRectScreen(const Window* w) {
  POINT o = w->parent ? ClientOriginScreen(w->parent) : POINT{0, 0};
  return Offset(w->rect, o.x, o.y);
}

RECT ClientRectScreen(const Window* w) {
  RECT r = WindowRectScreen(w);
  RECT in = ClientInsets(w);
  r.left += in.left;
  r.top += in.top;
  r.right = std::max(r.left, r.right - in.right);
  r.bottom = std::max(r.top, r.bottom - in.bottom);
  return r;
}

static RECT ClientRectLocal(const Window* w) {
  RECT s = ClientRectScreen(w);
  return RECT{0, 0, s.right - s.left, s.bottom - s.top};
}

void InvalidateWindow(Window* w, const RECT* clientRect, bool erase, bool children) {
  RECT all = ClientRectLocal(w);
  RECT r = clientRect ? Intersect(*clientRect, all) : all;
  if (Empty(r)) return;
  // The update area is kept as one rectangle: a second area joins the first in their bounding
  // box, and the window's erase and paint then cover all of it, also what lies between the two
  // (the input panel going down uncovers a band across a dialog and the strip of the panel's
  // button below it, and the box reaches over the dialog's button row). A window that paints
  // over its children would leave those in the box's added part blank, for none of them was
  // asked to paint again: every child under the box is invalidated with it, as the real
  // device's region would have them repainted where the parent's erase reaches.
  const RECT merged = w->hasUpdate ? Union(w->update, r) : r;
  const bool grew = merged.left < r.left || merged.top < r.top || merged.right > r.right ||
                    merged.bottom > r.bottom;
  w->update = merged;
  SetUpdate(w, true);
  w->erase = w->erase || erase;
  if ((!children && !grew) || (w->style & WS_CLIPCHILDREN)) return;
  POINT po = ClientOriginScreen(w);
  RECT screen = Offset(grew ? merged : r, po.x, po.y);
  for (Window* k : w->children) {
    if (!k->visibleSelf()) continue;
    POINT ko = ClientOriginScreen(k);
    RECT kr = Offset(Intersect(screen, ClientRectScreen(k)), -ko.x, -ko.y);
    if (!Empty(kr)) InvalidateWindow(k, &kr, erase, true);
  }
}

void InvalidateScreenArea(const RECT& screen) {
  if (Empty(screen)) return;
  std::vector<Window*> all;
  for (auto& [h, w] : C().windows)
    if (w != &C().desktop && !w->destroying) all.push_back(w);
  for (Window* w : all) {
    if (!VisibleChain(w)) continue;
    RECT cs = ClientRectScreen(w);
    RECT i = Intersect(cs, screen);
    if (!Empty(i)) {
      RECT local = Offset(i, -cs.left, -cs.top);
      InvalidateWindow(w, &local, true, false);
    }
  }
}

Window* HitTest(POINT pt) {
  Core& c = C();
  Window* cur = nullptr;
  for (Window* t : c.desktop.zorder) {
    if (t->visibleSelf() && Contains(WindowRectScreen(t), pt)) {
      cur = t;
      break;
    }
  }
  if (!cur || !cur->enabledSelf()) return nullptr;
  for (;;) {
    Window* next = nullptr;
    for (Window* k : cur->zorder) {
      if (!k->visibleSelf() || !Contains(WindowRectScreen(k), pt)) continue;
      POINT cp = pt;
      if (Dispatch(k, WM_NCHITTEST, 0, MAKELPARAM(cp.x, cp.y)) == HTTRANSPARENT) continue;
      next = k;
      break;
    }
    // A disabled window and all it contains take no pen: the point belongs to its parent.
    if (!next || !next->enabledSelf()) break;
    cur = next;
  }
  return Contains(ClientRectScreen(cur), pt) ? cur : nullptr;
}

LRESULT Dispatch(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  w->dispatchDepth++;
  WNDPROC proc = w->proc ? w->proc : DefWindowProcW;
  LRESULT r = proc(w->hwnd(), msg, wParam, lParam);
  ReleaseDispatch(w);
  return r;
}

void ReleaseDispatch(Window* w) {
  if (--w->dispatchDepth == 0 && w->destroyed && w != &C().desktop) delete w;
}

}  // namespace vplat::core

using namespace vplat::core;

namespace {
Window* Get(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}
}  // namespace

// ---- the contract with the graphics folder ----

namespace vplat {

bool WindowScreenRects(HWND hwnd, RECT* window, RECT* client) {
  Window* w = Find(hwnd);
  if (!w) return false;
  if (window) *window = WindowRectScreen(w);
  if (client) *client = ClientRectScreen(w);
  return true;
}

void VisibleScreenRects(HWND hwnd, bool client, bool excludeChildren, std::vector<RECT>& out) {
  out.clear();
  Window* w = Find(hwnd);
  if (!w || !VisibleChain(w)) return;
  out.push_back(client ? ClientRectScreen(w) : WindowRectScreen(w));
  for (Window* a = w->parent; a; a = a->parent) {
    RECT clip = ClientRectScreen(a);
    for (RECT& r : out) r = Intersect(r, clip);
  }
  out.erase(std::remove_if(out.begin(), out.end(), Empty), out.end());
  // Siblings stacked above the window and above each of its ancestors cover it.
  for (Window* n = w; n && n->parent; n = n->parent) {
    for (Window* s : n->parent->zorder) {
      if (s == n) break;
      if (s->visibleSelf()) Subtract(out, WindowRectScreen(s));
    }
  }
  if (excludeChildren || (w->style & WS_CLIPCHILDREN))
    for (Window* k : w->children)
      if (k->visibleSelf()) Subtract(out, WindowRectScreen(k));
}

bool TakeUpdateRect(HWND hwnd, RECT* rect, bool* erase) {
  Window* w = Find(hwnd);
  if (rect) *rect = RECT{0, 0, 0, 0};
  if (erase) *erase = false;
  if (!w || !w->hasUpdate) return false;
  if (rect) *rect = w->update;
  if (erase) *erase = w->erase;
  w->lastPaint = w->update;
  SetUpdate(w, false);
  return true;
}

HBRUSH ClassBackground(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w || !w->cls) return nullptr;
  return w->cls->wc.hbrBackground;
}

}  // namespace vplat

// ---- classes ----

extern "C" ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpfnWndProc ||
      wc->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (auto existing = FindClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return existing->atom;
  }
  auto c = std::make_shared<WindowClass>();
  c->name = wc->lpszClassName;
  c->atom = C().nextAtom++;
  c->wc = *wc;
  c->wc.lpszClassName = nullptr;  // the caller's string need not outlive the call
  c->wc.lpszMenuName = nullptr;
  C().classes.push_back(c);
  return c->atom;
}

extern "C" BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  auto c = FindClass(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  auto& v = C().classes;
  v.erase(std::remove(v.begin(), v.end(), c), v.end());
  return TRUE;  // windows of the class keep their shared copy
}

extern "C" BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* wc) {
  auto c = FindClass(className);
  if (!c || !wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wc = c->wc;
  wc->lpszClassName = c->name.c_str();
  return TRUE;
}

extern "C" int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount) {
  Window* w = Get(hwnd);
  if (!w || !w->cls || !buffer || maxCount <= 0) return 0;
  int n = std::min<int>((int)w->cls->name.size(), maxCount - 1);
  wmemcpy(buffer, w->cls->name.data(), n);
  buffer[n] = 0;
  return n;
}

// ---- creation and destruction ----

extern "C" HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName,
                                DWORD style, int x, int y, int width, int height, HWND parent,
                                HMENU menu, HINSTANCE instance, LPVOID param) {
  Core& c = C();
  NoteUiThread();
  auto cls = FindClass(className);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
  }
  Window* p = nullptr;
  if (parent) {
    p = Find(parent);
    if (!p) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  }
  if ((style & WS_CHILD) && !p) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* w = new Window;
  w->cls = cls;
  w->proc = cls->wc.lpfnWndProc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->instance = instance;
  w->text = windowName && !IS_INTRESOURCE(windowName) ? windowName : L"";
  w->extra.assign(cls->wc.cbWndExtra, 0);
  w->thread = std::this_thread::get_id();
  bool child = (style & WS_CHILD) != 0;
  w->id = child ? (LONG_PTR)menu : 0;
  if (child) {
    w->parent = p;
  } else {
    w->parent = &c.desktop;
    w->owner = p ? TopLevelOf(p) : nullptr;
  }
  // The default place of a top-level window is the screen below the task bar.
  if (x == CW_USEDEFAULT) {
    x = 0;
    y = child ? 0 : kTaskBar;
  }
  if (width == CW_USEDEFAULT) {
    width = child ? 0 : kScreenW;
    height = child ? 0 : kScreenH - kTaskBar;
  }
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    w->handle = c.nextHandle;
    c.nextHandle += 4;
    c.windows[w->handle] = w;
  }
  w->parent->children.push_back(w);
  PlaceInZOrder(w, HWND_TOP);
  HWND h = w->hwnd();

  CREATESTRUCTW cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = (LONG)style;
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  w->dispatchDepth++;  // keeps the object while the creation messages run
  bool ok = Dispatch(w, WM_NCCREATE, 0, (LPARAM)&cs) != 0;
  if (ok && !w->destroying) ok = Dispatch(w, WM_CREATE, 0, (LPARAM)&cs) != -1;
  if (!ok || w->destroying) {
    if (!w->destroying) DestroyWindow(h);
    ReleaseDispatch(w);
    return nullptr;
  }
  RECT cl = ClientRectLocal(w);
  Dispatch(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cl.right, cl.bottom));
  if (!w->destroying) {
    RECT in = ClientInsets(w);
    Dispatch(w, WM_MOVE, 0, MAKELPARAM(w->rect.left + in.left, w->rect.top + in.top));
  }
  bool alive = !w->destroying;
  ReleaseDispatch(w);
  if (!alive) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(h, (exStyle & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  return Find(h) ? h : nullptr;
}

extern "C" BOOL DestroyWindow(HWND hwnd) {
  Core& c = C();
  Window* w = Get(hwnd);
  if (!w || w == &c.desktop) return FALSE;
  if (w->destroying) return TRUE;
  w->dispatchDepth++;
  // Owned windows go first: a dialog never outlives its owner.
  std::vector<HWND> owned;
  for (Window* t : c.desktop.children)
    if (t->owner == w) owned.push_back(t->hwnd());
  for (HWND o : owned) DestroyWindow(o);

  std::vector<Window*> stack{w};
  while (!stack.empty()) {
    Window* n = stack.back();
    stack.pop_back();
    n->destroying = true;
    for (Window* k : n->children) stack.push_back(k);
  }
  bool wasShown = VisibleChain(w);
  RECT area = WindowRectScreen(w);
  w->style &= ~WS_VISIBLE;
  LeaveWindow(w, true);
  if (wasShown) InvalidateScreenArea(area);
  if (c.minimized && c.hiddenByMinimize.front() == w->handle) {
    // The program ended while away: there is nothing left to restore.
    c.minimized = c.minimizeNotice = false;
    c.hiddenByMinimize.clear();
  }
  SendDestroy(hwnd);
  Finalize(hwnd);
  ReleaseDispatch(w);
  return TRUE;
}

// ---- the default procedure ----

extern "C" LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
      return TRUE;
    case WM_GETTEXT: {
      auto* buf = reinterpret_cast<wchar_t*>(lParam);
      if (!buf || wParam == 0) return 0;
      size_t n = std::min<size_t>(w->text.size(), wParam - 1);
      wmemcpy(buf, w->text.data(), n);
      buf[n] = 0;
      return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH:
      return (LRESULT)w->text.size();
    case WM_PAINT: {
      // Nobody painted: take the update area, erasing it as BeginPaint would.
      RECT r;
      bool erase = false;
      if (vplat::TakeUpdateRect(hwnd, &r, &erase) && erase) SendMessageW(hwnd, WM_ERASEBKGND, 0, 0);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = w->cls ? w->cls->wc.hbrBackground : nullptr;
      if (!brush || !FillRect || !GetDC || !ReleaseDC) return 0;
      // A small value is a system colour index + 1, as the class structure allows.
      if ((uintptr_t)brush <= 64) {
        if (!GetSysColorBrush) return 0;
        brush = GetSysColorBrush((int)(uintptr_t)brush - 1);
        if (!brush) return 0;
      }
      RECT r = Empty(w->lastPaint) ? ClientRectLocal(w) : w->lastPaint;
      HDC dc = reinterpret_cast<HDC>(wParam);
      bool own = dc == nullptr;
      if (own) dc = GetDC(hwnd);
      if (!dc) return 0;
      FillRect(dc, &r, brush);
      if (own) ReleaseDC(hwnd, dc);
      return 1;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
        Window* f = C().focus;
        if (!f || !InSubtree(f, w)) SetFocus(hwnd);
      }
      return 0;
    case WM_CANCELMODE:
      if (C().capture == w) ReleaseCapture();
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    default:
      return 0;
  }
}

extern "C" LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam,
                                   LPARAM lParam) {
  if (!proc) return 0;
  Window* w = Find(hwnd);
  if (!w) return proc(hwnd, msg, wParam, lParam);
  w->dispatchDepth++;
  LRESULT r = proc(hwnd, msg, wParam, lParam);
  ReleaseDispatch(w);
  return r;
}

// ---- state and geometry ----

extern "C" BOOL IsWindow(HWND hwnd) { return FindLocked(hwnd) != nullptr; }

extern "C" BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && VisibleChain(w);
}

extern "C" BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && w->enabledSelf();
}

extern "C" BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = !w->enabledSelf();
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    Core& c = C();
    if (c.capture && InSubtree(c.capture, w)) ReleaseCapture();
    if (c.focus && InSubtree(c.focus, w)) SetFocus(nullptr);
  }
  Dispatch(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

namespace {
Window* MainWindow() {
  for (Window* t : C().desktop.children)
    if (!t->owner && !t->destroying && !(t->exStyle & WS_EX_NOACTIVATE)) return t;
  return nullptr;
}

// Minimising the main window takes the program off the screen, as the handheld's shell does:
// every other visible top-level window (its bars, its owned windows, the shell's own) is hidden
// with it, so nothing of the program stays painted on a screen nobody repaints.
void MinimizeProgram(Window* main) {
  Core& c = C();
  std::vector<HWND> others;
  for (Window* t : c.desktop.children)
    if (t != main && t->visibleSelf() && !t->destroying) others.push_back(t->hwnd());
  c.hiddenByMinimize.assign(1, main->handle);
  c.minimized = true;
  c.minimizeNotice = true;
  for (HWND h : others) {
    c.hiddenByMinimize.push_back(reinterpret_cast<uintptr_t>(h));
    ShowWindow(h, SW_HIDE);
  }
}
}  // namespace

extern "C" BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  BOOL was = w->visibleSelf();
  bool minimize = cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE;
  bool hide = cmd == SW_HIDE || minimize;
  if (hide) {
    if (!was) return FALSE;
    Dispatch(w, WM_SHOWWINDOW, FALSE, 0);
    if (!Find(hwnd)) return TRUE;
    bool shown = VisibleChain(w);
    RECT area = WindowRectScreen(w);
    w->style &= ~WS_VISIBLE;
    LeaveWindow(w, true);
    if (shown) InvalidateScreenArea(area);
    if (minimize && !C().minimized && w == MainWindow()) MinimizeProgram(w);
    return TRUE;
  }
  if (C().minimized && w == MainWindow()) {
    // The program shows its main window again itself: everything the minimise hid comes back.
    vplat::RestoreProgram();
    return was;
  }
  if (!was) {
    Dispatch(w, WM_SHOWWINDOW, TRUE, 0);
    if (!Find(hwnd)) return FALSE;
    w->style |= WS_VISIBLE;
    if (VisibleChain(w)) InvalidateWindow(w, nullptr, true, true);
  }
  bool activate = cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && IsTopLevel(w) &&
                  !(w->exStyle & WS_EX_NOACTIVATE);
  if (activate) SetActive(w);
  return was;
}

namespace vplat {

HWND ProgramMainWindow() {
  Window* m = MainWindow();
  return m ? m->hwnd() : nullptr;
}

void RequestProgramClose() {
  if (HWND main = ProgramMainWindow()) {
    PostMessageW(main, WM_CLOSE, 0, 0);
  } else {
    PostQuitMessage(0);
  }
}

bool ProgramMinimized() { return C().minimized; }

bool TakeMinimizeNotice() {
  bool n = C().minimizeNotice;
  C().minimizeNotice = false;
  return n;
}

void RestoreProgram() {
  Core& c = C();
  if (!c.minimized) return;
  c.minimized = false;
  c.minimizeNotice = false;
  std::vector<uintptr_t> hidden;
  hidden.swap(c.hiddenByMinimize);
  // The others first and without activation; then the main window, which takes the keys.
  for (size_t i = 1; i < hidden.size(); ++i)
    if (Find(reinterpret_cast<HWND>(hidden[i]))) ShowWindow(reinterpret_cast<HWND>(hidden[i]), SW_SHOWNA);
  if (!hidden.empty() && Find(reinterpret_cast<HWND>(hidden[0])))
    ShowWindow(reinterpret_cast<HWND>(hidden[0]), SW_SHOW);
  // Whatever the screen held while the program was away is stale, the uncovered desktop too.
  constexpr LONG kFar = 1 << 20;  // beyond any window: every visible window is covered
  InvalidateScreenArea(RECT{-kFar, -kFar, kFar, kFar});
}

}  // namespace vplat

extern "C" BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  Window* w = Get(hwnd);
  if (!w || w == &C().desktop) return FALSE;
  bool shown = VisibleChain(w);
  RECT oldScreen = WindowRectScreen(w);
  RECT old = w->rect;
  RECT r = old;
  if (!(flags & SWP_NOMOVE)) r = Offset(r, x - r.left, y - r.top);
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(0, cx);
    r.bottom = r.top + std::max(0, cy);
  }
  bool moved = r.left != old.left || r.top != old.top;
  bool sized = (r.right - r.left) != (old.right - old.left) ||
               (r.bottom - r.top) != (old.bottom - old.top);
  w->rect = r;
  bool restacked = false;
  if (!(flags & SWP_NOZORDER)) {
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    auto before = w->parent->zorder;
    PlaceInZOrder(w, after);
    restacked = before != w->parent->zorder;
  }
  if (shown && (moved || sized || restacked) && !(flags & SWP_NOREDRAW)) {
    InvalidateScreenArea(oldScreen);
    InvalidateWindow(w, nullptr, true, true);
  }
  if (sized) {
    RECT cl = ClientRectLocal(w);
    Dispatch(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cl.right, cl.bottom));
  }
  if (moved && Find(hwnd)) {
    RECT in = ClientInsets(w);
    Dispatch(w, WM_MOVE, 0, MAKELPARAM(w->rect.left + in.left, w->rect.top + in.top));
  }
  if (!Find(hwnd)) return TRUE;
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  return TRUE;
}

extern "C" BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, HWND_TOP, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

extern "C" BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  Window* w = Get(hwnd);
  if (!w || !rect) return FALSE;
  *rect = WindowRectScreen(w);
  return TRUE;
}

extern "C" BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  Window* w = Get(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ClientRectLocal(w);
  return TRUE;
}

extern "C" BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  Window* w = Get(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOriginScreen(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

extern "C" BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  Window* w = Get(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOriginScreen(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

extern "C" int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from) {
    Window* w = Get(from);
    if (!w) return 0;
    a = ClientOriginScreen(w);
  }
  if (to) {
    Window* w = Get(to);
    if (!w) return 0;
    b = ClientOriginScreen(w);
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(0);
  return MAKELONG(dx, dy);
}

extern "C" HWND WindowFromPoint(POINT point) {
  Window* w = HitTest(point);
  return w ? w->hwnd() : nullptr;
}

extern "C" HWND ChildWindowFromPoint(HWND parent, POINT point) {
  Window* p = Get(parent);
  if (!p) return nullptr;
  POINT o = ClientOriginScreen(p);
  POINT s{point.x + o.x, point.y + o.y};
  if (!Contains(ClientRectScreen(p), s)) return nullptr;
  for (Window* k : p->zorder)
    if (Contains(WindowRectScreen(k), s)) return k->hwnd();
  return parent;
}

extern "C" HWND GetParent(HWND hwnd) {
  Window* w = Get(hwnd);
  if (!w || !w->parent || IsTopLevel(w)) return nullptr;
  return w->parent->hwnd();
}

extern "C" HWND SetParent(HWND child, HWND newParent) {
  Window* w = Get(child);
  if (!w || w == &C().desktop) return nullptr;
  Window* np = newParent ? Get(newParent) : &C().desktop;
  if (!np || InSubtree(np, w)) return nullptr;
  Window* old = w->parent;
  bool shown = VisibleChain(w);
  RECT area = WindowRectScreen(w);
  EraseFrom(old->children, w);
  EraseFrom(old->zorder, w);
  w->parent = np;
  np->children.push_back(w);
  PlaceInZOrder(w, HWND_TOP);
  if (shown) InvalidateScreenArea(area);
  if (VisibleChain(w)) InvalidateWindow(w, nullptr, true, true);
  return old == &C().desktop ? GetDesktopWindow() : old->hwnd();
}

extern "C" HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = Get(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->hwnd();
  if (cmd == GW_OWNER) return w->owner ? w->owner->hwnd() : nullptr;
  if (!w->parent) return nullptr;
  auto& sib = w->parent->children;
  auto it = std::find(sib.begin(), sib.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST:
      return sib.front()->hwnd();
    case GW_HWNDLAST:
      return sib.back()->hwnd();
    case GW_HWNDNEXT:
      return (it == sib.end() || it + 1 == sib.end()) ? nullptr : (*(it + 1))->hwnd();
    case GW_HWNDPREV:
      return (it == sib.begin() || it == sib.end()) ? nullptr : (*(it - 1))->hwnd();
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

extern "C" HWND GetDesktopWindow() { return C().desktop.hwnd(); }

extern "C" BOOL IsChild(HWND parent, HWND hwnd) {
  Window* p = Find(parent);
  Window* w = Find(hwnd);
  if (!p || !w || p == w) return FALSE;
  for (Window* a = w->parent; a && !IsTopLevel(a) && a != &C().desktop; a = a->parent)
    if (a == p) return TRUE;
  return w->parent == p && !IsTopLevel(w);
}

extern "C" int GetDlgCtrlID(HWND hwnd) {
  Window* w = Get(hwnd);
  return w && !IsTopLevel(w) ? (int)w->id : 0;
}

extern "C" HWND GetDlgItem(HWND dialog, int id) {
  Window* w = Get(dialog);
  if (!w) return nullptr;
  for (Window* k : w->children)
    if ((int)k->id == id) return k->hwnd();
  return nullptr;
}

extern "C" HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  std::shared_ptr<WindowClass> cls;
  if (className) {
    cls = FindClass(className);
    if (!cls) return nullptr;
  }
  for (Window* t : C().desktop.children) {
    if (t->destroying) continue;
    if (cls && t->cls != cls) continue;
    if (windowName && t->text != windowName) continue;
    return t->hwnd();
  }
  return nullptr;
}

extern "C" BOOL SetForegroundWindow(HWND hwnd) {
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  Window* t = TopLevelOf(w);
  if (t == &C().desktop) return FALSE;
  PlaceInZOrder(t, HWND_TOP);
  if (VisibleChain(t)) InvalidateWindow(t, nullptr, true, true);
  SetActive(t);
  return TRUE;
}

extern "C" HWND GetForegroundWindow() { return C().active ? C().active->hwnd() : nullptr; }

extern "C" HWND SetActiveWindow(HWND hwnd) {
  Core& c = C();
  HWND old = c.active ? c.active->hwnd() : nullptr;
  if (!hwnd) {
    SetActive(nullptr);
    return old;
  }
  Window* w = Get(hwnd);
  if (!w) return nullptr;
  SetActive(TopLevelOf(w));
  return old;
}

extern "C" HWND GetActiveWindow() { return GetForegroundWindow(); }

extern "C" HWND SetFocus(HWND hwnd) {
  Core& c = C();
  Window* old = c.focus;
  HWND oldH = old ? old->hwnd() : nullptr;
  if (!hwnd) {
    c.focus = nullptr;
    if (old) Dispatch(old, WM_KILLFOCUS, 0, 0);
    return oldH;
  }
  Window* w = Get(hwnd);
  if (!w || w == &C().desktop) return nullptr;
  if (w == old) return oldH;
  Window* top = TopLevelOf(w);
  if (c.active != top) {
    SetActive(top);
    if (!Find(hwnd)) return oldH;
    old = c.focus;
    oldH = old ? old->hwnd() : nullptr;
    if (w == old) return oldH;
  }
  c.focus = w;
  if (old) Dispatch(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
  if (c.focus == w && Find(hwnd)) Dispatch(w, WM_SETFOCUS, (WPARAM)oldH, 0);
  return oldH;
}

extern "C" HWND GetFocus() { return C().focus ? C().focus->hwnd() : nullptr; }

extern "C" HWND SetCapture(HWND hwnd) {
  Core& c = C();
  Window* old = c.capture;
  HWND oldH = old ? old->hwnd() : nullptr;
  Window* w = Get(hwnd);
  if (!w) return oldH;
  c.capture = w;
  if (old && old != w) Dispatch(old, WM_CAPTURECHANGED, 0, (LPARAM)hwnd);
  return oldH;
}

extern "C" BOOL ReleaseCapture() {
  Core& c = C();
  Window* old = c.capture;
  c.capture = nullptr;
  if (old) Dispatch(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

extern "C" HWND GetCapture() { return C().capture ? C().capture->hwnd() : nullptr; }

// ---- text and longs ----

extern "C" int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = 0;
  if (!Get(hwnd)) return 0;
  return (int)SendMessageW(hwnd, WM_GETTEXT, (WPARAM)maxCount, (LPARAM)buffer);
}

extern "C" BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!Get(hwnd)) return FALSE;
  return SendMessageW(hwnd, WM_SETTEXT, 0, (LPARAM)(text ? text : L"")) ? TRUE : FALSE;
}

extern "C" int GetWindowTextLengthW(HWND hwnd) {
  if (!Get(hwnd)) return 0;
  return (int)SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
}

extern "C" LONG_PTR GetWindowLongW(HWND hwnd, int index) {
  Window* w = Get(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_WNDPROC: return (LONG_PTR)w->proc;
    case GWL_HINSTANCE: return (LONG_PTR)w->instance;
    case GWL_HWNDPARENT: return (LONG_PTR)(w->owner ? w->owner->hwnd() : nullptr);
    case GWL_ID: return w->id;
    case GWL_STYLE: return (LONG_PTR)(LONG)w->style;
    case GWL_EXSTYLE: return (LONG_PTR)(LONG)w->exStyle;
    case GWL_USERDATA: return w->userData;
    default: break;
  }
  if (index < 0 || (size_t)index + 4 > w->extra.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // Little-endian byte by byte: the extra bytes are a plain byte store of any alignment.
  const uint8_t* p = w->extra.data() + index;
  size_t n = (size_t)index + 8 <= w->extra.size() ? 8 : 4;
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= (uint64_t)p[i] << (8 * i);
  if (n == 4) return (LONG_PTR)(int32_t)(uint32_t)v;
  return (LONG_PTR)v;
}

extern "C" LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value) {
  Window* w = Get(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongW(hwnd, index);
  switch (index) {
    case GWL_WNDPROC:
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWL_HINSTANCE:
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWL_HWNDPARENT: {
      Window* o = Find(reinterpret_cast<HWND>(value));
      w->owner = o ? TopLevelOf(o) : nullptr;
      return old;
    }
    case GWL_ID:
      w->id = value;
      return old;
    case GWL_STYLE:
      w->style = (DWORD)value;
      return old;
    case GWL_EXSTYLE:
      w->exStyle = (DWORD)value;
      return old;
    case GWL_USERDATA:
      w->userData = value;
      return old;
    default:
      break;
  }
  if (index < 0 || (size_t)index + 4 > w->extra.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  uint8_t* p = w->extra.data() + index;
  size_t n = (size_t)index + 8 <= w->extra.size() ? 8 : 4;
  for (size_t i = 0; i < n; ++i) p[i] = (uint8_t)((uint64_t)value >> (8 * i));
  return old;
}

extern "C" LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) { return GetWindowLongW(hwnd, index); }
extern "C" LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  return SetWindowLongW(hwnd, index, value);
}

// ---- painting bookkeeping ----

extern "C" BOOL UpdateWindow(HWND hwnd) {
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  if (w->hasUpdate && VisibleChain(w)) Dispatch(w, WM_PAINT, 0, 0);
  return TRUE;
}

extern "C" BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    for (Window* t : C().desktop.children) InvalidateWindow(t, nullptr, erase, true);
    return TRUE;
  }
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  InvalidateWindow(w, rect, erase, true);
  return TRUE;
}

extern "C" BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  if (!w->hasUpdate) return TRUE;
  if (!rect) {
    SetUpdate(w, false);
    return TRUE;
  }
  // The update area is one rectangle: it shrinks only where what is left stays a rectangle.
  std::vector<RECT> rest{w->update};
  Subtract(rest, *rect);
  if (rest.empty()) SetUpdate(w, false);
  else if (rest.size() == 1) w->update = rest[0];
  return TRUE;
}

extern "C" BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  Window* w = Get(hwnd);
  if (!w) return FALSE;
  if (rect) *rect = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
  return w->hasUpdate ? TRUE : FALSE;
}

extern "C" BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  Window* w = hwnd ? Get(hwnd) : &C().desktop;
  if (!w) return FALSE;
  // A region is taken as the whole window: painting more than asked is always safe.
  const RECT* r = region ? nullptr : rect;
  bool children = (flags & RDW_ALLCHILDREN) || !(flags & RDW_NOCHILDREN);
  if (flags & RDW_INVALIDATE) {
    if (w == &C().desktop) InvalidateRect(nullptr, nullptr, (flags & RDW_ERASE) != 0);
    else InvalidateWindow(w, r, (flags & RDW_ERASE) != 0, children);
  }
  if ((flags & RDW_VALIDATE) && w != &C().desktop) ValidateRect(hwnd, r);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    std::vector<HWND> order{w->hwnd()};
    for (size_t i = 0; i < order.size(); ++i) {
      Window* n = Find(order[i]);
      if (!n) continue;
      if (n != &C().desktop) UpdateWindow(order[i]);
      if ((n = Find(order[i])) != nullptr && children)
        for (Window* k : n->children) order.push_back(k->hwnd());
    }
  }
  return TRUE;
}
