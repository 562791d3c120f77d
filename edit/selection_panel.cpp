#include "edit/selection_panel.h"

#include <cstdint>
#include <string>

#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/ui/panel_window.h"
#include "base/ui/shell_utils.h"
#include "edit/button_strip.h"
#include "edit/dialog_common.h"
#include "edit/object_form.h"
#include "edit/object_refs.h"
#include "edit/object_type_dialog.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "maps/mdm_format.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "view/map_pick.h"
#include "view/map_view.h"
#include "view/point_lists.h"

namespace {

// Position, bitmap and type of each button, in the order of TSelectionPanel::Button.
constexpr button_strip::ButtonDef kButtons[TSelectionPanel::kButtonCount] = {
    {196, 2, 230, TSoftButton::kPush},     // attributes
    {218, 2, 307, TSoftButton::kPush},     // close
    {218, 24, 231, TSoftButton::kPush},    // delete
    {196, 24, 239, TSoftButton::kToggle},  // vertices
    {174, 24, 311, TSoftButton::kToggle},  // move
    {174, 2, 310, TSoftButton::kPush},     // type
};

bool SameCorners(const TMapPoint& a, const TMapPoint& b) { return a.x == b.x && a.y == b.y; }

// v + d in 64 bits, so that an offset past the 32-bit range lands outside every extent.
int32_t Offset(int32_t v, int64_t d) {
  const int64_t r = int64_t(v) + d;
  return r < INT32_MIN ? INT32_MIN : r > INT32_MAX ? INT32_MAX : int32_t(r);
}

}  // namespace

TSelectionPanel::~TSelectionPanel() { button_strip::FreeBitmaps(bitmaps, kButtonCount); }

HWND TSelectionPanel::Create(HWND mainWindow, HINSTANCE inst) {
  parent = mainWindow;
  instance = inst;
  window = CreateDialogParamW(inst, MAKEINTRESOURCEW(kTemplate), mainWindow,
                              button_strip::Proc<TSelectionPanel, g_SelectionPanel>, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  if (IsChild(window, GetFocus())) SetFocus(mainWindow);
  button_strip::SetUp(window, inst, kButtons, kButtonCount, buttons, bitmaps, nullptr, 0);
  return window;
}

void TSelectionPanel::Paint(HDC dc) const {
  button_strip::Paint(window, dc, true, buttons, kButtonCount);
}

void TSelectionPanel::Show(int on) {
  if (!window) return;
  TUserLayer* layer = g_MapView.workingLayer;
  if (on) {
    if (!visible && layer) layer->Pin();
    visible = 1;
    ShowWindow(window, SW_SHOW);
    ClearMarks(g_MapView);
    ViewLists(g_MapView).calibrationPoints.Clear();
    markerIndex = -1;
    g_ToolPanel.Enable(0);
    return;
  }
  const int was = visible;
  visible = 0;
  ShowWindow(window, SW_HIDE);
  if (!was) return;
  SetInputMode(input_mode::kNormal);
  g_MapView.ClearHighlights();
  ClearMarks(g_MapView);
  g_VertexEditBar.Show(0);
  buttons[kVertices].SetState(TSoftButton::kUp, false);
  buttons[kMove].SetState(TSoftButton::kUp, false);
  ProgramHost().InvalidateMainView(0);
  g_ToolPanel.Enable(1);
  if (layer) layer->Unpin();
}

void TSelectionPanel::SetTop(int top) { panel_window::MoveTop(window, top); }

int TSelectionPanel::GetHeight() const { return visible ? panel_window::Height(window) : 0; }

int TSelectionPanel::IsEditing() const {
  return visible && GetInputMode() == input_mode::kNormal ? 1 : 0;
}

void TSelectionPanel::SetSelection(const TObjectRef* refs, int count) {
  if (object_refs::FillList(List(), refs, count, &selection) != 1) return;
  g_MapView.ClearHighlights();
  g_MapView.AddHighlight(selection[0]);
  OnSelectionChange();
}

const TObjectRef* TSelectionPanel::GetSelected() const {
  const HWND list = List();
  if (!list) return nullptr;
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  return index >= 0 && size_t(index) < selection.size() ? &selection[size_t(index)] : nullptr;
}

uint16_t TSelectionPanel::GetSelectedCode() const {
  const TObjectRef* ref = GetSelected();
  const TMdmMap* map = ref ? object_refs::MapOf(*ref) : nullptr;
  return map ? map->GetObjectCode(ref->object) : 0;
}

TMdmMap* TSelectionPanel::SelectedWorkingMap(const TObjectRef** out) const {
  const TObjectRef* ref = GetSelected();
  if (out) *out = ref;
  if (!ref || !g_MapView.IsWorkingMap(ref->map)) return nullptr;
  return object_refs::MapOf(*ref);
}

void TSelectionPanel::OnSelectionChange() {
  const TObjectRef* ref = GetSelected();
  const int editing[3] = {kDelete, kMove, kType};
  if (!ref) {
    for (int b : editing) buttons[b].SetState(TSoftButton::kDisabled, true);
    return;
  }
  g_MapView.ClearHighlights();
  g_MapView.AddHighlight(*ref);
  g_VertexEditBar.SetObject(*ref);
  ProgramHost().InvalidateMainView(0);
  const bool working = g_MapView.IsWorkingMap(ref->map) != 0;
  for (int b : editing)
    buttons[b].SetState(working ? TSoftButton::kEnable : TSoftButton::kDisabled, true);
  g_VertexEditBar.SetEnabled(working ? 1 : 0);
}

void TSelectionPanel::Select(int index) {
  if (const HWND list = List()) SendMessageW(list, LB_SETCURSEL, WPARAM(index), 0);
  if (index >= 0 && size_t(index) < selection.size()) {
    g_MapView.ClearHighlights();
    g_MapView.AddHighlight(selection[size_t(index)]);
  }
  OnSelectionChange();
  ProgramHost().InvalidateMainView(0);
}

bool TSelectionPanel::OnCommand(WPARAM wParam) {
  if (LOWORD(wParam) != kList || (HIWORD(wParam) != LBN_SELCHANGE && HIWORD(wParam) != LBN_DBLCLK))
    return false;
  OnSelectionChange();
  return true;
}

void TSelectionPanel::OnPenDown(int x, int y) {
  for (TSoftButton& b : buttons) b.OnPenDown(x, y);
}

void TSelectionPanel::OnPenUp(int x, int y) {
  int clicked = -1;
  for (int i = 0; i < kButtonCount && clicked < 0; ++i)
    if (buttons[i].OnPenUp(x, y)) clicked = i;
  switch (clicked) {
    case kAttributes:
      if (const TObjectRef* ref = GetSelected()) {
        const TObjectRef chosen = *ref;  // the form may change the list under it
        ShowObjectForm(parent, instance, chosen, nullptr, nullptr);
      }
      break;
    case kClose:
      Show(0);
      ProgramHost().InvalidateMainView(1);
      break;
    case kDelete:
      OnDeleteButton();
      break;
    case kVertices:
      OnVerticesButton();
      break;
    case kMove:
      OnMoveButton();
      break;
    case kType:
      OnTypeButton();
      break;
    default:
      break;
  }
}

void TSelectionPanel::OnDeleteButton() {
  const TObjectRef* ref = nullptr;
  TMdmMap* map = SelectedWorkingMap(&ref);
  if (!map) return;
  const LRESULT index = SendMessageW(List(), LB_GETCURSEL, 0, 0);
  if (MessageBoxW(window, g_Lang.GetText(lang_id::kMsgDelConf), g_Lang.GetText(lang_id::kMsgConf),
                  MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  // The box pumped messages: the entry must still be the one asked about.
  if (index < 0 || size_t(index) >= selection.size() ||
      !TObjectRef::IsSameObject(selection[size_t(index)], *ref))
    return;
  map->DeleteObject(selection[size_t(index)].object);
  SendMessageW(List(), LB_DELETESTRING, WPARAM(index), 0);
  selection.erase(selection.begin() + index);
  g_MapView.ClearHighlights();
  if (g_MapView.workingLayer) g_MapView.workingLayer->SetModified();
  ProgramHost().InvalidateMainView(1);
}

void TSelectionPanel::OnVerticesButton() {
  if (!buttons[kVertices].IsDown()) {
    g_VertexEditBar.Show(0);
    ProgramHost().InvalidateMainView(1);
    return;
  }
  SetInputMode(input_mode::kNormal);
  const TObjectRef* selected = GetSelected();
  bool ok = selected && object_refs::MapOf(*selected);
  if (ok && !g_MapView.IsWorkingMap(selected->map)) {
    const TObjectRef source = *selected;
    ok = CopyToWorkMap(source);
    selected = GetSelected();
  }
  if (!ok || !selected) {
    buttons[kVertices].SetState(TSoftButton::kUp, true);
    return;
  }
  if (buttons[kMove].IsDown()) buttons[kMove].SetState(TSoftButton::kUp, true);
  g_VertexEditBar.SetObject(*selected);
  g_VertexEditBar.Show(1);
  RECT rc{};
  GetWindowRect(window, &rc);
  POINT bottom{rc.left, rc.bottom};
  ScreenToClient(parent, &bottom);
  g_VertexEditBar.MoveTo(bottom.y);
  ProgramHost().InvalidateMainView(1);  // the map area starts below the bar now
}

void TSelectionPanel::OnMoveButton() {
  if (!buttons[kMove].IsDown()) {
    SetInputMode(input_mode::kNormal);
    return;
  }
  g_VertexEditBar.Show(0);
  if (buttons[kVertices].IsDown()) buttons[kVertices].SetState(TSoftButton::kUp, true);
  SetInputMode(input_mode::kSelection);
  const TObjectRef* ref = nullptr;
  TMdmMap* map = SelectedWorkingMap(&ref);
  if (!map || (map->GetObjectCode(ref->object) & 7) != mdm::kKindPoint) return;
  TMapPoint first{}, second{};
  map->GetObjectBounds(ref->object, &first, &second);
  if (!SameCorners(first, second)) return;
  SetMarkAt(map, first);
}

void TSelectionPanel::OnTypeButton() {
  const TObjectRef* ref = nullptr;
  TMdmMap* map = SelectedWorkingMap(&ref);
  if (!map) return;
  const TObjectRef chosen = *ref;
  const uint16_t current = map->GetObjectCode(chosen.object);
  const uint16_t code = ChooseObjectType(window, instance, current, 0);
  // A retype keeps the object's kind: a point given a line code would be lost at the save.
  if (code == current || code == 0 || (code & 7) != (current & 7) || !object_refs::MapOf(chosen))
    return;
  TUserLayer* layer = g_MapView.workingLayer;
  if (!layer || layer->GetMap() != map || !layer->SetObjectCode(chosen.object, code)) return;
  // The line names the type: it is written again with the new one.
  const HWND list = List();
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  std::wstring line;
  if (index >= 0 && object_refs::Describe(chosen, &line)) {
    SendMessageW(list, LB_DELETESTRING, WPARAM(index), 0);
    SendMessageW(list, LB_INSERTSTRING, WPARAM(index), LPARAM(line.c_str()));
    SendMessageW(list, LB_SETCURSEL, WPARAM(index), 0);
  }
  ProgramHost().InvalidateMainView(1);
}

bool TSelectionPanel::CopyToWorkMap(const TObjectRef& ref) {
  if (MessageBoxW(window, g_Lang.GetText(lang_id::kMsgCopyToWMConf),
                  g_Lang.GetText(lang_id::kMsgConf), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return false;
  TMdmMap* source = object_refs::MapOf(ref);
  std::vector<const TMdmMap*> maps;
  for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i) maps.push_back(g_MapView.GetVectorMap(i));
  if (!source || !ProgramHost().EnsureWorkingMap()) return false;
  // Choosing a working map may have reordered or removed the project's maps under the list's
  // indexes (a new map may only have joined at the end): the panel then closes.
  for (size_t i = 0; i < maps.size(); ++i) {
    if (g_MapView.GetVectorMap(int(i)) != maps[i]) {
      Show(0);
      return false;
    }
  }
  if (!visible) return false;
  const int workIndex = g_MapView.GetVectorMapCount() - 1;
  TMdmMap* work = g_MapView.GetVectorMap(workIndex);
  if (!work || !g_MapView.IsWorkingMap(workIndex) || work == source) return false;
  const int32_t copied = work->CopyObjectFrom(source, ref.object);
  if (copied <= 0) return false;
  // The copy keeps only what lies inside the working map; nobody edits a truncated object. An
  // open ring gains its closing vertex, so it must come out one longer than its source.
  const TMapObject& s = source->objects[ref.object];
  const TMapObject& c = work->objects[copied];
  bool whole;
  if ((s.code & 7) == mdm::kKindPoint) {
    whole = work->IsInside(c.box[0], c.box[1]) && work->IsInside(c.box[2], c.box[3]);
  } else {
    int32_t expected = s.vertexCount > 0 && s.vertices ? s.vertexCount : 0;
    if ((s.code & 7) == mdm::kKindArea && expected > 1 &&
        !SameCorners(s.vertices[0], s.vertices[expected - 1]))
      ++expected;
    whole = c.vertexCount == expected;
  }
  if (!whole) {
    work->DeleteObject(uint16_t(copied));
    return false;
  }
  if (g_MapView.workingLayer) g_MapView.workingLayer->SetModified();
  TObjectRef copy;
  copy.map = workIndex;
  copy.object = uint16_t(copied);
  std::wstring line;
  object_refs::Describe(copy, &line);
  SendMessageW(List(), LB_ADDSTRING, 0, LPARAM(line.c_str()));
  selection.push_back(copy);
  Select(int(selection.size()) - 1);
  return true;
}

void TSelectionPanel::SetMarkAt(TMdmMap* map, TMapPoint point) {
  reference = point;
  TMarker mark;
  map->MapToViewPlane(point.x, point.y, &mark.x, &mark.y);  // marks lie in the view's plane
  SetMark(g_MapView, mark);
  markerIndex = 0;
  ProgramHost().InvalidateMainView(0);
}

int TSelectionPanel::OnMapMouse(HWND mainWindow, int x, int y, UINT message) {
  if (message != WM_LBUTTONDOWN) return 0;
  const bool hold = IsTapAndHold(mainWindow, x, y);
  const TObjectRef* ref = nullptr;
  TMdmMap* map = SelectedWorkingMap(&ref);
  TMarker current;
  const bool marked = GetCurrentMark(g_MapView, &current) != 0;
  if (hold) {
    if (!map) return 0;
    const TMapObject& o = map->objects[ref->object];
    const int hit = HitPointObject(*map, x, y, ref->object, kTolerance);
    if (hit >= 0) {
      if ((o.code & 7) == mdm::kKindPoint)
        SetMarkAt(map, hit == 0 ? TMapPoint{o.box[0], o.box[1]} : TMapPoint{o.box[2], o.box[3]});
      else if (hit < o.vertexCount && o.vertices)
        SetMarkAt(map, o.vertices[hit]);
      return 1;
    }
    TMapPoint foot{};
    if (FindNearestVertex(*map, x, y, ref->object, kTolerance, &foot) >= 0) SetMarkAt(map, foot);
    return 1;
  }
  if (!marked || !map) {
    ProgramHost().CenterViewAt(x, y);
    return 1;
  }
  ClearMarks(g_MapView);
  markerIndex = -1;
  int32_t tx = 0, ty = 0;
  map->ScreenToMap(x, y, &tx, &ty);
  const int64_t dx = int64_t(tx) - reference.x, dy = int64_t(ty) - reference.y;
  const uint16_t index = ref->object;
  const TMapObject& o = map->objects[index];
  int moved = 0;
  if ((o.code & 7) == mdm::kKindPoint) {
    moved = map->MovePointCorners(index, Offset(o.box[0], dx), Offset(o.box[1], dy),
                                  Offset(o.box[2], dx), Offset(o.box[3], dy));
  } else if (o.vertices && o.vertexCount > 0) {
    TPointBuf points;
    if (points.Alloc(o.vertexCount)) {
      for (int32_t i = 0; i < o.vertexCount; ++i)
        points.points[i] = {Offset(o.vertices[i].x, dx), Offset(o.vertices[i].y, dy)};
      points.count = o.vertexCount;
      moved = map->ReplaceObjectVertices(index, &points);
    }
  }
  if (moved && g_MapView.workingLayer) g_MapView.workingLayer->SetModified();
  ProgramHost().InvalidateMainView(0);
  return 1;
}
