#include "app/receiver_host.h"

#include "app/navigation.h"
#include "gps/geodesy_host.h"
#include "settings/settings_dialog.h"

namespace {

class TReceiverHost final : public IGeodesyHost {
 public:
  void StopNavigation() override { StopNavigationMode(1); }
  int StartNavigation() override { return StartNavigationMode(0, 0); }
  void SetGpsFollow(int on) override { ::SetGpsFollow(on); }
};

TReceiverHost g_receiverHost;

}  // namespace

void InstallReceiverHost() {
  SetGeodesyHost(&g_receiverHost);
  SetSettingsPageRefresh(&TSettingsDialog::RefreshPage);
}
