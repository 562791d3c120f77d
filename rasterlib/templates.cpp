// The library's dialog templates. They are registered while the library loads, so they belong to
// it: found under its module handle only and dropped when it is unloaded.
#include "platform/win.h"
#include "rasterlib/tilvex_ids.h"

namespace {

const DLGITEMTEMPLATEW kChooserItems[] = {
    {L"SysTreeView32", IDC_CHOOSER_TREE, nullptr,
     WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0,
     0, 0, 240, 292},
    {L"button", IDC_CHOOSER_NEAREST, L"Ближний", BS_PUSHBUTTON | WS_TABSTOP, 0, 4, 295, 76, 22},
    {L"button", IDC_CHOOSER_OK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 84, 295, 72, 22},
    {L"button", IDC_CHOOSER_EXIT, L"Выход", BS_PUSHBUTTON | WS_TABSTOP, 0, 160, 295, 76, 22},
};
const DLGTEMPLATEW kChooser = {DLGTEMPLATE_MAGIC, IDD_RASTER_CHOOSER, WS_POPUP, 0, L"Tilvex",
                               nullptr, 0, 0, 0, 240, 320, kChooserItems,
                               static_cast<int>(sizeof kChooserItems / sizeof kChooserItems[0])};

// The label and the scale combo are made at start-up at (0..70) and (70..120) of the top row.
const DLGITEMTEMPLATEW kViewItems[] = {
    {L"button", IDC_VIEW_POINT1, L"1", BS_PUSHBUTTON, 0, 120, 0, 16, 19},
    {L"button", IDC_VIEW_POINT2, L"2", BS_PUSHBUTTON, 0, 136, 0, 16, 19},
    {L"button", IDC_VIEW_POINT3, L"3", BS_PUSHBUTTON, 0, 152, 0, 16, 19},
    {L"button", IDC_VIEW_POINT4, L"4", BS_PUSHBUTTON, 0, 168, 0, 16, 19},
    {L"button", IDC_VIEW_POINT5, L"5", BS_PUSHBUTTON, 0, 184, 0, 16, 19},
    {L"button", IDC_VIEW_DELETE, L"-", BS_PUSHBUTTON, 0, 202, 0, 18, 19},
    {L"button", IDC_VIEW_CLOSE, L"X", BS_PUSHBUTTON, 0, 222, 0, 18, 19},
};
const DLGTEMPLATEW kView = {DLGTEMPLATE_MAGIC, IDD_RASTER_VIEW, WS_POPUP, 0, L"Tilvex", nullptr, 0,
                            0, 0, 240, 320, kViewItems,
                            static_cast<int>(sizeof kViewItems / sizeof kViewItems[0])};

struct Register {
  Register() {
    vplat::RegisterResource(RT_DIALOG, IDD_RASTER_CHOOSER, &kChooser, sizeof kChooser);
    vplat::RegisterResource(RT_DIALOG, IDD_RASTER_VIEW, &kView, sizeof kView);
  }
} const kRegister;

}  // namespace
