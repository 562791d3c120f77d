#include "app/menu_opener.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/harness.h"

namespace {

std::vector<WPARAM> g_keys;
TMenuOpener* g_opener = nullptr;
int g_ticks = 0;

LRESULT CALLBACK FakeMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_KEYDOWN) g_keys.push_back(wParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);  // the menu's own handling is not needed
}

void Tick(HWND, UINT, UINT_PTR, DWORD) {
  ++g_ticks;
  if (g_opener) g_opener->OnTimer();
}

// A window of the shell's menu class with an empty title, its keys caught by a subclass.
HWND MakeMenuWindow() {
  HWND w = CreateWindowExW(0, L"MNU", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  if (w) SetWindowLongPtrW(w, GWLP_WNDPROC, LONG_PTR(FakeMenuProc));
  return w;
}

struct Device {
  HMENU scales = nullptr;
  Device() {
    harness::Start();
    g_keys.clear();
    g_ticks = 0;
    scales = CreatePopupMenu();
    for (UINT id = 41101; id <= 41121; ++id) AppendMenuW(scales, MF_STRING, id, L"1:x");
  }
  ~Device() {
    DestroyMenu(scales);
    g_opener = nullptr;
    harness::Stop();
  }
};

int Count(WPARAM vk) {
  int n = 0;
  for (WPARAM k : g_keys) n += k == vk;
  return n;
}

}  // namespace

TEST(MenuOpener, WalksPastTheItemAndBack) {
  Device device;
  HWND menuWindow = MakeMenuWindow();
  ASSERT_NE(menuWindow, nullptr);
  TMenuOpener opener;
  opener.Init(device.scales);
  EXPECT_EQ(opener.lead, 8);
  EXPECT_EQ(opener.OnTimer(), 0);  // not armed yet

  ASSERT_EQ(opener.OnInitMenuPopup(device.scales, 41105, nullptr), 1);
  EXPECT_EQ(opener.itemIndex, 4);
  EXPECT_EQ(opener.armed, 1);
  EXPECT_EQ(opener.OnTimer(), 1);
  ASSERT_EQ(g_keys.size(), 4u + 8u + 8u);
  // All downs first, then the ups.
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(g_keys[i], WPARAM(VK_DOWN));
  for (size_t i = 12; i < 20; ++i) EXPECT_EQ(g_keys[i], WPARAM(VK_UP));
  EXPECT_EQ(opener.armed, 0);
  EXPECT_EQ(opener.OnTimer(), 0);  // disarmed: nothing more
  EXPECT_EQ(g_keys.size(), 20u);
  DestroyWindow(menuWindow);
}

TEST(MenuOpener, OtherMenusMissingItemsAndMissingWindowSendNothing) {
  Device device;
  TMenuOpener opener;
  opener.Init(device.scales);
  HMENU other = CreatePopupMenu();
  AppendMenuW(other, MF_STRING, 41105, L"x");
  EXPECT_EQ(opener.OnInitMenuPopup(other, 41105, nullptr), 0);
  EXPECT_EQ(opener.armed, 0);
  DestroyMenu(other);

  // No "MNU" window: armed and disarmed, but no key goes anywhere.
  EXPECT_EQ(opener.OnInitMenuPopup(device.scales, 41101, nullptr), 1);
  EXPECT_EQ(opener.OnTimer(), 1);
  EXPECT_TRUE(g_keys.empty());

  // A free scale that is no item: the shell's own highlight stays.
  HWND menuWindow = MakeMenuWindow();
  EXPECT_EQ(opener.OnInitMenuPopup(device.scales, 12345, nullptr), 1);
  EXPECT_EQ(opener.itemIndex, -1);
  EXPECT_EQ(opener.OnTimer(), 1);
  EXPECT_TRUE(g_keys.empty());

  // A window of that class with a title is not the shell's menu window.
  DestroyWindow(menuWindow);
  HWND titled = CreateWindowExW(0, L"MNU", L"Menu", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  SetWindowLongPtrW(titled, GWLP_WNDPROC, LONG_PTR(FakeMenuProc));
  EXPECT_EQ(opener.OnInitMenuPopup(device.scales, 41101, nullptr), 1);
  EXPECT_EQ(opener.OnTimer(), 1);
  EXPECT_TRUE(g_keys.empty());
  DestroyWindow(titled);
}

TEST(MenuOpener, TimerFiresOnceAfterTheDelay) {
  Device device;
  HWND menuWindow = MakeMenuWindow();
  TMenuOpener opener;
  g_opener = &opener;
  opener.Init(device.scales);
  ASSERT_EQ(opener.OnInitMenuPopup(device.scales, 41121, Tick), 1);
  EXPECT_NE(opener.timerId, 0u);
  harness::Advance(99);
  EXPECT_EQ(g_ticks, 0);
  harness::Advance(1);
  EXPECT_EQ(g_ticks, 1);
  EXPECT_EQ(Count(VK_DOWN), 20 + 8);
  EXPECT_EQ(Count(VK_UP), 8);
  EXPECT_EQ(opener.timerId, 0u);
  harness::Advance(500);
  EXPECT_EQ(g_ticks, 1);  // the timer was stopped
  DestroyWindow(menuWindow);
}
