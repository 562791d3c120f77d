// Rows of the owner-drawn type lists made from an object library's styles: the type's name as
// the one text, its code as key and symbol.
#pragma once

#include <cstdint>

class TOwnerDrawList;
class TStyleTable;

// Appends every named style of `kind` in table order; the rows added.
int AddKindRows(TOwnerDrawList& list, const TStyleTable& styles, int kind);
// Appends the style of `code` when it has a name shorter than 256 bytes; 1 when added.
int AddCodeRow(TOwnerDrawList& list, const TStyleTable& styles, uint16_t code);
