// The program started on the demo device under the harness, as a newcomer starts it: the
// settings file's DefaultFile opens the town's project and the first paint draws it, with no
// message box on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/demo_town.h"
#include "view/map_view.h"

namespace {

int CountScreen(COLORREF colour) {
  int n = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) n += harness::ScreenPixel(x, y) == colour;
  return n;
}

int ObjectsDrawn() {
  int n = 0;
  for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i) {
    TVectorMapSlot* slot = g_MapView.GetVectorSlot(i);
    if (!slot->inScale) continue;
    for (int k = 1; k < slot->map->count; ++k)
      n += (slot->map->objects[k].flags & 0x0C) == 0x0C;
  }
  return n;
}

TEST(DemoE2e, StartsOnTheTownWithoutAMessage) {
  harness::Start();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  startup_test::PlentyOfMemory();
  harness::AnswerMessageBox(L"", IDOK);  // no box is expected; none may hang the test
  HWND w = startup_test::MakeMainWindow("");
  ASSERT_NE(w, nullptr);
  harness::PumpUntilIdle();

  // The first full frame: the three maps, fitted, the town and its river on the screen.
  ASSERT_EQ(g_MapView.GetVectorMapCount(), 3);
  EXPECT_GT(g_MapView.scale, 0);
  EXPECT_GT(ObjectsDrawn(), 50);
  const std::vector<uint32_t> palette = sample::DemoTownPalette();
  EXPECT_GT(CountScreen(palette[16]), 240 * 320 / 5) << "town area";
  EXPECT_GT(CountScreen(palette[17]), 300) << "river";
  harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/demo_e2e_first.png");

  for (const auto& box : harness::MessageBoxes()) ADD_FAILURE() << "message box: " << std::string(box.text.begin(), box.text.end());
  DestroyWindow(w);
  harness::Stop();
}

}  // namespace
