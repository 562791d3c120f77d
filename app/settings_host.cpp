// The program's host for the settings pages (settings/settings_host.h).
#include "settings/settings_host.h"

#include "app/navigation.h"
#include "app/program_host.h"
#include "app/winmain.h"
#include "base/ini_file.h"

namespace {

class TAppSettingsHost final : public ISettingsHost {
 public:
  void ApplyViewSettings() override { ::ApplyViewSettings(); }
  int OpenEchoPort(HWND owner, int open) override { return ::OpenEchoPort(owner, open); }
  void UpdateTrackLogMenu() override {
    g_NaviSaveLog = g_Ini.GetInt("NaviSaveLog") ? 1 : 0;
    ApplyTrackRecording(g_NaviSaveLog);
  }
  void SetElevationMask(double degrees) override { g_ElevationMask = degrees; }
};

TAppSettingsHost g_appSettingsHost;

}  // namespace

void InstallSettingsHost() { SetSettingsHost(&g_appSettingsHost); }
