// The screen lock as a user works it on the demo device: hardware buttons held and tapped through
// the harness on the virtual clock, the pen on the locked map, the indicator checked on the
// screen and saved as PNG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/auto_actions.h"
#include "app/main_window.h"
#include "base/button_table.h"
#include "base/ini_file.h"
#include "gps/gps_port.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "search/search_window.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "view/map_view.h"
#include "view/project_maps_dlg.h"

namespace {

constexpr int kLockTemplate = 223;
constexpr COLORREF kRed = RGB(255, 0, 0), kBlack = RGB(0, 0, 0);

// The demo device with a button table in its settings: 0xC1 zooms in on every press, 0xC2 held
// locks and unlocks with a beep, 0xC3 exits.
class ScreenLock : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    const std::string ini = startup_test::IniHostPath();
    startup_test::WriteHostFile(ini, startup_test::ReadHostFile(ini) +
                                         "ButtCount=3\n"
                                         "ButtCode0=193\nButtAct0=1\nButtLong0=0\nButtSound0=0\n"
                                         "ButtCode1=194\nButtAct1=16\nButtLong1=1\nButtSound1=1\n"
                                         "ButtCode2=195\nButtAct2=11\n");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    w = startup_test::MakeMainWindow("");
    ASSERT_NE(w, nullptr);
    vplat::ClearRecordedBeeps();
  }
  void TearDown() override {
    if (w && IsWindow(w)) DestroyWindow(w);
    harness::Stop();
  }
  // Holds the key as a thumb does: the press, the layer's repeats, the release.
  static void Hold(UINT vk, unsigned ms) {
    harness::KeyDown(vk);
    harness::Advance(ms);
    harness::KeyUp(vk);
    harness::PumpUntilIdle();
  }
  static POINT ViewCentre() {
    const RECT& v = g_MapView.viewRect;
    return POINT{(v.left + v.right) / 2, (v.top + v.bottom) / 2};
  }
  static void PlaneCentre(double* x, double* y) {
    const POINT c = ViewCentre();
    g_MapView.ScreenToPlane(c.x, c.y, x, y, 1);
  }
  HWND w = nullptr;
};

}  // namespace

TEST_F(ScreenLock, HeldButtonLocksTheMapKeepsKeysAndUnlocks) {
  bool ran = false;
  harness::OnDialog(kLockTemplate, [&](HWND lock) {
    ran = true;
    harness::KeyUp(0xC2);  // the thumb comes off the key that locked
    harness::PumpUntilIdle();
    EXPECT_EQ(vplat::RecordedBeeps(), std::vector<UINT>{MB_ICONHAND});
    EXPECT_EQ(ScreenLockWindow(), lock);
    RECT r;
    GetWindowRect(lock, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 278);
    EXPECT_EQ(r.right - r.left, 15);
    EXPECT_EQ(r.bottom - r.top, 16);
    EXPECT_FALSE(IsWindowEnabled(w));
    EXPECT_TRUE(harness::SaveScreen(::testing::TempDir() + "screen_lock.png"));
    EXPECT_EQ(harness::ScreenPixel(2, 290), kRed);
    int black = 0;
    for (int y = r.top + 1; y < r.bottom - 1; ++y)
      for (int x = r.left + 1; x < r.right - 1; ++x) black += harness::ScreenPixel(x, y) == kBlack;
    EXPECT_GT(black, 10) << "the letter inside the red box";

    // The pen on the map does nothing.
    double x0, y0, x, y;
    PlaneCentre(&x0, &y0);
    const int32_t scale = g_MapView.GetScale();
    harness::Tap(40, 60);
    harness::Drag(40, 60, 200, 200);
    PlaneCentre(&x, &y);
    EXPECT_EQ(x, x0);
    EXPECT_EQ(y, y0);
    // Arrow keys still move the view; the zoom button still zooms.
    harness::Key(VK_RIGHT);
    PlaneCentre(&x, &y);
    EXPECT_NE(y, y0);
    harness::HardwareButton(1);
    EXPECT_LT(g_MapView.GetScale(), scale);
    // Enter and Escape end no lock.
    harness::Key(VK_RETURN);
    harness::Key(VK_ESCAPE);
    EXPECT_EQ(ScreenLockWindow(), lock);
    // A short press of the lock button does nothing; a long one unlocks.
    Hold(0xC2, 400);
    EXPECT_EQ(ScreenLockWindow(), lock);
    harness::KeyDown(0xC2);
    harness::Advance(1200);
    EXPECT_EQ(ScreenLockWindow(), nullptr);
  });
  Hold(0xC2, 400);  // too short
  EXPECT_FALSE(ran);
  g_FullRedraw = 0;
  Hold(0xC2, 1200);
  ASSERT_TRUE(ran);
  EXPECT_EQ(ScreenLockWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(w));
  EXPECT_EQ(vplat::RecordedBeeps().size(), 2u);
  harness::PumpUntilIdle();
  EXPECT_NE(harness::ScreenPixel(2, 290), kRed) << "the map drawn again where the box was";
  // The unlocked map takes the pen again.
  double x0, y0, x, y;
  PlaneCentre(&x0, &y0);
  harness::Tap(40, 60);
  PlaneCentre(&x, &y);
  EXPECT_NE(x, x0);
}

TEST_F(ScreenLock, AKeyHeldOnLocksOnceAndOnlyANewHoldUnlocks) {
  int locks = 0;
  harness::OnDialog(kLockTemplate, [&](HWND lock) {
    if (++locks > 1) {  // a second lock of one hold: a fault the checks below report
      DestroyWindow(lock);
      return;
    }
    // The thumb stays on the key 2.5 s in all: the lock stays.
    harness::Advance(1400);
    EXPECT_EQ(ScreenLockWindow(), lock);
    harness::KeyUp(0xC2);
    EXPECT_EQ(ScreenLockWindow(), lock);
    EXPECT_EQ(vplat::RecordedBeeps().size(), 1u);
    // A new hold unlocks.
    harness::KeyDown(0xC2);
    harness::Advance(1200);
    harness::KeyUp(0xC2);
  });
  harness::KeyDown(0xC2);
  harness::Advance(2500);
  harness::KeyUp(0xC2);
  harness::PumpUntilIdle();
  EXPECT_EQ(locks, 1);
  EXPECT_EQ(ScreenLockWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(w));
  EXPECT_EQ(vplat::RecordedBeeps(), (std::vector<UINT>{MB_ICONHAND, MB_ICONHAND}));
}

TEST_F(ScreenLock, LockOverAnOpenDialogLeavesTheMainWindowDisabledUntilItEnds) {
  static const DLGTEMPLATEW kOther = {DLGTEMPLATE_MAGIC, 9701, WS_POPUP | WS_VISIBLE, 0, L"Other",
                                      nullptr, 0, 20, 40, 200, 120, nullptr, 0};
  HWND otherDialog = nullptr;
  harness::OnDialog(kLockTemplate, [&](HWND) {
    harness::KeyUp(0xC2);
    EXPECT_FALSE(IsWindowEnabled(otherDialog)) << "the lock covers every window of the program";
    EXPECT_FALSE(IsWindowEnabled(w));
    harness::KeyDown(0xC2);
    harness::Advance(1200);
    harness::KeyUp(0xC2);
  });
  bool locked = false;
  harness::OnDialog(9701, [&](HWND other) {
    otherDialog = other;
    EXPECT_FALSE(IsWindowEnabled(w));
    harness::KeyDown(0xC2);
    harness::Advance(1200);
    locked = harness::DialogsOpened().back() == kLockTemplate;
    EXPECT_EQ(ScreenLockWindow(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(w)) << "the open dialog still owns the main window";
    EXPECT_TRUE(IsWindowEnabled(other));
    EndDialog(other, IDOK);
  });
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &kOther, w,
                                    [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR {
                                      return m == WM_INITDIALOG;
                                    },
                                    0),
            IDOK);
  EXPECT_TRUE(locked);
  EXPECT_TRUE(IsWindowEnabled(w));
}

TEST_F(ScreenLock, ExitWhileLockedEndsTheLockThenTheProgram) {
  harness::OnDialog(kLockTemplate, [](HWND) {
    harness::KeyUp(0xC2);
    harness::HardwareButton(3);
  });
  harness::KeyDown(0xC2);
  harness::Advance(1200);
  EXPECT_EQ(ScreenLockWindow(), nullptr);
  EXPECT_FALSE(IsWindow(w));
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  // The demo's settings have no "GPSGO": the shutdown wrote the file.
  EXPECT_NE(startup_test::ReadHostFile(startup_test::IniHostPath()).find("GPSGO="),
            std::string::npos);
}

TEST_F(ScreenLock, IndicatorDestroyedFromOutsideGivesTheWindowsBack) {
  harness::OnDialog(kLockTemplate, [](HWND lock) {
    harness::KeyUp(0xC2);
    DestroyWindow(lock);
  });
  harness::KeyDown(0xC2);
  harness::Advance(1200);
  EXPECT_EQ(ScreenLockWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(w));
  // Hot keys and timers reach a disabled window: the layer does not filter them.
  EnableWindow(w, FALSE);
  const int32_t scale = g_MapView.GetScale();
  harness::HardwareButton(1);
  EXPECT_LT(g_MapView.GetScale(), scale);
  EnableWindow(w, TRUE);
}

// A key captured on the buttons page starts without the long-press flag. The lock on it, pressed
// firmly for 0.7 s (the press and the layer's repeats): it locks once and stays locked; the next
// press unlocks. The zoom on a plain key still goes on while it is held.
TEST_F(ScreenLock, AShortPressToggleActsOnceAPressAndTheZoomRepeats) {
  g_ButtonTable.SetEntry(194, 16, 0, 0);
  int locks = 0;
  bool stayed = false;
  harness::OnDialog(kLockTemplate, [&](HWND lock) {
    if (++locks > 1) {  // a second lock of one press: a fault the checks below report
      DestroyWindow(lock);
      return;
    }
    harness::Advance(700);  // the thumb still on the key: its repeats arrive
    harness::KeyUp(0xC2);
    harness::PumpUntilIdle();
    stayed = ScreenLockWindow() == lock;
    harness::KeyDown(0xC2);  // a new press unlocks
    harness::PumpUntilIdle();
    harness::KeyUp(0xC2);
  });
  harness::KeyDown(0xC2);
  harness::PumpUntilIdle();
  EXPECT_EQ(locks, 1);
  EXPECT_TRUE(stayed) << "the repeats of the press that locked unlocked it";
  EXPECT_EQ(ScreenLockWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(w));

  // The zoom key held: one step for the press and more for its repeats.
  const int32_t scale = g_MapView.GetScale();
  harness::KeyDown(0xC1);
  harness::PumpUntilIdle();
  const int32_t once = g_MapView.GetScale();
  EXPECT_LT(once, scale);
  harness::Advance(700);
  harness::KeyUp(0xC1);
  harness::PumpUntilIdle();
  EXPECT_LT(g_MapView.GetScale(), once) << "the zoom goes on while its key is held";
}

// The search key inside the search window, and the navigation key inside the project editor: a
// beep, and no second window over the first; the first one's buttons still act.
TEST_F(ScreenLock, KeysThatOpenWindowsBeepInsideTheProgramsOwnWindows) {
  g_ButtonTable.AddKey(196);
  g_ButtonTable.SetEntry(196, 8, 0, 0);  // 0xC4: the address search
  g_ButtonTable.AddKey(197);
  g_ButtonTable.SetEntry(197, 7, 0, 0);  // 0xC5: navigation on and off
  int searches = 0, editors = 0;
  std::vector<UINT> beeps;
  harness::OnDialog(search_ids::kWindow, [&](HWND dialog) {
    if (++searches > 1) {
      EndDialog(dialog, search_ids::kClose);
      return;
    }
    vplat::ClearRecordedBeeps();
    harness::HardwareButton(4);
    harness::PumpUntilIdle();
    beeps = vplat::RecordedBeeps();
    PostMessageW(dialog, WM_COMMAND, search_ids::kClose, 0);
  });
  harness::HardwareButton(4);
  harness::PumpUntilIdle();
  EXPECT_EQ(searches, 1);
  EXPECT_EQ(beeps, std::vector<UINT>{MB_OK});

  bool navigation = true;
  harness::OnDialog(TProjectMapsDlg::kTemplate, [&](HWND dialog) {
    if (++editors > 1) {
      EndDialog(dialog, IDCANCEL);
      return;
    }
    harness::HardwareButton(5);
    harness::PumpUntilIdle();
    navigation = g_GpsPort.IsOpen();
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  SendMessageW(w, WM_COMMAND, 40179, 0);
  harness::PumpUntilIdle();
  EXPECT_EQ(editors, 1);
  EXPECT_FALSE(navigation);
  EXPECT_TRUE(IsWindowEnabled(w));
}
