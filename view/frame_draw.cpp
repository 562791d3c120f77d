#include "view/frame_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "view/draw_loop.h"
#include "view/map_view.h"
#include "view/render_state.h"
#include "view/view_math.h"

namespace {

using view::TruncSat;

// A grid never draws more lines than this on one axis: far more than a screen can show.
constexpr int kMaxGridLines = 2000;

struct TPlaneBox {
  double minX, minY, maxX, maxY;
};

// The plane box over the rectangle's corners.
TPlaneBox CornersToPlane(const TMapView& view, int left, int top, int right, int bottom,
                         int useOverride) {
  const int32_t cx[4] = {left, right, left, right};
  const int32_t cy[4] = {bottom, top, top, bottom};
  TPlaneBox b{};
  for (int i = 0; i < 4; ++i) {
    double x, y;
    view.ScreenToPlane(cx[i], cy[i], &x, &y, useOverride);
    if (i == 0 || x < b.minX) b.minX = x;
    if (i == 0 || x > b.maxX) b.maxX = x;
    if (i == 0 || y < b.minY) b.minY = y;
    if (i == 0 || y > b.maxY) b.maxY = y;
  }
  return b;
}

bool InScaleRange(int32_t scale, int32_t minScale, int32_t maxScale) {
  if (minScale != 0 && scale < minScale) return false;
  if (maxScale != 0 && scale > maxScale) return false;
  return true;
}

// The map's frame (X1, Y1, -, X2, Y2, -) meets the view box, bounds included.
bool Overlaps(const double f[6], const TPlaneBox& b) {
  const double cX = std::fabs(f[0] + f[3]) / 2.0, cY = std::fabs(f[1] + f[4]) / 2.0;
  const double hX = std::fabs(f[0] - cX), hY = std::fabs(f[1] - cY);
  return b.minX - hX <= cX && cX <= b.maxX + hX && b.minY - hY <= cY && cY <= b.maxY + hY;
}

bool NoMapOpen(const TMapView& view) {
  return view.GetVectorMapCount() == 0 && view.GetRasterMapCount() == 0;
}

bool DbLayerShown(const TMapView& view) {
  return view.dbLayer && (view.dbPointsMode == 2 || (view.dbPointsMode == 1 && NoMapOpen(view)));
}

HFONT MakeFont(int height, int weight, const wchar_t* face, int escapement = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfEscapement = lf.lfOrientation = escapement;
  std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

void TextAt(HDC dc, int x, int y, const std::wstring& text) {
  ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
}

// A map that would not load, named with its path (the user may have several of one name).
void TellMapFailure(int32_t textId, const char* path) {
  const std::wstring text = std::wstring(g_Lang.GetText(textId)) + L"\n" + PathToWide(path);
  MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

// One line across the top of the view over a picture shown only in part, so a blank edge is not
// taken for the end of the map.
void DrawPartialNotice(const TMapView& view, HDC dc) {
  const std::wstring text = g_Lang.GetText(lang_id::kMsgRasterTooLarge);
  TGdiSelection font(dc, MakeFont(12, FW_BOLD, L"Microsoft Sans Serif"), true);
  TBkModeScope opaque(dc, OPAQUE);
  const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldText = SetTextColor(dc, RGB(192, 0, 0));
  TextAt(dc, view.viewRect.left + 2, view.viewRect.top + 2, text);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
}

void DrawWorkingMap(TMapView* view, TMdmMap* map, HDC dc) {
  TMapDrawState& state = MapDrawState(map);
  state.fill = view->fill;
  state.marking = view->marking;
  DrawVectorMap(map, dc, 1);
}

}  // namespace

POINT RotateArrowPoint(int32_t x, int32_t y, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {TruncSat(x * c + y * s), TruncSat(-x * s + y * c)};
}

void InstallMapDrawing(TMapView& view) { view.drawWorkingMap = DrawWorkingMap; }

int PrepareFrame(TMapView& view, int left, int top, int right, int bottom) {
  // The origin is tied to the bottom edge: a new top or bottom moves every map.
  if (top != view.viewRect.top || bottom != view.viewRect.bottom) view.transformsValid = 0;
  view.viewRect = {left, top, right, bottom};
  SetWaitCursor(1);
  view.InitViewFromExtent();
  SelectMapsForView(view, left, top, right, bottom);
  LoadVisibleMaps(view);
  if (!view.transformsValid) {
    view.UpdateLayers(view.layersReset);
    view.transformsValid = 1;
  }
  SetWaitCursor(0);
  const RECT rect{left, top, right, bottom};
  if (view.vectorShown)
    for (TVectorMapSlot& slot : view.vectorMaps) {
      if (!slot.inScale) continue;
      // The working map's objects change in memory (a track, new and moved objects), and the
      // levels rank each object against the largest and the smallest: every full frame ranks
      // them again, so the frame shows the objects the next start shows from the saved file.
      // Partial repaints keep the ranking of the back buffer's frame.
      if (slot.map->working) slot.map->RefreshObjectLevels();
      view.PrepareMap(slot.map.get(), rect);
    }
  if (view.rasterShown)
    for (auto& raster : view.rasterMaps)
      if (raster->inScale) raster->LoadVisibleTiles(rect, bottom);
  if (DbLayerShown(view)) view.dbLayer->PrepareView(left, top, right, bottom);
  return 0;
}

void SelectMapsForView(TMapView& view, int left, int top, int right, int bottom) {
  if (!view.vectorMaps.empty()) {
    const TPlaneBox box = CornersToPlane(view, left, top, right, bottom, 1);
    for (TVectorMapSlot& slot : view.vectorMaps) {
      if (!InScaleRange(view.scale, slot.minScale, slot.maxScale)) {
        slot.inScale = 0;  // its previous value stays: it gets the transform when back in scale
        continue;
      }
      double frame[6];
      slot.map->ConvertFrame(frame);
      slot.inScale = Overlaps(frame, box) ? 1 : 0;
      if (slot.inScale != slot.prevInScale) {
        const TMapViewDesc desc{left,          top,
                                right,         bottom,
                                view.originX,  view.originY,
                                view.pixelsPerMetre, view.planeToScreenOverride,
                                view.screenToPlaneOverride};
        slot.map->SetViewTransform(desc);
        slot.prevInScale = slot.inScale;
      }
    }
  }
  if (!view.rasterMaps.empty()) {
    const TPlaneBox box = CornersToPlane(view, left, top, right, bottom, 0);
    for (auto& raster : view.rasterMaps) {
      // A picture that never opened has no place on the plane to be in view at.
      if (!raster->open || !InScaleRange(view.scale, raster->minScale, raster->maxScale)) {
        raster->inScale = 0;
        continue;
      }
      double frame[6];
      raster->GetExtent(frame);
      raster->inScale = Overlaps(frame, box) ? 1 : 0;
      if (raster->inScale != raster->prevInScale) {
        raster->SetViewTransform(RECT{left, top, right, bottom}, view.originX, view.originY,
                                 view.pixelsPerMetre);
        raster->prevInScale = raster->inScale;
      }
    }
  }
}

int LoadVisibleMaps(TMapView& view) {
  // A map that will not load keeps its frame: the file may be back the next time it comes into
  // view (a storage card taken out for a moment), and the user is told once, not every frame.
  if (view.vectorShown) {
    for (int i = 0; i < view.GetVectorMapCount(); ++i) {
      TVectorMapSlot& slot = view.vectorMaps[size_t(i)];
      TMdmMap* map = slot.map.get();
      if (map->working) continue;  // the working-map layer holds it
      if (!slot.inScale) {
        if (map->loaded) map->FreeItems();
        slot.loadFailure.LeftView();
      } else if (!map->loaded && slot.loadFailure.ShouldTry(map->path)) {
        if (view.LoadVectorMapObjects(i) != 0 || !map->loaded) {
          if (slot.loadFailure.Failed(map->path)) TellMapFailure(lang_id::kMsgMapReadErr, map->path);
        } else {
          slot.loadFailure.Loaded();
        }
      }
    }
  }
  if (view.rasterShown) {
    for (int i = 0; i < view.GetRasterMapCount(); ++i) {
      TRasterMap* raster = view.rasterMaps[size_t(i)].get();
      if (!raster->inScale) {
        if (raster->active) raster->Deactivate();
        raster->loadFailure.LeftView();
      } else if (!raster->active && raster->loadFailure.ShouldTry(raster->path)) {
        view.ActivateRasterMap(i);
        if (!raster->active) {
          if (raster->loadFailure.Failed(raster->path)) TellMapFailure(lang_id::kMsgRasterLoadErr, raster->path);
        } else {
          raster->loadFailure.Loaded();
        }
      }
    }
  }
  return 0;
}

int DrawLayers(TMapView& view, HDC dc) {
  if (view.rasterShown)
    for (auto& raster : view.rasterMaps)
      if (raster->inScale) raster->Draw(dc);
  if (view.vectorShown)
    for (TVectorMapSlot& slot : view.vectorMaps) {
      if (!slot.inScale) continue;
      TMapDrawState& state = MapDrawState(slot.map.get());
      state.fill = view.fill;
      state.marking = view.marking;
      DrawVectorMap(slot.map.get(), dc, slot.map->IsWorkingMap() ? 1 : 0);
    }
  if (view.grid) DrawGrid(view, dc);
  if (DbLayerShown(view)) view.dbLayer->Draw(dc);
  DrawScaleBar(view, dc);
  if (view.rasterShown &&
      std::any_of(view.rasterMaps.begin(), view.rasterMaps.end(),
                  [](const auto& raster) { return raster->inScale && raster->active && raster->partial; }))
    DrawPartialNotice(view, dc);
  return 0;
}

int DrawGrid(TMapView& view, HDC dc) {
  const int32_t s = view.scale;
  const double step = s <= 9999      ? 100.0
                      : s <= 99999   ? 1000.0
                      : s <= 999999  ? 10000.0
                      : s <= 9999999 ? 100000.0
                                     : 1000000.0;
  const RECT& r = view.viewRect;
  const TPlaneBox b = CornersToPlane(view, r.left, r.top, r.right, r.bottom, 1);
  TGdiSelection pen(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), true);
  TBkModeScope opaque(dc, OPAQUE);
  const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  {
    TGdiSelection font(dc, MakeFont(12, FW_NORMAL, L"Microsoft Sans Serif"), true);
    // Toward zero, not floor: below zero the first line may lie outside the view.
    double x = std::trunc(b.minX / step) * step;
    for (int n = 0; x < b.maxX && n < kMaxGridLines; x += step, ++n) {
      POINT p1, p2;
      view.PlaneToScreenPoint(x, b.minY, &p1);
      view.PlaneToScreenPoint(x, b.maxY, &p2);
      DrawLine(dc, p1.x, p1.y, p2.x, p2.y);
      TextAt(dc, r.left + 1, view::ClampI32(int64_t(p1.y) + 1),
             std::to_wstring(TruncSat(x / step)));
    }
  }
  {
    // Easting labels read downwards.
    TGdiSelection font(dc, MakeFont(12, FW_NORMAL, L"Microsoft Sans Serif", 2700), true);
    double y = std::trunc(b.minY / step) * step;
    for (int n = 0; y < b.maxY && n < kMaxGridLines; y += step, ++n) {
      POINT p1, p2;
      view.PlaneToScreenPoint(b.minX, y, &p1);
      view.PlaneToScreenPoint(b.maxX, y, &p2);
      DrawLine(dc, p1.x, p1.y, p2.x, view::ClampI32(int64_t(p2.y) - 1));
      TextAt(dc, p1.x, r.top + 1, std::to_wstring(TruncSat(y / step)));
    }
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBk);
  return 0;
}

int DrawScaleBar(TMapView& view, HDC dc) {
  const double k = view.pixelsPerMetre;
  if (k == 0.0) return 0;  // no transform yet: the bar would be infinite
  const int64_t R = view.viewRect.right, B = int64_t(view.viewRect.bottom) - 3;
  int64_t L = TruncSat(view.devicePixelsPerMetre / 100.0);  // pixels of 1 cm of screen
  double v = view.devicePixelsPerMetre / k / 100.0;          // plane metres in 1 cm
  double factor = 1.0;
  int32_t unitText = lang_id::kMsgM;
  if (v >= 1000.0) {
    v /= 1000.0;
    unitText = lang_id::kMsgKm;
    factor = 1000.0;
  }
  if (int64_t(TruncSat(v)) * 1000 != int64_t(TruncSat(v * 1000.0))) {
    // Not whole to three decimals: the bar is shortened to the whole value.
    v = std::trunc(v);
    L = TruncSat(v * k * 100.0 * factor / 100.0);
  }
  const std::wstring text = std::to_wstring(TruncSat(v)) + L" " + g_Lang.GetText(unitText);
  TGdiSelection font(dc, MakeFont(12, FW_BOLD, L"Microsoft Sans Serif"), true);
  TBkModeScope transparent(dc, TRANSPARENT);
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
  auto c = view::ClampI32;
  TextAt(dc, c(R - 5 - L / 2 - size.cx / 2), c(B - 20), text);
  {
    TGdiSelection pen(dc, CreatePen(PS_SOLID, 2, RGB(0, 0, 0)), true);
    DrawLine(dc, c(R - 5), c(B - 5), c(R - 5 - L), c(B - 5));
    DrawLine(dc, c(R - 5), c(B - 2), c(R - 5), c(B - 8));
    DrawLine(dc, c(R - 5 - L), c(B - 2), c(R - 5 - L), c(B - 8));
  }
  SetTextColor(dc, oldText);
  return 0;
}

int DrawGpsPosition(TMapView& view, HDC dc) {
  if (view.gpsState != 1 && view.gpsState != 2) return 0;
  TGdiSelection pen(dc, CreatePen(PS_SOLID, 2, RGB(0, 0, 0)), true);
  TGdiSelection brush(dc, CreateSolidBrush(RGB(255, 0, 0)), true);
  int32_t px, py;
  view.PlaneToScreen(view.gpsX, view.gpsY, &px, &py, 1);
  static const POINT kArrow[4] = {{0, -9}, {-6, 9}, {6, 9}, {0, -9}};
  POINT pts[4];
  const double angle = -(view.gpsCourse / 180.0 * std::numbers::pi);
  for (int i = 0; i < 4; ++i) {
    const POINT q = view.gpsState == 1 ? RotateArrowPoint(kArrow[i].x, kArrow[i].y, angle)
                                       : kArrow[i];
    pts[i] = {view::ClampI32(int64_t(q.x) + px), view::ClampI32(int64_t(q.y) + py)};
  }
  Polygon(dc, pts, 4);
  if (view.gpsState == 2) {
    TGdiSelection font(dc, MakeFont(28, FW_EXTRABOLD, L"Arial"), true);
    TBkModeScope transparent(dc, TRANSPARENT);
    const COLORREF old = SetTextColor(dc, RGB(120, 120, 120));
    TextAt(dc, view::ClampI32(int64_t(px) - 5), view::ClampI32(int64_t(py) - 13), L"?");
    SetTextColor(dc, old);
  }
  return 0;
}
