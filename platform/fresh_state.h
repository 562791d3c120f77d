// The program's long-lived state as a fresh process holds it.
//
// The program keeps its long-lived objects in globals and file-level variables, built before the
// entry runs, as the handheld's program does. A test program runs many cases in one process, so
// every library that keeps such state registers here, in the file that defines the state, how to
// give it back; the test harness's Stop runs every registration between cases, and a case then
// starts as the first case of a fresh process would. A registration in the defining file is
// linked exactly when the state is.
//
// Order: from the highest floor down (an object of app/ may still use base/ in its destructor),
// the layer itself (floor 1) last; on one floor the newest registration first.
//
// A hook stands after the state it restores in its file, so that at exit it is gone before that
// state is destroyed. State a hook reaches through a function (a function-local static made on
// first use) is allocated and never destroyed: a harness's Stop may run from an exit handler.
#pragma once

#include <new>

namespace vplat {

// One registration, made by a static object beside the state it restores:
//   const vplat::FreshStateHook kFresh(2, [] { g_inputMode = input_mode::kNormal; });
// `floor` is the design notes' floor of the file: 1 the layer, 2 base/ geodesy/ resources/,
// 3 maps/, 4 view/, 5 gps/ edit/ search/ settings/, 6 app/ (and the globals a test program
// defines in its place). The hook's destructor takes the registration back, so a module that is
// unloaded leaves no call into its unmapped code.
class FreshStateHook {
 public:
  FreshStateHook(int floor, void (*restore)());
  ~FreshStateHook();
  FreshStateHook(const FreshStateHook&) = delete;
  FreshStateHook& operator=(const FreshStateHook&) = delete;

 private:
  int id_;
};
// Runs every registration. Called with no window left and no thread of the program running.
void RestoreFreshState();

// Destroys a global object and builds it again in place, as a fresh start builds it.
template <class T>
void Renew(T& object) {
  object.~T();
  ::new (static_cast<void*>(&object)) T();
}

namespace fresh_detail {
template <class First, class... Rest>
void DestroyLastFirst(First& first, Rest&... rest) {
  if constexpr (sizeof...(rest) > 0) DestroyLastFirst(rest...);
  first.~First();
}
}  // namespace fresh_detail

// Several globals defined in this order in one file, as at exit and start: all destroyed, the
// last first, then all built again in order.
template <class... T>
void RenewInOrder(T&... objects) {
  fresh_detail::DestroyLastFirst(objects...);
  (::new (static_cast<void*>(&objects)) T(), ...);
}

}  // namespace vplat
