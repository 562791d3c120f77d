// Calibration files of raster pictures: ".@@@" (plane coordinates), ".lnk" (degrees) and ".map"
// (degrees and minutes with a datum line), read into the map's frame, pixel size, rotation and
// rubber sheet; ".@@@" and ".lnk" written. Numbers are read and written in the C locale whatever
// the program's, so a file means the same on every device.
#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "base/text_utils.h"
#include "geodesy/gauss_kruger.h"
#include "platform/win.h"
#include "view/picture_map.h"
#include "view/view_math.h"

using view::TruncSat;

namespace {

constexpr size_t kMaxLine = 255;  // bytes; a longer line is skipped whole
constexpr double kDegree = std::numbers::pi / 180.0;

struct RawPoint {
  double col, row;  // pixel
  double a, b;      // plane X, Y (".@@@") or latitude, longitude in degrees
};

// The file's lines without their ends; false when it cannot be opened or read.
bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
  wchar_t wide[512];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 512) <= 0) return false;
  HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char buf[4096];
  DWORD got = 0;
  // A calibration is a few kilobytes; a megabyte is far past any real one. A read that fails
  // part way (a card error) is no calibration read: its first lines are not the whole file.
  bool failed = false;
  while (text.size() < (1u << 20)) {
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      failed = true;
      break;
    }
    if (got == 0) break;
    text.append(buf, got);
  }
  CloseHandle(h);
  if (failed) return false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() <= kMaxLine) lines->push_back(line);
    else lines->push_back(std::string());  // too long: read as nothing, still counted
    at = end + 1;
  }
  return true;
}

// A number as atof reads it (leading blanks, a sign, the longest prefix; 0 when none), in the C
// locale. Overflow gives infinity.
double Atof(const char* s) {
  while (*s == ' ' || *s == '\t') ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  double v = 0;
  const char* end = s + std::strlen(s);
  auto [ptr, ec] = std::from_chars(s, end, v);
  if (ec == std::errc::result_out_of_range) {
    // Past the double range: keep the sign of the digits' direction (large or tiny).
    const char* e = std::strpbrk(s, "eE");
    v = (e && e[1] != '-') ? INFINITY : 0.0;
  } else if (ec != std::errc()) {
    v = 0;
  }
  return negative ? -v : v;
}

// Tabs to blanks and runs of blanks to one.
std::string Squeeze(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c == '\t') c = ' ';
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  return out;
}

// A point line of ".@@@" or ".lnk": four fields (a trailing blank or a fifth field allowed).
bool ParseFourFields(const std::string& raw, RawPoint* p) {
  std::string line = Squeeze(raw);
  std::vector<size_t> blanks;
  for (size_t i = 1; i < line.size(); ++i)
    if (line[i] == ' ') blanks.push_back(i);
  if (blanks.size() != 3 && blanks.size() != 4) return false;
  const char* s = line.c_str();
  p->col = Atof(s);
  p->row = Atof(s + blanks[0] + 1);
  p->a = Atof(s + blanks[1] + 1);
  p->b = Atof(s + blanks[2] + 1);
  return true;
}

// First non-blank character of a field.
char FirstChar(const std::string& field) {
  for (char c : field)
    if (c != ' ') return c;
  return 0;
}

// A "Point" line of ".map": degrees and minutes with hemisphere letters.
bool ParseMapPoint(const std::string& raw, RawPoint* p) {
  std::string line = Squeeze(raw);
  if (line.compare(0, 5, "Point") != 0) return false;
  std::vector<std::string> fields;
  size_t at = 0;
  while (true) {
    size_t comma = line.find(',', at);
    fields.push_back(line.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  if (fields.size() < 12) return false;  // at least 11 commas
  // The format writes all thirty point lines, the unused ones with blank fields: such a line is
  // no point (read as numbers it would be pixel (0, 0) at 0 N 0 E). Blank minutes read as 0.
  // A pixel or degree field that does not begin as a number is no point either: a comma written
  // as the decimal mark shifts every later field, and the hemisphere letter would read as 0 E.
  for (int field : {2, 3, 6, 9}) {
    const char c = FirstChar(fields[size_t(field)]);
    if (!(c >= '0' && c <= '9') && c != '-' && c != '+' && c != '.') return false;
  }
  p->col = Atof(fields[2].c_str());
  p->row = Atof(fields[3].c_str());
  double lat = Atof(fields[6].c_str()) + Atof(fields[7].c_str()) / 60.0;
  if (FirstChar(fields[8]) == 'S') lat = -lat;
  double lon = Atof(fields[9].c_str()) + Atof(fields[10].c_str()) / 60.0;
  if (FirstChar(fields[11]) == 'W' && lon != 0) lon = 360.0 - lon;
  p->a = lat;
  p->b = lon;
  return true;
}

bool Finite(const RawPoint& p) {
  return std::isfinite(p.col) && std::isfinite(p.row) && std::isfinite(p.a) && std::isfinite(p.b);
}

std::string Fixed(double v) {
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  if (ec != std::errc()) return "0.000000";
  return std::string(buf, ptr);
}

std::wstring Wide(const std::string& s) {
  wchar_t w[512];
  if (MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w, 512) <= 0) return std::wstring();
  return w;
}

bool Exists(const std::string& path) {
  std::wstring w = Wide(path);
  return !w.empty() && GetFileAttributesW(w.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

namespace {

// What a list of points makes of a calibration: the pixel size, the rotation about the first
// point, the top and left edges and, from three points on, the rubber sheet.
struct TSolved {
  float pixelSize = 0;
  double rotation = 0, anchorX = 0, anchorY = 0;
  double top = 0, left = 0;
  TTinTransform tin;
  bool useTin = false;
};

// 0, or the reason the points give no usable transform (TPictureMap's result codes).
int Solve(const std::vector<TListPoint>& points, TSolved* out) {
  const size_t n = points.size();
  if (n < 2) return TPictureMap::kTooFewPoints;
  const TListPoint& p0 = points[0];
  size_t k = 1;
  double best = -1;
  for (size_t i = 1; i < n; ++i) {
    const TListPoint& p = points[i];
    double d = std::hypot(double(p.px) - p0.px, double(p.py) - p0.py);
    if (d > best) best = d, k = i;
  }
  const TListPoint& pk = points[k];
  // Points on one pixel, or on one plane point, give no size: every pixel would map to one
  // ground point, or the picture would lie at infinity.
  const double quotient = std::hypot(pk.x - p0.x, pk.y - p0.y) / best;
  if (!(quotient > 0) || !(quotient < FLT_MAX) || !(float(quotient) > 0)) return TPictureMap::kNoPixelSize;
  const float size = float(quotient);
  out->pixelSize = size;
  out->rotation = std::atan2(double(p0.py) - pk.py, double(pk.px) - p0.px) -
                  std::atan2(pk.x - p0.x, pk.y - p0.y) + 2 * std::numbers::pi;
  out->anchorX = p0.x;
  out->anchorY = p0.y;
  // The point farthest from pixel (0, 0) fixes the top and left edges.
  size_t far = 0;
  double farDistance = -1;
  for (size_t i = 0; i < n; ++i) {
    double d = std::hypot(double(points[i].px), double(points[i].py));
    if (d > farDistance) farDistance = d, far = i;
  }
  const TListPoint& pf = points[far];
  out->top = pf.x + pf.py * double(size);
  out->left = pf.y - pf.px * double(size);
  // Rubber sheet when the points make triangles; the rotation otherwise (points in one pixel
  // line). A sheet refused for its map side is a mistake in the points, not a shape to fall back
  // from: it would put the picture where its points do not say.
  out->useTin = false;
  if (n >= 3) {
    std::vector<TTinControlPoint> control;
    for (const TListPoint& p : points) control.push_back(TTinControlPoint{p.x, p.y, p.px, p.py});
    out->useTin = out->tin.Build(control) && out->tin.TriangleCount() > 0;
    if (!out->useTin && out->tin.MapSideDegenerate()) return TPictureMap::kFlatPoints;
  }
  return 0;
}

}  // namespace

int TPictureMap::CheckCalibrationPoints(const TPointList& list) {
  if (list.Count() < 2) return 0;
  std::vector<TListPoint> all;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TListPoint* p = list.At(i);
    if (p->x == 0 && p->y == 0) return 0;
    if (p->px == TListPoint::kPixelUnset || p->py == TListPoint::kPixelUnset) return 0;
    all.push_back(*p);
  }
  // Points that would not open as a calibration are not worth writing over one that does.
  TSolved solved;
  return Solve(all, &solved) == 0 ? 1 : 0;
}

int TPictureMap::ReadCalibration(const char* picturePath, const double fallback[6]) {
  if (!picturePath || !first) return kNoCalibration;
  char base[256];
  std::strncpy(base, picturePath, sizeof base - 1);
  base[sizeof base - 1] = 0;
  StripExtension(base);
  enum Form { kPlane, kDegrees, kMapFile } form = kMapFile;
  std::string companion = std::string(base) + ".@@@";
  if (Exists(companion)) {
    form = kPlane;
  } else if (companion = std::string(base) + ".lnk"; Exists(companion)) {
    form = kDegrees;
  } else {
    companion = std::string(base) + ".map";
  }
  const double width = first->width, height = first->height;
  std::vector<std::string> lines;
  TSolved solved;
  std::vector<TListPoint> plane;
  const bool haveFile = ReadLines(companion, &lines);
  // There, but not read (a card error, a file a PC sync holds open): the user's calibration is
  // neither replaced by the view's frame nor written over by a placement.
  if (!haveFile && Exists(companion)) {
    unreadCalibration = companion;
    return kCalibrationUnread;
  }
  if (!haveFile) {
    // No calibration: the picture fills the fallback frame (the view's corners), unturned.
    const double size = (fallback[3] - fallback[0]) / height;
    if (fallback[0] == fallback[3] || !(size > 0) || !(size < FLT_MAX) || !(float(size) > 0)) return kNoCalibration;
    solved.pixelSize = float(size);
    solved.anchorX = fallback[0];
    solved.anchorY = fallback[1];
    solved.top = fallback[3];
    solved.left = fallback[1];
  } else {
    std::vector<RawPoint> raw;
    bool wgs84 = false;
    for (size_t i = 0; i < lines.size() && raw.size() < size_t(kMaxCalibrationPoints); ++i) {
      RawPoint p{};
      bool taken = false;
      if (form == kPlane) {
        taken = i >= 2 && ParseFourFields(lines[i], &p);
      } else if (form == kDegrees) {
        taken = i >= 1 && ParseFourFields(lines[i], &p);
      } else {
        if (i == 4) wgs84 = lines[i].compare(0, 6, "WGS 84") == 0;
        taken = i >= 5 && ParseMapPoint(lines[i], &p);
      }
      if (taken && Finite(p)) raw.push_back(p);
    }
    if (form == kPlane) {
      for (const RawPoint& p : raw) plane.push_back(TListPoint{p.a, p.b, 0, TruncSat(p.col), TruncSat(p.row)});
    } else if (!raw.empty()) {
      // One central meridian for all points: that of the middle of their longitudes.
      double lo = raw[0].b, hi = raw[0].b;
      for (const RawPoint& p : raw) lo = std::min(lo, p.b), hi = std::max(hi, p.b);
      const double meridian = GkCentralMeridian((lo + hi) / 2 * kDegree);
      for (const RawPoint& p : raw) {
        double x = 0, y = 0;
        bool ok = (form == kMapFile && wgs84) ? GeoToGk(p.a * kDegree, p.b * kDegree, x, y, meridian)
                                              : GeoToGkSameDatum(p.a * kDegree, p.b * kDegree, x, y, meridian);
        if (ok) plane.push_back(TListPoint{x, y, 0, TruncSat(p.col), TruncSat(p.row)});
      }
    }
    // A calibration that gives no transform does not open: a picture drawn at pixel size 0, or
    // through a flat triangle, would lie far from its ground with nothing to show for it.
    if (int rc = Solve(plane, &solved); rc != 0) return rc;
  }
  placedByFallback = !haveFile;
  points.Clear();
  for (const TListPoint& p : plane) points.Append(p);
  pixelSize = solved.pixelSize;
  rotation = solved.rotation;
  anchorX = solved.anchorX;
  anchorY = solved.anchorY;
  tin = std::move(solved.tin);
  useTin = solved.useTin;
  sinRotation = std::sin(rotation);
  cosRotation = std::cos(rotation);
  frame[3] = solved.top;
  frame[1] = solved.left;
  frame[0] = frame[3] - height * double(pixelSize);
  frame[4] = frame[1] + width * double(pixelSize);
  // The zone the points are written in (their eastings' prefix): near a zone edge a calibration
  // in the neighbouring zone's coordinates is common, and the longitude would name the other.
  const uint8_t zone = GkZoneOfPlane((frame[0] + frame[3]) / 2, (frame[1] + frame[4]) / 2);
  ownZone = zone >= 1 && zone <= 60 ? zone : 255;
  lastViewScale = -1.0;
  SetOutputSystem(outputZone);
  return 0;
}

int WriteCalibrationFile(const char* path, const TPointList& list) {
  if (!path || !*path) return 2;
  char ext[256];
  GetExtension(ext, path, sizeof ext);
  const bool plane = std::strcmp(ext, ".@@@") == 0;
  std::string text;
  int32_t written = 0;
  std::string body;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TListPoint& p = *list.At(i);
    double a = p.x, b = p.y;
    if (!plane) {
      double lat = 0, lon = 0;
      if (!GkToGeoSameDatum(p.x, p.y, lat, lon)) continue;  // no degrees for this point
      a = lat / kDegree;
      b = lon / kDegree;
    }
    body += "\n" + std::to_string(p.px) + " " + std::to_string(p.py) + " " + Fixed(a) + " " + Fixed(b);
    ++written;
  }
  text = plane ? "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0" : std::to_string(written) + " 1 1 1";
  text += body;

  // Replaced in one step: the old calibration survives any failure.
  return vwritefile(path, text.data(), text.size()) == 0 ? 0 : 2;
}
