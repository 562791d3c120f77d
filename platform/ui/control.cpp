#include "platform/ui/control.h"

#include <algorithm>
#include <cstring>

namespace vplat::ui {
namespace {

std::unordered_map<HWND, std::unique_ptr<ControlState>>& States() {
  static auto* states = new std::unordered_map<HWND, std::unique_ptr<ControlState>>;
  return *states;
}

}  // namespace

void SetState(HWND hwnd, std::unique_ptr<ControlState> state) { States()[hwnd] = std::move(state); }

ControlState* GetStateBase(HWND hwnd) {
  auto it = States().find(hwnd);
  return it == States().end() ? nullptr : it->second.get();
}

void DropState(HWND hwnd) {
  // Moved out first: the state's destructor may release objects that send messages.
  auto it = States().find(hwnd);
  if (it == States().end()) return;
  std::unique_ptr<ControlState> gone = std::move(it->second);
  States().erase(it);
}

void NotifyCommand(HWND ctl, UINT code) {
  HWND parent = GetParent(ctl);
  if (!parent) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(ControlId(ctl), code), reinterpret_cast<LPARAM>(ctl));
}

LRESULT NotifyParent(HWND ctl, UINT code, NMHDR* hdr) {
  HWND parent = GetParent(ctl);
  if (!parent) return 0;
  hdr->hwndFrom = ctl;
  hdr->idFrom = static_cast<UINT_PTR>(ControlId(ctl));
  hdr->code = code;
  return SendMessageW(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

HFONT SystemFont() {
  static HFONT font = [] {
    LOGFONTW lf{};
    lf.lfHeight = -12;  // 12-pixel em: legible on the 240-pixel-wide screen, 16-pixel rows
    lf.lfWeight = FW_NORMAL;
    std::wcsncpy(lf.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
  }();
  return font;
}

HFONT ControlFont(HWND hwnd) {
  ControlState* st = GetStateBase(hwnd);
  return st && st->font ? st->font : SystemFont();
}

COLORREF SysColor(int index) { return GetSysColor(index); }
HBRUSH SysBrush(int index) { return GetSysColorBrush(index); }

void FillSolid(HDC dc, const RECT& rc, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, &rc, b);
  DeleteObject(b);
}

void FrameSolid(HDC dc, const RECT& rc, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FrameRect(dc, &rc, b);
  DeleteObject(b);
}

void DrawLineSolid(HDC dc, int x0, int y0, int x1, int y1, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawTextIn(HDC dc, const std::wstring& text, RECT rc, UINT format, COLORREF color) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format | DT_NOPREFIX);
}

int TextWidth(HDC dc, const std::wstring& text) {
  SIZE sz{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
  return sz.cx;
}

void DrawArrow(HDC dc, const RECT& rc, int dir, COLORREF color) {
  int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
  POINT p[3];
  switch (dir) {
    case 0: p[0] = {cx - 4, cy - 2}; p[1] = {cx + 4, cy - 2}; p[2] = {cx, cy + 2}; break;
    case 1: p[0] = {cx - 4, cy + 2}; p[1] = {cx + 4, cy + 2}; p[2] = {cx, cy - 2}; break;
    case 2: p[0] = {cx + 2, cy - 4}; p[1] = {cx + 2, cy + 4}; p[2] = {cx - 2, cy}; break;
    default: p[0] = {cx - 2, cy - 4}; p[1] = {cx - 2, cy + 4}; p[2] = {cx + 2, cy}; break;
  }
  HBRUSH b = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, pen);
  Polygon(dc, p, 3);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(b);
  DeleteObject(pen);
}

void PaintBorder(HWND hwnd) {
  if (!(Style(hwnd) & WS_BORDER)) return;
  RECT wr;
  if (!GetWindowRect(hwnd, &wr)) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT rc{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  FrameSolid(dc, rc, SysColor(COLOR_WINDOWFRAME));
  ReleaseDC(hwnd, dc);
}

std::wstring WindowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return {};
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  int got = GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(static_cast<size_t>(std::max(0, got)));
  return s;
}

bool HandleFontMessages(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  ControlState* st = GetStateBase(hwnd);
  if (!st) return false;
  if (msg == WM_SETFONT) {
    st->font = reinterpret_cast<HFONT>(wParam);
    if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
    *result = 0;
    return true;
  }
  if (msg == WM_GETFONT) {
    *result = reinterpret_cast<LRESULT>(st->font);
    return true;
  }
  return false;
}

ThumbSpan ComputeThumb(int track, int min, int max, int page, int pos) {
  int range = max - min + 1;
  if (track <= 0 || range <= 0) return {0, track > 0 ? track : 0};
  int len = page > 0 ? static_cast<int>(static_cast<long long>(track) * page / range) : 10;
  len = std::clamp(len, 8, track);
  int span = std::max(1, range - std::max(page, 1));
  int p = std::clamp(pos - min, 0, span);
  int start = static_cast<int>(static_cast<long long>(track - len) * p / span);
  return {start, len};
}

void DrawVScrollBar(HDC dc, const RECT& rc, int min, int max, int page, int pos) {
  FillSolid(dc, rc, SysColor(COLOR_SCROLLBAR));
  FrameSolid(dc, rc, SysColor(COLOR_BTNSHADOW));
  int w = rc.right - rc.left;
  RECT up{rc.left, rc.top, rc.right, rc.top + w};
  RECT down{rc.left, rc.bottom - w, rc.right, rc.bottom};
  DrawArrow(dc, up, 1, SysColor(COLOR_BTNTEXT));
  DrawArrow(dc, down, 0, SysColor(COLOR_BTNTEXT));
  ThumbSpan t = ComputeThumb(rc.bottom - rc.top - 2 * w, min, max, page, pos);
  RECT thumb{rc.left + 1, up.bottom + t.start, rc.right - 1, up.bottom + t.start + t.length};
  FillSolid(dc, thumb, SysColor(COLOR_BTNSHADOW));
}

void EnsureClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterControlClasses();
  RegisterDialogClass();
  RegisterMenuClasses();
  RegisterShellClasses();
}

}  // namespace vplat::ui

extern "C" {

void InitCommonControls() { vplat::ui::EnsureClasses(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (!icc || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  vplat::ui::EnsureClasses();
  return TRUE;
}

}  // extern "C"
