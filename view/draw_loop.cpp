#include "view/draw_loop.h"

#include <new>
#include <vector>

#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "maps/mdm_format.h"
#include "maps/mdm_map.h"
#include "view/clip.h"
#include "view/labels.h"
#include "view/render_object.h"
#include "view/render_state.h"
#include "view/view_math.h"

namespace {

constexpr uint8_t kVisible = TMapObject::kInView | TMapObject::kPassesLevel;

bool Visible(const TMapObject& o) { return (o.flags & kVisible) == kVisible; }

// A point for marks and highlights: kind 1, or any object whose vertex array holds exactly one
// vertex (a one-vertex line has no segment to draw).
bool CountsAsPoint(const TMapObject& o) {
  return o.kind == mdm::kKindPoint || (o.vertices && o.vertexCount == 1);
}

void Circle(HDC dc, POINT c, int r) {
  Ellipse(dc, view::ClampI32(int64_t(c.x) - r), view::ClampI32(int64_t(c.y) - r),
          view::ClampI32(int64_t(c.x) + r), view::ClampI32(int64_t(c.y) + r));
}

POINT ToScreen(const TMdmMap* map, int32_t x, int32_t y) {
  int32_t sx, sy;
  map->MapToScreen(x, y, &sx, &sy);
  return {sx, sy};
}

bool ScreenVertices(const TMdmMap* map, const TMapObject& o, std::vector<POINT>& pts) {
  try {
    pts.resize(size_t(o.vertexCount) + 2);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t i = 0; i < o.vertexCount; ++i) pts[size_t(i)] = ToScreen(map, o.vertices[i].x, o.vertices[i].y);
  return true;
}

// Vertices that get small marks: all but the first, and for an area not the closing repeat.
int32_t MarkedVertexEnd(const TMapObject& o) {
  return o.kind == mdm::kKindArea ? o.vertexCount - 1 : o.vertexCount;
}

int DrawObject(TMdmMap* map, HDC dc, TMapObject& o, uint16_t index) {
  switch (o.kind) {
    case mdm::kKindPoint: DrawPointObject(map, dc, &o); return 0;
    case mdm::kKindLine:
    case mdm::kKindArea: return DrawLineAreaObject(map, dc, &o, index);
    case mdm::kKindText: return DrawTextObject(map, dc, &o);
    default: return 0;
  }
}

}  // namespace

int DrawVectorMap(TMdmMap* map, HDC dc, int byKind) {
  if (!map || !map->loaded) return 0;
  const double unit = map->UnitMetres();
  TMapDrawState& state = MapDrawState(map);
  state.symbolScale =
      unit > 0.0 ? float(double(map->nominalScale) * map->pixelScale / unit / 1000.0) : 0.0f;
  SetClipWindow(map->viewLeft, map->viewTop, map->viewRight, map->viewBottom);
  TBkModeScope transparent(dc, TRANSPARENT);
  int result = 0;
  const int32_t count = map->count;
  if (byKind) {
    static const uint8_t kOrder[4] = {mdm::kKindArea, mdm::kKindLine, mdm::kKindPoint,
                                      mdm::kKindText};
    for (uint8_t kind : kOrder)
      for (int32_t i = 0; i < count; ++i) {
        TMapObject& o = map->objects[i];
        if (o.kind == kind && Visible(o)) DrawObject(map, dc, o, uint16_t(i));
      }
  } else {
    for (int32_t i = 0; i < count && result == 0; ++i) {
      TMapObject& o = map->objects[i];
      if (Visible(o)) result = DrawObject(map, dc, o, uint16_t(i));
    }
  }
  if (state.marking)
    for (int32_t i = 0; i < count; ++i)
      if (Visible(map->objects[i])) DrawVertexMarks(map, dc, &map->objects[i]);
  if (map->IsWorkingMap()) DrawMapExtentFrame(map, dc);
  return result;
}

void DrawMapExtentFrame(TMdmMap* map, HDC dc) {
  TGdiSelection pen(dc, CreatePen(PS_SOLID, 3, RGB(0, 0, 0)), true);
  const POINT a = ToScreen(map, map->extXMin, map->extYMin);  // (min x, min y)
  const POINT b = ToScreen(map, map->extXMin, map->extYMax);
  const POINT c = ToScreen(map, map->extXMax, map->extYMax);
  const POINT d = ToScreen(map, map->extXMax, map->extYMin);
  DrawClippedLine(dc, a.x, a.y, b.x, b.y);
  DrawClippedLine(dc, b.x, b.y, c.x, c.y);
  DrawClippedLine(dc, d.x, d.y, c.x, c.y);
  DrawClippedLine(dc, d.x, d.y, a.x, a.y);
}

int DrawVertexMarks(TMdmMap* map, HDC dc, TMapObject* o) {
  if (!map || !o) return 0;
  TGdiSelection pen(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), true);
  TGdiSelection brush(dc, GetStockObject(WHITE_BRUSH), false);
  if (CountsAsPoint(*o)) {
    Circle(dc, ToScreen(map, o->box[0], o->box[1]), 3);
    if (o->box[0] != o->box[2] || o->box[1] != o->box[3])
      Circle(dc, ToScreen(map, o->box[2], o->box[3]), 2);
    return 0;
  }
  if (!o->vertices || o->vertexCount <= 0) return 0;
  std::vector<POINT> pts;
  if (!ScreenVertices(map, *o, pts)) return 3;
  Circle(dc, pts[0], 3);
  const int32_t end = MarkedVertexEnd(*o);
  for (int32_t i = 1; i < end; ++i) {
    const POINT& p = pts[size_t(i)];
    if (p.x >= map->viewLeft && p.x <= map->viewRight && p.y >= map->viewTop &&
        p.y <= map->viewBottom)
      Circle(dc, p, 2);
  }
  return 0;
}

int DrawSelectedObject(TMdmMap* map, HDC dc, uint16_t index, const char tag[4], int showVertices,
                       int currentVertex) {
  if (!map || !map->IsValidObjectIndex(index)) return 0;
  TMapObject& o = map->objects[index];
  const COLORREF red = RGB(255, 0, 0);
  if (CountsAsPoint(o)) {
    const POINT p = ToScreen(map, o.box[0], o.box[1]);
    const int64_t x = p.x, y = p.y;
    TGdiSelection hollow(dc, GetStockObject(NULL_BRUSH), false);
    {
      TGdiSelection pen(dc, CreatePen(PS_DASH, 3, red), true);
      Circle(dc, p, 8);
    }
    {
      TGdiSelection pen(dc, CreatePen(PS_DASH, 1, red), true);
      auto c = view::ClampI32;
      DrawLine(dc, c(x - 8), c(y), c(x - 2), c(y));
      DrawLine(dc, c(x + 8), c(y), c(x + 2), c(y));
      DrawLine(dc, c(x), c(y - 8), c(x), c(y - 2));
      DrawLine(dc, c(x), c(y + 8), c(x), c(y + 2));
    }
    if (showVertices) {
      TGdiSelection pen(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), true);
      const POINT second = ToScreen(map, o.box[2], o.box[3]);
      if (currentVertex == 0 || currentVertex == 1) {
        TGdiSelection fill(dc, CreateSolidBrush(red), true);
        Circle(dc, currentVertex == 0 ? p : second, 5);
      }
      TGdiSelection white(dc, GetStockObject(WHITE_BRUSH), false);
      Circle(dc, p, 3);
      if (o.box[0] != o.box[2] || o.box[1] != o.box[3]) Circle(dc, second, 2);
    }
    if (tag) {
      wchar_t wide[8] = {};
      size_t len = 0;
      while (len < 4 && tag[len]) ++len;
      const int n = AnsiToWide(wide, tag, int(len), 8);
      if (n > 0) {
        LOGFONTW lf{};
        lf.lfHeight = 14;
        lf.lfWeight = FW_BOLD;
        wcscpy(lf.lfFaceName, L"Arial");
        TGdiSelection font(dc, CreateFontIndirectW(&lf), true);
        TBkModeScope transparent(dc, TRANSPARENT);
        const COLORREF old = SetTextColor(dc, red);
        ExtTextOutW(dc, view::ClampI32(x + 8), view::ClampI32(y - 20), 0, nullptr, wide, UINT(n),
                    nullptr);
        SetTextColor(dc, old);
      }
    }
    return 0;
  }
  if (!o.vertices || o.vertexCount <= 0) return 0;
  std::vector<POINT> pts;
  if (!ScreenVertices(map, o, pts)) return 3;
  {
    TGdiSelection pen(dc, CreatePen(PS_SOLID, 4, red), true);
    DrawClippedPolyline(dc, pts.data(), o.vertexCount);
  }
  if (showVertices) {
    TGdiSelection pen(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), true);
    if (currentVertex >= 0 && currentVertex < o.vertexCount) {
      TGdiSelection fill(dc, CreateSolidBrush(red), true);
      Circle(dc, pts[size_t(currentVertex)], 5);
    }
    TGdiSelection white(dc, GetStockObject(WHITE_BRUSH), false);
    Circle(dc, pts[0], 3);
    const int32_t end = MarkedVertexEnd(o);
    for (int32_t i = 1; i < end; ++i) Circle(dc, pts[size_t(i)], 2);
  }
  return 0;
}
