// Reading object geometry, attribute lists and placement bytes from the map file on demand,
// and freeing them when objects leave the view.
//
// Per object the state walks 0 (nothing read) -> 3 (marked) -> 1 (read) or 5 (failed);
// 1 or 5 -> 4 (to be freed) -> 0. An error does not stop a pass: later objects are still read
// but marked 5, so the caller sees that the pass was incomplete. An object whose stored data
// cannot be read whole (a block past the end of the file, a size that is no whole number of
// vertices) is left without vertices or list and reported with error 1.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/text_utils.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "platform/win.h"

int TMdmMap::ReadItemValue(TMapObject* object) {
  if (!object || !library) return 0;
  const uint8_t* style = library->styles.FindStyle(object->code);
  if (!style) return 0;
  int n;
  switch (object->kind) {
    case mdm::kKindPoint: n = 2; break;
    case mdm::kKindLine: n = 5; break;
    case mdm::kKindArea: n = 7; break;
    default: n = 4; break;
  }
  std::memcpy(object->style, style, size_t(n));
  if (object->kind == mdm::kKindText) object->style[0] = object->placement;
  object->flags |= TMapObject::kStyleCached;
  return 1;
}

int TMdmMap::MarkVisibleItems() {
  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (working) {
      if (o.state != TMapObject::kStateRead && !(o.flags & TMapObject::kMadeInMemory))
        o.state = TMapObject::kStateToRead;
    } else if (loadAll) {
      if (o.state != TMapObject::kStateRead) o.state = TMapObject::kStateToRead;
    } else {
      const uint8_t both = TMapObject::kInView | TMapObject::kPassesLevel;
      if ((o.flags & both) == both) {
        if (o.state != TMapObject::kStateRead) o.state = TMapObject::kStateToRead;
      } else if (o.state != TMapObject::kStateNone) {
        o.state = TMapObject::kStateToFree;
      }
    }
  }
  return 0;
}

int TMdmMap::LoadVisibleObjects() {
  MarkVisibleItems();
  return LoadVisibleGeometry();
}

namespace {

struct FileCloser {
  FILE* f;
  ~FileCloser() {
    if (f) fclose(f);
  }
};

bool SeekTo(FILE* f, uint64_t at) { return at <= uint64_t(LONG_MAX) && fseek(f, long(at), SEEK_SET) == 0; }

}  // namespace

int TMdmMap::LoadVisibleGeometry() {
  FILE* f = vfopen(path, "rb");
  if (!f) return kMdmNoFile;
  FileCloser closer{f};
  // Objects lie in table order in the file: a large buffer and skipping seeks to where the
  // stream already is turn a pass over a whole map into sequential reads.
  setvbuf(f, nullptr, _IOFBF, 1 << 16);
  const long fileLength = GetFileLength(f);
  uint64_t pos = UINT64_MAX;  // where the stream stands, UINT64_MAX when unknown
  // Reads n bytes at `at` into dst; the count read, or -1 when the seek failed.
  auto readAt = [&](uint64_t at, uint8_t* dst, size_t n) -> int64_t {
    if (at != pos && !SeekTo(f, at)) {
      pos = UINT64_MAX;
      return -1;
    }
    size_t got = fread(dst, 1, n, f);
    pos = at + got;
    return int64_t(got);
  };
  std::vector<uint8_t> scratch;  // one object's stored bytes; grows within the pass
  int error = 0;
  const uint32_t vertexBytes = wideEntries ? 8 : 4;
  const bool hasPlacement = Version() >= 2;

  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.state == TMapObject::kStateToFree) {
      std::free(o.vertices);
      o.vertices = nullptr;
      o.vertexCount = 0;
      o.vertexCapacity = 0;
      std::free(o.attrs);
      o.attrs = nullptr;
      o.state = TMapObject::kStateNone;  // the name stays for lists and labels
      continue;
    }
    if (o.state != TMapObject::kStateToRead) continue;
    int objError = 0;

    const bool wantGeom = !o.vertices && o.kind != mdm::kKindEmpty && o.geomSize != 0;
    const bool wantAttrs = o.attrLength != 0 && !o.attrs;
    const bool wantPlacement = o.kind == mdm::kKindText && hasPlacement;
    if (o.kind == mdm::kKindText && !hasPlacement) o.placement = 0;
    // The object's bytes: geometry, then attribute list, then (texts) the placement byte.
    const uint64_t geomAt = o.geomOffset;
    const uint64_t attrAt = geomAt + o.geomSize;
    const uint64_t placeAt = attrAt + o.attrLength;
    if (wantGeom || wantAttrs || wantPlacement) {
      uint64_t start = wantGeom ? geomAt : wantAttrs ? attrAt : placeAt;
      uint64_t end = wantPlacement ? placeAt + 1 : wantAttrs ? placeAt : attrAt;
      int64_t got = -1;
      if (fileLength >= 0 && end <= uint64_t(fileLength)) {
        try {
          if (scratch.size() < end - start) scratch.resize(size_t(end - start));
          got = readAt(start, scratch.data(), size_t(end - start));
        } catch (...) {
          objError = kMdmNoMemory;
        }
      }
      // Whether [at, at + n) of the file arrived.
      auto arrived = [&](uint64_t at, uint64_t n) {
        return got >= 0 && at >= start && at + n <= start + uint64_t(got);
      };
      if (!objError && got < 0) objError = kMdmFormat;  // past the end, or the seek failed

      if (wantGeom && !objError) {
        uint32_t n = o.geomSize / vertexBytes;
        if (o.geomSize % vertexBytes != 0 || !arrived(geomAt, o.geomSize)) {
          objError = kMdmFormat;
        } else {
          auto* v = static_cast<TMapPoint*>(std::malloc(size_t(n + 1) * sizeof(TMapPoint)));
          if (!v) {
            objError = kMdmNoMemory;
          } else {
            const uint8_t* base = scratch.data() + (geomAt - start);
            for (uint32_t k = 0; k < n; k++) {
              const uint8_t* p = base + size_t(k) * vertexBytes;
              if (wideEntries)
                v[k] = {mdm::GetI32(p), mdm::GetI32(p + 4)};
              else
                v[k] = {int32_t(mdm::GetU16(p)), int32_t(mdm::GetU16(p + 2))};  // unsigned
            }
            o.vertices = v;
            o.vertexCount = int32_t(n);
            o.vertexCapacity = int32_t(n + 1);
          }
        }
      }
      if (wantAttrs && objError != kMdmNoMemory) {
        if (!arrived(attrAt, o.attrLength)) {
          objError = kMdmFormat;
        } else if (!(o.attrs = static_cast<uint8_t*>(std::malloc(o.attrLength)))) {
          objError = kMdmNoMemory;
        } else {
          std::memcpy(o.attrs, scratch.data() + (attrAt - start), o.attrLength);
          const uint8_t* text;
          uint16_t n;
          if (AttrListFind(o.attrs, o.attrLength, mdm::kTagText, mdm::kAttrText, &text, &n))
            o.SetName(reinterpret_cast<const char*>(text), n);
          else
            o.ClearName();
        }
      }
      // The placement byte is part of the object's data: read whether or not a library gives
      // the style, or a save without library would lose it.
      if (wantPlacement) {
        if (arrived(placeAt, 1))
          o.placement = scratch[size_t(placeAt - start)];
        else if (!objError)
          objError = kMdmFormat;
      }
    }
    if (!(o.flags & TMapObject::kStyleCached))
      ReadItemValue(&o);
    else if (o.kind == mdm::kKindText)
      o.style[0] = o.placement;

    if (objError) error = objError;
    o.state = error ? TMapObject::kStateFailed : TMapObject::kStateRead;
  }
  if (!error && !library) return kMdmNoLibrary;
  return error;
}
