// What the gesture recogniser asks of the input queue. For the controls folder.
#pragma once

#include <cstdint>

namespace vplat {

// Asked from inside the handler of a pen-down at screen point (x, y): does the pen stay down,
// within `tolerance` pixels of that point in x and in y, until the clock reads `untilMs`?
//
// Pen events wait in the input queue, each stamped with the clock at injection, until the
// message loop routes them; this looks at the ones still waiting. It answers false as soon as a
// waiting pen-up, a new pen-down or a move farther than `tolerance` from (x, y) is stamped
// before `untilMs`, and true otherwise:
// - on the virtual clock it answers at once and does not move the clock: input that nobody has
//   injected yet cannot come, so a pen-down alone is held, while the harness's Tap and Drag
//   queue their whole gesture before it runs and so are not;
// - on the real clock it waits (taking host input from the presenter, dispatching nothing)
//   until such an event arrives or `untilMs` passes.
// Nothing is removed from the queue: the pen-up still reaches the window afterwards.
bool PenHeldUntil(int x, int y, int tolerance, uint64_t untilMs);

}  // namespace vplat
