// The navigation-point dialogs: 122 the properties of one point (coordinates, height, names,
// offset distance, type from the full list or the recent types), 124 the working map's points
// with its buttons, and 125 the context menu of that list.
#include "resources/resource_table.h"

namespace {

constexpr DWORD kEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kTypeListStyle = WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                 LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED | LVS_NOCOLUMNHEADER;

// 122: the OK buttons of all three variants share the bottom row; the dialog shows one set.
const DLGITEMTEMPLATEW kPointItems[] = {
    {L"static", -1, L"X:", SS_LEFT, 0, 4, 6, 16, 16},
    {L"edit", 1038, L"", kEdit, 0, 22, 4, 98, 20},
    {L"static", -1, L"Y:", SS_LEFT, 0, 124, 6, 16, 16},
    {L"edit", 1027, L"", kEdit, 0, 140, 4, 96, 20},
    {L"static", -1, L"H:", SS_LEFT, 0, 4, 30, 16, 16},
    {L"edit", 1037, L"", kEdit, 0, 22, 28, 98, 20},
    {L"static", -1, L"ID:", SS_LEFT, 0, 4, 54, 18, 16},
    {L"edit", 1012, L"", kEdit, 0, 22, 52, 150, 20},
    {L"edit", 1049, L"", kEdit, 0, 176, 52, 60, 20},
    {L"edit", 1046, L"", kEdit, 0, 22, 76, 214, 20},
    {L"SysListView32", 1015, nullptr, kTypeListStyle, 0, 4, 100, 232, 112},
    {L"SysListView32", 1017, nullptr, kTypeListStyle, 0, 8, 216, 226, 51},
    {L"button", 9, L"OK, L", BS_PUSHBUTTON | WS_TABSTOP, 0, 4, 270, 46, 22},
    {L"button", 14, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 53, 270, 36, 22},
    {L"button", 12, L"OK, R", BS_PUSHBUTTON | WS_TABSTOP, 0, 92, 270, 46, 22},
    {L"button", 1, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4, 270, 60, 22},
    {L"button", 15, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4, 270, 50, 22},
    {L"button", 16, L"OK, 2", BS_PUSHBUTTON | WS_TABSTOP, 0, 58, 270, 50, 22},
    {L"button", 2145, L"...", BS_PUSHBUTTON | WS_TABSTOP, 0, 148, 270, 30, 22},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 182, 270, 54, 22},
};
const DLGTEMPLATEW kPoint = {DLGTEMPLATE_MAGIC, 122, WS_POPUP, 0, L"Свойства точки", nullptr,
                             0, 0, 26, 240, 294, kPointItems, vres::CountOf(kPointItems)};
VORNA_RESOURCE(RT_DIALOG, 122, kPoint);

// 124: the list over the whole width, the four buttons below it; all of it within the 268
// pixels the shell leaves a full-screen dialog above the command bar.
const DLGITEMTEMPLATEW kPointsItems[] = {
    {L"SysListView32", 1024, nullptr,
     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED,
     0, 4, 4, 232, 234},
    {L"button", 1034, L"Навигация", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4, 242, 64, 22},
    {L"button", 11, L"Карта", BS_PUSHBUTTON | WS_TABSTOP, 0, 71, 242, 48, 22},
    {L"button", 13, L"Добавить", BS_PUSHBUTTON | WS_TABSTOP, 0, 122, 242, 58, 22},
    {L"button", 3, L"Закрыть", BS_PUSHBUTTON | WS_TABSTOP, 0, 183, 242, 53, 22},
};
const DLGTEMPLATEW kPoints = {DLGTEMPLATE_MAGIC, 124, WS_POPUP, 0, L"Точки", nullptr, 0, 0,
                              26, 240, 294, kPointsItems, vres::CountOf(kPointsItems)};
VORNA_RESOURCE(RT_DIALOG, 124, kPoints);

const MENUITEMTEMPLATEW kPointsMenuItems[] = {
    {MF_POPUP | MF_END, 0, L"Point"},
    {0, 40079, L"Редактировать"},
    {MF_END, 7, L"Удалить"},
};
const MENUTEMPLATEW kPointsMenu = {MENUTEMPLATE_MAGIC, kPointsMenuItems,
                                   vres::CountOf(kPointsMenuItems)};
VORNA_RESOURCE(RT_MENU, 125, kPointsMenu);

}  // namespace
