#include "tools/sampledata/mdm_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sample {
namespace {

void U8(Bytes& b, uint8_t v) { b.push_back(v); }
// Byte-wise append: the range insert of an empty vector trips a false overflow warning.
void Append(Bytes& b, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; i++) b.push_back(p[i]);
}
void U16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void U32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; i++) b.push_back(uint8_t(v >> (8 * i)));
}
void F64(Bytes& b, double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  for (int i = 0; i < 8; i++) b.push_back(uint8_t(u >> (8 * i)));
}

}  // namespace

void AttrText(Bytes& list, uint16_t tag, const std::string& text, uint8_t type) {
  U16(list, uint16_t(tag << 3 | type));
  size_t n = std::min<size_t>(text.size(), 255);
  U8(list, uint8_t(n));
  for (size_t i = 0; i < n; i++) list.push_back(uint8_t(text[i]));
}

void AttrInt32(Bytes& list, uint16_t tag, int32_t value) {
  U16(list, uint16_t(tag << 3 | 2));
  U32(list, uint32_t(value));
}

void AttrFloat(Bytes& list, uint16_t tag, float value) {
  U16(list, uint16_t(tag << 3 | 3));
  uint32_t u;
  std::memcpy(&u, &value, 4);
  U32(list, u);
}

void AttrDouble(Bytes& list, uint16_t tag, double value) {
  U16(list, uint16_t(tag << 3 | 4));
  F64(list, value);
}

MdmObject MdmPoint(uint16_t code, int32_t x, int32_t y) {
  MdmObject o;
  o.code = code;
  o.box[0] = o.box[2] = x;
  o.box[1] = o.box[3] = y;
  return o;
}

MdmObject MdmShape(uint16_t code, std::vector<std::pair<int32_t, int32_t>> vertices) {
  MdmObject o;
  o.code = code;
  o.vertices = std::move(vertices);
  if (!o.vertices.empty()) {
    o.box[0] = o.box[2] = o.vertices[0].first;
    o.box[1] = o.box[3] = o.vertices[0].second;
    for (auto& v : o.vertices) {
      o.box[0] = std::min(o.box[0], v.first);
      o.box[2] = std::max(o.box[2], v.first);
      o.box[1] = std::min(o.box[1], v.second);
      o.box[3] = std::max(o.box[3], v.second);
    }
  }
  return o;
}

Bytes BuildMdm(const MdmSpec& plan) {
  const uint32_t entrySize = plan.wideEntries ? 29 : 19;
  const uint32_t vertexSize = plan.wideEntries ? 8 : 4;
  Bytes headerList;
  if (!plan.library.empty()) AttrText(headerList, kMdmLibraryTag, plan.library);
  Append(headerList, plan.extraHeaderList.data(), plan.extraHeaderList.size());

  Bytes b;
  // Header, 77 bytes.
  const char magic[] = "MDM2D";
  Append(b, reinterpret_cast<const uint8_t*>(magic), 5);
  U8(b, plan.version);
  U8(b, uint8_t(plan.unitExponent << 5 | (plan.writtenFlag ? 0x04 : 0) |
                (plan.wideEntries ? 0x02 : 0)));
  U32(b, plan.scale);
  U32(b, 0);  // reserved
  U32(b, 0);  // reserved
  F64(b, plan.x1);
  F64(b, plan.y1);
  F64(b, 0.0);
  F64(b, plan.x2);
  F64(b, plan.y2);
  F64(b, 0.0);
  uint32_t tableEnd = 77 + entrySize * uint32_t(plan.objects.size());
  U32(b, tableEnd);
  U16(b, plan.reservedLength);
  U16(b, uint16_t(headerList.size()));
  U16(b, uint16_t(plan.objects.size()));

  // Entries; offsets patched once the data is laid out.
  uint32_t offset = tableEnd + plan.reservedLength + uint32_t(headerList.size());
  for (const MdmObject& o : plan.objects) {
    uint32_t geom = uint32_t(o.vertices.size()) * vertexSize;
    U16(b, o.code);
    for (int k = 0; k < 4; k++) {
      if (plan.wideEntries)
        U32(b, uint32_t(o.box[k]));
      else
        U16(b, uint16_t(o.box[k]));
    }
    U32(b, offset);
    if (plan.wideEntries)
      U32(b, geom);
    else
      U16(b, uint16_t(geom));
    U16(b, uint16_t(o.attrs.size()));
    U8(b, o.entryFlags);
    bool placement = plan.version >= 2 && (o.code & 7) == 4;
    offset += geom + uint32_t(o.attrs.size()) + (placement ? 1 : 0);
  }
  b.resize(b.size() + plan.reservedLength, 0);
  Append(b, headerList.data(), headerList.size());
  for (const MdmObject& o : plan.objects) {
    for (auto& v : o.vertices) {
      if (plan.wideEntries) {
        U32(b, uint32_t(v.first));
        U32(b, uint32_t(v.second));
      } else {
        U16(b, uint16_t(v.first));
        U16(b, uint16_t(v.second));
      }
    }
    Append(b, o.attrs.data(), o.attrs.size());
    if (plan.version >= 2 && (o.code & 7) == 4) U8(b, o.placement);
  }
  return b;
}

bool WriteMdm(const std::string& hostPath, const MdmSpec& plan) {
  Bytes b = BuildMdm(plan);
  FILE* f = std::fopen(hostPath.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

MdmSpec DemoMdm() {
  MdmSpec s;
  s.version = 3;
  s.unitExponent = 1;  // centimetres
  s.scale = 10000;
  s.x1 = 6180000;
  s.y1 = 7400000;
  s.x2 = 6190000;
  s.y2 = 7410000;
  s.library = "Demo";
  MdmObject point = MdmPoint(9, 50000, 60000);
  AttrText(point.attrs, 9, "P1");
  AttrText(point.attrs, 99, "P1");
  MdmObject line = MdmShape(18, {{10000, 10000}, {20000, 15000}, {30000, 12000}});
  MdmObject area =
      MdmShape(27, {{40000, 40000}, {40000, 50000}, {50000, 45000}, {40000, 40000}});
  AttrText(area.attrs, 9, "Lake");
  MdmObject text = MdmShape(36, {{70000, 70000}, {70000, 80000}});
  AttrText(text.attrs, 9, "Text");
  text.placement = 0;
  s.objects = {point, line, area, text};
  return s;
}

MdmSpec LinesMdm(int lines, int vertices, uint32_t seed) {
  MdmSpec s;
  s.unitExponent = 1;
  s.x1 = 6180000;
  s.y1 = 7400000;
  s.x2 = 6190000;
  s.y2 = 7410000;
  s.library = "Demo";
  s.objects.reserve(size_t(lines));
  uint32_t r = seed ? seed : 1;
  auto next = [&r]() {
    r = r * 1103515245u + 12345u;
    return (r >> 8) % 990000u;
  };
  for (int i = 0; i < lines; i++) {
    int32_t x = int32_t(next()) + 1000, y = int32_t(next()) + 1000;
    std::vector<std::pair<int32_t, int32_t>> v;
    v.reserve(size_t(vertices));
    for (int k = 0; k < vertices; k++) v.push_back({x + k * 50, y + (k % 2) * 40});
    MdmObject o = MdmShape(18, std::move(v));
    AttrText(o.attrs, 9, "L" + std::to_string(1000 + i % 9000));  // 5 bytes: an 8-byte item
    s.objects.push_back(std::move(o));
  }
  return s;
}

}  // namespace sample
