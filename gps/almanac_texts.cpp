// The application core's side of the almanac's text interface: the language table.
#include "gps/almanac_texts.h"

#include "base/lang.h"

const wchar_t* AlmanacText(int32_t id) { return g_Lang.GetText(id); }
