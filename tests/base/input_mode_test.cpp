// The input mode as state of its own: the range, the rule of the editing panels' modes, and the
// watcher that hears SetInputMode but not SetInputModeDirect.
#include "base/input_mode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> g_heard;

void Hear(uint8_t mode) { g_heard.push_back(mode); }

TEST(InputModeState, StartsNormalAndKeepsToTheRange) {
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  SetInputMode(0);
  SetInputMode(17);
  SetInputModeDirect(0);
  SetInputModeDirect(200);
  EXPECT_EQ(GetInputMode(), 1);
  SetInputMode(input_mode::kRuler);
  EXPECT_EQ(GetInputMode(), 4);
  SetInputModeDirect(input_mode::kMoveEditedPoint);
  EXPECT_EQ(GetInputMode(), 16);
}

TEST(InputModeState, APanelModeGivesWayOnlyToNormal) {
  for (uint8_t panel : {input_mode::kToolPanel, input_mode::kVertexEdit, input_mode::kSelection}) {
    SetInputModeDirect(input_mode::kNormal);
    SetInputMode(panel);
    SetInputMode(input_mode::kZoomFrame);
    SetInputMode(input_mode::kSelection == panel ? input_mode::kToolPanel : input_mode::kSelection);
    EXPECT_EQ(GetInputMode(), panel);
    // The direct setter knows no rule: a mode that ends by itself may leave a panel's mode.
    SetInputModeDirect(input_mode::kRoute);
    EXPECT_EQ(GetInputMode(), input_mode::kRoute);
    SetInputModeDirect(panel);
    SetInputMode(input_mode::kNormal);
    EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  }
}

TEST(InputModeState, TheWatcherHearsEveryModeSetAfterItIsSet) {
  g_heard.clear();
  SetInputModeWatcher([](uint8_t mode) {
    // The state is already the new mode when the watcher runs.
    EXPECT_EQ(GetInputMode(), mode);
    Hear(mode);
  });
  SetInputMode(input_mode::kZoomFrame);
  SetInputModeDirect(input_mode::kNormal);  // not heard
  SetInputMode(input_mode::kVertexEdit);
  SetInputMode(input_mode::kRuler);  // refused by the panel rule: not heard
  SetInputMode(0);                   // out of range: not heard
  SetInputMode(input_mode::kNormal);
  SetInputModeWatcher(nullptr);
  SetInputMode(input_mode::kRoute);
  EXPECT_EQ(g_heard, (std::vector<int>{2, 13, 1}));
}

}  // namespace
