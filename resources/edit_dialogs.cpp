// The editing tools' dialogs and menus: 178 the object-type chooser, 179 the attribute form, 181 the object-list
// panel, 225 the value-list chooser; 312 the recent-types menu, 314 the type list's menu.
#include "resources/resource_table.h"

namespace {

// 178: the full type list above, the recent types below, the current type's name between.
const DLGITEMTEMPLATEW kTypeItems[] = {
    {L"SysListView32", 1015, nullptr,
     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED |
         LVS_NOCOLUMNHEADER,
     0, 4, 4, 232, 150},
    {L"static", 2340, L"[0-0]", SS_LEFT, 0, 4, 158, 232, 16},
    {L"SysListView32", 1017, nullptr,
     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED |
         LVS_NOCOLUMNHEADER,
     0, 8, 178, 226, 76},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 136, 262, 44, 22},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 184, 262, 52, 22},
};
const DLGTEMPLATEW kTypeDialog = {DLGTEMPLATE_MAGIC, 178, WS_POPUP, 0, L"Тип объекта", nullptr,
                                  0, 0, 26, 240, 294, kTypeItems, vres::CountOf(kTypeItems)};
VORNA_RESOURCE(RT_DIALOG, 178, kTypeDialog);

// 179: the type's name above the grid (which the form makes itself), the length and area line
// drawn at the hidden static below it.
const DLGITEMTEMPLATEW kFormItems[] = {
    {L"static", 2340, L"", SS_LEFT, 0, 4, 1, 232, 16},
    {L"static", 2346, L"", SS_LEFT, 0, 4, 276, 128, 16},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 136, 296, 44, 20},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 184, 296, 52, 20},
};
const DLGTEMPLATEW kForm = {DLGTEMPLATE_MAGIC, 179, WS_POPUP, 0, L"Атрибуты", nullptr, 0, 0, 26,
                           240, 294, kFormItems, vres::CountOf(kFormItems)};
VORNA_RESOURCE(RT_DIALOG, 179, kForm);

// 181: a strip with one list; the panels size and place it themselves.
const DLGITEMTEMPLATEW kObjectListItems[] = {
    {L"listbox", 1023, nullptr, WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 2, 2, 170, 42},
};
const DLGTEMPLATEW kObjectList = {DLGTEMPLATE_MAGIC, 181, WS_CHILD, 0, nullptr, nullptr, 0,
                                  0, 0, 240, 46, kObjectListItems,
                                  vres::CountOf(kObjectListItems)};
VORNA_RESOURCE(RT_DIALOG, 181, kObjectList);

// 225: one list for a single value, one for several; the dialog shows one of them.
const DLGITEMTEMPLATEW kValueListItems[] = {
    {L"listbox", 2427, nullptr, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 0, 4, 4, 232,
     250},
    {L"listbox", 1026, nullptr,
     WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_MULTIPLESEL, 0, 4, 4, 232, 250},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 136, 262, 44, 22},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 184, 262, 52, 22},
};
const DLGTEMPLATEW kValueList = {DLGTEMPLATE_MAGIC, 225, WS_POPUP, 0, L"Значение", nullptr, 0,
                                 0, 26, 240, 294, kValueListItems,
                                 vres::CountOf(kValueListItems)};
VORNA_RESOURCE(RT_DIALOG, 225, kValueList);

const MENUITEMTEMPLATEW kRecentMenuItems[] = {
    {MF_POPUP | MF_END, 0, L"Buffer"},
    {0, 40298, L"Удалить"},
    {0, 40399, L"Очистить буфер"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40203, L"Иконки 1"},
    {0, 40204, L"Иконки 2"},
    {MF_END, 40205, L"Список"},
};
const MENUTEMPLATEW kRecentMenu = {MENUTEMPLATE_MAGIC, kRecentMenuItems,
                                   vres::CountOf(kRecentMenuItems)};
VORNA_RESOURCE(RT_MENU, 312, kRecentMenu);

const MENUITEMTEMPLATEW kTypeMenuItems[] = {
    {MF_POPUP | MF_END, 0, L"View"},
    {0, 40200, L"Иконки"},
    {MF_END, 40201, L"Список"},
};
const MENUTEMPLATEW kTypeMenu = {MENUTEMPLATE_MAGIC, kTypeMenuItems,
                                 vres::CountOf(kTypeMenuItems)};
VORNA_RESOURCE(RT_MENU, 314, kTypeMenu);

}  // namespace
