// The road graph of one vector map and the route search over it.
//
// File (".mvw"), all numbers big-endian:
//   0   3   magic "MVW"
//   3   1   version, 1
//   4   4   header value 1 (kept, not used)
//   8   4   header value 2 (kept, not used)
//   12  16  reserved
//   28  4   node count N
//   32  ..  N node records, the first in the file being node N-1 and the last node 0:
//           cost (signed 16), id (32: the road's line object in its map), factor (8: weight of
//           the cost), flags (bit 7 one-way-out A, bit 6 one-way-in B), link counts (out in the
//           high 4 bits, in in the low 4), then out x 4 and in x 4 bytes of links: a 24-bit node
//           index and a state byte.
// A node is one road, a link a junction with another road; the link's state is the state in
// which the search arrives at that road. Only states 1 and 128 are walked on:
//   state 1:   B set: the incoming links only; else the outgoing, then the incoming links;
//   state 128: A set: the outgoing links only; else the outgoing, then the incoming links.
// A link in any other state leads nowhere, and a road's link to itself is never followed.
//
// The search is a wave search over (road, state) pairs: a one-way road reached in the state it
// blocks may still be reached later in the other state and walked on from there, so every route
// that exists is found. Each pair is taken once, in the first wave that reaches it. The target
// is reached when a walked link arrives at it in the wanted state (any state when its one-way
// flag does not restrict the wanted direction); reached in another state it is a road like any
// other. Every wave that reaches the target is traced back one wave at a time, choosing at each
// wave the road of least cost (ties to the lowest index, then state 1) whose pair was reached in
// that wave and really leads on: it walks, in that state, a list holding a link to the road after
// it in the state that road was taken in. The first trace is the path; a trace of a later wave
// replaces it when its weighted cost, the sum of cost x factor over its roads, is smaller and
// neither sum is 0 (a graph without weights keeps the path of fewest roads). So this is not a
// shortest path by weight: it is the cheapest of the traces, one per arriving wave.
//
// Waves go on while they can still reach the target and better the path: the search ends when
// every pair that holds a link to the target in the wanted state has been walked, when no wave
// reaches a new pair, or, in a graph without negative weights, when no trace through the next
// wave can weigh less than the path found.
//
// Memory: flat arrays (links of a node contiguous, a reverse-link index for the trace); the
// search keeps a frontier per wave and per-pair marks counted from a per-search base, so a new
// search starts without clearing anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct TRouteLink {
  uint32_t node;  // index into the graph's nodes; N and above are never followed
  uint8_t state;
};

// Open results that are not a size.
enum : int64_t {
  kRouteNotOpened = 1,
  kRouteBadMagic = 2,
  kRouteBadVersion = 3,
  kRouteDamaged = 4,  // truncated, or a node count or a record that runs past the file
};

class TRouteGraph {
 public:
  TRouteGraph() = default;
  TRouteGraph(const TRouteGraph&) = delete;
  TRouteGraph& operator=(const TRouteGraph&) = delete;

  // Reads a graph file (a device path in the path page). Returns one of the codes above
  // with an empty graph, or the number of bytes of node records read (0 for an empty graph,
  // never 1-4 otherwise, since a record takes at least 9 bytes). The header is checked before
  // the rest of the file is read.
  int64_t Open(const char* path);
  // The same from bytes already in memory.
  int64_t OpenFromMemory(const uint8_t* data, size_t length);
  void Close();

  // Index of the node with that id, the highest index when ids repeat; -1 when none.
  int32_t FindNode(int32_t id) const;
  // The node's id; -1 for an index below 0 or not below N.
  int32_t GetNodeId(int32_t index) const;

  // A path from `start` to `target` (both node indices), start first. A direction flag that is
  // non-zero means state 1, zero state 128. False with an empty path when none was found or an
  // index is out of range. Start equal to target gives that one node.
  bool FindPath(int32_t start, int startDirection, int32_t target, int targetDirection,
                std::vector<int32_t>* path);

  uint32_t NodeCount() const { return uint32_t(cost_.size()); }
  uint8_t Version() const { return version_; }
  uint32_t HeaderValue1() const { return header1_; }
  uint32_t HeaderValue2() const { return header2_; }
  // Node fields; the index must be below NodeCount().
  int32_t Cost(uint32_t i) const { return cost_[i]; }
  uint8_t Factor(uint32_t i) const { return factor_[i]; }
  bool FlagA(uint32_t i) const { return flags_[i] & kFlagA; }
  bool FlagB(uint32_t i) const { return flags_[i] & kFlagB; }
  std::span<const TRouteLink> OutLinks(uint32_t i) const {
    return {links_.data() + linkStart_[i], outCount_[i]};
  }
  std::span<const TRouteLink> InLinks(uint32_t i) const {
    return {links_.data() + linkStart_[i] + outCount_[i], inCount_[i]};
  }

 private:
  static constexpr uint8_t kFlagA = 1, kFlagB = 2;
  static constexpr uint8_t kOut = 1, kIn = 2;  // list masks

  // A link seen from the node it points to: `from` holds it in list `list` with `state`.
  struct ReverseLink {
    uint32_t from;
    uint8_t state;
    uint8_t list;
  };

  // Lists (kOut, kIn) that node i walks in `state`.
  uint8_t Walks(uint32_t i, uint32_t state) const;

  bool nonNegative_ = true;  // no road weighs less than 0 (cost x factor)
  uint8_t version_ = 0;
  uint32_t header1_ = 0, header2_ = 0;
  std::vector<int32_t> cost_;
  std::vector<int32_t> id_;
  std::vector<uint8_t> factor_;
  std::vector<uint8_t> flags_;
  std::vector<uint8_t> outCount_, inCount_;
  std::vector<size_t> linkStart_;
  std::vector<TRouteLink> links_;
  std::vector<size_t> reverseStart_;  // N + 1 entries
  std::vector<ReverseLink> reverse_;

  // Search working state. Pair p = 2 x road + (0 for state 1, 1 for state 128). A pair's mark is
  // base_ + the wave in which it was reached (the start: wave 0); marks below base_ belong to
  // earlier searches, so a search starts by moving base_ past every mark the last one set.
  // The trace is kept per pair as it is walked: pick_ is the pair of the wave before that the
  // trace goes back to (the cheapest that leads on), sum_ the weighted cost of the roads from the
  // start to the pair's road along the picks; both are valid for the pairs marked in this search.
  // feeder_ holds base_ for the pairs that hold a counting link to the target.
  std::vector<uint32_t> mark_;  // 2N entries each
  std::vector<uint32_t> feeder_;
  std::vector<uint32_t> pick_;
  std::vector<int64_t> sum_;
  uint32_t base_ = 0;
  std::vector<uint32_t> frontier_, next_;  // pairs
};
