// Registering a C++ table as a resource at static-initialisation time, so that FindResourceW
// finds it by type and id as it finds the handheld's compiled resources.
#pragma once

#include "platform/win.h"

namespace vres {

struct Registration {
  Registration(const wchar_t* type, UINT id, const void* data, size_t size) {
    vplat::RegisterResource(type, id, data, size);
  }
};

template <size_t N>
constexpr int CountOf(const auto (&)[N]) {
  return static_cast<int>(N);
}

}  // namespace vres

#define VORNA_RES_CAT2(a, b) a##b
#define VORNA_RES_CAT(a, b) VORNA_RES_CAT2(a, b)
// VORNA_RESOURCE(RT_DIALOG, 9001, table): `table` must be an object of static storage.
#define VORNA_RESOURCE(type, id, object)                                              \
  static const vres::Registration VORNA_RES_CAT(vorna_resource_, __LINE__)(type, id, \
                                                                           &(object), sizeof(object))
