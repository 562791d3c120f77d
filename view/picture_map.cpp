#include "view/picture_map.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/save_report.h"
#include "base/text_utils.h"
#include "geodesy/gauss_kruger.h"
#include "platform/win.h"
#include "view/image_lib.h"
#include "view/view_math.h"

using view::TruncSat;

namespace {

void FreeRecordPixels(PelnorImage* r) {
  std::free(r->pixels);
  r->pixels = nullptr;
  for (int32_t i = 0; r->tiles && i < r->tileCount; ++i) {
    std::free(r->tiles[i].pixels);
    r->tiles[i].pixels = nullptr;
    r->tiles[i].wanted = 0;
  }
}

// Which picture did not open and why; the calibration is the user's own file, so the reason
// tells what to mend in it.
void TellCalibrationFailure(const char* picture, int rc) {
  const int32_t id = rc == TPictureMap::kTooFewPoints  ? lang_id::kMsgRasterCalibPoints
                     : rc == TPictureMap::kNoPixelSize ? lang_id::kMsgRasterCalibScale
                                                       : lang_id::kMsgRasterCalibFlat;
  const std::wstring text = std::wstring(g_Lang.GetText(id)) + L"\n" + PathToWide(picture);
  MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

bool FileReadable(const char* path) {
  wchar_t wide[512];
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 512) <= 0) return false;
  HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace

TRasterMap* NewPictureMap() { return new (std::nothrow) TPictureMap; }

TPictureMap::TPictureMap() {
  // A new map's frame is 1000 units high and wide.
  frame[3] = 1000.0;
  frame[4] = 1000.0;
}

TPictureMap::~TPictureMap() { Close(); }

void TPictureMap::Close() {
  PelnorImage* r = first;
  while (r) {
    PelnorImage* next = r->next;
    FreeRecordPixels(r);
    std::free(r->tiles);
    std::free(r->header);
    std::free(r);
    r = next;
  }
  first = current = nullptr;
  open = 0;
  active = 0;
  levelFactor = 1.0;
  lastViewScale = -1.0;
}

void TPictureMap::FreePixels() {
  for (PelnorImage* r = first; r; r = r->next) FreeRecordPixels(r);
}

int TPictureMap::Open(const char* filePath, const double fallback[6]) {
  Close();
  if (!filePath || std::strlen(filePath) >= sizeof path || !FileReadable(filePath)) return 2;
  std::strcpy(path, filePath);
  if (!g_ImageLib.Load()) return 0;
  auto* record = static_cast<PelnorImage*>(std::calloc(1, sizeof(PelnorImage)));
  void* header = record ? std::calloc(1, PELNOR_HEADER_BYTES) : nullptr;
  if (!header) {
    std::free(record);
    return 0;
  }
  record->header = header;
  first = current = record;
  if (g_ImageLib.LoadMapImageHead(path, record) != 0 || record->width <= 0 || record->height <= 0) {
    Close();
    return 0;
  }
  const int rc = ReadCalibration(path, fallback);
  if (rc == 0) {
    open = 1;
    shown = 1;
    if (placedByFallback) WritePlacement();
    return 0;
  }
  // Not open, so no zone and no points: the view's zone and extent are not taken from it, and
  // the calibration tool finds nothing of an earlier picture.
  ownZone = 255;
  crossZone = false;
  points.Clear();
  if (rc == kCalibrationUnread) {
    const std::wstring text = std::wstring(g_Lang.GetText(lang_id::kMsgOpenFileErr)) + L"\n" +
                              PathToWide(unreadCalibration);
    MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
  } else if (rc != kNoCalibration) {
    TellCalibrationFailure(path, rc);
  }
  return 0;
}

void TPictureMap::WritePlacement() {
  // A picture without a calibration is stretched over the view it was opened in. That frame
  // lives nowhere else: at the next start the project's raster maps open before any vector
  // map gives a view, and the picture would stay listed but never drawn. Written beside it as
  // a calibration of two corners (top left, bottom right; square pixels, no rotation), it
  // opens where it was.
  TPointList corners;
  corners.Append(TListPoint{frame[3], frame[1], 0, 0, 0});
  corners.Append(TListPoint{frame[0], frame[4], 0, first->width, first->height});
  char companion[sizeof path];
  std::snprintf(companion, sizeof companion, "%s", path);
  StripExtension(companion);
  const std::string name = std::string(companion) + ".@@@";
  if (name.size() >= sizeof path || WriteCalibrationFile(name.c_str(), corners) != 0)
    ReportSaveFailure(TSaveKind::kCalibration, name.c_str());
}

int TPictureMap::Activate() {
  if (!open || !current) return 2;
  if (!g_ImageLib.Load()) return 2;
  if (!current->tiled && !current->pixels) {
    int rc = g_ImageLib.LoadMapImageFull(path, current);
    if (rc != 0) return rc;
  }
  active = 1;
  SetOutputSystem(outputZone);
  return 0;
}

void TPictureMap::Deactivate() {
  FreePixels();
  active = 0;
}

void TPictureMap::SetOutputSystem(uint8_t zone) {
  outputZone = zone;
  crossZone = false;
  std::memcpy(outFrame, frame, sizeof outFrame);
  if (zone == ownZone) return;
  // The frame is turned by the zones' convergence in the output zone: its box there holds all
  // four corners and the middles of the edges (which bow a little), not just two corners.
  double box[4] = {};
  for (int i = 0; i < 9; ++i) {
    const double fx = (i % 3) / 2.0, fy = (i / 3) / 2.0;
    double x, y;
    if (!GkReprojectToZone(frame[0] + (frame[3] - frame[0]) * fx, frame[1] + (frame[4] - frame[1]) * fy, ownZone,
                           zone, x, y))
      return;
    if (i == 0) box[0] = box[2] = x, box[1] = box[3] = y;
    box[0] = std::min(box[0], x), box[2] = std::max(box[2], x);
    box[1] = std::min(box[1], y), box[3] = std::max(box[3], y);
  }
  outFrame[0] = box[0];
  outFrame[1] = box[1];
  outFrame[3] = box[2];
  outFrame[4] = box[3];
  crossZone = true;
}

void TPictureMap::GetExtent(double out[6]) const {
  if (outputZone == ownZone) {
    std::memcpy(out, frame, 6 * sizeof(double));
    return;
  }
  std::memcpy(out, outFrame, 6 * sizeof(double));
}

void TPictureMap::ChooseLevel(double k) {
  PelnorImage* chosen = first;
  double f = 1.0;
  for (PelnorImage* r = first ? first->next : nullptr; r; r = r->next) {
    if (r->width <= 0) continue;
    double ratio = double(first->width) / double(r->width);
    if (double(pixelSize) * k * ratio <= 1.0) {
      chosen = r;
      f = ratio;
    }
  }
  lastViewScale = k;
  if (chosen != current && current) FreeRecordPixels(current);
  current = chosen;
  levelFactor = f;
}

void TPictureMap::SetViewTransform(const RECT& view, double originX, double originY, double k) {
  viewRect = view;
  // The view's origin is its bottom edge: vectors drawn through this transform before the tiles
  // are asked for must already land where the view's own chain puts them.
  screenYOffset = view.bottom;
  viewOriginX = originX;
  viewOriginY = originY;
  viewK = k;
  viewBottom = view.bottom;
  const double ps = pixelSize;
  if (!(ps > 0) || !std::isfinite(ps)) return;
  if (k != lastViewScale && first) ChooseLevel(k);
  const double f = levelFactor;
  scale = k * ps * f;
  xOffset = (originY - frame[1]) / (ps * f);
  yOffset = (frame[3] - originX) / (ps * f);
}

void TPictureMap::ViewToScreen(double x, double y, int32_t* sx, int32_t* sy) const {
  // As the view converts without a picture, truncation and saturation included.
  *sx = TruncSat((y - viewOriginY) * viewK);
  *sy = view::ClampI32(int64_t(viewBottom) - TruncSat((x - viewOriginX) * viewK));
}

void TPictureMap::ScreenToView(int32_t sx, int32_t sy, double* x, double* y) const {
  if (viewK == 0 || !std::isfinite(viewK)) {
    *x = *y = 0;
    return;
  }
  *x = (double(viewBottom) - sy) / viewK + viewOriginX;
  *y = sx / viewK + viewOriginY;
}

void TPictureMap::LevelToScreen(double u, double v, int32_t* sx, int32_t* sy) const {
  *sx = TruncSat(scale * (u - xOffset));
  *sy = TruncSat(scale * (v - yOffset) + screenYOffset);
}

void TPictureMap::PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const {
  if (crossZone) {
    double x, y;
    PixelToPlane(px, py, &x, &y);
    ViewToScreen(x, y, sx, sy);
    return;
  }
  LevelToScreen(px / levelFactor, py / levelFactor, sx, sy);
}

void TPictureMap::ScreenToPixelF(int32_t sx, int32_t sy, double* u, double* v) const {
  if (crossZone) {
    double x, y, ox, oy;
    ScreenToView(sx, sy, &x, &y);
    ToOwnZone(x, y, &ox, &oy);
    OwnToPixel(ox, oy, u, v);
    return;
  }
  if (scale == 0 || !std::isfinite(scale)) {
    *u = *v = 0;
    return;
  }
  *u = (sx / scale + xOffset) * levelFactor;
  *v = ((sy - double(screenYOffset)) / scale + yOffset) * levelFactor;
}

void TPictureMap::ScreenToPixel(int32_t sx, int32_t sy, int32_t* px, int32_t* py) const {
  double u, v;
  ScreenToPixelF(sx, sy, &u, &v);
  *px = TruncSat(u);
  *py = TruncSat(v);
}

void TPictureMap::ToOwnZone(double x, double y, double* ox, double* oy) const {
  if (!crossZone || !GkReprojectToZone(x, y, outputZone, ownZone, *ox, *oy)) {
    *ox = x;
    *oy = y;
  }
}

void TPictureMap::ToOutputZone(double ox, double oy, double* x, double* y) const {
  if (!crossZone || !GkReprojectToZone(ox, oy, ownZone, outputZone, *x, *y)) {
    *x = ox;
    *y = oy;
  }
}

TPointList TPictureMap::PointsInOutputZone() const {
  TPointList out;
  for (int32_t i = 0; i < points.Count(); ++i) {
    TListPoint p = *points.At(i);
    if (p.x != 0 || p.y != 0) ToOutputZone(p.x, p.y, &p.x, &p.y);
    out.Append(p);
  }
  return out;
}

TPointList TPictureMap::PointsInOwnZone(const TPointList& outputPoints) const {
  // The zones' conversion there and back is good to a millimetre or two, so a point the user
  // left alone would creep with every apply: one that is exactly what one of the picture's
  // points becomes in the output zone is written as that point was read.
  const TPointList shown = PointsInOutputZone();
  TPointList out;
  for (int32_t i = 0; i < outputPoints.Count(); ++i) {
    TListPoint p = *outputPoints.At(i);
    if (p.x != 0 || p.y != 0) {
      int32_t same = -1;
      for (int32_t k = 0; k < shown.Count() && same < 0; ++k)
        if (shown.At(k)->x == p.x && shown.At(k)->y == p.y) same = k;
      if (same >= 0) {
        p.x = points.At(same)->x;
        p.y = points.At(same)->y;
      } else {
        ToOwnZone(p.x, p.y, &p.x, &p.y);
      }
    }
    out.Append(p);
  }
  return out;
}

void TPictureMap::OwnToPixel(double x, double y, double* u, double* v) const {
  if (useTin && tin.MapToPixelF(x, y, *u, *v)) return;
  const double ps = pixelSize;
  if (!(ps > 0)) {
    *u = *v = 0;
    return;
  }
  const double dx = x - anchorX, dy = y - anchorY;
  const double xr = dx * cosRotation + dy * sinRotation + anchorX;
  const double yr = -dx * sinRotation + dy * cosRotation + anchorY;
  *u = (yr - frame[1]) / ps;
  *v = (frame[3] - xr) / ps;
}

void TPictureMap::PixelToOwn(double u, double v, double* x, double* y) const {
  if (useTin && tin.PixelToMapF(u, v, *x, *y)) return;
  // The calibration's own axes, then the rotation about the anchor undone.
  const double xr = frame[3] - v * double(pixelSize) - anchorX;
  const double yr = frame[1] + u * double(pixelSize) - anchorY;
  *x = xr * cosRotation - yr * sinRotation + anchorX;
  *y = xr * sinRotation + yr * cosRotation + anchorY;
}

void TPictureMap::PlaneToPixel(double x, double y, int32_t* px, int32_t* py) const {
  double ox, oy, u, v;
  ToOwnZone(x, y, &ox, &oy);
  OwnToPixel(ox, oy, &u, &v);
  *px = TruncSat(u);
  *py = TruncSat(v);
}

void TPictureMap::PixelToPlane(int32_t px, int32_t py, double* x, double* y) const {
  double ox, oy;
  PixelToOwn(px, py, &ox, &oy);
  ToOutputZone(ox, oy, x, y);
}

void TPictureMap::PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) const {
  if (crossZone) {
    ViewToScreen(x, y, sx, sy);
    return;
  }
  double ox, oy, u, v;
  ToOwnZone(x, y, &ox, &oy);
  OwnToPixel(ox, oy, &u, &v);
  LevelToScreen(u / levelFactor, v / levelFactor, sx, sy);
}

void TPictureMap::ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const {
  if (crossZone) {
    ScreenToView(sx, sy, x, y);
    return;
  }
  double u, v, ox, oy;
  ScreenToPixelF(sx, sy, &u, &v);
  PixelToOwn(u, v, &ox, &oy);
  ToOutputZone(ox, oy, x, y);
}

void TPictureMap::LoadVisibleTiles(const RECT& view, int32_t bottom) {
  viewRect = view;
  screenYOffset = bottom;
  partial = 0;
  if (!active || !current || !current->tiled || !current->tiles) return;
  if (scale == 0 || !std::isfinite(scale)) return;
  // The view box in the current level's grid: its corners for a picture blitted as it is, every
  // node of the grid for one drawn turned (a rubber sheet need not map the view's edges straight).
  double minU = 0, maxU = 0, minV = 0, maxV = 0;
  bool firstCorner = true;
  auto take = [&](double u, double v) {
    if (firstCorner) {
      minU = maxU = u;
      minV = maxV = v;
      firstCorner = false;
    }
    minU = std::min(minU, u), maxU = std::max(maxU, u);
    minV = std::min(minV, v), maxV = std::max(maxV, v);
  };
  if (crossZone) {
    const TTurnGrid grid = MakeTurnGrid(view);
    for (size_t i = 0; i < grid.x.size(); ++i) {
      double u, v;
      OwnToPixel(grid.x[i], grid.y[i], &u, &v);
      take(u / levelFactor, v / levelFactor);
    }
    // A node's pixel may round either way at the box's edge.
    minU -= 1, minV -= 1, maxU += 1, maxV += 1;
  } else {
    for (int32_t sx : {int32_t(view.left), int32_t(view.right)})
      for (int32_t sy : {int32_t(view.top), int32_t(view.bottom)})
        take(sx / scale + xOffset, (sy - double(screenYOffset)) / scale + yOffset);
  }
  MarkWantedTiles(minU, maxU, minV, maxV);
  if (g_ImageLib.Load()) g_ImageLib.LoadMapImageTiles(path, current);
}

void TPictureMap::MarkWantedTiles(double minU, double maxU, double minV, double maxV) {
  const double tw = current->tileWidth, th = current->tileHeight;
  std::vector<int32_t> meeting;
  for (int32_t i = 0; i < current->tileCount; ++i) {
    PelnorTile& t = current->tiles[i];
    // Touching along an edge is not meeting.
    const bool meets = minU < t.x + tw && t.x < maxU && minV < t.y + th && t.y < maxV;
    t.wanted = meets ? 1 : 0;
    if (meets) meeting.push_back(i);
  }
  if (int32_t(meeting.size()) <= kMaxVisibleTiles) return;
  // Too many to hold: the middle of the view is what the user looks at, so the tiles nearest
  // its centre stay wanted (distance in level pixels between centres; ties by table order).
  const double cu = (minU + maxU) / 2, cv = (minV + maxV) / 2;
  auto distance = [&](int32_t i) {
    const PelnorTile& t = current->tiles[i];
    return std::hypot(t.x + tw / 2 - cu, t.y + th / 2 - cv);
  };
  std::nth_element(meeting.begin(), meeting.begin() + kMaxVisibleTiles, meeting.end(),
                   [&](int32_t a, int32_t b) {
                     const double da = distance(a), db = distance(b);
                     return da != db ? da < db : a < b;
                   });
  for (size_t k = size_t(kMaxVisibleTiles); k < meeting.size(); ++k) current->tiles[meeting[k]].wanted = 0;
  partial = 1;
}

void TPictureMap::Draw(HDC dc) {
  if (!active || !current || !current->header) return;
  if (crossZone) {
    DrawTurned(dc);
    return;
  }
  const auto* info = static_cast<const BITMAPINFO*>(current->header);
  if (current->tiled) {
    for (int32_t i = 0; current->tiles && i < current->tileCount; ++i) {
      const PelnorTile& t = current->tiles[i];
      if (!t.wanted || !t.pixels) continue;
      int32_t x0, y0, x1, y1;
      LevelToScreen(t.x, t.y, &x0, &y0);
      LevelToScreen(double(t.x) + t.width, double(t.y) + t.height, &x1, &y1);
      // A short tile of the last row lies at the end of its bottom-up buffer.
      const int sy = t.height == current->tileHeight ? 0 : current->tileHeight - t.height;
      StretchDIBits(dc, x0, y0, view::ClampI32(int64_t(x1) - x0), view::ClampI32(int64_t(y1) - y0), 0, sy,
                    t.width, t.height, t.pixels, info, DIB_RGB_COLORS, SRCCOPY);
    }
    return;
  }
  if (!current->pixels) return;
  int32_t x0, y0, x1, y1;
  LevelToScreen(0, 0, &x0, &y0);
  LevelToScreen(current->width, current->height, &x1, &y1);
  StretchDIBits(dc, x0, y0, view::ClampI32(int64_t(x1) - x0), view::ClampI32(int64_t(y1) - y0), 0, 0,
                info->bmiHeader.biWidth, info->bmiHeader.biHeight, current->pixels, info, DIB_RGB_COLORS,
                SRCCOPY);
}

TPictureMap::TTurnGrid TPictureMap::MakeTurnGrid(const RECT& view) const {
  TTurnGrid g;
  g.left = view.left;
  g.top = view.top;
  const int64_t w = std::max<int64_t>(0, int64_t(view.right) - view.left);
  const int64_t h = std::max<int64_t>(0, int64_t(view.bottom) - view.top);
  // Nodes on both edges: the last column and row of nodes lie at or past the view's last pixel.
  g.cols = int32_t(std::min<int64_t>(w / kTurnStep + 2, 4096));
  g.rows = int32_t(std::min<int64_t>(h / kTurnStep + 2, 4096));
  g.x.resize(size_t(g.cols) * size_t(g.rows));
  g.y.resize(g.x.size());
  for (int32_t r = 0; r < g.rows; ++r)
    for (int32_t c = 0; c < g.cols; ++c) {
      double x, y;
      ScreenToView(view::ClampI32(int64_t(g.left) + int64_t(c) * kTurnStep),
                   view::ClampI32(int64_t(g.top) + int64_t(r) * kTurnStep), &x, &y);
      const size_t i = size_t(r) * size_t(g.cols) + size_t(c);
      ToOwnZone(x, y, &g.x[i], &g.y[i]);
    }
  return g;
}

void TPictureMap::TTurnGrid::At(int32_t sx, int32_t sy, double* ox, double* oy) const {
  const int64_t dx = int64_t(sx) - left, dy = int64_t(sy) - top;
  const int32_t c = int32_t(std::clamp<int64_t>(dx / kTurnStep, 0, cols - 2));
  const int32_t r = int32_t(std::clamp<int64_t>(dy / kTurnStep, 0, rows - 2));
  const double fx = double(dx - int64_t(c) * kTurnStep) / kTurnStep;
  const double fy = double(dy - int64_t(r) * kTurnStep) / kTurnStep;
  const size_t i00 = size_t(r) * size_t(cols) + size_t(c), i01 = i00 + 1;
  const size_t i10 = i00 + size_t(cols), i11 = i10 + 1;
  // Bilinear between the four nodes, as offsets from the first: plane coordinates are millions
  // of units, their differences across a cell a few.
  *ox = x[i00] + (x[i01] - x[i00]) * fx + (x[i10] - x[i00]) * fy + (x[i11] - x[i10] - x[i01] + x[i00]) * fx * fy;
  *oy = y[i00] + (y[i01] - y[i00]) * fx + (y[i10] - y[i00]) * fy + (y[i11] - y[i10] - y[i01] + y[i00]) * fx * fy;
}

void TPictureMap::DrawTurned(HDC dc) {
  // Each screen pixel of the view takes the picture pixel of its ground (nearest neighbour in the
  // current level); pixels off the picture, or in a tile not held, are left as they were drawn.
  const auto* info = static_cast<const BITMAPINFO*>(current->header);
  // The image module hands 32-bit pixels, red, green and blue in the low three bytes.
  if (info->bmiHeader.biBitCount != 32) return;
  const int32_t left = viewRect.left, top = viewRect.top;
  const int32_t width = int32_t(std::clamp<int64_t>(int64_t(viewRect.right) - left, 0, 4096));
  const int32_t height = int32_t(std::clamp<int64_t>(int64_t(viewRect.bottom) - top, 0, 4096));
  if (width == 0 || height == 0) return;
  const double f = levelFactor;
  const int32_t levelW = current->width, levelH = current->height;
  const bool tiled = current->tiled != 0;
  if (!tiled && !current->pixels) return;
  if (tiled && (!current->tiles || current->tileWidth <= 0 || current->tileHeight <= 0)) return;
  const int32_t tw = current->tileWidth, th = current->tileHeight;
  const int64_t tileCols = tiled ? (int64_t(levelW) + tw - 1) / tw : 0;
  // A whole picture's rows are as wide as its header says.
  const int64_t wholeW = info->bmiHeader.biWidth, wholeH = std::abs(int64_t(info->bmiHeader.biHeight));
  const uint32_t* whole = static_cast<const uint32_t*>(current->pixels);

  auto pixelAt = [&](int32_t lu, int32_t lv, uint32_t* out) {
    if (lu < 0 || lv < 0 || lu >= levelW || lv >= levelH) return false;
    if (!tiled) {
      if (lu >= wholeW || lv >= wholeH) return false;
      *out = whole[size_t(wholeH - 1 - lv) * size_t(wholeW) + size_t(lu)];
      return true;
    }
    const int64_t index = int64_t(lv / th) * tileCols + lu / tw;
    if (index >= current->tileCount) return false;
    const PelnorTile& t = current->tiles[index];
    if (!t.wanted || !t.pixels) return false;
    // A tile's rows lie bottom-up in a buffer of a whole tile; a short one at its end.
    const auto* px = static_cast<const uint32_t*>(t.pixels);
    *out = px[size_t(th - 1 - (lv - t.y)) * size_t(tw) + size_t(lu - t.x)];
    return true;
  };

  const TTurnGrid grid = MakeTurnGrid(viewRect);
  std::vector<uint32_t> row(size_t(width), 0);
  // One row of the view, top-down, in the module's own pixel layout.
  alignas(BITMAPINFO) unsigned char header[PELNOR_HEADER_BYTES];
  std::memcpy(header, info, PELNOR_HEADER_BYTES);
  auto* rowInfo = reinterpret_cast<BITMAPINFO*>(header);
  rowInfo->bmiHeader.biWidth = width;
  rowInfo->bmiHeader.biHeight = -1;
  rowInfo->bmiHeader.biSizeImage = DWORD(width) * 4;
  for (int32_t y = 0; y < height; ++y) {
    int32_t runStart = -1;
    for (int32_t x = 0; x <= width; ++x) {
      bool inside = false;
      if (x < width) {
        double ox, oy, u, v;
        grid.At(left + x, top + y, &ox, &oy);
        OwnToPixel(ox, oy, &u, &v);
        const double lu = std::floor(u / f), lv = std::floor(v / f);
        inside = lu >= 0 && lv >= 0 && lu < levelW && lv < levelH &&
                 pixelAt(int32_t(lu), int32_t(lv), &row[size_t(x)]);
      }
      if (inside && runStart < 0) runStart = x;
      if (!inside && runStart >= 0) {
        StretchDIBits(dc, left + runStart, top + y, x - runStart, 1, runStart, 0, x - runStart, 1,
                      row.data(), rowInfo, DIB_RGB_COLORS, SRCCOPY);
        runStart = -1;
      }
    }
  }
}
