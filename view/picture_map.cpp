#include "view/picture_map.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

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
  if (ReadCalibration(path, fallback) == 0) {
    open = 1;
    shown = 1;
    if (placedByFallback) WritePlacement();
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
  std::memcpy(outFrame, frame, sizeof outFrame);
  if (zone == ownZone) return;
  double x1, y1, x2, y2;
  if (GkReprojectToZone(frame[0], frame[1], ownZone, zone, x1, y1) &&
      GkReprojectToZone(frame[3], frame[4], ownZone, zone, x2, y2)) {
    outFrame[0] = x1;
    outFrame[1] = y1;
    outFrame[3] = x2;
    outFrame[4] = y2;
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
  xOffset = (originY - outFrame[1]) / (ps * f);
  yOffset = (outFrame[3] - originX) / (ps * f);
}

void TPictureMap::LevelToScreen(double u, double v, int32_t* sx, int32_t* sy) const {
  *sx = TruncSat(scale * (u - xOffset));
  *sy = TruncSat(scale * (v - yOffset) + screenYOffset);
}

void TPictureMap::PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const {
  LevelToScreen(px / levelFactor, py / levelFactor, sx, sy);
}

void TPictureMap::ScreenToPixel(int32_t sx, int32_t sy, int32_t* px, int32_t* py) const {
  if (scale == 0 || !std::isfinite(scale)) {
    *px = *py = 0;
    return;
  }
  *px = TruncSat((sx / scale + xOffset) * levelFactor);
  *py = TruncSat(((sy - double(screenYOffset)) / scale + yOffset) * levelFactor);
}

void TPictureMap::PlaneToPixel(double x, double y, int32_t* px, int32_t* py) const {
  if (useTin) {
    int32_t c = 0, r = 0;
    if (tin.MapToPixel(x, y, c, r)) {
      *px = c;
      *py = r;
      return;
    }
  }
  const double ps = pixelSize;
  if (!(ps > 0)) {
    *px = *py = 0;
    return;
  }
  const double dx = x - anchorX, dy = y - anchorY;
  const double xr = dx * cosRotation + dy * sinRotation + anchorX;
  const double yr = -dx * sinRotation + dy * cosRotation + anchorY;
  *px = TruncSat((yr - frame[1]) / ps);
  *py = TruncSat((frame[3] - xr) / ps);
}

void TPictureMap::PixelToPlane(int32_t px, int32_t py, double* x, double* y) const {
  if (useTin) {
    double X = 0, Y = 0;
    if (tin.PixelToMap(px, py, X, Y)) {
      *x = X;
      *y = Y;
      return;
    }
  }
  // The calibration's own axes, then the rotation about the anchor undone.
  const double xr = frame[3] - py * double(pixelSize) - anchorX;
  const double yr = frame[1] + px * double(pixelSize) - anchorY;
  *x = xr * cosRotation - yr * sinRotation + anchorX;
  *y = xr * sinRotation + yr * cosRotation + anchorY;
}

void TPictureMap::PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) const {
  int32_t px = 0, py = 0;
  PlaneToPixel(x, y, &px, &py);
  PixelToScreen(px, py, sx, sy);
}

void TPictureMap::ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const {
  int32_t px = 0, py = 0;
  ScreenToPixel(sx, sy, &px, &py);
  PixelToPlane(px, py, x, y);
}

void TPictureMap::LoadVisibleTiles(const RECT& view, int32_t bottom) {
  viewRect = view;
  screenYOffset = bottom;
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
  const double tw = current->tileWidth, th = current->tileHeight;
  int32_t meeting = 0;
  for (int32_t i = 0; i < current->tileCount; ++i) {
    PelnorTile& t = current->tiles[i];
    // Touching along an edge is not meeting.
    const bool meets = minU < t.x + tw && t.x < maxU && minV < t.y + th && t.y < maxV;
    t.wanted = meets ? 1 : 0;
    meeting += meets;
  }
  if (meeting > kMaxVisibleTiles)
    for (int32_t i = 0; i < current->tileCount; ++i) current->tiles[i].wanted = 0;
  if (g_ImageLib.Load()) g_ImageLib.LoadMapImageTiles(path, current);
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
