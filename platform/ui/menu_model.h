// Menus as data: the items of a menu handle and the lookups by position and by command. The
// popup window that shows a menu (class "MNU") and the command bar read menus through this.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

namespace vplat::ui {

struct MenuItem {
  UINT type = MFT_STRING;  // MFT_STRING, MFT_SEPARATOR, MFT_RADIOCHECK
  UINT state = 0;          // MFS_CHECKED, MFS_GRAYED
  UINT id = 0;
  HMENU submenu = nullptr;
  std::wstring text;
  ULONG_PTR data = 0;
  bool Separator() const { return (type & MFT_SEPARATOR) != 0; }
};

struct Menu {
  bool popup = true;
  std::vector<MenuItem> items;
};

// The live menu behind a handle; null for a destroyed or foreign handle.
Menu* MenuFromHandle(HMENU menu);
// Finds an item by position (MF_BYPOSITION) or by command, looking through submenus as the
// platform does. Gives the menu that holds it and its position there.
MenuItem* FindMenuItem(HMENU menu, UINT item, bool byPosition, HMENU* owner = nullptr,
                       int* position = nullptr);

}  // namespace vplat::ui
