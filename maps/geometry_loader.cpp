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

#include "app/text_utils.h"
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
  std::vector<uint8_t> scratch;  // 4-byte vertices of narrow-entry files; grows within the pass
  int error = 0;
  const uint32_t vertexBytes = wideEntries ? 8 : 4;

  for (int32_t i = 0; i < count; i++) {
    TMapObject& o = objects[i];
    if (o.state == TMapObject::kStateToFree) {
      std::free(o.vertices);
      o.vertices = nullptr;
      o.vertexCount = 0;
      std::free(o.attrs);
      o.attrs = nullptr;
      o.state = TMapObject::kStateNone;  // the name stays for lists and labels
      continue;
    }
    if (o.state != TMapObject::kStateToRead) continue;
    int objError = 0;

    if (!o.vertices && o.kind != mdm::kKindEmpty && o.geomSize != 0) {
      uint32_t n = o.geomSize / vertexBytes;
      if (o.geomSize % vertexBytes != 0 || !SeekTo(f, o.geomOffset)) {
        objError = kMdmFormat;
      } else {
        try {
          if (scratch.size() < o.geomSize) scratch.resize(o.geomSize);
        } catch (...) {
          objError = kMdmNoMemory;
        }
        auto* v = objError ? nullptr
                           : static_cast<TMapPoint*>(std::malloc(size_t(n + 1) * sizeof(TMapPoint)));
        if (!objError && !v) objError = kMdmNoMemory;
        if (v) {
          if (fread(scratch.data(), 1, o.geomSize, f) != o.geomSize) {
            std::free(v);
            objError = kMdmFormat;
          } else {
            for (uint32_t k = 0; k < n; k++) {
              const uint8_t* p = scratch.data() + size_t(k) * vertexBytes;
              if (wideEntries)
                v[k] = {mdm::GetI32(p), mdm::GetI32(p + 4)};
              else
                v[k] = {int32_t(mdm::GetU16(p)), int32_t(mdm::GetU16(p + 2))};  // unsigned
            }
            o.vertices = v;
            o.vertexCount = int32_t(n);
          }
        }
      }
    }

    if (o.attrLength != 0 && !o.attrs) {
      if (!SeekTo(f, uint64_t(o.geomOffset) + o.geomSize)) {
        objError = kMdmFormat;
      } else {
        o.attrs = static_cast<uint8_t*>(std::malloc(o.attrLength));
        if (!o.attrs) {
          objError = kMdmNoMemory;
        } else if (fread(o.attrs, 1, o.attrLength, f) != o.attrLength) {
          std::free(o.attrs);
          o.attrs = nullptr;
          objError = kMdmFormat;
        } else {
          char text[1024] = {};
          uint16_t n;
          if (GetAttr(uint16_t(i), mdm::kTagText, mdm::kAttrText, text, &n, sizeof(text)))
            o.SetName(text, n);
          else
            o.ClearName();
        }
      }
    }

    // The placement byte is part of the object's data: read whether or not a library gives
    // the style, or a save without library would lose it.
    if (o.kind == mdm::kKindText) {
      if (Version() < 2) {
        o.placement = 0;
      } else {
        uint8_t b;
        if (!SeekTo(f, uint64_t(o.geomOffset) + o.geomSize + o.attrLength) || fread(&b, 1, 1, f) != 1)
          objError = kMdmFormat;
        else
          o.placement = b;
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
