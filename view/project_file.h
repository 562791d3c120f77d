// Pieces of the project file (".mpj") reader that stand on their own.
#pragma once

#include <cstdint>

#include "maps/mdm_map.h"

// Reads up to three "threshold:scale;" pairs in order of appearance. A pair without its
// closing ';', without ':' or with ':' first is ignored. Returns the count.
int ParseScalePairs(const char* text, TScalePair out[3]);
// A decimal integer field as the project writes it; anything that is no number reads as 0
// (no limit), and values beyond the int32 range saturate.
int32_t ParseScaleField(const char* text);
