// The rubber frame and line on screen, the about dialog, the almanac-bar redraw and the exit
// from inside a dialog, on the demo device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "base/input_mode.h"
#include "demo_window_fixture.h"

namespace {

using demo_window::DemoWindow;

int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n;
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

TEST_F(DemoWindow, RubberFrameErasesExactlyWhatItDrewEvenWithStrayMovesAndARepaint) {
  Command(41108);
  harness::PumpUntilIdle();
  const std::vector<COLORREF> before = demo_window::ScreenPixels();
  SetInputMode(input_mode::kZoomFrame);
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(30, 60));
  // Nothing is drawn at the start point before the first move.
  EXPECT_EQ(Differing(before, demo_window::ScreenPixels()), 0);
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(90, 120));
  EXPECT_GT(Differing(before, demo_window::ScreenPixels()), 0);
  // A move without the button updates the last point only; the next move still erases the
  // frame that is on screen.
  SendMessageW(w, WM_MOUSEMOVE, 0, At(200, 300));
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(120, 150));
  // A partial repaint mid-drag (as a GPS tick asks) keeps the shape whole.
  InvalidateMainView(0);
  harness::PumpUntilIdle();
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(170, 230));
  const std::vector<COLORREF> frame = demo_window::ScreenPixels();
  // Erasing the last frame by hand must give back the picture before the drag: nothing stale.
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(35, 62));  // a tiny frame
  const std::vector<COLORREF> tiny = demo_window::ScreenPixels();
  EXPECT_GT(Differing(before, frame), Differing(before, tiny));
  EXPECT_LT(Differing(before, tiny), 40);
  // A pen-up that centres (short stroke) leaves no shape behind after the repaint.
  SendMessageW(w, WM_LBUTTONUP, 0, At(35, 62));
  EXPECT_EQ(GetInputMode(), input_mode::kZoomFrame);
  EXPECT_EQ(Differing(before, demo_window::ScreenPixels()), 0);
}

TEST_F(DemoWindow, GpsOffsetLineIsErasedAtPenUp) {
  Command(41108);
  harness::PumpUntilIdle();
  const std::vector<COLORREF> before = demo_window::ScreenPixels();
  SetInputModeDirect(input_mode::kGpsOffset);
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(60, 100));
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(100, 140));
  SendMessageW(w, WM_MOUSEMOVE, 0, At(10, 300));
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(150, 200));
  EXPECT_GT(Differing(before, demo_window::ScreenPixels()), 0);
  SendMessageW(w, WM_LBUTTONUP, 0, At(150, 200));
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_EQ(Differing(before, demo_window::ScreenPixels()), 0);
}

TEST_F(DemoWindow, FlatZoomFrameDragZoomsToTheAreaRatioAndLeavesTheMode) {
  Command(41108);
  harness::PumpUntilIdle();
  CheckBarButton(kCmdZoomFrame, 1);
  SetInputMode(input_mode::kZoomFrame);
  // Horizontal: the frame is 100 wide and as high as the area's ratio says; before, it had no
  // height and the view went to 1:100.
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(60, 100));
  SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(160, 100));
  SendMessageW(w, WM_LBUTTONUP, 0, At(160, 100));
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_EQ(IsBarButtonChecked(kCmdZoomFrame), 0);
  EXPECT_GT(g_MapView.GetScale(), 100);
  EXPECT_LT(g_MapView.GetScale(), 10000);
}

TEST_F(DemoWindow, AboutDialogFollowsTheShownItemTextAndClosesOnlyByCancel) {
  std::wstring version;
  bool stayedOpenOnOk = false;
  auto script = [&](HWND dialog) {
    wchar_t text[128] = L"";
    GetDlgItemTextW(dialog, 3000, text, 128);
    version = text;
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    stayedOpenOnOk = IsWindow(dialog) && IsWindowVisible(dialog);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  };
  harness::OnDialog(107, script);
  harness::OnDialog(255, script);
  Command(kCmdAbout);
  harness::PumpUntilIdle();
  // No language file names the item: our own text begins with the letter of the built-in one.
  ASSERT_FALSE(harness::DialogsOpened().empty());
  EXPECT_EQ(harness::DialogsOpened().back(), 107);
  EXPECT_TRUE(stayedOpenOnOk);
  ASSERT_GE(version.size(), 7u);
  EXPECT_EQ(version.substr(version.size() - 7), L" (beta)");
  // "a.b.c.d (beta)": four dot-separated numbers before the suffix.
  int dots = 0;
  for (wchar_t c : version.substr(0, version.size() - 7)) dots += c == L'.';
  EXPECT_EQ(dots, 3);
}

TEST_F(DemoWindow, AlmanacBarButtonAsksForAFullRedraw) {
  harness::PumpUntilIdle();
  CheckBarButton(kCmdAlmanacBar, 1);
  Command(kCmdAlmanacBar);
  EXPECT_EQ(g_FullRedraw, 1);
  harness::PumpUntilIdle();
  CheckBarButton(kCmdAlmanacBar, 0);
  Command(kCmdAlmanacBar);
  EXPECT_EQ(g_FullRedraw, 1);
}

TEST_F(DemoWindow, ExitInsideADialogWaitsUntilTheDialogHasClosed) {
  bool aliveAfterExit = false;
  harness::OnDialog(107, [&](HWND dialog) {
    Command(kCmdExit);
    harness::Advance(500);
    aliveAfterExit = IsWindow(w) != 0;
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  Command(kCmdAbout);
  EXPECT_TRUE(aliveAfterExit);
  harness::Advance(500);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(DemoWindow, RulerButtonFollowsTheRulerAndModeThreeEndsInNormal) {
  ToggleRulerMode(1);
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  EXPECT_EQ(IsBarButtonChecked(kCmdRuler), 1);
  SetInputMode(input_mode::kRulerOff);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_EQ(IsBarButtonChecked(kCmdRuler), 0);
}

}  // namespace
