// Fill the object-type lists of the type pickers from a style table: one list-view row per named
// style, its text the name, its item data the type code and, for points, its image the style's
// symbol number.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TStyleTable;

// Empties the list, then adds every named style of `kind` (1 point .. 4 text) in table order.
void FillStyleList(const TStyleTable& styles, HWND list, int kind);
// Adds the style of `code` the same way, when it has a name shorter than 256 characters.
void AddStyleItem(const TStyleTable& styles, HWND list, uint16_t code);
