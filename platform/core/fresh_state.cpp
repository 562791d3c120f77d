// The registrations of platform/fresh_state.h.
#include "platform/fresh_state.h"

#include <algorithm>
#include <vector>

namespace vplat {

namespace {

struct Registration {
  int floor;
  int id;  // registration order
  void (*restore)();
};

struct Registry {
  std::vector<Registration> all;
  int next = 0;
};

// Function-local and never destroyed: hooks are made by static constructors of every library in
// an order the linker chooses, and undone by static destructors in the reverse one.
Registry& R() {
  static auto* r = new Registry;
  return *r;
}

}  // namespace

FreshStateHook::FreshStateHook(int floor, void (*restore)()) : id_(-1) {
  if (!restore) return;
  Registry& r = R();
  id_ = r.next++;
  r.all.push_back(Registration{floor, id_, restore});
}

FreshStateHook::~FreshStateHook() {
  auto& all = R().all;
  all.erase(std::remove_if(all.begin(), all.end(),
                           [this](const Registration& x) { return x.id == id_; }),
            all.end());
}

void RestoreFreshState() {
  std::vector<Registration> order = R().all;
  std::sort(order.begin(), order.end(), [](const Registration& a, const Registration& b) {
    return a.floor != b.floor ? a.floor > b.floor : a.id > b.id;
  });
  for (const Registration& r : order) r.restore();
}

}  // namespace vplat
