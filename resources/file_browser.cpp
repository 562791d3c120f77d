// The file browser's dialogs (open 317, save 316, folder 319) and its three 16 x 16 icons
// (file 320, folder 321, program 322: the callers add them as folder, file, program from
// 321, 320, 322). The dialog is laid full screen when it starts; the items
// are placed for a 240 x 294 client under the title bar.
#include <array>
#include <cstdint>

#include "resources/resource_table.h"

namespace {

// Item ids the browser looks for.
enum { kTree = 3, kList = 4, kName = 5, kFilter = 6 };

const DLGITEMTEMPLATEW kOpenItems[] = {
    {L"combobox", kFilter, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 0, 2, 2, 236, 20},
    {L"SysListView32", kList, nullptr, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 26, 240, 240},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 2, 270, 116, 22},
    {L"button", IDCANCEL, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, 122, 270, 116, 22},
};
const DLGTEMPLATEW kOpenDialog = {DLGTEMPLATE_MAGIC, 317, WS_POPUP | WS_CAPTION, 0, L"Open", nullptr, 0,
                                  0, 0, 240, 320, kOpenItems, vres::CountOf(kOpenItems)};
VORNA_RESOURCE(RT_DIALOG, 317, kOpenDialog);

const DLGITEMTEMPLATEW kSaveItems[] = {
    {L"edit", kName, nullptr, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 2, 2, 236, 20},
    {L"combobox", kFilter, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 0, 2, 26, 236, 20},
    {L"SysListView32", kList, nullptr, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 50, 240, 216},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 2, 270, 116, 22},
    {L"button", IDCANCEL, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, 122, 270, 116, 22},
};
const DLGTEMPLATEW kSaveDialog = {DLGTEMPLATE_MAGIC, 316, WS_POPUP | WS_CAPTION, 0, L"Save", nullptr, 0,
                                  0, 0, 240, 320, kSaveItems, vres::CountOf(kSaveItems)};
VORNA_RESOURCE(RT_DIALOG, 316, kSaveDialog);

const DLGITEMTEMPLATEW kFolderItems[] = {
    {L"SysTreeView32", kTree, nullptr, WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES, 0, 0, 0, 240, 266},
    {L"button", IDOK, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 2, 270, 116, 22},
    {L"button", IDCANCEL, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, 122, 270, 116, 22},
};
const DLGTEMPLATEW kFolderDialog = {DLGTEMPLATE_MAGIC, 319, WS_POPUP | WS_CAPTION, 0, L"Folder", nullptr, 0,
                                    0, 0, 240, 320, kFolderItems, vres::CountOf(kFolderItems)};
VORNA_RESOURCE(RT_DIALOG, 319, kFolderDialog);

// Icons in the layer's format: width, height, then 0xAARRGGBB pixels, top row first. Drawn from
// 16-character rows: '.' clear, 'k' black, 'y' folder yellow, 'w' white, 'b' blue, 'g' grey.
using Icon = std::array<uint32_t, 2 + 256>;

constexpr uint32_t Pixel(char c) {
  switch (c) {
    case 'k': return 0xFF000000;
    case 'y': return 0xFFF0C830;
    case 'w': return 0xFFFFFFFF;
    case 'b': return 0xFF2050C0;
    case 'g': return 0xFF909090;
    default: return 0x00000000;
  }
}

constexpr Icon MakeIcon(const char* const (&rows)[16]) {
  Icon icon{};
  icon[0] = 16;
  icon[1] = 16;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) icon[size_t(2 + y * 16 + x)] = Pixel(rows[y][x]);
  return icon;
}

constexpr const char* kFolderRows[16] = {
    "................", "................", ".kkkkk..........", "kyyyyyk.........",
    "kyyyyyykkkkkkkk.", "kyyyyyyyyyyyyyk.", "kyyyyyyyyyyyyyk.", "kyyyyyyyyyyyyyk.",
    "kyyyyyyyyyyyyyk.", "kyyyyyyyyyyyyyk.", "kyyyyyyyyyyyyyk.", "kyyyyyyyyyyyyyk.",
    "kyyyyyyyyyyyyyk.", "kkkkkkkkkkkkkkk.", "................", "................"};
constexpr const char* kFileRows[16] = {
    "..kkkkkkkkk.....", "..kwwwwwwwkk....", "..kwwwwwwwkwk...", "..kwwwwwwwkkkk..",
    "..kwgggggwwwwk..", "..kwwwwwwwwwwk..", "..kwggggggggwk..", "..kwwwwwwwwwwk..",
    "..kwggggggggwk..", "..kwwwwwwwwwwk..", "..kwggggggggwk..", "..kwwwwwwwwwwk..",
    "..kwwwwwwwwwwk..", "..kwwwwwwwwwwk..", "..kkkkkkkkkkkk..", "................"};
constexpr const char* kProgramRows[16] = {
    "................", ".kkkkkkkkkkkkkk.", ".kbbbbbbbbbbbbk.", ".kbbbbbbbbbwbwk.", ".kkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwk.", ".kwggggwwwwwwwk.", ".kwwwwwwwwwwwwk.", ".kwggggggggwwwk.", ".kwwwwwwwwwwwwk.",
    ".kwgggggwwwwwwk.", ".kwwwwwwwwwwwwk.", ".kwwwwwwwwwwwwk.", ".kkkkkkkkkkkkkk.", "................",
    "................"};

constexpr Icon kFolderIcon = MakeIcon(kFolderRows);
constexpr Icon kFileIcon = MakeIcon(kFileRows);
constexpr Icon kProgramIcon = MakeIcon(kProgramRows);
VORNA_RESOURCE(RT_ICON, 320, kFileIcon);
VORNA_RESOURCE(RT_ICON, 321, kFolderIcon);
VORNA_RESOURCE(RT_ICON, 322, kProgramIcon);

}  // namespace
