// The layer's sample resources (see sample_ids.h).
#include "resources/resource_table.h"
#include "resources/sample_ids.h"

namespace {

const DLGITEMTEMPLATEW kSampleItems[] = {
    {L"static", IDC_SAMPLE_LABEL, L"Имя точки:", SS_LEFT, 0, 4, 4, 70, 16},
    {L"edit", IDC_SAMPLE_EDIT, L"Point 12", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 76, 2, 160, 18},
    {L"button", IDC_SAMPLE_CHECK, L"Fill", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 4, 24, 60, 16},
    {L"button", IDC_SAMPLE_GROUP, L"Mode", BS_GROUPBOX, 0, 70, 20, 166, 40},
    {L"button", IDC_SAMPLE_RADIO1, L"Raster", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 76, 36, 74, 16},
    {L"button", IDC_SAMPLE_RADIO2, L"Vector", BS_AUTORADIOBUTTON, 0, 156, 36, 74, 16},
    {L"listbox", IDC_SAMPLE_LIST, nullptr, WS_BORDER | WS_TABSTOP | LBS_NOTIFY, 0, 4, 64, 72, 58},
    {L"combobox", IDC_SAMPLE_COMBO, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP, 0, 80, 64, 76, 18},
    {L"combobox", IDC_SAMPLE_COMBOEDIT, nullptr, CBS_DROPDOWN | WS_TABSTOP, 0, 160, 64, 76, 18},
    {L"SysTabControl32", IDC_SAMPLE_TAB, nullptr, WS_TABSTOP, 0, 80, 86, 156, 36},
    {L"SysListView32", IDC_SAMPLE_LISTVIEW, nullptr, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 4, 126, 140, 60},
    {L"SysTreeView32", IDC_SAMPLE_TREE, nullptr, WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 148, 126, 88, 60},
    {L"SysDateTimePick32", IDC_SAMPLE_DATE, nullptr, WS_BORDER | WS_TABSTOP | DTS_SHORTDATEFORMAT, 0, 4, 190, 90, 18},
    {L"SysDateTimePick32", IDC_SAMPLE_TIME, nullptr, WS_BORDER | WS_TABSTOP | DTS_TIMEFORMAT, 0, 98, 190, 76, 18},
    {L"msctls_progress32", IDC_SAMPLE_PROGRESS, nullptr, 0, 0, 178, 192, 58, 14},
    {L"msctls_trackbar32", IDC_SAMPLE_TRACK, nullptr, WS_TABSTOP | TBS_AUTOTICKS, 0, 4, 208, 150, 18},
    {L"scrollbar", IDC_SAMPLE_SCROLL, nullptr, SBS_HORZ, 0, 158, 210, 78, 14},
    {L"edit", IDC_SAMPLE_MULTI, L"Line one\r\nLine two", WS_BORDER | ES_MULTILINE | WS_TABSTOP, 0, 4, 226, 232, 30},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 136, 260, 44, 22},
    {L"button", IDCANCEL, L"Отмена", BS_PUSHBUTTON | WS_TABSTOP, 0, 184, 260, 52, 22},
};

const DLGTEMPLATEW kSampleDialog = {
    DLGTEMPLATE_MAGIC, IDD_SAMPLE_CONTROLS, WS_POPUP, 0, L"Controls", nullptr, 0,
    0, 26, 240, 294, kSampleItems, vres::CountOf(kSampleItems)};
VORNA_RESOURCE(RT_DIALOG, IDD_SAMPLE_CONTROLS, kSampleDialog);

const MENUITEMTEMPLATEW kSampleMenuItems[] = {
    {MF_POPUP, 0, L"File"},
    {0, IDM_SAMPLE_OPEN, L"Open..."},
    {0, IDM_SAMPLE_SAVE, L"Save"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_END, IDM_SAMPLE_EXIT, L"Exit"},
    {MF_POPUP | MF_END, 0, L"View"},
    {MF_POPUP, 0, L"Scale"},
    {0, IDM_SAMPLE_SCALE_FIRST + 0, L"1:100 000"},
    {0, IDM_SAMPLE_SCALE_FIRST + 1, L"1:50 000"},
    {0, IDM_SAMPLE_SCALE_FIRST + 2, L"1:25 000"},
    {0, IDM_SAMPLE_SCALE_FIRST + 3, L"1:10 000"},
    {MF_END, IDM_SAMPLE_SCALE_FIRST + 4, L"1:5 000"},
    {MF_CHECKED, IDM_SAMPLE_GRID, L"Grid"},
    {MF_END, IDM_SAMPLE_FILL, L"Fill"},
};
const MENUTEMPLATEW kSampleMenu = {MENUTEMPLATE_MAGIC, kSampleMenuItems,
                                   vres::CountOf(kSampleMenuItems)};
VORNA_RESOURCE(RT_MENU, IDM_SAMPLE_MENU, kSampleMenu);

const SHMENUBARBUTTON kSampleBarButtons[] = {
    {I_IMAGENONE, IDM_SAMPLE_MENUBUTTON, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE,
     L"Меню", 0},
    {I_IMAGENONE, IDM_SAMPLE_VIEWBUTTON, TBSTATE_ENABLED, TBSTYLE_DROPDOWN | TBSTYLE_AUTOSIZE,
     L"Вид", 1},
    {0, IDM_SAMPLE_GRID, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTYLE_CHECK, L"G", -1},
    {1, IDM_SAMPLE_FILL, TBSTATE_ENABLED, TBSTYLE_CHECK, L"F", -1},
    {2, IDM_SAMPLE_OPEN, TBSTATE_ENABLED, TBSTYLE_BUTTON, L"O", -1},
};
const SHMENUBARTEMPLATE kSampleBar = {SHMENUBAR_MAGIC, IDM_SAMPLE_MENU, kSampleBarButtons,
                                      vres::CountOf(kSampleBarButtons)};
VORNA_RESOURCE(RT_SHMENUBAR, IDR_SAMPLE_MENUBAR, kSampleBar);

}  // namespace
