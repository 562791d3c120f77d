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
  const std::wstring text = std::wstring(g_Lang.GetText(id)) + L"\n" + AnsiToWideString(picture);
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
  if (rc != kNoCalibration) TellCalibrationFailure(path, rc);
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
  double x1, y1, x2, y2;
  if (GkReprojectToZone(frame[0], frame[1], ownZone, zone, x1, y1) &&
      GkReprojectToZone(frame[3], frame[4], ownZone, zone, x2, y2)) {
    outFrame[0] = x1;
    outFrame[1] = y1;
    outFrame[3] = x2;
    outFrame[4] = y2;
    crossZone = true;
  }
}

void TPictureMap::GetExtent(double out[6]) const {
  if (outputZone == ownZone) {
    std::memcpy(out, frame, 6 * sizeof(double));
    return;
  }
  std::memcpy(out, outFrame, 6 * sizeof(double));
  out[0] = std::min(outFrame[0], outFrame[3]);
  out[3] = std::max(outFrame[0], outFrame[3]);
  out[1] = std::min(outFrame[1], outFrame[4]);
  out[4] = std::max(outFrame[1], outFrame[4]);
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
  const double ps = pixelSize;
  if (!(ps > 0) || !std::isfinite(ps)) return;
  if (k != lastViewScale && first) ChooseLevel(k);
  const double f = levelFactor;
  scale = k * ps * f;
  // The view's origin in the picture's own plane. Across zones the planes meet at the view's
  // centre pixel (the one GetCenter takes): its ground is moved into the own zone and the origin
  // kept at the same offset from it.
  double ox = originX, oy = originY;
  if (crossZone && k > 0 && std::isfinite(k)) {
    const int32_t cx = view::HalfAbs(int64_t(view.left) + view.right);
    const int32_t cy = view::HalfAbs(int64_t(view.top) + view.bottom);
    const double gx = (double(view.bottom) - cy) / k + originX, gy = cx / k + originY;
    double hx, hy;
    if (GkReprojectToZone(gx, gy, outputZone, ownZone, hx, hy)) {
      ox = hx - (gx - originX);
      oy = hy - (gy - originY);
    }
  }
  xOffset = (oy - frame[1]) / (ps * f);
  yOffset = (frame[3] - ox) / (ps * f);
}

void TPictureMap::LevelToScreen(double u, double v, int32_t* sx, int32_t* sy) const {
  *sx = TruncSat(scale * (u - xOffset));
  *sy = TruncSat(scale * (v - yOffset) + screenYOffset);
}

void TPictureMap::PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const {
  LevelToScreen(px / levelFactor, py / levelFactor, sx, sy);
}

void TPictureMap::ScreenToPixelF(int32_t sx, int32_t sy, double* u, double* v) const {
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
  double ox, oy, u, v;
  ToOwnZone(x, y, &ox, &oy);
  OwnToPixel(ox, oy, &u, &v);
  LevelToScreen(u / levelFactor, v / levelFactor, sx, sy);
}

void TPictureMap::ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const {
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
  // The view box in the current level's grid.
  double minU = 0, maxU = 0, minV = 0, maxV = 0;
  bool firstCorner = true;
  for (int32_t sx : {int32_t(view.left), int32_t(view.right)})
    for (int32_t sy : {int32_t(view.top), int32_t(view.bottom)}) {
      double u = sx / scale + xOffset, v = (sy - double(screenYOffset)) / scale + yOffset;
      if (firstCorner) {
        minU = maxU = u;
        minV = maxV = v;
        firstCorner = false;
      }
      minU = std::min(minU, u), maxU = std::max(maxU, u);
      minV = std::min(minV, v), maxV = std::max(maxV, v);
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
