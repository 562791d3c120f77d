// Editing a map in memory: creating, changing, copying and deleting objects and vertices.
// Every position must lie strictly inside the map's extent; a refused one is told to the main
// window (message 1690: 14 a single position, 16 a vertex list with positions outside).
#include <cstdlib>
#include <cstring>

#include "geodesy/gauss_kruger.h"
#include "maps/mdm_map.h"
#include "platform/win.h"

namespace {
constexpr UINT kOutOfBoundMessage = 0x0400 + 666;  // WM_USER + 666
constexpr WPARAM kNoticePoint = 14;
constexpr WPARAM kNoticeObject = 16;
}  // namespace

void TMdmMap::Notice(unsigned code) const {
  // The main window is the one window of its class; before it exists nobody is told.
  HWND main = FindWindowW(L"Vorna", nullptr);
  if (main) SendMessageW(main, kOutOfBoundMessage, code, 0);
}

bool TMdmMap::IsInside(int32_t x, int32_t y) const {
  return extXMin < x && x < extXMax && extYMin < y && y < extYMax;
}

int TMdmMap::CheckInside(int32_t x, int32_t y) const {
  if (IsInside(x, y)) return 1;
  Notice(kNoticePoint);
  return 0;
}

int32_t TMdmMap::DropOutsideVertices(TPointBuf* points) const {
  int32_t kept = 0;
  for (int32_t i = 0; i < points->count; i++)
    if (IsInside(points->points[i].x, points->points[i].y)) points->points[kept++] = points->points[i];
  points->count = kept;
  return kept;
}

int32_t TMdmMap::AddObject(uint16_t newCode, uint8_t kindByte) {
  int32_t idx = NewRecord();
  if (idx <= 0) return 0;  // index 0 is the placeholder, never a new object
  TMapObject& o = objects[idx];
  o.code = newCode;
  o.kind = kindByte;
  o.InitNew();
  ReadItemValue(&o);
  if (kindByte == mdm::kKindText) {
    o.placement = 0;
    SetAttr(uint16_t(idx), mdm::kTagText, mdm::kAttrText, "");
  }
  SyncEntryCount();
  return idx;
}

int32_t TMdmMap::AddPointObject(uint16_t newCode, int32_t x, int32_t y, int force) {
  if (!force && !CheckInside(x, y)) return 0;
  int32_t idx = AddObject(newCode, mdm::kKindPoint);
  if (idx <= 0) return 0;
  TMapObject& o = objects[idx];
  o.box[0] = o.box[2] = x;
  o.box[1] = o.box[3] = y;
  return idx;
}

int32_t TMdmMap::AddEmptyObject(uint16_t newCode) {
  int32_t idx = NewRecord();
  if (idx <= 0) return 0;
  TMapObject& o = objects[idx];
  o.code = newCode;
  o.kind = mdm::kKindEmpty;
  o.InitNew();
  SyncEntryCount();
  return idx;
}

int32_t TMdmMap::CopyObjectFrom(TMdmMap* source, uint16_t sourceIndex) {
  if (!source || sourceIndex >= source->count) return 0;
  int32_t idx = NewRecord();
  if (idx <= 0) return 0;
  const TMapObject& s = source->objects[sourceIndex];
  TMapObject& o = objects[idx];
  o.code = s.code;
  o.kind = s.kind;
  o.InitNew();
  o.level = s.level;
  o.placement = s.placement;

  // Through the plane: the source's own zone, moved into ours when they differ.
  auto convert = [&](int32_t x, int32_t y, int32_t* ox, int32_t* oy) {
    double px, py;
    source->MapToPlane(x, y, &px, &py);
    if (source->zone != zone) GkReprojectToZone(px, py, source->zone, zone, px, py);
    PlaneToMap(px, py, ox, oy);
  };
  convert(s.box[0], s.box[1], &o.box[0], &o.box[1]);
  convert(s.box[2], s.box[3], &o.box[2], &o.box[3]);
  if (s.vertexCount > 0 && s.vertices) {
    TPointBuf pb;
    if (pb.Alloc(s.vertexCount)) {
      for (int32_t i = 0; i < s.vertexCount; i++)
        convert(s.vertices[i].x, s.vertices[i].y, &pb.points[i].x, &pb.points[i].y);
      pb.count = s.vertexCount;
      SetObjectVertices(uint16_t(idx), &pb);
    }
  }
  TMapObject& d = objects[idx];
  if (s.attrs && s.attrLength) {
    d.attrs = static_cast<uint8_t*>(std::malloc(s.attrLength));
    if (d.attrs) {
      std::memcpy(d.attrs, s.attrs, s.attrLength);
      d.attrLength = s.attrLength;
    }
  }
  RenewName(uint16_t(idx));  // the copy is labelled and listed by its name at once
  ReadItemValue(&d);
  SyncEntryCount();
  return idx;
}

int TMdmMap::SetObjectVertices(uint16_t index, TPointBuf* points) {
  if (index >= count || !points || !points->points || points->count <= 0) return 0;
  for (int32_t i = 0; i < points->count; i++) {
    if (!IsInside(points->points[i].x, points->points[i].y)) {
      Notice(kNoticeObject);
      DropOutsideVertices(points);
      break;
    }
  }
  int32_t n = points->count;
  if (n == 0) return 0;
  TMapObject& o = objects[index];
  bool close = (o.code & 7) == mdm::kKindArea &&
               (points->points[0].x != points->points[n - 1].x ||
                points->points[0].y != points->points[n - 1].y);
  int32_t total = n + (close ? 1 : 0);
  if (total > kMaxVertices) return 0;
  // A new array first: when it cannot be had, the object keeps its old vertices.
  auto* v = static_cast<TMapPoint*>(std::malloc(size_t(total) * sizeof(TMapPoint)));
  if (!v) return 0;
  std::memcpy(v, points->points, size_t(n) * sizeof(TMapPoint));
  if (close) v[n] = points->points[0];
  std::free(o.vertices);
  o.vertices = v;
  o.vertexCount = total;
  o.vertexCapacity = total;
  o.geomSize = uint32_t(total) * 8;
  o.flags |= TMapObject::kMadeInMemory;
  o.UpdateBox();
  return 1;
}

int TMdmMap::ClearObjectVertices(uint16_t index) {
  if (index >= count || objects[index].code == 0) return 0;
  TMapObject& o = objects[index];
  std::free(o.vertices);
  o.vertices = nullptr;
  o.vertexCount = 0;
  o.vertexCapacity = 0;
  o.geomSize = 0;
  for (int32_t& b : o.box) b = 0;  // as a new object has it
  o.flags |= TMapObject::kMadeInMemory;
  return 1;
}

int TMdmMap::ReplaceObjectVertices(uint16_t index, TPointBuf* points) {
  if (index >= count || objects[index].code == 0) return 0;
  if (!points || !points->points || points->count <= 0) return 0;
  for (int32_t i = 0; i < points->count; i++) {
    if (!IsInside(points->points[i].x, points->points[i].y)) {
      Notice(kNoticeObject);
      return 0;
    }
  }
  return SetObjectVertices(index, points);
}

int TMdmMap::MovePointCorners(uint16_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (index >= count) return 0;
  TMapObject& o = objects[index];
  if (o.code == 0 || o.kind != mdm::kKindPoint) return 0;
  if (!IsInside(x1, y1) || !IsInside(x2, y2)) {
    Notice(kNoticePoint);
    return 0;
  }
  o.box[0] = x1;
  o.box[1] = y1;
  o.box[2] = x2;
  o.box[3] = y2;
  o.flags |= TMapObject::kMadeInMemory;
  return 1;
}

int TMdmMap::AppendVertex(uint16_t index, int32_t x, int32_t y) {
  if (index >= count) return 0;
  if (!CheckInside(x, y)) return 0;
  TMapObject& o = objects[index];
  if (o.code == 0) return 0;
  if (o.vertexCount >= kMaxVertices) return 0;
  int32_t n = o.vertexCount > 0 ? o.vertexCount : 0;
  if (n + 1 > o.vertexCapacity || !o.vertices) {
    // A track gains a vertex a second: the array grows by doubling, not by one each time.
    int32_t cap = o.vertexCapacity < 16 ? 16 : o.vertexCapacity * 2;
    if (cap > kMaxVertices) cap = kMaxVertices;
    if (cap < n + 1) cap = n + 1;
    auto* grown = static_cast<TMapPoint*>(std::realloc(o.vertices, size_t(cap) * sizeof(TMapPoint)));
    if (!grown) return 0;  // the old array stays with the object
    o.vertices = grown;
    o.vertexCapacity = cap;
  }
  TMapPoint* v = o.vertices;
  v[n] = {x, y};
  o.vertexCount = n + 1;
  o.geomSize = uint32_t(n + 1) * 8;
  o.flags |= TMapObject::kMadeInMemory;
  if (n == 0) {
    o.box[0] = o.box[2] = x;
    o.box[1] = o.box[3] = y;
  } else {
    if (x < o.box[0]) o.box[0] = x;
    if (x > o.box[2]) o.box[2] = x;
    if (y < o.box[1]) o.box[1] = y;
    if (y > o.box[3]) o.box[3] = y;
  }
  return 1;
}

int TMdmMap::MovePointObject(uint16_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (index >= count) return 0;
  TMapObject& o = objects[index];
  if (o.kind != mdm::kKindPoint) return 0;
  if (!CheckInside(x1, y1)) return 1;
  o.box[0] = x1;
  o.box[1] = y1;
  if (CheckInside(x2, y2)) {
    o.box[2] = x2;
    o.box[3] = y2;
  }
  o.flags |= TMapObject::kMadeInMemory;
  return 1;
}

int TMdmMap::SetPointPosition(uint16_t index, int32_t x, int32_t y, int force) {
  if (index >= count) return 0;
  if (!force && !CheckInside(x, y)) return 0;
  TMapObject& o = objects[index];
  o.box[0] = o.box[2] = x;
  o.box[1] = o.box[3] = y;
  o.flags |= TMapObject::kMadeInMemory;
  return 1;
}

int TMdmMap::SetObjectCode(uint16_t index, uint16_t newCode) {
  if (index >= count) return 0;
  TMapObject& o = objects[index];
  o.code = newCode;
  o.kind = uint8_t(newCode & 7);
  o.flags &= uint8_t(~TMapObject::kStyleCached);
  if (!library) return 0;
  ReadItemValue(&o);
  return 1;
}

int TMdmMap::DeleteObject(uint16_t index) {
  if (index >= count) return 0;
  TMapObject& o = objects[index];
  o.FreeBuffers();
  o.code = 0;
  o.kind = 0;
  return 1;
}

uint16_t TMdmMap::GetObjectCode(uint16_t index) const {
  return index < count ? objects[index].code : 0;
}

int TMdmMap::GetObjectBounds(uint16_t index, TMapPoint* corner1, TMapPoint* corner2) const {
  if (index >= count) return 0;
  const TMapObject& o = objects[index];
  if (corner1) *corner1 = {o.box[0], o.box[1]};
  if (corner2) *corner2 = {o.box[2], o.box[3]};
  return 1;
}

int32_t TMdmMap::GetVertexCount(uint16_t index) const {
  return index < count ? objects[index].vertexCount : 0;
}

int TMdmMap::CopyVertices(uint16_t index, TPointBuf* points, size_t bufferBytes) const {
  if (index >= count || !points) return 0;
  const TMapObject& o = objects[index];
  size_t need = size_t(o.vertexCount > 0 ? o.vertexCount : 0) * sizeof(TMapPoint);
  if (!points->points || bufferBytes < need) {
    points->count = 0;
    return 1;
  }
  if (need) std::memcpy(points->points, o.vertices, need);
  points->count = o.vertexCount > 0 ? o.vertexCount : 0;
  return 1;
}

int TMdmMap::GetObjectVertices(uint16_t index, TPointBuf* points) const {
  if (index >= count || !points) return 0;
  const TMapObject& o = objects[index];
  int32_t n = o.vertexCount > 0 ? o.vertexCount : 0;
  size_t bytes = points->Alloc(n);
  if (!bytes) return 0;
  return CopyVertices(index, points, bytes);
}
