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

bool DeleteFileA(const char* p) { return DeleteFileW(PathToWide(p).c_str()) != 0; }

// Whether two device paths name one existing file (another spelling of the same name).
bool SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION info[2] = {};
  const char* paths[2] = {a, b};
  for (int k = 0; k < 2; k++) {
    HANDLE h = CreateFileW(PathToWide(paths[k]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(h, &info[k]);
    CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

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

// The objects a regrouping keeps, in its order: areas, then lines, points and texts, each in
// their former order. Every other record (deleted, empty kind, kinds 5 to 7) is left out.
static void RegroupOrder(const TMapObject* objects, int32_t count, std::vector<int32_t>* order) {
  static const uint8_t kinds[] = {mdm::kKindArea, mdm::kKindLine, mdm::kKindPoint, mdm::kKindText};
  for (uint8_t kind : kinds)
    for (int32_t i = 1; i < count; i++)
      if (objects[i].code != 0 && (objects[i].code & 7) == kind) order->push_back(i);
}

void TMdmMap::ApplyRegroup(TMapObject* fresh, const std::vector<int32_t>& order) {
  // The placeholder stays first, so index 0 keeps meaning "the header list" to the attribute
  // setter and "no object" to the creators.
  std::memset(&fresh[0], 0, sizeof(TMapObject));
  int32_t n = 1;
  for (int32_t i : order) fresh[n++] = objects[i];
  std::vector<bool> kept(size_t(count), false);
  for (int32_t i : order) kept[size_t(i)] = true;
  for (int32_t i = 0; i < count; i++)
    if (!kept[size_t(i)]) objects[i].FreeBuffers();
  std::free(objects);
  objects = fresh;
  count = n;
  for (int32_t i = 1; i < count; i++) objects[i].groupHead = 0;
  BuildGroups();
}

bool TMdmMap::RegroupByKind() {
  auto* fresh = static_cast<TMapObject*>(std::malloc(size_t(capacity + 1) * sizeof(TMapObject)));
  if (!fresh) return false;
  std::vector<int32_t> order;
  try {
    RegroupOrder(objects, count, &order);
  } catch (...) {
    std::free(fresh);
    return false;
  }
  ApplyRegroup(fresh, order);
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
//
// A save is a transaction. The new file is built in memory from the map as it stands, without
// touching the map; it is written beside the old one and put in its place in one step
// (vwritefile). Only then does the map take over what the new file says: each object's geometry
// offset and size, the header's table end, entry count, flags and the 29-byte-entry flag, and the
// regrouped order. A save that fails anywhere leaves the map exactly as it was (its objects
// still pointing into the old file, which is untouched), so the next save starts from there.
//
// Damaged objects (see TMapObject::damaged) are written back with their stored bytes, copied
// from the old file, with two repairs: vertices of a file of 4-byte vertices are widened to the
// 8 bytes every written file holds (whole vertices, the size to match), and the last record of
// a file cut short keeps what arrived (whole vertices, then its list when whole; a text's
// missing placement byte is written as 0).

// What one object becomes in the new file.
struct TMdmMap::TWrittenObject {
  int32_t index;
  uint32_t offset = 0;
  uint32_t geomSize = 0;
  uint16_t attrLength = 0;
  std::vector<uint8_t> stored;  // a damaged object's bytes as they go into the new file
  uint8_t entryFlags = 0;       // as written (bit 0 clear)
};

namespace {

// The entry flags the written objects get, in the order written. A group lives in the file only
// as flags between neighbours (0x40 on an entry: the entry before it heads a group; 0x10: the
// group open at that entry ends with it), so an object that is dropped, or moved by the
// regrouping, takes its group's end or start with it: the group then runs on over the next
// objects, and the next lake of the code becomes a hole of the one before. When the flags as
// held would read back as other groups than memory holds, they are made from the groups in
// memory: 0x40 on the first member after its head, 0x10 on the last member before an object of
// another group. A map written unchanged keeps its flags byte for byte.
//
// What the file cannot say is left out: a member written before its head, or away from it,
// joins the group around it; a group inside a group that both end at one object ends the inner
// one only there.
std::vector<uint8_t> WrittenEntryFlags(const TMapObject* objects, int32_t count, const std::vector<int32_t>& order) {
  constexpr uint8_t kOpen = TMapObject::kEntryOpenGroup, kClose = TMapObject::kEntryCloseGroup;
  std::vector<uint8_t> flags(order.size());
  for (size_t k = 0; k < order.size(); ++k) flags[k] = uint8_t(objects[order[k]].entryFlags & ~1);
  std::vector<bool> written(size_t(count), false);
  for (int32_t i : order) written[size_t(i)] = true;
  // The head an object has among the written ones: its own, or the nearest written one above
  // it (a head always precedes its members in memory, so the walk ends).
  auto headOf = [&](int32_t i) {
    int32_t h = objects[i].groupHead;
    for (int32_t steps = 0; h > 0 && h < count && !written[size_t(h)] && steps < count; ++steps)
      h = objects[h].groupHead;
    return h > 0 && h < count && written[size_t(h)] ? h : 0;
  };

  // Read back as held: the loader's walk over the written entries.
  bool same = true;
  {
    std::vector<int32_t> stack;
    int32_t head = 0;  // a file position; 0 the placeholder
    for (size_t k = 0; k < order.size() && same; ++k) {
      if (flags[k] & kOpen) {
        stack.push_back(head);
        head = int32_t(k);  // the entry before, at file position k
      }
      same = (head == 0 ? 0 : order[size_t(head - 1)]) == headOf(order[k]);
      if (flags[k] & kClose) {
        head = stack.empty() ? 0 : stack.back();
        if (!stack.empty()) stack.pop_back();
      }
    }
  }
  if (same) return flags;

  auto within = [&](int32_t outer, int32_t h) {  // h is outer or lies inside it
    for (int32_t steps = 0; steps <= count; ++steps, h = headOf(h)) {
      if (h == outer) return true;
      if (h == 0) return false;
    }
    return false;
  };
  std::vector<int32_t> stack;
  int32_t open = 0;  // the head of the group open at this entry; 0 none
  for (size_t k = 0; k < order.size(); ++k) {
    flags[k] = uint8_t(flags[k] & ~(kOpen | kClose));
    const int32_t h = headOf(order[k]);
    // A group this object is not in ends at the entry before (the file ends one group an entry).
    if (open != 0 && !within(open, h) && k > 0 && !(flags[k - 1] & kClose)) {
      flags[k - 1] |= kClose;
      open = stack.empty() ? 0 : stack.back();
      if (!stack.empty()) stack.pop_back();
    }
    if (h != open && h != 0 && k > 0 && order[k - 1] == h && within(open, h)) {
      flags[k] |= kOpen;
      stack.push_back(open);
      open = h;
    }
  }
  return flags;
}

}  // namespace

struct TMdmMap::TSaveImage {
  std::vector<TWrittenObject> written;
  std::vector<uint8_t> bytes;
  uint8_t header[mdm::kHeaderSize];
  int32_t damaged = 0;
};

int TMdmMap::ReadStoredBytes(FILE* old, uint64_t oldSize, const TMapObject& o, bool lastInFile,
                             TWrittenObject* w) const {
  const bool placement = Version() >= 2 && (o.code & 7) == mdm::kKindText;
  const uint32_t vertexBytes = wideEntries ? 8 : 4;
  const uint64_t claimed = uint64_t(o.geomSize) + o.attrLength + (placement ? 1 : 0);
  // Only bytes the file really holds are read, so a lying length can neither claim gigabytes
  // nor read past the end. Whole means the claimed record lies in the file; the last record of
  // a cut file owns everything from its offset to the end.
  uint64_t available = 0;
  if (old && o.geomOffset <= oldSize) available = oldSize - o.geomOffset;
  const bool whole = claimed > 0 && claimed <= available;
  uint64_t take = whole ? claimed : (lastInFile ? available : 0);
  if (take > claimed) take = claimed;
  std::vector<uint8_t> raw;
  if (take > 0) {
    try {
      raw.resize(size_t(take));
    } catch (...) {
      return kMdmNoMemory;
    }
    if (fseek(old, long(o.geomOffset), SEEK_SET) != 0 || fread(raw.data(), 1, raw.size(), old) != raw.size())
      raw.clear();
  }
  if (raw.empty()) {
    // The entry is kept without data; a text still has its placement byte, which the reader
    // takes right after the (empty) list.
    try {
      if (placement) w->stored.assign(1, 0);
    } catch (...) {
      return kMdmNoMemory;
    }
    return kMdmOk;
  }

  // Geometry: whole vertices of what arrived; a wide file's complete block stays as it is.
  uint64_t geomIn = std::min<uint64_t>(o.geomSize, raw.size());
  const bool geomWhole = geomIn == o.geomSize;
  if (!(wideEntries && geomWhole)) geomIn -= geomIn % vertexBytes;
  const uint64_t vertices = geomIn / vertexBytes;
  const uint64_t geomOut = wideEntries ? geomIn : vertices * 8;
  const bool listWhole = geomWhole && raw.size() - o.geomSize >= o.attrLength;
  const uint16_t listOut = listWhole ? o.attrLength : 0;
  try {
    w->stored.reserve(size_t(geomOut + listOut + (placement ? 1 : 0)));
    if (wideEntries) {
      w->stored.assign(raw.begin(), raw.begin() + long(geomIn));
    } else {
      // As the reader widens them: each uint16 zero-extended to int32.
      for (uint64_t k = 0; k < vertices; k++) {
        uint8_t v[8];
        mdm::PutI32(v, int32_t(mdm::GetU16(raw.data() + k * 4)));
        mdm::PutI32(v + 4, int32_t(mdm::GetU16(raw.data() + k * 4 + 2)));
        w->stored.insert(w->stored.end(), v, v + 8);
      }
    }
    if (listOut) w->stored.insert(w->stored.end(), raw.begin() + long(o.geomSize), raw.begin() + long(o.geomSize + listOut));
    if (placement) {
      const uint64_t at = uint64_t(o.geomSize) + o.attrLength;
      w->stored.push_back(listWhole && raw.size() > at ? raw[size_t(at)] : 0);
    }
  } catch (...) {
    return kMdmNoMemory;
  }
  w->geomSize = uint32_t(geomOut);
  w->attrLength = listOut;
  return kMdmOk;
}

int TMdmMap::BuildSaveImage(const std::vector<int32_t>& order, TSaveImage* image) const {
  const uint16_t listLen = HeaderListLength();
  const uint16_t reservedLen = mdm::GetU16(header + mdm::kOffReservedLen);
  const bool placement = Version() >= 2;
  auto placementBytes = [&](const TMapObject& o) { return (placement && (o.code & 7) == mdm::kKindText) ? 1u : 0u; };
  if (order.size() > 0xFFFF) return kMdmFormat;

  // The old file is read only for damaged objects, which the writer copies from it.
  FILE* old = nullptr;
  uint64_t oldSize = 0;
  uint32_t lastOffset = 0;  // the largest stored offset: the record a cut file cuts short
  int32_t lastIndex = -1;
  for (int32_t i = 1; i < count; i++)
    if (objects[i].geomOffset >= lastOffset) lastOffset = objects[i].geomOffset, lastIndex = i;
  struct Closer {
    FILE*& f;
    ~Closer() {
      if (f) fclose(f);
    }
  } closer{old};

  uint64_t dataBytes = 0;
  try {
    image->written.reserve(order.size());
  } catch (...) {
    return kMdmNoMemory;
  }
  for (int32_t i : order) {
    const TMapObject& o = objects[i];
    TWrittenObject w;
    w.index = i;
    if (o.damaged) {
      image->damaged++;
      if (!old) {
        old = vfopen(path, "rb");
        const long end = old ? GetFileLength(old) : -1;
        oldSize = end > 0 ? uint64_t(end) : 0;
      }
      int rc = ReadStoredBytes(old, oldSize, o, i == lastIndex, &w);
      if (rc != kMdmOk) return rc;
      dataBytes += w.stored.size();
    } else {
      // Every object is written with exactly its vertices: a size taken over from a file of
      // 4-byte vertices would claim bytes that are not there.
      w.geomSize = uint32_t(o.vertexCount > 0 ? o.vertexCount : 0) * 8;
      w.attrLength = o.attrLength;
      dataBytes += uint64_t(w.geomSize) + w.attrLength + placementBytes(o);
    }
    image->written.push_back(std::move(w));
  }
  const uint64_t tableEnd = mdm::kHeaderSize + uint64_t(order.size()) * mdm::kEntryWide;
  const uint64_t total = tableEnd + reservedLen + listLen + dataBytes;
  if (total > 0xFFFFFFFFull) return kMdmFormat;

  uint8_t* h = image->header;
  std::memcpy(h, header, mdm::kHeaderSize);
  h[mdm::kOffFlags] |= mdm::kFlagWritten | mdm::kFlagWideEntries;  // entries are written wide
  mdm::PutU32(h + mdm::kOffTableEnd, uint32_t(tableEnd));
  mdm::PutU16(h + mdm::kOffEntryCount, uint16_t(order.size()));

  std::vector<uint8_t>& out = image->bytes;
  try {
    out.assign(size_t(total), 0);
  } catch (...) {
    return kMdmNoMemory;
  }
  std::memcpy(out.data(), h, mdm::kHeaderSize);
  uint8_t* e = out.data() + mdm::kHeaderSize;
  uint32_t offset = uint32_t(tableEnd + reservedLen + listLen);
  const std::vector<uint8_t> entryFlags = WrittenEntryFlags(objects, count, order);
  size_t at = 0;
  for (TWrittenObject& w : image->written) {
    const TMapObject& o = objects[w.index];
    w.offset = offset;
    w.entryFlags = entryFlags[at++];
    mdm::PutU16(e, o.code);
    for (int k = 0; k < 4; k++) mdm::PutI32(e + 2 + 4 * k, o.box[k]);
    mdm::PutU32(e + 18, offset);
    mdm::PutU32(e + 22, w.geomSize);
    mdm::PutU16(e + 26, w.attrLength);
    e[28] = w.entryFlags;
    offset += o.damaged ? uint32_t(w.stored.size()) : w.geomSize + w.attrLength + placementBytes(o);
    e += mdm::kEntryWide;
  }
  uint8_t* d = out.data() + tableEnd + reservedLen;  // the reserved block stays zero
  if (listLen) std::memcpy(d, headerList, listLen);
  d += listLen;
  for (const TWrittenObject& w : image->written) {
    const TMapObject& o = objects[w.index];
    if (o.damaged) {
      if (!w.stored.empty()) std::memcpy(d, w.stored.data(), w.stored.size());
      d += w.stored.size();
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
    if (placementBytes(o)) *d++ = o.placement;
  }
  return kMdmOk;
}

int TMdmMap::Save(const char* filePath, int regroup) {
  if (!loaded || !working || !filePath) return kMdmOk;
  bool needRead = false;
  for (int32_t i = 0; i < count && !needRead; i++) needRead = objects[i].state != 1;
  if (needRead) {
    int rc = LoadVisibleObjects();
    // 2: the file does not exist yet; 5: no library (geometry is read all the same); 6: one
    // or more objects could not be read, which are written back as stored (see above).
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

  // The objects written, in file order; the regrouped array is made now, so that taking it over
  // after the write cannot fail.
  std::vector<int32_t> order;
  TSaveImage image;
  TMapObject* fresh = nullptr;
  try {
    if (regroup) {
      RegroupOrder(objects, count, &order);
    } else {
      for (int32_t i = 0; i < count; i++)
        if (objects[i].code != 0) order.push_back(i);
    }
  } catch (...) {
    return kMdmNoMemory;
  }
  if (regroup) {
    fresh = static_cast<TMapObject*>(std::malloc(size_t(capacity + 1) * sizeof(TMapObject)));
    if (!fresh) return kMdmNoMemory;
  }
  int rc = BuildSaveImage(order, &image);
  if (rc != kMdmOk) {
    std::free(fresh);
    return rc == kMdmNoMemory ? rc : kMdmNoFile;
  }

  char target[256];
  std::snprintf(target, sizeof(target), "%s", filePath);
  // The backup is a copy: the only good file is never renamed aside, so no moment of the save
  // leaves the map without a file under its name.
  uint32_t now = GetTickCount();
  bool backupDue = MapBackupsOn() && (!backupMade || now - lastBackup >= 1800001u);
  char bak[256] = {};
  bool backupFailed = false;
  if (backupDue && FileExists(target)) {
    if (!MakeBackupName(target, bak, "bak", sizeof(bak)) ||
        !CopyFileW(PathToWide(target).c_str(), PathToWide(bak).c_str(), TRUE)) {
      bak[0] = 0;  // no copy: the save goes on, and the backup is due again at the next one
      backupFailed = true;
    }
  }
  if (vwritefile(target, image.bytes.data(), image.bytes.size()) != 0) {
    // Nothing of this save stays behind: no new backup either.
    if (bak[0]) DeleteFileA(bak);
    std::free(fresh);
    return kMdmNoFile;
  }
  if (backupDue && !backupFailed) {
    lastBackup = now;
    backupMade = true;
  }

  // The file is in place: the map takes over what it says, when it is the map's own file (a
  // copy written elsewhere leaves the map reading its objects from where they were).
  damagedObjects = image.damaged;
  if (std::strcmp(target, path) == 0 || SameFile(target, path)) {
    std::memcpy(header, image.header, mdm::kHeaderSize);
    wideEntries = 1;
    for (const TWrittenObject& w : image.written) {
      TMapObject& o = objects[w.index];
      o.geomOffset = w.offset;
      o.geomSize = w.geomSize;
      o.attrLength = w.attrLength;
    }
  }
  // The groups as written, so that a regrouping (which reads them again) keeps them.
  for (const TWrittenObject& w : image.written) {
    TMapObject& o = objects[w.index];
    const uint8_t groupBits = TMapObject::kEntryOpenGroup | TMapObject::kEntryCloseGroup;
    o.entryFlags = uint8_t((o.entryFlags & ~groupBits) | (w.entryFlags & groupBits));
  }
  if (regroup) ApplyRegroup(fresh, order);
  return kMdmOk;
}

// ---- a save cut short ----

namespace {

// Whether the file at `path` is a whole map: its header, table and header list read, and every
// object's stored bytes inside the file.
bool IsWholeMapFile(const char* path) {
  TMdmMap map;
  if (map.OpenHeader(path) != kMdmOk || map.Load() != kMdmOk || !map.loaded) return false;
  FILE* f = vfopen(path, "rb");
  if (!f) return false;
  const long length = GetFileLength(f);
  fclose(f);
  if (length < 0) return false;
  const bool placement = map.Version() >= 2;
  for (int32_t i = 1; i < map.count; i++) {
    const TMapObject& o = map.objects[i];
    const uint64_t end = uint64_t(o.geomOffset) + o.geomSize + o.attrLength +
                         ((placement && (o.code & 7) == mdm::kKindText) ? 1 : 0);
    if (end > uint64_t(length)) return false;
  }
  return true;
}

bool Rename(const std::string& from, const std::string& to) {
  return MoveFileW(PathToWide(from).c_str(), PathToWide(to).c_str()) != 0;
}

}  // namespace

int RecoverMapFile(const char* path, char* copy, size_t copySize) {
  if (copy && copySize) copy[0] = 0;
  if (!path || !path[0] || FileExists(path)) return 0;
  const std::string target = path, temp = target + ".tmp", old = target + ".old";
  // The new file was complete before the old one stepped aside, so it is the later of the two.
  if (FileExists(temp.c_str()) && IsWholeMapFile(temp.c_str()) && Rename(temp, target)) {
    if (FileExists(old.c_str()) && IsWholeMapFile(old.c_str())) DeleteFileA(old.c_str());
    return 1;
  }
  if (FileExists(old.c_str()) && IsWholeMapFile(old.c_str()) && Rename(old, target)) return 1;
  // Backups ("<name>_bakN<ext>") are older states: the user is told of the newest, not given it.
  if (!copy || !copySize) return 0;
  char ext[256], stemBuf[256];
  GetExtension(ext, path, sizeof ext);
  std::snprintf(stemBuf, sizeof stemBuf, "%s", path);
  StripExtension(stemBuf);
  const std::string stem = stemBuf;
  // Backups take the first free number, so the run of numbers ends at the newest.
  std::string newest;
  for (int n = 2; n < 10000; n++) {
    char name[256];
    const int w = std::snprintf(name, sizeof name, "%s_bak%i%s", stem.c_str(), n, ext);
    if (w < 0 || size_t(w) >= sizeof name || !FileExists(name)) break;
    newest = name;
  }
  if (!newest.empty()) std::snprintf(copy, copySize, "%s", newest.c_str());
  if (!copy[0] && FileExists(old.c_str())) std::snprintf(copy, copySize, "%s", old.c_str());
  return 0;
}
