// Resource ids of the main window: its accelerators, menu bar, menu and button images.
#pragma once

#define IDR_MAIN_ACCEL 101
#define IDR_MAIN_MENUBAR 102
#define IDB_MAIN_TOOLBAR 103
// The menu with the command bar's popups (only the menu bar names it).
#define IDM_MAIN_MENU 104
// Images in the button strip of IDB_MAIN_TOOLBAR, 16 x 16 pixels each.
#define MAIN_TOOLBAR_IMAGES 16
