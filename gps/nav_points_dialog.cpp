#include "gps/nav_points_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "edit/dialog_common.h"
#include "gps/gps_bar.h"
#include "gps/point_properties.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

TNavPointsDialog g_NavPointsDialog;
namespace {
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_NavPointsDialog); });
}  // namespace

namespace {

constexpr size_t kNumberMax = 10;  // characters of a coordinate read back from a row
constexpr int kNameWidth = 100, kCoordWidth = 128;  // pixels of the two columns

// The view's number of the working map (the point dialog addresses objects by it); -1 none.
int WorkingMapNumber(const TMdmMap* map) {
  for (int i = 0; map && i < g_MapView.GetVectorMapCount(); ++i)
    if (g_MapView.GetVectorMap(i) == map) return i;
  return -1;
}

// The point dialog may run long and a hot key may change the project meanwhile: the object is
// used only while the layer holds the same map and the index is still in it.
bool StillThere(const TMdmMap* map, int index) {
  return map && g_UserLayer.open && g_UserLayer.map == map && index > 0 && index < map->count;
}

bool Knows(const TObjectLibrary* library, uint16_t code) {
  return library && library->styles.IndexOf(code) >= 0;
}

std::wstring PositionText(double x, double y) {
  // Room for any double in %0.0f (up to 309 digits).
  wchar_t text[720];
  if (std::swprintf(text, 720, L"x:%0.0f y:%0.0f", x, y) < 0) text[0] = 0;
  return text;
}

INT_PTR CALLBACK PointsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  TNavPointsDialog& d = g_NavPointsDialog;
  switch (message) {
    case WM_INITDIALOG:
      edit_dialog::InitFrame(dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN, false);
      d.Init(dialog);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam == UINT(TNavPointsDialog::kList))
        d.list.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->code == UINT(GN_CONTEXTMENU) &&
          header->idFrom == UINT_PTR(TNavPointsDialog::kList)) {
        const POINT pt = reinterpret_cast<const NMRGINFO*>(lParam)->ptAction;
        d.ShowMenu(pt.x, pt.y);
        return TRUE;
      }
      break;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case TNavPointsDialog::kCmdDelete:
          d.DeletePoint();
          return TRUE;
        case TNavPointsDialog::kMap:
          d.Choose(TNavPointsDialog::kShowOnMap, TNavPointsDialog::kMap, false);
          return TRUE;
        case IDOK:
        case TNavPointsDialog::kClose:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        case IDCANCEL:  // Escape closes as "Закрыть" does
          EndDialog(dialog, TNavPointsDialog::kClose);
          return TRUE;
        case TNavPointsDialog::kAdd:
          d.AddPoint();
          return TRUE;
        case TNavPointsDialog::kNavigate:
          d.Choose(TNavPointsDialog::kNavigateTo, TNavPointsDialog::kNavigate, true);
          return TRUE;
        case TNavPointsDialog::kCmdEdit:
          d.EditPoint();
          return TRUE;
        default:
          return TRUE;
      }
    default:
      break;
  }
  return FALSE;
}

}  // namespace

int ParseRowCoordinates(const std::wstring& text, double* x, double* y) {
  int taken = 0;
  const size_t first = text.size() > 1 ? text.find(L':', 1) : std::wstring::npos;
  const size_t space = text.find(L' ');
  auto read = [&](size_t from, size_t to, double* out) {
    // Digits, signs and points only: the row's own "%0.0f" text.
    if (to <= from || to - from > kNumberMax) return false;
    std::string number;
    for (size_t i = from; i < to; ++i)
      number.push_back(text[i] > 0 && text[i] < 128 ? char(text[i]) : '?');
    *out = std::atof(number.c_str());
    return true;
  };
  if (first != std::wstring::npos && space != std::wstring::npos && space > first &&
      read(first + 1, space, x))
    taken |= 1;
  const size_t second =
      first == std::wstring::npos ? std::wstring::npos : text.find(L':', first + 1);
  if (second != std::wstring::npos && read(second + 1, text.size(), y)) taken |= 2;
  return taken;
}

int TNavPointsDialog::Run(HWND owner) {
  chosen = -1;
  result = kNothing;
  changed = false;
  instance = GetModuleHandleW(nullptr);
  const INT_PTR r =
      DialogBoxParamW(instance, MAKEINTRESOURCEW(kTemplate), owner, PointsProc, 0);
  if (changed) ProgramHost().InvalidateMainView(1);
  window = nullptr;
  list.list = nullptr;
  list.dialog = nullptr;
  // The caller takes the chosen point as an object of the working map: only a live one.
  TMdmMap* map = g_UserLayer.GetMap();
  if (chosen >= 0 && (!StillThere(map, chosen) || map->objects[chosen].code == 0)) chosen = -1;
  return r > 0 ? int(r) : 0;
}

void TNavPointsDialog::Init(HWND dialog) {
  window = dialog;
  const HWND main = ProgramHost().MainWindow();
  if (main) SHFullScreen(main, SHFS_HIDESIPBUTTON);
  RECT rc{};
  ProgramHost().FitDialogToMainWindow(&rc, dialog);
  g_Lang.TranslateDialog(dialog);
  result = kNothing;
  TColumnDesc columns[2] = {{L"", kNameWidth}, {L"", kCoordWidth}};
  std::wcsncpy(columns[0].title, g_Lang.GetText(lang_id::kDlgWayPtName), 99);
  std::wcsncpy(columns[1].title, g_Lang.GetText(lang_id::kDlgWayPtCoord), 99);
  symbols_ = std::make_unique<TRowSymbols>(g_UserLayer.GetLibrary());
  SetWaitCursor(1);
  list.Create(instance, dialog, columns, 2, kList, symbols_.get());
  list.SetRows(g_UserLayer.ListPointCoordinates());
  SetWaitCursor(0);
  ReportListTapAndHold(list.list);
}

int TNavPointsDialog::LivePoint(const TOwnerDrawRow* row) const {
  TMdmMap* map = g_UserLayer.GetMap();
  if (!row || !map || !g_UserLayer.open) return -1;
  const int index = int(row->data);
  if (!StillThere(map, index) || map->objects[index].code == 0) return -1;
  return index;
}

bool TNavPointsDialog::Choose(int kind, int endCode, bool needRow) {
  const int index = LivePoint(list.GetSelectedRow());
  chosen = index;
  if (needRow && index < 0) return false;
  result = kind;
  EndDialog(window, endCode);
  return true;
}

void TNavPointsDialog::FillRow(TOwnerDrawRow* row, TMdmMap* map, uint16_t index) const {
  TMapPoint corner{};
  map->GetObjectBounds(index, &corner, nullptr);
  double x = 0, y = 0;
  map->MapToViewPlane(corner.x, corner.y, &x, &y);
  char name[256] = "";
  map->GetStrAttr(index, TPointPropertiesDialog::kAttrName, name, sizeof name);
  row->texts = {AnsiToWideString(name), PositionText(x, y)};
}

void TNavPointsDialog::RedrawRow(int index) {
  if (list.list && index >= 0) SendMessageW(list.list, LVM_UPDATE, WPARAM(index), 0);
}

void TNavPointsDialog::AddPoint() {
  TMdmMap* map = g_UserLayer.GetMap();
  if (!map || !g_UserLayer.open) return;
  int32_t mx = 0, my = 0;
  map->ViewPlaneToMap(centreX, centreY, &mx, &my);  // the view's centre, on its ground
  // 0: outside the extent (the map has told the main window) or no room; index 0 is the header
  // list, so nothing else happens.
  const int32_t added = map->AddPointObject(g_UserLayer.NewPointCode(), mx, my, 0);
  if (added <= 0) return;
  const uint16_t index = uint16_t(added);
  g_UserLayer.SetModified();
  // Cancel puts this name back: stepping back does not always undo a step forward ("P" gives
  // "P1", and "P1" less one is "P0").
  const std::string before = g_DefaultPointName;
  AdvancePointName(1);
  map->SetStrAttr(index, TPointPropertiesDialog::kAttrName, g_DefaultPointName.c_str());
  map->SetStrAttr(index, TPointPropertiesDialog::kAttrName2, g_DefaultPointName.c_str());

  TObjectRef ref{};
  ref.map = WorkingMapNumber(map);
  ref.object = index;
  const int ok = ShowPointPropertiesDialog(ref, 0, nullptr);
  if (!StillThere(map, index)) return;
  if (!ok) {
    g_DefaultPointName = before;
    g_UserLayer.DeleteObject(index);
    return;
  }
  changed = true;
  g_UserLayer.pointCode = map->GetObjectCode(index);
  char name[256];
  if (map->GetStrAttr(index, TPointPropertiesDialog::kAttrName2, name, sizeof name))
    g_DefaultPointName = name;
  if (Knows(map->GetLibrary(), g_UserLayer.pointCode)) {
    TOwnerDrawRow row;
    FillRow(&row, map, index);
    row.code = g_UserLayer.pointCode;
    const wchar_t* texts[2] = {row.texts[0].c_str(), row.texts[1].c_str()};
    list.AddRow(texts, 2, row.code, index, row.code);
  }
  RedrawRow(list.GetSelectedIndex());
}

void TNavPointsDialog::EditPoint() {
  const int at = list.GetSelectedIndex();
  TOwnerDrawRow* row = list.MutableRow(at);
  const int live = LivePoint(row);
  if (live < 0) return;
  TMdmMap* map = g_UserLayer.GetMap();
  const uint16_t index = uint16_t(live);
  // What the row showed: whole metres, so a fractional point counts as moved after any OK.
  double oldX = 0, oldY = 0;
  ParseRowCoordinates(row->texts.size() > 1 ? row->texts[1] : std::wstring(), &oldX, &oldY);
  const uint16_t oldCode = g_UserLayer.GetObjectCode(index);

  TObjectRef ref{};
  ref.map = WorkingMapNumber(map);
  ref.object = index;
  if (!ShowPointPropertiesDialog(ref, 0, nullptr)) return;
  if (!StillThere(map, index)) return;
  row = list.MutableRow(at);  // the table may have moved meanwhile
  if (!row) return;
  TMapPoint corner{};
  map->GetObjectBounds(index, &corner, nullptr);
  double x = 0, y = 0;
  map->MapToViewPlane(corner.x, corner.y, &x, &y);
  const uint16_t code = map->GetObjectCode(index);
  if (x != oldX || y != oldY || code != oldCode) result = kPointEdited;
  FillRow(row, map, index);
  if (Knows(map->GetLibrary(), code)) {
    row->code = code;
    row->symbol = code;
  }
  RedrawRow(at);
}

void TNavPointsDialog::DeletePoint() {
  const int at = list.GetSelectedIndex();
  const TOwnerDrawRow* row = list.Row(at);
  if (!row) return;  // nothing selected: nothing is asked
  if (MessageBoxW(window, g_Lang.GetText(lang_id::kMsgDelPointConf),
                  g_Lang.GetText(lang_id::kMsgConf), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return;
  row = list.Row(at);
  const int index = LivePoint(row);
  if (index < 0) return;
  if (g_UserLayer.DeleteObject(uint16_t(index))) {
    list.DeleteRow(at);
    changed = true;
  }
}

void TNavPointsDialog::ShowMenu(int x, int y) {
  const HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(kMenu));
  if (!menu) return;
  if (const HMENU popup = GetSubMenu(menu, 0)) {
    g_Lang.TranslateMenu(popup);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, window, nullptr);
  }
  DestroyMenu(menu);
}
