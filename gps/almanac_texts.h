// What the almanac takes from the application core: the texts of the language table by id.
#pragma once

#include <cstdint>

// The current text of a language id; never null (the empty text when the id is unknown).
const wchar_t* AlmanacText(int32_t id);
