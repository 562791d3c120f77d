#include "app/track_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdlib>

#include "maps/mdm_format.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/symbol_table.h"
#include "maps/user_layer.h"
#include "view/clip.h"
#include "view/draw_loop.h"
#include "view/render_object.h"
#include "view/render_state.h"
#include "view/view_math.h"

namespace {

// Pixels round the screen box of a line or text drawn above the track that its pen, symbols or
// letters may reach: a fixed part for thin pens and small letters, and a part that grows with
// the symbol scale (pixels per millimetre), far more than any element of the libraries.
constexpr int64_t kAboveMarginPixels = 64;
constexpr double kAboveMarginMillimetres = 16;

constexpr uint8_t kVisible = TMapObject::kInView | TMapObject::kPassesLevel;

bool Visible(const TMapObject& o) { return (o.flags & kVisible) == kVisible; }

// The order the working map is drawn in: areas, lines, points, texts, each in index order.
int KindRank(uint8_t kind) {
  switch (kind) {
    case mdm::kKindArea: return 0;
    case mdm::kKindLine: return 1;
    case mdm::kKindPoint: return 2;
    case mdm::kKindText: return 3;
    default: return -1;
  }
}

struct TBox64 {
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  void Add(int64_t x, int64_t y) {
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  bool Meets(const TBox64& b) const {
    return left <= b.right && b.left <= right && top <= b.bottom && b.top <= bottom;
  }
};

// The screen box of an object's map box, over all four corners (the map may be turned), grown
// by what its drawing may reach beyond it. False when that cannot be known.
bool ReachBox(const TMdmMap& map, const TMapObject& o, float symbolScale, TBox64* out) {
  TBox64 b;
  for (int32_t x : {o.box[0], o.box[2]})
    for (int32_t y : {o.box[1], o.box[3]}) {
      int32_t sx, sy;
      map.MapToScreen(x, y, &sx, &sy);
      b.Add(sx, sy);
    }
  int64_t margin;
  if (o.kind == mdm::kKindPoint) {
    // A point without a cached style draws nothing (see DrawPointObject).
    if (!(o.flags & TMapObject::kStyleCached)) {
      *out = TBox64{};
      return true;
    }
    // A point's symbol sits on its first corner and turns toward the second: its reach is the
    // symbol's farthest design unit from the origin, whatever the turn.
    if (!map.library) return false;
    const TSymbolExtent e = map.library->symbols.GetSymbolExtent(mdm::GetU16(o.style));
    if (e.designSize == 0) return false;
    const int reach = std::max({std::abs(e.minX), std::abs(e.maxX), std::abs(e.minY),
                                std::abs(e.maxY)});
    margin = int64_t(double(reach) * 1.5 * symbolScale / e.designSize) + 8;
  } else {
    margin = kAboveMarginPixels + int64_t(kAboveMarginMillimetres * symbolScale);
  }
  b.left -= margin;
  b.top -= margin;
  b.right += margin;
  b.bottom += margin;
  *out = b;
  return true;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The pen width DrawSimpleLine uses for the line style `ls`, in pixels.
int64_t PenWidth(const uint8_t* ls, float symbolScale) {
  const float f10 = symbolScale / 10.0f;
  int64_t w = (ls[0] & kLineStyleTenths) ? int64_t(view::TruncSat(ls[1] * double(f10))) : ls[1];
  return std::max<int64_t>(w, 1);
}

}  // namespace

void TTrackBuffer::NoteTick(HWND hwnd, bool clean) {
  tickPending_ = clean && GetUpdateRect(hwnd, &tickRect_, FALSE);
}

void TTrackBuffer::Invalidate() {
  valid = 0;
  tickPending_ = false;
}

void TTrackBuffer::Sync(TUserLayer& layer, HDC backBuffer, const RECT& view) {
  valid = 0;
  picture_.Capture(backBuffer);
  layer.PrepareView(view);
  layer.Draw(picture_.memDc);
  const TMdmMap* map = layer.GetMap();
  if (!layer.open || !map || !map->IsValidObjectIndex(layer.current)) return;
  const TMapObject& o = map->objects[layer.current];
  const TMapDrawState& state = MapDrawState(map);
  map_ = map;
  count_ = map->count;
  object_ = layer.current;
  drawn_ = o.vertexCount;
  objectVisible_ = Visible(o);
  code_ = o.code;
  std::memcpy(style_, o.style, sizeof style_);
  styleFlags_ = o.flags & TMapObject::kStyleCached;
  view_ = view;
  mapView_[0] = map->viewLeft;
  mapView_[1] = map->viewTop;
  mapView_[2] = map->viewRight;
  mapView_[3] = map->viewBottom;
  pixelScale_ = map->pixelScale;
  nominalScale_ = map->nominalScale;
  extent_[0] = map->extXMin;
  extent_[1] = map->extYMin;
  extent_[2] = map->extXMax;
  extent_[3] = map->extYMax;
  fill_ = state.fill;
  marking_ = state.marking;
  valid = 1;
}

bool TTrackBuffer::SameAsSynced(const TUserLayer& layer, const RECT& view) const {
  const TMdmMap* map = layer.GetMap();
  if (!valid || !layer.open || map != map_ || map->count != count_ || layer.current != object_)
    return false;
  const TMapObject& o = map->objects[object_];
  const TMapDrawState& state = MapDrawState(map);
  return o.vertexCount >= drawn_ && o.code == code_ && objectVisible_ &&
         std::memcmp(style_, o.style, sizeof style_) == 0 &&
         styleFlags_ == (o.flags & TMapObject::kStyleCached) && SameRect(view_, view) &&
         mapView_[0] == map->viewLeft && mapView_[1] == map->viewTop &&
         mapView_[2] == map->viewRight && mapView_[3] == map->viewBottom &&
         pixelScale_ == map->pixelScale && nominalScale_ == map->nominalScale &&
         extent_[0] == map->extXMin && extent_[1] == map->extYMin &&
         extent_[2] == map->extXMax && extent_[3] == map->extYMax && fill_ == state.fill &&
         marking_ == state.marking;
}

bool TTrackBuffer::Eligible(const TUserLayer& layer) const {
  const TMdmMap* map = layer.GetMap();
  if (!map || !map->IsValidObjectIndex(layer.current)) return false;
  const TMapObject& o = map->objects[layer.current];
  // A dashed pen, a compound line and a symbol chain carry their phase along the whole line,
  // and vertex marks are drawn over every object: none of them can be drawn a tail at a time.
  // Without a cached style the line is drawn in the default pen, solid and 1 pixel wide.
  const bool simple = !(o.flags & TMapObject::kStyleCached) ||
                      !(o.style[0] & (kLineStyleNotSimple | kLineStyleCountMask));
  return Visible(o) && !o.damaged && o.kind == mdm::kKindLine && simple &&
         !MapDrawState(map).marking;
}

bool TTrackBuffer::DrawTail(TUserLayer& layer, RECT* tailBox) {
  TMdmMap* map = layer.GetMap();
  TMapObject& o = map->objects[object_];
  const int32_t n = o.vertexCount;
  if (n == drawn_) {
    *tailBox = RECT{0, 0, 0, 0};
    return true;
  }
  // A one-vertex line draws nothing, so the buffer holds no pixel of the first vertex.
  const int32_t from = drawn_ > 0 ? drawn_ - 1 : 0;
  const uint8_t* ls = o.style;
  const TMapDrawState& state = MapDrawState(map);
  TBox64 tail;
  for (int32_t i = from; i < n; ++i) {
    int32_t sx, sy;
    map->MapToScreen(o.vertices[i].x, o.vertices[i].y, &sx, &sy);
    tail.Add(sx, sy);
  }
  const int64_t grow =
      ((o.flags & TMapObject::kStyleCached) ? PenWidth(ls, state.symbolScale) : 1) + 2;
  tail.left -= grow;
  tail.top -= grow;
  tail.right += grow;
  tail.bottom += grow;
  // Whatever of the map is drawn above the track must not come near the tail.
  const int rank = KindRank(mdm::kKindLine);
  for (int32_t i = 0; i < map->count; ++i) {
    const TMapObject& other = map->objects[size_t(i)];
    if (i == object_ || !Visible(other) || other.damaged) continue;
    const int r = KindRank(other.kind);
    if (r < rank || (r == rank && i < object_)) continue;
    TBox64 b;
    if (!ReachBox(*map, other, state.symbolScale, &b) || b.Meets(tail)) return false;
  }
  // The tail as a line of its own: a solid pen's pixels are those of its segments, each drawn
  // alone (a thin segment leaves out its end pixel, which the next one draws).
  TMapObject piece = o;
  piece.vertices = o.vertices + from;
  piece.vertexCount = n - from;
  SetClipWindow(map->viewLeft, map->viewTop, map->viewRight, map->viewBottom);
  {
    TBkModeScope transparent(picture_.memDc, TRANSPARENT);
    if (DrawLineAreaObject(map, picture_.memDc, &piece, object_) != 0) return false;
  }
  // The working map's frame lies above every object.
  if (map->IsWorkingMap()) DrawMapExtentFrame(map, picture_.memDc);
  drawn_ = n;
  *tailBox = RECT{view::ClampI32(tail.left), view::ClampI32(tail.top),
                  view::ClampI32(tail.right), view::ClampI32(tail.bottom)};
  return true;
}

bool TTrackBuffer::Repaint(TUserLayer& layer, HDC backBuffer, HDC dc, const RECT& view,
                           RECT* area) {
  const bool tick = tickPending_ && SameRect(tickRect_, *area);
  tickPending_ = false;
  if (!tick || !backBuffer || !layer.open || !layer.GetMap() ||
      !picture_.Create(dc)) {
    valid = 0;
    return false;
  }
  layer.PrepareView(view);
  if (!Eligible(layer)) {
    valid = 0;  // the track is drawn whole every tick, as it must be
    return false;
  }
  RECT tailBox{0, 0, 0, 0};
  if (!SameAsSynced(layer, view) || !DrawTail(layer, &tailBox)) {
    // This paint draws the working map itself, so the picture outside the update rectangle
    // already has the map as it stands; the buffer gets it for the next tick.
    Sync(layer, backBuffer, view);
    return false;
  }
  if (tailBox.right > tailBox.left && tailBox.bottom > tailBox.top) {
    area->left = std::min(area->left, tailBox.left);
    area->top = std::min(area->top, tailBox.top);
    area->right = std::max(area->right, tailBox.right);
    area->bottom = std::max(area->bottom, tailBox.bottom);
  }
  picture_.Restore(dc, area->left, area->top, area->right, area->bottom);
  ++quickPaints;
  return true;
}
