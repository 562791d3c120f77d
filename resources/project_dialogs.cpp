// The project editor's dialogs: 210 the project's maps, 212 the wait box shown over it while a
// file operation runs, 214 a new working map or the working map's properties.
#include "resources/resource_table.h"

namespace {

// 210: the working map's group at the top, the map list with its buttons beside it, OK and
// Cancel (id 4) at the bottom.
const DLGITEMTEMPLATEW kProjectItems[] = {
    {L"button", 2357, L"Рабочая карта", BS_GROUPBOX, 0, 2, 0, 236, 62},
    {L"static", 2140, L"", SS_LEFT, 0, 8, 15, 224, 16},
    {L"button", 2136, L"Новая", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 34, 68, 22},
    {L"button", 2138, L"Назначить", BS_PUSHBUTTON | WS_TABSTOP, 0, 80, 34, 76, 22},
    {L"button", 2437, L"Параметры", BS_PUSHBUTTON | WS_TABSTOP, 0, 160, 34, 72, 22},
    {L"listbox", 1023, nullptr, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 0, 2, 66, 170,
     196},
    {L"button", 2129, L"Вверх", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 66, 62, 22},
    {L"button", 2130, L"Вниз", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 90, 62, 22},
    {L"button", 2131, L"Добавить", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 120, 62, 22},
    {L"button", 2132, L"Удалить", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 144, 62, 22},
    {L"button", 2133, L"Очистить", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 168, 62, 22},
    {L"button", 2134, L"Загрузить", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 216, 62, 22},
    {L"button", 2139, L"Сохранить", BS_PUSHBUTTON | WS_TABSTOP, 0, 176, 240, 62, 22},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 100, 268, 64, 22},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 170, 268, 68, 22},
};
const DLGTEMPLATEW kProjectDialog = {DLGTEMPLATE_MAGIC, 210, WS_POPUP, 0, L"Проект", nullptr, 0,
                                     0, 26, 240, 294, kProjectItems, vres::CountOf(kProjectItems)};
VORNA_RESOURCE(RT_DIALOG, 210, kProjectDialog);

// 212: no controls; the project editor places it at the top of the screen.
const DLGITEMTEMPLATEW kWaitItems[] = {
    {L"static", 2135, L"Подождите...", SS_CENTER, 0, 20, 40, 200, 20},
};
const DLGTEMPLATEW kWaitDialog = {DLGTEMPLATE_MAGIC, 212, WS_POPUP | WS_BORDER, 0, nullptr, nullptr,
                                  0, 0, 0, 240, 100, kWaitItems, vres::CountOf(kWaitItems)};
VORNA_RESOURCE(RT_DIALOG, 212, kWaitDialog);

// 214: folder (read-only, with its chooser), name, library and scale, each under its label.
const DLGITEMTEMPLATEW kNewMapItems[] = {
    {L"static", 2159, L"Папка", SS_LEFT, 0, 4, 4, 232, 16},
    {L"edit", 1031, nullptr, WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, 0, 4, 22, 200, 20},
    {L"button", 2345, L"...", BS_PUSHBUTTON | WS_TABSTOP, 0, 208, 22, 28, 20},
    {L"static", 2160, L"Имя карты", SS_LEFT, 0, 4, 50, 232, 16},
    {L"edit", 2038, nullptr, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 4, 68, 232, 20},
    {L"static", 2161, L"Библиотека объектов", SS_LEFT, 0, 4, 96, 232, 16},
    {L"combobox", 2332, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 0, 4, 114, 232, 20},
    {L"static", 2162, L"Масштаб 1:", SS_LEFT, 0, 4, 142, 232, 16},
    {L"combobox", 2333, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 0, 4, 160, 232, 20},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 100, 268, 64, 22},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 170, 268, 68, 22},
};
const DLGTEMPLATEW kNewMapDialog = {DLGTEMPLATE_MAGIC, 214, WS_POPUP, 0, L"Рабочая карта", nullptr,
                                    0, 0, 26, 240, 294, kNewMapItems, vres::CountOf(kNewMapItems)};
VORNA_RESOURCE(RT_DIALOG, 214, kNewMapDialog);

}  // namespace
