// Stylus input modes, keys and hot keys of the main window. The mode is one program-wide byte
// (1 to 16) that the view, the GPS, editing and search code set.
#pragma once

#include <cstdint>

#include "platform/win.h"

uint8_t GetInputMode();
void SetInputMode(uint8_t mode);

// The main window's pen, key and hot-key handlers: none of them acts yet (each answers 0).
LRESULT OnMainPenDown(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPenMove(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainPenUp(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainKeyDown(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnMainHotKey(HWND hwnd, WPARAM wParam, LPARAM lParam);
