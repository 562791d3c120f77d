// Memory hints that need nothing of the device's types, so readers of large files can ask for
// them with the standard library alone.
#pragma once

#include <cstddef>

namespace vplat {

// A large table that will be filled record by record (a map's object table holds up to 65,535
// records of about 90 bytes): asks the host to back it with large pages, so that first touching
// it costs one fault per 2 MB instead of one per 4 KB. Only a hint; blocks under 4 MB are left
// alone.
void AdviseLargeBlock(void* block, size_t bytes);

}  // namespace vplat
