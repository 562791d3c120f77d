// The nine pages of the settings dialog: each a dialog procedure (its load runs on
// WM_INITDIALOG) and a save routine that the dialog calls on Apply and OK with the page window.
// Every page first reports its message to the idle clock, and every user change calls
// SetSettingsModified(1) unless its Part of the page says otherwise.
#pragma once

#include <string>

#include "platform/win.h"

// Navigation (220): settings of the track, the point offers, the sight rings and the GPS
// offset, and the live GPS values.
INT_PTR CALLBACK NaviPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveNaviPage(HWND page);
void RefreshNaviPage(HWND page);

// Geodesy receiver (218): the antenna type and four receiver parameters, live receiver values.
INT_PTR CALLBACK GeoPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveGeoPage(HWND page);
// 0: the fix values; 1: the receiver values.
void RefreshGeoPage(HWND page, int source);
// Forgets that the parameters were read from the receiver (each opening of the dialog).
void ClearGeoReadFlag();

// GPS port (216): receiver type, port, baud, presets and the echo sounder.
INT_PTR CALLBACK PortsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SavePortsPage(HWND page);

// Buttons (148), map view (329), general (150), language (256), automatic actions (337).
INT_PTR CALLBACK ButtonsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveButtonsPage(HWND page);
INT_PTR CALLBACK MapPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveMapPage(HWND page);
INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveGeneralPage(HWND page);
INT_PTR CALLBACK LangPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveLangPage(HWND page);
INT_PTR CALLBACK AutoPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveAutoPage(HWND page);

// Almanac (323): the almanac file, its period, the base point and the ".base" files.
INT_PTR CALLBACK AlmPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void SaveAlmPage(HWND page);

namespace settings_page {

// The first lines of every page procedure: the idle clock hears the message.
void ReportInput(UINT message);
// Translates the page's texts by control id.
void Translate(HWND page);

// An edit marks the settings modified on its first change after it took the focus, so that
// text set by a load does not count; the focus also raises and lowers the input panel.
struct TEditWatch {
  int touched = 0;
  // Handles one edit notification of control `id`.
  void OnEdit(HWND page, int id, UINT code);
};

// Shows `text` under the program's error caption with the device path on its own line.
void ShowPathMessage(HWND owner, int textId, const char* path);
// The whole text of a control as 8-bit program-code-page text (no 254-character cut).
bool GetControlText(HWND page, int id, char* out, size_t size);
// Sets a control's text from 8-bit text.
void SetControlText(HWND page, int id, const char* text);
// The same for a device path, in the path page whatever the language: false, `out` untouched,
// when the text holds a character the path page has no byte for.
bool GetControlPath(HWND page, int id, std::string* out);
void SetControlPath(HWND page, int id, const char* path);

}  // namespace settings_page
