#include "gps/geodesy_host.h"
#include "platform/fresh_state.h"

namespace {
IGeodesyHost* g_host = nullptr;
SettingsPageRefreshProc g_pageRefresh = nullptr;
const vplat::FreshStateHook kFresh(5, [] {
  g_host = nullptr;
  g_pageRefresh = nullptr;
});
}  // namespace

void SetGeodesyHost(IGeodesyHost* host) { g_host = host; }
IGeodesyHost* GetGeodesyHost() { return g_host; }

void SetSettingsPageRefresh(SettingsPageRefreshProc proc) { g_pageRefresh = proc; }

void RefreshSettingsPage(int page) {
  if (g_pageRefresh) g_pageRefresh(page);
}
