// The program's globals that the search reaches; app/ defines them in the program.
#include "platform/fresh_state.h"
#include "search/route.h"
#include "view/map_view.h"

TMapView g_MapView;
TRoute g_Route;

namespace {
// A fresh start's objects for every test case, as app/globals.cpp gives them to the program.
const vplat::FreshStateHook kFresh(6, [] {
  vplat::RenewInOrder(g_MapView, g_Route);
});
}  // namespace
