// The address search: the street bar (141) with the city bar below it (142), the object bar
// (143), the route dialog (152), the search window (258) and its address (259) and object (260)
// pages, which sit in the tab control below its tab strip.
#include "resources/resource_table.h"

namespace {

constexpr DWORD kEditCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kSortedCombo = kEditCombo | CBS_SORT;
constexpr DWORD kListCombo = CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;

// ---- bars: full width, 26 pixels high ----

const DLGITEMTEMPLATEW kStreetBarItems[] = {
    {L"combobox", 2081, nullptr, kEditCombo, 0, 2, 2, 126, 22},
    {L"combobox", 2082, nullptr, kEditCombo, 0, 130, 2, 54, 22},
    {L"button", 2072, L"К", kButton, 0, 186, 2, 24, 22},
    {L"button", 2086, L"^", kButton, 0, 212, 2, 26, 22},
};
const DLGTEMPLATEW kStreetBar = {DLGTEMPLATE_MAGIC, 141, WS_CHILD, 0, nullptr, nullptr, 0, 0, 0,
                                 240, 26, kStreetBarItems, vres::CountOf(kStreetBarItems)};
VORNA_RESOURCE(RT_DIALOG, 141, kStreetBar);

const DLGITEMTEMPLATEW kCityBarItems[] = {
    {L"combobox", 2087, nullptr, kEditCombo, 0, 2, 2, 236, 22},
};
const DLGTEMPLATEW kCityBar = {DLGTEMPLATE_MAGIC, 142, WS_CHILD, 0, nullptr, nullptr, 0, 0, 0,
                               240, 26, kCityBarItems, vres::CountOf(kCityBarItems)};
VORNA_RESOURCE(RT_DIALOG, 142, kCityBar);

const DLGITEMTEMPLATEW kObjectBarItems[] = {
    {L"combobox", 2077, nullptr, kListCombo, 0, 2, 2, 96, 22},
    {L"combobox", 2089, nullptr, kEditCombo, 0, 100, 2, 112, 22},
    {L"button", 2091, L"К", kButton, 0, 214, 2, 24, 22},
};
const DLGTEMPLATEW kObjectBar = {DLGTEMPLATE_MAGIC, 143, WS_CHILD, 0, nullptr, nullptr, 0, 0, 0,
                                 240, 26, kObjectBarItems, vres::CountOf(kObjectBarItems)};
VORNA_RESOURCE(RT_DIALOG, 143, kObjectBar);

// ---- the route dialog ----

const DLGITEMTEMPLATEW kRouteItems[] = {
    {L"button", 2073, L"Начало", BS_GROUPBOX, 0, 4, 4, 232, 110},
    {L"static", 2075, L"Тип объекта:", SS_LEFT, 0, 12, 22, 216, 16},
    {L"combobox", 2095, nullptr, kListCombo, 0, 12, 40, 216, 22},
    {L"button", 2083, L"Выбор объекта", kButton, 0, 12, 66, 216, 22},
    {L"static", 2076, L"Описание объекта", SS_LEFT, 0, 12, 92, 216, 16},
    {L"button", 2074, L"Конец", BS_GROUPBOX, 0, 4, 118, 232, 110},
    {L"static", 2075, L"Тип объекта:", SS_LEFT, 0, 12, 136, 216, 16},
    {L"combobox", 2096, nullptr, kListCombo, 0, 12, 154, 216, 22},
    {L"button", 2085, L"Выбор объекта", kButton, 0, 12, 180, 216, 22},
    {L"static", 2076, L"Описание объекта", SS_LEFT, 0, 12, 206, 216, 16},
    {L"button", 2090, L"Расчитать маршрут", kButton, 0, 4, 236, 232, 26},
};
const DLGTEMPLATEW kRoute = {DLGTEMPLATE_MAGIC, 152, WS_POPUP, 0, L"Маршрут", nullptr, 0, 0, 26,
                             240, 294, kRouteItems, vres::CountOf(kRouteItems)};
VORNA_RESOURCE(RT_DIALOG, 152, kRoute);

// ---- the search window and its pages (240 x 222 under the 20-pixel tab strip) ----

const DLGITEMTEMPLATEW kSearchItems[] = {
    {L"SysTabControl32", 1214, nullptr, WS_TABSTOP, 0, 0, 0, 240, 244},
    {L"button", 1215, L"Показать", kButton, 0, 4, 248, 112, 26},
    {L"button", 1216, L"Закрыть", kButton, 0, 124, 248, 112, 26},
};
const DLGTEMPLATEW kSearch = {DLGTEMPLATE_MAGIC, 258, WS_POPUP, 0, L"Поиск", nullptr, 0, 0, 26,
                              240, 294, kSearchItems, vres::CountOf(kSearchItems)};
VORNA_RESOURCE(RT_DIALOG, 258, kSearch);

// Rows 38 pixels apart, so the house list stays above the raised input panel.
const DLGITEMTEMPLATEW kAddressItems[] = {
    {L"static", 1221, L"Государство", SS_LEFT, 0, 4, 2, 232, 14},
    {L"combobox", 1219, nullptr, kSortedCombo, 0, 4, 16, 232, 22},
    {L"static", 1222, L"Регион", SS_LEFT, 0, 4, 40, 232, 14},
    {L"combobox", 1220, nullptr, kSortedCombo, 0, 4, 54, 232, 22},
    {L"static", 1223, L"Населенный пункт", SS_LEFT, 0, 4, 78, 232, 14},
    {L"combobox", 2497, nullptr, kSortedCombo, 0, 4, 92, 232, 22},
    {L"static", 1224, L"Улица", SS_LEFT, 0, 4, 116, 232, 14},
    {L"combobox", 2799, nullptr, kSortedCombo, 0, 4, 130, 232, 22},
    {L"static", 1225, L"Дом", SS_LEFT, 0, 4, 154, 232, 14},
    {L"combobox", 2598, nullptr, kSortedCombo, 0, 4, 168, 232, 22},
};
const DLGTEMPLATEW kAddress = {DLGTEMPLATE_MAGIC, 259, WS_CHILD, 0, nullptr, nullptr, 0, 0, 21,
                               240, 222, kAddressItems, vres::CountOf(kAddressItems)};
VORNA_RESOURCE(RT_DIALOG, 259, kAddress);

const DLGITEMTEMPLATEW kObjectItems[] = {
    {L"static", 1232, L"Тип", SS_LEFT, 0, 4, 4, 42, 18},
    {L"combobox", 1231, nullptr, kListCombo | CBS_SORT, 0, 48, 2, 188, 22},
    {L"static", 1230, L"Назв.", SS_LEFT, 0, 4, 28, 42, 18},
    {L"combobox", 1328, nullptr, kSortedCombo, 0, 48, 26, 160, 22},
    {L"button", 1333, L"=", kButton, 0, 212, 26, 24, 22},
    {L"static", 1221, L"Государство", SS_LEFT, 0, 4, 52, 116, 18},
    {L"combobox", 1219, nullptr, kSortedCombo, 0, 122, 50, 114, 22},
    {L"static", 1222, L"Регион", SS_LEFT, 0, 4, 76, 116, 18},
    {L"combobox", 1220, nullptr, kSortedCombo, 0, 122, 74, 114, 22},
    {L"static", 1223, L"Населенный пункт", SS_LEFT, 0, 4, 100, 116, 18},
    {L"combobox", 2497, nullptr, kSortedCombo, 0, 122, 98, 114, 22},
    {L"static", 1229, L"Км от текущей позиции <", SS_LEFT, 0, 4, 124, 168, 18},
    {L"edit", 2444, nullptr, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 174, 122, 62, 20},
    {L"edit", 1427, nullptr, ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL, 0, 4, 146, 232, 72},
};
const DLGTEMPLATEW kObject = {DLGTEMPLATE_MAGIC, 260, WS_CHILD, 0, nullptr, nullptr, 0, 0, 21,
                              240, 222, kObjectItems, vres::CountOf(kObjectItems)};
VORNA_RESOURCE(RT_DIALOG, 260, kObject);

}  // namespace
