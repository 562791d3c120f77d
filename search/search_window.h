// The search window (dialog 258): a tab control over the address page (259) and the object page
// (260), "Показать" (show the chosen thing on the map, then close) and "Закрыть". The pages are
// made the first time their tab is shown within an opening, then only hidden and shown; closing
// the window deletes the records of every list of both pages.
#pragma once

#include "platform/win.h"

namespace search_ids {
inline constexpr int kWindow = 258, kAddressPage = 259, kObjectPage = 260;
inline constexpr int kTab = 1214, kShow = 1215, kClose = 1216;
// Lists of both pages.
inline constexpr int kState = 1219, kRegion = 1220, kCity = 2497, kStreet = 2799, kHouse = 2598;
// The object page's own controls.
inline constexpr int kType = 1231, kName = 1328, kDetails = 1427, kDistance = 2444, kFillNames = 1333;
}  // namespace search_ids

class TSearchWindow {
 public:
  TSearchWindow() = default;
  // Closes every table of the window's set.
  ~TSearchWindow();
  TSearchWindow(const TSearchWindow&) = delete;
  TSearchWindow& operator=(const TSearchWindow&) = delete;

  int Run(HWND owner, HINSTANCE module, int page);
  // Hides the page shown now and shows page 0 (address) or 1 (object), creating it on first use.
  void ShowPage(int index);
  // Deletes the records of the lists of both pages that exist.
  void ClearPages();

  HWND window = nullptr;
  HWND pages[2] = {nullptr, nullptr};
  HWND current = nullptr;
  HWND tab = nullptr;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
  int firstPage = 0;
};

extern TSearchWindow g_SearchWindow;

// Page 0 opens the address page, 1 the object page. Returns the button that closed the window;
// the main view is then redrawn without a full redraw.
int RunSearchWindow(HWND owner, HINSTANCE instance, int page);
