#include "view/point_lists.h"

#include "base/ui/shell_utils.h"
#include "view/draw_loop.h"
#include "view/map_view.h"
#include "view/render_state.h"
#include "view/view_math.h"

TViewLists& ViewLists(TMapView& view) { return view.lists; }
const TViewLists& ViewLists(const TMapView& view) { return view.lists; }

void SetMark(TMapView& view, const TMarker& marker) {
  ClearMarks(view);
  AddMark(view, marker);
}

void AddMark(TMapView& view, const TMarker& marker) {
  TMarkList& marks = ViewLists(view).marks;
  marks.Append(marker);
  view.currentMark = marks.Count() - 1;
}

void ClearMarks(TMapView& view) {
  ViewLists(view).marks.Clear();
  view.currentMark = 0;
}

int GetCurrentMark(const TMapView& view, TMarker* out) {
  const TMarkList& marks = ViewLists(view).marks;
  if (view.currentMark < 0 || view.currentMark >= marks.Count()) return 0;
  if (out) *out = *marks.At(view.currentMark);
  return 1;
}

namespace {

using view::ClampI32;

void Ellipse64(HDC dc, int64_t l, int64_t t, int64_t r, int64_t b) {
  Ellipse(dc, ClampI32(l), ClampI32(t), ClampI32(r), ClampI32(b));
}

void DrawMarks(TMapView& view, HDC dc, const TMarkList& marks) {
  const COLORREF yellow = RGB(255, 255, 0);
  TGdiSelection hollow(dc, GetStockObject(NULL_BRUSH), false);
  for (int32_t i = 0; i < marks.Count(); ++i) {
    const TMarker* m = marks.At(i);
    POINT p;
    view.PlaneToScreenPoint(m->x, m->y, &p);
    const int64_t x = p.x, y = p.y;
    {
      TGdiSelection pen(dc, CreatePen(PS_DASH, 1, yellow), true);
      DrawLine(dc, ClampI32(x - 8), ClampI32(y), ClampI32(x - 2), ClampI32(y));
      DrawLine(dc, ClampI32(x + 8), ClampI32(y), ClampI32(x + 2), ClampI32(y));
      DrawLine(dc, ClampI32(x), ClampI32(y - 8), ClampI32(x), ClampI32(y - 2));
      DrawLine(dc, ClampI32(x), ClampI32(y + 8), ClampI32(x), ClampI32(y + 2));
    }
    TGdiSelection pen(dc, CreatePen(PS_DASH, 3, yellow), true);
    Ellipse64(dc, x - 8, y - 8, x + 8, y + 8);
  }
}

void DrawCalibrationPoints(TMapView& view, HDC dc, const TPointList& points,
                           const TRasterMap& raster) {
  const COLORREF red = RGB(255, 0, 0), yellow = RGB(255, 255, 0);
  TGdiSelection hollow(dc, GetStockObject(NULL_BRUSH), false);
  for (int32_t k = 0; k < points.Count(); ++k) {
    const TListPoint* pt = points.At(k);
    int32_t sx, sy;
    if (view.vectorShown) {
      if (pt->x == 0.0 && pt->y == 0.0) continue;  // not placed on the plane yet
      view.PlaneToScreen(pt->x, pt->y, &sx, &sy, 1);
    } else {
      if (pt->px == TListPoint::kPixelUnset || pt->py == TListPoint::kPixelUnset) continue;
      raster.PixelToScreen(pt->px, pt->py, &sx, &sy);
    }
    const bool current = k == view.currentCalibrationPoint;
    TGdiSelection pen(dc, CreatePen(PS_DASH, current ? 4 : 3, current ? yellow : red), true);
    // The box reaches one pixel further right and down: the device leaves those edges out.
    Ellipse64(dc, int64_t(sx) - 9, int64_t(sy) - 9, int64_t(sx) + 10, int64_t(sy) + 10);
    SetPixel(dc, sx, sy, red);
  }
}

}  // namespace

int DrawHighlights(TMapView& view, HDC dc) {
  // Transparent, so dashed pens look alike after full and partial repaints.
  TBkModeScope transparent(dc, TRANSPARENT);
  const int vectorCount = view.GetVectorMapCount();
  for (const TObjectRef& ref : view.highlights)
    if (ref.map >= 0 && ref.map < vectorCount)
      DrawSelectedObject(view.GetVectorMap(ref.map), dc, ref.object, ref.tag, view.showVertices,
                         view.currentVertex);
  const TViewLists& lists = ViewLists(view);
  if (lists.marks.Count() > 0) DrawMarks(view, dc, lists.marks);
  if (lists.calibrationPoints.Count() > 0 && view.activeRaster >= 0 &&
      view.activeRaster < view.GetRasterMapCount())
    DrawCalibrationPoints(view, dc, lists.calibrationPoints, *view.GetRasterMap(view.activeRaster));
  return 0;
}
