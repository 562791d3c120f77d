#include "edit/vertex_edit_bar.h"

#include <algorithm>

#include "base/input_mode.h"
#include "base/program_host.h"
#include "base/ui/panel_window.h"
#include "base/ui/shell_utils.h"
#include "edit/button_strip.h"
#include "edit/dialog_common.h"
#include "edit/object_refs.h"
#include "edit/vertex_edits.h"
#include "maps/mdm_format.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "view/map_pick.h"
#include "view/map_view.h"

namespace {

// Place and bitmap of each button, in mode order 1 to 4: radio toggles of one group.
constexpr button_strip::ButtonDef kButtons[4] = {
    {24, 2, TVertexEditBar::kBitmapDelete, TSoftButton::kGroupToggle},
    {2, 2, TVertexEditBar::kBitmapMove, TSoftButton::kGroupToggle},
    {46, 2, TVertexEditBar::kBitmapRedraw, TSoftButton::kGroupToggle},
    {68, 2, TVertexEditBar::kBitmapExtend, TSoftButton::kGroupToggle}};

uint8_t KindOf(const TMdmMap* map, uint16_t object) {
  return uint8_t(map->GetObjectCode(object) & 7);
}

vertex_edits::Vertices ReadVertices(const TMdmMap* map, uint16_t object) {
  vertex_edits::Vertices list;
  if (!map->IsValidObjectIndex(object)) return list;
  const TMapObject& o = map->objects[object];
  if (o.vertices && o.vertexCount > 0) list.assign(o.vertices, o.vertices + o.vertexCount);
  return list;
}

void Centre(int x, int y) { ProgramHost().CenterViewAt(x, y); }

}  // namespace

TVertexEditBar::~TVertexEditBar() { button_strip::FreeBitmaps(bitmaps, 4); }

HWND TVertexEditBar::Create(HWND mainWindow, HINSTANCE inst) {
  instance = inst;
  window = CreateDialogParamW(inst, MAKEINTRESOURCEW(kTemplate), mainWindow,
                              button_strip::Proc<TVertexEditBar, g_VertexEditBar>, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  TSoftButton* group[4] = {&buttons[0], &buttons[1], &buttons[2], &buttons[3]};
  button_strip::SetUp(window, inst, kButtons, 4, buttons, bitmaps, group, 4);
  return window;
}

void TVertexEditBar::Paint(HDC dc) const { button_strip::Paint(window, dc, false, buttons, 4); }

void TVertexEditBar::Show(int on) {
  if (!window) return;
  TUserLayer* layer = g_MapView.workingLayer;
  if (on) {
    // The indexes held here must survive a regrouping save while the bar is up.
    if (!shown && layer) layer->Pin();
    shown = 1;
    ShowWindow(window, SW_SHOW);
    DeleteSketch();
    for (TSoftButton& b : buttons) b.SetState(TSoftButton::kUp, true);
    mode = kNone;
    if (GetInputMode() == input_mode::kVertexEdit) SetInputMode(input_mode::kNormal);
    g_MapView.showVertices = 1;
    g_MapView.currentVertex = -1;
    ProgramHost().InvalidateMainView(0);
    return;
  }
  const int was = shown;
  shown = 0;
  ShowWindow(window, SW_HIDE);
  if (!was) return;
  mode = kNone;
  g_MapView.showVertices = 0;
  g_MapView.currentVertex = -1;
  ProgramHost().InvalidateMainView(0);
  SetInputMode(input_mode::kNormal);
  DeleteSketch();
  if (layer) {
    layer->Save(0);
    layer->Unpin();
  }
}

void TVertexEditBar::SetObject(const TObjectRef& ref) {
  if (!TObjectRef::IsSameObject(ref, object)) {
    // The sketch and the pick belong to the object they were made on.
    DeleteSketch();
    g_MapView.currentVertex = -1;
  }
  object = ref;
}

void TVertexEditBar::SetEnabled(int flag) {
  if (!shown) return;
  if (!flag) ReleaseMode();
  for (TSoftButton& b : buttons)
    b.SetState(flag ? TSoftButton::kEnable : TSoftButton::kDisabled, true);
  g_MapView.showVertices = flag ? 1 : 0;
}

void TVertexEditBar::MoveTo(int y) { panel_window::MoveTop(window, y); }

int TVertexEditBar::GetHeight() const { return shown ? panel_window::Height(window) : 0; }

int TVertexEditBar::GetCurrentPoint(double* x, double* y) const {
  if (pointX == 0 || pointY == 0) return 0;
  if (x) *x = pointX;
  if (y) *y = pointY;
  return 1;
}

void TVertexEditBar::OnPenDown(int x, int y) {
  for (TSoftButton& b : buttons) b.OnPenDown(x, y);
}

void TVertexEditBar::OnPenUp(int x, int y) {
  for (int i = 0; i < 4; ++i) {
    if (!buttons[i].OnPenUp(x, y)) continue;
    const int next = buttons[i].IsDown() ? i + 1 : kNone;
    if (next != mode) DeleteSketch();
    mode = next;
    g_MapView.currentVertex = -1;
    break;
  }
  if (mode != kNone) {
    SetInputMode(input_mode::kVertexEdit);
  } else {
    ProgramHost().InvalidateMainView(0);
    SetInputMode(input_mode::kNormal);
  }
}

void TVertexEditBar::ReleaseMode() {
  DeleteSketch();
  for (TSoftButton& b : buttons)
    if (b.IsDown()) b.SetState(TSoftButton::kUp, true);
  g_MapView.currentVertex = -1;
  if (mode != kNone && GetInputMode() == input_mode::kVertexEdit)
    SetInputMode(input_mode::kNormal);
  mode = kNone;
}

TMdmMap* TVertexEditBar::ObjectMap() const { return object_refs::MapOf(object); }

TMdmMap* TVertexEditBar::EditableMap() const {
  TMdmMap* map = ObjectMap();
  return map && g_MapView.IsWorkingMap(object.map) ? map : nullptr;
}

void TVertexEditBar::MarkModified() {
  if (g_MapView.workingLayer) g_MapView.workingLayer->SetModified();
  ProgramHost().InvalidateMainView(0);
}

int TVertexEditBar::WriteVertices(TMdmMap* map, const std::vector<TMapPoint>& list) {
  if (list.empty()) return 0;
  TPointBuf points;
  if (!points.Alloc(int32_t(list.size()))) return 0;
  std::copy(list.begin(), list.end(), points.points);
  points.count = int32_t(list.size());
  if (!map->ReplaceObjectVertices(object.object, &points)) return 0;
  MarkModified();
  return 1;
}

void TVertexEditBar::DeleteSketch() {
  if (sketch) {
    TMdmMap* map = g_MapView.GetVectorMap(object.map);
    if (map && g_MapView.IsWorkingMap(object.map)) map->DeleteObject(sketch);
    ProgramHost().InvalidateMainView(0);
  }
  sketch = 0;
  startVertex = -1;
}

int32_t TVertexEditBar::VertexUnderStylus(TMdmMap* map, int x, int y) {
  if (!map) return -1;
  const int i = HitPointObject(*map, x, y, object.object, kTolerance);
  if (i < 0) return -1;
  const TMapObject& o = map->objects[object.object];
  if ((o.code & 7) == mdm::kKindPoint)
    picked = i == 0 ? TMapPoint{o.box[0], o.box[1]} : TMapPoint{o.box[2], o.box[3]};
  else if (i < o.vertexCount && o.vertices)
    picked = o.vertices[i];
  return i;
}

int32_t TVertexEditBar::InsertUnderStylus(TMdmMap* map, int x, int y) {
  if (!map || KindOf(map, object.object) == mdm::kKindPoint) return -1;
  TMapPoint foot{0, 0};
  const int segment = FindNearestVertex(*map, x, y, object.object, kTolerance, &foot);
  if (segment < 0) return -1;
  vertex_edits::Vertices list = ReadVertices(map, object.object);
  if (!vertex_edits::InsertVertex(list, KindOf(map, object.object), segment, foot)) return -1;
  if (!WriteVertices(map, list)) return -1;
  picked = foot;
  return segment + 1;
}

int TVertexEditBar::OnMapMouse(HWND mainWindow, int x, int y, UINT message) {
  if (message != WM_LBUTTONDOWN) return 0;
  g_MapView.ScreenToPlane(x, y, &pointX, &pointY, 1);
  const bool hold = IsTapAndHold(mainWindow, x, y);
  switch (mode) {
    case kDelete:
      OnDelete(mainWindow, x, y, hold);
      break;
    case kMove:
      OnMove(mainWindow, x, y, hold);
      break;
    case kRedraw:
      OnRedraw(mainWindow, x, y, hold);
      break;
    case kExtend:
      OnExtend(mainWindow, x, y, hold);
      break;
    default:
      if (!hold) Centre(x, y);
      return 0;
  }
  ProgramHost().InvalidateMainView(0);
  return 1;
}

void TVertexEditBar::OnDelete(HWND, int x, int y, bool hold) {
  const int32_t i = VertexUnderStylus(ObjectMap(), x, y);
  if (i < 0) {
    Centre(x, y);
    return;
  }
  if (hold) {
    g_MapView.currentVertex = i;
    return;
  }
  TMdmMap* map = EditableMap();
  if (i != g_MapView.currentVertex || !map) return;
  const uint16_t index = object.object;
  if (KindOf(map, index) == mdm::kKindPoint) {
    TMapPoint corners[2];
    map->GetObjectBounds(index, &corners[0], &corners[1]);
    if (vertex_edits::DeletePointCorner(corners, i) &&
        map->MovePointCorners(index, corners[0].x, corners[0].y, corners[1].x, corners[1].y))
      MarkModified();
  } else {
    vertex_edits::Vertices list = ReadVertices(map, index);
    if (vertex_edits::DeleteVertex(list, KindOf(map, index), i)) WriteVertices(map, list);
  }
  g_MapView.currentVertex = -1;
}

void TVertexEditBar::OnMove(HWND, int x, int y, bool hold) {
  if (hold) {
    int32_t i = VertexUnderStylus(ObjectMap(), x, y);
    if (i < 0) i = InsertUnderStylus(EditableMap(), x, y);
    g_MapView.currentVertex = i;
    return;
  }
  const int32_t current = g_MapView.currentVertex;
  if (current < 0) {
    Centre(x, y);
    return;
  }
  TMdmMap* map = EditableMap();
  if (!map) return;
  const uint16_t index = object.object;
  int32_t mx = 0, my = 0;
  map->ScreenToMap(x, y, &mx, &my);
  if (KindOf(map, index) == mdm::kKindPoint) {
    TMapPoint corners[2];
    map->GetObjectBounds(index, &corners[0], &corners[1]);
    int done = 0;
    if (corners[0].x == corners[1].x && corners[0].y == corners[1].y) {
      done = map->SetPointPosition(index, mx, my, 0);
    } else if (current == 0 || current == 1) {
      corners[current] = {mx, my};
      done = map->MovePointCorners(index, corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    }
    if (done) MarkModified();
    return;
  }
  vertex_edits::Vertices list = ReadVertices(map, index);
  if (vertex_edits::MoveVertex(list, KindOf(map, index), current, {mx, my})) WriteVertices(map, list);
}

void TVertexEditBar::SketchTap(int x, int y) {
  TMdmMap* map = EditableMap();
  if (!map) return;
  int32_t mx = 0, my = 0;
  map->ScreenToMap(x, y, &mx, &my);
  if (!sketch) {
    const int32_t line = map->AddObject(mdm::kKindLine, mdm::kKindLine);
    if (line <= 0) return;
    sketch = uint16_t(line);
    startVertex = g_MapView.currentVertex;
    map->AppendVertex(sketch, picked.x, picked.y);
  }
  map->AppendVertex(sketch, mx, my);
}

bool TVertexEditBar::SketchModeTap(int x, int y, bool hold) {
  TMdmMap* seen = ObjectMap();
  // A point has no outline to redraw or extend: its taps are the ordinary ones.
  if (seen && KindOf(seen, object.object) == mdm::kKindPoint) {
    if (!hold) Centre(x, y);
    return true;
  }
  if (hold) return false;
  if (g_MapView.currentVertex >= 0)
    SketchTap(x, y);
  else
    Centre(x, y);
  return true;
}

void TVertexEditBar::OnRedraw(HWND, int x, int y, bool hold) {
  if (SketchModeTap(x, y, hold)) return;
  TMdmMap* seen = ObjectMap();
  TMdmMap* map = EditableMap();
  int32_t i = VertexUnderStylus(seen, x, y);
  if (i < 0) {
    i = InsertUnderStylus(map, x, y);
    // The insertion shifts the vertices from i on, the sketch's start among them.
    if (i >= 0 && sketch && i <= startVertex) ++startVertex;
  }
  g_MapView.currentVertex = i;
  if (i < 0 || !sketch || !map) return;  // no end found: the sketch waits for the next hold
  const uint16_t index = object.object;
  vertex_edits::Vertices list = ReadVertices(map, index);
  if (startVertex < 0 || startVertex >= int32_t(list.size()) || i >= int32_t(list.size())) return;
  map->AppendVertex(sketch, picked.x, picked.y);
  const vertex_edits::Vertices drawn = ReadVertices(map, sketch);
  if (vertex_edits::ReplaceStretch(list, KindOf(map, index), startVertex, i, drawn))
    WriteVertices(map, list);
  DeleteSketch();
  g_MapView.currentVertex = -1;
}

void TVertexEditBar::OnExtend(HWND, int x, int y, bool hold) {
  if (SketchModeTap(x, y, hold)) return;
  TMdmMap* seen = ObjectMap();
  if (!sketch) {
    const int32_t i = VertexUnderStylus(seen, x, y);
    if (i < 0) return;
    const int32_t last = seen->GetVertexCount(object.object) - 1;
    g_MapView.currentVertex = i == 0 || i == last ? i : -1;
    return;
  }
  TMdmMap* map = EditableMap();
  if (!map) return;
  const uint16_t index = object.object;
  vertex_edits::Vertices list = ReadVertices(map, index);
  const vertex_edits::Vertices drawn = ReadVertices(map, sketch);
  if (vertex_edits::ExtendLine(list, KindOf(map, index), g_MapView.currentVertex == 0, drawn))
    WriteVertices(map, list);
  DeleteSketch();
  g_MapView.currentVertex = -1;
}
