#include "edit/tool_panel.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ini_file.h"
#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/save_report.h"
#include "base/text_utils.h"
#include "base/typed_number.h"
#include "base/ui/shell_utils.h"
#include "edit/construction_geometry.h"
#include "edit/construction_methods.h"
#include "edit/dialog_common.h"
#include "edit/method_picker.h"
#include "edit/object_list_panel.h"
#include "edit/object_type_dialog.h"
#include "edit/work_log.h"
#include "maps/library_symbols.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "view/map_pick.h"
#include "view/map_view.h"
#include "view/picture_map.h"
#include "view/point_lists.h"

namespace {

constexpr COLORREF kPanelBlue = 0x00FF0000;
constexpr int kTextAttribute = 99;
constexpr int kCmdBothMaps = 40207, kCmdVectorMaps = 40208, kCmdRasterMaps = 40209;
constexpr int kMaxFound = 50;

// Bitmap and size of each soft button, in the order of TToolPanel::Button.
struct ButtonSpec {
  int bitmap;
  int type;
  int width;
};
constexpr ButtonSpec kSpecs[TToolPanel::kButtonCount] = {
    {188, TSoftButton::kPush, 20},   {198, TSoftButton::kPush, 20},   {186, TSoftButton::kPush, 20},
    {197, TSoftButton::kRadio, 20},  {228, TSoftButton::kRadio, 20},  {229, TSoftButton::kRadio, 20},
    {304, TSoftButton::kRadio, 20},  {327, TSoftButton::kToggle, 20}, {118, TSoftButton::kPush, 20},
    {305, TSoftButton::kToggle, 20}, {330, TSoftButton::kToggle, 20}, {308, TSoftButton::kPush, 20},
    {192, TSoftButton::kRadio, 20},  {193, TSoftButton::kRadio, 20},  {194, TSoftButton::kRadio, 20},
    {195, TSoftButton::kPush, 12},   {196, TSoftButton::kPush, 12},   {331, TSoftButton::kPush, 20},
    {332, TSoftButton::kPush, 20},   {333, TSoftButton::kRadio, 20},  {334, TSoftButton::kRadio, 20},
    {336, TSoftButton::kRadio, 20},  {199, TSoftButton::kPush, 20},
};

INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  TToolPanel& p = g_ToolPanel;
  switch (message) {
    case WM_INITDIALOG:
      edit_dialog::InitFrame(dialog, 0, false);
      return FALSE;  // the hidden panel takes no focus from the main window
    case WM_COMMAND:
      if (dialog == p.window) p.OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != TToolPanel::kLabel1 && id != TToolPanel::kLabel2) break;
      const HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(p.brush);
    }
    case WM_LBUTTONDOWN:
      p.OnPanelPenDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    case WM_LBUTTONUP:
      p.OnPanelPenUp(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(dialog, &ps);
      p.Paint(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_NOTIFY:
      return TRUE;
    case WM_DESTROY:
      p.picks.clear();
      p.vertices.clear();
      break;
    default:
      break;
  }
  return FALSE;
}

std::string WindowTextA(HWND control) {
  wchar_t text[256] = {};
  if (control) GetWindowTextW(control, text, 256);
  return WideToAnsiString(text);
}

void SetWindowTextA8(HWND control, const std::string& text) {
  if (control) SetWindowTextW(control, AnsiToWideString(text).c_str());
}

}  // namespace

TToolPanel::TToolPanel() = default;
TToolPanel::~TToolPanel() = default;

HWND TToolPanel::Create(HWND main, HINSTANCE inst) {
  mainWindow = main;
  instance = inst;
  if (!brush) brush = CreateSolidBrush(kPanelBlue);
  window = CreateDialogParamW(inst, MAKEINTRESOURCEW(kTemplate), main, PanelProc, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  valueEdit = CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 181, 2, 20,
                              20, window, reinterpret_cast<HMENU>(intptr_t(kValueEdit)), inst,
                              nullptr);
  numbers.Attach(valueEdit);
  CreateButtons();
  const HBITMAP tiles = LoadBitmapW(inst, MAKEINTRESOURCEW(202));
  methodTile.Attach(window, tiles);
  methodTile.SetRect(2, 2, 42, 42);
  typeCell.SetRect(48, 24, 20, 20, 0);
  if (IsChild(window, GetFocus())) SetFocus(main);
  return window;
}

void TToolPanel::CreateButtons() {
  // Each button keeps its own copy of its group.
  TSoftButton* kinds[4];
  TSoftButton* slotGroup[3];
  TSoftButton* views[3];
  for (int i = 0; i < 4; ++i) kinds[i] = &buttons[kKindPoint + i];
  for (int i = 0; i < 3; ++i) slotGroup[i] = &buttons[kSlot1 + i];
  for (int i = 0; i < 3; ++i) views[i] = &buttons[kViewBoth + i];
  for (int b = 0; b < kButtonCount; ++b) {
    const ButtonSpec& s = kSpecs[b];
    const HBITMAP bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(s.bitmap));
    TSoftButton* const* group = nullptr;
    int count = 0;
    if (b >= kKindPoint && b <= kKindText) group = kinds, count = 4;
    if (b >= kSlot1 && b <= kSlot3) group = slotGroup, count = 3;
    if (b >= kViewBoth && b <= kViewRaster) group = views, count = 3;
    buttons[b].Setup(window, bitmap, s.type, group, count);
    buttons[b].SetRect(0, 0, s.width, 20);
    buttons[b].SetVisible(false);
  }
  PlaceButton(kFinish, 216, 24);
  PlaceButton(kDiscard, 216, 2);
  PlaceButton(kAttributes, 194, 24);
  buttons[kHidden].SetVisible(false);
}

void TToolPanel::PlaceButton(Button b, int x, int y) {
  buttons[b].ShowAt(x, y);
  buttons[b].SetVisible(true);
}

void TToolPanel::ShowControl(int id, bool on, int x, int y, int w, int h) {
  const HWND c = id == kValueEdit ? valueEdit : (window ? GetDlgItem(window, id) : nullptr);
  if (!c) return;
  if (on && x >= 0) MoveWindow(c, x, y, w, h, TRUE);
  ShowWindow(c, on ? SW_SHOW : SW_HIDE);
}

TMdmMap* TToolPanel::WorkingMap() const { return g_UserLayer.GetMap(); }

int TToolPanel::WorkingMapIndex() const {
  TMdmMap* map = WorkingMap();
  for (int i = 0; map && i < g_MapView.GetVectorMapCount(); ++i)
    if (g_MapView.GetVectorMap(i) == map) return i;
  return -1;
}

// ---- showing ----

void TToolPanel::Show(int on) {
  if (on) {
    shown = 1;
    Enable(1);
    if (window) ShowWindow(window, SW_SHOW);
    typeCell.SetRect(48, 24, 20, 20, 0);
    Activate();
    return;
  }
  const int was = shown;
  shown = 0;
  if (window) ShowWindow(window, SW_HIDE);
  if (was) Deactivate();
}

void TToolPanel::MoveTo(int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TToolPanel::GetHeight() const {
  if (!window || !shown) return 0;
  RECT rc;
  GetWindowRect(window, &rc);
  return rc.bottom - rc.top;
}

int TToolPanel::GetCurrentPoint(double* x, double* y) const {
  if (pointX == 0 || pointY == 0) return 0;
  if (x) *x = pointX;
  if (y) *y = pointY;
  return 1;
}

void TToolPanel::Enable(int on) {
  enabled = on ? 1 : 0;
  buttons[kFinish].SetState(on ? TSoftButton::kEnable : TSoftButton::kDisabled, true);
  buttons[kDiscard].SetState(on ? TSoftButton::kEnable : TSoftButton::kDisabled, true);
}

void TToolPanel::Activate() {
  attrField.Bind(window ? GetDlgItem(window, kAttrCombo) : nullptr, kTextAttribute, mdm::kAttrText, 0);
  blankAutoShowNew = attrField.autoShowNew;  // the main window updates it while shown
  TMdmMap* map = WorkingMap();
  if (map) {
    uint16_t codes[TNewObjectBuilder::kKinds];
    for (int k = 0; k < TNewObjectBuilder::kKinds; ++k) {
      char key[32];
      std::snprintf(key, sizeof key, "%s_%i", "GTCode", k);
      codes[k] = uint16_t(g_Ini.GetInt(key));
    }
    builder.Bind(map, codes, work_log::LogPathOf(map->path));
    TObjectLibrary* library = map->GetLibrary();
    symbols_ = library ? std::make_unique<TLibrarySymbols>(*library) : nullptr;
  } else {
    builder.Unbind();
    symbols_.reset();
  }
  typeCell.Attach(window, symbols_.get());
  int stored = g_Ini.GetInt("GTMethod");
  SelectMethod(stored >= 0 && stored < kMethods ? stored : 0);
  RefreshTypeLabel();
  Reset();
  StartNewObject();
  busy = 0;
}

void TToolPanel::Deactivate() {
  for (int k = 0; k < TNewObjectBuilder::kKinds; ++k) {
    builder.SetKind(uint8_t(k));
    char key[32];
    std::snprintf(key, sizeof key, "%s_%i", "GTCode", k);
    g_Ini.SetInt(key, builder.GetCode());
  }
  g_MapView.ClearHighlights();
  ClearMarks(g_MapView);
  ViewLists(g_MapView).calibrationPoints.Clear();
  keepCalibrationPoints = false;  // the points are gone with the panel: the next one reads them
  SetInputMode(input_mode::kNormal);
  Reset();
  g_Ini.SetInt("GTMethod", method);
  rubber = false;
}

// ---- methods ----

void TToolPanel::SelectMethod(int newMethod) {
  picks.clear();
  for (bool& s : slotSet) s = false;
  builder.DiscardPending();
  method = newMethod >= 0 && newMethod < kMethods ? newMethod : 0;
  Setup();
  RefreshTypeLabel();
  StartNewObject();
}

void TToolPanel::Setup() {
  methodTile.SetState(method, false);
  builder.SetKind(2);
  for (int b = kKindPoint; b < kButtonCount; ++b) {
    buttons[b].SetVisible(false);
    if (buttons[b].type != TSoftButton::kPush) buttons[b].SetState(TSoftButton::kUp, false);
  }
  ShowControl(kValueEdit, false);
  ShowControl(kLabel1, false);
  ShowControl(kLabel2, false);
  ShowControl(kLength1, false);
  ShowControl(kLength2, false);
  SetInputMode(input_mode::kNormal);
  numbers.mode = 0;
  // A length edit with its label: the length's letter and the unit of metres of the current
  // language, "d(м):", "d1(м):".
  auto length = [&](int label, const wchar_t* letter, int lx, int id, int ex, const char* key) {
    ShowControl(label, true, lx, 3, 33, 20);
    const std::wstring text = std::wstring(letter) + L"(" + g_Lang.GetText(lang_id::kMsgM) + L"):";
    if (window) SetDlgItemTextW(window, label, text.c_str());
    ShowControl(id, true, ex, 2, 32, 20);
    std::string value;
    g_Ini.GetString(key, value);
    SetWindowTextA8(window ? GetDlgItem(window, id) : nullptr, value);
  };
  bool pressPick = true;
  switch (method) {
    case 0: {
      const int stored = g_Ini.GetInt("GTMNewType");
      builder.SetKind(uint8_t(stored >= 1 && stored <= 4 ? stored : 0));
      PlaceButton(kKindPoint, 59);
      PlaceButton(kKindLine, 81);
      PlaceButton(kKindArea, 103);
      PlaceButton(kKindText, 125);
      PlaceButton(kUndo, 194);
      PlaceButton(kOption, 172);
      pressPick = stored >= 1 && stored <= 4;
      break;
    }
    case 1:
      PlaceButton(kChain, 194);
      PlaceButton(kPick, 48);
      length(kLabel1, L"d", 126, kLength1, 160, "GTMP2DALen");
      builder.SetKind(1);
      break;
    case 2:
      PlaceButton(kPick, 48);
      length(kLabel1, L"d1", 80, kLength1, 114, "GTMP2DLen1");
      length(kLabel2, L"d2", 148, kLength2, 182, "GTMP2DLen2");
      builder.SetKind(1);
      break;
    case 3:
      length(kLabel1, L"d", 126, kLength1, 160, "GTMLPLen");
      PlaceButton(kPick, 48);
      builder.SetKind(2);
      break;
    case 4:
      PlaceButton(kKindLine, 70);
      PlaceButton(kKindArea, 92);
      PlaceButton(kUndo, 194);
      builder.SetKind(0);
      pressPick = false;
      break;
    case 5:
      builder.SetKind(0);
      PlaceButton(kAddPoint, 48);
      PlaceButton(kDeletePoint, 70);
      PlaceButton(kViewBoth, 100);
      PlaceButton(kViewVector, 122);
      PlaceButton(kViewRaster, 144);
      PlaceButton(kPrev, 168);
      buttons[kPrev].SetState(TSoftButton::kDisabled, false);
      PlaceButton(kNext, 202);
      ShowControl(kValueEdit, true, 181, 2, 20, 20);
      numbers.mode = 1;
      pressPick = false;
      break;
    case 8:
      length(kLabel1, L"d", 126, kLength1, 160, "GTMRCLen");
      PlaceButton(kRectOption, 194);
      PlaceButton(kPick, 48);
      builder.SetKind(3);
      break;
    case 9:
      PlaceButton(kSlot1, 59);
      PlaceButton(kSlot2, 81);
      PlaceButton(kSlot3, 103);
      buttons[kSlot1].SetState(TSoftButton::kDown, false);
      PlaceButton(kPrev, 138);
      buttons[kPrev].SetState(TSoftButton::kDisabled, false);
      PlaceButton(kNext, 195);
      ShowControl(kValueEdit, true, 160, 2, 33, 20);
      pressPick = false;
      break;
    default:  // 6, 7
      PlaceButton(kPick, 48);
      builder.SetKind(1);
      break;
  }
  if (pressPick) PressPickOrKind();
  UpdateKindControls();
  if (method == 5) RefreshMethod5(0);
  if (window) InvalidateRect(window, nullptr, TRUE);
}

void TToolPanel::PressPickOrKind() {
  if (method == 0) {
    const int kind = builder.GetKind();
    if (kind < 1 || kind > 4) return;
    buttons[kKindPoint + kind - 1].SetState(TSoftButton::kDown, false);
  } else {
    buttons[kPick].SetState(TSoftButton::kDown, false);
  }
  SetInputMode(input_mode::kToolPanel);
}

void TToolPanel::ReleaseMethodButtons() {
  buttons[kPick].SetState(TSoftButton::kUp, true);
  for (int b = kKindPoint; b <= kKindText; ++b) buttons[b].SetState(TSoftButton::kUp, true);
  for (int b = kSlot1; b <= kSlot3; ++b) buttons[b].SetState(TSoftButton::kUp, true);
}

void TToolPanel::UpdateKindControls() {
  const bool on = builder.GetKind() != 0;
  buttons[kAttributes].SetVisible(on);
  typeCell.SetVisible(on);
  typeCell.SetCode(builder.GetCode());
  ShowControl(kName, on);
  ShowControl(kAttrCombo, on);
  if (window) InvalidateRect(window, nullptr, TRUE);
}

void TToolPanel::RefreshTypeLabel() {
  std::string name;
  TMdmMap* map = WorkingMap();
  if (map && map->GetLibrary()) {
    const char* text = map->GetLibrary()->styles.GetTypeName(builder.GetCode());
    if (text) {
      name = text;
      const size_t cut = name.find('_', 1);
      if (cut != std::string::npos) name.resize(cut);
      if (name.size() > 255) name.resize(255);
    }
  }
  SetWindowTextA8(window ? GetDlgItem(window, kName) : nullptr, name);
  typeCell.SetCode(builder.GetCode());
}

void TToolPanel::Reset() {
  g_ObjectListPanel.Show(0);
  slot = 0;
  for (bool& s : slotSet) s = false;
  picks.clear();
  vertices.clear();
  sideSet = false;
  builder.DiscardPending();
  g_MapView.ClearHighlights();
  ProgramHost().InvalidateMainView(0);
}

bool TToolPanel::FinishDrawing() {
  // What is drawn so far is finished under the kind and method it was drawn with before either
  // changes: a line of three taps is neither dropped (a point kind, another method) nor closed
  // into an area.
  if (!builder.HasObject() || (vertices.empty() && picks.empty())) return true;
  return StartNewObject();
}

bool TToolPanel::StartNewObject() {
  g_ObjectListPanel.Show(0);
  if (builder.GetPending() != 0) {
    if (builder.GetKind() == mdm::kKindText) attrField.UseTextAttribute();
    if (attrField.StoreValue()) g_UserLayer.SetModified();
    if (!RunMethod(1)) return false;
    // A construction left without geometry is no object to keep.
    builder.DropIfEmpty();
  }
  builder.CreatePending();
  attrField.attribute = builder.GetKind() == mdm::kKindText ? mdm::kTagText : kTextAttribute;
  attrField.valueType = mdm::kAttrText;
  attrField.LoadValue(builder.HasObject() ? builder.map : nullptr, builder.PendingIndex());
  slot = 0;
  if (valueEdit && method == 9) SetWindowTextW(valueEdit, L"1");
  buttons[kPrev].SetState(TSoftButton::kDisabled, true);
  picks.clear();
  for (bool& s : slotSet) s = false;
  vertices.clear();
  sideSet = false;
  g_MapView.ClearHighlights();
  ClearMarks(g_MapView);
  // Points whose write failed are the user's work: kept, not replaced by the picture's old ones.
  const bool keep = method == 5 && keepCalibrationPoints;
  keepCalibrationPoints = false;
  if (!keep) {
    ViewLists(g_MapView).calibrationPoints.Clear();
    numbers.Clear();
  }
  ProgramHost().InvalidateMainView(0);
  pointX = pointY = 0;
  lastTap = POINT{};
  if (keep) {
    RefreshMethod5(1);
  } else if (method == 5) {
    TPictureMap* picture = CurrentPicture();
    TPointList& list = ViewLists(g_MapView).calibrationPoints;
    if (picture) {
      // The list is drawn, tapped and centred on through the view, so it holds the points in the
      // view's zone; the picture's own may be the neighbouring one.
      list = picture->PointsInOutputZone();
      for (int32_t i = 0; i < list.Count(); ++i) numbers.Append();
    }
    numbers.index = 0;
    RefreshMethod5(1);
  }
  busy = 0;
  return true;
}

void TToolPanel::StoreLength(const char* key, int id) {
  g_Ini.SetString(key, WindowTextA(window ? GetDlgItem(window, id) : nullptr).c_str());
}

bool TToolPanel::ReadLength(int id, double* metres) const {
  wchar_t text[256] = {};
  if (HWND edit = window ? GetDlgItem(window, id) : nullptr) GetWindowTextW(edit, text, 256);
  // An empty edit is no length typed (0): the methods that take the distance from a further
  // pick run without one.
  const std::wstring_view typed(text);
  if (typed.find_first_not_of(L" \t") == std::wstring_view::npos) {
    *metres = 0;
    return true;
  }
  return ReadTypedNumber(typed, metres);
}

bool TToolPanel::RunMethod(int final) {
  if (!final) busy = 1;
  if (builder.Revive())
    attrField.LoadValue(builder.map, builder.PendingIndex());
  const TObjectRef none{};
  auto pick = [&](size_t i) -> const TObjectRef& { return i < picks.size() ? picks[i] : none; };
  const int count = int(picks.size());
  const uint8_t kind = builder.GetKind();  // the apply may leave no pending object to ask
  int full = 0;
  int built = 0;  // what a method with a vertex list answered
  auto showMarker = [&](const TMarker& m) {
    if (final || (m.x == 0 && m.y == 0)) ClearMarks(g_MapView);
    else SetMark(g_MapView, m);
  };
  // The lengths as the edits show them. A text that is no number builds nothing (the preview
  // goes) rather than an object at another length; the finish is refused with a beep.
  double d1 = 0, d2 = 0;
  const bool lengths = ReadLength(kLength1, &d1) && (method != 2 || ReadLength(kLength2, &d2));
  if (!lengths && (method == 1 || method == 2 || method == 3 || method == 8)) {
    if (final) MessageBeep(MB_ICONHAND);
    ClearMarks(g_MapView);
    ProgramHost().InvalidateMainView(0);
    return false;
  }
  switch (method) {
    case 0:
      built = construct::BuildFromTaps(builder, vertices, final, buttons[kOption].IsDown());
      break;
    case 1: {
      StoreLength("GTMP2DALen", kLength1);
      showMarker(construct::BuildPoint2DA(builder, pick(0), pick(1), sidePoint, d1, sideSet, final));
      full = 1;
      break;
    }
    case 2: {
      StoreLength("GTMP2DLen1", kLength1);
      StoreLength("GTMP2DLen2", kLength2);
      showMarker(construct::BuildPoint2D(builder, pick(0), pick(1), sidePoint, d1, d2, sideSet, final));
      full = 1;
      break;
    }
    case 3:
      StoreLength("GTMLPLen", kLength1);
      built = construct::BuildLineP(builder, picks.data(), count, d1, final);
      full = 1;
      break;
    case 4:
      built = construct::BuildLineS(builder, picks.data(), count, final);
      break;
    case 5: {
      TPictureMap* picture = CurrentPicture();
      const TPointList& list = ViewLists(g_MapView).calibrationPoints;
      // Written in the picture's own zone, as its calibration was read.
      const TPointList own = picture ? picture->PointsInOwnZone(list) : TPointList();
      if (final && picture && own.Count() >= 2 && TPictureMap::CheckCalibrationPoints(own)) {
        char path[256];
        std::snprintf(path, sizeof path, "%s", picture->path);
        StripExtension(path);
        const std::string companion = std::string(path) + ".@@@";
        if (WriteCalibrationFile(companion.c_str(), own) == 0) {
          picture->ReadCalibration(picture->path, picture->frame);
          g_MapView.UpdateLayers(1);
          full = 1;
        } else {
          // The old file stands (the write replaces it in one step). The user hears of it, and
          // the points stay as set, so that Finish can be tried again once there is room.
          ReportSaveFailure(TSaveKind::kCalibration, companion.c_str(), window);
          keepCalibrationPoints = true;
        }
        RefreshMethod5(1);
      }
      break;
    }
    case 6:
      construct::BuildPointRA(builder, pick(0), pick(1), pick(2), count == 3, final);
      break;
    case 7:
      construct::BuildPointMed(builder, pick(0), pick(1), count == 2, final);
      break;
    case 8:
      StoreLength("GTMRCLen", kLength1);
      built = construct::BuildRect(builder, picks.data(), count, d1, final);
      full = 1;
      break;
    case 9:
      if (slotSet[0] && slotSet[1] && slotSet[2])
        construct::BuildPerpendicular(builder, slots[0], slots[1], slots[2]);
      break;
    default:
      break;
  }
  ProgramHost().InvalidateMainView(full);
  // A refused apply wrote nothing; the user is told why the object is not there.
  int why = 0;
  if (final && built == construct::kTooFewVertices)
    why = kind == mdm::kKindArea ? lang_id::kMsgAreaFewVertices : lang_id::kMsgLineFewVertices;
  if (final && built == construct::kSharpBend) why = lang_id::kMsgSharpBend;
  if (why) MessageBoxW(window, g_Lang.GetText(why), g_Lang.GetText(lang_id::kMsgInfo), MB_OK);
  return true;
}

// ---- method 5 ----

TPictureMap* TToolPanel::CurrentPicture() const {
  return dynamic_cast<TPictureMap*>(g_MapView.GetRasterMap(g_MapView.activeRaster));
}

void TToolPanel::RefreshMethod5(int keepView) {
  if (!keepView) {
    for (int b = kViewBoth; b <= kViewRaster; ++b) buttons[b].SetState(TSoftButton::kUp, true);
    SetInputMode(input_mode::kNormal);
    MainCommand(kCmdBothMaps);
  }
  buttons[kPrev].SetState(numbers.HasPrev() ? TSoftButton::kEnable : TSoftButton::kDisabled, true);
  if (!numbers.HasPrev()) buttons[kPrev].SetState(TSoftButton::kDisabled, true);
  buttons[kNext].SetState(numbers.HasNext() ? TSoftButton::kEnable : TSoftButton::kDisabled, true);
  if (!numbers.HasNext()) buttons[kNext].SetState(TSoftButton::kDisabled, true);
  numbers.Show();
  g_MapView.currentCalibrationPoint = numbers.index;
  ProgramHost().InvalidateMainView(0);
}

void TToolPanel::MainCommand(int id) {
  if (HWND main = ProgramHost().MainWindow()) SendMessageW(main, WM_COMMAND, WPARAM(id), 0);
}

void TToolPanel::CentreOnCurrentPoint() {
  const TPointList& list = ViewLists(g_MapView).calibrationPoints;
  if (list.Count() == 0) return;
  const TListPoint* p = list.At(numbers.index);
  if (g_MapView.AreVectorMapsShown()) {
    if (p->x != 0 || p->y != 0) g_MapView.CenterOn(p->x, p->y, 0);
    return;
  }
  TPictureMap* picture = CurrentPicture();
  if (!picture || p->px == TListPoint::kPixelUnset || p->py == TListPoint::kPixelUnset) return;
  double x, y;
  picture->PixelToPlane(p->px, p->py, &x, &y);
  g_MapView.CenterOn(x, y, 0);
}

void TToolPanel::StepPoint(int step) {
  if (step > 0) numbers.Next();
  else numbers.Prev();
  CentreOnCurrentPoint();
  RefreshMethod5(1);
}

void TToolPanel::TapMethod5(int x, int y, UINT message) {
  TPointList& list = ViewLists(g_MapView).calibrationPoints;
  if (list.Count() == 0 || numbers.index >= list.Count()) return;
  TListPoint* p = list.At(numbers.index);
  TPictureMap* picture = CurrentPicture();
  if (buttons[kViewBoth].IsDown()) {
    // A stroke: the plane point where it starts, the picture's pixel where it ends.
    const HDC dc = GetDC(mainWindow);
    if (message == WM_LBUTTONDOWN) {
      rubberDown = rubberLast = POINT{x, y};
      rubber = true;
      DrawRubber(dc);
    } else if (message == WM_MOUSEMOVE && rubber) {
      DrawRubber(dc);
      rubberLast = POINT{x, y};
      DrawRubber(dc);
    } else if (message == WM_LBUTTONUP && rubber) {
      DrawRubber(dc);
      rubber = false;
      g_MapView.ScreenToPlane(rubberDown.x, rubberDown.y, &p->x, &p->y, 1);
      if (picture) picture->ScreenToPixel(x, y, &p->px, &p->py);
      RememberTap(rubberDown.x, rubberDown.y);
    }
    ReleaseDC(mainWindow, dc);
  } else if (message == WM_LBUTTONDOWN) {
    if (g_MapView.AreVectorMapsShown()) g_MapView.ScreenToPlane(x, y, &p->x, &p->y, 1);
    else if (picture) picture->ScreenToPixel(x, y, &p->px, &p->py);
    RememberTap(x, y);
  }
  if (message != WM_MOUSEMOVE) RefreshMethod5(1);
}

void TToolPanel::DrawRubber(HDC dc) const {
  if (!dc) return;
  const int old = SetROP2(dc, R2_NOT);
  MoveToEx(dc, rubberDown.x, rubberDown.y, nullptr);
  LineTo(dc, rubberLast.x, rubberLast.y);
  SetROP2(dc, old);
}

// ---- taps on the map ----

void TToolPanel::RememberTap(int x, int y) {
  lastTap = POINT{x, y};
  g_MapView.ScreenToPlane(x, y, &pointX, &pointY, 1);
}

bool TToolPanel::FindOne(int x, int y, int filter, TObjectRef* out) const {
  const int index = WorkingMapIndex();
  if (index < 0) return false;
  TObjectRef found[kMaxFound];
  const int n = g_MapView.FindObjectsAt(index, x, y, found, kMaxFound, kPickPixels, filter);
  for (int i = 0; i < n; ++i) {
    // The pending object moves with every preview: it is never a base.
    if (builder.HasObject() && found[i].object == builder.PendingIndex()) continue;
    *out = found[i];
    return true;
  }
  return false;
}

int TToolPanel::FindPick(const TObjectRef& ref) const {
  for (size_t i = 0; i < picks.size(); ++i)
    if (TObjectRef::IsSameObject(picks[i], ref)) return int(i);
  return -1;
}

void TToolPanel::RemovePick(const TObjectRef& ref) {
  const int at = FindPick(ref);
  if (at >= 0) picks.erase(picks.begin() + at);
}

void TToolPanel::AddPick(const TObjectRef& ref) {
  if (int(picks.size()) >= kMaxPicks) return;
  picks.push_back(ref);
}

void TToolPanel::Retag() {
  g_MapView.ClearHighlights();
  const int first = method == 3 ? 0 : 1;
  for (size_t i = 0; i < picks.size(); ++i) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "%i", int(i) + first);
    std::memcpy(picks[i].tag, tag, sizeof picks[i].tag);
    g_MapView.AddHighlight(picks[i]);
  }
  for (int s = 0; s < 3; ++s) {
    if (!slotSet[s]) continue;
    std::snprintf(slots[s].tag, sizeof slots[s].tag, "%i", s + 1);
    g_MapView.AddHighlight(slots[s]);
  }
}

void TToolPanel::AfterChange() {
  Retag();
  RunMethod(0);
}

void TToolPanel::TapMethod0(int x, int y, bool hold) {
  TMdmMap* map = WorkingMap();
  if (hold) {
    TObjectRef found[kMaxFound];
    const int n = g_MapView.FindObjectsAt(-1, x, y, found, kMaxFound, kPickPixels, 0);
    g_ObjectListPanel.SetItems(found, n);
    g_ObjectListPanel.Show(1);
    const RECT& view = g_MapView.viewRect;
    if (y < (view.top + view.bottom) / 2) {
      g_ObjectListPanel.PlaceAbove(view.bottom);
    } else {
      RECT rc{};
      if (window) GetWindowRect(window, &rc);
      POINT below{0, rc.bottom};
      if (mainWindow) ScreenToClient(mainWindow, &below);
      g_ObjectListPanel.SetTop(below.y);
    }
    return;
  }
  TMapPoint v{};
  map->ScreenToMap(x, y, &v.x, &v.y);
  const TObjectRef* chosen = g_ObjectListPanel.visible ? g_ObjectListPanel.GetSelected() : nullptr;
  if (chosen) {
    TMdmMap* other = g_MapView.GetVectorMap(chosen->map);
    const int hit = other ? HitPointObject(*other, x, y, chosen->object, kPickPixels) : -1;
    const TMapObject* o = other ? other->GetObjectRecord(chosen->object) : nullptr;
    if (hit >= 0 && o) {
      TMapPoint at{};
      if ((o->code & 7) == mdm::kKindPoint) at = hit == 0 ? TMapPoint{o->box[0], o->box[1]}
                                                          : TMapPoint{o->box[2], o->box[3]};
      else if (hit < o->vertexCount) at = o->vertices[hit];
      // Through the view's plane, as the other map may have its own origin, unit and zone.
      double px, py;
      other->MapToViewPlane(at.x, at.y, &px, &py);
      map->ViewPlaneToMap(px, py, &v.x, &v.y);
    }
    g_ObjectListPanel.Show(0);
  }
  if (buttons[kOption].IsDown() && vertices.size() >= 2) {
    const TMapPoint p = vertices[vertices.size() - 2], q = vertices.back();
    TMapPoint c[4];
    const double l = std::hypot(double(v.x) - q.x, double(v.y) - q.y);
    if (construct::SquareCandidates(p, q, l, c)) v = c[construct::ChooseNearest4(c, v)];
  }
  if (int(vertices.size()) >= kMaxVertices) return;
  vertices.push_back(v);
  RememberTap(x, y);
  AfterChange();
}

void TToolPanel::TapPicks(int x, int y, bool hold) {
  TObjectRef ref;
  const int count = int(picks.size());
  switch (method) {
    case 1:
    case 2:
      if (hold || count < 2) {
        if (!FindOne(x, y, 1, &ref)) return;
        if (hold) {
          RemovePick(ref);
          sideSet = false;
        } else {
          AddPick(ref);
        }
      } else {
        WorkingMap()->ScreenToMap(x, y, &sidePoint.x, &sidePoint.y);
        sideSet = true;
      }
      break;
    case 3:
    case 4:
      // Method 3's first pick is the base line; a hold removes whatever pick lies there.
      if (!FindOne(x, y, method == 4 ? 1 : hold ? 0 : count == 0 ? 2 : 1, &ref)) return;
      if (hold) RemovePick(ref);
      else AddPick(ref);
      break;
    case 6:
    case 7:
      if (!FindOne(x, y, 1, &ref)) return;
      if (hold) RemovePick(ref);
      else if (count < (method == 7 ? 2 : 3)) AddPick(ref);
      else return;
      break;
    case 8: {
      if (!hold && buttons[kRectOption].IsDown() && count >= 2) {
        TMapPoint tap;
        WorkingMap()->ScreenToMap(x, y, &tap.x, &tap.y);
        int32_t value = 0;
        if (construct::RectOptionValue(builder, picks.data(), count, tap, &value)) {
          RememberTap(x, y);
          buttons[kRectOption].SetState(TSoftButton::kUp, true);
          if (window) SetDlgItemTextW(window, kLength1, std::to_wstring(value).c_str());
          RunMethod(0);
          return;
        }
      }
      if (hold) {
        if (!FindOne(x, y, 0, &ref)) return;
        RemovePick(ref);
        break;
      }
      if (count == 0) {
        if (!FindOne(x, y, 2, &ref) && !FindOne(x, y, 1, &ref)) return;
      } else if (!FindOne(x, y, 1, &ref)) {
        return;
      }
      // A line takes three more picks (two points and the width), a side two points and one.
      const bool line = count > 0 && (WorkingMap()->GetObjectCode(picks[0].object) & 7) == mdm::kKindLine;
      if (count >= (line ? 4 : 3)) return;
      AddPick(ref);
      break;
    }
    case 9:
      if (!FindOne(x, y, 1, &ref) && !hold) return;
      if (hold) {
        slotSet[slot] = false;
      } else {
        slots[slot] = ref;
        slotSet[slot] = true;
      }
      break;
    default:
      return;
  }
  if (!hold) RememberTap(x, y);
  AfterChange();
}

int TToolPanel::OnMapMouse(HWND main, int x, int y, UINT message) {
  if (!shown) return 0;
  if (main) mainWindow = main;
  busy = 1;
  ProgramHost().ReportUserInput();
  if (method == 5) {
    TapMethod5(x, y, message);
    return 1;
  }
  if (message != WM_LBUTTONDOWN || !WorkingMap()) return 0;
  const bool hold = IsTapAndHold(mainWindow, x, y, 0);
  if (method == 0) TapMethod0(x, y, hold);
  else TapPicks(x, y, hold);
  return 1;
}

// ---- the panel's own pen and buttons ----

void TToolPanel::OnPanelPenDown(int x, int y) {
  ProgramHost().ReportUserInput();
  downTarget_ = -1;
  if (!enabled) return;
  for (TSoftButton& b : buttons)
    if (b.OnPenDown(x, y)) return;
  if (methodTile.HitTest(x, y)) downTarget_ = 0;
  else if (typeCell.visible && typeCell.HitTest(x, y)) downTarget_ = 1;
}

void TToolPanel::OnPanelPenUp(int x, int y) {
  ProgramHost().ReportUserInput();
  if (!enabled) return;
  for (int b = 0; b < kButtonCount; ++b) {
    if (buttons[b].OnPenUp(x, y)) {
      OnButton(Button(b));
      return;
    }
  }
  const int target = downTarget_;
  downTarget_ = -1;
  if (target == 1 && typeCell.HitTest(x, y)) {
    if (!WorkingMap() || builder.GetKind() == 0) {
      if (!WorkingMap())
        MessageBoxW(window, g_Lang.GetText(lang_id::kMsgNoWMMode), g_Lang.GetText(lang_id::kMsgInfo), MB_OK);
      return;
    }
    builder.SetCode(ChooseObjectType(window, instance, builder.GetCodeOrKind(), 0));
    RefreshTypeLabel();
    UpdateKindControls();
  } else if (target == 0 && methodTile.HitTest(x, y)) {
    int chosen = method;
    if (g_MethodPicker.Run(window, instance, &chosen) && FinishDrawing()) SelectMethod(chosen);
  }
}

void TToolPanel::OnButton(Button b) {
  switch (b) {
    case kFinish: {
      if (window) SetFocus(GetDlgItem(window, kName));
      TMdmMap* map = WorkingMap();
      if (method == 0 && blankAutoShowNew && map && builder.GetPendingCode()) {
        // The preview draws an area or a text as a plain line (code 2): the form opens on the
        // object under the kind's own type, and the kind keeps its type for the next object.
        builder.ApplyCode(builder.GetCode());
        attrField.EditInForm(window, instance, WorkingMapIndex(), 0);
      }
      if (!StartNewObject()) return;  // the length to fix is still there, as drawn
      ReleaseMethodButtons();
      SetInputMode(input_mode::kNormal);
      if (method == 0) {
        builder.SetKind(0);
        UpdateKindControls();
      }
      if (method == 5) RefreshMethod5(0);
      return;
    }
    case kDiscard:
      picks.clear();
      builder.DiscardPending();
      StartNewObject();
      ProgramHost().InvalidateMainView(1);
      return;
    case kAttributes: {
      if (!WorkingMap()) {
        MessageBoxW(window, g_Lang.GetText(lang_id::kMsgNoWMMode), g_Lang.GetText(lang_id::kMsgInfo), MB_OK);
        return;
      }
      const uint16_t old = builder.GetPendingCode();
      builder.ApplyCode(builder.GetCode());
      attrField.EditInForm(window, instance, WorkingMapIndex(), 0);
      builder.ApplyCode(old);
      return;
    }
    default:
      OnMethodButton(b);
      return;
  }
}

void TToolPanel::OnMethodButton(Button b) {
  switch (b) {
    case kKindPoint:
    case kKindLine:
    case kKindArea:
    case kKindText: {
      const int kind = b - kKindPoint + 1;
      if (!FinishDrawing()) return;
      builder.SetKind(uint8_t(kind));
      RefreshTypeLabel();
      UpdateKindControls();
      StartNewObject();
      if (method == 0) g_Ini.SetInt("GTMNewType", kind);
      SetInputMode(input_mode::kToolPanel);
      return;
    }
    case kUndo:
      if (method == 0 && !vertices.empty()) vertices.pop_back();
      if (method == 4 && !picks.empty()) picks.pop_back();
      AfterChange();
      return;
    case kPick:
      SetInputMode(buttons[kPick].IsDown() ? input_mode::kToolPanel : input_mode::kNormal);
      return;
    case kChain: {
      if (picks.size() != 2 || !builder.HasObject()) return;
      TObjectRef second = picks[1], result = picks[1];
      result.object = builder.PendingIndex();
      if (!StartNewObject()) return;
      // Only a placed result can carry the next construction.
      TMapPoint at{};
      if (construct::BasePoint(builder, result.object, &at) && (at.x != 0 || at.y != 0)) {
        picks = {second, result};
        AfterChange();
      }
      return;
    }
    case kSlot1:
    case kSlot2:
    case kSlot3:
      slot = b - kSlot1;
      SetInputMode(input_mode::kToolPanel);
      return;
    case kPrev:
    case kNext:
      if (method == 5) {
        StepPoint(b == kNext ? 1 : -1);
      } else {
        if (b == kNext) numbers.Next();
        else numbers.Prev();
        RunMethod(0);
      }
      return;
    case kAddPoint: {
      TListPoint p;
      p.px = p.py = TListPoint::kPixelUnset;
      ViewLists(g_MapView).calibrationPoints.Append(p);
      numbers.Append();
      RefreshMethod5(1);
      return;
    }
    case kDeletePoint: {
      TPointList& list = ViewLists(g_MapView).calibrationPoints;
      if (list.Count() == 0) return;
      if (MessageBoxW(window, g_Lang.GetText(lang_id::kMsgDelConf), g_Lang.GetText(lang_id::kMsgConf),
                      MB_OKCANCEL) != IDOK)
        return;
      const int32_t at = numbers.index;
      TPointList kept;
      for (int32_t i = 0; i < list.Count(); ++i)
        if (i != at) kept.Append(*list.At(i));
      list = kept;
      numbers.RemoveAt(at);
      if (numbers.index >= numbers.GetCount() && numbers.index > 0) numbers.index = numbers.GetCount() - 1;
      RefreshMethod5(1);
      return;
    }
    case kViewBoth:
      MainCommand(kCmdBothMaps);
      SetInputMode(input_mode::kToolPanel);
      return;
    case kViewVector:
      MainCommand(kCmdVectorMaps);
      return;
    case kViewRaster:
      MainCommand(kCmdRasterMaps);
      return;
    default:
      return;
  }
}

void TToolPanel::OnCommand(int id, int code) {
  if (!enabled) return;
  ProgramHost().ReportUserInput();
  switch (id) {
    case kLength1:
    case kLength2:
      if (code == EN_SETFOCUS) {
        SetSipState(GetDlgItem(window, id), 1);
      } else if (code == EN_KILLFOCUS) {
        SetFocus(GetDlgItem(window, kName));
        SetSipState(GetDlgItem(window, id), 0);
      } else if (code == EN_CHANGE && (method == 1 || method == 2 || method == 3 || method == 8)) {
        RunMethod(0);
      }
      return;
    case kAttrCombo:
      attrField.OnNotify(code, GetDlgItem(window, kName));
      return;
    default:
      return;
  }
}

void TToolPanel::Paint(HDC dc) {
  RECT rc;
  GetClientRect(window, &rc);
  FillRect(dc, &rc, brush);
  methodTile.Draw(dc);
  typeCell.Draw(dc);
  for (const TSoftButton& b : buttons)
    if (b.visible) b.Draw(dc);
}
