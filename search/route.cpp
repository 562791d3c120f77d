#include "search/route.h"

#include <algorithm>
#include <cmath>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "maps/mdm_map.h"
#include "view/map_pick.h"
#include "view/map_view.h"

namespace {

constexpr int kLineKind = 2;
constexpr COLORREF kRouteColour = RGB(255, 0, 0);
constexpr int kRoutePenWidth = 3;  // pixels
constexpr int kRouteDialog = 152;

double Distance(TMapPoint a, TMapPoint b) {
  return std::hypot(double(a.x) - double(b.x), double(a.y) - double(b.y));
}

INT_PTR CALLBACK RouteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  ProgramHost().ReportUserInput();
  if (message == WM_INITDIALOG) {
    SHINITDLGINFO info{};
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;
    SHInitDialog(&info);
    g_Lang.TranslateDialog(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    // Done (1), 3 and the cancel key end the dialog; the other controls have no action.
    if (id == IDOK || id == 3 || id == IDCANCEL) {
      EndDialog(dialog, id);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

TRoute::~TRoute() {
  graph.Close();
  Clear();
  bound = 0;
  held = false;
}

TMdmMap* TRoute::RoadMap() const {
  if (!view || !held || roadMapName.empty() || !view->FindVectorMapByName(roadMapName.c_str()))
    return nullptr;
  const int index = view->foundMap;
  TMdmMap* map = view->GetVectorMap(index);
  // Both flags keep every object's geometry loaded; the working map already keeps its own and
  // must stay the working map, so it gets no keep-all flag. A map opened anew since the bind
  // (the project opened again) has neither, and gets them here, at its first use.
  if (map && !map->IsWorkingMap() && !map->loadAll) {
    view->LoadVectorMapObjects(index);
    map->working = 1;
    map->loadAll = 1;
    map->LoadVisibleObjects();
  }
  return map;
}

int TRoute::Bind(const char* roadMap, const char* graphPath) {
  SetWaitCursor(1);
  bound = 0;
  held = false;
  const int64_t opened = graph.Open(graphPath ? graphPath : "");
  if (opened >= kRouteNotOpened && opened <= kRouteDamaged) {
    // A graph that does not read is bound to nothing: route taps would draw nothing, unsaid.
    roadMapName.clear();
    SetWaitCursor(0);
    const int32_t text =
        opened == kRouteNotOpened ? lang_id::kMsgOpenFileErr : lang_id::kMsgBadFileFormat;
    MessageBoxW(ProgramHost().MainWindow(), g_Lang.GetText(text), nullptr, MB_OK);
    return int(opened);
  }
  roadMapName = roadMap ? roadMap : "";
  if (roadMapName.size() > 255) roadMapName.resize(255);
  held = true;
  bound = RoadMap() ? 1 : 0;
  SetWaitCursor(0);
  // Route taps would be refused without a word: say now that the graph names no map.
  if (!bound) MessageBoxW(ProgramHost().MainWindow(), FailureText(TRouteFailure::kNoRoadMap).c_str(), nullptr, MB_OK);
  return 0;
}

std::wstring TRoute::FailureText(TRouteFailure why) const {
  switch (why) {
    case TRouteFailure::kNone: return {};
    case TRouteFailure::kNoRoad: return g_Lang.GetText(lang_id::kMsgRouteNoRoad);
    case TRouteFailure::kNotInGraph: return g_Lang.GetText(lang_id::kMsgRouteNoNode);
    case TRouteFailure::kNoPath: return g_Lang.GetText(lang_id::kMsgRouteNotFound);
    case TRouteFailure::kNoGraph: return g_Lang.GetText(lang_id::kMsgRouteNoGraph);
    case TRouteFailure::kNoRoadMap:
      return FormatLangText(lang_id::kMsgRouteNoMapS, AnsiToWideString(roadMapName).c_str());
  }
  return {};
}

TRouteFailure TRoute::FindRoadNode(double x, double y, double limitMetres, int32_t* node) const {
  if (!held) return TRouteFailure::kNoGraph;
  TMdmMap* map = RoadMap();
  if (!map) return TRouteFailure::kNoRoadMap;
  const double unit = map->UnitMetres();
  const double limit = limitMetres < 0 ? double(kRoadSearchRadius)
                       : unit > 0      ? limitMetres / unit
                                       : 0.0;
  const int32_t road = FindNearestObjectOfKind(*map, kLineKind, x, y, limit);
  if (road == kNoObject) return TRouteFailure::kNoRoad;
  *node = graph.FindNode(road);
  return *node < 0 ? TRouteFailure::kNotInGraph : TRouteFailure::kNone;
}

int TRoute::Compute(double startX, double startY, double endX, double endY, int /*options*/,
                    double limitMetres) {
  int32_t startNode = -1, endNode = -1;
  failure = FindRoadNode(startX, startY, limitMetres, &startNode);
  if (failure == TRouteFailure::kNone) failure = FindRoadNode(endX, endY, limitMetres, &endNode);
  if (failure != TRouteFailure::kNone) return 0;
  TMdmMap* map = RoadMap();
  failure = TRouteFailure::kNoPath;
  if (!graph.FindPath(startNode, 1, endNode, 1, &path_)) return 0;

  // The roads of the path that have vertices, in path order.
  std::vector<const TMapObject*> roads;
  roads.reserve(path_.size());
  for (int32_t node : path_) {
    const int32_t id = graph.GetNodeId(node);
    if (id < 0 || id >= map->count) continue;
    const TMapObject& o = map->objects[id];
    if (o.vertexCount > 0 && o.vertices) roads.push_back(&o);
  }
  if (roads.empty()) return 0;  // nothing to draw: as good as no path

  vertices_.clear();
  auto appendRange = [this](const TMapObject& o, bool reversed, bool dropFirst) {
    const int32_t n = o.vertexCount;
    for (int32_t k = dropFirst ? 1 : 0; k < n; ++k) vertices_.push_back(o.vertices[reversed ? n - 1 - k : k]);
  };
  const TMapObject& first = *roads[0];
  bool reversed = false;
  if (roads.size() > 1) {
    const TMapObject& second = *roads[1];
    const TMapPoint s0 = second.vertices[0], s1 = second.vertices[second.vertexCount - 1];
    const TMapPoint f0 = first.vertices[0], f1 = first.vertices[first.vertexCount - 1];
    reversed = std::min(Distance(f0, s0), Distance(f0, s1)) < std::min(Distance(f1, s0), Distance(f1, s1));
  }
  appendRange(first, reversed, false);
  for (size_t r = 1; r < roads.size(); ++r) {
    const TMapObject& o = *roads[r];
    const TMapPoint join = vertices_.back();
    const TMapPoint v0 = o.vertices[0], v1 = o.vertices[o.vertexCount - 1];
    const bool forward = Distance(v0, join) <= Distance(v1, join);
    const TMapPoint head = forward ? v0 : v1;
    appendRange(o, !forward, head.x == join.x && head.y == join.y);
  }

  std::vector<TRoutePoint> route(vertices_.size());
  for (size_t i = 0; i < vertices_.size(); ++i)
    map->MapToViewPlane(vertices_[i].x, vertices_[i].y, &route[i].x, &route[i].y);
  points = std::move(route);
  failure = TRouteFailure::kNone;
  return 1;
}

void TRoute::Clear() {
  points.clear();
  points.shrink_to_fit();
}

void TRoute::Draw(const RECT& viewRect, HDC dc) const {
  if (points.empty() || !view || !dc) return;
  std::vector<POINT> pixels(points.size());
  for (size_t i = 0; i < points.size(); ++i) {
    int32_t sx, sy;
    view->PlaneToScreen(points[i].x, points[i].y, &sx, &sy, 1);
    pixels[i] = {sx, sy};
  }
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, viewRect.left, viewRect.top, viewRect.right, viewRect.bottom);
  HPEN pen = CreatePen(PS_SOLID, kRoutePenWidth, kRouteColour);
  HGDIOBJ old = SelectObject(dc, pen);
  Polyline(dc, pixels.data(), int(std::min<size_t>(pixels.size(), INT32_MAX)));
  SelectObject(dc, old);
  DeleteObject(pen);
  RestoreDC(dc, saved);
}

int RunRouteDialog() {
  return int(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kRouteDialog),
                             ProgramHost().MainWindow(), RouteDialogProc, 0));
}
