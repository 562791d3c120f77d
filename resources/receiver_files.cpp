// The receiver file manager: 171 the file list with the destination folder and the commands,
// 172 the copy's progress. Both fill the main window's area.
#include "resources/resource_table.h"

namespace {

const DLGITEMTEMPLATEW kFilesItems[] = {
    {L"static", 2428, L"", SS_LEFT, 0, 4, 2, 232, 16},
    {L"SysListView32", 1016, nullptr,
     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 4, 20, 232, 178},
    {L"edit", 2110, L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 4, 204, 198, 22},
    {L"button", 2345, L"...", BS_PUSHBUTTON | WS_TABSTOP, 0, 206, 204, 30, 22},
    {L"button", 2106, L"Копировать", BS_PUSHBUTTON | WS_TABSTOP, 0, 4, 234, 114, 24},
    {L"button", 2107, L"Переместить", BS_PUSHBUTTON | WS_TABSTOP, 0, 122, 234, 114, 24},
    {L"button", 2108, L"Удалить", BS_PUSHBUTTON | WS_TABSTOP, 0, 4, 264, 114, 24},
    {L"button", 2109, L"Закрыть", BS_PUSHBUTTON | WS_TABSTOP, 0, 122, 264, 114, 24},
};
const DLGTEMPLATEW kFiles = {DLGTEMPLATE_MAGIC, 171, WS_POPUP, 0, L"Файлы приёмника", nullptr,
                             0, 0, 26, 240, 294, kFilesItems, vres::CountOf(kFilesItems)};
VORNA_RESOURCE(RT_DIALOG, 171, kFiles);

const DLGITEMTEMPLATEW kProgressItems[] = {
    {L"static", 2310, L"", SS_LEFT, 0, 8, 90, 224, 18},
    {L"msctls_progress32", 2111, nullptr, WS_BORDER, 0, 8, 114, 224, 18},
    {L"static", 2313, L"0%", SS_CENTER, 0, 8, 138, 224, 18},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 80, 170, 80, 26},
};
const DLGTEMPLATEW kProgress = {DLGTEMPLATE_MAGIC, 172, WS_POPUP, 0, L"Копирование", nullptr, 0,
                                0, 26, 240, 294, kProgressItems, vres::CountOf(kProgressItems)};
VORNA_RESOURCE(RT_DIALOG, 172, kProgress);

}  // namespace
