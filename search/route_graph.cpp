#include "search/route_graph.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "base/text_utils.h"
#include "platform/win.h"

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kMinRecord = 9;  // a node record without links

uint32_t Be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The checks that need only the header, in the order of the result codes: `head` holds the
// first min(length, 32) bytes of a file of `length` bytes. 0 when the records may be read.
int64_t HeaderCode(const uint8_t* head, size_t length) {
  if (length < 3 || std::memcmp(head, "MVW", 3) != 0) return kRouteBadMagic;
  if (length < 4) return kRouteDamaged;
  if (head[3] != 1) return kRouteBadVersion;
  if (length < kHeaderSize) return kRouteDamaged;
  if (Be32(head + 28) > (length - kHeaderSize) / kMinRecord) return kRouteDamaged;
  return 0;
}

}  // namespace

int64_t TRouteGraph::Open(const char* path) {
  Close();
  FILE* f = path ? vfopen(path, "rb") : nullptr;
  if (!f) return kRouteNotOpened;
  // The header first: a file of some other kind, or one too short for its node count, is
  // refused without reading or allocating the rest of it.
  const long length = GetFileLength(f);
  uint8_t head[kHeaderSize];
  const size_t headLength = length < 0 ? 0 : std::min(size_t(length), kHeaderSize);
  int64_t code = length < 0 || std::fread(head, 1, headLength, f) != headLength
                     ? kRouteDamaged
                     : HeaderCode(head, size_t(length));
  std::vector<uint8_t> file;
  if (code == 0) {
    try {
      file.resize(size_t(length));
      std::memcpy(file.data(), head, headLength);
      const size_t rest = file.size() - headLength;
      // A file that cannot be read whole is damaged as far as the graph is concerned.
      if (std::fread(file.data() + headLength, 1, rest, f) != rest) code = kRouteDamaged;
    } catch (const std::bad_alloc&) {
      code = kRouteDamaged;
    }
  }
  std::fclose(f);
  if (code != 0) return code;
  return OpenFromMemory(file.data(), file.size());
}

int64_t TRouteGraph::OpenFromMemory(const uint8_t* data, size_t length) {
  Close();
  if (const int64_t code = HeaderCode(data, length)) return code;
  const uint32_t n = Be32(data + 28);
  const size_t bytes = length - kHeaderSize;
  if (n > bytes / kMinRecord) return kRouteDamaged;

  try {
    cost_.resize(n);
    id_.resize(n);
    factor_.resize(n);
    flags_.resize(n);
    outCount_.resize(n);
    inCount_.resize(n);
    linkStart_.resize(n);
    links_.reserve(std::min<size_t>(size_t(n) * 6, (bytes - size_t(n) * kMinRecord) / 4));
    const uint8_t* p = data + kHeaderSize;
    const uint8_t* const end = data + length;
    for (uint32_t r = 0; r < n; ++r) {
      const uint32_t i = n - 1 - r;  // the file holds the nodes from the last down
      if (size_t(end - p) < kMinRecord) {
        Close();
        return kRouteDamaged;
      }
      cost_[i] = int16_t(uint16_t(p[0] << 8 | p[1]));
      id_[i] = int32_t(Be32(p + 2));
      factor_[i] = p[6];
      flags_[i] = uint8_t((p[7] & 0x80 ? kFlagA : 0) | (p[7] & 0x40 ? kFlagB : 0));
      outCount_[i] = p[8] >> 4;
      inCount_[i] = p[8] & 15;
      const size_t count = size_t(outCount_[i]) + inCount_[i];
      p += kMinRecord;
      if (size_t(end - p) < 4 * count) {
        Close();
        return kRouteDamaged;
      }
      linkStart_[i] = links_.size();
      for (size_t k = 0; k < count; ++k, p += 4) {
        links_.push_back({uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2], p[3]});
      }
    }
    nonNegative_ = true;
    for (uint32_t i = 0; i < n; ++i) nonNegative_ = nonNegative_ && (cost_[i] >= 0 || factor_[i] == 0);
    header1_ = Be32(data + 4);
    header2_ = Be32(data + 8);
    version_ = data[3];

    // The reverse index: for every node the links that name it, grouped by target in one pass
    // of counting and one of filling. Links to N and above are left out: never followed.
    reverseStart_.assign(size_t(n) + 1, 0);
    for (const TRouteLink& l : links_) {
      if (l.node < n) ++reverseStart_[l.node + 1];
    }
    for (size_t i = 0; i < n; ++i) reverseStart_[i + 1] += reverseStart_[i];
    reverse_.resize(reverseStart_[n]);
    std::vector<size_t> fill(reverseStart_.begin(), reverseStart_.end() - 1);
    for (uint32_t k = 0; k < n; ++k) {
      for (const TRouteLink& l : OutLinks(k)) {
        if (l.node < n) reverse_[fill[l.node]++] = {k, l.state, kOut};
      }
      for (const TRouteLink& l : InLinks(k)) {
        if (l.node < n) reverse_[fill[l.node]++] = {k, l.state, kIn};
      }
    }
    mark_.assign(2 * size_t(n), 0);
    feeder_.assign(2 * size_t(n), 0);
    pick_.resize(2 * size_t(n));
    sum_.resize(2 * size_t(n));
    base_ = 0;
    return int64_t(p - (data + kHeaderSize));
  } catch (const std::bad_alloc&) {
    Close();
    return kRouteDamaged;
  }
}

void TRouteGraph::Close() {
  version_ = 0;
  header1_ = header2_ = 0;
  nonNegative_ = true;
  cost_.clear();
  id_.clear();
  factor_.clear();
  flags_.clear();
  outCount_.clear();
  inCount_.clear();
  linkStart_.clear();
  links_.clear();
  reverseStart_.clear();
  reverse_.clear();
  mark_.clear();
  feeder_.clear();
  pick_.clear();
  sum_.clear();
  frontier_.clear();
  next_.clear();
}

int32_t TRouteGraph::FindNode(int32_t id) const {
  for (size_t i = id_.size(); i-- > 0;) {
    if (id_[i] == id) return int32_t(i);
  }
  return -1;
}

int32_t TRouteGraph::GetNodeId(int32_t index) const {
  if (index < 0 || size_t(index) >= id_.size()) return -1;
  return id_[size_t(index)];
}

uint8_t TRouteGraph::Walks(uint32_t i, uint32_t state) const {
  if (state == 1) return (flags_[i] & kFlagB) ? kIn : kOut | kIn;
  if (state == 128) return (flags_[i] & kFlagA) ? kOut : kOut | kIn;
  return 0;
}

bool TRouteGraph::FindPath(int32_t start, int startDirection, int32_t target, int targetDirection,
                           std::vector<int32_t>* path) {
  path->clear();
  const uint32_t n = NodeCount();
  if (start < 0 || target < 0 || uint32_t(start) >= n || uint32_t(target) >= n) return false;
  if (start == target) {
    path->push_back(start);
    return true;
  }
  const uint32_t t = uint32_t(target);
  // The state the target must arrive in; 0 when the target cannot be walked on in the wrong
  // direction anyway, so any arrival counts.
  uint32_t wanted = targetDirection ? 1 : 128;
  if (targetDirection ? !(flags_[t] & kFlagB) : !(flags_[t] & kFlagA)) wanted = 0;

  // Each wave reaches at least one new pair or is the last, so a search sets marks base_ to at
  // most base_ + 2N + 1.
  if (base_ == 0 || uint64_t(base_) + 2 * uint64_t(n) + 2 > UINT32_MAX) {
    std::fill(mark_.begin(), mark_.end(), 0);
    std::fill(feeder_.begin(), feeder_.end(), 0);
    base_ = 1;
  }
  const uint32_t base = base_;

  // The feeders: the pairs that walk a list holding a link to the target that counts.
  uint64_t unmarkedFeeders = 0;
  for (size_t e = reverseStart_[t]; e < reverseStart_[t + 1]; ++e) {
    const ReverseLink& r = reverse_[e];
    if (r.from == t || (wanted != 0 && r.state != wanted)) continue;
    for (uint32_t state : {1u, 128u}) {
      const uint32_t p = 2 * r.from + (state == 128);
      if ((Walks(r.from, state) & r.list) && feeder_[p] != base) {
        feeder_[p] = base;
        ++unmarkedFeeders;
      }
    }
  }
  uint32_t lastFeederWave = 0;
  auto weight = [this](uint32_t road) { return int64_t(cost_[road]) * factor_[road]; };
  // The order in which the trace prefers the pairs of one wave: least cost, then the lowest
  // road, then state 1 (a pair's number orders road and state alike).
  auto before = [this](uint32_t a, uint32_t b) {
    return cost_[a >> 1] < cost_[b >> 1] || (cost_[a >> 1] == cost_[b >> 1] && a < b);
  };

  const uint32_t first = 2 * uint32_t(start) + (startDirection ? 0 : 1);
  mark_[first] = base;
  sum_[first] = weight(uint32_t(start));
  if (feeder_[first] == base) --unmarkedFeeders;
  frontier_.assign(1, first);
  constexpr uint32_t kNone = UINT32_MAX;
  uint32_t best = kNone;  // the pair the best trace goes back to from the target
  int64_t bestSum = 0;    // sums of at most 2N + 2 roads of 32767 x 255: never past 64 bits
  uint32_t w = 0;
  for (; !frontier_.empty(); ++w) {
    next_.clear();
    uint32_t arrival = kNone;  // this wave's pair that the trace from the target takes
    const uint32_t waveMark = base + w + 1;
    for (uint32_t pair : frontier_) {
      const uint32_t j = pair >> 1;
      const uint8_t lists = Walks(j, (pair & 1) ? 128 : 1);
      const TRouteLink* begin = links_.data() + linkStart_[j];
      const TRouteLink* from = (lists & kOut) ? begin : begin + outCount_[j];
      const TRouteLink* to = begin + outCount_[j] + ((lists & kIn) ? inCount_[j] : 0);
      for (const TRouteLink* l = from; l < to; ++l) {
        const uint32_t v = l->node;
        if (v >= n || v == j) continue;
        if (v == t && (wanted == 0 || l->state == wanted)) {
          // An arrival marks nothing: the target is not walked on from it.
          if (arrival == kNone || before(pair, arrival)) arrival = pair;
          continue;
        }
        uint32_t p;
        if (l->state == 1) {
          p = 2 * v;
        } else if (l->state == 128) {
          p = 2 * v + 1;
        } else {
          continue;  // a state that is walked on nowhere marks nothing
        }
        if (mark_[p] == waveMark) {
          if (before(pair, pick_[p])) pick_[p] = pair;
          continue;
        }
        if (mark_[p] >= base) continue;
        mark_[p] = waveMark;
        pick_[p] = pair;
        next_.push_back(p);
        if (feeder_[p] == base) {
          --unmarkedFeeders;
          lastFeederWave = w + 1;
        }
      }
    }
    // The wave is walked: the picks of the pairs it reached are final, and so are their sums.
    int64_t nextLeast = INT64_MAX;
    for (uint32_t p : next_) {
      sum_[p] = weight(p >> 1) + sum_[pick_[p]];
      nextLeast = std::min(nextLeast, sum_[p]);
    }
    if (arrival != kNone) {
      const int64_t sum = weight(t) + sum_[arrival];
      if (best == kNone || (sum < bestSum && sum != 0 && bestSum != 0)) {
        best = arrival;
        bestSum = sum;
      }
    }
    // Every pair that can arrive has walked: no later wave reaches the target.
    if (unmarkedFeeders == 0 && lastFeederWave <= w) break;
    // Without negative weights a sum only grows along the picks, and every later trace goes
    // through a pair of the next wave: when even the least of those cannot come in under the
    // best, no later trace replaces it (nor does any when the best weighs 0).
    if (nonNegative_ && best != kNone &&
        (bestSum == 0 || (nextLeast != INT64_MAX && weight(t) + nextLeast >= bestSum)))
      break;
    frontier_.swap(next_);
  }
  base_ = base + w + 2;  // past every mark of this search
  if (best == kNone) return false;
  // Back along the picks, one pair a wave, down to the start's pair (wave 0).
  path->push_back(target);
  for (uint32_t p = best;; p = pick_[p]) {
    path->push_back(int32_t(p >> 1));
    if (p == first || path->size() > 2 * size_t(n) + 2) break;
  }
  std::reverse(path->begin(), path->end());
  return true;
}
