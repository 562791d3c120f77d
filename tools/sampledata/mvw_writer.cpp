#include "tools/sampledata/mvw_writer.h"

#include <random>
#include <stdexcept>

#include "tools/sampledata/mol_writer.h"

namespace sample {

namespace {

void Put32(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v >> 24));
  b.push_back(uint8_t(v >> 16));
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}

void PutLinks(Bytes& b, const std::vector<MvwLink>& links) {
  for (const MvwLink& l : links) {
    if (l.node > 0xFFFFFF) throw std::invalid_argument("mvw: node index above 24 bits");
    b.push_back(uint8_t(l.node >> 16));
    b.push_back(uint8_t(l.node >> 8));
    b.push_back(uint8_t(l.node));
    b.push_back(l.state);
  }
}

}  // namespace

Bytes BuildMvw(const MvwSpec& plan) {
  Bytes b;
  for (size_t i = 0; i < 3; ++i) b.push_back(i < plan.magic.size() ? uint8_t(plan.magic[i]) : 0);
  b.push_back(plan.version);
  Put32(b, plan.header1);
  Put32(b, plan.header2);
  b.insert(b.end(), 16, 0);
  Put32(b, plan.nodeCount >= 0 ? uint32_t(plan.nodeCount) : uint32_t(plan.nodes.size()));
  const size_t n = plan.nodes.size();
  for (size_t r = 0; r < n; ++r) {
    const MvwNode& node = plan.nodes[plan.ascending ? r : n - 1 - r];
    if (node.out.size() > 15 || node.in.size() > 15) {
      throw std::invalid_argument("mvw: more than 15 links in a list");
    }
    b.push_back(uint8_t(uint16_t(node.cost) >> 8));
    b.push_back(uint8_t(uint16_t(node.cost)));
    Put32(b, node.id);
    b.push_back(node.factor);
    b.push_back(node.flags);
    b.push_back(uint8_t(node.out.size() << 4 | node.in.size()));
    PutLinks(b, node.out);
    PutLinks(b, node.in);
  }
  return b;
}

bool WriteMvw(const std::string& hostPath, const MvwSpec& plan) {
  return SaveBytes(hostPath, BuildMvw(plan));
}

void MvwEdge(MvwSpec& plan, uint32_t a, uint32_t b, uint8_t state) {
  plan.nodes[a].out.push_back({b, state});
  plan.nodes[b].in.push_back({a, state});
}

MvwSpec RoadGridMvw(uint32_t width, uint32_t height, uint32_t seed, int removedPercent,
                    int oneWayPercent, std::vector<std::pair<uint32_t, uint32_t>>* ends) {
  std::mt19937 rng(seed);
  // Segments: horizontal ones from (x, y) to (x + 1, y), vertical ones from (x, y) to (x, y + 1).
  struct Segment {
    uint32_t from, to;  // intersections, y * width + x
  };
  std::vector<Segment> segments;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t here = y * width + x;
      if (x + 1 < width && int(rng() % 100) >= removedPercent) segments.push_back({here, here + 1});
      if (y + 1 < height && int(rng() % 100) >= removedPercent) {
        segments.push_back({here, here + width});
      }
    }
  }
  if (ends) {
    ends->clear();
    for (const Segment& g : segments) ends->emplace_back(g.from, g.to);
  }
  // The segments at each intersection.
  std::vector<std::vector<uint32_t>> at(size_t(width) * height);
  for (uint32_t i = 0; i < segments.size(); ++i) {
    at[segments[i].from].push_back(i);
    at[segments[i].to].push_back(i);
  }
  MvwSpec plan;
  plan.nodes.resize(segments.size());
  for (uint32_t i = 0; i < segments.size(); ++i) {
    MvwNode& node = plan.nodes[i];
    node.id = i;
    node.cost = int16_t(1 + rng() % 100);
    node.factor = uint8_t(1 + rng() % 3);
    if (int(rng() % 100) < oneWayPercent) node.flags = (rng() & 1) ? 0x80 : 0x40;
    auto linksAt = [&](uint32_t junction, std::vector<MvwLink>& list) {
      for (uint32_t other : at[junction]) {
        if (other == i) continue;
        list.push_back({other, uint8_t(segments[other].from == junction ? 1 : 128)});
      }
    };
    linksAt(segments[i].to, node.out);
    linksAt(segments[i].from, node.in);
  }
  return plan;
}


}  // namespace sample
