#include "platform/fresh_state.h"
#include "settings/settings_host.h"

namespace {

class TNoSettingsHost final : public ISettingsHost {
 public:
  void ApplyViewSettings() override {}
  int OpenEchoPort(HWND, int) override { return 0; }
  void UpdateTrackLogMenu() override {}
  void SetElevationMask(double) override {}
};

TNoSettingsHost g_noHost;
ISettingsHost* g_host = &g_noHost;
const vplat::FreshStateHook kFresh(5, [] { g_host = &g_noHost; });

}  // namespace

void SetSettingsHost(ISettingsHost* host) { g_host = host ? host : &g_noHost; }
ISettingsHost& SettingsHost() { return *g_host; }
