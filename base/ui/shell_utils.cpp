#include "base/ui/shell_utils.h"

#include <cwchar>
#include <string>
#include <vector>

#include "platform/fresh_state.h"
#include "platform/win.h"

void SetWaitCursor(int on) { SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW)); }

void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
  POINT pts[2] = {{x1, y1}, {x2, y2}};
  Polyline(dc, pts, 2);
}

void EnableDlgItem(HWND dialog, int id, BOOL enable) {
  HWND item = GetDlgItem(dialog, id);
  if (item) EnableWindow(item, enable);
}

bool PopupMenu(HINSTANCE instance, HWND hwnd, int menuId, int x, int y) {
  HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
  if (!menu) return false;
  if (HMENU sub = GetSubMenu(menu, 0)) TrackPopupMenuEx(sub, 0, x, y, hwnd, nullptr);
  DestroyMenu(menu);
  return true;
}

namespace {
HWND g_grabbedFor = nullptr;
const vplat::FreshStateHook kFresh(2, [] { g_grabbedFor = nullptr; });
}  // namespace

int GrabHardwareKeys(HWND hwnd, UINT extraModifiers) {
  if (hwnd == g_grabbedFor) return 0;
  // The library stays loaded: the release function is the shell's for the whole run.
  HMODULE core = LoadLibraryW(L"coredll.dll");
  FARPROC found = core ? GetProcAddressW(core, L"UnregisterFunc1") : nullptr;
  if (!found) return 0;
  auto unregisterFunc1 = reinterpret_cast<BOOL (*)(UINT, UINT)>(reinterpret_cast<void*>(found));
  int registered = 0;
  for (UINT vk = 0xC1; vk <= 0xCF; ++vk) {
    unregisterFunc1(MOD_WIN, vk);
    if (RegisterHotKey(hwnd, static_cast<int>(vk), MOD_WIN | extraModifiers, vk)) ++registered;
  }
  g_grabbedFor = hwnd;
  return registered;
}

namespace {
// The default value of a classes-root key as text; false when the key or value is missing.
bool ReadDefaultValue(const std::wstring& subKey, std::wstring* out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, 0, &key) != ERROR_SUCCESS) return false;
  wchar_t buf[256] = {};
  DWORD type = 0, size = sizeof buf - sizeof(wchar_t);  // room kept for the terminator
  LONG rc = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
  buf[size / sizeof(wchar_t)] = 0;
  *out = buf;
  return !out->empty();
}
}  // namespace

int GetFileTypeIcon(const wchar_t* extension, wchar_t* iconPath, int* iconIndex, size_t pathSize) {
  std::wstring typeName, icon;
  if (!extension || !ReadDefaultValue(extension, &typeName)) return 0;
  if (!ReadDefaultValue(typeName + L"\\DefaultIcon", &icon)) return 0;
  size_t comma = icon.find(L',');
  if (comma == std::wstring::npos) return 0;
  if (iconPath && pathSize > 0) {
    size_t n = std::min(comma, pathSize - 1);
    std::wmemcpy(iconPath, icon.c_str(), n);
    iconPath[n] = 0;
  }
  if (iconIndex) *iconIndex = static_cast<int>(std::wcstol(icon.c_str() + comma + 1, nullptr, 10));
  return 1;
}

int GetFileVersionString(const wchar_t* path, wchar_t* out, size_t outSize) {
  DWORD handle = 0;
  DWORD size = path ? GetFileVersionInfoSizeW(path, &handle) : 0;
  if (size == 0) return 0;
  std::vector<unsigned char> block;
  try {
    block.resize(size);
  } catch (...) {
    return 0;
  }
  if (!GetFileVersionInfoW(path, handle, size, block.data())) return 0;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO))
    return 0;
  if (out && outSize > 0)
    std::swprintf(out, outSize, L"%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  return 1;
}
