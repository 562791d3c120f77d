// The project file: an 8-bit text file of the visible area and the maps with their scale
// ranges.
//
//   X1 TAB Y1            south-west corner, "%f"
//   X2 TAB Y2            north-east corner
//   [W]                  the last vector map is the working map
//   min TAB max TAB path [TAB pairs]   one line per raster map, then per vector map
//
// Numbers are read and written in the C locale whatever the process locale. A line longer
// than the line buffer is skipped whole, never split into two map lines. The writer puts every
// line break before its line, so the file has no final line break.
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "geodesy/gauss_kruger.h"
#include "platform/win.h"
#include "view/map_view.h"
#include "view/project_file.h"

namespace {

// Longest line taken: a 255-character path, two numbers and three scale pairs fit well.
constexpr size_t kMaxLine = 1039;
// Far past any project: 16 000 map lines of the longest kind. A larger file is refused unread.
constexpr long kMaxProjectBytes = 16L << 20;

bool ExtIs(const char* ext, const char* want) {
  for (; *ext && *want; ext++, want++)
    if (std::tolower(static_cast<unsigned char>(*ext)) != *want) return false;
  return *ext == 0 && *want == 0;
}

// One "%f" number from `p`: leading white space, an optional sign, then a decimal number.
// Advances `p` past it; false when there is none or it is not finite.
bool ReadNumber(const char*& p, const char* end, double* value) {
  while (p < end && std::isspace(static_cast<unsigned char>(*p))) p++;
  const char* q = p;
  bool negative = false;
  if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
  double v = 0;
  auto r = std::from_chars(q, end, v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr == q || *q == '+' || *q == '-') return false;
  if (!std::isfinite(v)) return false;
  *value = negative ? -v : v;
  p = r.ptr;
  return true;
}

// A project begins with its four corner numbers, and every line after them that is not blank
// is a map line (two TABs or more) or the "W" line. A note saved under the name, or an empty
// file, is none: opening it would close every map for an empty project.
bool IsProjectText(const std::string& text) {
  const char* p = text.data();
  const char* end = p + text.size();
  double corner;
  for (int i = 0; i < 4; i++)
    if (!ReadNumber(p, end, &corner)) return false;
  bool otherText = false;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    const char* lineEnd = nl ? nl : end;
    const std::string line(p, lineEnd);
    p = nl ? nl + 1 : end;
    if (!line.empty() && line[0] == 'W') return true;
    int tabs[2];
    if (FindCharPositions('\t', 2, line.c_str(), tabs) >= 2) return true;
    for (char c : line) otherText = otherText || !std::isspace(static_cast<unsigned char>(c));
  }
  // Only the corners: the empty project the program writes when no map is open.
  return !otherText;
}

// The first bytes of a file (all of it when `whole`): a project's four corner numbers come
// first, and a file whose first bytes hold no room for them after white space is none.
bool StartsAsProject(const char* head, size_t size, bool whole) {
  const char* p = head;
  const char* end = head + size;
  double corner;
  for (int i = 0; i < 4; i++) {
    if (!ReadNumber(p, end, &corner)) return false;
    // A number cut by the end of the bytes read may go on past them.
    if (p == end && !whole) return true;
  }
  return true;
}

void AppendFixed(std::string& out, double v) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, 6);
  out.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

}  // namespace

int32_t ParseScaleField(const char* text) {
  long long v = std::strtoll(text, nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int32_t(v);
}

int ParseScalePairs(const char* text, TScalePair out[3]) {
  int n = 0;
  const char* p = text;
  while (n < 3) {
    const char* semi = std::strchr(p, ';');
    if (!semi) break;  // an unterminated pair is ignored
    std::string pair(p, semi);
    p = semi + 1;
    size_t colon = pair.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    out[n].threshold = ParseScaleField(pair.substr(0, colon).c_str());
    out[n].scale = ParseScaleField(pair.substr(colon + 1).c_str());
    n++;
  }
  return n;
}

int TMapView::OpenProject(const char* filePath, TUserLayer* layer, int keepWorkingMap, bool sayNotOpened) {
  // The file is read and judged before any map is closed.
  std::string text;
  FILE* f = filePath ? vfopen(filePath, "r") : nullptr;
  const bool opened = f != nullptr;
  if (opened) {
    auto refuse = [&] {
      const std::wstring message =
          FormatLangText(lang_id::kMsgNotProjectErrS, PathToWide(filePath).c_str());
      MessageBoxW(FindWindowW(L"Vorna", nullptr), message.c_str(), nullptr, MB_OK);
      return kProjectNotAProject;
    };
    // Judged from its first bytes and its length before it is read whole: a picture or an
    // archive picked under "All Documents" could be larger than the memory there is.
    char chunk[4096];
    size_t got = fread(chunk, 1, sizeof(chunk), f);
    if (!StartsAsProject(chunk, got, got < sizeof(chunk)) || GetFileLength(f) > kMaxProjectBytes) {
      fclose(f);
      return refuse();
    }
    try {
      do text.append(chunk, got);
      while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0);
    } catch (const std::bad_alloc&) {
      fclose(f);
      return 3;  // no memory for it: nothing closed
    }
    fclose(f);
    if (!IsProjectText(text)) return refuse();
  }
  // A working map whose save failed is kept as with the keep flag: the layer keeps it.
  if (!keepWorkingMap && layer && layer->open && !layer->Close()) keepWorkingMap = 1;
  if (keepWorkingMap) {
    KeepWorkingMapOnly();
  } else {
    CloseAllMaps();
  }
  SetWaitCursor(1);
  GetDirPart(projectFolder, filePath ? filePath : "", sizeof(projectFolder));
  if (!opened) {
    SetWaitCursor(0);
    return kProjectNotOpened;
  }

  const char* p = text.data();
  const char* end = p + text.size();
  double corners[4];
  bool haveCorners = true;
  for (double& c : corners)
    if (!ReadNumber(p, end, &c)) {
      haveCorners = false;
      break;
    }
  if (haveCorners) {
    extent[0] = corners[0];
    extent[1] = corners[1];
    extent[3] = corners[2];
    extent[4] = corners[3];
    bool sawW = false, lastFailed = false;
    std::string notOpened;  // the paths for the message, one a line
    while (p < end) {
      const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
      const char* lineEnd = nl ? nl : end;
      std::string line(p, lineEnd);
      p = nl ? nl + 1 : end;
      if (line.size() > kMaxLine) continue;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string asRead = line;
      if (!line.empty() && line[0] == 'W') {
        sawW = true;
        continue;
      }
      int tabs[3];
      int found = FindCharPositions('\t', 3, line.c_str(), tabs);
      if (found < 2) continue;
      line[size_t(tabs[0])] = 0;
      line[size_t(tabs[1])] = 0;
      if (found == 3) line[size_t(tabs[2])] = 0;
      const char* s = line.c_str();
      int32_t first = ParseScaleField(s);
      int32_t second = ParseScaleField(s + tabs[0] + 1);
      const char* name = s + tabs[1] + 1;
      const char* pairs = found == 3 ? s + tabs[2] + 1 : nullptr;

      std::string mapPath = name[0] == '\\' ? std::string(name) : std::string(projectFolder) + name;
      char ext[256];
      GetExtension(ext, mapPath.c_str(), sizeof(ext));
      if (!ext[0]) {
        mapPath += ".mdm";
        std::strcpy(ext, ".mdm");
      }
      bool vector = ExtIs(ext, ".mdm");
      bool raster = ExtIs(ext, ".jpg") || ExtIs(ext, ".tif");
      if (!vector && !raster) continue;
      // A map that cannot be opened now (the card out, the file moved away) keeps its line: it
      // is written back as read by the next save, so the map comes back once its file does.
      // The line is kept with its path made whole (the project may be saved in another folder),
      // its ranges and scale pairs as they were read.
      auto keepUnopened = [&] {
        lastFailed = true;
        std::string kept = asRead;
        if (mapPath.size() <= 255)
          kept = asRead.substr(0, size_t(tabs[1]) + 1) + mapPath + (found == 3 ? asRead.substr(size_t(tabs[2])) : "");
        unopenedLines.push_back(
            TUnopenedLine{kept, raster, raster ? GetRasterMapCount() : GetVectorMapCount(), false, mapPath});
        notOpened += "\n" + mapPath;
      };
      if (mapPath.size() > 255) {  // no device path: would open another file's name
        keepUnopened();
        continue;
      }
      if (raster) {
        int before = GetRasterMapCount();
        if (AddRasterMap(mapPath.c_str(), 0) != 0) {
          keepUnopened();
        } else {
          lastFailed = false;
          // A duplicate adds nothing; it must not take over another map's range.
          if (GetRasterMapCount() > before) {
            rasterMaps.back()->minScale = first;
            rasterMaps.back()->maxScale = second;
            // Listed, but its picture or calibration could not be read: never drawn.
            if (!rasterMaps.back()->open) notOpened += "\n" + mapPath;
          }
        }
      } else {
        const bool duplicate = FindVectorMapIndex(mapPath.c_str()) >= 0;
        int index = AddVectorMap(mapPath.c_str(), 0);
        if (index < 0) {
          if (duplicate)
            lastFailed = true;  // a second line of one map is not kept
          else
            keepUnopened();
        } else {
          lastFailed = false;
          TVectorMapSlot& slot = vectorMaps[size_t(index)];
          slot.minScale = first;
          slot.maxScale = second;
          if (pairs) {
            TScalePair found3[3];
            int n = ParseScalePairs(pairs, found3);
            slot.map->SetScalePairs(found3, uint8_t(n));
          }
        }
      }
    }
    // The working map's own line failed: it stays the working map of the project file.
    if (sawW && lastFailed && !unopenedLines.empty() && !unopenedLines.back().raster &&
        unopenedLines.back().before == GetVectorMapCount())
      unopenedLines.back().working = true;
    viewInitialised = 0;
    if (sayNotOpened && !notOpened.empty()) {
      const std::wstring list = PathToWide(notOpened);
      const std::wstring text = FormatLangText(lang_id::kMsgPrjMapsNotOpenedS, list.c_str());
      MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
    if (layer && !vectorMaps.empty() && !keepWorkingMap) {
      int last = GetVectorMapCount() - 1;
      if (!sawW || lastFailed) {
        layer->Close();
      } else if (LoadVectorMapObjects(last) == 0) {
        layer->Attach(WorkingMapHost(), last);
        workingLayer = layer;
      }
    }
    UpdateViewZone();
    // The corners were written in some zone's coordinates; their easting says which (a corner
    // just west of a zone edge is often written in the eastern zone, as its maps are).
    uint8_t cornerZone = GkZoneOfPlane(extent[0], extent[1]);
    if (cornerZone != zone) {
      double x1, y1, x2, y2;
      if (GkReprojectToZone(extent[0], extent[1], cornerZone, zone, x1, y1) &&
          GkReprojectToZone(extent[3], extent[4], cornerZone, zone, x2, y2)) {
        extent[0] = x1;
        extent[1] = y1;
        extent[3] = x2;
        extent[4] = y2;
      }
    }
  }
  SetWaitCursor(0);
  return 0;
}

int TMapView::SaveProject(const char* filePath) {
  double x1, y1, x2, y2;
  ScreenToPlane(viewRect.left, viewRect.bottom, &x1, &y1, 1);
  ScreenToPlane(viewRect.right, viewRect.top, &x2, &y2, 1);
  std::string out;
  AppendFixed(out, x1);
  out += '\t';
  AppendFixed(out, y1);
  out += '\n';
  AppendFixed(out, x2);
  out += '\t';
  AppendFixed(out, y2);
  const bool working = !vectorMaps.empty() && vectorMaps.back().map->IsWorkingMap();
  // The working map of the file was a map not opened this run: it stays last, and working.
  const TUnopenedLine* unopenedWorking = nullptr;
  if (!working)
    for (const TUnopenedLine& u : unopenedLines)
      if (u.working) unopenedWorking = &u;
  if (working || unopenedWorking) out += "\nW";
  auto line = [&](int32_t lo, int32_t hi, const char* path) {
    out += '\n';
    out += std::to_string(lo);
    out += '\t';
    out += std::to_string(hi);
    out += '\t';
    out += path;
  };
  // The lines kept from the project read, each before the map it stood before (the working
  // map stays last).
  auto unopened = [&](bool raster, int at, bool rest) {
    for (const TUnopenedLine& u : unopenedLines)
      if (u.raster == raster && &u != unopenedWorking && (rest ? u.before >= at : u.before == at))
        out += "\n" + u.text;
  };
  const int rasterCount = GetRasterMapCount();
  for (int i = 0; i < rasterCount; ++i) {
    unopened(true, i, false);
    line(rasterMaps[size_t(i)]->minScale, rasterMaps[size_t(i)]->maxScale, rasterMaps[size_t(i)]->path);
  }
  unopened(true, rasterCount, true);
  const int vectorCount = GetVectorMapCount();
  const int beforeWorking = working ? vectorCount - 1 : vectorCount;
  for (int i = 0; i < vectorCount; ++i) {
    TVectorMapSlot& slot = vectorMaps[size_t(i)];
    if (i == beforeWorking) unopened(false, i, true);
    else unopened(false, i, false);
    line(slot.minScale, slot.maxScale, slot.map->path);
    // The map's nominal-scale pairs go along as the reader takes them: without them the project
    // saved at exit would open next time with the symbols and labels drawn at another size.
    const TMdmMap* m = slot.map.get();
    if (!m->scalePairCount) continue;
    out += '\t';
    for (int i = 0; i < m->scalePairCount; ++i)
      out += std::to_string(m->scalePairs[i].threshold) + ":" + std::to_string(m->scalePairs[i].scale) + ";";
  }
  if (beforeWorking == vectorCount) unopened(false, vectorCount, true);
  if (unopenedWorking) out += "\n" + unopenedWorking->text;

  // Replaced in one step: a project cut short by a full card would lose its maps. A failure is
  // reported like a file that cannot be created, and the old project stays as it was.
  if (!filePath || vwritefile(filePath, out.data(), out.size()) != 0) return kProjectNotWritten;
  return 0;
}

int TMapView::OpenFile(const char* filePath, TUserLayer* layer, int fit) {
  if (!filePath) return 0;
  char ext[256];
  GetExtension(ext, filePath, sizeof(ext));
  if (ExtIs(ext, ".mdm")) return AddVectorMap(filePath, fit) < 0 ? 1 : 0;
  if (ExtIs(ext, ".jpg") || ExtIs(ext, ".tif")) {
    int rc = AddRasterMap(filePath, fit);
    // Listed but not open (no picture or calibration could be read, this time or again): not a
    // success.
    const int listed = rc == 0 ? FindRasterMapIndex(filePath) : -1;
    if (listed >= 0 && !rasterMaps[size_t(listed)]->open) return 1;
    return rc;
  }
  if (ExtIs(ext, ".mpj")) return OpenProject(filePath, layer, 0);
  return 0;
}
