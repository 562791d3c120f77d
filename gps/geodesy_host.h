// What the receiver link and the geodesy bar need of the floor above them: the end of navigation
// mode and GPS following (installed by the application at start-up), and the refresh
// of the settings dialog's receiver page (installed for the settings dialog). Without an
// installed host these do nothing.
#pragma once

class IGeodesyHost {
 public:
  virtual ~IGeodesyHost() = default;
  // Ends navigation mode without asking (the receiver stopped answering and no reconnect).
  virtual void StopNavigation() = 0;
  // Opens the GPS port by the navigation start without its questions; 1 when it is open.
  virtual int StartNavigation() = 0;
  // Follows the GPS position (1) or not (0), as the follow buttons of both bars show it.
  virtual void SetGpsFollow(int on) = 0;
};

void SetGeodesyHost(IGeodesyHost* host);
IGeodesyHost* GetGeodesyHost();

// The settings dialog's page refresh; page 1 is the geodesy receiver page, refreshed after each
// receiver poll. Null: nothing to refresh.
using SettingsPageRefreshProc = void (*)(int page);
void SetSettingsPageRefresh(SettingsPageRefreshProc proc);
void RefreshSettingsPage(int page);
