// The main window's commands on the demo device: scales, zoom, display modes, view switches,
// the zoom-frame and ruler buttons, and commands that are no command of ours.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "base/ini_file.h"
#include "demo_window_fixture.h"
#include "search/route.h"

namespace {

using demo_window::DemoWindow;

TEST(ScaleCommands, CoverTheTableInOrderAndNothingElse) {
  EXPECT_EQ(ScaleOfCommand(41101), 100);
  EXPECT_EQ(ScaleOfCommand(41108), 10000);
  EXPECT_EQ(ScaleOfCommand(41121), 10000000);
  for (UINT id = 41102; id <= 41121; ++id) EXPECT_GT(ScaleOfCommand(id), ScaleOfCommand(id - 1));
  EXPECT_EQ(ScaleOfCommand(41100), 0);
  EXPECT_EQ(ScaleOfCommand(41122), 0);
  EXPECT_EQ(ScaleOfCommand(40214), 0);
}

TEST_F(DemoWindow, ScaleCommandSetsTheScaleChecksItAndRedrawsFully) {
  EXPECT_EQ(Command(41108), 0);
  EXPECT_EQ(g_MapView.GetScale(), 10000);
  EXPECT_EQ(g_FullRedraw, 1);
  harness::PumpUntilIdle();
  EXPECT_EQ(g_FullRedraw, 0);
  EXPECT_TRUE(IsMainMenuItemChecked(kScaleMenuCommand, 41108));
  EXPECT_FALSE(IsMainMenuItemChecked(kScaleMenuCommand, 41107));

  // All maps: the whole town again, well above 1:10 000.
  Command(40214);
  EXPECT_EQ(g_FullRedraw, 1);
  harness::PumpUntilIdle();
  EXPECT_GT(g_MapView.GetScale(), 10000);
}

TEST_F(DemoWindow, ZoomOutAtTheLargestScaleDoesNotRedrawButZoomInAlwaysDoes) {
  Command(41121);
  harness::PumpUntilIdle();
  Command(40011);
  EXPECT_EQ(g_MapView.GetScale(), 10000000);
  EXPECT_EQ(g_FullRedraw, 0);
  Command(40010);
  EXPECT_EQ(g_MapView.GetScale(), 5000000);
  EXPECT_EQ(g_FullRedraw, 1);
  harness::PumpUntilIdle();
  Command(41101);
  harness::PumpUntilIdle();
  Command(40010);  // already 1:100: the scale stays, the frame is drawn again anyway
  EXPECT_EQ(g_MapView.GetScale(), 100);
  EXPECT_EQ(g_FullRedraw, 1);
}

TEST_F(DemoWindow, RasterModesSetTheFlagsAndRedrawOnlyOnAChange) {
  Command(40208);  // both were shown: raster goes
  EXPECT_EQ(g_MapView.AreVectorMapsShown(), 1);
  EXPECT_EQ(g_MapView.AreRasterMapsShown(), 0);
  EXPECT_EQ(g_FullRedraw, 1);
  EXPECT_TRUE(IsMainMenuItemChecked(kMapsMenuCommand, 40208));
  harness::PumpUntilIdle();
  Command(40208);
  EXPECT_EQ(g_FullRedraw, 0);
  Command(40209);
  EXPECT_EQ(g_MapView.AreVectorMapsShown(), 0);
  EXPECT_EQ(g_MapView.AreRasterMapsShown(), 1);
  EXPECT_TRUE(IsMainMenuItemChecked(kMapsMenuCommand, 40209));
  EXPECT_FALSE(IsMainMenuItemChecked(kMapsMenuCommand, 40208));
  Command(40207);
  EXPECT_TRUE(IsMainMenuItemChecked(kMapsMenuCommand, 40207));
  SetRasterMode(40210);  // no mode: nothing changes
  EXPECT_TRUE(IsMainMenuItemChecked(kMapsMenuCommand, 40207));
}

TEST_F(DemoWindow, ViewSwitchesToggleTheItemStoreTheSettingAndApplyIt) {
  ASSERT_TRUE(IsMainMenuItemChecked(kMapsMenuCommand, 41023));  // fill is on by default
  Command(41023);
  EXPECT_FALSE(IsMainMenuItemChecked(kMapsMenuCommand, 41023));
  EXPECT_EQ(g_Ini.FindKey("MapViewFill") ? g_Ini.GetInt("MapViewFill") : -1, 0);
  EXPECT_EQ(g_MapView.fill, 0);
  Command(41024);
  EXPECT_TRUE(IsMainMenuItemChecked(kMapsMenuCommand, 41024));
  EXPECT_EQ(g_Ini.GetInt("MapViewGrid"), 1);
  EXPECT_EQ(g_MapView.grid, 1);
  Command(41021);
  EXPECT_EQ(g_Ini.GetInt("MapViewMarking"), 1);
  EXPECT_EQ(g_MapView.marking, 1);
}

TEST_F(DemoWindow, ZoomFrameAndRulerButtonsSetTheInputMode) {
  CheckBarButton(40016, 1);
  Command(40016);
  EXPECT_EQ(GetInputMode(), 2);
  CheckBarButton(40016, 0);
  Command(40016);
  EXPECT_EQ(GetInputMode(), 1);

  CheckBarButton(40016, 1);
  CheckBarButton(40033, 1);
  Command(40033);
  EXPECT_EQ(GetInputMode(), 4);
  EXPECT_FALSE(IsBarButtonChecked(40016)) << "the ruler releases the zoom frame";
  EXPECT_TRUE(IsBarButtonChecked(40033));
  CheckBarButton(40033, 0);
  Command(40033);
  EXPECT_EQ(GetInputMode(), 1);
  EXPECT_FALSE(IsBarButtonChecked(40033));
}

TEST_F(DemoWindow, CommandsWithoutTheirPartsChangeNothing) {
  // No working map can be made yet, so the tools panel stays hidden and its button unchecked.
  CheckBarButton(40175, 1);
  Command(40175);
  EXPECT_FALSE(IsBarButtonChecked(40175));
  // A road graph browse that is cancelled leaves the route's binding.
  g_Route.Bind("Streets", sample::kDemoGraphPath);
  Command(40151);
  EXPECT_EQ(g_Route.RoadMapName(), "Streets");
  // Route by taps is mode 11, set without button updates.
  CheckBarButton(40016, 1);
  Command(40149);
  EXPECT_EQ(GetInputMode(), 11);
  EXPECT_TRUE(IsBarButtonChecked(40016));
  // The receiver file manager only for a receiver with file memory.
  g_Ini.SetInt("GPSTYPE", 0);
  const size_t dialogs = harness::DialogsOpened().size();
  Command(40182);
  EXPECT_EQ(harness::DialogsOpened().size(), dialogs);
  EXPECT_TRUE(IsWindow(w));
}

TEST_F(DemoWindow, ExitClosesTheWindow) {
  Command(40005);
  EXPECT_FALSE(IsWindow(w));
  w = nullptr;
}

}  // namespace
