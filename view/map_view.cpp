// The view as the project: construction, start-up resources, the two map lists, display
// switches, objects found by map name and the highlight list.
#include "view/map_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "geodesy/ellipsoid.h"
#include "geodesy/geodesy.h"
#include "platform/fresh_state.h"
#include "platform/win.h"
#include "view/view_math.h"

// g_MapView is defined with the program's other globals, in app/globals.cpp.

namespace {

// The raster map whose transform stands in for the view's (see SetActiveRasterMap).
TRasterMap* g_overrideRaster = nullptr;
const vplat::FreshStateHook kFresh(4, [] { g_overrideRaster = nullptr; });

bool EqualNoCase(const char* a, const char* b) {
  for (;; a++, b++) {
    unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
    if (ca != cb) return false;
    if (!ca) return true;
  }
}

// File name without folder and extension.
std::string BareName(const char* path) {
  char name[256];
  GetFileNamePart(name, path, sizeof(name));
  StripExtension(name);
  return name;
}

// folder + tail without doubling the separator between them.
std::string JoinFolder(const char* folder, const char* tail) {
  std::string s = folder;
  if (!s.empty() && (s.back() == '\\' || s.back() == '/') && tail[0] == '\\') tail++;
  return s + tail;
}

}  // namespace

void RasterPlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) {
  if (g_overrideRaster) g_overrideRaster->PlaneToScreen(x, y, sx, sy);
}

void RasterScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) {
  if (g_overrideRaster) g_overrideRaster->ScreenToPlane(sx, sy, x, y);
}

TMapView::TMapView() {
  SetTransformCallbacks(nullptr, nullptr);
}

TMapView::~TMapView() {
  // The working-map layer is not consulted here: at exit it has already written its map, and
  // it may be gone before the view.
  workingLayer = nullptr;
  CloseAllMaps();
  dbLayer.reset();
}

// ---- start-up ----

int TMapView::LoadStartupResources(const char* programFolderPath, TBackBuffer* buffer) {
  std::snprintf(programFolder, sizeof(programFolder), "%s",
                programFolderPath ? programFolderPath : "");
  backBuffer = buffer;
  int rc = 0;
  if (palette.Load(JoinFolder(programFolder, "\\Obj\\Vorna.rgb").c_str()) != 0) {
    MessageBoxW(FindWindowW(L"Vorna", nullptr), g_Lang.GetText(lang_id::kMsgNoPalette), nullptr,
                MB_OK);
    rc = 6;
  }
  libraries.SetFolder(JoinFolder(programFolder, "obj\\").c_str(), &palette);
  return rc;
}

void TMapView::ReadScreenResolution(HWND window) {
  HDC dc = GetDC(window);
  int res = GetDeviceCaps(dc, HORZRES);
  int size = GetDeviceCaps(dc, HORZSIZE);
  ReleaseDC(window, dc);
  // A display that does not know its width gets 5 pixels a millimetre.
  devicePixelsPerMetre = size > 0 ? double(res) / double(size) * 1000.0 : 5000.0;
}

int TMapView::CreateDbLayer(const char* databasePath, TGeoToScreenFn toScreen,
                            TScreenToGeoFn toGeo) {
  if (!dbLayer) dbLayer.reset(::CreateDbLayer(toScreen, toGeo));
  if (dbLayer) std::snprintf(dbLayer->path, sizeof(dbLayer->path), "%s", databasePath ? databasePath : "");
  return 0;
}

// ---- map lists ----

bool TMapView::ReleaseFromLayer(TMdmMap* map) {
  if (workingLayer && workingLayer->open && workingLayer->map == map) return workingLayer->Close() != 0;
  return true;
}

int TMapView::AddVectorMap(const char* filePath, int fit) {
  if (!filePath) return -1;
  for (auto& slot : vectorMaps)
    if (EqualNoCase(slot.map->path, filePath)) return -1;
  TVectorMapSlot slot;
  try {
    slot.map = std::make_unique<TMdmMap>();
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (!FileExists(filePath)) {
    // A save cut short (by a writer that renamed the map aside first) left the map under its
    // temporary or old name: taken up again, or the user told where its last copy lies.
    char copy[256];
    if (!RecoverMapFile(filePath, copy, sizeof copy) && copy[0]) {
      const std::wstring name = PathToWide(filePath), where = PathToWide(copy);
      const std::wstring text = FormatLangText(lang_id::kMsgMapCopyFoundSS, name.c_str(), where.c_str());
      MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
  }
  if (slot.map->OpenHeader(filePath) != kMdmOk) return -1;
  int index;
  try {
    if (!vectorMaps.empty() && vectorMaps.back().map->IsWorkingMap()) {
      // The working map stays last.
      index = int(vectorMaps.size()) - 1;
      vectorMaps.insert(vectorMaps.begin() + index, std::move(slot));
    } else {
      index = int(vectorMaps.size());
      vectorMaps.push_back(std::move(slot));
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  DropUnopenedLine(filePath);
  if (index + 1 < int(vectorMaps.size())) {
    // Inserted before the working map, which moves one place on.
    std::vector<int> places(vectorMaps.size() - 1);
    for (size_t i = 0; i < places.size(); ++i) places[i] = int(i) < index ? int(i) : int(i) + 1;
    FollowMapPlaces(places);
  }
  if (fit) {
    UpdateViewZone();
    if (vectorMaps.size() == 1) {
      for (int k = 0; k < 6; k++) extent[k] = vectorMaps[0].map->HeaderFrame(k);
      viewInitialised = 0;
    }
  }
  return index;
}

TMdmMap* TMapView::CreateVectorMap(const char* filePath, const char* libraryName) {
  if (!filePath || !libraryName) return nullptr;
  TVectorMapSlot slot;
  try {
    slot.map = std::make_unique<TMdmMap>();
    vectorMaps.push_back(std::move(slot));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  TMdmMap* m = vectorMaps.back().map.get();
  std::snprintf(m->path, sizeof(m->path), "%s", filePath);
  std::snprintf(m->libraryName, sizeof(m->libraryName), "%s", libraryName);
  m->BindLibrary(&libraries);
  return m;
}

int TMapView::LoadVectorMapObjects(int i) {
  if (i < 0 || i >= GetVectorMapCount()) return 0;
  TMdmMap* m = vectorMaps[size_t(i)].map.get();
  if (m->loaded) return 0;
  int rc = m->Load();
  if (rc == kMdmOk) rc = m->BindLibrary(&libraries);
  transformsValid = 0;
  layersReset = 1;
  if (rc != kMdmOk) {
    m->FreeItems();
    return rc;
  }
  m->UpdateFrameBounds();
  m->ComputeObjectLevels();
  return 0;
}

int TMapView::AddRasterMap(const char* filePath, int fit) {
  if (!filePath) return 2;
  const int listed = FindRasterMapIndex(filePath);
  // Listed and drawn: nothing to add. Listed but never drawn (its picture or calibration could
  // not be read, or it came before any view gave it a frame): opened afresh in its place, so
  // that a calibration the user mended counts and a failure is said again.
  if (listed >= 0 && rasterMaps[size_t(listed)]->open) return 0;
  std::unique_ptr<TRasterMap> map(CreateRasterMap());
  if (!map) return 2;  // no raster support installed: the picture cannot be opened
  double fallback[6] = {0, 0, 0, 0, 0, 0};
  if (!vectorMaps.empty() || !rasterMaps.empty()) {
    ScreenToPlane(viewRect.left, viewRect.bottom, &fallback[0], &fallback[1], 1);
    ScreenToPlane(viewRect.right, viewRect.top, &fallback[3], &fallback[4], 1);
  }
  int rc = map->Open(filePath, fallback);
  if (rc != 0) return rc;
  DropUnopenedLine(filePath);
  if (listed >= 0) {
    TRasterMap& old = *rasterMaps[size_t(listed)];
    map->minScale = old.minScale;
    map->maxScale = old.maxScale;
    rasterMaps[size_t(listed)] = std::move(map);
  } else {
    try {
      rasterMaps.push_back(std::move(map));
    } catch (const std::bad_alloc&) {
      return 3;
    }
  }
  if (fit) {
    UpdateViewZone();
    // A picture that did not open has no frame worth showing: the view stays where it is.
    if (rasterMaps.size() == 1 && vectorMaps.empty() && rasterMaps[0]->open) {
      std::memcpy(extent, rasterMaps[0]->frame, sizeof(extent));
      viewInitialised = 0;
    }
  }
  transformsValid = 0;
  layersReset = 1;
  return 0;
}

int TMapView::ActivateRasterMap(int i) {
  if (i < 0 || i >= GetRasterMapCount() || rasterMaps[size_t(i)]->active) return 0;
  int rc = rasterMaps[size_t(i)]->Activate();
  // A picture whose pixels did not load is not drawn, so its transform must not stand in for
  // the view's: vectors, the marker and taps would go through a frame nobody sees.
  if (rasterMaps[size_t(i)]->active) SetActiveRasterMap(i);
  transformsValid = 0;
  layersReset = 1;
  return rc;
}

int TMapView::SetActiveRasterMap(int i) {
  if (i < 0 || i >= GetRasterMapCount()) {
    activeRaster = -1;
    g_overrideRaster = nullptr;
    SetTransformCallbacks(nullptr, nullptr);
    return 0;
  }
  activeRaster = i;
  g_overrideRaster = rasterMaps[size_t(i)].get();
  SetTransformCallbacks(RasterPlaneToScreen, RasterScreenToPlane);
  return 1;
}

int TMapView::ActivateLastRasterMap() {
  // The last one drawn: in scale and with its pixels loaded.
  int last = -1;
  for (int i = 0; i < GetRasterMapCount(); i++)
    if (rasterMaps[size_t(i)]->inScale && rasterMaps[size_t(i)]->active) last = i;
  return SetActiveRasterMap(last);
}

TMdmMap* TMapView::GetVectorMap(int i) const {
  return i >= 0 && i < GetVectorMapCount() ? vectorMaps[size_t(i)].map.get() : nullptr;
}

TVectorMapSlot* TMapView::GetVectorSlot(int i) {
  return i >= 0 && i < GetVectorMapCount() ? &vectorMaps[size_t(i)] : nullptr;
}

TRasterMap* TMapView::GetRasterMap(int i) const {
  return i >= 0 && i < GetRasterMapCount() ? rasterMaps[size_t(i)].get() : nullptr;
}

TMdmMap* TMapView::FindVectorMapByPath(const char* name) const {
  if (!name) return nullptr;
  for (auto& slot : vectorMaps)
    if (EqualNoCase(BareName(slot.map->path).c_str(), name)) return slot.map.get();
  return nullptr;
}

int TMapView::FindVectorMapByName(const char* name) {
  if (!name) return 0;
  for (int i = 0; i < GetVectorMapCount(); i++)
    if (EqualNoCase(BareName(vectorMaps[size_t(i)].map->path).c_str(), name)) {
      foundMap = i;
      return 1;
    }
  return 0;
}

int TMapView::FindRasterMapIndex(const char* filePath) const {
  if (!filePath) return -1;
  for (int i = 0; i < GetRasterMapCount(); i++)
    if (EqualNoCase(rasterMaps[size_t(i)]->path, filePath)) return i;
  return -1;
}

int TMapView::FindVectorMapIndex(const char* filePath) const {
  if (!filePath) return -1;
  for (int i = 0; i < GetVectorMapCount(); i++)
    if (EqualNoCase(vectorMaps[size_t(i)].map->path, filePath)) return i;
  return -1;
}

int TMapView::IsWorkingMap(int i) const {
  TMdmMap* m = GetVectorMap(i);
  return m && m->IsWorkingMap() ? 1 : 0;
}

int TMapView::IsVectorMapSaved(int i) const {
  TMdmMap* m = GetVectorMap(i);
  return m && m->IsSavedFlag() ? 1 : 0;
}

int TMapView::RemoveVectorMap(int i) {
  if (i < 0 || i >= GetVectorMapCount()) return 0;
  TMdmMap* m = vectorMaps[size_t(i)].map.get();
  if (!ReleaseFromLayer(m)) return 0;  // a working map not saved stays (the user was told)
  m->Close();
  std::vector<int> places(vectorMaps.size());
  for (size_t k = 0; k < places.size(); ++k)
    places[k] = int(k) < i ? int(k) : int(k) == i ? -1 : int(k) - 1;
  vectorMaps.erase(vectorMaps.begin() + i);
  FollowMapPlaces(places);
  UpdateViewZone();
  return 1;
}

int TMapView::MoveVectorMap(int from, int to) {
  int n = GetVectorMapCount();
  if (from < 0 || from >= n || to < 0 || to >= n) return 0;
  auto first = vectorMaps.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else if (from > to)
    std::rotate(first + to, first + from, first + from + 1);
  std::vector<int> places(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    places[size_t(k)] = k == from                        ? to
                        : from < to && k > from && k <= to ? k - 1
                        : to < from && k >= to && k < from ? k + 1
                                                           : k;
  }
  FollowMapPlaces(places);
  UpdateViewZone();
  return 1;
}

int TMapView::MoveVectorMapToEnd(int i) { return MoveVectorMap(i, GetVectorMapCount() - 1); }

int TMapView::RemoveRasterMap(int i) {
  if (i < 0 || i >= GetRasterMapCount()) return 0;
  if (g_overrideRaster == rasterMaps[size_t(i)].get()) g_overrideRaster = nullptr;
  rasterMaps.erase(rasterMaps.begin() + i);
  ActivateLastRasterMap();
  return 1;
}

int TMapView::MoveRasterMap(int from, int to) {
  int n = GetRasterMapCount();
  if (from < 0 || from >= n || to < 0 || to >= n) return 0;
  auto first = rasterMaps.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else if (from > to)
    std::rotate(first + to, first + from, first + from + 1);
  // The last picture in the list is drawn on top and is the active one: after a move the
  // transform the view draws through, and the picture the calibration tool edits, must be it.
  ActivateLastRasterMap();
  return 1;
}

void TMapView::CloseAllMaps() {
  // A working map whose save failed stays, alone (the layer told the user).
  std::vector<TVectorMapSlot> kept;
  for (auto& slot : vectorMaps) {
    if (!ReleaseFromLayer(slot.map.get())) {
      kept.push_back(std::move(slot));
      continue;
    }
    slot.map->Close();
  }
  vectorMaps.clear();
  vectorMaps.shrink_to_fit();
  for (auto& slot : kept) vectorMaps.push_back(std::move(slot));
  // The override transform must not outlive its raster map.
  for (auto& r : rasterMaps)
    if (g_overrideRaster == r.get()) g_overrideRaster = nullptr;
  rasterMaps.clear();
  rasterMaps.shrink_to_fit();
  if (activeRaster >= 0) {
    activeRaster = -1;
    SetTransformCallbacks(nullptr, nullptr);
  }
  ClearHighlights();
  unopenedLines.clear();
  projectFolder[0] = 0;
}

void TMapView::KeepWorkingMapOnly() {
  int w = -1;
  for (int i = 0; i < GetVectorMapCount() && w < 0; i++)
    if (vectorMaps[size_t(i)].map->IsWorkingMap()) w = i;
  if (w < 0) {
    CloseAllMaps();
    projectFolder[0] = 0;
    return;
  }
  TVectorMapSlot keep = std::move(vectorMaps[size_t(w)]);
  for (auto& slot : vectorMaps) {
    if (!slot.map) continue;
    ReleaseFromLayer(slot.map.get());
    slot.map->Close();
  }
  std::vector<int> places(vectorMaps.size(), -1);
  places[size_t(w)] = 0;
  vectorMaps.clear();
  vectorMaps.push_back(std::move(keep));  // capacity is at least one: cannot throw
  FollowMapPlaces(places);
  unopenedLines.clear();
  projectFolder[0] = 0;
}

int TMapView::SetMapLibrary(int i, const char* libraryName) {
  TMdmMap* m = GetVectorMap(i);
  if (!m) return 1;
  char oldName[sizeof(m->libraryName)];
  std::memcpy(oldName, m->libraryName, sizeof(oldName));
  TObjectLibrary* oldLibrary = m->library;
  std::snprintf(m->libraryName, sizeof(m->libraryName), "%s", libraryName ? libraryName : "");
  if (m->BindLibrary(&libraries) != kMdmOk) {
    // The map keeps drawing with the library it had (the failure box has been shown).
    std::memcpy(m->libraryName, oldName, sizeof(oldName));
    m->library = oldLibrary;
    return 0;
  }
  m->SetStrAttr(0, mdm::kLibraryNameTag, m->libraryName);
  return 1;
}

void TMapView::DropUnopenedLine(const char* filePath) {
  // The map is in the project again: its kept line would be written beside it, a working map's
  // twice over, and the next start would open neither as the working map.
  std::erase_if(unopenedLines, [&](const TUnopenedLine& u) { return EqualNoCase(u.path.c_str(), filePath); });
}

void TMapView::RemoveUnopenedLine(int i) {
  if (i >= 0 && i < GetUnopenedLineCount()) unopenedLines.erase(unopenedLines.begin() + i);
}

void TMapView::FillMapListBox(HWND listBox, int* rasterCount, int* vectorCount) const {
  SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
  if (!vectorMaps.empty() || !rasterMaps.empty()) {
    char name[256];
    for (auto& r : rasterMaps) {
      GetFileNamePart(name, r->path, sizeof(name));
      std::wstring w = PathToWide(name);
      SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    }
    for (auto& slot : vectorMaps) {
      GetFileNamePart(name, slot.map->path, sizeof(name));
      std::wstring w = PathToWide(name);
      // Bit 1: the file has 29-byte entries (large coordinates).
      if (slot.map->HeaderFlags() & 0x02) w += L" (L)";
      SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    }
  }
  for (const TUnopenedLine& u : unopenedLines) {
    char name[256];
    GetFileNamePart(name, u.path.c_str(), sizeof(name));
    const std::wstring w = PathToWide(name) + L" (" + g_Lang.GetText(lang_id::kMsgFileNotFound) + L")";
    SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
  }
  if (rasterCount) *rasterCount = GetRasterMapCount();
  if (vectorCount) *vectorCount = GetVectorMapCount();
}

// ---- display switches ----

static int Store(int32_t& field, int value) {
  if (field == value) return 0;
  field = value;
  return 1;
}

int TMapView::SetFill(int on) { return Store(fill, on); }
int TMapView::SetMarking(int on) { return Store(marking, on); }
int TMapView::SetGrid(int on) { return Store(grid, on); }
int TMapView::ShowVectorMaps(int on) { return Store(vectorShown, on); }
int TMapView::ShowRasterMaps(int on) { return Store(rasterShown, on); }

int TMapView::SetDbPointsMode(int mode) {
  int changed = Store(dbPointsMode, mode);
  if (!changed || !dbLayer) return 0;
  // Only 1 and 2 show points; another value (the settings page stores -1) counts as 0.
  if (mode == 1 || mode == 2) return dbLayer->Load(dbLayer->path) == 0 ? 1 : 0;
  dbLayer->FreeItems();
  return 1;
}

// ---- objects by map name ----

bool TMapView::ObjectCenter(int mapIndex, uint16_t object, double* x, double* y) const {
  TMdmMap* m = GetVectorMap(mapIndex);
  if (!m || !m->IsValidObjectIndex(object)) return false;
  TMapPoint a, b;
  if (!m->GetObjectBounds(object, &a, &b)) return false;
  // Both corners go to the plane first: the midpoint of two large int32 values is then exact.
  double ax, ay, bx, by;
  m->MapToViewPlane(a.x, a.y, &ax, &ay);
  m->MapToViewPlane(b.x, b.y, &bx, &by);
  *x = (ax + bx) / 2;
  *y = (ay + by) / 2;
  return true;
}

int TMapView::CenterOnObject(uint16_t object) {
  if (foundMap < 0 || foundMap >= GetVectorMapCount()) return 0;
  LoadVectorMapObjects(foundMap);
  double x, y;
  if (!ObjectCenter(foundMap, object, &x, &y)) return 0;
  CenterOn(x, y, 0);
  return 1;
}

int TMapView::GetObjectCenter(uint16_t object, double* x, double* y) const {
  return ObjectCenter(foundMap, object, x, y) ? 1 : 0;
}

int TMapView::GetObjectCenterInMap(const char* mapName, uint16_t object, double* x, double* y) {
  if (!FindVectorMapByName(mapName)) return 0;
  LoadVectorMapObjects(foundMap);
  return ObjectCenter(foundMap, object, x, y) ? 1 : 0;
}

int TMapView::SelectObjectInMap(const char* mapName, uint16_t object) {
  if (!FindVectorMapByName(mapName) || !CenterOnObject(object)) return 0;
  ClearHighlights();
  TObjectRef ref;
  ref.map = foundMap;
  ref.object = object;
  AddHighlight(ref);
  return 1;
}

// ---- highlights ----

int TMapView::AddHighlight(const TObjectRef& ref) {
  try {
    highlights.push_back(ref);
  } catch (const std::bad_alloc&) {
    // Not stored; the caller relies only on the validity answered below.
  }
  TMdmMap* m = GetVectorMap(ref.map);
  return m && m->IsValidObjectIndex(ref.object) ? 1 : 0;
}

int TMapView::FindHighlight(const TObjectRef& ref) const {
  for (size_t i = 0; i < highlights.size(); i++)
    if (TObjectRef::IsSameObject(highlights[i], ref)) return int(i);
  return -1;
}

void TMapView::FollowMapPlaces(const std::vector<int>& places) {
  size_t kept = 0;
  for (const TObjectRef& ref : highlights) {
    TObjectRef moved = ref;
    if (ref.map >= 0 && size_t(ref.map) < places.size()) {
      if (places[size_t(ref.map)] < 0) continue;
      moved.map = places[size_t(ref.map)];
    }
    highlights[kept++] = moved;
  }
  highlights.resize(kept);
}

void TMapView::ClearHighlights() {
  highlights.clear();
  highlights.shrink_to_fit();
}

// ---- view preparation ----

void TMapView::PrepareMap(TMdmMap* map, const RECT& rect) {
  if (map) map->PrepareView(rect.left, rect.top, rect.right, rect.bottom);
}
