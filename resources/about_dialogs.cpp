// The about dialog, in the built-in language (107) and with English texts (255). Control 3000
// receives the program's version text when the dialog opens; the button carries id 2, the only
// command that closes it.
#include "resources/resource_table.h"

namespace {

constexpr int kAboutDialog = 107;
constexpr int kAboutDialogEnglish = 255;
constexpr int kCaptionControl = 2040;
constexpr int kVersionControl = 3000;
constexpr int kLabel = -1;  // labels nothing refers to

const DLGITEMTEMPLATEW kAboutItems[] = {
    {L"static", kCaptionControl, L"GIS Selmik", SS_CENTER, 0, 8, 16, 224, 24},
    {L"static", kLabel, L"Версия:", SS_LEFT, 0, 8, 52, 60, 16},
    {L"static", kVersionControl, L"", SS_LEFT, 0, 70, 52, 162, 16},
    {L"static", kLabel, L"Полевая ГИС для карманного компьютера.", SS_LEFT, 0, 8, 80, 224,
     32},
    {L"static", kLabel, L"Разработчики: команда проекта.", SS_LEFT, 0, 8, 116, 224, 32},
    {L"button", IDCANCEL, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 88, 240, 64, 24},
};
const DLGTEMPLATEW kAbout = {DLGTEMPLATE_MAGIC, kAboutDialog, WS_POPUP, 0, L"О программе",
                             nullptr, 0, 0, 26, 240, 294, kAboutItems,
                             vres::CountOf(kAboutItems)};
VORNA_RESOURCE(RT_DIALOG, kAboutDialog, kAbout);

const DLGITEMTEMPLATEW kAboutItemsEnglish[] = {
    {L"static", kCaptionControl, L"GIS Selmik", SS_CENTER, 0, 8, 16, 224, 24},
    {L"static", kLabel, L"Version:", SS_LEFT, 0, 8, 52, 60, 16},
    {L"static", kVersionControl, L"", SS_LEFT, 0, 70, 52, 162, 16},
    {L"static", kLabel, L"A field GIS for the pocket computer.", SS_LEFT, 0, 8, 80, 224, 32},
    {L"static", kLabel, L"Makers: the project team.", SS_LEFT, 0, 8, 116, 224, 32},
    {L"button", IDCANCEL, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 88, 240, 64, 24},
};
const DLGTEMPLATEW kAboutEnglish = {DLGTEMPLATE_MAGIC, kAboutDialogEnglish, WS_POPUP, 0, L"About",
                                    nullptr, 0, 0, 26, 240, 294, kAboutItemsEnglish,
                                    vres::CountOf(kAboutItemsEnglish)};
VORNA_RESOURCE(RT_DIALOG, kAboutDialogEnglish, kAboutEnglish);

}  // namespace
