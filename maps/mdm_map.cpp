// Reading and writing the map file: header, entry table, header list, groups, backups.
#include "maps/mdm_map.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/int_array.h"
#include "base/text_utils.h"
#include "geodesy/gauss_kruger.h"
#include "maps/mdm_settings.h"
#include "maps/object_library.h"
#include "platform/sys/large_block.h"
#include "platform/win.h"

namespace {

// Closes a stdio file on every path out of a function.
struct FileCloser {
  FILE* f;
  ~FileCloser() {
    if (f) fclose(f);
  }
};

bool MoveFileA(const char* from, const char* to) {
  return MoveFileW(AnsiToWideString(from).c_str(), AnsiToWideString(to).c_str()) != 0;
}
bool DeleteFileA(const char* p) { return DeleteFileW(AnsiToWideString(p).c_str()) != 0; }

bool ReadExact(FILE* f, void* dst, size_t n) { return n == 0 || fread(dst, 1, n, f) == n; }

// A library name names a file in the library folder: a separator would reach elsewhere.
bool IsPlainName(const char* s, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (s[i] == '\\' || s[i] == '/' || s[i] == ':' || s[i] == 0) return false;
  return n > 0;
}

}  // namespace

TMdmMap::TMdmMap() { MakePlaceholder(); }

TMdmMap::~TMdmMap() {
  Close();
  std::free(objects);
}

bool TMdmMap::Reserve(int32_t records) {
  if (records <= capacity) return true;
  int32_t newCap = (records + 99) / 100 * 100;
  auto* grown =
      static_cast<TMapObject*>(std::realloc(objects, size_t(newCap + 1) * sizeof(TMapObject)));
  if (!grown) return false;
  objects = grown;
  capacity = newCap;
  vplat::AdviseLargeBlock(objects, size_t(newCap + 1) * sizeof(TMapObject));
  return true;
}

int32_t TMdmMap::NewRecord() {
  if (count >= kMaxRecords) return -1;
  if (count >= capacity) {
    // Grows by 100 records; one spare record beyond the capacity, as the array always had.
    int32_t newCap = capacity + 100;
    auto* grown =
        static_cast<TMapObject*>(std::realloc(objects, size_t(newCap + 1) * sizeof(TMapObject)));
    if (!grown) return -1;
    objects = grown;
    capacity = newCap;
  }
  std::memset(&objects[count], 0, sizeof(TMapObject));
  return count++;
}

TMapObject* TMdmMap::GetObjectRecord(uint16_t index) {
  return index < count ? &objects[index] : nullptr;
}

void TMdmMap::FreeObjects() {
  for (int32_t i = 0; i < count; i++) objects[i].FreeBuffers();
  count = 0;
  levelPassDone = 0;
  recordedObject = 0;
}

bool TMdmMap::MakePlaceholder() { return NewRecord() == 0; }

void TMdmMap::ResetObjects() {
  FreeObjects();
  MakePlaceholder();
}

void TMdmMap::SyncEntryCount() {
  mdm::PutU16(header + mdm::kOffEntryCount, uint16_t(count > 0xFFFF ? 0xFFFF : count));
}

void TMdmMap::FreeItems() {
  FreeObjects();
  std::free(headerList);
  headerList = nullptr;
  loaded = 0;
}

void TMdmMap::Close() {
  FreeItems();
  std::free(scalePairs);
  scalePairs = nullptr;
  scalePairCount = 0;
}

int TMdmMap::OpenHeader(const char* filePath) {
  opened = 0;
  FreeObjects();
  MakePlaceholder();
  if (!filePath) return kMdmNoFile;
  FILE* f = vfopen(filePath, "rb");
  if (!f) return kMdmNoFile;
  FileCloser closer{f};
  std::snprintf(path, sizeof(path), "%s", filePath);
  std::memset(header, 0, sizeof(header));
  size_t got = fread(header, 1, sizeof(header), f);
  if (got < 5 || std::memcmp(header, mdm::kMagic, 5) != 0) return kMdmFormat;
  // A file that has the magic but not the whole header is damaged, not a map with zeros.
  if (got < mdm::kHeaderSize) return kMdmFormat;
  double x1 = HeaderFrame(0), y1 = HeaderFrame(1), x2 = HeaderFrame(3), y2 = HeaderFrame(4);
  // A frame without area has no map units and no zone.
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2) ||
      x2 <= x1 || y2 <= y1)
    return kMdmFormat;
  wideEntries = (header[mdm::kOffFlags] & mdm::kFlagWideEntries) ? 1 : 0;
  opened = 1;
  // The easting carries the zone; only a frame without a zone prefix needs the geodetic lookup.
  double cy = (y1 + y2) / 2, cx = (x1 + x2) / 2;
  uint8_t z = GkZoneOfEasting(cy);
  zone = (z >= 1 && z <= 60) ? z : GkZoneOfPoint(cx, cy);
  return kMdmOk;
}

int TMdmMap::Load() {
  if (!opened) return kMdmNoFile;
  FreeItems();
  MakePlaceholder();
  FILE* f = vfopen(path, "rb");
  if (!f) return kMdmFormat;
  FileCloser closer{f};

  uint32_t n = EntryCount();
  uint32_t esize = wideEntries ? mdm::kEntryWide : mdm::kEntryNarrow;
  if (fseek(f, long(mdm::kHeaderSize), SEEK_SET) != 0) return kMdmFormat;
  // One allocation for the whole table rather than one per 100 records.
  if (!Reserve(int32_t(n) + 1)) return kMdmNoMemory;
  // The table is read in slices; a short one still leaves no objects at all.
  constexpr uint32_t kSlice = 2048;
  std::vector<uint8_t> table(size_t(kSlice) * esize);
  for (uint32_t i = 0; i < n; i++) {
    if (i % kSlice == 0) {
      uint32_t k = n - i < kSlice ? n - i : kSlice;
      if (!ReadExact(f, table.data(), size_t(k) * esize)) {
        FreeObjects();
        MakePlaceholder();
        return kMdmFormat;
      }
    }
    const uint8_t* e = table.data() + size_t(i % kSlice) * esize;
    int32_t idx = NewRecord();
    if (idx < 0) {
      FreeObjects();
      MakePlaceholder();
      return kMdmNoMemory;
    }
    TMapObject& o = objects[idx];
    o.code = mdm::GetU16(e);
    o.kind = uint8_t(o.code & 7);
    if (wideEntries) {
      for (int k = 0; k < 4; k++) o.box[k] = mdm::GetI32(e + 2 + 4 * k);
      o.geomOffset = mdm::GetU32(e + 18);
      o.geomSize = mdm::GetU32(e + 22);
      o.attrLength = mdm::GetU16(e + 26);
      o.entryFlags = e[28];
    } else {
      for (int k = 0; k < 4; k++) o.box[k] = mdm::GetU16(e + 2 + 2 * k);
      o.geomOffset = mdm::GetU32(e + 10);
      o.geomSize = mdm::GetU16(e + 14);
      o.attrLength = mdm::GetU16(e + 16);
      o.entryFlags = e[18];
    }
    // Lines, areas and texts take their box from their vertices: min above max is damage.
    // One such entry costs that object only; the rest of a user's map stays readable.
    if (o.kind >= mdm::kKindLine && o.kind <= mdm::kKindText &&
        (o.box[0] > o.box[2] || o.box[1] > o.box[3])) {
      o.damaged = 1;
      o.state = TMapObject::kStateFailed;
    }
  }

  uint16_t listLen = HeaderListLength();
  if (listLen) {
    uint64_t at = uint64_t(mdm::GetU32(header + mdm::kOffTableEnd)) +
                  mdm::GetU16(header + mdm::kOffReservedLen);
    auto fail = [&](int rc) {
      std::free(headerList);
      headerList = nullptr;
      FreeObjects();
      MakePlaceholder();
      return rc;
    };
    if (at > 0x7FFFFFFF || fseek(f, long(at), SEEK_SET) != 0) return fail(kMdmFormat);
    headerList = static_cast<uint8_t*>(std::malloc(listLen));
    if (!headerList) return fail(kMdmNoMemory);
    if (!ReadExact(f, headerList, listLen)) return fail(kMdmFormat);
  }
  loaded = 1;

  unit = float(UnitOfExponent(UnitExponent()));
  libraryName[0] = 0;
  const uint8_t* name;
  uint16_t nameLen;
  if (AttrListFind(headerList, listLen, mdm::kLibraryNameTag, mdm::kAttrText, &name, &nameLen) &&
      nameLen < 256 && IsPlainName(reinterpret_cast<const char*>(name), nameLen)) {
    std::memcpy(libraryName, name, nameLen);
    libraryName[nameLen] = 0;
  }
  nominalScale = HeaderScale();
  UpdateFrameBounds();
  BuildGroups();
  return kMdmOk;
}

void TMdmMap::BuildGroups() {
  TIntArray stack;
  int32_t head = 0;
  stack.Push(0);
  for (int32_t i = 1; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.entryFlags & TMapObject::kEntryOpenGroup) {
      stack.Push(head);
      head = i - 1;
    }
    o.groupHead = head;
    if (o.entryFlags & TMapObject::kEntryCloseGroup) head = stack.Pop();
  }
  for (int32_t i = 1; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.kind != mdm::kKindArea) continue;
    TMapObject& h = objects[o.groupHead];
    if (o.code == h.code) {
      o.flags |= TMapObject::kGroupMember;
      h.flags |= TMapObject::kGroupHead;
    } else {
      o.flags &= uint8_t(~(TMapObject::kGroupMember | TMapObject::kGroupHead));
    }
  }
}

bool TMdmMap::RegroupByKind() {
  auto* fresh = static_cast<TMapObject*>(std::malloc(size_t(capacity + 1) * sizeof(TMapObject)));
  if (!fresh) return false;
  int32_t n = 0;
  // The placeholder stays first, so index 0 keeps meaning "the header list" to the attribute
  // setter and "no object" to the creators.
  std::memset(&fresh[n], 0, sizeof(TMapObject));
  n++;
  static const uint8_t order[] = {mdm::kKindArea, mdm::kKindLine, mdm::kKindPoint,
                                  mdm::kKindText};
  for (uint8_t kind : order)
    for (int32_t i = 1; i < count; i++)
      if (objects[i].code != 0 && (objects[i].code & 7) == kind) fresh[n++] = objects[i];
  for (int32_t i = 0; i < count; i++) {
    uint8_t k = uint8_t(objects[i].code & 7);
    if (i == 0 || objects[i].code == 0 || k == 0 || k > mdm::kKindText) objects[i].FreeBuffers();
  }
  std::free(objects);
  objects = fresh;
  count = n;
  for (int32_t i = 1; i < count; i++) objects[i].groupHead = 0;
  BuildGroups();
  return true;
}

int TMdmMap::BindLibrary(TObjectLibraryList* list) {
  library = (list && libraryName[0]) ? list->FindByName(libraryName) : nullptr;
  if (library) return kMdmOk;
  // A map without a library name never asked the loader: it is reported as not opened.
  int err = (list && libraryName[0]) ? list->result : kMolNotOpened;
  ShowLibraryMissing(err);
  return kMdmNoLibrary;
}

// ---- writing ----

int TMdmMap::WriteFile(const char* filePath, const char* tempPath) {
  uint16_t listLen = HeaderListLength();
  uint16_t reservedLen = mdm::GetU16(header + mdm::kOffReservedLen);
  bool placement = Version() >= 2;

  // A damaged object's stored bytes (geometry, list, placement byte) are copied from the
  // current file as they are; when they cannot be read whole, the entry is kept without data.
  std::vector<std::vector<uint8_t>> stored;
  damagedObjects = 0;
  FILE* old = nullptr;
  uint64_t oldSize = 0;
  auto storedLength = [&](const TMapObject& o) {
    return uint64_t(o.geomSize) + o.attrLength + ((placement && (o.code & 7) == mdm::kKindText) ? 1 : 0);
  };
  uint32_t entries = 0;
  uint64_t dataBytes = 0;
  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.code == 0) continue;
    entries++;
    if (o.damaged) {
      damagedObjects++;
      try {
        if (stored.empty()) stored.resize(size_t(count));
      } catch (...) {
        if (old) fclose(old);
        return kMdmNoMemory;
      }
      if (!old) {
        old = vfopen(path, "rb");
        if (old && fseek(old, 0, SEEK_END) == 0) {
          const long end = ftell(old);
          oldSize = end > 0 ? uint64_t(end) : 0;
        }
      }
      const uint64_t n = storedLength(o);
      std::vector<uint8_t>& b = stored[size_t(i)];
      // Lengths come from the damaged entry itself: only bytes the file really holds are
      // copied, so a lying length can neither claim gigabytes nor read past the end.
      if (old && n > 0 && uint64_t(o.geomOffset) <= oldSize && n <= oldSize - o.geomOffset &&
          fseek(old, long(o.geomOffset), SEEK_SET) == 0) {
        try {
          b.resize(size_t(n));
        } catch (...) {
          fclose(old);
          return kMdmNoMemory;
        }
        if (fread(b.data(), 1, b.size(), old) != b.size()) b.clear();
      }
      if (b.empty()) {
        o.geomSize = 0;
        o.attrLength = 0;
      }
      dataBytes += b.size();
      continue;
    }
    dataBytes += uint64_t(o.vertexCount > 0 ? o.vertexCount : 0) * 8 + o.attrLength +
                 ((placement && (o.code & 7) == mdm::kKindText) ? 1 : 0);
  }
  if (old) fclose(old);
  if (entries > 0xFFFF) return kMdmFormat;
  uint64_t tableEnd = mdm::kHeaderSize + uint64_t(entries) * mdm::kEntryWide;
  uint64_t total = tableEnd + reservedLen + listLen + dataBytes;
  if (total > 0xFFFFFFFFull) return kMdmFormat;

  if (!IsSavedFlag()) MarkSaved();
  header[mdm::kOffFlags] |= mdm::kFlagWideEntries;
  wideEntries = 1;
  mdm::PutU32(header + mdm::kOffTableEnd, uint32_t(tableEnd));
  mdm::PutU16(header + mdm::kOffEntryCount, uint16_t(entries));

  std::vector<uint8_t> out;
  try {
    out.assign(size_t(total), 0);
  } catch (...) {
    return kMdmNoMemory;
  }
  std::memcpy(out.data(), header, mdm::kHeaderSize);
  uint8_t* e = out.data() + mdm::kHeaderSize;
  uint32_t offset = uint32_t(tableEnd + reservedLen + listLen);
  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.code == 0) continue;
    // Every object is written with exactly its vertices: a size taken over from a file of
    // 4-byte vertices would claim bytes that are not there. A damaged one keeps its sizes.
    if (!o.damaged) o.geomSize = uint32_t(o.vertexCount > 0 ? o.vertexCount : 0) * 8;
    mdm::PutU16(e, o.code);
    for (int k = 0; k < 4; k++) mdm::PutI32(e + 2 + 4 * k, o.box[k]);
    mdm::PutU32(e + 18, offset);
    mdm::PutU32(e + 22, o.geomSize);
    mdm::PutU16(e + 26, o.attrLength);
    e[28] = uint8_t(o.entryFlags & ~1);
    o.geomOffset = offset;
    if (o.damaged)
      offset += uint32_t(stored.empty() ? 0 : stored[size_t(i)].size());
    else
      offset += o.geomSize + o.attrLength + ((placement && (o.code & 7) == mdm::kKindText) ? 1 : 0);
    e += mdm::kEntryWide;
  }
  uint8_t* d = out.data() + tableEnd + reservedLen;  // the reserved block stays zero
  if (listLen) std::memcpy(d, headerList, listLen);
  d += listLen;
  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.code == 0) continue;
    if (o.damaged) {
      const std::vector<uint8_t>& b = stored[size_t(i)];
      if (!b.empty()) std::memcpy(d, b.data(), b.size());
      d += b.size();
      continue;
    }
    for (int32_t v = 0; v < o.vertexCount; v++, d += 8) {
      mdm::PutI32(d, o.vertices[v].x);
      mdm::PutI32(d + 4, o.vertices[v].y);
    }
    if (o.attrLength) {
      std::memcpy(d, o.attrs, o.attrLength);
      d += o.attrLength;
    }
    if (placement && (o.code & 7) == mdm::kKindText) *d++ = o.placement;
  }

  FILE* f = vfopen(tempPath, "wb");
  if (!f) return kMdmNoFile;
  bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
  ok = (fflush(f) == 0) && ok;
  ok = (fclose(f) == 0) && ok;
  (void)filePath;
  return ok ? kMdmOk : kMdmNoFile;
}

int TMdmMap::Save(const char* filePath, int regroup) {
  if (!loaded || !working || !filePath) return kMdmOk;
  bool needRead = false;
  for (int32_t i = 0; i < count && !needRead; i++) needRead = objects[i].state != 1;
  if (needRead) {
    int rc = LoadVisibleObjects();
    // 2: the file does not exist yet; 5: no library (geometry is read all the same); 6: one
    // or more objects could not be read, which are written back as stored (see WriteFile).
    if (rc != 0 && rc != 2 && rc != 5 && rc != kMdmFormat) return rc;
    // An object that is neither read nor damaged (out of memory) would be written empty.
    for (int32_t i = 1; i < count; i++) {
      const TMapObject& o = objects[i];
      if (o.code != 0 && o.state != 1 && !o.damaged && (o.geomSize || o.attrLength))
        return rc ? rc : 1;
    }
  }
  // Lines and areas without vertices are no objects; emptied before regrouping so that the
  // regrouping frees them. A damaged object has no vertices in memory and stays, and so does
  // the track being recorded, whose first vertex is still to come.
  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.damaged || (i > 0 && i == recordedObject)) continue;
    uint8_t k = uint8_t(o.code & 7);
    if ((k == mdm::kKindLine || k == mdm::kKindArea) && o.vertexCount <= 0) o.code = 0;
  }
  if (regroup && !RegroupByKind()) return kMdmNoMemory;

  char target[256];
  std::snprintf(target, sizeof(target), "%s", filePath);
  char temp[264];
  std::snprintf(temp, sizeof(temp), "%s.tmp", target);
  int rc = WriteFile(target, temp);
  if (rc != kMdmOk) {
    DeleteFileA(temp);
    return rc == kMdmNoMemory ? rc : kMdmNoFile;
  }

  // The new file is complete; now the old one makes way. Whatever fails, the old file (or its
  // backup) remains under a name, never half written.
  bool exists = FileExists(target);
  uint32_t now = GetTickCount();
  bool backupDue = MapBackupsOn() && (!backupMade || now - lastBackup >= 1800001u);
  if (backupDue) {
    lastBackup = now;
    backupMade = true;
    if (exists) {
      char bak[256];
      if (MakeBackupName(target, bak, "bak", sizeof(bak)) && MoveFileA(target, bak)) exists = false;
    }
  }
  if (exists) {
    char old[264];
    std::snprintf(old, sizeof(old), "%s.old", target);
    DeleteFileA(old);
    if (!MoveFileA(target, old)) {
      DeleteFileA(temp);
      return kMdmNoFile;
    }
    if (!MoveFileA(temp, target)) {
      MoveFileA(old, target);
      DeleteFileA(temp);
      return kMdmNoFile;
    }
    DeleteFileA(old);
    return kMdmOk;
  }
  if (!MoveFileA(temp, target)) {
    DeleteFileA(temp);
    return kMdmNoFile;
  }
  return kMdmOk;
}
