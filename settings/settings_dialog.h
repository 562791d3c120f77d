// The settings dialog: a full-screen modal dialog (template 108) with a tab control and nine
// pages, one child dialog per tab, created on the tab's first visit and kept until the dialog
// closes. Apply and OK hand every created page to its save routine, write the store to the
// settings file, refresh the backup "<settings file>.bak" and re-apply the settings to the
// running program; Cancel puts the backup back over the settings file and the store and the
// button table as they were in memory at the last save (the opening, or the last Apply): the
// store holds values the file has not seen yet, which a reload of the file would lose.
//
// Invariants:
//   - One dialog at a time; the state below is global and cleared at each opening.
//   - The backup file exists exactly while the dialog is open, and holds the settings of the
//     last successful write (or is deleted when it could not follow one, so that a Cancel never
//     brings back settings older than an Apply the user saw succeed).
//   - A dialog that reopens itself (a new language) ends first and a new one opens on the same
//     tab from ShowSettingsDialog's own loop: never a modal loop inside another.
#pragma once

#include "platform/win.h"

// Results besides IDOK (1) and the Cancel button (4): the almanac page's "pick on the map".
inline constexpr int kSettingsPickAlmanacBase = 2386;
inline constexpr int kSettingsPageCount = 9;
// Tabs by their place in the strip.
namespace settings_tab {
inline constexpr int kNavigation = 0, kGeodesy = 1, kPorts = 2, kButtons = 3, kMapView = 4,
                     kGeneral = 5, kAlmanac = 6, kLanguage = 7, kAutoActions = 8;
}

// Opens the dialog on tab `page` (0 to 8; others open tab 0) and returns when it closes: 1 OK,
// 4 Cancel (also Escape and the navigation page's "pick on the map"), 2386 the almanac base is
// to be picked on the map, -1 when the dialog could not be made.
int ShowSettingsDialog(HWND owner, int page);
// Stores the modified flag and enables (1) or disables (0) the Apply button.
void SetSettingsModified(int flag);

class TSettingsDialog {
 public:
  // While the dialog is open: the navigation page's live values when it is the current tab
  // (any flag); the geodesy page's receiver values with 1 (the geodesy bar) or its fix values
  // with 0 (the GPS timer) when that is the current tab. Otherwise nothing.
  static void RefreshPage(int source);

  // For the pages.
  static HWND Dialog();
  static HWND Page(int tab);
  static int IsModified();
  // The language page changed the language file: the next Apply reopens the dialog.
  static void RequestReopen();
  // Closes as Cancel does (restore, close-down), ending with 4.
  static void CancelAndClose();
  // Saves as OK does and closes, ending with `result`; a save that fails keeps the dialog open
  // and answers false.
  static bool SaveAndClose(int result);
};

// One page: its template, procedure and save routine (given the page window; never called for
// a page that was not created).
struct TSettingsPage {
  int templateId;
  DLGPROC proc;
  void (*save)(HWND page);
};
// The nine pages in tab order. Tests may put a page set of their own in place; null restores
// the program's own. Returns the set in force before.
const TSettingsPage* SetSettingsPages(const TSettingsPage* pages);
// The order in which Apply and OK save the pages (tabs), which is not the tab order.
inline constexpr int kSettingsSaveOrder[kSettingsPageCount] = {2, 0, 1, 3, 4, 5, 6, 8, 7};
