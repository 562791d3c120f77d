// The dialog manager: dialogs made from our templates, modal (a nested loop with the owner
// disabled) and modeless, the dialog procedure's defaults, keyboard navigation and the
// item helpers. A dialog's DLGPROC and DWLP_MSGRESULT live in its window's extra bytes.
#include <algorithm>
#include <cwchar>
#include <optional>

#include "platform/core/internal.h"
#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

constexpr wchar_t kDialogClass[] = L"Dialog";

struct DialogInfo {
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  int templateId = 0;
  int defId = IDOK;
};

std::unordered_map<HWND, DialogInfo>& Dialogs() {
  static auto* d = new std::unordered_map<HWND, DialogInfo>;
  return *d;
}

DialogInfo* Info(HWND dlg) {
  auto it = Dialogs().find(dlg);
  return it == Dialogs().end() ? nullptr : &it->second;
}

DLGPROC ProcOf(HWND dlg) { return reinterpret_cast<DLGPROC>(GetWindowLongW(dlg, DWLP_DLGPROC)); }

// Messages whose dialog-procedure answer is the result itself rather than a handled flag.
bool ReturnsDirectly(UINT msg) {
  return msg == WM_INITDIALOG || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC);
}

HWND FirstTabStop(HWND dlg) {
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if ((Style(c) & WS_TABSTOP) && (Style(c) & WS_VISIBLE) && IsWindowEnabled(c)) return c;
  return nullptr;
}

// The dialog child that holds `hwnd` (itself or an ancestor below the dialog).
HWND DialogChildOf(HWND dlg, HWND hwnd) {
  while (hwnd && GetParent(hwnd) != dlg) hwnd = GetParent(hwnd);
  return hwnd;
}

void FocusControl(HWND ctl) {
  SetFocus(ctl);
  if (SendMessageW(ctl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(ctl, EM_SETSEL, 0, -1);
}

void PressDefault(HWND dlg) {
  DialogInfo* info = Info(dlg);
  int id = info ? info->defId : IDOK;
  HWND button = GetDlgItem(dlg, id);
  if (button && !IsWindowEnabled(button)) return;
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PressCancel(HWND dlg) {
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
}

// The keys a dialog takes for itself unless the focused control asks for them.
bool HandleDialogKey(HWND dlg, HWND focus, UINT msg, WPARAM key) {
  if (msg != WM_KEYDOWN && msg != WM_CHAR) return false;
  LRESULT code = focus ? SendMessageW(focus, WM_GETDLGCODE, key, 0) : 0;
  if (code & DLGC_WANTALLKEYS) return false;
  if (msg == WM_CHAR) {
    // The characters of keys handled on WM_KEYDOWN are swallowed.
    return key == L'\t' || key == L'\r' || key == 27;
  }
  switch (key) {
    case VK_TAB: {
      if (code & DLGC_WANTTAB) return false;
      bool back = GetKeyState(VK_SHIFT) < 0;
      HWND next = GetNextDlgTabItem(dlg, focus ? DialogChildOf(dlg, focus) : nullptr, back);
      if (next) FocusControl(next);
      return true;
    }
    case VK_RETURN:
      if (focus && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && (code & DLGC_BUTTON)) {
        SendMessageW(focus, BM_CLICK, 0, 0);
        return true;
      }
      PressDefault(dlg);
      return true;
    case VK_ESCAPE:
      PressCancel(dlg);
      return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
      if (code & DLGC_WANTARROWS) return false;
      if (!focus) return false;
      HWND next = GetNextDlgGroupItem(dlg, DialogChildOf(dlg, focus), key == VK_LEFT || key == VK_UP);
      if (next && next != focus) {
        FocusControl(next);
        if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessageW(next, BM_CLICK, 0, 0);
      }
      return true;
    }
  }
  return false;
}

LRESULT CALLBACK DialogWndProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (DLGPROC proc = ProcOf(dlg)) {
    SetWindowLongW(dlg, DWLP_MSGRESULT, 0);
    INT_PTR handled = proc(dlg, msg, wParam, lParam);
    if (ReturnsDirectly(msg)) {
      if (handled) return handled;
    } else if (handled) {
      return IsWindow(dlg) ? GetWindowLongW(dlg, DWLP_MSGRESULT) : 0;
    }
  }
  return DefDlgProcW(dlg, msg, wParam, lParam);
}

}  // namespace

void RegisterDialogClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DialogWndProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kDialogClass;
  RegisterClassW(&wc);
}

bool DialogKey(HWND ctl, UINT msg, WPARAM key) {
  for (HWND w = GetParent(ctl); w; w = GetParent(w))
    if (Info(w)) return HandleDialogKey(w, ctl, msg, key);
  return false;
}

// Makes the dialog window and its controls, and sends WM_INITDIALOG. Null when the template is
// not one of ours or a control cannot be made (an unknown class): nothing is left behind.
HWND CreateFromTemplate(LPCDLGTEMPLATEW t, HWND parent, DLGPROC proc, LPARAM param, bool modal) {
  EnsureClasses();
  if (!t || t->magic != DLGTEMPLATE_MAGIC || t->itemCount < 0 || (t->itemCount > 0 && !t->items)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD style = t->style & ~WS_VISIBLE;
  if (!(style & WS_CHILD)) style |= WS_POPUP;
  HWND dlg = CreateWindowExW(t->exStyle | WS_EX_CONTROLPARENT, kDialogClass, t->caption ? t->caption : L"",
                             style, t->x, t->y, t->cx, t->cy, parent, nullptr, nullptr, nullptr);
  if (!dlg) return nullptr;
  Dialogs()[dlg] = DialogInfo{modal, false, 0, t->id, IDOK};
  HFONT font = SystemFont();
  if (t->fontFace && t->fontSize > 0) {
    LOGFONTW lf{};
    lf.lfHeight = -t->fontSize;
    lf.lfWeight = FW_NORMAL;
    std::wcsncpy(lf.lfFaceName, t->fontFace, LF_FACESIZE - 1);
    font = CreateFontIndirectW(&lf);  // lives as long as the program: templates are few
  }
  for (int i = 0; i < t->itemCount; ++i) {
    const DLGITEMTEMPLATEW& it = t->items[i];
    HWND c = it.className ? CreateWindowExW(it.exStyle, it.className, it.text ? it.text : L"",
                                            ((it.style | WS_CHILD) & ~WS_POPUP) | WS_VISIBLE, it.x, it.y, it.cx,
                                            it.cy, dlg, reinterpret_cast<HMENU>(static_cast<intptr_t>(it.id)),
                                            nullptr, nullptr)
                          : nullptr;
    if (!c) {
      Dialogs().erase(dlg);
      DestroyWindow(dlg);
      SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
      return nullptr;
    }
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    if ((it.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && it.className && !wcscasecmp(it.className, L"button"))
      Dialogs()[dlg].defId = it.id;
  }
  SetWindowLongW(dlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  HWND first = FirstTabStop(dlg);
  LRESULT setFocus = SendMessageW(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  if (!IsWindow(dlg)) return nullptr;
  if (t->style & WS_VISIBLE || modal) ShowWindow(dlg, SW_SHOW);
  // After the showing, which activates the dialog and would take the focus to it.
  if (setFocus && first && IsWindow(first)) FocusControl(first);
  return dlg;
}

// The top-level window that owns a dialog (the owner's own top-level window).
HWND TopLevel(HWND hwnd) {
  while (hwnd && (Style(hwnd) & WS_CHILD) && GetParent(hwnd)) hwnd = GetParent(hwnd);
  return hwnd;
}

INT_PTR RunModal(LPCDLGTEMPLATEW t, HWND owner, DLGPROC proc, LPARAM param) {
  owner = TopLevel(owner);
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  HWND dlg = CreateFromTemplate(t, owner, proc, param, true);
  if (!dlg) return -1;
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  std::optional<vplat::ModalScope> modal(std::in_place);
  vplat::ScriptDialog(t->id, dlg, true);
  vplat::RunModalLoop([dlg] {
    DialogInfo* info = Info(dlg);
    return !info || info->ended || !IsWindow(dlg);
  });
  DialogInfo* info = Info(dlg);
  INT_PTR result = info && info->ended ? info->result : (info ? IDCANCEL : -1);
  modal.reset();
  // The owner comes back before the dialog goes, so that activation returns to it.
  if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  Dialogs().erase(dlg);
  if (IsWindow(dlg)) DestroyWindow(dlg);
  if (ownerWasEnabled && IsWindow(owner)) SetActiveWindow(owner);
  return result;
}

}  // namespace vplat::ui

using namespace vplat::ui;

namespace {

LPCDLGTEMPLATEW FindTemplate(HINSTANCE inst, LPCWSTR name) {
  HRSRC res = FindResourceW(inst, name, RT_DIALOG);
  if (!res || SizeofResource(inst, res) < sizeof(DLGTEMPLATEW)) return nullptr;
  return static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(inst, res)));
}

}  // namespace

extern "C" {

INT_PTR DialogBoxIndirectParamW(HINSTANCE, LPCDLGTEMPLATEW tmpl, HWND owner, DLGPROC proc,
                                LPARAM param) {
  return RunModal(tmpl, owner, proc, param);
}

INT_PTR DialogBoxParamW(HINSTANCE inst, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  LPCDLGTEMPLATEW t = FindTemplate(inst, name);
  return t ? RunModal(t, owner, proc, param) : -1;
}

HWND CreateDialogIndirectParamW(HINSTANCE, LPCDLGTEMPLATEW tmpl, HWND parent, DLGPROC proc,
                                LPARAM param) {
  HWND dlg = CreateFromTemplate(tmpl, parent, proc, param, false);
  if (dlg) vplat::ScriptDialog(tmpl->id, dlg, false);
  return IsWindow(dlg) ? dlg : nullptr;
}

HWND CreateDialogParamW(HINSTANCE inst, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param) {
  LPCDLGTEMPLATEW t = FindTemplate(inst, name);
  return t ? CreateDialogIndirectParamW(inst, t, parent, proc, param) : nullptr;
}

BOOL EndDialog(HWND dlg, INT_PTR result) {
  DialogInfo* info = Info(dlg);
  if (!info) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // A second EndDialog before the loop ends keeps the first result: the first answer is the
  // one the user gave; later calls come from handlers still unwinding.
  if (!info->ended) {
    info->ended = true;
    info->result = result;
  }
  if (!info->modal) ShowWindow(dlg, SW_HIDE);
  return TRUE;
}

LRESULT DefDlgProcW(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      PressCancel(dlg);
      return 0;
    case WM_GETDLGCODE:
      return 0;
    case WM_KEYDOWN:
    case WM_CHAR:
      HandleDialogKey(dlg, nullptr, msg, wParam);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return 0;
    case DM_GETDEFID: {
      DialogInfo* info = Info(dlg);
      return info ? MAKELRESULT(info->defId, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID:
      if (DialogInfo* info = Info(dlg)) info->defId = static_cast<int>(wParam);
      return TRUE;
    case WM_DESTROY:
      if (DialogInfo* info = Info(dlg); info && !info->modal) Dialogs().erase(dlg);
      break;
  }
  return DefWindowProcW(dlg, msg, wParam, lParam);
}

BOOL IsDialogMessageW(HWND dlg, LPMSG msg) {
  if (!msg || !Info(dlg)) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_CHAR) return FALSE;
  HWND focus = GetFocus();
  if (focus != dlg && !IsChild(dlg, focus)) return FALSE;
  return HandleDialogKey(dlg, focus == dlg ? nullptr : focus, msg->message, msg->wParam) ? TRUE : FALSE;
}

HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous) {
  std::vector<HWND> stops;
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if ((Style(c) & WS_TABSTOP) && (Style(c) & WS_VISIBLE) && IsWindowEnabled(c)) stops.push_back(c);
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), ctl);
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  size_t i = static_cast<size_t>(it - stops.begin());
  return previous ? stops[(i + stops.size() - 1) % stops.size()] : stops[(i + 1) % stops.size()];
}

HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous) {
  if (!ctl || GetParent(ctl) != dlg) return nullptr;
  // The group: from the nearest WS_GROUP at or before `ctl` to the next WS_GROUP.
  std::vector<HWND> group;
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (Style(c) & WS_GROUP) {
      if (std::find(group.begin(), group.end(), ctl) != group.end()) break;
      group.clear();
    }
    group.push_back(c);
  }
  std::vector<HWND> usable;
  for (HWND c : group)
    if (c == ctl || ((Style(c) & WS_VISIBLE) && IsWindowEnabled(c))) usable.push_back(c);
  auto it = std::find(usable.begin(), usable.end(), ctl);
  if (it == usable.end()) return ctl;
  size_t i = static_cast<size_t>(it - usable.begin());
  return previous ? usable[(i + usable.size() - 1) % usable.size()] : usable[(i + 1) % usable.size()];
}

BOOL SetDlgItemTextW(HWND dlg, int id, LPCWSTR text) {
  HWND c = GetDlgItem(dlg, id);
  return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dlg, int id, LPWSTR text, int max) {
  HWND c = GetDlgItem(dlg, id);
  if (!c) {
    if (text && max > 0) text[0] = 0;
    return 0;
  }
  int n = GetWindowTextW(c, text, max);
  return n > 0 ? static_cast<UINT>(n) : 0;
}

BOOL SetDlgItemInt(HWND dlg, int id, UINT value, BOOL isSigned) {
  wchar_t buf[16];
  if (isSigned) swprintf(buf, 16, L"%d", static_cast<int>(value));
  else swprintf(buf, 16, L"%u", value);
  return SetDlgItemTextW(dlg, id, buf);
}

UINT GetDlgItemInt(HWND dlg, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  wchar_t buf[64];
  if (!GetDlgItem(dlg, id)) return 0;
  GetDlgItemTextW(dlg, id, buf, 64);
  const wchar_t* p = buf;
  while (*p == L' ') ++p;
  bool neg = false;
  if (isSigned && *p == L'-') {
    neg = true;
    ++p;
  }
  if (*p < L'0' || *p > L'9') return 0;
  unsigned long long v = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    v = v * 10 + static_cast<unsigned>(*p - L'0');
    if (v > 0xFFFFFFFFull) return 0;  // overflow is "not translated", as on the platform
  }
  while (*p == L' ') ++p;
  if (*p) return 0;
  if (isSigned && (neg ? v > 0x80000000ull : v > 0x7FFFFFFFull)) return 0;
  if (translated) *translated = TRUE;
  return neg ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
}

BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
  HWND c = GetDlgItem(dlg, id);
  if (!c) return FALSE;
  SendMessageW(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  return c ? static_cast<UINT>(SendMessageW(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dlg, int first, int last, int check) {
  for (int id = first; id <= last; ++id)
    if (HWND c = GetDlgItem(dlg, id)) SendMessageW(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

LRESULT SendDlgItemMessageW(HWND dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dlg, id);
  return c ? SendMessageW(c, msg, wParam, lParam) : 0;
}

}  // extern "C"
