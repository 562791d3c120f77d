// The settings dialog (108) and its nine pages, each a child dialog laid inside the tab control
// under its strip of tabs: 220 navigation, 218 geodesy receiver, 216 GPS port, 148 buttons,
// 329 map view, 150 general, 323 almanac, 256 language, 337 automatic actions. The texts are the
// built-in ones; the language table replaces them by control id when a dialog opens.
#include "resources/resource_table.h"

namespace {

constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kCheckWrap = BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kEdit = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kPage = WS_CHILD | DS_CONTROL;
// A page's place in the tab control: under the 20-pixel strip, inside the frame.
constexpr int kPageX = 2, kPageY = 22, kPageW = 236, kPageH = 242;

// ---- 108: the dialog ----
const DLGITEMTEMPLATEW kSettingsItems[] = {
    {L"SysTabControl32", 2093, nullptr, WS_TABSTOP, 0, 0, 0, 240, 266},
    {L"button", 1, L"OK", kPush, 0, 4, 270, 74, 22},
    {L"button", 4, L"Отмена", kPush, 0, 83, 270, 74, 22},
    {L"button", 8, L"Применить", kPush | WS_DISABLED, 0, 162, 270, 74, 22},
};
const DLGTEMPLATEW kSettings = {DLGTEMPLATE_MAGIC, 108, WS_POPUP, 0, L"Настройки", nullptr, 0,
                                0, 0, 240, 294, kSettingsItems, vres::CountOf(kSettingsItems)};
VORNA_RESOURCE(RT_DIALOG, 108, kSettings);

// ---- 220: navigation ----
const DLGITEMTEMPLATEW kNaviItems[] = {
    {L"button", 1194, L"Статус", BS_GROUPBOX, 0, 0, 0, 236, 72},
    {L"static", -1, L"S:", SS_LEFT, 0, 4, 16, 14, 16},
    {L"static", 2311, L"", SS_LEFT, 0, 18, 16, 26, 16},
    {L"static", 1195, L"V(км/ч):", SS_LEFT, 0, 46, 16, 54, 16},
    {L"static", 2112, L"", SS_LEFT, 0, 100, 16, 44, 16},
    {L"static", -1, L"H:", SS_LEFT, 0, 146, 16, 16, 16},
    {L"static", 2413, L"", SS_LEFT, 0, 162, 16, 70, 16},
    {L"static", -1, L"B:", SS_LEFT, 0, 4, 34, 14, 16},
    {L"static", 2314, L"", SS_LEFT, 0, 18, 34, 100, 16},
    {L"static", -1, L"L:", SS_LEFT, 0, 120, 34, 14, 16},
    {L"static", 2315, L"", SS_LEFT, 0, 134, 34, 98, 16},
    {L"static", 1196, L"Путь(км):", SS_LEFT, 0, 4, 52, 58, 16},
    {L"static", 2316, L"", SS_LEFT, 0, 62, 52, 48, 16},
    {L"static", 1197, L"Vср.(км/ч):", SS_LEFT, 0, 112, 52, 68, 16},
    {L"static", 2317, L"", SS_LEFT, 0, 180, 52, 52, 16},
    {L"button", 1192, L"Настройка", BS_GROUPBOX, 0, 0, 74, 236, 166},
    {L"static", -1, L"Datum:", SS_LEFT, 0, 4, 92, 40, 16},
    {L"combobox", 2318, nullptr, kList, 0, 44, 90, 68, 20},
    {L"button", 2399, L"Запись маршрута", kCheck, 0, 114, 92, 120, 16},
    {L"button", 2342, L"Поворач. знаки по маршруту", kCheck, 0, 4, 112, 228, 16},
    {L"button", 2343, L"Предлагать ввод второй точки", kCheck, 0, 4, 130, 228, 16},
    {L"button", 1193, L"Предлагать смещение точки", kCheckWrap, 0, 4, 148, 182, 16},
    {L"edit", 3037, L"", kEdit, 0, 188, 147, 44, 18},
    {L"button", 2344, L"Линейка \"Прицел\":", kCheck, 0, 4, 168, 124, 16},
    {L"edit", 3035, L"", kEdit, 0, 130, 167, 102, 18},
    {L"button", 2100, L"Поправка (м):", kCheck, 0, 4, 190, 96, 16},
    {L"static", 2101, L"X:", SS_LEFT, 0, 102, 190, 12, 16},
    {L"edit", 2045, L"", kEdit, 0, 114, 189, 48, 18},
    {L"static", 2102, L"Y:", SS_LEFT, 0, 166, 190, 12, 16},
    {L"edit", 2049, L"", kEdit, 0, 178, 189, 54, 18},
    {L"button", 2339, L"Указать на карте", kPush, 0, 4, 212, 228, 22},
};
const DLGTEMPLATEW kNavi = {DLGTEMPLATE_MAGIC, 220, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                            kPageW, kPageH, kNaviItems, vres::CountOf(kNaviItems)};
VORNA_RESOURCE(RT_DIALOG, 220, kNavi);

// ---- 218: geodesy receiver ----
const DLGITEMTEMPLATEW kGeoItems[] = {
    {L"button", 1181, L"Настройка", BS_GROUPBOX, 0, 0, 0, 236, 116},
    {L"static", 1182, L"Антенна:", SS_LEFT, 0, 4, 16, 60, 16},
    {L"combobox", 2322, nullptr, kList, 0, 64, 14, 168, 20},
    {L"static", 1184, L"Маска PDOP:", SS_LEFT, 0, 4, 38, 112, 16},
    {L"edit", 1035, L"", kEdit, 0, 120, 36, 112, 18},
    {L"static", 1183, L"Маска по высоте:", SS_LEFT, 0, 4, 58, 112, 16},
    {L"edit", 1029, L"", kEdit, 0, 120, 56, 112, 18},
    {L"static", 1185, L"Период записи:", SS_LEFT, 0, 4, 78, 112, 16},
    {L"edit", 1039, L"", kEdit, 0, 120, 76, 112, 18},
    {L"static", 1186, L"Системы:", SS_LEFT, 0, 4, 96, 60, 16},
    {L"button", 2320, L"GPS", kCheck, 0, 64, 96, 52, 16},
    {L"button", 2421, L"ГЛОНАСС", kCheck, 0, 120, 96, 112, 16},
    // The fix as the receiver gives it (the navigation page's own letters: satellites, height).
    {L"button", 1187, L"Статус", BS_GROUPBOX, 0, 0, 118, 236, 40},
    {L"static", -1, L"S:", SS_LEFT, 0, 4, 136, 14, 16},
    {L"static", 2323, L"", SS_LEFT, 0, 18, 136, 28, 16},
    {L"static", -1, L"PDOP:", SS_LEFT, 0, 50, 136, 40, 16},
    {L"static", 2312, L"", SS_LEFT, 0, 90, 136, 38, 16},
    {L"static", -1, L"H:", SS_LEFT, 0, 128, 136, 16, 16},
    {L"static", 2516, L"", SS_LEFT, 0, 144, 136, 88, 16},
    {L"button", 1188, L"Приёмник", BS_GROUPBOX, 0, 0, 160, 236, 80},
    {L"static", 1189, L"Питание (В):", SS_LEFT, 0, 4, 176, 104, 16},
    {L"static", 2513, L"", SS_LEFT, 0, 110, 176, 122, 16},
    {L"static", 1190, L"Память (МБ):", SS_LEFT, 0, 4, 196, 104, 16},
    {L"static", 2414, L"", SS_LEFT, 0, 110, 196, 122, 16},
    {L"static", 1191, L"Осталось:", SS_LEFT, 0, 4, 216, 104, 16},
    {L"static", 2415, L"", SS_LEFT, 0, 110, 216, 122, 16},
};
const DLGTEMPLATEW kGeo = {DLGTEMPLATE_MAGIC, 218, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                           kPageW, kPageH, kGeoItems, vres::CountOf(kGeoItems)};
VORNA_RESOURCE(RT_DIALOG, 218, kGeo);

// ---- 216: GPS port and echo sounder ----
const DLGITEMTEMPLATEW kPortsItems[] = {
    {L"button", -1, L"GPS", BS_GROUPBOX, 0, 0, 0, 236, 106},
    {L"static", 1006, L"Тип", SS_LEFT, 0, 4, 16, 64, 16},
    {L"combobox", 2031, nullptr, kList, 0, 70, 14, 162, 20},
    {L"static", 1304, L"Порт", SS_LEFT, 0, 4, 38, 64, 16},
    {L"combobox", 1040, nullptr, kList, 0, 70, 36, 162, 20},
    {L"static", 1310, L"Скорость", SS_LEFT, 0, 4, 60, 64, 16},
    {L"combobox", 2033, nullptr, kList, 0, 70, 58, 162, 20},
    {L"combobox", 2034, nullptr, kList, 0, 4, 82, 228, 20},
    {L"button", 1200, L"Эхолот", BS_GROUPBOX, 0, 0, 110, 236, 78},
    {L"button", 2498, L"Вкл.", kCheck, 0, 4, 126, 64, 16},
    {L"static", 1311, L"Порт", SS_LEFT, 0, 4, 146, 64, 16},
    {L"combobox", 1043, nullptr, kList, 0, 70, 144, 162, 20},
    {L"static", 1313, L"Скорость", SS_LEFT, 0, 4, 168, 64, 16},
    {L"combobox", 2039, nullptr, kList, 0, 70, 166, 162, 20},
    // The camera controller's group: not offered, hidden when the page loads.
    {L"button", 2499, L"Контроллер фотоаппаратов", BS_GROUPBOX, 0, 0, 192, 236, 48},
    {L"button", 1044, L"Вкл.", kCheck, 0, 4, 208, 64, 16},
    {L"static", 1312, L"Порт", SS_LEFT, 0, 70, 208, 40, 16},
    {L"combobox", 3027, nullptr, kList, 0, 110, 206, 60, 20},
    {L"combobox", 3026, nullptr, kList, 0, 172, 206, 60, 20},
};
const DLGTEMPLATEW kPorts = {DLGTEMPLATE_MAGIC, 216, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                             kPageW, kPageH, kPortsItems, vres::CountOf(kPortsItems)};
VORNA_RESOURCE(RT_DIALOG, 216, kPorts);

// ---- 148: hardware buttons ----
const DLGITEMTEMPLATEW kButtonsItems[] = {
    {L"static", 1179, L"Кнопки", SS_LEFT, 0, 4, 2, 110, 16},
    {L"listbox", 1019, nullptr, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 0, 4, 20, 110, 140},
    {L"static", 1180, L"Действия", SS_LEFT, 0, 120, 2, 112, 16},
    {L"combobox", 2092, nullptr, kList, 0, 120, 20, 112, 20},
    {L"button", 2084, L"Захват кнопки", kPush, 0, 120, 48, 112, 22},
    {L"button", 2088, L"Удалить", kPush, 0, 120, 76, 112, 22},
    {L"static", 2094, L"Нажмите кнопку...", SS_LEFT, 0, 120, 104, 112, 32},
    {L"button", 2324, L"Эмул. длительное нажатие", kCheck, 0, 4, 166, 228, 16},
    {L"button", 2325, L"Звуковое подтверждение", kCheck, 0, 4, 186, 228, 16},
};
const DLGTEMPLATEW kButtons = {DLGTEMPLATE_MAGIC, 148, kPage, 0, nullptr, nullptr, 0, kPageX,
                               kPageY, kPageW, kPageH, kButtonsItems, vres::CountOf(kButtonsItems)};
VORNA_RESOURCE(RT_DIALOG, 148, kButtons);

// ---- 329: map view ----
const DLGITEMTEMPLATEW kMapItems[] = {
    {L"button", 2429, L"Заливка областей", kCheck, 0, 4, 4, 228, 16},
    {L"button", 2330, L"Маркировка", kCheck, 0, 4, 24, 228, 16},
    {L"button", 2431, L"Отображать коорд. сетку", kCheck, 0, 4, 44, 228, 16},
    {L"button", 1335, L"БД населенных пунктов", BS_GROUPBOX, 0, 0, 68, 236, 80},
    {L"button", 1226, L"Не отображать", kRadio | WS_GROUP, 0, 8, 86, 224, 16},
    {L"button", 1228, L"Отображать когда нет карт", kRadio, 0, 8, 106, 224, 16},
    {L"button", 1327, L"Отображать всегда", kRadio, 0, 8, 126, 224, 16},
};
const DLGTEMPLATEW kMap = {DLGTEMPLATE_MAGIC, 329, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                           kPageW, kPageH, kMapItems, vres::CountOf(kMapItems)};
VORNA_RESOURCE(RT_DIALOG, 329, kMap);

// ---- 150: general ----
const DLGITEMTEMPLATEW kGeneralItems[] = {
    {L"button", 2104, L"Запретить выключение КПК при включенном GPS", kCheckWrap, 0, 4, 0, 228, 28},
    {L"button", 2103, L"Сохранять проект при выходе", kCheck, 0, 4, 28, 228, 16},
    {L"button", 2305, L"Показывать бланк после создания объекта", kCheckWrap, 0, 4, 44, 228, 28},
    {L"button", 1198, L"Вид бланка", BS_GROUPBOX, 0, 0, 72, 236, 66},
    {L"button", 2326, L"Номер", kCheck, 0, 8, 86, 224, 16},
    {L"button", 2327, L"Краткое название", kCheck, 0, 8, 102, 224, 16},
    {L"button", 2328, L"Полное название", kCheck, 0, 8, 118, 224, 16},
    {L"button", 1336, L"Делать резервную копию перед сохранением рабочей карты", kCheckWrap, 0, 4,
     140, 228, 28},
    {L"button", 3001, L"Автосохранение рабочей карты каждые (мин.)", kCheckWrap, 0, 4, 168, 176, 28},
    {L"edit", 1047, L"", kEdit, 0, 184, 173, 48, 18},
    {L"button", 3003, L"Разрезать длинные объекты", kCheck, 0, 4, 198, 228, 16},
};
const DLGTEMPLATEW kGeneral = {DLGTEMPLATE_MAGIC, 150, kPage, 0, nullptr, nullptr, 0, kPageX,
                               kPageY, kPageW, kPageH, kGeneralItems, vres::CountOf(kGeneralItems)};
VORNA_RESOURCE(RT_DIALOG, 150, kGeneral);

// ---- 323: almanac ----
const DLGITEMTEMPLATEW kAlmItems[] = {
    {L"static", 1176, L"Файл с альманахом (JPS)", SS_LEFT, 0, 4, 2, 228, 16},
    {L"edit", 1032, L"", kEdit, 0, 4, 20, 200, 18},
    {L"button", 2146, L"...", kPush, 0, 208, 19, 24, 20},
    {L"button", 2147, L"Загружать при старте", kCheck, 0, 4, 44, 142, 16},
    {L"button", 2336, L"Загрузить", kPush, 0, 150, 41, 82, 22},
    {L"static", 1177, L"Срок:", SS_LEFT, 0, 4, 68, 36, 16},
    {L"static", 2152, L"не загружен", SS_LEFT, 0, 40, 68, 192, 16},
    {L"button", 2148, L"База", kCheck, 0, 4, 90, 100, 16},
    {L"static", -1, L"X:", SS_LEFT, 0, 4, 112, 16, 16},
    {L"edit", 2149, L"", kEdit, 0, 20, 110, 96, 18},
    {L"static", -1, L"Y:", SS_LEFT, 0, 120, 112, 16, 16},
    {L"edit", 1036, L"", kEdit, 0, 136, 110, 96, 18},
    {L"static", -1, L"H:", SS_LEFT, 0, 4, 134, 16, 16},
    {L"edit", 1041, L"", kEdit, 0, 20, 132, 96, 18},
    {L"static", 1178, L"Маска по высоте:", SS_LEFT, 0, 4, 156, 112, 16},
    {L"edit", 1044, L"", kEdit, 0, 120, 154, 60, 18},
    {L"button", 2150, L"Текущие", kPush, 0, 4, 180, 110, 22},
    {L"button", 2386, L"Указать", kPush, 0, 122, 180, 110, 22},
    {L"button", 2151, L"Загрузить", kPush, 0, 4, 206, 110, 22},
    {L"button", 2391, L"Сохранить", kPush, 0, 122, 206, 110, 22},
};
const DLGTEMPLATEW kAlm = {DLGTEMPLATE_MAGIC, 323, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                           kPageW, kPageH, kAlmItems, vres::CountOf(kAlmItems)};
VORNA_RESOURCE(RT_DIALOG, 323, kAlm);

// ---- 256: language ----
const DLGITEMTEMPLATEW kLangItems[] = {
    {L"button", 1212, L"Языковой модуль", BS_GROUPBOX, 0, 0, 0, 236, 52},
    {L"combobox", 1213, nullptr, kList, 0, 8, 20, 220, 20},
};
const DLGTEMPLATEW kLang = {DLGTEMPLATE_MAGIC, 256, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                            kPageW, kPageH, kLangItems, vres::CountOf(kLangItems)};
VORNA_RESOURCE(RT_DIALOG, 256, kLang);

// ---- 337: automatic actions ----
const DLGITEMTEMPLATEW kAutoItems[] = {
    {L"static", 3007, L"Время (cек)", SS_LEFT, 0, 160, 2, 72, 16},
    {L"button", 1337, L"Закрывать инструменты", kCheck, 0, 4, 22, 170, 16},
    {L"edit", 1339, L"", kEdit, 0, 180, 21, 52, 18},
    {L"button", 3005, L"Закрывать панель \"Инфо\"", kCheck, 0, 4, 44, 170, 16},
    {L"edit", 1340, L"", kEdit, 0, 180, 43, 52, 18},
    {L"button", 3004, L"Отключать линейку", kCheck, 0, 4, 66, 170, 16},
    {L"edit", 1341, L"", kEdit, 0, 180, 65, 52, 18},
    {L"button", 3006, L"Включать слежение", kCheck, 0, 4, 88, 170, 16},
    {L"edit", 1338, L"", kEdit, 0, 180, 87, 52, 18},
    {L"button", 3010, L"Проверка порта при навигации", BS_GROUPBOX, 0, 0, 112, 236, 66},
    {L"button", 2177, L"Индицировать желтым", kCheck, 0, 4, 130, 170, 16},
    {L"edit", 1028, L"", kEdit, 0, 180, 129, 52, 18},
    {L"button", 3009, L"Выводить сообщение", kCheck, 0, 4, 152, 170, 16},
    {L"edit", 3028, L"", kEdit, 0, 180, 151, 52, 18},
};
const DLGTEMPLATEW kAuto = {DLGTEMPLATE_MAGIC, 337, kPage, 0, nullptr, nullptr, 0, kPageX, kPageY,
                            kPageW, kPageH, kAutoItems, vres::CountOf(kAutoItems)};
VORNA_RESOURCE(RT_DIALOG, 337, kAuto);

}  // namespace
