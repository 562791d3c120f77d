#include "edit/object_form.h"

#include "base/ini_file.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "edit/dialog_common.h"
#include "edit/object_refs.h"
#include "edit/value_list_dialog.h"
#include "maps/attr_list.h"
#include "maps/mdm_format.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

TObjectForm g_ObjectForm;
namespace {
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_ObjectForm); });
}  // namespace

namespace {

constexpr COLORREF kCaptionBack = RGB(220, 220, 220);
constexpr int kCaptionStyle = 15;

INT_PTR CALLBACK FormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  edit_dialog::ReportInput(message);
  TObjectForm& f = g_ObjectForm;
  f.window = dialog;
  switch (message) {
    case WM_INITDIALOG:
      f.Init(dialog);
      return TRUE;
    case WM_PAINT:
      f.Paint();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        if (!f.CheckEdits()) return TRUE;  // the form stays, on the value to mend
        f.Store();
        f.Report();
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (edit_dialog::IsCancel(LOWORD(wParam))) {
        f.Report();
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

std::string CaptionShort(const std::string& caption) {
  const size_t bar = caption.size() > 1 ? caption.find('_', 1) : std::string::npos;
  return bar == std::string::npos ? caption : caption.substr(0, bar);
}

std::string CaptionFull(const std::string& caption) {
  const size_t bar = caption.size() > 1 ? caption.find('_', 1) : std::string::npos;
  return bar == std::string::npos ? caption : caption.substr(bar + 1);
}

}  // namespace

void TObjectForm::Init(HWND dialog) {
  window = dialog;
  showNumber = g_Ini.GetInt("BlankViewNum");
  showShort = g_Ini.GetInt("BlankViewShort");
  showFull = g_Ini.GetInt("BlankViewFull");
  edit_dialog::InitFrame(dialog, edit_dialog::kFullScreenFlags, true);
  grid.instance = instance;
  grid.Create(dialog, instance);
  RECT main{0, 0, 240, 294};
  if (const HWND w = ProgramHost().MainWindow()) GetWindowRect(w, &main);
  grid.Move(4, 18, main.right - 10, main.bottom - 63);
  grid.acceptText = [this](int r, int c, const char* t) { return EditCheck(r, c, t); };
  grid.canEdit = [this](int r, int c) { return CellClick(r, c); };

  TMdmMap* map = object_refs::MapOf(object);
  typeCode = map ? map->GetObjectCode(object.object) : 0;
  if (attributeOut) {
    presetAttribute = *attributeOut;
  } else {
    std::string list;
    g_Ini.GetString("LastXNumList", list);
    if (list.size() > 255) list.resize(255);
    presetAttribute = TakeValueFromList(typeCode, list.c_str(), restOfList);
  }
  Fill();
  if (map) LengthAndArea(*map, object.object, &lengthText, &areaText);
}

void TObjectForm::Fill() {
  TMdmMap* map = object_refs::MapOf(object);
  if (!map) {
    grid.SetSize(0, 0);
    rows.clear();
    cells.clear();
    return;
  }
  working = g_MapView.IsWorkingMap(object.map) != 0;
  SetDlgItemTextW(window, kTitle, edit_dialog::TypeName(map->GetLibrary(), typeCode).c_str());
  rows = BuildAttrRows(*map, object.object);
  cells.assign(rows.size(), TAttrCell{});
  const int gridRows = int(rows.size()) * (showFull ? 2 : 1);
  int widths[3] = {500, 0, 0};
  int columns = 1;
  if (showNumber && showShort) {
    columns = 3, widths[0] = 35, widths[1] = 55, widths[2] = 500;
  } else if (showNumber) {
    columns = 2, widths[0] = 35, widths[1] = 500;
  } else if (showShort) {
    columns = 2, widths[0] = 55, widths[1] = 500;
  }
  valueColumn = columns - 1;
  grid.SetSize(gridRows, columns);
  for (int c = 0; c < columns; ++c) grid.SetColumnWidth(c, widths[c]);
  grid.readOnly = working ? 0 : 1;
  int presetRow = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TAttrRow& row = rows[i];
    const int r = GridRowOf(i);
    grid.SetCellData(r, 0, uint32_t(i + 1));
    int column = 0;
    if (showNumber) {
      grid.SetCellText(r, column, std::to_string(row.number).c_str());
      grid.SetCellColors(r, column, RGB(0, 0, 0), kCaptionBack);
      grid.SetCellStyle(r, column, kCaptionStyle);
      ++column;
    }
    if (showShort) {
      grid.SetCellText(r, column, CaptionShort(row.caption).c_str());
      grid.SetCellColors(r, column, RGB(0, 0, 0), kCaptionBack);
      grid.SetCellStyle(r, column, kCaptionStyle);
    }
    if (showFull) {
      grid.SetCellText(r - 1, 0, CaptionFull(row.caption).c_str());
      grid.SetCellColors(r - 1, 0, RGB(0, 0, 0), kCaptionBack);
      grid.SetCellStyle(r - 1, 0, kCaptionStyle);
      grid.SetCellTopLine(r - 1, 0, 1);
      grid.SetCellSpan(r - 1, 0, columns - 1);
    }
    const std::string value = FormatAttrRow(*map, row);
    if (!value.empty()) grid.SetCellText(r, valueColumn, value.c_str());
    if (row.number == presetAttribute && presetRow < 0) presetRow = r;
  }
  if (presetRow >= 0) {
    grid.ScrollToRow(showFull ? presetRow - 1 : presetRow);
    grid.SelectCell(presetRow, valueColumn);
  }
}

const TAttrRow* TObjectForm::RowAt(int gridRow) const {
  const uint32_t data = grid.GetCellData(gridRow, 0);
  return data >= 1 && data <= rows.size() ? &rows[data - 1] : nullptr;
}

void TObjectForm::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window, &ps);
  RECT rc{};
  if (const HWND place = GetDlgItem(window, kMeasure)) {
    GetWindowRect(place, &rc);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rc), 2);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  LOGFONTW font{};
  font.lfHeight = 16;
  wcscpy(font.lfFaceName, L"Microsoft Sans Serif");
  font.lfWeight = 700;
  const HFONT bold = CreateFontIndirectW(&font);
  font.lfWeight = 400;
  const HFONT normal = CreateFontIndirectW(&font);
  auto label = [&](int x, const wchar_t* head, const std::wstring& value) {
    SIZE size{};
    SelectObject(dc, bold);
    ExtTextOutW(dc, x, rc.top, 0, nullptr, head, UINT(wcslen(head)), nullptr);
    GetTextExtentPoint32W(dc, head, int(wcslen(head)), &size);
    SelectObject(dc, normal);
    ExtTextOutW(dc, x + size.cx, rc.top, 0, nullptr, value.c_str(), UINT(value.size()), nullptr);
  };
  const HGDIOBJ old = SelectObject(dc, bold);
  label(rc.left, L"L: ", lengthText);
  if (!areaText.empty()) label((rc.left + rc.right) / 2, L"S: ", areaText);
  SelectObject(dc, old);
  DeleteObject(bold);
  DeleteObject(normal);
  EndPaint(window, &ps);
  grid.FocusEditor();
}

int TObjectForm::EditCheck(int row, int column, const char* text) {
  const uint32_t data = grid.GetCellData(row, 0);
  if (data < 1 || data > rows.size() || !object_refs::MapOf(object)) return 0;
  if (!ValidateAttrText(rows[data - 1].type, text ? text : "")) {
    MessageBeep(MB_ICONHAND);  // the grid takes the key back out of the box
    return 0;
  }
  modified = 1;
  cells[data - 1].edited = true;
  cells[data - 1].text = text ? text : "";
  return 1;
}

int TObjectForm::CellClick(int row, int column) {
  const uint32_t data = grid.GetCellData(row, 0);
  if (data < 1 || data > rows.size()) return 1;
  const TAttrRow& attr = rows[data - 1];
  if (attr.type != 6 && attr.type != 7) return 1;
  TMdmMap* map = object_refs::MapOf(object);
  if (!map) return 0;
  const char* shown = grid.GetCellText(row, valueColumn);
  std::string text = shown ? shown : "";
  const std::string before = text;
  g_ValueListDialog.Run(window, instance, map->GetLibrary(), attr.tableRef, text,
                        attr.type == 7 ? 1 : 0, working ? 0 : 1);
  if (working && text != before) {
    modified = 1;
    cells[data - 1].edited = true;
    cells[data - 1].text = text;
    grid.SetCellText(row, valueColumn, text.c_str());
    InvalidateRect(grid.window, nullptr, FALSE);
  }
  return 0;
}

bool TObjectForm::CheckEdits() {
  if (!working || !modified || !object_refs::MapOf(object)) return true;
  for (size_t i = 0; i < rows.size() && i < cells.size(); ++i) {
    const uint8_t type = rows[i].type;
    if (!cells[i].edited || cells[i].text.empty() || type > mdm::kAttrDouble) continue;
    // The editor lets a sign or a lone exponent letter stand while it is typed; it is no value.
    if (ScanAttrNumber(type, cells[i].text.c_str(), nullptr) == kAttrNumberWhole) continue;
    MessageBeep(MB_ICONHAND);
    const int r = GridRowOf(i);
    grid.ScrollToRow(showFull ? r - 1 : r);
    grid.SelectCell(r, valueColumn);
    return false;
  }
  return true;
}

void TObjectForm::Store() {
  TMdmMap* map = object_refs::MapOf(object);
  if (!map || !working || !modified) return;
  if (!StoreAttrRows(*map, object.object, rows, cells)) return;
  g_UserLayer.SetModified();
  g_UserLayer.Save(0);
}

void TObjectForm::Report() {
  const TAttrRow* row = RowAt(grid.GetSelectedRow());
  if (!row) return;
  if (typeOut) *typeOut = row->type;
  if (attributeOut) {
    *attributeOut = row->number;
    return;
  }
  PushValueList(typeCode, row->number, restOfList);
  g_Ini.SetString("LastXNumList", restOfList.c_str());
}

int ShowObjectForm(HWND parent, HINSTANCE instance, const TObjectRef& object, int32_t* attribute,
                   uint8_t* type) {
  TObjectForm& f = g_ObjectForm;
  f.areaText.clear();
  f.lengthText.clear();
  f.restOfList.clear();
  f.typeCode = 0;
  f.modified = 0;
  f.object = object;
  f.attributeOut = attribute;
  f.typeOut = type;
  f.instance = instance;
  const INT_PTR result =
      DialogBoxParamW(instance, MAKEINTRESOURCEW(TObjectForm::kTemplate), parent, FormProc, 0);
  f.window = nullptr;
  f.rows.clear();
  f.cells.clear();
  ProgramHost().InvalidateMainView(0);
  return int(result);
}
