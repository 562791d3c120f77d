// The pen on the construction tools' panel: a point of the panel, one of its soft buttons at
// its centre.
#pragma once

#include <gtest/gtest.h>

#include "edit/tool_panel.h"
#include "platform/harness.h"
#include "platform/win.h"

namespace tool_taps {

inline void TapPanel(int x, int y) {
  POINT p{x, y};
  ClientToScreen(g_ToolPanel.window, &p);
  harness::Tap(p.x, p.y);
}

inline void TapButton(TToolPanel::Button b) {
  const TSoftButton& s = g_ToolPanel.ButtonAt(b);
  ASSERT_TRUE(s.visible);
  TapPanel((s.left + s.right) / 2, (s.top + s.bottom) / 2);
}

}  // namespace tool_taps
