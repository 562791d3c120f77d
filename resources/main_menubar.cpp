// The main window's command bar: thirteen buttons over the images of IDB_MAIN_TOOLBAR and four
// popups. Item texts are the built-in Russian texts; the language table replaces the ones that
// have keys when the menu is translated.
#include "resources/main_ids.h"
#include "resources/resource_table.h"

namespace {

// Popup order: the drop-down buttons name them by index.
enum { kPopupFile = 0, kPopupScale = 1, kPopupSearch = 2, kPopupMaps = 3 };

const MENUITEMTEMPLATEW kMainMenuItems[] = {
    {MF_POPUP, 0, L"F"},
    {0, 40031, L"О программе"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40048, L"Настройки"},
    {0, 40182, L"Файлы приёмника"},
    {0, 40179, L"Редактор проекта"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40180, L"Фото"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40181, L"Свернуть"},
    {MF_END, 40005, L"Выход"},

    {MF_POPUP, 0, L"scale"},
    {0, 40214, L"Все карты"},
    {0, 41121, L"1:10 000 000"},
    {0, 41120, L"1:5 000 000"},
    {0, 41119, L"1:1 000 000"},
    {0, 41118, L"1:800 000"},
    {0, 41117, L"1:500 000"},
    {0, 41116, L"1:300 000"},
    {0, 41115, L"1:200 000"},
    {0, 41114, L"1:150 000"},
    {0, 41113, L"1:100 000"},
    {0, 41112, L"1:75 000"},
    {0, 41111, L"1:50 000"},
    {0, 41110, L"1:30 000"},
    {0, 41109, L"1:20 000"},
    {0, 41108, L"1:10 000"},
    {0, 41107, L"1:7 500"},
    {0, 41106, L"1:5 000"},
    {0, 41105, L"1:2 000"},
    {0, 41104, L"1:1 000"},
    {0, 41103, L"1:500"},
    {0, 41102, L"1:250"},
    {MF_END, 41101, L"1:100"},

    {MF_POPUP, 0, L"SEARCH"},
    {0, 40151, L"Граф дорог"},
    {0, 40149, L"Маршрут по двум точкам"},
    {0, 40147, L"Убрать маршрут"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40216, L"Поиск адреса"},
    {0, 40217, L"Поиск объекта"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40102, L"Панель улиц"},
    {MF_END, 40099, L"Панель объектов"},

    {MF_POPUP | MF_END, 0, L"maps"},
    {0, 41023, L"Заливка"},
    {0, 41021, L"Маркировка"},
    {0, 41024, L"Сетка"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 40207, L"Растр и вектор"},
    {0, 40208, L"Только вектор"},
    {MF_END, 40209, L"Только растр"},
};
const MENUTEMPLATEW kMainMenu = {MENUTEMPLATE_MAGIC, kMainMenuItems,
                                 vres::CountOf(kMainMenuItems)};
VORNA_RESOURCE(RT_MENU, IDM_MAIN_MENU, kMainMenu);

constexpr BYTE kDrop = TBSTYLE_DROPDOWN;
constexpr BYTE kCheck = TBSTYLE_CHECK;
constexpr BYTE kSep = TBSTYLE_SEP;
constexpr BYTE kOn = TBSTATE_ENABLED;

const SHMENUBARBUTTON kMainBarButtons[] = {
    {0, 40002, kOn, kDrop, nullptr, kPopupFile},
    {6, 40044, kOn, kCheck, nullptr, -1},
    {13, 40187, kOn, kCheck, nullptr, -1},
    {12, 40175, kOn, kCheck, nullptr, -1},
    {14, 40190, kOn, kCheck, nullptr, -1},
    {I_IMAGENONE, 0, kOn, kSep, nullptr, -1},
    {1, 40009, kOn, kDrop, nullptr, kPopupScale},
    {4, 40016, kOn, kCheck, nullptr, -1},
    {I_IMAGENONE, 0, kOn, kSep, nullptr, -1},
    {5, 40033, kOn, kCheck, nullptr, -1},
    {I_IMAGENONE, 0, kOn, kSep, nullptr, -1},
    {9, 40110, kOn, kDrop, nullptr, kPopupSearch},
    {15, 40211, kOn, kDrop, nullptr, kPopupMaps},
};
const SHMENUBARTEMPLATE kMainBar = {SHMENUBAR_MAGIC, IDM_MAIN_MENU, kMainBarButtons,
                                    vres::CountOf(kMainBarButtons)};
VORNA_RESOURCE(RT_SHMENUBAR, IDR_MAIN_MENUBAR, kMainBar);

}  // namespace
