// The settings store and the language table: read by every subsystem, and by the constructors
// and destructors of the program's other globals (app/globals.cpp). A global's place in the
// order of construction across files is otherwise the linker's choice, so these two carry an
// initialisation priority: built before every global of default priority, in this order, and
// destroyed after them.
#include "base/ini_file.h"
#include "base/lang.h"
#include "platform/fresh_state.h"

TIniFile g_Ini __attribute__((init_priority(200)));
TLang g_Lang __attribute__((init_priority(201)));

namespace {
// The language table goes first: the settings store outlives it, as at exit.
const vplat::FreshStateHook kFresh(2, [] {
  vplat::Renew(g_Lang);
  vplat::Renew(g_Ini);
});
}  // namespace
