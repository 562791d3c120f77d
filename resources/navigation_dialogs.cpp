// The two questions of a GPS start: 227, a receiver log is running (start a new one, go on with
// it, or cancel), and 313, recording needs a working map (choose one, go on without, cancel).
// Each button ends its dialog with its own id.
#include "resources/resource_table.h"

namespace {

const DLGITEMTEMPLATEW kStartRecordingItems[] = {
    {L"static", 2334, L"", SS_LEFT, 0, 8, 8, 224, 96},
    {L"button", 1205, L"Начать новую", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 112, 224, 26},
    {L"button", 1206, L"Продолжить текущую", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 144, 224, 26},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 176, 224, 26},
};
const DLGTEMPLATEW kStartRecording = {
    DLGTEMPLATE_MAGIC, 227, WS_POPUP, 0, L"Запись", nullptr, 0, 0, 26, 240, 294,
    kStartRecordingItems, vres::CountOf(kStartRecordingItems)};
VORNA_RESOURCE(RT_DIALOG, 227, kStartRecording);

const DLGITEMTEMPLATEW kNeedWorkMapItems[] = {
    {L"static", 1201,
     L"Для записи трека и точек нужна рабочая карта. Выберите её в проекте или продолжите без "
     L"неё.",
     SS_LEFT, 0, 8, 8, 224, 96},
    {L"button", 1202, L"Выбрать рабочую карту", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 112, 224, 26},
    {L"button", 2341, L"Продолжить без рабочей карты", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 144,
     224, 26},
    {L"button", 4, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 8, 176, 224, 26},
};
const DLGTEMPLATEW kNeedWorkMap = {DLGTEMPLATE_MAGIC, 313, WS_POPUP, 0, L"Рабочая карта",
                                   nullptr, 0, 0, 26, 240, 294, kNeedWorkMapItems,
                                   vres::CountOf(kNeedWorkMapItems)};
VORNA_RESOURCE(RT_DIALOG, 313, kNeedWorkMap);

}  // namespace
