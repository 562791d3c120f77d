#include "maps/map_object.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/text_utils.h"

void TMapObject::InitNew() {
  vertices = nullptr;
  vertexCount = 0;
  vertexCapacity = 0;
  attrs = nullptr;
  attrLength = 0;
  name = nullptr;
  flags = uint8_t((flags & ~kStyleCached) | kMadeInMemory | kInView | kPassesLevel);
  state = kStateRead;
  entryFlags = kEntryCreated;
}

void TMapObject::FreeBuffers() {
  std::free(vertices);
  vertices = nullptr;
  vertexCount = 0;
  vertexCapacity = 0;
  std::free(attrs);
  attrs = nullptr;
  attrLength = 0;
  ClearName();
}

void TMapObject::UpdateBox() {
  if (vertexCount <= 0 || !vertices) return;
  int32_t x0 = vertices[0].x, x1 = x0, y0 = vertices[0].y, y1 = y0;
  for (int32_t i = 1; i < vertexCount; i++) {
    x0 = std::min(x0, vertices[i].x);
    x1 = std::max(x1, vertices[i].x);
    y0 = std::min(y0, vertices[i].y);
    y1 = std::max(y1, vertices[i].y);
  }
  box[0] = x0;
  box[1] = y0;
  box[2] = x1;
  box[3] = y1;
}

bool TMapObject::SetName(const char* text, size_t len) {
  if (len > 255) len = 255;  // texts of an item are at most 255 bytes
  auto* w = static_cast<wchar_t*>(std::malloc((len + 1) * sizeof(wchar_t)));
  if (!w) return false;
  AnsiToWide(w, text, int(len), len + 1);
  std::free(name);
  name = w;
  return true;
}

void TMapObject::ClearName() {
  std::free(name);
  name = nullptr;
}

size_t TPointBuf::Alloc(int32_t n) {
  Free();
  if (n < 0) return 0;
  size_t bytes = size_t(n) * sizeof(TMapPoint) + sizeof(TMapPoint);
  points = static_cast<TMapPoint*>(std::calloc(size_t(n) + 1, sizeof(TMapPoint)));
  return points ? bytes : 0;
}

void TPointBuf::Free() {
  std::free(points);
  points = nullptr;
}
