// The program's long-lived objects, constructed before the entry runs and destroyed after the
// message loop ends, in reverse order of their definitions here. The entry's start-up defines
// the full list and its order; the settings store and the language table come first because
// every other object may read them.
#include "app/ini_file.h"
#include "app/lang.h"

TIniFile g_Ini;
TLang g_Lang;
