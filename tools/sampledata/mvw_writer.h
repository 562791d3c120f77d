// Writer of road graph files (".mvw"), big-endian, field by field from the layout; the first
// record in the file is the last node. It shares no code with the program's reader.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sample {

using Bytes = std::vector<uint8_t>;

struct MvwLink {
  uint32_t node = 0;  // written as 24 bits
  uint8_t state = 1;
};

struct MvwNode {
  int16_t cost = 1;
  uint32_t id = 0;
  uint8_t factor = 1;
  uint8_t flags = 0;  // 0x80 one-way-out A, 0x40 one-way-in B; other bits as given
  std::vector<MvwLink> out, in;  // at most 15 each
};

struct MvwSpec {
  std::string magic = "MVW";
  uint8_t version = 1;
  uint32_t header1 = 0, header2 = 0;
  std::vector<MvwNode> nodes;  // by index
  int64_t nodeCount = -1;      // the header's N; -1: nodes.size()
  bool ascending = false;      // write node 0 first (a file that loads reversed)
};

// Throws std::invalid_argument for more than 15 links in a list or a node index above 24 bits.
Bytes BuildMvw(const MvwSpec& plan);
bool WriteMvw(const std::string& hostPath, const MvwSpec& plan);

// An undirected edge a-b as the tests write it: a.out gets (b, state), b.in gets (a, state).
void MvwEdge(MvwSpec& plan, uint32_t a, uint32_t b, uint8_t state = 1);

// A road grid of width x height intersections. Every road segment between two neighbouring
// intersections is a node (id = index); `removedPercent` of them are left out. A road's
// outgoing links are the roads at its far end (arrived at in state 1, along their stored
// direction, when they start there, else 128), its incoming links those at its near end.
// Costs 1-100, factors 1-3; `oneWayPercent` of the roads get flag A or B.
// `segments`, when given, receives each node's intersections (from, to), numbered y * width + x,
// so a matching map can draw the roads.
MvwSpec RoadGridMvw(uint32_t width, uint32_t height, uint32_t seed = 1, int removedPercent = 8,
                    int oneWayPercent = 5,
                    std::vector<std::pair<uint32_t, uint32_t>>* segments = nullptr);

// The demo town's road graph (tools/sampledata/demo_town.cpp): a node for every street line
// object of the Streets map (id = object index), links where two streets share an end, cost the
// length in metres, factor 1 for the main streets and 2 for the others, two one-way streets.
MvwSpec DemoRoadGraph();

}  // namespace sample
