// The platform wrappers: hardware keys, popup menus, file-type icons, file versions, cursor.
#include "base/ui/shell_utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/ui/window.h"
#include "platform/harness.h"

namespace {

// A window that records the hot keys it receives.
class KeyWindow : public TWindow {
 public:
  KeyWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TWindow::WindowProcThunk;
    wc.lpszClassName = L"TKeyWindow";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, L"TKeyWindow", L"", WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  }
  ~KeyWindow() override {
    if (window) DestroyWindow(window);
  }
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_HOTKEY) hotKeys.push_back(static_cast<int>(wParam));
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  std::vector<int> hotKeys;
};

struct Device {
  Device() { harness::Start(); }
  ~Device() { harness::Stop(); }
};

void SetDefault(const wchar_t* subKey, const wchar_t* value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

TEST(ShellWrappers, HardwareKeysFollowTheLastGrabbingWindow) {
  Device device;
  KeyWindow a, b;
  ASSERT_NE(a.window, nullptr);
  EXPECT_EQ(GrabHardwareKeys(a.window), 15);  // 0xC1 to 0xCF
  harness::HardwareButton(1);
  harness::HardwareButton(15);
  EXPECT_EQ(a.hotKeys, (std::vector<int>{0xC1, 0xCF}));
  EXPECT_EQ(GrabHardwareKeys(a.window), 0);  // the same window again: nothing to do

  EXPECT_EQ(GrabHardwareKeys(b.window), 15);
  harness::HardwareButton(3);
  EXPECT_EQ(b.hotKeys, (std::vector<int>{0xC3}));
  EXPECT_EQ(a.hotKeys.size(), 2u);

  EXPECT_EQ(GrabHardwareKeys(a.window), 15);  // taken back on the next activation
  harness::HardwareButton(3);
  EXPECT_EQ(a.hotKeys.back(), 0xC3);
  EXPECT_EQ(b.hotKeys.size(), 1u);
}

TEST(ShellWrappers, PopupMenuOfAMissingResource) {
  Device device;
  KeyWindow w;
  EXPECT_FALSE(PopupMenu(nullptr, w.window, 31999, 10, 10));
}

TEST(ShellWrappers, FileTypeIcons) {
  Device device;
  wchar_t path[256] = L"untouched";
  int index = 7;
  EXPECT_EQ(GetFileTypeIcon(L".mdm", path, &index), 0);  // no such key
  EXPECT_STREQ(path, L"untouched");

  SetDefault(L".mdm", L"mdmfile");
  EXPECT_EQ(GetFileTypeIcon(L".mdm", path, &index), 0);  // the type has no DefaultIcon
  SetDefault(L"mdmfile\\DefaultIcon", L"\\Windows\\maps.dll");
  EXPECT_EQ(GetFileTypeIcon(L".mdm", path, &index), 0);  // no comma
  SetDefault(L"mdmfile\\DefaultIcon", L"\\Windows\\maps.dll,-12");
  EXPECT_EQ(GetFileTypeIcon(L".mdm", path, &index), 1);
  EXPECT_STREQ(path, L"\\Windows\\maps.dll");
  EXPECT_EQ(index, -12);
  wchar_t small[5];
  EXPECT_EQ(GetFileTypeIcon(L".mdm", small, &index, 5), 1);
  EXPECT_STREQ(small, L"\\Win");
}

TEST(ShellWrappers, ProgramVersion) {
  Device device;
  wchar_t module[256] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, module, 256), 0u);
  wchar_t version[64];
  EXPECT_EQ(GetFileVersionString(module, version, 64), 1);
  EXPECT_STREQ(version, L"1.0.0.0");  // the layer's version of a program without a resource

  // A version resource of our own: 2.5.300.7, most significant part first.
  const uint32_t fields[13] = {VS_FFI_SIGNATURE, 0x00010000, (2u << 16) | 5, (300u << 16) | 7};
  static uint8_t resource[52];  // registered resources must outlive the run
  for (int i = 0; i < 13; ++i)
    for (int k = 0; k < 4; ++k) resource[4 * i + k] = static_cast<uint8_t>(fields[i] >> (8 * k));
  vplat::RegisterResource(RT_VERSION, 1, resource, sizeof resource);
  EXPECT_EQ(GetFileVersionString(module, version, 64), 1);
  EXPECT_STREQ(version, L"2.5.300.7");

  EXPECT_EQ(GetFileVersionString(L"\\Vorna\\other.dll", version, 64), 0);
}

TEST(ShellWrappers, WaitCursor) {
  Device device;
  SetWaitCursor(1);
  EXPECT_TRUE(vplat::IsWaitCursor(vplat::CurrentCursor()));
  SetWaitCursor(0);
  EXPECT_FALSE(vplat::IsWaitCursor(vplat::CurrentCursor()));
  EXPECT_EQ(vplat::CurrentCursor(), LoadCursorW(nullptr, IDC_ARROW));
}
