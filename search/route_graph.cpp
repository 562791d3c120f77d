#include "search/route_graph.h"

#include <algorithm>
#include <climits>
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

}  // namespace

int64_t TRouteGraph::Open(const char* path) {
  Close();
  FILE* f = path ? vfopen(path, "rb") : nullptr;
  if (!f) return kRouteNotOpened;
  const long length = GetFileLength(f);
  std::vector<uint8_t> file;
  bool read = length >= 0;
  if (read) {
    try {
      file.resize(size_t(length));
    } catch (const std::bad_alloc&) {
      read = false;
    }
  }
  if (read) read = std::fread(file.data(), 1, file.size(), f) == file.size();
  std::fclose(f);
  // A file that cannot be read whole is damaged as far as the graph is concerned.
  if (!read) return kRouteDamaged;
  return OpenFromMemory(file.data(), file.size());
}

int64_t TRouteGraph::OpenFromMemory(const uint8_t* data, size_t length) {
  Close();
  if (length < 3 || std::memcmp(data, "MVW", 3) != 0) return kRouteBadMagic;
  if (length < 4) return kRouteDamaged;
  if (data[3] != 1) return kRouteBadVersion;
  if (length < kHeaderSize) return kRouteDamaged;
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
    mark_.assign(n, 0);
    arrival_.assign(n, 0);
    marker_.assign(n, -1);
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
  arrival_.clear();
  marker_.clear();
  frontier_.clear();
  next_.clear();
  trace_.clear();
  best_.clear();
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

bool TRouteGraph::Trace(int32_t w, uint32_t start, uint32_t target, uint32_t wanted) {
  trace_.clear();
  trace_.push_back(int32_t(target));
  uint32_t last = target;
  uint8_t lastLists = 0;  // lists of `last` that hold a link chosen one level up
  // A link (last, state) held by road `from` in `list` leads on when `from` walks that list in
  // its own state and `last`, arriving in the link's state, can go on as the trace requires.
  auto leadsOn = [&](const ReverseLink& r) {
    if (!(Walks(r.from, arrival_[r.from]) & r.list)) return false;
    if (last == target) return wanted == 0 || r.state == wanted;
    return (Walks(last, r.state) & lastLists) != 0;
  };
  for (int32_t level = w; level >= 0; --level) {
    int64_t best = -1;
    for (size_t e = reverseStart_[last]; e < reverseStart_[last + 1]; ++e) {
      const ReverseLink& r = reverse_[e];
      if (mark_[r.from] != base_ + uint32_t(level) || r.from == best) continue;
      if (best >= 0 && (cost_[r.from] > cost_[size_t(best)] ||
                        (cost_[r.from] == cost_[size_t(best)] && r.from > best))) {
        continue;
      }
      if (leadsOn(r)) best = r.from;
    }
    if (best < 0) return false;
    // The road may hold links to `last` in both lists; the next level may use either.
    uint8_t bestLists = 0;
    for (size_t e = reverseStart_[last]; e < reverseStart_[last + 1]; ++e) {
      const ReverseLink& r = reverse_[e];
      if (r.from == best && leadsOn(r)) bestLists |= r.list;
    }
    trace_.push_back(int32_t(best));
    last = uint32_t(best);
    lastLists = bestLists;
  }
  return last == start;
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
  const uint32_t s0 = uint32_t(start), t = uint32_t(target);
  // The state the target must arrive in; 0 when the target cannot be walked on in the wrong
  // direction anyway, so any arrival counts.
  uint32_t wanted = targetDirection ? 1 : 128;
  if (targetDirection ? !(flags_[t] & kFlagB) : !(flags_[t] & kFlagA)) wanted = 0;

  // A search uses marks base_ .. base_ + N + 1.
  if (base_ == 0 || uint64_t(base_) + 2 * (uint64_t(n) + 2) > UINT32_MAX) {
    std::fill(mark_.begin(), mark_.end(), 0);
    base_ = 1;
  } else {
    base_ += n + 2;
  }
  const uint32_t base = base_;
  mark_[s0] = base;
  arrival_[s0] = startDirection ? 1 : 128;
  marker_[s0] = -1;
  frontier_.assign(1, s0);
  int64_t targetState = -1;  // the target's state in the current wave, -1 none
  best_.clear();
  int64_t bestSum = 0;
  bool found = false;

  // Each wave marks at least one new road or ends the search, so N + 1 waves always suffice;
  // the cap only guards against what that argument misses.
  for (int64_t w = 0; w <= int64_t(n); ++w) {
    next_.clear();
    int64_t targetNext = -1;
    int64_t targetMarker = INT64_MAX;
    bool any = false;
    const uint32_t waveMark = base + uint32_t(w) + 1;
    auto walk = [&](uint32_t j, uint32_t state) {
      const uint8_t lists = Walks(j, state);
      const TRouteLink* first = links_.data() + linkStart_[j];
      const TRouteLink* from = (lists & kOut) ? first : first + outCount_[j];
      const TRouteLink* to = first + outCount_[j] + ((lists & kIn) ? inCount_[j] : 0);
      for (const TRouteLink* l = from; l < to; ++l) {
        const uint32_t v = l->node;
        if (v >= n) continue;
        if (v == t) {
          // A link of the target to itself would re-arm the target every wave.
          if (j == t) continue;
          // Later links in scan order overwrite: the lowest index, then the last slot.
          if (int64_t(j) <= targetMarker) {
            targetNext = l->state;
            targetMarker = j;
          }
          any = true;
          continue;
        }
        const uint32_t m = mark_[v];
        if (m >= base) {
          // Marked in this wave by a road of lower index: the road scanned first (the higher
          // index) is the one that marks.
          if (m == waveMark && int32_t(j) > marker_[v]) {
            arrival_[v] = l->state;
            marker_[v] = int32_t(j);
          }
          continue;
        }
        mark_[v] = waveMark;
        arrival_[v] = l->state;
        marker_[v] = int32_t(j);
        next_.push_back(v);
        any = true;
      }
    };
    for (uint32_t j : frontier_) walk(j, arrival_[j]);
    if (targetState == 1 || targetState == 128) walk(t, uint32_t(targetState));

    if (targetNext >= 0 && (wanted == 0 || targetNext == wanted)) {
      if (Trace(int32_t(w), s0, t, wanted)) {
        int64_t sum = 0;
        for (int32_t k : trace_) sum += int64_t(cost_[size_t(k)]) * factor_[size_t(k)];
        if (!found || (sum < bestSum && sum != 0 && bestSum != 0)) {
          best_.swap(trace_);
          bestSum = sum;
        }
        found = true;
      }
      targetNext = -1;  // reached: the target is not walked on from here
    }
    if (!any) break;
    // Only roads in states 1 and 128 are walked on in the next wave.
    frontier_.clear();
    for (uint32_t v : next_) {
      const uint32_t st = arrival_[v];
      if (st == 1 || st == 128) frontier_.push_back(v);
    }
    targetState = targetNext;
  }
  if (!found) return false;
  path->assign(best_.rbegin(), best_.rend());
  return true;
}
