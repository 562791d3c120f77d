#include "edit/object_type_dialog.h"

#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/program_host.h"
#include "base/ui/shell_utils.h"
#include "edit/dialog_common.h"
#include "edit/type_rows.h"
#include "maps/library_symbols.h"
#include "maps/object_library.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"

TObjectTypeDialog g_ObjectTypeDialog;
namespace {
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_ObjectTypeDialog); });
}  // namespace

namespace {

const TColumnDesc kColumns[1] = {{L"Тип", 200}};

std::string ModeKey(uint16_t code) { return "TypeLVMode_" + std::to_string(code & 7); }

INT_PTR CALLBACK TypeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  TObjectTypeDialog& d = g_ObjectTypeDialog;
  switch (message) {
    case WM_INITDIALOG:
      d.Init(dialog);
      return TRUE;
    case WM_PAINT:
      d.Paint();
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (wParam == UINT(TObjectTypeDialog::kTypeList)) d.types.DrawItem(item);
      if (wParam == UINT(TObjectTypeDialog::kRecentList)) d.recent.DrawItem(item);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) break;
      const int id = int(header->idFrom);
      if (header->code == UINT(LVN_ITEMCHANGED)) {
        d.OnItemChanged(id);
        d.ShowName();
        return TRUE;
      }
      if (header->code == UINT(GN_CONTEXTMENU)) {
        const auto* info = reinterpret_cast<const NMRGINFO*>(lParam);
        POINT pt = info->ptAction;
        ScreenToClient(dialog, &pt);
        if (id == TObjectTypeDialog::kTypeList) d.ShowTypeMenu(pt.x, pt.y);
        if (id == TObjectTypeDialog::kRecentList) d.recent.ShowContextMenu(pt.x, pt.y);
        d.ShowName();
        return TRUE;
      }
      break;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        d.Commit();
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (edit_dialog::IsCancel(id)) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (id == TObjectTypeDialog::kCmdIcons) d.types.SetViewMode(1);
      if (id == TObjectTypeDialog::kCmdList) d.types.SetViewMode(0);
      if (d.recent.OnCommand(id)) InvalidateRect(dialog, nullptr, TRUE);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      d.OnPenDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

TObjectTypeDialog::TObjectTypeDialog() = default;
TObjectTypeDialog::~TObjectTypeDialog() = default;

void TObjectTypeDialog::Init(HWND dialog) {
  window = dialog;
  edit_dialog::InitFrame(dialog, edit_dialog::kFullScreenFlags, true);
  focus = 0;
  TMdmMap* work = g_UserLayer.GetMap();
  library = work ? work->GetLibrary() : nullptr;
  symbols_ = library ? std::make_unique<TLibrarySymbols>(*library) : nullptr;

  recent.SetGeometry(instance, dialog, kRecentList, kColumns, -1, -1, library);
  recent.LoadState(code & 7, preset);

  SetWaitCursor(1);
  types.Clear();
  types.Create(instance, dialog, kColumns, 1, kTypeList, symbols_.get());
  if (library) AddKindRows(types, library->styles, code & 7);
  SetWaitCursor(0);

  recent.SelectId(code);
  types.FindRow(code);
  InvalidateRect(dialog, nullptr, TRUE);
  types.SetViewMode(g_Ini.GetInt(ModeKey(code).c_str()) ? 1 : 0);
  ShowName();
}

void TObjectTypeDialog::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  FillRect(dc, &rc, HBRUSH(GetStockObject(WHITE_BRUSH)));
  recent.Paint(dc);
  types.DrawIconGrid(dc);
  EndPaint(window, &ps);
}

void TObjectTypeDialog::ShowName() {
  uint16_t current = 0;
  if (focus == 1) {
    const TOwnerDrawRow* row = types.GetSelectedRow();
    current = row ? uint16_t(row->data) : 0;
  } else {
    current = recent.GetSelectedId();
  }
  SetDlgItemTextW(window, kName, edit_dialog::TypeName(library, current).c_str());
}

void TObjectTypeDialog::OnItemChanged(int controlId) {
  // A change made by the other list's echo is not the user's touch and leaves the focus.
  if (controlId == kTypeList) {
    if (guard_) return;
    focus = 1;
    const TOwnerDrawRow* row = types.GetSelectedRow();
    if (row) {
      guard_ = true;
      recent.SelectId(uint16_t(row->data));
      guard_ = false;
    }
  } else if (controlId == kRecentList) {
    if (guard_) return;
    focus = 0;
    guard_ = true;
    types.FindRow(recent.GetSelectedId());
    guard_ = false;
  }
}

void TObjectTypeDialog::OnPenDown(int x, int y) {
  if (recent.OnClick(x, y)) {
    // A tap in the recent grid: the full list follows it, and the recent list counts as last
    // touched.
    guard_ = true;
    types.FindRow(recent.GetSelectedId());
    guard_ = false;
    focus = 0;
    ShowName();
    return;
  }
  if (types.HitTest(x, y)) ShowTypeMenu(x, y);
  ShowName();
}

void TObjectTypeDialog::ShowTypeMenu(int x, int y) {
  const HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(kMenu));
  if (!menu) return;
  const HMENU popup = GetSubMenu(menu, 0);
  if (popup) {
    CheckMenuRadioItem(popup, kCmdIcons, kCmdList, types.GetViewMode() ? kCmdIcons : kCmdList,
                       MF_BYCOMMAND);
    g_Lang.TranslateMenu(popup);
    POINT pt{x, y};
    ClientToScreen(window, &pt);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, 0, window, nullptr);
  }
  DestroyMenu(menu);
}

void TObjectTypeDialog::Commit() {
  // Without a library nothing was offered: the code stays, and the stored recent list, which
  // this dialog could not load, is not overwritten with an empty one.
  if (!library) return;
  uint16_t chosen = 0;
  if (focus == 1) {
    const TOwnerDrawRow* row = types.GetSelectedRow();
    if (row) {
      chosen = uint16_t(row->data);
      recent.AddRecent(chosen);
    }
  } else {
    chosen = recent.GetSelectedId();
  }
  // Both lists hold only types of the given kind; a code of another kind would change what the
  // object is, and the map would drop it at its next save.
  if (chosen != 0 && (chosen & 7) == (code & 7)) code = chosen;
  recent.SaveState();
  g_Ini.SetInt(ModeKey(code).c_str(), types.GetViewMode());
}

uint16_t ChooseObjectType(HWND parent, HINSTANCE instance, uint16_t code, uint16_t preset) {
  TObjectTypeDialog& d = g_ObjectTypeDialog;
  d.instance = instance;
  d.code = code;
  d.preset = preset;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(TObjectTypeDialog::kTemplate), parent, TypeProc, 0);
  d.window = nullptr;
  d.recent.dialog = nullptr;
  ProgramHost().InvalidateMainView(0);
  return d.code;
}
