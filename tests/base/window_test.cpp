#include "base/ui/window.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/harness.h"

namespace {

constexpr UINT kProbe = WM_USER + 7;

// Records what reaches it and answers the probe with a mark of its own.
class ProbeWindow : public TWindow {
 public:
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == kProbe) return 4711;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  bool Create() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TWindow::WindowProcThunk;
    wc.lpszClassName = L"TProbe";
    RegisterClassW(&wc);  // a second registration fails harmlessly
    window = CreateWindowExW(0, L"TProbe", L"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    return window != nullptr;
  }
  std::vector<UINT> seen;
};

struct Device {
  Device() { harness::Start(); }
  ~Device() { harness::Stop(); }
};

}  // namespace

TEST(WindowBase, TableAndLookup) {
  int before = TWindow::InstanceCount();
  {
    ProbeWindow a, b;
    EXPECT_EQ(TWindow::InstanceCount(), before + 2);
    TWindow::Register(&a);  // already there: still one entry
    EXPECT_EQ(TWindow::InstanceCount(), before + 2);
    EXPECT_EQ(TWindow::FindByHandle(nullptr), -1);  // a fresh instance's null handle is no match

    a.window = reinterpret_cast<HWND>(0x1000);
    b.window = reinterpret_cast<HWND>(0x1000);
    EXPECT_EQ(TWindow::InstanceAt(TWindow::FindByHandle(a.window)), &a);  // the first wins
    EXPECT_EQ(TWindow::FindByHandle(reinterpret_cast<HWND>(0x2000)), -1);
    EXPECT_EQ(TWindow::WindowProcThunk(reinterpret_cast<HWND>(0x2000), kProbe, 0, 0), 0);
    EXPECT_EQ(TWindow::WindowProcThunk(a.window, kProbe, 0, 0), 4711);
    a.window = b.window = nullptr;
  }
  EXPECT_EQ(TWindow::InstanceCount(), before);  // destructors closed the gap
  TWindow base;
  base.window = reinterpret_cast<HWND>(0x3000);
  EXPECT_EQ(TWindow::WindowProcThunk(base.window, kProbe, 0, 0), 0);  // the base answers 0
}

TEST(WindowBase, RealWindowsAndReusedHandles) {
  Device device;
  ProbeWindow first;
  ASSERT_TRUE(first.Create());  // creation went on although the instance was not yet findable
  EXPECT_TRUE(first.seen.empty());  // creation messages were answered by the thunk alone
  HWND handle = first.window;
  EXPECT_EQ(SendMessageW(handle, kProbe, 0, 0), 4711);

  DestroyWindow(handle);
  EXPECT_EQ(first.window, nullptr);  // cleared on the window's last message
  EXPECT_EQ(TWindow::FindByHandle(handle), -1);
  size_t seenBefore = first.seen.size();
  // Whatever window later carries the old handle value, it never reaches the old instance.
  EXPECT_EQ(TWindow::WindowProcThunk(handle, kProbe, 0, 0), 0);
  EXPECT_EQ(first.seen.size(), seenBefore);

  ProbeWindow second;
  ASSERT_TRUE(second.Create());
  EXPECT_EQ(SendMessageW(second.window, kProbe, 0, 0), 4711);
  EXPECT_EQ(first.seen.size(), seenBefore);
  DestroyWindow(second.window);
}
