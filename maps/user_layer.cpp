#include "maps/user_layer.h"

#include <cmath>
#include <cstring>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/save_report.h"
#include "base/text_utils.h"
#include "geodesy/gauss_kruger.h"
#include "maps/mdm_settings.h"
#include "maps/object_library.h"
#include "platform/fresh_state.h"
#include "platform/win.h"

// Built at compile time (every member has a constant initialiser) and with nothing to destroy,
// so its place among the program's globals does not matter.
constinit TUserLayer g_UserLayer;
namespace {
const vplat::FreshStateHook kFresh(3, [] { vplat::Renew(g_UserLayer); });
}  // namespace

namespace {
// A track is cut after this many vertices when "WMCutLong" is set: the object ends with 3001.
constexpr int32_t kCutAfter = 2999;
}  // namespace

int TUserLayer::Attach(IWorkingMapHost* view, int mapNumber) {
  if (open) return 1;
  TMdmMap* m = view ? view->GetVectorMap(mapNumber) : nullptr;
  if (!m) return 0;
  view->LoadVectorMapObjects(mapNumber);
  m->working = 1;  // resident: its objects are never freed by the view
  m->loadAll = 0;
  m->LoadVisibleObjects();
  m->loaded = 1;
  host = view;
  map = m;
  open = 1;
  saved = 1;
  pendingX = pendingY = 0.0;
  fullShown = false;
  return 1;
}

int TUserLayer::Close() {
  if (!open) return 0;
  if (letGo) letGo->BeforeWorkingMapLetGo();
  const bool wasRecording = recording != 0;
  const bool wasPaused = paused;
  EndObject();  // an empty track is dropped by its save
  // A map whose edits did not reach the card stays the working map, resident and unsaved, so
  // the next save tries again: closed, its edits would be gone with the map. A walk goes on in
  // it, in a new track.
  if (WriteMap(0, false) != kMdmOk) {
    carryTrack = wasRecording;
    carryPaused = wasPaused;
    const std::wstring name = PathToWide(map->path);
    const std::wstring text = FormatLangText(lang_id::kMsgWMKeptUnsavedS, name.c_str());
    MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), nullptr, MB_OK | MB_ICONERROR);
    return 0;
  }
  map->working = 0;
  map = nullptr;
  host = nullptr;
  open = 0;
  // Closed mid-walk (another map made the working map): the track goes on in the next one.
  carryTrack = wasRecording;
  carryPaused = wasPaused;
  return 1;
}

int TUserLayer::CreateMap(uint32_t scale, int unitExponent, double planeX, double planeY,
                          uint8_t outZone) {
  if (!open) return 0;
  // e has three bits in the flags byte.
  if (unitExponent < -3 || unitExponent > 4 || !map->path[0]) return 0;
  int e = unitExponent + 3;
  // The frame lies in the zone the map is shown in, so the working map is never rotated and
  // recorded positions convert exactly; only a zone outside 1..60 falls back to the point's own.
  uint8_t z = (outZone >= 1 && outZone <= 60) ? outZone : GkZoneOfPoint(planeX, planeY);
  if (z < 1 || z > 60) return 0;

  map->FreeItems();
  map->ResetObjects();
  if (map->libraryName[0]) {
    uint16_t len = 0;
    AttrListAppend(map->headerList, len, mdm::kLibraryNameTag, mdm::kAttrText,
                   map->libraryName, uint16_t(std::strlen(map->libraryName)));
    mdm::PutU16(map->header + mdm::kOffHeaderListLen, len);
  } else {
    mdm::PutU16(map->header + mdm::kOffHeaderListLen, 0);
  }
  uint8_t* h = map->header;
  std::memcpy(h, mdm::kMagic, 5);
  h[mdm::kOffVersion] = 3;
  h[mdm::kOffFlags] = uint8_t(e << mdm::kUnitShift | mdm::kFlagWritten | mdm::kFlagWideEntries);
  mdm::PutU32(h + mdm::kOffScale, scale);
  mdm::PutU32(h + mdm::kOffReserved11, 0);
  mdm::PutU32(h + mdm::kOffTableEnd, 0);
  mdm::PutU16(h + mdm::kOffReservedLen, 0);
  mdm::PutU16(h + mdm::kOffEntryCount, 0);
  // A band 2000 km wide about the zone's central meridian, from the equator to 9000 km north.
  map->SetHeaderFrame(0, 0.0);
  map->SetHeaderFrame(1, z * 1000000.0 - 500000.0);
  map->SetHeaderFrame(3, 9000000.0);
  map->SetHeaderFrame(4, z * 1000000.0 + 1500000.0);
  map->nominalScale = scale;
  map->wideEntries = 1;
  map->opened = 1;
  map->loaded = 1;
  map->zone = z;
  map->unit = float(UnitOfExponent(e));
  map->SetOutputZone(outZone);
  map->UpdateFrameBounds();
  recording = 0;
  paused = false;
  current = 0;
  saved = 0;
  return Save(0) == kMdmOk ? 1 : 0;
}

int32_t TUserLayer::NewObject(uint16_t code) {
  if (!open) return 0;
  int32_t idx = map->AddObject(code, mdm::kKindLine);
  current = uint16_t(idx);
  return idx;
}

int32_t TUserLayer::BeginObject() {
  if (!open) return 0;
  carryTrack = false;
  carryPaused = false;
  paused = false;
  // A device that never chose a track type ("GPSDefCode" unset) records with the working map's
  // first line type: a track of code 0 is no object, and the next save would drop the walk.
  int32_t idx = NewObject(trackCode ? trackCode : NewCodeOfKind(0, mdm::kKindLine));
  if (idx <= 0) {
    // No record is left (65,535 objects, or no memory): recording stops here, said once, rather
    // than every fix going nowhere.
    recording = 0;
    TellNoRoom();
    return 0;
  }
  recording = 1;
  map->recordedObject = current;
  startTime = GetTickCount();
  if (pendingX != 0.0) {
    const double x = pendingX, y = pendingY;
    pendingX = pendingY = 0.0;
    AddPoint(x, y);
  }
  return idx;
}

int TUserLayer::AddPoint(double planeX, double planeY) {
  if (!open) {
    // The working map was closed mid-walk and none took its place: the walk is no longer
    // recorded, which the user hears once.
    if (carryTrack) {
      carryTrack = false;
      TellUser(lang_id::kMsgTrackNoWMErr);
    }
    return 0;
  }
  // A walk carried over from the working map closed mid-walk goes on here, in a new track.
  // (Begun at its first fix, not at the attach: a map being made has no records yet.)
  if (!recording && carryTrack) BeginObject();
  if (!recording) {
    pendingX = planeX;
    pendingY = planeY;
    return 0;
  }
  // The object being recorded is gone (the user deleted it: code and kind 0): the track goes on
  // in a new one. A track of code 0 whose type is still being chosen is not gone.
  const TMapObject* o = map->GetObjectRecord(current);
  if ((!o || (o->code == 0 && o->kind == 0)) && BeginObject() <= 0) return 0;
  int32_t x, y;
  map->ViewPlaneToMap(planeX, planeY, &x, &y);  // the fix's ground, whatever the map's zone
  int32_t n = map->GetVertexCount(current);
  // With "WMCutLong" tracks are cut after 3000 vertices; without it only where an object can
  // hold no more, so the track goes on in a new object instead of being refused.
  bool cutNow = cut ? n > kCutAfter : n >= TMdmMap::kMaxVertices - 1;
  int stored = 0;
  if (cutNow) {
    stored = map->AppendVertex(current, x, y) ? 1 : 0;
    EndObject();
    // A map with no room for the next piece has stopped the recording (and said so).
    if (BeginObject() <= 0) return stored;
  }
  if (map->AppendVertex(current, x, y)) stored = 1;
  pendingX = pendingY = 0.0;
  if (stored) saved = 0;
  return stored;
}

int TUserLayer::EndObject() {
  carryTrack = false;  // ended on purpose: nothing is taken up by the next working map
  carryPaused = false;
  if (!open || (!recording && !paused)) return 0;
  recording = 0;
  paused = false;
  map->recordedObject = 0;
  // A track that never got a vertex is no object: this save drops it, also from the file, where
  // a save during the recording kept it.
  if (map->GetObjectCode(current) != 0 && map->GetVertexCount(current) == 0) saved = 0;
  Save(0);
  return 1;
}

int TUserLayer::PauseObject() {
  // A walk carried over from a closed working map that has had no fix since: it waits, paused,
  // instead of beginning its new track at the next fix.
  if (!recording && carryTrack) {
    carryTrack = false;
    carryPaused = true;
    return 1;
  }
  if (!open || !recording) return 0;
  recording = 0;
  paused = true;
  return 1;
}

int TUserLayer::ResumeObject() {
  // Paused when its working map was let go: the walk goes on as a carried one, in a new track
  // of the map attached by then (or told lost at the next fix when there is none).
  if (!paused && carryPaused) {
    carryPaused = false;
    carryTrack = true;
    return 1;
  }
  if (!open || !paused) return 0;
  paused = false;
  // The object may have gone meanwhile (deleted by the user): the next position begins anew,
  // as it does for a recorded object deleted.
  const TMapObject* o = map->GetObjectRecord(current);
  if (!o || (o->code == 0 && o->kind == 0)) {
    map->recordedObject = 0;
    carryTrack = true;
    return 0;
  }
  recording = 1;
  return 1;
}

int TUserLayer::Save(int regroup) { return WriteMap(regroup, true); }

int TUserLayer::WriteMap(int regroup, bool report) {
  if (!open) return 0;
  pendingX = pendingY = 0.0;
  if (saved) return kMdmOk;
  struct SavingMark {
    int& flag;
    explicit SavingMark(int& f) : flag(f) { flag = 1; }
    ~SavingMark() { flag = 0; }
  } mark(saving);
  int rc = map->Save(map->path, pins > 0 ? 0 : regroup);
  if (rc == kMdmOk) {
    saved = 1;
    // The save kept damaged objects as they were stored; the user hears of it once per run.
    if (map->damagedObjects > 0 && !damageShown) {
      HWND main = FindWindowW(L"Vorna", nullptr);
      if (main) {
        damageShown = true;
        ShowMapMessage(main, 100004);  // Msg_BadFileFormat
      }
    }
    return rc;
  }
  // Unsaved, so the next trigger tries again; the user hears of it once per run.
  if (report) ReportSaveFailure(TSaveKind::kMap, map->path);
  return rc;
}

int32_t TUserLayer::AddObject(uint16_t code, double planeX, double planeY, const char* text) {
  if (!open) return -1;
  int32_t x, y;
  map->ViewPlaneToMap(planeX, planeY, &x, &y);
  int32_t idx = map->AddPointObject(code, x, y, 0);
  // Refused inside the extent: the map has no record left.
  if (idx <= 0 && map->IsInside(x, y)) TellNoRoom();
  if (text && idx > 0) map->SetStrAttr(uint16_t(idx), mdm::kTagText, text);
  saved = 0;
  return idx;
}

int TUserLayer::SetObjectCode(uint16_t index, uint16_t code) {
  if (!open) return 0;
  map->SetObjectCode(index, code);
  saved = 0;
  return 1;
}

int TUserLayer::CopyAttrs(uint16_t dst, uint16_t src) {
  if (!open) return 0;
  map->CopyAttrs(dst, src);
  saved = 0;
  return 1;
}

int TUserLayer::DeleteObject(uint16_t index) {
  if (!open) return 0;
  // A deleted object that stayed unsaved would come back with the next start.
  const int deleted = map->DeleteObject(index);
  if (deleted) saved = 0;
  return deleted;
}

uint16_t TUserLayer::GetObjectCode(uint16_t index) const {
  return open ? map->GetObjectCode(index) : 0;
}

TObjectLibrary* TUserLayer::GetLibrary() const { return open ? map->GetLibrary() : nullptr; }

uint16_t TUserLayer::NewCodeOfKind(uint16_t wanted, uint8_t kind) const {
  if ((wanted & 7) == kind) return wanted;
  if (const TObjectLibrary* library = GetLibrary())
    for (int i = 0; i < library->styles.Count(); ++i) {
      const uint16_t code = library->styles.Entry(i)->code;
      if ((code & 7) == kind) return code;
    }
  return kind;
}

int TUserLayer::PrepareView(const RECT& rect) {
  if (!open || !host) return 0;
  host->PrepareMap(map, rect);
  return 0;
}

int TUserLayer::Draw(HDC dc) {
  if (!open || !host) return 0;
  host->DrawWorkingMap(map, dc);
  return 0;
}

void TUserLayer::GetObjectBox(uint16_t index, double out[3]) const {
  out[0] = out[1] = out[2] = 0.0;
  if (!open || !map->IsValidObjectIndex(index)) return;
  TMapPoint c1;
  map->GetObjectBounds(index, &c1, nullptr);
  map->MapToViewPlane(c1.x, c1.y, &out[0], &out[1]);
}

int TUserLayer::GetRecordingStats(double* lengthMetres, uint32_t* seconds) const {
  if (!open || !recording || current == 0 || !map->IsValidObjectIndex(current)) return 0;
  const TMapObject* o = &map->objects[current];
  double units = 0.0;
  for (int32_t i = 1; i < o->vertexCount; i++)
    units += std::hypot(double(o->vertices[i].x) - o->vertices[i - 1].x,
                        double(o->vertices[i].y) - o->vertices[i - 1].y);
  *lengthMetres = units * map->UnitMetres();
  *seconds = (GetTickCount() - startTime) / 1000u;
  return 1;
}

void TUserLayer::TellUser(int textId) {
  if (HWND main = FindWindowW(L"Vorna", nullptr)) ShowMapMessage(main, textId);
}

void TUserLayer::TellNoRoom() {
  // Once per attached map: a full map stays full until a regrouping save renumbers it, and the
  // echo sounder would otherwise ask for a box every second.
  if (fullShown) return;
  fullShown = true;
  TellUser(lang_id::kMsgWMFullErr);
}

int TUserLayer::Flush() {
  if (!open || saved) return 0;
  return Save(1);
}
