// Calibration files of raster pictures: ".@@@" (plane coordinates), ".lnk" (degrees) and ".map"
// (degrees and minutes with a datum line), read into the map's frame, pixel size, rotation and
// rubber sheet; ".@@@" and ".lnk" written. Numbers are read and written in the C locale whatever
// the program's, so a file means the same on every device.
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
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

// The file's lines without their ends; false when it cannot be opened.
bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
  wchar_t wide[512];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 512) <= 0) return false;
  HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char buf[4096];
  DWORD got = 0;
  // A calibration is a few kilobytes; a megabyte is far past any real one.
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0 && text.size() < (1u << 20)) text.append(buf, got);
  CloseHandle(h);
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

int TPictureMap::CheckCalibrationPoints(const TPointList& list) {
  if (list.Count() < 2) return 0;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TListPoint* p = list.At(i);
    if (p->x == 0 && p->y == 0) return 0;
    if (p->px == TListPoint::kPixelUnset || p->py == TListPoint::kPixelUnset) return 0;
  }
  return 1;
}

int TPictureMap::ReadCalibration(const char* picturePath, const double fallback[6]) {
  if (!picturePath || !first) return 2;
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
  bool haveFile = ReadLines(companion, &lines);
  int32_t pointCount = 0;
  placedByFallback = !haveFile;
  if (!haveFile) {
    if (fallback[0] == fallback[3]) return 2;
    frame[0] = fallback[0];
    frame[1] = fallback[1];
    frame[3] = fallback[3];
    frame[4] = fallback[4];
    double size = (fallback[3] - fallback[0]) / height;
    if (std::isfinite(size) && size > 0) pixelSize = float(size);
    rotation = 0;
    anchorX = fallback[0];
    anchorY = fallback[1];
    points.Clear();
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
    std::vector<TListPoint> plane;
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
    points.Clear();
    for (const TListPoint& p : plane) points.Append(p);
    pointCount = points.Count();
    if (pointCount >= 2) {
      const TListPoint& p0 = *points.At(0);
      int32_t k = 1;
      double best = -1;
      for (int32_t i = 1; i < pointCount; ++i) {
        const TListPoint& p = *points.At(i);
        double d = std::hypot(double(p.px) - p0.px, double(p.py) - p0.py);
        if (d > best) best = d, k = i;
      }
      const TListPoint& pk = *points.At(k);
      rotation = std::atan2(double(p0.py) - pk.py, double(pk.px) - p0.px) - std::atan2(pk.x - p0.x, pk.y - p0.y) +
                 2 * std::numbers::pi;
      anchorX = p0.x;
      anchorY = p0.y;
      double size = std::hypot(pk.x - p0.x, pk.y - p0.y) / best;
      if (std::isfinite(size) && size > 0) pixelSize = float(size);
      // The point farthest from pixel (0, 0) fixes the top and left edges.
      int32_t far = 0;
      double farDistance = -1;
      for (int32_t i = 0; i < pointCount; ++i) {
        const TListPoint& p = *points.At(i);
        double d = std::hypot(double(p.px), double(p.py));
        if (d > farDistance) farDistance = d, far = i;
      }
      const TListPoint& pf = *points.At(far);
      frame[3] = pf.x + pf.py * double(pixelSize);
      frame[1] = pf.y - pf.px * double(pixelSize);
    }
  }
  // Rubber sheet when the points make triangles; the rotation otherwise.
  std::vector<TTinControlPoint> control;
  for (int32_t i = 0; i < points.Count(); ++i) {
    const TListPoint& p = *points.At(i);
    control.push_back(TTinControlPoint{p.x, p.y, p.px, p.py});
  }
  useTin = control.size() >= 3 && tin.Build(control) && tin.TriangleCount() > 0;
  sinRotation = std::sin(rotation);
  cosRotation = std::cos(rotation);
  if (!haveFile || pointCount >= 2) {
    frame[0] = frame[3] - height * double(pixelSize);
    frame[4] = frame[1] + width * double(pixelSize);
  }
  ownZone = 255;
  if (pixelSize > 0) {
    uint8_t zone = GkZoneOfPoint((frame[0] + frame[3]) / 2, (frame[1] + frame[4]) / 2);
    if (zone != 0) ownZone = zone;
  }
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
