// Linked into every test program: after each case the harness's Stop runs, whether or not the
// case started the device, so the next case in the same process (a whole or shuffled run of the
// program) starts from the state of a fresh process (platform/fresh_state.h).
#include <gtest/gtest.h>

#include "platform/harness.h"

namespace {

class FreshCase : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override { harness::Stop(); }
};

// The listener is installed by a static constructor: the test programs use GoogleTest's own main.
const bool kInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshCase);
  return true;
}();

}  // namespace
