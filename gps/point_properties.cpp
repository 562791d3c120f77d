#include "gps/point_properties.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/typed_number.h"
#include "base/ui/shell_utils.h"
#include "edit/dialog_common.h"
#include "edit/object_form.h"
#include "edit/object_refs.h"
#include "edit/type_rows.h"
#include "maps/library_symbols.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"

TPointPropertiesDialog g_PointPropertiesDialog;
int g_PointKey = 0;

namespace {

const TColumnDesc kTypeColumns[1] = {{L"Тип", 200}};
constexpr size_t kTextMax = 255;  // characters of a name attribute

std::wstring ItemText(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  if (!item) return std::wstring();
  const int n = GetWindowTextLengthW(item);
  std::wstring text(size_t(n > 0 ? n : 0) + 1, L'\0');
  GetWindowTextW(item, text.data(), int(text.size()));
  text.resize(std::char_traits<wchar_t>::length(text.c_str()));
  return text;
}

bool Blank(const std::wstring& text) {
  for (wchar_t c : text)
    if (c != L' ' && c != L'\t') return false;
  return true;
}

// The input-panel button of the main window (the dialog lies over it).
void ShowSipButton(int show) {
  if (const HWND main = ProgramHost().MainWindow())
    SHFullScreen(main, show ? SHFS_SHOWSIPBUTTON : SHFS_HIDESIPBUTTON);
}

void ShowItem(HWND dialog, int id, bool show) {
  if (const HWND item = GetDlgItem(dialog, id)) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

RECT ItemRect(HWND dialog, HWND item) {
  RECT rc{};
  GetWindowRect(item, &rc);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

// Fails Store on edit `id`: the user hears it and the cursor is where the fault is.
bool Refuse(HWND dialog, int id) {
  MessageBeep(MB_ICONHAND);
  if (const HWND item = GetDlgItem(dialog, id)) SetFocus(item);
  return false;
}

INT_PTR CALLBACK PointProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  TPointPropertiesDialog& d = g_PointPropertiesDialog;
  switch (message) {
    case WM_INITDIALOG:
      edit_dialog::InitFrame(dialog, SHIDIF_DONEBUTTON, false);
      d.Init(dialog);
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        GrabHardwareKeys(dialog);
        d.activated = GetTickCount();
      }
      return FALSE;
    case WM_PAINT:
      d.Paint();
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (wParam == UINT(TPointPropertiesDialog::kTypeList)) d.types.DrawItem(item);
      if (wParam == UINT(TPointPropertiesDialog::kRecentList)) d.recent.DrawItem(item);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) break;
      const int id = int(header->idFrom);
      if (header->code == UINT(LVN_ITEMCHANGED)) {
        d.OnItemChanged(id);
        return TRUE;
      }
      if (header->code == UINT(GN_CONTEXTMENU)) {
        POINT pt = reinterpret_cast<const NMRGINFO*>(lParam)->ptAction;
        ScreenToClient(dialog, &pt);
        if (id == TPointPropertiesDialog::kTypeList) d.ShowTypeMenu(pt.x, pt.y);
        if (id == TPointPropertiesDialog::kRecentList) d.recent.ShowContextMenu(pt.x, pt.y);
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN:
      d.OnPenDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    case WM_HOTKEY: {
      const int key = int(wParam);
      if (GetTickCount() - d.activated > TPointPropertiesDialog::kHotKeyDelay && key != 0 &&
          g_PointKey != 0 && d.Commit())
        EndDialog(dialog, key);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      switch (id) {
        case TPointPropertiesDialog::kOk:
        case TPointPropertiesDialog::kOkMiddle:
        case TPointPropertiesDialog::kOkAlone:
          if (d.Commit()) {
            d.distance = 0;
            EndDialog(dialog, 1);
          }
          return TRUE;
        case TPointPropertiesDialog::kOkLeft:
        case TPointPropertiesDialog::kOkSecond:
          if (d.Commit()) EndDialog(dialog, 1);
          return TRUE;
        case TPointPropertiesDialog::kOkRight:
          if (d.Commit()) {
            // -INT32_MIN does not exist; the far left stays the far right's neighbour.
            d.distance = d.distance == INT32_MIN ? INT32_MAX : -d.distance;
            EndDialog(dialog, 1);
          }
          return TRUE;
        case TPointPropertiesDialog::kCancel:
        case IDCANCEL:  // Escape
          EndDialog(dialog, 0);
          return TRUE;
        case TPointPropertiesDialog::kAttributes:
          if (d.Store()) {
            ShowObjectForm(dialog, d.instance, d.object, nullptr, nullptr);
            d.LoadValues();
          }
          return TRUE;
        case TPointPropertiesDialog::kCmdIcons:
          d.types.SetViewMode(1);
          return TRUE;
        case TPointPropertiesDialog::kCmdList:
          d.types.SetViewMode(0);
          return TRUE;
        case TPointPropertiesDialog::kEditX:
        case TPointPropertiesDialog::kEditY:
        case TPointPropertiesDialog::kEditH:
        case TPointPropertiesDialog::kEditId:
        case TPointPropertiesDialog::kEditName:
        case TPointPropertiesDialog::kEditDistance:
          SipCommand(dialog, id, HIWORD(wParam));
          return TRUE;
        default:
          break;
      }
      if (d.recent.OnCommand(id)) InvalidateRect(dialog, nullptr, TRUE);
      return TRUE;
    }
    default:
      break;
  }
  return FALSE;
}

WNDPROC g_listProc = nullptr;  // the list-view class's own procedure
const vplat::FreshStateHook kFresh(5, [] {
  vplat::Renew(g_PointPropertiesDialog);
  g_PointKey = 0;
  g_listProc = nullptr;
});

LRESULT CALLBACK TapAndHoldListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT r = CallWindowProcW(g_listProc, list, message, wParam, lParam);
  if (message == WM_LBUTTONDOWN) {
    const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
    if (IsTapAndHold(list, x, y)) {
      NMRGINFO info{};
      info.hdr.hwndFrom = list;
      info.hdr.idFrom = UINT_PTR(GetDlgCtrlID(list));
      info.hdr.code = GN_CONTEXTMENU;
      info.ptAction = POINT{x, y};
      ClientToScreen(list, &info.ptAction);
      SendMessageW(GetParent(list), WM_NOTIFY, info.hdr.idFrom, LPARAM(&info));
    }
  }
  return r;
}

}  // namespace

void ReportListTapAndHold(HWND list) {
  if (!list) return;
  const auto proc = reinterpret_cast<WNDPROC>(GetWindowLongW(list, GWL_WNDPROC));
  if (proc == TapAndHoldListProc) return;
  g_listProc = proc;
  SetWindowLongW(list, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(TapAndHoldListProc));
}

TRowSymbols::TRowSymbols(TObjectLibrary* library)
    : library_(library ? std::make_unique<TLibrarySymbols>(*library) : nullptr) {}
TRowSymbols::~TRowSymbols() = default;
bool TRowSymbols::HasBitmaps() const { return library_ && library_->HasBitmaps(); }
void TRowSymbols::DrawRowSymbol(HDC dc, uint16_t code, const RECT& rc) {
  if (library_) library_->DrawRowSymbol(dc, code, rc);
}
void TRowSymbols::DrawCellSymbol(HDC dc, uint16_t code, int x, int y, int cell, int frame) {
  if (library_) library_->DrawCellSymbol(dc, code, x, y, cell, frame);
}

TPointPropertiesDialog::TPointPropertiesDialog() = default;
TPointPropertiesDialog::~TPointPropertiesDialog() = default;

TMdmMap* TPointPropertiesDialog::PointMap() const {
  TMdmMap* map = object_refs::MapOf(object);
  if (!map || map->objects[object.object].kind != mdm::kKindPoint) return nullptr;
  return map;
}

void TPointPropertiesDialog::Init(HWND dialog) {
  window = dialog;
  library = nullptr;  // the lists come below, when the working map has a library
  if (variant == 1 && g_Ini.GetInt("NaviPtDelta") == 0) variant = 0;
  if (variant < 0 || variant > 2) variant = 0;
  ShowItem(dialog, kOk, variant == 0);
  ShowItem(dialog, kOkLeft, variant == 1);
  ShowItem(dialog, kOkMiddle, variant == 1);
  ShowItem(dialog, kOkRight, variant == 1);
  ShowItem(dialog, kOkAlone, variant == 2);
  ShowItem(dialog, kOkSecond, variant == 2);

  ShowSipButton(1);
  RECT rc{};
  ProgramHost().FitDialogToMainWindow(&rc, dialog);
  g_Lang.TranslateDialog(dialog);
  LoadValues();

  if (variant == 1) {
    LoadDistance();
  } else {
    // No distance: the ID edit takes its room as well.
    const HWND id = GetDlgItem(dialog, kEditId), dist = GetDlgItem(dialog, kEditDistance);
    if (id && dist) {
      ShowWindow(dist, SW_HIDE);
      const RECT a = ItemRect(dialog, id), b = ItemRect(dialog, dist);
      MoveWindow(id, a.left - 1, a.top - 1, (a.right - a.left) + (b.right - b.left) + 2,
                 a.bottom - a.top, TRUE);
    }
  }

  library = g_UserLayer.GetLibrary();
  focus = 0;
  types.Clear();
  if (!library) return;
  symbols_ = std::make_unique<TRowSymbols>(library);
  guard = true;  // the selections made here are not the user's touch
  SetWaitCursor(1);
  types.Create(instance, dialog, kTypeColumns, 1, kTypeList, symbols_.get());
  AddKindRows(types, library->styles, mdm::kKindPoint);
  SetWaitCursor(0);
  types.FindRow(typeCode);
  recent.SetGeometry(instance, dialog, kRecentList, kTypeColumns, -1, -1, library);
  recent.LoadState(mdm::kKindPoint, 0);
  InvalidateRect(dialog, nullptr, TRUE);
  recent.SelectId(typeCode);
  types.SetViewMode(g_Ini.GetInt("TypeLVMode2") ? 1 : 0);
  guard = false;
  focus = 0;
  ReportListTapAndHold(GetDlgItem(dialog, kTypeList));
  ReportListTapAndHold(GetDlgItem(dialog, kRecentList));
}

void TPointPropertiesDialog::LoadValues() {
  TMdmMap* map = PointMap();
  if (!map || !window) return;
  const uint16_t index = object.object;
  TMapPoint corner{};
  map->GetObjectBounds(index, &corner, nullptr);
  double x = 0, y = 0;
  map->MapToViewPlane(corner.x, corner.y, &x, &y);
  wchar_t text[400];
  std::swprintf(text, 400, L"%.0f", x);
  shownX = text;
  std::swprintf(text, 400, L"%.0f", y);
  shownY = text;
  SetDlgItemTextW(window, kEditX, shownX.c_str());
  SetDlgItemTextW(window, kEditY, shownY.c_str());

  char value[kTextMax + 1];
  if (map->GetStrAttr(index, kAttrName, value, sizeof value))
    SetDlgItemTextW(window, kEditId, AnsiToWideString(value).c_str());
  if (map->GetStrAttr(index, kAttrName2, value, sizeof value))
    SetDlgItemTextW(window, kEditName, AnsiToWideString(value).c_str());

  uint8_t raw[4];
  uint16_t size = 0;
  char height[64] = "0";
  if (map->GetAttr(index, kAttrHeight, mdm::kAttrFloat, raw, &size, sizeof raw) &&
      !map->FormatAttr(mdm::kAttrFloat, raw, height, sizeof height, size, 0))
    std::snprintf(height, sizeof height, "0");
  shownH = AnsiToWideString(height);
  SetDlgItemTextW(window, kEditH, shownH.c_str());
  typeCode = map->GetObjectCode(index);
}

uint16_t TPointPropertiesDialog::SelectedCode() const {
  if (!library) return 0;
  if (focus == 1) {
    const TOwnerDrawRow* row = types.GetSelectedRow();
    return row ? uint16_t(row->data) : 0;
  }
  return recent.GetSelectedId();
}

bool TPointPropertiesDialog::Store() {
  TMdmMap* map = PointMap();
  if (!map || !window) return false;
  const uint16_t index = object.object;

  // Every typed number is read before anything is written.
  const std::wstring textX = ItemText(window, kEditX), textY = ItemText(window, kEditY),
                     textH = ItemText(window, kEditH);
  TMapPoint corner{};
  map->GetObjectBounds(index, &corner, nullptr);
  double x = 0, y = 0;
  map->MapToViewPlane(corner.x, corner.y, &x, &y);
  const bool moveX = !Blank(textX) && textX != shownX;
  const bool moveY = !Blank(textY) && textY != shownY;
  const bool setH = !Blank(textH) && textH != shownH;
  if (moveX && !ReadTypedNumber(textX, &x)) return Refuse(window, kEditX);
  if (moveY && !ReadTypedNumber(textY, &y)) return Refuse(window, kEditY);
  double h = 0;
  // The height is stored in single precision; a number beyond it is no height.
  if (setH && (!ReadTypedNumber(textH, &h) || !std::isfinite(float(h)))) return Refuse(window, kEditH);
  int32_t typed = distance;
  const std::wstring textD = ItemText(window, kEditDistance);
  const bool setD = variant == 1 && !Blank(textD);
  if (setD && !ReadTypedInt(textD, &typed)) return Refuse(window, kEditDistance);

  if (moveX || moveY) {
    int32_t mx = 0, my = 0;
    map->ViewPlaneToMap(x, y, &mx, &my);
    // Outside the extent: the map tells the main window (message 1690), nothing changes.
    if (!map->SetPointPosition(index, mx, my, 0)) return false;
  }
  const std::wstring id = ItemText(window, kEditId), name = ItemText(window, kEditName);
  if (!id.empty())
    map->SetStrAttr(index, kAttrName, WideToAnsiString(id.substr(0, kTextMax)).c_str());
  if (!name.empty())
    map->SetStrAttr(index, kAttrName2, WideToAnsiString(name.substr(0, kTextMax)).c_str());
  g_UserLayer.SetModified();
  if (setH) map->SetIntAttr(index, kAttrHeight, float(h));
  // With no type selected in either list the point keeps its type: code 0 would delete it.
  const uint16_t chosen = SelectedCode();
  if (chosen != 0) {
    typeCode = chosen;
    map->SetObjectCode(index, chosen);
  }
  if (variant == 1) {
    if (setD) distance = typed;
    SaveDistance();
  }
  return true;
}

bool TPointPropertiesDialog::Commit() {
  if (types.list) g_Ini.SetInt("TypeLVMode2", types.GetViewMode());
  ShowSipButton(0);
  if (!Store()) return false;
  if (focus == 1) {
    if (const TOwnerDrawRow* row = types.GetSelectedRow()) {
      typeCode = uint16_t(row->data);
      recent.AddRecent(typeCode);
    }
  } else if (const uint16_t code = recent.GetSelectedId()) {
    typeCode = code;
  }
  if (library) recent.SaveState();
  return true;
}

void TPointPropertiesDialog::LoadDistance() {
  const uint16_t code = SelectedCode() ? SelectedCode() : typeCode;
  if (code == 0 || !window) return;
  std::string list, rest;
  g_Ini.GetString("LastDistList", list);
  int value = TakeValueFromList(code, list.c_str(), rest);
  if (value == 0) value = g_Ini.GetInt("NaviPtDeltaDef");
  wchar_t text[16];
  std::swprintf(text, 16, L"%i", value);
  SetDlgItemTextW(window, kEditDistance, text);
}

void TPointPropertiesDialog::SaveDistance() {
  if (typeCode == 0) return;
  std::string list, rest;
  g_Ini.GetString("LastDistList", list);
  TakeValueFromList(typeCode, list.c_str(), rest);
  PushValueList(typeCode, distance, rest);
  g_Ini.SetString("LastDistList", rest.c_str());
}

void TPointPropertiesDialog::OnItemChanged(int controlId) {
  // A change made by the other list's echo is not the user's touch and leaves the focus.
  if (guard) return;
  if (controlId == kTypeList) {
    focus = 1;
    if (const TOwnerDrawRow* row = types.GetSelectedRow()) {
      guard = true;
      recent.SelectId(uint16_t(row->data));
      LoadDistance();
      guard = false;
    }
  } else if (controlId == kRecentList) {
    focus = 0;
    guard = true;
    types.FindRow(recent.GetSelectedId());
    LoadDistance();
    guard = false;
  }
}

void TPointPropertiesDialog::OnPenDown(int x, int y) {
  if (recent.OnClick(x, y)) {
    guard = true;
    types.FindRow(recent.GetSelectedId());
    guard = false;
    focus = 0;
    LoadDistance();
    return;
  }
  if (types.HitTest(x, y)) ShowTypeMenu(x, y);
}

void TPointPropertiesDialog::ShowTypeMenu(int x, int y) {
  const HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(kTypeMenu));
  if (!menu) return;
  if (const HMENU popup = GetSubMenu(menu, 0)) {
    CheckMenuRadioItem(popup, kCmdIcons, kCmdList, types.GetViewMode() ? kCmdIcons : kCmdList,
                       MF_BYCOMMAND);
    g_Lang.TranslateMenu(popup);
    POINT pt{x, y};
    ClientToScreen(window, &pt);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, 0, window, nullptr);
  }
  DestroyMenu(menu);
}

void TPointPropertiesDialog::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  FillRect(dc, &rc, HBRUSH(GetStockObject(WHITE_BRUSH)));
  recent.Paint(dc);
  types.DrawIconGrid(dc);
  EndPaint(window, &ps);
}

int ShowPointPropertiesDialog(const TObjectRef& object, int vectorMode, double* distance) {
  TPointPropertiesDialog& d = g_PointPropertiesDialog;
  d.object = object;
  d.variant = vectorMode;
  d.instance = GetModuleHandleW(nullptr);
  const INT_PTR r = DialogBoxParamW(d.instance, MAKEINTRESOURCEW(TPointPropertiesDialog::kTemplate),
                                    ProgramHost().MainWindow(), PointProc, 0);
  ShowSipButton(0);  // also after Cancel: the dialog that wanted it is gone
  d.window = nullptr;
  d.recent.dialog = nullptr;
  d.types.dialog = nullptr;
  d.types.list = nullptr;
  if (distance) *distance = double(d.distance);
  return r > 0 ? int(r) : 0;
}
