// The packer for the program's LZW streams (packed object libraries, packed database tables).
//
// It is written from the unpacker's reading rules alone: a greedy longest-match parse over a
// dictionary kept exactly as the unpacker keeps it (including the prune of a full dictionary and
// the renumbering it implies), then each code written in the shortest of the forms the reader
// accepts in its current mode. The last byte is filled up with zero bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sample {

std::vector<uint8_t> LzwPack(const uint8_t* data, size_t length);
inline std::vector<uint8_t> LzwPack(const std::vector<uint8_t>& data) {
  return LzwPack(data.data(), data.size());
}

}  // namespace sample
