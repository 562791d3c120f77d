// Menus as data. A handle is the address of a Menu kept in the set of live menus; destroying a
// menu destroys its submenus, as on the platform, and every later use of the handle fails.
#include <memory>
#include <unordered_map>

#include "platform/ui/menu_model.h"

namespace vplat::ui {
namespace {

std::unordered_map<HMENU, std::unique_ptr<Menu>>& Menus() {
  static auto* menus = new std::unordered_map<HMENU, std::unique_ptr<Menu>>;
  return *menus;
}

HMENU NewMenu(bool popup) {
  auto m = std::make_unique<Menu>();
  m->popup = popup;
  HMENU h = reinterpret_cast<HMENU>(m.get());
  Menus()[h] = std::move(m);
  return h;
}

// Fills an item from the AppendMenu/InsertMenu style of flags.
bool ItemFromFlags(UINT flags, UINT_PTR idNewItem, LPCWSTR text, MenuItem* item) {
  if (flags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(idNewItem);
    if (!MenuFromHandle(sub)) return false;
    item->submenu = sub;
    item->id = 0;
  } else {
    item->id = static_cast<UINT>(idNewItem);
  }
  if (flags & MF_SEPARATOR) item->type = MFT_SEPARATOR;
  else if (text) item->text = text;
  if (flags & MF_CHECKED) item->state |= MFS_CHECKED;
  if (flags & (MF_GRAYED | MF_DISABLED)) item->state |= MFS_GRAYED;
  if (flags & MFT_RADIOCHECK) item->type |= MFT_RADIOCHECK;
  return true;
}

bool InsertAt(HMENU menu, int pos, MenuItem item) {
  Menu* m = MenuFromHandle(menu);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (pos < 0 || pos > static_cast<int>(m->items.size())) pos = static_cast<int>(m->items.size());
  m->items.insert(m->items.begin() + pos, std::move(item));
  return true;
}

// Where a new item goes for InsertMenu-style calls: before the given item; a position past the
// end (or -1) appends; a command that no item has is a failure.
bool InsertPosition(HMENU menu, UINT item, bool byPosition, HMENU* target, int* pos) {
  *target = menu;
  if (byPosition) {
    *pos = static_cast<int>(item);
    return MenuFromHandle(menu) != nullptr;
  }
  return FindMenuItem(menu, item, false, target, pos) != nullptr;
}

}  // namespace

Menu* MenuFromHandle(HMENU menu) {
  auto it = Menus().find(menu);
  return it == Menus().end() ? nullptr : it->second.get();
}

MenuItem* FindMenuItem(HMENU menu, UINT item, bool byPosition, HMENU* owner, int* position) {
  Menu* m = MenuFromHandle(menu);
  if (!m) return nullptr;
  if (byPosition) {
    if (item >= m->items.size()) return nullptr;
    if (owner) *owner = menu;
    if (position) *position = static_cast<int>(item);
    return &m->items[item];
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    if (it.submenu) {
      if (MenuItem* found = FindMenuItem(it.submenu, item, false, owner, position)) return found;
      continue;
    }
    if (!it.Separator() && it.id == item) {
      if (owner) *owner = menu;
      if (position) *position = static_cast<int>(i);
      return &it;
    }
  }
  return nullptr;
}

}  // namespace vplat::ui

using namespace vplat::ui;

extern "C" {

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL IsMenu(HMENU menu) { return MenuFromHandle(menu) != nullptr; }

BOOL DestroyMenu(HMENU menu) {
  auto it = Menus().find(menu);
  if (it == Menus().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::unique_ptr<Menu> m = std::move(it->second);
  Menus().erase(it);
  for (MenuItem& item : m->items)
    if (item.submenu) DestroyMenu(item.submenu);
  return TRUE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
  MenuItem item;
  if (!MenuFromHandle(menu) || !ItemFromFlags(flags, idNewItem, text, &item)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return InsertAt(menu, -1, std::move(item));
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
  HMENU target;
  int pos;
  MenuItem item;
  if (!InsertPosition(menu, position, (flags & MF_BYPOSITION) != 0, &target, &pos)) return FALSE;
  if (!ItemFromFlags(flags, idNewItem, text, &item)) return FALSE;
  return InsertAt(target, pos, std::move(item));
}

BOOL InsertMenuItemW(HMENU menu, UINT where, BOOL byPosition, LPCMENUITEMINFOW info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HMENU target;
  int pos;
  if (!InsertPosition(menu, where, byPosition, &target, &pos)) return FALSE;
  MenuItem item;
  if (info->fMask & MIIM_TYPE) {
    item.type = info->fType;
    if (!(info->fType & MFT_SEPARATOR) && info->dwTypeData) item.text = info->dwTypeData;
  }
  if (info->fMask & MIIM_STATE) item.state = info->fState;
  if (info->fMask & MIIM_ID) item.id = info->wID;
  if (info->fMask & MIIM_DATA) item.data = info->dwItemData;
  if (info->fMask & MIIM_SUBMENU) {
    if (info->hSubMenu && !MenuFromHandle(info->hSubMenu)) return FALSE;
    item.submenu = info->hSubMenu;
  }
  return InsertAt(target, pos, std::move(item));
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  HMENU owner;
  int pos;
  MenuItem* item = FindMenuItem(menu, position, (flags & MF_BYPOSITION) != 0, &owner, &pos);
  if (!item) return FALSE;
  HMENU sub = item->submenu;
  Menu* m = MenuFromHandle(owner);
  m->items.erase(m->items.begin() + pos);
  if (sub) DestroyMenu(sub);
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  HMENU owner;
  int pos;
  if (!FindMenuItem(menu, position, (flags & MF_BYPOSITION) != 0, &owner, &pos)) return FALSE;
  Menu* m = MenuFromHandle(owner);
  m->items.erase(m->items.begin() + pos);
  return TRUE;
}

HMENU GetSubMenu(HMENU menu, int pos) {
  Menu* m = MenuFromHandle(menu);
  if (!m || pos < 0 || pos >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[pos].submenu;
}

UINT GetMenuItemID(HMENU menu, int pos) {
  Menu* m = MenuFromHandle(menu);
  if (!m || pos < 0 || pos >= static_cast<int>(m->items.size())) return 0xFFFFFFFFu;
  const MenuItem& item = m->items[pos];
  if (item.submenu) return 0xFFFFFFFFu;
  return item.Separator() ? 0 : item.id;
}

int GetMenuItemCount(HMENU menu) {
  Menu* m = MenuFromHandle(menu);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  return static_cast<int>(m->items.size());
}

DWORD CheckMenuItem(HMENU menu, UINT itemId, UINT check) {
  MenuItem* item = FindMenuItem(menu, itemId, (check & MF_BYPOSITION) != 0);
  if (!item) return 0xFFFFFFFFu;
  DWORD old = (item->state & MFS_CHECKED) ? MF_CHECKED : MF_UNCHECKED;
  if (check & MF_CHECKED) item->state |= MFS_CHECKED;
  else item->state &= ~static_cast<UINT>(MFS_CHECKED);
  return old;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  // By command, the group is the menu that holds `check`: its items whose ids lie in
  // [first, last]. By position, it is the positions first..last of `menu` itself.
  if (flags & MF_BYPOSITION) {
    Menu* m = MenuFromHandle(menu);
    if (!m || first > last || last >= m->items.size() || check < first || check > last)
      return FALSE;
    for (UINT i = first; i <= last; ++i) {
      MenuItem& it = m->items[i];
      if (it.submenu || it.Separator()) continue;
      if (i == check) {
        it.state |= MFS_CHECKED;
        it.type |= MFT_RADIOCHECK;
      } else {
        it.state &= ~static_cast<UINT>(MFS_CHECKED);
      }
    }
    return TRUE;
  }
  HMENU owner;
  if (check < first || check > last || !FindMenuItem(menu, check, false, &owner)) return FALSE;
  for (MenuItem& it : MenuFromHandle(owner)->items) {
    if (it.submenu || it.Separator() || it.id < first || it.id > last) continue;
    if (it.id == check) {
      it.state |= MFS_CHECKED;
      it.type |= MFT_RADIOCHECK;
    } else {
      it.state &= ~static_cast<UINT>(MFS_CHECKED);
    }
  }
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT itemId, UINT enable) {
  MenuItem* item = FindMenuItem(menu, itemId, (enable & MF_BYPOSITION) != 0);
  if (!item) return -1;
  BOOL old = (item->state & MFS_GRAYED) ? MF_GRAYED : MF_ENABLED;
  if (enable & (MF_GRAYED | MF_DISABLED)) item->state |= MFS_GRAYED;
  else item->state &= ~static_cast<UINT>(MFS_GRAYED);
  return old;
}

UINT GetMenuState(HMENU menu, UINT itemId, UINT flags) {
  MenuItem* item = FindMenuItem(menu, itemId, (flags & MF_BYPOSITION) != 0);
  if (!item) return 0xFFFFFFFFu;
  UINT state = item->state | (item->type & (MFT_SEPARATOR | MFT_RADIOCHECK));
  if (item->submenu) {
    // A popup reports its item count in the high byte, as the platform does.
    Menu* sub = MenuFromHandle(item->submenu);
    state |= MF_POPUP | (static_cast<UINT>(sub ? sub->items.size() : 0) << 8);
  }
  return state;
}

BOOL GetMenuItemInfoW(HMENU menu, UINT itemId, BOOL byPosition, LPMENUITEMINFOW info) {
  if (!info) return FALSE;
  MenuItem* item = FindMenuItem(menu, itemId, byPosition);
  if (!item) return FALSE;
  if (info->fMask & MIIM_ID) info->wID = item->id;
  if (info->fMask & MIIM_STATE) info->fState = item->state;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = item->submenu;
  if (info->fMask & MIIM_DATA) info->dwItemData = item->data;
  if (info->fMask & MIIM_TYPE) {
    info->fType = item->type;
    if (!item->Separator()) {
      // cch is the buffer size in characters on the way in and the text length on the way
      // out; a null buffer only asks for the length.
      if (info->dwTypeData && info->cch > 0) {
        size_t n = std::min<size_t>(item->text.size(), info->cch - 1);
        item->text.copy(info->dwTypeData, n);
        info->dwTypeData[n] = 0;
        info->cch = static_cast<UINT>(n);
      } else {
        info->cch = static_cast<UINT>(item->text.size());
      }
    }
  }
  return TRUE;
}

BOOL SetMenuItemInfoW(HMENU menu, UINT itemId, BOOL byPosition, LPCMENUITEMINFOW info) {
  if (!info) return FALSE;
  MenuItem* item = FindMenuItem(menu, itemId, byPosition);
  if (!item) return FALSE;
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu && !MenuFromHandle(info->hSubMenu))
    return FALSE;
  if (info->fMask & MIIM_ID) item->id = info->wID;
  if (info->fMask & MIIM_STATE) item->state = info->fState;
  if (info->fMask & MIIM_SUBMENU) item->submenu = info->hSubMenu;
  if (info->fMask & MIIM_DATA) item->data = info->dwItemData;
  if (info->fMask & MIIM_TYPE) {
    item->type = info->fType;
    if (item->Separator()) item->text.clear();
    else item->text = info->dwTypeData ? info->dwTypeData : L"";
  }
  return TRUE;
}

HMENU LoadMenuIndirectW(const MENUTEMPLATEW* tmpl) {
  if (!tmpl || tmpl->magic != MENUTEMPLATE_MAGIC || !tmpl->items || tmpl->itemCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HMENU bar = CreateMenu();
  // Each open level: the menu being filled. A popup item pushes its submenu; an item with
  // MF_END closes its level. A template that runs out before closing every level, or closes
  // more than it opened, is refused whole.
  std::vector<HMENU> stack{bar};
  int i = 0;
  for (; i < tmpl->itemCount && !stack.empty(); ++i) {
    const MENUITEMTEMPLATEW& t = tmpl->items[i];
    HMENU level = stack.back();
    if (t.flags & MF_END) stack.pop_back();
    if (t.flags & MF_POPUP) {
      HMENU sub = CreatePopupMenu();
      AppendMenuW(level, MF_POPUP | (t.flags & (MF_GRAYED | MF_DISABLED)),
                  reinterpret_cast<UINT_PTR>(sub), t.text);
      stack.push_back(sub);
    } else {
      AppendMenuW(level, t.flags & (MF_SEPARATOR | MF_CHECKED | MF_GRAYED | MF_DISABLED |
                                    MFT_RADIOCHECK),
                  t.id, t.text);
    }
  }
  if (!stack.empty() || i != tmpl->itemCount) {
    DestroyMenu(bar);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return bar;
}

}  // extern "C"
