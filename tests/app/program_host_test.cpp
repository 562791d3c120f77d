// The program's host for the subsystems below it, installed by start-up: the real main window,
// folder, view and idle clock behind it.
#include <gtest/gtest.h>

#include "app/auto_actions.h"
#include "base/idle_clock.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/input_mode.h"
#include "base/program_host.h"
#include "demo_window_fixture.h"
#include "gps/gps_bar.h"

namespace {

using demo_window::DemoWindow;

TEST_F(DemoWindow, StartUpInstallsTheProgramsHost) {
  IProgramHost& host = ProgramHost();
  EXPECT_EQ(host.MainWindow(), g_MainWindow);
  EXPECT_EQ(host.MainWindow(), w);
  EXPECT_STREQ(host.ProgramFolder(), "\\Vorna\\");

  const uint32_t resets = g_IdleClock.resets;
  host.ReportUserInput();
  EXPECT_EQ(g_IdleClock.resets, resets + 1);

  g_MapView.followGps = 1;
  host.CenterViewAt(Centre().x + 40, Centre().y);
  EXPECT_EQ(g_MapView.followGps, 0);

  harness::PumpUntilIdle();
  RECT dirty{};
  EXPECT_FALSE(GetUpdateRect(w, &dirty, FALSE));
  host.InvalidateMainViewRect(RECT{10, 40, 50, 60});
  ASSERT_TRUE(GetUpdateRect(w, &dirty, FALSE));
  EXPECT_EQ(dirty.left, 10);
  EXPECT_EQ(dirty.bottom, 60);
}

// The input mode lives below app/; the main window still keeps its buttons in step with it.
TEST_F(DemoWindow, TheMainWindowWatchesTheInputMode) {
  g_GpsBar.pointOnMapButton.SetState(TSoftButton::kDown, false);
  SetInputMode(input_mode::kZoomFrame);
  EXPECT_EQ(g_GpsBar.pointOnMapButton.GetState(), TSoftButton::kUp);
  g_GpsBar.pointOnMapButton.SetState(TSoftButton::kDown, false);
  SetInputModeDirect(input_mode::kNormal);  // no watcher: the button stays
  EXPECT_EQ(g_GpsBar.pointOnMapButton.GetState(), TSoftButton::kDown);
}

}  // namespace
